// The names of the codes on the wire, as the console shows them.
#include "link/code_names.h"

#include "link/user_timing_record.h"

#include <cmath>

namespace names {

namespace {

const char* const kTimingNames[kTimingNameCount] = {
    "640x480(60)",        "800x600(60)",
    "1024x768(60)",       "1280x768(60)",
    "1360x768(60)",       "1280x960(60)",
    "1280x1024(60)",      "1400x1050(60)",
    "1600x1200(60)",      "1920x1200(60)",
    "720x480i(59.94)",    "720x480p(59.94)",
    "1280x720p(60)",      "1280x720p(59.94)",
    "1920x1080i(60)",     "1920x1080i(59.94)",
    "1920x1080p(30)",     "1920x1080p(29.97)",
    "1920x1080p(24)",     "1920x1080p(23.98)",
    "1920x1080p(60)",     "1920x1080p(59.94)",
    "720x576i(50)",       "720x576p(50)",
    "1280x720p(50)",      "1920x1080i(50)",
    "1920x1080p(25)",     "1920x1080p(50)",
    "3840x2160p(30)",     "3840x2160p(29.97)",
    "3840x2160p(25)",     "3840x2160p(24)",
    "3840x2160p(23.98)",  "4096x2160p(30)",
    "4096x2160p(29.97)",  "4096x2160p(25)",
    "4096x2160p(24)",     "4096x2160p(23.98)",
    "3840x2160p(60)",     "3840x2160p(59.94)",
    "3840x2160p(50)",     "4096x2160p(60)",
    "4096x2160p(59.94)",  "4096x2160p(50)",
    "720P_3D(60)FP",      "720P_3D(59.94)FP",
    "1080P_3D(24)FP",     "1080P_3D(23.98)FP",
    "720P_3D(50)FP",      "720P_3D(59.94)SbS",
    "1080i_3D(59.94)SbS", "1080P_3D(59.94)SbS",
    "1080P_3D(23.97)SbS", "720P_3D(50)SbS",
    "1080i_3D(50)SbS",    "1080P_3D(50)SbS",
    "720P_3D(59.94)TB",   "1080P_3D(59.94)TB",
    "1080P_3D(23.97)TB",  "720P_3D(50)TB",
    "1080P_3D(50)TB",     "AUTO",
};

const char* const kHdmiChannels[kHdmiChannelCount] = {
    "2CH", "2.1CH", "3CH", "3.1CH", "3CH", "3.1CH", "4CH", "4.1CH", "4CH", "4.1CH", "5CH", "5.1CH",
    "5CH", "5.1CH", "6CH", "6.1CH", "6CH", "6.1CH", "7CH", "7.1CH", "4CH", "4.1CH", "5CH", "5.1CH",
    "5CH", "6CH",   "6CH", "6.1CH", "6CH", "6.1CH", "7CH", "7.1CH",
};

template <std::size_t N>
const char* Pick(const char* const (&texts)[N], int value, const char* otherwise) {
    return value >= 0 && value < static_cast<int>(N) ? texts[value] : otherwise;
}

} // namespace

const char* TimingName(int code) {
    return Pick(kTimingNames, code, nullptr);
}

const char* ColorSpaceText(int value) {
    static const char* const kTexts[] = {"RGB4:4:4", "YUV4:4:4", "YUV4:2:2", "YUV4:2:0"};
    return Pick(kTexts, value, "AUTO");
}

const char* ColorDepthText(int value) {
    static const char* const kTexts[] = {"8bit", "10bit", "12bit", "16bit"};
    return Pick(kTexts, value, "AUTO");
}

const char* SampleRateText(int value) {
    static const char* const kTexts[] = {"32K", "44.1K", "48K", "88K", "96K", "176K", "192K"};
    return Pick(kTexts, value, "AUTO");
}

const char* AudioBitsText(int value) {
    static const char* const kTexts[] = {"16bit", "20bit", "24bit"};
    return Pick(kTexts, value, "AUTO");
}

const char* HdmiDviText(int value) {
    static const char* const kTexts[] = {"DVI", "HDMI"};
    return Pick(kTexts, value, "AUTO");
}

const char* HdmiChannelText(int code) {
    // Codes outside the table show nothing rather than a neighbour's text.
    return Pick(kHdmiChannels, code, "");
}

const char* SdiChannelText(int code) {
    static const char* const kTexts[kSdiChannelCount] = {"CH1,2", "CH3,4",     "CH1,2,3,4", "CH5,6",
                                                         "CH7,8", "CH5,6,7,8", "ALL"};
    return Pick(kTexts, code, "OFF");
}

const char* PanelInterface(bool hdmi, int hdmiDvi) {
    return hdmi ? HdmiDviText(hdmiDvi) : "SDI";
}

const char* PanelColorSpace(bool hdmi, int value) {
    return hdmi ? ColorSpaceText(value) : "YUV4:2:2";
}

const char* PanelColorDepth(bool hdmi, int value) {
    return hdmi ? ColorDepthText(value) : "10bit";
}

const char* PanelSampleRate(bool hdmi, int value) {
    return hdmi ? SampleRateText(value) : "48K";
}

const char* PanelHdcp(bool hdmi, int hdcp) {
    return hdmi && hdcp == 1 ? "ON " : "OFF";
}

const char* PanelChannels(bool hdmi, int code) {
    return hdmi ? HdmiChannelText(code) : SdiChannelText(code);
}

const char* AudioSourceText(int value) {
    static const char* const kTexts[] = {"Int 1KHz", "Int 2KHz", "Int 4KHz", "Ext. Stereo"};
    return Pick(kTexts, value, nullptr);
}

std::string UserTimingPanelText(const std::uint8_t* record) {
    const UserTimingRecord r = UserTimingRecord::FromBytes(record);
    const bool interlaced = r.Interlaced();
    // The field rate as the Timing details page computes it: the line rate from the clock, then
    // the field rate in hundredths of a Hz, half a line more per field when interlaced.
    double fieldRate = 0;
    if (r.HTotal() > 0) {
        const double f = r.pixelClock10kHz * 0.01 * 100000 / r.HTotal();
        const double d = interlaced ? r.VTotal() + 0.5 : r.VTotal();
        if (d > 0)
            fieldRate = std::floor(f * 0.01 * 100000 / d + 0.5) * 0.01;
    }
    return TimingText(r.hActive, r.vActive, interlaced, RoundedRate(fieldRate));
}

std::string UserTimingPageCaption(const std::uint8_t* record) {
    const UserTimingRecord r = UserTimingRecord::FromBytes(record);
    // Refresh from whole MHz; an empty record (a total of 0) reads as 0 Hz.
    unsigned refresh = 0;
    if (r.HTotal() > 0 && r.VTotal() > 0) {
        const long clockMhz = r.pixelClock10kHz / 100;
        const long lineRate = clockMhz * 100000 / r.HTotal(); // unit 10 Hz
        const float rate = static_cast<float>(lineRate) * 0.01f * 1000 / r.VTotal();
        refresh = static_cast<unsigned>(static_cast<double>(rate) + 0.5);
    }
    return TimingText(r.hActive, r.vActive, r.Interlaced(), refresh);
}

unsigned RoundedRate(double rate) {
    const double rounded = rate + 0.5;
    return std::isfinite(rounded) && rounded > 0 && rounded < 65536.0
               ? static_cast<std::uint16_t>(rounded)
               : 0;
}

std::string TimingText(unsigned hActive, unsigned vActive, bool interlaced, unsigned rate) {
    auto leading = [](unsigned value, std::size_t digits) {
        std::string s = std::to_string(value);
        if (s.size() > digits)
            s.resize(digits);
        return s;
    };
    const unsigned v = interlaced ? 2u * vActive : vActive;
    return leading(hActive, 4) + "x" + leading(v, 4) + (interlaced ? "i" : "") + "(" +
           leading(rate, 3) + ")";
}

} // namespace names
