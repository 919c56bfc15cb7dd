// EDID validation, hex dump and the three reports of the EDID page.
//
// The decoder is deliberately partial and follows fixed rules rather than the full standards:
// the header byte at 132 is taken as the video data block, the first vendor-specific block is
// taken as the HDMI one, and the first block of a tag is the one used. All bounds against the
// 256-byte image are checked here (see edid_decoder.h for what happens at the edge).
#include "edid/edid_decoder.h"

#include "edid/edid_tables.h"

#include <cstdarg>
#include <cstdio>

namespace edid {

namespace {

constexpr std::size_t kExtension = kBlockSize; // image offset of the extension block
constexpr std::size_t kNoBlock = 0;            // no data block header can sit at offset 0
constexpr std::size_t kDtdSize = 18;

constexpr unsigned kTagAudio = 1;
constexpr unsigned kTagVideo = 2;
constexpr unsigned kTagVendor = 3;
constexpr unsigned kTagExtended = 7;

constexpr unsigned kExtendedY420Video = 14;      // YCbCr 4:2:0 video data block
constexpr unsigned kExtendedY420Capability = 15; // YCbCr 4:2:0 capability map data block

bool InImage(std::size_t offset) {
    return offset < kImageSize;
}

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void Appendf(std::string& out, const char* format, ...) {
    char line[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0)
        out.append(line, static_cast<std::size_t>(n) < sizeof line ? n : sizeof line - 1);
}

// The fields of an 18-byte detailed timing descriptor that the reports use.
struct DetailedTiming {
    bool shown;      // bytes 0 and 1 (the pixel clock) both non-zero
    bool interlaced; // byte 17 bit 7
    int hActive;
    int vActive; // lines of one field when interlaced
    int rate;    // Hz, rounded; 0 when a total is zero
};

// offset + 18 must not exceed the image.
DetailedTiming ReadDetailedTiming(ImageView image, std::size_t offset) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned>(image[offset + i]); };
    const unsigned clock = b(0) + 256u * b(1); // 10 kHz units
    const unsigned hActive = b(2) + 256u * (b(4) >> 4);
    const unsigned hBlank = b(3) + 256u * (b(4) & 0x0F);
    const unsigned vActive = b(5) + 256u * (b(7) >> 4);
    const unsigned vBlank = b(6) + 256u * (b(7) & 0x0F);
    const unsigned hTotal = hActive + hBlank;
    const unsigned vTotal = vActive + vBlank;

    DetailedTiming t;
    t.shown = b(0) != 0 && b(1) != 0;
    t.interlaced = (b(17) & 0x80) != 0;
    t.hActive = static_cast<int>(hActive);
    t.vActive = static_cast<int>(vActive);
    // Divide by the horizontal total first, then by the vertical one, as the rate has always
    // been computed; a descriptor that is not a timing can have a zero total.
    if (hTotal == 0 || vTotal == 0)
        t.rate = 0;
    else
        t.rate = static_cast<int>(clock * 10000.0 / hTotal / vTotal + 0.5);
    return t;
}

bool ExtensionPresent(ImageView image) {
    return image[126] != 0 && image[128] == 0x02;
}

// Walks the data block collection of the extension (block offsets 4 up to d - 1) and returns the
// image offset of the header of the first block with the tag, or kNoBlock. The walk stops when
// the next header would lie outside the image.
std::size_t FindDataBlock(ImageView image, unsigned tag) {
    const std::size_t d = image[130];
    std::size_t offset = 4;
    while (offset < d && InImage(kExtension + offset)) {
        const unsigned header = image[kExtension + offset];
        if ((header >> 5) == tag)
            return kExtension + offset;
        offset += (header & 0x1F) + 1;
    }
    return kNoBlock;
}

unsigned BlockLength(ImageView image, std::size_t header) {
    return image[header] & 0x1F;
}

void AppendTiming(std::string& out, const char* label, const DetailedTiming& t) {
    if (t.interlaced)
        Appendf(out, "%s%dx%di@%dHz\r\n", label, t.hActive, 2 * t.vActive, t.rate);
    else
        Appendf(out, "%s%dx%d@%dHz\r\n", label, t.hActive, t.vActive, t.rate);
}

void AppendVicName(std::string& out, unsigned vic) {
    if (const char* name = SvdName(vic)) {
        out += name;
        out += "\r\n";
    }
}

std::string VideoInformation(ImageView image) {
    std::string out;

    const DetailedTiming preferred = ReadDetailedTiming(image, 54);
    if (preferred.interlaced)
        Appendf(out, "Preferred Timing:%dx%di@%dHz \r\n", preferred.hActive, 2 * preferred.vActive,
                preferred.rate);
    else
        Appendf(out, "Preferred Timing:%dx%d@%dHz\r\n", preferred.hActive, preferred.vActive,
                preferred.rate);

    for (std::size_t offset : {72u, 90u, 108u}) {
        const DetailedTiming t = ReadDetailedTiming(image, offset);
        if (t.shown)
            AppendTiming(out, "Detailed Timing:", t);
    }

    if (!ExtensionPresent(image)) {
        out += "\r\n";
        return out;
    }

    const int d = image[130];
    if (d != 127) {
        // (144 - d) / 18 truncates toward zero, so a d above 126 examines nothing. Descriptors
        // that would run past the image are skipped and not numbered.
        const int count = (144 - d) / 18;
        int shown = 0;
        for (int k = 0; k < count; ++k) {
            const std::size_t offset = kExtension + d + kDtdSize * k;
            if (offset + kDtdSize > kImageSize)
                break;
            const DetailedTiming t = ReadDetailedTiming(image, offset);
            if (!t.shown)
                continue;
            ++shown;
            if (t.interlaced)
                Appendf(out, "Extension Detailed Timing%d:%dx%di@%dHz\r\n", shown, t.hActive,
                        2 * t.vActive, t.rate);
            else
                Appendf(out, "Extension Detailed Timing%d:%dx%d@%dHz\r\n", shown, t.hActive,
                        t.vActive, t.rate);
        }
    }

    // The short video descriptors are read at a fixed place: byte 132 is taken as the header of
    // the video data block whatever its tag says.
    out += "\r\nShort Video Descripter\r\n";
    const std::size_t svdCount = image[132] & 0x1F;
    for (std::size_t i = 0; i < svdCount && InImage(133 + i); ++i) {
        const unsigned svd = image[133 + i];
        const char* name = SvdName(svd & 0x7F);
        if (!name)
            continue;
        out += name;
        if (svd & 0x80)
            out += "  Native";
        out += "\r\n";
    }
    out += "\r\n";
    return out;
}

std::string AudioInformation(ImageView image) {
    std::string out;
    if (ExtensionPresent(image)) {
        const std::size_t block = FindDataBlock(image, kTagAudio);
        if (block != kNoBlock) {
            const unsigned length = BlockLength(image, block);
            // Descriptors of three bytes at block offsets 1, 4, 7, ... while the offset is below
            // L; a descriptor whose third byte would lie outside the image ends the list.
            for (unsigned o = 1; o < length; o += 3) {
                const std::size_t at = block + o;
                if (!InImage(at + 2))
                    break;
                const unsigned format = image[at];
                const unsigned rates = image[at + 1];
                const unsigned sizes = image[at + 2];
                Appendf(out, "Audio Format:%s\r\n", AudioFormatName((format >> 3) & 0x0F));
                Appendf(out, "Audio Channel(s):%d\r\n", static_cast<int>(format & 0x07) + 1);
                out += "Sample Frequency:\r\n";
                for (int bit = 6; bit >= 0; --bit)
                    if (rates & (1u << bit))
                        Appendf(out, "%s\r\n", SampleRateName(bit));
                out += "\r\n";
                if (sizes & 0x07) {
                    out += "Sample Bit:\r\n";
                    for (int bit = 2; bit >= 0; --bit)
                        if (sizes & (1u << bit))
                            Appendf(out, "%s \r\n", SampleSizeName(bit));
                    out += "\r\n";
                }
                out += "\r\n";
            }
        }
    }
    out += "\r\n";
    return out;
}

// Appends a byte of the product name as UTF-8 (the name's bytes are Latin-1 characters).
void AppendLatin1(std::string& out, unsigned char c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool SignatureAt(ImageView image, std::size_t i, std::uint8_t tag) {
    return image[i] == 0 && image[i + 1] == 0 && image[i + 2] == 0 && image[i + 3] == tag;
}

void AppendExtensionGeneral(std::string& out, ImageView image) {
    const unsigned flags = image[131];
    if (flags & 0x70) {
        out += "Extension Device Support:\r\n";
        if (flags & 0x40)
            out += "Base Audio\r\n";
        if (flags & 0x20)
            out += "YCbCr4:4:4\r\n";
        if (flags & 0x10)
            out += "YCbCr4:2:2\r\n";
        out += "\r\n";
    }

    int native = 0;
    const std::size_t video = FindDataBlock(image, kTagVideo);
    if (video != kNoBlock) {
        const std::size_t length = BlockLength(image, video);
        for (std::size_t i = 1; i <= length && InImage(video + i); ++i)
            if (image[video + i] & 0x80)
                ++native;
    }
    Appendf(out, "Native Timings:%d\r\n", native);

    // The first vendor-specific block is taken as the HDMI one; its identifier is not checked.
    const std::size_t vendor = FindDataBlock(image, kTagVendor);
    const unsigned vendorLength = vendor != kNoBlock ? BlockLength(image, vendor) : 0;

    bool ycbcr444DeepColor = false;
    if (vendor != kNoBlock && vendorLength >= 6 && InImage(vendor + 6)) {
        const unsigned deep = image[vendor + 6];
        if (deep & 0x70) {
            out += "Deep Color:\r\n";
            if (deep & 0x40)
                out += "48Bit ";
            if (deep & 0x20)
                out += "36Bit ";
            if (deep & 0x10)
                out += "30Bit ";
            out += "\r\n";
        }
        ycbcr444DeepColor = (deep & 0x08) != 0;
    }
    out +=
        ycbcr444DeepColor ? "YCbCr444 DeepColor:support\r\n" : "YCbCr444 DeepColor:not support\r\n";

    bool stereo = false;
    unsigned hdmiVicCount = 0;
    std::size_t hdmiVics = 0; // image offset of the first HDMI VIC
    if (vendor != kNoBlock && vendorLength >= 8 && InImage(vendor + 8) &&
        (image[vendor + 8] & 0x20)) {
        const unsigned present = image[vendor + 8];
        std::size_t skip = (present & 0x80) ? 3 : 1;
        if (present & 0x40)
            skip += 2;
        const std::size_t at = vendor + 8 + skip;
        if (InImage(at)) {
            stereo = (image[at] & 0x80) != 0;
            if (InImage(at + 1)) {
                hdmiVicCount = image[at + 1] >> 5;
                hdmiVics = at + 2;
            }
        }
    }
    out += stereo ? "3D video:support\r\n" : "3D video:not support\r\n";
    out += "\r\n";
    if (hdmiVicCount > 0) {
        out += "Extended Resolution(4Kx2K):\r\n";
        for (std::size_t i = 0; i < hdmiVicCount && InImage(hdmiVics + i); ++i)
            out += HdmiVicText(image[hdmiVics + i]);
    }
}

void AppendY420(std::string& out, ImageView image) {
    // Walks whatever bytes 128 onward hold, extension or not.
    const std::size_t block = FindDataBlock(image, kTagExtended);
    if (block == kNoBlock || !InImage(block + 1)) {
        out += "\r\n";
        return;
    }
    const unsigned code = image[block + 1];
    // Bytes after the extended tag code; -1 for a block of length 0, whose loops then run zero
    // times.
    const int count = static_cast<int>(BlockLength(image, block)) - 1;
    const std::size_t first = block + 2;

    if (code == kExtendedY420Video) {
        out += "\r\nY420VDB Descripter :\r\n";
        for (int i = 0; i < count && InImage(first + i); ++i)
            AppendVicName(out, image[first + i]);
    } else if ((code & 0x1F) == kExtendedY420Capability) {
        out += "\r\nY420CMDB Descripter :\r\n";
        if (count == 0)
            out += "All SVDs do support YUV420\r\n";
        for (int i = 0; i < count && InImage(first + i); ++i) {
            const unsigned bitmap = image[first + i];
            for (int j = 0; j < 8; ++j) {
                if (!(bitmap & (1u << j)))
                    continue;
                // Bit j of bitmap byte i stands for the short video descriptor 8i + j of the
                // fixed list at byte 133.
                const std::size_t svd = 133 + 8 * static_cast<std::size_t>(i) + j;
                if (InImage(svd))
                    AppendVicName(out, image[svd] & 0x7F);
            }
        }
    }
    out += "\r\n";
}

std::string GeneralInformation(ImageView image) {
    std::string out = "\r\n";

    const unsigned m0 = image[8];
    const unsigned m1 = image[9];
    Appendf(out, "Manufacture's Name:%c%c%c\r\n", static_cast<char>((m0 >> 2) + 0x40),
            static_cast<char>((((m0 & 3) << 3) | (m1 >> 5)) + 0x40),
            static_cast<char>((m1 & 0x1F) + 0x40));
    Appendf(out, "Product Code:%u\r\n", image[10] + 256u * image[11]);
    Appendf(out, "Video Signal Interface:%s\r\n", (image[20] & 0x80) ? "Digtal" : "Analog");
    out += "Color Bit Depth:Reserved\r\n";

    // Signatures are looked for at every byte position 54..108, not only at descriptor starts;
    // the last product name found is the one shown, padded with blanks to 13 characters.
    bool haveName = false;
    std::uint8_t name[13];
    for (std::size_t i = 54; i <= 108; ++i) {
        if (!SignatureAt(image, i, 0xFC))
            continue;
        haveName = true;
        for (auto& c : name)
            c = ' ';
        for (std::size_t k = 0; k < 13; ++k) {
            const std::uint8_t c = image[i + 5 + k];
            if (c == 0x0A || c == 0x00)
                break;
            name[k] = c;
        }
    }
    if (haveName) {
        out += "Display Product Name:";
        for (std::uint8_t c : name)
            AppendLatin1(out, c);
        out += "\r\n";
    }

    for (std::size_t i = 54; i <= 108; ++i) {
        if (!SignatureAt(image, i, 0xFD))
            continue;
        Appendf(out, "Vertical Rate:%uHz--%uHz\r\n", unsigned{image[i + 5]},
                unsigned{image[i + 6]});
        Appendf(out, "Horizontal Rate:%uKHz--%uKHz\r\n", unsigned{image[i + 7]},
                unsigned{image[i + 8]});
        Appendf(out, "Maximum Pixel Clock:%uMHz\r\n", image[i + 9] * 10u);
    }

    if (ExtensionPresent(image))
        AppendExtensionGeneral(out, image);
    AppendY420(out, image);
    return out;
}

unsigned BlockSum(ImageView image, std::size_t first) {
    unsigned sum = 0;
    for (std::size_t i = first; i < first + kBlockSize; ++i)
        sum += image[i];
    return sum & 0xFF;
}

} // namespace

bool BlockChecksumOk(ImageView image, int block) {
    return BlockSum(image, block == 0 ? 0 : kExtension) == 0;
}

bool HasValidHeader(ImageView image) {
    static const std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    for (std::size_t i = 0; i < 8; ++i)
        if (image[i] != kHeader[i])
            return false;
    return true;
}

std::string StatusText(ImageView image) {
    if (!HasValidHeader(image))
        return "EDID data header error !";
    const bool base = BlockSum(image, 0) == 0;
    if (image[126] == 0)
        return base ? "DVI EDID" : "DVI EDID\rCheck sum error !";
    std::string status = "HDMI EDID";
    if (!base)
        status += "\rBank0 check sum error !";
    if (BlockSum(image, kExtension) != 0)
        status += "\rBank1 check sum error !";
    else
        status += base ? "\rcheck sum Ok !" : "\rBank1 check sum Ok !";
    return status;
}

std::string HexDump(ImageView image) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out(kImageSize * 3, ' ');
    for (std::size_t i = 0; i < kImageSize; ++i) {
        out[3 * i] = kDigits[image[i] >> 4];
        out[3 * i + 1] = kDigits[image[i] & 0x0F];
    }
    return out;
}

std::string DecodeSection(ImageView image, int section) {
    switch (section) {
    case kVideoSection:
        return VideoInformation(image);
    case kAudioSection:
        return AudioInformation(image);
    case kGeneralSection:
        return GeneralInformation(image);
    default:
        return std::string();
    }
}

Decoded DecodeWithoutValidation(ImageView image) {
    Decoded d;
    d.hexDump = HexDump(image);
    d.video = VideoInformation(image);
    d.audio = AudioInformation(image);
    d.general = GeneralInformation(image);
    return d;
}

Decoded ValidateAndDecode(ImageView image) {
    if (!HasValidHeader(image)) {
        Decoded d;
        d.status = StatusText(image);
        return d;
    }
    Decoded d = DecodeWithoutValidation(image);
    d.status = StatusText(image);
    return d;
}

} // namespace edid
