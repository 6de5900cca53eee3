// The FIR and IIR filters as the Transform menu and the lesson scripts run them: the dialogs,
// the settings kept between runs, the undo entry and the progress over the selected channel.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <new>
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "transforms/filters/filters.h"
#include "transforms/filters/filter_cores.h"
#include "transforms/filters/window_functions.h"
#include "transforms/transform_conventions.h"
#include "transforms/transforms_api.h"
#include "base/app.h"
#include "transforms/transforms_ids.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_calc.h"
#include "graph/document/graph_doc.h"
#include <cstring>
#include <vector>

FirSettings g_firSettings;
IirSettings g_iirSettings;

namespace {

const char kFilteringKey[] = "Filtering: %3lu%% completed";
const char* const kFirNames[] = {"", "Low Pass Filter", "High Pass Filter", "Band Pass Filter", "Band Stop Filter",
                                 "Derivative"};
const uint32_t kFirTextKeys[] = {0, 450, 451, 650, 651, 452};
const char* const kIirSuffixes[] = {"", "Low Pass", "High Pass", "Band Pass (low+high)", "Band Pass", "Band Stop"};

bool ProgressStep(void* context, int64_t index) { return static_cast<TransformProgress*>(context)->Step(index); }

double ItemNumber(HWND dlg, int id, bool* ok) {
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    *ok = end != text;
    return v;
}

void SetItemFormat(HWND dlg, int id, const char* format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    SetDlgItemTextA(dlg, id, text);
}

void SetItemInt(HWND dlg, int id, long v) {
    char text[32];
    std::snprintf(text, sizeof text, "%ld", v);
    SetDlgItemTextA(dlg, id, text);
}

// A refused entry: the field shows what it should, all of it selected, with the focus.
void RefuseField(HWND dlg, int id) {
    SendDlgItemMessageA(dlg, id, EM_SETSEL, 0, -1);
    SetFocus(GetDlgItem(dlg, id));
}

// ---- FIR ----

// Counts are odd and no longer than the samples filtered (their odd part).
int32_t LimitCoefficients(int32_t count, int64_t samples) {
    int64_t odd = samples % 2 == 0 ? samples - 1 : samples;
    if (odd > 32767) odd = 32767;
    return count >= odd ? static_cast<int32_t>(odd) : count;
}

struct FirDialog {
    tagGS* gs;
    FirSettings* s;
    int* entire;
    bool selectionEmpty;
    bool derivative;
    int32_t selectionCount;
    uint32_t openFlags;
    double fs;
};

bool BandType(int type) { return type == kFirBandPass || type == kFirBandStop; }

void ShowFirCounts(HWND dlg, const FirDialog* d) {
    SetItemInt(dlg, IDC_FIR_TAPS, d->s->coefficientCount);
    SetItemInt(dlg, IDC_FIR_COUNT, d->s->rangeSampleCount);
    SetItemFormat(dlg, IDC_FIR_RATE, "%0.3f", d->fs);
}

void InitFirDialog(HWND dlg, FirDialog* d) {
    FirSettings* s = d->s;
    if (d->selectionEmpty) s->rangeSampleCount = static_cast<int32_t>(d->gs->chanCount[d->gs->selectedChan]);
    s->coefficientCount = LimitCoefficients(s->coefficientCount, s->rangeSampleCount);
    SetDlgItemTextA(dlg, IDC_FIR_NAME, kFirNames[s->type]);
    HWND list = GetDlgItem(dlg, IDC_FIR_WINDOW);
    for (int w = 0; w < kWindowCount; ++w) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WindowListText(w)));
    SendMessageA(list, CB_SETCURSEL, s->window < 1 || s->window >= kWindowCount ? 0 : s->window, 0);
    ShowFirCounts(dlg, d);
    if (BandType(s->type)) {
        SetItemFormat(dlg, IDC_FIR_LOW, "%lf", s->lowCutoff);
        SetItemFormat(dlg, IDC_FIR_HIGH, "%lf", s->highCutoff);
    } else {
        SetItemFormat(dlg, IDC_FIR_CUTOFF, "%lf", s->type == kFirHighPass ? s->highCutoff : s->lowCutoff);
    }
    CheckDlgButton(dlg, IDC_FIR_RESPONSE, (s->flags & kFirShowResponse) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_FIR_DONT_MODIFY, (s->flags & kFirDontModify) ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_FIR_DONT_MODIFY), (s->flags & kFirShowResponse) != 0);
    CheckDlgButton(dlg, IDC_FIR_ENTIRE, *d->entire ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_FIR_ENTIRE), !d->selectionEmpty);
    SetFocus(GetDlgItem(dlg, BandType(s->type) ? IDC_FIR_LOW : IDC_FIR_CUTOFF));
    if (d->derivative) SetWindowTextA(dlg, "Derivative");
    HandleTheDialog(dlg, kFirTextKeys[s->type]);
}

void FirMessage(HWND dlg, const char* key) { MessageBoxA(dlg, KeyedOr(key, key), g_app->szAppTitle, MB_ICONEXCLAMATION); }

// The checks of OK in order; false keeps the dialog open on the field refused.
bool AcceptFirDialog(HWND dlg, FirDialog* d) {
    FirSettings* s = d->s;
    bool ok = false;
    const double c = ItemNumber(dlg, IDC_FIR_TAPS, &ok);
    const bool countOk = ok && ((c >= 3 && c < s->rangeSampleCount) || (d->openFlags & kFirDontModify));
    if (!countOk) {
        MessageBeep(MB_ICONHAND);
        if (s->rangeSampleCount < 3) {
            FirMessage(dlg, "An Interval of at least 3 samples is required for FIR filters.");
        } else if (ok && c >= 3) {
            SetItemInt(dlg, IDC_FIR_TAPS, (s->rangeSampleCount - 2) | 1);
        } else {
            FirMessage(dlg, "FIR Filters require at least 3 coefficients.");
            SetItemInt(dlg, IDC_FIR_TAPS, 3);
        }
        RefuseField(dlg, IDC_FIR_TAPS);
        return false;
    }
    s->coefficientCount = static_cast<int32_t>(c);
    g_firSettings.coefficientCount = s->coefficientCount;
    const int firstId = BandType(s->type) ? IDC_FIR_LOW : IDC_FIR_CUTOFF;
    const double f = ItemNumber(dlg, firstId, &ok);
    if (!ok || f > d->fs / 2 || f <= 0) {
        MessageBeep(MB_ICONHAND);
        if (ok && f > d->fs / 2)
            SetItemFormat(dlg, firstId, "%lf", d->fs / 2);
        else
            SetItemFormat(dlg, firstId, "%lf", s->type == kFirHighPass ? s->highCutoff : s->lowCutoff);
        RefuseField(dlg, firstId);
        return false;
    }
    s->lowCutoff = f;
    if (s->type == kFirHighPass) s->highCutoff = f;
    if (BandType(s->type)) {
        const double g = ItemNumber(dlg, IDC_FIR_HIGH, &ok);
        if (!ok || g > d->fs / 2 || g <= s->lowCutoff) {
            MessageBeep(MB_ICONHAND);
            SetItemFormat(dlg, IDC_FIR_HIGH, "%lf", ok && g > d->fs / 2 ? d->fs / 2 : s->highCutoff);
            RefuseField(dlg, IDC_FIR_HIGH);
            return false;
        }
        s->highCutoff = g;
    }
    const LRESULT sel = SendDlgItemMessageA(dlg, IDC_FIR_WINDOW, CB_GETCURSEL, 0, 0);
    s->window = sel == CB_ERR ? 0 : static_cast<int32_t>(sel);
    s->flags = (IsDlgButtonChecked(dlg, IDC_FIR_RESPONSE) == BST_CHECKED ? kFirShowResponse : 0) |
               (IsDlgButtonChecked(dlg, IDC_FIR_DONT_MODIFY) == BST_CHECKED ? kFirDontModify : 0);
    g_firSettings.window = s->window;
    g_firSettings.flags = s->flags;
    return true;
}

void OnFirDialogCommand(HWND dlg, FirDialog* d, int id) {
    if (id == IDC_FIR_ENTIRE) {
        *d->entire = !*d->entire;
        FirSettings* s = d->s;
        s->rangeSampleCount = *d->entire ? static_cast<int32_t>(d->gs->chanCount[d->gs->selectedChan]) : d->selectionCount;
        s->coefficientCount = LimitCoefficients(s->coefficientCount, s->rangeSampleCount);
        ShowFirCounts(dlg, d);
    } else if (id == IDOK) {
        if (AcceptFirDialog(dlg, d)) EndDialog(dlg, 0);
        return;
    } else if (id == IDCANCEL) {
        EndDialog(dlg, 1);
        return;
    }
    EnableWindow(GetDlgItem(dlg, IDC_FIR_DONT_MODIFY), IsDlgButtonChecked(dlg, IDC_FIR_RESPONSE) == BST_CHECKED);
}

INT_PTR CALLBACK FirDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<FirDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        InitFirDialog(dlg, reinterpret_cast<FirDialog*>(lParam));
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (d) OnFirDialogCommand(dlg, d, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

// The FIR dialog for the filters and the derivative: 0 after OK, 1 after Cancel, 30 when it cannot be made.
int RunFirDialog(tagGS* gs, FirSettings* s, int* entire, int selectionEmpty, int derivative) {
    FirDialog d{gs, s, entire, selectionEmpty != 0, derivative != 0, s->rangeSampleCount, s->flags, SampleRate(gs)};
    const int id = BandType(s->type) ? IDD_FIR_BAND_FILTER : IDD_FIR_FILTER;
    const INT_PTR r = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(id), gs->hwnd, FirDialogProc,
                                      reinterpret_cast<LPARAM>(&d));
    if (r < 0) return kTransformNoMemory;
    return r == 0 ? kTransformDone : kTransformCancelled;
}

namespace {

// ---- IIR ----

struct IirDialog {
    tagGS* gs;
    IirSettings* s;
    int* entire;
    bool selectionEmpty;
    double fs;
};

bool BandQ(int type) { return type == kIirBandPass || type == kIirBandStop; }

void InitIirDialog(HWND dlg, IirDialog* d) {
    IirSettings* s = d->s;
    tagGS* gs = d->gs;
    for (int id : {IDC_IIR_SOURCE, IDC_IIR_FREQ, IDC_IIR_HIGH, IDC_IIR_Q, IDC_IIR_COUNT, IDC_IIR_RATE})
        SendDlgItemMessageA(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT)), 0);
    char caption[51] = "", text[160];
    GetWindowTextA(dlg, caption, sizeof caption);
    std::snprintf(text, sizeof text, "%s --- %s", caption, kIirSuffixes[s->type]);
    SetWindowTextA(dlg, text);
    std::snprintf(text, sizeof text, "%d, %s", s->channel, gs->chanLabel[s->channel]);
    SetDlgItemTextA(dlg, IDC_IIR_SOURCE, text);
    if (d->selectionEmpty) s->count = static_cast<int32_t>(gs->chanCount[s->channel]);
    SetItemInt(dlg, IDC_IIR_COUNT, s->count);
    SetItemFormat(dlg, IDC_IIR_RATE, "%.4f", d->fs);
    SetItemFormat(dlg, IDC_IIR_FREQ, "%.4f", s->frequency);
    SetItemFormat(dlg, IDC_IIR_HIGH, "%.4f", s->highFrequency);
    SetItemFormat(dlg, IDC_IIR_Q, "%.4f", BandQ(s->type) ? s->bandQ : s->q);
    const bool high = s->type == kIirBandPassLowHigh;
    for (int id : {IDC_IIR_HIGH, IDC_IIR_HIGH_LABEL, IDC_IIR_HIGH_UNITS}) ShowWindow(GetDlgItem(dlg, id), high ? SW_SHOW : SW_HIDE);
    SetDlgItemTextA(dlg, IDC_IIR_FREQ_LABEL, high ? KeyedOr("IIR LowFreq Key", "&Low Freq") : KeyedOr("IIR Frequency Key", "&Frequency"));
    CheckDlgButton(dlg, IDC_IIR_ENTIRE, *d->entire ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_IIR_ENTIRE), !d->selectionEmpty);
    SetFocus(GetDlgItem(dlg, IDC_IIR_FREQ));
    HandleTheDialog(dlg, 173 + s->type - 1);
}

// A refused entry: a beep, the warning, the stored value back in its field.
void RefuseIir(HWND dlg, int id, const char* key, double stored) {
    MessageBeep(MB_OK);
    MessageBoxA(dlg, KeyedOr(key, key), KeyedOr("Warning", "Warning"), MB_OK | MB_ICONEXCLAMATION);
    SetItemFormat(dlg, id, "%.4f", stored);
    RefuseField(dlg, id);
}

// Corners must stay below half the sampling rate: at half of it the section is unstable.
bool AcceptIirDialog(HWND dlg, IirDialog* d) {
    IirSettings* s = d->s;
    bool ok = false;
    const double f = ItemNumber(dlg, IDC_IIR_FREQ, &ok);
    if (!ok || !IirCornerValid(f, d->fs)) {
        RefuseIir(dlg, IDC_IIR_FREQ, "Frequency is out of range.", s->frequency);
        return false;
    }
    s->frequency = f;
    const double g = ItemNumber(dlg, IDC_IIR_HIGH, &ok);
    const bool highOk = ok && (s->type == kIirBandPassLowHigh ? IirCornerValid(g, d->fs) : g > 0);
    if (!highOk) {
        RefuseIir(dlg, IDC_IIR_HIGH, "Frequency is out of range.", s->highFrequency);
        return false;
    }
    s->highFrequency = g;
    const double q = ItemNumber(dlg, IDC_IIR_Q, &ok);
    double& stored = BandQ(s->type) ? s->bandQ : s->q;
    if (!ok || !(q > 0) || !std::isfinite(q)) {
        RefuseIir(dlg, IDC_IIR_Q, "Q value is out of range", stored);
        return false;
    }
    stored = q;
    return true;
}

INT_PTR CALLBACK IirDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<IirDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        InitIirDialog(dlg, reinterpret_cast<IirDialog*>(lParam));
        return FALSE;
    case WM_COMMAND:
        if (!d) return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_IIR_ENTIRE: *d->entire = !*d->entire; break;
        case IDOK:
            if (AcceptIirDialog(dlg, d)) EndDialog(dlg, 1);
            break;
        case IDCANCEL: EndDialog(dlg, 0); break;
        default: break;
        }
        return TRUE;
    default: return FALSE;
    }
}

// Fills the working record, runs the dialog, and after OK fixes the range and keeps the record.
int RunIirDialog(tagGS* gs, IirSettings* s, int* entire) {
    TransformRange range;
    if (SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    *entire = range.selectionEmpty;
    const int16_t type = s->type;
    *s = g_iirSettings;
    s->type = type;
    s->channel = static_cast<int16_t>(range.slot);
    s->count = static_cast<int32_t>(range.Count());
    IirDialog d{gs, s, entire, range.selectionEmpty, SampleRate(gs)};
    const INT_PTR r = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_IIR_FILTER), gs->hwnd, IirDialogProc,
                                      reinterpret_cast<LPARAM>(&d));
    if (r < 0) return kTransformNoMemory;
    if (r == 0) return kTransformCancelled;
    if (*entire) UseWholeChannel(gs, &range);
    s->first = range.first;
    s->last = range.last;
    s->count = static_cast<int32_t>(range.Count());
    g_iirSettings = *s;
    return kTransformDone;
}

void StoreSection(const IirSection& from, double coefficients[5], double state[4]) {
    const double c[5] = {from.a1, from.a2, from.c0, from.c1, from.c2};
    const double st[4] = {from.y2, from.y1, from.x2, from.x1};
    for (int i = 0; i < 5; ++i) coefficients[i] = c[i];
    for (int i = 0; i < 4; ++i) state[i] = st[i];
}

}  // namespace

// ---- Filter response ----

int ShowFilterResponse(tagGS* doc, const double* h, int32_t m, int type) {
    if (!doc || !h || m < 1 || type < kFirLowPass || type > 5) return 0;
    const uint32_t size = NextPowerOfTwo(static_cast<uint32_t>(m));
    std::vector<double> db;
    try {
        db.resize(size / 2 ? size / 2 : 1);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (size < 2 || !FirMagnitudeDb(h, m, size, db.data())) return 0;
    HWND hwnd = NewResultGraph();
    tagGS* g = hwnd ? GetWindowGraph(hwnd) : nullptr;
    if (!g) return 0;
    const char* name = getDlgCtrlText(kFirTextKeys[type], IDC_FIR_NAME);
    std::snprintf(g->title, sizeof g->title, "%s", name && *name ? name : kFirNames[type]);
    SetWindowTextA(hwnd, g->title);
    SetFrequencyResultGrid(g, false);
    // A gain is read at a point, between two points, and at its frequency.
    const int boxes[5] = {measure::kValue, measure::kDelta, measure::kHAbs, measure::kNone, measure::kNone};
    SetResultMeasurements(g, boxes);
    TransformDestination dest;
    if (!OpenDestination(g, -1, &dest) || !GrowChannelTo(g, dest.slot, size / 2)) {
        CloseGraph(g, nullptr);
        return 0;
    }
    std::snprintf(g->chanLabel[dest.slot], sizeof g->chanLabel[dest.slot], "Magnitude");
    std::snprintf(g->chanUnits[dest.slot], sizeof g->chanUnits[dest.slot], "dbV");
    std::memcpy(g->chanBlock[dest.slot], db.data(), (size / 2) * sizeof(double));
    g->sampleInterval = (1.0 / doc->sampleInterval) / size;
    g->selectedChan = static_cast<uint32_t>(dest.slot);
    g->hStart = 0.0;
    if (g->hDivisions > 0) g->hPerDiv = g->sampleInterval * (size / 2) / g->hDivisions;
    UpdateGraphLength(g);
    AutoScaleGraph(g, 1);
    UpdateGraphScrollBars(g);
    UpdateAllMeasurements(g);
    ShowResultGraph(hwnd);
    return 1;
}

// ---- FIR entry points ----

int FirFilterChannel(tagGS* gs, int type, int withDialog) {
    TransformRange range;
    if (!gs || type < kFirLowPass || type > kFirBandStop) return kTransformBadSelection;
    if (SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    const bool selectionEmpty = range.selectionEmpty;
    int entire = selectionEmpty ? 1 : 0;
    const double fs = SampleRate(gs);
    FirSettings w = g_firSettings;
    w.type = type;
    w.rangeSampleCount = static_cast<int32_t>(range.Count());
    const uint32_t channelCount = gs->chanCount[range.slot];
    // A script's count is used as it stands, but none or a negative one would mean no filter.
    if (!withDialog && w.coefficientCount <= 0) return BadParameterCode(kReasonFirCoefficients);
    w.coefficientCount = LimitCoefficients(w.coefficientCount, selectionEmpty ? channelCount : w.rangeSampleCount);
    int result = kTransformDone;
    if (withDialog) {
        w.lowCutoff = fs / 8;
        w.highCutoff = fs / 4;
        result = RunFirDialog(gs, &w, &entire, selectionEmpty ? 1 : 0, 0);
    }
    g_firSettings = w;
    if (selectionEmpty || entire) {
        UseWholeChannel(gs, &range);
        w.rangeSampleCount = static_cast<int32_t>(channelCount);
    }
    if (result != kTransformDone) return result;
    const int32_t m = w.coefficientCount | 1;
    std::unique_ptr<double[]> h(new (std::nothrow) double[m]());
    if (!h) return kTransformNoMemory;
    DesignFirCoefficients(6.283185307 * w.lowCutoff / fs, 6.283185307 * w.highCutoff / fs, type, h.get(), (m - 1) / 2);
    ApplyWindow(h.get(), m, w.window);
    int r = kFilterDone;
    // Left unmodified, the channel is not even converted: only the response is wanted of it.
    if (!(w.flags & kFirDontModify)) {
        double* x = ChannelAsDoubles(gs, range.slot);
        if (!x) return kTransformNoMemory;
        if (!SaveTransformUndo(gs, range, "Filter")) return kTransformNoMemory;
        TransformProgress progress(kFilteringKey, 0, range.Count() - 1);
        FilterProgress step;
        step.step = ProgressStep;
        step.context = &progress;
        r = ApplyFirFilter(x + range.first, range.Count(), h.get(), m, step);
        if (r == kFilterNoMemory) return kTransformNoMemory;
    }
    // Given up with Escape: what is filtered stays so, and no response follows.
    if (r == kFilterDone && (w.flags & kFirShowResponse)) ShowFilterResponse(gs, h.get(), m, type);
    return kTransformDone;
}

int OnFirLowPass(tagGS* gs) { return FirFilterChannel(gs, kFirLowPass, 1); }
int OnFirHighPass(tagGS* gs) { return FirFilterChannel(gs, kFirHighPass, 1); }
int OnFirBandPass(tagGS* gs) { return FirFilterChannel(gs, kFirBandPass, 1); }
int OnFirBandStop(tagGS* gs) { return FirFilterChannel(gs, kFirBandStop, 1); }

// ---- IIR entry point ----

int IirFilterChannel(tagGS* gs, int index) {
    if (!gs || index < 0 || index > 4) return kTransformBadSelection;
    IirSettings w;
    w.type = static_cast<int16_t>(index + 1);
    int entire = 0;
    const int result = RunIirDialog(gs, &w, &entire);
    if (result != kTransformDone) return result;
    IirSection sections[2];
    const int count = DesignIirSections(w.type, w.frequency, w.highFrequency, w.q, w.bandQ, 1000.0 / SampleRate(gs), sections);
    double* x = ChannelAsDoubles(gs, w.channel);
    if (!x) return kTransformNoMemory;
    TransformRange range;
    range.slot = w.channel;
    range.first = w.first;
    range.last = w.last;
    range.entire = entire != 0;
    if (!SaveTransformUndo(gs, range, "Filter")) return kTransformNoMemory;
    int r;
    {
        TransformProgress progress(kFilteringKey, 0, range.Count() - 1);
        FilterProgress step;
        step.step = ProgressStep;
        step.context = &progress;
        r = ApplyIirSections(x + range.first, range.Count(), sections, count, step);
    }
    StoreSection(sections[0], g_iirSettings.section1, g_iirSettings.state1);
    if (count > 1) StoreSection(sections[1], g_iirSettings.section2, g_iirSettings.state2);
    return r == kFilterStopped ? kTransformCancelled : kTransformDone;
}
