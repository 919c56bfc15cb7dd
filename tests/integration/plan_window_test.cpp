// The plan window running plans through the real console against the emulator, on the real event
// loop with real timers: every setting confirmed by the generator and shown by the panel, a
// refused step failed with its reason, and a generator that vanishes mid-run stopping the run with
// the step and the reason in the report.
#include "app/plan_dlg.h"
#include "plan/report_json.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/console_internals.h"
#include "support/served_emulator.h"
#include "support/text_lines.h"

#include <fstream>
#include <memory>

using testsupport::ConsoleFixture;
using testsupport::ServedEmulator;
using testsupport::WaitFor;

class PlanWindowWithEmulator : public ConsoleFixture {
protected:
    PlanWindowWithEmulator() {
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
    }

    std::string WritePlan(const std::string& text) {
        const std::string path = m_exeDir.Path() + "/plan.json";
        std::ofstream(path) << text;
        return path;
    }

    // Connects to COM2, waits for the read-back, opens the plan window with the plan and runs it
    // to its end.
    CPlanDlg& RunToEnd(CConsoleDlg& d, const std::string& planText,
                       const std::function<void(CPlanDlg&)>& during = nullptr) {
        In(d).m_nPort = 2;
        EXPECT_TRUE(ui::test::Click(d, IDC_PORT_BUTTON));
        EXPECT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 1; }, 3000));
        d.ShowPlan();
        CPlanDlg& w = *In(d).m_pPlanDlg;
        EXPECT_TRUE(w.LoadFile(WritePlan(planText)));
        // Run is clicked while the read-back holds the line: the plan waits for it.
        EXPECT_TRUE(ui::test::Click(w, IDC_PLAN_RUN));
        EXPECT_TRUE(w.Running());
        if (during)
            during(w);
        EXPECT_TRUE(WaitFor([&] { return !w.Running(); }, 20000));
        return w;
    }
};

TEST_F(PlanWindowWithEmulator, RunsEveryStepToTheEndAndThePanelShowsTheLast) {
    ServedEmulator sim(m_ports.Dir(), 2);
    RunConsole([&](CConsoleDlg& d) {
        bool sawDwell = false;
        CPlanDlg& w =
            RunToEnd(d,
                     R"j({"name": "three", "steps": [
                 {"name": "bars", "timing": "1920x1080p(50)", "pattern": "RedScreen"},
                 {"name": "deep", "color_depth": "10bit", "dwell_s": 0.4},
                 {"name": "uhd", "timing": "3840x2160p(30)", "hdcp": "on"}]})j",
                     [&](CPlanDlg& w) {
                         sawDwell = WaitFor(
                             [&] {
                                 return w.GetDlgItemText(IDC_PLAN_CURRENT)
                                            .find("Step 2 of 3: deep - dwell") != std::string::npos;
                             },
                             10000);
                     });
        EXPECT_TRUE(sawDwell) << w.GetDlgItemText(IDC_PLAN_CURRENT);
        const plan::RunReport& r = *w.Report();
        EXPECT_EQ(r.result, plan::RunResult::Pass) << plan::ReportJson(r);
        ASSERT_EQ(r.Count(plan::StepResult::Pass), 3u) << plan::ReportJson(r);
        EXPECT_EQ(r.port, "COM2");
        EXPECT_GE(r.steps[1].durationMs, 400);
        // What the generator holds, and the panel and the pages show it as it reported it.
        EXPECT_EQ(r.steps[1].reported[0].code, 1); // 10 bits, until the 4K timing fixes it
        EXPECT_EQ(sim.Settings().nHdcp, 1);
        EXPECT_EQ(sim.Settings().nPattern, r.steps[0].reported[1].code);
        EXPECT_NE(In(d).m_strTiming.find("3840x2160"), std::string::npos) << In(d).m_strTiming;
        EXPECT_EQ(In(d).m_settingPage.m_nHdcp, 1);
        const std::vector<std::string> lines =
            testsupport::NonEmptyLines(w.GetDlgItemText(IDC_PLAN_STEPS));
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_NE(lines[2].find("pass      uhd"), std::string::npos) << lines[2];
        EXPECT_TRUE(w.IsDlgItemEnabled(IDC_PLAN_SAVE));
        EXPECT_TRUE(Boxes().empty());
    });
}

TEST_F(PlanWindowWithEmulator, ARefusedStepFailsWithItsReasonAndTheRunGoesOn) {
    ServedEmulator sim(m_ports.Dir(), 2);
    RunConsole([&](CConsoleDlg& d) {
        CPlanDlg& w = RunToEnd(d, R"j({"steps": [{"name": "uhd60", "timing": "3840x2160p(60)"},
                                                 {"name": "rgb", "color_space": 0},
                                                 {"name": "back", "timing": "1920x1080p(60)"}]})j");
        const plan::RunReport& r = *w.Report();
        EXPECT_EQ(r.result, plan::RunResult::Fail) << plan::ReportJson(r);
        EXPECT_EQ(r.steps[1].result, plan::StepResult::Fail);
        EXPECT_NE(r.steps[1].message.find("When in 4K(60Hz/50Hz) mode"), std::string::npos)
            << r.steps[1].message;
        EXPECT_EQ(r.steps[2].result, plan::StepResult::Pass);
        EXPECT_EQ(sim.Settings().nTiming, r.steps[2].reported[0].code);
        EXPECT_NE(w.GetDlgItemText(IDC_PLAN_STEPS).find("fail      rgb  - color_space"),
                  std::string::npos)
            << w.GetDlgItemText(IDC_PLAN_STEPS);
    });
}

TEST_F(PlanWindowWithEmulator, AGeneratorThatVanishesStopsTheRunAndTheReportSaysWhereAndWhy) {
    auto sim = std::make_unique<ServedEmulator>(m_ports.Dir(), 2);
    RunConsole([&](CConsoleDlg& d) {
        CPlanDlg& w =
            RunToEnd(d,
                     R"({"steps": [{"name": "a", "pattern": "RedScreen"},
                          {"name": "b", "pattern": "GreenScreen", "dwell_s": 30},
                          {"name": "c", "pattern": "BlueScreen"}]})",
                     [&](CPlanDlg& w) {
                         ASSERT_TRUE(WaitFor(
                             [&] {
                                 return w.GetDlgItemText(IDC_PLAN_CURRENT).find("dwell") !=
                                        std::string::npos;
                             },
                             10000));
                         sim.reset(); // the generator goes away mid-dwell
                     });
        const plan::RunReport& r = *w.Report();
        EXPECT_EQ(r.result, plan::RunResult::Error);
        EXPECT_EQ(r.stoppedAt, 2u);
        EXPECT_NE(r.stopReason.find("step 2: The connection to COM2 was lost."), std::string::npos)
            << r.stopReason;
        EXPECT_EQ(r.steps[0].result, plan::StepResult::Pass);
        EXPECT_EQ(r.steps[1].result, plan::StepResult::Error);
        EXPECT_FALSE(r.steps[2].ran);
        EXPECT_NE(r.steps[2].message.find("not run: step 2"), std::string::npos);
        // The report is kept for saving, and the window says how the run ended.
        EXPECT_TRUE(w.IsDlgItemEnabled(IDC_PLAN_SAVE));
        EXPECT_NE(w.GetDlgItemText(IDC_PLAN_MESSAGE).find("Finished: error"), std::string::npos)
            << w.GetDlgItemText(IDC_PLAN_MESSAGE);
        EXPECT_EQ(d.m_bPortOpen, 0);
    });
}
