// The line to one generator, driven synchronously: a request is one frame written, and its
// reply is awaited by reading the port against a deadline and feeding the bytes to the console's
// reply framing. Every reply goes through the framing's general parser, so that its checksum and
// length are verified whatever the request was, and the console's address filter is applied. No
// thread, no window; one CLine per port.
#pragma once

#include "link/exchanges.h"
#include "link/frame.h"
#include "link/reply_framing.h"
#include "platform/serial/serial_port.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace client {

// What became of an exchange, as the exit codes of the command-line tools.
constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;     // usage error, or input the console itself refuses
constexpr int kExitNoAnswer = 3;  // no reply in time: a silent port, no generator
constexpr int kExitDifferent = 4; // the generator answered differently than asked
constexpr int kExitPort = 5;      // the port is missing, busy, not ours to use, or went away

// A failure that ends an exchange: its exit code and what to tell the user.
class CFailure : public std::runtime_error {
public:
    CFailure(int exitCode, const std::string& message)
        : std::runtime_error(message), m_nExit(exitCode) {}
    int ExitCode() const { return m_nExit; }

private:
    int m_nExit;
};

// The frame log: one line per frame sent and received (link/frame_log.h), times since the epoch.
class CFrameLog {
public:
    explicit CFrameLog(std::FILE* file = nullptr) : m_file(file) {}
    void Line(const char* direction, const std::uint8_t* bytes, std::size_t count,
              const std::string& note = std::string());

private:
    std::FILE* m_file;
};

// A reply frame that was awaited.
struct CReply {
    std::vector<std::uint8_t> abFrame;
    std::uint16_t Word() const;
    const std::uint8_t* Payload() const { return abFrame.data() + 9; }
    int PayloadSize() const { return static_cast<int>(abFrame.size()) - frame::kOverhead; }
};

// What a reply must be: its command word, at least so many payload bytes, whether it may come
// from any address (the search), and an optional test of its payload.
struct CAwait {
    std::uint16_t wWord = 0;
    int nMinPayload = 0;
    bool bAnyAddress = false;
    std::function<bool(const CReply&)> accept;
};

class CLine : private reply::Sink {
public:
    using Clock = std::chrono::steady_clock;

    // A reply must begin within the window and may then take this much more after each byte.
    static constexpr int kByteIntervalMs = exchange::kByteIntervalMs;
    // However busy the line, an exchange never waits longer than its window and this.
    static constexpr int kExtraLimitMs = 2000;

    CLine(frame::DeviceAddress address, int windowMs, CFrameLog& log)
        : m_address(address), m_nWindowMs(windowMs), m_log(log) {}

    // Opens and configures the device (115200 baud, 8N1, raw). name is what messages call the
    // port ("COM5", or the device path). The error when it does not open.
    serial::Error Open(const std::string& name, const std::string& device);
    void Close() { m_port.Close(); }
    const std::string& Name() const { return m_strName; }
    const std::string& Device() const { return m_strDevice; }
    int WindowMs() const { return m_nWindowMs; }

    // Sends one request frame (any input still queued is read and logged first). Throws a port
    // failure when the frame cannot be written.
    void Send(std::uint16_t word, const std::vector<std::uint8_t>& payload,
              const std::string& note = std::string());

    // Waits for the reply. True with it in reply; false when the window passed without one.
    bool Await(const CAwait& await, int windowMs, CReply& reply);

    // Sends and waits; a missing reply throws kExitNoAnswer, saying what was asked.
    CReply Exchange(std::uint16_t word, const std::vector<std::uint8_t>& payload,
                    const CAwait& await, const std::string& what);
    // A query of a one-byte item: the value it reports.
    std::uint8_t Query(std::uint16_t word, const std::string& what);

    // Why the frames seen during the last wait were not the reply, for a message ("" if none).
    std::string Ignored() const;

private:
    // reply::Sink
    reply::Expectation Expected() override { return reply::Expectation{}; }
    void OnFrame(const std::uint8_t* frame, int size) override;
    void OnDiscard(reply::Discard why, const std::uint8_t* bytes, int count) override;

    // Reads and logs what is queued, then drops what the framing held.
    void DrainInput();
    serial::Error ReadByte(Clock::time_point deadline, std::uint8_t& byte, bool& got);
    [[noreturn]] void PortFailure(const serial::Error& error);

    frame::DeviceAddress m_address;
    int m_nWindowMs;
    CFrameLog& m_log;
    serial::Port m_port;
    std::string m_strName;
    std::string m_strDevice;
    reply::CReplyFraming m_framing;

    const CAwait* m_pAwait = nullptr; // the reply being waited for
    bool m_bMatched = false;
    CReply* m_pReply = nullptr;
    int m_nBadChecksum = 0; // complete frames whose checksum does not add up
    int m_nBadLength = 0;   // frames with an impossible length, or too short for the reply
    int m_nIncomplete = 0;  // frames cut short by the end of the wait
    int m_nForeign = 0;     // from another address
    int m_nOtherFrames = 0; // well formed but not the reply
    int m_nNoiseBytes = 0;  // bytes of no frame
};

// "0x8061".
std::string WordText(std::uint16_t word);

} // namespace client
