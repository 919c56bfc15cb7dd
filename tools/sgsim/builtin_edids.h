// The EDIDs the emulated generator holds: the EDID of the attached sink (0xb838) and six saved
// EDIDs (0x80aa slots 0..5). All are of our own making, with valid headers and checksums.
#pragma once

#include "edid/edid_decoder.h"

namespace sgsim {

constexpr int kSavedEdids = 6;

// A 4K HDMI 2.0 television: base block and a CTA-861 extension with video, audio, speaker, HDMI
// and HDMI Forum vendor-specific, YCbCr 4:2:0 capability, colorimetry and HDR blocks.
edid::Image SinkTvEdid();

// Saved EDID of slot 0..5 (slot 0 for any other value): a DVI-only monitor (no extension), a
// 1080p television, an AV receiver with multichannel audio, a laptop panel (no extension), a 3D
// projector and a 4K monitor behind a DisplayPort-to-HDMI adapter.
edid::Image SavedEdid(int slot);

// One line naming the kind of device behind SavedEdid(slot).
const char* SavedEdidDescription(int slot);

} // namespace sgsim
