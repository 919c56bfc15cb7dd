// The application object over QApplication: key pre-translation for every dialog, the wake-up
// that lets the UI thread serve messages sent from other threads, and the process-wide services
// (sleep, file chooser, event pumping, owner-less message boxes).
#include "platform/ui/application.h"
#include "platform/ui/qt/qt_backend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace ui::qt {

namespace {

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 0x4b3);

// While a key is handed to one widget only, every other receiver on its way is skipped.
QWidget* g_keyOnlyTarget = nullptr;
// The key press being offered to PreTranslateMessage, so DispatchToFocus can forward it as is.
QKeyEvent* g_keyInFlight = nullptr;

bool IsKeyEvent(const QEvent* e) {
    return e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease ||
           e->type() == QEvent::ShortcutOverride;
}

class ConsoleApplication : public QApplication {
public:
    ConsoleApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    // notify runs once per key press for its first receiver, before the widget and its parents
    // see it; that is where the dialogs get their pre-translation.
    bool notify(QObject* receiver, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && !g_keyOnlyTarget && receiver->isWidgetType() &&
            PreTranslateKey(static_cast<QWidget*>(receiver), static_cast<QKeyEvent*>(e))) {
            return true;
        }
        return QApplication::notify(receiver, e);
    }
};

// Application-wide filter: keeps a key meant for one widget from travelling to its parents.
class KeyOnlyFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        return g_keyOnlyTarget && watched != g_keyOnlyTarget && IsKeyEvent(e);
    }
};

class Waker : public QObject {
protected:
    bool event(QEvent* e) override {
        if (e->type() == kWakeEvent) {
            ServePendingDeliveries();
            ServePostedMessages();
            return true;
        }
        return QObject::event(e);
    }
};

struct AppState {
    std::unique_ptr<ConsoleApplication> app; // null when the process made its own QApplication
    std::unique_ptr<KeyOnlyFilter> filter;
};
AppState* g_state = nullptr;

std::mutex g_wakeMutex;
Waker* g_waker = nullptr; // guarded by g_wakeMutex

} // namespace

WPARAM VirtualKeyOf(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        break;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return static_cast<WPARAM>(key); // same codes as the virtual keys
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return static_cast<WPARAM>(0x70 + (key - Qt::Key_F1));
    }
    if (key > 0 && key < 0x80) {
        return static_cast<WPARAM>(key);
    }
    return 0;
}

int QtKeyOf(WPARAM vk) {
    for (int key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Backspace, Qt::Key_Space,
                    Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Left,
                    Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Insert, Qt::Key_Delete}) {
        if (VirtualKeyOf(key) == vk) {
            return key;
        }
    }
    if (vk >= 0x70 && vk < 0x70 + 24) {
        return Qt::Key_F1 + static_cast<int>(vk - 0x70);
    }
    return static_cast<int>(vk);
}

bool PreTranslateKey(QWidget* w, QKeyEvent* e) {
    Msg msg{WM_KEYDOWN, VirtualKeyOf(e->key()), 0};
    QKeyEvent* outer = g_keyInFlight;
    g_keyInFlight = e;
    bool swallowed = false;
    for (QWidget* p = w; p && !swallowed; p = p->parentWidget()) {
        if (auto* tag = dynamic_cast<RootTag*>(p)) {
            swallowed = tag->Owner().PreTranslateMessage(msg);
        }
        if (p->isWindow()) {
            break; // the owner of a dialog is no parent: a modal box's keys stay its own
        }
    }
    g_keyInFlight = outer;
    return swallowed;
}

void SendKeyToWidgetOnly(QWidget* target, const Msg& msg) {
    if (!target || msg.message != WM_KEYDOWN) {
        return;
    }
    std::unique_ptr<QKeyEvent> ev;
    if (g_keyInFlight && VirtualKeyOf(g_keyInFlight->key()) == msg.wParam) {
        ev.reset(g_keyInFlight->clone());
    } else {
        const int key = QtKeyOf(msg.wParam);
        QString text;
        if (key == Qt::Key_Return) {
            text = QStringLiteral("\r");
        } else if (key == Qt::Key_Escape) {
            text = QString(QChar(0x1b));
        } else if (key >= 0x20 && key < 0x7f) {
            text = QString(QChar(key)).toLower();
        }
        ev = std::make_unique<QKeyEvent>(QEvent::KeyPress, key, Qt::NoModifier, text);
    }
    QWidget* outer = g_keyOnlyTarget;
    g_keyOnlyTarget = target;
    QCoreApplication::sendEvent(target, ev.get());
    g_keyOnlyTarget = outer;
}

} // namespace ui::qt

namespace ui {

using namespace ui::qt;

Application::Application(int& argc, char** argv) {
    g_state = new AppState;
    if (!QApplication::instance()) {
        g_state->app = std::make_unique<ConsoleApplication>(argc, argv);
        // Lets a desktop match the windows to the installed desktop entry and its icon.
        QGuiApplication::setDesktopFileName(QStringLiteral(KESTRELON_APP_ID));
    }
    g_state->filter = std::make_unique<KeyOnlyFilter>();
    QCoreApplication::instance()->installEventFilter(g_state->filter.get());
    {
        std::lock_guard<std::mutex> lock(g_wakeMutex);
        g_waker = new Waker;
    }
    RegisterUiThread(true);
}

Application::~Application() {
    RegisterUiThread(false);
    {
        std::lock_guard<std::mutex> lock(g_wakeMutex);
        delete g_waker;
        g_waker = nullptr;
    }
    if (QCoreApplication::instance()) {
        QCoreApplication::instance()->removeEventFilter(g_state->filter.get());
    }
    g_state->filter.reset();
    g_state->app.reset();
    delete g_state;
    g_state = nullptr;
}

void BackendWakeUiThread() {
    std::lock_guard<std::mutex> lock(g_wakeMutex);
    if (g_waker) {
        QCoreApplication::postEvent(g_waker, new QEvent(kWakeEvent), Qt::HighEventPriority);
    }
}

void BackendSleep(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool BackendOpenFile(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     std::string& path) {
    QWidget* parent = nullptr;
    if (owner && owner->Backend()) {
        parent = static_cast<QtDialogBackend*>(owner->Backend())->Root();
    }
    const QString chosen = QFileDialog::getOpenFileName(
        parent, QString(), QString::fromUtf8(initialDir.c_str()), ConvertFilter(filter));
    if (chosen.isEmpty()) {
        return false;
    }
    path = chosen.toUtf8().toStdString();
    return true;
}

bool BackendSaveFile(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     const std::string& name, std::string& path) {
    QWidget* parent = nullptr;
    if (owner && owner->Backend()) {
        parent = static_cast<QtDialogBackend*>(owner->Backend())->Root();
    }
    QString start = QString::fromUtf8(initialDir.c_str());
    if (!name.empty()) {
        start = (start.isEmpty() ? QString() : start + QLatin1Char('/')) +
                QString::fromUtf8(name.c_str());
    }
    // Replacing an existing file is confirmed by the dialog itself.
    const QString chosen =
        QFileDialog::getSaveFileName(parent, QString(), start, ConvertFilter(filter));
    if (chosen.isEmpty()) {
        return false;
    }
    path = chosen.toUtf8().toStdString();
    return true;
}

void BackendProcessEvents(int milliseconds) {
    if (!QCoreApplication::instance()) {
        return;
    }
    if (milliseconds <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void BackendAppMessageBox(const std::string& text) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "Kestrelon: %s\n", text.c_str());
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestrelon"),
                    QString::fromUtf8(text.c_str()), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::string NoDisplayReason() {
    // Qt ends the process when its platform cannot connect to a display: ask first, from the
    // same settings it would use.
    auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    const std::string platform = env("QT_QPA_PLATFORM");
    const bool x11 = !env("DISPLAY").empty();
    const bool wayland = !env("WAYLAND_DISPLAY").empty();
    if (platform.rfind("xcb", 0) == 0 && !x11)
        return "QT_QPA_PLATFORM asks for X11, but DISPLAY is not set";
    if (platform.rfind("wayland", 0) == 0 && !wayland)
        return "QT_QPA_PLATFORM asks for Wayland, but WAYLAND_DISPLAY is not set";
    if (platform.empty() && !x11 && !wayland)
        return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    return std::string();
}

void WriteToTerminal(const std::string& text, bool error) {
    std::FILE* out = error ? stderr : stdout;
    std::fputs(text.c_str(), out);
    std::fflush(out);
}

} // namespace ui
