// The status read-back: twelve item queries, then the ten user timing records, each sent when the
// previous reply's payload has been taken; the collected values then fill the panel and pages.
#include "app/console_dlg.h"

#include "link/command_words.h"

namespace {

constexpr int kItemCount = 12;
constexpr int kRecordItem = 12;
constexpr int kRecordSlots = 10;
constexpr int kItemReplyInterval = 400;
constexpr int kByteInterval = 200;

// Command word of item i for the output mode in force.
std::uint16_t ItemWord(int item, int hdmiMode) {
    static const std::uint16_t kWords[kItemCount] = {
        cmd::QueryTiming,      cmd::QueryPattern,      cmd::QueryColorSpace, cmd::QueryColorDepth,
        cmd::QueryHdcp,        cmd::QueryHdmiDviMode,  cmd::QuerySampleRate, cmd::QueryAudioBits,
        cmd::QueryAudioSource, cmd::QueryChannelsHdmi, cmd::QueryHotPlug,    cmd::QuerySignalOutput,
    };
    if (item == 9 && hdmiMode != 1)
        return cmd::QueryChannelsSdi;
    if (item >= kItemCount)
        return cmd::FetchUserTiming;
    return kWords[item];
}

} // namespace

void CConsoleDlg::StartStatusReadBack(int interval) {
    ResetReceiveState();
    SendCommand(cmd::QueryTiming);
    m_nStatusStep = 0;
    m_bReadingStatus = 1;
    SetTimer(kTimerExchange, interval);
}

void CConsoleDlg::SendStatusItemRequest() {
    const int i = m_nStatusStep;
    if (i < kRecordItem) {
        SendCommand(ItemWord(i, m_bHdmiMode));
        return;
    }
    m_nStatusRecord = 0;
    const std::uint8_t slot = 0;
    SendCommandData(cmd::FetchUserTiming, 1, &slot);
}

void CConsoleDlg::ParseStatusReply(std::uint8_t byte) {
    if (m_nRxState != -1)
        SetTimer(kTimerExchange, kByteInterval);
    const int s = m_nRxState;
    const int i = m_nStatusStep;
    if (s == -1) {
        if (byte == frame::kReplyStart) {
            m_nRxState = 0;
            m_nRxSum = byte;
        }
        return;
    }
    m_nRxSum = static_cast<std::uint8_t>(m_nRxSum + byte);
    auto expect = [&](int value) { m_nRxState = byte == value ? s + 1 : -1; };
    const std::uint16_t word = ItemWord(i, m_bHdmiMode);
    switch (s) {
    case 0:
    case 1:
        expect(0x00);
        return;
    case 2:
        expect(i < kRecordItem ? 0x06 : 0x19);
        return;
    case 3:
        expect(0x00);
        return;
    case 4:
    case 5:
        m_nRxState = s + 1;
        return;
    case 6:
        expect(word & 0xFF);
        return;
    case 7:
        expect(word >> 8);
        return;
    default:
        break;
    }
    if (i < kRecordItem) {
        // s == 8: the item's value.
        if (i >= 0 && i < kItemCount)
            m_abStatus[i] = byte;
        m_nStatusStep = i + 1;
        m_nRxState = -1;
        m_nTrailingChecksum = static_cast<std::uint8_t>(0u - m_nRxSum);
        SendStatusItemRequest();
        SetTimer(kTimerExchange, kItemReplyInterval);
        return;
    }
    const int r = m_nStatusRecord;
    if (r < 0 || r >= kRecordSlots) {
        m_nRxState = -1;
        return;
    }
    if (s <= 27) {
        m_userTimings[r][s - 8] = byte;
        m_nRxState = s + 1;
        return;
    }
    // s == 28: the record reply's checksum, neither stored nor checked.
    if (r < kRecordSlots - 1) {
        m_nStatusRecord = r + 1;
        m_nRxState = -1;
        const std::uint8_t slot = static_cast<std::uint8_t>(m_nStatusRecord);
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
    m_nRxState = -1;
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
