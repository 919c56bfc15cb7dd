#include "pages/timing_details_page.h"

#include "link/command_words.h"
#include "link/exchanges.h"
#include "link/timing_codes.h"
#include "link/user_timing_checks.h"
#include "link/user_timing_record.h"
#include "pages/page_host.h"
#include "pages/timing_calc_dlg.h"
#include "pages/timing_page.h"
#include "platform/ui/message_target.h"
#include "res/art.h"
#include "res/art_timing.h"
#include "res/resource.h"
#include "res/templates.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

// The edits the operator may change, and the buttons that go with them.
constexpr int kEditableIds[] = {
    IDC_D_PIXEL_CLOCK, IDC_D_H_ACTIVE,  IDC_D_H_BLANK,   IDC_D_HS_OFFSET,   IDC_D_HS_WIDTH,
    IDC_D_V_ACTIVE,    IDC_D_V_BLANK,   IDC_D_VS_OFFSET, IDC_D_VS_WIDTH,    IDC_D_HSYNC_POS,
    IDC_D_HSYNC_NEG,   IDC_D_VSYNC_POS, IDC_D_VSYNC_NEG, IDC_D_PROGRESSIVE, IDC_D_INTERLACE,
    IDC_D_SAVE_USER,   IDC_D_CALCULATE};

constexpr int kUserSlots = 10;

// Waits between two frames. The link's worker reports a finished frame synchronously and waits for
// this thread meanwhile; serving that report after the wait lets it take the next frame, so a
// third frame cannot replace one that was never sent.
void Pace(int milliseconds) {
    ui::Sleep(milliseconds);
    ui::ServePendingDeliveries();
}

const ui::HandlerEntry kHandlers[] = {
    UI_ON_CLICKED(IDC_D_SAVE_USER, CTimingDetailsPage, OnSaveUserTiming),
    UI_ON_CLICKED(IDC_D_UPDATE_STATUS, CTimingDetailsPage, OnUpdateStatus),
    UI_ON_CLICKED(IDC_D_CALCULATE, CTimingDetailsPage, OnCalculate),
    UI_END_HANDLERS,
};

} // namespace

CTimingDetailsPage::CTimingDetailsPage(CPageHost& host)
    : ui::Dialog(TimingDetailsPageTemplate()), m_host(host) {}

const ui::HandlerEntry* CTimingDetailsPage::GetHandlerTable() const {
    return kHandlers;
}

const BuiltInTiming* CTimingDetailsPage::BuiltIn(int code) {
    return FindBuiltInTiming(code);
}

bool CTimingDetailsPage::OnInitDialog() {
    ApplyTemplateResources(*this);
    m_cbUserSlot = IDC_D_USER_SLOT;
    // The illustrations are drawn at the size their statics have at this font.
    for (int id : {IDC_D_ART_HORIZONTAL, IDC_D_ART_VERTICAL}) {
        const ui::Rect r = GetDlgItemRect(id);
        const int art = id == IDC_D_ART_HORIZONTAL ? IDB_TIMING_HORIZONTAL : IDB_TIMING_VERTICAL;
        SetDlgItemImage(id, LoadTimingArt(art, r.right - r.left, r.bottom - r.top));
    }
    return ui::Dialog::OnInitDialog();
}

void CTimingDetailsPage::DoDataExchange(ui::DataExchange& dx) {
    ui::DDX_Text(dx, IDC_D_PIXEL_CLOCK, m_fPixelClock);
    ui::DDX_Text(dx, IDC_D_H_FREQ, m_fHFreq);
    ui::DDX_Text(dx, IDC_D_V_FREQ, m_fVFreq);
    ui::DDX_Text(dx, IDC_D_H_ACTIVE, m_nHActive);
    ui::DDX_Text(dx, IDC_D_V_ACTIVE, m_nVActive);
    ui::DDX_Text(dx, IDC_D_H_TOTAL, m_nHTotal);
    ui::DDX_Text(dx, IDC_D_V_TOTAL, m_nVTotal);
    ui::DDX_Text(dx, IDC_D_H_BLANK, m_nHBlank);
    ui::DDX_Text(dx, IDC_D_V_BLANK, m_nVBlank);
    ui::DDX_Text(dx, IDC_D_VS_WIDTH, m_nVsWidth);
    ui::DDX_Text(dx, IDC_D_HS_WIDTH, m_nHsWidth);
    ui::DDX_Text(dx, IDC_D_HS_OFFSET, m_nHsOffset);
    ui::DDX_Text(dx, IDC_D_VS_OFFSET, m_nVsOffset);
    ui::DDX_Radio(dx, IDC_D_HSYNC_POS, m_nHsyncPolarity);
    ui::DDX_Radio(dx, IDC_D_VSYNC_POS, m_nVsyncPolarity);
    ui::DDX_Radio(dx, IDC_D_PROGRESSIVE, m_nScanType);
}

bool CTimingDetailsPage::PreTranslateMessage(ui::Msg& msg) {
    // Enter in an edit goes to that edit only, so it neither closes nor re-defaults the page.
    return ui::KeepEnterAndEscape(*this, msg) || ui::Dialog::PreTranslateMessage(msg);
}

void CTimingDetailsPage::SetEditable(bool editable) {
    for (int id : kEditableIds)
        EnableDlgItem(id, editable);
}

void CTimingDetailsPage::LoadTimingDetails(char codeByte) {
    const int code = static_cast<signed char>(codeByte);
    // A code that names no timing (a reply byte of 0x48 or more) leaves the page as it is.
    if (!timing::NamesATiming(code))
        return;

    bool interlaced = false;
    if (const BuiltInTiming* row = BuiltIn(code)) {
        interlaced = (row->flags & 0x01) != 0;
        m_fPixelClock = row->clockMhz;
        m_nHActive = row->hActive;
        m_nHTotal = row->hTotal;
        m_nHsWidth = row->hsWidth;
        m_nHBlank = row->hTotal - row->hActive;
        m_nHsOffset = m_nHBlank - row->hBack;
        m_nVActive = interlaced ? row->vActive / 2 : row->vActive;
        m_nVTotal = interlaced ? row->vTotal / 2 : row->vTotal;
        m_nVBlank = m_nVTotal - m_nVActive;
        m_nVsWidth = row->vsWidth;
        m_nVsOffset = m_nVBlank - row->vBack;
        m_nHsyncPolarity = (row->flags & 0x04) ? 0 : 1;
        m_nVsyncPolarity = (row->flags & 0x08) ? 0 : 1;
    } else {
        const int index = code == timing::kAuto ? 10 : timing::UserSlot(code);
        const UserTimingRecord r = UserTimingRecord::FromBytes(m_host.UserTimingRecord(index));
        interlaced = r.Interlaced();
        m_fPixelClock = r.pixelClock10kHz * 0.01;
        m_nHActive = r.hActive;
        m_nHBlank = r.hBlank;
        m_nHsOffset = r.hsOffset;
        m_nHsWidth = r.hsWidth;
        m_nVActive = r.vActive;
        m_nVBlank = r.vBlank;
        m_nVsOffset = r.vsOffset;
        m_nVsWidth = r.vsWidth;
        m_nHTotal = r.HTotal();
        m_nVTotal = r.VTotal();
        m_nHsyncPolarity = (r.flags & UserTimingRecord::kHsyncPositive) ? 0 : 1;
        m_nVsyncPolarity = (r.flags & UserTimingRecord::kVsyncPositive) ? 0 : 1;
    }
    m_nScanType = interlaced ? 1 : 0;

    DeriveFrequencies(interlaced);
    if (timing::Is420(code)) {
        m_fHFreq *= 2;
        m_fVFreq *= 2;
    }

    SetEditable(!timing::Is4k(code));
    UpdateData(false);
}

void CTimingDetailsPage::DeriveFrequencies(bool interlaced) {
    // f is the line rate in units of 10 Hz; an empty record (a total of 0) shows 0 for both.
    m_fHFreq = 0;
    m_fVFreq = 0;
    if (m_nHTotal > 0) {
        const double f = m_fPixelClock * 100000 / m_nHTotal;
        m_fHFreq = std::floor(f + 0.5) * 0.01;
        // Half a line more per field: an interlaced timing shows its field rate.
        const double d = interlaced ? m_nVTotal + 0.5 : m_nVTotal;
        if (d > 0)
            m_fVFreq = std::floor(f * 0.01 * 100000 / d + 0.5) * 0.01;
    }
}

void CTimingDetailsPage::OnCalculate() {
    // The calculator starts from the timing the page shows.
    timing_calc::Request q;
    q.hActive = m_nHActive;
    q.vActive = m_nScanType == 1 ? m_nVActive * 2 : m_nVActive;
    q.interlaced = m_nScanType == 1;
    q.rateHz = std::round(q.interlaced ? m_fVFreq / 2 : m_fVFreq);
    CTimingCalcDlg dlg(q);
    if (dlg.DoModal(this) != ui::IDOK || !dlg.HasResult())
        return; // cancelled or refused: the page stays as it was
    const timing_calc::Timing& t = dlg.Result();
    m_fPixelClock = t.pixelClockMhz;
    m_nHActive = t.hActive;
    m_nHBlank = t.HBlank();
    m_nHsOffset = t.hFrontPorch;
    m_nHsWidth = t.hSync;
    m_nHTotal = t.HTotal();
    m_nVActive = t.vActive;
    m_nVBlank = t.VBlank();
    m_nVsOffset = t.vFrontPorch;
    m_nVsWidth = t.vSync;
    m_nVTotal = t.VTotal();
    m_nHsyncPolarity = t.hsyncPositive ? 0 : 1;
    m_nVsyncPolarity = t.vsyncPositive ? 0 : 1;
    m_nScanType = t.interlaced ? 1 : 0;
    DeriveFrequencies(t.interlaced);
    UpdateData(false);
}

void CTimingDetailsPage::BuildUserTimingCaption(const std::uint8_t* record, char* text) {
    CTimingPage::FormatUserTimingCaption(record, text);
}

void CTimingDetailsPage::OnSaveUserTiming() {
    if (!UpdateData(true))
        return;
    const int s = ComboGetCurSel(IDC_D_USER_SLOT) + 1;

    // Every check comes before anything is sent: a refused save leaves the generator on the
    // timing the console shows.
    rules::UserTimingValues v;
    v.clockMhz = m_fPixelClock;
    v.hActive = m_nHActive;
    v.hBlank = m_nHBlank;
    v.hsOffset = m_nHsOffset;
    v.hsWidth = m_nHsWidth;
    v.vActive = m_nVActive;
    v.vBlank = m_nVBlank;
    v.vsOffset = m_nVsOffset;
    v.vsWidth = m_nVsWidth;
    v.interlaced = m_nScanType == 1;
    v.hsyncPositive = m_nHsyncPolarity == 0;
    v.vsyncPositive = m_nVsyncPolarity == 0;
    const std::string refusal = rules::CheckUserTiming(s, v);
    if (!refusal.empty()) {
        MessageBox(refusal);
        return;
    }
    // Not connected: said once, and the table, the captions and the timing stay as they are.
    if (!m_host.IsConnected()) {
        MessageBox("Com port is not on yet.");
        return;
    }

    if (s == m_nLastSavedSlot) {
        // The generator must leave a user timing before that slot is rewritten.
        const std::uint8_t leave = exchange::kLeaveSlotTiming;
        if (!m_host.SendCommandData(cmd::SetTiming, 1, &leave))
            return;
        Pace(exchange::kLeaveSlotWaitMs);
    }
    m_nLastSavedSlot = s;

    // The record becomes the console's only once it went to the generator.
    UserTimingRecord::Bytes record = rules::MakeUserTimingRecord(s, v).ToBytes();
    if (!m_host.SendCommandData(cmd::StoreUserTiming, UserTimingRecord::kSize, record.data()))
        return;
    std::memcpy(m_host.UserTimingRecord(s - 1), record.data(), record.size());

    UpdateData(false);
    char caption[CTimingPage::kCaptionSize];
    BuildUserTimingCaption(record.data(), caption);
    m_host.SetUserTimingCaption(s - 1, caption);

    // Output the stored timing at once.
    Pace(exchange::kAfterStoreWaitMs);
    UpdateData(false);
    m_host.SelectTimingCode(timing::kFirstUser + s - 1);
}

void CTimingDetailsPage::OnUpdateStatus() {
    if (m_host.IsConnected()) {
        m_host.StartStatusReadBack(exchange::kReadBackIntervalMs);
        return;
    }
    MessageBox("Com port is not on yet.");
}
