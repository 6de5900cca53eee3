// What the graph window calls of the graph dialogs.
#pragma once
#include <windows.h>
#include <cstdint>

// Creates a font from the description, after the font dialog unless useGiven is set; returns the
// old font when the dialog is cancelled and 0 when no font could be made.
HFONT ChooseGraphFont(HWND owner, HFONT oldFont, int useGiven, LOGFONTA* lf, int32_t* charWidth, int32_t* lineHeight);
