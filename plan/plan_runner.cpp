// The run of a plan, one action at a time.
#include "plan/plan_runner.h"

#include <chrono>

namespace plan {

PlanClock PlanClock::System() {
    PlanClock c;
    c.steadyUs = [] {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    c.wallMs = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    return c;
}

CPlanRunner::CPlanRunner(const Plan& plan, const RunOptions& options, PlanClock clock)
    : m_plan(plan), m_options(options), m_clock(std::move(clock)) {
    m_report.plan = plan.name;
    m_report.file = plan.file;
    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
        StepRecord r;
        r.index = i + 1;
        r.planStep = plan.steps[i].planStep;
        r.name = plan.steps[i].name;
        r.asked = plan.steps[i].settings;
        r.message = "not run";
        m_report.steps.push_back(std::move(r));
    }
}

void CPlanRunner::SetPort(const std::string& port) {
    m_report.port = port;
}

void CPlanRunner::OnStepEnd(std::function<void(const StepRecord&)> callback) {
    m_onStepEnd = std::move(callback);
}

const Action& CPlanRunner::Next() {
    if (!m_bStarted) {
        m_bStarted = true;
        m_runStartUs = m_clock.steadyUs();
        m_report.startMs = m_clock.wallMs();
        if (m_plan.steps.empty())
            Finish();
        else
            BeginStep(0);
        Settle();
    }
    return m_action;
}

void CPlanRunner::BeginStep(std::size_t index) {
    m_nStep = index;
    m_nSetting = 0;
    m_phase = Phase::Settings;
    m_stepStartUs = m_clock.steadyUs();
    StepRecord& r = Record();
    r.ran = true;
    r.startMs = m_clock.wallMs();
    r.message.clear();
    Continue();
}

// The step's next action after what has been done of it.
void CPlanRunner::Continue() {
    const Step& step = m_plan.steps[m_nStep];
    m_action = Action();
    m_action.step = m_nStep;
    if (m_phase == Phase::Settings && m_nSetting < step.settings.size()) {
        m_action.kind = Action::Kind::Set;
        m_action.key = step.settings[m_nSetting].key;
        m_action.value = step.settings[m_nSetting].value;
        return;
    }
    if (m_phase == Phase::Settings) {
        m_phase = Phase::Dwell;
        if (step.dwellMs > 0) {
            // From the last confirmation, which has just come.
            m_action.kind = Action::Kind::Wait;
            m_action.untilUs = m_clock.steadyUs() + step.dwellMs * 1000;
            return;
        }
    }
    m_phase = Phase::Prompt;
    if (!step.hasPrompt) {
        EndStep(StepResult::Pass, std::string());
        return;
    }
    if (!m_options.askOperator) {
        Record().verdict = Verdict::NotAsked;
        EndStep(StepResult::Skipped, "the operator was not asked");
        return;
    }
    m_action.kind = Action::Kind::Ask;
    m_action.prompt = step.prompt;
}

void CPlanRunner::SetFinished(const client::Result& result, const client::SetDone& confirmed) {
    if (m_action.kind != Action::Kind::Set)
        return;
    if (result.Ok()) {
        Record().reported.push_back({m_action.key, confirmed.code, confirmed.name});
        ++m_nSetting;
        Continue();
        Settle();
        return;
    }
    switch (result.outcome) {
    case client::Outcome::NoAnswer:
    case client::Outcome::PortError:
        Error(result);
        return;
    default:
        EndStep(StepResult::Fail, result.message);
        break;
    }
    Settle();
}

void CPlanRunner::Error(const client::Result& result) {
    if (!m_bStarted)
        Next();
    if (Finished())
        return;
    m_report.stopOutcome = result.outcome;
    m_report.result = RunResult::Error;
    StopAfter(m_nStep, "step " + std::to_string(m_nStep + 1) + ": " + result.message);
    EndStep(StepResult::Error, result.message);
    Settle();
}

void CPlanRunner::WaitFinished() {
    if (m_action.kind != Action::Kind::Wait)
        return;
    Continue();
    Settle();
}

void CPlanRunner::Answered(Verdict verdict, const std::string& note) {
    if (m_action.kind != Action::Kind::Ask)
        return;
    Record().verdict = verdict;
    Record().note = note;
    switch (verdict) {
    case Verdict::Pass:
        EndStep(StepResult::Pass, std::string());
        break;
    case Verdict::Fail:
        EndStep(StepResult::Fail,
                "judged failed by the operator" + (note.empty() ? std::string() : ": " + note));
        break;
    case Verdict::Skip:
        EndStep(StepResult::Skipped, "skipped by the operator");
        break;
    default:
        Record().verdict = Verdict::NotAsked;
        EndStep(StepResult::Skipped, "the operator was not asked");
        break;
    }
    Settle();
}

void CPlanRunner::Abort(const std::string& reason) {
    if (!m_bStarted || Finished())
        return;
    if (m_report.result == RunResult::Pass || m_report.result == RunResult::Fail)
        m_report.result = RunResult::Stopped;
    StopAfter(m_nStep, "stopped at step " + std::to_string(m_nStep + 1) + ": " + reason);
    EndStep(StepResult::Skipped, "stopped: " + reason);
    Settle();
}

// Nothing runs after step index; the steps after it are skipped with the reason.
void CPlanRunner::StopAfter(std::size_t index, const std::string& reason) {
    if (m_report.stoppedAt != 0)
        return;
    m_report.stoppedAt = index + 1;
    m_report.stopReason = reason;
    for (std::size_t i = index + 1; i < m_report.steps.size(); ++i)
        m_report.steps[i].message = "not run: " + reason;
}

void CPlanRunner::EndStep(StepResult result, const std::string& message) {
    StepRecord& r = Record();
    r.result = result;
    r.message = message;
    r.durationMs = (m_clock.steadyUs() - m_stepStartUs) / 1000;
    m_phase = Phase::Done;
    m_action = Action();
    if (result == StepResult::Fail) {
        if (m_report.result == RunResult::Pass)
            m_report.result = RunResult::Fail;
        if (m_options.stopOnFail)
            StopAfter(m_nStep, "stopped after step " + std::to_string(m_nStep + 1) + " failed");
    }
    if (m_onStepEnd)
        m_onStepEnd(r);
}

// After a step has ended, the next one begins (and may end at once: a prompt not asked), until
// a step waits for an action or the run is over. A loop, so that any number of steps that end
// at once cost no stack.
void CPlanRunner::Settle() {
    while (m_phase == Phase::Done && !m_bFinished) {
        if (m_report.stoppedAt == 0 && m_nStep + 1 < m_plan.steps.size())
            BeginStep(m_nStep + 1);
        else
            Finish();
    }
}

void CPlanRunner::Finish() {
    m_report.durationMs = (m_clock.steadyUs() - m_runStartUs) / 1000;
    m_action = Action();
    m_action.kind = Action::Kind::Done;
    m_bFinished = true;
}

} // namespace plan
