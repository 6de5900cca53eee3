// The graph toolbar strip across the top of the frame.
#pragma once
#include <windows.h>

int RegisterToolbarClass(HINSTANCE inst);
// Hides every toolbar button and group that lesson scripts control and clears their shown flags.
void HideScriptToolbarButtons();
