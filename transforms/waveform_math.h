// Waveform Math: a destination channel computed sample by sample from two sources, each a
// channel or the constant k, with one of five operators.
#pragma once
#include <cstddef>
#include <cstdint>

struct tagGS;

// Operators 1-5: + - * / ^.
constexpr int kWaveAdd = 1;
constexpr int kWaveSubtract = 2;
constexpr int kWaveMultiply = 3;
constexpr int kWaveDivide = 4;
constexpr int kWavePower = 5;

// ---- Pure parts ----

// a op b; a quotient by 0 is 0. 0 for an unknown operator.
double WaveOperation(int op, double a, double b);
// out[i] = a[i] op b[i] for i < n; a null source stands for k.
void CombineWaveValues(int op, const double* a, const double* b, double k, double* out, size_t n);

// ---- On the document ----

// Sources are channel number + 1, or 0 for the constant k; the destination a channel number.
// 1 done; 0 nothing done (both sources k, an empty range, no memory for the destination).
int ComputeWaveformMath(tagGS* gs, int op, int source1, int source2, int destination, double k, int useSelection);
