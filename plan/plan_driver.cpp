// The synchronous driver of a plan run.
#include "plan/plan_driver.h"

#include <chrono>
#include <thread>

namespace plan {

RunReport RunPlan(const Plan& plan, client::CGeneratorClient& generator,
                  const DriverOptions& options) {
    RunOptions run = options.run;
    if (!options.op)
        run.askOperator = false;
    CPlanRunner runner(plan, run); // on steady_clock, which the dwells sleep on
    runner.SetPort(generator.PortName());
    if (options.progress)
        runner.OnStepEnd([&](const StepRecord& r) { options.progress(r, plan.steps.size()); });
    for (;;) {
        const Action& a = runner.Next();
        switch (a.kind) {
        case Action::Kind::Set: {
            client::SetDone done;
            const client::Result r = generator.Set(a.key, a.value, &done);
            runner.SetFinished(r, done);
            break;
        }
        case Action::Kind::Wait:
            // To the end of the dwell, however long the step took to get here.
            std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::microseconds(a.untilUs))));
            runner.WaitFinished();
            break;
        case Action::Kind::Ask: {
            std::string note;
            const Verdict v =
                options.op->Ask(plan.steps[a.step], a.step + 1, plan.steps.size(), note);
            runner.Answered(v, note);
            break;
        }
        case Action::Kind::Done:
            return runner.Report();
        }
    }
}

} // namespace plan
