// The tracking overlay. While the button is held in the plot (arrow tool; any tool but zoom in XY
// mode) a line follows the mouse along the sample grid and the measurement boxes show their
// values at that one point; in XY mode a cross-hair marks the recorded point nearest the mouse
// and a readout names both values. Lines are inverted, never repainted, so erasing is a second
// inversion.
#include "graph/window/tracking.h"
#include "graph/window/mouse_tools.h"
#include "graph/document/graph_doc.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "graph/render/waveforms.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_calc.h"
#include "documents/measurements/measure_result.h"
#include "graph/document/sample_store.h"
#include "devlib/vk40.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "common/tagGS.h"
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

struct TrackState {
    tagGS* doc = nullptr;
    HDC dc = nullptr;
    int oldRop = 0;
    HGDIOBJ oldFont = nullptr;
    int oldBkMode = 0;
    uint32_t on = 0;
    POINT point{};
    int32_t lineX = 0, lineY = 0;
    RECT readout{};
    bool readoutShown = false;
    double savedStart = -1.0, savedEnd = -1.0;
    // The last tracked place of a graph, kept for Paste Values after the release: the mouse
    // point of an XY tracking, the sample time of a Scope or Chart tracking, each with the graph
    // and the mode it was tracked in (none: null graph).
    const tagGS* pointDoc = nullptr;
    const tagGS* timeDoc = nullptr;
    uint32_t timeMode = 0;
    double time = 0.0;
} g_track;

bool Xy(const tagGS* gs) { return gs->displayMode == kModeXY; }
bool ValidSlot(uint32_t s) { return s < static_cast<uint32_t>(kMaxChannels); }

// Takes the window context for the tracking and works out where the readout goes.
void BeginTrackingDraw(tagGS* gs) {
    g_track.doc = gs;
    g_track.dc = GetDC(gs->hwnd);
    if (!g_track.dc) return;
    g_track.oldRop = SetROP2(g_track.dc, R2_XORPEN);
    g_track.oldFont = g_app && g_app->fonts.hfontText ? SelectObject(g_track.dc, g_app->fonts.hfontText) : nullptr;
    g_track.oldBkMode = SetBkMode(g_track.dc, TRANSPARENT);
    RECT client{};
    GetClientRect(gs->hwnd, &client);
    RECT& r = g_track.readout;
    // Without a measurement row the band is one text line high, so the readout still shows. The
    // band covers the row from the window's left edge: left of the text, the first measurement
    // box would otherwise peek out beside the readout.
    int32_t height = gs->measureRowHeight > 0 ? gs->measureRowHeight : (g_app ? g_app->fonts.cyText : 0) + 2;
    r = RECT{0, 0, client.right, height};
    r.top += 1;
    r.bottom -= 1;
}

// Gives the context back as it was found.
void EndTrackingDraw() {
    if (g_track.dc && g_track.doc) {
        SetROP2(g_track.dc, g_track.oldRop);
        if (g_track.oldFont) SelectObject(g_track.dc, g_track.oldFont);
        SetBkMode(g_track.dc, g_track.oldBkMode);
        ReleaseDC(g_track.doc->hwnd, g_track.dc);
    }
    g_track.dc = nullptr;
    g_track.oldFont = nullptr;
    g_track.oldRop = g_track.oldBkMode = 0;
    g_track.readout = RECT{};
}

// Inverts the tracking column; never on the plot's border.
void InvertTrackColumn(HDC dc) {
    const RECT& plot = g_track.doc->plotRect;
    if (dc && g_track.lineX > plot.left && g_track.lineX < plot.right)
        PatBlt(dc, g_track.lineX, plot.top, 1, plot.bottom - plot.top, DSTINVERT);
}

// Inverts the tracking row; never on the plot's border.
void InvertTrackRow(HDC dc) {
    const RECT& plot = g_track.doc->plotRect;
    if (dc && g_track.lineY > plot.top && g_track.lineY < plot.bottom)
        PatBlt(dc, plot.left, g_track.lineY, plot.right - plot.left, 1, DSTINVERT);
}

void DrawTrackColumn() { InvertTrackColumn(g_track.dc); }
void DrawTrackRow() { InvertTrackRow(g_track.dc); }

// The pixel of an XY point, held to values GDI takes.
POINT ValueToPixel(const tagGS* gs, double x, double y) {
    uint32_t xc = gs->xyXChan, yc = gs->selectedChan;
    double col = x * gs->chanPixelMap[kMapXScale][xc] + gs->chanPixelMap[kMapXZero][xc];
    double row = gs->chanPixelMap[kMapYZero][yc] - y * gs->chanPixelMap[kMapYScale][yc];
    auto clampInt = [](double v) {
        if (!std::isfinite(v)) return 0L;
        return static_cast<LONG>(v > 1e9 ? 1e9 : (v < -1e9 ? -1e9 : v));
    };
    return POINT{clampInt(col), clampInt(row)};
}

// The X and Y values at a pixel of the XY plot.
void PixelToValue(const tagGS* gs, POINT p, double* x, double* y) {
    uint32_t xc = gs->xyXChan, yc = gs->selectedChan;
    if (!ValidSlot(xc) || !ValidSlot(yc)) {
        *x = *y = 0.0;
        return;
    }
    *x = (p.x - gs->chanPixelMap[kMapXZero][xc]) / gs->chanPixelMap[kMapXScale][xc];
    *y = (gs->chanPixelMap[kMapYZero][yc] - p.y) / gs->chanPixelMap[kMapYScale][yc];
}

// The recorded point nearest p: 1 with its pixel and values, 0 when there is none.
int FindNearestXYSample(tagGS* gs, POINT p, POINT* pixel, double* xv, double* yv) {
    uint32_t xc = gs->xyXChan, yc = gs->selectedChan;
    if (!ValidSlot(xc) || !ValidSlot(yc)) return 0;
    uint32_t n = gs->chanCount[xc] < gs->chanCount[yc] ? gs->chanCount[xc] : gs->chanCount[yc];
    if (n < 2) return 0;
    std::unique_ptr<POINT[]> points(new (std::nothrow) POINT[n]);
    if (!points) return 0;
    auto read = [&](uint32_t i, double* x, double* y) {
        return GetChannelSample(gs, static_cast<int>(i), static_cast<int>(xc), x) &&
               GetChannelSample(gs, static_cast<int>(i), static_cast<int>(yc), y);
    };
    for (uint32_t i = 0; i < n; ++i) {
        double x = 0, y = 0;
        if (!read(i, &x, &y)) return 0;
        points[i] = ValueToPixel(gs, x, y);
    }
    const int nearest = NearestPoint(points.get(), n, p.x, p.y);
    if (nearest < 0 || !read(static_cast<uint32_t>(nearest), xv, yv)) return 0;
    *pixel = points[nearest];
    return 1;
}

// Clears the readout band with the toolbar's brush.
void EraseReadout() {
    if (!g_track.dc || IsRectEmpty(&g_track.readout)) return;
    FillRect(g_track.dc, &g_track.readout,
             g_app && g_app->brushes.hbrToolbar ? g_app->brushes.hbrToolbar : GetSysColorBrush(COLOR_BTNFACE));
}

// Writes the readout of two values into its band.
void DrawReadout(double x, double y) {
    EraseReadout();
    tagGS* gs = g_track.doc;
    if (!g_track.dc || !ValidSlot(gs->selectedChan)) return;
    char text[256];
    FormatReadout(text, sizeof text, gs, x, y);
    RECT r = g_track.readout;
    r.left = gs->xLabelRect.left;  // the text starts above the plot
    DrawTextA(g_track.dc, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

// Moves the inverted column (and in XY the row) to a new place.
void MoveLines(int32_t x, int32_t y, bool row) {
    if (x != g_track.lineX) {
        if (g_track.lineX) DrawTrackColumn();
        g_track.lineX = x;
        DrawTrackColumn();
    }
    if (row && y != g_track.lineY) {
        if (g_track.lineY) DrawTrackRow();
        g_track.lineY = y;
        DrawTrackRow();
    }
}

// Scope and Chart: the sample-grid column and a selection collapsed onto it.
int32_t SnapTrackColumn(tagGS* gs, POINT p) {
    if (g_track.savedStart == -1.0 && g_track.savedEnd == -1.0) {
        g_track.savedStart = gs->selStart;
        g_track.savedEnd = gs->selEnd;
    }
    double t = GraphXToTime(gs, p.x);
    if (gs->sampleInterval > 0) t = std::round(t / gs->sampleInterval) * gs->sampleInterval;
    double col = GraphTimeToX(gs, t);
    int32_t column = static_cast<int32_t>(col > 0 ? col : 0);
    gs->selStart = GraphXToTime(gs, column);
    gs->selEnd = gs->selStart;
    return column;
}

}  // namespace

// "X, label = value units  Y, label = value units" with the graph's precision.
void FormatReadout(char* out, size_t size, const tagGS* gs, double x, double y) {
    if (!out || size == 0) return;
    out[0] = 0;
    if (!gs || !ValidSlot(gs->xyXChan) || !ValidSlot(gs->selectedChan)) return;
    // The values read as the measurement boxes show them.
    char xs[48], ys[48];
    measure::FormatValue(xs, sizeof xs, x, gs->precisionDigits);
    measure::FormatValue(ys, sizeof ys, y, gs->precisionDigits);
    uint32_t xc = gs->xyXChan, yc = gs->selectedChan;
    int n = std::snprintf(out, size, "X, %s = %s %s  Y, %s = %s %s", gs->chanLabel[xc], xs, gs->chanUnits[xc],
                          gs->chanLabel[yc], ys, gs->chanUnits[yc]);
    if (n < 0) out[0] = 0;
}

// The first of the nearest points wins.
int NearestPoint(const POINT* points, size_t n, int32_t px, int32_t py) {
    double best = DBL_MAX;
    int found = -1;
    for (size_t i = 0; i < n; ++i) {
        double dx = static_cast<double>(points[i].x) - px, dy = static_cast<double>(points[i].y) - py;
        double d = std::sqrt(dy * dy + dx * dx);
        if (d < best) {
            best = d;
            found = static_cast<int>(i);
        }
    }
    return found;
}

// Tracking holds the window context and keeps the mouse in the plot until the release.
void BeginTracking(tagGS* gs) {
    if (!gs || !gs->hwnd) return;
    BeginTrackingDraw(gs);
    g_track.on = 1;
    ClipCursorToRect(gs->hwnd, &gs->plotRect);
}

uint32_t IsTracking() { return g_track.on; }

// One tracking step: the lines move to the point's sample (the nearest point in XY).
void TrackTo(POINT p) {
    tagGS* gs = g_track.doc;
    if (!g_track.on || !gs) return;
    if (Xy(gs)) {
        g_track.point = p;
        g_track.pointDoc = gs;
        POINT pixel{};
        double x = 0, y = 0;
        if (!FindNearestXYSample(gs, p, &pixel, &x, &y)) return;
        if (pixel.x == g_track.lineX && pixel.y == g_track.lineY) return;
        MoveLines(pixel.x, pixel.y, true);
        if (gs->measureShown) DrawReadout(x, y);
        return;
    }
    int32_t column = SnapTrackColumn(gs, p);
    g_track.timeDoc = gs;
    g_track.timeMode = gs->displayMode;
    g_track.time = gs->selStart;
    MoveLines(column, 0, false);
    if (gs->measureShown) UpdateAllMeasurements(gs);
}

// Lines erased, the selection as before the press and the boxes measuring it again.
void EndTracking() {
    tagGS* gs = g_track.doc;
    if (!gs) return;
    if (g_track.lineX) {
        if (!Xy(gs)) g_track.lineX = static_cast<int32_t>(GraphTimeToX(gs, gs->selStart));
        DrawTrackColumn();
    }
    if (g_track.lineY) DrawTrackRow();
    g_track.on = 0;
    if (gs->measureShown) {
        if (!Xy(gs))
            UpdateAllMeasurements(gs);
        else if (gs->currentTool == IDC_TOOL_IBEAM)
            ShowReadoutAtCursor(nullptr);
        else
            EraseReadout();
    }
    g_track.lineX = g_track.lineY = 0;
    ClipCursor(nullptr);
    if (g_track.savedStart != -1.0 || g_track.savedEnd != -1.0) {
        gs->selStart = g_track.savedStart;
        gs->selEnd = g_track.savedEnd;
        // A paint during the tracking took the band's columns from the collapsed selection.
        gs->selX1 = static_cast<int32_t>(GraphTimeToX(gs, std::fmin(gs->selStart, gs->selEnd)));
        gs->selX2 = static_cast<int32_t>(GraphTimeToX(gs, std::fmax(gs->selStart, gs->selEnd)));
        if (gs->measureShown) UpdateAllMeasurements(gs);
        g_track.savedStart = g_track.savedEnd = -1.0;
    }
    EndTrackingDraw();
}

// The band of the selection saved at the press, as the plot shows it.
void InvertSavedSelection(HDC dc) {
    tagGS* gs = g_track.doc;
    const double a = std::fmin(g_track.savedStart, g_track.savedEnd);
    const double b = std::fmax(g_track.savedStart, g_track.savedEnd);
    if ((g_track.savedStart == -1.0 && g_track.savedEnd == -1.0) || a == b) return;
    const RECT& plot = gs->plotRect;
    const int32_t left = std::max(static_cast<int32_t>(GraphTimeToX(gs, a)), static_cast<int32_t>(plot.left));
    const int32_t right = std::min(static_cast<int32_t>(GraphTimeToX(gs, b)), static_cast<int32_t>(plot.right));
    const int32_t top = plot.top + 1, bottom = plot.bottom - 1;
    if (left < right && top < bottom) PatBlt(dc, left, top, right - left, bottom - top, DSTINVERT);
}

// A paint of the tracked graph draws its plot afresh where it paints, with the selection
// collapsed onto the tracked point: the lines and the band of the selection that comes back
// at the release are inverted again there, as they stood before the paint.
void RedrawTrackLines(HDC paintDc, tagGS* gs) {
    if (!g_track.on || !gs || g_track.doc != gs || !paintDc) return;
    InvertTrackColumn(paintDc);
    InvertTrackRow(paintDc);
    InvertSavedSelection(paintDc);
}

// The I-beam's live XY readout at the mouse, cleared when it leaves the plot.
void ShowReadoutAtCursor(tagGS* gs) {
    if (gs) {
        if (!gs->hwnd) return;
        BeginTrackingDraw(gs);
    }
    tagGS* doc = g_track.doc;
    if (doc && g_track.dc) {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(doc->hwnd, &p);
        if (PtInRect(&doc->plotRect, p)) {
            double x = 0, y = 0;
            PixelToValue(doc, p, &x, &y);
            DrawReadout(x, y);
            g_track.readoutShown = true;
        } else if (g_track.readoutShown) {
            EraseReadout();
            g_track.readoutShown = false;
        }
    }
    if (gs) EndTrackingDraw();
}

namespace {

// The Scope or Chart readout at a tracked time: the horizontal position and the selected
// channel's sample there, each as its measurement box shows it. 0 when there is no such sample.
int FormatTimeReadout(char* out, size_t size, tagGS* gs, double time) {
    const uint32_t slot = gs->selectedChan;
    if (!ValidSlot(slot) || !(gs->sampleInterval > 0)) return 0;
    const double at = std::round(time / gs->sampleInterval);
    double y = 0.0;
    if (!(at >= 0) || at >= gs->chanCount[slot] || !GetChannelSample(gs, static_cast<int>(at), static_cast<int>(slot), &y) ||
        !std::isfinite(y))
        return 0;
    measure::ResultContext c;
    c.precision = gs->precisionDigits;
    c.hMode = static_cast<int32_t>(gs->hUnitKind);
    c.hScale = gs->hPerDiv;
    c.chanUnit = gs->chanUnits[slot];
    c.hUnitShort = gs->hUnitAbbrev;
    char xs[20], xu[20], ys[20], yu[20];
    double stored = 0.0;
    measure::FormatResult(measure::kHAbs, at * gs->sampleInterval + gs->hOffset, c, xs, xu, &stored);
    measure::FormatResult(measure::kValue, y, c, ys, yu, &stored);
    // The box texts end in a blank before the unit; clock times stand between blanks.
    auto trim = [](char* t) {
        char* start = t;
        while (*start == ' ') ++start;
        size_t n = std::strlen(start);
        while (n > 0 && start[n - 1] == ' ') --n;
        std::memmove(t, start, n);
        t[n] = 0;
    };
    trim(xs);
    trim(ys);
    const char* xLabel = Keyed(gs->hUnitKind == kHUnitFrequency ? "Freq" : "Time");
    const int n = std::snprintf(out, size, "X, %s = %s %s  Y, %s = %s %s", xLabel, xs, xu, gs->chanLabel[slot], ys, yu);
    return n > 0 && static_cast<size_t>(n) < size;
}

// The readout of the graph's tracked place in the mode it is in: 0 when nothing was tracked
// there, or the place gives no value.
int FormatPastedReadout(char* out, size_t size, tagGS* gs) {
    out[0] = 0;
    if (g_track.on) {
        gs = g_track.doc;
        if (!Xy(gs)) return FormatTimeReadout(out, size, gs, g_track.time);
        POINT pixel{};
        double x = 0, y = 0;
        if (!FindNearestXYSample(gs, g_track.point, &pixel, &x, &y)) return 0;
        FormatReadout(out, size, gs, x, y);
        return out[0] != 0;
    }
    if (!Xy(gs))
        return g_track.timeDoc == gs && g_track.timeMode == gs->displayMode ? FormatTimeReadout(out, size, gs, g_track.time) : 0;
    if (g_track.pointDoc != gs) return 0;
    double x = 0, y = 0;
    PixelToValue(gs, g_track.point, &x, &y);
    if (!std::isfinite(x) || !std::isfinite(y)) return 0;
    FormatReadout(out, size, gs, x, y);
    return out[0] != 0;
}

}  // namespace

// The readout of the last tracked point, appended to the journal; nothing when the graph has
// no tracked point in its mode.
void PasteValuesToJournal(tagGS* gs) {
    if (!gs) return;
    if (!g_track.on) g_track.doc = gs;
    char text[260];
    if (!FormatPastedReadout(text, sizeof text - 2, gs)) return;
    lstrcatA(text, "\r\n");
    JournalAppendText(g_track.on ? g_track.doc : gs, text);
}

// A graph that goes leaves no tracked place behind for one made later at its address.
void ForgetTrackedPlaces(const tagGS* gs) {
    if (g_track.pointDoc == gs) g_track.pointDoc = nullptr;
    if (g_track.timeDoc == gs) g_track.timeDoc = nullptr;
    if (g_track.doc == gs && !g_track.on) g_track.doc = nullptr;
}

// The lines now on screen.
void GetTrackLines(int32_t* lineX, int32_t* lineY) {
    if (lineX) *lineX = g_track.lineX;
    if (lineY) *lineY = g_track.lineY;
}
