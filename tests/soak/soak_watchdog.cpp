#include "soak/soak_watchdog.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <execinfo.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace soak {

namespace {

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void PrintOwnStack(int) {
    // Only async-signal-safe calls here: the thread was stopped wherever it was.
    void* frames[64];
    const int n = backtrace(frames, 64);
    char head[64];
    const int len = std::snprintf(head, sizeof head, "--- thread %ld\n",
                                  static_cast<long>(syscall(SYS_gettid)));
    if (write(2, head, static_cast<std::size_t>(len)) < 0) {
    }
    backtrace_symbols_fd(frames, n, 2);
}

// Every thread of the process prints its own stack, one after the other.
void PrintAllStacks() {
    std::signal(SIGUSR2, PrintOwnStack);
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return;
    const long self = syscall(SYS_gettid);
    while (dirent* e = readdir(tasks)) {
        const long tid = std::strtol(e->d_name, nullptr, 10);
        if (tid <= 0 || tid == self)
            continue;
        syscall(SYS_tgkill, getpid(), tid, SIGUSR2);
        usleep(100000);
    }
    closedir(tasks);
}

} // namespace

void ActionLog::Add(const std::string& what) {
    const double t = std::chrono::duration<double>(Clock::now() - m_start).count();
    char head[32];
    std::snprintf(head, sizeof head, "%9.3f ", t);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(head + what);
    if (m_lines.size() > kKept)
        m_lines.pop_front();
    ++m_count;
}

void ActionLog::Print() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fprintf(stderr, "last %zu of %ld actions and events:\n", m_lines.size(), m_count);
    for (const std::string& line : m_lines)
        std::fprintf(stderr, "  %s\n", line.c_str());
}

std::string ActionLog::Last() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines.empty() ? std::string() : m_lines.back();
}

long ActionLog::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

Watchdog::Watchdog(unsigned seed, ActionLog& log)
    : m_seed(seed), m_log(log), m_lastBeat(Clock::now().time_since_epoch().count()) {}

Watchdog::~Watchdog() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void Watchdog::Start(int emulatorStderr) {
    m_emulatorFd = emulatorStderr;
    if (m_emulatorFd >= 0)
        fcntl(m_emulatorFd, F_SETFL, fcntl(m_emulatorFd, F_GETFL) | O_NONBLOCK);
    Beat();
    m_thread = std::thread([this] { Run(); });
}

void Watchdog::IdleBegin() {
    m_idleSince = Clock::now().time_since_epoch().count();
    m_idle = true;
}

void Watchdog::IdleEnd() {
    m_idle = false;
}

void Watchdog::Fail(const std::string& why) {
    std::fprintf(stderr, "\nSOAK FAILED (seed %u): %s\n", m_seed, why.c_str());
    m_log.Print();
    std::fprintf(stderr, "stacks:\n");
    PrintAllStacks();
    std::fflush(stderr);
    _exit(1);
}

void Watchdog::ReadEmulator() {
    char buffer[512];
    ssize_t n;
    while ((n = read(m_emulatorFd, buffer, sizeof buffer)) > 0) {
        m_emulatorLine.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = m_emulatorLine.find('\n')) != std::string::npos) {
            const std::string line = m_emulatorLine.substr(0, end);
            m_emulatorLine.erase(0, end + 1);
            m_log.Add("[emulator] " + line);
            if (line.find("malformed request") != std::string::npos)
                Fail("the console sent a malformed frame: " + line);
            if (line.find("vanished") != std::string::npos)
                ++m_vanished;
        }
    }
}

void Watchdog::Run() {
    struct Sample {
        Clock::time_point at;
        double cpu;
    };
    std::deque<Sample> idle;
    while (!m_stop) {
        if (m_emulatorFd >= 0) {
            pollfd p{m_emulatorFd, POLLIN, 0};
            if (poll(&p, 1, 100) > 0)
                ReadEmulator();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const Clock::time_point now = Clock::now();
        const Clock::time_point beat{Clock::duration(m_lastBeat.load())};
        if (now - beat > kStallLimit) {
            Fail("the interface thread missed its heartbeat for " +
                 std::to_string(
                     std::chrono::duration_cast<std::chrono::milliseconds>(now - beat).count()) +
                 " ms");
        }
        const Clock::rep action = m_actionSince.load();
        if (action != 0 && now - Clock::time_point{Clock::duration(action)} > kActionLimit)
            Fail("an operator action has not returned for " + std::to_string(kActionLimit.count()) +
                 " s");
        // Idle: after a second to settle, no second of the pause may use half a core.
        const Clock::time_point since{Clock::duration(m_idleSince.load())};
        if (!m_idle || now - since < std::chrono::seconds(1)) {
            idle.clear();
            continue;
        }
        idle.push_back({now, ProcessCpuSeconds()});
        while (idle.size() > 1 && now - idle[1].at >= std::chrono::seconds(1))
            idle.pop_front();
        if (now - idle.front().at >= std::chrono::milliseconds(950)) {
            const double seconds = std::chrono::duration<double>(now - idle.front().at).count();
            const double share = (idle.back().cpu - idle.front().cpu) / seconds;
            if (share > m_maxIdleCpu.load())
                m_maxIdleCpu = share;
            if (share > kIdleCpuLimit)
                Fail("the idle console used " + std::to_string(static_cast<int>(share * 100)) +
                     "% of a core for a second");
        }
    }
}

} // namespace soak
