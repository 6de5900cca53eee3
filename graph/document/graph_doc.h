// Graph documents: creating, owning and releasing the record, and reading its samples.
#pragma once
#include <windows.h>
#include <cstdint>
#include "graph/document/tagGS.h"

struct stMarkerNode;

int AllocGraph(tagGS** out, int checkReview);
int InitNewGraph(tagGS* gs);
HWND NewGraph(int maximised);
HWND CreateGraphWindow(tagGS* gs, int maximised);
int CloseGraph(tagGS* gs, HWND parent);
void FreeGraphRecord(tagGS* gs);
int OpenGraphFile(const char* path);
tagGS* GetWindowGraph(HWND hwnd);

int GetChannelSample(tagGS* gs, int index, int slot, double* out);
int PutChannelSample(tagGS* gs, int index, int slot, double value, int grow);
int LoadSampleWindow(tagGS* gs, int start, int length);

// Graph window and drawing entry points the shell and the device library reach.
LRESULT CALLBACK GraphWndProc(HWND, UINT, WPARAM, LPARAM);
void SubclassScrollBarClass(int on);
int RegisterToolbarClass(HINSTANCE inst);
void UpdateGraphToolbar();
int DrawGraphWaveforms(HDC dc, tagGS* gs, int16_t chan, double first, double span, int16_t step, int a, int b,
                       int c, int d);
int DrawGraphWaveforms2(HDC dc, tagGS* gs, int32_t firstFrame, int32_t lastFrame, int16_t option, int a, int b,
                        int c);
void DrawTimeAxis(HDC dc, tagGS* gs);
void DrawChannelGrid(HDC dc, tagGS* gs, int slot, int page, int strip, int sx, int sy);
void UpdateHScrollBar(tagGS* gs);
void UpdateGraphLength(tagGS* gs);
void UpdateGraphScrollBars(tagGS* gs);
void AutoScaleGraph(tagGS* gs, int flag);
void RebuildChannelItems(tagGS* gs);
void ClearUndo();
void RedrawGraphCursor(tagGS* gs);

// Marker walks over the document's marker list.
stMarkerNode* FindMarkerAfter(tagGS* gs, stMarkerNode* start, uint32_t pos, int32_t type);
stMarkerNode* FindMarkerAtOrAfter(tagGS* gs, stMarkerNode* start, uint32_t pos, int32_t type);
stMarkerNode* FirstMarkerOfType(tagGS* gs, int32_t type);
stMarkerNode* NextMarkerOfType(tagGS* gs, stMarkerNode* node, int32_t type);
