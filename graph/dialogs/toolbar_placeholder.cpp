// Placeholder of the toolbar's lesson-controlled buttons, which are not built: there is nothing
// to hide.
#include "graph/dialogs/toolbar.h"

void HideScriptToolbarButtons() {}
