// The channel sample store: conversion, window arithmetic, reads and writes, and paging a real
// file of frames in the document layout.
#include <gtest/gtest.h>
#include <windows.h>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "base/app.h"
#include "tests/shell/box_capture.h"
#include "devlib/vk40.h"

namespace {

// A record without window or sub-objects, freed with its blocks.
struct Doc {
    tagGS* gs = nullptr;
    Doc() { AllocGraph(&gs, 0); }
    ~Doc() { FreeGraphRecord(gs); }
    Doc(const Doc&) = delete;
    Doc& operator=(const Doc&) = delete;
};

void* NewBlock(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    return h ? GlobalLock(h) : nullptr;
}

size_t BlockSize(const void* p) { return p ? GlobalSize(GlobalHandle(p)) : 0; }

void SetRawChannel(tagGS* gs, int slot, const std::vector<int16_t>& raw, double scale, double offset) {
    auto* p = static_cast<int16_t*>(NewBlock(raw.size() * 2 + 2));
    std::memcpy(p, raw.data(), raw.size() * 2);
    gs->chanBlock[slot] = p;
    gs->chanFlags[slot] = 2;
    gs->chanType[slot] = 2;
    gs->chanBytes[slot] = 2;
    gs->chanCount[slot] = static_cast<uint32_t>(raw.size());
    gs->chanScale[slot] = scale;
    gs->chanOffset[slot] = offset;
}

void SetValueChannel(tagGS* gs, int slot, const std::vector<double>& values) {
    auto* p = static_cast<double*>(NewBlock(values.size() * 8 + 8));
    std::memcpy(p, values.data(), values.size() * 8);
    gs->chanBlock[slot] = p;
    gs->chanFlags[slot] = 2;
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = 8;
    gs->chanCount[slot] = static_cast<uint32_t>(values.size());
}

constexpr double kScale = 10.0 / 32768.0;

std::string TempPath(const char* prefix) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, prefix, 0, path);
    return path;
}

// ---- Pure parts ----

TEST(SampleStoreConversion, RawToValue) {
    EXPECT_EQ(RawToValue(3277, kScale, 0.0), 1.00006103515625);
    EXPECT_EQ(RawToValue(-32768, kScale, 0.0), -10.0);
    EXPECT_EQ(RawToValue(100, 0.5, -3.0), 47.0);
}

TEST(SampleStoreWindow, StartAndCountByPolicy) {
    struct Case {
        uint32_t policy;
        int32_t index, total, start;
    } cases[] = {
        {1, 10000, 20000, 5904},                            // the index lands in the middle
        {1, 19999, 20000, 11808},                           // held to total - window
        {1, 100, 20000, 0},                                 // never below 0
        {0, 2, 20000, 0},         {0, 10000, 20000, 9996},  // forward scans start 4 back
        {0, 19000, 20000, 11808}, {2, 10000, 20000, 1812},  // any other policy: a window that ends 4 after the index
        {2, 19999, 20000, 11808}, {2, 5000, 20000, 0},     {1, 3000, 5000, 0},  // shorter than a window
    };
    for (const Case& c : cases)
        EXPECT_EQ(PagingWindowStart(c.policy, c.index, 8192, c.total), c.start)
            << "policy " << c.policy << " index " << c.index;
    EXPECT_EQ(PagingWindowCount(8192, 20000), 8192);
    EXPECT_EQ(PagingWindowCount(8192, 5000), 5000);
    EXPECT_EQ(PagingWindowCount(8192, 0), 0);
}

TEST(SampleStoreWindow, PositionInsideTheBlocks) {
    struct Case {
        int32_t index, first;
        uint32_t base, len;
        int64_t pos;
    } cases[] = {
        {100, 100, 0, 50, 0},   {149, 100, 0, 50, 49},  {99, 100, 0, 50, -1},
        {150, 100, 0, 50, 0},   // one window past wraps to the ring's start: callers check the window first
        {110, 100, 45, 50, 5},  // a ring wraps once
        {104, 100, 45, 50, 49}, {200, 100, 45, 50, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowPosition(c.index, c.first, c.base, c.len), c.pos) << c.index << " base " << c.base;
}

TEST(SampleStoreFrames, OffsetsFollowTheActiveSlots) {
    Doc d;
    tagGS* gs = d.gs;
    gs->chanFlags[3] = 2;
    gs->chanType[3] = 2;
    gs->chanCount[3] = 10;
    gs->chanFlags[7] = 2;
    gs->chanType[7] = 1;
    gs->chanCount[7] = 5;
    gs->chanFlags[9] = 0;  // free: takes no part even with a count
    gs->chanCount[9] = 50;
    FrameLayout l = FrameLayoutOf(gs);
    ASSERT_EQ(l.slots, 2);
    EXPECT_EQ(l.slot[0], 3);
    EXPECT_EQ(l.slot[1], 7);
    struct Case {
        uint32_t frame;
        uint32_t bytes;
        uint64_t offset;
    } cases[] = {{0, 10, 64}, {3, 10, 64 + 30}, {5, 2, 64 + 50}, {7, 2, 64 + 54}, {10, 0, 64 + 60}};
    for (const Case& c : cases) {
        EXPECT_EQ(FrameBytes(l, c.frame), c.bytes) << c.frame;
        EXPECT_EQ(FrameOffset(l, 64, c.frame), c.offset) << c.frame;
    }
    WindowPlan p = PlanWindow(l, 4, 8);
    EXPECT_EQ(p.skip, 4u * 2 + 4u * 8);
    EXPECT_EQ(p.bytes, 6u * 2 + 1u * 8);
    EXPECT_EQ(p.winLen, 6u);
}

// Frame by frame, as the file lays them out: the reference for the faster ways of taking frames apart.
uint32_t UnpackOneByOne(const FrameLayout& l, const uint8_t* data, size_t bytes, uint32_t first, uint32_t done,
                        uint32_t winLen, bool swap, void* const* blocks) {
    size_t at = 0;
    uint32_t j = done;
    for (; j < winLen; ++j) {
        uint32_t need = FrameBytes(l, first + j);
        if (need == 0 || at + need > bytes) break;
        for (int k = 0; k < l.slots; ++k) {
            if (first + j >= l.count[k]) continue;
            uint8_t* dst = static_cast<uint8_t*>(blocks[k]) + static_cast<size_t>(j) * l.width[k];
            for (uint32_t b = 0; b < l.width[k]; ++b) dst[b] = data[at + (swap ? l.width[k] - 1 - b : b)];
            at += l.width[k];
        }
    }
    return j - done;
}

TEST(SampleStoreFrames, TakingFramesApartMatchesTheFileLayout) {
    Doc d;
    tagGS* gs = d.gs;
    struct SlotCase {
        int slot;
        uint16_t type;
        uint32_t count;
    } slots[] = {{0, 2, 40}, {2, 1, 40}, {4, 2, 17}, {6, 1, 25}, {9, 2, 40}};
    for (const SlotCase& c : slots) {
        gs->chanFlags[c.slot] = 2;
        gs->chanType[c.slot] = c.type;
        gs->chanCount[c.slot] = c.count;
    }
    FrameLayout l = FrameLayoutOf(gs);
    EXPECT_EQ(l.slots, 5);
    std::vector<uint8_t> data(2000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
    struct Case {
        uint32_t first, done, winLen;
        size_t bytes;
    } cases[] = {
        {0, 0, 40, 2000},        // every frame: full ones, then fewer slots, then the end of the window
        {0, 0, 40, 22 * 5 + 3},  // the buffer ends inside a frame
        {10, 3, 30, 2000},       // from inside a window, across the shortest slot's end
        {17, 0, 23, 2000},       // past the shortest slot only
        {20, 0, 30, 2000},       // past two slots' ends, and frames that hold nothing
        {0, 0, 12, 22 * 12},
    };
    for (bool swap : {false, true})
        for (const Case& c : cases) {
            std::vector<std::vector<uint8_t>> fast(l.slots, std::vector<uint8_t>(40 * 8, 0xEE)), slow = fast;
            void* fastBlocks[kMaxChannels];
            void* slowBlocks[kMaxChannels];
            for (int k = 0; k < l.slots; ++k) {
                fastBlocks[k] = fast[k].data();
                slowBlocks[k] = slow[k].data();
            }
            uint32_t taken = UnpackFrames(l, data.data(), c.bytes, c.first, c.done, c.winLen, swap ? 1 : 0, fastBlocks);
            uint32_t expected = UnpackOneByOne(l, data.data(), c.bytes, c.first, c.done, c.winLen, swap, slowBlocks);
            EXPECT_EQ(taken, expected) << "first " << c.first << " bytes " << c.bytes << " swapped " << swap;
            EXPECT_EQ(fast, slow) << "first " << c.first << " bytes " << c.bytes << " swapped " << swap;
            // And how many whole frames fit in the buffer's bytes.
            size_t used = 0;
            uint32_t frames = FramesThatFit(l, c.first + c.done, c.winLen - c.done, c.bytes, &used);
            size_t sum = 0;
            uint32_t n = 0;
            while (n < c.winLen - c.done) {
                uint32_t need = FrameBytes(l, c.first + c.done + n);
                if (need == 0 || sum + need > c.bytes) break;
                sum += need;
                ++n;
            }
            EXPECT_EQ(frames, n) << "first " << c.first << " bytes " << c.bytes;
            EXPECT_EQ(used, sum) << "first " << c.first << " bytes " << c.bytes;
        }
}

TEST(SampleStoreFrames, ErrorsMapToMessageKeys) {
    EXPECT_STREQ(PagingErrorKey(ERROR_DISK_FULL), kKeyPagingDiskFull);
    EXPECT_STREQ(PagingErrorKey(ERROR_HANDLE_DISK_FULL), kKeyPagingDiskFull);
    EXPECT_STREQ(PagingErrorKey(ERROR_FILE_NOT_FOUND), kKeyPagingFileMissing);
    EXPECT_STREQ(PagingErrorKey(ERROR_PATH_NOT_FOUND), kKeyPagingFileMissing);
    EXPECT_STREQ(PagingErrorKey(ERROR_HANDLE_EOF), kKeyPagingReadFailed);
}

// ---- Reads and writes in memory ----

TEST(SampleStoreMemory, ReadsBothSampleTypes) {
    Doc d;
    SetRawChannel(d.gs, 1, {0, 3277, -32768, 32767}, kScale, 0.0);
    SetRawChannel(d.gs, 2, {10, 20}, 0.5, 1.0);
    SetValueChannel(d.gs, 3, {1.5, -2.25});
    struct Case {
        int slot, index;
        double value;
    } cases[] = {{1, 0, 0.0},   {1, 1, 1.00006103515625},
                 {1, 2, -10.0}, {1, 3, 32767 * kScale},
                 {2, 0, 6.0},   {2, 1, 11.0},
                 {3, 0, 1.5},   {3, 1, -2.25}};
    for (const Case& c : cases) {
        double v = 123.0;
        ASSERT_EQ(GetChannelSample(d.gs, c.index, c.slot, &v), 1) << c.slot << "/" << c.index;
        EXPECT_EQ(v, c.value) << c.slot << "/" << c.index;
    }
}

TEST(SampleStoreMemory, BadIndexesSlotsAndValuesFail) {
    Doc d;
    SetValueChannel(d.gs, 3, {1.0, std::nan(""), INFINITY, -INFINITY, DBL_MAX, 2.0, -DBL_MAX, DBL_TRUE_MIN});
    d.gs->chanFlags[4] = 2;  // a used slot without a block
    d.gs->chanCount[4] = 10;
    struct Case {
        int slot, index;
    } bad[] = {{3, -1}, {3, 8}, {3, 1 << 30}, {-1, 0}, {60, 0}, {3, 1}, {3, 2}, {3, 3}, {4, 0}, {5, 0}};
    for (const Case& c : bad) {
        double v = 0;
        EXPECT_EQ(GetChannelSample(d.gs, c.index, c.slot, &v), 0) << c.slot << "/" << c.index;
    }
    // Only NaN and the infinities are no value: the extremes of the finite range read as stored.
    struct Good {
        int index;
        double value;
    } good[] = {{0, 1.0}, {4, DBL_MAX}, {5, 2.0}, {6, -DBL_MAX}, {7, DBL_TRUE_MIN}};
    for (const Good& g : good) {
        double v = 0;
        EXPECT_EQ(GetChannelSample(d.gs, g.index, 3, &v), 1) << g.index;
        EXPECT_EQ(v, g.value) << g.index;
    }
    double v = 0;
    EXPECT_EQ(GetChannelSample(nullptr, 0, 3, &v), 0);
    EXPECT_EQ(GetChannelSample(d.gs, 0, 3, nullptr), 0);
}

TEST(SampleStoreMemory, PutGrowsAFreeSlotWithZeros) {
    Doc d;
    d.gs->modified = 0;
    ASSERT_EQ(PutChannelSample(d.gs, 9, 7, 4.5), 1);
    EXPECT_EQ(d.gs->chanFlags[7], 2u);
    EXPECT_EQ(d.gs->chanCount[7], 10u);
    EXPECT_EQ(d.gs->chanType[7], 1);
    EXPECT_EQ(d.gs->chanBytes[7], 8);
    EXPECT_EQ(d.gs->modified, 1u);
    EXPECT_GE(BlockSize(d.gs->chanBlock[7]), 80u);
    for (int i = 0; i < 9; ++i) {
        double v = -1;
        ASSERT_EQ(GetChannelSample(d.gs, i, 7, &v), 1);
        EXPECT_EQ(v, 0.0) << i;
    }
    double v = 0;
    ASSERT_EQ(GetChannelSample(d.gs, 9, 7, &v), 1);
    EXPECT_EQ(v, 4.5);

    // Growing again keeps what was there; writing inside does not grow.
    ASSERT_EQ(PutChannelSample(d.gs, 3, 7, -1.0), 1);
    ASSERT_EQ(PutChannelSample(d.gs, 1000, 7, 8.0), 1);
    EXPECT_EQ(d.gs->chanCount[7], 1001u);
    ASSERT_EQ(GetChannelSample(d.gs, 3, 7, &v), 1);
    EXPECT_EQ(v, -1.0);
    ASSERT_EQ(GetChannelSample(d.gs, 9, 7, &v), 1);
    EXPECT_EQ(v, 4.5);
    ASSERT_EQ(GetChannelSample(d.gs, 500, 7, &v), 1);
    EXPECT_EQ(v, 0.0);

    EXPECT_EQ(PutChannelSample(d.gs, -1, 7, 1.0), 0);
    EXPECT_EQ(PutChannelSample(d.gs, 0, 60, 1.0), 0);
    EXPECT_EQ(PutChannelSample(d.gs, 0, -1, 1.0), 0);
    EXPECT_EQ(d.gs->chanCount[7], 1001u);
}

TEST(SampleStoreMemory, PutAndConvertTurnRawSamplesIntoValues) {
    Doc d;
    SetRawChannel(d.gs, 1, {3277, -100, 0}, kScale, 2.0);
    ASSERT_EQ(ConvertChannelToDouble(d.gs, 1), 1);
    EXPECT_EQ(d.gs->chanType[1], 1);
    EXPECT_EQ(d.gs->chanBytes[1], 8);
    EXPECT_EQ(d.gs->chanCount[1], 3u);
    const auto* values = static_cast<const double*>(d.gs->chanBlock[1]);
    EXPECT_EQ(values[0], 3277 * kScale + 2.0);
    EXPECT_EQ(values[1], -100 * kScale + 2.0);
    EXPECT_EQ(values[2], 2.0);
    void* before = d.gs->chanBlock[1];
    ASSERT_EQ(ConvertChannelToDouble(d.gs, 1), 1);  // already values: left alone
    EXPECT_EQ(d.gs->chanBlock[1], before);

    SetRawChannel(d.gs, 2, {10, 20}, 0.5, 0.0);
    ASSERT_EQ(PutChannelSample(d.gs, 1, 2, 0.125), 1);
    EXPECT_EQ(d.gs->chanType[2], 1);
    double v = 0;
    ASSERT_EQ(GetChannelSample(d.gs, 0, 2, &v), 1);
    EXPECT_EQ(v, 5.0);
    ASSERT_EQ(GetChannelSample(d.gs, 1, 2, &v), 1);
    EXPECT_EQ(v, 0.125);
    EXPECT_EQ(ConvertChannelToDouble(d.gs, 60), 0);
}

TEST(SampleStoreMemory, PolicyScopeRestoresThePolicy) {
    EXPECT_EQ(g_pagingPolicy, kPagingCentred);
    {
        PagingPolicyScope scan(kPagingForward);
        EXPECT_EQ(g_pagingPolicy, kPagingForward);
    }
    EXPECT_EQ(g_pagingPolicy, kPagingCentred);
}

// ---- The in-line read ----

// GetChannelSample serves samples already in memory itself and leaves the rest to the full read:
// both give the same answer for every storage kind, window, slot and index. A recording's ring may
// start anywhere; a paged window starts at ring position 0 and ends within the recording, as
// LoadSampleWindow leaves it.
TEST(SampleStoreInline, AgreesWithTheFullRead) {
    Doc d;
    tagGS* gs = d.gs;
    std::vector<int16_t> raw(300);
    std::vector<double> values(300);
    for (int i = 0; i < 300; ++i) {
        raw[i] = static_cast<int16_t>(i * 3 - 400);
        values[i] = i * 0.5;
    }
    values[7] = std::nan("");
    values[120] = INFINITY;
    values[130] = DBL_MAX;
    SetRawChannel(gs, 1, raw, kScale, 0.25);
    SetValueChannel(gs, 2, values);
    SetRawChannel(gs, 3, std::vector<int16_t>(120, 5), 0.5, 0.0);  // shorter than the others
    gs->chanFlags[4] = 2;                                          // used, without a block
    gs->chanCount[4] = 300;
    lstrcpyA(gs->filePath, TempPath("ssi").c_str());
    DeleteFileA(gs->filePath);  // a paged read outside the window fails at the load
    gs->totalSamples = 400;
    struct Window {
        int32_t first;
        uint32_t base, len;
        bool paged;  // a window a paged document can hold
    } windows[] = {{100, 45, 150, false}, {100, 0, 150, true},  {0, 0, 300, true},  {250, 0, 150, true},
                   {399, 0, 1, true},     {0, 400, 150, false}, {390, 5, 20, false}};
    BoxCapture boxes;
    for (uint32_t kind : {kStoreMemory, kStoreDiskRecording, kStoreDiskPaged, 7u})
        for (const Window& w : windows) {
            if (kind == kStoreDiskPaged && !w.paged) continue;
            gs->storageKind = kind;
            gs->winFirst = w.first;
            gs->winRingBase = w.base;
            gs->winLen = w.len;
            for (int slot = -1; slot <= 5; ++slot)
                for (int index = -2; index < 420; ++index) {
                    double inLine = -7.0, full = -7.0;
                    int a = GetChannelSample(gs, index, slot, &inLine);
                    int b = ReadChannelSample(gs, index, slot, &full);
                    ASSERT_EQ(a, b) << "kind " << kind << " first " << w.first << " base " << w.base << " slot " << slot
                                    << " index " << index;
                    ASSERT_EQ(std::memcmp(&inLine, &full, sizeof full), 0)
                        << "kind " << kind << " slot " << slot << " index " << index;
                }
            ASSERT_EQ(gs->storageKind, kind);  // nothing was paged in
        }
}

// ---- Escape ----

// A clock and an Escape key the tests move by hand, counting how often the key is asked.
struct FakeEscape {
    static uint64_t tick;
    static int down;
    static int asks;
    static int Key() {
        ++asks;
        return down;
    }
};
uint64_t FakeEscape::tick = 0;
int FakeEscape::down = 0;
int FakeEscape::asks = 0;
const stEscapeSource kFakeEscape = {&FakeEscape::tick, FakeEscape::Key};

class SampleStoreEscape : public ::testing::Test {
protected:
    void SetUp() override {
        FakeEscape::tick = 5000;
        FakeEscape::down = 0;
        FakeEscape::asks = 0;
        SetSampleEscapeSource(&kFakeEscape);
        SetRawChannel(d_.gs, 1, std::vector<int16_t>(100000, 7), kScale, 0.0);
    }
    void TearDown() override { SetSampleEscapeSource(nullptr); }
    // A hand presses Escape and holds it for longer than a tick of the clock.
    static void PressAndHold() {
        FakeEscape::down = 1;
        ++FakeEscape::tick;
    }
    Doc d_;
};

int ReadUntilFailure(tagGS* gs, int slot, int n) {
    double v;
    int i = 0;
    while (i < n && GetChannelSample(gs, i, slot, &v)) ++i;
    return i;
}

TEST_F(SampleStoreEscape, EndsLongLoopsOutsideARecording) {
    tagGS* gs = d_.gs;
    ASSERT_EQ(ReadUntilFailure(gs, 1, 100000), 100000);
    PressAndHold();
    EXPECT_EQ(ReadUntilFailure(gs, 1, 100000), 0) << "a new loop stops at once";
    double v;
    EXPECT_EQ(GetChannelSample(gs, 500, 1, &v), 0) << "so does a single read";
    int asks = FakeEscape::asks;
    gs->acquiring = 1;  // a recording's calculation channels read on, without asking the key
    ++FakeEscape::tick;
    EXPECT_EQ(ReadUntilFailure(gs, 1, 100000), 100000);
    EXPECT_EQ(FakeEscape::asks, asks);
    gs->acquiring = 0;
    FakeEscape::down = 0;
    EXPECT_EQ(ReadUntilFailure(gs, 1, 100000), 100000) << "released: the next loop reads on";

    // Pressed while a loop runs, the clock ticking as it reads: the loop ends within a few thousand reads.
    int i = 0;
    for (; i < 100000; ++i) {
        if (i % 32 == 0) ++FakeEscape::tick;
        if (i == 1000) FakeEscape::down = 1;
        if (!GetChannelSample(gs, i, 1, &v)) break;
    }
    EXPECT_GE(i, 1000);
    EXPECT_LT(i, 1000 + 4200);
}

// However a loop walks the samples, the key is asked once per tick of the clock, never while the
// clock stands still, and on every read while Escape is held.
TEST_F(SampleStoreEscape, AsksTheKeyOncePerTick) {
    tagGS* gs = d_.gs;
    SetRawChannel(gs, 2, std::vector<int16_t>(100000, -3), kScale, 0.0);
    struct Walk {
        const char* what;
        int (*index)(int read);
        int (*slot)(int read);
    } walks[] = {
        {"forward", [](int r) { return r; }, [](int) { return 1; }},
        {"frame by frame", [](int r) { return r / 2; }, [](int r) { return 1 + r % 2; }},
        {"backward", [](int r) { return 99999 - r; }, [](int) { return 2; }},
        {"every other sample", [](int r) { return 2 * r % 100000; }, [](int) { return 1; }},
        {"one sample again and again", [](int) { return 777; }, [](int) { return 1; }},
    };
    constexpr int kReads = 64000, kReadsPerTick = 32;
    for (const Walk& w : walks) {
        SetSampleEscapeSource(&kFakeEscape);
        FakeEscape::down = 0;
        FakeEscape::asks = 0;
        double v;
        for (int r = 0; r < 2000; ++r) ASSERT_EQ(GetChannelSample(gs, w.index(r), w.slot(r), &v), 1) << w.what;
        EXPECT_EQ(FakeEscape::asks, 1) << w.what << ": the clock stood still";
        FakeEscape::asks = 0;
        for (int r = 0; r < kReads; ++r) {
            if (r % kReadsPerTick == 0) ++FakeEscape::tick;
            ASSERT_EQ(GetChannelSample(gs, w.index(r), w.slot(r), &v), 1) << w.what << " read " << r;
        }
        EXPECT_EQ(FakeEscape::asks, kReads / kReadsPerTick) << w.what;
        PressAndHold();
        FakeEscape::asks = 0;
        for (int r = 0; r < 100; ++r) EXPECT_EQ(GetChannelSample(gs, w.index(r), w.slot(r), &v), 0) << w.what;
        EXPECT_EQ(FakeEscape::asks, 100) << w.what << ": held";
    }
}

// ---- Disk paging ----

struct SlotSpec {
    int slot;
    uint16_t type;
    uint32_t count;
};

int16_t RawAt(int slot, uint32_t j) { return static_cast<int16_t>((j * 7 + slot * 1000) % 30000 - 15000); }
double ValueAt(int slot, uint32_t j) { return j * 0.5 + slot; }

// Writes a header of dataOffset bytes, then the frames of the slots in slot order.
void WriteFrames(const std::string& path, uint32_t dataOffset, const std::vector<SlotSpec>& slots, bool bigEndian) {
    std::vector<uint8_t> bytes(dataOffset, 0xA5);
    uint32_t frames = 0;
    for (const SlotSpec& s : slots) frames = s.count > frames ? s.count : frames;
    for (uint32_t j = 0; j < frames; ++j) {
        for (const SlotSpec& s : slots) {
            if (j >= s.count) continue;
            uint8_t b[8];
            uint32_t w = s.type == 1 ? 8 : 2;
            if (s.type == 1) {
                double v = ValueAt(s.slot, j);
                std::memcpy(b, &v, 8);
            } else {
                int16_t r = RawAt(s.slot, j);
                std::memcpy(b, &r, 2);
            }
            if (bigEndian)
                for (uint32_t k = 0; k < w / 2; ++k) std::swap(b[k], b[w - 1 - k]);
            bytes.insert(bytes.end(), b, b + w);
        }
    }
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(f);
    ASSERT_EQ(done, bytes.size());
}

class SampleStorePaging : public ::testing::Test {
protected:
    void SetUp() override { path_ = TempPath("ssp"); }
    void TearDown() override { DeleteFileA(path_.c_str()); }

    // A disk-paged document over a freshly written file.
    void Make(const std::vector<SlotSpec>& slots, bool bigEndian = false, uint32_t dataOffset = 312) {
        WriteFrames(path_, dataOffset, slots, bigEndian);
        tagGS* gs = d_.gs;
        lstrcpyA(gs->filePath, path_.c_str());
        gs->dataOffset = dataOffset;
        gs->byteSwapped = bigEndian ? 1 : 0;
        gs->storageKind = kStoreDiskPaged;
        gs->winSize = kPagingWindow;
        gs->winFirst = 0;  // nothing held yet
        gs->winRingBase = gs->winLen = 0;
        int32_t total = 0;
        for (const SlotSpec& s : slots) {
            gs->chanFlags[s.slot] = 2;
            gs->chanType[s.slot] = s.type;
            gs->chanBytes[s.slot] = s.type == 1 ? 8 : 2;
            gs->chanCount[s.slot] = s.count;
            gs->chanScale[s.slot] = kScale;
            gs->chanOffset[s.slot] = 0.5;
            if (static_cast<int32_t>(s.count) > total) total = static_cast<int32_t>(s.count);
        }
        gs->totalSamples = total;
    }
    double Expected(const SlotSpec& s, uint32_t j) {
        return s.type == 1 ? ValueAt(s.slot, j) : RawAt(s.slot, j) * kScale + 0.5;
    }
    // The largest block a slot holds now, in samples.
    size_t LargestBlock(const std::vector<SlotSpec>& slots) {
        size_t most = 0;
        for (const SlotSpec& s : slots) {
            size_t n = BlockSize(d_.gs->chanBlock[s.slot]) / (s.type == 1 ? 8 : 2);
            most = n > most ? n : most;
        }
        return most;
    }

    std::string path_;
    Doc d_;
};

const std::vector<SlotSpec> kThreeSlots = {{1, 2, 20000}, {2, 1, 20000}, {5, 2, 15000}};

TEST_F(SampleStorePaging, CentredWindowsMoveOnlyWhenNeeded) {
    Make(kThreeSlots);
    tagGS* gs = d_.gs;
    double v = 0;
    ASSERT_EQ(GetChannelSample(gs, 10000, 2, &v), 1);
    EXPECT_EQ(v, ValueAt(2, 10000));
    EXPECT_EQ(gs->winFirst, 5904);
    EXPECT_EQ(gs->winLen, 8192u);
    EXPECT_EQ(gs->winRingBase, 0u);
    EXPECT_EQ(gs->storageKind, kStoreDiskPaged);
    void* block = gs->chanBlock[1];
    ASSERT_EQ(GetChannelSample(gs, 14095, 1, &v), 1);  // inside: no reload
    EXPECT_EQ(v, Expected(kThreeSlots[0], 14095));
    EXPECT_EQ(gs->chanBlock[1], block);
    EXPECT_EQ(gs->winFirst, 5904);

    ASSERT_EQ(GetChannelSample(gs, 19999, 1, &v), 1);
    EXPECT_EQ(gs->winFirst, 11808);
    EXPECT_EQ(gs->winLen, 8192u);
    EXPECT_EQ(v, Expected(kThreeSlots[0], 19999));
    // The short slot has its last samples in this window and none past them.
    ASSERT_EQ(GetChannelSample(gs, 14999, 5, &v), 1);
    EXPECT_EQ(v, Expected(kThreeSlots[2], 14999));
    EXPECT_EQ(GetChannelSample(gs, 15000, 5, &v), 0);
    EXPECT_EQ(GetChannelSample(gs, 20000, 1, &v), 0);
    EXPECT_EQ(GetChannelSample(gs, -1, 1, &v), 0);
    EXPECT_LE(LargestBlock(kThreeSlots), 8192u);
}

TEST_F(SampleStorePaging, EachPolicyPlacesTheReloadedWindow) {
    struct Case {
        uint32_t policy;
        int index;
        int32_t first;
    } cases[] = {{kPagingForward, 2, 0},
                 {kPagingForward, 10000, 9996},
                 {kPagingCentred, 10000, 5904},
                 {7, 10000, 1812},
                 {7, 19999, 11808}};
    for (const Case& c : cases) {
        Make(kThreeSlots);
        PagingPolicyScope scope(c.policy);
        double v = 0;
        ASSERT_EQ(GetChannelSample(d_.gs, c.index, 2, &v), 1);
        EXPECT_EQ(v, ValueAt(2, static_cast<uint32_t>(c.index)));
        EXPECT_EQ(d_.gs->winFirst, c.first) << "policy " << c.policy << " index " << c.index;
        EXPECT_EQ(d_.gs->winLen, 8192u);
    }
}

TEST_F(SampleStorePaging, ForwardScanReadsEverySampleWithinOneWindow) {
    for (bool bigEndian : {false, true}) {
        Make(kThreeSlots, bigEndian);
        tagGS* gs = d_.gs;
        PagingPolicyScope scan(kPagingForward);
        size_t mostHeld = 0;
        int reloads = 0;
        int32_t lastFirst = -1;
        for (uint32_t j = 0; j < 20000; ++j) {
            for (const SlotSpec& s : kThreeSlots) {
                double v = 0;
                if (j >= s.count) {
                    EXPECT_EQ(GetChannelSample(gs, static_cast<int>(j), s.slot, &v), 0);
                    continue;
                }
                ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), s.slot, &v), 1) << j;
                ASSERT_EQ(v, Expected(s, j)) << "slot " << s.slot << " sample " << j << " swapped " << bigEndian;
            }
            if (gs->winFirst != lastFirst) {
                ++reloads;
                lastFirst = gs->winFirst;
                int32_t expected = static_cast<int32_t>(j) - 4;
                expected = expected < 0 ? 0 : expected > 11808 ? 11808 : expected;
                EXPECT_EQ(gs->winFirst, expected) << j;
            }
            EXPECT_LE(gs->winLen, 8192u);
            size_t held = LargestBlock(kThreeSlots);
            mostHeld = held > mostHeld ? held : mostHeld;
        }
        EXPECT_LE(mostHeld, 8192u);
        EXPECT_EQ(reloads, 3);  // 0, 8188 and the last window
        EXPECT_EQ(gs->storageKind, kStoreDiskPaged);
        for (const SlotSpec& s : kThreeSlots) {
            void*& b = gs->chanBlock[s.slot];
            GlobalUnlock(GlobalHandle(b));
            GlobalFree(GlobalHandle(b));
            b = nullptr;
        }
        gs->winFirst = 0;
        gs->winLen = 0;
    }
}

// A window that moves part of its length keeps the samples both positions hold and reads the
// rest, whichever way it moves: every sample of every slot is right after each move.
TEST_F(SampleStorePaging, MovedWindowsKeepWhatBothHold) {
    for (bool bigEndian : {false, true}) {
        Make(kThreeSlots, bigEndian);
        tagGS* gs = d_.gs;
        struct Move {
            int index;
            int32_t first;
        } moves[] = {{10000, 5904}, {15000, 10904}, {9000, 4904}, {19999, 11808}, {100, 0}, {8500, 4404}, {2000, 0}};
        for (const Move& m : moves) {
            double v = 0;
            ASSERT_EQ(GetChannelSample(gs, m.index, 2, &v), 1) << m.index;
            ASSERT_EQ(gs->winFirst, m.first) << m.index;
            ASSERT_EQ(gs->winLen, 8192u);
            const uint32_t first = static_cast<uint32_t>(gs->winFirst);
            for (uint32_t j = first; j < first + gs->winLen; ++j)
                for (const SlotSpec& s : kThreeSlots) {
                    if (j >= s.count) {
                        ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), s.slot, &v), 0);
                        continue;
                    }
                    ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), s.slot, &v), 1) << j;
                    ASSERT_EQ(v, Expected(s, j))
                        << "slot " << s.slot << " sample " << j << " after " << m.index << " swapped " << bigEndian;
                }
            ASSERT_EQ(gs->winFirst, m.first) << "reading inside the window moved it";
        }
        // The kept samples are moved, not read again: overwrite the held ones in the file and move
        // the window by three quarters of its length; the kept quarter still reads as it was.
        HANDLE f = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        std::vector<uint8_t> junk(12 * 8192, 0x7F);
        SetFilePointer(f, 312, nullptr, FILE_BEGIN);
        DWORD done = 0;
        WriteFile(f, junk.data(), static_cast<DWORD>(junk.size()), &done, nullptr);
        CloseHandle(f);
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, 10240, 1, &v), 1);
        ASSERT_EQ(gs->winFirst, 6144);
        for (uint32_t j : {6144u, 7000u, 8191u}) {
            ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), 1, &v), 1);
            EXPECT_EQ(v, Expected(kThreeSlots[0], j)) << j;
        }
        ASSERT_EQ(GetChannelSample(gs, 8192, 1, &v), 1);  // read from the file after the junk
        EXPECT_EQ(v, Expected(kThreeSlots[0], 8192));
    }
}

// A slot whose block went away since the last load has nothing to keep: the moved window reads
// its samples from the file like everything else.
TEST_F(SampleStorePaging, AMovedWindowReadsASlotThatLostItsBlock) {
    Make(kThreeSlots);
    tagGS* gs = d_.gs;
    double v = 0;
    ASSERT_EQ(GetChannelSample(gs, 10000, 1, &v), 1);
    void*& lost = gs->chanBlock[5];
    GlobalUnlock(GlobalHandle(lost));
    GlobalFree(GlobalHandle(lost));
    lost = nullptr;
    ASSERT_EQ(GetChannelSample(gs, 15000, 1, &v), 1);  // the window moves on by 5,000 samples
    ASSERT_EQ(gs->winFirst, 10904);
    for (uint32_t j : {10904u, 12000u, 14095u, 14999u}) {
        ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), 5, &v), 1) << j;
        EXPECT_EQ(v, Expected(kThreeSlots[2], j)) << j;
    }
}

// Another program opening the file for itself alone: whether it could.
bool OpensExclusively(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return true;
}

// A scan keeps the document's file open from one window load to the next and closes it when the
// outermost scan ends; outside a scan, every load closes the file again.
TEST_F(SampleStorePaging, AScanKeepsItsFileOpenUntilItEnds) {
    Make(kThreeSlots);
    tagGS* gs = d_.gs;
    double v = 0;
    ASSERT_EQ(GetChannelSample(gs, 10000, 1, &v), 1);
    EXPECT_TRUE(OpensExclusively(path_)) << "a load outside a scan closes the file";
    {
        PagingPolicyScope scan(kPagingForward);
        {
            PagingPolicyScope inner(kPagingForward);
            ASSERT_EQ(GetChannelSample(gs, 0, 1, &v), 1);
        }
        EXPECT_FALSE(OpensExclusively(path_)) << "the outer scan still runs";
        for (uint32_t j = 0; j < 20000; j += 7) {
            ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), 2, &v), 1) << j;
            ASSERT_EQ(v, ValueAt(2, j)) << j;
        }
        EXPECT_FALSE(OpensExclusively(path_));
        // Another program may still rewrite the file in place; the next window reads what it wrote.
        HANDLE f = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        double changed = -1.5;
        SetFilePointer(f, 312 + 2, nullptr, FILE_BEGIN);  // frame 0, slot 2
        DWORD done = 0;
        WriteFile(f, &changed, sizeof changed, &done, nullptr);
        CloseHandle(f);
        ASSERT_EQ(GetChannelSample(gs, 0, 2, &v), 1);
        EXPECT_EQ(v, changed);
    }
    EXPECT_TRUE(OpensExclusively(path_)) << "the scan's end closes the file";
}

// Within one scan, window loads of two documents over two files each read their own file.
TEST_F(SampleStorePaging, AScanOverTwoDocumentsReadsEachFromItsOwnFile) {
    Make(kThreeSlots);
    std::string otherPath = TempPath("ssq");
    WriteFrames(otherPath, 100, {{1, 2, 30000}}, true);
    Doc other;
    lstrcpyA(other.gs->filePath, otherPath.c_str());
    other.gs->dataOffset = 100;
    other.gs->byteSwapped = 1;
    other.gs->storageKind = kStoreDiskPaged;
    other.gs->winSize = kPagingWindow;
    other.gs->totalSamples = 30000;
    other.gs->chanFlags[1] = 2;
    other.gs->chanType[1] = 2;
    other.gs->chanBytes[1] = 2;
    other.gs->chanCount[1] = 30000;
    other.gs->chanScale[1] = 1.0;
    other.gs->chanOffset[1] = 0.0;
    {
        PagingPolicyScope scan(kPagingForward);
        for (uint32_t j = 0; j < 20000; j += 997) {
            double v = 0, w = 0;
            ASSERT_EQ(GetChannelSample(d_.gs, static_cast<int>(j), 1, &v), 1) << j;
            ASSERT_EQ(GetChannelSample(other.gs, static_cast<int>(j + 9000), 1, &w), 1) << j;
            EXPECT_EQ(v, Expected(kThreeSlots[0], j)) << j;
            EXPECT_EQ(w, RawAt(1, j + 9000)) << j;
        }
    }
    EXPECT_TRUE(OpensExclusively(path_));
    EXPECT_TRUE(OpensExclusively(otherPath));
    DeleteFileA(otherPath.c_str());
}

TEST_F(SampleStorePaging, ARecordingShorterThanAWindowBecomesAMemoryDocument) {
    Make({{0, 2, 5000}, {3, 1, 4000}});
    tagGS* gs = d_.gs;
    double v = 0;
    ASSERT_EQ(GetChannelSample(gs, 4999, 0, &v), 1);
    EXPECT_EQ(gs->storageKind, kStoreMemory);
    EXPECT_EQ(gs->winFirst, 0);
    EXPECT_EQ(gs->winLen, 5000u);
    DeleteFileA(path_.c_str());  // everything is in memory now
    for (uint32_t j = 0; j < 4000; j += 999) {
        ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), 3, &v), 1);
        EXPECT_EQ(v, ValueAt(3, j));
    }
    EXPECT_EQ(GetChannelSample(gs, 4000, 3, &v), 0);
}

TEST_F(SampleStorePaging, PutBringsTheWholeRecordingIntoMemory) {
    Make(kThreeSlots);
    tagGS* gs = d_.gs;
    ASSERT_EQ(PutChannelSample(gs, 3, 1, 9.0), 1);
    EXPECT_EQ(gs->storageKind, kStoreMemory);
    EXPECT_EQ(gs->chanType[1], 1);
    double v = 0;
    ASSERT_EQ(GetChannelSample(gs, 3, 1, &v), 1);
    EXPECT_EQ(v, 9.0);
    ASSERT_EQ(GetChannelSample(gs, 19000, 1, &v), 1);
    EXPECT_EQ(v, Expected(kThreeSlots[0], 19000));
    ASSERT_EQ(GetChannelSample(gs, 14000, 5, &v), 1);
    EXPECT_EQ(v, Expected(kThreeSlots[2], 14000));
}

TEST_F(SampleStorePaging, LoadOfNothingAndOfMemoryDocumentsSucceeds) {
    Make(kThreeSlots);
    EXPECT_EQ(LoadSampleWindow(d_.gs, 0, 0), 1);
    EXPECT_EQ(d_.gs->winLen, 0u);
    EXPECT_EQ(LoadSampleWindow(d_.gs, -1, 10), 0);
    EXPECT_EQ(LoadSampleWindow(d_.gs, 20000, 10), 0);
    d_.gs->storageKind = kStoreMemory;
    EXPECT_EQ(LoadSampleWindow(d_.gs, 0, 100), 1);
    EXPECT_EQ(d_.gs->winLen, 0u);
}

TEST_F(SampleStorePaging, VanishedOrTruncatedFileLeavesTheDocumentAsItWas) {
    struct Case {
        const char* what;
        bool truncate;
        const char* key;
    } cases[] = {{"deleted", false, kKeyPagingFileMissing}, {"truncated", true, kKeyPagingReadFailed}};
    for (const Case& c : cases) {
        Make(kThreeSlots);
        tagGS* gs = d_.gs;
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, 100, 1, &v), 1);
        void* blocks[3] = {gs->chanBlock[1], gs->chanBlock[2], gs->chanBlock[5]};
        int32_t first = gs->winFirst;
        uint32_t len = gs->winLen;
        if (c.truncate) {
            HANDLE f = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(f, INVALID_HANDLE_VALUE);
            SetFilePointer(f, 312 + 12 * 12000, nullptr, FILE_BEGIN);  // inside frame 12000
            SetEndOfFile(f);
            CloseHandle(f);
        } else {
            ASSERT_TRUE(DeleteFileA(path_.c_str()));
        }
        BoxCapture boxes;
        EXPECT_EQ(GetChannelSample(gs, 19000, 1, &v), 0) << c.what;
        EXPECT_EQ(GetChannelSample(gs, 19001, 1, &v), 0) << c.what;
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.what << ": one message, not one per read";
        const char* text = getMsgBoxText(c.key);
        EXPECT_NE(boxes.boxes[0].text.find(text ? text : c.key), std::string::npos) << boxes.boxes[0].text;
        EXPECT_NE(boxes.boxes[0].text.find(path_), std::string::npos) << boxes.boxes[0].text;
        EXPECT_EQ(gs->storageKind, kStoreDiskPaged);
        EXPECT_EQ(gs->winFirst, first);
        EXPECT_EQ(gs->winLen, len);
        EXPECT_EQ(gs->chanBlock[1], blocks[0]);
        EXPECT_EQ(gs->chanBlock[2], blocks[1]);
        EXPECT_EQ(gs->chanBlock[5], blocks[2]);
        ASSERT_EQ(GetChannelSample(gs, 100, 1, &v), 1) << "the held window still reads";
        EXPECT_EQ(v, Expected(kThreeSlots[0], 100));
        EXPECT_EQ(ConvertChannelToDouble(gs, 1), 0);
        EXPECT_EQ(gs->chanType[1], 2);
    }
}

TEST_F(SampleStorePaging, RecordingRingsKeepTheirSize) {
    Make({{1, 2, 20000}});
    tagGS* gs = d_.gs;
    gs->acquiring = 1;
    // A ring smaller than what is asked: the load refuses instead of writing past it.
    gs->chanBlock[1] = NewBlock(1000 * 2);
    EXPECT_EQ(LoadSampleWindow(gs, 0, 8192), 0);
    ASSERT_EQ(LoadSampleWindow(gs, 0, 1000), 1);
    EXPECT_EQ(BlockSize(gs->chanBlock[1]), 2000u);
    EXPECT_EQ(gs->storageKind, kStoreDiskPaged);
    gs->storageKind = kStoreDiskRecording;
    gs->winRingBase = 600;  // sample 0 sits at position 600 of the ring
    double v = 0;
    ASSERT_EQ(GetChannelSample(gs, 0, 1, &v), 1);
    EXPECT_EQ(v, RawAt(1, 600) * kScale + 0.5);
    ASSERT_EQ(GetChannelSample(gs, 500, 1, &v), 1);  // wrapped once
    EXPECT_EQ(v, RawAt(1, 100) * kScale + 0.5);
    EXPECT_EQ(GetChannelSample(gs, 1000, 1, &v), 0);

    // The ring's capacity is the library's while it records.
    gs->winSize = 1000;
    ResetSampleWindow(gs);
    EXPECT_EQ(gs->winSize, 1000u);
    gs->acquiring = 0;
    ResetSampleWindow(gs);
    EXPECT_EQ(gs->winSize, 8192u);
}

// Edits of a paged recording work on all of it: a copy reads across windows, and a cut brings
// the whole recording into memory first, so that no channel loses or mixes samples.
TEST_F(SampleStorePaging, EditsOfAPagedRecordingKeepEveryChannel) {
    Make(kThreeSlots);
    tagGS* gs = d_.gs;
    gs->sampleInterval = 1.0;
    Doc clip;
    ASSERT_EQ(CopyChannelRange(gs, 1, 100.0, 10100.0, clip.gs), 1);
    ASSERT_EQ(clip.gs->chanCount[0], 10000u);
    EXPECT_EQ(clip.gs->chanType[0], 2);
    for (uint32_t j = 0; j < 10000; ++j) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(clip.gs, static_cast<int>(j), 0, &v), 1);
        ASSERT_EQ(v, Expected(kThreeSlots[0], j + 100)) << j;
    }
    ASSERT_EQ(DeleteChannelRange(gs, 5, 9000.0, 16000.0), 1);
    EXPECT_EQ(gs->storageKind, kStoreMemory);
    EXPECT_EQ(gs->chanCount[5], 9000u);
    EXPECT_EQ(gs->totalSamples, 20000);
    for (const SlotSpec& s : kThreeSlots) {
        for (uint32_t j = 0; j < gs->chanCount[s.slot]; ++j) {
            double v = 0;
            ASSERT_EQ(GetChannelSample(gs, static_cast<int>(j), s.slot, &v), 1);
            ASSERT_EQ(v, Expected(s, j)) << s.slot << " " << j;
        }
    }
}

}  // namespace
