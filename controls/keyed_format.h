// One argument put into a translated text.
#pragma once
#include <cstddef>

// Puts one argument into a translated text that stands where a format of the program's own would.
// The text is never handed to printf: its first conversion of the argument's kind ("%d", "%i",
// "%u", "%x", "%X", "%o" for a number, "%s" for a string, with flags, width, precision and
// length as a format allows) takes the argument, formatted by a format rebuilt from checked
// parts; "%%" gives "%"; every other "%" sequence ("%n", a second "%s", "%*d") stays as plain
// text. Writes at most size - 1 characters and the terminator; returns the length written.
size_t FormatKeyedText(char* out, size_t size, const char* text, long number);
size_t FormatKeyedText(char* out, size_t size, const char* text, const char* string);
