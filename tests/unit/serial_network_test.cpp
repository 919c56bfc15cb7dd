// The network backend of the serial layer: URLs and port map entries, the Telnet stream of
// rfc2217:// between the client and the emulator's device server, and a port on a TCP
// connection of the loopback address behaving as a device does for the link (queue, reads,
// purge, the wait's order, a close as a hang-up, bounded connecting and writing).
#include "link/serial_link.h"
#include "platform/serial/network_endpoint.h"
#include "platform/serial/open_failure.h"
#include "platform/serial/port_map.h"
#include "platform/serial/rfc2217_client.h"
#include "platform/serial/serial_port.h"
#include "support/link_recorders.h"
#include "support/pty_peer.h"
#include "support/tcp_peer.h"
#include "tools/sgsim/device_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <numeric>
#include <thread>

using testsupport::PortMap;
using testsupport::TcpPeer;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

namespace telnet = serial::telnet;

Bytes AllByteValues() {
    Bytes b(256);
    std::iota(b.begin(), b.end(), 0);
    return b;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(NetworkEndpoint, UrlsAreParsedStrictlyAndMapEntriesHoldThem) {
    serial::NetworkEndpoint e;
    ASSERT_TRUE(serial::ParseNetworkUrl("socket://127.0.0.1:4001", e));
    EXPECT_EQ(serial::NetworkProtocol::Raw, e.protocol);
    EXPECT_EQ("127.0.0.1", e.host);
    EXPECT_EQ(4001, e.port);
    ASSERT_TRUE(serial::ParseNetworkUrl("RFC2217://[::1]:65535", e));
    EXPECT_EQ(serial::NetworkProtocol::Rfc2217, e.protocol);
    EXPECT_EQ("[::1]:65535", serial::EndpointName(e));
    for (const char* bad : {"socket://host", "socket://:4001", "socket://host:0",
                            "socket://host:65536", "socket://host:4001/x", "socket://ho st:1",
                            "rfc2217://[::1]4001", "tcp://host:1", "socket://host:40a1"})
        EXPECT_FALSE(serial::ParseNetworkUrl(bad, e)) << bad;

    PortMap map;
    std::ofstream(map.Dir() + "/COM3") << "  rfc2217://serial-box.lab:4001 \r\n";
    EXPECT_EQ("rfc2217://serial-box.lab:4001", serial::ResolveComPort(3));
    // Anything but one URL is no network entry: it is left to fail as no device, and says why.
    const std::string entry = map.Dir() + "/COM4";
    std::ofstream(entry) << "socket://a:1 socket://b:2\n";
    EXPECT_EQ(entry, serial::ResolveComPort(4));
    serial::Port port;
    const serial::Error e4 = port.Open(serial::ResolveComPort(4));
    EXPECT_EQ(serial::Cause::InvalidArgument, e4.cause);
    EXPECT_EQ(serial::ExplainBadMapEntry(entry), serial::ExplainOpenFailure(e4, entry));
    // A malformed URL names itself.
    const serial::Error bad = port.Open("socket://nowhere");
    EXPECT_EQ(serial::Cause::InvalidArgument, bad.cause);
    EXPECT_EQ("socket://nowhere is not the address of a network port: write socket://HOST:PORT "
              "or rfc2217://HOST:PORT.",
              serial::ExplainOpenFailure(bad, "socket://nowhere"));
}

TEST(Telnet, DataAndSettingsSurviveTheStreamBothWaysWhereverItIsCut) {
    const Bytes data = AllByteValues();
    // Each stream in two pieces, cut at every point (the longer one is about 340 bytes).
    for (std::size_t cut = 0; cut <= 2 * data.size(); ++cut) {
        serial::Rfc2217Client client;
        sgsim::CDeviceServerSession server(true);
        Bytes toServer = client.Greeting(), toClient, received, replies;
        Bytes forClient;
        server.Receive(toServer.data(), toServer.size(), received, toClient);
        EXPECT_TRUE(received.empty());

        // The client's data, doubled, cut anywhere on its way.
        Bytes wire;
        telnet::Escape(data.data(), data.size(), wire);
        ASSERT_EQ(data.size() + 1, wire.size());
        const std::size_t at = std::min(cut, wire.size());
        server.Receive(wire.data(), at, received, toClient);
        server.Receive(wire.data() + at, wire.size() - at, received, toClient);
        EXPECT_EQ(data, received) << "cut at " << at;

        // The server's answers to the negotiation and its data, with the settings' answers.
        const Bytes settings = client.Configure({115200, 'N', 8, 1});
        server.Receive(settings.data(), settings.size(), received, toClient);
        server.Send(data.data(), data.size(), toClient);
        const std::size_t at2 = std::min(cut, toClient.size());
        client.Receive(toClient.data(), at2, forClient, replies);
        client.Receive(toClient.data() + at2, toClient.size() - at2, forClient, replies);
        EXPECT_EQ(data, forClient) << "cut at " << at2;
        EXPECT_TRUE(replies.empty()) << "the answers to the client's requests are not answered";
        EXPECT_EQ(serial::Rfc2217Client::Decision::Accepted, client.ComPortControl());
        EXPECT_EQ(serial::Rfc2217Client::Decision::Accepted, client.Binary());
        EXPECT_TRUE(client.Answered());
        EXPECT_EQ("", client.Differences());
    }

    // A server that keeps its line at 9600 baud, and one that refuses the option.
    serial::Rfc2217Client client;
    sgsim::CDeviceServerSession fixed(true, 9600);
    Bytes wire = client.Greeting(), toClient, ignored, replies;
    const Bytes settings = client.Configure({115200, 'N', 8, 1});
    wire.insert(wire.end(), settings.begin(), settings.end());
    fixed.Receive(wire.data(), wire.size(), ignored, toClient);
    client.Receive(toClient.data(), toClient.size(), ignored, replies);
    EXPECT_TRUE(client.Answered());
    EXPECT_EQ("9600 baud instead of 115200", client.Differences());

    serial::Rfc2217Client refused;
    refused.Greeting();
    // DONT COM-PORT, WILL ECHO and DO TERMINAL-TYPE unasked: refused once each, never looping.
    const Bytes server = {telnet::kIac, telnet::kDont, telnet::kComPort,
                          telnet::kIac, telnet::kWill, telnet::kEcho,
                          telnet::kIac, telnet::kDo,   24};
    refused.Receive(server.data(), server.size(), ignored, replies);
    EXPECT_EQ(serial::Rfc2217Client::Decision::Refused, refused.ComPortControl());
    EXPECT_EQ((Bytes{telnet::kIac, telnet::kDont, telnet::kEcho, telnet::kIac, telnet::kWont, 24}),
              replies);
}

// A raw port on a TcpPeer, opened and accepted, with the link's time-outs.
class NetworkPortTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(port.Open(peer.Url()));
        ASSERT_TRUE(peer.Accept());
        ASSERT_FALSE(port.SetTimeouts({1000, 1000, 1000, 0, 1000}));
        ASSERT_FALSE(port.SetEventMask(serial::event::kRxChar));
        ASSERT_FALSE(stop.Create());
        ASSERT_FALSE(write.Create());
    }
    std::size_t QueuedWithin(std::size_t want) {
        std::size_t count = 0;
        const auto end = Clock::now() + 2s;
        while (Clock::now() < end && !port.InputQueueCount(count) && count < want)
            std::this_thread::sleep_for(1ms);
        return count;
    }
    serial::Signalled Wait() { return serial::WaitForAny({&stop, &write, &port}).object; }

    TcpPeer peer;
    serial::Port port;
    serial::Event stop, write;
};

TEST_F(NetworkPortTest, BytesQueueReadAndPurgeAsOnADevice) {
    const Bytes data = AllByteValues();
    peer.Send(data);
    ASSERT_EQ(data.size(), QueuedWithin(data.size()));
    Bytes read;
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::uint8_t b = 0;
        bool got = false;
        ASSERT_FALSE(port.ReadByte(b, got));
        ASSERT_TRUE(got);
        read.push_back(b);
    }
    EXPECT_EQ(data, read);
    ASSERT_FALSE(port.Write(data.data(), data.size()));
    EXPECT_EQ(data, peer.Receive(1s, data.size()));

    // Nothing queued: a read waits its time-outs and gets nothing.
    ASSERT_FALSE(port.SetTimeouts({0, 0, 50, 0, 1000}));
    std::uint8_t b = 0;
    bool got = true;
    const auto start = Clock::now();
    EXPECT_FALSE(port.ReadByte(b, got));
    EXPECT_FALSE(got);
    EXPECT_GE(SecondsSince(start), 0.045);

    peer.Send({1, 2, 3});
    ASSERT_EQ(3u, QueuedWithin(3));
    ASSERT_FALSE(port.Purge());
    std::size_t count = 9;
    EXPECT_FALSE(port.InputQueueCount(count));
    EXPECT_EQ(0u, count);
}

TEST_F(NetworkPortTest, TheWaitPutsStopAndWriteFirstAndAClosedPeerHangsUpAfterItsData) {
    peer.Send({0xAB, 0xFF});
    ASSERT_EQ(2u, QueuedWithin(2));
    write.Set();
    stop.Set();
    EXPECT_EQ(serial::Signalled::Stop, Wait());
    stop.Reset();
    EXPECT_EQ(serial::Signalled::Write, Wait());
    write.Reset();
    EXPECT_EQ(serial::Signalled::Port, Wait()) << "queued input signals without new data";

    peer.Hangup();
    std::this_thread::sleep_for(20ms);
    serial::WaitResult r = serial::WaitForAny({&stop, &write, &port});
    EXPECT_EQ(serial::Signalled::Port, r.object);
    EXPECT_FALSE(r.hangUp) << "the data sent before the close comes first";
    std::uint8_t b = 0;
    bool got = false;
    for (std::uint8_t expected : {0xAB, 0xFF}) {
        ASSERT_FALSE(port.ReadByte(b, got));
        EXPECT_EQ(expected, b);
    }
    std::size_t count = 0;
    EXPECT_EQ(serial::Cause::HungUp, port.InputQueueCount(count).cause);
    EXPECT_EQ(serial::Cause::HungUp, port.ReadByte(b, got).cause);
    r = serial::WaitForAny({&stop, &write, &port});
    EXPECT_TRUE(r.hangUp);
    EXPECT_EQ(serial::Cause::HungUp, port.Write(&b, 1).cause);
}

TEST_F(NetworkPortTest, AWriteNobodyTakesEndsAtItsLimitOrOnAbort) {
    // The peer never reads: once the connection's buffers are full, nothing more leaves.
    const Bytes flood(32 << 20, 0x55);
    ASSERT_FALSE(port.SetTimeouts({0, 0, 0, 0, 300}));
    auto start = Clock::now();
    EXPECT_EQ(serial::Cause::Timeout, port.Write(flood.data(), flood.size()).cause);
    EXPECT_LT(SecondsSince(start), 2.0);
    stop.Set();
    ASSERT_FALSE(port.SetTimeouts({0, 0, 0, 0, 0})); // no limit: only the abort ends it
    start = Clock::now();
    EXPECT_EQ(serial::Cause::Aborted, port.Write(flood.data(), flood.size(), &stop).cause);
    EXPECT_LT(SecondsSince(start), 2.0);
}

TEST(NetworkConnect, ARefusedPortFailsAtOnceAndAnUnansweredConnectGivesUpAtTwoSeconds) {
    int closed;
    {
        TcpPeer gone;
        closed = gone.Port();
    }
    serial::Port port;
    auto start = Clock::now();
    EXPECT_EQ(serial::Cause::NotFound,
              port.Open("socket://127.0.0.1:" + std::to_string(closed)).cause);
    EXPECT_LT(SecondsSince(start), 0.5);

    // A listener whose queue is full drops the next connection's handshake: it goes unanswered.
    TcpPeer full(0);
    serial::Port first;
    ASSERT_FALSE(first.Open(full.Url()));
    start = Clock::now();
    serial::Error e = port.Open(full.Url());
    if (!e) { // some kernels queue one more: fill that place too
        serial::Port second;
        second.Open(full.Url());
        start = Clock::now();
        e = port.Open(full.Url());
    }
    EXPECT_EQ(serial::Cause::Timeout, e.cause) << e.text;
    EXPECT_GT(SecondsSince(start), 1.8);
    EXPECT_LT(SecondsSince(start), 3.5);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialLinkNetwork, AServerThatClosesIsLostOnceAndTheLinkOpensAgain) {
    PortMap map;
    TcpPeer peer;
    map.MapUrl(3, peer.Url());
    testsupport::RecordingOwner owner;
    CSerialLink link;
    ASSERT_TRUE(link.Open(&owner, 3, 115200, 'N', 8, 1,
                          serial::event::kRxChar | serial::event::kRxFlag, 512));
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(link.StartWorker());
    peer.Send({0xAB, 0xFF});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 2));
    const Bytes frame = {0xAA, 0x00, 0x00, 0x06, 0x00, 0x01, 0x01, 0x61, 0x00, 0xFF, 0x12};
    link.Write(frame.data(), static_cast<int>(frame.size()));
    EXPECT_EQ(frame, peer.Receive(1s, frame.size()));

    peer.Hangup();
    ASSERT_TRUE(owner.WaitCount(WM_LINK_LOST, 1));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(1u, owner.Count(WM_LINK_LOST));
    for (const testsupport::Note& note : owner.Notes()) {
        if (note.message == WM_LINK_LOST) {
            EXPECT_EQ(static_cast<ui::WPARAM>(serial::Cause::HungUp), note.wParam);
        }
    }
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ((Bytes{0xAB, 0xFF}), owner.Received());

    // The server takes connections again: the same COM number opens and works.
    ASSERT_TRUE(link.Open(&owner, 3, 115200, 'N', 8, 1,
                          serial::event::kRxChar | serial::event::kRxFlag, 512));
    ASSERT_TRUE(peer.Accept());
    ASSERT_TRUE(link.StartWorker());
    peer.Send({0x5C});
    ASSERT_TRUE(owner.WaitCount(WM_LINK_RXCHAR, 3));
    EXPECT_EQ(0x5C, owner.Received().back());
}

} // namespace
