// Template 129: the Timing page. All 72 timing radios form one group in radio index order (the
// order the timing codes run in, except that the 4:2:0 UHD rows follow the UHD 4:4:4 rows); the
// group boxes are listed after them and drawn behind.
#include "res/resource.h"
#include "res/templates.h"

#include <iterator>

using namespace ui;

namespace {

const ControlTemplate kControls[] = {
    // VESA PC timings; the group of all 72 radios starts here.
    {IDC_T_640X480_60, ControlKind::RadioButton, "640x480(60)", 10, 12, 71, 9, kGroup},
    {IDC_T_800X600_60, ControlKind::RadioButton, "800x600(60)", 10, 22, 71, 9, kNone},
    {IDC_T_1024X768_60, ControlKind::RadioButton, "1024x768(60)", 10, 32, 71, 9, kNone},
    {IDC_T_1280X768_60, ControlKind::RadioButton, "1280x768(60)", 10, 42, 71, 9, kNone},
    {IDC_T_1360X768_60, ControlKind::RadioButton, "1360x768(60)", 83, 12, 71, 9, kNone},
    {IDC_T_1280X960_60, ControlKind::RadioButton, "1280x960(60)", 83, 22, 71, 9, kNone},
    {IDC_T_1280X1024_60, ControlKind::RadioButton, "1280x1024(60)", 83, 32, 71, 9, kNone},
    {IDC_T_1400X1050_60, ControlKind::RadioButton, "1400x1050(60)", 83, 42, 71, 9, kNone},
    {IDC_T_1600X1200_60, ControlKind::RadioButton, "1600x1200(60)", 156, 12, 71, 9, kNone},
    {IDC_T_1920X1200_60, ControlKind::RadioButton, "1920x1200(60)", 156, 22, 71, 9, kNone},
    // Video standards at 60 / 59.94 / 30 / 29.97 / 24 / 23.98 fps.
    {IDC_T_480I_5994, ControlKind::RadioButton, "480i(59.94)", 10, 70, 71, 9, kNone},
    {IDC_T_480P_5994, ControlKind::RadioButton, "480p(59.94)", 10, 80, 71, 9, kNone},
    {IDC_T_720P_60, ControlKind::RadioButton, "720p(60)", 10, 90, 71, 9, kNone},
    {IDC_T_720P_5994, ControlKind::RadioButton, "720p(59.94)", 10, 100, 71, 9, kNone},
    {IDC_T_1080I_60, ControlKind::RadioButton, "1080i(60)", 83, 70, 71, 9, kNone},
    {IDC_T_1080I_5994, ControlKind::RadioButton, "1080i(59.94)", 83, 80, 71, 9, kNone},
    {IDC_T_1080P_30, ControlKind::RadioButton, "1080p(30)", 83, 90, 71, 9, kNone},
    {IDC_T_1080P_2997, ControlKind::RadioButton, "1080p(29.97)", 83, 100, 71, 9, kNone},
    {IDC_T_1080P_24, ControlKind::RadioButton, "1080p(24)", 156, 70, 71, 9, kNone},
    {IDC_T_1080P_2398, ControlKind::RadioButton, "1080p(23.98)", 156, 80, 71, 9, kNone},
    {IDC_T_1080P_60, ControlKind::RadioButton, "1080p(60)", 156, 90, 71, 9, kNone},
    {IDC_T_1080P_5994, ControlKind::RadioButton, "1080p(59.94)", 156, 100, 71, 9, kNone},
    // Video standards at 50 / 25 fps.
    {IDC_T_576I_50, ControlKind::RadioButton, "576i(50)", 10, 128, 71, 9, kNone},
    {IDC_T_576P_50, ControlKind::RadioButton, "576p(50)", 10, 138, 71, 9, kNone},
    {IDC_T_720P_50, ControlKind::RadioButton, "720p(50)", 83, 128, 71, 9, kNone},
    {IDC_T_1080I_50, ControlKind::RadioButton, "1080i(50)", 83, 138, 71, 9, kNone},
    {IDC_T_1080P_25, ControlKind::RadioButton, "1080p(25)", 156, 128, 71, 9, kNone},
    {IDC_T_1080P_50, ControlKind::RadioButton, "1080p(50)", 156, 138, 71, 9, kNone},
    // UHD (4:2:0 at 50/60 Hz), then DCI 4K, in radio index order.
    {IDC_T_UHD_30, ControlKind::RadioButton, "UHD(30)", 10, 166, 98, 9, kNone},
    {IDC_T_UHD_2997, ControlKind::RadioButton, "UHD(29.97)", 10, 176, 98, 9, kNone},
    {IDC_T_UHD_25, ControlKind::RadioButton, "UHD(25)", 10, 186, 98, 9, kNone},
    {IDC_T_UHD_24, ControlKind::RadioButton, "UHD(24)", 10, 196, 98, 9, kNone},
    {IDC_T_UHD_2398, ControlKind::RadioButton, "UHD(23.98)", 10, 206, 98, 9, kNone},
    {IDC_T_UHD420_60, ControlKind::RadioButton, "UHD(4:2:0)(60)", 10, 216, 98, 9, kNone},
    {IDC_T_UHD420_5994, ControlKind::RadioButton, "UHD(4:2:0)(59.94)", 10, 226, 98, 9, kNone},
    {IDC_T_UHD420_50, ControlKind::RadioButton, "UHD(4:2:0)(50)", 10, 236, 98, 9, kNone},
    {IDC_T_DCI_30, ControlKind::RadioButton, "DCI 4K(30)", 118, 176, 105, 9, kNone},
    {IDC_T_DCI_2997, ControlKind::RadioButton, "DCI 4K(29.97)", 118, 186, 105, 9, kNone},
    {IDC_T_DCI_25, ControlKind::RadioButton, "DCI 4K(25)", 118, 196, 105, 9, kNone},
    {IDC_T_DCI_24, ControlKind::RadioButton, "DCI 4K(24)", 118, 206, 105, 9, kNone},
    {IDC_T_DCI_2398, ControlKind::RadioButton, "DCI 4K(23.98)", 118, 216, 105, 9, kNone},
    {IDC_T_DCI420_60, ControlKind::RadioButton, "DCI 4K(4:2:0)(60)", 118, 226, 105, 9, kNone},
    {IDC_T_DCI420_5994, ControlKind::RadioButton, "DCI 4K(4:2:0)(59.94)", 118, 236, 105, 9, kNone},
    {IDC_T_DCI420_50, ControlKind::RadioButton, "DCI 4K(4:2:0)(50)", 118, 246, 105, 9, kNone},
    // 3D formats.
    {IDC_T_FP_720P_60, ControlKind::RadioButton, "720p_3D(60)", 10, 279, 71, 9, kNone},
    {IDC_T_FP_720P_5994, ControlKind::RadioButton, "720p_3D(59.94)", 10, 289, 71, 9, kNone},
    {IDC_T_FP_1080P_24, ControlKind::RadioButton, "1080p_3D(24)", 83, 279, 71, 9, kNone},
    {IDC_T_FP_1080P_2398, ControlKind::RadioButton, "1080p_3D(23.98)", 83, 289, 80, 9, kNone},
    {IDC_T_FP_720P_50, ControlKind::RadioButton, "720p_3D(50)", 156, 279, 71, 9, kNone},
    {IDC_T_SBS_720P_5994, ControlKind::RadioButton, "720p_3D(59.94)", 243, 12, 96, 9, kNone},
    {IDC_T_SBS_1080I_5994, ControlKind::RadioButton, "1080i_3D(59.94)", 243, 22, 96, 9, kNone},
    {IDC_T_SBS_1080P_5994, ControlKind::RadioButton, "1080p_3D(59.94)", 243, 32, 96, 9, kNone},
    {IDC_T_SBS_1080P_2397, ControlKind::RadioButton, "1080p_3D(23.97)", 243, 42, 96, 9, kNone},
    {IDC_T_SBS_720P_50, ControlKind::RadioButton, "720p_3D(50)", 243, 52, 96, 9, kNone},
    {IDC_T_SBS_1080I_50, ControlKind::RadioButton, "1080i_3D(50)", 243, 62, 96, 9, kNone},
    {IDC_T_SBS_1080P_50, ControlKind::RadioButton, "1080p_3D(50)", 243, 72, 96, 9, kNone},
    {IDC_T_TB_720P_5994, ControlKind::RadioButton, "720p_3D(59.94)", 243, 100, 96, 9, kNone},
    {IDC_T_TB_1080P_5994, ControlKind::RadioButton, "1080p_3D(59.94)", 243, 110, 96, 9, kNone},
    {IDC_T_TB_1080P_2397, ControlKind::RadioButton, "1080p_3D(23.97)", 243, 120, 96, 9, kNone},
    {IDC_T_TB_720P_50, ControlKind::RadioButton, "720p_3D(50)", 243, 130, 96, 9, kNone},
    {IDC_T_TB_1080P_50, ControlKind::RadioButton, "1080p_3D(50)", 243, 140, 96, 9, kNone},
    // Auto: the generator picks the timing from the sink's EDID.
    {IDC_T_AUTO, ControlKind::RadioButton, "Auto (Output timing based on EDID of sink device)", 10,
     307, 223, 10, kNone},
    // The ten user-defined timings, relabelled from the generator's records.
    {IDC_T_USER1 + 0, ControlKind::RadioButton, "1280X720(60)", 258, 168, 81, 9, kNone},
    {IDC_T_USER1 + 1, ControlKind::RadioButton, "1280X720(60)", 258, 178, 81, 9, kNone},
    {IDC_T_USER1 + 2, ControlKind::RadioButton, "1280X720(60)", 258, 188, 81, 9, kNone},
    {IDC_T_USER1 + 3, ControlKind::RadioButton, "1280X720(60)", 258, 198, 81, 9, kNone},
    {IDC_T_USER1 + 4, ControlKind::RadioButton, "1280X720(60)", 258, 208, 81, 9, kNone},
    {IDC_T_USER1 + 5, ControlKind::RadioButton, "1280X720(60)", 258, 218, 81, 9, kNone},
    {IDC_T_USER1 + 6, ControlKind::RadioButton, "1280X720(60)", 258, 228, 81, 9, kNone},
    {IDC_T_USER1 + 7, ControlKind::RadioButton, "1280X720(60)", 258, 238, 81, 9, kNone},
    {IDC_T_USER1 + 8, ControlKind::RadioButton, "1280X720(60)", 258, 248, 81, 9, kNone},
    {IDC_T_USER1 + 9, ControlKind::RadioButton, "1280X720(60)", 258, 258, 81, 9, kNone},
    // The numbers beside the user timing radios; the first one ends the radio group.
    {IDC_T_USER_NO1 + 0, ControlKind::Static, "1.", 241, 169, 14, 8, kGroup | kRight},
    {IDC_T_USER_NO1 + 1, ControlKind::Static, "2.", 241, 179, 14, 8, kRight},
    {IDC_T_USER_NO1 + 2, ControlKind::Static, "3.", 241, 189, 14, 8, kRight},
    {IDC_T_USER_NO1 + 3, ControlKind::Static, "4.", 241, 199, 14, 8, kRight},
    {IDC_T_USER_NO1 + 4, ControlKind::Static, "5.", 241, 209, 14, 8, kRight},
    {IDC_T_USER_NO1 + 5, ControlKind::Static, "6.", 241, 219, 14, 8, kRight},
    {IDC_T_USER_NO1 + 6, ControlKind::Static, "7.", 241, 229, 14, 8, kRight},
    {IDC_T_USER_NO1 + 7, ControlKind::Static, "8.", 241, 239, 14, 8, kRight},
    {IDC_T_USER_NO1 + 8, ControlKind::Static, "9.", 241, 249, 14, 8, kRight},
    {IDC_T_USER_NO1 + 9, ControlKind::Static, "10.", 241, 259, 14, 8, kRight},
    {IDC_T_UPDATE_STATUS, ControlKind::PushButton, "Update Status", 275, 280, 66, 15, kGroup},
    // Group boxes, drawn behind the radios they enclose.
    {IDC_TG_VESA, ControlKind::GroupBox, "VESA  (PC)Timing", 4, 1, 229, 55, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Video Standards with 60(59.94), 30(29.97), 24(23.98) fps",
     4, 59, 229, 55, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Video Standards with 50, 25 fps", 4, 117, 229, 35, kNone},
    {IDC_TG_UHD, ControlKind::GroupBox, "UHD Television", 4, 155, 229, 110, kNone},
    {IDC_TG_DCI, ControlKind::GroupBox, "DCI 4K", 112, 165, 117, 95, kNone},
    {IDC_TG_3D_FRAME_PACKING, ControlKind::GroupBox, "3D Video (Fame Packing)", 4, 268, 229, 35,
     kNone},
    {IDC_TG_3D_SIDE_BY_SIDE, ControlKind::GroupBox, "3D Video (Side by Side)", 237, 1, 104, 85,
     kNone},
    {IDC_TG_3D_TOP_BOTTOM, ControlKind::GroupBox, "3D Video (Top-bottom)", 237, 89, 104, 65, kNone},
    {IDC_TG_USER, ControlKind::GroupBox, "User defined Timing", 237, 157, 104, 115, kNone},
};

const DialogTemplate kTemplate = {
    IDD_TIMING_PAGE,      "",   345,   330,   "Segoe UI", 9, kControls,
    std::size(kControls), true, false, false,
};

} // namespace

const DialogTemplate& TimingPageTemplate() {
    return kTemplate;
}
