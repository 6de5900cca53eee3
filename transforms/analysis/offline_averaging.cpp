// Off-line averaging's pass reading, sum and result graph.
#include "transforms/analysis/offline_averaging.h"
#include <cstdio>
#include <cstring>
#include <new>
#include "base/app.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "common/binding.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"

AveragingSettings g_averagingSettings = {0, 2, 0, 10.0, -10.0};

namespace averaging {

bool PassSum::Start(int32_t n) {
    m_count = 0;
    if (n < 1) return false;
    m_sum.assign(static_cast<size_t>(n), 0.0);
    return true;
}

void PassSum::Add(const double* pass) {
    for (size_t i = 0; i < m_sum.size(); ++i) m_sum[i] += pass[i];
    ++m_count;
}

void PassSum::Mean(double* out) const {
    for (size_t i = 0; i < m_sum.size(); ++i) out[i] = m_sum[i] / m_count;
}

}  // namespace averaging

int ExtractAveragingPass(tagGS* gs, double* pass, int32_t n, int* rejected) {
    const int slot = static_cast<int>(gs->selectedChan);
    const double at = RoundToNearestIncrement(gs->selEnd / gs->sampleInterval, 1.0);
    if (!(at >= 0.0 && at < 2147483647.0)) return 0;
    auto read = [gs, slot](int32_t i, double* x) { return GetChannelSample(gs, i, slot, x) != 0; };
    const AveragingSettings& s = g_averagingSettings;
    bool out = false;
    const bool ok = averaging::ReadPass(read, static_cast<int32_t>(at), n, s.artifactRejection != 0, s.rejectLow,
                                        s.rejectHigh, pass, &out);
    *rejected = out ? 1 : 0;
    return ok ? 1 : 0;
}

namespace {

// Boxes 1 to 5 of a graph with at least three: max, min, x-axis: T, none, none.
void SetAverageMeasurements(tagGS* gs) {
    const int boxes = GetMeasurementCount(gs->measureGrid);
    if (boxes < 3) return;
    const int types[5] = {measure::kMax, measure::kMin, measure::kHAbs, measure::kNone, measure::kNone};
    for (int b = 0; b < 5 && b < boxes; ++b)
        if (stMeasure* box = GetMeasurementAt(gs->measureGrid, b)) SetMeasurementType(box, types[b]);
}

}  // namespace

int MakeAverageGraph(tagGS* source, const double* samples, int32_t n) {
    if (!source || !samples || n < 1) return 0;
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 1) < 1) return 0;
    for (int s = 0; s < kMaxChannels; ++s) {
        gs->chanBlock[s] = nullptr;
        gs->chanCount[s] = 0;
        gs->chanFlags[s] = 0;
    }
    gs->totalSamples = 0;
    gs->sampleInterval = 1.0;
    InitNewGraph(gs);
    std::snprintf(gs->title, sizeof gs->title, "Averaging");
    gs->storageKind = kStoreMemory;
    gs->hUnitKind = kHUnitTime;
    gs->gridShown = 1;
    gs->gridColor = 0x8F8F8F;
    gs->selectedChan = 0;
    HWND hwnd = OpenGraphWindow(gs, 1);
    if (!hwnd) return 0;
    ShowGraphControls(gs, 1);
    SetAverageMeasurements(gs);
    int slot = 0;
    if (!NewChannelSlot(gs, &slot)) {
        setDirtyGraphFlag(gs, 0);
        CloseGraph(gs, hwnd);
        return 0;
    }
    std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "Waveform");
    std::snprintf(gs->chanDescription[slot], sizeof gs->chanDescription[slot], "Waveform");
    LayoutGraphWindow(gs);
    RebuildChannelItems(gs);
    auto* block = static_cast<double*>(AllocLockedBlock((static_cast<size_t>(n) + 1) * sizeof(double)));
    if (!block) {
        setDirtyGraphFlag(gs, 0);
        CloseGraph(gs, hwnd);
        return 0;
    }
    std::memcpy(block, samples, static_cast<size_t>(n) * sizeof(double));
    gs->chanBlock[slot] = block;
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = sizeof(double);
    gs->chanCount[slot] = static_cast<uint32_t>(n);
    gs->totalSamples = n;
    std::snprintf(gs->chanUnits[slot], sizeof gs->chanUnits[slot], "%s", source->chanUnits[source->selectedChan]);
    gs->sampleInterval = source->sampleInterval;
    gs->selectedChan = static_cast<uint32_t>(slot);
    // The whole mean pass across the view: this sets the horizontal span from the new length.
    SetSegmentTimeScale(gs, static_cast<uint16_t>(slot));
    AutoScaleGraph(gs, 1);
    UpdateAllMeasurements(gs);
    setDirtyGraphFlag(gs, 1);
    notify::UpdateGraphMenus(source);
    return 1;
}
