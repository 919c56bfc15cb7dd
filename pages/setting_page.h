// CSettingPage: the "Setting" tab: interface, HDCP, colour and audio settings.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <string>

class CConsoleDlg;

class CSettingPage : public ui::Dialog {
public:
    CSettingPage();

    void ShowStatus(const unsigned char* settings);
    void UpdateForOutputMode();
    // Selects entry index of the channel combo 1180 (no entry when out of range).
    void SelectChannel(int index);

    int m_nOutputMode = -1;
    int m_nAudioBits = -1;
    int m_nAudioSource = -1;
    int m_nSampleRate = -1;
    int m_nColorDepth = -1;
    int m_nColorSpace = -1;
    int m_nHdcp = -1;
    std::string m_strWaitNote;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    CConsoleDlg& Main() const;
};
