// The run's record as JSON.
#include "plan/report_json.h"

#include <nlohmann/json.hpp>

namespace plan {

namespace {

using Json = nlohmann::ordered_json;

Json StepJson(const StepRecord& s) {
    Json j;
    j["index"] = s.index;
    j["plan_step"] = s.planStep;
    j["name"] = s.name;
    Json settings = Json::object();
    for (const Setting& a : s.asked)
        settings[a.key] = a.value;
    j["settings"] = settings;
    j["result"] = ResultName(s.result);
    j["verdict"] = s.verdict == Verdict::None ? Json() : Json(VerdictName(s.verdict));
    j["note"] = s.note;
    j["message"] = s.message;
    Json reported = Json::object();
    for (const Reported& r : s.reported)
        reported[r.key] = Json{{"code", r.code}, {"name", r.name}};
    j["reported"] = reported;
    j["start"] = s.ran ? Json(IsoTime(s.startMs)) : Json();
    j["duration_ms"] = s.durationMs;
    return j;
}

} // namespace

std::string ReportJson(const RunReport& report) {
    Json j;
    j["plan"] = report.plan;
    j["file"] = report.file;
    j["port"] = report.port;
    j["start"] = IsoTime(report.startMs);
    j["duration_ms"] = report.durationMs;
    j["result"] = RunResultName(report.result);
    j["stopped_at"] = report.stoppedAt ? Json(report.stoppedAt) : Json();
    j["stop_reason"] = report.stopReason;
    j["counts"] = Json{{"steps", report.steps.size()},
                       {"pass", report.Count(StepResult::Pass)},
                       {"fail", report.Count(StepResult::Fail)},
                       {"error", report.Count(StepResult::Error)},
                       {"skipped", report.Count(StepResult::Skipped)}};
    Json steps = Json::array();
    for (const StepRecord& s : report.steps)
        steps.push_back(StepJson(s));
    j["steps"] = steps;
    // A note typed on a terminal may be any bytes: what is not UTF-8 becomes U+FFFD.
    return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace plan
