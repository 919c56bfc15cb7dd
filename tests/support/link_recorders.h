// Owners of a serial link for its tests, shared by the Linux and the wine tests: one that records
// every notification on the worker's own thread (and can keep the worker inside one), and a
// dialog that handles them on the UI thread as the console does.
#pragma once

#include "link/link_messages.h"
#include "link/serial_link.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_target.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace testsupport {

struct Note {
    ui::UINT message;
    ui::WPARAM wParam;
    ui::LPARAM lParam;
};

class RecordingOwner : public ui::MessageTarget {
public:
    ui::LRESULT SendMessage(ui::UINT message, ui::WPARAM wParam, ui::LPARAM lParam) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_notes.push_back({message, wParam, lParam});
        m_changed.notify_all();
        if (m_holdOn == message) {
            m_holdOn = 0;
            m_holding = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return !m_holding; });
        }
        return 0;
    }

    // The next notification of this kind keeps the worker inside SendMessage until Release.
    void HoldNext(ui::UINT message) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdOn = message;
    }
    bool WaitHeld(std::chrono::milliseconds within = std::chrono::seconds(3)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, within, [this] { return m_holding; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdOn = 0;
        m_holding = false;
        m_changed.notify_all();
    }

    std::size_t Count(ui::UINT message) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return CountLocked(message);
    }
    bool WaitCount(ui::UINT message, std::size_t n,
                   std::chrono::milliseconds within = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, within, [&] { return CountLocked(message) >= n; });
    }
    // The bytes of the WM_LINK_RXCHAR notifications, in order (without their flags).
    std::vector<std::uint8_t> Received() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::uint8_t> bytes;
        for (const Note& note : m_notes) {
            if (note.message == WM_LINK_RXCHAR)
                bytes.push_back(static_cast<std::uint8_t>(note.wParam & 0xFF));
        }
        return bytes;
    }
    std::vector<Note> Notes() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_notes;
    }
    std::size_t Total() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_notes.size();
    }

private:
    std::size_t CountLocked(ui::UINT message) const {
        std::size_t n = 0;
        for (const Note& note : m_notes)
            n += note.message == message;
        return n;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Note> m_notes;
    ui::UINT m_holdOn = 0;
    bool m_holding = false;
};

// A dialog that handles the link's notifications on the UI thread.
class CLinkSink : public ui::Dialog {
public:
    CLinkSink() : ui::Dialog(Template()) {}

    ui::LRESULT OnRxChar(ui::WPARAM wParam, ui::LPARAM lParam) {
        m_bytes.push_back(static_cast<std::uint8_t>(wParam & 0xFF));
        m_lastPort = lParam;
        m_allOnUiThread = m_allOnUiThread && ui::IsUiThread();
        if (m_pReplyLink && m_bytes.size() == 1) // answer from inside the handler
            m_pReplyLink->Write(m_reply.data(), static_cast<int>(m_reply.size()));
        return 0;
    }
    ui::LRESULT OnTxEmpty(ui::WPARAM, ui::LPARAM) {
        ++m_nTxEmpty;
        if (m_onTxEmpty) {
            auto action = std::move(m_onTxEmpty);
            m_onTxEmpty = nullptr;
            action();
        }
        return 0;
    }
    const ui::HandlerEntry* GetHandlerTable() const override {
        static const ui::HandlerEntry table[] = {
            UI_ON_MESSAGE(WM_LINK_RXCHAR, CLinkSink, OnRxChar),
            UI_ON_MESSAGE(WM_LINK_TXEMPTY, CLinkSink, OnTxEmpty),
            UI_END_HANDLERS,
        };
        return table;
    }

    std::vector<std::uint8_t> m_bytes;
    ui::LPARAM m_lastPort = 0;
    bool m_allOnUiThread = true;
    int m_nTxEmpty = 0;
    CSerialLink* m_pReplyLink = nullptr;
    std::vector<std::uint8_t> m_reply;
    std::function<void()> m_onTxEmpty; // runs once, inside the next WM_LINK_TXEMPTY

private:
    static const ui::DialogTemplate& Template() {
        static const ui::DialogTemplate kTemplate{9001,    "Sink", 60,    40,    "MS Shell Dlg", 8,
                                                  nullptr, 0,      false, false, false};
        return kTemplate;
    }
};

} // namespace testsupport
