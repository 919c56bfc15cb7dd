// EDID validation and decoding: a 256-byte image (base block and first extension block) in,
// the five texts of the EDID page out. No UI and no I/O here, so the page only moves texts.
//
// Every read of the decoder stays inside the 256 bytes of the image, whatever the extension
// offset d, the data block lengths or the descriptor count say:
//   - an extension detailed timing descriptor that does not fit wholly inside the image is
//     skipped and not counted;
//   - a data block collection walk, a short video or audio descriptor list, a list of VICs or a
//     4:2:0 bitmap stops at the first byte that would lie outside the image;
//   - bytes after the image (the page keeps spare room there) are never read.
// A detailed timing whose horizontal or vertical total is zero has no rate and shows rate 0.
//
// How the EDID page uses it: after a complete read from the generator, ValidateAndDecode(m_abEdid)
// gives all five members; DecodeEdid(section) appends DecodeSection(m_abEdid, section); after
// "Open EDID" (edid_file.h) DecodeWithoutValidation gives the hex dump and the reports while the
// page keeps its status text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace edid {

constexpr std::size_t kImageSize = 256;
constexpr std::size_t kBlockSize = 128;

using Image = std::array<std::uint8_t, kImageSize>;

// A read-only view of the first 256 bytes of a byte buffer that holds at least that many. Built
// implicitly from a C array or std::array of 256 bytes or more, so the page can pass its image
// (which has spare bytes after the 256) as it is.
class ImageView {
public:
    template <std::size_t N> ImageView(const std::uint8_t (&bytes)[N]) : m_pBytes(bytes) {
        static_assert(N >= kImageSize, "an EDID image holds 256 bytes");
    }
    template <std::size_t N>
    ImageView(const std::array<std::uint8_t, N>& bytes) : m_pBytes(bytes.data()) {
        static_assert(N >= kImageSize, "an EDID image holds 256 bytes");
    }
    // For callers that hold the image behind a pointer; bytes must point to 256 readable bytes.
    static ImageView FromPointer(const std::uint8_t* bytes) { return ImageView(bytes); }

    std::uint8_t operator[](std::size_t offset) const { return m_pBytes[offset]; }
    const std::uint8_t* data() const { return m_pBytes; }

private:
    explicit ImageView(const std::uint8_t* bytes) : m_pBytes(bytes) {}
    const std::uint8_t* m_pBytes;
};

// The five texts of the EDID page. Lines end with CR LF; the status separates its parts with a
// lone CR (a static control shows it as a line break).
struct Decoded {
    std::string status;  // EDID kind and checksum status
    std::string hexDump; // 256 x "XX " without line breaks
    std::string video;   // "Video Information:"
    std::string audio;   // "Audio Information:"
    std::string general; // "General Info:"
};

enum Section { kVideoSection = 0, kAudioSection = 1, kGeneralSection = 2 };

// The full check after an EDID has been read from the generator: header, kind and checksums into
// the status, then the hex dump and the three reports. A bad header leaves everything but the
// status empty; a checksum error still decodes.
Decoded ValidateAndDecode(ImageView image);

// What "Open EDID" shows: the hex dump and the three reports, no header or checksum check; the
// status is left empty (the page keeps its previous status text).
Decoded DecodeWithoutValidation(ImageView image);

// The text of one report: section 0 video, 1 audio, 2 general; any other value gives an empty
// text.
std::string DecodeSection(ImageView image, int section);

// The status text alone ("EDID data header error !", "HDMI EDID\rcheck sum Ok !", ...).
std::string StatusText(ImageView image);

// True when bytes 0..7 are 00 FF FF FF FF FF FF 00.
bool HasValidHeader(ImageView image);
// True when the 128 bytes of block 0 (the base block) or block 1 add up to 0 modulo 256.
bool BlockChecksumOk(ImageView image, int block);

// The 256 bytes as two upper-case hex digits and one blank each.
std::string HexDump(ImageView image);

// Name of a CTA video identification code 1..107 ("1920x1080p@60Hz  16:9"); nullptr for 0 and
// codes above 107.
const char* SvdName(unsigned vic);

} // namespace edid
