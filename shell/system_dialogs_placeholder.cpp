// Placeholder of the splash dialog and the processor description, which are not built.
#include "shell/system_dialogs.h"

void ShowSplash(HWND) {}
void IdentifyProcessor() {}
