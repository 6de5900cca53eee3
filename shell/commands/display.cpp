// The Display menu's commands. The three display modes are built; the toggles and the other
// display commands are not, and are ignored.
#include "shell/commands/display.h"
#include "shell/app.h"
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
