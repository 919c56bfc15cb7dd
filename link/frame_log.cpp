// The frame log line shared by the console, the emulator and sgctl.
#include "link/frame_log.h"

#include <cstdio>

namespace framelog {

std::string FormatLine(double seconds, const char* direction, const std::uint8_t* bytes,
                       std::size_t count, const std::string& note) {
    char head[48];
    std::snprintf(head, sizeof head, "%12.6f %s", seconds, direction);
    std::string line = head;
    line.reserve(line.size() + count * 3 + note.size() + 4);
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < count; ++i) {
        line += ' ';
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0x0F];
    }
    if (!note.empty())
        line += "  (" + note + ")";
    return line;
}

} // namespace framelog
