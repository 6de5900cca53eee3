// Waveform rendering: time and pixel columns, the Scope, Chart and XY plots of a channel, the
// painting of the plot area and of one band, and the XOR selection. The same plot routines draw
// into the screen, printer pages and metafiles.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

struct tagGS;

// ---- Document entry points ----

// Pixel column (a whole number) of a time, and time of a pixel column, over the plot area.
double GraphTimeToX(tagGS* gs, double time);
double GraphXToTime(tagGS* gs, int32_t x);

// One channel over [start, start + length] ms. colorMode 4 draws in the channel's colour; any
// other value (live drawing passes 8, the device library's start-up value) with the pen the
// context holds. factorA x factorB widen the horizontal scale (1 x 1 on screen). insideSegment
// and emphasis serve the overlapped segments (0 from every caller). 1 drawn (also when Escape
// ended it), 0 a sample read failed.
int DrawGraphWaveforms(HDC dc, tagGS* gs, int16_t slot, double start, double length, int16_t colorMode, int factorA,
                       int factorB, int insideSegment, int emphasis);
// The XY plot of selectedChan (vertical) against xyXChan over samples first .. last; colorMode 4
// draws in the channel's colour, any other value in black.
// 1 drawn, 0 nothing drawn or a read failed.
int DrawGraphWaveforms2(HDC dc, tagGS* gs, int32_t first, int32_t last, int16_t colorMode, int pageIndex, int factorA,
                        int factorB);
// Every shown channel over a time range into a rectangle: fill, grids, bands, plots.
int DrawVisibleRange(HDC dc, double start, double length, tagGS* gs, const RECT* rect);
// The colour with its lightness moved by delta (0-240 scale) and held inside [low, high].
COLORREF ShadeColor(COLORREF color, int16_t delta, int16_t low, int16_t high);

// The pen of the channels other than the selected one while "gray non-selected" is on.
constexpr COLORREF kNonSelectedGrey = RGB(192, 192, 192);
// Whether the slot is drawn in that grey: the preference is on, the graph is not recording
// (a recording shows every channel as it comes) and the slot is not the selected one.
bool DrawnGrey(const tagGS* gs, int slot);

// The picture behind the XY plot (a lesson script sets it; none by default). Not owned.
void SetXYBackgroundPicture(HBITMAP picture);
HBITMAP GetXYBackgroundPicture();

// Test seam: replaces the Escape key probe of the plot loops (null puts the key back).
using WaveEscapeProbe = int (*)();
// Test seam: only tests call it.
void SetWaveEscapeProbe(WaveEscapeProbe probe);

// ---- Pure parts, over plain values and arrays ----

// Below this many pixels per sample the samples are compressed to one min/max bar per column.
constexpr double kCompressBelow = 0.3;

// Horizontal positions are 16.16 fixed point; 64-bit so a far zoom cannot wrap them.
constexpr int kFixShift = 16;
// Columns are held within 2^26 pixels of the origin, which GDI still takes.
constexpr int32_t kMaxColumn = int32_t(1) << 26;
inline int32_t FixColumn(int64_t pos) {
    int64_t c = pos >> kFixShift;
    return static_cast<int32_t>(c > kMaxColumn ? kMaxColumn : (c < -kMaxColumn ? -kMaxColumn : c));
}

// v truncated toward 0 and held within [-limit, limit]; NaN is 0.
int64_t CutToward0(double v, int64_t limit);
// v held to the 16-bit range.
int32_t Saturate16(int64_t v);

// Value to pixel row at twice the resolution, halved at the end.
struct stRowMap {
    int64_t y0;     // 2 x row of the value 0 (for raw samples: with the offset folded in)
    int64_t k;      // raw samples: 2 x pixels per raw unit, 14 fraction bits
    double scale2;  // values: 2 x pixels per unit
};
// The map of a channel's values (yZero, yScale: row of 0 and pixels per unit, upward).
stRowMap ValueRowMap(double yZero, double yScale);
// The map of raw 16-bit samples whose value is raw x scale + offset.
stRowMap RawRowMap(double yZero, double yScale, double scale, double offset);
// Rows are held to 16 bits, saturating, so wild values never reach GDI as huge coordinates.
int32_t RowOfValue(const stRowMap& map, double value);
int32_t RowOfRaw(const stRowMap& map, int16_t raw);

// One pixel column's group of consecutive samples.
template <typename T>
struct stColumnMinMax {
    int32_t column;
    uint32_t count;   // samples in the group whose value counts (finite ones)
    T lo, hi;         // lowest and highest counted value
    T first, last;    // first and last counted value
    uint8_t leadGap;  // a sample that does not count came before the first counted one
    uint8_t tailGap;  // ... or after the last counted one
};
using stColumnMinMax16 = stColumnMinMax<int16_t>;
using stColumnMinMaxF = stColumnMinMax<double>;

// Groups samples[0 .. n) by the column of their position pos0 + i x step (16.16; step >= 0)
// and writes one record per column into out, at most maxOut. Returns the samples consumed: all
// of them, or those of the records written when out filled up. A group cut by the end of the
// input is written as it is; MergeColumn joins it to its rest from the next chunk. Floating
// samples that are not finite do not count.
size_t CompressColumns(const int16_t* samples, size_t n, int64_t pos0, int64_t step, stColumnMinMax16* out,
                       size_t maxOut, size_t* written);
size_t CompressColumns(const double* samples, size_t n, int64_t pos0, int64_t step, stColumnMinMaxF* out, size_t maxOut,
                       size_t* written);
// Adds the group next (same column, later samples) to into.
template <typename T>
void MergeColumn(stColumnMinMax<T>* into, const stColumnMinMax<T>& next) {
    if (next.count == 0) {  // nothing but samples that do not count
        into->tailGap = 1;
        if (into->count == 0) into->leadGap = 1;
        return;
    }
    if (into->count == 0) {
        *into = next;
        into->leadGap = 1;
        return;
    }
    if (next.lo < into->lo) into->lo = next.lo;
    if (next.hi > into->hi) into->hi = next.hi;
    into->last = next.last;
    into->count += next.count;
    into->tailGap = next.tailGap;
}

// Whether a line joins group a to the group b that follows it.
template <typename T>
bool ColumnsJoin(const stColumnMinMax<T>& a, const stColumnMinMax<T>& b) {
    return a.count && b.count && !a.tailGap && !b.leadGap;
}

// A segment marker as the overlapped drawing sees it: its sample position, the sample position
// just before the next segment (or the document's total), and its active flag.
struct stSegmentMark {
    uint32_t position;
    uint32_t end;
    uint32_t active;
};
// One draw of the overlapped segments.
struct stSegmentDraw {
    double start;
    double length;
    uint32_t emphasis;
};
// The draws of overlap mode in order, the active segment (the first marked active) last; out
// holds n entries. Draws of negative length are left out.
int PlanSegmentDraws(const stSegmentMark* marks, int n, double interval, double timeOffset, stSegmentDraw* out);
