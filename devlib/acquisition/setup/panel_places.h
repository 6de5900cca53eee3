// The set-up panels follow the attached graph: each stands where that graph's set-up left it and
// shows that set-up.
#pragma once

#include <windows.h>

struct stAcq;

// Moves the Acquisition Setup, Setup Triggering and Setup Channels windows to their stored
// placements; a placement never set (all zero) leaves its window where it is.
void PlaceSetupPanels(stAcq* acq);
// The same for one of them (all three when `only` is null): a panel made after its placement
// was loaded takes it up when it is made.
void PlaceSetupPanel(stAcq* acq, HWND only);
// Lets the Setup Channels rows, Setup Triggering, a shown Acquisition Setup and the Input Values
// pane show the set-up the record now holds, after another one was taken up.
void RefreshSetupPanels(stAcq* acq);
