// Graph window layout arithmetic: rows above the plot, the plot and its strips, the child
// windows' places, the channel rectangles and the value-to-pixel transforms.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include "graph/view/layout.h"

namespace {

struct GsDeleter {
    void operator()(tagGS* gs) const { std::free(gs); }
};
using GsPtr = std::unique_ptr<tagGS, GsDeleter>;

GsPtr ZeroGraph() {
    auto* gs = static_cast<tagGS*>(std::calloc(1, sizeof(tagGS)));
    for (int s = 0; gs && s < kMaxChannels; ++s) gs->chanOrder[s] = static_cast<uint32_t>(s);
    return GsPtr(gs);
}

// A document with every row and strip on, in Scope mode.
GsPtr FullGraph() {
    GsPtr gs = ZeroGraph();
    gs->measureShown = gs->markerBarShown = 1;
    SetChanButtonsShown(gs.get(), true);
    SetVScaleShown(gs.get(), true);
    SetHScaleShown(gs.get(), true);
    return gs;
}

constexpr stLayoutMetrics kMetrics{14, 14, 16, 16, 80, 67, 13, 26};
constexpr stLayoutRows kRows{0, 30, 22};

::testing::AssertionResult SameRect(const RECT& got, const RECT& want) {
    if (EqualRect(&got, &want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "{" << got.left << "," << got.top << "," << got.right << "," << got.bottom
                                         << "} != {" << want.left << "," << want.top << "," << want.right << ","
                                         << want.bottom << "}";
}

TEST(LayoutAxisMetrics, ScaleStripHasAFloorWithTheScrollBar) {
    struct Case {
        int32_t textWidth, digitsHeight, cyVertical, cxVScroll;
        int32_t scale, line, strip;
    } cases[] = {
        {70, 14, 14, 16, 86, 13, 26},  // wide enough: text + 2 + turned font height
        {40, 14, 14, 16, 67, 13, 26},  // narrow: raised so that strip + scroll bar make 83
        {40, 14, 14, 20, 63, 13, 26},  // a wider scroll bar leaves a narrower strip
        {0, 1, 0, 16, 67, 0, 0},       // an empty font still gets the floor
    };
    for (const Case& c : cases) {
        int32_t scale = -1, line = -1, strip = -1;
        AxisMetricsFromText(c.textWidth, c.digitsHeight, c.cyVertical, c.cxVScroll, &scale, &line, &strip);
        EXPECT_EQ(scale, c.scale) << c.textWidth << " " << c.cxVScroll;
        EXPECT_EQ(line, c.line) << c.textWidth;
        EXPECT_EQ(strip, c.strip) << c.textWidth;
        EXPECT_GE(scale + c.cxVScroll, 83);
    }
}

TEST(LayoutPlan, RowsStackAboveThePlot) {
    struct Case {
        const char* name;
        uint32_t mode;
        int32_t outPanel;
        uint32_t measure, buttons, marker;
        uint16_t markerHeight;
        int32_t top;
        RECT markerBar;
        bool markerOn;
    } cases[] = {
        {"all rows", kModeScope, 0, 1, 1, 1, 0, 88, {0, 52, 800, 88}, true},
        {"chart as scope", kModeChart, 0, 1, 1, 1, 0, 88, {0, 52, 800, 88}, true},
        {"output panel first", kModeScope, 20, 1, 1, 1, 0, 108, {0, 72, 800, 108}, true},
        {"stored bar height", kModeScope, 0, 1, 1, 1, 40, 92, {0, 52, 800, 92}, true},
        {"no rows", kModeScope, 0, 0, 0, 0, 0, 0, {0, 0, 800, 0}, false},
        {"buttons only", kModeScope, 0, 0, 1, 0, 0, 22, {0, 22, 800, 22}, false},
        // XY: a one-line measurement row, no buttons, no marker bar, room for the X title.
        {"xy", kModeXY, 0, 1, 1, 1, 0, 19 + 15, {0, 19, 800, 19}, false},
        {"xy without measurements", kModeXY, 0, 0, 1, 1, 0, 15, {0, 0, 800, 0}, false},
    };
    for (const Case& c : cases) {
        GsPtr gs = ZeroGraph();
        gs->displayMode = c.mode;
        gs->measureShown = c.measure;
        SetChanButtonsShown(gs.get(), c.buttons);
        gs->markerBarShown = c.marker;
        gs->markerBarHeight = c.markerHeight;
        SetVScaleShown(gs.get(), true);
        SetHScaleShown(gs.get(), true);
        stLayoutRows rows = kRows;
        rows.outPanel = c.outPanel;
        stLayoutPlan plan{};
        ASSERT_EQ(PlanGraphLayout(gs.get(), kMetrics, 800, 600, rows, &plan), 1) << c.name;
        EXPECT_EQ(plan.top, c.top) << c.name;
        EXPECT_EQ(plan.plot.top, c.top) << c.name;
        EXPECT_EQ(plan.vScroll.top, c.top) << c.name;
        EXPECT_TRUE(SameRect(plan.markerBar, c.markerBar)) << c.name;
        EXPECT_EQ(plan.markerBarOn, c.markerOn) << c.name;
    }
}

TEST(LayoutPlan, PlotStripsScrollBarsAndToolsFollowTheScaleOptions) {
    struct Case {
        const char* name;
        uint32_t vScale, hScale;
        int32_t cyAxisStrip;
        RECT plot;
        int32_t scaleStrip, axisStrip;
        RECT arrowTool;
        bool toolsShown;
    } cases[] = {
        {"both scales", 1, 1, 26, {15, 88, 717, 558}, 67, 26, {717, 557, 745, 585}, true},
        // Without the vertical scale the plot reaches the vertical scroll bar.
        {"no vertical scale", 0, 1, 26, {15, 88, 784, 558}, 0, 26, {717, 557, 745, 585}, true},
        // Without the horizontal axis the plot comes down to the scroll bar; the tools hide.
        {"no horizontal axis", 1, 0, 26, {15, 88, 717, 583}, 67, 1, {717, 582, 745, 585}, false},
        // A tall axis strip leaves the tools 25 pixels above the scroll bar.
        {"tall axis strip", 1, 1, 40, {15, 88, 717, 544}, 67, 40, {717, 560, 745, 585}, true},
    };
    for (const Case& c : cases) {
        GsPtr gs = FullGraph();
        SetVScaleShown(gs.get(), c.vScale);
        SetHScaleShown(gs.get(), c.hScale);
        stLayoutMetrics m = kMetrics;
        m.cyAxisStrip = c.cyAxisStrip;
        stLayoutPlan plan{};
        ASSERT_EQ(PlanGraphLayout(gs.get(), m, 800, 600, kRows, &plan), 1);
        EXPECT_TRUE(SameRect(plan.plot, c.plot)) << c.name;
        EXPECT_TRUE(SameRect(plan.labelColumn, RECT{0, 88, 15, 600})) << c.name;
        EXPECT_EQ(plan.cxScaleStrip, c.scaleStrip) << c.name;
        EXPECT_EQ(plan.cyAxisStrip, c.axisStrip) << c.name;
        // The horizontal bar ends where the device library's status box begins.
        EXPECT_TRUE(SameRect(plan.hScroll, RECT{-1, 585, 721, 601})) << c.name;
        EXPECT_TRUE(SameRect(plan.statusBox, RECT{721, 585, 800, 601})) << c.name;
        EXPECT_TRUE(SameRect(plan.vScroll, RECT{785, 88, 801, c.plot.bottom})) << c.name;
        EXPECT_TRUE(SameRect(plan.tools[0], c.arrowTool)) << c.name;
        RECT ibeam = c.arrowTool, zoom = c.arrowTool;
        OffsetRect(&ibeam, 28, 0);
        OffsetRect(&zoom, 56, 0);
        EXPECT_TRUE(SameRect(plan.tools[1], ibeam)) << c.name;
        EXPECT_TRUE(SameRect(plan.tools[2], zoom)) << c.name;
        EXPECT_EQ(plan.toolsShown, c.toolsShown) << c.name;
        // No tool button covers a row of the scroll bar or of the status box (the Start button).
        for (const RECT& tool : plan.tools) {
            RECT common{};
            EXPECT_FALSE(IntersectRect(&common, &tool, &plan.hScroll)) << c.name;
            EXPECT_FALSE(IntersectRect(&common, &tool, &plan.statusBox)) << c.name;
        }
    }
}

TEST(LayoutPlan, StatusStripOfZeroLetsTheScrollBarRunToTheEdge) {
    GsPtr gs = FullGraph();
    stLayoutMetrics m = kMetrics;
    m.cxStatusStrip = 0;
    stLayoutPlan plan{};
    ASSERT_EQ(PlanGraphLayout(gs.get(), m, 800, 600, kRows, &plan), 1);
    EXPECT_TRUE(SameRect(plan.hScroll, RECT{-1, 585, 801, 601}));
    EXPECT_TRUE(SameRect(plan.statusBox, RECT{801, 585, 800, 601}));
}

TEST(LayoutPlan, MarkerBarControlsStandAtTheRightOfThePlot) {
    struct Case {
        const char* name;
        uint32_t vScale;
        RECT search, next, previous, edit;
    } cases[] = {
        {"in the scale strip", 1, {762, 62, 783, 84}, {740, 62, 761, 84}, {718, 62, 739, 84}, {16, 63, 716, 83}},
        {"inside the plot", 0, {760, 62, 781, 84}, {738, 62, 759, 84}, {716, 62, 737, 84}, {16, 63, 714, 83}},
    };
    for (const Case& c : cases) {
        GsPtr gs = FullGraph();
        SetVScaleShown(gs.get(), c.vScale);
        stLayoutPlan plan{};
        ASSERT_EQ(PlanGraphLayout(gs.get(), kMetrics, 800, 600, kRows, &plan), 1);
        EXPECT_TRUE(SameRect(plan.markerSearch, c.search)) << c.name;
        EXPECT_TRUE(SameRect(plan.segNext, c.next)) << c.name;
        EXPECT_TRUE(SameRect(plan.segPrev, c.previous)) << c.name;
        EXPECT_TRUE(SameRect(plan.labelEdit, c.edit)) << c.name;
        EXPECT_TRUE(SameRect(plan.topStrip, RECT{2, 22, plan.plot.right, 40})) << c.name;
    }
}

TEST(LayoutPlan, JournalRaisesTheBottomButLeavesRoomUnderSlotZero) {
    struct Case {
        uint32_t shown;
        uint16_t height;
        int32_t slot0Top;
        int32_t workBottom;
    } cases[] = {
        {0, 100, 200, 600},                      // hidden journal: no room taken
        {1, 100, 200, 500}, {1, 400, 200, 248},  // would cover the plot: held 48 pixels under slot 0's strip
        {1, 0, 200, 600},   {1, 10, 700, 600},   // never below the client area
    };
    for (const Case& c : cases) {
        GsPtr gs = FullGraph();
        gs->journalShown = c.shown;
        gs->journalHeight = c.height;
        gs->chanScaleRects[0].top = c.slot0Top;
        stLayoutPlan plan{};
        ASSERT_EQ(PlanGraphLayout(gs.get(), kMetrics, 800, 600, kRows, &plan), 1);
        EXPECT_EQ(plan.work.bottom, c.workBottom) << c.height;
        EXPECT_EQ(plan.hScroll.top, c.workBottom + 1 - 16) << c.height;
        EXPECT_LE(plan.plot.bottom, plan.work.bottom) << c.height;
    }
}

TEST(LayoutPlan, EmptyOrTinyClientAreas) {
    GsPtr gs = FullGraph();
    stLayoutPlan plan{};
    plan.top = 12345;
    struct Size {
        int32_t w, h;
    } empty[] = {{0, 0}, {0, 500}, {500, 0}, {-20, 300}};
    for (const Size& s : empty) {
        EXPECT_EQ(PlanGraphLayout(gs.get(), kMetrics, s.w, s.h, kRows, &plan), 0) << s.w << "x" << s.h;
        EXPECT_EQ(plan.top, 12345);
    }
    EXPECT_EQ(PlanGraphLayout(nullptr, kMetrics, 500, 500, kRows, &plan), 0);
    // Too small for the strips: an empty plot, never an inverted one.
    ASSERT_EQ(PlanGraphLayout(gs.get(), kMetrics, 40, 30, kRows, &plan), 1);
    EXPECT_GE(plan.plot.right, plan.plot.left);
    EXPECT_GE(plan.plot.bottom, plan.plot.top);
    EXPECT_GE(plan.labelEdit.right, plan.labelEdit.left);
}

// ---- Channel rectangles ----

GsPtr ChartGraph(std::initializer_list<uint32_t> weights) {
    GsPtr gs = FullGraph();
    gs->displayMode = kModeChart;
    gs->plotRect = {20, 100, 420, 402};
    int s = 0;
    for (uint32_t w : weights) {
        gs->chanFlags[s] = 2;
        gs->chanViewWord[s] = w;
        ++s;
    }
    return gs;
}

void Plan(tagGS* gs, int32_t factor = 1) { PlanChannelRects(gs, factor, 60, 13, 14, 500, 28); }

TEST(LayoutChannelRects, ChartBandsShareThePlotByWeight) {
    struct Band {
        int slot;
        int32_t top, bottom;
    };
    struct Case {
        const char* name;
        std::initializer_list<uint32_t> weights;
        uint32_t hiddenSlot;  // 99: none
        uint32_t hiddenFlags;
        std::initializer_list<Band> bands;
    } cases[] = {
        {"equal thirds", {1, 1, 1}, 99, 0, {{0, 101, 199}, {1, 201, 300}, {2, 302, 401}}},
        // The tiny band gets 3 pixels and the band under it moves down by the difference.
        {"tiny weight", {100, 1, 100}, 99, 0, {{0, 101, 249}, {1, 251, 252}, {2, 254, 401}}},
        {"present but hidden", {1, 1, 1}, 1, 1, {{0, 101, 250}, {2, 252, 401}}},
        {"hidden bit", {1, 1, 1}, 1, 2 | kChanHidden, {{0, 101, 250}, {2, 252, 401}}},
        // No weight at all: every band is 3 pixels; the last still reaches the bottom.
        {"zero weights", {0, 0, 0}, 99, 0, {{0, 101, 102}, {1, 104, 105}, {2, 107, 401}}},
    };
    for (const Case& c : cases) {
        GsPtr gs = ChartGraph(c.weights);
        if (c.hiddenSlot < kMaxChannels) gs->chanFlags[c.hiddenSlot] = c.hiddenFlags;
        Plan(gs.get());
        for (const Band& b : c.bands) {
            EXPECT_TRUE(SameRect(gs->chanBandRects[b.slot], RECT{20, b.top, 420, b.bottom})) << c.name << " " << b.slot;
            EXPECT_TRUE(SameRect(gs->chanScaleRects[b.slot], RECT{421, b.top, 480, b.bottom})) << c.name;
            EXPECT_TRUE(SameRect(gs->chanLabelRects[b.slot], RECT{0, b.top, 20, b.bottom})) << c.name;
        }
        // A slot without a band spans the plot (moved down one pixel in Chart mode).
        EXPECT_TRUE(SameRect(gs->chanBandRects[5], RECT{20, 101, 420, 403})) << c.name;
        EXPECT_TRUE(SameRect(gs->chanScaleRects[5], RECT{421, 101, 480, 403})) << c.name;
    }
}

TEST(LayoutChannelRects, ScopeAxisAndTitleRectangles) {
    struct Case {
        const char* name;
        uint32_t mode, vScale;
        int32_t factor;
        RECT band, scale, axis, title;
    } cases[] = {
        {"scope", kModeScope, 1, 1, {20, 101, 420, 401}, {421, 101, 480, 401}, {19, 402, 420, 415}, {20, 86, 420, 100}},
        {"printing factor",
         kModeScope,
         1,
         2,
         {20, 101, 420, 401},
         {421, 101, 540, 401},
         {19, 402, 420, 428},
         {20, 72, 420, 100}},
        // Without the vertical scale the axis ends three tool widths and 8 pixels before the edge.
        {"no vertical scale",
         kModeScope,
         0,
         1,
         {20, 101, 420, 401},
         {421, 101, 480, 401},
         {19, 402, 408, 415},
         {20, 86, 420, 100}},
        {"xy", kModeXY, 1, 1, {20, 101, 420, 401}, {421, 101, 480, 401}, {19, 402, 420, 415}, {20, 86, 420, 100}},
        {"chart", kModeChart, 1, 1, {20, 101, 420, 199}, {421, 101, 480, 199}, {19, 404, 420, 417}, {20, 86, 420, 100}},
    };
    for (const Case& c : cases) {
        GsPtr gs = ChartGraph({1, 1, 1});
        gs->displayMode = c.mode;
        SetVScaleShown(gs.get(), c.vScale);
        Plan(gs.get(), c.factor);
        EXPECT_TRUE(SameRect(gs->chanBandRects[0], c.band)) << c.name;
        EXPECT_TRUE(SameRect(gs->chanScaleRects[0], c.scale)) << c.name;
        EXPECT_TRUE(SameRect(gs->hAxisRect, c.axis)) << c.name;
        EXPECT_TRUE(SameRect(gs->xLabelRect, c.title)) << c.name;
    }
}

TEST(LayoutChannelRects, OrderEntriesOutsideTheSlotsAreSkipped) {
    GsPtr gs = ChartGraph({1, 1});
    gs->chanOrder[0] = 1;
    gs->chanOrder[1] = 0;
    gs->chanOrder[2] = 999;  // damaged entry
    Plan(gs.get());
    // Display order puts slot 1 on top.
    EXPECT_EQ(gs->chanBandRects[1].top, 101);
    EXPECT_EQ(gs->chanBandRects[0].bottom, 401);
    EXPECT_LT(gs->chanBandRects[1].bottom, gs->chanBandRects[0].top);
}

// ---- Transforms ----

TEST(LayoutTransforms, ValuesMapToRowsAndColumns) {
    const double kUntouched = 7.0;
    struct Case {
        const char* name;
        uint32_t mode;
        double perDiv, divisions, center;
        double yScale, yZero, xScale, xZero;  // kUntouched: left alone
    } cases[] = {
        {"scope", kModeScope, 1.0, 4.0, 0.0, 75.0, 250.0, kUntouched, kUntouched},
        {"scope, moved midpoint", kModeScope, 0.5, 4.0, 2.0, 150.0, 550.0, kUntouched, kUntouched},
        {"inverted scale", kModeScope, -1.0, 4.0, 0.0, -75.0, 250.0, kUntouched, kUntouched},
        {"xy", kModeXY, 1.0, 4.0, 0.0, 75.0, 250.0, 100.0, 220.0},
        {"xy, moved midpoint", kModeXY, 0.5, 4.0, 2.0, 150.0, 550.0, 200.0, -180.0},
        // Chart: the slot's own strip, 98 rows ending at 199.
        {"chart", kModeChart, 1.0, 4.0, 0.0, 24.5, 150.0, kUntouched, kUntouched},
        {"zero scale", kModeScope, 0.0, 4.0, 0.0, kUntouched, kUntouched, kUntouched, kUntouched},
        {"zero divisions", kModeXY, 1.0, 0.0, 0.0, kUntouched, kUntouched, kUntouched, kUntouched},
        {"nan scale", kModeScope, std::nan(""), 4.0, 0.0, kUntouched, kUntouched, kUntouched, kUntouched},
        {"infinite midpoint", kModeScope, 1.0, 4.0, std::numeric_limits<double>::infinity(), kUntouched, kUntouched,
         kUntouched, kUntouched},
    };
    for (const Case& c : cases) {
        GsPtr gs = FullGraph();
        gs->displayMode = c.mode;
        gs->plotRect = {20, 100, 420, 400};
        gs->chanFlags[0] = 2;
        gs->chanScaleRects[0] = {421, 101, 480, 199};
        gs->chanVPerDiv[0] = c.perDiv;
        gs->chanVDivisions[0] = c.divisions;
        gs->chanVCenter[0] = c.center;
        for (auto& map : gs->chanPixelMap) map[0] = kUntouched;
        ComputeChannelTransforms(gs.get());
        EXPECT_DOUBLE_EQ(gs->chanPixelMap[kMapYScale][0], c.yScale) << c.name;
        EXPECT_DOUBLE_EQ(gs->chanPixelMap[kMapYZero][0], c.yZero) << c.name;
        EXPECT_DOUBLE_EQ(gs->chanPixelMap[kMapXScale][0], c.xScale) << c.name;
        EXPECT_DOUBLE_EQ(gs->chanPixelMap[kMapXZero][0], c.xZero) << c.name;
        if (c.yScale != kUntouched && c.mode != kModeChart) {
            // The midpoint lands on the middle row, and the top of the span on the top row.
            double mid = gs->chanPixelMap[kMapYZero][0] - c.center * gs->chanPixelMap[kMapYScale][0];
            EXPECT_DOUBLE_EQ(mid, 250.0) << c.name;
        }
    }
}

TEST(LayoutTransforms, FreeSlotsAreLeftAlone) {
    GsPtr gs = FullGraph();
    gs->plotRect = {20, 100, 420, 400};
    gs->chanVPerDiv[3] = 1.0;
    gs->chanVDivisions[3] = 4.0;
    gs->chanPixelMap[kMapYScale][3] = 7.0;
    ComputeChannelTransforms(gs.get());
    EXPECT_EQ(gs->chanPixelMap[kMapYScale][3], 7.0);
    gs->chanFlags[3] = 1;  // present but hidden: still mapped
    ComputeChannelTransforms(gs.get());
    EXPECT_EQ(gs->chanPixelMap[kMapYScale][3], 75.0);
}

}  // namespace
