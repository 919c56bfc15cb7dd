// The non-empty lines of a text, without their line ends (LF or CR LF): what a multi-line edit
// shows, or a file holds.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

inline std::vector<std::string> NonEmptyLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

} // namespace testsupport
