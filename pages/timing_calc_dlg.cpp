#include "pages/timing_calc_dlg.h"

#include "platform/ui/data_exchange.h"
#include "res/resource.h"
#include "res/templates.h"

#include <cstdio>

namespace {

using timing_calc::Formula;

const ui::HandlerEntry kHandlers[] = {
    UI_ON_CLICKED(IDC_C_CALCULATE, CTimingCalcDlg, OnCalculate),
    UI_ON_CLICKED(ui::IDOK, CTimingCalcDlg, OnOK),
    UI_ON_NOTIFY(ui::Notify::SelChange, IDC_C_FORMULA, CTimingCalcDlg, OnFormulaChange),
    UI_END_HANDLERS,
};

std::string Format(const char* format, double a, double b = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

} // namespace

std::string DescribeTiming(const timing_calc::Timing& t) {
    const char* nl = "\r\n";
    std::string s = timing_calc::FormulaTitle(t.formula);
    if (t.formula == Formula::Cta)
        s += " VIC " + std::to_string(t.id);
    if (t.formula == Formula::Dmt) {
        char id[16];
        std::snprintf(id, sizeof id, " id 0x%02x", static_cast<unsigned>(t.id));
        s += id;
    }
    s += Format(t.formula == Formula::Gtf ? ": pixel clock %.6f MHz" : ": pixel clock %.3f MHz",
                t.pixelClockMhz) +
         nl;
    auto row = [](const char* name, int active, int front, int sync, int back, int total) {
        return std::string(name) + " active " + std::to_string(active) + ", front porch " +
               std::to_string(front) + ", sync " + std::to_string(sync) + ", back porch " +
               std::to_string(back) + ", total " + std::to_string(total);
    };
    s += row("H:", t.hActive, t.hFrontPorch, t.hSync, t.hBackPorch, t.HTotal()) + nl;
    s += row(t.interlaced ? "V (field):" : "V:", t.vActive, t.vFrontPorch, t.vSync, t.vBackPorch,
             t.VTotal()) +
         nl;
    s += std::string("Sync H ") + (t.hsyncPositive ? "+" : "-") + ", V " +
         (t.vsyncPositive ? "+" : "-") + (t.interlaced ? ", interlace" : ", progressive") + nl;
    s += Format(t.interlaced ? "Line rate %.3f kHz, field rate %.3f Hz"
                             : "Line rate %.3f kHz, frame rate %.3f Hz",
                t.HFreqKhz(), t.VFreqHz()) +
         nl;
    if (!t.note.empty())
        s += t.note + nl;
    const std::string fits = timing_calc::CheckFitsUserRecord(t);
    s += fits.empty() ? "The user timing record holds this timing." : "Cannot be stored: " + fits;
    return s;
}

CTimingCalcDlg::CTimingCalcDlg(const timing_calc::Request& q) : ui::Dialog(TimingCalcTemplate()) {
    m_nFormula = static_cast<int>(q.formula);
    m_nHActive = q.hActive;
    m_nVActive = q.vActive;
    m_fRate = q.rateHz;
    m_nId = q.id;
    m_nScanType = q.interlaced ? 1 : 0;
    m_nVideoOptimized = q.videoOptimized ? 1 : 0;
    m_nEarlyVsync = q.rb3EarlyVsync ? 1 : 0;
    m_nHBlank = q.rb3HBlank;
}

const ui::HandlerEntry* CTimingCalcDlg::GetHandlerTable() const {
    return kHandlers;
}

bool CTimingCalcDlg::OnInitDialog() {
    for (int f = 0; f < timing_calc::kFormulaCount; ++f)
        ComboAddString(IDC_C_FORMULA, timing_calc::FormulaTitle(static_cast<Formula>(f)));
    const bool ok = ui::Dialog::OnInitDialog(); // members to controls
    EnableForFormula();
    return ok;
}

void CTimingCalcDlg::DoDataExchange(ui::DataExchange& dx) {
    ui::DDX_CBIndex(dx, IDC_C_FORMULA, m_nFormula);
    ui::DDX_Text(dx, IDC_C_H_ACTIVE, m_nHActive);
    ui::DDX_Text(dx, IDC_C_V_ACTIVE, m_nVActive);
    ui::DDX_Text(dx, IDC_C_RATE, m_fRate);
    ui::DDX_Text(dx, IDC_C_ID, m_nId);
    ui::DDX_Radio(dx, IDC_C_PROGRESSIVE, m_nScanType);
    ui::DDX_Check(dx, IDC_C_VIDEO_OPTIMIZED, m_nVideoOptimized);
    ui::DDX_Check(dx, IDC_C_EARLY_VSYNC, m_nEarlyVsync);
    ui::DDX_Text(dx, IDC_C_H_BLANK, m_nHBlank);
}

// Only the fields the chosen formula reads can be changed.
void CTimingCalcDlg::EnableForFormula() {
    const int index = ComboGetCurSel(IDC_C_FORMULA);
    const Formula f = static_cast<Formula>(index < 0 ? 0 : index);
    const bool table = f == Formula::Cta || f == Formula::Dmt;
    const bool sized = f != Formula::Cta;
    for (int id : {IDC_C_H_ACTIVE, IDC_C_V_ACTIVE, IDC_C_RATE})
        EnableDlgItem(id, sized);
    EnableDlgItem(IDC_C_ID, table);
    const bool scan =
        f == Formula::Cvt || f == Formula::CvtRb1 || f == Formula::Gtf || f == Formula::Dmt;
    EnableDlgItem(IDC_C_PROGRESSIVE, scan);
    EnableDlgItem(IDC_C_INTERLACE, scan);
    EnableDlgItem(IDC_C_VIDEO_OPTIMIZED, f == Formula::CvtRb2);
    EnableDlgItem(IDC_C_EARLY_VSYNC, f == Formula::CvtRb3);
    EnableDlgItem(IDC_C_H_BLANK, f == Formula::CvtRb3);
}

void CTimingCalcDlg::OnFormulaChange() {
    EnableForFormula();
}

bool CTimingCalcDlg::Calculate(timing_calc::Timing& t) {
    if (!UpdateData(true))
        return false;
    timing_calc::Request q;
    q.formula = static_cast<Formula>(m_nFormula < 0 ? 0 : m_nFormula);
    q.hActive = m_nHActive;
    q.vActive = m_nVActive;
    q.rateHz = m_fRate;
    q.id = m_nId;
    // Each formula takes only the fields it enables; the others keep what they hold.
    const bool scan = q.formula == Formula::Cvt || q.formula == Formula::CvtRb1 ||
                      q.formula == Formula::Gtf || (q.formula == Formula::Dmt && q.id == 0);
    q.interlaced = scan && m_nScanType == 1;
    q.videoOptimized = q.formula == Formula::CvtRb2 && m_nVideoOptimized != 0;
    q.rb3EarlyVsync = q.formula == Formula::CvtRb3 && m_nEarlyVsync != 0;
    if (q.formula == Formula::CvtRb3)
        q.rb3HBlank = m_nHBlank;
    if (q.formula != Formula::Cta && q.formula != Formula::Dmt)
        q.id = 0;
    const timing_calc::Result r = timing_calc::Calculate(q);
    if (!r.ok) {
        MessageBox("No timing: " + r.error + ".");
        return false;
    }
    t = r.timing;
    return true;
}

void CTimingCalcDlg::OnCalculate() {
    timing_calc::Timing t;
    if (!Calculate(t))
        return;
    m_strResult = DescribeTiming(t);
    SetDlgItemText(IDC_C_RESULT, m_strResult);
}

void CTimingCalcDlg::OnOK() {
    // OK takes the timing of what the fields hold now, not an older result.
    timing_calc::Timing t;
    if (!Calculate(t))
        return;
    const std::string fits = timing_calc::CheckFitsUserRecord(t);
    if (!fits.empty()) {
        MessageBox("This timing cannot be stored: " + fits + ".");
        return;
    }
    m_result = t;
    m_bHaveResult = true;
    EndDialog(ui::IDOK);
}
