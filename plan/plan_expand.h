// A step of a plan file as written, and its expansion into the steps that run: `each` lists
// values per key, and the step runs once per combination of them (the first key outermost), with
// the step's other keys. The settings of every step are put in the fixed order of plan_keys.h and
// every step gets a name: the one given (followed by its combination), or one made from the
// settings.
#pragma once

#include "plan/plan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace plan {

// One step as the plan file gives it, before its `each` is expanded.
struct PlannedStep {
    std::size_t planStep = 0;
    bool hasName = false;
    std::string name;
    std::vector<Setting> settings; // the keys with one value, in any order
    // The keys of `each` in the file's order, with their values.
    std::vector<std::pair<std::string, std::vector<std::string>>> each;
    std::int64_t dwellMs = 0;
    bool hasPrompt = false;
    std::string prompt;
};

// How many steps a step of the file expands to; any count above kMaxSteps is given as kMaxSteps
// + 1.
std::size_t ExpandedCount(const PlannedStep& planned);

// Appends the steps a step of the file expands to, to out.
void Expand(const PlannedStep& planned, std::vector<Step>& out);

// "timing 1920x1080p(60), pattern RedScreen".
std::string SettingsText(const std::vector<Setting>& settings);

// A dwell for people: "2 s", "0.25 s".
std::string DwellText(std::int64_t ms);

} // namespace plan
