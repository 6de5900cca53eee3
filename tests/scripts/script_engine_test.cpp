// The lesson-script engine over real script files: loading, running, the statements it owns,
// the error dialog (answered by the engine's hook), replacing a script while it runs, the field
// readers and the variable files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scripts/engine/script_engine.h"
#include "scripts/engine/script_control.h"
#include "base/app.h"
#include "base/notify.h"
#include "tests/scripts/script_file.h"

namespace {

// The error dialog as the user meets it: every message is kept, the answers come from a list
// (Continue = 1, No = 0); when the list runs out the answer is No.
struct ErrorDialogs {
    static std::vector<std::string> shown;
    static std::vector<int16_t> answers;
    static int16_t Answer(const char* message) {
        shown.emplace_back(message);
        if (answers.empty()) return 0;
        const int16_t a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};
std::vector<std::string> ErrorDialogs::shown;
std::vector<int16_t> ErrorDialogs::answers;

// Turns of the message loop that statements asked for; a test may act inside one.
struct LoopTurns {
    static int count;
    static void (*action)();
    static int Turn() {
        ++count;
        if (action) {
            void (*once)() = action;
            action = nullptr;
            once();
        }
        return 1;
    }
};
int LoopTurns::count = 0;
void (*LoopTurns::action)() = nullptr;

class ScriptEngine : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_scriptHostCalls;
        g_scriptHostCalls.runMessageTurn = LoopTurns::Turn;
        g_scriptHostCalls.getScriptNumericVariable = GetScriptNumericVariable;  // as the program fills it
        LoopTurns::count = 0;
        LoopTurns::action = nullptr;
        ErrorDialogs::shown.clear();
        ErrorDialogs::answers.clear();
        SetScriptErrorHook(ErrorDialogs::Answer);
        for (int i = 0; i < 26; ++i) {
            g_script.variables[i] = 0.0;
            g_script.macroVariables[i] = 0.0;
            g_script.strings[i][0] = 0;
            g_script.macroStrings[i][0] = 0;
        }
        g_script.loopDepth = 0;
        g_script.statementsSinceTurn = 0;
        SplitScriptIntoSubroutines(LoadedScript(), nullptr);
    }
    void TearDown() override {
        SplitScriptIntoSubroutines(LoadedScript(), nullptr);
        SetScriptErrorHook(nullptr);
        g_scriptHostCalls = saved_;
    }
    // Loads a script file and runs one of its subroutines.
    static int16_t Run(const ScriptFile& file, const char* name = "Main") {
        int stored = 0;
        EXPECT_EQ(ReplaceLoadedScript(file.Path(), &stored), 1);
        EXPECT_EQ(stored, 1);
        return RunScriptSubroutine(LoadedScript(), name, 0);
    }
    static double Var(char letter) { return g_script.variables[letter - 'A']; }
    static std::string Str(char letter) { return g_script.strings[letter - 'A']; }
    stScriptHostCalls saved_;
};

// ---- Loading ----

TEST(ScriptList, CursorWalksInsertsRemovesAndReorders) {
    struct Item : CListItem {
        int* deleted;
        explicit Item(int* d) : deleted(d) {}
        ~Item() override { ++*deleted; }
    };
    int deleted = 0;
    CCursorList list;
    Item* a = new Item(&deleted);
    list.InsertAfterCursor(a);
    EXPECT_EQ(list.MoveFirst(), a);
    EXPECT_EQ(list.MoveLast(), a) << "one item is head and tail";
    Item* b = new Item(&deleted);
    Item* c = new Item(&deleted);
    list.InsertAfterCursor(b);
    list.InsertAfterCursor(c);  // a b c
    EXPECT_EQ(list.MoveNext(), nullptr) << "past the tail the cursor is null";
    EXPECT_EQ(list.MoveNext(), nullptr);
    EXPECT_EQ(list.ItemAt(1), b);
    EXPECT_EQ(list.Current(), nullptr) << "ItemAt leaves the cursor where it was";
    list.MoveTo(2);
    list.MoveCurrentTo(0);  // c a b
    EXPECT_EQ(list.MoveFirst(), c);
    EXPECT_EQ(list.MoveLast(), b);
    list.MoveFirst();
    list.RemoveCurrent();  // a b
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(list.Current(), nullptr) << "removing the head leaves no cursor";
    EXPECT_EQ(list.MoveFirst(), a);
    list.MoveLast();
    list.InsertBeforeCursor(c = new Item(&deleted));  // a c b
    EXPECT_EQ(list.IndexOfCurrent(), 1);
    EXPECT_EQ(list.Count(), 3);
    list.RemoveAll();
    EXPECT_EQ(deleted, 4);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.MoveFirst(), nullptr);
}

TEST_F(ScriptEngine, SplittingKeepsWholeSubroutinesInFileOrder) {
    struct Case {
        const char* text;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"; comment first\nheader only\n", {}},
        {"header\nFirst\nA = 1\nEND\nBroken\nA = 2\n", {"First"}},  // no END at the end
        {"header\n\n; between\nOne\nend\n\nTwo\nENDIF\nEnd\n", {"One", "Two"}},
        {"header\nSame\nA = 1\nEND\nSame\nA = 2\nEND\n", {"Same", "Same"}},
        {"header\nAVeryLongSubroutineNameIndeed\nEND\n", {"AVeryLongSubroutin"}},
    };
    for (const Case& c : cases) {
        ScriptFile file(c.text);
        char* text = nullptr;
        ASSERT_EQ(LoadScriptFile(&text, file.Path()), 1);
        EXPECT_EQ(std::strchr(text, '\n'), nullptr) << "line feeds are dropped";
        EXPECT_EQ(SplitScriptIntoSubroutines(LoadedScript(), text), c.names.empty() ? 0 : 1) << c.text;
        std::vector<std::string> names;
        for (CListItem* i = LoadedScript()->MoveFirst(); i; i = LoadedScript()->MoveNext())
            names.push_back(static_cast<CScriptSubroutine*>(i)->Name());
        if (!c.names.empty() && c.names.back() == "AVeryLongSubroutin") {
            ASSERT_EQ(names.size(), 1u);
            EXPECT_EQ(names[0], "AVeryLongSubroutine") << "names keep 19 characters";
        } else {
            EXPECT_EQ(names, c.names) << c.text;
        }
        std::free(text);
    }
}

TEST_F(ScriptEngine, OpeningAScriptRunsOnOpenFileOnlyWhenThereIsOne) {
    ScriptFile withOpen("header\nOnOpenFile\nA = 7\nEND\n");
    EXPECT_EQ(OpenScript(withOpen.Path()), 1);
    EXPECT_EQ(Var('A'), 7);
    ScriptFile headerOnly("only a header line\n; and a comment\n");
    g_script.variables[0] = 0;
    EXPECT_EQ(OpenScript(headerOnly.Path()), 1) << "nothing to run is no failure";
    EXPECT_EQ(LoadedScript()->Count(), 0);
    EXPECT_EQ(OpenScript("no such file.scr"), 0);
    EXPECT_STREQ(LastOpenedScriptPath(), "no such file.scr");
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Anything", 0), kScriptGoOn) << "no script: every run is done";
}

// ---- Scripts run through the engine: what they leave in the variables ----

struct RunCase {
    const char* what;
    const char* body;  // the lines of "Main" (other subroutines may follow its END)
    int16_t result;
    std::vector<std::pair<char, double>> numbers;
    std::vector<std::pair<char, const char*>> strings;
    int dialogs;  // error dialogs shown (each answered No unless the case says otherwise)
    std::vector<int16_t> answers;
};

const RunCase kRunCases[] = {
    {"arithmetic and precedence", "A = 2\nB = A*3+1\nC = (B-1)/4^0.5\n", 1, {{'A', 2}, {'B', 7}, {'C', 3}}, {}, 0, {}},
    {"no blank after the equals sign stores 0", "A = 5\nA =7\n", 1, {{'A', 0}}, {}, 0, {}},
    {"a# and A# are one variable", "a# = 3\nB = A#*2\n", 1, {{'B', 6}}, {}, 0, {}},
    {"locals belong to their subroutine",
     "a = 5\nCALL \"Other\"\nC = a\nEND\nOther\na = 7\nB = a\n", 1, {{'B', 7}, {'C', 5}}, {}, 0, {}},
    {"string plus string, a second plus ignored", "A$ = \"abc\" + \"def\"\nB$ = \"a\" + \"b\" + \"c\"\n", 1, {},
     {{'A', "abcdef"}, {'B', "ab"}}, 0, {}},
    {"string functions nest",
     "C$ = \"xyz\"\nA$ = MID$(\"abcdef\",2,4)\nB$ = LEFT$(C$,2)\nD$ = RIGHT$(C$,1)\nE$ = mid$(LEFT$(\"abcdef\",5),4,9)\n"
     "F$ = STR$(3.14159,2)\nG$ = STR$(2,0)\n",
     1, {}, {{'A', "bcd"}, {'B', "xy"}, {'D', "z"}, {'E', "de"}, {'F', "3.14"}, {'G', "2"}}, 0, {}},
    {"STR$ rounds at its decimals, halves away from zero",
     "A$ = STR$(2.5,0)\nB$ = STR$(3.14159,3)\nC$ = STR$(-2.5,0)\nD$ = STR$(0.125,2)\nE$ = STR$(-1.005,2)\n"
     "F$ = STR$(2.675,2)\nG$ = STR$(1E10,2)\nH$ = STR$(-3E9,1)\nI$ = STR$(7,3)\n",
     1, {}, {{'A', "3"}, {'B', "3.142"}, {'C', "-3"}, {'D', "0.13"}, {'E', "-1.01"}, {'F', "2.68"},
             {'G', "1.00E+10"}, {'H', "-3.00E+09"}, {'I', "7.000"}}, 0, {}},
    {"STR$ gives the decimals asked, a negative number none",
     "A$ = STR$(1/3,15)\nB$ = STR$(2/3,16)\nC$ = STR$(2.5,-3)\nD$ = STR$(1.25,-0.5)\n", 1, {},
     {{'A', "0.333333333333333"}, {'B', "0.6666666666666666"}, {'C', "3"}, {'D', "1"}}, 0, {}},
    {"FOR 1 TO 3 runs three times and leaves 4", "FOR i = 1 TO 3\nN = N + 1\nNEXT i\nI = i\n", 1, {{'N', 3}, {'I', 4}}, {}, 0, {}},
    {"FOR 5 TO 1 runs once and leaves 6", "FOR i = 5 TO 1\nN = N + 1\nNEXT i\nI = i\n", 1, {{'N', 1}, {'I', 6}}, {}, 0, {}},
    {"FOR with a negative STEP", "FOR i = 3 TO 1 STEP -1\nS = S + i\nNEXT i\nI = i\n", 1, {{'S', 6}, {'I', 0}}, {}, 0, {}},
    {"STEP 0 turns until ExitFor",
     "FOR i = 5 TO 1 STEP 0\nN = N + 1\nIF N = 4\nExitFor\nENDIF\nNEXT i\nD = 1\n", 1, {{'N', 4}, {'D', 1}}, {}, 0, {}},
    {"nested loops", "FOR i = 1 TO 3\nFOR j = 1 TO 4\nN = N + 1\nNEXT j\nNEXT i\n", 1, {{'N', 12}}, {}, 0, {}},
    // A FOR of the open loop's own letter is that loop's next turn: no second loop stays open
    // to refuse the GOTO after it.
    {"a FOR of the loop's letter inside it is the loop's next turn",
     "FOR i = 1 TO 3\nFOR i = 10 TO 20\nQ = Q + 1\nNEXT i\nI = i\nGOTO Done\nA = 1\nDone:\n", 1,
     {{'Q', 1}, {'I', 4}, {'A', 0}}, {}, 0, {}},
    {"a loop ends past the first NEXT of its letter after its FOR line",
     "FOR i = 1 TO 3\nIF 0 = 1\nNEXT i\nENDIF\nN = N + 1\nNEXT i\nA = 1\n", 0, {{'N', 4}, {'A', 0}}, {}, 1, {}},
    {"the inner FOR of the letter ends the loop at the first NEXT after it",
     "FOR K = 1 TO 5\nN = N + 1\nFOR K = 7 TO 9 STEP 2\nM = M + 1\nNEXT K\nGOTO Done\nA = 1\nDone:\n", 1,
     {{'N', 3}, {'M', 2}, {'K', 6}, {'A', 0}}, {}, 0, {}},
    {"a loop on the first line of a subroutine",
     "CALL \"Loop\"\nEND\nLoop\nFOR K = 1 TO 3\nN = N + K\nNEXT K\n", 1, {{'N', 6}, {'K', 4}}, {}, 0, {}},
    {"false IF with nested blocks goes to its own ELSE",
     "IF 1 > 2\nIF 1 = 1\nA = 1\nENDIF\nA = 2\nELSE\nB = 3\nENDIF\nC = 4\n", 1, {{'A', 0}, {'B', 3}, {'C', 4}}, {}, 0, {}},
    {"true IF skips its ELSE part",
     "IF 2 >= 2\nA = 1\nELSE\nIF 1 = 1\nB = 1\nENDIF\nB = 2\nENDIF\nC = 4\n", 1, {{'A', 1}, {'B', 0}, {'C', 4}}, {}, 0, {}},
    {"operators in their order", "IF 1 <> 2\nA = 1\nENDIF\nIF 2 <= 1\nB = 1\nENDIF\nIF 3 < 4\nC = 1\nENDIF\n", 1,
     {{'A', 1}, {'B', 0}, {'C', 1}}, {}, 0, {}},
    {"strings compare ignoring case; > is never true",
     "A$ = \"Frog\"\nIF A$ = \"FROG\"\nB = 1\nENDIF\nIF A$ > \"a\"\nC = 1\nENDIF\nIF A$ <> \"toad\"\nD = 1\nENDIF\n", 1,
     {{'B', 1}, {'C', 0}, {'D', 1}}, {}, 0, {}},
    {"GOTO a label; the label line does nothing", "GOTO Skip\nA = 1\nSkip:\nB = 2\n", 1, {{'A', 0}, {'B', 2}}, {}, 0, {}},
    {"CALL of a missing subroutine ends the caller quietly", "CALL \"Nowhere\"\nA = 1\n", 4, {{'A', 0}}, {}, 0, {}},
    {"HALT stops the run", "A = 1\nHALT\nA = 2\n", 2, {{'A', 1}}, {}, 0, {}},
    {"HALT in a callee ends the caller too", "CALL \"Stop\"\nA = 1\nEND\nStop\nHALT\n", 2, {{'A', 0}}, {}, 0, {}},
    {"an unknown word: Continue goes on", "FROG 1 2\nA = 1\n", 1, {{'A', 1}}, {}, 1, {1}},
    {"an unknown word: No stops", "FROG 1 2\nA = 1\n", 0, {{'A', 0}}, {}, 1, {0}},
    {"a word without its label colon is unknown", "Skip:\nSkip\nA = 1\n", 0, {{'A', 0}}, {}, 1, {}},
    {"an expression error fails the assignment", "A = 5\nA = 1 +* 2\nB = 1\n", 1, {{'A', 5}, {'B', 1}}, {}, 1, {1}},
    {"an expression error fails IF", "IF 1 +* 2 = 3\nA = 1\nENDIF\n", 0, {{'A', 0}}, {}, 1, {}},
    {"an expression error fails FOR", "FOR i = 1 TO 2 +*\nA = 1\nNEXT i\n", 0, {{'A', 0}}, {}, 1, {}},
    {"an unterminated literal does not take the next line", "A$ = \"abc\nB = 5\n", 1, {{'B', 5}}, {{'A', ""}}, 1, {1}},
    {"GOTO inside a loop fails", "FOR i = 1 TO 2\nGOTO Out\nNEXT i\nOut:\n", 0, {}, {}, 1, {}},
    {"NEXT without FOR fails", "NEXT i\n", 0, {}, {}, 1, {}},
    {"IF without ENDIF fails", "IF 1 = 2\nA = 1\n", 0, {{'A', 0}}, {}, 1, {}},
    {"a bad string variable fails", "a$ = \"x\"\n", 0, {}, {}, 1, {}},
    {"an overlong number field fails rather than being cut",
     "A = 1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1"
     "+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1"
     "+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1\n",
     0, {{'A', 0}}, {}, 1, {}},
    {"a long subroutine name finds its record",
     "CALL \"AVeryLongSubroutineNameIndeed\"\nEND\nAVeryLongSubroutineNameIndeed\nA = 1\n", 1, {{'A', 1}}, {}, 0, {}},
    {"BREAK asks; Continue goes on", "BREAK\nA = 1\n", 1, {{'A', 1}}, {}, 1, {1}},
    {"a stop inside a callee asks again on the CALL line", "CALL \"Bad\"\nA = 1\nEND\nBad\nFROG\n", 0, {{'A', 0}}, {},
     2, {0, 0}},
    {"Continue on the CALL line after a callee's stop goes on", "CALL \"Bad\"\nA = 1\nEND\nBad\nFROG\nB = 1\n", 1,
     {{'A', 1}, {'B', 0}}, {}, 2, {0, 1}},
    {"a callee's Continue answers only its own line", "CALL \"Bad\"\nA = 1\nEND\nBad\nFROG\nB = 1\n", 1,
     {{'A', 1}, {'B', 1}}, {}, 1, {1}},
    {"a ninth nested loop fails",
     "FOR a = 1 TO 1\nFOR b = 1 TO 1\nFOR c = 1 TO 1\nFOR d = 1 TO 1\nFOR e = 1 TO 1\nFOR f = 1 TO 1\n"
     "FOR g = 1 TO 1\nFOR h = 1 TO 1\nFOR k = 1 TO 1\n",
     0, {}, {}, 1, {}},
};

TEST_F(ScriptEngine, ScriptsLeaveTheirVariables) {
    for (const RunCase& c : kRunCases) {
        SetUp();
        ErrorDialogs::answers = c.answers;
        ScriptFile file(std::string("test script\nMain\n") + c.body + "END\n");
        EXPECT_EQ(Run(file), c.result) << c.what;
        for (const auto& [letter, value] : c.numbers) EXPECT_EQ(Var(letter), value) << c.what << ": " << letter;
        for (const auto& [letter, text] : c.strings) EXPECT_EQ(Str(letter), text) << c.what << ": " << letter << "$";
        EXPECT_EQ(static_cast<int>(ErrorDialogs::shown.size()), c.dialogs)
            << c.what << (ErrorDialogs::shown.empty() ? "" : ": " + ErrorDialogs::shown[0]);
        EXPECT_EQ(g_script.nestingDepth, 0) << c.what << ": every run unwound";
    }
}

// A loop's lines are read once and then run from what that reading found: every later turn must
// still do exactly what reading the line again would.
TEST_F(ScriptEngine, LoopLinesRunAlikeOnEveryTurn) {
    // A line whose value is no number on some turns only: ACOS of 2 and 3 is 0, not an error.
    ScriptFile noNumber("t\nMain\nFOR i = 1 TO 5\nA = ACOS(i - 2)\nS = S + A\nN = N + 1\nNEXT i\nEND\n");
    EXPECT_EQ(Run(noNumber), kScriptGoOn);
    EXPECT_TRUE(ErrorDialogs::shown.empty()) << ErrorDialogs::shown.front();
    EXPECT_EQ(Var('A'), 0.0);
    EXPECT_DOUBLE_EQ(Var('S'), std::acos(-1.0) + std::acos(0.0)) << "the turns before gave their values";
    EXPECT_EQ(Var('N'), 5.0);

    // An IF that is true on some turns and false on others, with its ELSE.
    SetUp();
    ScriptFile branches("t\nMain\nFOR i = 1 TO 6\nIF i > 3\nA = A + 1\nELSE\nB = B + 1\nENDIF\nNEXT i\nEND\n");
    EXPECT_EQ(Run(branches), kScriptGoOn);
    EXPECT_EQ(Var('A'), 3.0);
    EXPECT_EQ(Var('B'), 3.0);
    // The same record run again: the lines are known now, the results must not change.
    g_script.variables['A' - 'A'] = g_script.variables['B' - 'A'] = 0.0;
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Main", 0), kScriptGoOn);
    EXPECT_EQ(Var('A'), 3.0);
    EXPECT_EQ(Var('B'), 3.0);

    // More distinct lines than the compiled-expression cache holds: each turn evicts what the
    // lines kept, and every line must still evaluate its own text.
    SetUp();
    std::string body = "t\nMain\nFOR i = 1 TO 3\n";
    for (int k = 1; k <= 100; ++k) body += "A = A + " + std::to_string(k) + "\n";
    body += "NEXT i\nEND\n";
    ScriptFile many(body);
    EXPECT_EQ(Run(many), kScriptGoOn);
    EXPECT_EQ(Var('A'), 3.0 * 5050.0);
    EXPECT_TRUE(ErrorDialogs::shown.empty());

    // An IF whose test is no number on later turns compares 0 there.
    SetUp();
    ScriptFile compares("t\nMain\nFOR i = 1 TO 5\nIF ACOS(i - 2) > 0\nN = N + 1\nENDIF\nNEXT i\nEND\n");
    EXPECT_EQ(Run(compares), kScriptGoOn);
    EXPECT_EQ(Var('N'), 2.0);
    EXPECT_TRUE(ErrorDialogs::shown.empty());

    // A line that stops the run on a later turn only: the subroutine its name names goes missing.
    SetUp();
    ScriptFile stops("t\nMain\nB$ = \"There\"\nFOR i = 1 TO 5\nIF i = 4\nB$ = \"Nowhere\"\nENDIF\nCALL B$\n"
                     "NEXT i\nEND\nThere\nN = N + 1\nEND\n");
    EXPECT_EQ(Run(stops), kScriptNotFound);
    EXPECT_EQ(Var('N'), 3.0);
    EXPECT_TRUE(ErrorDialogs::shown.empty());
    EXPECT_EQ(g_script.nestingDepth, 0);
}

// Malformed lines: each fails once (or is a documented quiet case), the answer Continue goes on
// with the next line, and no reader takes that line's fields as its own.
TEST_F(ScriptEngine, MalformedLinesFailOnceAndTheRunGoesOn) {
    struct Case {
        const char* line;
        int dialogs;
        int16_t result;  // 1: the run went on to the last line
    };
    const Case cases[] = {
        {"FOR", 1, 1}, {"FOR i", 1, 1}, {"FOR i =", 1, 1}, {"FOR i = 1", 1, 1}, {"FOR i = 1 TO", 1, 1},
        {"FOR i = 1 TO 2 STEP", 1, 1}, {"FOR ii = 1 TO 2", 1, 1}, {"FOR i = 1 UNTIL 2", 1, 1}, {"NEXT", 1, 1},
        {"ExitFor", 1, 1}, {"ELSE", 1, 1}, {"ENDIF", 0, 1}, {"IF", 1, 1}, {"IF =", 1, 1}, {"IF A$", 1, 1},
        {"IF A$ = \"x", 1, 1}, {"GOTO", 1, 1}, {"GOTO nowhere", 1, 1}, {"RUNSCRIPT", 1, 1},
        {"RUNSCRIPT \"no such file.scr\", \"Main\"", 1, 1}, {"WAIT x+", 1, 1}, {"A =", 0, 1},
        {"A$ =", 1, 1}, {"A$ = +", 1, 1}, {"A$ = \"x\" +", 0, 1}, {"B$ = STR$(", 1, 1},
        {"B$ = MID$(\"abc\")", 0, 1}, {"A = 1,,,2", 0, 1}, {"1 = 2", 1, 1}, {"A# = ", 0, 1},
        {"CALL", 0, kScriptNotFound}, {"LOADAVARS", 0, kScriptStop}, {"HALT 3", 0, kScriptHalted},
    };
    for (const Case& c : cases) {
        SetUp();
        ErrorDialogs::answers = {1, 1, 1};
        ScriptFile file(std::string("t\nMain\n") + c.line + "\nZ = 1\nEND\n");
        EXPECT_EQ(Run(file), c.result) << c.line;
        EXPECT_EQ(static_cast<int>(ErrorDialogs::shown.size()), c.dialogs) << c.line;
        EXPECT_EQ(Var('Z'), c.result == 1 ? 1 : 0) << c.line << ": the next line ran as its own";
        EXPECT_EQ(g_script.loopDepth, 0) << c.line;
        EXPECT_EQ(g_script.nestingDepth, 0) << c.line;
    }
}

// ---- The error dialog ----

TEST_F(ScriptEngine, TheErrorDialogNamesSubroutineLineAndWord) {
    struct Case {
        const char* body;
        const char* message;
    };
    const Case cases[] = {
        {"  FROG 1, 2 ; comment\n",
         "Script Error or Break Point\r\n\r\nSubroutine name: Main;\r\nLINE: FROG 1, 2 ; comment;\r\nWORD: FROG"},
        {"UNKNOWNWORDTHATISVERYLONGINDEED = 1 2 3 4 5 6 7 8\n",
         "Script Error or Break Point\r\n\r\nSubroutine name: Main;\r\nLINE: UNKNOWNWORDTHATISVERYLONGINDEE;\r\n"
         "WORD: UNKNOWNWORDTHATISVER"},
        {"CALL \"Inner\"\nEND\nInner\nBREAK\n",
         "Script Error or Break Point\r\n\r\nSubroutine name: Inner;\r\nLINE: BREAK;\r\nWORD: BREAK"},
    };
    for (const Case& c : cases) {
        SetUp();
        ErrorDialogs::answers = {1};
        ScriptFile file(std::string("test script\nMain\n") + c.body + "END\n");
        Run(file);
        ASSERT_EQ(ErrorDialogs::shown.size(), 1u) << c.body;
        EXPECT_EQ(ErrorDialogs::shown[0], c.message);
    }
    // A callee stopped with No: the caller's CALL line is reported in its turn.
    SetUp();
    ScriptFile file("test script\nMain\n  CALL \"Inner\"\nEND\nInner\nBREAK\nEND\n");
    EXPECT_EQ(Run(file), kScriptStop);
    ASSERT_EQ(ErrorDialogs::shown.size(), 2u);
    EXPECT_EQ(ErrorDialogs::shown[1],
              "Script Error or Break Point\r\n\r\nSubroutine name: Main;\r\nLINE: CALL \"Inner\";\r\nWORD: CALL");
}

// Runaway recursion ends in one message on the CALL line that went too deep, saying so; the
// program and its stack live on, and whatever the answer, every level unwinds at once.
// A process whose stack overflows may end under Wine with exit code 0, which would pass for a
// test that passed: the cases run in a copy of this program, which must end with its own code.
constexpr char kRecursionChild[] = "KYMORA_SCRIPT_RECURSION_CHILD";
constexpr DWORD kRecursionChildDone = 77;

TEST_F(ScriptEngine, DeepRecursionFailsItsCallInsteadOfOverflowingTheStack) {
    if (!std::getenv(kRecursionChild)) {
        char exe[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, exe, sizeof exe);
        const ::testing::TestInfo* self = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string command =
            std::string("\"") + exe + "\" --gtest_filter=" + self->test_suite_name() + "." + self->name();
        SetEnvironmentVariableA(kRecursionChild, "1");
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const BOOL started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableA(kRecursionChild, nullptr);
        ASSERT_TRUE(started);
        DWORD code = 0;
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 100000), WAIT_OBJECT_0);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(code, kRecursionChildDone) << "the copy running the lessons did not live to its end";
        return;
    }
    struct Case {
        const char* what;
        const char* subs;  // after Main, which calls "Rec" and then sets A
        const char* deepLine;
    };
    const Case cases[] = {
        {"1,500 self-calls", "Rec\nN = N + 1\nIF N < 1500\nCALL \"Rec\"\nENDIF\nEND\n", "CALL \"Rec\""},
        {"unbounded self-calls", "Rec\nN = N + 1\nCALL \"Rec\"\nEND\n", "CALL \"Rec\""},
        {"two subroutines calling each other",
         "Rec\nN = N + 1\nCALL \"Other\"\nEND\nOther\nCALL \"Rec\"\nEND\n", ""},
        {"two self-calls a level", "Rec\nN = N + 1\nCALL \"Rec\"\nCALL \"Rec\"\nEND\n", "CALL \"Rec\""},
    };
    for (const Case& c : cases) {
        for (int16_t answer : {0, 1}) {
            SCOPED_TRACE(std::string(c.what) + (answer ? ", Continue" : ", No"));
            SetUp();
            ErrorDialogs::answers = {answer};
            ScriptFile file(std::string("t\nMain\nCALL \"Rec\"\nA = 1\nEND\n") + c.subs);
            EXPECT_EQ(Run(file), kScriptHalted);
            ASSERT_EQ(ErrorDialogs::shown.size(), 1u);
            EXPECT_EQ(ErrorDialogs::shown[0].rfind("Script Error: the subroutines call one another too deeply (200 levels)", 0),
                      0u) << ErrorDialogs::shown[0];
            EXPECT_NE(ErrorDialogs::shown[0].find(std::string("LINE: ") + c.deepLine), std::string::npos)
                << ErrorDialogs::shown[0];
            EXPECT_NE(ErrorDialogs::shown[0].find("WORD: CALL"), std::string::npos) << ErrorDialogs::shown[0];
            EXPECT_GT(Var('N'), 50) << "ordinary nesting is not refused";
            EXPECT_LT(Var('N'), 1500);
            EXPECT_EQ(Var('A'), 0) << "the lesson ended";
            EXPECT_EQ(g_script.nestingDepth, 0);
            EXPECT_EQ(GetScriptNestingDepth(), 0);
        }
    }
    std::fflush(stdout);
    ExitProcess(::testing::Test::HasFailure() ? 1 : kRecursionChildDone);
}

// ---- The editor's single steps ----

TEST_F(ScriptEngine, SteppingGoesIntoACallAndBackToTheCaller) {
    ScriptFile file("t\nMain\nA = 1\nCALL \"Sub\"\nA = 3\nEND\nSub\nB = 2\nEND\n");
    int stored = 0;
    ASSERT_EQ(ReplaceLoadedScript(file.Path(), &stored), 1);
    struct Step {
        const char* in;
        int into;
        const char* next;  // the subroutine stepping goes on in
        double a, b;
    };
    const Step steps[] = {
        {"Main", 1, "Main", 1, 0}, {"Main", 1, "Sub", 1, 0},  {"Sub", 1, "Sub", 1, 2},
        {"Sub", 1, "Main", 1, 2},  {"Main", 1, "Main", 3, 2}, {"Main", 1, "Main", 3, 2},
        {"Main", 1, "Main", 1, 2},  // from the top again
    };
    for (const Step& st : steps) {
        char next[kScriptNameChars];
        lstrcpynA(next, st.in, sizeof next);
        EXPECT_EQ(StepScriptSubroutine(LoadedScript(), st.into, st.in, next), kScriptGoOn);
        EXPECT_STREQ(next, st.next);
        EXPECT_EQ(Var('A'), st.a) << st.in << " then " << next;
        EXPECT_EQ(Var('B'), st.b);
    }
    char next[kScriptNameChars] = "";
    EXPECT_EQ(StepScriptSubroutine(LoadedScript(), 0, "Nowhere", next), kScriptNotFound);
    EXPECT_EQ(g_script.nestingDepth, 0);
}

// Stepping a loop shows each of its turns on the FOR line, as a run takes them.
TEST_F(ScriptEngine, SteppingALoopStopsOnItsForLineAtEveryTurn) {
    ScriptFile file("t\nMain\nFOR I = 1 TO 2\nA = A + 1\nNEXT I\nB = 1\nEND\n");
    int stored = 0;
    ASSERT_EQ(ReplaceLoadedScript(file.Path(), &stored), 1);
    // After each step: I, A, B.
    const double after[][3] = {{1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 0}, {2, 2, 0}, {3, 2, 0}, {3, 2, 1}};
    for (const auto& want : after) {
        char next[kScriptNameChars] = "Main";
        EXPECT_EQ(StepScriptSubroutine(LoadedScript(), 0, "Main", next), kScriptGoOn);
        EXPECT_EQ(Var('I'), want[0]);
        EXPECT_EQ(Var('A'), want[1]);
        EXPECT_EQ(Var('B'), want[2]);
    }
    EXPECT_EQ(g_script.loopDepth, 0);
}

// ---- The run loop turns the message loop ----

TEST_F(ScriptEngine, ALongLoopTurnsTheMessageLoopAsItGoes) {
    ScriptFile file("test\nMain\nFOR i = 1 TO 1000\nA = A + 1\nNEXT i\nEND\n");
    EXPECT_EQ(Run(file), 1);
    EXPECT_EQ(Var('A'), 1000);
    // Some 3000 statements: the loop turned at least once per 256 of them.
    EXPECT_GE(LoopTurns::count, 3000 / 256);
}

// An event's few lines, run at every idle step of a recording, never add up to a turn of the
// loop that runs them: the idle step would be entered again from inside itself.
TEST_F(ScriptEngine, ShortEventRunsDoNotTurnTheLoopHoweverOftenTheyRun) {
    ScriptFile file("test\nMain\nEND\nOnIdleAcquisition\nN = N + 1\nA = N * 2\nIF A > 10\nB = 1\nENDIF\nEND\n");
    Run(file);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(RunScriptSubroutine(LoadedScript(), "OnIdleAcquisition", 0), kScriptGoOn);
    EXPECT_EQ(Var('N'), 1000);
    EXPECT_EQ(LoopTurns::count, 0);
}

TEST_F(ScriptEngine, WaitTurnsTheMessageLoopAndZeroDoesNot) {
    ScriptFile zero("test\nMain\nWAIT 0\nA = 1\nEND\n");
    EXPECT_EQ(Run(zero), 1);
    EXPECT_EQ(LoopTurns::count, 0);
    ScriptFile some("test\nMain\nWAIT 1\nA = 1\nEND\n");
    EXPECT_EQ(Run(some), 1);
    EXPECT_GE(LoopTurns::count, 1);
    EXPECT_EQ(Var('A'), 1);
}

TEST_F(ScriptEngine, AQuitMessageDuringWaitStopsTheRun) {
    g_scriptHostCalls.runMessageTurn = [] { return 0; };
    ScriptFile file("test\nMain\nWAIT 100\nA = 1\nEND\n");
    EXPECT_EQ(Run(file), kScriptHalted);
    EXPECT_EQ(Var('A'), 0);
}

// ---- Replacing the script while it runs ----

const char* g_nextScript = nullptr;

TEST_F(ScriptEngine, RunScriptInACalleeEndsCalleeAndCaller) {
    ScriptFile next("next\nStart\nB = 2\nEND\n");
    const std::string text = std::string("first\nMain\nCALL \"Callee\"\nA = 99\nEND\nCallee\nRUNSCRIPT \"") +
                             next.Path() + "\", \"Start\"\nC = 99\nEND\n";
    ScriptFile first(text);
    EXPECT_EQ(Run(first), kScriptReplaced);
    EXPECT_EQ(Var('B'), 2) << "the new script ran";
    EXPECT_EQ(Var('A'), 0) << "the caller ended";
    EXPECT_EQ(Var('C'), 0) << "the callee ended";
    EXPECT_TRUE(FindScriptSubroutine(LoadedScript(), "Start"));
    EXPECT_FALSE(FindScriptSubroutine(LoadedScript(), "Main"));
    EXPECT_EQ(static_cast<CCursorList*>(g_script.retired)->Count(), 0) << "the old records went with their runs";
}

TEST_F(ScriptEngine, ALessonOpenedDuringWaitUnwindsTheOldRun) {
    // The Lessons menu, or an idle event, opens another lesson while this one waits.
    ScriptFile next("next\nOnOpenFile\nB = 2\nEND\n");
    g_nextScript = next.Path();
    LoopTurns::action = [] { EXPECT_EQ(OpenScript(g_nextScript), 1); };
    ScriptFile first("first\nMain\nWAIT 1\nA = 99\nEND\n");
    EXPECT_EQ(Run(first), kScriptReplaced);
    EXPECT_EQ(Var('B'), 2);
    EXPECT_EQ(Var('A'), 0) << "no line of the replaced script ran after the load";
    EXPECT_EQ(static_cast<CCursorList*>(g_script.retired)->Count(), 0);
}

TEST_F(ScriptEngine, AnEventThatReloadsTheSameScriptDuringALoopUnwindsIt) {
    // An event subroutine of the running script replaces it with a fresh copy of itself; the
    // loop of the old copy neither goes on nor jumps into the new text.
    static std::string self;
    ScriptFile file("self\nMain\nFOR i = 1 TO 600\nA = A + 1\nNEXT i\nEND\nOnIdle\nRUNSCRIPT \"" +
                    std::string("SELF") + "\", \"Fresh\"\nEND\nFresh\nB = B + 1\nEND\n");
    // The file names itself: write it again with its own path in place of SELF.
    {
        std::string text = "self\nMain\nFOR i = 1 TO 600\nA = A + 1\nNEXT i\nEND\nOnIdle\nRUNSCRIPT \"" +
                           std::string(file.Path()) + "\", \"Fresh\"\nEND\nFresh\nB = B + 1\nEND\n";
        std::string crlf;
        for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        FILE* f = std::fopen(file.Path(), "wb");
        std::fwrite(crlf.data(), 1, crlf.size(), f);
        std::fclose(f);
    }
    LoopTurns::action = [] { EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "OnIdle", 0), kScriptReplaced); };
    EXPECT_EQ(Run(file), kScriptReplaced);
    EXPECT_EQ(Var('B'), 1);
    EXPECT_GT(Var('A'), 0);
    EXPECT_LT(Var('A'), 600) << "the old loop stopped at the reload";
    // The loop the old copy left open belongs to the retired text: NEXT in the new copy refuses it.
    ASSERT_EQ(g_script.loopDepth, 1);
    ScriptFile stray("stray\nMain\nNEXT i\nEND\n");
    EXPECT_EQ(Run(stray), 0);
    EXPECT_EQ(ErrorDialogs::shown.size(), 1u);
    EXPECT_EQ(static_cast<CCursorList*>(g_script.retired)->Count(), 0);
}

// ---- Field readers ----

TEST_F(ScriptEngine, ReadersStopAtTheLineEnd) {
    struct NumberCase {
        const char* text;
        int32_t used;
        double value;
        bool failed;
    };
    const NumberCase numbers[] = {
        {"5\r7,8\r", 1, 5, false},       // no comma: the CR is not counted
        {" 2*3, 4\r", 5, 6, false},      // the comma is
        {"\r9\r", 0, 0, false},          // an empty field is the end of the line
        {"1 +* 2\r3\r", 6, 0, true},     // a refused expression marks the statement
        {"4 ; note\r", 2, 4, false},     // ";" ends the field
    };
    for (const NumberCase& c : numbers) {
        g_script.fieldFailed = 0;
        double v = -1;
        EXPECT_EQ(GetScriptNumber(c.text, &v), c.used) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
        EXPECT_EQ(ScriptFieldFailed() != 0, c.failed) << c.text;
    }
    struct TextCase {
        const char* text;
        int32_t used;
        const char* out;
        bool failed;
    };
    const TextCase texts[] = {
        {"\"abc\" rest\r", 5, "abc", false},
        {"\"abc\rnext\"\r", 4, "", true},  // the literal does not run into the next line
        {"LEFT$(\"abc\r\",1)\r", 10, "", true},
        {"  , Q$\r", 6, "", false},
        {"#$\r", 2, "", true},
        {"plain\r", 0, "", false},
    };
    for (const TextCase& c : texts) {
        g_script.fieldFailed = 0;
        char out[kScriptWordChars] = "?";
        EXPECT_EQ(EvaluateScriptExpression(c.text, out), c.used) << c.text;
        EXPECT_STREQ(out, c.out) << c.text;
        EXPECT_EQ(ScriptFieldFailed() != 0, c.failed) << c.text;
    }
    char word[kScriptWordChars];
    EXPECT_EQ(GetScriptToken(" ,=5 x\r", word), 4);
    EXPECT_STREQ(word, "=5");
    EXPECT_EQ(GetScriptToken("A=5\r", word), 1);
    EXPECT_STREQ(word, "A");
    EXPECT_EQ(GetScriptToken("\rnext\r", word), 0);
    EXPECT_STREQ(word, "");
    EXPECT_EQ(GetScriptToken(" ; x\r", word), 0);
    EXPECT_STREQ(word, ";");
    g_script.fieldFailed = 0;
}

// ---- Variable files ----

TEST_F(ScriptEngine, VariableFilesRoundTripEveryValueExactly) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string folder = dir;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    stApp app{};
    lstrcpynA(app.szAppFolder, folder.c_str(), sizeof app.szAppFolder);
    stApp* savedApp = g_app;
    g_app = &app;
    const double numbers[] = {1.0 / 3.0, -123456789.123456789, 1e-300, 6.02214076e23, 0.1, -0.0, 42};
    const char* strings[] = {"plain", "with \"quotes\" inside", "semi;colon", "", "a = \"b\""};
    for (int i = 0; i < 26; ++i) {
        g_script.variables[i] = numbers[i % 7] * (i + 1);
        g_script.macroVariables[i] = numbers[(i + 3) % 7] / (i + 1);
        lstrcpynA(g_script.strings[i], strings[i % 5], 256);
        lstrcpynA(g_script.macroStrings[i], strings[(i + 2) % 5], 256);
    }
    stScriptState before = g_script;
    const std::string name = "kyvars_" + std::to_string(GetCurrentProcessId());
    const std::string lname = name + "_l.txt";  // beside the test: a drive colon would become a dash
    ScriptFile save("save\nMain\nSAVEAVARS \"" + name + ":a.txt\", R\nSAVELVARS \"" + lname + "\", Q\nEND\n");
    EXPECT_EQ(Run(save), 1);
    const double savedR = g_script.variables['R' - 'A'], savedQ = g_script.variables['Q' - 'A'];
    EXPECT_EQ(savedR, 1);
    EXPECT_EQ(savedQ, 1);
    for (int i = 0; i < 26; ++i) {
        g_script.variables[i] = g_script.macroVariables[i] = 0;
        g_script.strings[i][0] = g_script.macroStrings[i][0] = 0;
    }
    ScriptFile load("load\nMain\nLOADAVARS \"" + name + ":a.txt\", a\nLOADLVARS \"" + lname + "\", b\nX = a\nY = b\nEND\n");
    EXPECT_EQ(Run(load), 1);
    EXPECT_EQ(Var('X'), 1);
    EXPECT_EQ(Var('Y'), 1);
    for (int i = 0; i < 26; ++i) {
        const char letter = static_cast<char>('A' + i);
        if (letter != 'X' && letter != 'Y') {
            EXPECT_EQ(std::memcmp(&g_script.variables[i], &before.variables[i], sizeof(double)), 0)
                << letter << ": " << g_script.variables[i] << " vs " << before.variables[i];
        }
        EXPECT_EQ(std::memcmp(&g_script.macroVariables[i], &before.macroVariables[i], sizeof(double)), 0) << letter;
        EXPECT_STREQ(g_script.strings[i], before.strings[i]) << letter;
        EXPECT_STREQ(g_script.macroStrings[i], before.macroStrings[i]) << letter;
    }
    EXPECT_NE(GetFileAttributesA((folder + "\\" + name + "-a.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a colon in the name becomes a dash";
    DeleteFileA((folder + "\\" + name + "-a.txt").c_str());
    DeleteFileA(lname.c_str());
    g_app = savedApp;
}

// Each number is written as the shortest text that reads back to the same double.
TEST_F(ScriptEngine, VariableFilesWriteTheShortestExactNumbers) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.181, "0.181"}, {0.1, "0.1"}, {1.0 / 3.0, "0.3333333333333333"}, {42, "42"}, {-2.5, "-2.5"},
        {0.0, "0"}, {-0.0, "-0"}, {1e-300, "1E-300"}, {6.02214076e23, "6.02214076E+23"}, {123456.789, "123456.789"},
        {0.1 + 0.2, "0.30000000000000004"}, {1e21, "1E+21"}, {-123456789.123456789, "-123456789.12345679"},
    };
    constexpr int kCases = static_cast<int>(sizeof cases / sizeof cases[0]);
    for (int i = 0; i < 26; ++i) g_script.macroVariables[i] = i < kCases ? cases[i].value : 0.0;
    const std::string name = "kyvars_short_" + std::to_string(GetCurrentProcessId()) + ".txt";
    ScriptFile save("save\nMain\nSAVELVARS \"" + name + "\"\nEND\n");
    EXPECT_EQ(Run(save), 1);
    std::string text;
    if (FILE* f = std::fopen(name.c_str(), "rb")) {
        char buffer[4096];
        text.assign(buffer, std::fread(buffer, 1, sizeof buffer, f));
        std::fclose(f);
    }
    DeleteFileA(name.c_str());
    for (int i = 0; i < 26; ++i) {
        const char letter = static_cast<char>('A' + i);
        const std::string line = std::string(1, letter) + "# = " + (i < kCases ? cases[i].text : "0") + "\r";
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
}

// The general format's own text wherever it reads back exactly; otherwise the fewest
// significant digits that do, in the same style.
TEST(VariableFileNumbers, TheGeneralFormatWhereItReadsBackElseTheFewestExactDigits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {100, "100"}, {5050, "5050"}, {250, "250"}, {200000, "200000"}, {5000050000.0, "5.00005E+09"},
        {2.123456789, "2.123456789"}, {0.1, "0.1"}, {1.0 / 3.0, "0.3333333333333333"}, {-2.5, "-2.5"},
        {1e21, "1E+21"}, {1234567, "1234567"}, {0.0001, "0.0001"}, {0.00001, "1E-05"}, {-0.0, "-0"},
        {HUGE_VAL, "INF"}, {-HUGE_VAL, "-INF"}, {std::nan(""), "NAN"},
    };
    for (const auto& c : cases) {
        char text[40];
        FormatVariableFileNumber(text, sizeof text, c.value);
        EXPECT_STREQ(text, c.text) << c.value;
        double back = 0.0;
        EXPECT_TRUE(ReadVariableNumber(text, &back)) << text;
        if (std::isnan(c.value))
            EXPECT_TRUE(std::isnan(back)) << text;
        else
            EXPECT_EQ(std::memcmp(&back, &c.value, sizeof back), 0) << text;
    }
    // A line cut before its value holds no number at all, rather than 0.
    for (const char* none : {"", " \t", "-", "+", "x1"}) {
        double back = 0.0;
        EXPECT_FALSE(ReadVariableNumber(none, &back)) << "'" << none << "'";
    }
}

// What SAVELVARS writes for the values that are no finite number, LOADLVARS reads back.
TEST_F(ScriptEngine, VariableFilesReadBackInfinityAndNotANumber) {
    const double values[] = {HUGE_VAL, -HUGE_VAL, std::nan(""), 1.5};
    for (int i = 0; i < 4; ++i) g_script.macroVariables[i] = values[i];
    const std::string name = "kyvars_inf_" + std::to_string(GetCurrentProcessId()) + ".txt";
    ScriptFile save("save\nMain\nSAVELVARS \"" + name + "\", R\nEND\n");
    EXPECT_EQ(Run(save), 1);
    EXPECT_EQ(Var('R'), 1);
    for (int i = 0; i < 4; ++i) g_script.macroVariables[i] = 0.0;
    ScriptFile load("load\nMain\nLOADLVARS \"" + name + "\", R\nEND\n");
    EXPECT_EQ(Run(load), 1);
    DeleteFileA(name.c_str());
    EXPECT_EQ(Var('R'), 1);
    EXPECT_EQ(g_script.macroVariables[0], HUGE_VAL);
    EXPECT_EQ(g_script.macroVariables[1], -HUGE_VAL);
    EXPECT_TRUE(std::isnan(g_script.macroVariables[2])) << g_script.macroVariables[2];
    EXPECT_EQ(g_script.macroVariables[3], 1.5);
}

TEST_F(ScriptEngine, VariableFileFailuresReportThemselves) {
    ScriptFile missing("t\nMain\nLOADLVARS \"no such folder\\none.txt\", R\nA = 1\nEND\n");
    EXPECT_EQ(Run(missing), 1);
    EXPECT_EQ(Var('R'), 3) << "an unreadable file answers 3";
    EXPECT_EQ(Var('A'), 1);
    ScriptFile empty("t\nMain\nSAVELVARS \"\"\nA = 2\nEND\n");
    g_script.variables[0] = 0;
    EXPECT_EQ(Run(empty), 0) << "an empty name stops the run";
    EXPECT_EQ(Var('A'), 0);
    EXPECT_TRUE(ErrorDialogs::shown.empty()) << "without the error dialog";
}

}  // namespace
