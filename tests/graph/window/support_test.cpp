// The graph window's support operations on plain records, files and time stamps.
#include <gtest/gtest.h>
#include "graph/window/support.h"
#include "common/tagGS.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include <cstring>
#include <memory>
#include <string>

namespace {

std::unique_ptr<tagGS> NewRecord() {
    auto gs = std::make_unique<tagGS>();
    std::memset(gs.get(), 0, sizeof(tagGS));
    gs->sampleInterval = 5.0;
    gs->hPerDiv = 50.0;
    gs->hDivisions = 4.0;
    return gs;
}

TEST(GraphWindowSupport, SlotPredicatesReadTheStateBits) {
    auto gs = NewRecord();
    struct Case {
        uint32_t flags;
        int shown, autoScalable;
    } cases[] = {{0, 0, 1}, {1, 0, 1}, {2, 1, 1}, {3, 1, 1}, {2 | kChanHidden, 1, 0}, {kChanHidden, 0, 0}};
    for (const Case& c : cases) {
        gs->chanFlags[7] = c.flags;
        EXPECT_EQ(IsChannelShown(gs.get(), 7), c.shown) << c.flags;
        EXPECT_EQ(IsChannelAutoScalable(gs.get(), 7), c.autoScalable) << c.flags;
    }
    EXPECT_EQ(IsChannelShown(gs.get(), -1), 0);
    EXPECT_EQ(IsChannelShown(gs.get(), kMaxChannels), 0);
    std::memset(gs->chanFlags, 0, sizeof gs->chanFlags);
    gs->chanFlags[0] = 2;
    gs->chanFlags[12] = 3;
    gs->chanFlags[59] = 2 | kChanHidden;
    gs->chanFlags[30] = 1;
    EXPECT_EQ(CountShownSlots(gs.get()), 3);
}

TEST(GraphWindowSupport, ChannelSetupEntriesFollowTheUnitsDigitalCount) {
    auto acq = std::make_unique<stAcq>();
    int32_t saved = NDChan;
    struct Case {
        int32_t digital;
        int slot;
        int entry;  // -1: none
    } cases[] = {{0, 0, -1},  {0, 1, 0},  {0, 4, 3},   {0, 5, -1},  {0, 20, -1}, {0, 40, 4},  {0, 51, 15},
                 {0, 52, -1}, {8, 20, 4}, {8, 27, 11}, {8, 28, -1}, {8, 40, 12}, {8, 51, 23}, {8, 39, -1}};
    for (const Case& c : cases) {
        NDChan = c.digital;
        stAcqChan* e = GetChannelSetupEntry(acq.get(), c.slot);
        if (c.entry < 0)
            EXPECT_EQ(e, nullptr) << c.digital << " " << c.slot;
        else
            EXPECT_EQ(e, &acq->chans[c.entry]) << c.digital << " " << c.slot;
    }
    EXPECT_EQ(GetChannelSetupEntry(nullptr, 1), nullptr);
    NDChan = saved;
}

TEST(GraphWindowSupport, SavedSelectionComesBack) {
    auto gs = NewRecord();
    gs->selStart = 12.5;
    gs->selEnd = 40.0;
    gs->selectedChan = 9;
    SaveSelection(gs.get());
    gs->selStart = gs->selEnd = 0.0;
    gs->selectedChan = 1;
    auto other = NewRecord();
    RestoreSelection(other.get());
    EXPECT_DOUBLE_EQ(other->selStart, 12.5);
    EXPECT_DOUBLE_EQ(other->selEnd, 40.0);
    EXPECT_EQ(other->selectedChan, 9u);
}

TEST(GraphWindowSupport, VisibleRangeSelectionStaysInsideTheChannel) {
    auto gs = NewRecord();
    gs->chanCount[3] = 100;  // 500 ms
    struct Case {
        double hStart, selStart, selEnd;
    } cases[] = {
        {600.0, 0.0, 500.0},    // ends before the view: the whole channel
        {500.0, 0.0, 500.0},    // ends at the view's start: still the whole channel
        {100.0, 100.0, 300.0},  // the visible 200 ms
        {400.0, 400.0, 500.0},  // the view runs past the end
    };
    for (const Case& c : cases) {
        gs->hStart = c.hStart;
        SelectChannelVisibleRange(gs.get(), 3);
        EXPECT_EQ(gs->selectedChan, 3u);
        EXPECT_DOUBLE_EQ(gs->selStart, c.selStart) << c.hStart;
        EXPECT_DOUBLE_EQ(gs->selEnd, c.selEnd) << c.hStart;
    }
}

TEST(GraphWindowSupport, RoundedScalesKeepTheMiddle) {
    auto gs = NewRecord();
    struct Case {
        double center, perDiv, divisions;
        double newPerDiv, newDivisions;
    } cases[] = {
        {0.0, 1.25, 4.0, 1.0, 5.0},      // -2.5 .. 2.5
        {-10.0, 1.5, 4.0, 1.0, 6.0},     // -13 .. -7
        {100.0, 50.0, 4.0, 20.0, 10.0},  // 0 .. 200
        {1.0, 0.3, 7.0, 1.0, 2.1},       // a span under ten units: one unit per division
    };
    for (const Case& c : cases) {
        gs->chanVCenter[2] = c.center;
        gs->chanVPerDiv[2] = c.perDiv;
        gs->chanVDivisions[2] = c.divisions;
        gs->chanVOffsetDiv[2] = 3.0;
        RoundChannelScale(gs.get(), 2);
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[2], c.newPerDiv) << c.center;
        EXPECT_NEAR(gs->chanVDivisions[2], c.newDivisions, 1e-12) << c.center;
        EXPECT_NEAR(gs->chanVCenter[2], c.center, 1e-12);
        EXPECT_EQ(gs->chanVOffsetDiv[2], 0.0);
    }
    // An empty range is left as it is.
    gs->chanVPerDiv[2] = 0.0;
    gs->chanVDivisions[2] = 4.0;
    gs->chanVOffsetDiv[2] = 3.0;
    RoundChannelScale(gs.get(), 2);
    EXPECT_EQ(gs->chanVDivisions[2], 4.0);
    EXPECT_EQ(gs->chanVOffsetDiv[2], 3.0);
}

TEST(GraphWindowSupport, SwapExchangesEightBytes) {
    double a = 1.5, b = -2.25;
    Swap64(&a, &b);
    EXPECT_EQ(a, -2.25);
    EXPECT_EQ(b, 1.5);
}

TEST(GraphWindowSupport, FileTagsMatchOrLeaveThePositionAlone) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    ASSERT_TRUE(GetTempFileNameA(dir, "gws", 0, path));
    HANDLE f =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(f, "ABCDWXYZ", 8, &written, nullptr));
    auto tag = [](const char* s) {
        uint32_t t;
        std::memcpy(&t, s, 4);
        return t;
    };
    auto position = [f] { return SetFilePointer(f, 0, nullptr, FILE_CURRENT); };
    SetFilePointer(f, 0, nullptr, FILE_BEGIN);
    EXPECT_EQ(MatchFileTag(f, tag("WXYZ")), 0);
    EXPECT_EQ(position(), 0u);
    EXPECT_EQ(MatchFileTag(f, tag("ABCD")), 1);
    EXPECT_EQ(position(), 4u);
    EXPECT_EQ(MatchFileTag(f, tag("ABCD")), 0);
    EXPECT_EQ(position(), 4u);
    EXPECT_EQ(MatchFileTag(f, tag("WXYZ")), 1);
    EXPECT_EQ(position(), 8u);
    // At the end there is nothing to match.
    EXPECT_EQ(MatchFileTag(f, tag("WXYZ")), 0);
    EXPECT_EQ(position(), 8u);
    CloseHandle(f);
    DeleteFileA(path);
}

TEST(GraphWindowSupport, TimeStampsRoundTripAndCarryOverDaysAndLeapDays) {
    SYSTEMTIME st{2026, 12, 3, 9, 23, 59, 59, 999};
    uint64_t v = SystemTimeToInt64(&st);
    ASSERT_NE(v, 0u);
    SYSTEMTIME back = Int64ToSystemTime(v);
    EXPECT_EQ(back.wYear, 2026);
    EXPECT_EQ(back.wDay, 9);
    EXPECT_EQ(back.wMilliseconds, 999);
    struct Case {
        SYSTEMTIME in;
        uint32_t ms;
        WORD year, month, day, hour, minute, second, millis;
    } cases[] = {
        {{2026, 12, 3, 9, 23, 59, 59, 999}, 1, 2026, 12, 10, 0, 0, 0, 0},
        {{2024, 2, 3, 28, 23, 59, 59, 500}, 1000, 2024, 2, 29, 0, 0, 0, 500},
        {{2026, 12, 4, 31, 12, 0, 0, 0}, 12 * 3600 * 1000u, 2027, 1, 1, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SYSTEMTIME out{};
        AddMillisecondsToSystemTime(&out, &c.in, c.ms);
        EXPECT_EQ(out.wYear, c.year);
        EXPECT_EQ(out.wMonth, c.month);
        EXPECT_EQ(out.wDay, c.day);
        EXPECT_EQ(out.wHour, c.hour);
        EXPECT_EQ(out.wMinute, c.minute);
        EXPECT_EQ(out.wSecond, c.second);
        EXPECT_EQ(out.wMilliseconds, c.millis);
    }
}

TEST(GraphWindowSupport, GridRoundingKeepsTheVisibleTimeInWholeSeconds) {
    struct Case {
        double interval, hStart, perDiv, divisions;
        double newPerDiv, newStart, newDivisions;
    } cases[] = {
        {5.0, 2000.0, 750.0, 4.0, 1000.0, 2000.0, 3.0},  // 3 s shown: three divisions of a second
        {0.1, 100.0, 20.0, 5.0, 50.0, 100.0, 2.0},       // fast: divisions of 50 ms
        {5.0, -300.0, 500.0, 2.0, 1000.0, 0.0, 0.7},     // a start before 0 is held at 0
    };
    for (const Case& c : cases) {
        auto gs = NewRecord();
        gs->plotRect = RECT{10, 10, 410, 310};
        gs->sampleInterval = c.interval;
        gs->hStart = c.hStart;
        gs->hPerDiv = c.perDiv;
        gs->hDivisions = c.divisions;
        gs->gridExtraValue = 2.5;
        gs->chanFlags[3] = 2;
        gs->chanVCenter[3] = 0.0;
        gs->chanVPerDiv[3] = 1.25;
        gs->chanVDivisions[3] = 4.0;
        gs->chanFlags[4] = 1;  // hidden: left alone
        gs->chanVPerDiv[4] = 1.25;
        gs->chanVDivisions[4] = 4.0;
        RoundScalesForGrid(gs.get(), 0);
        EXPECT_DOUBLE_EQ(gs->hPerDiv, c.newPerDiv) << c.interval;
        EXPECT_DOUBLE_EQ(gs->hStart, c.newStart) << c.interval;
        EXPECT_NEAR(gs->hDivisions, c.newDivisions, 1e-12) << c.interval;
        EXPECT_EQ(gs->gridExtraValue, 0.0);
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[3], 1.0);
        EXPECT_DOUBLE_EQ(gs->chanVDivisions[3], 5.0);
        EXPECT_DOUBLE_EQ(gs->chanVPerDiv[4], 1.25);
    }
    // XY: only the two channels of the plot, and the time axis stays.
    auto gs = NewRecord();
    gs->selectedChan = 2;
    gs->xyXChan = 6;
    for (int s : {2, 6, 8}) {
        gs->chanFlags[s] = 2;
        gs->chanVPerDiv[s] = 1.25;
        gs->chanVDivisions[s] = 4.0;
    }
    RoundScalesForGrid(gs.get(), 1);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[2], 1.0);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[6], 1.0);
    EXPECT_DOUBLE_EQ(gs->chanVPerDiv[8], 1.25);
    EXPECT_DOUBLE_EQ(gs->hPerDiv, 50.0);
}

TEST(GraphWindowSupport, TimeTextIsExactlyAsLongAsTheFormattedTime) {
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 3;
    st.wDay = 5;
    st.wHour = 14;
    st.wMinute = 7;
    st.wSecond = 9;
    char expected[64] = "";
    ASSERT_GT(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, expected, sizeof expected), 0);
    char* text = AllocTimeText(&st);
    ASSERT_TRUE(text);
    EXPECT_STREQ(text, expected);
    EXPECT_NE(std::string(text).find("07"), std::string::npos);
    delete[] text;
    SYSTEMTIME bad = st;
    bad.wHour = 25;
    EXPECT_EQ(AllocTimeText(&bad), nullptr);
    EXPECT_EQ(AllocTimeText(nullptr), nullptr);
}

}  // namespace
