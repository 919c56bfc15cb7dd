// The 20-byte user timing record (little-endian 16-bit fields), as stored in the generator's ten
// user slots, reported for Auto, and carried by 0x00a0 / 0x80a0 / 0x80a1.
#pragma once

#include <array>
#include <cstdint>

struct UserTimingRecord {
    static constexpr int kSize = 20;
    static constexpr std::uint8_t kInterlaced = 0x01;
    static constexpr std::uint8_t kHsyncPositive = 0x02;
    static constexpr std::uint8_t kVsyncPositive = 0x04;

    std::uint8_t slot = 0;
    std::uint16_t pixelClock10kHz = 0; // MHz x 100, truncated
    std::uint8_t flags = 0;
    std::uint16_t hActive = 0;
    std::uint16_t hBlank = 0;
    std::uint16_t hsOffset = 0;
    std::uint16_t hsWidth = 0;
    std::uint16_t vActive = 0; // per field
    std::uint16_t vBlank = 0;  // per field
    std::uint16_t vsOffset = 0;
    std::uint16_t vsWidth = 0;

    using Bytes = std::array<std::uint8_t, kSize>;

    static UserTimingRecord FromBytes(const std::uint8_t* b) {
        auto le = [b](int i) { return static_cast<std::uint16_t>(b[i] | (b[i + 1] << 8)); };
        UserTimingRecord r;
        r.slot = b[0];
        r.pixelClock10kHz = le(1);
        r.flags = b[3];
        r.hActive = le(4);
        r.hBlank = le(6);
        r.hsOffset = le(8);
        r.hsWidth = le(10);
        r.vActive = le(12);
        r.vBlank = le(14);
        r.vsOffset = le(16);
        r.vsWidth = le(18);
        return r;
    }

    void ToBytes(std::uint8_t* b) const {
        auto put = [b](int i, std::uint16_t v) {
            b[i] = static_cast<std::uint8_t>(v & 0xFF);
            b[i + 1] = static_cast<std::uint8_t>(v >> 8);
        };
        b[0] = slot;
        put(1, pixelClock10kHz);
        b[3] = flags;
        put(4, hActive);
        put(6, hBlank);
        put(8, hsOffset);
        put(10, hsWidth);
        put(12, vActive);
        put(14, vBlank);
        put(16, vsOffset);
        put(18, vsWidth);
    }

    Bytes ToBytes() const {
        Bytes b{};
        ToBytes(b.data());
        return b;
    }

    bool Interlaced() const { return (flags & kInterlaced) != 0; }
    int HTotal() const { return hActive + hBlank; }
    int VTotal() const { return vActive + vBlank; }
};
