// What a plan run records: per step the settings asked, what the generator reported for each, the
// operator's verdict and note, the result and its reason, the start and the duration; for the run
// the port, the start, the duration, the overall result and where and why it stopped early. The
// report writers (report_json.h, report_junit.h) write it out.
#pragma once

#include "link/generator_client.h"
#include "plan/plan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plan {

enum class StepResult { Pass, Fail, Error, Skipped };
enum class Verdict { None, Pass, Fail, Skip, NotAsked };
enum class RunResult { Pass, Fail, Error, Stopped };

const char* ResultName(StepResult r);   // "pass", "fail", "error", "skipped"
const char* VerdictName(Verdict v);     // "" (no prompt), "pass", "fail", "skip", "not asked"
const char* RunResultName(RunResult r); // "pass", "fail", "error", "stopped"

// A setting as the generator confirmed it: its code and the name the console shows for it.
struct Reported {
    std::string key;
    int code = 0;
    std::string name;
};

struct StepRecord {
    std::size_t index = 0; // 1-based, in the run's order
    std::size_t planStep = 0;
    std::string name;
    std::vector<Setting> asked;
    bool ran = false; // false: never begun (the run had stopped)
    StepResult result = StepResult::Skipped;
    Verdict verdict = Verdict::None;
    std::string note;    // the operator's
    std::string message; // why the step failed, ended in an error or was skipped
    std::vector<Reported> reported;
    std::int64_t startMs = 0; // wall clock, milliseconds since 1970 (UTC)
    std::int64_t durationMs = 0;
};

struct RunReport {
    std::string plan; // the plan's name
    std::string file;
    std::string port;
    std::int64_t startMs = 0; // wall clock, milliseconds since 1970 (UTC)
    std::int64_t durationMs = 0;
    RunResult result = RunResult::Pass;
    std::size_t stoppedAt = 0; // the step (1-based) after which nothing more ran; 0: none
    std::string stopReason;
    client::Outcome stopOutcome = client::Outcome::Done; // of an error that stopped the run
    std::vector<StepRecord> steps;

    std::size_t Count(StepResult r) const;
    // 0 no step failed; 1 a step failed (refused, answered differently, judged failed) or the run
    // was stopped; 3 or 5 the error that stopped the run (no answer, port error).
    int ExitCode() const;
};

// "2026-03-14T09:26:53.589Z".
std::string IsoTime(std::int64_t unixMs);

} // namespace plan
