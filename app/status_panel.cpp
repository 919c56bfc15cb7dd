// The status panel texts and the front-panel controls: signal on/off and the HDMI/SDI output.
#include "app/console_dlg.h"

#include "link/code_names.h"
#include "link/command_words.h"
#include "link/timing_codes.h"
#include "res/resource.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Keeps the leading digits of a number that is longer than the field allows.
std::string LeadingDigits(unsigned value, std::size_t maxDigits) {
    std::string s = std::to_string(value);
    if (s.size() > maxDigits)
        s.resize(maxDigits);
    return s;
}

} // namespace

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
    unsigned h = static_cast<std::uint16_t>(d.m_nHActive);
    unsigned v = static_cast<std::uint16_t>(d.m_nVActive);
    const bool interlaced = d.m_nScanType == 1;
    if (interlaced)
        v *= 2;
    const double rate = d.m_fVFreq + 0.5;
    const unsigned r =
        (std::isfinite(rate) && rate > 0 && rate < 65536.0) ? static_cast<std::uint16_t>(rate) : 0;
    m_strTiming = LeadingDigits(h, 4) + "x" + LeadingDigits(v, 4) + (interlaced ? "i" : "") + "(" +
                  LeadingDigits(r, 3) + ")";
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

// Sends the signal state the radios hold and shows its icon.
void CConsoleDlg::SendSignalFromRadios(const ui::Image& icon) {
    UpdateData(true);
    const std::uint8_t value = static_cast<std::uint8_t>(m_nSignal);
    SendCommandData(cmd::SetSignalOutput, 1, &value);
    SetDlgItemImage(m_iconSignal, icon);
}

void CConsoleDlg::OnSignalOn() {
    SendSignalFromRadios(m_hIconSignalOn);
}

void CConsoleDlg::OnSignalOff() {
    SendSignalFromRadios(m_hIconSignalOff);
}

void CConsoleDlg::OnSignalIcon() {
    // The signal icon toggles the output and shows the new state.
    m_nSignal = m_nSignal == 0 ? 1 : 0;
    SetDlgItemImage(m_iconSignal, m_nSignal == 0 ? m_hIconSignalOn : m_hIconSignalOff);
    const std::uint8_t value = static_cast<std::uint8_t>(m_nSignal);
    SendCommandData(cmd::SetSignalOutput, 1, &value);
    UpdateData(false);
}

void CConsoleDlg::OnSelectHdmi() {
    SetDlgItemImage(m_iconHdmi, m_hIconSelected);
    SetDlgItemImage(m_iconSdi, m_hIconIdle);
    const std::uint8_t value = 0;
    SendCommandData(cmd::SetOutputInterface, 1, &value);
    m_nFollowUpQueries = 3;
    m_bHdmiMode = 1;
    RefreshOutputDependents();
}

void CConsoleDlg::OnSelectSdi() {
    SetDlgItemImage(m_iconHdmi, m_hIconIdle);
    SetDlgItemImage(m_iconSdi, m_hIconSelected);
    m_bHdmiMode = 0;
    m_nFollowUpQueries = 3;
    const std::uint8_t value = 1;
    SendCommandData(cmd::SetOutputInterface, 1, &value);
    RefreshOutputDependents();
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
