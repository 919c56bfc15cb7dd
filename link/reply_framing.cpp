// The reply framing of the console: start byte, length, the exact replies of the search, the
// status read-back and the EDID read, checksum, and resynchronisation after a bad or cut frame.
#include "link/reply_framing.h"

#include "link/frame.h"

#include <cstring>

namespace reply {

namespace {

constexpr int kAny = -1;

// Bytes 1..8 of a reply the specialised parsers expect: zeros, the length field, two address
// bytes taken as they come, the command word.
struct Header {
    int bytes[8];
};

Header SearchHeader() {
    return {{0x00, 0x00, 0x07, 0x00, kAny, kAny, 0x02, 0xF8}};
}

Header StatusHeader(const Expectation& e) {
    return {{0x00, 0x00, e.statusRecord ? 0x19 : 0x06, 0x00, kAny, kAny, e.statusWord & 0xFF,
             e.statusWord >> 8}};
}

Header EdidHeader(const Expectation& e) {
    return e.savedEdid ? Header{{0x00, 0x00, 0x06, 0x01, kAny, kAny, 0xAA, 0x80}}
                       : Header{{0x00, 0x00, 0x05, 0x01, kAny, kAny, 0x38, 0xB8}};
}

constexpr int kSearchSize = 11;     // header, payload 00 and the verdict byte (no checksum)
constexpr int kItemSize = 10;       // header and the value (its checksum comes after)
constexpr int kRecordSize = 30;     // header, 20 record bytes, checksum
constexpr int kSavedEdidSize = 267; // header, slot byte, 256 EDID bytes, checksum
constexpr int kSinkEdidSize = 266;  // header, 256 EDID bytes, checksum
constexpr int kRecordBytes = 20;
constexpr int kEdidBytes = 256;

} // namespace

const char* DiscardName(Discard why) {
    switch (why) {
    case Discard::BadChecksum:
        return "wrong checksum";
    case Discard::BadLength:
        return "impossible length";
    case Discard::Mismatch:
        return "not the awaited reply";
    case Discard::CutShort:
        return "cut short";
    case Discard::Abandoned:
        return "abandoned";
    case Discard::Noise:
        return "no frame";
    }
    return "?";
}

void CReplyFraming::Feed(std::uint8_t byte, Sink& sink, bool afterSilence) {
    if (afterSilence && m_nHeld > 0 && sink.Expected().parser == Parser::General)
        CutHere(sink);
    // Room for the bytes of a frame rejected on the way (Run puts them back in front).
    std::uint8_t pending[kBufferSize + 1];
    pending[0] = byte;
    Run(pending, 1, 0, sink);
}

void CReplyFraming::Transmitted(Sink& sink) {
    FlushNoise(sink);
    CutHere(sink);
}

void CReplyFraming::CutHere(Sink& sink) {
    // No frame spans the cut: a frame begun before it can only complete from the bytes already
    // held, so they are looked at again until none is left in progress.
    while (m_nHeld > 0) {
        sink.OnDiscard(Discard::CutShort, m_abFrame, m_nHeld);
        std::uint8_t pending[kBufferSize + 1];
        const int count = m_nHeld - 1;
        std::memcpy(pending, m_abFrame + 1, static_cast<std::size_t>(count));
        m_nHeld = 0;
        Run(pending, count, count, sink);
    }
}

void CReplyFraming::Reset(Sink* sink) {
    ++m_nGeneration; // a Run further up the stack drops what it has not looked at yet
    if (sink) {
        FlushNoise(*sink);
        if (m_nHeld > 0)
            sink->OnDiscard(Discard::Abandoned, m_abFrame, m_nHeld);
    }
    m_nHeld = 0;
    m_nNoise = 0;
}

void CReplyFraming::Run(std::uint8_t* pending, int count, int quiet, Sink& sink) {
    const unsigned generation = ++m_nGeneration;
    int head = 0;
    while (head < count) {
        const bool replayed = head < quiet;
        const std::uint8_t byte = pending[head++];
        const Expectation e = sink.Expected();
        if (m_nHeld == 0) {
            if (byte != kStart) {
                // Bytes of a frame already reported are not reported again as noise.
                if (!replayed) {
                    if (m_nNoise < kMaxNoise)
                        m_abNoise[m_nNoise] = byte;
                    ++m_nNoise;
                }
                continue;
            }
            FlushNoise(sink);
            if (m_nGeneration != generation)
                return;
            m_abFrame[0] = byte;
            m_nHeld = 1;
            m_nLength = 0;
            continue;
        }
        switch (Take(byte, e)) {
        case Step::Taken:
            break;
        case Step::Complete:
            Complete(e, sink);
            if (m_nGeneration != generation)
                return;
            break;
        case Step::Rejected: {
            sink.OnDiscard(m_reject, m_abFrame, m_nHeld);
            if (m_nGeneration != generation)
                return;
            // The bytes after the start byte go first: one of them may start the next reply.
            // A byte refused before it was stored goes back with them.
            const bool kept = m_bByteKept;
            const int again = m_nHeld - 1 + (kept ? 0 : 1);
            const int rest = count - head;
            std::memmove(pending + again, pending + head, static_cast<std::size_t>(rest));
            std::memcpy(pending, m_abFrame + 1, static_cast<std::size_t>(m_nHeld - 1));
            if (!kept)
                pending[again - 1] = byte;
            quiet = again + (quiet > head ? quiet - head : 0);
            count = again + rest;
            head = 0;
            m_nHeld = 0;
            break;
        }
        }
    }
}

CReplyFraming::Step CReplyFraming::Take(std::uint8_t byte, const Expectation& e) {
    switch (e.parser) {
    case Parser::General:
        return TakeGeneral(byte);
    case Parser::Search:
    case Parser::Status:
    case Parser::Edid:
        break;
    }
    const int index = m_nHeld; // index of this byte in the frame
    m_reject = Discard::Mismatch;
    // A frame begun under another parser may already be longer than this parser's reply.
    const int size = e.parser == Parser::Search   ? kSearchSize
                     : e.parser == Parser::Status ? (e.statusRecord ? kRecordSize : kItemSize)
                                                  : (e.savedEdid ? kSavedEdidSize : kSinkEdidSize);
    m_bByteKept = index < size;
    if (!m_bByteKept)
        return Step::Rejected;
    m_abFrame[m_nHeld++] = byte;
    const Header h = e.parser == Parser::Search   ? SearchHeader()
                     : e.parser == Parser::Status ? StatusHeader(e)
                                                  : EdidHeader(e);
    if (index <= 8) {
        const int want = h.bytes[index - 1];
        return want == kAny || want == byte ? Step::Taken : Step::Rejected;
    }
    switch (e.parser) {
    case Parser::Search:
        // Byte 9 is the first payload byte, 0x00; byte 10 the verdict.
        if (index == 9)
            return byte == 0x00 ? Step::Taken : Step::Rejected;
        return index + 1 == kSearchSize ? Step::Complete : Step::Taken;
    case Parser::Status:
        return index + 1 == (e.statusRecord ? kRecordSize : kItemSize) ? Step::Complete
                                                                       : Step::Taken;
    case Parser::Edid:
        // The saved form carries the slot first: 0..9, or read as a signed byte, below 10.
        if (e.savedEdid && index == 9 && static_cast<std::int8_t>(byte) >= 10)
            return Step::Rejected;
        return index + 1 == (e.savedEdid ? kSavedEdidSize : kSinkEdidSize) ? Step::Complete
                                                                           : Step::Taken;
    case Parser::General:
        break;
    }
    return Step::Rejected;
}

CReplyFraming::Step CReplyFraming::TakeGeneral(std::uint8_t byte) {
    const int index = m_nHeld;
    // Only a frame begun under another parser can reach the end of the buffer here.
    m_bByteKept = index < kBufferSize;
    if (!m_bByteKept) {
        m_reject = Discard::BadLength;
        return Step::Rejected;
    }
    m_abFrame[m_nHeld++] = byte;
    if (index == 3) {
        m_nLength = byte;
        return Step::Taken;
    }
    if (index == 4) {
        m_reject = Discard::BadLength;
        if (byte > 1)
            return Step::Rejected;
        m_nLength += byte * 256;
        // A length below 5 cannot hold the addresses, the command word and the checksum.
        return m_nLength > kMaxGeneralLength || m_nLength < kMinLength ? Step::Rejected
                                                                       : Step::Taken;
    }
    if (index < 5 || m_nHeld != m_nLength + 5)
        return Step::Taken;
    std::uint8_t sum = 0;
    for (int i = 0; i < m_nHeld; ++i)
        sum = static_cast<std::uint8_t>(sum + m_abFrame[i]);
    if (sum != 0) {
        m_reject = Discard::BadChecksum;
        return Step::Rejected;
    }
    return Step::Complete;
}

void CReplyFraming::Complete(const Expectation& e, Sink& sink) {
    // The frame is copied out before the callback: the sink may feed again from inside it.
    std::uint8_t frame[kBufferSize];
    const int size = m_nHeld;
    std::memcpy(frame, m_abFrame, static_cast<std::size_t>(size));
    m_nHeld = 0;
    if (e.parser != Parser::General)
        sink.OnReplyFrame(e.parser, frame, size);
    switch (e.parser) {
    case Parser::General:
        sink.OnFrame(frame, size);
        break;
    case Parser::Search:
        sink.OnSearchReply(frame[size - 1] == 0x00);
        break;
    case Parser::Status:
        if (e.statusRecord)
            sink.OnStatusRecord(frame::Payload(frame));
        else
            sink.OnStatusItem(frame[size - 1]);
        break;
    case Parser::Edid:
        // The saved form carries its slot byte before the image.
        sink.OnEdid(frame::Payload(frame) + (e.savedEdid ? 1 : 0), frame[size - 1]);
        break;
    }
    static_assert(kRecordSize == 9 + kRecordBytes + 1 && kSinkEdidSize == 9 + kEdidBytes + 1,
                  "reply layouts");
}

void CReplyFraming::FlushNoise(Sink& sink) {
    if (m_nNoise == 0)
        return;
    const int kept = m_nNoise < kMaxNoise ? m_nNoise : kMaxNoise;
    m_nNoise = 0;
    sink.OnDiscard(Discard::Noise, m_abNoise, kept);
}

} // namespace reply
