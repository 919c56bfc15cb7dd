// The state the command line starts the device in (--set KEY=VALUE): the keys and values
// `sgctl set` takes, applied in the order several settings are applied together, each as the
// setting frame the device would receive, so that the device's own rules refuse what it refuses
// (a colour space the 4K timings do not carry, colour in DVI mode).
#pragma once

#include "tools/sgsim/generator.h"

#include <string>
#include <utility>
#include <vector>

namespace sgsim {

using Setting = std::pair<std::string, std::string>; // key, value

// Applies the settings to the generator's state; empty when all took, else why the first that
// did not was refused (an unknown key, a key given twice, a value that is no code or name, a
// choice the device refuses in the state before it).
std::string ApplySettings(const std::vector<Setting>& settings, CGenerator& generator);

} // namespace sgsim
