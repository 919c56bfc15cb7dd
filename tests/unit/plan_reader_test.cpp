// Plan files: the steps they expand to (each, the fixed order of the settings, names, dwells),
// and every kind of plan refused before anything is sent, with the file, the step and the reason.
#include "plan/plan_keys.h"
#include "plan/plan_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using plan::ReadPlan;

std::vector<std::string> Keys(const plan::Step& step) {
    std::vector<std::string> keys;
    for (const plan::Setting& s : step.settings)
        keys.push_back(s.key);
    return keys;
}

std::string Value(const plan::Step& step, const std::string& key) {
    for (const plan::Setting& s : step.settings)
        if (s.key == key)
            return s.value;
    return "<none>";
}

TEST(PlanReader, ExpandsEachWithTheFirstKeyOutermostAndAppliesKeysInTheFixedOrder) {
    const plan::ReadResult r = ReadPlan(R"j({
      "name": "Sink smoke test",
      "dwell_s": 2,
      "steps": [
        {"name": "1080p60 bars", "pattern": "100%ColorBar", "timing": "1920x1080p(60)", "dwell_s": 3},
        {"hdcp": "on", "color_depth": "10bit"},
        {"prompt": "Is the picture stable, without sparkles?"},
        {"each": {"timing": ["1920x1080p(50)", 20], "pattern": ["RedScreen", "GreenScreen"]},
         "dwell_s": 0.25, "hdcp": "OFF"},
        {"name": "SDI", "each": {"channel": ["ALL", "CH1,2"]}, "signal": "off", "output": "sdi",
         "dwell_s": 0},
        {"pattern": 1, "signal": "on", "channel": 0, "audio_bits": 0, "sample_rate": 2,
         "audio_source": 0, "hdcp": 0, "color_depth": 0, "color_space": 0, "hdmi_dvi": 1,
         "timing": 20, "output": "hdmi"}
      ]
})j",
                                        "plans/smoke.json");
    ASSERT_TRUE(r.ok) << r.error;
    const plan::Plan& p = r.plan;
    EXPECT_EQ("Sink smoke test", p.name);
    ASSERT_EQ(10u, p.steps.size());

    // The settings in the one order, whatever the file's.
    EXPECT_EQ((std::vector<std::string>{"timing", "pattern"}), Keys(p.steps[0]));
    EXPECT_EQ((std::vector<std::string>{"color_depth", "hdcp"}), Keys(p.steps[1]));
    EXPECT_EQ(plan::SettingKeys(), Keys(p.steps[9]));
    EXPECT_EQ(3000, p.steps[0].dwellMs);
    EXPECT_EQ(2000, p.steps[1].dwellMs) << "the plan's dwell";
    EXPECT_EQ(2000, p.steps[2].dwellMs);
    EXPECT_TRUE(p.steps[2].hasPrompt);
    EXPECT_TRUE(p.steps[2].settings.empty());

    // each: the first key outermost, with the step's other keys; codes as their digits.
    const char* const timings[] = {"1920x1080p(50)", "1920x1080p(50)", "20", "20"};
    const char* const patterns[] = {"RedScreen", "GreenScreen", "RedScreen", "GreenScreen"};
    for (int i = 0; i < 4; ++i) {
        const plan::Step& s = p.steps[3 + i];
        EXPECT_EQ(4u, s.planStep);
        EXPECT_EQ(timings[i], Value(s, "timing"));
        EXPECT_EQ(patterns[i], Value(s, "pattern"));
        EXPECT_EQ("OFF", Value(s, "hdcp"));
        EXPECT_EQ(250, s.dwellMs);
        EXPECT_EQ((std::vector<std::string>{"timing", "hdcp", "pattern"}), Keys(s));
    }

    // Names: the one given, then the combination; else made from the settings or the prompt.
    EXPECT_EQ("1080p60 bars", p.steps[0].name);
    EXPECT_EQ("color_depth 10bit, hdcp on", p.steps[1].name);
    EXPECT_EQ("Is the picture stable, without sparkles?", p.steps[2].name);
    EXPECT_EQ("timing 1920x1080p(50), hdcp OFF, pattern RedScreen", p.steps[3].name);
    EXPECT_EQ("SDI (channel ALL)", p.steps[7].name);
    EXPECT_EQ("SDI (channel CH1,2)", p.steps[8].name);
    EXPECT_EQ((std::vector<std::string>{"output", "channel", "signal"}), Keys(p.steps[7]));
    EXPECT_EQ(0, p.steps[7].dwellMs);

    // A plan without a name is named by its file.
    const plan::ReadResult unnamed = ReadPlan(R"j({"steps": [{"timing": 20}]})j", "a.json");
    ASSERT_TRUE(unnamed.ok) << unnamed.error;
    EXPECT_EQ("a.json", unnamed.plan.name);
    EXPECT_EQ(0, unnamed.plan.steps[0].dwellMs);
}

struct RefusedPlan {
    const char* text;
    std::size_t step; // 0: the plan as a whole
    const char* reason;
};

class PlanRefusal : public ::testing::TestWithParam<RefusedPlan> {};

TEST_P(PlanRefusal, NamesTheFileTheStepAndTheReason) {
    const RefusedPlan& c = GetParam();
    const plan::ReadResult r = ReadPlan(c.text, "lab/plan.json");
    ASSERT_FALSE(r.ok) << c.text;
    EXPECT_EQ(c.step, r.step) << r.error;
    const std::string prefix =
        "lab/plan.json: " + (c.step ? "step " + std::to_string(c.step) + ": " : std::string());
    EXPECT_EQ(0u, r.error.find(prefix)) << r.error;
    EXPECT_NE(std::string::npos, r.error.find(c.reason)) << r.error;
    EXPECT_TRUE(r.plan.steps.empty()) << "nothing of a refused plan is handed out";
}

INSTANTIATE_TEST_SUITE_P(
    Plans, PlanRefusal,
    ::testing::Values(
        // A name the console does not show, however close to one.
        RefusedPlan{R"j({"steps": [{"timing": 20}, {"pattern": "ColorBar"}]})j", 2,
                    "pattern ColorBar: neither a code nor a name the console shows"},
        RefusedPlan{R"j({"steps": [{"output": "dvi"}]})j", 1, "output dvi: hdmi or sdi"},
        RefusedPlan{R"j({"steps": [{"timing": 20}, {"patern": "SMPTE"}]})j", 2,
                    "unknown key patern"},
        RefusedPlan{R"j({"name": "x", "loop": 3, "steps": [{"timing": 20}]})j", 0,
                    "unknown key loop"},
        RefusedPlan{"{\"steps\": [\n  {\"timing\": 20},\n  {\"pattern\" 3}\n]}", 0,
                    "not JSON: parse error at line 3, column"},
        RefusedPlan{R"j({"steps": [{"timing": 20, "timing": 21}]})j", 1,
                    "the key \"timing\" is given twice"},
        // The channel names of the SDI output after an HDMI step, and of neither output.
        RefusedPlan{R"j({"steps": [{"output": "hdmi"}, {"timing": 20}, {"channel": "ALL"}]})j", 3,
                    "channel ALL: neither a code nor a name the console shows (for the HDMI"},
        RefusedPlan{R"j({"steps": [{"each": {"output": ["sdi", "hdmi"]}, "channel": "CH1,2"}]})j",
                    1, "(for the HDMI output)"},
        RefusedPlan{R"j({"steps": [{"channel": "9CH"}]})j", 1, "(for either output)"},
        RefusedPlan{R"j({"steps": [{"each": {"timing": []}}]})j", 1, "an empty one"},
        RefusedPlan{R"j({"steps": [{"each": {"timing": [20, 21]}, "timing": 27}]})j", 1,
                    "timing is given both alone and in each"},
        RefusedPlan{R"j({"steps": [{"each": {"dwell_s": [1, 2]}, "timing": 27}]})j", 1,
                    "each: unknown key dwell_s"},
        RefusedPlan{R"j({"steps": [{"timing": 20, "dwell_s": -1}]})j", 1, "dwell_s -1"},
        RefusedPlan{R"j({"steps": [{"timing": 20}, {"hdcp": true}]})j", 2,
                    "hdcp true: neither a code"},
        RefusedPlan{R"j({"steps": [{"prompt": ""}]})j", 1, "prompt is empty"},
        RefusedPlan{R"j({"steps": [{"name": "nothing"}]})j", 1, "the step sets nothing"},
        RefusedPlan{R"j({"steps": [{"timing": 20}, "SMPTE"]})j", 2, "a step is an object"},
        RefusedPlan{R"j({"steps": []})j", 0, "the plan has no steps"},
        RefusedPlan{R"j([{"timing": 20}])j", 0, "a plan is a JSON object"},
        RefusedPlan{R"j({"steps": [{"timing": [[[[[[[[[20]]]]]]]]]}]})j", 1, "nested deeper"},
        // 101 x 101 steps: more than a plan may hold, refused before any is made.
        RefusedPlan{
            R"j({"steps": [{"timing": 20}, {"each": {"hdcp": [0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,
            0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,
            0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0],
            "pattern": [0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,
            1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,
            0,1,0,1,0,1,0,1,0,1,0,1,0,1,0,1,0]}}]})j",
            2, "more than 10000 steps"}));

TEST(PlanReader, ChannelValuesFollowTheOutputTheStepsSelect) {
    // "ALL" is an SDI channel layout, "2.1CH" an HDMI one.
    EXPECT_TRUE(ReadPlan(R"j({"steps": [{"output": "sdi", "channel": "ALL"}]})j", "p").ok);
    EXPECT_TRUE(
        ReadPlan(R"j({"steps": [{"output": "SDI"}, {"timing": 20}, {"channel": "ALL"}]})j", "p").ok)
        << "the output of an earlier step holds";
    EXPECT_FALSE(ReadPlan(R"j({"steps": [{"output": "sdi"}, {"channel": "2.1CH"}]})j", "p").ok);
    // Without an output in the plan either list's value is taken; the run refuses the other.
    EXPECT_TRUE(ReadPlan(R"j({"steps": [{"channel": "ALL"}, {"channel": "2.1CH"}]})j", "p").ok);
}

} // namespace
