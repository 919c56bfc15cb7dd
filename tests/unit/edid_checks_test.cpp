// The named checks: a clean EDID gives no finding, and each fault of a table, made in a clean
// EDID, gives its rule with its severity at its offset.
#include "edid/edid_checks.h"

#include "unit/edid_test_images.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace edid_test;
using edid::Severity;

// The television with the preferred timing bit set and unused standard timings coded 01 01:
// nothing to find.
Image Clean() {
    Image image = Television4K();
    image[24] = 0x0A;
    for (std::size_t i = 38; i < 54; ++i)
        image[i] = 0x01;
    FixChecksums(image);
    return image;
}

std::vector<edid::Finding> Check(const std::vector<std::uint8_t>& bytes) {
    const edid::EdidModel model = edid::DecodeEdidModel(bytes.data(), bytes.size());
    return edid::CheckEdidModel(model, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> Bytes(const Image& image) {
    return std::vector<std::uint8_t>(image.begin(), image.end());
}

std::string Describe(const std::vector<edid::Finding>& findings) {
    std::string text;
    for (const auto& f : findings)
        text += f.rule + " (" + edid::SeverityName(f.severity) + ", " + std::to_string(f.offset) +
                "): " + f.message + "\n";
    return text;
}

TEST(EdidChecks, CleanEdidsHaveNoFindings) {
    EXPECT_EQ(Describe(Check(Bytes(Clean()))), "");
    // The page's image of an EDID without extension: a zero second block is no finding.
    Image dvi = DviMonitor();
    dvi[24] = 0x0A;
    for (std::size_t i = 38; i < 54; ++i)
        dvi[i] = 0x01;
    FixChecksum(dvi, 0);
    EXPECT_EQ(Describe(Check(Bytes(dvi))), "");
    EXPECT_EQ(Describe(Check(std::vector<std::uint8_t>(dvi.begin(), dvi.begin() + 128))), "");
}

struct Fault {
    const char* name;
    std::function<std::vector<std::uint8_t>()> make;
    const char* rule;
    Severity severity;
    long offset;
};

// A clean image changed by f, checksums fixed unless keepSums.
std::function<std::vector<std::uint8_t>()> Changed(std::function<void(Image&)> f,
                                                   bool keepSums = false) {
    return [f, keepSums] {
        Image image = Clean();
        f(image);
        if (!keepSums)
            FixChecksums(image);
        return Bytes(image);
    };
}

// A CTA extension with the given collection behind a clean base block.
std::function<std::vector<std::uint8_t>()> Collection(std::vector<std::uint8_t> blocks) {
    return [blocks] {
        Image image = Clean();
        std::fill(image.begin() + 128, image.end(), 0);
        Put(image, 128, {0x02, 0x03, static_cast<std::uint8_t>(4 + blocks.size()), 0x00});
        std::copy(blocks.begin(), blocks.end(), image.begin() + 132);
        FixChecksums(image);
        return Bytes(image);
    };
}

const Severity E = Severity::kError;
const Severity W = Severity::kWarning;

class EdidCheckFault : public testing::TestWithParam<Fault> {};

TEST_P(EdidCheckFault, FoundWithItsRuleSeverityAndOffset) {
    const Fault& fault = GetParam();
    const std::vector<edid::Finding> findings = Check(fault.make());
    bool found = false;
    for (const auto& f : findings)
        found = found || (f.rule == fault.rule && f.severity == fault.severity &&
                          (fault.offset < 0 || f.offset == fault.offset));
    EXPECT_TRUE(found) << fault.name << ": no " << fault.rule << " at " << fault.offset
                       << " among:\n"
                       << Describe(findings);
    EXPECT_EQ(edid::HasErrors(findings), fault.severity == E) << Describe(findings);
}

const Fault kFaults[] = {
    {"short", [] { return std::vector<std::uint8_t>(100, 0); }, "size", E, 0},
    {"partial block",
     [] {
         Image i = Clean();
         i[126] = 0;
         FixChecksums(i);
         auto b = Bytes(i);
         b.resize(200);
         return b;
     },
     "trailing-bytes", W, 128},
    {"header", Changed([](Image& i) { i[7] = 0x01; }), "header", E, 0},
    {"base checksum", Changed([](Image& i) { i[127] ^= 1; }, true), "checksum", E, 127},
    {"extension checksum", Changed([](Image& i) { i[255] ^= 1; }, true), "checksum", E, 255},
    {"extension missing",
     [] {
         auto b = Bytes(Clean());
         b.resize(128);
         return b;
     },
     "extension-count", E, 126},
    {"extension not announced", Changed([](Image& i) { i[126] = 0; }), "unannounced-block", W, 128},
    {"version", Changed([](Image& i) { i[19] = 7; }), "version", W, 18},
    {"manufacturer", Changed([](Image& i) { i[8] = 0; }), "manufacturer", W, 8},
    {"week", Changed([](Image& i) { i[16] = 60; }), "date", W, 16},
    {"standard timing filler", Changed([](Image& i) {
         i[40] = 0;
         i[41] = 0;
     }),
     "standard-timing", W, 40},
    {"preferred flag", Changed([](Image& i) { i[24] = 0x08; }), "preferred-timing-flag", W, 24},
    {"preferred missing", Changed([](Image& i) { PutDisplayText(i, 54, 0xFE, "X"); }),
     "preferred-timing", E, 54},
    {"preferred zero", Changed([](Image& i) { PutTiming(i, 54, 100, 0, 10, 0, 10, false); }),
     "preferred-timing", E, 54},
    {"porches overrun", Changed([](Image& i) {
         i[72 + 8] = 0xFF;
         i[72 + 11] = 0xC0;
     }),
     "detailed-timing", E, 72},
    {"name without line feed", Changed([](Image& i) { i[108 + 5 + 9] = 0x20; }), "descriptor-text",
     W, 108},
    {"name padded with zeros", Changed([](Image& i) { i[108 + 5 + 10] = 0x00; }), "descriptor-text",
     W, 108 + 15},
    {"name missing", Changed([](Image& i) { i[108 + 3] = 0xFE; }), "display-name-missing", W, 54},
    {"range limits missing", Changed([](Image& i) { i[90 + 3] = 0x10; }), "range-limits-missing", W,
     54},
    {"range limits upside down", Changed([](Image& i) { i[95] = 80; }), "range-limits", W, 90},
    {"timing above the clock limit", Changed([](Image& i) { i[99] = 10; }), "timing-outside-range",
     W, 54},
    {"descriptor reserved byte", Changed([](Image& i) { i[90 + 2] = 1; }), "display-descriptor", W,
     90},
    {"extension tag", Changed([](Image& i) { i[128] = 0x33; }), "extension-tag", W, 128},
    {"CTA revision", Changed([](Image& i) { i[129] = 9; }), "cta-revision", W, 129},
    {"d inside the header", Changed([](Image& i) { i[130] = 2; }), "cta-dtd-offset", E, 130},
    {"data block past d", Changed([](Image& i) { i[128 + 52] = 0xE5; }), "cta-data-block-overrun",
     E, 128 + 52},
    {"timing past the checksum", Changed([](Image& i) {
         i[130] = 120;
         i[248] = 1;
     }),
     "cta-dtd-overrun", E, 248},
    {"padding", Changed([](Image& i) { i[128 + 100] = 0x55; }), "cta-padding", W, 228},
    {"reserved SVD", Changed([](Image& i) { i[134] = 0x80; }), "cta-vic-range", E, 134},
    {"undefined VIC", Changed([](Image& i) { i[134] = 220; }), "cta-vic-range", E, 134},
    {"duplicate VIC", Changed([](Image& i) { i[134] = 16; }), "cta-svd-duplicate", W, 134},
    {"HDMI VIC", Changed([](Image& i) { i[168] = 9; }), "cta-vic-range", E, 155},
    {"4:2:0 VIC", Collection({0xE2, 0x0E, 0xFF}), "cta-vic-range", E, 134},
    {"audio length", Collection({0x24, 0x09, 0x07, 0x07, 0x00}), "cta-block-length", E, 132},
    {"speaker length", Collection({0x82, 0x01, 0x00}), "cta-block-length", E, 132},
    {"HDMI block short", Collection({0x64, 0x03, 0x0C, 0x00, 0x10}), "cta-block-length", E, 132},
    {"HDMI fields past the block",
     Collection({0x68, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x00, 0x00, 0xA0}), "cta-block-length", E,
     132},
    {"colorimetry length", Collection({0xE2, 0x05, 0xC0}), "cta-block-length", E, 132},
    {"HDR length", Collection({0xE2, 0x06, 0x05}), "cta-block-length", E, 132},
    {"HDMI Forum short", Collection({0x65, 0xD8, 0x5D, 0xC4, 0x01, 0x78}), "cta-block-length", E,
     132},
    {"HDMI Forum alone", Collection({0x67, 0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, 0x00}),
     "hdmi-forum-without-hdmi", W, 132},
    {"HDMI clock", Changed([](Image& i) { i[162] = 0x48; }), "hdmi-max-tmds", W, 155},
    {"HDMI Forum clock", Changed([](Image& i) { i[177] = 0x40; }), "hdmi-max-tmds", W, 172},
    {"audio format 0", Collection({0x23, 0x01, 0x07, 0x07}), "cta-sad", W, 133},
    {"4:2:0 map past the SVDs", Collection({0x41, 0x90, 0xE2, 0x0F, 0x02}), "y420-capability-map",
     W, 134},
};

INSTANTIATE_TEST_SUITE_P(Table, EdidCheckFault, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<Fault>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

} // namespace
