// Placeholder of the lesson words that are not built yet: each fails its statement, so a lesson
// that uses one meets the script error dialog on that line.
#include "scripts/engine/script_engine.h"

int16_t ScriptWordFileDialogPrompt(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordFileCopy(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordSplitPath(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetCurrentDirectory(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordLnx2w(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordPlayBack(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordVk40(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordSet(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGet(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordSerialPort(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordSelect(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordEdit(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordBeep(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordJournal(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordEnable(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordDisable(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordShow(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordHide(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordRemoveMenu(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordChangePopupMenu(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordChangeMenu(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetVid(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetPid(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetDid(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordSetLessonTitle(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordCloseAllGraphs(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordPrompt(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetNumber(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetString(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetStringLength(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetFreeMemory(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetFreeDisk(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetPrefString(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordGetPrefNumber(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordChooseLesson(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordAppExit(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordChooseItem(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordNew(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordOpen(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordOpenMod(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordCheckFile(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordDelete(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordNewFolder(stScriptCall&) { return kScriptStop; }

// No graph, marker, display or analysis word is known yet.
int16_t ExecGraphStatement(stScriptCall&, const char*, int* handled) {
    *handled = 0;
    return kScriptGoOn;
}
