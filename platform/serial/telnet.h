// The Telnet stream under rfc2217:// endpoints, for both of its ends: the byte 0xFF (IAC) starts a
// command, so a 0xFF of the serial data travels doubled; option negotiation (WILL, WONT, DO,
// DONT) and subnegotiations (IAC SB ... IAC SE) share the stream with the data. Bytes in, bytes
// out; no sockets. The COM port control option's command codes are here too, for the client
// (rfc2217_client.h) and the emulator's device server alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace serial {
namespace telnet {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kNop = 241;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kIac = 255;

// Options.
constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kEcho = 1;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// Commands of the COM port control option, client to server; the server answers each with the
// code plus kServerOffset and the value it has put in force.
namespace comport {
constexpr std::uint8_t kSignature = 0;
constexpr std::uint8_t kSetBaudRate = 1; // 4 bytes, most significant first
constexpr std::uint8_t kSetDataSize = 2; // 5..8
constexpr std::uint8_t kSetParity = 3;   // kParity* below
constexpr std::uint8_t kSetStopSize = 4; // 1, 2 (3: one and a half)
constexpr std::uint8_t kSetControl = 5;  // kControl* below
constexpr std::uint8_t kNotifyLineState = 6;
constexpr std::uint8_t kNotifyModemState = 7;
constexpr std::uint8_t kSetLineStateMask = 10;
constexpr std::uint8_t kSetModemStateMask = 11;
constexpr std::uint8_t kPurgeData = 12;
constexpr std::uint8_t kServerOffset = 100;

constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kParityOdd = 2;
constexpr std::uint8_t kParityEven = 3;
constexpr std::uint8_t kParityMark = 4;
constexpr std::uint8_t kParitySpace = 5;

constexpr std::uint8_t kControlAskFlow = 0;
constexpr std::uint8_t kControlNoFlow = 1;
constexpr std::uint8_t kControlXonXoff = 2;
constexpr std::uint8_t kControlHardware = 3;
} // namespace comport

// Appends data to out with every 0xFF doubled.
void Escape(const std::uint8_t* data, std::size_t count, Bytes& out);
// IAC verb option.
Bytes Negotiation(std::uint8_t verb, std::uint8_t option);
// IAC SB option payload IAC SE, with 0xFF in the payload doubled.
Bytes Subnegotiation(std::uint8_t option, const Bytes& payload);

// What the stream carried besides data, in arrival order.
struct Event {
    enum class Kind { Negotiation, Subnegotiation };
    Kind kind = Kind::Negotiation;
    std::uint8_t verb = 0;   // Negotiation: kWill, kWont, kDo or kDont
    std::uint8_t option = 0; // both kinds
    Bytes payload;           // Subnegotiation: the bytes after the option, 0xFF undoubled
};

// Splits a received Telnet stream into data and events. The stream may be cut anywhere: a command
// begun in one call ends in a later one. Other commands (NOP, GA, AYT ...) are dropped, and so is
// a subnegotiation longer than kMaxSubnegotiation.
class Reader {
public:
    static constexpr std::size_t kMaxSubnegotiation = 256;

    void Feed(const std::uint8_t* in, std::size_t count, Bytes& data, std::vector<Event>& events);
    void Reset() { *this = Reader(); }

private:
    enum class State { Data, Iac, Verb, Sb, SbIac };
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    Bytes m_sub; // option byte, then payload
    bool m_subTooLong = false;
};

// Where one side of an option stands: off, asked for and not answered yet, or on.
enum class OptionState { Off, Asked, On };

// Negotiation of one end: the options it will enable on its side (WILL) and those it accepts on
// the other's (DO), answering each request once, so that two ends never loop on a request.
class Negotiator {
public:
    // local: options this end performs when asked; remote: options it lets the other end perform.
    Negotiator(std::vector<std::uint8_t> local, std::vector<std::uint8_t> remote)
        : m_local(std::move(local)), m_remote(std::move(remote)) {}

    // Asks to perform option (IAC WILL), or asks the other end to (IAC DO); the bytes to send.
    Bytes Offer(std::uint8_t option);
    Bytes Request(std::uint8_t option);
    // Takes a received WILL, WONT, DO or DONT; appends the answer, if any, to replies.
    void Receive(std::uint8_t verb, std::uint8_t option, Bytes& replies);

    OptionState Local(std::uint8_t option) const { return m_us[option]; }
    OptionState Remote(std::uint8_t option) const { return m_him[option]; }
    // True once the other end refused what this end offered or requested.
    bool LocalRefused(std::uint8_t option) const { return m_usRefused[option]; }
    bool RemoteRefused(std::uint8_t option) const { return m_himRefused[option]; }

private:
    bool Supports(const std::vector<std::uint8_t>& set, std::uint8_t option) const;

    std::vector<std::uint8_t> m_local, m_remote;
    OptionState m_us[256] = {};
    OptionState m_him[256] = {};
    bool m_usRefused[256] = {};
    bool m_himRefused[256] = {};
};

} // namespace telnet
} // namespace serial
