// The graph file reader and writer over memory buffers: round trips, fields at fixed offsets,
// every version the reader takes, byte-swapped files, and damaged files, each refused with the
// key of its fault or read as far as it is sound.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "documents/stored_blocks.h"
#include "base/byte_stream.h"

namespace {

int Read(TestDoc& d, const Bytes& file, stGraphReadReport* report) {
    return ReadGraphBuffer(d.gs, file.data(), file.size(), report);
}

Bytes Write(TestDoc& d, int mode = kWriteWhole) {
    CByteWriter out;
    EXPECT_EQ(WriteGraphStream(d.gs, out, mode, 0), 1);
    return out.Bytes();
}

// The first offset where two files differ, or -1.
long FirstDifference(const Bytes& a, const Bytes& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(n);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

int16_t RawAt(const tagGS* gs, int slot, int i) { return static_cast<const int16_t*>(gs->chanBlock[slot])[i]; }
double ValueAt(const tagGS* gs, int slot, int i) { return static_cast<const double*>(gs->chanBlock[slot])[i]; }

int SlotsInUse(const tagGS* gs) {
    int n = 0;
    for (int s = 0; s < kMaxChannels; ++s) n += ChannelInUse(gs, s) ? 1 : 0;
    return n;
}

// ---- Round trips ----

TEST(GraphFileRoundTrip, AFileUsingTheWholeFormatIsWrittenBackByteForByte) {
    const Bytes file = BuildAcq(RichRecipe());
    TestDoc d;
    stGraphReadReport report{};
    ASSERT_EQ(Read(d, file, &report), 1);
    EXPECT_EQ(report.notice, nullptr);
    EXPECT_EQ(report.repaired, 0);
    const Bytes again = Write(d);
    EXPECT_EQ(FirstDifference(file, again), -1) << "files of " << file.size() << " and " << again.size() << " bytes";
}

// Per-channel value 1 and the vertical display value 1 set the display's divisions and scale;
// a stored value the display cannot take leaves the document's own and comes back as stored.
TEST(GraphFileRoundTrip, DisplayValuesTheDisplayCannotTakeAreWrittenBackAsStored) {
    struct Case {
        const char* what;
        double value1, display1;
    } cases[] = {
        {"zero", 0.0, 0.0},
        {"negative zero and below zero", -2.0, -0.0},
        {"not numbers", std::nan(""), INFINITY},
    };
    for (const Case& c : cases) {
        const AcqRecipe recipe = RichRecipe();
        Bytes file = BuildAcq(recipe);
        const size_t display1 = ChannelHeaderAt(recipe, 0) + 52;  // slot 0
        PutF64(file, 922, c.value1);
        PutF64(file, display1, c.display1);
        TestDoc d;
        for (int s = 0; s < kMaxChannels; ++s) {
            d.gs->chanVDivisions[s] = 4.0;  // a new document's display
            d.gs->chanVPerDiv[s] = 5.0;
        }
        ASSERT_EQ(Read(d, file, nullptr), 1) << c.what;
        EXPECT_EQ(d.gs->chanVDivisions[0], 4.0) << c.what;
        EXPECT_EQ(d.gs->chanVPerDiv[0], 5.0) << c.what;
        EXPECT_EQ(FirstDifference(file, Write(d)), -1) << c.what;
        // A scale set after the read is what is written.
        d.gs->chanVDivisions[0] = 8.0;
        d.gs->chanVPerDiv[0] = 2.5;
        const Bytes changed = Write(d);
        EXPECT_EQ(GetF64(changed, 922), 8.0) << c.what;
        EXPECT_EQ(GetF64(changed, display1), 2.5) << c.what;
        EXPECT_TRUE(SameBits(GetF64(changed, 922 + 8), GetF64(file, 922 + 8))) << c.what;
    }
}

TEST(GraphFileRoundTrip, TheDocumentTakesEveryFieldAndSampleBitForBit) {
    const AcqRecipe recipe = RichRecipe();
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(recipe), nullptr), 1);
    tagGS* gs = d.gs;
    EXPECT_EQ(SlotsInUse(gs), 3);
    EXPECT_TRUE(ChannelInUse(gs, 0) && ChannelInUse(gs, 5) && ChannelInUse(gs, 59));
    EXPECT_STREQ(gs->chanLabel[0], "Biceps EMG");
    EXPECT_STREQ(gs->chanUnits[5], "N");
    EXPECT_STREQ(gs->chanDescription[0], "a longer description");
    EXPECT_EQ(gs->chanColor[5], 0xFF0000u);
    EXPECT_EQ(gs->chanFlags[5] & kChanHidden, kChanHidden);
    EXPECT_EQ(gs->chanScale[0], 10.0 / 32768.0);
    EXPECT_EQ(gs->chanNumber[59], 41);
    EXPECT_EQ(gs->chanType[5], 1);
    EXPECT_EQ(gs->chanBytes[5], 8);
    EXPECT_EQ(gs->chanBytes[0], 2);
    ASSERT_EQ(gs->chanCount[0], 10u);
    ASSERT_EQ(gs->chanCount[5], 6u);
    ASSERT_EQ(gs->chanCount[59], 3u);
    EXPECT_EQ(gs->totalSamples, 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(RawAt(gs, 0, i), recipe.channels[0].raw[i]) << i;
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(SameBits(ValueAt(gs, 5, i), recipe.channels[1].values[i])) << i;
    EXPECT_EQ(RawAt(gs, 59, 2), 300);
    EXPECT_EQ(gs->storageKind, kStoreMemory);
    // The view, the selection, the window and the display settings.
    EXPECT_EQ(gs->sampleInterval, 0.5);
    EXPECT_EQ(gs->hStart, 100.0);
    EXPECT_EQ(gs->hPerDiv, 250.0);
    EXPECT_EQ(gs->selStart, 10.0);
    EXPECT_EQ(gs->selEnd, 40.0);
    EXPECT_EQ(gs->winPlacement.left, 10);
    EXPECT_EQ(gs->winPlacement.bottom, 320);
    EXPECT_EQ(gs->displayMode, kModeChart);
    EXPECT_EQ(gs->gridColor, 0x808080u);
    EXPECT_EQ(gs->plotBackColor, 0xFFFFF0u);
    EXPECT_EQ(gs->gridOptions[3], 4);
    EXPECT_EQ(gs->chanVDivisions[2], 6.0);
    EXPECT_EQ(gs->hDivisions, 8.0);
    EXPECT_EQ(gs->chanViewWord[3], 1003u);
    EXPECT_EQ(gs->xyXChan, 7u);
    EXPECT_EQ(gs->hOffset, 12.5);
    EXPECT_STREQ(gs->hUnitName, "micro-fortnights");
    EXPECT_EQ(gs->measureRows, 1);
    EXPECT_EQ(gs->measureChan[0], -1);
    EXPECT_EQ(gs->measureType[4], 6);
    EXPECT_STREQ(gs->measureLabel[3], "mV/3");
    EXPECT_EQ(gs->lessonFlags[1], 0u);
    // The set-up block as the file gave it, and the markers with the identities of their block.
    ASSERT_TRUE(gs->foreignData);
    EXPECT_EQ(GlobalSize(gs->foreignData), 64u);
    ASSERT_EQ(StoredMarkerCount(gs), 3u);
    EXPECT_STREQ(StoredMarkerAt(gs, 2)->label, "Segment 2");
    int32_t type, number;
    StoredMarkerIdentity(gs, 2, &type, &number);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(number, 2);
}

TEST(GraphFileRoundTrip, LongChannelsOfUnequalLengthsComeBackWhole) {
    AcqRecipe recipe;
    AcqChannel a, b;
    a.slot = 1;
    b.slot = 2;
    b.type = 1;
    b.size = 8;
    for (int i = 0; i < 30000; ++i) a.raw.push_back(static_cast<int16_t>(i * 7));
    for (int i = 0; i < 21111; ++i) b.values.push_back(std::sin(i * 0.01));
    recipe.channels = {a, b};
    const Bytes file = BuildAcq(recipe);
    TestDoc d;
    ASSERT_EQ(Read(d, file, nullptr), 1);
    const Bytes again = Write(d);
    // The same up to the end of the (empty) marker section; the writer adds the tagged blocks.
    ASSERT_GT(again.size(), file.size());
    EXPECT_EQ(FirstDifference(file, Bytes(again.begin(), again.begin() + file.size())), -1);
    TestDoc e;
    ASSERT_EQ(Read(e, again, nullptr), 1);
    EXPECT_EQ(RawAt(e.gs, 1, 29999), static_cast<int16_t>(29999 * 7));
    EXPECT_TRUE(SameBits(ValueAt(e.gs, 2, 21110), std::sin(21110 * 0.01)));
}

TEST(GraphFileRoundTrip, SixteenChannelsAndMoreGoToTheirPlaces) {
    // Seventeen 16-bit channels of 1,003 samples: two groups of eight and one more, and frames
    // that do not come in eights; then with one channel shorter than the others.
    for (int shorter : {1003, 500}) {
        AcqRecipe recipe;
        for (int k = 0; k < 17; ++k) {
            AcqChannel c;
            c.slot = static_cast<int16_t>(3 * k);
            const int n = k == 9 ? shorter : 1003;
            for (int i = 0; i < n; ++i) c.raw.push_back(static_cast<int16_t>(k * 1000 + i));
            recipe.channels.push_back(c);
        }
        const Bytes file = BuildAcq(recipe);
        TestDoc d;
        ASSERT_EQ(Read(d, file, nullptr), 1);
        for (int k = 0; k < 17; ++k)
            for (int i : {0, 7, 8, 499, 998, 1002}) {
                if (k == 9 && i >= shorter) continue;
                EXPECT_EQ(RawAt(d.gs, 3 * k, i), k * 1000 + i) << k << " " << i << " " << shorter;
            }
        const Bytes again = Write(d);
        EXPECT_EQ(FirstDifference(file, Bytes(again.begin(), again.begin() + file.size())), -1) << shorter;
    }
}

// ---- The writer's fields ----

TEST(GraphFileWriter, FieldsLandAtTheirOffsets) {
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(RichRecipe()), nullptr), 1);
    std::memset(d.gs->chanLabel[0], 'x', 40);  // no terminator: byte 45 of the header is forced to 0
    d.gs->selStart = 1.0;
    const Bytes f = Write(d);
    EXPECT_EQ(GetU16(f, 0), 0);
    EXPECT_EQ(GetU32(f, 2), 42u);
    EXPECT_EQ(GetU32(f, 6), 2976u);
    EXPECT_EQ(GetU16(f, 10), 3);
    EXPECT_EQ(GetF64(f, 40), 1.0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(GetU32(f, 2976 + 252 * i), 252u);
    EXPECT_EQ(GetU16(f, 2976 + 4), 0);
    EXPECT_EQ(GetU16(f, 2976 + 252 + 4), 5);
    EXPECT_EQ(GetU16(f, 2976 + 504 + 4), 59);
    EXPECT_EQ(f[2976 + 44], 'x');
    EXPECT_EQ(f[2976 + 45], 0);
    const size_t foreign = 2976 + 3 * 252;
    EXPECT_EQ(GetU16(f, foreign), 68);
    EXPECT_EQ(GetU16(f, foreign + 2), 100);
    const size_t types = foreign + 68;
    EXPECT_EQ(GetU16(f, types + 4), 8);  // the double channel of slot 5
    EXPECT_EQ(GetU16(f, types + 6), 1);
    // The samples start at 2976 + 256 per channel + the set-up block.
    EXPECT_EQ(GetU16(f, 2976 + 256 * 3 + 68), 0);
    EXPECT_EQ(GetF64(f, 2976 + 256 * 3 + 68 + 2), 0.0);
    EXPECT_EQ(static_cast<int16_t>(GetU16(f, 2976 + 256 * 3 + 68 + 12)), 1);
}

TEST(GraphFileWriter, ASelectionKeepsTheMarkersOfItsSegmentConsistent) {
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(RichRecipe()), nullptr), 1);
    // Samples 7 and 8, inside the segment that starts at sample 6.
    d.gs->selStart = 3.5;
    d.gs->selEnd = 4.5;
    const Bytes f = Write(d, kWriteSelection);
    EXPECT_EQ(GetF64(f, 40), 0.0);
    EXPECT_EQ(GetU32(f, 2976 + 88), 2u);
    EXPECT_EQ(GetU32(f, 2976 + 252 + 88), 0u);
    TestDoc e;
    stGraphReadReport report{};
    ASSERT_EQ(Read(e, f, &report), 1);
    EXPECT_EQ(report.notice, nullptr);
    EXPECT_EQ(RawAt(e.gs, 0, 0), 7);
    EXPECT_EQ(RawAt(e.gs, 0, 1), 8);
    // One marker in the section and one record in the manager block, the same append marker,
    // now the first segment of its file and named so.
    ASSERT_EQ(StoredMarkerCount(e.gs), 1u);
    EXPECT_STREQ(StoredMarkerAt(e.gs, 0)->label, "Segment 1");
    EXPECT_EQ(StoredMarkerAt(e.gs, 0)->position, 0u);
    int32_t type, number;
    StoredMarkerIdentity(e.gs, 0, &type, &number);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(number, 1);
}

TEST(GraphFileWriter, ASelectionOutsideEverySegmentKeepsNoMarker) {
    TestDoc d;
    AcqRecipe recipe = RichRecipe();
    recipe.markers[0].position = 2;  // the first segment starts after the selection
    const uint32_t counters[4] = {1, 0, 0, 2};
    std::vector<StoredMarkerRecord> records(3);
    records[0].type = 3;
    records[2].type = 3;
    records[2].number = 2;
    recipe.tail = MarkerManagerBlock(counters, records);
    ASSERT_EQ(Read(d, BuildAcq(recipe), nullptr), 1);
    d.gs->selStart = 0.0;
    d.gs->selEnd = 0.5;
    const Bytes f = Write(d, kWriteSelection);
    TestDoc e;
    ASSERT_EQ(Read(e, f, nullptr), 1);
    EXPECT_EQ(StoredMarkerCount(e.gs), 0u);
    // The marker-manager block counts no append marker and holds no record; the document's
    // output-panel block follows it.
    CByteWriter panels;
    ASSERT_EQ(WriteOutputPanels(d.gs->outPanels, panels), 1);
    const size_t manager = f.size() - panels.Bytes().size() - (4 + 16 + 4 + 4 + 12 + 4 * 12 + 130);
    ASSERT_EQ(GetU32(f, manager), 0x08102002u);
    EXPECT_EQ(GetU32(f, manager + 16), 0u);
}

TEST(GraphFileWriter, HeadModesLeaveTheSamplesToTheRecording) {
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(RichRecipe()), nullptr), 1);
    const Bytes head = Write(d, kWriteHead);
    EXPECT_EQ(head.size(), 2976u + 256 * 3 + 68);
    EXPECT_EQ(GetU32(head, 2976 + 88), 10u);  // the counts of the samples the recording writes
    const Bytes tail = Write(d, kWriteHeadAndTail);
    const size_t markers = 2976 + 256 * 3 + 68 + 10 * 2 + 6 * 8 + 3 * 2;
    EXPECT_EQ(GetU32(tail, markers + 4), 3u);
    EXPECT_EQ(GetU32(tail, markers + 8 + 13 + 9 + 13 + 6 + 13 + 9), 0x11223344u);
}

TEST(GraphFileWriter, ARingDocumentWritesWhatItsRingHolds) {
    TestDoc d;
    tagGS* gs = d.gs;
    gs->chanFlags[3] = 2;
    gs->chanType[3] = 2;
    gs->chanBytes[3] = 2;
    gs->chanCount[3] = 104;
    gs->sampleInterval = 2.0;
    gs->storageKind = kStoreDiskRecording;
    gs->winFirst = 100;
    gs->winLen = 4;
    gs->winRingBase = 2;  // sample 100 sits at ring position 2
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    auto* ring = static_cast<int16_t*>(GlobalLock(h));
    ring[0] = 102;
    ring[1] = 103;
    ring[2] = 100;
    ring[3] = 101;
    gs->chanBlock[3] = ring;
    const Bytes f = Write(d);
    EXPECT_EQ(GetU32(f, 2976 + 88), 4u);
    EXPECT_EQ(GetF64(f, 24), 0.0);
    EXPECT_EQ(GetF64(f, 78), 200.0);
    const size_t samples = 2976 + 256 + 4;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(GetU16(f, samples + 2 * i), 100 + i);
}

TEST(GraphFileWriter, TemplatesHoldTheSettingsWithoutSamples) {
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(RichRecipe()), nullptr), 1);
    d.gs->lessonFlags[1] = 1;  // a version 37 file cannot carry settings 12 and 13
    CByteWriter out;
    ASSERT_EQ(WriteTemplateStream(d.gs, out), 1);
    const Bytes& t = out.Bytes();
    EXPECT_EQ(GetU32(t, 2), 37u);
    EXPECT_EQ(GetF64(t, 24), 0.0);
    EXPECT_EQ(GetF64(t, 48), 0.0);
    EXPECT_EQ(GetU16(t, 2848 + 2 * 10), 0);
    EXPECT_EQ(GetU32(t, 2976 + 88), 0u);
    const size_t markers = 2976 + 256 * 3 + 68;
    EXPECT_EQ(GetU32(t, markers), 0u);
    EXPECT_EQ(GetU32(t, markers + 4), 0u);
    EXPECT_EQ(GetU32(t, markers + 8), 0x11223344u);
    TestDoc e;
    CByteReader in(t.data(), t.size());
    ASSERT_EQ(ReadGraphTemplateStream(e.gs, in, nullptr), 1);
    EXPECT_TRUE(ChannelInUse(e.gs, 59));
    EXPECT_EQ(e.gs->chanCount[0], 0u);
    EXPECT_STREQ(e.gs->chanLabel[0], "Biceps EMG");
    EXPECT_EQ(StoredMarkerCount(e.gs), 0u);
    // The settings-only marker block, then the panels and the items, all found again.
    CByteWriter again;
    ASSERT_EQ(WriteTemplateStream(e.gs, again), 1);
    EXPECT_EQ(FirstDifference(t, again.Bytes()), -1);
}

TEST(GraphFileWriter, SelectionRoundsTimesUpToWholeSamples) {
    EXPECT_EQ(RoundUpToIncrement(3.2, 1.0), 4.0);
    EXPECT_EQ(RoundUpToIncrement(3.0000001, 1.0), 3.0);  // within 1e-5 of a whole sample
    EXPECT_EQ(RoundUpToIncrement(-2.5, 1.0), -2.0);
    EXPECT_EQ(RoundUpToIncrement(7.0, 0.0), 7.0);
    TestDoc d;
    d.gs->sampleInterval = 0.1;
    d.gs->selStart = 0.35;
    d.gs->selEnd = 0.11;
    uint32_t first, last;
    SelectionSampleRange(d.gs, &first, &last);
    EXPECT_EQ(first, 2u);
    EXPECT_EQ(last, 4u);
}

// ---- Versions ----

TEST(GraphFileVersions, Version33HasNoTaggedBlocksAndItsOldFields) {
    AcqRecipe recipe = RichRecipe();
    recipe.version = 33;
    Bytes f = BuildAcq(recipe);
    PutU16(f, 142, 1);  // the old marker bar field
    PutU16(f, 156, 0);  // not read before 34
    PutU16(f, 64, 11);  // old measurement types: 11 became 12
    PutU16(f, 66, 4);
    TestDoc d;
    ASSERT_EQ(Read(d, f, nullptr), 1);
    EXPECT_EQ(d.gs->markerBarShown, 1u);
    EXPECT_EQ(d.gs->measureType[0], 12);
    EXPECT_EQ(d.gs->measureType[1], 4);
    EXPECT_STREQ(d.gs->chanDescription[0], "Biceps EMG");  // no long label before 37
    EXPECT_EQ(d.gs->lessonFlags[0], 1u);                   // settings 12 and 13 came with 42
    // The journal block after the markers is not looked for.
    CByteWriter out;
    ASSERT_EQ(WriteGraphStream(d.gs, out, kWriteWhole, 0), 1);
    TestDoc e;
    ASSERT_EQ(Read(e, out.Bytes(), nullptr), 1);
    CByteWriter journal;
    JournalSaveBlock(e.gs, journal);
    EXPECT_EQ(GetU32(journal.Bytes(), 6), 0u);
}

TEST(GraphFileVersions, MeasurementTypesAreRenumberedFor35And36) {
    struct Case {
        uint32_t version;
        uint16_t stored, read;
    } cases[] = {
        {35, 5, 5},  {35, 12, 15}, {35, 17, 20}, {35, 11, 0}, {35, 18, 0},  {36, 10, 10}, {36, 12, 13},
        {36, 13, 0}, {36, 14, 15}, {36, 24, 25}, {36, 25, 0}, {37, 25, 25}, {42, 13, 13},
    };
    for (const Case& c : cases) {
        AcqRecipe recipe = RichRecipe();
        recipe.version = c.version;
        Bytes f = BuildAcq(recipe);
        PutU16(f, 166, c.stored);
        TestDoc d;
        ASSERT_EQ(Read(d, f, nullptr), 1);
        EXPECT_EQ(d.gs->measureType[0], c.read) << c.version << " " << c.stored;
        EXPECT_EQ(d.gs->measureConstant[2], c.version == 35 ? 0.0 : 3.0) << c.version;
    }
}

TEST(GraphFileVersions, TheVersion35VariantHasWideMarkerRecordsAndJournalField) {
    AcqRecipe recipe = RichRecipe();
    recipe.version = 35;
    recipe.firstWord = 1;
    recipe.markers.clear();
    recipe.markerSection = false;
    recipe.tail.clear();
    Bytes f = BuildAcq(recipe);
    // Two records of 20-byte fixed parts: position, three flags and the label length as uint32.
    Bytes section(8);
    PutU32(section, 0, 2 * 20 + 3 + 4);
    PutU32(section, 4, 2);
    for (auto [pos, label] : {std::pair<uint32_t, std::string>{1, "ab"}, {4, "xyz"}}) {
        Bytes r(20, 0);
        PutU32(r, 0, pos);
        PutU32(r, 16, static_cast<uint32_t>(label.size()));
        section.insert(section.end(), r.begin(), r.end());
        section.insert(section.end(), label.begin(), label.end());
        section.push_back(0);
    }
    f.insert(f.end(), section.begin(), section.end());
    const Bytes journal = JournalBlock(1, "wide", true);
    f.insert(f.end(), journal.begin(), journal.end());
    TestDoc d;
    stGraphReadReport report{};
    ASSERT_EQ(Read(d, f, &report), 1);
    EXPECT_EQ(report.notice, nullptr);
    ASSERT_EQ(StoredMarkerCount(d.gs), 2u);
    EXPECT_STREQ(StoredMarkerAt(d.gs, 1)->label, "xyz");
    EXPECT_EQ(StoredMarkerAt(d.gs, 1)->position, 4u);
    CByteWriter out;
    JournalSaveBlock(d.gs, out);
    EXPECT_EQ(GetU16(out.Bytes(), 4), 1);
    EXPECT_EQ(GetU32(out.Bytes(), 6), 4u);
}

TEST(GraphFileVersions, NewerVersionsReadAsTheCurrentOneAndOlderGetTheirDefaults) {
    for (uint32_t version : {41u, 42u, 43u, 99u}) {
        AcqRecipe recipe = RichRecipe();
        recipe.version = version;
        TestDoc d;
        ASSERT_EQ(Read(d, BuildAcq(recipe), nullptr), 1) << version;
        EXPECT_EQ(d.gs->lessonFlags[1], version >= 42 ? 0u : 1u) << version;
    }
}

TEST(GraphFileVersions, OlderWindowsAreKeptOnTheScreen) {
    AcqRecipe recipe = RichRecipe();
    recipe.version = 36;
    recipe.rect[0] = -50;
    recipe.rect[1] = -30;
    recipe.rect[2] = 350;
    recipe.rect[3] = 270;
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(recipe), nullptr), 1);
    EXPECT_EQ(d.gs->winPlacement.left, 0);
    EXPECT_EQ(d.gs->winPlacement.top, 0);
    EXPECT_EQ(d.gs->winPlacement.right, 400);
    EXPECT_EQ(d.gs->winPlacement.bottom, 300);
}

TEST(GraphFileVersions, ADoubleChannelOfAnotherStoredSizeIsReadWithEightBytes) {
    AcqRecipe recipe = RichRecipe();
    recipe.channels[1].size = 4;
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(recipe), nullptr), 1);
    EXPECT_EQ(d.gs->chanBytes[5], 8);
    EXPECT_EQ(ValueAt(d.gs, 5, 2), 1.5);
}

// ---- Byte-swapped files ----

AcqRecipe SwappedRecipe(uint32_t version) {
    AcqRecipe recipe;
    recipe.version = version;
    recipe.headerLength = 2976;
    AcqChannel a;
    a.slot = 2;
    a.label = "Pulse";
    a.colour = 0x123456;
    a.raw = {1, -2, 300, -400};
    AcqChannel b;
    b.slot = 4;
    b.type = 1;
    b.size = 8;
    b.values = {0.25, -8.5};
    recipe.channels = {a, b};
    recipe.markers = {{1, "go"}, {3, ""}};
    return recipe;
}

TEST(GraphFileSwapped, ASwappedFileIsReadFieldByField) {
    TestDoc d;
    stGraphReadReport report{};
    ASSERT_EQ(Read(d, BuildSwappedAcq(SwappedRecipe(34)), &report), 1);
    EXPECT_EQ(report.swapped, 1);
    EXPECT_EQ(report.version, 34u);
    EXPECT_EQ(report.notice, nullptr);
    EXPECT_EQ(d.gs->byteSwapped, 1u);
    EXPECT_EQ(d.gs->sampleInterval, 0.5);
    EXPECT_EQ(d.gs->hStart, 100.0);
    EXPECT_EQ(d.gs->winPlacement.right, 410);
    EXPECT_STREQ(d.gs->chanLabel[2], "Pulse");
    EXPECT_EQ(d.gs->chanColor[2], 0x123456u);
    EXPECT_EQ(RawAt(d.gs, 2, 3), -400);
    EXPECT_EQ(ValueAt(d.gs, 4, 1), -8.5);
    ASSERT_EQ(StoredMarkerCount(d.gs), 2u);
    EXPECT_STREQ(StoredMarkerAt(d.gs, 0)->label, "go");
    EXPECT_EQ(StoredMarkerAt(d.gs, 1)->position, 3u);
    // Written again it is a little-endian file of today's version.
    const Bytes f = Write(d);
    EXPECT_EQ(GetU32(f, 2), 42u);
    EXPECT_EQ(d.gs->byteSwapped, 0u);
    TestDoc e;
    ASSERT_EQ(Read(e, f, nullptr), 1);
    EXPECT_EQ(RawAt(e.gs, 2, 2), 300);
}

TEST(GraphFileSwapped, OldColourCodesAreMapped) {
    AcqRecipe recipe = SwappedRecipe(33);
    recipe.channels[0].colour = 205;
    recipe.channels[1].colour = 999;
    TestDoc d;
    ASSERT_EQ(Read(d, BuildSwappedAcq(recipe), nullptr), 1);
    EXPECT_EQ(d.gs->chanColor[2], 0x0000FFu);
    EXPECT_EQ(d.gs->chanColor[4], 999u);
}

TEST(GraphFileSwapped, SwappedFilesAbove35AreRefused) {
    TestDoc d;
    stGraphReadReport report{};
    EXPECT_EQ(Read(d, BuildSwappedAcq(SwappedRecipe(36)), &report), 0);
    EXPECT_STREQ(report.refusal, kKeySwappedVersion);
    EXPECT_EQ(SlotsInUse(d.gs), 0);
}

// ---- Damaged files ----

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string LongJson() {
    std::string json = "{\n  \"samples\": [";
    while (json.size() < 4000) json += "0.125, ";
    return json + "0]\n}\n";
}

struct Damage {
    const char* what;
    std::function<void(Bytes&, const AcqRecipe&)> patch;
    const char* key;
};

TEST(GraphFileDamage, UnsoundFilesAreRefusedWithTheKeyOfTheirFault) {
    const Damage cases[] = {
        {"empty", [](Bytes& f, const AcqRecipe&) { f.clear(); }, kKeyFileEmpty},
        {"ends in its head", [](Bytes& f, const AcqRecipe&) { f.resize(5); }, kKeyHeaderCut},
        {"ends in its header length", [](Bytes& f, const AcqRecipe&) { f.resize(8); }, kKeyHeaderCut},
        {"ends in its header", [](Bytes& f, const AcqRecipe&) { f.resize(1000); }, kKeyHeaderCut},
        {"ends in its set-up block", [](Bytes& f, const AcqRecipe& s) { f.resize(ForeignBlockAt(s) + 2); },
         kKeyHeaderCut},
        {"ends in its type table", [](Bytes& f, const AcqRecipe& s) { f.resize(TypeTableAt(s) + 2); },
         kKeyHeaderCut},
        {"version word 0", [](Bytes& f, const AcqRecipe&) { PutU32(f, 2, 0); }, kKeyVersionMissing},
        {"a short JSON file", [](Bytes& f, const AcqRecipe&) { f = TextBytes("{\"channels\": [1, 2]}\n"); },
         kKeyNotGraphFile},
        {"a JSON file longer than a header", [](Bytes& f, const AcqRecipe&) { f = TextBytes(LongJson()); },
         kKeyNotGraphFile},
        {"a text file of CR-only lines", [](Bytes& f, const AcqRecipe&) { f = TextBytes("1\t2\r3\t4\r"); },
         kKeyNotGraphFile},
        {"header length 9", [](Bytes& f, const AcqRecipe&) { PutU32(f, 6, 9); }, kKeyHeaderDamaged},
        {"61 channels", [](Bytes& f, const AcqRecipe&) { PutU16(f, 10, 61); }, kKeyTooManyChannels},
        {"sample interval 0", [](Bytes& f, const AcqRecipe&) { PutF64(f, 16, 0.0); }, kKeyHeaderDamaged},
        {"sample interval NaN", [](Bytes& f, const AcqRecipe&) { PutF64(f, 16, std::nan("")); }, kKeyHeaderDamaged},
        {"channel header length 5", [](Bytes& f, const AcqRecipe&) { PutU32(f, 2976, 5); }, kKeyChannelHeaderDamaged},
        {"channel header past the end", [](Bytes& f, const AcqRecipe&) { PutU32(f, 2976, 0x7FFFFFF0); },
         kKeyChannelHeaderDamaged},
        // A slot named twice where no free slot lies between its neighbours' keeps no order.
        {"one slot twice, none free after it", [](Bytes& f, const AcqRecipe&) { PutU16(f, 2976 + 252 + 4, 59); },
         kKeyChannelSlotBad},
        {"set-up block length 0", [](Bytes& f, const AcqRecipe& s) { PutU16(f, ForeignBlockAt(s), 0); },
         kKeyForeignBlockDamaged},
        {"set-up block length 1", [](Bytes& f, const AcqRecipe& s) { PutU16(f, ForeignBlockAt(s), 1); },
         kKeyForeignBlockDamaged},
        {"set-up block length 2", [](Bytes& f, const AcqRecipe& s) { PutU16(f, ForeignBlockAt(s), 2); },
         kKeyForeignBlockDamaged},
        {"set-up block length 3", [](Bytes& f, const AcqRecipe& s) { PutU16(f, ForeignBlockAt(s), 3); },
         kKeyForeignBlockDamaged},
        {"set-up block past the end", [](Bytes& f, const AcqRecipe& s) { PutU16(f, ForeignBlockAt(s), 0xFFF0); },
         kKeyForeignBlockDamaged},
        {"16-bit sample size 0", [](Bytes& f, const AcqRecipe& s) { PutU16(f, TypeTableAt(s), 0); }, kKeySampleSizeBad},
        {"16-bit sample size 4", [](Bytes& f, const AcqRecipe& s) { PutU16(f, TypeTableAt(s), 4); }, kKeySampleSizeBad},
    };
    const AcqRecipe recipe = RichRecipe();
    for (const Damage& c : cases) {
        Bytes f = BuildAcq(recipe);
        c.patch(f, recipe);
        TestDoc d;
        stGraphReadReport report{};
        EXPECT_EQ(Read(d, f, &report), 0) << c.what;
        EXPECT_STREQ(report.refusal, c.key) << c.what;
        // Nothing half-read stays in the document.
        EXPECT_EQ(SlotsInUse(d.gs), 0) << c.what;
        EXPECT_EQ(d.gs->foreignData, nullptr) << c.what;
        EXPECT_EQ(StoredMarkerCount(d.gs), 0u) << c.what;
    }
}

// The journal's text and flag as the journal block writer gives them back.
std::pair<std::string, uint16_t> JournalOf(TestDoc& d) {
    CByteWriter out;
    JournalSaveBlock(d.gs, out);
    const Bytes& b = out.Bytes();
    return {std::string(b.begin() + 10, b.end()), GetU16(b, 4)};
}

Bytes ManagerAndItems(TestDoc& d) {
    CByteWriter out;
    MarkerManagerSave(d.gs, out, MarkerBlockForm::Normal, -1);
    GraphItemsSave(d.gs, out);
    return out.Bytes();
}

TEST(GraphFileJournal, EitherWidthOfTheFlagReadsTheSameText) {
    struct Case {
        bool wideInFile;
        int wideExpected;
    } cases[] = {{false, 0}, {true, 1}, {false, 1}, {true, 0}};
    const std::string text = "Rest\r\nExercise\r\n";
    for (const Case& c : cases) {
        Bytes block = JournalBlock(1, text, c.wideInFile);
        TestDoc d;
        CByteReader in(block.data(), block.size());
        stJournalFrame frame;
        ASSERT_EQ(JournalFrameAt(in, c.wideExpected, &frame), kBlockRead) << c.wideInFile << c.wideExpected;
        EXPECT_TRUE(frame.fits) << c.wideInFile << c.wideExpected;
        EXPECT_EQ(in.Tell(), block.size()) << c.wideInFile << c.wideExpected;
        ASSERT_EQ(JournalTakeText(d.gs, in, frame.autoTime, frame.textAt, frame.textEnd), 1);
        EXPECT_EQ(JournalOf(d), std::make_pair(text, uint16_t{1})) << c.wideInFile << c.wideExpected;
    }
}

TEST(GraphFileJournal, ADamagedOrMissingJournalLosesNothingAfterIt) {
    const AcqRecipe recipe = RichRecipe();
    const size_t m = MarkerSectionAt(recipe);
    const size_t journal = m + 8 + 3 * 13 + 9 + 6 + 9;
    const std::string text = "Subject rested.\r\nSecond trial.";
    TestDoc sound;
    ASSERT_EQ(Read(sound, BuildAcq(recipe), nullptr), 1);
    const Bytes after = ManagerAndItems(sound);
    struct Case {
        const char* what;
        std::function<void(Bytes&)> patch;
        const char* notice;
        std::string text;
    } cases[] = {
        {"length 0xFFFFFFFF", [&](Bytes& f) { PutU32(f, journal + 6, 0xFFFFFFFF); }, kKeyBlockDamaged, text},
        {"length one past the end", [&](Bytes& f) { PutU32(f, journal + 6, static_cast<uint32_t>(f.size() - journal - 9)); },
         kKeyBlockDamaged, text},
        {"no journal block", [&](Bytes& f) { f.erase(f.begin() + journal, f.begin() + journal + 10 + text.size()); },
         nullptr, ""},
        {"a NUL inside the text", [&](Bytes& f) { f[journal + 10 + 7] = 0; }, kKeyBlockDamaged, "Subject"},
    };
    for (const Case& c : cases) {
        Bytes f = BuildAcq(recipe);
        c.patch(f);
        TestDoc d;
        stGraphReadReport report{};
        ASSERT_EQ(Read(d, f, &report), 1) << c.what;
        EXPECT_STREQ(report.notice, c.notice) << c.what;
        EXPECT_EQ(JournalOf(d).first, c.text) << c.what;
        EXPECT_EQ(ManagerAndItems(d), after) << c.what;
        EXPECT_EQ(StoredMarkerCount(d.gs), 3u) << c.what;
    }
}

TEST(GraphFileOutputPanels, ADamagedPanelBlockIsRefusedAndTheGraphItemsAfterItAreRead) {
    const AcqRecipe recipe = RichRecipe();
    TestDoc sound;
    ASSERT_EQ(Read(sound, BuildAcq(recipe), nullptr), 1);
    const Bytes after = ManagerAndItems(sound);
    const Bytes panels = OutputPanelsBlock();
    const Bytes items = GraphItemsBlock();
    const Bytes whole = BuildAcq(recipe);
    const size_t block = whole.size() - items.size() - panels.size();
    ASSERT_EQ(GetU32(whole, block), 0x12042002u);
    struct Case {
        const char* what;
        size_t at;  // inside the panel block
        uint32_t value;
    } cases[] = {
        {"preset count far beyond the file", 4 + 2 + 4 + 4 + 40 + 4, 0x00FFFFFF},
        {"preference count far beyond the file", 4 + 2 + 4, 0x7FFFFFF0},
        {"negative preset count", 4 + 2 + 4 + 4 + 40 + 4, 0xFFFFFFF0},
    };
    for (const Case& c : cases) {
        Bytes f = whole;
        PutU32(f, block + c.at, c.value);
        TestDoc d;
        stGraphReadReport report{};
        ASSERT_EQ(Read(d, f, &report), 1) << c.what;
        EXPECT_STREQ(report.notice, kKeyBlockDamaged) << c.what;
        EXPECT_EQ(ManagerAndItems(d), after) << c.what;
        // Nothing of the damaged block was taken: the panels write their own settings.
        CByteWriter out;
        ASSERT_EQ(WriteOutputPanels(d.gs->outPanels, out), 1);
        EXPECT_NE(out.Bytes(), panels) << c.what;
    }
}

struct Repair {
    const char* what;
    std::function<void(Bytes&, const AcqRecipe&)> patch;
    const char* notice;
    uint32_t count0;  // samples of slot 0 afterwards
    uint32_t markers;
    int repaired;
};

TEST(GraphFileDamage, DamageBehindTheSamplesIsReadAsFarAsItIsSound) {
    const AcqRecipe recipe = RichRecipe();
    const size_t m = MarkerSectionAt(recipe);
    const size_t journal = m + 8 + 3 * 13 + 9 + 6 + 9;
    const Repair cases[] = {
        {"marker count 0 with a length", [m](Bytes& f, const AcqRecipe&) { PutU32(f, m + 4, 0); }, kKeyMarkersCorrupted,
         10, 0, 1},
        {"more markers than the length holds", [m](Bytes& f, const AcqRecipe&) { PutU32(f, m + 4, 1000); },
         kKeyMarkersCorrupted, 10, 0, 1},
        {"a label longer than its field", [m](Bytes& f, const AcqRecipe&) { PutU16(f, m + 8 + 10, 200); },
         kKeyMarkersCorrupted, 10, 0, 1},
        {"a section running past the end", [m](Bytes& f, const AcqRecipe&) { PutU32(f, m, 0x10000000); }, kKeyRepaired,
         10, 0, 1},
        {"no marker section", [m](Bytes& f, const AcqRecipe&) { f.resize(m); }, kKeyRepaired, 10, 0, 1},
        {"ends inside the samples", [](Bytes& f, const AcqRecipe& s) { f.resize(SamplesAt(s) + 3 * 12 + 5); },
         kKeyRepaired, 3, 0, 1},
        {"journal length 0xFFFFFFFF", [journal](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, 0xFFFFFFFF); },
         kKeyBlockDamaged, 10, 3, 0},
        {"no tagged blocks", [journal](Bytes& f, const AcqRecipe&) { f.resize(journal); }, nullptr, 10, 3, 0},
        {"an unknown graph item", [](Bytes& f, const AcqRecipe&) { f[f.size() - 25] = 'Q'; }, kKeyBlockDamaged, 10, 3,
         0},
    };
    for (const Repair& c : cases) {
        Bytes f = BuildAcq(recipe);
        c.patch(f, recipe);
        TestDoc d;
        stGraphReadReport report{};
        ASSERT_EQ(Read(d, f, &report), 1) << c.what;
        EXPECT_STREQ(report.notice, c.notice) << c.what;
        EXPECT_EQ(report.repaired, c.repaired) << c.what;
        EXPECT_EQ(d.gs->chanCount[0], c.count0) << c.what;
        EXPECT_EQ(StoredMarkerCount(d.gs), c.markers) << c.what;
        // Whatever the read repaired or left out, the document no longer matches its file.
        EXPECT_EQ(d.gs->modified, c.notice ? 1u : 0u) << c.what;
        // What was read can be written and read again.
        CByteWriter out;
        EXPECT_EQ(WriteGraphStream(d.gs, out, kWriteWhole, 0), 1) << c.what;
        TestDoc e;
        stGraphReadReport again{};
        EXPECT_EQ(ReadGraphBuffer(e.gs, out.Bytes().data(), out.Bytes().size(), &again), 1) << c.what;
        EXPECT_EQ(again.notice, nullptr) << c.what;
    }
}

TEST(GraphFileDamage, LongerRecordsAreCutAndShorterOnesKeepTheDocumentsValues) {
    AcqRecipe longer = RichRecipe();
    longer.headerLength = 3100;
    longer.channels[0].headerLength = 300;
    TestDoc d;
    ASSERT_EQ(Read(d, BuildAcq(longer), nullptr), 1);
    EXPECT_STREQ(d.gs->chanLabel[5], "Force");
    EXPECT_EQ(RawAt(d.gs, 0, 3), 32767);

    AcqRecipe shorter = RichRecipe();
    shorter.headerLength = 1000;
    TestDoc e;
    e.gs->xyXChan = 9;
    e.gs->chanViewWord[4] = 555;
    ASSERT_EQ(Read(e, BuildAcq(shorter), nullptr), 1);
    EXPECT_EQ(e.gs->xyXChan, 9u);
    EXPECT_EQ(e.gs->chanViewWord[4], 555u);
}

// ---- Damaged parts left out ----

std::string MarkersOf(const tagGS* gs) {
    std::string all;
    for (uint32_t i = 0; i < StoredMarkerCount(gs); ++i) {
        int32_t type = 0, number = 0;
        StoredMarkerIdentity(gs, i, &type, &number);
        const stStoredMarker* m = StoredMarkerAt(gs, i);
        all += std::to_string(m->position) + " t" + std::to_string(type) + "#" + std::to_string(number) + " " +
               m->label + "(" + std::to_string(m->labelLength) + ");";
    }
    return all;
}

// A set-up block of the library's layout: the header and 16 channel records.
Bytes SetupLikeBlock() {
    Bytes b(7724 + 16 * 474, 0);
    PutU16(b, 0, 0x0A02);
    PutU32(b, 2, static_cast<uint32_t>(b.size()));
    PutU32(b, 6, 7724);
    PutU16(b, 10, 16);
    for (int i = 0; i < 16; ++i) PutU32(b, 7724 + i * 474, 474);
    return b;
}

struct LeftOutCase {
    const char* what;
    std::function<void(Bytes&, const AcqRecipe&)> patch;
    uint32_t leftOut;
    std::string markers;  // the markers kept, or empty for those of the sound file
};

// Surgical damage to a sound file behind its samples: the read keeps what is sound, says what
// it left out, and marks the document changed; a save then writes only the sound parts, which
// read again without a word.
TEST(GraphFileDamage, DamagedPartsAreLeftOutToldAndTheDocumentMarkedChanged) {
    AcqRecipe recipe = RichRecipe();
    recipe.foreignData = SetupLikeBlock();
    const Bytes whole = BuildAcq(recipe);
    const size_t m = MarkerSectionAt(recipe);
    const size_t journal = m + 8 + 3 * 13 + 9 + 6 + 9;
    const uint32_t text = 30;  // "Subject rested.\r\nSecond trial."
    const size_t items = whole.size() - GraphItemsBlock().size();
    const size_t panels = items - OutputPanelsBlock().size();
    const size_t manager = journal + 10 + text;
    const size_t setup = ForeignBlockAt(recipe) + 4;
    TestDoc sound;
    stGraphReadReport soundReport{};
    ASSERT_EQ(Read(sound, whole, &soundReport), 1);
    ASSERT_EQ(soundReport.leftOut, 0u);
    ASSERT_EQ(sound.gs->modified, 0u);
    ASSERT_TRUE(sound.gs->foreignData);
    const std::string soundMarkers = MarkersOf(sound.gs);
    ASSERT_EQ(soundMarkers, "0 t3#1 Segment 1(9);3 t0#1 twitch(6);6 t3#2 Segment 2(9);");
    const LeftOutCase cases[] = {
        // A stored length that the blocks after it show wrong: the text is taken up to the next block.
        {"journal length past the end", [&](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, 0xFFFFFFFF); },
         kLeftOutJournalLength, ""},
        {"journal length 0", [&](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, 0); }, kLeftOutJournalLength, ""},
        {"journal length 1", [&](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, 1); }, kLeftOutJournalLength, ""},
        {"journal length 4", [&](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, 4); }, kLeftOutJournalLength, ""},
        {"journal length one short", [&](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, text - 1); },
         kLeftOutJournalLength, ""},
        {"journal length one over", [&](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, text + 1); },
         kLeftOutJournalLength, ""},
        {"journal length over the marker settings",
         [&](Bytes& f, const AcqRecipe&) { PutU32(f, journal + 6, static_cast<uint32_t>(panels - journal - 10)); },
         kLeftOutJournalLength, ""},
        // A tag with one byte changed: that block is left out, the blocks after it are read.
        {"journal tag", [&](Bytes& f, const AcqRecipe&) { f[journal] ^= 0x01; }, kLeftOutJournal, ""},
        {"marker settings tag", [&](Bytes& f, const AcqRecipe&) { f[manager + 2] ^= 0x40; }, kLeftOutMarkerSettings,
         "0 t0#1 Segment 1(9);3 t0#2 twitch(6);6 t0#3 Segment 2(9);"},
        {"output panels tag", [&](Bytes& f, const AcqRecipe&) { f[panels + 3] = 0; }, kLeftOutOutputPanels, ""},
        {"graph items tag", [&](Bytes& f, const AcqRecipe&) { f[items + 1] = 0x34; }, kLeftOutGraphItems, ""},
        // A count one short leaves the last item's bytes behind the block.
        {"graph item count one short", [&](Bytes& f, const AcqRecipe&) { PutU32(f, items + 8, 0); }, kLeftOutGraphItems,
         ""},
        {"a marker record of type 9", [&](Bytes& f, const AcqRecipe&) { PutU32(f, panels - 3 * 28, 9); },
         kLeftOutMarkerSettings, "0 t0#1 Segment 1(9);3 t0#2 twitch(6);6 t0#3 Segment 2(9);"},
        {"output panel preset count", [&](Bytes& f, const AcqRecipe&) { PutU32(f, panels + 58, 0x00FFFFFF); },
         kLeftOutOutputPanels, ""},
        {"an unknown graph item", [](Bytes& f, const AcqRecipe&) { f[f.size() - 25] = 'Q'; }, kLeftOutGraphItems, ""},
        {"set-up block of another tag", [&](Bytes& f, const AcqRecipe&) { PutU16(f, setup - 2, 101); }, kLeftOutSetup,
         ""},
        {"set-up version 0", [&](Bytes& f, const AcqRecipe&) { PutU16(f, setup, 0); }, kLeftOutSetup, ""},
        {"set-up records past its end", [&](Bytes& f, const AcqRecipe&) { PutU16(f, setup + 10, 40); }, kLeftOutSetup,
         ""},
        {"set-up record length 0", [&](Bytes& f, const AcqRecipe&) { PutU32(f, setup + 7724 + 474, 0); }, kLeftOutSetup,
         ""},
        {"a marker beyond the data", [&](Bytes& f, const AcqRecipe&) { PutU32(f, m + 8 + 22, 11); }, kLeftOutMarkers,
         "0 t3#1 Segment 1(9);6 t3#2 Segment 2(9);"},
        {"a marker at 0xFFFFFFFF", [&](Bytes& f, const AcqRecipe&) { PutU32(f, m + 8, 0xFFFFFFFF); }, kLeftOutMarkers,
         "3 t0#1 twitch(6);6 t3#1 Segment 1(9);"},
        {"a label that swallowed the next record", [&](Bytes& f, const AcqRecipe&) { PutU16(f, m + 8 + 10, 28); },
         kLeftOutMarkerLabels, ""},
        {"a label length short of its end", [&](Bytes& f, const AcqRecipe&) { PutU16(f, m + 8 + 22 + 10, 3); },
         kLeftOutMarkerLabels, ""},
        // The records the section's length holds after those its count names are markers too.
        {"a marker count one short", [&](Bytes& f, const AcqRecipe&) { PutU32(f, m + 4, 2); }, kLeftOutMarkerCount, ""},
        {"a marker count of one", [&](Bytes& f, const AcqRecipe&) { PutU32(f, m + 4, 1); }, kLeftOutMarkerCount, ""},
    };
    for (const LeftOutCase& c : cases) {
        Bytes f = whole;
        c.patch(f, recipe);
        TestDoc d;
        stGraphReadReport report{};
        ASSERT_EQ(Read(d, f, &report), 1) << c.what;
        EXPECT_EQ(report.leftOut, c.leftOut) << c.what;
        EXPECT_EQ(report.repaired, 0) << c.what;
        EXPECT_EQ(d.gs->modified, 1u) << c.what;
        // The sound parts are all there.
        EXPECT_EQ(MarkersOf(d.gs), c.markers.empty() ? soundMarkers : c.markers) << c.what;
        EXPECT_EQ(d.gs->chanCount[0], 10u) << c.what;
        if (c.leftOut != kLeftOutJournal) {
            EXPECT_EQ(JournalOf(d), JournalOf(sound)) << c.what;
        }
        if (c.leftOut != kLeftOutGraphItems) {
            EXPECT_EQ(ItemsOf(d), ItemsOf(sound)) << c.what;
        }
        if (c.leftOut != kLeftOutOutputPanels) {
            EXPECT_EQ(PanelsOf(d), PanelsOf(sound)) << c.what;
        }
        if (!(c.leftOut & (kLeftOutMarkerSettings | kLeftOutMarkers))) {
            EXPECT_EQ(ManagerOf(d), ManagerOf(sound)) << c.what;
        }
        EXPECT_EQ(d.gs->foreignData == nullptr, c.leftOut == kLeftOutSetup) << c.what;
        // Saved and read again: only sound parts, nothing to tell.
        const Bytes saved = Write(d);
        TestDoc e;
        stGraphReadReport again{};
        ASSERT_EQ(Read(e, saved, &again), 1) << c.what;
        EXPECT_EQ(again.leftOut, 0u) << c.what;
        EXPECT_EQ(again.notice, nullptr) << c.what;
        EXPECT_EQ(e.gs->modified, 0u) << c.what;
        EXPECT_EQ(MarkersOf(e.gs), MarkersOf(d.gs)) << c.what;
        EXPECT_EQ(Write(e), saved) << c.what;
    }
}

// Every single byte behind the samples changed in turn (one bit, the top bit, to 0, to 0xFF): the
// blocks whose bytes were not touched are always kept, and a read that tells nothing of a change
// behind the markers writes back as long a file: nothing was passed over in silence.
TEST(GraphFileDamage, NoChangedByteBehindTheSamplesLosesAnotherBlockOrGoesUntold) {
    const AcqRecipe recipe = RichRecipe();
    const Bytes whole = BuildAcq(recipe);
    const size_t markers = MarkerSectionAt(recipe);
    const size_t journal = markers + 8 + 3 * 13 + 9 + 6 + 9;
    const size_t items = whole.size() - GraphItemsBlock().size();
    const size_t panels = items - OutputPanelsBlock().size();
    const size_t manager = journal + 10 + 30;
    TestDoc sound;
    ASSERT_EQ(Read(sound, whole, nullptr), 1);
    ASSERT_EQ(Write(sound).size(), whole.size());
    struct Part {
        size_t from, to;
        uint32_t leftOut;
        std::function<Bytes(TestDoc&)> of;
    } parts[] = {
        {markers, journal, kLeftOutMarkers | kLeftOutMarkerLabels,
         [](TestDoc& d) { const std::string m = MarkersOf(d.gs); return Bytes(m.begin(), m.end()); }},
        {journal, manager, kLeftOutJournal | kLeftOutJournalLength | kLeftOutJournalEnd,
         [](TestDoc& d) {
             const std::string text = JournalOf(d).first;
             return Bytes(text.begin(), text.end());
         }},
        {manager, panels, kLeftOutMarkerSettings, ManagerOf},
        {panels, items, kLeftOutOutputPanels, PanelsOf},
        {items, whole.size(), kLeftOutGraphItems, ItemsOf},
    };
    std::vector<Bytes> kept;
    for (Part& part : parts) kept.push_back(part.of(sound));
    int untold = 0;
    for (size_t at = markers; at < whole.size(); ++at) {
        for (int change = 0; change < 4; ++change) {
            Bytes f = whole;
            const uint8_t was = f[at];
            f[at] = change == 0 ? was ^ 0x01 : change == 1 ? was ^ 0x80 : change == 2 ? 0x00 : 0xFF;
            if (f[at] == was) continue;
            const std::string what = "byte " + std::to_string(at) + " from " + std::to_string(was) + " to " +
                                     std::to_string(f[at]);
            TestDoc d;
            stGraphReadReport report{};
            ASSERT_EQ(Read(d, f, &report), 1) << what;
            for (size_t k = 0; k < sizeof parts / sizeof parts[0]; ++k) {
                if (at >= parts[k].from && at < parts[k].to) continue;
                // The marker-manager block holds a record for each marker, and gives them their types.
                if ((k == 2 && at < journal) || (k == 0 && at >= manager && at < panels)) continue;
                EXPECT_EQ(report.leftOut & parts[k].leftOut, 0u) << what << ": an untouched block left out";
                EXPECT_EQ(parts[k].of(d), kept[k]) << what << ": an untouched block changed, block " << k;
            }
            if (report.leftOut == 0 && !report.notice && !report.repaired) {
                EXPECT_EQ(d.gs->modified, 0u) << what;
                // (A changed marker position can give a marker another's record, and so another label.)
                if (at < journal) continue;
                const Bytes saved = Write(d);
                untold += saved.size() == f.size() ? 0 : 1;
                EXPECT_EQ(saved.size(), f.size()) << what << ": bytes passed over without a word";
            } else {
                EXPECT_EQ(d.gs->modified, 1u) << what;
            }
        }
    }
    EXPECT_EQ(untold, 0);
}

// Bytes taken out of the samples or put in before the marker section: where the counts place the
// section, two zero words read as a section without markers. The markers were not read where
// they lie, and the read says so; the blocks behind them are all kept.
TEST(GraphFileDamage, AMarkerSectionReadWhereItDoesNotLieIsToldAndTheBlocksAfterItKept) {
    const AcqRecipe recipe = RichRecipe();
    const Bytes whole = BuildAcq(recipe);
    const size_t samples = SamplesAt(recipe);
    const size_t markers = MarkerSectionAt(recipe);
    TestDoc sound;
    ASSERT_EQ(Read(sound, whole, nullptr), 1);
    ASSERT_EQ(StoredMarkerCount(sound.gs), 3u);
    struct Case {
        const char* what;
        std::function<void(Bytes&)> patch;
    } cases[] = {
        {"five sample bytes taken out", [&](Bytes& f) { f.erase(f.begin() + samples, f.begin() + samples + 5); }},
        {"five sample bytes taken out at their end",
         [&](Bytes& f) { f.erase(f.begin() + markers - 5, f.begin() + markers); }},
        {"eight zero bytes put in before the section", [&](Bytes& f) { f.insert(f.begin() + markers, 8, 0); }},
        {"twelve zero bytes put in among the samples", [&](Bytes& f) { f.insert(f.begin() + samples + 4, 12, 0); }},
    };
    for (const Case& c : cases) {
        Bytes f = whole;
        c.patch(f);
        TestDoc d;
        stGraphReadReport report{};
        ASSERT_EQ(Read(d, f, &report), 1) << c.what;
        EXPECT_EQ(JournalOf(d), JournalOf(sound)) << c.what;
        EXPECT_EQ(PanelsOf(d), PanelsOf(sound)) << c.what;
        EXPECT_EQ(ItemsOf(d), ItemsOf(sound)) << c.what;
        if (MarkersOf(d.gs) != MarkersOf(sound.gs)) {
            EXPECT_TRUE(report.leftOut & kLeftOutMarkers || report.repaired) << c.what << ": markers lost untold";
            EXPECT_TRUE(report.notice) << c.what;
            EXPECT_EQ(d.gs->modified, 1u) << c.what;
        }
    }
}

// ---- Channel fields no recording can hold ----

// The samples of a slot as bytes, count x width.
Bytes SamplesOf(const tagGS* gs, int slot) {
    const size_t width = gs->chanType[slot] == kTypeDouble ? 8 : 2;
    const auto* p = static_cast<const uint8_t*>(gs->chanBlock[slot]);
    return p ? Bytes(p, p + gs->chanCount[slot] * width) : Bytes();
}

// A channel header whose scale or offset is not a number or whose scale is zero, whose sample
// count the file cannot hold, or whose slot is out of range or taken: the file opens with every
// channel's samples and every block behind them, the channel is named in the report, the
// document is marked changed, and saved it reads again without a word.
TEST(GraphFileDamage, ChannelFieldsNoRecordingCanHoldAreToldByChannelAndTheRestKept) {
    AcqRecipe equal = RichRecipe();  // slots 0 and 59 of ten 16-bit samples, slot 5 of six doubles
    equal.channels[2].raw = {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};
    const AcqRecipe rich = RichRecipe();  // slot 0 of ten samples, 5 of six, 59 of three
    struct Case {
        const char* what;
        const AcqRecipe* recipe;
        size_t header;  // the channel header changed
        std::function<void(Bytes&, size_t)> patch;
        uint32_t part;
        int slot;        // the slot named in the report
        int soundSlot;   // where that channel's samples lie in the sound file
        // Counts cut to what the file holds: only the first samples compare, and the markers,
        // whose section could not be found, are lost with their settings.
        bool repaired;
    } cases[] = {
        {"scale NaN", &equal, 2, [](Bytes& f, size_t h) { PutF64(f, h + 92, std::nan("")); }, kLeftOutChannelScale, 59,
         59, false},
        {"scale infinite", &rich, 0, [](Bytes& f, size_t h) { PutF64(f, h + 92, INFINITY); }, kLeftOutChannelScale, 0,
         0, false},
        {"scale 0", &rich, 0, [](Bytes& f, size_t h) { PutF64(f, h + 92, 0.0); }, kLeftOutChannelScale, 0, 0, false},
        {"offset minus infinity", &rich, 2, [](Bytes& f, size_t h) { PutF64(f, h + 100, -INFINITY); },
         kLeftOutChannelScale, 59, 59, false},
        {"count two over", &equal, 2, [](Bytes& f, size_t h) { PutU32(f, h + 88, 12); }, kLeftOutChannelCount, 59, 59,
         false},
        {"count one short", &equal, 0, [](Bytes& f, size_t h) { PutU32(f, h + 88, 9); }, kLeftOutChannelCount, 0, 0,
         false},
        {"count 0", &equal, 2, [](Bytes& f, size_t h) { PutU32(f, h + 88, 0); }, kLeftOutChannelCount, 59, 59, false},
        {"count 2^31 - 1", &equal, 0, [](Bytes& f, size_t h) { PutU32(f, h + 88, 0x7FFFFFFF); }, kLeftOutChannelCount,
         0, 0, false},
        {"count 2^31", &equal, 2, [](Bytes& f, size_t h) { PutU32(f, h + 88, 0x80000000u); }, kLeftOutChannelCount, 59,
         59, false},
        {"count 2^32 - 1", &equal, 2, [](Bytes& f, size_t h) { PutU32(f, h + 88, 0xFFFFFFFFu); }, kLeftOutChannelCount,
         59, 59, false},
        // No other channel has the count: cut to what the file holds before its blocks.
        {"count 2^32 - 1, no other channel as long", &rich, 0,
         [](Bytes& f, size_t h) { PutU32(f, h + 88, 0xFFFFFFFFu); }, kLeftOutChannelCount, 0, 0, true},
        {"slot 60", &rich, 0, [](Bytes& f, size_t h) { PutU16(f, h + 4, 60); }, kLeftOutChannelSlot, 0, 0, false},
        {"slot -1", &rich, 2, [](Bytes& f, size_t h) { PutU16(f, h + 4, 0xFFFF); }, kLeftOutChannelSlot, 6, 59, false},
        {"one slot twice", &rich, 1, [](Bytes& f, size_t h) { PutU16(f, h + 4, 0); }, kLeftOutChannelSlot, 1, 5, false},
    };
    for (const Case& c : cases) {
        const Bytes whole = BuildAcq(*c.recipe);
        TestDoc sound;
        ASSERT_EQ(Read(sound, whole, nullptr), 1) << c.what;
        Bytes f = whole;
        c.patch(f, ChannelHeaderAt(*c.recipe, c.header));
        TestDoc d;
        stGraphReadReport report{};
        ASSERT_EQ(Read(d, f, &report), 1) << c.what;
        EXPECT_EQ(report.leftOut, c.part | (c.repaired ? kLeftOutMarkerSettings : 0)) << c.what;
        const uint64_t named = c.part == kLeftOutChannelScale   ? report.badScale
                               : c.part == kLeftOutChannelCount ? report.badCount
                                                                : report.badSlot;
        EXPECT_EQ(named, uint64_t{1} << c.slot) << c.what;
        EXPECT_EQ(report.badScale | report.badCount | report.badSlot, named) << c.what;
        EXPECT_EQ(report.repaired, c.repaired ? 1 : 0) << c.what;
        EXPECT_EQ(d.gs->modified, 1u) << c.what;
        // Every channel holds the file's samples, the damaged one in its slot.
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!ChannelInUse(sound.gs, s)) continue;
            const int at = s == c.soundSlot ? c.slot : s;
            ASSERT_TRUE(ChannelInUse(d.gs, at)) << c.what << ", slot " << at;
            EXPECT_STREQ(d.gs->chanLabel[at], sound.gs->chanLabel[s]) << c.what;
            Bytes got = SamplesOf(d.gs, at);
            const Bytes want = SamplesOf(sound.gs, s);
            if (c.repaired && s == c.soundSlot && got.size() > want.size()) got.resize(want.size());
            EXPECT_EQ(got, want) << c.what << ", slot " << at;
            if (c.part == kLeftOutChannelScale && s == c.soundSlot) {
                EXPECT_EQ(d.gs->chanScale[at], 10.0 / 32768.0) << c.what;
                EXPECT_EQ(d.gs->chanOffset[at], 0.0) << c.what;
            } else {
                EXPECT_EQ(d.gs->chanScale[at], sound.gs->chanScale[s]) << c.what;
            }
        }
        // The blocks behind the samples are all there.
        EXPECT_EQ(MarkersOf(d.gs), c.repaired ? "" : MarkersOf(sound.gs)) << c.what;
        EXPECT_EQ(JournalOf(d), JournalOf(sound)) << c.what;
        if (!c.repaired) {
            EXPECT_EQ(ManagerOf(d), ManagerOf(sound)) << c.what;
        }
        EXPECT_EQ(PanelsOf(d), PanelsOf(sound)) << c.what;
        EXPECT_EQ(ItemsOf(d), ItemsOf(sound)) << c.what;
        // Saved, it reads again without a word.
        const Bytes saved = Write(d);
        TestDoc e;
        stGraphReadReport again{};
        ASSERT_EQ(Read(e, saved, &again), 1) << c.what;
        EXPECT_EQ(again.leftOut, 0u) << c.what;
        EXPECT_EQ(e.gs->modified, 0u) << c.what;
    }
}

}  // namespace
