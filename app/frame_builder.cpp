// CConsoleDlg's frame builders: every request to the generator leaves through one of these.
#include "app/console_dlg.h"

#include "link/catalogue.h"

#include <algorithm>

bool CConsoleDlg::SendCommand(std::uint16_t word) {
    return SendCommandData(word, 0, nullptr);
}

bool CConsoleDlg::SendCommandData(std::uint16_t word, int length, const std::uint8_t* payload) {
    // What the frame is to the console, for the conversation; it belongs to this frame only.
    std::string note;
    note.swap(m_nextSendNote);
    if (length > frame::kMaxPayload) {
        Tell("Too much parameter.");
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(std::max(length, 0));
    // The frame is built before the connection test, so m_abTxFrame always holds the last one.
    const std::size_t size = frame::BuildRequest(m_abTxFrame, m_address, word, payload, n);
    if (!m_bPortOpen) {
        Tell("Com port is not on yet.");
        return false;
    }
    m_link.Write(m_abTxFrame, static_cast<int>(size), note.empty() ? nullptr : note.c_str());
    if (!note.empty()) {
        // A frame of an exchange: the one a "no answer" line names when its reply does not come.
        m_awaitedRequest.assign(m_abTxFrame, m_abTxFrame + size);
        m_awaitedWhat = note;
    }
    // This frame purges whatever came in unread: answers still awaited may be lost with it.
    m_pending.AnswerMayBeLost();
    if (cmd::IsSetting(word)) {
        // A setting counts as done when the generator answers it. Its answer can only be judged
        // when nothing else takes the replies; a reset is followed by its own read-back.
        const bool judged = m_bReadingStatus == 0 && m_bReadingEdid == 0 && m_bSearching == 0 &&
                            word != cmd::ResetToDefault;
        m_pending.Sent(word, judged);
        // The answers are due a second after the last setting.
        if (judged)
            SetTimer(kTimerConfirm, kConfirmWindowMs);
    }
    return true;
}
