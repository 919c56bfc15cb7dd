// The one-byte settings by key.
#include "link/setting_keys.h"

#include "link/catalogue.h"
#include "link/code_names.h"
#include "link/command_words.h"
#include "link/setting_rules.h"
#include "link/timing_codes.h"

#include <cctype>
#include <cstdlib>

namespace client {

namespace {

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A whole number, decimal or 0x hexadecimal.
bool ParseCode(const std::string& text, long& value) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    value = std::strtol(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    return *end == '\0' && value >= 0 && value <= 0xFFFF;
}

} // namespace

const std::vector<CKeyInfo>& Keys() {
    static const std::vector<CKeyInfo> kKeys = {
        {Key::Timing, "timing", "timing", cmd::SetTiming, cmd::QueryTiming, false},
        {Key::Pattern, "pattern", "pattern", cmd::SetPattern, cmd::QueryPattern, false},
        {Key::ColorSpace, "color_space", "colour space", cmd::SetColorSpace, cmd::QueryColorSpace,
         true},
        {Key::ColorDepth, "color_depth", "colour depth", cmd::SetColorDepth, cmd::QueryColorDepth,
         true},
        {Key::Hdcp, "hdcp", "HDCP", cmd::SetHdcp, cmd::QueryHdcp, true},
        {Key::HdmiDvi, "hdmi_dvi", "HDMI/DVI mode", cmd::SetHdmiDviMode, cmd::QueryHdmiDviMode,
         true},
        {Key::SampleRate, "sample_rate", "audio sample rate", cmd::SetSampleRate,
         cmd::QuerySampleRate, true},
        {Key::AudioBits, "audio_bits", "audio bits", cmd::SetAudioBits, cmd::QueryAudioBits, true},
        {Key::AudioSource, "audio_source", "audio source", cmd::SetAudioSource,
         cmd::QueryAudioSource, false},
        {Key::Channel, "channel", "audio channel setting", cmd::SetChannelsHdmi,
         cmd::QueryChannelsHdmi, false},
    };
    return kKeys;
}

const CKeyInfo* FindKey(const std::string& name) {
    for (const CKeyInfo& k : Keys())
        if (name == k.name)
            return &k;
    return nullptr;
}

std::uint16_t SetWord(const CKeyInfo& key, bool hdmiOutput) {
    return key.key == Key::Channel && !hdmiOutput ? cmd::SetChannelsSdi : key.wSet;
}

std::uint16_t QueryWord(const CKeyInfo& key, bool hdmiOutput) {
    return key.key == Key::Channel && !hdmiOutput ? cmd::QueryChannelsSdi : key.wQuery;
}

int MaxCode(Key key, bool hdmiOutput) {
    // The highest value of the word that sets it, as the catalogue states it.
    for (const CKeyInfo& k : Keys()) {
        if (k.key != key)
            continue;
        const cmd::WordInfo* word = cmd::FindWord(SetWord(k, hdmiOutput));
        return word != nullptr && word->maxValue != cmd::kNoValue ? word->maxValue : -1;
    }
    return -1;
}

std::string CodeName(Key key, int code, bool hdmiOutput) {
    if (code < 0 || code > MaxCode(key, hdmiOutput))
        return std::string();
    const char* name = nullptr;
    switch (key) {
    case Key::Timing:
        name = names::TimingName(code);
        break;
    case Key::Pattern:
        name = names::kPatternNames[code];
        break;
    case Key::ColorSpace:
        name = names::ColorSpaceText(code);
        break;
    case Key::ColorDepth:
        name = names::ColorDepthText(code);
        break;
    case Key::Hdcp:
        name = code != 0 ? "ON" : "OFF";
        break;
    case Key::HdmiDvi:
        name = names::HdmiDviText(code);
        break;
    case Key::SampleRate:
        name = names::SampleRateText(code);
        break;
    case Key::AudioBits:
        name = names::AudioBitsText(code);
        break;
    case Key::AudioSource:
        name = names::AudioSourceText(code);
        break;
    case Key::Channel:
        name = hdmiOutput ? names::HdmiChannelText(code) : names::SdiChannelText(code);
        break;
    }
    return name ? name : "";
}

bool ParseValue(Key key, const std::string& text, bool hdmiOutput, int& code, std::string& error) {
    const int max = MaxCode(key, hdmiOutput);
    long number = 0;
    if (ParseCode(text, number)) {
        if (number > max) {
            error = "the console sends codes 0.." + std::to_string(max);
            return false;
        }
        code = static_cast<int>(number);
        return true;
    }
    const std::string wanted = Lower(text);
    std::vector<int> matches;
    for (int c = 0; c <= max; ++c) {
        const std::string name = CodeName(key, c, hdmiOutput);
        if (!name.empty() && Lower(name) == wanted)
            matches.push_back(c);
    }
    if (matches.size() == 1) {
        code = matches[0];
        return true;
    }
    if (matches.empty()) {
        error = "neither a code nor a name the console shows";
    } else {
        error = "the name fits the codes";
        for (int c : matches)
            error += " " + std::to_string(c);
        error += ": give the code";
    }
    return false;
}

bool NeedsOutput(Key key) {
    return key != Key::AudioSource;
}

bool NeedsVideoMode(Key key) {
    return key == Key::ColorSpace || key == Key::ColorDepth;
}

std::string Refusal(const CKeyInfo& key, int code, const CRuleState& state) {
    if (key.bHdmiOnly && !state.bHdmiOutput)
        return std::string("the console offers the ") + key.label +
               " for the HDMI output only, and the SDI output is selected";
    switch (key.key) {
    case Key::Timing:
        if (!state.bHdmiOutput && !timing::IsSdiStandard(code))
            return "the SDI output carries the SD and HD video standards only (codes 10, 12..22, "
                   "24..27)";
        break;
    case Key::Pattern:
        if (!rules::PatternOffered(code, state.bHdmiOutput))
            return std::string(names::kPatternNames[code]) +
                   " needs the SDI output, and the HDMI output is selected";
        break;
    case Key::ColorSpace:
        if (const char* message = rules::RefuseColorSpace(state.nTiming, state.nHdmiDvi))
            return message;
        // 4:2:0 comes with the 4K 50/60 Hz timings; the console never sends it.
        if (code == rules::kColorSpaceYuv420)
            return rules::kYuv420Note;
        break;
    case Key::ColorDepth:
        if (const char* message = rules::RefuseColorDepth(state.nTiming, state.nHdmiDvi, code))
            return message;
        break;
    default:
        break;
    }
    return std::string();
}

bool IsSwitch(const std::string& name) {
    return name == "output" || name == "signal";
}

bool ParseSwitch(const std::string& name, const std::string& value, bool& first,
                 std::string& error) {
    const bool output = name == "output";
    const char* firstWord = output ? "hdmi" : "on";
    const char* secondWord = output ? "sdi" : "off";
    const std::string v = Lower(value);
    if (v != firstWord && v != secondWord && v != "0" && v != "1") {
        error = std::string(firstWord) + " or " + secondWord;
        return false;
    }
    first = v == firstWord || v == "0";
    return true;
}

const std::vector<std::string>& SettingOrder() {
    static const std::vector<std::string> kOrder = {
        "output",       "timing",      "hdmi_dvi",   "color_space", "color_depth", "hdcp",
        "audio_source", "sample_rate", "audio_bits", "channel",     "signal",      "pattern",
    };
    return kOrder;
}

} // namespace client
