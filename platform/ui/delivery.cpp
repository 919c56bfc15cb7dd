// Synchronous messages across threads. A worker that sends a message to a dialog queues it, wakes
// the UI thread and blocks until the UI thread has run the handler and stored its result. The
// queue entry lives on the sender's stack, so a delivery allocates nothing.
//
// A sender may be released before its handler has finished (DeliveryCancel): the UI thread then
// keeps a record of the handler in progress on its own stack, and the release clears that record,
// so the handler's end never touches the entry of a sender that has moved on.
//
// The serial link sends one message per received byte, so the hand-over is tuned for bursts:
// the sender spins briefly before it sleeps (the answer usually comes within microseconds), and
// the UI thread lingers briefly after emptying the queue, so the next byte of a burst needs no
// new wake-up through the event loop. Both waits yield the CPU while they poll and last at most
// a few tens of microseconds.
//
// The queue knows no dialog and no toolkit: a target is handled through the function it is sent
// with, and the UI thread is woken through the function its application registered. So the serial
// link, which only sends, needs nothing of the dialog layer but this.
#include "platform/ui/delivery.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
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
    Delivery(void* t, delivery::Handler h, UINT m, WPARAM w, LPARAM l)
        : target(t), handle(h), message(m), wParam(w), lParam(l) {}
    void* target;
    delivery::Handler handle;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    std::atomic<bool> done{false};
    bool sleeping = false; // the sender waits on cv (guarded by the queue mutex)
    bool running = false;  // taken by the UI thread, handler in progress (guarded likewise)
    DeliveryCancel* cancel = nullptr;
    Delivery* next = nullptr;
    std::condition_variable cv;
};

// A handler in progress on the UI thread; lives on that thread's stack. d is cleared when the
// sender is released meanwhile.
struct Running {
    Delivery* d = nullptr;
    Running* next = nullptr;
};

// A message posted for later: handled from the UI thread's event loop.
struct Posted {
    void* target;
    delivery::Handler handle;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Queue {
    std::mutex mutex;
    std::deque<Posted> posted;
    Delivery* head = nullptr;
    Delivery* tail = nullptr;
    std::atomic<bool> nonEmpty{false};
    // Set while a wake-up is on its way to the UI thread or the UI thread is serving, so a burst
    // needs only one wake-up.
    std::atomic<bool> wakePending{false};
    Running* running = nullptr; // innermost first
};

Queue& TheQueue() {
    static Queue q;
    return q;
}

std::atomic<bool> g_haveUiThread{false};
std::thread::id g_uiThread; // written only while no other thread can send
std::atomic<void (*)()> g_wakeUiThread{nullptr};

void WakeUiThread() {
    if (const auto wake = g_wakeUiThread.load(std::memory_order_acquire)) {
        wake();
    }
}

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

// Removes a delivery that is still queued. Caller holds the mutex.
void UnlinkLocked(Queue& q, Delivery* d) {
    Delivery* prev = nullptr;
    for (Delivery* e = q.head; e; prev = e, e = e->next) {
        if (e != d) {
            continue;
        }
        if (prev) {
            prev->next = d->next;
        } else {
            q.head = d->next;
        }
        if (q.tail == d) {
            q.tail = prev;
        }
        d->next = nullptr;
        break;
    }
    if (!q.head) {
        q.nonEmpty.store(false, std::memory_order_relaxed);
    }
}

} // namespace

struct DeliveryCancelAccess {
    static void*& InFlight(DeliveryCancel& c) { return c.m_pInFlight; }
};

namespace {

// Hands the result back. Caller holds the mutex. The entry lives on the sender's stack: a
// spinning sender may return as soon as done is set, so done is the last write to it, and a
// sleeping sender cannot leave cv.wait before the mutex is released.
void CompleteLocked(Delivery* d, LRESULT result) {
    if (d->cancel) {
        DeliveryCancelAccess::InFlight(*d->cancel) = nullptr;
    }
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
        Running record;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            record.d = PopLocked(q);
            if (!record.d) {
                return;
            }
            record.d->running = true;
            record.next = q.running;
            q.running = &record;
        }
        // Popped before dispatching, so a handler that serves deliveries itself (a wait loop, a
        // nested event loop) never sees this one twice. The message is copied out: a sender that
        // is released while the handler runs takes its entry with it.
        void* const target = record.d->target;
        const delivery::Handler handle = record.d->handle;
        const UINT message = record.d->message;
        const WPARAM wParam = record.d->wParam;
        const LPARAM lParam = record.d->lParam;
        const LRESULT result = handle(target, message, wParam, lParam);
        std::lock_guard<std::mutex> lock(q.mutex);
        for (Running** r = &q.running; *r; r = &(*r)->next) {
            if (*r == &record) {
                *r = record.next;
                break;
            }
        }
        if (record.d) {
            CompleteLocked(record.d, result);
        }
    }
}

// Sends from another thread through the queue; cancel may be null.
LRESULT Deliver(void* target, delivery::Handler handle, UINT message, WPARAM wParam, LPARAM lParam,
                DeliveryCancel* cancel) {
    Queue& q = TheQueue();
    Delivery d(target, handle, message, wParam, lParam);
    d.cancel = cancel;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        if (cancel) {
            if (cancel->IsCancelled()) {
                return 0;
            }
            DeliveryCancelAccess::InFlight(*cancel) = &d;
        }
        if (q.tail) {
            q.tail->next = &d;
        } else {
            q.head = &d;
        }
        q.tail = &d;
        q.nonEmpty.store(true, std::memory_order_relaxed);
    }
    if (!q.wakePending.exchange(true)) {
        WakeUiThread();
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

} // namespace

namespace delivery {

void RegisterUiThread(bool on, void (*wakeUiThread)()) {
    if (on) {
        g_uiThread = std::this_thread::get_id();
        g_wakeUiThread.store(wakeUiThread, std::memory_order_release);
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

LRESULT Send(void* target, Handler handle, UINT message, WPARAM wParam, LPARAM lParam,
             DeliveryCancel* cancel) {
    // Without an application there is no other thread to hand the message to: handle it here.
    if (!g_haveUiThread.load(std::memory_order_acquire) || IsUiThread()) {
        return cancel && cancel->IsCancelled() ? 0 : handle(target, message, wParam, lParam);
    }
    return Deliver(target, handle, message, wParam, lParam, cancel);
}

void Post(void* target, Handler handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.posted.push_back({target, handle, message, wParam, lParam});
}

} // namespace delivery

bool IsUiThread() {
    return g_haveUiThread.load(std::memory_order_acquire) &&
           std::this_thread::get_id() == g_uiThread;
}

void DeliveryCancel::Cancel() {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    m_cancelled.store(true, std::memory_order_release);
    auto* d = static_cast<Delivery*>(m_pInFlight);
    if (!d) {
        return;
    }
    if (d->running) {
        for (Running* r = q.running; r; r = r->next) {
            if (r->d == d) {
                r->d = nullptr;
            }
        }
    } else {
        UnlinkLocked(q, d);
    }
    CompleteLocked(d, 0);
}

void DeliveryCancel::Reset() {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    m_cancelled.store(false, std::memory_order_release);
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

void ServePostedMessages() {
    if (!IsUiThread()) {
        return;
    }
    Queue& q = TheQueue();
    // Only what was posted before this call: a handler that posts again is served at the next
    // wake-up, so a message that re-posts itself cannot keep the event loop here.
    std::size_t count;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        count = q.posted.size();
    }
    for (; count > 0; --count) {
        Posted p;
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            if (q.posted.empty()) {
                return;
            }
            p = q.posted.front();
            q.posted.pop_front();
        }
        p.handle(p.target, p.message, p.wParam, p.lParam);
    }
}

namespace delivery {

void CancelFor(const void* target) {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    for (auto it = q.posted.begin(); it != q.posted.end();) {
        it = it->target == target ? q.posted.erase(it) : it + 1;
    }
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
