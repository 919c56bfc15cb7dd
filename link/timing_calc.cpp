// The timing calculator: CVT 2.0, GTF and the CTA-861 and DMT tables.
#include "link/timing_calc.h"

#include "link/timing_tables.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace timing_calc {

namespace {

const struct {
    Formula formula;
    const char* key;
    const char* title;
} kFormulas[kFormulaCount] = {
    {Formula::Cvt, "cvt", "CVT"},
    {Formula::CvtRb1, "cvt-rb", "CVT reduced blanking v1"},
    {Formula::CvtRb2, "cvt-rb2", "CVT reduced blanking v2"},
    {Formula::CvtRb3, "cvt-rb3", "CVT reduced blanking v3"},
    {Formula::Gtf, "gtf", "GTF"},
    {Formula::Dmt, "dmt", "DMT"},
    {Formula::Cta, "cta", "CTA-861"},
};

// Limits of a request: beyond them no formula gives a timing worth computing, and the
// arithmetic stays far from overflow.
constexpr int kMaxActive = 65535;
constexpr double kMaxRateHz = 1000;

// CVT constants (times in microseconds).
constexpr int kCellGran = 8;
constexpr double kCvtMinVsyncBp = 550; // minimum vertical sync plus back porch
constexpr int kCvtMinVPorch = 3;       // vertical front porch of normal blanking
constexpr int kCvtMinVBporch = 7;      // minimum vertical back porch, normal blanking and RB v1
constexpr double kCvtCPrime = 30;      // blanking duty cycle: C' - M' x H period
constexpr double kCvtMPrime = 300;
constexpr double kCvtHSyncPercent = 8;
constexpr double kRbMinVBlank = 460; // minimum vertical blank of reduced blanking
constexpr int kRb1HBlank = 160, kRb1HSync = 32, kRb1HFront = 48;
constexpr int kRb1VFront = 3;
constexpr int kRb2HBlank = 80, kRb23HSync = 32, kRb23HFront = 8;
constexpr int kRb23VSync = 8, kRb23VBack = 6, kRb23MinVFront = 1;

// GTF default parameters: C' = (C - J) x K / 256 + J and M' = K / 256 x M with C 40, M 600,
// K 128, J 20.
constexpr double kGtfCPrime = 30;
constexpr double kGtfMPrime = 300;
constexpr double kGtfMinVsyncBp = 550;
constexpr int kGtfVFront = 1;
constexpr int kGtfVSync = 3;
constexpr double kGtfHSyncPercent = 8;

// The standards round their clocks to whole steps of a quotient that is often exact (a whole
// number of steps); a double holds it a hair off either way, which must not cost a step.
constexpr double kStepSlack = 1e-7;

long FloorSteps(double steps) {
    return static_cast<long>(std::floor(steps + kStepSlack));
}

long CeilSteps(double steps) {
    return static_cast<long>(std::ceil(steps - kStepSlack));
}

Result Fail(const std::string& why) {
    Result r;
    r.error = why;
    return r;
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// Vertical sync width of CVT normal blanking and RB v1, by the aspect ratio of the frame.
int CvtVSyncForAspect(int h, int v) {
    const long lh = h, lv = v;
    if (lh * 3 == lv * 4)
        return 4;
    if (lh * 9 == lv * 16)
        return 5;
    if (lh * 10 == lv * 16)
        return 6;
    if (lh * 4 == lv * 5 || lh * 9 == lv * 15)
        return 7;
    return 10; // any other aspect ratio
}

Result CalculateCvt(const Request& q) {
    const Formula f = q.formula;
    if (q.interlaced && (f == Formula::CvtRb2 || f == Formula::CvtRb3))
        return Fail(std::string(FormulaTitle(f)) + " is defined for progressive scan only");
    int hBlankRb3 = kRb2HBlank;
    if (f == Formula::CvtRb3) {
        hBlankRb3 = q.rb3HBlank;
        if (hBlankRb3 < kRb3DefaultHBlank || hBlankRb3 > kRb3MaxHBlank || hBlankRb3 % 8 != 0)
            return Fail("the horizontal blank of reduced blanking v3 is 80 to 200 pixels in "
                        "steps of 8, not " +
                        std::to_string(q.rb3HBlank));
    }

    Timing t;
    t.formula = f;
    t.interlaced = q.interlaced;
    t.halfLine = q.interlaced;
    // Reduced blanking v2 takes any width; the others whole character cells.
    const int gran = f == Formula::CvtRb2 ? 1 : kCellGran;
    t.hActive = q.hActive / gran * gran;
    if (t.hActive != q.hActive)
        t.note = "H active rounded down to " + std::to_string(t.hActive) +
                 ", a multiple of 8 as the formula requires";
    if (t.hActive == 0)
        return Fail("H active must be at least 8 pixels for this formula");
    const int vLines = q.interlaced ? q.vActive / 2 : q.vActive; // per field
    if (vLines == 0)
        return Fail("V active must be at least 2 lines for an interlaced timing");
    t.vActive = vLines;
    const double interlace = q.interlaced ? 0.5 : 0;
    const double fieldRate = q.interlaced ? q.rateHz * 2 : q.rateHz;
    const double fieldPeriod = 1e6 / fieldRate;

    if (f == Formula::Cvt) {
        const double hPeriodEst =
            (fieldPeriod - kCvtMinVsyncBp) / (vLines + kCvtMinVPorch + interlace);
        if (!(hPeriodEst > 0))
            return Fail("the rate is too high for CVT: a field must last longer than " +
                        Number(kCvtMinVsyncBp) + " us");
        t.vSync = CvtVSyncForAspect(q.hActive, q.vActive);
        int vSyncBp = static_cast<int>(std::floor(kCvtMinVsyncBp / hPeriodEst)) + 1;
        if (vSyncBp < t.vSync + kCvtMinVBporch)
            vSyncBp = t.vSync + kCvtMinVBporch;
        t.vFrontPorch = kCvtMinVPorch;
        t.vBackPorch = vSyncBp - t.vSync;
        double duty = kCvtCPrime - kCvtMPrime * hPeriodEst / 1000;
        if (duty < 20)
            duty = 20;
        const int hBlank =
            static_cast<int>(std::floor(t.hActive * duty / (100 - duty) / (2 * kCellGran))) * 2 *
            kCellGran;
        const int total = t.hActive + hBlank;
        t.hSync =
            static_cast<int>(std::floor(total * kCvtHSyncPercent / 100 / kCellGran)) * kCellGran;
        t.hBackPorch = hBlank / 2;
        t.hFrontPorch = hBlank / 2 - t.hSync;
        t.pixelClockMhz = FloorSteps(total / hPeriodEst * 4) / 4.0; // 0.25 MHz steps
        t.hsyncPositive = false;
        t.vsyncPositive = true;
    } else {
        const double hPeriodEst = (fieldPeriod - kRbMinVBlank) / vLines;
        if (!(hPeriodEst > 0))
            return Fail("the rate is too high for reduced blanking: a field must last longer "
                        "than " +
                        Number(kRbMinVBlank) + " us");
        const int vbiLines = static_cast<int>(std::floor(kRbMinVBlank / hPeriodEst)) + 1;
        int hBlank = 0;
        int vBlank = 0;
        if (f == Formula::CvtRb1) {
            t.vSync = CvtVSyncForAspect(q.hActive, q.vActive);
            const int minVbi = kRb1VFront + t.vSync + kCvtMinVBporch;
            vBlank = vbiLines < minVbi ? minVbi : vbiLines;
            t.vFrontPorch = kRb1VFront;
            t.vBackPorch = vBlank - kRb1VFront - t.vSync;
            hBlank = kRb1HBlank;
            t.hSync = kRb1HSync;
            t.hFrontPorch = kRb1HFront;
        } else {
            t.vSync = kRb23VSync;
            const int minVbi = kRb23MinVFront + kRb23VSync + kRb23VBack;
            vBlank = vbiLines < minVbi ? minVbi : vbiLines;
            t.vBackPorch = kRb23VBack;
            if (f == Formula::CvtRb3 && q.rb3EarlyVsync) {
                // The sync moves up to the middle of the blank, leaving at least the minimum
                // front porch.
                t.vBackPorch = vbiLines / 2;
                if (vBlank - t.vBackPorch - t.vSync < kRb23MinVFront)
                    t.vBackPorch = vBlank - t.vSync - kRb23MinVFront;
            }
            t.vFrontPorch = vBlank - t.vSync - t.vBackPorch;
            hBlank = f == Formula::CvtRb3 ? hBlankRb3 : kRb2HBlank;
            t.hSync = kRb23HSync;
            t.hFrontPorch = kRb23HFront;
        }
        t.hBackPorch = hBlank - t.hFrontPorch - t.hSync;
        const double totalLines = vBlank + vLines + interlace;
        const double multiplier = f == Formula::CvtRb2 && q.videoOptimized ? 1000.0 / 1001.0 : 1.0;
        const double clockHz = fieldRate * totalLines * (t.hActive + hBlank) * multiplier;
        if (f == Formula::CvtRb1) {
            t.pixelClockMhz = FloorSteps(clockHz / 250000) / 4.0; // 0.25 MHz steps
        } else if (f == Formula::CvtRb2) {
            t.pixelClockMhz = FloorSteps(clockHz / 1000) / 1000.0; // 1 kHz steps
        } else {
            // Version 3 rounds up, so the rate is at least the one asked for.
            t.pixelClockMhz = CeilSteps(clockHz / 1000) / 1000.0;
        }
        t.hsyncPositive = true;
        t.vsyncPositive = false;
    }
    Result r;
    r.ok = true;
    r.timing = t;
    return r;
}

Result CalculateGtf(const Request& q) {
    Timing t;
    t.formula = Formula::Gtf;
    t.interlaced = q.interlaced;
    t.halfLine = q.interlaced;
    // GTF rounds to the nearest cell and line.
    t.hActive =
        static_cast<int>(std::lround(static_cast<double>(q.hActive) / kCellGran)) * kCellGran;
    if (t.hActive != q.hActive)
        t.note = "H active rounded to " + std::to_string(t.hActive) +
                 ", a multiple of 8 as the formula requires";
    if (t.hActive == 0)
        return Fail("H active must be at least 8 pixels for GTF");
    const int vLines = q.interlaced ? static_cast<int>(std::lround(q.vActive / 2.0)) : q.vActive;
    t.vActive = vLines;
    const double interlace = q.interlaced ? 0.5 : 0;
    const double fieldRate = q.interlaced ? q.rateHz * 2 : q.rateHz;
    const double hPeriodEst =
        (1 / fieldRate - kGtfMinVsyncBp / 1e6) / (vLines + kGtfVFront + interlace) * 1e6;
    if (!(hPeriodEst > 0))
        return Fail("the rate is too high for GTF: a field must last longer than " +
                    Number(kGtfMinVsyncBp) + " us");
    const int vSyncBp = static_cast<int>(std::lround(kGtfMinVsyncBp / hPeriodEst));
    const double totalLines = vLines + vSyncBp + interlace + kGtfVFront;
    const double fieldRateEst = 1 / hPeriodEst / totalLines * 1e6;
    const double hPeriod = hPeriodEst / (fieldRate / fieldRateEst);
    const double duty = kGtfCPrime - kGtfMPrime * hPeriod / 1000;
    if (!(duty > 0 && duty < 100))
        return Fail("GTF gives no horizontal blank at so long a line (" + Number(hPeriod) + " us)");
    const int hBlank =
        static_cast<int>(std::lround(t.hActive * duty / (100 - duty) / (2 * kCellGran))) * 2 *
        kCellGran;
    const int total = t.hActive + hBlank;
    t.hSync = static_cast<int>(std::lround(kGtfHSyncPercent / 100 * total / kCellGran)) * kCellGran;
    t.hBackPorch = hBlank / 2;
    t.hFrontPorch = hBlank / 2 - t.hSync;
    t.vFrontPorch = kGtfVFront;
    t.vSync = kGtfVSync;
    t.vBackPorch = vSyncBp - kGtfVSync;
    // GTF has no clock step; to the Hz, so that no binary fraction shows in the digits.
    t.pixelClockMhz = std::round(total / hPeriod * 1e6) / 1e6;
    t.hsyncPositive = false;
    t.vsyncPositive = true;
    Result r;
    r.ok = true;
    r.timing = t;
    return r;
}

Timing FromTable(Formula f, const StandardFormat& s) {
    Timing t;
    t.formula = f;
    t.id = s.id;
    t.pixelClockMhz = s.pixelClockKhz / 1000.0;
    t.hActive = s.hActive;
    t.hFrontPorch = s.hFront;
    t.hSync = s.hSync;
    t.hBackPorch = s.hBack;
    t.vActive = s.vActive;
    t.vFrontPorch = s.vFront;
    t.vSync = s.vSync;
    t.vBackPorch = s.vBack;
    t.hsyncPositive = s.hsyncPositive;
    t.vsyncPositive = s.vsyncPositive;
    t.interlaced = s.interlaced;
    t.halfLine = s.halfLine;
    return t;
}

std::string DmtId(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x", static_cast<unsigned>(id));
    return text;
}

Result CalculateDmt(const Request& q) {
    const StandardFormat* best = nullptr;
    double bestDistance = std::numeric_limits<double>::max();
    for (const StandardFormat* s = DmtBegin(); s != DmtEnd(); ++s) {
        if (q.id != 0) {
            if (s->id == q.id) {
                best = s;
                break;
            }
            continue;
        }
        const int frameLines = s->interlaced ? s->vActive * 2 : s->vActive;
        if (s->hActive != q.hActive || frameLines != q.vActive || s->interlaced != q.interlaced)
            continue;
        // The format whose frame rate is nearest the one asked, within a hertz (the table names
        // 59.94 Hz formats 60 Hz); among equals the lower id.
        const double frameRate = FromTable(Formula::Dmt, *s).VFreqHz() / (s->interlaced ? 2 : 1);
        const double distance = std::fabs(frameRate - q.rateHz);
        if (distance < 1 && distance < bestDistance) {
            best = s;
            bestDistance = distance;
        }
    }
    if (!best) {
        if (q.id != 0)
            return Fail("no DMT format has the id " + DmtId(q.id));
        return Fail("no DMT format is " + std::to_string(q.hActive) + "x" +
                    std::to_string(q.vActive) + (q.interlaced ? "i" : "") + " at " +
                    Number(q.rateHz) + " Hz");
    }
    Result r;
    r.ok = true;
    r.timing = FromTable(Formula::Dmt, *best);
    return r;
}

Result CalculateCta(const Request& q) {
    const StandardFormat* s = FindCta(q.id);
    if (!s)
        return Fail("no CTA-861 format has the VIC " + std::to_string(q.id) +
                    " (VICs are 1 to 127 and 193 to 219)");
    Result r;
    r.ok = true;
    r.timing = FromTable(Formula::Cta, *s);
    return r;
}

// Every part of the timing must have a length the line can carry.
std::string CheckShape(const Timing& t) {
    const struct {
        const char* name;
        int value;
        int min;
    } parts[] = {{"H front porch", t.hFrontPorch, 0},
                 {"H sync", t.hSync, 1},
                 {"H back porch", t.hBackPorch, 0},
                 {"V front porch", t.vFrontPorch, 0},
                 {"V sync", t.vSync, 1},
                 {"V back porch", t.vBackPorch, 0}};
    for (const auto& p : parts)
        if (p.value < p.min)
            return std::string("the formula gives ") + p.name + " " + std::to_string(p.value) +
                   " for this size and rate";
    return std::string();
}

} // namespace

const char* FormulaKey(Formula f) {
    return kFormulas[static_cast<int>(f)].key;
}

const char* FormulaTitle(Formula f) {
    return kFormulas[static_cast<int>(f)].title;
}

bool ParseFormula(const std::string& key, Formula& f) {
    for (const auto& entry : kFormulas)
        if (key == entry.key) {
            f = entry.formula;
            return true;
        }
    return false;
}

double Timing::HFreqKhz() const {
    const int total = HTotal();
    return total > 0 ? pixelClockMhz * 1000 / total : 0;
}

double Timing::VFreqHz() const {
    const double lines = VTotal() + (interlaced && halfLine ? 0.5 : 0);
    return lines > 0 ? HFreqKhz() * 1000 / lines : 0;
}

Result Calculate(const Request& q) {
    if (q.formula == Formula::Cta)
        return CalculateCta(q);
    if (q.formula == Formula::Dmt && q.id != 0)
        return CalculateDmt(q);
    if (q.hActive < 1 || q.hActive > kMaxActive)
        return Fail("H active must be 1 to " + std::to_string(kMaxActive));
    if (q.vActive < 1 || q.vActive > kMaxActive)
        return Fail("V active must be 1 to " + std::to_string(kMaxActive));
    // Also refuses a rate that is not a number.
    if (!(q.rateHz > 0 && q.rateHz <= kMaxRateHz))
        return Fail("the rate must be above 0 and at most " + Number(kMaxRateHz) + " Hz");
    Result r;
    switch (q.formula) {
    case Formula::Gtf:
        r = CalculateGtf(q);
        break;
    case Formula::Dmt:
        r = CalculateDmt(q);
        break;
    default:
        r = CalculateCvt(q);
        break;
    }
    if (r.ok) {
        const std::string wrong = CheckShape(r.timing);
        if (!wrong.empty())
            return Fail(wrong);
    }
    return r;
}

std::string CheckFitsUserRecord(const Timing& t) {
    char clock[32];
    std::snprintf(clock, sizeof clock, "%.3f MHz", t.pixelClockMhz);
    if (t.pixelClockMhz > rules::kMaxClockMhz)
        return std::string("the pixel clock ") + clock +
               " is above the 300 MHz a user timing may have";
    const double units = t.pixelClockMhz * 100;
    if (std::fabs(units - std::round(units)) > 1e-6)
        return std::string("the pixel clock ") + clock +
               " is not a whole number of 10 kHz, the unit the user timing record holds";
    if (t.interlaced && !t.halfLine)
        return "the fields of this timing have the same number of lines; the user timing record "
               "holds interlaced timings whose fields differ by half a line";
    // The sizes, against the record's 16-bit fields, with the page's own words.
    return rules::CheckUserTiming(1, ToUserTimingValues(t));
}

rules::UserTimingValues ToUserTimingValues(const Timing& t) {
    rules::UserTimingValues v;
    v.clockMhz = t.pixelClockMhz;
    v.hActive = t.hActive;
    v.hBlank = t.HBlank();
    v.hsOffset = t.hFrontPorch;
    v.hsWidth = t.hSync;
    v.vActive = t.vActive;
    v.vBlank = t.VBlank();
    v.vsOffset = t.vFrontPorch;
    v.vsWidth = t.vSync;
    v.interlaced = t.interlaced;
    v.hsyncPositive = t.hsyncPositive;
    v.vsyncPositive = t.vsyncPositive;
    return v;
}

} // namespace timing_calc
