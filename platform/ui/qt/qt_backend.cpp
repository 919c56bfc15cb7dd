// Builds Qt widgets from dialog templates and implements the backend contract on them.
#include "platform/ui/qt/qt_backend.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QScrollBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace ui::qt {

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
std::string S(const QString& s) {
    return s.toUtf8().toStdString();
}

// MulDiv: a * b / c rounded half away from zero, as dialog-unit mapping does.
int MulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

Rect ToRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The dialog base units of a font: the average width of the letters, rounded, and the height.
QSize BaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize(std::max(1, (letters / 26 + 1) / 2), std::max(1, fm.height()));
}

bool SameFont(const DialogTemplate& a, const DialogTemplate& b) {
    const char* fa = a.fontFace ? a.fontFace : "";
    const char* fb = b.fontFace ? b.fontFace : "";
    return a.pointSize == b.pointSize &&
           QString::fromUtf8(fa).compare(QString::fromUtf8(fb), Qt::CaseInsensitive) == 0;
}

// The factor for a page's point size that makes its template (cx by cy dialog units) as large as
// fits into area, at a size whose letters are no wider than its horizontal base unit less a
// quarter pixel: the base unit is their average width rounded, and a size that rounds down would
// leave texts less room than the template gives them (a run of 47 fixed-pitch characters in 47.25
// average widths, less an edit's margins, is the tightest the pages have). Stays between half and
// twice the template's size; half when nothing fits.
double FitScale(const QFont& font, const DialogTemplate& tpl, const QSize& area) {
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
    QFont f = font;
    for (int step = 400; step >= 100; --step) {
        const double scale = step / 200.0;
        f.setPointSizeF(points * scale);
        const QSize base = BaseUnits(f);
        const double letters = QFontMetricsF(f).horizontalAdvance(QStringLiteral(
                                   "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                               52.0;
        if (MulDiv(tpl.cx, base.width(), 4) <= area.width() &&
            MulDiv(tpl.cy, base.height(), 8) <= area.height() && letters <= base.width() - 0.25) {
            return scale;
        }
    }
    return 0.5;
}

// --- Widgets ------------------------------------------------------------------------------------

class DialogWindow : public QDialog, public RootTag {
public:
    DialogWindow(Dialog& dlg, QtDialogBackend& backend, QWidget* owner)
        : QDialog(owner), RootTag(dlg), m_backend(backend) {}

    // Escape and the close box end the dialog the way the classic framework's cancel does.
    void reject() override {
        if (NotificationsSuppressed()) {
            QDialog::reject();
            return;
        }
        Owner().EndDialog(IDCANCEL);
    }

protected:
    void contextMenuEvent(QContextMenuEvent* e) override {
        m_backend.PopupSystemMenu(e->globalPos());
    }

private:
    QtDialogBackend& m_backend;
};

class PageWidget : public QWidget, public RootTag {
public:
    PageWidget(Dialog& dlg, QWidget* host) : QWidget(host), RootTag(dlg) {}
};

// Reports a left click released over the widget, as notifying statics do.
template <class Base> class Clickable : public Base {
public:
    using Base::Base;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (onClick && e->button() == Qt::LeftButton) {
            e->accept();
            return;
        }
        Base::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (onClick && e->button() == Qt::LeftButton) {
            e->accept();
            if (this->rect().contains(e->position().toPoint())) {
                onClick();
            }
            return;
        }
        Base::mouseReleaseEvent(e);
    }
};

using ClickLabel = Clickable<QLabel>;

// An icon or bitmap static: the image scaled into the rectangle, aspect kept, centred.
class ImageView : public Clickable<QFrame> {
public:
    using Clickable<QFrame>::Clickable;
    // What a click does, for assistive technology that presses the control instead.
    void Press() {
        if (onClick) {
            onClick();
        }
    }
    void SetImage(const QImage& image) {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QFrame::paintEvent(e);
        if (m_image.isNull()) {
            return;
        }
        const QRect area = contentsRect();
        const QSize size = m_image.size().scaled(area.size(), Qt::KeepAspectRatio);
        const QRect target(area.left() + (area.width() - size.width()) / 2,
                           area.top() + (area.height() - size.height()) / 2, size.width(),
                           size.height());
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, m_image);
    }

private:
    QImage m_image;
};

// A group box drawn the classic way: the frame line runs through the middle of the caption. It is
// a sibling behind the controls it surrounds, not their parent.
class GroupFrame : public QWidget {
public:
    explicit GroupFrame(QWidget* parent) : QWidget(parent) {}
    void SetTitle(const QString& title) {
        m_title = title;
        setAccessibleName(title);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int top = fm.height() / 2;
        const QRect frame = rect().adjusted(0, top, -1, -1);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(frame.adjusted(1, 1, 0, 0));
        if (m_title.isEmpty()) {
            return;
        }
        // The title starts half a character in and may run up to the frame's right line.
        const int x = fm.averageCharWidth();
        const QString& shown = m_title;
        const QRect text(x, 0, std::min(fm.horizontalAdvance(shown) + 4, width() - x - 2),
                         fm.height());
        p.fillRect(text, palette().color(QPalette::Window));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
        p.drawText(text.adjusted(2, 0, 0, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, shown);
    }

private:
    QString m_title;
};

// The tab control: a tab bar over a framed area. Pages become children of this widget; the
// dialog's code places them, in the display area below the bar (DisplayRect).
class TabHost : public QWidget {
public:
    explicit TabHost(QWidget* parent) : QWidget(parent) {
        m_frame = new QFrame(this);
        m_frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
        m_bar = new QTabBar(this);
        m_bar->setStyle(&m_barStyle);
        m_bar->setDrawBase(false);
        m_bar->setExpanding(false);
        m_bar->setUsesScrollButtons(true);
    }
    ~TabHost() override { delete m_bar; } // before the style it uses
    QTabBar* Bar() const { return m_bar; }

    // The bar is as high as its labels need in the control's font; the frame takes the rest.
    int BarHeight() const { return std::max(1, m_bar->sizeHint().height()); }
    void Relayout() {
        const int h = BarHeight();
        m_bar->setGeometry(2, 0, std::max(0, width() - 4), h);
        m_frame->setGeometry(0, h - 1, width(), std::max(0, height() - h + 1));
    }
    // Inside the frame below the bar, from the current size (valid before the first show too).
    QRect DisplayRect() const {
        const int fw = m_frame->frameWidth();
        const int top = BarHeight() - 1 + fw;
        return QRect(fw, top, std::max(0, width() - 2 * fw), std::max(0, height() - fw - top));
    }

protected:
    void resizeEvent(QResizeEvent*) override { Relayout(); }
    void childEvent(QChildEvent* e) override {
        QWidget::childEvent(e);
        // Keep the bar above the pages so a page never hides the tabs.
        if (e->added() && m_bar && e->child() != m_bar) {
            QMetaObject::invokeMethod(
                this,
                [bar = QPointer<QTabBar>(m_bar)] {
                    if (bar) {
                        bar->raise();
                    }
                },
                Qt::QueuedConnection);
        }
    }

private:
    // Tabs as high as the classic control draws them: a line of the font and a few pixels, not
    // the toolkit's roomier tabs, which would take the pages' space.
    class CompactTabs : public QProxyStyle {
    public:
        CompactTabs() : QProxyStyle(QApplication::style()->name()) {}
        int pixelMetric(PixelMetric metric, const QStyleOption* option,
                        const QWidget* widget) const override {
            const int value = QProxyStyle::pixelMetric(metric, option, widget);
            return metric == PM_TabBarTabVSpace ? std::min(value, 6) : value;
        }
    };

    CompactTabs m_barStyle;
    QFrame* m_frame = nullptr;
    QTabBar* m_bar = nullptr;
};

// --- Accessibility ------------------------------------------------------------------------------

// An icon or bitmap static is a graphic; one that reports clicks is a button that assistive
// technology can press.
class ImageAccessible : public QAccessibleWidget {
public:
    explicit ImageAccessible(ImageView* view)
        : QAccessibleWidget(view, view->onClick ? QAccessible::Button : QAccessible::Graphic) {}

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (View()->onClick) {
            names.prepend(pressAction());
        }
        return names;
    }
    void doAction(const QString& action) override {
        if (action == pressAction() && View()->onClick) {
            View()->Press();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    ImageView* View() const { return static_cast<ImageView*>(widget()); }
};

// Our own widgets as assistive technology should see them: a group box frame is a grouping named
// by its caption (it is a sibling of the controls it surrounds, as in a classic dialog), an image
// static a graphic or a button. Consulted before Qt's own factory, for any class name of the
// widget's hierarchy, so it answers for our classes only.
QAccessibleInterface* AccessibleFactory(const QString&, QObject* object) {
    if (auto* frame = dynamic_cast<GroupFrame*>(object)) {
        return new QAccessibleWidget(frame, QAccessible::Grouping);
    }
    if (auto* view = dynamic_cast<ImageView*>(object)) {
        return new ImageAccessible(view);
    }
    return nullptr;
}

} // namespace

// --- Helpers ------------------------------------------------------------------------------------

QString DisplayText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out.push_back(text[i]);
        }
    }
    return Q(out);
}

QImage ToQImage(const Image& image) {
    if (image.IsNull() || image.pixels.size() < static_cast<size_t>(image.width) *
                                                    static_cast<size_t>(image.height)) {
        return QImage();
    }
    QImage img(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(img.scanLine(y), &image.pixels[static_cast<size_t>(y) * image.width],
                    static_cast<size_t>(image.width) * sizeof(std::uint32_t));
    }
    return img;
}

QFont TemplateFont(const char* face, int pointSize) {
    const QString family = face ? QString::fromUtf8(face) : QString();
    QFont font;
    bool installed = false;
    if (!family.isEmpty()) {
        for (const QString& f : QFontDatabase::families()) {
            if (f.compare(family, Qt::CaseInsensitive) == 0) {
                installed = true;
                break;
            }
        }
    }
    if (installed) {
        font = QFont(family);
    } else if (family.compare("Courier New", Qt::CaseInsensitive) == 0) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(pointSize > 0 ? pointSize : 9);
    return font;
}

QString ConvertFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns.simplified() + ")";
    }
    return out.join(";;");
}

// --- QtDialogBackend ----------------------------------------------------------------------------

QtDialogBackend::QtDialogBackend(Dialog& dlg) : m_dlg(dlg) {}

QtDialogBackend::~QtDialogBackend() {
    // Widgets going away emit signals and move the focus; no handler may see that.
    SuppressNotifications quiet;
    for (auto& t : m_timers) {
        t.second->stop();
    }
    if (m_root) {
        if (auto* d = qobject_cast<QDialog*>(m_root.data()); d && m_inModal) {
            d->done(0);
        }
        delete m_root.data();
    }
}

void QtDialogBackend::Build(Dialog* parent, int hostId) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(AccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    m_building = true;
    const DialogTemplate& tpl = m_dlg.Template();
    m_font = TemplateFont(tpl.fontFace, tpl.pointSize);
    if (parent) {
        auto* pb = static_cast<QtDialogBackend*>(parent->Backend());
        QWidget* host = pb ? pb->HostWidget(hostId) : nullptr;
        if (auto* tab = dynamic_cast<TabHost*>(host); tab && !SameFont(tpl, parent->Template())) {
            m_fontScale = FitScale(m_font, tpl, tab->DisplayRect().size());
            m_font.setPointSizeF(m_font.pointSizeF() * m_fontScale);
        }
    }
    const QSize base = BaseUnits(m_font);
    m_baseX = base.width();
    m_baseY = base.height();

    if (parent) {
        auto* pb = static_cast<QtDialogBackend*>(parent->Backend());
        QWidget* host = pb ? pb->HostWidget(hostId) : nullptr;
        m_page = true;
        m_root = new PageWidget(m_dlg, host);
        m_root->setGeometry(0, 0, DluX(tpl.cx), DluY(tpl.cy));
    } else {
        QWidget* owner = nullptr;
        if (Dialog* o = m_dlg.GetParentDialog(); o && o->Backend()) {
            owner = static_cast<QtDialogBackend*>(o->Backend())->Root();
            owner = owner ? owner->window() : nullptr;
        }
        auto* w = new DialogWindow(m_dlg, *this, owner);
        Qt::WindowFlags flags =
            Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        if (tpl.minimizeBox) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        w->setWindowFlags(flags);
        w->setWindowTitle(QString::fromUtf8(tpl.caption ? tpl.caption : ""));
        w->setFixedSize(DluX(tpl.cx), DluY(tpl.cy));
        m_root = w;
    }
    m_root->setFont(m_font);
    // Edits and combos report losing the focus.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            if (m_building || NotificationsSuppressed() || !old) {
                return;
            }
            const int id = IdOfWidget(old);
            const Control* c = id == -2 ? nullptr : Find(id);
            if (!c || (c->kind != ControlKind::Edit && c->kind != ControlKind::ComboDropDown &&
                       c->kind != ControlKind::ComboDropList)) {
                return;
            }
            if (now && IdOfWidget(now) == id) {
                return; // moved within the control (a combo's own edit field)
            }
            Notify(id, ui::Notify::KillFocus);
        });
    }

    // Radio groups follow template order: a control with the group style opens a new group.
    QButtonGroup* radioGroup = nullptr;
    bool groupHasButtonGroup = false;
    m_controls.reserve(tpl.count);
    for (size_t i = 0; i < tpl.count; ++i) {
        const ControlTemplate& c = tpl.controls[i];
        if (c.style & kGroup) {
            groupHasButtonGroup = false;
            radioGroup = nullptr;
        }
        if (c.kind == ControlKind::RadioButton && !groupHasButtonGroup) {
            radioGroup = new QButtonGroup(this);
            radioGroup->setExclusive(true);
            groupHasButtonGroup = true;
        }
        BuildControl(c, c.kind == ControlKind::RadioButton ? radioGroup : nullptr);
    }
    FitWideLabels();
    // Group boxes are frames behind the controls they surround. Lowered last one first, so that
    // they keep template order among themselves, the order assistive technology reads them in.
    for (auto c = m_controls.rbegin(); c != m_controls.rend(); ++c) {
        if (c->kind == ControlKind::GroupBox && c->widget) {
            c->widget->lower();
        }
    }
    NameForAssistiveTechnology(tpl);
    if (m_page) {
        m_root->show();
    }
    m_building = false;
}

// A left-aligned label whose caption is wider than its template rectangle takes the free room to
// its right: up to the next control on its line, the inside of a group box around it, or the
// window's edge. Where even that is too narrow, its letters move closer together rather than
// the caption being cut or running under the next control.
void QtDialogBackend::FitWideLabels() {
    for (Control& label : m_controls) {
        if (!label.wide || !label.widget) {
            continue;
        }
        const QRect own = label.widget->geometry();
        int limit = m_root->width();
        for (const Control& other : m_controls) {
            if (&other == &label || !other.widget) {
                continue;
            }
            const QRect r = other.widget->geometry();
            if (other.kind == ControlKind::GroupBox && r.contains(own)) {
                limit = std::min(limit, r.right() - 1); // inside the frame's line
            } else if (r.top() < own.bottom() + 1 && own.top() < r.bottom() + 1 &&
                       r.left() >= own.right()) {
                limit = std::min(limit, r.left());
            }
        }
        const QString text = DisplayText(label.text);
        QFont font = label.widget->font();
        const int advance = QFontMetrics(font).horizontalAdvance(text);
        const int width = std::max(own.width(), std::min(advance + 2, limit - own.left()));
        label.widget->setGeometry(own.left(), own.top(), width, own.height());
        if (advance > width && text.size() > 1) {
            const double spacing = -static_cast<double>(advance - width) / (text.size() - 1);
            font.setLetterSpacing(QFont::AbsoluteSpacing, std::floor(spacing * 64) / 64);
            label.widget->setFont(font);
        }
    }
}

// Names each control the way a classic dialog does for assistive technology: an edit or a combo
// box is labelled by the static text right before it in the template (the label becomes its
// buddy, so it is both the control's name and its labelling relation); a name in the template
// overrides that and names icons and bitmaps, which have no text of their own.
void QtDialogBackend::NameForAssistiveTechnology(const DialogTemplate& tpl) {
    for (size_t i = 0; i < tpl.count && i < m_controls.size(); ++i) {
        const ControlTemplate& c = tpl.controls[i];
        QWidget* w = m_controls[i].widget;
        if (!w) {
            continue;
        }
        const bool combo =
            c.kind == ControlKind::ComboDropDown || c.kind == ControlKind::ComboDropList;
        if (c.name) {
            w->setAccessibleName(QString::fromUtf8(c.name));
            if (combo) {
                // A combo box's accessible name is its current text here; what it is for comes
                // only from a label, which this one gets without showing it.
                auto* label = new QLabel(QString::fromUtf8(c.name), m_root);
                label->hide();
                label->setBuddy(w);
            }
            continue;
        }
        if ((c.kind != ControlKind::Edit && !combo) || i == 0 ||
            tpl.controls[i - 1].kind != ControlKind::Static) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(m_controls[i - 1].widget.data())) {
            label->setBuddy(w);
        }
    }
}

void QtDialogBackend::BuildControl(const ControlTemplate& c, QButtonGroup* radioGroup) {
    const QRect rect(DluX(c.x), DluY(c.y), DluX(c.cx), DluY(c.cy));
    const std::string caption = c.caption ? c.caption : "";
    const int id = c.id;
    Control ctl{id, c.kind, c.style, nullptr, caption, 0, radioGroup};
    QWidget* w = nullptr;
    Qt::Alignment align = Qt::AlignLeft;
    if (c.style & kCenter) {
        align = Qt::AlignHCenter;
    } else if (c.style & kRight) {
        align = Qt::AlignRight;
    }

    switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* b = new QPushButton(DisplayText(caption), m_root);
        b->setAutoDefault(false);
        b->setDefault(c.kind == ControlKind::DefPushButton);
        connect(b, &QPushButton::clicked, this, [this, id] { Clicked(id); });
        w = b;
        break;
    }
    case ControlKind::RadioButton: {
        // The button group makes the group exclusive and overrides auto-exclusivity, which stays
        // on because it is what makes assistive technology see a radio button (a checkable
        // button without it is reported as a check box).
        auto* b = new QRadioButton(DisplayText(caption), m_root);
        if (radioGroup) {
            radioGroup->addButton(b);
        }
        connect(b, &QRadioButton::clicked, this, [this, id] { Clicked(id); });
        w = b;
        break;
    }
    case ControlKind::CheckBox: {
        auto* b = new QCheckBox(DisplayText(caption), m_root);
        connect(b, &QCheckBox::clicked, this, [this, id] { Clicked(id); });
        w = b;
        break;
    }
    case ControlKind::GroupBox: {
        auto* g = new GroupFrame(m_root);
        g->SetTitle(DisplayText(caption));
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        w = g;
        break;
    }
    case ControlKind::Static: {
        auto* l = new ClickLabel(m_root);
        l->setTextFormat(Qt::PlainText);
        l->setText(DisplayText(caption));
        // Text wraps as in the classic static, unless only one line fits: then a too long text
        // is cut at the right edge instead of wrapping onto a line nobody sees.
        const bool oneLine = rect.height() < 2 * QFontMetrics(m_font).height();
        l->setWordWrap(!(c.style & kNoWrap) && !oneLine);
        l->setAlignment(align | Qt::AlignTop);
        if (c.style & kBorder) {
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        if (c.style & kNotify) {
            l->onClick = [this, id] { Clicked(id); };
        }
        w = l;
        break;
    }
    case ControlKind::Icon:
    case ControlKind::Bitmap: {
        auto* v = new ImageView(m_root);
        if (c.style & kBorder) {
            v->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        }
        ctl.imageId = std::atoi(caption.c_str());
        v->SetImage(ToQImage(TemplateImage(ctl.imageId)));
        if (c.style & kNotify) {
            v->onClick = [this, id] { Clicked(id); };
        }
        w = v;
        break;
    }
    case ControlKind::Edit:
        if (c.style & kMultiline) {
            auto* e = new QPlainTextEdit(m_root);
            e->setPlainText(DisplayText(caption));
            e->setReadOnly(c.style & kReadOnly);
            // What a read-only edit shows is never undone: no undo history to keep.
            e->setUndoRedoEnabled(!(c.style & kReadOnly));
            e->setVerticalScrollBarPolicy((c.style & kVScroll) ? Qt::ScrollBarAsNeeded
                                                               : Qt::ScrollBarAlwaysOff);
            e->setHorizontalScrollBarPolicy((c.style & kHScroll) ? Qt::ScrollBarAsNeeded
                                                                 : Qt::ScrollBarAlwaysOff);
            e->setLineWrapMode((c.style & kHScroll) ? QPlainTextEdit::NoWrap
                                                    : QPlainTextEdit::WidgetWidth);
            connect(e, &QPlainTextEdit::textChanged, this,
                    [this, id] { Notify(id, ui::Notify::EditChange); });
            w = e;
        } else {
            auto* e = new QLineEdit(Q(caption), m_root);
            e->setReadOnly(c.style & kReadOnly);
            e->setAlignment(align | Qt::AlignVCenter);
            connect(e, &QLineEdit::textEdited, this,
                    [this, id] { Notify(id, ui::Notify::EditChange); });
            w = e;
        }
        break;
    case ControlKind::ComboDropDown:
    case ControlKind::ComboDropList: {
        auto* cb = new QComboBox(m_root);
        cb->setEditable(c.kind == ControlKind::ComboDropDown);
        cb->setInsertPolicy(QComboBox::NoInsert);
        if (cb->lineEdit()) {
            connect(cb->lineEdit(), &QLineEdit::textEdited, this,
                    [this, id] { Notify(id, ui::Notify::EditChange); });
        }
        connect(cb, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, id] { Notify(id, ui::Notify::SelChange); });
        connect(cb, qOverload<int>(&QComboBox::activated), this,
                [this, id] { Notify(id, ui::Notify::SelEndOk); });
        // The template height is the open list's; the closed box keeps its natural height.
        const int closed = cb->sizeHint().height();
        const int item = std::max(1, QFontMetrics(m_font).height() + 2);
        cb->setMaxVisibleItems(std::max(1, (rect.height() - closed) / item));
        cb->setGeometry(rect.x(), rect.y(), rect.width(), closed);
        w = cb;
        break;
    }
    case ControlKind::Tab: {
        auto* t = new TabHost(m_root);
        connect(t->Bar(), &QTabBar::currentChanged, this,
                [this, id] { Notify(id, ui::Notify::SelChange); });
        w = t;
        break;
    }
    }

    if (c.kind != ControlKind::ComboDropDown && c.kind != ControlKind::ComboDropList) {
        QRect r = rect;
        // A one-line label without a frame gets the width its caption needs: the substitute for
        // the template's font may be wider than the font the layout was drawn with, and a label
        // cut short ("Statu", "Sample") reads worse than one that reaches a little further.
        if (c.kind == ControlKind::Static && !(c.style & kBorder) &&
            r.height() < 2 * QFontMetrics(m_font).height()) {
            // A left-aligned one reaches no further than the next control (FitWideLabels).
            const int needed = QFontMetrics(m_font).horizontalAdvance(DisplayText(caption)) + 2;
            if (needed > r.width()) {
                const int extra = needed - r.width();
                if (c.style & kCenter)
                    r.adjust(-extra / 2, 0, extra - extra / 2, 0);
                else if (c.style & kRight)
                    r.adjust(-extra, 0, 0, 0);
                else
                    ctl.wide = true;
            }
        }
        w->setGeometry(r);
    }
    if (c.style & kDisabled) {
        w->setEnabled(false);
    }
    if (c.style & kHidden) {
        w->hide();
    }
    ctl.widget = w;
    m_controls.push_back(ctl);
    if (id != IDC_STATIC && !m_byId.count(id)) {
        m_byId.emplace(id, m_controls.size() - 1);
    }
}

const QtDialogBackend::Control* QtDialogBackend::Find(int id) const {
    const auto it = m_byId.find(id);
    if (it == m_byId.end()) {
        return nullptr;
    }
    const Control& c = m_controls[it->second];
    return c.widget ? &c : nullptr;
}

QtDialogBackend::Control* QtDialogBackend::Find(int id) {
    return const_cast<Control*>(static_cast<const QtDialogBackend*>(this)->Find(id));
}

template <class W> W* QtDialogBackend::As(int id) const {
    const Control* c = Find(id);
    return c ? dynamic_cast<W*>(c->widget.data()) : nullptr;
}

void QtDialogBackend::Notify(int id, ui::Notify notify) {
    if (!m_building) {
        m_dlg.OnBackendNotify(id, notify);
    }
}

void QtDialogBackend::Clicked(int id) {
    Notify(id, ui::Notify::Clicked);
}

void QtDialogBackend::RunModal() {
    auto* d = qobject_cast<QDialog*>(m_root.data());
    if (!d || m_endRequested) {
        return;
    }
    m_inModal = true;
    d->exec();
    m_inModal = false;
}

void QtDialogBackend::EndModal() {
    m_endRequested = true;
    if (auto* d = qobject_cast<QDialog*>(m_root.data())) {
        d->done(0);
    }
}

// --- Control access -----------------------------------------------------------------------------

void QtDialogBackend::SetText(int id, const std::string& text) {
    Control* c = Find(id);
    if (!c) {
        return;
    }
    QWidget* w = c->widget;
    const QSignalBlocker block(w);
    c->text = text;
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(DisplayText(text));
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(DisplayText(text));
    } else if (auto* g = dynamic_cast<GroupFrame*>(w)) {
        g->SetTitle(DisplayText(text));
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(Q(text));
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        e->setPlainText(DisplayText(text));
    } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
        if (cb->isEditable()) {
            const QSignalBlocker blockEdit(cb->lineEdit());
            cb->setEditText(Q(text));
        } else {
            const int i = cb->findText(Q(text));
            if (i >= 0) {
                cb->setCurrentIndex(i);
            }
        }
    }
}

void QtDialogBackend::AppendText(int id, const std::string& text) {
    Control* c = Find(id);
    auto* e = c ? qobject_cast<QPlainTextEdit*>(c->widget.data()) : nullptr;
    if (!e || text.empty()) {
        return;
    }
    const QSignalBlocker block(e);
    // At the end, whatever the operator selected, and the end stays in view.
    QTextCursor end(e->document());
    end.movePosition(QTextCursor::End);
    end.insertText(DisplayText(text));
    e->verticalScrollBar()->setValue(e->verticalScrollBar()->maximum());
}

void QtDialogBackend::SetLineLimit(int id, int maxLines) {
    Control* c = Find(id);
    if (auto* e = c ? qobject_cast<QPlainTextEdit*>(c->widget.data()) : nullptr) {
        e->setMaximumBlockCount(maxLines > 0 ? maxLines + 1 : 0); // the empty line after the last
    }
}

std::string QtDialogBackend::GetText(int id) const {
    const Control* c = Find(id);
    if (!c) {
        return std::string();
    }
    QWidget* w = c->widget;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        return S(e->text());
    }
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        // A multi-line edit hands its lines back separated by CR LF.
        QString t = e->toPlainText();
        t.replace(QChar('\n'), QStringLiteral("\r\n"));
        return S(t);
    }
    if (auto* cb = qobject_cast<QComboBox*>(w)) {
        return S(cb->currentText());
    }
    return c->text;
}

void QtDialogBackend::Enable(int id, bool enable) {
    if (Control* c = Find(id)) {
        c->widget->setEnabled(enable);
    }
}

bool QtDialogBackend::IsEnabled(int id) const {
    const Control* c = Find(id);
    return c && c->widget->isEnabledTo(m_root);
}

void QtDialogBackend::Show(int id, bool show) {
    if (Control* c = Find(id)) {
        c->widget->setVisible(show);
    }
}

bool QtDialogBackend::IsVisible(int id) const {
    const Control* c = Find(id);
    return c && c->widget->isVisibleTo(m_root);
}

void QtDialogBackend::SetChecked(int id, bool checked) {
    Control* c = Find(id);
    auto* b = c ? qobject_cast<QAbstractButton*>(c->widget.data()) : nullptr;
    if (!b) {
        return;
    }
    const QSignalBlocker block(b);
    if (!checked && c->group && c->group->exclusive()) {
        // An exclusive group refuses to uncheck its checked button; lift that for the moment.
        c->group->setExclusive(false);
        b->setChecked(false);
        c->group->setExclusive(true);
    } else {
        b->setChecked(checked);
    }
}

bool QtDialogBackend::IsChecked(int id) const {
    const Control* c = Find(id);
    auto* b = c ? qobject_cast<QAbstractButton*>(c->widget.data()) : nullptr;
    return b && b->isChecked();
}

void QtDialogBackend::SetImage(int id, const Image& image) {
    Control* c = Find(id);
    if (!c) {
        return;
    }
    c->imageId = image.IsNull() ? 0 : image.resourceId;
    if (auto* v = dynamic_cast<ImageView*>(c->widget.data())) {
        v->SetImage(ToQImage(image));
    }
}

int QtDialogBackend::ImageId(int id) const {
    const Control* c = Find(id);
    return c ? c->imageId : 0;
}

void QtDialogBackend::SetFont(int id, const std::string& face, int pointSize) {
    if (Control* c = Find(id)) {
        QFont font = TemplateFont(face.c_str(), pointSize);
        // A page fitted to its tab control scales the fonts its code names with its own.
        font.setPointSizeF(font.pointSizeF() * m_fontScale);
        c->widget->setFont(font);
    }
}

void QtDialogBackend::SetFocus(int id) {
    if (Control* c = Find(id)) {
        c->widget->setFocus(Qt::OtherFocusReason);
    }
}

int QtDialogBackend::IdOfWidget(QWidget* w) const {
    for (; w && w != m_root; w = w->parentWidget()) {
        if (dynamic_cast<RootTag*>(w)) {
            return -2; // inside another dialog's page
        }
        for (const auto& c : m_controls) {
            if (c.widget == w) {
                return c.id;
            }
        }
    }
    return -2;
}

int QtDialogBackend::FocusId() const {
    if (!m_root) {
        return -2;
    }
    return IdOfWidget(m_root->window()->focusWidget());
}

bool QtDialogBackend::Has(int id) const {
    return Find(id) != nullptr;
}

Rect QtDialogBackend::ItemRect(int id) const {
    const Control* c = Find(id);
    if (!c) {
        return Rect{};
    }
    const QPoint tl = c->widget->mapTo(m_root, QPoint(0, 0));
    return ToRect(QRect(tl, c->widget->size()));
}

void QtDialogBackend::FocusKey(const Msg& msg) {
    if (!m_root) {
        return;
    }
    QWidget* target = m_root->window()->focusWidget();
    SendKeyToWidgetOnly(target ? target : m_root->window(), msg);
}

// --- Combo boxes --------------------------------------------------------------------------------

void QtDialogBackend::ComboReset(int id) {
    if (auto* cb = As<QComboBox>(id)) {
        const QSignalBlocker block(cb);
        cb->clear();
    }
}

int QtDialogBackend::ComboAdd(int id, const std::string& text) {
    auto* cb = As<QComboBox>(id);
    if (!cb) {
        return -1;
    }
    const QSignalBlocker block(cb);
    const bool wasEmpty = cb->count() == 0;
    cb->addItem(Q(text));
    // Adding to an empty combo selects nothing, like the classic list.
    if (wasEmpty) {
        cb->setCurrentIndex(-1);
    }
    return cb->count() - 1;
}

int QtDialogBackend::ComboCount(int id) const {
    auto* cb = As<QComboBox>(id);
    return cb ? cb->count() : 0;
}

int QtDialogBackend::ComboCurSel(int id) const {
    auto* cb = As<QComboBox>(id);
    return cb ? cb->currentIndex() : -1;
}

void QtDialogBackend::ComboSetCurSel(int id, int index) {
    auto* cb = As<QComboBox>(id);
    // An index past the list leaves the selection as it is.
    if (!cb || index < -1 || index >= cb->count()) {
        return;
    }
    const QSignalBlocker block(cb);
    cb->setCurrentIndex(index);
    if (index < 0 && cb->isEditable()) {
        cb->setEditText(QString());
    }
}

std::string QtDialogBackend::ComboText(int id, int index) const {
    auto* cb = As<QComboBox>(id);
    if (!cb || index < 0 || index >= cb->count()) {
        return std::string();
    }
    return S(cb->itemText(index));
}

// --- Tab controls -------------------------------------------------------------------------------

void QtDialogBackend::TabInsert(int id, int index, const std::string& text) {
    if (auto* t = As<TabHost>(id)) {
        const QSignalBlocker block(t->Bar());
        t->Bar()->insertTab(index, Q(text));
        t->Relayout();
    }
}

int QtDialogBackend::TabCount(int id) const {
    auto* t = As<TabHost>(id);
    return t ? t->Bar()->count() : 0;
}

std::string QtDialogBackend::TabText(int id, int index) const {
    auto* t = As<TabHost>(id);
    return t ? S(t->Bar()->tabText(index)) : std::string();
}

int QtDialogBackend::TabCurSel(int id) const {
    auto* t = As<TabHost>(id);
    return t ? t->Bar()->currentIndex() : -1;
}

void QtDialogBackend::TabSetCurSel(int id, int index) {
    auto* t = As<TabHost>(id);
    if (!t || index < 0 || index >= t->Bar()->count()) {
        return;
    }
    const QSignalBlocker block(t->Bar());
    t->Bar()->setCurrentIndex(index);
}

Rect QtDialogBackend::TabClientRect(int id) const {
    auto* t = As<TabHost>(id);
    return t ? Rect{0, 0, t->width(), t->height()} : Rect{};
}

Rect QtDialogBackend::TabDisplayRect(int id) const {
    auto* t = As<TabHost>(id);
    return t ? ToRect(t->DisplayRect()) : Rect{};
}

QWidget* QtDialogBackend::ControlWidget(int id) const {
    const Control* c = Find(id);
    return c ? c->widget.data() : nullptr;
}

QWidget* QtDialogBackend::HostWidget(int hostId) const {
    if (auto* t = As<TabHost>(hostId)) {
        return t;
    }
    return m_root;
}

// --- The window ---------------------------------------------------------------------------------

void QtDialogBackend::ShowWindow(bool show) {
    if (m_root) {
        m_root->setVisible(show);
        if (show && !m_page) {
            m_root->activateWindow();
        }
    }
}

bool QtDialogBackend::IsWindowVisible() const {
    if (!m_root) {
        return false;
    }
    if (m_page) {
        return m_root->isVisibleTo(m_root->window());
    }
    return m_root->isVisible();
}

void QtDialogBackend::MoveWindow(const Rect& r) {
    if (m_root) {
        m_root->setGeometry(r.left, r.top, std::max(0, r.Width()), std::max(0, r.Height()));
    }
}

Rect QtDialogBackend::ClientRect() const {
    return m_root ? Rect{0, 0, m_root->width(), m_root->height()} : Rect{};
}

Rect QtDialogBackend::WindowRect() const {
    if (!m_root) {
        return Rect{};
    }
    return ToRect(m_page ? m_root->geometry() : m_root->frameGeometry());
}

void QtDialogBackend::MoveFrameTo(int x, int y) {
    if (m_root && !m_page) {
        m_root->move(x, y); // a top-level widget's position is its frame's
    }
}

Rect QtDialogBackend::WorkArea() const {
    const QScreen* screen = m_root ? m_root->screen() : QGuiApplication::primaryScreen();
    return screen ? ToRect(screen->availableGeometry()) : Rect{};
}

void QtDialogBackend::SetWindowText(const std::string& text) {
    if (m_root) {
        m_root->setWindowTitle(Q(text));
    }
}

std::string QtDialogBackend::WindowText() const {
    return m_root ? S(m_root->windowTitle()) : std::string();
}

void QtDialogBackend::SetWindowIcon(const Image& big, const Image& small) {
    if (!m_root) {
        return;
    }
    QIcon icon;
    for (const Image* img : {&big, &small}) {
        const QImage q = ToQImage(*img);
        if (!q.isNull()) {
            icon.addPixmap(QPixmap::fromImage(q));
        }
    }
    m_root->setWindowIcon(icon);
}

bool QtDialogBackend::IsIconic() const {
    return m_root && m_root->window()->isMinimized();
}

void QtDialogBackend::AppendSystemMenu(UINT id, const std::string& text) {
    m_systemMenu.emplace_back(id, text);
}

void QtDialogBackend::PopupSystemMenu(const QPoint& globalPos) {
    if (m_systemMenu.empty() || !m_root) {
        return;
    }
    QMenu menu(m_root);
    std::vector<std::pair<QAction*, UINT>> actions;
    for (const auto& item : m_systemMenu) {
        if (item.second.empty()) {
            menu.addSeparator();
        } else {
            actions.emplace_back(menu.addAction(Q(item.second)), item.first);
        }
    }
    QAction* chosen = menu.exec(globalPos);
    for (const auto& a : actions) {
        if (a.first == chosen) {
            m_dlg.Dispatch(WM_SYSCOMMAND, a.second, 0);
            return;
        }
    }
}

int QtDialogBackend::DluX(int dlu) const {
    return MulDiv(dlu, m_baseX, 4);
}
int QtDialogBackend::DluY(int dlu) const {
    return MulDiv(dlu, m_baseY, 8);
}

// --- Timers, message boxes, pictures ------------------------------------------------------------

void QtDialogBackend::StartTimer(int id, int milliseconds) {
    QTimer*& t = m_timers[id];
    if (!t) {
        t = new QTimer(this);
        connect(t, &QTimer::timeout, this, [this, id] { m_dlg.OnBackendTimer(id); });
    }
    t->start(milliseconds); // restarts a running timer with the new interval
}

void QtDialogBackend::StopTimer(int id) {
    const auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        it->second->stop();
    }
}

int QtDialogBackend::ShowMessageBox(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrelon"), Q(text), QMessageBox::Ok,
                    m_root ? m_root->window() : nullptr);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return IDOK;
}

bool QtDialogBackend::Grab(const std::string& path) const {
    if (!m_root) {
        return false;
    }
    return m_root->grab().save(Q(path), "PNG");
}

} // namespace ui::qt

namespace ui {

std::unique_ptr<DialogBackend> CreateDialogBackend(Dialog& dlg) {
    return std::make_unique<qt::QtDialogBackend>(dlg);
}

} // namespace ui
