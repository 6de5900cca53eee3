// The channel records as the Setup Channels window and the exports change them: group switches,
// calculation kinds, presets, the analog and digital defaults, and the units of calculation
// channels.
#include "devlib/acquisition/setup/chan_setup.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/calc/calc_dialogs.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/channels/preset_organiser.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

namespace {

constexpr double kPlainSlotHz = 100.0;  // as the start-up table: within the unit's filter range
constexpr double kDigitalSlotHz = 100.0;

void CopyText(char* field, size_t size, const char* text) {
    memset(field, 0, size);
    snprintf(field, size, "%s", text ? text : "");
}

// Every filter slot off with the plain Q.
void PlainFilters(stAcqChan* rec) {
    for (stFilterSlot& f : rec->filters) {
        f = stFilterSlot{};
        f.frequencyHz = kPlainSlotHz;
        f.q = kDefaultFilterQ;
    }
}

void SetPoints(stAcqChan* rec, double in1, double v1, double in2, double v2) {
    rec->inValue1 = in1;
    rec->unitValue1 = v1;
    rec->inValue2 = in2;
    rec->unitValue2 = v2;
}

int32_t CalcRecordIndex(int32_t n) { return kAnalogChannels + NDChan + n; }

}  // namespace

void GroupRecords(int32_t group, int32_t* first, int32_t* count) {
    switch (group) {
    case kGroupAnalog: *first = 0, *count = kAnalogChannels; break;
    case kGroupDigital: *first = kAnalogChannels, *count = NDChan; break;
    default: *first = kAnalogChannels + NDChan, *count = kCalcChannels; break;
    }
}

void CountEnabledChannels(stAcq* acq) {
    int32_t* counters[3] = {&acq->enabledAnalog, &acq->enabledDigital, &acq->enabledCalc};
    for (int32_t g = 0; g < 3; ++g) {
        int32_t first = 0, count = 0;
        GroupRecords(g, &first, &count);
        *counters[g] = 0;
        for (int32_t i = first; i < first + count; ++i)
            if (acq->chans[i].flags & kChanEnabled) ++*counters[g];
    }
}

uint32_t RowFlagsFromBoxes(bool acquire, bool plot, bool values) {
    if (!acquire) return 0;
    return kChanEnabled | (plot ? kChanPlot : 0u) | (values ? kChanValues : 0u);
}

// At the model-40 unit's two fastest rates the analog group is limited: nothing at 100,000
// samples/s, only the first two inputs switched on at 40,000.
void SetChannelFlagForAll(stAcq* acq, int32_t group, int32_t switchId, int32_t on, int32_t plotAllowed,
                          int32_t valuesOn) {
    int32_t first = 0, count = 0;
    GroupRecords(group, &first, &count);
    if (group == kGroupAnalog && IsVK40()) {
        if (acq->samplePeriodMs == kFastestPeriodMs) return;
        if (acq->samplePeriodMs == kPeriod40k && switchId == IDC_ROW_ACQUIRE && on) count = 2;
    }
    const stCalcSettings* calc = CalcSettings(acq);
    for (int32_t i = first; i < first + count; ++i) {
        stAcqChan& c = acq->chans[i];
        switch (switchId) {
        case IDC_ROW_ACQUIRE:
            if (on && (group != kGroupCalc || calc->kind[i - first] > 0))
                c.flags |= kChanEnabled;
            else
                c.flags &= ~(kChanEnabled | kChanPlot);
            break;
        case IDC_ROW_PLOT:
            if (plotAllowed && (c.flags & kChanEnabled))
                c.flags |= kChanPlot;
            else
                c.flags &= ~kChanPlot;
            break;
        case IDC_ROW_VALUES:
            if (valuesOn)
                c.flags |= kChanValues;
            else
                c.flags &= ~kChanValues;
            break;
        default: break;
        }
    }
    if (IsWindow(acq->hwndChannelSetup)) RefreshChannelSetup(acq->hwndChannelSetup, acq);
}

// The kind's defaults and names come from the calculation module; a Control channel a row makes
// starts at the first input and line D0 with both levels at 0.
void SetCalcChannelKind(stAcq* acq, stAcqChan* rec, int32_t kind) {
    if (!SetCalcChannelKind(acq, rec->number, kind) || kind != kCalcControl) return;
    stControlParams& c = CalcSettings(acq)->control[rec->number];
    c.source = 1;
    c.outputLine = 0;
    c.level1 = c.level2 = 0.0;
}

int32_t ApplyChannelPreset(stAcq* acq, stAcqChan* rec, int32_t preset) {
    const stPresetStore& store = acq->presets;
    const int32_t n = rec->number;
    if (preset < 1 || preset > store.calcCount || n < 0 || n >= kCalcChannels) return 0;
    CPresetStoreLock lock(store);
    if (!lock) return 0;
    const int32_t kind = lock.calcKinds[preset - 1];
    const stAcqChan& from = lock.records[store.count + preset - 1];
    const stAcqChan keep = *rec;
    *rec = from;
    rec->flags = keep.flags;
    rec->number = keep.number;
    rec->group = keep.group;
    stCalcSettings* settings = CalcSettings(acq);
    settings->kind[n] = static_cast<int16_t>(kind);
    if (kind != kCalcControl)
        DecodeCalcParams(lock.calcBlocks + size_t(preset - 1) * kCalcPresetBytes, kind, n, settings);
    return 1;
}

// The analog defaults, the stimulator's reference output, or an input preset of the store.
int32_t SetAnalogChannelParams(stAcq* acq, int32_t channel, int32_t source) {
    if (!acq || channel < 0 || channel >= kAnalogChannels) return 0;
    stAcqChan& rec = acq->chans[channel];
    if (source == kParamsStimulatorReference || source == kParamsDefaults) {
        const bool stim = source == kParamsStimulatorReference;
        CopyText(rec.units, sizeof(rec.units), stim ? "Volts" : "mV");
        if (stim)
            SetPoints(&rec, 0.0, 0.0, 1.0, 10.0);
        else
            SetPoints(&rec, -0.01, -10.0, 0.01, 10.0);
        rec.gain = stim ? 10.0 : 200.0;
        PlainFilters(&rec);
        acq->chanMultiplier[channel] = kInputVoltsPerCount / rec.gain;
        acq->chanAddend[channel] = 0.0;
        char label[sizeof(rec.presetName)] = {};
        if (stim)
            snprintf(label, sizeof(label), "%s", Keyed("Stimulator - RJ72C Reference Out"));
        else
            snprintf(label, sizeof(label), "CH%d %s", channel + 1, Keyed("Input"));
        CopyText(rec.label, sizeof(rec.label), label);
        CopyText(rec.presetName, sizeof(rec.presetName), label);
        acq->chanPresetIndex[channel] = 0;
    } else {
        const stPresetStore& store = acq->presets;
        if (source > store.count) return 0;
        CPresetStoreLock lock(store);
        if (!lock) return 0;
        const stAcqChan keep = rec;
        rec = lock.records[source - 1];
        rec.flags = keep.flags;
        rec.number = keep.number;
        rec.group = keep.group;
        acq->analogPresetValue[channel] = lock.second[source - 1];
        CopyText(rec.label, sizeof(rec.label), rec.presetName);
        rec.paramsFixed = 0;
        rec.gain = FindGainRow(rec.gain)->gain;
        SetScaleFromTwoPoints(&rec, acq);
        acq->chanPresetIndex[channel] = static_cast<uint16_t>(source);
    }
    rec.flags = kChanAllOn;
    CopyAllCalcChannelUnits(acq);
    RefreshChannelViews(acq);
    return 1;
}

int32_t SetDigitalChannelParams(stAcq* acq, int32_t channel, int32_t source) {
    if (!acq || channel < 0 || channel >= NDChan) return 0;
    if (source != kParamsStimulatorReference && source != kParamsDefaults) return 0;
    const int32_t index = kAnalogChannels + channel;
    stAcqChan& rec = acq->chans[index];
    CopyText(rec.units, sizeof(rec.units), "Volts");
    SetPoints(&rec, 0.0, 0.0, 5.0, 5.0);
    PlainFilters(&rec);
    rec.filters[2].frequencyHz = kDigitalSlotHz;
    rec.paramsFixed = 1;
    acq->chanMultiplier[index] = 1.0 / 32768.0;
    acq->chanAddend[index] = 0.0;
    char label[sizeof(rec.presetName)] = {};
    if (source == kParamsStimulatorReference)
        snprintf(label, sizeof(label), "%s", Keyed("Stimulator - RJ72C Reference Out"));
    else
        FormatKeyedText(label, sizeof(label), Keyed("D%d - Digital Input"), channel + 1);
    CopyText(rec.label, sizeof(rec.label), label);
    CopyText(rec.presetName, sizeof(rec.presetName), label);
    rec.flags = kChanAllOn;
    CopyAllCalcChannelUnits(acq);
    RefreshChannelViews(acq);
    return 1;
}

// A Rate channel's units follow its result function: a rate, an interval or a count is not in
// its source's units, so those keep units of their own, as do units the user set.
static bool RateKeepsOwnUnits(stAcqChan* rec, const stRateParams& rate, int32_t* id) {
    if (rec->unitsSetByUser == 1) return true;
    const char* key = nullptr;
    switch (RateFunctionUnits(rate.function, &key)) {
    case RateUnitsFrom::Own:
        memset(rec->units, 0, sizeof(rec->units));
        lstrcpynA(rec->units, Keyed(key), sizeof(rec->units));
        return true;
    case RateUnitsFrom::Kept: return true;
    default: *id = rate.source; return false;
    }
}

// Math and Expression (and a channel of no kind) take the first analog channel's units.
void CopyCalcChannelUnits(stAcq* acq, int32_t n) {
    if (n < 0 || n >= kCalcChannels) return;
    const stCalcSettings* s = CalcSettings(acq);
    stAcqChan& rec = acq->chans[CalcRecordIndex(n)];
    int32_t id = acq->firstAnalogNumber;
    switch (s->kind[n]) {
    case kCalcRate:
        if (RateKeepsOwnUnits(&rec, s->rate[n], &id)) return;
        break;
    case kCalcIntegrate: id = s->integrate[n].source; break;
    case kCalcSmoothing: id = s->smoothing[n].source; break;
    case kCalcDifference: id = s->difference[n].source; break;
    case kCalcFunction: id = s->function[n].source; break;
    case kCalcFilter: id = s->filter[n].source; break;
    case kCalcDelay: id = s->delay[n].source; break;
    case kCalcControl: id = s->control[n].source; break;
    default: break;
    }
    const int32_t from = SourceRecordIndex(acq, id);
    if (from < 0) return;
    memcpy(rec.units, acq->chans[from].units, sizeof(rec.units));
}

void CopyAllCalcChannelUnits(stAcq* acq) {
    for (int32_t n = 0; n < kCalcChannels; ++n) CopyCalcChannelUnits(acq, n);
}

// The Acquisition Setup, the Input Values pane and the Setup Triggering lists follow the channels.
void RefreshChannelViews(stAcq* acq) {
    RefreshAcquisitionSetup(acq->hwndAcqSetup, acq);
    RelayoutInputValues(acq);
    FillTriggerSetup(acq->hwndTrigger, acq);
    if (IsWindow(acq->hwndChannelSetup)) RefreshChannelSetup(acq->hwndChannelSetup, acq);
}

// ---- Pure rules of Input Channel Parameters ----

bool ClampFilterFrequency(double* hz) {
    if (!(*hz >= 30.0)) {  // also a text that is no number
        *hz = 30.0;
        return true;
    }
    if (*hz > 1000.0) {
        *hz = 1000.0;
        return true;
    }
    return false;
}

int32_t GainRowFor(double gain) {
    for (int32_t r = 0; r < g_unit.gainCount; ++r)
        if (g_unit.gains[r].gain >= gain) return r;
    return g_unit.gainCount > 0 ? g_unit.gainCount - 1 : 0;
}

double OffsetFromUnits(double units, const stAcqChan& rec, double rangeVolts) {
    if (!std::isfinite(units)) return 0.0;
    double volts = UnitsToOffset(units, &rec) * 0.001;  // millivolts to volts
    if (volts > rangeVolts) volts = rangeVolts;
    if (volts < -rangeVolts) volts = -rangeVolts;
    return volts;
}

bool IsNewInputPresetName(const stAcq* acq, const char* text) {
    if (!text || !*text || lstrcmpiA(text, "Default") == 0) return false;
    for (int32_t n = 1; n <= kAnalogChannels; ++n) {
        char own[64];
        snprintf(own, sizeof(own), "CH%d - %s", n, Keyed("Input"));
        if (lstrcmpiA(text, own) == 0) return false;
    }
    return IsUnusedPresetName(acq->presets, text) != 0;
}

int32_t AppendInputPreset(stAcq* acq, const stAcqChan& rec, double first, double second) {
    stPresetRow row{rec, first, second, 0, nullptr};
    row.record.group = kGroupAnalog;
    return AppendPreset(&acq->presets, false, row) >= 0 ? 1 : 0;
}

// ---- Exports ----

int32_t GetAnalogChannelParams(int32_t channel, int32_t source) {
    AcqLock acq(g_lib.hAcq);
    return acq ? SetAnalogChannelParams(acq.get(), channel, source) : 0;
}

int32_t GetDigitalChannelParams(int32_t channel, int32_t source) {
    AcqLock acq(g_lib.hAcq);
    return acq ? SetDigitalChannelParams(acq.get(), channel, source) : 0;
}
