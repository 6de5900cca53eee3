// Routing of the frame's menu commands by id range.
#pragma once
#include <windows.h>

void OnFrameCommand(HWND frame, UINT id, HWND control, UINT code);
