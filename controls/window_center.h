// A window centred on the screen.
#pragma once
#include <windows.h>

// Centres the window on the primary screen, keeping it on screen at the top-left; size, z-order
// and activation stay as they are.
void CenterWindowOnScreen(HWND hwnd);
