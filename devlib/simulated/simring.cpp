// Ring arithmetic and the unit's big-endian numbers.
#include "devlib/simulated/simring.h"

#include <cstring>

void SimRingWrite(uint8_t* ring, uint32_t size, uint64_t* total, const uint8_t* bytes, uint32_t count) {
    if (!ring || !size || !total) return;
    uint32_t at = static_cast<uint32_t>(*total % size);
    *total += count;
    while (count) {
        const uint32_t run = count < size - at ? count : size - at;
        memcpy(ring + at, bytes, run);
        bytes += run;
        count -= run;
        at = 0;
    }
}

void SimRingRead(const uint8_t* ring, uint32_t size, uint32_t address, uint8_t* out, uint32_t count) {
    if (!ring || !size) return;
    uint32_t at = address % size;
    while (count) {
        const uint32_t run = count < size - at ? count : size - at;
        memcpy(out, ring + at, run);
        out += run;
        count -= run;
        at = 0;
    }
}

void SimWriteAddress(uint64_t total, uint8_t out[3]) {
    const uint32_t position = static_cast<uint32_t>(total % 32768u);
    out[0] = static_cast<uint8_t>(position >> 8);
    out[1] = static_cast<uint8_t>(position);
    out[2] = static_cast<uint8_t>(total / 32768u);
}

uint64_t SimFramesDue(uint64_t elapsedNs, uint64_t periodNs) { return periodNs ? elapsedNs / periodNs : 0; }
