// The Setup Triggering window as other windows reach it: its lists follow the channels.
#pragma once

#include <windows.h>

#include "common/stAcq.h"

// Writes the trigger fields and the source list into the window's controls.
void FillTriggerSetup(HWND window, stAcq* acq);
