// The soak's watchdog: a thread of its own that fails the run when the interface thread misses its
// heartbeat, when the process burns a core while nothing happens, or when the emulator reports a
// malformed request frame. A failure prints the reason, the seed, the last actions and the stack
// of every thread, then ends the process.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace soak {

using Clock = std::chrono::steady_clock;

// The last actions, with the time since the start of the run; shared by the driver (UI thread)
// and the watchdog.
class ActionLog {
public:
    explicit ActionLog(Clock::time_point start) : m_start(start) {}
    void Add(const std::string& what);
    void Print() const; // to stderr
    long Count() const;
    std::string Last() const;

private:
    static constexpr std::size_t kKept = 60;
    Clock::time_point m_start;
    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
    long m_count = 0;
};

class Watchdog {
public:
    static constexpr auto kStallLimit = std::chrono::seconds(2);
    static constexpr double kIdleCpuLimit = 0.5; // of one core, over a second
    static constexpr auto kActionLimit = std::chrono::seconds(15);

    Watchdog(unsigned seed, ActionLog& log);
    ~Watchdog();

    void Start(int emulatorStderr); // -1: no emulator to listen to
    void Beat() { m_lastBeat.store(Clock::now().time_since_epoch().count()); }
    // An operator action runs from Begin to End; one that never returns (a menu or box nobody
    // closes, a handler that loops) fails the run even though nested event loops keep beating.
    void ActionBegin() { m_actionSince.store(Clock::now().time_since_epoch().count()); }
    void ActionEnd() { m_actionSince.store(0); }
    // The driver holds still from now until IdleEnd: CPU use is measured meanwhile.
    void IdleBegin();
    void IdleEnd();
    double MaxIdleCpu() const { return m_maxIdleCpu.load(); }
    int EmulatorVanished() const { return m_vanished.load(); }
    [[noreturn]] void Fail(const std::string& why);

private:
    void Run();
    void ReadEmulator();

    unsigned m_seed;
    ActionLog& m_log;
    std::atomic<Clock::rep> m_lastBeat;
    std::atomic<Clock::rep> m_actionSince{0};
    std::atomic<bool> m_idle{false};
    std::atomic<Clock::rep> m_idleSince{0};
    std::atomic<double> m_maxIdleCpu{0};
    std::atomic<int> m_vanished{0};
    std::atomic<bool> m_stop{false};
    int m_emulatorFd = -1;
    std::string m_emulatorLine;
    std::thread m_thread;
};

} // namespace soak
