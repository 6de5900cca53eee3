// The shared services every part of the program calls: the wait cursor and the message boxes.
// Status text goes through the notification tables (base/notify.h), since the shell draws it.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "common/file_replace.h"  // SystemErrorText

// Nested calls keep the hourglass until the last one ends.
void SetWaitCursor(int on);
// Test seam: how many SetWaitCursor(1) calls are still open.
uint16_t WaitCursorDepth();
// The wait cursor for the life of a scope, given back on every way out.
class CWaitCursor {
public:
    CWaitCursor() { SetWaitCursor(1); }
    ~CWaitCursor() { SetWaitCursor(0); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
// The string-table entry as a format; the caption is the program's title (string 18).
int MessageBoxFromStringTable(HWND ignored, UINT style, UINT id, ...);
// Reports why an operation on the selection could not run.
void ShowSelectionError(HWND hwnd, uint32_t code, const char* arg);
// Whether Escape is held down now. Wine takes in keyboard input only when a thread asks about its
// queue, so a loop that pumps no messages would otherwise never see the key go down.
bool IsEscapeKeyDown();
// A font's size in points to device units: MulDiv(points, LOGPIXELSY, kPointsPerInch).
constexpr int kPointsPerInch = 72;
// A font made on a device context with its line height and average character width there;
// null when the font cannot be made.
HFONT CreateMeasuredFont(HDC dc, const LOGFONTA* lf, int32_t* lineHeight, int32_t* charWidth);
// The key-marker accelerators (F2-F9, F11, F12 to commands 392-401), loaded once for the whole
// process by the first marker manager; the loop translates them for the active graph window.
void LoadMarkerAccelerators();
// Decodes WM_MENUSELECT (frame and graph windows alike) into the menu help.
void OnMenuSelectMessage(WPARAM wParam, LPARAM lParam);
