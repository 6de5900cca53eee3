// The words the engine itself owns: control flow and the variable files.
#pragma once
#include "scripts/engine/script_engine.h"

int16_t ScriptWordBreak(stScriptCall& call);
int16_t ScriptWordFor(stScriptCall& call);
int16_t ScriptWordNext(stScriptCall& call);
int16_t ScriptWordExitFor(stScriptCall& call);
int16_t ScriptWordIf(stScriptCall& call);
int16_t ScriptWordElse(stScriptCall& call);
int16_t ScriptWordEndIf(stScriptCall& call);
int16_t ScriptWordGoto(stScriptCall& call);
int16_t ScriptWordCall(stScriptCall& call);
int16_t ScriptWordWait(stScriptCall& call);
int16_t ScriptWordRunScript(stScriptCall& call);
int16_t ScriptWordHalt(stScriptCall& call);
int16_t ScriptWordLoadAVars(stScriptCall& call);
int16_t ScriptWordLoadLVars(stScriptCall& call);
int16_t ScriptWordSaveAVars(stScriptCall& call);
int16_t ScriptWordSaveLVars(stScriptCall& call);

// Moves the position to the line after the frame's label; 0 when there is no such label.
int GotoScriptLabel(CScriptSubroutine* frame, const char* text, const char** position);
