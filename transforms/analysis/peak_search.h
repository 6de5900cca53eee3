// Peak finding over plain sample arrays: where the next peak, valley or interval step lies, and
// where the selection's two cursors go for it.
#pragma once
#include <cstddef>
#include <cstdint>

// Search modes and cursor placements as the Find Peak settings keep them.
constexpr int32_t kPeakPositive = 0;
constexpr int32_t kPeakNegative = 1;
constexpr int32_t kPeakInterval = 2;
constexpr int16_t kPlacePreviousPeak = 0;
constexpr int16_t kPlacePeak = 1;
constexpr int16_t kPlacePreviousThreshold = 2;
constexpr int16_t kPlaceThreshold = 3;

// One search: the mode, its level (peak modes) or its step in whole samples (interval mode).
struct stPeakRule {
    int32_t mode;
    double level;
    int32_t stepSamples;
};

// A peak found: the sample where the level was crossed and the sample of the extreme.
struct stPeakHit {
    int32_t crossing;
    int32_t peak;
};

// Searches values[start .. end): 1 with *hit set, 0 when the channel ends first. A positive search
// that starts above the level waits for the signal to fall below it; the peak is the first of
// equal maxima, and a peak still above the level at the end is not found. Negative mirrors it.
int FindPeakInValues(const double* values, int32_t start, int32_t end, const stPeakRule& rule, stPeakHit* hit);

// Where the cursors go for a hit, in the document's horizontal unit: the second cursor starts as
// the old first cursor; the first goes to the crossing (threshold placements) or the peak, its
// index clamped to count - 1; "Previous" placements keep the second at the old first + offset2,
// the others put it at the new first + offset2 and move the first by offset1. No cursor below 0.
void PlacePeakCursors(double oldFirst, const stPeakHit& hit, int16_t placement, double offset1, double offset2,
                      double interval, uint32_t count, double* first, double* second);

// The tracking levels after a peak: min + (v - min) x percent / 100 for the positive level,
// max - (max - v) x percent / 100 for the negative one.
void TrackPeakLevels(double value, double minimum, double maximum, double percent, double* positive,
                     double* negative);

// Whole samples of an interval given in the dialog's time unit: interval x factor / sample
// interval rounded to the nearest sample; 0 for a value that is not a usable sample count.
int32_t IntervalInSamples(double interval, double unitFactor, double sampleInterval);
