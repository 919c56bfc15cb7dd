// The received-byte dispatch and the four byte-wise reply parsers of CConsoleDlg. Each byte goes
// to exactly one parser, chosen by the exchange in progress; all four share m_nRxState (-1: hunting
// for a start byte, s >= 0: frame bytes 0..s taken).
#include "app/console_dlg.h"

#include "link/command_words.h"

#include <cstring>

namespace {

constexpr std::uint8_t kReplyStart = frame::kReplyStart;
constexpr int kMaxGeneralLength = 500;

// Filter on the answering generator's address, skipped for the device address report.
bool AddressAccepted(const DeviceAddress& own, std::uint8_t group, std::uint8_t device) {
    const std::uint8_t g = own.group, d = own.device;
    if (g == 0x00 && d == 0x00)
        return true;
    if (g == 0xFF && d == 0xFF)
        return true;
    if (g != 0x00 && g != 0xFF && (d == 0x00 || d == 0xFF))
        return true;
    return group == g && device == d;
}

} // namespace

void CConsoleDlg::ResetReceiveState() {
    m_nRxState = -1;
    m_nTrailingChecksum = -1;
}

ui::LRESULT CConsoleDlg::OnLinkRxChar(ui::WPARAM wParam, ui::LPARAM lParam) {
    if (lParam < 1 || lParam > 99)
        return -1;
    if (m_bClosing)
        return 0;
    const std::uint8_t byte = static_cast<std::uint8_t>(wParam & 0xFF);
    if (m_nTrailingChecksum >= 0) {
        const int expected = m_nTrailingChecksum;
        m_nTrailingChecksum = -1;
        if (m_nRxState == -1 && byte == expected)
            return 0;
    }
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

void CConsoleDlg::ParseReply(std::uint8_t byte) {
    const int s = m_nRxState;
    if (s == -1) {
        if (byte == kReplyStart) {
            m_abRxFrame[0] = byte;
            m_nRxState = 0;
        }
        return;
    }
    if (s < 0 || s + 1 >= static_cast<int>(sizeof m_abRxFrame)) {
        m_nRxState = -1;
        return;
    }
    m_abRxFrame[s + 1] = byte;
    if (s <= 1) {
        m_nRxState = s + 1;
        return;
    }
    if (s == 2) {
        m_nRxLength = byte;
        m_nRxState = 3;
        return;
    }
    if (s == 3) {
        if (byte != 0x00 && byte != 0x01) {
            m_nRxState = -1;
            return;
        }
        m_nRxLength += byte * 256;
        m_nRxState = m_nRxLength > kMaxGeneralLength ? -1 : 4;
        return;
    }
    if (s + 2 != m_nRxLength + 5) {
        m_nRxState = s + 1;
        return;
    }

    // A complete frame of m_nRxLength + 5 bytes.
    m_nRxState = -1;
    const int size = m_nRxLength + 5;
    std::uint8_t sum = 0;
    for (int i = 0; i < size; ++i)
        sum = static_cast<std::uint8_t>(sum + m_abRxFrame[i]);
    if (sum != 0)
        return;
    std::uint16_t word;
    if (m_abRxFrame[6] == 0xFF && m_abRxFrame[7] == 0xFF)
        word = static_cast<std::uint16_t>(m_abRxFrame[9] | (m_abRxFrame[10] << 8));
    else
        word = static_cast<std::uint16_t>(m_abRxFrame[7] | (m_abRxFrame[8] << 8));
    int entry = -1;
    for (int i = 0; i < kReplyHandlerCount; ++i) {
        if (m_replyWords[i] == word) {
            entry = i;
            break;
        }
    }
    if (entry < 0)
        return;
    if (word != cmd::DeviceAddressReport &&
        !AddressAccepted(m_address, m_abRxFrame[5], m_abRxFrame[6]))
        return;
    // Called through a copy: g++ 12's bounds sanitizer misreads a call made straight through an
    // element of an array of member-function pointers as an out-of-range index.
    const ReplyHandler handler = m_replyHandlers[entry];
    if (handler != nullptr)
        (this->*handler)();
}

void CConsoleDlg::ParseEdidReply(std::uint8_t byte) {
    const int s = m_nRxState;
    if (s == -1) {
        if (byte == kReplyStart)
            m_nRxState = 0;
        return;
    }
    const bool saved = m_bReadingSavedEdid == 1;
    auto expect = [&](std::uint8_t value) { m_nRxState = byte == value ? s + 1 : -1; };
    switch (s) {
    case 0:
    case 1:
        expect(0x00);
        return;
    case 2:
        expect(saved ? 0x06 : 0x05);
        return;
    case 3:
        expect(0x01);
        return;
    case 4:
    case 5:
        m_nRxState = s + 1;
        return;
    case 6:
        expect(saved ? 0xAA : 0x38);
        return;
    case 7:
        expect(saved ? 0x80 : 0xB8);
        return;
    default:
        break;
    }
    const int checksumState = saved ? 265 : 264;
    if (s == 8 && saved) {
        m_nRxState = static_cast<std::int8_t>(byte) < 10 ? 9 : -1;
        return;
    }
    if (s < checksumState) {
        const int index = saved ? s - 9 : s - 8;
        if (index >= 0 && index < 256)
            m_abEdidRx[index] = byte;
        m_nRxState = s + 1;
        return;
    }
    // The reply's checksum byte: kept after the image, not checked.
    m_abEdidRx[256] = byte;
    m_nRxState = -1;
    m_bReadingEdid = 0;
    m_bReadingSavedEdid = 0;
    KillTimer(kTimerExchange);
    std::memcpy(m_edidPage.m_abEdid, m_abEdidRx, sizeof m_abEdidRx);
    m_edidPage.ValidateAndDecode();
}

void CConsoleDlg::ParseSearchReply(std::uint8_t byte) {
    if (m_nRxState != -1)
        SetTimer(kTimerExchange, 200);
    const int s = m_nRxState;
    if (s == -1) {
        if (byte == kReplyStart)
            m_nRxState = 0;
        return;
    }
    static const int kExpected[] = {0x00, 0x00, 0x07, 0x00, -1, -1, 0x02, 0xF8, 0x00};
    if (s <= 8) {
        const int want = kExpected[s];
        m_nRxState = (want < 0 || byte == want) ? s + 1 : -1;
        return;
    }
    if (byte == 0x00)
        m_bDeviceFound = 1;
    m_nRxState = -1;
}
