// Grid lines of one channel band. Spacing is judged in inches through the context's
// resolution, so printed and screen grids keep a readable density.
#include "graph/render/grid_lines.h"

#include <cmath>
#include <cstdint>

#include "common/tagGS.h"
#include "graph/render/drawing_port.h"
#include "common/color.h"

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
// Lines per direction never exceed this, whatever the record holds.
constexpr int kMaxLines = 65536;

// The grid pens as the record keeps them: styles of major and minor lines, then their widths.
struct stGridPen {
    COLORREF color;
    uint16_t style;
    uint16_t width;
};
stGridPen MajorPen(const tagGS* gs) { return {gs->gridColor, gs->gridOptions[0], gs->gridOptions[2]}; }
stGridPen MinorPen(const tagGS* gs) { return {gs->gridMinorColor, gs->gridOptions[1], gs->gridOptions[3]}; }
// The time through which a major vertical line passes.
double GridOrigin(const tagGS* gs) { return gs->gridExtraValue; }

bool Positive(double v) { return std::isfinite(v) && v > 0.0; }

// Device coordinates beyond this are not drawn (GDI keeps to 27 bits).
constexpr double kMaxCoord = 1e7;

// One direction's lines: from the near edge toward the far edge, rightward (dir 1) or upward
// (dir -1); first is a major line's position, spacing the major spacing, both in pixels.
struct stLineRun {
    double first;
    double spacing;
    int dir;
    int nearEdge;
    int farEdge;
    int dpi;
};

// Whether the pixel of position p lies short of the far edge: left of it going right, not
// above it going up.
bool Inside(const stLineRun& run, double p) {
    return run.dir > 0 ? std::floor(p + 0.5) < run.farEdge : std::floor(p + 0.5) >= run.farEdge;
}

// The pixel positions of a run and whether each is major; minor lines only with fine set.
template <typename DrawFn>
void WalkRun(const stLineRun& run, int fine, DrawFn draw) {
    if (!std::isfinite(run.first) || !Positive(run.spacing)) return;
    // By construction the first major line is at or past the near edge; a position far behind
    // it comes from values too large for their divisions to be told apart.
    if ((run.first - run.nearEdge) * run.dir < -run.spacing) return;
    stGridSpacing plan = PlanGridSpacing(run.spacing, run.dpi, fine);
    double start = run.first;
    int offset = 0;
    if (plan.minor) {
        // Start at the first minor position at or inside the near edge; the count of fifths
        // before the first major line says which of the lines are major.
        double fifths = std::floor((run.first - run.nearEdge) * run.dir / plan.spacing);
        start = run.first - run.dir * fifths * plan.spacing;
        offset = static_cast<int>(std::fmod(fifths, 5.0));
    }
    for (int i = 0; i < kMaxLines; ++i) {
        double p = start + run.dir * i * plan.spacing;
        if (!Inside(run, p)) break;
        if (std::fabs(p) > kMaxCoord) continue;
        bool major = !plan.minor || ((i - offset) % 5 + 5) % 5 == 0;
        draw(static_cast<int>(std::floor(p + 0.5)), major);
    }
}

// Draws through the drawing port, switching between the major and minor pen as needed.
class CGridPortPens {
public:
    CGridPortPens(CDrawPort* port, const stGridPen& major, const stGridPen& minor)
        : m_port(port), m_major(major), m_minor(minor), m_current(-1) {}
    void Use(bool major) {
        int want = major ? 1 : 0;
        if (want == m_current) return;
        const stGridPen& p = major ? m_major : m_minor;
        stColor16 c{GetRValue(p.color), GetGValue(p.color), GetBValue(p.color)};
        m_port->SetPenStyle(p.style);
        m_port->SetPenColor(&c);
        m_port->SetPenSize(p.width, 0);
        m_current = want;
    }

private:
    CDrawPort* m_port;
    stGridPen m_major, m_minor;
    int m_current;
};

// Keeps the context's pen and background mode across the grid: dotted lines must not paint
// their gaps over lines drawn before them.
class CGridDCState {
public:
    explicit CGridDCState(HDC dc)
        : m_dc(dc), m_pen(GetCurrentObject(dc, OBJ_PEN)), m_bkMode(SetBkMode(dc, TRANSPARENT)) {}
    ~CGridDCState() {
        SelectObject(m_dc, m_pen);
        if (m_bkMode) SetBkMode(m_dc, m_bkMode);
    }
    CGridDCState(const CGridDCState&) = delete;
    CGridDCState& operator=(const CGridDCState&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_pen;
    int m_bkMode;
};

// A pen selected into a context for one scope, deleted afterwards.
class CSelectedPen {
public:
    CSelectedPen(HDC dc, const stGridPen& p) : m_dc(dc), m_pen(CreatePen(p.style, p.width, p.color)), m_old(nullptr) {
        if (m_pen) m_old = SelectObject(dc, m_pen);
    }
    ~CSelectedPen() {
        if (m_old) SelectObject(m_dc, m_old);
        if (m_pen) DeleteObject(m_pen);
    }
    CSelectedPen(const CSelectedPen&) = delete;
    CSelectedPen& operator=(const CSelectedPen&) = delete;
    bool Ok() const { return m_old != nullptr; }

private:
    HDC m_dc;
    HPEN m_pen;
    HGDIOBJ m_old;
};

// The vertical lines' run: at the time divisions, or in XY mode at the horizontal channel's
// value divisions of this strip. within is 0 when the first major line lies past the view.
bool VerticalRun(const tagGS* gs, int slot, int page, int strip, int a, int b, int dpi, stLineRun* run, int* within) {
    const RECT& band = gs->chanBandRects[slot];
    const RECT& plot = gs->plotRect;
    const double ab = static_cast<double>(a) * b;
    const double bandWidth = band.right - band.left;
    const double plotWidth = plot.right - plot.left;
    double perDiv, divisions, leftValue, origin;
    if (gs->displayMode == kModeXY) {
        uint32_t x = gs->xyXChan;
        if (x >= static_cast<uint32_t>(kMaxChannels)) return false;
        perDiv = gs->chanVPerDiv[x];
        divisions = gs->chanVDivisions[x];
        if (!Positive(perDiv) || !Positive(divisions)) return false;
        const double full = perDiv * divisions;
        leftValue = gs->chanVCenter[x] - full / 2 + (static_cast<double>(page) * b + strip) * (full / ab);
        origin = gs->chanVOffsetDiv[x];
    } else {
        perDiv = gs->hPerDiv;
        divisions = gs->hDivisions;
        if (!Positive(perDiv) || !Positive(divisions)) return false;
        leftValue = gs->hStart;
        origin = GridOrigin(gs);
    }
    const double shown = perDiv * divisions / ab;
    const double first = FirstGridPoint(origin, perDiv, leftValue);
    *within = (first - leftValue) <= shown;
    *run = stLineRun{
        plot.left + plotWidth * (first - leftValue) / shown, bandWidth * ab / divisions, 1, band.left, band.right, dpi};
    return true;
}

// The horizontal lines' run: at the channel's value divisions, from the band's bottom up.
bool HorizontalRun(const tagGS* gs, int slot, int dpi, stLineRun* run) {
    const RECT& band = gs->chanBandRects[slot];
    const double perDiv = gs->chanVPerDiv[slot];
    const double divisions = gs->chanVDivisions[slot];
    if (!Positive(perDiv) || !Positive(divisions)) return false;
    const double height = band.bottom - band.top;
    const double bottomValue = gs->chanVCenter[slot] - divisions * perDiv / 2;
    const double first = FirstGridPoint(gs->chanVOffsetDiv[slot], perDiv, bottomValue);
    *run = stLineRun{band.bottom - height * (first - bottomValue) / (perDiv * divisions),
                     height / divisions,
                     -1,
                     band.bottom,
                     band.top,
                     dpi};
    return true;
}

}  // namespace

double FirstGridPoint(double origin, double step, double from) {
    double k = std::ceil((from - origin) / step);
    double p = origin + k * step;
    // The division can land one step off either way when the quotient is nearly whole.
    if (p < from)
        p += step;
    else if (p - step >= from)
        p -= step;
    return p;
}

stGridSpacing PlanGridSpacing(double majorSpacing, int dpi, int fine) {
    double s = majorSpacing;
    if (!Positive(s)) return {s, 0};
    // A fifth of the spacing must still be a whole pixel for minor lines to mean anything.
    if (fine && s > dpi / 4 && s >= 5.0) return {s / 5.0, 1};
    while (s <= dpi / 24 || s < 1.0) s *= 2.0;
    return {s, 0};
}

void DrawChannelGrid(HDC dc, tagGS* gs, int slot, int page, int strip, int pagesToFit, int stripsPerPage) {
    if (!dc || !gs || !gs->gridShown || gs->selectedChan == kNone || gs->xyXChan == kNone) return;
    if (slot < 0 || slot >= kMaxChannels) return;
    const RECT band = gs->chanBandRects[slot];
    if (band.bottom - band.top <= 0) return;
    const int a = pagesToFit < 1 ? 1 : pagesToFit;
    const int b = stripsPerPage < 1 ? 1 : stripsPerPage;
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    const RECT plot = gs->plotRect;

    stLineRun vertical{}, horizontal{};
    int within = 0;
    const bool hasVertical = VerticalRun(gs, slot, page, strip, a, b, dpiX, &vertical, &within);
    const bool hasHorizontal = HorizontalRun(gs, slot, dpiY, &horizontal);
    const stGridPen major = MajorPen(gs);

    CGridDCState keep(dc);
    if (IsGridFine(gs)) {
        CPortDC holder(dc);
        CDrawPort port(&holder);
        const stGridPen minor = MinorPen(gs);
        // Each direction picks its pens afresh and gives the port its pen colour back.
        auto walk = [&](const stLineRun& run, auto drawLine) {
            CGridPortPens pens(&port, major, minor);
            stColor16 saved;
            port.GetPenColor(&saved);
            WalkRun(run, 1, [&](int pos, bool isMajor) {
                pens.Use(isMajor);
                drawLine(pos);
            });
            port.SetPenColor(&saved);
        };
        if (hasVertical) {
            walk(vertical, [&](int x) {
                port.MoveTo(x, band.top);
                port.LineTo(x, band.bottom, 1);
            });
        }
        if (hasHorizontal) {
            walk(horizontal, [&](int y) {
                port.MoveTo(plot.left, y);
                port.LineTo(plot.right, y, 1);
            });
        }
        port.ReleaseObjects();
        return;
    }

    CSelectedPen pen(dc, major);
    if (!pen.Ok()) return;
    if (hasVertical && within) {
        WalkRun(vertical, 0, [&](int x, bool) {
            const POINT pts[2] = {{x, band.top}, {x, band.bottom}};
            Polyline(dc, pts, 2);
        });
    }
    if (hasHorizontal) {
        WalkRun(horizontal, 0, [&](int y, bool) {
            const POINT pts[2] = {{plot.left, y}, {plot.right, y}};
            Polyline(dc, pts, 2);
        });
    }
}
