// The set-up panels follow the attached graph: each stands where that graph's set-up left it.
#pragma once

struct stAcq;

// Moves the Acquisition Setup, Setup Triggering and Setup Channels windows to their stored
// placements; a placement never set (all zero) leaves its window where it is.
void PlaceSetupPanels(stAcq* acq);
