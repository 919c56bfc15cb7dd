// The exchanges the console drives itself and their replies: the status read-back (twelve item
// queries, then the ten user timing records, each sent when the previous reply's payload has been
// taken; the collected values then fill the panel and pages) and the start of an EDID read.
#include "app/console_dlg.h"

#include "link/command_words.h"
#include "link/exchanges.h"

#include <cstring>

namespace {

constexpr int kItemCount = exchange::kStatusItems;
constexpr int kRecordItem = exchange::kRecordItem;
constexpr int kRecordSlots = exchange::kUserSlots;
constexpr int kItemReplyInterval = exchange::kReadBackIntervalMs;

} // namespace

std::uint16_t CConsoleDlg::StatusItemWord(int item, int hdmiMode) {
    return exchange::ReadBackWord(item, hdmiMode == 1);
}

void CConsoleDlg::StartStatusReadBack(int interval) {
    StartReadBack(interval, ReadBack::Update);
}

void CConsoleDlg::StartReadBack(int interval, ReadBack why) {
    BeginExchange();
    m_eReadBack = why;
    m_bHeardDuringReadBack = false;
    m_nextSendNote = "read-back item 0";
    SendCommand(cmd::QueryTiming);
    m_nStatusStep = 0;
    m_bReadingStatus = 1;
    SetTimer(kTimerExchange, interval);
}

bool CConsoleDlg::StartEdidRead(int source) {
    const exchange::EdidRead form = exchange::EdidReadOf(source);
    m_nextSendNote = form.saved ? "saved EDID read" : "EDID read";
    if (!SendCommandData(form.word, 1, &form.payload))
        return false;
    BeginExchange();
    m_bReadingSavedEdid = form.saved ? 1 : 0;
    m_bReadingEdid = 1;
    SetTimer(kTimerExchange, exchange::kEdidReplyMs);
    return true;
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
        m_bAskAutoDetails = 1;
    m_strHdcp = m_abStatus[4] != 0 ? "ON " : "OFF";
    ShowHotPlug(m_abStatus[10]);
    ShowTiming(static_cast<std::int8_t>(m_abStatus[0]));
    UpdateData(false);
    SendCommand(cmd::QueryStatusSummary);

    const ReadBack why = m_eReadBack;
    m_eReadBack = ReadBack::Update;
    if (why == ReadBack::Reset)
        EndResetWait(); // the generator is back; the Setting page's note went with its values
    if (why == ReadBack::Confirm && !m_unconfirmed.empty()) {
        const std::string names = SettingNames(m_unconfirmed);
        m_unconfirmed.clear();
        Tell("The generator on " + PortName() + " did not confirm " + names +
             ". The panel and the pages now show what it reports.");
    }
}

// The read-back's window ended without its reply. Nothing collected is shown (the panel keeps what
// it had); what the silence means depends on why the read-back ran.
void CConsoleDlg::ReadBackUnanswered() {
    const bool nothing = m_nStatusStep == 0; // not one item came
    const bool heard = m_bHeardDuringReadBack;
    m_bReadingStatus = 0;
    m_rx.Reset(this);
    RecordNoAnswer(m_awaitedRequest.data(), m_awaitedRequest.size(), m_awaitedWhat);
    const ReadBack why = m_eReadBack;
    m_eReadBack = ReadBack::Update;
    std::string unconfirmed;
    if (!m_unconfirmed.empty())
        unconfirmed = " It did not confirm " + SettingNames(m_unconfirmed) + " either.";
    m_unconfirmed.clear();

    if (why == ReadBack::Reset) {
        // Still busy with the reset: asked again after a pause, up to a bound.
        if (m_nResetPolls < kResetPolls) {
            SetTimer(kTimerResetWait, kResetPollMs);
            return;
        }
        EndResetWait();
        m_settingPage.ClearWaitNote();
        Tell("The generator on " + PortName() +
             " did not answer in the seconds after the reset, so the pages may not show its "
             "default settings. Click \"Update Status\" on the Timing Details page to read them.");
        return;
    }
    if (nothing && heard) {
        // Something answers, but not as a generator does.
        Tell("The device on " + PortName() +
             " answers, but not as a generator does, so its state could not be read." +
             unconfirmed + " Check that " + PortName() + " is the generator's port.");
        return;
    }
    if (nothing) {
        // Nothing answers on this port: the console does not stay connected to silence.
        Disconnect();
        Tell("No generator answers on " + PortName() + "." + unconfirmed +
             " The port is closed again: check that the generator is switched on and its cable "
             "is connected, then click \"Turn on Port\" or \"Search Device\".");
        return;
    }
    Tell("The generator on " + PortName() +
         " stopped answering while its state was read back, so the panel shows what it had "
         "before." +
         unconfirmed +
         " Click \"Update Status\" on the Timing Details page to read the state again.");
}

void CConsoleDlg::EdidReadUnanswered() {
    const bool saved = m_bReadingSavedEdid == 1;
    m_bReadingEdid = 0;
    m_bReadingSavedEdid = 0;
    m_rx.Reset(this);
    RecordNoAnswer(m_awaitedRequest.data(), m_awaitedRequest.size(), m_awaitedWhat);
    m_edidPage.ReadUnanswered();
    Tell(saved ? "The generator on " + PortName() + " did not send the saved EDID."
               : "No EDID came from the generator on " + PortName() +
                     ": is a display connected to its output?");
}

void CConsoleDlg::RecordNoAnswer(const std::uint8_t* bytes, std::size_t count,
                                 const std::string& what) {
    if (m_conversation.Enabled())
        m_conversation.Record(CConversation::Direction::NoAnswer, bytes, count, "no answer", what);
}
