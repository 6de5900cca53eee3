// Vertical scaling of channels through the Display menu, and the device scaling of inputs.
#include "commands_fixture.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "graph/graph_ids.h"
#include "graph/view/display_modes.h"
#include "shell/shell_ids.h"
#include "devlib/vk40.h"
#include "graph/document/channel_scaling.h"
#include "graph/document/graph_doc.h"
#include <vector>

namespace {

class ChannelScaling : public CommandsTest {
protected:
    // A shown f64 channel holding the values, the whole of it in view.
    static void Fill(tagGS* gs, int slot, const std::vector<double>& values) {
        FillDoubles(gs, slot, values);
        gs->chanVDivisions[slot] = 4.0;
        gs->sampleInterval = 1.0;
        gs->hStart = 0.0;
        gs->hPerDiv = 100.0;
        gs->hDivisions = 10.0;
        UpdateGraphLength(gs);
    }
    static tagGS* Doc() {
        tagGS* gs = Graph();
        EXPECT_TRUE(gs);
        if (gs)
            for (int s = 0; s < kMaxChannels; ++s) gs->chanFlags[s] = 0;
        return gs;
    }
};

// The data of a range fill 75% of a channel's share of the height: unlocked the units per
// division follow, locked the number of divisions does.
TEST(VerticalScale, RangeFillsThreeQuartersOfTheChannelsShare) {
    struct Row {
        double range;
        uint32_t locked;
        double perDiv, divisions;
        int bands;
        double expectPerDiv, expectDivisions;
    } rows[] = {
        {0.0, 0, 7.0, 4.0, 1, 1.0, 4.0},     // a flat channel
        {3.0, 0, 7.0, 4.0, 1, 1.0, 4.0},     // 3.0 / 0.75 / 4
        {3.0, 0, 7.0, 4.0, 3, 3.0, 4.0},     // a third of the height
        {0.0, 1, 0.5, 10.0, 1, 0.5, 4.0},    // flat and locked: 4 divisions
        {3.0, 1, 0.5, 4.0, 1, 0.5, 8.0},     // locked: 4.0 / 2.0 x 4 divisions
        {-3.0, 1, 0.5, 4.0, 2, 0.5, 16.0},   // the divisions are never negative
    };
    for (const Row& r : rows) {
        static tagGS gs;
        gs.gridLocked = r.locked;
        gs.chanVPerDiv[3] = r.perDiv;
        gs.chanVDivisions[3] = r.divisions;
        SetChannelVScale(&gs, 3, r.range, r.bands);
        EXPECT_DOUBLE_EQ(gs.chanVPerDiv[3], r.expectPerDiv) << r.range << " " << r.locked;
        EXPECT_DOUBLE_EQ(gs.chanVDivisions[3], r.expectDivisions) << r.range << " " << r.locked;
    }
}

// Autoscale of the active channel from the graph's popup: the visible data fill 75% of the
// band, centred; the selection stays and the graph is marked changed.
TEST_F(ChannelScaling, AutoscaleFitsTheActiveChannelAndKeepsTheSelection) {
    tagGS* gs = Doc();
    ASSERT_TRUE(gs);
    Fill(gs, 0, {5, 5, 5});
    Fill(gs, 2, {-1.0, 2.0, 0.5, 0.0});
    gs->chanOrder[0] = 0;
    gs->chanOrder[1] = 2;
    gs->selectedChan = 2;
    gs->selStart = 1.0;
    gs->selEnd = 2.0;
    setDirtyGraphFlag(gs, 0);
    Command(IDM_DISPLAY_AUTOSCALE_ACTIVE);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[2], 1.0);
    EXPECT_DOUBLE_EQ(gs->chanVCenter[2], 0.5);
    EXPECT_DOUBLE_EQ(gs->chanVCenterRef[2], 0.5);
    EXPECT_DOUBLE_EQ(gs->zoomVPerDiv[0][2], 1.0);
    EXPECT_EQ(gs->selStart, 1.0);
    EXPECT_EQ(gs->selEnd, 2.0);
    EXPECT_EQ(gs->selectedChan, 2u);
    EXPECT_EQ(gs->modified, 1u);
}

// Tile in Scope mode (the stacked autoscale): three channels in a plot 302 pixels high get bands
// of 100 pixels, and the k-th in display order has its data's middle at the middle of the k-th
// band from the top.
TEST_F(ChannelScaling, StackedAutoscaleGivesEachChannelItsBand) {
    tagGS* gs = Doc();
    ASSERT_TRUE(gs);
    const int order[3] = {4, 1, 7};
    for (int k = 0; k < 3; ++k) {
        Fill(gs, order[k], {10.0 * k, 10.0 * k + 2.0 + k});
        gs->chanOrder[k] = static_cast<uint32_t>(order[k]);
    }
    for (int p = 3; p < kMaxChannels; ++p) gs->chanOrder[p] = 59;
    gs->plotRect = RECT{10, 40, 500, 342};
    gs->displayMode = 0;
    setDirtyGraphFlag(gs, 0);
    Command(IDM_DISPLAY_TILE);
    EXPECT_EQ(gs->modified, 1u);
    for (int k = 0; k < 3; ++k) {
        const int s = order[k];
        const double span = gs->chanVPerDiv[s] * gs->chanVDivisions[s];
        EXPECT_DOUBLE_EQ(span, (2.0 + k) / 0.75 * 3) << k;
        const double dataMiddle = 10.0 * k + (2.0 + k) / 2;
        const double y = (40 + 342) / 2.0 - (dataMiddle - gs->chanVCenter[s]) / span * 302;
        EXPECT_NEAR(y, 40 + 100 * k + 50, 2.0) << k;
    }
}

// Overlap gives every shown channel the range of all of them; Compare gives each the largest
// peak-to-peak, each centred on its own data. Both mark the graph changed.
TEST_F(ChannelScaling, OverlapAndCompareShareOneRange) {
    tagGS* gs = Doc();
    ASSERT_TRUE(gs);
    Fill(gs, 0, {0.0, 1.0});
    Fill(gs, 3, {-2.0, 4.0, 1.0});
    for (int p = 0; p < kMaxChannels; ++p) gs->chanOrder[p] = static_cast<uint32_t>(p);
    gs->displayMode = kModeChart;
    setDirtyGraphFlag(gs, 0);
    Command(IDM_DISPLAY_OVERLAP);
    for (int s : {0, 3}) {
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[s], 6.0 / 0.75 / 4) << s;
        EXPECT_DOUBLE_EQ(gs->chanVCenter[s], 1.0) << s;
    }
    EXPECT_EQ(gs->modified, 1u);
    setDirtyGraphFlag(gs, 0);
    Command(IDM_DISPLAY_COMPARE);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[0], 6.0 / 0.75 / 4);
    EXPECT_DOUBLE_EQ(gs->chanVCenter[0], 0.5);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[3], 6.0 / 0.75 / 4);
    EXPECT_DOUBLE_EQ(gs->chanVCenter[3], 1.0);
    EXPECT_EQ(gs->modified, 1u);
}

// The device scaling: inputs 20 to 39 get 1.25 per division about 2.5 (locked grids 20
// divisions of 0.25), slots from 40 nothing; Optimize Ranges leaves inputs 5 to 19 alone, and
// its item is enabled in Chart mode only while an input can be optimised.
TEST_F(ChannelScaling, DeviceScalingOfInputs) {
    tagGS* gs = Doc();
    ASSERT_TRUE(gs);
    struct Row {
        int slot;
        uint32_t locked;
        double perDiv, divisions, centre;
    } rows[] = {
        {25, 0, 1.25, 4.0, 2.5},
        {25, 1, 0.25, 20.0, 2.5},
        {45, 0, 9.0, 4.0, 7.0},
    };
    for (const Row& r : rows) {
        Fill(gs, r.slot, {1.0, 2.0});
        gs->gridLocked = r.locked;
        gs->chanVPerDiv[r.slot] = 9.0;
        gs->chanVCenter[r.slot] = 7.0;
        gs->selectedChan = static_cast<uint32_t>(r.slot);
        Command(IDM_DISPLAY_OPTIMIZE_RANGE);
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[r.slot], r.perDiv) << r.slot;
        EXPECT_DOUBLE_EQ(gs->chanVDivisions[r.slot], r.divisions) << r.slot;
        EXPECT_DOUBLE_EQ(gs->chanVCenter[r.slot], r.centre) << r.slot;
    }
    gs->gridLocked = 0;
    for (int s : {7, 30}) {
        Fill(gs, s, {1.0, 2.0});
        gs->chanHasScaling[s] = 1;
        gs->chanVPerDiv[s] = 9.0;
    }
    gs->chanFlags[25] = gs->chanFlags[45] = 0;
    gs->displayMode = kModeChart;
    InitMenu();
    EXPECT_FALSE(Grayed(IDM_DISPLAY_OPTIMIZE_RANGES));
    Command(IDM_DISPLAY_OPTIMIZE_RANGES);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[7], 9.0);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[30], 1.25);
    gs->displayMode = kModeScope;
    InitMenu();
    EXPECT_TRUE(Grayed(IDM_DISPLAY_OPTIMIZE_RANGES));
    gs->displayMode = kModeChart;
    gs->chanHasScaling[30] = 0;
    InitMenu();
    EXPECT_TRUE(Grayed(IDM_DISPLAY_OPTIMIZE_RANGES));
}

}  // namespace
