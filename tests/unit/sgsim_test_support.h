// Helpers of the emulator tests: requests built with the console's own frame builder, and the
// acceptance rules of the console's reply parsers, to check the emulator's replies against.
#pragma once

#include "link/frame.h"
#include "tools/sgsim/emulator.h"

#include <cstdint>
#include <vector>

namespace sgsim_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Request(std::uint16_t word, Bytes payload = {}, frame::DeviceAddress address = {}) {
    Bytes out(payload.size() + frame::kOverhead);
    frame::BuildRequest(out.data(), address, word, payload.data(), payload.size());
    return out;
}

// Splits a byte stream of reply frames by their length fields.
inline std::vector<Bytes> SplitFrames(const Bytes& stream) {
    std::vector<Bytes> frames;
    std::size_t pos = 0;
    while (pos + 5 <= stream.size()) {
        const std::size_t size =
            static_cast<std::size_t>(stream[pos + 3] | (stream[pos + 4] << 8)) + 5;
        if (pos + size > stream.size())
            break;
        frames.emplace_back(stream.begin() + static_cast<long>(pos),
                            stream.begin() + static_cast<long>(pos + size));
        pos += size;
    }
    return frames;
}

inline std::uint8_t Sum(const Bytes& b) {
    std::uint8_t s = 0;
    for (std::uint8_t x : b)
        s = static_cast<std::uint8_t>(s + x);
    return s;
}

inline std::uint16_t Word(const Bytes& f) {
    return static_cast<std::uint16_t>(f[7] | (f[8] << 8));
}
inline int LengthField(const Bytes& f) {
    return f[3] | (f[4] << 8);
}

// What the general reply parser accepts: start byte, length high byte 0 or 1, length up to 500,
// the whole frame present, an 8-bit sum of zero.
inline bool GeneralParserAccepts(const Bytes& f) {
    return f.size() >= 10 && f[0] == 0xAB && f[4] <= 1 && LengthField(f) <= 500 &&
           f.size() == static_cast<std::size_t>(LengthField(f)) + 5 && Sum(f) == 0;
}

// The status read-back parser: 00 00, length 0x0006 (0x0019 for a record), the item's word; it
// takes the payload and ignores the checksum, but a correct one costs nothing to check too.
inline bool StatusParserAccepts(const Bytes& f, std::uint16_t word, bool record) {
    const std::size_t size = record ? 30 : 11;
    return f.size() == size && f[0] == 0xAB && f[1] == 0 && f[2] == 0 &&
           f[3] == (record ? 0x19 : 0x06) && f[4] == 0 && Word(f) == word && Sum(f) == 0;
}

} // namespace sgsim_test
