// The calculation settings block: defaults, and its little-endian image field by field. One field
// list per record serves both directions, so the writer and the reader cannot drift apart.
#include "devlib/acquisition/channels/calc_settings.h"

#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>

#include "devlib/services/byte_cursor.h"

namespace {

// Writes each visited field at the cursor; reserved bytes are written as zero.
struct FieldWriter {
    CByteWriter w;
    void operator()(const int16_t& v) { w.I16(v); }
    void operator()(const int32_t& v) { w.I32(v); }
    void operator()(const uint32_t& v) { w.U32(v); }
    void operator()(const double& v) { w.F64(v); }
    void Text(const char* v, size_t n) { w.Bytes(v, n); }
    void Reserved(size_t n) {
        memset(w.Position(), 0, n);
        w.Skip(n);
    }
};

// Reads each visited field from the cursor; reserved bytes are passed over.
struct FieldReader {
    CByteReader r;
    void operator()(int16_t& v) { v = r.I16(); }
    void operator()(int32_t& v) { v = r.I32(); }
    void operator()(uint32_t& v) { v = r.U32(); }
    void operator()(double& v) { v = r.F64(); }
    void Text(char* v, size_t n) {
        r.Bytes(v, n);
        v[n - 1] = '\0';
    }
    void Reserved(size_t n) {
        uint8_t skip[8];
        while (n) {
            const size_t k = n < sizeof(skip) ? n : sizeof(skip);
            r.Bytes(skip, k);
            n -= k;
        }
    }
};

// Each record's fields in offset order; reserved gaps by their size.
template <class R, class F>
void VisitIntegrate(R& p, F& f) {
    f(p.source), f(p.control), f(p.averaging), f(p.samples), f.Reserved(2), f(p.options), f(p.rectify);
    f(p.removeBaseline), f(p.low), f(p.high), f(p.positive), f(p.meanSubtraction), f(p.maxCyclePeriod);
    f(p.integral), f(p.ring), f(p.ringPos), f.Reserved(2), f(p.lastCrossing), f(p.usedCrossing), f(p.previous);
    f(p.halfInterval), f(p.count), f(p.lag), f.Reserved(4), f(p.cycleEnd), f(p.cycleStart), f(p.armed);
    f(p.baseline);
}
template <class R, class F>
void VisitSmoothing(R& p, F& f) {
    f(p.source), f.Reserved(2), f(p.buffer), f(p.factor), f(p.median);
}
template <class R, class F>
void VisitDifference(R& p, F& f) {
    f(p.source), f(p.ring), f(p.ringPos), f(p.interval), f(p.fillOnFirst);
}
template <class R, class F>
void VisitRate(R& p, F& f) {
    f(p.function), f(p.source), f.Reserved(4), f(p.level), f(p.threshold), f(p.polarity), f.Reserved(2);
    f(p.autoThreshold), f(p.noiseRejection), f(p.limitUnit), f.Reserved(6), f(p.lowerLimit), f(p.upperLimit);
    f(p.minInterval), f(p.maxInterval), f(p.previousTime), f(p.result), f(p.lastEvent), f(p.maxIndex);
    f(p.minIndex), f(p.peakCycleStart), f(p.valleyCycleStart), f.Reserved(4), f(p.lastMax), f(p.lastMin);
    f(p.currentMax), f(p.currentMin), f(p.input), f(p.phase), f.Reserved(2), f(p.baselineRemoval);
    f(p.baselineLag), f(p.ring), f(p.ringPos), f.Reserved(4), f(p.ringSum), f(p.ringFill), f(p.ringCapacity);
    f(p.band), f(p.initialised), f(p.output), f.Reserved(2);
}
template <class R, class F>
void VisitMath(R& p, F& f) {
    f(p.op), f(p.first), f(p.second), f.Reserved(4), f(p.constant);
}
template <class R, class F>
void VisitFunction(R& p, F& f) {
    f(p.function), f(p.source), f(p.upper), f(p.lower), f(p.state);
}
template <class R, class F>
void VisitStage(R& s, F& f) {
    f(s.a1), f(s.a2), f(s.b0), f(s.b1), f(s.b2), f(s.y2), f(s.y1), f(s.x2), f(s.x1);
}
template <class R, class F>
void VisitFilter(R& p, F& f) {
    f(p.source), f(p.type), f.Reserved(4), f(p.q), f(p.qBand), f(p.frequency), f(p.highFrequency);
    VisitStage(p.stage1, f);
    VisitStage(p.stage2, f);
}
template <class R, class F>
void VisitDelay(R& p, F& f) {
    f(p.source), f.Reserved(6), f(p.seconds), f(p.samples), f(p.unit), f.Reserved(2);
}
template <class R, class F>
void VisitControl(R& p, F& f) {
    f(p.source), f(p.outputLine), f.Reserved(4), f(p.state), f(p.level1), f(p.level2), f(p.function);
    f.Reserved(6);
}

// One channel's record of a kind, visited; false for kind 0 and unknown kinds.
template <class S, class F>
bool VisitKind(S& s, int32_t channel, int32_t kind, F& f) {
    switch (kind) {
    case kCalcIntegrate: VisitIntegrate(s.integrate[channel], f); return true;
    case kCalcSmoothing: VisitSmoothing(s.smoothing[channel], f); return true;
    case kCalcDifference: VisitDifference(s.difference[channel], f); return true;
    case kCalcRate: VisitRate(s.rate[channel], f); return true;
    case kCalcMath: VisitMath(s.math[channel], f); return true;
    case kCalcFunction: VisitFunction(s.function[channel], f); return true;
    case kCalcFilter: VisitFilter(s.filter[channel], f); return true;
    case kCalcExpression: f.Text(s.expression[channel], kExpressionBytes); return true;
    case kCalcDelay: VisitDelay(s.delay[channel], f); return true;
    case kCalcControl: VisitControl(s.control[channel], f); return true;
    default: return false;
    }
}

}  // namespace

// Bytes of a kind's parameter record.
int32_t CalcParamBytes(int32_t kind) {
    switch (kind) {
    case kCalcIntegrate: return sizeof(stIntegrateParams);
    case kCalcSmoothing: return sizeof(stSmoothingParams);
    case kCalcDifference: return sizeof(stDifferenceParams);
    case kCalcRate: return sizeof(stRateParams);
    case kCalcMath: return sizeof(stMathParams);
    case kCalcFunction: return sizeof(stFunctionParams);
    case kCalcFilter: return sizeof(stFilterParams);
    case kCalcExpression: return kExpressionBytes;
    case kCalcDelay: return sizeof(stDelayParams);
    case kCalcControl: return sizeof(stControlParams);
    default: return 0;
    }
}

// The copies live in stAcq as bytes, aligned for the record (see its static_asserts).
stCalcSettings* CalcSettings(stAcq* acq) { return std::launder(reinterpret_cast<stCalcSettings*>(acq->calcSettings)); }
const stCalcSettings* CalcSettings(const stAcq* acq) {
    return std::launder(reinterpret_cast<const stCalcSettings*>(acq->calcSettings));
}
stCalcSettings* CalcRun(stAcq* acq) { return std::launder(reinterpret_cast<stCalcSettings*>(acq->calcRun)); }

// Start-up settings: no channel computes, every record ready for its dialog.
void ResetCalcSettings(stCalcSettings* s, int32_t firstAnalog) {
    memset(s, 0, sizeof(*s));
    const auto fa = static_cast<int16_t>(firstAnalog);
    for (int32_t c = 0; c < kCalcChannels; ++c) {
        stIntegrateParams& in = s->integrate[c];
        in.source = fa, in.control = fa, in.samples = 3, in.options = 1, in.positive = 1, in.maxCyclePeriod = 1.0;
        stSmoothingParams& sm = s->smoothing[c];
        sm.source = 1, sm.factor = 3;
        s->difference[c].source = fa, s->difference[c].interval = 1;
        stRateParams& r = s->rate[c];
        r.function = kRateBpm, r.source = 1, r.polarity = 1, r.autoThreshold = 1, r.noiseRejection = 5.0;
        r.limitUnit = kRateUnitPerMinute, r.lowerLimit = 40.0, r.upperLimit = 180.0, r.baselineRemoval = 1;
        s->math[c].op = kMathAdd, s->math[c].first = fa, s->math[c].second = fa;
        s->function[c].function = kFuncAbs, s->function[c].source = fa;
        stFilterParams& f = s->filter[c];
        f.source = 1, f.type = kCalcFilterLowPass, f.q = 0.707, f.qBand = 5.0, f.frequency = 50.0, f.highFrequency = 500.0;
        stDelayParams& d = s->delay[c];
        d.source = 1, d.seconds = 1.0, d.samples = 20, d.unit = kDelayUnitSamples;
        s->control[c].source = 1;
    }
}


// The record into a preset block's first 208 bytes, the rest of them zero.
int32_t EncodeCalcParams(const stCalcSettings& s, int32_t channel, int32_t kind, uint8_t* bytes) {
    if (channel < 0 || channel >= kCalcChannels || !CalcParamBytes(kind)) return 0;
    memset(bytes, 0, sizeof(stRateParams));
    FieldWriter w{CByteWriter(bytes)};
    return VisitKind(s, channel, kind, w) ? 1 : 0;
}

int32_t DecodeCalcParams(const uint8_t* bytes, int32_t kind, int32_t channel, stCalcSettings* s) {
    if (channel < 0 || channel >= kCalcChannels || !CalcParamBytes(kind)) return 0;
    FieldReader r{CByteReader(bytes)};
    return VisitKind(*s, channel, kind, r) ? 1 : 0;
}

// ---- The stored acquisition set-up block ----

namespace {

constexpr size_t kSetupKindsAt = 142;
constexpr size_t kSetupTextsAt = 2382;

// One array of the set-up block: twelve entries of one field of one kind's record. A two-byte
// entry of a four-byte field holds its low half and is widened with its sign when read.
struct stSetupArray {
    uint16_t at;
    int16_t kind;
    uint16_t field;     // offset in the kind's record
    uint8_t entry;      // 2, 4 or 8 bytes in the block
    uint8_t fieldSize;  // 2, 4 or 8 bytes in the record
    bool secondGroup;
};

constexpr stSetupArray kSetupArrays[] = {
    {174, kCalcIntegrate, 0, 2, 2, false},   {206, kCalcIntegrate, 8, 2, 2, false},
    {238, kCalcIntegrate, 16, 2, 4, false},  {270, kCalcRate, 0, 2, 2, false},
    {302, kCalcRate, 2, 2, 2, false},        {334, kCalcRate, 8, 8, 8, false},
    {462, kCalcRate, 8, 8, 8, false},  // a second copy; read last, so it wins
    {590, kCalcRate, 24, 2, 2, false},       {686, kCalcMath, 0, 2, 4, false},
    {718, kCalcMath, 4, 2, 4, false},        {750, kCalcMath, 8, 2, 4, false},
    {782, kCalcMath, 16, 8, 8, false},       {910, kCalcFunction, 0, 2, 4, false},
    {942, kCalcFunction, 4, 2, 4, false},    {974, kCalcFunction, 16, 8, 8, false},
    {1102, kCalcFunction, 8, 8, 8, false},   {1230, kCalcDifference, 0, 2, 4, false},
    {1262, kCalcDifference, 12, 2, 4, false}, {1294, kCalcRate, 28, 2, 4, false},
    {1326, kCalcRate, 32, 8, 8, false},      {1454, kCalcRate, 40, 2, 2, false},
    {1486, kCalcRate, 48, 8, 8, false},      {1614, kCalcRate, 56, 8, 8, false},
    {1742, kCalcRate, 156, 2, 4, false},     {1774, kCalcRate, 204, 2, 2, false},
    {1806, kCalcFilter, 0, 2, 2, false},     {1838, kCalcFilter, 2, 2, 2, false},
    {1870, kCalcFilter, 8, 8, 8, false},     {1998, kCalcFilter, 16, 8, 8, false},
    {2126, kCalcFilter, 24, 8, 8, false},    {2254, kCalcFilter, 32, 8, 8, false},
    {5990, kCalcSmoothing, 0, 2, 2, true},   {6022, kCalcSmoothing, 8, 4, 4, true},
    {6086, kCalcSmoothing, 12, 2, 4, true},  {6118, kCalcIntegrate, 2, 2, 2, true},
    {6150, kCalcIntegrate, 4, 4, 4, true},   {6214, kCalcIntegrate, 12, 4, 4, true},
    {6278, kCalcIntegrate, 20, 4, 4, true},  {6342, kCalcIntegrate, 24, 8, 8, true},
    {6470, kCalcIntegrate, 32, 8, 8, true},  {6598, kCalcIntegrate, 48, 8, 8, true},
    {6726, kCalcIntegrate, 40, 4, 4, true},  {6790, kCalcIntegrate, 44, 4, 4, true},
    {6854, kCalcDelay, 0, 2, 2, true},       {6886, kCalcDelay, 8, 8, 8, true},
    {7014, kCalcDelay, 16, 4, 4, true},      {7078, kCalcDelay, 20, 2, 2, true},
    {7110, kCalcControl, 0, 2, 2, true},     {7142, kCalcControl, 2, 2, 2, true},
    {7174, kCalcControl, 8, 8, 8, true},     {7302, kCalcControl, 16, 8, 8, true},
    {7430, kCalcControl, 24, 8, 8, true},    {7558, kCalcControl, 32, 2, 2, true},
    {7590, kCalcControl, 34, 2, 2, true},  // the record's word after the function, carried as it is
};

// The bytes of one channel's record of a kind.
uint8_t* RecordOf(stCalcSettings& s, int32_t kind, int32_t c) {
    switch (kind) {
    case kCalcIntegrate: return reinterpret_cast<uint8_t*>(&s.integrate[c]);
    case kCalcSmoothing: return reinterpret_cast<uint8_t*>(&s.smoothing[c]);
    case kCalcDifference: return reinterpret_cast<uint8_t*>(&s.difference[c]);
    case kCalcRate: return reinterpret_cast<uint8_t*>(&s.rate[c]);
    case kCalcMath: return reinterpret_cast<uint8_t*>(&s.math[c]);
    case kCalcFunction: return reinterpret_cast<uint8_t*>(&s.function[c]);
    case kCalcFilter: return reinterpret_cast<uint8_t*>(&s.filter[c]);
    case kCalcDelay: return reinterpret_cast<uint8_t*>(&s.delay[c]);
    default: return reinterpret_cast<uint8_t*>(&s.control[c]);
    }
}
const uint8_t* RecordOf(const stCalcSettings& s, int32_t kind, int32_t c) {
    return RecordOf(const_cast<stCalcSettings&>(s), kind, c);
}

// A record field as a 64-bit pattern (integers widened with their sign) and back.
int64_t FieldBits(const uint8_t* at, uint8_t size) {
    if (size == 2) return GetLeI16(at);
    if (size == 4) return GetLeI32(at);
    return static_cast<int64_t>(GetLeU64(at));
}
void PutField(uint8_t* at, uint8_t size, int64_t v) {
    if (size == 2) PutLeU16(at, static_cast<uint16_t>(v));
    else if (size == 4) PutLeU32(at, static_cast<uint32_t>(v));
    else PutLeU64(at, static_cast<uint64_t>(v));
}

// Sources of the blocks that counted analog channels from 0 name them as the preference does.
void ShiftOldSources(stCalcSettings* s, int32_t firstAnalog, int32_t c) {
    auto shift = [&](auto& id) {
        if (id >= 0 && id <= 4) id = static_cast<std::remove_reference_t<decltype(id)>>(id + firstAnalog);
    };
    shift(s->rate[c].source);
    shift(s->math[c].first);
    shift(s->math[c].second);
    shift(s->difference[c].source);
    shift(s->filter[c].source);
}

}  // namespace

void EncodeCalcSetup(const stCalcSettings& s, uint8_t* block) {
    for (int32_t c = 0; c < kCalcChannels; ++c) {
        PutLeU16(block + kSetupKindsAt + 2 * c, static_cast<uint16_t>(s.kind[c]));
        memcpy(block + kSetupTextsAt + size_t(c) * kExpressionBytes, s.expression[c], kExpressionBytes);
        block[kSetupTextsAt + size_t(c) * kExpressionBytes + kExpressionBytes - 1] = 0;
        for (const stSetupArray& a : kSetupArrays) {
            const int64_t v = FieldBits(RecordOf(s, a.kind, c) + a.field, a.fieldSize);
            PutField(block + a.at + size_t(c) * a.entry, a.entry, v);
        }
    }
}

void DecodeCalcSetup(const uint8_t* block, int32_t version, int32_t firstAnalog, stCalcSettings* s) {
    const bool second = version >= kSetupCalcSecondGroupFrom;
    for (int32_t c = 0; c < kCalcChannels; ++c) {
        int16_t kind = GetLeI16(block + kSetupKindsAt + 2 * c);
        if (!second && (kind & 0xFF) > 1) ++kind;  // a kind was inserted after the first
        s->kind[c] = kind;
        memcpy(s->expression[c], block + kSetupTextsAt + size_t(c) * kExpressionBytes, kExpressionBytes);
        s->expression[c][kExpressionBytes - 1] = '\0';
        for (const stSetupArray& a : kSetupArrays) {
            if (a.secondGroup && !second) continue;
            const int64_t v = FieldBits(block + a.at + size_t(c) * a.entry, a.entry);
            PutField(RecordOf(*s, a.kind, c) + a.field, a.fieldSize, v);
        }
        if (!second) {
            s->integrate[c].control = s->integrate[c].source;
            s->integrate[c].averaging = 1;
        }
        if (version <= kSetupCalcOldSourcesUpTo) ShiftOldSources(s, firstAnalog, c);
    }
}

RateUnitsFrom RateFunctionUnits(int16_t function, const char** key) {
    *key = nullptr;
    switch (function) {
    case kRateHz: *key = "Hertz"; return RateUnitsFrom::Own;
    case kRateBpm: *key = "BPM"; return RateUnitsFrom::Own;
    case kRateInterval:
    case kRatePeakTime: *key = "Seconds"; return RateUnitsFrom::Own;
    case kRateCountPeaks: return RateUnitsFrom::Kept;
    default: return RateUnitsFrom::Source;
    }
}
