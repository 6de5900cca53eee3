// Control flow: IF/ELSE/ENDIF walk lines, FOR/NEXT keep the loop stack of the state record,
// GOTO jumps to a label, CALL and RUNSCRIPT run subroutines, WAIT turns the message loop.
#include "scripts/engine/script_control.h"
#include "scripts/engine/script_plans.h"
#include "transforms/expression/expression.h"
#include <cstring>
#include <string_view>

namespace {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool AtLineEnd(char c) { return c == '\r' || c == 0; }

const char* NextLine(const char* p) {
    while (!AtLineEnd(*p)) ++p;
    return *p ? p + 1 : nullptr;
}

// The start of the line that holds p.
const char* LineStart(const CScriptSubroutine* frame, const char* p) {
    const char* text = frame->Text();
    while (p > text && p[-1] != '\r') --p;
    return p;
}

// Evaluates a text of the expression language; a refused text marks the statement failed.
double EvaluateText(const char* from, const char* to) {
    char buf[kScriptWordChars];
    size_t n = static_cast<size_t>(to - from);
    if (n > kScriptWordChars - 1) n = kScriptWordChars - 1;
    std::memcpy(buf, from, n);
    buf[n] = 0;
    int16_t errorPos = kExpressionAccepted;
    const double value = EvaluateExpression(buf, &errorPos);
    if (errorPos != kExpressionAccepted) SetScriptFieldFailed();
    return value;
}

double EvaluateWord(const char* word) { return EvaluateText(word, word + std::strlen(word)); }

// Walks from the line at `from` for the block word that ends a skip; null when END comes first.
// IF adds one; ENDIF at depth 0 ends (else subtracts one); ELSE at depth 0 ends when allowed.
const char* WalkBlock(const char* from, int depth, bool elseEnds) {
    char word[kScriptWordChars];
    for (const char* line = from; line && *line; line = NextLine(line)) {
        GetScriptToken(line, word);
        if (ScriptWordIs(word, "END")) return nullptr;
        if (ScriptWordIs(word, "IF")) {
            ++depth;
        } else if (ScriptWordIs(word, "ENDIF")) {
            if (depth == 0) return line;
            --depth;
        } else if (elseEnds && depth == 0 && ScriptWordIs(word, "ELSE")) {
            return line;
        }
    }
    return nullptr;
}

stScriptState::stLoop* InnermostLoop() {
    return g_script.loopDepth > 0 ? &g_script.loops[g_script.loopDepth - 1] : nullptr;
}

// Whether the innermost loop was opened in this frame's text of this load, so its line is here.
bool LoopBelongsTo(const stScriptState::stLoop& loop, const CScriptSubroutine* frame) {
    return loop.owner == frame && loop.generation == g_script.generation && loop.lineOffset < frame->TextLength();
}

// The first NEXT line from `from` on whose word begins with the letter; null when END comes first.
const char* FindLoopEnd(const char* from, char letter) {
    char word[kScriptWordChars];
    for (const char* line = from; line && *line; line = NextLine(line)) {
        const char* p = line + GetScriptToken(line, word);
        if (ScriptWordIs(word, "END")) return nullptr;
        if (!ScriptWordIs(word, "NEXT")) continue;
        GetScriptToken(p, word);
        if (word[0] == letter) return line;
    }
    return nullptr;
}

// The loop ends: the run goes on after the first NEXT that names its letter.
int16_t LeaveLoop(stScriptCall& call) {
    stScriptState::stLoop* loop = InnermostLoop();
    if (!loop) return kScriptStop;
    const char* end = FindLoopEnd(LineStart(call.frame, *call.position), loop->letter);
    if (!end) return kScriptStop;
    --g_script.loopDepth;
    *call.position = end;
    return kScriptGoOn;
}

void AssignLoopVariable(stScriptCall& call, char letter, double value) {
    const char name[2] = {letter, 0};
    AssignScriptNumericVariable(call.frame, name, value);
}

// The loop's next value; past the limit the run goes on after its NEXT.
int16_t TakeLoopTurn(stScriptCall& call, stScriptState::stLoop& loop) {
    loop.value += loop.step;
    AssignLoopVariable(call, loop.letter, loop.value);
    const bool goOn = loop.step > 0 ? loop.value <= loop.limit : loop.value >= loop.limit;
    return goOn ? int16_t{kScriptGoOn} : LeaveLoop(call);
}

// A loop's first pass: FOR v = start TO limit [STEP step].
int16_t OpenLoop(stScriptCall& call, char letter, const char* p) {
    if (g_script.loopDepth >= kScriptLoopSlots) return kScriptStop;
    char word[kScriptWordChars];
    p += GetScriptToken(p, word);
    if (word[0] != '=') return kScriptStop;
    p += GetScriptToken(p, word);
    if (!word[0]) return kScriptStop;
    const double start = EvaluateWord(word);
    p += GetScriptToken(p, word);
    if (!ScriptWordIs(word, "TO")) return kScriptStop;
    p += GetScriptToken(p, word);
    if (!word[0]) return kScriptStop;
    const double limit = EvaluateWord(word);
    double step = 1.0;
    p += GetScriptToken(p, word);
    if (word[0] && word[0] != ';') {
        if (!ScriptWordIs(word, "STEP")) return kScriptStop;
        GetScriptToken(p, word);
        if (!word[0]) return kScriptStop;
        step = EvaluateWord(word);
    }
    if (ScriptFieldFailed()) return kScriptStop;
    stScriptState::stLoop& loop = g_script.loops[g_script.loopDepth++];
    loop.letter = letter;
    loop.value = start;
    loop.limit = limit;
    loop.step = step;
    loop.owner = call.frame;
    loop.generation = g_script.generation;
    loop.lineOffset = static_cast<uint32_t>(LineStart(call.frame, *call.position) - call.frame->Text());
    loop.endOffset = stScriptState::kLoopEndUnknown;
    AssignLoopVariable(call, letter, start);
    return kScriptGoOn;
}

// NEXT takes the turn that its FOR line would take when run next, without running that line: on
// with the line after the FOR line, or past the NEXT where the FOR line's walk would end the loop.
// False, having changed nothing, when that walk finds no end: the FOR line then runs and says so.
bool TakeTurnAtNext(stScriptCall& call, stScriptState::stLoop& loop) {
    const char* text = call.frame->Text();
    if (loop.endOffset == stScriptState::kLoopEndUnknown) {
        const char* end = FindLoopEnd(text + loop.lineOffset, loop.letter);
        loop.endOffset = end ? end - text : stScriptState::kLoopEndMissing;
    }
    if (loop.endOffset == stScriptState::kLoopEndMissing) return false;
    loop.value += loop.step;
    AssignLoopVariable(call, loop.letter, loop.value);
    const bool goOn = loop.step > 0 ? loop.value <= loop.limit : loop.value >= loop.limit;
    if (goOn) {
        *call.position = text + loop.lineOffset;
    } else {
        --g_script.loopDepth;
        *call.position = text + loop.endOffset;
    }
    // The FOR line's turn counts as the statement it stands for: the message loop and the break
    // key are asked as often as before.
    ++g_script.statementsSinceTurn;
    return true;
}

int16_t NextWithLetter(stScriptCall& call, char letter) {
    stScriptState::stLoop* loop = InnermostLoop();
    if (!loop || letter != loop->letter) return kScriptStop;
    if (!LoopBelongsTo(*loop, call.frame)) return kScriptStop;  // a loop of another subroutine
    if (!g_script.steppedStatement && TakeTurnAtNext(call, *loop)) return kScriptGoOn;
    // The end of the line before the FOR line: every text keeps a CR in front of its first line.
    *call.position = call.frame->Text() + loop->lineOffset - 1;
    return kScriptGoOn;
}

}  // namespace

// The break point: the dialog is the statement's own, so a stop is not reported again.
int16_t ScriptWordBreak(stScriptCall& call) {
    return ShowScriptError(call.line, "BREAK") == kScriptGoOn ? int16_t{kScriptGoOn} : int16_t{kScriptStopWithoutDialog};
}
int16_t ScriptWordHalt(stScriptCall&) { return kScriptHalted; }
int16_t ScriptWordEndIf(stScriptCall&) { return kScriptGoOn; }

// FOR opens a loop, or takes the next turn of the innermost loop when it names that loop's letter:
// reached again from its NEXT, or a FOR of the same letter inside the loop's body.
int16_t ScriptWordFor(stScriptCall& call) {
    char word[kScriptWordChars];
    const char* p = call.rest + GetScriptToken(call.rest, word);
    if (!IsAsciiLetter(word[0]) || word[1]) return kScriptStop;
    stScriptState::stLoop* loop = InnermostLoop();
    if (!loop || loop->letter != word[0] || !LoopBelongsTo(*loop, call.frame)) return OpenLoop(call, word[0], p);
    return TakeLoopTurn(call, *loop);
}

// NEXT v: the innermost loop's next turn, as its FOR line takes it.
int16_t ScriptWordNext(stScriptCall& call) {
    char word[kScriptWordChars];
    GetScriptToken(call.rest, word);
    if (!word[0] || word[1]) return kScriptStop;
    return NextWithLetter(call, word[0]);
}

int16_t ScriptWordExitFor(stScriptCall& call) { return LeaveLoop(call); }

namespace {

const char* const kIfOperators[] = {"<>", ">=", "<=", ">", "<", "="};

// Splits an IF's text at its operator: the first of the list found anywhere wins.
struct IfParts {
    const char* p;      // the left side
    const char* at;     // the operator
    const char* right;  // the right side
    const char* end;    // the line's end
    int op;
};
bool SplitIf(const char* rest, IfParts* parts) {
    const char* p = rest;
    while (IsBlank(*p)) ++p;
    const char* end = p;
    while (!AtLineEnd(*end)) ++end;
    if (p == end) return false;
    std::string_view text(p, static_cast<size_t>(end - p));
    for (int op = 0; op < 6; ++op) {
        const size_t found = text.find(kIfOperators[op]);
        if (found == std::string_view::npos) continue;
        *parts = {p, p + found, p + found + std::strlen(kIfOperators[op]), end, op};
        return true;
    }
    return false;
}

bool IsStringIf(const char* p) { return IsAsciiLetter(p[0]) && (p[1] == '$' || p[1] == '@'); }

// A side of a test as EvaluateText reads it: cut at the word buffer's length.
std::string IfSide(const char* from, const char* to) {
    size_t n = static_cast<size_t>(to - from);
    if (n > kScriptWordChars - 1) n = kScriptWordChars - 1;
    return std::string(from, n);
}

bool TestNumbers(int op, double a, double b) {
    const bool results[] = {a != b, a >= b, a <= b, a > b, a < b, a == b};
    return results[op];
}

}  // namespace

// IF left op right: numbers, or a string variable against a string expression.
int16_t ScriptWordIf(stScriptCall& call) {
    IfParts parts;
    if (!SplitIf(call.rest, &parts)) return kScriptStop;
    const char* p = parts.p;
    const char* at = parts.at;
    const char* right = parts.right;
    const char* end = parts.end;
    const int op = parts.op;
    bool truth = false;
    if (IsStringIf(p)) {
        const char name[3] = {p[0], p[1], 0};
        int index = 0, macro = 0;
        if (!ParseScriptStringVariable(name, &index, &macro)) return kScriptStop;
        char other[kScriptWordChars];
        EvaluateScriptExpression(right, other);
        const bool same = lstrcmpiA(GetScriptStringVariable(index, macro), other) == 0;
        truth = (op == 0 && !same) || (op == 5 && same);
    } else {
        const double a = EvaluateText(p, at), b = EvaluateText(right, end);
        truth = TestNumbers(op, a, b);
    }
    if (ScriptFieldFailed()) return kScriptStop;
    if (truth) return kScriptGoOn;
    const char* stop = WalkBlock(LineStart(call.frame, *call.position), -1, true);
    if (!stop) return kScriptStop;
    *call.position = stop;
    return kScriptGoOn;
}

// ELSE reached from the true branch: on after the matching ENDIF.
int16_t ScriptWordElse(stScriptCall& call) {
    const char* from = NextLine(LineStart(call.frame, *call.position));
    const char* stop = from ? WalkBlock(from, 0, false) : nullptr;
    if (!stop) return kScriptStop;
    *call.position = stop;
    return kScriptGoOn;
}

int GotoScriptLabel(CScriptSubroutine* frame, const char* text, const char** position) {
    char word[kScriptWordChars];
    GetScriptToken(text, word);
    if (!word[0]) return 0;
    for (int i = 0; i < kScriptLabelSlots && frame->LabelName(i)[0]; ++i) {
        if (!ScriptWordIs(frame->LabelName(i), word)) continue;
        *position = frame->Text() + frame->LabelOffset(i);
        return 1;
    }
    return 0;
}

// GOTO is refused while a loop is open: its line would be left behind.
int16_t ScriptWordGoto(stScriptCall& call) {
    if (g_script.loopDepth > 0) return kScriptStop;
    return GotoScriptLabel(call.frame, call.rest, call.position) ? kScriptGoOn : kScriptStop;
}

// CALL name: the callee's result is the statement's, so a callee that stopped brings the error
// dialog up on the CALL line too, and its answer decides whether the caller goes on.
int16_t ScriptWordCall(stScriptCall& call) {
    char name[kScriptWordChars];
    EvaluateScriptExpression(call.rest, name);
    if (ScriptFieldFailed()) return kScriptStop;
    if (GetScriptNestingDepth() >= kScriptNestingLimit) {
        // Runaway recursion: said once, and the whole nest unwinds at once.
        ShowScriptNestingError(call.line);
        return kScriptHalted;
    }
    return RunScriptSubroutine(LoadedScript(), name, 0);
}

// WAIT n milliseconds, turning the message loop meanwhile so a recording and the window go on.
int16_t ScriptWordWait(stScriptCall& call) {
    double ms = 0.0;
    GetScriptNumber(call.rest, &ms);
    if (ScriptFieldFailed()) return kScriptStop;
    if (!(ms >= 1.0)) return kScriptGoOn;
    const ULONGLONG wait = ms > 86400000.0 ? 86400000ULL : static_cast<ULONGLONG>(ms);
    const ULONGLONG start = GetTickCount64();
    const uint32_t generation = g_script.generation;
    for (;;) {
        if (!RunScriptMessageTurn()) return kScriptHalted;
        if (g_script.generation != generation) return kScriptReplaced;
        const ULONGLONG passed = GetTickCount64() - start;
        if (passed >= wait) return kScriptGoOn;
        const ULONGLONG left = wait - passed;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 10 ? left : 10), QS_ALLINPUT);
    }
}

// RUNSCRIPT file, subroutine: loads another script in place of this one and runs it.
int16_t ScriptWordRunScript(stScriptCall& call) {
    char file[kScriptWordChars], name[kScriptWordChars];
    const char* p = call.rest;
    p += EvaluateScriptExpression(p, file);
    EvaluateScriptExpression(p, name);
    if (ScriptFieldFailed()) return kScriptStop;
    int stored = 0;
    if (!ReplaceLoadedScript(file, &stored) || !stored) return kScriptStop;
    const int16_t result = RunScriptSubroutine(LoadedScript(), name, 0);
    return (result == kScriptGoOn || result == kScriptReplaced) ? kScriptReplaced : kScriptStop;
}

// ---- Planned lines: the same statements without reading their words again ----

int PlanScriptIf(const CScriptSubroutine* frame, const char* lineStart, const char* rest, stIfPlan* plan) {
    IfParts parts;
    if (!SplitIf(rest, &parts) || IsStringIf(parts.p)) return 0;
    plan->op = parts.op;
    plan->left = IfSide(parts.p, parts.at);
    plan->right = IfSide(parts.right, parts.end);
    const char* stop = WalkBlock(LineStart(frame, lineStart), -1, true);
    plan->falseLine = stop ? stop - frame->Text() : -1;
    return 1;
}

int16_t RunPlannedIf(stScriptCall& call, stIfPlan& plan) {
    auto evaluate = [](const std::string& text, ExpressionKeep* keep) {
        int16_t errorPos = kExpressionAccepted;
        const double value = EvaluateKeptExpression(text.c_str(), keep, &errorPos);
        if (errorPos != kExpressionAccepted) SetScriptFieldFailed();
        return value;
    };
    const double a = evaluate(plan.left, &plan.leftKeep);
    const double b = evaluate(plan.right, &plan.rightKeep);
    if (ScriptFieldFailed()) return kScriptStop;
    if (TestNumbers(plan.op, a, b)) return kScriptGoOn;
    if (plan.falseLine < 0) return kScriptStop;
    *call.position = call.frame->Text() + plan.falseLine;
    return kScriptGoOn;
}

int16_t RunPlannedFor(stScriptCall& call, char letter) {
    stScriptState::stLoop* loop = InnermostLoop();
    if (!loop || loop->letter != letter || !LoopBelongsTo(*loop, call.frame)) return ScriptWordFor(call);
    return TakeLoopTurn(call, *loop);
}

int16_t RunPlannedNext(stScriptCall& call, char letter) { return NextWithLetter(call, letter); }
