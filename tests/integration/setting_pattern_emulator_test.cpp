// End to end for the Setting and Pattern pages: the operator's clicks change the emulated
// generator's state, and a read-back of a state changed in the generator shows on the pages and
// the status panel. Real timers, real sleeps, the real serial link.
#include "link/code_names.h"
#include "support/console_internals.h"
#include "link/command_words.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/served_emulator.h"

#include <memory>

using testsupport::ConsoleFixture;
using testsupport::ServedEmulator;
using testsupport::WaitFor;

namespace {

constexpr int kCom = 5;

} // namespace

class PagesWithEmulator : public ConsoleFixture {
protected:
    PagesWithEmulator() {
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
    }

    // Opens COM5 and waits for the read-back and its follow-up queries to end.
    static void Connect(CConsoleDlg& d) {
        In(d).m_nPort = kCom;
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
        ASSERT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 0; }, 8000));
        Settle(d);
    }
    // Lets the replies in flight arrive and the repeat guard run out.
    static void Settle(CConsoleDlg& d) {
        WaitFor([&] { return In(d).m_nFollowUpQueries == 0 && d.m_bRepeatGuard == 0; }, 2000);
        WaitFor([] { return false; }, 150);
    }
    // Clicks a control of a page once the repeat guard has run out, then waits for the generator
    // to show the effect.
    template <class F> static bool ClickUntil(CConsoleDlg& d, ui::Dialog& page, int id, F effect) {
        // The guard's 50 ms timer may come late on a busy machine: a click before it would be
        // swallowed, as the operator's second click within the guard is.
        if (!WaitFor([&] { return d.m_bRepeatGuard == 0 && !d.ExpectsAnswers(); }, 10000))
            return false;
        if (!ui::test::Click(page, id))
            return false;
        return WaitFor(effect, 5000);
    }
};

TEST_F(PagesWithEmulator, SettingChoicesReachTheGeneratorAndReadBackShowsItsState) {
    ServedEmulator sim(m_ports.Dir(), kCom);
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CSettingPage& p = In(d).m_settingPage;
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 3));
        auto& s = sim.Settings();

        EXPECT_TRUE(ClickUntil(d, p, IDC_S_DVI, [&] { return s.nHdmiDviMode == 0; }));
        EXPECT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "DVI ");
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_HDMI, [&] { return s.nHdmiDviMode == 1; }));
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_HDCP_ON, [&] { return s.nHdcp == 1; }));
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_YUV422, [&] { return s.nColorSpace == 2; }));
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_DEPTH_10, [&] { return s.nColorDepth == 1; }));
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_SOURCE_EXT, [&] { return s.nAudioSource == 3; }));
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_RATE_96K, [&] { return s.nSampleRate == 4; }));
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_BITS_16, [&] { return s.nAudioBits == 0; }));
        // AUTO asks for the settings after its wait.
        const int summaries = sim.Count(cmd::QueryStatusSummary);
        EXPECT_TRUE(ClickUntil(d, p, IDC_S_COLOR_SPACE_AUTO, [&] {
            return s.nColorSpace == 4 && sim.Count(cmd::QueryStatusSummary) == summaries + 1;
        }));
        Settle(d);
        WaitFor([&] { return d.m_bRepeatGuard == 0; }, 1000);
        ASSERT_TRUE(ui::test::ChooseComboItem(p, IDC_S_AUDIO_CHANNEL, 5));
        EXPECT_TRUE(WaitFor([&] { return s.nChannelsHdmi == 5; }, 2000));
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), names::HdmiChannelText(5));

        // The 4K rule keeps 12bit from the generator.
        In(d).m_timingPage.m_nTimingCode = 30;
        EXPECT_FALSE(ClickUntil(d, p, IDC_S_DEPTH_12, [&] { return s.nColorDepth == 2; }));
        EXPECT_EQ(Boxes(),
                  std::vector<std::string>{"When in 4K mode, Color Depth is fixed to 24bit !"});
        In(d).m_timingPage.m_nTimingCode = 20;

        EXPECT_TRUE(
            ClickUntil(d, p, IDC_S_RESET, [&] { return s.nHdcp == 0 && s.nSampleRate == 2; }));
        EXPECT_EQ(p.GetDlgItemText(IDC_S_WAIT_NOTE), "Wait for a few seconds...");

        // A state set in the generator shows after a read-back.
        s.nColorSpace = 1;
        s.nColorDepth = 2;
        s.nHdcp = 1;
        s.nSampleRate = 5;
        s.nAudioBits = 1;
        s.nAudioSource = 2;
        s.nChannelsHdmi = 7;
        d.StartStatusReadBack(400);
        ASSERT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 0; }, 8000));
        Settle(d);
        EXPECT_EQ(p.GetDlgItemText(IDC_S_WAIT_NOTE), "");
        for (int id : {IDC_S_YUV444, IDC_S_DEPTH_12, IDC_S_HDCP_ON, IDC_S_HDMI, IDC_S_RATE_176K,
                       IDC_S_BITS_20, IDC_S_SOURCE_4K})
            EXPECT_TRUE(p.IsDlgButtonChecked(id)) << id;
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), 7);
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_SPACE_STATUS), "YUV4:4:4");
        EXPECT_EQ(d.GetDlgItemText(IDC_COLOR_DEPTH_STATUS), "12bit");
        EXPECT_EQ(d.GetDlgItemText(IDC_HDCP_STATUS), "ON ");
        EXPECT_EQ(d.GetDlgItemText(IDC_SAMPLE_RATE_STATUS), "176K");
        EXPECT_EQ(d.GetDlgItemText(IDC_AUDIO_BITS_STATUS), "20bit");
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), names::HdmiChannelText(7));
    });
}

TEST_F(PagesWithEmulator, EveryPatternReachesTheGenerator) {
    ServedEmulator sim(m_ports.Dir(), kCom);
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CPatternPage& p = In(d).m_patternPage;
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 2));
        auto& s = sim.Settings();
        for (int c = 0; c < CPatternPage::kPathological; ++c) {
            const int other = (c + 1) % CPatternPage::kPathological;
            EXPECT_TRUE(ClickUntil(d, p, CPatternPage::kControls[c].radio, [&] {
                return s.nPattern == c;
            })) << c;
            if (CPatternPage::kControls[c].thumbnail) {
                s.nPattern = other;
                EXPECT_TRUE(ClickUntil(d, p, CPatternPage::kControls[c].thumbnail, [&] {
                    return s.nPattern == c;
                })) << c;
            }
        }
        // The pathological field needs the SDI output.
        EXPECT_FALSE(ClickUntil(d, p, IDC_P_THUMB_PATHOLOGICAL, [&] { return s.nPattern == 42; }));
        In(d).OnSelectSdi();
        EXPECT_TRUE(WaitFor([&] { return s.nOutputInterface == 1; }, 2000));
        Settle(d);
        EXPECT_TRUE(ClickUntil(d, p, IDC_P_PATHOLOGICAL, [&] { return s.nPattern == 42; }));

        // On SDI the channel list is the SDI one and goes to its own setting.
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 3));
        WaitFor([&] { return d.m_bRepeatGuard == 0; }, 1000);
        ASSERT_TRUE(ui::test::ChooseComboItem(In(d).m_settingPage, IDC_S_AUDIO_CHANNEL, 6));
        EXPECT_TRUE(WaitFor([&] { return s.nChannelsSdi == 6; }, 2000));
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "ALL");

        // The pattern set in the generator shows after a read-back.
        s.nPattern = 5;
        d.StartStatusReadBack(400);
        ASSERT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 0; }, 8000));
        Settle(d);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_P_BLUE));
    });
    EXPECT_TRUE(Boxes().empty());
}

// After "Reset to Default Setting" the console reads the state back once the generator answers
// again (this one ignores the three requests after its reset): the note goes, and the panel and
// the pages show the defaults instead of what was set before.
TEST_F(PagesWithEmulator, ResetShowsTheDefaultsOnceTheGeneratorIsBack) {
    sgsim::CMisbehaviour busy;
    busy.nResetSilence = 3;
    ServedEmulator sim(m_ports.Dir(), kCom, false, busy);
    auto& s = sim.Settings();
    s.nHdmiDviMode = 0;
    s.nHdcp = 1;
    s.nSampleRate = 6;
    s.nChannelsHdmi = 11;
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        ASSERT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "DVI");
        ASSERT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "5.1CH");
        CSettingPage& p = In(d).m_settingPage;
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 3));
        ASSERT_TRUE(ui::test::Click(p, IDC_S_RESET));
        EXPECT_EQ(p.GetDlgItemText(IDC_S_WAIT_NOTE), "Wait for a few seconds...");
        EXPECT_TRUE(WaitFor([&] { return p.GetDlgItemText(IDC_S_WAIT_NOTE).empty(); }, 10000));
        Settle(d);
        EXPECT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "HDMI");
        EXPECT_EQ(d.GetDlgItemText(IDC_HDCP_STATUS), "OFF");
        EXPECT_EQ(d.GetDlgItemText(IDC_SAMPLE_RATE_STATUS), "48K");
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "2CH");
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_HDMI));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_HDCP_OFF));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_S_RATE_48K));
        EXPECT_EQ(p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL), 0);
    });
    EXPECT_TRUE(Boxes().empty());
}

// A setting the generator neither takes nor acknowledges is said once, and the page shows what
// the generator holds rather than what was clicked.
TEST_F(PagesWithEmulator, ASettingTheGeneratorDoesNotConfirmIsSaidAndReadBack) {
    sgsim::CMisbehaviour refuses;
    refuses.nIgnoreWord = cmd::SetPattern;
    ServedEmulator sim(m_ports.Dir(), kCom, false, refuses);
    sim.Settings().nPattern = 9;
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CPatternPage& p = In(d).m_patternPage;
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 2));
        ASSERT_TRUE(p.IsDlgButtonChecked(IDC_P_GRAY_16));
        ASSERT_TRUE(ui::test::Click(p, IDC_P_RED));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_P_RED)); // sent: shown until it is judged
        EXPECT_TRUE(WaitFor([&] { return !Boxes().empty(); }, 5000));
        EXPECT_TRUE(WaitFor([&] { return p.IsDlgButtonChecked(IDC_P_GRAY_16); }, 3000));
        EXPECT_EQ(p.m_nPattern, 9);
        EXPECT_EQ(Boxes(), std::vector<std::string>{
                               "The generator on COM5 did not confirm \"set test pattern\". The "
                               "panel and the pages now show what it reports."});
    });
}
