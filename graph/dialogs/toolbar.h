// The graph toolbar strip across the top of the frame: bitmap buttons that send the same
// commands as their menu items. Lesson scripts decide which buttons are shown.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

int RegisterToolbarClass(HINSTANCE inst);
// The toolbar's button of a command id, or null: looked up once and remembered, since the
// toolbar follows the active graph at every change and each GetDlgItem asks the window server.
HWND ToolbarButton(unsigned id);
// The toolbar's child windows in their order, walked once and remembered until a child comes or
// goes (the toolbar hears of both).
std::vector<HWND> ToolbarChildren();
// Hides every toolbar button and group that lesson scripts control and clears their shown flags.
void HideScriptToolbarButtons();
// Shows every toolbar button and group that lesson scripts control and sets their shown flags.
void ShowScriptToolbarButtons();
// Shows or hides the button a lesson script names ("SCOPEMODE", "GRID", ...) and sets its shown
// flag; "OPTRANGE" and "RECENT" keep a flag without a button. 0 for an unknown name.
int SetScriptToolbarButton(const char* name, int shown);
// The shown flag of a script name; -1 for an unknown name.
int GetScriptToolbarButton(const char* name);
