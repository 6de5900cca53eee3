// The Integral and Difference commands of the Transform menu (and of the script words that
// call them with the script's document).
#include "transforms/spectral/calculus.h"
#include "transforms/transforms_api.h"
#include "transforms/transform_conventions.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "graph/dialogs/dialogs_api.h"
#include <new>
#include <vector>

// Escape ends the sum where it is: the samples after it keep their input values.
int OnIntegralCommand(tagGS* gs) {
    const int slot = static_cast<int>(gs->selectedChan);
    double* x = ChannelAsDoubles(gs, slot);
    if (!x) return gs->chanCount[slot] ? kTransformNoMemory : kTransformBadSelection;
    TransformRange range;
    if (SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    if (range.first == range.last) UseWholeChannel(gs, &range);
    range.entire = false;
    if (range.last <= range.first) return kTransformNoRange;
    {
        TransformProgress progress("Integrating: %3lu%% completed", 0, range.Count() - 1);
        SaveTransformUndo(gs, range, "Integral");
        IntegrateValues(x + range.first, range.Count(), SampleStep(gs), &progress);
    }
    FinishTransform(gs);
    return kTransformDone;
}

int DifferenceChannel(tagGS* gs) {
    TransformRange range;
    if (SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    double value = 1.0;
    uint32_t entire = range.selectionEmpty ? 1 : 0;
    if (PromptForNumber(Owner(gs), &value, "&intervals between samples", "Difference interval",
                        "&Transform entire wave", &entire, 0, nullptr) != 1)
        return kTransformCancelled;
    if (!(value >= 1.0) || value > 1e9) return BadParameterCode(kReasonDifferenceInterval);
    const int k = static_cast<int>(value);
    if (entire || range.selectionEmpty) UseWholeChannel(gs, &range);
    range.entire = entire != 0;
    double* x = ChannelAsDoubles(gs, range.slot);
    if (!x) return kTransformNoMemory;
    if (range.last <= range.first) return kTransformDone;  // one sample keeps its value
    std::vector<double> ring;
    try {
        ring.resize(static_cast<size_t>((k + 1) / 2 + 1));
    } catch (const std::bad_alloc&) {
        return kTransformNoMemory;
    }
    {
        TransformProgress progress("Difference: %3lu%% completed", range.first, range.last - 1);
        SaveTransformUndo(gs, range, "Difference");
        DifferenceValues(x, gs->chanCount[range.slot], range.first, range.last, k, SampleStep(gs), ring.data(),
                         &progress);
    }
    FinishTransform(gs);
    return kTransformDone;
}
