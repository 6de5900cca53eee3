// The Setup Channels window, as the other set-up windows reach it.
#pragma once

#include <windows.h>

struct stAcq;

// Recounts the enabled channels and refreshes every row from its record.
void RefreshChannelSetup(HWND window, stAcq* acq);
