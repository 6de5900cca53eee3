// The Grid Options dialog: pen style, width and colour of the major and minor grid lines, the
// minor lines, and the grid lock with the parameters the locked scale dialogs edit. A preview
// draws the choices; on OK the scales are adjusted to the new lock state.
#include "graph/dialogs/dialogs_api.h"
#include "base/app.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "devlib/vk40.h"
#include "graph/render/grid_lines.h"
#include "graph/render/waveforms.h"
#include "graph/view/display_modes.h"
#include "graph/window/scale_rounding.h"
#include <cmath>
#include <initializer_list>

namespace {

constexpr auto& kStyles = kGridStyles;
constexpr auto& kWidths = kGridWidths;
constexpr auto& kColors = kGridColors;

struct stGridDialog {
    tagGS* gs;
    HBRUSH selected, unselected;
    uint32_t locked, minor;
};

enum class ListKind { Style, Width, Color };

// Which of the three kinds of list a control is.
ListKind KindOf(int id) {
    if (id == IDC_GRID_MAJOR_STYLE || id == IDC_GRID_MINOR_STYLE) return ListKind::Style;
    if (id == IDC_GRID_MAJOR_WIDTH || id == IDC_GRID_MINOR_WIDTH) return ListKind::Width;
    return ListKind::Color;
}

// Fills a list with its values and selects the current one, or the first when it is not there.
template <size_t N, typename T>
void FillList(HWND dlg, int id, const T (&values)[N], uint32_t current) {
    HWND list = GetDlgItem(dlg, id);
    int chosen = 0;
    for (size_t i = 0; i < N; ++i) {
        if (SendMessageA(list, CB_ADDSTRING, 0, static_cast<LPARAM>(values[i])) < 0) break;
        if (static_cast<uint32_t>(values[i]) == current) chosen = static_cast<int>(i);
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

// The chosen item's value; the first item when nothing is chosen.
uint32_t ListValue(HWND dlg, int id) {
    HWND list = GetDlgItem(dlg, id);
    LRESULT sel = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (sel < 0) sel = 0;
    return static_cast<uint32_t>(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
}

// Whether the first item (solid, or one pixel) is chosen.
bool FirstChosen(HWND dlg, int id) { return SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0) <= 0; }

// GDI draws styled lines only one pixel wide: style and width exclude each other.
void ApplyPenPair(HWND dlg, int styleId, int widthId, bool on) {
    EnableWindow(GetDlgItem(dlg, widthId), on && FirstChosen(dlg, styleId));
    EnableWindow(GetDlgItem(dlg, styleId), on && FirstChosen(dlg, widthId));
}

// Minor pens are chosen only while minor lines are on.
void ApplyMinorState(HWND dlg, const stGridDialog* d) {
    EnableWindow(GetDlgItem(dlg, IDC_GRID_MINOR_COLOR), d->minor != 0);
    ApplyPenPair(dlg, IDC_GRID_MINOR_STYLE, IDC_GRID_MINOR_WIDTH, d->minor != 0);
}

// The parameter choice only means something for a locked grid.
void ApplyLockState(HWND dlg, const stGridDialog* d) {
    const bool midRange = d->locked ? d->gs->gridExtra != 0 : d->gs->displayMode == kModeXY;
    CheckRadioButton(dlg, IDC_GRID_START_END, IDC_GRID_MID_RANGE, midRange ? IDC_GRID_MID_RANGE : IDC_GRID_START_END);
    for (int id : {IDC_GRID_START_END, IDC_GRID_MID_RANGE, IDC_GRID_LOCK_TEXT})
        EnableWindow(GetDlgItem(dlg, id), d->locked != 0);
}

// A geometric pen of the chosen style, width and colour, with flat ends like the grid's.
HPEN GridPen(HWND dlg, int styleId, int widthId, int colorId) {
    LOGBRUSH lb{BS_SOLID, ListValue(dlg, colorId), 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | ListValue(dlg, styleId), ListValue(dlg, widthId), &lb, 0,
                        nullptr);
}

// One straight line.
void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// The colour of the selected channel counted among the used slots from 1; black without one.
COLORREF SampleWaveColor(const tagGS* gs) {
    uint32_t position = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if ((gs->chanFlags[s] & kChanSlotMask) && ++position == gs->selectedChan) return gs->chanColor[s];
    return 0;
}

// A sample grid and wave in the preview box with the pens as chosen so far.
void DrawPreview(HWND dlg, const stGridDialog* d) {
    HWND box = GetDlgItem(dlg, IDC_GRID_PREVIEW);
    RECT r;
    GetClientRect(box, &r);
    HDC dc = GetDC(box);
    InflateRect(&r, -1, -1);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    InflateRect(&r, -6, -6);
    const int w = (r.right - r.left) / 9, h = (r.bottom - r.top) / 9;
    RECT g = r;
    InflateRect(&g, -2 * w, -2 * h);
    if (d->minor) {
        HGDIOBJ old = SelectObject(dc, GridPen(dlg, IDC_GRID_MINOR_STYLE, IDC_GRID_MINOR_WIDTH, IDC_GRID_MINOR_COLOR));
        for (int i = 0; i <= 7; ++i) {
            if (i == 1 || i == 6) continue;
            Line(dc, r.left + w * (i + 1), r.top + 4, r.left + w * (i + 1), r.bottom - 4);
            Line(dc, r.left + 4, r.top + h * (i + 1), r.right - 4, r.top + h * (i + 1));
        }
        DeleteObject(SelectObject(dc, old));
    }
    HGDIOBJ old = SelectObject(dc, GridPen(dlg, IDC_GRID_MAJOR_STYLE, IDC_GRID_MAJOR_WIDTH, IDC_GRID_MAJOR_COLOR));
    Line(dc, g.left, r.top, g.left, r.bottom);
    Line(dc, g.right, r.top, g.right, r.bottom);
    Line(dc, r.left, g.top, r.right, g.top);
    Line(dc, r.left, g.bottom, r.right, g.bottom);
    DeleteObject(SelectObject(dc, old));
    const int n = r.right - r.left - 20;
    if (n > 1) {
        HPEN wave = CreatePen(PS_SOLID, 1, SampleWaveColor(d->gs));
        old = SelectObject(dc, wave);
        for (int i = 0; i < n; ++i) {
            const int x = r.left + i + 10;
            const int y = static_cast<int>((r.bottom - r.top - 20) *
                                           (std::sin(2.0 * i * 3.1415926 / n - 1.963495375) + 1.0) / 2.0) +
                          r.top + 10;
            if (i == 0)
                MoveToEx(dc, x, y, nullptr);
            else if (i < n - 1)
                LineTo(dc, x, y);
        }
        DeleteObject(SelectObject(dc, old));
    }
    ReleaseDC(box, dc);
}

// The lists show the graph's pens; the working flags start from the graph's.
void OnGridInit(HWND dlg, stGridDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    d->selected = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    d->unselected = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    const tagGS* gs = d->gs;
    FillList(dlg, IDC_GRID_MAJOR_COLOR, kColors, gs->gridColor);
    FillList(dlg, IDC_GRID_MINOR_COLOR, kColors, gs->gridMinorColor);
    FillList(dlg, IDC_GRID_MAJOR_STYLE, kStyles, gs->gridOptions[0]);
    FillList(dlg, IDC_GRID_MINOR_STYLE, kStyles, gs->gridOptions[1]);
    FillList(dlg, IDC_GRID_MAJOR_WIDTH, kWidths, gs->gridOptions[2]);
    FillList(dlg, IDC_GRID_MINOR_WIDTH, kWidths, gs->gridOptions[3]);
    ApplyPenPair(dlg, IDC_GRID_MAJOR_STYLE, IDC_GRID_MAJOR_WIDTH, true);
    d->locked = gs->gridLocked ? 1 : 0;
    d->minor = IsGridFine(gs) ? 1 : 0;
    CheckDlgButton(dlg, IDC_GRID_LOCK, d->locked ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_GRID_MINOR_ON, d->minor ? BST_CHECKED : BST_UNCHECKED);
    ApplyMinorState(dlg, d);
    ApplyLockState(dlg, d);
    HandleTheDialog(dlg, IDD_GRID_OPTIONS);
}

// Stores every choice; the scales are adjusted by the launcher.
void OnGridOk(HWND dlg, stGridDialog* d) {
    tagGS* gs = d->gs;
    gs->gridOptions[0] = static_cast<uint16_t>(ListValue(dlg, IDC_GRID_MAJOR_STYLE));
    gs->gridOptions[1] = static_cast<uint16_t>(ListValue(dlg, IDC_GRID_MINOR_STYLE));
    gs->gridOptions[2] = static_cast<uint16_t>(ListValue(dlg, IDC_GRID_MAJOR_WIDTH));
    gs->gridOptions[3] = static_cast<uint16_t>(ListValue(dlg, IDC_GRID_MINOR_WIDTH));
    gs->gridColor = ListValue(dlg, IDC_GRID_MAJOR_COLOR);
    gs->gridMinorColor = ListValue(dlg, IDC_GRID_MINOR_COLOR);
    gs->gridLocked = IsDlgButtonChecked(dlg, IDC_GRID_LOCK) == BST_CHECKED;
    SetGridFine(gs, IsDlgButtonChecked(dlg, IDC_GRID_MINOR_ON) == BST_CHECKED);
    gs->gridExtra = IsDlgButtonChecked(dlg, IDC_GRID_MID_RANGE) == BST_CHECKED;
    EndDialog(dlg, 1);
}

// Every change of a pen redraws the preview.
void OnGridCommand(HWND dlg, stGridDialog* d, int id, int code) {
    switch (id) {
    case IDC_GRID_MAJOR_STYLE:
    case IDC_GRID_MINOR_STYLE:
    case IDC_GRID_MAJOR_WIDTH:
    case IDC_GRID_MINOR_WIDTH:
    case IDC_GRID_MAJOR_COLOR:
    case IDC_GRID_MINOR_COLOR:
        if (code != CBN_SELCHANGE) break;
        if (id == IDC_GRID_MAJOR_STYLE || id == IDC_GRID_MAJOR_WIDTH)
            ApplyPenPair(dlg, IDC_GRID_MAJOR_STYLE, IDC_GRID_MAJOR_WIDTH, true);
        else if (id != IDC_GRID_MAJOR_COLOR && id != IDC_GRID_MINOR_COLOR)
            ApplyMinorState(dlg, d);
        DrawPreview(dlg, d);
        break;
    case IDC_GRID_MINOR_ON:
        d->minor = !d->minor;
        ApplyMinorState(dlg, d);
        DrawPreview(dlg, d);
        break;
    case IDC_GRID_LOCK:
        d->locked = !d->locked;
        CheckDlgButton(dlg, IDC_GRID_LOCK, d->locked ? BST_CHECKED : BST_UNCHECKED);
        ApplyLockState(dlg, d);
        break;
    case IDOK: OnGridOk(dlg, d); break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

// The frames follow selection (inner) and focus (outer); the content is the item's line or colour.
void DrawListItem(const stGridDialog* d, const DRAWITEMSTRUCT* di) {
    if (di->itemID == static_cast<UINT>(-1)) return;
    HDC dc = di->hDC;
    RECT inner = di->rcItem;
    InflateRect(&inner, -1, -1);
    const bool sel = di->itemState & ODS_SELECTED, focus = di->itemState & ODS_FOCUS;
    const ListKind kind = KindOf(static_cast<int>(di->CtlID));
    const uint32_t value = static_cast<uint32_t>(di->itemData);
    auto content = [&] {
        if (kind == ListKind::Color) {
            HBRUSH b = CreateSolidBrush(value);
            FillRect(dc, &inner, b);
            DeleteObject(b);
            return;
        }
        FillRect(dc, &inner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        LOGBRUSH lb{BS_SOLID, 0, 0};
        HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | (kind == ListKind::Style ? value : PS_SOLID),
                                kind == ListKind::Width ? value : 1, &lb, 0, nullptr);
        HGDIOBJ old = SelectObject(dc, pen);
        const int y = (di->rcItem.top + di->rcItem.bottom) / 2;
        Line(dc, di->rcItem.left + 2, y, di->rcItem.right - 2, y);
        DeleteObject(SelectObject(dc, old));
    };
    if (di->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
        content();
        FrameRect(dc, &inner, sel ? d->selected : d->unselected);
    }
    if (di->itemAction & (ODA_DRAWENTIRE | ODA_FOCUS)) FrameRect(dc, &di->rcItem, focus ? d->selected : d->unselected);
}

// The list items and the preview are drawn here.
INT_PTR CALLBACK GridProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<stGridDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: OnGridInit(dlg, reinterpret_cast<stGridDialog*>(lParam)); return TRUE;
    case WM_COMMAND:
        if (d) OnGridCommand(dlg, d, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_PAINT:
        if (!d) return FALSE;
        {
            PAINTSTRUCT ps;
            BeginPaint(dlg, &ps);
            EndPaint(dlg, &ps);
            DrawPreview(dlg, d);
        }
        return TRUE;
    case WM_DRAWITEM:
        if (d) DrawListItem(d, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_MEASUREITEM: return TRUE;
    case WM_DESTROY:
        if (d) {
            DeleteObject(d->selected);
            DeleteObject(d->unselected);
        }
        return FALSE;
    default: return FALSE;
    }
}

// The visible ranges stay; unlocking divides them into 4 divisions again.
void AdjustScalesForLock(tagGS* gs, bool wasLocked) {
    const bool xy = gs->displayMode == kModeXY;
    auto unlockSlot = [gs](int s) {
        gs->chanVOffsetDiv[s] = gs->chanVCenter[s];
        gs->chanVPerDiv[s] = gs->chanVPerDiv[s] * gs->chanVDivisions[s] / 4.0;
        gs->chanVDivisions[s] = 4.0;
    };
    if (!gs->gridLocked) {
        if (!xy) {
            gs->hPerDiv = gs->hPerDiv * gs->hDivisions / 4.0;
            gs->hDivisions = 4.0;
            gs->gridExtra = 0;
            gs->gridExtraValue = gs->hStart;
            for (int s = 0; s < kMaxChannels; ++s) unlockSlot(s);
        } else {
            if (gs->xyXChan < static_cast<uint32_t>(kMaxChannels)) unlockSlot(static_cast<int>(gs->xyXChan));
            gs->gridExtra = 1;
        }
    } else if (xy) {
        if (!wasLocked && gs->gridExtra == 0) RoundScalesForGrid(gs, 1);
    } else if (gs->gridExtra == 1 || wasLocked) {
        if (gs->hDivisions > 0.0)
            gs->hPerDiv = (GraphXToTime(gs, gs->plotRect.right) - GraphXToTime(gs, gs->plotRect.left)) / gs->hDivisions;
    } else {
        RoundScalesForGrid(gs, 0);
    }
}

// Everything the grid and the lock touch: the axis band, the plot and every scale strip.
void InvalidateGridAreas(tagGS* gs) {
    RECT band = gs->plotRect;
    band.top = gs->plotRect.bottom;
    band.bottom = gs->plotRect.bottom + 2 * g_app->fonts.cyText;
    InvalidateRect(gs->hwnd, &band, FALSE);
    InvalidateRect(gs->hwnd, &gs->hAxisRect, FALSE);
    InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    for (const RECT& r : gs->chanScaleRects) InvalidateRect(gs->hwnd, &r, FALSE);
}

}  // namespace

// After OK the scales follow the new lock state and the graph is marked modified.
int GridOptionsDialog(HWND owner, tagGS* gs) {
    if (!gs || !g_app) return 0;
    stGridDialog d{gs, nullptr, nullptr, 0, 0};
    const uint32_t wasLocked = gs->gridLocked;
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_GRID_OPTIONS), owner, GridProc,
                                           reinterpret_cast<LPARAM>(&d));
    if (result != 1) return 0;
    notify::SetStatusText(nullptr);
    AdjustScalesForLock(gs, wasLocked != 0);
    InvalidateGridAreas(gs);
    setDirtyGraphFlag(gs, 1);
    return 1;
}
