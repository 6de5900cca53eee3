// The measurements of a document's selection and the positions of its markers, as expressions
// read them.
#pragma once
#include <cstdint>

struct tagGS;

enum class Measure : int {
    Value,
    Delta,
    PeakToPeak,
    Min,
    Max,
    Mean,
    StdDev,
    Integral,
    Sum,
    Area,
    Slope,  // per horizontal unit
    LinReg,
    HAbs,
    DeltaH,
    Frequency,
    SampleNumber,
    DeltaSamples,
    MaxTime,
    MinTime,
    Correlate,
    Median,      // 0 when the median cannot be found
    MedianTime,  // the median sample's horizontal position; 0 when it cannot be found
};

// One measurement over the document's selection on a channel: 1 with *out set (DBL_MAX when the
// selection gives it no value), 0 when the measurement cannot be made at all.
int MeasureSelection(tagGS* gs, int chan, Measure which, double* out);

// The sample position of the document's n-th marker, counting from 1: 1 with *pos set, 0 when
// there is no such marker, -1 when the document's markers cannot be read.
int MarkerSampleByNumber(tagGS* gs, int32_t n, uint32_t* pos);
