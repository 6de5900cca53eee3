// Measures each control's text with the control's own font against the room the control gives
// it, as the system's static and button controls draw them.
#include "controls/tests/text_fit.h"
#include "controls/tests/render_test_support.h"
#include <commctrl.h>
#include <cstring>

namespace {

constexpr int kCheckMarkRoom = 13 + 4;  // the box of a check box or radio button and the gap after it
constexpr int kButtonEdges = 6;         // a push button's 3-D edges and the room its focus frame needs
constexpr int kGroupTextRoom = 16;      // where a group box's caption starts and the line it cuts
constexpr int kGroupMargin = 3;         // between a group box's lines and what stands in it

std::string ClassOf(HWND w) {
    char name[64] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

std::string TextOf(HWND w) {
    char text[512] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

bool Shown(HWND w) { return (GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE) != 0; }

RECT RectIn(HWND w, HWND parent) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Name(HWND w) {
    return ClassOf(w) + " " + std::to_string(GetDlgCtrlID(w)) + " \"" + TextOf(w) + "\"";
}

// The text's size in the control's font: one line, or wrapped to the given width.
SIZE Measure(HWND w, const std::string& text, UINT flags, int wrapWidth) {
    HDC dc = GetDC(w);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    DrawTextA(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    if (old) SelectObject(dc, old);
    ReleaseDC(w, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void CheckStatic(HWND w, std::vector<std::string>* out) {
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    const LONG type = style & SS_TYPEMASK;
    const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    if (!wraps && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) return;  // pictures, frames, lines
    const std::string text = TextOf(w);
    if (text.empty()) return;
    RECT client{};
    GetClientRect(w, &client);
    const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    if (wraps) {
        const SIZE s = Measure(w, text, DT_WORDBREAK | DT_EXPANDTABS | prefix, client.right);
        if (s.cx > client.right || s.cy > client.bottom) {
            const SIZE line = Measure(w, text, DT_SINGLELINE | DT_EXPANDTABS | prefix, 0);
            out->push_back(Name(w) + " needs " + std::to_string(line.cx) + " x " + std::to_string(line.cy) +
                           " on one line (wrapped " + std::to_string(s.cx) + " x " + std::to_string(s.cy) + "), has " +
                           std::to_string(client.right) + " x " + std::to_string(client.bottom));
        }
    } else {
        const SIZE s = Measure(w, text, DT_SINGLELINE | DT_EXPANDTABS | prefix, 0);
        if (s.cx > client.right)
            out->push_back(Name(w) + " needs " + std::to_string(s.cx) + " pixels, has " + std::to_string(client.right));
    }
}

void CheckButton(HWND w, std::vector<std::string>* out) {
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    const LONG type = style & BS_TYPEMASK;
    if (style & (BS_BITMAP | BS_ICON)) return;
    const std::string text = TextOf(w);
    if (text.empty() || type == BS_OWNERDRAW) return;
    RECT client{};
    GetClientRect(w, &client);
    int room = client.right;
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: room -= kCheckMarkRoom; break;
    case BS_GROUPBOX: room -= kGroupTextRoom; break;
    default: room -= kButtonEdges; break;
    }
    if (style & BS_MULTILINE) {
        const SIZE s = Measure(w, text, DT_WORDBREAK, room);
        if (s.cx > room || s.cy > client.bottom)
            out->push_back(Name(w) + " needs " + std::to_string(s.cx) + " x " + std::to_string(s.cy) + ", has " +
                           std::to_string(room) + " x " + std::to_string(client.bottom));
        return;
    }
    const SIZE s = Measure(w, text, DT_SINGLELINE, 0);
    if (s.cx > room) out->push_back(Name(w) + " needs " + std::to_string(s.cx) + " pixels, has " + std::to_string(room));
}

// A report list's header items: each text whole between the header's margins.
void CheckListHeader(HWND w, std::vector<std::string>* out) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(w, LVM_GETHEADER, 0, 0));
    if (!header || (GetWindowLongA(w, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT) return;
    const int margin = static_cast<int>(SendMessageA(header, HDM_GETBITMAPMARGIN, 0, 0));
    const int n = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[256] = "";
        HDITEMA item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        if (!SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)) || !text[0]) continue;
        const SIZE s = Measure(header, text, DT_SINGLELINE | DT_NOPREFIX, 0);
        if (s.cx + 2 * margin > item.cxy)
            out->push_back(Name(w) + " column " + std::to_string(i) + " \"" + text + "\" needs " +
                           std::to_string(s.cx + 2 * margin) + " pixels, has " + std::to_string(item.cxy));
    }
}

bool IsGroupBox(HWND w) {
    return ClassOf(w) == "Button" && (GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT i{};
    return IntersectRect(&i, &a, &b) != FALSE;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// A control that overlaps a group box or a tab control must lie within its frame, clear of the
// frame's lines.
void CheckEdges(HWND dlg, const std::vector<HWND>& shown, std::vector<std::string>* out) {
    RECT client{};
    GetClientRect(dlg, &client);
    for (HWND c : shown) {
        const RECT r = RectIn(c, dlg);
        if (!Inside(r, client)) out->push_back(Name(c) + " reaches out of the window");
    }
    for (HWND frame : shown) {
        const bool group = IsGroupBox(frame), tab = ClassOf(frame) == WC_TABCONTROLA;
        if (!group && !tab) continue;
        RECT inner = RectIn(frame, dlg);
        if (tab) {
            // A sheet's pages lie on the tab; its own buttons must keep off it.
            for (HWND c : shown) {
                if (c == frame || ClassOf(c) == "#32770") continue;
                if (Overlap(RectIn(c, dlg), inner)) out->push_back(Name(c) + " lies over the tab control");
            }
            continue;
        }
        // Clear of the frame's lines by a few pixels, or the control seems to sit on them.
        inner.left += kGroupMargin;
        inner.right -= kGroupMargin;
        inner.bottom -= kGroupMargin;
        inner.top += 1;
        for (HWND c : shown) {
            if (c == frame || IsGroupBox(c)) continue;
            const RECT r = RectIn(c, dlg);
            if (Overlap(r, RectIn(frame, dlg)) && !Inside(r, inner))
                out->push_back(Name(c) + " crosses the edge of group " + Name(frame));
        }
    }
}

}  // namespace

std::vector<std::string> ControlTextProblems(HWND control) {
    std::vector<std::string> out;
    const std::string cls = ClassOf(control);
    if (cls == "Static") CheckStatic(control, &out);
    else if (cls == "Button") CheckButton(control, &out);
    else if (cls == WC_LISTVIEWA) CheckListHeader(control, &out);
    return out;
}

std::vector<std::string> TextFitProblems(HWND dlg) {
    std::vector<std::string> out;
    std::vector<HWND> shown;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (Shown(c)) shown.push_back(c);
    for (HWND c : shown) {
        if (ClassOf(c) == "#32770") {
            for (const std::string& p : TextFitProblems(c)) out.push_back(TextOf(c) + " page: " + p);
            continue;
        }
        for (const std::string& p : ControlTextProblems(c)) out.push_back(p);
    }
    CheckEdges(dlg, shown, &out);
    return out;
}

std::string JoinedProblems(const std::vector<std::string>& problems) {
    std::string all;
    for (const std::string& p : problems) all += p + "\n";
    return all;
}

void SaveWindowPicture(HWND window, const char* name) {
    UpdateWindow(window);
    RECT r{};
    GetWindowRect(window, &r);
    CDibSurface copy(r.right - r.left, r.bottom - r.top);
    if (!copy.Ok()) return;
    HDC dc = GetWindowDC(window);
    BitBlt(copy.Dc(), 0, 0, copy.Width(), copy.Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    SaveArtefact(copy, name);
}
