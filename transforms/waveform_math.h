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

// Where the results of first .. last go in a destination of oldCount samples: from first when
// the range starts inside the data (the count becomes the larger of oldCount and last + 1), else
// directly after the old data (the count grows by the range's length). 0 for a range that runs
// backwards or starts below 0: nothing is written and nothing grows.
int DestinationPlacement(uint32_t oldCount, int32_t first, int32_t last, uint32_t* writeAt, uint32_t* newCount);
