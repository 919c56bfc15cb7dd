// The application object on the Win32 message loop: the message routing every loop of the layer
// shares (key pre-translation, then the dialog manager), the wake-up that lets the UI thread serve
// messages sent from other threads, and the process-wide services (sleep, common file dialog,
// event pumping, owner-less message boxes).
#include "platform/ui/application.h"
#include "platform/ui/win32/win32_backend.h"

#include <commdlg.h>

#include <algorithm>
#include <mutex>

namespace ui::win32 {

namespace {

const wchar_t kWakeClass[] = L"KestrelonWake";
const UINT kWakeMessage = WM_APP + 0x4b3;

std::mutex g_wakeMutex;
HWND g_wakeWindow = nullptr; // guarded by g_wakeMutex
// COM serves the accessibility annotations of the dialogs (and the common file dialog).
bool g_comStarted = false;

LRESULT CALLBACK WakeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWakeMessage) {
        ServePendingDeliveries();
        ServePostedMessages();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// Offers a key press to PreTranslateMessage of every dialog it passes through, innermost first.
// True when one of them swallowed it.
bool PreTranslateKey(const MSG& msg) {
    Msg m{WM_KEYDOWN, static_cast<WPARAM>(msg.wParam), static_cast<LPARAM>(msg.lParam)};
    for (HWND w = msg.hwnd; w; w = ::GetParent(w)) {
        if (Win32DialogBackend* b = BackendOfRoot(w)) {
            if (b->Owner().PreTranslateMessage(m)) {
                return true;
            }
        }
        if (!(::GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) {
            break; // the owner of a top-level window is no parent
        }
    }
    return false;
}

} // namespace

void RouteMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.hwnd && PreTranslateKey(msg)) {
        return;
    }
    // Tab, arrows, Enter and Escape work as in any dialog: the dialog manager of the top-level
    // dialog (its pages are control parents inside it) gets the message next.
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && BackendOfRoot(top) && ::IsDialogMessageW(top, &msg)) {
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        RouteMessage(msg);
    }
}

} // namespace ui::win32

namespace ui {

using namespace ui::win32;

Application::Application(int&, char**) {
    g_comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WakeProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kWakeClass;
    ::RegisterClassExW(&wc);
    {
        std::lock_guard<std::mutex> lock(g_wakeMutex);
        // A message-only window: it is served by every message loop of the thread, the modal
        // loops of message boxes and the file dialog included.
        g_wakeWindow = ::CreateWindowExW(0, kWakeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         wc.hInstance, nullptr);
    }
    RegisterUiThread(true);
}

Application::~Application() {
    RegisterUiThread(false);
    HWND wake;
    {
        std::lock_guard<std::mutex> lock(g_wakeMutex);
        wake = g_wakeWindow;
        g_wakeWindow = nullptr;
    }
    if (wake) {
        ::DestroyWindow(wake);
    }
    ::UnregisterClassW(kWakeClass, ::GetModuleHandleW(nullptr));
    if (g_comStarted) {
        ::CoUninitialize();
        g_comStarted = false;
    }
}

// Posted, not sent: the worker then waits in the delivery queue, which the UI thread also serves
// from its own wait loops; a sent wake-up would keep the worker blocked until the UI thread next
// pumps messages, and a UI thread joining that worker never would.
void BackendWakeUiThread() {
    std::lock_guard<std::mutex> lock(g_wakeMutex);
    if (g_wakeWindow) {
        ::PostMessageW(g_wakeWindow, kWakeMessage, 0, 0);
    }
}

void BackendSleep(int milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

namespace {

// The common file dialog, to open a file or to save one (offering name, asking before it
// replaces a file). The working directory stays where it was: relative paths elsewhere keep
// their meaning.
bool RunFileDialog(Dialog* owner, const std::string& filter, const std::string& initialDir,
                   const std::string& name, bool save, std::string& path) {
    HWND ownerWindow = nullptr;
    if (owner && owner->Backend()) {
        HWND root = static_cast<Win32DialogBackend*>(owner->Backend())->Root();
        ownerWindow = root ? ::GetAncestor(root, GA_ROOT) : nullptr;
    }
    const std::wstring filterW = ConvertFilter(filter);
    const std::wstring dirW = Wide(initialDir);
    std::wstring file(32768, L'\0');
    const std::wstring nameW = Wide(name);
    std::copy(nameW.begin(), nameW.begin() + std::min(nameW.size(), file.size() - 1), file.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = ownerWindow;
    ofn.lpstrFilter = filterW.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = &file[0];
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = dirW.empty() ? nullptr : dirW.c_str();
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn))) {
        return false;
    }
    path = Utf8(std::wstring(file.c_str()));
    return true;
}

} // namespace

bool BackendOpenFile(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     std::string& path) {
    return RunFileDialog(owner, filter, initialDir, std::string(), false, path);
}

bool BackendSaveFile(Dialog* owner, const std::string& filter, const std::string& initialDir,
                     const std::string& name, std::string& path) {
    return RunFileDialog(owner, filter, initialDir, name, true, path);
}

void BackendProcessEvents(int milliseconds) {
    if (milliseconds <= 0) {
        PumpPending();
        return;
    }
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        PumpPending();
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end) {
            return;
        }
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    }
}

void BackendAppMessageBox(const std::string& text) {
    ::MessageBoxW(nullptr, Wide(text).c_str(), L"Kestrelon", MB_OK | MB_ICONEXCLAMATION);
}

std::string NoDisplayReason() {
    return std::string(); // a Windows session always has a desktop
}

void WriteToTerminal(const std::string& text, bool error) {
    // A windowed program has no console of its own: it writes to the console of the command line
    // that started it, or to where that command line redirected its output. Started with no
    // command line behind it (the Run box, a shortcut), it shows the text in a message box.
    const DWORD which = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
            ::MessageBoxW(nullptr, Wide(text).c_str(), L"Kestrelon",
                          MB_OK | (error ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
            return;
        }
        handle = ::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
    }
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace ui
