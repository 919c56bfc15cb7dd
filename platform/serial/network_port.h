// The network backend of serial::Port: a serial device server's TCP port, raw (socket://) or
// speaking Telnet with the COM port control option (rfc2217://). It behaves as a serial device
// does for the port's users:
// - received serial data waits in an input queue of kInputCapacity bytes, filled from the
//   connection whenever the port is used (the queue count, reads, the purge), so that a flood
//   is read no faster than it is taken;
// - an rfc2217:// connection's Telnet commands never reach the queue, and a 0xFF of the data
//   travels doubled both ways;
// - the other end closing the connection, or resetting it, is the device going away: the data
//   received before it is still read, then reads and the queue count give Cause::HungUp;
// - writes are bounded by the write timeouts and end early on the abort event;
// - an rfc2217:// open negotiates the COM port control option, and SetState sets the server's
//   line and waits for its answers, which must match what was asked.
#pragma once

#include "platform/serial/network_endpoint.h"
#include "platform/serial/rfc2217_client.h"
#include "platform/serial/serial_port.h"
#include "platform/serial/socket.h"

#include <chrono>
#include <deque>
#include <memory>

namespace serial {

class NetworkPort {
public:
    // The longest an open may take, name resolution, connection and negotiation together; the
    // first line settings made right after it are answered within the same time, or within
    // kAnswerLimitMs of being sent when that is later (a connection that took nearly all of it).
    static constexpr int kOpenLimitMs = 2000;
    static constexpr int kAnswerLimitMs = 500;
    static constexpr std::size_t kInputCapacity = 4096;

    // Connects to the endpoint url names; an rfc2217:// one also negotiates the COM port option.
    static Error Open(const std::string& url, std::unique_ptr<NetworkPort>& port);

    Error GetState(PortState& state) const;
    Error SetState(const PortState& state);
    Error Purge();
    Error InputQueueCount(std::size_t& count);
    Error ReadByte(std::uint8_t& byte, bool& got, const Timeouts& timeouts);
    Error Write(const std::uint8_t* data, std::size_t count, const Timeouts& timeouts,
                const Event* abort);

    // For the wait: the connection, and whether the port has something for a reader without
    // waiting on it (queued data, or the other end's close not yet reported).
    Socket& Connection() { return m_socket; }
    bool HasInput() const { return !m_input.empty() || m_closed; }
    // The other end has closed and everything it sent has been read.
    bool Gone() const { return m_closed && m_input.empty(); }

private:
    using Clock = std::chrono::steady_clock;

    NetworkPort() = default;
    Error Negotiate(Clock::time_point deadline);
    // Moves what the connection has (up to the queue's room) into the queue, through the Telnet
    // reader for rfc2217://, and sends the answers it calls for.
    Error Fill();
    // Reads and waits until done() or the deadline; false when the deadline came first.
    template <class Done> Error WaitFor(Done done, Clock::time_point deadline, bool& met);
    // Sends bytes of the Telnet stream itself (negotiation, settings): they are few and always
    // go out whole, first among whatever is sent next.
    Error SendControl(const telnet::Bytes& bytes);
    Error FlushControl(Clock::time_point deadline, bool limited, const Event* abort);
    // The error of a connection whose other end has gone.
    Error Dropped() const;

    NetworkEndpoint m_endpoint;
    Socket m_socket;
    std::unique_ptr<Rfc2217Client> m_telnet; // null for socket://
    std::deque<std::uint8_t> m_input;
    bool m_closed = false;   // the other end closed the connection
    Error m_resetError;      // how a reset connection failed, reported once the queue is read
    telnet::Bytes m_control; // Telnet bytes not sent yet
    PortState m_state;
    Clock::time_point m_openDeadline; // when the open's time runs out
};

} // namespace serial
