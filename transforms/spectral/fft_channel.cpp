// The FFT transform: preparation of the selected samples, the transform, and the result graph.
#include "transforms/spectral/fft_channel.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "transforms/spectral/fft.h"
#include "transforms/spectral/spectrum.h"
#include "transforms/filters/window_functions.h"
#include "transforms/transforms_api.h"
#include "transforms/transform_conventions.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_calc.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/view/channel_selection.h"
#include "base/notify.h"
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

FftSettingsRecord FftSettings = {1, kFftMagnitude, kFftApplyWindow, kWindowHamming, 0};

namespace {
struct FftDialogState {
    FftSettingsRecord settings;
    uint32_t entire;
    int small;
    int64_t selected, count;
};

// The points line: K, and "(exact)" with the fill buttons off when no filling is needed.
void ShowPoints(HWND dlg, const FftDialogState& s) {
    const int64_t n = s.entire ? s.count : s.selected;
    const uint32_t k = NextPowerOfTwo(static_cast<uint32_t>(n));
    char text[32];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(k));
    SetDlgItemTextA(dlg, IDC_FFT_POINTS, text);
    const bool exact = n == k;
    EnableWindow(GetDlgItem(dlg, IDC_FFT_PAD_ZEROS), exact ? FALSE : TRUE);
    EnableWindow(GetDlgItem(dlg, IDC_FFT_PAD_LAST), exact ? FALSE : TRUE);
    ShowWindow(GetDlgItem(dlg, IDC_FFT_EXACT), exact ? SW_SHOW : SW_HIDE);
}

void InitFftDialog(HWND dlg, FftDialogState* s) {
    HWND list = GetDlgItem(dlg, IDC_FFT_WINDOW_LIST);
    for (int w = 1; w < kWindowCount; ++w) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WindowListText(w)));
    SendMessageA(list, CB_SETCURSEL, s->settings.window >= 1 ? s->settings.window - 1 : 0, 0);
    CheckDlgButton(dlg, IDC_FFT_REMOVE_MEAN, (s->settings.options & kFftRemoveMean) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_FFT_REMOVE_TREND, (s->settings.options & kFftRemoveTrend) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_FFT_WINDOW, (s->settings.options & kFftApplyWindow) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_FFT_MAGNITUDE, (s->settings.outputs & kFftMagnitude) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_FFT_PHASE, (s->settings.outputs & kFftPhase) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_FFT_MODIFIED_INPUT, (s->settings.outputs & kFftModifiedInput) ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dlg, IDC_FFT_DB, IDC_FFT_LINEAR, s->settings.scale ? IDC_FFT_DB : IDC_FFT_LINEAR);
    CheckRadioButton(dlg, IDC_FFT_PAD_ZEROS, IDC_FFT_PAD_LAST, s->settings.padMode ? IDC_FFT_PAD_LAST : IDC_FFT_PAD_ZEROS);
    CheckDlgButton(dlg, IDC_TRANSFORM_ENTIRE, s->entire ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_TRANSFORM_ENTIRE), s->small ? FALSE : TRUE);
    ShowPoints(dlg, *s);
    HandleTheDialog(dlg, IDD_FFT);
}

void ReadFftDialog(HWND dlg, FftDialogState* s) {
    FftSettingsRecord& r = s->settings;
    const LRESULT at = SendDlgItemMessageA(dlg, IDC_FFT_WINDOW_LIST, CB_GETCURSEL, 0, 0);
    r.window = static_cast<int32_t>(at < 0 ? 0 : at) + 1;
    const int64_t n = s->entire ? s->count : s->selected;
    if (n != NextPowerOfTwo(static_cast<uint32_t>(n))) r.padMode = IsDlgButtonChecked(dlg, IDC_FFT_PAD_ZEROS) ? 0 : 1;
    auto bit = [dlg](int id, uint32_t value) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED ? value : 0u; };
    r.options = bit(IDC_FFT_REMOVE_MEAN, kFftRemoveMean) | bit(IDC_FFT_REMOVE_TREND, kFftRemoveTrend) |
                bit(IDC_FFT_WINDOW, kFftApplyWindow);
    r.outputs = bit(IDC_FFT_MAGNITUDE, kFftMagnitude) | bit(IDC_FFT_PHASE, kFftPhase) |
                bit(IDC_FFT_MODIFIED_INPUT, kFftModifiedInput);
    r.scale = IsDlgButtonChecked(dlg, IDC_FFT_DB) == BST_CHECKED ? 1 : 0;
}

INT_PTR CALLBACK FftDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<FftDialogState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        InitFftDialog(dlg, reinterpret_cast<FftDialogState*>(lParam));
        return TRUE;
    }
    if (msg != WM_COMMAND || !s) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_TRANSFORM_ENTIRE:
        s->entire = IsDlgButtonChecked(dlg, IDC_TRANSFORM_ENTIRE) == BST_CHECKED;
        ShowPoints(dlg, *s);
        return TRUE;
    case IDOK:
        ReadFftDialog(dlg, s);
        EndDialog(dlg, 0);
        return TRUE;
    case IDCANCEL: EndDialog(dlg, 1); return TRUE;
    default: return FALSE;
    }
}

// The result graph: a new memory graph named "FFT" on a frequency axis. It is made hidden: a
// shown window would have its panes, bars and boxes drawn again at each step of filling it.
tagGS* MakeResultGraph(int* refused) {
    HWND hwnd = NewResultGraph(refused);
    tagGS* result = hwnd ? GetWindowGraph(hwnd) : nullptr;
    if (!result) return nullptr;
    std::snprintf(result->title, sizeof result->title, "FFT");
    SetWindowTextA(hwnd, result->title);
    result->sampleInterval = 1.0;
    result->selectedChan = 0;
    // A spectrum is read against its grid, major and fine lines.
    SetFrequencyResultGrid(result, true);
    // A spectrum is read at a frequency, across a band, and at its peak.
    const int boxes[5] = {measure::kHAbs, measure::kDeltaH, measure::kMax, measure::kNone, measure::kNone};
    SetResultMeasurements(result, boxes);
    return result;
}

// A half-made result graph goes without questions: its window takes the document with it.
void CloseResultGraph(tagGS* result) {
    if (!result || !g_app) return;
    result->modified = 0;
    if (HWND hwnd = result->hwnd; hwnd && IsWindow(hwnd))
        SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
    else
        CloseGraph(result, g_app->hwndFrame);
}

// A channel of count doubles in the result graph; -1 when it could not be had.
int AddResultChannel(tagGS* result, const char* label, const char* units, uint32_t count) {
    TransformDestination dest;
    if (!OpenDestination(result, -1, &dest)) return -1;
    if (!GrowChannelTo(result, dest.slot, count)) {
        AbandonDestination(result, &dest);
        return -1;
    }
    std::snprintf(result->chanLabel[dest.slot], sizeof result->chanLabel[dest.slot], "%s", label);
    std::snprintf(result->chanUnits[dest.slot], sizeof result->chanUnits[dest.slot], "%s", units);
    return dest.slot;
}

// The prepared values as a new channel of the source graph.
void AddModifiedInput(tagGS* gs, int source, const double* x, uint32_t k) {
    TransformDestination dest;
    if (!OpenDestination(gs, -1, &dest)) return;
    if (!GrowChannelTo(gs, dest.slot, k)) {
        AbandonDestination(gs, &dest);
        return;
    }
    std::memcpy(gs->chanBlock[dest.slot], x, static_cast<size_t>(k) * sizeof(double));
    std::snprintf(gs->chanLabel[dest.slot], sizeof gs->chanLabel[dest.slot], "Modified input - CH %2d", source);
    std::snprintf(gs->chanUnits[dest.slot], sizeof gs->chanUnits[dest.slot], "%s", gs->chanUnits[source]);
    RebuildChannelItems(gs);
    FinishTransform(gs);
}

}  // namespace

int RunFftDialog(tagGS* gs, int64_t n, int64_t count, FftSettingsRecord* settings, uint32_t* entire, int small) {
    FftDialogState s{*settings, *entire, small, small ? count : n, count};
    const INT_PTR r = DialogBoxParamA(g_app ? g_app->hInstance : GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FFT),
                                      gs->hwnd ? gs->hwnd : (Owner()), FftDialogProc,
                                      reinterpret_cast<LPARAM>(&s));
    if (r == -1) return kTransformNoMemory;
    if (r != 0) return kTransformCancelled;
    *settings = s.settings;
    *entire = s.entire;
    return kTransformDone;
}

namespace {

// Trend, mean, window and fill, in that order, over the n samples read.
void Prepare(const FftSettingsRecord& s, double* x, int64_t n, int64_t k) {
    FillUp(x, n, n, 0);
    if (s.options & kFftRemoveTrend) RemoveTrend(x, n);
    if (s.options & kFftRemoveMean) RemoveMean(x, n);
    if (s.options & kFftApplyWindow) ApplyWindow(x, static_cast<int32_t>(n), s.window);
    FillUp(x, n, k, s.padMode);
}

// The preparation and the transform on a pool thread while the result graph is made,
// and, when it is the only spectrum asked for, the magnitude spectrum in place over the first K/2
// values. The thread touches no window: the caller shows its progress and reads Escape while it waits.
class TransformThread {
public:
    // Below this many points the transform is over sooner than a thread is worth: it runs in
    // Wait, asking for Escape before each pass.
    static constexpr uint32_t kThreadPoints = 1u << 18;

    TransformThread(const FftSettingsRecord& s, double* x, int64_t n, uint32_t k)
        : m_s(s), m_x(x), m_n(n), m_k(k), m_magnitudeOnly((s.outputs & (kFftMagnitude | kFftPhase)) == kFftMagnitude) {
        // A pool thread, kept from one transform to the next, rather than a new thread each time.
        if (k < kThreadPoints || !(m_finished = CreateEventA(nullptr, TRUE, FALSE, nullptr))) return;
        if (!TrySubmitThreadpoolCallback(Run, this, nullptr)) {
            CloseHandle(m_finished);
            m_finished = nullptr;
        }
    }
    ~TransformThread() {
        m_stop = true;
        Join();
    }
    TransformThread(const TransformThread&) = delete;
    TransformThread& operator=(const TransformThread&) = delete;

    // Whether x holds the magnitudes rather than the packed spectrum once Wait has given 1.
    bool MagnitudeOnly() const { return m_magnitudeOnly; }

    // 1 when the spectrum is in x; 0 when Escape stopped it or its tables could not be had.
    int Wait() {
        if (!m_finished) {
            Prepare(m_s, m_x, m_n, m_k);
            if (!RealFft(m_x, m_k, 1)) return 0;
            if (m_magnitudeOnly) MagnitudeSpectrum(m_x, m_k, m_s.scale, m_x);
            return 1;
        }
        notify::SetStatusTextFmt(kProgress, 0);
        uint32_t shown = 0;
        for (bool running = true; running;) {
            if (TransformEscapeHeld()) m_stop = true;
            running = WaitForSingleObject(m_finished, kPollMs) == WAIT_TIMEOUT;
            const uint32_t percent = m_percent;
            if (running && !m_stop && percent != shown) notify::SetStatusTextFmt(kProgress, static_cast<int32_t>(shown = percent));
        }
        Join();
        notify::SetStatusText("Ready");
        return m_stop ? 0 : m_done;
    }

private:
    static constexpr const char* kProgress = "FFT: %3lu%% completed";
    static constexpr DWORD kPollMs = 20;

    static void CALLBACK Run(PTP_CALLBACK_INSTANCE instance, void* context) {
        auto* t = static_cast<TransformThread*>(context);
        Prepare(t->m_s, t->m_x, t->m_n, t->m_k);
        const FftPlan* plan = t->m_k < 4 || t->m_stop ? nullptr : SharedFftPlan(t->m_k / 2);
        t->m_done = plan && plan->Real(t->m_x, Probe, t) ? 1 : 0;
        if (t->m_done && t->m_magnitudeOnly) MagnitudeSpectrum(t->m_x, t->m_k, t->m_s.scale, t->m_x);
        // Set as the callback returns: the waiter may free everything the moment it is set.
        SetEventWhenCallbackReturns(instance, t->m_finished);
    }
    static bool Probe(void* context, uint32_t percent) {
        auto* t = static_cast<TransformThread*>(context);
        t->m_percent = percent;
        return !t->m_stop;
    }
    void Join() {
        if (!m_finished) return;
        WaitForSingleObject(m_finished, INFINITE);
        CloseHandle(m_finished);
        m_finished = nullptr;
    }

    const FftSettingsRecord m_s;
    double* const m_x;
    const int64_t m_n;
    const uint32_t m_k;
    const bool m_magnitudeOnly;
    HANDLE m_finished = nullptr;  // set once the pool's run is over
    std::atomic<bool> m_stop{false};
    std::atomic<uint32_t> m_percent{0};
    int m_done = 0;
};

// The result graph with a channel for each spectrum asked for; 0 (nothing left made) when it
// could not be had, -1 when review-saved-data mode refused it (the user has been told).
int OpenResultGraph(const FftSettingsRecord& s, const char* units, uint32_t k, tagGS** result, int* magnitude,
                    int* phase) {
    int refused = 0;
    if (!(*result = MakeResultGraph(&refused))) return refused ? -1 : 0;
    if (s.outputs & kFftMagnitude) {
        *magnitude = AddResultChannel(*result, "Magnitude", s.scale ? "dbV" : units, k / 2);
        if (*magnitude < 0) {
            CloseResultGraph(*result);
            return 0;
        }
    }
    if (s.outputs & kFftPhase) *phase = AddResultChannel(*result, "Phase", "degrees", k / 2);
    if (*magnitude < 0 && *phase < 0) {
        CloseResultGraph(*result);
        return 0;
    }
    return 1;
}

// The spectra into the result graph's channels (the magnitudes copied when x already holds them),
// and its axis: K/2 points (1 / interval) / K apart.
void FillResultGraph(tagGS* gs, tagGS* result, const FftSettingsRecord& s, const double* x, bool magnitudes,
                     uint32_t k, int magnitude, int phase) {
    if (magnitude >= 0 && magnitudes)
        std::memcpy(result->chanBlock[magnitude], x, static_cast<size_t>(k / 2) * sizeof(double));
    else if (magnitude >= 0)
        MagnitudeSpectrum(x, k, s.scale, static_cast<double*>(result->chanBlock[magnitude]));
    if (phase >= 0) PhaseSpectrum(x, k, static_cast<double*>(result->chanBlock[phase]));
    result->sampleInterval = gs->sampleInterval > 0.0 ? (1.0 / gs->sampleInterval) / k : 1.0;
    result->selectedChan = static_cast<uint32_t>(magnitude >= 0 ? magnitude : phase);
    // The whole spectrum in view, with a little room at its right end.
    result->hStart = 0.0;
    if (result->hDivisions > 0) result->hPerDiv = result->sampleInterval * (k / 2) / (0.98 * result->hDivisions);
    UpdateGraphLength(result);
    RebuildChannelItems(result);
    AutoScaleGraph(result, 1);
    UpdateGraphScrollBars(result);
    UpdateAllMeasurements(result);
    if (result->hwnd) InvalidateRect(result->hwnd, nullptr, FALSE);
}
}  // namespace

int FftChannel(tagGS* gs, int withDialog, int visible) {
    TransformRange range;
    if (!gs || SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    const int slot = range.slot;
    const int64_t count = gs->chanCount[slot];
    const int small = range.Count() < 4;
    uint32_t entire = small ? 1 : 0;
    if (small && count < 4) return BadParameterCode(kReasonFftInterval);
    FftSettingsRecord s = FftSettings;
    if (withDialog) {
        const int r = RunFftDialog(gs, range.Count(), count, &s, &entire, small);
        if (r != kTransformDone) return r;
    }
    if (!s.outputs) return kTransformCancelled;
    if (small || entire) UseWholeChannel(gs, &range);
    const int64_t n = range.Count();
    const uint32_t k = NextPowerOfTwo(static_cast<uint32_t>(n));
    FftSettings = s;
    if (!k || n > 0x40000000) return kTransformNoMemory;
    if ((s.outputs & kFftModifiedInput) && !ChannelAsDoubles(gs, slot)) {
        if (MessageBoxFromStringTable(nullptr, MB_OKCANCEL | MB_ICONEXCLAMATION, IDS_NO_MEMORY_MODIFIED_INPUT) == IDCANCEL)
            return kTransformCancelled;
        s.outputs &= ~kFftModifiedInput;
    }
    // A locked block rather than the heap: one of a size asked for before comes back without
    // the cost of fresh pages.
    struct WorkBlock {
        void* p;
        ~WorkBlock() { FreeLockedBlock(p); }
    } work{AllocLockedBlock(static_cast<size_t>(k) * sizeof(double))};
    if (!work.p) return kTransformNoMemory;
    double* const x = static_cast<double*>(work.p);
    tagGS* result = nullptr;
    int magnitude = -1, phase = -1;
    const bool spectra = (s.outputs & (kFftMagnitude | kFftPhase)) != 0;
    // One wait cursor over the whole run: the steps that set their own find it already shown.
    CWaitCursor wait;
    int read = 0, done = 0;
    bool magnitudes = false;
    if (s.outputs & kFftModifiedInput) {
        // The prepared input joins the source graph before it is transformed in place.
        if (spectra) {
            const int opened = OpenResultGraph(s, gs->chanUnits[slot], k, &result, &magnitude, &phase);
            if (opened < 1) return opened < 0 ? kTransformCancelled : kTransformNoMemory;
        }
        read = ReadChannelValues(gs, slot, range.first, n, x);
        if (read) Prepare(s, x, n, k);
        if (read) AddModifiedInput(gs, slot, x, k);
        done = read && (!result || RealFft(x, k, 1));
    } else {
        // Read as values: a spectrum is no change of the source, which stays as recorded.
        read = ReadChannelValues(gs, slot, range.first, n, x);
        if (read) {
            // The transform runs while the result graph's window is made.
            TransformThread transform(s, x, n, k);
            const int opened = OpenResultGraph(s, gs->chanUnits[slot], k, &result, &magnitude, &phase);
            if (opened < 1) return opened < 0 ? kTransformCancelled : kTransformNoMemory;
            done = transform.Wait();
            magnitudes = transform.MagnitudeOnly();
        }
    }
    if (!read || !done) {
        CloseResultGraph(result);
        return read ? kTransformCancelled : kTransformNoMemory;
    }
    if (result) FillResultGraph(gs, result, s, x, magnitudes, k, magnitude, phase);
    if (result && visible) ShowResultGraph(result->hwnd);
    return kTransformDone;
}
