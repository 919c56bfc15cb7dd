// The main console dialog as a user meets it: start-up state, tabs, keys, the About box, the
// address file at start-up, and the frame builders' refusals.
#include "app/program_folder.h"
#include "support/console_internals.h"
#include "link/command_words.h"
#include "link/link_messages.h"
#include "platform/serial/port_map.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/screen_state.h"

#include <fstream>
#include <sys/stat.h>

using testsupport::ConsoleFixture;

namespace {

ui::Dialog* Pages(CConsoleDlg& d, int i) {
    ui::Dialog* pages[] = {&In(d).m_timingPage, &In(d).m_timingDetailsPage, &In(d).m_patternPage,
                           &In(d).m_settingPage, &In(d).m_edidPage};
    return pages[i];
}

int VisiblePage(CConsoleDlg& d) {
    int visible = -1, count = 0;
    for (int i = 0; i < 5; ++i) {
        if (Pages(d, i)->IsWindowVisible()) {
            visible = i;
            ++count;
        }
    }
    return count == 1 ? visible : -1 - count;
}

} // namespace

class ConsoleDialog : public ConsoleFixture {};

TEST_F(ConsoleDialog, StartUpState) {
    RunConsole([](CConsoleDlg& d) {
        EXPECT_EQ(d.GetWindowText(), "Kestrelon Signal Generator V1.0");
        // Bound statics start blank whatever the template's placeholders say.
        for (int id :
             {IDC_HOT_PLUG_STATUS, IDC_HDCP_STATUS, IDC_INTERFACE_STATUS, IDC_TIMING_STATUS,
              IDC_COLOR_SPACE_STATUS, IDC_COLOR_DEPTH_STATUS, IDC_SAMPLE_RATE_STATUS,
              IDC_AUDIO_BITS_STATUS, IDC_AUDIO_TYPE_STATUS, IDC_CHANNELS_STATUS})
            EXPECT_EQ(d.GetDlgItemText(id), "") << id;
        // The search status blank is stored for the next exchange; the static is still empty.
        EXPECT_EQ(In(d).m_strSearchStatus, " ");
        EXPECT_EQ(d.GetDlgItemText(IDC_SEARCH_STATUS), "");
        EXPECT_FALSE(d.IsDlgButtonChecked(IDC_SIGNAL_ON));
        EXPECT_FALSE(d.IsDlgButtonChecked(IDC_SIGNAL_OFF));
        EXPECT_EQ(In(d).m_nSignal, -1);

        EXPECT_EQ(d.ComboGetCount(IDC_PORT_COMBO), 99);
        EXPECT_EQ(d.ComboGetCurSel(IDC_PORT_COMBO), 0);
        EXPECT_EQ(d.ComboGetLBText(IDC_PORT_COMBO, 0), "COM1");
        EXPECT_EQ(d.ComboGetLBText(IDC_PORT_COMBO, 98), "COM99");
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);
        EXPECT_EQ(d.GetDlgItemImageId(IDC_HDMI_ICON), IDI_SELECTED);
        EXPECT_EQ(d.GetDlgItemImageId(IDC_SDI_ICON), IDI_PORT_IDLE);
        EXPECT_FALSE(d.IsDlgItemVisible(IDC_SIGNAL_ICON));

        EXPECT_EQ(In(d).m_nPort, 1);
        EXPECT_EQ(In(d).m_nBaudRate, 115200);
        EXPECT_EQ(In(d).m_chParity, 'N');
        EXPECT_EQ(In(d).m_nEventMask, 3u);
        EXPECT_EQ(d.m_bHdmiMode, 1);
        EXPECT_EQ(In(d).m_rx.State(), -1);
        EXPECT_EQ(d.m_address.group, 0);
        EXPECT_EQ(d.m_address.device, 0);
        EXPECT_EQ(In(d).m_timingNames[20], "1920x1080p(60)");
        EXPECT_EQ(In(d).m_timingNames[61], "AUTO");

        ASSERT_EQ(d.TabGetItemCount(IDC_TAB), 5);
        EXPECT_EQ(d.TabGetItemText(IDC_TAB, 0), " Timing ");
        EXPECT_EQ(d.TabGetItemText(IDC_TAB, 1), "Timing Details");
        EXPECT_EQ(d.TabGetItemText(IDC_TAB, 4), "TV EDID");
        EXPECT_EQ(VisiblePage(d), 0);
    });
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ConsoleDialog, PagesFillTheTabBelowItsHeader) {
    RunConsole([](CConsoleDlg& d) {
        const ui::Rect tab = d.TabGetClientRect(IDC_TAB);
        const ui::Rect area = d.TabGetDisplayRect(IDC_TAB);
        // Below the tabs (a line of the font at least) and within the frame.
        EXPECT_GE(area.top, tab.top + d.DluToPixelsY(8));
        EXPECT_GT(area.left, tab.left);
        EXPECT_LT(area.right, tab.right);
        EXPECT_LT(area.bottom, tab.bottom);
        for (int i = 0; i < 5; ++i) {
            const ui::Rect r = Pages(d, i)->GetWindowRect();
            EXPECT_EQ(r.left, area.left) << i;
            EXPECT_EQ(r.top, area.top) << i;
            EXPECT_EQ(r.right, area.right) << i;
            EXPECT_EQ(r.bottom, area.bottom) << i;
        }
    });
}

TEST_F(ConsoleDialog, TabSwitchShowsExactlyOnePage) {
    RunConsole([](CConsoleDlg& d) {
        for (int i : {1, 4, 2, 3, 0, 1}) {
            d.TabSetCurSel(IDC_TAB, i);
            d.SendNotify(IDC_TAB, ui::Notify::SelChange);
            EXPECT_EQ(VisiblePage(d), i);
        }
    });
}

TEST_F(ConsoleDialog, EscapeAndEnterNeverCloseTheConsole) {
    RunConsole([](CConsoleDlg& d) {
        ui::Msg esc{ui::WM_KEYDOWN, ui::VK_ESCAPE, 0};
        ui::Msg enter{ui::WM_KEYDOWN, ui::VK_RETURN, 0};
        ui::Msg other{ui::WM_KEYDOWN, 'A', 0};
        d.SetFocusTo(IDC_SEARCH_DEVICE);
        EXPECT_TRUE(In(d).PreTranslateMessage(esc));
        EXPECT_TRUE(In(d).PreTranslateMessage(enter));
        EXPECT_FALSE(In(d).PreTranslateMessage(other));
        EXPECT_TRUE(d.IsWindowVisible());
    });
    // Enter on the focused search button did not start a search.
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ConsoleDialog, AboutBoxFromSystemMenu) {
    std::string caption, title;
    RunConsole(
        [](CConsoleDlg& d) {
            d.SendMessage(ui::WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            // Other system commands are left to the default handling.
            d.SendMessage(ui::WM_SYSCOMMAND, 0xF020, 0);
        },
        [&](ui::Dialog& about) {
            caption = about.GetWindowText();
            title = about.GetDlgItemText(IDC_ABOUT_TITLE);
            return ui::IDOK;
        });
    EXPECT_EQ(caption, "About Kestrelon");
    EXPECT_EQ(title, "HDMI2.0/SDI signal generator V1.1");
}

TEST_F(ConsoleDialog, F1OpensTheAboutBoxWhoseOwnKeysStayInIt) {
    std::vector<std::string> captions;
    RunConsole(
        [](CConsoleDlg& d) {
            EXPECT_TRUE(ui::test::PressKey(d, IDC_SEARCH_DEVICE, ui::VK_F1));
            // From a control of a page as well.
            EXPECT_TRUE(ui::test::PressKey(In(d).m_timingPage, IDC_T_640X480_60, ui::VK_F1));
        },
        [&](ui::Dialog& about) {
            captions.push_back(about.GetWindowText());
            // F1 in the About box is the box's own key: it opens no second box over it.
            if (captions.size() == 1) {
                EXPECT_TRUE(ui::test::PressKey(about, ui::IDOK, ui::VK_F1));
            }
            return ui::IDOK;
        });
    EXPECT_EQ(captions, (std::vector<std::string>{"About Kestrelon", "About Kestrelon"}));
}

TEST_F(ConsoleDialog, CreatesAddressFileNextToExecutable) {
    std::string path;
    RunConsole([&](CConsoleDlg& d) { path = d.AddressFilePath(); });
    EXPECT_EQ(path, InExeDir("SG.ini"));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 290);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ConsoleDialog, InstalledInAReadOnlyDirectoryKeepsTheAddressFileInTheUserConfiguration) {
    const std::string config = serial::ConfigDirectory();
    ASSERT_FALSE(config.empty());
    chmod(m_exeDir.Path().c_str(), 0555);
    if (address_file::UserMayCreateFilesIn(m_exeDir.Path())) {
        chmod(m_exeDir.Path().c_str(), 0755);
        GTEST_SKIP() << "this system does not mark a folder read-only";
    }
    std::string path;
    RunConsole([&](CConsoleDlg& d) { path = d.AddressFilePath(); });
    chmod(m_exeDir.Path().c_str(), 0755);
    EXPECT_EQ(path, config + address_file::kModulePathSeparator + "SG.ini");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 290);
    EXPECT_NE(stat(InExeDir("SG.ini").c_str(), &st), 0);
    // A normal start: no message box, now or on the next start that reads the file.
    EXPECT_TRUE(Boxes().empty());
    chmod(m_exeDir.Path().c_str(), 0555);
    RunConsole([&](CConsoleDlg& d) { EXPECT_EQ(d.AddressFilePath(), path); });
    chmod(m_exeDir.Path().c_str(), 0755);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ConsoleDialog, ReadOnlyAddressFileReportsAndStartsAnyway) {
    const std::string path = m_exeDir.Path() + "/SG.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "0001 0002\r\n*abc\r\n";
    }
    chmod(path.c_str(), 0444);
    bool started = false;
    RunConsole([&](CConsoleDlg& d) {
        started = d.TabGetItemCount(IDC_TAB) == 5;
        EXPECT_EQ(In(d).m_addressWords[0], 0);
    });
    EXPECT_TRUE(started);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"File read failed"});
}

TEST_F(ConsoleDialog, AddressFileIsRead) {
    const std::string path = m_exeDir.Path() + "/SG.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "00A1 0002\r\n* Bench 1\r\n* Line 7\r\n";
    }
    RunConsole([&](CConsoleDlg& d) {
        EXPECT_EQ(In(d).m_addressWords[0], 0x00A1);
        EXPECT_EQ(In(d).m_addressWords[1], 0x0002);
        EXPECT_STREQ(In(d).m_addressNotes[0], " Bench 1");
        EXPECT_STREQ(In(d).m_addressNotes[1], " Line 7");
    });
}

TEST_F(ConsoleDialog, FrameBuilderRefusals) {
    RunConsole([](CConsoleDlg& d) {
        std::uint8_t payload[300] = {};
        payload[0] = 0x14;
        // Closed port: the frame is built, then refused with one message per command.
        d.SendCommandData(cmd::SetTiming, 1, payload);
        const std::uint8_t expected[] = {0xAA, 0, 0, 0x06, 0, 0, 0, 0x61, 0x00, 0x14, 0x00};
        std::uint8_t sum = 0;
        for (int i = 0; i < 10; ++i)
            sum = static_cast<std::uint8_t>(sum + expected[i]);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(In(d).m_abTxFrame[i], expected[i]) << i;
        EXPECT_EQ(In(d).m_abTxFrame[10], static_cast<std::uint8_t>(0u - sum));
        d.SendCommand(cmd::QueryTiming);
        const std::uint8_t query[] = {0xAA, 0, 0, 0x05, 0, 0, 0, 0x61, 0x80, 0x70};
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(In(d).m_abTxFrame[i], query[i]) << i;

        // Too long: refused before anything is built.
        d.SendCommandData(cmd::StoreUserTiming, 291, payload);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(In(d).m_abTxFrame[i], query[i]) << i;
        // 290 bytes are accepted by the builder (and then refused for the closed port).
        d.SendCommandData(cmd::StoreUserTiming, 290, payload);
        EXPECT_EQ(In(d).m_abTxFrame[3], 0x27);
        EXPECT_EQ(In(d).m_abTxFrame[4], 0x01);
    });
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"Com port is not on yet.", "Com port is not on yet.",
                                        "Too much parameter.", "Com port is not on yet."}));
}

// Disconnected, every control that would send something is refused with one "Com port is not on
// yet." and changes nothing else on screen: not a radio, check, combo, icon or panel text.
TEST_F(ConsoleDialog, EveryRefusedClickLeavesTheScreenAsItWas) {
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_timingDetailsPage.LoadTimingDetails(20);
        In(d).m_timingDetailsPage.ComboSetCurSel(IDC_D_USER_SLOT, 2);
        d.UpdateData(false);
        struct Action {
            int tab; // -1: the main dialog's own controls
            int id;
            int comboItem = -1;
        };
        const Action actions[] = {
            {-1, IDC_SIGNAL_ON},  {-1, IDC_SIGNAL_OFF},      {-1, IDC_SDI_LABEL},
            {-1, IDC_SDI_ICON},   {0, IDC_T_1080P_60},       {0, IDC_T_AUTO},
            {0, IDC_T_UHD420_60}, {1, IDC_D_SAVE_USER},      {1, IDC_D_UPDATE_STATUS},
            {2, IDC_P_RED},       {2, IDC_P_THUMB_GREEN},    {3, IDC_S_DVI},
            {3, IDC_S_HDMI},      {3, IDC_S_INTERFACE_AUTO}, {3, IDC_S_HDCP_ON},
            {3, IDC_S_YUV444},    {3, IDC_S_DEPTH_10},       {3, IDC_S_SOURCE_2K},
            {3, IDC_S_RATE_96K},  {3, IDC_S_BITS_20},        {3, IDC_S_AUDIO_CHANNEL, 3},
            {3, IDC_S_RESET},     {4, IDC_READ_EDID},
        };
        ui::Dialog* pages[] = {&In(d).m_timingPage, &In(d).m_timingDetailsPage,
                               &In(d).m_patternPage, &In(d).m_settingPage, &In(d).m_edidPage};
        for (const Action& a : actions) {
            if (a.tab >= 0) {
                ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, a.tab));
            }
            if (ui::test::ArmedInterval(d, CConsoleDlg::kTimerRepeatGuard))
                ui::test::FireTimer(d, CConsoleDlg::kTimerRepeatGuard);
            const std::string before = testsupport::ScreenState(d);
            ui::test::ClearMessageBoxes();
            ui::Dialog& where = a.tab >= 0 ? *pages[a.tab] : static_cast<ui::Dialog&>(d);
            ASSERT_TRUE(a.comboItem >= 0 ? ui::test::ChooseComboItem(where, a.id, a.comboItem)
                                         : ui::test::Click(where, a.id))
                << a.id;
            ui::ProcessEvents(5);
            EXPECT_EQ(Boxes(), std::vector<std::string>{"Com port is not on yet."}) << a.id;
            EXPECT_EQ(testsupport::StateChanges(before, testsupport::ScreenState(d)), "") << a.id;
        }
        // Nothing was left to go out once a frame is transmitted.
        EXPECT_EQ(In(d).m_nFollowUpQueries, 0);
        EXPECT_EQ(d.m_bHdmiMode, 1);
    });
}
