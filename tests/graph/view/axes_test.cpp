// Axes, scales and labels: tick placement and label texts as tables, then drawing into a 32-bpp
// bitmap with the test's own 8-point Arial fonts (no anti-aliasing, so ink has exact colours).
#include "graph/view/axes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "controls/tests/render_test_support.h"
#include "common/tagGS.h"
#include "graph/view/axis_units.h"
#include "base/app.h"
#include "controls/button_grid.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kStrip = RGB(200, 208, 212);

// ---- Pure placement ----

TEST(AxesGridValue, FirstGridValueAtOrAboveLowest) {
    struct Row {
        double origin, perDiv, lowest;
        int ok;
        double expected;
    };
    const Row rows[] = {
        {0.0, 1.0, -2.0, 1, -2.0},
        {0.0, 1.0, -2.5, 1, -2.0},
        {0.5, 1.0, -2.0, 1, -1.5},
        {0.25, 0.5, -1.1, 1, -0.75},
        {0.0, 1000.0, 2500.0, 1, 3000.0},  // the first grid time after 2500 ms
        {0.0, 1000.0, 3000.0, 1, 3000.0},  // a grid value on the edge is kept
        {-7.0, 2.0, 10.2, 1, 11.0},
        {1e12, 1.0, 3.2, 1, 4.0},  // a far origin is closed in one jump, not 1e12 steps
        {0.0, 1.0, 4294967295.5, 1, 4294967296.0},
        {0.0, 1.0, 4294967296.0, 0, 0.0},  // more than 4294967295 divisions from 0
        {0.0, 1.0, -5e9, 0, 0.0},
        {0.0, 0.0, 1.0, 0, 0.0},
        {0.0, -1.0, 1.0, 0, 0.0},
        {kNaN, 1.0, 1.0, 0, 0.0},
        {0.0, kNaN, 1.0, 0, 0.0},
        {0.0, 1.0, kInf, 0, 0.0},
        {0.0, kInf, 1.0, 0, 0.0},
    };
    for (const Row& row : rows) {
        double g = -12345.0;
        int ok = FirstGridValue(row.origin, row.perDiv, row.lowest, &g);
        EXPECT_EQ(ok, row.ok) << row.origin << " " << row.perDiv << " " << row.lowest;
        if (ok && row.ok) {
            EXPECT_DOUBLE_EQ(g, row.expected) << row.origin << " " << row.perDiv << " " << row.lowest;
        }
    }
    // An origin beyond double precision of its grid still ends within one division of lowest.
    double g = 0.0;
    ASSERT_EQ(FirstGridValue(1e300, 1.0, 3.2, &g), 1);
    EXPECT_GE(g, 3.2);
    EXPECT_LT(g, 4.2 + 1e-9);
}

TEST(AxesSteps, DoubledUntilSpacedAndGivenUpWhenUnreachable) {
    struct Row {
        double value, pixel, minSpacing;
        int ok;
        double outValue, outPixel;
    };
    const Row rows[] = {
        {1.0, 50.0, 19.5, 1, 1.0, 50.0},  {1.0, 7.5, 19.5, 1, 4.0, 30.0},  // 4 divisions over 30 pixels, 13-pixel lines
        {0.5, 10.0, 20.0, 1, 1.0, 20.0},                                   // exactly the spacing is enough
        {2.0, 1e-300, 20.0, 0, 0.0, 0.0},                                  // more than 64 doublings
        {1.0, 0.0, 20.0, 0, 0.0, 0.0},    {1.0, -5.0, 20.0, 0, 0.0, 0.0},  {1.0, kNaN, 20.0, 0, 0.0, 0.0},
        {1.0, 10.0, kNaN, 0, 0.0, 0.0},   {1e308, 1.0, 20.0, 0, 0.0, 0.0},  // the value step overflows
    };
    for (const Row& row : rows) {
        double v = 0.0, p = 0.0;
        int ok = SpaceAxisSteps(row.value, row.pixel, row.minSpacing, &v, &p);
        EXPECT_EQ(ok, row.ok) << row.value << " " << row.pixel << " " << row.minSpacing;
        if (ok && row.ok) {
            EXPECT_EQ(v, row.outValue);
            EXPECT_EQ(p, row.outPixel);
        }
    }
}

TEST(AxesVerticalTicks, LabelsFromTheLowestGridValueUpwards) {
    struct Row {
        const char* name;
        double center, perDiv, divisions, origin;
        int32_t top, bottom, cyText;
        int ok;
        stAxisTicks expected;
    };
    const Row rows[] = {
        {"every division", 0.0, 1.0, 4.0, 0.0, 0, 200, 13, 1, {-2.0, 200.0, 1.0, 50.0, 5}},
        {"30 pixels", 0.0, 1.0, 4.0, 0.0, 0, 30, 13, 1, {-2.0, 30.0, 4.0, 30.0, 2}},
        {"offset grid", 0.0, 1.0, 4.0, 0.5, 0, 200, 13, 1, {-1.5, 175.0, 1.0, 50.0, 4}},
        {"moved centre", 10.0, 2.0, 5.0, 0.0, 20, 120, 13, 1, {6.0, 110.0, 2.0, 20.0, 5}},
        {"grid value above the strip", 0.0, 8.0, 0.25, 3.0, 100, 140, 13, 1, {3.0, 60.0, 8.0, 160.0, 1}},
        {"tall text line", 0.0, 1.0, 4.0, 0.0, 100, 140, 30, 1, {-2.0, 140.0, 8.0, 80.0, 1}},
        {"far from zero", 1e10, 1.0, 4.0, 0.0, 0, 200, 13, 0, {}},
        {"zero height", 0.0, 1.0, 4.0, 0.0, 50, 50, 13, 0, {}},
        {"negative height", 0.0, 1.0, 4.0, 0.0, 50, 20, 13, 0, {}},
        {"zero value step", 0.0, 0.0, 4.0, 0.0, 0, 200, 13, 0, {}},
        {"negative value step", 0.0, -1.0, 4.0, 0.0, 0, 200, 13, 0, {}},
        {"zero divisions", 0.0, 1.0, 0.0, 0.0, 0, 200, 13, 0, {}},
        {"centre not a number", kNaN, 1.0, 4.0, 0.0, 0, 200, 13, 0, {}},
        {"span overflows", 0.0, 1e308, 4.0, 0.0, 0, 200, 13, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stAxisTicks t{};
        int ok = ComputeVerticalTicks(row.center, row.perDiv, row.divisions, row.origin, row.top, row.bottom,
                                      row.cyText, &t);
        ASSERT_EQ(ok, row.ok);
        if (!ok) continue;
        EXPECT_DOUBLE_EQ(t.firstValue, row.expected.firstValue);
        EXPECT_DOUBLE_EQ(t.firstPos, row.expected.firstPos);
        EXPECT_DOUBLE_EQ(t.valueStep, row.expected.valueStep);
        EXPECT_DOUBLE_EQ(t.pixelStep, row.expected.pixelStep);
        EXPECT_EQ(t.count, row.expected.count);
    }
    // A tiny text line over a tall strip still draws a bounded number of labels.
    stAxisTicks t{};
    ASSERT_EQ(ComputeVerticalTicks(0.0, 1e-6, 1e6, 0.0, 0, 1000000, 0, &t), 1);
    EXPECT_EQ(t.count, kMaxAxisLabels);
}

TEST(AxesVerticalTicks, LabelTopsStayInsideTheStrip) {
    struct Row {
        double y;
        int32_t expected;
    };
    // Strip 20..220 with a 13-pixel line: half a line is 6 pixels.
    const Row rows[] = {
        {220.0, 207}, {214.5, 207}, {214.0, 208}, {170.0, 164}, {120.9, 114}, {26.5, 20},
        {26.0, 20},   {20.0, 20},   {-1.0, 20},   {kNaN, 20},   {1e12, 207},
    };
    for (const Row& row : rows) EXPECT_EQ(ScaleLabelTop(row.y, 20, 220, 13), row.expected) << row.y;
}

stTimeAxisInput TimeAxis(double start, double perDiv, double origin, double offset, double unit, double spacing) {
    stTimeAxisInput in{};
    in.start = start;
    in.perDiv = perDiv;
    in.divisions = 4.0;
    in.gridOrigin = origin;
    in.offset = offset;
    in.unitSize = unit;
    in.axisLeft = 49;
    in.axisRight = 450;
    in.plotLeft = 50;
    in.plotWidth = 400;
    in.minSpacing = spacing;
    return in;
}

TEST(AxesTimeTicks, ColumnsAndValuesOfTheTimeAxis) {
    struct Row {
        const char* name;
        stTimeAxisInput in;
        int ok;
        stAxisTicks expected;
    };
    const Row rows[] = {
        {"seconds from 0", TimeAxis(0.0, 1000.0, 0.0, 0.0, 1000.0, 35.0), 1, {0.0, 50.0, 1.0, 100.25, 4}},
        {"first grid time after the start",
         TimeAxis(2500.0, 1000.0, 0.0, 0.0, 1000.0, 35.0),
         1,
         {3.0, 100.0, 1.0, 100.25, 4}},
        {"offset added to the values",
         TimeAxis(2500.0, 1000.0, 0.0, 500.0, 1000.0, 35.0),
         1,
         {3.5, 100.0, 1.0, 100.25, 4}},
        {"steps doubled for spacing", TimeAxis(0.0, 1000.0, 0.0, 0.0, 1000.0, 150.0), 1, {0.0, 50.0, 2.0, 200.5, 2}},
        {"milliseconds", TimeAxis(0.0, 20.0, 5.0, 0.0, 1.0, 35.0), 1, {5.0, 75.0, 20.0, 100.25, 4}},
        {"no time step", TimeAxis(0.0, 0.0, 0.0, 0.0, 1000.0, 35.0), 0, {}},
        {"no unit size", TimeAxis(0.0, 1000.0, 0.0, 0.0, 0.0, 35.0), 0, {}},
        {"start far from zero", TimeAxis(1e15, 1.0, 0.0, 0.0, 1000.0, 35.0), 0, {}},
        {"start not a number", TimeAxis(kNaN, 1000.0, 0.0, 0.0, 1000.0, 35.0), 0, {}},
        {"offset not a number", TimeAxis(0.0, 1000.0, 0.0, kNaN, 1000.0, 35.0), 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stAxisTicks t{};
        int ok = ComputeTimeAxisTicks(&row.in, &t);
        ASSERT_EQ(ok, row.ok);
        if (!ok) continue;
        EXPECT_DOUBLE_EQ(t.firstValue, row.expected.firstValue);
        EXPECT_DOUBLE_EQ(t.firstPos, row.expected.firstPos);
        EXPECT_DOUBLE_EQ(t.valueStep, row.expected.valueStep);
        EXPECT_DOUBLE_EQ(t.pixelStep, row.expected.pixelStep);
        EXPECT_EQ(t.count, row.expected.count);
    }
    // A zero-width strip and a first grid time past the visible span draw nothing.
    stTimeAxisInput narrow = TimeAxis(0.0, 1000.0, 0.0, 0.0, 1000.0, 35.0);
    narrow.axisRight = narrow.axisLeft;
    stAxisTicks t{};
    EXPECT_EQ(ComputeTimeAxisTicks(&narrow, &t), 0);
    stTimeAxisInput past = TimeAxis(0.0, 10.0, 0.5, 0.0, 1.0, 35.0);
    past.divisions = 0.01;
    EXPECT_EQ(ComputeTimeAxisTicks(&past, &t), 0);
}

TEST(AxesXChannelTicks, ValuesOfTheXChannelAcrossThePlot) {
    stAxisTicks t{};
    // Values -2..2 over 400 pixels: labels at -2, -1, 0, 1.
    ASSERT_EQ(ComputeXChannelTicks(0.0, 1.0, 4.0, 0.0, 49, 450, 50, 400, 35.0, &t), 1);
    EXPECT_DOUBLE_EQ(t.firstValue, -2.0);
    EXPECT_DOUBLE_EQ(t.firstPos, 50.0);
    EXPECT_DOUBLE_EQ(t.valueStep, 1.0);
    EXPECT_EQ(t.count, 4);
    // A grid through 0.25, centre 3: first value 1.25 at a quarter division in.
    ASSERT_EQ(ComputeXChannelTicks(3.0, 1.0, 4.0, 0.25, 49, 450, 50, 400, 35.0, &t), 1);
    EXPECT_DOUBLE_EQ(t.firstValue, 1.25);
    EXPECT_DOUBLE_EQ(t.firstPos, 75.0);
    EXPECT_EQ(ComputeXChannelTicks(0.0, 0.0, 4.0, 0.0, 49, 450, 50, 400, 35.0, &t), 0);
    EXPECT_EQ(ComputeXChannelTicks(0.0, 1.0, 4.0, 0.0, 450, 450, 50, 400, 35.0, &t), 0);
    EXPECT_EQ(ComputeXChannelTicks(1e12, 1.0, 4.0, 0.0, 49, 450, 50, 400, 35.0, &t), 0);
}

TEST(AxesLabels, CentresPushedInwardsAndTexts) {
    struct Centre {
        double column;
        int32_t half, expected;
    };
    const Centre centres[] = {
        {49.0, 8, 57},   {57.0, 8, 57},   {57.5, 8, 57},   {150.7, 8, 150},
        {442.5, 8, 442}, {442.0, 8, 442}, {445.0, 8, 442}, {kNaN, 8, 0},
    };
    for (const Centre& c : centres) EXPECT_EQ(AxisLabelCentre(c.column, c.half, 49, 450), c.expected) << c.column;

    struct Text {
        double value;
        int clock;
        int16_t decimals;
        const char* expected;
    };
    const Text texts[] = {
        {2.5, 0, 2, "2.50"},          {-1.0, 0, 1, "-1.0"},       {3725.9, 1, 2, "01:02:05  "},
        {-61.0, 1, 2, "-00:01:01  "}, {kNaN, 1, 2, "00:00:00  "}, {1e20, 1, 2, "596523:14:07  "},
    };
    for (const Text& t : texts) {
        char buffer[kAxisNumberLen];
        FormatAxisLabel(buffer, t.value, t.clock, t.decimals);
        EXPECT_STREQ(buffer, t.expected) << t.value;
    }
}

TEST(AxesRangeBar, BarRowsOnTheChannelScale) {
    const RECT strip = {100, 0, 183, 200};
    struct Row {
        const char* name;
        double range, center, perDiv, divisions, offset;
        int fixed, ok;
        RECT expected;
    };
    const Row rows[] = {
        {"0 to 5 on a 5-per-division scale", 0.0, 0.0, 5.0, 4.0, 0.0, 1, 1, {100, 50, 183, 100}},
        {"0 to 5 clamped to the strip", 0.0, 0.0, 1.0, 4.0, 0.0, 1, 1, {100, 0, 183, 100}},
        {"0 to 5 below the strip", 0.0, 20.0, 1.0, 4.0, 0.0, 1, 1, {100, 850, 183, 850}},
        {"range around zero", 1.0, 0.0, 1.0, 4.0, 0.0, 0, 1, {100, 50, 183, 151}},
        {"range with scaling offset", 1.0, 0.0, 1.0, 4.0, 0.5, 0, 1, {100, 75, 183, 176}},
        {"range with moved centre", 1.0, 1.0, 1.0, 4.0, 0.0, 0, 1, {100, 100, 183, 200}},
        {"huge range", 1e300, 0.0, 1.0, 4.0, 0.0, 0, 1, {100, 0, 183, 200}},
        {"negative range gives an empty bar", -5.0, 0.0, 1.0, 4.0, 0.0, 0, 1, {100, 350, 183, 350}},
        {"zero value step", 1.0, 0.0, 0.0, 4.0, 0.0, 0, 0, {}},
        {"zero divisions", 1.0, 0.0, 1.0, 0.0, 0.0, 1, 0, {}},
        {"range not a number", kNaN, 0.0, 1.0, 4.0, 0.0, 0, 0, {}},
        {"offset not a number", 1.0, 0.0, 1.0, 4.0, kNaN, 0, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RECT r{-1, -1, -1, -1};
        int ok =
            ComputeRangeBarRect(row.range, &strip, row.center, row.perDiv, row.divisions, row.offset, row.fixed, &r);
        ASSERT_EQ(ok, row.ok);
        if (!ok) continue;
        EXPECT_EQ(r.left, row.expected.left);
        EXPECT_EQ(r.top, row.expected.top);
        EXPECT_EQ(r.right, row.expected.right);
        EXPECT_EQ(r.bottom, row.expected.bottom);
    }
    const RECT flat = {100, 50, 183, 50};
    RECT r{};
    EXPECT_EQ(ComputeRangeBarRect(1.0, &flat, 0.0, 1.0, 4.0, 0.0, 0, &r), 0);
}

// ---- Drawing ----

struct FontDeleter {
    void operator()(HFONT f) const { DeleteObject(f); }
};
using FontPtr = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

FontPtr MakeFont(int escapement) {
    return FontPtr(CreateFontA(-11, 0, escapement, escapement, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
}

// A 500 x 300 white bitmap, an application record with the test's fonts and strip brush, and a
// zeroed graph whose slot 1 is shown and selected.
class AxesDraw : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(surface_.Ok());
        saved_ = g_app;
        app_.reset(static_cast<stApp*>(operator new(sizeof(stApp))));
        memset(app_.get(), 0, sizeof(stApp));
        g_app = app_.get();
        text_ = MakeFont(0);
        vertical_ = MakeFont(900);
        brush_ = CreateSolidBrush(kStrip);
        ASSERT_TRUE(text_ && vertical_ && brush_);
        g_app->fonts.hfontText = g_app->fonts.hfontAxis = text_.get();
        g_app->fonts.hfontVertical = vertical_.get();
        g_app->brushes.hbrToolbar = brush_;
        TEXTMETRICA tm{};
        HGDIOBJ old = SelectObject(surface_.Dc(), text_.get());
        GetTextMetricsA(surface_.Dc(), &tm);
        SelectObject(surface_.Dc(), old);
        g_app->fonts.cyText = g_app->fonts.cyVertical = tm.tmHeight;
        g_app->fonts.cxText = tm.tmAveCharWidth;
        ASSERT_GT(tm.tmHeight, 8);
        gs_.reset(new tagGS);
        memset(gs_.get(), 0, sizeof(tagGS));
        gs_->displayMode = kModeChart;
        gs_->selectedChan = 1;
        gs_->chanFlags[1] = 2;
        SetVScaleShown(gs_.get(), true);
        SetHScaleShown(gs_.get(), true);
        gs_->chanVPerDiv[1] = 1.0;
        gs_->chanVDivisions[1] = 4.0;
        gs_->chanDecimals[1] = 1;
        strcpy(gs_->chanUnits[1], "volts");
        strcpy(gs_->chanLabel[1], "CH1 Input");
    }
    void TearDown() override {
        g_app = saved_;
        if (brush_) DeleteObject(brush_);
    }

    struct AppDeleter {
        void operator()(stApp* app) const { operator delete(app); }
    };
    // Pixels of a colour inside [x0, x1) x [y0, y1).
    int Count(int x0, int y0, int x1, int y1, COLORREF color) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += surface_.At(x, y) == color;
        return n;
    }
    // Pixels inside the box that are neither white nor the strip colour.
    int Ink(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                COLORREF c = surface_.At(x, y);
                n += c != kWhite && c != kStrip && c != 0xFFFFFFFF;
            }
        return n;
    }
    // Leftmost and rightmost inked columns of a box; -1 when none.
    void InkColumns(int x0, int y0, int x1, int y1, int* first, int* last) const {
        *first = *last = -1;
        for (int x = x0; x < x1; ++x)
            if (Ink(x, y0, x + 1, y1)) {
                if (*first < 0) *first = x;
                *last = x;
            }
    }
    // Width of the ink of a text in the test font, drawn on a scratch bitmap.
    int InkWidth(const char* text) const {
        CDibSurface scratch(200, 40);
        HGDIOBJ old = SelectObject(scratch.Dc(), text_.get());
        SetBkMode(scratch.Dc(), TRANSPARENT);
        TextOutA(scratch.Dc(), 10, 5, text, static_cast<int>(strlen(text)));
        SelectObject(scratch.Dc(), old);
        int first = -1, last = -1;
        for (int x = 0; x < scratch.Width(); ++x)
            for (int y = 0; y < scratch.Height(); ++y)
                if (scratch.At(x, y) != kWhite) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
        return first < 0 ? 0 : last - first + 1;
    }

    CDibSurface surface_{500, 300};
    stApp* saved_ = nullptr;
    std::unique_ptr<stApp, AppDeleter> app_;
    FontPtr text_, vertical_;
    HBRUSH brush_ = nullptr;
    std::unique_ptr<tagGS> gs_;
};

TEST_F(AxesDraw, VerticalScaleLabelsStandOnTheirRows) {
    const RECT strip = {300, 20, 383, 220};
    gs_->chanScaleRects[1] = strip;
    DrawVerticalScale(surface_.Dc(), gs_.get(), 1);
    const int cy = g_app->fonts.cyText;
    // The strip is filled; nothing outside it changes.
    EXPECT_EQ(surface_.At(303, 100), kStrip);
    EXPECT_EQ(Count(0, 0, 500, 300, kWhite), 500 * 300 - 83 * 200);
    // Labels -2.0 .. 2.0 every 50 rows, the end ones kept inside; black ink in each band only.
    const int tops[] = {220 - cy, 170 - cy / 2, 120 - cy / 2, 70 - cy / 2, 20};
    int previousTop = 220;
    for (int top : tops) {
        SCOPED_TRACE(top);
        EXPECT_GT(Count(310, top, 360, top + cy, kBlack), 5);
        int gapTop = top + cy, gapBottom = previousTop;
        if (gapBottom > gapTop) {
            EXPECT_EQ(Ink(305, gapTop, 360, gapBottom), 0);
        }
        previousTop = top;
    }
    // The lowest label starts at the strip's left edge + 10.
    int first = 0, last = 0;
    InkColumns(300, 220 - cy, 370, 220, &first, &last);
    EXPECT_GE(first, 310);
    EXPECT_LE(first, 312);
    // Units turned upright in the last text-line column, around the strip's middle.
    EXPECT_GT(Count(383 - cy, 95, 383, 145, kBlack), 10);
    EXPECT_EQ(Count(383 - cy, 20, 383, 80, kBlack), 0);
}

TEST_F(AxesDraw, VerticalScaleSkipsWhatItCannotDraw) {
    struct Case {
        const char* name;
        RECT strip;
        double center;
        uint32_t shown;
        uint32_t flags;
        int expectFill;
    };
    const Case cases[] = {
        {"zero height", {300, 50, 383, 50}, 0.0, 1, 2, 0},
        {"negative height", {300, 80, 383, 50}, 0.0, 1, 2, 0},
        {"scales hidden", {300, 20, 383, 220}, 0.0, 0, 2, 0},
        {"slot not shown", {300, 20, 383, 220}, 0.0, 1, 1, 0},
        {"slot hidden", {300, 20, 383, 220}, 0.0, 1, 2 | kChanHidden, 0},
        {"too far from zero", {300, 20, 383, 220}, 1e10, 1, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
        gs_->chanScaleRects[1] = c.strip;
        gs_->chanVCenter[1] = c.center;
        SetVScaleShown(gs_.get(), c.shown);
        gs_->chanFlags[1] = c.flags;
        DrawVerticalScale(surface_.Dc(), gs_.get(), 1);
        if (c.expectFill) {
            // Filled, but neither numbers nor units.
            EXPECT_EQ(Count(300, 20, 383, 220, kStrip), 83 * 200);
        } else {
            EXPECT_EQ(surface_.CountNotWhite(), 0);
        }
    }
    // Slots outside the table are refused.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    DrawVerticalScale(surface_.Dc(), gs_.get(), -1);
    DrawVerticalScale(surface_.Dc(), gs_.get(), kMaxChannels);
    EXPECT_EQ(surface_.CountNotWhite(), 0);
}

TEST_F(AxesDraw, TimeAxisNumbersCentredOnTheirColumns) {
    gs_->plotRect = {50, 10, 450, 229};
    gs_->hAxisRect = {49, 230, 450, 230 + g_app->fonts.cyText};
    gs_->hPerDiv = 1000.0;
    gs_->hDivisions = 4.0;
    gs_->viewFlags0 = 1;
    DrawTimeAxis(surface_.Dc(), gs_.get());
    const int top = 230, bottom = 230 + g_app->fonts.cyText;
    // The strip is filled from 5 pixels left of the axis rectangle.
    EXPECT_EQ(surface_.At(44, top + 1), kStrip);
    EXPECT_EQ(surface_.At(43, top + 1), kWhite);
    // "0.0" pushed inside the strip, "1.0" .. "3.0" centred on columns 150, 250, 350.
    int first = 0, last = 0;
    InkColumns(40, top, 100, bottom, &first, &last);
    EXPECT_GE(first, 49);
    EXPECT_LE(first, 51);
    const int w = InkWidth("1.0");
    for (int column : {150, 250, 350}) {
        SCOPED_TRACE(column);
        InkColumns(column - 30, top, column + 30, bottom, &first, &last);
        ASSERT_GE(first, 0);
        EXPECT_NEAR((first + last) / 2.0, column, 2.0);
        EXPECT_NEAR(last - first + 1, w, 1);
    }
    // Nothing between the labels nor at the right edge (4.0 would stand on the edge).
    EXPECT_EQ(Ink(170, top, 230, bottom), 0);
    EXPECT_EQ(Ink(370, top, 450, bottom), 0);
}

TEST_F(AxesDraw, ClockTimeAndXYAxesAndHiddenAxis) {
    gs_->plotRect = {50, 10, 450, 229};
    gs_->hAxisRect = {49, 230, 450, 230 + g_app->fonts.cyText};
    gs_->hPerDiv = 1000.0;
    gs_->hDivisions = 4.0;
    gs_->viewFlags0 = 1;
    const int top = 230, bottom = 230 + g_app->fonts.cyText;
    int first = 0, last = 0;

    // Clock time: "00:00:02" centred on column 250.
    gs_->hUnitKind = kHUnitClock;
    DrawTimeAxis(surface_.Dc(), gs_.get());
    InkColumns(200, top, 300, bottom, &first, &last);
    ASSERT_GE(first, 0);
    EXPECT_NEAR(last - first + 1, InkWidth("00:00:02"), 1);

    // XY mode: the X channel's values -2 .. 1 (slot 2, 0.1 per division with 2 decimals).
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    gs_->hUnitKind = kHUnitTime;
    gs_->displayMode = kModeXY;
    gs_->xyXChan = 2;
    gs_->chanVPerDiv[2] = 0.1;
    gs_->chanVDivisions[2] = 4.0;
    gs_->viewFlags0 = 2;
    DrawTimeAxis(surface_.Dc(), gs_.get());
    InkColumns(200, top, 300, bottom, &first, &last);
    ASSERT_GE(first, 0);
    EXPECT_NEAR(last - first + 1, InkWidth("0.00"), 1);
    EXPECT_NEAR((first + last) / 2.0, 250, 2.0);

    // XY without an X channel: the strip is filled and stays empty.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    gs_->xyXChan = 0xFFFFFFFF;
    DrawTimeAxis(surface_.Dc(), gs_.get());
    EXPECT_EQ(Count(44, top, 450, bottom, kStrip), 406 * (bottom - top));

    // Axis hidden: nothing at all.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    gs_->displayMode = kModeChart;
    SetHScaleShown(gs_.get(), false);
    DrawTimeAxis(surface_.Dc(), gs_.get());
    EXPECT_EQ(surface_.CountNotWhite(), 0);

    // Bad horizontal scales fill the strip and draw no numbers.
    const double perDivs[] = {0.0, -1000.0, kNaN, kInf};
    SetHScaleShown(gs_.get(), true);
    for (double perDiv : perDivs) {
        SCOPED_TRACE(perDiv);
        PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
        gs_->hPerDiv = perDiv;
        DrawTimeAxis(surface_.Dc(), gs_.get());
        EXPECT_EQ(Ink(0, 0, 500, 300), 0);
        EXPECT_EQ(surface_.At(250, top + 1), kStrip);
    }
}

TEST_F(AxesDraw, LabelBoxesFilledFramedAndLabelled) {
    const RECT other = {0, 20, 20, 120};
    const RECT selected = {0, 130, 20, 230};
    gs_->chanFlags[2] = 2;
    gs_->chanColor[2] = RGB(0, 0, 255);
    strcpy(gs_->chanLabel[2], "Channel 2");
    gs_->chanLabelRects[2] = other;
    gs_->chanLabelRects[1] = selected;
    DrawChannelLabels(surface_.Dc(), gs_.get());

    // Frame: above the box, down its right edge, along its bottom.
    EXPECT_EQ(Count(0, 19, 19, 20, kBlack), 19);
    EXPECT_EQ(Count(19, 19, 20, 120, kBlack), 101);
    EXPECT_EQ(Count(0, 120, 20, 121, kBlack), 20);
    // The other slot: strip colour with its label in the channel colour.
    EXPECT_EQ(surface_.At(2, 25), kStrip);
    EXPECT_GT(Count(0, 20, 19, 120, RGB(0, 0, 255)), 10);
    // The selected slot: caption colour with its label in the opposite colour.
    COLORREF caption = GetSysColor(COLOR_ACTIVECAPTION);
    EXPECT_EQ(surface_.At(2, 135), caption);
    EXPECT_GT(Count(0, 130, 19, 230, 0xFFFFFF - caption), 10);

    // Scope mode: only the selected slot's box.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    gs_->displayMode = kModeScope;
    DrawChannelLabels(surface_.Dc(), gs_.get());
    EXPECT_EQ(Ink(0, 0, 25, 125), 0);
    EXPECT_EQ(surface_.At(2, 135), caption);

    // No selected channel: nothing.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    gs_->selectedChan = kMaxChannels;
    DrawChannelLabels(surface_.Dc(), gs_.get());
    EXPECT_EQ(surface_.CountNotWhite(), 0);
}

TEST_F(AxesDraw, XLabelBoxFramedAroundItsRectangle) {
    gs_->displayMode = kModeXY;
    gs_->xyXChan = 1;
    gs_->xLabelRect = {50, 5, 450, 5 + g_app->fonts.cyText};
    const int bottom = 5 + g_app->fonts.cyText;
    DrawXLabelBox(surface_.Dc(), gs_.get());
    EXPECT_EQ(Count(49, 4, 451, 5, kBlack), 402);
    EXPECT_EQ(Count(49, bottom, 451, bottom + 1, kBlack), 402);
    EXPECT_EQ(surface_.At(49, 10), kBlack);
    EXPECT_EQ(surface_.At(450, 10), kBlack);
    EXPECT_EQ(surface_.At(52, 7), kStrip);
    int first = 0, last = 0;
    InkColumns(50, 5, 450, bottom, &first, &last);
    ASSERT_GE(first, 0);
    EXPECT_NEAR((first + last) / 2.0, 250, 2.0);
    EXPECT_NEAR(last - first + 1, InkWidth("CH1 Input"), 1);
}

TEST_F(AxesDraw, RangeBarAtTheStripsLeftEdge) {
    const RECT strip = {300, 0, 383, 200};
    gs_->chanFlags[25] = 2;
    gs_->chanScaleRects[25] = strip;
    gs_->chanVPerDiv[25] = 5.0;
    gs_->chanVDivisions[25] = 4.0;
    gs_->chanHasScaling[25] = 1;
    DrawRangeBar(surface_.Dc(), gs_.get(), 25);
    // Values 5 down to 0 on a -10..10 scale: rows 50 to 99, five columns wide.
    EXPECT_EQ(Count(300, 50, 305, 100, kRangeBarColor), 5 * 50);
    EXPECT_EQ(surface_.CountNotWhite(), 5 * 50);

    struct Case {
        const char* name;
        uint32_t mode, scaling;
        int slot;
    };
    const Case cases[] = {
        {"XY mode", kModeXY, 1, 25},           {"no scaling", kModeChart, 0, 25},
        {"scaling flag 2", kModeChart, 2, 25}, {"slot without flag", kModeChart, 1, 45},
        {"bad slot", kModeChart, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
        gs_->displayMode = c.mode;
        gs_->chanHasScaling[25] = c.scaling;
        gs_->chanScaleRects[45] = strip;
        gs_->chanVPerDiv[45] = 5.0;
        gs_->chanVDivisions[45] = 4.0;
        DrawRangeBar(surface_.Dc(), gs_.get(), c.slot);
        EXPECT_EQ(surface_.CountNotWhite(), 0);
    }
}

TEST_F(AxesDraw, ChartScalesDrawEveryShownStripWithEdgesAndBars) {
    gs_->chanFlags[3] = 2;
    gs_->chanFlags[4] = 2;
    gs_->chanFlags[5] = 1;                // present but not shown
    gs_->chanFlags[6] = 2 | kChanHidden;  // hidden
    const int tops[] = {10, 70, 130, 190, 250};
    const int slots[] = {1, 3, 4, 5, 6};
    for (int i = 0; i < 5; ++i) {
        gs_->chanScaleRects[slots[i]] = {300, tops[i], 383, tops[i] + 40};
        gs_->chanVPerDiv[slots[i]] = 1.0;
        gs_->chanVDivisions[slots[i]] = 4.0;
    }
    DrawChannelScales(surface_.Dc(), gs_.get());
    for (int top : {10, 70, 130}) {
        SCOPED_TRACE(top);
        EXPECT_EQ(Count(300, top - 1, 383, top, kBlack), 83);
        EXPECT_EQ(Count(300, top + 40, 383, top + 41, kBlack), 83);
        EXPECT_EQ(surface_.At(302, top + 20), kStrip);
    }
    EXPECT_EQ(Ink(295, 185, 400, 300) + Count(295, 185, 400, 300, kStrip), 0);

    // Scope mode: only the selected channel's strip, no edge lines.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    gs_->displayMode = kModeScope;
    DrawChannelScales(surface_.Dc(), gs_.get());
    EXPECT_EQ(surface_.At(302, 30), kStrip);
    EXPECT_EQ(surface_.At(302, 90), kWhite);
    EXPECT_EQ(Count(300, 9, 383, 10, kBlack), 0);
}

// A channel button that only counts how often it is drawn.
class CCountingButton : public CGridButton {
public:
    void SetPosition(int, int) override {}
    void SetSelected(bool) override {}
    void Draw() override { ++draws; }
    int draws = 0;
};

TEST_F(AxesDraw, ChannelButtonsRedrawOnlyWhenTheirRowIsShown) {
    CButtonGrid grid;
    CCountingButton buttons[3];
    for (CCountingButton& b : buttons) grid.AddItem(&b);
    gs_->channelItems = &grid;
    struct Case {
        const char* name;
        uint32_t mode, shown;
        int draws;
    };
    const Case cases[] = {{"Chart", kModeChart, 1, 1},
                          {"Scope", kModeScope, 1, 1},
                          {"XY", kModeXY, 1, 0},
                          {"row hidden", kModeChart, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (CCountingButton& b : buttons) b.draws = 0;
        gs_->displayMode = c.mode;
        SetChanButtonsShown(gs_.get(), c.shown);
        RefreshChannelButtons(surface_.Dc(), gs_.get());
        for (const CCountingButton& b : buttons) EXPECT_EQ(b.draws, c.draws);
    }
    // Without a grid there is nothing to draw.
    gs_->displayMode = kModeChart;
    SetChanButtonsShown(gs_.get(), true);
    gs_->channelItems = nullptr;
    RefreshChannelButtons(surface_.Dc(), gs_.get());
    EXPECT_EQ(buttons[0].draws, 0);
}

// The whole client paint over a real window's client size.
TEST_F(AxesDraw, ClientPaintPutsEveryStripInPlace) {
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 500, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(wnd);
    RECT client{};
    GetClientRect(wnd, &client);
    ASSERT_GE(client.right, 460);
    gs_->hwnd = wnd;
    gs_->plotRect = {21, 10, 300, 229};
    gs_->chanLabelRects[1] = {0, 11, 21, 228};
    gs_->chanScaleRects[1] = {301, 11, 383, 228};
    gs_->hAxisRect = {20, 230, 300, 230 + g_app->fonts.cyText};
    gs_->hUnitsRect = {21, 229 + g_app->fonts.cyText, 300, 228 + 2 * g_app->fonts.cyText};
    gs_->hPerDiv = 1000.0;
    gs_->hDivisions = 4.0;
    gs_->viewFlags0 = 1;
    int grid = 0;
    gs_->measureGrid = &grid;  // only its presence is read here
    gs_->measureShown = 1;
    gs_->measureRowHeight = 8;
    // The measurement row's raised separator over the client's whole width, on a black ground
    // so that a white highlight shows.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, BLACKNESS);
    PaintGraphClient(surface_.Dc(), gs_.get(), 1);
    EXPECT_EQ(Count(0, 0, 500, 1, GetSysColor(COLOR_BTNHIGHLIGHT)), 500);
    EXPECT_EQ(Count(0, 7, 500, 8, GetSysColor(COLOR_BTNSHADOW)), 500);
    EXPECT_EQ(Count(0, 1, 500, 7, kBlack), 500 * 6);
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    gs_->measureShown = 0;
    PaintGraphClient(surface_.Dc(), gs_.get(), 1);
    EXPECT_EQ(Count(0, 7, 500, 8, GetSysColor(COLOR_BTNSHADOW)), 0);
    // Frame line along the plot's top, on to the client's right edge.
    EXPECT_EQ(Count(21, 10, 300, 11, kBlack), 279);
    EXPECT_EQ(surface_.At(client.right - 1, 10), kBlack);
    // Label box, scale strip, axis numbers and units label.
    EXPECT_EQ(surface_.At(2, 20), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(surface_.At(303, 100), kStrip);
    EXPECT_GT(Count(311, 11, 360, 228, kBlack), 20);
    EXPECT_GT(Ink(20, 230, 300, 230 + g_app->fonts.cyText), 20);
    EXPECT_GT(Ink(21, 230 + g_app->fonts.cyText, 300, 228 + 2 * g_app->fonts.cyText), 10);

    // A window without a client area paints nothing.
    PatBlt(surface_.Dc(), 0, 0, 500, 300, WHITENESS);
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
    PaintGraphClient(surface_.Dc(), gs_.get(), 1);
    EXPECT_EQ(surface_.CountNotWhite(), 0);
    DestroyWindow(wnd);
}

}  // namespace
