// One poll loop over the stop descriptor, the listening socket and the client. Replies wait in
// the reply queue (delay, pacing) and then in the connection's output, in the connection's form.
#include "tools/sgsim/tcp_server.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sgsim {

namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(200);
constexpr auto kBlockedOutputLimit = std::chrono::seconds(1);
constexpr auto kGoodbyeLimit = std::chrono::milliseconds(500);
// A client that reads nothing while this much waits for it is dropped.
constexpr std::size_t kMaxOutput = 1 << 20;

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

bool ParseListenAddress(const std::string& text, std::string& host, int& port) {
    std::size_t colon;
    std::string h;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        h = text.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = text.rfind(':');
        if (colon == std::string::npos)
            return false;
        h = text.substr(0, colon);
        if (h.find(':') != std::string::npos)
            return false;
    }
    const std::string digits = text.substr(colon + 1);
    if (h.empty() || digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int value = std::stoi(digits);
    if (value > 65535)
        return false;
    host = h;
    port = value;
    return true;
}

CTcpServer::CTcpServer(CEmulator& emulator, CServerOptions options, CTcpOptions tcp)
    : m_emulator(emulator), m_options(std::move(options)), m_tcp(std::move(tcp)),
      m_replies(m_options.nDelayMs, m_options.bPace, m_options.nBaud, kBlockedOutputLimit) {}

CTcpServer::~CTcpServer() {
    Close();
}

void CTcpServer::SetFrameLog(std::function<void(const std::string&)> sink) {
    m_frameLog.Attach(m_emulator, std::move(sink));
}

bool CTcpServer::Open(std::string& error) {
    m_frameLog.Start();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    // After a vanish the server comes back on the port it had.
    const int port = m_nPort ? m_nPort : m_tcp.nPort;
    const int status =
        getaddrinfo(m_tcp.strHost.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (status != 0) {
        error = "cannot listen on " + m_tcp.strHost + ": " + gai_strerror(status);
        return false;
    }
    error = "cannot listen on " + m_tcp.strHost + ":" + std::to_string(port);
    for (addrinfo* a = list; a && m_fdListen < 0; a = a->ai_next) {
        const int fd = socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, 4) == 0) {
            m_fdListen = fd;
        } else {
            error += std::string(": ") + std::strerror(errno);
            close(fd);
        }
    }
    freeaddrinfo(list);
    if (m_fdListen < 0)
        return false;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(m_fdListen, reinterpret_cast<sockaddr*>(&bound), &length);
    m_nPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    const bool v6 = m_tcp.strHost.find(':') != std::string::npos;
    m_strUrl = std::string(m_tcp.bRfc2217 ? "rfc2217://" : "socket://") +
               (v6 ? "[" + m_tcp.strHost + "]" : m_tcp.strHost) + ":" + std::to_string(m_nPort);
    if (!CreateComEntry(m_options.strPortsDir, m_options.nCom, m_options.bForce,
                        CComTarget{true, m_strUrl}, m_nCom, m_strLink, error)) {
        Close();
        return false;
    }
    error.clear();
    return true;
}

void CTcpServer::Close() {
    DropClient();
    if (m_fdListen >= 0)
        close(m_fdListen);
    m_fdListen = -1;
    RemoveComEntry(m_strLink, CComTarget{true, m_strUrl});
    m_strLink.clear();
}

void CTcpServer::Accept(Clock::time_point now) {
    const int fd = accept4(m_fdListen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    DropClient();
    m_fdClient = fd;
    m_session = std::make_unique<CDeviceServerSession>(m_tcp.bRfc2217, m_tcp.nFixedBaud);
    m_lastInput = now;
}

void CTcpServer::DropClient() {
    if (m_fdClient >= 0)
        close(m_fdClient);
    m_fdClient = -1;
    m_session.reset();
    m_out.clear();
    m_replies.Clear();
    // A request cut short by the client's leaving is no request of the next client.
    if (m_emulator.InFrame())
        m_emulator.Abandon();
}

bool CTcpServer::ReadClient(Clock::time_point now) {
    std::uint8_t buffer[4096];
    const ssize_t n = recv(m_fdClient, buffer, sizeof buffer, 0);
    if (n == 0)
        return false;
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    FrameBytes data;
    m_session->Receive(buffer, static_cast<std::size_t>(n), data, m_out);
    if (m_tcp.bRfc2217)
        m_replies.SetBaud(m_session->Baud());
    if (!data.empty()) {
        m_lastInput = now;
        m_replies.Add(m_emulator.Feed(data.data(), data.size()), now);
    }
    return true;
}

bool CTcpServer::Flush() {
    while (!m_out.empty()) {
        const ssize_t n = send(m_fdClient, m_out.data(), m_out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            m_out.erase(m_out.begin(), m_out.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN && m_out.size() <= kMaxOutput;
    }
    return true;
}

void CTcpServer::CloseGracefully() {
    if (m_fdClient < 0)
        return;
    const auto deadline = Clock::now() + kGoodbyeLimit;
    while (!m_out.empty() && Flush() && RemainingMs(deadline) > 0) {
        pollfd p{m_fdClient, POLLOUT, 0};
        poll(&p, 1, RemainingMs(deadline));
    }
    shutdown(m_fdClient, SHUT_WR);
    // Closing with input unread would reset the connection, and a reset may cost the client the
    // last reply it has not read yet.
    std::uint8_t buffer[512];
    for (;;) {
        pollfd p{m_fdClient, POLLIN, 0};
        if (poll(&p, 1, RemainingMs(deadline)) <= 0)
            break;
        const ssize_t n = recv(m_fdClient, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            break;
    }
    DropClient();
}

CTcpServer::End CTcpServer::Run(int stopFd) {
    if (m_fdListen < 0)
        return End::Error;
    Clock::time_point nextWatch = Clock::now();
    const auto writer = [this](const std::uint8_t* bytes, std::size_t count) -> ssize_t {
        if (m_fdClient < 0)
            return -1;
        if (m_out.size() > kMaxOutput)
            return 0;
        m_session->Send(bytes, count, m_out);
        return static_cast<ssize_t>(count);
    };
    for (;;) {
        Clock::time_point now = Clock::now();
        if (m_fdClient >= 0) {
            m_replies.WriteDue(now, writer,
                               [this, now](const FrameBytes& b, const std::string& note) {
                                   m_frameLog.Sent(now, b, note);
                               });
            if (!Flush())
                DropClient();
        }
        // Vanishing: the last reply goes out first, then the connection and the listening
        // socket close, so that a new connection is refused.
        if (m_emulator.VanishDue() && m_replies.Empty()) {
            CloseGracefully();
            Close();
            return End::Vanished;
        }
        if (m_options.watchPid > 0 && now >= nextWatch) {
            if (kill(m_options.watchPid, 0) != 0 && errno == ESRCH)
                return End::WatchedProcessGone;
            nextWatch = now + kWatchInterval;
        }

        Clock::time_point wake = now + std::chrono::seconds(1);
        if (!m_replies.Empty())
            wake = std::min(wake, m_replies.NextDue());
        if (m_emulator.InFrame())
            wake = std::min(wake, m_lastInput + std::chrono::milliseconds(m_options.nIdleResetMs));
        if (m_options.watchPid > 0)
            wake = std::min(wake, nextWatch);

        pollfd fds[3] = {
            {stopFd, POLLIN, 0},
            {m_fdClient < 0 ? m_fdListen : -1, POLLIN, 0},
            {m_fdClient, static_cast<short>(POLLIN | (m_out.empty() ? 0 : POLLOUT)), 0}};
        const auto wait = std::max<Clock::duration>(wake - now, Clock::duration::zero());
        const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        const int ready = ppoll(fds, 3, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            m_strError = std::string("poll: ") + std::strerror(errno);
            return End::Error;
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            return End::Stopped;
        now = Clock::now();
        if (fds[1].revents & POLLIN)
            Accept(now);
        else if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!ReadClient(now))
                DropClient();
        }
        if (m_fdClient >= 0 && (fds[2].revents & POLLOUT) && !Flush())
            DropClient();
        if (m_emulator.InFrame() &&
            now - m_lastInput >= std::chrono::milliseconds(m_options.nIdleResetMs))
            m_replies.Add(m_emulator.Abandon(), now);
    }
}

} // namespace sgsim
