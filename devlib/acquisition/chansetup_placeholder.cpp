// Placeholder of the Setup Channels window, which is not built here: there are no rows to refresh.
#include "devlib/acquisition/chansetup.h"

void RefreshChannelSetup(HWND, stAcq*) {}
