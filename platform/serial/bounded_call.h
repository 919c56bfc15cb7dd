// A blocking call that must not hold its caller longer than a bound: it runs on a thread of its
// own, and a caller that stops waiting leaves it to finish alone (its result then goes unused).
// For name resolution, which the system does not bound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace serial {

// Runs work() and gives its result in result; false when it did not end within timeoutMs (or no
// thread could be started for it).
template <class Result, class Work> bool CallWithin(Work work, int timeoutMs, Result& result) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        Result result{};
    };
    auto shared = std::make_shared<Shared>();
    try {
        std::thread([shared, work = std::move(work)]() mutable {
            Result r = work();
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->result = std::move(r);
            shared->finished = true;
            shared->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    if (!shared->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&shared] { return shared->finished; }))
        return false;
    result = std::move(shared->result);
    return true;
}

} // namespace serial
