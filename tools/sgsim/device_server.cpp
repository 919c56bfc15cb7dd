// The device server's side of a connection: Telnet with the COM port control option, or raw.
#include "tools/sgsim/device_server.h"

namespace sgsim {

namespace {

namespace telnet = serial::telnet;
namespace comport = serial::telnet::comport;

void Append(FrameBytes& to, const FrameBytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

} // namespace

CDeviceServerSession::CDeviceServerSession(bool rfc2217, int fixedBaud)
    : m_bRfc2217(rfc2217), m_nFixedBaud(fixedBaud),
      m_negotiator({telnet::kBinary, telnet::kSuppressGoAhead},
                   {telnet::kBinary, telnet::kSuppressGoAhead, telnet::kComPort}) {
    if (m_nFixedBaud > 0)
        m_nBaud = m_nFixedBaud;
}

void CDeviceServerSession::Receive(const std::uint8_t* in, std::size_t count, FrameBytes& data,
                                   FrameBytes& replies) {
    if (!m_bRfc2217) {
        data.insert(data.end(), in, in + count);
        return;
    }
    std::vector<telnet::Event> events;
    m_reader.Feed(in, count, data, events);
    for (const telnet::Event& e : events) {
        if (e.kind == telnet::Event::Kind::Negotiation)
            m_negotiator.Receive(e.verb, e.option, replies);
        else if (e.option == telnet::kComPort && !e.payload.empty())
            OnComPort(e.payload, replies);
    }
}

void CDeviceServerSession::Send(const std::uint8_t* data, std::size_t count,
                                FrameBytes& out) const {
    if (m_bRfc2217)
        telnet::Escape(data, count, out);
    else
        out.insert(out.end(), data, data + count);
}

void CDeviceServerSession::OnComPort(const FrameBytes& payload, FrameBytes& replies) {
    const std::uint8_t command = payload[0];
    const std::uint8_t value = payload.size() > 1 ? payload[1] : 0;
    auto answer = [&](FrameBytes body) {
        body.insert(body.begin(), static_cast<std::uint8_t>(command + comport::kServerOffset));
        Append(replies, telnet::Subnegotiation(telnet::kComPort, body));
    };
    switch (command) {
    case comport::kSignature:
        if (payload.size() == 1)
            answer({'s', 'g', 's', 'i', 'm'});
        break;
    case comport::kSetBaudRate: {
        if (payload.size() < 5)
            return;
        const std::uint32_t asked = (std::uint32_t{payload[1]} << 24) |
                                    (std::uint32_t{payload[2]} << 16) |
                                    (std::uint32_t{payload[3]} << 8) | payload[4];
        if (asked != 0)
            m_nBaud = m_nFixedBaud > 0 ? m_nFixedBaud : static_cast<int>(asked);
        const auto baud = static_cast<std::uint32_t>(m_nBaud);
        answer({static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)});
        break;
    }
    case comport::kSetDataSize:
        if (value >= 5 && value <= 8)
            m_nDataSize = value;
        answer({m_nDataSize});
        break;
    case comport::kSetParity:
        if (value >= comport::kParityNone && value <= comport::kParitySpace)
            m_nParity = value;
        answer({m_nParity});
        break;
    case comport::kSetStopSize:
        if (value >= 1 && value <= 3)
            m_nStopSize = value;
        answer({m_nStopSize});
        break;
    case comport::kSetControl:
        if (value == comport::kControlAskFlow) {
            answer({m_nFlow});
        } else if (value <= comport::kControlHardware) {
            m_nFlow = value;
            answer({m_nFlow});
        } else {
            answer({value}); // break, DTR and RTS: taken as asked
        }
        break;
    case comport::kSetLineStateMask:
    case comport::kSetModemStateMask:
    case comport::kPurgeData:
        answer({value});
        break;
    default:
        break;
    }
}

} // namespace sgsim
