// Receive path benchmark: bytes written to a pseudo-terminal's master travel through the
// CSerialLink worker and the dialog layer's synchronous delivery to a handler on the UI thread
// of an offscreen QApplication, one message per byte. Beside it, in the same run, the same number
// of hand-offs through a plain Qt::BlockingQueuedConnection, and the dialog layer's delivery
// without the serial part. Then the console's own receive path, reply frames through the reply
// framing to their handler, without and with the conversation window open and recording.
//
//   bench_receive_path [bytes]      (default 200000, at least 100000 recommended)
#include "app/address_file.h"
#include "support/console_internals.h"
#include "app/console_dlg.h"
#include "app/conversation_dlg.h"
#include "link/command_words.h"
#include "link/serial_link.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog.h"
#include "platform/ui/test_hooks.h"
#include "support/pty_peer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const ui::DialogTemplate kSinkTemplate{9002,    "Bench", 60,    40,    "MS Shell Dlg", 8,
                                       nullptr, 0,       false, false, false};

// Counts delivered bytes on the UI thread and ends the event loop after the last one.
class CBenchSink : public ui::Dialog {
public:
    CBenchSink() : ui::Dialog(kSinkTemplate) {}

    ui::LRESULT OnRxChar(ui::WPARAM wParam, ui::LPARAM) {
        m_checksum += static_cast<unsigned>(wParam & 0xFF); // the byte, without its flags
        if (++m_count == m_expected && m_loop)
            m_loop->quit();
        return 0;
    }
    const ui::HandlerEntry* GetHandlerTable() const override {
        static const ui::HandlerEntry table[] = {
            UI_ON_MESSAGE(WM_LINK_RXCHAR, CBenchSink, OnRxChar),
            UI_END_HANDLERS,
        };
        return table;
    }

    std::size_t m_count = 0;
    std::size_t m_expected = 0;
    unsigned m_checksum = 0;
    QEventLoop* m_loop = nullptr;
};

// Writes the bytes to the pseudo-terminal's master as fast as the line takes them.
void WriteAll(int master, const std::vector<std::uint8_t>& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::write(master, data.data() + done, std::min<std::size_t>(4096, data.size() - done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{master, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

double UsPer(Clock::duration d, std::size_t n) {
    return std::chrono::duration<double, std::micro>(d).count() / static_cast<double>(n);
}

// Runs the UI thread's event loop until the sink has seen everything (or a minute has passed).
bool RunUntilDone(CBenchSink& sink, QEventLoop& loop) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(60000);
    sink.m_loop = &loop;
    if (sink.m_count < sink.m_expected)
        loop.exec();
    sink.m_loop = nullptr;
    return sink.m_count == sink.m_expected;
}

double MeasureReceivePath(std::size_t bytes, bool& ok) {
    testsupport::PortMap map;
    testsupport::PtyPeer peer(map, 1);
    CBenchSink sink;
    sink.m_expected = bytes;
    CSerialLink link;
    if (!link.Open(&sink, 1, 115200, 'N', 8, 1, serial::event::kRxChar | serial::event::kRxFlag,
                   512) ||
        !link.StartWorker()) {
        std::fprintf(stderr, "cannot open the pseudo-terminal as COM1\n");
        ok = false;
        return 0;
    }
    std::vector<std::uint8_t> data(bytes);
    unsigned expectedSum = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 31 + 7);
        expectedSum += data[i];
    }

    const Clock::time_point start = Clock::now();
    std::thread feeder([&] { WriteAll(peer.Master(), data); });
    QEventLoop loop;
    ok = RunUntilDone(sink, loop);
    const Clock::duration elapsed = Clock::now() - start;
    feeder.join();
    ok = ok && sink.m_checksum == expectedSum;
    link.RequestStop();
    return UsPer(elapsed, bytes);
}

// The dialog layer's delivery alone: a thread sends WM_LINK_RXCHAR to the sink n times.
double MeasureDeliveryOnly(std::size_t count, bool& ok) {
    CBenchSink sink;
    sink.m_expected = count;
    const Clock::time_point start = Clock::now();
    std::thread sender([&] {
        for (std::size_t i = 0; i < count; ++i)
            sink.SendMessage(WM_LINK_RXCHAR, i & 0xFF, 1);
    });
    QEventLoop loop;
    ok = RunUntilDone(sink, loop);
    const Clock::duration elapsed = Clock::now() - start;
    sender.join();
    return UsPer(elapsed, count);
}

// A plain Qt hand-off: a thread invokes a slot on the UI thread with BlockingQueuedConnection.
double MeasureBlockingQueued(std::size_t count, bool& ok) {
    QObject receiver;
    std::size_t handled = 0;
    unsigned sum = 0;
    QEventLoop loop;
    const Clock::time_point start = Clock::now();
    std::thread sender([&] {
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned byte = static_cast<unsigned>(i & 0xFF);
            QMetaObject::invokeMethod(
                &receiver,
                [&, byte] {
                    sum += byte;
                    if (++handled == count)
                        loop.quit();
                },
                Qt::BlockingQueuedConnection);
        }
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(60000);
    if (handled < count)
        loop.exec();
    const Clock::duration elapsed = Clock::now() - start;
    ok = handled == count;
    if (!ok) // release the sender if the guard fired
        while (handled < count)
            QCoreApplication::processEvents();
    sender.join();
    return UsPer(elapsed, count);
}

// Pattern replies (a light handler) written to the console's port as fast as the line takes
// them; the last one carries another pattern, so its arrival ends the run.
double ThreadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

struct ConsoleFigure {
    double wallUsPerByte = 0;
    double uiCpuUsPerByte = 0; // time the interface thread spent, which is where recording runs
};

ConsoleFigure MeasureConsolePath(CConsoleDlg& d, std::size_t frames, bool& ok) {
    testsupport::PortMap map;
    testsupport::PtyPeer peer(map, 1);
    if (!In(d).m_link.Open(&d, 1, 115200, 'N', 8, 1,
                           serial::event::kRxChar | serial::event::kRxFlag, 512) ||
        !In(d).m_link.StartWorker()) {
        std::fprintf(stderr, "cannot open the pseudo-terminal as COM1\n");
        ok = false;
        return {};
    }
    d.m_bPortOpen = 1;
    In(d).m_conversation.PortOpened(1);
    In(d).m_patternPage.m_nPattern = 0;
    std::vector<std::uint8_t> data;
    std::uint8_t reply[frame::kOverhead + 1];
    for (std::size_t i = 0; i < frames; ++i) {
        const std::uint8_t pattern = i + 1 == frames ? 7 : 3;
        const std::size_t n = frame::BuildReply(reply, {1, 1}, cmd::QueryPattern, &pattern, 1);
        data.insert(data.end(), reply, reply + n);
    }
    const Clock::time_point start = Clock::now();
    const double cpuStart = ThreadCpuUs();
    std::thread feeder([&] { WriteAll(peer.Master(), data); });
    const Clock::time_point limit = start + std::chrono::seconds(60);
    while (In(d).m_patternPage.m_nPattern != 7 && Clock::now() < limit)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    const Clock::duration elapsed = Clock::now() - start;
    const double cpu = ThreadCpuUs() - cpuStart;
    feeder.join();
    ok = In(d).m_patternPage.m_nPattern == 7;
    In(d).m_link.Close();
    d.m_bPortOpen = 0;
    return {UsPer(elapsed, data.size()), cpu / static_cast<double>(data.size())};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Wall time per byte: the best of the runs (the others were slowed by the scheduler, which on a
// small machine shares two cores among the feeder, the worker and the interface thread); the
// interface thread's CPU time per byte: the median.
struct Summary {
    double wall = 0, cpu = 0;
};
Summary Summarise(const std::vector<ConsoleFigure>& runs) {
    std::vector<double> wall, cpu;
    for (const ConsoleFigure& f : runs) {
        wall.push_back(f.wallUsPerByte);
        cpu.push_back(f.uiCpuUsPerByte);
    }
    return {*std::min_element(wall.begin(), wall.end()), Median(cpu)};
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::size_t bytes = 200000;
    if (argc > 1)
        bytes = static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10));
    if (bytes == 0) {
        std::fprintf(stderr, "usage: %s [bytes]\n", argv[0]);
        return 2;
    }
    int qtArgc = 1;
    ui::Application app(qtArgc, argv);

    bool okPath = false, okDelivery = false, okQt = false;
    const double path = MeasureReceivePath(bytes, okPath);
    const double delivery = MeasureDeliveryOnly(bytes, okDelivery);
    const double qt = MeasureBlockingQueued(bytes, okQt);

    std::printf("bytes: %zu\n", bytes);
    std::printf("receive path: %.2f us/byte%s\n", path, okPath ? "" : " (INCOMPLETE)");
    std::printf("dialog-layer delivery alone: %.2f us/message%s\n", delivery,
                okDelivery ? "" : " (INCOMPLETE)");
    std::printf("Qt::BlockingQueuedConnection hand-off: %.2f us/message%s\n", qt,
                okQt ? "" : " (INCOMPLETE)");
    std::printf("line time at 115200 baud: 86.81 us/byte\n");

    // The console: alternating runs without and with the conversation window, medians of each.
    testsupport::TempDir home;
    address_file::SetModuleFileNameForTesting(home.Path() + "/kestrelon");
    const std::size_t frames = std::max<std::size_t>(bytes / 11, 1000);
    std::vector<ConsoleFigure> plain, recordedOnly, recorded;
    bool okConsole = true;
    std::size_t lines = 0;
    CConsoleDlg console;
    ui::test::SetModalHandler([&](ui::Dialog& d) {
        if (&d != &console)
            return ui::IDOK;
        for (int round = 0; round < 9 && okConsole; ++round) {
            bool ok = false;
            plain.push_back(MeasureConsolePath(console, frames, ok));
            okConsole = okConsole && ok;
            In(console).m_conversation.Enable(true);
            recordedOnly.push_back(MeasureConsolePath(console, frames, ok));
            okConsole = okConsole && ok;
            console.ShowConversation();
            recorded.push_back(MeasureConsolePath(console, frames, ok));
            okConsole = okConsole && ok;
            ui::ProcessEvents(100); // the last refresh
            lines = In(console).m_conversation.Size();
            In(console).m_pConversationDlg->EndDialog(ui::IDCANCEL);
            In(console).m_conversation.Enable(false);
        }
        return ui::IDCANCEL;
    });
    console.DoModal();
    ui::test::SetModalHandler(nullptr);
    const Summary without = Summarise(plain), only = Summarise(recordedOnly),
                  with = Summarise(recorded);
    std::printf("console receive path, %zu reply frames of 11 bytes, %zu runs each (wall: best "
                "run; interface thread CPU: median):\n",
                frames, plain.size());
    auto row = [&](const char* what, const Summary& s) {
        std::printf(
            "  %-44s wall %.2f us/byte (%+.1f%%), interface thread %.2f us/byte (%+.1f%%)\n", what,
            s.wall, (s.wall / without.wall - 1) * 100, s.cpu, (s.cpu / without.cpu - 1) * 100);
    };
    row("without the conversation window:", without);
    row("recording, window closed:", only);
    const std::string open = "window open and recording (" + std::to_string(lines) + " lines):";
    row(open.c_str(), with);
    if (!okConsole)
        std::printf("  (INCOMPLETE)\n");
    return okPath && okDelivery && okQt && okConsole ? 0 : 1;
}
