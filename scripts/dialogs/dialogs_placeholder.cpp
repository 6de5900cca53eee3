// Placeholder of the script dialogs that are not built yet: each counts as not opened, so the
// word that asks reports its dialog's failure.
#include "scripts/dialogs/script_dialogs.h"

int ShowScriptNumberPrompt(const char*, const char*, char*) { return -1; }
int ShowScriptTextPrompt(const char*, const char*, char*) { return -1; }
int ShowScriptItemChooser(const char*, const char* const*, int, int, int) { return -1; }
int ShowLessonChooser(char* fileName260) {
    fileName260[0] = 0;
    return 0;
}
int OpenFileDialog(char* name260, const char*) {
    name260[0] = 0;
    return 0;
}
