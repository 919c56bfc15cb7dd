// The choices the console refuses, as plain functions of the generator's state, so that the
// Setting and Pattern pages and the command-line tools refuse alike and say so in the same words:
// colour space and depth are tied to DVI and to the 4K timings; some choices exist for one output
// only.
#pragma once

namespace rules {

// The Setting page's messages.
extern const char* const kColorSpaceFixed4k;  // "When in 4K(60Hz/50Hz) mode, the colorspace ..."
extern const char* const kColorSpaceFixedDvi; // "When in DVI mode, the colorspace is fixed ..."
extern const char* const kColorDepthFixedDvi; // "When in DVI mode, the color depth is fixed ..."
extern const char* const kColorDepthFixed4k;  // "When in 4K mode, Color Depth is fixed to 24bit !"
// The note under the page's colour space group: why YUV4:2:0 cannot be chosen.
extern const char* const kYuv420Note;

// Setting values the rules look at (the codes of 0x0063, 0x0064 and 0x0066).
constexpr int kColorSpaceYuv420 = 3;
constexpr int kColorAuto = 4; // colour space and colour depth
constexpr int kColorDepth8Bit = 0;
constexpr int kModeDvi = 0; // HDMI/DVI mode

// A colour space choice (0x0063) with the given timing code and HDMI/DVI mode in force: nullptr
// when the page sends it, else the message it shows instead. Every choice is refused on the
// 4K 50/60 Hz timings (4:2:0 only) and in DVI mode (RGB only), checked in that order.
const char* RefuseColorSpace(int timingCode, int hdmiDviMode);

// A colour depth choice (0x0064): refused in DVI mode, and on the 4K timings unless it is 8 bits
// or AUTO.
const char* RefuseColorDepth(int timingCode, int hdmiDviMode, int value);

// Pattern 42, the pathological test signal, exists on the SDI output only.
constexpr int kPathologicalPattern = 42;
constexpr bool PatternOffered(int pattern, bool hdmiOutput) {
    return !(hdmiOutput && pattern == kPathologicalPattern);
}

} // namespace rules
