// The unit's sample ring as arithmetic over a byte array: frames are written one after another
// and wrap at the ring's end; the write address the host reads back counts whole passes.
#pragma once

#include <cstdint>

#include "common/byte_order.h"  // the unit's multi-byte values are big-endian

// Appends bytes at the ring position total % size and advances total; a frame that does not fit
// before the end continues at the start.
void SimRingWrite(uint8_t* ring, uint32_t size, uint64_t* total, const uint8_t* bytes, uint32_t count);

// Reads count bytes from address (taken modulo size), wrapping at the end as the writes do.
void SimRingRead(const uint8_t* ring, uint32_t size, uint32_t address, uint8_t* out, uint32_t count);

// The write address of a 32,768-byte ring as command 17 answers it: byte0 × 256 + byte1 is the
// position in the ring, byte2 the count of passes (modulo 256), so that the host's
// byte0 × 256 + byte1 + byte2 × 32,768 counts bytes modulo 0x800000.
void SimWriteAddress(uint64_t total, uint8_t out[3]);

// Frames that fall due after elapsed nanoseconds at the given period; 0 for a zero period.
uint64_t SimFramesDue(uint64_t elapsedNs, uint64_t periodNs);
