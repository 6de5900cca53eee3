// Placement of the library's popup windows, kept in their owner's client coordinates.
#include "devlib/services/popup_place.h"

#include "devlib/vk40.h"

namespace {

constexpr double kStandOutShare = 0.9;  // a popup this far off the desktop is brought back

bool g_positioningPopup = false;  // PlaceChildWindow ignores the moves PositionPopup makes

// Brings a span that stands out of [low, high) by 90% or more of its size fully back.
int32_t KeepOnDesktop(int32_t at, int32_t size, int32_t low, int32_t high) {
    const double limit = kStandOutShare * size;
    if (low - at >= limit) return low;
    if (at + size - high >= limit) return high - size;
    return at;
}

// Converts between the owner's client coordinates and the screen (or a child's parent).
void OwnerToScreen(HWND window, POINT* p) {
    if (HWND owner = GetParent(window)) ClientToScreen(owner, p);
}

void ScreenToOwner(HWND window, POINT* p) {
    if (HWND owner = GetParent(window)) ScreenToClient(owner, p);
}

}  // namespace

// Shows a popup at its stored place (owner client coordinates); a rectangle without size keeps
// the window's own size.
void PositionPopup(HWND window, RECT* rect, int32_t useShow, int32_t show) {
    if (!window || !rect) return;
    g_positioningPopup = true;
    const bool wasVisible = IsWindowVisible(window) != FALSE;
    ShowWindow(window, SW_HIDE);
    RECT current;
    GetWindowRect(window, &current);
    int32_t width = rect->right - rect->left;
    int32_t height = rect->bottom - rect->top;
    if (IsRectEmpty(rect)) {
        width = current.right - current.left;
        height = current.bottom - current.top;
    }
    POINT at = {rect->left, rect->top};
    OwnerToScreen(window, &at);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    at.x = KeepOnDesktop(at.x, width, desktop.left, desktop.right);
    at.y = KeepOnDesktop(at.y, height, desktop.top, desktop.bottom);
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ScreenToOwner(window, &at);
    MoveWindow(window, at.x, at.y, width, height, TRUE);
    if (useShow)
        ShowWindow(window, show);
    else if (wasVisible)
        ShowWindow(window, SW_SHOW);
    g_positioningPopup = false;
}

// On WM_MOVE: the window's outer rectangle in its owner's client coordinates, found from the new
// client origin less the window's own frame (and caption).
void PlaceChildWindow(HWND window, RECT* rect, int32_t x, int32_t y) {
    if (g_positioningPopup || !window || !rect) return;
    RECT outer;
    GetWindowRect(window, &outer);
    POINT client = {0, 0};
    ClientToScreen(window, &client);
    POINT at = {x - (client.x - outer.left), y - (client.y - outer.top)};
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) ScreenToOwner(window, &at);
    rect->left = at.x;
    rect->top = at.y;
    rect->right = at.x + (outer.right - outer.left);
    rect->bottom = at.y + (outer.bottom - outer.top);
}

// On WM_SIZE: the stored rectangle takes the new client size plus the window's frame.
void ClampWindowToScreen(HWND window, RECT* rect, int32_t width, int32_t height) {
    if (!window || !rect) return;
    RECT outer;
    RECT inner;
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    rect->right = rect->left + width + (outer.right - outer.left) - inner.right;
    rect->bottom = rect->top + height + (outer.bottom - outer.top) - inner.bottom;
}

// ---- CVK40Fix ----

// Moves a window by offset across (0) or down, in its parent's client coordinates, keeping its size.
void CVK40Fix::MoveW(HWND window, int offset, MOVE_DIR direction) {
    if (!window) return;
    RECT r;
    GetWindowRect(window, &r);
    POINT at = {r.left, r.top};
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ScreenToOwner(window, &at);
    if (direction == MOVE_HORZ)
        at.x += offset;
    else
        at.y += offset;
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
