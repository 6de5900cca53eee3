// The Resize Window and Waveform Statistics dialogs of the Display menu.
#include "graph/window/graph_window.h"
#include "shell/system_dialogs.h"
#include "shell/commands/status.h"
#include "base/app.h"
#include "shell/shell_ids.h"
#include "common/tagGS.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include "documents/measurements/doc_measure.h"
#include "graph/view/axis_units.h"
#include "graph/view/display_modes.h"
#include "graph/document/graph_doc.h"
#include "common/keyed_format.h"
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

constexpr uint32_t kChartShare = 1092;     // each channel's share of the Chart-mode height
constexpr uint32_t kEscHintSamples = 10000;

WINDOWPLACEMENT g_placement;
tagGS* g_statsDoc = nullptr;

void InitResize(HWND dlg) {
    HWND graph = g_app->hwndActiveGraph;
    if (!graph || !IsWindow(graph)) {
        EndDialog(dlg, 0);
        return;
    }
    g_placement = WINDOWPLACEMENT{};
    g_placement.length = sizeof g_placement;
    GetWindowPlacement(graph, &g_placement);
    const RECT& rc = g_placement.rcNormalPosition;
    SetDlgItemInt(dlg, IDC_RESIZE_WIDTH, static_cast<UINT>(rc.right - rc.left), FALSE);
    SetDlgItemInt(dlg, IDC_RESIZE_HEIGHT, static_cast<UINT>(rc.bottom - rc.top), FALSE);
    HandleTheDialog(dlg, IDD_RESIZE_WINDOW);
}

// A 0 in either field keeps the size; the window comes back to its normal state either way.
void ApplyResize(HWND dlg) {
    HWND graph = g_app->hwndActiveGraph;
    const UINT width = GetDlgItemInt(dlg, IDC_RESIZE_WIDTH, nullptr, FALSE);
    const UINT height = width ? GetDlgItemInt(dlg, IDC_RESIZE_HEIGHT, nullptr, FALSE) : 0;
    RECT& rc = g_placement.rcNormalPosition;
    if (width && height) {
        rc.right = rc.left + static_cast<LONG>(width);
        rc.bottom = rc.top + static_cast<LONG>(height);
    }
    g_placement.flags = 0;
    g_placement.showCmd = SW_SHOWNORMAL;
    if (graph && IsWindow(graph)) SetWindowPlacement(graph, &g_placement);
    tagGS* gs = graph ? GetWindowGraph(graph) : nullptr;
    if (gs && IsDlgButtonChecked(dlg, IDC_RESIZE_RESET_CHART) == BST_CHECKED) {
        for (int slot = 0; slot < kMaxChannels; ++slot) gs->chanViewWord[slot] = kChartShare;
        UpdateGraphScrollBars(gs);
        InvalidateRect(gs->hwnd, nullptr, FALSE);
    }
}

INT_PTR CALLBACK ResizeProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        InitResize(dlg);
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDOK) {
        ApplyResize(dlg);
        EndDialog(dlg, 1);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 0);
    }
    return TRUE;
}

// The interval and the length of a channel in the document's horizontal unit.
void ShowIntervalAndLength(HWND dlg, tagGS* gs, uint32_t n) {
    char text[256], unit[64] = "";
    double size = 1.0;
    if (gs->hUnitKind == kHUnitFrequency) {
        FormatKeyedText(text, sizeof text, Keyed("%f Hz/sample"), gs->sampleInterval * 1000.0);
    } else if (gs->hUnitKind == kHUnitUser) {
        ChooseTimeUnits(gs, 0.0, unit, gs->hUnitKind, &size, 0);
        FormatKeyedText(text, sizeof text, Keyed("%f %s/sample"), gs->sampleInterval * 1000.0, unit);
    } else {
        FormatKeyedText(text, sizeof text, Keyed("%f samples/sec"), 1000.0 / gs->sampleInterval);
    }
    SetDlgItemTextA(dlg, IDC_STATS_INTERVAL, text);
    const double length = n * gs->sampleInterval;
    ChooseTimeUnits(gs, length, unit, gs->hUnitKind, &size, 0);
    if (gs->hUnitKind == kHUnitClock) {
        char hms[128] = "";
        FormatTimeHMS(static_cast<int32_t>(length / size), hms);
        char clock[192];
        std::snprintf(clock, sizeof clock, "%s %s", unit, hms);
        FormatKeyedText(text, sizeof text, Keyed("%ld samples, %s"), static_cast<long>(n), clock);
    } else {
        FormatKeyedText(text, sizeof text, Keyed("%ld samples, %f %s"), static_cast<long>(n),
                        size != 0.0 ? length / size : length, unit);
    }
    SetDlgItemTextA(dlg, IDC_STATS_LENGTH, text);
}

// The statistics of one slot over the whole channel; the document's selection is put back.
void ShowStatistics(HWND dlg, tagGS* gs, int slot) {
    const double savedStart = gs->selStart, savedEnd = gs->selEnd;
    const uint32_t n = gs->chanCount[slot];
    gs->selStart = 0.0;
    gs->selEnd = n ? (n - 1) * gs->sampleInterval : 0.0;
    ShowIntervalAndLength(dlg, gs, n);
    if (n > kEscHintSamples) SetStatusText("Press Esc to cancel calculations");
    const struct {
        int id, type;
    } rows[] = {{IDC_STATS_MIN, measure::kMin}, {IDC_STATS_MAX, measure::kMax}, {IDC_STATS_MEAN, measure::kMean}};
    for (const auto& row : rows) {
        char text[128];
        std::snprintf(text, sizeof text, "%.6g %s", MeasureDocument(gs, slot, row.type), gs->chanUnits[slot]);
        SetDlgItemTextA(dlg, row.id, text);
    }
    if (n > kEscHintSamples) SetStatusText(nullptr);
    gs->selStart = savedStart;
    gs->selEnd = savedEnd;
}

void InitStatistics(HWND dlg, tagGS* gs) {
    CenterWindowOnScreen(dlg);
    HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
    for (int id : {IDC_STATS_CHANNEL, IDC_STATS_INTERVAL, IDC_STATS_LENGTH, IDC_STATS_MIN, IDC_STATS_MAX, IDC_STATS_MEAN})
        SendDlgItemMessageA(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    g_statsDoc = gs;
    HWND list = GetDlgItem(dlg, IDC_STATS_CHANNEL);
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!(gs->chanFlags[slot] & kChanSlotMask)) continue;
        char text[64];
        std::snprintf(text, sizeof text, "%d, %s", slot, gs->chanLabel[slot]);
        const LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), slot);
        if (static_cast<uint32_t>(slot) == gs->selectedChan) SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_STATS_CHANNEL, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    HandleTheDialog(dlg, IDD_WAVEFORM_STATISTICS);
}

INT_PTR CALLBACK StatisticsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        InitStatistics(dlg, reinterpret_cast<tagGS*>(lParam));
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 1);
    } else if (LOWORD(wParam) == IDC_STATS_CHANNEL && HIWORD(wParam) == CBN_SELCHANGE && g_statsDoc) {
        HWND list = GetDlgItem(dlg, IDC_STATS_CHANNEL);
        const LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
        if (item != CB_ERR)
            ShowStatistics(dlg, g_statsDoc, static_cast<int>(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(item), 0)));
    }
    return TRUE;
}

}  // namespace

INT_PTR ResizeWindowDlg(HWND parent) {
    return DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_RESIZE_WINDOW), parent, ResizeProc, 0);
}

INT_PTR WaveformStatisticsDlg(HWND parent, tagGS* doc) {
    if (!doc) return 0;
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_WAVEFORM_STATISTICS), parent,
                                           StatisticsProc, reinterpret_cast<LPARAM>(doc));
    g_statsDoc = nullptr;
    return result;
}
