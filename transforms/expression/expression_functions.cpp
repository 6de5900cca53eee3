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

int ApplyExpressionFunction(int index, double x, tagGS* gs, double* out) {
    switch (index) {
    case kAbs: *out = std::fabs(x); return 1;
    case kAcos: *out = std::acos(x); return 1;
    case kAsin: *out = std::asin(x); return 1;
    case kAtan: *out = std::atan(x); return 1;
    case kCosh: *out = std::cosh(x); return 1;
    case kCos: *out = std::cos(x); return 1;
    case kExp: *out = std::exp(x); return 1;
    case kLog10: *out = x > 0 ? std::log10(x) : 0.0; return 1;
    case kLog: *out = x > 0 ? std::log(x) : 0.0; return 1;
    case kRound: *out = std::floor(x + 0.5); return 1;
    case kSinh: *out = std::sinh(x); return 1;
    case kSin: *out = std::sin(x); return 1;
    case kSqrt: *out = std::sqrt(x); return 1;
    case kSqr: *out = x * x; return 1;
    case kTanh: *out = std::tanh(x); return 1;
    case kTan: *out = std::tan(x); return 1;
    case kTrunc: *out = TruncTo16Bits(x); return 1;
    case kMarker: return MarkerTime(x, gs, out);
    default: return 0;
    }
}
