#pragma once
// Control ids of the setting page's template (131). Radios are listed in template order within
// their groups; the first id of each group starts the group.

// HDMI/DVI interface mode.
constexpr int IDC_S_DVI = 1066;
constexpr int IDC_S_HDMI = 1067;
constexpr int IDC_S_INTERFACE_AUTO = 1068;
// HDCP.
constexpr int IDC_S_HDCP_OFF = 1069;
constexpr int IDC_S_HDCP_ON = 1070;
// Colour space; YUV4:2:0 (1075) comes before AUTO (1074) in the group.
constexpr int IDC_S_RGB444 = 1071;
constexpr int IDC_S_YUV444 = 1072;
constexpr int IDC_S_YUV422 = 1073;
constexpr int IDC_S_COLOR_SPACE_AUTO = 1074;
constexpr int IDC_S_YUV420 = 1075;
// Colour depth.
constexpr int IDC_S_DEPTH_8 = 1076;
constexpr int IDC_S_DEPTH_10 = 1077;
constexpr int IDC_S_DEPTH_12 = 1078;
constexpr int IDC_S_DEPTH_16 = 1079;
constexpr int IDC_S_DEPTH_AUTO = 1080;
// Audio sample rate.
constexpr int IDC_S_RATE_32K = 1081;
constexpr int IDC_S_RATE_44K = 1082;
constexpr int IDC_S_RATE_48K = 1083;
constexpr int IDC_S_RATE_88K = 1084;
constexpr int IDC_S_RATE_96K = 1085;
constexpr int IDC_S_RATE_176K = 1086;
constexpr int IDC_S_RATE_192K = 1087;
constexpr int IDC_S_RATE_AUTO = 1088;
// Audio bits per sample.
constexpr int IDC_S_BITS_16 = 1089;
constexpr int IDC_S_BITS_20 = 1090;
constexpr int IDC_S_BITS_24 = 1091;
constexpr int IDC_S_BITS_AUTO = 1092;
// Audio source.
constexpr int IDC_S_SOURCE_1K = 1093;
constexpr int IDC_S_SOURCE_2K = 1094;
constexpr int IDC_S_SOURCE_4K = 1095;
constexpr int IDC_S_SOURCE_EXT = 1096;
// Other controls.
constexpr int IDC_S_RESET = 1122;
constexpr int IDC_S_WAIT_NOTE = 1126;
constexpr int IDC_S_AUDIO_CHANNEL = 1180;
