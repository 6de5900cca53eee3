// The lesson-script interpreter's process-wide state, in one record: written by the lesson-script
// engine, read by every part that a lesson can lock (graph windows, measurement popups, menus).
#pragma once
#include <cstdint>

struct tagGS;
class ShortString;

// Permission words the lesson language switches (1 = allowed); all 1 at start and when a lesson opens.
enum ScriptPermission : int {
    kPermZoomWindow,
    kPermCloseWindow,
    kPermRMouseButton,
    kPermSizeWindow,
    kPermDragWindow,
    kPermHScrollBar,
    kPermVScrollBar,
    kPermSizeJournal,
    kPermVScale,
    kPermVScaleUnits,
    kPermVLabel,
    kPermHScale,
    kPermHScaleUnits,
    kPermHLabel,
    kPermMeasurements,
    kPermMarkers,
    kPermChannels,
    kPermTools,  // the graph's cursor tool buttons
    kPermCount
};

// The interpreter's process-wide state, in one record. Every load starts from ResetScriptState,
// so nothing of the previous script lingers; what the language keeps for the whole run stays.
struct stScriptState {
    // Reset by every load.
    uint16_t permissions[kPermCount];  // 1 = allowed
    uint16_t savePromptEnabled;        // a modified graph asks to be saved before it closes
    // The lesson's permission for the cursor tools while a recording runs (with the graph's own
    // toolsWhileRecording); 0 until a lesson allows them.
    uint16_t cursorToolsAllowed;
    uint16_t closeCancelled;  // a graph's save question was cancelled during a close
    int32_t lessonButtonMode;  // 0: the script dialogs and lesson buttons show texts, else pictures
    int graphWindowExists;    // set by IsGraphChildWindow when it meets a graph window
    tagGS* graph;             // the current document, or null
    char* text;               // the loaded script's text (heap), or null
    // Kept from one load to the next.
    void* script;               // the loaded lesson script object (host slot 33), from start to exit
    ShortString* lessonFolder;  // the running lesson's folder, or null
    char lastScriptPath[260];   // the path of the script the latest lesson start opened
    // Tests answer the error dialog here (1 Continue, 0 stop); null: the dialog asks.
    int16_t (*errorHook)(const char* message);
    double variables[26];       // the application variables A-Z
    bool variableSet[26];       // assigned at least once since the program started

    // The interpreter's run state: single process-wide values that nested runs share.
    int16_t nestingDepth;          // RunScriptSubroutine and StepScriptSubroutine activations
    int16_t waitCursorFlag;        // the wait-cursor argument of the latest run
    int16_t stepCallDepth;         // subroutines the editor's stepping went into
    void* currentSubroutine;       // CScriptSubroutine of the statement being run, or null
    void* retired;                 // CCursorList of records dropped by a load while they ran
    uint32_t generation;           // + 1 at every load: runs of an older script unwind
    uint32_t statementsSinceTurn;  // statements run since the message loop last turned
    uint16_t fieldFailed;          // a reader met a malformed field in the current statement
    uint16_t textCut;              // a text read since the reader's mark was cleared was cut short
    uint64_t breakAskedAt;         // the tick Ctrl+Break was last asked at; ~0 while it is held
    uint16_t steppedStatement;     // the editor's single step runs the statement: NEXT stops at its FOR line
    // The loop stack, shared by every subroutine; a left-open loop stays open.
    struct stLoop {
        char letter;        // the loop variable as written (a..z local, A..Z application)
        double value, limit, step;
        void* owner;        // the CScriptSubroutine whose text holds the FOR line
        uint32_t lineOffset;  // the FOR line's offset in that text
        uint32_t generation;  // the load the owner belongs to
        // The NEXT line past which the loop ends, as the walk from the FOR line finds it: found
        // once, at its first NEXT. kLoopEndUnknown until then, kLoopEndMissing when END comes first.
        int64_t endOffset;
    };
    static constexpr int64_t kLoopEndUnknown = -1;
    static constexpr int64_t kLoopEndMissing = -2;
    int16_t loopDepth;
    stLoop loops[8];
    // The other variable tables (the locals live in the subroutine records).
    double macroVariables[26];  // A#..Z# (a#..z# the same)
    char strings[26][256];      // A$..Z$
    char macroStrings[26][256];  // A@..Z@
    bool stringCut[26];         // the value given to A$..Z$ was cut to the longest string
    bool macroStringCut[26];    // and to A@..Z@
};
extern stScriptState g_script;

// The state a newly loaded script starts from (and the program starts in): every permission
// allowed, no current document, the previous text freed. The application variables, the script
// object and the lesson folder stay.
void ResetScriptState();
void ResetScriptPermissions();
