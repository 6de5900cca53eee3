// The lesson words that decide what the user may touch: ENABLE, DISABLE, SHOW, HIDE and SELECT,
// the file words FileCopy, SplitPath and GetCurrentDirectory, and the reset of the frame menu.
#include "scripts/words/word_fields.h"
#include "scripts/words/graph_words.h"
#include "scripts/words/word_table.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "scripts/scripts_ids.h"
#include "base/services.h"
#include "common/binding.h"
#include "controls/script_button.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/markers/markers.h"
#include "graph/dialogs/toolbar.h"
#include "graph/document/graph_doc.h"
#include "graph/window/display_toggles.h"
#include "graph/window/graph_window.h"
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kJournalPrefsDialog = 350;

struct stClickTarget {
    const char* word;
    ScriptPermission permission;
};
const stClickTarget kClickTargets[] = {
    {"VLABEL", kPermVLabel},           {"VSCALE", kPermVScale},
    {"VSCALEUNITS", kPermVScaleUnits}, {"HLABEL", kPermHLabel},
    {"HSCALE", kPermHScale},           {"HSCALEUNITS", kPermHScaleUnits},
    {"MEASUREMENTS", kPermMeasurements}, {"VSCROLLBAR", kPermVScrollBar},
    {"HSCROLLBAR", kPermHScrollBar},   {"SIZEWINDOW", kPermSizeWindow},
    {"DRAGWINDOW", kPermDragWindow},   {"ZOOMWINDOW", kPermZoomWindow},
    {"CLOSEWINDOW", kPermCloseWindow}, {"RMOUSEBUTTON", kPermRMouseButton},
    {"SIZEJOURNAL", kPermSizeJournal}, {"TOOLS", kPermTools},
};

void SetClickPermission(const char* target, uint16_t on) {
    for (const stClickTarget& t : kClickTargets)
        if (ScriptWordIs(target, t.word)) g_script.permissions[t.permission] = on;
}

// Every item of the menu and of its sub-menus, depth first.
void EnableAllMenuItems(HMENU menu, bool on) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
        if (HMENU sub = GetSubMenu(menu, i)) EnableAllMenuItems(sub, on);
    }
}

// A modified graph may leave without its save question only once the lesson saved it.
bool EnableSavePrompt(uint16_t on) {
    if (!on) {
        g_script.savePromptEnabled = 0;
        return true;
    }
    tagGS* gs = g_script.graph;
    if (!gs) return false;
    setDirtyGraphFlag(gs, 0);
    if (HWND journal = JournalHwndIfMade(gs->journalWnd)) SendMessageA(journal, EM_SETMODIFY, FALSE, 0);
    g_script.savePromptEnabled = 1;
    return true;
}

bool EnableUserButton(const char* caption, bool on) {
    tagGS* gs = g_script.graph;
    if (!gs) return true;
    const int i = FindScriptButton(gs, caption);
    if (i < 0) return false;
    EnableWindow(static_cast<CScriptButton*>(gs->scriptButtons[i])->GetWindow(), on);
    return true;
}

using EnableHandler = int16_t (*)(CWordFields& fields, uint16_t on);

// MENU id: one entry of the lesson menu, enabled or grayed.
int16_t EnableMenu(CWordFields& fields, uint16_t on) {
    const double id = fields.Number();
    if (CWordFields::Bad() || id < 0 || id > 0xFFFFFFFF) return kScriptStop;
    ApplyScriptMenuChange(static_cast<uint32_t>(id), "", on ? 0 : 1);
    return kScriptGoOn;
}

int16_t EnableAllMenus(CWordFields&, uint16_t on) {
    HMENU bar = g_app && g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    if (bar) {
        EnableAllMenuItems(bar, on != 0);
        DrawMenuBar(g_app->hwndFrame);
    }
    return kScriptGoOn;
}

// CLICK target: what a click on a part of the graph window may do.
int16_t EnableClick(CWordFields& fields, uint16_t on) {
    char arg[kScriptWordChars];
    if (fields.Word(arg)) SetClickPermission(arg, on);
    // The tool buttons show the permission at once.
    if (ScriptWordIs(arg, "TOOLS")) notify::UpdateGraphToolbar();
    return kScriptGoOn;
}

int16_t EnableSavePromptWord(CWordFields&, uint16_t on) { return EnableSavePrompt(on) ? kScriptGoOn : kScriptStop; }

int16_t EnableAll(CWordFields&, uint16_t) {
    ResetMenuAndToolbar();
    EnableAllHotKeys();
    return kScriptGoOn;
}

int16_t EnableUserButtonWord(CWordFields& fields, uint16_t on) {
    char arg[kScriptWordChars];
    fields.Text(arg);
    if (CWordFields::Bad() || !EnableUserButton(arg, on != 0)) return kScriptStop;
    return kScriptGoOn;
}

int16_t EnableJournalEditing(CWordFields&, uint16_t on) {
    if (HWND journal = g_script.graph ? GetJournalWindow(g_script.graph) : nullptr)
        SendMessageA(journal, EM_SETREADONLY, on ? FALSE : TRUE, 0);
    return kScriptGoOn;
}

// ENABLE's and DISABLE's targets; an unknown one changes nothing.
const stWordRow<EnableHandler> kEnableWords[] = {
    {"MENU", EnableMenu},
    {"ALLMENUS", EnableAllMenus},
    {"CLICK", EnableClick},
    {"SAVEPROMPT", EnableSavePromptWord},
    {"ALL", EnableAll},
    {"USERBUTTON", EnableUserButtonWord},
    {"JOURNALEDITING", EnableJournalEditing},
};

int16_t EnableOrDisable(stScriptCall& call, uint16_t on) {
    CWordFields fields(call.rest);
    char word[kScriptWordChars];
    if (!fields.Word(word)) return kScriptGoOn;
    if (const auto* row = FindWordRow(kEnableWords, word)) return row->run(fields, on);
    return kScriptGoOn;
}

// The whole graph user interface at once.
void ShowHideAll(tagGS* gs, int on) {
    const int show = on ? SW_SHOW : SW_HIDE;
    if (g_app->hwndToolbar) ShowWindow(g_app->hwndToolbar, show);
    if (gs->hwnd) ShowWindow(gs->hwnd, show);
    gs->lessonFlags[0] = gs->lessonFlags[1] = static_cast<uint32_t>(on);
    for (const char* name : {"SCOPEMODE", "CHARTMODE", "XYMODE", "VAUTOSCALE", "OPTRANGE", "HAUTOSCALE", "VCENTER",
                             "HCENTER", "FINDPEAK", "FINDNEXTPEAK"})
        SetScriptToolbarButton(name, on);
    SetGraphToolsShown(gs, on);
    SetMeasurementsShown(gs, on);
    SetGraphDisplayFlag(gs, on);
    SetGraphPlotMode(gs, 0, static_cast<int>(gs->gridOptions2));
    SetJournalShown(gs, on);
}

// FILEGROUP: the buttons from GRID on and the file buttons; a group word its buttons; else one.
void ShowToolbarButtons(const char* word, int on) {
    struct stButtonGroup {
        const char* const* names;
        size_t count;
    };
    static const char* const kModeGroup[] = {"SCOPEMODE", "CHARTMODE", "XYMODE"};
    static const char* const kAutoscaleGroup[] = {"VAUTOSCALE", "OPTRANGE", "HAUTOSCALE", "VCENTER", "HCENTER"};
    static const char* const kPeakGroup[] = {"FINDPEAK", "FINDNEXTPEAK"};
    static const char* const kFileGroup[] = {"GRID", "MARKER", "MEASUREMENTS", "CHANNELS", "JOURNAL", "RECENT"};
    static const stWordRow<stButtonGroup> kGroups[] = {
        {"MODEGROUP", {kModeGroup, 3}},
        {"AUTOSCALEGROUP", {kAutoscaleGroup, 5}},
        {"PEAKGROUP", {kPeakGroup, 2}},
        {"FILEGROUP", {kFileGroup, 6}},
        {"FINDFILE", {nullptr, 0}},  // no button of its own
    };
    const auto* group = FindWordRow(kGroups, word);
    if (!group) {
        SetScriptToolbarButton(word, on);
        return;
    }
    for (size_t i = 0; i < group->run.count; ++i) SetScriptToolbarButton(group->run.names[i], on);
}

using ShowHandler = int16_t (*)(CWordFields& fields, int on);

// DIALOGCTRLITEM dialog, control: whether the control shows whenever that dialog opens.
int16_t ShowDialogControl(CWordFields& fields, int on) {
    const double dialog = fields.Number(), control = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    return SetShowFlagDlgCtrlItem(static_cast<uint32_t>(dialog), static_cast<uint32_t>(control), on) ? kScriptGoOn
                                                                                                   : kScriptStop;
}

// ERRORPROMPTTEXT key, caption key: a message box of keyed texts, for SHOW and HIDE alike.
int16_t ShowErrorPromptText(CWordFields& fields, int) {
    char a[kScriptWordChars], b[kScriptWordChars];
    fields.Text(a);
    fields.Text(b);
    if (CWordFields::Bad()) return kScriptStop;
    HWND owner = GetActiveWindow();
    MessageBoxA(owner, Keyed(a), Keyed(b), MB_OK | MB_ICONINFORMATION);
    return kScriptGoOn;
}

int16_t ShowToolbar(CWordFields&, int on) {
    if (g_app->hwndToolbar) ShowWindow(g_app->hwndToolbar, on ? SW_SHOW : SW_HIDE);
    return kScriptGoOn;
}

// DIALOG id: SHOW opens the journal preferences; any other id is accepted and does nothing.
int16_t ShowDialog(CWordFields& fields, int) {
    const double id = fields.Number();
    if (CWordFields::Bad() || id == 0) return kScriptStop;
    if (id == kJournalPrefsDialog) DoJournalPrefsDialog(g_app->hwndFrame);
    return kScriptGoOn;
}

// ---- The parts of the current graph; without one they do nothing ----

int16_t ShowToolbarButton(CWordFields& fields, int on) {
    char arg[kScriptWordChars];
    if (fields.Word(arg) && g_script.graph) ShowToolbarButtons(arg, on);
    return kScriptGoOn;
}

// VSCALE and HSCALE: the lesson's flag for that axis' scale.
int16_t ShowScale(int axis, int on) {
    tagGS* gs = g_script.graph;
    if (gs) gs->lessonFlags[axis] = static_cast<uint32_t>(on);
    if (gs && gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    return kScriptGoOn;
}

// A part that a setter of the graph shows or hides.
template <void (*Set)(tagGS*, int)>
int16_t ShowPart(CWordFields&, int on) {
    if (tagGS* gs = g_script.graph) Set(gs, on);
    return kScriptGoOn;
}

void SetGridShown(tagGS* gs, int on) { SetGraphPlotMode(gs, on, static_cast<int>(gs->gridOptions2)); }
void SetGraphWindowShown(tagGS* gs, int on) {
    if (gs->hwnd) ShowWindow(gs->hwnd, on ? SW_SHOW : SW_HIDE);
}

// SHOW's and HIDE's targets; an unknown one fails.
const stWordRow<ShowHandler> kShowWords[] = {
    {"DIALOGCTRLITEM", ShowDialogControl},
    {"ERRORPROMPTTEXT", ShowErrorPromptText},
    {"TOOLBAR", ShowToolbar},
    {"VSCALEBUTTONS", [](CWordFields&, int) { return int16_t{kScriptGoOn}; }},
    {"DIALOG", ShowDialog},
    {"TOOLBARBUTTON", ShowToolbarButton},
    {"VSCALE", [](CWordFields&, int on) { return ShowScale(0, on); }},
    {"HSCALE", [](CWordFields&, int on) { return ShowScale(1, on); }},
    {"MARKERS", ShowPart<SetGraphToolsShown>},
    {"MEASUREMENTS", ShowPart<SetMeasurementsShown>},
    {"CHANNELBUTTONS", ShowPart<SetGraphDisplayFlag>},
    {"GRID", ShowPart<SetGridShown>},
    {"GRAPH", ShowPart<SetGraphWindowShown>},
    {"JOURNAL", ShowPart<SetJournalShown>},
    {"ALL", ShowPart<ShowHideAll>},
};

int16_t ShowOrHide(stScriptCall& call, int on) {
    CWordFields fields(call.rest);
    char word[kScriptWordChars];
    if (!fields.Word(word)) return kScriptStop;
    if (const auto* row = FindWordRow(kShowWords, word)) return row->run(fields, on);
    return kScriptStop;
}

// A text field must be written as text: a quoted literal or a string variable.
bool IsTextField(const char* pos) {
    while (*pos == ' ' || *pos == '\t' || *pos == ',') ++pos;
    return *pos == '"' || (pos[0] && (pos[1] == '$' || pos[1] == '@'));
}

// Reads a text field that must be written as text; false when it is not or is malformed.
bool ReadTextField(CWordFields& fields, char* out256) {
    if (!IsTextField(fields.Position())) return false;
    fields.Text(out256);
    return !CWordFields::Bad();
}

bool ReadStringVariable(CWordFields& fields, int* index, int* macro) {
    char name[kScriptWordChars];
    return fields.Word(name) && ParseScriptStringVariable(name, index, macro);
}

// The selected graph window becomes the client's active child.
int16_t SelectWindow(const char* title) {
    stGraphWindowSearch search{title, 0};
    if (g_app->hwndClient) EnumChildWindows(g_app->hwndClient, SelectGraphWindowCallback, reinterpret_cast<LPARAM>(&search));
    if (search.found && g_app->hwndClient && g_app->hwndActiveGraph)
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(g_app->hwndActiveGraph), 0);
    if (g_script.graph) DeviceGraphActivated(g_script.graph, 0);
    return search.found ? kScriptGoOn : kScriptStop;
}

using SelectHandler = int16_t (*)(CWordFields& fields, tagGS* gs);

int16_t SelectJournal(CWordFields&, tagGS* gs) {
    if (HWND journal = gs ? GetJournalWindow(gs) : nullptr) SetFocus(journal);
    return kScriptGoOn;
}

int16_t SelectWindowWord(CWordFields& fields, tagGS*) {
    char text[kScriptWordChars];
    fields.Text(text);
    if (CWordFields::Bad()) return kScriptStop;
    return SelectWindow(text);
}

// WAVE n and XWAVE n: the selected channel, or the channel along the horizontal axis of XY plots.
int16_t SelectChannel(CWordFields& fields, tagGS* gs, uint32_t tagGS::*channel) {
    const double n = fields.Number();
    if (CWordFields::Bad() || !(n >= 0 && n < kMaxChannels)) return kScriptStop;
    if (!gs) return kScriptGoOn;
    gs->*channel = static_cast<uint32_t>(n);
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    return kScriptGoOn;
}

// Marker n, or the last for 0, becomes the current one as a click on it would make it.
int16_t SelectMarker(CWordFields& fields, tagGS* gs) {
    const double n = fields.Number();
    if (CWordFields::Bad()) return kScriptStop;
    if (!gs || !gs->markers || !gs->markers->first || !(n >= 0 && n <= gs->markers->count)) return kScriptGoOn;
    if (stMarkerNode* node = GetMarkerByNumber(gs->markers->first, static_cast<uint32_t>(n)))
        CommitMarkerLabel(gs, node, 0, 1, 0);
    return kScriptGoOn;
}

// Only the three tools the graph window has buttons for.
int16_t SelectCursorTool(CWordFields& fields, tagGS* gs) {
    static const stWordRow<UINT> kTools[] = {
        {"ARROW", IDC_TOOL_ARROW},
        {"SELECTION", IDC_TOOL_IBEAM},
        {"ZOOM", IDC_TOOL_ZOOM},
    };
    char text[kScriptWordChars];
    fields.Word(text);
    const auto* tool = FindWordRow(kTools, text);
    if (!tool) return kScriptStop;
    if (gs && gs->hwnd) {
        SendMessageA(gs->hwnd, WM_COMMAND, tool->run, 0);
        InvalidateRect(gs->hwnd, nullptr, TRUE);
    }
    return kScriptGoOn;
}

// SELECT's targets; an unknown one fails while the script has a graph.
const stWordRow<SelectHandler> kSelectWords[] = {
    {"JOURNAL", SelectJournal},
    {"WINDOW", SelectWindowWord},
    {"WAVE", [](CWordFields& f, tagGS* gs) { return SelectChannel(f, gs, &tagGS::selectedChan); }},
    {"XWAVE", [](CWordFields& f, tagGS* gs) { return SelectChannel(f, gs, &tagGS::xyXChan); }},
    {"MARKER", SelectMarker},
    {"CURSORTOOL", SelectCursorTool},
};

}  // namespace

int16_t ScriptWordEnable(stScriptCall& call) { return EnableOrDisable(call, 1); }
int16_t ScriptWordDisable(stScriptCall& call) { return EnableOrDisable(call, 0); }
int16_t ScriptWordShow(stScriptCall& call) { return ShowOrHide(call, 1); }
int16_t ScriptWordHide(stScriptCall& call) { return ShowOrHide(call, 0); }

int16_t ScriptWordSelect(stScriptCall& call) {
    CWordFields fields(call.rest);
    char word[kScriptWordChars];
    if (!fields.Word(word)) return g_script.graph ? kScriptStop : kScriptGoOn;
    tagGS* gs = g_script.graph;
    if (const auto* row = FindWordRow(kSelectWords, word)) return row->run(fields, gs);
    return gs ? kScriptStop : kScriptGoOn;
}

int16_t ScriptWordFileCopy(stScriptCall& call) {
    CWordFields fields(call.rest);
    char source[kScriptWordChars], target[kScriptWordChars], var[kScriptWordChars];
    if (!ReadTextField(fields, source) || !ReadTextField(fields, target)) return kScriptStop;
    if (!fields.Word(var) || !IsNumericVariableName(var)) return kScriptStop;
    double failIfExists = 0.0;
    GetScriptNumericVariable(call.frame, var[0], &failIfExists, var[1] == '#');
    double result = 1.0;
    if (!CopyFileA(source, target, static_cast<int>(failIfExists) != 0)) {
        const DWORD error = GetLastError();
        result = error == ERROR_FILE_EXISTS ? 0.0 : static_cast<double>(error);
    }
    AssignScriptNumericVariable(call.frame, var, result);
    return kScriptGoOn;
}

int16_t ScriptWordSplitPath(stScriptCall& call) {
    CWordFields fields(call.rest);
    char path[kScriptWordChars];
    if (!ReadTextField(fields, path)) return kScriptStop;
    int index[4], macro[4];
    for (int i = 0; i < 4; ++i)
        if (!ReadStringVariable(fields, &index[i], &macro[i])) return kScriptStop;
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path, drive, dir, name, ext);
    const char* parts[4] = {drive, dir, name, ext};
    for (int i = 0; i < 4; ++i) AssignScriptStringVariable(index[i], parts[i], macro[i]);
    return kScriptGoOn;
}

int16_t ScriptWordGetCurrentDirectory(stScriptCall& call) {
    CWordFields fields(call.rest);
    int index = 0, macro = 0;
    if (!ReadStringVariable(fields, &index, &macro)) return kScriptStop;
    char folder[MAX_PATH] = "";
    const DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
    if (n == 0 || n >= sizeof folder) {
        AssignScriptStringVariable(index, "", macro);
        return kScriptStop;
    }
    AssignScriptStringVariable(index, folder, macro);
    return kScriptGoOn;
}

// The frame menu as it was before any lesson changed it, with every command a lesson may switch
// allowed again and the menus unlocked.
void ResetFrameMenu() {
    if (!g_app) return;
    g_app->frame.bMenusUnlocked = 1;
    for (ScriptPermission p : {kPermVScale, kPermVScaleUnits, kPermVLabel, kPermHScale, kPermHScaleUnits, kPermHLabel,
                               kPermMeasurements, kPermSizeWindow, kPermDragWindow, kPermZoomWindow, kPermCloseWindow})
        g_script.permissions[p] = 1;
    ClearScriptMenuBlocks();
    // Before the menu is attached it is still the one start-up loaded; only an attached menu
    // can carry a lesson's changes.
    if (g_app->frame.bFrameMenuAttached && g_app->hwndFrame) {
        if (HMENU fresh = LoadMenuA(g_app->hInstance, MAKEINTRESOURCEA(IDR_FRAME_MENU))) {
            if (HMENU lessons = CreatePopupMenu()) {
                notify::BuildLessonsMenu(lessons);
                const char* title = GetMenuStrKey(10000);
                AppendMenuA(fresh, MF_POPUP, reinterpret_cast<UINT_PTR>(lessons), title && *title ? title : "&Lessons");
            }
            HMENU old = g_app->frame.hmenuFrame;
            g_app->frame.hmenuFrame = fresh;
            notify::ShowAllHelpItems();
            notify::AttachFrameMenu();
            if (old && old != fresh) DestroyMenu(old);
            DeviceAppendMenu(g_app->hwndFrame);
            notify::UpdateFrameMenus(g_app->hwndFrame, fresh);
        }
    }
    if (tagGS* gs = g_script.graph) {
        gs->waveformRegionResize = 1;
        if (gs->hScrollBar) EnableWindow(gs->hScrollBar, TRUE);
        if (gs->vScrollBar) EnableWindow(gs->vScrollBar, TRUE);
        notify::UpdateGraphEditMenus(gs);
        notify::UpdateTransformMenu(g_app->hwndFrame, gs->hwnd);
    } else {
        notify::UpdateTransformMenu(g_app->hwndFrame, nullptr);
    }
    if (g_app->hwndFrame && GetMenu(g_app->hwndFrame)) DrawMenuBar(g_app->hwndFrame);
}

void ResetMenuAndToolbar() {
    ResetFrameMenu();
    ShowAllToolbarButtons();
}

// Opening a dropped file puts back the entries a lesson may have taken away; the menu itself
// was reloaded by the reset before it, so only the commands are allowed again.
void ApplyMenuChanges(int code, int32_t*, int mode) {
    if (mode == 3 && code >= 0) UnblockScriptMenuEntry(static_cast<uint32_t>(code));
}
