// The console as assistive technology sees it, read in-process through Qt's accessibility
// interfaces: roles, names and labels of the controls of the main dialog and of every page.
#include "platform/ui/qt/qt_backend.h"
#include "res/resource.h"
#include "support/console_fixture.h"

#include <QAccessible>
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

} // namespace

class Accessibility : public ConsoleFixture {};

TEST_F(Accessibility, EveryControlOfEveryDialogHasItsRoleAndAName) {
    RunConsole([](CConsoleDlg& d) {
        ExpectTemplateIsAccessible(d, "main");
        ExpectTemplateIsAccessible(d.m_timingPage, "timing");
        ExpectTemplateIsAccessible(d.m_timingDetailsPage, "details");
        ExpectTemplateIsAccessible(d.m_patternPage, "pattern");
        ExpectTemplateIsAccessible(d.m_settingPage, "setting");
        ExpectTemplateIsAccessible(d.m_edidPage, "edid");

        EXPECT_EQ(Groupings(d), (std::vector<std::string>{"Signal Ouput", "Comm Port", "Activity",
                                                          "Video Output", "Audio Output"}));
        EXPECT_EQ(
            Groupings(d.m_settingPage),
            (std::vector<std::string>{"HDMI/DVI", "HDCP", "Color Space", "Color Depth",
                                      "Audio Source Selection", "Audio Sample Rate", "Audio Bit"}));
    });
}

TEST_F(Accessibility, EditsAreLabelledByTheirStaticsAndIconsByTheirRole) {
    RunConsole([](CConsoleDlg& d) {
        // An edit takes the static before it as its name and its labelling relation.
        QAccessibleInterface* hActive = Accessible(d.m_timingDetailsPage, IDC_D_H_ACTIVE);
        EXPECT_EQ(hActive->role(), QAccessible::EditableText);
        EXPECT_EQ(Name(hActive), "H active:");
        const auto labels = hActive->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(Name(labels[0].first), "H active:");
        // A combo box too; one without a label before it is named in its template.
        EXPECT_EQ(LabelOf(Accessible(d.m_timingDetailsPage, IDC_D_USER_SLOT)), "No.");
        EXPECT_EQ(LabelOf(Accessible(d.m_edidPage, IDC_EDID_SOURCE)), "EDID read From:");
        EXPECT_EQ(LabelOf(Accessible(d, IDC_PORT_COMBO)), "Comm Port");
        // The hex dump follows the row label "f0", which must not become its name.
        EXPECT_EQ(Name(Accessible(d.m_edidPage, IDC_EDID_HEX)), "EDID bytes");

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
        EXPECT_EQ(Accessible(d.m_timingDetailsPage, IDC_D_ART_HORIZONTAL)->role(),
                  QAccessible::Graphic);
    });
}
