// The native Win32 backend of the dialog layer: one Win32DialogBackend per created dialog or page.
// Each is a real dialog window (an in-memory DLGTEMPLATEEX supplies the frame, caption and font,
// so the dialog manager owns dialog units, default button and keyboard navigation) holding one
// child window per template control, placed in dialog units. Private to platform/ui/win32.
#pragma once

// The layer's headers come first: <windows.h> defines macros (WM_KEYDOWN, IDOK, SendMessage,
// MessageBox, ...) that would rewrite the layer's own declarations.
#include "platform/ui/backend.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

// The A/W switches of <windows.h> share names with the layer's member functions; the backend
// calls the W functions by their full names.
#undef SendMessage
#undef MessageBox
#undef SetWindowText
#undef GetWindowText
#undef GetOpenFileName
#undef SetDlgItemText
#undef GetDlgItemText

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ui::win32 {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* text, int length);
std::string Utf8(const std::wstring& text);

// Text for a static or button: CR LF and a lone CR (or LF) become CR LF, the line break of the
// native controls.
std::wstring DisplayText(const std::string& text);

// The classic filter "Text|*.a;*.b|Text|*.c||" with its bars turned into the NULs that the
// common file dialog expects, ending in two NULs.
std::wstring ConvertFilter(const std::string& filter);

// Writes 0xAARRGGBB pixels (row-major) as an RGBA PNG with stored deflate blocks.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& argb);

// The image scaled into width x height (aspect kept, centred) over an opaque background, as
// 0xAARRGGBB pixels; the layout of a 32-bit top-down DIB.
std::vector<std::uint32_t> ComposeImage(const Image& image, int width, int height,
                                        COLORREF background);

// An icon from an RGBA image (null when the image is null). The caller destroys it.
HICON CreateIconFromImage(const Image& image);

// The UI thread's message routing, the same in every loop the layer runs: a key press is first
// offered to PreTranslateMessage of every dialog it passes through (innermost first), then to the
// dialog manager of its top-level dialog, then translated and dispatched.
void RouteMessage(MSG& msg);
// Routes every message already queued for the UI thread.
void PumpPending();

class Win32DialogBackend;
// The backend whose dialog or page window this is, or null.
Win32DialogBackend* BackendOfRoot(HWND hwnd);

class Win32DialogBackend : public DialogBackend {
public:
    explicit Win32DialogBackend(Dialog& dlg);
    ~Win32DialogBackend() override;

    void Build(Dialog* parent, int hostId) override;
    void RunModal() override;
    void EndModal() override;

    void SetText(int id, const std::string& text) override;
    void AppendText(int id, const std::string& text) override;
    void SetLineLimit(int id, int maxLines) override;
    std::string GetText(int id) const override;
    void Enable(int id, bool enable) override;
    bool IsEnabled(int id) const override;
    void Show(int id, bool show) override;
    bool IsVisible(int id) const override;
    void SetChecked(int id, bool checked) override;
    bool IsChecked(int id) const override;
    void SetImage(int id, const Image& image) override;
    int ImageId(int id) const override;
    void SetFont(int id, const std::string& face, int pointSize) override;
    void SetFocus(int id) override;
    int FocusId() const override;
    bool Has(int id) const override;
    Rect ItemRect(int id) const override;
    void FocusKey(const Msg& msg) override;

    void ComboReset(int id) override;
    int ComboAdd(int id, const std::string& text) override;
    int ComboCount(int id) const override;
    int ComboCurSel(int id) const override;
    void ComboSetCurSel(int id, int index) override;
    std::string ComboText(int id, int index) const override;

    void TabInsert(int id, int index, const std::string& text) override;
    int TabCount(int id) const override;
    std::string TabText(int id, int index) const override;
    int TabCurSel(int id) const override;
    void TabSetCurSel(int id, int index) override;
    Rect TabClientRect(int id) const override;
    Rect TabDisplayRect(int id) const override;

    void ShowWindow(bool show) override;
    bool IsWindowVisible() const override;
    void MoveWindow(const Rect& r) override;
    Rect ClientRect() const override;
    Rect WindowRect() const override;
    void MoveFrameTo(int x, int y) override;
    Rect WorkArea() const override;
    void SetWindowText(const std::string& text) override;
    std::string WindowText() const override;
    void SetWindowIcon(const Image& big, const Image& small) override;
    bool IsIconic() const override;
    void AppendSystemMenu(UINT id, const std::string& text) override;

    int DluX(int dlu) const override;
    int DluY(int dlu) const override;
    int ScaleForDpi(int pixels) const override;

    void StartTimer(int id, int milliseconds) override;
    void StopTimer(int id) override;

    int ShowMessageBox(const std::string& text) override;
    bool Grab(const std::string& path) const override;

    Dialog& Owner() const { return m_dlg; }
    HWND Root() const { return m_root; }
    bool IsPage() const { return m_page; }
    // The window of control id, or null.
    HWND ControlWindow(int id) const;
    // The window built for the template's control at index (unnamed ones too), or null.
    HWND ControlWindowAt(std::size_t index) const {
        return index < m_controls.size() ? m_controls[index].hwnd : nullptr;
    }
    // The control kind of id (PushButton when unknown).
    ControlKind KindOf(int id) const;
    // The entries appended to the system menu (empty text: separator).
    const std::vector<std::pair<UINT, std::string>>& SystemMenu() const { return m_systemMenu; }

    // The dialog procedure's work for this window.
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Control {
        int id;
        ControlKind kind;
        unsigned style;
        HWND hwnd;
        std::string text; // the bytes last set, for controls the user cannot edit
        int imageId = 0;
        Image image;       // icon and bitmap statics
        int lineLimit = 0; // multi-line edits: the most lines kept (0: no limit)
        bool wide = false; // a one-line label whose caption needs more than its template width
    };

    void BuildControl(const ControlTemplate& c);
    int TextWidth(const std::wstring& text) const; // in the dialog's font
    void FitFontTo(const RECT& area);
    void FitWideLabels();
    const Control* Find(int id) const;
    Control* Find(int id);
    const Control* FindByWindow(HWND hwnd) const;
    void Notify(int id, ui::Notify notify);
    void Clicked(int id);
    void DrawImage(const DRAWITEMSTRUCT& item) const;
    void WindowGone();
    // The window moved to a screen of another DPI: everything in it is scaled to that DPI.
    void RescaleForDpi(int dpi, const RECT& suggested);
    void ScaleChildren(HWND parent, int from, int to, std::vector<std::pair<HFONT, HFONT>>& fonts);
    HWND TopLevel() const;

    Dialog& m_dlg;
    HWND m_root = nullptr;
    HWND m_disabledOwner = nullptr;
    bool m_page = false;
    bool m_building = false;
    bool m_endRequested = false;
    int m_settingText = 0; // program-set text is no edit by the operator
    int m_baseX = 1;       // dialog base units of the template's font
    int m_baseY = 1;
    int m_fontHeight = 1;
    double m_fontScale = 1.0; // a page's fonts against its template's, when fitted to its tab
    int m_dpi = 96;           // of the screen the window is on
    std::vector<Control> m_controls;
    std::vector<HFONT> m_fonts;
    HICON m_icons[2] = {nullptr, nullptr};
    std::vector<HWND> m_annotated; // controls named for assistive technology by annotation
    std::vector<std::pair<UINT, std::string>> m_systemMenu;
};

} // namespace ui::win32
