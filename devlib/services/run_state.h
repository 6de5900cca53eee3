// What every part that looks at a run reads: its status states and the run-control trace.
#pragma once

#include <cstdint>

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

// Status states the binding tests.
constexpr int32_t kStatusNoUnit = 0;
constexpr int32_t kStatusReady = 1;
constexpr int32_t kStatusWaitingForData = 3;
