// The reply handler table and the handlers that keep the console's view of the generator true.
#include "app/console_dlg.h"

#include "link/command_words.h"
#include "link/timing_codes.h"
#include "res/resource.h"

#include <cstring>

void CConsoleDlg::FillReplyHandlerTable() {
    static const std::uint16_t kWords[kReplyHandlerCount] = {
        cmd::SetTiming,
        cmd::SetPattern,
        cmd::SetColorSpace,
        cmd::SetColorDepth,
        cmd::SetHdcp,
        cmd::SetHdmiDviMode,
        cmd::SetSampleRate,
        cmd::SetAudioBits,
        cmd::SetAudioSource,
        cmd::SetChannelsSdi,
        cmd::StoreUserTiming,
        cmd::Reply00a8,
        cmd::Reply7801,
        cmd::ResetToDefault,
        cmd::Reply7878,
        cmd::QueryTiming,
        cmd::QueryPattern,
        cmd::QueryColorSpace,
        cmd::QueryColorDepth,
        cmd::QueryHdcp,
        cmd::QueryHdmiDviMode,
        cmd::QuerySampleRate,
        cmd::QueryAudioBits,
        cmd::QueryAudioSource,
        cmd::QueryChannelsSdi,
        cmd::FetchUserTiming,
        cmd::QueryTimingDetails,
        cmd::QueryStatusSummary,
        cmd::QuerySignalOutput,
        cmd::QueryChannelsHdmi,
        cmd::QueryHotPlug,
        cmd::DeviceAddressReport,
        cmd::Search,
        cmd::QueryOutputInterface,
    };
    std::memcpy(m_replyWords, kWords, sizeof m_replyWords);
    for (auto& handler : m_replyHandlers)
        handler = &CConsoleDlg::OnNoReply;
    m_replyHandlers[15] = &CConsoleDlg::OnTimingReply;
    m_replyHandlers[16] = &CConsoleDlg::OnPatternReply;
    m_replyHandlers[17] = &CConsoleDlg::OnColorSpaceReply;
    m_replyHandlers[18] = &CConsoleDlg::OnColorDepthReply;
    m_replyHandlers[19] = &CConsoleDlg::OnHdcpReply;
    m_replyHandlers[20] = &CConsoleDlg::OnHdmiDviModeReply;
    m_replyHandlers[21] = &CConsoleDlg::OnSampleRateReply;
    m_replyHandlers[22] = &CConsoleDlg::OnAudioBitsReply;
    m_replyHandlers[23] = &CConsoleDlg::OnAudioSourceReply;
    m_replyHandlers[24] = &CConsoleDlg::OnChannelReply;
    m_replyHandlers[26] = &CConsoleDlg::OnAutoTimingDetailsReply;
    m_replyHandlers[27] = &CConsoleDlg::OnStatusSummaryReply;
    m_replyHandlers[28] = &CConsoleDlg::OnSignalReply;
    m_replyHandlers[29] = &CConsoleDlg::OnChannelReply;
    m_replyHandlers[30] = &CConsoleDlg::OnHotPlugReply;
    m_replyHandlers[31] = &CConsoleDlg::OnDeviceAddressReply;
    m_replyHandlers[33] = &CConsoleDlg::OnOutputInterfaceReply;
}

void CConsoleDlg::OnTimingReply() {
    const int b0 = ReplyByte(0);
    m_timingPage.m_nTimingCode = b0;
    m_settingPage.UpdateData(true);
    // The 4:2:0 timings fix the colour format; the panel shows what the page shows.
    const int space = m_settingPage.m_nColorSpace;
    const int depth = m_settingPage.m_nColorDepth;
    if (timing::Is420(b0)) {
        m_settingPage.m_nColorDepth = 0;
        m_settingPage.m_nColorSpace = 3;
    } else if (m_settingPage.m_nColorSpace == 3) {
        m_settingPage.m_nColorSpace = 0;
    }
    if (m_settingPage.m_nColorSpace != space)
        ShowColorSpace();
    if (m_settingPage.m_nColorDepth != depth)
        ShowColorDepth();
    m_timingPage.ShowTimingDetails();
    m_timingPage.SyncRadioToCode();
    m_timingPage.UpdateData(false);
    m_settingPage.UpdateData(false);
    ShowTiming(b0);
    UpdateData(false);
    if (b0 == timing::kAuto)
        SendCommand(cmd::QueryTimingDetails);
}

void CConsoleDlg::OnPatternReply() {
    m_patternPage.m_nPattern = ReplyByte(0);
    m_patternPage.UpdateData(false);
}

void CConsoleDlg::OnColorSpaceReply() {
    m_settingPage.m_strWaitNote = "";
    m_settingPage.m_nColorSpace = ReplyByte(0);
    m_settingPage.UpdateData(false);
    ShowColorSpace();
    UpdateData(false);
}

void CConsoleDlg::OnColorDepthReply() {
    m_settingPage.m_nColorDepth = ReplyByte(0);
    m_settingPage.UpdateData(false);
    ShowColorDepth();
    UpdateData(false);
}

void CConsoleDlg::OnHdcpReply() {
    m_settingPage.m_nHdcp = ReplyByte(0);
    m_settingPage.UpdateData(false);
    ShowHdcp();
    UpdateData(false);
}

void CConsoleDlg::OnHdmiDviModeReply() {
    m_settingPage.m_nOutputMode = ReplyByte(0);
    m_settingPage.UpdateData(false);
    ShowInterface();
    UpdateData(false);
}

void CConsoleDlg::OnSampleRateReply() {
    m_settingPage.m_nSampleRate = ReplyByte(0);
    m_settingPage.UpdateData(false);
    ShowSampleRate();
    UpdateData(false);
}

void CConsoleDlg::OnAudioBitsReply() {
    const int b0 = ReplyByte(0);
    m_settingPage.m_nAudioBits = b0;
    m_settingPage.UpdateData(false);
    ShowAudioBits(b0);
    UpdateData(false);
}

void CConsoleDlg::OnAudioSourceReply() {
    m_settingPage.m_nAudioSource = ReplyByte(0);
    m_settingPage.UpdateData(false);
}

void CConsoleDlg::OnChannelReply() {
    const int b0 = ReplyByte(0);
    m_nChannelSelection = b0;
    m_settingPage.ShowChannel(b0);
    m_settingPage.UpdateData(false);
    ShowChannels(b0);
    ShowAudioType();
    UpdateData(false);
}

void CConsoleDlg::OnAutoTimingDetailsReply() {
    std::memcpy(m_userTimings[10], ReplyPayload(), 20);
    m_timingPage.ShowTimingDetails();
    m_timingPage.SyncRadioToCode();
    m_timingPage.UpdateData(false);
    UpdateData(false);
    m_bAutoDetailsAsked = 1;
    SendCommand(cmd::QueryOutputInterface);
}

void CConsoleDlg::OnStatusSummaryReply() {
    ShowColorSpace();
    ShowColorDepth();
    ShowInterface();
    ShowSampleRate();
    ShowChannels(ReplyByte(5));
    UpdateData(false);
    if (g_bAskAutoDetails == 1)
        SendCommand(cmd::QueryTimingDetails);
    else
        SendCommand(cmd::QueryOutputInterface);
    g_bAskAutoDetails = 0;
}

void CConsoleDlg::OnSignalReply() {
    const int b0 = ReplyByte(0);
    m_nSignal = b0;
    SetDlgItemImage(m_iconSignal, b0 == 0 ? m_hIconSignalOn : m_hIconSignalOff);
    UpdateData(false);
}

void CConsoleDlg::OnHotPlugReply() {
    ShowHotPlug(ReplyByte(0));
    UpdateData(false);
}

void CConsoleDlg::OnDeviceAddressReply() {
    m_address.group = ReplyPayload()[0];
    m_address.device = ReplyPayload()[1];
}

void CConsoleDlg::OnOutputInterfaceReply() {
    m_nFollowUpQueries = 3;
    ShowOutput(ReplyByte(0) == 0);
    if (m_bAutoDetailsAsked == 1) {
        m_bAutoDetailsAsked = 0;
        return;
    }
    SendCommand(cmd::QueryTiming);
}
