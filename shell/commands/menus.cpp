// Menu state: the frame menu follows the active graph, the keyboard focus and the lesson's
// command permissions; refreshed on WM_INITMENU and after commands change a graph.
#include "shell/commands/menus.h"
#include "shell/commands/command_target.h"
#include "shell/commands/status.h"
#include "shell/startup.h"
#include "graph/view/axis_units.h"
#include "graph/document/channel_scaling.h"
#include "documents/documents_api.h"
#include "outputs/outputs_api.h"
#include "transforms/transforms_api.h"
#include "devlib/acquisition/stAcq.h"
#include <richedit.h>
#include <cstdio>
#include <initializer_list>

namespace {
constexpr int kEditPopup = 1, kTransformPopup = 2, kDisplayPopup = 3;
constexpr int kClipboardPosition = 13;  // in the Edit popup
constexpr int kShowPosition = 13;       // in the Display popup
constexpr int kDotSizePosition = 15;    // in the Show popup
constexpr int kSegmentMarker = 3;
constexpr uint32_t kHorizontalFrequency = 1, kHorizontalUser = 3;  // hUnitKind

HMENU FrameMenu() {
    HMENU menu = g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    return menu ? menu : g_frameMenu;
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

bool ClipboardHoldsSamples() { return g_channelClipboard && g_channelClipboard->chanCount[0] > 0; }

bool JournalModified(tagGS* gs) {
    HWND journal = GetJournalWindow(gs);
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
    SetLabel(menu, 513, canUndo ? 2200 : 2201);
    Enable(menu, 513, canUndo);
}

// Save follows the document's modified mark, which takes in the journal's own modification.
void UpdateSaveItem(HMENU menu, tagGS* gs) {
    if (!gs->modified) setDirtyGraphFlag(gs, JournalModified(gs) ? 1 : 0);
    Enable(menu, 259, gs->modified && gs->isTemplate == 0);
}

// The Display popup's checks for the graph.
void ApplyDisplayChecks(HMENU menu, tagGS* gs) {
    const uint32_t chan = gs->selectedChan < kMaxChannels ? gs->selectedChan : 0;
    const bool xy = gs->displayMode == 2;
    Check(menu, 2082, gs->displayMode == 0);
    Check(menu, 2083, gs->displayMode == 1);
    Check(menu, 2084, xy);
    Enable(menu, 2087, !xy);
    Check(menu, 2087, gs->markerBarShown != 0);
    Check(menu, 2085, gs->gridShown != 0);
    Check(menu, 2091, gs->journalShown != 0);
    Check(menu, 2088, g_app->bToolbarVisible != 0);
    Check(menu, 2089, gs->measureShown != 0);
    Check(menu, 2090, gs->chanButtonsShown != 0);
    Check(menu, 2092, gs->chanDrawStyle[chan] == 0);
    Check(menu, 2093, gs->chanDrawStyle[chan] == 1);
    Check(menu, 2101, gs->chanDrawStyle[chan] == 2);
    Check(menu, 2102, (gs->chanPlotStyle[chan] & 0x80000000u) != 0);
    Enable(menu, 2102, xy);
    Check(menu, 2119, gs->hScaleShown != 0);
    Check(menu, 2120, gs->vScaleShown != 0);
    Check(menu, 2130, gs->currentTool == 16);
    Check(menu, 2131, gs->currentTool == 17);
    Check(menu, 2132, gs->currentTool == 18);
    HMENU show = GetSubMenu(GetFramePopup(menu, kDisplayPopup), kShowPosition);
    EnableAt(show, kDotSizePosition, gs->chanDrawStyle[chan] == 2);
}

// The Transform popup: frequency data has no derivative, FFT or FIR; templates need a template.
void ApplyTransformState(HMENU menu, tagGS* gs) {
    const uint32_t kind = gs->hUnitKind;
    const bool frequency = kind == kHorizontalFrequency;
    Enable(menu, 1057, !frequency);
    Enable(menu, 1065, !frequency);
    HMENU filters = GetSubMenu(GetFramePopup(menu, kTransformPopup), 0);
    EnableAt(filters, 0, !frequency);
    Enable(menu, 1066, !frequency && kind != kHorizontalUser);
    EnableRange(menu, 1048, 1051, g_templateSet != 0);
}

// Cut, Copy, Clear and Clear All for a non-empty selection of a graph with shown channels.
void UpdateSelectionItems(HMENU menu, tagGS* gs, bool journalFocus) {
    Enable(menu, 514, Permitted(514));
    Enable(menu, 515, Permitted(515));
    const int channels = journalFocus ? 0 : CountSlots(gs, SlotHoldsChannel);
    if (channels != 1) {
        Enable(menu, 517, Permitted(517));
        Enable(menu, 518, Permitted(518));
        return;
    }
    Enable(menu, 517, true);
    Enable(menu, 518, false);
    const bool oneSegment = !gs->markerManager || CountMarkersOfType(gs, kSegmentMarker) == 1;
    Enable(menu, 514, Permitted(514) && oneSegment);
}

// Tile, Autoscale, Compare and Autoscale Horizontal carry the labels of the display mode.
void UpdateDisplayLabels(HMENU menu, tagGS* gs, bool shown) {
    static const uint32_t keys[4] = {2400, 2410, 2420, 2430};
    const uint32_t modeOffset = !gs ? 1 : gs->displayMode == 1 ? 0 : gs->displayMode == 0 ? 1 : 2;
    static const UINT ids[4] = {2049, 2050, 2052, 2053};
    for (int i = 0; i < 4; ++i) SetLabel(menu, ids[i], keys[i] + modeOffset);
    const bool on = gs && shown;
    Enable(menu, 2049, on);
    Enable(menu, 2050, on);
    Enable(menu, 2053, on);
    const UINT clip = GetMenuState(menu, 524, MF_BYCOMMAND);
    Enable(menu, 2052, clip != 0xFFFFFFFFu && !(clip & MF_GRAYED));
}
}  // namespace

// A maximised graph puts its system menu, a bitmap item, in front of the popups.
HMENU GetFramePopup(HMENU menu, int position) {
    if (!menu) return nullptr;
    BOOL maximised = FALSE;
    if (g_app->hwndClient)
        SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised));
    MENUITEMINFOA first{};
    first.cbSize = sizeof first;
    first.fMask = MIIM_FTYPE;
    const bool shifted = maximised && GetMenuItemInfoA(menu, 0, TRUE, &first) && (first.fType & MFT_BITMAP);
    return GetSubMenu(menu, position + (shifted ? 1 : 0));
}

// Attaches the held frame menu and hands its Window menu to the MDI client.
void AttachFrameMenu() {
    if (!g_frameMenu || !g_app->hwndFrame) return;
    SetMenu(g_app->hwndFrame, g_frameMenu);  // lays out and draws the new bar
    BOOL maximised = FALSE;
    if (g_app->hwndClient) {
        SendMessageA(g_app->hwndClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(g_frameMenu),
                     reinterpret_cast<LPARAM>(GetSubMenu(g_frameMenu, 4)));
        SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised));
    }
    // Only a maximised graph changes the bar again (its system menu and buttons join it).
    if (maximised) DrawMenuBar(g_app->hwndFrame);
    g_frameMenuAttached = 1;
}

void UpdateFrameMenus(HWND, HMENU) {
    HMENU menu = FrameMenu();
    if (!menu) return;
    HWND graphWnd = ActiveGraphWindow();
    EnableRange(menu, 4097, 4101, graphWnd != nullptr);
    tagGS* gs = GetWindowGraph(graphWnd);
    if (!gs) {
        UpdateGraphEditMenus(nullptr);
        return;
    }
    HWND journal = GetJournalWindow(gs);
    if (HasFocus(gs->markerLabelEdit)) {
        UpdateTextEditMenus(menu);
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
    EnableRange(menu, 513, 522, false);
    EnableRange(menu, 2049, 2057, false);
    UpdateOptimizeRangesItems();
    if (gs) {
        EnableAt(GetFramePopup(menu, kDisplayPopup), kShowPosition, true);
        SetRadioCheckBitmaps();
        ApplyDisplayChecks(menu, gs);
    }
    Enable(menu, 2094, false);
    for (UINT id : {2080u, 2135u, 2096u, 260u, 268u}) Enable(menu, id, gs != nullptr);
    Enable(menu, 261, false);
    Enable(menu, 259, gs && JournalModified(gs));
    UpdateOutputMenu(menu);
    DisableGraphToolButtons();
}

// A graph with shown channels.
void UpdateGraphMenus(tagGS* gs) {
    HMENU menu = FrameMenu();
    if (!menu || !gs) return;
    Enable(menu, 520, true);
    Enable(menu, 522, true);
    UpdateSaveItem(menu, gs);
    for (UINT id : {261u, 260u, 268u, 521u, 2052u, 2053u, 2054u, 2049u, 2050u, 2094u, 2135u, 2096u, 2080u})
        Enable(menu, id, true);
    Enable(menu, 2056, !gs->acquiring);
    Enable(menu, 2055, !gs->acquiring);
    Enable(menu, 2051, gs->displayMode == 0);
    UpdateOptimizeRangesItems();
    Enable(menu, 2057, gs->zoomLevel != gs->zoomCount);
    Enable(menu, 2054, gs->zoomLevel != 0);
    ApplyTransformState(menu, gs);
    ApplyDisplayChecks(menu, gs);
    UpdateEditMenu(gs, 1);
    Enable(menu, 528, gs->journalShown != 0);
    Enable(menu, 529, gs->journalShown != 0);
    UpdateOutputMenu(menu);
    EnableGraphToolButtons(gs);
    // No quitting or closing while the graph records.
    const UINT closeState = MF_BYCOMMAND | (gs->acquiring ? MF_GRAYED | MF_DISABLED : MF_ENABLED);
    EnableMenuItem(menu, 262, closeState);
    if (HMENU sys = GetSystemMenu(g_app->hwndFrame, FALSE)) EnableMenuItem(sys, SC_CLOSE, closeState);
    if (gs->hwnd)
        if (HMENU sys = GetSystemMenu(gs->hwnd, FALSE)) EnableMenuItem(sys, SC_CLOSE, closeState);
}

void UpdateEditMenu(tagGS* gs, int hasShownChannels) {
    HMENU menu = FrameMenu();
    if (!menu) return;
    if (gs && HasFocus(gs->markerLabelEdit)) return;
    HWND journal = gs ? GetJournalWindow(gs) : nullptr;
    const bool journalFocus = HasFocus(journal);
    for (UINT id : {514u, 515u, 517u, 518u}) Enable(menu, id, false);
    const bool shown = gs && hasShownChannels;
    EnableRange(menu, 524, 526, shown && !gs->acquiring);
    if (shown && !gs->acquiring && gs->selStart != gs->selEnd) UpdateSelectionItems(menu, gs, journalFocus);
    if (!journalFocus) {
        SetUndoItem(menu, g_app->nUndoKind != 0);
        Enable(menu, 516, Permitted(516) && ClipboardHoldsSamples());
        Enable(menu, 519, ClipboardHoldsSamples());
    } else {
        Enable(menu, 521, GetWindowTextLengthA(journal) > 0);
        SetUndoItem(menu, SendMessageA(journal, EM_CANUNDO, 0, 0) != 0);
        const bool selected = JournalHasSelection(journal);
        for (UINT id : {514u, 515u, 517u}) Enable(menu, id, selected);
        Enable(menu, 516, IsClipboardFormatAvailable(CF_TEXT) != 0);
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
    for (UINT id : {514u, 515u, 517u}) Enable(menu, id, start != end);
    EnableRange(menu, 518, 522, false);
    Enable(menu, 516, IsClipboardFormatAvailable(CF_TEXT) != 0);
    EnableAt(GetSubMenu(menu, kEditPopup), kClipboardPosition, false);
    Enable(menu, 528, true);
    Enable(menu, 529, true);
    UpdateSaveItem(menu, gs);
}

// While the graph records, nothing may change or close it; the device set-up waits too.
void UpdateRecordingMenus(tagGS* gs) {
    HMENU menu = FrameMenu();
    if (!menu || !gs) return;
    const bool recording = gs->acquiring != 0;
    if (recording)
        for (UINT id : {261u, 514u, 517u, 518u, 520u, 522u, 2080u, 2135u, 259u, 260u, 268u}) Enable(menu, id, false);
    Enable(menu, 5001, !recording);
    Enable(menu, 5002, !recording);
    if (g_app->hwndFrame && GetMenu(g_app->hwndFrame)) DrawMenuBar(g_app->hwndFrame);
}

// The device menu's Warn On Overwrite follows the graph's own setting.
void UpdateTransformMenu(HWND, HWND graphWindow) {
    tagGS* gs = GetWindowGraph(graphWindow);
    if (!gs) return;
    AcqLock acq(g_app->hAcq);
    if (!acq) return;
    acq->warnOnOverwrite = static_cast<int32_t>(gs->overwriteWarning);
    if (HMENU menu = FrameMenu()) Check(menu, 5012, static_cast<int32_t>(gs->overwriteWarning) > 0);
}

// The radio-style Display items show the round check bitmap.
void SetRadioCheckBitmaps() {
    HMENU menu = FrameMenu();
    if (!menu) return;
    for (UINT id : {2082u, 2083u, 2084u, 2092u, 2093u, 2101u, 2130u, 2131u, 2132u})
        SetMenuItemBitmaps(menu, id, MF_BYCOMMAND, nullptr, g_app->hbmCheck);
}

// The Wave Color items draw themselves in their colours; the colour index is the item data.
void MakeColorMenuOwnerDrawn(HMENU menu) {
    if (!menu) return;
    for (UINT id = 2065; id <= 2071; ++id) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        info.fType = MFT_OWNERDRAW;
        info.dwItemData = id - 2064;
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
    const char* keyed = mlgetName(dis->itemID - 615, 0);
    if (keyed) lstrcpynA(label + 4, keyed, sizeof label - 4);
    else LoadStringA(g_app->hInstance, dis->itemID, label + 4, 61);
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
    if (HWND button = g_app->hwndToolbar ? GetDlgItem(g_app->hwndToolbar, static_cast<int>(id)) : nullptr)
        EnableWindow(button, on ? TRUE : FALSE);
}

void RepaintToolbar() {
    if (g_app->hwndToolbar) InvalidateRect(g_app->hwndToolbar, nullptr, FALSE);
}
}  // namespace

// The toolbar's scale and peak buttons for a graph with shown channels; XY mode has its own pair.
void EnableGraphToolButtons(tagGS* gs) {
    if (!gs) return;
    const bool xy = gs->displayMode == 2;
    EnableToolButton(2053, true);
    EnableToolButton(2098, true);
    EnableToolButton(1067, !xy && !gs->acquiring);
    EnableToolButton(1068, !xy && !gs->acquiring);
    EnableToolButton(2099, xy);
    EnableToolButton(2100, xy);
    EnableToolButton(2087, !xy);
    RepaintToolbar();
}

void DisableGraphToolButtons() {
    for (UINT id : {2053u, 2098u, 2099u, 2100u, 1067u, 1068u}) EnableToolButton(id, false);
    RepaintToolbar();
}
