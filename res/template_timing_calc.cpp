// Template 183: the timing calculator, opened from the Timing Details page: the formula, the
// size, rate and scan (or the VIC or DMT id), the options of reduced blanking, and the result.
#include "res/resource.h"
#include "res/templates.h"

#include "platform/ui/types.h"

#include <iterator>

using namespace ui;

namespace {

const ControlTemplate kControls[] = {
    {IDC_STATIC, ControlKind::Static, "Formula:", 7, 9, 56, 8, kRight},
    {IDC_C_FORMULA, ControlKind::ComboDropList, "", 66, 7, 170, 100, kGroup | kVScroll},
    {IDC_STATIC, ControlKind::Static, "H active:", 7, 26, 56, 8, kRight},
    {IDC_C_H_ACTIVE, ControlKind::Edit, "", 66, 24, 46, 12, kGroup},
    {IDC_STATIC, ControlKind::Static, "V active:", 120, 26, 68, 8, kRight},
    {IDC_C_V_ACTIVE, ControlKind::Edit, "", 190, 24, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "Rate (Hz):", 7, 42, 56, 8, kRight},
    {IDC_C_RATE, ControlKind::Edit, "", 66, 40, 46, 12, kNone},
    {IDC_STATIC, ControlKind::Static, "VIC / DMT id:", 120, 42, 68, 8, kRight},
    {IDC_C_ID, ControlKind::Edit, "", 190, 40, 46, 12, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Scan type", 7, 58, 105, 50, kNone},
    {IDC_C_PROGRESSIVE, ControlKind::RadioButton, "progressive", 14, 71, 94, 10, kGroup},
    {IDC_C_INTERLACE, ControlKind::RadioButton, "interlace", 14, 85, 94, 10, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Reduced blanking", 117, 58, 119, 50, kNone},
    {IDC_C_VIDEO_OPTIMIZED, ControlKind::CheckBox, "v2: rate x 1000/1001", 123, 68, 109, 10,
     kGroup},
    {IDC_C_EARLY_VSYNC, ControlKind::CheckBox, "v3: early V sync", 123, 80, 109, 10, kGroup},
    {IDC_STATIC, ControlKind::Static, "v3: H blank:", 123, 94, 60, 8, kNone},
    {IDC_C_H_BLANK, ControlKind::Edit, "", 186, 92, 46, 12, kGroup},
    {IDC_C_CALCULATE, ControlKind::PushButton, "Calculate", 7, 114, 60, 15, kGroup},
    {IDC_C_RESULT, ControlKind::Edit, "", 7, 134, 229, 74, kMultiline | kReadOnly | kVScroll,
     "Result"},
    {ui::IDOK, ControlKind::DefPushButton, "OK", 132, 214, 50, 15, kGroup},
    {ui::IDCANCEL, ControlKind::PushButton, "Cancel", 186, 214, 50, 15, kNone},
};

const DialogTemplate kTemplate = {
    IDD_TIMING_CALC, "Timing Calculator",  243,   236,   "Segoe UI", 9,
    kControls,       std::size(kControls), false, false, true,
};

} // namespace

const DialogTemplate& TimingCalcTemplate() {
    return kTemplate;
}
