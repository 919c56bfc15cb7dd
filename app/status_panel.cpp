// The status panel texts and the front-panel controls: signal on/off and the HDMI/SDI output.
#include "app/console_dlg.h"

#include "link/command_words.h"
#include "res/resource.h"

#include <cmath>
#include <cstdio>
#include <string>

const char* const g_hdmiChannelTexts[32] = {
    "2CH", "2.1CH", "3CH", "3.1CH", "3CH", "3.1CH", "4CH", "4.1CH", "4CH", "4.1CH", "5CH", "5.1CH",
    "5CH", "5.1CH", "6CH", "6.1CH", "6CH", "6.1CH", "7CH", "7.1CH", "4CH", "4.1CH", "5CH", "5.1CH",
    "5CH", "6CH",   "6CH", "6.1CH", "6CH", "6.1CH", "7CH", "7.1CH",
};

namespace {

const char* const kTimingNames[CConsoleDlg::kTimingNameCount] = {
    "640x480(60)",        "800x600(60)",
    "1024x768(60)",       "1280x768(60)",
    "1360x768(60)",       "1280x960(60)",
    "1280x1024(60)",      "1400x1050(60)",
    "1600x1200(60)",      "1920x1200(60)",
    "720x480i(59.94)",    "720x480p(59.94)",
    "1280x720p(60)",      "1280x720p(59.94)",
    "1920x1080i(60)",     "1920x1080i(59.94)",
    "1920x1080p(30)",     "1920x1080p(29.97)",
    "1920x1080p(24)",     "1920x1080p(23.98)",
    "1920x1080p(60)",     "1920x1080p(59.94)",
    "720x576i(50)",       "720x576p(50)",
    "1280x720p(50)",      "1920x1080i(50)",
    "1920x1080p(25)",     "1920x1080p(50)",
    "3840x2160p(30)",     "3840x2160p(29.97)",
    "3840x2160p(25)",     "3840x2160p(24)",
    "3840x2160p(23.98)",  "4096x2160p(30)",
    "4096x2160p(29.97)",  "4096x2160p(25)",
    "4096x2160p(24)",     "4096x2160p(23.98)",
    "3840x2160p(60)",     "3840x2160p(59.94)",
    "3840x2160p(50)",     "4096x2160p(60)",
    "4096x2160p(59.94)",  "4096x2160p(50)",
    "720P_3D(60)FP",      "720P_3D(59.94)FP",
    "1080P_3D(24)FP",     "1080P_3D(23.98)FP",
    "720P_3D(50)FP",      "720P_3D(59.94)SbS",
    "1080i_3D(59.94)SbS", "1080P_3D(59.94)SbS",
    "1080P_3D(23.97)SbS", "720P_3D(50)SbS",
    "1080i_3D(50)SbS",    "1080P_3D(50)SbS",
    "720P_3D(59.94)TB",   "1080P_3D(59.94)TB",
    "1080P_3D(23.97)TB",  "720P_3D(50)TB",
    "1080P_3D(50)TB",     "AUTO",
};

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
        m_timingNames[i] = kTimingNames[i];
}

void CConsoleDlg::ShowHdcp() {
    m_strHdcp = (m_bHdmiMode != 0 && m_settingPage.m_nHdcp == 1) ? "ON " : "OFF";
}

void CConsoleDlg::ShowInterface() {
    if (!m_bHdmiMode) {
        m_strInterface = "SDI";
        return;
    }
    switch (m_settingPage.m_nOutputMode) {
    case 0:
        m_strInterface = "DVI";
        break;
    case 1:
        m_strInterface = "HDMI";
        break;
    default:
        m_strInterface = "AUTO";
    }
}

void CConsoleDlg::ShowTiming(int code) {
    if (code >= 0 && code < kTimingNameCount) {
        m_strTiming = m_timingNames[code];
        return;
    }
    if (code < 0 || code >= CTimingPage::kFirstUserCode + 10) {
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
    if (!m_bHdmiMode) {
        m_strColorSpace = "YUV4:2:2";
        return;
    }
    static const char* const kTexts[] = {"RGB4:4:4", "YUV4:4:4", "YUV4:2:2", "YUV4:2:0"};
    const int v = m_settingPage.m_nColorSpace;
    m_strColorSpace = (v >= 0 && v <= 3) ? kTexts[v] : "AUTO";
}

void CConsoleDlg::ShowColorDepth() {
    if (!m_bHdmiMode) {
        m_strColorDepth = "10bit";
        return;
    }
    static const char* const kTexts[] = {"8bit", "10bit", "12bit", "16bit"};
    const int v = m_settingPage.m_nColorDepth;
    m_strColorDepth = (v >= 0 && v <= 3) ? kTexts[v] : "AUTO";
}

void CConsoleDlg::ShowSampleRate() {
    if (!m_bHdmiMode) {
        m_strSampleRate = "48K";
        return;
    }
    static const char* const kTexts[] = {"32K", "44.1K", "48K", "88K", "96K", "176K", "192K"};
    const int v = m_settingPage.m_nSampleRate;
    m_strSampleRate = (v >= 0 && v <= 6) ? kTexts[v] : "AUTO";
}

void CConsoleDlg::ShowAudioBits(int code) {
    static const char* const kTexts[] = {"16bit", "20bit", "24bit"};
    m_strAudioBits = (code >= 0 && code <= 2) ? kTexts[code] : "AUTO";
}

void CConsoleDlg::ShowAudioType() {
    m_strAudioType = "PCM";
}

void CConsoleDlg::ShowChannels(int code) {
    if (m_bHdmiMode) {
        // Codes outside the table show nothing rather than a neighbour's text.
        m_strChannels = (code >= 0 && code < 32) ? g_hdmiChannelTexts[code] : "";
        return;
    }
    static const char* const kSdi[] = {"CH1,2", "CH3,4",     "CH1,2,3,4", "CH5,6",
                                       "CH7,8", "CH5,6,7,8", "ALL"};
    m_strChannels = (code >= 0 && code <= 6) ? kSdi[code] : "OFF";
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
