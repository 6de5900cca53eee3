// Placeholder of the graph dialogs that are not built: each is cancelled.
#include "graph/dialogs/dialogs_api.h"

int HorizontalScaleDialog(HWND, tagGS*, int32_t) { return 0; }
int HorizontalScaleHmsDialog(HWND, tagGS*, int32_t) { return 0; }
int XYHorizontalScaleDialog(HWND, tagGS*, int32_t) { return 0; }
int LockedHorizontalScaleDialog(HWND, tagGS*) { return 0; }
int LockedHorizontalScaleHmsDialog(HWND, tagGS*) { return 0; }
int LockedXYHorizontalScaleDialog(HWND, tagGS*) { return 0; }
int OpenHorizontalScaleDialog(HWND, tagGS*, int32_t) { return 0; }
