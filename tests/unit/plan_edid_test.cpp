// Plans from EDIDs: which generator timings the claims of the emulator's EDIDs and of made-up
// models come to, by size, scan, rate and 4:2:0, and that every claim is either a step or listed
// with its reason, in a plan the reader takes.
#include "plan/edid_plan.h"
#include "plan/plan_reader.h"
#include "tools/sgsim/builtin_edids.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

namespace {

edid::EdidModel ModelOf(const edid::Image& image) {
    return edid::DecodeEdidModel(image.data(), image.size());
}

// Timing -> the claims it answers, joined with "; ".
std::map<std::string, std::string> Covered(const plan::EdidCoverage& c) {
    std::map<std::string, std::string> m;
    for (const plan::CoveredTiming& t : c.covered) {
        std::string sources;
        for (const std::string& s : t.sources)
            sources += (sources.empty() ? "" : "; ") + s;
        m[t.timing] = sources;
    }
    return m;
}

std::map<std::string, std::string> NotCovered(const plan::EdidCoverage& c) {
    std::map<std::string, std::string> m;
    for (const plan::NotCovered& n : c.notCovered)
        m[n.claim] = n.reason;
    return m;
}

TEST(EdidPlan, TheSinkTelevisionsClaimsByRateAndByYcbcr420) {
    const plan::EdidCoverage c = plan::Cover(plan::ClaimsOf(ModelOf(sgsim::SinkTvEdid())));
    const auto covered = Covered(c);
    EXPECT_EQ("Detailed timing 2; Standard 1920x1080@60; VIC 16, native",
              covered.at("1920x1080p(60)"));
    EXPECT_EQ("VIC 16 at 59.94 Hz, native", covered.at("1920x1080p(59.94)"));
    EXPECT_EQ("Detailed timing 4; VIC 5", covered.at("1920x1080i(60)"));
    EXPECT_EQ("Established 640x480@60; VIC 1", covered.at("640x480(60)"));
    EXPECT_EQ("Established 800x600@60", covered.at("800x600(60)"));
    EXPECT_EQ("VIC 3; VIC 2", covered.at("720x480p(59.94)"));
    EXPECT_EQ("VIC 32 at 23.98 Hz", covered.at("1920x1080p(23.98)"));
    // The 4K 50/60 Hz timings go out in 4:2:0, which the capability map claims for VICs 96, 97,
    // 101 and 102 only; the 30 Hz ones are not 4:2:0.
    EXPECT_EQ("VIC 97, in 4:2:0", covered.at("3840x2160p(60)"));
    EXPECT_EQ("VIC 102 at 59.94 Hz, in 4:2:0", covered.at("4096x2160p(59.94)"));
    EXPECT_EQ("VIC 95", covered.at("3840x2160p(30)"));
    EXPECT_EQ(36u, covered.size());
    EXPECT_EQ("1920x1080p(60)", c.covered.front().timing) << "in the order of the first claim";

    const auto notCovered = NotCovered(c);
    EXPECT_EQ("the generator outputs 3840x2160p(60) in YCbCr 4:2:0 only, which the EDID does not "
              "claim for this timing",
              notCovered.at("Detailed timing 1, preferred"));
    EXPECT_EQ("the generator has no 1600x900p timing", notCovered.at("Standard 1600x900@60"));
    EXPECT_EQ("the generator has 640x480p at 59.94 Hz, not at 60 Hz",
              notCovered.at("VIC 1 at 60 Hz"));
    EXPECT_EQ(5u, notCovered.size());
}

// A model made by hand: rates 10 kHz apart in the clock, a 4:2:0-only claim, reserved codes.
TEST(EdidPlan, RatesTellSixtyFromFiftyNineNinetyFourAndFourTwoZeroOnlyClaimsNeedItsOutput) {
    edid::EdidModel m;
    auto dtd = [](unsigned clock10kHz, unsigned h, unsigned hBlank, unsigned v, unsigned vBlank,
                  bool interlaced) {
        edid::DetailedTiming t;
        t.pixelClock10kHz = clock10kHz;
        t.hActive = h;
        t.hBlank = hBlank;
        t.vActive = v;
        t.vBlank = vBlank;
        t.interlaced = interlaced;
        return t;
    };
    m.hasPreferredTiming = true;
    m.detailedTimings = {dtd(14850, 1920, 280, 1080, 45, false), // 60.00 Hz
                         dtd(14835, 1920, 280, 1080, 45, false), // 59.94 Hz
                         dtd(14800, 1920, 280, 1080, 45, false), // 59.80 Hz
                         dtd(7425, 1920, 280, 540, 22, true),    // 1080i, 60 fields
                         dtd(0, 1920, 280, 1080, 45, false)};    // no clock
    m.extensions.resize(1);
    m.extensions[0].block = 1;
    m.extensions[0].isCta = true;
    edid::CtaExtension& cta = m.extensions[0].cta;
    cta.svds = {edid::DecodeSvd(128), edid::DecodeSvd(17)};
    cta.y420Vics = {edid::DecodeSvd(97), edid::DecodeSvd(16), edid::DecodeSvd(230)};
    const plan::EdidCoverage c = plan::Cover(plan::ClaimsOf(m));
    const auto covered = Covered(c);
    EXPECT_EQ("Detailed timing 1, preferred", covered.at("1920x1080p(60)"));
    EXPECT_EQ("Detailed timing 2", covered.at("1920x1080p(59.94)"));
    EXPECT_EQ("Detailed timing 4", covered.at("1920x1080i(60)"));
    EXPECT_EQ("VIC 17", covered.at("720x576p(50)"));
    EXPECT_EQ("VIC 97, 4:2:0 only", covered.at("3840x2160p(60)"));
    EXPECT_EQ("VIC 97 at 59.94 Hz, 4:2:0 only", covered.at("3840x2160p(59.94)"));
    EXPECT_EQ(6u, covered.size());
    const auto notCovered = NotCovered(c);
    EXPECT_NE(std::string::npos, notCovered.at("Detailed timing 3").find("not at 59.8 Hz"));
    EXPECT_NE(std::string::npos, notCovered.at("Detailed timing 5").find("no refresh rate"));
    EXPECT_EQ("a reserved code, which names no format",
              notCovered.at("Short video descriptor 1 (code 128)"));
    EXPECT_EQ("the EDID claims it in YCbCr 4:2:0 only, and the generator outputs 1920x1080p(60) in "
              "RGB or YCbCr 4:4:4 or 4:2:2",
              notCovered.at("VIC 16, 4:2:0 only"));
    EXPECT_EQ("CTA-861 defines no format with this VIC", notCovered.at("VIC 230, 4:2:0 only"));
}

class EdidPlanOfEmulatorEdid : public ::testing::TestWithParam<int> {};

// Every claim is a step or listed; the plan is one the reader takes, each timing with each
// pattern, the HDMI output first.
TEST_P(EdidPlanOfEmulatorEdid, EveryClaimIsAStepOrListedWithItsReason) {
    const int slot = GetParam();
    const edid::EdidModel model = ModelOf(slot < 0 ? sgsim::SinkTvEdid() : sgsim::SavedEdid(slot));
    const std::vector<plan::Claim> claims = plan::ClaimsOf(model);
    const plan::EdidCoverage c = plan::Cover(claims);
    std::size_t accounted = c.notCovered.size();
    for (const plan::CoveredTiming& t : c.covered)
        accounted += t.sources.size();
    EXPECT_EQ(claims.size(), accounted);
    EXPECT_GE(claims.size(), model.detailedTimings.size() + model.establishedTimings.size() +
                                 model.standardTimings.size());

    plan::EdidPlanOptions options;
    options.name = "EDID";
    options.patterns = {"SMPTE", "RedScreen"};
    options.dwellGiven = true;
    options.dwellS = 1.5;
    const std::string text = plan::EdidPlanJson(c, options);
    const plan::ReadResult r = plan::ReadPlan(text, "edid-plan.json");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(1 + 2 * c.covered.size(), r.plan.steps.size());
    EXPECT_EQ("output", r.plan.steps[0].settings.at(0).key);
    for (std::size_t i = 1; i < r.plan.steps.size(); ++i)
        EXPECT_EQ(1500, r.plan.steps[i].dwellMs);
    if (!c.covered.empty()) {
        const std::string& name = r.plan.steps[1].name;
        EXPECT_EQ(0u, name.find(c.covered[0].sources[0])) << name;
        EXPECT_EQ(" (pattern SMPTE)", name.substr(name.rfind(" (")));
    }
    const nlohmann::json j = nlohmann::json::parse(text);
    ASSERT_EQ(c.notCovered.size(), j["not_covered"].size());
    for (std::size_t i = 0; i < c.notCovered.size(); ++i) {
        EXPECT_EQ(c.notCovered[i].claim, j["not_covered"][i]["claim"]);
        EXPECT_EQ(c.notCovered[i].reason, j["not_covered"][i]["reason"]);
    }
}

INSTANTIATE_TEST_SUITE_P(SinkAndSaved, EdidPlanOfEmulatorEdid, ::testing::Range(-1, 6));

} // namespace
