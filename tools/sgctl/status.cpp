// sgctl status and search: the console's status read-back, shown in the status panel's words or
// as JSON with the raw codes.
#include "tools/sgctl/commands.h"

#include "link/code_names.h"
#include "link/exchanges.h"
#include "link/status_json.h"
#include "link/status_panel.h"
#include "link/user_timing_record.h"

#include <cstdio>
#include <sstream>

namespace sgctl {

namespace {

constexpr int kUserSlots = exchange::kUserSlots;
constexpr int kSignal = exchange::kSignalItem;

std::string ClockText(const UserTimingRecord& r) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02u", r.pixelClock10kHz / 100u, r.pixelClock10kHz % 100u);
    return text;
}

// A value on one line: {"key": value, ...} and [a, b], with a blank after each colon and comma.
void Inline(const client::Json& j, std::string& out) {
    if (j.is_object()) {
        out += '{';
        bool first = true;
        for (const auto& item : j.items()) {
            out += first ? "" : ", ";
            first = false;
            out += client::Json(item.key()).dump() + ": ";
            Inline(item.value(), out);
        }
        out += '}';
    } else if (j.is_array()) {
        out += '[';
        for (std::size_t i = 0; i < j.size(); ++i) {
            out += i ? ", " : "";
            Inline(j[i], out);
        }
        out += ']';
    } else {
        out += j.dump(-1, ' ', false, client::Json::error_handler_t::replace);
    }
}

// The status object as sgctl prints it: a key a line, and each user timing on a line of its own.
std::string StatusText(const client::Json& status) {
    std::string out = "{\n";
    std::size_t n = 0;
    for (const auto& item : status.items()) {
        out += "  " + client::Json(item.key()).dump() + ": ";
        const client::Json& v = item.value();
        if (v.is_array()) {
            out += "[\n";
            for (std::size_t i = 0; i < v.size(); ++i) {
                out += "    ";
                Inline(v[i], out);
                out += i + 1 < v.size() ? ",\n" : "\n";
            }
            out += "  ]";
        } else {
            Inline(v, out);
        }
        out += ++n < status.size() ? ",\n" : "\n";
    }
    return out + "}\n";
}

} // namespace

std::string UserTimingJson(int slot, const UserTimingRecord::Bytes& record) {
    std::string out;
    Inline(client::UserTimingJson(slot, record), out);
    return out;
}

std::string UserTimingLine(int slot, const std::uint8_t* record) {
    const UserTimingRecord r = UserTimingRecord::FromBytes(record);
    char line[256];
    std::snprintf(line, sizeof line,
                  "%d  %-15s %7s MHz  H %u blank %u offset %u width %u  V %u blank %u offset %u "
                  "width %u  %s  Hsync %c Vsync %c",
                  slot, names::UserTimingPanelText(record).c_str(), ClockText(r).c_str(), r.hActive,
                  r.hBlank, r.hsOffset, r.hsWidth, r.vActive, r.vBlank, r.vsOffset, r.vsWidth,
                  r.Interlaced() ? "interlaced" : "progressive",
                  (r.flags & UserTimingRecord::kHsyncPositive) ? '+' : '-',
                  (r.flags & UserTimingRecord::kVsyncPositive) ? '+' : '-');
    return line;
}

int CmdSearch(const Args& args, CSession& s) {
    if (!args.empty())
        UsageError("search", "search takes no arguments");
    s.out << s.Search().PortName() << "\n";
    return kExitDone;
}

int CmdStatus(const Args& args, CSession& s) {
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else
            UsageError("status", "unknown argument " + a);
    }
    client::Status st;
    CSession::Check(s.Generator().ReadStatus(st));
    std::ostringstream o;
    if (json) {
        o << StatusText(client::StatusJson(st));
    } else {
        char line[160];
        std::snprintf(line, sizeof line, "%-14s%s\n", "Port:", s.Generator().PortName().c_str());
        o << line;
        std::snprintf(line, sizeof line, "%-14s%s\n", "Output:", st.hdmiOutput ? "HDMI" : "SDI");
        o << line;
        std::snprintf(line, sizeof line, "%-14s%s\n",
                      "Signal:", st.items[kSignal] == 0 ? "on" : "off");
        o << line;
        for (const client::PanelLine& p : client::PanelLines(st)) {
            const std::string code = p.code >= 0 ? " (" + std::to_string(p.code) + ")" : "";
            std::snprintf(line, sizeof line, "%-14s%s%s\n", p.label, p.text.c_str(), code.c_str());
            o << line;
        }
        o << "User timings (slot, name, clock, horizontal, vertical, scan, sync):\n";
        for (int slot = 0; slot < kUserSlots; ++slot)
            o << "  " << UserTimingLine(slot, st.userTimings[static_cast<std::size_t>(slot)].data())
              << "\n";
    }
    s.out << o.str();
    return kExitDone;
}

} // namespace sgctl
