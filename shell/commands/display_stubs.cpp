// The Display menu's commands. The mode commands are here; the toggles and the other display
// commands come with their own module and are ignored until then.
#include "shell/commands/display.h"
#include "base/app.h"
#include "graph/document/graph_doc.h"
#include "graph/view/display_modes.h"

void OnDisplayCommand(HWND, UINT id, HWND) {
    tagGS* gs = g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr;
    if (!gs) return;
    switch (id) {
    case 2082:  // Scope
    case 2083:  // Chart
    case 2084:  // XY
        if (gs->displayMode != id - 2082) SetDisplayMode(gs, static_cast<int16_t>(id - 2082));
        break;
    default:
        break;
    }
}
