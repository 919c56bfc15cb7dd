// The console as the operator meets it: real message boxes that stay open while real timers run
// and the link delivers. A box opened from a transmit notification whose event loop moves the
// search to the next port used to freeze the console for good.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/served_emulator.h"
#include "support/watchdog.h"

using testsupport::ConsoleFixture;
using testsupport::PtyPeer;
using testsupport::ServedEmulator;
using testsupport::WaitFor;

class ConsoleWithOpenBoxes : public ConsoleFixture {
protected:
    ConsoleWithOpenBoxes() {
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
        ui::test::RecordMessageBoxes(false);
    }
    ~ConsoleWithOpenBoxes() override { ui::test::AnswerModalsAfter(nullptr, nullptr, nullptr); }
};

TEST_F(ConsoleWithOpenBoxes, ABoxLeftOpenDuringASearchFreezesNothing) {
    PtyPeer silent(m_ports, 1);
    ServedEmulator sim(m_ports.Dir(), 2, false);
    sim.Settings().nTiming = 27;
    std::vector<std::string> seen;
    std::vector<int> connectedWhileOpen; // m_bPortOpen shortly before each box is answered
    RunConsole([&](CConsoleDlg& d) {
        testsupport::Watchdog watchdog("the search with a box open", std::chrono::seconds(30));
        // Every box is read for a second and a half, longer than any probe window.
        ui::test::AnswerModalsAfter(
            &d, [&] { return 1500; },
            [&](const std::string& what) {
                seen.push_back(what);
                ui::test::CallLater(1400, [&] { connectedWhileOpen.push_back(d.m_bPortOpen); });
            });

        ASSERT_TRUE(ui::test::Click(d, IDC_SEARCH_DEVICE));
        // While the search runs the console is not connected: the output switch is refused with
        // a box, and timer 4 fires while that box is open and moves the search on.
        ASSERT_TRUE(ui::test::Click(d, IDC_SDI_ICON));
        // The box holds neither the link nor the search: the generator on COM2 is found while it
        // is open, and the refused switch changed nothing.
        EXPECT_TRUE(WaitFor(
            [&] { return d.m_bPortOpen == 1 && connectedWhileOpen.size() == seen.size(); }, 8000));
        EXPECT_EQ(In(d).m_nPort, 2);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(connectedWhileOpen.back(), 1);
        EXPECT_EQ(seen[0], "box: Com port is not on yet.");
        EXPECT_EQ(d.m_bHdmiMode, 1);

        // The console is in step with the generator: a read-back shows the generator's timing.
        ui::test::AnswerModalsAfter(
            &d, [] { return 0; }, nullptr);
        d.StartStatusReadBack(400);
        EXPECT_TRUE(WaitFor([&] { return d.m_bReadingStatus == 0; }, 5000));
        EXPECT_TRUE(
            WaitFor([&] { return d.GetDlgItemText(IDC_TIMING_STATUS) == "1920x1080p(50)"; }, 3000));
    });
}
