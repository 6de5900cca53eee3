// The main program's output panels.
#include "outputs/outputs_api.h"

// Nothing to prepare at start-up: panels are made with their documents.
void InitOutputControl() {}
void UpdateOutputMenu(HMENU) {}
