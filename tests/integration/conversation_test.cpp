// The conversation window against the emulator: what it records is what went over the line, in
// the emulator's own log, and each fault the emulator can commit shows as its verdict.
#include "app/console_app.h"
#include "support/console_internals.h"
#include "app/conversation_dlg.h"
#include "link/command_words.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/served_emulator.h"
#include "support/text_lines.h"

#include <cstdio>
#include <fstream>
#include <sstream>

using testsupport::ConsoleFixture;
using testsupport::ServedEmulator;
using testsupport::WaitFor;

namespace {

struct LoggedFrame {
    std::string direction;
    std::vector<std::uint8_t> bytes;
};

// "<seconds> TX|RX <hex bytes>[  (<note>)]", the frame log line of the console and the emulator.
LoggedFrame ParseLogLine(const std::string& line) {
    LoggedFrame f;
    std::istringstream in(line);
    std::string seconds, token;
    in >> seconds >> f.direction;
    while (in >> token && token[0] != '(')
        f.bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    return f;
}

std::vector<std::uint8_t> Concat(const std::vector<LoggedFrame>& frames, const std::string& dir) {
    std::vector<std::uint8_t> all;
    for (const LoggedFrame& f : frames)
        if (f.direction == dir)
            all.insert(all.end(), f.bytes.begin(), f.bytes.end());
    return all;
}

} // namespace

class ConversationWithEmulator : public ConsoleFixture {
protected:
    ConversationWithEmulator() {
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
    }

    // Opens the window, connects to COM2 and waits for the connection's read-back to end.
    static void ConnectWithWindowOpen(CConsoleDlg& d) {
        d.ShowConversation();
        In(d).m_nPort = 2;
        ASSERT_TRUE(ui::test::Click(d, IDC_PORT_BUTTON));
        ASSERT_EQ(d.m_bPortOpen, 1);
        ASSERT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 1; }, 3000));
        ASSERT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 0; }, 15000));
    }

    // The received entries of the conversation carrying the given verdict.
    static std::vector<CConversation::Entry> Received(CConsoleDlg& d, const std::string& verdict) {
        std::uint64_t next = 0;
        std::vector<CConversation::Entry> found;
        for (CConversation::Entry& e : In(d).m_conversation.Since(0, next))
            if (e.direction == CConversation::Direction::Received && e.verdict == verdict)
                found.push_back(std::move(e));
        return found;
    }
};

TEST_F(ConversationWithEmulator, RecordsWhatTheEmulatorLogsAndShowsALinePerFrame) {
    ServedEmulator sim(m_ports.Dir(), 2);
    RunConsole([&](CConsoleDlg& d) {
        ConnectWithWindowOpen(d);
        // The conversation after the read-back (its summary, the interface and the follow-up
        // queries) runs on by itself: wait until the last of it is over, however slow the
        // machine is.
        ASSERT_TRUE(WaitFor([&] { return In(d).m_nFollowUpQueries == 0; }, 10000));
        const int timingQueries = sim.Count(cmd::QueryTiming);
        ASSERT_TRUE(d.SendCommand(cmd::QueryTiming));

        std::vector<CConversation::Entry> entries;
        std::vector<LoggedFrame> console, emulator;
        std::vector<std::vector<std::uint8_t>> sent, received;
        // Both sides have logged the same frames once the query's reply has been taken and no
        // byte is on its way; until then they may differ only by what is in flight.
        auto settled = [&] {
            std::uint64_t next = 0;
            entries = In(d).m_conversation.Since(0, next);
            console.clear();
            emulator.clear();
            for (const CConversation::Entry& e : entries)
                console.push_back(ParseLogLine(CConversation::LogLine(e)));
            for (const std::string& line : sim.Log())
                emulator.push_back(ParseLogLine(line));
            sent.clear();
            received.clear();
            for (const LoggedFrame& f : console)
                if (f.direction == "TX")
                    sent.push_back(f.bytes);
            for (const LoggedFrame& f : emulator)
                if (f.direction == "RX")
                    received.push_back(f.bytes);
            return sim.Count(cmd::QueryTiming) > timingQueries && !entries.empty() &&
                   entries.back().verdict == "taken" && sent == received &&
                   Concat(console, "RX") == Concat(emulator, "TX");
        };
        EXPECT_TRUE(WaitFor(settled, 10000));

        // Every request, frame by frame in order, as the emulator received it.
        ASSERT_GE(sent.size(), 23u); // 12 items, 10 records, the query
        EXPECT_EQ(sent, received);
        // Every byte the emulator sent, in order; the console cuts read-back items before their
        // checksum, so compare the streams rather than the frames.
        EXPECT_EQ(Concat(console, "RX"), Concat(emulator, "TX"));

        // What the frames were to the console.
        EXPECT_EQ(entries.front().what, "read-back item 0");
        EXPECT_NE(CConversation::ViewLine(entries.back()).find("0x8061 query output timing"),
                  std::string::npos);
        EXPECT_EQ(entries.back().verdict, "taken");
        int items = 0, records = 0;
        for (const CConversation::Entry& e : Received(d, "taken")) {
            items += e.what.rfind("read-back item ", 0) == 0;
            records += e.what.rfind("read-back record ", 0) == 0;
        }
        EXPECT_EQ(items, 12);
        EXPECT_EQ(records, 10);
        EXPECT_EQ(Received(d, "not checked").size(), 12u); // the items' checksums, alone

        // The window shows the same, one line per frame, once its refresh timer has run.
        std::vector<std::string> shown;
        WaitFor(
            [&] {
                shown = testsupport::NonEmptyLines(
                    In(d).m_pConversationDlg->GetDlgItemText(IDC_CONVERSATION_LINES));
                return shown.size() == entries.size();
            },
            5000);
        ASSERT_EQ(shown.size(), entries.size());
        for (std::size_t i = 0; i < shown.size(); ++i)
            EXPECT_EQ(shown[i], CConversation::ViewLine(entries[i])) << "line " << i;
    });
}

TEST_F(ConversationWithEmulator, LogOptionAppendsEveryFrameToTheFile) {
    ServedEmulator sim(m_ports.Dir(), 2);
    const std::string path = InExeDir("frames.log");
    { std::ofstream(path) << "an earlier run\n"; }
    ui::test::SetModalHandler([&](ui::Dialog& dlg) {
        if (auto* d = dynamic_cast<CConsoleDlg*>(&dlg)) {
            ConnectWithWindowOpen(*d);
            // The console closes once the emulator has received every frame it sent and the
            // last reply has been taken: nothing is in flight when the log is compared.
            EXPECT_TRUE(WaitFor(
                [&] {
                    std::uint64_t next = 0;
                    const auto entries = In(*d).m_conversation.Since(0, next);
                    std::size_t sentFrames = 0, receivedFrames = 0;
                    for (const auto& e : entries)
                        sentFrames += e.direction == CConversation::Direction::Sent;
                    for (const std::string& line : sim.Log())
                        receivedFrames += ParseLogLine(line).direction == "RX";
                    return In(*d).m_nFollowUpQueries == 0 && !entries.empty() &&
                           entries.back().verdict == "taken" && sentFrames == receivedFrames;
                },
                10000));
        }
        return ui::IDCANCEL;
    });
    std::string option = "--log", file = path, program = "kestrelon";
    char* argv[] = {program.data(), option.data(), file.data(), nullptr};
    EXPECT_EQ(CConsoleApp().Run(3, argv), 0);

    std::ifstream in(path);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "an earlier run");
    std::vector<std::vector<std::uint8_t>> sent, received;
    std::string itemZero;
    for (std::string line; std::getline(in, line);) {
        const LoggedFrame f = ParseLogLine(line);
        if (f.direction == "TX")
            sent.push_back(f.bytes);
        if (line.find("(COM2, read-back item 0)") != std::string::npos && itemZero.empty())
            itemZero = line;
    }
    for (const std::string& line : sim.Log()) {
        const LoggedFrame f = ParseLogLine(line);
        if (f.direction == "RX")
            received.push_back(f.bytes);
    }
    EXPECT_GE(sent.size(), 22u);
    EXPECT_EQ(sent, received);
    EXPECT_NE(itemZero.find(" TX aa 00 00 05 00 00 00 61 80 "), std::string::npos) << itemZero;

    // A log that cannot be opened is said, and the console runs without it.
    ui::test::SetModalHandler([](ui::Dialog&) { return ui::IDCANCEL; });
    file = InExeDir("missing-folder") + "/frames.log";
    char* badArgv[] = {program.data(), option.data(), file.data(), nullptr};
    EXPECT_EQ(CConsoleApp().Run(3, badArgv), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("The frame log " + file + " could not be opened: ", 0), 0u)
        << Boxes()[0];
}

// Each fault the emulator commits on purpose, the request that meets it, and the verdict the
// conversation must give the reply.
struct FaultCase {
    const char* name;
    sgsim::CMisbehaviour misbehaviour;
    std::uint16_t request;
    const char* verdict;
    std::uint16_t repliedWord; // the word the reply line names (0: not a frame)
    int baud = 115200;         // below 115200: the emulator paces its bytes at this rate
};

class ConversationVerdicts : public ConversationWithEmulator,
                             public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ConversationVerdicts, FaultShowsAsItsVerdict) {
    const FaultCase& c = GetParam();
    ServedEmulator sim(m_ports.Dir(), 2, c.baud < 115200, c.misbehaviour, c.baud);
    RunConsole([&](CConsoleDlg& d) {
        ConnectWithWindowOpen(d);
        // The device's own address: replies from any other are not for this console.
        d.m_address = {1, 1};
        const std::size_t before = Received(d, c.verdict).size(); // the read-back's own
        if (c.request == cmd::ReadSinkEdid)
            d.StartEdidRead(0);
        else
            ASSERT_TRUE(d.SendCommand(c.request));
        // The line of the reply: the verdict, and the word it names when it was a frame.
        char word[8] = "";
        if (c.repliedWord != 0)
            std::snprintf(word, sizeof word, "0x%04x", c.repliedWord);
        auto replyLine = [&]() -> std::string {
            const std::vector<CConversation::Entry> found = Received(d, c.verdict);
            for (std::size_t i = before; i < found.size(); ++i) {
                const std::string line = CConversation::ViewLine(found[i]);
                if (line.find(word) != std::string::npos)
                    return line;
            }
            return std::string();
        };
        EXPECT_TRUE(WaitFor([&] { return !replyLine().empty(); }, 4000))
            << "no reply " << word << " recorded as " << c.verdict;
        if (c.repliedWord == 0) { // bytes that were no frame show as they came
            EXPECT_NE(replyLine().find("--:--"), std::string::npos) << replyLine();
        }
    });
}

namespace {

sgsim::CMisbehaviour Corrupt() {
    sgsim::CMisbehaviour m;
    m.nCorruptEvery = 1;
    return m;
}
sgsim::CMisbehaviour OtherAddress() {
    sgsim::CMisbehaviour m;
    m.bReplyAddress = true;
    m.replyAddress = {0x01, 0x02};
    return m;
}
sgsim::CMisbehaviour Stray() {
    sgsim::CMisbehaviour m;
    m.nStrayWord = 0x7123;
    return m;
}
sgsim::CMisbehaviour Noise() {
    sgsim::CMisbehaviour m;
    m.nNoiseBefore = 3;
    return m;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    EmulatorFaults, ConversationVerdicts,
    ::testing::Values(FaultCase{"NoFault", {}, cmd::QueryTiming, "taken", cmd::QueryTiming},
                      FaultCase{"CorruptChecksum", Corrupt(), cmd::QueryTiming, "wrong checksum",
                                cmd::QueryTiming},
                      FaultCase{"ReplyAddress", OtherAddress(), cmd::QueryTiming, "other address",
                                cmd::QueryTiming},
                      FaultCase{"Stray", Stray(), cmd::QueryTiming, "no handler", 0x7123},
                      FaultCase{"Noise", Noise(), cmd::QueryTiming, "no frame", 0},
                      // 266 bytes at 2400 baud take 1.1 s: longer than the read's first 600 ms, but
                      // each byte comes well within the 200 ms a reply under way is given.
                      FaultCase{
                          "SlowLine", {}, cmd::ReadSinkEdid, "taken", cmd::ReadSinkEdid, 2400}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });
