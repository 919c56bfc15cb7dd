// The EDID model and the findings of the checks as JSON (nlohmann::ordered_json, keys in a fixed
// order). Plain C++ without Qt, shared by edidinfo and whatever else wants the same JSON; the
// schema is written out in edidinfo's manual page.
#pragma once

#include "edid/edid_checks.h"
#include "edid/edid_decoder.h"
#include "edid/edid_model.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace edidjson {

using Json = nlohmann::ordered_json;

// An empty object with room for keys keys. An ordered object keeps its keys in a vector whose
// growth copies every value already in it (the keys are const), so an object that will hold
// large values is made with the room it needs.
Json Object(std::size_t keys);

// One detailed timing with the keys of the timing calculator (pixel_clock_mhz, h_active, ...,
// interlaced, h_freq_khz, v_freq_hz), then where it was found (block, offset) and its image
// size in millimetres.
Json TimingJson(const edid::DetailedTiming& timing);

// The model under the names of the manual page: manufacturer, product_code, ..., extensions.
Json ModelJson(const edid::EdidModel& model);

// A list of {"rule", "severity", "message", "offset"}; offset is null for the EDID as a whole.
Json FindingsJson(const std::vector<edid::Finding>& findings);

// The EDID page's 256-byte image of an EDID: its first 256 bytes, the ones missing 0xFF as after
// "Open EDID".
edid::Image PageImage(const std::vector<std::uint8_t>& bytes);

// The object `edidinfo --json` prints for an EDID: "file" (left out when file is empty), the
// page's five texts of its PageImage ("status", "hexdump", "video", "audio", "general"; with
// asOpened as "Open EDID" shows them, without the header and checksum check), the model under
// "edid" and the findings under "checks". The model and findings are the caller's, decoded and
// checked from the same bytes.
Json EdidJson(const std::vector<std::uint8_t>& bytes, const edid::EdidModel& model,
              const std::vector<edid::Finding>& findings, const std::string& file, bool asOpened);

// A text whose bytes are Latin-1 characters, as UTF-8 (descriptor texts are 8-bit).
std::string Latin1ToUtf8(const std::string& text);

} // namespace edidjson
