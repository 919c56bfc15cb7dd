// TCP connections on Windows: Winsock, a non-blocking connect bounded by select, and a network
// event (set on input and on the other end's close) as the worker's wait object.
#include "platform/serial/socket.h"

#include "platform/serial/bounded_call.h"

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

namespace serial {

// Winsock 2.2, started once for the process and left started.
bool StartSockets() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

namespace {

using Clock = std::chrono::steady_clock;

SOCKET ToSocket(std::intptr_t value) {
    return static_cast<SOCKET>(value);
}

Error LastSocketError() {
    return ErrorFromSystem(WSAGetLastError());
}

struct Address {
    sockaddr_storage storage{};
    int length = 0;
    int family = AF_UNSPEC;
};

struct Resolved {
    int status = WSANO_RECOVERY;
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
    r.status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
    for (addrinfo* a = list; r.status == 0 && a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        Address address;
        std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
        address.length = static_cast<int>(a->ai_addrlen);
        address.family = a->ai_family;
        r.addresses.push_back(address);
    }
    if (list)
        freeaddrinfo(list);
    return r;
}

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// select() on one socket; > 0 ready, 0 timed out, < 0 failed. timeoutMs -1: no limit.
int SelectOne(SOCKET s, bool write, int timeoutMs, bool* failed = nullptr) {
    fd_set ready, errors;
    FD_ZERO(&ready);
    FD_ZERO(&errors);
    FD_SET(s, &ready);
    FD_SET(s, &errors);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int r = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &errors,
                         timeoutMs < 0 ? nullptr : &tv);
    if (failed)
        *failed = r > 0 && FD_ISSET(s, &errors);
    return r;
}

SOCKET ConnectOne(const Address& address, Clock::time_point deadline, Error& error) {
    SOCKET s = socket(address.family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        error = LastSocketError();
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            error = LastSocketError();
            closesocket(s);
            return INVALID_SOCKET;
        }
        bool failed = false;
        const int r = SelectOne(s, true, RemainingMs(deadline), &failed);
        if (r == 0) {
            error = MakeError(Cause::Timeout, "no answer within the connection time");
            closesocket(s);
            return INVALID_SOCKET;
        }
        int so = 0;
        int len = sizeof so;
        if (r < 0 || getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so), &len) != 0)
            so = WSAGetLastError();
        if (so == 0 && failed)
            so = WSAECONNREFUSED;
        if (so != 0) {
            error = ErrorFromSystem(so);
            closesocket(s);
            return INVALID_SOCKET;
        }
    }
    const BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return s;
}

} // namespace

Socket::~Socket() {
    Close();
}

Error Socket::Connect(const std::string& host, std::uint16_t port, int timeoutMs) {
    Close();
    if (!StartSockets())
        return MakeError(Cause::Other, "the system's sockets could not be started");
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // An address needs no resolver; a name may need one that takes its time.
    Resolved resolved = ResolveNow(host, port, true);
    if (resolved.status != 0 &&
        !CallWithin([host, port] { return ResolveNow(host, port, false); }, timeoutMs, resolved))
        return MakeError(Cause::Timeout, "the name " + host + " was not resolved in time");
    if (resolved.status != 0) {
        Error e = ErrorFromSystem(resolved.status);
        e.cause = Cause::NotFound;
        e.text = "unknown host " + host + " (" + e.text + ")";
        return e;
    }
    Error error = MakeError(Cause::NotFound, "no address for " + host);
    for (const Address& address : resolved.addresses) {
        if (RemainingMs(deadline) == 0) {
            error = MakeError(Cause::Timeout, "no answer within the connection time");
            break;
        }
        const SOCKET s = ConnectOne(address, deadline, error);
        if (s == INVALID_SOCKET)
            continue;
        WSAEVENT event = WSACreateEvent();
        if (event == WSA_INVALID_EVENT || WSAEventSelect(s, event, FD_READ | FD_CLOSE) != 0) {
            error = LastSocketError();
            if (event != WSA_INVALID_EVENT)
                WSACloseEvent(event);
            closesocket(s);
            return error;
        }
        m_socket = static_cast<std::intptr_t>(s);
        m_waitHandle = reinterpret_cast<std::intptr_t>(event);
        return {};
    }
    return error;
}

void Socket::Close() {
    if (m_socket != kNone)
        closesocket(ToSocket(m_socket));
    if (m_waitHandle != kNone)
        WSACloseEvent(reinterpret_cast<WSAEVENT>(m_waitHandle));
    m_socket = kNone;
    m_waitHandle = kNone;
}

Error Socket::Send(const std::uint8_t* data, std::size_t count, std::size_t& sent) {
    sent = 0;
    if (m_socket == kNone)
        return MakeError(Cause::NotOpen, "port not open");
    const int n =
        send(ToSocket(m_socket), reinterpret_cast<const char*>(data), static_cast<int>(count), 0);
    if (n >= 0) {
        sent = static_cast<std::size_t>(n);
        return {};
    }
    if (WSAGetLastError() == WSAEWOULDBLOCK)
        return {};
    return LastSocketError();
}

Error Socket::Receive(std::uint8_t* buffer, std::size_t size, std::size_t& got, bool& closed) {
    got = 0;
    closed = false;
    if (m_socket == kNone)
        return MakeError(Cause::NotOpen, "port not open");
    const int n =
        recv(ToSocket(m_socket), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    if (n > 0) {
        got = static_cast<std::size_t>(n);
        return {};
    }
    if (n == 0) {
        closed = size > 0;
        return {};
    }
    if (WSAGetLastError() == WSAEWOULDBLOCK)
        return {};
    return LastSocketError();
}

bool Socket::WaitReadable(int timeoutMs) {
    if (m_socket == kNone)
        return false;
    return SelectOne(ToSocket(m_socket), false, timeoutMs) > 0;
}

Socket::Ready Socket::WaitWritable(const Event* abort, int timeoutMs) {
    // select() cannot wait on the abort event: a wait with one looks at it every few ms.
    constexpr int kSliceMs = 10;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (abort && abort->IsSet())
            return Ready::Aborted;
        int wait = timeoutMs < 0 ? -1 : RemainingMs(deadline);
        if (abort && (wait < 0 || wait > kSliceMs))
            wait = kSliceMs;
        const int r = SelectOne(ToSocket(m_socket), true, wait);
        if (r != 0)
            return Ready::Yes; // ready, or failed: the next send says how
        if (timeoutMs >= 0 && RemainingMs(deadline) == 0)
            return Ready::TimedOut;
    }
}

bool Socket::TakeWakeUp() {
    if (m_socket == kNone)
        return false;
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(ToSocket(m_socket), reinterpret_cast<WSAEVENT>(m_waitHandle),
                             &events) != 0)
        return false;
    return (events.lNetworkEvents & FD_CLOSE) != 0;
}

} // namespace serial
