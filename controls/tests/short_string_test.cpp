// ShortString: the length byte, the whole text and reassignment.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "controls/short_string.h"

TEST(ControlsShortString, EmptyIsTwoZeroBytes) {
    ShortString s;
    ASSERT_NE(s.Block(), nullptr);
    EXPECT_EQ(s.Block()[0], 0);
    EXPECT_EQ(s.Block()[1], 0);
    EXPECT_STREQ(s.Text(), "");
    EXPECT_EQ(s.Length(), 0u);
}

TEST(ControlsShortString, KeepsWholeTextAndCapsLengthByte) {
    struct Row {
        size_t length;
        uint8_t lengthByte;
    };
    const Row rows[] = {{0, 0}, {1, 1}, {254, 254}, {255, 255}, {256, 255}, {300, 255}, {1000, 255}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.length);
        std::string text(row.length, ' ');
        for (size_t i = 0; i < row.length; ++i) text[i] = static_cast<char>('a' + i % 26);
        ShortString s;
        ASSERT_EQ(s.Assign(text.c_str()), 1);
        EXPECT_EQ(s.LengthByte(), row.lengthByte);
        EXPECT_EQ(s.Block()[0], row.lengthByte);
        EXPECT_EQ(s.Length(), row.length);
        EXPECT_EQ(std::string(s.Text()), text);
        EXPECT_EQ(s.Block()[row.length + 1], 0);

        // CopyTo writes the whole text and its terminator, and nothing beyond.
        std::string buffer(row.length + 8, '#');
        s.CopyTo(&buffer[0]);
        EXPECT_EQ(std::memcmp(buffer.data(), text.data(), row.length), 0);
        EXPECT_EQ(buffer[row.length], '\0');
        EXPECT_EQ(buffer.substr(row.length + 1), std::string(7, '#'));
    }
}

TEST(ControlsShortString, SelfAssignKeepsBlockAndText) {
    ShortString s;
    const std::string text(300, 'q');
    s.Assign(text.c_str());
    const uint8_t* block = s.Block();
    EXPECT_EQ(s.Assign(s.Text()), 1);
    EXPECT_EQ(s.Block(), block);
    EXPECT_EQ(s.Assign(reinterpret_cast<const char*>(s.Block())), 1);
    EXPECT_EQ(s.Block(), block);
    EXPECT_EQ(std::string(s.Text()), text);
    EXPECT_EQ(s.LengthByte(), 255);
}

TEST(ControlsShortString, ReassignReplacesAndNullEmpties) {
    ShortString s;
    s.Assign("Lesson 12 - Heart Sounds");
    s.Assign(s.Text() + 12);  // a tail of its own text
    EXPECT_STREQ(s.Text(), "Heart Sounds");
    EXPECT_EQ(s.LengthByte(), 12);
    s.Assign("EMG");
    EXPECT_STREQ(s.Text(), "EMG");
    EXPECT_EQ(s.LengthByte(), 3);
    s.Assign(nullptr);
    EXPECT_STREQ(s.Text(), "");
    EXPECT_EQ(s.Block()[0], 0);
    EXPECT_EQ(s.Block()[1], 0);
}
