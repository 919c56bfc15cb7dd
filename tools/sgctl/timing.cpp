// sgctl timing calc: the timing calculator on the command line, and the request it reads, which
// `user-timing set --from` shares. Needs no port.
#include "tools/sgctl/commands.h"

#include "link/timing_calc.h"
#include "link/timing_json.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sgctl {

namespace {

using timing_calc::Formula;

bool ParseInt(const std::string& text, int base, long min, long max, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || errno != 0 || v < min || v > max)
        return false;
    value = static_cast<int>(v);
    return true;
}

// "2560x1440@59.95"
bool ParseSizeAtRate(const std::string& text, timing_calc::Request& q) {
    const std::size_t x = text.find('x');
    const std::size_t at = text.find('@');
    if (x == std::string::npos || at == std::string::npos || at < x)
        return false;
    if (!ParseInt(text.substr(0, x), 10, 1, 65535, q.hActive) ||
        !ParseInt(text.substr(x + 1, at - x - 1), 10, 1, 65535, q.vActive))
        return false;
    const std::string rate = text.substr(at + 1);
    char* end = nullptr;
    q.rateHz = std::strtod(rate.c_str(), &end);
    return !rate.empty() && *end == '\0' && std::isfinite(q.rateHz);
}

std::string Fixed(double v, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// The clock to the standard's step: whole kHz, and GTF's unrounded clock to the Hz.
std::string ClockText(const timing_calc::Timing& t) {
    return Fixed(t.pixelClockMhz, t.formula == Formula::Gtf ? 6 : 3) + " MHz";
}

std::string Table(const timing_calc::Timing& t) {
    char row[160];
    std::string s;
    std::string title = timing_calc::FormulaTitle(t.formula);
    if (t.formula == Formula::Cta)
        title += " VIC " + std::to_string(t.id);
    else if (t.formula == Formula::Dmt) {
        char id[16];
        std::snprintf(id, sizeof id, " 0x%02x", static_cast<unsigned>(t.id));
        title += id;
    }
    s += "formula      " + title + "\n";
    s += "pixel clock  " + ClockText(t) + "\n";
    std::snprintf(row, sizeof row, "%-12s %6s %6s %6s %6s %6s %6s\n", "", "active", "front", "sync",
                  "back", "blank", "total");
    s += row;
    std::snprintf(row, sizeof row, "%-12s %6d %6d %6d %6d %6d %6d\n", "horizontal", t.hActive,
                  t.hFrontPorch, t.hSync, t.hBackPorch, t.HBlank(), t.HTotal());
    s += row;
    std::snprintf(row, sizeof row, "%-12s %6d %6d %6d %6d %6d %6d\n",
                  t.interlaced ? "vertical/2" : "vertical", t.vActive, t.vFrontPorch, t.vSync,
                  t.vBackPorch, t.VBlank(), t.VTotal());
    s += row;
    s += std::string("sync         H ") + (t.hsyncPositive ? "+" : "-") + "  V " +
         (t.vsyncPositive ? "+" : "-") + "\n";
    s += std::string("scan         ") +
         (t.interlaced ? (t.halfLine ? "interlaced, vertical values per field, a half line "
                                       "between the fields"
                                     : "interlaced, vertical values per field")
                       : "progressive") +
         "\n";
    s += "line rate    " + Fixed(t.HFreqKhz(), 3) + " kHz\n";
    s += std::string(t.interlaced ? "field rate   " : "frame rate   ") + Fixed(t.VFreqHz(), 3) +
         " Hz\n";
    if (!t.note.empty())
        s += "note         " + t.note + "\n";
    const std::string fits = timing_calc::CheckFitsUserRecord(t);
    s += "user timing  " +
         (fits.empty() ? std::string("fits the user timing record") : "cannot be stored: " + fits) +
         "\n";
    return s;
}

} // namespace

timing_calc::Timing CalculateFromArgs(const Args& args, std::size_t first,
                                      const std::string& command, bool* json) {
    if (args.size() < first + 2)
        UsageError(command, "the formula and SIZE@RATE (or the VIC or DMT id) are missing");
    timing_calc::Request q;
    const std::string& key = args[first];
    if (!timing_calc::ParseFormula(key, q.formula))
        UsageError(command,
                   "unknown formula " + key + " (cvt, cvt-rb, cvt-rb2, cvt-rb3, gtf, dmt or cta)");
    const std::string& what = args[first + 1];
    const bool byNumber = what.find('@') == std::string::npos;
    if (q.formula == Formula::Cta) {
        if (!ParseInt(what, 10, 1, 255, q.id))
            UsageError(command, "cta takes a VIC, not " + what);
    } else if (q.formula == Formula::Dmt && byNumber) {
        const bool hex = what.rfind("0x", 0) == 0 || what.rfind("0X", 0) == 0;
        if (!ParseInt(hex ? what.substr(2) : what, hex ? 16 : 10, 1, 255, q.id))
            UsageError(command, "dmt takes a DMT id (82 or 0x52) or SIZE@RATE, not " + what);
    } else if (!ParseSizeAtRate(what, q)) {
        UsageError(command, "SIZE@RATE looks like 2560x1440@59.95, not " + what);
    }
    const bool table = q.id != 0;
    for (std::size_t i = first + 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json" && json) {
            *json = true;
        } else if (a == "--interlaced" && !table) {
            q.interlaced = true;
        } else if (a == "--video-optimized" && q.formula == Formula::CvtRb2) {
            q.videoOptimized = true;
        } else if (a == "--early-vsync" && q.formula == Formula::CvtRb3) {
            q.rb3EarlyVsync = true;
        } else if (a == "--hblank" && q.formula == Formula::CvtRb3) {
            if (i + 1 >= args.size() || !ParseInt(args[i + 1], 10, 0, 65535, q.rb3HBlank))
                UsageError(command, "--hblank takes the horizontal blank in pixels");
            ++i;
        } else {
            UsageError(command, a + " is no option of " + command + " " + key +
                                    (table ? " with an id" : ""));
        }
    }
    const timing_calc::Result r = timing_calc::Calculate(q);
    if (!r.ok)
        throw CFailure(kExitUsage, "no timing: " + r.error);
    return r.timing;
}

int CmdTiming(const Args& args, CSession& s) {
    if (args.empty() || args[0] != "calc")
        UsageError("timing", "timing takes calc");
    bool json = false;
    const timing_calc::Timing t = CalculateFromArgs(args, 1, "timing", &json);
    s.out << (json ? timing_calc::ToJson(t).dump() + "\n" : Table(t));
    return kExitDone;
}

} // namespace sgctl
