// What the console does when the generator's answers do not come as they should: settings it did
// not acknowledge, and the wait for the generator to come back after a reset. Either ends in a
// status read-back, so that the panel and the pages show what the generator holds.
#include "app/console_dlg.h"

#include "link/command_words.h"

#include <string>

std::string CConsoleDlg::PortName() const {
    return "COM" + std::to_string(m_nPort);
}

std::string CConsoleDlg::SettingNames(const std::vector<std::uint16_t>& words) {
    std::string names;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            names += i + 1 == words.size() ? " and " : ", ";
        const char* name = cmd::CommandName(words[i]);
        names += std::string("\"") + (name ? name : "a setting") + "\"";
    }
    return names;
}

bool CConsoleDlg::ExpectsAnswers() const {
    // Follow-up queries still due wait for the next frame sent, not for the generator.
    return m_bSearching == 1 || m_bReadingStatus == 1 || m_bReadingEdid == 1 ||
           m_pending.AnyJudged() || m_bResetWait;
}

void CConsoleDlg::OnConfirmTimer() {
    KillTimer(kTimerConfirm);
    const std::vector<std::uint16_t> overdue = m_pending.Overdue();
    if (overdue.empty() || m_bPortOpen == 0)
        return;
    // The read-back finds out what the generator holds; what it ends with says the rest.
    m_unconfirmed.insert(m_unconfirmed.end(), overdue.begin(), overdue.end());
    if (m_bSearching == 0 && m_bReadingEdid == 0 && m_bReadingStatus == 0) {
        StartReadBack(exchange::kReadBackIntervalMs, ReadBack::Confirm);
        return;
    }
    const std::string names = SettingNames(m_unconfirmed);
    m_unconfirmed.clear();
    Tell("The generator on " + PortName() + " did not confirm " + names +
         ". Click \"Update Status\" on the Timing Details page to see what it holds.");
}

void CConsoleDlg::ResetSent() {
    // The generator restores its defaults and may take a while to answer again: it is asked for
    // its state a second from now, then every half second until it answers, up to a bound.
    m_bResetWait = true;
    m_nResetPolls = 0;
    SetTimer(kTimerResetWait, kResetFirstWaitMs);
}

void CConsoleDlg::OnResetWaitTimer() {
    KillTimer(kTimerResetWait);
    if (!m_bResetWait || m_bPortOpen == 0)
        return;
    // Another exchange holds the line: the read-back waits its turn.
    if (m_bSearching == 1 || m_bReadingEdid == 1 || m_bReadingStatus == 1) {
        SetTimer(kTimerResetWait, kResetPollMs);
        return;
    }
    ++m_nResetPolls;
    StartReadBack(exchange::kReadBackIntervalMs, ReadBack::Reset);
}

void CConsoleDlg::EndResetWait() {
    m_bResetWait = false;
    m_nResetPolls = 0;
    KillTimer(kTimerResetWait);
}
