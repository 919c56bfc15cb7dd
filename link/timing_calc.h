// The timing calculator: the timing of an active size at a refresh rate as VESA CVT 2.0 (normal
// blanking, reduced blanking versions 1, 2 and 3) and VESA GTF (default parameters) compute it,
// and the fixed formats of the CTA-861 and VESA DMT tables. Plain C++ without windows, shared by
// the console, the command-line tools and the emulator; it also says whether a result fits the
// generator's user timing record.
#pragma once

#include "link/user_timing_checks.h"

#include <string>

namespace timing_calc {

enum class Formula { Cvt, CvtRb1, CvtRb2, CvtRb3, Gtf, Dmt, Cta };

constexpr int kFormulaCount = 7;

// The formula's name on the command line ("cvt", "cvt-rb", "cvt-rb2", "cvt-rb3", "gtf", "dmt",
// "cta") and for people ("CVT", "CVT reduced blanking v1", ...).
const char* FormulaKey(Formula f);
const char* FormulaTitle(Formula f);
// False when the key names no formula.
bool ParseFormula(const std::string& key, Formula& f);

// Reduced blanking version 3: the horizontal blank it takes by default, and the range of the
// larger blanks it allows (multiples of 8).
constexpr int kRb3DefaultHBlank = 80;
constexpr int kRb3MaxHBlank = 200;

struct Request {
    Formula formula = Formula::Cvt;
    int hActive = 0;
    int vActive = 0;   // lines of the whole frame, also when interlaced
    double rateHz = 0; // frame rate, as the standards take it: a field rate twice this when
                       // interlaced
    bool interlaced = false;
    bool videoOptimized = false;       // reduced blanking v2: the rate times 1000/1001
    int rb3HBlank = kRb3DefaultHBlank; // reduced blanking v3
    bool rb3EarlyVsync = false;        // reduced blanking v3
    int id = 0; // the VIC for cta; the DMT id for dmt (0: the DMT format of the size and rate)
};

struct Timing {
    Formula formula = Formula::Cvt;
    int id = 0;               // the VIC or DMT id of a table format, else 0
    double pixelClockMhz = 0; // to the standard's own step (0.25 or 0.001 MHz; GTF unrounded)
    int hActive = 0, hFrontPorch = 0, hSync = 0, hBackPorch = 0;
    int vActive = 0, vFrontPorch = 0, vSync = 0, vBackPorch = 0; // per field when interlaced
    bool hsyncPositive = false;
    bool vsyncPositive = false;
    bool interlaced = false;
    bool halfLine = false; // interlaced: one field a half line longer (odd lines a frame)
    std::string note;      // what the formula changed of the request, if anything

    int HBlank() const { return hFrontPorch + hSync + hBackPorch; }
    int HTotal() const { return hActive + HBlank(); }
    int VBlank() const { return vFrontPorch + vSync + vBackPorch; }
    int VTotal() const { return vActive + VBlank(); } // lines of one field when interlaced
    double HFreqKhz() const;
    double VFreqHz() const; // the field rate when interlaced
};

struct Result {
    bool ok = false;
    std::string error; // why there is no timing, when !ok
    Timing timing;
};

Result Calculate(const Request& request);

// Empty when the generator's user timing record holds the timing exactly; else why it does not:
// a pixel clock above what the generator takes or not a whole number of 10 kHz, a value beyond
// its 16-bit field, an interlaced timing without the half line the record implies.
std::string CheckFitsUserRecord(const Timing& t);

// The values the Timing details page and `user-timing set` take for the timing.
rules::UserTimingValues ToUserTimingValues(const Timing& t);

} // namespace timing_calc
