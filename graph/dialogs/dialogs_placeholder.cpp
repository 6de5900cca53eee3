// Placeholder of the graph dialogs, which are not built: the font dialog is always cancelled.
#include "graph/dialogs/dialogs_api.h"

HFONT ChooseGraphFont(HWND, HFONT oldFont, int, LOGFONTA*, int32_t*, int32_t*) { return oldFont; }
