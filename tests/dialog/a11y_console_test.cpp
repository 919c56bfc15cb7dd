// The console as assistive technology sees it, read in-process through Qt's accessibility
// interfaces: roles, names and labels of the controls of the main dialog and of every page.
#include "pages/timing_calc_dlg.h"
#include "support/console_internals.h"
#include "platform/ui/qt/qt_backend.h"
#include "res/resource.h"
#include "support/console_fixture.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QWidget>

#include <string>
#include <vector>

using testsupport::ConsoleFixture;

namespace {

QWidget* WidgetOf(const ui::Dialog& dlg, int id) {
    return static_cast<ui::qt::QtDialogBackend*>(dlg.Backend())->ControlWidget(id);
}

QAccessibleInterface* Accessible(const ui::Dialog& dlg, int id) {
    QWidget* w = WidgetOf(dlg, id);
    return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

std::string Name(QAccessibleInterface* iface) {
    return iface ? iface->text(QAccessible::Name).toStdString() : "<none>";
}

// The name of the control that labels this one ("" when none does). A combo box's own name is
// its current text; a screen reader says what it is for from its label.
std::string LabelOf(QAccessibleInterface* iface) {
    if (iface)
        for (const auto& rel : iface->relations(QAccessible::Label))
            if (rel.first)
                return Name(rel.first);
    return "";
}

std::vector<std::string> Groupings(const ui::Dialog& dlg) {
    std::vector<std::string> names;
    QWidget* root = static_cast<ui::qt::QtDialogBackend*>(dlg.Backend())->Root();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(root);
    for (int i = 0; iface && i < iface->childCount(); ++i)
        if (QAccessibleInterface* child = iface->child(i);
            child && child->role() == QAccessible::Grouping)
            names.push_back(Name(child));
    return names;
}

// Every control of the dialog's template, checked against what its kind promises.
void ExpectTemplateIsAccessible(const ui::Dialog& dlg, const char* what) {
    const ui::DialogTemplate& t = dlg.Template();
    for (std::size_t i = 0; i < t.count; ++i) {
        const ui::ControlTemplate& c = t.controls[i];
        if (c.id == ui::IDC_STATIC)
            continue;
        QAccessibleInterface* iface = Accessible(dlg, c.id);
        ASSERT_NE(iface, nullptr) << what << " " << c.id;
        switch (c.kind) {
        case ui::ControlKind::RadioButton:
            EXPECT_EQ(iface->role(), QAccessible::RadioButton) << what << " " << c.id;
            EXPECT_EQ(Name(iface), c.caption) << what << " " << c.id;
            break;
        case ui::ControlKind::ComboDropDown:
        case ui::ControlKind::ComboDropList:
            EXPECT_EQ(iface->role(), QAccessible::ComboBox) << what << " " << c.id;
            EXPECT_NE(LabelOf(iface), "") << what << " " << c.id << " has no label";
            break;
        case ui::ControlKind::Edit:
        case ui::ControlKind::Icon:
        case ui::ControlKind::Bitmap:
            EXPECT_NE(Name(iface), "") << what << " " << c.id << " has no name";
            break;
        default:
            break;
        }
    }
}

std::string Describe(const QWidget* w) {
    const QString text = w->property("text").toString();
    return std::string(w->metaObject()->className()) + " \"" +
           (text.isEmpty() ? w->accessibleName() : text).toStdString() + "\"";
}

// At the font in use nothing is cut off or drawn over: every button, check box and radio button
// is as wide as its caption needs, every group box as its title; every control lies inside the
// dialog, and two controls either lie apart or one holds the other (a group box). Labels grow to
// their text, so a label too narrow for its font shows as one that runs into its neighbour.
void ExpectNothingCutOrOverlapping(const ui::Dialog& dlg, const char* what) {
    const ui::DialogTemplate& t = dlg.Template();
    for (std::size_t i = 0; i < t.count; ++i) {
        const ui::ControlTemplate& c = t.controls[i];
        if (c.id == ui::IDC_STATIC)
            continue;
        QWidget* w = WidgetOf(dlg, c.id);
        if (c.kind == ui::ControlKind::PushButton || c.kind == ui::ControlKind::DefPushButton ||
            c.kind == ui::ControlKind::CheckBox || c.kind == ui::ControlKind::RadioButton) {
            EXPECT_LE(w->sizeHint().width(), w->width()) << what << " " << c.caption;
        }
    }
    QWidget* root = static_cast<ui::qt::QtDialogBackend*>(dlg.Backend())->Root();
    std::vector<QWidget*> controls;
    for (QObject* o : root->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && w->isVisibleTo(root))
            controls.push_back(w);
    for (QWidget* a : controls) {
        EXPECT_TRUE(root->rect().contains(a->geometry())) << what << " " << Describe(a);
        // A group box: a plain widget with a name, its title drawn at the top left.
        if (std::string(a->metaObject()->className()) == "QWidget" &&
            !a->accessibleName().isEmpty()) {
            const int title = QFontMetrics(a->font()).horizontalAdvance(a->accessibleName());
            EXPECT_LE(title + 16, a->width()) << what << " " << Describe(a);
        }
        for (QWidget* b : controls) {
            const QRect ra = a->geometry(), rb = b->geometry();
            if (a == b || !ra.intersects(rb) || ra.contains(rb) || rb.contains(ra))
                continue;
            ADD_FAILURE() << what << ": " << Describe(a) << " overlaps " << Describe(b);
        }
    }
}

} // namespace

class Accessibility : public ConsoleFixture {};

TEST_F(Accessibility, TimingCalculatorNamesEveryFieldAndFitsItsCaptions) {
    RunConsole(
        [](CConsoleDlg& d) {
            ExpectNothingCutOrOverlapping(In(d).m_timingDetailsPage, "details");
            In(d).m_timingDetailsPage.SendNotify(IDC_D_CALCULATE, ui::Notify::Clicked);
        },
        [](ui::Dialog& dlg) {
            ExpectTemplateIsAccessible(dlg, "calculator");
            ExpectNothingCutOrOverlapping(dlg, "calculator");
            EXPECT_EQ(LabelOf(Accessible(dlg, IDC_C_FORMULA)), "Formula:");
            EXPECT_EQ(Name(Accessible(dlg, IDC_C_RATE)), "Rate (Hz):");
            EXPECT_EQ(Name(Accessible(dlg, IDC_C_ID)), "VIC / DMT id:");
            EXPECT_EQ(Name(Accessible(dlg, IDC_C_H_BLANK)), "v3: H blank:");
            EXPECT_EQ(Name(Accessible(dlg, IDC_C_RESULT)), "Result");
            return ui::IDCANCEL;
        });
}

TEST_F(Accessibility, EveryControlOfEveryDialogHasItsRoleAndAName) {
    RunConsole([](CConsoleDlg& d) {
        ExpectTemplateIsAccessible(d, "main");
        ExpectTemplateIsAccessible(In(d).m_timingPage, "timing");
        ExpectTemplateIsAccessible(In(d).m_timingDetailsPage, "details");
        ExpectTemplateIsAccessible(In(d).m_patternPage, "pattern");
        ExpectTemplateIsAccessible(In(d).m_settingPage, "setting");
        ExpectTemplateIsAccessible(In(d).m_edidPage, "edid");

        EXPECT_EQ(Groupings(d), (std::vector<std::string>{"Signal Ouput", "Comm Port", "Activity",
                                                          "Video Output", "Audio Output"}));
        EXPECT_EQ(
            Groupings(In(d).m_settingPage),
            (std::vector<std::string>{"HDMI/DVI", "HDCP", "Color Space", "Color Depth",
                                      "Audio Source Selection", "Audio Sample Rate", "Audio Bit"}));
    });
}

TEST_F(Accessibility, EditsAreLabelledByTheirStaticsAndIconsByTheirRole) {
    RunConsole([](CConsoleDlg& d) {
        // An edit takes the static before it as its name and its labelling relation.
        QAccessibleInterface* hActive = Accessible(In(d).m_timingDetailsPage, IDC_D_H_ACTIVE);
        EXPECT_EQ(hActive->role(), QAccessible::EditableText);
        EXPECT_EQ(Name(hActive), "H active:");
        const auto labels = hActive->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(Name(labels[0].first), "H active:");
        // A combo box too; one without a label before it is named in its template.
        EXPECT_EQ(LabelOf(Accessible(In(d).m_timingDetailsPage, IDC_D_USER_SLOT)), "No.");
        EXPECT_EQ(LabelOf(Accessible(In(d).m_edidPage, IDC_EDID_SOURCE)), "EDID read From:");
        EXPECT_EQ(LabelOf(Accessible(d, IDC_PORT_COMBO)), "Comm Port");
        // The hex dump follows the row label "f0", which must not become its name.
        EXPECT_EQ(Name(Accessible(In(d).m_edidPage, IDC_EDID_HEX)), "EDID bytes");

        // Clickable icons are buttons that assistive technology can press; the press does what
        // a click does.
        QAccessibleInterface* sdi = Accessible(d, IDC_SDI_ICON);
        EXPECT_EQ(sdi->role(), QAccessible::Button);
        EXPECT_EQ(Name(sdi), "SDI");
        EXPECT_EQ(Name(Accessible(d, IDC_HDMI_ICON)), "HDMI");
        EXPECT_EQ(Name(Accessible(d, IDC_SIGNAL_ICON)), "Signal");
        EXPECT_EQ(Name(Accessible(d, IDC_ACTIVITY_ICON)), "Port activity");
        ASSERT_NE(sdi->actionInterface(), nullptr);
        sdi->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(ui::test::MessageBoxes(), std::vector<std::string>{"Com port is not on yet."});
        EXPECT_EQ(d.m_bHdmiMode, 1); // refused while disconnected, as a click is
        // An illustration is a graphic, not something to press.
        EXPECT_EQ(Accessible(In(d).m_timingDetailsPage, IDC_D_ART_HORIZONTAL)->role(),
                  QAccessible::Graphic);
    });
}
