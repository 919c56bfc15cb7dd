// The five texts of a decoded EDID laid out for a terminal or as JSON (used by edidinfo).
#pragma once

#include "edid/edid_decoder.h"

#include <string>

namespace edid {

// One JSON object {"status", "hexdump", "video", "audio", "general"} whose values are the texts
// exactly, CR and LF included (escaped). No line break after the closing brace.
std::string ToJson(const Decoded& decoded);

// A readable form: the status, the hex dump in rows of 16 bytes labelled 00..f0, and the three
// reports under their headings, with CR LF and lone CR shown as line breaks.
std::string ToReadableText(const Decoded& decoded);

// Escapes a text for a JSON string (without the quotes). Bytes of 0x80 and above are passed on
// as they are; the decoder's texts are UTF-8.
std::string JsonEscape(const std::string& text);

} // namespace edid
