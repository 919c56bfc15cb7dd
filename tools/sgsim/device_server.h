// The serial device server's side of one TCP connection, without the socket: how the emulated
// generator's line reaches a client. Raw, the bytes pass as they are. With the COM port control
// option, the stream is Telnet: a 0xFF of the line travels doubled both ways, the server takes
// binary transmission, go-ahead suppression and the COM port option and refuses every other
// option, and it answers each COM port command with the value it put in force. Windows builds it
// too, for tests that serve the emulator over TCP there.
#pragma once

#include "platform/serial/telnet.h"
#include "tools/sgsim/generator.h"

#include <cstdint>
#include <string>

namespace sgsim {

class CDeviceServerSession {
public:
    // fixedBaud > 0: the server's line stays at that rate, and every baud rate request is
    // answered with it, as by a server whose port is set by hand.
    explicit CDeviceServerSession(bool rfc2217, int fixedBaud = 0);

    // Bytes from the client: the line's data is appended to data, what the server answers to
    // replies.
    void Receive(const std::uint8_t* in, std::size_t count, FrameBytes& data, FrameBytes& replies);
    // The line's data on its way to the client, appended to out as it goes on the connection.
    void Send(const std::uint8_t* data, std::size_t count, FrameBytes& out) const;

    bool Telnet() const { return m_bRfc2217; }
    // The line's settings in force: baud rate, and the data size, parity, stop size and flow
    // control codes of the COM port option.
    int Baud() const { return m_nBaud; }
    std::uint8_t DataSize() const { return m_nDataSize; }
    std::uint8_t Parity() const { return m_nParity; }
    std::uint8_t StopSize() const { return m_nStopSize; }
    std::uint8_t Flow() const { return m_nFlow; }

private:
    void OnComPort(const FrameBytes& payload, FrameBytes& replies);

    bool m_bRfc2217;
    int m_nFixedBaud;
    int m_nBaud = 115200;
    std::uint8_t m_nDataSize = 8;
    std::uint8_t m_nParity = serial::telnet::comport::kParityNone;
    std::uint8_t m_nStopSize = 1;
    std::uint8_t m_nFlow = serial::telnet::comport::kControlNoFlow;
    serial::telnet::Reader m_reader;
    serial::telnet::Negotiator m_negotiator;
};

} // namespace sgsim
