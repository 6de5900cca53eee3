// The detector's pass; included by rate_core.h.
#pragma once

namespace rate {

namespace detail {

// The state of one pass: the running extremes, the last completed excursions and events.
struct State {
    bool above = false;
    double threshold = 0.0, hysteresis = 0.0;
    double runMin = 0.0, runMax = 0.0;
    int32_t runMinAt = 0, runMaxAt = 0;
    double lastTrough = 0.0, lastPeak = 0.0;
    int32_t lastTroughAt = 0, lastPeakAt = 0;
    int32_t lastEventAt = 0;
    double lastEventTime = 0.0;
    double result = -1.0;
    int32_t events = 0;
    bool started = false;
    bool firstSeen = false;
    // ring of the auto threshold's running mean
    int32_t ringCount = 0, ringAt = 0;
    double ringSum = 0.0;
};

// The value of one event at sample k.
template <class Read>
bool EventValue(const Params& p, State& s, int32_t k, Read& read, double* value) {
    const double t = k * p.dtMs / 1000.0;
    const double d = t - s.lastEventTime;
    const int32_t from = p.polarity > 0 ? s.lastPeakAt : s.lastTroughAt;
    const double trough = p.polarity > 0 ? s.lastTrough : s.runMin;
    switch (p.function) {
    case kRateHz: *value = d != 0.0 ? 1.0 / d : 0.0; return true;
    case kRateBpm: *value = d != 0.0 ? 60.0 / d : 0.0; return true;
    case kInterval: *value = d; return true;
    case kPeakTime: *value = t; return true;
    case kCountPeaks: *value = s.result + 1.0; return true;
    case kPeakMinimum: *value = s.runMin; return true;
    case kPeakMaximum: *value = s.runMax; return true;
    case kPeakToPeak: *value = s.runMax - trough; return true;
    case kMeanValue: return MeanOf(read, from, k, value);
    case kArea: return AreaAboveChordOf(read, from, k, p.stepInUnit, value);
    default: *value = 0.0; return true;
    }
}

template <class Read>
bool OnEvent(const Params& p, State& s, int32_t k, Read& read, const Sink& sink) {
    const double t = k * p.dtMs / 1000.0;
    if (!EventValue(p, s, k, read, &s.result)) return false;
    if (sink.times) {
        // A new graph leaves out the run's first event: its interval has no start.
        if (s.firstSeen) {
            sink.times->push_back(t);
            sink.values->push_back(s.result);
            ++s.events;
        }
        s.firstSeen = true;
    } else {
        ++s.events;
    }
    s.lastEventTime = t;
    s.lastEventAt = k;
    if (p.autoThreshold) s.hysteresis = p.noiseRejectionPercent / 100.0 * (s.lastPeak - s.lastTrough);
    return true;
}

inline void TrackExtremes(State& s, double x, int32_t i) {
    if (x < s.runMin) {
        s.runMin = x;
        s.runMinAt = i;
    }
    if (x > s.runMax) {
        s.runMax = x;
        s.runMaxAt = i;
    }
}

// The auto threshold: 3/4 (1/4 for troughs) of the last swing, or the running mean after a
// longest interval without an event, which also resets the held value.
inline void FollowThreshold(const Params& p, State& s, double x, int32_t i, double* ring) {
    const int32_t longest = p.window.longest;
    if (s.ringCount < longest) {
        ring[s.ringAt] = x;
        ++s.ringCount;
    } else {
        s.ringSum -= ring[s.ringAt];
        ring[s.ringAt] = x;
    }
    if (++s.ringAt == longest) s.ringAt = 0;
    s.ringSum += x;
    if (static_cast<int64_t>(i) < static_cast<int64_t>(s.lastEventAt) + longest) {
        const double swing = s.lastPeak - s.lastTrough;
        s.threshold = s.lastTrough + (p.polarity > 0 ? 0.75 : 0.25) * swing;
    } else {
        s.threshold = s.ringSum / s.ringCount;
        s.hysteresis = 0.0;
        s.result = 0.0;
    }
}

}  // namespace detail

template <class Read>
bool Detect(const Params& p, int32_t first, int32_t last, Read& read, double* ring, const Sink& sink) {
    detail::State s;
    s.threshold = s.runMin = s.runMax = s.lastPeak = s.lastTrough = p.thresholdLevel;
    const int32_t needed = p.function <= kInterval ? 2 : 1;
    for (int32_t i = first; i <= last; ++i) {
        double x = 0.0;
        if (!read(i, &x)) return false;
        if (p.autoThreshold) {
            if (p.removeBaseline) {
                double earlier = 0.0;
                if (!read(i - p.window.lag > 0 ? i - p.window.lag : 0, &earlier)) return false;
                x -= earlier;
            }
            detail::FollowThreshold(p, s, x, i, ring);
        }
        if (p.autoThreshold && static_cast<int64_t>(i) < static_cast<int64_t>(s.lastEventAt) + p.window.shortest) {
            detail::TrackExtremes(s, x, i);  // blanked: no crossing this soon after an event
        } else if (!s.above) {
            if (x < s.threshold + s.hysteresis) {
                if (x < s.runMin) {
                    s.runMin = x;
                    s.runMinAt = i;
                }
            } else {
                if (p.polarity < 0 && !detail::OnEvent(p, s, s.runMinAt, read, sink)) return false;
                s.lastTrough = s.runMin;
                s.lastTroughAt = s.runMinAt;
                s.runMax = s.runMin;
                s.runMaxAt = s.runMinAt;
                s.above = true;
                if (x > s.runMax) {
                    s.runMax = x;
                    s.runMaxAt = i;
                }
            }
        } else {
            if (x >= s.threshold - s.hysteresis) {
                if (x > s.runMax) {
                    s.runMax = x;
                    s.runMaxAt = i;
                }
            } else {
                if (p.polarity > 0 && !detail::OnEvent(p, s, s.runMaxAt, read, sink)) return false;
                s.lastPeak = s.runMax;
                s.lastPeakAt = s.runMaxAt;
                s.runMin = s.runMax;
                s.runMinAt = s.runMaxAt;
                s.above = false;
                if (x < s.runMin) {
                    s.runMin = x;
                    s.runMinAt = i;
                }
            }
        }
        if (!sink.out) continue;
        if (p.outMode == 1) {
            sink.out[i] = s.threshold;
        } else if (s.started) {
            sink.out[i] = s.result;
        } else if (s.events >= needed) {
            // The first value that can be told fills everything before it.
            for (int32_t j = 0; j <= i; ++j) sink.out[j] = s.result;
            s.started = true;
        }
    }
    return true;
}

}  // namespace rate
