// A small dialog for the dialog layer's tests: two radio groups with statics between them, number
// and text edits, both combo kinds, a tab control, a button, a notifying icon and static.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"
#include "platform/ui/test_hooks.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace uitest {

enum : int {
    IDC_A = 101,
    IDC_B = 102,
    IDC_C = 103,
    IDC_NOTE = 104,
    IDC_X = 201,
    IDC_Y = 202,
    IDC_INT = 301,
    IDC_FLOAT = 302,
    IDC_MULTI = 303,
    IDC_LIST = 401,
    IDC_DROP = 402,
    IDC_TAB = 500,
    IDC_GO = 601,
    IDC_ICON = 602,
    IDC_CHECK = 603,
    IDC_PANEL = 604,
    IDC_OFF = 605,
};

constexpr ui::UINT WM_TEST = ui::WM_USER + 7;

using K = ui::ControlKind;

inline const ui::ControlTemplate kControls[] = {
    {ui::IDC_STATIC, K::GroupBox, "Choices", 4, 2, 90, 66, ui::kNone},
    {IDC_A, K::RadioButton, "A", 10, 12, 40, 10, ui::kGroup},
    {IDC_B, K::RadioButton, "B", 10, 24, 40, 10, ui::kNone},
    {ui::IDC_STATIC, K::Static, "between", 10, 36, 40, 8, ui::kNone},
    {IDC_C, K::RadioButton, "C", 10, 46, 40, 10, ui::kNone},
    {IDC_NOTE, K::Static, "note", 54, 46, 36, 8, ui::kNotify},
    {IDC_X, K::RadioButton, "X", 10, 72, 40, 10, ui::kGroup},
    {IDC_Y, K::RadioButton, "Y", 10, 84, 40, 10, ui::kNone},
    {IDC_INT, K::Edit, "", 100, 10, 50, 12, ui::kGroup},
    {IDC_FLOAT, K::Edit, "", 100, 26, 50, 12, ui::kNone},
    {IDC_MULTI, K::Edit, "", 100, 42, 80, 30, ui::kMultiline | ui::kVScroll},
    {IDC_LIST, K::ComboDropList, "", 100, 76, 60, 80, ui::kVScroll},
    {IDC_DROP, K::ComboDropDown, "", 100, 92, 60, 80, ui::kVScroll},
    {IDC_TAB, K::Tab, "Tab1", 190, 4, 100, 90, ui::kNone},
    {IDC_GO, K::PushButton, "Go", 10, 100, 40, 14, ui::kGroup},
    {IDC_ICON, K::Icon, "190", 60, 98, 20, 20, ui::kNotify | ui::kBorder},
    {IDC_CHECK, K::CheckBox, "Check", 100, 108, 50, 10, ui::kNone},
    {IDC_PANEL, K::Static, "1080P(60)", 160, 108, 60, 10, ui::kBorder | ui::kCenter},
    {IDC_OFF, K::PushButton, "Off", 230, 104, 40, 14, ui::kDisabled},
};

inline const ui::DialogTemplate kTemplate{
    900, "Layer test", 300, 124, "Segoe UI", 9, kControls, std::size(kControls), false, true, true};

class TestDlg : public ui::Dialog {
public:
    TestDlg() : ui::Dialog(kTemplate) {}

    int m_nFirst = -1;
    int m_nSecond = -1;
    int m_nValue = 0;
    double m_fValue = 0;
    std::string m_strMulti;
    bool m_bSwallowKeys = false; // Escape dropped, Enter to the focused control only

    std::vector<std::string> m_events;
    std::thread::id m_handlerThread;

    void DoDataExchange(ui::DataExchange& dx) override {
        ui::DDX_Radio(dx, IDC_A, m_nFirst);
        ui::DDX_Radio(dx, IDC_X, m_nSecond);
        ui::DDX_Text(dx, IDC_INT, m_nValue);
        ui::DDX_Text(dx, IDC_FLOAT, m_fValue);
        ui::DDX_Text(dx, IDC_MULTI, m_strMulti);
    }

    bool PreTranslateMessage(ui::Msg& msg) override {
        if (m_bSwallowKeys && msg.message == ui::WM_KEYDOWN) {
            if (msg.wParam == ui::VK_RETURN) {
                DispatchToFocus(msg);
                return true;
            }
            if (msg.wParam == ui::VK_ESCAPE) {
                return true;
            }
        }
        return ui::Dialog::PreTranslateMessage(msg);
    }

    const ui::HandlerEntry* GetHandlerTable() const override {
        static const ui::HandlerEntry table[] = {
            UI_ON_CLICKED(IDC_GO, TestDlg, OnGo),
            UI_ON_CLICKED(IDC_GO, TestDlg, OnGoAgain), // never reached: the first entry wins
            UI_ON_CLICKED(IDC_C, TestDlg, OnC),
            UI_ON_CLICKED(IDC_NOTE, TestDlg, OnNote),
            UI_ON_CLICKED(IDC_ICON, TestDlg, OnIcon),
            UI_ON_CLICKED(IDC_OFF, TestDlg, OnOff),
            UI_ON_NOTIFY(ui::Notify::SelEndOk, IDC_LIST, TestDlg, OnListPicked),
            UI_ON_NOTIFY(ui::Notify::SelChange, IDC_LIST, TestDlg, OnListChanged),
            UI_ON_NOTIFY(ui::Notify::SelChange, IDC_TAB, TestDlg, OnTab),
            UI_ON_MESSAGE(WM_TEST, TestDlg, OnTest),
            UI_ON_MESSAGE(ui::WM_TIMER, TestDlg, OnTimer),
            UI_ON_MESSAGE(ui::WM_SYSCOMMAND, TestDlg, OnSysCommand),
            UI_END_HANDLERS,
        };
        return table;
    }

    void OnGo() { m_events.push_back("go"); }
    void OnGoAgain() { m_events.push_back("go again"); }
    void OnC() { m_events.push_back("C"); }
    void OnNote() { m_events.push_back("note"); }
    void OnIcon() { m_events.push_back("icon"); }
    void OnOff() { m_events.push_back("off"); }
    void OnListPicked() {
        m_events.push_back("picked " + std::to_string(ComboGetCurSel(IDC_LIST)));
    }
    void OnListChanged() {
        m_events.push_back("changed " + std::to_string(ComboGetCurSel(IDC_LIST)));
    }
    void OnTab() { m_events.push_back("tab " + std::to_string(TabGetCurSel(IDC_TAB))); }
    ui::LRESULT OnTest(ui::WPARAM w, ui::LPARAM l) {
        m_handlerThread = std::this_thread::get_id();
        m_events.push_back("test " + std::to_string(w));
        return static_cast<ui::LRESULT>(w) * 2 + l;
    }
    ui::LRESULT OnTimer(ui::WPARAM id, ui::LPARAM) {
        m_events.push_back("timer " + std::to_string(id));
        if (m_onTimer) {
            m_onTimer(static_cast<int>(id));
        }
        return 0;
    }
    ui::LRESULT OnSysCommand(ui::WPARAM id, ui::LPARAM) {
        m_events.push_back("syscommand " + std::to_string(id));
        return 0;
    }

    std::function<void(int)> m_onTimer;
};

// Runs body on a created and shown TestDlg (through the modal hook), then closes it.
template <class Dlg = TestDlg, class Body> int RunDialog(Dlg& dlg, Body body) {
    ui::test::SetModalHandler([&](ui::Dialog& d) {
        body(static_cast<Dlg&>(d));
        return ui::IDOK;
    });
    const int result = dlg.DoModal();
    ui::test::SetModalHandler(nullptr);
    return result;
}

} // namespace uitest
