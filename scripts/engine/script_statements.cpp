// The statement executor: the first word of a line picks an assignment or a word's handler, in
// the lesson language's fixed order. A failing statement shows the error dialog once.
#include "scripts/engine/script_engine.h"
#include "scripts/engine/script_control.h"
#include "scripts/engine/script_plans.h"
#include "scripts/words/word_table.h"
#include <cstring>

namespace {

using WordRow = stWordRow<ScriptWordHandler>;

// The handlers of words whose check belongs to the executor.
int16_t WordJournal(stScriptCall& call) { return g_script.graph ? ScriptWordJournal(call) : int16_t{kScriptGoOn}; }

// Rows 1 to 18, which come before the graph words.
const WordRow kFirstWords[] = {
    {"FileDialogPrompt", ScriptWordFileDialogPrompt},
    {"FileCopy", ScriptWordFileCopy},
    {"SplitPath", ScriptWordSplitPath},
    {"GetCurrentDirectory", ScriptWordGetCurrentDirectory},
    {"BREAK", ScriptWordBreak},
    {"FOR", ScriptWordFor},
    {"NEXT", ScriptWordNext},
    {"ExitFor", ScriptWordExitFor},
    {"IF", ScriptWordIf},
    {"ELSE", ScriptWordElse},
    {"ENDIF", ScriptWordEndIf},
    {"LNX2W", ScriptWordLnx2w},
    {"PlayBack", ScriptWordPlayBack},
    {"VK40", ScriptWordVk40},
    {"SET", ScriptWordSet},
    {"GET", ScriptWordGet},
    {"GOTO", ScriptWordGoto},
    {"SERIALPORT", ScriptWordSerialPort},
};

// Rows 20 to 60, after the graph words had their turn.
const WordRow kLaterWords[] = {
    {"CALL", ScriptWordCall},
    {"SELECT", ScriptWordSelect},
    {"EDIT", ScriptWordEdit},
    {"WAIT", ScriptWordWait},
    {"RUNSCRIPT", ScriptWordRunScript},
    {"HALT", ScriptWordHalt},
    {"BEEP", ScriptWordBeep},
    {"JOURNAL", WordJournal},
    {"ENABLE", ScriptWordEnable},
    {"DISABLE", ScriptWordDisable},
    {"SHOW", ScriptWordShow},
    {"HIDE", ScriptWordHide},
    {"REMOVEMENU", ScriptWordRemoveMenu},
    {"CHANGEPOPUPMENU", ScriptWordChangePopupMenu},
    {"CHANGEMENU", ScriptWordChangeMenu},
    {"GETVID", ScriptWordGetVid},
    {"GETPID", ScriptWordGetPid},
    {"GETDID", ScriptWordGetDid},
    {"SetLessonTitle", ScriptWordSetLessonTitle},
    {"CLOSEALLGRAPHS", ScriptWordCloseAllGraphs},
    {"PROMPT", ScriptWordPrompt},
    {"GETNUMBER", ScriptWordGetNumber},
    {"GETSTRING", ScriptWordGetString},
    {"GETSTRINGLENGTH", ScriptWordGetStringLength},
    {"GETFREEMEMORY", ScriptWordGetFreeMemory},
    {"GETFREEDISK", ScriptWordGetFreeDisk},
    {"GETPREFSTRING", ScriptWordGetPrefString},
    {"GETPREFNUMBER", ScriptWordGetPrefNumber},
    {"CHOOSELESSON", ScriptWordChooseLesson},
    {"APPEXIT", ScriptWordAppExit},
    {"CHOOSEITEM", ScriptWordChooseItem},
    {"NEW", ScriptWordNew},
    {"OPEN", ScriptWordOpen},
    {"OPENMOD", ScriptWordOpenMod},
    {"CHECKFILE", ScriptWordCheckFile},
    {"DELETE", ScriptWordDelete},
    {"NEWFOLDER", ScriptWordNewFolder},
    {"LOADAVARS", ScriptWordLoadAVars},
    {"LOADLVARS", ScriptWordLoadLVars},
    {"SAVEAVARS", ScriptWordSaveAVars},
    {"SAVELVARS", ScriptWordSaveLVars},
};

// The handler of the first row naming the word; null when no row does.
template <size_t N>
ScriptWordHandler HandlerOf(const WordRow (&rows)[N], const char* word) {
    const WordRow* row = FindWordRow(rows, word);
    return row ? row->run : nullptr;
}

// NAME = value: a number field, or a string expression with at most one "+" and a second one.
int16_t ExecAssignment(stScriptCall& call, const char* name) {
    char equals[kScriptWordChars];
    const char* p = call.rest;
    p += GetScriptToken(p, equals);
    if (equals[0] != '=') return kScriptStop;
    if (name[1] == '$' || name[1] == '@') {
        int index = 0, macro = 0;
        if (!ParseScriptStringVariable(name, &index, &macro)) return kScriptStop;
        char value[kScriptWordChars], more[kScriptWordChars];
        ClearScriptTextCut();
        const int32_t used = EvaluateScriptExpression(p, value);
        if (used == 0) return kScriptStop;
        p += used;
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == '+' && EvaluateScriptExpression(p + 1, more)) {
            size_t n = std::strlen(value), m = std::strlen(more);
            if (n + m > kScriptStringChars) {
                m = kScriptStringChars - n;
                SetScriptTextCut();
            }
            std::memcpy(value + n, more, m);
            value[n + m] = 0;
        }
        if (ScriptFieldFailed()) return kScriptStop;
        AssignScriptStringVariable(index, value, macro);
        // The value is not the text the script gave: a name made of it would be another name.
        if (ScriptTextCut()) MarkScriptStringVariableCut(index, macro);
        return kScriptGoOn;
    }
    if (!IsNumericVariableName(name)) return kScriptStop;
    double value = 0.0;
    GetScriptNumber(p, &value);
    if (ScriptFieldFailed()) return kScriptStop;
    AssignScriptNumericVariable(call.frame, name, value);
    return kScriptGoOn;
}

// A handler's result as the statement's: a failure (or a malformed field the handler read past)
// goes to the error dialog, whose answer becomes the result.
int16_t Settle(const stScriptCall& call, const char* word, int16_t result) {
    if (result == kScriptStopWithoutDialog) return kScriptStop;
    if (result == kScriptGoOn && ScriptFieldFailed()) result = kScriptStop;
    if (result != kScriptStop) return result;
    return ShowScriptError(call.line, word);
}

// ---- Plans: a line's reading done once ----

// What the line at `line` is, as far as its later runs can skip reading it. Anything unusual is
// left to the reading, so a plan never changes what a line does.
std::unique_ptr<stLinePlan> MakePlan(CScriptSubroutine* frame, const char* line) {
    auto plan = std::make_unique<stLinePlan>();
    plan->offset = static_cast<uint32_t>(line - frame->Text());
    char word[kScriptWordChars];
    const int32_t used = GetScriptToken(line, word);
    if (word[0] == ';') {
        plan->kind = stLinePlan::kComment;
        return plan;
    }
    const char* first = line;
    while (*first == ' ' || *first == '\t' || *first == ',') ++first;
    plan->lineOffset = static_cast<uint32_t>(first - frame->Text());
    plan->restOffset = static_cast<uint32_t>(line + used - frame->Text());
    const char* rest = line + used;
    if (word[0] && (!word[1] || word[1] == '$' || word[1] == '@' || word[1] == '#')) {
        char equals[kScriptWordChars], field[kScriptWordChars];
        const char* p = rest;
        p += GetScriptToken(p, equals);
        if (!IsNumericVariableName(word) || equals[0] != '=') return plan;
        GetScriptField(p, field, ',');
        if (std::strlen(field) >= kScriptStringChars) return plan;  // the reading refuses it
        plan->kind = stLinePlan::kAssignNumber;
        std::memcpy(plan->name, word, std::strlen(word) + 1);
        plan->field = field;
        return plan;
    }
    const ScriptWordHandler handler = HandlerOf(kFirstWords, word);
    if (!handler) return plan;
    plan->handler = handler;
    plan->kind = stLinePlan::kWord;
    if (handler == ScriptWordFor) {
        char letter[kScriptWordChars];
        GetScriptToken(rest, letter);
        if (IsAsciiLetter(letter[0]) && !letter[1]) {
            plan->kind = stLinePlan::kFor;
            plan->letter = letter[0];
        }
    } else if (handler == ScriptWordNext) {
        char letter[kScriptWordChars];
        GetScriptToken(rest, letter);
        if (letter[0] && !letter[1]) {
            plan->kind = stLinePlan::kNext;
            plan->letter = letter[0];
        }
    } else if (handler == ScriptWordIf && PlanScriptIf(frame, line, rest, &plan->test)) {
        plan->kind = stLinePlan::kIf;
    }
    return plan;
}

stLinePlan* PlanOf(CScriptSubroutine* frame, const char* line) {
    const char* text = frame->Text();
    if (line < text || line >= text + frame->TextLength()) return nullptr;
    CScriptPlans* plans = frame->Plans();
    if (!plans) return nullptr;
    const uint32_t offset = static_cast<uint32_t>(line - text);
    if (stLinePlan* plan = plans->Find(offset)) return plan;
    return plans->Add(MakePlan(frame, line));
}

// A planned statement's failure goes to the error dialog with its word, read again only then.
int16_t SettlePlanned(const stScriptCall& call, int16_t result) {
    if (result == kScriptGoOn && !ScriptFieldFailed()) return result;
    char word[kScriptWordChars];
    GetScriptToken(call.line, word);
    return Settle(call, word, result);
}

// The planned line's statement; kRead lines return false and are read.
bool RunPlan(stLinePlan& plan, CScriptSubroutine* frame, const char** position, int16_t* result) {
    const char* text = frame->Text();
    stScriptCall call{frame, position, text + plan.lineOffset, text + plan.restOffset};
    switch (plan.kind) {
    case stLinePlan::kRead: return false;
    case stLinePlan::kComment: *result = kScriptGoOn; return true;
    case stLinePlan::kAssignNumber: {
        double value = 0.0;
        SetScriptExpressionContext();
        if (!plan.field.empty()) {
            int16_t errorPos = kExpressionAccepted;
            const double read = EvaluateKeptExpression(plan.field.c_str(), &plan.keep, &errorPos);
            if (errorPos != kExpressionAccepted) {
                SetScriptFieldFailed();
                *result = SettlePlanned(call, kScriptStop);
                return true;
            }
            value = read;
        }
        AssignScriptNumericVariable(frame, plan.name, value);
        *result = kScriptGoOn;
        return true;
    }
    case stLinePlan::kWord: *result = SettlePlanned(call, plan.handler(call)); return true;
    case stLinePlan::kFor: *result = SettlePlanned(call, RunPlannedFor(call, plan.letter)); return true;
    case stLinePlan::kNext: *result = SettlePlanned(call, RunPlannedNext(call, plan.letter)); return true;
    case stLinePlan::kIf: *result = SettlePlanned(call, RunPlannedIf(call, plan.test)); return true;
    }
    return false;
}

int16_t ExecuteLine(CScriptSubroutine* frame, const char** position) {
    if (frame) {
        int16_t result = kScriptStop;
        if (stLinePlan* plan = PlanOf(frame, *position))
            if (RunPlan(*plan, frame, position, &result)) return result;
    }
    char word[kScriptWordChars];
    const char* line = *position;
    const int32_t used = GetScriptToken(line, word);
    if (word[0] == ';') return kScriptGoOn;
    while (*line == ' ' || *line == '\t' || *line == ',') ++line;
    stScriptCall call{frame, position, line, *position + used};
    if (word[0] && (!word[1] || word[1] == '$' || word[1] == '@' || word[1] == '#'))
        return Settle(call, word, ExecAssignment(call, word));
    if (ScriptWordHandler handler = HandlerOf(kFirstWords, word)) return Settle(call, word, handler(call));
    if (word[0]) {
        HWND focus = GetFocus();
        int handled = 0;
        const int16_t result = ExecGraphStatement(call, word, &handled);
        if (handled) {
            if (focus && IsWindow(focus)) SetFocus(focus);
            return Settle(call, word, result);
        }
    }
    if (ScriptWordHandler handler = HandlerOf(kLaterWords, word)) return Settle(call, word, handler(call));
    const size_t n = std::strlen(word);
    if (n == 0 || word[n - 1] == ':') return kScriptGoOn;  // an empty line or a label
    return Settle(call, word, kScriptStop);
}

}  // namespace

// Runs the statement at *position. The reader failure mark belongs to this statement: a nested
// run (CALL, an event) does not leave its own behind.
int16_t ExecScriptStatement(CScriptSubroutine* frame, const char** position) {
    const uint16_t outer = g_script.fieldFailed;
    g_script.fieldFailed = 0;
    const int16_t result = ExecuteLine(frame, position);
    g_script.fieldFailed = outer;
    return result;
}
