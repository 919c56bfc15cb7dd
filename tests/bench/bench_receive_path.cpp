// Receive path benchmark: bytes written to a pseudo-terminal's master travel through the
// CSerialLink worker and the dialog layer's synchronous delivery to a handler on the UI thread
// of an offscreen QApplication, one message per byte. Beside it, in the same run, the same number
// of hand-offs through a plain Qt::BlockingQueuedConnection, and the dialog layer's delivery
// without the serial part.
//
//   bench_receive_path [bytes]      (default 200000, at least 100000 recommended)
#include "link/serial_link.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog.h"
#include "support/pty_peer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <poll.h>
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
    if (!link.Open(&sink, 1, 115200, 'N', 8, 1, EV_RXCHAR | EV_RXFLAG, 512) ||
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
    std::thread feeder([&] {
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(peer.Master(), data.data() + done,
                                      std::min<std::size_t>(4096, data.size() - done));
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return;
            } else {
                pollfd p{peer.Master(), POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    });
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
    return okPath && okDelivery && okQt ? 0 : 1;
}
