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

void SimPutBE16(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 8);
    out[1] = static_cast<uint8_t>(value);
}

void SimPutBE24(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 16);
    SimPutBE16(out + 1, value);
}

void SimPutBE32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    SimPutBE24(out + 1, value);
}

uint32_t SimGetBE16(const uint8_t* in) { return (static_cast<uint32_t>(in[0]) << 8) | in[1]; }

uint32_t SimGetBE24(const uint8_t* in) { return (static_cast<uint32_t>(in[0]) << 16) | SimGetBE16(in + 1); }
