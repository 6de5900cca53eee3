// Placement of the library's popup windows.
#pragma once

#include <windows.h>

#include <cstdint>

// Placement of the library's popups, kept in their owner's client coordinates.
void PositionPopup(HWND window, RECT* rect, int32_t useShow, int32_t show);
void PlaceChildWindow(HWND window, RECT* rect, int32_t x, int32_t y);
// Entry point kept for a later caller; only tests call it now.
void ClampWindowToScreen(HWND window, RECT* rect, int32_t width, int32_t height);
