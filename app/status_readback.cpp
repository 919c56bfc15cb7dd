// The exchanges the console drives itself and their replies: the status read-back (twelve item
// queries, then the ten user timing records, each sent when the previous reply's payload has been
// taken; the collected values then fill the panel and pages) and the start of an EDID read.
#include "app/console_dlg.h"

#include "link/command_words.h"

#include <cstring>

namespace {

constexpr int kItemCount = 12;
constexpr int kRecordItem = 12;
constexpr int kRecordSlots = 10;
constexpr int kItemReplyInterval = 400;
constexpr int kEdidReplyInterval = 600; // bounds the whole EDID reply (267 bytes: 23 ms)

} // namespace

// Command word of item i for the output mode in force.
std::uint16_t CConsoleDlg::StatusItemWord(int item, int hdmiMode) {
    static const std::uint16_t kWords[kItemCount] = {
        cmd::QueryTiming,      cmd::QueryPattern,      cmd::QueryColorSpace, cmd::QueryColorDepth,
        cmd::QueryHdcp,        cmd::QueryHdmiDviMode,  cmd::QuerySampleRate, cmd::QueryAudioBits,
        cmd::QueryAudioSource, cmd::QueryChannelsHdmi, cmd::QueryHotPlug,    cmd::QuerySignalOutput,
    };
    if (item == 9 && hdmiMode != 1)
        return cmd::QueryChannelsSdi;
    if (item < 0 || item >= kItemCount)
        return cmd::FetchUserTiming;
    return kWords[item];
}

void CConsoleDlg::StartStatusReadBack(int interval) {
    BeginExchange();
    m_nextSendNote = "read-back item 0";
    SendCommand(cmd::QueryTiming);
    m_nStatusStep = 0;
    m_bReadingStatus = 1;
    SetTimer(kTimerExchange, interval);
}

void CConsoleDlg::StartEdidRead(bool saved, std::uint8_t slot) {
    // The 0xb838 request always carries 0x01; 0x80aa carries the slot.
    m_nextSendNote = saved ? "saved EDID read" : "EDID read";
    const bool sent = SendCommandData(saved ? cmd::ReadSavedEdid : cmd::ReadSinkEdid, 1, &slot);
    if (!sent)
        return;
    BeginExchange();
    m_bReadingSavedEdid = saved ? 1 : 0;
    m_bReadingEdid = 1;
    SetTimer(kTimerExchange, kEdidReplyInterval);
}

void CConsoleDlg::SendStatusItemRequest() {
    const int i = m_nStatusStep;
    if (i < kRecordItem) {
        m_nextSendNote = "read-back item " + std::to_string(i);
        SendCommand(StatusItemWord(i, m_bHdmiMode));
        return;
    }
    m_nStatusRecord = 0;
    const std::uint8_t slot = 0;
    m_nextSendNote = "read-back record 0";
    SendCommandData(cmd::FetchUserTiming, 1, &slot);
}

void CConsoleDlg::OnStatusItem(std::uint8_t value) {
    const int i = m_nStatusStep;
    if (i >= 0 && i < kItemCount)
        m_abStatus[i] = value;
    m_nStatusStep = i + 1;
    // The reply's own checksum byte arrives after this request has been sent and is ignored.
    SendStatusItemRequest();
    SetTimer(kTimerExchange, kItemReplyInterval);
}

void CConsoleDlg::OnStatusRecord(const std::uint8_t* record) {
    const int r = m_nStatusRecord;
    if (r < 0 || r >= kRecordSlots)
        return;
    std::memcpy(m_userTimings[r], record, 20);
    if (r < kRecordSlots - 1) {
        m_nStatusRecord = r + 1;
        const std::uint8_t slot = static_cast<std::uint8_t>(m_nStatusRecord);
        m_nextSendNote = "read-back record " + std::to_string(m_nStatusRecord);
        SendCommandData(cmd::FetchUserTiming, 1, &slot);
        SetTimer(kTimerExchange, kItemReplyInterval);
        return;
    }
    FinishStatusReadBack();
}

void CConsoleDlg::FinishStatusReadBack() {
    m_nSignal = static_cast<std::int8_t>(m_abStatus[11]);
    SetDlgItemImage(m_iconSignal, m_nSignal == 0 ? m_hIconSignalOn : m_hIconSignalOff);
    m_patternPage.ShowPattern(m_abStatus[1]);
    m_timingPage.ShowStatus(m_abStatus);
    m_settingPage.ShowStatus(m_abStatus + 2);
    m_bReadingStatus = 0;
    m_timingPage.SyncRadioToCode();
    m_timingPage.UpdateData(false);
    if (m_abStatus[0] == 0x2A)
        g_bAskAutoDetails = 1;
    m_strHdcp = m_abStatus[4] != 0 ? "ON " : "OFF";
    ShowHotPlug(m_abStatus[10]);
    ShowTiming(static_cast<std::int8_t>(m_abStatus[0]));
    UpdateData(false);
    SendCommand(cmd::QueryStatusSummary);
}
