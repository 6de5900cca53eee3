// The marker bar of a graph window: the label box, the two step buttons, the rows the markers
// are painted in, and how a marker becomes current and comes into view.
#include "documents/markers/markers.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include "base/app.h"
#include "base/notify.h"
#include "documents/documents_ids.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"

namespace {

enum MarkerImage { kMarkOpen, kMarkShut, kPostOpen, kPostShut, kAppendOpen, kAppendShut, kImages };

HBITMAP MarkerBitmap(int which) {
    static HBITMAP images[kImages];
    static const char* const names[kImages] = {"MARK", "MARK0", "MARK_POST", "MARK_POST0", "MARK_APPEND", "MARK_APPEND0"};
    if (!images[which] && g_app) images[which] = LoadBitmapA(g_app->hInstance, names[which]);
    return images[which];
}

bool SegmentView(const tagGS* gs) { return gs->markerManager && gs->markerManager->segmentView; }

double MsPerPixel(const tagGS* gs) {
    const int32_t width = gs->plotRect.right - gs->plotRect.left;
    const double ms = width > 0 ? gs->hPerDiv * gs->hDivisions / width : 0.0;
    return ms > 0.0 && std::isfinite(ms) ? ms : 0.0;
}

double ViewOrigin(const tagGS* gs) { return gs->hStart + (SegmentView(gs) ? gs->segmentTimeOffset : 0.0); }

int32_t TimeToX(const tagGS* gs, double time) {
    const double ms = MsPerPixel(gs);
    if (ms == 0.0) return gs->plotRect.left;
    const double x = std::round((time - ViewOrigin(gs)) / ms + gs->plotRect.left);
    return static_cast<int32_t>(std::max(-32000.0, std::min(32000.0, x)));
}

uint32_t SampleAtX(const tagGS* gs, int32_t x) {
    const double t = (x - gs->plotRect.left) * MsPerPixel(gs) + ViewOrigin(gs);
    const double s = gs->sampleInterval > 0.0 ? t / gs->sampleInterval : 0.0;
    return !(s > 0.0) ? 0u : s >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(s);
}

// Whether segment view hides the node: outside the active segment, or not the active append marker.
bool HiddenInSegmentView(tagGS* gs, const stMarkerNode* node) {
    if (!SegmentView(gs)) return false;
    CMarkerManager* m = gs->markerManager;
    if (MarkerType(node) == kMarkerAppend) return !node->marker->active;
    uint32_t first = 0, last = 0;
    return !GetActiveSegmentRange(m, &first, &last) || node->position < first || node->position > last;
}

void DrawImage(HDC dc, HBITMAP image, int32_t x, int32_t y) {
    BITMAP info{};
    if (!image || !GetObjectA(image, sizeof info, &info)) return;
    HDC mem = CreateCompatibleDC(dc);
    if (!mem) return;
    HGDIOBJ old = SelectObject(mem, image);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void MarkerRows(const tagGS* gs, RECT* upper, RECT* lower) {
    const RECT& bar = gs->markerBarRect;
    *upper = RECT{gs->plotRect.left - 4, bar.top + 1, gs->plotRect.right + 4, bar.top + 10};
    *lower = *upper;
    OffsetRect(lower, 0, (g_app ? g_app->fonts.cyText : 0) + 18);
}

void SetFocusAtEnd(HWND edit) {
    SetFocus(edit);
    const LRESULT n = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, n, n);
}

// Step 4 of a commit: the step buttons and the focus.
void UpdateStepButtons(tagGS* gs, stMarkerNode* node, bool open, int keepFocus, int updateButtons) {
    if (open) {
        if (updateButtons) {
            const bool prev = node->previous != nullptr, next = node->next != nullptr;
            HWND focus = GetFocus();
            if (gs->segPrevButton) EnableWindow(gs->segPrevButton, prev);
            if (gs->segNextButton) EnableWindow(gs->segNextButton, next);
            if (focus == gs->segPrevButton && !prev) SetFocus(next ? gs->segNextButton : gs->markerLabelEdit);
            if (focus == gs->segNextButton && !next) SetFocus(prev ? gs->segPrevButton : gs->markerLabelEdit);
        }
        if (!keepFocus && gs->markerLabelEdit) SetFocusAtEnd(gs->markerLabelEdit);
        return;
    }
    if (!updateButtons) return;
    if (gs->segPrevButton) EnableWindow(gs->segPrevButton, FALSE);
    if (gs->segNextButton) EnableWindow(gs->segNextButton, FALSE);
    if (keepFocus) {
        if (g_app && g_app->hwndFrame) SetActiveWindow(g_app->hwndFrame);
    } else if (gs->markerLabelEdit) {
        SetFocus(gs->markerLabelEdit);
    }
}

// Steps 3 and 4 of selecting: the view follows the node.
void BringIntoView(tagGS* gs, stMarkerNode* node, stMarkerNode* activeBefore) {
    CMarkerManager* m = gs->markerManager;
    const double span = gs->hPerDiv * gs->hDivisions;
    const double time = node->position * gs->sampleInterval;
    if (!m->segmentView) {
        const uint32_t t0 = SampleAtX(gs, gs->plotRect.left), t1 = SampleAtX(gs, gs->plotRect.right);
        if (node->position < t0 || node->position > t1) {
            const uint32_t count = gs->chanCount[gs->selectedChan < kMaxChannels ? gs->selectedChan : 0];
            const double last = count * gs->sampleInterval - span;
            gs->hStart = std::max(0.0, std::min(time + gs->segmentTimeOffset, last));
        }
        if (MarkerType(node) == kMarkerAppend) SetActiveSegmentMarker(m, node);
        return;
    }
    stMarkerNode* segment = node;
    if (MarkerType(node) != kMarkerAppend) {
        SelectSegmentByMarker(m, node);
        segment = GetActiveSegmentMarker(m);
    }
    if (!segment) return;
    const double start = segment->position * gs->sampleInterval;
    const double end = GetSegmentEnd(m, segment) * gs->sampleInterval;
    gs->segmentTimeOffset = gs->hStart >= time && gs->hStart < end ? gs->hStart - time : 0.0;
    gs->hStart = start;
    SetActiveSegmentMarker(m, segment);
    if (activeBefore) StoreSegmentSelection(m, activeBefore);
    gs->selStart = std::min(std::max(start + m->selStartOffset, time), end);
    gs->selEnd = std::min(std::max(start + m->selEndOffset, time), end);
    UpdateAllMeasurements(gs);
    notify::UpdateGraphToolbar();
}

}  // namespace

void ShowMarkerLabel(CMarkerManager* m, stMarkerNode* node) {
    HWND edit = m->owner->markerLabelEdit;
    if (!edit || !node) return;
    char text[kMarkerLabelMax + 80];
    BuildMarkerLabelText(m, node, text, sizeof text);
    SetWindowTextA(edit, text);
    SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
}

int CommitMarkerLabel(tagGS* gs, stMarkerNode* node, int keepFocus, int updateButtons, int) {
    stMarkerList* list = gs->markers;
    CMarkerManager* m = gs->markerManager;
    if (!list || !m) return 0;
    stMarkerNode* current = list->current;
    HWND edit = gs->markerLabelEdit;
    bool open = false;
    if (node) {
        if (node != current) {
            if (current && edit && SendMessageA(edit, EM_GETMODIFY, 0, 0)) {
                char text[kMarkerLabelMax + 1] = "";
                GetWindowTextA(edit, text, sizeof text);
                SetMarkerLabel(current, text);
                setDirtyGraphFlag(gs, 1);
            }
            open = true;
        } else {
            open = keepFocus ? true : !node->labelOpen;
        }
        if (!m->segmentView) {
            if (MarkerType(node) == kMarkerAppend)
                SetActiveSegmentMarker(m, node);
            else
                SelectSegmentByMarker(m, node);
        }
    }
    if (current) current->labelOpen = 0;
    list->current = node;
    if (node) node->labelOpen = open ? 1 : 0;
    if (edit) {
        EnableWindow(edit, open);
        if (open)
            ShowMarkerLabel(m, node);
        else
            SetWindowTextA(edit, "");
        SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
    }
    UpdateStepButtons(gs, node, open && node, keepFocus, updateButtons);
    RedrawMarkerBar(gs);
    return node ? 1 : 0;
}

int SelectMarker(tagGS* gs, stMarkerNode* node, int flag) {
    if (!gs || !gs->markerManager) return 0;
    stMarkerNode* activeBefore = GetActiveSegmentMarker(gs->markerManager);
    CommitMarkerLabel(gs, node, 0, 1, flag);
    if (!node) return 0;
    BringIntoView(gs, node, activeBefore);
    if (gs->hwnd) {
        InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
        InvalidateRect(gs->hwnd, &gs->hAxisRect, FALSE);
        InvalidateRect(gs->hwnd, &gs->markerBarRect, FALSE);
    }
    notify::UpdateHScrollBar(gs);
    return 1;
}

void PaintMarkerBar(HDC dc, tagGS* gs) {
    if (!dc || !gs || !gs->markerBarShown || gs->displayMode == kModeXY || !gs->markerManager) return;
    RECT upper, lower;
    MarkerRows(gs, &upper, &lower);
    HBRUSH back = GetSysColorBrush(COLOR_BTNFACE);
    RECT fill = upper;
    fill.left = 0;
    FillRect(dc, &fill, back);
    fill = lower;
    fill.left = 0;
    FillRect(dc, &fill, back);
    stMarkerList* list = gs->markers;
    if (!list || !list->first) return;
    if (!list->current) {
        list->current = list->first;
        if (gs->markerLabelEdit) EnableWindow(gs->markerLabelEdit, TRUE);
        ShowMarkerLabel(gs->markerManager, list->current);
    }
    const uint32_t t0 = SampleAtX(gs, gs->plotRect.left), t1 = SampleAtX(gs, gs->plotRect.right);
    const stMarkerNode* current = list->current;
    for (stMarkerNode* n = list->first; n && n->position <= t1; n = n->next) {
        if (n->position < t0 || HiddenInSegmentView(gs, n)) continue;
        const bool open = n->labelOpen && n->position == current->position;
        const int32_t type = MarkerType(n);
        const int image = type == kMarkerAppend ? (open ? kAppendOpen : kAppendShut)
                          : type == kMarkerPlaced ? (open ? kPostOpen : kPostShut)
                                                  : (open ? kMarkOpen : kMarkShut);
        const int32_t y = type == kMarkerAppend ? gs->markerBarRect.top + 2 : gs->markerBarRect.bottom - 9;
        DrawImage(dc, MarkerBitmap(image), TimeToX(gs, n->position * gs->sampleInterval) - 4, y);
    }
}

void RedrawMarkerBar(tagGS* gs) {
    if (!gs || !gs->hwnd || !IsWindow(gs->hwnd)) return;
    HDC dc = GetDC(gs->hwnd);
    if (!dc) return;
    PaintMarkerBar(dc, gs);
    DrawMarkerSearchButton(dc, gs);
    ReleaseDC(gs->hwnd, dc);
}

int CreateMarkerBarControls(tagGS* gs, HWND graph) {
    HINSTANCE inst = g_app ? g_app->hInstance : GetModuleHandleA(nullptr);
    gs->markerLabelEdit =
        CreateWindowExA(0, "edit", "",
                        WS_CHILD | WS_BORDER | WS_GROUP | WS_TABSTOP | ES_NOHIDESEL | ES_AUTOHSCROLL, 0, 14, 64, 28,
                        graph, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MARKER_LABEL)), inst, nullptr);
    if (!gs->markerLabelEdit) return 0;
    SendMessageA(gs->markerLabelEdit, EM_LIMITTEXT, kMarkerLabelMax, 0);
    const struct {
        int id, icon;
        HWND* out;
    } buttons[] = {{IDC_MARKER_PREVIOUS, IDI_MARKER_PREVIOUS, &gs->segPrevButton},
                   {IDC_MARKER_NEXT, IDI_MARKER_NEXT, &gs->segNextButton}};
    for (const auto& b : buttons) {
        *b.out = CreateWindowExA(0, "Button", "", WS_CHILD | WS_GROUP | WS_TABSTOP | BS_ICON, 0, 0, 16, 16, graph,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), inst, nullptr);
        if (!*b.out) return 0;
        HANDLE icon = LoadImageA(inst, MAKEINTRESOURCEA(b.icon), IMAGE_ICON, 0, 0, LR_SHARED);
        if (icon) SendMessageA(*b.out, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
    gs->markerBarHeight = static_cast<uint16_t>((g_app ? g_app->fonts.cyText : 8) + 28);
    return 1;
}

void DrawMarkerWithLabel(CMarkerManager* m, HDC dc, const char* text, int x, int width, int height, int yOffset,
                         int row) {
    if (!m || !m->owner || !dc) return;
    const RECT& plot = m->owner->plotRect;
    const int bottom = plot.top - 1 + yOffset, top = bottom - 2 * height, middle = bottom - height;
    const POINT diamond[5] = {{x, top}, {x - width, middle}, {x, bottom}, {x + width, middle}, {x, top}};
    Polyline(dc, diamond, 5);
    if (!text || !text[0]) return;
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    const int left = x - width;
    const int fit = tm.tmAveCharWidth > 0 ? (plot.right - left) / tm.tmAveCharWidth : 0;
    const int length = std::min(static_cast<int>(std::strlen(text)), fit);
    if (length <= 0) return;
    TextOutA(dc, left, top - (row + 1) * tm.tmHeight, text, length);
}
