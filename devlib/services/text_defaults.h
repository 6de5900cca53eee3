// The default contents of the keyed text tables.
#pragma once

#include <cstdint>

struct stTextDefault {
    const char* key;
    const char* text;
};

struct stMenuLabelDefault {
    uint32_t id;
    const char* text;
};

extern const stTextDefault kMessageDefaults[];
extern const int32_t kMessageDefaultCount;
extern const stTextDefault kHLabelDefaults[];
extern const int32_t kHLabelDefaultCount;
extern const stMenuLabelDefault kMenuLabelDefaults[];
extern const int32_t kMenuLabelDefaultCount;
