// The status panel texts and the front-panel controls: signal on/off and the HDMI/SDI output.
#include "app/console_dlg.h"

#include "link/code_names.h"
#include "link/command_words.h"
#include "link/timing_codes.h"
#include "res/resource.h"

#include <cmath>
#include <cstdio>
#include <string>

void CConsoleDlg::FillTimingNames() {
    for (int i = 0; i < kTimingNameCount; ++i)
        m_timingNames[i] = names::TimingName(i);
}

void CConsoleDlg::ShowHdcp() {
    m_strHdcp = names::PanelHdcp(m_bHdmiMode != 0, m_settingPage.m_nHdcp);
}

void CConsoleDlg::ShowInterface() {
    m_strInterface = names::PanelInterface(m_bHdmiMode != 0, m_settingPage.m_nOutputMode);
}

void CConsoleDlg::ShowTiming(int code) {
    if (code >= 0 && code < kTimingNameCount) {
        m_strTiming = m_timingNames[code];
        return;
    }
    if (!timing::NamesATiming(code)) {
        // A reply byte of 0x48 or more names no timing (nor do the page's values).
        m_strTiming = "";
        return;
    }
    const CTimingDetailsPage& d = m_timingDetailsPage;
    m_strTiming = names::TimingText(static_cast<std::uint16_t>(d.m_nHActive),
                                    static_cast<std::uint16_t>(d.m_nVActive), d.m_nScanType == 1,
                                    names::RoundedRate(d.m_fVFreq));
}

void CConsoleDlg::ShowColorSpace() {
    m_strColorSpace = names::PanelColorSpace(m_bHdmiMode != 0, m_settingPage.m_nColorSpace);
}

void CConsoleDlg::ShowColorDepth() {
    m_strColorDepth = names::PanelColorDepth(m_bHdmiMode != 0, m_settingPage.m_nColorDepth);
}

void CConsoleDlg::ShowSampleRate() {
    m_strSampleRate = names::PanelSampleRate(m_bHdmiMode != 0, m_settingPage.m_nSampleRate);
}

void CConsoleDlg::ShowAudioBits(int code) {
    m_strAudioBits = names::AudioBitsText(code);
}

void CConsoleDlg::ShowAudioType() {
    m_strAudioType = "PCM";
}

void CConsoleDlg::ShowChannels(int code) {
    m_strChannels = names::PanelChannels(m_bHdmiMode != 0, code);
}

void CConsoleDlg::ShowHotPlug(int value) {
    m_strHotPlug = value != 0 ? "ON " : "OFF";
    m_bHotPlug = value != 0 ? 1 : 0;
}

void CConsoleDlg::RefreshOutputDependents() {
    m_timingPage.UpdateForOutputMode();
    m_patternPage.UpdateForTiming();
    m_patternPage.UpdateForOutputMode();
    m_settingPage.UpdateForOutputMode();
    ShowSampleRate();
    ShowColorDepth();
    ShowColorSpace();
    ShowHdcp();
    ShowInterface();
}

// --- Front panel -----------------------------------------------------------------------------

// Sends the signal state (0 on, 1 off). The radios and the icon take it only when the frame went
// out; a refused click puts the radios back.
void CConsoleDlg::SendSignal(int value) {
    const std::uint8_t payload = static_cast<std::uint8_t>(value);
    if (SendCommandData(cmd::SetSignalOutput, 1, &payload)) {
        m_nSignal = value;
        SetDlgItemImage(m_iconSignal, value == 0 ? m_hIconSignalOn : m_hIconSignalOff);
    }
    UpdateData(false);
}

void CConsoleDlg::OnSignalOn() {
    SendSignal(0);
}

void CConsoleDlg::OnSignalOff() {
    SendSignal(1);
}

void CConsoleDlg::OnSignalIcon() {
    // The signal icon toggles the output and shows the new state.
    SendSignal(m_nSignal == 0 ? 1 : 0);
}

// Shows the output in force: the selector icons, the mode, and what depends on it. The channel
// setting is the output's own: until the generator reports it, the panel shows none.
void CConsoleDlg::ShowOutput(bool hdmi) {
    SetDlgItemImage(m_iconHdmi, hdmi ? m_hIconSelected : m_hIconIdle);
    SetDlgItemImage(m_iconSdi, hdmi ? m_hIconIdle : m_hIconSelected);
    if ((m_bHdmiMode != 0) != hdmi) {
        m_strChannels.clear();
        m_nChannelSelection = -1;
    }
    m_bHdmiMode = hdmi ? 1 : 0;
    RefreshOutputDependents();
}

void CConsoleDlg::SelectOutput(bool hdmi) {
    const std::uint8_t value = hdmi ? 0 : 1;
    if (!SendCommandData(cmd::SetOutputInterface, 1, &value))
        return; // refused: the selectors, the pages and the panel stay as they are
    m_nFollowUpQueries = 3;
    ShowOutput(hdmi);
    UpdateData(false);
}

void CConsoleDlg::OnSelectHdmi() {
    SelectOutput(true);
}

void CConsoleDlg::OnSelectSdi() {
    SelectOutput(false);
}

ui::LRESULT CConsoleDlg::OnLinkTxEmpty(ui::WPARAM, ui::LPARAM) {
    if (m_bClosing)
        return 0;
    const LinkNotification inNotification(*this);
    // The transmission purged what had not been read: a reply in progress ends here.
    m_rx.Transmitted(*this);
    switch (m_nFollowUpQueries) {
    case 3:
        m_nFollowUpQueries = 2;
        SendCommand(m_bHdmiMode == 1 ? cmd::QueryChannelsHdmi : cmd::QueryChannelsSdi);
        break;
    case 2:
        m_nFollowUpQueries = 1;
        SendCommand(cmd::QueryPattern);
        break;
    case 1:
        m_nFollowUpQueries = 0;
        SendCommand(cmd::QueryTiming);
        break;
    default:
        break;
    }
    return 0;
}
