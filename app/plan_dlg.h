// CPlanDlg: the modeless window that runs a test plan through the console. It shows the plan's
// steps with the state of each, runs them one action at a time from the console's event loop
// (each setting through the console as a click sends it, dwells on a timer, the operator's
// verdict from its Pass and Fail buttons), pauses when the operator works in the main dialog,
// and keeps the run's report to be saved as JSON or JUnit XML.
#pragma once

#include "app/plan_console.h"
#include "plan/plan.h"
#include "plan/plan_runner.h"
#include "platform/ui/dialog.h"

#include <cstdint>
#include <memory>
#include <string>

class CPlanDlg : public ui::Dialog {
public:
    static constexpr int kTimerDwell = 1;
    static constexpr int kTimerClock = 2;    // the elapsed time, while a run is under way
    static constexpr int kTimerLineFree = 3; // polls for an exchange to end before a setting
    static constexpr int kClockMs = 250;
    static constexpr int kLineFreePollMs = 100;
    // Posted to itself: takes the plan's next action once the handler running now has returned.
    static constexpr ui::UINT WM_PLAN_NEXT = ui::WM_USER + 0x110;

    explicit CPlanDlg(CPlanConsole& console);

    // Shows the window beside owner, creating it the first time.
    void Open(ui::Dialog* owner);

    // Reads a plan file and shows its steps; false (and the reason in the window) when refused.
    // Not while a run is under way.
    bool LoadFile(const std::string& path);
    // Builds the plan of the timings the EDID on the TV EDID page claims.
    bool LoadFromShownEdid();

    // What the console reports back.
    void SettingFinished(const client::Result& result, const client::SetDone& done);
    // The operator clicked a control of the console: a run under way pauses.
    void OperatorActed();
    // The port closed or the generator went away: a run under way stops with the reason.
    void GeneratorLost(const std::string& reason);

    bool Running() const { return m_runner && !m_runner->Finished(); }
    bool Paused() const { return m_bPaused; }
    const plan::Plan& GetPlan() const { return m_plan; }
    // The report of the last run (nullptr before any).
    const plan::RunReport* Report() const { return m_runner ? &m_runner->Report() : nullptr; }

    // Handlers (public so tests can drive them as the controls would).
    void OnOpen();
    void OnFromEdid();
    void OnRun();
    void OnPause();
    void OnStop();
    void OnPass();
    void OnFail();
    void OnSave();
    ui::LRESULT OnTimer(ui::WPARAM wParam, ui::LPARAM lParam);
    ui::LRESULT OnNext(ui::WPARAM wParam, ui::LPARAM lParam);

protected:
    bool OnInitDialog() override;
    const ui::HandlerEntry* GetHandlerTable() const override;

private:
    // What the window does now: the runner's action in progress.
    enum class Doing { Nothing, WaitingForLine, Setting, Dwelling, Asking };

    void SetPlan(plan::Plan plan, const std::string& shownName);
    void Start();
    // Takes the runner's actions until one has to wait (for the generator, a timer, the operator)
    // or the run is over.
    void Advance();
    void QueueNext();
    // The dwell timer, for what is left of the dwell.
    void ArmDwell();
    void Answer(plan::Verdict verdict);
    void Finished();
    void ShowSteps();
    void ShowCurrent();
    void ShowElapsed();
    void ShowButtons();
    void Say(const std::string& text);
    // The state word of a step in the list.
    std::string StepState(std::size_t index) const;

    CPlanConsole& m_console;
    plan::Plan m_plan;
    std::unique_ptr<plan::CPlanRunner> m_runner; // the run under way or the last one
    Doing m_eDoing = Doing::Nothing;
    bool m_bPaused = false;
    bool m_bNextQueued = false;
    // A setting was under way when the operator paused: a lost answer is not the generator's.
    bool m_bSettingInterrupted = false;
    bool m_bStepsDirty = false;      // a step changed since the list was last shown
    std::size_t m_nCurrent = 0;      // the step of the action under way
    std::int64_t m_dwellUntilUs = 0; // the end of the dwell under way (steady clock)
    std::int64_t m_runStartUs = 0;
    std::int64_t m_runEndUs = 0;
    std::string m_openDir;
    std::string m_saveDir;
};
