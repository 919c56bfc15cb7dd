// The queue beneath every MessageTarget of the dialog layer, for the layer's own implementation:
// messages sent from another thread block it until the UI thread has handled them, messages
// posted are handled later from the event loop. A target is an opaque pointer with the function
// that handles its messages; the UI thread is woken through the function its application gives.
#pragma once

#include "platform/ui/message_target.h"

namespace ui::delivery {

using Handler = LRESULT (*)(void* target, UINT message, WPARAM wParam, LPARAM lParam);

// Marks the calling thread as the UI thread, woken by wakeUiThread (callable from any thread)
// when a message waits for it (on); or says there is none any more (off), which releases every
// blocked sender.
void RegisterUiThread(bool on, void (*wakeUiThread)());

// Has the UI thread handle the message and returns its result. On the UI thread, or while there
// is none, the message is handled at once. cancel may be null.
LRESULT Send(void* target, Handler handle, UINT message, WPARAM wParam, LPARAM lParam,
             DeliveryCancel* cancel);

// Queues the message for ServePostedMessages; the caller wakes the UI thread.
void Post(void* target, Handler handle, UINT message, WPARAM wParam, LPARAM lParam);

// Completes the deliveries still queued for a target that goes away, and drops its posts.
void CancelFor(const void* target);

} // namespace ui::delivery
