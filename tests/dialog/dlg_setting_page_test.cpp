// The Setting page as the operator meets it, in a small fake console: every group's command, the
// DVI and 4K rules with their messages, the AUTO read-backs and their waits, the channel lists of
// both outputs, the reset note and the settings of the status read-back. The fake console is
// connected unless a test says otherwise; it keeps every frame the page builds.
#include "link/code_names.h"
#include "link/command_words.h"
#include "res/resource.h"
#include "support/fake_page_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::CFakeConsole;
using Frame = CFakeConsole::Sent;

namespace {

const std::string kPortClosed = "Com port is not on yet.";
const std::string kDviColorSpace = "When in DVI mode, the colorspace is fixed to RGB4:4:4 !";
const std::string kDviDepth = "When in DVI mode, the color depth is fixed to 24bit !";
const std::string k4kColorSpace =
    "When in 4K(60Hz/50Hz) mode, the colorspace is fixed to YUV4:2:0 !";
const std::string k4kDepth = "When in 4K mode, Color Depth is fixed to 24bit !";

Frame LastFrame(const CFakeConsole& host) {
    return host.built.empty() ? Frame{0, {}} : host.built.back();
}

class SettingPage : public ::testing::Test {
protected:
    // Runs body with the fake console and the page shown in it.
    void Run(const std::function<void(CFakeConsole&, CSettingPage&)>& body) {
        CFakeConsole host;
        host.connected = true;
        s_host = &host;
        CSettingPage page(host);
        host.settings = &page;
        host.Run(page, [&] {
            ASSERT_TRUE(page.IsWindowVisible());
            body(host, page);
        });
    }
    // One operator action: the repeat guard has run out, the records are fresh.
    static void Act(CFakeConsole& host) {
        host.EndRepeatGuard();
        s_mark = host.built.size();
        ui::test::ClearMessageBoxes();
        ui::test::ClearSleeps();
    }
    static bool Click(CFakeConsole& host, CSettingPage& p, int id) {
        Act(host);
        return ui::test::Click(p, id);
    }
    // What the console does for this page after the output changed.
    static void OutputChanged(CFakeConsole& host, CSettingPage& p) {
        p.UpdateForOutputMode();
        host.ShowSampleRate();
        host.ShowColorDepth();
        host.ShowColorSpace();
        host.ShowHdcp();
        host.ShowInterface();
    }
    // Starts counting the frames sent anew, without ending the repeat guard.
    static void Mark(CFakeConsole& host) {
        ui::test::ClearMessageBoxes();
        s_mark = host.built.size();
    }
    // Number of frames the action sent.
    static int Sends() { return static_cast<int>(s_host->built.size() - s_mark); }
    // Message boxes other than the closed-port refusals.
    static std::vector<std::string> Warnings() {
        std::vector<std::string> out;
        for (const std::string& box : ui::test::MessageBoxes())
            if (box != kPortClosed)
                out.push_back(box);
        return out;
    }

    ui::test::ScopedHooks m_hooks;
    static inline CFakeConsole* s_host = nullptr;
    static inline std::size_t s_mark = 0;
};

} // namespace

TEST_F(SettingPage, StartsBlankWithTheTemplateChannelList) {
    Run([](CFakeConsole&, CSettingPage& p) {
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
    Run([](CFakeConsole&, CSettingPage& p) {
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
    Run([](CFakeConsole& d, CSettingPage& p) {
        d.timingCode = 20;
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
            ASSERT_TRUE(Click(d, p, c.id)) << c.id;
            EXPECT_EQ(Sends(), 1) << c.id;
            EXPECT_TRUE(Warnings().empty()) << c.id;
            EXPECT_EQ(LastFrame(d), (Frame{c.word, {c.value}})) << c.id;
        }
        // The panel follows each choice.
        EXPECT_EQ(d.panel.interface, "HDMI");
        EXPECT_EQ(d.panel.hdcp, "OFF");
        EXPECT_EQ(d.panel.colorSpace, "YUV4:4:4");
        EXPECT_EQ(d.panel.colorDepth, "10bit");
        EXPECT_EQ(d.panel.sampleRate, "44.1K");
        EXPECT_EQ(d.panel.audioBits, "20bit");
        EXPECT_EQ(d.shown.colorSpace, "YUV4:4:4");
        EXPECT_EQ(d.shown.audioBits, "20bit");
        // Audio bits wait 20 ms after their command.
        EXPECT_EQ(ui::test::Sleeps(), std::vector<int>{20});
    });
}

TEST_F(SettingPage, AutoChoicesAskForTheSettingsAfterTheirWait) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        d.timingCode = 20;
        ASSERT_TRUE(Click(d, p, IDC_S_HDMI));
        const struct {
            int id;
            int wait;
        } cases[] = {{IDC_S_INTERFACE_AUTO, 300},
                     {IDC_S_COLOR_SPACE_AUTO, 300},
                     {IDC_S_DEPTH_AUTO, 300},
                     {IDC_S_RATE_AUTO, 300},
                     {IDC_S_BITS_AUTO, 20}};
        for (const auto& c : cases) {
            ASSERT_TRUE(Click(d, p, c.id)) << c.id;
            EXPECT_EQ(Sends(), 2) << c.id;
            EXPECT_EQ(LastFrame(d), (Frame{cmd::QueryStatusSummary, {}})) << c.id;
            EXPECT_EQ(ui::test::Sleeps(), std::vector<int>{c.wait}) << c.id;
        }
        EXPECT_EQ(d.panel.colorSpace, "AUTO");
        EXPECT_EQ(d.panel.audioBits, "AUTO");
        // Choices other than AUTO ask for nothing.
        ASSERT_TRUE(Click(d, p, IDC_S_RATE_96K));
        EXPECT_EQ(Sends(), 1);
        EXPECT_TRUE(ui::test::Sleeps().empty());
    });
}

TEST_F(SettingPage, DviFixesColourSpaceAndDepth) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        d.timingCode = 20;
        ASSERT_TRUE(Click(d, p, IDC_S_HDMI));
        ASSERT_TRUE(Click(d, p, IDC_S_YUV422));
        ASSERT_TRUE(Click(d, p, IDC_S_DEPTH_12));

        ASSERT_TRUE(Click(d, p, IDC_S_DVI));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetHdmiDviMode, {0}}));
        EXPECT_EQ(p.m_nOutputMode, 0);
        EXPECT_EQ(p.m_nColorSpace, 0);
        EXPECT_EQ(p.m_nColorDepth, 0);
        EXPECT_EQ(d.shown.interface, "DVI ");
        EXPECT_EQ(d.shown.colorSpace, "RGB4:4:4");
        EXPECT_EQ(d.shown.colorDepth, "24bit");
        // The radios agree with the panel at once, not at some later refresh.
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_RGB444));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_DEPTH_8));
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_DEPTH_12));

        ASSERT_TRUE(Click(d, p, IDC_S_YUV444));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(Warnings(), std::vector<std::string>{kDviColorSpace});
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_RGB444));
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_YUV444));

        ASSERT_TRUE(Click(d, p, IDC_S_DEPTH_10));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(Warnings(), std::vector<std::string>{kDviDepth});
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_DEPTH_8));
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_DEPTH_10));

        // Back to HDMI, the choices go out again.
        ASSERT_TRUE(Click(d, p, IDC_S_HDMI));
        EXPECT_EQ(d.shown.interface, "HDMI");
        ASSERT_TRUE(Click(d, p, IDC_S_YUV444));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorSpace, {1}}));
    });
}

TEST_F(SettingPage, FourKRulesForColourSpaceAndDepth) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        ASSERT_TRUE(Click(d, p, IDC_S_HDMI));
        d.timingCode = 30; // UHD at 25 Hz
        ASSERT_TRUE(Click(d, p, IDC_S_YUV422));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorSpace, {2}}));

        d.timingCode = 40; // UHD 4:2:0 at 50 Hz
        for (int id : {IDC_S_RGB444, IDC_S_YUV444, IDC_S_COLOR_SPACE_AUTO}) {
            ASSERT_TRUE(Click(d, p, id));
            EXPECT_EQ(Sends(), 0) << id;
            EXPECT_EQ(Warnings(), std::vector<std::string>{k4kColorSpace}) << id;
            EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_YUV422)) << id;
        }

        // Any 4K timing allows 8bit and AUTO depth only.
        for (int code : {28, 30, 43}) {
            d.timingCode = code;
            ASSERT_TRUE(Click(d, p, IDC_S_DEPTH_8));
            EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorDepth, {0}}));
            for (int id : {IDC_S_DEPTH_10, IDC_S_DEPTH_12, IDC_S_DEPTH_16}) {
                ASSERT_TRUE(Click(d, p, id));
                EXPECT_EQ(Sends(), 0) << code << " " << id;
                EXPECT_EQ(Warnings(), std::vector<std::string>{k4kDepth});
                EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_DEPTH_8));
            }
            ASSERT_TRUE(Click(d, p, IDC_S_DEPTH_AUTO));
            EXPECT_EQ(Sends(), 2) << code;
        }
        // Outside 4K, 12bit goes out.
        d.timingCode = 27;
        ASSERT_TRUE(Click(d, p, IDC_S_DEPTH_12));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetColorDepth, {2}}));
    });
}

TEST_F(SettingPage, AChosenTimingAppliesTheFourKColourRulesAndTheirReversal) {
    Run([](CFakeConsole& d, CSettingPage& s) {
        s.m_nColorSpace = 0;
        s.m_nColorDepth = 2;
        s.ApplyTiming(38); // UHD(4:2:0)(60)
        EXPECT_EQ(s.m_nColorSpace, 3);
        EXPECT_EQ(s.m_nColorDepth, 0);
        EXPECT_EQ(d.panel.colorSpace, "YUV4:2:0");
        EXPECT_EQ(d.panel.colorDepth, "8bit");
        EXPECT_TRUE(s.IsDlgButtonChecked(IDC_S_YUV420));

        s.ApplyTiming(20); // 1080p(60): 4:2:0 goes, the depth stays
        EXPECT_EQ(s.m_nColorSpace, 0);
        EXPECT_EQ(s.m_nColorDepth, 0);
        EXPECT_EQ(d.panel.colorSpace, "RGB4:4:4");

        s.m_nColorSpace = 1;
        s.m_nColorDepth = 2;
        s.ApplyTiming(28); // UHD(30): YUV4:4:4 stays, the depth becomes 8 bit
        EXPECT_EQ(s.m_nColorSpace, 1);
        EXPECT_EQ(s.m_nColorDepth, 0);

        s.ApplyTiming(43); // DCI 4K(4:2:0)(50), then DCI 4K(30) leaves 4:2:0
        EXPECT_EQ(s.m_nColorSpace, 3);
        s.ApplyTiming(33);
        EXPECT_EQ(s.m_nColorSpace, 0);
    });
}

TEST_F(SettingPage, HdcpChoiceSurvivesALaterRefresh) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        d.timingCode = 20;
        ASSERT_TRUE(Click(d, p, IDC_S_HDCP_ON));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetHdcp, {1}}));
        EXPECT_EQ(d.shown.hdcp, "ON ");
        // A refused choice refreshes the page; HDCP ON stays selected, and the panel keeps it
        // after an output change.
        ASSERT_TRUE(Click(d, p, IDC_S_DVI));
        ASSERT_TRUE(Click(d, p, IDC_S_YUV422));
        EXPECT_EQ(Warnings(), std::vector<std::string>{kDviColorSpace});
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_HDCP_ON));
        OutputChanged(d, p);
        EXPECT_EQ(d.panel.hdcp, "ON ");
    });
}

TEST_F(SettingPage, RepeatGuardSwallowsTheSecondNotification) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        d.timingCode = 20;
        ASSERT_TRUE(Click(d, p, IDC_S_HDMI));
        ASSERT_TRUE(Click(d, p, IDC_S_RATE_32K));
        EXPECT_TRUE(d.guard);
        Mark(d);
        ASSERT_TRUE(ui::test::Click(p, IDC_S_RATE_48K));
        EXPECT_EQ(Sends(), 0);
        EXPECT_FALSE(d.guard);
        EXPECT_EQ(d.panel.sampleRate, "32K");
        // The swallowed click leaves the radio of what was sent.
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_RATE_32K));
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_RATE_48K));

        // The interface command is sent regardless; only the DVI panel update is skipped.
        ASSERT_TRUE(Click(d, p, IDC_S_RATE_96K));
        Mark(d);
        ASSERT_TRUE(ui::test::Click(p, IDC_S_DVI));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetHdmiDviMode, {0}}));
        EXPECT_EQ(d.panel.interface, "HDMI");
        EXPECT_EQ(p.m_nColorSpace, 0);
    });
}

TEST_F(SettingPage, ChannelListsOfBothOutputs) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        OutputChanged(d, p);
        ASSERT_EQ(p.ComboGetCount(IDC_S_AUDIO_CHANNEL), 32);
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 1), "2: 2.1CH     LFE_FR_FL");
        EXPECT_EQ(p.ComboGetLBText(IDC_S_AUDIO_CHANNEL, 9), "10: 4.1CH          RR_RL_LFE_FR_FL");
        Act(d);
        ASSERT_TRUE(ui::test::ChooseComboItem(p, IDC_S_AUDIO_CHANNEL, 12));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetChannelsHdmi, {12}}));
        EXPECT_EQ(d.channelSelection, 12);
        EXPECT_EQ(d.panel.channels, names::HdmiChannelText(12));

        // SDI: 8 entries, the HDMI-only controls off, index 12 gone. The greyed radios show the
        // SDI output's fixed format, as the panel does, while the HDMI settings are kept.
        const unsigned char hdmiSettings[8] = {0, 2, 1, 1, 6, 2, 0, 12};
        p.ShowStatus(hdmiSettings);
        d.hdmi = false;
        OutputChanged(d, p);
        for (int id : {IDC_S_YUV422, IDC_S_DEPTH_10, IDC_S_RATE_48K, IDC_S_HDCP_OFF})
            EXPECT_TRUE(p.IsDlgButtonChecked(id)) << id;
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_HDMI));
        EXPECT_EQ(d.panel.colorSpace, "YUV4:2:2");
        EXPECT_EQ(d.panel.colorDepth, "10bit");
        p.UpdateData(true);
        EXPECT_EQ(p.m_nColorDepth, 2);
        EXPECT_EQ(p.m_nHdcp, 1);
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
        EXPECT_EQ(d.panel.channels, "CH5,6");
        ASSERT_TRUE(Click(d, p, IDC_S_SOURCE_4K));
        EXPECT_EQ(LastFrame(d), (Frame{cmd::SetAudioSource, {2}}));

        // Back on HDMI the list shows no layout until the generator reports the HDMI output's
        // own (index 3 was the SDI output's); 1075 stays disabled.
        d.hdmi = true;
        OutputChanged(d, p);
        EXPECT_EQ(p.ComboGetCount(IDC_S_AUDIO_CHANNEL), 32);
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), -1);
        for (int id : {IDC_S_RGB444, IDC_S_DEPTH_12, IDC_S_RATE_192K, IDC_S_HDCP_ON, IDC_S_HDMI})
            EXPECT_TRUE(p.IsDlgButtonChecked(id)) << id;
        p.ShowChannel(12);
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), 12);
        // The same output reported again keeps its selection.
        OutputChanged(d, p);
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), 12);
        EXPECT_TRUE(p.IsDlgItemEnabled(IDC_S_HDCP_ON));
        EXPECT_FALSE(p.IsDlgItemEnabled(IDC_S_YUV420));
    });
}

TEST_F(SettingPage, ResetShowsTheWaitNoteUntilTheReadBack) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        ASSERT_TRUE(Click(d, p, IDC_S_RESET));
        EXPECT_EQ(Sends(), 1);
        EXPECT_EQ(LastFrame(d), (Frame{cmd::ResetToDefault, {}}));
        EXPECT_EQ(p.GetDlgItemText(IDC_S_WAIT_NOTE), "Wait for a few seconds...");
        EXPECT_EQ(d.calls, std::vector<std::string>{"ResetSent"});
        // Reset is not guarded: a second click at once goes out too.
        Mark(d);
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
        EXPECT_EQ(d.channelSelection, 1);
        EXPECT_EQ(d.panel.colorSpace, "YUV4:4:4");
        EXPECT_EQ(d.panel.colorDepth, "8bit");
        EXPECT_EQ(d.panel.hdcp, "ON ");
        EXPECT_EQ(d.panel.interface, "HDMI");
        EXPECT_EQ(d.panel.sampleRate, "48K");
        EXPECT_EQ(d.panel.audioBits, "24bit");
        EXPECT_EQ(d.panel.audioType, "PCM");
        EXPECT_EQ(d.panel.channels, names::HdmiChannelText(1));
    });
}

TEST_F(SettingPage, StatusBytesAreSignedAndOutOfRangeSelectsNothing) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        const unsigned char settings[8] = {0xFF, 9, 0, 2, 0x80, 3, 3, 40};
        p.SelectChannel(5);
        p.ShowStatus(settings);
        EXPECT_EQ(p.m_nColorSpace, -1);
        EXPECT_EQ(p.m_nSampleRate, -128);
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_S_RGB444));
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), -1);
        EXPECT_EQ(d.panel.interface, "AUTO");
        EXPECT_EQ(d.panel.audioBits, "AUTO");
        EXPECT_EQ(d.panel.channels, "");
    });
}

TEST_F(SettingPage, EnterDoesNothing) {
    Run([](CFakeConsole& d, CSettingPage& p) {
        Act(d);
        EXPECT_TRUE(ui::test::PressKey(p, IDC_S_RESET, ui::VK_RETURN));
        EXPECT_TRUE(ui::test::MessageBoxes().empty());
        EXPECT_TRUE(p.IsWindowVisible());
    });
}
