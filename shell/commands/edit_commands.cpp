// The Edit menu, its Clipboard and Journal entries, and the marker commands.
#include "shell/commands/dispatch.h"
#include "shell/commands/command_target.h"
#include "shell/commands/menus.h"
#include "shell/startup.h"
#include "base/services.h"
#include "graph/document/channel_edits.h"
#include "graph/render/render_api.h"
#include "documents/documents_api.h"
#include <cstring>
#include <initializer_list>

namespace {
constexpr UINT kUndo = 513, kCut = 514, kCopy = 515, kPaste = 516, kClear = 517, kClearAll = 518,
               kInsert = 519, kDuplicate = 520, kSelectAll = 521, kRemove = 522;
constexpr int kSegmentMarker = 3;

void AutoScaleIfSet(tagGS* gs) {
    if (gs->autoscaleMode != 0) AutoScaleGraph(gs, gs->autoscaleMode == 1);
}

void RepaintGraph(tagGS* gs) {
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
}

// The plot and the channel-number band after a change of the active channel's samples.
void RepaintPlotAndBand(tagGS* gs) {
    if (!gs->hwnd) return;
    InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    if (gs->chanButtonsShown) InvalidateRect(gs->hwnd, &gs->chanLabelRects[gs->selectedChan], FALSE);
}

// After an edit of the samples: markers past the end go, measurements follow, the plot repaints.
void AfterSampleEdit(tagGS* gs) {
    DeleteMarkersPastEnd(gs);
    UpdateAllMeasurements(gs);
    RepaintPlotAndBand(gs);
}

// The selection as two times, limited to the active segment while segment view is on.
void EditRange(tagGS* gs, double* t0, double* t1) {
    *t0 = gs->selStart;
    *t1 = gs->selEnd;
    if (gs->markerManager && IsSegmentViewOn(gs)) ClampSelectionToSegment(gs, t0, t1);
}

// Selects the segment before the active one, else the one after it; with neither, leaves segment view.
void StepAwayFromActiveSegment(tagGS* gs) {
    stMarkerNode* active = GetActiveSegmentMarker(gs);
    stMarkerNode *before = nullptr, *after = nullptr;
    bool seen = false;
    for (stMarkerNode* n = FirstMarkerOfType(gs, kSegmentMarker); n; n = NextMarkerOfType(gs, n, kSegmentMarker)) {
        if (n == active) seen = true;
        else if (!seen) before = n;
        else if (!after) after = n;
    }
    if (before || after) SelectMarker(gs, before ? before : after, 0);
    else ToggleSegmentView(gs);
}

// Clear All: the selected range leaves every channel; no undo is kept.
void ClearAllChannels(tagGS* gs) {
    if (SelectionEmpty(gs)) return;
    double t0 = gs->selStart, t1 = gs->selEnd;
    if (gs->markerManager && IsSegmentViewOn(gs)) {
        ClampSelectionToSegment(gs, &t0, &t1);
        StepAwayFromActiveSegment(gs);
    }
    if (gs->markers) AdjustSegmentsForCut(gs, t0, t1);
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!SlotHoldsChannel(gs, slot)) continue;
        DeleteChannelRange(gs, slot, t0, t1);
        if (gs->chanCount[slot] == 0) DeleteChannelData(gs, slot);
    }
    DeleteMarkersPastEnd(gs);
    ClearUndo();
    UpdateAllMeasurements(gs);
    RepaintGraph(gs);
}

void CutSelection(HWND frame, tagGS* gs) {
    if (SelectionEmpty(gs)) return;
    const int chan = static_cast<int>(gs->selectedChan);
    SaveUndo(gs, chan, 1, "Undo Cut");
    if (!CopyChannelRange(gs, chan, gs->selStart, gs->selEnd, g_channelClipboard)) {
        MessageBoxFromStringTable(frame, MB_ICONSTOP, 30, "Cut");
        return;
    }
    if (!DeleteChannelRange(gs, chan, gs->selStart, gs->selEnd)) {
        ClearUndo();
        MessageBoxFromStringTable(frame, MB_ICONSTOP, 30, "Cut");
        return;
    }
    AfterSampleEdit(gs);
}

void CopySelection(HWND frame, tagGS* gs) {
    if (SelectionEmpty(gs)) return;
    if (!CopyChannelRange(gs, static_cast<int>(gs->selectedChan), gs->selStart, gs->selEnd, g_channelClipboard))
        MessageBoxFromStringTable(frame, MB_ICONSTOP, 30, "Copy");
}

// Paste into the active channel at the selection, or into a new slot of an empty graph.
void PasteClipboard(HWND frame, tagGS* gs) {
    if (CountSlots(gs, SlotHoldsChannel) > 0) {
        const int chan = static_cast<int>(gs->selectedChan);
        SaveUndo(gs, chan, 2, "Undo Paste");
        if (!SelectionEmpty(gs)) DeleteChannelRange(gs, chan, gs->selStart, gs->selEnd);
        PasteChannelRange(g_channelClipboard, gs, chan, gs->selStart);
        UpdateAllMeasurements(gs);
        RepaintPlotAndBand(gs);
        return;
    }
    int slot = -1;
    const bool made = NewChannelSlot(gs, &slot) != 0;
    ClearUndo();
    if (made && PasteChannelRange(g_channelClipboard, gs, slot, 0.0)) {
        RebuildChannelItems(gs);
        UpdateGraphScrollBars(gs);
        RepaintPlotAndBand(gs);
        return;
    }
    if (made) DeleteChannelData(gs, slot);
    ShowSelectionError(frame, 30, "Paste");
}

void ClearSelection(HWND frame, tagGS* gs) {
    if (CountSlots(gs, SlotShown) == 1 && CountMarkersOfType(gs, kSegmentMarker) > 1) {
        SendMessageA(frame, WM_COMMAND, kClearAll, 0);
        return;
    }
    if (SelectionEmpty(gs)) return;
    const int chan = static_cast<int>(gs->selectedChan);
    SaveUndo(gs, chan, 1, "Undo Clear");
    double t0, t1;
    EditRange(gs, &t0, &t1);
    DeleteChannelRange(gs, chan, t0, t1);
    AfterSampleEdit(gs);
}

// Insert: the clipboard's channel becomes a new channel, with its label and units.
void InsertWaveform(HWND frame, tagGS* gs) {
    int slot = -1;
    const bool made = NewChannelSlot(gs, &slot) != 0;
    if (made && PasteChannelRange(g_channelClipboard, gs, slot, 0.0)) {
        lstrcpynA(gs->chanLabel[slot], g_channelClipboard->chanLabel[0], sizeof gs->chanLabel[slot]);
        lstrcpynA(gs->chanUnits[slot], g_channelClipboard->chanUnits[0], sizeof gs->chanUnits[slot]);
        lstrcpynA(gs->chanDescription[slot], gs->chanLabel[slot], sizeof gs->chanDescription[slot]);
        AutoScaleIfSet(gs);
        RebuildChannelItems(gs);
        UpdateGraphScrollBars(gs);
        RepaintGraph(gs);
        return;
    }
    if (made) DeleteChannelData(gs, slot);
    ShowSelectionError(frame, 30, "Insert");
}

// Duplicate: the selection of the active channel, or all of it, into a new slot.
void DuplicateWaveform(HWND frame, tagGS* gs) {
    int slot = -1;
    const bool made = NewChannelSlot(gs, &slot) != 0;
    double t0 = gs->selStart, t1 = gs->selEnd;
    if (SelectionEmpty(gs)) {
        t0 = 0.0;
        t1 = gs->totalSamples * gs->sampleInterval;
    }
    if (made && DuplicateChannelRange(gs, static_cast<int>(gs->selectedChan), t0, t1, slot)) {
        // A copy is no input of the unit: the device library's scaling does not apply to it.
        if (slot < 40) gs->chanHasScaling[slot] = 0;
        RebuildChannelItems(gs);
        UpdateGraphScrollBars(gs);
        AutoScaleIfSet(gs);
        RepaintGraph(gs);
        return;
    }
    if (made) DeleteChannelData(gs, slot);
    ShowSelectionError(frame, 30, "Duplicate");
}

// Select All: the active segment in segment view, else the whole recording.
void SelectAllSamples(tagGS* gs) {
    uint32_t first = 0, end = 0;
    if (gs->markerManager && IsSegmentViewOn(gs) && GetActiveSegmentSampleRange(gs, &first, &end)) {
        gs->selEnd = first * gs->sampleInterval;
        gs->selStart = end * gs->sampleInterval;
    } else {
        gs->selEnd = 0.0;
        gs->selStart = gs->totalSamples * gs->sampleInterval;
    }
    UpdateAllMeasurements(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
}

void RemoveWaveform(tagGS* gs) {
    const int chan = static_cast<int>(gs->selectedChan);
    if (!DeleteChannelData(gs, chan)) return;
    if (g_app->nUndoKind && g_app->gsUndo.hwnd == gs->hwnd && g_app->gsUndo.selectedChan == gs->selectedChan)
        ClearUndo();
    DeleteMarkersPastEnd(gs);
    AutoScaleIfSet(gs);
    RebuildChannelItems(gs);
    UpdateAllMeasurements(gs);
    UpdateGraphScrollBars(gs);
    RepaintGraph(gs);
}

// The journal's own paste takes more text than an edit control's default limit allows.
void PasteIntoJournal(HWND journal) {
    SendMessageA(journal, EM_LIMITTEXT, 0, 0);
    SendMessageA(journal, WM_PASTE, 0, 0);
}

// A text control (journal or marker label) has the focus: the Edit commands are its own.
void OnTextEditCommand(UINT id, HWND edit, bool isJournal) {
    switch (id) {
    case kUndo: SendMessageA(edit, WM_UNDO, 0, 0); break;
    case kCut: SendMessageA(edit, WM_CUT, 0, 0); break;
    case kCopy: SendMessageA(edit, WM_COPY, 0, 0); break;
    case kPaste:
        if (isJournal) PasteIntoJournal(edit);
        else SendMessageA(edit, WM_PASTE, 0, 0);
        break;
    case kClear: SendMessageA(edit, WM_CLEAR, 0, 0); break;
    case kSelectAll:
        if (isJournal) SendMessageA(edit, EM_SETSEL, 0, -1);
        break;
    default:
        break;
    }
}

void OnGraphEditCommand(HWND frame, UINT id, tagGS* gs) {
    switch (id) {
    case kUndo: ExecuteUndo(); break;
    case kCut: CutSelection(frame, gs); break;
    case kCopy: CopySelection(frame, gs); break;
    case kPaste: PasteClipboard(frame, gs); break;
    case kClear: ClearSelection(frame, gs); break;
    case kInsert: InsertWaveform(frame, gs); break;
    case kDuplicate: DuplicateWaveform(frame, gs); break;
    case kSelectAll: SelectAllSamples(gs); break;
    case kRemove: RemoveWaveform(gs); break;
    default: break;
    }
}
}  // namespace

void ClampSelectionToSegment(tagGS* gs, double* t0, double* t1) {
    uint32_t first = 0, end = 0;
    if (!GetActiveSegmentSampleRange(gs, &first, &end)) return;
    const double start = first * gs->sampleInterval, stop = end * gs->sampleInterval;
    for (double* t : {t0, t1}) {
        if (*t < start) *t = start;
        else if (*t >= stop) *t = stop;
    }
}

void OnEditCommand(HWND frame, UINT id, HWND, UINT) {
    if (id >= 528 && id <= 535) {
        OnJournalCommand(frame, id);
        return;
    }
    if (id >= 524 && id <= 526) {
        OnClipboardCommand(frame, id);
        return;
    }
    tagGS* gs = ActiveGraph();
    HWND journal = gs ? GetJournalWindow(gs) : nullptr;
    HWND label = gs ? gs->markerLabelEdit : nullptr;
    const bool journalFocus = HasFocus(journal), labelFocus = HasFocus(label);
    if (id == kClearAll) {
        if (gs) ClearAllChannels(gs);
    } else {
        if (!journalFocus && GetStatusHotKeyEx(id) == 0) return;
        if (journalFocus) OnTextEditCommand(id, journal, true);
        else if (labelFocus && id != kSelectAll) OnTextEditCommand(id, label, false);
        else if (gs) OnGraphEditCommand(frame, id, gs);
    }
    if (gs && !journalFocus && !labelFocus) {
        UpdateFrameMenus(frame, GetMenu(frame));
        UpdateTransformMenu(frame, gs->hwnd);
    }
}

// Copy Measurement, Copy Wave Data and Copy Graph.
void OnClipboardCommand(HWND, UINT id) {
    tagGS* gs = ActiveGraph();
    switch (id) {
    case 524:
        if (gs) CopyMeasurementsToClipboard(gs);
        break;
    case 525:
        if (gs) CopySelectionTextToClipboard(gs);
        break;
    case 526:
        if (!gs) break;
        CopyGraphToClipboard(gs);
        // Picture export laid the window out for the picture: let it lay itself out again.
        if (gs->hwnd) {
            RECT rc;
            GetClientRect(gs->hwnd, &rc);
            SendMessageA(gs->hwnd, WM_SIZE, IsZoomed(gs->hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                         MAKELPARAM(rc.right, rc.bottom));
        }
        break;
    default:
        MessageBeep(0);
        break;
    }
}

// Paste Measurement, Paste Wave Data and the Journal preferences.
void OnJournalCommand(HWND frame, UINT id) {
    tagGS* gs = ActiveGraph();
    switch (id) {
    case 528:
        if (gs) JournalPasteMeasurements(gs);
        break;
    case 529:
        if (gs && JournalPasteWaveData(gs) <= 0) ShowSelectionError(frame, 30, "Paste");
        break;
    case 535:
        DoJournalPrefsDialog(frame);
        break;
    default:
        break;
    }
}

// The marker commands, including the markers listed in the marker popup.
void OnMarkerCommand(HWND, UINT id) {
    tagGS* gs = ActiveGraph();
    if (!gs) return;
    if (id >= 4617) {
        if (stMarkerNode* node = MarkerAtPosition(gs, static_cast<int>(id - 4617))) SelectMarker(gs, node, 0);
        return;
    }
    switch (id) {
    case 4607: ShowFindDialog(gs->hwnd); break;
    case 4609: DeleteCurrentMarker(gs); break;
    case 4610: ClearAllMarkers(gs); break;
    case 4612:
    case 4613:
    case 4614: MarkerSummaryToJournal(gs, id, 1); break;
    case 4615: DoMarkerPreferences(gs); break;
    default: break;
    }
}
