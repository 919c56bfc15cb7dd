// Synchronous messages across threads. A worker that sends a message to a dialog queues it, wakes
// the UI thread and blocks until the UI thread has run the handler and stored its result. The
// queue entry lives on the sender's stack, so a delivery allocates nothing.
//
// The serial link sends one message per received byte, so the hand-over is tuned for bursts:
// the sender spins briefly before it sleeps (the answer usually comes within microseconds), and
// the UI thread lingers briefly after emptying the queue, so the next byte of a burst needs no
// new wake-up through the event loop. Both waits yield the CPU while they poll and last at most
// a few tens of microseconds.
#include "platform/ui/backend.h"
#include "platform/ui/dialog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ui {

namespace {

constexpr auto kSenderSpin = std::chrono::microseconds(50);
constexpr auto kUiLinger = std::chrono::microseconds(50);

// Yields rather than busy-waits: on a loaded machine the other side may need this very CPU.
inline void CpuRelax() {
    std::this_thread::yield();
}

struct Delivery {
    Delivery(Dialog* t, UINT m, WPARAM w, LPARAM l) : target(t), message(m), wParam(w), lParam(l) {}
    Dialog* target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    std::atomic<bool> done{false};
    bool sleeping = false; // the sender waits on cv (guarded by the queue mutex)
    Delivery* next = nullptr;
    std::condition_variable cv;
};

struct Queue {
    std::mutex mutex;
    Delivery* head = nullptr;
    Delivery* tail = nullptr;
    std::atomic<bool> nonEmpty{false};
    // Set while a wake-up is on its way to the UI thread or the UI thread is serving, so a burst
    // needs only one wake-up.
    std::atomic<bool> wakePending{false};
};

Queue& TheQueue() {
    static Queue q;
    return q;
}

std::atomic<bool> g_haveUiThread{false};
std::thread::id g_uiThread; // written only while no other thread can send

// Removes and returns the oldest delivery, or null. Caller holds the mutex.
Delivery* PopLocked(Queue& q) {
    Delivery* d = q.head;
    if (d) {
        q.head = d->next;
        if (!q.head) {
            q.tail = nullptr;
            q.nonEmpty.store(false, std::memory_order_relaxed);
        }
        d->next = nullptr;
    }
    return d;
}

// Hands the result back. Caller holds the mutex. The entry lives on the sender's stack: a
// spinning sender may return as soon as done is set, so done is the last write to it, and a
// sleeping sender cannot leave cv.wait before the mutex is released.
void CompleteLocked(Delivery* d, LRESULT result) {
    d->result = result;
    if (d->sleeping) {
        d->done.store(true, std::memory_order_release);
        d->cv.notify_one();
    } else {
        d->done.store(true, std::memory_order_release);
    }
}

// Dispatches queued deliveries until the queue is empty.
void DrainQueue(Queue& q) {
    for (;;) {
        Delivery* d;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            d = PopLocked(q);
        }
        if (!d) {
            return;
        }
        // Popped before dispatching, so a handler that serves deliveries itself (a wait loop, a
        // nested event loop) never sees this one twice.
        const LRESULT result = d->target->Dispatch(d->message, d->wParam, d->lParam);
        std::lock_guard<std::mutex> lock(q.mutex);
        CompleteLocked(d, result);
    }
}

} // namespace

void RegisterUiThread(bool on) {
    if (on) {
        g_uiThread = std::this_thread::get_id();
        g_haveUiThread.store(true, std::memory_order_release);
    } else {
        g_haveUiThread.store(false, std::memory_order_release);
        // Nobody will serve the queue any more: release every blocked sender.
        Queue& q = TheQueue();
        std::lock_guard<std::mutex> lock(q.mutex);
        while (Delivery* d = PopLocked(q)) {
            CompleteLocked(d, 0);
        }
    }
}

bool IsUiThread() {
    return g_haveUiThread.load(std::memory_order_acquire) &&
           std::this_thread::get_id() == g_uiThread;
}

LRESULT Dialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Without an application there is no other thread to hand the message to: handle it here.
    if (!g_haveUiThread.load(std::memory_order_acquire) || IsUiThread()) {
        return Dispatch(message, wParam, lParam);
    }
    Queue& q = TheQueue();
    Delivery d(this, message, wParam, lParam);
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        if (q.tail) {
            q.tail->next = &d;
        } else {
            q.head = &d;
        }
        q.tail = &d;
        q.nonEmpty.store(true, std::memory_order_relaxed);
    }
    if (!q.wakePending.exchange(true)) {
        BackendWakeUiThread();
    }
    const auto spinEnd = std::chrono::steady_clock::now() + kSenderSpin;
    do {
        if (d.done.load(std::memory_order_acquire)) {
            return d.result;
        }
        CpuRelax();
    } while (std::chrono::steady_clock::now() < spinEnd);

    std::unique_lock<std::mutex> lock(q.mutex);
    d.sleeping = true;
    d.cv.wait(lock, [&d] { return d.done.load(std::memory_order_acquire); });
    return d.result;
}

void ServePendingDeliveries() {
    if (!IsUiThread()) {
        return;
    }
    Queue& q = TheQueue();
    q.wakePending.store(true);
    for (;;) {
        DrainQueue(q);
        // Linger: in a burst the sender queues its next message within microseconds.
        const auto lingerEnd = std::chrono::steady_clock::now() + kUiLinger;
        bool more = false;
        do {
            if (q.nonEmpty.load(std::memory_order_relaxed)) {
                more = true;
                break;
            }
            CpuRelax();
        } while (std::chrono::steady_clock::now() < lingerEnd);
        if (more) {
            continue;
        }
        // From here on a sender must wake us again; a message queued before this point is
        // seen by the check below.
        q.wakePending.store(false);
        std::lock_guard<std::mutex> lock(q.mutex);
        if (!q.head) {
            return;
        }
        q.wakePending.store(true);
    }
}

namespace delivery {

void CancelFor(const Dialog* target) {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    Delivery* prev = nullptr;
    Delivery* d = q.head;
    while (d) {
        Delivery* next = d->next;
        if (d->target == target) {
            if (prev) {
                prev->next = next;
            } else {
                q.head = next;
            }
            if (q.tail == d) {
                q.tail = prev;
            }
            d->next = nullptr;
            CompleteLocked(d, 0);
        } else {
            prev = d;
        }
        d = next;
    }
    if (!q.head) {
        q.nonEmpty.store(false, std::memory_order_relaxed);
    }
}

} // namespace delivery

} // namespace ui
