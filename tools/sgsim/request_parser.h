// Byte-by-byte assembly of request frames as the generator receives them. The parser hunts for
// the start byte 0xAA; a byte that breaks the frame layout, or a complete frame whose checksum is
// wrong, makes it look for a new start byte among the bytes after the failed one, so garbage
// before a good frame (a false 0xAA included) does not cost the frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace sgsim {

struct CRawFrame {
    std::vector<std::uint8_t> abBytes; // the whole frame, start byte to checksum
    bool bChecksumOk = false;
};

class CRequestParser {
public:
    // Largest length field accepted: a payload of up to 290 bytes.
    static constexpr int kMaxLength = 295;

    // Takes one received byte; frames completed by it (good or with a bad checksum) are
    // appended to out.
    void Feed(std::uint8_t byte, std::vector<CRawFrame>& out);

    // True while part of a frame has been collected.
    bool InFrame() const { return !m_abFrame.empty(); }

    // The line went quiet in mid-frame: give up the partial frame and look for a start byte
    // among its later bytes (which may complete frames into out).
    void Abandon(std::vector<CRawFrame>& out);

private:
    void Step(std::uint8_t byte, std::vector<CRawFrame>& out);
    void Fail();

    std::vector<std::uint8_t> m_abFrame;
    std::size_t m_nExpected = 0;         // frame size once the length field is known
    std::deque<std::uint8_t> m_abReplay; // bytes to look at again after a failure
};

} // namespace sgsim
