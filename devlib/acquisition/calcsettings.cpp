// The calculation settings block: defaults, and its little-endian image field by field. One field
// list per record serves both directions, so the writer and the reader cannot drift apart.
#include "devlib/acquisition/calcsettings.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "devlib/acquisition/lebytes.h"

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

// The whole block in its array order: kinds, compute words, then each kind's twelve records.
template <class S, class F>
void VisitBlock(S& s, F& f) {
    for (auto& k : s.kind) f(k);
    for (auto& c : s.compute) f(c);
    for (int32_t kind : {kCalcIntegrate, kCalcDifference, kCalcRate, kCalcMath, kCalcFunction, kCalcFilter,
                         kCalcExpression, kCalcDelay, kCalcControl, kCalcSmoothing})
        for (int32_t c = 0; c < kCalcChannels; ++c) VisitKind(s, c, kind, f);
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

void EncodeCalcSettings(const stCalcSettings& s, uint8_t* bytes) {
    FieldWriter w{CByteWriter(bytes)};
    VisitBlock(s, w);
}

void DecodeCalcSettings(const uint8_t* bytes, stCalcSettings* s) {
    FieldReader r{CByteReader(bytes)};
    VisitBlock(*s, r);
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
