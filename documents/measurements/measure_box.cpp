// The measurement boxes: the "acqMeasure" window class, the boxes of a graph's grid, their
// results, and what the graph window and the device library call of them.
#include "documents/measurements/measure_box.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include "base/app.h"
#include "base/lesson.h"
#include "documents/documents_ids.h"
#include "common/tagGS.h"
#include "controls/frame3d.h"
#include "controls/popup_button.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/markers/markers.h"
#include "documents/measurements/doc_measure.h"
#include "documents/measurements/measure_result.h"

namespace {

constexpr char kMeasureClass[] = "acqMeasure";
constexpr int kChannelButtonId = IDC_MEASURE_POPUP_FIRST;
static_assert(kMeasureSelectedChannelItem == ChannelPopupButton::kSelectedChannelItem, "one selected-channel item");
constexpr int kTypeButtonId = IDC_MEASURE_POPUP_FIRST + 1;
constexpr stColor16 kBlack{0, 0, 0};
constexpr stColor16 kWhite{255, 255, 255};
constexpr stColor16 kGrey{127, 127, 127};
// The room above the boxes, inside the row's strip of a graph window.
constexpr int kRowTopMargin = 4;

stColor16 UnpackColor(COLORREF c) {
    return stColor16{GetRValue(c), GetGValue(c), GetBValue(c)};
}

int SlotOf(const stMeasure* box) {
    const int chan = GetMeasurementChannel(box);
    if (chan >= 0 || !box->doc) return chan;
    return static_cast<int>(box->doc->selectedChan);
}

stMeasureGrid* GridOf(const tagGS* gs) { return gs ? static_cast<stMeasureGrid*>(gs->measureGrid) : nullptr; }

}  // namespace

// The box's settings go into the document's fields, which the graph file keeps.
void StoreMeasurementSettings(const stMeasure* box) {
    tagGS* gs = box->doc;
    if (!gs || box->index < 0 || box->index >= kMaxMeasureBoxes) return;
    const int i = box->index;
    gs->measureType[i] = static_cast<uint16_t>(GetMeasurementType(box));
    gs->measureChan[i] = static_cast<int16_t>(GetMeasurementChannel(box));
    gs->measureCalc[0][i] = box->source1;
    gs->measureCalc[1][i] = box->source2;
    gs->measureCalc[2][i] = box->op;
    gs->measureConstant[i] = box->k;
    std::snprintf(gs->measureLabel[i], sizeof gs->measureLabel[i], "%s", box->unitText);
}

namespace {

void UpdateTip(const stMeasure* box) {
    stMeasureGrid* grid = GridOf(box->doc);
    if (!grid || !grid->tip || !box->wnd) return;
    char text[48];
    GetMeasurementDisplayText(box, text, sizeof text);
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = box->wnd;
    ti.uId = 1;
    ti.lpszText = text;
    SendMessageA(grid->tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

// The buttons and the result field inside the box. A "calculate" box measures no channel and
// hides its channel button: the type button takes that place and the result field the room
// it leaves, so that a result with the user's unit shows whole.
void PlaceBoxParts(stMeasure* box) {
    if (!box->channelButton || !box->typeButton) return;
    RECT c{}, t{};
    box->channelButton->GetRect(&c);
    box->typeButton->GetRect(&t);
    const int cw = c.right - c.left, tw = t.right - t.left, h = t.bottom - t.top;
    const int typeLeft = GetMeasurementType(box) == measure::kCalculate ? 0 : cw + 3;
    const RECT result{typeLeft + tw + 3, 0, box->box.right - box->box.left - 3, h};
    box->channelButton->Move(0, 0);
    box->typeButton->Move(typeLeft, 0);
    if (EqualRect(&result, &box->result)) return;
    box->result = result;
    if (box->wnd) InvalidateRect(box->wnd, nullptr, TRUE);
}

// The result field's room at the least: 14 average characters.
int LeastResultRoom() { return 14 * (g_app ? g_app->fonts.cxText : 8); }

// The room a result field needs for its text as the box draws it: the text starts 4 pixels
// inside the field and is cut 2 pixels before its end, which lies 3 pixels inside the room.
int ResultRoomFor(const stMeasure* box) {
    char text[48];
    GetMeasurementDisplayText(box, text, sizeof text);
    if (!text[0]) return 0;
    // One context of the screen's kind for the process: the text is measured at every result.
    static const struct MeasuringDC {
        HDC dc = CreateCompatibleDC(nullptr);
        ~MeasuringDC() {
            if (dc) DeleteDC(dc);
        }
    } measuring;
    if (!measuring.dc) return 0;
    HGDIOBJ old = g_app && g_app->fonts.hfontText ? SelectObject(measuring.dc, g_app->fonts.hfontText) : nullptr;
    SIZE extent{};
    GetTextExtentPoint32A(measuring.dc, text, static_cast<int>(std::strlen(text)), &extent);
    if (old) SelectObject(measuring.dc, old);
    return extent.cx + 4 + 2 + 3 + 1;  // and a pixel of air after the text
}

// Sizes the buttons to their texts and the box around them, with room for its result.
void FitBox(stMeasure* box, int resultRoom) {
    if (!box->channelButton || !box->typeButton) return;
    box->channelButton->FitWidth();
    box->typeButton->FitWidth(20);  // room for the menu mark
    RECT c{}, t{};
    box->channelButton->GetRect(&c);
    box->typeButton->GetRect(&t);
    const int cw = c.right - c.left, tw = t.right - t.left, h = t.bottom - t.top;
    const int least = LeastResultRoom();
    const int width = (cw + 3) + (tw + 3) + (resultRoom > least ? resultRoom : least);
    box->box.right = box->box.left + width;
    box->box.bottom = box->box.top + h;
    PlaceBoxParts(box);
    if (box->wnd) PlaceChildWindow(box->wnd, box->box.left, box->box.top, width, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FillChannelList(stMeasure* box, const int* channels, int count) {
    PopupButton* b = box->channelButton;
    b->ResetMenu();
    b->AppendItem(Keyed("SC, Selected Channel"), kMeasureSelectedChannelItem);
    for (int i = 0; i < count; ++i) {
        const int slot = channels[i];
        if (slot < 0 || slot >= kMaxChannels) continue;
        char text[64];
        std::snprintf(text, sizeof text, "Ch%d, %s", slot, box->doc ? box->doc->chanLabel[slot] : "");
        b->AppendItem(text, slot);
    }
}

// The channels a graph offers: every slot in use.
int ChannelsInUse(const tagGS* gs, int* out) {
    int n = 0;
    for (int s = 0; gs && s < kMaxChannels; ++s)
        if (ChannelInUse(gs, s)) out[n++] = s;
    return n;
}

// A box's result field as a tool of the grid's tooltip, with the text it shows.
void AddBoxTool(HWND tip, const stMeasure* box) {
    char text[48] = "";
    GetMeasurementDisplayText(box, text, sizeof text);
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = box->wnd;
    ti.uId = 1;
    ti.rect = box->result;
    ti.lpszText = text;
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

// The grid's tooltip is a window of its own, made when the pointer first moves over one of its
// boxes rather than with every graph: a box's full result shows only to a pointer over it.
HWND GridTip(stMeasureGrid* grid) {
    if (grid->tip) return grid->tip;
    grid->tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, grid->parent, nullptr, g_app ? g_app->hInstance : nullptr,
                                nullptr);
    if (!grid->tip) return nullptr;
    SendMessageA(grid->tip, TTM_SETDELAYTIME, TTDT_INITIAL, 50);
    SendMessageA(grid->tip, TTM_SETDELAYTIME, TTDT_RESHOW, 0);
    SendMessageA(grid->tip, TTM_ACTIVATE, TRUE, 0);
    for (const stMeasure* box : grid->boxes)
        if (box->wnd) AddBoxTool(grid->tip, box);
    return grid->tip;
}

stMeasure* NewBox(stMeasureGrid* grid, tagGS* gs, int index, int left, int top) {
    auto* box = new (std::nothrow) stMeasure{};
    if (!box) return nullptr;
    box->doc = gs;
    box->parent = grid->parent;
    box->index = index;
    box->second = kWhite;
    box->text = kBlack;
    const int h = (g_app ? g_app->fonts.cyText : 14) + 4;
    box->box = RECT{left, top + 3, left + 16, top + 3 + h};
    box->wnd = CreateWindowExA(0, kMeasureClass, "", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, box->box.left,
                               box->box.top, 16, h, grid->parent, nullptr, g_app ? g_app->hInstance : nullptr, box);
    box->channelButton = new (std::nothrow) ChannelPopupButton;
    box->typeButton = new (std::nothrow) PopupButton;
    if (!box->wnd || !box->channelButton || !box->typeButton) return box;
    const int cx = g_app ? g_app->fonts.cxText : 8;
    RECT cr{0, 0, 3 + 4 * cx, h};
    box->channelButton->Create(box->wnd, &cr, kChannelButtonId, nullptr, 0);  // "SC" or a number fits
    RECT tr{0, 0, 16, h};
    box->typeButton->Create(box->wnd, &tr, kTypeButtonId, MAKEINTRESOURCEA(IDR_MEASURE_TYPES), 1);
    box->typeButton->SetUserData(box);
    box->channelButton->SetColors(kBlack, kBlack, kWhite);
    box->typeButton->SetColors(kBlack, kBlack, kWhite);
    int channels[kMaxChannels];
    FillChannelList(box, channels, ChannelsInUse(gs, channels));
    SetMeasurementType(box, measure::kNone);
    SetMeasurementChannel(box, -1);
    FitBox(box, grid->resultRoom);
    if (grid->tip) AddBoxTool(grid->tip, box);
    return box;
}

void DeleteBox(stMeasure* box) {
    if (!box) return;
    delete box->channelButton;
    delete box->typeButton;
    if (box->wnd) {
        SetWindowLongPtrA(box->wnd, 0, 0);
        DestroyWindow(box->wnd);
    }
    delete box;
}

// A choice in either pop-up: "calculate" asks for its settings first.
void OnBoxCommand(stMeasure* box, int id) {
    if (id == kTypeButtonId && GetMeasurementType(box) == measure::kCalculate && box->typeButton)
        ShowCalculationDialog(box, box->typeButton->GetWindow());
    FormatMeasurementResult(box);
    StoreMeasurementSettings(box);
    if (box->wnd) InvalidateRect(box->wnd, nullptr, TRUE);
    if (box->doc) setDirtyGraphFlag(box->doc, 1);
}

LRESULT CALLBACK MeasureWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    auto* box = reinterpret_cast<stMeasure*>(GetWindowLongPtrA(hwnd, 0));
    if (!box) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_COMMAND: OnBoxCommand(box, LOWORD(wParam)); return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintMeasurementBox(box, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_GETDLGCODE: return 1;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        if (stMeasureGrid* grid = GridOf(box->doc)) {
            MSG m{hwnd, msg, wParam, lParam, 0, {}};
            if (HWND tip = GridTip(grid)) SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
        }
        break;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

// ---- Box settings ----

int GetMeasurementType(const stMeasure* box) {
    if (!box || !box->typeButton) return 0;
    const int id = box->typeButton->GetSelectedIndex();
    return id >= kMeasureTypeIdBase ? id - kMeasureTypeIdBase : 0;
}

void SetMeasurementType(stMeasure* box, int type) {
    if (!box || !box->typeButton) return;
    box->typeButton->SelectItem(type + kMeasureTypeIdBase);
    InvalidateIfShown(box->parent, &box->box, FALSE);
}

int GetMeasurementChannel(const stMeasure* box) {
    if (!box || !box->channelButton) return -1;
    const int item = box->channelButton->GetSelectedIndex();
    return item == kMeasureSelectedChannelItem || item < 0 ? -1 : item;
}

void SetMeasurementChannel(stMeasure* box, int channel) {
    if (!box || !box->channelButton) return;
    box->channelButton->SelectItem(channel < 0 ? kMeasureSelectedChannelItem : channel);
    InvalidateIfShown(box->parent, &box->box, FALSE);
}

void SetMeasurementShown(stMeasure* box, int shown) {
    if (!box) return;
    box->shown = shown;
    if (shown) ShowMeasurementBox(box, 1);
}

void ShowMeasurementBox(stMeasure* box, int show) {
    if (box && box->wnd) ShowWindow(box->wnd, show ? SW_SHOWNA : SW_HIDE);
}

int IsMeasurementShown(const stMeasure* box) { return box ? box->shown : 0; }
const char* GetMeasurementResultText(const stMeasure* box) { return box ? box->resultText : ""; }
const char* GetMeasurementLabel(const stMeasure* box) { return box ? box->unitText : ""; }
double GetMeasurementValue(const stMeasure* box) { return box ? box->value : 0.0; }

void SetMeasurementLabel(stMeasure* box, const char* unit) {
    if (box) std::snprintf(box->unitText, sizeof box->unitText, "%s", unit ? unit : "");
}

void GetMeasurementDisplayText(const stMeasure* box, char* out, size_t size) {
    const bool number = box->resultText[0] && std::strcmp(box->resultText, "****") != 0;
    std::snprintf(out, size, "%s%s", box->resultText, number ? box->unitText : "");
}

void PaintMeasurementBox(stMeasure* box, HDC dc) {
    if (!box || !box->shown || !dc) return;
    if (box->channelButton && box->channelButton->GetWindow())
        InvalidateRect(box->channelButton->GetWindow(), nullptr, FALSE);
    if (box->typeButton && box->typeButton->GetWindow()) InvalidateRect(box->typeButton->GetWindow(), nullptr, FALSE);
    RECT r = box->result;
    InflateRect(&r, -2, -2);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawFrame3D(dc, &r, 1);
    char text[48];
    GetMeasurementDisplayText(box, text, sizeof text);
    HGDIOBJ oldFont = g_app && g_app->fonts.hfontText ? SelectObject(dc, g_app->fonts.hfontText) : nullptr;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, PackColor16(box->text));
    RECT t = r;
    t.left += 2;
    DrawTextA(dc, text, -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    if (oldFont) SelectObject(dc, oldFont);
}

// ---- Results ----

tagGS* GetMeasurementDocument(stMeasure* box) { return box ? box->doc : nullptr; }

// The segment shown in segment view limits the selection; false when it lies wholly outside.
static bool LimitToSegment(tagGS* gs, double* start, double* end) {
    double a = 0.0, b = 0.0;
    if (!IsSegmentViewOn(gs) || !gs->markerManager || !GetActiveSegmentTimes(gs->markerManager, &a, &b)) return true;
    if ((*start > b && *end > b) || (*start < a && *end < a)) return false;
    if (*start > b) *start = b;
    if (*end > b) *end = b;
    return true;
}

// A result wider than its field widens every box of the row to hold it (the row's cells stay
// alike) and lays the row out again; a box pushed past the window's right edge is no longer
// shown, as the layout would leave it.
static void MakeRoomForResult(stMeasure* box) {
    stMeasureGrid* grid = GridOf(box->doc);
    if (!grid || std::find(grid->boxes.begin(), grid->boxes.end(), box) == grid->boxes.end()) return;
    const int needed = ResultRoomFor(box);
    if (needed <= grid->resultRoom || needed <= LeastResultRoom()) return;
    grid->resultRoom = needed;
    LayoutMeasurementGrid(grid);
    RECT client{};
    if (!grid->parent || !GetClientRect(grid->parent, &client)) return;
    for (stMeasure* b : grid->boxes)
        if (b->shown && b->box.right >= client.right) {
            b->shown = 0;
            ShowMeasurementBox(b, 0);
        }
}

// The value of a box of the given type over the document's selection.
static double BoxValue(stMeasure* box, int type) {
    tagGS* gs = box->doc;
    if (type == measure::kCalculate) {
        stMeasureGrid* grid = GridOf(gs);
        if (!grid || box->source1 == 0 || box->source2 == 0) return measure::kNoValue;
        std::vector<double> results;
        std::vector<int> types;
        for (stMeasure* b : grid->boxes) {
            results.push_back(b->value);
            types.push_back(GetMeasurementType(b));
        }
        double out = 0.0;
        return measure::Arithmetic(box->source1, box->source2, box->op, box->k, results.data(), types.data(),
                                   static_cast<int>(results.size()), &out)
                   ? out
                   : measure::kNoValue;
    }
    if (type == measure::kNone) return 0.0;
    const double start = gs->selStart, end = gs->selEnd;
    double value = measure::kNoValue;
    if (LimitToSegment(gs, &gs->selStart, &gs->selEnd)) value = MeasureDocument(gs, SlotOf(box), type);
    gs->selStart = start;
    gs->selEnd = end;
    return value;
}

void FormatMeasurementResult(stMeasure* box) {
    if (!box || !box->shown || !box->doc) return;
    tagGS* gs = box->doc;
    const int type = GetMeasurementType(box);
    if (box->channelButton && box->channelButton->GetWindow())
        ShowWindow(box->channelButton->GetWindow(), type == measure::kCalculate ? SW_HIDE : SW_SHOWNA);
    PlaceBoxParts(box);
    const int slot = SlotOf(box);
    const bool slotOk = slot >= 0 && slot < kMaxChannels;
    measure::ResultContext c;
    c.precision = gs->precisionDigits;
    c.hMode = static_cast<int32_t>(gs->hUnitKind);
    c.hScale = gs->hPerDiv;
    c.chanUnit = slotOk ? gs->chanUnits[slot] : "";
    c.hUnitShort = gs->hUnitAbbrev;
    c.boxUnit = box->unitText;
    char number[20], unit[20];
    double stored = 0.0;
    measure::FormatResult(type, BoxValue(box, type), c, number, unit, &stored);
    box->value = stored;
    std::memcpy(box->resultText, number, sizeof number);
    if (unit[0]) std::memcpy(box->unitText, unit, sizeof unit);
    MakeRoomForResult(box);
    UpdateTip(box);
    const stColor16 chanColor = slotOk ? UnpackColor(gs->chanColor[slot]) : kBlack;
    if (box->channelButton) box->channelButton->SetColors(kBlack, chanColor, kBlack);
    if (box->typeButton) box->typeButton->SetColors(kBlack, chanColor, kBlack);
    if (gs->measureShown && box->wnd) {
        InvalidateRect(box->wnd, &box->result, FALSE);
        UpdateWindow(box->wnd);
    }
}

// The slots in use as bits: the channel lists are filled again when they change.
static uint64_t SlotsInUse(const tagGS* gs) {
    uint64_t bits = 0;
    for (int s = 0; gs && s < kMaxChannels; ++s)
        if (ChannelInUse(gs, s)) bits |= uint64_t{1} << s;
    return bits;
}

void UpdateAllMeasurements(tagGS* gs) {
    stMeasureGrid* grid = GridOf(gs);
    if (!grid) return;
    if (SlotsInUse(gs) != grid->listedSlots) {
        int channels[kMaxChannels];
        RefillMeasurementChannelLists(grid, channels, ChannelsInUse(gs, channels));
    }
    for (stMeasure* box : grid->boxes) {
        box->doc = gs;
        FormatMeasurementResult(box);
    }
}

// ---- The grid ----

stMeasureGrid* CreateMeasurementBoxes(HWND parent, tagGS* gs, int left, int top, int rows, int cols, int cellHeight,
                                      int cellWidth) {
    auto* grid = new (std::nothrow) stMeasureGrid{};
    if (!grid) return nullptr;
    grid->parent = parent;
    grid->rect = RECT{left, top, left, top};
    grid->rows = static_cast<int16_t>(rows);
    grid->cols = static_cast<int16_t>(cols);
    grid->cellHeight = static_cast<int16_t>(cellHeight);
    grid->cellWidth = static_cast<int16_t>(cellWidth);
    grid->autoHeight = cellHeight == -1;
    grid->autoWidth = cellWidth == -1;
    grid->tip = nullptr;  // made when the pointer first comes (GridTip)
    const int n = rows * cols < kMaxMeasureBoxes ? rows * cols : kMaxMeasureBoxes;
    for (int i = 0; i < n; ++i) {
        stMeasure* box = NewBox(grid, gs, i, left, top);
        if (!box) break;
        grid->boxes.push_back(box);
        box->second = kGrey;
    }
    return grid;
}

void LayoutMeasurementGrid(stMeasureGrid* grid) {
    if (!grid || grid->boxes.empty()) return;
    if (grid->autoHeight || grid->autoWidth) {
        for (stMeasure* box : grid->boxes) FitBox(box, grid->resultRoom);
        const RECT& b = grid->boxes[0]->box;
        if (grid->autoHeight) grid->cellHeight = static_cast<int16_t>(b.bottom - b.top + 1);
        if (grid->autoWidth) grid->cellWidth = static_cast<int16_t>(b.right - b.left + 2);
    }
    grid->rect.right = grid->rect.left + grid->cellWidth * grid->cols;
    grid->rect.bottom = grid->rect.top + grid->cellHeight * grid->rows;
    for (stMeasure* box : grid->boxes) {
        const int row = box->index / grid->cols, col = box->index % grid->cols;
        const int x = grid->rect.left + col * grid->cellWidth, y = grid->rect.top + row * grid->cellHeight + 3;
        OffsetRect(&box->box, x - box->box.left, y - box->box.top);
        if (box->wnd)
            PlaceChildWindow(box->wnd, x, y, box->box.right - box->box.left, box->box.bottom - box->box.top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void SetMeasurementGridOrigin(stMeasureGrid* grid, int left, int top) {
    if (!grid || (grid->rect.left == left && grid->rect.top == top)) return;
    grid->rect.left = left;
    grid->rect.top = top;
    LayoutMeasurementGrid(grid);
}

void RefillMeasurementChannelLists(stMeasureGrid* grid, const int* channels, int count) {
    if (!grid) return;
    grid->listedSlots = 0;
    for (int i = 0; i < count; ++i)
        if (channels[i] >= 0 && channels[i] < kMaxChannels) grid->listedSlots |= uint64_t{1} << channels[i];
    for (stMeasure* box : grid->boxes) {
        if (!box->channelButton) continue;
        const int chan = GetMeasurementChannel(box);
        FillChannelList(box, channels, count);
        SetMeasurementChannel(box, chan);
        FitBox(box, grid->resultRoom);
    }
}

int GetMeasurementRows(const stMeasureGrid* grid) { return grid ? grid->rows : 0; }

void GetMeasurementGridRect(const stMeasureGrid* grid, RECT* out) {
    *out = grid ? grid->rect : RECT{};
    out->bottom += 4;
}

void FreeMeasurementGrid(stMeasureGrid* grid) {
    if (!grid) return;
    for (stMeasure* box : grid->boxes) DeleteBox(box);
    if (grid->tip) DestroyWindow(grid->tip);
    delete grid;
}

std::vector<uint16_t> CalculationSources(const int* types, int boxes) {
    std::vector<uint16_t> sources;
    for (int i = 0; i < boxes; ++i)
        if (types[i] != measure::kNone && types[i] != measure::kCalculate) sources.push_back(static_cast<uint16_t>(i + 2));
    return sources;
}

// ---- What the graph window calls ----

int RegisterMeasureClass(HINSTANCE inst) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = MeasureWndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = inst;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMeasureClass;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void* CreateMeasurementRow(HWND graph, int rows, int cols, int16_t* height) {
    stMeasureGrid* grid = CreateMeasurementBoxes(graph, nullptr, 5, kRowTopMargin, rows, cols, -1, -1);
    if (!grid) {
        *height = 0;
        return nullptr;
    }
    LayoutMeasurementGrid(grid);
    RECT r;
    GetMeasurementGridRect(grid, &r);
    *height = static_cast<int16_t>(r.bottom);
    return grid;
}

void DeleteMeasurementRow(void* row) { FreeMeasurementGrid(static_cast<stMeasureGrid*>(row)); }

int GetMeasurementCount(void* row) {
    auto* grid = static_cast<stMeasureGrid*>(row);
    return grid ? static_cast<int>(grid->boxes.size()) : 0;
}

stMeasure* GetMeasurementAt(void* row, int index) {
    auto* grid = static_cast<stMeasureGrid*>(row);
    if (!grid || index < 0 || index >= static_cast<int>(grid->boxes.size())) return nullptr;
    return grid->boxes[index];
}

void RefillMeasurementRowChannels(void* row, const int* slots, int count) {
    RefillMeasurementChannelLists(static_cast<stMeasureGrid*>(row), slots, count);
}

void SetMeasurementRowOrigin(void* row, int left, int top) {
    SetMeasurementGridOrigin(static_cast<stMeasureGrid*>(row), left, top);
}

int16_t GetMeasurementRowHeight(void* row) {
    auto* grid = static_cast<stMeasureGrid*>(row);
    if (!grid) return 0;
    RECT r;
    GetMeasurementGridRect(grid, &r);
    return static_cast<int16_t>(r.bottom - r.top + kRowTopMargin);
}

void ShowMeasurementRowBoxes(void* row, int show, int clientRight) {
    auto* grid = static_cast<stMeasureGrid*>(row);
    if (!grid) return;
    for (stMeasure* box : grid->boxes) {
        if (show && box->box.right < clientRight) {
            SetMeasurementShown(box, 1);
            FormatMeasurementResult(box);
        } else {
            box->shown = 0;
            ShowMeasurementBox(box, 0);
        }
    }
}

void SetMeasurementGridDocument(void* row, tagGS* gs) {
    auto* grid = static_cast<stMeasureGrid*>(row);
    if (!grid) return;
    for (stMeasure* box : grid->boxes) {
        box->doc = gs;
        SetMeasurementShown(box, gs && gs->measureShown);
        if (!gs || !gs->measureShown) ShowMeasurementBox(box, 0);
    }
    int channels[kMaxChannels];
    RefillMeasurementChannelLists(grid, channels, ChannelsInUse(gs, channels));
    LayoutMeasurementGrid(grid);
}

void SetMeasurementBox(void* row, int index, uint16_t type, int16_t slot, const uint16_t options[3], double constant,
                       const char* label, COLORREF color, int shown) {
    stMeasure* box = GetMeasurementAt(row, index);
    if (!box) return;
    SetMeasurementType(box, type);
    SetMeasurementChannel(box, slot);
    box->source1 = options[0];
    box->source2 = options[1];
    box->op = options[2];
    box->k = constant;
    SetMeasurementLabel(box, label);
    const stColor16 c = UnpackColor(color);
    if (box->channelButton) box->channelButton->SetColors(kBlack, c, kBlack);
    SetMeasurementShown(box, shown);
    if (!shown) ShowMeasurementBox(box, 0);
}

void RefreshMeasurementDisplay(tagGS* gs) {
    stMeasureGrid* grid = GridOf(gs);
    if (!grid) return;
    SetMeasurementGridDocument(grid, gs);
    UpdateAllMeasurements(gs);
}

// Captions of the horizontal items follow the axis' unit; frequency needs a time axis.
void SetMeasurementCaptions(tagGS* gs) {
    stMeasureGrid* grid = GridOf(gs);
    if (!grid) return;
    static const char* const kCaptions[3][5] = {
        {"x-axis: T", "delta T", "median T", "max T", "min T"},
        {"x-axis: F", "delta F", "median F", "max F", "min F"},
        {"x-axis: X", "delta X", "median X", "max X", "min X"},
    };
    static const int kItems[5] = {measure::kHAbs, measure::kDeltaH, measure::kMedianH, measure::kMaxH, measure::kMinH};
    const uint32_t mode = gs->hUnitKind;
    const int row = mode == kHUnitFrequency ? 1 : mode == kHUnitUser ? 2 : 0;
    for (stMeasure* box : grid->boxes) {
        if (!box->typeButton) continue;
        HMENU menu = box->typeButton->GetItemMenu();
        if (!menu) continue;
        for (int i = 0; i < 5; ++i) {
            const UINT id = kItems[i] + kMeasureTypeIdBase + 1;  // the button numbers its items from 1
            const char* name = GetPopupMenuItemName(kMeasureTypeMenu, kCaptions[row][i]);
            MENUITEMINFOA mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_STRING;
            mii.dwTypeData = const_cast<char*>(name ? name : kCaptions[row][i]);
            SetMenuItemInfoA(menu, id, FALSE, &mii);
        }
        const UINT grey = row == 0 ? MF_ENABLED : MF_GRAYED;
        EnableMenuItem(menu, measure::kFrequency + kMeasureTypeIdBase + 1, MF_BYCOMMAND | grey);
        EnableMenuItem(menu, measure::kBpm + kMeasureTypeIdBase + 1, MF_BYCOMMAND | grey);
    }
}
