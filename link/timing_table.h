// The generator's built-in output timings, codes 0..60, as the timing table gives them. Plain
// C++, shared by the Timing details page, the generator emulator and the command-line tools.
#pragma once

#include <cstdint>

struct BuiltInTiming {
    float clockMhz;     // 74.1758, 148.3517 and 296.7 stand for the /1.001 rates
    std::uint8_t flags; // bit 0 interlaced, bit 2 Hsync positive, bit 3 Vsync positive
    int hActive, hTotal, hsWidth, hBack;
    int vActive, vTotal, vsWidth, vBack; // per frame for interlaced rows
};

constexpr int kBuiltInTimingCount = 61;

// Row of a built-in code 0..60; nullptr for any other code.
const BuiltInTiming* FindBuiltInTiming(int code);
