// The servers' system calls on POSIX: BSD sockets, ppoll over the stop descriptor and the
// sockets, and kill(pid, 0) for the watched process.
#include "tools/sgsim/server_os.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sgsim::os {

Socket Listen(const std::string& host, int port, int& boundPort, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (status != 0) {
        error = "cannot listen on " + host + ": " + gai_strerror(status);
        return kNoSocket;
    }
    error = "cannot listen on " + host + ":" + std::to_string(port);
    int listening = -1;
    for (addrinfo* a = list; a && listening < 0; a = a->ai_next) {
        const int fd = socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, 4) == 0) {
            listening = fd;
        } else {
            error += std::string(": ") + std::strerror(errno);
            close(fd);
        }
    }
    freeaddrinfo(list);
    if (listening < 0)
        return kNoSocket;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(listening, reinterpret_cast<sockaddr*>(&bound), &length);
    boundPort =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return listening;
}

Socket Accept(Socket listening) {
    const int fd =
        accept4(static_cast<int>(listening), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return kNoSocket;
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

void CloseSocket(Socket s) {
    if (s >= 0)
        close(static_cast<int>(s));
}

void ShutdownSend(Socket s) {
    shutdown(static_cast<int>(s), SHUT_WR);
}

long Receive(Socket s, std::uint8_t* buffer, std::size_t size) {
    const ssize_t n = recv(static_cast<int>(s), buffer, size, 0);
    if (n >= 0)
        return static_cast<long>(n);
    return errno == EAGAIN || errno == EINTR ? kWouldBlock : kFailed;
}

long Send(Socket s, const std::uint8_t* data, std::size_t count) {
    for (;;) {
        const ssize_t n = send(static_cast<int>(s), data, count, MSG_NOSIGNAL);
        if (n > 0)
            return static_cast<long>(n);
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN ? kWouldBlock : kFailed;
    }
}

unsigned Wait(const WaitFor& what, std::chrono::steady_clock::duration timeout,
              std::string& error) {
    pollfd fds[3] = {{static_cast<int>(what.stop), POLLIN, 0},
                     {static_cast<int>(what.listening), POLLIN, 0},
                     {static_cast<int>(what.client),
                      static_cast<short>((what.read ? POLLIN : 0) | (what.write ? POLLOUT : 0)),
                      0}};
    const auto wait = std::max(timeout, std::chrono::steady_clock::duration::zero());
    const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    timespec limit{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    const int ready = ppoll(fds, 3, &limit, nullptr);
    if (ready < 0 && errno != EINTR) {
        error = std::string("poll: ") + std::strerror(errno);
        return kWaitFailed;
    }
    if (ready <= 0)
        return 0;
    unsigned result = 0;
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
        result |= kStopped;
    if (fds[1].revents & POLLIN)
        result |= kAcceptable;
    if (what.read && (fds[2].revents & (POLLIN | POLLHUP | POLLERR)))
        result |= kReadable;
    if (fds[2].revents & POLLOUT)
        result |= kWritable;
    return result;
}

bool WaitForStop(StopHandle stop, int ms) {
    pollfd p{static_cast<int>(stop), POLLIN, 0};
    return poll(&p, 1, ms) != 0;
}

bool ProcessGone(pid_t pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace sgsim::os
