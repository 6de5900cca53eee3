// Fills the notification tables with the shell's handlers and those of the parts above the
// callers, the first thing start-up does after the application record.
#include "graph/view/display_modes.h"
#include "shell/startup.h"
#include "base/notify.h"
#include "shell/commands/menus.h"
#include "shell/help.h"
#include "shell/commands/status.h"
#include "documents/documents_api.h"
#include "scripts/script_api.h"
#include "graph/view/axis_units.h"
#include "graph/document/graph_doc.h"
#include "graph/document/marker_walks.h"
#include "documents/markers/markers.h"
#include "shell/recent_files.h"
#include "graph/render/printing.h"

namespace {
int HasRecordingSegments(tagGS* gs) { return FirstMarkerOfType(gs, kMarkerAppend) ? 1 : 0; }

// The status strip, the menus and the toolbar are the shell's; the recent files follow the graphs.
void InstallStatusMenuCalls() {
    g_statusMenuCalls.setStatusText = SetStatusText;
    g_statusMenuCalls.setStatusTextFmt = SetStatusTextFmt;
    g_statusMenuCalls.onMenuSelect = OnFrameMenuSelect;
    g_statusMenuCalls.showPopupItemHelp = ShowPopupItemHelp;
    g_statusMenuCalls.updateFrameMenus = UpdateFrameMenus;
    g_statusMenuCalls.updateGraphMenus = UpdateGraphMenus;
    g_statusMenuCalls.updateGraphEditMenus = UpdateGraphEditMenus;
    g_statusMenuCalls.updateEditMenu = UpdateEditMenu;
    g_statusMenuCalls.updateTransformMenu = UpdateTransformMenu;
    g_statusMenuCalls.enableGraphToolButtons = EnableGraphToolButtons;
    g_statusMenuCalls.updateGraphToolbar = UpdateGraphToolbar;
    g_statusMenuCalls.attachFrameMenu = AttachFrameMenu;
    g_statusMenuCalls.buildLessonsMenu = BuildLessonsMenu;
    g_statusMenuCalls.graphFileUsed = AddRecentFile;
}

// The lesson engine's subroutines and variables, and the program's message loop.
void InstallScriptHostCalls() {
    g_scriptHostCalls.runScriptSubroutine = RunScriptSubroutine;
    g_scriptHostCalls.getScriptNumericVariable = GetScriptNumericVariable;
    g_scriptHostCalls.runMessageTurn = RunLoopTurn;
    g_scriptHostCalls.runStatementTurn = RunStatementTurn;
}

// The measurement boxes, and the graph view's time units, scroll bar and segments.
void InstallMeasureCalls() {
    g_measureCalls.showCalculationDialog = ShowCalculationDialog;
    g_measureCalls.formatMeasurementResult = FormatMeasurementResult;
    g_measureCalls.getMeasurementDocument = GetMeasurementDocument;
    g_measureCalls.setMeasurementCaptions = SetMeasurementCaptions;
    g_measureCalls.chooseTimeUnits = ChooseTimeUnits;
    g_measureCalls.updateHScrollBar = UpdateHScrollBar;
    g_measureCalls.hasRecordingSegments = HasRecordingSegments;
}

// The graph's print progress dialog, which the journal's job shows too.
void InstallPrintCalls() {
    g_printCalls.openPrintProgress = BeginPrintProgress;
    g_printCalls.closePrintProgress = ClosePrintProgress;
    g_printCalls.printAbortProc = PrintAbortProc;
    g_printCalls.printAborted = PrintAbortFlag;
}

// The Help menu's items.
void InstallHelpCalls() {
    g_helpCalls.helpItemCommand = GetHelpItemCommand;
    g_helpCalls.changeHelpItem = ChangeHelpItem;
    g_helpCalls.setHelpItem = SetHelpItemOfCommand;
    g_helpCalls.showAllHelpItems = ShowAllHelpItems;
}

}  // namespace

void InitNotifications() {
    InstallStatusMenuCalls();
    InstallScriptHostCalls();
    InstallMeasureCalls();
    InstallPrintCalls();
    InstallHelpCalls();
}
