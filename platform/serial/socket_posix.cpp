// TCP connections on POSIX: BSD sockets, a non-blocking connect bounded by poll, and the
// descriptor itself as the worker's wait object.
#include "platform/serial/socket.h"

#include "platform/serial/bounded_call.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace serial {

bool StartSockets() {
    return true; // BSD sockets need no start-up
}

namespace {

using Clock = std::chrono::steady_clock;

struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family = AF_UNSPEC;
};

struct Resolved {
    int status = EAI_FAIL;
    std::vector<Address> addresses;
};

Resolved ResolveNow(const std::string& host, std::uint16_t port, bool numericOnly) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
    addrinfo* list = nullptr;
    Resolved r;
    r.status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    for (addrinfo* a = list; r.status == 0 && a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        Address address;
        std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
        address.length = a->ai_addrlen;
        address.family = a->ai_family;
        r.addresses.push_back(address);
    }
    if (list)
        ::freeaddrinfo(list);
    return r;
}

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

int PollRetrying(pollfd* fds, nfds_t count, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int r = ::poll(fds, count, timeoutMs);
        if (r >= 0 || errno != EINTR)
            return r;
        if (timeoutMs >= 0)
            timeoutMs = RemainingMs(deadline);
    }
}

// Connects one socket to address by the deadline; the descriptor, or -1 with the error.
int ConnectOne(const Address& address, Clock::time_point deadline, Error& error) {
    const int fd = ::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = ErrorFromSystem(errno);
        return -1;
    }
    int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length);
    if (r != 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        r = PollRetrying(&p, 1, RemainingMs(deadline));
        if (r == 0) {
            error = MakeError(Cause::Timeout, "no answer within the connection time");
            ::close(fd);
            return -1;
        }
        int so = 0;
        socklen_t len = sizeof so;
        if (r < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so, &len) != 0)
            so = errno;
        errno = so;
        r = so == 0 ? 0 : -1;
    }
    if (r != 0) {
        error = ErrorFromSystem(errno);
        ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

} // namespace

Socket::~Socket() {
    Close();
}

Error Socket::Connect(const std::string& host, std::uint16_t port, int timeoutMs) {
    Close();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // An address needs no resolver; a name may need one that takes its time.
    Resolved resolved = ResolveNow(host, port, true);
    if (resolved.status == EAI_NONAME &&
        !CallWithin([host, port] { return ResolveNow(host, port, false); }, timeoutMs, resolved))
        return MakeError(Cause::Timeout, "the name " + host + " was not resolved in time");
    if (resolved.status != 0) {
        const bool unknown = resolved.status == EAI_NONAME || resolved.status == EAI_AGAIN ||
                             resolved.status == EAI_FAIL;
        return MakeError(unknown ? Cause::NotFound : Cause::Other,
                         std::string("unknown host ") + host + " (" +
                             ::gai_strerror(resolved.status) + ")");
    }
    Error error = MakeError(Cause::NotFound, "no address for " + host);
    for (const Address& address : resolved.addresses) {
        if (RemainingMs(deadline) == 0) {
            error = MakeError(Cause::Timeout, "no answer within the connection time");
            break;
        }
        const int fd = ConnectOne(address, deadline, error);
        if (fd >= 0) {
            m_socket = fd;
            m_waitHandle = fd;
            return {};
        }
    }
    return error;
}

void Socket::Close() {
    if (m_socket != kNone)
        ::close(static_cast<int>(m_socket));
    m_socket = kNone;
    m_waitHandle = kNone;
}

Error Socket::Send(const std::uint8_t* data, std::size_t count, std::size_t& sent) {
    sent = 0;
    if (m_socket == kNone)
        return MakeError(Cause::NotOpen, "port not open");
    for (;;) {
        // No SIGPIPE for a connection the other end has closed: the error says it.
        const ssize_t n = ::send(static_cast<int>(m_socket), data, count, MSG_NOSIGNAL);
        if (n >= 0) {
            sent = static_cast<std::size_t>(n);
            return {};
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {};
        return ErrorFromSystem(errno);
    }
}

Error Socket::Receive(std::uint8_t* buffer, std::size_t size, std::size_t& got, bool& closed) {
    got = 0;
    closed = false;
    if (m_socket == kNone)
        return MakeError(Cause::NotOpen, "port not open");
    for (;;) {
        const ssize_t n = ::recv(static_cast<int>(m_socket), buffer, size, 0);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return {};
        }
        if (n == 0) {
            closed = size > 0;
            return {};
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {};
        return ErrorFromSystem(errno);
    }
}

bool Socket::WaitReadable(int timeoutMs) {
    if (m_socket == kNone)
        return false;
    pollfd p{static_cast<int>(m_socket), POLLIN, 0};
    return PollRetrying(&p, 1, timeoutMs) > 0;
}

Socket::Ready Socket::WaitWritable(const Event* abort, int timeoutMs) {
    pollfd p[2] = {{static_cast<int>(m_socket), POLLOUT, 0}, {abort ? abort->Fd() : -1, POLLIN, 0}};
    const int r = PollRetrying(p, 2, timeoutMs);
    if (r > 0 && p[1].revents)
        return Ready::Aborted;
    return r > 0 ? Ready::Yes : Ready::TimedOut;
}

bool Socket::TakeWakeUp() {
    return false;
}

} // namespace serial
