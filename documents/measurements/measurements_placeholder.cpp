// Placeholder of the marker list, which is not built: no marker can be read, so an expression
// that names one is refused.
#include "documents/measurements/measurements.h"

int MarkerSampleByNumber(tagGS*, int32_t, uint32_t*) { return -1; }
