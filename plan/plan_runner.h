// The run of a plan as a state machine without I/O of its own: it hands out the next action (set
// KEY to VALUE, wait until a time, ask the operator, done) and takes each action's result, and
// records the run as it goes. Whoever drives it does the actions: the synchronous driver
// (plan_driver.h) with the generator client, or a window with its timers, one action per event.
//
// A step applies its settings in their order, each confirmed by the generator's report; then
// waits its dwell, counted from the last confirmation; then asks the operator, when it has a
// prompt. A setting refused or answered differently fails the step (the rest of it is not done)
// and the run goes on with the next step, or stops with stopOnFail. No answer or a port error ends
// the step in an error and stops the run. Steps not run are recorded as skipped, with the reason.
#pragma once

#include "link/generator_client.h"
#include "plan/plan.h"
#include "plan/plan_run.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace plan {

struct RunOptions {
    bool stopOnFail = false; // stop the run after the first step that fails
    bool askOperator = true; // false: prompts are recorded as "not asked" without an Ask
};

// The clocks a run reads: a steady one for dwells and durations (microseconds from any start)
// and the wall clock for the report's times (milliseconds since 1970, UTC).
struct PlanClock {
    std::function<std::int64_t()> steadyUs;
    std::function<std::int64_t()> wallMs;
    // std::chrono's steady_clock (its epoch) and system_clock.
    static PlanClock System();
};

struct Action {
    enum class Kind { Set, Wait, Ask, Done };
    Kind kind = Kind::Done;
    std::size_t step = 0;     // index into the plan's steps
    std::string key;          // Set
    std::string value;        // Set
    std::int64_t untilUs = 0; // Wait: the end of the dwell on the steady clock
    std::string prompt;       // Ask
};

class CPlanRunner {
public:
    explicit CPlanRunner(const Plan& plan, const RunOptions& options = RunOptions(),
                         PlanClock clock = PlanClock::System());
    CPlanRunner(const CPlanRunner&) = delete;
    CPlanRunner& operator=(const CPlanRunner&) = delete;

    // The port the report names.
    void SetPort(const std::string& port);
    // Called as each step ends (not for steps never begun), with its record.
    void OnStepEnd(std::function<void(const StepRecord&)> callback);

    // The action to do now; the first call starts the run. The same action until its result is
    // given.
    const Action& Next();

    // The result of a Set: done with what the generator confirmed, or the failure.
    void SetFinished(const client::Result& result, const client::SetDone& confirmed);
    // The dwell is over (at or after untilUs).
    void WaitFinished();
    // The operator's verdict (Pass, Fail, Skip or NotAsked) and note.
    void Answered(Verdict verdict, const std::string& note = std::string());
    // Stops the run: the step under way and the rest are skipped with the reason.
    void Abort(const std::string& reason);
    // The generator cannot be reached (no answer, a port error): the step under way ends in the
    // error and the run stops, as when a setting meets it.
    void Error(const client::Result& result);

    bool Finished() const { return m_bFinished; }
    const RunReport& Report() const { return m_report; }
    const Plan& GetPlan() const { return m_plan; }

private:
    enum class Phase { Settings, Dwell, Prompt, Done };

    void BeginStep(std::size_t index);
    void Continue();
    void EndStep(StepResult result, const std::string& message);
    void StopAfter(std::size_t index, const std::string& reason);
    void Settle();
    void Finish();
    StepRecord& Record() { return m_report.steps[m_nStep]; }

    const Plan& m_plan;
    RunOptions m_options;
    PlanClock m_clock;
    std::function<void(const StepRecord&)> m_onStepEnd;
    RunReport m_report;
    Action m_action;
    bool m_bStarted = false;
    bool m_bFinished = false;
    Phase m_phase = Phase::Settings;
    std::size_t m_nStep = 0;
    std::size_t m_nSetting = 0;
    std::int64_t m_runStartUs = 0;
    std::int64_t m_stepStartUs = 0;
};

} // namespace plan
