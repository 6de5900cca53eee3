// Picture export of a graph: the same layout as the window (time axis, channel scales, markers,
// grid and waveforms) drawn into a Windows metafile or a clipboard enhanced metafile, and the
// packed device-independent bitmap of a bitmap.
#include "graph/render/printing.h"
#include <algorithm>
#include <cstring>
#include <vector>
#include "base/app.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "documents/markers/markers.h"
#include "graph/document/graph_doc.h"
#include "graph/render/grid_lines.h"
#include "graph/render/render_api.h"
#include "graph/render/waveforms.h"
#include "graph/view/axes.h"
#include "graph/view/axis_units.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"

namespace {

constexpr int kColourOwn = 4;        // plot colour mode: each channel's own colour
constexpr int kColourPen = 0;        // plot colour mode: the context's (black) pen
constexpr size_t kPrintedLabelMax = 43;

// Text line height of the picture's labels (the screen's, as the window lays itself out).
int32_t LineHeight() { return g_app && g_app->fonts.cyText > 0 ? g_app->fonts.cyText : 16; }

// Keeps the toolbar brush white while a picture draws, so strips print on white.
class CWhiteStrips {
public:
    CWhiteStrips() : m_saved(g_app ? g_app->brushes.hbrToolbar : nullptr) {
        if (g_app) g_app->brushes.hbrToolbar = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
    ~CWhiteStrips() {
        if (g_app) g_app->brushes.hbrToolbar = m_saved;
    }
    CWhiteStrips(const CWhiteStrips&) = delete;
    CWhiteStrips& operator=(const CWhiteStrips&) = delete;

private:
    HBRUSH m_saved;
};

// Whether the picture gets a row of marker labels above the plot.
bool HasMarkerRows(const tagGS* gs) {
    return gs->displayMode == kModeXY || (gs->markerBarShown && gs->markers && gs->markers->first);
}

// The markers of the visible span with their columns and label texts.
struct stPlacedMarker {
    const stMarkerNode* node;
    int32_t x;
    int32_t labelRight;
    int32_t row;
    char text[kPrintedLabelMax + 2];
};

// The time the plot's width shows in the window.
double ViewSpan(const tagGS* gs) { return gs->hPerDiv * gs->hDivisions; }

// Markers inside the span from hStart, their columns, labels and label rows; the rows used
// come back.
int32_t CollectMarkers(HDC dc, tagGS* gs, double span, std::vector<stPlacedMarker>* out) {
    out->clear();
    if (!gs->markers || gs->sampleInterval <= 0.0) return 0;
    if (!(span > 0.0)) return 0;
    const double first = static_cast<double>(static_cast<int64_t>(gs->hStart / gs->sampleInterval));
    const double last = first + static_cast<double>(static_cast<int64_t>(span / gs->sampleInterval));
    const int32_t plotWidth = gs->plotRect.right - gs->plotRect.left;
    std::vector<int32_t> lefts, rights;
    for (const stMarkerNode* node = gs->markers->first; node; node = node->next) {
        double pos = node->position;
        if (pos < first || pos > last) continue;
        stPlacedMarker m{};
        m.node = node;
        m.x = static_cast<int32_t>((pos - first) * plotWidth / span * gs->sampleInterval) + gs->plotRect.left;
        char label[kMarkerLabelMax + 64] = "";
        if (gs->markerManager) BuildMarkerLabelText(gs->markerManager, node, label, sizeof label);
        size_t n = std::min(std::strlen(label), kPrintedLabelMax);
        std::memcpy(m.text, label, n);
        m.text[n] = ' ';
        m.text[n + 1] = 0;
        SIZE size{};
        GetTextExtentPoint32A(dc, m.text, static_cast<int>(n + 1), &size);
        lefts.push_back(m.x);
        rights.push_back(m.x + size.cx);
        out->push_back(m);
    }
    std::vector<int32_t> rows(out->size());
    int32_t used = PlaceMarkerLabelRows(lefts.data(), rights.data(), static_cast<int32_t>(out->size()), rows.data());
    for (size_t i = 0; i < out->size(); ++i) (*out)[i].row = rows[i];
    return used;
}

// Room above the plot the marker labels take: their rows plus the triangle's height.
int32_t MarkerRoom(HDC dc, tagGS* gs, double span) {
    std::vector<stPlacedMarker> markers;
    HGDIOBJ old = g_app && g_app->fonts.hfontText ? SelectObject(dc, g_app->fonts.hfontText) : nullptr;
    int32_t rows = gs->displayMode == kModeXY ? 0 : CollectMarkers(dc, gs, span, &markers);
    if (old) SelectObject(dc, old);
    return std::max<int32_t>(LineHeight() * 3 / 2, rows * LineHeight() + LineHeight() / 2);
}

// The markers of the view: a triangle at the plot's top with the label on its row above, a
// segment marker as the marker manager draws it (lines 0), or the dotted lines down to the
// plot's bottom, drawn over the plot (lines 1).
void DrawPictureMarkers(HDC dc, tagGS* gs, int lines, double span) {
    std::vector<stPlacedMarker> markers;
    HGDIOBJ oldFont = g_app && g_app->fonts.hfontText ? SelectObject(dc, g_app->fonts.hfontText) : nullptr;
    CollectMarkers(dc, gs, span, &markers);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    const int32_t half = std::max<int32_t>(1, tm.tmAveCharWidth / 2), tri = std::max<int32_t>(2, LineHeight() / 2);
    const int32_t top = gs->plotRect.top;
    SetTextColor(dc, RGB(0, 0, 0));
    HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    for (const stPlacedMarker& m : markers) {
        if (!lines && IsEventMarker(m.node)) {
            POINT p[3] = {{m.x - half, top - tri}, {m.x + half, top - tri}, {m.x, top}};
            Polygon(dc, p, 3);
            if (MarkerType(m.node) == kMarkerPlaced) Rectangle(dc, m.x - half, top - tri - 3, m.x + half + 1, top - tri);
            int32_t y = top - tri - (m.row + 1) * LineHeight();
            RECT clip{m.x + half + 1, y, gs->plotRect.right, y + LineHeight()};
            ExtTextOutA(dc, clip.left, y, ETO_CLIPPED, &clip, m.text, static_cast<UINT>(std::strlen(m.text)), nullptr);
        } else if (!lines && MarkerType(m.node) == kMarkerAppend) {
            DrawMarkerWithLabel(gs->markerManager, dc, m.text, m.x, half, tri / 2, 0, m.row);
        }
        if (!lines) continue;
        if (dotted) SelectObject(dc, dotted);
        MoveToEx(dc, m.x, top, nullptr);
        LineTo(dc, m.x, gs->plotRect.bottom);
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    if (dotted) DeleteObject(dotted);
    if (oldFont) SelectObject(dc, oldFont);
}

// Grids and waveforms of Scope and Chart modes in black on white: every shown channel with the
// context's pen, each clipped to its band in Chart mode.
void DrawPlotInBlack(HDC dc, tagGS* gs) {
    const RECT plot = gs->plotRect;
    FillRect(dc, &plot, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const double span = gs->hPerDiv * gs->hDivisions;
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!ViewSlotShown(gs, slot)) continue;
        if (gs->displayMode == kModeChart || static_cast<uint32_t>(slot) == gs->selectedChan)
            DrawChannelGrid(dc, gs, slot, 0, 0, 1, 1);
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!ViewSlotShown(gs, slot)) continue;
        double end = gs->chanCount[slot] * gs->sampleInterval - gs->hStart;
        double length = std::min(span + gs->sampleInterval, end);
        if (length <= 0.0) continue;
        int saved = SaveDC(dc);
        if (gs->displayMode == kModeChart) {
            const RECT band = gs->chanBandRects[slot];
            IntersectClipRect(dc, band.left, band.top, band.right, band.bottom);
        }
        DrawGraphWaveforms(dc, gs, static_cast<int16_t>(slot), gs->hStart, length, kColourPen, 1, 1, 0, 0);
        RestoreDC(dc, saved);
    }
    DrawGraphItemsScaled(gs, dc, 0, 1.0, 1.0);
}

// The axis's unit name centred under its labels: the time unit, or the X channel's units.
void DrawStripUnits(HDC dc, tagGS* gs) {
    if (!IsHScaleShown(gs) || !g_app) return;
    char name[kUnitNameLen] = "";
    if (gs->displayMode == kModeXY) {
        if (gs->xyXChan < static_cast<uint32_t>(kMaxChannels))
            lstrcpynA(name, gs->chanUnits[gs->xyXChan], static_cast<int>(std::min(sizeof name, sizeof gs->chanUnits[0])));
    } else {
        double size = 1.0;
        if (!ChooseTimeUnits(gs, gs->hPerDiv, name, gs->hUnitKind, &size, 0)) name[0] = 0;
    }
    const int len = static_cast<int>(std::strlen(name));
    if (!len) return;
    const int saved = SaveDC(dc);
    if (g_app->fonts.hfontAxis) SelectObject(dc, g_app->fonts.hfontAxis);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    const RECT& axis = gs->hAxisRect;
    TextOutA(dc, (gs->plotRect.left + gs->plotRect.right) / 2, axis.bottom, name, len);
    RestoreDC(dc, saved);
}

// The whole picture of the graph into dc, whose window origin is already set.
void DrawGraphPicture(HDC dc, tagGS* gs, int colour) {
    int saved = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DrawTimeAxis(dc, gs);
    DrawStripUnits(dc, gs);
    SetScaleLabelsInColour(colour);
    DrawChannelScales(dc, gs);
    SetScaleLabelsInColour(0);
    if (gs->displayMode == kModeXY) DrawXLabelBox(dc, gs);
    else if (gs->markerBarShown) DrawPictureMarkers(dc, gs, 0, ViewSpan(gs));
    const RECT plot = gs->plotRect;
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plot.left - 1, plot.top - 1, plot.right + 1, plot.bottom + 1);
    IntersectClipRect(dc, plot.left, plot.top, plot.right, plot.bottom);
    if (gs->displayMode == kModeXY) {
        PaintPlotArea(dc, gs);
    } else if (colour) {
        DrawVisibleRange(dc, gs->hStart, gs->hPerDiv * gs->hDivisions, gs, &plot);
        DrawGraphItemsScaled(gs, dc, 0, 1.0, 1.0);
    } else {
        DrawPlotInBlack(dc, gs);
    }
    if (gs->displayMode != kModeXY && gs->markerBarShown) DrawPictureMarkers(dc, gs, 1, ViewSpan(gs));
    RestoreDC(dc, saved);
}

// Picture rectangle of the graph: the client less the scroll bars and the journal pane, from
// the plot's top down, with room for the marker labels above it.
RECT PictureRect(tagGS* gs, int32_t room) {
    RECT client{};
    GetClientRect(gs->hwnd, &client);
    int32_t width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    int32_t height = client.bottom - gs->plotRect.top - GetSystemMetrics(SM_CYHSCROLL) + room;
    if (gs->journalWnd && gs->journalShown) height -= gs->journalHeight;
    return RECT{0, 0, std::max<int32_t>(width, 1), std::max<int32_t>(height, 1)};
}

// The view fields a picture narrowed to the selection changes, put back when it goes.
class CNarrowedView {
public:
    explicit CNarrowedView(tagGS* gs) : m_gs(gs) {}
    ~CNarrowedView() { Restore(); }
    CNarrowedView(const CNarrowedView&) = delete;
    CNarrowedView& operator=(const CNarrowedView&) = delete;
    // Narrows the view to the selected columns when there are any; 1 when it did.
    int Narrow() {
        tagGS* gs = m_gs;
        const int32_t plotWidth = gs->plotRect.right - gs->plotRect.left;
        const int32_t selWidth = gs->selX2 - gs->selX1;
        if (gs->selStart == gs->selEnd || selWidth <= 0 || selWidth >= plotWidth) return 0;
        m_hStart = gs->hStart;
        m_hDivisions = gs->hDivisions;
        m_plot = gs->plotRect;
        m_narrowed = true;
        gs->hStart = std::min(gs->selStart, gs->selEnd);
        gs->plotRect.right -= plotWidth - selWidth;
        ComputeChannelRects(gs, 1);
        const int32_t axisHeight = gs->hAxisRect.bottom - gs->hAxisRect.top;
        const int32_t axisTop = gs->hAxisRect.top;
        gs->hAxisRect = RECT{gs->plotRect.left, axisTop - 1, gs->plotRect.right, gs->plotRect.bottom + axisHeight - 1};
        // Same pixels per division as in the window.
        gs->hDivisions = m_hDivisions * selWidth / plotWidth;
        return 1;
    }
    void Restore() {
        if (!m_narrowed) return;
        m_narrowed = false;
        m_gs->hStart = m_hStart;
        m_gs->hDivisions = m_hDivisions;
        m_gs->plotRect = m_plot;
        ComputeChannelRects(m_gs, 1);
    }

private:
    tagGS* m_gs;
    bool m_narrowed = false;
    double m_hStart = 0.0, m_hDivisions = 0.0;
    RECT m_plot{};
};

// Whether a printed strip keeps room above its plot: the graph has markers, or is in XY mode.
bool PrintsMarkerRows(const tagGS* gs) {
    return gs->displayMode == kModeXY || (gs->markers && gs->markers->first);
}

// The whole horizontal range the printout spreads over its strips: the visible span, or in XY
// mode the horizontal channel's full scale.
double PrintedSpan(const tagGS* gs) {
    if (gs->displayMode != kModeXY) return ViewSpan(gs);
    const uint32_t x = gs->xyXChan;
    if (x >= static_cast<uint32_t>(kMaxChannels)) return 0.0;
    return gs->chanVPerDiv[x] * gs->chanVDivisions[x];
}

// Lays the graph out for a printed plot rectangle: the channel strips and the pixel maps.
void LayOutForPlot(tagGS* gs, const RECT& plot) {
    gs->plotRect = plot;
    ComputeChannelRects(gs, 1);
    // The axis strip ends with the plot; the window's tool buttons are not on paper.
    gs->hAxisRect.right = plot.right;
    ComputeChannelTransforms(gs);
}

// The time axis of one strip: the axis routine sees the strip's share of the view (in XY mode
// the strip's share of the horizontal channel's range), and the view is put back after.
void DrawStripAxis(HDC dc, tagGS* gs, int32_t stripIndex, int32_t shares) {
    if (gs->displayMode == kModeXY) {
        const uint32_t x = gs->xyXChan;
        if (x >= static_cast<uint32_t>(kMaxChannels)) return;
        const double center = gs->chanVCenter[x], divisions = gs->chanVDivisions[x];
        const double full = gs->chanVPerDiv[x] * divisions, share = full / shares;
        gs->chanVCenter[x] = center - full / 2 + (stripIndex + 0.5) * share;
        gs->chanVDivisions[x] = divisions / shares;
        DrawTimeAxis(dc, gs);
        gs->chanVCenter[x] = center;
        gs->chanVDivisions[x] = divisions;
        return;
    }
    const double divisions = gs->hDivisions;
    gs->hDivisions = divisions / shares;
    DrawTimeAxis(dc, gs);
    gs->hDivisions = divisions;
}

// Grids, waveforms and graph items of one printed strip, inside the clipped plot.
void DrawPrintedPlot(HDC dc, tagGS* gs, int32_t page, int32_t strip, int32_t n, int32_t m, double stripSpan,
                     int colour) {
    const int16_t mode = static_cast<int16_t>(colour ? kColourOwn : kColourPen);
    if (gs->displayMode == kModeXY) {
        if (gs->selectedChan >= static_cast<uint32_t>(kMaxChannels) || gs->xyXChan >= static_cast<uint32_t>(kMaxChannels))
            return;
        DrawChannelGrid(dc, gs, static_cast<int>(gs->selectedChan), page, strip, m, n);
        int32_t first = 0, last = -1;
        if (gs->selStart != gs->selEnd && gs->sampleInterval > 0.0) {
            first = static_cast<int32_t>(std::min(gs->selStart, gs->selEnd) / gs->sampleInterval);
            last = static_cast<int32_t>(std::max(gs->selStart, gs->selEnd) / gs->sampleInterval);
        }
        DrawGraphWaveforms2(dc, gs, first, last, kColourPen, page * n + strip, m, n);
        DrawGraphItemsScaled(gs, dc, page * n + strip, m, n);
        return;
    }
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!ViewSlotShown(gs, slot)) continue;
        if (gs->displayMode == kModeChart || static_cast<uint32_t>(slot) == gs->selectedChan)
            DrawChannelGrid(dc, gs, slot, page, strip, m, n);
    }
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!ViewSlotShown(gs, slot)) continue;
        const double length = std::min(stripSpan + gs->sampleInterval, gs->chanCount[slot] * gs->sampleInterval - gs->hStart);
        if (!(length > 0.0)) continue;
        int saved = SaveDC(dc);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        if (gs->displayMode == kModeChart) {
            const RECT band = gs->chanBandRects[slot];
            IntersectClipRect(dc, band.left, band.top, band.right, band.bottom);
        }
        DrawGraphWaveforms(dc, gs, static_cast<int16_t>(slot), gs->hStart, length, mode, m, n, 0, 0);
        RestoreDC(dc, saved);
    }
    // The strip starts at the view's start, so the items need no page shift.
    DrawGraphItemsScaled(gs, dc, 0, m, n);
}

// Whether printed waveforms come out in black (a printer of one colour bit).
int g_printBlack = 0;

}  // namespace

// Rows of marker labels: each label goes on the first row whose last label ends left of it, or
// else on the row whose last label ends furthest left; rows() gets the row of each, and the
// number of rows used comes back.
int32_t PlaceMarkerLabelRows(const int32_t* lefts, const int32_t* rights, int32_t count, int32_t* rows) {
    int32_t ends[kMaxMarkerRows];
    int32_t used = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t row = -1;
        for (int32_t r = 0; r < used && row < 0; ++r)
            if (ends[r] < lefts[i]) row = r;
        if (row < 0 && used < kMaxMarkerRows) row = used++;
        if (row < 0) {
            row = 0;
            for (int32_t r = 1; r < used; ++r)
                if (ends[r] < ends[row]) row = r;
        }
        ends[row] = rights[i];
        rows[i] = row;
    }
    return used;
}

// The graph into a Windows metafile on disk (or in memory for an empty path).
int DrawGraphToMetafile(tagGS* gs, int colour, const char* path, HMETAFILE* metafile, RECT* picture, int selectionOnly) {
    if (!gs || !gs->hwnd) return 0;
    HDC dc = CreateMetaFileA(path && *path ? path : nullptr);
    if (!dc) return 0;
    CWhiteStrips white;
    CNarrowedView view(gs);
    const int32_t plotWidth = gs->plotRect.right - gs->plotRect.left;
    const int narrowed = selectionOnly ? view.Narrow() : 0;
    HDC screen = GetDC(gs->hwnd);
    int32_t room = HasMarkerRows(gs) ? MarkerRoom(screen, gs, ViewSpan(gs)) : 0;
    ReleaseDC(gs->hwnd, screen);
    RECT r = PictureRect(gs, room);
    if (narrowed) r.right -= plotWidth - (gs->plotRect.right - gs->plotRect.left);
    if (picture) *picture = r;
    SetWindowExtEx(dc, r.right, r.bottom, nullptr);
    SetWindowOrgEx(dc, 0, gs->plotRect.top - room, nullptr);
    DrawGraphPicture(dc, gs, colour);
    HMETAFILE done = CloseMetaFile(dc);
    if (metafile) *metafile = done;
    else if (done) DeleteMetaFile(done);
    return done ? 1 : 0;
}

// The graph onto the clipboard as an enhanced metafile measured in the window's own pixels.
int CopyGraphToClipboard(tagGS* gs) {
    if (!gs || !gs->hwnd) return 1;
    if (!OpenClipboard(Owner())) return 1;
    if (EmptyClipboard()) {
        CWhiteStrips white;
        CNarrowedView view(gs);
        const int32_t plotWidth = gs->plotRect.right - gs->plotRect.left;
        const int narrowed = view.Narrow();
        HDC ref = GetDC(gs->hwnd);
        int32_t room = HasMarkerRows(gs) ? MarkerRoom(ref, gs, ViewSpan(gs)) : 0;
        RECT r = PictureRect(gs, room);
        if (narrowed) r.right -= plotWidth - (gs->plotRect.right - gs->plotRect.left);
        RECT frame{0, 0, MulDiv(r.right, GetDeviceCaps(ref, HORZSIZE) * 100, GetDeviceCaps(ref, HORZRES)),
                   MulDiv(r.bottom, GetDeviceCaps(ref, VERTSIZE) * 100, GetDeviceCaps(ref, VERTRES))};
        HDC dc = CreateEnhMetaFileA(ref, nullptr, &frame, nullptr);
        if (dc) {
            SetWindowOrgEx(dc, 0, gs->plotRect.top - room, nullptr);
            DrawGraphPicture(dc, gs, g_app && g_app->options.bClipboardColor ? 1 : 0);
            HENHMETAFILE done = CloseEnhMetaFile(dc);
            if (done && !SetClipboardData(CF_ENHMETAFILE, done)) DeleteEnhMetaFile(done);
        }
        ReleaseDC(gs->hwnd, ref);
    }
    CloseClipboard();
    return 1;
}

// Colour-table entries of a header: the used-colour count when given, else 2, 16 or 256 for
// 1, 4 or 8 bits per pixel, none above.
static DWORD ColourTableEntries(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed) return h.biClrUsed;
    return h.biBitCount <= 8 ? (DWORD{1} << h.biBitCount) : 0;
}

// The bitmap as a packed device-independent bitmap in a moveable block.
HGLOBAL BitmapToDIB(HBITMAP bitmap, DWORD compression, WORD bitsPerPixel, HPALETTE palette) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return nullptr;
    BITMAPINFOHEADER head{};
    head.biSize = sizeof head;
    head.biWidth = bm.bmWidth;
    head.biHeight = bm.bmHeight;
    head.biPlanes = 1;
    head.biBitCount = bitsPerPixel ? bitsPerPixel : static_cast<WORD>(bm.bmPlanes * bm.bmBitsPixel);
    head.biCompression = compression;
    if (!palette) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    HDC screen = GetDC(nullptr);
    HPALETTE oldPalette = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
    HGLOBAL block = nullptr;
    size_t tableBytes = ColourTableEntries(head) * sizeof(RGBQUAD);
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, head.biSize + tableBytes);
    bool ok = block != nullptr;
    if (ok) {
        auto* info = static_cast<BITMAPINFO*>(GlobalLock(block));
        info->bmiHeader = head;
        ok = GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), nullptr, info, DIB_RGB_COLORS) != 0;
        head = info->bmiHeader;
        GlobalUnlock(block);
    }
    if (ok && head.biSizeImage == 0) {
        head.biSizeImage = ((static_cast<DWORD>(head.biWidth) * head.biBitCount + 31) / 32) * 4 * bm.bmHeight;
        if (compression != BI_RGB) head.biSizeImage = head.biSizeImage * 3 / 2;
    }
    tableBytes = ColourTableEntries(head) * sizeof(RGBQUAD);
    if (ok) {
        HGLOBAL grown = GlobalReAlloc(block, head.biSize + tableBytes + head.biSizeImage, GMEM_MOVEABLE);
        ok = grown != nullptr;
        if (grown) block = grown;
    }
    if (ok) {
        auto* info = static_cast<BITMAPINFO*>(GlobalLock(block));
        info->bmiHeader = head;
        BYTE* bits = reinterpret_cast<BYTE*>(info) + head.biSize + tableBytes;
        ok = GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), bits, info, DIB_RGB_COLORS) != 0;
        GlobalUnlock(block);
    }
    SelectPalette(screen, oldPalette, FALSE);
    ReleaseDC(nullptr, screen);
    if (!ok && block) {
        GlobalFree(block);
        block = nullptr;
    }
    return block;
}

// ---- Printed pages ----

RECT PrintStripRect(const RECT& area, int32_t plotsPerPage, int32_t strip) {
    const int32_t n = ClampPrintOption(plotsPerPage);
    const int32_t height = (area.bottom - area.top) / n;
    return RECT{area.left, area.top + strip * height, area.right, area.top + (strip + 1) * height};
}

double PrintStripSpan(double span, int32_t plotsPerPage, int32_t pagesToFit) {
    return span / (static_cast<double>(ClampPrintOption(plotsPerPage)) * ClampPrintOption(pagesToFit));
}

RECT PrintPlotRect(const RECT& strip, int32_t labelRoom, int32_t cyVertical, int32_t cxScaleStrip, int32_t cyAxisLine) {
    RECT r = strip;
    InflateRect(&r, -1, -1);
    r.top += labelRoom;
    r.left += 1 + cyVertical;
    r.right -= cxScaleStrip;
    r.bottom -= 2 * cyAxisLine;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

int32_t ClampPrintOption(int32_t value) { return value < 1 ? 1 : value; }

void SetPrintBlack(int black) { g_printBlack = black ? 1 : 0; }

// Strip by strip down the page: the plot laid out in its strip, the markers or the XY title
// above it, its axis and scales, its frame, then the clipped grids and waveforms.
void PrintPageBody(HDC dc, tagGS* gs, int32_t page, RECT* area, int32_t plotsPerPage, int32_t pagesToFit) {
    if (!dc || !gs || !area || !g_app) return;
    const int32_t n = ClampPrintOption(plotsPerPage), m = ClampPrintOption(pagesToFit);
    const double stripSpan = PrintStripSpan(PrintedSpan(gs), n, m);
    const RECT pageArea = *area;
    const int32_t height = (pageArea.bottom - pageArea.top) / n;
    const int colour = g_printBlack ? 0 : 1;
    for (int32_t k = 0; k < n; ++k) {
        const RECT strip = PrintStripRect(pageArea, n, k);
        const int32_t baseRoom = PrintsMarkerRows(gs) ? LineHeight() * 3 / 2 : 0;
        LayOutForPlot(gs, PrintPlotRect(strip, baseRoom, g_app->fonts.cyVertical, g_app->strips.cxScaleStrip,
                                        g_app->strips.cyAxisLine));
        const bool markers = gs->displayMode != kModeXY && gs->markers && gs->markers->first;
        if (markers) {
            // The label rows need more room than the line and a half: the plot moves down.
            const int32_t room = MarkerRoom(dc, gs, stripSpan);
            if (room > baseRoom) {
                RECT plot = gs->plotRect;
                plot.top = std::min<int32_t>(plot.top + room - baseRoom, plot.bottom);
                LayOutForPlot(gs, plot);
            }
        }
        int saved = SaveDC(dc);
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        if (gs->displayMode == kModeXY) DrawXLabelBox(dc, gs);
        else if (markers) DrawPictureMarkers(dc, gs, 0, stripSpan);
        DrawStripAxis(dc, gs, page * n + k, n * m);
        DrawStripUnits(dc, gs);
        SetScaleLabelsInColour(colour);
        DrawChannelScales(dc, gs);
        SetScaleLabelsInColour(0);
        const RECT plot = gs->plotRect;
        SelectObject(dc, GetStockObject(BLACK_PEN));
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, plot.left - 1, plot.top - 1, plot.right + 1, plot.bottom + 1);
        IntersectClipRect(dc, plot.left, plot.top, plot.right, plot.bottom);
        DrawPrintedPlot(dc, gs, page, k, n, m, stripSpan, colour);
        if (markers) DrawPictureMarkers(dc, gs, 1, stripSpan);
        RestoreDC(dc, saved);
        area->top += height;
        if (gs->displayMode != kModeXY) gs->hStart += stripSpan;
    }
}
