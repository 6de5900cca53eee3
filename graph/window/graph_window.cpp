// The graph child window: one MDI child per document. It owns a small data block, routes
// messages to the view, the renderer, the mouse tools and the journal, and reports activation
// and commands to the device library.
#include "graph/window/graph_window.h"
#include "documents/markers/markers.h"
#include "graph/view/axes.h"
#include "graph/view/display_modes.h"
#include "graph/window/tracking.h"
#include "graph/window/mouse_tools.h"
#include "graph/document/graph_doc.h"
#include "graph/view/layout.h"
#include "graph/view/channel_selection.h"
#include "graph/render/printing.h"
#include "graph/render/render_api.h"
#include "graph/dialogs/dialogs_api.h"
#include "documents/documents_api.h"
#include "outputs/outputs_api.h"
#include "base/app.h"
#include "base/device.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include "devlib/resource.h"
#include "base/lesson.h"
#include "base/notify.h"
#include "base/services.h"
#include <richedit.h>
#include <windowsx.h>
#include <cstdio>
#include <ctime>

uint32_t g_graphWindowCount = 0;

namespace {

constexpr int kMarkerLabelLen = 128;
constexpr UINT kPopupItemChosen = 9;
// What the journal's Load Text reports besides success.
constexpr int16_t kJournalLoadUnreadable = 45, kJournalLoadTruncated = 50;
constexpr int kThumbRange = 1000;
// Plots denser than this many pixels per sample are not redrawn while the thumb is dragged.
constexpr double kLiveRedrawPixelsPerSample = 0.2;

bool Allowed(ScriptPermission p) { return g_script.permissions[p] != 0; }

bool IsGraphWindow(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd) || !g_app) return false;
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpiA(cls, g_app->szClassNames[kClassChild]) == 0;
}

// Rebuilds the result text of every measurement box of the document.
void RefreshMeasurementTexts(tagGS* gs) {
    int n = GetMeasurementCount(gs->measureGrid);
    for (int i = 0; i < n; ++i)
        if (stMeasure* box = GetMeasurementAt(gs->measureGrid, i)) FormatMeasurementResult(box);
}

void SelectTool(tagGS* gs, HWND hwnd, int id) {
    gs->currentTool = static_cast<uint16_t>(id);
    CheckRadioButton(hwnd, IDC_TOOL_ARROW, IDC_TOOL_ZOOM, id);
}

// Whether the active graph may be attached again after the library's end-of-recording message.
bool MayReattachAfterRecording(const stAcq& acq) {
    return acq.run.running == 0 || (acq.run.dataStarted == 0 && acq.run.statusState <= kStatusReady);
}

HWND ActiveMdiChild() {
    if (!g_app->hwndClient) return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0));
}

// 0x8003: the recording has ended; re-attach the active graph when the library allows it.
void OnRecordingEnded(GraphWindowData* data, UINT msg, WPARAM wParam, LPARAM lParam) {
    {
        AcqLock acq(g_app->hAcq);
        if (acq && MayReattachAfterRecording(*acq.get())) {
            HWND active = ActiveMdiChild();
            GraphWindowData* activeData = GetGraphWindowData(active);
            if (activeData) {
                tagGS* attached = acq->run.attachedGraph;
                HWND attachedWnd = attached ? attached->hwnd : nullptr;
                if (attachedWnd == active) attachedWnd = nullptr;
                OnChildMdiActivate(activeData, attachedWnd, active);
            }
        }
    }
    if (data->doc && data->doc->outPanels) NotifyOutputPanels(lParam, wParam, msg);
}

void OnRecordingStopped() {
    HWND active = ActiveMdiChild();
    if (GraphWindowData* activeData = GetGraphWindowData(active)) OnChildMdiActivate(activeData, nullptr, active);
}

// Lesson permissions that pin the window: returns true when the change was restricted.
bool RestrictPositionChange(WINDOWPOS* wp) {
    UINT added = 0;
    if (!Allowed(kPermSizeWindow)) added |= SWP_NOSIZE;
    if (!Allowed(kPermDragWindow)) added |= SWP_NOMOVE;
    if (!Allowed(kPermZoomWindow)) added |= SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW;
    wp->flags |= added;
    return added != 0;
}

void OnChildCreate(GraphWindowData* data, const CREATESTRUCTA* cs) {
    data->created = 1;
    // CreateGraphWindow hands the document over in the MDI creation data, so activation during
    // WM_MDICREATE already finds it; the window set-up stores the same pointer again.
    const auto* mcs = cs ? static_cast<const MDICREATESTRUCTA*>(cs->lpCreateParams) : nullptr;
    if (mcs && mcs->lParam) {
        data->doc = reinterpret_cast<tagGS*>(mcs->lParam);
        data->doc->hwnd = data->hwnd;
    }
    SetCursor(g_app->cursors.hcurArrow);
    ++g_graphWindowCount;
    data->hwndFocus =
        CreateWindowExA(0, "acqdirector", "", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, 0, 1, 0, 0, data->hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CHANNEL_DIRECTOR)), g_app->hInstance, nullptr);
}

void OnChildMove(GraphWindowData* data) {
    if (data->doc && !IsIconic(data->hwnd)) GetWindowRect(data->hwnd, &data->doc->graphRect);
}

void OnChildPaint(GraphWindowData* data) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(data->hwnd, &ps);
    if (!IsPrintingGraph() && data->doc) {
        PaintGraphClient(dc, data->doc, 1);
        RedrawTrackLines(dc, data->doc);
    }
    EndPaint(data->hwnd, &ps);
}

// The document's pixel density: screen pixels per sample at the current time scale.
double PixelsPerSample(const tagGS* gs) {
    if (gs->hDivisions <= 0.0 || gs->hPerDiv <= 0.0) return 0.0;
    double width = gs->plotRect.right - gs->plotRect.left;
    return (width / gs->hDivisions) / gs->hPerDiv * gs->sampleInterval;
}

void RepaintPlot(tagGS* gs, HDC dc, int slot) {
    if (gs->displayMode == kModeChart)
        PaintChannelBand(dc, gs, slot);
    else
        PaintPlotArea(dc, gs);
}

void RefreshInputValues() {
    DeviceRefreshInputValues();
}

// The visible span as it maps onto the horizontal thumb's 0-1000 range.
double ScrollableTime(const tagGS* gs) { return gs->totalSamples * gs->sampleInterval - gs->hPerDiv * gs->hDivisions; }

// After the X channel's midpoint moved: thumb, transforms, axis and plot.
void ShowXChannelMove(tagGS* gs, HDC dc, int thumb) {
    SetScrollPos(gs->hScrollBar, SB_CTL, thumb, TRUE);
    ComputeChannelTransforms(gs);
    DrawTimeAxis(dc, gs);
    PaintPlotArea(dc, gs);
}

void JournalInsertClock(tagGS* gs, int id) {
    HWND edit = GetJournalHwnd(gs->journalWnd);
    if (!edit) return;
    char text[64 + 2] = "";  // at most 63 characters of the stamp, then CR LF
    // "%#x" is the long date form of the runtime's strftime.
    JournalFormatClock(id == IDC_JOURNAL_INSERT_TIME ? "%X" : "%#x", text, 64);
    lstrcatA(text, "\r\n");
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    EnsureEditCapacity(edit);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    SetFocus(edit);
    setDirtyGraphFlag(gs, 1);
}

// The marker label box's text becomes the current marker's label when the user changed it.
void CommitMarkerLabelEdit(tagGS* gs, HWND edit) {
    if (!edit || !SendMessageA(edit, EM_GETMODIFY, 0, 0)) return;
    char text[kMarkerLabelLen + 1] = "";
    GetWindowTextA(edit, text, sizeof text);
    SetCurrentMarkerLabel(gs, text);
}

void JournalLoadCommand(tagGS* gs) {
    int16_t result = JournalLoadText(gs->journal, 1, nullptr);
    if (result == 0 || result == 1) return;  // done or cancelled
    if (result == kJournalLoadUnreadable)
        MessageBoxFromStringTable(g_app->hwndFrame, 0x10, IDS_CANNOT_OPEN_FILE);
    else if (result == kJournalLoadTruncated)
        MessageBoxFromStringTable(g_app->hwndFrame, 0x10, IDS_FILE_TRUNCATED);
    else
        ShowSelectionError(g_app->hwndFrame, static_cast<uint32_t>(result), "importing a journal");
}

void JournalNewCommand(tagGS* gs) {
    HWND edit = GetJournalHwnd(gs->journalWnd);
    if (!edit) return;
    LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
    LRESULT chars = 0;
    for (LRESULT i = 0; i < lines; ++i) {
        LRESULT start = SendMessageA(edit, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
        chars += SendMessageA(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    }
    if (chars > 0) {
        int answer = MessageBoxA(g_app->hwndFrame, Keyed("KEY erase existing text"), g_app->szAppTitle, MB_YESNOCANCEL);
        if (answer == IDCANCEL) return;
        if (answer == IDYES && !JournalSaveText(gs->journal, 1, nullptr)) return;
    }
    JournalClear(gs->journal);
    SendMessageA(edit, EM_SETMODIFY, 0, 0);
}

// Forwards a command to the device library; the Start button goes its one way.
void ForwardDeviceCommand(GraphWindowData* data, int id, HWND control, UINT code) {
    if (!g_app->hAcq) return;
    HWND hwnd = data->hwnd;
    if (id == IDC_START_BUTTON) {
        PressStartButton(hwnd, hwnd, control, code);
        return;
    }
    DeviceCommand(hwnd, id, reinterpret_cast<const char*>(control), static_cast<int32_t>(code));
}

void OnToolChosen(GraphWindowData* data, int id) {
    tagGS* gs = data->doc;
    if (id == IDC_TOOL_IBEAM) {
        if (gs->displayMode != kModeXY && gs->cursorShown == kCursorOff) gs->cursorShown = kCursorHidden;
    } else {
        if (gs->cursorShown == kCursorDrawn) {
            HDC dc = GetDC(data->hwnd);
            ToggleTimeCursorLine(dc, gs);
            ReleaseDC(data->hwnd, dc);
        }
        gs->cursorShown = kCursorOff;
    }
    RefreshMeasurementTexts(gs);
}

}  // namespace

void PressStartButton(HWND graphWnd, HWND sender, HWND control, UINT code) {
    HWND button = graphWnd ? GetDlgItem(graphWnd, IDC_START_BUTTON) : nullptr;
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return;
    // The library answers every command with 1; 0 means it has no command operation to reach.
    if (!DeviceCommand(sender, IDC_START_BUTTON, reinterpret_cast<const char*>(control), static_cast<int32_t>(code)))
        return;
    // The library's dialogs pump messages, so the graph may be gone by now.
    if (tagGS* gs = GetWindowGraph(graphWnd)) {
        if (gs->outPanels) ClearOutputPanelsPendingStart(gs->outPanels);
        if (!gs->toolsWhileRecording) SelectTool(gs, graphWnd, IDC_TOOL_ARROW);
    }
    notify::UpdateGraphToolbar();
}

GraphWindowData* GetGraphWindowData(HWND hwnd) {
    if (!IsGraphWindow(hwnd)) return nullptr;
    return reinterpret_cast<GraphWindowData*>(GetWindowLongPtrA(hwnd, 0));
}

tagGS* GetWindowGraph(HWND hwnd) {
    GraphWindowData* data = GetGraphWindowData(hwnd);
    return data ? data->doc : nullptr;
}

int SetWindowGraph(HWND hwnd, tagGS* gs) {
    GraphWindowData* data = GetGraphWindowData(hwnd);
    if (!data) return 0;
    data->doc = gs;
    return 1;
}

// Closes the window's document; 0 when it stays (refused or cancelled).
int CloseGraphWindow(GraphWindowData* data) {
    if (!data->doc) return 1;
    int result = CloseGraph(data->doc, data->hwnd);
    if (!result) return 0;
    data->doc = nullptr;
    if (g_graphWindowCount > 0 && --g_graphWindowCount == 0) {
        notify::UpdateTransformMenu(g_app->hwndFrame, nullptr);
        notify::SetStatusText("Ready");
    }
    return result;
}

// Every graph window sees both sides of an activation; both report the same pair.
void OnChildMdiActivate(GraphWindowData* data, HWND deactivated, HWND activated) {
    g_app->hwndActiveGraph = activated;
    if (!activated) {
        // The last graph went: the toolbar has nothing left to act on.
        notify::UpdateGraphToolbar();
        return;
    }
    if (data->doc && data->doc->outPanels) OutputPanelsOnMdiActivate(deactivated, activated);
    DeviceGraphActivated(GetWindowGraph(activated), 0);
    notify::UpdateTransformMenu(g_app->hwndFrame, activated);
    notify::UpdateGraphToolbar();
    notify::SetStatusText(nullptr);
}

void OnChildGetMinMaxInfo(MINMAXINFO* mmi) {
    int h = g_app->fonts.cyText, w = g_app->fonts.cxText;
    mmi->ptMinTrackSize.x = 64 * w;
    // Measurement row, channel buttons, marker bar and a plot of useful height.
    mmi->ptMinTrackSize.y = (10 * h + 14) + (5 * h + 46) + 2 + 110;
}

void OnChildSize(GraphWindowData* data, UINT type, int, int) {
    tagGS* gs = data->doc;
    if (!gs) return;
    if (type == SIZE_MAXIMIZED && (!Allowed(kPermSizeWindow) || !Allowed(kPermZoomWindow))) return;
    if (type != SIZE_MINIMIZED && gs->journalWnd) gs->journalHeight = JournalSavePlacement(gs->journalWnd);
    LayoutGraphWindow(gs);
    // Invalidated once the scroll bars and buttons stand at their new places (they draw
    // themselves as they move): the graph window does not clip its children, so its paint
    // covers them, and only the children invalidated with it are drawn again over it.
    InvalidateRect(data->hwnd, nullptr, FALSE);
}

void OnChildCommand(GraphWindowData* data, int id, HWND control, UINT code) {
    tagGS* gs = data->doc;
    if (!gs) return;
    if (id >= IDM_MARKER_KEY_FIRST && id <= IDM_MARKER_KEY_LAST) {
        // The journal's edit control shares id 401 with the F10 marker key; only it has a handle.
        if (id == IDC_JOURNAL_EDIT && control)
            OnJournalEditNotify(g_app->hwndFrame, control, code);
        else if (gs->markerManager)
            InsertKeyMarker(gs->markerManager, id);
        return;
    }
    if (id >= IDC_TOOL_ARROW && id <= IDC_TOOL_ZOOM && (!gs->acquiring || gs->toolsWhileRecording))
        SelectTool(gs, data->hwnd, id);
    if (id >= IDC_MEASURE_POPUP_FIRST && id <= IDC_MEASURE_POPUP_LAST && code == kPopupItemChosen)
        UpdateAllMeasurements(gs);
    switch (id) {
    case IDC_JOURNAL_AUTO_TIME:
        if (gs->journal) JournalSetAutoTime(gs->journal, !JournalGetAutoTime(gs->journal));
        setDirtyGraphFlag(gs, 1);
        return;
    case IDC_TOOL_ARROW:
    case IDC_TOOL_IBEAM:
    case IDC_TOOL_ZOOM: OnToolChosen(data, id); return;
    case IDC_MARKER_NEXT:
    case IDC_MARKER_PREVIOUS:
        if (stMarkerNode* node = CurrentMarkerNeighbour(gs, id == IDC_MARKER_NEXT ? 1 : -1)) SelectMarker(gs, node, 0);
        return;
    case IDC_MARKER_LABEL: CommitMarkerLabelEdit(gs, control); return;
    case IDC_JOURNAL_INSERT_TIME:
    case IDC_JOURNAL_INSERT_DATE: JournalInsertClock(gs, id); return;
    case IDC_JOURNAL_LOAD: JournalLoadCommand(gs); return;
    case IDC_JOURNAL_SAVE: JournalSaveText(gs->journal, 1, nullptr); return;
    case IDC_JOURNAL_PRINT: JournalPrint(gs->journal); return;
    case IDC_JOURNAL_NEW: JournalNewCommand(gs); return;
    case IDM_KEY_LEFT:
    case IDM_KEY_RIGHT: StepSelectionByKey(gs, id == IDM_KEY_RIGHT); return;
    case IDM_KEY_UP:
    case IDM_KEY_DOWN: ScrollChannelByKey(gs, id == IDM_KEY_DOWN); return;
    default: break;
    }
    if (id >= IDM_DEVICE_FIRST) ForwardDeviceCommand(data, id, control, code);
}

void OnChildHScroll(GraphWindowData* data, HWND, int code, int position) {
    tagGS* gs = data->doc;
    if (!gs || !Allowed(kPermHScrollBar)) return;
    bool xy = gs->displayMode == kModeXY;
    HDC dc = GetDC(data->hwnd);
    switch (code) {
    case SB_LINEUP:
    case SB_LINEDOWN:
    case SB_PAGEUP:
    case SB_PAGEDOWN:
        if (xy) {
            uint32_t x = gs->xyXChan;
            double before = x < kMaxChannels ? gs->chanVCenter[x] : 0.0;
            int thumb = ScrollXChannelValue(gs, code);
            if (x < kMaxChannels && gs->chanVCenter[x] != before) ShowXChannelMove(gs, dc, thumb);
        } else {
            int thumb = ScrollTimeView(gs, code);
            SetScrollPos(gs->hScrollBar, SB_CTL, thumb, TRUE);
            DrawTimeAxis(dc, gs);
        }
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        if (xy) {
            uint32_t x = gs->xyXChan;
            if (x < kMaxChannels) {
                double span = gs->chanVPerDiv[x] * gs->chanVDivisions[x];
                gs->chanVCenter[x] = gs->chanVCenterRef[x] - span +
                                     (static_cast<double>(position + kThumbRange) / (2 * kThumbRange)) * 2 * span;
                ShowXChannelMove(gs, dc, position);
            }
        } else {
            gs->hStart = (static_cast<double>(position) / kThumbRange) * ScrollableTime(gs);
            int thumb = ScrollTimeView(gs, 4);
            SetScrollPos(gs->hScrollBar, SB_CTL, thumb, TRUE);
            DrawTimeAxis(dc, gs);
            PaintPlotArea(dc, gs);
        }
        break;
    default: break;
    }
    ReleaseDC(data->hwnd, dc);
}

void OnChildVScroll(GraphWindowData* data, HWND, int code, int position) {
    tagGS* gs = data->doc;
    if (!gs) return;
    uint32_t c = gs->selectedChan;
    HDC dc = GetDC(data->hwnd);
    if (Allowed(kPermVScrollBar) && c < kMaxChannels) {
        int slot = static_cast<int>(c);
        switch (code) {
        case SB_LINEUP:
        case SB_LINEDOWN:
        case SB_PAGEUP:
        case SB_PAGEDOWN: {
            double before = gs->chanVCenter[c];
            int thumb = ScrollChannelValue(gs, code);
            if (gs->chanVCenter[c] != before) {
                SetScrollPos(gs->vScrollBar, SB_CTL, thumb, TRUE);
                ComputeChannelTransforms(gs);
                DrawVerticalScale(dc, gs, slot);
                RepaintPlot(gs, dc, slot);
                RefreshInputValues();
            }
            break;
        }
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: {
            double span = gs->chanVPerDiv[c] * gs->chanVDivisions[c];
            gs->chanVCenter[c] =
                gs->chanVCenterRef[c] - span + ((kThumbRange - position) * 2 * span) / (2 * kThumbRange);
            SetScrollPos(gs->vScrollBar, SB_CTL, position, TRUE);
            ComputeChannelTransforms(gs);
            DrawVerticalScale(dc, gs, slot);
            // Dense recordings are redrawn only when the thumb is let go.
            if (code == SB_THUMBPOSITION || PixelsPerSample(gs) > kLiveRedrawPixelsPerSample) {
                RepaintPlot(gs, dc, slot);
                RefreshInputValues();
            }
            break;
        }
        default: break;
        }
    }
    if (c < kMaxChannels) DrawRangeBar(dc, gs, static_cast<int>(c));
    ReleaseDC(data->hwnd, dc);
}

void OnJournalEditNotify(HWND frame, HWND edit, UINT code) {
    if (code == EN_ERRSPACE) {
        ShowSelectionError(frame, 12, "");
    } else if (code == EN_MAXTEXT) {
        LRESULT limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
        SendMessageA(edit, EM_EXLIMITTEXT, 0, limit + 32768);
    }
}

void JournalPaste(HWND edit) {
    JournalMakeRoomForPaste(edit);
    SendMessageA(edit, WM_PASTE, 0, 0);
}

void EnsureEditCapacity(HWND edit) { JournalEnsureCapacity(edit); }

void SetJournalShown(tagGS* gs, int on) {
    if (!gs) return;
    gs->journalShown = on ? 1 : 0;
    if (gs->journalWnd) {
        JournalEnableButtons(gs->journalWnd, gs->journalShown);
        JournalSetTabStops(gs, kJournalTabSizePreference);
        // Showing made the text control; a hidden journal's is left unmade.
        if (HWND edit = JournalHwndIfMade(gs->journalWnd)) {
            if (g_app->fonts.hfontJournal)
                SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(g_app->fonts.hfontJournal), 0);
            UpdateWindow(edit);
            SendMessageA(edit, EM_SCROLL, SB_PAGEDOWN, 0);
            SendMessageA(edit, EM_SCROLL, SB_PAGEUP, 0);
        }
    }
    const LONG plotTop = gs->plotRect.top;
    notify::UpdateGraphToolbar();
    LayoutGraphWindow(gs);
    // Repainted once the scroll bar and the buttons stand at their new places: the graph window
    // does not clip its children, so its erase covers them, and only a child inside the area
    // invalidated then is drawn again over it.
    if (gs->hwnd) {
        RECT rc{};
        GetClientRect(gs->hwnd, &rc);
        rc.top = plotTop < gs->plotRect.top ? plotTop : gs->plotRect.top;
        InvalidateRect(gs->hwnd, &rc, TRUE);
    }
    setDirtyGraphFlag(gs, 1);
}

namespace {

BOOL CALLBACK ApplyJournalFontToGraph(HWND hwnd, LPARAM) {
    if (tagGS* gs = GetWindowGraph(hwnd))
        if (gs->journalWnd) JournalApplyFont(gs->journalWnd);
    return TRUE;
}

// One journal font for every graph; it is kept in the application record and saved.
void ChangeJournalFont(HWND owner) {
    int32_t width = 0, height = 0;
    HFONT old = g_app->fonts.hfontJournal;
    HFONT font = ChooseGraphFont(owner, old, 0, &g_app->fonts.lfJournal, &width, &height);
    if (!font || font == old) return;
    g_app->fonts.hfontJournal = font;
    if (g_app->hwndClient) EnumChildWindows(g_app->hwndClient, ApplyJournalFontToGraph, 0);
    SaveFontSettings();
}

}  // namespace

void ShowJournalContextMenu(HWND hwnd, POINT pt) {
    tagGS* gs = GetWindowGraph(hwnd);
    if (!gs) return;
    HWND edit = JournalHwndIfMade(gs->journalWnd);  // no control, nothing under the mouse
    if (!edit) return;
    char cls[32] = "";
    GetClassNameA(edit, cls, sizeof cls);
    if (lstrcmpiA(cls, "richedit") != 0) return;
    POINT local = pt;
    MapWindowPoints(hwnd, edit, &local, 1);
    RECT rc;
    GetClientRect(edit, &rc);
    if (!PtInRect(&rc, local)) return;
    HMENU menu = LoadMenuA(g_app->hInstance, MAKEINTRESOURCEA(IDR_JOURNAL_MENU));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    if (!popup) {
        DestroyMenu(menu);
        return;
    }
    bool canUndo = SendMessageA(edit, EM_CANUNDO, 0, 0) != 0;
    ModifyMenuA(popup, IDM_JOURNAL_UNDO, MF_BYCOMMAND | MF_STRING | (canUndo ? MF_ENABLED : MF_GRAYED),
                IDM_JOURNAL_UNDO, canUndo ? "Undo" : "Can't Undo");
    CHARRANGE sel{};
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    UINT selState = sel.cpMin == sel.cpMax ? MF_GRAYED : MF_ENABLED;
    EnableMenuItem(popup, IDM_JOURNAL_CUT, MF_BYCOMMAND | selState);
    EnableMenuItem(popup, IDM_JOURNAL_COPY, MF_BYCOMMAND | selState);
    EnableMenuItem(popup, IDM_JOURNAL_CLEAR, MF_BYCOMMAND | selState);
    EnableMenuItem(popup, IDM_JOURNAL_PASTE,
                   MF_BYCOMMAND | (IsClipboardFormatAvailable(CF_TEXT) ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(popup, IDM_JOURNAL_SELECT_ALL, MF_BYCOMMAND | (GetWindowTextLengthA(edit) ? MF_ENABLED : MF_GRAYED));
    int wrap = GetJournalWordWrap(gs->journalWnd);
    CheckMenuItem(popup, IDM_JOURNAL_NO_WRAP, MF_BYCOMMAND | (wrap == 0 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(popup, IDM_JOURNAL_WRAP, MF_BYCOMMAND | (wrap == 1 ? MF_CHECKED : MF_UNCHECKED));
    AdjustMenuByContainerData(IDR_JOURNAL_MENU, popup);
    POINT screen = pt;
    ClientToScreen(hwnd, &screen);
    UINT id = static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD, screen.x, screen.y, 0, edit, nullptr));
    switch (id) {
    case IDM_JOURNAL_UNDO: SendMessageA(edit, WM_UNDO, 0, 0); break;
    case IDM_JOURNAL_CUT: SendMessageA(edit, WM_CUT, 0, 0); break;
    case IDM_JOURNAL_COPY: SendMessageA(edit, WM_COPY, 0, 0); break;
    case IDM_JOURNAL_PASTE: JournalPaste(edit); break;
    case IDM_JOURNAL_CLEAR: SendMessageA(edit, WM_CLEAR, 0, 0); break;
    case IDM_JOURNAL_SELECT_ALL: SendMessageA(edit, EM_SETSEL, 0, -1); break;
    case IDM_JOURNAL_FONT: ChangeJournalFont(edit); break;
    case IDM_JOURNAL_NO_WRAP: JournalSetWordWrap(gs->journalWnd, 0); break;
    case IDM_JOURNAL_WRAP: JournalSetWordWrap(gs->journalWnd, 1); break;
    default: break;
    }
    DestroyMenu(menu);
}

int RegisterDirectorClass(HINSTANCE inst) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DirectorWndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "acqdirector";
    return RegisterClassA(&wc) != 0;
}

// The channel director: the focus holder of the graph window and owner of the channel pop-ups.
LRESULT CALLBACK DirectorWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETDLGCODE) return DLGC_WANTARROWS;
    if (msg != WM_COMMAND) return DefWindowProcA(hwnd, msg, wParam, lParam);
    HWND graph = GetParent(hwnd);
    tagGS* gs = GetWindowGraph(graph);
    if (!gs) return 0;
    int id = LOWORD(wParam);
    if (id >= IDM_SELECT_CHANNEL_FIRST && id <= IDM_SELECT_CHANNEL_LAST) {
        SelectGraphChannel(gs, static_cast<int16_t>(id - IDM_SELECT_CHANNEL_FIRST));
        if (gs->displayMode == kModeXY && gs->acquiring) InvalidateRect(graph, &gs->plotRect, FALSE);
    } else {
        int slot = id - IDM_X_CHANNEL_FIRST;
        if (slot < 0 || slot >= kMaxChannels) return 0;
        gs->xyXChan = static_cast<uint32_t>(slot);
        SetScrollPos(gs->hScrollBar, SB_CTL, ScrollXChannelValue(gs, 4), TRUE);
        UpdateHScrollBar(gs);
        notify::UpdateGraphEditMenus(gs);
        InvalidateRect(graph, nullptr, FALSE);
    }
    return 0;
}

LRESULT CALLBACK AcqChildWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<GraphWindowData*>(GetWindowLongPtrA(hwnd, 0));
    if (!data) {
        if (msg != WM_NCCREATE) return DefMDIChildProcA(hwnd, msg, wParam, lParam);
        data = static_cast<GraphWindowData*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(GraphWindowData)));
        if (!data) return 0;
        data->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(data));
        return DefMDIChildProcA(hwnd, msg, wParam, lParam);
    }
    if (IsFindMessage(msg)) {
        OnFindMarkerText(data->doc, reinterpret_cast<FINDREPLACE*>(lParam));
        return 0;
    }
    switch (msg) {
    case WM_NCDESTROY:
        // A window taken down with the frame still holds its document.
        if (data->doc) {
            ForgetTrackedPlaces(data->doc);
            FreeGraphRecord(data->doc);
            if (g_graphWindowCount > 0) --g_graphWindowCount;
        }
        if (g_app->hwndActiveGraph == hwnd) g_app->hwndActiveGraph = nullptr;
        SetWindowLongPtrA(hwnd, 0, 0);
        LocalFree(data);
        break;
    case WM_CREATE: OnChildCreate(data, reinterpret_cast<CREATESTRUCTA*>(lParam)); return 0;
    case WM_MOVE: OnChildMove(data); break;  // DefMDIChildProc keeps the client's scroll range in step
    case WM_SIZE:
        OnChildSize(data, static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        break;  // DefMDIChildProc keeps the MDI client's maximised state in step
    case WM_SETFOCUS:
        if (data->hwndFocus && IsWindow(data->hwndFocus)) SetFocus(data->hwndFocus);
        return 0;
    case WM_PAINT: OnChildPaint(data); return 0;
    case WM_SETTEXT: {
        // The Window menu lists the graphs by caption; the default procedure leaves the list as
        // it was, so a renamed graph would keep its old name there.
        const LRESULT result = DefMDIChildProcA(hwnd, msg, wParam, lParam);
        SendMessageA(GetParent(hwnd), WM_MDIREFRESHMENU, 0, 0);
        if (g_app->hwndFrame) DrawMenuBar(g_app->hwndFrame);
        return result;
    }
    case WM_CLOSE:
        if (Allowed(kPermCloseWindow) && CloseGraphWindow(data)) break;  // DefMDIChildProc destroys it
        return 0;
    case WM_QUERYENDSESSION: return CloseGraphWindow(data) ? 0 : 1;
    case WM_GETMINMAXINFO: OnChildGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam)); break;
    case WM_WINDOWPOSCHANGING:
        if (RestrictPositionChange(reinterpret_cast<WINDOWPOS*>(lParam))) return 0;
        break;
    case WM_COMMAND: OnChildCommand(data, LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam)); return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        // The thumbs run from -1000 to 1000 in XY mode and on the vertical bar: signed positions.
        int position = static_cast<int16_t>(HIWORD(wParam));
        if (msg == WM_HSCROLL)
            OnChildHScroll(data, reinterpret_cast<HWND>(lParam), LOWORD(wParam), position);
        else
            OnChildVScroll(data, reinterpret_cast<HWND>(lParam), LOWORD(wParam), position);
        return 0;
    }
    case WM_INITMENU: notify::UpdateFrameMenus(hwnd, reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_INITMENUPOPUP:
        notify::ShowPopupItemHelp(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_MENUSELECT: OnMenuSelectMessage(wParam, lParam); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnChildButtonDown(data, msg == WM_LBUTTONDBLCLK, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                          static_cast<UINT>(wParam));
        break;
    case WM_MOUSEMOVE:
        OnChildMouseMove(data, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), static_cast<UINT>(wParam));
        return 0;
    case WM_LBUTTONUP:
        OnChildButtonUp(data, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), static_cast<UINT>(wParam));
        return 0;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_RBUTTONDOWN && Allowed(kPermRMouseButton))
            ShowJournalContextMenu(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MDIACTIVATE:
        OnChildMdiActivate(data, reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case kMsgOutputNotify:
    case kMsgRecordingStarted:
        if (data->doc && data->doc->outPanels) NotifyOutputPanels(lParam, wParam, msg);
        return 0;
    case kMsgRecordingEnded: OnRecordingEnded(data, msg, wParam, lParam); return 0;
    case kMsgRecordingStopped: OnRecordingStopped(); return 0;
    default: break;
    }
    return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}

// The name the class registration uses.
LRESULT CALLBACK GraphWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return AcqChildWndProc(hwnd, msg, wParam, lParam);
}
