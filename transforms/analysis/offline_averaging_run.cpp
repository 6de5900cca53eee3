// Off-line averaging's run and its options dialog, and the control-channel parts of the Find
// Peak dialog.
#include "transforms/analysis/offline_averaging.h"
#include "transforms/analysis/find_peak.h"
#include "transforms/analysis/peak_search.h"
#include "transforms/transforms_api.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measurements.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/document/sample_store.h"
#include "common/keyed_format.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

bool InUse(const tagGS* gs, int slot) { return (gs->chanFlags[slot] & kChanSlotMask) != 0; }

void Warn(tagGS* gs, const char* key) {
    MessageBoxA(gs->hwnd, Keyed(key), Keyed("Warning"), MB_OK | MB_ICONINFORMATION);
}

// Where the searches may go and how many passes are wanted (0: as many as there are).
bool PrepareRange(tagGS* gs, int slot, int32_t* limit, int32_t* target) {
    const uint32_t count = gs->chanCount[slot];
    const int32_t lastSample = count ? static_cast<int32_t>(count) - 1 : 0;
    *limit = lastSample;
    *target = 0;
    switch (g_averagingSettings.rangeMode) {
    case 1: {
        int32_t first = 0, last = 0;
        if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return false;
        *limit = first > last ? first : last;
        return true;
    }
    case 2:
    case 3:
        if (g_findPeak.startFromStartTime) gs->selStart = g_findPeak.startTime * g_findPeak.unitFactor;
        gs->selEnd = gs->selStart;
        if (g_averagingSettings.rangeMode == 2) *target = g_averagingSettings.numAverages;
        return true;
    default:
        gs->selStart = gs->selEnd = 0.0;
        return true;
    }
}

// The pass length in document time: from the second cursor to the first, or in interval mode
// with "Previous Peak" one interval back from the second cursor's offset.
double PassLength() {
    const stFindPeakSettings& s = g_findPeak;
    if (s.mode == kPeakInterval && s.placement == kPlacePreviousPeak) return s.interval * s.unitFactor - s.secondOffset;
    return s.firstOffset - s.secondOffset;
}

}  // namespace

int RunOfflineAveraging(tagGS* gs) {
    if (!gs || gs->selectedChan >= static_cast<uint32_t>(kMaxChannels)) return 0;
    const int slot = static_cast<int>(gs->selectedChan);
    const double dt = gs->sampleInterval;
    int32_t limit = 0, target = 0;
    if (!(dt > 0.0) || !PrepareRange(gs, slot, &limit, &target)) return 0;
    double length = PassLength();
    const double samples = std::trunc(length / dt);
    if (!(samples >= 1.0) || samples > 2147483647.0) {
        Warn(gs, "Averaging interval too short");
        return 0;
    }
    const int32_t n = static_cast<int32_t>(samples);
    if (n == 1 && std::trunc(g_findPeak.firstOffset / dt) < 1.0 && std::trunc(std::fabs(g_findPeak.secondOffset) / dt) < 1.0) {
        g_findPeak.secondOffset = 0.0;
        g_findPeak.firstOffset = dt;
        length = dt;
    }
    averaging::PassSum sum;
    std::unique_ptr<double[]> pass(new (std::nothrow) double[static_cast<size_t>(n)]());
    if (!pass || !sum.Start(n)) {
        Warn(gs, "Can NOT allocate memory buffer for averaging");
        return 0;
    }
    const int control = g_findPeak.controlChannel == slot ? -1 : g_findPeak.controlChannel;
    // The searched channel is read once for all the passes and neither channel is converted:
    // averaging only reads the recording, which stays fit to be recorded on behind.
    const CPeakChannelValues values = PeakSearchValues(gs, limit, control);
    bool failed = false;
    for (;;) {
        const double before = gs->selStart;
        if (!FindPeakInValuesOf(gs, limit, control, values)) break;
        if (length <= gs->selStart) {
            int rejected = 0;
            if (!ExtractAveragingPass(gs, pass.get(), n, &rejected)) {
                failed = true;
                break;
            }
            if (!rejected) sum.Add(pass.get());
            if (target && sum.Count() >= target) break;
        } else if (std::trunc(gs->selEnd) > 0.0) {
            break;
        }
        if (!(gs->selStart > before)) break;  // a search that stands still would never end
    }
    if (target && sum.Count() < target) {
        Warn(gs, "There is not enough data to perform the averaging function");
        return 0;
    }
    if (g_findPeak.pasteToJournal) {
        char text[96];
        FormatKeyedText(text, sizeof text - 2, Keyed("%ld average passes made"), static_cast<long>(sum.Count()));
        std::strcat(text, "\r\n");
        JournalAppendText(gs, text);
    }
    if (failed) {
        Warn(gs, "Erorr getting data");
        return 0;
    }
    if (sum.Count() < 2) {
        Warn(gs, "There is not enough data to perform the averaging function");
        return 0;
    }
    sum.Mean(pass.get());
    MakeAverageGraph(gs, pass.get(), n);
    return 1;
}

int ChannelSlotFromListIndex(const tagGS* gs, int index) {
    if (!gs || index < 0) return -1;
    for (int slot = 0; slot < kMaxChannels; ++slot)
        if (InUse(gs, slot) && index-- == 0) return slot;
    return -1;
}

void FillControlChannelList(HWND dlg, tagGS* gs, int control) {
    SendDlgItemMessageA(dlg, IDC_FP_CONTROL_CHANNEL, CB_RESETCONTENT, 0, 0);
    int at = 0;
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!InUse(gs, slot)) continue;
        char text[128];
        std::snprintf(text, sizeof text, "CH %1d - %s", slot, gs->chanLabel[slot]);
        SendDlgItemMessageA(dlg, IDC_FP_CONTROL_CHANNEL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (slot == control) SendDlgItemMessageA(dlg, IDC_FP_CONTROL_CHANNEL, CB_SETCURSEL, at, 0);
        ++at;
    }
}

void PrefillPeakLevel(HWND dlg, int levelId, int unitsId, tagGS* gs, int slot) {
    if (slot < 0 || slot >= kMaxChannels) return;
    SetDlgItemTextA(dlg, unitsId, gs->chanUnits[slot]);
    if (gs->selStart == gs->selEnd) return;
    double minimum = 0.0, maximum = 0.0;
    SetWaitCursor(1);
    const bool ok = MeasureSelection(gs, slot, Measure::Min, &minimum) && MeasureSelection(gs, slot, Measure::Max, &maximum);
    SetWaitCursor(0);
    if (!ok) return;
    const double share = g_findPeak.mode == kPeakPositive ? 0.75 : 0.25;
    gdlg::SetEditValue(dlg, levelId, minimum + share * (maximum - minimum), 9);
}

namespace {

struct AveragingDialog {
    tagGS* gs;
    int control;
    int32_t rangeMode;
    int32_t reject;
};

constexpr int kRejectControls[6] = {IDC_AVG_REJECT_HIGH, IDC_AVG_REJECT_LOW, IDC_AVG_HIGH_LABEL,
                                    IDC_AVG_HIGH_UNITS,  IDC_AVG_LOW_LABEL,  IDC_AVG_LOW_UNITS};

void EnableReject(HWND dlg, bool on) {
    for (int id : kRejectControls) EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE);
}

void OnAveragingInit(HWND dlg, AveragingDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    const AveragingSettings& s = g_averagingSettings;
    d->reject = s.artifactRejection;
    d->rangeMode = s.rangeMode >= 0 && s.rangeMode <= 3 ? s.rangeMode : 0;
    CheckDlgButton(dlg, IDC_AVG_REJECT, d->reject ? BST_CHECKED : BST_UNCHECKED);
    EnableReject(dlg, d->reject != 0);
    char text[64];
    std::snprintf(text, sizeof text, "%.5f", s.rejectHigh);
    SetDlgItemTextA(dlg, IDC_AVG_REJECT_HIGH, text);
    std::snprintf(text, sizeof text, "%.5f", s.rejectLow);
    SetDlgItemTextA(dlg, IDC_AVG_REJECT_LOW, text);
    if (d->gs->selStart == d->gs->selEnd) {
        EnableWindow(GetDlgItem(dlg, IDC_AVG_SELECTED), FALSE);
        if (d->rangeMode == 1) d->rangeMode = 0;
    }
    CheckRadioButton(dlg, IDC_AVG_ENTIRE, IDC_AVG_TO_END, IDC_AVG_ENTIRE + d->rangeMode);
    std::snprintf(text, sizeof text, "%d", static_cast<int>(s.numAverages));
    SetDlgItemTextA(dlg, IDC_AVG_COUNT, text);
    EnableWindow(GetDlgItem(dlg, IDC_AVG_COUNT), d->rangeMode == 2 ? TRUE : FALSE);
    const char* units = d->control >= 0 && d->control < kMaxChannels ? d->gs->chanUnits[d->control] : "";
    SetDlgItemTextA(dlg, IDC_AVG_HIGH_UNITS, units);
    SetDlgItemTextA(dlg, IDC_AVG_LOW_UNITS, units);
    HandleTheDialog(dlg, IDD_AVERAGING_OPTIONS);
}

bool Refuse(HWND dlg, int id, const char* key) {
    MessageBoxA(dlg, Keyed(key), Keyed("Warning"), MB_OK | MB_ICONINFORMATION);
    gdlg::FocusAll(dlg, id);
    return false;
}

// The choices into the settings; false (the dialog stays) for too few passes or equal limits.
bool ValidateAveragingOptions(HWND dlg, AveragingDialog* d) {
    AveragingSettings& s = g_averagingSettings;
    int32_t count = s.numAverages;
    if (d->rangeMode == 2) {
        count = gdlg::ReadInteger(dlg, IDC_AVG_COUNT);
        if (count < 2) return Refuse(dlg, IDC_AVG_COUNT, "Number of averages must be at least 2");
    }
    if (d->reject) {
        const double high = gdlg::ReadNumber(dlg, IDC_AVG_REJECT_HIGH), low = gdlg::ReadNumber(dlg, IDC_AVG_REJECT_LOW);
        if (high == low) return Refuse(dlg, IDC_AVG_REJECT_LOW, "Check reject values");
        s.rejectHigh = high;
        s.rejectLow = low;
    }
    s.artifactRejection = d->reject;
    s.rangeMode = d->rangeMode;
    s.numAverages = count;
    return true;
}

void OnAveragingCommand(HWND dlg, AveragingDialog* d, int id, int) {
    switch (id) {
    case IDC_AVG_REJECT:
        d->reject = d->reject ? 0 : 1;
        EnableReject(dlg, d->reject != 0);
        break;
    case IDC_AVG_ENTIRE:
    case IDC_AVG_SELECTED:
    case IDC_AVG_COUNT_RANGE:
    case IDC_AVG_TO_END:
        d->rangeMode = id - IDC_AVG_ENTIRE;
        EnableWindow(GetDlgItem(dlg, IDC_AVG_COUNT), d->rangeMode == 2 ? TRUE : FALSE);
        break;
    case IDOK:
        if (ValidateAveragingOptions(dlg, d)) EndDialog(dlg, 1);
        break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

}  // namespace

int OpenAveragingOptions(HWND owner, tagGS* gs, int control) {
    if (!gs) return 0;
    AveragingDialog d{gs, control, 0, 0};
    const INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_AVERAGING_OPTIONS), owner,
                                      gdlg::RecordDialogProc<AveragingDialog, OnAveragingInit, OnAveragingCommand>,
                                      reinterpret_cast<LPARAM>(&d));
    return r == 1 ? 1 : 0;
}
