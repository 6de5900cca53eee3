// Menu state: the frame menu follows the active graph, the keyboard focus and the lesson's
// command permissions; refreshed on WM_INITMENU and after commands change a graph.
#include "shell/recent_files.h"
#include "shell/help.h"
#include "shell/commands/menus.h"
#include "shell/system_dialogs.h"
#include "shell/commands/command_target.h"
#include "shell/commands/status.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "graph/document/channel_edits.h"
#include "transforms/transforms_ids.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "devlib/resource.h"
#include "shell/startup.h"
#include "graph/view/axis_units.h"
#include "graph/document/channel_scaling.h"
#include "documents/documents_api.h"
#include "outputs/outputs_api.h"
#include "transforms/transforms_api.h"
#include "common/stAcq.h"
#include "graph/dialogs/toolbar.h"
#include "documents/markers/markers.h"
#include <richedit.h>
#include <cstdio>
#include <initializer_list>

namespace {
constexpr int kEditPopup = 1, kTransformPopup = 2, kDisplayPopup = 3;
constexpr int kClipboardPosition = 13;  // in the Edit popup
constexpr int kShowPosition = 13;       // in the Display popup
constexpr int kDotSizePosition = 15;    // in the Show popup

HMENU FrameMenu() {
    HMENU menu = g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    return menu ? menu : g_app->frame.hmenuFrame;
}

void Enable(HMENU menu, UINT id, bool on) { EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); }
void Check(HMENU menu, UINT id, bool on) { CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); }
void EnableAt(HMENU popup, int position, bool on) {
    if (popup) EnableMenuItem(popup, position, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
}
void EnableRange(HMENU menu, UINT first, UINT last, bool on) {
    for (UINT id = first; id <= last; ++id) Enable(menu, id, on);
}
bool Permitted(UINT id) { return GetStatusHotKeyEx(id) > 0; }

// Replaces an item's text by a keyed menu label, keeping the text when the key has none.
void SetLabel(HMENU menu, UINT id, uint32_t key) {
    const char* text = mlgetName(key, 0);
    if (!text) return;
    const UINT state = GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    ModifyMenuA(menu, id, MF_BYCOMMAND | MF_STRING | state, id, text);
}

bool ClipboardHoldsSamples() { return g_app->gsClipboard && g_app->gsClipboard->chanCount[0] > 0; }

bool JournalModified(tagGS* gs) {
    HWND journal = JournalHwndIfMade(gs->journalWnd);
    return journal && SendMessageA(journal, EM_GETMODIFY, 0, 0) != 0;
}

// The journal's selection, through the rich-edit message for a rich-edit journal.
bool JournalHasSelection(HWND journal) {
    char cls[32] = "";
    GetClassNameA(journal, cls, sizeof cls);
    if (lstrcmpiA(cls, "richedit") == 0) {
        CHARRANGE range{0, 0};
        SendMessageA(journal, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range.cpMin != range.cpMax;
    }
    DWORD start = 0, end = 0;
    SendMessageA(journal, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start != end;
}

void SetUndoItem(HMENU menu, bool canUndo) {
    SetLabel(menu, IDM_EDIT_UNDO, canUndo ? IDS_LABEL_UNDO : IDS_LABEL_CANT_UNDO);
    Enable(menu, IDM_EDIT_UNDO, canUndo);
}

// The graph's Undo names the change it would take back ("Undo Cut\tCtrl+Z").
void SetGraphUndoItem(HMENU menu) {
    const bool canUndo = UndoKind() != 0;
    if (!canUndo || UndoText()[0] == 0) {
        SetUndoItem(menu, canUndo);
        return;
    }
    const UINT state = GetMenuState(menu, IDM_EDIT_UNDO, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    ModifyMenuA(menu, IDM_EDIT_UNDO, MF_BYCOMMAND | MF_STRING | state, IDM_EDIT_UNDO, UndoText());
    Enable(menu, IDM_EDIT_UNDO, true);
}

// Save follows the document's modified mark, which takes in the journal's own modification.
void UpdateSaveItem(HMENU menu, tagGS* gs) {
    if (!gs->modified) setDirtyGraphFlag(gs, JournalModified(gs) ? 1 : 0);
    Enable(menu, IDM_FILE_SAVE, gs->modified && gs->isTemplate == 0);
}

// The Display popup's checks for the graph.
void ApplyDisplayChecks(HMENU menu, tagGS* gs) {
    const uint32_t chan = gs->selectedChan < kMaxChannels ? gs->selectedChan : 0;
    const bool xy = gs->displayMode == kModeXY;
    Check(menu, IDM_SHOW_SCOPE, gs->displayMode == kModeScope);
    Check(menu, IDM_SHOW_CHART, gs->displayMode == kModeChart);
    Check(menu, IDM_SHOW_XY, xy);
    Enable(menu, IDM_SHOW_MARKERS, !xy);
    Check(menu, IDM_SHOW_MARKERS, gs->markerBarShown != 0);
    Check(menu, IDM_SHOW_GRID, gs->gridShown != 0);
    Check(menu, IDM_SHOW_JOURNAL, gs->journalShown != 0);
    Check(menu, IDM_SHOW_TOOLBAR, g_app->frame.bToolbarVisible != 0);
    Check(menu, IDM_SHOW_MEASUREMENTS, gs->measureShown != 0);
    Check(menu, IDM_SHOW_CHANNEL_NUMBERS, IsChanButtonsShown(gs));
    Check(menu, IDM_SHOW_LINE_PLOT, gs->chanDrawStyle[chan] == kStyleLine);
    Check(menu, IDM_SHOW_STEP_PLOT, gs->chanDrawStyle[chan] == kStyleStep);
    Check(menu, IDM_SHOW_DOT_PLOT, gs->chanDrawStyle[chan] == kStyleDots);
    Check(menu, IDM_SHOW_LAST_DOT_ONLY, (gs->chanPlotStyle[chan] & kPlotLatestDotOnly) != 0);
    Enable(menu, IDM_SHOW_LAST_DOT_ONLY, xy);
    Check(menu, IDM_SHOW_X_SCALE, IsHScaleShown(gs));
    Check(menu, IDM_SHOW_Y_SCALE, IsVScaleShown(gs));
    Check(menu, IDM_TOOL_ARROW, gs->currentTool == IDC_TOOL_ARROW);
    Check(menu, IDM_TOOL_SELECTION, gs->currentTool == IDC_TOOL_IBEAM);
    Check(menu, IDM_TOOL_ZOOM, gs->currentTool == IDC_TOOL_ZOOM);
    const UINT toolItems[3] = {IDM_TOOL_ARROW, IDM_TOOL_SELECTION, IDM_TOOL_ZOOM};
    for (int i = 0; i < 3; ++i)
        Enable(menu, toolItems[i], !gs->toolButtons[i] || IsWindowEnabled(gs->toolButtons[i]));
    HMENU show = GetSubMenu(GetFramePopup(menu, kDisplayPopup), kShowPosition);
    EnableAt(show, kDotSizePosition, gs->chanDrawStyle[chan] == kStyleDots);
}

// The Transform popup: frequency data has no derivative, FFT or FIR; templates need a template.
void ApplyTransformState(HMENU menu, tagGS* gs) {
    const uint32_t kind = gs->hUnitKind;
    const bool frequency = kind == kHUnitFrequency;
    Enable(menu, IDM_TRANSFORM_DERIVATIVE, !frequency);
    Enable(menu, IDM_TRANSFORM_FFT, !frequency);
    HMENU filters = GetSubMenu(GetFramePopup(menu, kTransformPopup), 0);
    EnableAt(filters, 0, !frequency);
    Enable(menu, IDM_TRANSFORM_FIND_RATE, !frequency && kind != kHUnitUser);
    EnableRange(menu, IDM_TEMPLATE_CORRELATION, IDM_TEMPLATE_INVERSE_MEAN_SQUARE_ERROR, g_templateSet != 0);
}

// Cut, Copy, Clear and Clear All for a non-empty selection of a graph with shown channels.
void UpdateSelectionItems(HMENU menu, tagGS* gs, bool journalFocus) {
    Enable(menu, IDM_EDIT_CUT, Permitted(IDM_EDIT_CUT));
    Enable(menu, IDM_EDIT_COPY, Permitted(IDM_EDIT_COPY));
    const int channels = journalFocus ? 0 : CountSlots(gs, SlotHoldsChannel);
    if (channels != 1) {
        Enable(menu, IDM_EDIT_CLEAR, Permitted(IDM_EDIT_CLEAR));
        Enable(menu, IDM_EDIT_CLEAR_ALL, Permitted(IDM_EDIT_CLEAR_ALL));
        return;
    }
    Enable(menu, IDM_EDIT_CLEAR, true);
    Enable(menu, IDM_EDIT_CLEAR_ALL, false);
    const bool oneSegment = !gs->markerManager || CountMarkersOfType(gs, kMarkerAppend) == 1;
    Enable(menu, IDM_EDIT_CUT, Permitted(IDM_EDIT_CUT) && oneSegment);
}

// Tile, Autoscale, Compare and Autoscale Horizontal carry the labels of the display mode.
void UpdateDisplayLabels(HMENU menu, tagGS* gs, bool shown) {
    static const uint32_t keys[4] = {IDS_LABEL_TILE, IDS_LABEL_AUTOSCALE, IDS_LABEL_COMPARE,
                                     IDS_LABEL_AUTOSCALE_HORIZONTAL};
    const uint32_t modeOffset = !gs ? 1 : gs->displayMode == kModeChart ? 0 : gs->displayMode == kModeScope ? 1 : 2;
    static const UINT ids[4] = {IDM_DISPLAY_TILE, IDM_DISPLAY_AUTOSCALE, IDM_DISPLAY_COMPARE,
                                IDM_DISPLAY_AUTOSCALE_HORIZONTAL};
    for (int i = 0; i < 4; ++i) SetLabel(menu, ids[i], keys[i] + modeOffset);
    const bool on = gs && shown;
    Enable(menu, IDM_DISPLAY_TILE, on);
    Enable(menu, IDM_DISPLAY_AUTOSCALE, on);
    Enable(menu, IDM_DISPLAY_AUTOSCALE_HORIZONTAL, on);
    const UINT clip = GetMenuState(menu, IDM_CLIPBOARD_MEASUREMENT, MF_BYCOMMAND);
    Enable(menu, IDM_DISPLAY_COMPARE, clip != 0xFFFFFFFFu && !(clip & MF_GRAYED));
}
}  // namespace

// A maximised graph puts its system menu, a bitmap item, in front of the popups.
HMENU GetFramePopup(HMENU menu, int position) {
    if (!menu) return nullptr;
    BOOL maximised = FALSE;
    if (g_app->hwndClient) SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised));
    MENUITEMINFOA first{};
    first.cbSize = sizeof first;
    first.fMask = MIIM_FTYPE;
    const bool shifted = maximised && GetMenuItemInfoA(menu, 0, TRUE, &first) && (first.fType & MFT_BITMAP);
    return GetSubMenu(menu, position + (shifted ? 1 : 0));
}

// Attaches the held frame menu and hands its Window menu to the MDI client.
void AttachFrameMenu() {
    if (!g_app->frame.hmenuFrame || !g_app->hwndFrame) return;
    InitHelpMenu();
    SetMenu(g_app->hwndFrame, g_app->frame.hmenuFrame);  // lays out and draws the new bar
    BOOL maximised = FALSE;
    if (g_app->hwndClient) {
        SendMessageA(g_app->hwndClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(g_app->frame.hmenuFrame),
                     reinterpret_cast<LPARAM>(GetSubMenu(g_app->frame.hmenuFrame, 4)));
        SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised));
    }
    // Only a maximised graph changes the bar again (its system menu and buttons join it).
    if (maximised) DrawMenuBar(g_app->hwndFrame);
    g_app->frame.bFrameMenuAttached = 1;
    FrameReadyForSplash();
}

void UpdateFrameMenus(HWND, HMENU) {
    HMENU menu = FrameMenu();
    if (!menu) return;
    UpdateRecentFilesMenu(menu);  // the lessons may have rebuilt the File menu
    HWND graphWnd = ActiveGraphWindow();
    EnableRange(menu, IDM_WINDOW_TILE_HORIZONTAL, IDM_WINDOW_ARRANGE_ICONS, graphWnd != nullptr);
    tagGS* gs = GetWindowGraph(graphWnd);
    if (!gs) {
        UpdateGraphEditMenus(nullptr);
        return;
    }
    HWND journal = JournalHwndIfMade(gs->journalWnd);
    if (HasFocus(gs->markerLabelEdit)) {
        UpdateTextEditMenus(gs, gs->markerLabelEdit);
    } else if (HasFocus(journal)) {
        UpdateJournalEditMenu(gs, journal);
    } else if (CountSlots(gs, SlotShown) > 0) {
        UpdateGraphMenus(gs);
    } else {
        UpdateGraphEditMenus(gs);
        UpdateEditMenu(gs, 0);
    }
}

// A graph without shown channels, or none: the edits and the data commands are grayed.
void UpdateGraphEditMenus(tagGS* gs) {
    HMENU menu = FrameMenu();
    if (!menu) return;
    EnableRange(menu, IDM_EDIT_UNDO, IDM_EDIT_REMOVE_WAVEFORM, false);
    EnableRange(menu, IDM_DISPLAY_TILE, IDM_DISPLAY_ZOOM_NEXT, false);
    UpdateOptimizeRangesItems();
    if (gs) {
        EnableAt(GetFramePopup(menu, kDisplayPopup), kShowPosition, true);
        SetRadioCheckBitmaps();
        ApplyDisplayChecks(menu, gs);
    }
    Enable(menu, IDM_DISPLAY_STATISTICS, false);
    for (UINT id : {IDM_DISPLAY_HORIZONTAL_AXIS, IDM_PREFERENCES_GENERAL, IDM_DISPLAY_SIZE_WINDOW, IDM_FILE_SAVE_AS,
                    IDM_FILE_CLOSE})
        Enable(menu, id, gs != nullptr);
    Enable(menu, IDM_FILE_PRINT, false);
    Enable(menu, IDM_FILE_SAVE, gs && JournalModified(gs));
    UpdateOutputMenu(menu);
    DisableGraphToolButtons();
}

// A graph with shown channels.
void UpdateGraphMenus(tagGS* gs) {
    HMENU menu = FrameMenu();
    if (!menu || !gs) return;
    Enable(menu, IDM_EDIT_DUPLICATE_WAVEFORM, true);
    Enable(menu, IDM_EDIT_REMOVE_WAVEFORM, true);
    UpdateSaveItem(menu, gs);
    for (UINT id :
         {IDM_FILE_PRINT, IDM_FILE_SAVE_AS, IDM_FILE_CLOSE, IDM_EDIT_SELECT_ALL, IDM_DISPLAY_COMPARE,
          IDM_DISPLAY_AUTOSCALE_HORIZONTAL, IDM_DISPLAY_ZOOM_PREVIOUS, IDM_DISPLAY_TILE, IDM_DISPLAY_AUTOSCALE,
          IDM_DISPLAY_STATISTICS, IDM_PREFERENCES_GENERAL, IDM_DISPLAY_SIZE_WINDOW, IDM_DISPLAY_HORIZONTAL_AXIS})
        Enable(menu, id, true);
    Enable(menu, IDM_DISPLAY_RESET_CHART, !gs->acquiring);
    Enable(menu, IDM_DISPLAY_WAVE_POSITION, !gs->acquiring);
    Enable(menu, IDM_DISPLAY_OVERLAP, gs->displayMode == kModeScope);
    UpdateOptimizeRangesItems();
    Enable(menu, IDM_DISPLAY_ZOOM_NEXT, gs->zoomLevel != gs->zoomCount);
    Enable(menu, IDM_DISPLAY_ZOOM_PREVIOUS, gs->zoomLevel != 0);
    ApplyTransformState(menu, gs);
    ApplyDisplayChecks(menu, gs);
    UpdateEditMenu(gs, 1);
    Enable(menu, IDM_JOURNAL_PASTE_MEASUREMENT, gs->journalShown != 0);
    Enable(menu, IDM_JOURNAL_PASTE_WAVE_DATA, gs->journalShown != 0);
    UpdateOutputMenu(menu);
    EnableGraphToolButtons(gs);
    // No quitting or closing while the graph records.
    const UINT closeState = MF_BYCOMMAND | (gs->acquiring ? MF_GRAYED | MF_DISABLED : MF_ENABLED);
    EnableMenuItem(menu, IDM_FILE_QUIT, closeState);
    if (HMENU sys = GetSystemMenu(g_app->hwndFrame, FALSE)) EnableMenuItem(sys, SC_CLOSE, closeState);
    if (gs->hwnd)
        if (HMENU sys = GetSystemMenu(gs->hwnd, FALSE)) EnableMenuItem(sys, SC_CLOSE, closeState);
}

void UpdateEditMenu(tagGS* gs, int hasShownChannels) {
    HMENU menu = FrameMenu();
    if (!menu) return;
    if (gs && HasFocus(gs->markerLabelEdit)) return;
    HWND journal = gs ? JournalHwndIfMade(gs->journalWnd) : nullptr;
    const bool journalFocus = HasFocus(journal);
    for (UINT id : {IDM_EDIT_CUT, IDM_EDIT_COPY, IDM_EDIT_CLEAR, IDM_EDIT_CLEAR_ALL}) Enable(menu, id, false);
    const bool shown = gs && hasShownChannels;
    EnableRange(menu, IDM_CLIPBOARD_MEASUREMENT, IDM_CLIPBOARD_GRAPH, shown && !gs->acquiring);
    if (shown && !gs->acquiring && gs->selStart != gs->selEnd) UpdateSelectionItems(menu, gs, journalFocus);
    if (!journalFocus) {
        SetGraphUndoItem(menu);
        Enable(menu, IDM_EDIT_PASTE, Permitted(IDM_EDIT_PASTE) && ClipboardHoldsSamples());
        Enable(menu, IDM_EDIT_INSERT_WAVEFORM, ClipboardHoldsSamples());
    } else {
        Enable(menu, IDM_EDIT_SELECT_ALL, GetWindowTextLengthA(journal) > 0);
        SetUndoItem(menu, SendMessageA(journal, EM_CANUNDO, 0, 0) != 0);
        const bool selected = JournalHasSelection(journal);
        for (UINT id : {IDM_EDIT_CUT, IDM_EDIT_COPY, IDM_EDIT_CLEAR}) Enable(menu, id, selected);
        Enable(menu, IDM_EDIT_PASTE, IsClipboardFormatAvailable(CF_TEXT) != 0);
    }
    UpdateDisplayLabels(menu, gs, shown);
    if (gs && gs->acquiring) UpdateRecordingMenus(gs);
}

// The journal has the focus: the Edit menu works on its text.
void UpdateJournalEditMenu(tagGS* gs, HWND journal) {
    HMENU menu = FrameMenu();
    if (!menu || !gs) return;
    SetUndoItem(menu, SendMessageA(journal, EM_CANUNDO, 0, 0) != 0);
    DWORD start = 0, end = 0;
    SendMessageA(journal, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    for (UINT id : {IDM_EDIT_CUT, IDM_EDIT_COPY, IDM_EDIT_CLEAR}) Enable(menu, id, start != end);
    EnableRange(menu, IDM_EDIT_CLEAR_ALL, IDM_EDIT_REMOVE_WAVEFORM, false);
    Enable(menu, IDM_EDIT_PASTE, IsClipboardFormatAvailable(CF_TEXT) != 0);
    EnableAt(GetFramePopup(menu, kEditPopup), kClipboardPosition, false);
    Enable(menu, IDM_JOURNAL_PASTE_MEASUREMENT, true);
    Enable(menu, IDM_JOURNAL_PASTE_WAVE_DATA, true);
    UpdateSaveItem(menu, gs);
}

// The Edit menu while the marker label box has the focus: the box's own undo and selection; the
// channel edits and the Clipboard and Journal items are greyed.
void UpdateTextEditMenus(tagGS* gs, HWND box) {
    HMENU menu = FrameMenu();
    if (!menu || !gs || !box) return;
    SetUndoItem(menu, SendMessageA(box, EM_CANUNDO, 0, 0) != 0);
    DWORD start = 0, end = 0;
    SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    for (UINT id : {IDM_EDIT_CUT, IDM_EDIT_COPY, IDM_EDIT_CLEAR}) Enable(menu, id, start != end);
    Enable(menu, IDM_EDIT_PASTE, IsClipboardFormatAvailable(CF_TEXT) != 0);
    EnableRange(menu, IDM_EDIT_CLEAR_ALL, IDM_EDIT_REMOVE_WAVEFORM, false);
    Enable(menu, IDM_EDIT_SELECT_ALL, GetWindowTextLengthA(box) > 0);
    HMENU edit = GetFramePopup(menu, kEditPopup);
    EnableAt(edit, kClipboardPosition, false);
    EnableAt(edit, kClipboardPosition + 1, false);
    if (!gs->modified && SendMessageA(box, EM_GETMODIFY, 0, 0)) setDirtyGraphFlag(gs, 1);
    Enable(menu, IDM_FILE_SAVE, gs->modified && gs->isTemplate == 0);
}

// While the graph records, nothing may change or close it; the device set-up waits too.
void UpdateRecordingMenus(tagGS* gs) {
    HMENU menu = FrameMenu();
    if (!menu || !gs) return;
    const bool recording = gs->acquiring != 0;
    if (recording)
        for (UINT id : {IDM_FILE_PRINT, IDM_EDIT_CUT, IDM_EDIT_CLEAR, IDM_EDIT_CLEAR_ALL, IDM_EDIT_DUPLICATE_WAVEFORM,
                        IDM_EDIT_REMOVE_WAVEFORM, IDM_DISPLAY_HORIZONTAL_AXIS, IDM_PREFERENCES_GENERAL, IDM_FILE_SAVE,
                        IDM_FILE_SAVE_AS, IDM_FILE_CLOSE})
            Enable(menu, id, false);
    Enable(menu, IDM_CHANNELS, !recording);
    Enable(menu, IDM_ACQUISITION, !recording);
    if (g_app->hwndFrame && GetMenu(g_app->hwndFrame)) DrawMenuBar(g_app->hwndFrame);
}

// The device menu's Warn On Overwrite follows the graph's own setting.
void UpdateTransformMenu(HWND, HWND graphWindow) {
    tagGS* gs = GetWindowGraph(graphWindow);
    if (!gs) return;
    AcqLock acq(g_app->hAcq);
    if (!acq) return;
    acq->warnOnOverwrite = static_cast<int32_t>(gs->overwriteWarning);
    if (HMENU menu = FrameMenu()) Check(menu, IDM_WARNINGONOVERWRITE, static_cast<int32_t>(gs->overwriteWarning) > 0);
}

// The radio-style Display items show the round check bitmap.
void SetRadioCheckBitmaps() {
    HMENU menu = FrameMenu();
    if (!menu) return;
    for (UINT id : {IDM_SHOW_SCOPE, IDM_SHOW_CHART, IDM_SHOW_XY, IDM_SHOW_LINE_PLOT, IDM_SHOW_STEP_PLOT,
                    IDM_SHOW_DOT_PLOT, IDM_TOOL_ARROW, IDM_TOOL_SELECTION, IDM_TOOL_ZOOM})
        SetMenuItemBitmaps(menu, id, MF_BYCOMMAND, nullptr, g_app->bitmaps.hbmCheck);
}

// The Wave Color items draw themselves in their colours; the colour index is the item data.
void MakeColorMenuOwnerDrawn(HMENU menu) {
    if (!menu) return;
    for (UINT id = IDM_COLOR_BLACK; id <= IDM_COLOR_BURGUNDY; ++id) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        info.fType = MFT_OWNERDRAW;
        info.dwItemData = id - IDM_COLOR_BLACK + 1;
        SetMenuItemInfoA(menu, id, FALSE, &info);
    }
}

void DrawColorMenuItem(DRAWITEMSTRUCT* dis) {
    if (!dis || !(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return;
    RECT frame = dis->rcItem;
    InflateRect(&frame, -1, -1);
    if (dis->itemState & ODS_SELECTED) {
        FrameRect(dis->hDC, &frame, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    } else if (dis->itemAction & ODA_SELECT) {
        HBRUSH menuBrush = CreateSolidBrush(GetSysColor(COLOR_MENU));
        FrameRect(dis->hDC, &frame, menuBrush);
        DeleteObject(menuBrush);
    }
    if (!(dis->itemAction & ODA_DRAWENTIRE)) return;
    char label[80] = "    ";
    const char* keyed = mlgetName(IDS_LABEL_COLOR_BLACK + (dis->itemID - IDM_COLOR_BLACK), 0);
    if (keyed)
        lstrcpynA(label + 4, keyed, sizeof label - 4);
    else
        LoadStringA(g_app->hInstance, dis->itemID, label + 4, 61);
    const COLORREF oldColour = SetTextColor(dis->hDC, WaveColorFromIndex(static_cast<uint32_t>(dis->itemData)));
    const int oldMode = SetBkMode(dis->hDC, TRANSPARENT);
    RECT text = dis->rcItem;
    DrawTextA(dis->hDC, label, -1, &text, DT_SINGLELINE | DT_VCENTER);
    SetBkMode(dis->hDC, oldMode);
    SetTextColor(dis->hDC, oldColour);
}

// An item of the toolbar's channel list: its slot number, then the channel's label in its colour.
void DrawOwnerItemFocus(DRAWITEMSTRUCT* dis) {
    if (!dis || !(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return;
    if ((dis->itemAction & ODA_SELECT) || (dis->itemState & ODS_SELECTED)) DrawFocusRect(dis->hDC, &dis->rcItem);
    if (!(dis->itemAction & ODA_DRAWENTIRE)) return;
    tagGS* gs = ActiveGraph();
    const ULONG_PTR slot = dis->itemData;
    if (!gs || slot >= static_cast<ULONG_PTR>(kMaxChannels)) return;
    const int oldMode = SetBkMode(dis->hDC, TRANSPARENT);
    char number[8];
    std::snprintf(number, sizeof number, "%2d", static_cast<int>(slot));
    RECT box{dis->rcItem.left, dis->rcItem.top, dis->rcItem.left + 14, dis->rcItem.bottom};
    DrawTextA(dis->hDC, number, -1, &box, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    RECT label{dis->rcItem.left + 16, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom};
    const COLORREF oldColour = SetTextColor(dis->hDC, gs->chanColor[slot]);
    DrawTextA(dis->hDC, gs->chanLabel[slot], -1, &label, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dis->hDC, oldColour);
    SetBkMode(dis->hDC, oldMode);
}

namespace {
void EnableToolButton(UINT id, bool on) {
    if (HWND button = ToolbarButton(id))
        EnableWindow(button, on ? TRUE : FALSE);
}

void RepaintToolbar() {
    if (g_app->hwndToolbar) InvalidateRect(g_app->hwndToolbar, nullptr, FALSE);
}
}  // namespace

// The toolbar's scale and peak buttons for a graph with shown channels; XY mode has its own pair.
void EnableGraphToolButtons(tagGS* gs) {
    if (!gs) return;
    const bool xy = gs->displayMode == kModeXY;
    EnableToolButton(IDM_DISPLAY_AUTOSCALE_HORIZONTAL, true);
    EnableToolButton(IDM_DISPLAY_AUTOSCALE_ACTIVE, true);
    EnableToolButton(IDM_TRANSFORM_FIND_PEAK, !xy && !gs->acquiring);
    EnableToolButton(IDM_TRANSFORM_FIND_NEXT_PEAK, !xy && !gs->acquiring);
    EnableToolButton(IDM_DISPLAY_CENTER_VERTICALLY, xy);
    EnableToolButton(IDM_DISPLAY_CENTER_HORIZONTALLY, xy);
    EnableToolButton(IDM_SHOW_MARKERS, !xy);
    RepaintToolbar();
}

void DisableGraphToolButtons() {
    for (UINT id : {IDM_DISPLAY_AUTOSCALE_HORIZONTAL, IDM_DISPLAY_AUTOSCALE_ACTIVE, IDM_DISPLAY_CENTER_VERTICALLY,
                    IDM_DISPLAY_CENTER_HORIZONTALLY, IDM_TRANSFORM_FIND_PEAK, IDM_TRANSFORM_FIND_NEXT_PEAK})
        EnableToolButton(id, false);
    RepaintToolbar();
}
