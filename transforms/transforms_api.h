// The Transform menu's operations as the frame dispatch reaches them. Each takes the graph, runs
// its own dialog when it has one, changes the selected data with undo, and returns 0 on success
// or an error code for the selection-error box.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

int OnFirLowPass(tagGS* gs);
int OnFirHighPass(tagGS* gs);
int OnFirBandPass(tagGS* gs);
int OnFirBandStop(tagGS* gs);
int IirFilterChannel(tagGS* gs, int index);
int ApplyMathFunction(tagGS* gs, uint32_t id);
int OnTemplateCommand(tagGS* gs, uint32_t id);
int OnIntegralCommand(tagGS* gs);
int OnDerivativeCommand(tagGS* gs);
int IntegrateTransform(tagGS* gs);
int OnSmoothingCommand(tagGS* gs);
int DifferenceChannel(tagGS* gs);
int FftChannel(tagGS* gs, int a, int b);
int OnExpSmoothingCommand(tagGS* gs);
int OnApproximationCommand(tagGS* gs);

int HistogramTransform(HWND frame, tagGS* gs);
int RunWaveformExpression(tagGS* gs, int a, int b);
// Non-zero when a result was made.
int ShowWaveformMathDialog(HWND frame, tagGS* gs);
int RunRateDetector(tagGS* gs, int shiftHeld, int a);
// Non-zero when accepted.
int DoFindPeakDialog(tagGS* gs);
// Non-zero when a peak was found.
int FindPeakInChannel(tagGS* gs, int32_t start, int32_t direction);
int FindAllPeaks(tagGS* gs);

// Non-zero once a template was set: Correlation and its neighbours need one.
extern int g_templateSet;

// ---- What the lesson's TRANSFORM words call without a dialog ----
// Sources are channel number + 1, or 0 for the constant k; 1 when a result was written.
int ComputeWaveformMath(tagGS* gs, int op, int source1, int source2, int destination, double k, int useSelection);
// The selected channel's samples first..last inclusive.
int ThresholdWave(tagGS* gs, int32_t first, int32_t last, double lower, double upper);
int LimitWave(tagGS* gs, int32_t first, int32_t last, double lower, double upper);
// The selected channel in place: a moving window of n samples, or a running integral that
// restarts where the control channel crosses its levels.
void IntegrateChannel(tagGS* gs, int32_t first, int32_t last, int32_t n, int32_t parameters, int32_t rectify,
                      int32_t removeBaseline);
void IntegrateWithReset(tagGS* gs, int32_t first, int32_t last, int32_t control, double low, double high,
                        int32_t meanSubtraction, int32_t positive);
// In place over the selected channel's samples first..last (the caller takes the undo); 1 done.
int SmoothChannel(tagGS* gs, int32_t first, int32_t last, int32_t n, int median);
int ExpSmoothChannel(tagGS* gs, int32_t first, int32_t last, double damping);
int ApproximateChannel(tagGS* gs, int32_t first, int32_t last);
