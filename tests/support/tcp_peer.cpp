// The far side of a TCP connection on the loopback address.
#include "support/tcp_peer.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

TcpPeer::TcpPeer(int backlog) {
    m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listen < 0 || bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_listen, backlog) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on the loopback address");
    m_port = ntohs(address.sin_port);
}

TcpPeer::~TcpPeer() {
    Hangup();
    close(m_listen);
}

std::string TcpPeer::Url(const std::string& scheme) const {
    return scheme + "://127.0.0.1:" + std::to_string(m_port);
}

bool TcpPeer::Accept(std::chrono::milliseconds within) {
    pollfd p{m_listen, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(within.count())) <= 0)
        return false;
    Hangup();
    m_conn = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    return m_conn >= 0;
}

void TcpPeer::Send(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (m_conn >= 0 && done < bytes.size()) {
        const ssize_t n = send(m_conn, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else
            usleep(1000);
    }
}

std::vector<std::uint8_t> TcpPeer::Receive(std::chrono::milliseconds within, std::size_t want) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + within;
    while (m_conn >= 0 && std::chrono::steady_clock::now() < end) {
        if (want > 0 && out.size() >= want)
            break;
        pollfd p{m_conn, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (poll(&p, 1, static_cast<int>(std::max<long>(1, left.count()))) <= 0)
            continue;
        std::uint8_t buf[4096];
        const ssize_t n = recv(m_conn, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

void TcpPeer::Hangup() {
    if (m_conn >= 0)
        close(m_conn);
    m_conn = -1;
}

} // namespace testsupport
