// The append check at the start of a run in append mode, with its two warning dialogs: 105 when
// the graph's data was edited, 1217 when the set-up changed since the graph was recorded.
#include "devlib/acquisition/run/append_check.h"

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/run/run_common.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kUnitMemoryPeriodMs = 0.4;  // at this period and below the first model records into its memory


bool Same(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::fmax(std::fabs(a), std::fabs(b)); }

bool GraphHoldsData(const tagGS* gs) {
    for (int32_t s = 0; s < kMaxChannels; ++s)
        if (ChannelInUse(gs, s) && gs->chanCount[s] > 0) return true;
    return false;
}

// A dialog in the middle of its parent (or of the desktop without one).
void CentreOverParent(HWND dlg) {
    RECT mine, area;
    GetWindowRect(dlg, &mine);
    HWND parent = GetParent(dlg);
    if (!parent || !GetWindowRect(parent, &area)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const int width = mine.right - mine.left, height = mine.bottom - mine.top;
    SetWindowPos(dlg, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Both warnings: their texts from the table, ended with the id of the button pressed; closing
// the window is the abort.
INT_PTR CALLBACK WarningProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        HandleTheDialog(dlg, static_cast<uint32_t>(lParam));
        CentreOverParent(dlg);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE: EndDialog(dlg, IDCANCEL); return TRUE;
    default: return FALSE;
    }
}

INT_PTR AskWarning(const tagGS* gs, int id) {
    return DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(id), gs->hwnd, WarningProc, static_cast<LPARAM>(id));
}

// The question for a graph of the other model: OK records anew over its data. A translation
// may carry the models as "%d"; the plain key is followed by the default wording.
bool ModelQuestionAllowsNew(const tagGS* gs) {
    char text[640];
    const char* key =
        gs->modelMismatch == 1
            ? "This file contains channels that require an VK"
            : "Data recorded with the new acquisition parameters cannot be appended onto the existing data";
    const char* format = Keyed(key);
    const int32_t graphModel = PrintedModel(gs->unitModel ? static_cast<int32_t>(gs->unitModel) : g_unitModel);
    if (std::strchr(format, '%'))
        FormatKeyedText(text, sizeof text, format, graphModel, PrintedModel(g_unitModel));
    else if (gs->modelMismatch == 1)
        std::snprintf(text, sizeof text,
                      "%s%d. If you click \"OK\" to record with an VK%d, existing data will be overwritten.", format,
                      graphModel, PrintedModel(g_unitModel));
    else
        std::snprintf(text, sizeof text, "%s. Click \"OK\" to overwrite the existing data and begin the recording.",
                      format);
    return MessageBoxA(gs->hwnd, text, Keyed("Warning"), MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

// The gain of a gain code of the connected model's table; 0 when the table lacks it.
double GainOfCode(int32_t code) {
    for (int32_t i = 0; i < g_unit.gainCount; ++i)
        if (g_unit.gains[i].code == code) return g_unit.gains[i].gain;
    return 0;
}

}  // namespace

stAppendDifference CompareGraphWithSetup(stAcq* acq, const tagGS* gs) {
    stAppendDifference d{false, false};
    uint16_t analogMask = 0;
    BuildChannelOrder(acq, &analogMask);
    const stAcqRun& run = acq->run;
    const int32_t n = RunChannels(run);
    int32_t inUse = 0;
    int32_t common = -1;
    for (int32_t s = 0; s < kMaxChannels; ++s) {
        if (!ChannelInUse(gs, s)) continue;
        ++inUse;
        if (common < 0) common = static_cast<int32_t>(gs->chanCount[s]);
        const uint16_t width = gs->chanNumber[s] >= kFirstCalcSlot ? 8 : 2;
        if (static_cast<int32_t>(gs->chanCount[s]) != common || gs->chanBytes[s] != width) d.edited = true;
        // A channel outside the slots of the channels (moved, or laid out by another program)
        // cannot be continued in place.
        if (RecordOfRunChannel(acq, s) < 0) d.edited = true;
    }
    d.setupChanged = inUse != n || !Same(gs->sampleInterval, acq->samplePeriodMs);
    for (int32_t i = 0; i < n && !d.setupChanged; ++i) {
        const int32_t s = RunChannelSlot(run, i);
        const int32_t r = RecordOfRunChannel(acq, run.chanOrder[i]);
        d.setupChanged = !ChannelInUse(gs, s) || gs->chanNumber[s] != run.chanOrder[i] || r < 0 ||
                         !Same(gs->chanScale[s], acq->chanMultiplier[r]) ||
                         !Same(gs->chanOffset[s], acq->chanAddend[r]);
    }
    for (int32_t i = 0; i < kAnalogChannels && !d.setupChanged; ++i) {
        const stAcqChan& c = acq->chans[i];
        if ((c.flags & kChanEnabled) && c.group == kGroupAnalog)
            d.setupChanged = g_storedGainCodes[i] != GainCodeOf(c.gain);
    }
    return d;
}

// The period, gains, scales and channels the graph was recorded with.
void RevertSetupToGraph(stAcq* acq, const tagGS* gs) {
    acq->samplePeriodMs = gs->sampleInterval;
    for (int32_t i = 0; i < kAnalogChannels; ++i) {
        stAcqChan& c = acq->chans[i];
        const double gain = GainOfCode(g_storedGainCodes[i]);
        if (c.group == kGroupAnalog && gain > 0 && GainCodeOf(c.gain) != g_storedGainCodes[i]) c.gain = gain;
    }
    acq->storageKind = IsVK40() && acq->samplePeriodMs <= kUnitMemoryPeriodMs ? kStorageUnitMemory : kStorageMemory;
    for (stAcqChan& c : acq->chans) c.flags &= ~kChanEnabled;
    for (int32_t s = 0; s < kMaxChannels; ++s) {
        if (!ChannelInUse(gs, s)) continue;
        const int32_t r = RecordOfRunChannel(acq, s);
        if (r < 0) continue;
        acq->chans[r].flags |= kChanEnabled;
        acq->chanMultiplier[r] = gs->chanScale[s];
        acq->chanAddend[r] = gs->chanOffset[s];
    }
}

// Steps 1-5 of the check: edited data asks 105 (or the model question), a changed set-up asks
// 1217 (or the model question for a graph of the other model); the graph then belongs to the
// connected model and the gains are stored for the next comparison.
int32_t CheckAppend(stAcq* acq, int32_t* append) {
    *append = 0;
    tagGS* gs = acq->run.attachedGraph;
    if (!gs) return 0;
    if (acq->dataMode == kDataAppend && GraphHoldsData(gs)) {
        if (gs->storageKind == kStoreDiskPaged && !HostLoadSampleWindow(Host(), gs, 0, gs->totalSamples)) return 0;
        const stAppendDifference d = CompareGraphWithSetup(acq, gs);
        if (d.edited || gs->modelMismatch) {
            if (gs->modelMismatch ? !ModelQuestionAllowsNew(gs) : AskWarning(gs, IDD_APPEND_EDITED) != IDOK) return 0;
        } else if (!d.setupChanged) {
            *append = 1;
            acq->forcedNew = 0;
        } else if (acq->forcedNew) {
            acq->forcedNew = 0;
        } else if (CVKDevice::IsDeviceDifferent(gs)) {
            if (!ModelQuestionAllowsNew(gs)) return 0;
        } else {
            const INT_PTR answer = AskWarning(gs, IDD_APPEND_CHANGED);
            if (answer == IDYES) {
                RevertSetupToGraph(acq, gs);
                *append = 1;
            } else if (answer != IDNO) {
                return 0;
            }
        }
    }
    SetModelMismatch(gs, 0);
    gs->unitModel = static_cast<uint32_t>(g_unitModel);
    for (int32_t i = 0; i < kAnalogChannels; ++i)
        g_storedGainCodes[i] = static_cast<uint8_t>(GainCodeOf(acq->chans[i].gain));
    HostSyncChannelDisplayFlags(Host(), gs);
    return 1;
}
