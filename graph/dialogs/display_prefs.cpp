// The Display Preferences dialog: per-graph display options, one application option (pastes
// interpolated between windows) and one process-wide option (how far a page scroll moves).
#include "graph/dialogs/dialogs_api.h"
#include "graph/dialogs/dialog_util.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "graph/document/graph_doc.h"
#include "graph/view/display_modes.h"

namespace {


bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
void Check(HWND dlg, int id, bool on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }

// The boxes, the two counts and the page step as the graph and the program hold them.
void OnPrefsInit(HWND dlg, tagGS* gs) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(gs));
    Check(dlg, IDC_PREFS_GRAY, gs->grayNonSelected != 0);
    Check(dlg, IDC_PREFS_AUTOSCALE, gs->afterTransformAction == 1);
    Check(dlg, IDC_PREFS_TILE, gs->afterTransformAction == 2);
    Check(dlg, IDC_PREFS_ALL_MEMORY, gs->useAllMemory != 0);
    Check(dlg, IDC_PREFS_DRAFT, gs->draftCompressed != 0);
    Check(dlg, IDC_PREFS_INTERPOLATE, g_app->options.bInterpolatePaste != 0);
    Check(dlg, IDC_PREFS_TOOLS, gs->toolsWhileRecording != 0);
    const int rows = gs->measureRows >= 1 && gs->measureRows <= 8 ? gs->measureRows : 1;
    gdlg::FillDigits(dlg, IDC_PREFS_ROWS, rows);
    gdlg::FillDigits(dlg, IDC_PREFS_PRECISION,
                     gs->precisionDigits >= 1 && gs->precisionDigits <= 8 ? gs->precisionDigits : 1);
    CheckRadioButton(dlg, IDC_PREFS_PAGE_FULL, IDC_PREFS_PAGE_QUARTER,
                     IDC_PREFS_PAGE_FULL + (g_nPageDivisor >= 4 ? 2 : g_nPageDivisor / 2));
    HandleTheDialog(dlg, IDD_DISPLAY_PREFS);
}

// Only the five per-graph options mark the graph modified; rows and precision rebuild what shows them.
void OnPrefsOk(HWND dlg, tagGS* gs) {
    const uint32_t before[5] = {gs->grayNonSelected, gs->draftCompressed, gs->useAllMemory, gs->afterTransformAction,
                                gs->toolsWhileRecording};
    gs->afterTransformAction = Checked(dlg, IDC_PREFS_AUTOSCALE) ? 1 : Checked(dlg, IDC_PREFS_TILE) ? 2 : 0;
    gs->draftCompressed = Checked(dlg, IDC_PREFS_DRAFT);
    gs->useAllMemory = Checked(dlg, IDC_PREFS_ALL_MEMORY);
    gs->grayNonSelected = Checked(dlg, IDC_PREFS_GRAY);
    g_app->options.bInterpolatePaste = Checked(dlg, IDC_PREFS_INTERPOLATE);
    gs->toolsWhileRecording = Checked(dlg, IDC_PREFS_TOOLS);
    if (gs->grayNonSelected != before[0]) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    const uint32_t after[5] = {gs->grayNonSelected, gs->draftCompressed, gs->useAllMemory, gs->afterTransformAction,
                               gs->toolsWhileRecording};
    for (int i = 0; i < 5; ++i)
        if (after[i] != before[i]) {
            setDirtyGraphFlag(gs, 1);
            break;
        }
    const int rows = gdlg::ChosenDigits(dlg, IDC_PREFS_ROWS);
    if (rows != gs->measureRows) {
        SetWaitCursor(1);
        ResetMeasurementGrid(gs, static_cast<uint16_t>(rows), kMeasureCols);
        SetWaitCursor(0);
    }
    const int precision = gdlg::ChosenDigits(dlg, IDC_PREFS_PRECISION);
    if (precision != gs->precisionDigits) {
        gs->precisionDigits = static_cast<uint16_t>(precision);
        UpdateAllMeasurements(gs);
    }
    g_nPageDivisor = Checked(dlg, IDC_PREFS_PAGE_FULL) ? 1 : Checked(dlg, IDC_PREFS_PAGE_HALF) ? 2 : 4;
    EndDialog(dlg, 1);
}

// The two after-transformation boxes are plain check boxes kept exclusive here.
INT_PTR CALLBACK PrefsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* gs = reinterpret_cast<tagGS*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        OnPrefsInit(dlg, reinterpret_cast<tagGS*>(lParam));
        return TRUE;
    }
    if (msg != WM_COMMAND || !gs) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_PREFS_AUTOSCALE:
    case IDC_PREFS_TILE: {
        // At most one of the two: ticking one clears the other.
        const int id = LOWORD(wParam), other = id == IDC_PREFS_AUTOSCALE ? IDC_PREFS_TILE : IDC_PREFS_AUTOSCALE;
        const bool on = !Checked(dlg, id);
        Check(dlg, id, on);
        if (on) Check(dlg, other, false);
        break;
    }
    case IDC_PREFS_JOURNAL: DoJournalPrefsDialog(dlg); break;
    case IDOK: OnPrefsOk(dlg, gs); break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
    return TRUE;
}

}  // namespace

// Runs over the active graph; the dialog writes the values itself on OK.
int DoDisplayPrefsDialog(HWND owner, tagGS* gs) {
    if (!gs || !g_app) return 0;
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_DISPLAY_PREFS), owner, PrefsProc,
                                           reinterpret_cast<LPARAM>(gs));
    return result == 1 ? 1 : 0;
}
