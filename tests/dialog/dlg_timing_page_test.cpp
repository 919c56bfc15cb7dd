// The Timing page in a small fake console: its template, the radio index / timing code mapping,
// what a choice asks of the console and the sibling pages, the repeat guard, the user timing
// captions and the SDI restrictions. Auto over a real line runs in the console.
#include "link/code_names.h"
#include "support/console_internals.h"
#include "link/command_words.h"
#include "link/user_timing_record.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"
#include "support/fake_page_host.h"

#include <algorithm>
#include <cstring>
#include <set>

using testsupport::CFakeConsole;
using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::uint16_t LastWord(const CFakeConsole& host) {
    return host.built.empty() ? 0 : host.built.back().word;
}
int LastPayload(const CFakeConsole& host) {
    return host.built.empty() || host.built.back().payload.empty() ? -1
                                                                   : host.built.back().payload[0];
}

// Checks radio `index` as the operator would and lets it notify; the guard is then reset so the
// next click acts.
void Click(CFakeConsole& host, CTimingPage& p, int index, bool resetGuard = true) {
    ui::SetRadioGroupIndex(p, IDC_T_640X480_60, index);
    p.SendNotify(CTimingPage::RadioId(index), ui::Notify::Clicked);
    if (resetGuard)
        host.EndRepeatGuard();
}

// The page in the fake console, connected unless said otherwise.
void RunPage(const std::function<void(CFakeConsole&, CTimingPage&)>& body, bool connected = true) {
    ui::test::ScopedHooks hooks;
    CFakeConsole host;
    host.connected = connected;
    CTimingPage page(host);
    host.Run(page, [&] { body(host, page); });
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

TEST(TimingPage, TemplateHoldsOneGroupOfRadiosInIndexOrder) {
    RunPage([](CFakeConsole&, CTimingPage& p) {
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

TEST(TimingPage, RadioIndexAndCodeMappingDiffersOnlyInThe4KRows) {
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

TEST(TimingPage, ClickingSendsTheTimingCodeAndAsksTheConsoleToFollow) {
    RunPage([](CFakeConsole& host, CTimingPage& p) {
        const std::pair<int, int> clicks[] = {{33, 38}, {36, 33}, {41, 41}, {20, 20}, {62, 62}};
        for (auto [index, code] : clicks) {
            host.calls.clear();
            Click(host, p, index);
            EXPECT_EQ(LastWord(host), cmd::SetTiming) << index;
            EXPECT_EQ(LastPayload(host), code) << index;
            EXPECT_EQ(p.m_nTimingCode, code);
            EXPECT_EQ(p.m_nTimingRadio, index);
            // The details page and the Setting page's colour rules follow, then the patterns.
            EXPECT_EQ(host.calls,
                      (std::vector<std::string>{"ShowTimingDetails " + std::to_string(code),
                                                "ApplyTimingToSettings " + std::to_string(code),
                                                "UpdatePatternsForTiming"}))
                << index;
        }
        // 1080p(60) is shown in the panel.
        Click(host, p, 20);
        EXPECT_EQ(host.shown.timing, names::TimingName(20));
        EXPECT_TRUE(ui::test::MessageBoxes().empty());
    });
}

// A refused choice leaves the page, the panel and the sibling pages as they were: the radio that
// was checked before comes back.
TEST(TimingPage, ARefusedChoiceChangesNothing) {
    RunPage([](CFakeConsole& host, CTimingPage& p) {
        Click(host, p, 27);
        ASSERT_EQ(p.m_nTimingCode, 27);
        host.connected = false;
        host.calls.clear();
        const auto panel = host.shown.timing;
        ui::test::ClearMessageBoxes();
        Click(host, p, 20);
        EXPECT_EQ(ui::test::MessageBoxes(), std::vector<std::string>{"Com port is not on yet."});
        EXPECT_EQ(p.m_nTimingCode, 27);
        EXPECT_TRUE(p.IsDlgButtonChecked(CTimingPage::RadioId(27)));
        EXPECT_FALSE(p.IsDlgButtonChecked(CTimingPage::RadioId(20)));
        EXPECT_TRUE(host.calls.empty());
        EXPECT_EQ(host.shown.timing, panel);
    });
}

TEST(TimingPage, RepeatGuardSwallowsTheSecondOfTwoNotifications) {
    RunPage([](CFakeConsole& host, CTimingPage& p) {
        Click(host, p, 12, false);
        EXPECT_TRUE(host.guard);
        const auto sends = [&host] { return host.built.size(); };
        EXPECT_EQ(sends(), 1u);

        // A radio being unchecked notifies too: ignored without touching the guard.
        p.SendNotify(IDC_T_720P_5994, ui::Notify::Clicked);
        EXPECT_TRUE(host.guard);

        Click(host, p, 12, false); // swallowed, disarms
        EXPECT_EQ(sends(), 1u);
        EXPECT_FALSE(host.guard);
        // Another radio within the guard is swallowed too, and the sent one stays checked.
        Click(host, p, 12, false);
        Click(host, p, 20, false);
        EXPECT_EQ(sends(), 2u);
        EXPECT_TRUE(p.IsDlgButtonChecked(CTimingPage::RadioId(12)));
        EXPECT_FALSE(p.IsDlgButtonChecked(CTimingPage::RadioId(20)));
        Click(host, p, 12, false); // acts again
        EXPECT_EQ(sends(), 3u);
    });
}

TEST(TimingPage, ReportedCodesCheckTheirRadios) {
    RunPage([](CFakeConsole&, CTimingPage& p) {
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

TEST(TimingPage, UserTimingCaptions) {
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

TEST(TimingPage, StatusRelabelsUserRadiosAndSelectsTheReportedCode) {
    RunPage([](CFakeConsole& host, CTimingPage& p) {
        Record(14850, false, 1920, 280, 1080, 45).ToBytes(host.records[0]);
        Record(7425, true, 1920, 280, 540, 22).ToBytes(host.records[9]);
        const unsigned char status[12] = {62};
        p.ShowStatus(status);
        p.UpdateData(false);
        EXPECT_EQ(p.GetDlgItemText(IDC_T_USER1), "1920x1080(60)");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_USER1 + 1), "0x0(0)");
        EXPECT_EQ(p.GetDlgItemText(IDC_T_USER10), "1920x1080i(60)");
        EXPECT_EQ(p.m_nTimingCode, 62);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_T_USER1));
        EXPECT_EQ(host.calls, std::vector<std::string>{"ShowTimingDetails 62"});
    });
}

TEST(TimingPage, SdiModeLeavesOnlyTheSdHdStandardsEnabled) {
    RunPage([](CFakeConsole& host, CTimingPage& p) {
        ui::SetRadioGroupIndex(p, IDC_T_640X480_60, 5);
        host.hdmi = false;
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
        host.hdmi = true;
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
        return testsupport::AwaitFrames(m_peer, want, withinMs);
    }
};

TEST_F(TimingPageOnLine, AutoSendsTheTimingThenAsksForItsDetails) {
    RunConsole([&](CConsoleDlg& d) {
        d.SendNotify(IDC_PORT_BUTTON, ui::Notify::Clicked);
        ASSERT_EQ(d.m_bPortOpen, 1);
        ASSERT_EQ(Frames(1).size(), 1u); // the read-back's first query
        d.m_bReadingStatus = 0;
        In(d).m_timingDetailsPage.m_nHActive = 4321;
        ui::test::RecordSleeps(false);
        const auto start = std::chrono::steady_clock::now();
        ui::SetRadioGroupIndex(In(d).m_timingPage, IDC_T_640X480_60, 61);
        In(d).m_timingPage.SendNotify(IDC_T_AUTO, ui::Notify::Clicked);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(390));
        ui::test::RecordSleeps(true);
        const auto frames = Frames(2);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(FrameWord(frames[0]), cmd::SetTiming);
        EXPECT_EQ(frames[0][9], 61);
        EXPECT_EQ(FrameWord(frames[1]), cmd::QueryTimingDetails);
        EXPECT_EQ(frames[1][9], 61);
        EXPECT_EQ(In(d).m_timingDetailsPage.m_nHActive, 4321); // no details for Auto yet
        EXPECT_TRUE(In(d).m_timingPage.IsDlgButtonChecked(IDC_T_AUTO));
    });
    EXPECT_TRUE(Boxes().empty());
}

TEST(TimingPage, OperatorClickSelectsOnce) {
    RunPage([](CFakeConsole& host, CTimingPage& p) {
        ASSERT_TRUE(ui::test::Click(p, IDC_T_1080P_50));
        EXPECT_EQ(p.m_nTimingCode, 27);
        EXPECT_EQ(LastPayload(host), 27);
        EXPECT_EQ(host.built.size(), 1u); // one frame
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_T_1080P_50));
    });
}
