// Timings of the calculator to JSON and back.
#include "link/timing_json.h"

#include <cmath>

namespace timing_calc {

Json ToJson(const Timing& t) {
    Json j;
    j["formula"] = FormulaKey(t.formula);
    j["pixel_clock_mhz"] = t.pixelClockMhz;
    j["h_active"] = t.hActive;
    j["h_front_porch"] = t.hFrontPorch;
    j["h_sync"] = t.hSync;
    j["h_back_porch"] = t.hBackPorch;
    j["h_blank"] = t.HBlank();
    j["h_total"] = t.HTotal();
    j["v_active"] = t.vActive;
    j["v_front_porch"] = t.vFrontPorch;
    j["v_sync"] = t.vSync;
    j["v_back_porch"] = t.vBackPorch;
    j["v_blank"] = t.VBlank();
    j["v_total"] = t.VTotal();
    j["hsync_positive"] = t.hsyncPositive;
    j["vsync_positive"] = t.vsyncPositive;
    j["interlaced"] = t.interlaced;
    j["half_line"] = t.interlaced && t.halfLine;
    j["h_freq_khz"] = t.HFreqKhz();
    j["v_freq_hz"] = t.VFreqHz();
    return j;
}

namespace {

// Reads a whole number 0..65535 (a 16-bit field of the record and more than any timing has).
bool Size(const Json& j, const char* key, int& value, std::string& error) {
    const auto it = j.find(key);
    if (it == j.end()) {
        error = std::string("the timing has no ") + key;
        return false;
    }
    double v = 0;
    if (it->is_number_integer() || it->is_number_unsigned()) {
        v = it->get<double>();
    } else if (it->is_number_float() && std::floor(it->get<double>()) == it->get<double>()) {
        v = it->get<double>();
    } else {
        error = std::string(key) + " must be a whole number, not " + it->dump();
        return false;
    }
    if (v < 0 || v > 65535) {
        error = std::string(key) + " must be a value from 0 to 65535, not " + it->dump();
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool Flag(const Json& j, const char* key, bool& value, std::string& error) {
    const auto it = j.find(key);
    if (it == j.end()) {
        error = std::string("the timing has no ") + key;
        return false;
    }
    if (!it->is_boolean()) {
        error = std::string(key) + " must be true or false, not " + it->dump();
        return false;
    }
    value = it->get<bool>();
    return true;
}

// A total or blank given beside the parts must be their sum: an edited copy of the calculator's
// object may have changed one and not the other.
bool Agrees(const Json& j, const char* key, int sum, std::string& error) {
    const auto it = j.find(key);
    if (it == j.end())
        return true;
    int given = 0;
    if (!Size(j, key, given, error))
        return false;
    if (given != sum) {
        error = std::string(key) + " " + std::to_string(given) + " is not the sum of its parts, " +
                std::to_string(sum);
        return false;
    }
    return true;
}

} // namespace

bool FromJson(const Json& j, Timing& t, std::string& error) {
    if (!j.is_object()) {
        error = "a timing is an object with the keys of the timing calculator, not " + j.dump();
        return false;
    }
    const auto clock = j.find("pixel_clock_mhz");
    if (clock == j.end()) {
        error = "the timing has no pixel_clock_mhz";
        return false;
    }
    if (!clock->is_number() || !std::isfinite(clock->get<double>())) {
        error = "pixel_clock_mhz must be a number, not " + clock->dump();
        return false;
    }
    Timing r;
    r.pixelClockMhz = clock->get<double>();
    if (!Size(j, "h_active", r.hActive, error) || !Size(j, "h_front_porch", r.hFrontPorch, error) ||
        !Size(j, "h_sync", r.hSync, error) || !Size(j, "h_back_porch", r.hBackPorch, error) ||
        !Size(j, "v_active", r.vActive, error) || !Size(j, "v_front_porch", r.vFrontPorch, error) ||
        !Size(j, "v_sync", r.vSync, error) || !Size(j, "v_back_porch", r.vBackPorch, error) ||
        !Flag(j, "hsync_positive", r.hsyncPositive, error) ||
        !Flag(j, "vsync_positive", r.vsyncPositive, error) ||
        !Flag(j, "interlaced", r.interlaced, error))
        return false;
    r.halfLine = r.interlaced;
    if (j.contains("half_line") && !Flag(j, "half_line", r.halfLine, error))
        return false;
    if (!Agrees(j, "h_blank", r.HBlank(), error) || !Agrees(j, "h_total", r.HTotal(), error) ||
        !Agrees(j, "v_blank", r.VBlank(), error) || !Agrees(j, "v_total", r.VTotal(), error))
        return false;
    if (const auto f = j.find("formula"); f != j.end() && f->is_string())
        ParseFormula(f->get<std::string>(), r.formula);
    t = r;
    return true;
}

} // namespace timing_calc
