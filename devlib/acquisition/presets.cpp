// The presets file is not read or written yet: both answer 0 (nothing read, nothing written).
#include "devlib/acquisition/presets.h"

int32_t LoadPresetsFile(stAcq*)
{
    return 0;
}

int32_t SavePresetsFile(stAcq*)
{
    return 0;
}
