// Runs a plan synchronously on an open generator: the runner's actions done one after the other
// on the calling thread, the settings through the generator client's set-and-confirm, the dwells
// slept to their end on the steady clock, the prompts put to an operator. For sgctl and the
// Python module; a window drives CPlanRunner itself, on its timers.
#pragma once

#include "link/generator_client.h"
#include "plan/plan.h"
#include "plan/plan_run.h"
#include "plan/plan_runner.h"

#include <cstddef>
#include <functional>
#include <string>

namespace plan {

// Whoever judges the steps that ask.
class IOperator {
public:
    virtual ~IOperator() = default;
    // The verdict on step (index 1-based of count) and a note; Verdict::NotAsked when there is
    // nobody to ask.
    virtual Verdict Ask(const Step& step, std::size_t index, std::size_t count,
                        std::string& note) = 0;
};

struct DriverOptions {
    RunOptions run;
    IOperator* op = nullptr; // nullptr: nobody is asked
    // Called as each step ends, with the number of steps.
    std::function<void(const StepRecord&, std::size_t count)> progress;
};

// Runs the plan to its end (or its stop) and returns the record.
RunReport RunPlan(const Plan& plan, client::CGeneratorClient& generator,
                  const DriverOptions& options = DriverOptions());

} // namespace plan
