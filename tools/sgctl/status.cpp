// sgctl status and search: the console's status read-back, shown in the status panel's words or
// as JSON with the raw codes.
#include "tools/sgctl/commands.h"

#include "edid/edid_report.h"
#include "link/code_names.h"
#include "link/command_words.h"
#include "link/frame.h"
#include "link/exchanges.h"
#include "link/timing_codes.h"
#include "link/user_timing_record.h"

#include <cstdio>
#include <sstream>

namespace sgctl {

namespace {

constexpr int kUserSlots = exchange::kUserSlots;
constexpr int kItemCount = exchange::kStatusItems;

// The JSON keys of the read-back items, in read-back order.
const char* const kItemKeys[kItemCount] = {
    "timing",      "pattern",    "color_space",  "color_depth", "hdcp",    "hdmi_dvi",
    "sample_rate", "audio_bits", "audio_source", "channel",     "hotplug", "signal",
};
enum Item {
    kTiming = exchange::kTimingItem,
    kPattern = exchange::kPatternItem,
    kColorSpace = exchange::kColorSpaceItem,
    kColorDepth = exchange::kColorDepthItem,
    kHdcp = exchange::kHdcpItem,
    kHdmiDvi = exchange::kHdmiDviItem,
    kSampleRate = exchange::kSampleRateItem,
    kAudioBits = exchange::kAudioBitsItem,
    kAudioSource = exchange::kAudioSourceItem,
    kChannel = exchange::kChannelItem,
    kHotPlug = exchange::kHotPlugItem,
    kSignal = exchange::kSignalItem,
};

using CStatus = client::Status;

struct CPanel {
    const char* label;
    const char* key;
    std::string text;
    int code; // -1: a fixed word of the output, no code behind it
};

std::string Or(const char* text) {
    return text ? text : "";
}

// The panel's words for the state, in the panel's order.
std::vector<CPanel> PanelTexts(const CStatus& st) {
    const int* v = st.items.data();
    const bool hdmi = st.hdmiOutput;
    std::string timingText = Or(names::TimingName(v[kTiming]));
    if (timing::IsUser(v[kTiming]))
        timingText = names::UserTimingPanelText(
            st.userTimings[static_cast<std::size_t>(timing::UserSlot(v[kTiming]))].data());
    const int pattern = v[kPattern];
    return {
        {"Hot Plug:", "hot_plug", v[kHotPlug] != 0 ? "ON" : "OFF", v[kHotPlug]},
        {"HDCP:", "hdcp", hdmi && v[kHdcp] == 1 ? "ON" : "OFF", hdmi ? v[kHdcp] : -1},
        {"Interface:", "interface", hdmi ? names::HdmiDviText(v[kHdmiDvi]) : "SDI",
         hdmi ? v[kHdmiDvi] : -1},
        {"Color Space:", "color_space", hdmi ? names::ColorSpaceText(v[kColorSpace]) : "YUV4:2:2",
         hdmi ? v[kColorSpace] : -1},
        {"Color Depth:", "color_depth", hdmi ? names::ColorDepthText(v[kColorDepth]) : "10bit",
         hdmi ? v[kColorDepth] : -1},
        {"Timing:", "timing", timingText, v[kTiming]},
        {"Sample rate:", "sample_rate", hdmi ? names::SampleRateText(v[kSampleRate]) : "48K",
         hdmi ? v[kSampleRate] : -1},
        {"Audio bit:", "audio_bits", names::AudioBitsText(v[kAudioBits]), v[kAudioBits]},
        {"Channels:", "channels",
         hdmi ? names::HdmiChannelText(v[kChannel]) : names::SdiChannelText(v[kChannel]),
         v[kChannel]},
        {"Audio Type:", "audio_type", "PCM", -1},
        {"Pattern:", "pattern",
         pattern >= 0 && pattern < names::kPatternCount ? names::kPatternNames[pattern] : "",
         pattern},
        {"Audio source:", "audio_source", Or(names::AudioSourceText(v[kAudioSource])),
         v[kAudioSource]},
    };
}

std::string Quoted(const std::string& text) {
    return "\"" + edid::JsonEscape(text) + "\"";
}

std::string ClockText(const UserTimingRecord& r) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02u", r.pixelClock10kHz / 100u, r.pixelClock10kHz % 100u);
    return text;
}

} // namespace

std::string UserTimingJson(int slot, const std::uint8_t* record) {
    const UserTimingRecord r = UserTimingRecord::FromBytes(record);
    auto flag = [](bool b) { return b ? "true" : "false"; };
    std::ostringstream o;
    o << "{\"slot\": " << slot << ", \"record\": \""
      << frame::Hex(record, UserTimingRecord::kSize, "") << "\", \"clock_mhz\": " << ClockText(r)
      << ", \"h_active\": " << r.hActive << ", \"h_blank\": " << r.hBlank
      << ", \"hs_offset\": " << r.hsOffset << ", \"hs_width\": " << r.hsWidth
      << ", \"v_active\": " << r.vActive << ", \"v_blank\": " << r.vBlank
      << ", \"vs_offset\": " << r.vsOffset << ", \"vs_width\": " << r.vsWidth
      << ", \"interlaced\": " << flag(r.Interlaced())
      << ", \"hsync_positive\": " << flag(r.flags & UserTimingRecord::kHsyncPositive)
      << ", \"vsync_positive\": " << flag(r.flags & UserTimingRecord::kVsyncPositive)
      << ", \"name\": " << Quoted(names::UserTimingPanelText(record)) << "}";
    return o.str();
}

std::string UserTimingLine(int slot, const std::uint8_t* record) {
    const UserTimingRecord r = UserTimingRecord::FromBytes(record);
    char line[256];
    std::snprintf(line, sizeof line,
                  "%d  %-15s %7s MHz  H %u blank %u offset %u width %u  V %u blank %u offset %u "
                  "width %u  %s  Hsync %c Vsync %c",
                  slot, names::UserTimingPanelText(record).c_str(), ClockText(r).c_str(), r.hActive,
                  r.hBlank, r.hsOffset, r.hsWidth, r.vActive, r.vBlank, r.vsOffset, r.vsWidth,
                  r.Interlaced() ? "interlaced" : "progressive",
                  (r.flags & UserTimingRecord::kHsyncPositive) ? '+' : '-',
                  (r.flags & UserTimingRecord::kVsyncPositive) ? '+' : '-');
    return line;
}

int CmdSearch(const Args& args, CSession& s) {
    if (!args.empty())
        UsageError("search", "search takes no arguments");
    s.out << s.Search().PortName() << "\n";
    return kExitDone;
}

int CmdStatus(const Args& args, CSession& s) {
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else
            UsageError("status", "unknown argument " + a);
    }
    CStatus st;
    CSession::Check(s.Generator().ReadStatus(st));
    const std::vector<CPanel> panel = PanelTexts(st);
    std::ostringstream o;
    if (json) {
        o << "{\n";
        for (int i = 0; i < kItemCount; ++i) {
            if (i == kHotPlug || i == kSignal)
                continue;
            o << "  \"" << kItemKeys[i] << "\": " << st.items[static_cast<std::size_t>(i)] << ",\n";
        }
        o << "  \"interface\": \"" << (st.hdmiOutput ? "hdmi" : "sdi") << "\",\n"
          << "  \"signal\": \"" << (st.items[kSignal] == 0 ? "on" : "off") << "\",\n"
          << "  \"hotplug\": " << (st.items[kHotPlug] != 0 ? "true" : "false") << ",\n"
          << "  \"summary\": \"" << frame::Hex(st.summary.data(), 6, "") << "\",\n"
          << "  \"user_timings\": [\n";
        for (int slot = 0; slot < kUserSlots; ++slot)
            o << "    "
              << UserTimingJson(slot, st.userTimings[static_cast<std::size_t>(slot)].data())
              << (slot + 1 < kUserSlots ? ",\n" : "\n");
        o << "  ],\n  \"names\": {";
        for (std::size_t i = 0; i < panel.size(); ++i)
            o << (i ? ", " : "") << "\"" << panel[i].key << "\": " << Quoted(panel[i].text);
        o << "}\n}\n";
    } else {
        char line[160];
        std::snprintf(line, sizeof line, "%-14s%s\n", "Port:", s.Generator().PortName().c_str());
        o << line;
        std::snprintf(line, sizeof line, "%-14s%s\n", "Output:", st.hdmiOutput ? "HDMI" : "SDI");
        o << line;
        std::snprintf(line, sizeof line, "%-14s%s\n",
                      "Signal:", st.items[kSignal] == 0 ? "on" : "off");
        o << line;
        for (const CPanel& p : panel) {
            const std::string code = p.code >= 0 ? " (" + std::to_string(p.code) + ")" : "";
            std::snprintf(line, sizeof line, "%-14s%s%s\n", p.label, p.text.c_str(), code.c_str());
            o << line;
        }
        o << "User timings (slot, name, clock, horizontal, vertical, scan, sync):\n";
        for (int slot = 0; slot < kUserSlots; ++slot)
            o << "  " << UserTimingLine(slot, st.userTimings[static_cast<std::size_t>(slot)].data())
              << "\n";
    }
    s.out << o.str();
    return kExitDone;
}

} // namespace sgctl
