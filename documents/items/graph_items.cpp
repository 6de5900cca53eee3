// Graph items: the item classes, the document's list, drawing and the graph-item block.
#include "documents/items/graph_items.h"
#include "documents/documents_api.h"
#include "documents/stored_blocks.h"
#include "documents/files/graph_layout.h"
#include "common/tagGS.h"
#include "base/byte_stream.h"
#include "controls/dc_guard.h"
#include "devlib/vk40.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

stCurveSettings g_defaultCurveSettings{0.0, 1.0, 100, 0x008000, 7};

namespace {

const struct {
    const char* name;
    COLORREF colour;
} kColours[] = {{"BLACK", 0x000000}, {"RED", 0x0000FF},     {"GREEN", 0x008000},    {"BLUE", 0xFF0000},
                {"CYAN", 0xFFFF00},  {"MAGENTA", 0xFF00FF}, {"BURGUNDY", 0x800080}, {"WHITE", 0xFFFFFF}};

int32_t Truncated(double v) {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483647.0) return 0x7FFFFFFF;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Drawing reaches no further than this from the origin, whatever the context: beyond it a wide
// pen or a large dot would cost time in proportion to its reach.
constexpr double kFarPixels = 1 << 20;

struct stBounds {
    double left, top, right, bottom;
};

// Where drawing into the context can show, widened by what a pen or dot reaches beyond its
// points; nothing when the context shows nothing.
bool DrawBounds(HDC dc, int margin, stBounds* b) {
    RECT clip{};
    const int kind = GetClipBox(dc, &clip);
    if (kind == NULLREGION) return false;
    *b = kind == ERROR ? stBounds{-kFarPixels, -kFarPixels, kFarPixels, kFarPixels}
                       : stBounds{std::max<double>(clip.left, -kFarPixels), std::max<double>(clip.top, -kFarPixels),
                                  std::min<double>(clip.right, kFarPixels), std::min<double>(clip.bottom, kFarPixels)};
    b->left -= margin;
    b->top -= margin;
    b->right += margin;
    b->bottom += margin;
    return b->left <= b->right && b->top <= b->bottom;
}

enum : unsigned { kLeftOfBounds = 1, kRightOfBounds = 2, kAboveBounds = 4, kBelowBounds = 8 };

unsigned OutCode(const stBounds& b, double x, double y) {
    return (x < b.left ? kLeftOfBounds : x > b.right ? kRightOfBounds : 0u) |
           (y < b.top ? kAboveBounds : y > b.bottom ? kBelowBounds : 0u);
}

// The part of the segment inside the bounds (moved point by point onto the edges it crosses);
// false when none is.
bool ClipSegment(const stBounds& b, double* x1, double* y1, double* x2, double* y2) {
    for (int round = 0; round < 8; ++round) {
        if (!std::isfinite(*x1) || !std::isfinite(*y1) || !std::isfinite(*x2) || !std::isfinite(*y2)) return false;
        const unsigned c1 = OutCode(b, *x1, *y1), c2 = OutCode(b, *x2, *y2);
        if (!(c1 | c2)) return true;
        if (c1 & c2) return false;
        const unsigned c = c1 ? c1 : c2;
        double* x = c1 ? x1 : x2;
        double* y = c1 ? y1 : y2;
        const double dx = *x2 - *x1, dy = *y2 - *y1;
        if (c & kAboveBounds) {
            *x = *x1 + dx * ((b.top - *y1) / dy);
            *y = b.top;
        } else if (c & kBelowBounds) {
            *x = *x1 + dx * ((b.bottom - *y1) / dy);
            *y = b.bottom;
        } else if (c & kLeftOfBounds) {
            *y = *y1 + dy * ((b.left - *x1) / dx);
            *x = b.left;
        } else {
            *y = *y1 + dy * ((b.right - *x1) / dx);
            *x = b.right;
        }
    }
    return false;
}

int32_t Inside(double v, double lo, double hi) { return static_cast<int32_t>(std::min(std::max(v, lo), hi)); }

// A width or dot size that drawing can take.
int32_t DrawablePixels(int32_t pixels) {
    const int32_t magnitude = pixels == INT32_MIN ? kMaxItemPixels : std::abs(pixels);
    return std::min(magnitude, kMaxItemPixels);
}

// The plot less one pixel at its top and bottom.
void ClipToPlot(HDC dc, const tagGS* gs) {
    const RECT& p = gs->plotRect;
    IntersectClipRect(dc, p.left, p.top + 1, p.right, p.bottom - 1);
}

}  // namespace

double HorizontalUnitSize(const tagGS* gs) {
    switch (gs ? gs->hUnitKind : 0) {
    case kHUnitTime:
    case kHUnitClock: return 1000.0;
    case kHUnitFrequency: return 0.001;
    default: return 1.0;
    }
}

stItemMapping ItemMappingOf(const tagGS* gs) {
    const uint32_t h = gs->xyXChan < kMaxChannels ? gs->xyXChan : 0;
    const uint32_t s = gs->selectedChan < kMaxChannels ? gs->selectedChan : 0;
    const int32_t width = gs->plotRect.right - gs->plotRect.left;
    stItemMapping m{gs->chanPixelMap[kMapXScale][h], gs->chanPixelMap[kMapXZero][h],
                    gs->chanPixelMap[kMapYScale][s], gs->chanPixelMap[kMapYZero][s], width};
    if (gs->displayMode == kModeXY) return m;
    // The time axis, as the waveforms are drawn against it.
    const double visible = gs->hPerDiv * gs->hDivisions, unit = HorizontalUnitSize(gs);
    const bool overlap = gs->markerManager && IsSegmentViewOn(const_cast<tagGS*>(gs));
    const double origin = gs->hStart + (overlap ? gs->segmentTimeOffset : 0.0);
    m.xScale = visible > 0.0 && std::isfinite(visible) ? width / visible * unit : 0.0;
    m.xZero = gs->plotRect.left;
    m.xOrigin = origin / unit;
    return m;
}

void ItemPoint(const stItemMapping& m, double x, double y, int pageShift, double factor1, double factor2, double* px,
               double* py) {
    *px = (x - m.xOrigin) * m.xScale * factor1 * factor2 + m.xZero - static_cast<double>(pageShift) * m.plotWidth;
    *py = m.yZero - y * m.yScale;
}

POINT ItemPixel(const stItemMapping& m, double x, double y, int pageShift, double factor1, double factor2) {
    double px = 0, py = 0;
    ItemPoint(m, x, y, pageShift, factor1, factor2, &px, &py);
    return POINT{Truncated(px), Truncated(py)};
}

int DotRadius(int32_t size, double dpiScale) { return Truncated(std::floor(size * dpiScale / 2.0 + 0.5)); }

int32_t ItemPixelsOf(double pixels) {
    if (std::isnan(pixels)) return 0;
    return static_cast<int32_t>(std::min<double>(std::max<double>(pixels, -kMaxItemPixels), kMaxItemPixels));
}

bool ItemValuesSound(const CGraphItem& item) {
    const int32_t width = item.pen.lopnWidth.x;
    if (width < -kMaxItemPixels || width > kMaxItemPixels) return false;
    if (const auto* line = dynamic_cast<const CGraphLine*>(&item))
        return std::isfinite(line->x1) && std::isfinite(line->y1) && std::isfinite(line->x2) && std::isfinite(line->y2);
    if (const auto* dot = dynamic_cast<const CGraphPoint*>(&item)) return std::isfinite(dot->x) && std::isfinite(dot->y);
    return false;
}

double DpiScaleOf(int targetDpi, int screenDpi) {
    return targetDpi > 0 && screenDpi > 0 ? static_cast<double>(targetDpi) / screenDpi : 1.0;
}

COLORREF ItemColourOf(const char* name) {
    for (const auto& c : kColours)
        if (name && lstrcmpiA(name, c.name) == 0) return c.colour;
    return 0x000000;
}

// ---- Items ----

int CGraphItem::SaveHead(CByteWriter& out, char kind) {
    out.Write(&kind, 1);
    out.I32(pen.lopnWidth.x);
    return out.U32(pen.lopnColor) ? 1 : 0;
}

int CGraphItem::LoadHead(CByteReader& in, CGraphItemList* owner) {
    int32_t width = 0;
    uint32_t colour = 0;
    if (!in.I32(&width) || !in.U32(&colour)) return 0;
    pen = LOGPEN{PS_SOLID, {width, 0}, colour};
    list = owner;
    return 1;
}

// Only the part of the line that can show is drawn, so that its width costs no more than the
// context's size, however far its ends lie.
void CGraphLine::Draw(HDC dc, int pageShift, double factor1, double factor2) {
    if (!list) return;
    const stItemMapping m = ItemMappingOf(list->graph);
    double ax = 0, ay = 0, bx = 0, by = 0;
    ItemPoint(m, x1, y1, pageShift, factor1, factor2, &ax, &ay);
    ItemPoint(m, x2, y2, pageShift, factor1, factor2, &bx, &by);
    LOGPEN drawn = pen;
    drawn.lopnWidth.x = DrawablePixels(pen.lopnWidth.x);
    stBounds bounds{};
    if (!DrawBounds(dc, drawn.lopnWidth.x + 2, &bounds) || !ClipSegment(bounds, &ax, &ay, &bx, &by)) return;
    HPEN p = CreatePenIndirect(&drawn);
    if (!p) return;
    HGDIOBJ old = SelectObject(dc, p);
    MoveToEx(dc, Inside(ax, bounds.left, bounds.right), Inside(ay, bounds.top, bounds.bottom), nullptr);
    LineTo(dc, Inside(bx, bounds.left, bounds.right), Inside(by, bounds.top, bounds.bottom));
    SelectObject(dc, old);
    DeleteObject(p);
}

int CGraphLine::Save(CByteWriter& out) {
    SaveHead(out, 'L');
    for (double v : {x1, y1, x2, y2}) out.F64(v);
    return out.Ok() ? 1 : 0;
}

int CGraphLine::Load(CByteReader& in, CGraphItemList* owner) {
    return LoadHead(in, owner) && in.F64(&x1) && in.F64(&y1) && in.F64(&x2) && in.F64(&y2) ? 1 : 0;
}

// A dot wholly outside what can show is not drawn.
void CGraphPoint::Draw(HDC dc, int pageShift, double factor1, double factor2) {
    if (!list) return;
    double cx = 0, cy = 0;
    ItemPoint(ItemMappingOf(list->graph), x, y, pageShift, factor1, factor2, &cx, &cy);
    const int r = std::abs(DotRadius(DrawablePixels(pen.lopnWidth.x), list->dpiScale));
    stBounds bounds{};
    if (!std::isfinite(cx) || !std::isfinite(cy) || !DrawBounds(dc, r + 1, &bounds) || OutCode(bounds, cx, cy)) return;
    const int32_t px = static_cast<int32_t>(cx), py = static_cast<int32_t>(cy);
    HPEN p = CreatePen(static_cast<int>(pen.lopnStyle), 1, pen.lopnColor);
    HBRUSH brush = CreateSolidBrush(pen.lopnColor);
    if (p && brush) {
        CSavedDC saved(dc);
        SelectObject(dc, p);
        SelectObject(dc, brush);
        Ellipse(dc, px - r, py + r, px + r, py - r);
    }
    if (p) DeleteObject(p);
    if (brush) DeleteObject(brush);
}

int CGraphPoint::Save(CByteWriter& out) {
    SaveHead(out, 'D');
    out.F64(x);
    out.F64(y);
    return out.Ok() ? 1 : 0;
}

int CGraphPoint::Load(CByteReader& in, CGraphItemList* owner) {
    return LoadHead(in, owner) && in.F64(&x) && in.F64(&y) ? 1 : 0;
}

// ---- The list ----

CGraphItemList::CGraphItemList(tagGS* owner) : graph(owner) {}

CGraphItemList::~CGraphItemList() { DestroyStandardCurveDialog(this); }

int CGraphItemList::AddLine(int32_t width, const char* colour, double x1, double y1, double x2, double y2) {
    auto* line = new (std::nothrow) CGraphLine;
    if (!line) return 0;
    line->pen = LOGPEN{PS_SOLID, {ItemPixelsOf(width), 0}, ItemColourOf(colour)};
    line->x1 = x1;
    line->y1 = y1;
    line->x2 = x2;
    line->y2 = y2;
    return AddItem(line);
}

int CGraphItemList::AddPoint(int32_t size, const char* colour, double x, double y) {
    return AddPoint(size, ItemColourOf(colour), x, y);
}

int CGraphItemList::AddPoint(int32_t size, COLORREF colour, double x, double y) {
    auto* point = new (std::nothrow) CGraphPoint;
    if (!point) return 0;
    point->pen = LOGPEN{PS_SOLID, {ItemPixelsOf(size), 0}, colour};
    point->x = x;
    point->y = y;
    return AddItem(point);
}

int CGraphItemList::AddItem(CGraphItem* item) {
    if (!item) return 0;
    std::unique_ptr<CGraphItem> owned(item);
    // An item no drawing can take would be damage in the file it is saved to.
    if (items.size() >= 0x7FFFFFFF || !ItemValuesSound(*item)) return 0;
    try {
        items.push_back(std::move(owned));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    item->list = this;
    if (shown) DrawNew(item);
    if (graph) setDirtyGraphFlag(graph, 1);
    return 1;
}

void CGraphItemList::RemoveItem(int index) {
    if (index < 0 || index >= Count()) return;
    items.erase(items.begin() + index);
}

void CGraphItemList::Clear() { items.clear(); }

void CGraphItemList::DrawNew(CGraphItem* item) {
    if (!graph || !graph->hwnd) return;
    HDC dc = GetDC(graph->hwnd);
    if (!dc) return;
    {
        CSavedDC saved(dc);
        ClipToPlot(dc, graph);
        item->Draw(dc, 0, 1.0, 1.0);
    }
    ReleaseDC(graph->hwnd, dc);
}

void CGraphItemList::Draw(HDC dc) {
    if (!dc || !graph) return;
    CSavedDC saved(dc);
    ClipToPlot(dc, graph);
    DrawItems(dc, 0, 1.0, 1.0);
}

void CGraphItemList::DrawItems(HDC dc, int pageShift, double factor1, double factor2) {
    if (items.empty() || !shown || !dc) return;
    int screenDpi = 0;
    if (HDC screen = GetDC(graph ? graph->hwnd : nullptr)) {
        screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(graph ? graph->hwnd : nullptr, screen);
    }
    dpiScale = DpiScaleOf(GetDeviceCaps(dc, LOGPIXELSX), screenDpi);
    for (auto& item : items) item->Draw(dc, pageShift, factor1, factor2);
    dpiScale = 1.0;
}

int CGraphItemList::Save(CByteWriter& out) {
    out.U32(acqfile::kGraphItemsTag);
    out.U32(shown);
    out.I32(static_cast<int32_t>(items.size()) - 1);
    for (auto& item : items)
        if (!item->Save(out)) return 0;
    return out.Ok() ? 1 : 0;
}

namespace {

// The graph-item block at the reader's position into `items` (owned by `owner`). Items are read
// until one of an unknown kind or the end, and the reader stands after the last whole item;
// fewer items than the block names: the rest was damaged and is left out (kBlockCut). An item
// whose values no drawing can take (a width beyond kMaxItemPixels, a coordinate that is no
// number) is left out alone (kBlockPartly).
int ParseItems(CByteReader& in, CGraphItemList* owner, uint32_t* shown, std::vector<std::unique_ptr<CGraphItem>>* items) {
    const uint64_t start = in.Tell();
    uint32_t tag = 0;
    int32_t last = 0;
    if (!in.U32(&tag) || tag != acqfile::kGraphItemsTag) {
        in.Seek(start);
        return kBlockAbsent;
    }
    if (!in.U32(shown) || !in.I32(&last) || last < -1) {
        in.Seek(start);
        return kBlockDamaged;
    }
    bool partly = false;
    for (int32_t i = 0; i <= last; ++i) {
        const uint64_t at = in.Tell();
        uint8_t kind = 0;
        if (!in.U8(&kind)) return kBlockCut;
        std::unique_ptr<CGraphItem> item;
        if (kind == 'L') item.reset(new (std::nothrow) CGraphLine);
        else if (kind == 'D') item.reset(new (std::nothrow) CGraphPoint);
        if (!item || !item->Load(in, owner)) {
            in.Seek(at);
            return kBlockCut;
        }
        if (!ItemValuesSound(*item)) {
            partly = true;
            continue;
        }
        try {
            items->push_back(std::move(item));
        } catch (const std::bad_alloc&) {
            in.Seek(at);
            return kBlockCut;
        }
    }
    return partly ? kBlockPartly : kBlockRead;
}

}  // namespace

int CGraphItemList::Load(CByteReader& in) {
    uint32_t flag = 0;
    std::vector<std::unique_ptr<CGraphItem>> read;
    const int result = ParseItems(in, this, &flag, &read);
    if (result == kBlockAbsent || result == kBlockDamaged) return result;
    shown = flag;
    items.swap(read);
    return result;
}

int GraphItemsCheck(CByteReader& in) {
    uint32_t flag = 0;
    std::vector<std::unique_ptr<CGraphItem>> read;
    return ParseItems(in, nullptr, &flag, &read);
}

// ---- What the document and the file module call ----

CGraphItemList* NewGraphItemList(tagGS* owner) { return new (std::nothrow) CGraphItemList(owner); }

void DeleteGraphItemList(CGraphItemList* list, int flags) {
    if (!list) return;
    if (flags & 1) delete list;
}

int GraphItemsLoad(tagGS* gs, CByteReader& in) {
    if (!gs->graphItems) gs->graphItems = NewGraphItemList(gs);
    if (!gs->graphItems) {
        const uint64_t start = in.Tell();
        uint32_t tag = 0;
        const bool present = in.U32(&tag) && tag == acqfile::kGraphItemsTag;
        in.Seek(start);
        return present ? kBlockDamaged : kBlockAbsent;
    }
    return gs->graphItems->Load(in);
}

int GraphItemsSave(tagGS* gs, CByteWriter& out) {
    if (gs->graphItems) return gs->graphItems->Save(out);
    out.U32(acqfile::kGraphItemsTag);
    out.U32(1);
    out.I32(-1);
    return out.Ok() ? 1 : 0;
}

void ClearGraphItems(tagGS* gs) {
    if (CGraphItemList* list = gs->graphItems) {
        list->Clear();
        list->shown = 1;
    }
}

void DrawGraphItemsScaled(tagGS* gs, HDC dc, int pageShift, double factor1, double factor2) {
    if (gs && gs->graphItems) gs->graphItems->DrawItems(dc, pageShift, factor1, factor2);
}

int ScriptPlotLine(tagGS* gs, int32_t width, const char* colour, double x1, double y1, double x2, double y2) {
    return gs && gs->graphItems ? gs->graphItems->AddLine(width, colour, x1, y1, x2, y2) : 0;
}

int ScriptPlotDot(tagGS* gs, int32_t size, const char* colour, double x, double y) {
    return gs && gs->graphItems ? gs->graphItems->AddPoint(size, colour, x, y) : 0;
}

// ---- Standard-curve settings ----

void* CopyDefaultCurveSettings() {
    auto* s = static_cast<stCurveSettings*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stCurveSettings)));
    if (s) *s = g_defaultCurveSettings;
    return s;
}

void FreeCurveSettings(void* settings) {
    if (settings) HeapFree(GetProcessHeap(), 0, settings);
}

void CurveSettingsToBytes(const tagGS* gs, uint8_t out[28]) {
    std::memset(out, 0, 28);
    const auto* s = static_cast<const stCurveSettings*>(gs->curveSettings);
    if (!s) return;
    PutLeF64(out, s->from);
    PutLeF64(out + 8, s->to);
    PutLeU32(out + 16, static_cast<uint32_t>(s->samples));
    PutLeU32(out + 20, s->dotColour);
    PutLeU32(out + 24, static_cast<uint32_t>(s->dotSize));
}

void CurveSettingsFromBytes(tagGS* gs, const uint8_t in[28]) {
    bool zero = true;
    for (int i = 0; i < 28; ++i) zero = zero && in[i] == 0;
    if (zero) return;
    if (!gs->curveSettings) gs->curveSettings = CopyDefaultCurveSettings();
    auto* s = static_cast<stCurveSettings*>(gs->curveSettings);
    if (!s) return;
    s->from = GetLeF64(in);
    s->to = GetLeF64(in + 8);
    s->samples = GetLeI32(in + 16);
    s->dotColour = GetLeU32(in + 20);
    s->dotSize = GetLeI32(in + 24);
}
