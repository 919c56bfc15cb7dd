// The read-back state and the user timing records as JSON objects.
#include "link/status_json.h"

#include "link/code_names.h"
#include "link/frame.h"
#include "link/status_panel.h"

namespace client {

namespace {

// The JSON keys of the read-back items, in read-back order.
const char* const kItemKeys[exchange::kStatusItems] = {
    "timing",      "pattern",    "color_space",  "color_depth", "hdcp",    "hdmi_dvi",
    "sample_rate", "audio_bits", "audio_source", "channel",     "hotplug", "signal",
};

} // namespace

Json UserTimingJson(int slot, const UserTimingRecord::Bytes& record) {
    const UserTimingRecord r = UserTimingRecord::FromBytes(record.data());
    Json j;
    j["slot"] = slot;
    j["record"] = frame::Hex(record.data(), record.size(), "");
    // Units of 10 kHz: a whole number of hundredths, which the shortest decimal form keeps.
    j["clock_mhz"] = r.pixelClock10kHz / 100.0;
    j["h_active"] = r.hActive;
    j["h_blank"] = r.hBlank;
    j["hs_offset"] = r.hsOffset;
    j["hs_width"] = r.hsWidth;
    j["v_active"] = r.vActive;
    j["v_blank"] = r.vBlank;
    j["vs_offset"] = r.vsOffset;
    j["vs_width"] = r.vsWidth;
    j["interlaced"] = r.Interlaced();
    j["hsync_positive"] = (r.flags & UserTimingRecord::kHsyncPositive) != 0;
    j["vsync_positive"] = (r.flags & UserTimingRecord::kVsyncPositive) != 0;
    j["name"] = names::UserTimingPanelText(record.data());
    return j;
}

Json StatusJson(const Status& st) {
    Json j;
    j["port"] = st.port;
    j["output"] = st.hdmiOutput ? "hdmi" : "sdi";
    for (int i = 0; i < exchange::kStatusItems; ++i) {
        if (i == exchange::kHotPlugItem || i == exchange::kSignalItem)
            continue;
        j[kItemKeys[i]] = st.items[static_cast<std::size_t>(i)];
    }
    // The mode of the HDMI output in words, as the output's, rather than a bare 0 or 1.
    const int hdmiDvi = st.Item(exchange::kHdmiDviItem);
    j["hdmi_dvi"] = hdmiDvi == 1 ? "hdmi" : hdmiDvi == 0 ? "dvi" : "auto";
    j["signal"] = st.Item(exchange::kSignalItem) == 0 ? "on" : "off";
    j["hotplug"] = st.Item(exchange::kHotPlugItem) != 0;
    j["summary"] = frame::Hex(st.summary.data(), st.summary.size(), "");
    Json timings = Json::array();
    for (int slot = 0; slot < exchange::kUserSlots; ++slot)
        timings.push_back(UserTimingJson(slot + 1, st.userTimings[static_cast<std::size_t>(slot)]));
    j["user_timings"] = std::move(timings);
    Json names = Json::object();
    for (const PanelLine& line : PanelLines(st))
        names[line.key] = line.text;
    j["names"] = std::move(names);
    return j;
}

} // namespace client
