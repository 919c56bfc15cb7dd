// End to end over serial device servers: the real console and link against the emulator served
// on TCP ports of the loopback address, raw and with RFC 2217, with real timers; the search past
// endpoints that refuse, that never answer the negotiation, and that never answer a frame; a
// server that closes in the middle of a session; one that does not take the line settings.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/served_emulator.h"
#include "support/tcp_peer.h"

#include <memory>

using testsupport::ConsoleFixture;
using testsupport::ServedEmulator;
using testsupport::TcpPeer;
using testsupport::Transport;
using testsupport::WaitFor;

class ConsoleOverNetwork : public ConsoleFixture {
protected:
    ConsoleOverNetwork() {
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
    }

    // Turns COMn on and waits for the read-back's last query to be answered.
    void ConnectAndReadBack(CConsoleDlg& d, ServedEmulator& sim, int com) {
        In(d).m_nPort = com;
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1) << (Boxes().empty() ? "" : Boxes().back());
        EXPECT_TRUE(WaitFor([&] { return sim.Count(cmd::QueryStatusSummary) >= 1; }, 5000));
        EXPECT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 0; }, 3000));
    }
};

TEST_F(ConsoleOverNetwork, SearchPassesUnusableEndpointsAndFindsTheGeneratorOnBothForms) {
    int refused;
    {
        TcpPeer gone;
        refused = gone.Port();
    }
    m_ports.MapUrl(1, "socket://127.0.0.1:" + std::to_string(refused));
    TcpPeer mute; // takes connections, never answers anything
    m_ports.MapUrl(2, mute.Url("rfc2217"));
    m_ports.MapUrl(3, mute.Url("socket"));
    ServedEmulator sim(m_ports.Dir(), 5, false, {}, 115200, Transport::Rfc2217);
    sim.Settings().nTiming = 27;
    ServedEmulator raw(m_ports.Dir(), 6, false, {}, 115200, Transport::Tcp);
    raw.Settings().nTiming = 14;

    RunConsole([&](CConsoleDlg& d) {
        const auto start = std::chrono::steady_clock::now();
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        // COM2's negotiation is given up after 2 s, COM3's probe after 300 ms.
        ASSERT_TRUE(WaitFor([&] { return d.m_bPortOpen == 1; }, 8000));
        EXPECT_EQ(In(d).m_nPort, 5);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_TRUE(
            WaitFor([&] { return d.GetDlgItemText(IDC_TIMING_STATUS) == "1920x1080p(50)"; }, 5000));

        // The raw form, by the port button.
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ConnectAndReadBack(d, raw, 6);
        EXPECT_TRUE(
            WaitFor([&] { return d.GetDlgItemText(IDC_TIMING_STATUS) == "1920x1080i(60)"; }, 3000));
    });
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
}

TEST_F(ConsoleOverNetwork, AServerThatClosesIsReportedOnceAndTheConsoleConnectsAgain) {
    sgsim::CMisbehaviour vanish;
    vanish.nVanishAfter = 30; // during the second read-back
    auto sim = std::make_unique<ServedEmulator>(m_ports.Dir(), 4, false, vanish, 115200,
                                                Transport::Rfc2217);
    RunConsole([&](CConsoleDlg& d) {
        ConnectAndReadBack(d, *sim, 4);
        ui::test::ClearMessageBoxes();
        d.StartStatusReadBack(400);
        ASSERT_TRUE(WaitFor([&] { return d.m_bPortOpen == 0; }, 5000));
        WaitFor([] { return false; }, 500);
        EXPECT_EQ(Boxes(), (std::vector<std::string>{
                               "The connection to COM4 was lost. Check the cable or adapter, then "
                               "click \"Turn on Port\" or \"Search Device\"."}));
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");

        // The server is back (on another TCP port, under the same COM number).
        sim = std::make_unique<ServedEmulator>(m_ports.Dir(), 4, false, sgsim::CMisbehaviour{},
                                               115200, Transport::Rfc2217);
        ConnectAndReadBack(d, *sim, 4);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
    });
}

TEST_F(ConsoleOverNetwork, ALineSettingTheServerRefusesIsTheReasonTheOpenFailed) {
    ServedEmulator fixed(m_ports.Dir(), 2, false, {}, 115200, Transport::Rfc2217, 9600);
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_nPort = 2;
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_FALSE(In(d).m_link.IsOpen());
    });
    const std::string where = fixed.Target().substr(std::string("rfc2217://").size());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{
                           "Can not find this port or used by other application\n"
                           "The serial device server at " +
                           where +
                           " did not take the line settings: it set 9600 baud instead of 115200. "
                           "Let that port take its settings from the client, or set them there "
                           "by hand."}));
}
