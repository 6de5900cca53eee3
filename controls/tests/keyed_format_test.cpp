// FormatKeyedText: one argument in a translated text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "controls/keyed_format.h"

TEST(ControlsKeyedText, ANumberFillsTheFirstNumericConversionOnly) {
    struct Row {
        const char* text;
        long number;
        const char* out;
    } rows[] = {
        {"Saving file: %3lu%% completed", 42, "Saving file:  42% completed"},
        {"%s%s%n", 7, "%s%s%n"},
        {"%d of %d", 3, "3 of %d"},
        {"%n%d", 9, "%n9"},
        {"%*d|%d", 5, "%*d|5"},
        {"%.*d", 5, "%.*d"},
        {"%05d", -12, "-0012"},
        {"%-4i|", 8, "8   |"},
        {"%x %X %o", 255, "ff %X %o"},
        {"%u", -1, "4294967295"},
        {"%lld and %hd", 6, "6 and %hd"},
        {"%1234d", 1, "%1234d"},
        {"%p %f %c %e", 1, "%p %f %c %e"},
        {"100%", 1, "100%"},
        {"", 1, ""},
    };
    for (const Row& row : rows) {
        char out[256];
        const size_t n = FormatKeyedText(out, sizeof out, row.text, row.number);
        EXPECT_STREQ(out, row.out) << row.text;
        EXPECT_EQ(n, std::strlen(out)) << row.text;
    }
    char wide[256];
    FormatKeyedText(wide, sizeof wide, "%123d", 1);  // three digits of width are a width
    EXPECT_EQ(std::string(wide), std::string(122, ' ') + "1");
}

TEST(ControlsKeyedText, AStringFillsTheFirstStringConversionOnly) {
    struct Row {
        const char* text;
        const char* string;
        const char* out;
    } rows[] = {
        {"The graph %s has changed.", "A.acq", "The graph A.acq has changed."},
        {"%s%s%n", "X", "X%s%n"},
        {"%d %s %%", "X", "%d X %"},
        {"[%-6s]", "ab", "[ab    ]"},
        {"[%6s]", "ab", "[    ab]"},
        {"[%.2s]", "abcdef", "[ab]"},
        {"[%ls]", "w", "[w]"},
        {"[%s]", nullptr, "[]"},
        {"%S and %s", "x", "%S and x"},
    };
    for (const Row& row : rows) {
        char out[256];
        FormatKeyedText(out, sizeof out, row.text, row.string);
        EXPECT_STREQ(out, row.out) << row.text;
    }
}

TEST(ControlsKeyedText, OutputStopsAtTheBufferEnd) {
    char out[8];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(FormatKeyedText(out, sizeof out, "abc%sdef", "123456"), 7u);
    EXPECT_STREQ(out, "abc1234");
    EXPECT_EQ(FormatKeyedText(out, sizeof out, "%20d", 5), 7u);
    EXPECT_STREQ(out, "       ");
    EXPECT_EQ(FormatKeyedText(out, 1, "abc", 5), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(FormatKeyedText(nullptr, 0, "abc", 5), 0u);
}
