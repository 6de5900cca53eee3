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
int OnIntegralCommand(tagGS* gs);
int OnDerivativeCommand(tagGS* gs);
int IntegrateTransform(tagGS* gs);
int OnSmoothingCommand(tagGS* gs);
int DifferenceChannel(tagGS* gs);
int FftChannel(tagGS* gs, int withDialog, int visible);
int OnExpSmoothingCommand(tagGS* gs);
int OnApproximationCommand(tagGS* gs);

int HistogramTransform(HWND frame, tagGS* gs);
// The two numbers are not used (the menu command passes 1, 0).
int RunWaveformExpression(tagGS* gs, int, int);
// Non-zero when a result was made.
int ShowWaveformMathDialog(HWND frame, tagGS* gs);
// Non-zero when accepted.
int DoFindPeakDialog(tagGS* gs);
// Non-zero when a peak was found before sample limit; channel -1 is the selected one.
int FindPeakInChannel(tagGS* gs, int32_t limit, int32_t channel);
int FindAllPeaks(tagGS* gs);

// Non-zero once a template was set: Correlation and its neighbours need one.
extern int g_templateSet;
