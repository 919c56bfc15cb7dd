// The Timing Details page inside a running console: the built-in timings and user records it
// shows, which values the operator may edit, and the upload of a user timing.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "link/user_timing_record.h"
#include "pages/timing_calc_dlg.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"

#include <cstring>
#include <initializer_list>

using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kEdits[] = {IDC_D_PIXEL_CLOCK, IDC_D_H_ACTIVE,  IDC_D_H_BLANK,
                          IDC_D_HS_OFFSET,   IDC_D_HS_WIDTH,  IDC_D_V_ACTIVE,
                          IDC_D_V_BLANK,     IDC_D_VS_OFFSET, IDC_D_VS_WIDTH};

// Each control lies inside the dialog's client area, and no two overlap.
void ExpectInsideAndApart(const ui::Dialog& dlg, std::initializer_list<int> ids) {
    const ui::Rect client = dlg.GetClientRect();
    for (int a : ids) {
        const ui::Rect ra = dlg.GetDlgItemRect(a);
        EXPECT_TRUE(ra.left >= client.left && ra.top >= client.top && ra.right <= client.right &&
                    ra.bottom <= client.bottom)
            << a << " outside";
        for (int b : ids) {
            const ui::Rect rb = dlg.GetDlgItemRect(b);
            const bool apart = ra.right <= rb.left || rb.right <= ra.left || ra.bottom <= rb.top ||
                               rb.bottom <= ra.top;
            EXPECT_TRUE(a == b || apart) << a << " overlaps " << b;
        }
    }
}

// Fills the page as for 1080p(60) and chooses user slot s (0: none).
void Enter1080p60(CTimingDetailsPage& p, int s) {
    p.LoadTimingDetails(20);
    p.ComboSetCurSel(IDC_D_USER_SLOT, s - 1);
}

} // namespace

class TimingDetails : public ConsoleFixture {};

TEST_F(TimingDetails, ProgressiveTimingShowsLineAndFrameRate) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        p.LoadTimingDetails(20);
        EXPECT_EQ(p.m_nHTotal, 2200);
        EXPECT_EQ(p.m_nHBlank, 280);
        EXPECT_EQ(p.m_nHsOffset, 88);
        EXPECT_EQ(p.m_nVBlank, 45);
        EXPECT_EQ(p.m_nVsOffset, 4);
        EXPECT_DOUBLE_EQ(p.m_fHFreq, 67.5);
        EXPECT_NEAR(p.m_fVFreq, 60.0, 1e-9);
        EXPECT_EQ(p.GetDlgItemText(IDC_D_H_FREQ), "67.5");
        EXPECT_EQ(p.GetDlgItemText(IDC_D_V_FREQ), "60");
        EXPECT_EQ(p.GetDlgItemText(IDC_D_PIXEL_CLOCK), "148.5");
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_PROGRESSIVE));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_HSYNC_POS));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_VSYNC_POS));
    });
}

TEST_F(TimingDetails, InterlacedTimingIsShownPerField) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        p.LoadTimingDetails(14);
        EXPECT_EQ(p.m_nVActive, 540);
        EXPECT_EQ(p.m_nVTotal, 562);
        EXPECT_EQ(p.m_nVBlank, 22);
        EXPECT_EQ(p.m_nVsOffset, 2);
        EXPECT_EQ(p.GetDlgItemText(IDC_D_H_FREQ), "33.75");
        EXPECT_EQ(p.GetDlgItemText(IDC_D_V_FREQ), "60");
        EXPECT_EQ(p.m_nScanType, 1);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_INTERLACE));
    });
}

TEST_F(TimingDetails, PolaritiesFollowTheFlags) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        p.LoadTimingDetails(0); // 0x00: both negative
        EXPECT_EQ(p.m_nHsyncPolarity, 1);
        EXPECT_EQ(p.m_nVsyncPolarity, 1);
        p.LoadTimingDetails(3); // 0x04: Hsync positive only
        EXPECT_EQ(p.m_nHsyncPolarity, 0);
        EXPECT_EQ(p.m_nVsyncPolarity, 1);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_HSYNC_POS));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_VSYNC_NEG));
        // A user record uses bits 1 and 2.
        UserTimingRecord r;
        r.flags = UserTimingRecord::kVsyncPositive;
        r.ToBytes(d.m_userTimings[4]);
        p.LoadTimingDetails(66);
        EXPECT_EQ(p.m_nHsyncPolarity, 1);
        EXPECT_EQ(p.m_nVsyncPolarity, 0);
    });
}

TEST_F(TimingDetails, FourKTimingsLockTheEditsAndDoubleTheRatesAt420) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        for (int code : {28, 37, 38, 43}) {
            p.LoadTimingDetails(static_cast<char>(code));
            for (int id : kEdits)
                EXPECT_FALSE(p.IsDlgItemEnabled(id)) << code << " " << id;
            EXPECT_FALSE(p.IsDlgItemEnabled(IDC_D_SAVE_USER));
            EXPECT_FALSE(p.IsDlgItemEnabled(IDC_D_INTERLACE));
        }
        p.LoadTimingDetails(38); // 297 MHz over 4400: 67.5 kHz / 30 Hz, doubled
        EXPECT_DOUBLE_EQ(p.m_fHFreq, 135.0);
        EXPECT_NEAR(p.m_fVFreq, 60.0, 1e-9);
        p.LoadTimingDetails(28);
        EXPECT_DOUBLE_EQ(p.m_fHFreq, 67.5);
        p.LoadTimingDetails(44);
        for (int id : kEdits)
            EXPECT_TRUE(p.IsDlgItemEnabled(id)) << id;
        EXPECT_TRUE(p.IsDlgItemEnabled(IDC_D_SAVE_USER));
        for (int id : {IDC_D_H_TOTAL, IDC_D_V_TOTAL, IDC_D_H_FREQ, IDC_D_V_FREQ})
            EXPECT_FALSE(p.IsDlgItemEnabled(id));
    });
}

TEST_F(TimingDetails, AutoAndEmptySlotsShowZerosWithoutDividing) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        p.LoadTimingDetails(20);
        p.LoadTimingDetails(61); // record 10, all zero
        EXPECT_EQ(p.m_nHActive, 0);
        EXPECT_EQ(p.m_nVTotal, 0);
        EXPECT_EQ(p.m_fPixelClock, 0.0);
        EXPECT_EQ(p.GetDlgItemText(IDC_D_H_FREQ), "0");
        EXPECT_EQ(p.GetDlgItemText(IDC_D_V_FREQ), "0");

        // Record 10 is what the generator chose for Auto.
        UserTimingRecord r;
        r.pixelClock10kHz = 7425;
        r.hActive = 1280;
        r.hBlank = 370;
        r.vActive = 720;
        r.vBlank = 30;
        r.ToBytes(d.m_userTimings[10]);
        p.LoadTimingDetails(61);
        EXPECT_EQ(p.m_nHTotal, 1650);
        EXPECT_EQ(p.GetDlgItemText(IDC_D_H_FREQ), "45");
        EXPECT_EQ(p.GetDlgItemText(IDC_D_V_FREQ), "60");
        EXPECT_EQ(p.GetDlgItemText(IDC_D_PIXEL_CLOCK), "74.25");

        // A code that names no timing changes nothing and reads no record.
        p.LoadTimingDetails(static_cast<char>(0x90));
        p.LoadTimingDetails(72);
        EXPECT_EQ(p.m_nHTotal, 1650);
    });
}

TEST_F(TimingDetails, SaveRefusesAMissingSlotAndTooHighAClock) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        Enter1080p60(p, 0);
        ui::test::ClearMessageBoxes();
        p.OnSaveUserTiming();
        EXPECT_EQ(ui::test::MessageBoxes(),
                  std::vector<std::string>{"Should select a valuable UserDefine number from the "
                                           "Pull-down-select-box on the right"});

        Enter1080p60(p, 2);
        p.SetDlgItemText(IDC_D_PIXEL_CLOCK, "300.2");
        ui::test::ClearMessageBoxes();
        p.OnSaveUserTiming();
        EXPECT_EQ(ui::test::MessageBoxes(),
                  std::vector<std::string>{"pixcel clock can not be higher than 300MHz"});
        EXPECT_EQ(d.m_userTimings[1][4], 0); // nothing stored

        // 300.1 passes the checks; with the port closed the save is refused once, and neither
        // the table nor the caption nor the timing changes.
        p.SetDlgItemText(IDC_D_PIXEL_CLOCK, "300.1");
        ui::test::ClearMessageBoxes();
        p.OnSaveUserTiming();
        EXPECT_EQ(ui::test::MessageBoxes(), std::vector<std::string>{"Com port is not on yet."});
        EXPECT_EQ(UserTimingRecord::FromBytes(d.m_userTimings[1]).pixelClock10kHz, 0);
        EXPECT_EQ(In(d).m_timingPage.GetDlgItemText(IDC_T_USER1 + 1), "1280X720(60)");
        EXPECT_EQ(In(d).m_timingPage.m_nTimingCode, 0);
    });
}

TEST_F(TimingDetails, ValuesThatDoNotFitTheRecordAreRefused) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        const std::pair<int, const char*> cases[] = {
            {IDC_D_H_BLANK, "H blank must be a value from 0 to 65535"},
            {IDC_D_VS_WIDTH, "Vs width must be a value from 0 to 65535"}};
        for (auto [id, message] : cases) {
            for (const char* bad : {"-1", "65536"}) {
                p.m_nLastSavedSlot = -1;
                Enter1080p60(p, 4);
                p.SetDlgItemText(id, bad);
                ui::test::ClearMessageBoxes();
                p.OnSaveUserTiming();
                EXPECT_EQ(ui::test::MessageBoxes(), std::vector<std::string>{message}) << bad;
                EXPECT_EQ(d.m_userTimings[3][4], 0);
                EXPECT_EQ(In(d).m_timingPage.GetDlgItemText(IDC_T_USER1 + 3), "1280X720(60)");
            }
        }
        p.m_nLastSavedSlot = -1;
        Enter1080p60(p, 4);
        p.SetDlgItemText(IDC_D_PIXEL_CLOCK, "0");
        ui::test::ClearMessageBoxes();
        p.OnSaveUserTiming();
        EXPECT_EQ(ui::test::MessageBoxes(),
                  std::vector<std::string>{"Video clk must be higher than 0MHz"});
        EXPECT_EQ(In(d).m_timingPage.GetDlgItemText(IDC_T_USER1 + 3), "1280X720(60)");
    });
}

TEST_F(TimingDetails, UpdateStatusNeedsAnOpenPort) {
    RunConsole([](CConsoleDlg& d) {
        ui::test::ClearMessageBoxes();
        In(d).m_timingDetailsPage.SendNotify(IDC_D_UPDATE_STATUS, ui::Notify::Clicked);
        EXPECT_EQ(ui::test::MessageBoxes(), std::vector<std::string>{"Com port is not on yet."});
        EXPECT_EQ(d.m_bReadingStatus, 0);
    });
}

// Over a pseudo-terminal with real waits, so every frame reaches the far side in order.
class TimingDetailsOnLine : public TimingDetails {
protected:
    PtyPeer m_peer{m_ports, 1};

    std::vector<Bytes> Frames(std::size_t want, int withinMs = 2500) {
        return testsupport::AwaitFrames(m_peer, want, withinMs);
    }
    void Connect(CConsoleDlg& d) {
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
        ASSERT_EQ(Frames(1).size(), 1u);
        d.m_bReadingStatus = 0;
        ui::test::RecordSleeps(false);
    }
};

TEST_F(TimingDetailsOnLine, SaveUploadsTheRecordRelabelsAndSelectsTheTiming) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        Enter1080p60(p, 3);
        p.SetDlgItemText(IDC_D_PIXEL_CLOCK, "148.35");
        p.CheckDlgButton(IDC_D_VSYNC_POS, false);
        p.CheckDlgButton(IDC_D_VSYNC_NEG, true);
        p.SendNotify(IDC_D_SAVE_USER, ui::Notify::Clicked);

        auto frames = Frames(2);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(FrameWord(frames[0]), cmd::StoreUserTiming);
        ASSERT_EQ(frames[0].size(), 30u);
        const UserTimingRecord r = UserTimingRecord::FromBytes(frames[0].data() + 9);
        EXPECT_EQ(r.slot, 2);
        EXPECT_EQ(r.pixelClock10kHz, 14835);
        EXPECT_EQ(r.flags, UserTimingRecord::kHsyncPositive);
        EXPECT_EQ(r.hActive, 1920);
        EXPECT_EQ(r.hBlank, 280);
        EXPECT_EQ(r.hsOffset, 88);
        EXPECT_EQ(r.hsWidth, 44);
        EXPECT_EQ(r.vActive, 1080);
        EXPECT_EQ(r.vBlank, 45);
        EXPECT_EQ(r.vsOffset, 4);
        EXPECT_EQ(r.vsWidth, 5);
        EXPECT_EQ(0, std::memcmp(d.m_userTimings[2], frames[0].data() + 9, 20));
        EXPECT_EQ(FrameWord(frames[1]), cmd::SetTiming);
        EXPECT_EQ(frames[1][9], 64);
        EXPECT_EQ(In(d).m_timingPage.GetDlgItemText(IDC_T_USER1 + 2), "1920x1080(60)");
        EXPECT_TRUE(In(d).m_timingPage.IsDlgButtonChecked(IDC_T_USER1 + 2));
        EXPECT_EQ(In(d).m_timingPage.m_nTimingCode, 64);
        // The page now shows the stored record.
        EXPECT_EQ(p.m_nVsyncPolarity, 1);
        EXPECT_EQ(p.GetDlgItemText(IDC_D_PIXEL_CLOCK), "148.35");

        // Saving the same slot again first makes the generator leave it.
        ui::test::FireTimer(d, CConsoleDlg::kTimerRepeatGuard);
        p.SendNotify(IDC_D_SAVE_USER, ui::Notify::Clicked);
        frames = Frames(3);
        ASSERT_EQ(frames.size(), 3u);
        EXPECT_EQ(FrameWord(frames[0]), cmd::SetTiming);
        EXPECT_EQ(frames[0][9], 2);
        EXPECT_EQ(FrameWord(frames[1]), cmd::StoreUserTiming);
        EXPECT_EQ(FrameWord(frames[2]), cmd::SetTiming);
        EXPECT_EQ(frames[2][9], 64);
        ui::test::RecordSleeps(true);
    });
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(TimingDetailsOnLine, ARefusedSaveOfTheLastSlotSendsNothing) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        Enter1080p60(p, 3);
        p.SendNotify(IDC_D_SAVE_USER, ui::Notify::Clicked);
        ASSERT_EQ(Frames(2).size(), 2u);
        // The same slot with a clock the generator cannot take: refused before anything is
        // sent, so the generator keeps the timing the console shows.
        ui::test::FireTimer(d, CConsoleDlg::kTimerRepeatGuard);
        Enter1080p60(p, 3);
        p.SetDlgItemText(IDC_D_PIXEL_CLOCK, "400");
        ui::test::ClearMessageBoxes();
        p.SendNotify(IDC_D_SAVE_USER, ui::Notify::Clicked);
        EXPECT_EQ(ui::test::MessageBoxes(),
                  std::vector<std::string>{"pixcel clock can not be higher than 300MHz"});
        EXPECT_TRUE(Frames(1, 600).empty());
        EXPECT_EQ(In(d).m_timingPage.m_nTimingCode, 64);
        ui::test::RecordSleeps(true);
    });
}

TEST_F(TimingDetailsOnLine, UpdateStatusRestartsTheReadBack) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        In(d).m_timingDetailsPage.SendNotify(IDC_D_UPDATE_STATUS, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bReadingStatus, 1);
        EXPECT_EQ(In(d).m_nStatusStep, 0);
        EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerExchange), 400);
        const auto frames = Frames(1);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(FrameWord(frames[0]), cmd::QueryTiming);
        ui::test::RecordSleeps(true);
    });
}

TEST_F(TimingDetails, EnterAndEscapeInAnEditNeitherSaveNorClose) {
    RunConsole([](CConsoleDlg& d) {
        CTimingDetailsPage& p = In(d).m_timingDetailsPage;
        ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 1));
        Enter1080p60(p, 1);
        ui::test::ClearMessageBoxes();
        ASSERT_TRUE(ui::test::TypeText(p, IDC_D_H_ACTIVE, "0"));
        ASSERT_TRUE(ui::test::PressKey(p, IDC_D_H_ACTIVE, ui::VK_RETURN));
        ASSERT_TRUE(ui::test::PressKey(p, IDC_D_H_ACTIVE, ui::VK_ESCAPE));
        EXPECT_TRUE(ui::test::MessageBoxes().empty());
        EXPECT_TRUE(p.IsWindowVisible());
        EXPECT_EQ(d.m_userTimings[0][4], 0);
    });
}

// --- The timing calculator ----------------------------------------------------------------------

namespace {

// Chooses a formula and a size as the operator would.
void Ask(CTimingCalcDlg& c, timing_calc::Formula f, const char* h, const char* v,
         const char* rate) {
    c.ComboSetCurSel(IDC_C_FORMULA, static_cast<int>(f));
    c.SendNotify(IDC_C_FORMULA, ui::Notify::SelChange);
    c.SetDlgItemText(IDC_C_H_ACTIVE, h);
    c.SetDlgItemText(IDC_C_V_ACTIVE, v);
    c.SetDlgItemText(IDC_C_RATE, rate);
}

} // namespace

TEST_F(TimingDetails, CalculatorStartsFromThePageAndItsTimingFillsThePage) {
    RunConsole(
        [](CConsoleDlg& d) {
            CTimingDetailsPage& p = In(d).m_timingDetailsPage;
            p.LoadTimingDetails(14); // 1080i(60)
            p.SendNotify(IDC_D_CALCULATE, ui::Notify::Clicked);
            EXPECT_EQ(p.m_fPixelClock, 82.0);
            EXPECT_EQ(p.GetDlgItemText(IDC_D_PIXEL_CLOCK), "82");
            EXPECT_EQ(p.m_nHBlank, 512);
            EXPECT_EQ(p.m_nHsOffset, 64);
            EXPECT_EQ(p.m_nHsWidth, 192);
            EXPECT_EQ(p.m_nHTotal, 2432);
            EXPECT_EQ(p.m_nVActive, 540);
            EXPECT_EQ(p.m_nVBlank, 22);
            EXPECT_EQ(p.m_nVsOffset, 3);
            EXPECT_EQ(p.m_nVsWidth, 5);
            EXPECT_EQ(p.GetDlgItemText(IDC_D_V_TOTAL), "562");
            EXPECT_EQ(p.GetDlgItemText(IDC_D_V_FREQ), "59.94");
            EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_HSYNC_NEG));
            EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_VSYNC_POS));
            EXPECT_TRUE(p.IsDlgButtonChecked(IDC_D_INTERLACE));
            // Nothing was stored: the operator saves it as any typed-in timing.
            EXPECT_EQ(UserTimingRecord::FromBytes(d.m_userTimings[0]).pixelClock10kHz, 0);
        },
        [](ui::Dialog& dlg) {
            auto& c = dynamic_cast<CTimingCalcDlg&>(dlg);
            // The page's timing: the frame's lines, its frame rate, interlaced.
            EXPECT_EQ(c.GetDlgItemText(IDC_C_H_ACTIVE), "1920");
            EXPECT_EQ(c.GetDlgItemText(IDC_C_V_ACTIVE), "1080");
            EXPECT_EQ(c.GetDlgItemText(IDC_C_RATE), "30");
            EXPECT_TRUE(c.IsDlgButtonChecked(IDC_C_INTERLACE));
            EXPECT_FALSE(c.IsDlgItemEnabled(IDC_C_ID));
            EXPECT_FALSE(c.IsDlgItemEnabled(IDC_C_H_BLANK));
            c.SendNotify(IDC_C_CALCULATE, ui::Notify::Clicked);
            EXPECT_NE(c.GetDlgItemText(IDC_C_RESULT).find("CVT: pixel clock 82.000 MHz"),
                      std::string::npos);
            c.SendNotify(ui::IDOK, ui::Notify::Clicked);
            EXPECT_TRUE(c.HasResult());
            return ui::IDOK;
        });
}

// A calculation that fails, or a timing the record cannot hold, is said in a message and fills
// nothing; OK takes what the fields hold, never an earlier result.
TEST_F(TimingDetails, ARefusedCalculationOnlySaysWhy) {
    RunConsole(
        [](CConsoleDlg& d) {
            CTimingDetailsPage& p = In(d).m_timingDetailsPage;
            p.LoadTimingDetails(20);
            ui::test::ClearMessageBoxes();
            p.SendNotify(IDC_D_CALCULATE, ui::Notify::Clicked);
            EXPECT_EQ(ui::test::MessageBoxes(),
                      (std::vector<std::string>{
                          "No timing: no CTA-861 format has the VIC 150 (VICs are 1 to 127 and "
                          "193 to 219).",
                          "This timing cannot be stored: the pixel clock 172.798 MHz is not a "
                          "whole number of 10 kHz, the unit the user timing record holds."}));
            EXPECT_EQ(p.GetDlgItemText(IDC_D_PIXEL_CLOCK), "148.5");
            EXPECT_EQ(p.m_nHBlank, 280);
            EXPECT_EQ(p.GetDlgItemText(IDC_D_H_TOTAL), "2200");
        },
        [](ui::Dialog& dlg) {
            auto& c = dynamic_cast<CTimingCalcDlg&>(dlg);
            c.ComboSetCurSel(IDC_C_FORMULA, static_cast<int>(timing_calc::Formula::Cta));
            c.SendNotify(IDC_C_FORMULA, ui::Notify::SelChange);
            EXPECT_FALSE(c.IsDlgItemEnabled(IDC_C_H_ACTIVE));
            c.SetDlgItemText(IDC_C_ID, "150");
            c.SendNotify(IDC_C_CALCULATE, ui::Notify::Clicked);
            EXPECT_EQ(c.GetDlgItemText(IDC_C_RESULT), "");
            // A CVT result shown, then GTF asked: OK refuses GTF's clock.
            Ask(c, timing_calc::Formula::Cvt, "1920", "1080", "60");
            c.SendNotify(IDC_C_CALCULATE, ui::Notify::Clicked);
            Ask(c, timing_calc::Formula::Gtf, "1920", "1080", "60");
            c.SendNotify(ui::IDOK, ui::Notify::Clicked);
            EXPECT_FALSE(c.HasResult());
            return ui::IDOK; // even so, the page takes nothing without a result
        });
}

// Every control of the calculator inside it and apart from the others; the page's new button
// inside the page and clear of its neighbours.
TEST_F(TimingDetails, CalculatorLayoutHasNothingOutsideOrOverlapping) {
    RunConsole(
        [](CConsoleDlg& d) {
            CTimingDetailsPage& p = In(d).m_timingDetailsPage;
            ExpectInsideAndApart(p, {IDC_D_USER_SLOT, IDC_D_SAVE_USER, IDC_D_CALCULATE,
                                     IDC_D_UPDATE_STATUS, IDC_D_ART_HORIZONTAL, IDC_D_VS_OFFSET,
                                     IDC_D_HS_OFFSET});
            p.SendNotify(IDC_D_CALCULATE, ui::Notify::Clicked);
        },
        [](ui::Dialog& dlg) {
            ExpectInsideAndApart(dlg, {IDC_C_FORMULA, IDC_C_H_ACTIVE, IDC_C_V_ACTIVE, IDC_C_RATE,
                                       IDC_C_ID, IDC_C_PROGRESSIVE, IDC_C_INTERLACE,
                                       IDC_C_VIDEO_OPTIMIZED, IDC_C_EARLY_VSYNC, IDC_C_H_BLANK,
                                       IDC_C_CALCULATE, IDC_C_RESULT, ui::IDOK, ui::IDCANCEL});
            return ui::IDCANCEL;
        });
}
