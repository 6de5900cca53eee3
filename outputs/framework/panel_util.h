// Small helpers of the panels' controls.
#pragma once
#include <windows.h>

// The right edge (screen x) of a control of the dialog, 0 without it.
int ControlRight(HWND dlg, int id);
// The on/off switch's picture: 4 on, 5 off, 6 off and armed (waits for a recording).
constexpr int kFaceOn = 4;
constexpr int kFaceOff = 5;
constexpr int kFaceArmed = 6;
void SetSwitchFace(HWND dlg, int id, int face);
// Test seam: the face a switch shows.
int GetSwitchFace(HWND dlg, int id);
// The pulse pictures are icons of this size, drawn at it.
constexpr int kPanelIconWidth = 49;
constexpr int kPanelIconHeight = 18;
// Draws one of the program's pulse pictures with its top left at (x, y).
void DrawPanelIcon(HDC dc, int iconId, int x, int y);
// The number typed into an edit field (at most chars characters; unreadable text reads 0).
double ReadEditNumber(HWND dlg, int id, int chars);
// Formats a number into a control.
void SetControlNumber(HWND dlg, int id, const char* format, double value);
// Whether an edit field was changed since its modified mark was last cleared.
bool EditModified(HWND dlg, int id);
void ClearEditModified(HWND dlg, int id);
// Sets a scroll bar control's position (with redrawing).
void SetBarPos(HWND dlg, int id, int pos);
// Rounds to the nearest integer, halves away from zero.
long RoundToLong(double v);
// Makes an edit field leave on Tab (Shift+Tab back) and Enter, so that leaving commits it.
void SubclassField(HWND dlg, int id);
