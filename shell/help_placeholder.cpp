// Placeholder of the Help items and the About box, which are not built: nothing opens and no
// label is registered.
#include "shell/help.h"

INT_PTR OpenHelpItem(UINT) { return 0; }
void ShowAboutDialog(HWND) {}
void RegisterHelpMenuLabels() {}
