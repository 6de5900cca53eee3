// The notification tables: how a lower part tells the parts above it something (a document has
// changed, so the frame menus follow; the sample store has a status message) or asks them
// (the lesson's variables, a measurement box's calculation), without linking to them. One table
// per role; each starts as a table that does nothing and answers 0, and the shell installs the
// parts' handlers at start-up, as it fills the device library's host callbacks; tests put
// recording fakes in single entries. Lower parts call the wrappers below, never the entries.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct stMeasure;

// The status strip and the menu help in it; the frame menus and the graph toolbar, brought in
// line with the graphs.
struct stStatusMenuCalls {
    void (*setStatusText)(const char* text);
    void (*setStatusTextFmt)(const char* key, int32_t number);  // the keyed format with one number
    void (*onMenuSelect)(HMENU menu, UINT item, HMENU popup, UINT flags);
    void (*showPopupItemHelp)(HMENU menu, UINT position, BOOL systemMenu);
    void (*updateFrameMenus)(HWND frame, HMENU menu);
    void (*updateGraphMenus)(tagGS* gs);
    void (*updateGraphEditMenus)(tagGS* gs);
    void (*updateEditMenu)(tagGS* gs, int hasShownChannels);
    void (*updateTransformMenu)(HWND frame, HWND graphWindow);
    void (*enableGraphToolButtons)(tagGS* gs);
    void (*updateGraphToolbar)();
    void (*attachFrameMenu)();
    int (*buildLessonsMenu)(HMENU popup);
    // A graph file was opened or saved under a name: it heads the recent files.
    void (*graphFileUsed)(const char* path);
    // A text already translated and filled in, shown in the status strip as it is.
    void (*setStatusShownText)(const char* text);
};

// The lesson script.
struct stScriptHostCalls {
    int16_t (*runScriptSubroutine)(void* script, const char* name, int waitCursor);
    // A numeric variable: small letters are the frame's locals, capitals the application's;
    // with the macro flag, the macro table's. 1 with *out set, 0 when there is no such variable.
    int (*getScriptNumericVariable)(void* frame, char letter, double* out, int macro);
    // One turn of the program's message loop for a statement that takes long (WAIT): pending
    // messages, then the idle step. 0 when the quit message came (it is posted again).
    int (*runMessageTurn)();
    // The turn a long run of lesson statements is offered every few hundred statements: the
    // same, but it may pass when nothing can have come since the last one. The do-nothing table's
    // takes runMessageTurn.
    int (*runStatementTurn)();
};

// The measurement box that owns a popup button, and what the documents ask of the graph's view.
struct stMeasureCalls {
    int (*showCalculationDialog)(stMeasure* box, HWND popup);
    void (*formatMeasurementResult)(stMeasure* box);
    tagGS* (*getMeasurementDocument)(stMeasure* box);
    void (*setMeasurementCaptions)(tagGS* gs);
    // The horizontal unit's name and size in milliseconds (or kilohertz) for a value of a kind.
    int (*chooseTimeUnits)(const tagGS* gs, double value, char* name, uint32_t kind, double* size, uint32_t shortName);
    // The horizontal scroll bar after the view moved to a marker.
    void (*updateHScrollBar)(tagGS* gs);
    // Whether the document holds recording segments (segment markers) yet.
    int (*hasRecordingSegments)(tagGS* gs);
};

// The print progress dialog of every print job and its abort procedure: the journal's job
// (below the graph) shows the same dialog as the graph's.
struct stPrintCalls {
    HWND (*openPrintProgress)(HWND owner, HGLOBAL devNames);
    void (*closePrintProgress)();
    ABORTPROC printAbortProc;
    int (*printAborted)();
};

// The Help menu's own items: the command of a lesson's item id (-1 for none), a lesson's change
// of one (0 enable, 1 gray, other remove), its target and flags, all shown again.
struct stHelpCalls {
    int32_t (*helpItemCommand)(uint32_t itemId);
    void (*changeHelpItem)(UINT command, int action);
    void (*setHelpItem)(UINT command, const char* target, uint32_t a, uint32_t b, uint32_t c);
    void (*showAllHelpItems)();
};

// The tables that do nothing: each call answers 0 (no lesson variable, no print dialog), -1 for
// a Help item's command, and a message turn finds no message loop and goes on.
extern const stStatusMenuCalls kNoStatusMenuCalls;
extern const stScriptHostCalls kNoScriptHostCalls;
extern const stMeasureCalls kNoMeasureCalls;
extern const stPrintCalls kNoPrintCalls;
extern const stHelpCalls kNoHelpCalls;

// The installed tables; each holds its do-nothing table until the shell installs its own.
extern stStatusMenuCalls g_statusMenuCalls;
extern stScriptHostCalls g_scriptHostCalls;
extern stMeasureCalls g_measureCalls;
extern stPrintCalls g_printCalls;
extern stHelpCalls g_helpCalls;

// Test seam: every table back to the one that does nothing.
void ResetNotifications();

namespace notify {
inline void SetStatusText(const char* text) { g_statusMenuCalls.setStatusText(text); }
inline void SetStatusTextFmt(const char* key, int32_t number) { g_statusMenuCalls.setStatusTextFmt(key, number); }
inline void SetStatusShownText(const char* text) { g_statusMenuCalls.setStatusShownText(text); }
inline void OnMenuSelect(HMENU menu, UINT item, HMENU popup, UINT flags) {
    g_statusMenuCalls.onMenuSelect(menu, item, popup, flags);
}
inline void ShowPopupItemHelp(HMENU menu, UINT position, BOOL systemMenu) {
    g_statusMenuCalls.showPopupItemHelp(menu, position, systemMenu);
}
inline void UpdateFrameMenus(HWND frame, HMENU menu) { g_statusMenuCalls.updateFrameMenus(frame, menu); }
inline void UpdateGraphMenus(tagGS* gs) { g_statusMenuCalls.updateGraphMenus(gs); }
inline void UpdateGraphEditMenus(tagGS* gs) { g_statusMenuCalls.updateGraphEditMenus(gs); }
inline void UpdateEditMenu(tagGS* gs, int hasShownChannels) { g_statusMenuCalls.updateEditMenu(gs, hasShownChannels); }
inline void UpdateTransformMenu(HWND frame, HWND graphWindow) {
    g_statusMenuCalls.updateTransformMenu(frame, graphWindow);
}
inline void EnableGraphToolButtons(tagGS* gs) { g_statusMenuCalls.enableGraphToolButtons(gs); }
inline void UpdateGraphToolbar() { g_statusMenuCalls.updateGraphToolbar(); }
inline void AttachFrameMenu() { g_statusMenuCalls.attachFrameMenu(); }
inline int BuildLessonsMenu(HMENU popup) { return g_statusMenuCalls.buildLessonsMenu(popup); }
inline void GraphFileUsed(const char* path) { g_statusMenuCalls.graphFileUsed(path); }

inline int16_t RunScriptSubroutine(void* script, const char* name, int waitCursor) {
    return g_scriptHostCalls.runScriptSubroutine(script, name, waitCursor);
}
// Without an answer the variable reads 0.0 and the result is 0.
inline int GetScriptNumericVariable(void* frame, char letter, double* out, int macro) {
    return g_scriptHostCalls.getScriptNumericVariable(frame, letter, out, macro);
}
// Without a message loop (tests of the lower parts) there is nothing to turn.
inline int RunMessageTurn() { return g_scriptHostCalls.runMessageTurn(); }
inline int RunStatementTurn() { return g_scriptHostCalls.runStatementTurn(); }

inline int ShowCalculationDialog(stMeasure* box, HWND popup) {
    return g_measureCalls.showCalculationDialog(box, popup);
}
inline void FormatMeasurementResult(stMeasure* box) { g_measureCalls.formatMeasurementResult(box); }
inline tagGS* GetMeasurementDocument(stMeasure* box) { return g_measureCalls.getMeasurementDocument(box); }
inline void SetMeasurementCaptions(tagGS* gs) { g_measureCalls.setMeasurementCaptions(gs); }
// Without an answer the unit is the millisecond.
inline int ChooseTimeUnits(const tagGS* gs, double value, char* name, uint32_t kind, double* size, uint32_t shortName) {
    if (g_measureCalls.chooseTimeUnits(gs, value, name, kind, size, shortName)) return 1;
    lstrcpyA(name, "msec");
    *size = 1.0;
    return 0;
}
inline void UpdateHScrollBar(tagGS* gs) { g_measureCalls.updateHScrollBar(gs); }
inline int HasRecordingSegments(tagGS* gs) { return g_measureCalls.hasRecordingSegments(gs); }

inline HWND OpenPrintProgress(HWND owner, HGLOBAL devNames) { return g_printCalls.openPrintProgress(owner, devNames); }
inline void ClosePrintProgress() { g_printCalls.closePrintProgress(); }
inline ABORTPROC PrintAbortProcedure() { return g_printCalls.printAbortProc; }
inline int PrintAborted() { return g_printCalls.printAborted(); }

inline int32_t HelpItemCommand(uint32_t itemId) { return g_helpCalls.helpItemCommand(itemId); }
inline void ChangeHelpItem(UINT command, int action) { g_helpCalls.changeHelpItem(command, action); }
inline void SetHelpItem(UINT command, const char* target, uint32_t a, uint32_t b, uint32_t c) {
    g_helpCalls.setHelpItem(command, target, a, b, c);
}
inline void ShowAllHelpItems() { g_helpCalls.showAllHelpItems(); }
}  // namespace notify
