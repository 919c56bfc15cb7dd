// Dialog templates: one table per dialog of numbered controls with kind, caption, rectangle in
// dialog units and style. The backend builds real widgets from them.
#pragma once

#include <cstddef>

namespace ui {

enum class ControlKind {
    PushButton, // plain push button
    DefPushButton,
    RadioButton, // auto radio button; groups follow the Group style in template order
    CheckBox,
    GroupBox, // frame with caption, drawn behind the controls inside it
    Static,   // text label
    Icon,     // static showing an image (icon or bitmap), caption = resource id as text
    Bitmap,
    Edit,
    ComboDropDown, // editable drop-down combo; height is the open list's height
    ComboDropList, // drop-down list without edit field
    Tab,           // tab control; pages are created as its children
};

enum Style : unsigned {
    kNone = 0,
    kGroup = 1u << 0,  // starts a group (radio groups, tab order)
    kNotify = 1u << 1, // static/icon reports clicks
    kDisabled = 1u << 2,
    kReadOnly = 1u << 3,
    kHidden = 1u << 4,
    kBorder = 1u << 5,    // sunken/bordered static
    kCenter = 1u << 6,    // centred text
    kRight = 1u << 7,     // right-aligned text
    kMultiline = 1u << 8, // multi-line edit
    kVScroll = 1u << 9,
    kHScroll = 1u << 10,
    kNoWrap = 1u << 11,
};

struct ControlTemplate {
    int id; // -1 (IDC_STATIC) for unnamed controls
    ControlKind kind;
    const char* caption; // UTF-8; for Icon/Bitmap the resource id of the image as text or ""
    int x, y, cx, cy;    // dialog units
    unsigned style;
    // What assistive technology calls the control, for controls whose caption does not say it:
    // icons and bitmaps, an edit or combo without a label. Null: the caption; for an edit or a
    // combo box, the text of the static right before it in the template, if there is one.
    const char* name = nullptr;
};

struct DialogTemplate {
    int id;
    const char* caption;
    int cx, cy; // dialog units
    const char* fontFace;
    int pointSize;
    const ControlTemplate* controls;
    std::size_t count;
    bool childPage; // a child page (no frame, no caption) rather than a top-level dialog
    bool minimizeBox;
    bool systemMenu;
};

constexpr int IDC_STATIC = -1;

} // namespace ui
