// The EDID model as JSON: codes and bit masks become names and lists here, so the model stays
// plain numbers and the names live in one place.
#include "tools/edidinfo/edid_json.h"

#include <cmath>
#include <cstdio>

namespace edidjson {

namespace {

// Rounds a derived frequency to three decimals, so 59.94005994 prints as 59.94.
double Round3(double value) {
    return std::round(value * 1000.0) / 1000.0;
}

Json Nullable(bool present, unsigned value) {
    return present ? Json(value) : Json(nullptr);
}

Json TextOrNull(bool present, const std::string& text) {
    return present ? Json(Latin1ToUtf8(text)) : Json(nullptr);
}

const char* InterfaceName(unsigned type) {
    static const char* const kNames[] = {nullptr, "DVI", "HDMI-a", "HDMI-b", "MDDI", "DisplayPort"};
    return type < 6 ? kNames[type] : "reserved";
}

const char* ExtensionTypeName(unsigned tag) {
    switch (tag) {
    case 0x02:
        return "CTA-861";
    case 0x10:
        return "VTB";
    case 0x40:
        return "DI";
    case 0x50:
        return "LS";
    case 0x60:
        return "DPVL";
    case 0x70:
        return "DisplayID";
    case 0xF0:
        return "block map";
    case 0xFF:
        return "manufacturer";
    default:
        return "unknown";
    }
}

const char* AudioFormatName(unsigned format) {
    static const char* const kNames[16] = {
        "reserved", "LPCM", "AC-3",    "MPEG-1",        "MP3",           "MPEG-2",
        "AAC LC",   "DTS",  "ATRAC",   "One Bit Audio", "Enhanced AC-3", "DTS-HD",
        "MAT",      "DST",  "WMA Pro", "extended"};
    return kNames[format & 0x0F];
}

const char* DataBlockName(const edid::DataBlockInfo& b) {
    switch (b.tag) {
    case 1:
        return "audio";
    case 2:
        return "video";
    case 3:
        return b.oui == 0x000C03 ? "HDMI" : b.oui == 0xC45DD8 ? "HDMI Forum" : "vendor-specific";
    case 4:
        return "speaker allocation";
    case 5:
        return "VESA display transfer characteristic";
    case 6:
        return "video format";
    case 7:
        switch (b.extendedTag) {
        case 0:
            return "video capability";
        case 1:
            return "vendor-specific video";
        case 2:
            return "VESA display device";
        case 5:
            return "colorimetry";
        case 6:
            return "HDR static metadata";
        case 7:
            return "HDR dynamic metadata";
        case 13:
            return "video format preference";
        case 14:
            return "YCbCr 4:2:0 video";
        case 15:
            return "YCbCr 4:2:0 capability map";
        case 17:
            return "vendor-specific audio";
        case 18:
            return "HDMI audio";
        case 19:
            return "room configuration";
        case 20:
            return "speaker location";
        case 32:
            return "InfoFrame";
        case 120:
            return "HDMI Forum EDID extension override";
        case 121:
            return "HDMI Forum sink capability";
        default:
            return "extended";
        }
    default:
        return "reserved";
    }
}

Json BitNames(unsigned mask, const char* const* names, unsigned count) {
    Json list = Json::array();
    for (unsigned bit = 0; bit < count; ++bit)
        if ((mask & (1u << bit)) && names[bit])
            list.push_back(names[bit]);
    return list;
}

std::string OuiText(unsigned oui) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X", (oui >> 16) & 0xFF, (oui >> 8) & 0xFF,
                  oui & 0xFF);
    return text;
}

Json NamedTimingJson(const edid::NamedTiming& t, bool withAspect) {
    Json j = Object(5);
    j["h_active"] = t.hActive;
    j["v_active"] = t.vActive;
    j["refresh_hz"] = t.refreshHz;
    j["interlaced"] = t.interlaced;
    if (withAspect)
        j["aspect"] = std::to_string(t.aspectX) + ":" + std::to_string(t.aspectY);
    return j;
}

Json SvdJson(const edid::ShortVideo& s) {
    Json j = Object(2);
    j["vic"] = s.vic;
    j["native"] = s.native;
    return j;
}

Json SadJson(const edid::ShortAudio& a) {
    static const double kRateValues[7] = {32, 44.1, 48, 88.2, 96, 176.4, 192};
    Json j = Object(5);
    j["format"] = AudioFormatName(a.format);
    j["format_code"] = a.format;
    j["channels"] = a.channels;
    Json rates = Json::array();
    for (unsigned bit = 0; bit < 7; ++bit)
        if (a.rates & (1u << bit))
            rates.push_back(kRateValues[bit]);
    j["sample_rates_khz"] = std::move(rates);
    if (a.format == 1) {
        Json sizes = Json::array();
        for (unsigned bit = 0; bit < 3; ++bit)
            if (a.sizes & (1u << bit))
                sizes.push_back(16 + 4 * bit);
        j["sample_sizes"] = std::move(sizes);
    } else if (a.format >= 2 && a.format <= 8) {
        j["max_bitrate_kbps"] = a.maxBitrateKbps;
    } else {
        j["byte3"] = a.byte3;
    }
    return j;
}

Json SpeakersJson(unsigned mask) {
    static const char* const kNames[20] = {
        "FL/FR",   "LFE",         "FC",        "RL/RR", "RC",        "FLC/FRC",  "RLC/RRC",
        "FLW/FRW", "FLH/FRH",     "TC",        "FCH",   "LS/RS",     "LFE2",     "TpBC",
        "SiL/SiR", "TpSiL/TpSiR", "TpBL/TpBR", "BtFC",  "BtFL/BtFR", "TpLS/TpRS"};
    return BitNames(mask, kNames, 20);
}

Json HdmiJson(const edid::HdmiVsdb& h) {
    char address[16];
    std::snprintf(address, sizeof address, "%u.%u.%u.%u", (h.physicalAddress >> 12) & 0xF,
                  (h.physicalAddress >> 8) & 0xF, (h.physicalAddress >> 4) & 0xF,
                  h.physicalAddress & 0xF);
    Json j = Object(14);
    j["offset"] = h.offset;
    j["physical_address"] = address;
    j["supports_ai"] = h.supportsAi;
    j["deep_color_48"] = h.deepColor48;
    j["deep_color_36"] = h.deepColor36;
    j["deep_color_30"] = h.deepColor30;
    j["deep_color_y444"] = h.deepColorY444;
    j["dvi_dual"] = h.dviDual;
    j["max_tmds_clock_mhz"] = Nullable(h.maxTmdsClockMhz != 0, h.maxTmdsClockMhz);
    // As coded: (code - 1) x 2 ms, 0 unknown, 255 no such output.
    j["video_latency_code"] = Nullable(h.latencyPresent, h.videoLatency);
    j["audio_latency_code"] = Nullable(h.latencyPresent, h.audioLatency);
    j["3d"] = h.threeD;
    j["hdmi_vics"] = h.hdmiVics;
    return j;
}

Json HdmiForumJson(const edid::HdmiForumBlock& f) {
    Json j = Object(14);
    j["offset"] = f.offset;
    j["version"] = f.version;
    j["max_tmds_character_rate_mhz"] =
        Nullable(f.maxTmdsCharacterRateMhz != 0, f.maxTmdsCharacterRateMhz);
    j["scdc"] = f.scdcPresent;
    j["read_request"] = f.readRequestCapable;
    j["lte_340mcsc_scramble"] = f.lte340McscScramble;
    j["3d_independent_view"] = f.independentView;
    j["3d_dual_view"] = f.dualView;
    j["3d_osd_disparity"] = f.osdDisparity;
    j["max_frl_rate"] = f.maxFrlRate;
    j["deep_color_420_48"] = f.deepColor420_48;
    j["deep_color_420_36"] = f.deepColor420_36;
    j["deep_color_420_30"] = f.deepColor420_30;
    return j;
}

Json HdrJson(const edid::HdrStaticMetadata& h) {
    static const char* const kEotfs[4] = {"SDR", "HDR", "PQ", "HLG"};
    Json j = Object(6);
    j["offset"] = h.offset;
    j["eotfs"] = BitNames(h.eotfs, kEotfs, 4);
    Json types = Json::array();
    for (unsigned bit = 0; bit < 8; ++bit)
        if (h.metadataTypes & (1u << bit))
            types.push_back(bit + 1);
    j["static_metadata_types"] = std::move(types);
    // Coded values: maximum luminances 50 x 2^(code / 32) cd/m2, the minimum a share of the
    // maximum, (code / 255)^2 / 100.
    const double max = 50.0 * std::pow(2.0, h.maxLuminance / 32.0);
    auto rounded = [](double v) { return std::round(v * 10000.0) / 10000.0; };
    j["max_luminance_cd_m2"] = h.hasMaxLuminance ? Json(rounded(max)) : Json(nullptr);
    j["max_frame_average_cd_m2"] =
        h.hasMaxFrameAverage ? Json(rounded(50.0 * std::pow(2.0, h.maxFrameAverage / 32.0)))
                             : Json(nullptr);
    j["min_luminance_cd_m2"] =
        h.hasMinLuminance && h.hasMaxLuminance
            ? Json(rounded(max * (h.minLuminance / 255.0) * (h.minLuminance / 255.0) / 100.0))
            : Json(nullptr);
    return j;
}

// The keys of a CTA-861 extension, added to j.
void AddCtaKeys(Json& j, const edid::CtaExtension& cta) {
    j["revision"] = cta.revision;
    j["dtd_offset"] = cta.dtdOffset;
    j["underscan"] = cta.underscan;
    j["basic_audio"] = cta.basicAudio;
    j["ycbcr444"] = cta.ycbcr444;
    j["ycbcr422"] = cta.ycbcr422;
    j["native_dtds"] = cta.nativeDtds;

    Json svds = Json::array();
    for (const edid::ShortVideo& s : cta.svds)
        svds.push_back(SvdJson(s));
    j["svds"] = std::move(svds);
    Json sads = Json::array();
    for (const edid::ShortAudio& a : cta.sads)
        sads.push_back(SadJson(a));
    j["audio"] = std::move(sads);
    j["speakers"] = cta.hasSpeakers ? SpeakersJson(cta.speakers) : Json(nullptr);
    j["hdmi"] = cta.hasHdmi ? HdmiJson(cta.hdmi) : Json(nullptr);
    j["hdmi_forum"] = cta.hasHdmiForum ? HdmiForumJson(cta.hdmiForum) : Json(nullptr);

    Json y420 = Json::array();
    for (const edid::ShortVideo& s : cta.y420Vics)
        y420.push_back(s.vic);
    j["y420_vics"] = std::move(y420);
    if (cta.hasY420CapabilityMap) {
        const edid::Y420CapabilityMap& map = cta.y420CapabilityMap;
        Json vics = Json::array();
        if (map.allSvds) {
            for (const edid::ShortVideo& s : cta.svds)
                vics.push_back(s.vic);
        } else {
            for (unsigned i : map.svdIndexes)
                if (i < cta.svds.size())
                    vics.push_back(cta.svds[i].vic);
        }
        Json y420Map = Object(4);
        y420Map["offset"] = map.offset;
        y420Map["all_svds"] = map.allSvds;
        y420Map["svd_indexes"] = map.svdIndexes;
        y420Map["vics"] = std::move(vics);
        j["y420_capability_map"] = std::move(y420Map);
    } else {
        j["y420_capability_map"] = nullptr;
    }

    static const char* const kColorimetry[16] = {"xvYCC601", "xvYCC709",   "sYCC601",   "opYCC601",
                                                 "opRGB",    "BT2020cYCC", "BT2020YCC", "BT2020RGB",
                                                 "MD0",      "MD1",        "MD2",       "MD3",
                                                 nullptr,    nullptr,      nullptr,     "DCI-P3"};
    j["colorimetry"] =
        cta.hasColorimetry ? BitNames(cta.colorimetry, kColorimetry, 16) : Json(nullptr);
    j["hdr_static_metadata"] =
        cta.hasHdrStaticMetadata ? HdrJson(cta.hdrStaticMetadata) : Json(nullptr);

    Json blocks = Json::array();
    for (const edid::DataBlockInfo& b : cta.dataBlocks) {
        Json block = Object(7);
        block["offset"] = b.offset;
        block["tag"] = b.tag;
        block["type"] = DataBlockName(b);
        block["length"] = b.length;
        if (b.tag == 7)
            block["extended_tag"] = b.extendedTag;
        if (b.oui != 0)
            block["oui"] = OuiText(b.oui);
        if (b.cut)
            block["cut"] = true;
        blocks.push_back(std::move(block));
    }
    j["data_blocks"] = std::move(blocks);
}

} // namespace

Json Object(std::size_t keys) {
    Json j = Json::object();
    j.get_ref<Json::object_t&>().reserve(keys);
    return j;
}

std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Json TimingJson(const edid::DetailedTiming& t) {
    Json j = Object(22);
    j["pixel_clock_mhz"] = t.PixelClockMhz();
    j["h_active"] = t.hActive;
    j["h_front_porch"] = t.hFrontPorch;
    j["h_sync"] = t.hSync;
    j["h_back_porch"] = t.HBackPorch();
    j["h_blank"] = t.hBlank;
    j["h_total"] = t.HTotal();
    j["v_active"] = t.vActive;
    j["v_front_porch"] = t.vFrontPorch;
    j["v_sync"] = t.vSync;
    j["v_back_porch"] = t.VBackPorch();
    j["v_blank"] = t.vBlank;
    j["v_total"] = t.VTotal();
    j["hsync_positive"] = t.hsyncPositive;
    j["vsync_positive"] = t.vsyncPositive;
    j["interlaced"] = t.interlaced;
    j["h_freq_khz"] = Round3(t.HFreqKhz());
    j["v_freq_hz"] = Round3(t.VFreqHz());
    j["block"] = t.block;
    j["offset"] = t.offset;
    j["width_mm"] = t.widthMm;
    j["height_mm"] = t.heightMm;
    return j;
}

Json ModelJson(const edid::EdidModel& m) {
    Json j = Object(26);
    j["size"] = m.size;
    if (m.blocks == 0)
        return j;
    j["manufacturer"] = std::string(m.manufacturer, 3);
    j["product_code"] = m.productCode;
    j["serial_number"] = m.serialNumber;
    j["week"] = m.week;
    j["year"] = m.year;
    j["model_year"] = m.week == 255;
    j["version"] = std::to_string(m.versionMajor) + "." + std::to_string(m.versionMinor);

    Json input = Object(3);
    input["digital"] = m.digital;
    const bool v14 = m.digital && m.versionMajor == 1 && m.versionMinor >= 4;
    input["bit_depth"] = Nullable(v14 && m.bitDepth != 0, m.bitDepth);
    input["interface"] = v14 && InterfaceName(m.interfaceType)
                             ? Json(InterfaceName(m.interfaceType))
                             : Json(nullptr);
    j["input"] = std::move(input);
    j["screen_width_cm"] = Nullable(m.widthCm != 0, m.widthCm);
    j["screen_height_cm"] = Nullable(m.heightCm != 0, m.heightCm);
    j["gamma"] = m.gammaCode == 0xFF ? Json(nullptr) : Json((m.gammaCode + 100) / 100.0);

    j["preferred_timing"] =
        m.hasPreferredTiming ? TimingJson(m.detailedTimings.front()) : Json(nullptr);
    Json timings = Json::array();
    for (const edid::DetailedTiming& t : m.detailedTimings)
        timings.push_back(TimingJson(t));
    j["detailed_timings"] = std::move(timings);
    Json established = Json::array();
    for (const edid::NamedTiming& t : m.establishedTimings)
        established.push_back(NamedTimingJson(t, false));
    j["established_timings"] = std::move(established);
    Json standard = Json::array();
    for (const edid::NamedTiming& t : m.standardTimings)
        standard.push_back(NamedTimingJson(t, true));
    j["standard_timings"] = std::move(standard);

    j["product_name"] = TextOrNull(m.hasProductName, m.productName);
    j["serial_string"] = TextOrNull(m.hasSerialString, m.serialString);
    Json strings = Json::array();
    for (const std::string& s : m.dataStrings)
        strings.push_back(Latin1ToUtf8(s));
    j["data_strings"] = std::move(strings);
    if (m.hasRangeLimits) {
        const edid::RangeLimits& r = m.rangeLimits;
        Json range = Object(5);
        range["v_min_hz"] = r.vMinHz;
        range["v_max_hz"] = r.vMaxHz;
        range["h_min_khz"] = r.hMinKhz;
        range["h_max_khz"] = r.hMaxKhz;
        range["max_pixel_clock_mhz"] = Nullable(r.maxPixelClockMhz != 0, r.maxPixelClockMhz);
        j["range_limits"] = std::move(range);
    } else {
        j["range_limits"] = nullptr;
    }
    Json descriptors = Json::array();
    for (const edid::DisplayDescriptor& d : m.displayDescriptors) {
        Json descriptor = Object(2);
        descriptor["offset"] = d.offset;
        descriptor["tag"] = d.tag;
        descriptors.push_back(std::move(descriptor));
    }
    j["display_descriptors"] = std::move(descriptors);

    j["extension_count"] = m.extensionCount;
    Json extensions = Json::array();
    for (const edid::Extension& e : m.extensions) {
        Json x = Object(e.isCta ? 25 : 3);
        x["block"] = e.block;
        x["tag"] = e.tag;
        x["type"] = ExtensionTypeName(e.tag);
        if (e.isCta)
            AddCtaKeys(x, e.cta);
        extensions.push_back(std::move(x));
    }
    j["extensions"] = std::move(extensions);
    return j;
}

Json FindingsJson(const std::vector<edid::Finding>& findings) {
    Json list = Json::array();
    for (const edid::Finding& f : findings) {
        Json j = Object(4);
        j["rule"] = f.rule;
        j["severity"] = edid::SeverityName(f.severity);
        j["message"] = f.message;
        j["offset"] = f.offset >= 0 ? Json(f.offset) : Json(nullptr);
        list.push_back(std::move(j));
    }
    return list;
}

edid::Image PageImage(const std::vector<std::uint8_t>& bytes) {
    edid::Image image;
    image.fill(0xFF);
    for (std::size_t i = 0; i < bytes.size() && i < edid::kImageSize; ++i)
        image[i] = bytes[i];
    return image;
}

Json EdidJson(const std::vector<std::uint8_t>& bytes, const edid::EdidModel& model,
              const std::vector<edid::Finding>& findings, const std::string& file, bool asOpened) {
    const edid::Image image = PageImage(bytes);
    const edid::Decoded decoded =
        asOpened ? edid::DecodeWithoutValidation(image) : edid::ValidateAndDecode(image);
    Json j = Object(8);
    if (!file.empty())
        j["file"] = file;
    j["status"] = decoded.status;
    j["hexdump"] = decoded.hexDump;
    j["video"] = decoded.video;
    j["audio"] = decoded.audio;
    j["general"] = decoded.general;
    j["edid"] = ModelJson(model);
    j["checks"] = FindingsJson(findings);
    return j;
}

} // namespace edidjson
