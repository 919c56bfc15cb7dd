// The Timing details page's checks of a user timing and the record made from it.
#include "link/user_timing_checks.h"

#include <cmath>

namespace rules {

const char* const kNoUserSlot =
    "Should select a valuable UserDefine number from the Pull-down-select-box on the right";
const char* const kClockTooHigh = "pixcel clock can not be higher than 300MHz";
const char* const kClockNotPositive = "Video clk must be higher than 0MHz";

std::string CheckUserTiming(int s, const UserTimingValues& v) {
    if (s < 1 || s > kUserSlots)
        return kNoUserSlot;
    if (v.clockMhz > kMaxClockMhz)
        return kClockTooHigh;
    // Also refuses a clock that is not a number.
    if (!(v.clockMhz > 0))
        return kClockNotPositive;
    const struct {
        const char* label;
        long value;
    } fields[] = {{"H active", v.hActive},   {"H blank", v.hBlank},   {"Hs offset", v.hsOffset},
                  {"Hs width", v.hsWidth},   {"V active", v.vActive}, {"V blank", v.vBlank},
                  {"Vs offset", v.vsOffset}, {"Vs width", v.vsWidth}};
    for (const auto& f : fields) {
        if (f.value < 0 || f.value > 0xFFFF)
            return std::string(f.label) + " must be a value from 0 to 65535";
    }
    return std::string();
}

UserTimingRecord MakeUserTimingRecord(int s, const UserTimingValues& v) {
    UserTimingRecord r;
    r.slot = static_cast<std::uint8_t>(s - 1);
    // Truncated to 10 kHz; the small bias keeps 148.35 from becoming 148.34 through rounding.
    r.pixelClock10kHz = static_cast<std::uint16_t>(std::floor(v.clockMhz * 100 + 1e-6));
    r.flags = static_cast<std::uint8_t>((v.hsyncPositive ? UserTimingRecord::kHsyncPositive : 0) |
                                        (v.vsyncPositive ? UserTimingRecord::kVsyncPositive : 0) |
                                        (v.interlaced ? UserTimingRecord::kInterlaced : 0));
    r.hActive = static_cast<std::uint16_t>(v.hActive);
    r.hBlank = static_cast<std::uint16_t>(v.hBlank);
    r.hsOffset = static_cast<std::uint16_t>(v.hsOffset);
    r.hsWidth = static_cast<std::uint16_t>(v.hsWidth);
    r.vActive = static_cast<std::uint16_t>(v.vActive);
    r.vBlank = static_cast<std::uint16_t>(v.vBlank);
    r.vsOffset = static_cast<std::uint16_t>(v.vsOffset);
    r.vsWidth = static_cast<std::uint16_t>(v.vsWidth);
    return r;
}

} // namespace rules
