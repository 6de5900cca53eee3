// The Display menu's commands. The three display modes, the journal toggle, the ".acq" chooser and
// the commands that open a graph dialog are built; the other toggles and display commands are
// not, and are ignored.
#include "shell/commands/display.h"
#include "base/app.h"
#include "base/resource.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "graph/view/display_modes.h"
#include "graph/files/file_open.h"

namespace {
// Scope, Chart and XY are modes 0 to 2; choosing the mode the graph is in changes nothing.
void ChooseDisplayMode(tagGS* gs, UINT mode) {
    if (gs->displayMode != mode) SetDisplayMode(gs, static_cast<int16_t>(mode));
}
}  // namespace

// The ".acq" chooser: the chosen file of the current folder opens under its full path.
static void OpenChosenGraphFile(HWND frame) {
    char name[MAX_PATH] = "", full[MAX_PATH] = "";
    if (!DoFileChooserDialog(frame, name, sizeof name)) return;
    if (GetFullPathNameA(name, sizeof full, full, nullptr)) OpenGraphFile(full);
}

void OnDisplayCommand(HWND frame, UINT id, HWND) {
    if (id == IDM_FILE_CHOOSER) {
        OpenChosenGraphFile(frame);
        return;
    }
    tagGS* gs = g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr;
    if (!gs) return;
    switch (id) {
    case IDM_SHOW_SCOPE:
    case IDM_SHOW_CHART:
    case IDM_SHOW_XY: ChooseDisplayMode(gs, id - IDM_SHOW_SCOPE); break;
    case IDM_SHOW_JOURNAL: SetJournalShown(gs, gs->journalShown ? 0 : 1); break;
    default: OnDisplayDialogCommand(frame, id, gs); break;
    }
}
