// The functions an expression can call, shared by the lexer (their names) and the parser (their
// values).
#pragma once
#include <cstdint>

struct tagGS;

constexpr int kExpressionFunctionCount = 18;
// In the order the lexer tries them: a longer name before its own prefix.
extern const char* const kExpressionFunctionNames[kExpressionFunctionCount];

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
