// Built-in EDIDs, assembled field by field from the structures of the E-EDID base block and the
// CTA-861 extension, so every length, offset and checksum is computed rather than typed in.
#include "tools/sgsim/builtin_edids.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace sgsim {

namespace {

using Bytes = std::vector<std::uint8_t>;
using Descriptor = std::array<std::uint8_t, 18>;

struct CDtd {
    int nClock10kHz;
    int nHActive, nHFront, nHSync, nHBack;
    int nVActive, nVFront, nVSync, nVBack; // per field when interlaced
    int nWidthMm, nHeightMm;
    bool bHPositive, bVPositive, bInterlaced;
};

Descriptor DetailedTiming(const CDtd& t) {
    const int hBlank = t.nHFront + t.nHSync + t.nHBack;
    const int vBlank = t.nVFront + t.nVSync + t.nVBack;
    Descriptor d{};
    d[0] = static_cast<std::uint8_t>(t.nClock10kHz & 0xFF);
    d[1] = static_cast<std::uint8_t>(t.nClock10kHz >> 8);
    d[2] = static_cast<std::uint8_t>(t.nHActive & 0xFF);
    d[3] = static_cast<std::uint8_t>(hBlank & 0xFF);
    d[4] = static_cast<std::uint8_t>(((t.nHActive >> 8) << 4) | (hBlank >> 8));
    d[5] = static_cast<std::uint8_t>(t.nVActive & 0xFF);
    d[6] = static_cast<std::uint8_t>(vBlank & 0xFF);
    d[7] = static_cast<std::uint8_t>(((t.nVActive >> 8) << 4) | (vBlank >> 8));
    d[8] = static_cast<std::uint8_t>(t.nHFront & 0xFF);
    d[9] = static_cast<std::uint8_t>(t.nHSync & 0xFF);
    d[10] = static_cast<std::uint8_t>(((t.nVFront & 0x0F) << 4) | (t.nVSync & 0x0F));
    d[11] = static_cast<std::uint8_t>(((t.nHFront >> 8) << 6) | ((t.nHSync >> 8) << 4) |
                                      ((t.nVFront >> 4) << 2) | (t.nVSync >> 4));
    d[12] = static_cast<std::uint8_t>(t.nWidthMm & 0xFF);
    d[13] = static_cast<std::uint8_t>(t.nHeightMm & 0xFF);
    d[14] = static_cast<std::uint8_t>(((t.nWidthMm >> 8) << 4) | (t.nHeightMm >> 8));
    // Digital separate sync (bits 4..3 = 11) with the two polarity bits.
    d[17] = static_cast<std::uint8_t>((t.bInterlaced ? 0x80 : 0) | 0x18 |
                                      (t.bVPositive ? 0x04 : 0) | (t.bHPositive ? 0x02 : 0));
    return d;
}

Descriptor DisplayDescriptor(std::uint8_t tag, const Bytes& body) {
    Descriptor d{};
    d[3] = tag;
    for (std::size_t i = 0; i < body.size() && i < 13; ++i)
        d[5 + i] = body[i];
    return d;
}

// Name (0xFC), serial (0xFF) and free text (0xFE): up to 13 characters, a line feed after a
// shorter text and blanks after that.
Descriptor TextDescriptor(std::uint8_t tag, const char* text) {
    Bytes body(13, 0x20);
    const std::size_t n = std::strlen(text) < 13 ? std::strlen(text) : 13;
    std::memcpy(body.data(), text, n);
    if (n < 13)
        body[n] = 0x0A;
    return DisplayDescriptor(tag, body);
}

Descriptor RangeLimits(int vMin, int vMax, int hMinKHz, int hMaxKHz, int maxClockMHz) {
    return DisplayDescriptor(
        0xFD, {static_cast<std::uint8_t>(vMin), static_cast<std::uint8_t>(vMax),
               static_cast<std::uint8_t>(hMinKHz), static_cast<std::uint8_t>(hMaxKHz),
               static_cast<std::uint8_t>(maxClockMHz / 10), 0x00, 0x0A, 0x20, 0x20, 0x20, 0x20,
               0x20, 0x20});
}

struct CChroma {
    double rx, ry, gx, gy, bx, by, wx, wy;
};

struct CBaseBlock {
    const char* pszMaker; // three letters A..Z
    int nProduct;
    std::uint32_t dwSerial;
    int nWeek, nYear;
    int nRevision; // EDID 1.nRevision
    std::uint8_t bInput;
    int nWidthCm, nHeightCm;
    double dGamma;
    std::uint8_t bFeatures;
    CChroma chroma;
    std::uint8_t abEstablished[3];
    std::array<std::uint16_t, 8> awStandard; // 0x0101 = unused
    std::array<Descriptor, 4> descriptors;
    int nExtensions;
};

void FinishBlock(std::uint8_t* block) {
    std::uint8_t sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = static_cast<std::uint8_t>(sum + block[i]);
    block[127] = static_cast<std::uint8_t>(0u - sum);
}

void WriteBase(std::uint8_t* b, const CBaseBlock& s) {
    static const std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(b, kHeader, 8);
    const int id =
        ((s.pszMaker[0] - '@') << 10) | ((s.pszMaker[1] - '@') << 5) | (s.pszMaker[2] - '@');
    b[8] = static_cast<std::uint8_t>(id >> 8);
    b[9] = static_cast<std::uint8_t>(id & 0xFF);
    b[10] = static_cast<std::uint8_t>(s.nProduct & 0xFF);
    b[11] = static_cast<std::uint8_t>(s.nProduct >> 8);
    for (int i = 0; i < 4; ++i)
        b[12 + i] = static_cast<std::uint8_t>(s.dwSerial >> (8 * i));
    b[16] = static_cast<std::uint8_t>(s.nWeek);
    b[17] = static_cast<std::uint8_t>(s.nYear - 1990);
    b[18] = 1;
    b[19] = static_cast<std::uint8_t>(s.nRevision);
    b[20] = s.bInput;
    b[21] = static_cast<std::uint8_t>(s.nWidthCm);
    b[22] = static_cast<std::uint8_t>(s.nHeightCm);
    b[23] = static_cast<std::uint8_t>(std::lround(s.dGamma * 100) - 100);
    b[24] = s.bFeatures;
    auto q = [](double v) { return static_cast<int>(std::lround(v * 1024)) & 0x3FF; };
    const int c[8] = {q(s.chroma.rx), q(s.chroma.ry), q(s.chroma.gx), q(s.chroma.gy),
                      q(s.chroma.bx), q(s.chroma.by), q(s.chroma.wx), q(s.chroma.wy)};
    b[25] = static_cast<std::uint8_t>(((c[0] & 3) << 6) | ((c[1] & 3) << 4) | ((c[2] & 3) << 2) |
                                      (c[3] & 3));
    b[26] = static_cast<std::uint8_t>(((c[4] & 3) << 6) | ((c[5] & 3) << 4) | ((c[6] & 3) << 2) |
                                      (c[7] & 3));
    for (int i = 0; i < 8; ++i)
        b[27 + i] = static_cast<std::uint8_t>(c[i] >> 2);
    std::memcpy(b + 35, s.abEstablished, 3);
    for (int i = 0; i < 8; ++i) {
        b[38 + 2 * i] = static_cast<std::uint8_t>(s.awStandard[i] >> 8);
        b[39 + 2 * i] = static_cast<std::uint8_t>(s.awStandard[i] & 0xFF);
    }
    for (int i = 0; i < 4; ++i)
        std::memcpy(b + 54 + 18 * i, s.descriptors[i].data(), 18);
    b[126] = static_cast<std::uint8_t>(s.nExtensions);
    FinishBlock(b);
}

// A data block: header (tag in bits 7..5, length in bits 4..0), then the body.
Bytes DataBlock(int tag, const Bytes& body) {
    Bytes block;
    block.push_back(static_cast<std::uint8_t>((tag << 5) | body.size()));
    block.insert(block.end(), body.begin(), body.end());
    return block;
}

Bytes ExtendedBlock(int extendedTag, const Bytes& body) {
    Bytes inner{static_cast<std::uint8_t>(extendedTag)};
    inner.insert(inner.end(), body.begin(), body.end());
    return DataBlock(7, inner);
}

enum { kTagAudio = 1, kTagVideo = 2, kTagVendor = 3, kTagSpeaker = 4 };

// Short audio descriptor: format, channel count, rate bits, third byte.
Bytes Sad(int format, int channels, std::uint8_t rates, std::uint8_t third) {
    return {static_cast<std::uint8_t>((format << 3) | (channels - 1)), rates, third};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// CTA-861 revision 3 extension: the data block collection from offset 4, then the detailed
// timings, then zero padding. The video block goes first, where simple readers expect it.
void WriteCta(std::uint8_t* b, std::uint8_t flags, const std::vector<Bytes>& blocks,
              const std::vector<Descriptor>& dtds) {
    b[0] = 0x02;
    b[1] = 0x03;
    b[3] = flags;
    int offset = 4;
    for (const Bytes& block : blocks) {
        std::memcpy(b + offset, block.data(), block.size());
        offset += static_cast<int>(block.size());
    }
    b[2] = static_cast<std::uint8_t>(offset);
    for (const Descriptor& d : dtds) {
        std::memcpy(b + offset, d.data(), 18);
        offset += 18;
    }
    FinishBlock(b);
}

const CChroma kWideGamutPanel{0.6797, 0.3105, 0.2646, 0.6797, 0.1504, 0.0557, 0.3125, 0.3291};
const CChroma kSrgbPanel{0.6396, 0.3300, 0.2998, 0.5996, 0.1504, 0.0596, 0.3125, 0.3291};
const CChroma kTvPanel{0.6406, 0.3379, 0.2910, 0.6094, 0.1465, 0.0703, 0.3125, 0.3291};
const CChroma kProjector{0.6484, 0.3340, 0.3066, 0.6162, 0.1465, 0.0605, 0.3135, 0.3291};

constexpr std::uint16_t kNoStd = 0x0101;

// Standard timing: (width / 8 - 31), aspect (00 16:10, 01 4:3, 10 5:4, 11 16:9), rate - 60.
constexpr std::uint16_t Std(int width, int aspect, int rate) {
    return static_cast<std::uint16_t>(((width / 8 - 31) << 8) | (aspect << 6) | (rate - 60));
}

// Common video timings, as the detailed timings of the CTA-861 formats.
const CDtd k2160p60{59400, 3840, 176, 88, 296, 2160, 8, 10, 72, 0, 0, true, true, false};
const CDtd k2160p30{29700, 3840, 176, 88, 296, 2160, 8, 10, 72, 0, 0, true, true, false};
const CDtd k1080p60{14850, 1920, 88, 44, 148, 1080, 4, 5, 36, 0, 0, true, true, false};
const CDtd k1080p24{7425, 1920, 638, 44, 148, 1080, 4, 5, 36, 0, 0, true, true, false};
const CDtd k1080i60{7425, 1920, 88, 44, 148, 540, 2, 5, 15, 0, 0, true, true, true};
const CDtd k720p60{7425, 1280, 110, 40, 220, 720, 5, 5, 20, 0, 0, true, true, false};
const CDtd k480p60{2700, 720, 16, 62, 60, 480, 9, 6, 30, 0, 0, false, false, false};

CDtd Sized(CDtd t, int widthMm, int heightMm) {
    t.nWidthMm = widthMm;
    t.nHeightMm = heightMm;
    return t;
}

} // namespace

edid::Image SinkTvEdid() {
    edid::Image e{};
    WriteBase(e.data(), {"QZT",
                         0x55A9,
                         0x0001E240,
                         14,
                         2023,
                         3,
                         0x80,
                         121,
                         68,
                         2.2,
                         0x2A,
                         kTvPanel,
                         {0x21, 0x08, 0x00},
                         {Std(1280, 3, 60), Std(1280, 2, 60), Std(1600, 3, 60), Std(1920, 3, 60),
                          kNoStd, kNoStd, kNoStd, kNoStd},
                         {DetailedTiming(Sized(k2160p60, 1210, 680)),
                          DetailedTiming(Sized(k1080p60, 1210, 680)),
                          RangeLimits(24, 75, 15, 136, 600), TextDescriptor(0xFC, "QZ-55UX9")},
                         1});
    // VICs 96, 97, 101 and 102 (SVD positions 17, 18, 22, 23) may also be sent in 4:2:0.
    const Bytes svds{0x90, 4,  31, 19, 5,  20, 3,  18, 2,  17,  1,   32,
                     33,   34, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102};
    WriteCta(
        e.data() + 128, 0xF1,
        {DataBlock(kTagVideo, svds),
         DataBlock(kTagAudio,
                   Concat({Sad(1, 2, 0x07, 0x07), Sad(2, 6, 0x07, 0x50), Sad(10, 8, 0x06, 0x00)})),
         DataBlock(kTagSpeaker, {0x0F, 0x00, 0x00}),
         // HDMI: 340 MHz, deep colour 36/30 bit and 4:4:4, latency, 3D, HDMI VICs 1..4.
         DataBlock(kTagVendor, {0x03, 0x0C, 0x00, 0x10, 0x00, 0xB8, 0x44, 0xA0, 0x29, 0x11, 0x80,
                                0x80, 0x01, 0x02, 0x03, 0x04}),
         // HDMI Forum: 600 MHz, SCDC, scrambling below 340 MHz, 4:2:0 deep colour.
         DataBlock(kTagVendor, {0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x88, 0x03}),
         ExtendedBlock(15, {0x00, 0x00, 0xC6}), ExtendedBlock(0, {0x4F}),
         ExtendedBlock(5, {0xC0, 0x00}), ExtendedBlock(6, {0x05, 0x01})},
        {DetailedTiming(Sized(k720p60, 1210, 680)), DetailedTiming(Sized(k1080i60, 1210, 680))});
    return e;
}

edid::Image SavedEdid(int slot) {
    edid::Image e{};
    switch (slot) {
    case 1: // 1080p television
        WriteBase(
            e.data(),
            {"HZL",
             0x4201,
             0x00000101,
             32,
             2014,
             3,
             0x80,
             93,
             52,
             2.2,
             0x2A,
             kTvPanel,
             {0x21, 0x08, 0x00},
             {Std(1280, 3, 60), Std(1280, 2, 60), Std(1360, 3, 60), kNoStd, kNoStd, kNoStd, kNoStd,
              kNoStd},
             {DetailedTiming(Sized(k1080p60, 930, 523)), DetailedTiming(Sized(k720p60, 930, 523)),
              RangeLimits(48, 62, 15, 68, 150), TextDescriptor(0xFC, "HZ 42FHD TV")},
             1});
        WriteCta(
            e.data() + 128, 0xF1,
            {DataBlock(kTagVideo, {0x90, 4, 31, 19, 5, 20, 3, 18, 2, 17, 1, 32, 33, 34, 6, 21}),
             DataBlock(kTagAudio, Sad(1, 2, 0x07, 0x07)), DataBlock(kTagSpeaker, {0x01, 0, 0}),
             DataBlock(kTagVendor, {0x03, 0x0C, 0x00, 0x10, 0x00, 0x18, 0x2D}),
             ExtendedBlock(0, {0x0F})},
            {DetailedTiming(Sized(k1080i60, 930, 523)), DetailedTiming(Sized(k720p60, 930, 523)),
             DetailedTiming(Sized(k480p60, 930, 523))});
        break;
    case 2: // AV receiver
        WriteBase(e.data(),
                  {"ARQ",
                   0x7200,
                   0x00A1B2C3,
                   45,
                   2019,
                   3,
                   0x80,
                   0,
                   0,
                   2.2,
                   0x0A,
                   kSrgbPanel,
                   {0x21, 0x08, 0x00},
                   {kNoStd, kNoStd, kNoStd, kNoStd, kNoStd, kNoStd, kNoStd, kNoStd},
                   {DetailedTiming(k1080p60), DetailedTiming(k1080i60),
                    RangeLimits(23, 61, 15, 68, 150), TextDescriptor(0xFC, "AVR-72 RECVR")},
                   1});
        WriteCta(
            e.data() + 128, 0xF0,
            {DataBlock(kTagVideo, {0x90, 31, 4, 19, 5, 20, 32, 33, 34, 3, 18, 2, 17, 1}),
             // LPCM 7.1 and stereo up to 192 kHz, AC-3, DTS, DTS-HD, Dolby D+, MAT.
             DataBlock(kTagAudio,
                       Concat({Sad(1, 8, 0x7F, 0x07), Sad(1, 2, 0x7F, 0x07), Sad(2, 6, 0x07, 0x50),
                               Sad(7, 6, 0x1E, 0xC0), Sad(11, 8, 0x7F, 0x00),
                               Sad(10, 8, 0x06, 0x00), Sad(12, 8, 0x54, 0x00)})),
             DataBlock(kTagSpeaker, {0x4F, 0x00, 0x00}),
             DataBlock(kTagVendor, {0x03, 0x0C, 0x00, 0x10, 0x00, 0xB8, 0x3C, 0x80, 0x15, 0x15}),
             ExtendedBlock(0, {0x4A})},
            {DetailedTiming(k720p60), DetailedTiming(k480p60)});
        break;
    case 3: // laptop panel, EDID 1.4, 8 bits per colour over DisplayPort
        WriteBase(e.data(),
                  {"LPQ",
                   0x15A6,
                   0x00000000,
                   8,
                   2021,
                   4,
                   0xA5,
                   34,
                   19,
                   2.2,
                   0x02,
                   kSrgbPanel,
                   {0x00, 0x00, 0x00},
                   {kNoStd, kNoStd, kNoStd, kNoStd, kNoStd, kNoStd, kNoStd, kNoStd},
                   {DetailedTiming(
                        {13850, 1920, 48, 32, 80, 1080, 3, 5, 23, 344, 194, false, false, false}),
                    DetailedTiming(
                        {11080, 1920, 48, 32, 80, 1080, 3, 5, 23, 344, 194, false, false, false}),
                    TextDescriptor(0xFE, "LPQ DISPLAY"), TextDescriptor(0xFE, "N156FHX-LP1")},
                   0});
        break;
    case 4: // home cinema projector with 3D
        WriteBase(
            e.data(),
            {"VDR",
             0x3D10,
             0x0000F00D,
             20,
             2016,
             3,
             0x80,
             0,
             0,
             2.2,
             0x0A,
             kProjector,
             {0x21, 0x08, 0x00},
             {Std(1280, 3, 60), Std(1280, 0, 60), kNoStd, kNoStd, kNoStd, kNoStd, kNoStd, kNoStd},
             {DetailedTiming(k1080p60), DetailedTiming(k1080p24),
              RangeLimits(24, 120, 15, 140, 170), TextDescriptor(0xFC, "VDR PJ-3D10")},
             1});
        WriteCta(
            e.data() + 128, 0xF1,
            {DataBlock(kTagVideo, {0x90, 4, 31, 19, 32, 33, 34, 5, 20, 3, 18, 2, 17, 1, 63}),
             DataBlock(kTagAudio, Sad(1, 2, 0x07, 0x07)),
             // HDMI 165 MHz, HDMI video present, 3D present, no HDMI VICs.
             DataBlock(kTagVendor, {0x03, 0x0C, 0x00, 0x10, 0x00, 0x00, 0x21, 0x20, 0x80, 0x00})},
            {DetailedTiming(k720p60), DetailedTiming(k1080i60)});
        break;
    case 5: // 4K monitor behind a DisplayPort-to-HDMI 1.4 adapter
        WriteBase(e.data(), {"VXM",
                             0x2840,
                             0x00112233,
                             30,
                             2020,
                             3,
                             0x80,
                             62,
                             34,
                             2.2,
                             0x2A,
                             kWideGamutPanel,
                             {0x21, 0x08, 0x00},
                             {Std(1920, 3, 60), Std(1680, 0, 60), Std(1280, 2, 60), kNoStd, kNoStd,
                              kNoStd, kNoStd, kNoStd},
                             {DetailedTiming(Sized(k2160p30, 621, 341)),
                              DetailedTiming({24150, 2560, 48, 32, 80, 1440, 3, 5, 33, 621, 341,
                                              true, false, false}),
                              RangeLimits(24, 60, 30, 135, 300), TextDescriptor(0xFC, "VX-28U4K")},
                             1});
        WriteCta(
            e.data() + 128, 0x71,
            {DataBlock(kTagVideo, {95, 94, 93, 16, 4, 31, 19, 3, 2, 1, 34, 33, 32}),
             DataBlock(kTagAudio, Sad(1, 2, 0x07, 0x07)),
             DataBlock(kTagVendor,
                       {0x03, 0x0C, 0x00, 0x10, 0x00, 0xB8, 0x3C, 0x20, 0x00, 0x60, 1, 2, 3}),
             ExtendedBlock(0, {0x4A})},
            {DetailedTiming(Sized(k1080p60, 621, 341)), DetailedTiming(Sized(k720p60, 621, 341))});
        break;
    default: // slot 0: DVI-only monitor, a single base block
        WriteBase(e.data(), {"VXM",
                             0x2419,
                             0x0A1204BD,
                             17,
                             2011,
                             3,
                             0x81,
                             52,
                             32,
                             2.2,
                             0xEA,
                             kSrgbPanel,
                             {0xA5, 0x4B, 0x00},
                             {Std(1280, 2, 60), Std(1600, 1, 60), Std(1680, 0, 60),
                              Std(1920, 0, 60), Std(1440, 0, 60), Std(1280, 1, 60), kNoStd, kNoStd},
                             {DetailedTiming({15400, 1920, 48, 32, 80, 1200, 3, 6, 26, 518, 324,
                                              true, false, false}),
                              RangeLimits(56, 76, 30, 81, 170), TextDescriptor(0xFC, "VX-2419D"),
                              TextDescriptor(0xFF, "VX9A1204837")},
                             0});
        break;
    }
    return e;
}

const char* SavedEdidDescription(int slot) {
    switch (slot) {
    case 1:
        return "1080p television (HDMI)";
    case 2:
        return "AV receiver with 7.1 audio (HDMI)";
    case 3:
        return "laptop panel (EDID 1.4, no extension)";
    case 4:
        return "3D projector (HDMI)";
    case 5:
        return "4K monitor behind a DP-HDMI adapter";
    default:
        return "DVI-only monitor (no extension)";
    }
}

} // namespace sgsim
