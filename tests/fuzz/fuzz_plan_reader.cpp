// libFuzzer target: the plan reader on any bytes gives a plan or a refusal that names the file,
// never a crash or a hang; a plan it gives has its settings in the fixed order and its limits
// kept, and runs through the runner (every setting confirmed, nobody asked) to reports that are
// written whatever its names hold.
#include "plan/plan_keys.h"
#include "plan/plan_reader.h"
#include "plan/plan_runner.h"
#include "plan/report_json.h"
#include "plan/report_junit.h"

#include <cstdint>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const plan::ReadResult r = plan::ReadPlan(text, "fuzz.json");
    if (!r.ok) {
        Check(r.error.compare(0, 11, "fuzz.json: ") == 0 && r.error.size() > 11);
        Check(r.plan.steps.empty());
        return 0;
    }
    Check(!r.plan.steps.empty() && r.plan.steps.size() <= plan::kMaxSteps);
    for (const plan::Step& step : r.plan.steps) {
        Check(step.planStep >= 1);
        Check(step.dwellMs >= 0 && step.dwellMs <= plan::kMaxDwellSeconds * 1000);
        int rank = -1;
        for (const plan::Setting& s : step.settings) {
            Check(plan::KeyRank(s.key) > rank);
            rank = plan::KeyRank(s.key);
        }
        Check(!step.settings.empty() || step.hasPrompt || step.dwellMs > 0);
    }
    // The runner and both reports on the plan; large plans only through the reader.
    if (r.plan.steps.size() > 200)
        return 0;
    std::int64_t now = 0;
    plan::PlanClock clock;
    clock.steadyUs = [&] { return now += 1000; };
    clock.wallMs = [&] { return now / 1000; };
    plan::RunOptions options;
    options.askOperator = false;
    plan::CPlanRunner runner(r.plan, options, clock);
    std::size_t actions = 0;
    for (;; ++actions) {
        Check(actions <= 100000);
        const plan::Action& a = runner.Next();
        if (a.kind == plan::Action::Kind::Done)
            break;
        if (a.kind == plan::Action::Kind::Wait)
            runner.WaitFinished();
        else
            runner.SetFinished(client::Result{}, client::SetDone{0, a.value});
    }
    Check(runner.Report().ExitCode() == 0);
    Check(!plan::ReportJson(runner.Report()).empty());
    Check(!plan::ReportJunit(runner.Report()).empty());
    return 0;
}
