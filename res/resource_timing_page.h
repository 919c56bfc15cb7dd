#pragma once
// Control ids of the timing page's template (129).

// VESA PC timings.
constexpr int IDC_T_640X480_60 = 1001; // the radio group of all 72 timings starts here
constexpr int IDC_T_800X600_60 = 1002;
constexpr int IDC_T_1024X768_60 = 1003;
constexpr int IDC_T_1280X768_60 = 1004;
constexpr int IDC_T_1360X768_60 = 1005;
constexpr int IDC_T_1280X960_60 = 1006;
constexpr int IDC_T_1280X1024_60 = 1007;
constexpr int IDC_T_1400X1050_60 = 1008;
constexpr int IDC_T_1600X1200_60 = 1009;
constexpr int IDC_T_1920X1200_60 = 1010;
// Video standards, 60 / 59.94 / 30 / 29.97 / 24 / 23.98 frames per second.
constexpr int IDC_T_480I_5994 = 1020;
constexpr int IDC_T_480P_5994 = 1011;
constexpr int IDC_T_720P_60 = 1012;
constexpr int IDC_T_720P_5994 = 1044;
constexpr int IDC_T_1080I_60 = 1021;
constexpr int IDC_T_1080I_5994 = 1046;
constexpr int IDC_T_1080P_30 = 1014;
constexpr int IDC_T_1080P_2997 = 1047;
constexpr int IDC_T_1080P_24 = 1016;
constexpr int IDC_T_1080P_2398 = 1045;
constexpr int IDC_T_1080P_60 = 1013;
constexpr int IDC_T_1080P_5994 = 1048;
// Video standards, 50 / 25 frames per second.
constexpr int IDC_T_576I_50 = 1022;
constexpr int IDC_T_576P_50 = 1017;
constexpr int IDC_T_720P_50 = 1018;
constexpr int IDC_T_1080I_50 = 1023;
constexpr int IDC_T_1080P_25 = 1015;
constexpr int IDC_T_1080P_50 = 1019;
// UHD.
constexpr int IDC_T_UHD_30 = 1024;
constexpr int IDC_T_UHD_2997 = 1049;
constexpr int IDC_T_UHD_25 = 1025;
constexpr int IDC_T_UHD_24 = 1026;
constexpr int IDC_T_UHD_2398 = 1051;
constexpr int IDC_T_UHD420_60 = 1052;
constexpr int IDC_T_UHD420_5994 = 1029;
constexpr int IDC_T_UHD420_50 = 1027;
// DCI 4K.
constexpr int IDC_T_DCI_30 = 1065;
constexpr int IDC_T_DCI_2997 = 1028;
constexpr int IDC_T_DCI_25 = 1066;
constexpr int IDC_T_DCI_24 = 1067;
constexpr int IDC_T_DCI_2398 = 1068;
constexpr int IDC_T_DCI420_60 = 1069;
constexpr int IDC_T_DCI420_5994 = 1070;
constexpr int IDC_T_DCI420_50 = 1071;
// 3D frame packing.
constexpr int IDC_T_FP_720P_60 = 1030;
constexpr int IDC_T_FP_720P_5994 = 1053;
constexpr int IDC_T_FP_1080P_24 = 1032;
constexpr int IDC_T_FP_1080P_2398 = 1054;
constexpr int IDC_T_FP_720P_50 = 1031;
// 3D side by side.
constexpr int IDC_T_SBS_720P_5994 = 1050;
constexpr int IDC_T_SBS_1080I_5994 = 1055;
constexpr int IDC_T_SBS_1080P_5994 = 1064;
constexpr int IDC_T_SBS_1080P_2397 = 1056;
constexpr int IDC_T_SBS_720P_50 = 1057;
constexpr int IDC_T_SBS_1080I_50 = 1058;
constexpr int IDC_T_SBS_1080P_50 = 1169;
// 3D top-bottom.
constexpr int IDC_T_TB_720P_5994 = 1059;
constexpr int IDC_T_TB_1080P_5994 = 1060;
constexpr int IDC_T_TB_1080P_2397 = 1061;
constexpr int IDC_T_TB_720P_50 = 1062;
constexpr int IDC_T_TB_1080P_50 = 1063;
// Auto and the ten user-defined timings (user timing n is IDC_T_USER1 + n - 1).
constexpr int IDC_T_AUTO = 1033;
constexpr int IDC_T_USER1 = 1034;
constexpr int IDC_T_USER10 = 1043;

// Group boxes.
constexpr int IDC_TG_3D_TOP_BOTTOM = 1181;
constexpr int IDC_TG_3D_SIDE_BY_SIDE = 1182;
constexpr int IDC_TG_3D_FRAME_PACKING = 1183;
constexpr int IDC_TG_UHD = 1184;
constexpr int IDC_TG_VESA = 1185;
constexpr int IDC_TG_DCI = 1196;
constexpr int IDC_TG_USER = 1180;

// The numbers "1." to "10." beside the user timing radios (number n is IDC_T_USER_NO1 + n - 1).
constexpr int IDC_T_USER_NO1 = 1186;
constexpr int IDC_T_USER_NO10 = 1195;

// "Update Status" (no handler on this page).
constexpr int IDC_T_UPDATE_STATUS = 1223;
