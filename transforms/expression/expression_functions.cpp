// The function calls of expressions: the mathematics library's functions and MARKER.
#include "transforms/expression/expression_functions.h"
#include "documents/measurements/measurements.h"
#include "common/tagGS.h"
#include <cmath>
#include <cstring>
#include <utility>

namespace {

struct stFunctionName {
    ExpressionFunction function;
    const char* name;
};
constexpr stFunctionName kNames[] = {
    {kFnAbs, "ABS"},   {kFnAcos, "ACOS"},   {kFnAsin, "ASIN"},     {kFnAtan, "ATAN"}, {kFnCosh, "COSH"},
    {kFnCos, "COS"},   {kFnExp, "EXP"},     {kFnLog10, "LOG10"},   {kFnLog, "LOG"},   {kFnRound, "ROUND"},
    {kFnSinh, "SINH"}, {kFnSin, "SIN"},     {kFnSqrt, "SQRT"},     {kFnSqr, "SQR"},   {kFnTanh, "TANH"},
    {kFnTan, "TAN"},   {kFnTrunc, "TRUNC"}, {kFnMarker, "MARKER"},
};
static_assert(sizeof kNames / sizeof kNames[0] == kExpressionFunctionCount, "a name for every function");

constexpr bool NamesAtTheirIndices() {
    for (int i = 0; i < kExpressionFunctionCount; ++i)
        if (kNames[i].function != i) return false;
    return true;
}
static_assert(NamesAtTheirIndices(), "each name at its function's index");

template <size_t... I>
constexpr std::array<const char*, sizeof...(I)> NameTable(std::index_sequence<I...>) {
    return {{kNames[I].name...}};
}

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

const std::array<const char*, kExpressionFunctionCount> kExpressionFunctionNames =
    NameTable(std::make_index_sequence<kExpressionFunctionCount>{});

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

// The value of every function but MARKER (which reads the document: MarkerTime): one definition
// for one value and for a run of them. No default, so a function without its case is a warning.
template <ExpressionFunction F>
inline double Value(double x) {
    switch (F) {
    case kFnAbs: return std::fabs(x);
    case kFnAcos: return std::acos(x);
    case kFnAsin: return std::asin(x);
    case kFnAtan: return std::atan(x);
    case kFnCosh: return std::cosh(x);
    case kFnCos: return std::cos(x);
    case kFnExp: return std::exp(x);
    case kFnLog10: return x > 0 ? std::log10(x) : 0.0;
    case kFnLog: return x > 0 ? std::log(x) : 0.0;
    case kFnRound: return std::floor(x + 0.5);
    case kFnSinh: return std::sinh(x);
    case kFnSin: return std::sin(x);
    case kFnSqrt: return std::sqrt(x);
    case kFnSqr: return x * x;
    case kFnTanh: return std::tanh(x);
    case kFnTan: return std::tan(x);
    case kFnTrunc: return TruncTo16Bits(x);
    case kFnMarker:
    case kExpressionFunctionCount: return 0.0;
    }
    return 0.0;
}

template <ExpressionFunction F>
void Each(const double* x, int n, double* out) {
    for (int i = 0; i < n; ++i) out[i] = Value<F>(x[i]);
}

// Each function's value and run by its index, made from the list of functions.
using ValueProc = double (*)(double);
using RunProc = void (*)(const double*, int, double*);
template <size_t... I>
constexpr std::array<ValueProc, sizeof...(I)> ValueTable(std::index_sequence<I...>) {
    return {{&Value<static_cast<ExpressionFunction>(I)>...}};
}
template <size_t... I>
constexpr std::array<RunProc, sizeof...(I)> RunTable(std::index_sequence<I...>) {
    return {{&Each<static_cast<ExpressionFunction>(I)>...}};
}
constexpr auto kValues = ValueTable(std::make_index_sequence<kExpressionFunctionCount>{});
constexpr auto kRuns = RunTable(std::make_index_sequence<kExpressionFunctionCount>{});

}  // namespace

int ApplyExpressionFunction(int index, double x, tagGS* gs, double* out) {
    if (index == kFnMarker) return MarkerTime(x, gs, out);
    if (index < 0 || index >= kExpressionFunctionCount) return 0;
    *out = kValues[static_cast<size_t>(index)](x);
    return 1;
}

void ApplyExpressionFunctionToRun(int index, const double* x, int n, tagGS* gs, double* out, uint8_t* failed) {
    if (index >= 0 && index < kExpressionFunctionCount && index != kFnMarker)
        return kRuns[static_cast<size_t>(index)](x, n, out);
    for (int i = 0; i < n; ++i)
        if (!ApplyExpressionFunction(index, x[i], gs, &out[i])) failed[i] = 1;
}
