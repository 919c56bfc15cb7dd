// The Pattern page: every radio and thumbnail sends its pattern code, the pathological check
// field only on SDI, the picture patterns at 1400x1050 on HDMI, the reported pattern, and the
// thumbnails' own pictures. The console is connected to a peer that answers nothing; the frames
// the page sends are read where they arrive.
#include "link/command_words.h"
#include "support/console_internals.h"
#include "res/art_patterns.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"

#include <set>
#include <string>
#include <vector>

using testsupport::ConsoleFixture;
using testsupport::PtyPeer;

namespace {

const char* const kCaptions[CPatternPage::kPatternCount] = {
    "100%ColorBar",
    "75%ColorBar",
    "8 StepGrayBar",
    "RedScreen",
    "GreenScreen",
    "BlueScreen",
    "YellowScreen",
    "CyanScreen",
    "MagentaScreen",
    "16 StepGrayBar",
    "WhiteScreen",
    "RGB Ramp",
    "Cross Black",
    "Cross Red",
    "Cross Green",
    "Cross Blue",
    "White dots",
    "Alternate WB",
    "Moving line (Horizontal)",
    "Moving line (Vertical)",
    "Multiburst",
    "Ver-split",
    "Hor-split",
    "Moving red ramp",
    "Moving green ramp",
    "Moving blue ramp",
    "A/V Sync",
    "Border lines",
    "Edge / Aspect Check",
    "Target Circle",
    "Moving Circle",
    "3D Squares",
    "BLACK IMG",
    "Gradient",
    "SMPTE",
    "Pluge",
    "Indian",
    "Philips Pattern",
    "User1",
    "User2",
    "User3",
    "User4",
    "Pathological Test (SDI only)",
};

class PatternPage : public ConsoleFixture {
protected:
    void Run(const std::function<void(CConsoleDlg&, CPatternPage&)>& body, bool connect = true) {
        RunConsole([&](CConsoleDlg& d) {
            if (connect) {
                ConnectAndEndReadBack(d);
                testsupport::AwaitFrames(m_peer, 2, 300); // the read-back's two requests
            }
            ASSERT_TRUE(ui::test::ClickTab(d, IDC_TAB, 2));
            ASSERT_TRUE(In(d).m_patternPage.IsWindowVisible());
            body(d, In(d).m_patternPage);
        });
    }
    static bool Click(CConsoleDlg& d, int id) {
        if (ui::test::ArmedInterval(d, CConsoleDlg::kTimerRepeatGuard))
            ui::test::FireTimer(d, CConsoleDlg::kTimerRepeatGuard);
        ui::test::ClearMessageBoxes();
        return ui::test::Click(In(d).m_patternPage, id);
    }
    // Pattern frames that reach the far side: a click sends one or none.
    int Sends(int withinMs = 150) {
        int n = 0;
        for (std::uint16_t word : testsupport::AwaitWords(m_peer, 1, withinMs))
            n += word == cmd::SetPattern;
        return n;
    }
    PtyPeer m_peer{m_ports, 1};
    // Pattern code of the last frame, -1 when it was not a pattern command.
    static int LastPattern(const CConsoleDlg& d) {
        const std::uint16_t word = In(d).m_abTxFrame[7] | (In(d).m_abTxFrame[8] << 8);
        return word == cmd::SetPattern && In(d).m_abTxFrame[3] == 6 ? In(d).m_abTxFrame[9] : -1;
    }
    // Radio checked, by pattern code; -1 for none, -2 for several.
    static int Checked(const CPatternPage& p) {
        int found = -1;
        for (int c = 0; c < CPatternPage::kPatternCount; ++c)
            if (p.IsDlgButtonChecked(CPatternPage::kControls[c].radio))
                found = found == -1 ? c : -2;
        return found;
    }
};

} // namespace

TEST_F(PatternPage, TemplateHoldsEveryPatternInCodeOrder) {
    Run([&](CConsoleDlg&, CPatternPage& p) {
        EXPECT_EQ(p.m_nPattern, -1);
        EXPECT_EQ(Checked(p), -1);
        int thumbnails = 0;
        std::set<int> ids;
        for (int c = 0; c < CPatternPage::kPatternCount; ++c) {
            const auto& k = CPatternPage::kControls[c];
            EXPECT_EQ(p.GetDlgItemText(k.radio), kCaptions[c]) << c;
            ids.insert(k.radio);
            // The data exchange maps the radio index to the code.
            p.m_nPattern = c;
            p.UpdateData(false);
            EXPECT_EQ(Checked(p), c);
            p.m_nPattern = -7;
            p.UpdateData(true);
            EXPECT_EQ(p.m_nPattern, c);
            if (k.thumbnail) {
                ++thumbnails;
                ids.insert(k.thumbnail);
                EXPECT_EQ(p.GetDlgItemImageId(k.thumbnail), k.bitmap) << c;
            }
        }
        EXPECT_EQ(thumbnails, 39);
        EXPECT_EQ(ids.size(), 82u);
        EXPECT_EQ(CPatternPage::kControls[38].radio, IDC_P_USER1);
        EXPECT_EQ(CPatternPage::kControls[38].radio, 1019);
        EXPECT_EQ(CPatternPage::kControls[34].thumbnail, 1167);
    });
}

TEST_F(PatternPage, EveryRadioAndThumbnailSendsItsCode) {
    Run([&](CConsoleDlg& d, CPatternPage& p) {
        d.m_bHdmiMode = 0; // the pathological field included
        d.RefreshOutputDependents();
        for (int c = 0; c < CPatternPage::kPatternCount; ++c) {
            const auto& k = CPatternPage::kControls[c];
            ASSERT_TRUE(Click(d, k.radio)) << c;
            EXPECT_EQ(Sends(1000), 1) << c;
            EXPECT_EQ(LastPattern(d), c);
            EXPECT_EQ(p.m_nPattern, c);
            if (!k.thumbnail)
                continue;
            ASSERT_TRUE(Click(d, CPatternPage::kControls[(c + 1) % 38].radio));
            EXPECT_EQ(Sends(1000), 1) << c;
            ASSERT_TRUE(Click(d, k.thumbnail)) << c;
            EXPECT_EQ(Sends(1000), 1) << c;
            EXPECT_EQ(LastPattern(d), c);
            EXPECT_EQ(Checked(p), c);
        }
    });
}

TEST_F(PatternPage, ThumbnailsWhoseIdsAreOutOfOrder) {
    Run([&](CConsoleDlg& d, CPatternPage& p) {
        const struct {
            int thumbnail, code, radio;
        } cases[] = {{1167, 34, 1034}, {1172, 33, 1036}, {1196, 35, 1040}};
        for (const auto& c : cases) {
            ASSERT_TRUE(Click(d, c.thumbnail));
            EXPECT_EQ(LastPattern(d), c.code);
            EXPECT_TRUE(p.IsDlgButtonChecked(c.radio));
        }
        ASSERT_TRUE(Click(d, IDC_P_USER1));
        EXPECT_EQ(LastPattern(d), 38);
    });
}

TEST_F(PatternPage, PathologicalFieldOnlyOnSdi) {
    Run([&](CConsoleDlg& d, CPatternPage& p) {
        ASSERT_TRUE(Click(d, IDC_P_BLUE));
        EXPECT_EQ(Sends(1000), 1);
        // Enabled by the template until the first output change; in HDMI mode it sends nothing
        // and the selection goes back.
        EXPECT_TRUE(p.IsDlgItemEnabled(IDC_P_PATHOLOGICAL));
        ASSERT_TRUE(Click(d, IDC_P_PATHOLOGICAL));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(Checked(p), 5);
        ASSERT_TRUE(Click(d, IDC_P_THUMB_PATHOLOGICAL));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(Checked(p), 5);
        EXPECT_EQ(p.m_nPattern, 5);

        d.RefreshOutputDependents();
        EXPECT_FALSE(p.IsDlgItemEnabled(IDC_P_PATHOLOGICAL));

        d.m_bHdmiMode = 0;
        d.RefreshOutputDependents();
        EXPECT_TRUE(p.IsDlgItemEnabled(IDC_P_PATHOLOGICAL));
        ASSERT_TRUE(Click(d, IDC_P_THUMB_PATHOLOGICAL));
        EXPECT_EQ(LastPattern(d), 42);
        EXPECT_EQ(Checked(p), 42);
    });
}

TEST_F(PatternPage, PicturePatternsAt1400x1050OnHdmi) {
    Run([&](CConsoleDlg& d, CPatternPage& p) {
        const int pictures[] = {IDC_P_SMPTE, IDC_P_PLUGE, IDC_P_TEST_CARD_1, IDC_P_TEST_CARD_2};
        In(d).m_timingPage.m_nTimingCode = 7;
        p.UpdateForTiming();
        for (int id : pictures)
            EXPECT_FALSE(p.IsDlgItemEnabled(id)) << id;
        EXPECT_TRUE(p.IsDlgItemEnabled(IDC_P_GRADIENT));
        // Their thumbnails still send.
        ASSERT_TRUE(Click(d, IDC_P_THUMB_SMPTE));
        EXPECT_EQ(LastPattern(d), 34);
        ASSERT_TRUE(Click(d, IDC_P_THUMB_TEST_CARD_2));
        EXPECT_EQ(LastPattern(d), 37);

        d.m_bHdmiMode = 0;
        d.RefreshOutputDependents();
        for (int id : pictures)
            EXPECT_TRUE(p.IsDlgItemEnabled(id)) << id;
        d.m_bHdmiMode = 1;
        d.RefreshOutputDependents();
        EXPECT_FALSE(p.IsDlgItemEnabled(IDC_P_PLUGE));
        In(d).m_timingPage.m_nTimingCode = 8;
        p.UpdateForTiming();
        for (int id : pictures)
            EXPECT_TRUE(p.IsDlgItemEnabled(id)) << id;
    });
}

TEST_F(PatternPage, ReportedPatternAndRepeatGuard) {
    Run([&](CConsoleDlg& d, CPatternPage& p) {
        ui::test::ClearMessageBoxes();
        p.ShowPattern(5);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_P_BLUE));
        EXPECT_EQ(Sends(), 0);

        ASSERT_TRUE(Click(d, IDC_P_RED));
        EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerRepeatGuard), 50);
        EXPECT_EQ(Sends(1000), 1);
        // A second notification within the guard is swallowed, and the radios show the pattern
        // sent, not the one clicked.
        ui::test::ClearMessageBoxes();
        ASSERT_TRUE(ui::test::Click(p, IDC_P_GREEN));
        EXPECT_EQ(Sends(), 0);
        EXPECT_EQ(d.m_bRepeatGuard, 0);
        EXPECT_EQ(LastPattern(d), 3);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_P_RED));
        EXPECT_FALSE(p.IsDlgButtonChecked(IDC_P_GREEN));
        EXPECT_EQ(p.m_nPattern, 3);
        ASSERT_TRUE(ui::test::Click(p, IDC_P_THUMB_GREEN));
        EXPECT_EQ(LastPattern(d), 4);
        EXPECT_TRUE(p.IsDlgButtonChecked(IDC_P_GREEN));
        EXPECT_EQ(Sends(1000), 1);

        // Enter is swallowed by the page.
        ui::test::ClearMessageBoxes();
        EXPECT_TRUE(ui::test::PressKey(p, IDC_P_GREEN, ui::VK_RETURN));
        EXPECT_EQ(Sends(), 0);
        EXPECT_TRUE(p.IsWindowVisible());
    });
}

TEST(PatternThumbnails, EachPatternHasItsOwnPicture) {
    std::set<std::vector<std::uint32_t>> seen;
    for (const auto& k : CPatternPage::kControls) {
        if (!k.thumbnail)
            continue;
        const ui::Image img = LoadPatternThumbnail(k.bitmap);
        ASSERT_EQ(img.width, 45) << k.bitmap;
        ASSERT_EQ(img.height, 31);
        EXPECT_EQ(img.resourceId, k.bitmap);
        EXPECT_TRUE(seen.insert(img.pixels).second) << "same picture twice: " << k.bitmap;
        // Any size the static has on screen.
        const ui::Image big = LoadPatternThumbnail(k.bitmap, 60, 40);
        EXPECT_EQ(big.width, 60);
        EXPECT_EQ(big.height, 40);
    }
    EXPECT_TRUE(LoadPatternThumbnail(0).IsNull());
    EXPECT_TRUE(LoadPatternThumbnail(IDR_MAINFRAME).IsNull());

    // A few pixels that make the patterns what they are.
    EXPECT_EQ(LoadPatternThumbnail(IDB_P_RED).At(20, 15), 0xFFFF0000u);
    EXPECT_EQ(LoadPatternThumbnail(IDB_P_BLACK).At(3, 3), 0xFF000000u);
    EXPECT_EQ(LoadPatternThumbnail(IDB_P_COLORBAR_100).At(1, 15), 0xFFFFFFFFu);
    EXPECT_EQ(LoadPatternThumbnail(IDB_P_COLORBAR_75).At(1, 15), 0xFFBFBFBFu);
    EXPECT_EQ(LoadPatternThumbnail(IDB_P_COLORBAR_100).At(43, 15), 0xFF000000u);
}
