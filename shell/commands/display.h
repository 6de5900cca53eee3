// The Display menu's commands on the active graph.
#pragma once
#include <windows.h>

void OnDisplayCommand(HWND frame, UINT id, HWND control);

struct tagGS;
// The commands that open a graph dialog (Grid Options, Display Preferences, the waveform order,
// the horizontal axis format, the text font); false for any other command.
bool OnDisplayDialogCommand(HWND frame, UINT id, tagGS* gs);
