// sgctl status and search: the console's status read-back, shown in the status panel's words or
// as JSON with the raw codes.
#include "tools/sgctl/commands.h"

#include "link/code_names.h"
#include "link/exchanges.h"
#include "link/status_json.h"
#include "link/status_panel.h"
#include "link/user_timing_record.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <sstream>
#include <thread>

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
                  "%2d  %-15s %7s MHz  H %u blank %u offset %u width %u  V %u blank %u offset %u "
                  "width %u  %s  Hsync %c Vsync %c",
                  slot, names::UserTimingPanelText(record).c_str(), ClockText(r).c_str(), r.hActive,
                  r.hBlank, r.hsOffset, r.hsWidth, r.vActive, r.vBlank, r.vsOffset, r.vsWidth,
                  r.Interlaced() ? "interlaced" : "progressive",
                  (r.flags & UserTimingRecord::kHsyncPositive) ? '+' : '-',
                  (r.flags & UserTimingRecord::kVsyncPositive) ? '+' : '-');
    return line;
}

namespace {

std::string AddressText(const frame::DeviceAddress& a) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x:%02x", a.group, a.device);
    return text;
}

// Each port the search passed over, and why, on err.
void SayPassed(const std::vector<client::Probed>& probed, std::ostream& err) {
    for (const client::Probed& p : probed) {
        if (p.found)
            continue;
        err << "sgctl: " << p.Port() << " passed over: " << p.reason
            << (p.detail.empty() ? "" : " (" + p.detail + ")") << "\n";
    }
}

} // namespace

int CmdSearch(const Args& args, CSession& s) {
    bool all = false, json = false, verbose = false;
    for (const std::string& a : args) {
        if (a == "--all")
            all = true;
        else if (a == "--json")
            json = true;
        else if (a == "--verbose")
            verbose = true;
        else
            UsageError("search", "unknown argument " + a);
    }
    if (json && !all)
        UsageError("search", "--json goes with --all");
    if (all && !s.options.strPort.empty())
        UsageError("search", "search --all searches COM1..COM99: leave --port out");
    std::vector<client::Probed> probed;
    if (!all) {
        // The report of each port is wanted also when the search fails.
        try {
            const std::string port = s.Search(&probed).PortName();
            if (verbose)
                SayPassed(probed, s.err);
            s.out << port << "\n";
        } catch (const CFailure&) {
            if (verbose)
                SayPassed(probed, s.err);
            throw;
        }
        return kExitDone;
    }
    try {
        s.SearchAll(probed);
    } catch (const CFailure&) {
        if (verbose)
            SayPassed(probed, s.err);
        throw;
    }
    if (verbose)
        SayPassed(probed, s.err);
    client::Json found = client::Json::array();
    for (const client::Probed& p : probed) {
        if (!p.found)
            continue;
        if (json)
            found.push_back({{"port", p.Port()}, {"address", AddressText(p.address)}});
        else
            s.out << p.Port() << "\t" << AddressText(p.address) << "\n";
    }
    if (json)
        s.out << found.dump() << "\n";
    return kExitDone;
}

namespace {

// Now, in UTC to the millisecond: 2026-12-09T17:40:01.123Z.
std::string Timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", std::gmtime(&seconds));
    return std::string(text) + "." + (ms < 100 ? ms < 10 ? "00" : "0" : "") + std::to_string(ms) +
           "Z";
}

// A value of the status object as a line shows it: strings bare, the panel's words after a
// code, a user timing by its name.
std::string Shown(const client::Json& status, const std::string& key, const client::Json& v) {
    std::string text = v.is_string() ? v.get<std::string>() : v.dump();
    const client::Json& names = status["names"];
    if (v.is_number() && names.contains(key))
        text += " (" + names[key].get<std::string>() + ")";
    return text;
}

// What differs between two readings, "timing 20 (1920x1080p(60)) -> 27 (1920x1080p(50))", or
// every item when there is no earlier reading; the keys that differ in changed.
std::string Changes(const client::Json* before, const client::Json& now,
                    std::vector<std::string>& changed) {
    std::string line;
    auto add = [&](const std::string& key, const std::string& text) {
        changed.push_back(key);
        line += (line.empty() ? "" : "; ") + text;
    };
    for (const auto& item : now.items()) {
        const std::string& key = item.key();
        if (key == "names" || key == "summary")
            continue;
        if (key == "user_timings") {
            for (std::size_t i = 0; i < item.value().size(); ++i) {
                const client::Json& slot = item.value()[i];
                if (before && (*before)[key][i]["record"] == slot["record"])
                    continue;
                add("user_timings",
                    "user timing " + slot["slot"].dump() + " " + slot["name"].get<std::string>());
            }
            continue;
        }
        if (!before)
            add(key, key + " " + Shown(now, key, item.value()));
        else if ((*before)[key] != item.value())
            add(key, key + " " + Shown(*before, key, (*before)[key]) + " -> " +
                         Shown(now, key, item.value()));
    }
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return line;
}

// Reads the state back every interval and prints a line each time something changed, until
// interrupted. The port is released between readings, so that other programs can use the line;
// a reading that finds it held by one waits for the next. A port that is gone ends the watch.
int Watch(CSession& s, double seconds, bool json) {
    client::CGeneratorClient& generator = s.Generator();
    const std::string port = generator.PortName();
    const auto interval = std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    auto ended = [&](client::Result r) {
        r.message += "\nthe watch of " + port + " ends";
        CSession::Check(r);
    };
    std::unique_ptr<client::Json> last;
    for (;;) {
        if (!generator.IsOpen()) {
            const client::Result opened = generator.Open(port);
            if (!opened.Ok() && generator.OpenFoundBusy()) {
                std::this_thread::sleep_for(interval);
                continue;
            }
            if (!opened.Ok())
                ended(opened);
        }
        client::Status st;
        const client::Result read = generator.ReadStatus(st);
        generator.Close();
        if (!read.Ok())
            ended(read);
        client::Json now = client::StatusJson(st);
        std::vector<std::string> changed;
        const std::string line = Changes(last.get(), now, changed);
        if (!changed.empty()) {
            const std::string time = Timestamp();
            if (json) {
                client::Json record;
                record["time"] = time;
                record["changed"] = changed;
                for (const auto& item : now.items())
                    record[item.key()] = item.value();
                s.out << record.dump() << "\n";
            } else {
                s.out << time << " " << line << "\n";
            }
            s.out.flush();
        }
        last = std::make_unique<client::Json>(std::move(now));
        std::this_thread::sleep_for(interval);
    }
}

} // namespace

int CmdStatus(const Args& args, CSession& s) {
    bool json = false;
    double watch = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            json = true;
        } else if (a == "--watch") {
            char* end = nullptr;
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            watch = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(watch >= 0.1 && watch <= 86400))
                UsageError("status", "--watch takes 0.1..86400 seconds, not " + value);
        } else {
            UsageError("status", "unknown argument " + a);
        }
    }
    if (watch > 0)
        return Watch(s, watch, json);
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
            o << "  "
              << UserTimingLine(slot + 1, st.userTimings[static_cast<std::size_t>(slot)].data())
              << "\n";
    }
    s.out << o.str();
    return kExitDone;
}

} // namespace sgctl
