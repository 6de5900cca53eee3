// What the first reading of a line found, kept with its subroutine so that a loop's later turns
// run the line without reading its words again. A subroutine's text never changes while the
// record lives, so a line's plan stays true; lines that are rare or unusual keep being read.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "scripts/engine/script_engine.h"
#include "transforms/expression/expression_compiled.h"

// An IF over two numbers: the texts on both sides of its operator, and where a false test goes.
struct stIfPlan {
    int op = 0;               // the operator's place in "<>", ">=", "<=", ">", "<", "="
    std::string left, right;  // each cut as the reading cuts it
    ExpressionKeep leftKeep, rightKeep;
    int64_t falseLine = -1;   // offset of the ELSE or ENDIF line; -1: none before END
};

struct stLinePlan {
    enum Kind : uint8_t {
        kRead,          // read the line every time
        kComment,       // ";": nothing to do
        kAssignNumber,  // letter = number field
        kWord,          // a word of the first rows, its handler known
        kFor,           // FOR letter ...
        kNext,          // NEXT letter
        kIf,            // IF over numbers
    };
    uint32_t offset = 0;  // the line's position in the subroutine's text
    Kind kind = kRead;
    char letter = 0;             // kFor, kNext
    char name[3] = {0, 0, 0};    // kAssignNumber: the variable as written
    uint32_t lineOffset = 0;     // the statement's first word
    uint32_t restOffset = 0;     // the text after the word
    ScriptWordHandler handler = nullptr;
    std::string field;           // kAssignNumber: the number field; empty assigns 0
    ExpressionKeep keep;
    stIfPlan test;
};

// The plans of one subroutine, in text order.
class CScriptPlans {
public:
    stLinePlan* Find(uint32_t offset);
    stLinePlan* Add(std::unique_ptr<stLinePlan> plan);

private:
    std::vector<std::unique_ptr<stLinePlan>> m_plans;  // each plan stays where it is
    size_t m_hint = 0;                                 // the last one found: most runs go on to the next
};

// Builds the IF plan from the text after the word; 0 when the line is to be read as it is.
int PlanScriptIf(const CScriptSubroutine* frame, const char* lineStart, const char* rest, stIfPlan* plan);
int16_t RunPlannedIf(stScriptCall& call, stIfPlan& plan);
// A FOR line's later turns without reading it; its first pass goes to the word's handler.
int16_t RunPlannedFor(stScriptCall& call, char letter);
// NEXT of a one-letter name without reading it.
int16_t RunPlannedNext(stScriptCall& call, char letter);
// What a number field of a statement reads from: the graph and its sample index.
void SetScriptExpressionContext();
