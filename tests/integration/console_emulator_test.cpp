// End to end: the real console and serial link against the generator emulator on a
// pseudo-terminal, with real timers. The emulator records every request it receives, so the
// conversation after a search can be compared frame by frame with what the console must send.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/served_emulator.h"

#include <memory>

using testsupport::ConsoleFixture;
using testsupport::PtyPeer;
using testsupport::ServedEmulator;
using testsupport::WaitFor;

class ConsoleWithEmulator : public ConsoleFixture {
protected:
    ConsoleWithEmulator() {
        // Real timers and real sleeps: the exchange runs at its own pace.
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
    }

    // Searches with four silent ports before the emulator on COM5 and returns the time from the
    // click to the end of the read-back's conversation.
    double SearchAndConnect(CConsoleDlg& d, ServedEmulator& sim) {
        const auto start = std::chrono::steady_clock::now();
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        EXPECT_TRUE(WaitFor([&] { return d.m_bPortOpen == 1; }, 5000));
        EXPECT_EQ(In(d).m_nPort, 5);
        // Search frames on COM5, 23 read-back requests, 0x8082, and the timing query with its
        // three follow-ups: 29 requests in all.
        EXPECT_TRUE(WaitFor(
            [&] { return sim.Words().size() >= 29 && In(d).m_nFollowUpQueries == 0; }, 8000));
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        WaitFor([] { return false; }, 300); // let the follow-up replies arrive
        return ms;
    }
};

TEST_F(ConsoleWithEmulator, SearchConnectAndReadBackConversation) {
    std::vector<std::unique_ptr<PtyPeer>> silent;
    for (int com = 1; com <= 4; ++com)
        silent.push_back(std::make_unique<PtyPeer>(m_ports, com));
    ServedEmulator sim(m_ports.Dir(), 5, false);
    sim.State().settings.nTiming = 14;
    sim.State().settings.nPattern = 9;
    sim.State().settings.nSampleRate = 4;
    sim.State().settings.nAudioBits = 1;
    sim.State().bHotPlug = true;

    double ms = 0;
    RunConsole([&](CConsoleDlg& d) {
        ms = SearchAndConnect(d, sim);
        EXPECT_EQ(d.ComboGetCurSel(IDC_PORT_COMBO), 4);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_ACTIVE);

        // The panel shows what the emulator holds.
        EXPECT_EQ(d.GetDlgItemText(IDC_TIMING_STATUS), "1920x1080i(60)");
        EXPECT_EQ(d.GetDlgItemText(IDC_HOT_PLUG_STATUS), "ON ");
        EXPECT_EQ(d.GetDlgItemText(IDC_SAMPLE_RATE_STATUS), "96K");
        EXPECT_EQ(d.GetDlgItemText(IDC_INTERFACE_STATUS), "HDMI");
        EXPECT_EQ(d.GetDlgItemText(IDC_CHANNELS_STATUS), "2CH");
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 9);
        EXPECT_EQ(In(d).m_nSignal, 0);

        // A change made in the generator shows after the next read-back.
        sim.State().settings.nTiming = 27;
        d.StartStatusReadBack(400);
        EXPECT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 0; }, 5000));
        WaitFor([] { return false; }, 300);
        EXPECT_EQ(In(d).m_timingPage.m_nTimingCode, 27);
        EXPECT_EQ(d.GetDlgItemText(IDC_TIMING_STATUS), "1920x1080p(50)");
    });

    const std::vector<std::uint16_t> expected = {
        cmd::Search,
        cmd::QueryTiming,
        cmd::QueryPattern,
        cmd::QueryColorSpace,
        cmd::QueryColorDepth,
        cmd::QueryHdcp,
        cmd::QueryHdmiDviMode,
        cmd::QuerySampleRate,
        cmd::QueryAudioBits,
        cmd::QueryAudioSource,
        cmd::QueryChannelsHdmi,
        cmd::QueryHotPlug,
        cmd::QuerySignalOutput,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::FetchUserTiming,
        cmd::QueryStatusSummary,
        cmd::QueryOutputInterface,
        cmd::QueryTiming,
        cmd::QueryChannelsHdmi,
        cmd::QueryPattern,
        cmd::QueryTiming,
    };
    const auto words = sim.Words();
    ASSERT_GE(words.size(), expected.size());
    EXPECT_EQ(std::vector<std::uint16_t>(words.begin(), words.begin() + expected.size()), expected);
    RecordProperty("search_to_readback_ms", static_cast<int>(ms));
    std::printf("search on COM5 to end of read-back: %.0f ms\n", ms);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ConsoleWithEmulator, ReadBackAtLineRate) {
    std::vector<std::unique_ptr<PtyPeer>> silent;
    for (int com = 1; com <= 4; ++com)
        silent.push_back(std::make_unique<PtyPeer>(m_ports, com));
    ServedEmulator sim(m_ports.Dir(), 5, true);
    double ms = 0;
    RunConsole([&](CConsoleDlg& d) {
        ms = SearchAndConnect(d, sim);
        EXPECT_EQ(d.GetDlgItemText(IDC_TIMING_STATUS), "1920x1080p(60)");
    });
    std::printf("search on COM5 to end of read-back, line-rate pacing: %.0f ms\n", ms);
    RecordProperty("search_to_readback_paced_ms", static_cast<int>(ms));
}
