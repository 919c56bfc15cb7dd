// A window that accepts messages. SendMessage is synchronous from any thread: called on the UI
// thread it handles the message at once; called on another thread it blocks that thread until the
// UI thread has handled the message, as a worker's notifications require.
#pragma once

#include "platform/ui/types.h"

#include <atomic>

namespace ui {

// Lets the UI thread release a worker that is blocked handing it a message. Once cancelled, the
// sender's delivery in flight returns at once with result 0, and so does every later one until
// Reset. A handler already running for that delivery on the UI thread runs to its end; its result
// is dropped. This is what keeps a UI thread that waits for a worker to end from waiting on a
// delivery whose handler is further up its own stack (a message box opened from a notification,
// whose event loop runs a timer that stops the worker).
class DeliveryCancel {
public:
    DeliveryCancel() = default;
    DeliveryCancel(const DeliveryCancel&) = delete;
    DeliveryCancel& operator=(const DeliveryCancel&) = delete;

    void Cancel(); // any thread
    void Reset();  // only while the sender sends nothing (before a worker starts)
    bool IsCancelled() const { return m_cancelled.load(std::memory_order_acquire); }

private:
    friend struct DeliveryCancelAccess;
    std::atomic<bool> m_cancelled{false};
    void* m_pInFlight = nullptr; // the sender's delivery; guarded by the delivery queue's lock
};

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // As SendMessage, for a sender that the UI thread may have to release: gives up (result 0)
    // when cancel is cancelled before or while the message waits to be handled.
    virtual LRESULT SendMessageCancellable(UINT message, WPARAM wParam, LPARAM lParam,
                                           DeliveryCancel& cancel) {
        return cancel.IsCancelled() ? 0 : SendMessage(message, wParam, lParam);
    }
};

// True on the thread that created the application object (the UI thread).
bool IsUiThread();

// Handles, on the UI thread, the messages posted so far (Dialog::PostMessage). Called by the
// backend's event loop only.
void ServePostedMessages();

// Handles, on the UI thread, every message that other threads are blocked on. A UI thread that
// waits for a worker to end calls this in its wait loop so the worker can finish its delivery.
// Does nothing when called on another thread.
void ServePendingDeliveries();

} // namespace ui
