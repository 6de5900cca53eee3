// The graph toolbar strip across the top of the frame. Its buttons are not built yet: the strip
// stays empty and the button state code finds no button to update.
#include "graph/dialogs/toolbar.h"
#include "base/app.h"

static LRESULT CALLBACK ToolbarWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) return SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int RegisterToolbarClass(HINSTANCE inst) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ToolbarWndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = g_app->szClassNames[kClassToolbar];
    return RegisterClassA(&wc) != 0;
}
