// Names of the results and the run's exit code.
#include "plan/plan_run.h"

#include <cstdio>

namespace plan {

const char* ResultName(StepResult r) {
    switch (r) {
    case StepResult::Pass:
        return "pass";
    case StepResult::Fail:
        return "fail";
    case StepResult::Error:
        return "error";
    case StepResult::Skipped:
        break;
    }
    return "skipped";
}

const char* VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Pass:
        return "pass";
    case Verdict::Fail:
        return "fail";
    case Verdict::Skip:
        return "skip";
    case Verdict::NotAsked:
        return "not asked";
    case Verdict::None:
        break;
    }
    return "";
}

const char* RunResultName(RunResult r) {
    switch (r) {
    case RunResult::Pass:
        return "pass";
    case RunResult::Fail:
        return "fail";
    case RunResult::Error:
        return "error";
    case RunResult::Stopped:
        break;
    }
    return "stopped";
}

std::size_t RunReport::Count(StepResult r) const {
    std::size_t n = 0;
    for (const StepRecord& s : steps)
        n += s.result == r;
    return n;
}

int RunReport::ExitCode() const {
    switch (result) {
    case RunResult::Pass:
        return client::kExitDone;
    case RunResult::Error:
        return client::ExitCodeOf(stopOutcome);
    case RunResult::Fail:
    case RunResult::Stopped:
        break;
    }
    return 1;
}

std::string IsoTime(std::int64_t unixMs) {
    // Days since 1970 to the civil date (the proleptic Gregorian calendar), without the C
    // library's time zone state.
    std::int64_t days = unixMs >= 0 ? unixMs / 86400000 : (unixMs - 86399999) / 86400000;
    const std::int64_t msOfDay = unixMs - days * 86400000;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    char text[96];
    std::snprintf(
        text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ",
        static_cast<long long>(year), static_cast<long long>(month), static_cast<long long>(day),
        static_cast<long long>(msOfDay / 3600000), static_cast<long long>(msOfDay / 60000 % 60),
        static_cast<long long>(msOfDay / 1000 % 60), static_cast<long long>(msOfDay % 1000));
    return text;
}

} // namespace plan
