// A plan from an EDID: every timing the EDID claims (the detailed timings, the preferred one
// first; the established and standard timings; the CTA-861 short video descriptors and the
// YCbCr 4:2:0 video data block of the first CTA extension), matched to the generator's built-in
// timings on active size, scan and refresh rate (59.94 and 60 Hz are different timings), and with
// the YCbCr 4:2:0 output of the 4K 50/60 Hz timings only where the EDID claims 4:2:0 for them. One
// step per generator timing claimed, named by the claims it answers ("VIC 16, native"); a claim no
// generator timing answers is listed with the reason, never dropped.
//
// Rates: a detailed timing's comes from its clock and totals; a short video descriptor's from the
// CTA-861 format of its VIC, at both rates the standard gives formats of 24, 30, 60 ... Hz (the
// table's and the 1000/1001 one: "VIC 16 at 59.94 Hz"); an established or standard timing's from
// the DMT formats of its size and rate, or its nominal rate where the DMT has none. Rates match
// within 0.05 %, half the step between 60 and 59.94 Hz.
#pragma once

#include "edid/edid_model.h"

#include <cstddef>
#include <string>
#include <vector>

namespace plan {

// A timing the EDID claims.
struct Claim {
    enum class Y420 { No, Also, Only }; // whether the claim takes YCbCr 4:2:0
    std::string source;                 // "Detailed timing 1, preferred", "VIC 16 at 59.94 Hz"
    unsigned hActive = 0;
    unsigned lines = 0; // active lines of the frame, also when interlaced
    bool interlaced = false;
    std::vector<double> ratesHz; // any of these (field rate when interlaced)
    Y420 y420 = Y420::No;
    std::string unusable; // why the claim names no timing at all (a reserved code), else empty
};

// The claims, in the EDID's order: detailed, established, standard, short video descriptors,
// the 4:2:0 video data block.
std::vector<Claim> ClaimsOf(const edid::EdidModel& model);

struct CoveredTiming {
    int code = 0;
    std::string timing;               // the value a plan sets it by ("1920x1080p(60)")
    std::vector<std::string> sources; // the claims it answers, in order
};

struct NotCovered {
    std::string claim;
    std::string reason;
};

struct EdidCoverage {
    std::vector<CoveredTiming> covered; // in the order of their first claim
    std::vector<NotCovered> notCovered;
};

EdidCoverage Cover(const std::vector<Claim>& claims);

struct EdidPlanOptions {
    std::string name;
    std::vector<std::string> patterns; // each step once per pattern; none: the timing alone
    bool dwellGiven = false;
    double dwellS = 0;
};

// The plan file: a first step selecting the HDMI output, one step per covered timing (with each
// pattern), and "not_covered": [{"claim", "reason"}].
std::string EdidPlanJson(const EdidCoverage& coverage, const EdidPlanOptions& options);

} // namespace plan
