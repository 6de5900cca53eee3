// Placeholder of the lesson words that are not built yet: each fails its statement, so a lesson
// that uses one meets the script error dialog on that line.
#include "scripts/engine/script_engine.h"

int16_t ScriptWordSerialPort(stScriptCall&) { return kScriptStop; }
int16_t ScriptWordJournal(stScriptCall&) { return kScriptStop; }
