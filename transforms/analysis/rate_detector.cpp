// The Rate Detector's run over a document: the range, the result channel or the new XY graph.
#include "transforms/analysis/rate_detector.h"
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>
#include "base/app.h"
#include "base/locked_block.h"
#include "base/services.h"
#include "common/binding.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "graph/document/channel_edits.h"
#include "graph/document/channel_scaling.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "transforms/transform_conventions.h"

RateDetectorSettings g_rateDetectorSettings = {2, 1, 1, 1, 0.0, 5.0, 40.0, 180.0, 2, 0};

namespace rate {

namespace {
// A count of samples toward zero, held to 0..limit; an endless or undefined quotient is the limit.
int32_t SamplesUpTo(double samples, int32_t limit) {
    if (!(samples > 0.0)) return samples == samples ? 0 : limit;
    if (samples >= static_cast<double>(limit)) return limit;
    return static_cast<int32_t>(samples);
}
}  // namespace

bool WindowInSamples(const RateDetectorSettings& s, double dtMs, int32_t limit, Window* out) {
    if (!(dtMs > 0.0) || limit < 0) return false;
    double shortest = 0.0, longest = 0.0;
    switch (s.windowUnit) {
    case 3:
        shortest = s.windowMin * 1000.0 / dtMs;
        longest = s.windowMax * 1000.0 / dtMs;
        break;
    case 1:
        longest = 1000.0 / s.windowMin / dtMs;
        shortest = 1000.0 / s.windowMax / dtMs;
        break;
    default:
        longest = 60000.0 / s.windowMin / dtMs;
        shortest = 60000.0 / s.windowMax / dtMs;
        break;
    }
    // A rate limit of 0 divides to an infinity (an endless interval); -0.0 to minus one.
    if (s.windowUnit != 3) {
        if (s.windowMin == 0.0) longest = HUGE_VAL;
        if (s.windowMax == 0.0) shortest = HUGE_VAL;
    }
    out->shortest = SamplesUpTo(shortest, limit);
    out->longest = SamplesUpTo(longest, limit);
    out->lag = SamplesUpTo(25.0 / dtMs, limit);
    return true;
}

}  // namespace rate

namespace {

struct ChannelReader {
    tagGS* gs;
    int slot;
    bool operator()(int32_t i, double* x) const { return GetChannelSample(gs, i, slot, x) != 0; }
};

struct FunctionNames {
    const char* sameLabel;
    const char* newLabel;
    const char* units;  // null: the source channel's units
};
constexpr FunctionNames kNames[10] = {
    {"Rate", "Rate", "Hz"},
    {"Rate", "Rate", "BPM"},
    {"Interval", "Interval", "Seconds"},
    {"Time", "Time", "Seconds"},
    {"Peak Count", "Peak count", "Peaks"},
    {"Peak Minimum", "Peak minimum", nullptr},
    {"Peak Maximum", "Peak maximum", nullptr},
    {"Peak To Peak", "Peak to peak", nullptr},
    {"Mean Value", "Mean value", nullptr},
    {"Area", "Area", nullptr},
};

void NameChannel(tagGS* gs, int slot, const char* label, const char* units) {
    std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "%s", label);
    std::snprintf(gs->chanUnits[slot], sizeof gs->chanUnits[slot], "%s", units);
    std::snprintf(gs->chanDescription[slot], sizeof gs->chanDescription[slot], "%s", gs->chanLabel[slot]);
}

// Makes a slot a channel of count doubles; false when the block cannot be had.
bool MakeDoubleChannel(tagGS* gs, int slot, uint32_t count) {
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = sizeof(double);
    if (!GrowLockedBlock(&gs->chanBlock[slot], (static_cast<size_t>(count) + 1) * sizeof(double))) return false;
    gs->chanCount[slot] = count;
    return true;
}

// The new XY graph "Rate": event times against values. 0 when it cannot be made.
int MakeRateGraph(tagGS* source, int32_t function, const std::vector<double>& times,
                  const std::vector<double>& values) {
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 1) < 1) return 0;
    for (int s = 0; s < kMaxChannels; ++s) {
        gs->chanBlock[s] = nullptr;
        gs->chanCount[s] = 0;
        gs->chanFlags[s] = 0;
    }
    InitNewGraph(gs);
    std::snprintf(gs->title, sizeof gs->title, "Rate");
    gs->sampleInterval = 1.0;
    gs->hUnitKind = kHUnitUser;
    gs->storageKind = kStoreMemory;
    gs->winFirst = 0;
    gs->winRingBase = gs->winLen = 0;
    HWND hwnd = OpenGraphWindow(gs, 1);  // shown at once, as a new graph of the File menu
    if (!hwnd) return 0;
    ShowGraphControls(gs, 1);
    const int boxes = GetMeasurementCount(gs->measureGrid);
    if (boxes >= 3) {
        const int types[5] = {measure::kHAbs, measure::kDeltaH, measure::kMax, measure::kNone, measure::kNone};
        for (int b = 0; b < 5 && b < boxes; ++b)
            if (stMeasure* box = GetMeasurementAt(gs->measureGrid, b)) SetMeasurementType(box, types[b]);
    }
    const uint32_t count = static_cast<uint32_t>(values.size());
    int tSlot = 0, vSlot = 0;
    if (!NewChannelSlot(gs, &tSlot) || !NewChannelSlot(gs, &vSlot) || !MakeDoubleChannel(gs, tSlot, count) ||
        !MakeDoubleChannel(gs, vSlot, count))
        return 1;  // the graph stands, empty; nothing of the source is touched
    if (count) {
        std::memcpy(gs->chanBlock[tSlot], times.data(), count * sizeof(double));
        std::memcpy(gs->chanBlock[vSlot], values.data(), count * sizeof(double));
    }
    const FunctionNames& n = kNames[function - 1];
    NameChannel(gs, tSlot, "Time", "Seconds");
    NameChannel(gs, vSlot, n.newLabel, n.units ? n.units : source->chanUnits[source->selectedChan]);
    gs->xyXChan = static_cast<uint32_t>(tSlot);
    gs->selectedChan = static_cast<uint32_t>(vSlot);
    gs->totalSamples = static_cast<int32_t>(count);
    RebuildChannelItems(gs);
    SetDisplayMode(gs, kModeXY);
    AutoScaleOneChannel(gs, 0, 1, tSlot);
    AutoScaleOneChannel(gs, 0, 1, vSlot);
    setDirtyGraphFlag(gs, 1);
    return 1;
}

}  // namespace

rate::Params ParamsFor(const tagGS* gs, const RateDetectorSettings& s, int mode) {
    rate::Params p;
    p.function = rate::ValidFunction(s.function);
    p.polarity = rate::EffectivePolarity(p.function, s.polarity);
    p.autoThreshold = s.autoThreshold != 0;
    p.removeBaseline = s.removeBaseline != 0;
    p.thresholdLevel = s.thresholdLevel;
    p.noiseRejectionPercent = s.noiseRejectionPercent;
    p.dtMs = gs->sampleInterval;
    p.stepInUnit = SampleStep(gs);
    p.outMode = mode;
    return p;
}

double MeanOfSamples(tagGS* gs, int16_t chan, int32_t a, int32_t b) {
    ChannelReader read{gs, chan};
    double mean = 0.0;
    return rate::MeanOf(read, a, b, &mean) ? mean : 0.0;
}

int RunRateDetector(tagGS* gs, int mode, int ask) {
    if (!gs) return 0;
    const int source = static_cast<int>(gs->selectedChan);
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(source))) return 0;
    int wholeWave = 0;
    const bool noSelection = first == last;
    if (noSelection) wholeWave = 1;
    if (ask && !ShowRateDetectorDialog(Owner(), gs, &wholeWave)) return 0;
    if (noSelection || wholeWave) {
        first = 0;
        last = static_cast<int32_t>(gs->chanCount[source]) - 1;
    }
    if (last < first) return 0;
    const RateDetectorSettings& s = g_rateDetectorSettings;
    rate::Params p = ParamsFor(gs, s, s.resultInNewGraph ? 0 : mode);
    if (!rate::WindowInSamples(s, gs->sampleInterval, last + 1, &p.window)) return 0;

    int slot = -1;
    if (!s.resultInNewGraph) {
        if (!NewChannelSlot(gs, &slot)) return 0;
        if (mode == 1)
            NameChannel(gs, slot, "Threshold", gs->chanUnits[source]);
        else
            NameChannel(gs, slot, kNames[p.function - 1].sameLabel,
                        kNames[p.function - 1].units ? kNames[p.function - 1].units : gs->chanUnits[source]);
    }
    std::unique_ptr<double[]> ring;
    if (p.autoThreshold) {
        if (p.window.longest >= 1) ring.reset(new (std::nothrow) double[p.window.longest]());
        if (!ring) {
            if (slot >= 0) DeleteChannelData(gs, slot);
            return 0;
        }
    }
    CWaitCursor wait;  // restored on every way out
    rate::Sink sink;
    std::vector<double> times, values;
    if (slot >= 0) {
        if (!MakeDoubleChannel(gs, slot, static_cast<uint32_t>(last) + 1)) {
            DeleteChannelData(gs, slot);
            return 0;
        }
        sink.out = static_cast<double*>(gs->chanBlock[slot]);
    } else {
        sink.times = &times;
        sink.values = &values;
    }
    ChannelReader read{gs, source};
    if (!rate::Detect(p, first, last, read, ring.get(), sink)) {
        if (slot >= 0) DeleteChannelData(gs, slot);
        return 0;
    }
    if (slot < 0) return MakeRateGraph(gs, p.function, times, values);
    RebuildChannelItems(gs);
    UpdateGraphLength(gs);
    UpdateGraphScrollBars(gs);
    AutoScaleOneChannel(gs, 0, 1, slot);
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    return 1;
}
