// FormatKeyedText: arguments put into a translated text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/keyed_format.h"

TEST(KeyedText, ANumberFillsTheFirstNumericConversionOnly) {
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

TEST(KeyedText, AStringFillsTheFirstStringConversionOnly) {
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

TEST(KeyedText, OutputStopsAtTheBufferEnd) {
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

// Several arguments, each taken in order by the next conversion of its kind; a text that asks
// for more, or for other kinds, than the program gives keeps those conversions as plain text.
TEST(KeyedText, ArgumentsFillTheirConversionsInOrder) {
    char out[256];
    FormatKeyedText(out, sizeof out, "%ld of %ld frames kept", 12L, 40L);
    EXPECT_STREQ(out, "12 of 40 frames kept");
    FormatKeyedText(out, sizeof out, "%s%s%s%n", 12L, 40L);
    EXPECT_STREQ(out, "%s%s%s%n");
    FormatKeyedText(out, sizeof out, "%d %s %d %d", 1, 2);
    EXPECT_STREQ(out, "1 %s 2 %d");
    FormatKeyedText(out, sizeof out, "%6.2f msec width, %6.2f Hz", 1.5, 20.0);
    EXPECT_STREQ(out, "  1.50 msec width,  20.00 Hz");
    FormatKeyedText(out, sizeof out, "%d pulses %lf %e", 3, 0.25);
    EXPECT_STREQ(out, "3 pulses 0.250000 %e");
    FormatKeyedText(out, sizeof out, "%f %s/sample", 2.0, "ms");
    EXPECT_STREQ(out, "2.000000 ms/sample");
    FormatKeyedText(out, sizeof out, "%s-%d", 5, "x");  // the number comes first: "%s" is not its kind
    EXPECT_STREQ(out, "%s-5");
    FormatKeyedText(out, sizeof out, "Row %c : Col %1d", 'B', 3);
    EXPECT_STREQ(out, "Row B : Col 3");
    FormatKeyedText(out, sizeof out, "%c%c", 65);  // a whole number is no character
    EXPECT_STREQ(out, "%c%c");
    FormatKeyedText(out, sizeof out, "%u and %3u%%", 7u, 4294967295u);
    EXPECT_STREQ(out, "7 and 4294967295%");
    FormatKeyedText(out, sizeof out, "no arguments %d %s %n");
    EXPECT_STREQ(out, "no arguments %d %s %n");
}
