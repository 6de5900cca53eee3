// Placeholder of the measurement computations and the marker list, which are not built: nothing
// can be measured and no marker can be read, so an expression that names them is refused.
#include "documents/measurements/measurements.h"

int MeasureSelection(tagGS*, int, Measure, double*) { return 0; }
int MarkerSampleByNumber(tagGS*, int32_t, uint32_t*) { return -1; }
