// Reads a plan file (JSON, UTF-8) into the steps that run:
//
//   {"name": "...", "dwell_s": 2, "steps": [STEP...], "not_covered": [...]}
//   STEP: {"name": "...", "dwell_s": 1.5, "prompt": "...", KEY: VALUE..., "each": {KEY:
//   [VALUE...]}}
//
// KEY is a key of plan_keys.h, VALUE a code (a whole number) or a name. Everything is checked
// before a plan is handed out: a file that is not JSON, a key no plan or step takes, a key given
// twice, a value no setting accepts, an empty `each` list, a plan of no steps or of more than
// kMaxSteps: refused with the file, the step number (its place in "steps", from 1) and the
// reason. "not_covered" is what `plan from-edid` could not cover; it is read past.
#pragma once

#include "plan/plan.h"

#include <cstddef>
#include <string>

namespace plan {

struct ReadResult {
    bool ok = false;
    Plan plan;
    std::string error;    // "FILE: step 3: pattern ColorBar: ...", when !ok
    std::size_t step = 0; // the step the refusal names; 0 for the plan as a whole
};

// file names the plan in messages (and is the plan's name when it has none).
ReadResult ReadPlan(const std::string& text, const std::string& file);

// Reads the file; a file that cannot be read is refused like a plan that does not parse.
ReadResult ReadPlanFile(const std::string& path);

// Plans larger than this are refused unread.
constexpr std::size_t kMaxPlanBytes = 4u << 20;

} // namespace plan
