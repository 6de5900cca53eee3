// What the shell uses of the output-control panels.
#pragma once
#include <windows.h>

void InitOutputControl();
void UpdateOutputMenu(HMENU menu);
