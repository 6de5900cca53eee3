// Graph window layout: rectangles from the client size and the fonts, one deferred move of the
// child windows, and each channel's value-to-pixel transform.
#include "graph/view/layout.h"
#include "graph/view/display_modes.h"
#include "graph/document/graph_doc.h"
#include "documents/documents_api.h"
#include "base/app.h"
#include "base/device.h"
#include "controls/button_grid.h"
#include "outputs/framework/panel.h"
#include <cmath>

namespace {

// The scale strip and the vertical scroll bar together are never narrower than this.
constexpr int32_t kMinScaleAndScroll = 83;
// Room the journal leaves for the plot under slot 0's scale strip.
constexpr int32_t kJournalPlotReserve = 48;
// Tool buttons stand in the axis strip when it leaves less than this above the scroll bar.
constexpr int32_t kToolRoom = 34;
constexpr int32_t kMarkerButtonMax = 21;
constexpr int32_t kMarkerButtonTop = 10, kMarkerButtonHeight = 22, kMarkerEditTop = 11;
constexpr int kDeferredWindows = 89;

// The scale strip as last measured, before the vertical scale's option zeroes it.
int32_t g_measuredScaleStrip = 0;

RECT MakeRect(int32_t l, int32_t t, int32_t r, int32_t b) { return RECT{l, t, r, b}; }

int32_t ToolWidth(int32_t measuredScaleStrip, int32_t cxVScroll) { return (measuredScaleStrip + 1 + cxVScroll) / 3; }

// Adds a move to the batch; without a batch the window moves at once.
void DeferMove(HDWP* batch, HWND hwnd, const RECT& rc, UINT extra) {
    if (!hwnd || !IsWindow(hwnd)) return;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | extra;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    if (*batch) {
        HDWP next = DeferWindowPos(*batch, hwnd, nullptr, rc.left, rc.top, w, h, flags);
        if (next) {
            *batch = next;
            return;
        }
        *batch = nullptr;  // the system dropped the batch; the rest move one by one
    }
    SetWindowPos(hwnd, nullptr, rc.left, rc.top, w, h, flags);
}

void HideWindowIf(HWND hwnd) {
    if (hwnd && IsWindow(hwnd)) ShowWindow(hwnd, SW_HIDE);
}

int MarkerTotal(tagGS* gs) {
    if (!gs->markers) return 0;
    int n = 0;
    for (int32_t type = 0; type <= 3; ++type) n += CountMarkersOfType(gs, type);
    return n;
}

stLayoutMetrics ScreenMetrics() {
    stLayoutMetrics m{};
    m.cyText = g_app->fonts.cyText;
    m.cyVertical = g_app->fonts.cyVertical;
    m.cxVScroll = GetSystemMetrics(SM_CXVSCROLL);
    m.cyHScroll = GetSystemMetrics(SM_CYHSCROLL);
    m.cxStatusStrip = static_cast<int16_t>(g_app->strips.cxStatusStrip);  // the library writes 16 bits
    m.cxScaleStrip = g_measuredScaleStrip;
    m.cyAxisLine = g_app->strips.cyAxisLine;
    m.cyAxisStrip = 2 * g_app->strips.cyAxisLine;
    return m;
}

// The two scroll bars, the status box and the three tool buttons around a planned plot.
void PlanScrollBarsAndTools(const tagGS* gs, const stLayoutMetrics& m, stLayoutPlan* p) {
    const RECT& r = p->work;
    int32_t hy = r.bottom + 1 - m.cyHScroll;
    int32_t hRight = r.right + 1 - (m.cxStatusStrip ? m.cxStatusStrip : 0);
    p->hScroll = MakeRect(r.left - 1, hy, hRight, hy + m.cyHScroll);
    p->statusBox = MakeRect(hRight, hy, r.right, r.bottom + 1);
    int32_t vx = r.right + 1 - m.cxVScroll;
    p->vScroll = MakeRect(vx, p->top, vx + m.cxVScroll, p->plot.bottom);

    int32_t yb = p->hScroll.top;
    int32_t toolTop = yb - p->plot.bottom < kToolRoom ? p->plot.bottom - 1 : yb - 25;
    int32_t tw = ToolWidth(m.cxScaleStrip, m.cxVScroll);
    int32_t x0 = r.right + 1 - 3 * tw;
    // The buttons end on the row above the scroll bar and the Start button beside it.
    for (int i = 0; i < 3; ++i) p->tools[i] = MakeRect(x0 + i * tw, toolTop, x0 + (i + 1) * tw, yb);
    p->toolsShown = IsHScaleShown(gs);
}

// The marker bar's search box, its two segment buttons and the label box.
void PlanMarkerBar(const tagGS* gs, const stLayoutMetrics& m, stLayoutPlan* p) {
    int32_t b = (m.cxVScroll + m.cxScaleStrip) / 3;
    if (b > kMarkerButtonMax) b = kMarkerButtonMax;
    int32_t by = p->markerBar.top + kMarkerButtonTop;
    int32_t searchLeft = IsVScaleShown(gs) ? p->plot.right + 2 * b + 3 : p->plot.right - b - 3;
    p->markerSearch = MakeRect(searchLeft, by, searchLeft + b, by + kMarkerButtonHeight);
    p->segNext = MakeRect(searchLeft - (b + 1), by, searchLeft - 1, by + kMarkerButtonHeight);
    p->segPrev = MakeRect(searchLeft - (2 * b + 2), by, searchLeft - (b + 2), by + kMarkerButtonHeight);
    int32_t plotWidth = p->plot.right - p->plot.left;
    int32_t strip = IsVScaleShown(gs) ? plotWidth - 2 : plotWidth - 3 * (b + 2) - 2;
    if (strip < 0) strip = 0;
    int32_t ey = p->markerBar.top + kMarkerEditTop;
    p->labelEdit = MakeRect(p->plot.left + 1, ey, p->plot.left + 1 + strip, ey + m.cyText + 6);
}

}  // namespace

void AxisMetricsFromText(int32_t scaleTextWidth, int32_t digitsHeight, int32_t cyVertical, int32_t cxVScroll,
                         int32_t* cxScaleStrip, int32_t* cyAxisLine, int32_t* cyAxisStrip) {
    int32_t cx = scaleTextWidth + 2 + cyVertical;
    if (cx < kMinScaleAndScroll - cxVScroll) cx = kMinScaleAndScroll - cxVScroll;
    *cxScaleStrip = cx;
    *cyAxisLine = digitsHeight - 1;
    *cyAxisStrip = 2 * *cyAxisLine;
}

int PlanGraphLayout(const tagGS* gs, const stLayoutMetrics& m, int32_t clientWidth, int32_t clientHeight,
                    const stLayoutRows& rows, stLayoutPlan* out) {
    if (!gs || !out || clientWidth <= 0 || clientHeight <= 0) return 0;
    stLayoutPlan p{};
    const bool xy = gs->displayMode == kModeXY;
    int32_t t = 0;
    if (rows.outPanel > 0) t += rows.outPanel;
    p.measureTop = t;
    if (gs->measureShown) t += xy ? m.cyText + 5 : rows.measureRow;
    p.chanButtonTop = t;
    if (!xy && IsChanButtonsShown(gs)) t += rows.chanButtonRow;

    p.markerBar = MakeRect(0, t, clientWidth, t);
    p.markerBarOn = gs->markerBarShown && !xy;
    if (p.markerBarOn) {
        int32_t h = gs->markerBarHeight ? gs->markerBarHeight : kDefaultMarkerBarHeight;
        p.markerBar.bottom = t + h;
        t += h;
    }
    if (xy) t += m.cyText + 1;
    p.top = t;

    p.work = MakeRect(0, t, clientWidth, clientHeight);
    if (gs->journalShown) {
        int32_t bottom = clientHeight - gs->journalHeight;
        int32_t highest = gs->chanScaleRects[0].top + kJournalPlotReserve;
        if (bottom < highest) bottom = highest;
        if (bottom > clientHeight) bottom = clientHeight;
        p.work.bottom = bottom;
    }
    const RECT& r = p.work;
    p.cxScaleStrip = IsVScaleShown(gs) ? m.cxScaleStrip : 0;
    p.cyAxisStrip = IsHScaleShown(gs) ? m.cyAxisStrip : 1;

    p.labelColumn = MakeRect(r.left, t, r.left + 1 + m.cyVertical, r.bottom);
    p.plot = MakeRect(p.labelColumn.right, t, r.right - (p.cxScaleStrip + m.cxVScroll),
                      r.bottom - (p.cyAxisStrip + m.cyHScroll));
    // A window too small for its strips keeps an empty plot rather than an inverted one.
    if (p.plot.right < p.plot.left) p.plot.right = p.plot.left;
    if (p.plot.bottom < p.plot.top) p.plot.bottom = p.plot.top;

    PlanScrollBarsAndTools(gs, m, &p);
    PlanMarkerBar(gs, m, &p);
    p.topStrip = MakeRect(2, m.cyText + 8, p.plot.right, 2 * m.cyText + 12);
    *out = p;
    return 1;
}

void PlanChannelRects(tagGS* gs, int32_t factor, int32_t cxScaleStrip, int32_t cyAxisLine, int32_t cyText,
                      int32_t clientRight, int32_t toolWidth) {
    if (!gs) return;
    const bool chart = gs->displayMode == kModeChart;
    uint64_t weights = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if (ViewSlotShown(gs, s)) weights += gs->chanViewWord[s];

    RECT P = gs->plotRect;
    if (chart) {
        P.top += 1;
        P.bottom += 1;
    } else {
        P.top += 1;
        P.bottom -= 1;
    }
    const double unit = weights ? static_cast<double>(P.bottom - P.top) / static_cast<double>(weights) : 0.0;
    const int32_t scaleRight = gs->plotRect.right + cxScaleStrip * factor;

    auto placeBand = [&](int s, int32_t top, int32_t bottom) {
        gs->chanScaleRects[s] = MakeRect(P.right + 1, top + 1, scaleRight, bottom - 1);
        gs->chanBandRects[s] = MakeRect(P.left, top + 1, P.right, bottom - 1);
        gs->chanLabelRects[s] = MakeRect(0, top + 1, P.left, bottom - 1);
    };

    double a = 0.0;
    int last = -1;
    int32_t lastTop = 0;
    for (int i = 0; i < kMaxChannels; ++i) {
        uint32_t s = gs->chanOrder[i];
        if (s >= static_cast<uint32_t>(kMaxChannels)) continue;
        if (chart && ViewSlotShown(gs, static_cast<int>(s))) {
            double before = a;
            int32_t top = static_cast<int32_t>(P.top - 1 + a);
            a += gs->chanViewWord[s] * unit;
            int32_t bottom = static_cast<int32_t>(P.top - 1 + a);
            if (bottom - top < 3) {
                bottom = top + 3;
                a = before + 3;
            }
            placeBand(static_cast<int>(s), top, bottom);
            last = static_cast<int>(s);
            lastTop = top;
        } else {
            gs->chanBandRects[s] = P;
            gs->chanScaleRects[s] = MakeRect(P.right + 1, P.top, P.right + cxScaleStrip * factor, P.bottom);
            gs->chanLabelRects[s] = MakeRect(0, P.top, P.left, P.bottom);
        }
    }
    // The last band reaches the bottom of the plot.
    if (chart && last >= 0) placeBand(last, lastTop, P.bottom - 1);

    RECT& ax = gs->hAxisRect;
    ax.left = P.left - 1;
    ax.top = P.bottom + 1;
    ax.bottom = ax.top + cyAxisLine * factor;
    ax.right = IsVScaleShown(gs) ? gs->plotRect.right : clientRight - 3 * toolWidth - 8;
    gs->xLabelRect =
        MakeRect(gs->plotRect.left, gs->plotRect.top - cyText * factor, gs->plotRect.right, gs->plotRect.top);
}

void ComputeChannelTransforms(tagGS* gs) {
    if (!gs) return;
    const bool chart = gs->displayMode == kModeChart, xy = gs->displayMode == kModeXY;
    const RECT& plot = gs->plotRect;
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!ViewSlotInUse(gs, s)) continue;
        double span = gs->chanVPerDiv[s] * gs->chanVDivisions[s];
        if (span == 0.0 || !std::isfinite(span) || !std::isfinite(gs->chanVCenter[s])) continue;
        const RECT& band = chart ? gs->chanScaleRects[s] : plot;
        int32_t h = band.bottom - band.top;
        int32_t y0 = band.bottom;
        double yScale = h / span;
        gs->chanPixelMap[kMapYScale][s] = yScale;
        gs->chanPixelMap[kMapYZero][s] = yScale * gs->chanVCenter[s] + (y0 - h / 2);
        if (xy) {
            int32_t w = plot.right - plot.left;
            double xScale = w / span;
            gs->chanPixelMap[kMapXScale][s] = xScale;
            gs->chanPixelMap[kMapXZero][s] = (plot.left + w / 2) - xScale * gs->chanVCenter[s];
        }
    }
}

void MeasureAxisText(HDC dc, HFONT font) {
    if (!dc || !g_app) return;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE scale{}, digits{};
    GetTextExtentPoint32A(dc, "0.0+E000", 8, &scale);
    GetTextExtentPoint32A(dc, "0123456789", 10, &digits);
    AxisMetricsFromText(scale.cx, digits.cy, g_app->fonts.cyVertical, GetSystemMetrics(SM_CXVSCROLL),
                        &g_app->strips.cxScaleStrip, &g_app->strips.cyAxisLine, &g_app->strips.cyAxisStrip);
    g_measuredScaleStrip = g_app->strips.cxScaleStrip;
    if (old) SelectObject(dc, old);
}

void ComputeChannelRects(tagGS* gs, int32_t factor) {
    if (!gs || !g_app) return;
    RECT client{};
    if (gs->hwnd) GetClientRect(gs->hwnd, &client);
    int32_t tw = ToolWidth(g_measuredScaleStrip, GetSystemMetrics(SM_CXVSCROLL));
    PlanChannelRects(gs, factor, g_app->strips.cxScaleStrip, g_app->strips.cyAxisLine, g_app->fonts.cyText,
                     client.right, tw);
}

void LayoutGraphWindow(tagGS* gs) {
    if (!gs || !g_app || !gs->hwnd || !IsWindow(gs->hwnd)) return;
    HWND hwnd = gs->hwnd;
    if (HDC dc = GetDC(hwnd)) {
        MeasureAxisText(dc, g_app->fonts.hfontText);
        ReleaseDC(hwnd, dc);
    }
    RECT client{};
    GetClientRect(hwnd, &client);
    if (IsRectEmpty(&client)) return;

    auto* grid = static_cast<CButtonGrid*>(gs->channelItems);
    const bool xy = gs->displayMode == kModeXY;
    if (!xy && gs->chanButtonRowHeight == 0 && grid) {
        RECT gr{};
        grid->GetRect(&gr);
        gs->chanButtonRowHeight = static_cast<int16_t>(gr.bottom - gr.top);
    }
    stLayoutRows rows{};
    // The active output panel keeps the top of the window; the panes start under it.
    RECT panel{};
    if (COutCtlView* active = FindActiveOutputPanel(gs))
        if (active->GetRect(&panel) && !IsRectEmpty(&panel)) {
            rows.outPanel = panel.bottom - panel.top;
            active->Reposition();
        }
    // XY mode keeps one text line for the readout in place of the boxes.
    if (gs->measureGrid)
        gs->measureRowHeight =
            static_cast<int16_t>(xy ? g_app->fonts.cyText + 5 : GetMeasurementRowHeight(gs->measureGrid));
    rows.measureRow = gs->measureRowHeight;
    rows.chanButtonRow = gs->chanButtonRowHeight;
    stLayoutMetrics m = ScreenMetrics();
    stLayoutPlan plan{};
    if (!PlanGraphLayout(gs, m, client.right, client.bottom, rows, &plan)) return;
    if (!xy && grid) grid->MoveTo(3, plan.chanButtonTop);
    SetMeasurementRowOrigin(gs->measureGrid, 5, plan.measureTop + 4);

    gs->markerBarRect = plan.markerBar;
    if (!plan.markerBarOn) {
        HideWindowIf(gs->segPrevButton);
        HideWindowIf(gs->segNextButton);
        HideWindowIf(gs->markerLabelEdit);
        CloseFindDialog();
    }
    g_app->strips.cxScaleStrip = plan.cxScaleStrip;
    g_app->strips.cyAxisStrip = plan.cyAxisStrip;
    gs->plotRect = plan.plot;
    UpdateGraphScrollBars(gs);
    const RECT& plot = gs->plotRect;
    gs->hUnitsRect = MakeRect(plot.left, gs->hAxisRect.bottom - 1, plot.right, plot.bottom - 1 + plan.cyAxisStrip);
    gs->topStripRect = plan.topStrip;
    gs->statusBoxRect = plan.statusBox;
    // The device library's Start button takes the left end of the status box.
    gs->startButtonRect = plan.statusBox;
    gs->markerSearchRect = plan.markerSearch;

    HDWP batch = BeginDeferWindowPos(kDeferredWindows);
    DeferMove(&batch, gs->hScrollBar, plan.hScroll, 0);
    DeferMove(&batch, gs->vScrollBar, plan.vScroll, 0);
    for (int i = 0; i < 3; ++i)
        DeferMove(&batch, gs->toolButtons[i], plan.tools[i], plan.toolsShown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    if (plan.markerBarOn) {
        DeferMove(&batch, gs->segPrevButton, plan.segPrev, SWP_SHOWWINDOW);
        DeferMove(&batch, gs->segNextButton, plan.segNext, SWP_SHOWWINDOW);
        DeferMove(&batch, gs->markerLabelEdit, plan.labelEdit, SWP_SHOWWINDOW);
        if (gs->markerLabelEdit && IsWindow(gs->markerLabelEdit))
            EnableWindow(gs->markerLabelEdit, MarkerTotal(gs) > 0);
    }
    UpdateHScrollBar(gs);
    SetMeasurementCaptions(gs);
    if (batch) EndDeferWindowPos(batch);
    // The journal pane lies under the working area (below the client while it is hidden).
    if (gs->journalWnd) {
        JournalLayoutButtons(gs->journalWnd, 0, plan.work.bottom + 1);
        JournalResize(gs->journalWnd, client.right, gs->journalHeight);
    }

    DeviceGraphResized(gs);
    // The boxes the row has room for; none in XY mode, where the row holds the readout.
    ShowMeasurementRowBoxes(gs->measureGrid, gs->measureShown && !xy, client.right);
}
