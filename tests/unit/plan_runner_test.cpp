// The plan runner driven by hand on a clock the test moves: the actions it hands out and their
// order, the dwell counted from the last confirmation, what each outcome does to the step and
// the run, and the record it keeps.
#include "plan/plan_reader.h"
#include "plan/plan_runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using plan::Action;
using plan::StepResult;
using plan::Verdict;

plan::Plan PlanOf(const std::string& json) {
    const plan::ReadResult r = plan::ReadPlan(json, "test.json");
    EXPECT_TRUE(r.ok) << r.error;
    return r.plan;
}

// Drives a runner: each Set takes setMs and gives what answer() says, each Wait ends at its time,
// each Ask is answered from verdicts in turn. Records every action as a line.
struct Driver {
    std::int64_t nowUs = 1000000;
    std::int64_t setMs = 30;
    std::function<client::Result(const Action&)> answer = [](const Action&) {
        return client::Result{};
    };
    std::vector<Verdict> verdicts;
    std::vector<std::string> log;

    plan::PlanClock Clock() {
        plan::PlanClock c;
        c.steadyUs = [this] { return nowUs; };
        c.wallMs = [this] { return 1700000000000 + nowUs / 1000; };
        return c;
    }

    void Run(plan::CPlanRunner& runner) {
        for (std::size_t guard = 0; guard < 100000; ++guard) {
            const Action a = runner.Next();
            switch (a.kind) {
            case Action::Kind::Set: {
                log.push_back(std::to_string(a.step + 1) + " set " + a.key + " " + a.value);
                nowUs += setMs * 1000;
                const client::Result r = answer(a);
                runner.SetFinished(r, client::SetDone{7, a.value + "!"});
                break;
            }
            case Action::Kind::Wait:
                log.push_back(std::to_string(a.step + 1) + " wait " +
                              std::to_string((a.untilUs - nowUs) / 1000));
                nowUs = a.untilUs;
                runner.WaitFinished();
                break;
            case Action::Kind::Ask: {
                log.push_back(std::to_string(a.step + 1) + " ask " + a.prompt);
                const Verdict v = verdicts.empty() ? Verdict::NotAsked : verdicts.front();
                if (!verdicts.empty())
                    verdicts.erase(verdicts.begin());
                runner.Answered(v, "note " + std::to_string(a.step + 1));
                break;
            }
            case Action::Kind::Done:
                return;
            }
        }
        FAIL() << "the run does not end";
    }
};

TEST(PlanRunner, SetsInOrderThenDwellsFromTheLastConfirmationThenAsks) {
    const plan::Plan p = PlanOf(R"j({"steps": [
        {"name": "bars", "pattern": "SMPTE", "output": "hdmi", "dwell_s": 1.5, "prompt": "Bars?"},
        {"timing": 20}]})j");
    Driver d;
    d.verdicts = {Verdict::Pass};
    plan::CPlanRunner runner(p, plan::RunOptions(), d.Clock());
    runner.SetPort("COM7");
    std::vector<std::size_t> ended;
    runner.OnStepEnd([&](const plan::StepRecord& r) { ended.push_back(r.index); });
    d.Run(runner);

    // The dwell is whole however long the settings took.
    EXPECT_EQ((std::vector<std::string>{"1 set output hdmi", "1 set pattern SMPTE", "1 wait 1500",
                                        "1 ask Bars?", "2 set timing 20"}),
              d.log);
    EXPECT_EQ((std::vector<std::size_t>{1, 2}), ended);
    ASSERT_TRUE(runner.Finished());
    const plan::RunReport& r = runner.Report();
    EXPECT_EQ(0, r.ExitCode());
    EXPECT_EQ(plan::RunResult::Pass, r.result);
    EXPECT_EQ("COM7", r.port);
    EXPECT_EQ(1700000001000, r.startMs);
    EXPECT_EQ(1590, r.durationMs);
    const plan::StepRecord& s = r.steps[0];
    EXPECT_EQ(StepResult::Pass, s.result);
    EXPECT_EQ(Verdict::Pass, s.verdict);
    EXPECT_EQ("note 1", s.note);
    EXPECT_EQ(1560, s.durationMs);
    EXPECT_EQ(1700000001000, s.startMs);
    ASSERT_EQ(2u, s.reported.size());
    EXPECT_EQ("output", s.reported[0].key);
    EXPECT_EQ("SMPTE!", s.reported[1].name);
    EXPECT_EQ(Verdict::None, r.steps[1].verdict);
    EXPECT_EQ(1700000002560, r.steps[1].startMs);
}

TEST(PlanRunner, AFailedSettingFailsItsStepAndTheRunGoesOnUnlessToldToStop) {
    const std::string json = R"j({"dwell_s": 1, "steps": [
        {"timing": 38, "color_depth": "10bit", "pattern": "SMPTE", "prompt": "Looks right?"},
        {"timing": 20},
        {"hdcp": "on"}]})j";
    const plan::Plan p = PlanOf(json);
    for (const client::Outcome outcome : {client::Outcome::Refused, client::Outcome::Different}) {
        for (const bool stopOnFail : {false, true}) {
            Driver d;
            d.answer = [&](const Action& a) {
                return a.key == "color_depth" ? client::Result{outcome, "color_depth refused"}
                                              : client::Result{};
            };
            plan::RunOptions options;
            options.stopOnFail = stopOnFail;
            plan::CPlanRunner runner(p, options, d.Clock());
            d.Run(runner);
            // Nothing more of the failed step: no pattern, no dwell, no question.
            std::vector<std::string> expected = {"1 set timing 38", "1 set color_depth 10bit"};
            if (!stopOnFail)
                expected.insert(expected.end(),
                                {"2 set timing 20", "2 wait 1000", "3 set hdcp on", "3 wait 1000"});
            EXPECT_EQ(expected, d.log);
            const plan::RunReport& r = runner.Report();
            EXPECT_EQ(1, r.ExitCode());
            EXPECT_EQ(plan::RunResult::Fail, r.result);
            EXPECT_EQ(StepResult::Fail, r.steps[0].result);
            EXPECT_EQ("color_depth refused", r.steps[0].message);
            EXPECT_EQ(1u, r.steps[0].reported.size());
            EXPECT_EQ(stopOnFail ? StepResult::Skipped : StepResult::Pass, r.steps[2].result);
            EXPECT_EQ(stopOnFail ? 1u : 0u, r.stoppedAt);
            if (stopOnFail) {
                EXPECT_FALSE(r.steps[1].ran);
                EXPECT_EQ("not run: stopped after step 1 failed", r.steps[1].message);
            }
        }
    }
}

TEST(PlanRunner, NoAnswerOrAPortErrorStopsTheRunAndSaysWhereAndWhy) {
    const plan::Plan p = PlanOf(
        R"j({"steps": [{"timing": 20}, {"pattern": 3, "hdcp": 1}, {"timing": 21}, {"timing": 22}]})j");
    const std::vector<std::pair<client::Outcome, int>> cases = {{client::Outcome::NoAnswer, 3},
                                                                {client::Outcome::PortError, 5}};
    for (const auto& c : cases) {
        const client::Outcome outcome = c.first;
        Driver d;
        d.answer = [&](const Action& a) {
            return a.key == "pattern" ? client::Result{outcome, "COM7: port went away"}
                                      : client::Result{};
        };
        plan::CPlanRunner runner(p, plan::RunOptions(), d.Clock());
        d.Run(runner);
        EXPECT_EQ((std::vector<std::string>{"1 set timing 20", "2 set hdcp 1", "2 set pattern 3"}),
                  d.log);
        const plan::RunReport& r = runner.Report();
        EXPECT_EQ(c.second, r.ExitCode());
        EXPECT_EQ(plan::RunResult::Error, r.result);
        EXPECT_EQ(2u, r.stoppedAt);
        EXPECT_EQ("step 2: COM7: port went away", r.stopReason);
        EXPECT_EQ(StepResult::Error, r.steps[1].result);
        for (std::size_t i : {2u, 3u}) {
            EXPECT_EQ(StepResult::Skipped, r.steps[i].result);
            EXPECT_FALSE(r.steps[i].ran);
            EXPECT_EQ("not run: step 2: COM7: port went away", r.steps[i].message);
        }
    }
}

TEST(PlanRunner, VerdictsDecideTheStepAndPromptsWithoutAnOperatorAreNotAsked) {
    const plan::Plan p = PlanOf(
        R"j({"steps": [{"prompt": "A?"}, {"prompt": "B?"}, {"prompt": "C?"}, {"timing": 20}]})j");
    Driver d;
    d.verdicts = {Verdict::Fail, Verdict::Skip, Verdict::Pass};
    plan::CPlanRunner asked(p, plan::RunOptions(), d.Clock());
    d.Run(asked);
    const plan::RunReport& r = asked.Report();
    EXPECT_EQ(StepResult::Fail, r.steps[0].result);
    EXPECT_EQ("judged failed by the operator: note 1", r.steps[0].message);
    EXPECT_EQ(StepResult::Skipped, r.steps[1].result);
    EXPECT_EQ(Verdict::Skip, r.steps[1].verdict);
    EXPECT_EQ(StepResult::Pass, r.steps[2].result);
    EXPECT_EQ(1, r.ExitCode());

    // Nobody to ask: no Ask at all, each verdict "not asked", the run passes. However many such
    // steps follow one another, each ends at once.
    std::string many = R"({"steps": [)";
    for (int i = 0; i < 5000; ++i)
        many += R"({"prompt": "Q?"},)";
    many += R"({"timing": 20}]})";
    const plan::Plan big = PlanOf(many);
    Driver quiet;
    plan::RunOptions options;
    options.askOperator = false;
    plan::CPlanRunner unasked(big, options, quiet.Clock());
    quiet.Run(unasked);
    EXPECT_EQ((std::vector<std::string>{"5001 set timing 20"}), quiet.log);
    EXPECT_EQ(0, unasked.Report().ExitCode());
    EXPECT_EQ(Verdict::NotAsked, unasked.Report().steps[4999].verdict);
    EXPECT_EQ(StepResult::Skipped, unasked.Report().steps[0].result);
}

TEST(PlanRunner, AbortSkipsTheStepUnderWayAndTheRest) {
    const plan::Plan p = PlanOf(R"j({"steps": [{"timing": 20, "dwell_s": 5}, {"timing": 21}]})j");
    Driver d;
    plan::CPlanRunner runner(p, plan::RunOptions(), d.Clock());
    ASSERT_EQ(Action::Kind::Set, runner.Next().kind);
    runner.SetFinished(client::Result{}, client::SetDone{20, "1920x1080p(60)"});
    ASSERT_EQ(Action::Kind::Wait, runner.Next().kind);
    runner.Abort("the operator pressed Stop");
    EXPECT_EQ(Action::Kind::Done, runner.Next().kind);
    const plan::RunReport& r = runner.Report();
    EXPECT_EQ(plan::RunResult::Stopped, r.result);
    EXPECT_EQ(1u, r.stoppedAt);
    EXPECT_EQ("stopped: the operator pressed Stop", r.steps[0].message);
    EXPECT_EQ(StepResult::Skipped, r.steps[1].result);
    // Results that come after the end change nothing.
    runner.WaitFinished();
    runner.SetFinished(client::Result{}, client::SetDone{});
    EXPECT_TRUE(runner.Finished());
}

} // namespace
