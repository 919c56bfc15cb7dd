// The console's side of a plan run: the plan window, and a plan's setting sent as a click sends
// it and confirmed by the generator's report. The setting goes out through the frame builder; once
// the generator acknowledges it, the console asks for the value, and the reply handlers show it on
// the panel and the pages as they show any report before the plan window is told what it was.
#include "app/console_dlg.h"

#include "app/plan_dlg.h"
#include "link/command_words.h"
#include "link/exchanges.h"
#include "link/setting_keys.h"
#include "link/setting_rules.h"
#include "res/resource.h"

void CConsoleDlg::ShowPlan() {
    if (!m_pPlanDlg)
        m_pPlanDlg = std::make_unique<CPlanDlg>(static_cast<CPlanConsole&>(*this));
    m_pPlanDlg->Open(this);
}

void CConsoleDlg::OpenPlanAtStart(const std::string& path) {
    m_strStartPlan = path;
}

ui::LRESULT CConsoleDlg::OnOpenStartPlan(ui::WPARAM, ui::LPARAM) {
    ShowPlan();
    m_pPlanDlg->LoadFile(m_strStartPlan);
    return 0;
}

void CConsoleDlg::WatchOperator(ui::Dialog& dialog) {
    // A choice made on the console while a plan runs: the plan pauses rather than undo it.
    // Switching tabs and typing only look or prepare; clicks and list choices act.
    const bool main = &dialog == this;
    dialog.SetNotifyObserver([this, main](int id, ui::Notify notify) {
        const bool acts = notify == ui::Notify::Clicked || notify == ui::Notify::SelEndOk ||
                          (notify == ui::Notify::SelChange && !(main && id == IDC_TAB));
        if (m_pPlanDlg && acts)
            m_pPlanDlg->OperatorActed();
    });
}

void CConsoleDlg::PlanConnectionEnded(const std::string& reason) {
    if (m_pPlanDlg)
        m_pPlanDlg->GeneratorLost(reason);
}

bool CConsoleDlg::ExchangeRunning() const {
    return m_bSearching == 1 || m_bReadingStatus == 1 || m_bReadingEdid == 1;
}

bool CConsoleDlg::PlanPortOpen() const {
    return m_bPortOpen != 0;
}

std::string CConsoleDlg::PlanPortName() const {
    return PortName();
}

bool CConsoleDlg::ShownEdid(edid::Image& image) const {
    if (!m_edidPage.HasImage())
        return false;
    std::copy(m_edidPage.m_abEdid, m_edidPage.m_abEdid + image.size(), image.begin());
    return true;
}

void CConsoleDlg::ApplyPlanSetting(const std::string& key, const std::string& value) {
    m_planSetting = PlanSetting();
    const bool hdmi = IsHdmiOutput();
    std::string error;
    if (client::IsSwitch(key)) {
        bool first = true;
        if (!client::ParseSwitch(key, value, first, error)) {
            EndPlanSetting({client::Outcome::Refused, key + " " + value + ": " + error});
            return;
        }
        const bool output = key == "output";
        m_planSetting.setWord = output ? cmd::SetOutputInterface : cmd::SetSignalOutput;
        m_planSetting.queryWord = output ? cmd::QueryOutputInterface : cmd::QuerySignalOutput;
        m_planSetting.isSwitch = true;
        m_planSetting.code = first ? 0 : 1;
        m_planSetting.name = output ? (first ? "hdmi" : "sdi") : (first ? "on" : "off");
    } else {
        const client::CKeyInfo* info = client::FindKey(key);
        int code = 0;
        if (info == nullptr) {
            EndPlanSetting({client::Outcome::Refused, "unknown KEY " + key});
            return;
        }
        if (!client::ParseValue(info->key, value, hdmi, code, error)) {
            EndPlanSetting({client::Outcome::Refused, key + " " + value + ": " + error});
            return;
        }
        // Refused as the pages refuse it, by what the generator last reported.
        client::CRuleState state;
        state.bHdmiOutput = hdmi;
        state.nTiming = TimingCode();
        if (m_settingPage.m_nOutputMode >= 0)
            state.nHdmiDvi = m_settingPage.m_nOutputMode;
        m_planSetting.name = client::CodeName(info->key, code, hdmi);
        const std::string refusal = client::Refusal(*info, code, state);
        if (!refusal.empty()) {
            EndPlanSetting(
                {client::Outcome::Refused,
                 key + " " +
                     (m_planSetting.name.empty() ? std::to_string(code) : m_planSetting.name) +
                     " refused: " + refusal});
            return;
        }
        m_planSetting.setWord = client::SetWord(*info, hdmi);
        m_planSetting.queryWord = client::QueryWord(*info, hdmi);
        m_planSetting.key = info->key;
        m_planSetting.hdmi = hdmi;
        m_planSetting.code = code;
    }
    m_planSetting.keyName = key;
    SendPlanSetting();
}

void CConsoleDlg::SendPlanSetting() {
    const std::uint8_t payload = static_cast<std::uint8_t>(m_planSetting.code);
    ++m_planSetting.sends;
    m_planSetting.queries = 0;
    if (!SendCommandData(m_planSetting.setWord, 1, &payload)) {
        EndPlanSetting({client::Outcome::PortError, PortName() + " is not open"});
        return;
    }
    m_planSetting.stage = PlanSetting::Stage::Acknowledge;
    SetTimer(kTimerPlanAnswer, kConfirmWindowMs);
}

void CConsoleDlg::CancelPlanSetting() {
    m_planSetting = PlanSetting();
    KillTimer(kTimerPlanAnswer);
}

void CConsoleDlg::PlanAcknowledged(std::uint16_t word) {
    if (m_planSetting.stage != PlanSetting::Stage::Acknowledge || word != m_planSetting.setWord)
        return;
    m_planSetting.acknowledged = true;
    AskPlanValue();
}

// The value the generator holds now, asked as the read-back asks it.
void CConsoleDlg::AskPlanValue() {
    m_planSetting.stage = PlanSetting::Stage::Report;
    ++m_planSetting.queries;
    SetTimer(kTimerPlanAnswer, exchange::kReadBackIntervalMs);
    if (!SendCommand(m_planSetting.queryWord))
        EndPlanSetting({client::Outcome::PortError, PortName() + " is not open"});
}

void CConsoleDlg::PlanReported(std::uint16_t word, int value) {
    if (m_planSetting.stage != PlanSetting::Stage::Report || word != m_planSetting.queryWord)
        return;
    client::SetDone done;
    done.code = m_planSetting.code;
    done.name = m_planSetting.name;
    // A switch reads any value but 0 as its second state.
    const bool same = m_planSetting.isSwitch ? (value == 0) == (m_planSetting.code == 0)
                                             : value == m_planSetting.code;
    if (same) {
        EndPlanSetting(client::Result(), done);
        return;
    }
    // The link holds one frame to transmit, and a frame the console writes before it went out
    // takes its place: a setting that was never acknowledged and did not change the value may
    // never have reached the generator, so it is sent once more before it counts as different.
    if (!m_planSetting.acknowledged && m_planSetting.sends < 2) {
        SendPlanSetting();
        return;
    }
    auto described = [](int code, const std::string& name) {
        return name.empty() ? std::to_string(code) : std::to_string(code) + " (" + name + ")";
    };
    const std::string reported =
        m_planSetting.isSwitch
            ? std::string(value == 0
                              ? (m_planSetting.setWord == cmd::SetOutputInterface ? "hdmi" : "on")
                              : (m_planSetting.setWord == cmd::SetOutputInterface ? "sdi" : "off"))
            : described(value, client::CodeName(m_planSetting.key, value, m_planSetting.hdmi));
    EndPlanSetting({client::Outcome::Different,
                    PortName() + ": " + m_planSetting.keyName + ": sent " +
                        (m_planSetting.isSwitch ? m_planSetting.name
                                                : described(m_planSetting.code, done.name)) +
                        ", the generator reports " + reported});
}

void CConsoleDlg::OnPlanAnswerTimer() {
    KillTimer(kTimerPlanAnswer);
    if (m_planSetting.stage == PlanSetting::Stage::None)
        return;
    // Every frame sent empties what came in unread: a follow-up query of the console's own (after
    // a read-back, after a reply) may have swept the answer away. The generator's report decides,
    // so the value is asked for even without the acknowledgement, and asked again when its reply
    // does not come; only a generator silent to all of it has not answered.
    if (m_planSetting.queries < kPlanQueries) {
        AskPlanValue();
        return;
    }
    EndPlanSetting({client::Outcome::NoAnswer,
                    PortName() + ": no answer to the " + m_planSetting.keyName + " setting"});
}

void CConsoleDlg::EndPlanSetting(const client::Result& result, const client::SetDone& done) {
    m_planSetting = PlanSetting();
    KillTimer(kTimerPlanAnswer);
    if (m_pPlanDlg)
        m_pPlanDlg->SettingFinished(result, done);
}
