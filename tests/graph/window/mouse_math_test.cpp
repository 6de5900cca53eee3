// The arithmetic of the mouse tools over plain values and a zeroed record: the zoom rectangle and
// its factors, the zoomed start and scale limits, the band boundary's weights, the zoom history,
// the XY readout and the channel menu's items.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include "graph/window/mouse_tools.h"
#include "graph/window/tracking.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "graph/graph_ids.h"
#include "common/tagGS.h"

namespace {

std::unique_ptr<tagGS> ZeroedRecord() {
    auto gs = std::make_unique<tagGS>();
    std::memset(gs.get(), 0, sizeof(tagGS));
    return gs;
}

TEST(ZoomMath, ClicksHalveOrDoubleAroundThePointAndDragsGiveTheirRectangle) {
    const RECT b{100, 50, 500, 250};  // 400 x 200
    struct Case {
        POINT a, last;
        bool out;
        stZoomBox box;
    } cases[] = {
        {{300, 150}, {300, 150}, false, {200, 400, 100, 200, 0.5, 0.5}},
        {{300, 150}, {303, 147}, false, {203, 403, 97, 197, 0.5, 0.5}},  // 3 pixels: still a click
        {{300, 150}, {300, 150}, true, {-100, 700, -50, 350, 2.0, 2.0}},
        {{150, 60}, {350, 160}, false, {150, 350, 60, 160, 0.5, 0.5}},
        {{350, 160}, {150, 60}, false, {150, 350, 60, 160, 0.5, 0.5}},  // dragged back up and left
        {{150, 60}, {250, 62}, false, {150, 250, 60, 62, 0.25, 0.01}},
        {{150, 60}, {150, 160}, false, {150, 150, 60, 160, 1.0 / 400, 0.5}},  // no width: one pixel's worth
    };
    for (const Case& c : cases) {
        stZoomBox z = PlanZoomBox(b, c.a, c.last, c.out);
        EXPECT_EQ(z.xl, c.box.xl) << c.last.x << "," << c.last.y;
        EXPECT_EQ(z.xr, c.box.xr) << c.last.x << "," << c.last.y;
        EXPECT_EQ(z.yl, c.box.yl) << c.last.x << "," << c.last.y;
        EXPECT_EQ(z.yr, c.box.yr) << c.last.x << "," << c.last.y;
        EXPECT_DOUBLE_EQ(z.fx, c.box.fx) << c.last.x << "," << c.last.y;
        EXPECT_DOUBLE_EQ(z.fy, c.box.fy) << c.last.x << "," << c.last.y;
    }
}

TEST(ZoomMath, TheZoomedStartStaysInsideTheRecording) {
    struct Case {
        double left, length, span, start;
    } cases[] = {
        {300.0, 10000.0, 1000.0, 300.0},
        {9500.0, 10000.0, 1000.0, 9000.0},  // near the end: the span ends with the recording
        {-40.0, 10000.0, 1000.0, 0.0},
        {500.0, 800.0, 1000.0, 0.0},  // a span longer than the recording starts at 0
        {std::numeric_limits<double>::quiet_NaN(), 10000.0, 1000.0, 0.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(ZoomedStart(c.left, c.length, c.span), c.start) << c.left;
}

TEST(ZoomMath, AScaleThatWouldBecomeUnusableIsKept) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value, factor, other, center, result;
    } cases[] = {
        {5.0, 0.5, 4.0, 0.0, 2.5},     {5.0, 2.0, 4.0, 0.0, 10.0},
        {1e-10, 0.5, 4.0, 0.0, 1e-10},  // below a billionth of 1
        {1e-3, 0.5, 4.0, 1e7, 1e-3},    // too fine for a centre of ten million
        {1e-3, 0.5, 4.0, 1e3, 5e-4},    // but fine for a thousand
        {1e300, 2.0, 4.0, 0.0, 1e300},  // the span would pass 1e300
        {5.0, 0.0, 4.0, 0.0, 5.0},      // a zero factor
        {5.0, inf, 4.0, 0.0, 5.0},     {5.0, -0.5, 4.0, 0.0, 5.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ZoomScaled(c.value, c.factor, c.other, c.center), c.result) << c.value << " x " << c.factor;
}

TEST(ZoomMath, BoundaryWeightsFollowTheLineAndKeepTheirSum) {
    struct Case {
        RECT up, down;
        int y;
        uint32_t sum, upper, lower;
    } cases[] = {
        {{0, 0, 10, 100}, {0, 100, 10, 200}, 100, 2184, 1092, 1092},  // not moved
        {{0, 0, 10, 100}, {0, 100, 10, 200}, 150, 2184, 1638, 546},
        {{0, 0, 10, 100}, {0, 100, 10, 200}, 30, 2184, 327, 1856},  // truncation loses at most one
        {{0, 0, 10, 100}, {0, 100, 10, 200}, 100, 0, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t up = 7, low = 7;
        ChartBoundaryWeights(c.up, c.down, c.y, c.sum, &up, &low);
        EXPECT_EQ(up, c.upper) << c.y;
        EXPECT_EQ(low, c.lower) << c.y;
        EXPECT_LE(c.sum - (up + low), 1u);
    }
    // Bands of no height change nothing.
    uint32_t up = 7, low = 9;
    ChartBoundaryWeights(RECT{0, 100, 10, 100}, RECT{0, 100, 10, 100}, 100, 2184, &up, &low);
    EXPECT_EQ(up, 7u);
    EXPECT_EQ(low, 9u);
}

TEST(ZoomMath, TheHistoryKeepsSixLevelsAndDropsTheOldest) {
    auto gs = ZeroedRecord();
    gs->hDivisions = 4.0;
    // View k (k = 0 before any zoom) has 10 (k + 1) ms and k + 1 units per division.
    gs->hPerDiv = 10.0;
    gs->chanVPerDiv[7] = 1.0;
    for (int zoom = 1; zoom <= 8; ++zoom) {
        StoreZoomLevel(gs.get(), gs->zoomLevel);
        AdvanceZoomLevel(gs.get());
        gs->hPerDiv = (zoom + 1) * 10.0;
        gs->chanVPerDiv[7] = zoom + 1;
        StoreZoomLevel(gs.get(), gs->zoomLevel);
        EXPECT_EQ(gs->zoomLevel, static_cast<uint32_t>(zoom < 5 ? zoom : 5));
        EXPECT_EQ(gs->zoomCount, gs->zoomLevel);
    }
    // Nine views, six kept: views 3 to 8.
    for (uint32_t level = 0; level < 6; ++level) {
        EXPECT_DOUBLE_EQ(gs->zoomHPerDiv[level], (level + 4) * 10.0) << level;
        EXPECT_DOUBLE_EQ(gs->zoomVPerDiv[level][7], level + 4.0) << level;
    }
    RestoreZoomLevel(gs.get(), 1);
    EXPECT_DOUBLE_EQ(gs->hPerDiv, 50.0);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[7], 5.0);
}

TEST(ZoomMath, XYLevelsHoldTheXChannelInsteadOfTheTime) {
    auto gs = ZeroedRecord();
    gs->displayMode = kModeXY;
    gs->xyXChan = 3;
    gs->chanVPerDiv[3] = 2.0;
    gs->chanVCenter[3] = -1.0;
    gs->chanVDivisions[3] = 8.0;
    gs->hStart = 123.0;
    gs->hPerDiv = 50.0;
    StoreZoomLevel(gs.get(), 2);
    EXPECT_DOUBLE_EQ(gs->zoomHPerDiv[2], 2.0);
    EXPECT_DOUBLE_EQ(gs->zoomHStart[2], -1.0);
    EXPECT_DOUBLE_EQ(gs->zoomHDivisions[2], 8.0);
    // Restoring in XY leaves the time axis alone.
    gs->hStart = 7.0;
    RestoreZoomLevel(gs.get(), 2);
    EXPECT_DOUBLE_EQ(gs->hStart, 7.0);
    EXPECT_DOUBLE_EQ(gs->chanVCenter[3], -1.0);
}

TEST(TrackingText, TheReadoutShowsBothValuesWithTheirUnits) {
    auto gs = ZeroedRecord();
    gs->xyXChan = 1;
    gs->selectedChan = 2;
    std::strcpy(gs->chanLabel[1], "Flow");
    std::strcpy(gs->chanUnits[1], "l/s");
    std::strcpy(gs->chanLabel[2], "Volume");
    std::strcpy(gs->chanUnits[2], "l");
    struct Case {
        uint16_t digits;
        double x, y;
        const char* text;
    } cases[] = {
        {2, 0.5, -1.25, "X, Flow = 0.50 l/s  Y, Volume = -1.25 l"},
        {0, 2.4, 1e6, "X, Flow = 2 l/s  Y, Volume = 1000000 l"},
        {3, -0.0006, 3.0, "X, Flow = -0.001 l/s  Y, Volume = 3.000 l"},
    };
    for (const Case& c : cases) {
        gs->precisionDigits = c.digits;
        char text[128];
        FormatReadout(text, sizeof text, gs.get(), c.x, c.y);
        EXPECT_STREQ(text, c.text);
    }
    char small[8];
    FormatReadout(small, sizeof small, gs.get(), 0.5, 1.0);
    EXPECT_EQ(std::strlen(small), 7u);  // cut, never overrun
    gs->selectedChan = 0xFFFFFFFF;      // no Y channel: no text
    char text[64] = "x";
    FormatReadout(text, sizeof text, gs.get(), 1, 1);
    EXPECT_STREQ(text, "");
}

TEST(TrackingText, TheNearestPointWinsAndTheFirstWinsATie) {
    POINT pts[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    struct Case {
        int x, y, index;
    } cases[] = {{1, 1, 0}, {9, 2, 1}, {9, 9, 2}, {5, 5, 0}, {2, 8, 3}};
    for (const Case& c : cases) EXPECT_EQ(NearestPoint(pts, 4, c.x, c.y), c.index) << c.x << "," << c.y;
    EXPECT_EQ(NearestPoint(pts, 0, 1, 1), -1);
}

TEST(ChannelMenu, ItemsInSlotOrderWithColumnsGreyAndCheck) {
    auto gs = ZeroedRecord();
    for (int s = 0; s < 25; ++s) {
        gs->chanFlags[s] = s % 5 == 4 ? 1 : 2;  // every fifth slot present but hidden
        std::snprintf(gs->chanLabel[s], sizeof gs->chanLabel[s], "L%d", s);
    }
    gs->chanFlags[30] = 2;
    std::strcpy(gs->chanLabel[30], "Thirty");
    gs->selectedChan = 30;
    gs->xyXChan = 3;
    stChannelMenuItem items[kMaxChannels];
    int n = BuildChannelMenuItems(gs.get(), 0, 1, 20, items, kMaxChannels);
    ASSERT_EQ(n, 26);
    EXPECT_EQ(items[0].id, static_cast<UINT>(IDM_SELECT_CHANNEL_FIRST));
    EXPECT_STREQ(items[0].text, "Ch0, L0");
    EXPECT_STREQ(items[25].text, "Ch30, Thirty");
    EXPECT_EQ(items[25].id, static_cast<UINT>(IDM_SELECT_CHANNEL_FIRST + 30));
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ((items[i].flags & MF_MENUBARBREAK) != 0, i == 19) << i;  // the 20th item starts column 2
        EXPECT_EQ((items[i].flags & MF_GRAYED) != 0, i < 25 && i % 5 == 4) << i;
        EXPECT_EQ((items[i].flags & MF_CHECKED) != 0, i == 25) << i;
    }
    // The horizontal list checks the X channel and greys nothing without shown-only.
    n = BuildChannelMenuItems(gs.get(), 1, 0, 100, items, kMaxChannels);
    EXPECT_EQ(items[3].id, static_cast<UINT>(IDM_X_CHANNEL_FIRST + 3));
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ((items[i].flags & MF_CHECKED) != 0, i == 3) << i;
        EXPECT_EQ(items[i].flags & MF_GRAYED, 0u) << i;
    }
}

}  // namespace
