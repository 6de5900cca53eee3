// The expression language: one double from a text of numbers, operators, functions and the names
// of channels, variables and measurements. Lesson scripts, the Expression transform and the device
// library's calculation channels all evaluate through here.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// A letter of the expression language, and of the lesson language's variable names: ASCII only,
// whatever the locale.
inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Token kinds of the lexer (5 and 9 are not used).
enum ExpressionToken : int16_t {
    kTokPlus = 0,
    kTokMinus = 1,
    kTokTimes = 2,
    kTokDivide = 3,
    kTokPower = 4,
    kTokOpen = 6,
    kTokClose = 7,
    kTokNumber = 8,
    kTokFunction = 10,
    kTokEnd = 11,
    kTokError = 12,
};

// One entry of the parser's stack, and the lexer's token record: a number, or a function's name.
struct ParseEntry {
    int16_t state;
    double number;
    char name[8];
};

constexpr int kParseStackSize = 20;
// What the error position reads when the expression was accepted.
constexpr int16_t kExpressionAccepted = -1;
// The device library's expression texts are fields of this many bytes, NUL included.
constexpr int kHostExpressionBytes = 200;
// Number texts longer than this are refused.
constexpr int kMaxNumberChars = 79;

// The evaluator's one record. The document, sample index and variable scope are set by callers
// and persist between evaluations; the rest belongs to the evaluation in progress.
struct EvaluationContext {
    tagGS* document;
    int32_t sampleIndex;
    void* variableScope;  // the running subroutine's frame: small letters are its locals
    const char* text;     // start of the text being evaluated (error positions count from it)
    const char* readPos;
    ExpressionToken token;
    ParseEntry tokenRecord;
    ParseEntry stack[kParseStackSize];
    int16_t top;
    int16_t error;
};
extern EvaluationContext g_expression;

// Channel references, measurements, markers and TIME read this document at this sample index.
void SetExpressionContext(tagGS* gs, int32_t index);
// Small-letter variables are looked up in this script frame.
void SetExpressionScope(void* frame);

// Evaluates a NUL-terminated text. *errorPos is kExpressionAccepted on success, otherwise the
// offset of the read position at which the text was refused; the result then is 0. An accepted
// text whose result is no finite number (a domain error, an overflow) gives 0.
double EvaluateExpression(const char* text, int16_t* errorPos);

// Host callback slot 18: evaluates a text of at most kHostExpressionBytes bytes for the document
// and sample index, writes the value and answers the error position (-1 accepted).
int32_t WINAPI EvaluateExpressionForHost(tagGS* gs, int32_t index, const char* text, double* out);

// The lexer: reads the token at the read position into the token record and moves past it.
ExpressionToken NextExpressionToken();
