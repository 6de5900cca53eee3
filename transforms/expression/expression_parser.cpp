// The evaluator: a table-driven shift-reduce parser that computes while it parses, over the lexer;
// texts it has seen are run from a compiled program of the same moves.
#include "transforms/expression/expression.h"
#include "transforms/expression/expression_functions.h"
#include "transforms/expression/expression_compiled.h"
#include "graph/document/sample_store.h"
#include "common/tagGS.h"
#include <cfloat>
#include <cmath>
#include <cstring>
#include <initializer_list>

EvaluationContext g_expression = {};

namespace {

constexpr int kStates = 30;
constexpr int kTokenKinds = 12;  // 0..11; the error token is never looked up

// Actions: 0 error, kShift | state, kReduce | rule, kAccept.
constexpr uint8_t kShift = 0x40;
constexpr uint8_t kReduce = 0x80;
constexpr uint8_t kAccept = 0xFF;

enum Symbol { kE, kT, kF, kU, kP, kA };

struct Rule {
    Symbol lhs;
    int length;
};
// Rules 11 and 13 are numbered but never reduced.
constexpr Rule kRules[17] = {{kE, 0}, {kE, 3}, {kE, 3}, {kE, 1}, {kT, 3}, {kT, 3}, {kT, 1}, {kF, 3}, {kF, 1},
                             {kU, 2}, {kU, 1}, {kU, 0}, {kP, 1}, {kP, 0}, {kA, 3}, {kA, 1}, {kA, 4}};

// The states that expect an operand.
constexpr int kGroupA[] = {0, 9, 12, 13, 14, 15, 16, 20};

struct ActionTable {
    uint8_t action[kStates][kTokenKinds] = {};

    void Row(int state, uint8_t every) {
        for (uint8_t& a : action[state]) a = every;
    }
    // A state that reduces by a rule unless the token is one it shifts.
    void ReduceExcept(int state, int rule) {
        for (int t = 0; t < kTokenKinds; ++t)
            if (!action[state][t]) action[state][t] = kReduce | rule;
    }
    ActionTable() {
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
        ReduceExcept(2, 3);
        ReduceExcept(21, 1);
        ReduceExcept(22, 2);
        Row(3, kReduce | 6);
        action[4][kTokPower] = kShift | 16;
        ReduceExcept(4, 8);
        action[5][kTokOpen] = kShift | 9;
        action[5][kTokNumber] = kShift | 10;
        action[5][kTokFunction] = kShift | 11;
        Row(6, kReduce | 10);
        Row(8, kReduce | 12);
        Row(10, kReduce | 15);
        action[11][kTokOpen] = kShift | 20;
        Row(17, kReduce | 9);
        for (int s : {19, 28}) {
            action[s][kTokPlus] = kShift | 12;
            action[s][kTokMinus] = kShift | 13;
        }
        action[19][kTokClose] = kShift | 27;
        action[28][kTokClose] = kShift | 29;
        Row(23, kReduce | 4);
        Row(24, kReduce | 5);
        Row(25, kReduce | 7);
        Row(27, kReduce | 14);
        Row(29, kReduce | 16);
    }
};
const ActionTable kActions;

bool InGroupA(int state) {
    for (int s : kGroupA)
        if (s == state) return true;
    return false;
}

// The state after a reduction to the symbol with the given state uncovered; -1 for none.
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

// The value of a rule of two operands (1 +, 2 -, 4 *, 5 /, 7 ^) on one pair of values; a division
// by zero gives 0.
inline double Binary(int rule, double a, double b) {
    switch (rule) {
    case 1: return a + b;
    case 2: return a - b;
    case 4: return a * b;
    case 5: return b == 0.0 ? 0.0 : a / b;
    default: return std::pow(a, b);
    }
}

// The value of a rule from its right side, entries bottom to top.
bool RuleValue(int rule, const ParseEntry* e, double* out) {
    switch (rule) {
    case 1:
    case 2:
    case 4:
    case 5:
    case 7: *out = Binary(rule, e[0].number, e[2].number); return true;
    case 9: *out = -e[1].number; return true;
    case 14: *out = e[1].number; return true;
    case 16:
        return ApplyExpressionFunction(FindExpressionFunction(e[0].name), e[2].number, g_expression.document, out) != 0;
    default: *out = e[0].number; return true;
    }
}

void ReduceRule(int rule) {
    const Rule& r = kRules[rule];
    g_expression.top = static_cast<int16_t>(g_expression.top - r.length);
    ParseEntry result = {};
    int next = GotoState(r.lhs, g_expression.stack[g_expression.top].state);
    if (next < 0 || !RuleValue(rule, &g_expression.stack[g_expression.top + 1], &result.number)) {
        g_expression.error = 1;
        return;
    }
    PushParseEntry(result, next);
}

// Not-a-number (a domain error) and the infinities (an overflow) are carried through the
// operators; a final result that is no finite number is 0.
double FiniteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }

// The error position: the read position's offset, or accepted.
int16_t ErrorPosition() {
    if (!g_expression.error) return kExpressionAccepted;
    return static_cast<int16_t>(g_expression.readPos - g_expression.text);
}

// Texts longer than an error position can point into are refused at the last position it can.
constexpr size_t kMaxExpressionChars = 32766;

}  // namespace

void SetExpressionContext(tagGS* gs, int32_t index) {
    g_expression.document = gs;
    g_expression.sampleIndex = index;
}

void SetExpressionScope(void* frame) { g_expression.variableScope = frame; }

namespace {

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
            ReduceRule(action & 0x7F);
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

double EvaluateReading(const char* text, size_t length, int16_t* errorPos) {
    if (!Begin(text, length, errorPos)) return 0.0;
    g_expression.token = NextExpressionToken();
    return Parse(errorPos);
}

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
            const int rule = action & 0x7F;
            const Rule& r = kRules[rule];
            top -= r.length;
            const int next = GotoState(r.lhs, states[top]);
            if (next < 0) return emit(kOpFail, 0, end);
            // A rule of one symbol passes its value on unchanged: it needs no step.
            const bool ok = rule == 16 ? emit(kOpCall, functions[top + 1], end)
                            : r.length > 1 ? emit(kOpReduce, rule, 0)
                                           : true;
            if (!ok) return false;
            if (top + 1 >= kParseStackSize) return emit(kOpFail, 0, end);
            states[++top] = next;
            functions[top] = 0;
        } else if (action & kShift) {
            if (top + 1 >= kParseStackSize) return emit(kOpFail, 0, end);
            const ExpressionLexItem& item = items[k];
            const bool ok = item.kind != kLexToken ? emit(kOpShiftValue, 0, 0)
                            : token == kTokNumber ? emit(kOpShiftConst, k, 0)
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

// Runs the steps; the value, or 0 with the error position set.
double RunSteps(const char* text, const ExpressionLexItem* items, const ProgramStep* steps, int16_t* errorPos) {
    double stack[kParseStackSize];
    int top = 0;
    stack[0] = 0.0;
    double read = 0.0;
    for (const ProgramStep* s = steps;; ++s) {
        switch (s->code) {
        case kOpRead:
            if (ResolveExpressionToken(text, items[s->arg]) == kTokError) break;
            read = g_expression.tokenRecord.number;
            continue;
        case kOpShiftValue: stack[++top] = read; continue;
        case kOpShiftConst: stack[++top] = items[s->arg].number; continue;
        case kOpShiftMark: stack[++top] = 0.0; continue;
        case kOpReduce: {
            const int length = kRules[s->arg].length;
            const double* e = &stack[top - length + 1];
            double v;
            switch (s->arg) {
            case 1:
            case 2:
            case 4:
            case 5:
            case 7: v = Binary(s->arg, e[0], e[2]); break;
            case 9: v = -e[1]; break;
            case 14: v = e[1]; break;
            default: v = e[0]; break;
            }
            top -= length - 1;
            stack[top] = v;
            continue;
        }
        case kOpCall: {
            double v = 0.0;
            top -= 3;  // the name, "(", the argument and ")" become the value
            if (!ApplyExpressionFunction(s->arg, stack[top + 2], g_expression.document, &v)) {
                g_expression.readPos = text + s->pos;
                break;
            }
            stack[top] = v;
            continue;
        }
        case kOpFail: g_expression.readPos = text + s->pos; break;
        case kOpAccept:
            *errorPos = kExpressionAccepted;
            return FiniteOrZero(stack[top]);
        }
        // Every break above is a refusal, the read position set.
        g_expression.error = 1;
        *errorPos = static_cast<int16_t>(g_expression.readPos - text);
        return 0.0;
    }
}

// The cache: two ways per hash, the older one replaced. A slot is keyed by the whole text, so a
// buffer whose characters change between evaluations is compiled again, never given the old form.
struct CacheSlot {
    uint32_t hash;
    uint32_t stamp;  // when last used; the older of two ways is replaced
    uint16_t length;
    uint16_t count;  // 0: empty
    uint16_t busy;   // evaluations in progress over it (a name read may evaluate another text)
    uint32_t serial;  // changes at every compile, so a kept slot is known to hold the same text
    char text[kCompiledExpressionChars + 1];
    ExpressionLexItem items[kCompiledExpressionItems];
    ProgramStep steps[kProgramSteps];
};
CacheSlot g_cache[kExpressionCacheSlots];
uint32_t g_cacheClock = 0;
uint32_t g_cacheHits = 0;
uint32_t g_cacheSerial = 0;

// Compiles the text into the slot; false when it has more tokens than a slot holds.
bool Compile(CacheSlot& slot, const char* text, size_t length, uint32_t hash) {
    slot.count = 0;
    const char* from = text;
    for (int n = 0; n < kCompiledExpressionItems; ++n) {
        ExpressionLexItem& item = slot.items[n];
        ScanExpressionToken(text, from, &item);
        if (item.kind == kLexToken && (item.token == kTokEnd || item.token == kTokError)) {
            if (!CompileSteps(slot.items, slot.steps)) return false;
            std::memcpy(slot.text, text, length + 1);
            slot.hash = hash;
            slot.length = static_cast<uint16_t>(length);
            slot.count = static_cast<uint16_t>(n + 1);
            slot.serial = ++g_cacheSerial;
            return true;
        }
        from = text + item.end;
    }
    return false;
}

// The slot holding the text compiled, compiling it when needed; null when it cannot be held.
CacheSlot* CompiledText(const char* text, size_t length, uint32_t hash) {
    const uint32_t first = hash & (kExpressionCacheSlots - 1) & ~1u;
    CacheSlot* ways[2] = {&g_cache[first], &g_cache[first + 1]};
    ++g_cacheClock;
    for (CacheSlot* slot : ways) {
        if (slot->count && slot->hash == hash && slot->length == length && std::memcmp(slot->text, text, length) == 0) {
            slot->stamp = g_cacheClock;
            ++g_cacheHits;
            return slot;
        }
    }
    CacheSlot* victim = nullptr;
    for (CacheSlot* slot : ways)
        if (!slot->busy && (!victim || slot->stamp < victim->stamp)) victim = slot;
    if (!victim || !Compile(*victim, text, length, hash)) {
        if (victim) victim->count = 0;
        return nullptr;
    }
    victim->stamp = g_cacheClock;
    return victim;
}

double RunSlot(CacheSlot& slot, const char* text, int16_t* errorPos) {
    EvaluationContext& c = g_expression;
    c.text = c.readPos = text;
    c.error = 0;
    ++slot.busy;
    const double value = RunSteps(text, slot.items, slot.steps, errorPos);
    --slot.busy;
    return value;
}

}  // namespace

// Parses and computes the text; errors are reported only through the position.
double EvaluateExpression(const char* text, int16_t* errorPos) {
    if (!text) text = "";
    // The length and a hash of the characters in one pass, as far as a compiled text can reach.
    uint32_t hash = 2166136261u;
    size_t length = 0;
    while (length <= static_cast<size_t>(kCompiledExpressionChars) && text[length]) {
        hash = (hash ^ static_cast<uint8_t>(text[length])) * 16777619u;
        ++length;
    }
    if (length > static_cast<size_t>(kCompiledExpressionChars))
        return EvaluateReading(text, strnlen(text, kMaxExpressionChars + 1), errorPos);
    CacheSlot* slot = CompiledText(text, length, hash);
    if (!slot) return EvaluateReading(text, length, errorPos);
    return RunSlot(*slot, text, errorPos);
}

double EvaluateKeptExpression(const char* text, ExpressionKeep* keep, int16_t* errorPos) {
    auto* slot = static_cast<CacheSlot*>(const_cast<void*>(keep->slot));
    if (slot && slot->count && slot->serial == keep->serial) {
        slot->stamp = ++g_cacheClock;
        ++g_cacheHits;
        return RunSlot(*slot, text, errorPos);
    }
    keep->slot = nullptr;
    const double value = EvaluateExpression(text, errorPos);
    // The text is now compiled in one of its two ways, unless it is too long to be held.
    const size_t length = strnlen(text, kCompiledExpressionChars + 1);
    if (length <= static_cast<size_t>(kCompiledExpressionChars)) {
        uint32_t hash = 2166136261u;
        for (size_t i = 0; i < length; ++i) hash = (hash ^ static_cast<uint8_t>(text[i])) * 16777619u;
        const uint32_t first = hash & (kExpressionCacheSlots - 1) & ~1u;
        for (CacheSlot* way : {&g_cache[first], &g_cache[first + 1]}) {
            if (way->count && way->hash == hash && way->length == length && std::memcmp(way->text, text, length) == 0) {
                keep->slot = way;
                keep->serial = way->serial;
            }
        }
    }
    return value;
}

double EvaluateExpressionUncached(const char* text, int16_t* errorPos) {
    if (!text) text = "";
    return EvaluateReading(text, strnlen(text, kMaxExpressionChars + 1), errorPos);
}

void ClearExpressionCache() {
    for (CacheSlot& slot : g_cache)
        if (!slot.busy) slot.count = 0;
    g_cacheHits = 0;
}

uint32_t ExpressionCacheHits() { return g_cacheHits; }

int32_t WINAPI EvaluateExpressionForHost(tagGS* gs, int32_t index, const char* text, double* out) {
    SetExpressionContext(gs, index);
    // The library's field holds at most 199 characters and its NUL; nothing past it is read.
    char bounded[kHostExpressionBytes];
    size_t length = text ? strnlen(text, kHostExpressionBytes) : 0;
    int16_t position = kHostExpressionBytes - 1;
    double value = 0.0;
    if (length < static_cast<size_t>(kHostExpressionBytes)) {
        std::memcpy(bounded, text ? text : "", length);
        bounded[length] = 0;
        value = EvaluateExpression(bounded, &position);
    }
    if (out) *out = value;
    return position;
}

// ---- Runs of indices ----

namespace {

enum RunCode : uint8_t { kRunChannel, kRunTime, kRunBinary, kRunNegate, kRunCall };

template <int Rule>
void BinaryRun(const ExpressionRuns::Operand& a, const ExpressionRuns::Operand& b, const double* ra,
               const double* rb, int n, double* out) {
    if (a.reg < 0) {
        const double c = a.constant;
        for (int i = 0; i < n; ++i) out[i] = Binary(Rule, c, rb[i]);
    } else if (b.reg < 0) {
        const double c = b.constant;
        for (int i = 0; i < n; ++i) out[i] = Binary(Rule, ra[i], c);
    } else {
        for (int i = 0; i < n; ++i) out[i] = Binary(Rule, ra[i], rb[i]);
    }
}

// Whether no value is NaN or infinite: x * 0 is 0 for every finite x and NaN for the rest; four
// sums so that the additions do not wait on each other.
bool AllFinite(const double* x, int n) {
    double s[4] = {0.0, 0.0, 0.0, 0.0};
    int i = 0;
    for (; i + 4 <= n; i += 4)
        for (int k = 0; k < 4; ++k) s[k] += x[i + k] * 0.0;
    for (; i < n; ++i) s[0] += x[i] * 0.0;
    return s[0] + s[1] + s[2] + s[3] == 0.0;
}

// The samples of a channel at first .. first + n - 1, as GetChannelSample reads them one by one;
// failed[i] set where a read is refused. Memory documents are read straight from the block, with
// the Escape check once for the run; where the block holds the whole run as doubles it is read
// in place. Answers where the values are: in the block, or in out.
const double* ChannelRun(tagGS* gs, int slot, int32_t first, int n, double* out, uint8_t* failed) {
    if (gs && gs->storageKind == kStoreMemory && first >= 0) {
        const void* block = gs->chanBlock[slot];
        const uint32_t count = gs->chanCount[slot];
        int inside = 0;
        if (block && !EscapeEndsRead(gs) && static_cast<uint32_t>(first) < count)
            inside = static_cast<int>(count - static_cast<uint32_t>(first) < static_cast<uint32_t>(n)
                                          ? count - static_cast<uint32_t>(first)
                                          : static_cast<uint32_t>(n));
        const double* values = out;
        if (gs->chanType[slot] == 1) {
            const double* p = static_cast<const double*>(block) + (inside ? first : 0);
            if (inside == n)
                values = p;
            else if (inside)
                std::memcpy(out, p, static_cast<size_t>(inside) * sizeof(double));
            if (!AllFinite(values, inside))
                for (int i = 0; i < inside; ++i) failed[i] |= !std::isfinite(values[i]);
        } else {
            const int16_t* p = static_cast<const int16_t*>(block) + (inside ? first : 0);
            const double scale = gs->chanScale[slot], offset = gs->chanOffset[slot];
            for (int i = 0; i < inside; ++i) {
                out[i] = RawToValue(p[i], scale, offset);
                failed[i] |= !std::isfinite(out[i]);
            }
        }
        for (int i = inside; i < n; ++i) failed[i] = 1;
        return values;
    }
    for (int i = 0; i < n; ++i)
        if (!GetChannelSample(gs, first + i, slot, &out[i])) failed[i] = 1;
    return out;
}

}  // namespace

bool ExpressionRuns::Compile(const char* text) {
    m_count = 0;
    m_refused = false;
    if (!text) text = "";
    const size_t length = strnlen(text, kCompiledExpressionChars + 1);
    if (length > static_cast<size_t>(kCompiledExpressionChars)) return false;
    ExpressionLexItem items[kCompiledExpressionItems];
    ProgramStep steps[kProgramSteps];
    bool ended = false;
    for (int n = 0, from = 0; n < kCompiledExpressionItems && !ended; ++n) {
        ScanExpressionToken(text, text + from, &items[n]);
        ended = items[n].kind == kLexToken && (items[n].token == kTokEnd || items[n].token == kTokError);
        from = items[n].end;
    }
    if (!ended || !CompileSteps(items, steps)) return false;
    // The parser's stack of values, each a constant or a register; registers are taken and given
    // back as the values they hold are made and used.
    Operand stack[kParseStackSize];
    bool taken[kParseStackSize] = {};
    auto take = [&]() -> int8_t {
        for (int8_t r = 0; r < kParseStackSize; ++r)
            if (!taken[r]) {
                taken[r] = true;
                return r;
            }
        return -1;
    };
    auto give = [&](const Operand& o) {
        if (o.reg >= 0) taken[o.reg] = false;
    };
    auto emit = [&](const Step& s) {
        if (m_count >= kSteps || s.dst < 0) return false;
        m_steps[m_count++] = s;
        return true;
    };
    int top = 0;
    stack[0] = Operand{-1, 0.0};
    int read = -1;
    for (const ProgramStep* s = steps;; ++s) {
        switch (s->code) {
        case kOpRead:
            if (items[s->arg].kind != kLexChannel && items[s->arg].kind != kLexTime) return false;
            read = s->arg;
            continue;
        case kOpShiftValue: {
            const Operand value{take(), 0.0};
            const bool channel = items[read].kind == kLexChannel;
            if (!emit(Step{channel ? kRunChannel : kRunTime, items[read].arg, value.reg, {}, {}})) return false;
            stack[++top] = value;
            continue;
        }
        case kOpShiftConst: stack[++top] = Operand{-1, items[s->arg].number}; continue;
        case kOpShiftMark: stack[++top] = Operand{-1, 0.0}; continue;
        case kOpReduce: {
            const int rule = s->arg;
            const int length = kRules[rule].length;
            const Operand* e = &stack[top - length + 1];
            Operand value;
            if (rule == 14) {
                value = e[1];
            } else if (rule == 9) {
                value = e[1].reg < 0 ? Operand{-1, -e[1].constant} : e[1];
                if (e[1].reg >= 0 && !emit(Step{kRunNegate, 0, value.reg, e[1], {}})) return false;
            } else if (e[0].reg < 0 && e[2].reg < 0) {
                value = Operand{-1, Binary(rule, e[0].constant, e[2].constant)};
            } else {
                value = Operand{e[0].reg >= 0 ? e[0].reg : e[2].reg, 0.0};
                if (e[0].reg >= 0 && e[2].reg >= 0) give(e[2]);
                if (!emit(Step{kRunBinary, static_cast<uint8_t>(rule), value.reg, e[0], e[2]})) return false;
            }
            top -= length - 1;
            stack[top] = value;
            continue;
        }
        case kOpCall: {
            top -= 3;
            const Operand argument = stack[top + 2];
            double v = 0.0;
            if (argument.reg < 0 && ApplyExpressionFunction(s->arg, argument.constant, nullptr, &v)) {
                stack[top] = Operand{-1, v};  // a constant argument of a function that needs no document
                continue;
            }
            const Operand value{argument.reg >= 0 ? argument.reg : take(), 0.0};
            if (!emit(Step{kRunCall, s->arg, value.reg, argument, {}})) return false;
            stack[top] = value;
            continue;
        }
        case kOpFail: m_refused = true; return true;
        case kOpAccept: m_result = stack[top]; return true;
        }
        return false;
    }
}

bool ExpressionRuns::Reads(int slot) const {
    for (int k = 0; k < m_count; ++k)
        if (m_steps[k].code == kRunChannel && m_steps[k].arg == slot) return true;
    return false;
}

void ExpressionRuns::Evaluate(tagGS* gs, int32_t first, int32_t count, double* out) {
    const int n = count < kRun ? count : kRun;
    if (m_refused) {
        for (int i = 0; i < n; ++i) out[i] = 0.0;
        return;
    }
    std::memset(m_failed, 0, static_cast<size_t>(n));
    // Where each register's values are: its own storage, or a channel's block read in place.
    const double* values[kParseStackSize];
    for (int k = 0; k < m_count; ++k) {
        const Step& s = m_steps[k];
        double* dst = m_regs[s.dst];
        const double* a = s.a.reg >= 0 ? values[s.a.reg] : nullptr;
        const double* b = s.b.reg >= 0 ? values[s.b.reg] : nullptr;
        values[s.dst] = dst;
        switch (s.code) {
        case kRunChannel: values[s.dst] = ChannelRun(gs, s.arg, first, n, dst, m_failed); break;
        case kRunTime:
            // TIME as the lexer reads it at each index.
            if (!gs) {
                std::memset(m_failed, 1, static_cast<size_t>(n));
                break;
            }
            for (int i = 0; i < n; ++i) {
                const double position = (first + i) * gs->sampleInterval;
                dst[i] = gs->hUnitKind == 1 ? position * 1000.0 : position / 1000.0;
            }
            break;
        case kRunBinary: {
            switch (s.arg) {
            case 1: BinaryRun<1>(s.a, s.b, a, b, n, dst); break;
            case 2: BinaryRun<2>(s.a, s.b, a, b, n, dst); break;
            case 4: BinaryRun<4>(s.a, s.b, a, b, n, dst); break;
            case 5: BinaryRun<5>(s.a, s.b, a, b, n, dst); break;
            default: BinaryRun<7>(s.a, s.b, a, b, n, dst); break;
            }
            break;
        }
        case kRunNegate:
            for (int i = 0; i < n; ++i) dst[i] = -a[i];
            break;
        case kRunCall:
            if (!a) {
                for (int i = 0; i < n; ++i) dst[i] = s.a.constant;
                a = dst;
            }
            ApplyExpressionFunctionToRun(s.arg, a, n, gs, dst, m_failed);
            break;
        }
    }
    const bool anyFailed = std::memchr(m_failed, 1, static_cast<size_t>(n)) != nullptr;
    if (m_result.reg < 0) {
        const double v = FiniteOrZero(m_result.constant);
        for (int i = 0; i < n; ++i) out[i] = v;
    } else {
        const double* r = values[m_result.reg];
        for (int i = 0; i < n; ++i) out[i] = std::fabs(r[i]) <= DBL_MAX ? r[i] : 0.0;  // NaN compares false
    }
    if (anyFailed)
        for (int i = 0; i < n; ++i)
            if (m_failed[i]) out[i] = 0.0;
}
