// Placeholder of the channel scaling, which is not built: nothing to optimise, the items stay as
// they are.
#include "graph/document/channel_scaling.h"

void UpdateOptimizeRangesItems() {}
