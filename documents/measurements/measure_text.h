// Measurement results and selected wave data as plain text, for the clipboard and the journal.
#pragma once
#include <windows.h>
#include <cstddef>

struct tagGS;

// The text separator chosen in the Save Options dialog: 0 tab, 1 ',', 2 ' ', 3 '$'.
int& TextSeparatorSetting();
char TextSeparatorChar(int setting);

// In XY mode: the values of the horizontal and the selected channel under the pointer, on their
// display scales; 1 when the pointer lies in the plot rectangle, else 0.
int GetXYCursorValues(tagGS* gs, double* x, double* y);
// Test seam: where GetXYCursorValues finds the pointer (screen coordinates); null restores the
// system's.
using PointerProbe = BOOL(WINAPI*)(POINT* screen);
// Test seam: only tests call it.
void SetXYPointerProbe(PointerProbe probe);

// The measurement boxes' results in index order (shown boxes of types 1-25), one line or one line
// each; in XY mode the values under the pointer instead. Writes at most size - 1 characters and
// the end.
void FormatMeasurementsText(tagGS* gs, char* out, size_t size, int names, int units, int perLine, int channelNumbers);

// The selected samples of every channel in use as columns, with an optional time column (the
// journal's "WaveTimeValues") and an optional header line of labels. The locked text; its block
// goes to *block when given (the caller unlocks and frees it), else the caller frees it through
// GlobalHandle. Null when nothing is selected, a sample cannot be read, or Esc was held.
char* WriteSelectionAsText(tagGS* gs, int header, HGLOBAL* block);

// Test seam: what WriteSelectionAsText asks after each line to learn whether Esc is held; null
// restores the keyboard's answer.
using WaveTextEscapeProbe = bool (*)();
// Test seam: only tests call it.
void SetWaveTextEscapeProbe(WaveTextEscapeProbe probe);

// Puts the text on the clipboard as plain text; 1 when it is there.
int CopyTextToClipboard(const char* text);
