// Every frame command goes through here; the device library owns 5000 to 10000.
#include "shell/commands/dispatch.h"
#include "shell/commands/command_target.h"
#include "base/app.h"
#include "shell/startup.h"
#include "base/services.h"
#include "shell/commands/display.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "shell/help.h"
#include "shell/recent_files.h"
#include "controls/script_button.h"
#include "graph/document/graph_doc.h"
#include "graph/window/tracking.h"
#include "documents/documents_api.h"
#include "outputs/outputs_api.h"
#include "scripts/script_api.h"
#include "devlib/vk40.h"
#include <cstring>

HWND g_commandWindow = nullptr;

namespace {
constexpr UINT kStartButtonId = 8448;
constexpr int kScriptButtonSlots = 10;
constexpr int16_t kNoSuchSubroutine = 4;

struct IdRange {
    UINT first, last;
};
bool In(UINT id, IdRange r) { return id >= r.first && id <= r.last; }

void RunLessonSubroutine(const char* name) { RunScriptSubroutine(g_lessonScript, name, 0); }

// The output panels take 5029 and 5032-5039 only from a graph that has them.
bool IsOutputPanelId(UINT id) { return id == 5029 || In(id, {5032, 5039}); }

// Passes a command to the device library; the Start button only while it can be clicked.
void OnDeviceCommand(HWND frame, UINT id, HWND control, UINT code) {
    HWND graphWnd = ActiveGraphWindow();
    if (id == kStartButtonId) {
        HWND button = graphWnd ? GetDlgItem(graphWnd, kStartButtonId) : nullptr;
        if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return;
    }
    if (g_app->driverOps.onDriverCommand)
        g_app->driverOps.onDriverCommand(g_app->hAcq, frame, static_cast<int32_t>(id),
                                         reinterpret_cast<const char*>(control), static_cast<int32_t>(code));
    if (id != kStartButtonId) return;
    // A recording may have started: the cursor tools fall back to the arrow unless kept usable.
    if (tagGS* gs = GetWindowGraph(graphWnd)) {
        if (gs->toolsWhileRecording == 0) {
            gs->currentTool = 16;
            CheckRadioButton(graphWnd, 16, 18, 16);
        }
    }
    UpdateGraphToolbar();
}

// A Lessons menu entry: its text names the lesson, with the first doubled "&" undone.
void OnLessonCommand(HWND frame, UINT id) {
    HMENU menu = GetMenu(frame);
    if (!menu) menu = g_frameMenu;
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
        if (RunScriptSubroutine(g_lessonScript, name, 0) == kNoSuchSubroutine)
            MessageBoxA(nullptr, name, MsgText("Error: Script not found"), MB_ICONEXCLAMATION);
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
    if (id == 4881) {
        if (code == 0) ToggleSegmentView(gs);
        else UpdateGraphToolbar();  // the device library's notice of a new recording mode
        return;
    }
    if (GetKeyState(VK_CONTROL) < 0) EraseAllData(gs);
    else EraseLastSegment(gs);
}

// The commands that sit before the plain ranges; true when the id was one of them.
bool OnSpecialCommand(UINT id, UINT code) {
    if (IsOutputPanelId(id)) {
        tagGS* gs = ActiveGraph();
        if (gs && gs->outPanels) OutCtlViewSetOnCommand(gs->outPanels, id);
        return true;
    }
    if (In(id, {4864, 4867}) || In(id, {16, 18})) {
        if (HWND graphWnd = ActiveGraphWindow()) SendMessageA(graphWnd, WM_COMMAND, id, 0);
        return true;
    }
    if (id == 402) {
        if (tagGS* gs = ActiveGraph()) PasteValuesToJournal(gs);
        return true;
    }
    if (id == 4881 || id == 4882) {
        OnSegmentCommand(id, code);
        return true;
    }
    if (In(id, {10000, 10004})) {
        OpenRecentFile(id);
        return true;
    }
    return false;
}
}  // namespace

void OnFrameCommand(HWND frame, UINT id, HWND control, UINT code) {
    g_commandWindow = frame;
    if (OnSpecialCommand(id, code)) return;
    if (In(id, {257, 268})) OnFileCommand(frame, id);
    else if (In(id, {513, 535})) OnEditCommand(frame, id, control, code);
    else if (In(id, {4607, 4863})) OnMarkerCommand(frame, id);
    else if (In(id, {1026, 1077})) OnTransformCommand(frame, id, control, code);
    else if (In(id, {2049, 2138})) OnDisplayCommand(frame, id, control);
    else if (In(id, {4097, 4351})) OnWindowCommand(frame, id);
    else if (In(id, {4353, 4363})) OnHelpCommand(frame, id);
    else if (In(id, {322, 386})) OnLessonCommand(frame, id);
    else if (In(id, {5000, 10000})) OnDeviceCommand(frame, id, control, code);
    else if (In(id, {12000, 12010})) OnScriptButtonCommand(id);
    else if (id == 4880) {
        if (tagGS* gs = ActiveGraph()) ShowStandardCurveDialog(gs);
    } else OnDefaultCommand(frame, id);
}

// File menu: new, open, close, quit and printer set-up; the rest belongs to the lesson.
void OnFileCommand(HWND frame, UINT id) {
    if (GetStatusHotKeyEx(id) == 0) return;
    switch (id) {
    case 257:
        if (!NewGraph(1)) ShowSelectionError(frame, 30, "new graph");
        break;
    case 258:
        OpenGraphFile(nullptr);
        break;
    case 259: RunLessonSubroutine("OnFileSave"); break;
    case 260: RunLessonSubroutine("OnFileSaveAs"); break;
    case 261: RunLessonSubroutine("OnPrint"); break;
    case 262:
        SendMessageA(frame, WM_CLOSE, 0, 0);
        break;
    case 263: {
        PRINTDLGA& pd = g_app->pd;
        const DWORD flags = pd.Flags;
        pd.Flags |= PD_PRINTSETUP;
        PrintDlgA(&pd);
        pd.Flags = flags;
        break;
    }
    case 264:
    case 265:
    case 267: {
        static const char* const names[] = {"OnUserItem1", "OnUserItem2", nullptr, "OnUserItem3"};
        if (ActiveGraphWindow()) RunLessonSubroutine(names[id - 264]);
        break;
    }
    case 268: {
        HWND client = g_app->hwndClient;
        char cls[16] = "";
        if (!client || !GetClassNameA(client, cls, sizeof cls) || lstrcmpiA(cls, "MDICLIENT") != 0) break;
        HWND child = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
        if (child) SendMessageA(child, WM_CLOSE, 0, 0);
        break;
    }
    default:
        break;
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
}  // namespace

// Window menu: tiling, cascading, closing all graphs; the window list goes to the MDI client.
void OnWindowCommand(HWND frame, UINT id) {
    HWND client = g_app->hwndClient;
    switch (id) {
    case 4097: SendMessageA(client, WM_MDITILE, MDITILE_HORIZONTAL, 0); break;
    case 4098: SendMessageA(client, WM_MDITILE, MDITILE_VERTICAL, 0); break;
    case 4099: SendMessageA(client, WM_MDICASCADE, 0, 0); break;
    case 4100:
        g_closeAllStopped = 0;
        EnumChildWindows(client, CloseGraphWindowProc, 0);
        ShowWindow(client, SW_SHOW);
        break;
    case 4101: SendMessageA(client, WM_MDIICONARRANGE, 0, 0); break;
    default:
        DefFrameProcA(frame, client, WM_COMMAND, id, 0);
        break;
    }
}

// Help menu: the About box, or a help document.
void OnHelpCommand(HWND frame, UINT id) {
    if (id == 4357) ShowAboutDialog(frame);
    else OpenHelpItem(id);
}
