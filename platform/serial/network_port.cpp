// The network backend: a serial device server's TCP port as a serial device.
#include "platform/serial/network_port.h"

#include <algorithm>

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Where a write cut short after `sent` bytes of the doubled stream leaves a 0xFF whose second
// half never went: that half must lead the next bytes sent, or the server would read the lone
// 0xFF and the next byte as a command.
bool CutInsidePair(const std::uint8_t* data, std::size_t count, std::size_t sent) {
    std::size_t position = 0;
    for (std::size_t i = 0; i < count && position < sent; ++i) {
        if (data[i] == telnet::kIac) {
            if (position + 1 == sent)
                return true;
            position += 2;
        } else {
            position += 1;
        }
    }
    return false;
}

} // namespace

Error NetworkPort::Open(const std::string& url, std::unique_ptr<NetworkPort>& port) {
    port.reset();
    std::unique_ptr<NetworkPort> p(new NetworkPort());
    if (!ParseNetworkUrl(url, p->m_endpoint))
        return MakeError(Cause::InvalidArgument,
                         url + " is not an address of the form socket://HOST:PORT or "
                               "rfc2217://HOST:PORT");
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kOpenLimitMs);
    p->m_openDeadline = deadline;
    if (Error e = p->m_socket.Connect(p->m_endpoint.host, p->m_endpoint.port, kOpenLimitMs))
        return e;
    if (p->m_endpoint.protocol == NetworkProtocol::Rfc2217) {
        p->m_telnet = std::make_unique<Rfc2217Client>();
        if (Error e = p->Negotiate(deadline))
            return e;
    }
    port = std::move(p);
    return {};
}

Error NetworkPort::Negotiate(Clock::time_point deadline) {
    using Decision = Rfc2217Client::Decision;
    if (Error e = SendControl(m_telnet->Greeting()))
        return e;
    bool met = false;
    Error e = WaitFor(
        [this] {
            return m_telnet->ComPortControl() != Decision::Pending &&
                   m_telnet->Binary() != Decision::Pending;
        },
        deadline, met);
    if (e)
        return e;
    switch (m_telnet->ComPortControl()) {
    case Decision::Refused:
        return MakeError(Cause::InvalidArgument,
                         "the device server does not take COM port control commands");
    case Decision::Pending:
        return MakeError(Cause::Timeout,
                         "the device server did not answer the COM port control negotiation");
    case Decision::Accepted:
        break;
    }
    // A server that never answered about binary transmission is taken to pass every byte; one
    // that refused it would change the frames' CR bytes on the way.
    if (m_telnet->Binary() == Decision::Refused)
        return MakeError(Cause::InvalidArgument, "the device server does not pass binary data");
    // No line or modem state notifications: nothing here would use them.
    telnet::Bytes masks =
        telnet::Subnegotiation(telnet::kComPort, {telnet::comport::kSetLineStateMask, 0});
    const telnet::Bytes modem =
        telnet::Subnegotiation(telnet::kComPort, {telnet::comport::kSetModemStateMask, 0});
    masks.insert(masks.end(), modem.begin(), modem.end());
    return SendControl(masks);
}

Error NetworkPort::GetState(PortState& state) const {
    state = m_state;
    return {};
}

Error NetworkPort::SetState(const PortState& state) {
    const LineSettings& line = state.line;
    if (line.baud <= 0)
        return MakeError(Cause::InvalidArgument, "baud rate not supported");
    if (line.dataBits < 5 || line.dataBits > 8)
        return MakeError(Cause::InvalidArgument, "data bits not supported");
    if (line.stopBits != 1 && line.stopBits != 2)
        return MakeError(Cause::InvalidArgument, "stop bits not supported");
    if (std::string("NOEMS").find(line.parity) == std::string::npos || line.parity == '\0')
        return MakeError(Cause::InvalidArgument, "parity not supported");
    if (m_telnet) {
        // The answers share the open's time, so that opening and setting up a port that never
        // answers holds its caller for about that long, not for longer.
        const Clock::time_point deadline =
            std::max(m_openDeadline, Clock::now() + std::chrono::milliseconds(kAnswerLimitMs));
        if (Error e = SendControl(m_telnet->Configure(line)))
            return e;
        bool met = false;
        if (Error e = WaitFor([this] { return m_telnet->Answered(); }, deadline, met))
            return e;
        if (!met)
            return MakeError(Cause::Timeout, "the device server did not answer the line settings");
        const std::string differences = m_telnet->Differences();
        if (!differences.empty())
            return MakeError(Cause::InvalidArgument, "the device server set " + differences);
    }
    m_state = state;
    return {};
}

Error NetworkPort::Purge() {
    // What has arrived is dropped, the Telnet commands in it still taken; a flood is not chased
    // for ever.
    for (int i = 0; i < 64; ++i) {
        m_input.clear();
        if (Error e = Fill())
            return e;
        if (m_input.empty())
            break;
    }
    m_input.clear();
    return {};
}

Error NetworkPort::InputQueueCount(std::size_t& count) {
    count = 0;
    if (Error e = Fill())
        return e;
    if (Gone())
        return Dropped();
    count = m_input.size();
    return {};
}

Error NetworkPort::ReadByte(std::uint8_t& byte, bool& got, const Timeouts& timeouts) {
    got = false;
    const std::uint64_t totalMs =
        std::uint64_t{timeouts.readTotalMultiplier} + timeouts.readTotalConstant;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    for (;;) {
        if (!m_input.empty()) {
            byte = m_input.front();
            m_input.pop_front();
            got = true;
            return {};
        }
        if (Error e = Fill())
            return e;
        if (!m_input.empty())
            continue;
        if (m_closed)
            return Dropped();
        const int left = RemainingMs(deadline);
        if (left == 0 || !m_socket.WaitReadable(left))
            return {};
    }
}

Error NetworkPort::Write(const std::uint8_t* data, std::size_t count, const Timeouts& timeouts,
                         const Event* abort) {
    if (m_closed)
        return Dropped();
    const std::uint64_t totalMs =
        std::uint64_t{timeouts.writeTotalMultiplier} * count + timeouts.writeTotalConstant;
    const bool limited = totalMs > 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    if (Error e = FlushControl(deadline, limited, abort))
        return e;

    telnet::Bytes escaped;
    const std::uint8_t* wire = data;
    std::size_t size = count;
    if (m_telnet) {
        telnet::Escape(data, count, escaped);
        wire = escaped.data();
        size = escaped.size();
    }
    std::size_t done = 0;
    while (done < size) {
        std::size_t sent = 0;
        Error e = m_socket.Send(wire + done, size - done, sent);
        if (e) {
            if (e.cause == Cause::HungUp)
                m_closed = true;
            return e;
        }
        done += sent;
        if (done == size)
            break;
        if (sent > 0)
            continue;
        const int left = limited ? RemainingMs(deadline) : -1;
        const Socket::Ready ready =
            left == 0 ? Socket::Ready::TimedOut : m_socket.WaitWritable(abort, left);
        if (ready == Socket::Ready::Yes)
            continue;
        if (m_telnet && CutInsidePair(data, count, done))
            m_control.insert(m_control.begin(), telnet::kIac);
        return ready == Socket::Ready::Aborted ? MakeError(Cause::Aborted, "write given up")
                                               : MakeError(Cause::Timeout, "write timed out");
    }
    return {};
}

Error NetworkPort::Fill() {
    if (!m_socket.IsOpen())
        return MakeError(Cause::NotOpen, "port not open");
    if (!m_control.empty()) {
        std::size_t sent = 0;
        if (!m_socket.Send(m_control.data(), m_control.size(), sent))
            m_control.erase(m_control.begin(), m_control.begin() + static_cast<long>(sent));
    }
    std::uint8_t buffer[1024];
    telnet::Bytes data, replies;
    while (!m_closed && m_input.size() < kInputCapacity) {
        std::size_t got = 0;
        bool closed = false;
        const std::size_t room = std::min(sizeof buffer, kInputCapacity - m_input.size());
        Error e = m_socket.Receive(buffer, room, got, closed);
        if (e) {
            if (e.cause != Cause::HungUp)
                return e;
            m_resetError = e; // a reset: the end of the connection, as a close is
            closed = true;
        }
        if (closed) {
            m_closed = true;
            break;
        }
        if (got == 0)
            break;
        if (m_telnet) {
            data.clear();
            m_telnet->Receive(buffer, got, data, replies);
            m_input.insert(m_input.end(), data.begin(), data.end());
        } else {
            m_input.insert(m_input.end(), buffer, buffer + got);
        }
    }
    if (!replies.empty())
        return SendControl(replies);
    return {};
}

template <class Done> Error NetworkPort::WaitFor(Done done, Clock::time_point deadline, bool& met) {
    met = false;
    for (;;) {
        // Data that arrives while the server is being set up is stale, as a full device
        // buffer's overflow would be; the answers behind it are not.
        if (m_input.size() >= kInputCapacity)
            m_input.clear();
        if (Error e = Fill())
            return e;
        if (done()) {
            met = true;
            return {};
        }
        if (m_closed)
            return Dropped();
        const int left = RemainingMs(deadline);
        if (left == 0)
            return {};
        m_socket.WaitReadable(left);
    }
}

Error NetworkPort::SendControl(const telnet::Bytes& bytes) {
    m_control.insert(m_control.end(), bytes.begin(), bytes.end());
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kAnswerLimitMs);
    return FlushControl(deadline, true, nullptr);
}

Error NetworkPort::FlushControl(Clock::time_point deadline, bool limited, const Event* abort) {
    while (!m_control.empty()) {
        std::size_t sent = 0;
        Error e = m_socket.Send(m_control.data(), m_control.size(), sent);
        if (e) {
            if (e.cause == Cause::HungUp)
                m_closed = true;
            return e;
        }
        m_control.erase(m_control.begin(), m_control.begin() + static_cast<long>(sent));
        if (m_control.empty() || sent > 0)
            continue;
        const int left = limited ? RemainingMs(deadline) : -1;
        const Socket::Ready ready =
            left == 0 ? Socket::Ready::TimedOut : m_socket.WaitWritable(abort, left);
        if (ready == Socket::Ready::Aborted)
            return MakeError(Cause::Aborted, "write given up");
        if (ready == Socket::Ready::TimedOut)
            return MakeError(Cause::Timeout, "write timed out");
    }
    return {};
}

Error NetworkPort::Dropped() const {
    if (m_resetError)
        return m_resetError;
    return MakeError(Cause::HungUp, "the device server closed the connection");
}

} // namespace serial
