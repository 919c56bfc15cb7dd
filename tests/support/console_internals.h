// The console's inner state for tests: In(dlg).m_nPort reads and writes the private member, so
// that tests can set up and check what the controls cannot reach.
#pragma once

#include "app/console_dlg.h"

struct ConsoleInternals {
    explicit ConsoleInternals(CConsoleDlg& d)
        : dlg(d), m_strSearchStatus(d.m_strSearchStatus), m_strTiming(d.m_strTiming),
          m_strColorSpace(d.m_strColorSpace), m_nSignal(d.m_nSignal),
          m_conversation(d.m_conversation), m_pConversationDlg(d.m_pConversationDlg),
          m_pPlanDlg(d.m_pPlanDlg), m_link(d.m_link), m_timingPage(d.m_timingPage),
          m_patternPage(d.m_patternPage), m_settingPage(d.m_settingPage), m_edidPage(d.m_edidPage),
          m_timingDetailsPage(d.m_timingDetailsPage), m_bReadingSavedEdid(d.m_bReadingSavedEdid),
          m_bAutoDetailsAsked(d.m_bAutoDetailsAsked), m_bAskAutoDetails(d.m_bAskAutoDetails),
          m_bDeviceFound(d.m_bDeviceFound), m_nStatusStep(d.m_nStatusStep),
          m_abStatus(d.m_abStatus), m_nStatusRecord(d.m_nStatusRecord), m_bHotPlug(d.m_bHotPlug),
          m_timingNames(d.m_timingNames), m_nChannelSelection(d.m_nChannelSelection),
          m_nFollowUpQueries(d.m_nFollowUpQueries), m_abTxFrame(d.m_abTxFrame),
          m_addressWords(d.m_addressWords), m_addressNotes(d.m_addressNotes), m_rx(d.m_rx),
          m_nBaudRate(d.m_nBaudRate), m_nPort(d.m_nPort), m_chParity(d.m_chParity),
          m_nEventMask(d.m_nEventMask) {}

    CConsoleDlg& dlg;
    // One received byte, as the link's worker hands it over.
    ui::LRESULT OnLinkRxChar(ui::WPARAM byte, ui::LPARAM count) {
        return dlg.OnLinkRxChar(byte, count);
    }
    void OnSelectSdi() { dlg.OnSelectSdi(); }
    bool PreTranslateMessage(ui::Msg& msg) { return dlg.PreTranslateMessage(msg); }
    std::string& m_strSearchStatus;
    std::string& m_strTiming;
    std::string& m_strColorSpace;
    int& m_nSignal;
    CConversation& m_conversation;
    std::unique_ptr<CConversationDlg>& m_pConversationDlg;
    std::unique_ptr<CPlanDlg>& m_pPlanDlg;
    CSerialLink& m_link;
    CTimingPage& m_timingPage;
    CPatternPage& m_patternPage;
    CSettingPage& m_settingPage;
    CEdidPage& m_edidPage;
    CTimingDetailsPage& m_timingDetailsPage;
    int& m_bReadingSavedEdid;
    int& m_bAutoDetailsAsked;
    int& m_bAskAutoDetails;
    int& m_bDeviceFound;
    int& m_nStatusStep;
    std::uint8_t (&m_abStatus)[12];
    int& m_nStatusRecord;
    int& m_bHotPlug;
    std::string (&m_timingNames)[CConsoleDlg::kTimingNameCount];
    int& m_nChannelSelection;
    int& m_nFollowUpQueries;
    std::uint8_t (&m_abTxFrame)[frame::kMaxFrame];
    std::uint16_t (&m_addressWords)[CConsoleDlg::kAddressEntries];
    char (&m_addressNotes)[CConsoleDlg::kAddressEntries][12];
    reply::CReplyFraming& m_rx;
    int& m_nBaudRate;
    int& m_nPort;
    char& m_chParity;
    unsigned& m_nEventMask;
};

inline ConsoleInternals In(CConsoleDlg& d) {
    return ConsoleInternals(d);
}

// Reading through a const console: the references are the test's to use with care.
inline ConsoleInternals In(const CConsoleDlg& d) {
    return ConsoleInternals(const_cast<CConsoleDlg&>(d));
}
