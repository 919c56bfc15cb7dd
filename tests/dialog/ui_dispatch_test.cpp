// Handler tables, control notifications, timers, message boxes, sleeps, the modal loop, the
// system menu and the file chooser hook.
#include "dialog/ui_test_dialog.h"

#include "platform/ui/application.h"

#include <algorithm>
#include <chrono>
#include <functional>

using namespace uitest;
using Events = std::vector<std::string>;

namespace {

class Dispatch : public ::testing::Test {
protected:
    ui::test::ScopedHooks m_hooks;
    TestDlg m_dlg;
};

TEST_F(Dispatch, ClicksReachTheFirstMatchingEntryOnly) {
    RunDialog(m_dlg, [](TestDlg& d) {
        ASSERT_TRUE(ui::test::Click(d, IDC_GO));
        ASSERT_TRUE(ui::test::Click(d, IDC_C));
        ASSERT_TRUE(ui::test::Click(d, IDC_NOTE)); // static with the notify style
        ASSERT_TRUE(ui::test::Click(d, IDC_ICON)); // icon with the notify style
        ASSERT_TRUE(ui::test::Click(d, IDC_A));    // radio without a handler: nothing happens
        EXPECT_FALSE(ui::test::Click(d, IDC_OFF)); // disabled
        d.EnableDlgItem(IDC_OFF, true);
        EXPECT_TRUE(d.IsDlgItemEnabled(IDC_OFF));
        ASSERT_TRUE(ui::test::Click(d, IDC_OFF));
        d.ShowDlgItem(IDC_GO, false);
        EXPECT_FALSE(d.IsDlgItemVisible(IDC_GO));
        EXPECT_FALSE(ui::test::Click(d, IDC_GO));
        EXPECT_EQ(d.m_events, (Events{"go", "C", "note", "icon", "off"}));

        // SendNotify reports whether an entry took the notification.
        EXPECT_TRUE(d.SendNotify(IDC_GO, ui::Notify::Clicked));
        EXPECT_FALSE(d.SendNotify(IDC_GO, ui::Notify::SelChange));
        EXPECT_FALSE(d.SendNotify(IDC_B, ui::Notify::Clicked));
    });
}

TEST_F(Dispatch, ComboAndTabNotifyOnlyForTheOperator) {
    RunDialog(m_dlg, [](TestDlg& d) {
        for (const char* s : {"one", "two", "three"}) {
            d.ComboAddString(IDC_LIST, s);
        }
        d.ComboSetCurSel(IDC_LIST, 1); // no notification for the program's own change
        d.ComboSetCurSel(IDC_LIST, 7); // past the end: unchanged
        EXPECT_EQ(d.ComboGetCurSel(IDC_LIST), 1);
        EXPECT_EQ(d.ComboGetCount(IDC_LIST), 3);
        EXPECT_EQ(d.ComboGetLBText(IDC_LIST, 2), "three");
        EXPECT_EQ(d.ComboGetLBText(IDC_LIST, 3), "");
        ASSERT_TRUE(ui::test::ChooseComboItem(d, IDC_LIST, 2));
        // Picking the entry that is already selected still confirms the pick.
        ASSERT_TRUE(ui::test::ChooseComboItem(d, IDC_LIST, 2));

        d.TabInsertItem(IDC_TAB, 0, " Timing ");
        d.TabInsertItem(IDC_TAB, 1, "Pattern");
        d.TabInsertItem(IDC_TAB, 2, "TV EDID");
        EXPECT_EQ(d.TabGetItemCount(IDC_TAB), 3);
        EXPECT_EQ(d.TabGetItemText(IDC_TAB, 0), " Timing ");
        d.TabSetCurSel(IDC_TAB, 1); // no notification
        EXPECT_EQ(d.TabGetCurSel(IDC_TAB), 1);
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 2));
        EXPECT_EQ(d.TabGetCurSel(IDC_TAB), 2);

        d.ComboResetContent(IDC_LIST);
        EXPECT_EQ(d.ComboGetCount(IDC_LIST), 0);
        EXPECT_EQ(d.ComboGetCurSel(IDC_LIST), -1);
        EXPECT_EQ(d.m_events, (Events{"changed 2", "picked 2", "picked 2", "tab 2"}));
    });
}

TEST_F(Dispatch, MessagesRunTheirHandlerOrGetDefaultProcessing) {
    EXPECT_EQ(m_dlg.SendMessage(WM_TEST, 20, 1), 41);
    EXPECT_EQ(m_dlg.SendMessage(ui::WM_USER + 99, 20, 1), 0);
    EXPECT_EQ(m_dlg.SendMessage(ui::WM_TIMER, 4, 0), 0);
    EXPECT_EQ(m_dlg.m_events, (Events{"test 20", "timer 4"}));
}

TEST_F(Dispatch, ManualTimersRecordRearmAndFire) {
    RunDialog(m_dlg, [](TestDlg& d) {
        EXPECT_FALSE(ui::test::ArmedInterval(d, 4));
        EXPECT_FALSE(ui::test::FireTimer(d, 4));
        d.SetTimer(4, 1000);
        d.SetTimer(5, 50);
        EXPECT_EQ(ui::test::ArmedInterval(d, 4), 1000);
        d.SetTimer(4, 300); // re-arming replaces the interval
        EXPECT_EQ(ui::test::ArmedInterval(d, 4), 300);
        EXPECT_TRUE(ui::test::FireTimer(d, 4));
        EXPECT_TRUE(ui::test::FireTimer(d, 4)); // window timers repeat until killed
        d.KillTimer(4);
        EXPECT_FALSE(ui::test::ArmedInterval(d, 4));
        EXPECT_FALSE(ui::test::FireTimer(d, 4));
        EXPECT_TRUE(ui::test::FireTimer(d, 5));
        // Nothing fires by itself in manual mode.
        ui::ProcessEvents(80);
        EXPECT_EQ(d.m_events, (Events{"timer 4", "timer 4", "timer 5"}));
    });
    // Timers go with the window.
    EXPECT_FALSE(ui::test::ArmedInterval(m_dlg, 5));
}

TEST_F(Dispatch, RealTimersRepeatAndRestartWhenRearmed) {
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;
    ui::test::ManualTimers(false);
    RunDialog(m_dlg, [](TestDlg& d) {
        auto count = [&d](const char* e) {
            return std::count(d.m_events.begin(), d.m_events.end(), e);
        };
        // Pumps until done, for ten seconds at most: a busy machine delays timers, never
        // fails them.
        auto pumpUntil = [](const std::function<bool()>& done) {
            const auto end = Clock::now() + std::chrono::seconds(10);
            while (!done() && Clock::now() < end)
                ui::ProcessEvents(1);
            return done();
        };
        d.SetTimer(7, 10);
        EXPECT_TRUE(pumpUntil([&] { return count("timer 7") >= 3; }));
        d.KillTimer(7);
        const auto fired = count("timer 7");
        ui::ProcessEvents(40);
        EXPECT_EQ(count("timer 7"), fired);

        // Re-arming a running timer restarts its interval: armed for 300 ms and re-armed after
        // 100 ms, it comes due 300 ms after the re-arming, not 200 ms after it. A machine that
        // stalls past the first interval before the re-arming makes the attempt say nothing.
        bool checked = false;
        for (int attempt = 0; attempt < 5 && !checked; ++attempt) {
            d.m_events.clear();
            d.SetTimer(8, 300);
            const auto armed = Clock::now();
            pumpUntil([&] { return Clock::now() - armed >= milliseconds(100); });
            if (!d.m_events.empty()) {
                d.KillTimer(8);
                continue;
            }
            d.SetTimer(8, 300);
            const auto rearmed = Clock::now();
            ASSERT_TRUE(pumpUntil([&] { return !d.m_events.empty(); }));
            d.KillTimer(8);
            // Timers may fire a few per cent early.
            EXPECT_GE(Clock::now() - rearmed, milliseconds(270));
            checked = true;
        }
        EXPECT_TRUE(checked) << "the machine stalled past 300 ms in each attempt";
    });
}

TEST_F(Dispatch, MessageBoxesAndSleepsAreRecorded) {
    EXPECT_EQ(m_dlg.MessageBox("File read failed"), ui::IDOK);
    ui::AppMessageBox("Windows sockets initialization failed.");
    EXPECT_EQ(ui::test::MessageBoxes(),
              (Events{"File read failed", "Windows sockets initialization failed."}));

    const auto start = std::chrono::steady_clock::now();
    ui::Sleep(500);
    ui::Sleep(200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(ui::test::Sleeps(), (std::vector<int>{500, 200}));

    ui::test::RecordSleeps(false);
    const auto real = std::chrono::steady_clock::now();
    ui::Sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - real, std::chrono::milliseconds(30));
}

TEST_F(Dispatch, ModalLoopEndsByEndDialogOrTheCloseBox) {
    ui::test::ManualTimers(false);
    // EndDialog from a handler inside the real modal loop.
    struct Init : TestDlg {
        bool OnInitDialog() override {
            TestDlg::OnInitDialog();
            SetTimer(1, 10);
            return true;
        }
    };
    Init ending;
    ending.m_onTimer = [&ending](int) { ending.EndDialog(5); };
    EXPECT_EQ(ending.DoModal(), 5);
    EXPECT_FALSE(ending.IsCreated());

    // The close box ends it with IDCANCEL.
    Init closing;
    closing.m_onTimer = [&closing](int) { ui::test::CloseWindow(closing); };
    EXPECT_EQ(closing.DoModal(), ui::IDCANCEL);

    // A dialog can run again after it ended.
    EXPECT_EQ(closing.DoModal(), ui::IDCANCEL);

    // An unhandled OK button validates and ends the dialog with IDOK.
    static const ui::ControlTemplate okControls[] = {
        {ui::IDOK, K::DefPushButton, "OK", 10, 10, 40, 14, ui::kGroup}};
    static const ui::DialogTemplate okTpl{100, "About", 100,   40,  "MS Sans Serif", 8, okControls,
                                          1,   false,   false, true};
    struct OkDlg : ui::Dialog {
        OkDlg() : ui::Dialog(okTpl) {}
        bool OnInitDialog() override {
            ui::Dialog::OnInitDialog();
            SetTimer(1, 10);
            return true;
        }
        const ui::HandlerEntry* GetHandlerTable() const override {
            static const ui::HandlerEntry t[] = {UI_ON_MESSAGE(ui::WM_TIMER, OkDlg, OnTimer),
                                                 UI_END_HANDLERS};
            return t;
        }
        ui::LRESULT OnTimer(ui::WPARAM, ui::LPARAM) {
            KillTimer(1);
            ui::test::Click(*this, ui::IDOK);
            return 0;
        }
    };
    OkDlg ok;
    EXPECT_EQ(ok.DoModal(), ui::IDOK);
}

TEST_F(Dispatch, SystemMenuEntriesArriveAsSysCommand) {
    RunDialog(m_dlg, [](TestDlg& d) {
        EXPECT_FALSE(ui::test::ChooseSystemMenuItem(d, "&About HDMI/SDI signal generator..."));
        d.AppendSystemMenuSeparator();
        d.AppendSystemMenuItem(16, "&About HDMI/SDI signal generator...");
        EXPECT_FALSE(ui::test::ChooseSystemMenuItem(d, "Other"));
        EXPECT_TRUE(ui::test::ChooseSystemMenuItem(d, "&About HDMI/SDI signal generator..."));
        EXPECT_EQ(d.m_events, (Events{"syscommand 16"}));
    });
}

TEST_F(Dispatch, FileChooserIsAnsweredByTheTest) {
    std::string path = "unchanged";
    ui::test::SetOpenFileAnswer(std::string("/tmp/DerEra_EDID01.bin"));
    EXPECT_TRUE(ui::GetOpenFileName(&m_dlg, "EDID bin|*.bin|EDID txt|*.txt||", "/work", path));
    EXPECT_EQ(path, "/tmp/DerEra_EDID01.bin");
    EXPECT_EQ(ui::test::LastOpenFileFilter(), "EDID bin|*.bin|EDID txt|*.txt||");
    EXPECT_EQ(ui::test::LastOpenFileDir(), "/work");
    // The answer served one chooser; the next one is cancelled.
    path = "unchanged";
    EXPECT_FALSE(ui::GetOpenFileName(&m_dlg, "x|*.x||", "/", path));
    EXPECT_EQ(path, "unchanged");
    ui::test::SetOpenFileAnswer(std::nullopt);
    EXPECT_FALSE(ui::GetOpenFileName(&m_dlg, "x|*.x||", "/", path));
}

} // namespace
