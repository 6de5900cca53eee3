// The mouse in the marker bar: picking a marker in either row, placing a new one by dragging in
// the lower row, and the marker menu behind the SEARCH button.
#include "documents/markers/markers.h"
#include <cmath>
#include <cstdlib>
#include <string>
#include "base/app.h"
#include "base/notify.h"
#include "documents/documents_ids.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"

namespace {

constexpr int32_t kPickReach = 20;
constexpr size_t kMenuLabelShown = 45, kMenuLabelCut = 43;

// The marker being placed: its column (-1 when none), and whether its guide line is drawn.
struct stPlacing {
    int32_t x = -1;
    bool guide = false;
} g_placing;

double MsPerPixel(const tagGS* gs) {
    const int32_t width = gs->plotRect.right - gs->plotRect.left;
    const double ms = width > 0 ? gs->hPerDiv * gs->hDivisions / width : 0.0;
    return ms > 0.0 && std::isfinite(ms) ? ms : 0.0;
}
double Origin(const tagGS* gs) { return gs->hStart + (IsSegmentViewOn(const_cast<tagGS*>(gs)) ? gs->segmentTimeOffset : 0.0); }
double TimeAtX(const tagGS* gs, int32_t x) { return (x - gs->plotRect.left) * MsPerPixel(gs) + Origin(gs); }
int32_t XOfPosition(const tagGS* gs, uint32_t position) {
    const double ms = MsPerPixel(gs);
    return ms == 0.0 ? gs->plotRect.left
                     : static_cast<int32_t>(std::round((position * gs->sampleInterval - Origin(gs)) / ms + gs->plotRect.left));
}
uint32_t SampleOf(const tagGS* gs, double ms) {
    const double s = gs->sampleInterval > 0.0 ? ms / gs->sampleInterval : 0.0;
    return !(s > 0.0) ? 0u : s >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(s);
}

RECT UpperRow(const tagGS* gs) {
    return RECT{gs->plotRect.left - 4, gs->markerBarRect.top + 1, gs->plotRect.right + 4, gs->markerBarRect.top + 10};
}
RECT LowerRow(const tagGS* gs) {
    RECT r = UpperRow(gs);
    OffsetRect(&r, 0, (g_app ? g_app->fonts.cyText : 0) + 18);
    return r;
}

RECT DragImageRect(const tagGS* gs, int32_t x) {
    return RECT{x - 4, gs->markerBarRect.bottom - 9, x + 5, gs->markerBarRect.bottom};
}

void DrawDragImage(HDC dc, const tagGS* gs, int32_t x) {
    HBITMAP image = g_app ? LoadBitmapA(g_app->hInstance, "MARK_POST") : nullptr;
    if (!image) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, image);
    BitBlt(dc, x - 4, gs->markerBarRect.bottom - 9, 9, 9, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(image);
}

// The guide line is drawn with not-xor, so drawing it again removes it.
void ToggleGuide(HDC dc, const tagGS* gs, int32_t x) {
    const int old = SetROP2(dc, R2_NOTXORPEN);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, x, gs->plotRect.top, nullptr);
    LineTo(dc, x, gs->plotRect.bottom - 1);
    SelectObject(dc, pen);
    SetROP2(dc, old);
}

bool InPlot(const tagGS* gs, int32_t x) { return x >= gs->plotRect.left && x <= gs->plotRect.right - 1; }

void AddMenuText(HMENU menu, UINT flags, UINT_PTR id, const char* text) { AppendMenuA(menu, flags, id, text); }

// An item's text: the label, "(no label)", or its first 43 characters and "..." past 45.
std::string MenuLabel(const stMarkerNode* n) {
    if (!n->labelLength) return "(no label)";
    std::string label = n->label;
    return label.size() > kMenuLabelShown ? label.substr(0, kMenuLabelCut) + "..." : label;
}

}  // namespace

stMarkerNode* PickMarkerAt(CMarkerManager* m, int32_t x, int32_t, int row) {
    tagGS* gs = m->owner;
    const uint32_t t0 = SampleOf(gs, TimeAtX(gs, gs->plotRect.left)), t1 = SampleOf(gs, TimeAtX(gs, gs->plotRect.right));
    stMarkerNode* best = nullptr;
    int32_t bestDistance = 0;
    for (stMarkerNode* n = gs->markers ? gs->markers->first : nullptr; n && n->position < t1; n = n->next) {
        if (n->position < t0) continue;
        const bool wanted = row == kMarkerRowUpper ? MarkerType(n) == kMarkerAppend : IsEventMarker(n) != 0;
        const int32_t distance = std::abs(XOfPosition(gs, n->position) - x);
        if (!wanted || distance >= kPickReach) continue;
        if (best && distance >= bestDistance) break;
        best = n;
        bestDistance = distance;
    }
    if (best)
        CommitMarkerLabel(gs, best, 0, 1, 0);
    else if (row == kMarkerRowLower)
        DragMarker(gs, x, 0, WM_LBUTTONDOWN);
    return best;
}

void OnMarkerAreaClick(tagGS* gs, int32_t x, int32_t y) {
    if (!gs || !gs->markerManager) return;
    const POINT at{x, y};
    const RECT upper = UpperRow(gs), lower = LowerRow(gs);
    if (PtInRect(&upper, at))
        PickMarkerAt(gs->markerManager, x, y, kMarkerRowUpper);
    else if (PtInRect(&lower, at))
        PickMarkerAt(gs->markerManager, x, y, kMarkerRowLower);
    else if (PtInRect(&gs->markerSearchRect, at))
        ShowMarkerMenu(gs->markerManager, gs->markerSearchRect.left, gs->markerSearchRect.bottom);
}

int IsPlacingMarker() { return g_placing.x >= 0 ? 1 : 0; }

void DragMarker(tagGS* gs, int32_t x, int32_t, UINT message) {
    if (!gs || !gs->hwnd) return;
    HDC dc = GetDC(gs->hwnd);
    if (!dc) return;
    if (message == WM_LBUTTONDOWN) {
        notify::SetStatusText("Drag marker to desired location");
        RECT clip{gs->plotRect.left, gs->markerBarRect.top + (g_app ? g_app->fonts.cyText : 0) + 12, gs->plotRect.right,
                  gs->markerBarRect.bottom};
        MapWindowPoints(gs->hwnd, nullptr, reinterpret_cast<POINT*>(&clip), 2);
        ClipCursor(&clip);
        if (g_app && g_app->cursors.hcurDrag) SetCursor(g_app->cursors.hcurDrag);
        g_placing.x = x;
        DrawDragImage(dc, gs, x);
        g_placing.guide = !gs->acquiring;
        if (g_placing.guide) ToggleGuide(dc, gs, x);
    } else if (message == WM_MOUSEMOVE && g_placing.x >= 0 && x != g_placing.x) {
        RECT old = DragImageRect(gs, g_placing.x);
        FillRect(dc, &old, GetSysColorBrush(COLOR_BTNFACE));
        if (g_placing.guide && InPlot(gs, g_placing.x)) ToggleGuide(dc, gs, g_placing.x);
        g_placing.x = x;
        PaintMarkerBar(dc, gs);
        DrawDragImage(dc, gs, x);
        g_placing.guide = !gs->acquiring;
        if (g_placing.guide && InPlot(gs, x)) ToggleGuide(dc, gs, x);
    } else if (message == WM_LBUTTONUP && g_placing.x >= 0) {
        ClipCursor(nullptr);
        if (g_placing.guide && InPlot(gs, g_placing.x)) ToggleGuide(dc, gs, g_placing.x);
        RECT old = DragImageRect(gs, g_placing.x);
        g_placing = stPlacing{};
        if (InPlot(gs, x)) InsertMarker(gs, gs->markers, TimeAtX(gs, x), 1, nullptr, kMarkerPlaced);
        if (gs->markerLabelEdit && GetFocus() == gs->markerLabelEdit)
            FillRect(dc, &old, GetSysColorBrush(COLOR_BTNFACE));
        else if (gs->markerLabelEdit)
            SetFocus(gs->markerLabelEdit);
        notify::SetStatusText("Ready");
    }
    ReleaseDC(gs->hwnd, dc);
}

void SetMarkerMenuMode(tagGS* gs, uint32_t mode) {
    if (gs && gs->markerManager) gs->markerManager->menuMode = mode;
}

HMENU BuildMarkerMenu(CMarkerManager* m) {
    tagGS* gs = m->owner;
    if (m->menuMode == 2) return nullptr;
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    const stMarkerList* list = gs->markers;
    const bool any = list && list->count, full = m->menuMode == 1;
    const bool events = CountMarkersOfType(m, 0) + CountMarkersOfType(m, 1) + CountMarkersOfType(m, 2) > 0;
    const bool appends = CountMarkersOfType(m, kMarkerAppend) > 0;
    const stMarkerNode* current = list ? list->current : nullptr;
    auto on = [](bool b) { return b ? MF_ENABLED : MF_GRAYED; };
    const bool findOpen = FindDialogOpen() != 0;
    AddMenuText(menu, MF_STRING | on(any && !findOpen), IDM_MARKER_FIND, "Find...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    HMENU clear = CreatePopupMenu();
    if (clear && any) {
        AddMenuText(clear, MF_STRING | on(current && current->labelOpen && IsEventMarker(current)),
                    IDM_MARKER_CLEAR_CURRENT, "Active Event Marker");
        AddMenuText(clear, MF_STRING | on(events), IDM_MARKER_CLEAR_ALL, "All Event Markers");
    }
    if (clear) AddMenuText(menu, MF_POPUP | on(any), reinterpret_cast<UINT_PTR>(clear), "Clear");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    if (HMENU summary = CreatePopupMenu()) {
        AddMenuText(summary, MF_STRING | on(events && appends), IDM_MARKER_SUMMARY_ALL, "All Markers");
        AddMenuText(summary, MF_STRING | on(events), IDM_MARKER_SUMMARY_EVENTS, "Event Markers");
        AddMenuText(summary, MF_STRING | on(appends), IDM_MARKER_SUMMARY_APPENDS, "Append Markers");
        AddMenuText(menu, MF_POPUP | on(any && full), reinterpret_cast<UINT_PTR>(summary), "Summary to Journal");
    }
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    HMENU show = CreatePopupMenu(), eventList = CreatePopupMenu(), appendList = CreatePopupMenu();
    UINT id = IDM_MARKER_LISTED_FIRST;
    for (const stMarkerNode* n = list ? list->first : nullptr; n && id <= IDM_MARKER_LAST; n = n->next, ++id) {
        HMENU into = MarkerType(n) == kMarkerAppend ? appendList : eventList;
        const UINT check = n == current && n->labelOpen ? MF_CHECKED : MF_UNCHECKED;
        if (into) AddMenuText(into, MF_STRING | check, id, MenuLabel(n).c_str());
    }
    if (show) {
        if (eventList) AddMenuText(show, MF_POPUP | on(events), reinterpret_cast<UINT_PTR>(eventList), "Event Marker");
        if (appendList) AddMenuText(show, MF_POPUP | on(appends), reinterpret_cast<UINT_PTR>(appendList), "Append Marker");
        // Every marker in one list, beyond the menu's 247 as well.
        AppendMenuA(show, MF_SEPARATOR, 0, nullptr);
        AddMenuText(show, MF_STRING | on(any), IDM_MARKER_SELECT, "Select Marker...");
        AddMenuText(menu, MF_POPUP | on(any), reinterpret_cast<UINT_PTR>(show), "Show");
    }
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AddMenuText(menu, MF_STRING | on(full), IDM_MARKER_PREFERENCES, "Preferences");
    return menu;
}

void ShowMarkerMenu(CMarkerManager* m, int32_t x, int32_t y) {
    tagGS* gs = m->owner;
    HMENU menu = BuildMarkerMenu(m);
    if (!menu) return;
    AdjustMenuByContainerData(IDR_MARKER_MENU_TEXTS, menu);  // a lesson may rename the items
    POINT at{x, y};
    if (gs->hwnd) ClientToScreen(gs->hwnd, &at);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, g_app ? g_app->hwndFrame : gs->hwnd, nullptr);
    DestroyMenu(menu);
    notify::SetStatusText("Ready");
}

void DrawMarkerSearchButton(HDC dc, tagGS* gs) {
    if (!dc || !gs || !gs->markerBarShown || gs->displayMode == kModeXY) return;
    const RECT& bar = gs->markerBarRect;
    RECT line{bar.left, bar.bottom - 1, bar.right, bar.bottom + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    RECT button = gs->markerSearchRect;
    FillRect(dc, &button, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    FrameRect(dc, &button, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HBITMAP image = g_app ? LoadBitmapA(g_app->hInstance, "SEARCH") : nullptr;
    if (!image) return;
    BITMAP info{};
    GetObjectA(image, sizeof info, &info);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, image);
    BitBlt(dc, button.left, button.top, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(image);
}
