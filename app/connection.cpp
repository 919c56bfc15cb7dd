// Port connection and device search: the port button, the activity icon, the port combo, the
// search over COM1..COM99, and the timers that pace and time out every exchange.
#include "app/console_dlg.h"

#include "link/exchanges.h"
#include "link/command_words.h"
#include "platform/serial/open_failure.h"
#include "res/resource.h"

#include <string>

namespace {

constexpr int kTxBufferSize = 512;

} // namespace

bool CConsoleDlg::OpenPort() {
    const bool opened =
        m_link.Open(this, static_cast<unsigned>(m_nPort), static_cast<unsigned>(m_nBaudRate),
                    m_chParity, static_cast<unsigned>(m_nDataBits),
                    static_cast<unsigned>(m_nStopBits), m_nEventMask, kTxBufferSize);
    if (opened)
        m_conversation.PortOpened(m_nPort);
    return opened;
}

bool CConsoleDlg::OpenAndMonitor() {
    if (!OpenPort())
        return false;
    if (m_link.StartWorker())
        return true;
    // A port nobody watches would take frames that no reply ever answers.
    m_link.Close();
    return false;
}

void CConsoleDlg::ShowConnected() {
    m_bPortOpen = 1;
    SetDlgItemText(m_btnPort, "Close Port");
    SetDlgItemImage(m_iconActivity, m_hIconActive);
}

// The disconnected state, whatever led to it: the button offers to open the port, the activity
// icon is grey, and every command is refused as before a connection. What was awaited of the
// generator is forgotten.
void CConsoleDlg::ShowDisconnected() {
    m_bPortOpen = 0;
    SetDlgItemText(m_btnPort, "Turn on Port");
    SetDlgItemImage(m_iconActivity, m_hIconIdle);
    m_pending.Clear();
    KillTimer(kTimerConfirm);
    EndResetWait();
}

// Closes the connection: the worker closes the port.
void CConsoleDlg::Disconnect() {
    m_link.RequestStop();
    ShowDisconnected();
    PlanConnectionEnded(PortName() + " was closed");
}

// The message for a port that did not open, with a second line saying why when the system told
// more than that it is missing: no permission, or another program holds it.
void CConsoleDlg::ShowPortOpenFailure() {
    std::string text = "Can not find this port or used by other application";
    const std::string why =
        serial::ExplainOpenFailure(m_link.LastOpenError(), m_link.LastOpenDevice());
    if (!why.empty())
        text += "\n" + why;
    MessageBox(text);
}

void CConsoleDlg::ConnectedReadBackStart(int interval) {
    ui::Sleep(exchange::kSettleAfterOpenMs);
    StartReadBack(interval, ReadBack::Connect);
}

// The port button and the activity icon open or close the port alike, and both show the state
// the port is in.
void CConsoleDlg::TogglePort() {
    if (m_bPortOpen == 1) {
        Disconnect();
        return;
    }
    if (OpenAndMonitor()) {
        ShowConnected();
        ConnectedReadBackStart(exchange::kReadBackIntervalMs);
    } else {
        ShowDisconnected();
        ShowPortOpenFailure();
    }
}

void CConsoleDlg::OnPortButton() {
    TogglePort();
}

void CConsoleDlg::OnActivityIcon() {
    TogglePort();
}

void CConsoleDlg::OnPortComboSelEnd() {
    const bool wasConnected = m_bPortOpen == 1;
    if (m_link.IsOpen())
        m_link.RequestStop();
    m_nPort = ComboGetCurSel(m_comboPort) + 1;
    if (!wasConnected && OpenAndMonitor()) {
        ShowConnected();
        ConnectedReadBackStart(exchange::kReadBackIntervalMs);
        return;
    }
    // Choosing a port while connected disconnects (the next opening opens the new one); a port
    // that does not open leaves the console disconnected as well, and says why.
    ShowDisconnected();
    if (wasConnected) {
        if (OpenPort())
            m_link.Close(); // it exists: the next opening takes it
        else
            ShowPortOpenFailure();
        return;
    }
    ShowPortOpenFailure();
}

void CConsoleDlg::WriteSearchFrame() {
    const std::size_t size =
        frame::BuildRequest(m_abSearchFrame, m_address, cmd::Search, nullptr, 0);
    // A verdict belongs to the port it came from: each probe starts without one.
    m_rx.Reset(this);
    m_bDeviceFound = 0;
    m_link.Write(m_abSearchFrame, static_cast<int>(size), "search probe");
}

// Tries m_nPort and the ports after it; on the first that opens, sends the search frame there.
bool CConsoleDlg::TryNextSearchPort() {
    for (; m_nPort <= exchange::kLastCom; ++m_nPort) {
        if (OpenAndMonitor()) {
            WriteSearchFrame();
            return true;
        }
    }
    return false;
}

void CConsoleDlg::OnSearchDevice() {
    Disconnect();
    // The search replaces whatever exchange was running (its replies would outrank the search's).
    BeginExchange();

    m_bDeviceFound = 0;
    m_nPortBeforeSearch = m_nPort;
    m_nPort = exchange::kFirstCom;
    if (TryNextSearchPort()) {
        m_bSearching = 1;
        m_strSearchStatus = "Please wait.....";
        UpdateData(false);
        SetTimer(kTimerExchange, exchange::kFirstProbeMs);
        return;
    }
    m_nPort = 1;
    m_strSearchStatus = " ";
    UpdateData(false);
    MessageBox("Can not find available device for this console!");
}

ui::LRESULT CConsoleDlg::OnTimer(ui::WPARAM wParam, ui::LPARAM) {
    const int id = static_cast<int>(wParam);
    if (id == kTimerRepeatGuard) {
        m_bRepeatGuard = 0;
        KillTimer(kTimerRepeatGuard);
        return 0;
    }
    if (id == kTimerConfirm) {
        OnConfirmTimer();
        return 0;
    }
    if (id == kTimerResetWait) {
        OnResetWaitTimer();
        return 0;
    }
    if (id == kTimerPlanAnswer) {
        OnPlanAnswerTimer();
        return 0;
    }
    if (id != kTimerExchange)
        return 0;

    if (m_bSearching == 1 && m_bDeviceFound == 1) {
        ShowConnected();
        ComboSetCurSel(m_comboPort, m_nPort - 1);
        m_strSearchStatus = " ";
        m_bSearching = 0;
        StartReadBack(exchange::kReadBackAfterSearchMs, ReadBack::Connect);
        UpdateData(false);
    } else if (m_bSearching == 1) {
        RecordNoAnswer(m_abSearchFrame, frame::kOverhead, "search probe");
        m_link.RequestStop();
        ++m_nPort;
        if (TryNextSearchPort()) {
            SetTimer(kTimerExchange, exchange::kNextProbeMs);
        } else {
            m_bSearching = 0;
            KillTimer(kTimerExchange);
            m_nPort = m_nPortBeforeSearch;
            m_strSearchStatus = " ";
            UpdateData(false);
            MessageBox("Can not find available device for this console!");
        }
    } else if (m_bReadingStatus == 1) {
        KillTimer(kTimerExchange);
        ReadBackUnanswered();
    } else if (m_bReadingEdid == 1) {
        KillTimer(kTimerExchange);
        EdidReadUnanswered();
    } else {
        KillTimer(kTimerExchange);
    }
    return 0;
}

ui::LRESULT CConsoleDlg::OnLinkLost(ui::WPARAM wParam, ui::LPARAM lParam) {
    // A probed port that fails is one that did not answer: the search moves on at its timer.
    // Reports about a port the console has already left change nothing.
    if (m_bClosing || m_bSearching == 1 || m_bPortOpen == 0 ||
        lParam != static_cast<ui::LPARAM>(m_link.GetPortNumber()))
        return 0;
    const LinkNotification inNotification(*this);
    ShowDisconnected();
    if (m_bReadingStatus == 1 || m_bReadingEdid == 1)
        KillTimer(kTimerExchange);
    BeginExchange();
    const std::string port = "COM" + std::to_string(lParam);
    const std::string what = wParam == static_cast<ui::WPARAM>(serial::Cause::Timeout)
                                 ? port + " does not take the data sent to it."
                                 : "The connection to " + port + " was lost.";
    PlanConnectionEnded(what);
    Tell(what + " Check the cable or adapter, then click \"Turn on Port\" or \"Search "
                "Device\".");
    return 0;
}
