// Text tables used by the decoder (internal to edid/).
#pragma once

namespace edid {

// Audio format name of a short audio descriptor, by bits 6..3 of its first byte (0..15).
const char* AudioFormatName(unsigned code);
// Sample rate name by bit 0..6 of the second byte of a short audio descriptor.
const char* SampleRateName(unsigned bit);
// Sample size name by bit 0..2 of the third byte of an LPCM short audio descriptor.
const char* SampleSizeName(unsigned bit);
// Text of an HDMI VIC 1..4 with its CR LF; an empty text for any other value.
const char* HdmiVicText(unsigned vic);

} // namespace edid
