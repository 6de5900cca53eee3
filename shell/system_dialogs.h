// The splash dialog and the processor, memory and disk queries behind the system dialogs.
#pragma once
#include <windows.h>

void ShowSplash(HWND frame);
// Fills the processor description once, at start-up.
void IdentifyProcessor();
