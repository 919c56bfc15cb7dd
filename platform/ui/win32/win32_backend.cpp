// Builds native dialogs from the templates and implements the backend contract on them: the frame
// and font come from an in-memory DLGTEMPLATEEX, each control is a child window created in dialog
// units of that font, and notifications travel as WM_COMMAND and WM_NOTIFY to the dialog
// procedure, which hands them to the dialog's handler table.
#include "platform/ui/win32/win32_backend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ui::win32 {

namespace {

const wchar_t kRootProp[] = L"KestrelonDialog";

Rect ToRect(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

// The in-memory template of the dialog frame: no items, the caption and the font only.
class TemplateWriter {
public:
    void Word(WORD w) { m_words.push_back(w); }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void String(const std::wstring& s) {
        for (wchar_t c : s) {
            Word(static_cast<WORD>(c));
        }
        Word(0);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    std::vector<WORD> m_words;
};

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* b = reinterpret_cast<Win32DialogBackend*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        ::SetPropW(hwnd, kRootProp, reinterpret_cast<HANDLE>(b));
        return FALSE; // the controls do not exist yet; the focus is placed when shown
    }
    auto* b = reinterpret_cast<Win32DialogBackend*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    return b ? b->HandleMessage(message, wParam, lParam) : FALSE;
}

bool IsButtonKind(ControlKind k) {
    return k == ControlKind::PushButton || k == ControlKind::DefPushButton ||
           k == ControlKind::RadioButton || k == ControlKind::CheckBox;
}

bool IsCombo(ControlKind k) {
    return k == ControlKind::ComboDropDown || k == ControlKind::ComboDropList;
}

std::string WindowTextOf(HWND hwnd) {
    if (!hwnd) {
        return std::string();
    }
    const int n = ::GetWindowTextLengthW(hwnd);
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, &buf[0], n + 1);
    return Utf8(buf.data(), std::max(0, got));
}

// The annotation service (CLSID_CAccPropServices, which mingw-w64 declares but no library of it
// defines).
const CLSID kAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};

IAccPropServices* AnnotationService() {
    IAccPropServices* services = nullptr;
    if (FAILED(::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
        return nullptr;
    }
    return services;
}

// Names a window for assistive technology through the system's dynamic annotation, which its
// accessibility proxies read before their own rules. False where the service is missing.
bool AnnotateAccessibleName(HWND hwnd, const std::wstring& name) {
    IAccPropServices* services = AnnotationService();
    if (!services) {
        return false;
    }
    const bool ok = SUCCEEDED(services->SetHwndPropStr(
        hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, name.c_str()));
    services->Release();
    return ok;
}

void ClearAccessibleNames(const std::vector<HWND>& windows) {
    IAccPropServices* services = windows.empty() ? nullptr : AnnotationService();
    if (!services) {
        return;
    }
    MSAAPROPID name = PROPID_ACC_NAME;
    for (HWND hwnd : windows) {
        services->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
    }
    services->Release();
}

// Lone CR or LF become CR LF: a multi-line edit shows only CR LF as a line break.
std::wstring EditLines(const std::string& text) {
    return DisplayText(text);
}

// The DPI of the screen the window is on (Windows 10 and later tell it per window; before, all
// screens share the system's).
int WindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        if (const UINT dpi = getDpiForWindow(hwnd)) {
            return static_cast<int>(dpi);
        }
    }
    HDC dc = ::GetDC(hwnd);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(hwnd, dc);
    return dpi > 0 ? dpi : 96;
}

// The display area of a tab control (below its row of tabs, inside its frame), in its client
// coordinates. The control's own answer keeps a margin of an edge's width inside the frame on
// the sides and at the bottom; the pages take that margin too, as they always reached to the
// frame's line.
RECT DisplayRectOf(HWND tab) {
    RECT r{};
    ::GetClientRect(tab, &r);
    ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    const int edge = ::GetSystemMetrics(SM_CXEDGE);
    r.left -= edge;
    r.right += edge;
    r.bottom += edge;
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool SameFont(const DialogTemplate& a, const DialogTemplate& b) {
    return a.pointSize == b.pointSize &&
           _stricmp(a.fontFace ? a.fontFace : "", b.fontFace ? b.fontFace : "") == 0;
}

} // namespace

Win32DialogBackend* BackendOfRoot(HWND hwnd) {
    return hwnd ? static_cast<Win32DialogBackend*>(::GetPropW(hwnd, kRootProp)) : nullptr;
}

// --- Win32DialogBackend -------------------------------------------------------------------------

Win32DialogBackend::Win32DialogBackend(Dialog& dlg) : m_dlg(dlg) {}

Win32DialogBackend::~Win32DialogBackend() {
    // Windows going away move the focus and send notifications; no handler may see them.
    SuppressNotifications quiet;
    if (m_root) {
        ClearAccessibleNames(m_annotated);
        if (m_disabledOwner) {
            ::EnableWindow(m_disabledOwner, TRUE);
            m_disabledOwner = nullptr;
        }
        ::DestroyWindow(m_root); // its WM_NCDESTROY forgets every window handle
    }
    for (HFONT f : m_fonts) {
        ::DeleteObject(f);
    }
    for (HICON& icon : m_icons) {
        if (icon) {
            ::DestroyIcon(icon);
        }
    }
}

void Win32DialogBackend::Build(Dialog* parent, int hostId) {
    m_building = true;
    const DialogTemplate& tpl = m_dlg.Template();
    HWND parentWindow = nullptr;
    if (parent) {
        m_page = true;
        auto* pb = static_cast<Win32DialogBackend*>(parent->Backend());
        if (pb) {
            const Control* host = pb->Find(hostId);
            parentWindow = host && host->kind == ControlKind::Tab ? host->hwnd : pb->Root();
        }
    } else if (Dialog* o = m_dlg.GetParentDialog(); o && o->Backend()) {
        HWND ownerRoot = static_cast<Win32DialogBackend*>(o->Backend())->Root();
        parentWindow = ownerRoot ? ::GetAncestor(ownerRoot, GA_ROOT) : nullptr;
    }

    DWORD style = DS_SETFONT | DS_3DLOOK;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (m_page) {
        style |= WS_CHILD | DS_CONTROL | WS_CLIPSIBLINGS;
    } else {
        style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        if (tpl.systemMenu) {
            style |= WS_SYSMENU;
        }
        if (tpl.minimizeBox) {
            style |= WS_MINIMIZEBOX;
        }
        exStyle |= WS_EX_DLGMODALFRAME;
    }
    TemplateWriter w;
    w.Word(1);      // dlgVer
    w.Word(0xFFFF); // signature: DLGTEMPLATEEX
    w.Dword(0);     // helpID
    w.Dword(exStyle);
    w.Dword(style);
    w.Word(0); // no items: the controls are created below
    w.Word(0); // x, y, cx, cy
    w.Word(0);
    w.Word(static_cast<WORD>(tpl.cx));
    w.Word(static_cast<WORD>(tpl.cy));
    w.Word(0); // no menu
    w.Word(0); // the dialog class
    w.String(m_page ? std::wstring() : Wide(tpl.caption ? tpl.caption : ""));
    w.Word(static_cast<WORD>(tpl.pointSize > 0 ? tpl.pointSize : 9));
    w.Word(FW_NORMAL);
    w.Word(MAKEWORD(FALSE, DEFAULT_CHARSET)); // italic, charset
    w.String(Wide(tpl.fontFace && *tpl.fontFace ? tpl.fontFace : "MS Shell Dlg"));

    m_root = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), w.Get(), parentWindow,
                                          DialogProc, reinterpret_cast<LPARAM>(this));
    if (!m_root) {
        m_building = false;
        return;
    }
    m_dpi = WindowDpi(m_root);
    RECT units{0, 0, 4, 8};
    ::MapDialogRect(m_root, &units);
    m_baseX = std::max<int>(1, units.right);
    m_baseY = std::max<int>(1, units.bottom);
    {
        HDC dc = ::GetDC(m_root);
        HGDIOBJ old =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_root, WM_GETFONT, 0, 0)));
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        ::SelectObject(dc, old);
        ::ReleaseDC(m_root, dc);
        m_fontHeight = std::max<int>(1, tm.tmHeight);
    }
    if (parent && parentWindow && !SameFont(tpl, parent->Template())) {
        const Control* host = static_cast<Win32DialogBackend*>(parent->Backend())->Find(hostId);
        if (host && host->kind == ControlKind::Tab) {
            FitFontTo(DisplayRectOf(host->hwnd));
        }
    }

    m_controls.reserve(tpl.count);
    for (size_t i = 0; i < tpl.count; ++i) {
        BuildControl(tpl.controls[i]);
    }
    FitWideLabels();
    // The system names an edit or a combo box after the static before it, as in any dialog; a
    // name in the template replaces that, for one without such a label.
    for (size_t i = 0; i < tpl.count && i < m_controls.size(); ++i) {
        const Control& c = m_controls[i];
        if (tpl.controls[i].name && c.hwnd && (c.kind == ControlKind::Edit || IsCombo(c.kind)) &&
            AnnotateAccessibleName(c.hwnd, Wide(tpl.controls[i].name))) {
            m_annotated.push_back(c.hwnd);
        }
    }
    if (m_page) {
        ::ShowWindow(m_root, SW_SHOWNA);
    }
    m_building = false;
}

void Win32DialogBackend::BuildControl(const ControlTemplate& c) {
    const std::string caption = c.caption ? c.caption : "";
    int x = DluX(c.x), y = DluY(c.y), cx = DluX(c.cx), cy = DluY(c.cy);
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    const wchar_t* cls = WC_STATICW;
    std::wstring text = DisplayText(caption);
    Control ctl{c.id, c.kind, c.style, nullptr, caption, 0, Image()};
    const bool oneLine = cy < 2 * m_fontHeight;

    switch (c.kind) {
    case ControlKind::PushButton:
        cls = WC_BUTTONW;
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case ControlKind::DefPushButton:
        cls = WC_BUTTONW;
        style |= BS_DEFPUSHBUTTON | WS_TABSTOP;
        break;
    case ControlKind::RadioButton:
        cls = WC_BUTTONW;
        style |= BS_AUTORADIOBUTTON | WS_TABSTOP;
        break;
    case ControlKind::CheckBox:
        cls = WC_BUTTONW;
        style |= BS_AUTOCHECKBOX | WS_TABSTOP;
        break;
    case ControlKind::GroupBox:
        cls = WC_BUTTONW;
        style |= BS_GROUPBOX;
        break;
    case ControlKind::Static:
        if (c.style & kCenter) {
            style |= SS_CENTER;
        } else if (c.style & kRight) {
            style |= SS_RIGHT;
        } else if ((c.style & kNoWrap) || oneLine) {
            // Only one line fits: a long text is cut at the right edge instead of wrapping onto
            // a line nobody sees.
            style |= SS_LEFTNOWORDWRAP;
        } else {
            style |= SS_LEFT;
        }
        if (c.style & kNotify) {
            style |= SS_NOTIFY;
        }
        if (c.style & kBorder) {
            style |= SS_SUNKEN;
        }
        break;
    case ControlKind::Icon:
    case ControlKind::Bitmap:
        // Drawn by the dialog from our RGBA image, scaled into the rectangle.
        style |= SS_OWNERDRAW;
        if (c.style & kNotify) {
            style |= SS_NOTIFY;
        }
        if (c.style & kBorder) {
            style |= SS_SUNKEN;
        }
        ctl.imageId = std::atoi(caption.c_str());
        ctl.image = TemplateImage(ctl.imageId);
        // An owner-drawn static never shows its text; the system's accessibility proxy reads it
        // as the control's name.
        text = c.name ? Wide(c.name) : std::wstring();
        break;
    case ControlKind::Edit:
        cls = WC_EDITW;
        exStyle |= WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP;
        if (c.style & kCenter) {
            style |= ES_CENTER;
        } else if (c.style & kRight) {
            style |= ES_RIGHT;
        }
        if (c.style & kReadOnly) {
            style |= ES_READONLY;
        }
        if (c.style & kMultiline) {
            // Enter in a multi-line edit starts a new line.
            style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
            if (c.style & kVScroll) {
                style |= WS_VSCROLL;
            }
            if (c.style & kHScroll) {
                style |= WS_HSCROLL | ES_AUTOHSCROLL;
            }
            text = EditLines(caption);
        } else {
            style |= ES_AUTOHSCROLL;
            text = Wide(caption);
        }
        break;
    case ControlKind::ComboDropDown:
    case ControlKind::ComboDropList:
        // The template height is the open list's; the closed box takes its height from the font.
        cls = WC_COMBOBOXW;
        style |= WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL |
                 (c.kind == ControlKind::ComboDropDown ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
        text.clear();
        break;
    case ControlKind::Tab:
        // Pages become children of the tab control and are placed by the dialog's code.
        cls = WC_TABCONTROLW;
        style |= WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        text.clear();
        break;
    }
    if (c.style & kGroup) {
        style |= WS_GROUP;
    }
    if (c.style & kDisabled) {
        style |= WS_DISABLED;
    }
    if (!(c.style & kHidden)) {
        style |= WS_VISIBLE;
    }
    if (c.kind == ControlKind::Static && !(c.style & kBorder) && oneLine && !text.empty()) {
        // A one-line label without a frame gets the width its caption needs: where the template's
        // face is missing, its substitute may be wider than the font the layout was drawn with,
        // and a label cut short ("Statu") reads worse than one that reaches a little further.
        const int needed = TextWidth(text) + 2;
        if (needed > cx) {
            const int extra = needed - cx;
            if (c.style & kCenter) {
                x -= extra / 2;
                cx = needed;
            } else if (c.style & kRight) {
                x -= extra;
                cx = needed;
            } else {
                ctl.wide = true; // reaches no further than the next control (FitWideLabels)
            }
        }
    }
    const auto menuId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(static_cast<WORD>(c.id)));
    ctl.hwnd = ::CreateWindowExW(exStyle, cls, text.c_str(), style, x, y, cx, cy, m_root, menuId,
                                 ::GetModuleHandleW(nullptr), nullptr);
    if (ctl.hwnd) {
        ::SendMessageW(ctl.hwnd, WM_SETFONT, ::SendMessageW(m_root, WM_GETFONT, 0, 0), FALSE);
        if (IsCombo(c.kind)) {
            // The font changes the closed height; keep the open list's height as drawn.
            ::SetWindowPos(ctl.hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    m_controls.push_back(std::move(ctl));
}

// Scales the page's font so that its template fills area as far as whole base units allow: of
// the pixel heights with the largest base units that fit, the smallest, which leaves texts the
// most room in the grid. The dialog units and every font the page's code sets follow.
void Win32DialogBackend::FitFontTo(const RECT& area) {
    const DialogTemplate& tpl = m_dlg.Template();
    LOGFONTW lf{};
    HFONT current = reinterpret_cast<HFONT>(::SendMessageW(m_root, WM_GETFONT, 0, 0));
    if (!current || ::GetObjectW(current, sizeof lf, &lf) != sizeof lf || lf.lfHeight == 0) {
        return;
    }
    const int templatePx = std::abs(lf.lfHeight);
    HDC dc = ::GetDC(m_root);
    int bestPx = 0, bestX = 0, bestY = 0, bestHeight = 0;
    for (int px = 2 * templatePx; px >= std::max(1, templatePx / 2); --px) {
        lf.lfHeight = lf.lfHeight < 0 ? -px : px;
        HFONT f = ::CreateFontIndirectW(&lf);
        HGDIOBJ old = ::SelectObject(dc, f);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        SIZE letters{};
        ::GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52,
                                &letters);
        ::SelectObject(dc, old);
        ::DeleteObject(f);
        const int baseX = std::max<int>(1, (letters.cx / 26 + 1) / 2);
        const int baseY = std::max<int>(1, tm.tmHeight);
        if (::MulDiv(tpl.cx, baseX, 4) > area.right - area.left ||
            ::MulDiv(tpl.cy, baseY, 8) > area.bottom - area.top) {
            continue;
        }
        if (bestPx && (baseX != bestX || baseY != bestY)) {
            break;
        }
        bestPx = px;
        bestX = baseX;
        bestY = baseY;
        bestHeight = tm.tmHeight;
    }
    ::ReleaseDC(m_root, dc);
    if (!bestPx || bestPx == templatePx) {
        return;
    }
    lf.lfHeight = lf.lfHeight < 0 ? -bestPx : bestPx;
    if (HFONT fitted = ::CreateFontIndirectW(&lf)) {
        m_fonts.push_back(fitted);
        ::SendMessageW(m_root, WM_SETFONT, reinterpret_cast<WPARAM>(fitted), FALSE);
        m_baseX = bestX;
        m_baseY = bestY;
        m_fontHeight = std::max(1, bestHeight);
        m_fontScale = static_cast<double>(bestPx) / templatePx;
    }
}

// A left-aligned label whose caption is wider than its template rectangle takes the free room to
// its right: up to the next control on its line, the inside of a group box around it, or the
// window's edge. Where even that is too narrow, it gets a narrower cut of its font rather than
// the caption being cut or running under the next control.
void Win32DialogBackend::FitWideLabels() {
    RECT client{};
    ::GetClientRect(m_root, &client);
    auto rectOf = [this](HWND w) {
        RECT r{};
        ::GetWindowRect(w, &r);
        ::MapWindowPoints(nullptr, m_root, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    for (Control& label : m_controls) {
        if (!label.wide || !label.hwnd) {
            continue;
        }
        const RECT own = rectOf(label.hwnd);
        LONG limit = client.right;
        for (const Control& other : m_controls) {
            if (&other == &label || !other.hwnd) {
                continue;
            }
            const RECT r = rectOf(other.hwnd);
            if (other.kind == ControlKind::GroupBox && r.left <= own.left && r.top <= own.top &&
                r.right >= own.right && r.bottom >= own.bottom) {
                limit = std::min(limit, r.right - 2); // inside the frame's line
            } else if (r.top < own.bottom && own.top < r.bottom && r.left >= own.right) {
                limit = std::min(limit, r.left);
            }
        }
        const std::wstring text = DisplayText(label.text);
        const int advance = TextWidth(text);
        const int width =
            std::max<int>(own.right - own.left, std::min<int>(advance + 2, limit - own.left));
        ::SetWindowPos(label.hwnd, nullptr, own.left, own.top, width, own.bottom - own.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        if (advance <= width) {
            continue;
        }
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_root, WM_GETFONT, 0, 0));
        LOGFONTW lf{};
        if (!font || ::GetObjectW(font, sizeof lf, &lf) != sizeof lf) {
            continue;
        }
        HDC dc = ::GetDC(m_root);
        HGDIOBJ old = ::SelectObject(dc, font);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        ::SelectObject(dc, old);
        ::ReleaseDC(m_root, dc);
        lf.lfWidth = std::max<LONG>(1, ::MulDiv(tm.tmAveCharWidth, width, advance));
        if (HFONT narrow = ::CreateFontIndirectW(&lf)) {
            m_fonts.push_back(narrow);
            ::SendMessageW(label.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(narrow), FALSE);
        }
    }
}

int Win32DialogBackend::TextWidth(const std::wstring& text) const {
    HDC dc = ::GetDC(m_root);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_root, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_root, dc);
    return size.cx;
}

const Win32DialogBackend::Control* Win32DialogBackend::Find(int id) const {
    if (id == IDC_STATIC) {
        return nullptr;
    }
    for (const Control& c : m_controls) {
        if (c.id == id) {
            return c.hwnd ? &c : nullptr;
        }
    }
    return nullptr;
}

Win32DialogBackend::Control* Win32DialogBackend::Find(int id) {
    return const_cast<Control*>(static_cast<const Win32DialogBackend*>(this)->Find(id));
}

const Win32DialogBackend::Control* Win32DialogBackend::FindByWindow(HWND hwnd) const {
    if (!hwnd) {
        return nullptr;
    }
    for (const Control& c : m_controls) {
        if (c.hwnd == hwnd) {
            return &c;
        }
    }
    return nullptr;
}

HWND Win32DialogBackend::ControlWindow(int id) const {
    const Control* c = Find(id);
    return c ? c->hwnd : nullptr;
}

ControlKind Win32DialogBackend::KindOf(int id) const {
    const Control* c = Find(id);
    return c ? c->kind : ControlKind::PushButton;
}

HWND Win32DialogBackend::TopLevel() const {
    return m_root ? ::GetAncestor(m_root, GA_ROOT) : nullptr;
}

void Win32DialogBackend::Notify(int id, ui::Notify notify) {
    if (!m_building) {
        m_dlg.OnBackendNotify(id, notify);
    }
}

void Win32DialogBackend::Clicked(int id) {
    Notify(id, ui::Notify::Clicked);
}

void Win32DialogBackend::WindowGone() {
    ::RemovePropW(m_root, kRootProp);
    m_root = nullptr;
    m_annotated.clear();
    for (Control& c : m_controls) {
        c.hwnd = nullptr;
    }
    m_endRequested = true;
}

INT_PTR Win32DialogBackend::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const auto code = HIWORD(wParam);
        const Control* c = FindByWindow(reinterpret_cast<HWND>(lParam));
        if (!c) {
            // The dialog manager's Enter and Escape without a button of that id.
            const int id = LOWORD(wParam);
            if (lParam == 0 && (id == IDOK || id == IDCANCEL)) {
                Clicked(id);
                return TRUE;
            }
            return FALSE;
        }
        const int id = c->id;
        switch (c->kind) {
        case ControlKind::Edit:
            if (code == EN_CHANGE && m_settingText == 0) {
                Notify(id, ui::Notify::EditChange);
            } else if (code == EN_KILLFOCUS) {
                Notify(id, ui::Notify::KillFocus);
            }
            break;
        case ControlKind::ComboDropDown:
        case ControlKind::ComboDropList:
            if (code == CBN_SELCHANGE) {
                Notify(id, ui::Notify::SelChange);
            } else if (code == CBN_SELENDOK) {
                Notify(id, ui::Notify::SelEndOk);
            } else if (code == CBN_EDITCHANGE && m_settingText == 0) {
                Notify(id, ui::Notify::EditChange);
            } else if (code == CBN_KILLFOCUS) {
                Notify(id, ui::Notify::KillFocus);
            }
            break;
        case ControlKind::Static:
        case ControlKind::Icon:
        case ControlKind::Bitmap:
            if (code == STN_CLICKED && (c->style & kNotify)) {
                Clicked(id);
            }
            break;
        default:
            if (IsButtonKind(c->kind) && code == BN_CLICKED) {
                Clicked(id);
            }
            break;
        }
        return TRUE;
    }
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        const Control* c = hdr ? FindByWindow(hdr->hwndFrom) : nullptr;
        if (c && c->kind == ControlKind::Tab && hdr->code == static_cast<UINT>(TCN_SELCHANGE)) {
            Notify(c->id, ui::Notify::SelChange);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_STATIC) {
            DrawImage(*item);
            return TRUE;
        }
        return FALSE;
    }
    case WM_TIMER:
        if (!NotificationsSuppressed()) {
            m_dlg.OnBackendTimer(static_cast<int>(wParam));
        }
        return TRUE;
    case WM_SYSCOMMAND: {
        const UINT command = static_cast<UINT>(wParam & 0xFFF0);
        for (const auto& item : m_systemMenu) {
            if (!item.second.empty() && item.first == command) {
                m_dlg.Dispatch(WM_SYSCOMMAND, item.first, lParam);
                ::SetWindowLongPtrW(m_root, DWLP_MSGRESULT, 0);
                return TRUE;
            }
        }
        return FALSE;
    }
    case WM_DPICHANGED:
        if (!m_page) {
            RescaleForDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            ::SetWindowLongPtrW(m_root, DWLP_MSGRESULT, 0);
            return TRUE; // handled: the dialog manager's own scaling would skip the pages
        }
        return FALSE;
    case WM_NCDESTROY:
        WindowGone();
        return FALSE;
    default:
        return FALSE;
    }
}

void Win32DialogBackend::DrawImage(const DRAWITEMSTRUCT& item) const {
    const Control* c = FindByWindow(item.hwndItem);
    const RECT& r = item.rcItem;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) {
        return;
    }
    const COLORREF bg = ::GetSysColor(COLOR_3DFACE);
    if (!c || c->image.IsNull()) {
        HBRUSH brush = ::CreateSolidBrush(bg);
        ::FillRect(item.hDC, &r, brush);
        ::DeleteObject(brush);
        return;
    }
    const std::vector<std::uint32_t> pixels = ComposeImage(c->image, w, h, bg);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(item.hDC, r.left, r.top, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0,
                        0, static_cast<UINT>(h), pixels.data(), &bi, DIB_RGB_COLORS);
}

void Win32DialogBackend::RunModal() {
    if (!m_root || m_endRequested) {
        return;
    }
    // A modal dialog disables its owner while it runs, as DoModal does.
    HWND owner = ::GetWindow(m_root, GW_OWNER);
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        m_disabledOwner = owner;
    }
    while (!m_endRequested && m_root) {
        MSG msg;
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam)); // for the outer loop
            break;
        }
        if (got < 0) {
            break;
        }
        RouteMessage(msg);
    }
    if (m_disabledOwner) {
        ::EnableWindow(m_disabledOwner, TRUE);
        m_disabledOwner = nullptr;
    }
}

void Win32DialogBackend::EndModal() {
    m_endRequested = true;
    if (!m_root || m_page) {
        return;
    }
    // The owner comes back before this window hides, so the activation returns to it.
    if (m_disabledOwner) {
        ::EnableWindow(m_disabledOwner, TRUE);
        m_disabledOwner = nullptr;
    }
    ::ShowWindow(m_root, SW_HIDE);
    ::PostMessageW(m_root, WM_NULL, 0, 0); // wakes the modal loop
}

// --- Control access -----------------------------------------------------------------------------

void Win32DialogBackend::SetText(int id, const std::string& text) {
    Control* c = Find(id);
    if (!c) {
        return;
    }
    c->text = text;
    ++m_settingText;
    switch (c->kind) {
    case ControlKind::Edit:
        ::SetWindowTextW(c->hwnd,
                         (c->style & kMultiline) ? EditLines(text).c_str() : Wide(text).c_str());
        break;
    case ControlKind::ComboDropDown:
        ::SetWindowTextW(c->hwnd, Wide(text).c_str());
        break;
    case ControlKind::ComboDropList: {
        const LRESULT i = ::SendMessageW(c->hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(Wide(text).c_str()));
        if (i != CB_ERR) {
            ::SendMessageW(c->hwnd, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        }
        break;
    }
    case ControlKind::Icon:
    case ControlKind::Bitmap:
    case ControlKind::Tab:
        break;
    default:
        ::SetWindowTextW(c->hwnd, DisplayText(text).c_str());
        break;
    }
    --m_settingText;
}

void Win32DialogBackend::AppendText(int id, const std::string& text) {
    Control* c = Find(id);
    if (!c || c->kind != ControlKind::Edit || !(c->style & kMultiline) || text.empty()) {
        return;
    }
    ++m_settingText;
    const int length = ::GetWindowTextLengthW(c->hwnd);
    ::SendMessageW(c->hwnd, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    ::SendMessageW(c->hwnd, EM_REPLACESEL, FALSE,
                   reinterpret_cast<LPARAM>(EditLines(text).c_str()));
    // The oldest lines go once there are more than the limit (the last line is the empty one
    // after the final line break).
    const int lines = static_cast<int>(::SendMessageW(c->hwnd, EM_GETLINECOUNT, 0, 0));
    if (c->lineLimit > 0 && lines - 1 > c->lineLimit) {
        const LRESULT cut = ::SendMessageW(c->hwnd, EM_LINEINDEX, lines - 1 - c->lineLimit, 0);
        ::SendMessageW(c->hwnd, EM_SETSEL, 0, cut);
        ::SendMessageW(c->hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    const int end = ::GetWindowTextLengthW(c->hwnd);
    ::SendMessageW(c->hwnd, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    ::SendMessageW(c->hwnd, EM_SCROLLCARET, 0, 0);
    --m_settingText;
}

void Win32DialogBackend::SetLineLimit(int id, int maxLines) {
    if (Control* c = Find(id)) {
        c->lineLimit = maxLines;
        // The edit's own text limit (32 KB by default) would stop the lines long before.
        ::SendMessageW(c->hwnd, EM_SETLIMITTEXT, 0, 0);
    }
}

std::string Win32DialogBackend::GetText(int id) const {
    const Control* c = Find(id);
    if (!c) {
        return std::string();
    }
    if (c->kind == ControlKind::Edit || IsCombo(c->kind)) {
        // A multi-line edit keeps its lines separated by CR LF, as the member expects them.
        return WindowTextOf(c->hwnd);
    }
    return c->text;
}

void Win32DialogBackend::Enable(int id, bool enable) {
    if (Control* c = Find(id)) {
        ::EnableWindow(c->hwnd, enable ? TRUE : FALSE);
    }
}

bool Win32DialogBackend::IsEnabled(int id) const {
    const Control* c = Find(id);
    return c && ::IsWindowEnabled(c->hwnd);
}

void Win32DialogBackend::Show(int id, bool show) {
    if (Control* c = Find(id)) {
        ::ShowWindow(c->hwnd, show ? SW_SHOWNA : SW_HIDE);
    }
}

bool Win32DialogBackend::IsVisible(int id) const {
    const Control* c = Find(id);
    return c && (::GetWindowLongW(c->hwnd, GWL_STYLE) & WS_VISIBLE);
}

void Win32DialogBackend::SetChecked(int id, bool checked) {
    Control* c = Find(id);
    if (c && IsButtonKind(c->kind)) {
        ::SendMessageW(c->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool Win32DialogBackend::IsChecked(int id) const {
    const Control* c = Find(id);
    return c && IsButtonKind(c->kind) && ::SendMessageW(c->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogBackend::SetImage(int id, const Image& image) {
    Control* c = Find(id);
    if (!c) {
        return;
    }
    c->imageId = image.IsNull() ? 0 : image.resourceId;
    if (c->kind == ControlKind::Icon || c->kind == ControlKind::Bitmap) {
        c->image = image;
        ::InvalidateRect(c->hwnd, nullptr, FALSE);
    }
}

int Win32DialogBackend::ImageId(int id) const {
    const Control* c = Find(id);
    return c ? c->imageId : 0;
}

void Win32DialogBackend::SetFont(int id, const std::string& face, int pointSize) {
    Control* c = Find(id);
    if (!c) {
        return;
    }
    // A page fitted to its tab control scales the fonts its code names with its own.
    const int height = -static_cast<int>(
        std::lround(::MulDiv(pointSize > 0 ? pointSize : 9, m_dpi, 72) * m_fontScale));
    const bool fixed = _stricmp(face.c_str(), "Courier New") == 0;
    HFONT font = ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               fixed ? (FIXED_PITCH | FF_MODERN) : (DEFAULT_PITCH | FF_SWISS),
                               Wide(face).c_str());
    if (font) {
        m_fonts.push_back(font);
        ::SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void Win32DialogBackend::SetFocus(int id) {
    if (Control* c = Find(id)) {
        ::SetFocus(c->hwnd);
    }
}

int Win32DialogBackend::FocusId() const {
    HWND focus = ::GetFocus();
    if (!m_root || !focus) {
        return -2;
    }
    // Climb to the control that is a direct child of this dialog; a page on the way means the
    // focus belongs to that page, not to this dialog.
    for (HWND w = focus; w && w != m_root; w = ::GetParent(w)) {
        if (BackendOfRoot(w)) {
            return -2;
        }
        if (::GetParent(w) == m_root) {
            const Control* c = FindByWindow(w);
            return c ? c->id : -2;
        }
    }
    return -2;
}

bool Win32DialogBackend::Has(int id) const {
    return Find(id) != nullptr;
}

Rect Win32DialogBackend::ItemRect(int id) const {
    const Control* c = Find(id);
    if (!c) {
        return Rect{};
    }
    RECT r{};
    ::GetWindowRect(c->hwnd, &r);
    ::MapWindowPoints(nullptr, m_root, reinterpret_cast<POINT*>(&r), 2);
    return ToRect(r);
}

void Win32DialogBackend::FocusKey(const Msg& msg) {
    HWND target = ::GetFocus();
    if (!m_root || msg.message != WM_KEYDOWN || !target ||
        ::GetAncestor(target, GA_ROOT) != TopLevel()) {
        return;
    }
    // The key goes to the focused control alone: its key press and the character it stands for,
    // sent directly, so no dialog sees it again on the way.
    const UINT vk = static_cast<UINT>(msg.wParam);
    LPARAM lp = msg.lParam;
    if (lp == 0) {
        lp = 1 | (static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
    }
    ::SendMessageW(target, WM_KEYDOWN, msg.wParam, lp);
    wchar_t ch = 0;
    if (vk == VK_RETURN) {
        ch = L'\r';
    } else if (vk == VK_ESCAPE) {
        ch = 0x1b;
    } else if (vk == VK_BACK) {
        ch = 0x08;
    } else if (vk == VK_TAB) {
        ch = L'\t';
    } else {
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        wchar_t buf[4] = {};
        if (::ToUnicode(vk, static_cast<UINT>((lp >> 16) & 0xFF), state, buf, 4, 0) == 1) {
            ch = buf[0];
        }
    }
    if (ch && ::IsWindow(target)) {
        ::SendMessageW(target, WM_CHAR, ch, lp);
    }
}

// --- Combo boxes --------------------------------------------------------------------------------

void Win32DialogBackend::ComboReset(int id) {
    Control* c = Find(id);
    if (c && IsCombo(c->kind)) {
        ::SendMessageW(c->hwnd, CB_RESETCONTENT, 0, 0);
    }
}

int Win32DialogBackend::ComboAdd(int id, const std::string& text) {
    Control* c = Find(id);
    if (!c || !IsCombo(c->kind)) {
        return -1;
    }
    const LRESULT i =
        ::SendMessageW(c->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    return i < 0 ? -1 : static_cast<int>(i);
}

int Win32DialogBackend::ComboCount(int id) const {
    const Control* c = Find(id);
    return c && IsCombo(c->kind) ? static_cast<int>(::SendMessageW(c->hwnd, CB_GETCOUNT, 0, 0)) : 0;
}

int Win32DialogBackend::ComboCurSel(int id) const {
    const Control* c = Find(id);
    return c && IsCombo(c->kind) ? static_cast<int>(::SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0))
                                 : -1;
}

void Win32DialogBackend::ComboSetCurSel(int id, int index) {
    Control* c = Find(id);
    // An index past the list leaves the selection as it is (the control itself would clear it).
    if (!c || !IsCombo(c->kind) || index < -1 || index >= ComboCount(id)) {
        return;
    }
    ++m_settingText;
    ::SendMessageW(c->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    --m_settingText;
}

std::string Win32DialogBackend::ComboText(int id, int index) const {
    const Control* c = Find(id);
    if (!c || !IsCombo(c->kind) || index < 0 || index >= ComboCount(id)) {
        return std::string();
    }
    const LRESULT n = ::SendMessageW(c->hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n < 0) {
        return std::string();
    }
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    const LRESULT got = ::SendMessageW(c->hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(&buf[0]));
    return Utf8(buf.data(), got < 0 ? 0 : static_cast<int>(got));
}

// --- Tab controls -------------------------------------------------------------------------------

void Win32DialogBackend::TabInsert(int id, int index, const std::string& text) {
    Control* c = Find(id);
    if (!c || c->kind != ControlKind::Tab) {
        return;
    }
    std::wstring w = Wide(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = &w[0];
    ::SendMessageW(c->hwnd, TCM_INSERTITEMW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&item));
}

int Win32DialogBackend::TabCount(int id) const {
    const Control* c = Find(id);
    return c && c->kind == ControlKind::Tab
               ? static_cast<int>(::SendMessageW(c->hwnd, TCM_GETITEMCOUNT, 0, 0))
               : 0;
}

std::string Win32DialogBackend::TabText(int id, int index) const {
    const Control* c = Find(id);
    if (!c || c->kind != ControlKind::Tab || index < 0 || index >= TabCount(id)) {
        return std::string();
    }
    wchar_t buf[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 255;
    ::SendMessageW(c->hwnd, TCM_GETITEMW, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&item));
    return Utf8(std::wstring(item.pszText ? item.pszText : L""));
}

int Win32DialogBackend::TabCurSel(int id) const {
    const Control* c = Find(id);
    return c && c->kind == ControlKind::Tab
               ? static_cast<int>(::SendMessageW(c->hwnd, TCM_GETCURSEL, 0, 0))
               : -1;
}

void Win32DialogBackend::TabSetCurSel(int id, int index) {
    Control* c = Find(id);
    if (c && c->kind == ControlKind::Tab && index >= 0 && index < TabCount(id)) {
        ::SendMessageW(c->hwnd, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

Rect Win32DialogBackend::TabClientRect(int id) const {
    const Control* c = Find(id);
    if (!c || c->kind != ControlKind::Tab) {
        return Rect{};
    }
    RECT r{};
    ::GetClientRect(c->hwnd, &r);
    return ToRect(r);
}

Rect Win32DialogBackend::TabDisplayRect(int id) const {
    const Control* c = Find(id);
    return c && c->kind == ControlKind::Tab ? ToRect(DisplayRectOf(c->hwnd)) : Rect{};
}

// --- The window ---------------------------------------------------------------------------------

void Win32DialogBackend::ShowWindow(bool show) {
    if (!m_root) {
        return;
    }
    if (m_page) {
        ::ShowWindow(m_root, show ? SW_SHOWNA : SW_HIDE);
        return;
    }
    ::ShowWindow(m_root, show ? SW_SHOW : SW_HIDE);
    if (show) {
        ::SetForegroundWindow(m_root);
        HWND focus = ::GetFocus();
        if (!focus || ::GetAncestor(focus, GA_ROOT) != m_root) {
            // The first control with a tab stop takes the focus, as in a new dialog.
            if (HWND first = ::GetNextDlgTabItem(m_root, nullptr, FALSE)) {
                ::SetFocus(first);
            }
        }
    }
}

bool Win32DialogBackend::IsWindowVisible() const {
    if (!m_root) {
        return false;
    }
    if (!m_page) {
        return ::IsWindowVisible(m_root) != FALSE;
    }
    // A page counts as shown when it and its parents up to the dialog are, shown or not the
    // dialog itself.
    const HWND top = TopLevel();
    for (HWND w = m_root; w && w != top; w = ::GetParent(w)) {
        if (!(::GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE)) {
            return false;
        }
    }
    return true;
}

void Win32DialogBackend::MoveWindow(const Rect& r) {
    if (m_root) {
        ::MoveWindow(m_root, r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()), TRUE);
    }
}

Rect Win32DialogBackend::ClientRect() const {
    RECT r{};
    if (m_root) {
        ::GetClientRect(m_root, &r);
    }
    return ToRect(r);
}

Rect Win32DialogBackend::WindowRect() const {
    if (!m_root) {
        return Rect{};
    }
    RECT r{};
    ::GetWindowRect(m_root, &r);
    if (m_page) {
        ::MapWindowPoints(nullptr, ::GetParent(m_root), reinterpret_cast<POINT*>(&r), 2);
    }
    return ToRect(r);
}

void Win32DialogBackend::MoveFrameTo(int x, int y) {
    if (m_root && !m_page) {
        ::SetWindowPos(m_root, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

Rect Win32DialogBackend::WorkArea() const {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = ::MonitorFromWindow(m_root, MONITOR_DEFAULTTONEAREST);
    if (!monitor || !::GetMonitorInfoW(monitor, &info)) {
        return Rect{};
    }
    return ToRect(info.rcWork);
}

void Win32DialogBackend::SetWindowText(const std::string& text) {
    if (m_root) {
        ::SetWindowTextW(m_root, Wide(text).c_str());
    }
}

std::string Win32DialogBackend::WindowText() const {
    return WindowTextOf(m_root);
}

void Win32DialogBackend::SetWindowIcon(const Image& big, const Image& small) {
    if (!m_root) {
        return;
    }
    const Image* images[2] = {&big, &small};
    const WPARAM kinds[2] = {ICON_BIG, ICON_SMALL};
    for (int i = 0; i < 2; ++i) {
        HICON icon = CreateIconFromImage(*images[i]);
        ::SendMessageW(m_root, WM_SETICON, kinds[i], reinterpret_cast<LPARAM>(icon));
        if (m_icons[i]) {
            ::DestroyIcon(m_icons[i]);
        }
        m_icons[i] = icon;
    }
}

bool Win32DialogBackend::IsIconic() const {
    const HWND top = TopLevel();
    return top && ::IsIconic(top);
}

void Win32DialogBackend::AppendSystemMenu(UINT id, const std::string& text) {
    m_systemMenu.emplace_back(id, text);
    HMENU menu = m_root && !m_page ? ::GetSystemMenu(m_root, FALSE) : nullptr;
    if (!menu) {
        return;
    }
    if (text.empty()) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
        ::AppendMenuW(menu, MF_STRING, id, Wide(text).c_str());
    }
}

int Win32DialogBackend::DluX(int dlu) const {
    return ::MulDiv(dlu, m_baseX, 4);
}

int Win32DialogBackend::DluY(int dlu) const {
    return ::MulDiv(dlu, m_baseY, 8);
}

int Win32DialogBackend::ScaleForDpi(int pixels) const {
    return ::MulDiv(pixels, m_dpi, 96);
}

// Everything is scaled from the DPI it was laid out for, by the same factor: positions and sizes
// of the windows (a page's controls and the pages in the tab control too, which the dialog
// manager would leave alone), the fonts, and the dialog units of every dialog in the window.
void Win32DialogBackend::RescaleForDpi(int dpi, const RECT& suggested) {
    if (dpi <= 0 || dpi == m_dpi || !m_root) {
        return;
    }
    const int old = m_dpi;
    std::vector<std::pair<HFONT, HFONT>> fonts; // each font in use, and its rescaled copy
    ScaleChildren(m_root, old, dpi, fonts);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_root, WM_GETFONT, 0, 0));
    for (const auto& f : fonts) {
        if (f.first == font) {
            ::SendMessageW(m_root, WM_SETFONT, reinterpret_cast<WPARAM>(f.second), FALSE);
        }
        m_fonts.push_back(f.second);
    }
    m_baseX = std::max(1, ::MulDiv(m_baseX, dpi, old));
    m_baseY = std::max(1, ::MulDiv(m_baseY, dpi, old));
    m_fontHeight = std::max(1, ::MulDiv(m_fontHeight, dpi, old));
    m_dpi = dpi;
    ::SetWindowPos(m_root, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(m_root, nullptr, TRUE);
}

void Win32DialogBackend::ScaleChildren(HWND parent, int old, int dpi,
                                       std::vector<std::pair<HFONT, HFONT>>& fonts) {
    for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        RECT r{};
        ::GetWindowRect(w, &r);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        wchar_t cls[32] = {};
        ::GetClassNameW(w, cls, 32);
        std::vector<HWND> inArea; // a tab control's pages that fill its display area
        if (_wcsicmp(cls, WC_TABCONTROLW) == 0) {
            const RECT area = DisplayRectOf(w);
            for (HWND page = ::GetWindow(w, GW_CHILD); page;
                 page = ::GetWindow(page, GW_HWNDNEXT)) {
                RECT p{};
                ::GetWindowRect(page, &p);
                ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&p), 2);
                if (SameRect(p, area)) {
                    inArea.push_back(page);
                }
            }
        }
        if (_wcsicmp(cls, WC_COMBOBOXW) == 0) {
            // A combo's window is its closed box; its size in the layout includes the list.
            RECT dropped{};
            ::SendMessageW(w, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            r.bottom = std::max(r.bottom, r.top + (dropped.bottom - dropped.top));
        }
        ::SetWindowPos(w, nullptr, ::MulDiv(r.left, dpi, old), ::MulDiv(r.top, dpi, old),
                       ::MulDiv(r.right - r.left, dpi, old), ::MulDiv(r.bottom - r.top, dpi, old),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        if (HFONT font = reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0))) {
            HFONT scaled = nullptr;
            for (const auto& f : fonts) {
                if (f.first == font) {
                    scaled = f.second;
                }
            }
            LOGFONTW lf{};
            if (!scaled && ::GetObjectW(font, sizeof lf, &lf) == sizeof lf) {
                lf.lfHeight = ::MulDiv(lf.lfHeight, dpi, old);
                lf.lfWidth = ::MulDiv(lf.lfWidth, dpi, old);
                scaled = ::CreateFontIndirectW(&lf);
                fonts.emplace_back(font, scaled);
            }
            if (scaled) {
                ::SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
            }
        }
        // Dialog pages and the tab control hold windows of ours; other controls manage their own.
        if (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) {
            ScaleChildren(w, old, dpi, fonts);
        }
        // Pages that filled a tab's display area fill it again: its row of tabs grows with the
        // font, but not in proportion.
        if (_wcsicmp(cls, WC_TABCONTROLW) == 0) {
            const RECT area = DisplayRectOf(w);
            for (HWND page : inArea) {
                ::SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left,
                               area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
        if (Win32DialogBackend* page = BackendOfRoot(w)) {
            page->m_baseX = std::max(1, ::MulDiv(page->m_baseX, dpi, old));
            page->m_baseY = std::max(1, ::MulDiv(page->m_baseY, dpi, old));
            page->m_fontHeight = std::max(1, ::MulDiv(page->m_fontHeight, dpi, old));
            page->m_dpi = dpi;
        }
    }
}

// --- Timers, message boxes, pictures ------------------------------------------------------------

void Win32DialogBackend::StartTimer(int id, int milliseconds) {
    if (m_root) {
        // Setting a running timer replaces it: the interval starts again.
        ::SetTimer(m_root, static_cast<UINT_PTR>(id), static_cast<UINT>(std::max(0, milliseconds)),
                   nullptr);
    }
}

void Win32DialogBackend::StopTimer(int id) {
    if (m_root) {
        ::KillTimer(m_root, static_cast<UINT_PTR>(id));
    }
}

int Win32DialogBackend::ShowMessageBox(const std::string& text) {
    ::MessageBoxW(TopLevel(), Wide(text).c_str(), L"Kestrelon", MB_OK | MB_ICONEXCLAMATION);
    return IDOK;
}

bool Win32DialogBackend::Grab(const std::string& path) const {
    if (!m_root) {
        return false;
    }
    RECT rc{};
    ::GetClientRect(m_root, &rc);
    const int w = rc.right, h = rc.bottom;
    if (w <= 0 || h <= 0) {
        return false;
    }
    ::RedrawWindow(m_root, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC src = ::GetDC(m_root);
    HDC mem = ::CreateCompatibleDC(src);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib && bits) {
        HGDIOBJ old = ::SelectObject(mem, dib);
        ok = ::BitBlt(mem, 0, 0, w, h, src, 0, 0, SRCCOPY) != FALSE;
        ::GdiFlush();
        std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                          static_cast<const std::uint32_t*>(bits) +
                                              static_cast<size_t>(w) * h);
        for (auto& p : pixels) {
            p |= 0xFF000000u; // the screen has no alpha
        }
        ::SelectObject(mem, old);
        ok = ok && WritePng(path, w, h, pixels);
    }
    if (dib) {
        ::DeleteObject(dib);
    }
    ::DeleteDC(mem);
    ::ReleaseDC(m_root, src);
    return ok;
}

} // namespace ui::win32

namespace ui {

std::unique_ptr<DialogBackend> CreateDialogBackend(Dialog& dlg) {
    return std::make_unique<win32::Win32DialogBackend>(dlg);
}

} // namespace ui
