// Synchronous messages across threads. A worker that sends a message to a dialog queues it, wakes
// the UI thread and blocks until the UI thread has run the handler and stored its result. The
// queue entry lives on the sender's stack, so a delivery allocates nothing.
#include "platform/ui/backend.h"
#include "platform/ui/dialog.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ui {

namespace {

struct Delivery {
    Delivery(Dialog* t, UINT m, WPARAM w, LPARAM l) : target(t), message(m), wParam(w), lParam(l) {}
    Dialog* target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
    Delivery* next = nullptr;
    std::condition_variable cv;
};

struct Queue {
    std::mutex mutex;
    Delivery* head = nullptr;
    Delivery* tail = nullptr;
    // Set while a wake-up is on its way to the UI thread, so a burst needs only one.
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
        }
        d->next = nullptr;
    }
    return d;
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
            d->done = true;
            d->cv.notify_one();
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
    std::unique_lock<std::mutex> lock(q.mutex);
    if (q.tail) {
        q.tail->next = &d;
    } else {
        q.head = &d;
    }
    q.tail = &d;
    if (!q.wakePending.exchange(true)) {
        lock.unlock();
        BackendWakeUiThread();
        lock.lock();
    }
    d.cv.wait(lock, [&d] { return d.done; });
    return d.result;
}

void ServePendingDeliveries() {
    if (!IsUiThread()) {
        return;
    }
    Queue& q = TheQueue();
    // Cleared before draining: a message queued after the last pop below then sends a new wake.
    q.wakePending.store(false);
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
        d->result = result;
        d->done = true;
        // Notified under the lock: the entry lives on the sender's stack and is gone as soon as
        // the sender sees done.
        d->cv.notify_one();
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
            d->done = true;
            d->cv.notify_one();
        } else {
            prev = d;
        }
        d = next;
    }
}

} // namespace delivery

} // namespace ui
