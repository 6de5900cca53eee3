// The channel presets file beside the program.
#pragma once

#include <cstdint>

struct stAcq;

int32_t LoadPresetsFile(stAcq* acq);
int32_t SavePresetsFile(stAcq* acq);
