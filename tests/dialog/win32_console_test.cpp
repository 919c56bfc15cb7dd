// The native Windows console beyond what the dialog layer's interface shows: what the system's
// accessibility proxies read, and the layout after the window moved to a screen of another DPI.
#include "dialog/win32_host.h"
#include "res/resource.h"
#include "support/console_fixture.h"

#include <string>

using testsupport::ConsoleFixture;

namespace {

int Width(const ui::Rect& r) {
    return r.right - r.left;
}

} // namespace

class Win32Console : public ConsoleFixture {};

TEST_F(Win32Console, IconsAreNamedAndRadiosAreRadioButtonsForAssistiveTechnology) {
    RunConsole([](CConsoleDlg& d) {
        EXPECT_EQ(win32host::ControlWindowText(d, IDC_HDMI_ICON), "HDMI");
        EXPECT_EQ(win32host::ControlWindowText(d, IDC_SDI_ICON), "SDI");
        EXPECT_EQ(win32host::ControlWindowText(d, IDC_SIGNAL_ICON), "Signal");
        EXPECT_EQ(win32host::ControlWindowText(d, IDC_ACTIVITY_ICON), "Port activity");
        // The name is not what the layer reports as the icon's picture.
        EXPECT_EQ(d.GetDlgItemImageId(IDC_HDMI_ICON), IDI_SELECTED);

        // Through the system's proxy, as a screen reader reads them.
        long role = 0;
        std::string name;
        ASSERT_TRUE(win32host::ReadAccessible(d, IDC_SDI_ICON, role, name));
        EXPECT_EQ(name, "SDI");
        ASSERT_TRUE(win32host::ReadAccessible(d, IDC_SIGNAL_ON, role, name));
        EXPECT_EQ(name, "Signal On");
        // Only a system with a proxy per control class tells a radio button from any window.
        if (role != win32host::kRoleClient) {
            EXPECT_EQ(role, win32host::kRoleRadioButton);
        }
    });
}

TEST_F(Win32Console, MovingToAScreenOfMoreDpiScalesTheWholeLayout) {
    RunConsole([](CConsoleDlg& d) {
        const ui::Rect button = d.GetDlgItemRect(IDC_PORT_BUTTON);
        const ui::Rect edit = In(d).m_timingDetailsPage.GetDlgItemRect(IDC_D_H_ACTIVE);
        const int units = d.DluToPixelsY(80);
        win32host::SendDpiChanged(d, d.ScaleForDpi(96) * 3 / 2);

        EXPECT_NEAR(Width(d.GetDlgItemRect(IDC_PORT_BUTTON)), Width(button) * 1.5, 1);
        EXPECT_NEAR(d.GetDlgItemRect(IDC_PORT_BUTTON).top, button.top * 1.5, 1);
        // The pages and their controls are scaled too, not only the dialog's own controls.
        EXPECT_NEAR(Width(In(d).m_timingDetailsPage.GetDlgItemRect(IDC_D_H_ACTIVE)),
                    Width(edit) * 1.5, 1);
        // Still in the tab's display area, whose row of tabs grew with the font.
        const ui::Rect area = d.TabGetDisplayRect(IDC_TAB);
        const ui::Rect page = In(d).m_timingDetailsPage.GetWindowRect();
        EXPECT_NEAR(page.top, area.top, 2);
        EXPECT_NEAR(page.bottom, area.bottom, 2);
        // Dialog units follow, for whatever is laid out afterwards.
        EXPECT_NEAR(d.DluToPixelsY(80), units * 1.5, 2);
        EXPECT_NEAR(In(d).m_timingDetailsPage.DluToPixelsY(80), units * 1.5, 2);
    });
}
