// The notification table: how a lower part tells the parts above it something (a document has
// changed, so the frame menus follow; the sample store has a status message) or asks them
// (the lesson's variables, a measurement box's calculation), without linking to them. The shell
// fills the table at start-up, as it fills the device library's host callbacks; tests fill it
// with recording fakes. Lower parts call the wrappers below, never the entries: an empty entry
// does nothing and answers 0.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct stMeasure;

struct stNotifications {
    // The status strip and the menu help in it.
    void (*setStatusText)(const char* text);
    void (*setStatusTextFmt)(const char* key, int32_t number);  // the keyed format with one number
    void (*onMenuSelect)(HMENU menu, UINT item, HMENU popup, UINT flags);
    void (*showPopupItemHelp)(HMENU menu, UINT position, BOOL systemMenu);
    // The frame menus and the graph toolbar, brought in line with the graphs.
    void (*updateFrameMenus)(HWND frame, HMENU menu);
    void (*updateGraphMenus)(tagGS* gs);
    void (*updateGraphEditMenus)(tagGS* gs);
    void (*updateEditMenu)(tagGS* gs, int hasShownChannels);
    void (*updateTransformMenu)(HWND frame, HWND graphWindow);
    void (*enableGraphToolButtons)(tagGS* gs);
    void (*updateGraphToolbar)();
    void (*attachFrameMenu)();
    int (*buildLessonsMenu)(HMENU popup);
    // The lesson script.
    int16_t (*runScriptSubroutine)(void* script, const char* name, int flags);
    // A numeric variable: small letters are the frame's locals, capitals the application's;
    // with the macro flag, the macro table's. 1 with *out set, 0 when there is no such variable.
    int (*getScriptNumericVariable)(void* frame, char letter, double* out, int macro);
    // One turn of the program's message loop for a statement that takes long (WAIT): pending
    // messages, then the idle step. 0 when the quit message came (it is posted again).
    int (*runMessageTurn)();
    // The turn a long run of lesson statements is offered every few hundred statements: the
    // same, but it may pass when nothing can have come since the last one. Unset: runMessageTurn.
    int (*runStatementTurn)();
    // The measurement box that owns a popup button.
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
    // A graph file was opened or saved under a name: it heads the recent files.
    void (*graphFileUsed)(const char* path);
    // The Help menu's own items: the command of a lesson's item id (-1 for none), a lesson's
    // change of one (0 enable, 1 gray, other remove), its target and flags, all shown again.
    int32_t (*helpItemCommand)(uint32_t itemId);
    void (*changeHelpItem)(UINT command, int action);
    void (*setHelpItem)(UINT command, const char* target, uint32_t a, uint32_t b, uint32_t c);
    void (*showAllHelpItems)();
    // The print progress dialog of every print job and its abort procedure: the journal's job
    // (below the graph) shows the same dialog as the graph's.
    HWND (*openPrintProgress)(HWND owner, HGLOBAL devNames);
    void (*closePrintProgress)();
    ABORTPROC printAbortProc;
    int (*printAborted)();
};

extern stNotifications g_notify;

namespace notify {
inline void SetStatusText(const char* text) {
    if (g_notify.setStatusText) g_notify.setStatusText(text);
}
inline void SetStatusTextFmt(const char* key, int32_t number) {
    if (g_notify.setStatusTextFmt) g_notify.setStatusTextFmt(key, number);
}
inline void OnMenuSelect(HMENU menu, UINT item, HMENU popup, UINT flags) {
    if (g_notify.onMenuSelect) g_notify.onMenuSelect(menu, item, popup, flags);
}
inline void ShowPopupItemHelp(HMENU menu, UINT position, BOOL systemMenu) {
    if (g_notify.showPopupItemHelp) g_notify.showPopupItemHelp(menu, position, systemMenu);
}
inline void UpdateFrameMenus(HWND frame, HMENU menu) {
    if (g_notify.updateFrameMenus) g_notify.updateFrameMenus(frame, menu);
}
inline void UpdateGraphMenus(tagGS* gs) {
    if (g_notify.updateGraphMenus) g_notify.updateGraphMenus(gs);
}
inline void UpdateGraphEditMenus(tagGS* gs) {
    if (g_notify.updateGraphEditMenus) g_notify.updateGraphEditMenus(gs);
}
inline void UpdateEditMenu(tagGS* gs, int hasShownChannels) {
    if (g_notify.updateEditMenu) g_notify.updateEditMenu(gs, hasShownChannels);
}
inline void UpdateTransformMenu(HWND frame, HWND graphWindow) {
    if (g_notify.updateTransformMenu) g_notify.updateTransformMenu(frame, graphWindow);
}
inline void EnableGraphToolButtons(tagGS* gs) {
    if (g_notify.enableGraphToolButtons) g_notify.enableGraphToolButtons(gs);
}
inline void UpdateGraphToolbar() {
    if (g_notify.updateGraphToolbar) g_notify.updateGraphToolbar();
}
inline void AttachFrameMenu() {
    if (g_notify.attachFrameMenu) g_notify.attachFrameMenu();
}
inline int BuildLessonsMenu(HMENU popup) { return g_notify.buildLessonsMenu ? g_notify.buildLessonsMenu(popup) : 0; }
inline int16_t RunScriptSubroutine(void* script, const char* name, int flags) {
    return g_notify.runScriptSubroutine ? g_notify.runScriptSubroutine(script, name, flags) : 0;
}
// Without an answer the variable reads 0.0 and the result is 0.
inline int GetScriptNumericVariable(void* frame, char letter, double* out, int macro) {
    if (g_notify.getScriptNumericVariable) return g_notify.getScriptNumericVariable(frame, letter, out, macro);
    *out = 0.0;
    return 0;
}
// Without a message loop (tests of the lower parts) there is nothing to turn.
inline int RunMessageTurn() { return g_notify.runMessageTurn ? g_notify.runMessageTurn() : 1; }
inline int RunStatementTurn() { return g_notify.runStatementTurn ? g_notify.runStatementTurn() : RunMessageTurn(); }
inline int ShowCalculationDialog(stMeasure* box, HWND popup) {
    return g_notify.showCalculationDialog ? g_notify.showCalculationDialog(box, popup) : 0;
}
inline void FormatMeasurementResult(stMeasure* box) {
    if (g_notify.formatMeasurementResult) g_notify.formatMeasurementResult(box);
}
inline tagGS* GetMeasurementDocument(stMeasure* box) {
    return g_notify.getMeasurementDocument ? g_notify.getMeasurementDocument(box) : nullptr;
}
inline void SetMeasurementCaptions(tagGS* gs) {
    if (g_notify.setMeasurementCaptions) g_notify.setMeasurementCaptions(gs);
}
// Without an answer the unit is the millisecond.
inline int ChooseTimeUnits(const tagGS* gs, double value, char* name, uint32_t kind, double* size, uint32_t shortName) {
    if (g_notify.chooseTimeUnits && g_notify.chooseTimeUnits(gs, value, name, kind, size, shortName)) return 1;
    lstrcpyA(name, "msec");
    *size = 1.0;
    return 0;
}
inline void UpdateHScrollBar(tagGS* gs) {
    if (g_notify.updateHScrollBar) g_notify.updateHScrollBar(gs);
}
inline int HasRecordingSegments(tagGS* gs) { return g_notify.hasRecordingSegments ? g_notify.hasRecordingSegments(gs) : 0; }
inline void GraphFileUsed(const char* path) {
    if (g_notify.graphFileUsed) g_notify.graphFileUsed(path);
}
inline int32_t HelpItemCommand(uint32_t itemId) {
    return g_notify.helpItemCommand ? g_notify.helpItemCommand(itemId) : -1;
}
inline void ChangeHelpItem(UINT command, int action) {
    if (g_notify.changeHelpItem) g_notify.changeHelpItem(command, action);
}
inline void SetHelpItem(UINT command, const char* target, uint32_t a, uint32_t b, uint32_t c) {
    if (g_notify.setHelpItem) g_notify.setHelpItem(command, target, a, b, c);
}
inline void ShowAllHelpItems() {
    if (g_notify.showAllHelpItems) g_notify.showAllHelpItems();
}
inline HWND OpenPrintProgress(HWND owner, HGLOBAL devNames) {
    return g_notify.openPrintProgress ? g_notify.openPrintProgress(owner, devNames) : nullptr;
}
inline void ClosePrintProgress() {
    if (g_notify.closePrintProgress) g_notify.closePrintProgress();
}
inline ABORTPROC PrintAbortProcedure() { return g_notify.printAbortProc; }
inline int PrintAborted() { return g_notify.printAborted ? g_notify.printAborted() : 0; }
}  // namespace notify
