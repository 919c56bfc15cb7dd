// The choices the console refuses and its words for them.
#include "link/setting_rules.h"

#include "link/timing_codes.h"

namespace rules {

const char* const kColorSpaceFixed4k =
    "When in 4K(60Hz/50Hz) mode, the colorspace is fixed to YUV4:2:0 !";
const char* const kColorSpaceFixedDvi = "When in DVI mode, the colorspace is fixed to RGB4:4:4 !";
const char* const kColorDepthFixedDvi = "When in DVI mode, the color depth is fixed to 24bit !";
const char* const kColorDepthFixed4k = "When in 4K mode, Color Depth is fixed to 24bit !";
const char* const kYuv420Note = "NOTE: YUV4:2:0 is only available in 4K 50/60Hz mode (HDMI2.0)";

const char* RefuseColorSpace(int timingCode, int hdmiDviMode) {
    if (timing::Is420(timingCode))
        return kColorSpaceFixed4k;
    if (hdmiDviMode == kModeDvi)
        return kColorSpaceFixedDvi;
    return nullptr;
}

const char* RefuseColorDepth(int timingCode, int hdmiDviMode, int value) {
    if (hdmiDviMode == kModeDvi)
        return kColorDepthFixedDvi;
    if (timing::Is4k(timingCode) && value != kColorDepth8Bit && value != kColorAuto)
        return kColorDepthFixed4k;
    return nullptr;
}

} // namespace rules
