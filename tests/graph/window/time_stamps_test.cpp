// Time stamps and the text of a time.
#include <gtest/gtest.h>
#include "graph/window/time_stamps.h"
#include <cstring>
#include <string>

namespace {

TEST(TimeStamps, TimeStampsRoundTripAndCarryOverDaysAndLeapDays) {
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

TEST(TimeStamps, TimeTextIsExactlyAsLongAsTheFormattedTime) {
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
