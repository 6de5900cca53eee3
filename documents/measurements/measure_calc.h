// The measurement routines as plain computations over one channel's samples and a selection, so
// that they can be checked without a document or a window. The document and the boxes build the
// views below and call these.
#pragma once
#include <cfloat>
#include <cstddef>
#include <cstdint>

namespace measure {

// "No value": callers compare for exact equality.
constexpr double kNoValue = DBL_MAX;

// Box types, numbered as the type menu's commands minus 201.
enum Type : int {
    kNone = 0,
    kValue = 1,
    kDelta = 2,
    kPeakToPeak = 3,
    kMax = 4,
    kMin = 5,
    kMean = 6,
    kStdDev = 7,
    kIntegral = 8,
    kArea = 9,
    kLinReg = 10,
    kSlope = 11,
    kMedian = 13,
    kHAbs = 15,
    kDeltaH = 16,
    kFrequency = 17,
    kBpm = 18,
    kSampleNumber = 19,
    kDeltaSamples = 20,
    kMedianH = 21,
    kMaxH = 22,
    kMinH = 23,
    kCalculate = 24,
    kCorrelate = 25,
};

// One channel's samples as stored: doubles in physical units (form 1), else 16-bit integers
// with physical = stored x scale + offset. `stored` gives the stored value of sample i (the
// integer as a double), handed ctx and key as given here; 0 when it cannot be read.
struct ChannelView {
    int32_t count = 0;
    uint16_t form = 1;
    double scale = 1.0, offset = 0.0;
    int (*stored)(const void* ctx, int32_t key, int32_t index, double* out) = nullptr;
    const void* ctx = nullptr;
    int32_t key = 0;
};

// The selection and the horizontal axis of the document. Positions are in the base unit
// (milliseconds for time). hMode: 0 and 2 time, 1 frequency, 3 the document's own unit.
// storageKind 1 holds only samples winFirst .. winFirst + winLen - 1.
struct Frame {
    double start = 0.0, end = 0.0;
    double interval = 1.0;
    double hOffset = 0.0;
    int32_t hMode = 0;
    uint32_t storageKind = 0;
    int32_t winFirst = 0;
    uint32_t winLen = 0;
};

// The one way a selection becomes sample indices: both always written; 1 when count is not 0.
int SelectionSampleRange(double start, double end, double interval, int32_t count, int32_t* first, int32_t* last);

// The sample interval in the horizontal axis' display unit (seconds for time, Hz-steps, own unit).
double HorizontalStep(double interval, int32_t hMode);

// One measurement of the types above except kCalculate; kNoValue when it cannot be made.
// Types without a measurement (0, 12, 14 and unknown numbers) give 0.
double Compute(int type, const ChannelView& ch, const Frame& f);

// The median sample: 1 with its physical value and horizontal position, else 0 (both 0);
// kMedianNoBuffer when its working buffer (one entry per sample) cannot be had.
constexpr int kMedianNoBuffer = -1;
int Median(const ChannelView& ch, const Frame& f, double* value, double* position);
// Test seam: the most entries the median's buffer may take, lowered to reach the failure path.
void SetMedianBufferLimit(size_t entries);
// Told when the median's buffer cannot be had; the measurement is then 0.
void SetMedianBufferFailedHandler(void (*handler)());

// The plain sum over the selection, 0 when it cannot be made.
double Sum(const ChannelView& ch, const Frame& f);

// A "calculate" box: sources 0 none, 1 the constant k, 2.. the stored result of box (source - 2);
// op 0 +, 1 -, 2 x, 3 /, 4 power. A "freq" box as the first source counts in Hz. 1 with *out,
// else 0 (*out 0). Division by zero gives 0.
int Arithmetic(uint16_t source1, uint16_t source2, uint16_t op, double k, const double* results, const int* types,
               int boxes, double* out);

// The one number text of measurement results, dialogs and lesson scripts: `precision` decimals
// (0..kMaxValueDecimals, more than the seventeen significant digits a double carries), a half
// rounded away from zero; the exponent form beyond +-999999999 and for values that are no finite
// number.
constexpr int kMaxValueDecimals = 30;
void FormatValue(char* out, size_t size, double value, int precision);
// The decimals a lesson asks for (STR$, JOURNAL PRECISION) as the formatter takes them: truncated
// to an integer, a negative number none, at most kMaxValueDecimals.
int ValueDecimals(double asked);

}  // namespace measure
