// The Acquisition Setup dialog as other windows reach it: a refill after they changed channels.
#pragma once

#include <windows.h>

#include "common/stAcq.h"

// Refills every control of the dialog from the settings.
void RefreshAcquisitionSetup(HWND window, stAcq* acq);
