// The function calls of expressions: the mathematics library's functions and MARKER.
#include "transforms/expression/expression_functions.h"
#include "documents/measurements/measurements.h"
#include "common/tagGS.h"
#include <cmath>
#include <cstring>

const char* const kExpressionFunctionNames[kExpressionFunctionCount] = {
    "ABS", "ACOS",  "ASIN", "ATAN", "COSH", "COS", "EXP",  "LOG10", "LOG",
    "ROUND", "SINH", "SIN", "SQRT", "SQR",  "TANH", "TAN", "TRUNC", "MARKER"};

namespace {

enum Function { kAbs, kAcos, kAsin, kAtan, kCosh, kCos, kExp, kLog10, kLog, kRound, kSinh, kSin, kSqrt, kSqr,
                kTanh, kTan, kTrunc, kMarker };

// MARKER: the n-th marker's time in seconds; 0 without such a marker.
int MarkerTime(double x, tagGS* gs, double* out) {
    *out = 0.0;
    if (!gs) return 0;
    if (std::isnan(x)) {  // the argument's domain error is the result's
        *out = x;
        return 1;
    }
    // Truncated toward zero; beyond the 32-bit range there is no such marker.
    if (!(x > -2147483649.0 && x < 2147483648.0)) return 1;
    int32_t n = static_cast<int32_t>(x);
    uint32_t pos = 0;
    int found = MarkerSampleByNumber(gs, n, &pos);
    if (found < 0) return 0;
    if (found > 0 && n >= 1) *out = pos * gs->sampleInterval / 1000.0;
    return 1;
}

}  // namespace

int FindExpressionFunction(const char* name) {
    for (int i = 0; i < kExpressionFunctionCount; ++i)
        if (std::strcmp(name, kExpressionFunctionNames[i]) == 0) return i;
    return -1;
}

double TruncTo16Bits(double x) {
    double t = std::fmod(std::trunc(x), 65536.0);  // exact, and keeps the sign of x
    if (t >= 32768.0) t -= 65536.0;
    if (t < -32768.0) t += 65536.0;
    return t;
}

namespace {

// The value of every function but MARKER: one definition for one value and for a run of them.
template <Function F>
inline double Value(double x) {
    switch (F) {
    case kAbs: return std::fabs(x);
    case kAcos: return std::acos(x);
    case kAsin: return std::asin(x);
    case kAtan: return std::atan(x);
    case kCosh: return std::cosh(x);
    case kCos: return std::cos(x);
    case kExp: return std::exp(x);
    case kLog10: return x > 0 ? std::log10(x) : 0.0;
    case kLog: return x > 0 ? std::log(x) : 0.0;
    case kRound: return std::floor(x + 0.5);
    case kSinh: return std::sinh(x);
    case kSin: return std::sin(x);
    case kSqrt: return std::sqrt(x);
    case kSqr: return x * x;
    case kTanh: return std::tanh(x);
    case kTan: return std::tan(x);
    case kTrunc: return TruncTo16Bits(x);
    default: return 0.0;
    }
}

template <Function F>
void Each(const double* x, int n, double* out) {
    for (int i = 0; i < n; ++i) out[i] = Value<F>(x[i]);
}

}  // namespace

int ApplyExpressionFunction(int index, double x, tagGS* gs, double* out) {
    switch (index) {
    case kAbs: *out = Value<kAbs>(x); return 1;
    case kAcos: *out = Value<kAcos>(x); return 1;
    case kAsin: *out = Value<kAsin>(x); return 1;
    case kAtan: *out = Value<kAtan>(x); return 1;
    case kCosh: *out = Value<kCosh>(x); return 1;
    case kCos: *out = Value<kCos>(x); return 1;
    case kExp: *out = Value<kExp>(x); return 1;
    case kLog10: *out = Value<kLog10>(x); return 1;
    case kLog: *out = Value<kLog>(x); return 1;
    case kRound: *out = Value<kRound>(x); return 1;
    case kSinh: *out = Value<kSinh>(x); return 1;
    case kSin: *out = Value<kSin>(x); return 1;
    case kSqrt: *out = Value<kSqrt>(x); return 1;
    case kSqr: *out = Value<kSqr>(x); return 1;
    case kTanh: *out = Value<kTanh>(x); return 1;
    case kTan: *out = Value<kTan>(x); return 1;
    case kTrunc: *out = Value<kTrunc>(x); return 1;
    case kMarker: return MarkerTime(x, gs, out);
    default: return 0;
    }
}

void ApplyExpressionFunctionToRun(int index, const double* x, int n, tagGS* gs, double* out, uint8_t* failed) {
    switch (index) {
    case kAbs: return Each<kAbs>(x, n, out);
    case kAcos: return Each<kAcos>(x, n, out);
    case kAsin: return Each<kAsin>(x, n, out);
    case kAtan: return Each<kAtan>(x, n, out);
    case kCosh: return Each<kCosh>(x, n, out);
    case kCos: return Each<kCos>(x, n, out);
    case kExp: return Each<kExp>(x, n, out);
    case kLog10: return Each<kLog10>(x, n, out);
    case kLog: return Each<kLog>(x, n, out);
    case kRound: return Each<kRound>(x, n, out);
    case kSinh: return Each<kSinh>(x, n, out);
    case kSin: return Each<kSin>(x, n, out);
    case kSqrt: return Each<kSqrt>(x, n, out);
    case kSqr: return Each<kSqr>(x, n, out);
    case kTanh: return Each<kTanh>(x, n, out);
    case kTan: return Each<kTan>(x, n, out);
    case kTrunc: return Each<kTrunc>(x, n, out);
    default:
        for (int i = 0; i < n; ++i)
            if (!ApplyExpressionFunction(index, x[i], gs, &out[i])) failed[i] = 1;
        return;
    }
}
