// The contract between the backend-neutral dialog code and a toolkit backend. Only the layer's own
// implementation includes this header.
#pragma once

#include "platform/ui/dialog.h"

#include <functional>
#include <memory>
#include <string>

namespace ui {

class DialogBackend {
public:
    virtual ~DialogBackend() = default;

    // Builds the widgets of the template. parent is null for a top-level dialog. A page built into
    // a tab control whose template font differs from its parent's has no fixed size relation to
    // that tab control: the backend scales the page's font (and every font its code sets on its
    // controls, by the same factor) so that the page's template fills the tab's display area.
    virtual void Build(Dialog* parent, int hostId) = 0;
    // Runs the modal loop until EndModal.
    virtual void RunModal() = 0;
    virtual void EndModal() = 0;

    virtual void SetText(int id, const std::string& text) = 0;
    virtual void AppendText(int id, const std::string& text) = 0; // multi-line edits
    virtual void SetLineLimit(int id, int maxLines) = 0;
    virtual std::string GetText(int id) const = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Show(int id, bool show) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual bool IsChecked(int id) const = 0;
    virtual void SetImage(int id, const Image& image) = 0;
    virtual int ImageId(int id) const = 0;
    virtual void SetFont(int id, const std::string& face, int pointSize) = 0;
    virtual void SetFocus(int id) = 0;
    virtual int FocusId() const = 0;
    virtual bool Has(int id) const = 0;
    virtual Rect ItemRect(int id) const = 0;
    virtual void FocusKey(const Msg& msg) = 0;

    virtual void ComboReset(int id) = 0;
    virtual int ComboAdd(int id, const std::string& text) = 0;
    virtual int ComboCount(int id) const = 0;
    virtual int ComboCurSel(int id) const = 0;
    virtual void ComboSetCurSel(int id, int index) = 0;
    virtual std::string ComboText(int id, int index) const = 0;

    virtual void TabInsert(int id, int index, const std::string& text) = 0;
    virtual int TabCount(int id) const = 0;
    virtual std::string TabText(int id, int index) const = 0;
    virtual int TabCurSel(int id) const = 0;
    virtual void TabSetCurSel(int id, int index) = 0;
    virtual Rect TabClientRect(int id) const = 0;
    virtual Rect TabDisplayRect(int id) const = 0;

    virtual void ShowWindow(bool show) = 0;
    virtual bool IsWindowVisible() const = 0;
    virtual void MoveWindow(const Rect& r) = 0;
    virtual Rect ClientRect() const = 0;
    virtual Rect WindowRect() const = 0;
    // Top-level windows: moves the frame's top-left corner to a point of the screen; the area of
    // the screen the window is on that windows may use (without task bars and docks).
    virtual void MoveFrameTo(int x, int y) = 0;
    virtual Rect WorkArea() const = 0;
    virtual void SetWindowText(const std::string& text) = 0;
    virtual std::string WindowText() const = 0;
    virtual void SetWindowIcon(const Image& big, const Image& small) = 0;
    virtual bool IsIconic() const = 0;
    virtual void AppendSystemMenu(UINT id, const std::string& text) = 0; // empty text: separator

    virtual int DluX(int dlu) const = 0;
    virtual int DluY(int dlu) const = 0;
    virtual int ScaleForDpi(int pixels) const = 0;

    virtual void StartTimer(int id, int milliseconds) = 0;
    virtual void StopTimer(int id) = 0;

    virtual int ShowMessageBox(const std::string& text) = 0;
    virtual bool Grab(const std::string& path) const = 0;
};

// Provided by the backend.
std::unique_ptr<DialogBackend> CreateDialogBackend(Dialog& dlg);
void BackendSleep(int milliseconds);
bool BackendOpenFile(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     std::string& path);
bool BackendSaveFile(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     const std::string& name, std::string& path);
void BackendProcessEvents(int milliseconds);
// Asks the UI thread to call ServePendingDeliveries soon (callable from any thread).
void BackendWakeUiThread();
// Shows a message box owned by no dialog, caption "Kestrelon".
void BackendAppMessageBox(const std::string& text);

// Provided by the neutral part for the backend.
// Marks the calling thread as the UI thread (on), or says there is none any more (off).
void RegisterUiThread(bool on);
// The image a template's icon or bitmap static starts with (null image when none is provided).
Image TemplateImage(int resourceId);
// Nonzero while a backend tears its widgets down: no notification reaches a handler then.
bool NotificationsSuppressed();
struct SuppressNotifications {
    SuppressNotifications();
    ~SuppressNotifications();
};

} // namespace ui
