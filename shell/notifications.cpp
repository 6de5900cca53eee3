// Fills the notification table with the shell's handlers and those of the parts above the
// callers, the first thing start-up does after the application record.
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
}  // namespace

void InitNotifications() {
    g_notify.setStatusText = SetStatusText;
    g_notify.setStatusTextFmt = SetStatusTextFmt;
    g_notify.onMenuSelect = OnFrameMenuSelect;
    g_notify.showPopupItemHelp = ShowPopupItemHelp;
    g_notify.updateFrameMenus = UpdateFrameMenus;
    g_notify.updateGraphMenus = UpdateGraphMenus;
    g_notify.updateGraphEditMenus = UpdateGraphEditMenus;
    g_notify.updateEditMenu = UpdateEditMenu;
    g_notify.updateTransformMenu = UpdateTransformMenu;
    g_notify.enableGraphToolButtons = EnableGraphToolButtons;
    g_notify.updateGraphToolbar = UpdateGraphToolbar;
    g_notify.attachFrameMenu = AttachFrameMenu;
    g_notify.buildLessonsMenu = BuildLessonsMenu;
    g_notify.runScriptSubroutine = RunScriptSubroutine;
    g_notify.getScriptNumericVariable = GetScriptNumericVariable;
    g_notify.runMessageTurn = RunLoopTurn;
    g_notify.runStatementTurn = RunStatementTurn;
    g_notify.showCalculationDialog = ShowCalculationDialog;
    g_notify.formatMeasurementResult = FormatMeasurementResult;
    g_notify.getMeasurementDocument = GetMeasurementDocument;
    g_notify.setMeasurementCaptions = SetMeasurementCaptions;
    g_notify.chooseTimeUnits = ChooseTimeUnits;
    g_notify.updateHScrollBar = UpdateHScrollBar;
    g_notify.hasRecordingSegments = HasRecordingSegments;
    g_notify.graphFileUsed = AddRecentFile;
    g_notify.helpItemCommand = GetHelpItemCommand;
    g_notify.changeHelpItem = ChangeHelpItem;
    g_notify.setHelpItem = SetHelpItemOfCommand;
    g_notify.showAllHelpItems = ShowAllHelpItems;
    g_notify.openPrintProgress = BeginPrintProgress;
    g_notify.closePrintProgress = ClosePrintProgress;
    g_notify.printAbortProc = PrintAbortProc;
    g_notify.printAborted = PrintAbortFlag;
}
