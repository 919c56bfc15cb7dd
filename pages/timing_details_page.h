// CTimingDetailsPage: the "Timing Details" tab: parameters of the selected timing and the upload
// of user timings.
#pragma once

#include "link/timing_table.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <cstdint>

class CPageHost;

// One built-in timing: vertical values of interlaced rows are per frame.

class CTimingDetailsPage : public ui::Dialog {
public:
    static constexpr int kBuiltInCount = kBuiltInTimingCount;

    explicit CTimingDetailsPage(CPageHost& host);

    void LoadTimingDetails(char code);
    void OnSaveUserTiming();
    void OnUpdateStatus();
    // Opens the timing calculator; its timing, when the operator takes it, fills the edits.
    void OnCalculate();
    static void BuildUserTimingCaption(const std::uint8_t* record, char* text);
    // Row of a timing code 0..60 (nullptr for any other code).
    static const BuiltInTiming* BuiltIn(int code);

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
    int m_cbUserSlot = 0; // control id of the slot combo

    // The slot saved last time (1..10; -1 before the first save), shared by all saves of the run.
    int m_nLastSavedSlot = -1;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    bool PreTranslateMessage(ui::Msg& msg) override;
    const ui::HandlerEntry* GetHandlerTable() const override;

private:
    CPageHost& m_host;
    void SetEditable(bool editable);
    // H freq and V freq from the clock and the totals, as the page shows them.
    void DeriveFrequencies(bool interlaced);
};
