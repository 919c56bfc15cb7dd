// Hand-built EDID images for the decoder and file tests.
#pragma once

#include "edid/edid_decoder.h"
#include "support/os_support.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace edid_test {

using edid::Image;

inline void Put(Image& image, std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes)
        image.at(offset++) = b;
}

inline void PutText(Image& image, std::size_t offset, const char* text) {
    for (; *text; ++text)
        image.at(offset++) = static_cast<std::uint8_t>(*text);
}

// Sets the last byte of a 128-byte block so that the block sums to zero.
inline void FixChecksum(Image& image, std::size_t block) {
    unsigned sum = 0;
    for (std::size_t i = block * 128; i < block * 128 + 127; ++i)
        sum += image[i];
    image[block * 128 + 127] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

inline void FixChecksums(Image& image) {
    FixChecksum(image, 0);
    FixChecksum(image, 1);
}

// A base block with the header and nothing else; block 1 zero.
inline Image HeaderOnly() {
    Image image{};
    Put(image, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});
    return image;
}

// An 18-byte detailed timing: clock in 10 kHz units, active and blanking sizes.
inline void PutTiming(Image& image, std::size_t offset, unsigned clock, unsigned hActive,
                      unsigned hBlank, unsigned vActive, unsigned vBlank, bool interlaced) {
    Put(image, offset,
        {static_cast<std::uint8_t>(clock & 0xFF), static_cast<std::uint8_t>(clock >> 8),
         static_cast<std::uint8_t>(hActive & 0xFF), static_cast<std::uint8_t>(hBlank & 0xFF),
         static_cast<std::uint8_t>(((hActive >> 8) << 4) | (hBlank >> 8)),
         static_cast<std::uint8_t>(vActive & 0xFF), static_cast<std::uint8_t>(vBlank & 0xFF),
         static_cast<std::uint8_t>(((vActive >> 8) << 4) | (vBlank >> 8)), 0x58, 0x2C, 0x45, 0x00,
         0x50, 0x1D, 0x74, 0x00, 0x00, static_cast<std::uint8_t>(interlaced ? 0x9E : 0x1E)});
}

// A display descriptor: 00 00 00 tag 00 and 13 bytes of text (LF then blanks after it).
inline void PutDisplayText(Image& image, std::size_t offset, std::uint8_t tag, const char* text) {
    Put(image, offset, {0x00, 0x00, 0x00, tag, 0x00});
    std::size_t i = 0;
    for (; text[i] && i < 13; ++i)
        image.at(offset + 5 + i) = static_cast<std::uint8_t>(text[i]);
    if (i < 13)
        image.at(offset + 5 + i++) = 0x0A;
    for (; i < 13; ++i)
        image.at(offset + 5 + i) = 0x20;
}

// A 4K HDMI 2.0 television: 2160p60 preferred at 594 MHz, 1080p60, range limits, product name,
// and a CTA extension with video, audio, speaker, HDMI and HDMI Forum vendor blocks, a YCbCr
// 4:2:0 capability map, and two detailed timings (1080i60 and 720p60).
inline Image Television4K() {
    Image image = HeaderOnly();
    Put(image, 8, {0x2E, 0x74, 0x34, 0x12, 0x01, 0x00, 0x00, 0x00, 0x1A, 0x21, 0x01, 0x03, 0x80});
    PutTiming(image, 54, 59400, 3840, 560, 2160, 90, false);
    PutTiming(image, 72, 14850, 1920, 280, 1080, 45, false);
    Put(image, 90,
        {0x00, 0x00, 0x00, 0xFD, 0x00, 0x18, 0x4B, 0x0F, 0x87, 0x3C, 0x00, 0x0A, 0x20, 0x20, 0x20,
         0x20, 0x20, 0x20});
    PutDisplayText(image, 108, 0xFC, "KST 4K TV");
    image[126] = 1;

    Put(image, 128, {0x02, 0x03, 55, 0xF1});
    std::size_t at = 132;
    const std::initializer_list<std::uint8_t> blocks[] = {
        {0x48, 0x90, 0x04, 0x1F, 0x61, 0x60, 0x5F, 0x5D, 0x66},            // video
        {0x29, 0x09, 0x07, 0x07, 0x15, 0x07, 0x50, 0x57, 0x06, 0x03},      // audio
        {0x83, 0x01, 0x00, 0x00},                                          // speakers
        {0x70, 0x03, 0x0C, 0x00, 0x10, 0x00, 0xB8, 0x3C, 0xA0, 0x20, 0x20, // HDMI vendor
         0x80, 0x80, 0x01, 0x02, 0x03, 0x04},
        {0x67, 0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, 0x00}, // HDMI Forum vendor
        {0xE2, 0x0F, 0x18},                               // 4:2:0 capability map
    };
    for (const auto& block : blocks) {
        Put(image, at, block);
        at += block.size();
    }
    if (at != 128 + 55)
        throw std::logic_error("collection does not end at d");
    PutTiming(image, 128 + 55, 7425, 1920, 280, 540, 22, true);
    PutTiming(image, 128 + 73, 7425, 1280, 370, 720, 30, false);
    FixChecksums(image);
    return image;
}

// A DVI monitor without extension: 1920x1200 reduced blanking, serial number, range limits and
// product name; block 1 zero.
inline Image DviMonitor() {
    Image image = HeaderOnly();
    Put(image, 8, {0x12, 0xCD, 0x01, 0x00, 0x10, 0x20, 0x30, 0x40, 0x05, 0x1C, 0x01, 0x04, 0x80});
    PutTiming(image, 54, 15400, 1920, 160, 1200, 35, false);
    PutDisplayText(image, 72, 0xFF, "SN0012345");
    Put(image, 90,
        {0x00, 0x00, 0x00, 0xFD, 0x00, 0x38, 0x4C, 0x1E, 0x53, 0x11, 0x00, 0x0A, 0x20, 0x20, 0x20,
         0x20, 0x20, 0x20});
    PutDisplayText(image, 108, 0xFC, "DVI MON");
    FixChecksum(image, 0);
    return image;
}

// A valid base block (no descriptors but the header) that announces one CTA extension whose
// collection is given; d is set just after it unless given.
inline Image WithCollection(std::initializer_list<std::uint8_t> collection, int d = -1) {
    Image image = HeaderOnly();
    image[126] = 1;
    Put(image, 128, {0x02, 0x03, 0x00, 0x00});
    Put(image, 132, collection);
    image[130] = static_cast<std::uint8_t>(d >= 0 ? d : 4 + static_cast<int>(collection.size()));
    FixChecksums(image);
    return image;
}

// 256 bytes placed right before an inaccessible page, so that any read past the image faults
// even without a sanitizer (the page comes from the system's own call: os_posix.cpp, os_win.cpp).
class GuardedImage {
public:
    explicit GuardedImage(const Image& image)
        : m_block(testsupport::AllocateGuarded(edid::kImageSize)) {
        std::memcpy(m_block.bytes, image.data(), edid::kImageSize);
    }
    ~GuardedImage() { testsupport::FreeGuarded(m_block); }
    GuardedImage(const GuardedImage&) = delete;
    GuardedImage& operator=(const GuardedImage&) = delete;

    edid::ImageView View() const { return edid::ImageView::FromPointer(m_block.bytes); }

private:
    testsupport::GuardedBlock m_block;
};

} // namespace edid_test
