// The measurements that the expression language reads by name, over the document's selection.
#include "documents/measurements/measurements.h"
#include "common/tagGS.h"
#include "documents/measurements/doc_measure.h"

namespace {

// The box type that computes an expression's measurement.
int BoxType(Measure which) {
    switch (which) {
    case Measure::Value: return measure::kValue;
    case Measure::Delta: return measure::kDelta;
    case Measure::PeakToPeak: return measure::kPeakToPeak;
    case Measure::Min: return measure::kMin;
    case Measure::Max: return measure::kMax;
    case Measure::Mean: return measure::kMean;
    case Measure::StdDev: return measure::kStdDev;
    case Measure::Integral: return measure::kIntegral;
    case Measure::Area: return measure::kArea;
    case Measure::Slope: return measure::kSlope;
    case Measure::LinReg: return measure::kLinReg;
    case Measure::HAbs: return measure::kHAbs;
    case Measure::DeltaH: return measure::kDeltaH;
    case Measure::Frequency: return measure::kFrequency;
    case Measure::SampleNumber: return measure::kSampleNumber;
    case Measure::DeltaSamples: return measure::kDeltaSamples;
    case Measure::MaxTime: return measure::kMaxH;
    case Measure::MinTime: return measure::kMinH;
    case Measure::Correlate: return measure::kCorrelate;
    default: return measure::kNone;
    }
}

}  // namespace

int MeasureSelection(tagGS* gs, int chan, Measure which, double* out) {
    if (!gs || !out || chan < 0 || chan >= kMaxChannels) return 0;
    const measure::ChannelView view = ChannelViewOf(gs, chan);
    const measure::Frame frame = FrameOf(gs);
    switch (which) {
    case Measure::Sum: *out = measure::Sum(view, frame); return 1;
    case Measure::Median:
    case Measure::MedianTime: {
        double value = 0.0, position = 0.0;
        measure::Median(view, frame, &value, &position);
        *out = which == Measure::Median ? value : position;
        return 1;
    }
    default: *out = measure::Compute(BoxType(which), view, frame); return 1;
    }
}
