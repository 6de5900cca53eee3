// Two eight-byte values exchanged whatever their type.
#include "graph/window/swap64.h"
#include <cstdint>
#include <cstring>

void Swap64(void* a, void* b) {
    uint64_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    std::memcpy(a, &y, sizeof y);
    std::memcpy(b, &x, sizeof x);
}
