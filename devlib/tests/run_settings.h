// A recording's settings as the set-up dialog leaves them, in one step for the tests that start
// runs, with the rates they name.
#pragma once

#include <cstdint>
#include <vector>

#include "common/stAcq.h"

namespace vk40test {

// 25 kHz: the runs into the first model's memory. 100 kHz: the second model's high-speed ring.
constexpr double kUnitMemoryPeriodMs = 0.04;
constexpr double kHighSpeedPeriodMs = 0.01;

// The next run: length frames periodMs apart into storage, new or added to the graph's data (or
// autosaved), one pass or round a ring, started at once (no start signal).
inline void SetUpRun(stAcq* acq, int32_t storage, double periodMs, int32_t length, int16_t dataMode = kDataOverwrite,
                     int16_t repeat = kRepeatOnce) {
    acq->storageKind = storage;
    acq->samplePeriodMs = periodMs;
    acq->acqLength = length;
    acq->repeatMode = repeat;
    acq->dataMode = dataMode;
    acq->unitMode = 0;
}

// Records exactly the analog inputs (0-3) and digital inputs given. The model-40 table has no
// digital records: the spare ones at its end stand for them.
inline void EnableInputs(stAcq* acq, const std::vector<int>& analog, const std::vector<int>& digital) {
    for (stAcqChan& c : acq->chans) c.flags &= ~kChanEnabled;
    for (int i = 0; i < kAnalogChannels; ++i) {
        for (int n : analog)
            if (acq->chans[i].group == kGroupAnalog && acq->chans[i].number == n) acq->chans[i].flags |= kChanEnabled;
    }
    for (int k = 0; k < kMaxDigitalChannels; ++k) {
        stAcqChan& c = acq->chans[kMaxChanRecords - 1 - k];
        c.group = kGroupDigital;
        c.number = k;
        for (int n : digital)
            if (n == k) c.flags |= kChanEnabled;
    }
}

}  // namespace vk40test
