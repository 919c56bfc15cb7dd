// The few Win32 calls the native console tests make, kept out of the test file: <windows.h> and
// the console's headers do not go into one translation unit.
#pragma once

#include "support/layout_rules.h"

#include <string>
#include <vector>

namespace ui {
class Dialog;
}

namespace win32host {

constexpr long kRoleClient = 0x0A;      // ROLE_SYSTEM_CLIENT: a window of no known class
constexpr long kRoleRadioButton = 0x2D; // ROLE_SYSTEM_RADIOBUTTON

// The window text of a control (what the system's accessibility proxy of a static names it by).
std::string ControlWindowText(const ui::Dialog& dlg, int id);

// Role and name as an accessibility client reads them through the system's proxy of the
// control's window. False where there is no such proxy.
bool ReadAccessible(const ui::Dialog& dlg, int id, long& role, std::string& name);

// Tells the top-level dialog its window is now on a screen of the given DPI, with the window
// rectangle the system would suggest (the current one scaled by the same factor).
void SendDpiChanged(const ui::Dialog& dlg, int dpi);

// The template's controls of dlg as the layout rules see them, read from their windows: rectangles
// in the dialog's client coordinates, the room each caption has and what it needs in the
// control's font.
std::vector<layout::Item> LayoutItems(const ui::Dialog& dlg);

// The tabs of tab control id with their labels, in the tab control's client coordinates.
std::vector<layout::Item> TabLayoutItems(const ui::Dialog& dlg, int id);

} // namespace win32host
