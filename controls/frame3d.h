// The 3-D lines of the frame's status strip, its toolbar and the popup buttons, in the system's
// highlight and shadow colours.
#pragma once
#include <windows.h>

// A frame just outside the rectangle; sunken shadows the top and left edges.
void DrawFrame3D(HDC dc, const RECT* rc, int sunken);
// A raised frame, or with grey a plain grey edge on the top and left.
void DrawSunkenBox(HDC dc, const RECT* rc, int grey);
