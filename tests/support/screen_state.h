// What the operator sees of the console, as one text: for each control of the main dialog and the
// five pages, its text, check, image, selection and whether it is enabled. Two states compare
// equal exactly when nothing on screen differs, so a test can say "this changed nothing".
#pragma once

#include "app/console_dlg.h"
#include "support/console_internals.h"

#include <algorithm>
#include <string>
#include <vector>

namespace testsupport {

inline std::string ControlStates(const ui::Dialog& dlg, const char* name) {
    std::string out;
    const ui::DialogTemplate& t = dlg.Template();
    for (std::size_t i = 0; i < t.count; ++i) {
        const ui::ControlTemplate& c = t.controls[i];
        if (c.id == ui::IDC_STATIC || c.kind == ui::ControlKind::Tab || !dlg.HasControl(c.id))
            continue;
        out += name;
        out += ':' + std::to_string(c.id) + (dlg.IsDlgItemEnabled(c.id) ? " " : " disabled ");
        switch (c.kind) {
        case ui::ControlKind::RadioButton:
        case ui::ControlKind::CheckBox:
            out += dlg.IsDlgButtonChecked(c.id) ? "checked" : "-";
            break;
        case ui::ControlKind::Icon:
        case ui::ControlKind::Bitmap:
            out += "image " + std::to_string(dlg.GetDlgItemImageId(c.id));
            break;
        case ui::ControlKind::ComboDropDown:
        case ui::ControlKind::ComboDropList:
            out += "selected " + std::to_string(dlg.ComboGetCurSel(c.id));
            break;
        default:
            out += "\"" + dlg.GetDlgItemText(c.id) + "\"";
            break;
        }
        out += '\n';
    }
    return out;
}

inline std::string ScreenState(const CConsoleDlg& d) {
    return ControlStates(d, "console") + ControlStates(In(d).m_timingPage, "timing") +
           ControlStates(In(d).m_timingDetailsPage, "details") +
           ControlStates(In(d).m_patternPage, "pattern") +
           ControlStates(In(d).m_settingPage, "setting") + ControlStates(In(d).m_edidPage, "edid");
}

// The lines of two states that differ ("was -> now"), empty when they are the same.
inline std::string StateChanges(const std::string& was, const std::string& now) {
    auto lines = [](const std::string& s) {
        std::vector<std::string> out;
        std::size_t start = 0;
        for (std::size_t nl; (nl = s.find('\n', start)) != std::string::npos; start = nl + 1)
            out.push_back(s.substr(start, nl - start));
        return out;
    };
    const std::vector<std::string> a = lines(was), b = lines(now);
    std::string out;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string x = i < a.size() ? a[i] : "", y = i < b.size() ? b[i] : "";
        if (x != y)
            out += x + " -> " + y + "\n";
    }
    return out;
}

} // namespace testsupport
