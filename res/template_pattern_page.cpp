// Template 130: the Pattern page. Every pattern is a radio; 39 of them also have a thumbnail to
// the left that chooses the pattern when clicked. Three columns in pattern code order, with the
// pathological check field and the four user patterns in a row below. The thumbnails come first,
// so that the radio group starting at 1001 runs to the end of the template in code order.
#include "res/resource.h"
#include "res/templates.h"

#include <iterator>

using namespace ui;

namespace {

const ControlTemplate kControls[] = {
    // Thumbnails; their pictures are set by the page.
    {IDC_P_THUMB_COLORBAR_100, ControlKind::Bitmap, "", 3, 5, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_COLORBAR_75, ControlKind::Bitmap, "", 3, 27, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_GRAY_8, ControlKind::Bitmap, "", 3, 49, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_RED, ControlKind::Bitmap, "", 3, 71, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_GREEN, ControlKind::Bitmap, "", 3, 93, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_BLUE, ControlKind::Bitmap, "", 3, 115, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_YELLOW, ControlKind::Bitmap, "", 3, 137, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_CYAN, ControlKind::Bitmap, "", 3, 159, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MAGENTA, ControlKind::Bitmap, "", 3, 181, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_GRAY_16, ControlKind::Bitmap, "", 3, 203, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_WHITE, ControlKind::Bitmap, "", 3, 225, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_RGB_RAMP, ControlKind::Bitmap, "", 3, 247, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_CROSS_BLACK, ControlKind::Bitmap, "", 3, 269, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_CROSS_RED, ControlKind::Bitmap, "", 107, 5, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_CROSS_GREEN, ControlKind::Bitmap, "", 107, 27, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_CROSS_BLUE, ControlKind::Bitmap, "", 107, 49, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_WHITE_DOTS, ControlKind::Bitmap, "", 107, 71, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_ALTERNATE_WB, ControlKind::Bitmap, "", 107, 93, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MOVING_LINE_H, ControlKind::Bitmap, "", 107, 115, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MOVING_LINE_V, ControlKind::Bitmap, "", 107, 137, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MULTIBURST, ControlKind::Bitmap, "", 107, 159, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_VER_SPLIT, ControlKind::Bitmap, "", 107, 181, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_HOR_SPLIT, ControlKind::Bitmap, "", 107, 203, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MOVING_RED_RAMP, ControlKind::Bitmap, "", 107, 225, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MOVING_GREEN_RAMP, ControlKind::Bitmap, "", 107, 247, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MOVING_BLUE_RAMP, ControlKind::Bitmap, "", 107, 269, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_AV_SYNC, ControlKind::Bitmap, "", 231, 5, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_BORDER_LINES, ControlKind::Bitmap, "", 231, 27, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_EDGE_ASPECT, ControlKind::Bitmap, "", 231, 49, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_TARGET_CIRCLE, ControlKind::Bitmap, "", 231, 71, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_MOVING_CIRCLE, ControlKind::Bitmap, "", 231, 93, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_SQUARES_3D, ControlKind::Bitmap, "", 231, 115, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_BLACK, ControlKind::Bitmap, "", 231, 137, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_GRADIENT, ControlKind::Bitmap, "", 231, 159, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_SMPTE, ControlKind::Bitmap, "", 231, 181, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_PLUGE, ControlKind::Bitmap, "", 231, 203, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_TEST_CARD_1, ControlKind::Bitmap, "", 231, 225, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_TEST_CARD_2, ControlKind::Bitmap, "", 231, 247, 26, 17, kNotify | kBorder},
    {IDC_P_THUMB_PATHOLOGICAL, ControlKind::Bitmap, "", 3, 296, 26, 17, kNotify | kBorder},
    // Radios, in pattern code order.
    {IDC_P_COLORBAR_100, ControlKind::RadioButton, "100%ColorBar", 31, 9, 74, 10, kGroup},
    {IDC_P_COLORBAR_75, ControlKind::RadioButton, "75%ColorBar", 31, 31, 74, 10, kNone},
    {IDC_P_GRAY_8, ControlKind::RadioButton, "8 StepGrayBar", 31, 53, 74, 10, kNone},
    {IDC_P_RED, ControlKind::RadioButton, "RedScreen", 31, 75, 74, 10, kNone},
    {IDC_P_GREEN, ControlKind::RadioButton, "GreenScreen", 31, 97, 74, 10, kNone},
    {IDC_P_BLUE, ControlKind::RadioButton, "BlueScreen", 31, 119, 74, 10, kNone},
    {IDC_P_YELLOW, ControlKind::RadioButton, "YellowScreen", 31, 141, 74, 10, kNone},
    {IDC_P_CYAN, ControlKind::RadioButton, "CyanScreen", 31, 163, 74, 10, kNone},
    {IDC_P_MAGENTA, ControlKind::RadioButton, "MagentaScreen", 31, 185, 74, 10, kNone},
    {IDC_P_GRAY_16, ControlKind::RadioButton, "16 StepGrayBar", 31, 207, 74, 10, kNone},
    {IDC_P_WHITE, ControlKind::RadioButton, "WhiteScreen", 31, 229, 74, 10, kNone},
    {IDC_P_RGB_RAMP, ControlKind::RadioButton, "RGB Ramp", 31, 251, 74, 10, kNone},
    {IDC_P_CROSS_BLACK, ControlKind::RadioButton, "Cross Black", 31, 273, 74, 10, kNone},
    {IDC_P_CROSS_RED, ControlKind::RadioButton, "Cross Red", 135, 9, 94, 10, kNone},
    {IDC_P_CROSS_GREEN, ControlKind::RadioButton, "Cross Green", 135, 31, 94, 10, kNone},
    {IDC_P_CROSS_BLUE, ControlKind::RadioButton, "Cross Blue", 135, 53, 94, 10, kNone},
    {IDC_P_WHITE_DOTS, ControlKind::RadioButton, "White dots", 135, 75, 94, 10, kNone},
    {IDC_P_ALTERNATE_WB, ControlKind::RadioButton, "Alternate WB", 135, 97, 94, 10, kNone},
    {IDC_P_MOVING_LINE_H, ControlKind::RadioButton, "Moving line (Horizontal)", 135, 119, 94, 10,
     kNone},
    {IDC_P_MOVING_LINE_V, ControlKind::RadioButton, "Moving line (Vertical)", 135, 141, 94, 10,
     kNone},
    {IDC_P_MULTIBURST, ControlKind::RadioButton, "Multiburst", 135, 163, 94, 10, kNone},
    {IDC_P_VER_SPLIT, ControlKind::RadioButton, "Ver-split", 135, 185, 94, 10, kNone},
    {IDC_P_HOR_SPLIT, ControlKind::RadioButton, "Hor-split", 135, 207, 94, 10, kNone},
    {IDC_P_MOVING_RED_RAMP, ControlKind::RadioButton, "Moving red ramp", 135, 229, 94, 10, kNone},
    {IDC_P_MOVING_GREEN_RAMP, ControlKind::RadioButton, "Moving green ramp", 135, 251, 94, 10,
     kNone},
    {IDC_P_MOVING_BLUE_RAMP, ControlKind::RadioButton, "Moving blue ramp", 135, 273, 94, 10, kNone},
    {IDC_P_AV_SYNC, ControlKind::RadioButton, "A/V Sync", 259, 9, 84, 10, kNone},
    {IDC_P_BORDER_LINES, ControlKind::RadioButton, "Border lines", 259, 31, 84, 10, kNone},
    {IDC_P_EDGE_ASPECT, ControlKind::RadioButton, "Edge / Aspect Check", 259, 53, 84, 10, kNone},
    {IDC_P_TARGET_CIRCLE, ControlKind::RadioButton, "Target Circle", 259, 75, 84, 10, kNone},
    {IDC_P_MOVING_CIRCLE, ControlKind::RadioButton, "Moving Circle", 259, 97, 84, 10, kNone},
    {IDC_P_SQUARES_3D, ControlKind::RadioButton, "3D Squares", 259, 119, 84, 10, kNone},
    {IDC_P_BLACK, ControlKind::RadioButton, "BLACK IMG", 259, 141, 84, 10, kNone},
    {IDC_P_GRADIENT, ControlKind::RadioButton, "Gradient", 259, 163, 84, 10, kNone},
    {IDC_P_SMPTE, ControlKind::RadioButton, "SMPTE", 259, 185, 84, 10, kNone},
    {IDC_P_PLUGE, ControlKind::RadioButton, "Pluge", 259, 207, 84, 10, kNone},
    {IDC_P_TEST_CARD_1, ControlKind::RadioButton, "Indian", 259, 229, 84, 10, kNone},
    {IDC_P_TEST_CARD_2, ControlKind::RadioButton, "Philips Pattern", 259, 251, 84, 10, kNone},
    {IDC_P_USER1, ControlKind::RadioButton, "User1", 160, 300, 42, 10, kNone},
    {IDC_P_USER2, ControlKind::RadioButton, "User2", 205, 300, 42, 10, kNone},
    {IDC_P_USER3, ControlKind::RadioButton, "User3", 250, 300, 42, 10, kNone},
    {IDC_P_USER4, ControlKind::RadioButton, "User4", 295, 300, 42, 10, kNone},
    {IDC_P_PATHOLOGICAL, ControlKind::RadioButton, "Pathological Test (SDI only)", 31, 300, 120, 10,
     kNone},
};

const DialogTemplate kTemplate = {
    IDD_PATTERN_PAGE,     "",   345,   330,   "Segoe UI", 9, kControls,
    std::size(kControls), true, false, false,
};

} // namespace

const DialogTemplate& PatternPageTemplate() {
    return kTemplate;
}
