// The tracking overlay: the line (or the XY cross-hair) and readout that follow the mouse while
// the button is held in the plot, the live XY readout of the I-beam tool, and the readout's
// values written into the journal.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

struct tagGS;

// One tracking at a time: begin at the press, a step per move, the end at the release.
void BeginTracking(tagGS* gs);
uint32_t IsTracking();
void TrackTo(POINT point);
void EndTracking();
// The live XY readout at the mouse; null inside a tracking that already holds the context.
void ShowReadoutAtCursor(tagGS* gs);
// After the graph painted with the given paint context: the tracking lines drawn again where it
// painted over them.
void RedrawTrackLines(HDC paintDc, tagGS* gs);

// Writes the readout of the graph's last tracked place into its journal: in XY mode the X and Y
// values, in Scope and Chart mode the time and the selected channel's sample there.
void PasteValuesToJournal(tagGS* gs);
// The graph is going: its tracked places are forgotten.
void ForgetTrackedPlaces(const tagGS* gs);

// Test seam: where the lines stand on screen (0: none).
void GetTrackLines(int32_t* lineX, int32_t* lineY);

// The XY readout text of an X and a Y value; an empty text for a null or too small buffer.
void FormatReadout(char* out, size_t size, const tagGS* gs, double x, double y);
// The index of the point nearest (px, py) among n points given in pixels; -1 for none.
int NearestPoint(const POINT* points, size_t n, int32_t px, int32_t py);
