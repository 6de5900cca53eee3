// Placeholder of the documents module (graph files, journal, markers, measurements), which is not
// built: each function answers as a document without markers, measurements or journal would.
#include "documents/documents_api.h"
#include <new>
#include "common/tagGS.h"
#include "base/app.h"
#include "base/services.h"
#include <string>

void SetDefaultFont() {}
void LoadJournalSettings() {}
void SaveJournalSettings() {}

// The measurement box class, with no behaviour of its own yet.
int RegisterMeasureClass(HINSTANCE inst) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "acqMeasure";
    return RegisterClassA(&wc) != 0;
}

void SyncChannelDisplayFlags(tagGS*) {}
void UpdateAllMeasurements(tagGS*) {}
uint32_t GetSegmentEnd(tagGS* gs, stMarkerNode*) { return gs ? static_cast<uint32_t>(gs->totalSamples) : 0; }
uint32_t MarkerSamplePosition(const stMarkerNode*) { return 0; }
int MarkerIsActive(const stMarkerNode*) { return 0; }
stMarkerNode* InsertMarker(tagGS*, double, int, const char*, int) { return nullptr; }
int GetSelectionSampleRange(tagGS*, int32_t* first, int32_t* last, int16_t) {
    *first = *last = 0;
    return 0;
}
int WriteAcqFile(tagGS*, HANDLE, int, int) { return 0; }
void RedrawMarkerBar(tagGS*) {}
void DropGraphMarkers(tagGS* gs) {
    gs->markers = nullptr;
    if (g_app->hwndFind && IsWindow(g_app->hwndFind)) SendMessageA(g_app->hwndFind, WM_COMMAND, IDCANCEL, 0);
}

int ShowCalculationDialog(stMeasure*, HWND) { return 0; }
void FormatMeasurementResult(stMeasure*) {}
tagGS* GetMeasurementDocument(stMeasure*) { return nullptr; }
void SetMeasurementCaptions(tagGS*) {}

// The graph window's calls into markers, measurements and the journal: the graph has no marker
// manager, measurement row or journal pane, so there is nothing to act on.
void InsertKeyMarker(CMarkerManager*, int) {}
void OnFindMarkerText(GraphWindowData*, FINDREPLACE*) {}
int GetMeasurementCount(void*) { return 0; }
stMeasure* GetMeasurementAt(void*, int) { return nullptr; }
int16_t JournalLoadText(int, int) { return 1; }
int JournalSaveText(int, int) { return 0; }
void JournalPrint() {}
void JournalClear() {}
uint16_t JournalSavePlacement(void*) { return 0; }
void JournalSetWordWrap(int) {}
stMarkerNode* CurrentMarkerNeighbour(tagGS*, int) { return nullptr; }
int SetCurrentMarkerLabel(tagGS*, const char*) { return 0; }
uint16_t JournalGetAutoTime(CJournal*) { return 0; }
void JournalSetAutoTime(CJournal*, uint16_t) {}
void SaveFontSettings() {}

// The marker, journal and clipboard commands: no markers, no segments, nothing written.
// Without the journal pane, a pane that is itself a window counts as its own edit control.
HWND GetJournalWindow(tagGS* gs) {
    if (!gs || !gs->journalWnd) return nullptr;
    HWND direct = static_cast<HWND>(gs->journalWnd);
    return IsWindow(direct) ? direct : GetJournalHwnd(gs->journalWnd);
}
int IsSegmentViewOn(tagGS*) { return 0; }
void ToggleSegmentView(tagGS*) {}
void EraseLastSegment(tagGS*) {}
void EraseAllData(tagGS*) {}
int GetActiveSegmentSampleRange(tagGS*, uint32_t* first, uint32_t* end) {
    *first = *end = 0;
    return 0;
}
stMarkerNode* GetActiveSegmentMarker(tagGS*) { return nullptr; }
void SelectMarker(tagGS*, stMarkerNode*, int) {}
stMarkerNode* MarkerAtPosition(tagGS*, int) { return nullptr; }
int CountMarkersOfType(tagGS*, int32_t) { return 0; }
void AdjustSegmentsForCut(tagGS*, double, double) {}
void DeleteMarkersPastEnd(tagGS*) {}
void DeleteCurrentMarker(tagGS*) {}
void ClearAllMarkers(tagGS*) {}
void MarkerSummaryToJournal(tagGS*, uint32_t, int) {}
void DoMarkerPreferences(tagGS*) {}
void ShowFindDialog(HWND) {}
void CopyMeasurementsToClipboard(tagGS*) {}
void CopySelectionTextToClipboard(tagGS*) {}
int JournalPasteMeasurements(tagGS*) { return 1; }
int JournalPasteWaveData(tagGS*) { return 0; }
void DoJournalPrefsDialog(HWND) {}
void ShowStandardCurveDialog(tagGS*) {}
void UpdateTextEditMenus(HMENU) {}

// Sub-objects of a graph document: empty objects in place of the journal, graph items, markers
// and standard curves, so that documents make and free them in the right places.
class CJournal {};
class CGraphItemList {};
class CMarkerManager {};
CJournal* NewJournal() { return new (std::nothrow) CJournal; }
void DeleteJournal(CJournal* journal, int flags) {
    if (flags & 1) delete journal;
}
CGraphItemList* NewGraphItemList(tagGS*) { return new (std::nothrow) CGraphItemList; }
void DeleteGraphItemList(CGraphItemList* list, int flags) {
    if (flags & 1) delete list;
}
CMarkerManager* NewMarkerManager(tagGS*) {
    LoadMarkerAccelerators();
    return new (std::nothrow) CMarkerManager;
}
void DeleteMarkerManager(CMarkerManager* manager, int flags) {
    if (flags & 1) delete manager;
}
void* CopyDefaultCurveSettings() { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 16); }
void FreeCurveSettings(void* settings) {
    if (settings) HeapFree(GetProcessHeap(), 0, settings);
}
void FreeMarkerList(stMarkerList*) {}
int MarkerListHasNext(const stMarkerList*) { return 0; }

// Graph window panes: no measurement boxes, marker bar or journal pane; the measurement row and
// the journal pane are empty objects of no height.
namespace {
struct EmptyPane {
    int kind;
};
}  // namespace
void* CreateMeasurementRow(HWND, int, int, int16_t* height) {
    *height = 0;
    return new (std::nothrow) EmptyPane{1};
}
void DeleteMeasurementRow(void* row) { delete static_cast<EmptyPane*>(row); }
void SetMeasurementBox(void*, int, uint16_t, int16_t, const uint16_t*, double, const char*, COLORREF, int) {}
void RefreshMeasurementDisplay(tagGS*) {}
int CreateMarkerBarControls(tagGS*, HWND) { return 1; }
void* NewJournalWindow() { return new (std::nothrow) EmptyPane{2}; }
int CreateJournalWindow(void*, HWND) { return 1; }
void JournalApplyFont(void*) {}
void JournalAttachDocument(void*, CJournal*) {}
uint16_t JournalPaneHeight(void*) { return 0; }
void JournalEnableButtons(void*, int) {}
void JournalDestroy(void*) {}
HWND GetJournalHwnd(void*) { return nullptr; }
int GetJournalWordWrap(void*) { return 0; }
void DeleteJournalWindow(void* pane, int flags) {
    if (flags & 1) delete static_cast<EmptyPane*>(pane);
}

static std::string g_lastFileOpenPath;
tagGS* DoFileOpen(const char* path, uint16_t* journalHeight) {
    g_lastFileOpenPath = path ? path : "";
    *journalHeight = 0;
    return nullptr;
}
const char* LastFileOpenPath() { return g_lastFileOpenPath.c_str(); }
