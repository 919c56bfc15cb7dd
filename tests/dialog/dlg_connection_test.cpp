// Port connection and the device search, with pseudo-terminals standing in for COM ports and the
// test playing the generator (or a silent device) on their far side.
#include "link/command_words.h"
#include "link/frame.h"
#include "platform/serial/serial_port.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"

#include <memory>

using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kTimer4 = CConsoleDlg::kTimerExchange;

// Serves deliveries until the peer has received a frame (or the time is up).
std::vector<Bytes> Await(PtyPeer& peer, int withinMs = 1500) {
    return testsupport::AwaitFrames(peer, 1, withinMs);
}

const Bytes kSearchFrame = {0xAA, 0, 0, 0x05, 0, 0, 0, 0x02, 0xF8, 0x57};

} // namespace

class Connection : public ConsoleFixture {};

TEST_F(Connection, SearchProbesPortsInOrderAndConnectsToTheAnsweringOne) {
    std::vector<std::unique_ptr<PtyPeer>> peers;
    for (int com = 1; com <= 5; ++com)
        peers.push_back(std::make_unique<PtyPeer>(m_ports, com));
    RunConsole([&](CConsoleDlg& d) {
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bSearching, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_SEARCH_STATUS), "Please wait.....");
        for (int com = 1; com <= 4; ++com) {
            EXPECT_EQ(d.m_nPort, com);
            EXPECT_EQ(ui::test::ArmedInterval(d, kTimer4), com == 1 ? 300 : 400);
            const auto frames = Await(*peers[com - 1]);
            ASSERT_EQ(frames.size(), 1u) << com;
            EXPECT_EQ(frames[0], kSearchFrame);
            ASSERT_TRUE(ui::test::FireTimer(d, kTimer4)); // silent: try the next port
        }
        EXPECT_EQ(d.m_nPort, 5);
        ASSERT_EQ(Await(*peers[4]).size(), 1u);
        Bytes reply(12);
        const std::uint8_t payload[] = {0x00, 0x00};
        frame::BuildReply(reply.data(), {}, cmd::Search, payload, 2);
        peers[4]->Send(reply);
        for (int i = 0; i < 200 && d.m_bDeviceFound == 0; ++i)
            ui::ProcessEvents(5);
        ASSERT_EQ(d.m_bDeviceFound, 1);
        ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));

        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.m_bSearching, 0);
        EXPECT_EQ(d.ComboGetCurSel(IDC_PORT_COMBO), 4);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_ACTIVE);
        EXPECT_EQ(d.GetDlgItemText(IDC_SEARCH_STATUS), " ");
        EXPECT_EQ(d.m_bReadingStatus, 1);
        EXPECT_EQ(ui::test::ArmedInterval(d, kTimer4), 800);
        const auto readBack = Await(*peers[4]);
        ASSERT_FALSE(readBack.empty());
        EXPECT_EQ(FrameWord(readBack[0]), cmd::QueryTiming);
    });
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(Connection, SearchWithoutAnyPortEndsAtOnce) {
    RunConsole([&](CConsoleDlg& d) {
        d.m_nPort = 7;
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bSearching, 0);
        EXPECT_EQ(d.m_nPort, 1);
        EXPECT_FALSE(ui::test::ArmedInterval(d, kTimer4).has_value());
    });
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Can not find available device for this console!"});
}

TEST_F(Connection, SearchWithSilentPortsRestoresThePort) {
    PtyPeer a(m_ports, 2), b(m_ports, 9);
    RunConsole([&](CConsoleDlg& d) {
        d.m_nPort = 7;
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        EXPECT_EQ(d.m_nPort, 2);
        ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));
        EXPECT_EQ(d.m_nPort, 9);
        ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));
        EXPECT_EQ(d.m_bSearching, 0);
        EXPECT_EQ(d.m_nPort, 7);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_FALSE(ui::test::ArmedInterval(d, kTimer4).has_value());
    });
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Can not find available device for this console!"});
}

TEST_F(Connection, PortButtonAndActivityIcon) {
    PtyPeer peer(m_ports, 3);
    RunConsole([&](CConsoleDlg& d) {
        // COM1 maps to nothing here.
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(Boxes(),
                  std::vector<std::string>{"Can not find this port or used by other application"});

        d.m_nPort = 3;
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_ACTIVE);
        EXPECT_EQ(ui::test::ArmedInterval(d, kTimer4), 400);
        ASSERT_FALSE(Await(peer).empty());

        // The activity icon closes without touching the caption...
        d.SendNotify(IDC_ACTIVITY_ICON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);
        // ...so the button, reading "Close Port", opens the port again.
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 1);
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        // The icon opens without setting the caption.
        d.SendNotify(IDC_ACTIVITY_ICON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
    });
}

TEST_F(Connection, APortHeldByAnotherProgramSaysSoAndTheSearchStaysSilent) {
    PtyPeer peer(m_ports, 3);
    serial::Port holder;
    ASSERT_FALSE(holder.Open(peer.SlavePath()));
    RunConsole([&](CConsoleDlg& d) {
        d.ComboSetCurSel(IDC_PORT_COMBO, 2);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bSearching, 0);
    });
    const std::string held = "Can not find this port or used by other application\n"
                             "Another program is using " +
                             peer.SlavePath() + ". Close it and try again.";
    EXPECT_EQ(Boxes(), (std::vector<std::string>{
                           held, held, "Can not find available device for this console!"}));
}

TEST_F(Connection, ChoosingAPortConnectsOrDisconnects) {
    PtyPeer a(m_ports, 4), b(m_ports, 6);
    RunConsole([&](CConsoleDlg& d) {
        d.ComboSetCurSel(IDC_PORT_COMBO, 3);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        EXPECT_EQ(d.m_nPort, 4);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        ASSERT_FALSE(Await(a).empty());

        // Choosing another port while connected leaves the console disconnected.
        d.ComboSetCurSel(IDC_PORT_COMBO, 5);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        EXPECT_EQ(d.m_nPort, 6);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);

        // A port that maps to nothing: message, state unchanged.
        d.ComboSetCurSel(IDC_PORT_COMBO, 40);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        EXPECT_EQ(d.m_bPortOpen, 0);
    });
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Can not find this port or used by other application"});
}

TEST_F(Connection, RepeatGuardEndsWithTimerFive) {
    RunConsole([&](CConsoleDlg& d) {
        d.m_bRepeatGuard = 1;
        d.SetTimer(CConsoleDlg::kTimerRepeatGuard, 50);
        ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerRepeatGuard));
        EXPECT_EQ(d.m_bRepeatGuard, 0);
        EXPECT_FALSE(ui::test::ArmedInterval(d, CConsoleDlg::kTimerRepeatGuard).has_value());
    });
}
