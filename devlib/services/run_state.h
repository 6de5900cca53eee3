// What every part that looks at a run reads: its status states (in the run record's header) and
// the run-control trace.
#pragma once

#include <cstdint>

#include "common/stAcq.h"

// How often each run-control entry ran; a cheap trace for diagnostics and the tests.
struct stRunControlTrace {
    uint32_t initState;
    uint32_t poll;
    uint32_t toggle;
    uint32_t abort;
    uint32_t sampleCount;
    uint32_t outputPoll;
    uint32_t electrodeUpdate;
    uint32_t drawStatus;
};
extern stRunControlTrace g_runTrace;

