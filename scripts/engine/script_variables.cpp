// The variable tables: locals in the running subroutine's record, the application and macro
// numbers and strings in the state record. Every assignment is shown in the variables browser.
#include "scripts/engine/script_engine.h"
#include <cstring>

const char* const kVarCategoryApplication = "A...Z   - Application Global Variables";
const char* const kVarCategoryMacro = "A#...Z# or a#...z# - Macro Specific Global Variables";
const char* const kVarCategoryLocal = "a...z   - Local Variables";
const char* const kVarCategoryAppString = "var$(A$...Z$) - Application Global String Expressions";
const char* const kVarCategoryMacroString = "var@(A@...Z@) - Macro Specific String Expressions";

namespace {
constexpr int kBrowserDigits = 5;

inline bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

void ShowNumber(const char* category, char letter, bool macro, double value) {
    char name[3] = {letter, static_cast<char>(macro ? '#' : 0), 0};
    SetVariableNumber(category, name, value, kBrowserDigits);
}
}  // namespace

// Capitals read the application table, small letters the frame's locals; with the macro flag
// either case reads the macro table. 0 for anything else, and for a local without a frame.
int GetScriptNumericVariable(void* frame, char letter, double* out, int macro) {
    *out = 0.0;
    if (macro) {
        if (!IsUpper(letter) && !IsLower(letter)) return 0;
        *out = g_script.macroVariables[(letter | 0x20) - 'a'];
        return 1;
    }
    if (IsUpper(letter)) {
        *out = g_script.variables[letter - 'A'];
        return 1;
    }
    if (IsLower(letter) && frame) {
        *out = static_cast<CScriptSubroutine*>(frame)->Local(letter - 'a');
        return 1;
    }
    return 0;
}

// A letter, optionally followed by "#"; anything else is refused.
void AssignScriptNumericVariable(void* frame, const char* name, double value) {
    if (!name) return;
    const char letter = name[0];
    const bool macro = name[1] == '#';
    if ((!IsUpper(letter) && !IsLower(letter)) || (name[1] && !(macro && !name[2]))) return;
    if (macro) {
        const int i = (letter | 0x20) - 'a';
        g_script.macroVariables[i] = value;
        ShowNumber(kVarCategoryMacro, static_cast<char>('A' + i), true, value);
    } else if (IsUpper(letter)) {
        g_script.variables[letter - 'A'] = value;
        g_script.variableSet[letter - 'A'] = true;
        ShowNumber(kVarCategoryApplication, letter, false, value);
    } else if (frame) {
        static_cast<CScriptSubroutine*>(frame)->SetLocal(letter - 'a', value);
        ShowNumber(kVarCategoryLocal, letter, false, value);
    }
}

// A$..Z$ (macro 0) or A@..Z@ (macro 1); the text is cut at 255 characters, and the variable
// remembers that it was.
void AssignScriptStringVariable(int index, const char* text, int macro) {
    if (index < 0 || index >= 26) return;
    char* slot = macro ? g_script.macroStrings[index] : g_script.strings[index];
    size_t n = text ? std::strlen(text) : 0;
    (macro ? g_script.macroStringCut : g_script.stringCut)[index] = n > kScriptStringChars;
    if (n > kScriptStringChars) n = kScriptStringChars;
    std::memmove(slot, text ? text : "", n);
    slot[n] = 0;
    char name[3] = {static_cast<char>('A' + index), static_cast<char>(macro ? '@' : '$'), 0};
    SetVariableText(macro ? kVarCategoryMacroString : kVarCategoryAppString, name, slot);
}

const char* GetScriptStringVariable(int index, int macro) {
    if (index < 0 || index >= 26) return "";
    return macro ? g_script.macroStrings[index] : g_script.strings[index];
}

bool IsScriptStringVariableCut(int index, int macro) {
    if (index < 0 || index >= 26) return false;
    return (macro ? g_script.macroStringCut : g_script.stringCut)[index];
}

void MarkScriptStringVariableCut(int index, int macro) {
    if (index >= 0 && index < 26) (macro ? g_script.macroStringCut : g_script.stringCut)[index] = true;
}

// "A$".."Z$" and "A@".."Z@": exactly two characters.
int ParseScriptStringVariable(const char* name, int* index, int* macro) {
    if (!name || !IsUpper(name[0]) || (name[1] != '$' && name[1] != '@') || name[2]) return 0;
    *index = name[0] - 'A';
    *macro = name[1] == '@';
    return 1;
}

// The browser's copy of both program-wide tables, after a variable file replaced them.
void RefreshVariablesBrowser() {
    for (int i = 0; i < 26; ++i) {
        const char letter = static_cast<char>('A' + i);
        ShowNumber(kVarCategoryApplication, letter, false, g_script.variables[i]);
        ShowNumber(kVarCategoryMacro, letter, true, g_script.macroVariables[i]);
        char name[3] = {letter, '$', 0};
        SetVariableText(kVarCategoryAppString, name, g_script.strings[i]);
        name[1] = '@';
        SetVariableText(kVarCategoryMacroString, name, g_script.macroStrings[i]);
    }
}
