// Test hooks: recorded message boxes and sleeps, manual timers, answered modal dialogs and file
// choosers, installed as the dialog layer's interceptor when a program links them. All are off
// until a test turns them on.
#include "platform/ui/test_hooks.h"

#include "platform/ui/dialog.h"
#include "platform/ui/interceptor.h"

#include <atomic>
#include <mutex>

namespace ui {

namespace {

struct HookState {
    std::mutex mutex;
    bool recordBoxes = false;
    bool recordSleeps = false;
    std::vector<std::string> boxes;
    std::vector<int> sleeps;
    std::function<int(Dialog&)> modalHandler;
    bool haveOpenAnswer = false;
    std::optional<std::string> openAnswer;
    bool hooksScoped = false;
    std::string lastFilter;
    std::string lastDir;
};

HookState& State() {
    static HookState s;
    return s;
}

std::atomic<bool> g_manualTimers{false};
std::function<void(int)> g_sleepObserver; // set and called on the UI thread only

bool RecordMessageBox(const std::string& text) {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.recordBoxes) {
        return false;
    }
    s.boxes.push_back(text);
    return true;
}

bool RecordSleep(int milliseconds) {
    if (g_sleepObserver)
        g_sleepObserver(milliseconds);
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.recordSleeps) {
        return false;
    }
    s.sleeps.push_back(milliseconds);
    return true;
}

// True when the hooks answer the file chooser; chosen and path then hold the answer.
bool OpenFileAnswer(const std::string& filter, const std::string& initialDir, std::string& path,
                    bool& chosen) {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.lastFilter = filter;
    s.lastDir = initialDir;
    if (!s.haveOpenAnswer && !s.hooksScoped) {
        return false;
    }
    chosen = s.haveOpenAnswer && s.openAnswer.has_value();
    if (chosen) {
        path = *s.openAnswer;
    }
    // The answer serves one chooser; the next one is cancelled unless the test answers again.
    s.haveOpenAnswer = false;
    s.openAnswer.reset();
    return true;
}

// A copy, so that a handler may replace the hook while it runs.
std::function<int(Dialog&)> CurrentModalHandler() {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.modalHandler;
}

class Hooks final : public Interceptor {
public:
    Hooks() { SetInterceptor(this); }
    ~Hooks() override { SetInterceptor(nullptr); }
    bool MessageBox(const std::string& text) override { return RecordMessageBox(text); }
    bool Sleep(int milliseconds) override { return RecordSleep(milliseconds); }
    bool ManualTimers() override { return g_manualTimers.load(); }
    bool FileChooser(const std::string& filter, const std::string& initialDir, std::string& path,
                     bool& chosen) override {
        return OpenFileAnswer(filter, initialDir, path, chosen);
    }
    std::function<int(Dialog&)> ModalHandler() override { return CurrentModalHandler(); }
};

// In place from start-up of every program that links the hooks, and off (each hook does what the
// application does) until a test turns a hook on.
Hooks g_hooks;

} // namespace

namespace test {

ScopedHooks::ScopedHooks() {
    RecordMessageBoxes(true);
    RecordSleeps(true);
    ManualTimers(true);
    ClearMessageBoxes();
    ClearSleeps();
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.hooksScoped = true;
    s.haveOpenAnswer = false;
    s.openAnswer.reset();
}

ScopedHooks::~ScopedHooks() {
    RecordMessageBoxes(false);
    RecordSleeps(false);
    ManualTimers(false);
    ClearMessageBoxes();
    ClearSleeps();
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.hooksScoped = false;
    s.haveOpenAnswer = false;
    s.openAnswer.reset();
    s.modalHandler = nullptr;
}

void ObserveSleeps(std::function<void(int)> observer) {
    g_sleepObserver = std::move(observer);
}

void RecordMessageBoxes(bool on) {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.recordBoxes = on;
}

std::vector<std::string> MessageBoxes() {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.boxes;
}

void ClearMessageBoxes() {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.boxes.clear();
}

void RecordSleeps(bool on) {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.recordSleeps = on;
}

std::vector<int> Sleeps() {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.sleeps;
}

void ClearSleeps() {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.sleeps.clear();
}

void ManualTimers(bool on) {
    g_manualTimers.store(on);
}

bool ManualTimersOn() {
    return g_manualTimers.load();
}

std::optional<int> ArmedInterval(const Dialog& dlg, int id) {
    const auto& timers = dlg.ArmedTimers();
    const auto it = timers.find(id);
    if (it == timers.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool FireTimer(Dialog& dlg, int id) {
    if (!dlg.ArmedTimers().count(id)) {
        return false;
    }
    dlg.OnBackendTimer(id);
    return true;
}

void SetModalHandler(std::function<int(Dialog&)> handler) {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.modalHandler = std::move(handler);
}

void SetOpenFileAnswer(std::optional<std::string> path) {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.haveOpenAnswer = true;
    s.openAnswer = std::move(path);
}

std::string LastOpenFileFilter() {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.lastFilter;
}

std::string LastOpenFileDir() {
    HookState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.lastDir;
}

} // namespace test

} // namespace ui
