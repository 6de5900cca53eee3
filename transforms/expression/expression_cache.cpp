// Compiled expression texts: each text's tokens and the parser's moves over them, run as a
// program of steps, kept in a small cache keyed by the text's characters.
#include "transforms/expression/expression_grammar.h"
#include "transforms/expression/expression_functions.h"
#include <cstring>

using namespace exprparse;

namespace {

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
            const Rule rule = static_cast<Rule>(s->arg);
            const int length = kRules[rule].length;
            const double* e = &stack[top - length + 1];
            double v;
            switch (rule) {
            case kRuleAdd:
            case kRuleSubtract:
            case kRuleMultiply:
            case kRuleDivide:
            case kRulePower: v = Binary(rule, e[0], e[2]); break;
            case kRuleNegate: v = -e[1]; break;
            case kRuleParentheses: v = e[1]; break;
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
        case kOpAccept: *errorPos = kExpressionAccepted; return FiniteOrZero(stack[top]);
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
    uint16_t count;   // 0: empty
    uint16_t busy;    // evaluations in progress over it (a name read may evaluate another text)
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

// Evaluates through the cache; a text compiled in a slot tells keep (when given) where it is.
double EvaluateThroughCache(const char* text, ExpressionKeep* keep, int16_t* errorPos) {
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
    if (keep) {
        keep->slot = slot;
        keep->serial = slot->serial;
    }
    return RunSlot(*slot, text, errorPos);
}

}  // namespace

// Parses and computes the text; errors are reported only through the position.
double EvaluateExpression(const char* text, int16_t* errorPos) {
    return EvaluateThroughCache(text ? text : "", nullptr, errorPos);
}

double EvaluateKeptExpression(const char* text, ExpressionKeep* keep, int16_t* errorPos) {
    auto* slot = static_cast<CacheSlot*>(const_cast<void*>(keep->slot));
    if (slot && slot->count && slot->serial == keep->serial) {
        slot->stamp = ++g_cacheClock;
        ++g_cacheHits;
        return RunSlot(*slot, text, errorPos);
    }
    keep->slot = nullptr;
    return EvaluateThroughCache(text, keep, errorPos);
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
