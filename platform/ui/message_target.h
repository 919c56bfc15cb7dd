// A window that accepts messages. SendMessage is synchronous from any thread: called on the UI
// thread it handles the message at once; called on another thread it blocks that thread until the
// UI thread has handled the message, as a worker's notifications require.
#pragma once

#include "platform/ui/types.h"

namespace ui {

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// True on the thread that created the application object (the UI thread).
bool IsUiThread();

// Handles, on the UI thread, every message that other threads are blocked on. A UI thread that
// waits for a worker to end calls this in its wait loop so the worker can finish its delivery.
// Does nothing when called on another thread.
void ServePendingDeliveries();

} // namespace ui
