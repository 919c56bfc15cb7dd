// Every window of the console laid out in the fonts at hand (ctest runs this once per font set,
// chosen through fontconfig): each control inside its window or page, each page inside the tab's
// display area, no two controls overlapping, every caption and tab label whole. The EDID page's
// hex dump wraps after sixteen bytes with its row labels level with the rows.
#include "app/about_dlg.h"
#include "support/console_internals.h"
#include "app/conversation_dlg.h"
#include "app/plan_dlg.h"
#include "edid/edid_decoder.h"
#include "platform/ui/qt/qt_backend.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/layout_rules.h"
#include "unit/edid_test_images.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>
#include <cstdlib>
#include <sstream>

using testsupport::ConsoleFixture;

namespace {

ui::Rect R(const QRect& r) {
    return ui::Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

ui::qt::QtDialogBackend& Backend(const ui::Dialog& dlg) {
    return *static_cast<ui::qt::QtDialogBackend*>(dlg.Backend());
}

layout::Caption TextIn(const std::string& what, const QFont& font, const QString& text,
                       const QRect& room, int flags = Qt::TextShowMnemonic) {
    const QFontMetrics fm(font);
    const QRect need = fm.boundingRect(QRect(0, 0, room.width(), 100000), flags, text);
    return {what, need.width(), need.height(), R(room)};
}

// What a button, radio button or check box gives its caption, and the indicator's room.
void ButtonCaptions(QAbstractButton* b, QStyle::SubElement contents, QStyle::PixelMetric indW,
                    QStyle::PixelMetric indH, layout::Item& item) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.rect = b->rect();
    opt.text = b->text();
    const QRect room =
        b->style()->subElementRect(contents, &opt, b).translated(b->geometry().topLeft());
    item.captions.push_back(
        TextIn("caption", b->font(), b->text(), room, Qt::TextShowMnemonic | Qt::TextSingleLine));
    if (indW != QStyle::PM_CustomBase)
        item.captions.push_back({"indicator", b->style()->pixelMetric(indW, &opt, b),
                                 b->style()->pixelMetric(indH, &opt, b), R(b->geometry())});
}

// The template's controls of dlg as the rules see them, in the dialog's client coordinates.
std::vector<layout::Item> Controls(const ui::Dialog& dlg) {
    std::vector<layout::Item> items;
    const ui::DialogTemplate& tpl = dlg.Template();
    for (std::size_t i = 0; i < tpl.count; ++i) {
        const ui::ControlTemplate& c = tpl.controls[i];
        QWidget* w = Backend(dlg).ControlWidgetAt(i);
        if (!w)
            continue;
        std::ostringstream name;
        name << "#" << i << " (id " << c.id << ", \"" << std::string(c.caption).substr(0, 20)
             << "\")";
        layout::Item item = layout::Box(name.str(), R(w->geometry()));
        const QFontMetrics fm(w->font());
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
            QRect room = l->contentsRect().translated(l->geometry().topLeft());
            if (l->frameWidth() > 0) // a framed label indents its text by half an "x"
                room.adjust(fm.horizontalAdvance(QLatin1Char('x')) / 2, 0, 0, 0);
            const int wrap = l->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
            item.captions.push_back(TextIn("text", l->font(), l->text(), room, wrap));
        } else if (auto* b = qobject_cast<QRadioButton*>(w)) {
            ButtonCaptions(b, QStyle::SE_RadioButtonContents, QStyle::PM_ExclusiveIndicatorWidth,
                           QStyle::PM_ExclusiveIndicatorHeight, item);
        } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
            ButtonCaptions(b, QStyle::SE_CheckBoxContents, QStyle::PM_IndicatorWidth,
                           QStyle::PM_IndicatorHeight, item);
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            ButtonCaptions(b, QStyle::SE_PushButtonContents, QStyle::PM_CustomBase,
                           QStyle::PM_CustomBase, item);
        } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
            // A line of text within the frame.
            const int frame = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
            item.captions.push_back({"line", 0, fm.height() + 2 * frame, item.rect});
        } else if (c.kind == ui::ControlKind::GroupBox) {
            // Drawn as the backend's group frame does: the title from half an average character
            // in, on a line through the title's middle.
            const QString title = w->accessibleName();
            const QRect g = w->geometry();
            const int x = fm.averageCharWidth();
            item.groupBox = true;
            // Inside the frame's outer line and below the line through the title.
            item.inside = R(g.adjusted(1, fm.height() / 2 + 1, -1, -1));
            if (!title.isEmpty()) {
                item.captions.push_back(
                    {"title", fm.horizontalAdvance(title) + 4, fm.height(),
                     R(QRect(g.left() + x, g.top(), g.width() - x - 2, g.height()))});
                items.push_back(item);
                // The ink of each letter of the title, which no other control may cover.
                const int owner = static_cast<int>(items.size() - 1);
                for (int k = 0; k < title.size(); ++k) {
                    const QRect ink =
                        fm.tightBoundingRect(title.mid(k, 1))
                            .translated(g.left() + x + 2 + fm.horizontalAdvance(title.left(k)),
                                        g.top() + fm.ascent());
                    if (!ink.isEmpty())
                        items.push_back(layout::Box(item.name + " title \"" +
                                                        title.mid(k, 1).toStdString() + "\"",
                                                    R(ink), owner));
                }
                continue;
            }
        }
        items.push_back(item);
    }
    return items;
}

std::string Lines(const std::vector<std::string>& problems) {
    std::string out;
    for (const auto& p : problems)
        out += "\n  " + p;
    return out;
}

QTabBar* TabBarOf(const ui::Dialog& dlg, int id) {
    QWidget* tab = Backend(dlg).ControlWidget(id);
    return tab ? tab->findChild<QTabBar*>() : nullptr;
}

// The tab labels whole and the bar whole above the display area.
std::vector<std::string> CheckTabs(const ui::Dialog& dlg, int id) {
    QTabBar* bar = TabBarOf(dlg, id);
    if (!bar)
        return {"no tab bar"};
    std::vector<layout::Item> tabs;
    const int hspace = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    for (int i = 0; i < bar->count(); ++i) {
        const QRect r = bar->tabRect(i);
        layout::Item tab = layout::Box("tab \"" + bar->tabText(i).toStdString() + "\"", R(r));
        tab.captions.push_back(TextIn("label", bar->font(), bar->tabText(i),
                                      r.adjusted(hspace / 2, 0, -hspace / 2, 0),
                                      Qt::TextShowMnemonic | Qt::TextSingleLine));
        tabs.push_back(tab);
    }
    std::vector<std::string> problems = layout::Check(R(bar->rect()), tabs);
    // The bar and the display area share the tab control without overlapping.
    const ui::Rect area = dlg.TabGetDisplayRect(id);
    const std::vector<layout::Item> parts = {layout::Box("tab bar", R(bar->geometry())),
                                             layout::Box("display area", area)};
    for (auto& p : layout::Check(dlg.TabGetClientRect(id), parts))
        problems.push_back(p);
    return problems;
}

// A page inside the display area of the tab control, and its controls inside the page.
std::vector<std::string> CheckPage(const ui::Dialog& main, const ui::Dialog& page) {
    std::vector<std::string> problems =
        layout::Check(main.TabGetDisplayRect(IDC_TAB), {layout::Box("page", page.GetWindowRect())});
    for (auto& p : layout::Check(page.GetClientRect(), Controls(page)))
        problems.push_back(p);
    return problems;
}

enum class Window {
    Main,
    Timing,
    TimingDetails,
    Pattern,
    Setting,
    Edid,
    About,
    Conversation,
    Plan
};

const char* NameOf(Window w) {
    static const char* const kNames[] = {"Main", "Timing", "TimingDetails", "Pattern", "Setting",
                                         "Edid", "About",  "Conversation",  "Plan"};
    return kNames[static_cast<int>(w)];
}

} // namespace

class Layout : public ConsoleFixture, public ::testing::WithParamInterface<Window> {};

TEST_P(Layout, EveryControlFitsItsWindowAndNothingOverlaps) {
    std::vector<std::string> problems;
    std::string size;
    RunConsole(
        [&](CConsoleDlg& d) {
            ui::Dialog* pages[] = {&In(d).m_timingPage, &In(d).m_timingDetailsPage,
                                   &In(d).m_patternPage, &In(d).m_settingPage, &In(d).m_edidPage};
            switch (GetParam()) {
            case Window::Main:
                problems = layout::Check(d.GetClientRect(), Controls(d));
                for (auto& p : CheckTabs(d, IDC_TAB))
                    problems.push_back(p);
                size = layout::Describe(d.GetClientRect());
                break;
            case Window::About:
                d.SendMessage(ui::WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
                break;
            case Window::Conversation:
                d.ShowConversation();
                ASSERT_NE(In(d).m_pConversationDlg, nullptr);
                problems = layout::Check(In(d).m_pConversationDlg->GetClientRect(),
                                         Controls(*In(d).m_pConversationDlg));
                size = layout::Describe(In(d).m_pConversationDlg->GetClientRect());
                break;
            case Window::Plan: {
                d.ShowPlan();
                ASSERT_NE(In(d).m_pPlanDlg, nullptr);
                CPlanDlg& w = *In(d).m_pPlanDlg;
                // The longest captions the buttons take during a run.
                w.SetDlgItemText(IDC_PLAN_RUN, "Go on");
                problems = layout::Check(w.GetClientRect(), Controls(w));
                size = layout::Describe(w.GetClientRect());
                break;
            }
            default: {
                const ui::Dialog& page = *pages[static_cast<int>(GetParam()) - 1];
                problems = CheckPage(d, page);
                ui::Rect used{};
                for (const auto& item : Controls(page)) {
                    used.right = std::max(used.right, item.rect.right);
                    used.bottom = std::max(used.bottom, item.rect.bottom);
                }
                size = "page " + layout::Describe(page.GetWindowRect()) + " in display area " +
                       layout::Describe(d.TabGetDisplayRect(IDC_TAB)) + ", controls up to " +
                       std::to_string(used.right) + "x" + std::to_string(used.bottom);
                break;
            }
            }
        },
        [&](ui::Dialog& nested) {
            if (dynamic_cast<CAboutDlg*>(&nested)) {
                problems = layout::Check(nested.GetClientRect(), Controls(nested));
                size = layout::Describe(nested.GetClientRect());
            }
            return ui::IDOK;
        });
    RecordProperty("size", size);
    EXPECT_FALSE(size.empty()) << "the window was never laid out";
    EXPECT_TRUE(problems.empty()) << NameOf(GetParam()) << " " << size << Lines(problems);
}

INSTANTIATE_TEST_SUITE_P(AllWindows, Layout,
                         ::testing::Values(Window::Main, Window::Timing, Window::TimingDetails,
                                           Window::Pattern, Window::Setting, Window::Edid,
                                           Window::About, Window::Conversation, Window::Plan),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

class EdidHexDump : public ConsoleFixture {};

// Sixteen bytes a row whatever the fixed font, each row level with its label.
TEST_F(EdidHexDump, WrapsAfterSixteenBytesBesideItsRowLabels) {
    RunConsole([](CConsoleDlg& d) {
        CEdidPage& page = In(d).m_edidPage;
        page.SetDlgItemText(IDC_EDID_HEX, edid::HexDump(edid_test::Television4K()));
        // Shown, as the operator sees it: the edit lays its text out for its real width.
        d.TabSetCurSel(IDC_TAB, 4);
        d.SendNotify(IDC_TAB, ui::Notify::SelChange);
        Backend(d).Root()->show();
        ui::ProcessEvents(20);
        auto* hex = qobject_cast<QPlainTextEdit*>(Backend(page).ControlWidget(IDC_EDID_HEX));
        ASSERT_NE(hex, nullptr);
        const QTextBlock block = hex->document()->firstBlock();
        const QPoint origin = hex->viewport()->mapTo(Backend(page).Root(), QPoint(0, 0));
        hex->document()->documentLayout()->blockBoundingRect(block); // lays the block out
        QTextLayout* text = block.layout();
        ASSERT_NE(text, nullptr);
        ASSERT_EQ(text->lineCount(), kEdidRowLabelCount)
            << "the dump wraps in the wrong place: " << hex->viewport()->width()
            << " px wide for characters of "
            << QFontMetricsF(hex->font()).horizontalAdvance(QLatin1Char('0')) << " px ("
            << hex->font().family().toStdString() << " " << hex->font().pointSizeF()
            << " pt), base unit " << page.DluToPixelsX(4);
        for (int row = 0; row < kEdidRowLabelCount; ++row) {
            const QTextLine line = text->lineAt(row);
            EXPECT_EQ(line.textLength(), 48) << row;
            QTextCursor start(hex->document());
            start.setPosition(block.position() + line.textStart());
            const QRect at = hex->cursorRect(start).translated(origin);
            // Every row shows without scrolling.
            EXPECT_LE(at.top() + line.height(), origin.y() + hex->viewport()->height()) << row;
            auto* label =
                qobject_cast<QLabel*>(Backend(page).ControlWidget(IDC_EDID_ROW_LABEL_FIRST + row));
            ASSERT_NE(label, nullptr);
            const QFontMetricsF labelFm(label->font());
            const double labelBaseline = label->geometry().top() + labelFm.ascent();
            const double rowBaseline = at.top() + line.ascent();
            EXPECT_NEAR(labelBaseline, rowBaseline, 1.5) << "row " << row;
        }
    });
}

// A font set that lost a directory would pass without testing what it names.
TEST(FontSet, HasTheFamiliesItNames) {
    const char* needed = std::getenv("KESTRELON_FONT_FAMILIES");
    if (!needed)
        GTEST_SKIP() << "run outside a font set";
    const QStringList families = QFontDatabase::families();
    // A family found twice carries its foundry: "Nimbus Sans [UKWN]".
    for (const QString& f : QString::fromUtf8(needed).split(',', Qt::SkipEmptyParts))
        EXPECT_FALSE(families
                         .filter(QRegularExpression("^" + QRegularExpression::escape(f.trimmed()) +
                                                    "( \\[.*\\])?$"))
                         .isEmpty())
            << f.toStdString() << " is not installed";
}
