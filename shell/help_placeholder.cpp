// Placeholder of the About box, which is not built: nothing opens.
#include "shell/help.h"

void ShowAboutDialog(HWND) {}
