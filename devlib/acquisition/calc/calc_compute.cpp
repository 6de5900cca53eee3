// The ten calculation kinds, block by block: every working value that must survive a block
// boundary lives in the kind's record, so a recording read in many blocks computes exactly what
// one long block would.
#include "devlib/acquisition/calc/calc_compute.h"
#include "common/tagGS.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kTwoPi = 6.2831852;
constexpr double kBaselineLagMs = 25.0;
constexpr double kPeakFraction = 0.75;
constexpr double kValleyFraction = 0.25;
constexpr double kControlHigh = 5.0;
// The automatic threshold's ring: a lower limit of 0 would make it as long as any run.
constexpr int32_t kMaxRateRing = 1 << 20;

// A count of samples from a real number, kept within the 32-bit range (a limit of 0 is unbounded).
int32_t TruncSamples(double v) {
    if (!(v > 0)) return 0;
    return v >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

}  // namespace

// ---- Range measures ----

double CalcIntervalFactor(double intervalMs, int32_t hUnit) {
    if (hUnit == kHUnitUser) return intervalMs;
    if (hUnit == kHUnitFrequency) return intervalMs * 1000.0;
    return intervalMs * 0.001;
}

double MeanOfRange(const stCalcBlock& b, int32_t channel, int32_t first, int32_t last) {
    if (last < first) return 0;
    double sum = 0, v = 0;
    for (int32_t k = first; k <= last; ++k) {
        if (!b.Read(k, channel, &v)) return 0;
        sum += v;
    }
    return sum / (last - first + 1);
}

double SlopeOfRange(const stCalcBlock& b, int32_t channel, int32_t i, int32_t j) {
    double xi = 0, xj = 0;
    const double span = std::abs(j - i) * CalcIntervalFactor(b.intervalMs, b.hUnit);
    if (span == 0 || !b.Read(i, channel, &xi) || !b.Read(j, channel, &xj)) return 0;
    return (xj - xi) / span;
}

double AreaOfRange(const stCalcBlock& b, int32_t channel, int32_t first, int32_t last) {
    double x0 = 0, xn = 0;
    if (last <= first || !b.Read(first, channel, &x0) || !b.Read(last, channel, &xn)) return 0;
    const double step = (xn - x0) / (last - first);
    double previous = 0, sum = 0;  // d(first) is 0: the line passes through the first sample
    for (int32_t k = first + 1; k <= last; ++k) {
        double x = 0;
        if (!b.Read(k, channel, &x)) return 0;
        const double d = std::fabs(x - (x0 + step * (k - first)));
        sum += 0.5 * (d + previous);
        previous = d;
    }
    return sum * CalcIntervalFactor(b.intervalMs, b.hUnit);
}

// ---- Integrate ----

int32_t CalcIntegrateBufferDoubles(const stIntegrateParams& p) { return p.averaging ? std::max<int32_t>(p.samples, 1) : 0; }

void PrepareIntegrateState(stIntegrateParams* p, double* ring, int32_t hasGraph, double intervalMs, int32_t hUnit) {
    if (p->averaging) {
        std::fill(ring, ring + CalcIntegrateBufferDoubles(*p), 0.0);
        p->ringPos = 0;
        return;
    }
    p->integral = p->previous = 0;
    p->lastCrossing = p->usedCrossing = p->count = p->lag = 0;
    p->cycleStart = p->cycleEnd = p->armed = 0;
    p->baseline = 0;
    if (hasGraph) {
        p->lag = TruncSamples(p->maxCyclePeriod * 1000.0 / intervalMs);
        p->halfInterval = intervalMs * (hUnit == kHUnitUser ? 0.5 : hUnit == kHUnitFrequency ? 500.0 : 0.0005);
    }
    if (p->low > p->high) std::swap(p->low, p->high);
}

namespace {

// The sliding window of the averaging mode.
int32_t IntegrateAveraging(stIntegrateParams* p, double* ring, stCalcBlock* b) {
    const int32_t n = CalcIntegrateBufferDoubles(*p);
    for (int32_t k = 0; k < b->count; ++k) {
        const int32_t i = b->first + k;
        double x = 0;
        if (!b->Read(i, p->source, &x)) return 0;
        ring[p->ringPos] = x;
        p->ringPos = static_cast<int16_t>((p->ringPos + 1) % n);
        const int32_t used = std::min(n, i);
        double sum = 0, absSum = 0, squares = 0;
        for (int32_t r = 0; r < used; ++r) sum += ring[r], absSum += std::fabs(ring[r]), squares += ring[r] * ring[r];
        double result;
        if (!p->options) {
            result = b->Scaled(sum * b->intervalMs * 0.001);
        } else if (p->rectify) {
            result = b->Scaled(absSum * b->intervalMs * 0.001);
        } else {
            const double divisor = std::max(1, used - 1);
            if (p->removeBaseline) {
                const double mean = sum / std::max(1, used);
                squares = 0;
                for (int32_t r = 0; r < used; ++r) squares += (ring[r] - mean) * (ring[r] - mean);
            }
            result = std::sqrt(squares / divisor);
        }
        b->out[b->written++] = result;
    }
    return 1;
}

// The control channel's crossing detector from index a to the block end: may store a newer
// crossing in lastCrossing. An armed detector (the last block ended between arming and the
// crossing) goes on waiting for the crossing, so blocks of any size find the same crossings.
// -1 on a refused read, else 1.
int32_t DetectCrossing(stIntegrateParams* p, const stCalcBlock& b, int32_t a, int32_t end) {
    if (a >= end) return 1;
    const bool pos = p->positive != 0;
    int32_t k = a;
    int phase = 1;
    if (!p->armed) {
        double y = 0, before = 0;
        if (!b.Read(a, p->control, &y)) return -1;
        if (a > 0 && !b.Read(a - 1, p->control, &before)) return -1;
        if (a == 0) before = y;
        if ((pos ? (y >= p->high && before < p->low) : (y <= p->low && before > p->high)) && a > p->lastCrossing) {
            p->lastCrossing = a;
            return 1;
        }
        phase = 0;
    }
    // Wait to leave the crossing side, arm, then wait for the crossing itself.
    for (; phase < 2; ++phase) {
        for (;; ++k) {
            if (k >= end) return 1;
            double y = 0;
            if (!b.Read(k, p->control, &y)) return -1;
            const bool waiting = phase == 0 ? (pos ? y >= p->low : y <= p->high) : (pos ? y < p->high : y > p->low);
            if (!waiting) break;
        }
        if (phase == 0) p->armed = 1;
    }
    p->armed = 0;
    p->lastCrossing = k;
    return 1;
}

// One trapezoid step of the running integral; the first sample after a reset starts it at 0.
double IntegrateStep(stIntegrateParams* p, double x) {
    p->integral = p->count > 0 ? (x + p->previous) * p->halfInterval + p->integral : 0.0;
    p->previous = x;
    ++p->count;
    return p->integral;
}

// Reset mode: the integral restarts at every crossing of the control channel.
int32_t IntegrateReset(stIntegrateParams* p, stCalcBlock* b) {
    const int32_t end = b->first + b->count;
    for (int32_t c = b->first; c < end;) {
        if (DetectCrossing(p, *b, c, end) < 0) return 0;
        const bool found = p->lastCrossing != p->usedCrossing && p->lastCrossing >= c;
        const int32_t d = found ? p->lastCrossing : end;
        for (int32_t i = c; i < d; ++i) {
            double x = 0;
            if (!b->Read(i, p->source, &x)) return 0;
            b->out[b->written++] = IntegrateStep(p, x);
        }
        if (found) {
            p->usedCrossing = p->lastCrossing;
            p->integral = p->previous = 0;
            p->count = 0;
        }
        if (!found || d == end) break;
        c = d;
    }
    return 1;
}

// Cycle mode: each cycle between crossings is integrated less its own mean, L samples late. The
// search for a cycle's end looks at the samples up to the current one only, so the output does
// not depend on how the samples arrive in blocks; L grows while a cycle lasts longer than it.
int32_t IntegrateCycles(stIntegrateParams* p, stCalcBlock* b) {
    const int32_t end = b->first + b->count;
    for (int32_t i = b->first; i < end; ++i) {
        if (i >= p->lastCrossing + p->lag) {
            const int32_t from = p->lastCrossing;
            p->cycleStart = from;
            p->armed = 0;  // the search starts over at the cycle's own crossing
            if (DetectCrossing(p, *b, from, i + 1) < 0) return 0;
            b->out[b->written++] = 0.0;
            if (p->lastCrossing == from) {
                p->lag = std::max(p->lag, i + 1 - from);
                continue;
            }
            const int32_t g = p->lastCrossing;
            p->cycleEnd = g;
            p->baseline = MeanOfRange(*b, p->source, from, g - 1);
            p->integral = p->previous = 0;
            p->count = 0;
            p->lag = std::max(p->lag, g - from);
            continue;
        }
        double result = 0.0;
        if (p->cycleEnd > p->cycleStart && i - p->lag >= 0) {
            double x = 0;
            if (!b->Read(i - p->lag, p->source, &x)) return 0;
            result = IntegrateStep(p, x - p->baseline);
        }
        b->out[b->written++] = result;
    }
    return 1;
}

}  // namespace

int32_t CalcIntegrate(stIntegrateParams* p, double* ring, stCalcBlock* b) {
    if (p->averaging) return IntegrateAveraging(p, ring, b);
    return p->meanSubtraction ? IntegrateCycles(p, b) : IntegrateReset(p, b);
}

// ---- Smoothing ----

int32_t CalcSmoothingBufferDoubles(const stSmoothingParams& p) { return std::max(p.factor, 1); }

int32_t CalcSmoothing(stSmoothingParams* p, double* buffer, stCalcBlock* b) {
    const int32_t n = CalcSmoothingBufferDoubles(*p);
    for (int32_t k = 0; k < b->count; ++k) {
        const int32_t i = b->first + k;
        const int32_t j = std::min(n, i + 1);
        double sum = 0;
        for (int32_t r = 0; r < j; ++r) {
            if (!b->Read(i - r, p->source, &buffer[r])) return 0;
            sum += buffer[r];
        }
        double result = sum / j;
        if (p->median) {
            std::sort(buffer, buffer + j);
            result = j % 2 ? buffer[j / 2] : 0.5 * (buffer[j / 2 - 1] + buffer[j / 2]);
        }
        b->out[b->written++] = b->Scaled(result);
    }
    return 1;
}

// ---- Difference ----

int32_t CalcDifferenceBufferDoubles(const stDifferenceParams& p) { return std::max(p.interval, 1) + 1; }

void PrepareDifferenceState(stDifferenceParams* p) {
    p->ringPos = 0;
    p->fillOnFirst = 1;
}

int32_t CalcDifference(stDifferenceParams* p, double* ring, stCalcBlock* b) {
    const int32_t n = CalcDifferenceBufferDoubles(*p);
    for (int32_t k = 0; k < b->count; ++k) {
        double x = 0;
        if (!b->Read(b->first + k, p->source, &x)) return 0;
        if (p->fillOnFirst) {
            std::fill(ring, ring + n, x);
            p->fillOnFirst = 0;
        }
        ring[p->ringPos] = x;
        p->ringPos = (p->ringPos + 1) % n;
        b->out[b->written++] = b->Scaled(x - ring[p->ringPos]);
    }
    return 1;
}

// ---- Rate ----

int32_t CalcRateBufferDoubles(const stRateParams& p) { return p.autoThreshold ? std::max(p.ringCapacity, 1) : 0; }

int32_t PrepareRateState(stRateParams* p, double samplePeriodMs) {
    if (!(samplePeriodMs > 0)) return 0;
    p->threshold = p->lastMax = p->lastMin = p->currentMax = p->currentMin = p->input = p->level;
    const double lower = p->lowerLimit, upper = p->upperLimit;
    if (p->limitUnit == kRateUnitSeconds) {
        p->minInterval = TruncSamples(lower * 1000.0 / samplePeriodMs);
        p->maxInterval = TruncSamples(upper * 1000.0 / samplePeriodMs);
    } else {
        const double perUnit = p->limitUnit == kRateUnitPerSecond ? 1000.0 : 60000.0;
        p->maxInterval = lower > 0 ? TruncSamples(perUnit / lower / samplePeriodMs) : INT32_MAX;
        p->minInterval = upper > 0 ? TruncSamples(perUnit / upper / samplePeriodMs) : 0;
    }
    // 0 at periods above 25 ms: no earlier sample lies within the baseline's reach.
    p->baselineLag = TruncSamples(kBaselineLagMs / samplePeriodMs);
    p->ringCapacity = std::max(1, std::min(p->maxInterval, kMaxRateRing));
    p->ringSum = 0;
    p->ringFill = p->ringPos = 0;
    p->initialised = p->autoThreshold ? 0 : 1;
    p->band = 0;
    // The first event is timed from the start of the run.
    p->previousTime = 0.0;
    p->lastEvent = p->maxIndex = p->minIndex = p->peakCycleStart = p->valleyCycleStart = 0;
    p->phase = 0;
    p->result = -1.0;
    return 1;
}

namespace {

// The result of an event at sample k.
void RateEvent(stRateParams* p, const stCalcBlock& b, int32_t k, int32_t cycleStart) {
    const double t = k * b.intervalMs * 0.001;
    const double dt = t - p->previousTime;
    switch (p->function) {
    case kRateHz: p->result = dt != 0 ? 1.0 / dt : 0.0; break;
    case kRateBpm: p->result = dt != 0 ? 60.0 / dt : 0.0; break;
    case kRateInterval: p->result = dt; break;
    case kRatePeakTime: p->result = t; break;
    case kRateCountPeaks: p->result += 1.0; break;
    case kRatePeakMinimum: if (p->polarity < 0) p->result = p->currentMin; break;
    case kRatePeakMaximum: if (p->polarity > 0) p->result = p->currentMax; break;
    case kRatePeakToPeak: p->result = p->currentMax - p->currentMin; break;
    case kRateMeanValue: p->result = MeanOfRange(b, p->source, cycleStart, k); break;
    case kRateArea: p->result = AreaOfRange(b, p->source, cycleStart, k); break;
    default: break;
    }
    p->previousTime = t;
    p->lastEvent = k;
}

void FollowExtremes(stRateParams* p, double x, int32_t i) {
    if (x > p->currentMax) p->currentMax = x, p->maxIndex = i;
    if (x < p->currentMin) p->currentMin = x, p->minIndex = i;
}

// The automatic threshold's running mean over the last maximum interval of samples.
void PushRing(stRateParams* p, double* ring, double x) {
    if (p->ringFill < p->ringCapacity) {
        ++p->ringFill;
    } else {
        p->ringSum -= ring[p->ringPos];
    }
    ring[p->ringPos] = x;
    p->ringSum += x;
    p->ringPos = (p->ringPos + 1) % p->ringCapacity;
}

// Phase changes of one sample; an event at the extreme just left. The band follows the newest
// peak-to-peak once an event happened.
void RateDetect(stRateParams* p, const stCalcBlock& b, double x, int32_t i) {
    const bool peaks = p->polarity > 0;
    if (p->phase == 1) {
        if (x >= p->threshold - p->band) {
            if (x > p->currentMax) p->currentMax = x, p->maxIndex = i;
            return;
        }
        if (peaks) RateEvent(p, b, p->maxIndex, p->peakCycleStart);
        p->lastMax = p->currentMax;
        p->currentMin = p->currentMax;
        p->peakCycleStart = p->maxIndex;
        p->phase = 0;
        if (x < p->currentMin) p->currentMin = x, p->minIndex = i;
    } else {
        if (x <= p->threshold + p->band) {
            if (x < p->currentMin) p->currentMin = x, p->minIndex = i;
            return;
        }
        if (!peaks) RateEvent(p, b, p->minIndex, p->valleyCycleStart);
        p->lastMin = p->currentMin;
        p->currentMax = p->currentMin;
        p->valleyCycleStart = p->minIndex;
        p->phase = 1;
        if (x > p->currentMax) p->currentMax = x, p->maxIndex = i;
    }
    if (p->autoThreshold && p->phase == (peaks ? 0 : 1))
        p->band = (p->lastMax - p->lastMin) * p->noiseRejection * 0.01;
}

}  // namespace

int32_t CalcRate(stRateParams* p, double* ring, stCalcBlock* b) {
    if (p->autoThreshold && !p->initialised && b->count > 0) {
        double x0 = 0;
        if (!b->Read(0, p->source, &x0)) return 0;
        p->threshold = p->lastMax = p->lastMin = p->currentMax = p->currentMin = x0;
        p->initialised = 1;
    }
    const bool peaks = p->polarity > 0;
    for (int32_t k = 0; k < b->count; ++k) {
        const int32_t i = b->first + k;
        double x = 0, base = 0;
        if (!b->Read(i, p->source, &x)) return 0;
        // Without a lag the sample would be taken from itself: it is taken as it is.
        if (p->baselineRemoval && p->baselineLag > 0) {
            if (!b->Read(std::max(0, i - p->baselineLag), p->source, &base)) return 0;
            x -= base;
        }
        p->input = x;
        if (p->autoThreshold) {
            PushRing(p, ring, x);
            if (static_cast<int64_t>(i) - p->lastEvent <= p->maxInterval) {
                p->threshold = p->lastMin + (p->lastMax - p->lastMin) * (peaks ? kPeakFraction : kValleyFraction);
            } else {
                p->threshold = p->ringSum / p->ringFill;
                p->band = 0;
            }
        }
        if (p->autoThreshold && static_cast<int64_t>(i) < static_cast<int64_t>(p->lastEvent) + p->minInterval)
            FollowExtremes(p, x, i);
        else
            RateDetect(p, *b, x, i);
        const double shown = p->output == kRateOutputResult ? p->result
                             : p->output == kRateOutputThreshold ? p->threshold
                                                                 : x;
        b->out[b->written++] = shown;
    }
    return 1;
}

// ---- Math and Function ----

int32_t CalcMath(const stMathParams* p, stCalcBlock* b) {
    for (int32_t k = 0; k < b->count; ++k) {
        const int32_t i = b->first + k;
        double a = p->constant, c = p->constant;
        if (p->first >= 0 && !b->Read(i, p->first, &a)) return 0;
        if (p->second >= 0 && !b->Read(i, p->second, &c)) return 0;
        double r = 0;
        switch (p->op) {
        case kMathAdd: r = a + c; break;
        case kMathSubtract: r = a - c; break;
        case kMathMultiply: r = a * c; break;
        case kMathDivide: r = c != 0 ? a / c : 0.0; break;
        case kMathPower: r = std::pow(a, c); break;
        default: break;
        }
        b->out[b->written++] = b->Scaled(r);
    }
    return 1;
}

int32_t CalcFunction(stFunctionParams* p, stCalcBlock* b) {
    for (int32_t k = 0; k < b->count; ++k) {
        double x = 0;
        if (p->function != kFuncNoise && !b->Read(b->first + k, p->source, &x)) return 0;
        double r = 0;
        switch (p->function) {
        case kFuncAbs: r = std::fabs(x); break;
        case kFuncArcTan: r = std::atan(x); break;
        case kFuncExp: r = std::exp(x); break;
        case kFuncLn: r = x > 0 ? std::log(x) : 0.0; break;
        case kFuncLog: r = x > 0 ? std::log10(x) : 0.0; break;
        case kFuncNoise: r = std::rand() / 32767.0 - 0.5; break;
        case kFuncSin: r = std::sin(x); break;
        case kFuncSqrt: r = x > 0 ? std::sqrt(x) : 0.0; break;
        case kFuncThreshold:
            if (x < p->lower) p->state = -1.0;
            if (x > p->upper) p->state = 1.0;
            r = p->state;
            break;
        case kFuncLimit: r = x < p->lower ? p->lower : x > p->upper ? p->upper : x; break;
        default: break;
        }
        b->out[b->written++] = b->Scaled(r);
    }
    return 1;
}

// ---- Filter ----

namespace {

// One second-order section at frequency f with quality q.
bool DesignStage(stBiquadStage* s, int16_t type, double f, double q, double periodS) {
    if (!(q > 0)) return false;
    const double k = std::tan(kTwoPi * f * periodS * 0.5);
    const double k2 = k * k;
    const double l = 1.0 / (k / q + k2 + 1.0);
    s->a1 = 2 * l * (1 - k2);
    s->a2 = -l * (k2 + 1 - k / q);
    switch (type) {
    case kCalcFilterLowPass: s->b0 = l * k2, s->b1 = 2 * l * k2, s->b2 = l * k2; break;
    case kCalcFilterHighPass: s->b0 = l, s->b1 = -2 * l, s->b2 = l; break;
    case kCalcFilterBandPass: s->b0 = l * k / q, s->b1 = 0, s->b2 = -l * k / q; break;
    case kCalcFilterBandStop: s->b0 = l * (1 + k2), s->b1 = 2 * l * (k2 - 1), s->b2 = l * (1 + k2); break;
    default: return false;
    }
    return true;
}

double RunStage(stBiquadStage* s, double x) {
    const double y = s->b0 * x + s->b1 * s->x1 + s->b2 * s->x2 + s->a1 * s->y1 + s->a2 * s->y2;
    s->x2 = s->x1, s->x1 = x;
    s->y2 = s->y1, s->y1 = y;
    return y;
}

void StartStage(stBiquadStage* s, double x) { s->x1 = s->x2 = s->y1 = s->y2 = x; }

}  // namespace

int32_t DesignFilter(stFilterParams* p, double samplePeriodMs, double lineFrequencyHz, const char** whyKey) {
    static const char* const kTooHigh = "KEY Filter frequency out of range";
    static const char* const kBadQ = "Q value is out of range";
    *whyKey = kTooHigh;
    const double periodS = samplePeriodMs * 0.001;
    // tan() turns over at half the sample rate: such a design would be unstable.
    const double nyquist = periodS > 0 ? 0.5 / periodS : 0;
    auto usable = [&](double f) { return f > 0 && f < nyquist; };
    switch (p->type) {
    case kCalcFilterLowHigh:
        if (!usable(p->frequency) || !usable(p->highFrequency)) return 0;
        *whyKey = kBadQ;
        return DesignStage(&p->stage1, kCalcFilterLowPass, p->highFrequency, p->q, periodS) &&
               DesignStage(&p->stage2, kCalcFilterHighPass, p->frequency, p->q, periodS);
    case kCalcFilterLine:
        // The mains frequency of the preference, as a band stop of the band-filter Q.
        if (!usable(lineFrequencyHz)) return 0;
        *whyKey = kBadQ;
        return DesignStage(&p->stage1, kCalcFilterBandStop, lineFrequencyHz, p->qBand, periodS);
    case kCalcFilterLowPass:
    case kCalcFilterHighPass:
    case kCalcFilterBandPass:
    case kCalcFilterBandStop: {
        if (!usable(p->frequency)) return 0;
        *whyKey = kBadQ;
        const bool band = p->type == kCalcFilterBandPass || p->type == kCalcFilterBandStop;
        return DesignStage(&p->stage1, p->type, p->frequency, band ? p->qBand : p->q, periodS);
    }
    default: *whyKey = kTooHigh; return 0;
    }
}

int32_t CalcFilter(stFilterParams* p, stCalcBlock* b) {
    const bool twoStages = p->type == kCalcFilterLowHigh;
    for (int32_t k = 0; k < b->count; ++k) {
        const int32_t i = b->first + k;
        double x = 0;
        if (!b->Read(i, p->source, &x)) return 0;
        if (i == 0 || i == b->runStart) StartStage(&p->stage1, x), StartStage(&p->stage2, x);
        double y = RunStage(&p->stage1, x);
        if (twoStages) y = RunStage(&p->stage2, y);
        b->out[b->written++] = y;
    }
    return 1;
}

// ---- Delay ----

int32_t PrepareDelayState(stDelayParams* p, double samplePeriodMs, int32_t lengthSamples) {
    if (p->unit == kDelayUnitSeconds) {
        if (!(samplePeriodMs > 0)) return 0;
        p->samples = TruncSamples(p->seconds * 1000.0 / samplePeriodMs);
    }
    p->samples = std::max(p->samples, 0);
    return lengthSamples >= p->samples ? 1 : 0;
}

int32_t CalcDelay(const stDelayParams* p, stCalcBlock* b) {
    for (int32_t k = 0; k < b->count; ++k) {
        const int32_t i = b->first + k;
        double x = 0;
        if (i >= p->samples && !b->Read(i - p->samples, p->source, &x)) return 0;
        b->out[b->written++] = b->Scaled(x);
    }
    return 1;
}

// ---- Control ----

int32_t CalcControl(stControlParams* p, stCalcBlock* b, void (*onOutput)(void*, double), void* outputContext) {
    for (int32_t k = 0; k < b->count; ++k) {
        double x = 0;
        if (!b->Read(b->first + k, p->source, &x)) return 0;
        const bool inside = p->level1 <= x && x <= p->level2;
        switch (p->function) {
        case 0:
            if (x > p->level2) p->state = kControlHigh;
            if (x < p->level1) p->state = 0.0;
            break;
        case 1: p->state = inside ? kControlHigh : 0.0; break;
        case 2:
            if (x > p->level2) p->state = 0.0;
            if (x < p->level1) p->state = kControlHigh;
            break;
        case 3: p->state = inside ? 0.0 : kControlHigh; break;
        default: break;
        }
        if (onOutput) onOutput(outputContext, p->state);
        b->out[b->written++] = p->state;
    }
    return 1;
}

// ---- Expression ----

int32_t CalcExpression(const char* text, CalcEvaluateFn evaluate, void* context, stCalcBlock* b, int32_t* status) {
    for (int32_t k = 0; k < b->count; ++k) {
        double v = 0;
        const int32_t s = evaluate ? evaluate(context, b->first + k, text, &v) : 0;
        if (s >= 0) {
            *status = s;
            return 0;
        }
        b->out[b->written++] = v;
    }
    *status = -1;
    return 1;
}
