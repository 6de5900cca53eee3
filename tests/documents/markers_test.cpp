// The marker model of a graph document without a window: insertion order, numbering and labels,
// removal, the segment arithmetic, how markers follow cuts and shortened channels, key markers,
// and both stored places of the graph file read back into a new document.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "base/byte_stream.h"
#include "documents/markers/markers.h"
#include "documents/measurements/measurements.h"
#include "documents/stored_blocks.h"
#include "documents/files/marker_section.h"
#include "graph/document/marker_walks.h"
#include "controls/tests/dib32.h"

namespace {

// A document of 1000 samples at 5 ms with its marker manager, as a new graph has one.
struct MarkerDoc : TestDoc {
    MarkerDoc() {
        gs->markerManager = NewMarkerManager(gs);
        gs->totalSamples = 1000;
        gs->chanCount[0] = 1000;
    }
    ~MarkerDoc() {
        FreeMarkerList(gs->markers);
        if (gs->markers) {
            HGLOBAL h = GlobalHandle(gs->markers);
            GlobalUnlock(h);
            GlobalFree(h);
            gs->markers = nullptr;
        }
    }
    CMarkerManager* m() const { return gs->markerManager; }
    stMarkerNode* Add(uint32_t position, int type, const char* label = nullptr) {
        return InsertMarker(gs, gs->markers, position * gs->sampleInterval, 1, label, type);
    }
    // Position, type, number and label of every node in list order.
    std::vector<std::string> Nodes() const {
        std::vector<std::string> out;
        for (stMarkerNode* n = gs->markers ? gs->markers->first : nullptr; n; n = n->next)
            out.push_back(std::to_string(n->position) + " t" + std::to_string(n->marker->type) + " #" +
                          std::to_string(n->marker->number) + " " + n->label);
        return out;
    }
};

using Lines = std::vector<std::string>;

TEST(MarkerModel, InsertionKeepsPositionOrderAndTheOrderOfEqualPositions) {
    MarkerDoc d;
    d.Add(50, 0, "a");
    d.Add(50, 0, "b");
    d.Add(10, 2, "c");
    // 12.9 ms at 5 ms a sample truncates to sample 2.
    InsertMarker(d.gs, d.gs->markers, 12.9, 1, "d", 1);
    EXPECT_EQ(d.Nodes(), (Lines{"2 t1 #1 d", "10 t2 #1 c", "50 t0 #1 a", "50 t0 #2 b"}));
    EXPECT_EQ(d.gs->markers->count, 4u);
    EXPECT_EQ(GetMarkerCount(d.gs), 4u);
    // The newest marker is current with its label open, and only it.
    ASSERT_NE(d.gs->markers->current, nullptr);
    EXPECT_STREQ(d.gs->markers->current->label, "d");
    int open = 0;
    for (stMarkerNode* n = d.gs->markers->first; n; n = n->next) open += n->labelOpen;
    EXPECT_EQ(open, 1);
}

TEST(MarkerModel, NumbersFollowInsertionUntilARemovalRenumbersInListOrder) {
    MarkerDoc d;
    d.Add(300, 0, "late");
    d.Add(100, 0, "early");
    stMarkerNode* middle = d.Add(200, 0, "middle");
    EXPECT_EQ(d.Nodes(), (Lines{"100 t0 #2 early", "200 t0 #3 middle", "300 t0 #1 late"}));
    RemoveMarker(d.m(), middle);
    EXPECT_EQ(d.Nodes(), (Lines{"100 t0 #1 early", "300 t0 #2 late"}));
    EXPECT_EQ(d.m()->counters[0], 2u);
}

TEST(MarkerModel, RemovingASegmentRenamesDefaultSegmentLabelsButNotFixedOnes) {
    MarkerDoc d;
    stMarkerNode* first = d.Add(0, 3);
    d.Add(100, 3);
    stMarkerNode* typed = d.Add(200, 3);
    d.Add(300, 3);
    EXPECT_EQ(d.Nodes(), (Lines{"0 t3 #1 Segment 1", "100 t3 #2 Segment 2", "200 t3 #3 Segment 3", "300 t3 #4 Segment 4"}));
    // A label the user typed is fixed.
    d.gs->markers->current = typed;
    typed->labelOpen = 1;
    ASSERT_EQ(SetCurrentMarkerLabel(d.gs, "Rest"), 1);
    RemoveMarker(d.m(), first);
    EXPECT_EQ(d.Nodes(), (Lines{"100 t3 #1 Segment 1", "200 t3 #2 Rest", "300 t3 #3 Segment 3"}));
    // The newest append marker is the active one.
    EXPECT_EQ(GetActiveSegmentMarker(d.m())->position, 300u);
}

TEST(MarkerModel, NumberedAndCurrentLookups) {
    MarkerDoc d;
    EXPECT_EQ(GetMarkerByNumber(nullptr, 0), nullptr);
    d.Add(10, 0, "x");
    d.Add(20, 0, "y");
    d.Add(30, 0, "z");
    stMarkerNode* first = d.gs->markers->first;
    struct Case {
        uint32_t n;
        const char* label;
    } cases[] = {{0, "z"}, {1, "x"}, {3, "z"}, {4, nullptr}};
    for (const Case& c : cases) {
        stMarkerNode* node = GetMarkerByNumber(first, c.n);
        if (!c.label)
            EXPECT_EQ(node, nullptr) << c.n;
        else
            EXPECT_STREQ(node ? node->label : "", c.label) << c.n;
    }
    EXPECT_EQ(GetCurrentMarkerNumber(d.gs->markers), 3);
    d.gs->markers->current = nullptr;
    EXPECT_EQ(GetCurrentMarkerNumber(d.gs->markers), 4);
    uint32_t pos = 0;
    EXPECT_EQ(MarkerSampleByNumber(d.gs, 2, &pos), 1);
    EXPECT_EQ(pos, 20u);
    EXPECT_EQ(MarkerSampleByNumber(d.gs, 4, &pos), 0);
}

TEST(MarkerModel, LabelsLongerThanTheFieldAreCutAndEnded) {
    MarkerDoc d;
    const std::string longText(300, 'L');
    stMarkerNode* n = d.Add(5, 0, longText.c_str());
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->labelLength, kMarkerLabelMax);
    EXPECT_EQ(std::strlen(n->label), kMarkerLabelMax);
    // A preset of the full field gives a label that still ends inside it.
    ASSERT_EQ(AddMarkerLabelPreset(d.m(), 3, longText.c_str(), 0), 1);
    stMarkerNode* seg = d.Add(0, 3);
    EXPECT_EQ(std::strlen(seg->label), kMarkerLabelMax);
    EXPECT_EQ(seg->marker->fixedLabel, 1);
}

// ---- Segments ----

TEST(MarkerSegments, SegmentEndsAreTheSampleBeforeTheNextAppendMarkerOrTheEndOfData) {
    struct Case {
        std::vector<uint32_t> appends;
        std::vector<uint32_t> ends;
    } cases[] = {
        {{0}, {1000}},
        {{0, 400}, {399, 1000}},
        {{0, 400, 401}, {399, 400, 1000}},
        // Two append markers at 0: an empty first segment, not one that wraps to 0xFFFFFFFF.
        {{0, 0, 500}, {0, 499, 1000}},
    };
    for (const Case& c : cases) {
        MarkerDoc d;
        for (uint32_t p : c.appends) d.Add(p, 3);
        std::vector<uint32_t> ends;
        for (stMarkerNode* n = FirstMarkerOfType(d.gs, 3); n; n = NextMarkerOfType(d.gs, n, 3))
            ends.push_back(GetSegmentEnd(d.m(), n));
        EXPECT_EQ(ends, c.ends) << c.appends.size() << " segments";
    }
}

TEST(MarkerSegments, TheActiveSegmentsRangeTimesAndLength) {
    MarkerDoc d;
    EXPECT_EQ(GetActiveSegmentLength(d.m()), 0xFFFFFFFFu);
    stMarkerNode* first = d.Add(0, 3);
    d.Add(600, 3);
    stMarkerNode* event = d.Add(100, 0);
    SelectSegmentByMarker(d.m(), event);
    EXPECT_EQ(GetActiveSegmentMarker(d.m()), first);
    uint32_t a = 0, b = 0;
    ASSERT_EQ(GetActiveSegmentRange(d.m(), &a, &b), 1);
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 599u);
    double t0 = 0, t1 = 0;
    ASSERT_EQ(GetActiveSegmentTimes(d.m(), &t0, &t1), 1);
    EXPECT_DOUBLE_EQ(t1, 599 * 5.0);
    EXPECT_EQ(GetActiveSegmentLength(d.m()), 600u);
    // The selection is held inside a segment and remembered as offsets from its start.
    d.gs->selStart = 2000.0;
    d.gs->selEnd = 9000.0;
    StoreSegmentSelection(d.m(), first);
    EXPECT_DOUBLE_EQ(d.gs->selStart, 2000.0);
    EXPECT_DOUBLE_EQ(d.gs->selEnd, 599 * 5.0);
    EXPECT_DOUBLE_EQ(d.m()->selEndOffset, 599 * 5.0);
}

TEST(MarkerSegments, ACutMovesOrRemovesEveryMarkerTypeItPasses) {
    struct Case {
        const char* what;
        uint32_t s0, s1;
        Lines after;
    } cases[] = {
        {"a cut covering the whole second segment removes its append marker and its events", 300, 600,
         {"0 t3 #1 Segment 1", "150 t0 #1 e1", "300 t3 #2 Segment 2", "500 t1 #1 k"}},
        {"a cut from inside the first segment into the second moves the second's start to the cut", 250, 350,
         {"0 t3 #1 Segment 1", "150 t0 #1 e1", "250 t3 #2 Segment 2", "350 t0 #2 e2", "500 t3 #3 Segment 3",
          "700 t1 #1 k"}},
        {"a cut before every event marker moves all of them left", 10, 60,
         {"0 t3 #1 Segment 1", "100 t0 #1 e1", "250 t3 #2 Segment 2", "400 t0 #2 e2", "550 t3 #3 Segment 3",
          "750 t1 #1 k"}},
    };
    for (const Case& c : cases) {
        MarkerDoc d;
        d.Add(0, 3);
        d.Add(150, 0, "e1");
        d.Add(300, 3);
        d.Add(450, 0, "e2");
        d.Add(600, 3);
        d.Add(800, 1, "k");
        AdjustMarkersForCut(d.m(), c.s0 * 5.0, c.s1 * 5.0);
        EXPECT_EQ(d.Nodes(), c.after) << c.what;
        EXPECT_EQ(d.gs->markers->count, c.after.size()) << c.what;
    }
}

TEST(MarkerSegments, AnInsertionMovesTheMarkersAtOrAfterItRight) {
    MarkerDoc d;
    d.Add(0, 3);
    d.Add(100, 0, "before");
    d.Add(200, 0, "at");
    d.Add(300, 3);
    AdjustMarkersForInsert(d.m(), 200 * 5.0, 50);
    EXPECT_EQ(d.Nodes(), (Lines{"0 t3 #1 Segment 1", "100 t0 #1 before", "250 t0 #2 at", "350 t3 #2 Segment 2"}));
}

TEST(MarkerSegments, ShortenedChannelsTakeTheEventMarkersPastTheEndButNeverAppendMarkers) {
    struct Case {
        const char* what;
        uint32_t end;
        Lines after;
    } cases[] = {
        {"end inside the data", 500, {"0 t3 #1 Segment 1", "100 t0 #1 a", "700 t3 #2 Segment 2"}},
        {"every event beyond the data", 50, {"0 t3 #1 Segment 1", "700 t3 #2 Segment 2"}},
    };
    for (const Case& c : cases) {
        MarkerDoc d;
        d.Add(0, 3);
        d.Add(100, 0, "a");
        d.Add(600, 2, "b");
        d.Add(700, 3);
        d.Add(900, 1, "c");
        d.gs->chanCount[0] = c.end;
        DeleteMarkersPastEnd(d.m());
        EXPECT_EQ(d.Nodes(), c.after) << c.what;
    }
}

TEST(MarkerModel, DeleteRefusesAppendMarkersAndClearKeepsThem) {
    MarkerDoc d;
    stMarkerNode* seg = d.Add(0, 3);
    d.Add(10, 0, "a");
    stMarkerNode* b = d.Add(20, 2, "b");
    EXPECT_EQ(DeleteMarker(d.m(), seg), 0);
    EXPECT_EQ(DeleteMarker(d.m(), b), 1);
    EXPECT_EQ(d.Nodes(), (Lines{"0 t3 #1 Segment 1", "10 t0 #1 a"}));
    // The nearest event marker becomes current.
    ASSERT_NE(d.gs->markers->current, nullptr);
    EXPECT_STREQ(d.gs->markers->current->label, "a");
    ClearAllMarkers(d.m());
    EXPECT_EQ(d.Nodes(), (Lines{"0 t3 #1 Segment 1"}));
}

// ---- Key markers ----

TEST(KeyMarkers, FunctionKeysInsertOnlyWhileRecordingWithTheBarShown) {
    struct Case {
        const char* what;
        uint32_t acquiring, barShown;
        int id;
        Lines after;
    } cases[] = {
        {"F9 while recording", 1, 1, 399, {"1000 t0 #1 "}},
        {"F2 with its preset", 1, 1, 392, {"1000 t1 #1 Stimulus"}},
        {"F3 without a preset", 1, 1, 393, {}},
        {"F9 without a recording", 0, 1, 399, {}},
        {"F9 with the bar hidden", 1, 0, 399, {}},
    };
    for (const Case& c : cases) {
        MarkerDoc d;
        AddMarkerLabelPreset(d.m(), 1, "Stimulus", 392);
        d.gs->acquiring = c.acquiring;
        d.gs->markerBarShown = c.barShown;
        InsertKeyMarker(d.m(), c.id);
        EXPECT_EQ(d.Nodes(), c.after) << c.what;
    }
}

TEST(KeyMarkers, SequentialPresetsLabelTheirNumbersAndNoFurther) {
    MarkerDoc d;
    AddMarkerLabelPreset(d.m(), 0, "one", 0);
    AddMarkerLabelPreset(d.m(), 0, "two", 0);
    d.gs->acquiring = d.gs->markerBarShown = 1;
    for (int i = 0; i < 3; ++i) {
        InsertKeyMarker(d.m(), 399);
        d.gs->totalSamples += 10;
    }
    EXPECT_EQ(d.Nodes(), (Lines{"1000 t0 #1 one", "1010 t0 #2 two", "1020 t0 #3 "}));
}

// ---- The stored places ----

Bytes SaveBoth(MarkerDoc& d, bool selection = false, int32_t kept = -1) {
    CByteWriter out;
    EXPECT_EQ(WriteMarkerSection(d.gs, out, selection, kept), 1);
    EXPECT_EQ(MarkerManagerSave(d.gs, out, selection ? MarkerBlockForm::SelectionOnly : MarkerBlockForm::Normal, kept), 1);
    return out.Bytes();
}

void LoadBoth(MarkerDoc& d, const Bytes& b, bool withManager = true) {
    CByteReader in(b.data(), b.size());
    stMarkerSectionRead read;
    ASSERT_EQ(ReadMarkerSection(d.gs, in, MarkerSectionForm::Standard, 0xFFFFFFFEu, &read), MarkerSectionFault::None);
    if (withManager) {
        ASSERT_EQ(MarkerManagerLoad(d.gs, in, 0), kBlockRead);
    }
}

TEST(MarkerStore, BothPlacesReadBackEveryMarkerAndThePreferences) {
    MarkerDoc d;
    AddMarkerLabelPreset(d.m(), 1, "Tone", 395);
    d.m()->settings.sortBy = 1;
    d.Add(0, 3);
    d.Add(40, 1, "Tone");
    d.Add(200, 3);
    d.Add(250, 2, "placed");
    d.m()->segmentView = 1;
    const Bytes file = SaveBoth(d);
    MarkerDoc back;
    LoadBoth(back, file);
    EXPECT_EQ(back.Nodes(), d.Nodes());
    for (stMarkerNode *a = d.gs->markers->first, *b = back.gs->markers->first; a && b; a = a->next, b = b->next) {
        EXPECT_EQ(a->marker->active, b->marker->active);
        EXPECT_EQ(a->marker->stamp.wHour, b->marker->stamp.wHour);
        EXPECT_EQ(a->marker->stamp.wSecond, b->marker->stamp.wSecond);
    }
    EXPECT_EQ(back.m()->segmentView, 1u);
    EXPECT_EQ(back.m()->settings.sortBy, 1u);
    ASSERT_EQ(back.m()->settings.presets[1].Last(), 0);
    EXPECT_EQ(back.m()->settings.presets[1].At(0)->key, 395);
    EXPECT_STREQ(back.m()->settings.presets[1].At(0)->text, "Tone");
    // Written again, the same bytes.
    EXPECT_EQ(SaveBoth(back), file);
}

TEST(MarkerStore, WithoutTheManagerBlockEveryMarkerIsASequentialEvent) {
    MarkerDoc d;
    d.Add(0, 3);
    d.Add(40, 1, "k");
    MarkerDoc back;
    LoadBoth(back, SaveBoth(d), false);
    EXPECT_EQ(back.Nodes(), (Lines{"0 t0 #1 Segment 1", "40 t0 #2 k"}));
}

TEST(MarkerStore, APresetFillingItsWholeFieldIsEndedWhenRead) {
    MarkerDoc d;
    Bytes b;
    const uint32_t counters[4] = {0, 0, 0, 0};
    b = MarkerManagerBlock(counters, {}, 1);
    // The one type-3 preset's 128 text bytes, all letters.
    const size_t text = b.size() - 128;
    std::memset(b.data() + text, 'P', 128);
    CByteReader in(b.data(), b.size());
    ASSERT_EQ(MarkerManagerLoad(d.gs, in, 0), kBlockRead);
    stMarkerNode* seg = d.Add(0, 3);
    EXPECT_EQ(std::strlen(seg->label), kMarkerLabelMax);
    EXPECT_EQ(std::string(seg->label), std::string(kMarkerLabelMax, 'P'));
}

TEST(MarkerStore, ASelectionSaveKeepsOneAppendMarkerAsTheFirstActiveSegment) {
    MarkerDoc d;
    d.Add(0, 3);
    d.Add(50, 0, "e");
    d.Add(300, 3);
    const Bytes b = SaveBoth(d, true, 2);
    MarkerDoc back;
    LoadBoth(back, b);
    EXPECT_EQ(back.Nodes(), (Lines{"0 t3 #1 Segment 1"}));
    EXPECT_EQ(back.gs->markers->first->marker->active, 1);
    // Nothing to keep: an empty section and a block without records.
    const Bytes none = SaveBoth(d, true, -1);
    EXPECT_EQ(GetU32(none, 0), 0u);
    EXPECT_EQ(GetU32(none, 4), 0u);
    MarkerDoc empty;
    LoadBoth(empty, none);
    EXPECT_EQ(GetMarkerCount(empty.gs), 0u);
}

}  // namespace

namespace {

// A white 32-bit picture to draw markers into, read back pixel by pixel.
struct Picture {
    static constexpr int kW = 640, kH = 220;
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t* bits = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    Picture() {
        void* p = nullptr;
        bmp = CreateTopDownDib32(dc, kW, kH, &p);
        bits = static_cast<uint32_t*>(p);
        old = SelectObject(dc, bmp);
        std::fill(bits, bits + kW * kH, 0xFFFFFFu);
        SetBkMode(dc, TRANSPARENT);
    }
    ~Picture() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    bool Dark(int x, int y) const { return (bits[y * kW + x] & 0xFFFFFFu) != 0xFFFFFFu; }
    // Dark pixels in a rectangle, and the rightmost column that has one (-1 none).
    int CountDark(int l, int t, int r, int b, int* rightmost = nullptr) const {
        int n = 0;
        if (rightmost) *rightmost = -1;
        for (int y = std::max(t, 0); y < std::min(b, kH); ++y)
            for (int x = std::max(l, 0); x < std::min(r, kW); ++x)
                if (Dark(x, y)) {
                    ++n;
                    if (rightmost) *rightmost = std::max(*rightmost, x);
                }
        return n;
    }
};

}  // namespace

TEST(MarkerPicture, ASegmentMarkerIsADiamondAboveThePlotWithItsTextRowsHigher) {
    MarkerDoc d;
    d.gs->plotRect = RECT{20, 150, 300, 210};
    Picture pic;
    TEXTMETRICA tm{};
    GetTextMetricsA(pic.dc, &tm);
    const int lineH = tm.tmHeight;
    struct Case {
        int x, yOffset, row;
    } cases[] = {{60, 0, 0}, {160, -4, 1}, {250, 2, 2}};
    for (const Case& c : cases) {
        std::fill(pic.bits, pic.bits + Picture::kW * Picture::kH, 0xFFFFFFu);
        DrawMarkerWithLabel(d.m(), pic.dc, "Seg", c.x, 6, 8, c.yOffset, c.row);
        const int bottom = 149 + c.yOffset, top = bottom - 16, middle = bottom - 8;
        // The four tips are drawn, the inside and the point below the lower tip are not.
        EXPECT_TRUE(pic.Dark(c.x, top)) << c.x;
        EXPECT_TRUE(pic.Dark(c.x - 6, middle)) << c.x;
        EXPECT_TRUE(pic.Dark(c.x + 6, middle) || pic.Dark(c.x + 5, middle)) << c.x;
        EXPECT_TRUE(pic.Dark(c.x, bottom - 1) || pic.Dark(c.x, bottom)) << c.x;
        EXPECT_FALSE(pic.Dark(c.x, middle)) << c.x;
        EXPECT_FALSE(pic.Dark(c.x, bottom + 1)) << c.x;
        EXPECT_EQ(pic.CountDark(0, bottom + 1, Picture::kW, Picture::kH), 0) << "nothing on the plot";
        // The text stands in its row only, starting at the diamond's left tip.
        const int textTop = top - (c.row + 1) * lineH;
        EXPECT_GT(pic.CountDark(c.x - 6, textTop, c.x + 40, textTop + lineH), 10) << c.row;
        EXPECT_EQ(pic.CountDark(0, textTop, c.x - 6, textTop + lineH), 0) << c.row;
        EXPECT_EQ(pic.CountDark(0, 0, Picture::kW, textTop), 0) << c.row;
        EXPECT_EQ(pic.CountDark(0, textTop + lineH, Picture::kW, top), 0) << c.row;
    }
}

TEST(MarkerPicture, TheTextIsCutToTheWholeCharactersThatFitBeforeThePlotsRightEdge) {
    MarkerDoc d;
    d.gs->plotRect = RECT{20, 150, 300, 210};
    Picture pic;
    TEXTMETRICA tm{};
    GetTextMetricsA(pic.dc, &tm);
    const std::string text(40, 'W');
    struct Case {
        int x;
        int chars;  // whole average characters between the left tip and the right edge
    } cases[] = {{280, (300 - 274) / tm.tmAveCharWidth}, {200, (300 - 194) / tm.tmAveCharWidth}};
    for (const Case& c : cases) {
        std::fill(pic.bits, pic.bits + Picture::kW * Picture::kH, 0xFFFFFFu);
        DrawMarkerWithLabel(d.m(), pic.dc, text.c_str(), c.x, 6, 8, 0, 0);
        const int top = 149 - 16;
        SIZE full{}, cut{};
        GetTextExtentPoint32A(pic.dc, text.c_str(), c.chars, &cut);
        GetTextExtentPoint32A(pic.dc, text.c_str(), c.chars + 1, &full);
        int rightmost = -1;
        ASSERT_GT(pic.CountDark(0, top - tm.tmHeight, Picture::kW, top, &rightmost), 0) << c.x;
        EXPECT_LT(rightmost, c.x - 6 + cut.cx) << c.x;
        EXPECT_GE(rightmost, c.x - 6 + cut.cx - tm.tmMaxCharWidth) << c.x << ": the last whole character is there";
    }
}
