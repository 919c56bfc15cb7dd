// The widgets themselves: key pre-translation, dialog units, combo and tab geometry, child pages,
// images and a rendered picture of a small dialog.
#include "dialog/ui_test_dialog.h"

#include <cstdio>
#include <fstream>

using namespace uitest;
using Events = std::vector<std::string>;

namespace {

enum : int { IDC_LINE = 11, IDC_TEXT = 12, IDC_PLAIN = 13, IDC_PAGE_EDIT = 21 };

const ui::ControlTemplate kKeyControls[] = {
    {IDC_LINE, K::Edit, "", 10, 10, 60, 12, ui::kGroup},
    {IDC_TEXT, K::Edit, "", 10, 26, 60, 30, ui::kMultiline},
    {IDC_PLAIN, K::PushButton, "Plain", 10, 60, 40, 14, ui::kNone},
    {ui::IDOK, K::DefPushButton, "OK", 60, 60, 40, 14, ui::kNone},
    {IDC_TAB, K::Tab, "Tab1", 110, 4, 100, 80, ui::kNone},
};
const ui::DialogTemplate kKeyTemplate{
    901, "Keys", 220, 90, "Segoe UI", 9, kKeyControls, std::size(kKeyControls), false, false, true};

const ui::ControlTemplate kPageControls[] = {
    {IDC_PAGE_EDIT, K::Edit, "", 4, 4, 50, 12, ui::kGroup},
};
const ui::DialogTemplate kPageTemplate{
    902, "", 90, 50, "Segoe UI", 9, kPageControls, std::size(kPageControls), true, false, false};

class KeyDlg : public ui::Dialog {
public:
    explicit KeyDlg(bool swallow) : ui::Dialog(kKeyTemplate), m_bSwallow(swallow) {}
    bool m_bSwallow;
    Events m_events;

    bool PreTranslateMessage(ui::Msg& msg) override {
        if (msg.message == ui::WM_KEYDOWN) {
            m_events.push_back("main key " + std::to_string(msg.wParam));
            if (m_bSwallow && msg.wParam == ui::VK_RETURN) {
                DispatchToFocus(msg);
                return true;
            }
            if (m_bSwallow && msg.wParam == ui::VK_ESCAPE) {
                return true;
            }
        }
        return false;
    }
    const ui::HandlerEntry* GetHandlerTable() const override {
        static const ui::HandlerEntry table[] = {UI_ON_CLICKED(ui::IDOK, KeyDlg, OnOk),
                                                 UI_ON_CLICKED(IDC_PLAIN, KeyDlg, OnPlain),
                                                 UI_END_HANDLERS};
        return table;
    }
    void OnOk() { m_events.push_back("ok"); }
    void OnPlain() { m_events.push_back("plain"); }
};

class PageDlg : public ui::Dialog {
public:
    explicit PageDlg(Events& log) : ui::Dialog(kPageTemplate), m_log(log) {}
    bool PreTranslateMessage(ui::Msg& msg) override {
        m_log.push_back("page key " + std::to_string(msg.wParam));
        return false;
    }
    Events& m_log;
};

class Widgets : public ::testing::Test {
protected:
    ui::test::ScopedHooks m_hooks;
};

TEST_F(Widgets, EscapeSwallowedAndEnterGoesToTheFocusedControlOnly) {
    KeyDlg dlg(true);
    RunDialog(dlg, [](KeyDlg& d) {
        ASSERT_TRUE(ui::test::PressKey(d, IDC_LINE, ui::VK_ESCAPE));
        EXPECT_TRUE(d.IsWindowVisible());
        // Enter in a line edit and on a button presses no button.
        ASSERT_TRUE(ui::test::PressKey(d, IDC_LINE, ui::VK_RETURN));
        ASSERT_TRUE(ui::test::PressKey(d, IDC_PLAIN, ui::VK_RETURN));
        EXPECT_TRUE(d.IsWindowVisible());
        // The focused multi-line edit does get its Enter: a new line.
        ASSERT_TRUE(ui::test::TypeText(d, IDC_TEXT, "ab"));
        ASSERT_TRUE(ui::test::PressKey(d, IDC_TEXT, ui::VK_RETURN));
        ASSERT_TRUE(ui::test::TypeText(d, IDC_TEXT, "c"));
        EXPECT_EQ(d.GetDlgItemText(IDC_TEXT), "ab\r\nc");
        EXPECT_EQ(d.m_events, (Events{"main key 27", "main key 13", "main key 13", "main key 65",
                                      "main key 66", "main key 13", "main key 67"}));
    });
}

TEST_F(Widgets, WithoutPreTranslationEnterPressesTheDefaultButtonAndEscapeCloses) {
    KeyDlg dlg(false);
    RunDialog(dlg, [](KeyDlg& d) {
        ASSERT_TRUE(ui::test::PressKey(d, IDC_LINE, ui::VK_RETURN));
        EXPECT_EQ(d.m_events, (Events{"main key 13", "ok"}));
        ASSERT_TRUE(ui::test::PressKey(d, IDC_LINE, ui::VK_ESCAPE));
        EXPECT_FALSE(d.IsWindowVisible());
    });
}

TEST_F(Widgets, ChildPagesLiveInTheTabControlAndSeeKeysFirst) {
    KeyDlg dlg(true);
    Events pageLog;
    PageDlg page(pageLog);
    RunDialog(dlg, [&](KeyDlg& d) {
        ASSERT_TRUE(page.Create(&d, IDC_TAB));
        // The tab control's client rectangle is its whole rectangle, in its own coordinates.
        const ui::Rect tab = d.TabGetClientRect(IDC_TAB);
        const ui::Rect onDialog = d.GetDlgItemRect(IDC_TAB);
        EXPECT_EQ(tab.left, 0);
        EXPECT_EQ(tab.top, 0);
        EXPECT_EQ(tab.Width(), onDialog.Width());
        EXPECT_EQ(tab.Height(), onDialog.Height());
        EXPECT_EQ(onDialog.Width(), d.DluToPixelsX(100));

        const ui::Rect place{tab.left + 1, tab.top + 20, tab.right - 2, tab.bottom - 1};
        page.MoveWindow(place);
        const ui::Rect got = page.GetWindowRect();
        EXPECT_EQ(got.left, place.left);
        EXPECT_EQ(got.top, place.top);
        EXPECT_EQ(got.right, place.right);
        EXPECT_EQ(got.bottom, place.bottom);
        EXPECT_EQ(page.GetClientRect().Width(), place.Width());

        EXPECT_TRUE(page.IsWindowVisible());
        page.ShowWindow(false);
        EXPECT_FALSE(page.IsWindowVisible());
        page.ShowWindow(true);

        ASSERT_TRUE(ui::test::PressKey(page, IDC_PAGE_EDIT, ui::VK_ESCAPE));
        EXPECT_EQ(pageLog, (Events{"page key 27"}));
        EXPECT_EQ(d.m_events, (Events{"main key 27"}));
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_EQ(page.GetFocusId(), IDC_PAGE_EDIT);
        EXPECT_EQ(d.GetFocusId(), -2); // the focus is in the page, not on a main control
        EXPECT_EQ(page.GetParentDialog(), &d);
    });
    // The page's widgets went with the dialog; the page object stays usable.
    EXPECT_EQ(page.GetDlgItemText(IDC_PAGE_EDIT), "");
    page.SetDlgItemText(IDC_PAGE_EDIT, "gone");
}

TEST_F(Widgets, AModelessDialogLivesBesideItsOwnerAndKeepsItsLastLines) {
    KeyDlg owner(false);
    KeyDlg beside(false);
    RunDialog(owner, [&](KeyDlg& d) {
        ASSERT_TRUE(beside.CreateModeless(&d));
        EXPECT_TRUE(beside.IsWindowVisible());
        EXPECT_TRUE(d.IsWindowVisible());
        // Lines appended past the limit push the oldest out.
        beside.SetDlgItemLineLimit(IDC_TEXT, 3);
        for (int i = 1; i <= 5; ++i)
            beside.AppendDlgItemText(IDC_TEXT, "line " + std::to_string(i) + "\r\n");
        EXPECT_EQ(beside.GetDlgItemText(IDC_TEXT), "line 3\r\nline 4\r\nline 5\r\n");
        // Ending it (the close box, Escape) only hides it; it comes back as it was.
        beside.EndDialog(ui::IDCANCEL);
        EXPECT_FALSE(beside.IsWindowVisible());
        EXPECT_TRUE(d.IsWindowVisible());
        beside.ShowWindow(true);
        EXPECT_TRUE(beside.IsWindowVisible());
        EXPECT_EQ(beside.GetDlgItemText(IDC_TEXT), "line 3\r\nline 4\r\nline 5\r\n");
        // The save chooser is answered by the hooks like the open chooser.
        std::string path;
        ui::test::SetSaveFileAnswer(std::string("/tmp/chosen.txt"));
        EXPECT_TRUE(ui::GetSaveFileName(&beside, "text|*.txt||", ".", "log.txt", path));
        EXPECT_EQ(path, "/tmp/chosen.txt");
        EXPECT_FALSE(ui::GetSaveFileName(&beside, "text|*.txt||", ".", "log.txt", path));
    });
}

TEST_F(Widgets, DialogUnitsFollowTheFont) {
    static const ui::DialogTemplate big{
        903, "Big", 300, 124, "Segoe UI", 18, kControls, std::size(kControls), false, false, true};
    TestDlg small;
    struct BigDlg : ui::Dialog {
        BigDlg() : ui::Dialog(big) {}
    } large;
    int smallX = 0, smallY = 0;
    RunDialog(small, [&](TestDlg& d) {
        smallX = d.DluToPixelsX(400);
        smallY = d.DluToPixelsY(800);
        EXPECT_NEAR(d.DluToPixelsX(400), 100 * d.DluToPixelsX(4), 2);
        EXPECT_NEAR(d.DluToPixelsY(800), 100 * d.DluToPixelsY(8), 2);
        EXPECT_EQ(d.GetClientRect().Width(), d.DluToPixelsX(300));
        EXPECT_EQ(d.GetClientRect().Height(), d.DluToPixelsY(124));
        const ui::Rect go = d.GetDlgItemRect(IDC_GO);
        EXPECT_EQ(go.left, d.DluToPixelsX(10));
        EXPECT_EQ(go.top, d.DluToPixelsY(100));
        EXPECT_EQ(go.Width(), d.DluToPixelsX(40));
        EXPECT_EQ(go.Height(), d.DluToPixelsY(14));
        // A combo's template height is its open list; closed it is one line high.
        const ui::Rect list = d.GetDlgItemRect(IDC_LIST);
        EXPECT_EQ(list.Width(), d.DluToPixelsX(60));
        EXPECT_LT(list.Height(), d.DluToPixelsY(80) / 2);
        EXPECT_GT(list.Height(), d.DluToPixelsY(8));
    });
    RunDialog(large, [&](ui::Dialog& d) {
        // Twice the point size gives about twice the units.
        EXPECT_NEAR(static_cast<double>(d.DluToPixelsX(400)) / smallX, 2.0, 0.35);
        EXPECT_NEAR(static_cast<double>(d.DluToPixelsY(800)) / smallY, 2.0, 0.35);
    });
}

ui::Image Disc(int id, std::uint32_t color) {
    ui::Image img(id, 32, 32, 0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if ((x - 16) * (x - 16) + (y - 16) * (y - 16) < 14 * 14) {
                img.At(x, y) = color;
            }
        }
    }
    return img;
}

TEST_F(Widgets, IconsShowImagesAndReportTheirIds) {
    ui::SetImageProvider([](int id) { return Disc(id, 0xFF0080FFu); });
    TestDlg dlg;
    RunDialog(dlg, [](TestDlg& d) {
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ICON), 190); // from the template
        d.SetDlgItemImage(IDC_ICON, Disc(133, 0xFFFF0000u));
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ICON), 133);
        d.SetDlgItemImage(IDC_ICON, ui::Image());
        EXPECT_EQ(d.GetDlgItemImageId(IDC_ICON), 0);
        EXPECT_EQ(d.GetDlgItemImageId(IDC_GO), 0);
        d.SetWindowIcon(Disc(128, 0xFF00FF00u), Disc(128, 0xFF00FF00u));
        d.SetWindowText("Kestrelon Signal Generator V1.0");
        EXPECT_EQ(d.GetWindowText(), "Kestrelon Signal Generator V1.0");
        EXPECT_FALSE(d.IsIconic());
    });
    ui::SetImageProvider(nullptr);
}

TEST_F(Widgets, SmallDialogRendersToPng) {
    const std::string path = std::string(KESTRELON_BINARY_DIR) + "/ui_widgets_grab.png";
    std::remove(path.c_str());
    TestDlg dlg;
    RunDialog(dlg, [&](TestDlg& d) {
        d.m_nFirst = 1;
        d.m_nSecond = 0;
        d.m_fValue = 74.175824;
        d.m_strMulti = "line one\r\nline two";
        d.UpdateData(false);
        d.SetDlgItemImage(IDC_ICON, Disc(133, 0xFFFF0000u));
        for (const char* s : {"COM1", "COM2"}) {
            d.ComboAddString(IDC_LIST, s);
            d.ComboAddString(IDC_DROP, s);
        }
        d.ComboSetCurSel(IDC_LIST, 0);
        d.ComboSetCurSel(IDC_DROP, 1);
        d.TabInsertItem(IDC_TAB, 0, " Timing ");
        d.TabInsertItem(IDC_TAB, 1, "Pattern");
        d.CheckDlgButton(IDC_CHECK, true);
        EXPECT_TRUE(d.GrabToPng(path));
    });
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good());
    char magic[8] = {};
    in.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

class EditDlg : public ui::Dialog {
public:
    EditDlg() : ui::Dialog(kKeyTemplate) {}
    Events m_events;
    const ui::HandlerEntry* GetHandlerTable() const override {
        static const ui::HandlerEntry table[] = {
            UI_ON_NOTIFY(ui::Notify::EditChange, IDC_LINE, EditDlg, OnChange),
            UI_ON_NOTIFY(ui::Notify::KillFocus, IDC_LINE, EditDlg, OnKillFocus), UI_END_HANDLERS};
        return table;
    }
    void OnChange() { m_events.push_back("change " + GetDlgItemText(IDC_LINE)); }
    void OnKillFocus() { m_events.push_back("kill focus"); }
};

TEST_F(Widgets, EditsReportTypingAndLosingTheFocus) {
    EditDlg dlg;
    RunDialog(dlg, [](EditDlg& d) {
        ui::ProcessEvents(0); // let the window become active, so the focus moves for real
        d.SetDlgItemText(IDC_LINE, "program"); // the program's own text is no edit
        d.SetDlgItemText(IDC_LINE, "");
        ASSERT_TRUE(ui::test::TypeText(d, IDC_LINE, "12"));
        d.SetFocusTo(IDC_TEXT);
        ui::ProcessEvents(0);
        EXPECT_EQ(d.GetFocusId(), IDC_TEXT);
        EXPECT_EQ(d.m_events, (Events{"change 1", "change 12", "kill focus"}));
    });
}

} // namespace
