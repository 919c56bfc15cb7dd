// The client's side of an rfc2217:// session, without the socket: what to send on connecting,
// what to make of the server's bytes (serial data, option negotiation, the answers to the line
// settings), and how the settings the server put in force compare with those asked for.
//
// On connecting the client offers the COM port control option and binary transmission both ways
// (every byte value is frame data) and suppresses go-ahead; it refuses every other option, echo
// included (an echoing server would send each frame back as if the generator had answered).
#pragma once

#include "platform/serial/serial_port.h"
#include "platform/serial/telnet.h"

#include <string>

namespace serial {

class Rfc2217Client {
public:
    enum class Decision { Pending, Accepted, Refused };

    Rfc2217Client();

    // What the client sends first.
    telnet::Bytes Greeting();
    // Takes bytes from the server: serial data is appended to data, answers to the server's
    // requests to replies.
    void Receive(const std::uint8_t* in, std::size_t count, telnet::Bytes& data,
                 telnet::Bytes& replies);

    // Whether the server takes COM port control commands; and binary transmission towards it and
    // from it.
    Decision ComPortControl() const;
    Decision Binary() const;

    // The commands that set the server's line to these settings with no flow control, in the
    // recommended order (baud rate, data size, parity, stop size, then the flow control). Forgets
    // the answers to earlier settings.
    telnet::Bytes Configure(const LineSettings& line);
    // True once the server has answered every command of the last Configure.
    bool Answered() const;
    // What the server put in force that differs from what was asked, in words ("9600 baud
    // instead of 115200, 7 data bits instead of 8"); empty when it took every setting (or has not
    // answered yet).
    std::string Differences() const;

private:
    void OnSubnegotiation(const telnet::Bytes& payload);

    telnet::Reader m_reader;
    telnet::Negotiator m_negotiator;
    LineSettings m_asked;
    bool m_configuring = false;
    // The answers to the five settings, by command (1..5); -1 while missing.
    long m_answer[6] = {-1, -1, -1, -1, -1, -1};
};

} // namespace serial
