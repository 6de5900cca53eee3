// The display switches of a graph window, shared by the Display menu and the lesson language.
#include "graph/window/display_toggles.h"
#include <windows.h>
#include "base/notify.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "graph/view/layout.h"

namespace {
void Repaint(tagGS* gs) {
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
}

void ShowControl(HWND control, bool show) {
    if (control) ShowWindow(control, show ? SW_SHOWNA : SW_HIDE);
}
}  // namespace

// Off hides the bar's controls (the layout closes the Find dialog with them); on shows them, the
// label box and the buttons usable only while there are markers to walk.
void SetGraphToolsShown(tagGS* gs, int on) {
    if (!gs) return;
    gs->markerBarShown = on ? 1 : 0;
    Repaint(gs);
    notify::UpdateGraphToolbar();
    HWND controls[3] = {gs->segPrevButton, gs->segNextButton, gs->markerLabelEdit};
    for (HWND control : controls) ShowControl(control, on != 0);
    if (on) {
        bool markers = false;
        for (int32_t type = 0; type <= 3 && gs->markers && !markers; ++type) markers = CountMarkersOfType(gs, type) > 0;
        for (HWND control : controls)
            if (control) EnableWindow(control, markers);
    }
    LayoutGraphWindow(gs);
    setDirtyGraphFlag(gs, 1);
}

void SetMeasurementsShown(tagGS* gs, int on) {
    if (!gs) return;
    gs->measureShown = on ? 1 : 0;
    Repaint(gs);
    notify::UpdateGraphToolbar();
    LayoutGraphWindow(gs);
    if (on) UpdateAllMeasurements(gs);
    setDirtyGraphFlag(gs, 1);
}

void SetGraphDisplayFlag(tagGS* gs, int on) {
    if (!gs) return;
    gs->viewFlags2 = on ? 1 : 0;
    Repaint(gs);
    notify::UpdateGraphToolbar();
    LayoutGraphWindow(gs);
    setDirtyGraphFlag(gs, 1);
}

void SetGraphPlotMode(tagGS* gs, int gridShown, int gridFine) {
    if (!gs) return;
    SetGridFine(gs, gridFine != 0);
    gs->gridShown = gridShown ? 1 : 0;
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    notify::UpdateGraphToolbar();
    setDirtyGraphFlag(gs, 1);
}
