// Template 102: the main console dialog, template 100: the About box, and template 104: the
// conversation window.
#include "res/resource.h"
#include "res/templates.h"
#include "platform/ui/types.h"

#include <iterator>

using namespace ui;

namespace {

const ControlTemplate kConsoleControls[] = {
    {IDC_TAB, ControlKind::Tab, "Tab1", 110, 7, 349, 343, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Signal Ouput", 11, 9, 94, 32, kNone},
    {IDC_SIGNAL_ON, ControlKind::RadioButton, "Signal On", 19, 18, 48, 10, kGroup},
    {IDC_SIGNAL_OFF, ControlKind::RadioButton, "Signal Off", 19, 30, 52, 10, kNone},
    {IDC_SIGNAL_ICON, ControlKind::Icon, "190", 71, 19, 20, 20, kGroup | kNotify | kHidden,
     "Signal"},
    {IDC_HDMI_ICON, ControlKind::Icon, "191", 13, 48, 20, 20, kNotify, "HDMI"},
    {IDC_HDMI_LABEL, ControlKind::Static, "HDMI", 33, 52, 27, 8, kNotify},
    {IDC_SDI_ICON, ControlKind::Icon, "133", 66, 47, 20, 20, kNotify, "SDI"},
    {IDC_SDI_LABEL, ControlKind::Static, "SDI", 86, 52, 18, 8, kNotify},
    {IDC_STATIC, ControlKind::GroupBox, "Comm Port", 7, 73, 101, 48, kNone},
    {IDC_PORT_BUTTON, ControlKind::PushButton, "Turn on Port", 51, 81, 53, 14, kGroup},
    {IDC_STATIC, ControlKind::GroupBox, "Activity", 13, 84, 33, 29, kNone},
    {IDC_ACTIVITY_ICON, ControlKind::Icon, "134", 17, 91, 20, 20, kNotify, "Port activity"},
    // A combo's caption is its initial list, one entry per line.
    {IDC_PORT_COMBO, ControlKind::ComboDropDown,
     "COM1\nCOM2\nCOM3\nCOM4\nCOM5\nCOM6\nCOM7\nCOM8\nCOM9\nCOM10\n"
     "COM11\nCOM12\nCOM13\nCOM14\nCOM15\nCOM16\nCOM17\nCOM18\nCOM19\nCOM20\n"
     "COM21\nCOM22\nCOM23\nCOM24\nCOM25\nCOM26\nCOM27\nCOM28\nCOM29\nCOM30\n"
     "COM31\nCOM32\nCOM33\nCOM34\nCOM35\nCOM36\nCOM37\nCOM38\nCOM39\nCOM40\n"
     "COM41\nCOM42\nCOM43\nCOM44\nCOM45\nCOM46\nCOM47\nCOM48\nCOM49\nCOM50\n"
     "COM51\nCOM52\nCOM53\nCOM54\nCOM55\nCOM56\nCOM57\nCOM58\nCOM59\nCOM60\n"
     "COM61\nCOM62\nCOM63\nCOM64\nCOM65\nCOM66\nCOM67\nCOM68\nCOM69\nCOM70\n"
     "COM71\nCOM72\nCOM73\nCOM74\nCOM75\nCOM76\nCOM77\nCOM78\nCOM79\nCOM80\n"
     "COM81\nCOM82\nCOM83\nCOM84\nCOM85\nCOM86\nCOM87\nCOM88\nCOM89\nCOM90\n"
     "COM91\nCOM92\nCOM93\nCOM94\nCOM95\nCOM96\nCOM97\nCOM98\nCOM99",
     52, 101, 52, 132, kVScroll | kGroup, "Comm Port"},
    {IDC_SEARCH_STATUS, ControlKind::Static, "Static", 7, 125, 87, 8, kNone},
    {IDC_SEARCH_DEVICE, ControlKind::PushButton, "Search Device", 11, 135, 95, 20, kGroup},
    {IDC_STATIC, ControlKind::Static, "Hot Plug:", 15, 165, 37, 8, kNone},
    {IDC_HOT_PLUG_STATUS, ControlKind::Static, "OFF", 57, 165, 16, 10, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Video Output", 7, 179, 100, 88, kNone},
    {IDC_STATIC, ControlKind::Static, "Status", 67, 188, 19, 8, kNone},
    {IDC_STATIC, ControlKind::Static, "HDCP:", 12, 201, 21, 8, kNone},
    {IDC_HDCP_STATUS, ControlKind::Static, "ON", 62, 200, 39, 10, kBorder},
    {IDC_STATIC, ControlKind::Static, "HDMI/DVI:", 12, 215, 37, 8, kNone},
    {IDC_INTERFACE_STATUS, ControlKind::Static, "HDMI", 62, 213, 39, 10, kBorder},
    {IDC_STATIC, ControlKind::Static, "Color Space:", 11, 227, 45, 8, kNone},
    {IDC_COLOR_SPACE_STATUS, ControlKind::Static, "RGB4:4:4", 62, 226, 39, 10, kBorder},
    {IDC_STATIC, ControlKind::Static, "Color Depth:", 11, 240, 47, 8, kNone},
    {IDC_COLOR_DEPTH_STATUS, ControlKind::Static, "8bit", 62, 239, 39, 10, kBorder},
    {IDC_STATIC, ControlKind::Static, "Timing:", 11, 254, 25, 8, kNone},
    {IDC_TIMING_STATUS, ControlKind::Static, "1080P(60)", 37, 254, 64, 10, kBorder | kCenter},
    {IDC_STATIC, ControlKind::GroupBox, "Audio Output", 7, 272, 100, 74, kNone},
    {IDC_STATIC, ControlKind::Static, "Status", 65, 279, 19, 8, kNone},
    {IDC_STATIC, ControlKind::Static, "Sample rate:", 12, 291, 44, 8, kNone},
    {IDC_SAMPLE_RATE_STATUS, ControlKind::Static, "48K", 59, 290, 39, 10, kBorder},
    {IDC_STATIC, ControlKind::Static, "Audio bit:", 12, 304, 34, 8, kNone},
    {IDC_AUDIO_BITS_STATUS, ControlKind::Static, "24bit", 59, 303, 39, 10, kBorder},
    {IDC_STATIC, ControlKind::Static, "Channels:", 12, 317, 33, 8, kNone},
    {IDC_CHANNELS_STATUS, ControlKind::Static, "2 ch", 59, 316, 39, 10, kBorder},
    {IDC_STATIC, ControlKind::Static, "Audio Type:", 12, 330, 39, 8, kNone},
    {IDC_AUDIO_TYPE_STATUS, ControlKind::Static, "PCM", 59, 329, 39, 10, kBorder},
};

const DialogTemplate kConsoleTemplate = {
    IDD_CONSOLE_DIALOG, "Kestrelon Signal Generator V1.0", 466,   364,  "Segoe UI", 9,
    kConsoleControls,   std::size(kConsoleControls),       false, true, true,
};

const ControlTemplate kAboutControls[] = {
    {IDC_ABOUT_ICON, ControlKind::Icon, "128", 11, 17, 20, 20, kNone, "Kestrelon"},
    {IDC_ABOUT_TITLE, ControlKind::Static, "HDMI2.0/SDI signal generator V1.1", 40, 10, 130, 8,
     kNoWrap},
    {IDC_ABOUT_LINE2, ControlKind::Static, "Console for the Kestrelon test-signal generator", 40,
     22, 130, 8, kNoWrap},
    {IDC_ABOUT_LINE3, ControlKind::Static, "Serial link 115200 baud, 8N1", 40, 34, 130, 8, kNoWrap},
    {ui::IDOK, ControlKind::DefPushButton, "OK", 178, 7, 50, 16, kGroup},
};

const DialogTemplate kAboutTemplate = {
    IDD_ABOUTBOX,
    "About Kestrelon",
    235,
    55,
    "MS Sans Serif",
    8,
    kAboutControls,
    std::size(kAboutControls),
    false,
    false,
    true,
};

// The lines are as wide as a frame of a few payload bytes in the fixed font; longer ones scroll.
// The column names stand above them in the same font (set at run time, as the lines' is).
const ControlTemplate kConversationControls[] = {
    {IDC_CONVERSATION_HEADER, ControlKind::Static, "", 9, 6, 540, 9, kNoWrap, "Columns"},
    {IDC_CONVERSATION_LINES, ControlKind::Edit, "", 7, 16, 546, 253,
     kMultiline | kReadOnly | kVScroll | kHScroll, "Frames sent and received"},
    {IDC_CONVERSATION_CAP, ControlKind::Static, "Keeps the last 10 000 lines; the oldest go first.",
     7, 278, 200, 8, kNoWrap},
    {IDC_CONVERSATION_PAUSE, ControlKind::PushButton, "Pause", 331, 275, 50, 14, kGroup},
    {IDC_CONVERSATION_CLEAR, ControlKind::PushButton, "Clear", 385, 275, 50, 14, kNone},
    {IDC_CONVERSATION_SAVE, ControlKind::PushButton, "Save as text...", 439, 275, 60, 14, kNone},
    {ui::IDCANCEL, ControlKind::PushButton, "Close", 503, 275, 50, 14, kNone},
};

const DialogTemplate kConversationTemplate = {
    IDD_CONVERSATION,
    "Conversation",
    560,
    296,
    "Segoe UI",
    9,
    kConversationControls,
    std::size(kConversationControls),
    false,
    true,
    true,
};

} // namespace

const DialogTemplate& ConversationTemplate() {
    return kConversationTemplate;
}

const DialogTemplate& ConsoleDialogTemplate() {
    return kConsoleTemplate;
}
const DialogTemplate& AboutDialogTemplate() {
    return kAboutTemplate;
}

const char* LoadStringResource(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return "&About HDMI/SDI signal generator...";
    case IDS_SOCKETS_INIT_FAILED:
        return "Windows sockets initialization failed.";
    case IDS_CONVERSATION:
        return "&Conversation...\tF2";
    case IDS_PLAN:
        return "&Plan...\tF3";
    default:
        return "";
    }
}
