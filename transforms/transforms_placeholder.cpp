// Placeholder of the transforms, which are not built: code 1 reports nothing and changes nothing.
#include "transforms/transforms_api.h"

int g_templateSet = 0;

int OnFirLowPass(tagGS*) { return 1; }
int OnFirHighPass(tagGS*) { return 1; }
int OnFirBandPass(tagGS*) { return 1; }
int OnFirBandStop(tagGS*) { return 1; }
int IirFilterChannel(tagGS*, int) { return 1; }
int OnTemplateCommand(tagGS*, uint32_t) { return 1; }
int OnDerivativeCommand(tagGS*) { return 1; }
int FftChannel(tagGS*, int, int) { return 1; }
int RunRateDetector(tagGS*, int, int) { return 1; }
int DoFindPeakDialog(tagGS*) { return 0; }
