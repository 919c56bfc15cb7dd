// Port connection and the device search, with pseudo-terminals standing in for COM ports and the
// test playing the generator (or a silent device) on their far side.
#include "link/command_words.h"
#include "support/console_internals.h"
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
            EXPECT_EQ(In(d).m_nPort, com);
            EXPECT_EQ(ui::test::ArmedInterval(d, kTimer4), com == 1 ? 300 : 400);
            const auto frames = Await(*peers[com - 1]);
            ASSERT_EQ(frames.size(), 1u) << com;
            EXPECT_EQ(frames[0], kSearchFrame);
            ASSERT_TRUE(ui::test::FireTimer(d, kTimer4)); // silent: try the next port
        }
        EXPECT_EQ(In(d).m_nPort, 5);
        ASSERT_EQ(Await(*peers[4]).size(), 1u);
        Bytes reply(12);
        const std::uint8_t payload[] = {0x00, 0x00};
        frame::BuildReply(reply.data(), {}, cmd::Search, payload, 2);
        peers[4]->Send(reply);
        for (int i = 0; i < 200 && In(d).m_bDeviceFound == 0; ++i)
            ui::ProcessEvents(5);
        ASSERT_EQ(In(d).m_bDeviceFound, 1);
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
        In(d).m_nPort = 7;
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bSearching, 0);
        EXPECT_EQ(In(d).m_nPort, 1);
        EXPECT_FALSE(ui::test::ArmedInterval(d, kTimer4).has_value());
    });
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Can not find available device for this console!"});
}

// The search runs up to COM99 itself: silent ports at the start, past COM9 and at the very top
// are each probed once.
TEST_F(Connection, SearchWithSilentPortsRestoresThePort) {
    PtyPeer a(m_ports, 2), b(m_ports, 10), c(m_ports, 99);
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_conversation.Enable(true);
        In(d).m_nPort = 7;
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        for (int com : {2, 10, 99}) {
            EXPECT_EQ(In(d).m_nPort, com);
            ASSERT_EQ(Await(com == 2 ? a : com == 10 ? b : c).size(), 1u) << com;
            ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));
        }
        // Each probe left unanswered is a line of the conversation.
        std::uint64_t next = 0;
        int unanswered = 0;
        for (const auto& e : In(d).m_conversation.Since(0, next))
            if (e.direction == CConversation::Direction::NoAnswer) {
                ++unanswered;
                EXPECT_EQ(e.what, "search probe");
                EXPECT_EQ(e.bytes, kSearchFrame);
            }
        EXPECT_EQ(unanswered, 3);
        EXPECT_EQ(d.m_bSearching, 0);
        EXPECT_EQ(In(d).m_nPort, 7);
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

        In(d).m_nPort = 3;
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_ACTIVE);
        EXPECT_EQ(ui::test::ArmedInterval(d, kTimer4), 400);
        ASSERT_FALSE(Await(peer).empty());

        // The activity icon closes and opens as the button does, and the button's caption
        // always offers what clicking it does.
        d.SendNotify(IDC_ACTIVITY_ICON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);
        d.SendNotify(IDC_ACTIVITY_ICON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
    });
}

// A port where nothing answers the read-back is said once, naming the port, and the console does
// not stay connected to silence; a generator that stops half way keeps the connection.
TEST_F(Connection, AReadBackWithoutAnswerIsSaidAndClosesThePort) {
    PtyPeer peer(m_ports, 3);
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_nPort = 3;
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
        ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].rfind("No generator answers on COM3.", 0), 0u) << Boxes()[0];
        // Later clicks are refused as before any connection.
        ui::test::ClearMessageBoxes();
        d.SendNotify(IDC_SIGNAL_ON, ui::Notify::Clicked);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Com port is not on yet."});

        // One item, then silence: said, and the console stays connected.
        ui::test::ClearMessageBoxes();
        ConnectAndEndReadBack(d);
        EXPECT_EQ(d.m_bPortOpen, 1);
        d.StartStatusReadBack(400);
        FeedReply(d, cmd::QueryTiming, {20});
        ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));
        EXPECT_EQ(d.m_bPortOpen, 1);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].rfind("The generator on COM3 stopped answering", 0), 0u) << Boxes()[0];
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
        EXPECT_EQ(In(d).m_nPort, 4);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        ASSERT_FALSE(Await(a).empty());

        // Choosing another port while connected leaves the console disconnected.
        d.ComboSetCurSel(IDC_PORT_COMBO, 5);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        EXPECT_EQ(In(d).m_nPort, 6);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);

        // A port that maps to nothing: message, still disconnected.
        d.ComboSetCurSel(IDC_PORT_COMBO, 40);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        EXPECT_EQ(d.m_bPortOpen, 0);

        // Connected, switching to a port that does not open leaves the console disconnected,
        // and a later click is refused rather than sent nowhere.
        d.ComboSetCurSel(IDC_PORT_COMBO, 3);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        ASSERT_EQ(d.m_bPortOpen, 1);
        d.ComboSetCurSel(IDC_PORT_COMBO, 7);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);
        d.SendNotify(IDC_SIGNAL_ON, ui::Notify::Clicked);
        EXPECT_FALSE(d.IsDlgButtonChecked(IDC_SIGNAL_ON));
    });
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"Can not find this port or used by other application",
                                        "Can not find this port or used by other application",
                                        "Com port is not on yet."}));
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

// After a reset the console asks for the state a second later, and again every half second while
// nothing answers; after ten tries it says so once, takes the note away and stays connected.
TEST_F(Connection, AResetIsReadBackUntilTheGeneratorAnswersWithinABound) {
    PtyPeer peer(m_ports, 3);
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_nPort = 3;
        ConnectAndEndReadBack(d);
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 3));
        ASSERT_TRUE(ui::test::Click(In(d).m_settingPage, IDC_S_RESET));
        EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerResetWait), 1000);
        for (int poll = 1; poll <= CConsoleDlg::kResetPolls; ++poll) {
            ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerResetWait)) << poll;
            EXPECT_EQ(d.m_bReadingStatus, 1) << poll;
            ASSERT_TRUE(ui::test::FireTimer(d, kTimer4)) << poll;
            EXPECT_EQ(d.m_bPortOpen, 1) << poll;
            if (poll < CConsoleDlg::kResetPolls) {
                EXPECT_TRUE(Boxes().empty()) << poll;
                EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerResetWait), 500);
                EXPECT_EQ(In(d).m_settingPage.GetDlgItemText(IDC_S_WAIT_NOTE),
                          "Wait for a few seconds...");
            }
        }
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].rfind("The generator on COM3 did not answer in the seconds after the "
                                   "reset",
                                   0),
                  0u)
            << Boxes()[0];
        EXPECT_EQ(In(d).m_settingPage.GetDlgItemText(IDC_S_WAIT_NOTE), "");
        EXPECT_FALSE(ui::test::ArmedInterval(d, CConsoleDlg::kTimerResetWait).has_value());
    });
}
