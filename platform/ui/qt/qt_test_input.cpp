// Simulated operator input for tests: real mouse and key events sent to the widgets, so that the
// same signals, key pre-translation and notifications run as for a person at the screen.
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/test_hooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTabBar>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace ui::test {

using ui::qt::QtDialogBackend;

namespace {

QtDialogBackend* BackendOf(const Dialog& dlg) {
    return static_cast<QtDialogBackend*>(dlg.Backend());
}

// The control's widget when the operator could reach it: present, shown and enabled.
QWidget* Reachable(const Dialog& dlg, int id) {
    QtDialogBackend* b = BackendOf(dlg);
    QWidget* w = b ? b->ControlWidget(id) : nullptr;
    if (!w || !w->isEnabled() || !w->isVisibleTo(w->window())) {
        return nullptr;
    }
    return w;
}

void MouseClickAt(QWidget* w, const QPoint& pos) {
    const QPointF local(pos);
    const QPointF global(w->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// Sends a key press and release to the widget that has the focus in w's window.
void SendKey(QWidget* w, int key, const QString& text) {
    QWidget* target = w->window()->focusWidget();
    if (!target) {
        target = w;
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

} // namespace

bool Click(Dialog& dlg, int id) {
    QWidget* w = Reachable(dlg, id);
    if (!w) {
        return false;
    }
    QPoint pos = w->rect().center();
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        pos.setX(std::min(pos.x(), w->height() / 2)); // on the indicator, which always takes it
    }
    MouseClickAt(w, pos);
    return true;
}

bool ChooseComboItem(Dialog& dlg, int id, int index) {
    auto* cb = qobject_cast<QComboBox*>(Reachable(dlg, id));
    if (!cb || index < 0 || index >= cb->count()) {
        return false;
    }
    // What picking from the open list does: the selection changes, then the pick is confirmed.
    cb->setCurrentIndex(index);
    emit cb->activated(index);
    return true;
}

bool ClickTab(Dialog& dlg, int id, int index) {
    QWidget* w = Reachable(dlg, id);
    QTabBar* bar = w ? w->findChild<QTabBar*>() : nullptr;
    if (!bar || index < 0 || index >= bar->count()) {
        return false;
    }
    MouseClickAt(bar, bar->tabRect(index).center());
    return true;
}

bool PressKey(Dialog& dlg, int id, unsigned long vk) {
    QWidget* w = Reachable(dlg, id);
    if (!w) {
        return false;
    }
    w->setFocus(Qt::OtherFocusReason);
    const int key = ui::qt::QtKeyOf(vk);
    QString text;
    if (key == Qt::Key_Return) {
        text = QStringLiteral("\r");
    } else if (key == Qt::Key_Escape) {
        text = QString(QChar(0x1b));
    } else if (key >= 0x20 && key < 0x7f) {
        text = QString(QChar(key)).toLower();
    }
    SendKey(w, key, text);
    return true;
}

bool TypeText(Dialog& dlg, int id, const std::string& text) {
    QWidget* w = Reachable(dlg, id);
    if (!w) {
        return false;
    }
    w->setFocus(Qt::OtherFocusReason);
    const QString t = QString::fromUtf8(text.c_str());
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < t.size() && t[i + 1] == '\n') {
                ++i;
            }
            SendKey(w, Qt::Key_Return, QStringLiteral("\r"));
        } else {
            const QChar up = c.toUpper();
            const int key = up.unicode() < 0x80 ? int(up.unicode()) : int(Qt::Key_unknown);
            SendKey(w, key, QString(c));
        }
    }
    return true;
}

bool ChooseSystemMenuItem(Dialog& dlg, const std::string& text) {
    QtDialogBackend* b = BackendOf(dlg);
    QWidget* root = b ? b->Root() : nullptr;
    if (!root || !root->isWindow()) {
        return false;
    }
    bool chosen = false;
    int looks = 0;
    const QString wanted = QString::fromUtf8(text.c_str());
    // The menu runs its own event loop; the entry is picked from inside it, once the menu is on
    // screen (an entry of a menu not shown yet takes no click). The timer dies with this call,
    // so it never fires into a later menu; a menu that never shows its entry is closed.
    QTimer pick;
    QObject::connect(&pick, &QTimer::timeout, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        auto* menu = qobject_cast<QMenu*>(popup);
        if (!menu || !menu->isVisible()) {
            if (++looks > 500 && popup) {
                popup->close();
                pick.stop();
            }
            return;
        }
        pick.stop();
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator() && a->text() == wanted) {
                menu->setActiveAction(a);
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(menu, &enter);
                chosen = true;
                if (menu->isVisible())
                    menu->close();
                return;
            }
        }
        menu->close();
    });
    pick.start(1);
    const QPoint pos(2, 2);
    QContextMenuEvent e(QContextMenuEvent::Mouse, pos, root->mapToGlobal(pos));
    QApplication::sendEvent(root, &e);
    return chosen;
}

bool CloseWindow(Dialog& dlg) {
    QtDialogBackend* b = BackendOf(dlg);
    QWidget* root = b ? b->Root() : nullptr;
    if (!root || !root->isWindow()) {
        return false;
    }
    root->close();
    return true;
}

namespace {

// The modal windows on screen other than except, oldest first. (activeModalWidget() alone misses
// dialogs of the layer on the offscreen platform.)
std::vector<QWidget*> OpenModals(const QWidget* except) {
    std::vector<QWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != except && w->isVisible() && w->isModal())
            found.push_back(w);
    }
    return found;
}

const QWidget* RootWindow(const Dialog* dlg) {
    QtDialogBackend* b = dlg ? BackendOf(*dlg) : nullptr;
    return b && b->Root() ? b->Root()->window() : nullptr;
}

// Watches for modal windows and answers each one once, after its pause.
class ModalAnswerer : public QObject {
public:
    ModalAnswerer(const Dialog* keep, std::function<int()> pause,
                  std::function<void(const std::string&)> seen)
        : m_keep(keep), m_pause(std::move(pause)), m_seen(std::move(seen)) {
        connect(&m_poll, &QTimer::timeout, this, [this] { Look(); });
        m_poll.start(10);
    }

private:
    void Look() {
        m_answering.erase(std::remove(m_answering.begin(), m_answering.end(), nullptr),
                          m_answering.end());
        for (QWidget* top : OpenModals(RootWindow(m_keep))) {
            if (std::find(m_answering.begin(), m_answering.end(), top) == m_answering.end())
                Answer(top);
        }
    }

    void Answer(QWidget* top) {
        QPointer<QWidget> w(top);
        m_answering.push_back(w);
        if (m_seen) {
            auto* box = qobject_cast<QMessageBox*>(top);
            m_seen(box ? "box: " + box->text().toStdString()
                       : "dialog: " + top->windowTitle().toStdString());
        }
        QTimer::singleShot(std::max(0, m_pause()), this, [this, w] {
            if (!w)
                return;
            if (auto* box = qobject_cast<QMessageBox*>(w.data())) {
                if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                    ok->click();
                    return;
                }
            }
            if (auto* d = qobject_cast<QDialog*>(w.data()))
                d->reject();
            else
                w->close();
        });
    }

    const Dialog* m_keep;
    std::function<int()> m_pause;
    std::function<void(const std::string&)> m_seen;
    QTimer m_poll;
    std::vector<QPointer<QWidget>> m_answering; // scheduled, not yet answered
};

std::unique_ptr<ModalAnswerer> g_answerer;

} // namespace

void CallLater(int milliseconds, std::function<void()> fn) {
    QTimer::singleShot(std::max(0, milliseconds), QCoreApplication::instance(), std::move(fn));
}

void AnswerModalsAfter(const Dialog* keep, std::function<int()> pause,
                       std::function<void(const std::string&)> seen) {
    g_answerer.reset();
    if (pause)
        g_answerer = std::make_unique<ModalAnswerer>(keep, std::move(pause), std::move(seen));
}

bool ModalAbove(const Dialog& dlg) {
    return !OpenModals(RootWindow(&dlg)).empty();
}

} // namespace ui::test
