#pragma once
// Control ids of the EDID page's template (132). The source combo (1117) and the status static
// (1118) are in resource.h, since the main dialog's start-up uses them.

constexpr int IDC_READ_EDID = 1096;
constexpr int IDC_WRITE_EDID = 1097;
constexpr int IDC_SAVE_EDID = 1098;
constexpr int IDC_OPEN_EDID = 1099;
constexpr int IDC_EDID_HEX = 1101;
constexpr int IDC_EDID_VIDEO = 1102;
constexpr int IDC_EDID_AUDIO = 1103;
constexpr int IDC_EDID_GENERAL = 1105;

// The sixteen row labels "00" .. "f0" beside the hex dump, one id per row in order.
constexpr int IDC_EDID_ROW_LABEL_FIRST = 1130;
constexpr int kEdidRowLabelCount = 16;
