// The statement a lesson script hands to the device library's script-line operation: the library
// reads the fields after the unit word back through the host's script readers (host entries 26-30).
#pragma once

struct tagGS;

struct stScriptStatement {
    const char* text;  // the unit word and what follows, up to the line's carriage return
    void* host;        // the interpreter's own; the library leaves it alone
    void* context;     // handed back to the host when a numeric variable is assigned
    tagGS* graph;      // the script's graph document, or null
};
