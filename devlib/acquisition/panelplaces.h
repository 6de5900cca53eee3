// The set-up panels follow the attached graph: each stands where that graph's set-up left it.
#pragma once

#include <windows.h>

struct stAcq;

// Moves the Acquisition Setup, Setup Triggering and Setup Channels windows to their stored
// placements; a placement never set (all zero) leaves its window where it is.
void PlaceSetupPanels(stAcq* acq);
// The same for one of them (all three when `only` is null): a panel made after its placement
// was loaded takes it up when it is made.
void PlaceSetupPanel(stAcq* acq, HWND only);
