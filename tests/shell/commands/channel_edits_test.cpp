// Channel edits and their undo, driven through the Edit menu of a real graph window; resampling
// through the Transform menu.
#include "commands_fixture.h"
#include "box_capture.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "graph/view/display_modes.h"
#include "shell/shell_ids.h"
#include "devlib/vk40.h"
#include "documents/stored_blocks.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "shell/commands/status.h"
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kInterval = 2.0;  // milliseconds per sample

enum class Kind { F64, Raw16 };

class ChannelEdits : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        for (UINT id : {IDM_EDIT_UNDO, IDM_EDIT_CUT, IDM_EDIT_COPY, IDM_EDIT_PASTE, IDM_EDIT_CLEAR,
                        IDM_EDIT_INSERT_WAVEFORM, IDM_EDIT_DUPLICATE_WAVEFORM, IDM_EDIT_REMOVE_WAVEFORM,
                        IDM_TRANSFORM_RESAMPLE}) {
            if (GetStatusHotKeyEx(id) != kHotKeyUnregistered) {
                ASSERT_EQ(SetStatusHotKeyEx(id, 1), 1);
            }
        }
    }

    // A shown channel of n samples: f64 values 0.25 x i - 3, or 16-bit raw i - 7 at scale 0.5,
    // offset 1.
    static void FillChannel(tagGS* gs, int slot, Kind kind, uint32_t n, int bias = 0) {
        if (kind == Kind::F64) {
            std::vector<double> values(n);
            for (uint32_t i = 0; i < n; ++i) values[i] = 0.25 * (i + bias) - 3.0;
            FillDoubles(gs, slot, values);
        } else {
            FreeLockedBlock(gs->chanBlock[slot]);
            ShowChannel(gs, slot);
            gs->chanCount[slot] = n;
            gs->chanType[slot] = 0;
            gs->chanBytes[slot] = 2;
            gs->chanScale[slot] = 0.5;
            gs->chanOffset[slot] = 1.0;
            auto* r = static_cast<int16_t*>(AllocLockedBlock(n * sizeof(int16_t) + 2));
            for (uint32_t i = 0; i < n; ++i) r[i] = static_cast<int16_t>(i + bias - 7);
            gs->chanBlock[slot] = r;
        }
        gs->chanVCenter[slot] = 1.5;
        gs->chanVPerDiv[slot] = 0.75;
        gs->sampleInterval = kInterval;
        UpdateGraphLength(gs);
    }

    static void Select(tagGS* gs, double fromSample, double toSample) {
        gs->selStart = fromSample * kInterval;
        gs->selEnd = toSample * kInterval;
    }
};

// Cut, Clear and Paste over the whole range of awkward selections: each changes exactly the
// samples it names, says what Undo would undo, and Undo puts back every sample, the count, the
// scale and the selection; afterwards there is nothing to undo.
TEST_F(ChannelEdits, EditsChangeTheirRangeAndUndoRestoresEverySample) {
    struct Row {
        const char* name;
        Kind kind;
        UINT command;
        double from, to;         // selection in samples (may be reversed or outside the data)
        uint32_t clipSamples;    // Paste: samples on the clipboard
        uint32_t cutFirst, cutEnd;  // samples the edit takes out
        const char* undo;
    } rows[] = {
        {"cut middle", Kind::F64, IDM_EDIT_CUT, 5, 10, 0, 5, 10, "Undo Cut\tCtrl+Z"},
        {"cut first sample", Kind::F64, IDM_EDIT_CUT, 0, 1, 0, 0, 1, "Undo Cut\tCtrl+Z"},
        {"cut last sample", Kind::Raw16, IDM_EDIT_CUT, 19, 20, 0, 19, 20, "Undo Cut\tCtrl+Z"},
        {"cut reversed", Kind::Raw16, IDM_EDIT_CUT, 12, 4, 0, 4, 12, "Undo Cut\tCtrl+Z"},
        {"cut past the end", Kind::F64, IDM_EDIT_CUT, 15, 45, 0, 15, 20, "Undo Cut\tCtrl+Z"},
        {"cut outside the data", Kind::F64, IDM_EDIT_CUT, 30, 40, 0, 20, 20, "Undo Cut\tCtrl+Z"},
        {"cut before the start", Kind::Raw16, IDM_EDIT_CUT, -5, 3, 0, 0, 3, "Undo Cut\tCtrl+Z"},
        {"cut between samples", Kind::F64, IDM_EDIT_CUT, 2.5, 6.2, 0, 3, 7, "Undo Cut\tCtrl+Z"},
        {"clear everything", Kind::Raw16, IDM_EDIT_CLEAR, 0, 20, 0, 0, 20, "Undo Clear\tCtrl+Z"},
        {"clear middle", Kind::F64, IDM_EDIT_CLEAR, 8, 9, 0, 8, 9, "Undo Clear\tCtrl+Z"},
        {"paste at a point", Kind::F64, IDM_EDIT_PASTE, 6, 6, 3, 6, 6, "Undo Paste\tCtrl+Z"},
        {"paste at the start", Kind::Raw16, IDM_EDIT_PASTE, 0, 0, 4, 0, 0, "Undo Paste\tCtrl+Z"},
        {"paste at the end", Kind::Raw16, IDM_EDIT_PASTE, 20, 20, 2, 20, 20, "Undo Paste\tCtrl+Z"},
        {"paste over a selection", Kind::Raw16, IDM_EDIT_PASTE, 10, 3, 5, 3, 10, "Undo Paste\tCtrl+Z"},
        {"paste larger than the channel", Kind::F64, IDM_EDIT_PASTE, 2, 18, 50, 2, 18, "Undo Paste\tCtrl+Z"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Graph();
        ASSERT_TRUE(gs);
        FillChannel(gs, 0, row.kind, 20);
        gs->selectedChan = 0;
        std::vector<double> clip;
        if (row.clipSamples) {
            // The clipboard is filled by Copy from a second channel, which then goes away.
            FillChannel(gs, 1, Kind::F64, row.clipSamples, 100);
            gs->selectedChan = 1;
            Select(gs, 0, row.clipSamples);
            Command(IDM_EDIT_COPY);
            ASSERT_EQ(g_app->gsClipboard->chanCount[0], row.clipSamples);
            clip = Values(gs, 1);
            Command(IDM_EDIT_REMOVE_WAVEFORM);
            ASSERT_EQ(gs->chanFlags[1] & kChanSlotMask, 0u);
            gs->selectedChan = 0;
        }
        const std::vector<double> before = Values(gs, 0);
        Select(gs, row.from, row.to);
        const double selStart = gs->selStart, selEnd = gs->selEnd;
        setDirtyGraphFlag(gs, 0);

        Command(row.command);

        std::vector<double> expected(before.begin(), before.begin() + row.cutFirst);
        expected.insert(expected.end(), clip.begin(), clip.end());
        expected.insert(expected.end(), before.begin() + row.cutEnd, before.end());
        EXPECT_EQ(Values(gs, 0), expected);
        EXPECT_EQ(gs->totalSamples, static_cast<int32_t>(expected.size()));
        if (row.cutEnd > row.cutFirst || !clip.empty()) {
            EXPECT_EQ(gs->selStart, gs->selEnd);
            EXPECT_EQ(gs->selStart, (row.cutFirst + clip.size()) * kInterval);
        }
        EXPECT_EQ(gs->modified, row.cutEnd > row.cutFirst || !clip.empty() ? 1u : 0u);
        if (row.command == IDM_EDIT_CUT) {
            EXPECT_EQ(g_app->gsClipboard->chanCount[0], row.cutEnd - row.cutFirst);
        }
        EXPECT_EQ(UndoLabel(), row.undo);
        EXPECT_FALSE(Grayed(IDM_EDIT_UNDO));

        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Values(gs, 0), before);
        EXPECT_EQ(gs->chanCount[0], 20u);
        EXPECT_EQ(gs->totalSamples, 20);
        EXPECT_EQ(gs->selStart, selStart);
        EXPECT_EQ(gs->selEnd, selEnd);
        EXPECT_EQ(gs->chanVCenter[0], 1.5);
        EXPECT_EQ(gs->chanVPerDiv[0], 0.75);
        EXPECT_EQ(UndoLabel(), "Can't Undo");
        EXPECT_TRUE(Grayed(IDM_EDIT_UNDO));
        // One level only: a second Undo changes nothing.
        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Values(gs, 0), before);
        EXPECT_EQ(g_app->undo.nKind, 0u);
    }
}

// An edit of one channel leaves the others as they were, and the recording is as long as its
// longest channel.
TEST_F(ChannelEdits, CutOfOneChannelLeavesTheOthers) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, 0, Kind::Raw16, 20);
    FillChannel(gs, 3, Kind::F64, 12);
    const std::vector<double> other = Values(gs, 0);
    gs->selectedChan = 3;
    Select(gs, 2, 10);
    Command(IDM_EDIT_CUT);
    EXPECT_EQ(gs->chanCount[3], 4u);
    EXPECT_EQ(Values(gs, 0), other);
    EXPECT_EQ(gs->totalSamples, 20);
    gs->selectedChan = 0;
    Select(gs, 0, 20);
    Command(IDM_EDIT_CUT);
    EXPECT_EQ(gs->chanCount[0], 0u);
    EXPECT_EQ(gs->totalSamples, 4);
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(Values(gs, 0), other);
    EXPECT_EQ(gs->totalSamples, 20);
}

// Clear All takes the range out of every channel, 16-bit and f64 alike, a channel it empties
// goes, and nothing is left to undo.
TEST_F(ChannelEdits, ClearAllTakesTheRangeOutOfEveryChannel) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, 0, Kind::Raw16, 20);
    FillChannel(gs, 1, Kind::F64, 12);
    FillChannel(gs, 2, Kind::F64, 3);
    const std::vector<double> a = Values(gs, 0), b = Values(gs, 1);
    gs->selectedChan = 1;
    Select(gs, 0, 3);
    Command(IDM_EDIT_CUT);  // leaves a snapshot that Clear All must drop
    ASSERT_NE(g_app->undo.nKind, 0u);
    FillChannel(gs, 1, Kind::F64, 12);
    Select(gs, 11, 0);
    Command(IDM_EDIT_CLEAR_ALL);
    EXPECT_EQ(Values(gs, 0), std::vector<double>(a.begin() + 11, a.end()));
    EXPECT_EQ(Values(gs, 1), std::vector<double>(b.begin() + 11, b.end()));
    EXPECT_EQ(gs->chanFlags[2] & kChanSlotMask, 0u);
    EXPECT_EQ(gs->totalSamples, 9);
    EXPECT_EQ(UndoLabel(), "Can't Undo");
}

// A channel without samples: Cut and Copy are refused with their message, Duplicate says there
// is no data (and makes no channel), Clear does nothing, and nothing is left to undo.
TEST_F(ChannelEdits, EditsOfAnEmptyChannelAreRefusedOrChangeNothing) {
    struct Row {
        UINT command;
        const char* box;  // null: none
    } rows[] = {
        {IDM_EDIT_CUT, "Not enough memory for Cut"},
        {IDM_EDIT_COPY, "Not enough memory for Copy"},
        {IDM_EDIT_DUPLICATE_WAVEFORM, "You have no data to perform the selected operation"},
        {IDM_EDIT_CLEAR, nullptr},
    };
    for (const Row& row : rows) {
        tagGS* gs = Graph();
        ASSERT_TRUE(gs);
        FillChannel(gs, 0, Kind::F64, 10);
        FillChannel(gs, 2, Kind::F64, 0);
        gs->selectedChan = 2;
        Select(gs, 1, 4);
        BoxCapture boxes;
        Command(row.command);
        EXPECT_EQ(gs->chanCount[2], 0u) << row.command;
        EXPECT_EQ(gs->chanCount[0], 10u) << row.command;
        EXPECT_EQ(gs->chanFlags[1] & kChanSlotMask, 0u) << row.command << " left a channel";
        if (row.box) {
            ASSERT_EQ(boxes.boxes.size(), 1u) << row.command;
            EXPECT_EQ(boxes.boxes[0].text, row.box);
        } else {
            EXPECT_TRUE(boxes.boxes.empty()) << row.command;
        }
        EXPECT_EQ(g_app->undo.nKind, 0u) << row.command;
        gs->chanFlags[2] = 0;
    }
}

// Insert and Duplicate make new channels from the clipboard and the selection; slot 0 is never
// handed out, and Remove takes a channel away.
TEST_F(ChannelEdits, InsertDuplicateAndRemoveMakeAndDropChannels) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, 0, Kind::Raw16, 20);
    lstrcpyA(gs->chanLabel[0], "Pulse");
    lstrcpyA(gs->chanUnits[0], "mV");
    gs->selectedChan = 0;
    const std::vector<double> all = Values(gs, 0);
    Select(gs, 4, 9);
    Command(IDM_EDIT_DUPLICATE_WAVEFORM);
    ASSERT_EQ(gs->chanFlags[1] & kChanSlotMask, 2u);
    EXPECT_EQ(Values(gs, 1), std::vector<double>(all.begin() + 4, all.begin() + 9));
    EXPECT_EQ(gs->chanType[1], 0);
    EXPECT_STREQ(gs->chanLabel[1], "Pulse");
    EXPECT_STREQ(gs->chanUnits[1], "mV");

    Select(gs, 10, 13);
    Command(IDM_EDIT_COPY);
    Command(IDM_EDIT_INSERT_WAVEFORM);
    ASSERT_EQ(gs->chanFlags[2] & kChanSlotMask, 2u);
    EXPECT_EQ(Values(gs, 2), std::vector<double>(all.begin() + 10, all.begin() + 13));
    EXPECT_STREQ(gs->chanLabel[2], "Pulse");

    gs->selectedChan = 1;
    Command(IDM_EDIT_REMOVE_WAVEFORM);
    EXPECT_EQ(gs->chanFlags[1] & kChanSlotMask, 0u);
    EXPECT_EQ(gs->chanCount[1], 0u);
    EXPECT_EQ(gs->chanBlock[1], nullptr);
    EXPECT_EQ(gs->selectedChan, 0u);
    EXPECT_EQ(Values(gs, 0), all);

    // Every slot from 1 on taken: no new slot, even with slot 0 free.
    for (int s = 0; s < kMaxChannels; ++s) gs->chanFlags[s] = s == 0 ? 0 : 2;
    int slot = -1;
    EXPECT_EQ(NewChannelSlot(gs, &slot), 0);
    for (int s = 1; s < kMaxChannels; ++s) gs->chanFlags[s] = 0;
    gs->chanFlags[0] = 2;
}

// Pasting into a graph without channels gives it the clipboard's channel and sample interval.
TEST_F(ChannelEdits, PasteIntoAnEmptyGraphTakesTheClipboardsInterval) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, 0, Kind::F64, 8);
    lstrcpyA(gs->chanLabel[0], "Flow");
    gs->selectedChan = 0;
    Select(gs, 0, 8);
    Command(IDM_EDIT_COPY);
    const std::vector<double> copied = Values(gs, 0);
    Command(IDM_EDIT_REMOVE_WAVEFORM);
    ASSERT_EQ(gs->totalSamples, 0);
    gs->sampleInterval = 7.0;
    Command(IDM_EDIT_PASTE);
    const int slot = static_cast<int>(gs->selectedChan);
    ASSERT_NE(slot, 0);
    EXPECT_EQ(Values(gs, slot), copied);
    EXPECT_EQ(gs->sampleInterval, kInterval);
    EXPECT_STREQ(gs->chanLabel[slot], "Flow");
    EXPECT_EQ(gs->chanVPerDiv[slot], 0.75);
}

// A paste from a graph of another rate is brought to this graph's rate, so that the pasted
// stretch lasts as long as it did.
TEST_F(ChannelEdits, PasteFromAnotherRateKeepsItsDuration) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, 0, Kind::F64, 11);  // 0.25 x i - 3 over 20 ms
    gs->selectedChan = 0;
    Select(gs, 0, 11);
    Command(IDM_EDIT_COPY);
    FillChannel(gs, 0, Kind::F64, 4);
    gs->sampleInterval = 1.0;  // twice the rate of the copy
    UpdateGraphLength(gs);
    gs->selStart = gs->selEnd = 4.0;
    ASSERT_EQ(g_app->options.bInterpolatePaste, 1u);
    Command(IDM_EDIT_PASTE);
    const std::vector<double> v = Values(gs, 0);
    ASSERT_EQ(v.size(), 4u + 21u);
    for (int j = 0; j < 21; ++j) EXPECT_DOUBLE_EQ(v[4 + j], 0.125 * j - 3.0) << j;
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(gs->chanCount[0], 4u);
}

// The snapshots the transforms take: in place over the selection (the whole channel for a point
// selection), in place over the whole channel, and a new channel at a new interval. Undo puts
// back every sample, and for the last the type, the count and the interval too.
TEST_F(ChannelEdits, TransformSnapshotsRestoreTheChannel) {
    struct Row {
        int kind;
        Kind type;
        double from, to;
        const char* text;
    } rows[] = {
        {kUndoInPlace, Kind::F64, 4, 8, "Undo Smoothing"},
        {kUndoInPlace, Kind::Raw16, 6, 6, "Undo Abs"},
        {kUndoInPlace, Kind::Raw16, 17, 30, "Undo Filter"},
        {kUndoWholeInPlace, Kind::F64, 2, 3, "Undo Derivative"},
        {kUndoReplace, Kind::Raw16, 0, 0, "Undo Fourier"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        tagGS* gs = Graph();
        ASSERT_TRUE(gs);
        FillChannel(gs, 0, row.type, 20);
        gs->selectedChan = 0;
        Select(gs, row.from, row.to);
        const std::vector<double> before = Values(gs, 0);
        ASSERT_EQ(SaveUndo(gs, 0, row.kind, row.text), 1);
        EXPECT_EQ(UndoLabel(), std::string(row.text) + "\tCtrl+Z");
        if (row.kind == kUndoReplace) {
            // A transform that makes a new channel of doubles at another interval.
            FreeLockedBlock(gs->chanBlock[0]);
            FillChannel(gs, 0, Kind::F64, 7, 40);
            gs->sampleInterval = 0.125;
        } else {
            // The change in place: every sample the snapshot may hold is overwritten.
            for (int i = 0; i < 20; ++i) ASSERT_EQ(PutChannelSample(gs, i, 0, 99.0 + i), 1);
        }
        gs->chanVCenter[0] = -8.0;
        Command(IDM_EDIT_UNDO);
        if (row.kind == kUndoInPlace && row.from != row.to) {
            // Only the selected samples were saved; the others keep the change.
            for (int i = 0; i < 20; ++i) {
                double v = 0.0;
                ASSERT_EQ(GetChannelSample(gs, i, 0, &v), 1);
                const bool saved = i >= row.from && i <= (row.to < 20 ? row.to : 19);
                EXPECT_EQ(v, saved ? before[i] : 99.0 + i) << i;
            }
        } else {
            EXPECT_EQ(Values(gs, 0), before);
        }
        EXPECT_EQ(gs->chanVCenter[0], 1.5);
        if (row.kind == kUndoReplace) {
            EXPECT_EQ(gs->chanType[0], 0);
            EXPECT_EQ(gs->sampleInterval, kInterval);
            EXPECT_EQ(gs->chanCount[0], 20u);
        }
        EXPECT_EQ(UndoLabel(), "Can't Undo");
    }
}

// Undo waits while a recording runs into the graph, and a snapshot whose samples no longer have
// their places (the channel was shortened behind the Edit menu's back) is dropped, not forced in.
TEST_F(ChannelEdits, UndoWaitsForARecordingAndDropsASnapshotThatNoLongerFits) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, 0, Kind::F64, 20);
    gs->selectedChan = 0;
    Select(gs, 2, 5);
    Command(IDM_EDIT_COPY);
    Select(gs, 10, 10);
    Command(IDM_EDIT_PASTE);
    ASSERT_EQ(gs->chanCount[0], 23u);
    const std::vector<double> pasted = Values(gs, 0);
    gs->acquiring = 1;
    Command(IDM_EDIT_UNDO);
    gs->acquiring = 0;
    EXPECT_EQ(Values(gs, 0), pasted);
    EXPECT_EQ(UndoLabel(), "Undo Paste\tCtrl+Z");
    gs->chanCount[0] = 11;  // the pasted samples at 10 to 12 are no longer all there
    UpdateGraphLength(gs);
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(gs->chanCount[0], 11u);
    EXPECT_EQ(Values(gs, 0), std::vector<double>(pasted.begin(), pasted.begin() + 11));
    EXPECT_EQ(UndoLabel(), "Can't Undo");
}

// Markers of a graph with one channel move with the samples a cut takes out.
TEST_F(ChannelEdits, CutOfTheOnlyChannelMovesItsMarkers) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, 0, Kind::F64, 20);
    gs->selectedChan = 0;
    stStoredMarker marks[3] = {};
    marks[0].position = 3;
    marks[1].position = 7;
    marks[2].position = 15;
    ASSERT_EQ(StoreMarkers(gs, marks, 3), 1);
    Select(gs, 5, 10);
    Command(IDM_EDIT_CUT);
    ASSERT_EQ(StoredMarkerCount(gs), 3u);
    EXPECT_EQ(StoredMarkerAt(gs, 0)->position, 3u);
    EXPECT_EQ(StoredMarkerAt(gs, 1)->position, 5u);
    EXPECT_EQ(StoredMarkerAt(gs, 2)->position, 10u);
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(StoredMarkerAt(gs, 0)->position, 3u);
    EXPECT_EQ(StoredMarkerAt(gs, 2)->position, 15u);
}

// ---- Resampling ----

struct PromptScript {
    std::vector<double> answers;  // one per question; NaN answers Cancel
    std::vector<double> offered;  // the value each question started at
    double minRate = 0.0;
};
PromptScript* g_script = nullptr;

int ScriptedPrompt(tagGS*, double* rate, double minRate) {
    g_script->offered.push_back(*rate);
    g_script->minRate = minRate;
    const size_t i = g_script->offered.size() - 1;
    if (i >= g_script->answers.size() || g_script->answers[i] != g_script->answers[i]) return 0;
    *rate = g_script->answers[i];
    return 1;
}

class Resampling : public ChannelEdits {
protected:
    void TearDown() override {
        SetSampleRatePrompt(nullptr);
        g_script = nullptr;
        ChannelEdits::TearDown();
    }
};

TEST(ResampleArithmetic, CountsAndRounding) {
    struct Row {
        uint32_t count;
        double factor;
        uint32_t expected;
    } rows[] = {{100, 2.0, 199}, {100, 0.5, 51}, {100, 1.0, 100}, {100, 1.5, 150}, {1, 0.25, 3}, {0, 3.0, 0}};
    for (const Row& r : rows) EXPECT_EQ(ResampledCount(r.count, r.factor), r.expected) << r.count << " " << r.factor;
    EXPECT_EQ(RoundToNearestIncrement(-2.5, 1.0), -3.0);
    EXPECT_EQ(RoundToNearestIncrement(2.5, 1.0), 3.0);
    EXPECT_EQ(RoundToNearestIncrement(2.5, 0.0), 2.5);
    EXPECT_EQ(RoundToNearestIncrement(7.4, 2.0), 8.0);
}

// The rounding from an origin of the output panels: whole increments toward zero, with the
// allowance on one side of the origin; a zero increment says so and changes nothing.
TEST_F(ChannelEdits, RoundingFromAnOrigin) {
    struct Row {
        double x, inc, origin, down, up;
    } rows[] = {
        {7.3, 2.0, 1.0, 7.0, 7.0},
        {-2.99995, 1.0, 0.0, -3.0, -2.0},    // below the origin: Down allows
        {2.99995, 1.0, 0.0, 2.0, 3.0},       // above it: Up allows
        {-2.5, 1.0, 0.0, -2.0, -2.0},
        {10.0, 2.5, 2.5, 10.0, 10.0},
        {1.09995, 0.1, 0.0, 1.0, 1.0},       // 10.9995: 0.0005 short, no allowance
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(RoundDownFromOrigin(r.x, r.inc, r.origin), r.down, 1e-9) << r.x;
        EXPECT_NEAR(RoundUpFromOrigin(r.x, r.inc, r.origin), r.up, 1e-9) << r.x;
    }
    BoxCapture boxes;
    EXPECT_EQ(RoundDownFromOrigin(4.25, 0.0, 1.0), 4.25);
    EXPECT_EQ(RoundUpFromOrigin(-4.25, 0.0, 1.0), -4.25);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "inc=0.0!");
    EXPECT_EQ(boxes.boxes[0].caption, "RoundUp");
}

// Resample through the Transform menu: a ramp stays a ramp in time, the markers stay at their
// times, the recording keeps its length; a rate that would leave no sample is refused with a
// beep and the smallest rate offered; Cancel and the same rate change nothing.
TEST_F(Resampling, NewRateKeepsTimesAndMarkersAligned) {
    struct Row {
        const char* name;
        std::vector<double> answers;
        double interval;  // the graph's interval afterwards
        uint32_t count;
        bool modified;
    } rows[] = {
        {"double rate", {1000.0}, 1.0, 199, true},
        {"half rate", {250.0}, 4.0, 51, true},
        {"cancelled", {NAN}, 2.0, 100, false},
        {"same rate", {500.0}, 2.0, 100, false},
        {"too low, then cancelled", {1.0, NAN}, 2.0, 100, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Graph();
        ASSERT_TRUE(gs);
        FillChannel(gs, 0, Kind::F64, 100);
        FillChannel(gs, 4, Kind::Raw16, 100);
        auto* v = static_cast<double*>(gs->chanBlock[0]);
        for (int i = 0; i < 100; ++i) v[i] = i * kInterval;  // 500 samples per second; the value is the time
        stStoredMarker marks[2] = {};
        marks[0].position = 10;
        marks[1].position = 50;
        ASSERT_EQ(StoreMarkers(gs, marks, 2), 1);
        setDirtyGraphFlag(gs, 0);
        PromptScript script{row.answers, {}, 0.0};
        g_script = &script;
        SetSampleRatePrompt(ScriptedPrompt);
        Command(IDM_TRANSFORM_RESAMPLE);
        ASSERT_FALSE(script.offered.empty());
        EXPECT_EQ(script.offered[0], 500.0);
        EXPECT_NEAR(script.minRate, 5.000001, 1e-9);
        if (row.answers.size() > 1) {
            ASSERT_EQ(script.offered.size(), 2u);
            EXPECT_EQ(script.offered[1], script.minRate);  // the smallest rate is offered again
        }
        const double interval = row.interval;
        EXPECT_EQ(gs->sampleInterval, interval);
        EXPECT_EQ(gs->chanCount[0], row.count);
        EXPECT_EQ(gs->chanCount[4], row.count);
        EXPECT_EQ(gs->modified, row.modified ? 1u : 0u);
        const std::vector<double> values = Values(gs, 0);
        for (size_t j = 0; j < values.size() && j * interval <= 198.0; ++j)
            EXPECT_DOUBLE_EQ(values[j], j * interval) << j;
        EXPECT_EQ(StoredMarkerAt(gs, 0)->position * interval, 20.0);
        EXPECT_EQ(StoredMarkerAt(gs, 1)->position * interval, 100.0);
    }
}

}  // namespace
