// Placeholder of the play-back sources, which are not built: no graph has a source, so every
// read goes to the unit.
#include "devlib/acquisition/playback.h"

int32_t PlaybackServesGraph(const tagGS*) { return 0; }

int32_t PlaybackReadSamples(tagGS*, const uint8_t*, uint16_t, uint8_t*) { return 0; }
