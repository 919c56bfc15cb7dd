// Template 132: the EDID page. Drawn in Courier New 8 (the backend's fixed-pitch font where that
// face is missing), so that one dialog unit row of 8 is exactly one text line: the row labels
// "00" .. "f0" step by 8 units and stay level with the rows of the hex dump beside them, and the
// hex dump is as wide as sixteen "XX " groups, so it wraps after every sixteenth byte.
#include "res/resource.h"
#include "res/templates.h"

#include <iterator>

using namespace ui;

namespace {

// The hex dump's top; its rows start 3 units lower (the edit's frame and inner margin).
constexpr int kHexTop = 24;
constexpr int kRowTop = kHexTop + 3;
constexpr int kRowStep = 8;

#define EDID_ROW_LABEL(row, text)                                                                  \
    {                                                                                              \
        IDC_EDID_ROW_LABEL_FIRST + (row), ControlKind::Static, text, 4, kRowTop + (row)*kRowStep,  \
            11, kRowStep, kNone                                                                    \
    }

const ControlTemplate kControls[] = {
    {IDC_STATIC, ControlKind::Static, "EDID read From:", 4, 8, 60, 8, kNone},
    {IDC_EDID_SOURCE, ControlKind::ComboDropList,
     "TV EDID\nSaved 1\nSaved 2\nSaved 3\nSaved 4\nSaved 5\nSaved 6", 66, 6, 62, 100,
     kGroup | kVScroll},
    {IDC_READ_EDID, ControlKind::PushButton, "Read EDID", 136, 5, 48, 15, kGroup},
    {IDC_WRITE_EDID, ControlKind::PushButton, "Write EDID", 188, 5, 48, 15, kDisabled},
    {IDC_SAVE_EDID, ControlKind::PushButton, "Save EDID", 240, 5, 48, 15, kNone},
    {IDC_OPEN_EDID, ControlKind::PushButton, "Open EDID", 292, 5, 48, 15, kNone},

    EDID_ROW_LABEL(0, "00"),
    EDID_ROW_LABEL(1, "10"),
    EDID_ROW_LABEL(2, "20"),
    EDID_ROW_LABEL(3, "30"),
    EDID_ROW_LABEL(4, "40"),
    EDID_ROW_LABEL(5, "50"),
    EDID_ROW_LABEL(6, "60"),
    EDID_ROW_LABEL(7, "70"),
    EDID_ROW_LABEL(8, "80"),
    EDID_ROW_LABEL(9, "90"),
    EDID_ROW_LABEL(10, "a0"),
    EDID_ROW_LABEL(11, "b0"),
    EDID_ROW_LABEL(12, "c0"),
    EDID_ROW_LABEL(13, "d0"),
    EDID_ROW_LABEL(14, "e0"),
    EDID_ROW_LABEL(15, "f0"),
    // 189 units hold 47 characters (sixteen bytes, the last blank hangs) but not the 50 of
    // seventeen; 135 units hold the sixteen rows without a scroll bar.
    {IDC_EDID_HEX, ControlKind::Edit, "", 16, kHexTop, 189, 135, kGroup | kMultiline | kReadOnly,
     "EDID bytes"},

    {IDC_EDID_STATUS, ControlKind::Static, "", 211, kHexTop, 130, 28, kBorder},
    {IDC_STATIC, ControlKind::Static, "Audio Information:", 211, 58, 130, 8, kNone},
    {IDC_EDID_AUDIO, ControlKind::Edit, "", 211, 68, 130, 91, kMultiline | kReadOnly | kVScroll},
    {IDC_STATIC, ControlKind::Static, "Video Information:", 4, 166, 201, 8, kNone},
    {IDC_EDID_VIDEO, ControlKind::Edit, "", 4, 176, 201, 170, kMultiline | kReadOnly | kVScroll},
    {IDC_STATIC, ControlKind::Static, "General Info:", 211, 166, 130, 8, kNone},
    {IDC_EDID_GENERAL, ControlKind::Edit, "", 211, 176, 130, 170,
     kMultiline | kReadOnly | kVScroll},
};

#undef EDID_ROW_LABEL

const DialogTemplate kTemplate = {
    IDD_EDID_PAGE,        "",   345,   350,   "Courier New", 8, kControls,
    std::size(kControls), true, false, false,
};

} // namespace

const DialogTemplate& EdidPageTemplate() {
    return kTemplate;
}
