// Placeholder of the transforms, which are not built: code 1 reports nothing and changes nothing.
#include "transforms/transforms_api.h"

int ApplyMathFunction(tagGS*, uint32_t) { return 1; }
int IntegrateTransform(tagGS*) { return 1; }
int HistogramTransform(HWND, tagGS*) { return 1; }
int RunWaveformExpression(tagGS*, int, int) { return 1; }
int ShowWaveformMathDialog(HWND, tagGS*) { return 0; }
int DoFindPeakDialog(tagGS*) { return 0; }
int FindPeakInChannel(tagGS*, int32_t, int32_t) { return 0; }
int FindAllPeaks(tagGS*) { return 1; }
int ComputeWaveformMath(tagGS*, int, int, int, int, double, int) { return 0; }
int ThresholdWave(tagGS*, int32_t, int32_t, double, double) { return 1; }
int LimitWave(tagGS*, int32_t, int32_t, double, double) { return 1; }
int IntegrateChannel(tagGS*, int32_t, int32_t, int32_t, int, int, int) { return 1; }
int IntegrateWithReset(tagGS*, int32_t, int32_t, int, double, double, int, int) { return 1; }
