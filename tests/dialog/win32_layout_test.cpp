// The native windows laid out in the fonts the system gives them (under wine: wine's own and the
// machine's fonts): each control inside its window or page, each page inside the tab's display
// area, no two controls overlapping, every caption and tab label whole.
#include "app/about_dlg.h"
#include "app/conversation_dlg.h"
#include "dialog/win32_host.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/layout_rules.h"

#include <string>
#include <vector>

using testsupport::ConsoleFixture;

namespace {

enum class Window { Main, Timing, TimingDetails, Pattern, Setting, Edid, About, Conversation };

const char* NameOf(Window w) {
    static const char* const kNames[] = {"Main",    "Timing", "TimingDetails", "Pattern",
                                         "Setting", "Edid",   "About",         "Conversation"};
    return kNames[static_cast<int>(w)];
}

std::string Lines(const std::vector<std::string>& problems) {
    std::string out;
    for (const auto& p : problems)
        out += "\n  " + p;
    return out;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace

class Win32Layout : public ConsoleFixture, public ::testing::WithParamInterface<Window> {};

TEST_P(Win32Layout, EveryControlFitsItsWindowAndNothingOverlaps) {
    std::vector<std::string> problems;
    std::string size;
    RunConsole(
        [&](CConsoleDlg& d) {
            ConsoleInternals in = In(d);
            ui::Dialog* pages[] = {&in.m_timingPage, &in.m_timingDetailsPage, &in.m_patternPage,
                                   &in.m_settingPage, &in.m_edidPage};
            const ui::Rect area = d.TabGetDisplayRect(IDC_TAB);
            switch (GetParam()) {
            case Window::Main: {
                problems = layout::Check(d.GetClientRect(), win32host::LayoutItems(d));
                // The tabs whole, side by side above the display area.
                std::vector<layout::Item> tabs = win32host::TabLayoutItems(d, IDC_TAB);
                tabs.push_back(layout::Box("display area", area));
                Append(problems, layout::Check(d.TabGetClientRect(IDC_TAB), tabs));
                size = layout::Describe(d.GetClientRect());
                break;
            }
            case Window::About:
                d.SendMessage(ui::WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
                break;
            case Window::Conversation:
                d.ShowConversation();
                ASSERT_NE(in.m_pConversationDlg, nullptr);
                problems = layout::Check(in.m_pConversationDlg->GetClientRect(),
                                         win32host::LayoutItems(*in.m_pConversationDlg));
                size = layout::Describe(in.m_pConversationDlg->GetClientRect());
                break;
            default: {
                const ui::Dialog& page = *pages[static_cast<int>(GetParam()) - 1];
                problems = layout::Check(area, {layout::Box("page", page.GetWindowRect())});
                Append(problems, layout::Check(page.GetClientRect(), win32host::LayoutItems(page)));
                size = "page " + layout::Describe(page.GetWindowRect()) + " in display area " +
                       layout::Describe(area);
                break;
            }
            }
        },
        [&](ui::Dialog& nested) {
            if (dynamic_cast<CAboutDlg*>(&nested)) {
                problems = layout::Check(nested.GetClientRect(), win32host::LayoutItems(nested));
                size = layout::Describe(nested.GetClientRect());
            }
            return ui::IDOK;
        });
    RecordProperty("size", size);
    EXPECT_FALSE(size.empty()) << "the window was never laid out";
    EXPECT_TRUE(problems.empty()) << NameOf(GetParam()) << " " << size << Lines(problems);
}

INSTANTIATE_TEST_SUITE_P(AllWindows, Win32Layout,
                         ::testing::Values(Window::Main, Window::Timing, Window::TimingDetails,
                                           Window::Pattern, Window::Setting, Window::Edid,
                                           Window::About, Window::Conversation),
                         [](const auto& info) { return std::string(NameOf(info.param)); });
