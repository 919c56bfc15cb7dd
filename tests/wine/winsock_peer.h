// The far side of a TCP connection on the loopback address for the Windows build's tests, with
// Winsock (winsock_peer.cpp): a listening socket on a port the system picks, accepted on when the
// test chooses. The header names no Windows type, so that tests of the dialog layer, whose own
// Windows-like names would clash with the system's, may use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace winetest {

class WinsockPeer {
public:
    WinsockPeer();
    ~WinsockPeer();
    WinsockPeer(const WinsockPeer&) = delete;
    WinsockPeer& operator=(const WinsockPeer&) = delete;

    std::string Url(const std::string& scheme = "socket") const;
    // Takes the connection waiting in the queue; false when none came within the time.
    bool Accept(int withinMs = 3000);
    void Send(const std::vector<std::uint8_t>& bytes);
    // What arrives within the time (stops early once `want` bytes arrived); closed is set when
    // the other end closed the connection.
    std::vector<std::uint8_t> Receive(int withinMs, std::size_t want = 0, bool* closed = nullptr);
    // Closes the connection: the port vanishes for the client.
    void Hangup();

private:
    std::uintptr_t m_listen;
    std::uintptr_t m_conn;
    int m_port = 0;
};

} // namespace winetest
