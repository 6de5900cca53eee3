// Graph documents: creating, owning and releasing the record, and reading its samples.
#pragma once
#include <windows.h>
#include <cstdint>
#include "common/tagGS.h"
#include "graph/document/sample_store.h"

struct stMarkerNode;

// Lifecycle: allocated -> initialised -> windowed -> (recording) -> closed.
int AllocGraph(tagGS** out, int checkReview);  // 1; 0 no memory; -1 refused in review-saved-data mode
int InitNewGraph(tagGS* gs);
HWND NewGraph(int maximised);
// A new hidden graph for a transform's result; null, after the single-window message, in
// review-saved-data mode (*refused is then set).
HWND NewResultGraph(int* refused = nullptr);
// A made document's window: created, announced to the device library, laid out; null when the
// window failed (the document went with it).
HWND OpenGraphWindow(tagGS* gs, int maximised);
HWND CreateGraphWindow(tagGS* gs, int maximised);
int CloseGraph(tagGS* gs, HWND parent);  // 1 when the document is gone; 0 refused or cancelled
// Frees everything a document holds and its record, without questions: the channel clipboard at
// exit, and a document whose window goes down with the frame.
void FreeGraphRecord(tagGS* gs);
int OpenGraphFile(const char* path);
tagGS* OpenGraphFileQuiet(const char* path, int reserved, int* incompatible);

// The window set-up and its steps; each returns 0 at a failure.
int SetUpGraphWindow(tagGS* gs, HWND hwnd);
void ComputePlotRect(tagGS* gs, HWND hwnd);
int CreateToolButtons(tagGS* gs, HWND hwnd);
int CreateGraphScrollBars(tagGS* gs, HWND hwnd);
int CreateGraphJournal(tagGS* gs, HWND hwnd);
void ShowGraphControls(tagGS* gs, int show);
void ResetMeasurementGrid(tagGS* gs, uint16_t rows, uint16_t cols);

// Test seam: the document counter behind "Untitled%d"; it never goes back.
int GetUntitledCounter();

// The graph window procedure and the scroll bars' subclass, as the shell reaches them.
LRESULT CALLBACK GraphWndProc(HWND, UINT, WPARAM, LPARAM);
void SubclassScrollBarClass(int on);
