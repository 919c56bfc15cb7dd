// The console on a line that misbehaves: late, cut, short and corrupted replies, exchanges that
// nobody answers, a port that goes away or never takes its frames. One bad frame or one silent
// exchange must cost at most itself; the console never goes deaf and never shows a connection it
// does not have.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "link/frame.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"

#include <chrono>
#include <cstring>

using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

namespace {

constexpr int kTimer4 = CConsoleDlg::kTimerExchange;

Bytes Reply(std::uint16_t word, Bytes payload, frame::DeviceAddress from = {}) {
    Bytes out(payload.size() + frame::kOverhead);
    frame::BuildReply(out.data(), from, word, payload.data(), payload.size());
    return out;
}

void Feed(CConsoleDlg& d, const Bytes& bytes, ui::LPARAM port = 1) {
    for (auto b : bytes)
        In(d).OnLinkRxChar(b, port);
}

template <class F> bool PumpUntil(F done, int withinMs = 2000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        ui::ProcessEvents(5);
    }
    return true;
}

// Fires timer 4 until no exchange keeps it armed (each firing is one expiry of a silent line).
void ExpireExchanges(CConsoleDlg& d) {
    for (int i = 0; i < 10 && ui::test::ArmedInterval(d, kTimer4).has_value(); ++i)
        ui::test::FireTimer(d, kTimer4);
}

} // namespace

class LineFaults : public ConsoleFixture {
protected:
    void Connect(CConsoleDlg& d) {
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
    }
    // Collects the request frames that reach the far side.
    std::vector<Bytes> Frames(PtyPeer& peer, std::size_t want, int withinMs = 1500) {
        return testsupport::AwaitFrames(peer, want, withinMs);
    }
};

TEST_F(LineFaults, ALateAnswerOfTheProbedPortNeverMakesTheNextPortFound) {
    PtyPeer late(m_ports, 1), silent(m_ports, 2);
    RunConsole([&](CConsoleDlg& d) {
        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
        ASSERT_EQ(Frames(late, 1).size(), 1u);
        // COM1 answers after its window: the bytes wait for the UI thread when timer 4 fires.
        Bytes reply(12);
        const std::uint8_t payload[] = {0x00, 0x00};
        frame::BuildReply(reply.data(), {}, cmd::Search, payload, 2);
        late.Send(reply);
        std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));
        EXPECT_EQ(In(d).m_nPort, 2);
        ASSERT_EQ(Frames(silent, 1).size(), 1u);
        ui::ProcessEvents(20);
        ASSERT_TRUE(ui::test::FireTimer(d, kTimer4));
        EXPECT_EQ(d.m_bPortOpen, 0); // COM2 never answered
        EXPECT_EQ(d.m_bSearching, 0);
    });
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Can not find available device for this console!"});
}

TEST_F(LineFaults, NoSequenceOfSilentExchangesLeavesRepliesWithTheWrongParser) {
    PtyPeer peer(m_ports, 1);
    enum Start { ReadBack, SinkEdid, SavedEdid, Search };
    for (Start first : {ReadBack, SinkEdid, SavedEdid, Search}) {
        for (Start second : {ReadBack, SinkEdid, SavedEdid, Search}) {
            RunConsole([&](CConsoleDlg& d) {
                Connect(d);
                auto start = [&](Start s) {
                    if (s == ReadBack) {
                        In(d).m_timingDetailsPage.SendNotify(IDC_D_UPDATE_STATUS,
                                                             ui::Notify::Clicked);
                    } else if (s == Search) {
                        d.SendNotify(IDC_SEARCH_DEVICE, ui::Notify::Clicked);
                    } else {
                        In(d).m_edidPage.ComboSetCurSel(IDC_EDID_SOURCE, s == SinkEdid ? 0 : 2);
                        In(d).m_edidPage.SendNotify(IDC_READ_EDID, ui::Notify::Clicked);
                    }
                };
                start(first);
                start(second);
                ExpireExchanges(d);
                // A reply that no exchange waits for goes to the general parser.
                In(d).m_patternPage.m_nPattern = -1;
                Feed(d, Reply(cmd::QueryPattern, {12}));
                EXPECT_EQ(In(d).m_patternPage.m_nPattern, 12) << first << " then " << second;
            });
        }
    }
}

TEST_F(LineFaults, ShortCutAndCorruptRepliesCostOnlyThemselves) {
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_patternPage.m_nPattern = -1;
        // A length below 5, and a reply right behind it.
        Feed(d, {0xAB, 0x00, 0x00, 0x04, 0x00});
        Feed(d, Reply(cmd::QueryPattern, {9}));
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 9);
        // A reply with no payload for a handler that reads one: ignored, not fed leftovers.
        Feed(d, Reply(cmd::QueryPattern, {}));
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 9);
        // A reply that lost its last byte, then the next reply at once.
        const Bytes hdcp = Reply(cmd::QueryHdcp, {1});
        Feed(d, Bytes(hdcp.begin(), hdcp.end() - 1));
        Feed(d, Reply(cmd::QueryPattern, {4}));
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 4);
        // A corrupted checksum, then the next reply.
        Bytes bad = Reply(cmd::QueryPattern, {7});
        bad.back() ^= 0x40;
        Feed(d, bad);
        Feed(d, Reply(cmd::QueryPattern, {6}));
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 6);
    });
}

TEST_F(LineFaults, AReplyCutShortBeforeAQuietLineDoesNotEatTheNextReply) {
    PtyPeer peer(m_ports, 1);
    RunConsole([&](CConsoleDlg& d) {
        ConnectAndEndReadBack(d); // the general parser is in charge
        Frames(peer, 2, 300);     // sent: their purge is over
        In(d).m_patternPage.m_nPattern = -1;
        const Bytes hdcp = Reply(cmd::QueryHdcp, {1});
        peer.Send(Bytes(hdcp.begin(), hdcp.end() - 1)); // the last byte was lost on the line
        ui::ProcessEvents(200);
        peer.Send(Reply(cmd::QueryPattern, {3}));
        EXPECT_TRUE(PumpUntil([&] { return In(d).m_patternPage.m_nPattern == 3; }));
    });
}

TEST_F(LineFaults, ALostItemChecksumNeverCostsTheNextItemReply) {
    PtyPeer peer(m_ports, 1);
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        ASSERT_EQ(Frames(peer, 1).size(), 1u);
        // The item reply whose checksum would be 0xAB arrives without it.
        Bytes item = Reply(cmd::QueryTiming, {0});
        item[9] = static_cast<std::uint8_t>(item[10] - 0xAB);
        Feed(d, Bytes(item.begin(), item.end() - 1));
        const auto next = Frames(peer, 1);
        ASSERT_EQ(next.size(), 1u);
        EXPECT_EQ(FrameWord(next[0]), cmd::QueryPattern);
        Feed(d, Reply(cmd::QueryPattern, {7}));
        EXPECT_EQ(In(d).m_abStatus[1], 7);
        EXPECT_EQ(In(d).m_nStatusStep, 2);
    });
}

TEST_F(LineFaults, AnEdidReadStartsFromAnEmptyFrame) {
    PtyPeer peer(m_ports, 1);
    RunConsole([&](CConsoleDlg& d) {
        ConnectAndEndReadBack(d);
        Bytes old(256, 0x11), fresh(256);
        for (int i = 0; i < 256; ++i)
            fresh[i] = static_cast<std::uint8_t>(255 - i);
        // An earlier EDID reply arrives late and half, and the general parser holds it.
        const Bytes late = Reply(cmd::ReadSinkEdid, old);
        Feed(d, Bytes(late.begin(), late.begin() + 200));
        In(d).m_edidPage.ComboSetCurSel(IDC_EDID_SOURCE, 0);
        In(d).m_edidPage.SendNotify(IDC_READ_EDID, ui::Notify::Clicked);
        const Bytes reply = Reply(cmd::ReadSinkEdid, fresh);
        Feed(d, Bytes(reply.begin(), reply.begin() + 100));
        EXPECT_EQ(d.m_bReadingEdid, 1); // not "complete" with the earlier image
        Feed(d, Bytes(reply.begin() + 100, reply.end()));
        EXPECT_EQ(d.m_bReadingEdid, 0);
        EXPECT_EQ(0, std::memcmp(In(d).m_edidPage.m_abEdid, fresh.data(), 256));
    });
}

TEST_F(LineFaults, ATimingCodeBeyondTheUserTimingsNamesNoTiming) {
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_timingDetailsPage.LoadTimingDetails(20); // the page holds 1920x1080 at 60
        for (int code : {72, 100, 127}) {
            Feed(d, Reply(cmd::QueryTiming, {static_cast<std::uint8_t>(code)}));
            EXPECT_EQ(d.GetDlgItemText(IDC_TIMING_STATUS), "") << code;
        }
    });
}

TEST_F(LineFaults, APortThatGoesAwayShowsTheDisconnectedStateAndSaysSoOnce) {
    auto peer = std::make_unique<PtyPeer>(m_ports, 1);
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        ui::test::ClearMessageBoxes();
        peer->Hangup();
        EXPECT_TRUE(PumpUntil([&] { return d.m_bPortOpen == 0; }, 1000));
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);
        ExpireExchanges(d);
        ui::ProcessEvents(50);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0], "The connection to COM1 was lost. Check the cable or adapter, then "
                              "click \"Turn on Port\" or \"Search Device\".");
        // The device comes back: the port button connects again.
        peer = std::make_unique<PtyPeer>(m_ports, 1);
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Close Port");
        EXPECT_EQ(Frames(*peer, 1).size(), 1u);
    });
}

TEST_F(LineFaults, AFailedWorkerStartIsAFailedOpen) {
    PtyPeer peer(m_ports, 1);
    RunConsole([&](CConsoleDlg& d) {
        CSerialLink::FailNextWorkerStartForTesting();
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ACTIVITY_ICON), IDI_PORT_IDLE);
        EXPECT_FALSE(In(d).m_link.IsOpen());
        // The next attempt works.
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bPortOpen, 1);
    });
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Can not find this port or used by other application"});
}

TEST_F(LineFaults, APortThatNeverTakesItsFramesFailsWithinASecondAndNeverHoldsTheUi) {
    PtyPeer stuck(m_ports, 1), other(m_ports, 2);
    RunConsole([&](CConsoleDlg& d) {
        // The line is set up as the console sets it before it is filled (that frees room).
        ASSERT_TRUE(In(d).m_link.Open(&d, 1, 115200, 'N', 8, 1, 3, 512));
        ASSERT_TRUE(stuck.FillOutput());
        const auto start = std::chrono::steady_clock::now();
        Connect(d);
        // The first query cannot leave: reported as a failed connection within about a second.
        EXPECT_TRUE(PumpUntil([&] { return d.m_bPortOpen == 0; }, 3000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
        EXPECT_EQ(Boxes().size(), 1u);
        // Connected again and stuck in a write, another port is chosen: no long wait.
        Connect(d);
        ui::ProcessEvents(50);
        const auto choose = std::chrono::steady_clock::now();
        d.ComboSetCurSel(IDC_PORT_COMBO, 1);
        d.SendNotify(IDC_PORT_COMBO, ui::Notify::SelEndOk);
        EXPECT_LT(std::chrono::steady_clock::now() - choose, 800ms); // the write limit is 1 s
    });
}
