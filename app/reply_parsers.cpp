// The received-byte dispatch and the four byte-wise reply parsers of CConsoleDlg. Each byte goes
// to exactly one parser, chosen by the exchange in progress; all four feed one receive state, the
// reply framing (link/reply_framing.h), which hands back complete replies.
#include "app/console_dlg.h"
#include "link/exchanges.h"

#include "link/catalogue.h"
#include "link/link_messages.h"

#include <cstring>

namespace {

// Payload bytes a handler reads; a shorter reply is ignored rather than read beyond its end.
int PayloadNeeded(std::uint16_t word) {
    const cmd::WordInfo* info = cmd::FindWord(word);
    return info ? info->reply : 0;
}

} // namespace

ui::LRESULT CConsoleDlg::OnLinkRxChar(ui::WPARAM wParam, ui::LPARAM lParam) {
    if (lParam < 1 || lParam > 99)
        return -1;
    if (m_bClosing)
        return 0;
    const LinkNotification inNotification(*this);
    const std::uint8_t byte = static_cast<std::uint8_t>(wParam & 0xFF);
    m_bHeardDuringReadBack = true;
    m_bRxAfterSilence = (wParam & LINK_RX_AFTER_SILENCE) != 0;
    if (m_bReadingEdid == 1)
        ParseEdidReply(byte);
    else if (m_bSearching == 1)
        ParseSearchReply(byte);
    else if (m_bReadingStatus == 1)
        ParseStatusReply(byte);
    else
        ParseReply(byte);
    return 0;
}

reply::Expectation CConsoleDlg::Expected() {
    reply::Expectation e;
    if (m_bReadingEdid == 1) {
        e.parser = reply::Parser::Edid;
        e.savedEdid = m_bReadingSavedEdid == 1;
    } else if (m_bSearching == 1) {
        e.parser = reply::Parser::Search;
    } else if (m_bReadingStatus == 1) {
        e.parser = reply::Parser::Status;
        e.statusRecord = m_nStatusStep >= 12;
        // The word follows the output mode current when each byte is checked.
        e.statusWord = StatusItemWord(m_nStatusStep, m_bHdmiMode);
    }
    return e;
}

void CConsoleDlg::BeginExchange() {
    // The exchange takes every reply: answers still awaited may go to it.
    m_pending.AnswerMayBeLost();
    // A reset's read-back cut off by another exchange is tried again after it.
    if (m_bReadingStatus == 1 && m_eReadBack == ReadBack::Reset && m_bResetWait)
        SetTimer(kTimerResetWait, kResetPollMs);
    m_bReadingStatus = 0;
    m_bReadingEdid = 0;
    m_bReadingSavedEdid = 0;
    m_rx.Reset(this);
}

// --- General parser -----------------------------------------------------------------------------

void CConsoleDlg::ParseReply(std::uint8_t byte) {
    m_rx.Feed(byte, *this, m_bRxAfterSilence);
}

void CConsoleDlg::OnFrame(const std::uint8_t* frame, int size) {
    std::memcpy(m_abRxFrame, frame, static_cast<std::size_t>(size));
    m_nRxFrameSize = size;
    const int payload = frame::PayloadSize(static_cast<std::size_t>(size));
    std::uint16_t word = 0;
    if (!frame::ReplyWord(m_abRxFrame, static_cast<std::size_t>(size), word)) {
        RecordReply(frame, size, "too short"); // the word would come from beyond the frame
        return;
    }
    // The answer to a setting: it acknowledges what was set and carries nothing to show.
    if (cmd::IsSetting(word)) {
        if (!frame::AcceptsReplyFrom(m_address, m_abRxFrame[frame::kGroupAt],
                                     m_abRxFrame[frame::kDeviceAt])) {
            RecordReply(frame, size, "other address");
            return;
        }
        m_pending.Acknowledged(word);
        RecordReply(frame, size, "acknowledged");
        PlanAcknowledged(word);
        return;
    }
    const ReplyHandlerEntry* entry = FindReplyHandler(word);
    // Called through a copy: g++ 12's bounds sanitizer misreads a call made straight through an
    // element of an array of member-function pointers as an out-of-range index.
    const ReplyHandler handler = entry ? entry->handler : nullptr;
    if (handler == nullptr) {
        RecordReply(frame, size, "no handler");
        return;
    }
    if (word != cmd::DeviceAddressReport &&
        !frame::AcceptsReplyFrom(m_address, m_abRxFrame[5], m_abRxFrame[6])) {
        RecordReply(frame, size, "other address");
        return;
    }
    if (payload < PayloadNeeded(word)) {
        RecordReply(frame, size, "too short");
        return;
    }
    // Recorded before the handler runs: what it sends in turn comes after the reply.
    RecordReply(frame, size, "taken");
    const int value = payload > 0 ? ReplyPayload()[0] : 0;
    (this->*handler)();
    // What a plan's setting is confirmed by, once the panel and the pages show it.
    if (payload > 0)
        PlanReported(word, value);
}

void CConsoleDlg::RecordReply(const std::uint8_t* bytes, int count, const char* verdict,
                              const std::string& what) {
    m_bItemChecksumDue = false;
    if (m_conversation.Enabled())
        m_conversation.Record(CConversation::Direction::Received, bytes,
                              static_cast<std::size_t>(count), verdict, what);
}

void CConsoleDlg::OnReplyFrame(reply::Parser parser, const std::uint8_t* frame, int size) {
    if (!m_conversation.Enabled())
        return;
    std::string what;
    switch (parser) {
    case reply::Parser::Search:
        what = "search reply";
        break;
    case reply::Parser::Status:
        what = m_nStatusStep >= 12 ? "read-back record " + std::to_string(m_nStatusRecord)
                                   : "read-back item " + std::to_string(m_nStatusStep);
        break;
    case reply::Parser::Edid:
        what = m_bReadingSavedEdid == 1 ? "saved EDID read" : "EDID read";
        break;
    case reply::Parser::General:
        break;
    }
    RecordReply(frame, size, "taken", what);
    m_bItemChecksumDue = parser == reply::Parser::Status && m_nStatusStep < 12;
}

void CConsoleDlg::OnDiscard(reply::Discard why, const std::uint8_t* bytes, int count) {
    if (!m_conversation.Enabled())
        return;
    const char* verdict = "no frame";
    switch (why) {
    case reply::Discard::BadChecksum:
        verdict = "wrong checksum";
        break;
    case reply::Discard::CutShort:
    case reply::Discard::Abandoned:
        verdict = "cut short";
        break;
    case reply::Discard::Noise:
        if (m_bItemChecksumDue && count == 1) {
            RecordReply(bytes, count, "not checked", "item checksum");
            return;
        }
        break;
    case reply::Discard::BadLength:
    case reply::Discard::Mismatch:
        break;
    }
    RecordReply(bytes, count, verdict);
}

// --- EDID parser --------------------------------------------------------------------------------

void CConsoleDlg::ParseEdidReply(std::uint8_t byte) {
    // The read waits 600 ms for its reply to begin; a reply under way then has 200 ms for each
    // further byte, as the other exchanges do, so that a busy machine, slow to take its 267 bytes,
    // does not lose it.
    if (m_rx.State() != -1)
        SetTimer(kTimerExchange, exchange::kByteIntervalMs);
    m_rx.Feed(byte, *this);
}

void CConsoleDlg::OnEdid(const std::uint8_t* image, std::uint8_t checksum) {
    m_bReadingEdid = 0;
    m_bReadingSavedEdid = 0;
    KillTimer(kTimerExchange);
    // The image becomes the page's only when the reply is complete; its last byte is kept after
    // the image, unchecked.
    m_edidPage.ShowReadImage(image, checksum);
}

// --- Search parser ------------------------------------------------------------------------------

void CConsoleDlg::ParseSearchReply(std::uint8_t byte) {
    if (m_rx.State() != -1)
        SetTimer(kTimerExchange, exchange::kByteIntervalMs);
    m_rx.Feed(byte, *this);
}

void CConsoleDlg::OnSearchReply(bool found) {
    // The search ends at timer 4, which reads the verdict.
    if (found)
        m_bDeviceFound = 1;
}

// --- Status read-back parser (the read-back itself: status_readback.cpp) ------------------------

void CConsoleDlg::ParseStatusReply(std::uint8_t byte) {
    if (m_rx.State() != -1)
        SetTimer(kTimerExchange, exchange::kByteIntervalMs);
    m_rx.Feed(byte, *this);
}
