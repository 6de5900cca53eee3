// Incremental drawing of a running recording: only the new stretch is drawn, and past the
// view's end the plot is scrolled (or a new page begun) in place, so the graph window's own
// controls are never painted over and the plot never flickers through a whole repaint.
#include "devlib/acquisition/run/plotting.h"

#include <algorithm>
#include <cmath>

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/services/library.h"

namespace {


// The part of the plot a channel draws into: its band in the banded modes, else the plot.
RECT ChannelClip(const tagGS* gs, int slot, const RECT& plot) {
    RECT clip = plot;
    if (gs->displayMode != kModeScope) {
        const RECT& band = gs->chanBandRects[slot];
        if (band.bottom > band.top) {
            clip.top = std::max(clip.top, band.top);
            clip.bottom = std::min(clip.bottom, band.bottom);
        }
    }
    return clip;
}

bool Displayed(const tagGS* gs, int slot) { return ChannelInUse(gs, slot) && !(gs->chanFlags[slot] & kChanHidden); }

// Each displayed channel from `from` to the newest sample, clipped to its band.
void DrawStretch(HDC dc, tagGS* gs, const RECT& plot, double from, double newestMs, int16_t colorMode) {
    const stHostCallbacks* host = &g_lib.host;
    for (int16_t s = 0; s < kMaxChannels; ++s) {
        if (!Displayed(gs, s)) continue;
        const RECT clip = ChannelClip(gs, s, plot);
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        HostDrawGraphWaveforms(host, dc, gs, s, from, newestMs - from, colorMode);
        RestoreDC(dc, saved);
    }
}

// The grids of every displayed channel within area (white first); on a new page the banded
// modes bound each band where it does not meet the plot's own frame.
void RedrawGrids(HDC dc, tagGS* gs, const RECT& area, bool boundBands) {
    const stHostCallbacks* host = &g_lib.host;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!Displayed(gs, s)) continue;
        HostDrawChannelGrid(host, dc, gs, s);
        if (!boundBands || gs->displayMode == kModeScope) continue;
        const RECT& band = gs->chanBandRects[s];
        if (band.bottom <= band.top) continue;
        SelectObject(dc, GetStockObject(BLACK_PEN));
        if (band.top > area.top) {
            MoveToEx(dc, area.left, band.top, nullptr);
            LineTo(dc, area.right, band.top);
        }
        if (band.bottom < area.bottom) {
            MoveToEx(dc, area.left, band.bottom - 1, nullptr);
            LineTo(dc, area.right, band.bottom - 1);
        }
    }
    RestoreDC(dc, saved);
}

// A whole new page of the plot from the view's start to the newest sample.
void DrawNewPage(HDC dc, tagGS* gs, const RECT& plot, double newestMs, int16_t colorMode) {
    RedrawGrids(dc, gs, plot, true);
    HostDrawTimeAxis(&g_lib.host, dc, gs);
    HostUpdateHScrollBar(&g_lib.host, gs);
    DrawStretch(dc, gs, plot, std::max(0.0, gs->hStart - gs->sampleInterval), newestMs, colorMode);
}

// Scrolling: the newest frame stays at the right edge. The image moves by whole pixels measured
// from the time origin, so rounding never accumulates over a long run.
void ScrollOn(HDC dc, tagGS* gs, const RECT& plot, double firstMs, double newestMs, double viewMs, int16_t colorMode) {
    const int32_t width = plot.right - plot.left;
    const double msPerPixel = viewMs / width;
    const double oldStart = gs->hStart;
    gs->hStart = newestMs - viewMs;
    const int64_t dx = std::llround(oldStart / msPerPixel) - std::llround(gs->hStart / msPerPixel);
    if (dx == 0) {  // less than a pixel: the new stretch is drawn at the edge, clipped
        DrawStretch(dc, gs, plot, std::max(0.0, firstMs - gs->sampleInterval), newestMs, colorMode);
        return;
    }
    if (dx <= -width || dx > 0) {
        DrawNewPage(dc, gs, plot, newestMs, colorMode);
        return;
    }
    RECT uncovered{};
    const int kind = ScrollWindowEx(gs->hwnd, static_cast<int>(dx), 0, &plot, &plot, nullptr, &uncovered, 0);
    RECT strip{plot.right + static_cast<LONG>(dx), plot.top, plot.right, plot.bottom};
    RedrawGrids(dc, gs, strip, false);
    HostDrawTimeAxis(&g_lib.host, dc, gs);
    HostUpdateHScrollBar(&g_lib.host, gs);
    // The strip may begin before the batch when the pixels rounded the other way.
    const double stripMs = gs->hStart + (strip.left - plot.left) * msPerPixel;
    const double from = std::max(0.0, std::min(firstMs, stripMs) - gs->sampleInterval);
    DrawStretch(dc, gs, plot, from, newestMs, colorMode);
    // Windows over the plot moved with it: what they covered is painted by the window itself.
    if (kind == COMPLEXREGION) InvalidateRect(gs->hwnd, &uncovered, FALSE);
}

}  // namespace

// Draws the frames of the newest bytes into the graph window.
void PlotNewSamples(int32_t newBytes, stAcq* acq, tagGS* gs) {
    if (!gs || !gs->hwnd || acq->run.frameSize <= 0 || gs->sampleInterval <= 0) return;
    const int32_t frames = newBytes / acq->run.frameSize;
    if (frames <= 0) return;
    const double period = gs->sampleInterval;
    const double newestMs = gs->totalSamples * period;
    const double firstMs = newestMs - frames * period;
    const double viewMs = gs->hPerDiv * gs->hDivisions;
    RECT plot = gs->plotRect;
    plot.top += 1;
    plot.bottom -= 1;
    const bool drawable = plot.right > plot.left && plot.bottom > plot.top;
    HDC dc = GetDC(gs->hwnd);
    if (!dc) return;
    if (gs->displayMode == kModeXY) {
        if (drawable) {
            IntersectClipRect(dc, plot.left, plot.top, plot.right, plot.bottom);
            const int32_t last = gs->totalSamples - 1;
            HostDrawGraphWaveforms2(&g_lib.host, dc, gs, std::max(0, last - frames), last, 0);
        }
    } else if (viewMs > 0 && newestMs > gs->hStart + viewMs) {
        if (g_lib.scrolling && g_lib.autoPlotting) {
            if (drawable)
                ScrollOn(dc, gs, plot, firstMs, newestMs, viewMs, acq->drawColorMode);
            else
                gs->hStart = newestMs - viewMs;
        } else if (g_lib.autoPlotting) {
            gs->hStart = firstMs;  // a new page begins with the batch that passed the end
            if (drawable) DrawNewPage(dc, gs, plot, newestMs, acq->drawColorMode);
        }
        if (!drawable) HostUpdateHScrollBar(&g_lib.host, gs);
    } else if (drawable) {
        // One frame back, so the new stretch joins the line already drawn.
        DrawStretch(dc, gs, plot, std::max(0.0, firstMs - period), newestMs, acq->drawColorMode);
    }
    ReleaseDC(gs->hwnd, dc);
}
