// Recordings whose frames come from a play-back source: the start and end of such a run, and the
// poll's byte count at the recording's rate.
#pragma once

#include <cstdint>

struct stAcq;

// The millisecond clock a play-back run is paced by; the tests put a clock of their own here.
using PlaybackClock = uint32_t (*)();
extern PlaybackClock g_playbackClock;

// The new bytes of this poll of a running play-back recording: the whole frames due since the
// run's first poll and not yet delivered.
uint32_t PlaybackRunBytes(stAcq* acq);

// The Start button's face for a run that starts (running) or ended: the play-back faces while
// the attached graph has a source, the unit's otherwise.
void ShowStartFace(stAcq* acq, bool running);
