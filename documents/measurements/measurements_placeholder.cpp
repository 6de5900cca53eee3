// Placeholder of the measurement computations, which are not built: nothing can be measured, so
// an expression that names a measurement is refused.
#include "documents/measurements/measurements.h"

int MeasureSelection(tagGS*, int, Measure, double*) { return 0; }
