// CTimingCalcDlg: the timing calculator, a modal dialog of the Timing Details page. The operator
// chooses a formula (CVT, its reduced blanking versions, GTF, a DMT or CTA-861 format) and the
// size, rate and scan or the table id; Calculate shows the timing; OK hands it to the page, only
// when the user timing record can hold it exactly.
#pragma once

#include "link/timing_calc.h"
#include "platform/ui/dialog.h"

#include <string>

class CTimingCalcDlg : public ui::Dialog {
public:
    // Opens with this request filled in.
    explicit CTimingCalcDlg(const timing_calc::Request& initial);

    void OnCalculate();
    void OnOK();
    void OnFormulaChange();
    // The timing OK accepted; valid once the dialog ended with OK.
    bool HasResult() const { return m_bHaveResult; }
    const timing_calc::Timing& Result() const { return m_result; }

    int m_nFormula = 0; // index of timing_calc::Formula
    int m_nHActive = 0;
    int m_nVActive = 0; // frame lines
    double m_fRate = 0;
    int m_nId = 0;       // VIC, or DMT id (0: by size and rate)
    int m_nScanType = 0; // 0 progressive, 1 interlace
    int m_nVideoOptimized = 0;
    int m_nEarlyVsync = 0;
    int m_nHBlank = timing_calc::kRb3DefaultHBlank;
    std::string m_strResult; // what the result field shows

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    const ui::HandlerEntry* GetHandlerTable() const override;

private:
    // Reads the controls and calculates; false (with the reason shown) when the controls hold
    // no valid request or no formula gives a timing for it.
    bool Calculate(timing_calc::Timing& t);
    void EnableForFormula();

    timing_calc::Timing m_result;
    bool m_bHaveResult = false;
};

// The timing in a few lines for people, CR LF between them, ending with whether the user timing
// record can hold it.
std::string DescribeTiming(const timing_calc::Timing& t);
