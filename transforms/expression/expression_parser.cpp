// The evaluator's parser: a table-driven shift-reduce parser that computes while it parses, over
// the lexer; and the same moves worked out once into a program of steps for a compiled text.
#include "transforms/expression/expression_grammar.h"
#include "transforms/expression/expression_functions.h"
#include <cstring>
#include <initializer_list>

EvaluationContext g_expression = {};

namespace exprparse {

const RuleShape kRules[kRuleCount] = {{kE, 0}, {kE, 3}, {kE, 3}, {kE, 1}, {kT, 3}, {kT, 3}, {kT, 1}, {kF, 3}, {kF, 1},
                                      {kU, 2}, {kU, 1}, {kU, 0}, {kP, 1}, {kP, 0}, {kA, 3}, {kA, 1}, {kA, 4}};

namespace {

// The states that expect an operand.
constexpr int kGroupA[] = {0, 9, 12, 13, 14, 15, 16, 20};

bool InGroupA(int state) {
    for (int s : kGroupA)
        if (s == state) return true;
    return false;
}

}  // namespace

void ActionTable::Row(int state, uint8_t every) {
    for (uint8_t& a : action[state]) a = every;
}

// A state that reduces by a rule unless the token is one it shifts.
void ActionTable::ReduceExcept(int state, Rule rule) {
    for (int t = 0; t < kTokenKinds; ++t)
        if (!action[state][t]) action[state][t] = kReduce | rule;
}

ActionTable::ActionTable() {
    for (int s : kGroupA) {
        action[s][kTokMinus] = kShift | 5;
        action[s][kTokOpen] = kShift | 9;
        action[s][kTokNumber] = kShift | 10;
        action[s][kTokFunction] = kShift | 11;
    }
    action[1][kTokPlus] = kShift | 12;
    action[1][kTokMinus] = kShift | 13;
    action[1][kTokEnd] = kAccept;
    for (int s : {2, 21, 22}) {
        action[s][kTokTimes] = kShift | 14;
        action[s][kTokDivide] = kShift | 15;
    }
    ReduceExcept(2, kRuleTerm);
    ReduceExcept(21, kRuleAdd);
    ReduceExcept(22, kRuleSubtract);
    Row(3, kReduce | kRuleFactor);
    action[4][kTokPower] = kShift | 16;
    ReduceExcept(4, kRuleUnary);
    action[5][kTokOpen] = kShift | 9;
    action[5][kTokNumber] = kShift | 10;
    action[5][kTokFunction] = kShift | 11;
    Row(6, kReduce | kRulePrimary);
    Row(8, kReduce | kRuleAtom);
    Row(10, kReduce | kRuleNumber);
    action[11][kTokOpen] = kShift | 20;
    Row(17, kReduce | kRuleNegate);
    for (int s : {19, 28}) {
        action[s][kTokPlus] = kShift | 12;
        action[s][kTokMinus] = kShift | 13;
    }
    action[19][kTokClose] = kShift | 27;
    action[28][kTokClose] = kShift | 29;
    Row(23, kReduce | kRuleMultiply);
    Row(24, kReduce | kRuleDivide);
    Row(25, kReduce | kRulePower);
    Row(27, kReduce | kRuleParentheses);
    Row(29, kReduce | kRuleCall);
}

const ActionTable kActions;

int GotoState(Symbol lhs, int state) {
    switch (lhs) {
    case kE: return state == 0 ? 1 : state == 9 ? 19 : state == 20 ? 28 : -1;
    case kT: return state == 0 || state == 9 || state == 20 ? 2 : state == 12 ? 21 : state == 13 ? 22 : -1;
    case kF:
        if (state == 0 || state == 9 || state == 12 || state == 13 || state == 20) return 3;
        return state == 14 ? 23 : state == 15 ? 24 : state == 16 ? 25 : -1;
    case kU: return InGroupA(state) ? 4 : -1;
    case kP: return InGroupA(state) ? 6 : state == 5 ? 17 : -1;
    case kA: return InGroupA(state) || state == 5 ? 8 : -1;
    }
    return -1;
}

namespace {

// Pushes the entry with the state; a full stack refuses the expression.
bool PushParseEntry(const ParseEntry& entry, int state) {
    if (g_expression.top + 1 >= kParseStackSize) {
        g_expression.error = 1;
        return false;
    }
    ParseEntry& slot = g_expression.stack[++g_expression.top];
    slot = entry;
    slot.state = static_cast<int16_t>(state);
    return true;
}

void ShiftToken(int state) {
    if (PushParseEntry(g_expression.tokenRecord, state)) g_expression.token = NextExpressionToken();
}

// The value of a rule from its right side, entries bottom to top.
bool RuleValue(Rule rule, const ParseEntry* e, double* out) {
    switch (rule) {
    case kRuleAdd:
    case kRuleSubtract:
    case kRuleMultiply:
    case kRuleDivide:
    case kRulePower: *out = Binary(rule, e[0].number, e[2].number); return true;
    case kRuleNegate: *out = -e[1].number; return true;
    case kRuleParentheses: *out = e[1].number; return true;
    case kRuleCall:
        return ApplyExpressionFunction(FindExpressionFunction(e[0].name), e[2].number, g_expression.document, out) != 0;
    default: *out = e[0].number; return true;
    }
}

void ReduceRule(Rule rule) {
    const RuleShape& r = kRules[rule];
    g_expression.top = static_cast<int16_t>(g_expression.top - r.length);
    ParseEntry result = {};
    int next = GotoState(r.lhs, g_expression.stack[g_expression.top].state);
    if (next < 0 || !RuleValue(rule, &g_expression.stack[g_expression.top + 1], &result.number)) {
        g_expression.error = 1;
        return;
    }
    PushParseEntry(result, next);
}

// The error position: the read position's offset, or accepted.
int16_t ErrorPosition() {
    if (!g_expression.error) return kExpressionAccepted;
    return static_cast<int16_t>(g_expression.readPos - g_expression.text);
}

// Parses and computes from the start state; the text and its first token are set.
double Parse(int16_t* errorPos) {
    EvaluationContext& c = g_expression;
    for (;;) {
        if (c.token == kTokError) {
            c.error = 1;
            break;
        }
        uint8_t action = kActions.action[c.stack[c.top].state][c.token];
        if (action == kAccept) break;
        if (action & kReduce)
            ReduceRule(static_cast<Rule>(action & 0x7F));
        else if (action & kShift)
            ShiftToken(action & 0x3F);
        else
            c.error = 1;
        if (c.error) break;
    }
    *errorPos = ErrorPosition();
    return c.error ? 0.0 : FiniteOrZero(c.stack[c.top].number);
}

// Starts an evaluation of the text; false (with the position set) when it is too long to point into.
bool Begin(const char* text, size_t length, int16_t* errorPos) {
    EvaluationContext& c = g_expression;
    c.text = c.readPos = text;
    c.error = 0;
    c.top = -1;
    if (length > kMaxExpressionChars) {
        *errorPos = static_cast<int16_t>(kMaxExpressionChars);
        return false;
    }
    PushParseEntry(ParseEntry{}, 0);
    return true;
}

}  // namespace

double EvaluateReading(const char* text, size_t length, int16_t* errorPos) {
    if (!Begin(text, length, errorPos)) return 0.0;
    g_expression.token = NextExpressionToken();
    return Parse(errorPos);
}

bool CompileSteps(const ExpressionLexItem* items, ProgramStep* steps) {
    int n = 0;
    auto emit = [&](ProgramCode code, int arg, int pos) {
        if (n >= kProgramSteps) return false;
        steps[n++] = ProgramStep{code, static_cast<uint8_t>(arg), static_cast<uint16_t>(pos)};
        return true;
    };
    int states[kParseStackSize];
    int functions[kParseStackSize] = {};
    int top = 0;
    states[0] = 0;
    int k = 0;
    // The lookahead's kind, reading it first when it names something.
    auto look = [&](int& token) {
        const ExpressionLexItem& item = items[k];
        if (item.kind != kLexToken) {
            token = kTokNumber;
            return emit(kOpRead, k, item.start);
        }
        token = item.token;
        if (token == kTokError) return emit(kOpFail, 0, item.end);
        return true;
    };
    int token = 0;
    if (!look(token)) return false;
    while (token != kTokError) {
        const int end = items[k].end;
        const uint8_t action = kActions.action[states[top]][token];
        if (action == kAccept) return emit(kOpAccept, 0, end);
        if (action & kReduce) {
            const Rule rule = static_cast<Rule>(action & 0x7F);
            const RuleShape& r = kRules[rule];
            top -= r.length;
            const int next = GotoState(r.lhs, states[top]);
            if (next < 0) return emit(kOpFail, 0, end);
            // A rule of one symbol passes its value on unchanged: it needs no step.
            const bool ok = rule == kRuleCall ? emit(kOpCall, functions[top + 1], end)
                            : r.length > 1    ? emit(kOpReduce, rule, 0)
                                              : true;
            if (!ok) return false;
            if (top + 1 >= kParseStackSize) return emit(kOpFail, 0, end);
            states[++top] = next;
            functions[top] = 0;
        } else if (action & kShift) {
            if (top + 1 >= kParseStackSize) return emit(kOpFail, 0, end);
            const ExpressionLexItem& item = items[k];
            const bool ok = item.kind != kLexToken ? emit(kOpShiftValue, 0, 0)
                            : token == kTokNumber  ? emit(kOpShiftConst, k, 0)
                                                   : emit(kOpShiftMark, 0, 0);
            if (!ok) return false;
            states[++top] = action & 0x3F;
            functions[top] = token == kTokFunction ? item.arg : 0;
            ++k;
            if (!look(token)) return false;
        } else {
            return emit(kOpFail, 0, end);
        }
    }
    return true;  // ends at the refused token's step
}

}  // namespace exprparse

void SetExpressionContext(tagGS* gs, int32_t index) {
    g_expression.document = gs;
    g_expression.sampleIndex = index;
}

void SetExpressionScope(void* frame) { g_expression.variableScope = frame; }

double EvaluateExpressionUncached(const char* text, int16_t* errorPos) {
    if (!text) text = "";
    return exprparse::EvaluateReading(text, strnlen(text, exprparse::kMaxExpressionChars + 1), errorPos);
}
