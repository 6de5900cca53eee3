// The Display menu's commands on the active graph.
#pragma once
#include <windows.h>

void OnDisplayCommand(HWND frame, UINT id, HWND control);
