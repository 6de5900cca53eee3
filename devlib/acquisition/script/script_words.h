// Lesson statements that begin with the unit's word "VK40" or the USB adapter's word "LNX2W".
#pragma once

#include <windows.h>

#include <cstdint>

struct stScriptStatement;

// What a statement answers the interpreter.
constexpr int16_t kScriptWordRefused = 0;  // not accepted: the interpreter reports a script error
constexpr int16_t kScriptWordDone = 1;
constexpr int16_t kScriptWordUnitFailed = 2;  // the unit did not carry out a command (after the report)

// A "VK40 ..." statement (an "LNX2W ..." one goes on to the adapter's words).
int16_t ExecDriverCommand(const stScriptStatement* st, HGLOBAL hAcq);
// An "LNX2W ..." statement: 1 when it assigned its result variable, else 0.
int16_t ExecAdapterCommand(const stScriptStatement* st, HGLOBAL hAcq);

// The 256-byte block of unit command 61 from a script text: spaces, the text over them with each
// backslash-"r" pair one carriage return, at most 256 characters. Answers the characters placed.
int32_t BuildUnitTextBlock(const char* text, uint8_t out[256]);
// Hexadecimal digit pairs (either case) to bytes, at most max bytes of the text's first 2 x max
// digits; -1 for an odd length or a character that is no digit.
int32_t ParseHexBytes(const char* text, uint8_t* out, int32_t max);
