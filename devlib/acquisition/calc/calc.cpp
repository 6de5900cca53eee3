// Calculation channels around a recording: the run copy of the settings is checked and prepared
// before the first sample, each block of new samples is computed channel by channel into the
// graph's calculation blocks, and the working buffers go at the end of the run.
#include "devlib/acquisition/calc/calc.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/binding.h"
#include "common/tagGS.h"
#include "devlib/acquisition/calc/calc_compute.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/channels/run_slots.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {

constexpr uint32_t kLowFlagBits = 0xF;
constexpr INT_PTR kWarningDisable = IDOK;   // result 1
constexpr INT_PTR kWarningAbort = IDCANCEL;  // result 2

// The channel records in use: analog, the unit's digital ones, calculation.
int32_t RecordsInUse() { return std::min(kMaxChanRecords, kAnalogChannels + std::max(NDChan, 0) + kCalcChannels); }

// The record of a run channel number; null when none.
stAcqChan* RecordOfNumber(stAcq* acq, int32_t number) {
    const int32_t i = RecordOfRunChannel(acq, number);
    return i >= 0 ? &acq->chans[i] : nullptr;
}

// A source identifier (calculation from 40, digital from 20, analog from the first analog
// number) as the run's channel number, which numbers analog channels 1-4.
int32_t RunNumberOfId(const stAcq* acq, int32_t id) {
    return id >= kFirstDigitalSlot ? id : id - acq->firstAnalogNumber + 1;
}

// The index of the record a source identifier names; -1 when none.
int32_t RecordIndexOfId(const stAcq* acq, int32_t id) { return RecordOfRunChannel(acq, RunNumberOfId(acq, id)); }

// The run's graph slot of a source identifier; -1 when the run does not record it.
int32_t RunSlotOf(const stAcq* acq, int32_t id) { return RunSlotOfNumber(acq->run, RunNumberOfId(acq, id)); }

// ---- The warning dialog ----

INT_PTR CALLBACK CalcWarningProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: SetDlgItemTextA(dlg, IDC_CALC_WARNING_HEADING, reinterpret_cast<const char*>(lp)); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == kWarningDisable || LOWORD(wp) == kWarningAbort) {
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        break;
    case WM_CLOSE: EndDialog(dlg, kWarningAbort); return TRUE;
    default: break;
    }
    return FALSE;
}

// "C%d, %s" over the invalid-source text: Disable or Abort.
INT_PTR AskCalcWarning(const stAcq* acq, const stAcqChan& rec) {
    char heading[96];
    snprintf(heading, sizeof(heading), "C%d, %s", rec.number + 1, rec.label);
    HWND owner = acq->run.attachedGraph ? acq->run.attachedGraph->hwnd : nullptr;
    return DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_CALC_WARNING), owner, CalcWarningProc,
                           reinterpret_cast<LPARAM>(heading));
}

// Whether a channel's sources (or its text) let it compute; the Integrate control channel is
// checked apart (see ValidateCalcChannels).
bool SourcesPass(const stAcq* acq, const stCalcSettings& s, int32_t c) {
    switch (s.kind[c]) {
    case kCalcIntegrate: return IsSourceChannelEnabled(acq, s.integrate[c].source);
    case kCalcSmoothing: return IsSourceChannelEnabled(acq, s.smoothing[c].source);
    case kCalcDifference: return IsSourceChannelEnabled(acq, s.difference[c].source);
    case kCalcRate: return IsSourceChannelEnabled(acq, s.rate[c].source);
    case kCalcMath: return IsSourceChannelEnabled(acq, s.math[c].first) && IsSourceChannelEnabled(acq, s.math[c].second);
    case kCalcFunction: return IsSourceChannelEnabled(acq, s.function[c].source);
    case kCalcFilter: return IsSourceChannelEnabled(acq, s.filter[c].source);
    case kCalcExpression: return s.expression[c][0] != '\0';
    case kCalcDelay: return IsSourceChannelEnabled(acq, s.delay[c].source);
    case kCalcControl: return IsSourceChannelEnabled(acq, s.control[c].source);
    default: return false;
    }
}

// ---- Working buffers: one moveable block per channel, numbered channel + 1 in the record ----

uint32_t AllocBuffer(stAcq* acq, int32_t c, int32_t doubles) {
    if (acq->calcBuffers[c]) GlobalFree(acq->calcBuffers[c]);
    acq->calcBuffers[c] = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(double) * static_cast<size_t>(std::max(doubles, 1)));
    return acq->calcBuffers[c] ? static_cast<uint32_t>(c + 1) : 0;
}

// Locks a channel's buffer for one block and unlocks it on every path.
class BufferLock {
public:
    BufferLock(const stAcq* acq, uint32_t number)
        : h_(number >= 1 && number <= kCalcChannels ? acq->calcBuffers[number - 1] : nullptr),
          p_(h_ ? static_cast<double*>(GlobalLock(h_)) : nullptr) {}
    ~BufferLock() {
        if (p_) GlobalUnlock(h_);
    }
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;
    double* get() const { return p_; }

private:
    HGLOBAL h_;
    double* p_;
};

bool NewBuffer(stAcq* acq, int32_t c, int32_t doubles, uint32_t* field) {
    *field = AllocBuffer(acq, c, doubles);
    return *field != 0;
}

// The filter's refusal, in the words of the field the user has to change.
void ShowFilterRefusal(const stAcq* acq, const char* key) {
    HWND owner = acq->run.attachedGraph ? acq->run.attachedGraph->hwnd : nullptr;
    MessageBoxA(owner, Keyed(key), Keyed("Warning"), MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
}

// One channel's working state before the run.
bool PrepareChannel(stAcq* acq, stCalcSettings* run, int32_t c) {
    const tagGS* gs = acq->run.attachedGraph;
    switch (run->compute[c]) {
    case kCalcIntegrate: {
        stIntegrateParams& p = run->integrate[c];
        if (p.averaging && !NewBuffer(acq, c, CalcIntegrateBufferDoubles(p), &p.ring)) return false;
        // The graph takes the run's period when its blocks are made; its unit code stays.
        BufferLock ring(acq, p.ring);
        PrepareIntegrateState(&p, ring.get(), gs != nullptr, acq->samplePeriodMs, gs ? static_cast<int32_t>(gs->hUnitKind) : 0);
        return true;
    }
    case kCalcSmoothing:
        return NewBuffer(acq, c, CalcSmoothingBufferDoubles(run->smoothing[c]), &run->smoothing[c].buffer);
    case kCalcDifference:
        PrepareDifferenceState(&run->difference[c]);
        return NewBuffer(acq, c, CalcDifferenceBufferDoubles(run->difference[c]), &run->difference[c].ring);
    case kCalcRate: {
        stRateParams& p = run->rate[c];
        if (!PrepareRateState(&p, acq->samplePeriodMs)) return false;
        p.ring = 0;
        return !p.autoThreshold || NewBuffer(acq, c, CalcRateBufferDoubles(p), &p.ring);
    }
    case kCalcFilter: {
        const char* why = nullptr;
        if (DesignFilter(&run->filter[c], acq->samplePeriodMs, static_cast<double>(GetLineFrequencyHz()), &why)) return true;
        ShowFilterRefusal(acq, why);
        return false;
    }
    case kCalcDelay: {
        // The run's length as the start will clamp it.
        const int32_t length = std::max(1, acq->maxLength > 0 ? std::min(acq->acqLength, acq->maxLength) : acq->acqLength);
        if (PrepareDelayState(&run->delay[c], acq->samplePeriodMs, length)) return true;
        MessageBoxA(nullptr, Keyed("Delay is longer than acquisition length."), Keyed("Delay calculation error:"),
                    MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
        return false;
    }
    default: return true;
    }
}

// ---- Dispatch ----

struct ReadContext {
    tagGS* gs;
    const stAcq* acq;
};

int32_t ReadHostSample(void* context, int32_t index, int32_t id, double* out) {
    const auto* rc = static_cast<const ReadContext*>(context);
    const int32_t slot = RunSlotOf(rc->acq, id);
    return slot >= 0 ? HostGetChannelSample(&g_lib.host, rc->gs, index, slot, out) : 0;
}

int32_t EvaluateHost(void* context, int32_t index, const char* text, double* out) {
    return HostEvaluateExpressionAt(&g_lib.host, static_cast<tagGS*>(context), index, text, out);
}

// The Manual Control panel shows the output state as it changes.
void RefreshManualControl(void* context, double) {
    if (HWND panel = static_cast<const stAcq*>(context)->hwndManualControl) InvalidateRect(panel, nullptr, FALSE);
}

// The block's values into the channel's block: at their sample index, or in a ring ending at
// the ring's head.
void WriteOutputs(const stAcq* acq, tagGS* gs, int32_t slot, const stCalcBlock& b) {
    auto* block = static_cast<double*>(gs->chanBlock[slot]);
    if (!block) return;
    const bool ring = acq->runRepeatMode == kRepeatRing || gs->storageKind != kStoreMemory;
    if (!ring) {
        std::copy(b.out, b.out + b.written, block + b.first);
        return;
    }
    const int64_t size = gs->winSize;
    if (size <= 0) return;
    int64_t at = static_cast<int64_t>(gs->winRingBase) - b.count;
    at = ((at % size) + size) % size;
    for (int32_t k = 0; k < b.written; ++k) {
        block[at] = b.out[k];
        if (++at == size) at = 0;
    }
}

// One kind's computation over the block.
int32_t RunKind(stAcq* acq, stCalcSettings* run, int32_t c, tagGS* gs, stCalcBlock* b) {
    switch (run->compute[c]) {
    case kCalcIntegrate: {
        BufferLock ring(acq, run->integrate[c].ring);
        if (run->integrate[c].averaging && !ring.get()) return 0;
        return CalcIntegrate(&run->integrate[c], ring.get(), b);
    }
    case kCalcSmoothing: {
        BufferLock buffer(acq, run->smoothing[c].buffer);
        return buffer.get() ? CalcSmoothing(&run->smoothing[c], buffer.get(), b) : 0;
    }
    case kCalcDifference: {
        BufferLock ring(acq, run->difference[c].ring);
        return ring.get() ? CalcDifference(&run->difference[c], ring.get(), b) : 0;
    }
    case kCalcRate: {
        BufferLock ring(acq, run->rate[c].ring);
        if (run->rate[c].autoThreshold && !ring.get()) return 0;
        return CalcRate(&run->rate[c], ring.get(), b);
    }
    case kCalcMath: return CalcMath(&run->math[c], b);
    case kCalcFunction: return CalcFunction(&run->function[c], b);
    case kCalcFilter: return CalcFilter(&run->filter[c], b);
    case kCalcDelay: return CalcDelay(&run->delay[c], b);
    case kCalcControl: return CalcControl(&run->control[c], b, RefreshManualControl, acq);
    case kCalcExpression: {
        // The stored text is read within its 200 bytes, terminated or not; its "CH" references
        // name the channels' own slots.
        char text[kExpressionBytes];
        lstrcpynA(text, run->expression[c], sizeof(text));
        int32_t status = 0;
        if (CalcExpression(text, EvaluateHost, gs, b, &status)) return 1;
        // An evaluation error stops this channel; the run control reports it and ends the run.
        acq->calcFailedChannel = c + 1;
        run->compute[c] = 0;
        return 0;
    }
    default: return 0;
    }
}

int32_t ComputeChannel(stAcq* acq, stCalcSettings* run, int32_t c, tagGS* gs, int32_t n, std::vector<double>* out) {
    const int32_t slot = RunSlotOf(acq, kFirstCalcSlot + c);
    if (slot < 0) return 0;
    if (n <= 0) return 1;
    const int32_t r = RecordOfRunChannel(acq, kFirstCalcSlot + c);
    out->resize(static_cast<size_t>(n));
    ReadContext context{gs, acq};
    stCalcBlock b;
    b.read = ReadHostSample;
    b.context = &context;
    b.first = std::max(0, static_cast<int32_t>(gs->chanCount[slot]) - n);
    b.count = n;
    b.runStart = acq->runStartCount;
    b.samplePeriodMs = acq->runSamplePeriod;
    b.intervalMs = gs->sampleInterval;
    b.hUnit = static_cast<int32_t>(gs->hUnitKind);
    b.multiplier = r >= 0 ? acq->chanMultiplier[r] : 1.0;
    b.addend = r >= 0 ? acq->chanAddend[r] : 0.0;
    b.out = out->data();
    const int32_t ok = RunKind(acq, run, c, gs, &b);
    WriteOutputs(acq, gs, slot, b);
    return ok;
}

}  // namespace

const char* CalcKindName(int32_t kind) {
    static const char* const kNames[] = {"Integrate", "Smoothing", "Difference", "Rate", "Math",
                                         "Function", "Filter", "Expression", "Delay", "Custom setting"};
    if (kind < kCalcIntegrate || kind > kCalcKinds) return nullptr;
    return Keyed(kNames[kind - 1]);
}

// The kind's record at its defaults is taken from a freshly reset block, so the defaults are
// written down in one place only.
int32_t SetCalcChannelKind(stAcq* acq, int32_t channel, int32_t kind) {
    if (!acq || channel < 0 || channel >= kCalcChannels || kind < kCalcIntegrate || kind > kCalcKinds) return 0;
    stAcqChan* rec = RecordOfNumber(acq, kFirstCalcSlot + channel);
    if (!rec) return 0;
    stCalcSettings* s = CalcSettings(acq);
    std::vector<uint8_t> defaults(sizeof(stCalcSettings));
    auto* reset = reinterpret_cast<stCalcSettings*>(defaults.data());
    ResetCalcSettings(reset, acq->firstAnalogNumber);
    uint8_t block[kCalcPresetBytes] = {};
    if (!EncodeCalcParams(*reset, channel, kind, block) || !DecodeCalcParams(block, kind, channel, s)) return 0;
    s->kind[channel] = static_cast<int16_t>(kind);
    if (kind == kCalcFilter) {
        if (const stAcqChan* first = RecordOfNumber(acq, 1))
            memcpy(rec->units, first->units, sizeof(rec->units));
    }
    const char* name = CalcKindName(kind);
    char text[sizeof(rec->presetName)] = {};
    snprintf(text, sizeof(text), "C%d - %s", channel + 1, name);
    memset(rec->label, 0, sizeof(rec->label));
    memcpy(rec->label, text, strnlen(text, sizeof(rec->label) - 1));
    memset(rec->presetName, 0, sizeof(rec->presetName));
    lstrcpynA(rec->presetName, name, sizeof(rec->presetName));
    return 1;
}

int32_t IsSourceChannelEnabled(const stAcq* acq, int32_t id) {
    if (id < 0) return 1;
    const int32_t i = RecordIndexOfId(acq, id);
    return i >= 0 && (acq->chans[i].flags & kChanEnabled) ? 1 : 0;
}

int32_t ValidateCalcChannels(stAcq* acq) {
    stCalcSettings* run = CalcRun(acq);
    for (int32_t c = 0; c < kCalcChannels; ++c) {
        stAcqChan* rec = RecordOfNumber(acq, kFirstCalcSlot + c);
        if (!rec || !(rec->flags & kChanEnabled)) continue;
        run->compute[c] = 0;
        if (!SourcesPass(acq, *run, c)) {
            if (AskCalcWarning(acq, *rec) != kWarningDisable) return 0;
            rec->flags &= ~kLowFlagBits;
            continue;
        }
        const stIntegrateParams& in = run->integrate[c];
        if (run->kind[c] == kCalcIntegrate && !in.averaging && !IsSourceChannelEnabled(acq, in.control)) {
            if (AskCalcWarning(acq, *rec) != kWarningDisable) return 0;
            rec->flags &= ~kChanEnabled;
            continue;
        }
        run->compute[c] = static_cast<uint32_t>(run->kind[c]);
    }
    return 1;
}

int32_t PrepareCalcChannels(stAcq* acq) {
    memcpy(acq->calcRun, acq->calcSettings, sizeof(acq->calcRun));
    acq->calcFailedChannel = 0;
    stCalcSettings* run = CalcRun(acq);
    for (uint32_t& compute : run->compute) compute = 0;
    if (!ValidateCalcChannels(acq)) return 0;
    for (int32_t c = 0; c < kCalcChannels; ++c) {
        if (run->compute[c] && !PrepareChannel(acq, run, c)) {
            ReleaseCalcChannels(acq);
            return 0;
        }
    }
    return 1;
}

int32_t ComputeCalcChannels(stAcq* acq, tagGS* gs, int32_t newSamples) {
    if (!acq || !gs) return 0;
    stCalcSettings* run = CalcRun(acq);
    std::vector<double> out;
    int32_t result = 1;
    for (int32_t c = 0; c < kCalcChannels; ++c)
        if (run->compute[c]) result *= ComputeChannel(acq, run, c, gs, newSamples, &out);
    return result;
}

void ReleaseCalcChannels(stAcq* acq) {
    stCalcSettings* run = CalcRun(acq);
    for (int32_t c = 0; c < kCalcChannels; ++c) {
        if (acq->calcBuffers[c]) GlobalFree(acq->calcBuffers[c]);
        acq->calcBuffers[c] = nullptr;
        run->compute[c] = 0;
    }
}

// Rows before firstRow are the caller's (a constant entry); each row added carries its identifier,
// so the selection needs no counting.
void FillSourceChannelList(const stAcq* acq, int32_t selectedId, int32_t ownChannel, HWND combo, int32_t /*firstRow*/) {
    int32_t selectRow = -1;
    for (int32_t i = 0; i < RecordsInUse(); ++i) {
        const stAcqChan& rec = acq->chans[i];
        if (!(rec.flags & kChanEnabled) || rec.number < 0) continue;
        int32_t id;
        if (rec.group == kGroupAnalog) id = acq->firstAnalogNumber + rec.number;
        else if (rec.group == kGroupDigital) id = kFirstDigitalSlot + rec.number;
        else if (rec.group == kGroupCalc && rec.number < ownChannel) id = kFirstCalcSlot + rec.number;
        else continue;
        char row[80];
        FormatChannelHeading(rec, acq->firstAnalogNumber, row, sizeof(row));
        const LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
        if (at < 0) continue;
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), id);
        if (id == selectedId) selectRow = static_cast<int32_t>(at);
    }
    if (selectRow >= 0) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selectRow), 0);
}

int32_t GetSelectedSourceChannel(const stAcq*, HWND combo, int32_t, int32_t firstRow) {
    const LRESULT row = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (row == CB_ERR || row < firstRow) return -1;
    const LRESULT id = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(row), 0);
    return id == CB_ERR ? -1 : static_cast<int32_t>(id);
}

namespace {

// The source identifiers of a kind's record: the first, and the second of Integrate (its control
// channel) and Math; kNoSource where a kind has none.
constexpr int32_t kNoSource = INT32_MIN;
void KindSources(const stCalcSettings& p, int32_t c, int32_t kind, int32_t* first, int32_t* second) {
    *first = *second = kNoSource;
    switch (kind) {
    case kCalcIntegrate: *first = p.integrate[c].source, *second = p.integrate[c].control; break;
    case kCalcSmoothing: *first = p.smoothing[c].source; break;
    case kCalcDifference: *first = p.difference[c].source; break;
    case kCalcRate: *first = p.rate[c].source; break;
    case kCalcMath: *first = p.math[c].first, *second = p.math[c].second; break;
    case kCalcFunction: *first = p.function[c].source; break;
    case kCalcFilter: *first = p.filter[c].source; break;
    case kCalcDelay: *first = p.delay[c].source; break;
    case kCalcControl: *first = p.control[c].source; break;
    default: break;
    }
}

// One source entry: group, number and preset name of the record the identifier names.
void PutPresetSource(const stAcq* acq, int32_t id, uint8_t* at) {
    const int32_t i = id == kNoSource ? -1 : RecordIndexOfId(acq, id);
    if (i < 0) {
        PutLeU16(at, 0xFFFF);
        PutLeU16(at + 2, 0xFFFF);
        return;
    }
    PutLeU16(at, static_cast<uint16_t>(acq->chans[i].group));
    PutLeU16(at + 2, static_cast<uint16_t>(acq->chans[i].number));
    lstrcpynA(reinterpret_cast<char*>(at + 4), acq->chans[i].presetName, sizeof(acq->chans[i].presetName));
}

}  // namespace

int32_t MakeCalcPresetBlock(const stAcq* acq, const stCalcSettings& params, int32_t channel, int32_t kind,
                            uint8_t* block) {
    memset(block, 0, kCalcPresetBytes);
    if (!EncodeCalcParams(params, channel, kind, block)) return 0;
    int32_t first = kNoSource, second = kNoSource;
    KindSources(params, channel, kind, &first, &second);
    PutPresetSource(acq, first, block + kCalcPresetSourcesAt);
    PutPresetSource(acq, second, block + kCalcPresetSecondAt);
    return 1;
}
