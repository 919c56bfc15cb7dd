// Port connection and device search: the port button, the activity icon, the port combo, the
// search over COM1..COM99, and the timers that pace and time out every exchange.
#include "app/console_dlg.h"

#include "link/command_words.h"
#include "platform/serial/open_failure.h"
#include "res/resource.h"

#include <string>

namespace {

constexpr int kTxBufferSize = 512;
constexpr int kLastPort = 99;
constexpr int kSettleAfterOpen = 200; // ms between opening the port and the first query
constexpr int kReadBackInterval = 400;
constexpr int kReadBackAfterSearch = 800;
constexpr int kFirstProbe = 300;
constexpr int kNextProbe = 400;

} // namespace

BOOL CConsoleDlg::OpenPort() {
    const BOOL opened =
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

void CConsoleDlg::ShowDisconnected() {
    m_bPortOpen = 0;
    SetDlgItemText(m_btnPort, "Turn on Port");
    SetDlgItemImage(m_iconActivity, m_hIconIdle);
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
    ui::Sleep(kSettleAfterOpen);
    StartStatusReadBack(interval);
}

// The port button and the activity icon open or close the port alike; only the button keeps
// its own caption in step.
void CConsoleDlg::TogglePort(bool updateCaption) {
    if (m_bPortOpen == 1) {
        m_bPortOpen = 0;
        if (updateCaption)
            SetDlgItemText(m_btnPort, "Turn on Port");
        m_link.RequestStop();
        SetDlgItemImage(m_iconActivity, m_hIconIdle);
        return;
    }
    if (OpenAndMonitor()) {
        SetDlgItemImage(m_iconActivity, m_hIconActive);
        m_bPortOpen = 1;
        if (updateCaption)
            SetDlgItemText(m_btnPort, "Close Port");
        ConnectedReadBackStart(kReadBackInterval);
    } else {
        m_bPortOpen = 0;
        ShowPortOpenFailure();
        SetDlgItemImage(m_iconActivity, m_hIconIdle);
        if (updateCaption)
            SetDlgItemText(m_btnPort, "Turn on Port");
    }
}

void CConsoleDlg::OnPortButton() {
    TogglePort(true);
}

void CConsoleDlg::OnActivityIcon() {
    TogglePort(false);
}

void CConsoleDlg::OnPortComboSelEnd() {
    if (m_link.IsOpen())
        m_link.RequestStop();
    m_nPort = ComboGetCurSel(m_comboPort) + 1;
    if (OpenPort()) {
        if (m_bPortOpen == 0) {
            if (!m_link.StartWorker()) {
                m_link.Close();
                SetDlgItemImage(m_iconActivity, m_hIconIdle);
                ShowPortOpenFailure();
                return;
            }
            SetDlgItemImage(m_iconActivity, m_hIconActive);
            SetDlgItemText(m_btnPort, "Close Port");
            m_bPortOpen = 1;
            ConnectedReadBackStart(kReadBackInterval);
        } else {
            // Choosing a port while connected disconnects; the next opening reopens it.
            SetDlgItemImage(m_iconActivity, m_hIconIdle);
            SetDlgItemText(m_btnPort, "Turn on Port");
            m_bPortOpen = 0;
        }
    } else {
        SetDlgItemImage(m_iconActivity, m_hIconIdle);
        ShowPortOpenFailure();
    }
}

void CConsoleDlg::WriteSearchFrame() {
    std::uint8_t search[frame::kOverhead];
    const std::size_t size = frame::BuildRequest(search, m_address, cmd::Search, nullptr, 0);
    // A verdict belongs to the port it came from: each probe starts without one.
    m_rx.Reset(this);
    m_bDeviceFound = 0;
    m_link.Write(search, static_cast<int>(size), "search probe");
}

// Tries m_nPort and the ports after it; on the first that opens, sends the search frame there.
bool CConsoleDlg::TryNextSearchPort() {
    for (; m_nPort <= kLastPort; ++m_nPort) {
        if (OpenAndMonitor()) {
            WriteSearchFrame();
            return true;
        }
    }
    return false;
}

void CConsoleDlg::OnSearchDevice() {
    m_bPortOpen = 0;
    m_link.RequestStop();
    SetDlgItemImage(m_iconActivity, m_hIconIdle);
    SetDlgItemText(m_btnPort, "Turn on Port");
    // The search replaces whatever exchange was running (its replies would outrank the search's).
    BeginExchange();

    m_bDeviceFound = 0;
    g_nPortBeforeSearch = m_nPort;
    m_nPort = 1;
    if (TryNextSearchPort()) {
        m_bSearching = 1;
        m_strSearchStatus = "Please wait.....";
        UpdateData(false);
        SetTimer(kTimerExchange, kFirstProbe);
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
    if (id != kTimerExchange)
        return 0;

    if (m_bSearching == 1 && m_bDeviceFound == 1) {
        SetDlgItemImage(m_iconActivity, m_hIconActive);
        m_bPortOpen = 1;
        ComboSetCurSel(m_comboPort, m_nPort - 1);
        SetDlgItemText(m_btnPort, "Close Port");
        m_strSearchStatus = " ";
        m_bSearching = 0;
        StartStatusReadBack(kReadBackAfterSearch);
        UpdateData(false);
    } else if (m_bSearching == 1) {
        m_link.RequestStop();
        ++m_nPort;
        if (TryNextSearchPort()) {
            SetTimer(kTimerExchange, kNextProbe);
        } else {
            m_bSearching = 0;
            KillTimer(kTimerExchange);
            m_nPort = g_nPortBeforeSearch;
            m_strSearchStatus = " ";
            UpdateData(false);
            MessageBox("Can not find available device for this console!");
        }
    } else if (m_bReadingStatus == 1) {
        m_bReadingStatus = 0;
        KillTimer(kTimerExchange);
        m_rx.Reset(this);
    } else if (m_bReadingEdid == 1) {
        m_bReadingEdid = 0;
        m_bReadingSavedEdid = 0;
        KillTimer(kTimerExchange);
        m_rx.Reset(this);
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
    Tell(what + " Check the cable or adapter, then click \"Turn on Port\" or \"Search "
                "Device\".");
    return 0;
}
