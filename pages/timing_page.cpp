#include "pages/timing_page.h"

#include "link/code_names.h"
#include "link/command_words.h"
#include "link/exchanges.h"
#include "link/timing_codes.h"
#include "link/user_timing_record.h"
#include "pages/page_host.h"
#include "res/art.h"
#include "res/resource.h"
#include "res/templates.h"

#include <cstdio>
#include <cstring>

namespace {

// Radio control ids in template order: entry i is the radio with index i.
constexpr int kRadioIds[CTimingPage::kRadioCount] = {
    // VESA, codes 0..9
    IDC_T_640X480_60, IDC_T_800X600_60, IDC_T_1024X768_60, IDC_T_1280X768_60, IDC_T_1360X768_60,
    IDC_T_1280X960_60, IDC_T_1280X1024_60, IDC_T_1400X1050_60, IDC_T_1600X1200_60,
    IDC_T_1920X1200_60,
    // 60 / 30 / 24 fps families, codes 10..21
    IDC_T_480I_5994, IDC_T_480P_5994, IDC_T_720P_60, IDC_T_720P_5994, IDC_T_1080I_60,
    IDC_T_1080I_5994, IDC_T_1080P_30, IDC_T_1080P_2997, IDC_T_1080P_24, IDC_T_1080P_2398,
    IDC_T_1080P_60, IDC_T_1080P_5994,
    // 50 / 25 fps, codes 22..27
    IDC_T_576I_50, IDC_T_576P_50, IDC_T_720P_50, IDC_T_1080I_50, IDC_T_1080P_25, IDC_T_1080P_50,
    // UHD 4:4:4 codes 28..32, UHD 4:2:0 codes 38..40 (indices 33..35)
    IDC_T_UHD_30, IDC_T_UHD_2997, IDC_T_UHD_25, IDC_T_UHD_24, IDC_T_UHD_2398, IDC_T_UHD420_60,
    IDC_T_UHD420_5994, IDC_T_UHD420_50,
    // DCI 4K codes 33..37 (indices 36..40), DCI 4:2:0 codes 41..43
    IDC_T_DCI_30, IDC_T_DCI_2997, IDC_T_DCI_25, IDC_T_DCI_24, IDC_T_DCI_2398, IDC_T_DCI420_60,
    IDC_T_DCI420_5994, IDC_T_DCI420_50,
    // 3D, codes 44..60
    IDC_T_FP_720P_60, IDC_T_FP_720P_5994, IDC_T_FP_1080P_24, IDC_T_FP_1080P_2398, IDC_T_FP_720P_50,
    IDC_T_SBS_720P_5994, IDC_T_SBS_1080I_5994, IDC_T_SBS_1080P_5994, IDC_T_SBS_1080P_2397,
    IDC_T_SBS_720P_50, IDC_T_SBS_1080I_50, IDC_T_SBS_1080P_50, IDC_T_TB_720P_5994,
    IDC_T_TB_1080P_5994, IDC_T_TB_1080P_2397, IDC_T_TB_720P_50, IDC_T_TB_1080P_50,
    // Auto (61) and user timings 1..10 (62..71)
    IDC_T_AUTO, IDC_T_USER1, IDC_T_USER1 + 1, IDC_T_USER1 + 2, IDC_T_USER1 + 3, IDC_T_USER1 + 4,
    IDC_T_USER1 + 5, IDC_T_USER1 + 6, IDC_T_USER1 + 7, IDC_T_USER1 + 8, IDC_T_USER10};

// Controls that only the HDMI output can use; the SD/HD standards stay enabled for SDI.
constexpr int kHdmiOnlyControls[] = {IDC_T_640X480_60,
                                     IDC_T_800X600_60,
                                     IDC_T_1024X768_60,
                                     IDC_T_1280X768_60,
                                     IDC_T_1360X768_60,
                                     IDC_T_1280X960_60,
                                     IDC_T_1280X1024_60,
                                     IDC_T_1400X1050_60,
                                     IDC_T_1600X1200_60,
                                     IDC_T_1920X1200_60,
                                     IDC_T_480P_5994,
                                     IDC_T_576P_50,
                                     IDC_T_UHD_30,
                                     IDC_T_UHD_2997,
                                     IDC_T_UHD_25,
                                     IDC_T_UHD_24,
                                     IDC_T_UHD_2398,
                                     IDC_T_UHD420_60,
                                     IDC_T_UHD420_5994,
                                     IDC_T_UHD420_50,
                                     IDC_T_DCI_30,
                                     IDC_T_DCI_2997,
                                     IDC_T_DCI_25,
                                     IDC_T_DCI_24,
                                     IDC_T_DCI_2398,
                                     IDC_T_DCI420_60,
                                     IDC_T_DCI420_5994,
                                     IDC_T_DCI420_50,
                                     IDC_T_FP_720P_60,
                                     IDC_T_FP_720P_5994,
                                     IDC_T_FP_1080P_24,
                                     IDC_T_FP_1080P_2398,
                                     IDC_T_FP_720P_50,
                                     IDC_T_SBS_720P_5994,
                                     IDC_T_SBS_1080I_5994,
                                     IDC_T_SBS_1080P_5994,
                                     IDC_T_SBS_1080P_2397,
                                     IDC_T_SBS_720P_50,
                                     IDC_T_SBS_1080I_50,
                                     IDC_T_SBS_1080P_50,
                                     IDC_T_TB_720P_5994,
                                     IDC_T_TB_1080P_5994,
                                     IDC_T_TB_1080P_2397,
                                     IDC_T_TB_720P_50,
                                     IDC_T_TB_1080P_50,
                                     IDC_T_AUTO,
                                     IDC_T_USER1,
                                     IDC_T_USER1 + 1,
                                     IDC_T_USER1 + 2,
                                     IDC_T_USER1 + 3,
                                     IDC_T_USER1 + 4,
                                     IDC_T_USER1 + 5,
                                     IDC_T_USER1 + 6,
                                     IDC_T_USER1 + 7,
                                     IDC_T_USER1 + 8,
                                     IDC_T_USER10,
                                     IDC_TG_USER,
                                     IDC_TG_3D_TOP_BOTTOM,
                                     IDC_TG_3D_SIDE_BY_SIDE,
                                     IDC_TG_3D_FRAME_PACKING,
                                     IDC_TG_UHD,
                                     IDC_TG_VESA,
                                     IDC_TG_DCI,
                                     IDC_T_USER_NO1,
                                     IDC_T_USER_NO1 + 1,
                                     IDC_T_USER_NO1 + 2,
                                     IDC_T_USER_NO1 + 3,
                                     IDC_T_USER_NO1 + 4,
                                     IDC_T_USER_NO1 + 5,
                                     IDC_T_USER_NO1 + 6,
                                     IDC_T_USER_NO1 + 7,
                                     IDC_T_USER_NO1 + 8,
                                     IDC_T_USER_NO10};

} // namespace

CTimingPage::CTimingPage(CPageHost& host) : ui::Dialog(TimingPageTemplate()), m_host(host) {}

template <std::size_t... I>
const ui::HandlerEntry* CTimingPage::MakeHandlerTable(std::index_sequence<I...>) {
    static const ui::HandlerEntry table[] = {
        UI_ON_CLICKED(kRadioIds[I], CTimingPage, OnTimingRadio<static_cast<int>(I)>)...,
        UI_END_HANDLERS};
    return table;
}

const ui::HandlerEntry* CTimingPage::GetHandlerTable() const {
    static const ui::HandlerEntry* table =
        MakeHandlerTable(std::make_index_sequence<static_cast<std::size_t>(kRadioCount)>());
    return table;
}

bool CTimingPage::OnInitDialog() {
    ApplyTemplateResources(*this);
    return ui::Dialog::OnInitDialog();
}

void CTimingPage::DoDataExchange(ui::DataExchange& dx) {
    ui::DDX_Radio(dx, IDC_T_640X480_60, m_nTimingRadio);
}

bool CTimingPage::PreTranslateMessage(ui::Msg& msg) {
    return ui::KeepEnterAndEscape(*this, msg) || ui::Dialog::PreTranslateMessage(msg);
}

int CTimingPage::RadioIndexToCode(int index) {
    if (index >= 33 && index <= 35)
        return index + 5;
    if (index >= 36 && index <= 40)
        return index - 3;
    return index;
}

int CTimingPage::CodeToRadioIndex(int code) {
    if (code >= 38 && code <= 40)
        return code - 5;
    if (code >= 33 && code <= 37)
        return code + 3;
    return code;
}

int CTimingPage::RadioId(int index) {
    return (index >= 0 && index < kRadioCount) ? kRadioIds[index] : 0;
}

bool CTimingPage::SelectTiming(char radioIndex) {
    const int i = static_cast<signed char>(radioIndex);

    // A notification of a radio that is not the checked one (it is being unchecked) is ignored.
    const int shown = m_nTimingRadio; // what the radios showed before this click
    UpdateData(true);
    if (m_nTimingRadio != i)
        return false;

    // The same click can notify twice; the second one within 50 ms is swallowed. A swallowed or
    // refused choice leaves the page, the panel and the timing code as they were.
    const int code = RadioIndexToCode(i);
    const std::uint8_t payload = static_cast<std::uint8_t>(code);
    if (!m_host.PassRepeatGuard() || !m_host.SendCommandData(cmd::SetTiming, 1, &payload)) {
        m_nTimingRadio = shown;
        UpdateData(false);
        return false;
    }
    m_nTimingCode = code;

    if (code == kAutoCode) {
        // Give the generator time to choose from the sink's EDID, then ask what it chose.
        ui::Sleep(exchange::kAutoTimingWaitMs);
        m_host.SendCommandData(cmd::QueryTimingDetails, 1, &payload);
    } else {
        ShowTimingDetails();
    }
    UpdateData(false);

    // 4K is output at 8 bit; the 50/60 Hz 4K timings only in 4:2:0, which no other timing uses.
    m_host.ApplyTimingToSettings(code);

    m_host.ShowTiming(code);
    m_host.RefreshPanel();
    UpdateData(false);
    m_host.UpdatePatternsForTiming();
    return true;
}

void CTimingPage::SyncRadioToCode() {
    m_nTimingRadio = CodeToRadioIndex(m_nTimingCode);
    if (m_nTimingCode == 7)
        m_host.UpdatePatternsForTiming();
}

void CTimingPage::ShowTimingDetails() {
    m_host.ShowTimingDetails(m_nTimingCode);
}

void CTimingPage::ShowTimingCode(int code) {
    m_nTimingCode = code;
    RefreshTiming();
}

void CTimingPage::RefreshTiming() {
    ShowTimingDetails();
    SyncRadioToCode();
    UpdateData(false);
}

void CTimingPage::MarkTimingCode(int code) {
    m_nTimingCode = code;
    SyncRadioToCode();
    UpdateData(false);
}

void CTimingPage::ShowStatus(const unsigned char* status) {
    char caption[kCaptionSize];
    for (int slot = 0; slot < timing::kUserCount; ++slot) {
        FormatUserTimingCaption(m_host.UserTimingRecord(slot), caption);
        SetUserTimingCaption(IDC_T_USER1 + slot, caption);
    }
    m_nTimingCode = static_cast<signed char>(status[0]);
    SyncRadioToCode();
    ShowTimingDetails();
}

void CTimingPage::SetUserTimingCaption(int controlId, const char* text) {
    SetDlgItemText(controlId, text);
}

void CTimingPage::FormatUserTimingCaption(const std::uint8_t* record, char* text) {
    std::snprintf(text, kCaptionSize, "%s", names::UserTimingPageCaption(record).c_str());
}

void CTimingPage::UpdateForOutputMode() {
    const bool hdmi = m_host.IsHdmiOutput();
    for (int id : kHdmiOnlyControls)
        EnableDlgItem(id, hdmi);
    UpdateData(false);
}
