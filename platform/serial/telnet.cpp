// Telnet framing and option negotiation.
#include "platform/serial/telnet.h"

#include <algorithm>

namespace serial {
namespace telnet {

void Escape(const std::uint8_t* data, std::size_t count, Bytes& out) {
    out.reserve(out.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(data[i]);
        if (data[i] == kIac)
            out.push_back(kIac);
    }
}

Bytes Negotiation(std::uint8_t verb, std::uint8_t option) {
    return Bytes{kIac, verb, option};
}

Bytes Subnegotiation(std::uint8_t option, const Bytes& payload) {
    Bytes out{kIac, kSb, option};
    Escape(payload.data(), payload.size(), out);
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

void Reader::Feed(const std::uint8_t* in, std::size_t count, Bytes& data,
                  std::vector<Event>& events) {
    std::size_t i = 0;
    while (i < count) {
        const std::uint8_t b = in[i++];
        switch (m_state) {
        case State::Data:
            if (b == kIac)
                m_state = State::Iac;
            else
                data.push_back(b);
            break;
        case State::Iac:
            if (b == kIac) {
                data.push_back(kIac);
                m_state = State::Data;
            } else if (b >= kWill && b <= kDont) {
                m_verb = b;
                m_state = State::Verb;
            } else if (b == kSb) {
                m_sub.clear();
                m_subTooLong = false;
                m_state = State::Sb;
            } else {
                m_state = State::Data; // a two-byte command: nothing for the data
            }
            break;
        case State::Verb: {
            Event e;
            e.kind = Event::Kind::Negotiation;
            e.verb = m_verb;
            e.option = b;
            events.push_back(std::move(e));
            m_state = State::Data;
            break;
        }
        case State::Sb:
            if (b == kIac) {
                m_state = State::SbIac;
            } else if (m_sub.size() < kMaxSubnegotiation + 1) {
                m_sub.push_back(b);
            } else {
                m_subTooLong = true;
            }
            break;
        case State::SbIac:
            if (b == kIac) {
                if (m_sub.size() < kMaxSubnegotiation + 1)
                    m_sub.push_back(kIac);
                else
                    m_subTooLong = true;
                m_state = State::Sb;
            } else if (b == kSe) {
                if (!m_sub.empty() && !m_subTooLong) {
                    Event e;
                    e.kind = Event::Kind::Subnegotiation;
                    e.option = m_sub[0];
                    e.payload.assign(m_sub.begin() + 1, m_sub.end());
                    events.push_back(std::move(e));
                }
                m_sub.clear();
                m_state = State::Data;
            } else {
                // IAC and anything but IAC or SE inside a subnegotiation is a broken one: it is
                // dropped, and the byte read again as the command after an IAC.
                m_sub.clear();
                m_state = State::Iac;
                --i;
            }
            break;
        }
    }
}

bool Negotiator::Supports(const std::vector<std::uint8_t>& set, std::uint8_t option) const {
    return std::find(set.begin(), set.end(), option) != set.end();
}

Bytes Negotiator::Offer(std::uint8_t option) {
    if (m_us[option] != OptionState::Off)
        return {};
    m_us[option] = OptionState::Asked;
    return Negotiation(kWill, option);
}

Bytes Negotiator::Request(std::uint8_t option) {
    if (m_him[option] != OptionState::Off)
        return {};
    m_him[option] = OptionState::Asked;
    return Negotiation(kDo, option);
}

void Negotiator::Receive(std::uint8_t verb, std::uint8_t option, Bytes& replies) {
    auto reply = [&replies](std::uint8_t v, std::uint8_t o) {
        const Bytes b = Negotiation(v, o);
        replies.insert(replies.end(), b.begin(), b.end());
    };
    // An answer to what this end asked is not answered again; a request is answered once for
    // every change it asks for, and a request for what already holds is not answered at all.
    switch (verb) {
    case kDo:
        if (m_us[option] == OptionState::Asked) {
            m_us[option] = OptionState::On;
        } else if (m_us[option] == OptionState::Off) {
            if (Supports(m_local, option)) {
                m_us[option] = OptionState::On;
                reply(kWill, option);
            } else {
                reply(kWont, option);
            }
        }
        break;
    case kDont:
        if (m_us[option] == OptionState::Asked)
            m_usRefused[option] = true;
        else if (m_us[option] == OptionState::On)
            reply(kWont, option);
        m_us[option] = OptionState::Off;
        break;
    case kWill:
        if (m_him[option] == OptionState::Asked) {
            m_him[option] = OptionState::On;
        } else if (m_him[option] == OptionState::Off) {
            if (Supports(m_remote, option)) {
                m_him[option] = OptionState::On;
                reply(kDo, option);
            } else {
                reply(kDont, option);
            }
        }
        break;
    case kWont:
        if (m_him[option] == OptionState::Asked)
            m_himRefused[option] = true;
        else if (m_him[option] == OptionState::On)
            reply(kDont, option);
        m_him[option] = OptionState::Off;
        break;
    default:
        break;
    }
}

} // namespace telnet
} // namespace serial
