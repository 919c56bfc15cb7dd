// The frame log line shared by the console, the emulator and sgctl.
#include "link/frame_log.h"

#include "link/frame.h"

#include <cstdio>

namespace framelog {

std::string FormatLine(double seconds, const char* direction, const std::uint8_t* bytes,
                       std::size_t count, const std::string& note) {
    char head[48];
    std::snprintf(head, sizeof head, "%12.6f %s", seconds, direction);
    std::string line = head;
    if (count > 0)
        line += ' ' + frame::Hex(bytes, count);
    if (!note.empty())
        line += "  (" + note + ")";
    return line;
}

} // namespace framelog
