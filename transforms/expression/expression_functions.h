// The functions an expression can call, shared by the lexer (their names) and the parser (their
// values). A new function is a name here, its name in the table and its value beside the others
// in expression_functions.cpp; the compiler checks that the three agree.
#pragma once
#include <array>
#include <cstdint>

struct tagGS;

// In the order the lexer tries their names: a longer name before its own prefix.
enum ExpressionFunction : uint8_t {
    kFnAbs,
    kFnAcos,
    kFnAsin,
    kFnAtan,
    kFnCosh,
    kFnCos,
    kFnExp,
    kFnLog10,
    kFnLog,
    kFnRound,
    kFnSinh,
    kFnSin,
    kFnSqrt,
    kFnSqr,
    kFnTanh,
    kFnTan,
    kFnTrunc,
    kFnMarker,
    kExpressionFunctionCount
};
// Each function's name at its index.
extern const std::array<const char*, kExpressionFunctionCount> kExpressionFunctionNames;

// The function's index by its full name; -1 for none.
int FindExpressionFunction(const char* name);

// The value of the function at x; 0 when it cannot be had (MARKER with the document's markers
// unreadable), which ends the evaluation as an error.
int ApplyExpressionFunction(int index, double x, tagGS* gs, double* out);
// The same over n values: out[i] from x[i] (they may be the same array); failed[i] set to 1 where
// the value cannot be had.
void ApplyExpressionFunctionToRun(int index, const double* x, int n, tagGS* gs, double* out, uint8_t* failed);

// TRUNC: x toward zero, as a 16-bit signed integer (wrapping modulo 65536).
double TruncTo16Bits(double x);
