// Display modes, autoscaling, the visible time span and the scroll bars of a graph window.
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "graph/view/axes.h"
#include "graph/view/channel_selection.h"
#include "graph/document/graph_doc.h"
#include "graph/render/render_api.h"
#include "graph/render/waveforms.h"
#include "graph/window/channel_slots.h"
#include "graph/window/graph_window.h"
#include "graph/window/mouse_tools.h"
#include "documents/documents_api.h"
#include "devlib/vk40.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/graph_ids.h"
#include "base/lesson.h"
#include "base/notify.h"
#include "base/services.h"
#include "button/lumikey.h"
#include "documents/markers/markers.h"
#include <cfloat>
#include <utility>
#include <cmath>
#include <vector>

uint16_t g_nPageDivisor = 4;

namespace {

// Faces of the I-beam tool in the application's button bitmaps: the readout of XY mode and the
// range selection of the other modes.
constexpr int kIBeamFaceXY = 2, kIBeamFaceXYOff = 6, kIBeamFace = 1, kIBeamFaceOff = 5;
// Autoscaled data fill this share of their band.
constexpr double kAutoScaleFill = 0.75;
// Samples read per block while autoscaling.
constexpr size_t kMinMaxBlock = 4096;

double VisibleSpan(const tagGS* gs) { return gs->hPerDiv * gs->hDivisions; }
double RecordLength(const tagGS* gs) { return gs->totalSamples * gs->sampleInterval; }
int32_t PlotWidth(const tagGS* gs) { return gs->plotRect.right - gs->plotRect.left; }

int FirstShownSlot(const tagGS* gs) {
    for (int s = 0; s < kMaxChannels; ++s)
        if (ViewSlotShown(gs, s)) return s;
    return -1;
}

bool SlotUsed(const tagGS* gs, int s) { return (gs->chanFlags[s] & kChanSlotMask) > 1; }

bool HasSegments(tagGS* gs) { return gs->markers && CountMarkersOfType(gs, kMarkerAppend) > 0; }

// Enables or disables both arrows; a bar that changed is updated at once.
void SetBarEnabled(HWND bar, bool on) {
    if (!bar || !IsWindow(bar)) return;
    if (EnableScrollBar(bar, SB_CTL, on ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH)) UpdateWindow(bar);
}

// The horizontal bar runs over 0..1000 for time and -1000..1000 for the X channel of XY mode.
void SetHorizontalRange(tagGS* gs) {
    HWND bar = gs->hScrollBar;
    if (!bar || !IsWindow(bar)) return;
    int lo = 0, hi = 0;
    GetScrollRange(bar, SB_CTL, &lo, &hi);
    int want = gs->displayMode == kModeXY ? -kValueThumbMax : 0;
    if (lo != want || hi != kTimeThumbMax) SetScrollRange(bar, SB_CTL, want, kTimeThumbMax, TRUE);
}

// A thumb already in place is left alone: setting it redraws the bar at once.
void SetThumb(HWND bar, int32_t pos) {
    if (bar && IsWindow(bar) && GetScrollPos(bar, SB_CTL) != pos) SetScrollPos(bar, SB_CTL, pos, TRUE);
}

void RefreshInputValues() {
    DeviceRefreshInputValues();
}

void SetIBeamFaces(tagGS* gs, int on, int off) {
    HWND button = gs->toolButtons[1];
    if (!button || !IsWindow(button)) return;
    SendMessageA(button, LKM_SETENABLEBITMAP, reinterpret_cast<WPARAM>(g_app->bitmaps.hbmButtons[on]), 0);
    SendMessageA(button, LKM_SETDISABLEBITMAP, reinterpret_cast<WPARAM>(g_app->bitmaps.hbmButtons[off]), 0);
    InvalidateRect(button, nullptr, FALSE);
}

// Erases a drawn cursor line (the line is an inversion, so drawing it again erases it).
void EraseCursorLine(tagGS* gs, HDC dc) {
    if (gs->cursorShown != kCursorDrawn) return;
    ToggleTimeCursorLine(dc, gs);
    gs->cursorShown = kCursorHidden;
}

// Minimum and maximum of the visible part of a slot's samples; 0 when none was read.
int VisibleMinMax(tagGS* gs, int slot, double* lo, double* hi) {
    *lo = *hi = 0.0;
    uint32_t first = 0, last = 0;
    if (!VisibleSampleSpan(gs->hStart, VisibleSpan(gs), gs->sampleInterval, gs->chanCount[slot], &first, &last))
        return 0;
    std::vector<double> block;
    block.reserve(kMinMaxBlock);
    bool any = false;
    double l = 0.0, h = 0.0;
    for (uint32_t i = first; i <= last;) {
        block.clear();
        bool stopped = false;
        for (; i <= last && block.size() < kMinMaxBlock; ++i) {
            double v = 0.0;
            if (GetChannelSample(gs, static_cast<int>(i), slot, &v)) {
                block.push_back(v);
            } else if (IsEscapeKeyDown()) {
                stopped = true;  // Escape ends the scan with what was read
                break;
            }  // otherwise a sample that is not a number: skipped
        }
        double bl, bh;
        if (FiniteMinMax(block.data(), block.size(), &bl, &bh)) {
            l = any ? std::fmin(l, bl) : bl;
            h = any ? std::fmax(h, bh) : bh;
            any = true;
        }
        if (stopped) break;
    }
    if (!any) return 0;
    *lo = l;
    *hi = h;
    return 1;
}

// Fits one slot's vertical scale to its visible data; fraction moves the centre by that share
// of the scale, bands divides the height among that many channels.
void FitChannelToView(tagGS* gs, int slot, double fraction, int32_t bands) {
    if (slot < 0 || slot >= kMaxChannels || !SlotUsed(gs, slot) || !ViewSlotShown(gs, slot)) return;
    double lo = 0.0, hi = 0.0;
    VisibleMinMax(gs, slot, &lo, &hi);
    double range = std::fabs(hi - lo);
    if (hi < lo) lo = hi;
    if (!gs->gridLocked) {
        gs->chanVPerDiv[slot] = AutoScalePerDiv(range, gs->chanVDivisions[slot], bands);
    } else {
        gs->chanVDivisions[slot] =
            AutoScaleLockedDivisions(range, gs->chanVPerDiv[slot], gs->chanVDivisions[slot], bands);
    }
    double center = range / 2 + lo + gs->chanVPerDiv[slot] * gs->chanVDivisions[slot] * fraction;
    if (!std::isfinite(center)) center = 0.0;
    gs->chanVCenter[slot] = gs->chanVCenterRef[slot] = gs->zoomVCenter[0][slot] = center;
    gs->zoomVPerDiv[0][slot] = gs->chanVPerDiv[slot];
    gs->zoomLevel = gs->zoomCount = 0;
}

// After a scale change: transforms and thumbs, the plot and its strips, the Input Values pane.
void RefreshAfterScale(tagGS* gs) {
    UpdateGraphScrollBars(gs);
    if (gs->hwnd) {
        RECT client{};
        GetClientRect(gs->hwnd, &client);
        RECT rc{0, gs->plotRect.top, client.right, gs->plotRect.bottom};
        InvalidateRect(gs->hwnd, &rc, FALSE);
    }
    RefreshInputValues();
}

// Inverts the selection band's columns over the plot's height less a pixel at top and bottom.
void InvertBandColumns(HDC dc, const tagGS* gs) {
    if (gs->selStart == gs->selEnd) return;
    const RECT& plot = gs->plotRect;
    int32_t x1 = gs->selX1 < gs->selX2 ? gs->selX1 : gs->selX2;
    int32_t x2 = gs->selX1 < gs->selX2 ? gs->selX2 : gs->selX1;
    if (x1 < plot.left) x1 = plot.left;
    if (x2 > plot.right) x2 = plot.right;
    int32_t h = plot.bottom - plot.top - 2;
    if (x2 <= x1 || h <= 0) return;
    int old = SetROP2(dc, R2_XORPEN);
    PatBlt(dc, x1, plot.top + 1, x2 - x1, h, DSTINVERT);
    SetROP2(dc, old);
}

// Moves the plot contents dx pixels (right for earlier data) and draws the uncovered strip,
// which covers the time span of the move widened by a sample so the line joins up.
void ScrollPlotPixels(tagGS* gs, int32_t dx) {
    HWND hwnd = gs->hwnd;
    if (!hwnd || !IsWindow(hwnd) || dx == 0) return;
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    EraseCursorLine(gs, dc);
    InvertBandColumns(dc, gs);  // the band is inverted again at its new columns below
    RECT clip = gs->plotRect;
    clip.top += 1;
    clip.bottom -= 1;
    RECT uncovered{};
    int kind = ScrollWindowEx(hwnd, dx, 0, &clip, &clip, nullptr, &uncovered, 0);
    const double perPixel = VisibleSpan(gs) / PlotWidth(gs), si = gs->sampleInterval;
    const double moved = (dx > 0 ? dx : -dx) * perPixel;
    g_pagingPolicy = 0;
    if (dx > 0)
        DrawVisibleRange(dc, gs->hStart - si, moved + si, gs, &uncovered);
    else
        DrawVisibleRange(dc, gs->hStart + VisibleSpan(gs) - (moved + perPixel) - si, moved + si + perPixel, gs,
                         &uncovered);
    gs->selX1 += dx;
    gs->selX2 += dx;
    InvertSelectionBand(dc, gs);
    ReleaseDC(hwnd, dc);
    if (kind == COMPLEXREGION) {
        // Windows over the plot: what they covered needs painting too.
        RECT rest = uncovered;
        if (dx > 0)
            rest.left = gs->plotRect.left + dx;
        else
            rest.right = gs->plotRect.right + dx;
        InvalidateRect(hwnd, &rest, FALSE);
        char text[160] = "";
        if (LoadStringA(g_app->hInstance, IDS_POPUPS_OVER_PLOT, text, sizeof text) > 0) notify::SetStatusText(text);
    }
}

// What the I-beam tool's press and release at column x do: a cursor at the sample nearest x,
// or with extend the selection stretched from its far end to there.
void PlaceSelectionAtColumn(tagGS* gs, int32_t x, bool extend) {
    double t = GraphXToTime(gs, x);
    if (gs->sampleInterval > 0) t = std::round(t / gs->sampleInterval) * gs->sampleInterval;
    int32_t col = static_cast<int32_t>(GraphTimeToX(gs, t));
    double at = GraphXToTime(gs, col);
    if (!extend) {
        gs->selStart = gs->selEnd = at;
        gs->selX1 = gs->selX2 = col;
    } else {
        double lo = std::fmin(gs->selStart, gs->selEnd), hi = std::fmax(gs->selStart, gs->selEnd);
        int32_t left = gs->selX1 < gs->selX2 ? gs->selX1 : gs->selX2;
        int32_t right = gs->selX1 < gs->selX2 ? gs->selX2 : gs->selX1;
        bool movingLeft = col < left ? true : col > right ? false : gs->selStart <= gs->selEnd;
        double anchor = movingLeft ? hi : lo;
        int32_t anchorCol = static_cast<int32_t>(GraphTimeToX(gs, anchor));
        gs->selEnd = anchor;
        gs->selStart = at;
        gs->selX1 = col < anchorCol ? col : anchorCol;
        gs->selX2 = col < anchorCol ? anchorCol : col;
    }
    gs->cursorShown = kCursorHidden;
    UpdateAllMeasurements(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
}

}  // namespace

// Scope mode: every used channel centred in its own band, stacked in display order.
void AutoScaleStacked(tagGS* gs) {
    const int n = CountShownSlots(gs);
    if (n == 0) return;
    const RECT& plot = gs->plotRect;
    int32_t height = plot.bottom - plot.top;
    if (height <= 0) return;
    double band = static_cast<double>(height - 2) / n;
    double y = (plot.bottom - 1) - band / 2;
    SetWaitCursor(1);
    for (int p = 0; p < kMaxChannels; ++p) {
        uint32_t s = gs->chanOrder[p];
        if (!IsChannelShown(gs, static_cast<int>(s))) continue;
        double fraction = static_cast<double>(height / 2 + plot.top - static_cast<int32_t>(y)) / height;
        FitChannelToView(gs, static_cast<int>(s), fraction, n);
        y -= band;
    }
    SetWaitCursor(0);
    RefreshAfterScale(gs);
}

// ---- Pure arithmetic ----

int32_t TimeThumb(double hStart, double visible, double length, int32_t whenNoRoom) {
    double d = length - visible;
    if (std::isnan(d) || d <= 0) return whenNoRoom;
    double v = hStart / d * kTimeThumbMax;
    if (std::isnan(v) || v <= 0) return 0;
    if (v >= kTimeThumbMax) return kTimeThumbMax;
    return static_cast<int32_t>(v);
}

int32_t ValueThumb(double mid, double ref, double span) {
    double lo = ref - span, hi = ref + span;
    if (mid >= hi) return -kValueThumbMax;
    if (mid <= lo) return kValueThumbMax;
    if (hi == lo) return 0;
    double v = (mid - lo) / (hi - lo) * 2 * kValueThumbMax;
    if (!std::isfinite(v)) return 0;
    return kValueThumbMax - static_cast<int32_t>(v);
}

int32_t XValueThumb(double mid, double ref, double span) {
    double lo = ref - span, hi = ref + span;
    if (mid >= hi) return kValueThumbMax;
    if (mid <= lo) return -kValueThumbMax;
    double v = (mid - lo) / (hi - lo) * 2 * kValueThumbMax;
    if (!std::isfinite(v)) return 0;
    return static_cast<int32_t>(v) - kValueThumbMax;
}

stTimeStep StepTimeBack(double hStart, double visible, int32_t plotWidth, int32_t n) {
    if (plotWidth <= 0 || n <= 0 || !(visible > 0) || !std::isfinite(visible) || !(hStart > 0)) return {hStart, 0};
    double t = visible / plotWidth;
    double dt = n * t;
    if (hStart - dt >= 0) return {hStart - dt, n};
    return {0.0, static_cast<int32_t>(hStart / t)};
}

stTimeStep StepTimeOn(double hStart, double visible, double length, int32_t plotWidth, int32_t n) {
    double d = length - visible;
    if (plotWidth <= 0 || n <= 0 || !(visible > 0) || !std::isfinite(visible) || !std::isfinite(hStart) ||
        !(hStart < d))
        return {hStart, 0};
    double t = visible / plotWidth;
    double dt = n * t;
    if (hStart + dt <= d) return {hStart + dt, n};
    int32_t m = static_cast<int32_t>((d - hStart) / t);
    return {hStart + m * t, m};
}

int16_t LineStepPixels(int32_t plotWidth) { return static_cast<int16_t>(static_cast<int16_t>(plotWidth) / 50); }

int16_t PageStepPixels(int32_t plotWidth, uint16_t divisor) {
    if (divisor == 0) divisor = 4;
    return static_cast<int16_t>(static_cast<int16_t>(plotWidth) / static_cast<int16_t>(divisor));
}

double PerDivisionAtLeastOneSample(double time, double divisions, double sampleInterval) {
    return time * divisions >= sampleInterval * divisions ? time : sampleInterval;
}

int32_t KeyStepPixels(double sampleInterval, double visible, int32_t plotWidth) {
    if (plotWidth <= 0 || !(visible > 0)) return 2;
    double t = visible / plotWidth;
    double k = sampleInterval / t;
    if (!(k >= 1.0)) k = 1.0;
    if (k > 1.0e6) k = 1.0e6;
    return static_cast<int32_t>(k) + 1;
}

int32_t KeyStepColumn(int right, int32_t x0, int32_t step, int32_t plotLeft, int32_t plotRight, bool atStart) {
    int32_t x;
    if (!right) {
        x = x0 - step;
        if (x < plotLeft) x = atStart && x0 > plotLeft ? plotLeft : x0;
        if (x > plotRight - 1) x = plotRight - 1;
    } else {
        x = x0 + step;
        if (x > plotRight - 1) x = x0;
        if (x < plotLeft) x = plotLeft;
    }
    return x;
}

void NarrowSelectionByKey(double* selStart, double* selEnd, double sampleInterval, int right) {
    if (*selStart == *selEnd) return;
    if (*selStart > *selEnd) std::swap(*selStart, *selEnd);
    if (!right)
        *selEnd = std::fmax(*selEnd - sampleInterval, *selStart);
    else
        *selStart = std::fmin(*selStart + sampleInterval, *selEnd);
}

double AutoScalePerDiv(double range, double divisions, int32_t bands) {
    if (range == 0.0 || !std::isfinite(range) || !(divisions > 0) || !std::isfinite(divisions)) return 1.0;
    return (range / kAutoScaleFill) / divisions * bands;
}

double AutoScaleLockedDivisions(double range, double perDiv, double divisions, int32_t bands) {
    double span = perDiv * divisions;
    if (range == 0.0 || !std::isfinite(range) || span == 0.0 || !std::isfinite(span)) return 4.0;
    return std::fabs((range / kAutoScaleFill) / span * bands * divisions);
}

int FiniteMinMax(const double* values, size_t n, double* lo, double* hi) {
    bool any = false;
    double l = 0.0, h = 0.0;
    for (size_t i = 0; i < n; ++i) {
        double v = values[i];
        if (!std::isfinite(v)) continue;
        if (!any || v < l) l = v;
        if (!any || v > h) h = v;
        any = true;
    }
    *lo = any ? l : 0.0;
    *hi = any ? h : 0.0;
    return any ? 1 : 0;
}

int VisibleSampleSpan(double hStart, double visible, double sampleInterval, uint32_t count, uint32_t* first,
                      uint32_t* last) {
    *first = *last = 0;
    if (count == 0 || !(sampleInterval > 0) || !std::isfinite(sampleInterval)) return 0;
    if (!std::isfinite(hStart)) hStart = 0.0;
    if (!std::isfinite(visible) || visible < 0) visible = 0.0;
    double end = count * sampleInterval;
    double t0 = hStart, t1 = std::fmin(hStart + visible, end);
    if (end < hStart) {
        t0 = 0.0;
        t1 = end;
    }
    auto index = [&](double t) {
        double i = std::floor(t / sampleInterval);
        if (!(i > 0)) return uint32_t{0};
        if (i >= count - 1.0) return count - 1;
        return static_cast<uint32_t>(i);
    };
    *first = index(t0);
    *last = index(t1);
    if (*last < *first) *last = *first;
    return 1;
}

double SegmentStartTime(uint32_t position, double sampleInterval) {
    return (position > 0 ? position - 1 : 0) * sampleInterval;
}

// ---- Operations on a graph and its window ----

void SetDisplayMode(tagGS* gs, int16_t mode) {
    if (!gs || mode < 0 || mode > static_cast<int16_t>(kModeXY)) return;
    gs->displayMode = static_cast<uint32_t>(mode);
    int first = FirstShownSlot(gs);
    if (gs->displayMode == kModeXY) {
        auto pick = [&](uint32_t& slot) {
            if (slot >= static_cast<uint32_t>(kMaxChannels) || !ViewSlotShown(gs, static_cast<int>(slot)))
                slot = static_cast<uint32_t>(first);
        };
        pick(gs->xyXChan);
        pick(gs->selectedChan);
        SetIBeamFaces(gs, kIBeamFaceXY, kIBeamFaceXYOff);
        if (gs->cursorShown == kCursorDrawn && gs->hwnd) {
            if (HDC dc = GetDC(gs->hwnd)) {
                ToggleTimeCursorLine(dc, gs);
                ReleaseDC(gs->hwnd, dc);
            }
        }
        gs->cursorShown = kCursorOff;
    } else {
        SetIBeamFaces(gs, kIBeamFace, kIBeamFaceOff);
        if (gs->currentTool == IDC_TOOL_IBEAM && gs->cursorShown == kCursorOff) gs->cursorShown = kCursorHidden;
    }
    notify::UpdateGraphToolbar();
    if (first >= 0) notify::EnableGraphToolButtons(gs);
    notify::UpdateEditMenu(gs, first >= 0 ? 1 : 0);
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    LayoutGraphWindow(gs);
    RebuildChannelItems(gs);
    setDirtyGraphFlag(gs, 1);
}

void AutoScaleGraph(tagGS* gs, int all) {
    if (!gs) return;
    if (all) {
        SetWaitCursor(1);
        for (int p = 0; p < kMaxChannels; ++p) FitChannelToView(gs, static_cast<int>(gs->chanOrder[p]), 0.0, 1);
        RefreshAfterScale(gs);
        SetWaitCursor(0);
        return;
    }
    if (gs->displayMode == kModeScope) {
        AutoScaleStacked(gs);
    } else if (gs->displayMode == kModeChart) {
        AutoScaleGraph(gs, 1);
        ResetChartDisplay(gs);
    }
}

void ResetChartDisplay(tagGS* gs) {
    if (!gs || gs->displayMode == kModeXY) return;
    int n = 0;
    uint16_t sum = 0;
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!ViewSlotShown(gs, s)) continue;
        ++n;
        sum = static_cast<uint16_t>(sum + gs->chanViewWord[s]);
    }
    if (n == 0) return;
    SetWaitCursor(1);
    for (int s = 0; s < kMaxChannels; ++s)
        if (ViewSlotShown(gs, s)) gs->chanViewWord[s] = sum / n;
    UpdateGraphScrollBars(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
    SetWaitCursor(0);
}

void SetTimePerDivision(tagGS* gs, double time) {
    if (!gs) return;
    gs->hPerDiv = PerDivisionAtLeastOneSample(time, gs->hDivisions, gs->sampleInterval);
    UpdateAllMeasurements(gs);
}

void SetSegmentTimeScale(tagGS* gs, uint16_t slot) {
    if (!gs || slot >= kMaxChannels) return;
    uint32_t segFirst = 0, segEnd = 0;
    bool segments = GetActiveSegmentSampleRange(gs, &segFirst, &segEnd) != 0;
    double length = segEnd > segFirst ? static_cast<double>(segEnd - segFirst) : 0.0;
    double count = gs->chanCount[slot];
    if (gs->gridLocked && count > 0 && gs->hPerDiv > 0) {
        if (!segments)
            gs->hDivisions = count * gs->sampleInterval / gs->hPerDiv;
        else if (length > 0)
            gs->hDivisions = length * gs->sampleInterval / gs->hPerDiv;
    }
    if (!segments) {
        SetTimePerDivision(gs, count * gs->sampleInterval / gs->hDivisions);
        gs->hStart = 0.0;
        SetThumb(gs->hScrollBar, ScrollTimeView(gs, kScrollNone));
        UpdateHScrollBar(gs);
    } else if (length > 0) {
        SetTimePerDivision(gs, length * gs->sampleInterval / gs->hDivisions);
        gs->segmentTimeOffset = 0.0;
        gs->hStart = SegmentStartTime(segFirst, gs->sampleInterval);
    }
    if (gs->hwnd) {
        RECT rc{};
        GetClientRect(gs->hwnd, &rc);
        rc.right -= GetSystemMetrics(SM_CXVSCROLL);
        InvalidateRect(gs->hwnd, &rc, FALSE);
    }
}

void UpdateHScrollBar(tagGS* gs) {
    if (!gs) return;
    HWND bar = gs->hScrollBar;
    double visible = VisibleSpan(gs), length = RecordLength(gs);
    if (!(visible < length)) {
        SetBarEnabled(bar, false);
    } else if (HasSegments(gs)) {
        SetBarEnabled(bar, false);
    } else if (bar && IsWindow(bar)) {
        SetBarEnabled(bar, true);
        int32_t thumb = TimeThumb(gs->hStart, visible, length, kTimeThumbMax);
        if (thumb != GetScrollPos(bar, SB_CTL)) SetScrollPos(bar, SB_CTL, thumb, TRUE);
    }
    uint32_t c = gs->selectedChan;
    if (c >= static_cast<uint32_t>(kMaxChannels) || gs->chanCount[c] == 0) {
        SetBarEnabled(gs->vScrollBar, false);
        return;
    }
    if (gs->displayMode == kModeXY) {
        SetBarEnabled(bar, true);
        SetThumb(bar, ScrollXChannelValue(gs, kScrollNone));
    }
    SetBarEnabled(gs->vScrollBar, true);
}

void UpdateGraphLength(tagGS* gs) {
    if (!gs) return;
    uint32_t longest = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if (ViewSlotInUse(gs, s) && gs->chanCount[s] > longest) longest = gs->chanCount[s];
    gs->totalSamples = longest > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(longest);
    int32_t thumb = TimeThumb(gs->hStart, VisibleSpan(gs), RecordLength(gs), 0);
    if (thumb > 0) SetThumb(gs->hScrollBar, thumb);
    UpdateHScrollBar(gs);
}

void UpdateGraphScrollBars(tagGS* gs) {
    if (!gs) return;
    SetHorizontalRange(gs);
    ComputeChannelRects(gs, 1);
    ComputeChannelTransforms(gs);
    SetThumb(gs->vScrollBar, ScrollChannelValue(gs, kScrollNone));
    if (gs->displayMode == kModeXY) SetThumb(gs->hScrollBar, ScrollXChannelValue(gs, kScrollNone));
}

int32_t ScrollTimeView(tagGS* gs, int code) {
    if (!gs) return 0;
    int32_t width = PlotWidth(gs);
    uint32_t saved = g_pagingPolicy;
    switch (code) {
    case kScrollLineBack: ScrollTimeLeft(gs, LineStepPixels(width)); break;
    case kScrollLineOn: ScrollTimeRight(gs, LineStepPixels(width)); break;
    case kScrollPageBack: ScrollTimeLeft(gs, PageStepPixels(width, g_nPageDivisor)); break;
    case kScrollPageOn: ScrollTimeRight(gs, PageStepPixels(width, g_nPageDivisor)); break;
    default: break;
    }
    g_pagingPolicy = saved;
    return TimeThumb(gs->hStart, VisibleSpan(gs), RecordLength(gs), 0);
}

int16_t ScrollTimeLeft(tagGS* gs, int16_t pixels) {
    if (!gs) return 0;
    stTimeStep step = StepTimeBack(gs->hStart, VisibleSpan(gs), PlotWidth(gs), pixels);
    if (step.pixels == 0 && step.hStart == gs->hStart) return 0;
    gs->hStart = step.hStart;
    ScrollPlotPixels(gs, step.pixels);
    return static_cast<int16_t>(step.pixels);
}

int16_t ScrollTimeRight(tagGS* gs, int16_t pixels) {
    if (!gs) return 0;
    stTimeStep step = StepTimeOn(gs->hStart, VisibleSpan(gs), RecordLength(gs), PlotWidth(gs), pixels);
    if (step.pixels == 0 && step.hStart == gs->hStart) return 0;
    gs->hStart = step.hStart;
    ScrollPlotPixels(gs, -step.pixels);
    return static_cast<int16_t>(step.pixels);
}

void InvertSelectionBand(HDC dc, tagGS* gs) {
    if (!dc || !gs) return;
    EraseCursorLine(gs, dc);
    InvertBandColumns(dc, gs);
}

int32_t ScrollChannelValue(tagGS* gs, int code) {
    if (!gs) return 0;
    uint32_t c = gs->selectedChan;
    if (c >= static_cast<uint32_t>(kMaxChannels)) return 0;
    int32_t h = gs->chanBandRects[c].bottom - gs->chanBandRects[c].top;
    if (h == 0) return 0;
    double span = gs->chanVPerDiv[c] * gs->chanVDivisions[c];
    double p = span / h;
    double mid = gs->chanVCenter[c];
    switch (code) {
    case kScrollLineBack: mid += p; break;
    case kScrollLineOn: mid -= p; break;
    case kScrollPageBack: mid += 10 * p; break;
    case kScrollPageOn: mid -= 10 * p; break;
    default: break;
    }
    if (std::isfinite(mid)) gs->chanVCenter[c] = mid;
    return ValueThumb(gs->chanVCenter[c], gs->chanVCenterRef[c], span);
}

int16_t ScrollXChannelValue(tagGS* gs, int code) {
    if (!gs) return 0;
    uint32_t x = gs->xyXChan;
    if (x >= static_cast<uint32_t>(kMaxChannels)) return 0;
    int32_t w = PlotWidth(gs);
    if (w == 0) return 0;
    double span = gs->chanVPerDiv[x] * gs->chanVDivisions[x];
    double p = span / w;
    double mid = gs->chanVCenter[x];
    switch (code) {
    case kScrollLineBack: mid -= p; break;
    case kScrollLineOn: mid += p; break;
    case kScrollPageBack: mid -= 10 * p; break;
    case kScrollPageOn: mid += 10 * p; break;
    default: break;
    }
    if (std::isfinite(mid)) gs->chanVCenter[x] = mid;
    return static_cast<int16_t>(XValueThumb(gs->chanVCenter[x], gs->chanVCenterRef[x], span));
}

void StepSelectionByKey(tagGS* gs, int right) {
    if (!gs) return;
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    const RECT& plot = gs->plotRect;
    if (shift && ctrl) {
        if (gs->selStart == gs->selEnd) return;
        NarrowSelectionByKey(&gs->selStart, &gs->selEnd, gs->sampleInterval, right);
        gs->selX1 = static_cast<int32_t>(GraphTimeToX(gs, gs->selStart));
        gs->selX2 = static_cast<int32_t>(GraphTimeToX(gs, gs->selEnd));
        UpdateAllMeasurements(gs);
        if (gs->hwnd) InvalidateRect(gs->hwnd, &plot, FALSE);
        return;
    }
    int32_t k = KeyStepPixels(gs->sampleInterval, VisibleSpan(gs), PlotWidth(gs));
    double end = right ? std::fmax(gs->selStart, gs->selEnd) : std::fmin(gs->selStart, gs->selEnd);
    int32_t x0 = static_cast<int32_t>(GraphTimeToX(gs, end));
    int32_t x = KeyStepColumn(right, x0, k, plot.left, plot.right, gs->hStart == 0.0);
    PlaceSelectionAtColumn(gs, x, shift);
    if (gs->cursorShown == kCursorHidden && gs->hwnd) {
        if (HDC dc = GetDC(gs->hwnd)) {
            ToggleTimeCursorLine(dc, gs);
            ReleaseDC(gs->hwnd, dc);
        }
    }
}

void ScrollChannelByKey(tagGS* gs, int down) {
    if (!gs || !g_script.permissions[kPermVScrollBar]) return;
    uint32_t c = gs->selectedChan;
    if (c >= static_cast<uint32_t>(kMaxChannels)) return;
    double before = gs->chanVCenter[c];
    int32_t thumb = ScrollChannelValue(gs, down ? kScrollLineOn : kScrollLineBack);
    if (gs->chanVCenter[c] == before) return;
    SetThumb(gs->vScrollBar, thumb);
    ComputeChannelTransforms(gs);
    if (gs->hwnd) {
        if (HDC dc = GetDC(gs->hwnd)) {
            DrawVerticalScale(dc, gs, static_cast<int>(c));
            if (gs->displayMode == kModeChart)
                PaintChannelBand(dc, gs, static_cast<int>(c));
            else
                PaintPlotArea(dc, gs);
            ReleaseDC(gs->hwnd, dc);
        }
    }
    RefreshInputValues();
}
