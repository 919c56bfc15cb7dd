// The run's record as JSON, for people and CI jobs that read the details:
//
//   {"plan", "file", "port", "start" (ISO 8601, UTC), "duration_ms", "result" (pass, fail,
//    error, stopped), "stopped_at" (the step after which nothing ran, or null), "stop_reason",
//    "counts": {"steps", "pass", "fail", "error", "skipped"},
//    "steps": [{"index", "plan_step", "name", "settings" (asked, in the order applied),
//               "result" (pass, fail, error, skipped), "verdict" (pass, fail, skip, not asked,
//               or null without a prompt), "note", "message" (why it failed, erred or was
//               skipped), "reported" ({KEY: {"code", "name"}} as the generator confirmed them),
//               "start" (or null when never begun), "duration_ms"}]}
#pragma once

#include "plan/plan_run.h"

#include <string>

namespace plan {

std::string ReportJson(const RunReport& report);

} // namespace plan
