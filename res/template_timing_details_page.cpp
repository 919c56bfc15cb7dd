// Template 182: the Timing Details page: the parameters of the selected timing in a horizontal and
// a vertical column, sync polarity and scan type, the user slot to save to, and two illustrations
// of the timing terms.
#include "link/page_captions.h"
#include "res/resource.h"
#include "res/templates.h"

#include <iterator>

using namespace ui;

namespace {

const ControlTemplate kControls[] = {
    // Clock and the derived frequencies.
    {IDC_STATIC, ControlKind::Static, "Video clk:", 6, 10, 40, 8, kRight},
    {IDC_D_PIXEL_CLOCK, ControlKind::Edit, "", 48, 8, 46, 12, kGroup},
    {IDC_STATIC, ControlKind::Static, "MHz", 97, 10, 18, 8, kNone},
    {IDC_STATIC, ControlKind::Static, "H freq:", 118, 10, 40, 8, kRight},
    {IDC_D_H_FREQ, ControlKind::Edit, "", 160, 8, 46, 12, kDisabled},
    {IDC_STATIC, ControlKind::Static, "KHz", 209, 10, 18, 8, kNone},
    {IDC_STATIC, ControlKind::Static, "V freq:", 232, 10, 30, 8, kRight},
    {IDC_D_V_FREQ, ControlKind::Edit, "", 264, 8, 46, 12, kDisabled},
    {IDC_STATIC, ControlKind::Static, "Hz", 313, 10, 14, 8, kNone},
    // Horizontal.
    {IDC_STATIC, ControlKind::Static, "H active:", 6, 30, 40, 8, kRight},
    {IDC_D_H_ACTIVE, ControlKind::Edit, "", 48, 28, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "H total:", 6, 46, 40, 8, kRight},
    {IDC_D_H_TOTAL, ControlKind::Edit, "", 48, 44, 46, 12, kDisabled},
    {IDC_STATIC, ControlKind::Static, "H blank:", 6, 62, 40, 8, kRight},
    {IDC_D_H_BLANK, ControlKind::Edit, "", 48, 60, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "Hs width:", 6, 78, 40, 8, kRight},
    {IDC_D_HS_WIDTH, ControlKind::Edit, "", 48, 76, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "Hs offset:", 6, 94, 40, 8, kRight},
    {IDC_D_HS_OFFSET, ControlKind::Edit, "", 48, 92, 46, 12, kNone},
    // Vertical (per field for an interlaced timing).
    {IDC_STATIC, ControlKind::Static, "V active:", 118, 30, 40, 8, kRight},
    {IDC_D_V_ACTIVE, ControlKind::Edit, "", 160, 28, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "V total:", 118, 46, 40, 8, kRight},
    {IDC_D_V_TOTAL, ControlKind::Edit, "", 160, 44, 46, 12, kDisabled},
    {IDC_STATIC, ControlKind::Static, "V blank:", 118, 62, 40, 8, kRight},
    {IDC_D_V_BLANK, ControlKind::Edit, "", 160, 60, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "Vs width:", 118, 78, 40, 8, kRight},
    {IDC_D_VS_WIDTH, ControlKind::Edit, "", 160, 76, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "Vs offset:", 118, 94, 40, 8, kRight},
    {IDC_D_VS_OFFSET, ControlKind::Edit, "", 160, 92, 46, 12, kNone},
    // Sync polarity: one radio pair per sync.
    {IDC_STATIC, ControlKind::GroupBox, "Sync polarity", 228, 24, 112, 42, kNone},
    {IDC_STATIC, ControlKind::Static, "Hsync:", 234, 37, 30, 8, kNone},
    {IDC_D_HSYNC_POS, ControlKind::RadioButton, "+", 268, 36, 30, 10, kGroup},
    {IDC_D_HSYNC_NEG, ControlKind::RadioButton, "-", 302, 36, 30, 10, kNone},
    {IDC_STATIC, ControlKind::Static, "Vsync:", 234, 51, 30, 8, kNone},
    {IDC_D_VSYNC_POS, ControlKind::RadioButton, "+", 268, 50, 30, 10, kGroup},
    {IDC_D_VSYNC_NEG, ControlKind::RadioButton, "-", 302, 50, 30, 10, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Scan type", 228, 70, 112, 36, kNone},
    {IDC_D_PROGRESSIVE, ControlKind::RadioButton, "progressive", 234, 81, 100, 10, kGroup},
    {IDC_D_INTERLACE, ControlKind::RadioButton, "interlace", 234, 92, 100, 10, kNone},
    // Saving to a user slot, the timing calculator, and the status read-back.
    {IDC_STATIC, ControlKind::Static, "No.", 6, 117, 16, 8, kGroup | kRight},
    {IDC_D_USER_SLOT, ControlKind::ComboDropList, names::kUserDefineList, 24, 115, 70, 120,
     kGroup | kVScroll},
    {IDC_D_SAVE_USER, ControlKind::PushButton, "Save to Userdefine Timing", 100, 114, 108, 15,
     kGroup},
    {IDC_D_CALCULATE, ControlKind::PushButton, "Calculate...", 212, 114, 56, 15, kGroup},
    {IDC_D_UPDATE_STATUS, ControlKind::PushButton, "Update Status", 272, 114, 68, 15, kGroup},
    // Illustrations of the horizontal and the vertical timing.
    {IDC_D_ART_HORIZONTAL, ControlKind::Bitmap, "184", 4, 136, 337, 94, kNone, "Horizontal timing"},
    {IDC_D_ART_VERTICAL, ControlKind::Bitmap, "186", 4, 234, 337, 94, kNone, "Vertical timing"},
};

const DialogTemplate kTemplate = {
    IDD_TIMING_DETAILS_PAGE, "",   345,   330,   "Segoe UI", 9, kControls,
    std::size(kControls),    true, false, false,
};

} // namespace

const DialogTemplate& TimingDetailsPageTemplate() {
    return kTemplate;
}
