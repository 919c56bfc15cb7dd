// CTimingPage: the " Timing " tab, one radio per output timing.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

class CConsoleDlg;

class CTimingPage : public ui::Dialog {
public:
    CTimingPage();

    void SyncRadioToCode();
    void ShowTimingDetails();
    void ShowStatus(const unsigned char* status);
    void UpdateForOutputMode();

    int m_nTimingRadio = -1;
    int m_nTimingCode = 0;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool PreTranslateMessage(ui::Msg& msg) override;

private:
    CConsoleDlg& Main() const;
};
