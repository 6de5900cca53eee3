// The Transform menu's math functions: each sample of the selected channel's selection replaced
// by a function of itself, in place, with a one-level undo entry.
#pragma once
#include <cstddef>
#include <cstdint>

struct tagGS;

// ---- Pure parts, over plain arrays ----

// Applies the function of a menu id (Abs, ArcTan, Exp, Ln, Log, Noise, Sin, Sqrt) to every value;
// random gives 0..32767 for Noise. 0 for an id that is not one of these.
int MathFunctionValues(uint32_t id, double* values, size_t n, int (*random)());
// The straight line through the first and the last value; fewer than three values stay as they are.
void ConnectEndpointValues(double* values, size_t n);
// Values below lower become lower, above upper become upper (the two swapped when reversed).
void LimitValues(double* values, size_t n, double lower, double upper);
// A comparator with hysteresis: 1 above upper, 0 below lower, the previous state in between;
// it starts at 1 when the first value is above upper, else at 0.
void ThresholdValues(double* values, size_t n, double lower, double upper);

// ---- On the document ----

// The menu's math function on the selected channel: 0 done or prompt cancelled, 30 when the
// channel cannot be converted to doubles, 36 when the selection gives no sample range.
int ApplyMathFunction(tagGS* gs, uint32_t id);
// Limit and Threshold on the selected channel's samples first .. last inclusive; 1 done.
int LimitWave(tagGS* gs, int32_t first, int32_t last, double lower, double upper);
int ThresholdWave(tagGS* gs, int32_t first, int32_t last, double lower, double upper);
