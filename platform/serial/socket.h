// A TCP connection for the network backend of the serial layer: the little it needs of the
// system's sockets, one implementation per system (socket_posix.cpp: BSD sockets and poll;
// socket_win.cpp: Winsock, with a network event for the worker's wait). Non-blocking throughout;
// Nagle's algorithm is off, since frames are small and each waits for its reply.
//
// Thread-safety: as Port, whose backend owns it: one user at a time.
#pragma once

#include "platform/serial/serial_port.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace serial {

// Starts the system's sockets layer once for the process (Winsock 2.2 on Windows; nothing to do
// elsewhere). False when it cannot be started. Every connection starts it too, so calling it
// first only moves a failure forward to a moment that can be reported.
bool StartSockets();

class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves host and connects to its port, trying each address in turn, all within timeoutMs
    // (a name that takes longer to resolve is given up, not waited for). Refused or unreachable
    // gives Cause::NotFound, no answer in time Cause::Timeout.
    Error Connect(const std::string& host, std::uint16_t port, int timeoutMs);
    void Close();
    bool IsOpen() const { return m_socket != kNone; }

    // Sends what the connection takes now; sent is 0 when it takes nothing at the moment.
    Error Send(const std::uint8_t* data, std::size_t count, std::size_t& sent);
    // Receives what has arrived, at most size bytes; got is 0 when nothing has. closed is set
    // once the other end has closed the connection (a reset gives Cause::HungUp).
    Error Receive(std::uint8_t* buffer, std::size_t size, std::size_t& got, bool& closed);

    // Waits until there is something to receive (or the other end has closed); false when
    // timeoutMs passed first.
    bool WaitReadable(int timeoutMs);
    enum class Ready { Yes, TimedOut, Aborted };
    // Waits until the connection takes more, abort is set, or timeoutMs passed (-1: no limit).
    Ready WaitWritable(const Event* abort, int timeoutMs);

    // What a worker's wait waits on for input: the descriptor on POSIX, the network event (set
    // on input and on the other end's close) on Windows.
    std::intptr_t WaitHandle() const { return m_waitHandle; }
    // After a wait woke on WaitHandle: makes it wait again (Windows clears the network event;
    // nothing to do on POSIX). True when the wake-up reported the other end's close.
    bool TakeWakeUp();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t m_socket = kNone;
    std::intptr_t m_waitHandle = kNone;
};

} // namespace serial
