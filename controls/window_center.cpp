// A window centred on the screen.
#include "controls/window_center.h"

void CenterWindowOnScreen(HWND hwnd) {
    RECT rc;
    if (!hwnd || !GetWindowRect(hwnd, &rc)) return;
    int left = (GetSystemMetrics(SM_CXSCREEN) - (rc.right - rc.left)) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - (rc.bottom - rc.top)) / 2;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
