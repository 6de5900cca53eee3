// The compiled form of an expression text: its tokens, each with its extent and either its value
// (numbers, operators, functions) or what it names (variables, channels, value names), which is
// read again at every evaluation, and the parser's moves over them as a program of steps. Texts
// are compiled once and kept in a small cache keyed by their characters, so a lesson loop does
// not read the same text again at every turn.
#pragma once
#include "transforms/expression/expression.h"
#include <cstdint>

enum ExpressionLexKind : uint8_t {
    kLexToken,          // a token whose value is known from the text
    kLexVariable,       // arg: the letter
    kLexMacroVariable,  // arg: the letter before "#"
    kLexChannel,        // arg: the channel number
    kLexTime,
    kLexValueName,  // arg: the index into the lexer's table of value names
};

struct ExpressionLexItem {
    double number;   // kTokNumber's value
    uint16_t start;  // where the token begins, blanks skipped; a name that cannot be read is refused here
    uint16_t end;    // the read position after the token, or where a refused token stops the reading
    uint8_t kind;
    uint8_t arg;    // kTokFunction: the function's index
    int16_t token;  // kLexToken: the token kind
};

// Finds the token at `from`, offsets counted from `base`, without reading what it names.
void ScanExpressionToken(const char* base, const char* from, ExpressionLexItem* item);
// Reads the item's value into the evaluator's token record and read position, as the lexer would.
ExpressionToken ResolveExpressionToken(const char* base, const ExpressionLexItem& item);

// Texts up to this length are compiled; longer ones are read as they are evaluated.
constexpr int kCompiledExpressionChars = 160;
constexpr int kCompiledExpressionItems = 96;
// The cache's slots: a lesson's loop, its IF tests and a few calculation channels fit.
constexpr int kExpressionCacheSlots = 64;

// Evaluates reading the text token by token, with no compiled form: the reference the cache is
// tested against.
double EvaluateExpressionUncached(const char* text, int16_t* errorPos);
// Drops every compiled text.
void ClearExpressionCache();
// How many evaluations found their text compiled, since the last clear.
uint32_t ExpressionCacheHits();

// A caller that evaluates one unchanging text again and again (a lesson line) keeps where its
// compiled form was: while that slot still holds the text, the lookup by characters is skipped.
struct ExpressionKeep {
    const void* slot = nullptr;
    uint32_t serial = 0;
};
// As EvaluateExpression; `text` must not change while `keep` is used with it.
double EvaluateKeptExpression(const char* text, ExpressionKeep* keep, int16_t* errorPos);
