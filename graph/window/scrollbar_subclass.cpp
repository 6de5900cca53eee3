// The program-wide subclass of the scroll-bar class: scroll bars show no context menu, and a
// focused bar that moves redraws its focus.
#include "graph/window/graph_window.h"
#include "graph/document/graph_doc.h"
#include "base/app.h"

namespace {
WNDPROC g_oldScrollBarProc = nullptr;
HWND g_scrollBarProbe = nullptr;  // the hidden bar through which the class is reached

// A window of the class to reach it by: the probe, or a passing message-only one.
HWND MakeScrollBar(HWND parent, DWORD style) {
    return CreateWindowExA(0, "scrollbar", "", style, 0, 0, 0, 0, parent, nullptr, g_app ? g_app->hInstance : nullptr,
                           nullptr);
}
}  // namespace

LRESULT CALLBACK ScrollBarSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_WINDOWPOSCHANGED:
        // Taking the focus away and back makes the bar draw its focus at the new place.
        if (GetFocus() == hwnd) {
            SetFocus(nullptr);
            SetFocus(hwnd);
        }
        return 0;
    case WM_CONTEXTMENU: return 0;
    default: break;
    }
    return CallWindowProcA(g_oldScrollBarProc, hwnd, msg, wParam, lParam);
}

void SubclassScrollBarClass(int install) {
    if (install) {
        if (g_scrollBarProbe || !g_app || !g_app->hwndFrame) return;
        g_scrollBarProbe = MakeScrollBar(g_app->hwndFrame, WS_CHILD);
        if (!g_scrollBarProbe) return;
        auto previous = reinterpret_cast<WNDPROC>(
            SetClassLongPtrA(g_scrollBarProbe, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScrollBarSubclassProc)));
        // Installed twice without a removal in between, the first previous procedure stays.
        if (previous && previous != ScrollBarSubclassProc) g_oldScrollBarProc = previous;
        return;
    }
    if (!g_oldScrollBarProc) return;
    // The probe goes with the frame; without it a passing bar reaches the class.
    bool ownProbe = g_scrollBarProbe && IsWindow(g_scrollBarProbe);
    HWND bar = ownProbe ? g_scrollBarProbe : MakeScrollBar(HWND_MESSAGE, WS_CHILD);
    if (bar) {
        SetClassLongPtrA(bar, GCLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_oldScrollBarProc));
        DestroyWindow(bar);
    }
    g_scrollBarProbe = nullptr;
}
