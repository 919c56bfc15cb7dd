// Data exchange binders: move member values to and from controls. A failed read shows the
// framework's message, puts the focus on the control and makes UpdateData return false; the
// binders after it do nothing.
#pragma once

#include <string>

namespace ui {

class Dialog;

class DataExchange {
public:
    DataExchange(Dialog& dlg, bool saveAndValidate) : m_dlg(dlg), m_save(saveAndValidate) {}
    Dialog& Dlg() const { return m_dlg; }
    bool Saving() const { return m_save; }
    bool Failed() const { return m_failed; }
    void Fail(int id, const char* message);

private:
    Dialog& m_dlg;
    bool m_save;
    bool m_failed = false;
};

// Static or edit text <-> string (bytes kept as they are, CR LF included).
void DDX_Text(DataExchange& dx, int id, std::string& value);
// Edit <-> int: "Please enter an integer." on a bad read.
void DDX_Text(DataExchange& dx, int id, int& value);
// Edit <-> float, written like %g with six significant digits: "Please enter a number.".
void DDX_Text(DataExchange& dx, int id, double& value);
// Radio group starting at firstId <-> index in template order, -1 for none.
void DDX_Radio(DataExchange& dx, int firstId, int& index);
// Combo box <-> selected index, -1 for none.
void DDX_CBIndex(DataExchange& dx, int id, int& index);
// Check box <-> 0/1.
void DDX_Check(DataExchange& dx, int id, int& value);

// Radio group helpers, by template order (a group runs from the control with the group style to
// the next control with the group style; only radio buttons count).
int RadioGroupIndex(const Dialog& dlg, int firstId);
void SetRadioGroupIndex(Dialog& dlg, int firstId, int index);

// Formats a float as the exchange writes it (%g, six significant digits).
std::string FormatFloat(double value);

} // namespace ui
