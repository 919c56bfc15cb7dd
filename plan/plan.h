// A test plan as it runs: its steps after `each` is expanded, each step's settings in the order
// they are applied, its dwell and its operator prompt. Plain data; plan_reader.h makes it from a
// plan file, edid_plan.h writes plan files from an EDID, plan_runner.h runs it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plan {

// One setting of a step: a key of `sgctl set` or "output" / "signal", and the value as the plan
// gives it (a code or a name, taken as the generator client takes it).
struct Setting {
    std::string key;
    std::string value;
};

struct Step {
    std::size_t planStep = 0; // 1-based position of the step in the file's "steps"
    std::string name;
    std::vector<Setting> settings; // in the order of SettingKeys()
    std::int64_t dwellMs = 0;      // after the settings are confirmed
    bool hasPrompt = false;
    std::string prompt; // the question for the operator's verdict, after the dwell
};

struct Plan {
    std::string name;
    std::string file; // where it was read from, as messages name it
    std::vector<Step> steps;
};

// Limits of a plan: more steps than this (after `each`) or a longer dwell is refused.
constexpr std::size_t kMaxSteps = 10000;
constexpr double kMaxDwellSeconds = 86400;

} // namespace plan
