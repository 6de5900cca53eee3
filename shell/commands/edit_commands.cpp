// The Edit menu, its Clipboard and Journal entries, and the marker commands.
#include "documents/markers/markers.h"
#include "graph/view/display_modes.h"
#include "shell/commands/dispatch.h"
#include "shell/commands/command_target.h"
#include "shell/commands/menus.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "shell/startup.h"
#include "base/services.h"
#include "graph/document/channel_edits.h"
#include "graph/view/channel_selection.h"
#include "graph/document/marker_walks.h"
#include "graph/render/render_api.h"
#include "graph/render/printing.h"
#include "graph/window/graph_window.h"
#include "documents/documents_api.h"
#include "devlib/vk40.h"
#include <cstring>
#include <initializer_list>

namespace {

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
    if (IsChanButtonsShown(gs)) InvalidateRect(gs->hwnd, &gs->chanLabelRects[gs->selectedChan], FALSE);
}

// After an edit of the samples: markers past the end go, measurements follow, the plot repaints.
void AfterSampleEdit(tagGS* gs) {
    DeleteMarkersPastEnd(gs);
    UpdateAllMeasurements(gs);
    RepaintPlotAndBand(gs);
}

// A cut of [t0, t1) from the only channel takes those samples out of the document's time line.
class CMarkerCut {
public:
    CMarkerCut(tagGS* gs, int chan, double t0, double t1) : m_gs(gs) {
        m_moves = !AnyOtherChannel(gs, chan) && ChannelRangeToSamples(gs, chan, t0, t1, &m_first, &m_last);
    }
    // After the samples went: the markers after them move back.
    void Done() {
        if (m_moves && m_last > m_first) ShiftMarkersForEdit(m_gs, static_cast<uint32_t>(m_first), m_first - m_last);
    }

private:
    tagGS* m_gs;
    int m_first = 0, m_last = 0;
    bool m_moves = false;
};

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
    for (stMarkerNode* n = FirstMarkerOfType(gs, kMarkerAppend); n; n = NextMarkerOfType(gs, n, kMarkerAppend)) {
        if (n == active)
            seen = true;
        else if (!seen)
            before = n;
        else if (!after)
            after = n;
    }
    if (before || after)
        SelectMarker(gs, before ? before : after, 0);
    else
        ToggleSegmentView(gs);
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
    SaveUndo(gs, chan, kUndoCut, "Undo Cut");
    if (!CopyChannelRange(gs, chan, gs->selStart, gs->selEnd, g_app->gsClipboard)) {
        ClearUndo();
        MessageBoxFromStringTable(frame, MB_ICONSTOP, IDS_NO_MEMORY, "Cut");
        return;
    }
    CMarkerCut markers(gs, chan, gs->selStart, gs->selEnd);
    if (!DeleteChannelRange(gs, chan, gs->selStart, gs->selEnd)) {
        ClearUndo();
        MessageBoxFromStringTable(frame, MB_ICONSTOP, IDS_NO_MEMORY, "Cut");
        return;
    }
    markers.Done();
    AfterSampleEdit(gs);
}

void CopySelection(HWND frame, tagGS* gs) {
    if (SelectionEmpty(gs)) return;
    if (!CopyChannelRange(gs, static_cast<int>(gs->selectedChan), gs->selStart, gs->selEnd, g_app->gsClipboard))
        MessageBoxFromStringTable(frame, MB_ICONSTOP, IDS_NO_MEMORY, "Copy");
}

// Paste into the active channel at the selection, or into a new slot of an empty graph.
void PasteClipboard(HWND frame, tagGS* gs) {
    if (CountSlots(gs, SlotHoldsChannel) > 0) {
        const int chan = static_cast<int>(gs->selectedChan);
        SaveUndo(gs, chan, kUndoPaste, "Undo Paste");
        CMarkerCut markers(gs, chan, gs->selStart, gs->selEnd);
        if (!SelectionEmpty(gs)) DeleteChannelRange(gs, chan, gs->selStart, gs->selEnd);
        markers.Done();
        const uint32_t before = gs->chanCount[chan];
        const double at = gs->selStart;
        if (!PasteChannelRange(g_app->gsClipboard, gs, chan, at)) {
            // Nothing went in: the snapshot puts back what the paste took out.
            UndoFailedPaste();
            ShowSelectionError(frame, IDS_NO_MEMORY, "Paste");
        } else if (!AnyOtherChannel(gs, chan)) {
            int p = 0, unused = 0;
            ChannelRangeToSamples(gs, chan, at, at, &p, &unused);
            ShiftMarkersForEdit(gs, static_cast<uint32_t>(p), static_cast<int64_t>(gs->chanCount[chan]) - before);
        }
        UpdateAllMeasurements(gs);
        RepaintPlotAndBand(gs);
        return;
    }
    int slot = -1;
    const bool made = NewChannelSlot(gs, &slot) != 0;
    ClearUndo();
    if (made && PasteChannelRange(g_app->gsClipboard, gs, slot, 0.0)) {
        RebuildChannelItems(gs);
        UpdateGraphScrollBars(gs);
        RepaintPlotAndBand(gs);
        return;
    }
    if (made) DeleteChannelData(gs, slot);
    ShowSelectionError(frame, IDS_NO_MEMORY, "Paste");
}

void ClearSelection(HWND frame, tagGS* gs) {
    if (CountSlots(gs, SlotShown) == 1 && CountMarkersOfType(gs, kMarkerAppend) > 1) {
        SendMessageA(frame, WM_COMMAND, IDM_EDIT_CLEAR_ALL, 0);
        return;
    }
    const int chan = static_cast<int>(gs->selectedChan);
    // Nothing to clear in a channel without samples.
    if (SelectionEmpty(gs) || chan >= kMaxChannels || gs->chanCount[chan] == 0) return;
    // The snapshot must hold exactly what goes: the range limited to the active segment.
    double t0, t1;
    EditRange(gs, &t0, &t1);
    gs->selStart = t0;
    gs->selEnd = t1;
    SaveUndo(gs, chan, kUndoCut, "Undo Clear");
    CMarkerCut markers(gs, chan, t0, t1);
    if (!DeleteChannelRange(gs, chan, t0, t1)) {
        ClearUndo();
        ShowSelectionError(frame, IDS_NO_MEMORY, "Clear");
        return;
    }
    markers.Done();
    AfterSampleEdit(gs);
}

// Insert: the clipboard's channel becomes a new channel, with its label and units.
void InsertWaveform(HWND frame, tagGS* gs) {
    int slot = -1;
    const bool made = NewChannelSlot(gs, &slot) != 0;
    if (made && PasteChannelRange(g_app->gsClipboard, gs, slot, 0.0)) {
        lstrcpynA(gs->chanLabel[slot], g_app->gsClipboard->chanLabel[0], sizeof gs->chanLabel[slot]);
        lstrcpynA(gs->chanUnits[slot], g_app->gsClipboard->chanUnits[0], sizeof gs->chanUnits[slot]);
        lstrcpynA(gs->chanDescription[slot], gs->chanLabel[slot], sizeof gs->chanDescription[slot]);
        AutoScaleIfSet(gs);
        RebuildChannelItems(gs);
        UpdateGraphScrollBars(gs);
        RepaintGraph(gs);
        return;
    }
    if (made) DeleteChannelData(gs, slot);
    ShowSelectionError(frame, IDS_NO_MEMORY, "Insert");
}

// Duplicate: the selection of the active channel, or all of it, into a new slot.
void DuplicateWaveform(HWND frame, tagGS* gs) {
    const uint32_t wasModified = gs->modified;
    int slot = -1;
    const bool made = NewChannelSlot(gs, &slot) != 0;
    // A channel without samples has nothing to copy: that is no shortage of memory.
    const uint32_t chan = gs->selectedChan;
    if (made && (chan >= static_cast<uint32_t>(kMaxChannels) || gs->chanCount[chan] == 0)) {
        DeleteChannelData(gs, slot);
        setDirtyGraphFlag(gs, wasModified);
        MessageBoxA(frame, Keyed("You have no data to perform the selected operation"), Keyed("Warning"), MB_OK);
        return;
    }
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
    ShowSelectionError(frame, IDS_NO_MEMORY, "Duplicate");
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
    ClearUndoOfSlot(gs, gs->selectedChan);
    DeleteMarkersPastEnd(gs);
    AutoScaleIfSet(gs);
    RebuildChannelItems(gs);
    UpdateAllMeasurements(gs);
    UpdateGraphScrollBars(gs);
    RepaintGraph(gs);
}

// The journal's own paste makes room for the clipboard's text first.
void PasteIntoText(HWND edit, bool isJournal) {
    if (isJournal)
        JournalPaste(edit);
    else
        SendMessageA(edit, WM_PASTE, 0, 0);
}

// Only the journal selects all its text; the label box leaves Select All to the graph.
void SelectAllText(HWND edit, bool isJournal) {
    if (isJournal) SendMessageA(edit, EM_SETSEL, 0, -1);
}

// A text control (journal or marker label) has the focus: the Edit commands are its own.
void OnTextEditCommand(UINT id, HWND edit, bool isJournal) {
    switch (id) {
    case IDM_EDIT_UNDO: SendMessageA(edit, WM_UNDO, 0, 0); break;
    case IDM_EDIT_CUT: SendMessageA(edit, WM_CUT, 0, 0); break;
    case IDM_EDIT_COPY: SendMessageA(edit, WM_COPY, 0, 0); break;
    case IDM_EDIT_PASTE: PasteIntoText(edit, isJournal); break;
    case IDM_EDIT_CLEAR: SendMessageA(edit, WM_CLEAR, 0, 0); break;
    case IDM_EDIT_SELECT_ALL: SelectAllText(edit, isJournal); break;
    default: break;
    }
}

void OnGraphEditCommand(HWND frame, UINT id, tagGS* gs) {
    switch (id) {
    case IDM_EDIT_UNDO: ExecuteUndo(); break;
    case IDM_EDIT_CUT: CutSelection(frame, gs); break;
    case IDM_EDIT_COPY: CopySelection(frame, gs); break;
    case IDM_EDIT_PASTE: PasteClipboard(frame, gs); break;
    case IDM_EDIT_CLEAR: ClearSelection(frame, gs); break;
    case IDM_EDIT_INSERT_WAVEFORM: InsertWaveform(frame, gs); break;
    case IDM_EDIT_DUPLICATE_WAVEFORM: DuplicateWaveform(frame, gs); break;
    case IDM_EDIT_SELECT_ALL: SelectAllSamples(gs); break;
    case IDM_EDIT_REMOVE_WAVEFORM: RemoveWaveform(gs); break;
    default: break;
    }
}
}  // namespace

void ClampTimesToSegment(uint32_t first, uint32_t end, double sampleInterval, double* t0, double* t1) {
    const double start = first * sampleInterval, stop = end * sampleInterval;
    for (double* t : {t0, t1}) {
        if (*t < start)
            *t = start;
        else if (*t >= stop)
            *t = stop;
    }
}

void ClampSelectionToSegment(tagGS* gs, double* t0, double* t1) {
    uint32_t first = 0, end = 0;
    if (!GetActiveSegmentSampleRange(gs, &first, &end)) return;
    ClampTimesToSegment(first, end, gs->sampleInterval, t0, t1);
}

void OnEditCommand(HWND frame, UINT id, HWND, UINT) {
    if (id >= IDM_JOURNAL_FIRST && id <= IDM_JOURNAL_LAST) {
        OnJournalCommand(frame, id);
        return;
    }
    if (id >= IDM_CLIPBOARD_FIRST && id <= IDM_CLIPBOARD_LAST) {
        OnClipboardCommand(frame, id);
        return;
    }
    tagGS* gs = ActiveGraph();
    HWND journal = gs ? JournalHwndIfMade(gs->journalWnd) : nullptr;
    HWND label = gs ? gs->markerLabelEdit : nullptr;
    const bool journalFocus = HasFocus(journal), labelFocus = HasFocus(label);
    if (id == IDM_EDIT_CLEAR_ALL) {
        if (gs) ClearAllChannels(gs);
    } else {
        if (!journalFocus && GetStatusHotKeyEx(id) == 0) return;
        if (journalFocus)
            OnTextEditCommand(id, journal, true);
        else if (labelFocus && id != IDM_EDIT_SELECT_ALL)
            OnTextEditCommand(id, label, false);
        else if (gs)
            OnGraphEditCommand(frame, id, gs);
    }
    if (gs && !journalFocus && !labelFocus) {
        UpdateFrameMenus(frame, GetMenu(frame));
        UpdateTransformMenu(frame, gs->hwnd);
    }
}

namespace {
void CopyMeasurements(tagGS* gs) {
    if (gs) CopyMeasurementsToClipboard(gs);
}

void CopyWaveData(tagGS* gs) {
    if (gs) CopySelectionTextToClipboard(gs);
}

void CopyGraphPicture(tagGS* gs) {
    if (!gs) return;
    CopyGraphToClipboard(gs);
    // Picture export laid the window out for the picture: let it lay itself out again.
    if (gs->hwnd) {
        RECT rc;
        GetClientRect(gs->hwnd, &rc);
        SendMessageA(gs->hwnd, WM_SIZE, IsZoomed(gs->hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                     MAKELPARAM(rc.right, rc.bottom));
    }
}

void PasteMeasurements(tagGS* gs) {
    if (gs) JournalPasteMeasurements(gs);
}

void PasteWaveData(HWND frame, tagGS* gs) {
    if (gs && JournalPasteWaveData(gs) <= 0) ShowSelectionError(frame, IDS_NO_MEMORY, "Paste");
}
}  // namespace

// Copy Measurement, Copy Wave Data and Copy Graph.
void OnClipboardCommand(HWND, UINT id) {
    tagGS* gs = ActiveGraph();
    switch (id) {
    case IDM_CLIPBOARD_MEASUREMENT: CopyMeasurements(gs); break;
    case IDM_CLIPBOARD_WAVE_DATA: CopyWaveData(gs); break;
    case IDM_CLIPBOARD_GRAPH: CopyGraphPicture(gs); break;
    default: MessageBeep(0); break;
    }
}

// Paste Measurement, Paste Wave Data and the Journal preferences.
void OnJournalCommand(HWND frame, UINT id) {
    tagGS* gs = ActiveGraph();
    switch (id) {
    case IDM_JOURNAL_PASTE_MEASUREMENT: PasteMeasurements(gs); break;
    case IDM_JOURNAL_PASTE_WAVE_DATA: PasteWaveData(frame, gs); break;
    case IDM_JOURNAL_PREFERENCES: DoJournalPrefsDialog(frame); break;
    default: break;
    }
}

// The marker commands, including the markers listed in the marker popup.
void OnMarkerCommand(HWND, UINT id) {
    tagGS* gs = ActiveGraph();
    if (!gs) return;
    if (id >= IDM_MARKER_LISTED_FIRST) {
        if (stMarkerNode* node = MarkerAtPosition(gs, static_cast<int>(id - IDM_MARKER_LISTED_FIRST)))
            SelectMarker(gs, node, 0);
        return;
    }
    switch (id) {
    case IDM_MARKER_FIND: ShowFindDialog(gs->hwnd); break;
    case IDM_MARKER_CLEAR_CURRENT: DeleteCurrentMarker(gs); break;
    case IDM_MARKER_CLEAR_ALL: ClearAllMarkers(gs); break;
    case IDM_MARKER_SUMMARY_ALL:
    case IDM_MARKER_SUMMARY_EVENTS:
    case IDM_MARKER_SUMMARY_APPENDS: MarkerSummaryToJournal(gs, id, 1); break;
    case IDM_MARKER_PREFERENCES: DoMarkerPreferences(gs); break;
    case IDM_MARKER_SELECT: ChooseMarkerDialog(gs); break;
    default: break;
    }
}
