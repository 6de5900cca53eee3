// Display modes and scrolling arithmetic: thumbs, scroll steps, the arrow keys' columns and
// selection steps, autoscale ranges and the visible sample span.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>
#include "graph/view/display_modes.h"
#include "base/notify.h"
#include "common/tagGS.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(DisplayModesThumbs, TimeThumbAlongTheScrollableSpan) {
    struct Case {
        double hStart, visible, length;
        int32_t whenNoRoom, thumb;
    } cases[] = {
        {0.0, 1000.0, 5000.0, 1000, 0},       {2000.0, 1000.0, 5000.0, 1000, 500},  {3999.0, 1000.0, 5000.0, 1000, 999},
        {4000.0, 1000.0, 5000.0, 1000, 1000}, {9000.0, 1000.0, 5000.0, 1000, 1000},  // past the end: held at 1000
        {-50.0, 1000.0, 5000.0, 1000, 0},     {0.0, 5000.0, 5000.0, 1000, 1000},     // exactly as long as the view
        {0.0, 6000.0, 5000.0, 0, 0},          {kNaN, 1000.0, 5000.0, 1000, 0},      {0.0, kNaN, 5000.0, 7, 7},
        {100.0, 1000.0, kInf, 1000, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimeThumb(c.hStart, c.visible, c.length, c.whenNoRoom), c.thumb)
            << c.hStart << " " << c.visible << " " << c.length;
}

TEST(DisplayModesThumbs, ValueThumbsRunOppositeWays) {
    struct Case {
        double mid, ref, span;
        int32_t vertical, horizontal;
    } cases[] = {
        {10.0, 10.0, 4.0, 0, 0},         {14.0, 10.0, 4.0, -1000, 1000},  // at the upper limit
        {20.0, 10.0, 4.0, -1000, 1000},  {6.0, 10.0, 4.0, 1000, -1000},   // at the lower limit
        {-3.0, 10.0, 4.0, 1000, -1000},  {12.0, 10.0, 4.0, -500, 500},
        {7.0, 10.0, 4.0, 750, -750},     {10.0, 10.0, 0.0, -1000, 1000},  // no span: the midpoint is at the limit
        {kNaN, 10.0, 4.0, 0, 0},         {10.0, 10.0, kInf, 0, 0},
        {10.0, 10.0, -4.0, -1000, 1000},  // a negative span puts the limits the other way round
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValueThumb(c.mid, c.ref, c.span), c.vertical) << c.mid << " " << c.span;
        EXPECT_EQ(XValueThumb(c.mid, c.ref, c.span), c.horizontal) << c.mid << " " << c.span;
    }
}

TEST(DisplayModesScroll, StepsStopAtEitherEnd) {
    // A plot 400 pixels wide showing 400 ms: one pixel is one millisecond; 5,000 ms recorded.
    struct Case {
        int back;
        double hStart;
        int32_t width, n;
        double newStart;
        int32_t moved;
    } cases[] =
        {
            {1, 100.0, 400, 10, 90.0, 10},
            {1, 3.0, 400, 10, 0.0, 3},  // three pixels' worth left: three pixels, hStart 0
            {1, 0.5, 400, 10, 0.0, 0},  // under a pixel: the view reaches 0 without moving pixels
            {1, 0.0, 400, 10, 0.0, 0},
            {1, -5.0, 400, 10, -5.0, 0},
            {1, 100.0, 0, 10, 100.0, 0},  // no plot width
            {1, 100.0, 400, 0, 100.0, 0},
            {1, 100.0, 400, -5, 100.0, 0},
            {0, 0.0, 400, 100, 100.0, 100},
            {0, 4590.0, 400, 20, 4600.0, 10},  // ten pixels to the end
            {0, 4600.0, 400, 20, 4600.0, 0},   // at the end
            {0, 4700.0, 400, 20, 4700.0, 0},
            {0, 100.0, 0, 20, 100.0, 0},
        };
    for (const Case& c : cases) {
        stTimeStep s =
            c.back ? StepTimeBack(c.hStart, 400.0, c.width, c.n) : StepTimeOn(c.hStart, 400.0, 5000.0, c.width, c.n);
        EXPECT_DOUBLE_EQ(s.hStart, c.newStart) << c.back << " " << c.hStart << " " << c.n;
        EXPECT_EQ(s.pixels, c.moved) << c.back << " " << c.hStart << " " << c.n;
    }
    // A record shorter than the view never scrolls on; bad numbers move nothing.
    EXPECT_EQ(StepTimeOn(0.0, 400.0, 100.0, 400, 10).pixels, 0);
    EXPECT_EQ(StepTimeOn(kNaN, 400.0, 5000.0, 400, 10).pixels, 0);
    EXPECT_EQ(StepTimeBack(kNaN, 400.0, 400, 10).pixels, 0);
    EXPECT_EQ(StepTimeBack(100.0, kNaN, 400, 10).pixels, 0);
    EXPECT_EQ(StepTimeOn(0.0, 0.0, 5000.0, 400, 10).pixels, 0);
}

TEST(DisplayModesScroll, LineAndPageSteps) {
    struct Case {
        int32_t width;
        uint16_t divisor;
        int16_t line, page;
    } cases[] = {
        {500, 4, 10, 125}, {500, 2, 10, 250}, {500, 1, 10, 500},
        {49, 4, 0, 12},    {0, 4, 0, 0},      {500, 0, 10, 125},  // no divisor counts as 4
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LineStepPixels(c.width), c.line) << c.width;
        EXPECT_EQ(PageStepPixels(c.width, c.divisor), c.page) << c.width << " / " << c.divisor;
    }
}

TEST(DisplayModesScroll, TimePerDivisionKeepsOneSamplePerDivision) {
    struct Case {
        double time, divisions, interval, result;
    } cases[] = {
        {100.0, 4.0, 5.0, 100.0}, {5.0, 4.0, 5.0, 5.0},  {1.0, 4.0, 5.0, 5.0},
        {0.0, 4.0, 5.0, 5.0},     {kNaN, 4.0, 5.0, 5.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(PerDivisionAtLeastOneSample(c.time, c.divisions, c.interval), c.result) << c.time;
}

TEST(DisplayModesKeys, StepPixelsAndColumns) {
    struct Step {
        double interval, visible;
        int32_t width, pixels;
    } steps[] = {
        {5.0, 1000.0, 500, 3},  // 2.5 pixels per sample
        {1.0, 1000.0, 500, 2},  // denser than a pixel: 1 + 1
        {100.0, 1000.0, 500, 51}, {5.0, 1000.0, 0, 2}, {5.0, 0.0, 500, 2}, {kNaN, 1000.0, 500, 2},
    };
    for (const Step& s : steps)
        EXPECT_EQ(KeyStepPixels(s.interval, s.visible, s.width), s.pixels) << s.interval << " " << s.width;

    // Plot columns 100..600.
    struct Column {
        int right;
        int32_t x0, step;
        bool atStart;
        int32_t x;
    } columns[] = {
        {0, 300, 3, false, 297}, {0, 101, 3, true, 100},   // at the start of the record: stops at the plot's edge
        {0, 101, 3, false, 101},                           // elsewhere the step is refused at the edge
        {0, 100, 3, true, 100},  {0, 700, 3, false, 599},  // from right of the plot: held inside
        {1, 300, 3, false, 303}, {1, 598, 3, false, 598},  // would pass the last column: stays
        {1, 50, 3, false, 100},                            // from left of the plot: at least its edge
    };
    for (const Column& c : columns)
        EXPECT_EQ(KeyStepColumn(c.right, c.x0, c.step, 100, 600, c.atStart), c.x) << c.right << " " << c.x0;
}

TEST(DisplayModesKeys, ShiftCtrlNarrowsTheSelectionFromOneEnd) {
    struct Case {
        double start, end;
        int right;
        double newStart, newEnd;
    } cases[] = {
        {100.0, 200.0, 0, 100.0, 195.0}, {100.0, 200.0, 1, 105.0, 200.0},
        {200.0, 100.0, 0, 100.0, 195.0},                                   // reversed: ordered first
        {100.0, 105.0, 0, 100.0, 100.0},                                   // one sample long: the end meets the start
        {100.0, 103.0, 1, 103.0, 103.0}, {100.0, 100.0, 0, 100.0, 100.0},  // empty: left alone
    };
    for (const Case& c : cases) {
        double s = c.start, e = c.end;
        NarrowSelectionByKey(&s, &e, 5.0, c.right);
        EXPECT_DOUBLE_EQ(s, c.newStart) << c.start << "-" << c.end << " " << c.right;
        EXPECT_DOUBLE_EQ(e, c.newEnd) << c.start << "-" << c.end << " " << c.right;
    }
}

TEST(DisplayModesAutoscale, RangesFillThreeQuartersOfTheirShare) {
    struct Case {
        double range, divisions;
        int32_t bands;
        double perDiv;
    } cases[] = {
        {3.0, 4.0, 1, 1.0},                       // 3.0 / 0.75 / 4
        {3.0, 4.0, 3, 3.0},                       // a third of the height
        {0.0, 4.0, 1, 1.0},                       // flat channel
        {6.0, 8.0, 1, 1.0},  {3.0, 0.0, 1, 1.0},  // no divisions: the flat default
        {kNaN, 4.0, 1, 1.0}, {kInf, 4.0, 1, 1.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(AutoScalePerDiv(c.range, c.divisions, c.bands), c.perDiv) << c.range << " " << c.divisions;

    struct Locked {
        double range, perDiv, divisions;
        int32_t bands;
        double result;
    } locked[] = {
        {3.0, 1.0, 4.0, 1, 4.0},  // units per division stay: 4 divisions of 1
        {6.0, 1.0, 4.0, 1, 8.0}, {0.0, 1.0, 4.0, 1, 4.0}, {3.0, -1.0, 4.0, 1, 4.0},  // absolute value
        {3.0, 0.0, 4.0, 1, 4.0},
    };
    for (const Locked& c : locked)
        EXPECT_DOUBLE_EQ(AutoScaleLockedDivisions(c.range, c.perDiv, c.divisions, c.bands), c.result) << c.range;
}

TEST(DisplayModesAutoscale, MinMaxSkipsValuesThatAreNotFinite) {
    const double mixed[] = {kNaN, 2.0, -1.0, kInf, 3.0, -kInf};
    double lo = 9, hi = 9;
    EXPECT_EQ(FiniteMinMax(mixed, 6, &lo, &hi), 1);
    EXPECT_EQ(lo, -1.0);
    EXPECT_EQ(hi, 3.0);
    const double none[] = {kNaN, kInf};
    EXPECT_EQ(FiniteMinMax(none, 2, &lo, &hi), 0);
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 0.0);
    EXPECT_EQ(FiniteMinMax(nullptr, 0, &lo, &hi), 0);
}

TEST(DisplayModesAutoscale, VisibleSampleSpan) {
    struct Case {
        double hStart, visible, interval;
        uint32_t count;
        int ok;
        uint32_t first, last;
    } cases[] = {
        {0.0, 100.0, 5.0, 1000, 1, 0, 20},
        {50.0, 100.0, 5.0, 1000, 1, 10, 30},
        {4900.0, 1000.0, 5.0, 1000, 1, 980, 999},  // the view runs past the data
        {6000.0, 1000.0, 5.0, 1000, 1, 0, 999},    // data end before the view: the whole channel
        {0.0, 100.0, 5.0, 1, 1, 0, 0},             // one sample
        {0.0, 100.0, 5.0, 0, 0, 0, 0},             // no samples
        {0.0, 100.0, 0.0, 10, 0, 0, 0},            // no sample interval
        {kNaN, 100.0, 5.0, 10, 1, 0, 9},
        {-100.0, 50.0, 5.0, 10, 1, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t first = 77, last = 77;
        EXPECT_EQ(VisibleSampleSpan(c.hStart, c.visible, c.interval, c.count, &first, &last), c.ok) << c.hStart;
        EXPECT_EQ(first, c.first) << c.hStart << " " << c.count;
        EXPECT_EQ(last, c.last) << c.hStart << " " << c.count;
    }
}

// The frame's side of a display change, as the notification table carries it; nothing of the
// shell is linked here.
std::vector<std::string> g_told;
std::vector<tagGS*> g_toldAbout;  // the graph of each entry that takes one

void RecordToolbar() { g_told.push_back("toolbar"); }
void RecordToolButtons(tagGS* gs) {
    g_told.push_back("tool buttons");
    g_toldAbout.push_back(gs);
}
// The Edit menu alone: the graph's other menus and the toolbar's scale and peak buttons stay.
void RecordEditMenu(tagGS* gs, int shown) {
    g_told.push_back(shown ? "edit menu, shown" : "edit menu, none shown");
    g_toldAbout.push_back(gs);
}
void RecordGraphEditMenus(tagGS*) { g_told.push_back("graph edit menus"); }

TEST(DisplayModesNotify, AModeChangeTellsTheFrameThroughTheTable) {
    struct Case {
        int16_t mode;
        uint32_t flags;  // of slot 3, the only one in use
        std::vector<std::string> told;
    } cases[] = {
        {kModeScope, 2, {"toolbar", "tool buttons", "edit menu, shown"}},
        {kModeXY, 3, {"toolbar", "tool buttons", "edit menu, shown"}},
        {kModeChart, 2 | kChanHidden, {"toolbar", "edit menu, none shown"}},  // no channel shown: the tool buttons stay
        {kModeScope, 0, {"toolbar", "edit menu, none shown"}},
        {3, 2, {}},  // no such mode: nothing changes, nobody is told
    };
    const stStatusMenuCalls saved = g_statusMenuCalls;
    for (const Case& c : cases) {
        auto gs = std::make_unique<tagGS>();
        std::memset(gs.get(), 0, sizeof(tagGS));
        gs->chanFlags[3] = c.flags;
        gs->displayMode = kModeChart;
        g_statusMenuCalls = kNoStatusMenuCalls;
        g_statusMenuCalls.updateGraphToolbar = RecordToolbar;
        g_statusMenuCalls.enableGraphToolButtons = RecordToolButtons;
        g_statusMenuCalls.updateEditMenu = RecordEditMenu;
        g_statusMenuCalls.updateGraphEditMenus = RecordGraphEditMenus;
        g_told.clear();
        g_toldAbout.clear();
        SetDisplayMode(gs.get(), c.mode);
        EXPECT_EQ(g_told, c.told) << c.mode << " " << c.flags;
        for (tagGS* about : g_toldAbout) EXPECT_EQ(about, gs.get());
        if (!c.told.empty()) {
            EXPECT_EQ(gs->displayMode, static_cast<uint32_t>(c.mode));
            EXPECT_EQ(gs->modified, 1u);
        }
    }
    // A table that does nothing: the change is made all the same.
    g_statusMenuCalls = kNoStatusMenuCalls;
    auto gs = std::make_unique<tagGS>();
    std::memset(gs.get(), 0, sizeof(tagGS));
    gs->chanFlags[0] = 2;
    SetDisplayMode(gs.get(), kModeXY);
    EXPECT_EQ(gs->displayMode, kModeXY);
    EXPECT_EQ(gs->modified, 1u);
    g_statusMenuCalls = saved;
}

TEST(DisplayModesAutoscale, SegmentStartTime) {
    EXPECT_DOUBLE_EQ(SegmentStartTime(0, 5.0), 0.0);
    EXPECT_DOUBLE_EQ(SegmentStartTime(1, 5.0), 0.0);
    EXPECT_DOUBLE_EQ(SegmentStartTime(201, 5.0), 1000.0);
}

}  // namespace
