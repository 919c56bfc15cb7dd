#include "pages/timing_page.h"

#include "app/console_dlg.h"
#include "res/templates.h"

CTimingPage::CTimingPage() : ui::Dialog(TimingPageTemplate()) {}

CConsoleDlg& CTimingPage::Main() const {
    return *static_cast<CConsoleDlg*>(GetParentDialog());
}

void CTimingPage::DoDataExchange(ui::DataExchange&) {}

bool CTimingPage::PreTranslateMessage(ui::Msg& msg) {
    if (msg.message == ui::WM_KEYDOWN && msg.wParam == ui::VK_RETURN) {
        DispatchToFocus(msg);
        return true;
    }
    if (msg.message == ui::WM_KEYDOWN && msg.wParam == ui::VK_ESCAPE)
        return true;
    return ui::Dialog::PreTranslateMessage(msg);
}

void CTimingPage::SyncRadioToCode() {
    m_nTimingRadio = m_nTimingCode;
}

void CTimingPage::ShowTimingDetails() {
    Main().m_timingDetailsPage.LoadTimingDetails(static_cast<char>(m_nTimingCode));
}

void CTimingPage::ShowStatus(const unsigned char* status) {
    m_nTimingCode = status[0];
    SyncRadioToCode();
    ShowTimingDetails();
}

void CTimingPage::UpdateForOutputMode() {}
