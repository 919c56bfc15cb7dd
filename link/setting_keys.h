// The one-byte settings by key ("timing", "color_space"): their command words, the codes the
// console sends, the names it shows for them, and the choices it refuses. What `sgctl set`, the
// test plans and the protocol client take a VALUE as. No I/O.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace client {

enum class Key {
    Timing,
    Pattern,
    ColorSpace,
    ColorDepth,
    Hdcp,
    HdmiDvi,
    SampleRate,
    AudioBits,
    AudioSource,
    Channel,
};

struct CKeyInfo {
    Key key;
    const char* name;  // "color_space"
    const char* label; // "colour space", for messages
    std::uint16_t wSet;
    std::uint16_t wQuery;
    bool bHdmiOnly; // the console offers it while the HDMI output is selected only
};

const std::vector<CKeyInfo>& Keys();
const CKeyInfo* FindKey(const std::string& name);
// The channel words follow the selected output.
std::uint16_t SetWord(const CKeyInfo& key, bool hdmiOutput);
std::uint16_t QueryWord(const CKeyInfo& key, bool hdmiOutput);

// The highest code the console sends for the key (the channel list of the output).
int MaxCode(Key key, bool hdmiOutput);

// The console's name of a code ("" when it has none, as for the user timings).
std::string CodeName(Key key, int code, bool hdmiOutput);

// Every name the console shows for a code: the page's entry first (the Timing page's caption,
// marked with its 3D group where the caption repeats; the Setting page's caption or whole list
// entry; "User Define n" for a user timing), then its other forms (a channel entry without its
// number, its speakers alone) and the status panel's name. Empty beyond what the console sends.
std::vector<std::string> CodeNames(Key key, int code, bool hdmiOutput);
// ... of them, those that name no other code of the key: what a list shows.
std::vector<std::string> ListedNames(Key key, int code, bool hdmiOutput);

// Reads a VALUE: a code (decimal, or hexadecimal after 0x) or a name the console shows for one,
// compared without regard to case or to how many blanks separate its words. False with the
// reason in error when it is neither, when the name fits several codes, or when the code is
// beyond what the console sends.
bool ParseValue(Key key, const std::string& text, bool hdmiOutput, int& code, std::string& error);
// ... a name among candidates (code, name), compared the same way.
bool MatchName(const std::vector<std::pair<int, std::string>>& candidates, const std::string& text,
               int& code, std::string& error);
// Whether the text has the form of a user timing's caption on the Timing page, "1920x1080i(60)":
// a timing name only the generator's saved records can tell.
bool MayBeTimingCaption(const std::string& text);

// What the refusals look at.
struct CRuleState {
    bool bHdmiOutput = true;
    int nTiming = 0;
    int nHdmiDvi = 1;
};

// Which parts of the state the refusals of the key look at.
bool NeedsOutput(Key key);
bool NeedsVideoMode(Key key);

// Empty when the console sends the choice in that state; else its message (the Setting page's
// own for the 4K and DVI rules).
std::string Refusal(const CKeyInfo& key, int code, const CRuleState& state);

// The two switches beside the keys: "output" (hdmi or sdi) and "signal" (on or off).
bool IsSwitch(const std::string& name);
// Reads a switch's VALUE: its first or second word in any case, or 0 or 1 (0 the first: the
// HDMI output, the signal on). False with the reason in error for anything else.
bool ParseSwitch(const std::string& name, const std::string& value, bool& first,
                 std::string& error);

// The keys and switches in the order several settings are applied together: the output first
// (the channel list and what the timing may be follow it), the timing and the HDMI/DVI mode
// before the colour settings their rules look at, the audio, the signal, the pattern last.
const std::vector<std::string>& SettingOrder();

} // namespace client
