// Test peer on the far side of a TCP connection on the loopback address: a listening socket on a
// port the system picks, which a test maps as COMn and accepts on when it chooses; what a serial
// device server would see and send, raw. Until Accept, a client's connection waits in the
// listening queue: connected, and never answered. POSIX systems only.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TcpPeer {
public:
    // backlog 0 lets exactly one connection wait; the next one's connect then goes unanswered.
    explicit TcpPeer(int backlog = 4);
    ~TcpPeer();
    TcpPeer(const TcpPeer&) = delete;
    TcpPeer& operator=(const TcpPeer&) = delete;

    int Port() const { return m_port; }
    // "socket://127.0.0.1:PORT", or with another scheme.
    std::string Url(const std::string& scheme = "socket") const;
    // Takes the connection waiting in the queue; false when none came within the time.
    bool Accept(std::chrono::milliseconds within = std::chrono::seconds(3));
    void Send(const std::vector<std::uint8_t>& bytes);
    // Reads whatever arrives within the time (stops early once `want` bytes arrived).
    std::vector<std::uint8_t> Receive(std::chrono::milliseconds within, std::size_t want = 0);
    // Closes the connection: the port vanishes for the client.
    void Hangup();

private:
    int m_listen = -1;
    int m_conn = -1;
    int m_port = 0;
};

} // namespace testsupport
