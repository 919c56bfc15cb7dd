// The rfc2217:// client's protocol: negotiation and the line settings.
#include "platform/serial/rfc2217_client.h"

namespace serial {

namespace {

using namespace telnet;

std::uint8_t ParityCode(char parity) {
    switch (parity) {
    case 'O':
        return comport::kParityOdd;
    case 'E':
        return comport::kParityEven;
    case 'M':
        return comport::kParityMark;
    case 'S':
        return comport::kParitySpace;
    default:
        return comport::kParityNone;
    }
}

const char* ParityName(long code) {
    switch (code) {
    case comport::kParityNone:
        return "no parity";
    case comport::kParityOdd:
        return "odd parity";
    case comport::kParityEven:
        return "even parity";
    case comport::kParityMark:
        return "mark parity";
    case comport::kParitySpace:
        return "space parity";
    default:
        return "an unknown parity";
    }
}

std::string FlowName(long code) {
    switch (code) {
    case comport::kControlNoFlow:
        return "no flow control";
    case comport::kControlXonXoff:
        return "XON/XOFF flow control";
    case comport::kControlHardware:
        return "hardware flow control";
    default:
        return "flow control " + std::to_string(code);
    }
}

std::string StopName(long code) {
    if (code == 3)
        return "1.5 stop bits";
    return std::to_string(code) + (code == 1 ? " stop bit" : " stop bits");
}

} // namespace

Rfc2217Client::Rfc2217Client()
    : m_negotiator({kBinary, kSuppressGoAhead, kComPort}, {kBinary, kSuppressGoAhead}) {}

Bytes Rfc2217Client::Greeting() {
    Bytes out;
    for (const Bytes& b : {m_negotiator.Offer(kBinary), m_negotiator.Request(kBinary),
                           m_negotiator.Offer(kSuppressGoAhead),
                           m_negotiator.Request(kSuppressGoAhead), m_negotiator.Offer(kComPort)})
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

void Rfc2217Client::Receive(const std::uint8_t* in, std::size_t count, Bytes& data,
                            Bytes& replies) {
    std::vector<telnet::Event> events;
    m_reader.Feed(in, count, data, events);
    for (const telnet::Event& e : events) {
        if (e.kind == telnet::Event::Kind::Negotiation)
            m_negotiator.Receive(e.verb, e.option, replies);
        else if (e.option == kComPort)
            OnSubnegotiation(e.payload);
    }
}

Rfc2217Client::Decision Rfc2217Client::ComPortControl() const {
    if (m_negotiator.Local(kComPort) == OptionState::On)
        return Decision::Accepted;
    return m_negotiator.LocalRefused(kComPort) ? Decision::Refused : Decision::Pending;
}

Rfc2217Client::Decision Rfc2217Client::Binary() const {
    if (m_negotiator.LocalRefused(kBinary) || m_negotiator.RemoteRefused(kBinary))
        return Decision::Refused;
    if (m_negotiator.Local(kBinary) == OptionState::On &&
        m_negotiator.Remote(kBinary) == OptionState::On)
        return Decision::Accepted;
    return Decision::Pending;
}

Bytes Rfc2217Client::Configure(const LineSettings& line) {
    m_asked = line;
    m_configuring = true;
    for (long& a : m_answer)
        a = -1;
    const auto baud = static_cast<std::uint32_t>(line.baud);
    const Bytes commands[] = {
        {comport::kSetBaudRate, static_cast<std::uint8_t>(baud >> 24),
         static_cast<std::uint8_t>(baud >> 16), static_cast<std::uint8_t>(baud >> 8),
         static_cast<std::uint8_t>(baud)},
        {comport::kSetDataSize, static_cast<std::uint8_t>(line.dataBits)},
        {comport::kSetParity, ParityCode(line.parity)},
        {comport::kSetStopSize, static_cast<std::uint8_t>(line.stopBits)},
        {comport::kSetControl, comport::kControlNoFlow},
    };
    Bytes out;
    for (const Bytes& c : commands) {
        const Bytes b = Subnegotiation(kComPort, c);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

void Rfc2217Client::OnSubnegotiation(const Bytes& payload) {
    if (!m_configuring || payload.empty())
        return;
    const int command = payload[0] - comport::kServerOffset;
    if (command < comport::kSetBaudRate || command > comport::kSetControl)
        return; // notifications and the answers to other commands
    if (command == comport::kSetBaudRate) {
        if (payload.size() < 5)
            return;
        m_answer[command] = static_cast<long>((std::uint32_t{payload[1]} << 24) |
                                              (std::uint32_t{payload[2]} << 16) |
                                              (std::uint32_t{payload[3]} << 8) | payload[4]);
    } else if (payload.size() >= 2) {
        // SET-CONTROL answers every kind of control command; only the flow control one counts.
        if (command == comport::kSetControl && payload[1] > comport::kControlHardware &&
            payload[1] < 17)
            return;
        m_answer[command] = payload[1];
    }
}

bool Rfc2217Client::Answered() const {
    if (!m_configuring)
        return false;
    for (int c = comport::kSetBaudRate; c <= comport::kSetControl; ++c) {
        if (m_answer[c] < 0)
            return false;
    }
    return true;
}

std::string Rfc2217Client::Differences() const {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    const long baud = m_answer[comport::kSetBaudRate];
    if (baud >= 0 && baud != m_asked.baud)
        add(std::to_string(baud) + " baud instead of " + std::to_string(m_asked.baud));
    const long data = m_answer[comport::kSetDataSize];
    if (data >= 0 && data != m_asked.dataBits)
        add(std::to_string(data) + " data bits instead of " + std::to_string(m_asked.dataBits));
    const long parity = m_answer[comport::kSetParity];
    if (parity >= 0 && parity != ParityCode(m_asked.parity))
        add(std::string(ParityName(parity)) + " instead of " +
            ParityName(ParityCode(m_asked.parity)));
    const long stop = m_answer[comport::kSetStopSize];
    if (stop >= 0 && stop != m_asked.stopBits)
        add(StopName(stop) + " instead of " + std::to_string(m_asked.stopBits));
    const long flow = m_answer[comport::kSetControl];
    if (flow >= 0 && flow != comport::kControlNoFlow)
        add(FlowName(flow) + " instead of none");
    return text;
}

} // namespace serial
