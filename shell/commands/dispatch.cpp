// Every frame command goes through here; the device library owns 5000 to 9999.
#include "shell/commands/dispatch.h"
#include "graph/window/graph_window.h"
#include "shell/commands/command_target.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "devlib/resource.h"
#include "base/app.h"
#include "base/device.h"
#include "shell/startup.h"
#include "base/services.h"
#include "shell/commands/display.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "shell/help.h"
#include "shell/recent_files.h"
#include "controls/script_button.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_save.h"
#include "graph/render/printing.h"
#include "graph/window/tracking.h"
#include "documents/documents_api.h"
#include "outputs/outputs_api.h"
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"
#include "devlib/vk40.h"
#include "button/lumikey.h"
#include <cstring>

HWND g_commandWindow = nullptr;

namespace {
constexpr int kScriptButtonSlots = 10;

struct CommandRange {
    UINT first, last;
    CommandHandler handler;
};

// The frame's routing, tried in order: the first range that holds an id wins. The output panels'
// ids lie inside the device library's range, so the panels come before it.
static_assert(IDM_DEVICE_LAST < IDM_RECENT_FILE_FIRST, "a recent file must never reach the device library");
constexpr CommandRange kCommandRanges[] = {
    {IDM_OUTPUT_PANEL_DIALOG, IDM_OUTPUT_PANEL_DIALOG, CommandHandler::OutputPanels},
    {IDM_OUTPUT_FIRST, IDM_OUTPUT_LAST, CommandHandler::OutputPanels},
    {IDM_KEY_LEFT, IDM_KEY_DOWN, CommandHandler::GraphWindow},
    {IDC_TOOL_ARROW, IDC_TOOL_ZOOM, CommandHandler::GraphWindow},
    {IDM_JOURNAL_PASTE_VALUES, IDM_JOURNAL_PASTE_VALUES, CommandHandler::PasteValues},
    {IDM_SEGMENT_VIEW, IDM_ERASE_SEGMENT, CommandHandler::Segment},
    {IDM_RECENT_FILE_FIRST, IDM_RECENT_FILE_LAST, CommandHandler::RecentFile},
    {IDM_FILE_FIRST, IDM_FILE_LAST, CommandHandler::File},
    {IDM_EDIT_FIRST, IDM_EDIT_LAST, CommandHandler::Edit},
    {IDM_MARKER_FIRST, IDM_MARKER_LAST, CommandHandler::Marker},
    {IDM_TRANSFORM_FIRST, IDM_TRANSFORM_LAST, CommandHandler::Transform},
    {IDM_DISPLAY_FIRST, IDM_DISPLAY_LAST, CommandHandler::Display},
    {IDM_WINDOW_FIRST, IDM_WINDOW_LAST, CommandHandler::Window},
    {IDM_HELP_FIRST, IDM_HELP_LAST, CommandHandler::Help},
    {IDM_LESSON_FIRST, IDM_LESSON_LAST, CommandHandler::Lesson},
    {IDM_DEVICE_FIRST, IDM_DEVICE_LAST, CommandHandler::Device},
    {IDC_SCRIPT_BUTTON_FIRST, IDC_SCRIPT_BUTTON_LAST, CommandHandler::ScriptButton},
    {IDM_STANDARD_CURVE, IDM_STANDARD_CURVE, CommandHandler::StandardCurve},
};

void RunLessonSubroutine(const char* name) { RunScriptSubroutine(g_script.script, name, 0); }

// The output panels take their commands only from a graph that has them.
void OnOutputPanelCommand(UINT id) {
    tagGS* gs = ActiveGraph();
    if (gs && gs->outPanels) OutCtlViewSetOnCommand(gs->outPanels, id);
}

// The arrow keys of the popup buttons and the cursor tools belong to the active graph window.
void ForwardToGraphWindow(UINT id) {
    if (HWND graphWnd = ActiveGraphWindow()) SendMessageA(graphWnd, WM_COMMAND, id, 0);
}

void OnPasteValuesCommand() {
    if (tagGS* gs = ActiveGraph()) PasteValuesToJournal(gs);
}

void OnStandardCurveCommand() {
    if (tagGS* gs = ActiveGraph()) ShowStandardCurveDialog(gs);
}

// A graph window's tool buttons are of the button library's class: without that class the new
// graph fails for want of the library, not of memory, and the user is told so.
void ReportNewGraphFailure(HWND frame) {
    WNDCLASSA wc;
    if (GetClassInfoA(g_app->hInstance, LUMIKEY_CLASSNAME, &wc)) {
        ShowSelectionError(frame, IDS_NO_MEMORY, "new graph");
        return;
    }
    MessageBoxA(frame, Keyed(kButtonLibraryMissing), g_app->szAppTitle, MB_ICONSTOP);
}

// Passes a command to the device library; the Start button goes the way its own click goes.
void OnDeviceCommand(HWND frame, UINT id, HWND control, UINT code) {
    if (id == IDC_START_BUTTON) {
        PressStartButton(ActiveGraphWindow(), frame, control, code);
        return;
    }
    DeviceCommand(frame, static_cast<int32_t>(id), reinterpret_cast<const char*>(control), static_cast<int32_t>(code));
}

// A Lessons menu entry: its text names the lesson, with the first doubled "&" undone.
void OnLessonCommand(HWND frame, UINT id) {
    HMENU menu = GetMenu(frame);
    if (!menu) menu = g_app->frame.hmenuFrame;
    char text[256] = "";
    if (!menu || GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND) <= 0) return;
    if (char* pair = std::strstr(text, "&&")) std::memmove(pair, pair + 1, std::strlen(pair + 1) + 1);
    const char* file = GetLessonFileName(text);
    if (!file || !*file) return;
    SetCurrentDirectoryA(g_app->szAppFolder);
    OpenScript(file);
}

// A lesson button on the active graph runs its subroutine.
void OnScriptButtonCommand(UINT id) {
    tagGS* gs = ActiveGraph();
    if (!gs) return;
    for (int i = 0; i < kScriptButtonSlots; ++i) {
        auto* button = static_cast<CScriptButton*>(gs->scriptButtons[i]);
        if (!button || static_cast<UINT>(button->GetId()) != id) continue;
        const char* name = gs->scriptButtonText[i];
        if (RunScriptSubroutine(g_script.script, name, 0) == kScriptNotFound)
            MessageBoxA(nullptr, name, Keyed("Error: Script not found"), MB_ICONEXCLAMATION);
        return;
    }
}

// Everything no handler claims: the MDI window list activates its graphs this way.
void OnDefaultCommand(HWND frame, UINT id) {
    DefFrameProcA(frame, g_app->hwndClient, WM_COMMAND, id, 0);
    if (IsWindow(frame)) SetStatusText("Ready");
}

// The segment view button and the erase button of the graph toolbar.
void OnSegmentCommand(UINT id, UINT code) {
    tagGS* gs = ActiveGraph();
    if (!gs || !gs->markers || !gs->markerManager) return;
    if (id == IDM_SEGMENT_VIEW) {
        if (code == 0)
            ToggleSegmentView(gs);
        else
            UpdateGraphToolbar();  // the device library's notice of a new recording mode
        return;
    }
    if (GetKeyState(VK_CONTROL) < 0)
        EraseAllData(gs);
    else
        EraseLastSegment(gs);
}

// File New: a failure is reported as a lack of memory.
void NewGraphOrReport(HWND frame) {
    if (!NewGraph(1)) ReportNewGraphFailure(frame);
}

// A lesson's own File menu entry runs only over a graph.
void RunUserItem(const char* subroutine) {
    if (ActiveGraphWindow()) RunLessonSubroutine(subroutine);
}

// Save and Save As belong to the lesson; without a lesson that has the subroutine the active
// graph is saved here, Save As with the dialog, Save asking only for a name it lacks.
void SaveThroughLesson(const char* subroutine, int ask) {
    if (FindScriptSubroutine(LoadedScript(), subroutine)) {
        RunScriptSubroutine(LoadedScript(), subroutine, 0);
        return;
    }
    if (tagGS* gs = ActiveGraph()) SaveDocumentAs(gs, ask, 0, nullptr, nullptr, nullptr);
}

// Close: the client's active graph window closes itself.
void CloseActiveGraph() {
    HWND client = g_app->hwndClient;
    char cls[16] = "";
    if (!client || !GetClassNameA(client, cls, sizeof cls) || lstrcmpiA(cls, "MDICLIENT") != 0) return;
    HWND child = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
    if (child) SendMessageA(child, WM_CLOSE, 0, 0);
}
}  // namespace

CommandHandler FindCommandHandler(UINT id) {
    for (const CommandRange& range : kCommandRanges)
        if (id >= range.first && id <= range.last) return range.handler;
    return CommandHandler::Default;
}

void OnFrameCommand(HWND frame, UINT id, HWND control, UINT code) {
    g_commandWindow = frame;
    // A command the lesson withdrew stays withdrawn whether it comes by menu, key or button.
    if (!ScriptCommandAllowed(id)) return;
    switch (FindCommandHandler(id)) {
    case CommandHandler::OutputPanels: OnOutputPanelCommand(id); break;
    case CommandHandler::GraphWindow: ForwardToGraphWindow(id); break;
    case CommandHandler::PasteValues: OnPasteValuesCommand(); break;
    case CommandHandler::Segment: OnSegmentCommand(id, code); break;
    case CommandHandler::RecentFile: OpenRecentFile(id); break;
    case CommandHandler::File: OnFileCommand(frame, id); break;
    case CommandHandler::Edit: OnEditCommand(frame, id, control, code); break;
    case CommandHandler::Marker: OnMarkerCommand(frame, id); break;
    case CommandHandler::Transform: OnTransformCommand(frame, id, control, code); break;
    case CommandHandler::Display: OnDisplayCommand(frame, id, control); break;
    case CommandHandler::Window: OnWindowCommand(frame, id); break;
    case CommandHandler::Help: OnHelpCommand(frame, id); break;
    case CommandHandler::Lesson: OnLessonCommand(frame, id); break;
    case CommandHandler::Device: OnDeviceCommand(frame, id, control, code); break;
    case CommandHandler::ScriptButton: OnScriptButtonCommand(id); break;
    case CommandHandler::StandardCurve: OnStandardCurveCommand(); break;
    case CommandHandler::Default: OnDefaultCommand(frame, id); break;
    }
}

// File menu: new, open, close, quit and printer set-up; the rest belongs to the lesson.
void OnFileCommand(HWND frame, UINT id) {
    if (GetStatusHotKeyEx(id) == 0) return;
    switch (id) {
    case IDM_FILE_NEW: NewGraphOrReport(frame); break;
    case IDM_FILE_OPEN: OpenGraphFile(nullptr); break;
    case IDM_FILE_SAVE: SaveThroughLesson("OnFileSave", 0); break;
    case IDM_FILE_SAVE_AS: SaveThroughLesson("OnFileSaveAs", 1); break;
    case IDM_FILE_PRINT: RunLessonSubroutine("OnPrint"); break;
    case IDM_FILE_QUIT: SendMessageA(frame, WM_CLOSE, 0, 0); break;
    case IDM_FILE_PRINTER_SETUP: ShowPrinterSetup(); break;
    case IDM_FILE_USER_ITEM1: RunUserItem("OnUserItem1"); break;
    case IDM_FILE_USER_ITEM2: RunUserItem("OnUserItem2"); break;
    case IDM_FILE_USER_ITEM3: RunUserItem("OnUserItem3"); break;
    case IDM_FILE_CLOSE: CloseActiveGraph(); break;
    default: break;
    }
}

namespace {
int g_closeAllStopped = 0;

// Closes one graph window of the client; a graph that stays open ends the walk.
BOOL CALLBACK CloseGraphWindowProc(HWND hwnd, LPARAM) {
    if (!GetWindowGraph(hwnd)) return TRUE;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    if (IsWindow(hwnd) && GetWindowGraph(hwnd)) g_closeAllStopped = 1;
    return g_closeAllStopped ? FALSE : TRUE;
}

// Close All: the graphs close in the client's order until one of them stays.
void CloseAllGraphs(HWND client) {
    g_closeAllStopped = 0;
    EnumChildWindows(client, CloseGraphWindowProc, 0);
    ShowWindow(client, SW_SHOW);
}
}  // namespace

// Window menu: tiling, cascading, closing all graphs; the window list goes to the MDI client.
void OnWindowCommand(HWND frame, UINT id) {
    HWND client = g_app->hwndClient;
    switch (id) {
    case IDM_WINDOW_TILE_HORIZONTAL: SendMessageA(client, WM_MDITILE, MDITILE_HORIZONTAL, 0); break;
    case IDM_WINDOW_TILE_VERTICAL: SendMessageA(client, WM_MDITILE, MDITILE_VERTICAL, 0); break;
    case IDM_WINDOW_CASCADE: SendMessageA(client, WM_MDICASCADE, 0, 0); break;
    case IDM_WINDOW_CLOSE_ALL: CloseAllGraphs(client); break;
    case IDM_WINDOW_ARRANGE_ICONS: SendMessageA(client, WM_MDIICONARRANGE, 0, 0); break;
    default: DefFrameProcA(frame, client, WM_COMMAND, id, 0); break;
    }
}

// Help menu: the About box, or a help document.
void OnHelpCommand(HWND frame, UINT id) {
    if (id == IDM_HELP_ABOUT)
        ShowAboutDialog(frame);
    else
        OpenHelpItem(id);
}
