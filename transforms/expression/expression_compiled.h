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

// Test seams, for the cache's tests: evaluation reading the text token by token with no compiled
// form (the reference the cache is tested against), dropping every compiled text, and how many
// evaluations found their text compiled since the last clear.
double EvaluateExpressionUncached(const char* text, int16_t* errorPos);
// Test seam: only tests call it.
void ClearExpressionCache();
// Test seam: only tests call it.
uint32_t ExpressionCacheHits();

// A caller that evaluates one unchanging text again and again (a lesson line) keeps where its
// compiled form was: while that slot still holds the text, the lookup by characters is skipped.
struct ExpressionKeep {
    const void* slot = nullptr;
    uint32_t serial = 0;
};
// As EvaluateExpression; `text` must not change while `keep` is used with it.
double EvaluateKeptExpression(const char* text, ExpressionKeep* keep, int16_t* errorPos);

// An expression evaluated over runs of consecutive sample indices of one document, each step an
// operation over the whole run, giving the values EvaluateExpression gives index by index. Only
// texts whose names are channels and TIME are taken: every other name reads state (variables,
// measurements, the machine) that the index-by-index evaluation reads again at every index.
class ExpressionRuns {
public:
    static constexpr int kRun = 512;  // indices per run: every register of a run stays in the caches
    // false when the text is not taken (too long, or a name other than channels and TIME).
    bool Compile(const char* text);
    // The values at indices first .. first + count - 1 (count <= kRun) into out.
    void Evaluate(tagGS* gs, int32_t first, int32_t count, double* out);
    // Whether the compiled text reads the channel.
    bool Reads(int slot) const;

    struct Operand {
        int8_t reg;  // -1: the constant
        double constant;
    };
    struct Step {
        uint8_t code;
        uint8_t arg;  // the rule, the function or the channel
        int8_t dst;
        Operand a, b;
    };

private:
    static constexpr int kSteps = 2 * kCompiledExpressionItems;
    Step m_steps[kSteps];
    int m_count = 0;
    bool m_refused = false;  // every evaluation is refused: all values are 0
    Operand m_result{};
    double m_regs[kParseStackSize][kRun];
    uint8_t m_failed[kRun];
};
