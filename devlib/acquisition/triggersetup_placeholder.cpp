// Placeholder of the Setup Triggering window's refill: the window is not built in this module yet.
#include "devlib/acquisition/triggersetup.h"

void FillTriggerSetup(HWND, stAcq*) {}
