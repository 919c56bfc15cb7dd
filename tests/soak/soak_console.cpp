// Soak test of the real console: the main dialog and its pages on the real event loop with real
// timers, real modal boxes answered after a random pause, random operator input on every page,
// and the generator emulator misbehaving at random (sgsim --chaos) beside a silent device and
// ports that do not exist. A watchdog thread fails the run on a frozen interface thread, an idle
// process that burns a core, or a malformed frame from the console; a crash fails it anyway.
//
//   soak_console [--seed N] [--seconds S]      (default: a seed from the clock, 20 s)
//
// The seed is printed first; a failure prints the action log. The same seed gives the same
// operator and the same emulator; the timing of the machine does the rest.
#include "app/address_file.h"
#include "support/console_internals.h"
#include "app/console_dlg.h"
#include "app/conversation_dlg.h"
#include "platform/ui/application.h"
#include "platform/ui/test_hooks.h"
#include "res/resource.h"
#include "res/resource_edid_page.h"
#include "res/resource_setting_page.h"
#include "res/resource_timing_details_page.h"
#include "res/templates.h"
#include "soak/soak_watchdog.h"
#include "support/pty_peer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using soak::Clock;

constexpr int kEmulatorCom = 3;
constexpr int kSilentCom = 5;
constexpr int kHeartbeatMs = 20;

struct Figures {
    long actions = 0;
    long unreachable = 0;
    long modals = 0;
    long searches = 0;
    long connections = 0;
    long readBacks = 0;
    double longestStallMs = 0;
    std::string longestStallAfter; // the last action or event before it
};

// Starts sgsim on COMn of the port map with chaos from the seed; its standard error comes back
// through the returned descriptor.
pid_t StartEmulator(const std::string& portsDir, unsigned seed, int& stderrFd) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        const std::string com = std::to_string(kEmulatorCom);
        const std::string chaos = std::to_string(seed);
        execl(KESTRELON_SGSIM, "sgsim", "--com", com.c_str(), "--ports-dir", portsDir.c_str(),
              "--chaos", chaos.c_str(), "--strict", "--exit-with-parent",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    stderrFd = fds[0];
    return pid;
}

// The operator: random input on whatever the console shows, through the dialog layer's simulated
// input, never on a window behind an open modal one.
class Operator {
public:
    Operator(CConsoleDlg& d, std::mt19937& rng, soak::ActionLog& log, Figures& figures)
        : m_d(d), m_rng(rng), m_log(log), m_figures(figures) {}

    void Act() {
        const int roll = Pick(100);
        if (roll < 40)
            ClickSomething();
        else if (roll < 50)
            Do("tab", ui::test::ClickTab(m_d, IDC_TAB, Pick(5)));
        else if (roll < 60)
            ChoosePort();
        else if (roll < 68) {
            ++m_figures.searches;
            Do("Search Device", ui::test::Click(m_d, IDC_SEARCH_DEVICE));
        } else if (roll < 74)
            Do("port button", ui::test::Click(m_d, Pick(2) ? IDC_PORT_BUTTON : IDC_ACTIVITY_ICON));
        else if (roll < 80)
            ChooseInPageCombo();
        else if (roll < 92)
            TypeIntoDetails();
        else if (roll < 94)
            PressKey();
        else if (roll < 97)
            UseConversationWindow();
        else
            Do("About", ui::test::ChooseSystemMenuItem(m_d, LoadStringResource(IDS_ABOUTBOX)));
    }

private:
    int Pick(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }

    void Do(const std::string& what, bool reached) {
        ++m_figures.actions;
        if (!reached)
            ++m_figures.unreachable;
        m_log.Add(what + (reached ? "" : " (unreachable)"));
    }

    ui::Dialog& VisiblePage() {
        ui::Dialog* pages[] = {&In(m_d).m_timingPage, &In(m_d).m_timingDetailsPage,
                               &In(m_d).m_patternPage, &In(m_d).m_settingPage, &In(m_d).m_edidPage};
        const int tab = std::clamp(m_d.TabGetCurSel(IDC_TAB), 0, 4);
        return *pages[tab];
    }

    void ClickSomething() {
        ui::Dialog& dlg = Pick(3) == 0 ? static_cast<ui::Dialog&>(m_d) : VisiblePage();
        const ui::DialogTemplate& t = dlg.Template();
        std::vector<int> ids;
        for (std::size_t i = 0; i < t.count; ++i) {
            const ui::ControlTemplate& c = t.controls[i];
            const bool clickable =
                c.kind == ui::ControlKind::PushButton || c.kind == ui::ControlKind::DefPushButton ||
                c.kind == ui::ControlKind::RadioButton || c.kind == ui::ControlKind::CheckBox ||
                ((c.kind == ui::ControlKind::Icon || c.kind == ui::ControlKind::Static ||
                  c.kind == ui::ControlKind::Bitmap) &&
                 (c.style & ui::kNotify));
            if (clickable && c.id != ui::IDC_STATIC)
                ids.push_back(c.id);
        }
        if (ids.empty())
            return;
        const int id = ids[static_cast<std::size_t>(Pick(static_cast<int>(ids.size())))];
        Do("click " + std::to_string(id) + " on " + t.caption, ui::test::Click(dlg, id));
    }

    void ChoosePort() {
        const int r = Pick(4);
        const int index = r == 0 ? kEmulatorCom - 1 : r == 1 ? kSilentCom - 1 : Pick(99);
        Do("choose COM" + std::to_string(index + 1),
           ui::test::ChooseComboItem(m_d, IDC_PORT_COMBO, index));
    }

    void ChooseInPageCombo() {
        const int r = Pick(3);
        if (r == 0)
            Do("EDID source",
               ui::test::ChooseComboItem(In(m_d).m_edidPage, IDC_EDID_SOURCE, Pick(7)));
        else if (r == 1)
            Do("user slot",
               ui::test::ChooseComboItem(In(m_d).m_timingDetailsPage, IDC_D_USER_SLOT, Pick(10)));
        else
            Do("audio channel",
               ui::test::ChooseComboItem(In(m_d).m_settingPage, IDC_S_AUDIO_CHANNEL, Pick(32)));
    }

    void TypeIntoDetails() {
        static const int kEdits[] = {IDC_D_PIXEL_CLOCK, IDC_D_H_ACTIVE,  IDC_D_H_BLANK,
                                     IDC_D_HS_OFFSET,   IDC_D_HS_WIDTH,  IDC_D_V_ACTIVE,
                                     IDC_D_V_BLANK,     IDC_D_VS_OFFSET, IDC_D_VS_WIDTH};
        static const char* const kTexts[] = {"",    "abc",    "-1",    "65536", "99999999999",
                                             "1e9", "300.1",  "300.2", "148.5", "1920",
                                             "0",   "12.5.3", " 42 ",  "1080",  "74.25"};
        CTimingDetailsPage& p = In(m_d).m_timingDetailsPage;
        const int id = kEdits[Pick(9)];
        const std::string text = kTexts[Pick(static_cast<int>(std::size(kTexts)))];
        // Select all and type over it, as an operator does.
        p.SetDlgItemText(id, "");
        Do("type '" + text + "' into " + std::to_string(id), ui::test::TypeText(p, id, text));
    }

    // Opens the conversation window (system menu or F2) or, when it is open, pauses, resumes,
    // clears or closes it; it records all the while.
    void UseConversationWindow() {
        CConversationDlg* w = In(m_d).m_pConversationDlg.get();
        if (!w || !w->IsWindowVisible()) {
            if (Pick(2))
                Do("Conversation (F2)", ui::test::PressKey(m_d, IDC_SEARCH_DEVICE, ui::VK_F2));
            else
                Do("Conversation (menu)",
                   ui::test::ChooseSystemMenuItem(m_d, LoadStringResource(IDS_CONVERSATION)));
            return;
        }
        static const int kButtons[] = {IDC_CONVERSATION_PAUSE, IDC_CONVERSATION_CLEAR,
                                       ui::IDCANCEL};
        const int id = kButtons[Pick(3)];
        Do("conversation button " + std::to_string(id), ui::test::Click(*w, id));
    }

    void PressKey() {
        ui::Dialog& page = VisiblePage();
        const ui::DialogTemplate& t = page.Template();
        const int id = t.count ? t.controls[static_cast<std::size_t>(Pick(int(t.count)))].id : 0;
        const unsigned long key = Pick(2) ? ui::VK_RETURN : ui::VK_ESCAPE;
        Do(std::string(key == ui::VK_RETURN ? "Enter" : "Escape") + " on " + std::to_string(id),
           ui::test::PressKey(page, id, key));
    }

    CConsoleDlg& m_d;
    std::mt19937& m_rng;
    soak::ActionLog& m_log;
    Figures& m_figures;
};

// Runs the console until the time is up, acting at random moments and pausing now and then.
class Driver {
public:
    Driver(CConsoleDlg& d, unsigned seed, int seconds, soak::Watchdog& dog, soak::ActionLog& log)
        : m_d(d), m_rng(seed), m_dog(dog), m_log(log), m_operator(d, m_rng, log, m_figures),
          m_end(Clock::now() + std::chrono::seconds(seconds)) {}

    void Start() {
        ui::test::ObserveSleeps([this](int ms) { m_sleptMs += ms; });
        ui::test::AnswerModalsAfter(
            &m_d, [this] { return static_cast<int>(m_rng() % 1501); },
            [this](const std::string& what) {
                ++m_figures.modals;
                m_log.Add(what);
            });
        m_lastBeat = Clock::now();
        Heartbeat();
        ui::test::CallLater(300, [this] { Step(); });
    }
    const Figures& Result() const { return m_figures; }

private:
    void Heartbeat() {
        const Clock::time_point now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - m_lastBeat).count();
        // The prescribed sleeps block the thread on purpose; anything else is a stall.
        const double stall = gap - kHeartbeatMs - m_sleptMs;
        if (stall > m_figures.longestStallMs) {
            m_figures.longestStallMs = stall;
            m_figures.longestStallAfter = m_log.Last();
        }
        m_sleptMs = 0;
        m_lastBeat = now;
        m_dog.Beat();
        if (m_d.m_bPortOpen && !m_wasOpen)
            ++m_figures.connections;
        if (m_d.m_bReadingStatus && !m_wasReading)
            ++m_figures.readBacks;
        m_wasOpen = m_d.m_bPortOpen != 0;
        m_wasReading = m_d.m_bReadingStatus != 0;
        ui::test::CallLater(kHeartbeatMs, [this] { Heartbeat(); });
    }

    void Step() {
        const Clock::time_point now = Clock::now();
        if (now >= m_end) {
            Finish();
            return;
        }
        // Every eight seconds or so the operator holds still for two and a half.
        if (now - m_lastPause > std::chrono::seconds(8)) {
            m_lastPause = now;
            m_log.Add("pause");
            m_dog.IdleBegin();
            ui::test::CallLater(2500, [this] {
                m_dog.IdleEnd();
                Step();
            });
            return;
        }
        if (!ui::test::ModalAbove(m_d)) {
            m_dog.ActionBegin();
            m_operator.Act();
            m_dog.ActionEnd();
        }
        ui::test::CallLater(5 + static_cast<int>(m_rng() % 150), [this] { Step(); });
    }

    void Finish() {
        // The boxes still open are answered first; then the operator closes the console. A
        // window that is never answered or a close that never completes is a hang too.
        if (m_finishing == Clock::time_point())
            m_finishing = Clock::now();
        else if (Clock::now() - m_finishing > std::chrono::seconds(20))
            m_dog.Fail("the console has not closed 20 s after the last action");
        if (ui::test::ModalAbove(m_d)) {
            ui::test::CallLater(50, [this] { Finish(); });
            return;
        }
        m_log.Add("close");
        ui::test::CloseWindow(m_d);
        ui::test::CallLater(50, [this] { Finish(); });
    }

    CConsoleDlg& m_d;
    std::mt19937 m_rng;
    soak::Watchdog& m_dog;
    soak::ActionLog& m_log;
    Figures m_figures;
    Operator m_operator;
    Clock::time_point m_end;
    Clock::time_point m_lastPause = Clock::now();
    Clock::time_point m_lastBeat;
    Clock::time_point m_finishing;
    double m_sleptMs = 0;
    bool m_wasOpen = false;
    bool m_wasReading = false;
};

} // namespace

int main(int argc, char** argv) {
    unsigned seed = static_cast<unsigned>(Clock::now().time_since_epoch().count() % 1000000);
    int seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
    }
    std::printf("soak: seed %u, %d s\n", seed, seconds);
    std::fflush(stdout);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        putenv(const_cast<char*>("QT_QPA_PLATFORM=offscreen"));
    signal(SIGPIPE, SIG_IGN);

    // Everything the console touches lives in temporary directories: the port map (with only
    // the emulator and a silent device in it), the address file, the saved EDIDs.
    testsupport::PortMap ports;
    testsupport::TempDir work;
    if (chdir(work.Path().c_str()) != 0)
        return 2;
    address_file::SetModuleFileNameForTesting(work.Path() + "/kestrelon");

    const Clock::time_point start = Clock::now();
    soak::ActionLog log(start);
    soak::Watchdog dog(seed, log);
    int emulatorErr = -1;
    const pid_t emulator = StartEmulator(ports.Dir(), seed, emulatorErr);
    if (emulator < 0)
        return 2;
    testsupport::PtyPeer silent(ports, kSilentCom);
    std::atomic<bool> stopSilent{false};
    std::thread drain([&] {
        while (!stopSilent)
            silent.Receive(std::chrono::milliseconds(50)); // reads and never answers
    });
    // The emulator registers itself; give it a moment before the console looks.
    for (int i = 0; i < 100 && access((ports.Dir() + "/COM3").c_str(), F_OK) != 0; ++i)
        usleep(10000);
    dog.Start(emulatorErr);

    Figures figures;
    {
        ui::Application app(argc, argv);
        CConsoleDlg console;
        Driver driver(console, seed, seconds, dog, log);
        ui::test::CallLater(0, [&] { driver.Start(); });
        console.DoModal();
        figures = driver.Result();
        ui::test::AnswerModalsAfter(nullptr, nullptr, nullptr);
        ui::test::ObserveSleeps(nullptr);
    }
    dog.Beat();
    stopSilent = true;
    drain.join();
    kill(emulator, SIGTERM);
    int status = 0;
    waitpid(emulator, &status, 0);

    std::printf("soak: seed %u passed: %ld actions (%ld unreachable), %ld modal windows "
                "answered, %ld searches, %ld connections, %ld read-backs, emulator vanished %d "
                "times; longest interface-thread stall outside sleeps %.0f ms (after: %s); most "
                "CPU while idle %.0f%% of a core\n",
                seed, figures.actions, figures.unreachable, figures.modals, figures.searches,
                figures.connections, figures.readBacks, dog.EmulatorVanished(),
                figures.longestStallMs, figures.longestStallAfter.c_str(), dog.MaxIdleCpu() * 100);
    return 0;
}
