// Timing codes on the wire: one byte naming an output timing. 0..60 are the built-in timings,
// 61 is Auto (the sink's preferred timing), 62..71 the ten user timings; 28..43 are the UHD and
// DCI 4K timings, of which 38..43 (50 and 60 Hz) are output in YCbCr 4:2:0. Any other value
// names no timing.
#pragma once

namespace timing {

constexpr int kBuiltInCount = 61; // codes 0..60
constexpr int kAuto = 61;
constexpr int kFirstUser = 62; // user timing 1 (slot 0)
constexpr int kUserCount = 10;
constexpr int kLast = kFirstUser + kUserCount - 1; // 71
constexpr int kFirst4k = 28;
constexpr int kFirst420 = 38;
constexpr int kLast4k = 43;

constexpr bool IsBuiltIn(int code) {
    return code >= 0 && code < kBuiltInCount;
}
constexpr bool IsUser(int code) {
    return code >= kFirstUser && code <= kLast;
}
constexpr bool NamesATiming(int code) {
    return code >= 0 && code <= kLast;
}
// The UHD and DCI 4K timings: their parameters are fixed, their colour depth is 8 bits.
constexpr bool Is4k(int code) {
    return code >= kFirst4k && code <= kLast4k;
}
// The 4K timings at 50 and 60 Hz, output in YCbCr 4:2:0.
constexpr bool Is420(int code) {
    return code >= kFirst420 && code <= kLast4k;
}
// The SD and HD video standards the SDI output carries (480i, 720p, 1080i/p at 60 and 59.94, 30
// and 29.97, 24 and 23.98, 576i, 720p and 1080i/p at 50 and 25); the console offers only these
// while the SDI output is selected.
constexpr bool IsSdiStandard(int code) {
    return code == 10 || (code >= 12 && code <= 22) || (code >= 24 && code <= 27);
}
// The user slot 0..9 of a user timing code.
constexpr int UserSlot(int code) {
    return code - kFirstUser;
}

} // namespace timing
