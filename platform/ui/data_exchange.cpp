// Data exchange binders: members to controls and back, with the classic framework's number
// parsing and its two failure messages.
#include "platform/ui/data_exchange.h"

#include "platform/ui/dialog.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>

namespace ui {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Trims the blanks (space, tab) around a text, as the framework's scanner skips them.
std::string Trimmed(const std::string& text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && IsBlank(text[b])) {
        ++b;
    }
    while (e > b && IsBlank(text[e - 1])) {
        --e;
    }
    return text.substr(b, e - b);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Optional sign, then at least one digit and nothing else; values outside int are refused rather
// than wrapped.
bool ParseInt(const std::string& text, int& value) {
    const std::string t = Trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i == t.size()) {
        return false;
    }
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (!IsDigit(t[i])) {
            return false;
        }
        v = v * 10 + (t[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) {
            return false;
        }
    }
    if (negative) {
        v = -v;
    }
    if (v < INT_MIN || v > INT_MAX) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

// A decimal number: optional sign, digits with an optional point (at least one digit), optional
// exponent. Parsed without regard to the process locale.
bool ParseDouble(const std::string& text, double& value) {
    const std::string t = Trimmed(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) {
        ++i, ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            ++i, ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        size_t expDigits = 0;
        while (i < t.size() && IsDigit(t[i])) {
            ++i, ++expDigits;
        }
        if (expDigits == 0) {
            return false;
        }
    }
    if (i != t.size()) {
        return false;
    }
    // from_chars takes no leading '+'.
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    double v = 0;
    const auto res = std::from_chars(first, t.data() + t.size(), v);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size() || !std::isfinite(v)) {
        return false;
    }
    value = v;
    return true;
}

} // namespace

void DataExchange::Fail(int id, const char* message) {
    m_failed = true;
    m_dlg.MessageBox(message);
    m_dlg.SetFocusTo(id);
}

std::string FormatFloat(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
    if (res.ec != std::errc()) {
        return std::string();
    }
    return std::string(buf, res.ptr);
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Saving()) {
        value = dx.Dlg().GetDlgItemText(id);
    } else {
        dx.Dlg().SetDlgItemText(id, value);
    }
}

void DDX_Text(DataExchange& dx, int id, int& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Saving()) {
        int v = 0;
        if (!ParseInt(dx.Dlg().GetDlgItemText(id), v)) {
            dx.Fail(id, "Please enter an integer.");
            return;
        }
        value = v;
    } else {
        dx.Dlg().SetDlgItemText(id, std::to_string(value));
    }
}

void DDX_Text(DataExchange& dx, int id, double& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Saving()) {
        double v = 0;
        if (!ParseDouble(dx.Dlg().GetDlgItemText(id), v)) {
            dx.Fail(id, "Please enter a number.");
            return;
        }
        value = v;
    } else {
        dx.Dlg().SetDlgItemText(id, FormatFloat(value));
    }
}

namespace {

// Calls fn(id) for every radio button of the group that starts at firstId, in template order.
template <class Fn> void ForEachRadio(const Dialog& dlg, int firstId, Fn fn) {
    const DialogTemplate& tpl = dlg.Template();
    size_t start = tpl.count;
    for (size_t i = 0; i < tpl.count; ++i) {
        if (tpl.controls[i].id == firstId) {
            start = i;
            break;
        }
    }
    for (size_t i = start; i < tpl.count; ++i) {
        const ControlTemplate& c = tpl.controls[i];
        if (i > start && (c.style & kGroup)) {
            break;
        }
        if (c.kind == ControlKind::RadioButton) {
            fn(c.id);
        }
    }
}

} // namespace

int RadioGroupIndex(const Dialog& dlg, int firstId) {
    int index = -1;
    int n = 0;
    ForEachRadio(dlg, firstId, [&](int id) {
        if (index < 0 && dlg.IsDlgButtonChecked(id)) {
            index = n;
        }
        ++n;
    });
    return index;
}

void SetRadioGroupIndex(Dialog& dlg, int firstId, int index) {
    // Unchecks before checking, so no moment shows two buttons of the group checked.
    int n = 0;
    ForEachRadio(dlg, firstId, [&](int id) {
        if (n++ != index) {
            dlg.CheckDlgButton(id, false);
        }
    });
    n = 0;
    ForEachRadio(dlg, firstId, [&](int id) {
        if (n++ == index) {
            dlg.CheckDlgButton(id, true);
        }
    });
}

void DDX_Radio(DataExchange& dx, int firstId, int& index) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Saving()) {
        index = RadioGroupIndex(dx.Dlg(), firstId);
    } else {
        SetRadioGroupIndex(dx.Dlg(), firstId, index);
    }
}

void DDX_CBIndex(DataExchange& dx, int id, int& index) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Saving()) {
        index = dx.Dlg().ComboGetCurSel(id);
    } else {
        dx.Dlg().ComboSetCurSel(id, index);
    }
}

void DDX_Check(DataExchange& dx, int id, int& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Saving()) {
        value = dx.Dlg().IsDlgButtonChecked(id) ? 1 : 0;
    } else {
        dx.Dlg().CheckDlgButton(id, value != 0);
    }
}

} // namespace ui
