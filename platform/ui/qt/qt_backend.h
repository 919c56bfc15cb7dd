// The Qt Widgets backend of the dialog layer: one QtDialogBackend per created dialog or page,
// owning the widgets built from the template. Private to platform/ui/qt.
#pragma once

#include "platform/ui/backend.h"

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <unordered_map>
#include <vector>

class QButtonGroup;
class QKeyEvent;
class QTimer;

namespace ui::qt {

// Carried by the widget that stands for a whole dialog or page, so that key handling can find the
// dialogs a key passes through.
class RootTag {
public:
    explicit RootTag(Dialog& dlg) : m_owner(dlg) {}
    virtual ~RootTag() = default;
    Dialog& Owner() const { return m_owner; }

private:
    Dialog& m_owner;
};

// Offers a key press arriving at w to PreTranslateMessage of every dialog it lies in, innermost
// first. True when one of them swallowed it.
bool PreTranslateKey(QWidget* w, QKeyEvent* e);
// Sends a key to one widget only: no dialog sees it on its way and it does not travel to parents.
void SendKeyToWidgetOnly(QWidget* target, const Msg& msg);

WPARAM VirtualKeyOf(int qtKey);
int QtKeyOf(WPARAM vk);

// The classic filter "Text|*.a;*.b|Text|*.c||" in Qt's "Text (*.a *.b);;Text (*.c)" form.
QString ConvertFilter(const std::string& filter);
// Text for display: CR LF and a lone CR become line breaks.
QString DisplayText(const std::string& text);
QImage ToQImage(const Image& image);
// The template's font: its face when installed, else the default sans-serif ("Courier New": the
// fixed-pitch system font), at the template's point size.
QFont TemplateFont(const char* face, int pointSize);

class QtDialogBackend : public QObject, public DialogBackend {
public:
    explicit QtDialogBackend(Dialog& dlg);
    ~QtDialogBackend() override;

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
    // Qt lays out in device-independent pixels and scales for the screen itself.
    int ScaleForDpi(int pixels) const override { return pixels; }

    void StartTimer(int id, int milliseconds) override;
    void StopTimer(int id) override;

    int ShowMessageBox(const std::string& text) override;
    bool Grab(const std::string& path) const override;

    // The widget that hosts child pages for control hostId (a tab control's area), or the dialog.
    QWidget* HostWidget(int hostId) const;
    // The widget of control id, or null.
    QWidget* ControlWidget(int id) const;
    // The widget built for the template's control at index (unnamed ones too), or null.
    QWidget* ControlWidgetAt(std::size_t index) const {
        return index < m_controls.size() ? m_controls[index].widget.data() : nullptr;
    }
    QWidget* Root() const { return m_root; }
    // Shows the system menu entries as a context menu and dispatches the chosen one.
    void PopupSystemMenu(const QPoint& globalPos);

private:
    struct Control {
        int id;
        ControlKind kind;
        unsigned style;
        QPointer<QWidget> widget;
        std::string text; // the bytes last set, for controls the user cannot edit
        int imageId = 0;
        QButtonGroup* group = nullptr;
        bool wide = false; // a one-line label whose caption needs more than its template width
    };

    void BuildControl(const ControlTemplate& c, QButtonGroup* radioGroup);
    void NameForAssistiveTechnology(const DialogTemplate& tpl);
    void FitWideLabels();
    const Control* Find(int id) const;
    Control* Find(int id);
    template <class W> W* As(int id) const;
    void Notify(int id, ui::Notify notify);
    void Clicked(int id);
    int IdOfWidget(QWidget* w) const;

    Dialog& m_dlg;
    QPointer<QWidget> m_root;
    bool m_page = false;
    bool m_building = false;
    bool m_endRequested = false;
    bool m_inModal = false;
    QFont m_font;
    double m_fontScale = 1.0; // a page's fonts against its template's, when fitted to its tab
    int m_baseX = 1;
    int m_baseY = 1;
    std::vector<Control> m_controls;
    std::unordered_map<int, size_t> m_byId;
    std::map<int, QTimer*> m_timers;
    std::vector<std::pair<UINT, std::string>> m_systemMenu;
};

} // namespace ui::qt
