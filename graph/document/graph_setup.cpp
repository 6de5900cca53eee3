// The window set-up of a graph document: plot rectangle, panes, tool buttons, scroll bars and
// journal, made once when the document gets its window.
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "graph/view/layout.h"
#include "graph/view/channel_selection.h"
#include "documents/documents_api.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "graph/view/channel_items.h"
#include "button/lumikey.h"
#include "graph/dialogs/toolbar.h"
#include <new>

namespace {

constexpr DWORD kFirstToolStyle = 0x40030200;
constexpr DWORD kToolStyle = 0x40000200;
constexpr DWORD kHScrollStyle = 0x40030000;
constexpr DWORD kVScrollStyle = 0x40030001;
// The frame toolbar's hidden tool buttons whose tips the graph's own buttons take over.
constexpr int kToolbarToolIds[3] = {IDM_TOOL_ARROW, IDM_TOOL_SELECTION, IDM_TOOL_ZOOM};
// Enabled and disabled faces in the application's button bitmaps: arrow, I-beam, zoom.
constexpr int kToolFaces[3][2] = {{0, 4}, {1, 5}, {3, 7}};
constexpr const char* kToolTips[3] = {"Arrow selection tool", "I-beam data selection tool", "Zoom tool"};
constexpr int kChannelCells = 60;
constexpr int kChannelGridVSpacing = 4;

void ShowIf(HWND hwnd, int show) {
    if (hwnd) ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
}

HWND CreateToolButton(HWND parent, int index) {
    return CreateWindowExA(0, LUMIKEY_CLASSNAME, "", index == 0 ? kFirstToolStyle : kToolStyle, 0, 0, 24, 22, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOL_ARROW + index)), g_app->hInstance,
                           const_cast<char*>(kToolTips[index]));
}

// Copies the tip of the frame toolbar's matching button, when it has one.
void CopyToolTip(HWND button, int index) {
    HWND source = ToolbarButton(kToolbarToolIds[index]);
    tagLUMIKEY* from = source ? LumikeyRecord(source) : nullptr;
    tagLUMIKEY* to = LumikeyRecord(button);
    if (from && to) lstrcpynA(to->szTip, from->szTip, LK_TIP_SIZE);
}

}  // namespace

// The plot area: under the two label rows, left of the vertical scroll bar and its margin,
// above the horizontal scroll bar and its margin.
void ComputePlotRect(tagGS* gs, HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    rc.top += 2 * g_app->fonts.cyText + 14;
    rc.right -= GetSystemMetrics(SM_CXVSCROLL) + g_app->strips.cxScaleStrip;
    rc.bottom -= GetSystemMetrics(SM_CYHSCROLL) + g_app->strips.cyAxisStrip;
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    gs->plotRect = rc;
}

int CreateToolButtons(tagGS* gs, HWND hwnd) {
    for (int i = 0; i < 3; ++i) {
        HWND button = CreateToolButton(hwnd, i);
        if (!button) return 0;
        gs->toolButtons[i] = button;
        SendMessageA(button, LKM_SETENABLEBITMAP, reinterpret_cast<WPARAM>(g_app->bitmaps.hbmButtons[kToolFaces[i][0]]),
                     0);
        SendMessageA(button, LKM_SETDISABLEBITMAP,
                     reinterpret_cast<WPARAM>(g_app->bitmaps.hbmButtons[kToolFaces[i][1]]), 0);
    }
    gs->currentTool = IDC_TOOL_ARROW;
    // The current tool's button shows pressed from the start, as a later choice marks it.
    CheckRadioButton(hwnd, IDC_TOOL_ARROW, IDC_TOOL_ZOOM, gs->currentTool);
    for (int i = 0; i < 3; ++i) CopyToolTip(gs->toolButtons[i], i);
    return 1;
}

int CreateGraphScrollBars(tagGS* gs, HWND hwnd) {
    gs->hScrollBar =
        CreateWindowExA(0, "scrollbar", "", kHScrollStyle, 0, 0, 0, 0, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_GRAPH_SCROLLBAR)), g_app->hInstance, nullptr);
    if (!gs->hScrollBar) return 0;
    SetScrollRange(gs->hScrollBar, SB_CTL, 0, 1000, FALSE);
    gs->vScrollBar =
        CreateWindowExA(0, "scrollbar", "", kVScrollStyle, 0, 0, 0, 0, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_GRAPH_SCROLLBAR)), g_app->hInstance, nullptr);
    if (!gs->vScrollBar) return 0;
    SetScrollRange(gs->vScrollBar, SB_CTL, -1000, 1000, FALSE);
    if (gs->hPerDiv == 0.0) gs->hPerDiv = 2000.0;
    gs->zoomHStart[gs->zoomLevel % kZoomLevels] = gs->hStart;
    gs->zoomHPerDiv[gs->zoomLevel % kZoomLevels] = gs->hPerDiv;
    return 1;
}

int CreateGraphJournal(tagGS* gs, HWND hwnd) {
    void* pane = NewJournalWindow();
    if (!pane) return 0;
    gs->journalWnd = pane;
    if (!CreateJournalWindow(pane, hwnd)) return 0;
    JournalApplyFont(pane);
    JournalAttachDocument(pane, gs->journal);
    gs->journalHeight = JournalPaneHeight(pane);
    JournalEnableButtons(pane, 0);
    if (HWND edit = JournalHwndIfMade(pane)) SendMessageA(edit, EM_SETMODIFY, 0, 0);
    return 1;
}

// Gives a document its window's panes and controls; 0 at the first step that fails.
int SetUpGraphWindow(tagGS* gs, HWND hwnd) {
    if (!gs || !hwnd || !IsWindow(hwnd)) return 0;
    gs->hwnd = hwnd;
    ComputePlotRect(gs, hwnd);
    int ok = 0;
    do {
        int16_t height = 0;
        gs->measureGrid = CreateMeasurementRow(hwnd, 1, kMeasureCols, &height);
        if (!gs->measureGrid) break;
        gs->measureRowHeight = height;
        SetMeasurementGridDocument(gs->measureGrid, gs);
        auto* grid = new (std::nothrow) CChannelButtonGrid;
        if (!grid) break;
        grid->SetSpacing(2, kChannelGridVSpacing);
        grid->SetLayout(0, 0, 1, kChannelCells, g_app->fonts.cyText + 4, 2 * g_app->fonts.cxText + 6);
        gs->channelItems = grid;
        if (!CreateMarkerBarControls(gs, hwnd)) break;
        if (!CreateToolButtons(gs, hwnd)) break;
        if (!CreateGraphScrollBars(gs, hwnd)) break;
        SetMeasurementCaptions(gs);
        if (!CreateGraphJournal(gs, hwnd)) break;
        if (!SetWindowGraph(hwnd, gs)) break;
        if (g_app->fonts.hfontText)
            SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(g_app->fonts.hfontText), FALSE);
        ok = 1;
    } while (false);
    RebuildChannelItems(gs);
    return ok;
}

void ShowGraphControls(tagGS* gs, int show) {
    if (!gs) return;
    ShowIf(gs->hScrollBar, show);
    ShowIf(gs->vScrollBar, show);
    for (HWND button : gs->toolButtons) ShowIf(button, show);
    int bar = show && gs->markerBarShown;
    ShowIf(gs->markerLabelEdit, bar);
    ShowIf(gs->segPrevButton, bar);
    ShowIf(gs->segNextButton, bar);
    if (!bar) return;
    if (gs->segPrevButton) EnableWindow(gs->segPrevButton, FALSE);
    if (gs->segNextButton) EnableWindow(gs->segNextButton, gs->markers && MarkerListHasNext(gs->markers));
}

// A new measurement row of the given size, with every box's stored settings applied again.
void ResetMeasurementGrid(tagGS* gs, uint16_t rows, uint16_t cols) {
    if (!gs || !gs->hwnd) return;
    if (gs->measureGrid) DeleteMeasurementRow(gs->measureGrid);
    gs->measureRows = rows;
    int16_t height = 0;
    gs->measureGrid = CreateMeasurementRow(gs->hwnd, rows, cols, &height);
    gs->measureRowHeight = height;
    InvalidateRect(gs->hwnd, nullptr, TRUE);
    RebuildChannelItems(gs);
    if (gs->measureGrid) {
        int boxes = rows * cols < kMaxMeasureBoxes ? rows * cols : kMaxMeasureBoxes;
        for (int i = 0; i < boxes; ++i) {
            int16_t chan = gs->measureChan[i];
            int slot = chan < 0 ? static_cast<int>(gs->selectedChan) : chan;
            uint16_t options[3] = {gs->measureCalc[0][i], gs->measureCalc[1][i], gs->measureCalc[2][i]};
            COLORREF color = slot >= 0 && slot < kMaxChannels ? gs->chanColor[slot] : 0;
            SetMeasurementBox(gs->measureGrid, i, gs->measureType[i], chan, options,
                              gs->measureConstant[i], gs->measureLabel[i], color, gs->measureShown != 0);
        }
    }
    LayoutGraphWindow(gs);
    RefreshMeasurementDisplay(gs);
}
