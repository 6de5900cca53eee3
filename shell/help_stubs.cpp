// Stand-ins until the Help items and the About box come: nothing opens.
#include "shell/help.h"

INT_PTR OpenHelpItem(UINT) { return 0; }
void ShowAboutDialog(HWND) {}
