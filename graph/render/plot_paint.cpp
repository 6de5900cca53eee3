// Painting a graph's plot area and its channel bands: fill, grids, bands, plots over the range
// in view (paged windows loaded as they are reached), and the XOR selection.
#include "graph/render/waveforms.h"

#include <cmath>

#include "documents/documents_api.h"
#include "documents/markers/markers.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/render/drawing_port.h"
#include "graph/render/grid_lines.h"
#include "graph/render/render_api.h"
#include "graph/render/waveforms_internal.h"
#include "graph/window/graph_window.h"
#include "graph/window/mouse_tools.h"
#include "base/services.h"

using namespace waveform_internal;

namespace {

// Fills a rectangle with a solid colour.
void FillSolid(HDC dc, const RECT& rc, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    if (!brush) return;
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

// A horizontal line across [left, right) on row y in black.
void HorizontalRule(HDC dc, int32_t left, int32_t right, int32_t y) {
    CPenKeeper keep(dc);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, left, y, nullptr);
    LineTo(dc, right, y);
}

// One channel of a painted range: its band's edge lines and clip in Chart mode, then the plot.
int DrawOneChannel(HDC dc, tagGS* gs, int slot, double start, double length, const RECT& rc) {
    CSavedDC saved(dc);
    if (gs->displayMode == kModeChart) {
        const RECT& band = gs->chanBandRects[slot];
        HorizontalRule(dc, rc.left, rc.right, band.top - 1);
        HorizontalRule(dc, rc.left, rc.right, band.bottom);
        IntersectClipRect(dc, rc.left, band.top, rc.right, band.bottom);
    }
    return DrawGraphWaveforms(dc, gs, static_cast<int16_t>(slot), start, length, kColorModeOwn, 1, 1, 0, 0);
}

// First sample of a window loaded for a range starting at index: the margin back, then back
// again by what the re-centre policy asks, held inside the document.
int32_t RangeWindowStart(const tagGS* gs, int64_t index) {
    int64_t first = index - kWindowMargin;
    if (first < 0) first = 0;
    if (g_pagingPolicy == 0)
        first -= kWindowMargin;
    else if (g_pagingPolicy == 1)
        first -= gs->winSize / 2;
    else
        first -= static_cast<int64_t>(gs->winSize) * 4 / 5;
    int64_t last = static_cast<int64_t>(gs->totalSamples) - gs->winSize;
    if (first > last) first = last;
    if (first < 0) first = 0;
    return static_cast<int32_t>(first);
}

int LoadWindowFor(tagGS* gs, int64_t index) {
    return LoadSampleWindow(gs, RangeWindowStart(gs, index), PagingWindowCount(gs->winSize, gs->totalSamples));
}

bool WindowHolds(const tagGS* gs, int64_t first, int64_t last) {
    return first >= gs->winFirst && last < static_cast<int64_t>(gs->winFirst) + gs->winLen;
}

}  // namespace

void DrawSelectionXor(HDC dc, tagGS* gs) {
    if (!dc || !gs) return;
    if (gs->cursorShown == kCursorDrawn) {
        gs->cursorShown = kCursorHidden;
        ToggleTimeCursorLine(dc, gs);
    }
    double a = gs->selStart < gs->selEnd ? gs->selStart : gs->selEnd;
    double b = gs->selStart < gs->selEnd ? gs->selEnd : gs->selStart;
    gs->selX1 = static_cast<int32_t>(GraphTimeToX(gs, a));
    gs->selX2 = static_cast<int32_t>(GraphTimeToX(gs, b));
    const RECT& plot = gs->plotRect;
    int32_t left = gs->selX1 > plot.left ? gs->selX1 : plot.left;
    int32_t right = gs->selX2 < plot.right ? gs->selX2 : plot.right;
    int32_t top = plot.top + 1, bottom = plot.bottom - 1;
    if (gs->selStart == gs->selEnd || left >= right || top >= bottom) return;
    PatBlt(dc, left, top, right - left, bottom - top, DSTINVERT);
}

int DrawVisibleRange(HDC dc, double start, double length, tagGS* gs, const RECT* rect) {
    if (!dc || !gs || !rect) return 0;
    const RECT rc = *rect;
    CSavedDC saved(dc);
    FillSolid(dc, rc, RGB(255, 255, 255));
    IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    SetBkColor(dc, gs->plotBackColor);
    if (!(start >= 0.0)) start = 0.0;
    if (!std::isfinite(length) || length < 0) length = 0.0;

    if (gs->displayMode == kModeScope && ChannelShown(gs, static_cast<int>(gs->selectedChan)))
        DrawChannelGrid(dc, gs, static_cast<int>(gs->selectedChan), 0, 0, 1, 1);
    if (gs->displayMode == kModeChart)
        for (int slot = 0; slot < kMaxChannels; ++slot)
            if (ChannelShown(gs, slot)) DrawChannelGrid(dc, gs, slot, 0, 0, 1, 1);

    const double interval = gs->sampleInterval;
    const bool paged = gs->storageKind == kStoreDiskPaged && Positive(interval) && gs->winSize > 2 * kWindowMargin;
    if (paged && length <= (gs->winSize - kWindowMargin) * interval) {
        int64_t a = SampleIndexOf(start, interval), b = SampleIndexOf(start + length, interval);
        if (!WindowHolds(gs, a, b) && !LoadWindowFor(gs, a)) return 0;
    } else if (paged) {
        // Longer than the window: slice by slice, each slice from its own window.
        const double slice = (gs->winSize - 2 * kWindowMargin) * interval;
        const bool overlap = OverlapMode(gs);
        const double docEnd = static_cast<double>(gs->totalSamples) * interval;
        for (double done = 0.0; done < length && start + done < docEnd; done += slice) {
            double t = start + done;
            if (EscapeDown()) return 1;
            if (!LoadWindowFor(gs, SampleIndexOf(t, interval))) return 0;
            double from = t - interval < 0 ? 0.0 : t - interval;
            for (int slot = 0; slot < kMaxChannels; ++slot)
                if (ChannelShown(gs, slot) && !DrawOneChannel(dc, gs, slot, from, overlap ? length : slice, rc))
                    return 0;
        }
        return 1;
    }
    for (int slot = 0; slot < kMaxChannels; ++slot)
        if (ChannelShown(gs, slot) && !DrawOneChannel(dc, gs, slot, start, length, rc)) return 0;
    return 1;
}

int PaintPlotArea(HDC dc, tagGS* gs) {
    if (!dc || !gs) return 0;
    CWaitCursor wait;
    CSavedDC saved(dc);
    const RECT plot = gs->plotRect;
    if (plot.right <= plot.left || plot.bottom <= plot.top) return 1;
    IntersectClipRect(dc, plot.left, plot.top + 1, plot.right, plot.bottom - 1);
    if (gs->displayMode == kModeXY) {
        if (GetXYBackgroundPicture()) {
            BITMAP bm{};
            HDC mem = CreateCompatibleDC(dc);
            if (mem && GetObject(GetXYBackgroundPicture(), sizeof bm, &bm)) {
                HGDIOBJ old = SelectObject(mem, GetXYBackgroundPicture());
                StretchBlt(dc, plot.left, plot.top, plot.right - plot.left, plot.bottom - plot.top, mem, 0, 0,
                           bm.bmWidth, bm.bmHeight, SRCCOPY);
                SelectObject(mem, old);
            }
            if (mem) DeleteDC(mem);
        } else {
            FillSolid(dc, plot, RGB(255, 255, 255));
        }
        const uint32_t ySlot = gs->selectedChan, xSlot = gs->xyXChan;
        if (ySlot >= kMaxChannels || xSlot >= kMaxChannels) return 1;
        DrawChannelGrid(dc, gs, static_cast<int>(ySlot), 0, 0, 1, 1);
        int64_t shorter = gs->chanCount[ySlot] < gs->chanCount[xSlot] ? gs->chanCount[ySlot] : gs->chanCount[xSlot];
        int32_t first = 0, last = 0;
        if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(ySlot)) || first >= last) {
            first = 0;
            last = static_cast<int32_t>(shorter - 1);
        }
        int result = 1;
        if (last > 0 && first >= 0 && first < shorter && last < shorter)
            result = DrawGraphWaveforms2(dc, gs, first, last, kColorModeOwn, 0, 1, 1);
        DrawGraphItemsScaled(gs, dc, 0, 1.0, 1.0);
        return result;
    }
    double t0 = GraphXToTime(gs, plot.left), t1 = GraphXToTime(gs, plot.right);
    PagingPolicyScope policy(kPagingForward);
    int result = DrawVisibleRange(dc, t0, t1 - t0, gs, &plot);
    DrawGraphItemsScaled(gs, dc, 0, 1.0, 1.0);
    DrawSelectionXor(dc, gs);
    return result;
}

namespace {

// One band's plot over the visible time, within the clip its caller set.
int DrawBandWaveform(HDC dc, tagGS* gs, int slot) {
    const double interval = gs->sampleInterval;
    if (!Positive(interval)) return 1;
    const double span = gs->hPerDiv * gs->hDivisions + interval;
    const double start = gs->hStart;
    PagingPolicyScope policy(kPagingForward);
    if (gs->storageKind == kStoreDiskPaged && gs->winSize > 2 * kWindowMargin) {
        int64_t a = SampleIndexOf(start, interval), b = SampleIndexOf(start + span, interval);
        if (span <= (gs->winSize - kWindowMargin) * interval) {
            if (!WindowHolds(gs, a, b) && !LoadWindowFor(gs, a)) return 0;
            return DrawGraphWaveforms(dc, gs, static_cast<int16_t>(slot), start, span, kColorModeOwn, 1, 1, 0, 0);
        }
        const double slice = (gs->winSize - 2 * kWindowMargin) * interval;
        const double docEnd = static_cast<double>(gs->totalSamples) * interval;
        int result = 1;
        for (double t = start; result && t < docEnd; t += slice) {
            if (!LoadWindowFor(gs, SampleIndexOf(t, interval))) return 0;
            double from = t - interval < 0 ? 0.0 : t - interval;
            result = DrawGraphWaveforms(dc, gs, static_cast<int16_t>(slot), from, slice, kColorModeOwn, 1, 1, 0, 0);
            if (GraphTimeToX(gs, t + slice) >= gs->plotRect.right || EscapeDown()) break;
        }
        return result;
    }
    double from = start - interval < 0 ? 0.0 : start - interval;
    double end = (gs->chanCount[slot] - 1.0) * interval;
    double length = from + span > end ? end - from : span;
    if (length < 0) return 1;
    return DrawGraphWaveforms(dc, gs, static_cast<int16_t>(slot), from, length, kColorModeOwn, 1, 1, 0, 0);
}

// The edge lines the other shown bands of slots first .. last - 1 draw across the plot, which
// land on their neighbours' rows (the caller's clip keeps what falls in one band).
void DrawOtherBandsRules(HDC dc, const tagGS* gs, int self, int first, int last) {
    const RECT& plot = gs->plotRect;
    for (int s = first; s < last; ++s) {
        if (s == self || !ChannelShown(gs, s)) continue;
        HorizontalRule(dc, plot.left, plot.right, gs->chanBandRects[s].top - 1);
        HorizontalRule(dc, plot.left, plot.right, gs->chanBandRects[s].bottom);
    }
}

}  // namespace

int PaintChannelBand(HDC dc, tagGS* gs, int slot) {
    if (!dc || !gs || !ChannelShown(gs, slot) || gs->chanCount[slot] == 0) return 0;
    CWaitCursor wait;
    CSavedDC saved(dc);
    const RECT band = gs->chanBandRects[slot];
    IntersectClipRect(dc, band.left, band.top, band.right, band.bottom);
    FillSolid(dc, band, RGB(255, 255, 255));
    DrawChannelGrid(dc, gs, slot, 0, 0, 1, 1);
    // The neighbours' edges are drawn in the order the whole plot draws them, so the band looks
    // as it did: edges of earlier slots under the wave, of later slots over it.
    DrawOtherBandsRules(dc, gs, slot, 0, slot);
    int result = DrawBandWaveform(dc, gs, slot);
    DrawOtherBandsRules(dc, gs, slot, slot + 1, kMaxChannels);
    // The selection is inverted within the band only: the other bands still show theirs, and
    // inverting them again would take it away.
    DrawSelectionXor(dc, gs);
    return result;
}
