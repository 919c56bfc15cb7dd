// The dialog layer: dialogs and child pages built from templates, handler tables, data exchange,
// timers and message boxes, in the vocabulary of a classic dialog framework. The console's code
// speaks only this interface; a backend (platform/ui/qt) makes the real widgets.
#pragma once

#include "platform/ui/dialog_template.h"
#include "platform/ui/message_target.h"
#include "platform/ui/types.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace ui {

class Dialog;
class DialogBackend;
class DataExchange;

// --- Handler tables -----------------------------------------------------------------------------

using HandlerThunk = LRESULT (*)(Dialog&, WPARAM, LPARAM);

struct HandlerEntry {
    enum class Type { Command, Message, End };
    Type type;
    UINT message;  // Message entries
    int id;        // Command entries: control id
    Notify notify; // Command entries: notification
    HandlerThunk fn;
};

template <class T, void (T::*F)()> LRESULT CommandThunk(Dialog& d, WPARAM, LPARAM) {
    (static_cast<T&>(d).*F)();
    return 0;
}
template <class T, LRESULT (T::*F)(WPARAM, LPARAM)>
LRESULT MessageThunk(Dialog& d, WPARAM w, LPARAM l) {
    return (static_cast<T&>(d).*F)(w, l);
}

#define UI_ON_NOTIFY(notify, id, Class, fn)                                                        \
    ui::HandlerEntry {                                                                             \
        ui::HandlerEntry::Type::Command, 0, id, notify, &ui::CommandThunk<Class, &Class::fn>       \
    }
#define UI_ON_CLICKED(id, Class, fn) UI_ON_NOTIFY(ui::Notify::Clicked, id, Class, fn)
#define UI_ON_MESSAGE(msg, Class, fn)                                                              \
    ui::HandlerEntry {                                                                             \
        ui::HandlerEntry::Type::Message, msg, 0, ui::Notify::Clicked,                              \
            &ui::MessageThunk<Class, &Class::fn>                                                   \
    }
#define UI_END_HANDLERS                                                                            \
    ui::HandlerEntry {                                                                             \
        ui::HandlerEntry::Type::End, 0, 0, ui::Notify::Clicked, nullptr                            \
    }

// A message offered to PreTranslateMessage before it reaches any handler.
struct Msg {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// --- Dialog -------------------------------------------------------------------------------------

class Dialog : public MessageTarget {
public:
    explicit Dialog(const DialogTemplate& tpl);
    ~Dialog() override;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    const DialogTemplate& Template() const { return m_template; }

    // Creation. DoModal builds the top-level dialog, runs OnInitDialog and its event loop until
    // EndDialog. Create builds a child page inside control hostId of parent (a tab control).
    int DoModal(Dialog* parent = nullptr);
    bool Create(Dialog* parent, int hostId);
    // Builds a top-level dialog owned by owner and shows it without a loop of its own: it lives
    // beside its owner, whose loop serves it. Ending it (EndDialog, the close box) hides it;
    // ShowWindow(true) brings it back as it was.
    bool CreateModeless(Dialog* owner);
    bool IsModeless() const { return m_bModeless; }
    void EndDialog(int result);
    bool IsCreated() const { return m_backend != nullptr; }
    Dialog* GetParentDialog() const { return m_parent; }

    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx);
    // Return true when the message was dealt with and must go no further.
    virtual bool PreTranslateMessage(Msg& msg);
    virtual const HandlerEntry* GetHandlerTable() const;

    // Data exchange: true moves controls into members (and validates), false members into
    // controls. Returns false when a value failed validation.
    bool UpdateData(bool saveAndValidate = true);

    // Messages and notifications, synchronous from any thread (see MessageTarget).
    LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessageCancellable(UINT message, WPARAM wParam, LPARAM lParam,
                                   DeliveryCancel& cancel) override;
    // Queues the message for this dialog's handler table, from any thread, and returns at once. It
    // is handled from the UI thread's event loop (a nested one included, never from a wait loop
    // that serves deliveries), after the handler running now has returned.
    void PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Runs the handler table for a control notification; returns false when nothing handled it.
    bool SendNotify(int id, Notify notify);
    // Hands a key to the focused control only, bypassing the dialog's own key handling.
    void DispatchToFocus(const Msg& msg);
    // Told of every notification an operator's action on a control raises (not those of changes
    // the program makes), before the handler table runs; an empty function stops it.
    void SetNotifyObserver(std::function<void(int id, Notify notify)> observer);

    // Controls, by id.
    void SetDlgItemText(int id, const std::string& text);
    // Multi-line edits: appends text at the end (and shows the end); with a line limit set, the
    // oldest lines go first once there are more.
    void AppendDlgItemText(int id, const std::string& text);
    void SetDlgItemLineLimit(int id, int maxLines);
    std::string GetDlgItemText(int id) const;
    void EnableDlgItem(int id, bool enable);
    bool IsDlgItemEnabled(int id) const;
    void ShowDlgItem(int id, bool show);
    bool IsDlgItemVisible(int id) const;
    void CheckDlgButton(int id, bool checked);
    bool IsDlgButtonChecked(int id) const;
    void SetDlgItemImage(int id, const Image& image);
    int GetDlgItemImageId(int id) const; // resource id of the image shown, 0 for none
    void SetDlgItemFont(int id, const std::string& face, int pointSize);
    void SetFocusTo(int id);
    int GetFocusId() const; // -2 when no control of this dialog has the focus
    bool HasControl(int id) const;
    Rect GetDlgItemRect(int id) const; // pixels, in the dialog's client coordinates

    // Combo boxes.
    void ComboResetContent(int id);
    int ComboAddString(int id, const std::string& text);
    int ComboGetCount(int id) const;
    int ComboGetCurSel(int id) const;
    void ComboSetCurSel(int id, int index);
    std::string ComboGetLBText(int id, int index) const;

    // Tab controls.
    void TabInsertItem(int id, int index, const std::string& text);
    int TabGetItemCount(int id) const;
    std::string TabGetItemText(int id, int index) const;
    int TabGetCurSel(int id) const;
    void TabSetCurSel(int id, int index); // changes the selection without a notification
    Rect TabGetClientRect(int id) const;  // the tab control's client rectangle, pixels
    // Where the tab control's pages go: its client rectangle less the row of tabs and the frame
    // around the pages, pixels in the tab control's client coordinates. The row of tabs is as
    // high as the control's font needs, so this is the place for pages, not a fixed margin.
    Rect TabGetDisplayRect(int id) const;

    // The window itself.
    void ShowWindow(bool show);
    bool IsWindowVisible() const;
    void MoveWindow(const Rect& r, bool repaint = true); // pixels, in the parent's coordinates
    Rect GetClientRect() const;
    Rect GetWindowRect() const; // pixels, in the parent's coordinates
    // A top-level window: puts it beside owner (right of it, else left of it) where the screen
    // has room for it there; otherwise against the screen's edge on the side with more room, if
    // it fits the screen at all.
    void PlaceBeside(const Dialog& owner);
    // The part of the screen the window is on that windows may use, pixels.
    Rect GetWorkArea() const;
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    void SetWindowIcon(const Image& big, const Image& small);
    bool IsIconic() const;
    void AppendSystemMenuSeparator();
    void AppendSystemMenuItem(UINT commandId, const std::string& text);

    // Dialog units to pixels for this dialog's font.
    int DluToPixelsX(int dlu) const;
    int DluToPixelsY(int dlu) const;
    // A length given in pixels of a 96 DPI screen, in this dialog's pixels (the same number where
    // the toolkit scales for the screen itself).
    int ScaleForDpi(int pixels) const;

    // Timers: setting a running timer restarts it with the new interval. Expiry arrives as
    // WM_TIMER with the id as wParam.
    void SetTimer(int id, int milliseconds);
    void KillTimer(int id);

    // Modal message box with the console's caption and an OK button.
    int MessageBox(const std::string& text);

    // Renders the dialog (with its visible children) to a PNG file.
    bool GrabToPng(const std::string& path) const;

    // Backend access for the layer's own implementation.
    DialogBackend* Backend() const { return m_backend.get(); }
    // Called by the backend when a timer fires or a control notifies.
    void OnBackendTimer(int id);
    // Called by the backend when a control notifies. An unhandled click of OK or Cancel ends a
    // top-level dialog, as the framework's defaults do (UpdateData(true) first for OK).
    void OnBackendNotify(int id, Notify notify);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Armed timers (id -> interval), for the test hooks.
    const std::map<int, int>& ArmedTimers() const { return m_timers; }

private:
    const HandlerEntry* FindMessageHandler(UINT message) const;

    const DialogTemplate& m_template;
    std::unique_ptr<DialogBackend> m_backend;
    Dialog* m_parent = nullptr;
    bool m_bChildPage = false; // created inside another dialog (Create), not run by DoModal
    bool m_bModeless = false;  // created by CreateModeless
    std::map<int, int> m_timers;
    int m_modalResult = 0;
    std::function<void(int, Notify)> m_notifyObserver;
};

// The keyboard rule of dialogs that must neither close nor press a default button: Enter goes to
// the focused control only, Escape is swallowed. True when the message was one of them (it is
// then dealt with); call it from PreTranslateMessage.
bool KeepEnterAndEscape(Dialog& dlg, const Msg& msg);

// Sleeps on the calling (UI) thread, as the console's pacing requires; recorded in tests.
void Sleep(int milliseconds);

// Common file-open dialog. filter is "Text|*.ext|Text|*.ext||". Returns false when cancelled.
bool GetOpenFileName(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     std::string& path);
// Common file-save dialog, offering name in initialDir; asks before replacing a file. Returns
// false when cancelled.
bool GetSaveFileName(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     const std::string& name, std::string& path);

// Runs the event loop for about the given time (tests and tools that wait for real timers).
void ProcessEvents(int milliseconds);

// Supplies the pixels of the icons and bitmaps that templates name by resource id, so that an
// icon static shows its template image before the code sets another one.
void SetImageProvider(std::function<Image(int resourceId)> provider);

} // namespace ui
