// A timing of the calculator as JSON, the object `sgctl timing calc --json` prints and the Python
// module's calc() returns, and the way back: a timing read from such an object (or any object
// with its keys, as an EDID's detailed timing in edidinfo's JSON has them), for storing it as a
// user timing.
#pragma once

#include "link/timing_calc.h"

#include <nlohmann/json.hpp>

#include <string>

namespace timing_calc {

using Json = nlohmann::ordered_json;

// formula, pixel_clock_mhz, h_active, h_front_porch, h_sync, h_back_porch, h_blank, h_total,
// v_active, v_front_porch, v_sync, v_back_porch, v_blank, v_total (per field when interlaced),
// hsync_positive, vsync_positive, interlaced, half_line (the fields of an interlaced timing
// differ by half a line), h_freq_khz, v_freq_hz.
Json ToJson(const Timing& timing);

// Reads pixel_clock_mhz, the active sizes, porches and syncs, the polarities and interlaced;
// half_line when given, else what an interlaced timing in an EDID or the user timing record
// means (true when interlaced). The totals and blanks, when given, must agree with the parts.
// False with the reason in error when a key is missing, of the wrong kind, or out of range.
bool FromJson(const Json& json, Timing& timing, std::string& error);

} // namespace timing_calc
