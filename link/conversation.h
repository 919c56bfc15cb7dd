// CConversation: the conversation with the generator as the link sent and received it, one entry
// per frame, for the console's conversation window and its frame log. Requests are recorded by
// the link's worker as they leave; replies by the console as its reply framing cuts them, with
// the parser's verdict. At most kMaxEntries are kept, the oldest going first.
//
// Threads: Record and every reading call may come from any thread (one lock; an entry costs one
// copy of its frame, so recording adds next to nothing to the receive path, which records per
// frame, not per byte).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CConversation {
public:
    static constexpr std::size_t kMaxEntries = 10000;

    // Sent and Received are frames on the line; NoAnswer marks the end of an exchange's window
    // without the reply its request waited for (the entry holds that request).
    enum class Direction { Sent, Received, NoAnswer };
    struct Entry {
        std::uint64_t seq = 0;
        double ms = 0; // since the port was opened
        int com = 0;
        Direction direction = Direction::Sent;
        std::vector<std::uint8_t> bytes;
        std::string
            verdict;      // replies: taken, wrong checksum, other address ...; requests: a failure
        std::string what; // what the frame was to the console: "search probe", "read-back item 3"
    };

    // Recording is off until something wants it (the window, the frame log).
    void Enable(bool on) { m_enabled.store(on); }
    // Callers may skip preparing an entry when this is false (no lock taken).
    bool Enabled() const { return m_enabled.load(std::memory_order_relaxed); }
    // The window's Pause: no entries are taken while paused (the frame log still gets every one).
    void SetPaused(bool paused);
    bool Paused() const;

    // A port opened: later entries count their time from now.
    void PortOpened(int com);
    void Record(Direction direction, const std::uint8_t* bytes, std::size_t count,
                const std::string& verdict, const std::string& what = std::string());

    void Clear();
    std::size_t Size() const;
    // The entries numbered from seq on (all that are still kept), and the number after the last.
    std::vector<Entry> Since(std::uint64_t seq, std::uint64_t& next) const;
    // Bumped by Clear, so a reader knows to start again.
    std::uint64_t Generation() const;

    // Every frame as it is recorded, as a frame log line (the console's --log FILE); the frame log
    // holds frames only, so NoAnswer entries are not written to it.
    void SetLogSink(std::function<void(const std::string&)> sink);

    // One line of the window: time (ms), COM number, direction, command word and its name,
    // device address, what the frame was and its verdict, payload in hex. HeaderLine names the
    // columns in the same widths.
    static std::string ViewLine(const Entry& e);
    static std::string HeaderLine();
    // One line of the frame log (the same as sgctl's --log), the COM number, what the frame was
    // and the verdict in its note; "" for a NoAnswer entry.
    static std::string LogLine(const Entry& e);

private:
    using Clock = std::chrono::steady_clock;

    mutable std::mutex m_lock;
    std::atomic<bool> m_enabled{false};
    bool m_paused = false;
    int m_com = 0;
    Clock::time_point m_opened = Clock::now();
    std::deque<Entry> m_entries;
    std::uint64_t m_nextSeq = 0;
    std::uint64_t m_generation = 0;
    std::function<void(const std::string&)> m_sink;
};
