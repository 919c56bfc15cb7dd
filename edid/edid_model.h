// A model of an EDID in plain structures: the base block and every extension block the bytes
// hold, decoded after the E-EDID and CTA-861 standards (unlike the page's reports, which follow
// their own fixed rules). No text formatting and no I/O: the tools turn the model into JSON, test
// plans derive timings from it.
//
// DecodeEdidModel reads only the bytes it is given, whatever the lengths, offsets and counts
// inside them say: a structure that would run past its block or past the image is cut where it
// leaves, and CheckEdidModel (edid_checks.h) says so.
#pragma once

#include "edid/edid_decoder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace edid {

// A base block and at most 255 extension blocks.
constexpr std::size_t kMaxEdidSize = 256 * kBlockSize;

// An 18-byte detailed timing descriptor. Vertical values are those of one field when the timing
// is interlaced; such a frame has 2 x vTotal + 1 lines.
struct DetailedTiming {
    std::size_t offset = 0; // image offset of the descriptor
    std::size_t block = 0;  // 0 for the base block, n for extension block n
    unsigned pixelClock10kHz = 0;
    unsigned hActive = 0, hBlank = 0, hFrontPorch = 0, hSync = 0;
    unsigned vActive = 0, vBlank = 0, vFrontPorch = 0, vSync = 0;
    unsigned widthMm = 0, heightMm = 0;
    bool interlaced = false;
    // Digital sync: bit 1 of byte 17 (H polarity, separate and composite) and bit 2 (V polarity,
    // separate sync only). False for analog sync.
    bool hsyncPositive = false, vsyncPositive = false;

    // Blanking minus front porch and sync; negative when the descriptor's porches overrun it.
    int HBackPorch() const { return int(hBlank) - int(hFrontPorch) - int(hSync); }
    int VBackPorch() const { return int(vBlank) - int(vFrontPorch) - int(vSync); }
    unsigned HTotal() const { return hActive + hBlank; }
    unsigned VTotal() const { return vActive + vBlank; }
    double PixelClockMhz() const { return pixelClock10kHz / 100.0; }
    double HFreqKhz() const; // 0 when the total is zero
    double VFreqHz() const;  // field rate when interlaced; 0 when a total is zero
};

// A timing named by its sizes and rate: established and standard timings.
struct NamedTiming {
    unsigned hActive = 0, vActive = 0; // frame lines, also for interlaced
    unsigned refreshHz = 0;
    bool interlaced = false;
    unsigned aspectX = 0, aspectY = 0; // standard timings: the aspect ratio code's ratio
};

struct RangeLimits {
    std::size_t offset = 0;
    unsigned vMinHz = 0, vMaxHz = 0, hMinKhz = 0, hMaxKhz = 0;
    unsigned maxPixelClockMhz = 0; // 0 when not given
    unsigned timingSupport = 0;    // byte 10: 0 default GTF, 1 range only, 2 secondary GTF, 4 CVT
};

// An 18-byte descriptor with a zero pixel clock.
struct DisplayDescriptor {
    std::size_t offset = 0;
    unsigned tag = 0; // byte 3: 0xFF serial, 0xFE text, 0xFD range limits, 0xFC name, ...
    std::string text; // 0xFC, 0xFE, 0xFF: the bytes up to the line feed, trailing blanks cut
};

struct ShortVideo {
    unsigned vic = 0; // 1..127 and 193..255 as coded; 0 for a reserved code (0, 128, 254, 255)
    bool native = false;
    unsigned code = 0; // the descriptor byte as it stands
};

struct ShortAudio {
    unsigned format = 0;         // audio format code, byte 1 bits 6..3 (1 LPCM, 2 AC-3, ...)
    unsigned channels = 0;       // byte 1 bits 2..0, plus one
    unsigned rates = 0;          // byte 2 bits 6..0: 32, 44.1, 48, 88.2, 96, 176.4, 192 kHz
    unsigned sizes = 0;          // LPCM: byte 3 bits 2..0: 16, 20, 24 bits
    unsigned maxBitrateKbps = 0; // formats 2..8: byte 3 x 8 kHz
    unsigned byte3 = 0;          // other formats: byte 3 as it stands
};

struct HdmiVsdb {
    std::size_t offset = 0;
    unsigned physicalAddress = 0; // a.b.c.d in the nibbles, a in the top one
    bool supportsAi = false, deepColor48 = false, deepColor36 = false, deepColor30 = false;
    bool deepColorY444 = false, dviDual = false;
    unsigned maxTmdsClockMhz = 0; // 0 when not given
    bool latencyPresent = false, interlacedLatencyPresent = false;
    unsigned videoLatency = 0, audioLatency = 0; // as coded
    bool hdmiVideoPresent = false;
    bool threeD = false;
    std::vector<unsigned> hdmiVics;
};

// The HDMI Forum vendor-specific block, or the sink capability block of the same content.
struct HdmiForumBlock {
    std::size_t offset = 0;
    unsigned version = 0;
    unsigned maxTmdsCharacterRateMhz = 0; // 0 when not given (340 MHz and below)
    bool scdcPresent = false, readRequestCapable = false, lte340McscScramble = false;
    bool independentView = false, dualView = false, osdDisparity = false;
    unsigned maxFrlRate = 0; // byte 7 bits 7..4, as coded
    bool deepColor420_48 = false, deepColor420_36 = false, deepColor420_30 = false;
};

struct Y420CapabilityMap {
    std::size_t offset = 0;
    bool allSvds = false;             // a map without bitmap bytes
    std::vector<unsigned> svdIndexes; // positions (0-based) in the extension's SVD list
};

struct HdrStaticMetadata {
    std::size_t offset = 0;
    unsigned eotfs = 0;         // bit 0 SDR, 1 HDR, 2 SMPTE ST 2084, 3 HLG
    unsigned metadataTypes = 0; // bit 0 static metadata type 1
    // Coded luminance values, each with its presence (bytes 4, 5 and 6 of the block body).
    bool hasMaxLuminance = false, hasMaxFrameAverage = false, hasMinLuminance = false;
    unsigned maxLuminance = 0, maxFrameAverage = 0, minLuminance = 0;
};

// A data block of the collection as found: header offset, tag, length.
struct DataBlockInfo {
    std::size_t offset = 0;
    unsigned tag = 0;
    unsigned length = 0;      // as coded in the header; see cut
    unsigned extendedTag = 0; // tag 7 only
    unsigned oui = 0;         // tag 3 (and extended tags 1 and 17): the IEEE OUI, 0 when short
    bool cut = false;         // the block ran past the collection and was read up to its end
};

struct CtaExtension {
    unsigned revision = 0;
    unsigned dtdOffset = 0; // byte 2: the block offset d of the first detailed timing
    bool underscan = false, basicAudio = false, ycbcr444 = false, ycbcr422 = false;
    unsigned nativeDtds = 0;
    std::vector<DataBlockInfo> dataBlocks;
    std::vector<ShortVideo> svds; // of every video data block, in order
    std::vector<ShortAudio> sads; // of every audio data block, in order
    bool hasSpeakers = false;
    unsigned speakers = 0; // the allocation's three bytes, first byte lowest
    bool hasHdmi = false;
    HdmiVsdb hdmi;
    bool hasHdmiForum = false;
    HdmiForumBlock hdmiForum;
    std::vector<ShortVideo> y420Vics; // YCbCr 4:2:0 video data blocks: VICs sent only in 4:2:0
    bool hasY420CapabilityMap = false;
    Y420CapabilityMap y420CapabilityMap;
    bool hasColorimetry = false;
    unsigned colorimetry = 0; // body byte 1 in bits 0..7, body byte 2 in bits 8..15
    bool hasHdrStaticMetadata = false;
    HdrStaticMetadata hdrStaticMetadata;
};

struct Extension {
    std::size_t block = 0; // 1..255
    unsigned tag = 0;      // byte 0: 0x02 CTA-861, 0x10 VTB, 0x40 DI, 0x70 DisplayID, 0xF0 map
    bool isCta = false;
    CtaExtension cta;
};

struct EdidModel {
    std::size_t size = 0;   // bytes given
    std::size_t blocks = 0; // whole 128-byte blocks among them, at most 256

    // Vendor and product (bytes 8..19).
    char manufacturer[4] = {0, 0, 0, 0}; // three letters; '@' and beyond 'Z' for invalid codes
    unsigned productCode = 0;
    std::uint32_t serialNumber = 0;
    unsigned week = 0; // 0 not given, 1..54, 255 when year is a model year
    unsigned year = 0; // 1990 + byte 17
    unsigned versionMajor = 0, versionMinor = 0;

    // Basic display parameters (bytes 20..24).
    bool digital = false;
    unsigned bitDepth = 0;      // EDID 1.4 digital: 6..16, 0 undefined
    unsigned interfaceType = 0; // EDID 1.4 digital: 0 undefined, 1 DVI, 2 HDMI-a, 3 HDMI-b,
                                // 4 MDDI, 5 DisplayPort
    unsigned widthCm = 0, heightCm = 0;
    unsigned gammaCode = 0; // byte 23: gamma x 100 - 100; 0xFF not given
    unsigned features = 0;  // byte 24

    std::vector<NamedTiming> establishedTimings;
    std::vector<NamedTiming> standardTimings; // the eight of bytes 38..53, then descriptors 0xFA

    bool hasPreferredTiming = false; // the first descriptor holds a timing
    // Every detailed timing: the base block's, then each CTA extension's, in order. The
    // preferred timing, when there is one, is the first.
    std::vector<DetailedTiming> detailedTimings;
    std::vector<DisplayDescriptor> displayDescriptors;
    bool hasProductName = false;
    std::string productName;
    bool hasSerialString = false;
    std::string serialString;
    std::vector<std::string> dataStrings;
    bool hasRangeLimits = false;
    RangeLimits rangeLimits;

    unsigned extensionCount = 0;       // byte 126 as it stands
    std::vector<Extension> extensions; // those the bytes hold, at most extensionCount

    // The first CTA extension, or nullptr.
    const CtaExtension* FirstCta() const;
};

// Decodes the EDID that the first size bytes at bytes hold (any size; fewer than 128 bytes give
// a model without fields).
EdidModel DecodeEdidModel(const std::uint8_t* bytes, std::size_t size);

inline EdidModel DecodeEdidModel(ImageView image) {
    return DecodeEdidModel(image.data(), kImageSize);
}

// The VIC a CTA-861 short video descriptor byte codes, with its native flag: codes 1..64 plain,
// 129..192 native 1..64, 65..127 and 193..253 plain; 0, 128, 254 and 255 are reserved (VIC 0).
ShortVideo DecodeSvd(unsigned code);

// The highest VIC the CTA-861 standard defines (1..127 and 193..219).
bool IsDefinedVic(unsigned vic);

} // namespace edid
