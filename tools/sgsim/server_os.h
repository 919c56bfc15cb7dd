// The little of the system the emulator's TCP server and its main loop need: a listening socket,
// one connection, one wait over them and the stop object, and whether a watched process has
// ended. One implementation per system (server_os_posix.cpp: BSD sockets and ppoll;
// server_os_win.cpp: Winsock and select, looking at the stop event between short waits), so the
// servers themselves hold no #ifdef. Sockets are non-blocking throughout.
#pragma once

#include "tools/sgsim/server_options.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace sgsim::os {

using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;
constexpr StopHandle kNoStop = -1;

// Binds host:port (port 0: a free one the system picks) and listens, trying each address of
// host in turn. Gives the port bound; kNoSocket with the reason in error on failure.
Socket Listen(const std::string& host, int port, int& boundPort, std::string& error);
// Takes a connection that waits, with Nagle's algorithm off; kNoSocket when none does.
Socket Accept(Socket listening);
void CloseSocket(Socket s);
// No more sending on s; what the other end sends can still be read.
void ShutdownSend(Socket s);

// What Receive and Send did besides moving bytes (their result > 0).
constexpr long kClosed = 0;      // Receive: the other end has closed
constexpr long kWouldBlock = -1; // nothing to move now
constexpr long kFailed = -2;     // the connection failed
long Receive(Socket s, std::uint8_t* buffer, std::size_t size);
long Send(Socket s, const std::uint8_t* data, std::size_t count);

// What Wait waits on; kNoSocket and kNoStop take no part.
struct WaitFor {
    StopHandle stop = kNoStop;
    Socket listening = kNoSocket; // a connection waiting to be accepted
    Socket client = kNoSocket;    // with read: input, the other end's close or an error
    bool read = true;
    bool write = false; // with client: room to send
};
// Bits of Wait's result.
constexpr unsigned kStopped = 1, kAcceptable = 2, kReadable = 4, kWritable = 8, kWaitFailed = 16;
// Waits up to timeout for any of them; 0 when the time passed first. kWaitFailed with the
// reason in error.
unsigned Wait(const WaitFor& what, std::chrono::steady_clock::duration timeout, std::string& error);

// Waits up to ms milliseconds for the stop object; true when it was signalled.
bool WaitForStop(StopHandle stop, int ms);
// True once process pid has ended (false while it runs or cannot be looked at).
bool ProcessGone(pid_t pid);

} // namespace sgsim::os
