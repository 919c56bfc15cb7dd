// CTimingDetailsPage: the "Timing Details" tab: parameters of the selected timing and the upload
// of user timings.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

class CConsoleDlg;

class CTimingDetailsPage : public ui::Dialog {
public:
    CTimingDetailsPage();

    void LoadTimingDetails(char code);

    double m_fPixelClock = 0;
    double m_fHFreq = 0;
    double m_fVFreq = 0;
    int m_nHActive = 0;
    int m_nVActive = 0;
    int m_nHTotal = 0;
    int m_nVTotal = 0;
    int m_nHBlank = 0;
    int m_nVBlank = 0;
    int m_nVsWidth = 0;
    int m_nHsWidth = 0;
    int m_nHsOffset = 0;
    int m_nVsOffset = 0;
    int m_nHsyncPolarity = -1;
    int m_nVsyncPolarity = -1;
    int m_nScanType = -1;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    CConsoleDlg& Main() const;
};
