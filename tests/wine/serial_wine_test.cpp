// The Win32 serial backend under wine. COM5 and COM6 are the two ends of a pseudo-terminal
// null-modem cable that run_serial.sh sets up; the test uses COM5 as the console's port and
// COM6 as the generator's side.
#include "platform/serial/port_map.h"
#include "platform/serial/serial_port.h"

#include "serial_drain.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// wine leaves some of a driver's duties undone (sharing checks, the event character); those
// checks run on Windows only.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

constexpr int kPortCom = 5;
constexpr int kPeerCom = 6;

void Configure(serial::Port& port) {
    ASSERT_FALSE(port.SetTimeouts({1000, 1000, 1000, 1000, 1000}));
    ASSERT_FALSE(port.SetEventMask(serial::event::kRxChar | serial::event::kRxFlag));
    serial::PortState state;
    ASSERT_FALSE(port.GetState(state));
    state.eventChar = 'q';
    state.rts = serial::RtsControl::Enable;
    ASSERT_TRUE(serial::ParseDefinition("baud=115200 parity=N data=8 stop=1", state.line));
    ASSERT_FALSE(port.SetState(state));
    ASSERT_FALSE(port.Purge());
}

using winetest::Drain;

class SerialWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_stop.Create());
        ASSERT_FALSE(m_write.Create());
        ASSERT_FALSE(m_port.Open(serial::ResolveComPort(kPortCom)))
            << "COM5 is not mapped: run through run_serial.sh";
        ASSERT_FALSE(m_peer.Open(serial::ResolveComPort(kPeerCom)));
        Configure(m_port);
        Configure(m_peer);
    }

    serial::WaitResult Wait() {
        return serial::WaitForAny(serial::WaitObjects{&m_stop, &m_write, &m_port});
    }

    serial::Event m_stop, m_write;
    serial::Port m_port, m_peer;
};

TEST(SerialWinNames, ComNumbersNameTheSystemsPortsUnlessMappedToANetworkEndpoint) {
    EXPECT_EQ("COM1", serial::ResolveComPort(1));
    EXPECT_EQ("COM9", serial::ResolveComPort(9));
    EXPECT_EQ("\\\\.\\COM10", serial::ResolveComPort(10));
    EXPECT_EQ("\\\\.\\COM99", serial::ResolveComPort(99));
    EXPECT_EQ("", serial::ResolveComPort(0));
    EXPECT_EQ("", serial::ResolveComPort(100));
    // Only network endpoints are mapped, in ports.ini under the user's application data.
    const char* appData = std::getenv("APPDATA");
    EXPECT_EQ(appData ? std::string(appData) + "\\kestrelon" : std::string(),
              serial::PortMapDirectory());
}

TEST(SerialWinErrors, Win32CodesBecomeCausesWithTheSystemText) {
    const serial::Error e = serial::ErrorFromSystem(2); // ERROR_FILE_NOT_FOUND
    EXPECT_EQ(serial::Cause::NotFound, e.cause);
    EXPECT_FALSE(e.text.empty());
    EXPECT_EQ(serial::Cause::Busy, serial::ErrorFromSystem(5).cause);     // access denied
    EXPECT_EQ(serial::Cause::HungUp, serial::ErrorFromSystem(995).cause); // aborted
    EXPECT_EQ(serial::Cause::InvalidArgument, serial::ErrorFromSystem(87).cause);
}

TEST(SerialWinOpen, AMissingPortFailsAndAHeldPortIsNotShared) {
    serial::Port missing;
    const serial::Error e = missing.Open(serial::ResolveComPort(77));
    EXPECT_TRUE(e);
    EXPECT_FALSE(missing.IsOpen());

    if (UnderWine())
        GTEST_SKIP() << "wine shares serial devices whatever the share mode";
    serial::Port first, second;
    ASSERT_FALSE(first.Open(serial::ResolveComPort(kPortCom)));
    EXPECT_TRUE(second.Open(serial::ResolveComPort(kPortCom)));
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_FALSE(second.Open(serial::ResolveComPort(kPortCom))) << "closing frees the port";
}

TEST_F(SerialWine, ConfigurationReadsBackAndTheEventsWork) {
    serial::PortState state;
    ASSERT_FALSE(m_port.GetState(state));
    EXPECT_EQ(115200, state.line.baud);
    EXPECT_EQ('N', state.line.parity);
    EXPECT_EQ(8, state.line.dataBits);
    EXPECT_EQ(1, state.line.stopBits);
    if (!UnderWine()) { // wine keeps no event character
        EXPECT_EQ('q', state.eventChar);
    }
    EXPECT_EQ(serial::RtsControl::Enable, state.rts);

    EXPECT_FALSE(m_write.IsSet());
    m_write.Set();
    m_write.Set();
    EXPECT_TRUE(m_write.IsSet());
    m_write.Reset();
    EXPECT_FALSE(m_write.IsSet());
}

// Every byte value crosses in both directions, XON and XOFF included: flow control is off.
TEST_F(SerialWine, EveryByteValueCrossesBothWays) {
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<std::uint8_t>(i);

    ASSERT_FALSE(m_port.Write(all.data(), all.size()));
    EXPECT_EQ(all, Drain(m_peer, all.size()));

    ASSERT_FALSE(m_peer.Write(all.data(), all.size()));
    const serial::WaitResult r = Wait();
    EXPECT_EQ(serial::Signalled::Port, r.object);
    EXPECT_FALSE(r.hangUp);
    EXPECT_EQ(all, Drain(m_port, all.size()));
}

// Stop before write before port; an event wait left pending by a stop or write is kept, and
// input arriving later still wakes the next wait.
TEST_F(SerialWine, WaitOrderAndAPendingEventWaitSurvives) {
    m_stop.Set();
    m_write.Set();
    const std::uint8_t one = 0x5A;
    ASSERT_FALSE(m_peer.Write(&one, 1));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(serial::Signalled::Stop, Wait().object);
    m_stop.Reset();
    EXPECT_EQ(serial::Signalled::Write, Wait().object);
    m_write.Reset();
    EXPECT_EQ(serial::Signalled::Port, Wait().object);
    EXPECT_EQ(std::vector<std::uint8_t>{one}, Drain(m_port, 1));

    // Nothing queued: the write event wins while the event wait stays armed. A port event
    // without input may come first (wine reports one for input already read), but never a run
    // of them, which would spin the worker.
    std::thread writer([this] {
        std::this_thread::sleep_for(100ms);
        m_write.Set();
    });
    int idle = 0;
    serial::Signalled woke;
    while ((woke = Wait().object) == serial::Signalled::Port && idle < 10)
        ++idle;
    EXPECT_EQ(serial::Signalled::Write, woke);
    EXPECT_LE(idle, 1);
    writer.join();
    m_write.Reset();
    const std::uint8_t two[] = {0x11, 0x13};
    ASSERT_FALSE(m_peer.Write(two, 2));
    EXPECT_EQ(serial::Signalled::Port, Wait().object);
    EXPECT_EQ((std::vector<std::uint8_t>{0x11, 0x13}), Drain(m_port, 2));
}

// The purge drops input that was not read yet.
TEST_F(SerialWine, PurgeDiscardsUnreadInput) {
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_FALSE(m_peer.Write(bytes, 3));
    std::this_thread::sleep_for(200ms);
    ASSERT_FALSE(m_port.Purge());
    std::size_t queued = 99;
    ASSERT_FALSE(m_port.InputQueueCount(queued));
    EXPECT_EQ(0u, queued);
}

// A vanished port never spins the wait: it is reported as a hang-up within a few waits, or (wine
// completes no event wait on it) the wait blocks until stop, and the port's status no longer
// reads.
TEST_F(SerialWine, AVanishedPortEndsInAHangUp) {
    const char* control = std::getenv("KESTRELON_WINE_CONTROL");
    ASSERT_NE(nullptr, control);
    std::FILE* f = std::fopen((std::string(control) + "\\hangup").c_str(), "w");
    ASSERT_NE(nullptr, f);
    std::fclose(f);
    std::this_thread::sleep_for(300ms);

    bool hungUp = false;
    int waits = 0;
    const auto start = std::chrono::steady_clock::now();
    std::thread guard([this] {
        std::this_thread::sleep_for(5s); // a wait that never ends is stopped, and then fails
        m_stop.Set();
    });
    while (!hungUp && waits < 10) {
        const serial::WaitResult r = Wait();
        ++waits;
        if (r.object == serial::Signalled::Stop)
            break;
        if (r.object == serial::Signalled::Port) {
            std::size_t queued = 0;
            hungUp = r.hangUp || m_port.InputQueueCount(queued);
        }
    }
    m_stop.Set();
    guard.join();
    EXPECT_LE(waits, 4);
    if (!hungUp) {
        std::size_t queued = 0;
        const std::uint8_t byte = 0;
        EXPECT_TRUE(m_port.InputQueueCount(queued) || m_port.Write(&byte, 1))
            << "the port still answers after it vanished";
    }
    (void)start;
}

} // namespace
