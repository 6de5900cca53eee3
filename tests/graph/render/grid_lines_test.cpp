// Grid lines of a channel band, drawn into a 32-bpp bitmap at 96 dots per inch.
#include "graph/render/grid_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "common/tagGS.h"
#include "controls/tests/render_test_support.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kMajor = 0x808080;
constexpr COLORREF kMinor = RGB(0, 0, 200);
constexpr int kSlot = 1;
// The plot and the band of kSlot: 400 x 200 pixels at (10, 10).
constexpr RECT kPlot = {10, 10, 410, 210};

struct GraphDeleter {
    void operator()(tagGS* gs) const {
        HGLOBAL h = GlobalHandle(gs);
        GlobalUnlock(h);
        GlobalFree(h);
    }
};
using GraphPtr = std::unique_ptr<tagGS, GraphDeleter>;

// A zeroed record with what the grid reads: Chart mode, 10 time divisions of 1000 ms from 0
// (40 pixels each), 4 value divisions of 1 around 0 (50 pixels each), solid major lines in
// grey, dotted minor lines in blue, one pixel wide.
GraphPtr GridGraph() {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(tagGS));
    auto* gs = static_cast<tagGS*>(GlobalLock(h));
    gs->gridShown = 1;
    gs->gridColor = kMajor;
    gs->gridMinorColor = kMinor;
    gs->gridOptions[0] = PS_SOLID;  // major style
    gs->gridOptions[1] = PS_DOT;    // minor style
    gs->gridOptions[2] = 1;         // major width
    gs->gridOptions[3] = 1;         // minor width
    gs->displayMode = kModeChart;
    gs->selectedChan = kSlot;
    gs->xyXChan = 2;
    gs->plotRect = kPlot;
    gs->chanBandRects[kSlot] = kPlot;
    gs->hStart = 0.0;
    gs->hPerDiv = 1000.0;
    gs->hDivisions = 10.0;
    gs->chanVPerDiv[kSlot] = 1.0;
    gs->chanVDivisions[kSlot] = 4.0;
    return GraphPtr(gs);
}

// The columns of band row y that are not white, within the plot.
std::vector<int> InkedColumns(const CDibSurface& s, int y) {
    std::vector<int> xs;
    for (int x = 0; x < s.Width(); ++x)
        if (s.At(x, y) != kWhite) xs.push_back(x);
    return xs;
}

// Columns with ink on any row of [y0, y1): a dotted line shows somewhere in a few rows.
std::vector<int> InkedColumnsAcross(const CDibSurface& s, int y0, int y1) {
    std::vector<int> xs;
    for (int x = 0; x < s.Width(); ++x) {
        for (int y = y0; y < y1; ++y) {
            if (s.At(x, y) != kWhite) {
                xs.push_back(x);
                break;
            }
        }
    }
    return xs;
}

// Rows with ink on any column of [x0, x1).
std::vector<int> InkedRowsAcross(const CDibSurface& s, int x0, int x1) {
    std::vector<int> ys;
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = x0; x < x1; ++x) {
            if (s.At(x, y) != kWhite) {
                ys.push_back(y);
                break;
            }
        }
    }
    return ys;
}

// The rows of column x that are not white.
std::vector<int> InkedRows(const CDibSurface& s, int x) {
    std::vector<int> ys;
    for (int y = 0; y < s.Height(); ++y)
        if (s.At(x, y) != kWhite) ys.push_back(y);
    return ys;
}

// from, from + step, ... below to.
std::vector<int> Range(int from, int to, int step) {
    std::vector<int> v;
    for (int p = from; p < to; p += step) v.push_back(p);
    return v;
}

// Colours seen along column x on the rows that no horizontal line crosses.
std::set<COLORREF> ColumnColours(const CDibSurface& s, int x, const std::set<int>& skipRows) {
    std::set<COLORREF> seen;
    for (int y = kPlot.top; y < kPlot.bottom; ++y)
        if (!skipRows.count(y)) seen.insert(s.At(x, y));
    return seen;
}

class GridLines : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(surface.Ok());
        ASSERT_EQ(GetDeviceCaps(surface.Dc(), LOGPIXELSX), 96);
        ASSERT_EQ(GetDeviceCaps(surface.Dc(), LOGPIXELSY), 96);
        gs = GridGraph();
    }
    void Draw(int page = 0, int strip = 0, int a = 1, int b = 1) {
        DrawChannelGrid(surface.Dc(), gs.get(), kSlot, page, strip, a, b);
    }
    CDibSurface surface{420, 220};
    GraphPtr gs;
};

TEST_F(GridLines, MajorLinesWithoutMinorsSitOnTheDivisionsAndLeaveTheContextAsItWas) {
    HPEN own = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HGDIOBJ before = SelectObject(surface.Dc(), own);
    Draw();
    EXPECT_EQ(GetCurrentObject(surface.Dc(), OBJ_PEN), own);
    EXPECT_EQ(GetBkMode(surface.Dc()), OPAQUE);
    SelectObject(surface.Dc(), before);
    DeleteObject(own);

    // Vertical lines every 40 pixels from the plot's left edge, left of the band's right edge.
    EXPECT_EQ(InkedColumns(surface, 35), Range(10, 410, 40));
    // Horizontal lines every 50 pixels from the band's bottom up to its top, across the plot.
    EXPECT_EQ(InkedRows(surface, 30), Range(10, 211, 50));
    EXPECT_EQ(surface.At(409, 160), kMajor);
    EXPECT_EQ(surface.At(410, 160), kWhite);
    // Vertical lines run from the band's top to its bottom.
    EXPECT_EQ(surface.At(50, 10), kMajor);
    EXPECT_EQ(surface.At(50, 209), kMajor);
    EXPECT_EQ(surface.At(50, 9), kWhite);
    EXPECT_EQ(surface.At(50, 211), kWhite);
    for (int y : {11, 100, 208}) EXPECT_EQ(surface.At(90, y), kMajor) << y;
}

TEST_F(GridLines, FirstVerticalLineFallsOnTheOriginGridAfterTheStart) {
    // Grid through time 0 every 1000 ms, view from 2500: the first line is at 3000 ms.
    gs->hStart = 2500.0;
    Draw();
    EXPECT_EQ(InkedColumns(surface, 35), Range(30, 410, 40));

    struct Row {
        double origin, step, from, first;
    } const rows[] = {
        {0, 1000, 2500, 3000}, {0, 1000, 3000, 3000},     {0, 1000, 2999.9999, 3000},
        {250, 1000, 0, 250},   {250, 1000, -2000, -1750}, {-5, 2, 0, 1},
        {0, 0.1, 0.3, 0.3},    {0, 0.1, 0.7, 0.7},        {1e9, 0.5, 0.25, 0.5},
    };
    for (const Row& r : rows) {
        double got = FirstGridPoint(r.origin, r.step, r.from);
        EXPECT_GE(got, r.from) << r.origin << " " << r.step << " " << r.from;
        EXPECT_LT(got - r.step, r.from);
        EXPECT_NEAR(got, r.first, 1e-9);
    }
}

TEST_F(GridLines, FineGridPutsFourDottedMinorLinesBetweenSolidMajorOnes) {
    gs->gridOptions2 = 1;  // the fine grid, as a graph file stores it
    gs->hStart = 2500.0;   // first major column 30; minors 8 pixels apart from column 14
    Draw();
    // Between the horizontal lines of rows 10 and 20.
    EXPECT_EQ(InkedColumnsAcross(surface, 11, 20), Range(14, 410, 8));
    // Horizontal: majors 50 apart from the bottom, minors every 10 rows.
    std::vector<int> rows = Range(10, 211, 10);
    std::set<int> lineRows(rows.begin(), rows.end());
    EXPECT_EQ(InkedRowsAcross(surface, 15, 22), rows);

    // Major columns (30, 70, ...) are solid grey; the others dotted blue with white gaps.
    for (int x = 14; x < 410; x += 8) {
        auto seen = ColumnColours(surface, x, lineRows);
        if ((x - 30) % 40 == 0) {
            EXPECT_EQ(seen, std::set<COLORREF>{kMajor}) << x;
        } else {
            EXPECT_EQ(seen, (std::set<COLORREF>{kMinor, kWhite})) << x;
        }
    }
    // Horizontal majors are the rows of the values 0, +-1, +-2.
    for (int y : rows) {
        COLORREF c = surface.At(12, y);
        if ((210 - y) % 50 == 0)
            EXPECT_EQ(c, kMajor) << y;
        else
            EXPECT_NE(c, kMajor) << y;
    }
    // Dotted rows leave what lies beneath their gaps: a major column is never broken by white.
    for (int y = kPlot.top; y < kPlot.bottom; ++y) EXPECT_NE(surface.At(70, y), kWhite) << y;
}

TEST_F(GridLines, DensityFollowsTheResolution) {
    // At 96 dots per inch: above a quarter inch (24) minors; up to it none; up to 1/24 inch (4)
    // every second line.
    struct Row {
        double hDivisions;
        uint32_t fine;
        std::vector<int> columns;
    } const rows[] = {
        {10, 1, Range(10, 410, 8)},                                // 40 apart: minors every 8
        {16, 1, Range(10, 410, 5)},                                // 25 apart: minors every 5
        {16, 0, Range(10, 410, 25)},                               // 25 apart, no fine grid: majors only
        {20, 1, Range(10, 410, 20)},                               // 20 apart: majors only
        {80, 1, Range(10, 410, 5)},                                // 5 apart: kept
        {100, 1, Range(10, 410, 8)},                               // 4 apart: every second, 8 apart
        {100, 0, Range(10, 410, 8)}, {400, 0, Range(10, 410, 8)},  // 1 apart: doubled until past 4
    };
    gs->gridOptions[1] = PS_SOLID;  // every line shows on any row
    for (const Row& r : rows) {
        CDibSurface s(420, 220);
        gs->hDivisions = r.hDivisions;
        SetGridFine(gs.get(), r.fine);
        gs->chanVDivisions[kSlot] = 1.0;  // horizontal lines only on the band's edges
        gs->chanVPerDiv[kSlot] = 4.0;
        DrawChannelGrid(s.Dc(), gs.get(), kSlot, 0, 0, 1, 1);
        EXPECT_EQ(InkedColumns(s, 100), r.columns) << r.hDivisions << " fine " << r.fine;
    }

    struct PlanRow {
        double spacing;
        int dpi, fine;
        double planned;
        int minor;
    } const plans[] = {
        {20, 96, 1, 20, 0},     {24, 96, 1, 24, 0},  {25, 96, 1, 5, 1},   {4, 96, 1, 8, 0},
        {4, 96, 0, 8, 0},       {5, 96, 0, 5, 0},    {2, 96, 0, 8, 0},    {150, 600, 1, 150, 0},
        {151, 600, 1, 30.2, 1}, {25, 600, 0, 50, 0}, {0.3, 0, 0, 1.2, 0}, {3, 0, 1, 3, 0},
    };
    for (const PlanRow& p : plans) {
        stGridSpacing plan = PlanGridSpacing(p.spacing, p.dpi, p.fine);
        EXPECT_DOUBLE_EQ(plan.spacing, p.planned) << p.spacing << " at " << p.dpi;
        EXPECT_EQ(plan.minor, p.minor) << p.spacing << " at " << p.dpi;
    }
}

TEST_F(GridLines, MajorPenWidthAndStyleComeFromTheRecord) {
    gs->gridOptions[0] = PS_DOT;
    gs->chanVDivisions[kSlot] = 1.0;
    gs->chanVPerDiv[kSlot] = 4.0;
    Draw();
    auto seen = ColumnColours(surface, 50, {});
    EXPECT_EQ(seen, (std::set<COLORREF>{kMajor, kWhite}));

    CDibSurface wide(420, 220);
    gs->gridOptions[0] = PS_SOLID;
    gs->gridOptions[2] = 3;
    DrawChannelGrid(wide.Dc(), gs.get(), kSlot, 0, 0, 1, 1);
    for (int x : {49, 50, 51}) EXPECT_EQ(wide.At(x, 100), kMajor) << x;
    for (int x : {47, 53}) EXPECT_EQ(wide.At(x, 100), kWhite) << x;
}

TEST_F(GridLines, XYModeStartsEachPrintedStripAtItsOwnValue) {
    // The horizontal channel spans 5 divisions of 1 around 0; two strips per page show 2.5
    // each, 160 pixels per division.
    gs->displayMode = kModeXY;
    gs->chanVPerDiv[2] = 1.0;
    gs->chanVDivisions[2] = 5.0;
    gs->chanVDivisions[kSlot] = 1.0;
    gs->chanVPerDiv[kSlot] = 4.0;
    struct Row {
        int page, strip;
        std::vector<int> columns;
    } const rows[] = {
        {0, 0, {90, 250}},       // from -2.5: first line at -2
        {0, 1, {10, 170, 330}},  // from 0
        {1, 0, {90, 250}},       // from 2.5: first line at 3
        {1, 1, {10, 170, 330}},  // from 5
    };
    for (const Row& r : rows) {
        CDibSurface s(420, 220);
        DrawChannelGrid(s.Dc(), gs.get(), kSlot, r.page, r.strip, 1, 2);
        EXPECT_EQ(InkedColumns(s, 100), r.columns) << "page " << r.page << " strip " << r.strip;
    }
    // A grid offset moves the lines: through 0.5, strip 1 starts at 0.5 (column 10 + 80).
    gs->chanVOffsetDiv[2] = 0.5;
    CDibSurface s(420, 220);
    DrawChannelGrid(s.Dc(), gs.get(), kSlot, 0, 1, 1, 2);
    EXPECT_EQ(InkedColumns(s, 100), (std::vector<int>{90, 250}));
}

TEST_F(GridLines, NothingIsDrawnWithoutAGridAChannelOrABand) {
    struct Row {
        const char* what;
        void (*change)(tagGS*);
    } const rows[] = {
        {"grid off", [](tagGS* g) { g->gridShown = 0; }},
        {"no selected channel", [](tagGS* g) { g->selectedChan = 0xFFFFFFFF; }},
        {"no horizontal channel", [](tagGS* g) { g->xyXChan = 0xFFFFFFFF; }},
        {"band without height", [](tagGS* g) { g->chanBandRects[kSlot].bottom = g->chanBandRects[kSlot].top; }},
        {"band upside down", [](tagGS* g) { g->chanBandRects[kSlot].bottom = 0; }},
    };
    for (const Row& r : rows) {
        for (uint32_t fine : {0u, 1u}) {
            auto g = GridGraph();
            SetGridFine(g.get(), fine);
            r.change(g.get());
            CDibSurface s(420, 220);
            DrawChannelGrid(s.Dc(), g.get(), kSlot, 0, 0, 1, 1);
            EXPECT_EQ(s.CountNotWhite(), 0) << r.what << " fine " << fine;
        }
    }
    CDibSurface s(420, 220);
    DrawChannelGrid(s.Dc(), gs.get(), kMaxChannels, 0, 0, 1, 1);
    DrawChannelGrid(s.Dc(), gs.get(), -1, 0, 0, 1, 1);
    DrawChannelGrid(s.Dc(), nullptr, kSlot, 0, 0, 1, 1);
    EXPECT_EQ(s.CountNotWhite(), 0);
}

TEST_F(GridLines, UnusableScalesDropOnlyTheirOwnDirection) {
    const std::vector<int> none;
    const std::vector<int> columns = Range(10, 410, 40);
    const std::vector<int> rows = Range(10, 211, 50);
    struct Row {
        const char* what;
        void (*change)(tagGS*);
        bool vertical, horizontal;
    } const cases[] = {
        {"zero time per division", [](tagGS* g) { g->hPerDiv = 0.0; }, false, true},
        {"negative time per division", [](tagGS* g) { g->hPerDiv = -1000.0; }, false, true},
        {"zero time divisions", [](tagGS* g) { g->hDivisions = 0.0; }, false, true},
        {"negative time divisions", [](tagGS* g) { g->hDivisions = -10.0; }, false, true},
        {"time per division not a number", [](tagGS* g) { g->hPerDiv = std::nan(""); }, false, true},
        {"start not a number", [](tagGS* g) { g->hStart = std::nan(""); }, false, true},
        {"start infinite", [](tagGS* g) { g->hStart = HUGE_VAL; }, false, true},
        {"zero value per division", [](tagGS* g) { g->chanVPerDiv[kSlot] = 0.0; }, true, false},
        {"negative value divisions", [](tagGS* g) { g->chanVDivisions[kSlot] = -4.0; }, true, false},
        {"centre not a number", [](tagGS* g) { g->chanVCenter[kSlot] = std::nan(""); }, true, false},
        {"grid offset infinite", [](tagGS* g) { g->chanVOffsetDiv[kSlot] = -HUGE_VAL; }, true, false},
    };
    for (const Row& c : cases) {
        for (uint32_t fine : {0u, 1u}) {
            auto g = GridGraph();
            SetGridFine(g.get(), fine);
            c.change(g.get());
            CDibSurface s(420, 220);
            DrawChannelGrid(s.Dc(), g.get(), kSlot, 0, 0, 1, 1);
            // Vertical lines show between the horizontal ones of rows 10 and 20, horizontal
            // ones between the vertical ones of columns 10 and 18.
            auto gotColumns = InkedColumnsAcross(s, 11, 20);
            auto gotRows = InkedRowsAcross(s, 11, 18);
            if (fine) {
                EXPECT_EQ(!gotColumns.empty(), c.vertical) << c.what;
                EXPECT_EQ(!gotRows.empty(), c.horizontal) << c.what;
            } else {
                EXPECT_EQ(gotColumns, c.vertical ? columns : none) << c.what;
                EXPECT_EQ(gotRows, c.horizontal ? rows : none) << c.what;
            }
        }
    }

    // A start too large for its divisions to be told apart leaves the value lines intact.
    gs->hStart = 1e300;
    Draw();
    EXPECT_EQ(InkedRowsAcross(surface, 11, 18), rows);

    // Strip factors below 1 count as 1.
    gs->hStart = 0.0;
    CDibSurface s(420, 220);
    DrawChannelGrid(s.Dc(), gs.get(), kSlot, 0, 0, 0, -3);
    EXPECT_EQ(InkedColumnsAcross(s, 11, 20), columns);
}

}  // namespace
