// The Display menu's commands, the graph toolbar's display buttons and the graph's popup menu,
// on the active graph. The switches saved with the document mark it changed; the scale
// toggles, cursor tools, zoom steps, Reset Chart Display and Refresh Graph do not.
#include "shell/commands/display.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "shell/frame.h"
#include "common/binding.h"
#include "devlib/vk40.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/document/channel_scaling.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "graph/window/display_toggles.h"
#include "graph/window/mouse_tools.h"
#include "graph/view/axis_units.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "graph/files/file_open.h"
#include "scripts/script_api.h"

namespace {

// Scope, Chart and XY are modes 0 to 2; choosing the mode the graph is in changes nothing.
void ChooseDisplayMode(tagGS* gs, UINT mode) {
    if (gs->displayMode == mode) return;
    SetDisplayMode(gs, static_cast<int16_t>(mode));
    notify::SetStatusText(nullptr);  // the panes name the mode
}

uint32_t ActiveChannel(const tagGS* gs) { return gs->selectedChan < kMaxChannels ? gs->selectedChan : 0; }

int PositionOfSlot(const tagGS* gs, int slot) {
    for (int p = 0; p < kMaxChannels; ++p)
        if (static_cast<int>(gs->chanOrder[p]) == slot) return p;
    return -1;
}

// A per-channel style change repaints the active channel's band, or with all slots the plot.
void AfterStyleChange(tagGS* gs, bool allSlots) {
    if (gs->hwnd) {
        const RECT* area = allSlots ? &gs->plotRect : &gs->chanBandRects[ActiveChannel(gs)];
        InvalidateRect(gs->hwnd, area, FALSE);
    }
    notify::UpdateGraphToolbar();
    setDirtyGraphFlag(gs, 1);
}

// Line, step or dot plot; Ctrl held gives every slot the style, empty ones included.
void SetLineStyle(tagGS* gs, uint16_t style) {
    // The keyboard state that came with the command: Ctrl held while it was chosen.
    const bool all = GetKeyState(VK_CONTROL) < 0;
    if (all)
        for (int s = 0; s < kMaxChannels; ++s) gs->chanDrawStyle[s] = style;
    else
        gs->chanDrawStyle[ActiveChannel(gs)] = style;
    AfterStyleChange(gs, all);
}

// The dot size goes into both low bytes; the last-dot bit and the other high bits stay.
void SetDotSize(tagGS* gs, uint32_t size) {
    uint32_t& style = gs->chanPlotStyle[ActiveChannel(gs)];
    style = (style & 0xFFFF0000u) | (size << 8) | size;
    AfterStyleChange(gs, false);
}

// The colour rule: the channel's band, scale, label, button and measurement boxes take it.
void SetChannelColour(tagGS* gs, COLORREF color) {
    const uint32_t active = ActiveChannel(gs);
    gs->chanColor[active] = color;
    LayoutGraphWindow(gs);
    RefreshChannel(gs, static_cast<int>(active));
    setDirtyGraphFlag(gs, 1);
    DeviceRefreshInputValues();
}

// The X and Y scales are the lesson's view switches: not saved as a change of the document.
void ToggleScale(tagGS* gs, int which) {
    gs->lessonFlags[which] = gs->lessonFlags[which] ? 0 : 1;
    if (which == 1) notify::UpdateGraphToolbar();
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    LayoutGraphWindow(gs);
}

// The cursor tools: the graph window gets the tool's radio button command.
void ChooseTool(tagGS* gs, UINT tool) {
    // The graph's own tool button carries what the lesson and a running recording allow; the
    // menu and its accelerators obey it too.
    HWND button = gs->toolButtons[tool - IDC_TOOL_ARROW];
    if (button && !IsWindowEnabled(button)) return;
    if (gs->hwnd)
        SendMessageA(gs->hwnd, WM_COMMAND, tool, reinterpret_cast<LPARAM>(gs->toolButtons[tool - IDC_TOOL_ARROW]));
    notify::UpdateGraphToolbar();
}

void RefreshGraph() {
    if (g_app->hwndActiveGraph) InvalidateRect(g_app->hwndActiveGraph, nullptr, TRUE);
    InvalidateRect(g_app->hwndClient, nullptr, TRUE);
}

// Tile and Autoscale: in XY mode the active channel alone.
void AutoScale(tagGS* gs, int all) {
    if (gs->displayMode == kModeXY)
        AutoScaleOneChannel(gs, 1, all ? 0 : 1, static_cast<int>(ActiveChannel(gs)));
    else
        AutoScaleGraph(gs, all);
    setDirtyGraphFlag(gs, 1);
}

// The vertical scaling commands; each marks the graph changed.
bool OnScaleCommand(tagGS* gs, UINT id, HWND control) {
    const bool xy = gs->displayMode == kModeXY;
    const int active = static_cast<int>(ActiveChannel(gs)), xChannel = static_cast<int>(gs->xyXChan);
    switch (id) {
    case IDM_DISPLAY_TILE: AutoScale(gs, 0); return true;
    case IDM_DISPLAY_AUTOSCALE: AutoScale(gs, 1); return true;
    case IDM_DISPLAY_OVERLAP: OverlapWaveforms(gs); break;
    case IDM_DISPLAY_COMPARE:
        if (xy)
            AutoScaleOneChannel(gs, 0, 1, xChannel);
        else
            CompareWaveforms(gs);
        break;
    case IDM_DISPLAY_AUTOSCALE_HORIZONTAL:
        if (xy)
            AutoScaleOneChannel(gs, 0, control ? 1 : 0, xChannel);
        else
            SetSegmentTimeScale(gs, static_cast<uint16_t>(active));
        break;
    case IDM_DISPLAY_AUTOSCALE_ACTIVE: AutoScaleChannel(gs, PositionOfSlot(gs, active), 1, 0.0, 1); break;
    case IDM_DISPLAY_CENTER_VERTICALLY: AutoScaleOneChannel(gs, 1, 0, active); break;
    case IDM_DISPLAY_CENTER_HORIZONTALLY:
        if (!xy) return true;
        AutoScaleOneChannel(gs, 0, 0, xChannel);
        break;
    default: return false;
    }
    setDirtyGraphFlag(gs, 1);
    return true;
}

// The switches of the graph's parts.
bool OnDisplayToggle(tagGS* gs, UINT id) {
    switch (id) {
    case IDM_SHOW_GRID:
        notify::SetStatusText("Ready");
        SetGraphPlotMode(gs, gs->gridShown ? 0 : 1, IsGridFine(gs));
        return true;
    case IDM_SHOW_MARKERS: SetGraphToolsShown(gs, gs->markerBarShown ? 0 : 1); return true;
    case IDM_SHOW_MEASUREMENTS: SetMeasurementsShown(gs, gs->measureShown ? 0 : 1); return true;
    case IDM_SHOW_CHANNEL_NUMBERS: SetGraphDisplayFlag(gs, IsChanButtonsShown(gs) ? 0 : 1); return true;
    case IDM_SHOW_JOURNAL: SetJournalShown(gs, gs->journalShown ? 0 : 1); return true;
    case IDM_SHOW_X_SCALE:
    case IDM_SHOW_X_SCALE_SECOND: ToggleScale(gs, 1); return true;
    case IDM_SHOW_Y_SCALE:
    case IDM_SHOW_Y_SCALE_SECOND: ToggleScale(gs, 0); return true;
    default: return false;
    }
}

// Plot styles, dot sizes and colours of the active channel.
bool OnChannelStyle(tagGS* gs, UINT id) {
    if (id >= IDM_DOT_SIZE_3 && id <= IDM_DOT_SIZE_21) {
        SetDotSize(gs, 3 + 2 * (id - IDM_DOT_SIZE_3));
        return true;
    }
    if (id >= IDM_COLOR_BLACK && id <= IDM_COLOR_BURGUNDY) {
        SetChannelColour(gs, WaveColorFromIndex(id - (IDM_COLOR_BLACK - 1)));
        return true;
    }
    switch (id) {
    case IDM_DOT_SIZE_1: SetDotSize(gs, 1); return true;
    case IDM_SHOW_LINE_PLOT: SetLineStyle(gs, 0); return true;
    case IDM_SHOW_STEP_PLOT: SetLineStyle(gs, 1); return true;
    case IDM_SHOW_DOT_PLOT: SetLineStyle(gs, 2); return true;
    case IDM_SHOW_LAST_DOT_ONLY:
        gs->chanPlotStyle[ActiveChannel(gs)] ^= kPlotLatestDotOnly;
        AfterStyleChange(gs, false);
        return true;
    default: return false;
    }
}
}  // namespace

// The ".acq" chooser: the chosen file of the current folder opens under its full path.
static void OpenChosenGraphFile(HWND frame) {
    char name[MAX_PATH] = "", full[MAX_PATH] = "";
    if (!DoFileChooserDialog(frame, name, sizeof name)) return;
    if (GetFullPathNameA(name, sizeof full, full, nullptr)) OpenGraphFile(full);
}

void OnDisplayCommand(HWND frame, UINT id, HWND control) {
    if (GetStatusHotKeyEx(id) == 0) return;
    if (id == IDM_FILE_CHOOSER) {
        OpenChosenGraphFile(frame);
        return;
    }
    if (id == IDM_SHOW_TOOLBAR) {
        ApplyToolbarChoice(!g_app->frame.bToolbarVisible);
        return;
    }
    tagGS* gs = g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr;
    if (!gs || OnDisplayToggle(gs, id) || OnChannelStyle(gs, id) || OnScaleCommand(gs, id, control)) return;
    switch (id) {
    case IDM_SHOW_SCOPE:
    case IDM_SHOW_CHART:
    case IDM_SHOW_XY: ChooseDisplayMode(gs, id - IDM_SHOW_SCOPE); break;
    case IDM_DISPLAY_OPTIMIZE_RANGES: OptimizeRanges(); break;
    case IDM_DISPLAY_OPTIMIZE_RANGE: ApplyChannelScaling(nullptr, -1); break;
    case IDM_DISPLAY_RESET_CHART: ResetChartDisplay(gs); break;
    case IDM_COLOR_OTHER:
        SetChannelColour(gs, ChooseGraphColor(frame, gs->chanColor[ActiveChannel(gs)]));
        break;
    case IDM_TOOL_ARROW: ChooseTool(gs, IDC_TOOL_ARROW); break;
    case IDM_TOOL_SELECTION: ChooseTool(gs, IDC_TOOL_IBEAM); break;
    case IDM_TOOL_ZOOM: ChooseTool(gs, IDC_TOOL_ZOOM); break;
    case IDM_DISPLAY_ZOOM_PREVIOUS: ZoomBack(gs); break;
    case IDM_DISPLAY_ZOOM_NEXT: ZoomForward(gs); break;
    case IDM_DISPLAY_REFRESH: RefreshGraph(); break;
    case IDM_DISPLAY_VARS_BROWSER: ShowVarsBrowser(SW_SHOW); break;
    case IDM_DISPLAY_RESET_MENU: ResetMenuAndToolbar(); break;
    default: OnDisplayDialogCommand(frame, id, gs); break;
    }
}
