// The MDI frame window.
#pragma once
#include <windows.h>

LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int MayCloseFrame();
int OpenDroppedFile(const char* path);
void OnFrameSysColorChange();
void ApplyToolbarChoice(bool show);
int StatusStripHeight();
