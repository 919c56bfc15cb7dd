#include "pages/setting_page.h"

#include "link/command_words.h"
#include "link/exchanges.h"
#include "link/setting_rules.h"
#include "link/timing_codes.h"
#include "pages/page_host.h"
#include "res/art.h"
#include "res/resource.h"
#include "res/templates.h"

namespace {

constexpr int kSettingsQueryWaitMs = exchange::kAutoSettingWaitMs;
constexpr int kAudioBitsWaitMs = exchange::kAudioBitsWaitMs;

constexpr int kAutoOutputMode = 2;
constexpr int kAutoColor = rules::kColorAuto;
constexpr int kAutoSampleRate = 7;
constexpr int kAutoAudioBits = 3;

// What the SDI output carries: YUV4:2:2 at 10 bit, 48 kHz audio, no HDCP.
constexpr int kSdiColorSpace = 2;
constexpr int kSdiColorDepth = 1;
constexpr int kSdiSampleRate = 2;

} // namespace

CSettingPage::CSettingPage(CPageHost& host)
    : ui::Dialog(SettingPageTemplate()), m_cbAudioChannel(IDC_S_AUDIO_CHANNEL),
      m_btnReset(IDC_S_RESET), m_host(host) {}

bool CSettingPage::OnInitDialog() {
    ApplyTemplateResources(*this);
    return ui::Dialog::OnInitDialog();
}

void CSettingPage::DoDataExchange(ui::DataExchange& dx) {
    // The SDI output has a fixed format: while it is selected the (disabled) HDMI radios show that
    // format, as the panel does, and the members keep the HDMI output's own settings.
    const bool hdmi = m_host.IsHdmiOutput();
    auto exchange = [&](int firstId, int& member, int sdiShows) {
        int shown = hdmi ? member : sdiShows;
        ui::DDX_Radio(dx, firstId, shown);
        if (hdmi)
            member = shown;
    };
    exchange(IDC_S_DVI, m_nOutputMode, -1);
    ui::DDX_Radio(dx, IDC_S_BITS_16, m_nAudioBits);
    ui::DDX_Radio(dx, IDC_S_SOURCE_1K, m_nAudioSource);
    exchange(IDC_S_RATE_32K, m_nSampleRate, kSdiSampleRate);
    exchange(IDC_S_DEPTH_8, m_nColorDepth, kSdiColorDepth);
    exchange(IDC_S_RGB444, m_nColorSpace, kSdiColorSpace);
    exchange(IDC_S_HDCP_OFF, m_nHdcp, 0);
    ui::DDX_Text(dx, IDC_S_WAIT_NOTE, m_strWaitNote);
}

bool CSettingPage::PreTranslateMessage(ui::Msg& msg) {
    // Enter would end the page like a dialog; it does nothing here.
    if (msg.message == ui::WM_KEYDOWN && msg.wParam == ui::VK_RETURN)
        return true;
    return ui::Dialog::PreTranslateMessage(msg);
}

const ui::HandlerEntry* CSettingPage::GetHandlerTable() const {
    static const ui::HandlerEntry kHandlers[] = {
        UI_ON_CLICKED(IDC_S_DVI, CSettingPage, OnOutputMode<0>),
        UI_ON_CLICKED(IDC_S_HDMI, CSettingPage, OnOutputMode<1>),
        UI_ON_CLICKED(IDC_S_INTERFACE_AUTO, CSettingPage, OnOutputMode<2>),
        UI_ON_CLICKED(IDC_S_HDCP_OFF, CSettingPage, OnHdcp<0>),
        UI_ON_CLICKED(IDC_S_HDCP_ON, CSettingPage, OnHdcp<1>),
        UI_ON_CLICKED(IDC_S_RGB444, CSettingPage, OnColorSpace<0>),
        UI_ON_CLICKED(IDC_S_YUV444, CSettingPage, OnColorSpace<1>),
        UI_ON_CLICKED(IDC_S_YUV422, CSettingPage, OnColorSpace<2>),
        UI_ON_CLICKED(IDC_S_COLOR_SPACE_AUTO, CSettingPage, OnColorSpace<4>),
        UI_ON_CLICKED(IDC_S_DEPTH_8, CSettingPage, OnColorDepth<0>),
        UI_ON_CLICKED(IDC_S_DEPTH_10, CSettingPage, OnColorDepth<1>),
        UI_ON_CLICKED(IDC_S_DEPTH_12, CSettingPage, OnColorDepth<2>),
        UI_ON_CLICKED(IDC_S_DEPTH_16, CSettingPage, OnColorDepth<3>),
        UI_ON_CLICKED(IDC_S_DEPTH_AUTO, CSettingPage, OnColorDepth<4>),
        UI_ON_CLICKED(IDC_S_SOURCE_1K, CSettingPage, OnAudioSource<0>),
        UI_ON_CLICKED(IDC_S_SOURCE_2K, CSettingPage, OnAudioSource<1>),
        UI_ON_CLICKED(IDC_S_SOURCE_4K, CSettingPage, OnAudioSource<2>),
        UI_ON_CLICKED(IDC_S_SOURCE_EXT, CSettingPage, OnAudioSource<3>),
        UI_ON_CLICKED(IDC_S_RATE_32K, CSettingPage, OnSampleRate<0>),
        UI_ON_CLICKED(IDC_S_RATE_44K, CSettingPage, OnSampleRate<1>),
        UI_ON_CLICKED(IDC_S_RATE_48K, CSettingPage, OnSampleRate<2>),
        UI_ON_CLICKED(IDC_S_RATE_88K, CSettingPage, OnSampleRate<3>),
        UI_ON_CLICKED(IDC_S_RATE_96K, CSettingPage, OnSampleRate<4>),
        UI_ON_CLICKED(IDC_S_RATE_176K, CSettingPage, OnSampleRate<5>),
        UI_ON_CLICKED(IDC_S_RATE_192K, CSettingPage, OnSampleRate<6>),
        UI_ON_CLICKED(IDC_S_RATE_AUTO, CSettingPage, OnSampleRate<7>),
        UI_ON_CLICKED(IDC_S_BITS_16, CSettingPage, OnAudioBits<0>),
        UI_ON_CLICKED(IDC_S_BITS_20, CSettingPage, OnAudioBits<1>),
        UI_ON_CLICKED(IDC_S_BITS_24, CSettingPage, OnAudioBits<2>),
        UI_ON_CLICKED(IDC_S_BITS_AUTO, CSettingPage, OnAudioBits<3>),
        UI_ON_NOTIFY(ui::Notify::SelChange, IDC_S_AUDIO_CHANNEL, CSettingPage, OnChannelSelChange),
        UI_ON_CLICKED(IDC_S_RESET, CSettingPage, OnResetToDefault),
        UI_END_HANDLERS,
    };
    return kHandlers;
}

bool CSettingPage::Send(std::uint16_t word, int value) {
    const std::uint8_t payload = static_cast<std::uint8_t>(value);
    return m_host.SendCommandData(word, 1, &payload);
}

int CSettingPage::TimingCode() const {
    return m_host.TimingCode();
}

// Every group below takes the value of the radio clicked and makes it the page's only once the
// frame went to the generator: a swallowed or refused click refreshes the page from its members,
// which puts the previous radio back and leaves the panel as it was.

// --- Video ------------------------------------------------------------------------------------

void CSettingPage::SetOutputMode(int value) {
    if (!Send(cmd::SetHdmiDviMode, value)) {
        UpdateData(false);
        return;
    }
    m_nOutputMode = value;
    if (value == kAutoOutputMode) {
        ui::Sleep(kSettingsQueryWaitMs);
        m_host.SendCommand(cmd::QueryStatusSummary);
    }
    UpdateData(false);

    if (value == 0) {
        // DVI carries RGB only, at 8 bits per colour; the radios show it as the panel does.
        m_nColorSpace = 0;
        if (!m_host.PassRepeatGuard()) {
            UpdateData(false);
            return;
        }
        m_nColorSpace = 0;
        m_nColorDepth = 0;
        m_host.SetPanelText(CPageHost::PanelText::Interface, "DVI ");
        m_host.SetPanelText(CPageHost::PanelText::ColorSpace, "RGB4:4:4");
        m_host.SetPanelText(CPageHost::PanelText::ColorDepth, "24bit");
        m_host.RefreshPanel();
        UpdateData(false);
    } else if (value == 1) {
        m_host.SetPanelText(CPageHost::PanelText::Interface, "HDMI");
        m_host.RefreshPanel();
    }
}

void CSettingPage::SetHdcp(int value) {
    if (!m_host.PassRepeatGuard() || !Send(cmd::SetHdcp, value)) {
        UpdateData(false);
        return;
    }
    m_nHdcp = value;
    m_host.SetPanelText(CPageHost::PanelText::Hdcp, value != 0 ? "ON " : "OFF");
    m_host.RefreshPanel();
    UpdateData(false);
}

void CSettingPage::SetColorSpace(int value) {
    if (!m_host.PassRepeatGuard()) {
        UpdateData(false);
        return;
    }
    if (const char* refusal = rules::RefuseColorSpace(TimingCode(), m_nOutputMode)) {
        // In DVI mode the radio goes back to the only colour space there is.
        if (refusal == rules::kColorSpaceFixedDvi)
            m_nColorSpace = 0;
        MessageBox(refusal);
        UpdateData(false);
        return;
    }
    if (!Send(cmd::SetColorSpace, value)) {
        UpdateData(false);
        return;
    }
    m_nColorSpace = value;
    m_host.ShowColorSpace();
    if (value == kAutoColor) {
        ui::Sleep(kSettingsQueryWaitMs);
        m_host.SendCommand(cmd::QueryStatusSummary);
    }
    UpdateData(false);
    m_host.RefreshPanel();
}

void CSettingPage::SetColorDepth(int value) {
    if (!m_host.PassRepeatGuard()) {
        UpdateData(false);
        return;
    }
    if (const char* refusal = rules::RefuseColorDepth(TimingCode(), m_nOutputMode, value)) {
        MessageBox(refusal);
        UpdateData(false);
        return;
    }
    if (!Send(cmd::SetColorDepth, value)) {
        UpdateData(false);
        return;
    }
    m_nColorDepth = value;
    m_host.ShowColorDepth();
    if (value == kAutoColor) {
        ui::Sleep(kSettingsQueryWaitMs);
        m_host.SendCommand(cmd::QueryStatusSummary);
    }
    UpdateData(false);
    m_host.RefreshPanel();
}

// --- Audio ------------------------------------------------------------------------------------

void CSettingPage::SetAudioSource(int value) {
    if (m_host.PassRepeatGuard() && Send(cmd::SetAudioSource, value))
        m_nAudioSource = value;
    UpdateData(false);
}

void CSettingPage::SetSampleRate(int value) {
    if (!m_host.PassRepeatGuard() || !Send(cmd::SetSampleRate, value)) {
        UpdateData(false);
        return;
    }
    m_nSampleRate = value;
    m_host.ShowSampleRate();
    if (value == kAutoSampleRate) {
        ui::Sleep(kSettingsQueryWaitMs);
        m_host.SendCommand(cmd::QueryStatusSummary);
    }
    UpdateData(false);
    m_host.RefreshPanel();
}

void CSettingPage::SetAudioBits(int value) {
    if (!m_host.PassRepeatGuard() || !Send(cmd::SetAudioBits, value)) {
        UpdateData(false);
        return;
    }
    ui::Sleep(kAudioBitsWaitMs);
    m_nAudioBits = value;
    m_host.ShowAudioBits(value);
    if (value == kAutoAudioBits)
        m_host.SendCommand(cmd::QueryStatusSummary);
    UpdateData(false);
    m_host.RefreshPanel();
}

void CSettingPage::OnChannelSelChange() {
    const int index = ComboGetCurSel(m_cbAudioChannel);
    // Text typed into the edit field selects no entry: there is no channel layout to send.
    if (!m_host.PassRepeatGuard() || index < 0 ||
        !Send(m_host.IsHdmiOutput() ? cmd::SetChannelsHdmi : cmd::SetChannelsSdi, index)) {
        SelectChannel(m_nAudioChannel);
        return;
    }
    m_nAudioChannel = index;
    m_host.SetChannelSelection(index);
    m_host.ShowChannels(index);
    m_host.RefreshPanel();
    UpdateData(true);
}

void CSettingPage::OnResetToDefault() {
    if (!m_host.SendCommand(cmd::ResetToDefault))
        return;
    m_strWaitNote = "Wait for a few seconds...";
    UpdateData(false);
    m_host.ResetSent();
}

// --- Read-back and output mode ------------------------------------------------------------------

void CSettingPage::ShowStatus(const unsigned char* settings) {
    auto byte = [settings](int k) {
        return static_cast<int>(static_cast<signed char>(settings[k]));
    };
    m_strWaitNote.clear();
    m_nColorSpace = byte(0);
    m_host.ShowColorSpace();
    m_nColorDepth = byte(1);
    m_host.ShowColorDepth();
    m_nHdcp = byte(2);
    m_host.ShowHdcp();
    m_nOutputMode = byte(3);
    m_host.ShowInterface();
    m_nSampleRate = byte(4);
    m_host.ShowSampleRate();
    m_nAudioBits = byte(5);
    m_host.ShowAudioBits(m_nAudioBits);
    m_nAudioSource = byte(6);
    m_host.ShowAudioType();
    m_nAudioChannel = byte(7);
    SelectChannel(m_nAudioChannel);
    m_host.SetChannelSelection(m_nAudioChannel);
    m_host.ShowChannels(m_nAudioChannel);
    UpdateData(false);
}

void CSettingPage::UpdateForOutputMode() {
    const bool hdmi = m_host.IsHdmiOutput();
    // The video format and the audio format controls apply to the HDMI output only; 1075 stays
    // disabled, and the audio source, channel list and reset serve both outputs.
    for (int id = IDC_S_DVI; id <= IDC_S_BITS_AUTO; ++id) {
        if (id != IDC_S_YUV420)
            EnableDlgItem(id, hdmi);
    }

    // Each output has its own channel setting: after a switch the list shows none until the
    // generator reports the new output's one.
    const bool switched = hdmi != m_bHdmiList;
    m_bHdmiList = hdmi;
    if (switched)
        m_nAudioChannel = -1;
    ComboResetContent(m_cbAudioChannel);
    if (hdmi) {
        for (const char* text : kHdmiChannelTexts)
            ComboAddString(m_cbAudioChannel, text);
    } else {
        for (const char* text : kSdiChannelTexts)
            ComboAddString(m_cbAudioChannel, text);
    }
    SelectChannel(m_nAudioChannel);
    UpdateData(false);
}

void CSettingPage::ApplyTiming(int code) {
    if (timing::Is4k(code)) {
        m_nColorDepth = 0;
        m_host.ShowColorDepth();
        if (timing::Is420(code))
            m_nColorSpace = 3;
        else if (m_nColorSpace == 3)
            m_nColorSpace = 0;
        m_host.ShowColorSpace();
    } else if (m_nColorSpace == 3) {
        m_nColorSpace = 0;
        m_host.ShowColorSpace();
    }
    UpdateData(false);
}

void CSettingPage::ShowColorSpace(int value) {
    m_strWaitNote.clear();
    m_nColorSpace = value;
    UpdateData(false);
    m_host.ShowColorSpace();
}

void CSettingPage::ShowColorDepth(int value) {
    m_nColorDepth = value;
    UpdateData(false);
    m_host.ShowColorDepth();
}

void CSettingPage::ShowHdcp(int value) {
    m_nHdcp = value;
    UpdateData(false);
    m_host.ShowHdcp();
}

void CSettingPage::ShowOutputMode(int value) {
    m_nOutputMode = value;
    UpdateData(false);
    m_host.ShowInterface();
}

void CSettingPage::ShowSampleRate(int value) {
    m_nSampleRate = value;
    UpdateData(false);
    m_host.ShowSampleRate();
}

void CSettingPage::ShowAudioBits(int value) {
    m_nAudioBits = value;
    UpdateData(false);
    m_host.ShowAudioBits(value);
}

void CSettingPage::ShowAudioSource(int value) {
    m_nAudioSource = value;
    UpdateData(false);
}

void CSettingPage::FitColourToReportedTiming(int code) {
    UpdateData(true);
    const int space = m_nColorSpace;
    const int depth = m_nColorDepth;
    if (timing::Is420(code)) {
        m_nColorDepth = 0;
        m_nColorSpace = 3;
    } else if (m_nColorSpace == 3) {
        m_nColorSpace = 0;
    }
    if (m_nColorSpace != space)
        m_host.ShowColorSpace();
    if (m_nColorDepth != depth)
        m_host.ShowColorDepth();
    UpdateData(false);
}

void CSettingPage::ClearWaitNote() {
    m_strWaitNote.clear();
    UpdateData(false);
}

void CSettingPage::ShowChannel(int index) {
    m_nAudioChannel = index;
    SelectChannel(index);
}

void CSettingPage::SelectChannel(int index) {
    const bool inList = index >= 0 && index < ComboGetCount(m_cbAudioChannel);
    ComboSetCurSel(m_cbAudioChannel, inList ? index : -1);
}
