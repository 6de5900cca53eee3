// Placeholder of the graph dialogs that are not built: each is cancelled.
#include "graph/dialogs/dialogs_api.h"

int HorizontalScaleHmsDialog(HWND, tagGS*, int32_t) { return 0; }
int LockedHorizontalScaleHmsDialog(HWND, tagGS*) { return 0; }
