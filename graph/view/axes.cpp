// Axes, scales and labels around the plot.
#include "graph/view/axes.h"

#include <cmath>
#include <cstring>

#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "common/tagGS.h"
#include "graph/render/drawing_port.h"
#include "graph/render/render_api.h"
#include "graph/view/axis_units.h"
#include "base/app.h"
#include "base/device.h"
#include "controls/button_grid.h"

namespace {

// Doublings of a label step before the spacing is given up as unreachable.
constexpr int kMaxDoublings = 64;
// Single division steps towards the lowest value before the distance is closed in one jump.
constexpr double kMaxSingleSteps = 64.0;
// Pixel coordinates beyond this are off any device; values are clamped to it.
constexpr double kPixelLimit = 1e9;
// Slots whose allowed range is fixed at 0 to 5 units, and the first slot without scaling flag.
constexpr int kFixedRangeFirst = 20, kFixedRangeLast = 39, kScalingSlots = 40;
constexpr double kFixedRangeTop = 5.0;

bool Finite(double v) { return std::isfinite(v); }

// Scale labels in their channel's colour (colour printouts and pictures) or in black (the window).
int g_scaleLabelsInColour = 0;

// Integer part of a pixel coordinate, clamped so that the conversion is defined.
int32_t PixelOf(double v) {
    if (std::isnan(v)) return 0;
    if (v > kPixelLimit) return static_cast<int32_t>(kPixelLimit);
    if (v < -kPixelLimit) return static_cast<int32_t>(-kPixelLimit);
    return static_cast<int32_t>(v);
}

// Labels of a run: the first one always, then each further step while the position still
// passes: rows walking upwards down to limit, or columns short of limit.
int32_t CountLabels(double first, double step, double limit, bool upwards) {
    int32_t n = 1;
    while (n < kMaxAxisLabels) {
        double pos = upwards ? first - n * step : first + n * step;
        if (upwards ? !(pos >= limit) : !(pos < limit)) break;
        ++n;
    }
    return n;
}

// Holds a channel and is not hidden; a hidden channel has no band, label or strip of its own.
bool SlotShown(const tagGS* gs, int slot) { return ChannelInUse(gs, slot) && !(gs->chanFlags[slot] & kChanHidden); }

bool HasSelectedChannel(const tagGS* gs) { return gs->selectedChan < static_cast<uint32_t>(kMaxChannels); }

size_t TextLen(const char* text, size_t size) { return strnlen(text, size); }

// One GDI object owned for a scope; it must no longer be selected when the scope ends, so it is
// declared before the CSavedDC that selects it.
template <typename HandleT>
class CGdiObject {
public:
    explicit CGdiObject(HandleT handle) : m_handle(handle) {}
    ~CGdiObject() {
        if (m_handle) DeleteObject(m_handle);
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    HandleT Get() const { return m_handle; }

private:
    HandleT m_handle;
};

HBRUSH StripBrush() {
    return g_app && g_app->brushes.hbrToolbar ? g_app->brushes.hbrToolbar
                                              : static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
}

void SelectFont(HDC dc, HFONT font) {
    if (font) SelectObject(dc, font);
}

void Line(HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

bool Visible(HDC dc, const RECT& r) { return !IsRectEmpty(&r) && RectVisible(dc, &r); }

int32_t TextWidth(HDC dc, const char* text, int len) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text, len, &size);
    return size.cx;
}

// The measurement row's raised separator, across the client's width.
void DrawMeasureSeparator(HDC dc, const tagGS* gs, const RECT& client) {
    RECT r = {0, 0, client.right, gs->measureRowHeight};
    CGdiObject<HPEN> light(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
    CGdiObject<HPEN> dark(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    CSavedDC saved(dc);
    if (light.Get()) {
        SelectObject(dc, light.Get());
        Line(dc, r.left, r.top, r.right, r.top);
    }
    if (dark.Get()) {
        SelectObject(dc, dark.Get());
        Line(dc, r.left, r.bottom - 1, r.right, r.bottom - 1);
    }
}

// Frame lines along the plot's top, right and bottom edges (steps 2-4 of the paint order
// without what they draw in between).
void DrawPlotTopLine(HDC dc, const tagGS* gs) {
    const RECT& p = gs->plotRect;
    Line(dc, p.left, p.top, p.right, p.top);
}

void DrawPlotRightLines(HDC dc, const tagGS* gs, const RECT& client) {
    const RECT& p = gs->plotRect;
    Line(dc, p.right, p.top, client.right, p.top);
    Line(dc, p.right, p.top, p.right, p.bottom - 1);
}

void DrawPlotBottomLine(HDC dc, const tagGS* gs, const RECT& client) {
    const RECT& p = gs->plotRect;
    Line(dc, p.left, p.bottom - 1, client.right, p.bottom - 1);
}

// The device library's status box at the right end of the horizontal scroll bar.
void PaintStatusBox(HDC dc, tagGS* gs) {
    if (!Visible(dc, gs->statusBoxRect)) return;
    FillRect(dc, &gs->statusBoxRect, StripBrush());
    DevicePaintGraphStatus(gs);
}

// The horizontal units label, centred under the axis numbers.
void PaintUnitsLabel(HDC dc, tagGS* gs) {
    const RECT& r = gs->hUnitsRect;
    if (!IsHScaleShown(gs) || !Visible(dc, r)) return;
    FillRect(dc, &r, StripBrush());
    char name[kUnitNameLen] = "";
    if (gs->displayMode == kModeXY) {
        if (gs->xyXChan < static_cast<uint32_t>(kMaxChannels)) {
            size_t n = TextLen(gs->chanUnits[gs->xyXChan], sizeof gs->chanUnits[0]);
            memcpy(name, gs->chanUnits[gs->xyXChan], n);
            name[n] = '\0';
        }
    } else {
        double size = 1.0;
        if (!ChooseTimeUnits(gs, gs->hPerDiv, name, gs->hUnitKind, &size, 0)) name[0] = '\0';
    }
    CSavedDC saved(dc);
    SelectFont(dc, g_app ? g_app->fonts.hfontAxis : nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    int len = static_cast<int>(strlen(name));
    int32_t width = r.right - r.left;
    TextOutA(dc, r.left + (width / 2 - TextWidth(dc, name, len) / 2), r.top, name, len);
}

}  // namespace

// ---- Pure placement ----

// The origin moves by whole divisions: first a jump of k divisions (k taken from the distance of
// lowest to 0), then one division at a time. The steps count divisions from the jumped base, so
// stepping back and forth lands on the same value again.
int FirstGridValue(double origin, double perDiv, double lowest, double* out) {
    if (!out || !(perDiv > 0.0) || !Finite(perDiv) || !Finite(origin) || !Finite(lowest)) return 0;
    double k = std::trunc(std::fabs(lowest / perDiv));
    if (!(k <= kMaxGridJump)) return 0;
    double base = origin;
    if (k > 1.0) base = base < lowest ? base + k * perDiv : base - k * perDiv;
    // An origin far from 0 leaves a long way after the jump; close it at once.
    double gap = (base - lowest) / perDiv;
    if (!Finite(gap)) return 0;
    if (std::fabs(gap) > kMaxSingleSteps) base -= std::trunc(gap) * perDiv;
    const double maxSteps = 2 * kMaxSingleSteps;
    double n = 0.0;
    if (base < lowest) {
        while (base + n * perDiv < lowest && n < maxSteps) n += 1.0;
    } else {
        while (base + (n - 1.0) * perDiv >= lowest && n > -maxSteps) n -= 1.0;
    }
    double g = base + n * perDiv;
    if (!(g >= lowest) || !Finite(g)) return 0;
    *out = g;
    return 1;
}

int SpaceAxisSteps(double valueStep, double pixelStep, double minSpacing, double* outValueStep, double* outPixelStep) {
    if (!(pixelStep > 0.0) || !Finite(pixelStep) || !Finite(valueStep) || !Finite(minSpacing)) return 0;
    int n = 0;
    while (pixelStep < minSpacing) {
        if (++n > kMaxDoublings) return 0;
        pixelStep *= 2.0;
        valueStep *= 2.0;
    }
    if (!Finite(valueStep)) return 0;
    *outValueStep = valueStep;
    *outPixelStep = pixelStep;
    return 1;
}

int ComputeVerticalTicks(double center, double perDiv, double divisions, double gridOrigin, int32_t top, int32_t bottom,
                         int32_t cyText, stAxisTicks* out) {
    if (!out) return 0;
    double height = static_cast<double>(bottom) - top;
    if (!(height > 0.0) || !(divisions > 0.0) || !Finite(divisions) || !Finite(center)) return 0;
    double valueStep = 0.0, pixelStep = 0.0;
    if (!SpaceAxisSteps(perDiv, height / divisions, 1.5 * cyText, &valueStep, &pixelStep)) return 0;
    double lowest = center - divisions * perDiv / 2;
    double g = 0.0;
    if (!FirstGridValue(gridOrigin, perDiv, lowest, &g)) return 0;
    double y = bottom - height * ((g - lowest) / perDiv) / divisions;
    if (!Finite(y)) return 0;
    out->firstValue = g;
    out->firstPos = y;
    out->valueStep = valueStep;
    out->pixelStep = pixelStep;
    out->count = CountLabels(y, pixelStep, top - 1.0, true);
    return 1;
}

int32_t ScaleLabelTop(double y, int32_t top, int32_t bottom, int32_t cyText) {
    if (!(y > top + cyText / 2)) return top;
    if (y > bottom - cyText / 2) return bottom - cyText;
    return PixelOf(y) - cyText / 2;
}

int ComputeTimeAxisTicks(const stTimeAxisInput* in, stAxisTicks* out) {
    if (!in || !out) return 0;
    double axisWidth = static_cast<double>(in->axisRight) - in->axisLeft;
    if (!(axisWidth > 0.0) || !(in->divisions > 0.0) || !Finite(in->divisions) || !(in->unitSize > 0.0) ||
        !Finite(in->unitSize) || !Finite(in->offset))
        return 0;
    double timeStep = 0.0, pixelStep = 0.0;
    if (!SpaceAxisSteps(in->perDiv, axisWidth / in->divisions, in->minSpacing, &timeStep, &pixelStep)) return 0;
    double g = 0.0;
    if (!FirstGridValue(in->gridOrigin, in->perDiv, in->start, &g)) return 0;
    double span = in->perDiv * in->divisions;
    if (!Finite(span) || g < in->start || g > in->start + span) return 0;
    double column = in->plotLeft + std::trunc((g - in->start) * in->plotWidth / span);
    double value = (g + in->offset) / in->unitSize;
    double valueStep = timeStep / in->unitSize;
    if (!Finite(column) || !Finite(value) || !Finite(valueStep)) return 0;
    out->firstValue = value;
    out->firstPos = column;
    out->valueStep = valueStep;
    out->pixelStep = pixelStep;
    out->count = CountLabels(column, pixelStep, in->axisRight, false);
    return 1;
}

int ComputeXChannelTicks(double center, double perDiv, double divisions, double gridOrigin, int32_t axisLeft,
                         int32_t axisRight, int32_t plotLeft, int32_t plotWidth, double minSpacing, stAxisTicks* out) {
    if (!out) return 0;
    double axisWidth = static_cast<double>(axisRight) - axisLeft;
    if (!(axisWidth > 0.0) || !(divisions > 0.0) || !Finite(divisions) || !Finite(center)) return 0;
    double valueStep = 0.0, pixelStep = 0.0;
    if (!SpaceAxisSteps(perDiv, axisWidth / divisions, minSpacing, &valueStep, &pixelStep)) return 0;
    double span = perDiv * divisions;
    double lowest = center - span / 2;
    double g = 0.0;
    if (!FirstGridValue(gridOrigin, perDiv, lowest, &g)) return 0;
    if (!Finite(span) || g < lowest || g > lowest + span) return 0;
    double column = plotLeft + std::trunc(plotWidth * (g - lowest) / span);
    if (!Finite(column)) return 0;
    out->firstValue = g;
    out->firstPos = column;
    out->valueStep = valueStep;
    out->pixelStep = pixelStep;
    out->count = CountLabels(column, pixelStep, axisRight, false);
    return 1;
}

int32_t AxisLabelCentre(double column, int32_t halfWidth, int32_t left, int32_t right) {
    if (column - left <= halfWidth) return left + halfWidth;
    if (right - column <= halfWidth) return right - halfWidth;
    return PixelOf(column);
}

void FormatAxisLabel(char* buffer, double value, int clockTime, int16_t decimals) {
    if (!clockTime) {
        FormatAxisNumber(buffer, value, decimals);
        return;
    }
    // Seconds beyond the 32-bit range are shown at its ends.
    double s = std::trunc(value);
    int32_t seconds = 0;
    if (s >= 2147483647.0)
        seconds = 2147483647;
    else if (s <= -2147483647.0)
        seconds = -2147483647;
    else if (Finite(s))
        seconds = static_cast<int32_t>(s);
    FormatTimeHMS(seconds, buffer);
}

int ComputeRangeBarRect(double range, const RECT* strip, double center, double perDiv, double divisions,
                        double scalingOffset, int fixedRange, RECT* out) {
    if (!strip || !out) return 0;
    double height = static_cast<double>(strip->bottom) - strip->top;
    if (!(height > 0.0) || !(perDiv > 0.0) || !(divisions > 0.0) || !Finite(perDiv) || !Finite(divisions) ||
        !Finite(center))
        return 0;
    double top = 0.0, bottom = 0.0;
    if (fixedRange) {
        double lowest = center - divisions * perDiv / 2;
        double unit = perDiv * divisions / height;
        top = std::trunc(strip->bottom - (kFixedRangeTop - lowest) / unit);
        bottom = std::trunc(strip->bottom - (0.0 - lowest) / unit);
    } else {
        if (!Finite(range) || !Finite(scalingOffset)) return 0;
        double p = height / divisions / perDiv;
        double half = p * range;
        int32_t c = (strip->top + strip->bottom) / 2;
        top = std::trunc(c - half + center * p);
        bottom = std::trunc(c + 0.5 + (half + 0.5) + center * p);
        double shift = std::trunc(scalingOffset * p);
        top += shift;
        bottom += shift;
    }
    if (!Finite(top) || !Finite(bottom)) return 0;
    int32_t t = PixelOf(top), b = PixelOf(bottom);
    if (b > strip->bottom) b = strip->bottom;
    if (t < strip->top) t = strip->top;
    if (b < t) b = t;
    *out = RECT{strip->left, t, strip->right, b};
    return 1;
}

// ---- Drawing ----

// The paint order of the client area. The whole client draws everything around the plot and
// the plot when asked; a lesson's repaint of the plot area (frameOnly) draws the frame lines,
// the status box, the units label and the plot only.
static void PaintGraphParts(HDC dc, tagGS* gs, bool frameOnly, bool paintPlot) {
    if (!dc || !gs) return;
    RECT client{};
    if (!GetClientRect(gs->hwnd, &client) || IsRectEmpty(&client)) return;
    CSavedDC saved(dc);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    if (gs->measureGrid && gs->measureShown) DrawMeasureSeparator(dc, gs, client);
    DrawPlotTopLine(dc, gs);
    if (!frameOnly) {
        RefreshChannelButtons(dc, gs);
        DrawChannelLabels(dc, gs);
    }
    DrawPlotRightLines(dc, gs, client);
    if (!frameOnly) DrawChannelScales(dc, gs);
    DrawPlotBottomLine(dc, gs, client);
    if (!frameOnly) {
        DrawTimeAxis(dc, gs);
        if (gs->journalWnd) JournalDrawSeparator(gs->journalWnd, dc);
        RedrawMarkerBar(gs);
    }
    PaintStatusBox(dc, gs);
    PaintUnitsLabel(dc, gs);
    if (paintPlot && Visible(dc, gs->plotRect)) {
        PaintPlotArea(dc, gs);
        if (!frameOnly) DrawTimeAxis(dc, gs);
    }
}

// Everything of the client area around the plot, and the plot when asked.
void PaintGraphClient(HDC dc, tagGS* gs, int paintPlot) { PaintGraphParts(dc, gs, false, paintPlot != 0); }

// A lesson's repaint of the plot area: the frame lines, status box, units label and plot only.
void PaintGraphPlotArea(HDC dc, tagGS* gs) { PaintGraphParts(dc, gs, true, true); }

// Label boxes: every shown slot in Chart mode, the selected one otherwise; XY adds its X box.
void DrawChannelLabels(HDC dc, tagGS* gs) {
    if (!dc || !gs || !HasSelectedChannel(gs)) return;
    if (gs->displayMode == kModeChart) {
        for (int slot = 0; slot < kMaxChannels; ++slot) DrawChannelLabel(dc, gs, slot);
    } else {
        DrawChannelLabel(dc, gs, static_cast<int>(gs->selectedChan));
    }
    if (gs->displayMode == kModeXY) DrawXLabelBox(dc, gs);
}

// One label box: filled, framed on three sides, the label turned upright along it.
void DrawChannelLabel(HDC dc, tagGS* gs, int slot) {
    if (!dc || !gs || slot < 0 || slot >= kMaxChannels) return;
    int tested = gs->displayMode == kModeChart ? slot : static_cast<int>(gs->selectedChan);
    if (!SlotShown(gs, tested)) return;
    const RECT r = gs->chanLabelRects[slot];
    CSavedDC saved(dc);
    COLORREF textColor;
    if (static_cast<uint32_t>(slot) == gs->selectedChan) {
        COLORREF caption = GetSysColor(COLOR_ACTIVECAPTION);
        CGdiObject<HBRUSH> brush(CreateSolidBrush(caption));
        if (brush.Get()) FillRect(dc, &r, brush.Get());
        textColor = 0xFFFFFF - caption;
    } else {
        FillRect(dc, &r, StripBrush());
        textColor = gs->chanColor[slot];
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, r.left, r.top - 1, nullptr);
    LineTo(dc, r.right - 1, r.top - 1);
    LineTo(dc, r.right - 1, r.bottom);
    LineTo(dc, r.left - 1, r.bottom);
    if (!g_app) return;
    SelectFont(dc, g_app->fonts.hfontVertical);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor);
    const char* label = gs->chanLabel[slot];
    TextOutA(dc, r.right - g_app->fonts.cyVertical - 1, r.top + (r.bottom - r.top) / 2, label,
             static_cast<int>(TextLen(label, sizeof gs->chanLabel[0])));
}

void SetScaleLabelsInColour(int colour) { g_scaleLabelsInColour = colour ? 1 : 0; }

// Scale strips: every shown slot with its edge lines and range bar in Chart mode, the selected
// one otherwise.
void DrawChannelScales(HDC dc, tagGS* gs) {
    if (!dc || !gs || !HasSelectedChannel(gs)) return;
    if (gs->displayMode != kModeChart) {
        if (SlotShown(gs, static_cast<int>(gs->selectedChan)))
            DrawVerticalScale(dc, gs, static_cast<int>(gs->selectedChan));
        return;
    }
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!SlotShown(gs, slot)) continue;
        const RECT& r = gs->chanScaleRects[slot];
        {
            CSavedDC saved(dc);
            SelectObject(dc, GetStockObject(BLACK_PEN));
            Line(dc, r.left, r.top - 1, r.right, r.top - 1);
            Line(dc, r.left, r.bottom, r.right, r.bottom);
        }
        DrawVerticalScale(dc, gs, slot);
        if (gs->hUnitKind == kHUnitTime) DrawRangeBar(dc, gs, slot);
    }
}

// One scale strip: its numbers bottom to top and the units turned upright at its right edge.
void DrawVerticalScale(HDC dc, tagGS* gs, int slot) {
    if (!dc || !gs || !g_app || !IsVScaleShown(gs) || !SlotShown(gs, slot)) return;
    const RECT r = gs->chanScaleRects[slot];
    if (r.bottom - r.top <= 0) return;
    FillRect(dc, &r, StripBrush());
    stAxisTicks ticks{};
    if (!ComputeVerticalTicks(gs->chanVCenter[slot], gs->chanVPerDiv[slot], gs->chanVDivisions[slot],
                              gs->chanVOffsetDiv[slot], r.top, r.bottom, g_app->fonts.cyText, &ticks))
        return;
    CSavedDC saved(dc);
    SelectFont(dc, g_app->fonts.hfontText);
    SetTextColor(dc, g_scaleLabelsInColour ? gs->chanColor[slot] : 0);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    int16_t decimals = static_cast<int16_t>(gs->chanDecimals[slot]);
    for (int32_t i = 0; i < ticks.count; ++i) {
        double y = ticks.firstPos - i * ticks.pixelStep;
        char text[kAxisNumberLen];
        FormatAxisNumber(text, ticks.firstValue + i * ticks.valueStep, decimals);
        TextOutA(dc, r.left + 10, ScaleLabelTop(y, r.top, r.bottom, g_app->fonts.cyText), text,
                 static_cast<int>(strlen(text)));
    }
    SelectFont(dc, g_app->fonts.hfontVertical);
    IntersectClipRect(dc, r.right - g_app->fonts.cyVertical, r.top, r.right, r.bottom);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    const char* units = gs->chanUnits[slot];
    TextOutA(dc, r.right - g_app->fonts.cyVertical, r.top + (r.bottom - r.top) / 2, units,
             static_cast<int>(TextLen(units, sizeof gs->chanUnits[0])));
}

// The horizontal axis numbers: times (or the X channel's values in XY mode) under the plot.
void DrawTimeAxis(HDC dc, tagGS* gs) {
    if (!dc || !gs) return;
    RedrawMarkerBar(gs);
    if (!IsHScaleShown(gs) || !g_app) return;
    RECT strip = gs->hAxisRect;
    strip.left -= 5;
    FillRect(dc, &strip, StripBrush());
    const RECT& axis = gs->hAxisRect;
    const int16_t decimals = static_cast<int16_t>(gs->viewFlags0);
    const double cxText = g_app->fonts.cxText;
    const int32_t plotWidth = gs->plotRect.right - gs->plotRect.left;
    bool clock = false;
    stAxisTicks ticks{};
    if (gs->displayMode == kModeXY) {
        uint32_t x = gs->xyXChan;
        if (x >= static_cast<uint32_t>(kMaxChannels)) return;
        if (!ComputeXChannelTicks(gs->chanVCenter[x], gs->chanVPerDiv[x], gs->chanVDivisions[x], gs->chanVOffsetDiv[x],
                                  axis.left, axis.right, gs->plotRect.left, plotWidth, (decimals + 6) * cxText, &ticks))
            return;
    } else {
        clock = gs->hUnitKind == kHUnitClock;
        char name[kUnitNameLen];
        double unitSize = 1.0;
        if (!ChooseTimeUnits(gs, gs->hPerDiv, name, gs->hUnitKind, &unitSize, 0)) unitSize = 1.0;
        stTimeAxisInput in{};
        in.start = gs->hStart;
        if (gs->markerManager && IsSegmentViewOn(gs)) in.start += gs->segmentTimeOffset;
        in.perDiv = gs->hPerDiv;
        in.divisions = gs->hDivisions;
        in.gridOrigin = gs->gridExtraValue;
        in.offset = gs->hOffset;
        in.unitSize = unitSize;
        in.axisLeft = axis.left;
        in.axisRight = axis.right;
        in.plotLeft = gs->plotRect.left;
        in.plotWidth = plotWidth;
        in.minSpacing = (clock ? 10 : decimals + 6) * cxText;
        if (!ComputeTimeAxisTicks(&in, &ticks)) return;
    }
    CSavedDC saved(dc);
    SelectFont(dc, g_app->fonts.hfontAxis);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    for (int32_t i = 0; i < ticks.count; ++i) {
        char text[kAxisNumberLen];
        FormatAxisLabel(text, ticks.firstValue + i * ticks.valueStep, clock, decimals);
        int len = static_cast<int>(strlen(text));
        int32_t half = (TextWidth(dc, text, len) + 1) / 2;
        double column = ticks.firstPos + i * ticks.pixelStep;
        TextOutA(dc, AxisLabelCentre(column, half, axis.left, axis.right), axis.top, text, len);
    }
}

// The XY mode's title box of the X channel above the plot.
void DrawXLabelBox(HDC dc, tagGS* gs) {
    if (!dc || !gs) return;
    RECT r = gs->xLabelRect;
    FillRect(dc, &r, StripBrush());
    InflateRect(&r, 1, 1);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    uint32_t x = gs->xyXChan;
    if (x >= static_cast<uint32_t>(kMaxChannels) || !g_app) return;
    CSavedDC saved(dc);
    SelectFont(dc, g_app->fonts.hfontText);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    const char* label = gs->chanLabel[x];
    TextOutA(dc, r.left + (r.right - r.left) / 2, r.top, label,
             static_cast<int>(TextLen(label, sizeof gs->chanLabel[0])));
}

// The allowed input range of a scaled channel, as a bar at the strip's left edge.
void DrawRangeBar(HDC dc, tagGS* gs, int slot) {
    if (!dc || !gs || gs->displayMode == kModeXY || slot < 0 || slot >= kScalingSlots) return;
    if (gs->chanHasScaling[slot] != 1) return;
    double range = getRangeOfAllowedValues(static_cast<uint32_t>(slot)) / 1000;
    RECT bar{};
    if (ComputeRangeBar(range, gs, slot, &bar)) FillRangeBar(dc, &bar);
}

int ComputeRangeBar(double range, const tagGS* gs, int slot, RECT* out) {
    if (!gs || !out || slot < 0 || slot >= kMaxChannels) return 0;
    bool fixed = slot >= kFixedRangeFirst && slot <= kFixedRangeLast;
    double offset = fixed ? 0.0 : getOffsetByScalingInUnits(static_cast<uint32_t>(slot));
    return ComputeRangeBarRect(range, &gs->chanScaleRects[slot], gs->chanVCenter[slot], gs->chanVPerDiv[slot],
                               gs->chanVDivisions[slot], offset, fixed ? 1 : 0, out);
}

void FillRangeBar(HDC dc, const RECT* bar) {
    if (!dc || !bar) return;
    RECT r = {bar->left, bar->top, bar->left + kRangeBarWidth, bar->bottom};
    CGdiObject<HBRUSH> brush(CreateSolidBrush(kRangeBarColor));
    if (brush.Get()) FillRect(dc, &r, brush.Get());
}

// The channel button row redraws each of its buttons.
void RefreshChannelButtons(HDC, tagGS* gs) {
    if (!gs || gs->displayMode == kModeXY || !gs->channelItems || !IsChanButtonsShown(gs)) return;
    auto* grid = static_cast<CButtonGrid*>(gs->channelItems);
    for (int i = 0; i < grid->GetCount(); ++i) {
        if (CGridButton* item = grid->GetItem(i)) item->Draw();
    }
}
