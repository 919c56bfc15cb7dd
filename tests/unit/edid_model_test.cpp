// The EDID model: every field of a full HDMI 2.0 television decoded, where the data block walk
// and the descriptor list stop, and that no image and no length makes the decoder or the checks
// read outside the bytes given.
#include "edid/edid_checks.h"
#include "edid/edid_model.h"

#include "unit/edid_test_images.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

using namespace edid_test;

std::vector<unsigned> Vics(const std::vector<edid::ShortVideo>& svds) {
    std::vector<unsigned> vics;
    for (const auto& s : svds)
        vics.push_back(s.vic);
    return vics;
}

TEST(EdidModel, TelevisionDecodedField) {
    const edid::EdidModel m = edid::DecodeEdidModel(Television4K());
    EXPECT_STREQ(m.manufacturer, "KST");
    EXPECT_EQ(m.productCode, 0x1234u);
    EXPECT_EQ(m.serialNumber, 1u);
    EXPECT_EQ(m.week, 26u);
    EXPECT_EQ(m.year, 2023u);
    EXPECT_EQ(m.versionMajor * 10 + m.versionMinor, 13u);
    EXPECT_TRUE(m.digital);
    EXPECT_EQ(m.productName, "KST 4K TV");
    ASSERT_TRUE(m.hasRangeLimits);
    EXPECT_EQ(m.rangeLimits.vMinHz, 24u);
    EXPECT_EQ(m.rangeLimits.hMaxKhz, 135u);
    EXPECT_EQ(m.rangeLimits.maxPixelClockMhz, 600u);

    // Base block: 2160p60 (preferred) and 1080p60; extension: 1080i60 and 720p60.
    ASSERT_TRUE(m.hasPreferredTiming);
    ASSERT_EQ(m.detailedTimings.size(), 4u);
    const edid::DetailedTiming& p = m.detailedTimings[0];
    EXPECT_EQ(p.offset, 54u);
    EXPECT_EQ(p.pixelClock10kHz, 59400u);
    EXPECT_EQ(p.hActive, 3840u);
    EXPECT_EQ(p.hFrontPorch, 88u);
    EXPECT_EQ(p.hSync, 44u);
    EXPECT_EQ(p.HBackPorch(), 428);
    EXPECT_EQ(p.vFrontPorch, 4u);
    EXPECT_EQ(p.vSync, 5u);
    EXPECT_EQ(p.widthMm, 1872u);
    EXPECT_EQ(p.heightMm, 1053u);
    EXPECT_TRUE(p.hsyncPositive && p.vsyncPositive);
    EXPECT_DOUBLE_EQ(p.HFreqKhz(), 135.0);
    EXPECT_DOUBLE_EQ(p.VFreqHz(), 60.0);
    // 1080i: 562 lines a field, 1125 a frame, so exactly 60 fields a second.
    const edid::DetailedTiming& i = m.detailedTimings[2];
    EXPECT_EQ(i.block, 1u);
    EXPECT_EQ(i.offset, 128u + 55);
    EXPECT_TRUE(i.interlaced);
    EXPECT_EQ(i.vActive, 540u);
    EXPECT_NEAR(i.VFreqHz(), 60.0, 1e-9);
    EXPECT_EQ(m.detailedTimings[3].hActive, 1280u);

    ASSERT_EQ(m.extensions.size(), 1u);
    const edid::CtaExtension* cta = m.FirstCta();
    ASSERT_NE(cta, nullptr);
    EXPECT_EQ(cta->revision, 3u);
    EXPECT_TRUE(cta->basicAudio && cta->ycbcr444 && cta->ycbcr422 && cta->underscan);
    EXPECT_EQ(cta->nativeDtds, 1u);
    EXPECT_EQ(Vics(cta->svds), (std::vector<unsigned>{16, 4, 31, 97, 96, 95, 93, 102}));
    EXPECT_TRUE(cta->svds[0].native);
    EXPECT_FALSE(cta->svds[1].native);

    ASSERT_EQ(cta->sads.size(), 3u);
    EXPECT_EQ(cta->sads[0].format, 1u);
    EXPECT_EQ(cta->sads[0].channels, 2u);
    EXPECT_EQ(cta->sads[0].rates, 0x07u);
    EXPECT_EQ(cta->sads[0].sizes, 0x07u);
    EXPECT_EQ(cta->sads[1].format, 2u);
    EXPECT_EQ(cta->sads[1].channels, 6u);
    EXPECT_EQ(cta->sads[1].maxBitrateKbps, 640u);
    EXPECT_EQ(cta->sads[2].format, 10u);
    EXPECT_EQ(cta->sads[2].channels, 8u);
    EXPECT_TRUE(cta->hasSpeakers);
    EXPECT_EQ(cta->speakers, 0x01u);

    ASSERT_TRUE(cta->hasHdmi);
    EXPECT_EQ(cta->hdmi.physicalAddress, 0x1000u);
    EXPECT_TRUE(cta->hdmi.supportsAi && cta->hdmi.deepColor36 && cta->hdmi.deepColor30 &&
                cta->hdmi.deepColorY444);
    EXPECT_FALSE(cta->hdmi.deepColor48);
    EXPECT_EQ(cta->hdmi.maxTmdsClockMhz, 300u);
    EXPECT_TRUE(cta->hdmi.threeD);
    EXPECT_EQ(cta->hdmi.hdmiVics, (std::vector<unsigned>{1, 2, 3, 4}));
    ASSERT_TRUE(cta->hasHdmiForum);
    EXPECT_EQ(cta->hdmiForum.maxTmdsCharacterRateMhz, 600u);
    EXPECT_TRUE(cta->hdmiForum.scdcPresent);
    // The map's bits 3 and 4 stand for the fourth and fifth SVD.
    ASSERT_TRUE(cta->hasY420CapabilityMap);
    EXPECT_EQ(cta->y420CapabilityMap.svdIndexes, (std::vector<unsigned>{3, 4}));
    EXPECT_EQ(cta->dataBlocks.size(), 6u);
}

TEST(EdidModel, SvdCodes) {
    EXPECT_EQ(edid::DecodeSvd(0x90).vic, 16u);
    EXPECT_TRUE(edid::DecodeSvd(0x90).native);
    EXPECT_EQ(edid::DecodeSvd(64).vic, 64u);
    EXPECT_EQ(edid::DecodeSvd(96).vic, 96u); // 65..127 carry no native flag
    EXPECT_FALSE(edid::DecodeSvd(96).native);
    EXPECT_EQ(edid::DecodeSvd(200).vic, 200u);
    EXPECT_FALSE(edid::DecodeSvd(200).native);
    for (unsigned reserved : {0u, 128u, 254u, 255u})
        EXPECT_EQ(edid::DecodeSvd(reserved).vic, 0u) << reserved;
}

TEST(EdidModel, DataBlockCutAtTheCollectionEnd) {
    // A video block of 5 SVDs whose collection ends (d) after three of them, then extended
    // blocks of every length the colorimetry, HDR and 4:2:0 decoders must bound.
    Image image = WithCollection({0x45, 0x10, 0x04, 0x1F, 0x61, 0x60}, 8);
    edid::EdidModel m = edid::DecodeEdidModel(image);
    ASSERT_EQ(m.FirstCta()->dataBlocks.size(), 1u);
    EXPECT_TRUE(m.FirstCta()->dataBlocks[0].cut);
    EXPECT_EQ(Vics(m.FirstCta()->svds), (std::vector<unsigned>{16, 4, 31}));

    image = WithCollection({0xE1, 0x06, 0xE1, 0x05, 0xE1, 0x0E, 0xE1, 0x0F});
    m = edid::DecodeEdidModel(image);
    const edid::CtaExtension& cta = *m.FirstCta();
    EXPECT_TRUE(cta.hasHdrStaticMetadata && cta.hasColorimetry && cta.hasY420CapabilityMap);
    EXPECT_FALSE(cta.hdrStaticMetadata.hasMaxLuminance);
    EXPECT_TRUE(cta.y420CapabilityMap.allSvds);
    EXPECT_TRUE(cta.y420Vics.empty());
}

TEST(EdidModel, ExtensionsAsTheBytesHoldThem) {
    // Three blocks: the count says 2; a shorter buffer holds fewer; a count of 0 ignores the rest.
    std::vector<std::uint8_t> bytes(3 * 128, 0);
    const Image tv = Television4K();
    std::copy(tv.begin(), tv.end(), bytes.begin());
    std::copy(tv.begin() + 128, tv.end(), bytes.begin() + 256);
    bytes[126] = 2;
    EXPECT_EQ(edid::DecodeEdidModel(bytes.data(), bytes.size()).extensions.size(), 2u);
    EXPECT_EQ(edid::DecodeEdidModel(bytes.data(), 300).extensions.size(), 1u);
    EXPECT_EQ(edid::DecodeEdidModel(bytes.data(), 300).detailedTimings.size(), 4u);
    bytes[126] = 0;
    EXPECT_TRUE(edid::DecodeEdidModel(bytes.data(), bytes.size()).extensions.empty());
    EXPECT_EQ(edid::DecodeEdidModel(bytes.data(), 127).blocks, 0u);
}

// Decodes and checks the bytes at the very end of readable memory; every finding must name a
// rule, a message and an offset inside the bytes.
void DecodeAndCheckGuarded(const std::uint8_t* source, std::size_t size) {
    testsupport::GuardedBlock block = testsupport::AllocateGuarded(size ? size : 1);
    std::uint8_t* bytes = block.bytes + (size ? 0 : 1);
    std::copy(source, source + size, bytes);
    const edid::EdidModel m = edid::DecodeEdidModel(bytes, size);
    for (const edid::Finding& f : edid::CheckEdidModel(m, bytes, size)) {
        EXPECT_FALSE(f.rule.empty());
        EXPECT_FALSE(f.message.empty()) << f.rule;
        EXPECT_LT(f.offset, static_cast<long>(size > 0 ? size : 1)) << f.rule;
    }
    testsupport::FreeGuarded(block);
}

TEST(EdidModel, NoReadOutsideTheBytesForAnyLayout) {
    // Every d with every fill byte of the extension, then random images at every short length.
    for (int fill : {0x00, 0x1F, 0x3F, 0x67, 0x7F, 0xE3, 0xFF}) {
        Image image = HeaderOnly();
        image[126] = 1;
        image[128] = 0x02;
        image[129] = 0x03;
        for (std::size_t i = 131; i < 256; ++i)
            image[i] = static_cast<std::uint8_t>(fill);
        for (int d = 0; d < 256; ++d) {
            image[130] = static_cast<std::uint8_t>(d);
            DecodeAndCheckGuarded(image.data(), image.size());
        }
    }
    std::mt19937 random(26);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> bytes(3 * 128);
    for (int n = 0; n < 3000; ++n) {
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(byte(random));
        const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
        std::copy(header, header + 8, bytes.begin());
        bytes[126] = static_cast<std::uint8_t>(n % 4);
        bytes[128] = 0x02;
        bytes[129] = 0x03;
        DecodeAndCheckGuarded(bytes.data(), 1 + static_cast<std::size_t>(n) % bytes.size());
    }
}

} // namespace
