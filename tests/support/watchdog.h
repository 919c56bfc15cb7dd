// Ends the process when a step does not finish in time: a deadlock must fail a test, not hang it
// (a hung test would only end at the test runner's timeout, without saying where it stuck).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace testsupport {

class Watchdog {
public:
    explicit Watchdog(const char* what, std::chrono::seconds limit = std::chrono::seconds(10))
        : m_thread([this, what, limit] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (!m_cv.wait_for(lock, limit, [this] { return m_done; })) {
                  std::fprintf(stderr, "deadlock: %s did not return\n", what);
                  std::fflush(stderr);
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace testsupport
