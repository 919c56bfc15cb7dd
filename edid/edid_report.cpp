// Terminal and JSON forms of the decoded texts.
#include "edid/edid_report.h"

#include <cstdio>

namespace edid {

namespace {

// CR LF and a lone CR become one LF.
std::string UnixLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void AppendReport(std::string& out, const char* heading, const std::string& text) {
    out += heading;
    out += '\n';
    out += UnixLines(text);
    if (!text.empty() && out.back() != '\n')
        out += '\n';
}

} // namespace

std::string JsonEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += ch;
            }
        }
    }
    return out;
}

std::string ToJson(const Decoded& decoded) {
    std::string out = "{";
    const std::pair<const char*, const std::string*> fields[] = {
        {"status", &decoded.status}, {"hexdump", &decoded.hexDump}, {"video", &decoded.video},
        {"audio", &decoded.audio},   {"general", &decoded.general},
    };
    bool first = true;
    for (const auto& field : fields) {
        if (!first)
            out += ",";
        first = false;
        out += "\"";
        out += field.first;
        out += "\":\"";
        out += JsonEscape(*field.second);
        out += "\"";
    }
    out += "}";
    return out;
}

std::string ToReadableText(const Decoded& decoded) {
    std::string out;
    if (!decoded.status.empty()) {
        AppendReport(out, "EDID status:", decoded.status);
        out += '\n';
    }
    if (!decoded.hexDump.empty()) {
        out += "EDID bytes:\n";
        // 16 bytes of "XX " per row, labelled like the rows of the page's hex dump.
        const std::size_t rowChars = 16 * 3;
        for (std::size_t row = 0; row * rowChars < decoded.hexDump.size(); ++row) {
            char label[8];
            std::snprintf(label, sizeof label, "%02zx  ", row * 16);
            std::string line = decoded.hexDump.substr(row * rowChars, rowChars);
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            out += label;
            out += line;
            out += '\n';
        }
        out += '\n';
    }
    AppendReport(out, "Video Information:", decoded.video);
    AppendReport(out, "Audio Information:", decoded.audio);
    AppendReport(out, "General Info:", decoded.general);
    return out;
}

} // namespace edid
