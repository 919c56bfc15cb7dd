// The catalogue of command words: every word of the protocol with its facts, stated once. The
// console's reply parsers and handlers, the conversation view, the command-line tools and the
// protocol client take from here what a word carries and what its values are called; a word
// with bit 15 set queries what the same word without it sets.
#pragma once

#include "link/command_words.h"

#include <cstdint>

namespace cmd {

// Where the names of a word's values come from (link/code_names.h and the pages).
enum class Names : std::uint8_t {
    None,
    Timing,
    Pattern,
    ColorSpace,
    ColorDepth,
    Hdcp,
    HdmiDvi,
    SampleRate,
    AudioBits,
    AudioSource,
    ChannelsSdi,
    ChannelsHdmi,
    Output,
    Signal,
    HotPlug,
};

constexpr int kVariable = -1; // a payload whose size depends on the form (0x80a1: none or one)
constexpr int kNoValue = -1;  // not a one-byte setting

struct WordInfo {
    std::uint16_t word;
    const char* name; // the item, in the catalogue's words ("set output timing")
    int request;      // payload bytes of the request (kVariable: see the word)
    int reply;        // payload bytes the console reads from the reply (0: none)
    int maxValue;     // a one-byte setting (or its query): the highest value sent; else kNoValue
    const char* key;  // the setting's key in the tools ("timing"), or nullptr
    Names names;
};

inline constexpr WordInfo kCatalogue[] = {
    {SetTiming, "set output timing", 1, 0, 71, "timing", Names::Timing},
    {SetPattern, "set test pattern", 1, 0, 42, "pattern", Names::Pattern},
    {SetColorSpace, "set colour space", 1, 0, 4, "color_space", Names::ColorSpace},
    {SetColorDepth, "set colour depth", 1, 0, 4, "color_depth", Names::ColorDepth},
    {SetHdcp, "set HDCP", 1, 0, 1, "hdcp", Names::Hdcp},
    {SetHdmiDviMode, "set HDMI/DVI mode", 1, 0, 2, "hdmi_dvi", Names::HdmiDvi},
    {SetSampleRate, "set audio sample rate", 1, 0, 7, "sample_rate", Names::SampleRate},
    {SetAudioBits, "set audio bits", 1, 0, 3, "audio_bits", Names::AudioBits},
    {SetAudioSource, "set audio source", 1, 0, 3, "audio_source", Names::AudioSource},
    {SetChannelsSdi, "set audio channels, SDI output", 1, 0, 7, "channel", Names::ChannelsSdi},
    {SetChannelsHdmi, "set audio channels, HDMI output", 1, 0, 31, "channel", Names::ChannelsHdmi},
    {SetOutputInterface, "select output interface", 1, 0, 1, "output", Names::Output},
    {StoreUserTiming, "store a user timing", 20, 0, kNoValue, nullptr, Names::None},
    {SetSignalOutput, "signal output on/off", 1, 0, 1, "signal", Names::Signal},
    {ResetToDefault, "reset generator settings to default", 0, 0, kNoValue, nullptr, Names::None},
    {QueryTiming, "query output timing", 0, 1, 71, "timing", Names::Timing},
    {QueryPattern, "query test pattern", 0, 1, 42, "pattern", Names::Pattern},
    {QueryColorSpace, "query colour space", 0, 1, 4, "color_space", Names::ColorSpace},
    {QueryColorDepth, "query colour depth", 0, 1, 4, "color_depth", Names::ColorDepth},
    {QueryHdcp, "query HDCP", 0, 1, 1, "hdcp", Names::Hdcp},
    {QueryHdmiDviMode, "query HDMI/DVI mode", 0, 1, 2, "hdmi_dvi", Names::HdmiDvi},
    {QuerySampleRate, "query audio sample rate", 0, 1, 7, "sample_rate", Names::SampleRate},
    {QueryAudioBits, "query audio bits", 0, 1, 3, "audio_bits", Names::AudioBits},
    {QueryAudioSource, "query audio source", 0, 1, 3, "audio_source", Names::AudioSource},
    {QueryChannelsSdi, "query audio channels, SDI output", 0, 1, 7, "channel", Names::ChannelsSdi},
    {QueryChannelsHdmi, "query audio channels, HDMI output", 0, 1, 31, "channel",
     Names::ChannelsHdmi},
    {QueryOutputInterface, "query output interface", 0, 1, 1, "output", Names::Output},
    {FetchUserTiming, "fetch a user timing", 1, 20, kNoValue, nullptr, Names::None},
    {QueryTimingDetails, "query details of the current timing", kVariable, 20, kNoValue, nullptr,
     Names::None},
    {QueryStatusSummary, "query the output format in force", 0, 6, kNoValue, nullptr, Names::None},
    {ReadSavedEdid, "read a saved EDID", 1, 257, kNoValue, nullptr, Names::None},
    {QuerySignalOutput, "query signal output on/off", 0, 1, 1, "signal", Names::Signal},
    {ReadSinkEdid, "read the EDID of the connected sink", 1, 256, kNoValue, nullptr, Names::None},
    {QueryHotPlug, "query hot plug", 0, 1, 1, "hotplug", Names::HotPlug},
    {DeviceAddressReport, "device address report", kNoValue, 2, kNoValue, nullptr, Names::None},
    {Search, "search frame", 0, 2, kNoValue, nullptr, Names::None},
    {Reply00a8, "reply without effect", kNoValue, 0, kNoValue, nullptr, Names::None},
    {Reply7801, "reply without effect", kNoValue, 0, kNoValue, nullptr, Names::None},
    {Reply7878, "reply without effect", kNoValue, 0, kNoValue, nullptr, Names::None},
};

// The word's facts; nullptr for a word the catalogue does not list.
const WordInfo* FindWord(std::uint16_t word);

// The query of what a setting word sets (0x8061 for 0x0061).
constexpr std::uint16_t QueryOf(std::uint16_t setWord) {
    return static_cast<std::uint16_t>(setWord | kQueryBit);
}
constexpr bool IsQuery(std::uint16_t word) {
    return (word & kQueryBit) != 0;
}

// The words the console sends to set something: their answer is an acknowledgement.
bool IsSetting(std::uint16_t word);

} // namespace cmd
