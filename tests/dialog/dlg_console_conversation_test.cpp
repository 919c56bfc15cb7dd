// The conversation window as the operator uses it: opened beside the console from the system
// menu or F2, capped at 10 000 lines, paused, cleared and saved as text.
#include "app/conversation_dlg.h"
#include "support/console_internals.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/text_lines.h"

#include <cstdio>
#include <fstream>
#include <sstream>

using testsupport::ConsoleFixture;

namespace {

// A reply frame whose payload is the entry's number, so each line can be told apart.
void RecordNumbered(CConversation& c, int n) {
    const std::uint8_t payload[2] = {static_cast<std::uint8_t>(n),
                                     static_cast<std::uint8_t>(n >> 8)};
    std::uint8_t bytes[frame::kOverhead + 2];
    const std::size_t size = frame::BuildReply(bytes, {1, 1}, 0x8061, payload, 2);
    c.Record(CConversation::Direction::Received, bytes, size, "taken");
}

std::vector<std::string> ShownLines(CConversationDlg& w) {
    return testsupport::NonEmptyLines(w.GetDlgItemText(IDC_CONVERSATION_LINES));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class ConversationWindow : public ConsoleFixture {};

TEST_F(ConversationWindow, OpensBesideTheConsoleAndClosingItChangesNothingElse) {
    RunConsole([&](CConsoleDlg& d) {
        ASSERT_TRUE(ui::test::ChooseSystemMenuItem(d, "&Conversation...\tF2"));
        ASSERT_TRUE(In(d).m_pConversationDlg);
        CConversationDlg& w = *In(d).m_pConversationDlg;
        EXPECT_TRUE(w.IsModeless());
        EXPECT_TRUE(w.IsWindowVisible());
        EXPECT_TRUE(In(d).m_conversation.Enabled());
        // The console goes on taking clicks while the window is open.
        EXPECT_TRUE(ui::test::Click(d, IDC_SDI_ICON));
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Com port is not on yet."});

        RecordNumbered(In(d).m_conversation, 1);
        ASSERT_TRUE(ui::test::FireTimer(w, CConversationDlg::kTimerRefresh));
        ASSERT_EQ(ShownLines(w).size(), 1u);
        ASSERT_TRUE(ui::test::Click(w, ui::IDCANCEL));
        EXPECT_FALSE(w.IsWindowVisible());
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_EQ(d.m_bPortOpen, 0);
        EXPECT_EQ(d.GetDlgItemText(IDC_PORT_BUTTON), "Turn on Port");

        // F2 brings it back as it was, with what came meanwhile.
        RecordNumbered(In(d).m_conversation, 2);
        EXPECT_TRUE(ui::test::PressKey(d, IDC_SEARCH_DEVICE, ui::VK_F2));
        EXPECT_TRUE(w.IsWindowVisible());
        EXPECT_EQ(ShownLines(w).size(), 2u);
    });
}

TEST_F(ConversationWindow, KeepsTheLastTenThousandLinesAndSaysSo) {
    RunConsole([&](CConsoleDlg& d) {
        d.ShowConversation();
        CConversationDlg& w = *In(d).m_pConversationDlg;
        EXPECT_NE(w.GetDlgItemText(IDC_CONVERSATION_CAP).find("10 000 lines"), std::string::npos);
        for (int n = 0; n < 9990; ++n)
            RecordNumbered(In(d).m_conversation, n);
        w.Refresh();
        // Fifteen more at a time: the oldest lines go as the new ones come.
        for (int n = 9990; n < 10005; ++n)
            RecordNumbered(In(d).m_conversation, n);
        w.Refresh();
        std::uint64_t next = 0;
        const std::vector<CConversation::Entry> kept = In(d).m_conversation.Since(0, next);
        ASSERT_EQ(kept.size(), 10000u);
        const std::vector<std::string> lines = ShownLines(w);
        ASSERT_EQ(lines.size(), 10000u);
        EXPECT_EQ(lines.front(), CConversation::ViewLine(kept.front()));
        EXPECT_NE(lines.front().find("01:01  taken"), std::string::npos) << lines.front();
        EXPECT_NE(lines.front().find(" 05 00"), std::string::npos) << lines.front(); // entry 5
        EXPECT_NE(lines.back().find(" 14 27"), std::string::npos) << lines.back();   // entry 10004

        // A flood larger than the window replaces all it shows.
        for (int n = 0; n < 12000; ++n)
            RecordNumbered(In(d).m_conversation, n);
        w.Refresh();
        const std::vector<std::string> after = ShownLines(w);
        ASSERT_EQ(after.size(), 10000u);
        EXPECT_NE(after.front().find(" d0 07"), std::string::npos) << after.front(); // 2000
    });
}

TEST_F(ConversationWindow, PauseClearAndSaveAsText) {
    RunConsole([&](CConsoleDlg& d) {
        std::vector<std::string> logged;
        In(d).m_conversation.SetLogSink([&](const std::string& line) { logged.push_back(line); });
        d.ShowConversation();
        CConversationDlg& w = *In(d).m_pConversationDlg;
        In(d).m_conversation.PortOpened(3);
        RecordNumbered(In(d).m_conversation, 1);

        // Paused, the window takes nothing; the frame log still gets every frame.
        ASSERT_TRUE(ui::test::Click(w, IDC_CONVERSATION_PAUSE));
        EXPECT_EQ(w.GetDlgItemText(IDC_CONVERSATION_PAUSE), "Resume");
        RecordNumbered(In(d).m_conversation, 2);
        ASSERT_TRUE(ui::test::Click(w, IDC_CONVERSATION_PAUSE));
        EXPECT_EQ(w.GetDlgItemText(IDC_CONVERSATION_PAUSE), "Pause");
        RecordNumbered(In(d).m_conversation, 3);
        w.Refresh();
        EXPECT_EQ(ShownLines(w).size(), 2u);
        EXPECT_EQ(logged.size(), 3u);

        // Saved in the frame log's format, over the file chosen, whole.
        const std::string path = InExeDir("conversation.txt");
        { std::ofstream(path) << "an older file, longer than what replaces it\n"; }
        ui::test::SetSaveFileAnswer(path);
        ASSERT_TRUE(ui::test::Click(w, IDC_CONVERSATION_SAVE));
        const std::string saved = ReadFile(path);
        EXPECT_EQ(saved, logged[0] + "\n" + logged[2] + "\n");
        EXPECT_NE(saved.find(" RX ab 00 00 07 00 01 01 61 80 01 00 "), std::string::npos) << saved;
        EXPECT_NE(saved.find("(COM3, taken)"), std::string::npos) << saved;
        EXPECT_FALSE(std::ifstream(path + ".part").good());
        EXPECT_TRUE(Boxes().empty());

        // A place that cannot take the file: said so, and the saved file stays as it was.
        ui::test::SetSaveFileAnswer(InExeDir("missing-folder") + "/conversation.txt");
        ASSERT_TRUE(ui::test::Click(w, IDC_CONVERSATION_SAVE));
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].rfind("The conversation could not be saved to ", 0), 0u) << Boxes()[0];
        EXPECT_EQ(ReadFile(path), saved);

        // Clear empties the window and what a save would write.
        ASSERT_TRUE(ui::test::Click(w, IDC_CONVERSATION_CLEAR));
        EXPECT_TRUE(ShownLines(w).empty());
        EXPECT_EQ(In(d).m_conversation.Size(), 0u);
        RecordNumbered(In(d).m_conversation, 4);
        w.Refresh();
        EXPECT_EQ(ShownLines(w).size(), 1u);
        In(d).m_conversation.SetLogSink(nullptr);
    });
}
