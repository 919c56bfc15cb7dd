// The generator's built-in output timings (codes 0..60) and their 20-byte record form, which
// 0x80a1 reports for the timing in force.
#pragma once

#include "link/timing_codes.h"
#include "link/user_timing_record.h"

#include <cstdint>

namespace sgsim {

struct CTimingRow {
    std::uint16_t wClock10kHz; // pixel clock in 10 kHz units
    std::uint8_t bFlags;       // bit 0 interlaced, bit 2 Hsync positive, bit 3 Vsync positive
    std::uint16_t wHActive, wHTotal, wHSyncWidth, wHBack; // wHBack = sync width + back porch
    std::uint16_t wVActive, wVTotal, wVSyncWidth, wVBack; // per frame for interlaced rows
};

constexpr int kBuiltInTimings = timing::kBuiltInCount; // codes 0..60

// Row of a built-in code 0..60; nullptr for any other code.
const CTimingRow* BuiltInTiming(int code);

// The record of a built-in code (vertical values per field for interlaced rows).
UserTimingRecord RecordFromRow(const CTimingRow& row, std::uint8_t slot);

} // namespace sgsim
