// View updates after data or layout changes; the view module fills them in.
#include "graph/document/graph_doc.h"

void UpdateHScrollBar(tagGS*) {}
void UpdateGraphLength(tagGS*) {}
void UpdateGraphScrollBars(tagGS*) {}
void AutoScaleGraph(tagGS*, int) {}
void RebuildChannelItems(tagGS*) {}

// The graph window's calls into layout, scrolling, axes and selection; until the view module
// fills them, nothing moves and the thumbs stay centred.
#include "graph/view/view_api.h"

void LayoutGraphWindow(tagGS*) {}
void ComputeChannelTransforms(tagGS*) {}
int32_t ScrollTimeView(tagGS*, int) { return 0; }
int32_t ScrollChannelValue(tagGS*, int) { return 0; }
int16_t ScrollXChannelValue(tagGS*, int) { return 0; }
void StepSelectionByKey(tagGS*, int) {}
void ScrollChannelByKey(tagGS*, int) {}
void SelectGraphChannel(tagGS* gs, int16_t slot) {
    if (slot >= 0 && slot < kMaxChannels) gs->selectedChan = static_cast<uint32_t>(slot);
}
