// Channel records: the stored form, the default table of a fresh start and the built-in presets.
#include "devlib/acquisition/channels/channels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/tagGS.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/channels/run_slots.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/vk40.h"

namespace {

constexpr int16_t kHighPass005 = 0;  // 0.05 Hz
constexpr int16_t kHighPass05 = 1;   // 0.5 Hz
constexpr int16_t kLowPass1k = 1;
constexpr int16_t kLowPass5k = 0;
constexpr int16_t kAC = 1;
constexpr int16_t kDC = 0;

static_assert(sizeof(stAcqChan) == kChanRecordBytes, "the record and its stored form agree in size");

void EncodeFilterSlot(CByteWriter& w, const stFilterSlot& slot) {
    w.I16(slot.type);
    w.Bytes(slot.reserved, sizeof(slot.reserved));
    w.F64(slot.frequencyHz);
    w.F64(slot.q);
}

void DecodeFilterSlot(CByteReader& r, stFilterSlot* slot) {
    slot->type = r.I16();
    r.Bytes(slot->reserved, sizeof(slot->reserved));
    slot->frequencyHz = r.F64();
    slot->q = r.F64();
}

// Copies a text into a record field, always terminated.
void SetText(char* field, size_t size, const char* text) { snprintf(field, size, "%s", text ? text : ""); }

void SetPoints(stAcqChan* rec, double input1, double value1, double input2, double value2) {
    rec->inValue1 = input1;
    rec->unitValue1 = value1;
    rec->inValue2 = input2;
    rec->unitValue2 = value2;
}

void SetFilters(stAcqChan* rec, const stFilterSlot (&slots)[3]) {
    for (int i = 0; i < 3; ++i) {
        rec->filters[i] = stFilterSlot{};
        rec->filters[i].type = slots[i].type;
        rec->filters[i].frequencyHz = slots[i].frequencyHz;
        rec->filters[i].q = slots[i].q;
    }
}

// The filter sets of the built-in presets.
const stFilterSlot kEcgFilters[3] = {
    {kFilterLowPass, {}, 66.5, 0.5}, {kFilterLowPass, {}, 38.5, 1.0}, {kFilterBandStop, {}, 60.0, 5.0}};
const stFilterSlot kEmgFilters[3] = {
    {kFilterHighPass, {}, 30.0, 0.707}, {kFilterLowPass, {}, 250.0, 0.707}, {kFilterBandStop, {}, 60.0, 5.0}};
const stFilterSlot kBncFilters[3] = {
    {kFilterNone, {}, 0.0, 0.0}, {kFilterNone, {}, 0.0, 0.0}, {kFilterNone, {}, 60.0, 5.0}};
const stFilterSlot kStimFilters[3] = {
    {kFilterNone, {}, 66.5, 0.5}, {kFilterNone, {}, 38.5, 1.0}, {kFilterNone, {}, 60.0, 5.0}};

struct stBuiltinRow {
    const char* label;
    const char* name;  // null: the label
    const char* units;
    double input1, value1, input2, value2;
    double gain;
    int16_t coupling;
    int16_t highPass;
    int16_t lowPass;
    const stFilterSlot (*filters)[3];
    double first, second;
};

const stBuiltinRow kBuiltins[kBuiltinPresets] = {
    {"ECG", nullptr, "mV", -0.01, -10, 0.01, 10, 2000, kAC, kHighPass005, kLowPass1k, &kEcgFilters, 5.0, 2.5},
    {"EEG", nullptr, "microV", -0.00001, -10, 0.00001, 10, 25000, kAC, kHighPass05, kLowPass1k, &kEcgFilters, 5.0,
     500.0},
    {"EMG", nullptr, "mV", -0.001, -1, 0.001, 1, 2500, kAC, kHighPass05, kLowPass1k, &kEmgFilters, 2.0, 2.5},
    {"EOG", nullptr, "mV", -0.001, -1, 0.001, 1, 5000, kAC, kHighPass005, kLowPass1k, &kEcgFilters, 5.0, 2.5},
    {"Temperature", nullptr, "deg F", 0, 90, 0.001, 95, 2000, kDC, kHighPass05, kLowPass1k, &kEcgFilters, 10.0, 5.0},
    {"GSR", nullptr, "microMho", 0, 0, 0.001, 10, 5000, kDC, kHighPass05, kLowPass1k, &kEcgFilters, 10.0, 5.0},
    {"PPG", nullptr, "mV", -0.001, -1, 0.001, 1, 5000, kAC, kHighPass05, kLowPass1k, &kEcgFilters, 10.0, 5.0},
    {"Respiration", nullptr, "Liters", -0.001, -1, 0.001, 1, 2500, kAC, kHighPass005, kLowPass1k, &kEcgFilters, 10.0,
     5.0},
    {"Airflow", nullptr, "Liters/sec", -0.001, -4.687, 0.001, 4.687, 5000, kDC, kHighPass005, kLowPass1k, &kEcgFilters,
     10.0, 5.0},
    {"BNC", nullptr, "Volts", -0.001, -1, 0.001, 1, 1000, kDC, kHighPass005, kLowPass1k, &kBncFilters, 10.0, 5.0},
    {"Switch", nullptr, "Volts", -0.001, -1, 0.001, 1, 1000, kDC, kHighPass005, kLowPass1k, &kBncFilters, 10.0, 5.0},
    {"Pressure", nullptr, "mV", -0.001, -1, 0.001, 1, 1000, kDC, kHighPass005, kLowPass1k, &kEcgFilters, 5.0, 2.5},
    {"Force", nullptr, "mV", -0.001, -1, 0.001, 1, 500, kDC, kHighPass005, kLowPass1k, &kEcgFilters, 5.0, 2.5},
    {"Hand Dynamometer", nullptr, "mV", -0.001, -1, 0.001, 1, 2000, kDC, kHighPass005, kLowPass1k, &kEcgFilters, 5.0,
     2.5},
    {"Stimulator", "Stimulator (0-10V)", "Volts", -0.001, -1, 0.001, 1, 1000, kDC, kHighPass005, kLowPass5k,
     &kStimFilters, 10.0, 5.0},
    {"Stimulator", "Stimulator (0-100V)", "Volts", 0, 0, 0.01, 100, 1000, kDC, kHighPass005, kLowPass5k, &kStimFilters,
     10.0, 5.0},
};

// The analog inputs' start-up set-up: CH1 on, the others off.
void WriteAnalogDefaults(stAcq* acq) {
    const stFilterSlot plain = {kFilterNone, {}, kDefaultFilterHz, kDefaultFilterQ};
    const stFilterSlot slots[3] = {plain, plain, plain};
    for (int i = 0; i < kAnalogChannels; ++i) {
        stAcqChan& rec = acq->chans[i];
        SetText(rec.units, sizeof(rec.units), "mV");
        SetPoints(&rec, -0.01, -10.0, 0.01, 10.0);
        rec.gain = kDefaultGain;
        rec.inputOffset = 0.0;
        rec.one = 1.0;
        rec.coupling = kDC;
        rec.highPass = kHighPass05;
        rec.lowPass = kLowPass5k;
        rec.inputOption4 = 0;
        rec.filterSelected = 0;
        SetFilters(&rec, slots);
        acq->chanMultiplier[i] = kInputVoltsPerCount / kDefaultGain;
        acq->chanAddend[i] = 0.0;
    }
    acq->chans[0].flags = kChanAllOn;
}

}  // namespace

void EncodeChanRecord(const stAcqChan& rec, uint8_t* out) {
    CByteWriter w(out);
    w.U32(rec.flags);
    w.I32(rec.number);
    w.I32(rec.group);
    w.Bytes(rec.label, sizeof(rec.label));
    w.Bytes(rec.units, sizeof(rec.units));
    for (double v : {rec.inValue1, rec.unitValue1, rec.inValue2, rec.unitValue2, rec.gain, rec.inputOffset, rec.one})
        w.F64(v);
    for (int16_t v : {rec.coupling, rec.highPass, rec.lowPass, rec.inputOption4, rec.filterSelected}) w.I16(v);
    w.Bytes(rec.reserved1, sizeof(rec.reserved1));
    for (const stFilterSlot& slot : rec.filters) EncodeFilterSlot(w, slot);
    w.Bytes(rec.presetName, sizeof(rec.presetName));
    w.Bytes(&rec.unitsSetByUser, 1);
    w.Bytes(&rec.reserved2, 1);
    w.Bytes(&rec.paramsFixed, 1);
    w.Bytes(rec.reserved3, sizeof(rec.reserved3));
}

void DecodeChanRecord(const uint8_t* in, stAcqChan* rec) {
    CByteReader r(in);
    rec->flags = r.U32();
    rec->number = r.I32();
    rec->group = r.I32();
    r.Bytes(rec->label, sizeof(rec->label));
    r.Bytes(rec->units, sizeof(rec->units));
    for (double* v :
         {&rec->inValue1, &rec->unitValue1, &rec->inValue2, &rec->unitValue2, &rec->gain, &rec->inputOffset, &rec->one})
        *v = r.F64();
    for (int16_t* v : {&rec->coupling, &rec->highPass, &rec->lowPass, &rec->inputOption4, &rec->filterSelected})
        *v = r.I16();
    r.Bytes(rec->reserved1, sizeof(rec->reserved1));
    for (stFilterSlot& slot : rec->filters) DecodeFilterSlot(r, &slot);
    r.Bytes(rec->presetName, sizeof(rec->presetName));
    r.Bytes(&rec->unitsSetByUser, 1);
    r.Bytes(&rec->reserved2, 1);
    r.Bytes(&rec->paramsFixed, 1);
    r.Bytes(rec->reserved3, sizeof(rec->reserved3));
}

int32_t ChannelTableIndex(const stAcqChan& rec, int32_t digitalCount) {
    if (digitalCount < 0 || digitalCount > kMaxDigitalChannels || rec.number < 0) return -1;
    switch (rec.group) {
    case kGroupAnalog: return rec.number < kAnalogChannels ? rec.number : -1;
    case kGroupDigital: return rec.number < digitalCount ? kAnalogChannels + rec.number : -1;
    case kGroupCalc: return rec.number < kCalcChannels ? kAnalogChannels + digitalCount + rec.number : -1;
    default: return -1;
    }
}

// Analog channels by their identifier, digital ones counted from 1, calculation ones from the
// first analog number.
void FormatChannelHeading(const stAcqChan& rec, int32_t firstAnalogNumber, char* out, size_t size) {
    char label[sizeof(rec.label) + 1] = {};
    memcpy(label, rec.label, sizeof(rec.label));
    switch (rec.group) {
    case kGroupDigital: snprintf(out, size, "D%d, %s", rec.number + 1, label); break;
    case kGroupCalc: snprintf(out, size, "C%d, %s", rec.number + firstAnalogNumber, label); break;
    default: snprintf(out, size, "CH%d, %s", rec.number + firstAnalogNumber, label); break;
    }
}

int32_t MakeBuiltinPreset(int32_t index, stAcqChan* rec, double* first, double* second) {
    if (index < 0 || index >= kBuiltinPresets) return 0;
    const stBuiltinRow& row = kBuiltins[index];
    *rec = stAcqChan{};
    rec->flags = kChanAllOn;
    rec->group = kGroupAnalog;
    SetText(rec->label, sizeof(rec->label), row.label);
    SetText(rec->presetName, sizeof(rec->presetName), row.name ? row.name : row.label);
    SetText(rec->units, sizeof(rec->units), row.units);
    SetPoints(rec, row.input1, row.value1, row.input2, row.value2);
    rec->gain = row.gain;
    rec->one = 1.0;
    rec->coupling = row.coupling;
    rec->highPass = row.highPass;
    rec->lowPass = row.lowPass;
    SetFilters(rec, *row.filters);
    *first = row.first;
    *second = row.second;
    return 1;
}

// Conversion pairs, then analog, digital and calculation records; everything off.
void WriteDefaultChannelTable(stAcq* acq, int32_t digitalCount) {
    if (digitalCount < 0 || digitalCount > kMaxDigitalChannels) digitalCount = 0;
    const int32_t total = kAnalogChannels + digitalCount + kCalcChannels;
    for (int i = 0; i < kMaxChanRecords; ++i) {
        acq->chanMultiplier[i] = i < kAnalogChannels + digitalCount ? kInputVoltsPerCount : (i < total ? 1.0 : 0.0);
        acq->chanAddend[i] = 0.0;
    }
    acq->firstAnalogNumber = 1;
    ResetCalcSettings(CalcSettings(acq), acq->firstAnalogNumber);

    const char* custom = Keyed("Custom setting");
    for (int i = 0; i < total; ++i) {
        stAcqChan& rec = acq->chans[i];
        rec = stAcqChan{};
        rec.one = 1.0;
        if (i < kAnalogChannels) {
            rec.number = i;
            rec.group = kGroupAnalog;
            SetText(rec.units, sizeof(rec.units), "Volts");
            SetPoints(&rec, -10.0, -10.0, 10.0, 10.0);
        } else if (i < kAnalogChannels + digitalCount) {
            rec.number = i - kAnalogChannels;
            rec.group = kGroupDigital;
            SetText(rec.units, sizeof(rec.units), "Volts");
            SetPoints(&rec, 0.0, 0.0, 5.0, 5.0);
        } else {
            rec.number = i - kAnalogChannels - digitalCount;
            rec.group = kGroupCalc;
            SetText(rec.label, sizeof(rec.label), "Calculation");
            SetText(rec.units, sizeof(rec.units), "mV");
            snprintf(rec.presetName, sizeof(rec.presetName), "C%d - %s", rec.number + 1,
                     custom);
            SetPoints(&rec, -10.0, -10.0, 10.0, 10.0);
        }
    }
}

void LoadBuiltinPresets(stAcq* acq, int32_t writePresets) {
    WriteAnalogDefaults(acq);
    if (writePresets) FillBuiltinPresets(&acq->presets);
}

// Each analog channel's pair then follows its two points and gain.
void SetChannelDefaults(stAcq* acq, int32_t digitalCount, int32_t writePresets) {
    WriteDefaultChannelTable(acq, digitalCount);
    LoadBuiltinPresets(acq, writePresets);
    for (int i = 0; i < kAnalogChannels; ++i) SetScaleFromTwoPoints(&acq->chans[i], acq);
}

int32_t RunChannelSlot(const stAcqRun& run, int32_t i) {
    const int32_t slot = i >= 0 && i < kMaxChanRecords ? run.chanOrder[i] : -1;
    return slot >= 0 && slot < kMaxChannels ? slot : 0;
}

int32_t FirstRunSlot(const stAcqRun& run) { return RunChannelSlot(run, 0); }

int32_t RunSlotOfNumber(const stAcqRun& run, int32_t number) {
    const int32_t n = std::min(run.analogCount + run.digitalCount + run.calcCount, kMaxChanRecords);
    for (int32_t i = 0; i < n; ++i)
        if (run.chanOrder[i] == number) return RunChannelSlot(run, i);
    return -1;
}

int32_t RecordOfRunChannel(const stAcq* acq, int32_t number) {
    const int32_t group = number >= kFirstCalcSlot      ? kGroupCalc
                          : number >= kFirstDigitalSlot ? kGroupDigital
                                                        : kGroupAnalog;
    const int32_t index = group == kGroupCalc      ? number - kFirstCalcSlot
                          : group == kGroupDigital ? number - kFirstDigitalSlot
                                                   : number - 1;
    for (int32_t i = 0; i < kMaxChanRecords; ++i)
        if (acq->chans[i].group == group && acq->chans[i].number == index) return i;
    return -1;
}
