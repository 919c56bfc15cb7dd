// The reply parsers and the status read-back, fed byte by byte as the link delivers them, with
// the console connected to a pseudo-terminal whose far side records the requests.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "link/frame.h"
#include "link/link_messages.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"

#include <cstring>
#include <random>

using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Reply(std::uint16_t word, Bytes payload, frame::DeviceAddress from = {}) {
    Bytes out(payload.size() + frame::kOverhead);
    frame::BuildReply(out.data(), from, word, payload.data(), payload.size());
    return out;
}

void Feed(CConsoleDlg& d, const Bytes& bytes) {
    for (auto b : bytes)
        In(d).OnLinkRxChar(b, 1);
}

} // namespace

class ReplyParsing : public ConsoleFixture {
protected:
    // Opens COM1 with the port button; the read-back starts with 0x8061.
    void Connect(CConsoleDlg& d) {
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
        const auto first = Frames(1);
        ASSERT_EQ(first.size(), 1u);
        ASSERT_EQ(FrameWord(first[0]), cmd::QueryTiming);
    }

    // Serves the worker's deliveries and collects the requests that reach the far side.
    std::vector<Bytes> Frames(std::size_t want, int withinMs = 1500) {
        return testsupport::AwaitFrames(m_peer, want, withinMs);
    }

    // Feeds a reply, then returns the word of the one request it causes (0 when none).
    std::uint16_t FeedAndNext(CConsoleDlg& d, const Bytes& reply, int withinMs = 400) {
        Feed(d, reply);
        const auto f = Frames(1, withinMs);
        return f.empty() ? 0 : FrameWord(f[0]);
    }

    PtyPeer m_peer{m_ports, 1};
};

TEST_F(ReplyParsing, StatusItemReplyStoresValueAndAsksNextItem) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerExchange), 400);
        EXPECT_EQ(ui::test::Sleeps(), std::vector<int>{200});
        // The final byte 0x99 is not a valid checksum and is not checked.
        EXPECT_EQ(FeedAndNext(d, {0xAB, 0, 0, 0x06, 0, 0, 0, 0x61, 0x80, 0x1C, 0x99}),
                  cmd::QueryPattern);
        EXPECT_EQ(In(d).m_abStatus[0], 0x1C);
        EXPECT_EQ(In(d).m_nStatusStep, 1);
    });
}

TEST_F(ReplyParsing, WrongLengthOrForeignWordEndsReadBackAtTimer) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        EXPECT_EQ(FeedAndNext(d, {0xAB, 0, 0, 0x07, 0, 0, 0, 0x61, 0x80, 0x1C, 0x00}, 200), 0);
        EXPECT_EQ(FeedAndNext(d, Reply(cmd::QueryPattern, {3}), 200), 0);
        EXPECT_EQ(In(d).m_nStatusStep, 0);
        EXPECT_EQ(d.m_bReadingStatus, 1);
        ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerExchange));
        EXPECT_EQ(d.m_bReadingStatus, 0);
        EXPECT_EQ(d.m_bPortOpen, 1);
        EXPECT_FALSE(ui::test::ArmedInterval(d, CConsoleDlg::kTimerExchange).has_value());
    });
}

TEST_F(ReplyParsing, CompleteReadBackSendsTwentyThreeRequests) {
    for (int hdmi : {1, 0}) {
        RunConsole([&](CConsoleDlg& d) {
            d.m_bHdmiMode = hdmi;
            Connect(d);
            std::vector<std::uint16_t> sent{cmd::QueryTiming};
            const Bytes values = {20, 5, 1, 0, 1, 1, 2, 2, 3, 4, 1, 0};
            for (int i = 0; i < 12; ++i) {
                const std::uint16_t word =
                    i == 9 ? (hdmi ? cmd::QueryChannelsHdmi : cmd::QueryChannelsSdi) : sent.back();
                ASSERT_EQ(sent.back(), word) << i;
                sent.push_back(FeedAndNext(d, Reply(word, {values[i]})));
            }
            for (int slot = 0; slot < 10; ++slot) {
                ASSERT_EQ(sent.back(), cmd::FetchUserTiming) << slot;
                Bytes record(20, 0);
                record[0] = static_cast<std::uint8_t>(slot);
                record[4] = static_cast<std::uint8_t>(0x10 + slot);
                sent.push_back(FeedAndNext(d, Reply(cmd::FetchUserTiming, record)));
            }
            EXPECT_EQ(sent.size(), 23u);
            EXPECT_EQ(sent.back(), cmd::QueryStatusSummary);
            EXPECT_EQ(d.m_bReadingStatus, 0);
            EXPECT_EQ(d.m_userTimings[7][4], 0x17);
            EXPECT_EQ(In(d).m_abStatus[9], 4);
            d.UpdateData(false);
            EXPECT_EQ(d.GetDlgItemText(IDC_TIMING_STATUS), "1920x1080p(60)");
            EXPECT_EQ(d.GetDlgItemText(IDC_HOT_PLUG_STATUS), "ON ");
            EXPECT_EQ(d.GetDlgItemText(IDC_HDCP_STATUS), "ON ");
            EXPECT_EQ(In(d).m_nSignal, 0);
            EXPECT_EQ(d.GetDlgItemImageId(IDC_SIGNAL_ICON), IDI_SIGNAL_ON);
        });
    }
}

TEST_F(ReplyParsing, ItemChecksumOfStartByteDoesNotCostNextReply) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        // Pick the value that makes the checksum 0xAB.
        Bytes reply = Reply(cmd::QueryTiming, {0});
        reply[9] = static_cast<std::uint8_t>(reply[10] - 0xAB);
        reply[10] = 0xAB;
        EXPECT_EQ(FeedAndNext(d, reply), cmd::QueryPattern);
        EXPECT_EQ(FeedAndNext(d, Reply(cmd::QueryPattern, {7})), cmd::QueryColorSpace);
        EXPECT_EQ(In(d).m_abStatus[1], 7);
    });
}

TEST_F(ReplyParsing, GeneralParserChecksLengthChecksumAndAddress) {
    RunConsole([&](CConsoleDlg& d) {
        Bytes bad = {0xAB, 0, 0, 0x06, 0, 0, 0, 0x62, 0x80, 0x05, 0x00};
        Feed(d, bad);
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, -1);
        bad[10] = frame::Checksum(bad.data(), 10);
        Feed(d, bad);
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 5);

        // A length high byte of 2 is refused as soon as it arrives.
        Feed(d, {0xAB, 0, 0, 0x06, 0x02});
        EXPECT_EQ(In(d).m_rx.State(), -1);

        // Indirect form: bytes 6 and 7 both 0xFF, the word in payload bytes 0 and 1.
        Bytes indirect = {0xAB, 0, 0, 0x07, 0, 0x00, 0xFF, 0xFF, 0x00, 0x62, 0x80, 0};
        indirect[11] = frame::Checksum(indirect.data(), 11);
        In(d).m_patternPage.m_nPattern = -1;
        Feed(d, indirect);
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, static_cast<std::int8_t>(0x62));

        struct Case {
            frame::DeviceAddress own;
            bool accepted;
        };
        for (const Case& c :
             {Case{{0x01, 0x05}, false}, Case{{0x01, 0x00}, true}, Case{{0x00, 0x00}, true},
              Case{{0xFF, 0xFF}, true}, Case{{0x01, 0x06}, true}, Case{{0x00, 0x06}, false}}) {
            d.m_address = c.own;
            In(d).m_patternPage.m_nPattern = -1;
            Feed(d, Reply(cmd::QueryPattern, {9}, {0x01, 0x06}));
            EXPECT_EQ(In(d).m_patternPage.m_nPattern, c.accepted ? 9 : -1)
                << int(c.own.group) << "," << int(c.own.device);
            // A device address report is accepted from anyone.
            Feed(d, Reply(cmd::DeviceAddressReport, {0x12, 0x34}, {0x77, 0x77}));
            EXPECT_EQ(d.m_address.group, 0x12);
            EXPECT_EQ(d.m_address.device, 0x34);
        }
        // Every later frame carries the reported address.
        d.SendCommand(cmd::QueryTiming);
        EXPECT_EQ(In(d).m_abTxFrame[5], 0x12);
        EXPECT_EQ(In(d).m_abTxFrame[6], 0x34);
    });
}

TEST_F(ReplyParsing, RxCharOutsidePortRangeIsIgnored) {
    RunConsole([&](CConsoleDlg& d) {
        EXPECT_EQ(In(d).OnLinkRxChar(0xAB, 0), -1);
        EXPECT_EQ(In(d).OnLinkRxChar(0xAB, 100), -1);
        EXPECT_EQ(In(d).m_rx.State(), -1);
        EXPECT_EQ(In(d).OnLinkRxChar(0xAB, 99), 0);
        EXPECT_EQ(In(d).m_rx.State(), 0);
    });
}

TEST_F(ReplyParsing, SavedEdidSlotByteAndCompletion) {
    RunConsole([&](CConsoleDlg& d) {
        for (std::uint8_t slot : {0x0A, 0x05, 0x85}) {
            d.m_bReadingEdid = 1;
            In(d).m_bReadingSavedEdid = 1;
            In(d).m_rx.Reset();
            Feed(d, {0xAB, 0, 0, 0x06, 0x01, 0, 0, 0xAA, 0x80, slot});
            EXPECT_EQ(In(d).m_rx.State(), slot == 0x0A ? -1 : 9) << int(slot);
        }
        // A whole TV EDID reply becomes the page's image only when it is complete.
        d.m_bReadingEdid = 1;
        In(d).m_bReadingSavedEdid = 0;
        In(d).m_rx.Reset();
        std::memset(In(d).m_edidPage.m_abEdid, 0x11, 256);
        Bytes edid(256);
        for (int i = 0; i < 256; ++i)
            edid[i] = static_cast<std::uint8_t>(i);
        Bytes reply = Reply(cmd::ReadSinkEdid, edid);
        ASSERT_EQ(reply.size(), 266u);
        Feed(d, Bytes(reply.begin(), reply.begin() + 200));
        EXPECT_EQ(In(d).m_edidPage.m_abEdid[5], 0x11);
        Feed(d, Bytes(reply.begin() + 200, reply.end()));
        EXPECT_EQ(d.m_bReadingEdid, 0);
        EXPECT_EQ(In(d).m_rx.State(), -1);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(In(d).m_edidPage.m_abEdid[i], i);
        EXPECT_EQ(In(d).m_edidPage.m_abEdid[256], reply.back());
    });
}

TEST_F(ReplyParsing, SearchReplyVerdict) {
    RunConsole([&](CConsoleDlg& d) {
        for (std::uint8_t last : {0x01, 0x00}) {
            d.m_bSearching = 1;
            In(d).m_bDeviceFound = 0;
            Feed(d, Reply(cmd::Search, {0x00, last}));
            EXPECT_EQ(In(d).m_bDeviceFound, last == 0 ? 1 : 0);
            EXPECT_EQ(In(d).m_rx.State(), -1);
        }
        // Bytes after the first re-arm timer 4 with 200 ms.
        EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerExchange), 200);
        d.m_bSearching = 0;
    });
}

TEST_F(ReplyParsing, GarbageNeverBreaksTheNextGoodReply) {
    RunConsole([&](CConsoleDlg& d) {
        std::mt19937 rng(7);
        for (int round = 0; round < 200; ++round) {
            // Random parse modes and bytes, including long runs that look like frame starts.
            d.m_bReadingEdid = rng() % 4 == 0;
            In(d).m_bReadingSavedEdid = rng() % 2;
            d.m_bReadingStatus = rng() % 3 == 0;
            In(d).m_nStatusStep = static_cast<int>(rng() % 13);
            In(d).m_nStatusRecord = static_cast<int>(rng() % 10);
            for (int i = 0; i < 600; ++i) {
                std::uint8_t b = static_cast<std::uint8_t>(rng());
                if (i % 50 == 0)
                    b = 0xAB;
                In(d).OnLinkRxChar(b, 1);
            }
            // Modes change in mid-frame: the next parser continues from the shared state.
        }
        // Abandoning the exchange (timer 4) puts the parsers back to hunting.
        d.m_bReadingEdid = 0;
        d.m_bReadingStatus = 0;
        d.m_bSearching = 0;
        d.m_bReadingStatus = 1;
        d.SetTimer(CConsoleDlg::kTimerExchange, 400);
        ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerExchange));
        EXPECT_EQ(In(d).m_rx.State(), -1);
        d.m_address = {};
        Feed(d, Reply(cmd::QueryPattern, {12}));
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 12);
    });
}
