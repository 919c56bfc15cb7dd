// Dialog: the toolkit-neutral half of a dialog or child page. It owns the handler-table dispatch,
// the timers' bookkeeping and the modal life cycle, and forwards control access to the backend.
#include "platform/ui/dialog.h"

#include "platform/ui/application.h"
#include "platform/ui/backend.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/delivery.h"
#include "platform/ui/interceptor.h"

#include <algorithm>
#include <atomic>

namespace ui {

namespace {
const HandlerEntry kNoHandlers[] = {UI_END_HANDLERS};

std::atomic<Interceptor*> g_interceptor{nullptr};

Interceptor* CurrentInterceptor() {
    return g_interceptor.load(std::memory_order_acquire);
}

bool BoxIntercepted(const std::string& text) {
    Interceptor* const i = CurrentInterceptor();
    return i && i->MessageBox(text);
}

bool FileChooserIntercepted(const std::string& filter, const std::string& initialDir,
                            std::string& path, bool& chosen) {
    Interceptor* const i = CurrentInterceptor();
    return i && i->FileChooser(filter, initialDir, path, chosen);
}

LRESULT DispatchTo(void* target, UINT message, WPARAM wParam, LPARAM lParam) {
    return static_cast<Dialog*>(target)->Dispatch(message, wParam, lParam);
}
} // namespace

void SetInterceptor(Interceptor* interceptor) {
    g_interceptor.store(interceptor, std::memory_order_release);
}

Dialog::Dialog(const DialogTemplate& tpl) : m_template(tpl) {}

Dialog::~Dialog() {
    delivery::CancelFor(this);
    m_backend.reset();
}

// --- Creation -----------------------------------------------------------------------------------

int Dialog::DoModal(Dialog* parent) {
    if (m_backend) {
        return -1;
    }
    m_parent = parent;
    m_modalResult = IDCANCEL;
    m_backend = CreateDialogBackend(*this);
    m_backend->Build(nullptr, 0);
    OnInitDialog();
    int result;
    Interceptor* const interceptor = CurrentInterceptor();
    if (const auto handler = interceptor ? interceptor->ModalHandler() : nullptr) {
        m_backend->ShowWindow(true);
        result = handler(*this);
    } else {
        m_backend->ShowWindow(true);
        m_backend->RunModal();
        result = m_modalResult;
    }
    // The window goes away with its timers, as the classic framework's does.
    for (const auto& t : m_timers) {
        m_backend->StopTimer(t.first);
    }
    m_timers.clear();
    m_backend.reset();
    return result;
}

bool Dialog::Create(Dialog* parent, int hostId) {
    if (m_backend || !parent || !parent->IsCreated()) {
        return false;
    }
    m_parent = parent;
    m_bChildPage = true;
    m_backend = CreateDialogBackend(*this);
    m_backend->Build(parent, hostId);
    OnInitDialog();
    return true;
}

bool Dialog::CreateModeless(Dialog* owner) {
    if (m_backend) {
        return false;
    }
    m_parent = owner;
    m_bModeless = true;
    m_backend = CreateDialogBackend(*this);
    m_backend->Build(nullptr, 0);
    OnInitDialog();
    m_backend->ShowWindow(true);
    return true;
}

void Dialog::EndDialog(int result) {
    m_modalResult = result;
    if (!m_backend) {
        return;
    }
    if (m_bModeless) {
        m_backend->ShowWindow(false); // no loop to end: the window goes out of sight
        return;
    }
    m_backend->EndModal();
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::PreTranslateMessage(Msg&) {
    return false;
}

const HandlerEntry* Dialog::GetHandlerTable() const {
    return kNoHandlers;
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

// --- Messages -----------------------------------------------------------------------------------

const HandlerEntry* Dialog::FindMessageHandler(UINT message) const {
    for (const HandlerEntry* e = GetHandlerTable(); e && e->type != HandlerEntry::Type::End; ++e) {
        if (e->type == HandlerEntry::Type::Message && e->message == message) {
            return e;
        }
    }
    return nullptr;
}

LRESULT Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const HandlerEntry* e = FindMessageHandler(message)) {
        return e->fn(*this, wParam, lParam);
    }
    return 0; // default processing
}

bool Dialog::SendNotify(int id, Notify notify) {
    for (const HandlerEntry* e = GetHandlerTable(); e && e->type != HandlerEntry::Type::End; ++e) {
        if (e->type == HandlerEntry::Type::Command && e->id == id && e->notify == notify) {
            e->fn(*this, 0, 0);
            return true;
        }
    }
    return false;
}

void Dialog::DispatchToFocus(const Msg& msg) {
    if (m_backend) {
        m_backend->FocusKey(msg);
    }
}

void Dialog::SetNotifyObserver(std::function<void(int, Notify)> observer) {
    m_notifyObserver = std::move(observer);
}

void Dialog::OnBackendNotify(int id, Notify notify) {
    if (NotificationsSuppressed()) {
        return;
    }
    if (m_notifyObserver) {
        m_notifyObserver(id, notify);
    }
    if (SendNotify(id, notify) || notify != Notify::Clicked || m_bChildPage) {
        return;
    }
    if (id == IDOK) {
        if (UpdateData(true)) {
            EndDialog(IDOK);
        }
    } else if (id == IDCANCEL) {
        EndDialog(IDCANCEL);
    }
}

void Dialog::OnBackendTimer(int id) {
    if (m_timers.count(id)) {
        Dispatch(WM_TIMER, static_cast<WPARAM>(id), 0);
    }
}

// --- Controls -----------------------------------------------------------------------------------

void Dialog::SetDlgItemText(int id, const std::string& text) {
    if (m_backend) {
        m_backend->SetText(id, text);
    }
}
void Dialog::AppendDlgItemText(int id, const std::string& text) {
    if (m_backend) {
        m_backend->AppendText(id, text);
    }
}
void Dialog::SetDlgItemLineLimit(int id, int maxLines) {
    if (m_backend) {
        m_backend->SetLineLimit(id, maxLines);
    }
}
std::string Dialog::GetDlgItemText(int id) const {
    return m_backend ? m_backend->GetText(id) : std::string();
}
void Dialog::EnableDlgItem(int id, bool enable) {
    if (m_backend) {
        m_backend->Enable(id, enable);
    }
}
bool Dialog::IsDlgItemEnabled(int id) const {
    return m_backend && m_backend->IsEnabled(id);
}
void Dialog::ShowDlgItem(int id, bool show) {
    if (m_backend) {
        m_backend->Show(id, show);
    }
}
bool Dialog::IsDlgItemVisible(int id) const {
    return m_backend && m_backend->IsVisible(id);
}
void Dialog::CheckDlgButton(int id, bool checked) {
    if (m_backend) {
        m_backend->SetChecked(id, checked);
    }
}
bool Dialog::IsDlgButtonChecked(int id) const {
    return m_backend && m_backend->IsChecked(id);
}
void Dialog::SetDlgItemImage(int id, const Image& image) {
    if (m_backend) {
        m_backend->SetImage(id, image);
    }
}
int Dialog::GetDlgItemImageId(int id) const {
    return m_backend ? m_backend->ImageId(id) : 0;
}
void Dialog::SetDlgItemFont(int id, const std::string& face, int pointSize) {
    if (m_backend) {
        m_backend->SetFont(id, face, pointSize);
    }
}
void Dialog::SetFocusTo(int id) {
    if (m_backend) {
        m_backend->SetFocus(id);
    }
}
int Dialog::GetFocusId() const {
    return m_backend ? m_backend->FocusId() : -2;
}
bool Dialog::HasControl(int id) const {
    return m_backend && m_backend->Has(id);
}
Rect Dialog::GetDlgItemRect(int id) const {
    return m_backend ? m_backend->ItemRect(id) : Rect{};
}

void Dialog::ComboResetContent(int id) {
    if (m_backend) {
        m_backend->ComboReset(id);
    }
}
int Dialog::ComboAddString(int id, const std::string& text) {
    return m_backend ? m_backend->ComboAdd(id, text) : -1;
}
int Dialog::ComboGetCount(int id) const {
    return m_backend ? m_backend->ComboCount(id) : 0;
}
int Dialog::ComboGetCurSel(int id) const {
    return m_backend ? m_backend->ComboCurSel(id) : -1;
}
void Dialog::ComboSetCurSel(int id, int index) {
    if (m_backend) {
        m_backend->ComboSetCurSel(id, index);
    }
}
std::string Dialog::ComboGetLBText(int id, int index) const {
    return m_backend ? m_backend->ComboText(id, index) : std::string();
}

void Dialog::TabInsertItem(int id, int index, const std::string& text) {
    if (m_backend) {
        m_backend->TabInsert(id, index, text);
    }
}
int Dialog::TabGetItemCount(int id) const {
    return m_backend ? m_backend->TabCount(id) : 0;
}
std::string Dialog::TabGetItemText(int id, int index) const {
    return m_backend ? m_backend->TabText(id, index) : std::string();
}
int Dialog::TabGetCurSel(int id) const {
    return m_backend ? m_backend->TabCurSel(id) : -1;
}
void Dialog::TabSetCurSel(int id, int index) {
    if (m_backend) {
        m_backend->TabSetCurSel(id, index);
    }
}
Rect Dialog::TabGetClientRect(int id) const {
    return m_backend ? m_backend->TabClientRect(id) : Rect{};
}
Rect Dialog::TabGetDisplayRect(int id) const {
    return m_backend ? m_backend->TabDisplayRect(id) : Rect{};
}

// --- The window ---------------------------------------------------------------------------------

void Dialog::ShowWindow(bool show) {
    if (m_backend) {
        m_backend->ShowWindow(show);
    }
}
bool Dialog::IsWindowVisible() const {
    return m_backend && m_backend->IsWindowVisible();
}
void Dialog::MoveWindow(const Rect& r, bool) {
    if (m_backend) {
        m_backend->MoveWindow(r);
    }
}
Rect Dialog::GetClientRect() const {
    return m_backend ? m_backend->ClientRect() : Rect{};
}
Rect Dialog::GetWindowRect() const {
    return m_backend ? m_backend->WindowRect() : Rect{};
}

Rect Dialog::GetWorkArea() const {
    return m_backend ? m_backend->WorkArea() : Rect{};
}

void Dialog::PlaceBeside(const Dialog& owner) {
    if (!m_backend || !owner.m_backend)
        return;
    constexpr int kGap = 8;
    const Rect o = owner.m_backend->WindowRect();
    const Rect me = m_backend->WindowRect();
    const Rect work = m_backend->WorkArea();
    const int w = me.Width();
    const int h = me.Height();
    if (w <= 0 || h <= 0 || work.Width() <= 0)
        return;
    // Level with the owner's top, moved up as far as the window needs to end on the screen.
    const int top = std::max(work.top, std::min(o.top, work.bottom - h));
    if (o.right + kGap + w <= work.right) {
        m_backend->MoveFrameTo(o.right + kGap, top);
    } else if (o.left - kGap - w >= work.left) {
        m_backend->MoveFrameTo(o.left - kGap - w, top);
    } else if (w <= work.Width()) {
        // No room beside it: against the screen's edge on the side with more room, covering as
        // little of the owner as the screen allows.
        const bool right = work.right - o.right >= o.left - work.left;
        m_backend->MoveFrameTo(right ? work.right - w : work.left, top);
    }
}
void Dialog::SetWindowText(const std::string& text) {
    if (m_backend) {
        m_backend->SetWindowText(text);
    }
}
std::string Dialog::GetWindowText() const {
    return m_backend ? m_backend->WindowText() : std::string();
}
void Dialog::SetWindowIcon(const Image& big, const Image& small) {
    if (m_backend) {
        m_backend->SetWindowIcon(big, small);
    }
}
bool Dialog::IsIconic() const {
    return m_backend && m_backend->IsIconic();
}
void Dialog::AppendSystemMenuSeparator() {
    if (m_backend) {
        m_backend->AppendSystemMenu(0, std::string());
    }
}
void Dialog::AppendSystemMenuItem(UINT commandId, const std::string& text) {
    if (m_backend && !text.empty()) {
        m_backend->AppendSystemMenu(commandId, text);
    }
}

int Dialog::DluToPixelsX(int dlu) const {
    return m_backend ? m_backend->DluX(dlu) : 0;
}
int Dialog::DluToPixelsY(int dlu) const {
    return m_backend ? m_backend->DluY(dlu) : 0;
}

int Dialog::ScaleForDpi(int pixels) const {
    return m_backend ? m_backend->ScaleForDpi(pixels) : pixels;
}

// --- Timers and message boxes -------------------------------------------------------------------

void Dialog::SetTimer(int id, int milliseconds) {
    if (milliseconds < 0) {
        milliseconds = 0;
    }
    m_timers[id] = milliseconds;
    Interceptor* const interceptor = CurrentInterceptor();
    if (m_backend && !(interceptor && interceptor->ManualTimers())) {
        m_backend->StartTimer(id, milliseconds);
    }
}

void Dialog::KillTimer(int id) {
    m_timers.erase(id);
    if (m_backend) {
        m_backend->StopTimer(id);
    }
}

int Dialog::MessageBox(const std::string& text) {
    if (BoxIntercepted(text)) {
        return IDOK;
    }
    if (m_backend) {
        return m_backend->ShowMessageBox(text);
    }
    BackendAppMessageBox(text);
    return IDOK;
}

bool Dialog::GrabToPng(const std::string& path) const {
    return m_backend && m_backend->Grab(path);
}

// --- Free functions -----------------------------------------------------------------------------

bool KeepEnterAndEscape(Dialog& dlg, const Msg& msg) {
    if (msg.message != WM_KEYDOWN) {
        return false;
    }
    if (msg.wParam == VK_RETURN) {
        dlg.DispatchToFocus(msg);
        return true;
    }
    return msg.wParam == VK_ESCAPE;
}

void Sleep(int milliseconds) {
    Interceptor* const interceptor = CurrentInterceptor();
    if (interceptor && interceptor->Sleep(milliseconds)) {
        return;
    }
    if (milliseconds > 0) {
        BackendSleep(milliseconds);
    }
}

bool GetOpenFileName(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     std::string& path) {
    bool chosen = false;
    if (FileChooserIntercepted(filter, initialDir, path, chosen)) {
        return chosen;
    }
    return BackendOpenFile(owner, filter, initialDir, path);
}

bool GetSaveFileName(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     const std::string& name, std::string& path) {
    bool chosen = false;
    if (FileChooserIntercepted(filter, initialDir, path, chosen)) {
        return chosen;
    }
    return BackendSaveFile(owner, filter, initialDir, name, path);
}

void ProcessEvents(int milliseconds) {
    BackendProcessEvents(milliseconds);
}

void AppMessageBox(const char* text) {
    const std::string t = text ? text : "";
    if (!BoxIntercepted(t)) {
        BackendAppMessageBox(t);
    }
}

namespace {
std::function<Image(int)>& Provider() {
    static std::function<Image(int)> provider;
    return provider;
}
int g_suppressDepth = 0; // UI thread only
} // namespace

void SetImageProvider(std::function<Image(int resourceId)> provider) {
    Provider() = std::move(provider);
}

Image TemplateImage(int resourceId) {
    if (resourceId <= 0 || !Provider()) {
        return Image();
    }
    return Provider()(resourceId);
}

// --- Messages -----------------------------------------------------------------------------------

LRESULT Dialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return delivery::Send(this, &DispatchTo, message, wParam, lParam, nullptr);
}

LRESULT Dialog::SendMessageCancellable(UINT message, WPARAM wParam, LPARAM lParam,
                                       DeliveryCancel& cancel) {
    return delivery::Send(this, &DispatchTo, message, wParam, lParam, &cancel);
}

void Dialog::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    delivery::Post(this, &DispatchTo, message, wParam, lParam);
    BackendWakeUiThread();
}

void RegisterUiThread(bool on) {
    delivery::RegisterUiThread(on, &BackendWakeUiThread);
}

bool NotificationsSuppressed() {
    return g_suppressDepth > 0;
}
SuppressNotifications::SuppressNotifications() {
    ++g_suppressDepth;
}
SuppressNotifications::~SuppressNotifications() {
    --g_suppressDepth;
}

} // namespace ui
