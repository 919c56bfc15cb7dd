// The OS serial layer: definition texts, exclusive open, raw line, events and the wait, and the
// COM port map. Devices are pseudo-terminals mapped in a temporary port map directory.
#include "platform/serial/port_map.h"
#include "platform/serial/serial_port.h"
#include "support/pty_peer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::PortMap;
using testsupport::PtyPeer;
using testsupport::TempDir;

namespace {

TEST(SerialDefinition, ParsesTheConsolesTextAndEveryAllowedValue) {
    serial::LineSettings s;
    ASSERT_TRUE(serial::ParseDefinition("baud=115200 parity=N data=8 stop=1", s));
    EXPECT_EQ(115200, s.baud);
    EXPECT_EQ('N', s.parity);
    EXPECT_EQ(8, s.dataBits);
    EXPECT_EQ(1, s.stopBits);

    ASSERT_TRUE(serial::ParseDefinition("  BAUD=9600   parity=e data=7 stop=2 ", s));
    EXPECT_EQ(9600, s.baud);
    EXPECT_EQ('E', s.parity);
    EXPECT_EQ(7, s.dataBits);
    EXPECT_EQ(2, s.stopBits);

    for (char p : {'N', 'E', 'O', 'M', 'S', 'm', 's'}) {
        ASSERT_TRUE(serial::ParseDefinition(std::string("parity=") + p, s)) << p;
        EXPECT_EQ(std::toupper(p), s.parity);
    }
    for (int d = 5; d <= 8; ++d) {
        ASSERT_TRUE(serial::ParseDefinition("data=" + std::to_string(d), s));
        EXPECT_EQ(d, s.dataBits);
    }
}

TEST(SerialDefinition, KeysLeftOutKeepTheirValues) {
    serial::LineSettings s{57600, 'O', 7, 2};
    ASSERT_TRUE(serial::ParseDefinition("baud=19200", s));
    EXPECT_EQ(19200, s.baud);
    EXPECT_EQ('O', s.parity);
    EXPECT_EQ(7, s.dataBits);
    EXPECT_EQ(2, s.stopBits);
    ASSERT_TRUE(serial::ParseDefinition("", s));
    EXPECT_EQ(19200, s.baud);
}

TEST(SerialDefinition, RejectsBadTextsAndLeavesTheSettingsAlone) {
    const serial::LineSettings before{115200, 'N', 8, 1};
    for (const char* bad :
         {"baud=0", "baud=-9600", "baud=96OO", "baud=", "baud", "=9600", "baud=99999999999",
          "parity=X", "parity=NN", "parity=", "data=4", "data=9", "stop=0", "stop=3", "stop=1.5",
          "speed=9600", "baud=9600 baud=19200", "baud=9600,parity=N", "baud=9600 data=9"}) {
        serial::LineSettings s = before;
        EXPECT_FALSE(serial::ParseDefinition(bad, s)) << bad;
        EXPECT_EQ(before.baud, s.baud) << bad;
        EXPECT_EQ(before.dataBits, s.dataBits) << bad;
    }
}

TEST(SerialErrors, ErrnoBecomesACauseWithTheOsText) {
    const serial::Error e = serial::ErrorFromSystem(ENOENT);
    EXPECT_EQ(serial::Cause::NotFound, e.cause);
    EXPECT_EQ(ENOENT, e.code);
    EXPECT_FALSE(e.text.empty());
    EXPECT_EQ(serial::Cause::Busy, serial::ErrorFromSystem(EBUSY).cause);
    EXPECT_EQ(serial::Cause::AccessDenied, serial::ErrorFromSystem(EACCES).cause);
    EXPECT_EQ(serial::Cause::HungUp, serial::ErrorFromSystem(EIO).cause);
    EXPECT_EQ(serial::Cause::InvalidArgument, serial::ErrorFromSystem(ENOTTY).cause);
    EXPECT_EQ(serial::Cause::Other, serial::ErrorFromSystem(ENOSPC).cause);
    EXPECT_FALSE(serial::ErrorFromSystem(0));
}

TEST(SerialPort, SecondOpenOfTheSameDeviceFailsAsBusy) {
    PortMap map;
    PtyPeer peer(map, 1);
    serial::Port first, second;
    ASSERT_FALSE(first.Open(peer.SlavePath()));
    const serial::Error e = second.Open(peer.SlavePath());
    EXPECT_EQ(serial::Cause::Busy, e.cause);
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_FALSE(second.Open(peer.SlavePath())) << "closing must release the device";
}

TEST(SerialPort, MissingDevicesAndNonTerminalsDoNotOpen) {
    TempDir dir;
    serial::Port port;
    EXPECT_EQ(serial::Cause::NotFound, port.Open(dir.Path() + "/nothing").cause);
    std::ofstream(dir.Path() + "/plain") << "x";
    EXPECT_EQ(serial::Cause::InvalidArgument, port.Open(dir.Path() + "/plain").cause);
    EXPECT_FALSE(port.IsOpen());
    std::uint8_t b = 0;
    bool got = true;
    EXPECT_EQ(serial::Cause::NotOpen, port.ReadByte(b, got).cause);
    EXPECT_FALSE(got);
    EXPECT_EQ(serial::Cause::NotOpen, port.Write(&b, 1).cause);
}

TEST(SerialPort, StateRoundTripsAndTheLineIsRawWithoutFlowControl) {
    PortMap map;
    PtyPeer peer(map, 1);
    serial::Port port;
    ASSERT_FALSE(port.Open(peer.SlavePath()));
    serial::PortState state;
    ASSERT_FALSE(port.GetState(state));
    for (const char* def : {"baud=9600 parity=E data=7 stop=2", "baud=115200 parity=M data=8",
                            "baud=38400 parity=S data=5 stop=1", "baud=115200 parity=N stop=1"}) {
        ASSERT_TRUE(serial::ParseDefinition(def, state.line)) << def;
        state.eventChar = 'q';
        ASSERT_FALSE(port.SetState(state)) << def;
        serial::PortState back;
        ASSERT_FALSE(port.GetState(back));
        EXPECT_EQ(state.line.baud, back.line.baud) << def;
        // A pseudo-terminal forces 8 data bits without parity; speed and stop bits it keeps.
        EXPECT_EQ(state.line.stopBits, back.line.stopBits) << def;
        EXPECT_EQ('q', back.eventChar);
    }
    termios tio{};
    ASSERT_EQ(0, tcgetattr(peer.Slave(), &tio)); // the settings belong to the terminal
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);

    state.line.baud = 12345; // no such line speed
    EXPECT_EQ(serial::Cause::InvalidArgument, port.SetState(state).cause);
}

TEST(SerialPort, EveryByteValuePassesBothWaysUnchanged) {
    PortMap map;
    PtyPeer peer(map, 1);
    serial::Port port;
    ASSERT_FALSE(port.Open(peer.SlavePath()));
    serial::PortState state;
    ASSERT_FALSE(port.GetState(state));
    ASSERT_TRUE(serial::ParseDefinition("baud=115200 parity=N data=8 stop=1", state.line));
    ASSERT_FALSE(port.SetState(state));
    ASSERT_FALSE(port.SetTimeouts({1000, 1000, 1000, 1000, 1000}));

    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    ASSERT_FALSE(port.Write(all.data(), all.size()));
    EXPECT_EQ(all, peer.Receive(std::chrono::seconds(2), all.size()));

    peer.Send(all);
    std::vector<std::uint8_t> in;
    while (in.size() < all.size()) {
        std::uint8_t b = 0;
        bool got = false;
        ASSERT_FALSE(port.ReadByte(b, got));
        ASSERT_TRUE(got) << "after " << in.size() << " bytes";
        in.push_back(b);
    }
    EXPECT_EQ(all, in);
    std::size_t queued = 99;
    ASSERT_FALSE(port.InputQueueCount(queued));
    EXPECT_EQ(0u, queued);
}

TEST(SerialPort, PurgeDropsQueuedInputAndAReadWithNothingQueuedTimesOut) {
    PortMap map;
    PtyPeer peer(map, 1);
    serial::Port port;
    ASSERT_FALSE(port.Open(peer.SlavePath()));
    serial::PortState state;
    ASSERT_FALSE(port.GetState(state));
    ASSERT_FALSE(port.SetState(state));
    ASSERT_FALSE(port.SetTimeouts({0, 0, 50, 0, 0}));
    peer.Send({1, 2, 3});
    std::size_t queued = 0;
    for (int i = 0; i < 200 && queued < 3; ++i) {
        ASSERT_FALSE(port.InputQueueCount(queued));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(3u, queued);
    ASSERT_FALSE(port.Purge());
    ASSERT_FALSE(port.InputQueueCount(queued));
    EXPECT_EQ(0u, queued);

    const auto start = std::chrono::steady_clock::now();
    std::uint8_t b = 0;
    bool got = true;
    EXPECT_FALSE(port.ReadByte(b, got));
    EXPECT_FALSE(got);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
}

TEST(SerialPort, HangUpOfTheOtherEndIsReportedByReadsAndTheWait) {
    PortMap map;
    PtyPeer peer(map, 1);
    serial::Port port;
    ASSERT_FALSE(port.Open(peer.SlavePath()));
    ASSERT_FALSE(port.SetEventMask(serial::event::kRxChar));
    serial::Event stop, write;
    ASSERT_FALSE(stop.Create());
    ASSERT_FALSE(write.Create());
    peer.Hangup();
    const serial::WaitResult r = serial::WaitForAny({&stop, &write, &port});
    EXPECT_EQ(serial::Signalled::Port, r.object);
    EXPECT_TRUE(r.hangUp);
    std::uint8_t b = 0;
    bool got = false;
    EXPECT_EQ(serial::Cause::HungUp, port.ReadByte(b, got).cause);
    EXPECT_EQ(serial::Cause::HungUp, port.Write(&b, 1).cause);
}

TEST(SerialWait, EventsAreManualResetAndTheFirstSignalledObjectWins) {
    PortMap map;
    PtyPeer peer(map, 1);
    serial::Port port;
    ASSERT_FALSE(port.Open(peer.SlavePath()));
    serial::PortState state;
    ASSERT_FALSE(port.GetState(state));
    ASSERT_FALSE(port.SetState(state));
    ASSERT_FALSE(port.SetEventMask(serial::event::kRxChar | serial::event::kRxFlag));
    serial::Event stop, write;
    ASSERT_FALSE(stop.Create());
    ASSERT_FALSE(write.Create());
    EXPECT_FALSE(stop.IsSet());

    peer.Send({0x42});
    EXPECT_EQ(serial::Signalled::Port, serial::WaitForAny({&stop, &write, &port}).object);
    write.Set();
    write.Set();
    EXPECT_EQ(serial::Signalled::Write, serial::WaitForAny({&stop, &write, &port}).object);
    EXPECT_TRUE(write.IsSet()) << "waiting must not reset the event";
    stop.Set();
    EXPECT_EQ(serial::Signalled::Stop, serial::WaitForAny({&stop, &write, &port}).object);
    stop.Reset();
    write.Reset();
    EXPECT_FALSE(write.IsSet());
    EXPECT_EQ(serial::Signalled::Port, serial::WaitForAny({&stop, &write, &port}).object);

    // Without input in the mask the port's input does not wake the wait.
    ASSERT_FALSE(port.SetEventMask(serial::event::kRxFlag));
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        write.Set();
    });
    EXPECT_EQ(serial::Signalled::Write, serial::WaitForAny({&stop, &write, &port}).object);
    setter.join();
    EXPECT_EQ(serial::Signalled::Write, serial::WaitForAny({&stop, &write, nullptr}).object);
}

// --- The COM port map ---------------------------------------------------------------------------

TEST(PortMapDirectory, FollowsXdgConfigHomeElseHome) {
    const std::string oldXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    const bool hadXdg = getenv("XDG_CONFIG_HOME") != nullptr;
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/x/config", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ("/x/config/kestrelon/ports", serial::PortMapDirectory());
    setenv("XDG_CONFIG_HOME", "relative/config", 1); // not absolute: ignored
    EXPECT_EQ("/home/someone/.config/kestrelon/ports", serial::PortMapDirectory());
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ("/home/someone/.config/kestrelon/ports", serial::PortMapDirectory());
    setenv("HOME", oldHome.c_str(), 1);
    if (hadXdg)
        setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
}

// A fake /dev and /sys/class/tty: ttyS0 real (type 4), ttyS1 without UART (type 0), ttyS2 with
// no device behind it, ttyS10, ttyUSB1, ttyUSB0 and ttyACM0.
class DeviceScan : public testing::Test {
protected:
    void SetUp() override {
        roots.dev = tmp.Path() + "/dev";
        roots.sysTty = tmp.Path() + "/sys";
        fs::create_directories(roots.dev);
        for (const char* n : {"ttyS0", "ttyS1", "ttyS2", "ttyS10", "ttyUSB1", "ttyUSB0", "ttyACM0",
                              "ttyUSBx", "tty0", "console"})
            std::ofstream(roots.dev + "/" + n) << "";
        AddSys("ttyS0", 4);
        AddSys("ttyS1", 0);
        fs::create_directories(roots.sysTty + "/ttyS2");
        AddSys("ttyS10", 4);
        mapDir = tmp.Path() + "/ports";
        fs::create_directories(mapDir);
    }
    void AddSys(const std::string& name, int type) {
        fs::create_directories(roots.sysTty + "/" + name + "/device");
        std::ofstream(roots.sysTty + "/" + name + "/type") << type << "\n";
    }
    TempDir tmp;
    serial::DeviceRoots roots;
    std::string mapDir;
};

TEST_F(DeviceScan, ListsRealUartsThenUsbThenAcmInNumericOrder) {
    EXPECT_EQ((std::vector<std::string>{roots.dev + "/ttyS0", roots.dev + "/ttyS10",
                                        roots.dev + "/ttyUSB0", roots.dev + "/ttyUSB1",
                                        roots.dev + "/ttyACM0"}),
              serial::ListPresentDevices(roots));
}

TEST_F(DeviceScan, EntriesComeFirstAndMappedDevicesAreSkipped) {
    fs::create_symlink(roots.dev + "/ttyUSB0", mapDir + "/COM2");
    EXPECT_EQ(mapDir + "/COM2", serial::ResolveComPort(2, mapDir, roots));
    EXPECT_EQ(roots.dev + "/ttyS0", serial::ResolveComPort(1, mapDir, roots));
    EXPECT_EQ(roots.dev + "/ttyS10", serial::ResolveComPort(2 + 0, "", roots));
    // ttyUSB0 is taken by COM2, so the scan reads ttyS0, ttyS10, ttyUSB1, ttyACM0.
    EXPECT_EQ(roots.dev + "/ttyUSB1", serial::ResolveComPort(3, mapDir, roots));
    EXPECT_EQ(roots.dev + "/ttyACM0", serial::ResolveComPort(4, mapDir, roots));
    EXPECT_EQ("", serial::ResolveComPort(5, mapDir, roots));
    EXPECT_EQ("", serial::ResolveComPort(0, mapDir, roots));
    EXPECT_EQ("", serial::ResolveComPort(100, mapDir, roots));
}

TEST_F(DeviceScan, ManualSwitchesTheScanOff) {
    std::ofstream(mapDir + "/manual") << "";
    fs::create_symlink("/nonexistent/pts/9", mapDir + "/COM7");
    EXPECT_EQ("", serial::ResolveComPort(1, mapDir, roots));
    // A dangling entry still names the port; opening it then fails at once.
    EXPECT_EQ(mapDir + "/COM7", serial::ResolveComPort(7, mapDir, roots));
    serial::Port port;
    EXPECT_EQ(serial::Cause::NotFound, port.Open(serial::ResolveComPort(7, mapDir, roots)).cause);
}

TEST(PortMap, ResolvesThroughTheEnvironmentsDirectory) {
    PortMap map;
    PtyPeer peer(map, 12);
    EXPECT_EQ(map.Dir(), serial::PortMapDirectory());
    EXPECT_EQ(map.Dir() + "/COM12", serial::ResolveComPort(12));
    EXPECT_EQ("", serial::ResolveComPort(11));
}

} // namespace
