// The one-byte settings by key.
#include "link/setting_keys.h"

#include "link/catalogue.h"
#include "link/code_names.h"
#include "link/command_words.h"
#include "link/page_captions.h"
#include "link/setting_rules.h"
#include "link/timing_codes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace client {

namespace {

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A name as it is compared: in lower case, each run of blanks one blank, none at either end, so
// that a list entry matches however its columns were typed.
std::string Folded(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

template <std::size_t N> const char* Entry(const char* const (&table)[N], int code) {
    return code >= 0 && code < static_cast<int>(N) ? table[code] : nullptr;
}

// The Timing page's entry of a built-in timing: its radio caption, or where the caption repeats
// (the 3D groups) the caption with the group's mark as the panel writes it, "720p_3D(50)SbS".
std::string TimingPageEntry(int code) {
    const std::string caption = names::kTimingPageCaptions[code];
    int uses = 0;
    for (const char* c : names::kTimingPageCaptions)
        uses += caption == c;
    if (uses == 1)
        return caption;
    const std::string panel = names::TimingName(code);
    return caption + panel.substr(panel.rfind(')') + 1);
}

// The forms of a channel list entry "12: 5.1CH     RR_RL_FC_LFE_FR_FL": the whole entry, the
// entry without its number, and the last column (the speakers, or the SDI channels).
void AddEntryForms(const char* entry, std::vector<std::string>& out) {
    if (!entry)
        return;
    const std::string e = entry;
    out.push_back(e);
    const std::size_t colon = e.find(": ");
    if (colon != std::string::npos)
        out.push_back(e.substr(colon + 2));
    const std::size_t blank = e.find_last_of(' ');
    if (blank != std::string::npos && blank > colon + 1)
        out.push_back(e.substr(blank + 1));
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

std::vector<std::string> CodeNames(Key key, int code, bool hdmiOutput) {
    std::vector<std::string> all;
    if (code < 0 || code > MaxCode(key, hdmiOutput))
        return all;
    switch (key) {
    case Key::Timing:
        if (timing::IsUser(code)) {
            const std::string list = names::kUserDefineList;
            std::size_t start = 0;
            for (int slot = 0; slot < timing::UserSlot(code); ++slot)
                start = list.find('\n', start) + 1;
            all.push_back(list.substr(start, list.find('\n', start) - start));
        } else if (code < names::kTimingCaptionCount) {
            all.push_back(TimingPageEntry(code));
            all.push_back(names::kTimingPageCaptions[code]);
        }
        break;
    case Key::ColorSpace:
        all.push_back(Entry(names::kColorSpaceCaptions, code));
        break;
    case Key::ColorDepth:
        all.push_back(Entry(names::kColorDepthCaptions, code));
        break;
    case Key::Hdcp:
        all.push_back(Entry(names::kHdcpCaptions, code));
        break;
    case Key::HdmiDvi:
        all.push_back(Entry(names::kHdmiDviCaptions, code));
        break;
    case Key::SampleRate:
        all.push_back(Entry(names::kSampleRateCaptions, code));
        break;
    case Key::AudioBits:
        all.push_back(Entry(names::kAudioBitsCaptions, code));
        break;
    case Key::AudioSource:
        all.push_back(Entry(names::kAudioSourceCaptions, code));
        break;
    case Key::Channel:
        AddEntryForms(hdmiOutput ? Entry(names::kHdmiChannelEntries, code)
                                 : Entry(names::kSdiChannelEntries, code),
                      all);
        break;
    case Key::Pattern:
        break;
    }
    // The status panel's name, where it is another.
    all.push_back(CodeName(key, code, hdmiOutput));
    std::vector<std::string> names;
    for (const std::string& n : all) {
        bool known = n.empty();
        for (const std::string& m : names)
            known = known || Folded(m) == Folded(n);
        if (!known)
            names.push_back(n);
    }
    return names;
}

std::vector<std::string> ListedNames(Key key, int code, bool hdmiOutput) {
    std::vector<std::string> listed;
    for (const std::string& n : CodeNames(key, code, hdmiOutput)) {
        bool shared = false;
        for (int other = 0; other <= MaxCode(key, hdmiOutput) && !shared; ++other) {
            if (other == code)
                continue;
            for (const std::string& m : CodeNames(key, other, hdmiOutput))
                shared = shared || Folded(m) == Folded(n);
        }
        if (!shared)
            listed.push_back(n);
    }
    return listed;
}

bool MayBeTimingCaption(const std::string& text) {
    const std::string t = Folded(text);
    unsigned h = 0, v = 0, rate = 0;
    char i = 0, close = 0, extra = 0;
    if (std::sscanf(t.c_str(), "%ux%u(%u%c%c", &h, &v, &rate, &close, &extra) == 4)
        return close == ')';
    return std::sscanf(t.c_str(), "%ux%u%c(%u%c%c", &h, &v, &i, &rate, &close, &extra) == 5 &&
           i == 'i' && close == ')';
}

bool MatchName(const std::vector<std::pair<int, std::string>>& candidates, const std::string& text,
               int& code, std::string& error) {
    const std::string wanted = Folded(text);
    std::vector<int> matches;
    for (const auto& c : candidates)
        if (Folded(c.second) == wanted &&
            std::find(matches.begin(), matches.end(), c.first) == matches.end())
            matches.push_back(c.first);
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
    std::vector<std::pair<int, std::string>> candidates;
    for (int c = 0; c <= max; ++c)
        for (const std::string& name : CodeNames(key, c, hdmiOutput))
            candidates.emplace_back(c, name);
    return MatchName(candidates, text, code, error);
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
