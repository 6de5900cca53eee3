// Scales rounded to whole divisions, for the grid.
#include "graph/window/scale_rounding.h"
#include "common/tagGS.h"
#include "graph/render/waveforms.h"
#include "graph/window/channel_slots.h"
#include <cmath>

namespace {
constexpr int kScaleSteps = 10;  // a rounded range spans about ten whole units
}  // namespace

void RoundChannelScale(tagGS* gs, int slot) {
    if (!gs || !IsChannelSlot(slot)) return;
    double span = gs->chanVPerDiv[slot] * gs->chanVDivisions[slot];
    double lo = gs->chanVCenter[slot] - span / 2, hi = gs->chanVCenter[slot] + span / 2;
    double range = std::fabs(hi - lo);
    double perDiv = std::ceil(range / kScaleSteps);
    if (perDiv <= 0.0) return;  // an empty range has no divisions to round to
    gs->chanVDivisions[slot] = range / perDiv;
    gs->chanVPerDiv[slot] = perDiv;
    gs->chanVCenter[slot] = (hi + lo) / 2;
    gs->chanVOffsetDiv[slot] = 0.0;
}

void RoundScalesForGrid(tagGS* gs, int xyOnly) {
    if (!gs) return;
    if (xyOnly) {
        RoundChannelScale(gs, static_cast<int>(gs->selectedChan));
        RoundChannelScale(gs, static_cast<int>(gs->xyXChan));
        return;
    }
    for (int slot = 0; slot < kMaxChannels; ++slot)
        if (IsChannelShown(gs, slot)) RoundChannelScale(gs, slot);
    // The visible time stays; it is counted in divisions of 1000 ms for slow recordings and of
    // 50 ms for fast ones.
    double start = GraphXToTime(gs, gs->plotRect.left);
    double end = GraphXToTime(gs, gs->plotRect.right);
    gs->hPerDiv = gs->sampleInterval >= 0.5 ? 1000.0 : 50.0;
    gs->hStart = start > 0 ? start : 0.0;
    gs->hDivisions = (end - gs->hStart) / gs->hPerDiv;
    gs->gridExtraValue = 0.0;
}
