// The named checks of edid_checks.h: the base block's structure, descriptors and timings, then
// each extension block, CTA-861 ones down to their data blocks. The model gives the decoded
// fields; the raw bytes give what the model leaves out (checksums, padding, cut lengths).
#include "edid/edid_checks.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace edid {

namespace {

// mingw's plain printf format knows no %z; its C++ runtime's printf (gnu_printf) does.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n <= 0)
        return std::string();
    return std::string(text, static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1);
}

class Checker {
public:
    Checker(const EdidModel& m, const std::uint8_t* bytes, std::size_t size)
        : m_model(m), m_bytes(bytes), m_size(size) {}

    std::vector<Finding> Run();

private:
    unsigned At(std::size_t i) const { return i < m_size ? m_bytes[i] : 0u; }
    void Error(const char* rule, std::size_t offset, std::string message) {
        m_findings.push_back({rule, Severity::kError, std::move(message), long(offset)});
    }
    void Warning(const char* rule, std::size_t offset, std::string message) {
        m_findings.push_back({rule, Severity::kWarning, std::move(message), long(offset)});
    }
    bool Version14() const { return m_model.versionMajor == 1 && m_model.versionMinor >= 4; }

    void CheckSize();
    void CheckHeaderAndSums();
    void CheckVendorProduct();
    void CheckStandardTimings();
    void CheckDescriptors();
    void CheckText(std::size_t offset, unsigned tag);
    void CheckTimings();
    void CheckExtension(const Extension& e);
    void CheckCtaLayout(const Extension& e);
    void CheckDataBlock(const DataBlockInfo& info);
    void CheckHdmiFields(const DataBlockInfo& info);
    void CheckVic(const ShortVideo& s, std::size_t offset, const char* where);
    void CheckCta(const Extension& e);

    const EdidModel& m_model;
    const std::uint8_t* m_bytes;
    std::size_t m_size;
    std::vector<Finding> m_findings;
};

const char* TextKind(unsigned tag) {
    switch (tag) {
    case 0xFC:
        return "product name";
    case 0xFF:
        return "serial number";
    default:
        return "data string";
    }
}

void Checker::CheckSize() {
    const std::size_t used = m_model.blocks * kBlockSize;
    if (m_size > used) {
        if (m_size > kMaxEdidSize)
            Warning("trailing-bytes", used,
                    Format("%zu bytes past the largest EDID (%zu bytes, 256 blocks) are ignored",
                           m_size - used, kMaxEdidSize));
        else
            Warning(
                "trailing-bytes", used,
                Format("%zu bytes after the last whole 128-byte block are ignored", m_size - used));
    }
}

void Checker::CheckHeaderAndSums() {
    static const unsigned kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    for (std::size_t i = 0; i < 8; ++i) {
        if (At(i) != kHeader[i]) {
            Error("header", 0, "bytes 0..7 are not the header 00 FF FF FF FF FF FF 00");
            break;
        }
    }
    // The base block and the extension blocks it announces; blocks after those belong to no
    // EDID (the page's image keeps a second block even for an EDID without extension).
    const std::size_t last =
        m_model.extensionCount < m_model.blocks - 1 ? m_model.extensionCount : m_model.blocks - 1;
    for (std::size_t block = 0; block <= last; ++block) {
        unsigned sum = 0;
        for (std::size_t i = block * kBlockSize; i < (block + 1) * kBlockSize; ++i)
            sum += At(i);
        sum &= 0xFF;
        if (sum != 0) {
            const std::size_t at = block * kBlockSize + 127;
            Error("checksum", at,
                  Format("block %zu: the bytes sum to 0x%02X, not 0 (byte 0x%03zX would be "
                         "0x%02X)",
                         block, sum, at, (At(at) - sum) & 0xFF));
        }
    }
    if (m_model.extensionCount > m_model.blocks - 1)
        Error("extension-count", 126,
              Format("byte 126 announces %u extension block%s; the image holds %zu",
                     m_model.extensionCount, m_model.extensionCount == 1 ? "" : "s",
                     m_model.blocks - 1));
    // A block past the announced ones that holds more than a fill of 00 or FF is likely an
    // extension that byte 126 forgot.
    for (std::size_t block = last + 1; block < m_model.blocks; ++block) {
        const std::size_t first = block * kBlockSize;
        bool fill = true;
        for (std::size_t i = first; i < first + kBlockSize && fill; ++i)
            fill = At(i) == At(first) && (At(first) == 0x00 || At(first) == 0xFF);
        if (!fill) {
            Warning("unannounced-block", first,
                    Format("block %zu holds data, but byte 126 announces %u extension block%s",
                           block, m_model.extensionCount, m_model.extensionCount == 1 ? "" : "s"));
            break;
        }
    }
}

void Checker::CheckVendorProduct() {
    if (m_model.versionMajor != 1 || m_model.versionMinor > 4)
        Warning("version", 18,
                Format("EDID version %u.%u is none of 1.0 to 1.4", m_model.versionMajor,
                       m_model.versionMinor));
    const unsigned id = (At(8) << 8) | At(9);
    bool letters = (id & 0x8000) == 0;
    for (int shift : {10, 5, 0}) {
        const unsigned code = (id >> shift) & 0x1F;
        letters = letters && code >= 1 && code <= 26;
    }
    if (!letters)
        Warning("manufacturer", 8,
                Format("the manufacturer id 0x%04X does not code three letters A to Z", id));
    const unsigned week = m_model.week;
    if (week > 54 && week != 255)
        Warning("date", 16, Format("week %u of manufacture is none of 1 to 54", week));
    else if (week == 255 && !Version14())
        Warning("date", 16, "week 255 (model year) is defined from EDID 1.4 on");
    if (Version14() && At(17) < 16)
        Warning("date", 17,
                Format("year %u lies before 2006, which EDID 1.4 does not allow", m_model.year));
}

void Checker::CheckStandardTimings() {
    std::size_t first = 0;
    unsigned count = 0;
    for (std::size_t i = 38; i < 54; i += 2) {
        const unsigned b0 = At(i), b1 = At(i + 1);
        if ((b0 == 0x01 && b1 == 0x01) || !(b0 == 0x00 || (b0 == 0x20 && b1 == 0x20)))
            continue;
        if (count++ == 0)
            first = i;
    }
    if (count > 0)
        Warning("standard-timing", first,
                Format("%u unused standard timing%s coded as %02X %02X (first at 0x%02zX), not "
                       "01 01",
                       count, count == 1 ? "" : "s", At(first), At(first + 1), first));
}

void Checker::CheckText(std::size_t offset, unsigned tag) {
    std::size_t lineFeed = 18;
    for (std::size_t i = 5; i < 18; ++i) {
        if (At(offset + i) == 0x0A) {
            lineFeed = i;
            break;
        }
    }
    const char* kind = TextKind(tag);
    if (lineFeed == 18) {
        // Thirteen characters need no terminator; a shorter text padded without one does.
        const unsigned last = At(offset + 17);
        if (last == 0x20 || last == 0x00)
            Warning("descriptor-text", offset,
                    Format("the %s at 0x%03zX has no line feed after its text", kind, offset));
    } else {
        for (std::size_t i = lineFeed + 1; i < 18; ++i) {
            if (At(offset + i) != 0x20) {
                Warning("descriptor-text", offset + i,
                        Format("the %s at 0x%03zX is padded with 0x%02X after its line feed, "
                               "not blanks",
                               kind, offset, At(offset + i)));
                break;
            }
        }
    }
    for (std::size_t i = 5; i < lineFeed; ++i) {
        const unsigned c = At(offset + i);
        if ((c < 0x20 && c != 0x00) || c == 0x7F) {
            Warning(
                "descriptor-text", offset + i,
                Format("the %s at 0x%03zX holds the control character 0x%02X", kind, offset, c));
            break;
        }
    }
}

void Checker::CheckDescriptors() {
    for (const DisplayDescriptor& d : m_model.displayDescriptors) {
        // Byte 2 is zero in every display descriptor; byte 4 too, but for the range limits of
        // EDID 1.4, which keep their rate offsets there.
        if (At(d.offset + 2) != 0 || (At(d.offset + 4) != 0 && !(d.tag == 0xFD && Version14())))
            Warning(
                "display-descriptor", d.offset,
                Format("the display descriptor at 0x%03zX has non-zero reserved bytes", d.offset));
        if (d.tag == 0xFC || d.tag == 0xFE || d.tag == 0xFF)
            CheckText(d.offset, d.tag);
    }
    const bool version13 = m_model.versionMajor == 1 && m_model.versionMinor == 3;
    if (version13 && !m_model.hasProductName)
        Warning("display-name-missing", 54, "EDID 1.3 requires a product name descriptor");
    if (!m_model.hasRangeLimits && (version13 || (Version14() && (m_model.features & 0x01))))
        Warning("range-limits-missing", 54,
                version13 ? "EDID 1.3 requires a range limits descriptor"
                          : "a display of continuous frequencies needs a range limits "
                            "descriptor");
    if (m_model.hasRangeLimits) {
        const RangeLimits& r = m_model.rangeLimits;
        if (r.vMinHz > r.vMaxHz || r.hMinKhz > r.hMaxKhz)
            Warning("range-limits", r.offset,
                    Format("the range limits' minimum rates exceed their maximum (%u-%u Hz, "
                           "%u-%u kHz)",
                           r.vMinHz, r.vMaxHz, r.hMinKhz, r.hMaxKhz));
    }
}

void Checker::CheckTimings() {
    if (!m_model.hasPreferredTiming) {
        Error("preferred-timing", 54,
              "the first descriptor holds no timing (pixel clock 0): the preferred timing is "
              "missing");
    }
    if (m_model.versionMajor == 1 && m_model.versionMinor == 3 && !(m_model.features & 0x02))
        Warning("preferred-timing-flag", 24,
                "EDID 1.3 requires the preferred timing bit (byte 24 bit 1)");
    const RangeLimits* range = m_model.hasRangeLimits ? &m_model.rangeLimits : nullptr;
    for (const DetailedTiming& t : m_model.detailedTimings) {
        const bool preferred = t.offset == 54;
        if (t.hActive == 0 || t.vActive == 0) {
            Error(preferred ? "preferred-timing" : "detailed-timing", t.offset,
                  Format("the %s timing at 0x%03zX has a zero active size (%ux%u)",
                         preferred ? "preferred" : "detailed", t.offset, t.hActive, t.vActive));
            continue;
        }
        if (t.HBackPorch() < 0 || t.VBackPorch() < 0) {
            Error("detailed-timing", t.offset,
                  Format("the timing at 0x%03zX: front porch and sync (%u, %u lines) overrun "
                         "the blanking (%u, %u lines)",
                         t.offset, t.hFrontPorch + t.hSync, t.vFrontPorch + t.vSync, t.hBlank,
                         t.vBlank));
            continue;
        }
        if (!range)
            continue;
        const double clock = t.PixelClockMhz();
        const long h = std::lround(t.HFreqKhz());
        const long v = std::lround(t.VFreqHz());
        if ((range->maxPixelClockMhz > 0 && clock > range->maxPixelClockMhz) ||
            h < long(range->hMinKhz) || h > long(range->hMaxKhz) || v < long(range->vMinHz) ||
            v > long(range->vMaxHz))
            Warning("timing-outside-range", t.offset,
                    Format("the timing at 0x%03zX (%ux%u%s, %.2f MHz, %.2f kHz, %.2f Hz) lies "
                           "outside the range limits",
                           t.offset, t.hActive, t.interlaced ? 2 * t.vActive : t.vActive,
                           t.interlaced ? "i" : "", clock, t.HFreqKhz(), t.VFreqHz()));
    }
}

void Checker::CheckVic(const ShortVideo& s, std::size_t offset, const char* where) {
    if (s.vic == 0)
        Error("cta-vic-range", offset,
              Format("%s at 0x%03zX: the code 0x%02X is reserved", where, offset, s.code));
    else if (!IsDefinedVic(s.vic))
        Error("cta-vic-range", offset,
              Format("%s at 0x%03zX: VIC %u is not defined", where, offset, s.vic));
}

void Checker::CheckHdmiFields(const DataBlockInfo& info) {
    // Where the optional fields of the HDMI block end, from its flags, against its length.
    const std::size_t body = info.offset + 1;
    const unsigned length = info.cut ? 0 : info.length;
    if (length < 5) {
        Error("cta-block-length", info.offset,
              Format("the HDMI block at 0x%03zX is %u bytes long; it needs at least 5", info.offset,
                     info.length));
        return;
    }
    if (length < 8 || !(At(body + 7) & 0xE0))
        return;
    const unsigned present = At(body + 7);
    std::size_t end = 8;
    if (present & 0x80)
        end += 2;
    if (present & 0x40)
        end += 2;
    if (present & 0x20) {
        end += 2; // the 3D byte and the lengths byte
        if (end <= length)
            end += (At(body + end - 1) >> 5) + (At(body + end - 1) & 0x1F);
    }
    if (end > length)
        Error("cta-block-length", info.offset,
              Format("the HDMI block at 0x%03zX is %u bytes long; its flags call for %zu",
                     info.offset, length, end));
}

void Checker::CheckDataBlock(const DataBlockInfo& info) {
    if (info.cut) {
        Error("cta-data-block-overrun", info.offset,
              Format("the data block at 0x%03zX (tag %u, %u bytes) runs past the end of the "
                     "collection",
                     info.offset, info.tag, info.length));
        return;
    }
    const unsigned l = info.length;
    auto wrongLength = [&](const char* name, const char* needs) {
        Error("cta-block-length", info.offset,
              Format("the %s block at 0x%03zX is %u bytes long; %s", name, info.offset, l, needs));
    };
    switch (info.tag) {
    case 1:
        if (l % 3 != 0 || l == 0)
            wrongLength("audio", "short audio descriptors take 3 bytes each");
        break;
    case 4:
        if (l != 3)
            wrongLength("speaker allocation", "it takes 3");
        break;
    case 3:
        if (info.oui == 0x000C03)
            CheckHdmiFields(info);
        else if (info.oui == 0xC45DD8 && l < 7)
            wrongLength("HDMI Forum", "it needs at least 7");
        else if (l < 3)
            wrongLength("vendor-specific", "it needs at least 3 for the OUI");
        break;
    case 7:
        if (l == 0)
            wrongLength("extended", "it needs at least the extended tag");
        else if (info.extendedTag == 5 && l != 3)
            wrongLength("colorimetry", "it takes 3");
        else if (info.extendedTag == 6 && l < 3)
            wrongLength("HDR static metadata", "it needs at least 3");
        else if (info.extendedTag == 0x79 && l < 7)
            wrongLength("HDMI Forum sink capability", "it needs at least 7");
        break;
    default:
        break;
    }
}

void Checker::CheckCtaLayout(const Extension& e) {
    const std::size_t base = e.block * kBlockSize;
    const unsigned d = e.cta.dtdOffset;
    if (e.cta.revision < 1 || e.cta.revision > 3)
        Warning("cta-revision", base + 1,
                Format("CTA-861 extension revision %u is none of 1 to 3", e.cta.revision));
    if ((d >= 1 && d < 4) || d > 127) {
        Error("cta-dtd-offset", base + 2,
              Format("byte 2 of block %zu (%u) is no offset of detailed timings (0 or 4..127)",
                     e.block, d));
        if (d < 4)
            return;
    }
    // Detailed timings from d while one fits before the checksum byte, then zero padding.
    std::size_t offset = d == 0 ? 4 : d;
    if (d != 0) {
        while (offset + 18 <= 127 && (At(base + offset) != 0 || At(base + offset + 1) != 0))
            offset += 18;
        if (offset < 127 && (At(base + offset) != 0 || At(base + offset + 1) != 0)) {
            Error("cta-dtd-overrun", base + offset,
                  Format("a detailed timing at 0x%03zX would run past the checksum byte",
                         base + offset));
            return;
        }
    }
    for (std::size_t i = offset; i < 127; ++i) {
        if (At(base + i) != 0) {
            Warning("cta-padding", base + i,
                    Format("block %zu: byte 0x%03zX after the detailed timings is 0x%02X, not "
                           "zero padding",
                           e.block, base + i, At(base + i)));
            break;
        }
    }
}

void Checker::CheckCta(const Extension& e) {
    const CtaExtension& cta = e.cta;
    CheckCtaLayout(e);
    for (const DataBlockInfo& info : cta.dataBlocks)
        CheckDataBlock(info);

    // Each SVD's byte offset: the video blocks' bodies in order.
    std::size_t index = 0;
    std::vector<bool> seen(256, false);
    for (const DataBlockInfo& info : cta.dataBlocks) {
        if (info.tag == 2) {
            const std::size_t end = info.offset + 1 + info.length;
            for (std::size_t at = info.offset + 1; at < end && index < cta.svds.size(); ++at) {
                const ShortVideo& s = cta.svds[index++];
                CheckVic(s, at, "short video descriptor");
                if (s.vic != 0 && seen[s.vic])
                    Warning("cta-svd-duplicate", at,
                            Format("VIC %u at 0x%03zX is listed twice", s.vic, at));
                seen[s.vic] = true;
            }
        } else if (info.tag == 7 && info.extendedTag == 14) {
            for (unsigned i = 0; i + 1 < info.length && !info.cut; ++i) {
                const std::size_t at = info.offset + 2 + i;
                CheckVic(DecodeSvd(At(at)), at, "4:2:0 video entry");
            }
        }
    }
    std::size_t sadIndex = 0;
    for (const DataBlockInfo& info : cta.dataBlocks) {
        if (info.tag != 1)
            continue;
        for (std::size_t i = 0; i + 3 <= info.length && sadIndex < cta.sads.size(); i += 3) {
            const ShortAudio& a = cta.sads[sadIndex++];
            const std::size_t at = info.offset + 1 + i;
            if (a.format == 0)
                Warning(
                    "cta-sad", at,
                    Format("the short audio descriptor at 0x%03zX has the reserved format 0", at));
            else if (a.rates == 0)
                Warning("cta-sad", at,
                        Format("the short audio descriptor at 0x%03zX names no sample rate", at));
            else if (a.format == 1 && a.sizes == 0)
                Warning("cta-sad", at,
                        Format("the LPCM descriptor at 0x%03zX names no sample size", at));
        }
    }
    if (cta.hasY420CapabilityMap) {
        for (unsigned i : cta.y420CapabilityMap.svdIndexes) {
            if (i >= cta.svds.size()) {
                Warning("y420-capability-map", cta.y420CapabilityMap.offset,
                        Format("the 4:2:0 capability map marks SVD %u; the block lists %zu", i + 1,
                               cta.svds.size()));
                break;
            }
        }
    }
    if (cta.hasHdmi) {
        for (std::size_t i = 0; i < cta.hdmi.hdmiVics.size(); ++i) {
            const unsigned vic = cta.hdmi.hdmiVics[i];
            if (vic < 1 || vic > 4)
                Error("cta-vic-range", cta.hdmi.offset,
                      Format("the HDMI block at 0x%03zX lists HDMI VIC %u; 1 to 4 are defined",
                             cta.hdmi.offset, vic));
        }
        if (cta.hdmi.maxTmdsClockMhz > 340)
            Warning("hdmi-max-tmds", cta.hdmi.offset,
                    Format("the HDMI block gives a TMDS clock of %u MHz; above 340 MHz belongs "
                           "in the HDMI Forum block",
                           cta.hdmi.maxTmdsClockMhz));
    }
    if (cta.hasHdmiForum) {
        const unsigned rate = cta.hdmiForum.maxTmdsCharacterRateMhz;
        if (rate > 0 && rate <= 340)
            Warning("hdmi-max-tmds", cta.hdmiForum.offset,
                    Format("the HDMI Forum block gives %u MHz; it is 0 or above 340 MHz", rate));
        if (!cta.hasHdmi)
            Warning("hdmi-forum-without-hdmi", cta.hdmiForum.offset,
                    "an HDMI Forum block without an HDMI block");
    }
}

void Checker::CheckExtension(const Extension& e) {
    switch (e.tag) {
    case 0x02:
        CheckCta(e);
        break;
    case 0x10: // video timing block
    case 0x40: // display information
    case 0x50: // localized string
    case 0x60: // digital packet video link
    case 0x70: // DisplayID
    case 0xA7:
    case 0xAF:
    case 0xBF: // display transfer characteristics
    case 0xF0: // block map
    case 0xFF: // manufacturer defined
        break;
    default:
        Warning("extension-tag", e.block * kBlockSize,
                Format("block %zu has the unknown extension tag 0x%02X", e.block, e.tag));
        break;
    }
}

std::vector<Finding> Checker::Run() {
    if (m_model.blocks == 0) {
        Error("size", 0, Format("the EDID holds %zu bytes; a base block has 128", m_size));
        return m_findings;
    }
    CheckSize();
    CheckHeaderAndSums();
    CheckVendorProduct();
    CheckStandardTimings();
    CheckTimings();
    CheckDescriptors();
    for (const Extension& e : m_model.extensions)
        CheckExtension(e);
    return m_findings;
}

} // namespace

std::vector<Finding> CheckEdidModel(const EdidModel& model, const std::uint8_t* bytes,
                                    std::size_t size) {
    return Checker(model, bytes, size).Run();
}

const char* SeverityName(Severity severity) {
    return severity == Severity::kError ? "error" : "warning";
}

bool HasErrors(const std::vector<Finding>& findings) {
    for (const Finding& f : findings)
        if (f.severity == Severity::kError)
            return true;
    return false;
}

} // namespace edid
