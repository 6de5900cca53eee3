// An expression over runs of consecutive sample indices: the compiled text's steps as operations
// over whole runs.
#include "transforms/expression/expression_grammar.h"
#include "transforms/expression/expression_functions.h"
#include "graph/document/sample_store.h"
#include "common/tagGS.h"
#include <cfloat>
#include <cmath>
#include <cstring>

using namespace exprparse;

namespace {

enum RunCode : uint8_t { kRunChannel, kRunTime, kRunBinary, kRunNegate, kRunCall };

template <Rule R>
void BinaryRun(const ExpressionRuns::Operand& a, const ExpressionRuns::Operand& b, const double* ra, const double* rb,
               int n, double* out) {
    if (a.reg < 0) {
        const double c = a.constant;
        for (int i = 0; i < n; ++i) out[i] = Binary(R, c, rb[i]);
    } else if (b.reg < 0) {
        const double c = b.constant;
        for (int i = 0; i < n; ++i) out[i] = Binary(R, ra[i], c);
    } else {
        for (int i = 0; i < n; ++i) out[i] = Binary(R, ra[i], rb[i]);
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
            const Rule rule = static_cast<Rule>(s->arg);
            const int length = kRules[rule].length;
            const Operand* e = &stack[top - length + 1];
            Operand value;
            if (rule == kRuleParentheses) {
                value = e[1];
            } else if (rule == kRuleNegate) {
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
                dst[i] = gs->hUnitKind == kHUnitFrequency ? position * 1000.0 : position / 1000.0;
            }
            break;
        case kRunBinary: {
            switch (s.arg) {
            case kRuleAdd: BinaryRun<kRuleAdd>(s.a, s.b, a, b, n, dst); break;
            case kRuleSubtract: BinaryRun<kRuleSubtract>(s.a, s.b, a, b, n, dst); break;
            case kRuleMultiply: BinaryRun<kRuleMultiply>(s.a, s.b, a, b, n, dst); break;
            case kRuleDivide: BinaryRun<kRuleDivide>(s.a, s.b, a, b, n, dst); break;
            default: BinaryRun<kRulePower>(s.a, s.b, a, b, n, dst); break;
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
