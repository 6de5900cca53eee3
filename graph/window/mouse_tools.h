// The graph window's mouse tools: selection, zoom, drags and the blinking cursor line.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct GraphWindowData;

void OnChildButtonDown(GraphWindowData* data, int doubleClick, int x, int y, UINT keys);
void OnChildMouseMove(GraphWindowData* data, int x, int y, UINT keys);
void OnChildButtonUp(GraphWindowData* data, int x, int y, UINT keys);
// Draws or erases the cursor line of the I-beam tool.
void ToggleTimeCursorLine(HDC dc, tagGS* gs);
// The frame timer's step of the blinking cursor line.
void RedrawGraphCursor(tagGS* gs);

// The drag that owns the mouse; one for the whole program.
constexpr uint16_t kToolModeNone = 0, kToolModeZoom = 1, kToolModeRange = 2, kToolModeBoundary = 3, kToolModeMarker = 4,
                   kToolModeJournal = 5;
// Test seam: the drag that owns the mouse now.
uint16_t GetToolMode();

// The drags; each takes the press, move and release messages (WM_LBUTTONDOWN, WM_MOUSEMOVE,
// WM_LBUTTONUP) in client coordinates of the graph window.
void ZoomTool(tagGS* gs, int x, int y, UINT msg);
void SelectRangeTool(tagGS* gs, int x, int y, int shift, UINT msg);
void DragChartBoundary(tagGS* gs, int x, int y, int position, UINT msg);
void DragJournalEdge(tagGS* gs, int x, int y, UINT msg);

// The arrow tool's press: picks the channel nearest the point. 1 consumed, 0 not (Chart mode,
// no band under the point).
int SelectNearestChannel(tagGS* gs, int x, int y);
// Kinds of channel areas: the plot bands, the label column, the scale strips less their units
// column, and the units column.
constexpr int kAreaPlot = 0, kAreaLabel = 1, kAreaScale = 2, kAreaUnits = 3;
// The slot whose area of that kind holds the point; -1 when none.
int HitTestChannelArea(tagGS* gs, int x, int y, int kind);

// The zoom history.
void ZoomBack(tagGS* gs);
void ZoomForward(tagGS* gs);
// Repaints one channel (-1: the selected one) after its colour or scale changed.
void RefreshChannel(tagGS* gs, int slot);
// Confines the mouse to a client rectangle of the window, less a pixel at top and bottom, within
// the screen.
void ClipCursorToRect(HWND hwnd, const RECT* rect);

// ---- Pure parts, over plain values ----

// The rectangle a zoom drag or click asks for, and its two zoom factors.
struct stZoomBox {
    int32_t xl, xr, yl, yr;
    double fx, fy;
};
// From the bounds, the anchor and the last point of the drag: a drag smaller than 4 pixels both
// ways is a click, which halves both spans around it (out doubles them).
stZoomBox PlanZoomBox(const RECT& bounds, POINT anchor, POINT last, bool out);
// A scale value times a zoom factor; the value itself when the result would make the span
// unusable (not finite, not positive, or beyond the range a double resolves around center).
double ZoomScaled(double value, double factor, double otherFactor, double center);
// The start of a zoomed view: the time at the rectangle's left edge, held so the new span stays
// inside the channel's length and never before 0.
double ZoomedStart(double timeAtLeft, double channelLength, double newSpan);
// New strip weights after the boundary between an upper and a lower Chart band moved to y.
void ChartBoundaryWeights(const RECT& upper, const RECT& lower, int32_t y, uint32_t weightSum, uint32_t* upperWeight,
                          uint32_t* lowerWeight);
// The zoom history of a graph record: store the view at a level, take one back, step a level.
void StoreZoomLevel(tagGS* gs, uint32_t level);
void RestoreZoomLevel(tagGS* gs, uint32_t level);
// One level further after a zoom: the oldest level drops when the history is full.
void AdvanceZoomLevel(tagGS* gs);
