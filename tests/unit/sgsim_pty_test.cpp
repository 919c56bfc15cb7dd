// The emulator served on a real pseudo-terminal: the COMn entry, a console closing and reopening
// the port, delay and line-rate pacing, vanishing, and stopping with the watched process.
#include "sgsim_test_support.h"

#include "link/command_words.h"
#include "tools/sgsim/pty_server.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace sgsim_test;
using Clock = std::chrono::steady_clock;

namespace {

class SgsimPty : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/sgsim-ports-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        std::ofstream(m_dir + "/manual").put('\n');
        ASSERT_EQ(pipe(m_stop), 0);
    }
    void TearDown() override {
        StopServer();
        close(m_stop[0]);
        close(m_stop[1]);
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    void StartServer(sgsim::CServerOptions options, sgsim::CMisbehaviour m = {}) {
        options.strPortsDir = m_dir;
        m_emulator = std::make_unique<sgsim::CEmulator>(m);
        m_server = std::make_unique<sgsim::CPtyServer>(*m_emulator, options);
        std::string error;
        ASSERT_TRUE(m_server->Open(error)) << error;
        m_end = std::async(std::launch::async, [this] { return m_server->Run(m_stop[0]); });
    }
    sgsim::CPtyServer::End StopServer() {
        if (!m_end.valid())
            return sgsim::CPtyServer::End::Error;
        const char b = 1;
        EXPECT_EQ(write(m_stop[1], &b, 1), 1);
        const sgsim::CPtyServer::End end = m_end.get();
        m_server->Close();
        return end;
    }

    // Opens the port as the console does: through the COMn entry, raw.
    int OpenPort(int com) {
        const int fd = open((m_dir + "/COM" + std::to_string(com)).c_str(), O_RDWR | O_NOCTTY);
        if (fd >= 0) {
            termios t;
            tcgetattr(fd, &t);
            cfmakeraw(&t);
            tcsetattr(fd, TCSANOW, &t);
        }
        return fd;
    }

    // Reads until count bytes arrived or the time is up.
    static Bytes ReadBytes(int fd, std::size_t count, int timeoutMs) {
        Bytes got;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            std::uint8_t buf[512];
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }
    static void Send(int fd, const Bytes& b) {
        ASSERT_EQ(write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }

    std::string m_dir;
    int m_stop[2] = {-1, -1};
    std::unique_ptr<sgsim::CEmulator> m_emulator;
    std::unique_ptr<sgsim::CPtyServer> m_server;
    std::future<sgsim::CPtyServer::End> m_end;
};

TEST_F(SgsimPty, ServesAcrossCloseAndReopenAndRemovesItsEntry) {
    sgsim::CServerOptions options;
    options.nCom = 7;
    StartServer(options);
    const std::string link = m_dir + "/COM7";
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), m_server->SlavePath());

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const int fd = OpenPort(7);
        ASSERT_GE(fd, 0);
        Send(fd, Request(cmd::SetPattern, {static_cast<std::uint8_t>(round + 3)}));
        EXPECT_EQ(ReadBytes(fd, 11, 1000).size(), 11u);
        Send(fd, Request(cmd::QueryPattern));
        const Bytes reply = ReadBytes(fd, 11, 1000);
        ASSERT_TRUE(StatusParserAccepts(reply, cmd::QueryPattern, false));
        EXPECT_EQ(reply[9], round + 3);
        close(fd);
    }
    // A false start that swallows the query is given up once the line is quiet.
    const int fd = OpenPort(7);
    Bytes stream = {0xAA, 0x00, 0x00, 0x23, 0x00};
    const Bytes query = Request(cmd::QueryTiming);
    stream.insert(stream.end(), query.begin(), query.end());
    Send(fd, stream);
    EXPECT_TRUE(StatusParserAccepts(ReadBytes(fd, 11, 1000), cmd::QueryTiming, false));
    close(fd);

    EXPECT_EQ(StopServer(), sgsim::CPtyServer::End::Stopped);
    struct stat st;
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the entry is removed";
}

TEST_F(SgsimPty, DelayAndLineRatePacing) {
    sgsim::CServerOptions options;
    options.nCom = 3;
    options.nDelayMs = 120;
    options.bPace = true;
    options.nBaud = 115200;
    StartServer(options);
    const int fd = OpenPort(3);
    ASSERT_GE(fd, 0);
    const auto start = Clock::now();
    Send(fd, Request(cmd::ReadSinkEdid, {0x01}));
    const Bytes first = ReadBytes(fd, 1, 2000);
    const auto firstByte = Clock::now();
    const Bytes rest = ReadBytes(fd, 266 - first.size(), 2000);
    const auto done = Clock::now();
    ASSERT_EQ(first.size() + rest.size(), 266u);
    const double delayMs = std::chrono::duration<double, std::milli>(firstByte - start).count();
    const double totalMs = std::chrono::duration<double, std::milli>(done - start).count();
    // The last of the 266 bytes is due 265 x 86.8 us = 23 ms after the first.
    EXPECT_GE(delayMs, 119.0);
    EXPECT_GE(totalMs - 120.0, 22.9);
    EXPECT_LT(totalMs - 120.0, 500.0);
    RecordProperty("delay_ms", std::to_string(delayMs));
    RecordProperty("edid_reply_ms", std::to_string(totalMs - 120.0));
    close(fd);
}

TEST_F(SgsimPty, VanishingClosesThePortAndRemovesTheEntry) {
    sgsim::CServerOptions options;
    options.nCom = 12;
    sgsim::CMisbehaviour m;
    m.nVanishAfter = 1;
    StartServer(options, m);
    const int fd = OpenPort(12);
    ASSERT_GE(fd, 0);
    Send(fd, Request(cmd::QueryHotPlug));
    EXPECT_EQ(ReadBytes(fd, 11, 1000).size(), 11u);
    ASSERT_EQ(m_end.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(m_end.get(), sgsim::CPtyServer::End::Vanished);
    struct stat st;
    EXPECT_NE(lstat((m_dir + "/COM12").c_str(), &st), 0);
    // The console's side sees the line hang up.
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    close(fd);
}

TEST_F(SgsimPty, ComEntriesAreNeverTakenFromALiveDevice) {
    // COM1 points at a live device, COM2 at one that has gone.
    ASSERT_EQ(symlink("/dev/null", (m_dir + "/COM1").c_str()), 0);
    ASSERT_EQ(symlink("/dev/pts/does-not-exist", (m_dir + "/COM2").c_str()), 0);
    sgsim::CEmulator emulator;
    sgsim::CServerOptions options;
    options.strPortsDir = m_dir;
    options.nCom = 1;
    {
        sgsim::CPtyServer taken(emulator, options);
        std::string error;
        EXPECT_FALSE(taken.Open(error));
        EXPECT_NE(error.find("COM1 is taken"), std::string::npos) << error;
    }
    options.nCom = 2;
    {
        sgsim::CPtyServer stale(emulator, options);
        std::string error;
        ASSERT_TRUE(stale.Open(error)) << error;
        EXPECT_EQ(stale.ComNumber(), 2);
    }
    options.nCom = 0; // the lowest number without an entry
    sgsim::CPtyServer lowest(emulator, options);
    std::string error;
    ASSERT_TRUE(lowest.Open(error)) << error;
    EXPECT_EQ(lowest.ComNumber(), 2); // COM2 was removed when the previous server closed
    lowest.Close();
    char target[64] = {};
    EXPECT_GT(readlink((m_dir + "/COM1").c_str(), target, sizeof target - 1), 0) << "untouched";
}

TEST_F(SgsimPty, StopsWhenTheWatchedProcessHasEnded) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    sgsim::CServerOptions options;
    options.nCom = 4;
    options.watchPid = child;
    StartServer(options);
    ASSERT_EQ(m_end.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(m_end.get(), sgsim::CPtyServer::End::WatchedProcessGone);
}

} // namespace
