// The Display menu's commands that open a graph dialog, and what follows when it is accepted.
#include "shell/commands/display.h"
#include "base/app.h"
#include "shell/shell_ids.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "shell/system_dialogs.h"

namespace {

// A new order moves the channels' bands: the undo snapshot no longer fits, the layout is redone.
void ChooseWaveformOrder(HWND frame, tagGS* gs) {
    if (ShowWaveformOrderDialog(frame, gs) != 1) return;
    ClearUndo();
    setDirtyGraphFlag(gs, 1);
    RebuildChannelItems(gs);
    UpdateGraphScrollBars(gs);
    if (gs->autoscaleMode) AutoScaleGraph(gs, gs->autoscaleMode == 1);
    LayoutGraphWindow(gs);
    InvalidateRect(gs->hwnd, nullptr, TRUE);
}

// The view keeps the same samples: its times follow the new sample interval.
void ChooseHorizontalAxis(tagGS* gs) {
    const double before = gs->sampleInterval;
    if (HorizontalAxisFormatDialog(gs) != 1) return;
    SetMeasurementCaptions(gs);
    if (before > 0.0) {
        const double ratio = gs->sampleInterval / before;
        gs->hPerDiv *= ratio;
        gs->hStart *= ratio;
    }
    UpdateAllMeasurements(gs);
    InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    InvalidateRect(gs->hwnd, &gs->hAxisRect, FALSE);
    InvalidateRect(gs->hwnd, &gs->hUnitsRect, FALSE);
}

BOOL CALLBACK ApplyTextFont(HWND child, LPARAM font) {
    if (GetParent(child) == g_app->hwndClient) ApplyFontToGraphWindow(child, reinterpret_cast<HFONT>(font));
    return TRUE;
}

// The text font, its turned copy for the vertical labels and the axis font change together.
void ChooseTextFont(HWND frame) {
    HFONT font = ChooseGraphFont(frame, g_app->fonts.hfontText, 0, &g_app->fonts.lfText, &g_app->fonts.cxText,
                                 &g_app->fonts.cyText);
    if (!font || font == g_app->fonts.hfontText) return;
    g_app->fonts.hfontText = font;
    g_app->fonts.hfontAxis = font;
    g_app->fonts.lfVertical = g_app->fonts.lfText;
    g_app->fonts.lfVertical.lfEscapement = g_app->fonts.lfVertical.lfOrientation = 900;
    if (HFONT vertical = ChooseGraphFont(frame, g_app->fonts.hfontVertical, 1, &g_app->fonts.lfVertical,
                                         &g_app->fonts.cxVertical, &g_app->fonts.cyVertical))
        g_app->fonts.hfontVertical = vertical;
    if (g_app->hwndClient) EnumChildWindows(g_app->hwndClient, ApplyTextFont, reinterpret_cast<LPARAM>(font));
}

}  // namespace

bool OnDisplayDialogCommand(HWND frame, UINT id, tagGS* gs) {
    switch (id) {
    case IDM_DISPLAY_WAVE_POSITION: ChooseWaveformOrder(frame, gs); return true;
    case IDM_DISPLAY_HORIZONTAL_AXIS: ChooseHorizontalAxis(gs); return true;
    case IDM_SHOW_GRID_OPTIONS: GridOptionsDialog(frame, gs); return true;
    case IDM_PREFERENCES_GENERAL: DoDisplayPrefsDialog(frame, gs); return true;
    case IDM_DISPLAY_FONT: ChooseTextFont(frame); return true;
    case IDM_DISPLAY_SIZE_WINDOW: ResizeWindowDlg(frame); return true;
    case IDM_DISPLAY_STATISTICS: WaveformStatisticsDlg(frame, gs); return true;
    default: return false;
    }
}
