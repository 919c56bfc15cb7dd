// The status panel's words for a state the status read-back collected: each line's label, its
// key in JSON, the text the console shows and the code behind it. sgctl prints them and the
// status JSON carries them under "names".
#pragma once

#include "link/generator_client.h"

#include <string>
#include <vector>

namespace client {

struct PanelLine {
    const char* label; // "Hot Plug:"
    const char* key;   // "hotplug": the key of status JSON that holds the same item
    std::string text;  // "ON"
    int code;          // -1: a fixed word of the output, no code behind it
};

// The panel's lines in the panel's order.
std::vector<PanelLine> PanelLines(const Status& status);

} // namespace client
