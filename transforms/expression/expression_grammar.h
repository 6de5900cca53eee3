// The evaluator's grammar, shared by its three parts: the parser over the lexer, the compiled
// texts and their cache, and the runs of indices. Internal to the expression language.
#pragma once
#include "transforms/expression/expression.h"
#include "transforms/expression/expression_compiled.h"
#include <cmath>
#include <cstdint>

namespace exprparse {

// The grammar's symbols: expression, term, factor, unary, primary, atom.
enum Symbol { kE, kT, kF, kU, kP, kA };

// The rules by number, as the action table reduces by them.
enum Rule : uint8_t {
    kRuleStart,         // the start; never reduced
    kRuleAdd,           // E -> E + T
    kRuleSubtract,      // E -> E - T
    kRuleTerm,          // E -> T
    kRuleMultiply,      // T -> T * F
    kRuleDivide,        // T -> T / F
    kRuleFactor,        // T -> F
    kRulePower,         // F -> U ^ F
    kRuleUnary,         // F -> U
    kRuleNegate,        // U -> - P
    kRulePrimary,       // U -> P
    kRuleEmptyUnary,    // numbered but never reduced
    kRuleAtom,          // P -> A
    kRuleEmptyPrimary,  // numbered but never reduced
    kRuleParentheses,   // A -> ( E )
    kRuleNumber,        // A -> number
    kRuleCall,          // A -> function ( E )
    kRuleCount
};

struct RuleShape {
    Symbol lhs;
    int length;
};
extern const RuleShape kRules[kRuleCount];

constexpr int kStates = 30;
constexpr int kTokenKinds = 12;  // 0..11; the error token is never looked up

// Actions: 0 error, kShift | state, kReduce | rule, kAccept.
constexpr uint8_t kShift = 0x40;
constexpr uint8_t kReduce = 0x80;
constexpr uint8_t kAccept = 0xFF;

struct ActionTable {
    uint8_t action[kStates][kTokenKinds] = {};
    ActionTable();

private:
    void Row(int state, uint8_t every);
    void ReduceExcept(int state, Rule rule);
};
extern const ActionTable kActions;

// The state after a reduction to the symbol with the given state uncovered; -1 for none.
int GotoState(Symbol lhs, int state);

// The value of a rule of two operands (add, subtract, multiply, divide, power) on one pair of
// values; a division by zero gives 0.
inline double Binary(Rule rule, double a, double b) {
    switch (rule) {
    case kRuleAdd: return a + b;
    case kRuleSubtract: return a - b;
    case kRuleMultiply: return a * b;
    case kRuleDivide: return b == 0.0 ? 0.0 : a / b;
    default: return std::pow(a, b);
    }
}

// Not-a-number (a domain error) and the infinities (an overflow) are carried through the
// operators; a final result that is no finite number is 0.
inline double FiniteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }

// Texts longer than an error position can point into are refused at the last position it can.
constexpr size_t kMaxExpressionChars = 32766;

// Evaluates reading the text token by token.
double EvaluateReading(const char* text, size_t length, int16_t* errorPos);

// The parser's moves over a compiled text do not depend on what its names read, only on the
// kinds of its tokens: they are worked out once into a program of steps, each error with the
// position the parser would give.
enum ProgramCode : uint8_t {
    kOpRead,        // arg: item whose name is read now; refused at its start
    kOpShiftValue,  // pushes the value last read
    kOpShiftConst,  // arg: item whose number is pushed
    kOpShiftMark,   // pushes an operator, a parenthesis or a function name
    kOpReduce,      // arg: rule
    kOpCall,        // arg: function; pos: where a failing call is refused
    kOpFail,        // pos
    kOpAccept,
};

struct ProgramStep {
    uint8_t code;
    uint8_t arg;
    uint16_t pos;
};

constexpr int kProgramSteps = 4 * kCompiledExpressionItems;

// Works out the steps over the items; false when they do not fit.
bool CompileSteps(const ExpressionLexItem* items, ProgramStep* steps);

}  // namespace exprparse
