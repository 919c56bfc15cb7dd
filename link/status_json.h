// The generator's state as JSON: the object `sgctl status --json` prints and the Python module's
// status() returns, built here once for both, and a user timing record as the object inside it
// (`sgctl user-timing get --json`). Keys in a fixed order.
#pragma once

#include "link/generator_client.h"

#include <nlohmann/json.hpp>

namespace client {

using Json = nlohmann::ordered_json;

// port (as messages call it), output ("hdmi"/"sdi"), the read-back items with their raw codes
// (timing, pattern, color_space, color_depth, hdcp, sample_rate, audio_bits, audio_source,
// channel) but hdmi_dvi ("hdmi"/"dvi"), signal ("on"/"off"), hotplug (a bool), summary (hex
// digits), user_timings (slots 1..10 in order) and names (the status panel's words, by the same
// keys as the items: hdmi_dvi is the panel's "Interface", "SDI" on the SDI output).
Json StatusJson(const Status& status);

// slot (1..10), record (hex digits), clock_mhz, the sizes (h_active, h_blank, hs_offset, hs_width,
// v_active, v_blank, vs_offset, vs_width), interlaced, hsync_positive, vsync_positive, and the
// name the panel shows for it.
Json UserTimingJson(int slot, const UserTimingRecord::Bytes& record);

} // namespace client
