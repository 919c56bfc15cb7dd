#pragma once
// Control ids of the timing calculator's template (183).

constexpr int IDC_C_FORMULA = 1400;
constexpr int IDC_C_H_ACTIVE = 1401;
constexpr int IDC_C_V_ACTIVE = 1402;
constexpr int IDC_C_RATE = 1403;
constexpr int IDC_C_ID = 1404;
constexpr int IDC_C_PROGRESSIVE = 1405;
constexpr int IDC_C_INTERLACE = 1406;
constexpr int IDC_C_VIDEO_OPTIMIZED = 1407;
constexpr int IDC_C_EARLY_VSYNC = 1408;
constexpr int IDC_C_H_BLANK = 1409;
constexpr int IDC_C_CALCULATE = 1410;
constexpr int IDC_C_RESULT = 1411;
