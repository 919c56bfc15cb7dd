// What the tab pages ask of the console: the console's side of CPageHost.
#include "app/console_dlg.h"

#include "link/timing_codes.h"
#include "res/resource.h"

bool CConsoleDlg::IsConnected() const {
    return m_bPortOpen != 0;
}

bool CConsoleDlg::PassRepeatGuard() {
    // Of two notifications within 50 ms the second is swallowed; timer 5 ends the guard.
    if (m_bRepeatGuard) {
        m_bRepeatGuard = 0;
        return false;
    }
    m_bRepeatGuard = 1;
    SetTimer(kTimerRepeatGuard, 50);
    return true;
}

int CConsoleDlg::TimingCode() const {
    return m_timingPage.m_nTimingCode;
}

bool CConsoleDlg::IsHdmiOutput() const {
    return m_bHdmiMode != 0;
}

std::uint8_t* CConsoleDlg::UserTimingRecord(int index) {
    return m_userTimings[index >= 0 && index < kUserTimingSlots ? index : kUserTimingSlots - 1];
}

void CConsoleDlg::SetPanelText(PanelText item, const std::string& text) {
    switch (item) {
    case PanelText::Interface:
        m_strInterface = text;
        break;
    case PanelText::ColorSpace:
        m_strColorSpace = text;
        break;
    case PanelText::ColorDepth:
        m_strColorDepth = text;
        break;
    case PanelText::Hdcp:
        m_strHdcp = text;
        break;
    }
}

void CConsoleDlg::SetChannelSelection(int index) {
    m_nChannelSelection = index;
}

void CConsoleDlg::RefreshPanel() {
    UpdateData(false);
}

void CConsoleDlg::ShowTimingDetails(int code) {
    m_timingDetailsPage.LoadTimingDetails(static_cast<char>(code));
}

void CConsoleDlg::ApplyTimingToSettings(int code) {
    m_settingPage.ApplyTiming(code);
}

void CConsoleDlg::UpdatePatternsForTiming() {
    m_patternPage.UpdateForTiming();
}

void CConsoleDlg::SetUserTimingCaption(int slot, const char* caption) {
    m_timingPage.SetUserTimingCaption(IDC_T_USER1 + slot, caption);
}

bool CConsoleDlg::SelectTimingCode(int code) {
    const int before = m_timingPage.m_nTimingCode;
    m_timingPage.MarkTimingCode(code);
    if (m_timingPage.SelectTiming(static_cast<char>(CTimingPage::CodeToRadioIndex(code))))
        return true;
    m_timingPage.MarkTimingCode(before);
    return false;
}
