// The reply handler table and the handlers that keep the console's view of the generator true.
#include "app/console_dlg.h"

#include "link/command_words.h"
#include "link/timing_codes.h"
#include "res/resource.h"

#include <cstring>

// The reply handler table: the 34 words a reply may carry, in the console's order, each with its
// handler (OnNoReply: accepted without effect).
const CConsoleDlg::ReplyHandlerEntry CConsoleDlg::kReplyHandlers[kReplyHandlerCount] = {
    {cmd::SetTiming, &CConsoleDlg::OnNoReply},
    {cmd::SetPattern, &CConsoleDlg::OnNoReply},
    {cmd::SetColorSpace, &CConsoleDlg::OnNoReply},
    {cmd::SetColorDepth, &CConsoleDlg::OnNoReply},
    {cmd::SetHdcp, &CConsoleDlg::OnNoReply},
    {cmd::SetHdmiDviMode, &CConsoleDlg::OnNoReply},
    {cmd::SetSampleRate, &CConsoleDlg::OnNoReply},
    {cmd::SetAudioBits, &CConsoleDlg::OnNoReply},
    {cmd::SetAudioSource, &CConsoleDlg::OnNoReply},
    {cmd::SetChannelsSdi, &CConsoleDlg::OnNoReply},
    {cmd::StoreUserTiming, &CConsoleDlg::OnNoReply},
    {cmd::Reply00a8, &CConsoleDlg::OnNoReply},
    {cmd::Reply7801, &CConsoleDlg::OnNoReply},
    {cmd::ResetToDefault, &CConsoleDlg::OnNoReply},
    {cmd::Reply7878, &CConsoleDlg::OnNoReply},
    {cmd::QueryTiming, &CConsoleDlg::OnTimingReply},
    {cmd::QueryPattern, &CConsoleDlg::OnPatternReply},
    {cmd::QueryColorSpace, &CConsoleDlg::OnColorSpaceReply},
    {cmd::QueryColorDepth, &CConsoleDlg::OnColorDepthReply},
    {cmd::QueryHdcp, &CConsoleDlg::OnHdcpReply},
    {cmd::QueryHdmiDviMode, &CConsoleDlg::OnHdmiDviModeReply},
    {cmd::QuerySampleRate, &CConsoleDlg::OnSampleRateReply},
    {cmd::QueryAudioBits, &CConsoleDlg::OnAudioBitsReply},
    {cmd::QueryAudioSource, &CConsoleDlg::OnAudioSourceReply},
    {cmd::QueryChannelsSdi, &CConsoleDlg::OnChannelReply},
    {cmd::FetchUserTiming, &CConsoleDlg::OnNoReply},
    {cmd::QueryTimingDetails, &CConsoleDlg::OnAutoTimingDetailsReply},
    {cmd::QueryStatusSummary, &CConsoleDlg::OnStatusSummaryReply},
    {cmd::QuerySignalOutput, &CConsoleDlg::OnSignalReply},
    {cmd::QueryChannelsHdmi, &CConsoleDlg::OnChannelReply},
    {cmd::QueryHotPlug, &CConsoleDlg::OnHotPlugReply},
    {cmd::DeviceAddressReport, &CConsoleDlg::OnDeviceAddressReply},
    {cmd::Search, &CConsoleDlg::OnNoReply},
    {cmd::QueryOutputInterface, &CConsoleDlg::OnOutputInterfaceReply},
};

const CConsoleDlg::ReplyHandlerEntry* CConsoleDlg::FindReplyHandler(std::uint16_t word) {
    for (const ReplyHandlerEntry& e : kReplyHandlers)
        if (e.word == word)
            return &e;
    return nullptr;
}

void CConsoleDlg::OnTimingReply() {
    const int b0 = ReplyByte(0);
    m_timingPage.ShowTimingCode(b0);
    m_settingPage.FitColourToReportedTiming(b0);
    ShowTiming(b0);
    UpdateData(false);
    if (b0 == timing::kAuto)
        SendCommand(cmd::QueryTimingDetails);
}

void CConsoleDlg::OnPatternReply() {
    m_patternPage.ShowPattern(ReplyByte(0));
}

void CConsoleDlg::OnColorSpaceReply() {
    m_settingPage.ShowColorSpace(ReplyByte(0));
    UpdateData(false);
}

void CConsoleDlg::OnColorDepthReply() {
    m_settingPage.ShowColorDepth(ReplyByte(0));
    UpdateData(false);
}

void CConsoleDlg::OnHdcpReply() {
    m_settingPage.ShowHdcp(ReplyByte(0));
    UpdateData(false);
}

void CConsoleDlg::OnHdmiDviModeReply() {
    m_settingPage.ShowOutputMode(ReplyByte(0));
    UpdateData(false);
}

void CConsoleDlg::OnSampleRateReply() {
    m_settingPage.ShowSampleRate(ReplyByte(0));
    UpdateData(false);
}

void CConsoleDlg::OnAudioBitsReply() {
    m_settingPage.ShowAudioBits(ReplyByte(0));
    UpdateData(false);
}

void CConsoleDlg::OnAudioSourceReply() {
    m_settingPage.ShowAudioSource(ReplyByte(0));
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
    m_timingPage.RefreshTiming();
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
    if (m_bAskAutoDetails == 1)
        SendCommand(cmd::QueryTimingDetails);
    else
        SendCommand(cmd::QueryOutputInterface);
    m_bAskAutoDetails = 0;
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
