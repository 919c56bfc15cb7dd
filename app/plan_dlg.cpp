#include "app/plan_dlg.h"

#include "app/whole_file.h"
#include "edid/edid_model.h"
#include "plan/edid_plan.h"
#include "plan/plan_reader.h"
#include "plan/report_json.h"
#include "plan/report_junit.h"
#include "res/art.h"
#include "res/resource.h"
#include "res/templates.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "0:07", "12:30", "1:02:03".
std::string Clock(std::int64_t us) {
    const long long s = us / 1000000;
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

} // namespace

CPlanDlg::CPlanDlg(CPlanConsole& console) : ui::Dialog(PlanTemplate()), m_console(console) {}

const ui::HandlerEntry* CPlanDlg::GetHandlerTable() const {
    static const ui::HandlerEntry kTable[] = {
        UI_ON_CLICKED(IDC_PLAN_OPEN, CPlanDlg, OnOpen),
        UI_ON_CLICKED(IDC_PLAN_FROM_EDID, CPlanDlg, OnFromEdid),
        UI_ON_CLICKED(IDC_PLAN_RUN, CPlanDlg, OnRun),
        UI_ON_CLICKED(IDC_PLAN_PAUSE, CPlanDlg, OnPause),
        UI_ON_CLICKED(IDC_PLAN_STOP, CPlanDlg, OnStop),
        UI_ON_CLICKED(IDC_PLAN_PASS, CPlanDlg, OnPass),
        UI_ON_CLICKED(IDC_PLAN_FAIL, CPlanDlg, OnFail),
        UI_ON_CLICKED(IDC_PLAN_SAVE, CPlanDlg, OnSave),
        UI_ON_MESSAGE(ui::WM_TIMER, CPlanDlg, OnTimer),
        UI_ON_MESSAGE(WM_PLAN_NEXT, CPlanDlg, OnNext),
        UI_END_HANDLERS,
    };
    return kTable;
}

void CPlanDlg::Open(ui::Dialog* owner) {
    if (!IsCreated()) {
        CreateModeless(owner);
        return;
    }
    ShowWindow(true);
}

bool CPlanDlg::OnInitDialog() {
    ApplyTemplateResources(*this);
    ui::Dialog::OnInitDialog();
    SetDlgItemFont(IDC_PLAN_STEPS, "Courier New", 9);
    SetDlgItemFont(IDC_PLAN_HEADER, "Courier New", 9);
    SetDlgItemText(IDC_PLAN_HEADER, "    #  State     Step");
    if (const ui::Dialog* owner = GetParentDialog())
        PlaceBeside(*owner);
    ShowSteps();
    ShowCurrent();
    ShowButtons();
    return true;
}

// --- The plan -------------------------------------------------------------------------------

bool CPlanDlg::LoadFile(const std::string& path) {
    if (Running())
        return false;
    const plan::ReadResult read = plan::ReadPlanFile(path);
    if (!read.ok) {
        Say("The plan was not opened: " + read.error);
        return false;
    }
    m_openDir = whole_file::FolderOf(path);
    SetPlan(read.plan, read.plan.name + "  (" + path + ")");
    return true;
}

bool CPlanDlg::LoadFromShownEdid() {
    if (Running())
        return false;
    edid::Image image{};
    if (!m_console.ShownEdid(image)) {
        Say("The TV EDID page shows no EDID: read one or open an EDID file there first.");
        return false;
    }
    const edid::EdidModel model = edid::DecodeEdidModel(image);
    plan::EdidPlanOptions options;
    options.name = "Timings of the EDID of " + (model.hasProductName && !model.productName.empty()
                                                    ? model.productName
                                                    : std::string("the TV EDID page"));
    const plan::EdidCoverage coverage = plan::Cover(plan::ClaimsOf(model));
    const plan::ReadResult read =
        plan::ReadPlan(plan::EdidPlanJson(coverage, options), "the TV EDID page");
    if (!read.ok) {
        Say("No plan could be made from this EDID: " + read.error);
        return false;
    }
    SetPlan(read.plan, read.plan.name);
    if (!coverage.notCovered.empty())
        Say(std::to_string(coverage.notCovered.size()) +
            " timings the EDID claims are not among the generator's and have no step.");
    return true;
}

void CPlanDlg::SetPlan(plan::Plan plan, const std::string& shownName) {
    m_runner.reset(); // it refers to the plan it ran
    m_plan = std::move(plan);
    m_eDoing = Doing::Nothing;
    m_bPaused = false;
    m_runStartUs = m_runEndUs = 0;
    SetDlgItemText(IDC_PLAN_NAME, shownName);
    Say(std::string());
    ShowSteps();
    ShowCurrent();
    ShowElapsed();
    ShowButtons();
}

// --- The run --------------------------------------------------------------------------------

void CPlanDlg::OnRun() {
    if (m_plan.steps.empty())
        return;
    if (Running()) {
        if (!m_bPaused)
            return;
        m_bPaused = false; // Run goes on after a pause
        Say(std::string());
        ShowButtons();
        QueueNext();
        return;
    }
    if (!m_console.PlanPortOpen()) {
        Say("Com port is not on yet.");
        return;
    }
    Start();
}

void CPlanDlg::Start() {
    m_runner = std::make_unique<plan::CPlanRunner>(m_plan);
    m_runner->SetPort(m_console.PlanPortName());
    m_runner->OnStepEnd([this](const plan::StepRecord&) { m_bStepsDirty = true; });
    m_bPaused = false;
    m_bSettingInterrupted = false;
    m_eDoing = Doing::Nothing;
    m_runStartUs = NowUs();
    m_runEndUs = 0;
    m_nCurrent = 0;
    Say(std::string());
    SetTimer(kTimerClock, kClockMs);
    Advance();
}

void CPlanDlg::QueueNext() {
    if (m_bNextQueued)
        return;
    m_bNextQueued = true;
    PostMessage(WM_PLAN_NEXT);
}

ui::LRESULT CPlanDlg::OnNext(ui::WPARAM, ui::LPARAM) {
    m_bNextQueued = false;
    Advance();
    return 0;
}

void CPlanDlg::Advance() {
    if (!m_runner || m_bPaused || (m_eDoing != Doing::Nothing && m_eDoing != Doing::WaitingForLine))
        return;
    const plan::Action& a = m_runner->Next();
    m_nCurrent = a.step;
    switch (a.kind) {
    case plan::Action::Kind::Set:
        // A search, a read-back or an EDID read takes every reply: the setting waits for its end.
        if (m_console.ExchangeRunning()) {
            m_eDoing = Doing::WaitingForLine;
            SetTimer(kTimerLineFree, kLineFreePollMs);
            break;
        }
        KillTimer(kTimerLineFree);
        m_eDoing = Doing::Setting;
        m_console.ApplyPlanSetting(a.key, a.value);
        break;
    case plan::Action::Kind::Wait: {
        m_eDoing = Doing::Dwelling;
        m_dwellUntilUs = a.untilUs;
        ArmDwell();
        break;
    }
    case plan::Action::Kind::Ask:
        m_eDoing = Doing::Asking;
        SetDlgItemText(IDC_PLAN_PROMPT, a.prompt);
        SetDlgItemText(IDC_PLAN_NOTE, "");
        m_bStepsDirty = true;
        ShowSteps();
        break;
    case plan::Action::Kind::Done:
        Finished();
        return;
    }
    ShowCurrent();
    ShowButtons();
}

void CPlanDlg::ArmDwell() {
    const std::int64_t leftUs = m_dwellUntilUs - NowUs();
    SetTimer(kTimerDwell, static_cast<int>(std::max<std::int64_t>(1, (leftUs + 999) / 1000)));
}

void CPlanDlg::SettingFinished(const client::Result& result, const client::SetDone& done) {
    if (!m_runner || m_eDoing != Doing::Setting)
        return;
    m_eDoing = Doing::Nothing;
    if (!result.Ok() && m_bSettingInterrupted && m_bPaused &&
        result.outcome == client::Outcome::NoAnswer) {
        // The operator's own frames may have taken the answer: the setting goes out again when
        // the run goes on.
        m_bSettingInterrupted = false;
        return;
    }
    m_bSettingInterrupted = false;
    m_runner->SetFinished(result, done);
    m_bStepsDirty = true;
    QueueNext();
}

ui::LRESULT CPlanDlg::OnTimer(ui::WPARAM wParam, ui::LPARAM) {
    const int id = static_cast<int>(wParam);
    if (id == kTimerClock) {
        ShowElapsed();
        ShowSteps();
        return 0;
    }
    KillTimer(id);
    if (!m_runner)
        return 0;
    if (id == kTimerDwell && m_eDoing == Doing::Dwelling) {
        // A window timer may fire a little early: the dwell is never cut short.
        if (NowUs() < m_dwellUntilUs) {
            ArmDwell();
            return 0;
        }
        m_eDoing = Doing::Nothing;
        m_runner->WaitFinished();
        Advance();
    } else if (id == kTimerLineFree && m_eDoing == Doing::WaitingForLine) {
        m_eDoing = Doing::Nothing;
        Advance();
    }
    return 0;
}

void CPlanDlg::OnPass() {
    Answer(plan::Verdict::Pass);
}

void CPlanDlg::OnFail() {
    Answer(plan::Verdict::Fail);
}

void CPlanDlg::Answer(plan::Verdict verdict) {
    if (!m_runner || m_eDoing != Doing::Asking)
        return;
    m_eDoing = Doing::Nothing;
    const std::string note = GetDlgItemText(IDC_PLAN_NOTE);
    SetDlgItemText(IDC_PLAN_PROMPT, "");
    SetDlgItemText(IDC_PLAN_NOTE, "");
    m_runner->Answered(verdict, note);
    m_bStepsDirty = true;
    Advance();
}

void CPlanDlg::OnPause() {
    if (!Running() || m_bPaused)
        return;
    m_bPaused = true;
    m_bSettingInterrupted = m_eDoing == Doing::Setting;
    Say("Paused. Click Run to go on.");
    ShowButtons();
}

void CPlanDlg::OperatorActed() {
    if (!Running() || m_bPaused)
        return;
    OnPause();
    Say("Paused: the console was used during the run. Click Run to go on, or Stop.");
}

void CPlanDlg::OnStop() {
    if (!Running())
        return;
    if (m_eDoing == Doing::Setting)
        m_console.CancelPlanSetting();
    m_runner->Abort("stopped by the operator");
    Finished();
}

void CPlanDlg::GeneratorLost(const std::string& reason) {
    if (!Running())
        return;
    if (m_eDoing == Doing::Setting)
        m_console.CancelPlanSetting();
    client::Result lost;
    lost.outcome = client::Outcome::PortError;
    lost.message = reason;
    m_runner->Error(lost);
    Finished();
}

void CPlanDlg::Finished() {
    KillTimer(kTimerDwell);
    KillTimer(kTimerLineFree);
    KillTimer(kTimerClock);
    m_eDoing = Doing::Nothing;
    m_bPaused = false;
    m_runEndUs = NowUs();
    SetDlgItemText(IDC_PLAN_PROMPT, "");
    const plan::RunReport& r = m_runner->Report();
    std::string text = std::string("Finished: ") + plan::RunResultName(r.result) + " (" +
                       std::to_string(r.Count(plan::StepResult::Pass)) + " passed, " +
                       std::to_string(r.Count(plan::StepResult::Fail)) + " failed, " +
                       std::to_string(r.Count(plan::StepResult::Error)) + " in error, " +
                       std::to_string(r.Count(plan::StepResult::Skipped)) + " skipped).";
    if (!r.stopReason.empty())
        text += " " + r.stopReason;
    Say(text);
    m_bStepsDirty = true;
    ShowSteps();
    ShowCurrent();
    ShowElapsed();
    ShowButtons();
}

// --- What the window shows ------------------------------------------------------------------

std::string CPlanDlg::StepState(std::size_t index) const {
    if (!m_runner)
        return "";
    const plan::StepRecord& r = m_runner->Report().steps[index];
    if (Running() && index == m_nCurrent && r.ran) {
        switch (m_eDoing) {
        case Doing::WaitingForLine:
        case Doing::Setting:
            return "setting";
        case Doing::Dwelling:
            return "dwell";
        case Doing::Asking:
            return "asking";
        case Doing::Nothing:
            return "running";
        }
    }
    if (!r.ran)
        return Running() && r.message == "not run" ? "-" : "not run";
    return plan::ResultName(r.result);
}

void CPlanDlg::ShowSteps() {
    if (!IsCreated())
        return;
    m_bStepsDirty = false;
    std::string text;
    text.reserve(m_plan.steps.size() * 48);
    for (std::size_t i = 0; i < m_plan.steps.size(); ++i) {
        const bool current = Running() && i == m_nCurrent;
        // "> 12  pass      name": the marker, the number right-aligned, the state in a column.
        const std::string number = std::to_string(i + 1);
        std::string state = StepState(i);
        text += current ? ">" : " ";
        text += std::string(number.size() < 4 ? 4 - number.size() : 0, ' ') + number + "  ";
        state.resize(std::max<std::size_t>(state.size(), 9), ' ');
        text += state + " ";
        text += m_plan.steps[i].name;
        if (m_runner && m_runner->Report().steps[i].ran &&
            !m_runner->Report().steps[i].message.empty())
            text += "  - " + m_runner->Report().steps[i].message;
        text += "\r\n";
    }
    if (text != GetDlgItemText(IDC_PLAN_STEPS))
        SetDlgItemText(IDC_PLAN_STEPS, text);
}

void CPlanDlg::ShowCurrent() {
    if (!IsCreated())
        return;
    std::string text;
    if (Running() && m_nCurrent < m_plan.steps.size()) {
        const plan::Step& step = m_plan.steps[m_nCurrent];
        text = "Step " + std::to_string(m_nCurrent + 1) + " of " +
               std::to_string(m_plan.steps.size()) + ": " + step.name;
        const plan::Action& a = m_runner->Next();
        switch (m_eDoing) {
        case Doing::WaitingForLine:
            text += " - waiting for the exchange under way to end";
            break;
        case Doing::Setting:
            text += " - setting " + a.key + " " + a.value;
            break;
        case Doing::Dwelling:
            text += " - dwell " + Clock(step.dwellMs * 1000);
            break;
        case Doing::Asking:
            text += " - your verdict, please";
            break;
        case Doing::Nothing:
            break;
        }
    } else if (!m_plan.steps.empty() && !m_runner) {
        text = std::to_string(m_plan.steps.size()) + " steps. Click Run to start.";
    }
    SetDlgItemText(IDC_PLAN_CURRENT, text);
}

void CPlanDlg::ShowElapsed() {
    if (!IsCreated())
        return;
    if (!m_runner) {
        SetDlgItemText(IDC_PLAN_ELAPSED, "");
        return;
    }
    const std::int64_t end = m_runEndUs != 0 ? m_runEndUs : NowUs();
    SetDlgItemText(IDC_PLAN_ELAPSED, "Elapsed " + Clock(end - m_runStartUs));
}

void CPlanDlg::ShowButtons() {
    if (!IsCreated())
        return;
    const bool running = Running();
    const bool asking = running && m_eDoing == Doing::Asking;
    EnableDlgItem(IDC_PLAN_OPEN, !running);
    EnableDlgItem(IDC_PLAN_FROM_EDID, !running);
    EnableDlgItem(IDC_PLAN_RUN, !m_plan.steps.empty() && (!running || m_bPaused));
    SetDlgItemText(IDC_PLAN_RUN, running && m_bPaused ? "Go on" : "Run");
    EnableDlgItem(IDC_PLAN_PAUSE, running && !m_bPaused);
    EnableDlgItem(IDC_PLAN_STOP, running);
    EnableDlgItem(IDC_PLAN_NOTE_LABEL, asking);
    EnableDlgItem(IDC_PLAN_NOTE, asking);
    EnableDlgItem(IDC_PLAN_PASS, asking);
    EnableDlgItem(IDC_PLAN_FAIL, asking);
    EnableDlgItem(IDC_PLAN_SAVE, m_runner != nullptr && m_runner->Report().startMs != 0);
}

void CPlanDlg::Say(const std::string& text) {
    if (IsCreated())
        SetDlgItemText(IDC_PLAN_MESSAGE, text);
}

// --- Files ----------------------------------------------------------------------------------

void CPlanDlg::OnOpen() {
    std::string path;
    if (!ui::GetOpenFileName(this, "Test plans (*.json)|*.json|All files (*.*)|*.*||", m_openDir,
                             path))
        return;
    LoadFile(path);
}

void CPlanDlg::OnFromEdid() {
    LoadFromShownEdid();
}

void CPlanDlg::OnSave() {
    if (!m_runner)
        return;
    std::string path;
    if (!ui::GetSaveFileName(this,
                             "JSON report (*.json)|*.json|JUnit XML report (*.xml)|*.xml|"
                             "All files (*.*)|*.*||",
                             m_saveDir, "plan-report.json", path))
        return;
    const bool junit = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".xml") == 0 ||
                                            path.compare(path.size() - 4, 4, ".XML") == 0);
    // The report as it stands: a run still under way is saved with the steps done so far.
    const plan::RunReport& report = m_runner->Report();
    const std::string failure =
        whole_file::Write(path, junit ? plan::ReportJunit(report) : plan::ReportJson(report));
    if (!failure.empty()) {
        MessageBox("The report could not be saved to " + path + ".\n" + failure);
        return;
    }
    m_saveDir = whole_file::FolderOf(path);
}
