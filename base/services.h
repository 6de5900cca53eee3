// The shared services every part of the program calls: the wait cursor and the message boxes.
// Status text goes through the notification table (base/notify.h), since the shell draws it.
#pragma once
#include <windows.h>
#include <cstdint>

// Nested calls keep the hourglass until the last one ends.
void SetWaitCursor(int on);
// The string-table entry as a format; the caption is the program's title (string 18).
int MessageBoxFromStringTable(HWND ignored, UINT style, UINT id, ...);
// Reports why an operation on the selection could not run.
void ShowSelectionError(HWND hwnd, uint32_t code, const char* arg);
