// The timings an EDID claims, matched to the generator's, and the plan that steps through them.
#include "plan/edid_plan.h"

#include "link/code_names.h"
#include "link/setting_keys.h"
#include "link/timing_codes.h"
#include "link/timing_table.h"
#include "link/timing_tables.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace plan {

namespace {

using Json = nlohmann::ordered_json;

// Half the distance between a rate and its 1000/1001 neighbour.
constexpr double kRateTolerance = 0.0005;

// A built-in timing of the generator as the EDID's claims are matched to it.
struct GeneratorTiming {
    int code;
    std::string name;
    unsigned hActive, lines;
    bool interlaced;
    double rateHz; // field rate when interlaced
    bool y420;     // output in YCbCr 4:2:0 only
};

// The 2D timings 0..43 (the 3D formats after them are claimed otherwise than by these blocks).
const std::vector<GeneratorTiming>& GeneratorTimings() {
    static const std::vector<GeneratorTiming> kTimings = [] {
        std::vector<GeneratorTiming> list;
        for (int code = 0; code <= timing::kLast4k; ++code) {
            const BuiltInTiming* t = FindBuiltInTiming(code);
            const bool interlaced = (t->flags & 0x01) != 0;
            double rate = t->clockMhz * 1e6 / (static_cast<double>(t->hTotal) * t->vTotal);
            if (interlaced)
                rate *= 2; // the table's totals are the frame's
            if (timing::Is420(code))
                rate *= 2; // the table's clock carries two pixels in 4:2:0
            list.push_back({code, names::TimingName(code), static_cast<unsigned>(t->hActive),
                            static_cast<unsigned>(t->vActive), interlaced, rate,
                            timing::Is420(code)});
        }
        return list;
    }();
    return kTimings;
}

// "60", "59.94", "23.98", "60.32".
std::string RateText(double hz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", hz);
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

std::string SizeText(unsigned h, unsigned lines, bool interlaced) {
    return std::to_string(h) + "x" + std::to_string(lines) + (interlaced ? "i" : "p");
}

bool SameRate(double a, double b) {
    return std::fabs(a - b) <= kRateTolerance * b;
}

// The rate of a table format (field rate when interlaced).
double FormatRate(const timing_calc::StandardFormat& f, double clockKhz) {
    const double hTotal = f.hActive + f.hFront + f.hSync + f.hBack;
    const double vTotal =
        f.vActive + f.vFront + f.vSync + f.vBack + (f.interlaced && f.halfLine ? 0.5 : 0.0);
    return clockKhz * 1000.0 / (hTotal * vTotal);
}

// A named timing's rates: those of the DMT formats of its size and rate, else the nominal rate.
std::vector<double> NamedRates(const edid::NamedTiming& t) {
    std::vector<double> rates;
    if (!t.interlaced) {
        for (const timing_calc::StandardFormat* f = timing_calc::DmtBegin();
             f != timing_calc::DmtEnd(); ++f)
            if (!f->interlaced && unsigned(f->hActive) == t.hActive &&
                unsigned(f->vActive) == t.vActive &&
                std::lround(f->nominalRate) == long(t.refreshHz))
                rates.push_back(FormatRate(*f, f->pixelClockKhz));
    }
    if (rates.empty())
        rates.push_back(t.refreshHz);
    return rates;
}

Claim NamedClaim(const char* kind, const edid::NamedTiming& t) {
    Claim c;
    c.source = std::string(kind) + " " + std::to_string(t.hActive) + "x" +
               std::to_string(t.vActive) + (t.interlaced ? "i" : "") + "@" +
               std::to_string(t.refreshHz);
    c.hActive = t.hActive;
    c.lines = t.vActive;
    c.interlaced = t.interlaced;
    c.ratesHz = NamedRates(t);
    return c;
}

// The claims of one VIC: at the table's rate and, for the rates that come in pairs, at the other
// of the pair.
void VicClaims(unsigned vic, const std::string& suffix, Claim::Y420 y420,
               std::vector<Claim>& claims) {
    const timing_calc::StandardFormat* f = timing_calc::FindCta(static_cast<int>(vic));
    if (!f) {
        Claim c;
        c.source = "VIC " + std::to_string(vic) + suffix;
        c.unusable = "CTA-861 defines no format with this VIC";
        claims.push_back(c);
        return;
    }
    Claim c;
    c.interlaced = f->interlaced;
    c.lines = static_cast<unsigned>(f->interlaced ? 2 * f->vActive : f->vActive);
    c.hActive = static_cast<unsigned>(f->hActive);
    // The 480i, 480p, 576i and 576p formats at 27 MHz and 1440 pixels carry 720 pixels twice.
    if (f->hActive == 1440 && f->pixelClockKhz == 27000)
        c.hActive = 720;
    c.y420 = y420;
    const double rate = FormatRate(*f, f->pixelClockKhz);
    c.source = "VIC " + std::to_string(vic) + suffix;
    c.ratesHz = {rate};
    claims.push_back(c);

    const long whole = std::lround(rate);
    const long pairBase = SameRate(rate, double(whole)) ? whole : std::lround(rate * 1.001);
    if (pairBase % 6 != 0)
        return;
    const double other =
        SameRate(rate, double(whole)) ? rate * 1000.0 / 1001.0 : rate * 1001.0 / 1000.0;
    c.source = "VIC " + std::to_string(vic) + " at " + RateText(other) + " Hz" + suffix;
    c.ratesHz = {other};
    claims.push_back(c);
}

} // namespace

std::vector<Claim> ClaimsOf(const edid::EdidModel& model) {
    std::vector<Claim> claims;
    const edid::CtaExtension* cta = nullptr;
    std::size_t ctaBlock = 0;
    for (const edid::Extension& e : model.extensions) {
        if (e.isCta) {
            cta = &e.cta;
            ctaBlock = e.block;
            break;
        }
    }

    std::size_t n = 0;
    for (const edid::DetailedTiming& t : model.detailedTimings) {
        if (t.block != 0 && t.block != ctaBlock)
            continue;
        ++n;
        Claim c;
        c.source = "Detailed timing " + std::to_string(n) +
                   (n == 1 && model.hasPreferredTiming ? ", preferred" : "");
        c.hActive = t.hActive;
        c.lines = t.interlaced ? 2 * t.vActive : t.vActive;
        c.interlaced = t.interlaced;
        const double rate = t.VFreqHz();
        if (rate > 0)
            c.ratesHz = {rate};
        else
            c.unusable = "its clock or a total is zero: it gives no refresh rate";
        claims.push_back(c);
    }
    for (const edid::NamedTiming& t : model.establishedTimings)
        claims.push_back(NamedClaim("Established", t));
    for (const edid::NamedTiming& t : model.standardTimings)
        claims.push_back(NamedClaim("Standard", t));
    if (!cta)
        return claims;

    const edid::Y420CapabilityMap& map = cta->y420CapabilityMap;
    for (std::size_t i = 0; i < cta->svds.size(); ++i) {
        const edid::ShortVideo& svd = cta->svds[i];
        if (svd.vic == 0) {
            Claim c;
            c.source = "Short video descriptor " + std::to_string(i + 1) + " (code " +
                       std::to_string(svd.code) + ")";
            c.unusable = "a reserved code, which names no format";
            claims.push_back(c);
            continue;
        }
        bool y420 = false;
        if (cta->hasY420CapabilityMap) {
            y420 = map.allSvds;
            for (unsigned index : map.svdIndexes)
                y420 = y420 || index == i;
        }
        VicClaims(svd.vic, svd.native ? ", native" : "", y420 ? Claim::Y420::Also : Claim::Y420::No,
                  claims);
    }
    for (const edid::ShortVideo& svd : cta->y420Vics) {
        if (svd.vic == 0) {
            Claim c;
            c.source = "4:2:0 video data block code " + std::to_string(svd.code);
            c.unusable = "a reserved code, which names no format";
            claims.push_back(c);
            continue;
        }
        VicClaims(svd.vic, ", 4:2:0 only", Claim::Y420::Only, claims);
    }
    return claims;
}

EdidCoverage Cover(const std::vector<Claim>& claims) {
    EdidCoverage coverage;
    for (const Claim& c : claims) {
        if (!c.unusable.empty()) {
            coverage.notCovered.push_back({c.source, c.unusable});
            continue;
        }
        std::vector<const GeneratorTiming*> sized, rated, matched;
        for (const GeneratorTiming& g : GeneratorTimings())
            if (g.hActive == c.hActive && g.lines == c.lines && g.interlaced == c.interlaced)
                sized.push_back(&g);
        for (const GeneratorTiming* g : sized)
            for (double rate : c.ratesHz)
                if (SameRate(rate, g->rateHz)) {
                    rated.push_back(g);
                    break;
                }
        for (const GeneratorTiming* g : rated)
            if (g->y420 ? c.y420 != Claim::Y420::No : c.y420 != Claim::Y420::Only)
                matched.push_back(g);

        const std::string size = SizeText(c.hActive, c.lines, c.interlaced);
        if (sized.empty()) {
            coverage.notCovered.push_back({c.source, "the generator has no " + size + " timing"});
            continue;
        }
        if (rated.empty()) {
            std::string rates;
            for (const GeneratorTiming* g : sized)
                rates += (rates.empty() ? "" : ", ") + RateText(g->rateHz);
            std::string wanted;
            for (double rate : c.ratesHz)
                wanted += (wanted.empty() ? "" : " or ") + RateText(rate);
            coverage.notCovered.push_back({c.source, "the generator has " + size + " at " + rates +
                                                         " Hz, not at " + wanted + " Hz"});
            continue;
        }
        if (matched.empty()) {
            const GeneratorTiming& g = *rated.front();
            coverage.notCovered.push_back(
                {c.source, g.y420 ? "the generator outputs " + g.name +
                                        " in YCbCr 4:2:0 only, which the EDID does not claim "
                                        "for this timing"
                                  : "the EDID claims it in YCbCr 4:2:0 only, and the generator "
                                    "outputs " +
                                        g.name + " in RGB or YCbCr 4:4:4 or 4:2:2"});
            continue;
        }
        for (const GeneratorTiming* g : matched) {
            const std::string source =
                c.source + (g->y420 && c.y420 == Claim::Y420::Also ? ", in 4:2:0" : "");
            CoveredTiming* entry = nullptr;
            for (CoveredTiming& t : coverage.covered)
                if (t.code == g->code)
                    entry = &t;
            if (!entry) {
                // The name, when it names the timing alone; else the code.
                int code = -1;
                std::string error;
                const bool byName =
                    client::ParseValue(client::Key::Timing, g->name, true, code, error) &&
                    code == g->code;
                coverage.covered.push_back(
                    {g->code, byName ? g->name : std::to_string(g->code), {}});
                entry = &coverage.covered.back();
            }
            entry->sources.push_back(source);
        }
    }
    return coverage;
}

std::string EdidPlanJson(const EdidCoverage& coverage, const EdidPlanOptions& options) {
    Json plan;
    plan["name"] = options.name;
    if (options.dwellGiven)
        plan["dwell_s"] = options.dwellS;
    Json steps = Json::array();
    // EDID timings are the HDMI output's; selecting it needs no dwell.
    steps.push_back(Json{{"name", "HDMI output"}, {"output", "hdmi"}, {"dwell_s", 0}});
    for (const CoveredTiming& t : coverage.covered) {
        std::string name;
        for (const std::string& s : t.sources)
            name += (name.empty() ? "" : "; ") + s;
        Json step;
        step["name"] = name;
        step["timing"] = t.timing;
        if (options.patterns.size() == 1)
            step["pattern"] = options.patterns.front();
        else if (options.patterns.size() > 1)
            step["each"] = Json{{"pattern", options.patterns}};
        steps.push_back(step);
    }
    plan["steps"] = steps;
    Json notCovered = Json::array();
    for (const NotCovered& n : coverage.notCovered)
        notCovered.push_back(Json{{"claim", n.claim}, {"reason", n.reason}});
    plan["not_covered"] = notCovered;
    return plan.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace plan
