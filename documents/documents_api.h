// What the shell and the graph window use of documents, journal, markers and measurements.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct stMarkerNode;
struct stMeasure;

void SetDefaultFont();
void LoadJournalSettings();
void SaveJournalSettings();
int RegisterMeasureClass(HINSTANCE inst);
int RegisterDirectorClass(HINSTANCE inst);

void SyncChannelDisplayFlags(tagGS* gs);
void UpdateAllMeasurements(tagGS* gs);
uint32_t GetSegmentEnd(tagGS* gs, stMarkerNode* node);
stMarkerNode* InsertMarker(tagGS* gs, double timeMs, int updateButtons, const char* label, int type);
int GetSelectionSampleRange(tagGS* gs, int32_t* first, int32_t* last, int16_t chan);
int WriteAcqFile(tagGS* gs, HANDLE file, int mode, int keepDataOffset);
void RedrawMarkerBar(tagGS* gs);

int ShowCalculationDialog(stMeasure* box, HWND popup);
void FormatMeasurementResult(stMeasure* box);
tagGS* GetMeasurementDocument(stMeasure* box);
void SetMeasurementCaptions(tagGS* gs);
void DropGraphMarkers(tagGS* gs);

// What the graph window calls of markers, measurements and the journal.
class CMarkerManager;
struct GraphWindowData;
void InsertKeyMarker(CMarkerManager* manager, int id);
void OnFindMarkerText(GraphWindowData* data, FINDREPLACE* fr);
int GetMeasurementCount(void* grid);
stMeasure* GetMeasurementAt(void* grid, int index);
int16_t JournalLoadText(int ask, int reserved);
int JournalSaveText(int ask, int reserved);
void JournalPrint();
void JournalClear();
uint16_t JournalSavePlacement(void* journalWnd);
void JournalSetWordWrap(int wrap);
