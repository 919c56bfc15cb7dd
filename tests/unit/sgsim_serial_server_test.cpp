// The emulator served on a serial port through the serial layer (what sgsim.exe does with
// --serial on Windows), here on the slave side of a pseudo-terminal whose master plays the
// console: a request given up in mid-frame, the reply delay, and vanishing.
#include "sgsim_test_support.h"

#include "link/command_words.h"
#include "tools/sgsim/serial_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <poll.h>
#include <unistd.h>

using namespace sgsim_test;
using Clock = std::chrono::steady_clock;

namespace {

Bytes ReadReply(int fd, std::size_t count, int timeoutMs) {
    Bytes got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        std::uint8_t buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

TEST(SgsimSerialServer, AnswersWithItsDelayGivesUpPartialFramesAndVanishes) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    int stop[2];
    ASSERT_EQ(pipe(stop), 0);

    sgsim::CMisbehaviour misbehaviour;
    misbehaviour.nVanishAfter = 2;
    sgsim::CEmulator emulator(misbehaviour);
    sgsim::CServerOptions options;
    options.nDelayMs = 150;
    sgsim::CSerialServer server(emulator, options, ptsname(master));
    std::string error;
    ASSERT_TRUE(server.Open(error)) << error;
    auto end = std::async(std::launch::async, [&] { return server.Run(stop[0]); });

    // A false start swallows the query's first bytes; once the line is quiet the parser looks
    // again behind it, and the query is answered, no sooner than the delay.
    Bytes stream = {0xAA, 0x00, 0x00, 0x23, 0x00};
    const Bytes query = Request(cmd::QueryTiming);
    stream.insert(stream.end(), query.begin(), query.end());
    auto sent = Clock::now();
    ASSERT_EQ(write(master, stream.data(), stream.size()), static_cast<ssize_t>(stream.size()));
    Bytes reply = ReadReply(master, 11, 2000);
    EXPECT_TRUE(StatusParserAccepts(reply, cmd::QueryTiming, false));
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(150));

    // The second answer is the last: the port is closed after it has gone out.
    const Bytes pattern = Request(cmd::QueryPattern);
    ASSERT_EQ(write(master, pattern.data(), pattern.size()), static_cast<ssize_t>(pattern.size()));
    reply = ReadReply(master, 11, 2000);
    EXPECT_TRUE(StatusParserAccepts(reply, cmd::QueryPattern, false));
    ASSERT_EQ(end.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    EXPECT_EQ(end.get(), sgsim::ServerEnd::Vanished);

    // Served again after coming back, and stopped by the stop object.
    emulator.ComeBack();
    ASSERT_TRUE(server.Open(error)) << error;
    end = std::async(std::launch::async, [&] { return server.Run(stop[0]); });
    const char b = 1;
    ASSERT_EQ(write(stop[1], &b, 1), 1);
    ASSERT_EQ(end.wait_for(std::chrono::seconds(3)), std::future_status::ready);
    EXPECT_EQ(end.get(), sgsim::ServerEnd::Stopped);

    server.Close();
    close(stop[0]);
    close(stop[1]);
    close(master);
}

} // namespace
