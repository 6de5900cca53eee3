// The measurement routines over a graph document's channels and selection.
#include "documents/measurements/doc_measure.h"
#include <cmath>
#include "common/tagGS.h"
#include "common/binding.h"
#include "base/app.h"
#include "base/device.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"

namespace {

// A document in memory: the stored value at its block position, refused when not finite.
int StoredInMemory(const void* ctx, int32_t slot, int32_t i, double* out) {
    const auto* gs = static_cast<const tagGS*>(ctx);
    const void* block = gs->chanBlock[slot];
    if (!block || i < 0 || static_cast<uint32_t>(i) >= gs->chanCount[slot]) return 0;
    double v = gs->chanType[slot] == kTypeDouble ? static_cast<const double*>(block)[i]
                                            : static_cast<double>(static_cast<const int16_t*>(block)[i]);
    if (!std::isfinite(v) || v == measure::kNoValue) return 0;
    *out = v;
    return 1;
}

// Other storage kinds: the host's accessor gives the physical value, turned back into stored form.
int StoredThroughHost(const void* ctx, int32_t slot, int32_t i, double* out) {
    auto* gs = const_cast<tagGS*>(static_cast<const tagGS*>(ctx));
    double y = 0.0;
    if (!g_app || !DeviceGetChannelSample(gs, i, slot, &y)) return 0;
    if (!std::isfinite(y) || y == measure::kNoValue) return 0;
    const double scale = gs->chanScale[slot];
    *out = gs->chanType[slot] == kTypeDouble || scale == 0.0 ? y : std::round((y - gs->chanOffset[slot]) / scale);
    return 1;
}

// The median could not get its working buffer: the user is asked to select less.
void TellMedianBufferFailed() {
    MessageBoxA(Owner(), Keyed("Please select fewer data points."), Keyed("Calculate MEDIAN value"), MB_OK | MB_ICONSTOP);
}

}  // namespace

measure::ChannelView ChannelViewOf(tagGS* gs, int slot) {
    measure::ChannelView v;
    if (!gs || slot < 0 || slot >= kMaxChannels) return v;
    // A paged document holds only a window of its samples, or none before the first read.
    if (gs->storageKind == kStoreMemory && !gs->chanBlock[slot]) return v;
    v.count = static_cast<int32_t>(gs->chanCount[slot]);
    v.form = gs->chanType[slot];
    v.scale = gs->chanScale[slot];
    v.offset = gs->chanOffset[slot];
    v.stored = gs->storageKind == kStoreMemory ? StoredInMemory : StoredThroughHost;
    v.ctx = gs;
    v.key = slot;
    return v;
}

measure::Frame FrameOf(const tagGS* gs) {
    measure::Frame f;
    if (!gs) return f;
    f.start = gs->selStart;
    f.end = gs->selEnd;
    f.interval = gs->sampleInterval;
    f.hOffset = gs->hOffset;
    f.hMode = static_cast<int32_t>(gs->hUnitKind);
    f.storageKind = gs->storageKind;
    f.winFirst = gs->winFirst;
    f.winLen = gs->winLen;
    return f;
}

double MeasureDocument(tagGS* gs, int slot, int type) {
    if (!gs) return measure::kNoValue;
    if (slot < 0) slot = static_cast<int>(gs->selectedChan);
    measure::SetMedianBufferFailedHandler(TellMedianBufferFailed);
    return measure::Compute(type, ChannelViewOf(gs, slot), FrameOf(gs));
}

// The one way the program turns the selection into sample indices.
int GetSelectionSampleRange(tagGS* gs, int32_t* first, int32_t* last, int16_t chan) {
    *first = *last = 0;
    if (!gs || chan < 0 || chan >= kMaxChannels) return 0;
    return measure::SelectionSampleRange(gs->selStart, gs->selEnd, gs->sampleInterval,
                                         static_cast<int32_t>(gs->chanCount[chan]), first, last);
}
