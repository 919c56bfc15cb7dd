#include "dialog/win32_host.h"

#include "platform/ui/win32/win32_backend.h"

#include <oleacc.h>

namespace win32host {

namespace {

ui::win32::Win32DialogBackend& BackendOf(const ui::Dialog& d) {
    return *static_cast<ui::win32::Win32DialogBackend*>(d.Backend());
}

} // namespace

std::string ControlWindowText(const ui::Dialog& dlg, int id) {
    wchar_t text[128] = {};
    ::GetWindowTextW(BackendOf(dlg).ControlWindow(id), text, 128);
    return ui::win32::Utf8(text);
}

bool ReadAccessible(const ui::Dialog& dlg, int id, long& role, std::string& name) {
    IAccessible* acc = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(BackendOf(dlg).ControlWindow(id),
                                            static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&acc))) ||
        !acc) {
        return false;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT r{};
    BSTR n = nullptr;
    const bool ok = SUCCEEDED(acc->get_accRole(self, &r)) && r.vt == VT_I4 &&
                    SUCCEEDED(acc->get_accName(self, &n));
    if (ok) {
        role = r.lVal;
        name = n ? ui::win32::Utf8(n) : "";
    }
    ::SysFreeString(n);
    acc->Release();
    return ok;
}

void SendDpiChanged(const ui::Dialog& dlg, int dpi) {
    HWND root = BackendOf(dlg).Root();
    const int current = dlg.ScaleForDpi(96);
    RECT window{};
    ::GetWindowRect(root, &window);
    RECT suggested{window.left, window.top,
                   window.left + ::MulDiv(window.right - window.left, dpi, current),
                   window.top + ::MulDiv(window.bottom - window.top, dpi, current)};
    ::SendMessageW(root, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

} // namespace win32host
