#include "dialog/win32_host.h"

#include "platform/ui/win32/win32_backend.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>

namespace win32host {

namespace {

ui::win32::Win32DialogBackend& BackendOf(const ui::Dialog& d) {
    return *static_cast<ui::win32::Win32DialogBackend*>(d.Backend());
}

ui::Rect R(const RECT& r) {
    return ui::Rect{r.left, r.top, r.right, r.bottom};
}

// A window's rectangle, or its client area, in the coordinates of another window's client area.
RECT RectIn(HWND w, HWND parent, bool client = false) {
    RECT r{};
    if (client) {
        ::GetClientRect(w, &r);
        ::MapWindowPoints(w, parent, reinterpret_cast<POINT*>(&r), 2);
    } else {
        ::GetWindowRect(w, &r);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

std::wstring TextOf(HWND w) {
    wchar_t text[512] = {};
    ::GetWindowTextW(w, text, 512);
    return text;
}

// Measures texts in one window's font.
class Measure {
public:
    explicit Measure(HWND w) : m_w(w), m_dc(::GetDC(w)) {
        m_old = ::SelectObject(m_dc, reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0)));
        ::GetTextMetricsW(m_dc, &m_tm);
    }
    ~Measure() {
        ::SelectObject(m_dc, m_old);
        ::ReleaseDC(m_w, m_dc);
    }
    const TEXTMETRICW& Metrics() const { return m_tm; }
    // The size text takes: on one line, or broken into lines of at most width pixels.
    SIZE Text(const std::wstring& text, int width = 0) const {
        RECT r{0, 0, width > 0 ? width : 100000, 0};
        const UINT flags = DT_CALCRECT | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE);
        ::DrawTextW(m_dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }

private:
    HWND m_w;
    HDC m_dc;
    HGDIOBJ m_old = nullptr;
    TEXTMETRICW m_tm{};
};

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

std::vector<layout::Item> LayoutItems(const ui::Dialog& dlg) {
    std::vector<layout::Item> items;
    HWND root = BackendOf(dlg).Root();
    const ui::DialogTemplate& tpl = dlg.Template();
    for (std::size_t i = 0; i < tpl.count; ++i) {
        const ui::ControlTemplate& c = tpl.controls[i];
        HWND w = BackendOf(dlg).ControlWindowAt(i);
        if (!w)
            continue;
        const std::string name = "#" + std::to_string(i) + " (id " + std::to_string(c.id) + ", \"" +
                                 std::string(c.caption).substr(0, 20) + "\")";
        layout::Item item = layout::Box(name, R(RectIn(w, root)));
        const RECT client = RectIn(w, root, true);
        const Measure m(w);
        const TEXTMETRICW& tm = m.Metrics();
        const std::wstring text = TextOf(w);
        const LONG style = ::GetWindowLongW(w, GWL_STYLE);
        switch (c.kind) {
        case ui::ControlKind::Static:
            if (!text.empty()) {
                const bool oneLine = (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP;
                const SIZE need = m.Text(text, oneLine ? 0 : client.right - client.left);
                item.captions.push_back({"text", need.cx, need.cy, R(client)});
            }
            break;
        case ui::ControlKind::PushButton:
        case ui::ControlKind::DefPushButton: {
            // Inside the button's raised edge and the focus rectangle.
            const int edge = ::GetSystemMetrics(SM_CXEDGE) + 1;
            const SIZE need = m.Text(text);
            const RECT room{client.left + edge, client.top + edge, client.right - edge,
                            client.bottom - edge};
            item.captions.push_back({"caption", need.cx, need.cy, R(room)});
            break;
        }
        case ui::ControlKind::RadioButton:
        case ui::ControlKind::CheckBox: {
            // The caption follows the check mark and a gap of a few pixels.
            const int mark = ::GetSystemMetrics(SM_CXMENUCHECK);
            const SIZE need = m.Text(text);
            const RECT room{client.left + mark + 4, client.top, client.right, client.bottom};
            item.captions.push_back({"caption", need.cx, need.cy, R(room)});
            item.captions.push_back(
                {"indicator", mark, ::GetSystemMetrics(SM_CYMENUCHECK), R(client)});
            break;
        }
        case ui::ControlKind::GroupBox: {
            // The title starts about a character in; the frame's top line runs through it.
            const SIZE need = m.Text(text);
            const RECT& g = client;
            item.groupBox = true;
            item.inside =
                ui::Rect{g.left + 1, g.top + tm.tmHeight / 2 + 1, g.right - 1, g.bottom - 1};
            if (!text.empty()) {
                const int x = tm.tmAveCharWidth;
                item.captions.push_back({"title", need.cx, need.cy,
                                         ui::Rect{g.left + x, g.top, g.right - 2, g.bottom}});
                items.push_back(item);
                // The title's letters above the baseline, which no other control may cover.
                items.push_back(layout::Box(name + " title",
                                            ui::Rect{g.left + x, g.top + tm.tmInternalLeading,
                                                     g.left + x + need.cx, g.top + tm.tmAscent},
                                            static_cast<int>(items.size() - 1)));
                continue;
            }
            break;
        }
        case ui::ControlKind::Edit:
            if (!(style & ES_MULTILINE)) // a line of text within the client edge
                item.captions.push_back({"line", 0, tm.tmHeight, R(client)});
            break;
        default:
            break;
        }
        items.push_back(item);
    }
    return items;
}

std::vector<layout::Item> TabLayoutItems(const ui::Dialog& dlg, int id) {
    std::vector<layout::Item> items;
    HWND tab = BackendOf(dlg).ControlWindow(id);
    const Measure m(tab);
    const int count = static_cast<int>(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        ::SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        const std::string label = dlg.TabGetItemText(id, i);
        layout::Item item = layout::Box("tab \"" + label + "\"", R(r));
        const SIZE need = m.Text(ui::win32::Wide(label));
        item.captions.push_back({"label", need.cx, need.cy, R(r)});
        items.push_back(item);
    }
    return items;
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
