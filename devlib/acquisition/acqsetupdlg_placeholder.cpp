// Placeholder of the Acquisition Setup dialog's refill: the dialog is not built in this module yet.
#include "devlib/acquisition/acqsetupdlg.h"

void RefreshAcquisitionSetup(HWND, stAcq*) {}
