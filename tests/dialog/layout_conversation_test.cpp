// Where the conversation window opens, and its column names: beside the console, right of it or
// else left of it, when the screen has room there (ctest runs this once more on a screen wide
// enough); otherwise against the screen's edge. The names stand above their columns.
#include "app/conversation_dlg.h"
#include "support/console_internals.h"
#include "res/resource.h"
#include "support/console_fixture.h"

using testsupport::ConsoleFixture;

class ConversationWindow : public ConsoleFixture {};

TEST_F(ConversationWindow, OpensBesideTheConsoleWhereTheScreenHasRoom) {
    RunConsole([](CConsoleDlg& d) {
        d.ShowConversation();
        ui::ProcessEvents(20);
        ASSERT_TRUE(In(d).m_pConversationDlg);
        const CConversationDlg& w = *In(d).m_pConversationDlg;
        const ui::Rect console = d.GetWindowRect();
        const ui::Rect window = w.GetWindowRect();
        const ui::Rect screen = w.GetWorkArea();
        const bool roomRight = console.right + 8 + window.Width() <= screen.right;
        const bool roomLeft = console.left - 8 - window.Width() >= screen.left;
        RecordProperty("screen",
                       std::to_string(screen.Width()) + "x" + std::to_string(screen.Height()));
        if (roomRight) {
            RecordProperty("placed", "right");
            EXPECT_EQ(window.left, console.right + 8);
        } else if (roomLeft) {
            EXPECT_EQ(window.right, console.left - 8);
        } else if (window.Width() <= screen.Width()) {
            // No room beside it: against the edge of the side with more room.
            EXPECT_TRUE(window.right == screen.right || window.left == screen.left);
        }
        if (window.Width() <= screen.Width()) {
            EXPECT_GE(window.top, screen.top);
            EXPECT_LE(window.bottom, screen.bottom);
        }

        // The column names line up with the columns of a line.
        CConversation::Entry e;
        e.ms = 12.5;
        e.com = 7;
        e.bytes = {0xAB, 0x00, 0x00, 0x06, 0x00, 0x01, 0x01, 0x61, 0x80, 0x14, 0x00};
        e.verdict = "taken";
        e.what = "read-back item 0";
        const std::string line = CConversation::ViewLine(e);
        const std::string head = w.GetDlgItemText(IDC_CONVERSATION_HEADER);
        EXPECT_EQ(head, CConversation::HeaderLine());
        EXPECT_EQ(head.find("word"), line.find("0x8061"));
        EXPECT_EQ(head.find("addr"), line.find("01:01"));
        EXPECT_EQ(head.find("what, verdict"), line.find("read-back item 0"));
        EXPECT_EQ(head.find("payload"), line.rfind("14"));
    });
}
