// The reply framing: cuts the bytes received from the generator into the replies the console
// waits for. One receive state serves the four parsers of the console: the general parser (any
// reply frame: start byte 0xAB, length, addresses, command word, payload, checksum) and the three
// that expect one exact reply of an exchange (the device search, the status read-back, the EDID
// read). Which one is in charge is asked of the sink before every byte.
//
// One bad frame costs at most itself: when a frame in progress turns out wrong (a checksum that
// does not add up, an impossible length, a byte a specialised parser does not expect) or is cut
// short (a quiet line, a transmission that purged the rest), the bytes after its start byte are
// looked at again, so the start of the next reply is never lost inside it.
//
// No window, no timer, no thread: bytes in, replies out, on the caller's thread. A sink may feed
// again from inside a callback (a message box whose event loop delivers more bytes); the outer
// call then drops what it had not looked at yet, which belongs to an older stream.
#pragma once

#include "link/frame.h"

#include <cstdint>

namespace reply {

enum class Parser { General, Search, Status, Edid };

// What the parser in charge expects of the next byte.
struct Expectation {
    Parser parser = Parser::General;
    bool savedEdid = false;       // Edid: the saved form (slot byte first), else the sink's EDID
    bool statusRecord = false;    // Status: a user timing record rather than one item value
    std::uint16_t statusWord = 0; // Status: the command word the reply must carry
};

enum class Discard {
    BadChecksum, // general: a complete frame whose 8-bit sum is not 0
    BadLength,   // general: length high byte above 1, or a length above 500 or below 5
    Mismatch,    // a specialised parser met a byte other than the one it waits for
    CutShort,    // the line went quiet, or a transmission purged the rest of the frame
    Abandoned,   // dropped by Reset: an exchange started or ended, the port changed
    Noise,       // bytes that were part of no frame
};

const char* DiscardName(Discard why);

class Sink {
public:
    virtual ~Sink() = default;
    virtual Expectation Expected() = 0;
    // Every reply a specialised parser completes, as it came (before its own callback below).
    virtual void OnReplyFrame(Parser /*parser*/, const std::uint8_t* /*frame*/, int /*size*/) {}
    // General parser: a complete frame whose checksum adds up (size = length field + 5).
    virtual void OnFrame(const std::uint8_t* /*frame*/, int /*size*/) {}
    virtual void OnSearchReply(bool /*found*/) {}
    virtual void OnStatusItem(std::uint8_t /*value*/) {}
    virtual void OnStatusRecord(const std::uint8_t* /*record20*/) {}
    // The 256 EDID bytes and the reply's last byte (not checked).
    virtual void OnEdid(const std::uint8_t* /*image256*/, std::uint8_t /*checksum*/) {}
    virtual void OnDiscard(Discard /*why*/, const std::uint8_t* /*bytes*/, int /*count*/) {}
};

class CReplyFraming {
public:
    static constexpr std::uint8_t kStart = frame::kReplyStart;
    static constexpr int kMaxGeneralLength = 500;
    static constexpr int kMinLength = 5; // addresses, command word and checksum
    static constexpr int kBufferSize = kMaxGeneralLength + 5;
    static constexpr int kMaxNoise = 64; // noise bytes kept for the report of a run

    // Takes one received byte. afterSilence: the line was quiet before it, so a general frame in
    // progress was cut short.
    void Feed(std::uint8_t byte, Sink& sink, bool afterSilence = false);
    // A transmission purged what had not been read: the frame in progress cannot complete; its
    // bytes after the start byte are looked at again.
    void Transmitted(Sink& sink);
    // Drops everything held (an exchange starts or is abandoned, the port changes).
    void Reset(Sink* sink = nullptr);

    // -1 while hunting for a start byte; s >= 0 when frame bytes 0..s have been taken.
    int State() const { return m_nHeld - 1; }
    // The frame bytes taken so far (State() + 1 of them).
    const std::uint8_t* Held() const { return m_abFrame; }

private:
    enum class Step { Taken, Complete, Rejected };
    Step Take(std::uint8_t byte, const Expectation& e);
    Step TakeGeneral(std::uint8_t byte);
    Step TakeSearch(std::uint8_t byte);
    Step TakeStatus(std::uint8_t byte, const Expectation& e);
    Step TakeEdid(std::uint8_t byte, const Expectation& e);
    // Processes the pending bytes (room for kBufferSize + 1); the bytes after the start byte of
    // a rejected frame go first. The first `quiet` bytes were part of a frame already reported.
    void Run(std::uint8_t* pending, int count, int quiet, Sink& sink);
    void Complete(const Expectation& e, Sink& sink);
    // The stream is cut here (a quiet line, a purge): nothing held may wait for later bytes.
    void CutHere(Sink& sink);
    void FlushNoise(Sink& sink);

    std::uint8_t m_abFrame[kBufferSize] = {};
    int m_nHeld = 0;   // bytes of the frame in progress, start byte included
    int m_nLength = 0; // general: the length field
    Discard m_reject = Discard::Mismatch;
    bool m_bByteKept = true; // whether a rejected byte was stored with its frame
    std::uint8_t m_abNoise[kMaxNoise] = {};
    int m_nNoise = 0; // noise bytes since the last frame start (only the first kMaxNoise kept)
    unsigned m_nGeneration = 0;
};

} // namespace reply
