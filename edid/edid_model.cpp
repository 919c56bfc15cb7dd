// Decoding an EDID into the model of edid_model.h: the base block's fields, its descriptors and
// timings, and each extension block, CTA-861 ones down to their data blocks. One function per
// structure; each reads through a Bytes view that bounds it to its block or data block, so no
// length or offset found in the image can make it read outside the bytes given.
#include "edid/edid_model.h"

namespace edid {

namespace {

// A bounded window on the image: reads at or past its end give 0 and are never made.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size, std::size_t imageOffset)
        : m_data(data), m_size(size), m_offset(imageOffset) {}
    unsigned operator[](std::size_t i) const { return i < m_size ? m_data[i] : 0u; }
    std::size_t size() const { return m_size; }
    std::size_t ImageOffset(std::size_t i) const { return m_offset + i; }
    // The part from begin, at most length bytes long (shorter where this window ends).
    Bytes Sub(std::size_t begin, std::size_t length) const {
        if (begin >= m_size)
            return Bytes(m_data, 0, m_offset + m_size);
        const std::size_t n = length < m_size - begin ? length : m_size - begin;
        return Bytes(m_data + begin, n, m_offset + begin);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_offset;
};

constexpr unsigned kTagAudio = 1;
constexpr unsigned kTagVideo = 2;
constexpr unsigned kTagVendor = 3;
constexpr unsigned kTagSpeaker = 4;
constexpr unsigned kTagExtended = 7;

constexpr unsigned kExtColorimetry = 5;
constexpr unsigned kExtHdrStatic = 6;
constexpr unsigned kExtY420Video = 14;
constexpr unsigned kExtY420Capability = 15;
constexpr unsigned kExtHdmiForumScdb = 0x79;

constexpr unsigned kOuiHdmi = 0x000C03;
constexpr unsigned kOuiHdmiForum = 0xC45DD8;

constexpr unsigned kDtdSize = 18;

// Established timings I and II (bytes 35, 36 from bit 7 down) and the one of byte 37 bit 7.
const NamedTiming kEstablished[17] = {
    {720, 400, 70, false, 0, 0},   {720, 400, 88, false, 0, 0},  {640, 480, 60, false, 0, 0},
    {640, 480, 67, false, 0, 0},   {640, 480, 72, false, 0, 0},  {640, 480, 75, false, 0, 0},
    {800, 600, 56, false, 0, 0},   {800, 600, 60, false, 0, 0},  {800, 600, 72, false, 0, 0},
    {800, 600, 75, false, 0, 0},   {832, 624, 75, false, 0, 0},  {1024, 768, 87, true, 0, 0},
    {1024, 768, 60, false, 0, 0},  {1024, 768, 70, false, 0, 0}, {1024, 768, 75, false, 0, 0},
    {1280, 1024, 75, false, 0, 0}, {1152, 870, 75, false, 0, 0},
};

DetailedTiming ReadDetailedTiming(Bytes d, std::size_t block) {
    DetailedTiming t;
    t.offset = d.ImageOffset(0);
    t.block = block;
    t.pixelClock10kHz = d[0] | (d[1] << 8);
    t.hActive = d[2] | ((d[4] >> 4) << 8);
    t.hBlank = d[3] | ((d[4] & 0x0F) << 8);
    t.vActive = d[5] | ((d[7] >> 4) << 8);
    t.vBlank = d[6] | ((d[7] & 0x0F) << 8);
    t.hFrontPorch = d[8] | (((d[11] >> 6) & 3) << 8);
    t.hSync = d[9] | (((d[11] >> 4) & 3) << 8);
    t.vFrontPorch = (d[10] >> 4) | (((d[11] >> 2) & 3) << 4);
    t.vSync = (d[10] & 0x0F) | ((d[11] & 3) << 4);
    t.widthMm = d[12] | ((d[14] >> 4) << 8);
    t.heightMm = d[13] | ((d[14] & 0x0F) << 8);
    t.interlaced = (d[17] & 0x80) != 0;
    const bool digital = (d[17] & 0x10) != 0;
    t.hsyncPositive = digital && (d[17] & 0x02) != 0;
    t.vsyncPositive = digital && (d[17] & 0x08) != 0 && (d[17] & 0x04) != 0;
    return t;
}

// The text of a name, serial or data string descriptor: up to the line feed, trailing blanks
// cut.
std::string DescriptorText(Bytes d) {
    std::string text;
    for (std::size_t i = 5; i < 18; ++i) {
        const unsigned c = d[i];
        if (c == 0x0A)
            break;
        text += static_cast<char>(c);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

void ReadStandardTiming(EdidModel& m, unsigned b0, unsigned b1) {
    // 01 01 marks an unused entry; 00 00 and 20 20 are fillers some EDIDs use instead.
    if ((b0 == 0x01 && b1 == 0x01) || b0 == 0x00 || (b0 == 0x20 && b1 == 0x20))
        return;
    NamedTiming t;
    t.hActive = (b0 + 31) * 8;
    switch (b1 >> 6) {
    case 0:
        // 16:10 from EDID 1.3 on, 1:1 before.
        if (m.versionMajor == 1 && m.versionMinor < 3) {
            t.aspectX = 1;
            t.aspectY = 1;
        } else {
            t.aspectX = 16;
            t.aspectY = 10;
        }
        break;
    case 1:
        t.aspectX = 4;
        t.aspectY = 3;
        break;
    case 2:
        t.aspectX = 5;
        t.aspectY = 4;
        break;
    default:
        t.aspectX = 16;
        t.aspectY = 9;
        break;
    }
    t.vActive = t.hActive * t.aspectY / t.aspectX;
    t.refreshHz = (b1 & 0x3F) + 60;
    m.standardTimings.push_back(t);
}

void ReadDisplayDescriptor(EdidModel& m, Bytes d) {
    DisplayDescriptor desc;
    desc.offset = d.ImageOffset(0);
    desc.tag = d[3];
    switch (desc.tag) {
    case 0xFC:
    case 0xFE:
    case 0xFF:
        desc.text = DescriptorText(d);
        if (desc.tag == 0xFC && !m.hasProductName) {
            m.hasProductName = true;
            m.productName = desc.text;
        } else if (desc.tag == 0xFF && !m.hasSerialString) {
            m.hasSerialString = true;
            m.serialString = desc.text;
        } else if (desc.tag == 0xFE) {
            m.dataStrings.push_back(desc.text);
        }
        break;
    case 0xFD:
        if (!m.hasRangeLimits) {
            // EDID 1.4 adds 255 to a rate whose offset flag (byte 4) is set.
            const unsigned flags = d[4];
            RangeLimits& r = m.rangeLimits;
            r.offset = desc.offset;
            r.vMinHz = d[5] + ((flags & 0x03) == 0x03 ? 255 : 0);
            r.vMaxHz = d[6] + ((flags & 0x02) ? 255 : 0);
            r.hMinKhz = d[7] + ((flags & 0x0C) == 0x0C ? 255 : 0);
            r.hMaxKhz = d[8] + ((flags & 0x08) ? 255 : 0);
            r.maxPixelClockMhz = d[9] * 10;
            r.timingSupport = d[10];
            m.hasRangeLimits = true;
        }
        break;
    case 0xFA:
        for (std::size_t i = 5; i + 1 < 18; i += 2)
            ReadStandardTiming(m, d[i], d[i + 1]);
        break;
    default:
        break;
    }
    m.displayDescriptors.push_back(desc);
}

void ReadBaseBlock(EdidModel& m, Bytes b) {
    const unsigned id = (b[8] << 8) | b[9];
    m.manufacturer[0] = static_cast<char>('@' + ((id >> 10) & 0x1F));
    m.manufacturer[1] = static_cast<char>('@' + ((id >> 5) & 0x1F));
    m.manufacturer[2] = static_cast<char>('@' + (id & 0x1F));
    m.productCode = b[10] | (b[11] << 8);
    m.serialNumber = static_cast<std::uint32_t>(b[12]) | (static_cast<std::uint32_t>(b[13]) << 8) |
                     (static_cast<std::uint32_t>(b[14]) << 16) |
                     (static_cast<std::uint32_t>(b[15]) << 24);
    m.week = b[16];
    m.year = 1990 + b[17];
    m.versionMajor = b[18];
    m.versionMinor = b[19];

    const unsigned input = b[20];
    m.digital = (input & 0x80) != 0;
    if (m.digital && m.versionMajor == 1 && m.versionMinor >= 4) {
        const unsigned depth = (input >> 4) & 0x07;
        m.bitDepth = depth == 0 || depth == 7 ? 0 : 4 + 2 * depth;
        m.interfaceType = input & 0x0F;
    }
    m.widthCm = b[21];
    m.heightCm = b[22];
    m.gammaCode = b[23];
    m.features = b[24];

    const unsigned established = (b[35] << 16) | (b[36] << 8) | b[37];
    for (unsigned i = 0; i < 17; ++i)
        if (established & (0x800000u >> i))
            m.establishedTimings.push_back(kEstablished[i]);
    for (std::size_t i = 38; i < 54; i += 2)
        ReadStandardTiming(m, b[i], b[i + 1]);

    for (std::size_t offset = 54; offset < 126; offset += kDtdSize) {
        const Bytes d = b.Sub(offset, kDtdSize);
        if (d[0] != 0 || d[1] != 0) {
            m.detailedTimings.push_back(ReadDetailedTiming(d, 0));
            if (offset == 54)
                m.hasPreferredTiming = true;
        } else {
            ReadDisplayDescriptor(m, d);
        }
    }
    m.extensionCount = b[126];
}

// Bytes 1..3 of a vendor-specific block body, least significant first.
unsigned Oui(Bytes body) {
    return body.size() >= 3 ? body[0] | (body[1] << 8) | (body[2] << 16) : 0;
}

void ReadHdmiVsdb(HdmiVsdb& h, Bytes body) {
    // body[0..2] is the OUI.
    h.offset = body.ImageOffset(0) - 1;
    h.physicalAddress = (body[3] << 8) | body[4];
    if (body.size() > 5) {
        const unsigned f = body[5];
        h.supportsAi = (f & 0x80) != 0;
        h.deepColor48 = (f & 0x40) != 0;
        h.deepColor36 = (f & 0x20) != 0;
        h.deepColor30 = (f & 0x10) != 0;
        h.deepColorY444 = (f & 0x08) != 0;
        h.dviDual = (f & 0x01) != 0;
    }
    if (body.size() > 6)
        h.maxTmdsClockMhz = body[6] * 5;
    if (body.size() <= 7)
        return;
    const unsigned present = body[7];
    h.latencyPresent = (present & 0x80) != 0;
    h.interlacedLatencyPresent = (present & 0x40) != 0;
    h.hdmiVideoPresent = (present & 0x20) != 0;
    std::size_t at = 8;
    if (h.latencyPresent) {
        h.videoLatency = body[at];
        h.audioLatency = body[at + 1];
        at += 2;
    }
    if (h.interlacedLatencyPresent)
        at += 2;
    if (!h.hdmiVideoPresent || at >= body.size())
        return;
    h.threeD = (body[at] & 0x80) != 0;
    ++at;
    if (at >= body.size())
        return;
    const unsigned vicCount = body[at] >> 5;
    ++at;
    for (unsigned i = 0; i < vicCount && at + i < body.size(); ++i)
        h.hdmiVics.push_back(body[at + i]);
}

// body starts at the version byte (after an OUI or an extended tag and its reserved byte).
void ReadHdmiForum(HdmiForumBlock& f, Bytes body, std::size_t headerOffset) {
    f.offset = headerOffset;
    f.version = body[0];
    f.maxTmdsCharacterRateMhz = body[1] * 5;
    const unsigned flags = body[2];
    f.scdcPresent = (flags & 0x80) != 0;
    f.readRequestCapable = (flags & 0x40) != 0;
    f.lte340McscScramble = (flags & 0x08) != 0;
    f.independentView = (flags & 0x04) != 0;
    f.dualView = (flags & 0x02) != 0;
    f.osdDisparity = (flags & 0x01) != 0;
    const unsigned more = body[3];
    f.maxFrlRate = more >> 4;
    f.deepColor420_48 = (more & 0x04) != 0;
    f.deepColor420_36 = (more & 0x02) != 0;
    f.deepColor420_30 = (more & 0x01) != 0;
}

void ReadExtendedBlock(CtaExtension& cta, DataBlockInfo& info, Bytes body) {
    // body[0] is the extended tag code.
    info.extendedTag = body[0];
    const Bytes data = body.Sub(1, body.size());
    switch (info.extendedTag) {
    case kExtColorimetry:
        cta.hasColorimetry = true;
        cta.colorimetry = data[0] | (data[1] << 8);
        break;
    case kExtHdrStatic: {
        HdrStaticMetadata& h = cta.hdrStaticMetadata;
        cta.hasHdrStaticMetadata = true;
        h.offset = info.offset;
        h.eotfs = data[0];
        h.metadataTypes = data[1];
        h.hasMaxLuminance = data.size() > 2;
        h.maxLuminance = data[2];
        h.hasMaxFrameAverage = data.size() > 3;
        h.maxFrameAverage = data[3];
        h.hasMinLuminance = data.size() > 4;
        h.minLuminance = data[4];
        break;
    }
    case kExtY420Video:
        for (std::size_t i = 0; i < data.size(); ++i)
            cta.y420Vics.push_back(DecodeSvd(data[i]));
        break;
    case kExtY420Capability:
        if (!cta.hasY420CapabilityMap) {
            cta.hasY420CapabilityMap = true;
            cta.y420CapabilityMap.offset = info.offset;
            cta.y420CapabilityMap.allSvds = data.size() == 0;
            for (std::size_t i = 0; i < data.size(); ++i)
                for (unsigned bit = 0; bit < 8; ++bit)
                    if (data[i] & (1u << bit))
                        cta.y420CapabilityMap.svdIndexes.push_back(
                            static_cast<unsigned>(8 * i + bit));
        }
        break;
    case kExtHdmiForumScdb:
        // The same fields as the HDMI Forum vendor-specific block after two reserved bytes.
        if (!cta.hasHdmiForum && data.size() >= 2) {
            cta.hasHdmiForum = true;
            ReadHdmiForum(cta.hdmiForum, data.Sub(2, data.size()), info.offset);
        }
        break;
    case 1:  // vendor-specific video
    case 17: // vendor-specific audio
        info.oui = Oui(data);
        break;
    default:
        break;
    }
}

void ReadDataBlock(CtaExtension& cta, DataBlockInfo& info, Bytes body) {
    switch (info.tag) {
    case kTagVideo:
        for (std::size_t i = 0; i < body.size(); ++i)
            cta.svds.push_back(DecodeSvd(body[i]));
        break;
    case kTagAudio:
        for (std::size_t i = 0; i + 3 <= body.size(); i += 3) {
            ShortAudio a;
            a.format = (body[i] >> 3) & 0x0F;
            a.channels = (body[i] & 0x07) + 1;
            a.rates = body[i + 1] & 0x7F;
            a.byte3 = body[i + 2];
            if (a.format == 1)
                a.sizes = a.byte3 & 0x07;
            else if (a.format >= 2 && a.format <= 8)
                a.maxBitrateKbps = a.byte3 * 8;
            cta.sads.push_back(a);
        }
        break;
    case kTagSpeaker:
        if (!cta.hasSpeakers) {
            cta.hasSpeakers = true;
            cta.speakers = body[0] | (body[1] << 8) | (body[2] << 16);
        }
        break;
    case kTagVendor:
        info.oui = Oui(body);
        if (info.oui == kOuiHdmi && !cta.hasHdmi) {
            cta.hasHdmi = true;
            ReadHdmiVsdb(cta.hdmi, body);
        } else if (info.oui == kOuiHdmiForum && !cta.hasHdmiForum) {
            cta.hasHdmiForum = true;
            ReadHdmiForum(cta.hdmiForum, body.Sub(3, body.size()), info.offset);
        }
        break;
    case kTagExtended:
        if (body.size() > 0)
            ReadExtendedBlock(cta, info, body);
        break;
    default:
        break;
    }
}

void ReadCta(EdidModel& m, CtaExtension& cta, Bytes b, std::size_t block) {
    cta.revision = b[1];
    cta.dtdOffset = b[2];
    const unsigned flags = b[3];
    cta.underscan = (flags & 0x80) != 0;
    cta.basicAudio = (flags & 0x40) != 0;
    cta.ycbcr444 = (flags & 0x20) != 0;
    cta.ycbcr422 = (flags & 0x10) != 0;
    cta.nativeDtds = flags & 0x0F;

    const unsigned d = cta.dtdOffset;
    if (d < 4)
        return; // 0: neither data blocks nor detailed timings; 1..3: no valid layout
    // The collection is block bytes 4..d-1; a d past the checksum byte is cut to it.
    const std::size_t end = d < 127 ? d : 127;
    if (cta.revision >= 3) {
        std::size_t offset = 4;
        while (offset < end) {
            DataBlockInfo info;
            info.offset = b.ImageOffset(offset);
            info.tag = b[offset] >> 5;
            info.length = b[offset] & 0x1F;
            info.cut = offset + 1 + info.length > end;
            const std::size_t available = end - offset - 1;
            const Bytes body = b.Sub(offset + 1, info.length < available ? info.length : available);
            ReadDataBlock(cta, info, body);
            cta.dataBlocks.push_back(info);
            offset += 1 + info.length;
        }
    }
    for (std::size_t offset = d; offset + kDtdSize <= 127; offset += kDtdSize) {
        const Bytes dtd = b.Sub(offset, kDtdSize);
        if (dtd[0] == 0 && dtd[1] == 0)
            break;
        m.detailedTimings.push_back(ReadDetailedTiming(dtd, block));
    }
}

} // namespace

double DetailedTiming::HFreqKhz() const {
    return HTotal() == 0 ? 0.0 : pixelClock10kHz * 10.0 / HTotal();
}

double DetailedTiming::VFreqHz() const {
    if (HTotal() == 0 || VTotal() == 0)
        return 0.0;
    const double lines = interlaced ? (2.0 * VTotal() + 1.0) / 2.0 : VTotal();
    return pixelClock10kHz * 10000.0 / HTotal() / lines;
}

ShortVideo DecodeSvd(unsigned code) {
    ShortVideo s;
    s.code = code;
    if (code == 0 || code == 128 || code >= 254)
        return s;
    if (code >= 129 && code <= 192) {
        s.vic = code - 128;
        s.native = true;
    } else {
        s.vic = code;
    }
    return s;
}

bool IsDefinedVic(unsigned vic) {
    return (vic >= 1 && vic <= 127) || (vic >= 193 && vic <= 219);
}

const CtaExtension* EdidModel::FirstCta() const {
    for (const Extension& e : extensions)
        if (e.isCta)
            return &e.cta;
    return nullptr;
}

EdidModel DecodeEdidModel(const std::uint8_t* bytes, std::size_t size) {
    EdidModel m;
    m.size = size;
    const std::size_t whole = size / kBlockSize;
    m.blocks = whole < 256 ? whole : 256;
    if (m.blocks == 0)
        return m;
    const Bytes image(bytes, m.blocks * kBlockSize, 0);
    ReadBaseBlock(m, image.Sub(0, kBlockSize));
    for (std::size_t block = 1; block < m.blocks && block <= m.extensionCount; ++block) {
        const Bytes b = image.Sub(block * kBlockSize, kBlockSize);
        Extension e;
        e.block = block;
        e.tag = b[0];
        e.isCta = e.tag == 0x02;
        if (e.isCta)
            ReadCta(m, e.cta, b, block);
        m.extensions.push_back(std::move(e));
    }
    return m;
}

} // namespace edid
