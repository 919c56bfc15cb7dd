// CSerialLink delivering to a real dialog of the dialog layer: notifications are handled on the
// UI thread, and Open and the destructor, called on the UI thread while the worker is blocked
// delivering to it, still end the worker instead of waiting for each other.
#include "link/serial_link.h"
#include "platform/ui/dialog.h"
#include "support/link_recorders.h"
#include "support/pty_peer.h"
#include "support/watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using testsupport::CLinkSink;
using testsupport::PortMap;
using testsupport::PtyPeer;
using testsupport::Watchdog;
using namespace std::chrono_literals;

namespace {

bool PumpUntil(const std::function<bool()>& done, int maxMs = 3000) {
    for (int waited = 0; !done(); waited += 10) {
        if (waited >= maxMs)
            return false;
        ui::ProcessEvents(10);
    }
    return true;
}

constexpr std::uint32_t kMask = serial::event::kRxChar | serial::event::kRxFlag;

TEST(SerialLinkDelivery, BytesAreHandledOnTheUiThreadAndHandlersMayWrite) {
    PortMap map;
    PtyPeer peer(map, 5);
    CLinkSink sink;
    CSerialLink link;
    sink.m_pReplyLink = &link;
    sink.m_reply = {0xAA, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61, 0x80, 0x70};
    ASSERT_TRUE(link.Open(&sink, 5, 115200, 'N', 8, 1, kMask, 512));
    ASSERT_TRUE(link.StartWorker());
    peer.Send({0xAB, 0x11, 0x13, 0x00, 0xFF});
    ASSERT_TRUE(PumpUntil([&] { return sink.m_bytes.size() == 5 && sink.m_nTxEmpty == 1; }));
    EXPECT_EQ((std::vector<std::uint8_t>{0xAB, 0x11, 0x13, 0x00, 0xFF}), sink.m_bytes);
    EXPECT_EQ(5, sink.m_lastPort);
    EXPECT_TRUE(sink.m_allOnUiThread);
    EXPECT_EQ(sink.m_reply, peer.Receive(1s, sink.m_reply.size()));
}

TEST(SerialLinkDelivery, OpenWhileTheWorkerIsBlockedDeliveringToThisThreadDoesNotDeadlock) {
    PortMap map;
    PtyPeer peer(map, 5), other(map, 6);
    CLinkSink sink;
    CSerialLink link;
    ASSERT_TRUE(link.Open(&sink, 5, 115200, 'N', 8, 1, kMask, 512));
    ASSERT_TRUE(link.StartWorker());
    peer.Send({1, 2, 3, 4});
    // The UI thread runs no event loop now: the worker blocks in the first delivery.
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(sink.m_bytes.empty());
    {
        Watchdog watchdog("Open");
        ASSERT_TRUE(link.Open(&sink, 6, 115200, 'N', 8, 1, kMask, 512));
    }
    EXPECT_FALSE(link.IsWorkerAlive());
    // The worker was released from its delivery: nothing of the port being left is handled, not
    // even the byte it was handing over.
    ui::ProcessEvents(30);
    EXPECT_TRUE(sink.m_bytes.empty());
    const auto served = sink.m_bytes.size();
    ASSERT_TRUE(link.StartWorker());
    other.Send({9});
    ASSERT_TRUE(PumpUntil([&] { return sink.m_bytes.size() == served + 1; }));
    EXPECT_EQ(6, sink.m_lastPort);
}

TEST(SerialLinkDelivery, DestructionWhileTheWorkerIsBlockedDeliveringDoesNotDeadlock) {
    PortMap map;
    PtyPeer peer(map, 5);
    CLinkSink sink;
    auto link = std::make_unique<CSerialLink>();
    ASSERT_TRUE(link->Open(&sink, 5, 115200, 'N', 8, 1, kMask, 512));
    ASSERT_TRUE(link->StartWorker());
    const std::vector<std::uint8_t> frame(10, 0x42);
    link->Write(frame.data(), 10); // blocks in WM_LINK_TXEMPTY
    peer.Send({7, 8});
    std::this_thread::sleep_for(50ms);
    {
        Watchdog watchdog("~CSerialLink");
        link.reset();
    }
    // The notification in flight was dropped, not handled after the link had gone.
    ui::ProcessEvents(10);
    EXPECT_EQ(0, sink.m_nTxEmpty);
    // The port is closed: it opens again.
    CSerialLink again;
    EXPECT_TRUE(again.Open(&sink, 5, 115200, 'N', 8, 1, kMask, 512));
}

TEST(SerialLinkDelivery, OpenFromInsideTheHandlerOfItsOwnWorkersNotificationDoesNotDeadlock) {
    // A handler of WM_LINK_TXEMPTY that opens a message box: a timer of the box's event loop
    // moves the link to another port while the worker still waits for that very handler.
    PortMap map;
    PtyPeer first(map, 5), second(map, 6);
    CLinkSink sink;
    CSerialLink link;
    bool reopened = false;
    sink.m_onTxEmpty = [&] {
        Watchdog watchdog("Open inside the handler");
        reopened = link.Open(&sink, 6, 115200, 'N', 8, 1, kMask, 512);
        if (reopened)
            link.StartWorker();
        // The new worker delivers while the old handler is still on the stack.
        const std::vector<std::uint8_t> frame = {0x42};
        link.Write(frame.data(), 1);
        PumpUntil([&] { return sink.m_nTxEmpty == 2; }, 2000);
    };
    ASSERT_TRUE(link.Open(&sink, 5, 115200, 'N', 8, 1, kMask, 512));
    ASSERT_TRUE(link.StartWorker());
    const std::vector<std::uint8_t> frame(10, 0x41);
    link.Write(frame.data(), 10);
    ASSERT_TRUE(PumpUntil([&] { return sink.m_nTxEmpty == 2; }));
    EXPECT_TRUE(reopened);
    EXPECT_EQ(6, static_cast<int>(link.GetPortNumber()));
    EXPECT_EQ((std::vector<std::uint8_t>{0x42}), second.Receive(1s, 1));
}

} // namespace
