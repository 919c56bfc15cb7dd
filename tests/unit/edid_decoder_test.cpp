// Decoder: full texts of hand-built EDIDs, status texts, and the fixed rules of the reports.
#include "edid/edid_decoder.h"

#include "unit/edid_test_images.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace edid_test;

TEST(EdidGolden, Television4KAllFiveTexts) {
    const Image image = Television4K();
    const edid::Decoded d = edid::ValidateAndDecode(image);

    EXPECT_EQ(d.status, "HDMI EDID\rcheck sum Ok !");
    EXPECT_EQ(d.hexDump.size(), 768u);
    EXPECT_EQ(d.hexDump.substr(0, 30), "00 FF FF FF FF FF FF 00 2E 74 ");
    EXPECT_EQ(d.hexDump.substr(3 * 128, 12), "02 03 37 F1 ");

    EXPECT_EQ(d.video, "Preferred Timing:3840x2160@60Hz\r\n"
                       "Detailed Timing:1920x1080@60Hz\r\n"
                       "Extension Detailed Timing1:1920x1080i@60Hz\r\n"
                       "Extension Detailed Timing2:1280x720@60Hz\r\n"
                       "\r\n"
                       "Short Video Descripter\r\n"
                       "1920x1080p@60Hz  16:9  Native\r\n"
                       "1280x720p@60Hz  16:9\r\n"
                       "1920x1080p@50Hz  16:9\r\n"
                       "3840x2160p@60Hz  16:9\r\n"
                       "3840x2160p@50Hz  16:9\r\n"
                       "3840x2160p@30Hz  16:9\r\n"
                       "3840x2160p@24Hz  16:9\r\n"
                       "4096x2160p@60Hz  256:135\r\n"
                       "\r\n");

    EXPECT_EQ(d.audio, "Audio Format:LPCM.\r\n"
                       "Audio Channel(s):2\r\n"
                       "Sample Frequency:\r\n"
                       "48KHz\r\n"
                       "44.1KHz\r\n"
                       "32KHz\r\n"
                       "\r\n"
                       "Sample Bit:\r\n"
                       "24Bit \r\n"
                       "20Bit \r\n"
                       "16Bit \r\n"
                       "\r\n"
                       "\r\n"
                       "Audio Format:AC-3.\r\n"
                       "Audio Channel(s):6\r\n"
                       "Sample Frequency:\r\n"
                       "48KHz\r\n"
                       "44.1KHz\r\n"
                       "32KHz\r\n"
                       "\r\n"
                       "\r\n"
                       // the size bits are looked at for every format
                       "Audio Format:Dolby D+.\r\n"
                       "Audio Channel(s):8\r\n"
                       "Sample Frequency:\r\n"
                       "48KHz\r\n"
                       "44.1KHz\r\n"
                       "\r\n"
                       "Sample Bit:\r\n"
                       "20Bit \r\n"
                       "16Bit \r\n"
                       "\r\n"
                       "\r\n"
                       "\r\n");

    EXPECT_EQ(d.general, "\r\n"
                         "Manufacture's Name:KST\r\n"
                         "Product Code:4660\r\n"
                         "Video Signal Interface:Digtal\r\n"
                         "Color Bit Depth:Reserved\r\n"
                         "Display Product Name:KST 4K TV    \r\n"
                         "Vertical Rate:24Hz--75Hz\r\n"
                         "Horizontal Rate:15KHz--135KHz\r\n"
                         "Maximum Pixel Clock:600MHz\r\n"
                         "Extension Device Support:\r\n"
                         "Base Audio\r\n"
                         "YCbCr4:4:4\r\n"
                         "YCbCr4:2:2\r\n"
                         "\r\n"
                         "Native Timings:1\r\n"
                         "Deep Color:\r\n"
                         "36Bit 30Bit \r\n"
                         "YCbCr444 DeepColor:support\r\n"
                         "3D video:support\r\n"
                         "\r\n"
                         "Extended Resolution(4Kx2K):\r\n"
                         "4Kx2K@30Hz\r\n"
                         "4Kx2K@25Hz\r\n"
                         "4Kx2K@24Hz\r\n"
                         "4Kx2K@24Hz(SMPTE)\r\n"
                         "\r\n"
                         "Y420CMDB Descripter :\r\n"
                         "3840x2160p@60Hz  16:9\r\n"
                         "3840x2160p@50Hz  16:9\r\n"
                         "\r\n");
}

TEST(EdidGolden, DviMonitorHasNoExtensionLines) {
    const edid::Decoded d = edid::ValidateAndDecode(DviMonitor());
    EXPECT_EQ(d.status, "DVI EDID");
    EXPECT_EQ(d.video, "Preferred Timing:1920x1200@60Hz\r\n\r\n");
    EXPECT_EQ(d.audio, "\r\n");
    EXPECT_EQ(d.general, "\r\n"
                         "Manufacture's Name:DVM\r\n"
                         "Product Code:1\r\n"
                         "Video Signal Interface:Digtal\r\n"
                         "Color Bit Depth:Reserved\r\n"
                         "Display Product Name:DVI MON      \r\n"
                         "Vertical Rate:56Hz--76Hz\r\n"
                         "Horizontal Rate:30KHz--83KHz\r\n"
                         "Maximum Pixel Clock:170MHz\r\n"
                         "\r\n");
}

TEST(EdidGolden, PageEntryPointsAgree) {
    const Image image = Television4K();
    const edid::Decoded full = edid::ValidateAndDecode(image);
    EXPECT_EQ(edid::DecodeSection(image, 0), full.video);
    EXPECT_EQ(edid::DecodeSection(image, 1), full.audio);
    EXPECT_EQ(edid::DecodeSection(image, 2), full.general);
    EXPECT_EQ(edid::DecodeSection(image, 3), "");
    EXPECT_EQ(edid::DecodeSection(image, -1), "");
    EXPECT_EQ(edid::StatusText(image), full.status);
    EXPECT_EQ(edid::HexDump(image), full.hexDump);

    const edid::Decoded opened = edid::DecodeWithoutValidation(image);
    EXPECT_EQ(opened.status, "");
    EXPECT_EQ(opened.hexDump, full.hexDump);
    EXPECT_EQ(opened.general, full.general);

    // The page's image carries spare bytes after the 256; they take no part.
    std::uint8_t padded[258] = {};
    std::copy(image.begin(), image.end(), padded);
    padded[256] = 0xAB;
    padded[257] = 0xCD;
    EXPECT_EQ(edid::ValidateAndDecode(padded).general, full.general);
}

TEST(EdidStatus, HeaderAndChecksumTexts) {
    Image zero{};
    const edid::Decoded d = edid::ValidateAndDecode(zero);
    EXPECT_EQ(d.status, "EDID data header error !");
    EXPECT_EQ(d.hexDump, "");
    EXPECT_EQ(d.video, "");
    EXPECT_EQ(d.audio, "");
    EXPECT_EQ(d.general, "");

    Image oneBadHeaderByte = Television4K();
    oneBadHeaderByte[7] = 0x01;
    EXPECT_EQ(edid::ValidateAndDecode(oneBadHeaderByte).status, "EDID data header error !");

    Image tv = Television4K();
    tv[127] ^= 1;
    EXPECT_EQ(edid::StatusText(tv), "HDMI EDID\rBank0 check sum error !\rBank1 check sum Ok !");
    tv[255] ^= 1;
    EXPECT_EQ(edid::StatusText(tv), "HDMI EDID\rBank0 check sum error !\rBank1 check sum error !");
    tv[127] ^= 1;
    EXPECT_EQ(edid::StatusText(tv), "HDMI EDID\rBank1 check sum error !");

    Image dvi = DviMonitor();
    dvi[200] = 0x55; // block 1 is not summed for a DVI EDID
    EXPECT_EQ(edid::StatusText(dvi), "DVI EDID");
    dvi[127] ^= 1;
    EXPECT_EQ(edid::StatusText(dvi), "DVI EDID\rCheck sum error !");
}

TEST(EdidStatus, ChecksumErrorStillDecodes) {
    Image tv = Television4K();
    tv[255] ^= 0xFF;
    tv[127] ^= 0xFF;
    const edid::Decoded bad = edid::ValidateAndDecode(tv);
    const edid::Decoded good = edid::ValidateAndDecode(Television4K());
    EXPECT_EQ(bad.video, good.video);
    EXPECT_EQ(bad.audio, good.audio);
    EXPECT_EQ(bad.general, good.general);
    EXPECT_EQ(bad.hexDump.size(), 768u);
}

TEST(EdidStatus, HexDumpIsUpperCaseWithTrailingBlank) {
    Image image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i);
    const std::string dump = edid::HexDump(image);
    EXPECT_EQ(dump.substr(0, 12), "00 01 02 03 ");
    EXPECT_EQ(dump.substr(3 * 0xAB, 3), "AB ");
    EXPECT_EQ(dump.substr(dump.size() - 3), "FF ");
    EXPECT_EQ(dump.find('\n'), std::string::npos);
}

TEST(EdidTimings, PreferredTimingForms) {
    Image image = HeaderOnly();
    PutTiming(image, 54, 7425, 1920, 280, 540, 22, true);
    EXPECT_EQ(edid::DecodeSection(image, 0), "Preferred Timing:1920x1080i@60Hz \r\n\r\n");

    // 594 MHz: the clock's high byte has bit 7 set and must still read as unsigned.
    PutTiming(image, 54, 59400, 3840, 560, 2160, 90, false);
    ASSERT_GE(image[55], 0x80);
    EXPECT_EQ(edid::DecodeSection(image, 0), "Preferred Timing:3840x2160@60Hz\r\n\r\n");

    // A display descriptor in the preferred slot is still read as a timing; a zero total has no
    // rate and shows 0.
    Image zero = HeaderOnly();
    EXPECT_EQ(edid::DecodeSection(zero, 0), "Preferred Timing:0x0@0Hz\r\n\r\n");
    PutDisplayText(zero, 54, 0xFC, "X");
    EXPECT_EQ(edid::DecodeSection(zero, 0), "Preferred Timing:0x600@0Hz\r\n\r\n");
}

TEST(EdidTimings, DetailedTimingsNeedBothClockBytes) {
    Image image = HeaderOnly();
    PutTiming(image, 54, 14850, 1920, 280, 1080, 45, false);
    PutTiming(image, 72, 0x1D00, 1920, 280, 540, 22, true); // low clock byte zero: hidden
    PutTiming(image, 90, 0x0032, 640, 160, 480, 45, false); // high clock byte zero: hidden
    PutTiming(image, 108, 7425, 1920, 280, 540, 22, true);
    EXPECT_EQ(edid::DecodeSection(image, 0), "Preferred Timing:1920x1080@60Hz\r\n"
                                             "Detailed Timing:1920x1080i@60Hz\r\n"
                                             "\r\n");
}

TEST(EdidTimings, ExtensionTimingsAreNumberedByShownOnesAndStayInTheImage) {
    Image image = WithCollection({0x40});
    // d = 5: (144 - 5) / 18 = 7 descriptors at block offsets 5, 23, ... 113; the last one would
    // end past the image and is skipped.
    image[130] = 5;
    PutTiming(image, 128 + 23, 7425, 1280, 370, 720, 30, false);
    PutTiming(image, 128 + 95, 14850, 1920, 280, 1080, 45, false);
    image[128 + 113] = 0x11; // would show if it were read: clock bytes non-zero
    image[128 + 114] = 0x22;
    const std::string video = edid::DecodeSection(image, 0);
    EXPECT_NE(video.find("Extension Detailed Timing1:1280x720@60Hz\r\n"
                         "Extension Detailed Timing2:1920x1080@60Hz\r\n\r\n"),
              std::string::npos)
        << video;
    EXPECT_EQ(video.find("Timing3"), std::string::npos);

    // d = 127 examines nothing; d above 126 gives no descriptors either.
    for (int d : {127, 128, 200, 255}) {
        image[130] = static_cast<std::uint8_t>(d);
        EXPECT_EQ(edid::DecodeSection(image, 0).find("Extension Detailed"), std::string::npos) << d;
    }

    // d = 0 reads the extension header as a descriptor (02 03 ...): a fixed rule, kept.
    image[130] = 0;
    EXPECT_NE(edid::DecodeSection(image, 0).find("Extension Detailed Timing1:"), std::string::npos);
}

TEST(EdidVideo, Byte132IsTheVideoHeaderWhateverItsTag) {
    // First block is audio (tag 1, L = 3); its bytes are listed as video descriptors, while
    // the native count comes from the real video block found by walking.
    const Image image = WithCollection({0x23, 0x09, 0x07, 0x07, 0x42, 0x90, 0x84});
    const std::string video = edid::DecodeSection(image, 0);
    EXPECT_NE(video.find("Short Video Descripter\r\n"
                         "720(1440)x240p@60Hz  16:9\r\n"
                         "720(1440)x480i@60Hz  16:9\r\n"
                         "720(1440)x480i@60Hz  16:9\r\n"
                         "\r\n"),
              std::string::npos)
        << video;
    EXPECT_NE(edid::DecodeSection(image, 2).find("Native Timings:2\r\n"), std::string::npos);
}

TEST(EdidVideo, UnnamedCodesAreSkippedAndIrregularNamesKept) {
    const Image image = WithCollection({0x46, 0x00, 0x80, 0x6C, 0xEB, 0xB7, 0x27});
    EXPECT_EQ(edid::DecodeSection(image, 0), "Preferred Timing:0x0@0Hz\r\n"
                                             "\r\n"
                                             "Short Video Descripter\r\n"
                                             "3840x2160p@60Hz  64:27  Native\r\n"
                                             "720(1440)x576i@200Hz  16:3  Native\r\n"
                                             "1920x1080i(1250 total)@50Hz  16:9\r\n"
                                             "\r\n");
    EXPECT_STREQ(edid::SvdName(47), "1280x720@120Hz  16:9");
    EXPECT_STREQ(edid::SvdName(1), "640x480p@60Hz  4:3");
    EXPECT_EQ(edid::SvdName(0), nullptr);
    EXPECT_EQ(edid::SvdName(108), nullptr);
}

TEST(EdidVideo, ExtensionNeedsCountAndCeaTag) {
    Image notCea = WithCollection({0x41, 0x90});
    notCea[128] = 0x10;
    EXPECT_EQ(edid::DecodeSection(notCea, 0), "Preferred Timing:0x0@0Hz\r\n\r\n");
    EXPECT_EQ(edid::DecodeSection(notCea, 2).find("Native"), std::string::npos);

    Image noCount = WithCollection({0x41, 0x90});
    noCount[126] = 0;
    EXPECT_EQ(edid::DecodeSection(noCount, 0), "Preferred Timing:0x0@0Hz\r\n\r\n");
}

TEST(EdidAudio, FirstAudioBlockOnlyAndShortLengths) {
    // L = 1: nothing; a later audio block is not looked at.
    EXPECT_EQ(edid::DecodeSection(WithCollection({0x21, 0x09, 0x23, 0x09, 0x01, 0x01}), 1), "\r\n");
    // L = 2: one descriptor, its third byte read past the block as the walk rule says.
    EXPECT_EQ(edid::DecodeSection(WithCollection({0x22, 0x7F, 0x40, 0x04}), 1),
              "Audio Format:Reserved.\r\n"
              "Audio Channel(s):8\r\n"
              "Sample Frequency:\r\n"
              "192KHz\r\n"
              "\r\n"
              "Sample Bit:\r\n"
              "24Bit \r\n"
              "\r\n"
              "\r\n"
              "\r\n");
    // No audio block, or a block after d: nothing.
    EXPECT_EQ(edid::DecodeSection(WithCollection({0x41, 0x10, 0x23, 0x09, 0x07, 0x07}, 6), 1),
              "\r\n");
}

TEST(EdidGeneral, ProductNamePaddingAndStops) {
    Image image = HeaderOnly();
    PutDisplayText(image, 72, 0xFC, "ABC");
    EXPECT_NE(edid::DecodeSection(image, 2).find("Display Product Name:ABC          \r\n"),
              std::string::npos);

    // NUL ends the name too; Latin-1 bytes become UTF-8.
    Put(image, 77, {'A', 0xE9, 0x00, 'Z'});
    EXPECT_NE(edid::DecodeSection(image, 2).find("Display Product Name:A\xC3\xA9" +
                                                 std::string(11, ' ') + "\r\n"),
              std::string::npos);

    // Thirteen characters and no line feed: the full field; the last name found wins.
    PutDisplayText(image, 108, 0xFC, "ABCDEFGHIJKLMNOP");
    const std::string general = edid::DecodeSection(image, 2);
    EXPECT_NE(general.find("Display Product Name:ABCDEFGHIJKLM\r\n"), std::string::npos);
    EXPECT_EQ(general.find("Display Product Name:"), general.rfind("Display Product Name:"));
}

TEST(EdidGeneral, SignaturesFoundAtAnyPositionAndEveryRangeListed) {
    Image image = HeaderOnly();
    Put(image, 57, {0x00, 0x00, 0x00, 0xFD, 0x00, 1, 2, 3, 4, 25}); // not a descriptor start
    Put(image, 99, {0x00, 0x00, 0x00, 0xFD, 0x00, 200, 255, 250, 251, 255});
    Put(image, 8, {0xFF, 0xFF, 0xFF, 0xFF});
    const std::string general = edid::DecodeSection(image, 2);
    EXPECT_EQ(general, "\r\n"
                       "Manufacture's Name:\x7F__\r\n"
                       "Product Code:65535\r\n"
                       "Video Signal Interface:Analog\r\n"
                       "Color Bit Depth:Reserved\r\n"
                       "Vertical Rate:1Hz--2Hz\r\n"
                       "Horizontal Rate:3KHz--4KHz\r\n"
                       "Maximum Pixel Clock:250MHz\r\n"
                       "Vertical Rate:200Hz--255Hz\r\n"
                       "Horizontal Rate:250KHz--251KHz\r\n"
                       "Maximum Pixel Clock:2550MHz\r\n"
                       "\r\n");
}

TEST(EdidGeneral, VendorBlockVariants) {
    // L below 6: no deep colour line, 3D not supported.
    std::string g = edid::DecodeSection(WithCollection({0x65, 0x03, 0x0C, 0x00, 0x10, 0x00}), 2);
    EXPECT_NE(
        g.find("Native Timings:0\r\nYCbCr444 DeepColor:not support\r\n3D video:not support\r\n"
               "\r\n"),
        std::string::npos)
        << g;

    // Only the first vendor block counts, even when a later one would say more.
    g = edid::DecodeSection(WithCollection({0x65, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x66, 0x03, 0x0C,
                                            0x00, 0x10, 0x00, 0x78}),
                            2);
    EXPECT_EQ(g.find("Deep Color"), std::string::npos);

    // 48-bit and no 4:4:4 deep colour; no latency bytes (skip 1); 3D bit clear; one VIC that
    // has no text and one that has.
    g = edid::DecodeSection(WithCollection({0x6B, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x40, 0x3C, 0x20,
                                            0x00, 0x40, 0x07, 0x03}),
                            2);
    EXPECT_NE(g.find("Deep Color:\r\n48Bit \r\nYCbCr444 DeepColor:not support\r\n"
                     "3D video:not support\r\n\r\nExtended Resolution(4Kx2K):\r\n4Kx2K@24Hz\r\n"),
              std::string::npos)
        << g;

    // I_Latency without Latency: skip = 1 + 2.
    g = edid::DecodeSection(WithCollection({0x6C, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x00, 0x3C, 0x60,
                                            0x00, 0x00, 0x80, 0x20, 0x02}),
                            2);
    EXPECT_NE(g.find("3D video:support\r\n\r\nExtended Resolution(4Kx2K):\r\n4Kx2K@25Hz\r\n"),
              std::string::npos)
        << g;

    // HDMI video not present: no 3D and no VICs even if the bytes are there.
    g = edid::DecodeSection(WithCollection({0x6C, 0x03, 0x0C, 0x00, 0x10, 0x00, 0x00, 0x3C, 0x00,
                                            0x80, 0x20, 0x01, 0x01}),
                            2);
    EXPECT_NE(g.find("3D video:not support\r\n\r\n"), std::string::npos);
    EXPECT_EQ(g.find("Extended Resolution"), std::string::npos);
}

TEST(EdidY420, VideoAndCapabilityBlocks) {
    auto tail = [](const Image& image) {
        const std::string g = edid::DecodeSection(image, 2);
        return g.substr(g.find("3D video:"));
    };
    EXPECT_EQ(tail(WithCollection({0xE1, 0x0F})),
              "3D video:not support\r\n\r\n"
              "\r\nY420CMDB Descripter :\r\nAll SVDs do support YUV420\r\n\r\n");
    // Only the low five bits of the code are compared for the capability map.
    EXPECT_EQ(tail(WithCollection({0xE1, 0xEF})),
              "3D video:not support\r\n\r\n"
              "\r\nY420CMDB Descripter :\r\nAll SVDs do support YUV420\r\n\r\n");
    // L = 0: the code byte after the header is still read; the heading shows, the list is empty.
    EXPECT_EQ(tail(WithCollection({0xE0, 0x0F})),
              "3D video:not support\r\n\r\n\r\nY420CMDB Descripter :\r\n\r\n");
    EXPECT_EQ(tail(WithCollection({0xE0, 0x0E})),
              "3D video:not support\r\n\r\n\r\nY420VDB Descripter :\r\n\r\n");
    // Video block: names in order, unnamed codes print nothing.
    EXPECT_EQ(tail(WithCollection({0xE5, 0x0E, 0x61, 0x00, 0x7F, 0x66})),
              "3D video:not support\r\n\r\n"
              "\r\nY420VDB Descripter :\r\n"
              "3840x2160p@60Hz  16:9\r\n"
              "4096x2160p@60Hz  256:135\r\n"
              "\r\n");
    // The first extended block decides: a colorimetry block first hides a later 4:2:0 block.
    EXPECT_EQ(tail(WithCollection({0xE3, 0x05, 0x03, 0x00, 0xE1, 0x0F})),
              "3D video:not support\r\n\r\n\r\n");
}

TEST(EdidY420, CapabilityBitsIndexTheFixedDescriptorList) {
    // Byte 132 is the audio header here, so bits count from its first byte at 133.
    const Image image = WithCollection({0x22, 0x61, 0x90, 0xE3, 0x0F, 0x03, 0x00});
    const std::string g = edid::DecodeSection(image, 2);
    EXPECT_EQ(g.substr(g.find("\r\nY420CMDB")), "\r\nY420CMDB Descripter :\r\n"
                                                "3840x2160p@60Hz  16:9\r\n"
                                                "1920x1080p@60Hz  16:9\r\n"
                                                "\r\n");
}

TEST(EdidY420, WalkedEvenWithoutExtension) {
    Image image = WithCollection({0xE2, 0x0E, 0x10});
    image[126] = 0;
    const edid::Decoded d = edid::ValidateAndDecode(image);
    EXPECT_EQ(d.status.substr(0, 8), "DVI EDID");
    EXPECT_EQ(d.general.find("Native Timings"), std::string::npos);
    EXPECT_NE(d.general.find("\r\nY420VDB Descripter :\r\n1920x1080p@60Hz  16:9\r\n\r\n"),
              std::string::npos);
}

} // namespace
