// Placeholder of the parts of the lesson language that are not built yet: the frame-menu reset.
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"

void ResetMenuAndToolbar() {}
void ApplyMenuChanges(int, int32_t*, int) {}

