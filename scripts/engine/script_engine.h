// The lesson-script engine as the words, dialogs and editor of the lesson language see it: result
// codes, how a word's handler is called, the field readers, the variables, the running script.
// All of the interpreter's state lives in g_script (base/lesson.h), the loaded script's list too.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "scripts/script_api.h"
#include "scripts/engine/script_list.h"
#include "transforms/expression/expression.h"

struct tagGS;

// Result codes of statements and runs. A run goes on only on kScriptGoOn; any other code ends it
// and becomes its result, so kScriptReplaced passes up through every level of CALL.
enum ScriptResult : int16_t {
    kScriptEntryFailed = -1,     // GETSTRING's dialog did not open
    kScriptStop = 0,             // stop the run; from a handler: the statement failed (error dialog)
    kScriptGoOn = 1,             // done, go on with the next line; a run reached END
    kScriptHalted = 2,           // HALT
    kScriptLessonCancelled = 3,  // CHOOSELESSON cancelled
    kScriptNotFound = 4,         // no such subroutine
    kScriptReplaced = 5,         // the script was replaced: every run of the old one unwinds
    // From a handler only: stop the run with kScriptStop without the error dialog (a variable
    // file word with an empty name, CHECKFILE without its result variable, and the like).
    kScriptStopWithoutDialog = -32768,
};

constexpr int kScriptWordChars = 256;    // word, field and string buffers, terminator included
constexpr int kScriptStringChars = 255;  // longest string value
constexpr int kScriptLoopSlots = 8;      // nested FOR loops
// Subroutine runs in progress at once (CALL, events, the editor's steps). Each costs the main
// thread's stack some kilobytes; past this a CALL fails instead of overflowing it.
constexpr int16_t kScriptNestingLimit = 200;

// What a word's handler gets. A handler returns kScriptGoOn when done and kScriptStop when the
// statement failed: the engine then shows the error dialog on the line, whose answer becomes the
// result. Other codes pass on unchanged. Handlers read their fields from `rest` with the readers
// below, adding each count to their own read position; a reader never goes past the line's CR.
struct stScriptCall {
    CScriptSubroutine* frame;  // the running subroutine: its locals, labels and text
    const char** position;     // the position holder: the start of the current line. A word
                               // that moves the run sets it; the run goes on with the line
                               // after the one it names
    const char* line;          // the statement's line, from its first word
    const char* rest;          // the rest of the line after the word
};
using ScriptWordHandler = int16_t (*)(stScriptCall& call);

// Keywords compare ignoring case, in ASCII: cheaper than the locale's comparison, which the
// run loop would otherwise pay on every line.
inline bool ScriptWordIs(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
        if (!x) return true;
    }
}

// ---- Loading and running (script_engine.cpp) ----
// The loaded script: the list of CScriptSubroutine records, from start to exit (g_script.script).
CCursorList* LoadedScript();
// Reads a script file into *text (heap, line feeds dropped, 0-terminated), freeing what was there.
// A zero byte ends the text; *zeroByteLine receives its line (from 1) when anything but padding
// (zero bytes, line ends, blanks, tabs) followed it, else 0.
int LoadScriptFile(char** text, const char* path, uint32_t* zeroByteLine = nullptr);
// Builds the script's subroutines from a text; 1 when at least one was stored. *unendedName
// (kScriptNameChars) receives the name of a subroutine left out because the text ended before
// its END, else "".
int SplitScriptIntoSubroutines(CCursorList* script, const char* text, char* unendedName = nullptr);
CScriptSubroutine* FindScriptSubroutine(CCursorList* script, const char* name);
// Loads a script file in place of the loaded one (the old records are retired, not freed, while
// runs of them are in progress; those runs then end with kScriptReplaced). 1 when loaded and
// split, 0 when the file cannot be read; *stored receives whether any subroutine was found. A
// zero byte that cut the script short is told to the user in a message box.
int ReplaceLoadedScript(const char* path, int* stored);
int16_t StepScriptSubroutine(void* script, int stepIntoCalls, const char* name, char* outName);
// The toolbar and its standard buttons are shown again and marked shown (the row of lesson
// buttons starts after them).
void ShowAllToolbarButtons();
// The error and break point dialog: 1 when the user chose Continue, else 0.
int16_t ShowScriptError(const char* firstText, const char* secondText);
// The same dialog under a title that says what went wrong, in place of "Script Error or Break
// Point".
int16_t ShowScriptErrorTitled(const char* title, const char* firstText, const char* secondText);
// Subroutines nested past kScriptNestingLimit: the message that says so, with one answer; the
// CALL then ends every run of the nest.
void ShowScriptNestingError(const char* line);
// Test seam: tests answer the error dialog here; the hook gets the composed message and returns
// the dialog's answer (1 Continue, 0 stop). Null restores the dialog.
using ScriptErrorHook = int16_t (*)(const char* message);
// Test seam: only tests call it.
void SetScriptErrorHook(ScriptErrorHook hook);
// Turns the program's message loop once (messages, then the idle step) for long statements such
// as WAIT. 0 when the program is closing (the quit message was seen and is kept for the loop).
int RunScriptMessageTurn();

// ---- Statements (script_statements.cpp) ----
int16_t ExecScriptStatement(CScriptSubroutine* frame, const char** position);

// ---- Field readers (script_fields.cpp) ----
// GetScriptToken, GetScriptNumber and EvaluateScriptExpression are in scripts/script_api.h.
int32_t GetScriptField(const char* pos, char* out256, char delimiter);
// A reader met a malformed field (an expression error, an unterminated literal, a bad variable)
// in the statement being run. The engine fails such a statement even when its handler went on;
// a handler may also ask, to stop before acting on a bad value.
int ScriptFieldFailed();
void SetScriptFieldFailed();
// A text the readers gave was cut to the longest string (a longer literal, a string variable
// whose value was cut, a joined text): a name read so is not the one the script meant.
// Cleared before the reading it is asked about.
int ScriptTextCut();
void SetScriptTextCut();
void ClearScriptTextCut();
// Steps past the rest of the line: the position of its CR (or terminator).
const char* ScriptLineEnd(const char* pos);
// A count or position a lesson gave: truncated toward zero and held inside the 32-bit range, so
// that a count past the range stays the largest and one below it the smallest (NaN counts 0).
int32_t ScriptWholeNumber(double value);

// ---- Variables (script_variables.cpp) ----
// A numeric variable's name: a letter, optionally followed by "#".
inline bool IsNumericVariableName(const char* name) {
    return IsAsciiLetter(name[0]) && (!name[1] || (name[1] == '#' && !name[2]));
}
// A string variable's text: index 0..25 (A..Z), macro 1 for A@..Z@, 0 for A$..Z$.
const char* GetScriptStringVariable(int index, int macro);
// Whether the variable's value was cut when it was given (a text longer than a string holds).
bool IsScriptStringVariableCut(int index, int macro);
// The value just given to the variable came from a text that was cut.
void MarkScriptStringVariableCut(int index, int macro);
// Parses a string variable's name ("A$", "Q@"); 1 with *index and *macro set, 0 otherwise.
int ParseScriptStringVariable(const char* name, int* index, int* macro);
// GetScriptNumericVariable, AssignScriptNumericVariable and AssignScriptStringVariable are in
// scripts/script_api.h; a statement that names a result variable assigns it with its call frame.

// ---- Variable files (script_varfiles.cpp) ----
// Writes and reads the application (A..Z, A$..Z$) or macro (A#..Z#, A@..Z@) tables as text.
int SaveScriptVariables(const char* path, int macro);
// The first damaged line a load met: cut short (no CR after it), or without its value.
struct stVariableFileDamage {
    int line = 0;       // counted from 1; 0 when the file had none
    char text[41] = "";  // what the line holds, control characters shown as "?"
};
// 0 when the file cannot be read or holds a damaged line (whose variable keeps its value; the
// other lines are read), and for the application table when it lacks any of its 52 lines.
int LoadScriptVariables(const char* path, int macro, stVariableFileDamage* damage = nullptr);
// A number's text in a variable file: the general format ("%G") where that reads back exactly,
// else the fewest significant digits (7 to 17) that do, in the same style; "INF", "-INF" and
// "NAN" for the values that are no finite number.
void FormatVariableFileNumber(char* out, size_t size, double value);
// A number of a variable file's line, the general format's texts of infinity and NaN included;
// false when the text holds no number (leading blanks and tabs are skipped).
bool ReadVariableNumber(const char* text, double* out);

// ---- The words of the other parts of the lesson language (scripts/words/) ----
// The words the engine's dispatch hands on; each is a ScriptWordHandler.
int16_t ScriptWordFileDialogPrompt(stScriptCall& call);
int16_t ScriptWordFileCopy(stScriptCall& call);
int16_t ScriptWordSplitPath(stScriptCall& call);
int16_t ScriptWordGetCurrentDirectory(stScriptCall& call);
int16_t ScriptWordLnx2w(stScriptCall& call);
int16_t ScriptWordPlayBack(stScriptCall& call);
int16_t ScriptWordVk40(stScriptCall& call);
int16_t ScriptWordSet(stScriptCall& call);
int16_t ScriptWordGet(stScriptCall& call);
int16_t ScriptWordSerialPort(stScriptCall& call);
int16_t ScriptWordSelect(stScriptCall& call);
int16_t ScriptWordEdit(stScriptCall& call);
int16_t ScriptWordBeep(stScriptCall& call);
int16_t ScriptWordJournal(stScriptCall& call);
int16_t ScriptWordEnable(stScriptCall& call);
int16_t ScriptWordDisable(stScriptCall& call);
int16_t ScriptWordShow(stScriptCall& call);
int16_t ScriptWordHide(stScriptCall& call);
int16_t ScriptWordRemoveMenu(stScriptCall& call);
int16_t ScriptWordChangePopupMenu(stScriptCall& call);
int16_t ScriptWordChangeMenu(stScriptCall& call);
int16_t ScriptWordGetVid(stScriptCall& call);
int16_t ScriptWordGetPid(stScriptCall& call);
int16_t ScriptWordGetDid(stScriptCall& call);
int16_t ScriptWordSetLessonTitle(stScriptCall& call);
int16_t ScriptWordCloseAllGraphs(stScriptCall& call);
int16_t ScriptWordPrompt(stScriptCall& call);
int16_t ScriptWordGetNumber(stScriptCall& call);
int16_t ScriptWordGetString(stScriptCall& call);
int16_t ScriptWordGetStringLength(stScriptCall& call);
int16_t ScriptWordGetFreeMemory(stScriptCall& call);
int16_t ScriptWordGetFreeDisk(stScriptCall& call);
int16_t ScriptWordGetPrefString(stScriptCall& call);
int16_t ScriptWordGetPrefNumber(stScriptCall& call);
int16_t ScriptWordChooseLesson(stScriptCall& call);
int16_t ScriptWordAppExit(stScriptCall& call);
int16_t ScriptWordChooseItem(stScriptCall& call);
int16_t ScriptWordNew(stScriptCall& call);
int16_t ScriptWordOpen(stScriptCall& call);
int16_t ScriptWordOpenMod(stScriptCall& call);
int16_t ScriptWordCheckFile(stScriptCall& call);
int16_t ScriptWordDelete(stScriptCall& call);
int16_t ScriptWordNewFolder(stScriptCall& call);
// The second executor (graph, marker, display and analysis words): *handled is 1 when it knew
// the word, and the result is then the statement's.
int16_t ExecGraphStatement(stScriptCall& call, const char* word, int* handled);

// ---- What the engine asks of the script dialogs and the variables browser ----
// The prompt dialog (136) over the frame: the pressed button's id (1..3), -1 when closed.
int ShowScriptPrompt(const char* message, const char* button1, const char* button2, const char* button3);
// The variables browser's copy of a variable (category names as the engine passes them below).
int SetVariableText(const char* category, const char* name, const char* text);
int SetVariableNumber(const char* category, const char* name, double value, int digits);
extern const char* const kVarCategoryApplication;  // "A...Z   - Application Global Variables"
extern const char* const kVarCategoryMacro;        // "A#...Z# or a#...z# - Macro Specific Global Variables"
extern const char* const kVarCategoryLocal;        // "a...z   - Local Variables"
extern const char* const kVarCategoryAppString;    // "var$(A$...Z$) - Application Global String Expressions"
extern const char* const kVarCategoryMacroString;  // "var@(A@...Z@) - Macro Specific String Expressions"
// Refills the browser's list from the tables (after a variable file is loaded).
void RefreshVariablesBrowser();
