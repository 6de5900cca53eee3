// Waveform rendering. Horizontal stepping is 16.16 fixed point and raw 16-bit samples map to
// rows with one multiply and a shift, so a long recording costs one min/max bar per pixel
// column rather than one line per sample.
#include "graph/render/waveforms.h"

#include <cmath>
#include <limits>

#include "documents/documents_api.h"
#include "graph/document/graph_doc.h"
#include "graph/document/marker_walks.h"
#include "graph/document/sample_store.h"
#include "graph/render/drawing_port.h"
#include "graph/render/grid_lines.h"
#include "graph/render/render_api.h"
#include "graph/render/waveforms_internal.h"
#include "graph/window/graph_window.h"
#include "graph/window/mouse_tools.h"
#include "controls/popup_button.h"
#include "controls/hls_color.h"
#include "common/color.h"
#include "base/services.h"
#include "documents/markers/markers.h"

using namespace waveform_internal;

namespace {

constexpr uint32_t kNoChannel = 0xFFFFFFFFu;
constexpr int kGroupBatch = 256;

HBITMAP g_xyBackground = nullptr;
WaveEscapeProbe g_escapeProbe = nullptr;
// The dot of the last XY pair, when only the latest is shown.
POINT g_xyLastDot = {0, 0};
bool g_xyLastDotHeld = false;

// The tick at which a redraw last asked the keyboard; kEscapeAskEveryRead while Escape is held.
uint64_t g_drawEscapeAskedAt = kEscapeAskEveryRead;

// x rounded up to a whole multiple of inc, unless it already lies within 1e-5 of one.
double RoundUpToStep(double x, double inc) {
    if (!Positive(inc) || !std::isfinite(x) || x == 0.0) return x;
    double q = std::trunc(x / inc);
    if (std::fabs((q * inc - x) / x) <= 1e-5) return x;
    return x < 0 ? q * inc : (q + 1) * inc;
}

double PixelMapOf(const tagGS* gs, int which, int slot) { return gs->chanPixelMap[which][slot]; }
double XScaleOf(const tagGS* gs, int slot) { return PixelMapOf(gs, 0, slot); }
double XZeroOf(const tagGS* gs, int slot) { return PixelMapOf(gs, 1, slot); }
double YScaleOf(const tagGS* gs, int slot) { return PixelMapOf(gs, 2, slot); }
double YZeroOf(const tagGS* gs, int slot) { return PixelMapOf(gs, 3, slot); }

int32_t PlotWidth(const tagGS* gs) { return gs->plotRect.right - gs->plotRect.left; }

// Milliseconds per pixel of the screen view; 0 when the view has no width or scale.
double ViewMsPerPixel(const tagGS* gs) {
    double ms = gs->hPerDiv * gs->hDivisions / PlotWidth(gs);
    return Positive(ms) ? ms : 0.0;
}

stColor16 Color16(COLORREF c) { return stColor16{GetRValue(c), GetGValue(c), GetBValue(c)}; }

// ---- One run of DrawGraphWaveforms ----

struct stPlotRun {
    tagGS* gs;
    int slot;
    int32_t first, last;  // sample indices, first <= last
    int64_t pos0, step;   // 16.16 position of the first sample and per-sample step
    uint16_t style;
    int32_t dotWidth, dotHeight;
    bool raw;   // 16-bit samples
    bool disk;  // samples come through the paging window
    stRowMap rawMap, valueMap;
};

int32_t ColumnAt(const stPlotRun& run, int32_t k) {
    return FixColumn(run.pos0 + static_cast<int64_t>(k - run.first) * run.step);
}

// The row of sample k: 1 read, -1 a value that cannot be drawn (a gap), 0 a failed read.
int RowAt(const stPlotRun& run, int32_t k, int32_t* row) {
    tagGS* gs = run.gs;
    if (run.disk) {
        double v;
        if (!GetChannelSample(gs, k, run.slot, &v)) return 0;
        *row = RowOfValue(run.valueMap, v);
        return 1;
    }
    const void* block = gs->chanBlock[run.slot];
    if (!block) return 0;
    if (run.raw) {
        *row = RowOfRaw(run.rawMap, static_cast<const int16_t*>(block)[k]);
        return 1;
    }
    double v = static_cast<const double*>(block)[k];
    if (!std::isfinite(v)) return -1;
    *row = RowOfValue(run.valueMap, v);
    return 1;
}

// Every sample drawn: lines, steps or dots. A gap lifts the pen until the next drawable sample.
int DrawEverySample(const stPlotRun& run, CDrawPort& port) {
    if (run.style == kStyleDots) {
        for (int32_t k = run.first; k <= run.last; ++k) {
            if (EscapeDown()) return 1;
            int32_t row;
            int got = RowAt(run, k, &row);
            if (got == 0) return 0;
            if (got < 0) continue;
            port.MoveTo(ColumnAt(run, k) - run.dotWidth / 2, row - run.dotHeight / 2);
            port.Line(0, 0);
        }
        return 1;
    }
    bool penDown = false;
    int32_t prevRow = 0;
    for (int32_t k = run.first; k <= run.last; ++k) {
        if (EscapeDown()) return 1;
        int32_t row;
        int got = RowAt(run, k, &row);
        if (got == 0) return 0;
        int32_t x = ColumnAt(run, k);
        if (got < 0) {
            // A step ends at the gap's column.
            if (penDown && run.style == kStyleStep) port.LineTo(x, prevRow, 0);
            penDown = false;
            continue;
        }
        if (!penDown) {
            port.MoveTo(x, row);
        } else if (run.style == kStyleStep) {
            port.LineTo(x, prevRow, 0);
            port.LineTo(x, row, 0);
        } else {
            port.LineTo(x, row, 0);
        }
        penDown = true;
        prevRow = row;
    }
    // The last value holds for one more sample step.
    if (penDown && run.style == kStyleStep)
        port.LineTo(FixColumn(run.pos0 + static_cast<int64_t>(run.last + 1 - run.first) * run.step), prevRow, 0);
    return 1;
}

// Draws a finished column group: the line from its last sample to the next group's first,
// then the bar from its lowest to its highest value (both ends inked).
template <typename T, typename RowFn>
void DrawGroup(CDrawPort& port, const stColumnMinMax<T>& g, const stColumnMinMax<T>* next, bool join, RowFn rowOf) {
    if (g.count == 0) return;
    if (join && next && ColumnsJoin(g, *next)) {
        port.MoveTo(g.column, rowOf(g.last));
        port.LineTo(next->column, rowOf(next->first), 0);
    }
    int32_t a = rowOf(g.lo), b = rowOf(g.hi);
    int32_t top = a < b ? a : b, bottom = a < b ? b : a;
    port.MoveTo(g.column, bottom);
    port.LineTo(g.column, top - 1, 0);
}

// Column groups of consecutive sample chunks, each finished group drawn as soon as the next
// one is known.
template <typename T, typename RowFn>
class CGroupDrawer {
public:
    CGroupDrawer(CDrawPort& port, bool join, RowFn rowOf) : m_port(port), m_join(join), m_rowOf(rowOf) {}

    // Adds the groups of one chunk; 0 when Escape ended the drawing.
    int Add(const stColumnMinMax<T>* groups, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            if (m_held && m_pending.column == groups[i].column) {
                MergeColumn(&m_pending, groups[i]);
                continue;
            }
            if (m_held) {
                if (EscapeDown()) return 0;
                DrawGroup(m_port, m_pending, &groups[i], m_join, m_rowOf);
            }
            m_pending = groups[i];
            m_held = true;
        }
        return 1;
    }
    void Finish() {
        if (m_held) DrawGroup(m_port, m_pending, static_cast<const stColumnMinMax<T>*>(nullptr), m_join, m_rowOf);
        m_held = false;
    }

private:
    CDrawPort& m_port;
    bool m_join;
    RowFn m_rowOf;
    stColumnMinMax<T> m_pending{};
    bool m_held = false;
};

// Compresses and draws samples[0 .. n) whose first lies at position pos; 0 when Escape ended it.
template <typename T, typename Drawer>
int CompressChunk(const T* samples, size_t n, int64_t pos, int64_t step, Drawer& drawer) {
    stColumnMinMax<T> groups[kGroupBatch];
    size_t done = 0;
    while (done < n) {
        size_t written = 0;
        size_t used = CompressColumns(samples + done, n - done, pos + static_cast<int64_t>(done) * step, step, groups,
                                      kGroupBatch, &written);
        if (!drawer.Add(groups, written)) return 0;
        if (used == 0) break;
        done += used;
    }
    return 1;
}

// The samples first .. last of a paged document as contiguous chunks of its window, reloading
// the window through the sample store when it does not hold the next index.
// 1 done, 0 a failed read, -1 Escape.
template <typename T, typename Drawer>
int CompressPaged(const stPlotRun& run, Drawer& drawer) {
    tagGS* gs = run.gs;
    int32_t k = run.first;
    while (k <= run.last) {
        if (gs->storageKind == kStoreMemory) {  // the store may have taken the document in whole
            const T* block = static_cast<const T*>(gs->chanBlock[run.slot]);
            if (!block) return 0;
            int64_t pos = run.pos0 + static_cast<int64_t>(k - run.first) * run.step;
            return CompressChunk(block + k, static_cast<size_t>(run.last - k + 1), pos, run.step, drawer) ? 1 : -1;
        }
        int64_t at = WindowPosition(k, gs->winFirst, gs->winRingBase, gs->winLen);
        bool inside = k >= gs->winFirst && static_cast<int64_t>(k) < static_cast<int64_t>(gs->winFirst) + gs->winLen;
        if (!inside || at < 0) {
            double v;
            if (!GetChannelSample(gs, k, run.slot, &v)) return 0;
            if (gs->storageKind != kStoreMemory &&
                (k < gs->winFirst || static_cast<int64_t>(k) >= static_cast<int64_t>(gs->winFirst) + gs->winLen))
                return 0;
            continue;
        }
        const T* block = static_cast<const T*>(gs->chanBlock[run.slot]);
        if (!block) return 0;
        // Up to the window's end or the ring's wrap, whichever comes first.
        int64_t n = static_cast<int64_t>(gs->winFirst) + gs->winLen - k;
        if (n > static_cast<int64_t>(gs->winLen) - at) n = static_cast<int64_t>(gs->winLen) - at;
        if (n > static_cast<int64_t>(run.last) - k + 1) n = static_cast<int64_t>(run.last) - k + 1;
        int64_t pos = run.pos0 + static_cast<int64_t>(k - run.first) * run.step;
        if (!CompressChunk(block + at, static_cast<size_t>(n), pos, run.step, drawer)) return -1;
        k += static_cast<int32_t>(n);
    }
    return 1;
}

template <typename T, typename RowFn>
int DrawCompressedAs(const stPlotRun& run, CDrawPort& port, bool join, RowFn rowOf) {
    CGroupDrawer<T, RowFn> drawer(port, join, rowOf);
    int result;
    if (run.disk) {
        result = CompressPaged<T>(run, drawer);
        if (result == 0) return 0;
    } else {
        const T* block = static_cast<const T*>(run.gs->chanBlock[run.slot]);
        if (!block) return 0;
        result =
            CompressChunk(block + run.first, static_cast<size_t>(run.last - run.first + 1), run.pos0, run.step, drawer)
                ? 1
                : -1;
    }
    if (result > 0) drawer.Finish();
    return 1;
}

// Many samples per column: one min/max bar per column, joined column to column.
int DrawCompressed(const stPlotRun& run, CDrawPort& port) {
    if (run.raw) {
        // Draft mode leaves the joining lines out of long paged recordings.
        bool join = !(run.disk && run.gs->draftCompressed);
        const stRowMap map = run.rawMap;
        return DrawCompressedAs<int16_t>(run, port, join, [map](int16_t r) { return RowOfRaw(map, r); });
    }
    const stRowMap map = run.valueMap;
    return DrawCompressedAs<double>(run, port, true, [map](double v) { return RowOfValue(map, v); });
}

// Overlap mode: every segment from the plot's left edge, the active one last and on top.
int DrawOverlappedSegments(HDC dc, tagGS* gs, int16_t slot, int16_t colorMode, int factorA, int factorB) {
    constexpr int kMaxSegments = 4096;
    static stSegmentMark marks[kMaxSegments];
    static stSegmentDraw draws[kMaxSegments];
    int n = 0;
    for (stMarkerNode* node = FirstMarkerOfType(gs, kMarkerAppend); node && n < kMaxSegments;
         node = NextMarkerOfType(gs, node, kMarkerAppend))
        marks[n++] = stSegmentMark{MarkerSamplePosition(node), GetSegmentEnd(gs, node), MarkerIsActive(node) ? 1u : 0u};
    int count = PlanSegmentDraws(marks, n, gs->sampleInterval, gs->segmentTimeOffset, draws);
    for (int i = 0; i < count; ++i) {
        if (!DrawGraphWaveforms(dc, gs, slot, draws[i].start, draws[i].length, colorMode, factorA, factorB, 1,
                                static_cast<int>(draws[i].emphasis)))
            return 0;
    }
    return 1;
}

}  // namespace

namespace waveform_internal {

// A redraw checks thousands of times: the keyboard is asked only once the tick has moved on.
int EscapeDown() {
    if (g_escapeProbe) return g_escapeProbe();
    return EscapeHeldByTick(&g_drawEscapeAskedAt) ? 1 : 0;
}

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

bool OverlapMode(tagGS* gs) { return gs->markerManager && IsSegmentViewOn(gs); }

// As the layout counts it: a slot holding a channel that the hide bit does not hide.
bool ChannelShown(const tagGS* gs, int slot) { return ChannelInUse(gs, slot) && !(gs->chanFlags[slot] & kChanHidden); }

int64_t SampleIndexOf(double time, double interval) {
    double i = std::trunc(time / interval);
    if (!(i == i) || i < 0) return 0;
    return i > 2e9 ? 2000000000 : static_cast<int64_t>(i);
}

}  // namespace waveform_internal

// ---- Document entry points ----

void SetXYBackgroundPicture(HBITMAP picture) { g_xyBackground = picture; }
HBITMAP GetXYBackgroundPicture() { return g_xyBackground; }
void SetWaveEscapeProbe(WaveEscapeProbe probe) { g_escapeProbe = probe; }

double GraphTimeToX(tagGS* gs, double time) {
    double ms = ViewMsPerPixel(gs);
    if (ms == 0.0 || !std::isfinite(time)) return gs->plotRect.left;
    double origin = gs->hStart + (OverlapMode(gs) ? gs->segmentTimeOffset : 0.0);
    double x = std::round((time - origin) / ms + gs->plotRect.left);
    double limit = static_cast<double>(kMaxColumn);
    return x > limit ? limit : (x < -limit ? -limit : x);
}

double GraphXToTime(tagGS* gs, int32_t x) {
    double origin = gs->hStart + (OverlapMode(gs) ? gs->segmentTimeOffset : 0.0);
    return (x - gs->plotRect.left) * ViewMsPerPixel(gs) + origin;
}

bool DrawnGrey(const tagGS* gs, int slot) {
    return gs->grayNonSelected && !gs->acquiring && gs->selectedChan != static_cast<uint32_t>(slot);
}

COLORREF ShadeColor(COLORREF color, int16_t delta, int16_t low, int16_t high) {
    uint32_t hls = RgbToHls(color);
    int h = (hls >> 16) & 0xFF, l = (hls >> 8) & 0xFF, s = hls & 0xFF;
    if (delta >= 1 && l < high)
        l = l + delta > high ? high : l + delta;
    else if (delta < 0 && l > low)
        l = l + delta < low ? low : l + delta;
    return HlsToRgb(PackHls(h, l, s));
}

int DrawGraphWaveforms(HDC dc, tagGS* gs, int16_t slot, double start, double length, int16_t colorMode, int factorA,
                       int factorB, int insideSegment, int emphasis) {
    if (!dc || !gs || slot < 0 || slot >= kMaxChannels) return 0;
    if (OverlapMode(gs) && !insideSegment) return DrawOverlappedSegments(dc, gs, slot, colorMode, factorA, factorB);
    uint32_t count = gs->chanCount[slot];
    if (count == 0) return 1;
    const double interval = gs->sampleInterval;
    if (!Positive(interval) || !Positive(gs->hPerDiv) || !Positive(gs->hDivisions) || !std::isfinite(start) ||
        !std::isfinite(length) || !std::isfinite(gs->hStart))
        return 1;

    double pixPerDiv = static_cast<double>(PlotWidth(gs)) * factorA * factorB / gs->hDivisions;
    double pixPerSample = pixPerDiv / gs->hPerDiv * interval;
    const int32_t lastIndex = static_cast<int32_t>(count > INT32_MAX ? INT32_MAX : count - 1);
    double endTime = RoundUpToStep(start + length, interval);
    if (endTime > lastIndex * interval) endTime = lastIndex * interval;

    int64_t first = SampleIndexOf(start, interval);
    if (gs->storageKind == kStoreDiskRecording && first < gs->winFirst) first = gs->winFirst;
    if (first > lastIndex) first = lastIndex;

    const uint16_t style = gs->chanDrawStyle[slot];
    // Sample 0 of a dot channel sits one pixel inside the left edge.
    if (style == kStyleDots && first == 0 && Positive(pixPerDiv))
        gs->hStart = -gs->hPerDiv / pixPerDiv;
    else if (gs->hStart < 0)
        gs->hStart = 0;
    if (!Positive(pixPerSample)) return 1;

    stPlotRun run{};
    run.gs = gs;
    run.slot = slot;
    run.first = static_cast<int32_t>(first);
    double lastD = std::trunc((endTime + interval) / interval);
    run.last = lastD > lastIndex ? lastIndex : (lastD < first ? run.first : static_cast<int32_t>(lastD));
    double msPerPixel = gs->hPerDiv / pixPerDiv;
    double x0 = insideSegment ? gs->plotRect.left : (first * interval - gs->hStart) / msPerPixel + gs->plotRect.left;
    double maxFix = static_cast<double>(kMaxColumn) * 65536.0;
    double pos = x0 * 65536.0;
    run.pos0 = static_cast<int64_t>(pos > maxFix ? maxFix : (pos < -maxFix ? -maxFix : pos));
    double step = pixPerSample * 65536.0;
    run.step = static_cast<int64_t>(step > maxFix ? maxFix : step);
    run.style = style;
    const bool emphasised = emphasis != 0;
    run.dotWidth = static_cast<int32_t>((gs->chanPlotStyle[slot] >> 8) & 0xFF) * (emphasised ? 2 : 1);
    run.dotHeight = static_cast<int32_t>(gs->chanPlotStyle[slot] & 0xFF) * (emphasised ? 2 : 1);
    if (run.dotWidth < 1) run.dotWidth = 1;
    run.raw = gs->chanType[slot] != 1;
    run.disk = gs->storageKind != kStoreMemory;
    run.valueMap = ValueRowMap(YZeroOf(gs, slot), YScaleOf(gs, slot));
    run.rawMap = RawRowMap(YZeroOf(gs, slot), YScaleOf(gs, slot), gs->chanScale[slot], gs->chanOffset[slot]);

    CPenKeeper keepPen(dc);
    CPortDC portDc(dc);
    CDrawPort port(&portDc);
    if (colorMode == kColorModeOwn) {
        COLORREF color = DrawnGrey(gs, slot) ? kNonSelectedGrey : gs->chanColor[slot];
        if (emphasised) {
            color = ShadeColor(color, -30, 30, 240);
            port.SetPenSize(2, 2);
        }
        stColor16 c16 = Color16(color);
        port.SetPenColor(&c16);
    }
    if (pixPerSample >= kCompressBelow) {
        // Samples past the farthest column GDI takes are not walked (nor multiplied out).
        int64_t reach = ((static_cast<int64_t>(kMaxColumn) << kFixShift) - run.pos0) / run.step + 1;
        if (reach < static_cast<int64_t>(run.last) - run.first) run.last = run.first + static_cast<int32_t>(reach);
        if (style == kStyleDots) port.SetPenSize(run.dotWidth, run.dotHeight);
        return DrawEverySample(run, port);
    }
    return DrawCompressed(run, port);
}

int DrawGraphWaveforms2(HDC dc, tagGS* gs, int32_t first, int32_t last, int16_t colorMode, int pageIndex, int factorA,
                        int factorB) {
    if (!dc || !gs) return 0;
    const uint32_t ySlot = gs->selectedChan, xSlot = gs->xyXChan;
    if (ySlot == kNoChannel || xSlot == kNoChannel || ySlot >= kMaxChannels || xSlot >= kMaxChannels) return 0;
    if (!ChannelShown(gs, ySlot) || !ChannelShown(gs, xSlot)) return 0;
    uint32_t shorter = gs->chanCount[ySlot] < gs->chanCount[xSlot] ? gs->chanCount[ySlot] : gs->chanCount[xSlot];
    if (shorter == 0) return 0;
    if (first < 0) first = 0;
    if (static_cast<uint32_t>(last) >= shorter || last < 0) last = static_cast<int32_t>(shorter - 1);
    if (first >= last) return 0;

    const int64_t x0 = CutToward0(2.0 * XZeroOf(gs, xSlot), kMaxColumn);
    const double xScale2 = std::isfinite(XScaleOf(gs, xSlot)) ? 2.0 * XScaleOf(gs, xSlot) : 0.0;
    const stRowMap yMap = ValueRowMap(YZeroOf(gs, ySlot), YScaleOf(gs, ySlot));
    const int64_t pageShift = static_cast<int64_t>(PlotWidth(gs)) * pageIndex;
    // The plot is widened from its left edge, so that page 0 starts where the plot starts.
    const int64_t left2 = 2 * static_cast<int64_t>(gs->plotRect.left);
    auto columnOf = [&](double x) {
        double widened =
            static_cast<double>(x0 - left2 + CutToward0(x * xScale2, int64_t(1) << 40)) * factorA * factorB + left2;
        return static_cast<int32_t>((Saturate16(CutToward0(widened, int64_t(1) << 40)) >> 1) - pageShift);
    };

    CPenKeeper keepPen(dc);
    CPortDC portDc(dc);
    CDrawPort port(&portDc);
    stColor16 black{0, 0, 0};
    stColor16 color = colorMode == kColorModeOwn ? Color16(gs->chanColor[ySlot]) : black;
    port.SetPenColor(&color);
    const uint16_t style = gs->chanDrawStyle[ySlot];
    const uint32_t plotStyle = gs->chanPlotStyle[ySlot];
    int32_t dotW = static_cast<int32_t>((plotStyle >> 8) & 0xFF), dotH = static_cast<int32_t>(plotStyle & 0xFF);
    if (dotW < 1) dotW = 1;

    auto readPair = [&](int32_t k, POINT* p) {
        double x, y;
        if (!GetChannelSample(gs, k, static_cast<int>(xSlot), &x) ||
            !GetChannelSample(gs, k, static_cast<int>(ySlot), &y))
            return 0;
        p->x = columnOf(x);
        p->y = RowOfValue(yMap, y);
        return 1;
    };
    auto dotAt = [&](POINT p) {
        port.MoveTo(p.x - dotW / 2, p.y - dotH / 2);
        port.Line(0, 0);
    };

    if (plotStyle & kPlotLatestDotOnly) {
        POINT p;
        if (!readPair(last, &p)) return 0;
        port.SetPenSize(dotW, dotH);
        if (g_xyLastDotHeld) {
            stColor16 fill;
            port.GetFillColor(&fill);
            port.SetPenColor(&fill);
            dotAt(g_xyLastDot);
            port.SetPenColor(&color);
        }
        dotAt(p);
        g_xyLastDot = p;
        g_xyLastDotHeld = true;
        return 1;
    }
    if (style == kStyleDots) port.SetPenSize(dotW, dotH);
    bool penDown = false;
    for (int32_t k = first; k <= last; ++k) {
        if (EscapeDown()) return 1;
        POINT p;
        if (!readPair(k, &p)) {
            // A value that cannot be drawn leaves a gap; anything else ends the plot.
            if (gs->storageKind != kStoreMemory) return 0;
            if (EscapeDown()) return 1;
            penDown = false;
            continue;
        }
        if (style == kStyleDots) {
            dotAt(p);
        } else if (penDown) {
            port.LineTo(p.x, p.y, 0);
        } else {
            port.MoveTo(p.x, p.y);
            penDown = true;
        }
    }
    return 1;
}

