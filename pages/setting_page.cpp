#include "pages/setting_page.h"

#include "app/console_dlg.h"
#include "res/templates.h"

CSettingPage::CSettingPage() : ui::Dialog(SettingPageTemplate()) {}

CConsoleDlg& CSettingPage::Main() const {
    return *static_cast<CConsoleDlg*>(GetParentDialog());
}

void CSettingPage::DoDataExchange(ui::DataExchange&) {}

void CSettingPage::ShowStatus(const unsigned char* settings) {
    m_nColorSpace = settings[0];
    m_nColorDepth = settings[1];
    m_nHdcp = settings[2];
    m_nOutputMode = settings[3];
    m_nSampleRate = settings[4];
    m_nAudioBits = settings[5];
    m_nAudioSource = settings[6];
}

void CSettingPage::UpdateForOutputMode() {}

void CSettingPage::SelectChannel(int) {}
