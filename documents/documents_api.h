// What the shell and the graph window use of documents, journal, markers and measurements.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <cstdint>
#include <cstddef>
#include <ctime>

struct tagGS;
struct stMarkerNode;
struct stMeasure;

void SetDefaultFont();
void LoadJournalSettings();
void SaveJournalSettings();
int RegisterMeasureClass(HINSTANCE inst);

void UpdateAllMeasurements(tagGS* gs);
uint32_t GetSegmentEnd(tagGS* gs, stMarkerNode* node);
// A marker node's sample position and its active flag (the overlapped segments are drawn from them).
uint32_t MarkerSamplePosition(const stMarkerNode* node);
int MarkerIsActive(const stMarkerNode* node);
stMarkerNode* InsertMarker(tagGS* gs, double timeMs, int updateButtons, const char* label, int type);
int GetSelectionSampleRange(tagGS* gs, int32_t* first, int32_t* last, int16_t chan);
void RedrawMarkerBar(tagGS* gs);

int ShowCalculationDialog(stMeasure* box, HWND popup);
void FormatMeasurementResult(stMeasure* box);
tagGS* GetMeasurementDocument(stMeasure* box);
void SetMeasurementCaptions(tagGS* gs);
void DropGraphMarkers(tagGS* gs);

// What the graph window calls of markers, measurements and the journal.
class CMarkerManager;
class CJournal;
struct GraphWindowData;
void OnFindMarkerText(tagGS* gs, FINDREPLACE* fr);
int GetMeasurementCount(void* grid);
stMeasure* GetMeasurementAt(void* grid, int index);
// Load Text (0 done, 1 cancelled, 45 cannot open) and Save Text (1 written, 0 cancelled or failed)
// of the journal's text control; with ask 1 the user picks the file, with 0 path names it.
int16_t JournalLoadText(CJournal* journal, int ask, const char* path);
int JournalSaveText(CJournal* journal, int ask, const char* path);
// Prints the journal's text on the printer the user picks.
void JournalPrint(CJournal* journal);
// Auto-time off, no stored text, and an empty, unmodified text control when a pane shows it.
void JournalClear(CJournal* journal);
// The pane's share of its graph window after a size change.
uint16_t JournalSavePlacement(void* journalWnd);
void JournalSetWordWrap(void* journalWnd, int wrap);
// The node after (1) or before (-1) the marker list's current node; null at either end.
stMarkerNode* CurrentMarkerNeighbour(tagGS* gs, int direction);
// Sets the current marker's label when it is editable and flags the marker as changed; 0 when not.
int SetCurrentMarkerLabel(tagGS* gs, const char* text);
// The journal's auto-time flag; setting it refreshes the journal window from the document.
uint16_t JournalGetAutoTime(CJournal* journal);
void JournalSetAutoTime(CJournal* journal, uint16_t on);
void SaveFontSettings();

// Markers, segments, journal and clipboard operations of the frame's Edit and marker commands.
// The document's journal text control, made when needed (see GetJournalHwnd).
HWND GetJournalWindow(tagGS* gs);
int IsSegmentViewOn(tagGS* gs);
void ToggleSegmentView(tagGS* gs);
void EraseLastSegment(tagGS* gs);
void EraseAllData(tagGS* gs);
// The active segment's first and end sample index; 0 without a segment view.
int GetActiveSegmentSampleRange(tagGS* gs, uint32_t* first, uint32_t* end);
stMarkerNode* GetActiveSegmentMarker(tagGS* gs);
stMarkerNode* MarkerAtPosition(tagGS* gs, int index);
int CountMarkersOfType(tagGS* gs, int32_t type);
// The markers follow a cut of [t0, t1] milliseconds from every channel: those inside it go (an
// append marker whose segment runs on past it moves to its start), those after it move left.
void AdjustSegmentsForCut(tagGS* gs, double t0, double t1);
// The markers after an edit of the whole document's time line at sample at: a positive delta
// inserted that many samples there, a negative one removed [at, at - delta) (markers inside go to at).
void ShiftMarkersForEdit(tagGS* gs, uint32_t at, int64_t delta);
// The markers follow samples inserted into every channel at atMs: those at or after it move right.
void AdjustMarkersForInsert(tagGS* gs, double atMs, uint32_t samples);
void DeleteMarkersPastEnd(tagGS* gs);
void DeleteCurrentMarker(tagGS* gs);
void ClearAllMarkers(tagGS* gs);
void MarkerSummaryToJournal(tagGS* gs, uint32_t id, int flags);
void DoMarkerPreferences(tagGS* gs);
void ShowFindDialog(HWND graphWindow);
// The find dialog's registered message, made once by the frame; whether msg is it.
void RegisterFindMessage();
int IsFindMessage(UINT msg);
// Whether the find dialog is open; closing it as its Cancel does; its keyboard handling.
int FindDialogOpen();
void CloseFindDialog();
int FindDialogMessage(MSG* msg);
// The Select Marker dialog over the document's markers.
void ChooseMarkerDialog(tagGS* gs);
void CopyMeasurementsToClipboard(tagGS* gs);
void CopySelectionTextToClipboard(tagGS* gs);
int JournalPasteMeasurements(tagGS* gs);
int JournalPasteWaveData(tagGS* gs);
void DoJournalPrefsDialog(HWND owner);
// The "Plot Standard Curve" dialog of the graph's item list.
void ShowStandardCurveDialog(tagGS* gs);

// Sub-objects a graph document makes with itself and frees when it closes. The Delete
// functions take the deleting destructors' flag: bit 0 frees the memory after destruction.
class CJournal;
class CGraphItemList;
struct stMarkerList;
CJournal* NewJournal();
void DeleteJournal(CJournal* journal, int flags);
CGraphItemList* NewGraphItemList(tagGS* owner);
void DeleteGraphItemList(CGraphItemList* list, int flags);
CMarkerManager* NewMarkerManager(tagGS* owner);
void DeleteMarkerManager(CMarkerManager* manager, int flags);
void* CopyDefaultCurveSettings();
void FreeCurveSettings(void* settings);
void FreeMarkerList(stMarkerList* list);
// Whether the list's current node has a successor.
int MarkerListHasNext(const stMarkerList* list);

// Panes of a graph window that belong to the journal, markers and measurements.
// The boxes of one measurement row.
constexpr int kMeasureCols = 5;
void* CreateMeasurementRow(HWND graph, int rows, int cols, int16_t* height);
void DeleteMeasurementRow(void* row);
void SetMeasurementBox(void* row, int index, uint16_t type, int16_t slot, const uint16_t options[3], double constant,
                       const char* label, COLORREF color, int shown);
void RefreshMeasurementDisplay(tagGS* gs);
// Gives every box of the row the channel pop-up of these slots, each box keeping its channel.
// The row also fills them again by itself when it is recomputed after the slots in use changed.
void RefillMeasurementRowChannels(void* row, const int* slots, int count);
// Moves the measurement row's top-left corner; the boxes are laid out again only when it moved.
void SetMeasurementRowOrigin(void* row, int left, int top);
// The height of the row's strip in a graph window: its boxes with the margins above and below
// them, wherever the row stands (what CreateMeasurementRow reports).
int16_t GetMeasurementRowHeight(void* row);
// With show, the boxes whose right edge lies left of clientRight are shown with their results
// rebuilt; every other box is hidden (all of them without show).
void ShowMeasurementRowBoxes(void* row, int show, int clientRight);
// Gives a graph's measurement row its document, fills the channel lists and lays the boxes out.
void SetMeasurementGridDocument(void* row, tagGS* gs);
int CreateMarkerBarControls(tagGS* gs, HWND graph);
// A press in the marker bar (client coordinates): a marker of the row is picked, placing starts in
// the lower row away from the event markers, and the SEARCH button opens the marker menu.
void OnMarkerAreaClick(tagGS* gs, int32_t x, int32_t y);
// Placing a new marker: the press, then the moves and the release the mouse handling forwards
// while IsPlacingMarker answers 1.
void DragMarker(tagGS* gs, int32_t x, int32_t y, UINT mouseMessage);
int IsPlacingMarker();
// The marker menu's mode as the lesson statement sets it: 1 full, 2 none, other values without
// the summaries and the preferences.
void SetMarkerMenuMode(tagGS* gs, uint32_t mode);
void* NewJournalWindow();
int CreateJournalWindow(void* pane, HWND graph);
void JournalApplyFont(void* pane);
void JournalAttachDocument(void* pane, CJournal* journal);
uint16_t JournalPaneHeight(void* pane);
// Shows the pane (1) or hides it (0); the previous state.
int JournalEnableButtons(void* pane, int enable);
// The pane's place: buttons in a row at y = top + 5, the text control under them.
void JournalLayoutButtons(void* pane, int left, int top);
void JournalResize(void* pane, int width, int height);
// The pane's rectangle while shown, a 3-pixel strip at its top while hidden.
void JournalButtonBarLayout(void* pane, RECT* out);
// The pane's top edge, drawn while it is shown.
void JournalDrawSeparator(void* pane, HDC dc);
void JournalSetHeightRatio(void* pane, int total, int paneHeight);
// Tab stops every tabSize inches; kJournalTabSizePreference takes the preference.
constexpr float kJournalTabSizePreference = 3.402823466e+38f;
// The tab sizes the journal takes, in inches: all 32 stops stay within a rich edit line's reach.
constexpr double kJournalTabSizeMin = 0.01, kJournalTabSizeMax = 100.0;
void JournalSetTabStops(tagGS* gs, float tabSize);
// Replaces the journal's selection with the text (undoable) and scrolls the caret into view.
void JournalAppendText(tagGS* gs, const char* text);
// Puts the journal's stored text and auto-time flag into the pane that shows it.
void JournalSyncText(CJournal* journal);
// Reads the journal side file of a document path (extension's first letter 'J'); 1 when read.
// Entry point kept for a later caller; only tests call it now.
int JournalLoadSideFile(CJournal* journal, const char* documentPath);
// Test seam: the clock of the time and date stamps; null restores the system's.
using JournalClockProc = std::time_t (*)();
// Test seam: only tests call it.
void SetJournalClock(JournalClockProc clock);
// The local time of that clock formatted by strftime with room for size - 1 bytes, its end included.
void JournalFormatClock(const char* format, char* out, size_t size);
void LoadFontSettings();
// After text went into a journal control: room for 4096 more characters, else its limit grows.
void JournalEnsureCapacity(HWND edit);
// Before a paste into a journal control: its limit becomes its length + the clipboard's text
// block + 32,768. Every paste route of the control takes it.
void JournalMakeRoomForPaste(HWND edit);
// Test seam: the library the journal panes made from now on load for their rich edit control; null
// restores the usual one. A name that does not load gives them the plain edit control.
void SetJournalRichEditLibrary(const char* name);
// Test seam: the common file dialogs of Load Text and Save Text; null restores the system's.
using JournalFileDialogProc = BOOL (*)(OPENFILENAMEA* ofn);
// Test seam: only tests call it.
void SetJournalFileDialogProcs(JournalFileDialogProc open, JournalFileDialogProc save);
// The pane's text control, made (with the rich edit library loaded) when the pane has none yet:
// for whatever reads or changes the text, focuses or prints it. Null when it cannot be made.
HWND GetJournalHwnd(void* pane);
// The pane's text control only when made already: for questions about its state (focus,
// selection, modified) and for clearing that state, which a control yet to be made has not.
HWND JournalHwndIfMade(void* pane);
// Whether the pane's text control is still taking its text, a part at a time, while the program
// waits for input (GetJournalHwnd and any use of the control finish it at once).
int JournalFilling(void* pane);
int GetJournalWordWrap(void* pane);
// Destroys the pane's window and detaches its journal.
void JournalDestroy(void* pane);
void DeleteJournalWindow(void* pane, int flags);
// The document's graph items into a printer's or picture's context with its page shift and factors.
void DrawGraphItemsScaled(tagGS* gs, HDC dc, int pageShift, double factor1, double factor2);
// The lesson statements "PLOTLINE" and "PLOTDOT" on a document: 1 added.
int ScriptPlotLine(tagGS* gs, int32_t width, const char* colour, double x1, double y1, double x2, double y2);
int ScriptPlotDot(tagGS* gs, int32_t size, const char* colour, double x, double y);
// The document's horizontal units (milliseconds, or kilohertz for a frequency axis) in one unit
// of the values lessons and graph items give: seconds, hertz, or the axis' own unit.
double HorizontalUnitSize(const tagGS* gs);
// Text files of number columns: the reader fills the document from an open file (closing it),
// the writer writes the document (or its selection) into one. 1 done, 0 failed. A quiet read
// shows no box for a file it refuses.
int ReadTextFile(tagGS* gs, HANDLE* file, int quiet = 0);
int WriteTextFile(tagGS* gs, HANDLE file, int selectionOnly);
