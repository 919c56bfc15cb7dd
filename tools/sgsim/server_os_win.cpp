// The servers' system calls on Windows: Winsock sockets, select over them in short slices with
// the stop event looked at between the slices (select cannot wait on an event), and the watched
// process through a handle to it.
#include "tools/sgsim/server_os.h"

#include "platform/serial/socket.h"

#include <algorithm>
#include <cstring>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

namespace sgsim::os {

namespace {

using Clock = std::chrono::steady_clock;

// How long one select waits at most before the stop event is looked at again.
constexpr auto kStopSlice = std::chrono::milliseconds(20);

SOCKET ToSocket(Socket s) {
    return static_cast<SOCKET>(s);
}

std::string SystemText(int code) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    std::string s = text;
    while (!s.empty() &&
           (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
        s.pop_back();
    return s.empty() ? "error " + std::to_string(code) : s;
}

bool SetNonBlocking(SOCKET s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}

bool StopSignalled(StopHandle stop) {
    return stop != kNoStop &&
           WaitForSingleObject(reinterpret_cast<HANDLE>(stop), 0) == WAIT_OBJECT_0;
}

} // namespace

Socket Listen(const std::string& host, int port, int& boundPort, std::string& error) {
    if (!serial::StartSockets()) {
        error = "cannot listen on " + host + ": the sockets layer did not start";
        return kNoSocket;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    if (status != 0) {
        error = "cannot listen on " + host + ": " + SystemText(status);
        return kNoSocket;
    }
    error = "cannot listen on " + host + ":" + std::to_string(port);
    SOCKET listening = INVALID_SOCKET;
    for (addrinfo* a = list; a && listening == INVALID_SOCKET; a = a->ai_next) {
        const SOCKET s = socket(a->ai_family, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET)
            continue;
        // No SO_REUSEADDR: on Windows it would let another program take the port over.
        if (SetNonBlocking(s) && bind(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0 &&
            listen(s, 4) == 0) {
            listening = s;
        } else {
            error += ": " + SystemText(WSAGetLastError());
            closesocket(s);
        }
    }
    freeaddrinfo(list);
    if (listening == INVALID_SOCKET)
        return kNoSocket;
    sockaddr_storage bound{};
    int length = sizeof bound;
    getsockname(listening, reinterpret_cast<sockaddr*>(&bound), &length);
    boundPort =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return static_cast<Socket>(listening);
}

Socket Accept(Socket listening) {
    const SOCKET s = accept(ToSocket(listening), nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return kNoSocket;
    const BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    SetNonBlocking(s);
    return static_cast<Socket>(s);
}

void CloseSocket(Socket s) {
    if (s != kNoSocket)
        closesocket(ToSocket(s));
}

void ShutdownSend(Socket s) {
    shutdown(ToSocket(s), SD_SEND);
}

long Receive(Socket s, std::uint8_t* buffer, std::size_t size) {
    const int n = recv(ToSocket(s), reinterpret_cast<char*>(buffer),
                       static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
    if (n >= 0)
        return n;
    const int code = WSAGetLastError();
    return code == WSAEWOULDBLOCK || code == WSAEINTR ? kWouldBlock : kFailed;
}

long Send(Socket s, const std::uint8_t* data, std::size_t count) {
    const int n = send(ToSocket(s), reinterpret_cast<const char*>(data),
                       static_cast<int>(std::min<std::size_t>(count, 1 << 20)), 0);
    if (n > 0)
        return n;
    return n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kFailed;
}

unsigned Wait(const WaitFor& what, Clock::duration timeout, std::string& error) {
    const Clock::time_point deadline = Clock::now() + std::max(timeout, Clock::duration::zero());
    for (;;) {
        if (StopSignalled(what.stop))
            return kStopped;
        fd_set readable, writable, failed;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        int count = 0;
        if (what.listening != kNoSocket) {
            FD_SET(ToSocket(what.listening), &readable);
            ++count;
        }
        if (what.client != kNoSocket && (what.read || what.write)) {
            if (what.read)
                FD_SET(ToSocket(what.client), &readable);
            if (what.write)
                FD_SET(ToSocket(what.client), &writable);
            FD_SET(ToSocket(what.client), &failed);
            ++count;
        }
        const Clock::duration left = deadline - Clock::now();
        auto slice = std::chrono::duration_cast<std::chrono::microseconds>(
            std::max(std::min<Clock::duration>(left, kStopSlice), Clock::duration::zero()));
        if (what.stop == kNoStop)
            slice = std::chrono::duration_cast<std::chrono::microseconds>(
                std::max(left, Clock::duration::zero()));
        timeval limit{static_cast<long>(slice.count() / 1000000),
                      static_cast<long>(slice.count() % 1000000)};
        int ready = 0;
        if (count > 0) {
            ready = select(0, &readable, &writable, &failed, &limit);
            if (ready == SOCKET_ERROR) {
                error = "select: " + SystemText(WSAGetLastError());
                return kWaitFailed;
            }
        } else {
            Sleep(static_cast<DWORD>(slice.count() / 1000));
        }
        if (ready > 0) {
            unsigned result = 0;
            if (what.listening != kNoSocket && FD_ISSET(ToSocket(what.listening), &readable))
                result |= kAcceptable;
            if (what.client != kNoSocket) {
                if (what.read && (FD_ISSET(ToSocket(what.client), &readable) ||
                                  FD_ISSET(ToSocket(what.client), &failed)))
                    result |= kReadable;
                if (what.write && FD_ISSET(ToSocket(what.client), &writable))
                    result |= kWritable;
            }
            if (StopSignalled(what.stop))
                result |= kStopped;
            return result;
        }
        if (Clock::now() >= deadline)
            return StopSignalled(what.stop) ? kStopped : 0;
    }
}

bool WaitForStop(StopHandle stop, int ms) {
    return WaitForSingleObject(reinterpret_cast<HANDLE>(stop), static_cast<DWORD>(ms)) !=
           WAIT_TIMEOUT;
}

bool ProcessGone(pid_t pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER; // no process has that id (any more)
    const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

} // namespace sgsim::os
