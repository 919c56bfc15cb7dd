#include "pages/pattern_page.h"

#include "link/command_words.h"
#include "pages/page_host.h"
#include "res/art.h"
#include "res/art_patterns.h"
#include "res/resource.h"
#include "res/templates.h"

#include <cstdint>

namespace {

// 1400x1050 at 60 Hz: the picture patterns are not offered with it on the HDMI output.
constexpr int kTimingWithoutPictures = 7;
const int kPictureRadios[] = {IDC_P_SMPTE, IDC_P_PLUGE, IDC_P_TEST_CARD_1, IDC_P_TEST_CARD_2};

} // namespace

const CPatternPage::PatternControls CPatternPage::kControls[kPatternCount] = {
    {IDC_P_COLORBAR_100, IDC_P_THUMB_COLORBAR_100, IDB_P_COLORBAR_100},
    {IDC_P_COLORBAR_75, IDC_P_THUMB_COLORBAR_75, IDB_P_COLORBAR_75},
    {IDC_P_GRAY_8, IDC_P_THUMB_GRAY_8, IDB_P_GRAY_8},
    {IDC_P_RED, IDC_P_THUMB_RED, IDB_P_RED},
    {IDC_P_GREEN, IDC_P_THUMB_GREEN, IDB_P_GREEN},
    {IDC_P_BLUE, IDC_P_THUMB_BLUE, IDB_P_BLUE},
    {IDC_P_YELLOW, IDC_P_THUMB_YELLOW, IDB_P_YELLOW},
    {IDC_P_CYAN, IDC_P_THUMB_CYAN, IDB_P_CYAN},
    {IDC_P_MAGENTA, IDC_P_THUMB_MAGENTA, IDB_P_MAGENTA},
    {IDC_P_GRAY_16, IDC_P_THUMB_GRAY_16, IDB_P_GRAY_16},
    {IDC_P_WHITE, IDC_P_THUMB_WHITE, IDB_P_WHITE},
    {IDC_P_RGB_RAMP, IDC_P_THUMB_RGB_RAMP, IDB_P_RGB_RAMP},
    {IDC_P_CROSS_BLACK, IDC_P_THUMB_CROSS_BLACK, IDB_P_CROSS_BLACK},
    {IDC_P_CROSS_RED, IDC_P_THUMB_CROSS_RED, IDB_P_CROSS_RED},
    {IDC_P_CROSS_GREEN, IDC_P_THUMB_CROSS_GREEN, IDB_P_CROSS_GREEN},
    {IDC_P_CROSS_BLUE, IDC_P_THUMB_CROSS_BLUE, IDB_P_CROSS_BLUE},
    {IDC_P_WHITE_DOTS, IDC_P_THUMB_WHITE_DOTS, IDB_P_WHITE_DOTS},
    {IDC_P_ALTERNATE_WB, IDC_P_THUMB_ALTERNATE_WB, IDB_P_ALTERNATE_WB},
    {IDC_P_MOVING_LINE_H, IDC_P_THUMB_MOVING_LINE_H, IDB_P_MOVING_LINE_H},
    {IDC_P_MOVING_LINE_V, IDC_P_THUMB_MOVING_LINE_V, IDB_P_MOVING_LINE_V},
    {IDC_P_MULTIBURST, IDC_P_THUMB_MULTIBURST, IDB_P_MULTIBURST},
    {IDC_P_VER_SPLIT, IDC_P_THUMB_VER_SPLIT, IDB_P_VER_SPLIT},
    {IDC_P_HOR_SPLIT, IDC_P_THUMB_HOR_SPLIT, IDB_P_HOR_SPLIT},
    {IDC_P_MOVING_RED_RAMP, IDC_P_THUMB_MOVING_RED_RAMP, IDB_P_MOVING_RED_RAMP},
    {IDC_P_MOVING_GREEN_RAMP, IDC_P_THUMB_MOVING_GREEN_RAMP, IDB_P_MOVING_GREEN_RAMP},
    {IDC_P_MOVING_BLUE_RAMP, IDC_P_THUMB_MOVING_BLUE_RAMP, IDB_P_MOVING_BLUE_RAMP},
    {IDC_P_AV_SYNC, IDC_P_THUMB_AV_SYNC, IDB_P_AV_SYNC},
    {IDC_P_BORDER_LINES, IDC_P_THUMB_BORDER_LINES, IDB_P_BORDER_LINES},
    {IDC_P_EDGE_ASPECT, IDC_P_THUMB_EDGE_ASPECT, IDB_P_EDGE_ASPECT},
    {IDC_P_TARGET_CIRCLE, IDC_P_THUMB_TARGET_CIRCLE, IDB_P_TARGET_CIRCLE},
    {IDC_P_MOVING_CIRCLE, IDC_P_THUMB_MOVING_CIRCLE, IDB_P_MOVING_CIRCLE},
    {IDC_P_SQUARES_3D, IDC_P_THUMB_SQUARES_3D, IDB_P_SQUARES_3D},
    {IDC_P_BLACK, IDC_P_THUMB_BLACK, IDB_P_BLACK},
    {IDC_P_GRADIENT, IDC_P_THUMB_GRADIENT, IDB_P_GRADIENT},
    {IDC_P_SMPTE, IDC_P_THUMB_SMPTE, IDB_P_SMPTE},
    {IDC_P_PLUGE, IDC_P_THUMB_PLUGE, IDB_P_PLUGE},
    {IDC_P_TEST_CARD_1, IDC_P_THUMB_TEST_CARD_1, IDB_P_TEST_CARD_1},
    {IDC_P_TEST_CARD_2, IDC_P_THUMB_TEST_CARD_2, IDB_P_TEST_CARD_2},
    {IDC_P_USER1, 0, 0},
    {IDC_P_USER2, 0, 0},
    {IDC_P_USER3, 0, 0},
    {IDC_P_USER4, 0, 0},
    {IDC_P_PATHOLOGICAL, IDC_P_THUMB_PATHOLOGICAL, IDB_P_PATHOLOGICAL},
};

CPatternPage::CPatternPage(CPageHost& host) : ui::Dialog(PatternPageTemplate()), m_host(host) {}

bool CPatternPage::OnInitDialog() {
    ApplyTemplateResources(*this);
    // The thumbnails are drawn at the size their statics have on screen.
    for (const PatternControls& c : kControls) {
        if (c.thumbnail == 0)
            continue;
        const ui::Rect r = GetDlgItemRect(c.thumbnail);
        SetDlgItemImage(c.thumbnail, LoadPatternThumbnail(c.bitmap, r.Width(), r.Height()));
    }
    return ui::Dialog::OnInitDialog();
}

void CPatternPage::DoDataExchange(ui::DataExchange& dx) {
    ui::DDX_Radio(dx, IDC_P_COLORBAR_100, m_nPattern);
}

bool CPatternPage::PreTranslateMessage(ui::Msg& msg) {
    // Enter would end the page like a dialog; it does nothing here.
    if (msg.message == ui::WM_KEYDOWN && msg.wParam == ui::VK_RETURN)
        return true;
    return ui::Dialog::PreTranslateMessage(msg);
}

// Every pattern's radio and thumbnail sends its code (the four without a thumbnail have id 0
// there, which no control has); the pathological field has handlers of its own (SDI only).
template <std::size_t... C>
const ui::HandlerEntry* CPatternPage::MakeHandlerTable(std::index_sequence<C...>) {
    constexpr int kLast = kPatternCount - 1;
    static_assert(kLast == kPathological, "the pathological field is the last pattern");
    static const ui::HandlerEntry table[] = {
        UI_ON_CLICKED(kControls[C].radio, CPatternPage, OnRadio<static_cast<int>(C)>)...,
        UI_ON_CLICKED(kControls[C].thumbnail, CPatternPage, OnThumbnail<static_cast<int>(C)>)...,
        UI_ON_CLICKED(IDC_P_PATHOLOGICAL, CPatternPage, OnPathologicalRadio),
        UI_ON_CLICKED(IDC_P_THUMB_PATHOLOGICAL, CPatternPage, OnPathologicalThumbnail),
        UI_END_HANDLERS,
    };
    return table;
}

const ui::HandlerEntry* CPatternPage::GetHandlerTable() const {
    static const ui::HandlerEntry* table =
        MakeHandlerTable(std::make_index_sequence<static_cast<std::size_t>(kPathological)>());
    return table;
}

bool CPatternPage::SendPattern(char code) {
    const std::uint8_t payload = static_cast<std::uint8_t>(code);
    const bool sent =
        m_host.PassRepeatGuard() && m_host.SendCommandData(cmd::SetPattern, 1, &payload);
    if (sent)
        m_nPattern = static_cast<signed char>(code);
    UpdateData(false);
    return sent;
}

void CPatternPage::OnPathologicalRadio() {
    if (m_host.IsHdmiOutput()) {
        // Not available on HDMI: the previous selection comes back.
        UpdateData(false);
        return;
    }
    SendPattern(static_cast<char>(kPathological));
}

void CPatternPage::OnPathologicalThumbnail() {
    if (m_host.IsHdmiOutput())
        return;
    SendPattern(static_cast<char>(kPathological));
}

void CPatternPage::ShowPattern(int code) {
    m_nPattern = code;
    UpdateData(false);
}

void CPatternPage::UpdateForTiming() {
    const bool enable = !(m_host.TimingCode() == kTimingWithoutPictures && m_host.IsHdmiOutput());
    for (int id : kPictureRadios)
        EnableDlgItem(id, enable);
}

void CPatternPage::UpdateForOutputMode() {
    EnableDlgItem(IDC_P_PATHOLOGICAL, !m_host.IsHdmiOutput());
}
