// The "Plot Standard Curve" dialog (modeless, one per document, owned by its item list) and the
// "Standard Curve Settings" dialog it opens.
#include "documents/items/std_curve.h"
#include "documents/items/graph_items.h"
#include "documents/documents_api.h"
#include "common/binding.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/device.h"
#include "documents/documents_ids.h"
#include "devlib/vk40.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <new>

class CStdCurveDlg {
public:
    explicit CStdCurveDlg(CGraphItemList* owner) : list(owner) {}
    CGraphItemList* list;
    HWND hwnd = nullptr;
    HFONT bold = nullptr;
};

namespace {

constexpr int kEditChars = 32;
constexpr int kSettingsEditChars = 31;
constexpr int kDotSizes = 21;
const COLORREF kDotColours[] = {0x000000, 0x0000FF, 0x008000, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x800080, 0xFFFFFF};

tagGS* DocumentOf(HWND dlg) {
    auto* d = reinterpret_cast<CStdCurveDlg*>(GetWindowLongPtrA(dlg, DWLP_USER));
    return d && d->list ? d->list->graph : nullptr;
}

bool HasText(HWND dlg, int id) { return GetWindowTextLengthA(GetDlgItem(dlg, id)) > 0; }

void SetButtonStates(HWND dlg) {
    const int rows = static_cast<int>(SendDlgItemMessageA(dlg, IDC_CURVE_LIST, LVM_GETITEMCOUNT, 0, 0));
    const bool x = HasText(dlg, IDC_CURVE_X_EDIT), y = HasText(dlg, IDC_CURVE_Y_EDIT);
    EnableWindow(GetDlgItem(dlg, IDC_CURVE_ADD), x && y);
    EnableWindow(GetDlgItem(dlg, IDC_CURVE_DELETE), rows > 0);
    EnableWindow(GetDlgItem(dlg, IDC_CURVE_PLOT), rows > 1 && !x && !y);
}

void AppendRow(HWND view, double x, double y, bool select) {
    char text[64];
    const int row = static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0));
    std::snprintf(text, sizeof text, "%f", x);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = text;
    SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    std::snprintf(text, sizeof text, "%f", y);
    item.iSubItem = 1;
    SendMessageA(view, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    if (select) {
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(view, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        SendMessageA(view, LVM_SETSELECTIONMARK, 0, row);
    }
}

// One row per item: its first point.
void FillList(HWND dlg, const CGraphItemList& list) {
    HWND view = GetDlgItem(dlg, IDC_CURVE_LIST);
    SendMessageA(view, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < list.Count(); ++i) {
        const CGraphItem* item = list.At(i);
        if (const auto* p = dynamic_cast<const CGraphPoint*>(item)) AppendRow(view, p->x, p->y, false);
        else if (const auto* l = dynamic_cast<const CGraphLine*>(item)) AppendRow(view, l->x1, l->y1, false);
    }
}

void AddColumn(HWND view, int index, const char* title, int width) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = const_cast<char*>(title);
    c.cx = width;
    c.iSubItem = index;
    SendMessageA(view, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&c));
}

void InitCurveDialog(HWND dlg, CStdCurveDlg* d) {
    HandleTheDialog(dlg, IDD_STD_CURVE);
    tagGS* gs = d->list->graph;
    int h = 0, s = 0;
    CurveChannels(gs, &h, &s);
    LOGFONTA lf{};
    if (HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0)))
        GetObjectA(font, sizeof lf, &lf);
    else if (g_app)
        lf = g_app->fonts.lfText;
    lf.lfWeight = FW_BOLD;
    d->bold = CreateFontIndirectA(&lf);
    for (int id : {IDC_CURVE_Y_CAPTION, IDC_CURVE_X_CAPTION})
        SendDlgItemMessageA(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(d->bold), FALSE);
    SetDlgItemTextA(dlg, IDC_CURVE_Y_LABEL, gs->chanLabel[s]);
    SetDlgItemTextA(dlg, IDC_CURVE_Y_UNITS, gs->chanUnits[s]);
    SetDlgItemTextA(dlg, IDC_CURVE_X_LABEL, gs->chanLabel[h]);
    SetDlgItemTextA(dlg, IDC_CURVE_X_UNITS, gs->chanUnits[h]);
    HWND view = GetDlgItem(dlg, IDC_CURVE_LIST);
    RECT r{};
    GetClientRect(view, &r);
    const int width = (r.right - r.left) / 2 - 2;
    AddColumn(view, 0, gs->chanLabel[h], width);
    AddColumn(view, 1, gs->chanLabel[s], width);
    SendMessageA(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    FillList(dlg, *d->list);
    SetButtonStates(dlg);
}

// Add to List: the two edits become a standard.
void OnAdd(HWND dlg, tagGS* gs) {
    char yText[kEditChars + 1] = "", xText[kEditChars + 1] = "";
    GetDlgItemTextA(dlg, IDC_CURVE_Y_EDIT, yText, sizeof yText);
    GetDlgItemTextA(dlg, IDC_CURVE_X_EDIT, xText, sizeof xText);
    if (!yText[0] || !xText[0]) return;
    const double x = std::atof(xText), y = std::atof(yText);
    const int before = gs->graphItems->Count();
    if (!AddStandard(gs, x, y, dlg)) return;
    if (gs->graphItems->Count() == before + 1)
        AppendRow(GetDlgItem(dlg, IDC_CURVE_LIST), x, y, true);
    else
        FillList(dlg, *gs->graphItems);
    SetDlgItemTextA(dlg, IDC_CURVE_Y_EDIT, "");
    SetDlgItemTextA(dlg, IDC_CURVE_X_EDIT, "");
}

void OnDelete(HWND dlg, tagGS* gs) {
    const int row = static_cast<int>(SendDlgItemMessageA(dlg, IDC_CURVE_LIST, LVM_GETSELECTIONMARK, 0, 0));
    if (row < 0) return;
    if (DeleteStandard(gs, row, dlg)) FillList(dlg, *gs->graphItems);
}

// The Get Data button: the selected channel's present value from the unit.
void OnGetData(HWND dlg, tagGS* gs) {
    SetDlgItemTextA(dlg, IDC_CURVE_Y_EDIT, "");
    double value = 0.0;
    if (!CVK40Fix::GetAnalogData(static_cast<int>(gs->selectedChan), &value)) return;
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    SetDlgItemTextA(dlg, IDC_CURVE_Y_EDIT, text);
}

INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

INT_PTR CALLBACK CurveProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        auto* d = reinterpret_cast<CStdCurveDlg*>(lParam);
        d->hwnd = dlg;
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        InitCurveDialog(dlg, d);
        return TRUE;
    }
    case WM_ACTIVATE:
        if (g_app) DeviceSetActiveModelessDialog(LOWORD(wParam) == WA_INACTIVE ? nullptr : dlg);
        return FALSE;
    case WM_COMMAND: {
        tagGS* gs = DocumentOf(dlg);
        if (!gs) return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_CURVE_ADD: OnAdd(dlg, gs); break;
        case IDC_CURVE_DELETE: OnDelete(dlg, gs); break;
        case IDC_CURVE_PLOT: PlotStandardCurve(gs, dlg); break;
        case IDC_CURVE_GET_DATA: OnGetData(dlg, gs); break;
        case IDC_CURVE_SETTINGS:
            if (g_app)
                DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_STD_CURVE_SETTINGS), dlg, SettingsProc,
                                reinterpret_cast<LPARAM>(gs));
            break;
        case IDOK:
        case IDCANCEL: DestroyWindow(dlg); return TRUE;
        default: break;
        }
        SetButtonStates(dlg);
        return TRUE;
    }
    case WM_NCDESTROY: {
        auto* d = reinterpret_cast<CStdCurveDlg*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (g_app && g_app->hwndActiveDlg == dlg) DeviceSetActiveModelessDialog(nullptr);
        if (d) {
            if (d->list) d->list->dialog = nullptr;
            if (d->bold) DeleteObject(d->bold);
            delete d;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

// ---- Settings ----

void InitSettingsDialog(HWND dlg, tagGS* gs) {
    HandleTheDialog(dlg, IDD_STD_CURVE_SETTINGS);
    const stCurveSettings& s = *static_cast<const stCurveSettings*>(gs->curveSettings);
    char text[64];
    std::snprintf(text, sizeof text, "%f", s.from);
    SetDlgItemTextA(dlg, IDC_CURVE_FROM, text);
    std::snprintf(text, sizeof text, "%f", s.to);
    SetDlgItemTextA(dlg, IDC_CURVE_TO, text);
    std::snprintf(text, sizeof text, "%d", s.samples);
    SetDlgItemTextA(dlg, IDC_CURVE_STEPS, text);
    const uint32_t slot = gs->selectedChan < kMaxChannels ? gs->selectedChan : 0;
    if (gs->chanLabel[slot][0]) {
        std::snprintf(text, sizeof text, "%.39s:", gs->chanLabel[slot]);
        SetDlgItemTextA(dlg, IDC_CURVE_Y_LABEL, text);
    }
    if (gs->chanUnits[slot][0]) SetDlgItemTextA(dlg, IDC_CURVE_CHANNEL_UNITS, gs->chanUnits[slot]);
    for (int size = 1; size <= kDotSizes; ++size) {
        std::snprintf(text, sizeof text, "%d", size);
        SendDlgItemMessageA(dlg, IDC_CURVE_DOT_SIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(dlg, IDC_CURVE_DOT_SIZE, CB_SETCURSEL, s.dotSize - 1, 0);
    int chosen = -1;
    for (int i = 0; i < 8; ++i) {
        SendDlgItemMessageA(dlg, IDC_CURVE_DOT_COLOUR, CB_ADDSTRING, 0, static_cast<LPARAM>(kDotColours[i]));
        if (kDotColours[i] == s.dotColour) chosen = i;
    }
    SendDlgItemMessageA(dlg, IDC_CURVE_DOT_COLOUR, CB_SETCURSEL, chosen, 0);
}

void DrawSwatch(const DRAWITEMSTRUCT* di) {
    if (di->itemID >= 8) return;
    HBRUSH back = GetSysColorBrush(di->itemState & ODS_SELECTED ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    FillRect(di->hDC, &di->rcItem, back);
    RECT swatch = di->rcItem;
    InflateRect(&swatch, -3, -2);
    HBRUSH fill = CreateSolidBrush(kDotColours[di->itemID]);
    FillRect(di->hDC, &swatch, fill);
    DeleteObject(fill);
    FrameRect(di->hDC, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// OK: the settings the dialog shows, applied; false keeps the dialog open.
bool ApplySettings(HWND dlg, tagGS* gs) {
    stCurveSettings s = *static_cast<const stCurveSettings*>(gs->curveSettings);
    char text[kSettingsEditChars + 1];
    GetDlgItemTextA(dlg, IDC_CURVE_FROM, text, sizeof text);
    s.from = std::atof(text);
    GetDlgItemTextA(dlg, IDC_CURVE_TO, text, sizeof text);
    s.to = std::atof(text);
    GetDlgItemTextA(dlg, IDC_CURVE_STEPS, text, sizeof text);
    s.samples = std::atoi(text);
    const LRESULT size = SendDlgItemMessageA(dlg, IDC_CURVE_DOT_SIZE, CB_GETCURSEL, 0, 0);
    if (size >= 0) s.dotSize = static_cast<int32_t>(size) + 1;
    const LRESULT colour = SendDlgItemMessageA(dlg, IDC_CURVE_DOT_COLOUR, CB_GETCURSEL, 0, 0);
    if (colour >= 0 && colour < 8) s.dotColour = kDotColours[colour];
    return ApplyCurveSettings(gs, s, dlg) != 0;
}

INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        InitSettingsDialog(dlg, reinterpret_cast<tagGS*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_CURVE_DOT_COLOUR) {
            DrawSwatch(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND: {
        auto* gs = reinterpret_cast<tagGS*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (LOWORD(wParam) == IDOK && gs && ApplySettings(dlg, gs)) EndDialog(dlg, 1);
        if (LOWORD(wParam) == IDCANCEL) EndDialog(dlg, 0);
        return TRUE;
    }
    default: return FALSE;
    }
}

}  // namespace

void CGraphItemList::ShowDialog() {
    if (!g_app || !graph) return;
    if (!graph->curveSettings) graph->curveSettings = CopyDefaultCurveSettings();
    if (!dialog) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        auto* d = new (std::nothrow) CStdCurveDlg(this);
        if (!d) return;
        dialog = d;
        if (!CreateDialogParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_STD_CURVE), g_app->hwndFrame, CurveProc,
                                reinterpret_cast<LPARAM>(d))) {
            if (dialog == d) {  // no window took it over
                dialog = nullptr;
                delete d;
            }
            return;
        }
    }
    ShowWindow(dialog->hwnd, SW_SHOW);
    SetActiveWindow(dialog->hwnd);
}

void DestroyStandardCurveDialog(CGraphItemList* list) {
    CStdCurveDlg* d = list->dialog;
    if (!d) return;
    d->list = nullptr;
    list->dialog = nullptr;
    if (d->hwnd && IsWindow(d->hwnd)) DestroyWindow(d->hwnd);  // its last message frees it
    else delete d;
}

HWND StandardCurveDialogWindow(tagGS* gs) {
    return gs && gs->graphItems && gs->graphItems->dialog ? gs->graphItems->dialog->hwnd : nullptr;
}

void ShowStandardCurveDialog(tagGS* gs) {
    if (gs && gs->graphItems) gs->graphItems->ShowDialog();
}
