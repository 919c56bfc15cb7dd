// CSerialLink on the Win32 serial layer under wine. run_serial.sh makes COM5 and COM6 the two ends
// of a pseudo-terminal null-modem cable: the link opens COM5, the test plays the generator on COM6
// through serial::Port. The owner is either a recording target whose SendMessage runs on the
// worker and can hold it inside a notification, or a real dialog of the dialog layer, whose
// deliveries the UI thread (this test's main thread) must serve.
#include "link/serial_link.h"
#include "support/link_recorders.h"
#include "support/os_support.h"
#include "support/watchdog.h"
#include "platform/serial/port_map.h"
#include "platform/serial/serial_port.h"
#include "platform/ui/dialog.h"

#include "wine_host.h"

#include "serial_drain.h"
#include "winsock_peer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using testsupport::CLinkSink;
using testsupport::Note;
using testsupport::RecordingOwner;
using testsupport::Watchdog;

constexpr ui::UINT kLinkCom = 5;
constexpr ui::UINT kPeerCom = 6;
constexpr std::uint32_t kConsoleMask = serial::event::kRxChar | serial::event::kRxFlag;

// --- The far side --------------------------------------------------------------------------------

bool OpenPeer(serial::Port& port, int com) {
    if (port.Open(serial::ResolveComPort(com)))
        return false;
    serial::PortState state;
    if (port.SetTimeouts({1000, 1000, 1000, 1000, 1000}) ||
        port.SetEventMask(serial::event::kRxChar) || port.GetState(state))
        return false;
    return serial::ParseDefinition("baud=115200 parity=N data=8 stop=1", state.line) &&
           !port.SetState(state) && !port.Purge();
}

void Send(serial::Port& port, const Bytes& bytes) {
    ASSERT_FALSE(port.Write(bytes.data(), bytes.size()));
}

using winetest::Drain;

// --- The relay's control directory (run_serial.sh) -----------------------------------------------

std::string ControlFile(const char* name) {
    const char* dir = std::getenv("KESTRELON_WINE_CONTROL");
    return dir ? std::string(dir) + "\\" + name : std::string();
}

bool Touch(const char* name) {
    std::FILE* f = std::fopen(ControlFile(name).c_str(), "w");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

bool WaitForFile(const char* name, std::chrono::milliseconds within) {
    const std::string path = ControlFile(name);
    const auto end = std::chrono::steady_clock::now() + within;
    for (;;) {
        if (std::FILE* f = std::fopen(path.c_str(), "r")) {
            std::fclose(f);
            return true;
        }
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
}

// --- Owners --------------------------------------------------------------------------------------

// --- Helpers -------------------------------------------------------------------------------------

bool OpenLikeTheConsole(CSerialLink& link, ui::MessageTarget& owner, ui::UINT port) {
    return link.Open(&owner, port, 115200, 'N', 8, 1, kConsoleMask, 512);
}

Bytes Frame(std::uint8_t tag, std::size_t size = 10) {
    Bytes f(size, tag);
    f[0] = 0xAA;
    f[3] = static_cast<std::uint8_t>((size - 5) & 0xFF);
    f[4] = static_cast<std::uint8_t>((size - 5) >> 8);
    return f;
}

void WriteFrame(CSerialLink& link, const Bytes& frame) {
    link.Write(frame.data(), static_cast<int>(frame.size()));
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds within = 5s) {
    const auto end = std::chrono::steady_clock::now() + within;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

bool PumpUntil(const std::function<bool()>& done, int maxMs = 5000) {
    for (int waited = 0; !done(); waited += 10) {
        if (waited >= maxMs)
            return false;
        ui::ProcessEvents(10);
    }
    return true;
}

class SerialLinkWine : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OpenPeer(peer, kPeerCom)) << "COM6 is not mapped: run through run_serial.sh";
    }
    void TearDown() override {
        owner.Release(); // never leave the worker held when a test stops early
    }

    serial::Port peer;
    RecordingOwner owner;
    CSerialLink link; // last: ends before the owner and the peer
};

// --- Opening -------------------------------------------------------------------------------------

TEST_F(SerialLinkWine, APortThatDoesNotExistFailsAndLeavesNoWorker) {
    // 0 and 100 have no name. COM77 has one but stands for nothing, so the open itself fails;
    // wine names the machine's own serial devices COM1, COM2, ... and one of them is never
    // opened here.
    std::vector<ui::UINT> ports = {0u, 100u};
    if (winetest::DosDeviceTarget("COM77").empty())
        ports.push_back(77u);
    for (ui::UINT port : ports) {
        EXPECT_FALSE(OpenLikeTheConsole(link, owner, port)) << port;
        EXPECT_FALSE(link.IsWorkerAlive());
        EXPECT_FALSE(link.IsOpen());
    }
    // A failed Open on a running link also ends its worker.
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    EXPECT_TRUE(link.IsOpen());
    EXPECT_FALSE(OpenLikeTheConsole(link, owner, ports.back()));
    EXPECT_FALSE(link.IsWorkerAlive());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(0u, owner.Total());
}

TEST_F(SerialLinkWine, OpenOnARunningLinkStopsItsWorkerAndMovesToTheNewPort) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    // The link moves to COM6; the test takes COM5 for the far side.
    peer.Close();
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kPeerCom));
    EXPECT_FALSE(link.IsWorkerAlive());
    EXPECT_TRUE(link.IsOpen());
    serial::Port far;
    ASSERT_TRUE(OpenPeer(far, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    Send(far, {0x7E});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 1));
    const Note note = owner.Notes().front();
    EXPECT_EQ(0x7Eu, note.wParam & 0xFFu);
    EXPECT_EQ(6, note.lParam);
    const Bytes f = Frame(0x44);
    WriteFrame(link, f);
    EXPECT_EQ(f, Drain(far, f.size()));
}

TEST_F(SerialLinkWine, RequestStopThenDestructionEndsTheWorkerAndClosesThePort) {
    auto doomed = std::make_unique<CSerialLink>();
    ASSERT_TRUE(OpenLikeTheConsole(*doomed, owner, kLinkCom));
    ASSERT_TRUE(doomed->StartWorker());
    doomed->RequestStop();
    ASSERT_TRUE(WaitUntil([&] { return !doomed->IsWorkerAlive(); }));
    EXPECT_FALSE(doomed->IsOpen());
    // Stopped for good: a write now reaches nobody.
    WriteFrame(*doomed, Frame(0x55));
    doomed.reset();
    EXPECT_TRUE(Drain(peer, 1, 200ms).empty());
    EXPECT_EQ(0u, owner.Total());
    // The port is free for the next link.
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    Send(peer, {0x3C});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 1));
    EXPECT_EQ(Bytes{0x3C}, owner.Received());
}

// --- Receiving and transmitting ------------------------------------------------------------------

TEST_F(SerialLinkWine, EveryReceivedByteIsOneNotificationInArrivalOrder) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    // Every byte value, XON/XOFF, CR/LF, 0x00 and 0xFF among them, twice.
    Bytes reply(512);
    std::iota(reply.begin(), reply.end(), 0);
    Send(peer, reply);
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, reply.size()))
        << owner.Count(WM_LINK_RXCHAR) << " of " << reply.size();
    EXPECT_EQ(reply, owner.Received());
    // The flag notification follows a batch of bytes; it may come after the last one.
    EXPECT_TRUE(owner.WaitCount(WM_LINK_RXFLAG, 1));
    for (const Note& note : owner.Notes())
        EXPECT_EQ(5, note.lParam);
}

TEST_F(SerialLinkWine, EachWriteSendsItsFrameUnchangedAndGivesOneTxEmpty) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    Bytes all(300);
    std::iota(all.begin(), all.end(), 0);
    all[0] = 0xAA;
    const std::vector<Bytes> frames = {Frame(1), Frame(2, 11), all};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        WriteFrame(link, frames[i]);
        ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, i + 1));
        EXPECT_EQ(frames[i], Drain(peer, frames[i].size()));
    }
    EXPECT_TRUE(Drain(peer, 1, 100ms).empty());
    EXPECT_EQ(frames.size(), owner.Count(WM_LINK_TXEMPTY));
    EXPECT_EQ(0u, owner.Count(WM_LINK_RXCHAR));
    for (const Note& note : owner.Notes())
        EXPECT_EQ(5, note.lParam);
}

TEST_F(SerialLinkWine, TwoWritesBeforeTheWorkerTakesTheFirstSendOnlyTheSecond) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    owner.HoldNext(WM_LINK_RXCHAR);
    Send(peer, {0x01});
    ASSERT_TRUE(owner.WaitHeld());
    const Bytes first = Frame(0x11), second = Frame(0x22, 12);
    WriteFrame(link, first);
    WriteFrame(link, second);
    owner.Release();
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));
    EXPECT_EQ(second, Drain(peer, second.size() + 1, 500ms));
    EXPECT_EQ(1u, owner.Count(WM_LINK_TXEMPTY));
}

TEST_F(SerialLinkWine, ATransmissionDiscardsBytesNotYetRead) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    const Bytes first = Frame(0x31), second = Frame(0x32);
    owner.HoldNext(WM_LINK_TXEMPTY);
    WriteFrame(link, first);
    ASSERT_TRUE(owner.WaitHeld());
    EXPECT_EQ(first, Drain(peer, first.size()));
    // Queued on COM5 while the worker is held; the next transmission comes first and drops them.
    Send(peer, {0xC1, 0xC2, 0xC3});
    std::this_thread::sleep_for(300ms);
    WriteFrame(link, second);
    owner.Release();
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 2));
    EXPECT_EQ(second, Drain(peer, second.size()));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(0u, owner.Count(WM_LINK_RXCHAR));
}

// --- Delivery to a dialog on the UI thread -------------------------------------------------------

TEST_F(SerialLinkWine, BytesAreHandledOnTheUiThreadAndHandlersMayWrite) {
    CLinkSink sink;
    CSerialLink dialogLink;
    sink.m_pReplyLink = &dialogLink;
    sink.m_reply = {0xAA, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61, 0x80, 0x70};
    ASSERT_TRUE(OpenLikeTheConsole(dialogLink, sink, kLinkCom));
    ASSERT_TRUE(dialogLink.StartWorker());
    Send(peer, {0xAB, 0x11, 0x13, 0x00, 0xFF});
    ASSERT_TRUE(PumpUntil([&] { return sink.m_bytes.size() == 5 && sink.m_nTxEmpty == 1; }));
    EXPECT_EQ((Bytes{0xAB, 0x11, 0x13, 0x00, 0xFF}), sink.m_bytes);
    EXPECT_EQ(5, sink.m_lastPort);
    EXPECT_TRUE(sink.m_allOnUiThread);
    EXPECT_EQ(sink.m_reply, Drain(peer, sink.m_reply.size()));
}

TEST_F(SerialLinkWine, OpenWhileTheWorkerIsBlockedDeliveringToThisThreadDoesNotDeadlock) {
    CLinkSink sink;
    CSerialLink dialogLink;
    ASSERT_TRUE(OpenLikeTheConsole(dialogLink, sink, kLinkCom));
    ASSERT_TRUE(dialogLink.StartWorker());
    Send(peer, {1, 2, 3, 4});
    // This thread runs no message loop now: the worker blocks in its first delivery.
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(sink.m_bytes.empty());
    {
        Watchdog watchdog("Open", 15s); // wine is slow to start threads
        ASSERT_TRUE(OpenLikeTheConsole(dialogLink, sink, kLinkCom));
    }
    EXPECT_FALSE(dialogLink.IsWorkerAlive());
    // The worker was released from its delivery: nothing of the port being left is handled, not
    // even the byte it was handing over, and the reopened port starts empty.
    ui::ProcessEvents(50);
    EXPECT_TRUE(sink.m_bytes.empty());
    const std::size_t served = sink.m_bytes.size();
    ASSERT_TRUE(dialogLink.StartWorker());
    Send(peer, {9});
    ASSERT_TRUE(PumpUntil([&] { return sink.m_bytes.size() == served + 1; }));
    EXPECT_EQ(9, sink.m_bytes.back());
    EXPECT_EQ(5, sink.m_lastPort);
}

TEST_F(SerialLinkWine, DestructionWhileTheWorkerIsBlockedDeliveringDoesNotDeadlock) {
    CLinkSink sink;
    auto dialogLink = std::make_unique<CSerialLink>();
    ASSERT_TRUE(OpenLikeTheConsole(*dialogLink, sink, kLinkCom));
    ASSERT_TRUE(dialogLink->StartWorker());
    WriteFrame(*dialogLink, Bytes(10, 0x42)); // blocks in WM_LINK_TXEMPTY
    Send(peer, {7, 8});
    std::this_thread::sleep_for(200ms);
    {
        Watchdog watchdog("~CSerialLink", 15s);
        dialogLink.reset();
    }
    // The notification in flight was dropped, not handled after the link had gone.
    ui::ProcessEvents(10);
    EXPECT_EQ(0, sink.m_nTxEmpty);
    EXPECT_EQ(Bytes(10, 0x42), Drain(peer, 10));
    // The port was closed: it opens again and works.
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    Send(peer, {0x21});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 1));
}

// --- A far side that vanishes (last: it replaces the cable) --------------------------------------

TEST_F(SerialLinkWine, AVanishedFarSideDoesNotSpinTheWorkerAndALaterOpenWorks) {
    ASSERT_FALSE(ControlFile("kill").empty()) << "run through run_serial.sh";
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    Send(peer, {0xAB, 0x00});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 2));

    // The relay is killed: both pseudo-terminals lose their other end.
    ASSERT_TRUE(Touch("kill"));
    ASSERT_TRUE(WaitForFile("killed", 5s));
    std::this_thread::sleep_for(500ms);

    // No spinning and no flood: the worker sleeps in its wait and the owner hears nothing more.
    const std::size_t notesAfterLoss = owner.Total();
    const double cpuBefore = winetest::ProcessCpuMs();
    std::this_thread::sleep_for(1000ms);
    const double cpuMs = winetest::ProcessCpuMs() - cpuBefore;
    std::printf("[          ] CPU time in 1 s after the far side vanished: %.0f ms\n", cpuMs);
    EXPECT_LT(cpuMs, 200.0);
    EXPECT_EQ(notesAfterLoss, owner.Total());
    EXPECT_LE(owner.Count(WM_LINK_RXFLAG), 3u);
    EXPECT_EQ((Bytes{0xAB, 0x00}), owner.Received());

    // Writes fail but still give one WM_LINK_TXEMPTY each; the worker carries on.
    const Bytes f = Frame(0x66);
    WriteFrame(link, f);
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));
    WriteFrame(link, f);
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 2));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(2u, owner.Count(WM_LINK_TXEMPTY));
    EXPECT_TRUE(link.IsWorkerAlive());

    // The relay comes back with new pseudo-terminals under the same COM numbers.
    peer.Close();
    ASSERT_TRUE(Touch("revive"));
    ASSERT_TRUE(WaitForFile("revived", 5s));
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, kLinkCom));
    ASSERT_TRUE(link.StartWorker());
    ASSERT_TRUE(OpenPeer(peer, kPeerCom));
    Send(peer, {0x5C});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 3));
    EXPECT_EQ(0x5C, owner.Received().back());
    WriteFrame(link, f);
    EXPECT_EQ(f, Drain(peer, f.size()));
}

// The link on a network port under wine: COM9 is mapped in the user's ports.ini, the worker waits
// on Winsock's network event beside its own events.
TEST(SerialLinkWineNetwork, ATcpPortDeliversWritesAndIsLostOnceWhenTheServerCloses) {
    const std::string appData = testsupport::MakeTempDir();
    std::filesystem::create_directories(appData + "\\kestrelon");
    const char* oldAppData = std::getenv("APPDATA");
    const std::string restore = oldAppData ? oldAppData : "";
    testsupport::SetEnv("APPDATA", appData);
    winetest::WinsockPeer peer;
    std::ofstream(appData + "\\kestrelon\\ports.ini")
        << "[ports]\r\nCOM9=" << peer.Url() << "\r\nCOM7=not a URL\r\n";
    EXPECT_EQ(peer.Url(), serial::ResolveComPort(9));
    EXPECT_EQ("COM8", serial::ResolveComPort(8)) << "no key: the system's port";
    EXPECT_EQ("", serial::ResolveComPort(7)) << "anything but a URL maps to nothing";

    RecordingOwner owner;
    CSerialLink link;
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 9));
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(link.StartWorker());
    peer.Send({0xAB, 0xFF});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 2));
    EXPECT_EQ((Bytes{0xAB, 0xFF}), owner.Received());
    const Bytes f = Frame(0x77);
    WriteFrame(link, f);
    EXPECT_EQ(f, peer.Receive(2000, f.size()));
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));

    peer.Hangup();
    ASSERT_TRUE(owner.WaitCount(WM_LINK_LOST, 1));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(1u, owner.Count(WM_LINK_LOST));
    EXPECT_FALSE(link.IsOpen());

    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 9));
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(link.StartWorker());
    peer.Send({0x5C});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 3));
    link.Close();
    testsupport::SetEnv("APPDATA", restore);
}

} // namespace
