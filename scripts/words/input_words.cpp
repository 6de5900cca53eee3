// The lesson words that ask the user through the script dialogs and put the answers into
// variables, and the two lesson words: CHOOSELESSON and SetLessonTitle.
#include "scripts/words/word_fields.h"
#include "base/app.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/measurements/measure_calc.h"
#include "scripts/dialogs/script_dialogs.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kChoiceItems = 50;        // CHOOSEITEM offers at most this many
constexpr int kNumberPromptDecimals = 9;
constexpr uint32_t kLessonsMenuKey = 10000;  // the device library's text of the Lessons pop-up

int ProgramLessonChooser(char* fileName260) { return ShowLessonChooser(fileName260); }

const stScriptDialogs kProgramDialogs = {ShowScriptPrompt,      ShowScriptNumberPrompt, ShowScriptTextPrompt,
                                         ShowScriptItemChooser, ProgramLessonChooser,   OpenFileDialog};
const stScriptDialogs* g_dialogs = &kProgramDialogs;

// The number var's current value: one letter a local or application variable, more the macro table's.
double ReadNumberVariable(stScriptCall& call, const char* name) {
    double value = 0.0;
    GetScriptNumericVariable(call.frame, name[0], &value, name[1] ? 1 : 0);
    return value;
}

// Renames the first entry titled oldTitle of the Lessons pop-up of the frame's menu.
void RenameLessonMenuEntry(const char* oldTitle, const char* newTitle) {
    HMENU bar = g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    const char* lessons = GetMenuStrKey(kLessonsMenuKey);
    if (!bar || !lessons) return;
    char text[kScriptWordChars];
    for (int i = 0, n = GetMenuItemCount(bar); i < n; ++i) {
        HMENU popup = GetSubMenu(bar, i);
        if (!popup || !GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION) || lstrcmpiA(text, lessons) != 0)
            continue;
        for (int j = 0, m = GetMenuItemCount(popup); j < m; ++j) {
            if (!GetMenuStringA(popup, j, text, sizeof text, MF_BYPOSITION) || lstrcmpiA(text, oldTitle) != 0) continue;
            ModifyMenuA(popup, j, MF_BYPOSITION | MF_STRING, GetMenuItemID(popup, j), newTitle);
            return;
        }
        return;
    }
}

}  // namespace

const stScriptDialogs& ScriptDialogs() { return *g_dialogs; }
void SetScriptDialogs(const stScriptDialogs* dialogs) { g_dialogs = dialogs ? dialogs : &kProgramDialogs; }

CDialogWaitCursor::CDialogWaitCursor() : m_restore(g_script.waitCursorFlag != 0) {
    if (m_restore) SetWaitCursor(0);
}
CDialogWaitCursor::~CDialogWaitCursor() {
    if (m_restore) SetWaitCursor(1);
}

// PROMPT message, text 1, text 2, text 3, var: the pressed button's number; closing stops the run.
int16_t ScriptWordPrompt(stScriptCall& call) {
    CWordFields fields(call.rest);
    char message[kScriptWordChars], text1[kScriptWordChars], text2[kScriptWordChars], text3[kScriptWordChars];
    char var[kScriptWordChars];
    fields.Text(message);
    fields.Text(text1);
    fields.Text(text2);
    fields.Text(text3);
    if (!fields.Word(var)) var[0] = 0;
    if (CWordFields::Bad() || !AreOptionalVariables({var})) return kScriptStop;
    int pressed;
    {
        CDialogWaitCursor off;
        off.KeepOff();
        pressed = ScriptDialogs().prompt(message, text1, text2, text3);
    }
    if (pressed < 1 || pressed > 3) pressed = -1;
    if (var[0]) AssignScriptNumericVariable(call.frame, var, pressed);
    return pressed == -1 ? kScriptStopWithoutDialog : kScriptGoOn;
}

// GETNUMBER text 1, text 2, number var, result var: the number typed over the variable's value.
int16_t ScriptWordGetNumber(stScriptCall& call) {
    CWordFields fields(call.rest);
    char message[kScriptWordChars], label[kScriptWordChars], numberVar[kScriptWordChars], resultVar[kScriptWordChars];
    fields.Text(message);
    fields.Text(label);
    if (!fields.Word(numberVar)) return kScriptStop;
    if (!fields.Word(resultVar)) resultVar[0] = 0;
    if (CWordFields::Bad() || !IsNumericVariableName(numberVar) || !AreOptionalVariables({resultVar}))
        return kScriptStop;
    char text[kScriptWordChars];
    measure::FormatValue(text, sizeof text, ReadNumberVariable(call, numberVar), kNumberPromptDecimals);
    int answer;
    {
        CDialogWaitCursor off;
        answer = ScriptDialogs().numberPrompt(message, label, text);
    }
    if (answer == -1) {
        if (resultVar[0]) AssignScriptNumericVariable(call.frame, resultVar, -1.0);
        return kScriptStopWithoutDialog;
    }
    AssignScriptNumericVariable(call.frame, numberVar, std::strtod(text, nullptr));
    if (resultVar[0]) AssignScriptNumericVariable(call.frame, resultVar, answer == 0 ? 0.0 : 1.0);
    return kScriptGoOn;
}

// GETSTRING prompt, string var, result var: the text typed over the variable's text.
int16_t ScriptWordGetString(stScriptCall& call) {
    CWordFields fields(call.rest);
    char prompt[kScriptWordChars], stringVar[kScriptWordChars], resultVar[kScriptWordChars];
    fields.Text(prompt);
    if (!fields.Word(stringVar)) stringVar[0] = 0;
    if (!fields.Word(resultVar)) resultVar[0] = 0;
    // An upper-case letter with "$" (the application's) or "@" (the lesson's own).
    if (stringVar[0] < 'A' || stringVar[0] > 'Z' || (stringVar[1] != '$' && stringVar[1] != '@') || stringVar[2])
        return kScriptStop;
    if (CWordFields::Bad() || !AreOptionalVariables({resultVar})) return kScriptStop;
    const int index = stringVar[0] - 'A';
    const int macro = stringVar[1] == '@';
    char text[kScriptWordChars] = "";
    int answer;
    {
        CDialogWaitCursor off;
        answer = ScriptDialogs().textPrompt(prompt, macro ? g_script.macroStrings[index] : g_script.strings[index], text);
    }
    if (answer == -1) {
        if (resultVar[0]) AssignScriptNumericVariable(call.frame, resultVar, -1.0);
        return kScriptEntryFailed;
    }
    AssignScriptStringVariable(index, text, macro);
    if (resultVar[0]) AssignScriptNumericVariable(call.frame, resultVar, 0.0);
    return kScriptGoOn;
}

// GETSTRINGLENGTH text, var: the number of characters.
int16_t ScriptWordGetStringLength(stScriptCall& call) {
    CWordFields fields(call.rest);
    char text[kScriptWordChars], var[kScriptWordChars];
    fields.Text(text);
    if (!fields.Word(var) || CWordFields::Bad() || !IsNumericVariableName(var)) return kScriptStop;
    AssignScriptNumericVariable(call.frame, var, static_cast<double>(std::strlen(text)));
    return kScriptGoOn;
}

// CHOOSEITEM prompt, selection var, count var, mode, item 1, item 2, ...: one item chosen.
int16_t ScriptWordChooseItem(stScriptCall& call) {
    CWordFields fields(call.rest);
    char prompt[kScriptWordChars], selectionVar[kScriptWordChars], countVar[kScriptWordChars];
    fields.Text(prompt);
    if (!fields.Word(selectionVar) || !fields.Word(countVar)) return kScriptStop;
    if (!IsNumericVariableName(selectionVar) || !IsNumericVariableName(countVar)) return kScriptStop;
    const int mode = ScriptWholeNumber(fields.Number());
    const double wanted = ReadNumberVariable(call, countVar);
    const int limit = wanted >= kChoiceItems ? kChoiceItems : wanted > 0 ? static_cast<int>(wanted) : 0;
    char items[kChoiceItems][kScriptWordChars];
    const char* names[kChoiceItems];
    int count = 0;
    for (; count < limit; ++count) {
        const char* before = fields.Position();
        fields.Text(items[count]);
        if (fields.Position() == before) break;  // the line has no further item
        names[count] = items[count];
    }
    if (CWordFields::Bad()) return kScriptStop;
    if (count == 0) return kScriptGoOn;
    const double selection = ReadNumberVariable(call, selectionVar);
    // Held inside the 32-bit range: a selection far below the items stays below them.
    const int32_t asked = selection < kChoiceItems ? ScriptWholeNumber(selection) : kChoiceItems;
    const int initial = asked > INT32_MIN ? asked - 1 : INT32_MIN;
    int chosen;
    {
        CDialogWaitCursor off;
        chosen = ScriptDialogs().itemChooser(prompt, names, count, initial, mode);
    }
    if (chosen < -1 || chosen >= count) chosen = -1;
    AssignScriptNumericVariable(call.frame, selectionVar, chosen + 1);
    AssignScriptNumericVariable(call.frame, countVar, chosen == -1 ? -1.0 : 0.0);
    return kScriptGoOn;
}

// CHOOSELESSON: another lesson in place of the running script, which then unwinds.
int16_t ScriptWordChooseLesson(stScriptCall& call) {
    CWordFields fields(call.rest);
    char skipped[kScriptWordChars];
    fields.Word(skipped);
    fields.Word(skipped);
    char path[MAX_PATH] = "";
    int chosen;
    {
        CDialogWaitCursor off;
        chosen = ScriptDialogs().lessonChooser(path);
    }
    if (!chosen || !path[0]) return kScriptLessonCancelled;
    SetCurrentDirectoryA(g_app->szAppFolder);
    SetCurrentDirectoryA("Lessons");
    const char* name = path;
    if (char* slash = std::strrchr(path, '\\')) {
        *slash = 0;
        SetCurrentDirectoryA(path[0] ? path : "\\");
        name = slash + 1;
    }
    OpenScript(name);
    return kScriptReplaced;
}

// SetLessonTitle old title, new title: renames the lesson in the Lessons menu and the lesson list.
int16_t ScriptWordSetLessonTitle(stScriptCall& call) {
    CWordFields fields(call.rest);
    char oldTitle[kScriptWordChars], newTitle[kScriptWordChars];
    fields.Text(oldTitle);
    fields.Text(newTitle);
    if (CWordFields::Bad()) return kScriptStop;
    RenameLessonMenuEntry(oldTitle, newTitle);
    if (!SetDisplayNameByDisplayName(oldTitle, newTitle)) {
        char text[kScriptWordChars + 64];
        std::snprintf(text, sizeof text, "There is no Lesson with a name:%s.", oldTitle);
        MessageBoxA(g_app->hwndFrame, text, "Wrong Parameter", MB_OK | MB_ICONINFORMATION);
    }
    return kScriptGoOn;
}
