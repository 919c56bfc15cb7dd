// Simulated operator input for tests on the Win32 backend: key presses are posted to the focused
// window and go through the same routing as the message loop's (pre-translation, dialog manager,
// translation to characters); clicks are the controls' own click messages, so the same
// notifications reach the handlers as for a person at the screen.
#include "platform/ui/test_hooks.h"
#include "platform/ui/win32/win32_backend.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace ui::test {

using ui::win32::Win32DialogBackend;

namespace {

Win32DialogBackend* BackendOf(const Dialog& dlg) {
    return static_cast<Win32DialogBackend*>(dlg.Backend());
}

// The control's window when the operator could reach it: present, shown within its dialog window
// and enabled.
HWND Reachable(const Dialog& dlg, int id) {
    Win32DialogBackend* b = BackendOf(dlg);
    HWND w = b ? b->ControlWindow(id) : nullptr;
    if (!w || !::IsWindowEnabled(w)) {
        return nullptr;
    }
    for (HWND p = w; p && (::GetWindowLongW(p, GWL_STYLE) & WS_CHILD); p = ::GetParent(p)) {
        if (!(::GetWindowLongW(p, GWL_STYLE) & WS_VISIBLE)) {
            return nullptr;
        }
    }
    return w;
}

void ClickAt(HWND w, int x, int y) {
    const LPARAM pos = MAKELPARAM(x, y);
    ::SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, pos);
    ::SendMessageW(w, WM_LBUTTONUP, 0, pos);
}

// Posts a key press and release to the focused window and routes them, with Shift held for the
// characters that need it.
void PressVirtualKey(HWND fallback, UINT vk, bool shift) {
    HWND target = ::GetFocus();
    if (!target) {
        target = fallback;
    }
    BYTE saved[256];
    ::GetKeyboardState(saved);
    if (shift) {
        BYTE state[256];
        std::copy(saved, saved + 256, state);
        state[VK_SHIFT] = 0x80;
        ::SetKeyboardState(state);
    }
    const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    ::PostMessageW(target, WM_KEYDOWN, vk, 1 | scan);
    ui::win32::PumpPending();
    ::PostMessageW(target, WM_KEYUP, vk, 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    ui::win32::PumpPending();
    if (shift) {
        ::SetKeyboardState(saved);
    }
}

} // namespace

bool Click(Dialog& dlg, int id) {
    HWND w = Reachable(dlg, id);
    if (!w) {
        return false;
    }
    const ControlKind kind = BackendOf(dlg)->KindOf(id);
    if (kind == ControlKind::PushButton || kind == ControlKind::DefPushButton ||
        kind == ControlKind::RadioButton || kind == ControlKind::CheckBox) {
        ::SendMessageW(w, BM_CLICK, 0, 0);
    } else {
        RECT r{};
        ::GetClientRect(w, &r);
        ClickAt(w, r.right / 2, r.bottom / 2);
    }
    ui::win32::PumpPending();
    return true;
}

bool ChooseComboItem(Dialog& dlg, int id, int index) {
    HWND w = Reachable(dlg, id);
    const ControlKind kind = w ? BackendOf(dlg)->KindOf(id) : ControlKind::PushButton;
    if (!w || (kind != ControlKind::ComboDropDown && kind != ControlKind::ComboDropList) ||
        index < 0 || index >= static_cast<int>(::SendMessageW(w, CB_GETCOUNT, 0, 0))) {
        return false;
    }
    // What picking from the open list does: the selection changes (reported when it is another
    // entry), then the pick is confirmed.
    const int old = static_cast<int>(::SendMessageW(w, CB_GETCURSEL, 0, 0));
    ::SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    HWND parent = ::GetParent(w);
    const WORD ctl = static_cast<WORD>(::GetDlgCtrlID(w));
    if (old != index) {
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(ctl, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(w));
    }
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(ctl, CBN_SELENDOK), reinterpret_cast<LPARAM>(w));
    ui::win32::PumpPending();
    return true;
}

bool ClickTab(Dialog& dlg, int id, int index) {
    HWND w = Reachable(dlg, id);
    if (!w || BackendOf(dlg)->KindOf(id) != ControlKind::Tab || index < 0 ||
        index >= static_cast<int>(::SendMessageW(w, TCM_GETITEMCOUNT, 0, 0))) {
        return false;
    }
    RECT r{};
    ::SendMessageW(w, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    ClickAt(w, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ui::win32::PumpPending();
    return true;
}

bool PressKey(Dialog& dlg, int id, unsigned long vk) {
    HWND w = Reachable(dlg, id);
    if (!w) {
        return false;
    }
    ::SetFocus(w);
    PressVirtualKey(w, static_cast<UINT>(vk), false);
    return true;
}

bool TypeText(Dialog& dlg, int id, const std::string& text) {
    HWND w = Reachable(dlg, id);
    if (!w) {
        return false;
    }
    ::SetFocus(w);
    const std::wstring t = ui::win32::Wide(text);
    for (size_t i = 0; i < t.size(); ++i) {
        const wchar_t c = t[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < t.size() && t[i + 1] == L'\n') {
                ++i;
            }
            PressVirtualKey(w, VK_RETURN, false);
            continue;
        }
        const SHORT key = ::VkKeyScanW(c);
        if (key == -1 || (key & 0x0600)) {
            // No plain key (or one with Ctrl or Alt) types it: the character alone.
            HWND target = ::GetFocus() ? ::GetFocus() : w;
            ::PostMessageW(target, WM_CHAR, c, 1);
            ui::win32::PumpPending();
            continue;
        }
        PressVirtualKey(w, static_cast<UINT>(key & 0xFF), (key & 0x0100) != 0);
    }
    return true;
}

bool ChooseSystemMenuItem(Dialog& dlg, const std::string& text) {
    Win32DialogBackend* b = BackendOf(dlg);
    if (!b || !b->Root() || b->IsPage()) {
        return false;
    }
    HMENU menu = ::GetSystemMenu(b->Root(), FALSE);
    const int n = menu ? ::GetMenuItemCount(menu) : 0;
    const std::wstring wanted = ui::win32::Wide(text);
    for (int i = 0; i < n; ++i) {
        wchar_t buf[256] = {};
        if (::GetMenuStringW(menu, static_cast<UINT>(i), buf, 255, MF_BYPOSITION) > 0 &&
            wanted == buf) {
            const UINT command = ::GetMenuItemID(menu, i);
            ::SendMessageW(b->Root(), WM_SYSCOMMAND, command, 0);
            ui::win32::PumpPending();
            return true;
        }
    }
    return false;
}

bool CloseWindow(Dialog& dlg) {
    Win32DialogBackend* b = BackendOf(dlg);
    if (!b || !b->Root() || b->IsPage()) {
        return false;
    }
    // The dialog manager answers the close box with Cancel, posted.
    ::SendMessageW(b->Root(), WM_CLOSE, 0, 0);
    ui::win32::PumpPending();
    return true;
}

namespace {

std::map<UINT_PTR, std::function<void()>> g_later;

void CALLBACK LaterProc(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    const auto it = g_later.find(id);
    if (it == g_later.end()) {
        return;
    }
    auto fn = std::move(it->second);
    g_later.erase(it);
    fn();
}

// The visible, enabled windows of this thread that some owner waits for: message boxes, nested
// dialogs, common dialogs. A modal window disables its owner.
std::vector<HWND> ModalWindows(HWND except) {
    struct Search {
        HWND except;
        std::vector<HWND> found;
    } search{except, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            HWND owner = ::GetWindow(w, GW_OWNER);
            if (w != s->except && owner && !::IsWindowEnabled(owner) && ::IsWindowVisible(w) &&
                ::IsWindowEnabled(w)) {
                s->found.push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Answerer {
    const Dialog* keep = nullptr;
    std::function<int()> pause;
    std::function<void(const std::string&)> seen;
    UINT_PTR poll = 0;
    std::vector<HWND> answering;
};
std::unique_ptr<Answerer> g_answerer;

void CALLBACK AnswerPoll(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_answerer) {
        return;
    }
    Win32DialogBackend* b = g_answerer->keep ? BackendOf(*g_answerer->keep) : nullptr;
    auto& answering = g_answerer->answering;
    answering.erase(
        std::remove_if(answering.begin(), answering.end(), [](HWND w) { return !::IsWindow(w); }),
        answering.end());
    for (HWND w : ModalWindows(b ? b->Root() : nullptr)) {
        if (std::find(answering.begin(), answering.end(), w) != answering.end()) {
            continue;
        }
        answering.push_back(w);
        if (g_answerer->seen) {
            wchar_t text[512] = {};
            if (::GetDlgItemTextW(w, 0xFFFF, text, 511) > 0) {
                g_answerer->seen("box: " + ui::win32::Utf8(std::wstring(text)));
            } else {
                ::GetWindowTextW(w, text, 511);
                g_answerer->seen("dialog: " + ui::win32::Utf8(std::wstring(text)));
            }
        }
        // The dialog manager answers a close like Cancel, and a box with only OK like OK.
        CallLater(std::max(0, g_answerer->pause()), [w] {
            if (::IsWindow(w)) {
                ::PostMessageW(w, WM_CLOSE, 0, 0);
            }
        });
    }
}

} // namespace

void CallLater(int milliseconds, std::function<void()> fn) {
    const UINT_PTR id =
        ::SetTimer(nullptr, 0, static_cast<UINT>(std::max(1, milliseconds)), LaterProc);
    if (id != 0) {
        g_later[id] = std::move(fn);
    }
}

void AnswerModalsAfter(const Dialog* keep, std::function<int()> pause,
                       std::function<void(const std::string&)> seen) {
    if (g_answerer) {
        ::KillTimer(nullptr, g_answerer->poll);
        g_answerer.reset();
    }
    if (!pause) {
        return;
    }
    g_answerer = std::make_unique<Answerer>();
    g_answerer->keep = keep;
    g_answerer->pause = std::move(pause);
    g_answerer->seen = std::move(seen);
    g_answerer->poll = ::SetTimer(nullptr, 0, 10, AnswerPoll);
}

bool ModalAbove(const Dialog& dlg) {
    Win32DialogBackend* b = BackendOf(dlg);
    return !ModalWindows(b ? b->Root() : nullptr).empty();
}

} // namespace ui::test
