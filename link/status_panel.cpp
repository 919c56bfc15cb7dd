// The status panel's words for the read-back state.
#include "link/status_panel.h"

#include "link/code_names.h"
#include "link/timing_codes.h"

namespace client {

namespace {

std::string Or(const char* text) {
    return text ? text : "";
}

} // namespace

std::vector<PanelLine> PanelLines(const Status& st) {
    using namespace exchange;
    const int* v = st.items.data();
    const bool hdmi = st.hdmiOutput;
    std::string timingText = Or(names::TimingName(v[kTimingItem]));
    if (timing::IsUser(v[kTimingItem]))
        timingText = names::UserTimingPanelText(
            st.userTimings[static_cast<std::size_t>(timing::UserSlot(v[kTimingItem]))].data());
    const int pattern = v[kPatternItem];
    return {
        {"Hot Plug:", "hotplug", v[kHotPlugItem] != 0 ? "ON" : "OFF", v[kHotPlugItem]},
        {"HDCP:", "hdcp", hdmi && v[kHdcpItem] == 1 ? "ON" : "OFF", hdmi ? v[kHdcpItem] : -1},
        {"Interface:", "hdmi_dvi", hdmi ? names::HdmiDviText(v[kHdmiDviItem]) : "SDI",
         hdmi ? v[kHdmiDviItem] : -1},
        {"Color Space:", "color_space",
         hdmi ? names::ColorSpaceText(v[kColorSpaceItem]) : "YUV4:2:2",
         hdmi ? v[kColorSpaceItem] : -1},
        {"Color Depth:", "color_depth", hdmi ? names::ColorDepthText(v[kColorDepthItem]) : "10bit",
         hdmi ? v[kColorDepthItem] : -1},
        {"Timing:", "timing", timingText, v[kTimingItem]},
        {"Sample rate:", "sample_rate", hdmi ? names::SampleRateText(v[kSampleRateItem]) : "48K",
         hdmi ? v[kSampleRateItem] : -1},
        {"Audio bit:", "audio_bits", names::AudioBitsText(v[kAudioBitsItem]), v[kAudioBitsItem]},
        {"Channels:", "channel",
         hdmi ? names::HdmiChannelText(v[kChannelItem]) : names::SdiChannelText(v[kChannelItem]),
         v[kChannelItem]},
        {"Audio Type:", "audio_type", "PCM", -1},
        {"Pattern:", "pattern",
         pattern >= 0 && pattern < names::kPatternCount ? names::kPatternNames[pattern] : "",
         pattern},
        {"Audio source:", "audio_source", Or(names::AudioSourceText(v[kAudioSourceItem])),
         v[kAudioSourceItem]},
    };
}

} // namespace client
