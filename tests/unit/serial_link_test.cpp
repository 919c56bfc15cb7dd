// CSerialLink over pseudo-terminals: the test plays the generator on the master side and the
// owner window is a recording target whose SendMessage runs on the worker, as a synchronous
// delivery does, and can hold the worker inside a notification.
#include "link/serial_link.h"
#include "support/link_recorders.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <numeric>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using testsupport::Note;
using testsupport::PortMap;
using testsupport::PtyPeer;
using testsupport::RecordingOwner;
using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t kConsoleMask = serial::event::kRxChar | serial::event::kRxFlag;

bool OpenLikeTheConsole(CSerialLink& link, RecordingOwner& owner, ui::UINT port) {
    return link.Open(&owner, port, 115200, 'N', 8, 1, kConsoleMask, 512);
}

std::vector<std::uint8_t> Frame(std::uint8_t tag, std::size_t size = 10) {
    std::vector<std::uint8_t> f(size, tag);
    f[0] = 0xAA;
    f[3] = static_cast<std::uint8_t>((size - 5) & 0xFF);
    f[4] = static_cast<std::uint8_t>((size - 5) >> 8);
    return f;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds within = 3s) {
    const auto end = std::chrono::steady_clock::now() + within;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

class SerialLinkTest : public testing::Test {
protected:
    void TearDown() override {
        owner.Release(); // never leave the worker held when a test stops early
    }

    PortMap map;
    PtyPeer peer{map, 3};
    RecordingOwner owner;
    CSerialLink link; // last: ends before the owner and the peer
};

TEST(SerialLinkNames, PortNamesUseTheDeviceNamespaceFromTen) {
    EXPECT_EQ("COM1", CSerialLink::PortName(1));
    EXPECT_EQ("COM9", CSerialLink::PortName(9));
    EXPECT_EQ("\\\\.\\COM10", CSerialLink::PortName(10));
    EXPECT_EQ("\\\\.\\COM99", CSerialLink::PortName(99));
    EXPECT_EQ(9u, CSerialLink::PortName(10).size());
}

TEST_F(SerialLinkTest, PortsThatMapToNothingFailAtOnceAndLeaveNoWorker) {
    for (ui::UINT port : {0u, 7u, 100u}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(OpenLikeTheConsole(link, owner, port)) << port;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms);
        EXPECT_FALSE(link.IsWorkerAlive());
        EXPECT_FALSE(link.IsOpen());
    }
    // A failed Open on a running link also ends its worker.
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    EXPECT_FALSE(OpenLikeTheConsole(link, owner, 8));
    EXPECT_FALSE(link.IsWorkerAlive());
    EXPECT_EQ(0u, owner.Total());
}

TEST_F(SerialLinkTest, StartWorkerNeedsAnOpenAndRunsOneWorkerAtATime) {
    EXPECT_FALSE(link.StartWorker());
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    EXPECT_TRUE(link.IsWorkerAlive());
    EXPECT_FALSE(link.StartWorker());
}

TEST_F(SerialLinkTest, ThePortIsOpenedExclusively) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    {
        CSerialLink other;
        EXPECT_FALSE(OpenLikeTheConsole(other, owner, 3));
    }
    // RequestStop lets the worker close the port; then another link can have it.
    ASSERT_TRUE(link.StartWorker());
    EXPECT_TRUE(link.IsOpen());
    link.RequestStop();
    ASSERT_TRUE(WaitUntil([&] { return !link.IsWorkerAlive(); }));
    EXPECT_FALSE(link.IsOpen());
    CSerialLink other;
    EXPECT_TRUE(OpenLikeTheConsole(other, owner, 3));
}

TEST_F(SerialLinkTest, EveryReceivedByteIsOneNotificationInArrivalOrder) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    // Every byte value, 0x11/0x13 (XON/XOFF), CR/LF and 0x00/0xFF among them, twice.
    std::vector<std::uint8_t> reply(512);
    std::iota(reply.begin(), reply.end(), 0);
    peer.Send(reply);
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, reply.size()));
    EXPECT_EQ(reply, owner.Received());
    // The flag notification follows the last byte of the batch.
    EXPECT_TRUE(owner.WaitCount(WM_LINK_RXFLAG, 1));
    for (const Note& note : owner.Notes())
        EXPECT_EQ(3, note.lParam);
}

TEST_F(SerialLinkTest, TheFirstByteAfterAQuietLineIsFlagged) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    peer.Send({1, 2, 3});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kRxSilenceMs));
    peer.Send({4, 5});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 5));
    std::vector<bool> flagged;
    for (const Note& note : owner.Notes()) {
        if (note.message == WM_LINK_RXCHAR)
            flagged.push_back((note.wParam & LINK_RX_AFTER_SILENCE) != 0);
    }
    // Bytes of one burst arrive together; only the first of each burst follows a quiet line.
    EXPECT_EQ((std::vector<bool>{true, false, false, true, false}), flagged);
    EXPECT_EQ((std::vector<std::uint8_t>{1, 2, 3, 4, 5}), owner.Received());
}

TEST_F(SerialLinkTest, AWriteThePortNeverTakesFailsWithinTheLimitAndEndsOnStop) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(peer.FillOutput());
    ASSERT_TRUE(link.StartWorker());
    const auto f = Frame(0x66);
    const auto start = std::chrono::steady_clock::now();
    link.Write(f.data(), static_cast<int>(f.size()));
    ASSERT_TRUE(owner.WaitCount(WM_LINK_LOST, 1, 5s));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(3 * CSerialLink::kWriteLimitMs));
    EXPECT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));
    EXPECT_FALSE(link.IsOpen());
    for (const Note& note : owner.Notes()) {
        if (note.message == WM_LINK_LOST) {
            EXPECT_EQ(static_cast<ui::WPARAM>(serial::Cause::Timeout), note.wParam);
        }
    }
    // The link keeps the failed call for its log.
    EXPECT_EQ("write the frame", link.LastFailure().label);
    EXPECT_EQ(serial::Cause::Timeout, link.LastFailure().error.cause);

    // A stop request ends a write in progress at once: the owner's thread never waits for it.
    PtyPeer stuck(map, 4);
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 4));
    ASSERT_TRUE(stuck.FillOutput());
    ASSERT_TRUE(link.StartWorker());
    link.Write(f.data(), static_cast<int>(f.size()));
    std::this_thread::sleep_for(50ms); // the worker is inside the write now
    const auto stopAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 800ms); // the write limit is 1 s
}

TEST_F(SerialLinkTest, EachWriteSendsItsFrameUnchangedAndGivesOneTxEmpty) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    std::vector<std::uint8_t> all(300);
    std::iota(all.begin(), all.end(), 0);
    all[0] = 0xAA;
    const std::vector<std::vector<std::uint8_t>> frames = {Frame(1), Frame(2, 11), all};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        link.Write(frames[i].data(), static_cast<int>(frames[i].size()));
        ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, i + 1));
        EXPECT_EQ(frames[i], peer.Receive(1s, frames[i].size()));
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(frames.size(), owner.Count(WM_LINK_TXEMPTY));
    EXPECT_EQ(0u, owner.Count(WM_LINK_RXCHAR));
}

TEST_F(SerialLinkTest, OversizedWriteIsRefusedAndSendsNothing) {
    ASSERT_TRUE(link.Open(&owner, 3, 115200, 'N', 8, 1, kConsoleMask, 16));
    ASSERT_TRUE(link.StartWorker());
    const std::vector<std::uint8_t> big(17, 0x55);
    link.Write(big.data(), 17);
    link.Write(big.data(), -1);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(0u, owner.Count(WM_LINK_TXEMPTY));
    EXPECT_TRUE(peer.Receive(20ms).empty());
    link.Write(big.data(), 16);
    EXPECT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));
    EXPECT_EQ(16u, peer.Receive(1s, 16).size());
}

TEST_F(SerialLinkTest, TwoWritesBeforeTheWorkerWakesSendOnlyTheSecond) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    owner.HoldNext(WM_LINK_RXCHAR);
    peer.Send({0x01});
    ASSERT_TRUE(owner.WaitHeld());
    const auto first = Frame(0x11), second = Frame(0x22, 12);
    link.Write(first.data(), static_cast<int>(first.size()));
    link.Write(second.data(), static_cast<int>(second.size()));
    owner.Release();
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));
    EXPECT_EQ(second, peer.Receive(200ms));
    EXPECT_EQ(1u, owner.Count(WM_LINK_TXEMPTY));
}

TEST_F(SerialLinkTest, AWriteDuringATransmissionIsSentNextAndIntact) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    // Hammer Write while the worker transmits: every frame on the line is one of the written
    // frames, whole.
    const auto a = Frame(0x5A, 300), b = Frame(0xA5, 300);
    std::vector<std::uint8_t> line;
    for (int i = 0; i < 40; ++i) {
        for (int j = 0; j < 20; ++j) { // rewrite the buffer while a frame may be in flight
            const auto& f = ((i + j) % 2) ? b : a;
            link.Write(f.data(), static_cast<int>(f.size()));
        }
        const auto got = peer.Receive(5ms);
        line.insert(line.end(), got.begin(), got.end());
    }
    ASSERT_TRUE(WaitUntil([&] { return owner.Count(WM_LINK_TXEMPTY) >= 1; }));
    std::this_thread::sleep_for(30ms);
    const auto rest = peer.Receive(100ms);
    line.insert(line.end(), rest.begin(), rest.end());
    const auto frames = testsupport::SplitFrames(line);
    ASSERT_FALSE(frames.empty());
    for (const auto& f : frames)
        EXPECT_TRUE(f == a || f == b) << testsupport::Hex(f);
}

TEST_F(SerialLinkTest, ATransmissionDiscardsBytesNotYetRead) {
    // A descriptor of our own on the slave shows its input queue.
    const int probe = ::open(peer.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    const auto first = Frame(0x31), second = Frame(0x32);
    owner.HoldNext(WM_LINK_TXEMPTY);
    link.Write(first.data(), static_cast<int>(first.size()));
    ASSERT_TRUE(owner.WaitHeld());
    EXPECT_EQ(first, peer.Receive(1s, first.size()));
    peer.Send({0xC1, 0xC2, 0xC3});
    ASSERT_TRUE(WaitUntil([&] {
        int queued = 0;
        ::ioctl(probe, FIONREAD, &queued);
        return queued == 3;
    }));
    link.Write(second.data(), static_cast<int>(second.size()));
    owner.Release(); // write wins over the port: the purge comes before any read
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 2));
    EXPECT_EQ(second, peer.Receive(1s, second.size()));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(0u, owner.Count(WM_LINK_RXCHAR));
    ::close(probe);
}

TEST_F(SerialLinkTest, OpenOnARunningLinkStopsItsWorkerAndMovesToTheNewPort) {
    PtyPeer peer4(map, 4);
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 4));
    EXPECT_FALSE(link.IsWorkerAlive());
    {
        CSerialLink other; // COM3 was closed by the old worker
        EXPECT_TRUE(OpenLikeTheConsole(other, owner, 3));
    }
    ASSERT_TRUE(link.StartWorker());
    peer4.Send({0x7E});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 1));
    const Note note = owner.Notes().front();
    EXPECT_EQ(0x7Eu, note.wParam & 0xFFu);
    EXPECT_EQ(4, note.lParam);
    const auto f = Frame(0x44);
    link.Write(f.data(), static_cast<int>(f.size()));
    EXPECT_EQ(f, peer4.Receive(1s, f.size()));
    EXPECT_TRUE(peer.Receive(20ms).empty());
}

TEST_F(SerialLinkTest, RequestStopThenDestructionEndsTheWorkerAndClosesThePort) {
    auto doomed = std::make_unique<CSerialLink>();
    ASSERT_TRUE(OpenLikeTheConsole(*doomed, owner, 3));
    ASSERT_TRUE(doomed->StartWorker());
    doomed->RequestStop();
    ASSERT_TRUE(WaitUntil([&] { return !doomed->IsWorkerAlive(); }));
    // Stopped for good: a write now reaches nobody.
    const auto f = Frame(0x55);
    doomed->Write(f.data(), static_cast<int>(f.size()));
    doomed.reset();
    EXPECT_TRUE(peer.Receive(30ms).empty());
    EXPECT_EQ(0u, owner.Total());
    EXPECT_TRUE(OpenLikeTheConsole(link, owner, 3));
}

TEST_F(SerialLinkTest, AVanishedPortIsReportedOnceAndTheLinkStaysUsable) {
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    peer.Send({0xAB, 0x00});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 2));
    std::this_thread::sleep_for(20ms);
    peer.Hangup();
    std::this_thread::sleep_for(50ms);

    // No spinning and no flood: the worker sleeps in its wait and the owner hears nothing more.
    const std::size_t notesAfterHangup = owner.Total();
    const double cpuBefore = ProcessCpuMs();
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 30.0);
    EXPECT_EQ(notesAfterHangup, owner.Total());
    EXPECT_LE(owner.Count(WM_LINK_RXFLAG), 3u);
    // The owner was told once, with the cause.
    ASSERT_EQ(1u, owner.Count(WM_LINK_LOST));
    for (const Note& note : owner.Notes()) {
        if (note.message == WM_LINK_LOST) {
            EXPECT_EQ(static_cast<ui::WPARAM>(serial::Cause::HungUp), note.wParam);
        }
    }
    EXPECT_EQ((std::vector<std::uint8_t>{0xAB, 0x00}), owner.Received());
    EXPECT_FALSE(link.IsOpen());

    // Writes fail but still give one WM_LINK_TXEMPTY each; stop still works.
    const auto f = Frame(0x66);
    link.Write(f.data(), static_cast<int>(f.size()));
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));
    link.Write(f.data(), static_cast<int>(f.size()));
    ASSERT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 2));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(2u, owner.Count(WM_LINK_TXEMPTY));
    EXPECT_TRUE(link.IsWorkerAlive());

    // The device comes back (a new pty under the same COM number): a later Open works.
    PtyPeer back(map, 3);
    ASSERT_TRUE(OpenLikeTheConsole(link, owner, 3));
    ASSERT_TRUE(link.StartWorker());
    back.Send({0x5C});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 3));
    EXPECT_EQ(0x5C, owner.Received().back());
    link.Write(f.data(), static_cast<int>(f.size()));
    EXPECT_EQ(f, back.Receive(1s, f.size()));
}

TEST_F(SerialLinkTest, OtherMaskBitsGiveTheirNotificationsOnEveryPortEvent) {
    ASSERT_TRUE(link.Open(&owner, 3, 115200, 'N', 8, 1,
                          serial::event::kRxChar | serial::event::kCts | serial::event::kBreak |
                              serial::event::kErr | serial::event::kRing | serial::event::kRxFlag,
                          512));
    ASSERT_TRUE(link.StartWorker());
    peer.Send({0x09});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXFLAG, 1));
    const auto notes = owner.Notes();
    ASSERT_EQ(6u, notes.size());
    const ui::UINT order[] = {WM_LINK_RXCHAR, WM_LINK_CTS,  WM_LINK_BREAK,
                              WM_LINK_ERR,    WM_LINK_RING, WM_LINK_RXFLAG};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(order[i], notes[i].message) << i;
        EXPECT_EQ(3, notes[i].lParam);
    }
}

TEST_F(SerialLinkTest, AFailedConfigurationStepStillOpensThePort) {
    // No line runs at 12345 baud: the state write fails, the port is open all the same.
    ASSERT_TRUE(link.Open(&owner, 3, 12345, 'N', 8, 1, kConsoleMask, 512));
    ASSERT_TRUE(link.StartWorker());
    const auto f = Frame(0x77);
    link.Write(f.data(), static_cast<int>(f.size()));
    EXPECT_TRUE(owner.WaitCount(WM_LINK_TXEMPTY, 1));
    // A bad definition text (parity '\0', 9 data bits) is no failure to open either.
    EXPECT_TRUE(link.Open(&owner, 3, 115200, '\0', 9, 1, kConsoleMask, 512));
}

} // namespace
