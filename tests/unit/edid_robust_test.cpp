// Decoder on bad input: every image lies right before an inaccessible page, so a read past the
// 256 bytes faults even without a sanitizer. Also what is printed where a structure runs off the
// end of the image.
#include "edid/edid_decoder.h"

#include "unit/edid_test_images.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using namespace edid_test;

edid::Decoded DecodeGuarded(const Image& image) {
    GuardedImage guarded(image);
    edid::Decoded d = edid::ValidateAndDecode(guarded.View());
    const edid::Decoded opened = edid::DecodeWithoutValidation(guarded.View());
    if (!d.hexDump.empty()) {
        EXPECT_EQ(opened.video, d.video);
        EXPECT_EQ(opened.general, d.general);
    }
    return d;
}

// Skips the collection forward with reserved-tag blocks of the given lengths.
Image Chain(std::initializer_list<std::uint8_t> lengths, std::size_t& next) {
    Image image = HeaderOnly();
    image[126] = 1;
    Put(image, 128, {0x02, 0x03, 0xFF, 0x00});
    next = 132;
    for (std::uint8_t length : lengths) {
        image[next] = length; // tag 0
        next += length + 1u;
    }
    return image;
}

TEST(EdidRobust, EveryExtensionOffsetWithEveryFillByte) {
    // The collection bytes all equal: every tag, every length 0..31, chained to the image end.
    for (int fill = 0; fill < 256; ++fill) {
        Image image = HeaderOnly();
        image[126] = 1;
        image[128] = 0x02;
        for (std::size_t i = 131; i < 256; ++i)
            image[i] = static_cast<std::uint8_t>(fill);
        for (int d = 0; d < 256; d += (fill % 16 == 0) ? 1 : 17) {
            image[130] = static_cast<std::uint8_t>(d);
            const edid::Decoded decoded = DecodeGuarded(image);
            ASSERT_FALSE(decoded.general.empty()) << fill << " " << d;
        }
    }
}

TEST(EdidRobust, RandomImages) {
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < 20000; ++n) {
        Image image{};
        for (auto& b : image)
            b = static_cast<std::uint8_t>(byte(random));
        if (n % 4 != 3) {
            Put(image, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});
            image[128] = 0x02;
            image[126] |= static_cast<std::uint8_t>(n % 2);
        }
        if (n % 8 == 0)
            FixChecksums(image);
        DecodeGuarded(image);
    }
}

TEST(EdidRobust, TruncatedAndCorruptedRealisticImages) {
    const Image tv = Television4K();
    for (std::size_t length = 0; length <= 256; ++length) {
        Image cut;
        cut.fill(0xFF);
        std::copy(tv.begin(), tv.begin() + length, cut.begin());
        DecodeGuarded(cut);
    }
    for (std::size_t i = 0; i < 256; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            Image flipped = tv;
            flipped[i] ^= static_cast<std::uint8_t>(1u << bit);
            DecodeGuarded(flipped);
        }
    }
}

TEST(EdidRobust, ExtendedBlockHeaderInTheLastByte) {
    std::size_t at = 0;
    Image image = Chain({31, 31, 31, 26}, at);
    ASSERT_EQ(at, 255u);
    image[255] = 0xE5; // tag 7: its code byte would be the first byte after the image
    const edid::Decoded d = DecodeGuarded(image);
    EXPECT_EQ(d.general.substr(d.general.size() - 6), "\r\n\r\n\r\n");
    EXPECT_EQ(d.general.find("Y420"), std::string::npos);
}

TEST(EdidRobust, VendorBlockRunningOffTheEnd) {
    std::size_t at = 0;
    Image image = Chain({31, 31, 31, 19}, at);
    ASSERT_EQ(at, 248u);
    image[248] = 0x7F; // vendor block, L = 31
    image[254] = 0x78; // deep colour byte inside; the byte 8 would be outside
    std::string g = DecodeGuarded(image).general;
    EXPECT_NE(g.find("Deep Color:\r\n48Bit 36Bit 30Bit \r\nYCbCr444 DeepColor:support\r\n"
                     "3D video:not support\r\n\r\n"),
              std::string::npos)
        << g;

    image = Chain({31, 31, 31, 11}, at);
    ASSERT_EQ(at, 240u);
    Put(image, 240,
        {0x7F, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x00, 0x3C, 0x20, 0x80, 0xE0, 0x01, 0x02, 0x03, 0x04,
         0x01});
    g = DecodeGuarded(image).general;
    // Seven HDMI VICs announced, five bytes left in the image.
    EXPECT_NE(g.find("3D video:support\r\n\r\nExtended Resolution(4Kx2K):\r\n4Kx2K@30Hz\r\n"
                     "4Kx2K@25Hz\r\n4Kx2K@24Hz\r\n4Kx2K@24Hz(SMPTE)\r\n4Kx2K@30Hz\r\n\r\n"),
              std::string::npos)
        << g;
}

TEST(EdidRobust, AudioDescriptorThatDoesNotFitIsDropped) {
    std::size_t at = 0;
    Image image = Chain({31, 31, 31, 24}, at);
    ASSERT_EQ(at, 253u);
    Put(image, 253, {0x3F, 0x09, 0x07});
    EXPECT_EQ(DecodeGuarded(image).audio, "\r\n");
}

TEST(EdidRobust, CapabilityBitmapPastTheImage) {
    Image image = WithCollection({0xFF, 0x0F}, 255);
    for (std::size_t i = 134; i < 164; ++i)
        image[i] = 0xFF; // every bit set: descriptors 0..239, most of them past the image
    int named = 0;
    for (std::size_t i = 133; i < 256; ++i)
        named += edid::SvdName(image[i] & 0x7F) ? 1 : 0;
    const std::string g = DecodeGuarded(image).general;
    const std::size_t list = g.find("Y420CMDB Descripter :\r\n");
    ASSERT_NE(list, std::string::npos);
    int lines = 0;
    for (std::size_t p = g.find("\r\n", list) + 2; p < g.size(); p = g.find("\r\n", p) + 2)
        ++lines;
    EXPECT_EQ(lines - 1, named); // the last line is the closing empty one
}

} // namespace
