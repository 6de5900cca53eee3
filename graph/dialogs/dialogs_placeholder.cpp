// Placeholder of the graph dialogs, which are not built: the font dialog is always cancelled and
// the scale and label dialogs never open.
#include "graph/dialogs/dialogs_api.h"

HFONT ChooseGraphFont(HWND, HFONT oldFont, int, LOGFONTA*, int32_t*, int32_t*) { return oldFont; }
int32_t ChannelLabelDialog(HWND, tagGS*, int32_t, uint32_t) { return 0; }
int32_t VerticalScaleDialog(HWND, tagGS*, int32_t, int32_t) { return 0; }
int32_t LockedVerticalScaleDialog(HWND, tagGS*, int32_t, int32_t) { return 0; }
int32_t HorizontalScaleDialog(HWND, tagGS*, int32_t) { return 0; }
int32_t HorizontalScaleHmsDialog(HWND, tagGS*, int32_t) { return 0; }
int32_t XYHorizontalScaleDialog(HWND, tagGS*, int32_t) { return 0; }
int32_t LockedHorizontalScaleDialog(HWND, tagGS*) { return 0; }
int32_t LockedHorizontalScaleHmsDialog(HWND, tagGS*) { return 0; }
int32_t LockedXYHorizontalScaleDialog(HWND, tagGS*) { return 0; }
