// The Timing page inside a running console: its template, the radio index / timing code mapping,
// the 4K colour rules, Auto, the repeat guard, the user timing captions and the SDI restrictions.
#include "link/command_words.h"
#include "link/user_timing_record.h"
#include "res/resource.h"
#include "support/console_fixture.h"

#include <algorithm>
#include <cstring>
#include <set>

using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kGuard = CConsoleDlg::kTimerRepeatGuard;

std::uint16_t LastWord(const CConsoleDlg& d) {
    return static_cast<std::uint16_t>(d.m_abTxFrame[7] | (d.m_abTxFrame[8] << 8));
}
int LastPayload(const CConsoleDlg& d) {
    return d.m_abTxFrame[9];
}

// Checks radio `index` as the operator would and lets it notify; the guard is then reset so the
// next click acts.
void Click(CConsoleDlg& d, int index, bool resetGuard = true) {
    CTimingPage& p = d.m_timingPage;
    ui::SetRadioGroupIndex(p, IDC_T_640X480_60, index);
    p.SendNotify(CTimingPage::RadioId(index), ui::Notify::Clicked);
    if (resetGuard)
        ui::test::FireTimer(d, kGuard);
}

UserTimingRecord Record(int clock10k, bool interlaced, int ha, int hb, int va, int vb) {
    UserTimingRecord r;
    r.pixelClock10kHz = static_cast<std::uint16_t>(clock10k);
    r.flags = interlaced ? UserTimingRecord::kInterlaced : 0;
    r.hActive = static_cast<std::uint16_t>(ha);
    r.hBlank = static_cast<std::uint16_t>(hb);
    r.vActive = static_cast<std::uint16_t>(va);
    r.vBlank = static_cast<std::uint16_t>(vb);
    return r;
}

std::string Caption(const UserTimingRecord& r) {
    char text[CTimingPage::kCaptionSize];
    std::memset(text, '#', sizeof text);
    const auto bytes = r.ToBytes();
    CTimingPage::FormatUserTimingCaption(bytes.data(), text);
    return text;
}

} // namespace

class TimingPage : public ConsoleFixture {};

TEST_F(TimingPage, TemplateHoldsOneGroupOfRadiosInIndexOrder) {
    RunConsole([](CConsoleDlg& d) {
        CTimingPage& p = d.m_timingPage;
        std::set<int> ids;
        for (int i = 0; i < CTimingPage::kRadioCount; ++i) {
            const int id = CTimingPage::RadioId(i);
            ASSERT_TRUE(p.HasControl(id)) << i;
            ids.insert(id);
            // Checking a radio is read back as its index: the group and the template order agree.
            ui::SetRadioGroupIndex(p, IDC_T_640X480_60, i);
            EXPECT_TRUE(p.IsDlgButtonChecked(id)) << i;
            EXPECT_EQ(ui::RadioGroupIndex(p, IDC_T_640X480_60), i);
        }
        EXPECT_EQ(ids.size(), 72u);
        EXPECT_EQ(CTimingPage::RadioId(72), 0);
        EXPECT_EQ(p.GetDlgItemText(IDC_T_UHD420_60), "UHD(4:2:0)(60)");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_DCI_30), "DCI 4K(30)");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_SBS_1080P_50), "1080p_3D(50)");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_AUTO),
                  "Auto (Output timing based on EDID of sink device)");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_USER10), "1280X720(60)");
        EXPECT_EQ(p.GetDlgItemText(IDC_TG_VESA), "VESA  (PC)Timing");
        EXPECT_EQ(p.GetDlgItemText(IDC_TG_3D_FRAME_PACKING), "3D Video (Fame Packing)");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_USER_NO1 + 9), "10.");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_UPDATE_STATUS), "Update Status");

        // Every radio lies inside the page and overlaps no other radio.
        const ui::Rect page = p.GetClientRect();
        std::vector<ui::Rect> rects;
        for (int i = 0; i < CTimingPage::kRadioCount; ++i)
            rects.push_back(p.GetDlgItemRect(CTimingPage::RadioId(i)));
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const ui::Rect& a = rects[i];
            EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= page.right &&
                        a.bottom <= page.bottom)
                << i;
            for (std::size_t j = i + 1; j < rects.size(); ++j) {
                const ui::Rect& b = rects[j];
                const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top ||
                                   b.bottom <= a.top;
                EXPECT_TRUE(apart) << i << " overlaps " << j;
            }
        }
    });
}

TEST_F(TimingPage, RadioIndexAndCodeMappingDiffersOnlyInThe4KRows) {
    for (int i = 0; i < 72; ++i) {
        const int code = CTimingPage::RadioIndexToCode(i);
        EXPECT_EQ(CTimingPage::CodeToRadioIndex(code), i);
        if (i < 33 || i > 40) {
            EXPECT_EQ(code, i);
        }
    }
    EXPECT_EQ(CTimingPage::RadioIndexToCode(33), 38);
    EXPECT_EQ(CTimingPage::RadioIndexToCode(35), 40);
    EXPECT_EQ(CTimingPage::RadioIndexToCode(36), 33);
    EXPECT_EQ(CTimingPage::RadioIndexToCode(40), 37);
}

TEST_F(TimingPage, ClickingSendsTheTimingCodeAndShowsItsDetails) {
    RunConsole([](CConsoleDlg& d) {
        const std::pair<int, int> clicks[] = {{33, 38}, {36, 33}, {41, 41}, {20, 20}, {62, 62}};
        for (auto [index, code] : clicks) {
            Click(d, index);
            EXPECT_EQ(LastWord(d), cmd::SetTiming) << index;
            EXPECT_EQ(LastPayload(d), code) << index;
            EXPECT_EQ(d.m_timingPage.m_nTimingCode, code);
            EXPECT_EQ(d.m_timingPage.m_nTimingRadio, index);
        }
        // 1080p(60) was shown on the details page and in the panel.
        Click(d, 20);
        EXPECT_EQ(d.m_timingDetailsPage.m_nHActive, 1920);
        EXPECT_EQ(d.m_strTiming, d.m_timingNames[20]);
        // With the port closed the page still follows; the frame builder says why nothing went.
        EXPECT_EQ(ui::test::MessageBoxes().back(), "Com port is not on yet.");
    });
}

TEST_F(TimingPage, FourKColourRulesAndTheirReversal) {
    RunConsole([](CConsoleDlg& d) {
        CSettingPage& s = d.m_settingPage;
        s.m_nColorSpace = 0;
        s.m_nColorDepth = 2;
        Click(d, 33); // UHD(4:2:0)(60), code 38
        EXPECT_EQ(s.m_nColorSpace, 3);
        EXPECT_EQ(s.m_nColorDepth, 0);
        EXPECT_EQ(d.m_strColorSpace, "YUV4:2:0");
        EXPECT_EQ(d.m_strColorDepth, "8bit");

        Click(d, 20); // 1080p(60): 4:2:0 goes, the depth stays
        EXPECT_EQ(s.m_nColorSpace, 0);
        EXPECT_EQ(s.m_nColorDepth, 0);
        EXPECT_EQ(d.m_strColorSpace, "RGB4:4:4");

        s.m_nColorSpace = 1;
        s.m_nColorDepth = 2;
        Click(d, 28); // UHD(30): YUV4:4:4 stays, the depth becomes 8 bit
        EXPECT_EQ(s.m_nColorSpace, 1);
        EXPECT_EQ(s.m_nColorDepth, 0);

        Click(d, 43); // DCI 4K(4:2:0)(50), then DCI 4K(30) leaves 4:2:0
        EXPECT_EQ(s.m_nColorSpace, 3);
        Click(d, 36);
        EXPECT_EQ(s.m_nColorSpace, 0);
        EXPECT_EQ(LastPayload(d), 33);
    });
}

TEST_F(TimingPage, RepeatGuardSwallowsTheSecondOfTwoNotifications) {
    RunConsole([](CConsoleDlg& d) {
        ui::test::ClearMessageBoxes();
        Click(d, 12, false);
        EXPECT_EQ(d.m_bRepeatGuard, 1);
        EXPECT_EQ(ui::test::ArmedInterval(d, kGuard), 50);
        const auto sends = [] { return ui::test::MessageBoxes().size(); };
        EXPECT_EQ(sends(), 1u);

        // A radio being unchecked notifies too: ignored without touching the guard.
        d.m_timingPage.SendNotify(IDC_T_720P_5994, ui::Notify::Clicked);
        EXPECT_EQ(d.m_bRepeatGuard, 1);

        Click(d, 12, false); // swallowed, disarms
        EXPECT_EQ(sends(), 1u);
        EXPECT_EQ(d.m_bRepeatGuard, 0);
        Click(d, 12, false); // acts again
        EXPECT_EQ(sends(), 2u);
        ASSERT_TRUE(ui::test::FireTimer(d, kGuard));
        EXPECT_EQ(d.m_bRepeatGuard, 0);
    });
}

TEST_F(TimingPage, ReportedCodesCheckTheirRadios) {
    RunConsole([](CConsoleDlg& d) {
        CTimingPage& p = d.m_timingPage;
        const std::pair<int, int> reported[] = {{38, IDC_T_UHD420_60}, {33, IDC_T_DCI_30},
                                                {40, IDC_T_UHD420_50}, {37, IDC_T_DCI_2398},
                                                {61, IDC_T_AUTO},      {71, IDC_T_USER10}};
        for (auto [code, id] : reported) {
            p.m_nTimingCode = code;
            p.SyncRadioToCode();
            p.UpdateData(false);
            EXPECT_TRUE(p.IsDlgButtonChecked(id)) << code;
        }
    });
}

TEST_F(TimingPage, UserTimingCaptions) {
    EXPECT_EQ(Caption(Record(14850, false, 1920, 280, 1080, 45)), "1920x1080(60)");
    EXPECT_EQ(Caption(Record(7425, true, 1920, 280, 540, 22)), "1920x1080i(60)");
    // Whole MHz only: 74.25 counts as 74, which still rounds to 60 Hz for 720p.
    EXPECT_EQ(Caption(Record(7425, false, 1280, 370, 720, 30)), "1280x720(60)");
    // An empty slot divides by nothing.
    EXPECT_EQ(Caption(UserTimingRecord{}), "0x0(0)");
    // Numbers keep their first four digits, the rate its first three.
    EXPECT_EQ(Caption(Record(65535, true, 65535, 1, 40000, 0)), "6553x8000i(0)");
    EXPECT_EQ(Caption(Record(65535, false, 1, 0, 1, 0)), "1x1(655)");
}

TEST_F(TimingPage, StatusRelabelsUserRadiosAndSelectsTheReportedCode) {
    RunConsole([](CConsoleDlg& d) {
        Record(14850, false, 1920, 280, 1080, 45).ToBytes(d.m_userTimings[0]);
        Record(7425, true, 1920, 280, 540, 22).ToBytes(d.m_userTimings[9]);
        const unsigned char status[12] = {62};
        d.m_timingPage.ShowStatus(status);
        d.m_timingPage.UpdateData(false);
        EXPECT_EQ(d.m_timingPage.GetDlgItemText(IDC_T_USER1), "1920x1080(60)");
        EXPECT_EQ(d.m_timingPage.GetDlgItemText(IDC_T_USER1 + 1), "0x0(0)");
        EXPECT_EQ(d.m_timingPage.GetDlgItemText(IDC_T_USER10), "1920x1080i(60)");
        EXPECT_EQ(d.m_timingPage.m_nTimingCode, 62);
        EXPECT_TRUE(d.m_timingPage.IsDlgButtonChecked(IDC_T_USER1));
        EXPECT_EQ(d.m_timingDetailsPage.m_nHActive, 1920);
    });
}

TEST_F(TimingPage, SdiModeLeavesOnlyTheSdHdStandardsEnabled) {
    RunConsole([](CConsoleDlg& d) {
        CTimingPage& p = d.m_timingPage;
        ui::SetRadioGroupIndex(p, IDC_T_640X480_60, 5);
        d.m_bHdmiMode = 0;
        p.m_nTimingRadio = 5;
        p.UpdateForOutputMode();
        std::set<int> enabled;
        for (int i = 0; i < 72; ++i)
            if (p.IsDlgItemEnabled(CTimingPage::RadioId(i)))
                enabled.insert(i);
        const std::set<int> sdi = {10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 24, 25, 26, 27, 22};
        EXPECT_EQ(enabled, sdi);
        EXPECT_FALSE(p.IsDlgItemEnabled(IDC_TG_DCI));
        EXPECT_FALSE(p.IsDlgItemEnabled(IDC_T_USER_NO1 + 4));
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_T_1280X960_60)); // selection kept
        d.m_bHdmiMode = 1;
        p.UpdateForOutputMode();
        for (int i = 0; i < 72; ++i)
            EXPECT_TRUE(p.IsDlgItemEnabled(CTimingPage::RadioId(i))) << i;
    });
}

// Over a pseudo-terminal: the two frames of Auto, paced by a real 400 ms wait.
class TimingPageOnLine : public ConsoleFixture {
protected:
    PtyPeer m_peer{m_ports, 1};

    std::vector<Bytes> Frames(std::size_t want, int withinMs = 2000) {
        std::vector<Bytes> frames;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
        while (std::chrono::steady_clock::now() < end && frames.size() < want) {
            ui::ProcessEvents(2);
            const Bytes got = m_peer.Receive(std::chrono::milliseconds(3));
            m_pending.insert(m_pending.end(), got.begin(), got.end());
            frames = testsupport::SplitFrames(m_pending);
        }
        m_pending.clear();
        return frames;
    }
    Bytes m_pending;
};

TEST_F(TimingPageOnLine, AutoSendsTheTimingThenAsksForItsDetails) {
    RunConsole([&](CConsoleDlg& d) {
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
        ASSERT_EQ(Frames(1).size(), 1u); // the read-back's first query
        d.m_bReadingStatus = 0;
        d.m_timingDetailsPage.m_nHActive = 4321;
        ui::test::RecordSleeps(false);
        const auto start = std::chrono::steady_clock::now();
        Click(d, 61);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(390));
        ui::test::RecordSleeps(true);
        const auto frames = Frames(2);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(FrameWord(frames[0]), cmd::SetTiming);
        EXPECT_EQ(frames[0][9], 61);
        EXPECT_EQ(FrameWord(frames[1]), cmd::QueryTimingDetails);
        EXPECT_EQ(frames[1][9], 61);
        EXPECT_EQ(d.m_timingDetailsPage.m_nHActive, 4321); // no details for Auto yet
        EXPECT_TRUE(d.m_timingPage.IsDlgButtonChecked(IDC_T_AUTO));
    });
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(TimingPage, OperatorClickSelectsOnce) {
    RunConsole([](CConsoleDlg& d) {
        ui::test::ClearMessageBoxes();
        ASSERT_TRUE(ui::test::Click(d.m_timingPage, IDC_T_1080P_50));
        EXPECT_EQ(d.m_timingPage.m_nTimingCode, 27);
        EXPECT_EQ(LastPayload(d), 27);
        EXPECT_EQ(ui::test::MessageBoxes().size(), 1u); // one send, refused: the port is closed
        EXPECT_TRUE(d.m_timingPage.IsDlgButtonChecked(IDC_T_1080P_50));
    });
}
