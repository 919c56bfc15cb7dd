// The Setting page as the operator meets it: every group's command, the DVI and 4K rules with
// their messages, the AUTO read-backs and their waits, the channel lists of both outputs, the
// reset note and the settings of the status read-back. The port stays closed, so every frame the
// page builds is refused with "Com port is not on yet." and stays in the console's transmit
// frame, where the test reads it.
#include "link/code_names.h"
#include "link/command_words.h"
#include "res/resource.h"
#include "support/console_fixture.h"

#include <string>
#include <vector>

using testsupport::ConsoleFixture;

namespace {

const std::string kPortClosed = "Com port is not on yet.";
const std::string kDviColorSpace = "When in DVI mode, the colorspace is fixed to RGB4:4:4 !";
const std::string kDviDepth = "When in DVI mode, the color depth is fixed to 24bit !";
const std::string k4kColorSpace =
    "When in 4K(60Hz/50Hz) mode, the colorspace is fixed to YUV4:2:0 !";
const std::string k4kDepth = "When in 4K mode, Color Depth is fixed to 24bit !";

// The last frame the console built: command word and payload bytes.
struct Frame {
    std::uint16_t word;
    std::vector<std::uint8_t> payload;
    bool operator==(const Frame& o) const { return word == o.word && payload == o.payload; }
};

Frame LastFrame(const CConsoleDlg& d) {
    const int length = d.m_abTxFrame[3] | (d.m_abTxFrame[4] << 8);
    Frame f{static_cast<std::uint16_t>(d.m_abTxFrame[7] | (d.m_abTxFrame[8] << 8)), {}};
    for (int i = 0; i < length - 5; ++i)
        f.payload.push_back(d.m_abTxFrame[9 + i]);
    return f;
}

class SettingPage : public ConsoleFixture {
protected:
    // Shows the page, then runs body with the console and the page.
    void Run(const std::function<void(CConsoleDlg&, CSettingPage&)>& body) {
        RunConsole([&](CConsoleDlg& d) {
            ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 3));
            ASSERT_TRUE(d.m_settingPage.IsWindowVisible());
            body(d, d.m_settingPage);
        });
    }
    // One operator action: the repeat guard has run out, the records are fresh.
    static void Act(CConsoleDlg& d) {
        if (ui::test::ArmedInterval(d, CConsoleDlg::kTimerRepeatGuard))
            ui::test::FireTimer(d, CConsoleDlg::kTimerRepeatGuard);
        ui::test::ClearMessageBoxes();
        ui::test::ClearSleeps();
    }
    static bool Click(CConsoleDlg& d, int id) {
        Act(d);
        return ui::test::Click(d.m_settingPage, id);
    }
    // Number of frames the action built.
    static int Sends() {
        int n = 0;
        for (const std::string& box : ui::test::MessageBoxes())
            n += box == kPortClosed;
        return n;
    }
    // Message boxes other than the closed-port refusals.
    static std::vector<std::string> Warnings() {
        std::vector<std::string> out;
        for (const std::string& box : ui::test::MessageBoxes())
            if (box != kPortClosed)
                out.push_back(box);
        return out;
    }
};

} // namespace

TEST_F(SettingPage, StartsBlankWithTheTemplateChannelList) {
    Run([](CConsoleDlg&, CSettingPage& p) {
        for (int id = IDC_S_DVI; id <= IDC_S_SOURCE_EXT; ++id)
            EXPECT_FALSE(p.IsDlgButtonChecked(id)) << id;
        EXPECT_FALSE(p.IsDlgItemEnabled(IDC_S_YUV420));
        EXPECT_TRUE(p.IsDlgItemEnabled(IDC_S_COLOR_SPACE_AUTO));
        // The first refresh replaced the template's placeholder with the empty note.
        EXPECT_EQ(p.GetDlgItemText(IDC_S_WAIT_NOTE), "");
        EXPECT_EQ(p.GetDlgItemText(IDC_S_RESET), "Reset to Default Setting");

        ASSERT_EQ(p.ComboGetCount(IDC_S_AUDIO_CHANNEL), 32);
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), -1);
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 0), "1: 2CH        FR_FL");
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 1), "2: 2.1CH     LFE_FR_FL, ");
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 25),
                  "26: 5.1CH     FRC_FLC_RC_LFE_FR_FL, ");
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 30),
                  "31: 7CH        FRC_FLC_RR_RL_FC_FR_FL, ");
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 31),
                  "32: 7.1CH     FRC_FLC_RR_RL_FC_LFE_FR_FL");
    });
}

TEST_F(SettingPage, RadioIndexFollowsTemplateOrder) {
    Run([](CConsoleDlg&, CSettingPage& p) {
        // YUV4:2:0 (1075) is index 3 and AUTO (1074) index 4.
        p.m_nColorSpace = 3;
        p.UpdateData(false);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_YUV420));
        p.m_nColorSpace = 4;
        p.UpdateData(false);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_COLOR_SPACE_AUTO));
        p.m_nSampleRate = 7;
        p.m_nAudioSource = 3;
        p.UpdateData(false);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_RATE_AUTO));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_SOURCE_EXT));
    });
}

TEST_F(SettingPage, EveryGroupSendsItsWordWithTheRadioIndex) {
    Run([](CConsoleDlg& d, CSettingPage&) {
        d.m_timingPage.m_nTimingCode = 20;
        const struct {
            int id;
            std::uint16_t word;
            std::uint8_t value;
        } cases[] = {
            {IDC_S_HDMI, cmd::SetHdmiDviMode, 1},      {IDC_S_HDCP_ON, cmd::SetHdcp, 1},
            {IDC_S_HDCP_OFF, cmd::SetHdcp, 0},         {IDC_S_YUV422, cmd::SetColorSpace, 2},
            {IDC_S_YUV444, cmd::SetColorSpace, 1},     {IDC_S_DEPTH_16, cmd::SetColorDepth, 3},
            {IDC_S_DEPTH_10, cmd::SetColorDepth, 1},   {IDC_S_SOURCE_EXT, cmd::SetAudioSource, 3},
            {IDC_S_SOURCE_2K, cmd::SetAudioSource, 1}, {IDC_S_RATE_176K, cmd::SetSampleRate, 5},
            {IDC_S_RATE_44K, cmd::SetSampleRate, 1},   {IDC_S_BITS_20, cmd::SetAudioBits, 1},
        };
        for (const auto& c : cases) {
            ASSERT_TRUE(Click(d, c.id)) << c.id;
            EXPECT_EQ(Sends(), 1) << c.id;
            EXPECT_TRUE(Warnings().empty()) << c.id;
            EXPECT_EQ(LastFrame(d), (Frame{c.word, {c.value}})) << c.id;
        }
        // The panel follows each choice.
        EXPECT_EQ(d.m_strInterface, "HDMI");
        EXPECT_EQ(d.m_strHdcp, "OFF");
        EXPECT_EQ(d.m_strColorSpace, "YUV4:4:4");
        EXPECT_EQ(d.m_strColorDepth, "10bit");
        EXPECT_EQ(d.m_strSampleRate, "44.1K");
        EXPECT_EQ(d.m_strAudioBits, "20bit");
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_SPACE_STATUS), "YUV4:4:4");
        EXPECT_EQ(d.GetDlgItemText(IDC_AUDIO_BITS_STATUS), "20bit");
        // Audio bits wait 20 ms after their command.
        EXPECT_EQ(ui::test::Sleeps(), std::vector<int>{20});
    });
}

TEST_F(SettingPage, AutoChoicesAskForTheSettingsAfterTheirWait) {
    Run([](CConsoleDlg& d, CSettingPage&) {
        d.m_timingPage.m_nTimingCode = 20;
        ASSERT_TRUE(Click(d, IDC_S_HDMI));
        const struct {
            int id;
            int wait;
        } cases[] = {{IDC_S_INTERFACE_AUTO, 300},
                     {IDC_S_COLOR_SPACE_AUTO, 300},
                     {IDC_S_DEPTH_AUTO, 300},
                     {IDC_S_RATE_AUTO, 300},
                     {IDC_S_BITS_AUTO, 20}};
        for (const auto& c : cases) {
            ASSERT_TRUE(Click(d, c.id)) << c.id;
            EXPECT_EQ(Sends(), 2) << c.id;
            EXPECT_EQ(LastFrame(d), (Frame{cmd::QueryStatusSummary, {}})) << c.id;
            EXPECT_EQ(ui::test::Sleeps(), std::vector<int>{c.wait}) << c.id;
        }
        EXPECT_EQ(d.m_strColorSpace, "AUTO");
        EXPECT_EQ(d.m_strAudioBits, "AUTO");
        // Choices other than AUTO ask for nothing.
        ASSERT_TRUE(Click(d, IDC_S_RATE_96K));
        EXPECT_EQ(Sends(), 1);
        EXPECT_TRUE(ui::test::Sleeps().empty());
    });
}

TEST_F(SettingPage, DviFixesColourSpaceAndDepth) {
    Run([](CConsoleDlg& d, CSettingPage& p) {
        d.m_timingPage.m_nTimingCode = 20;
        ASSERT_TRUE(Click(d, IDC_S_HDMI));
        ASSERT_TRUE(Click(d, IDC_S_YUV422));
        ASSERT_TRUE(Click(d, IDC_S_DEPTH_12));

        ASSERT_TRUE(Click(d, IDC_S_DVI));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetHdmiDviMode, {0}}));
        EXPECT_EQ(p.m_nOutputMode, 0);
        EXPECT_EQ(p.m_nColorSpace, 0);
        EXPECT_EQ(p.m_nColorDepth, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "DVI ");
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_SPACE_STATUS), "RGB4:4:4");
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_DEPTH_STATUS), "24bit");

        ASSERT_TRUE(Click(d, IDC_S_YUV444));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(Warnings(), std::vector<std::string>{kDviColorSpace});
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_RGB444));
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_YUV444));

        ASSERT_TRUE(Click(d, IDC_S_DEPTH_10));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(Warnings(), std::vector<std::string>{kDviDepth});
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_DEPTH_8));
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_DEPTH_10));

        // Back to HDMI, the choices go out again.
        ASSERT_TRUE(Click(d, IDC_S_HDMI));
        EXPECT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "HDMI");
        ASSERT_TRUE(Click(d, IDC_S_YUV444));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorSpace, {1}}));
    });
}

TEST_F(SettingPage, FourKRulesForColourSpaceAndDepth) {
    Run([](CConsoleDlg& d, CSettingPage& p) {
        ASSERT_TRUE(Click(d, IDC_S_HDMI));
        d.m_timingPage.m_nTimingCode = 30; // UHD at 25 Hz
        ASSERT_TRUE(Click(d, IDC_S_YUV422));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorSpace, {2}}));

        d.m_timingPage.m_nTimingCode = 40; // UHD 4:2:0 at 50 Hz
        for (int id : {IDC_S_RGB444, IDC_S_YUV444, IDC_S_COLOR_SPACE_AUTO}) {
            ASSERT_TRUE(Click(d, id));
            EXPECT_EQ(Sends(), 0) << id;
            EXPECT_EQ(Warnings(), std::vector<std::string>{k4kColorSpace}) << id;
            EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_YUV422)) << id;
        }

        // Any 4K timing allows 8bit and AUTO depth only.
        for (int code : {28, 30, 43}) {
            d.m_timingPage.m_nTimingCode = code;
            ASSERT_TRUE(Click(d, IDC_S_DEPTH_8));
            EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorDepth, {0}}));
            for (int id : {IDC_S_DEPTH_10, IDC_S_DEPTH_12, IDC_S_DEPTH_16}) {
                ASSERT_TRUE(Click(d, id));
                EXPECT_EQ(Sends(), 0) << code << " " << id;
                EXPECT_EQ(Warnings(), std::vector<std::string>{k4kDepth});
                EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_DEPTH_8));
            }
            ASSERT_TRUE(Click(d, IDC_S_DEPTH_AUTO));
            EXPECT_EQ(Sends(), 2) << code;
        }
        // Outside 4K, 12bit goes out.
        d.m_timingPage.m_nTimingCode = 27;
        ASSERT_TRUE(Click(d, IDC_S_DEPTH_12));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorDepth, {2}}));
    });
}

TEST_F(SettingPage, HdcpChoiceSurvivesALaterRefresh) {
    Run([](CConsoleDlg& d, CSettingPage& p) {
        d.m_timingPage.m_nTimingCode = 20;
        ASSERT_TRUE(Click(d, IDC_S_HDCP_ON));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetHdcp, {1}}));
        EXPECT_EQ(d.GetDlgItemText(IDC_HDCP_STATUS), "ON ");
        // A refused choice refreshes the page; HDCP ON stays selected, and the panel keeps it
        // after an output change.
        ASSERT_TRUE(Click(d, IDC_S_DVI));
        ASSERT_TRUE(Click(d, IDC_S_YUV422));
        EXPECT_EQ(Warnings(), std::vector<std::string>{kDviColorSpace});
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_HDCP_ON));
        d.RefreshOutputDependents();
        EXPECT_EQ(d.m_strHdcp, "ON ");
    });
}

TEST_F(SettingPage, RepeatGuardSwallowsTheSecondNotification) {
    Run([](CConsoleDlg& d, CSettingPage&) {
        d.m_timingPage.m_nTimingCode = 20;
        ASSERT_TRUE(Click(d, IDC_S_HDMI));
        ASSERT_TRUE(Click(d, IDC_S_RATE_32K));
        EXPECT_EQ(d.m_bRepeatGuard, 1);
        EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerRepeatGuard), 50);
        ui::test::ClearMessageBoxes();
        ASSERT_TRUE(ui::test::Click(d.m_settingPage, IDC_S_RATE_48K));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(d.m_bRepeatGuard, 0);
        EXPECT_EQ(d.m_strSampleRate, "32K");

        // The interface command is sent regardless; only the DVI panel update is skipped.
        ASSERT_TRUE(Click(d, IDC_S_RATE_96K));
        ui::test::ClearMessageBoxes();
        ASSERT_TRUE(ui::test::Click(d.m_settingPage, IDC_S_DVI));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetHdmiDviMode, {0}}));
        EXPECT_EQ(d.m_strInterface, "HDMI");
        EXPECT_EQ(d.m_settingPage.m_nColorSpace, 0);
    });
}

TEST_F(SettingPage, ChannelListsOfBothOutputs) {
    Run([](CConsoleDlg& d, CSettingPage& p) {
        d.RefreshOutputDependents();
        ASSERT_EQ(p.ComboGetCount(IDC_S_AUDIO_CHANNEL), 32);
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 1), "2: 2.1CH     LFE_FR_FL");
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 9), "10: 4.1CH          RR_RL_LFE_FR_FL");
        Act(d);
        ASSERT_TRUE(ui::test::ChooseComboItem(p, IDC_S_AUDIO_CHANNEL, 12));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetChannelsHdmi, {12}}));
        EXPECT_EQ(d.m_nChannelSelection, 12);
        EXPECT_EQ(d.m_strChannels, names::HdmiChannelText(12));

        // SDI: 8 entries, the HDMI-only controls off, index 12 gone.
        d.m_bHdmiMode = 0;
        d.RefreshOutputDependents();
        ASSERT_EQ(p.ComboGetCount(IDC_S_AUDIO_CHANNEL), 8);
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), -1);
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 2), "3: Ch1+Ch2+Ch3+Ch4");
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 7), "8: OFF");
        for (int id = IDC_S_DVI; id <= IDC_S_BITS_AUTO; ++id)
            EXPECT_FALSE(p.IsDlgItemEnabled(id)) << id;
        for (int id : {IDC_S_SOURCE_1K, IDC_S_SOURCE_EXT, IDC_S_AUDIO_CHANNEL, IDC_S_RESET})
            EXPECT_TRUE(p.IsDlgItemEnabled(id)) << id;
        Act(d);
        ASSERT_TRUE(ui::test::ChooseComboItem(p, IDC_S_AUDIO_CHANNEL, 3));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetChannelsSdi, {3}}));
        EXPECT_EQ(d.m_strChannels, "CH5,6");
        ASSERT_TRUE(Click(d, IDC_S_SOURCE_4K));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetAudioSource, {2}}));

        // Back on HDMI the selection index carries over; 1075 stays disabled.
        d.m_bHdmiMode = 1;
        d.RefreshOutputDependents();
        EXPECT_EQ(p.ComboGetCount(IDC_S_AUDIO_CHANNEL), 32);
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), 3);
        EXPECT_TRUE(p.IsDlgItemEnabled(IDC_S_HDCP_ON));
        EXPECT_FALSE(p.IsDlgItemEnabled(IDC_S_YUV420));
    });
}

TEST_F(SettingPage, ResetShowsTheWaitNoteUntilTheReadBack) {
    Run([](CConsoleDlg& d, CSettingPage& p) {
        ASSERT_TRUE(Click(d, IDC_S_RESET));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::ResetToDefault, {}}));
        EXPECT_EQ(p.GetDlgItemText(IDC_S_WAIT_NOTE), "Wait for a few seconds...");
        // Reset is not guarded: a second click at once goes out too.
        ui::test::ClearMessageBoxes();
        ASSERT_TRUE(ui::test::Click(p, IDC_S_RESET));
        EXPECT_EQ(Sends(), 1);

        const unsigned char settings[8] = {1, 0, 1, 1, 2, 2, 0, 1};
        Act(d);
        p.ShowStatus(settings);
        EXPECT_TRUE(ui::test::MessageBoxes().empty());
        EXPECT_EQ(p.GetDlgItemText(IDC_S_WAIT_NOTE), "");
        for (int id : {IDC_S_YUV444, IDC_S_DEPTH_8, IDC_S_HDCP_ON, IDC_S_HDMI, IDC_S_RATE_48K,
                       IDC_S_BITS_24, IDC_S_SOURCE_1K})
            EXPECT_TRUE(p.IsDlgButtonChecked(id)) << id;
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), 1);
        EXPECT_EQ(p.m_nAudioChannel, 1);
        EXPECT_EQ(d.m_nChannelSelection, 1);
        EXPECT_EQ(d.m_strColorSpace, "YUV4:4:4");
        EXPECT_EQ(d.m_strColorDepth, "8bit");
        EXPECT_EQ(d.m_strHdcp, "ON ");
        EXPECT_EQ(d.m_strInterface, "HDMI");
        EXPECT_EQ(d.m_strSampleRate, "48K");
        EXPECT_EQ(d.m_strAudioBits, "24bit");
        EXPECT_EQ(d.m_strAudioType, "PCM");
        EXPECT_EQ(d.m_strChannels, names::HdmiChannelText(1));
    });
}

TEST_F(SettingPage, StatusBytesAreSignedAndOutOfRangeSelectsNothing) {
    Run([](CConsoleDlg& d, CSettingPage& p) {
        const unsigned char settings[8] = {0xFF, 9, 0, 2, 0x80, 3, 3, 40};
        p.SelectChannel(5);
        p.ShowStatus(settings);
        EXPECT_EQ(p.m_nColorSpace, -1);
        EXPECT_EQ(p.m_nSampleRate, -128);
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_RGB444));
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), -1);
        EXPECT_EQ(d.m_strInterface, "AUTO");
        EXPECT_EQ(d.m_strAudioBits, "AUTO");
        EXPECT_EQ(d.m_strChannels, "");
    });
}

TEST_F(SettingPage, EnterDoesNothing) {
    Run([](CConsoleDlg& d, CSettingPage& p) {
        Act(d);
        EXPECT_TRUE(ui::test::PressKey(p, IDC_S_RESET, ui::VK_RETURN));
        EXPECT_TRUE(ui::test::MessageBoxes().empty());
        EXPECT_TRUE(p.IsWindowVisible());
    });
}
