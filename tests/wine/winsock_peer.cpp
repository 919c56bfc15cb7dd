// The Winsock peer of the Windows build's tests.
#include "winsock_peer.h"

#include <chrono>
#include <stdexcept>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

namespace winetest {

namespace {

bool Readable(SOCKET s, int withinMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{withinMs / 1000, (withinMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) > 0;
}

} // namespace

WinsockPeer::WinsockPeer() : m_listen(INVALID_SOCKET), m_conn(INVALID_SOCKET) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    m_listen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (m_listen == INVALID_SOCKET ||
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_listen, 4) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on the loopback address");
    m_port = ntohs(address.sin_port);
}

WinsockPeer::~WinsockPeer() {
    Hangup();
    closesocket(m_listen);
    WSACleanup();
}

std::string WinsockPeer::Url(const std::string& scheme) const {
    return scheme + "://127.0.0.1:" + std::to_string(m_port);
}

bool WinsockPeer::Accept(int withinMs) {
    if (!Readable(m_listen, withinMs))
        return false;
    Hangup();
    m_conn = accept(m_listen, nullptr, nullptr);
    return m_conn != INVALID_SOCKET;
}

void WinsockPeer::Send(const std::vector<std::uint8_t>& bytes) {
    if (m_conn != INVALID_SOCKET && !bytes.empty())
        send(m_conn, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
             0);
}

std::vector<std::uint8_t> WinsockPeer::Receive(int withinMs, std::size_t want, bool* closed) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
    while (m_conn != INVALID_SOCKET && (want == 0 || out.size() < want)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || !Readable(m_conn, static_cast<int>(left)))
            break;
        char buffer[4096];
        const int n = recv(m_conn, buffer, sizeof buffer, 0);
        if (n <= 0) {
            if (closed)
                *closed = true;
            break;
        }
        out.insert(out.end(), buffer, buffer + n);
    }
    return out;
}

void WinsockPeer::Hangup() {
    if (m_conn != INVALID_SOCKET)
        closesocket(m_conn);
    m_conn = INVALID_SOCKET;
}

} // namespace winetest
