// The plan window as the operator uses it, with the test hooks' timers: opened from the system
// menu or F3, a run that waits for the read-back under way, pauses when the operator clicks on the
// console, confirms each setting by the generator's report, takes the operator's verdict and note,
// and saves its report as JSON or JUnit XML; a plan made from the EDID on the TV EDID page.
#include "app/plan_dlg.h"
#include "link/catalogue.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/console_internals.h"
#include "support/pty_peer.h"
#include "unit/edid_test_images.h"

#include <fstream>
#include <sstream>

using testsupport::ConsoleFixture;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The command word of the last request the console sent.
std::uint16_t LastSent(CConsoleDlg& d) {
    return static_cast<std::uint16_t>(In(d).m_abTxFrame[frame::kWordAt] |
                                      In(d).m_abTxFrame[frame::kWordAt + 1] << 8);
}

} // namespace

class PlanWindow : public ConsoleFixture {
protected:
    std::string WritePlan(const std::string& text) {
        const std::string path = InExeDir("plan.json");
        std::ofstream(path) << text;
        return path;
    }
};

TEST_F(PlanWindow, WaitsForTheReadBackPausesOnAConsoleClickAndTakesTheVerdict) {
    RunConsole([&](CConsoleDlg& d) {
        ASSERT_TRUE(ui::test::ChooseSystemMenuItem(d, "&Plan...\tF3"));
        ASSERT_TRUE(In(d).m_pPlanDlg);
        CPlanDlg& w = *In(d).m_pPlanDlg;
        EXPECT_TRUE(w.IsModeless());
        ASSERT_TRUE(ui::test::Click(w, ui::IDCANCEL));
        EXPECT_TRUE(ui::test::PressKey(d, IDC_SEARCH_DEVICE, ui::VK_F3));
        EXPECT_TRUE(w.IsWindowVisible());

        ui::test::SetOpenFileAnswer(WritePlan(
            R"({"name": "bench", "steps": [{"name": "red", "pattern": "RedScreen"},
                                          {"name": "look", "prompt": "Is the screen red?"}]})"));
        ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_OPEN));
        EXPECT_EQ(w.GetPlan().steps.size(), 2u);
        EXPECT_FALSE(w.IsDlgItemEnabled(IDC_PLAN_SAVE));

        // The connection's read-back holds the line: the plan's first setting waits for its end.
        testsupport::PtyPeer peer(m_ports, 1);
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bReadingStatus, 1);
        ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_RUN));
        EXPECT_NE(w.GetDlgItemText(IDC_PLAN_CURRENT).find("waiting for the exchange"),
                  std::string::npos);
        EXPECT_NE(LastSent(d), cmd::SetPattern);
        FeedReply(d, cmd::QueryTiming, {0});
        ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerExchange));
        ui::test::ClearMessageBoxes();
        ASSERT_TRUE(ui::test::FireTimer(w, CPlanDlg::kTimerLineFree));
        EXPECT_EQ(LastSent(d), cmd::SetPattern);

        // The operator clicks on the console while the setting is under way: the plan pauses
        // once the setting is confirmed, and says why.
        ASSERT_TRUE(ui::test::Click(d, IDC_SIGNAL_OFF));
        EXPECT_TRUE(w.Paused());
        EXPECT_NE(w.GetDlgItemText(IDC_PLAN_MESSAGE).find("the console was used"),
                  std::string::npos);
        // The click's frame swept the acknowledgement away: the value is asked for regardless.
        ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerPlanAnswer));
        EXPECT_EQ(LastSent(d), cmd::QueryPattern);
        // The old value and no acknowledgement: the setting may never have gone out, so it is
        // sent once more before it counts as different.
        FeedReply(d, cmd::QueryPattern, {0});
        ui::ProcessEvents(20);
        EXPECT_EQ(LastSent(d), cmd::SetPattern);
        ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerPlanAnswer));
        EXPECT_EQ(LastSent(d), cmd::QueryPattern);
        FeedReply(d, cmd::QueryPattern, {3});
        ui::ProcessEvents(20);
        EXPECT_EQ(w.Report()->steps[0].result, plan::StepResult::Pass);
        EXPECT_EQ(In(d).m_patternPage.m_nPattern, 3); // the page shows what was reported
        EXPECT_FALSE(w.IsDlgItemEnabled(IDC_PLAN_PASS));
        EXPECT_EQ(w.GetDlgItemText(IDC_PLAN_RUN), "Go on");

        ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_RUN));
        ui::ProcessEvents(20);
        EXPECT_EQ(w.GetDlgItemText(IDC_PLAN_PROMPT), "Is the screen red?");
        ASSERT_TRUE(w.IsDlgItemEnabled(IDC_PLAN_FAIL));
        w.SetDlgItemText(IDC_PLAN_NOTE, "a green edge");
        ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_FAIL));
        ASSERT_FALSE(w.Running());
        const plan::StepRecord& judged = w.Report()->steps[1];
        EXPECT_EQ(judged.verdict, plan::Verdict::Fail);
        EXPECT_EQ(judged.message, "judged failed by the operator: a green edge");

        // Saved in the form the chosen name asks for.
        for (const char* name : {"report.json", "report.xml"}) {
            ui::test::SetSaveFileAnswer(InExeDir(name));
            ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_SAVE));
        }
        const std::string json = ReadFile(InExeDir("report.json"));
        EXPECT_NE(json.find("\"result\": \"fail\""), std::string::npos) << json;
        EXPECT_NE(json.find("\"note\": \"a green edge\""), std::string::npos) << json;
        EXPECT_NE(ReadFile(InExeDir("report.xml")).find("<failure message=\"judged failed"),
                  std::string::npos);
    });
}

TEST_F(PlanWindow, PlanFromTheEdidOnTheEdidPageAndRefusedFiles) {
    RunConsole([&](CConsoleDlg& d) {
        d.ShowPlan();
        CPlanDlg& w = *In(d).m_pPlanDlg;
        ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_FROM_EDID));
        EXPECT_NE(w.GetDlgItemText(IDC_PLAN_MESSAGE).find("shows no EDID"), std::string::npos);

        const edid::Image image = edid_test::Television4K();
        In(d).m_edidPage.ShowReadImage(image.data(), 0);
        ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_FROM_EDID));
        ASSERT_GT(w.GetPlan().steps.size(), 2u);
        EXPECT_EQ(w.GetPlan().steps[0].settings[0].key, "output");
        EXPECT_EQ(w.GetPlan().steps[1].settings[0].key, "timing");

        // A plan the reader refuses leaves the one shown in place, and says why.
        EXPECT_FALSE(w.LoadFile(WritePlan(R"({"steps": [{"patern": "SMPTE"}]})")));
        EXPECT_NE(w.GetDlgItemText(IDC_PLAN_MESSAGE).find("step 1"), std::string::npos);
        EXPECT_GT(w.GetPlan().steps.size(), 2u);
        // Not connected: Run says so and starts nothing.
        ASSERT_TRUE(ui::test::Click(w, IDC_PLAN_RUN));
        EXPECT_FALSE(w.Running());
        EXPECT_EQ(w.GetDlgItemText(IDC_PLAN_MESSAGE), "Com port is not on yet.");
    });
}
