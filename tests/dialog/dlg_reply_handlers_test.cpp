// The reply handlers and the front panel: what each reply changes on the panel and the pages, and
// which requests follow it.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "link/frame.h"
#include "link/link_messages.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"

using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;

class ReplyHandlers : public ConsoleFixture {
protected:
    // Connects to COM1 and ends the read-back, so later replies go to the general parser.
    void Connect(CConsoleDlg& d) {
        ConnectAndEndReadBack(d);
        Words(2, 300);
    }

    // The command words of the requests that reach the far side, serving deliveries meanwhile.
    std::vector<std::uint16_t> Words(std::size_t want, int withinMs = 3000) {
        return testsupport::AwaitWords(m_peer, want, withinMs);
    }

    PtyPeer m_peer{m_ports, 1};
};

TEST_F(ReplyHandlers, TimingReplyOf4KAt50AppliesTheColourRule) {
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_settingPage.m_nColorSpace = 1;
        In(d).m_settingPage.m_nColorDepth = 2;
        In(d).m_strColorSpace = "YUV4:4:4";
        FeedReply(d, cmd::QueryTiming, {40});
        EXPECT_EQ(In(d).m_timingPage.m_nTimingCode, 40);
        EXPECT_EQ(d.GetDlgItemText(IDC_TIMING_STATUS), "3840x2160p(50)");
        EXPECT_EQ(In(d).m_settingPage.m_nColorSpace, 3);
        EXPECT_EQ(In(d).m_settingPage.m_nColorDepth, 0);
        // The panel shows the colour format the timing fixed, as the page does.
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_SPACE_STATUS), "YUV4:2:0");
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_DEPTH_STATUS), "8bit");
        EXPECT_TRUE(In(d).m_settingPage.IsDlgButtonChecked(IDC_S_YUV420));
        // Any other timing turns a 4:2:0 colour space back to RGB.
        FeedReply(d, cmd::QueryTiming, {20});
        EXPECT_EQ(In(d).m_settingPage.m_nColorSpace, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_SPACE_STATUS), "RGB4:4:4");
    });
}

TEST_F(ReplyHandlers, AutoTimingAsksDetailsThenInterfaceWithoutAnotherTimingQuery) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        FeedReply(d, cmd::QueryTiming, {61});
        EXPECT_EQ(d.GetDlgItemText(IDC_TIMING_STATUS), "AUTO");
        EXPECT_EQ(Words(1), std::vector<std::uint16_t>{cmd::QueryTimingDetails});
        Bytes record(20, 0);
        record[4] = 0x80;
        record[5] = 0x07;
        FeedReply(d, cmd::QueryTimingDetails, record);
        EXPECT_EQ(d.m_userTimings[10][4], 0x80);
        EXPECT_EQ(d.m_userTimings[10][5], 0x07);
        EXPECT_EQ(In(d).m_bAutoDetailsAsked, 1);
        EXPECT_EQ(Words(1), std::vector<std::uint16_t>{cmd::QueryOutputInterface});
        // Let the link report that transmission before the reply arrives, as it would on a line.
        ui::ProcessEvents(200);
        // The interface reply then starts the three follow-ups but asks no timing itself.
        FeedReply(d, cmd::QueryOutputInterface, {0});
        EXPECT_EQ(In(d).m_bAutoDetailsAsked, 0);
        EXPECT_EQ(In(d).m_nFollowUpQueries, 3);
        EXPECT_TRUE(Words(1, 300).empty());
    });
}

TEST_F(ReplyHandlers, ChannelTextsByOutput) {
    RunConsole([&](CConsoleDlg& d) {
        FeedReply(d, cmd::QueryChannelsHdmi, {5});
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "3.1CH");
        EXPECT_EQ(d.GetDlgItemText(IDC_AUDIO_TYPE_STATUS), "PCM");
        EXPECT_EQ(In(d).m_nChannelSelection, 5);
        d.m_bHdmiMode = 0;
        FeedReply(d, cmd::QueryChannelsSdi, {5});
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "CH5,6,7,8");
        FeedReply(d, cmd::QueryChannelsSdi, {7});
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "OFF");
    });
}

TEST_F(ReplyHandlers, HotPlugSignalAndSettingsReplies) {
    RunConsole([&](CConsoleDlg& d) {
        for (auto [value, text] :
             {std::pair<int, const char*>{0, "OFF"}, {1, "ON "}, {0x7F, "ON "}}) {
            FeedReply(d, cmd::QueryHotPlug, {static_cast<std::uint8_t>(value)});
            EXPECT_EQ(d.GetDlgItemText(IDC_HOT_PLUG_STATUS), text);
            EXPECT_EQ(In(d).m_bHotPlug, value != 0);
        }
        FeedReply(d, cmd::QuerySignalOutput, {1});
        EXPECT_EQ(In(d).m_nSignal, 1);
        EXPECT_TRUE(d.IsDlgButtonChecked(IDC_SIGNAL_OFF));
        EXPECT_EQ(d.GetDlgItemImageId(IDC_SIGNAL_ICON), IDI_SIGNAL_OFF);

        FeedReply(d, cmd::QueryHdmiDviMode, {0});
        EXPECT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "DVI");
        FeedReply(d, cmd::QuerySampleRate, {7});
        EXPECT_EQ(d.GetDlgItemText(IDC_SAMPLE_RATE_STATUS), "AUTO");
        FeedReply(d, cmd::QueryAudioBits, {0});
        EXPECT_EQ(d.GetDlgItemText(IDC_AUDIO_BITS_STATUS), "16bit");
        FeedReply(d, cmd::QueryColorDepth, {2});
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_DEPTH_STATUS), "12bit");
        FeedReply(d, cmd::QueryHdcp, {1});
        EXPECT_EQ(d.GetDlgItemText(IDC_HDCP_STATUS), "ON ");
        FeedReply(d, cmd::QueryColorSpace, {2});
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_SPACE_STATUS), "YUV4:2:2");
    });
}

TEST_F(ReplyHandlers, StatusSummaryUsesSettingPageValuesAndByteFive) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        In(d).m_settingPage.m_nColorSpace = 1;
        In(d).m_settingPage.m_nColorDepth = 1;
        In(d).m_settingPage.m_nOutputMode = 1;
        In(d).m_settingPage.m_nSampleRate = 6;
        FeedReply(d, cmd::QueryStatusSummary, {0, 0, 0, 0, 0, 11});
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_SPACE_STATUS), "YUV4:4:4");
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_DEPTH_STATUS), "10bit");
        EXPECT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "HDMI");
        EXPECT_EQ(d.GetDlgItemText(IDC_SAMPLE_RATE_STATUS), "192K");
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "5.1CH");
        EXPECT_EQ(Words(1), std::vector<std::uint16_t>{cmd::QueryOutputInterface});
        In(d).m_bAskAutoDetails = 1;
        FeedReply(d, cmd::QueryStatusSummary, {0, 0, 0, 0, 0, 0});
        EXPECT_EQ(Words(1), std::vector<std::uint16_t>{cmd::QueryTimingDetails});
        EXPECT_EQ(In(d).m_bAskAutoDetails, 0);
    });
}

TEST_F(ReplyHandlers, OutputSwitchSendsSwitchThenThreeFollowUps) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        d.SendNotify(IDC_SDI_ICON, ui::Notify::Clicked);
        EXPECT_EQ(Words(4),
                  (std::vector<std::uint16_t>{cmd::SetOutputInterface, cmd::QueryChannelsSdi,
                                              cmd::QueryPattern, cmd::QueryTiming}));
        d.SendNotify(IDC_HDMI_LABEL, ui::Notify::Clicked);
        EXPECT_EQ(Words(4),
                  (std::vector<std::uint16_t>{cmd::SetOutputInterface, cmd::QueryChannelsHdmi,
                                              cmd::QueryPattern, cmd::QueryTiming}));
        // The interface reply reports SDI: icons, mode, then the timing query and follow-ups.
        FeedReply(d, cmd::QueryOutputInterface, {1});
        EXPECT_EQ(d.m_bHdmiMode, 0);
        EXPECT_EQ(d.GetDlgItemImageId(IDC_SDI_ICON), IDI_SELECTED);
        EXPECT_EQ(Words(4), (std::vector<std::uint16_t>{cmd::QueryTiming, cmd::QueryChannelsSdi,
                                                        cmd::QueryPattern, cmd::QueryTiming}));
    });
}

TEST_F(ReplyHandlers, UserTimingTextKeepsLeadingDigits) {
    RunConsole([&](CConsoleDlg& d) {
        auto& t = In(d).m_timingDetailsPage;
        t.m_nHActive = 1920;
        t.m_nVActive = 540;
        t.m_nScanType = 1;
        t.m_fVFreq = 59.94;
        d.ShowTiming(62);
        EXPECT_EQ(In(d).m_strTiming, "1920x1080i(60)");
        t.m_nHActive = 1000;
        t.m_nVActive = 1000;
        t.m_nScanType = 0;
        t.m_fVFreq = 100;
        d.ShowTiming(70);
        EXPECT_EQ(In(d).m_strTiming, "1000x1000(100)");
        t.m_nHActive = 10000;
        t.m_fVFreq = 1234.4;
        d.ShowTiming(71);
        EXPECT_EQ(In(d).m_strTiming, "1000x1000(123)");
        // An empty record gives rate 0 rather than garbage.
        t.m_nHActive = 0;
        t.m_nVActive = 0;
        t.m_fVFreq = 0;
        d.ShowTiming(63);
        EXPECT_EQ(In(d).m_strTiming, "0x0(0)");
    });
}

TEST_F(ReplyHandlers, SignalRadiosSendTheirValue) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        d.CheckDlgButton(IDC_SIGNAL_OFF, true);
        d.SendNotify(IDC_SIGNAL_OFF, ui::Notify::Clicked);
        EXPECT_EQ(In(d).m_abTxFrame[9], 1);
        EXPECT_EQ(d.GetDlgItemImageId(IDC_SIGNAL_ICON), IDI_SIGNAL_OFF);
        EXPECT_EQ(Words(1), std::vector<std::uint16_t>{cmd::SetSignalOutput});
        d.CheckDlgButton(IDC_SIGNAL_OFF, false);
        d.CheckDlgButton(IDC_SIGNAL_ON, true);
        d.SendNotify(IDC_SIGNAL_ON, ui::Notify::Clicked);
        EXPECT_EQ(In(d).m_abTxFrame[9], 0);
        EXPECT_EQ(d.GetDlgItemImageId(IDC_SIGNAL_ICON), IDI_SIGNAL_ON);
    });
}
