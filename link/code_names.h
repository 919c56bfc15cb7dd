// The names of the codes on the wire, as the console shows them: timings in the status panel,
// patterns on the Pattern page, and the panel's words for the setting values and channel
// layouts. Shared by the console and the command-line tools, so that both speak alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace names {

constexpr int kTimingNameCount = 62;  // codes 0..61 (61 is Auto)
constexpr int kPatternCount = 43;     // codes 0..42
constexpr int kHdmiChannelCount = 32; // channel allocation codes 0..31 of the HDMI output
constexpr int kSdiChannelCount = 7;   // 0..6 of the SDI output; any other value is off

// The panel's name of a built-in timing or Auto (codes 0..61); nullptr for any other code.
const char* TimingName(int code);

// The Pattern page's caption of each pattern code (the radio index is the code).
inline constexpr const char* kPatternNames[kPatternCount] = {
    "100%ColorBar",
    "75%ColorBar",
    "8 StepGrayBar",
    "RedScreen",
    "GreenScreen",
    "BlueScreen",
    "YellowScreen",
    "CyanScreen",
    "MagentaScreen",
    "16 StepGrayBar",
    "WhiteScreen",
    "RGB Ramp",
    "Cross Black",
    "Cross Red",
    "Cross Green",
    "Cross Blue",
    "White dots",
    "Alternate WB",
    "Moving line (Horizontal)",
    "Moving line (Vertical)",
    "Multiburst",
    "Ver-split",
    "Hor-split",
    "Moving red ramp",
    "Moving green ramp",
    "Moving blue ramp",
    "A/V Sync",
    "Border lines",
    "Edge / Aspect Check",
    "Target Circle",
    "Moving Circle",
    "3D Squares",
    "BLACK IMG",
    "Gradient",
    "SMPTE",
    "Pluge",
    "Indian",
    "Philips Pattern",
    "User1",
    "User2",
    "User3",
    "User4",
    "Pathological Test (SDI only)",
};

// The panel's words for a value of the HDMI output; "AUTO" for any value outside the list
// (the AUTO choice and no choice alike). The SDI output has fixed words, given by the callers.
const char* ColorSpaceText(int value); // "RGB4:4:4", "YUV4:4:4", "YUV4:2:2", "YUV4:2:0"
const char* ColorDepthText(int value); // "8bit", "10bit", "12bit", "16bit"
const char* SampleRateText(int value); // "32K" .. "192K"
const char* AudioBitsText(int value);  // "16bit", "20bit", "24bit"
const char* HdmiDviText(int value);    // "DVI", "HDMI"
// Channel layouts: HDMI by allocation code ("" outside 0..31), SDI by code ("OFF" outside 0..6).
const char* HdmiChannelText(int code);
const char* SdiChannelText(int code);

// The panel's words for the output in force: the HDMI output's by value, the SDI output's own
// fixed format.
const char* PanelInterface(bool hdmi, int hdmiDvi); // SDI: "SDI"
const char* PanelColorSpace(bool hdmi, int value);  // SDI: "YUV4:2:2"
const char* PanelColorDepth(bool hdmi, int value);  // SDI: "10bit"
const char* PanelSampleRate(bool hdmi, int value);  // SDI: "48K"
const char* PanelHdcp(bool hdmi, int hdcp);         // "ON " (with a blank) only on HDMI with HDCP
const char* PanelChannels(bool hdmi, int code);

// The Setting page's captions of the audio sources 0..3 ("Int 1KHz" .. "Ext. Stereo"); nullptr
// for any other value.
const char* AudioSourceText(int value);

// The panel's name of a user timing (codes 62..71) from its 20-byte record, as the panel shows
// it after the Timing details page loaded the record: H active "x" V active (doubled for an
// interlaced record) "i" when interlaced, then the field rate rounded to whole Hz in brackets,
// "1920x1080i(60)". Sizes keep at most four digits and the rate three; an empty record gives
// "0x0(0)".
std::string UserTimingPanelText(const std::uint8_t* record);

// The Timing page's caption of a user timing radio from its 20-byte record: the name by its
// sizes, with the refresh rate from the clock in whole MHz; an empty record gives "0x0(0)".
std::string UserTimingPageCaption(const std::uint8_t* record);

// The name of a timing by its sizes: H active "x" V active (per field when interlaced, shown
// doubled) "i" when interlaced, then the rate in brackets, "1920x1080i(60)". Sizes keep at most
// four digits and the rate three: a longer number keeps its leading digits.
std::string TimingText(unsigned hActive, unsigned vActive, bool interlaced, unsigned rate);
// A rate rounded to whole Hz as the panel rounds it: rate + 0.5 as an unsigned 16-bit number; 0
// for anything that is no such number.
unsigned RoundedRate(double rate);

} // namespace names
