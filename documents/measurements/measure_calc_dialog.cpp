// The Waveform Arithmetic dialog of a "calculate" box: two sources (the constant or another
// box), an operator, the constant and the unit.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "base/app.h"
#include "documents/documents_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "common/tagGS.h"
#include "common/keyed_format.h"

namespace {

constexpr int kListNone = 0, kListConstant = 1;
constexpr int kBoxesPerRow = 5;

struct CalcDialog {
    stMeasure* box;
    std::vector<uint16_t> sources;  // list position - 2 -> source number
};

std::vector<uint16_t> SourcesOf(stMeasure* box) {
    std::vector<int> types;
    void* grid = box->doc ? box->doc->measureGrid : nullptr;
    const int n = GetMeasurementCount(grid);
    for (int i = 0; i < n; ++i) types.push_back(GetMeasurementType(GetMeasurementAt(grid, i)));
    return CalculationSources(types.data(), n);
}

// The list position that shows a source number.
int PositionOf(const CalcDialog& d, uint16_t source) {
    if (source == 1) return kListConstant;
    for (size_t p = 0; p < d.sources.size(); ++p)
        if (d.sources[p] == source) return static_cast<int>(p) + 2;
    return kListNone;
}

uint16_t SourceAt(const CalcDialog& d, LRESULT position) {
    if (position == kListConstant) return 1;
    if (position < 2 || static_cast<size_t>(position - 2) >= d.sources.size()) return 0;
    return d.sources[position - 2];
}

void FillSourceList(HWND list, const CalcDialog& d) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed("None")));
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed("K, Constant")));
    for (uint16_t s : d.sources) {
        const int index = s - 2;
        char text[32];
        FormatKeyedText(text, sizeof text, Keyed("Row %c : Col %1d"), static_cast<char>('A' + index / kBoxesPerRow),
                        index % kBoxesPerRow + 1);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

bool ConstantChosen(HWND dlg) {
    return SendDlgItemMessageA(dlg, IDC_CALC_SOURCE1, CB_GETCURSEL, 0, 0) == kListConstant ||
           SendDlgItemMessageA(dlg, IDC_CALC_SOURCE2, CB_GETCURSEL, 0, 0) == kListConstant;
}

void OnInit(HWND dlg, CalcDialog* d) {
    HandleTheDialog(dlg, IDD_WAVEFORM_ARITHMETIC);
    static const char* const kOperators[] = {"+, Addition", "-, Subtraction", "*, Multiplication", "/, Division",
                                             "^, Exponential"};
    for (const char* op : kOperators)
        SendDlgItemMessageA(dlg, IDC_CALC_OPERATOR, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed(op)));
    SendDlgItemMessageA(dlg, IDC_CALC_OPERATOR, CB_SETCURSEL, d->box->op, 0);
    FillSourceList(GetDlgItem(dlg, IDC_CALC_SOURCE1), *d);
    FillSourceList(GetDlgItem(dlg, IDC_CALC_SOURCE2), *d);
    int p1 = PositionOf(*d, d->box->source1), p2 = PositionOf(*d, d->box->source2);
    if (p1 == kListConstant && p2 == kListConstant) p2 = kListNone;
    SendDlgItemMessageA(dlg, IDC_CALC_SOURCE1, CB_SETCURSEL, p1, 0);
    SendDlgItemMessageA(dlg, IDC_CALC_SOURCE2, CB_SETCURSEL, p2, 0);
    char k[64];
    std::snprintf(k, sizeof k, "%.5f", d->box->k);
    SetDlgItemTextA(dlg, IDC_CALC_CONSTANT, k);
    EnableWindow(GetDlgItem(dlg, IDC_CALC_CONSTANT), ConstantChosen(dlg));
    SendDlgItemMessageA(dlg, IDC_CALC_UNITS, EM_LIMITTEXT, 19, 0);
    SetDlgItemTextA(dlg, IDC_CALC_UNITS, GetMeasurementLabel(d->box));
}

void OnOk(HWND dlg, CalcDialog* d) {
    char text[64] = "";
    GetDlgItemTextA(dlg, IDC_CALC_CONSTANT, text, sizeof text);
    d->box->k = std::atof(text);
    d->box->source1 = SourceAt(*d, SendDlgItemMessageA(dlg, IDC_CALC_SOURCE1, CB_GETCURSEL, 0, 0));
    d->box->source2 = SourceAt(*d, SendDlgItemMessageA(dlg, IDC_CALC_SOURCE2, CB_GETCURSEL, 0, 0));
    const LRESULT op = SendDlgItemMessageA(dlg, IDC_CALC_OPERATOR, CB_GETCURSEL, 0, 0);
    d->box->op = static_cast<uint16_t>(op < 0 ? 0 : op);
    char unit[20] = "";
    GetDlgItemTextA(dlg, IDC_CALC_UNITS, unit, sizeof unit);
    SetMeasurementLabel(d->box, unit);
    EndDialog(dlg, 1);
}

INT_PTR CALLBACK CalcDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<CalcDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        OnInit(dlg, reinterpret_cast<CalcDialog*>(lParam));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        if ((id == IDC_CALC_SOURCE1 || id == IDC_CALC_SOURCE2) && code == CBN_SELCHANGE)
            EnableWindow(GetDlgItem(dlg, IDC_CALC_CONSTANT), ConstantChosen(dlg));
        // Both sources on the constant make no sense: the list just closed goes back to none.
        if ((id == IDC_CALC_SOURCE1 || id == IDC_CALC_SOURCE2) && code == CBN_CLOSEUP &&
            SendDlgItemMessageA(dlg, IDC_CALC_SOURCE1, CB_GETCURSEL, 0, 0) == kListConstant &&
            SendDlgItemMessageA(dlg, IDC_CALC_SOURCE2, CB_GETCURSEL, 0, 0) == kListConstant) {
            SendDlgItemMessageA(dlg, id, CB_SETCURSEL, kListNone, 0);
            MessageBeep(0);
        }
        if (id == IDOK && d) OnOk(dlg, d);
        if (id == IDCANCEL) EndDialog(dlg, 0);
        return TRUE;
    }
    default: return FALSE;
    }
}

}  // namespace

int ShowCalculationDialog(stMeasure* box, HWND) {
    if (!box || !box->doc) return 0;
    CalcDialog d{box, SourcesOf(box)};
    HWND owner = box->doc->hwnd ? box->doc->hwnd : box->parent;
    const INT_PTR r = DialogBoxParamA(g_app ? g_app->hInstance : GetModuleHandleA(nullptr),
                                      MAKEINTRESOURCEA(IDD_WAVEFORM_ARITHMETIC), owner, CalcDialogProc,
                                      reinterpret_cast<LPARAM>(&d));
    if (r != 1) return 0;
    StoreMeasurementSettings(box);
    return 1;
}
