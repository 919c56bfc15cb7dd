// The checks a user timing passes before it is stored in the generator, and the record made from
// it, as the Timing details page does them: a slot of the list, a pixel clock above 0 and at most
// 300.1 MHz, and every other value within its 16-bit field of the record (a wrapped value would
// store a different timing). Plain functions, so that the page and the command-line tools refuse
// alike, with the page's words.
#pragma once

#include "link/user_timing_record.h"

#include <string>

namespace rules {

// What the operator enters for one user timing. Sizes are long so that any number typed in
// reaches the check unchanged.
struct UserTimingValues {
    double clockMhz = 0;
    long hActive = 0, hBlank = 0, hsOffset = 0, hsWidth = 0;
    long vActive = 0, vBlank = 0, vsOffset = 0, vsWidth = 0; // per field when interlaced
    bool interlaced = false;
    bool hsyncPositive = false;
    bool vsyncPositive = false;
};

constexpr int kUserSlots = 10;
constexpr double kMaxClockMhz = 300.1; // the highest clock accepted; 300.1 itself is

// The page's messages.
extern const char* const kNoUserSlot;       // "Should select a valuable UserDefine number ..."
extern const char* const kClockTooHigh;     // "pixcel clock can not be higher than 300MHz"
extern const char* const kClockNotPositive; // "Video clk must be higher than 0MHz"

// The checks in the page's order, for list entry s (1..10, "User Define s"; anything else is no
// selection). Empty when the values make a record; else the message the page shows, for a size
// out of range "<field> must be a value from 0 to 65535" with the field's label ("H active").
std::string CheckUserTiming(int s, const UserTimingValues& values);

// The record the page stores for list entry s (slot s - 1): the clock in units of 10 kHz,
// truncated; the flags from the scan type and the sync polarities. For values that passed
// CheckUserTiming.
UserTimingRecord MakeUserTimingRecord(int s, const UserTimingValues& values);

} // namespace rules
