// Placeholder of the transforms, which are not built: code 1 reports nothing and changes nothing.
#include "transforms/transforms_api.h"

int g_templateSet = 0;

int ApplyMathFunction(tagGS*, uint32_t) { return 1; }
int OnTemplateCommand(tagGS*, uint32_t) { return 1; }
int IntegrateTransform(tagGS*) { return 1; }
int HistogramTransform(HWND, tagGS*) { return 1; }
int RunWaveformExpression(tagGS*, int, int) { return 1; }
int ShowWaveformMathDialog(HWND, tagGS*) { return 0; }
int RunRateDetector(tagGS*, int, int) { return 1; }
int DoFindPeakDialog(tagGS*) { return 0; }
int FindPeakInChannel(tagGS*, int32_t, int32_t) { return 0; }
int FindAllPeaks(tagGS*) { return 1; }
