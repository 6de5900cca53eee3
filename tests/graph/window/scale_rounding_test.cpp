// Scales rounded to whole divisions.
#include <gtest/gtest.h>
#include "graph/window/scale_rounding.h"
#include "tests/graph/window/blank_graph.h"
#include "common/tagGS.h"

namespace {

TEST(ScaleRounding, RoundedScalesKeepTheMiddle) {
    auto gs = NewRecord();
    struct Case {
        double center, perDiv, divisions;
        double newPerDiv, newDivisions;
    } cases[] = {
        {0.0, 1.25, 4.0, 1.0, 5.0},      // -2.5 .. 2.5
        {-10.0, 1.5, 4.0, 1.0, 6.0},     // -13 .. -7
        {100.0, 50.0, 4.0, 20.0, 10.0},  // 0 .. 200
        {1.0, 0.3, 7.0, 1.0, 2.1},       // a span under ten units: one unit per division
    };
    for (const Case& c : cases) {
        gs->chanVCenter[2] = c.center;
        gs->chanVPerDiv[2] = c.perDiv;
        gs->chanVDivisions[2] = c.divisions;
        gs->chanVOffsetDiv[2] = 3.0;
        RoundChannelScale(gs.get(), 2);
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[2], c.newPerDiv) << c.center;
        EXPECT_NEAR(gs->chanVDivisions[2], c.newDivisions, 1e-12) << c.center;
        EXPECT_NEAR(gs->chanVCenter[2], c.center, 1e-12);
        EXPECT_EQ(gs->chanVOffsetDiv[2], 0.0);
    }
    // An empty range is left as it is.
    gs->chanVPerDiv[2] = 0.0;
    gs->chanVDivisions[2] = 4.0;
    gs->chanVOffsetDiv[2] = 3.0;
    RoundChannelScale(gs.get(), 2);
    EXPECT_EQ(gs->chanVDivisions[2], 4.0);
    EXPECT_EQ(gs->chanVOffsetDiv[2], 3.0);
}

TEST(ScaleRounding, GridRoundingKeepsTheVisibleTimeInWholeSeconds) {
    struct Case {
        double interval, hStart, perDiv, divisions;
        double newPerDiv, newStart, newDivisions;
    } cases[] = {
        {5.0, 2000.0, 750.0, 4.0, 1000.0, 2000.0, 3.0},  // 3 s shown: three divisions of a second
        {0.1, 100.0, 20.0, 5.0, 50.0, 100.0, 2.0},       // fast: divisions of 50 ms
        {5.0, -300.0, 500.0, 2.0, 1000.0, 0.0, 0.7},     // a start before 0 is held at 0
    };
    for (const Case& c : cases) {
        auto gs = NewRecord();
        gs->plotRect = RECT{10, 10, 410, 310};
        gs->sampleInterval = c.interval;
        gs->hStart = c.hStart;
        gs->hPerDiv = c.perDiv;
        gs->hDivisions = c.divisions;
        gs->gridExtraValue = 2.5;
        gs->chanFlags[3] = 2;
        gs->chanVCenter[3] = 0.0;
        gs->chanVPerDiv[3] = 1.25;
        gs->chanVDivisions[3] = 4.0;
        gs->chanFlags[4] = 1;  // hidden: left alone
        gs->chanVPerDiv[4] = 1.25;
        gs->chanVDivisions[4] = 4.0;
        RoundScalesForGrid(gs.get(), 0);
        EXPECT_DOUBLE_EQ(gs->hPerDiv, c.newPerDiv) << c.interval;
        EXPECT_DOUBLE_EQ(gs->hStart, c.newStart) << c.interval;
        EXPECT_NEAR(gs->hDivisions, c.newDivisions, 1e-12) << c.interval;
        EXPECT_EQ(gs->gridExtraValue, 0.0);
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[3], 1.0);
        EXPECT_DOUBLE_EQ(gs->chanVDivisions[3], 5.0);
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[4], 1.25);
    }
    // XY: only the two channels of the plot, and the time axis stays.
    auto gs = NewRecord();
    gs->selectedChan = 2;
    gs->xyXChan = 6;
    for (int s : {2, 6, 8}) {
        gs->chanFlags[s] = 2;
        gs->chanVPerDiv[s] = 1.25;
        gs->chanVDivisions[s] = 4.0;
    }
    RoundScalesForGrid(gs.get(), 1);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[2], 1.0);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[6], 1.0);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[8], 1.25);
    EXPECT_DOUBLE_EQ(gs->hPerDiv, 50.0);
}

}  // namespace
