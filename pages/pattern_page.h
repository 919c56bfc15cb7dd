// CPatternPage: the "Pattern" tab, one radio and thumbnail per test pattern.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

class CConsoleDlg;

class CPatternPage : public ui::Dialog {
public:
    CPatternPage();

    void ShowPattern(int code);
    void UpdateForTiming();
    void UpdateForOutputMode();

    int m_nPattern = -1;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    CConsoleDlg& Main() const;
};
