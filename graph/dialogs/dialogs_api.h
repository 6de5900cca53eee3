// What the graph window calls of the graph dialogs.
#pragma once
#include <windows.h>
#include <cstdint>

// Creates a font from the description, after the font dialog unless useGiven is set; returns the
// old font when the dialog is cancelled and 0 when no font could be made.
HFONT ChooseGraphFont(HWND owner, HFONT oldFont, int useGiven, LOGFONTA* lf, int32_t* charWidth, int32_t* lineHeight);

struct tagGS;
// The scale and label dialogs a click or double-click in the graph window opens; each returns 1
// when OK was pressed. channel -1 means the selected channel; focusMidpoint and focusStart put the
// first focus in the second field (the caller passes whether Ctrl was held).
int32_t ChannelLabelDialog(HWND parent, tagGS* gs, int32_t channel, uint32_t isLabel);
int32_t VerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t focusMidpoint);
int32_t LockedVerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t focusMidpoint);
int32_t HorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart);
int32_t HorizontalScaleHmsDialog(HWND parent, tagGS* gs, int32_t focusStart);
int32_t XYHorizontalScaleDialog(HWND parent, tagGS* gs, int32_t focusStart);
int32_t LockedHorizontalScaleDialog(HWND parent, tagGS* gs);
int32_t LockedHorizontalScaleHmsDialog(HWND parent, tagGS* gs);
int32_t LockedXYHorizontalScaleDialog(HWND parent, tagGS* gs);
