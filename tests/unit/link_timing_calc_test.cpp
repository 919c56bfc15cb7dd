// The timing calculator against independent programs (tests/unit/timing_reference.csv, made by
// scripts/timing/gen-reference.py): a grid of sizes and rates under every formula, and every
// entry of the CTA-861 and DMT tables; what of a result the user timing record can hold; and
// the way through JSON to storing.
#include "link/timing_calc.h"
#include "link/timing_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace timing_calc;

namespace {

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    std::string cell;
    while (std::getline(in, cell, ','))
        cells.push_back(cell);
    return cells;
}

Request RequestOf(const std::vector<std::string>& c) {
    Request q;
    EXPECT_TRUE(ParseFormula(c[0], q.formula)) << c[0];
    q.hActive = std::stoi(c[1]);
    q.vActive = std::stoi(c[2]);
    q.rateHz = std::stod(c[3]);
    q.interlaced = c[4] == "i";
    const std::string& option = c[5];
    if (option == "video")
        q.videoOptimized = true;
    else if (option == "early")
        q.rb3EarlyVsync = true;
    else if (option.rfind("hblank=", 0) == 0)
        q.rb3HBlank = std::stoi(option.substr(7));
    else if (option.rfind("id=", 0) == 0)
        q.id = std::stoi(option.substr(3));
    return q;
}

Timing Calc(Formula f, int h, int v, double rate, bool interlaced = false) {
    Request q;
    q.formula = f;
    q.hActive = h;
    q.vActive = v;
    q.rateHz = rate;
    q.interlaced = interlaced;
    const Result r = Calculate(q);
    EXPECT_TRUE(r.ok) << r.error;
    return r.timing;
}

Timing Table(Formula f, int id) {
    Request q;
    q.formula = f;
    q.id = id;
    const Result r = Calculate(q);
    EXPECT_TRUE(r.ok) << r.error;
    return r.timing;
}

} // namespace

// Every row of the reference: the same porches, syncs, polarities and clock (to the kHz where
// the program prints it so, else to its 10 kHz), or a refusal where the formula's own result
// has a negative porch.
TEST(TimingCalc, MatchesIndependentProgramsOverTheGridAndTheTables) {
    std::ifstream in(KESTRELON_SOURCE_DIR "/tests/unit/timing_reference.csv");
    ASSERT_TRUE(in) << "reference missing";
    std::string line;
    std::getline(in, line); // header
    int rows = 0, refused = 0, tables = 0;
    while (std::getline(in, line)) {
        const std::vector<std::string> c = Split(line);
        ASSERT_EQ(c.size(), 19u) << line;
        ++rows;
        tables += c[0] == "cta" || c[0] == "dmt";
        const Result r = Calculate(RequestOf(c));
        int want[9];
        for (int i = 0; i < 9; ++i)
            want[i] = std::stoi(c[8 + i]);
        if (want[1] < 0 || want[3] < 0 || want[5] < 0 || want[7] < 0) {
            EXPECT_FALSE(r.ok) << line;
            EXPECT_NE(r.error.find("porch"), std::string::npos) << r.error;
            ++refused;
            continue;
        }
        ASSERT_TRUE(r.ok) << line << ": " << r.error;
        const Timing& t = r.timing;
        const int got[9] = {t.hActive,    t.hFrontPorch, t.hSync,
                            t.hBackPorch, t.vActive,     t.vFrontPorch,
                            t.vSync,      t.vBackPorch,  0};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(got[i], want[i]) << line << " column " << 8 + i;
        EXPECT_EQ(t.hsyncPositive, c[16] == "1") << line;
        EXPECT_EQ(t.vsyncPositive, c[17] == "1") << line;
        const double khz = t.pixelClockMhz * 1000;
        const double slack = c[18] == "1" ? 0.5 : 5;
        EXPECT_LE(std::fabs(khz - std::stoi(c[7])), slack) << line << " clock " << khz;
    }
    EXPECT_GE(rows - tables, 200);
    EXPECT_EQ(tables, 154 + 88);
    EXPECT_GT(refused, 0);
}

TEST(TimingCalc, StepsAndFrequenciesAreTheStandards) {
    // CVT 0.25 MHz, v2 1 kHz rounded down, v3 1 kHz rounded up (its rate never below the one
    // asked).
    EXPECT_EQ(Calc(Formula::Cvt, 1920, 1080, 60).pixelClockMhz, 173.0);
    EXPECT_EQ(Calc(Formula::CvtRb1, 1920, 1080, 60).pixelClockMhz, 138.5);
    EXPECT_DOUBLE_EQ(Calc(Formula::CvtRb2, 1920, 1080, 60).pixelClockMhz, 133.32);
    const Timing v3 = Calc(Formula::CvtRb3, 2560, 1440, 120);
    EXPECT_GE(v3.VFreqHz(), 120.0);
    EXPECT_LT(v3.VFreqHz(), 120.0 + 1000.0 / v3.HTotal() / v3.VTotal());
    // An interlaced rate is the frame rate: two fields a frame, a half line between them.
    const Timing i = Calc(Formula::Cvt, 1920, 1080, 30, true);
    EXPECT_EQ(i.vActive, 540);
    EXPECT_NEAR(i.VFreqHz(), i.HFreqKhz() * 1000 / (i.VTotal() + 0.5), 1e-9);
    EXPECT_NEAR(i.VFreqHz(), 60, 0.1);
    const Timing vic5 = Table(Formula::Cta, 5);
    EXPECT_EQ(vic5.VTotal(), 562);
    EXPECT_DOUBLE_EQ(vic5.HFreqKhz(), 33.75);
    EXPECT_NEAR(vic5.VFreqHz(), 60, 1e-9);
}

TEST(TimingCalc, DmtBySizeAndRateIsTheNearestFormatOfThatSize) {
    const struct {
        int h, v;
        double rate;
        bool interlaced;
        int id;
    } cases[] = {{1920, 1080, 60, false, 0x52},    {640, 480, 60, false, 0x04},
                 {4096, 2160, 59.94, false, 0x58}, {4096, 2160, 60, false, 0x57},
                 {1024, 768, 43, true, 0x0f},      {1280, 768, 60, false, 0x16}};
    for (const auto& c : cases)
        EXPECT_EQ(Calc(Formula::Dmt, c.h, c.v, c.rate, c.interlaced).id, c.id) << c.h << "x" << c.v;
    Request q;
    q.formula = Formula::Dmt;
    q.hActive = 1920;
    q.vActive = 1080;
    q.rateHz = 50;
    EXPECT_EQ(Calculate(q).error, "no DMT format is 1920x1080 at 50 Hz");
}

TEST(TimingCalc, RequestsNoFormulaDefinesAreRefusedWithTheReason) {
    Request q;
    q.hActive = 1920;
    q.vActive = 1080;
    q.rateHz = 60;
    q.interlaced = true;
    q.formula = Formula::CvtRb2;
    EXPECT_EQ(Calculate(q).error, "CVT reduced blanking v2 is defined for progressive scan only");
    q.interlaced = false;
    q.formula = Formula::CvtRb3;
    q.rb3HBlank = 84;
    EXPECT_NE(Calculate(q).error.find("80 to 200 pixels in steps of 8"), std::string::npos);
    q.rb3HBlank = 208;
    EXPECT_FALSE(Calculate(q).ok);
    q.formula = Formula::Cvt;
    for (double bad : {0.0, -60.0, 5000.0, std::nan("")}) {
        q.rateHz = bad;
        EXPECT_FALSE(Calculate(q).ok) << bad;
    }
    q.formula = Formula::Cta;
    for (int vic : {0, 128, 192, 220}) {
        q.id = vic;
        EXPECT_FALSE(Calculate(q).ok) << vic;
    }
    for (int f = 0; f < kFormulaCount; ++f) {
        Formula parsed;
        ASSERT_TRUE(ParseFormula(FormulaKey(static_cast<Formula>(f)), parsed));
        EXPECT_EQ(static_cast<int>(parsed), f);
    }
    Formula parsed;
    EXPECT_FALSE(ParseFormula("CVT", parsed));
}

// What the record cannot hold is refused with the reason, never rounded or cut to fit.
TEST(TimingCalc, ResultsTheUserRecordCannotHoldAreRefused) {
    const Timing cvt = Calc(Formula::Cvt, 1920, 1080, 60); // 173.00 MHz
    EXPECT_EQ(CheckFitsUserRecord(cvt), "");
    const UserTimingRecord r = rules::MakeUserTimingRecord(1, ToUserTimingValues(cvt));
    EXPECT_EQ(r.pixelClock10kHz, 17300);
    EXPECT_EQ(r.hBlank, 656);
    EXPECT_EQ(r.hsOffset, 128);
    EXPECT_EQ(r.vBlank, 40);
    EXPECT_EQ(r.flags, UserTimingRecord::kVsyncPositive);
    EXPECT_EQ(CheckFitsUserRecord(Table(Formula::Cta, 5)), "");

    EXPECT_EQ(CheckFitsUserRecord(Calc(Formula::Cvt, 3840, 2160, 60)),
              "the pixel clock 712.750 MHz is above the 300 MHz a user timing may have");
    EXPECT_EQ(CheckFitsUserRecord(Table(Formula::Dmt, 0x04)),
              "the pixel clock 25.175 MHz is not a whole number of 10 kHz, the unit the user "
              "timing record holds");
    EXPECT_NE(CheckFitsUserRecord(Table(Formula::Cta, 39)).find("half a line"), std::string::npos);
    Timing wide = cvt;
    wide.hBackPorch = 70000;
    EXPECT_EQ(CheckFitsUserRecord(wide), "H blank must be a value from 0 to 65535");
}

// What the record is made of, and whether it can hold the timing, survive the JSON the tools
// print and read back; an object edited out of agreement, or short of a part, is refused.
TEST(TimingCalc, JsonReadBackKeepsWhatTheUserRecordIsMadeOf) {
    const Timing timings[] = {Calc(Formula::Cvt, 1920, 1080, 60),
                              Calc(Formula::Cvt, 1920, 1080, 30, true),
                              Calc(Formula::Gtf, 1024, 768, 85),
                              Table(Formula::Cta, 5),
                              Table(Formula::Cta, 39),
                              Table(Formula::Dmt, 0x04)};
    for (const Timing& t : timings) {
        Timing back;
        std::string error;
        ASSERT_TRUE(FromJson(ToJson(t), back, error)) << error;
        const rules::UserTimingValues a = ToUserTimingValues(t), b = ToUserTimingValues(back);
        EXPECT_EQ(std::make_tuple(a.clockMhz, a.hActive, a.hBlank, a.hsOffset, a.hsWidth, a.vActive,
                                  a.vBlank, a.vsOffset, a.vsWidth, a.interlaced, a.hsyncPositive,
                                  a.vsyncPositive),
                  std::make_tuple(b.clockMhz, b.hActive, b.hBlank, b.hsOffset, b.hsWidth, b.vActive,
                                  b.vBlank, b.vsOffset, b.vsWidth, b.interlaced, b.hsyncPositive,
                                  b.vsyncPositive))
            << ToJson(t).dump();
        EXPECT_EQ(CheckFitsUserRecord(back), CheckFitsUserRecord(t)) << ToJson(t).dump();
    }

    // An EDID's interlaced timing says nothing of a half line: it has the one the record holds.
    Json edid = ToJson(Table(Formula::Cta, 5));
    edid.erase("half_line");
    Timing t;
    std::string error;
    ASSERT_TRUE(FromJson(edid, t, error)) << error;
    EXPECT_TRUE(t.halfLine);

    const Json cvt = ToJson(Calc(Formula::Cvt, 1920, 1080, 60)); // h_total 2576
    const std::pair<const char*, Json> refused[] = {
        {"h_total 2577 is not the sum of its parts, 2576", {{"h_total", 2577}}},
        {"h_sync must be a whole number, not 200.5", {{"h_sync", 200.5}}},
        {"v_active must be a value from 0 to 65535, not -1", {{"v_active", -1}}},
        {"pixel_clock_mhz must be a number, not \"173\"", {{"pixel_clock_mhz", "173"}}},
        {"interlaced must be true or false, not 1", {{"interlaced", 1}}},
    };
    for (const auto& [message, change] : refused) {
        Json j = cvt;
        j.update(change);
        EXPECT_FALSE(FromJson(j, t, error)) << message;
        EXPECT_EQ(error, message);
    }
    Json missing = cvt;
    missing.erase("v_sync");
    EXPECT_FALSE(FromJson(missing, t, error));
    EXPECT_EQ(error, "the timing has no v_sync");
}
