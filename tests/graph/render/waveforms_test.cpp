// Waveform rendering: the column compression and row maps on plain arrays, then known documents
// (sine, square, ramp, gaps) drawn into a 32-bpp bitmap and read back pixel by pixel.
#include "graph/render/waveforms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/render/render_api.h"
#include "controls/tests/render_test_support.h"
#include "controls/hls_color.h"
#include "documents/documents_api.h"
#include "documents/items/graph_items.h"
#include "common/math_constants.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kInk0 = RGB(200, 0, 0);
constexpr COLORREF kInk1 = RGB(0, 0, 200);
constexpr COLORREF kInk2 = RGB(0, 150, 0);
// A 400 x 200 plot at (10, 10); values +1 and -1 land on rows 30 and 190, 0 on row 110.
constexpr RECT kPlot = {10, 10, 410, 210};
constexpr int kRowTop = 30, kRowMid = 110, kRowBottom = 190;
constexpr double kYZero = 110.0, kYScale = 80.0;
constexpr double kRawScale = 0.001;  // raw 1000 is the value 1

// ---- Reference groupings for the pure parts ----

template <typename T>
std::vector<stColumnMinMax<T>> ReferenceGroups(const std::vector<T>& s, int64_t pos0, int64_t step) {
    std::vector<stColumnMinMax<T>> out;
    for (size_t i = 0; i < s.size(); ++i) {
        int32_t col = static_cast<int32_t>((pos0 + static_cast<int64_t>(i) * step) >> 16);
        if (out.empty() || out.back().column != col) out.push_back(stColumnMinMax<T>{col, 0, 0, 0, 0, 0, 0, 0});
        stColumnMinMax<T>& g = out.back();
        T v = s[i];
        if (g.count == 0) g.lo = g.hi = g.first = v;
        g.lo = std::min(g.lo, v);
        g.hi = std::max(g.hi, v);
        g.last = v;
        ++g.count;
    }
    return out;
}

// Compresses in chunks of the given length through an output of the given size, merging as a
// drawer does.
template <typename T>
std::vector<stColumnMinMax<T>> ChunkGroups(const std::vector<T>& s, int64_t pos0, int64_t step, size_t chunk,
                                           size_t maxOut) {
    std::vector<stColumnMinMax<T>> out;
    std::vector<stColumnMinMax<T>> buf(maxOut);
    size_t done = 0;
    while (done < s.size()) {
        size_t n = std::min(chunk, s.size() - done);
        size_t used = 0;
        while (used < n) {
            size_t written = 0;
            size_t u =
                CompressColumns(s.data() + done + used, n - used, pos0 + static_cast<int64_t>(done + used) * step, step,
                                buf.data(), maxOut, &written);
            for (size_t i = 0; i < written; ++i) {
                if (!out.empty() && out.back().column == buf[i].column)
                    MergeColumn(&out.back(), buf[i]);
                else
                    out.push_back(buf[i]);
            }
            EXPECT_GT(u, 0u);
            if (u == 0) return out;
            used += u;
        }
        done += n;
    }
    return out;
}

template <typename T>
void ExpectSameGroups(const std::vector<stColumnMinMax<T>>& got, const std::vector<stColumnMinMax<T>>& want,
                      const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].column, want[i].column) << what << " group " << i;
        EXPECT_EQ(got[i].count, want[i].count) << what << " group " << i;
        EXPECT_EQ(got[i].lo, want[i].lo) << what << " group " << i;
        EXPECT_EQ(got[i].hi, want[i].hi) << what << " group " << i;
        EXPECT_EQ(got[i].first, want[i].first) << what << " group " << i;
        EXPECT_EQ(got[i].last, want[i].last) << what << " group " << i;
    }
}

TEST(WaveformsCompress, GroupsMatchAPerSampleWalkForAnyStartStepAndChunkSize) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<int16_t> s(5000);
    for (int16_t& v : s) v = static_cast<int16_t>(value(rng));
    struct Row {
        int64_t pos0, step;
        size_t chunk, maxOut;
    } const rows[] = {
        {10 << 16, 1024, 5000, 256},       // 64 samples per column exactly
        {10 << 16, 1048, 777, 3},          // 62.5... samples per column, cut into chunks
        {-(5 << 16) - 3, 19661, 5000, 1},  // 0.3 pixel per sample from left of the origin
        {123456, 65536 * 3, 64, 7},        // three columns per sample
        {0, 1, 1000, 2},                   // all in one column
        {(1 << 16) - 1, 65535, 13, 5},     // one sample per column, drifting
    };
    for (const Row& r : rows) {
        std::string what = std::to_string(r.pos0) + "/" + std::to_string(r.step);
        ExpectSameGroups(ChunkGroups(s, r.pos0, r.step, r.chunk, r.maxOut), ReferenceGroups(s, r.pos0, r.step), what);
    }
    // Nothing in, nothing out; a zero step keeps everything in the first column.
    stColumnMinMax16 out[4];
    size_t written = 99;
    EXPECT_EQ(CompressColumns(s.data(), 0, 0, 1024, out, 4, &written), 0u);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(CompressColumns(s.data(), 100, 7 << 16, 0, out, 4, &written), 100u);
    ASSERT_EQ(written, 1u);
    EXPECT_EQ(out[0].column, 7);
    EXPECT_EQ(out[0].count, 100u);
}

TEST(WaveformsCompress, FloatingSamplesSkipWhatIsNotFiniteAndMarkTheGaps) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    // Four samples per column.
    std::vector<double> s = {1, 2, 3, 4, nan, 5, -6, 7, 8, 9, 0.5, inf, nan, nan, nan, nan, 2, 2, 2, 2};
    std::vector<stColumnMinMaxF> g(8);
    size_t written = 0;
    ASSERT_EQ(CompressColumns(s.data(), s.size(), 0, 16384, g.data(), g.size(), &written), s.size());
    ASSERT_EQ(written, 5u);
    struct Want {
        uint32_t count;
        double lo, hi, first, last;
        uint8_t leadGap, tailGap;
    } const want[] = {{4, 1, 4, 1, 4, 0, 0},
                      {3, -6, 7, 5, 7, 1, 0},
                      {3, 0.5, 9, 8, 0.5, 0, 1},
                      {0, 0, 0, 0, 0, 1, 0},
                      {4, 2, 2, 2, 2, 0, 0}};
    for (size_t i = 0; i < written; ++i) {
        EXPECT_EQ(g[i].column, static_cast<int32_t>(i));
        EXPECT_EQ(g[i].count, want[i].count) << i;
        if (want[i].count) {
            EXPECT_EQ(g[i].lo, want[i].lo) << i;
            EXPECT_EQ(g[i].hi, want[i].hi) << i;
            EXPECT_EQ(g[i].first, want[i].first) << i;
            EXPECT_EQ(g[i].last, want[i].last) << i;
            EXPECT_EQ(g[i].tailGap, want[i].tailGap) << i;
        }
        EXPECT_EQ(g[i].leadGap, want[i].leadGap) << i;
    }
    // Lines join across columns only where no gap lies between.
    EXPECT_FALSE(ColumnsJoin(g[0], g[1]));  // the NaN opens column 1
    EXPECT_TRUE(ColumnsJoin(g[1], g[2]));
    EXPECT_FALSE(ColumnsJoin(g[2], g[3]));
    EXPECT_FALSE(ColumnsJoin(g[3], g[4]));

    // A column cut in two chunks, the second of which is all gap, keeps its tail gap.
    stColumnMinMaxF a{3, 2, 1.0, 4.0, 1.0, 4.0, 0, 0}, b{3, 0, 0, 0, 0, 0, 1, 1};
    MergeColumn(&a, b);
    EXPECT_EQ(a.count, 2u);
    EXPECT_EQ(a.tailGap, 1);
    stColumnMinMaxF c{3, 0, 0, 0, 0, 0, 1, 1}, d{3, 1, -2.0, -2.0, -2.0, -2.0, 0, 0};
    MergeColumn(&c, d);
    EXPECT_EQ(c.count, 1u);
    EXPECT_EQ(c.lo, -2.0);
    EXPECT_EQ(c.leadGap, 1);
}

TEST(WaveformsRowMap, ValuesAndRawSamplesLandOnTheLayoutsRowsAndStayBounded) {
    const stRowMap v = ValueRowMap(kYZero, kYScale);
    const stRowMap r = RawRowMap(kYZero, kYScale, kRawScale, 0.0);
    struct Row {
        double value;
        int16_t raw;
        int32_t row;
    } const rows[] = {
        {1.0, 1000, kRowTop}, {-1.0, -1000, kRowBottom}, {0.0, 0, kRowMid}, {0.5, 500, 70}, {-0.25, -250, 130}};
    for (const Row& row : rows) {
        EXPECT_EQ(RowOfValue(v, row.value), row.row) << row.value;
        EXPECT_EQ(RowOfRaw(r, row.raw), row.row) << row.raw;
    }
    // The raw map agrees with the value map within a pixel over the whole 16-bit range, with an
    // offset and a negative scale folded in.
    const stRowMap r2 = RawRowMap(300.5, -3.7, 10.0 / 32768.0, 1.25);
    const stRowMap v2 = ValueRowMap(300.5, -3.7);
    for (int raw = -32768; raw <= 32767; raw += 97)
        EXPECT_NEAR(RowOfRaw(r2, static_cast<int16_t>(raw)), RowOfValue(v2, raw * 10.0 / 32768.0 + 1.25), 1) << raw;
    // Wild values and maps saturate instead of wrapping.
    EXPECT_EQ(RowOfValue(v, 1e300), INT16_MIN);
    EXPECT_EQ(RowOfValue(v, -1e300), INT16_MAX);
    EXPECT_EQ(RowOfValue(ValueRowMap(1e300, 1e300), 1.0), INT16_MIN);
    EXPECT_EQ(RowOfValue(v, std::numeric_limits<double>::quiet_NaN()), kRowMid);
    EXPECT_EQ(RowOfRaw(RawRowMap(kYZero, std::numeric_limits<double>::infinity(), 1.0, 0.0), 5), kRowMid);
}

TEST(WaveformsSegments, ActiveSegmentComesLastAndNegativeLengthsAreLeftOut) {
    // Positions 1, 101, 201 (ending at 100, 200, 300), the middle one active; a fourth whose end
    // lies before its start.
    const stSegmentMark marks[] = {{1, 100, 0}, {101, 200, 1}, {201, 300, 0}, {400, 350, 0}};
    stSegmentDraw draws[4];
    ASSERT_EQ(PlanSegmentDraws(marks, 4, 2.0, 10.0, draws), 3);
    struct Want {
        double start, length;
        uint32_t emphasis;
    } const want[] = {{10.0, 198.0 - 10.0, 0}, {410.0, 598.0 - 410.0, 0}, {210.0, 398.0 - 210.0, 1}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(draws[i].start, want[i].start) << i;
        EXPECT_DOUBLE_EQ(draws[i].length, want[i].length) << i;
        EXPECT_EQ(draws[i].emphasis, want[i].emphasis) << i;
    }
    // The active segment with a negative length is not drawn.
    const stSegmentMark lone[] = {{50, 20, 1}};
    EXPECT_EQ(PlanSegmentDraws(lone, 1, 1.0, 0.0, draws), 0);
}

TEST(WaveformsShade, LightnessMovesWithinItsBoundsAndHueStays) {
    struct Row {
        COLORREF color;
        int16_t delta, low, high;
    } const rows[] = {{RGB(200, 0, 0), -30, 30, 240},
                      {RGB(0, 0, 40), -30, 30, 240},
                      {RGB(10, 10, 10), -30, 30, 240},
                      {RGB(0, 120, 0), 50, 0, 150},
                      {RGB(250, 250, 255), 30, 0, 200}};
    for (const Row& r : rows) {
        uint32_t before = RgbToHls(r.color), after = RgbToHls(ShadeColor(r.color, r.delta, r.low, r.high));
        int l0 = (before >> 8) & 0xFF, l1 = (after >> 8) & 0xFF;
        int want = l0;
        if (r.delta > 0 && l0 < r.high) want = std::min(l0 + r.delta, static_cast<int>(r.high));
        if (r.delta < 0 && l0 > r.low) want = std::max(l0 + r.delta, static_cast<int>(r.low));
        EXPECT_NEAR(l1, want, 1) << std::hex << r.color;
        if ((before & 0xFF) > 40 && l1 > 20 && l1 < 220) {
            EXPECT_NEAR((after >> 16) & 0xFF, (before >> 16) & 0xFF, 2);
        }
    }
}

// ---- Documents drawn into bitmaps ----

struct GraphDeleter {
    void operator()(tagGS* gs) const { FreeGraphRecord(gs); }
};
using GraphPtr = std::unique_ptr<tagGS, GraphDeleter>;

void* NewBlock(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
    return h ? GlobalLock(h) : nullptr;
}

// A new document (Chart mode defaults) with its channels cleared, the plot at kPlot, 10 time
// divisions and a 1 ms sample interval; the grid is off so that only waveforms ink the plot.
GraphPtr NewDoc() {
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) < 1 || !gs) return nullptr;
    InitNewGraph(gs);
    for (int s = 0; s < kMaxChannels; ++s) gs->chanFlags[s] = 0;
    gs->gridShown = 0;
    gs->plotRect = kPlot;
    gs->hDivisions = 10.0;
    gs->hPerDiv = 16.0;  // 40 pixels per division: 2.5 pixels per sample
    gs->sampleInterval = 1.0;
    gs->hStart = 0.0;
    gs->displayMode = kModeScope;
    gs->xyXChan = 0xFFFFFFFFu;
    gs->cursorShown = kCursorHidden;
    return GraphPtr(gs);
}

// The slot shows 16-bit samples over the whole plot, +1 on row 30 and -1 on row 190.
void SetRaw(tagGS* gs, int slot, const std::vector<int16_t>& raw, COLORREF color, uint32_t spare = 0) {
    auto* p = static_cast<int16_t*>(NewBlock((raw.size() + spare) * 2));
    if (!raw.empty()) std::memcpy(p, raw.data(), raw.size() * 2);
    gs->chanBlock[slot] = p;
    gs->chanFlags[slot] = 2;
    gs->chanType[slot] = 2;
    gs->chanBytes[slot] = 2;
    gs->chanCount[slot] = static_cast<uint32_t>(raw.size());
    gs->chanScale[slot] = kRawScale;
    gs->chanOffset[slot] = 0.0;
    gs->chanColor[slot] = color;
    gs->chanDrawStyle[slot] = kStyleLine;
    gs->chanPlotStyle[slot] = 0x0101;
    gs->chanBandRects[slot] = kPlot;
    gs->chanPixelMap[2][slot] = kYScale;
    gs->chanPixelMap[3][slot] = kYZero;
}

void SetValues(tagGS* gs, int slot, const std::vector<double>& values, COLORREF color) {
    SetRaw(gs, slot, {}, color);
    auto* p = static_cast<double*>(NewBlock(values.size() * 8));
    std::memcpy(p, values.data(), values.size() * 8);
    GlobalFree(GlobalHandle(gs->chanBlock[slot]));
    gs->chanBlock[slot] = p;
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = 8;
    gs->chanCount[slot] = static_cast<uint32_t>(values.size());
}

std::vector<int16_t> Sine(size_t n, double period, double amplitude = 1000.0) {
    std::vector<int16_t> s(n);
    for (size_t k = 0; k < n; ++k) s[k] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * kPi * k / period)));
    return s;
}

std::vector<int16_t> Square(size_t n, size_t half, int16_t level = 1000) {
    std::vector<int16_t> s(n);
    for (size_t k = 0; k < n; ++k) s[k] = (k / half) % 2 ? static_cast<int16_t>(-level) : level;
    return s;
}

// The rows of column x inked in the given colour (any colour but white when ink is white).
std::vector<int> InkRows(const CDibSurface& s, int x, COLORREF ink = kWhite) {
    std::vector<int> ys;
    for (int y = 0; y < s.Height(); ++y) {
        COLORREF c = s.At(x, y);
        if (ink == kWhite ? c != kWhite : c == ink) ys.push_back(y);
    }
    return ys;
}

std::vector<int> Span(int from, int to) {
    std::vector<int> v;
    for (int y = from; y <= to; ++y) v.push_back(y);
    return v;
}


// The 16.16 column of sample k for a run that starts at sample 0 on the plot's left edge.
int32_t ColumnOf(int64_t k, double pixPerSample) {
    int64_t step = static_cast<int64_t>(pixPerSample * 65536.0);
    return static_cast<int32_t>(((static_cast<int64_t>(kPlot.left) << 16) + k * step) >> 16);
}

class Waveforms : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(surface.Ok());
        gs = NewDoc();
        ASSERT_TRUE(gs);
    }
    void TearDown() override { SetWaveEscapeProbe(nullptr); }
    int Draw(int slot, double start, double length, int colorMode = 4, int a = 1, int b = 1) {
        return DrawGraphWaveforms(surface.Dc(), gs.get(), static_cast<int16_t>(slot), start, length,
                                  static_cast<int16_t>(colorMode), a, b, 0, 0);
    }
    double Visible() const { return gs->hPerDiv * gs->hDivisions; }
    CDibSurface surface{420, 220};
    GraphPtr gs;
};

TEST_F(Waveforms, ScopeSineEverySampleReachesItsExtremesOnTheRightRowsAndColumns) {
    // 2.5 pixels per sample; a period of 160 samples is 400 pixels.
    SetRaw(gs.get(), 0, Sine(400, 160), kInk0);
    ASSERT_EQ(Draw(0, 0.0, Visible()), 1);
    SaveArtefact(surface, "scope_sine_line");
    std::set<int> rows;
    for (int x = kPlot.left; x < kPlot.right; ++x)
        for (int y : InkRows(surface, x, kInk0)) rows.insert(y);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(*rows.begin(), kRowTop);
    EXPECT_EQ(*rows.rbegin(), kRowBottom);
    // The crest (sample 40) and the trough (sample 120) at their columns.
    EXPECT_EQ(surface.At(ColumnOf(40, 2.5), kRowTop), kInk0);
    EXPECT_EQ(surface.At(ColumnOf(120, 2.5), kRowBottom), kInk0);
    EXPECT_EQ(surface.At(ColumnOf(0, 2.5), kRowMid), kInk0);
    // A line: every column from the first sample to the last has ink.
    for (int x = kPlot.left; x < kPlot.right; ++x) EXPECT_FALSE(InkRows(surface, x, kInk0).empty()) << x;
    // Nothing outside the columns the samples cover.
    EXPECT_TRUE(InkRows(surface, kPlot.left - 1).empty());
}

TEST_F(Waveforms, CompressedColumnsSpanExactlyTheirLowestToHighestRow) {
    // 1/64 pixel per sample; a sine of period 20 puts three periods into every column.
    gs->hPerDiv = 2560.0;
    SetRaw(gs.get(), 0, Sine(26000, 20), kInk0);
    ASSERT_EQ(Draw(0, 0.0, Visible()), 1);
    SaveArtefact(surface, "scope_sine_compressed");
    for (int x = kPlot.left; x < kPlot.right; ++x) EXPECT_EQ(InkRows(surface, x), Span(kRowTop, kRowBottom)) << x;

    // A square of half-period 1010 samples: whole columns on one level are one pixel, the columns
    // that hold an edge span both levels.
    CDibSurface square(420, 220);
    SetRaw(gs.get(), 1, Square(26000, 1010), kInk1);
    ASSERT_EQ(DrawGraphWaveforms(square.Dc(), gs.get(), 1, 0.0, Visible(), 4, 1, 1, 0, 0), 1);
    SaveArtefact(square, "scope_square_compressed");
    const std::vector<int16_t> sq = Square(26000, 1010);
    for (int x = kPlot.left; x < kPlot.right; ++x) {
        bool high = false, low = false;
        for (int64_t k = (x - kPlot.left) * 64; k < (x - kPlot.left + 1) * 64; ++k) (sq[k] > 0 ? high : low) = true;
        std::vector<int> want = high && low ? Span(kRowTop, kRowBottom) : std::vector<int>{high ? kRowTop : kRowBottom};
        EXPECT_EQ(InkRows(square, x, kInk1), want) << x;
    }
}

TEST_F(Waveforms, LineStepAndDotStylesDrawTheSameSamplesDifferently) {
    // 8 pixels per sample: levels +1 +1 -1 -1 +1 +1 ...
    gs->hPerDiv = 5.0;
    std::vector<int16_t> s(60);
    for (size_t k = 0; k < s.size(); ++k) s[k] = (k / 2) % 2 ? -1000 : 1000;
    const int x1 = ColumnOf(1, 8.0), x2 = ColumnOf(2, 8.0), mid = (x1 + x2) / 2;
    struct Row {
        uint16_t style;
        const char* name;
        std::vector<int> atSample1;  // rows inked on sample 1's column
        std::vector<int> between;    // rows inked halfway to sample 2
        std::vector<int> atSample2;  // rows inked on sample 2's column
    } const rows[] = {
        {kStyleLine, "line", {}, {}, {}},
        {kStyleStep, "step", {kRowTop}, {kRowTop}, Span(kRowTop, kRowBottom)},
        {kStyleDots, "dots", {kRowTop}, {}, {kRowBottom}},
    };
    for (const Row& r : rows) {
        CDibSurface dib(420, 220);
        SetRaw(gs.get(), 0, s, kInk0);
        gs->chanDrawStyle[0] = r.style;
        gs->hStart = 0.0;
        ASSERT_EQ(DrawGraphWaveforms(dib.Dc(), gs.get(), 0, 0.0, Visible(), 4, 1, 1, 0, 0), 1) << r.name;
        SaveArtefact(dib, (std::string("style_") + r.name).c_str());
        const int shift = r.style == kStyleDots ? 1 : 0;  // dots start one pixel in
        if (r.style == kStyleLine) {
            ASSERT_FALSE(InkRows(dib, x1, kInk0).empty());
            EXPECT_EQ(InkRows(dib, x1, kInk0).front(), kRowTop);
            // The line falls from row 30 to row 190 across the gap, one row band per column.
            std::vector<int> rowsMid = InkRows(dib, mid, kInk0);
            ASSERT_FALSE(rowsMid.empty()) << r.name;
            EXPECT_GT(rowsMid.front(), kRowTop + 40);
            EXPECT_LT(rowsMid.back(), kRowBottom - 40);
        } else {
            EXPECT_EQ(InkRows(dib, x1 + shift, kInk0), r.atSample1) << r.name;
            EXPECT_EQ(InkRows(dib, mid + shift, kInk0), r.between) << r.name;
            EXPECT_EQ(InkRows(dib, x2 + shift, kInk0), r.atSample2) << r.name;
        }
        FreeGraphRecord(gs.release());
        gs = NewDoc();
        gs->hPerDiv = 5.0;
    }
}

TEST_F(Waveforms, DotChannelFromSampleZeroMovesTheViewOnePixelLeft) {
    gs->hPerDiv = 5.0;
    SetRaw(gs.get(), 0, {1000, -1000, 0}, kInk0);
    gs->chanDrawStyle[0] = kStyleDots;
    ASSERT_EQ(Draw(0, 0.0, Visible()), 1);
    EXPECT_DOUBLE_EQ(gs->hStart, -0.125);  // one pixel of 1/8 ms
    EXPECT_EQ(InkRows(surface, kPlot.left + 1, kInk0), std::vector<int>{kRowTop});
    EXPECT_EQ(InkRows(surface, kPlot.left + 9, kInk0), std::vector<int>{kRowBottom});
    EXPECT_EQ(InkRows(surface, kPlot.left + 17, kInk0), std::vector<int>{kRowMid});
    EXPECT_EQ(surface.CountNotWhite(), 3);
    // Other styles put a negative start back to 0.
    gs->chanDrawStyle[0] = kStyleLine;
    ASSERT_EQ(Draw(0, 2.0, Visible()), 1);
    EXPECT_EQ(gs->hStart, 0.0);
}

TEST_F(Waveforms, StepChannelEndingInViewCarriesItsLastValueOneStepAndReadsNoFurther) {
    gs->hPerDiv = 5.0;  // 8 pixels per sample
    std::vector<int16_t> s = {1000, -1000, 1000, 500};
    SetRaw(gs.get(), 0, s, kInk0, 4);
    static_cast<int16_t*>(gs->chanBlock[0])[4] = -500;  // beyond the count: never to be drawn
    gs->chanDrawStyle[0] = kStyleStep;
    ASSERT_EQ(Draw(0, 0.0, Visible()), 1);
    const int last = ColumnOf(3, 8.0);
    EXPECT_EQ(InkRows(surface, last, kInk0), Span(kRowTop, 70));
    for (int x = last + 1; x < last + 8; ++x) EXPECT_EQ(InkRows(surface, x, kInk0), std::vector<int>{70}) << x;
    EXPECT_TRUE(InkRows(surface, last + 8, kInk0).empty());
    EXPECT_TRUE(InkRows(surface, last + 9, kInk0).empty());
    for (int x = kPlot.left; x < kPlot.right; ++x)
        EXPECT_EQ(surface.At(x, 150), x == ColumnOf(1, 8.0) || x == ColumnOf(2, 8.0) ? kInk0 : kWhite) << x;
}

TEST_F(Waveforms, ExactlyThreeTenthsPixelPerSampleDrawsEverySampleAndJustBelowCompresses) {
    // Dots of alternating +1 / -1: every sample leaves the rows between empty, bars fill them.
    std::vector<int16_t> s(4100);
    for (size_t k = 0; k < s.size(); ++k) s[k] = k % 2 ? -1000 : 1000;
    // 100 pixels per division and 100 ms per division: pixels per sample = the interval.
    struct Row {
        double interval;
        bool bars;
    } const rows[] = {{0.3, false}, {0.29999, true}, {0.4, false}, {0.1, true}};
    for (const Row& r : rows) {
        CDibSurface dib(420, 220);
        SetRaw(gs.get(), 0, s, kInk0);
        gs->chanDrawStyle[0] = kStyleDots;
        gs->hDivisions = 4.0;
        gs->hPerDiv = 100.0;
        gs->sampleInterval = r.interval;
        gs->hStart = 0.0;
        ASSERT_EQ(DrawGraphWaveforms(dib.Dc(), gs.get(), 0, 0.0, Visible(), 4, 1, 1, 0, 0), 1);
        int middle = 0;
        for (int x = kPlot.left; x < kPlot.right; ++x) middle += dib.At(x, kRowMid) == kInk0;
        if (r.bars)
            EXPECT_GT(middle, 300) << r.interval;
        else
            EXPECT_EQ(middle, 0) << r.interval;
        FreeGraphRecord(gs.release());
        gs = NewDoc();
    }
}

TEST_F(Waveforms, ChartBandsScopeOverlayAndXYPlotEachDrawTheirOwnWay) {
    gs->hPerDiv = 100.0;  // 0.4 pixel per sample, 1000 samples across
    SetRaw(gs.get(), 0, Sine(1200, 250), kInk0);
    SetRaw(gs.get(), 1, Square(1200, 100, 500), kInk1);
    std::vector<int16_t> ramp(1200);
    for (size_t k = 0; k < ramp.size(); ++k)
        ramp[k] = static_cast<int16_t>(-1000 + 2 * static_cast<int>(k) * 1000 / 1000);
    SetRaw(gs.get(), 2, ramp, kInk2);
    // Chart: three bands with values +-1 reaching past them, so clipping shows.
    const RECT bands[3] = {{10, 11, 410, 76}, {10, 77, 410, 142}, {10, 143, 410, 209}};
    for (int s = 0; s < 3; ++s) {
        gs->chanBandRects[s] = bands[s];
        gs->chanPixelMap[3][s] = (bands[s].top + bands[s].bottom) / 2.0;
        gs->chanPixelMap[2][s] = 40.0;
    }
    gs->displayMode = kModeChart;
    ASSERT_EQ(PaintPlotArea(surface.Dc(), gs.get()), 1);
    SaveArtefact(surface, "chart_three_bands");
    const COLORREF inks[3] = {kInk0, kInk1, kInk2};
    for (int s = 0; s < 3; ++s) {
        int count = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                if (surface.At(x, y) == inks[s]) {
                    ++count;
                    EXPECT_GE(y, bands[s].top) << s;
                    EXPECT_LT(y, bands[s].bottom) << s;
                }
        EXPECT_GT(count, 300) << s;
        // Black edge lines one pixel above each band and along its bottom, inside the plot.
        if (s < 2) {
            EXPECT_EQ(surface.At(200, bands[s].bottom), RGB(0, 0, 0)) << s;
        }
    }
    // The ramp climbs left to right inside its band.
    std::vector<int> left = InkRows(surface, 100, kInk2), right = InkRows(surface, 350, kInk2);
    ASSERT_FALSE(left.empty());
    ASSERT_FALSE(right.empty());
    EXPECT_GT(left.front(), right.front());

    // Scope: the same channels over the whole plot on their own maps.
    CDibSurface scope(420, 220);
    gs->displayMode = kModeScope;
    for (int s = 0; s < 3; ++s) {
        gs->chanPixelMap[3][s] = kYZero;
        gs->chanPixelMap[2][s] = kYScale;
    }
    ASSERT_EQ(PaintPlotArea(scope.Dc(), gs.get()), 1);
    SaveArtefact(scope, "scope_three_channels");
    const int extremes[3][2] = {{kRowTop, kRowBottom}, {70, 150}, {kRowTop, kRowBottom}};
    for (int s = 0; s < 3; ++s) {
        std::set<int> rows;
        for (int x = kPlot.left; x < kPlot.right; ++x)
            for (int y : InkRows(scope, x, inks[s])) rows.insert(y);
        ASSERT_FALSE(rows.empty()) << s;
        EXPECT_EQ(*rows.begin(), extremes[s][0]) << s;
        EXPECT_EQ(*rows.rbegin(), extremes[s][1]) << s;
    }

    // XY: a circle of radius 80 about (210, 110) from cosine against sine.
    CDibSurface xy(420, 220);
    std::vector<double> xs(720), ys(720);
    for (size_t k = 0; k < xs.size(); ++k) {
        xs[k] = std::cos(2 * kPi * k / 360.0);
        ys[k] = std::sin(2 * kPi * k / 360.0);
    }
    SetValues(gs.get(), 3, ys, kInk0);
    SetValues(gs.get(), 4, xs, kInk1);
    for (int s = 0; s < 3; ++s) gs->chanFlags[s] = 0;
    gs->displayMode = kModeXY;
    gs->selectedChan = 3;
    gs->xyXChan = 4;
    gs->chanPixelMap[0][4] = 80.0;
    gs->chanPixelMap[1][4] = 210.0;
    ASSERT_EQ(PaintPlotArea(xy.Dc(), gs.get()), 1);
    SaveArtefact(xy, "xy_circle");
    int quadrants[4] = {0, 0, 0, 0};
    for (int y = 0; y < xy.Height(); ++y)
        for (int x = 0; x < xy.Width(); ++x)
            if (xy.At(x, y) == kInk0) {
                double r = std::hypot(x - 210.0, y - 110.0);
                EXPECT_NEAR(r, 80.0, 1.6) << x << "," << y;
                ++quadrants[(x >= 210 ? 0 : 1) + (y >= 110 ? 2 : 0)];
            }
    for (int q = 0; q < 4; ++q) EXPECT_GT(quadrants[q], 50) << q;

    // The shorter channel bounds the plot: a quarter of x samples leaves one quadrant.
    CDibSurface quarter(420, 220);
    gs->chanCount[4] = 91;
    ASSERT_EQ(PaintPlotArea(quarter.Dc(), gs.get()), 1);
    for (int y = 0; y < quarter.Height(); ++y)
        for (int x = 0; x < quarter.Width(); ++x)
            if (quarter.At(x, y) == kInk0) {
                EXPECT_GE(x, 209);
                EXPECT_LE(y, 111);
            }
    // Without an X channel nothing is plotted.
    CDibSurface none(420, 220);
    gs->xyXChan = 0xFFFFFFFFu;
    EXPECT_EQ(DrawGraphWaveforms2(none.Dc(), gs.get(), 0, 700, 4, 0, 1, 1), 0);
    EXPECT_EQ(none.CountNotWhite(), 0);
}

// "Gray non-selected": every channel but the selected one is drawn grey, in Scope and Chart,
// unless the graph is recording; with the preference off each keeps its own colour.
TEST_F(Waveforms, GrayNonSelectedDrawsOnlyTheSelectedChannelInItsColour) {
    SetRaw(gs.get(), 0, Sine(700, 200), kInk0);
    SetRaw(gs.get(), 1, Square(700, 100, 500), kInk1);
    struct Row {
        uint32_t mode, gray, acquiring, selected;
        bool greyed[2];  // channel 0, channel 1
    } rows[] = {
        {kModeScope, 0, 0, 1, {false, false}}, {kModeScope, 1, 0, 1, {true, false}},
        {kModeScope, 1, 0, 0, {false, true}},  {kModeScope, 1, 1, 1, {false, false}},
        {kModeChart, 1, 0, 0, {false, true}},  {kModeChart, 0, 0, 0, {false, false}},
    };
    const COLORREF inks[2] = {kInk0, kInk1};
    for (const Row& row : rows) {
        gs->displayMode = row.mode;
        gs->grayNonSelected = row.gray;
        gs->acquiring = row.acquiring;
        gs->selectedChan = row.selected;
        CDibSurface out(420, 220);
        ASSERT_EQ(PaintPlotArea(out.Dc(), gs.get()), 1);
        int own[2] = {0, 0}, grey = 0;
        for (int y = 0; y < out.Height(); ++y)
            for (int x = 0; x < out.Width(); ++x) {
                const COLORREF c = out.At(x, y);
                for (int s = 0; s < 2; ++s) own[s] += c == inks[s];
                grey += c == kNonSelectedGrey;
            }
        const int at = static_cast<int>(&row - rows);
        for (int s = 0; s < 2; ++s) {
            if (row.greyed[s])
                EXPECT_EQ(own[s], 0) << "row " << at << " channel " << s;
            else
                EXPECT_GT(own[s], 100) << "row " << at << " channel " << s;
        }
        if (row.greyed[0] || row.greyed[1])
            EXPECT_GT(grey, 100) << "row " << at;
        else
            EXPECT_EQ(grey, 0) << "row " << at;
    }
}

TEST_F(Waveforms, GraphItemsAreDrawnOnScreenPaperAndPicturesAndClippedToThePlot) {
    // Y units of channel 1: 80 pixels each about row 110. X: in XY mode units of channel 4, 40
    // pixels each from x = 10; in Scope and Chart modes seconds on the time axis, 2.5 pixels a
    // millisecond from the view's start at x = 10.
    SetRaw(gs.get(), 1, Sine(400, 160), kInk1);
    gs->selectedChan = 1;
    gs->xyXChan = 4;
    gs->chanPixelMap[0][4] = 40.0;
    gs->chanPixelMap[1][4] = 10.0;
    CGraphItemList* items = gs->graphItems;
    ASSERT_TRUE(items);
    struct Row {
        uint32_t mode;
        double hStart;  // ms
    } rows[] = {{kModeScope, 0.0}, {kModeChart, 0.0}, {kModeScope, 40.0}, {kModeChart, 40.0}, {kModeXY, 0.0}};
    for (const Row& r : rows) {
        gs->displayMode = r.mode;
        gs->hStart = r.hStart;
        gs->chanBandRects[1] = kPlot;
        // The x that lands in the middle of a column in this mode.
        auto at = [&](double column) {
            const double middle = column + 0.5;
            return r.mode == kModeXY ? (middle - 10.0) / 40.0 : ((middle - 10.0) / 2.5 + r.hStart) / 1000.0;
        };
        items->Clear();
        ASSERT_EQ(items->AddPoint(7, "red", at(210), 0.5), 1);              // centre (210, 70), radius 4
        ASSERT_EQ(items->AddLine(1, "GREEN", at(50), -0.5, at(370), -0.5), 1);  // row 150 from x 50 to 370
        ASSERT_EQ(items->AddPoint(9, "BLUE", at(420), 0.0), 1);             // centre (420, 110): outside the plot
        CDibSurface s(430, 220);
        ASSERT_EQ(PaintPlotArea(s.Dc(), gs.get()), 1) << r.mode;
        EXPECT_EQ(s.At(210, 70), RGB(255, 0, 0)) << r.mode << " " << r.hStart;
        EXPECT_EQ(s.At(207, 70), RGB(255, 0, 0)) << r.mode << " " << r.hStart;
        EXPECT_NE(s.At(205, 70), RGB(255, 0, 0)) << r.mode << " " << r.hStart;
        EXPECT_EQ(s.At(200, 150), RGB(0, 128, 0)) << r.mode << " " << r.hStart;
        EXPECT_EQ(s.At(49, 150), kWhite) << r.mode;
        for (int y = 100; y < 120; ++y) EXPECT_NE(s.At(kPlot.right + 2, y), RGB(0, 0, 255)) << r.mode << " row " << y;
    }
    // Paper: printing passes its page shift and factors. In XY mode the second page of a plot
    // drawn at twice the scale puts the dot at 5 x 40 x 2 + 10 - 400 = 10; in Scope mode a strip
    // starts at the view's start and shows a quarter of the span: 0.02 s lies 200 pixels in.
    {
        CDibSurface page(430, 220);
        DrawGraphItemsScaled(gs.get(), page.Dc(), 1, 2.0, 1.0);
        EXPECT_EQ(page.At(10, 70), RGB(255, 0, 0));
        EXPECT_NE(page.At(210, 70), RGB(255, 0, 0));
        gs->displayMode = kModeScope;
        gs->hStart = 0.0;
        items->Clear();
        ASSERT_EQ(items->AddPoint(7, "red", 0.02, 0.5), 1);
        CDibSurface strip(430, 220);
        DrawGraphItemsScaled(gs.get(), strip.Dc(), 0, 2.0, 2.0);
        EXPECT_EQ(strip.At(210, 70), RGB(255, 0, 0));
        gs->displayMode = kModeXY;
        items->Clear();
        ASSERT_EQ(items->AddPoint(7, "red", 5.0, 0.5), 1);
        ASSERT_EQ(items->AddLine(1, "GREEN", 1.0, -0.5, 9.0, -0.5), 1);
    }
    // Pictures: the metafile holds the dot's ellipse and the line, each in its colour.
    {
        CMetaRecorder meta;
        DrawGraphItemsScaled(gs.get(), meta.Dc(), 0, 1.0, 1.0);
        const std::vector<stMetaRecord> recs = meta.Finish();
        std::vector<const stMetaRecord*> ellipses = RecordsOf(recs, EMR_ELLIPSE);
        ASSERT_EQ(ellipses.size(), 1u);
        // The ellipse (206, 74) - (214, 66), kept with its far edges inclusive.
        const RECTL box = ellipses[0]->As<EMRELLIPSE>()->rclBox;
        EXPECT_EQ(std::min(box.left, box.right), 206);
        EXPECT_EQ(std::max(box.left, box.right), 213);
        EXPECT_EQ(std::min(box.top, box.bottom), 66);
        EXPECT_EQ(std::max(box.top, box.bottom), 73);
        bool green = false;
        for (const stMetaRecord* p : RecordsOf(recs, EMR_CREATEPEN))
            green = green || p->As<EMRCREATEPEN>()->lopn.lopnColor == RGB(0, 128, 0);
        EXPECT_TRUE(green);
        EXPECT_EQ(RecordsOf(recs, EMR_LINETO).size(), 1u);
    }
    // Hidden items are not drawn.
    items->shown = 0;
    CDibSurface hidden(430, 220);
    ASSERT_EQ(PaintPlotArea(hidden.Dc(), gs.get()), 1);
    EXPECT_NE(hidden.At(210, 70), RGB(255, 0, 0));
    EXPECT_NE(hidden.At(200, 150), RGB(0, 128, 0));
}

TEST_F(Waveforms, SelectionXorInvertsExactlyItsColumnsAndASecondDrawRestores) {
    gs->hPerDiv = 100.0;  // 1000 ms across 400 pixels: 2.5 ms per pixel
    SetRaw(gs.get(), 0, Sine(1200, 250), kInk0);
    ASSERT_EQ(PaintPlotArea(surface.Dc(), gs.get()), 1);
    std::vector<COLORREF> before;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x) before.push_back(surface.At(x, y));
    struct Row {
        double selStart, selEnd;
        int32_t x1, x2;   // selX1, selX2
        int left, right;  // inverted columns [left, right)
    } const rows[] = {
        {100.0, 350.0, 50, 150, 50, 150},    {350.0, 100.0, 50, 150, 50, 150},  // ends in either order
        {-100.0, 26.0, -30, 20, 10, 20},                                        // held to the plot's left edge
        {990.0, 2000.0, 406, 810, 406, 410},                                    // and its right edge
        {500.0, 500.0, 210, 210, 0, 0},                                         // empty: nothing inverted
        {101.0, 101.2, 50, 50, 0, 0},                                           // two ends on one column
    };
    for (const Row& r : rows) {
        gs->selStart = r.selStart;
        gs->selEnd = r.selEnd;
        DrawSelectionXor(surface.Dc(), gs.get());
        EXPECT_EQ(gs->selX1, r.x1) << r.selStart;
        EXPECT_EQ(gs->selX2, r.x2) << r.selStart;
        int changed = 0, wrong = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x) {
                COLORREF was = before[static_cast<size_t>(y) * surface.Width() + x];
                bool inside = x >= r.left && x < r.right && y >= kPlot.top + 1 && y < kPlot.bottom - 1;
                COLORREF want = inside ? (~was & 0xFFFFFF) : was;
                changed += surface.At(x, y) != was;
                wrong += surface.At(x, y) != want;
            }
        EXPECT_EQ(wrong, 0) << r.selStart;
        EXPECT_EQ(changed, (r.right - r.left) * (kPlot.bottom - kPlot.top - 2)) << r.selStart;
        DrawSelectionXor(surface.Dc(), gs.get());
        int restored = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x)
                restored += surface.At(x, y) == before[static_cast<size_t>(y) * surface.Width() + x];
        EXPECT_EQ(restored, surface.Width() * surface.Height()) << r.selStart;
    }
    // Painting draws the selection too.
    gs->selStart = 100.0;
    gs->selEnd = 350.0;
    ASSERT_EQ(PaintPlotArea(surface.Dc(), gs.get()), 1);
    SaveArtefact(surface, "scope_selection");
    EXPECT_EQ(surface.At(100, 200), RGB(0, 0, 0));
    EXPECT_EQ(surface.At(160, 200), kWhite);
}

TEST_F(Waveforms, PrinterAndMetafileDrawWithTheContextsPenOrTheChannelColourAndScaleByTheFactors) {
    gs->hPerDiv = 8.0;  // 5 pixels per sample
    SetRaw(gs.get(), 0, {0, 1000, -1000, 0, 500}, kInk0);
    struct Row {
        int colorMode, a, b;
        bool channelPen;
        int32_t lastX;
    } const rows[] = {{4, 1, 1, true, 30}, {0, 1, 1, false, 30}, {0, 2, 1, false, 50}, {3, 2, 2, false, 90}};
    for (const Row& r : rows) {
        CMetaRecorder meta;
        HPEN own = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
        HGDIOBJ old = SelectObject(meta.Dc(), own);
        ASSERT_EQ(DrawGraphWaveforms(meta.Dc(), gs.get(), 0, 0.0, Visible(), static_cast<int16_t>(r.colorMode), r.a,
                                     r.b, 0, 0),
                  1);
        // The caller's pen is selected again afterwards.
        EXPECT_EQ(GetCurrentObject(meta.Dc(), OBJ_PEN), own);
        SelectObject(meta.Dc(), old);
        std::vector<stMetaRecord> recs = meta.Finish();
        DeleteObject(own);
        bool channelPen = false;
        for (const stMetaRecord* p : RecordsOf(recs, EMR_CREATEPEN))
            channelPen |= p->As<EMRCREATEPEN>()->lopn.lopnColor == kInk0;
        EXPECT_EQ(channelPen, r.channelPen) << r.colorMode;
        // The last point lies at sample 4's column, widened by the factors.
        int32_t lastX = -1;
        for (const stMetaRecord& rec : recs) {
            if (rec.type == EMR_POLYLINE16) lastX = rec.As<EMRPOLYLINE16>()->apts[1].x;
            if (rec.type == EMR_POLYLINE) lastX = rec.As<EMRPOLYLINE>()->aptl[1].x;
        }
        EXPECT_EQ(lastX, r.lastX) << r.a << "x" << r.b;
    }
}

// Escape pressed for the whole run.
int EscapeHeld() { return 1; }

TEST_F(Waveforms, EscapeEndsThePlotEarlyAndCountsAsDrawn) {
    SetRaw(gs.get(), 0, Sine(400, 160), kInk0);
    SetWaveEscapeProbe(EscapeHeld);
    EXPECT_EQ(Draw(0, 0.0, Visible()), 1);
    gs->hPerDiv = 2560.0;
    SetRaw(gs.get(), 1, Sine(26000, 20), kInk1);
    EXPECT_EQ(Draw(1, 0.0, Visible()), 1);
    EXPECT_EQ(surface.CountNotWhite(), 0);
}

// A keyboard behind a clock the test moves: each ask is counted.
struct TickedKey {
    static uint64_t tick;
    static int down, asks;
    static int Key() {
        ++asks;
        return down;
    }
};
uint64_t TickedKey::tick = 0;
int TickedKey::down = 0;
int TickedKey::asks = 0;
const stEscapeSource kTickedKey = {&TickedKey::tick, TickedKey::Key};

// Asking the keyboard is a round trip to the window system: a redraw of thousands of column
// groups asks it once while the clock stands still, and a press ends it once the clock moves.
TEST_F(Waveforms, RedrawAsksTheKeyboardOnlyWhenTheClockMovesOn) {
    struct Restore {
        ~Restore() { SetSampleEscapeSource(nullptr); }
    } restore;
    TickedKey::tick = 100;
    TickedKey::down = 0;
    TickedKey::asks = 0;
    SetSampleEscapeSource(&kTickedKey);
    gs->hPerDiv = 25600.0;  // 640 samples a column: many column groups
    SetRaw(gs.get(), 0, Sine(260000, 997), kInk0);
    ASSERT_EQ(Draw(0, 0.0, Visible()), 1);
    EXPECT_LE(TickedKey::asks, 1);
    const int drawn = surface.CountNotWhite();
    EXPECT_GT(drawn, 0);

    // Escape held and the clock moved on: the next redraw stops at its first check.
    PatBlt(surface.Dc(), 0, 0, surface.Width(), surface.Height(), WHITENESS);
    TickedKey::down = 1;
    ++TickedKey::tick;
    EXPECT_EQ(Draw(0, 0.0, Visible()), 1);
    EXPECT_GE(TickedKey::asks, 2);
    EXPECT_LT(surface.CountNotWhite(), drawn);
}

// A recording to disk keeps its samples in a ring: index i at (base + i - first) mod length.
TEST_F(Waveforms, RingWindowDrawsAsTheSameSamplesInMemoryAndDraftModeDropsTheJoins) {
    gs->hPerDiv = 2560.0;  // 64 samples per column
    // Each column of samples on one level, alternating column by column.
    std::vector<int16_t> s(26000);
    for (size_t k = 0; k < s.size(); ++k) s[k] = (k / 64) % 2 ? -1000 : 1000;
    SetRaw(gs.get(), 0, s, kInk0);
    ASSERT_EQ(Draw(0, 0.0, Visible()), 1);
    SaveArtefact(surface, "memory_joined_bars");

    const int32_t winFirst = 0, winLen = 26000, base = 9000;
    GraphPtr ring = NewDoc();
    ring->hPerDiv = 2560.0;
    std::vector<int16_t> ringed(winLen);
    for (int32_t i = 0; i < winLen; ++i) ringed[(base + i - winFirst) % winLen] = s[i];
    SetRaw(ring.get(), 0, ringed, kInk0);
    ring->chanCount[0] = winLen;
    ring->storageKind = kStoreDiskRecording;
    ring->winFirst = winFirst;
    ring->winLen = winLen;
    ring->winRingBase = base;
    ring->totalSamples = winLen;
    for (int draft = 0; draft < 2; ++draft) {
        ring->draftCompressed = static_cast<uint32_t>(draft);
        CDibSurface dib(420, 220);
        ASSERT_EQ(DrawGraphWaveforms(dib.Dc(), ring.get(), 0, 0.0, Visible(), 4, 1, 1, 0, 0), 1);
        for (int x = kPlot.left; x < kPlot.right; ++x) {
            if (!draft) {
                EXPECT_EQ(InkRows(dib, x), InkRows(surface, x)) << x;
            } else {
                int level = ((x - kPlot.left) % 2) ? kRowBottom : kRowTop;
                EXPECT_EQ(InkRows(dib, x), std::vector<int>{level}) << x;
            }
        }
        if (draft) SaveArtefact(dib, "ring_draft_bars");
    }
    // The memory document joins its bars whatever the draft setting.
    CDibSurface mem(420, 220);
    gs->draftCompressed = 1;
    ASSERT_EQ(DrawGraphWaveforms(mem.Dc(), gs.get(), 0, 0.0, Visible(), 4, 1, 1, 0, 0), 1);
    EXPECT_GT(InkRows(mem, 100).size(), 1u);
    // Samples the ring no longer holds cannot be read.
    ring->winLen = 10000;
    CDibSurface gone(420, 220);
    EXPECT_EQ(DrawGraphWaveforms(gone.Dc(), ring.get(), 0, 0.0, Visible(), 4, 1, 1, 0, 0), 0);
}

TEST_F(Waveforms, BadDocumentsAreSkippedOrDrawnSensiblyNeverCrash) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* name;
        void (*setUp)(tagGS*);
        int result;
        int maxInk;  // most inked pixels expected (-1: some ink required)
    } const rows[] = {
        {"empty channel", [](tagGS* g) { g->chanCount[0] = 0; }, 1, 0},
        {"one sample, line", [](tagGS* g) { g->chanCount[0] = 1; }, 1, 0},
        {"one sample, dots",
         [](tagGS* g) {
             g->chanCount[0] = 1;
             g->chanDrawStyle[0] = kStyleDots;
         },
         1, 1},
        {"zero value scale", [](tagGS* g) { g->chanPixelMap[2][0] = 0.0; }, 1, 420},
        {"negative value scale", [](tagGS* g) { g->chanPixelMap[2][0] = -kYScale; }, 1, -1},
        {"infinite value scale", [](tagGS* g) { g->chanPixelMap[2][0] = HUGE_VAL; }, 1, 420},
        {"zero time per division", [](tagGS* g) { g->hPerDiv = 0.0; }, 1, 0},
        {"negative sample interval", [](tagGS* g) { g->sampleInterval = -1.0; }, 1, 0},
        {"zero divisions", [](tagGS* g) { g->hDivisions = 0.0; }, 1, 0},
        {"zero-sized plot",
         [](tagGS* g) {
             g->plotRect = RECT{10, 10, 10, 10};
         },
         1, 0},
        {"inverted plot",
         [](tagGS* g) {
             g->plotRect = RECT{410, 210, 10, 10};
         },
         1, 0},
        {"start not a number", [](tagGS* g) { g->hStart = std::numeric_limits<double>::quiet_NaN(); }, 1, 0},
        {"no block",
         [](tagGS* g) {
             GlobalFree(GlobalHandle(g->chanBlock[0]));
             g->chanBlock[0] = nullptr;
         },
         0, 0},
        {"far zoom",
         [](tagGS* g) {
             g->hPerDiv = 1e-9;
             g->hStart = 100.0;
         },
         1, -1},
    };
    for (const Row& r : rows) {
        GraphPtr doc = NewDoc();
        SetRaw(doc.get(), 0, Sine(400, 160), kInk0);
        r.setUp(doc.get());
        CDibSurface dib(420, 220);
        EXPECT_EQ(DrawGraphWaveforms(dib.Dc(), doc.get(), 0, doc->hStart, 400.0, 4, 1, 1, 0, 0), r.result) << r.name;
        int ink = dib.CountNotWhite();
        if (r.maxInk < 0)
            EXPECT_GT(ink, 0) << r.name;
        else
            EXPECT_LE(ink, r.maxInk) << r.name;
        // The painters survive it too.
        CDibSurface paint(420, 220);
        PaintPlotArea(paint.Dc(), doc.get());
        PaintChannelBand(paint.Dc(), doc.get(), 0);
    }
    // A far zoom over a long run walks only the samples that can reach the bitmap.
    {
        GraphPtr doc = NewDoc();
        SetRaw(doc.get(), 0, Sine(3000000, 160), kInk0);
        doc->hPerDiv = 1e-9;
        CDibSurface dib(420, 220);
        EXPECT_EQ(DrawGraphWaveforms(dib.Dc(), doc.get(), 0, 0.0, 3e6, 4, 1, 1, 0, 0), 1);
        EXPECT_GT(dib.CountNotWhite(), 0);
    }
    // Floating samples with gaps and infinities: the gaps stay empty, the rest is drawn.
    std::vector<double> v(400, 0.5);
    for (int k = 100; k < 110; ++k) v[k] = nan;
    v[200] = inf;
    v[201] = -inf;
    v[300] = 1e300;
    SetValues(gs.get(), 0, v, kInk0);
    gs->hPerDiv = 40.0;  // one pixel per sample
    ASSERT_EQ(Draw(0, 0.0, Visible()), 1);
    for (int k : {50, 98, 110, 150, 250, 350}) EXPECT_EQ(surface.At(ColumnOf(k, 1.0), 70), kInk0) << k;
    for (int k = 99; k < 110; ++k) EXPECT_TRUE(InkRows(surface, ColumnOf(k, 1.0), kInk0).empty()) << k;
    // Compressed, with whole columns of gaps.
    CDibSurface wide(420, 220);
    std::vector<double> w(26000, -0.5);
    for (int k = 640; k < 1280; ++k) w[k] = nan;
    gs->hPerDiv = 2560.0;
    SetValues(gs.get(), 1, w, kInk1);
    ASSERT_EQ(DrawGraphWaveforms(wide.Dc(), gs.get(), 1, 0.0, Visible(), 4, 1, 1, 0, 0), 1);
    EXPECT_EQ(InkRows(wide, kPlot.left + 5, kInk1), std::vector<int>{150});
    for (int x = kPlot.left + 10; x < kPlot.left + 20; ++x) EXPECT_TRUE(InkRows(wide, x, kInk1).empty()) << x;
    EXPECT_EQ(InkRows(wide, kPlot.left + 25, kInk1), std::vector<int>{150});
}

TEST_F(Waveforms, TimeAndColumnsConvertBothWaysAndPaintChannelBandDrawsOneBand) {
    gs->hPerDiv = 100.0;  // 2.5 ms per pixel
    gs->hStart = 50.0;
    struct Row {
        double time, x;
    } const rows[] = {{50.0, 10.0}, {51.25, 11.0},   {48.75, 10.0},        {23.75, -1.0},
                      {52.5, 11.0}, {1050.0, 410.0}, {-1e300, -67108864.0}};
    for (const Row& r : rows) {
        EXPECT_EQ(GraphTimeToX(gs.get(), r.time), r.x) << r.time;
    }
    for (int32_t x : {-5, 10, 137, 410}) EXPECT_DOUBLE_EQ(GraphTimeToX(gs.get(), GraphXToTime(gs.get(), x)), x);
    EXPECT_DOUBLE_EQ(GraphXToTime(gs.get(), 11), 52.5);

    // One band of a Chart: only its rows change.
    gs->displayMode = kModeChart;
    gs->hStart = 0.0;
    SetRaw(gs.get(), 0, Sine(1200, 250), kInk0);
    SetRaw(gs.get(), 1, Square(1200, 100), kInk1);
    gs->chanBandRects[0] = RECT{10, 11, 410, 100};
    gs->chanBandRects[1] = RECT{10, 101, 410, 209};
    gs->chanPixelMap[3][1] = 155.0;
    gs->chanPixelMap[2][1] = 40.0;
    EXPECT_EQ(PaintChannelBand(surface.Dc(), gs.get(), 1), 1);
    int ink1 = 0;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x) {
            COLORREF c = surface.At(x, y);
            EXPECT_NE(c, kInk0);
            if (c == kInk1) {
                ++ink1;
                EXPECT_GE(y, 101);
                EXPECT_LT(y, 209);
            }
        }
    EXPECT_GT(ink1, 400);
    EXPECT_EQ(PaintChannelBand(surface.Dc(), gs.get(), 5), 0);  // no channel there
    // A hidden channel is neither a band of its own nor painted with the plot.
    gs->chanFlags[1] |= kChanHidden;
    EXPECT_EQ(PaintChannelBand(surface.Dc(), gs.get(), 1), 0);
    CDibSurface hidden(420, 220);
    ASSERT_EQ(PaintPlotArea(hidden.Dc(), gs.get()), 1);
    for (int y = 0; y < hidden.Height(); ++y)
        for (int x = 0; x < hidden.Width(); ++x) EXPECT_NE(hidden.At(x, y), kInk1);
}

TEST_F(Waveforms, RepaintingOneChartBandKeepsTheSelectionOfEveryBand) {
    gs->displayMode = kModeChart;
    gs->hPerDiv = 100.0;   // 2.5 ms per pixel
    gs->selStart = 100.0;  // columns 50 .. 150
    gs->selEnd = 350.0;
    const RECT bands[3] = {{10, 11, 410, 77}, {10, 77, 410, 143}, {10, 143, 410, 209}};
    const COLORREF inks[3] = {kInk0, kInk1, kInk2};
    for (int s = 0; s < 3; ++s) {
        SetRaw(gs.get(), s, Sine(1200, 250 + 50 * s, 500.0), inks[s]);
        gs->chanBandRects[s] = bands[s];
        gs->chanPixelMap[3][s] = (bands[s].top + bands[s].bottom) / 2;
        gs->chanPixelMap[2][s] = 40.0;
    }
    ASSERT_EQ(PaintPlotArea(surface.Dc(), gs.get()), 1);
    std::vector<COLORREF> whole;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x) whole.push_back(surface.At(x, y));
    // Every band shows the selection: its empty top rows are inverted over columns 50 .. 149.
    for (const RECT& b : bands) {
        EXPECT_EQ(surface.At(100, b.top + 2), RGB(0, 0, 0)) << b.top;
        EXPECT_EQ(surface.At(200, b.top + 2), kWhite) << b.top;
    }
    // Each band repainted on its own (a vertical scroll of its channel) gives the same picture.
    for (int s = 0; s < 3; ++s) {
        ASSERT_EQ(PaintChannelBand(surface.Dc(), gs.get(), s), 1);
        int changed = 0, outside = 0;
        for (int y = 0; y < surface.Height(); ++y)
            for (int x = 0; x < surface.Width(); ++x) {
                bool differs = surface.At(x, y) != whole[static_cast<size_t>(y) * surface.Width() + x];
                POINT pt{x, y};
                changed += differs;
                outside += differs && !PtInRect(&bands[s], pt);
            }
        EXPECT_EQ(outside, 0) << "band " << s;
        EXPECT_EQ(changed, 0) << "band " << s;
        for (const RECT& b : bands) EXPECT_EQ(surface.At(100, b.top + 2), RGB(0, 0, 0)) << s << " " << b.top;
    }
    SaveArtefact(surface, "chart_band_selection");
}

}  // namespace

// ---- A disk-paged document drawn window by window ----

namespace {

constexpr uint32_t kPagedSamples = 60000;
constexpr uint32_t kDataOffset = 312;
constexpr int kRawSlot = 1, kValueSlot = 2;
const RECT kRawBand = {10, 11, 410, 110}, kValueBand = {10, 111, 410, 209};

// Multiples of 8 at 1/1024 per unit keep the raw and the value row maps in step.
int16_t PagedRaw(uint32_t k) { return (k / 128) % 2 ? -8000 : 8000; }
double PagedValue(uint32_t k) { return 5.0 * std::cos(2 * kPi * k / 2900.0); }

// The two channels, their bands and maps, in a Chart over the whole plot.
void SetPagedChannels(tagGS* gs) {
    gs->displayMode = kModeChart;
    const int slots[2] = {kRawSlot, kValueSlot};
    const RECT bands[2] = {kRawBand, kValueBand};
    const double zero[2] = {60.0, 160.0}, scale[2] = {5.0, 8.0};
    for (int i = 0; i < 2; ++i) {
        int s = slots[i];
        gs->chanFlags[s] = 2;
        gs->chanType[s] = s == kRawSlot ? 2 : 1;
        gs->chanBytes[s] = s == kRawSlot ? 2 : 8;
        gs->chanCount[s] = kPagedSamples;
        gs->chanScale[s] = 1.0 / 1024.0;
        gs->chanOffset[s] = 0.0;
        gs->chanColor[s] = i ? kInk1 : kInk0;
        gs->chanDrawStyle[s] = kStyleLine;
        gs->chanBandRects[s] = bands[i];
        gs->chanPixelMap[3][s] = zero[i];
        gs->chanPixelMap[2][s] = scale[i];
    }
    gs->totalSamples = kPagedSamples;
}

class WaveformsPaged : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[MAX_PATH], path[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        GetTempFileNameA(dir, "wfp", 0, path);
        path_ = path;
        std::vector<uint8_t> bytes(kDataOffset, 0);
        for (uint32_t k = 0; k < kPagedSamples; ++k) {
            int16_t r = PagedRaw(k);
            double v = PagedValue(k);
            const uint8_t* pr = reinterpret_cast<const uint8_t*>(&r);
            const uint8_t* pv = reinterpret_cast<const uint8_t*>(&v);
            bytes.insert(bytes.end(), pr, pr + 2);
            bytes.insert(bytes.end(), pv, pv + 8);
        }
        HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(f);
        ASSERT_EQ(done, bytes.size());

        paged = NewDoc();
        memory = NewDoc();
        ASSERT_TRUE(paged && memory);
        SetPagedChannels(paged.get());
        lstrcpyA(paged->filePath, path);
        paged->dataOffset = kDataOffset;
        paged->storageKind = kStoreDiskPaged;
        paged->winSize = kPagingWindow;
        paged->winFirst = 0;
        paged->winRingBase = paged->winLen = 0;

        SetPagedChannels(memory.get());
        auto* raw = static_cast<int16_t*>(NewBlock(kPagedSamples * 2));
        auto* val = static_cast<double*>(NewBlock(kPagedSamples * 8));
        for (uint32_t k = 0; k < kPagedSamples; ++k) {
            raw[k] = PagedRaw(k);
            val[k] = PagedValue(k);
        }
        memory->chanBlock[kRawSlot] = raw;
        memory->chanBlock[kValueSlot] = val;
    }
    void TearDown() override {
        paged.reset();
        DeleteFileA(path_.c_str());
    }
    std::string path_;
    GraphPtr paged, memory;
};

TEST_F(WaveformsPaged, WindowByWindowDrawsWhatTheSameSamplesDrawFromMemory) {
    struct Row {
        const char* name;
        double hPerDiv, hStart;
    } const rows[] = {
        {"whole recording, in slices", 5120.0, 0.0},  // 1/128 pixel per sample, longer than a window
        {"one window", 500.0, 20000.0},               // 5000 samples, compressed
        {"every sample", 20.0, 31000.0},              // 2 pixels per sample
        {"near the end", 500.0, 56000.0},
    };
    for (const Row& r : rows) {
        for (tagGS* g : {paged.get(), memory.get()}) {
            g->hPerDiv = r.hPerDiv;
            g->hStart = r.hStart;
        }
        CDibSurface fromDisk(420, 220), fromMemory(420, 220);
        ASSERT_EQ(PaintPlotArea(fromDisk.Dc(), paged.get()), 1) << r.name;
        ASSERT_EQ(PaintPlotArea(fromMemory.Dc(), memory.get()), 1) << r.name;
        int differ = 0, inked = 0;
        for (int y = 0; y < fromDisk.Height(); ++y)
            for (int x = 0; x < fromDisk.Width(); ++x) {
                differ += fromDisk.At(x, y) != fromMemory.At(x, y);
                inked += fromDisk.At(x, y) == kInk0 || fromDisk.At(x, y) == kInk1;
            }
        EXPECT_EQ(differ, 0) << r.name;
        EXPECT_GT(inked, 400) << r.name;
        // Never the whole recording at once.
        EXPECT_EQ(paged->storageKind, kStoreDiskPaged) << r.name;
        EXPECT_LE(paged->winLen, kPagingWindow) << r.name;
        if (r.hStart == 0.0) SaveArtefact(fromDisk, "paged_whole_recording");
    }
}

TEST_F(WaveformsPaged, DraftModeDrawsCompressedRawChannelsAsBarsAlone) {
    for (tagGS* g : {paged.get(), memory.get()}) {
        g->hPerDiv = 5120.0;  // 128 samples per column: the square changes level every column
        g->draftCompressed = 1;
    }
    CDibSurface draft(420, 220), joined(420, 220);
    ASSERT_EQ(PaintPlotArea(draft.Dc(), paged.get()), 1);
    ASSERT_EQ(PaintPlotArea(joined.Dc(), memory.get()), 1);
    SaveArtefact(draft, "paged_draft");
    for (int x = kPlot.left; x < kPlot.right; ++x) {
        const int level = ((x - kPlot.left) % 2) ? 99 : 21;  // 60 -+ 39
        EXPECT_EQ(InkRows(draft, x, kInk0), std::vector<int>{level}) << x;
        // Joined: half of each steep line from level to level falls on this column.
        EXPECT_GE(InkRows(joined, x, kInk0).size(), 39u) << x;
        // The floating channel is joined either way.
        EXPECT_EQ(InkRows(draft, x, kInk1), InkRows(joined, x, kInk1)) << x;
    }
}

}  // namespace

namespace {

TEST_F(Waveforms, SegmentRunsStartAtTheLeftEdgeAndTheEmphasisedOneIsDarkerAndWider) {
    gs->hPerDiv = 8.0;  // 5 pixels per sample
    SetRaw(gs.get(), 0, {0, 1000, -1000, 0, 500, 0, 0, 0}, kInk0);
    // A segment run from sample 4 lies on the left edge; sample 5 one step further.
    ASSERT_EQ(DrawGraphWaveforms(surface.Dc(), gs.get(), 0, 4.0, 3.0, 4, 1, 1, 1, 0), 1);
    EXPECT_EQ(surface.At(kPlot.left, 70), kInk0);
    EXPECT_TRUE(InkRows(surface, kPlot.left - 1).empty());
    EXPECT_EQ(surface.At(kPlot.left + 10, kRowMid), kInk0);  // sample 6
    for (int x = kPlot.left + 6; x < kPlot.left + 30; ++x) {
        if (x < kPlot.left + 15) {
            EXPECT_EQ(InkRows(surface, x), std::vector<int>{kRowMid}) << x;
        } else {
            EXPECT_TRUE(InkRows(surface, x).empty()) << x;  // sample 7 ends the run
        }
    }

    struct Row {
        int emphasis;
        COLORREF color;
        LONG width;
    } const rows[] = {{0, kInk0, 1}, {1, ShadeColor(kInk0, -30, 30, 240), 2}};
    for (const Row& r : rows) {
        CMetaRecorder meta;
        ASSERT_EQ(DrawGraphWaveforms(meta.Dc(), gs.get(), 0, 0.0, 7.0, 4, 1, 1, 1, r.emphasis), 1);
        std::vector<stMetaRecord> recs = meta.Finish();
        std::vector<const stMetaRecord*> pens = RecordsOf(recs, EMR_CREATEPEN);
        ASSERT_EQ(pens.size(), 1u) << r.emphasis;
        EXPECT_EQ(pens[0]->As<EMRCREATEPEN>()->lopn.lopnColor, r.color) << r.emphasis;
        EXPECT_EQ(pens[0]->As<EMRCREATEPEN>()->lopn.lopnWidth.x, r.width) << r.emphasis;
    }
    // Darker: lightness 30 lower.
    EXPECT_NEAR(static_cast<int>((RgbToHls(rows[1].color) >> 8) & 0xFF),
                static_cast<int>((RgbToHls(kInk0) >> 8) & 0xFF) - 30, 1);
}

TEST_F(Waveforms, XYLatestDotOnlyPaintsOverTheDotBeforeAndPagesShiftLeft) {
    std::vector<double> xs = {-0.5, 0.0, 0.5}, ys = {0.5, 0.0, -0.5};
    SetValues(gs.get(), 3, ys, kInk0);
    SetValues(gs.get(), 4, xs, kInk1);
    gs->selectedChan = 3;
    gs->xyXChan = 4;
    gs->chanPixelMap[0][4] = 80.0;
    gs->chanPixelMap[1][4] = 210.0;
    gs->chanDrawStyle[3] = kStyleDots;
    // Pages: the plot of page 1 lies one plot width further left.
    CDibSurface page1(420, 220);
    ASSERT_EQ(DrawGraphWaveforms2(page1.Dc(), gs.get(), 0, 2, 4, 0, 1, 1), 1);
    EXPECT_EQ(page1.At(170, 70), kInk0);
    EXPECT_EQ(page1.At(210, kRowMid), kInk0);
    EXPECT_EQ(page1.At(250, 150), kInk0);
    CDibSurface shifted(420, 220);
    gs->chanPixelMap[1][4] = 610.0;  // the same points 400 pixels to the right ...
    ASSERT_EQ(DrawGraphWaveforms2(shifted.Dc(), gs.get(), 0, 2, 4, 1, 1, 1), 1);  // ... on page 1
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 420; ++x) EXPECT_EQ(shifted.At(x, y), page1.At(x, y)) << x << "," << y;
    gs->chanPixelMap[1][4] = 210.0;

    // Latest only: the dot drawn before goes, the new one stays.
    gs->chanPlotStyle[3] = 0x80000101u;
    CDibSurface latest(420, 220);
    gs->chanCount[3] = gs->chanCount[4] = 2;
    ASSERT_EQ(DrawGraphWaveforms2(latest.Dc(), gs.get(), 0, 1, 4, 0, 1, 1), 1);
    EXPECT_EQ(latest.At(210, kRowMid), kInk0);
    gs->chanCount[3] = gs->chanCount[4] = 3;
    ASSERT_EQ(DrawGraphWaveforms2(latest.Dc(), gs.get(), 0, 2, 4, 0, 1, 1), 1);
    EXPECT_EQ(latest.At(210, kRowMid), kWhite);
    EXPECT_EQ(latest.At(250, 150), kInk0);
    EXPECT_EQ(latest.CountNotWhite(), 1);
}

}  // namespace
