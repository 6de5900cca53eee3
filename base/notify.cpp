// The notification tables, each doing nothing until the shell installs the parts' handlers.
#include "base/notify.h"

namespace {

// ---- The do-nothing calls ----

void NoText(const char*) {}
void NoKeyedText(const char*, int32_t) {}
void NoMenuSelect(HMENU, UINT, HMENU, UINT) {}
void NoPopupItemHelp(HMENU, UINT, BOOL) {}
void NoFrameMenus(HWND, HMENU) {}
void NoGraph(tagGS*) {}
void NoEditMenu(tagGS*, int) {}
void NoTransformMenu(HWND, HWND) {}
void Nothing() {}
int NoLessonsMenu(HMENU) { return 0; }

int16_t NoSubroutine(void*, const char*, int) { return 0; }
int NoVariable(void*, char, double* out, int) {
    *out = 0.0;
    return 0;
}
int NoMessageLoop() { return 1; }
// Without a turn of its own for statements, a run of statements takes the message loop's turn.
int MessageTurnForStatements() { return g_scriptHostCalls.runMessageTurn(); }

int NoCalculationDialog(stMeasure*, HWND) { return 0; }
void NoMeasurement(stMeasure*) {}
tagGS* NoMeasurementDocument(stMeasure*) { return nullptr; }
int NoTimeUnits(const tagGS*, double, char*, uint32_t, double*, uint32_t) { return 0; }
int NoSegments(tagGS*) { return 0; }

HWND NoPrintProgress(HWND, HGLOBAL) { return nullptr; }
int NotAborted() { return 0; }

int32_t NoHelpItemCommand(uint32_t) { return -1; }
void NoHelpItemChange(UINT, int) {}
void NoHelpItem(UINT, const char*, uint32_t, uint32_t, uint32_t) {}

// Constant tables, so that the installed ones hold them before any code runs.
constexpr stStatusMenuCalls kNothingStatusMenu = {
    NoText, NoKeyedText, NoMenuSelect, NoPopupItemHelp, NoFrameMenus, NoGraph, NoGraph, NoEditMenu,
    NoTransformMenu, NoGraph, Nothing, Nothing, NoLessonsMenu, NoText, NoText,
};
constexpr stScriptHostCalls kNothingScriptHost = {NoSubroutine, NoVariable, NoMessageLoop, MessageTurnForStatements};
constexpr stMeasureCalls kNothingMeasure = {
    NoCalculationDialog, NoMeasurement, NoMeasurementDocument, NoGraph, NoTimeUnits, NoGraph, NoSegments,
};
constexpr stPrintCalls kNothingPrint = {NoPrintProgress, Nothing, nullptr, NotAborted};
constexpr stHelpCalls kNothingHelp = {NoHelpItemCommand, NoHelpItemChange, NoHelpItem, Nothing};

}  // namespace

const stStatusMenuCalls kNoStatusMenuCalls = kNothingStatusMenu;
const stScriptHostCalls kNoScriptHostCalls = kNothingScriptHost;
const stMeasureCalls kNoMeasureCalls = kNothingMeasure;
const stPrintCalls kNoPrintCalls = kNothingPrint;
const stHelpCalls kNoHelpCalls = kNothingHelp;

stStatusMenuCalls g_statusMenuCalls = kNothingStatusMenu;
stScriptHostCalls g_scriptHostCalls = kNothingScriptHost;
stMeasureCalls g_measureCalls = kNothingMeasure;
stPrintCalls g_printCalls = kNothingPrint;
stHelpCalls g_helpCalls = kNothingHelp;

void ResetNotifications() {
    g_statusMenuCalls = kNoStatusMenuCalls;
    g_scriptHostCalls = kNoScriptHostCalls;
    g_measureCalls = kNoMeasureCalls;
    g_printCalls = kNoPrintCalls;
    g_helpCalls = kNoHelpCalls;
}
