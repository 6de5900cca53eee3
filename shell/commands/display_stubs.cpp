// Stand-in until the display commands come: every command is ignored.
#include "shell/commands/display.h"

void OnDisplayCommand(HWND, UINT, HWND) {}
