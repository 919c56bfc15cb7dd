#pragma once
// Control ids of the timing details page's template (182).

constexpr int IDC_D_H_ACTIVE = 1046;
constexpr int IDC_D_V_ACTIVE = 1047;
constexpr int IDC_D_H_TOTAL = 1049;
constexpr int IDC_D_V_TOTAL = 1050;
constexpr int IDC_D_H_BLANK = 1051;
constexpr int IDC_D_V_BLANK = 1052;
constexpr int IDC_D_PIXEL_CLOCK = 1053;
constexpr int IDC_D_H_FREQ = 1054;
constexpr int IDC_D_V_FREQ = 1055;
constexpr int IDC_D_VS_WIDTH = 1056;
constexpr int IDC_D_HS_WIDTH = 1057;
constexpr int IDC_D_HS_OFFSET = 1058;
constexpr int IDC_D_VS_OFFSET = 1059;
constexpr int IDC_D_HSYNC_POS = 1060;
constexpr int IDC_D_HSYNC_NEG = 1061;
constexpr int IDC_D_VSYNC_POS = 1062;
constexpr int IDC_D_VSYNC_NEG = 1063;
constexpr int IDC_D_PROGRESSIVE = 1064;
constexpr int IDC_D_INTERLACE = 1065;
constexpr int IDC_D_SAVE_USER = 1109;
constexpr int IDC_D_USER_SLOT = 1119;
constexpr int IDC_D_UPDATE_STATUS = 1223;
constexpr int IDC_D_ART_HORIZONTAL = 1240;
constexpr int IDC_D_ART_VERTICAL = 1241;
constexpr int IDC_D_CALCULATE = 1242;
