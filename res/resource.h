// Resource ids: dialog templates, icons, bitmaps, strings and the controls of each dialog.
// Control ids are unique within their dialog only.
#pragma once

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_CONSOLE_DIALOG = 102;
constexpr int IDD_CONVERSATION = 104;
constexpr int IDD_PLAN = 106;
constexpr int IDD_TIMING_PAGE = 129;
constexpr int IDD_PATTERN_PAGE = 130;
constexpr int IDD_SETTING_PAGE = 131;
constexpr int IDD_EDID_PAGE = 132;
constexpr int IDD_TIMING_DETAILS_PAGE = 182;
constexpr int IDD_TIMING_CALC = 183;

// Icons and bitmaps.
constexpr int IDR_MAINFRAME = 128;
constexpr int IDI_PORT_IDLE = 133;   // port closed; output not selected
constexpr int IDI_PORT_ACTIVE = 134; // port connected
constexpr int IDI_SIGNAL_ON = 189;
constexpr int IDI_SIGNAL_OFF = 190;
constexpr int IDI_SELECTED = 191; // output selected
constexpr int IDB_TIMING_HORIZONTAL = 184;
constexpr int IDB_TIMING_VERTICAL = 186;

// String resources.
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDS_SOCKETS_INIT_FAILED = 103;
constexpr int IDS_CONVERSATION = 105;
constexpr int IDS_PLAN = 107;

// System menu commands: the About box, the conversation window, the plan window.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
constexpr unsigned IDM_CONVERSATION = 0x0020;
constexpr unsigned IDM_PLAN = 0x0030;

// Main dialog (template 102).
constexpr int IDC_TAB = 1000;
constexpr int IDC_PORT_BUTTON = 1006;
constexpr int IDC_ACTIVITY_ICON = 1007;
constexpr int IDC_HDCP_STATUS = 1008;
constexpr int IDC_INTERFACE_STATUS = 1009;
constexpr int IDC_TIMING_STATUS = 1010;
constexpr int IDC_COLOR_SPACE_STATUS = 1011;
constexpr int IDC_COLOR_DEPTH_STATUS = 1012;
constexpr int IDC_SAMPLE_RATE_STATUS = 1013;
constexpr int IDC_AUDIO_BITS_STATUS = 1014;
constexpr int IDC_AUDIO_TYPE_STATUS = 1015;
constexpr int IDC_SIGNAL_ICON = 1016;
constexpr int IDC_HDMI_ICON = 1017;
constexpr int IDC_SDI_ICON = 1018;
constexpr int IDC_PORT_COMBO = 1106;
constexpr int IDC_SEARCH_DEVICE = 1107;
constexpr int IDC_SEARCH_STATUS = 1108;
constexpr int IDC_HOT_PLUG_STATUS = 1115;
constexpr int IDC_CHANNELS_STATUS = 1116;
constexpr int IDC_SIGNAL_ON = 1124;
constexpr int IDC_SIGNAL_OFF = 1125;
constexpr int IDC_HDMI_LABEL = 1178;
constexpr int IDC_SDI_LABEL = 1179;

// About box (template 100).
constexpr int IDC_ABOUT_ICON = 1200;
constexpr int IDC_ABOUT_TITLE = 1201;
constexpr int IDC_ABOUT_LINE2 = 1202;
constexpr int IDC_ABOUT_LINE3 = 1203;

// Conversation window (template 104).
constexpr int IDC_CONVERSATION_LINES = 1300;
constexpr int IDC_CONVERSATION_CAP = 1301;
constexpr int IDC_CONVERSATION_PAUSE = 1302;
constexpr int IDC_CONVERSATION_CLEAR = 1303;
constexpr int IDC_CONVERSATION_SAVE = 1304;
constexpr int IDC_CONVERSATION_HEADER = 1305;

// Plan window (template 106).
constexpr int IDC_PLAN_NAME = 1400;
constexpr int IDC_PLAN_OPEN = 1401;
constexpr int IDC_PLAN_FROM_EDID = 1402;
constexpr int IDC_PLAN_STEPS = 1403;
constexpr int IDC_PLAN_CURRENT = 1404;
constexpr int IDC_PLAN_ELAPSED = 1405;
constexpr int IDC_PLAN_MESSAGE = 1406;
constexpr int IDC_PLAN_PROMPT = 1407;
constexpr int IDC_PLAN_NOTE_LABEL = 1408;
constexpr int IDC_PLAN_NOTE = 1409;
constexpr int IDC_PLAN_PASS = 1410;
constexpr int IDC_PLAN_FAIL = 1411;
constexpr int IDC_PLAN_RUN = 1412;
constexpr int IDC_PLAN_PAUSE = 1413;
constexpr int IDC_PLAN_STOP = 1414;
constexpr int IDC_PLAN_SAVE = 1415;
constexpr int IDC_PLAN_HEADER = 1416;

// EDID page (template 132), used by the main dialog's start-up.
constexpr int IDC_EDID_SOURCE = 1117;
constexpr int IDC_EDID_STATUS = 1118;

// Each page's own control ids.
#include "res/resource_edid_page.h"
#include "res/resource_pattern_page.h"
#include "res/resource_setting_page.h"
#include "res/resource_timing_calc.h"
#include "res/resource_timing_details_page.h"
#include "res/resource_timing_page.h"
