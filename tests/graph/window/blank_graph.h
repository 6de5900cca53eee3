// A graph record of zeros with a time axis of four divisions of 50 ms at 5 ms a sample.
#pragma once
#include <cstring>
#include <memory>
#include "common/tagGS.h"

inline std::unique_ptr<tagGS> NewRecord() {
    auto gs = std::make_unique<tagGS>();
    std::memset(gs.get(), 0, sizeof(tagGS));
    gs->sampleInterval = 5.0;
    gs->hPerDiv = 50.0;
    gs->hDivisions = 4.0;
    return gs;
}
