// The settings a plan step may make, in the one order a step applies them: the output first (the
// channel list, the HDMI-only settings and the timings offered depend on it), then the timing and
// the HDMI/DVI mode (the colour rules depend on them), the colour, HDCP and audio settings, the
// signal, and the pattern last (whether a pattern is offered depends on the output). And the
// check of a value before anything is sent: the values `sgctl set` takes.
#pragma once

#include <string>
#include <vector>

namespace plan {

// "output", "timing", "hdmi_dvi", "color_space", "color_depth", "hdcp", "audio_source",
// "sample_rate", "audio_bits", "channel", "signal", "pattern".
const std::vector<std::string>& SettingKeys();

// The key's place in that order; -1 when it is no setting key.
int KeyRank(const std::string& key);

// What the value check knows of the output the generator will have selected when the setting is
// made: the output the step (or an earlier one) sets, or nothing.
enum class KnownOutput { Unknown, Hdmi, Sdi };

// Empty when a step may set key to value: a code or a name the console shows for the key (for
// the channel, of the output known, or of either output when it is not known); "hdmi"/"sdi" or
// "on"/"off" (or 0/1) for the output and the signal, in any case. Else why not.
std::string CheckValue(const std::string& key, const std::string& value, KnownOutput output);

// The output a valid "output" value selects.
KnownOutput OutputOf(const std::string& value);

} // namespace plan
