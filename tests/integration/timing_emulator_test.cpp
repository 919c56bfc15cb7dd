// End to end: user timings stored through the Timing Details page land in the emulated
// generator, which then outputs them, and a new connection labels the user timing radios from
// the generator's own records.
#include "link/user_timing_record.h"
#include "support/console_internals.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/served_emulator.h"

#include <memory>

using testsupport::ConsoleFixture;
using testsupport::ServedEmulator;
using testsupport::WaitFor;

namespace {

// Opens COM1 with the port button and waits for the status read-back to finish.
bool ConnectAndReadBack(CConsoleDlg& d) {
    d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
    if (d.m_bPortOpen != 1)
        return false;
    const bool done = WaitFor([&] { return d.m_bReadingStatus == 0; }, 8000);
    WaitFor([] { return false; }, 400); // the follow-up replies
    return done;
}

} // namespace

class TimingWithEmulator : public ConsoleFixture {
protected:
    TimingWithEmulator() {
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
    }
};

TEST_F(TimingWithEmulator, StoredUserTimingIsHeldOutputAndReadBack) {
    ServedEmulator sim(m_ports.Dir(), 1);
    RunConsole([&](CConsoleDlg& d) {
        ASSERT_TRUE(ConnectAndReadBack(d));
        CTimingPage& timing = In(d).m_timingPage;
        // The read-back labelled the radios from the generator's records (1280x720 at 60 Hz).
        EXPECT_EQ(timing.GetDlgItemText(IDC_T_USER1 + 2), "1280x720(60)");
        EXPECT_EQ(timing.m_nTimingCode, 20);

        // 1080p(60) with the negative Vsync, stored in slot 3.
        CTimingDetailsPage& details = In(d).m_timingDetailsPage;
        details.LoadTimingDetails(20);
        details.CheckDlgButton(IDC_D_VSYNC_POS, false);
        details.CheckDlgButton(IDC_D_VSYNC_NEG, true);
        details.ComboSetCurSel(IDC_D_USER_SLOT, 2);
        details.SendNotify(IDC_D_SAVE_USER, ui::Notify::Clicked);

        UserTimingRecord expected;
        expected.slot = 2;
        expected.pixelClock10kHz = 14850;
        expected.flags = UserTimingRecord::kHsyncPositive;
        expected.hActive = 1920;
        expected.hBlank = 280;
        expected.hsOffset = 88;
        expected.hsWidth = 44;
        expected.vActive = 1080;
        expected.vBlank = 45;
        expected.vsOffset = 4;
        expected.vsWidth = 5;
        EXPECT_TRUE(WaitFor(
            [&] {
                return sim.State().userTimings[2] == expected.ToBytes() &&
                       sim.State().settings.nTiming == 64;
            },
            3000));
        EXPECT_EQ(timing.GetDlgItemText(IDC_T_USER1 + 2), "1920x1080(60)");
        EXPECT_TRUE(timing.IsDlgButtonChecked(IDC_T_USER1 + 2));

        // Another slot changed on the generator meanwhile: a new connection shows both.
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 0);
        UserTimingRecord i1080;
        i1080.slot = 5;
        i1080.pixelClock10kHz = 7425;
        i1080.flags = UserTimingRecord::kInterlaced;
        i1080.hActive = 1920;
        i1080.hBlank = 280;
        i1080.vActive = 540;
        i1080.vBlank = 22;
        sim.State().userTimings[5] = i1080.ToBytes();
        timing.SetUserTimingCaption(IDC_T_USER1 + 2, "1280X720(60)");

        ASSERT_TRUE(ConnectAndReadBack(d));
        EXPECT_EQ(timing.GetDlgItemText(IDC_T_USER1 + 2), "1920x1080(60)");
        EXPECT_EQ(timing.GetDlgItemText(IDC_T_USER1 + 5), "1920x1080i(60)");
        EXPECT_EQ(timing.m_nTimingCode, 64);
        EXPECT_TRUE(timing.IsDlgButtonChecked(IDC_T_USER1 + 2));
        EXPECT_EQ(details.m_nHActive, 1920);
        EXPECT_EQ(details.m_nVsyncPolarity, 1);
    });
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
}
