// The Help menu: six rows of a table, each a document beside the program, a page on the web or
// the About box; built at run time, leaving out what this machine cannot open.
#include "shell/help.h"
#include "base/app.h"
#include "shell/shell_ids.h"
#include "common/keyed_format.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include <shellapi.h>
#include <cstring>
#include <string>

namespace {

constexpr int kTargetChars = 264;
constexpr int kRows = 6;
constexpr int kAboutRow = 5;
constexpr char kMissingKey[] = "KEY Help document missing";

struct HelpItem {
    uint32_t id;
    uint32_t labelKey;
    char target[kTargetChars];
    const char* defaultLabel;
    uint32_t needsHtm;    // opened by the program registered for .htm files
    uint32_t relative;    // the target lies in the program folder
    uint32_t hidden;
    uint32_t viaBrowser;  // handed to the browser program as its parameter
};

HelpItem g_items[kRows] = {
    {IDM_HELP_POPUP, 1052, "", "&Help", 0, 0, 0, 0},
    {IDM_HELP_QUICK_GUIDE, 1053, "User Support\\Quick Guide TVX 3_7.pdf", "Quick Guide", 0, 1, 0, 0},
    {IDM_HELP_TUTORIAL, 1056, "User Support\\TVX 3_7 Tutorial.pdf", "Open TVX Tutorial", 0, 1, 0, 0},
    {IDM_HELP_SUPPORT_WEB, 1057, "https://www.norvane.com/tvxsupport/tvxsupportmaterials.htm",
     "Support Materials from Web", 1, 0, 0, 0},
    {IDM_HELP_VIDEO_FILES, 1054, "TVX Videos\\tvxvideodata.htm", "Video Data Files", 1, 1, 0, 0},
    {IDM_HELP_ABOUT, IDM_HELP_ABOUT, "", "About Norvane Tessaly", 0, 0, 0, 0},
};

HMENU g_popup = nullptr;
int g_htmProgram = -1;  // unknown until the first build, then 0 or 1 for the process
char g_browser[MAX_PATH] = "";

INT_PTR SystemOpen(HWND owner, const char* file, const char* parameters) {
    return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", file, parameters, nullptr, SW_SHOWNORMAL));
}

// The question FindExecutable answers, asked of the registry's classes directly: loading the
// shell library for it at start-up would cost more than the whole answer.
BOOL SystemHasProgramFor(const char* file) {
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) return FALSE;
    const char* dot = std::strrchr(file, '.');
    const char* slash = std::strrchr(file, '\\');
    if (!dot || (slash && dot < slash)) return FALSE;
    char type[MAX_PATH] = "";
    LONG size = sizeof type;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, dot, type, &size) != ERROR_SUCCESS || !type[0]) return FALSE;
    char command[MAX_PATH] = "";
    size = sizeof command;
    const std::string key = std::string(type) + "\\shell\\open\\command";
    return RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), command, &size) == ERROR_SUCCESS && command[0];
}

stHelpShell g_shell{SystemOpen, SystemHasProgramFor};

HelpItem* RowOfCommand(UINT id) {
    for (HelpItem& item : g_items)
        if (item.id == id) return &item;
    return nullptr;
}

std::string FullTarget(const HelpItem& item) {
    if (!item.relative) return item.target;
    return std::string(g_app ? g_app->szAppFolder : "") + "\\" + item.target;
}

// Whether a program opens .htm files: asked once, of a scratch file that goes when closed.
void FindHtmProgram() {
    if (g_htmProgram >= 0) return;
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    const std::string path = std::string(folder) + "\\dummy.htm";
    const CScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    g_htmProgram = g_shell.hasProgramFor(path.c_str()) ? 1 : 0;
}

// The browser's command line, from the class of its automation object.
void FindBrowser() {
    if (g_browser[0]) return;
    char clsid[MAX_PATH] = "";
    LONG size = sizeof clsid;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, "InternetExplorer.Application\\CLSID", clsid, &size) != ERROR_SUCCESS)
        return;
    const std::string server = std::string("CLSID\\") + clsid + "\\LocalServer32";
    size = sizeof g_browser;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, server.c_str(), g_browser, &size) != ERROR_SUCCESS) g_browser[0] = 0;
}

// Whether a row's item goes into the menu on this machine.
bool RowOpens(const HelpItem& item) {
    if (item.hidden || (item.needsHtm && g_htmProgram != 1) || (item.viaBrowser && !g_browser[0])) return false;
    if (!item.relative) return true;
    const std::string full = FullTarget(item);
    if (item.viaBrowser) return GetFileAttributesA(full.c_str()) != INVALID_FILE_ATTRIBUTES;
    return g_shell.hasProgramFor(full.c_str()) != 0;
}

const char* Label(const HelpItem& item) {
    const char* label = mlgetName(item.labelKey, 0);
    return label && label[0] ? label : item.defaultLabel;
}

// Takes the last built popup off the bar and destroys it; its position on the bar, or -1.
int DropHelpMenu() {
    if (!g_popup) return -1;
    HMENU bar = g_app && g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    if (!bar && g_app) bar = g_app->frame.hmenuFrame;
    int position = -1;
    for (int i = bar ? GetMenuItemCount(bar) - 1 : -1; i >= 0; --i)
        if (GetSubMenu(bar, i) == g_popup) {
            RemoveMenu(bar, static_cast<UINT>(i), MF_BYPOSITION);
            position = i;
        }
    DestroyMenu(g_popup);
    g_popup = nullptr;
    return position;
}

}  // namespace

void SetHelpShell(const stHelpShell& shell) {
    g_shell.open = shell.open ? shell.open : SystemOpen;
    g_shell.hasProgramFor = shell.hasProgramFor ? shell.hasProgramFor : SystemHasProgramFor;
    g_htmProgram = -1;  // asked again of the new shell
}

void RegisterHelpMenuLabels() {
    for (const HelpItem& item : g_items) mlset(item.labelKey, 0, item.defaultLabel, 1);
}

HMENU HelpMenu() { return g_popup; }

void InitHelpMenu() {
    FindHtmProgram();
    FindBrowser();
    const int position = DropHelpMenu();  // a rebuilt menu keeps its place on the bar
    if (g_items[0].hidden || !g_app) return;
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    for (int row = 1; row < kAboutRow; ++row)
        if (RowOpens(g_items[row]) && !AppendMenuA(popup, MF_STRING, g_items[row].id, Label(g_items[row]))) {
            DestroyMenu(popup);
            return;
        }
    if (!g_items[kAboutRow].hidden) {
        if (GetMenuItemCount(popup) > 0) AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(popup, MF_STRING, g_items[kAboutRow].id, Label(g_items[kAboutRow]));
    }
    // The held frame menu first: while a reset attaches a fresh one, the frame still shows the old.
    HMENU bar = g_app->frame.hmenuFrame;
    if (!bar && g_app->hwndFrame) bar = GetMenu(g_app->hwndFrame);
    const UINT at = position >= 0 ? static_cast<UINT>(position) : static_cast<UINT>(-1);
    if (GetMenuItemCount(popup) < 1 || !bar ||
        !InsertMenuA(bar, at, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                     Label(g_items[0]))) {
        DestroyMenu(popup);
        return;
    }
    g_popup = popup;
    if (g_app->hwndFrame && GetMenu(g_app->hwndFrame) == bar) DrawMenuBar(g_app->hwndFrame);
}

// A command in no row takes the video row, as it always has. A document that is not there is
// reported instead of handed to the shell.
INT_PTR OpenHelpItem(UINT id) {
    const HelpItem* item = RowOfCommand(id);
    if (!item) item = &g_items[4];
    const std::string full = FullTarget(*item);
    HWND frame = Owner();
    if (item->relative && GetFileAttributesA(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
        char text[MAX_PATH + 256];
        FormatKeyedText(text, sizeof text, Keyed(kMissingKey), full.c_str());
        MessageBoxA(frame, text, ProgramTitle(), MB_OK | MB_ICONEXCLAMATION);
        return SE_ERR_FNF;
    }
    if (item->viaBrowser) return g_shell.open(frame, g_browser, full.c_str());
    return g_shell.open(frame, full.c_str(), nullptr);
}

int32_t GetHelpItemCommand(uint32_t labelKey) {
    for (const HelpItem& item : g_items)
        if (item.labelKey == labelKey) return static_cast<int32_t>(item.id);
    return -1;
}

// A target too long for the row is refused whole rather than cut into another path.
void SetHelpItem(uint32_t labelKey, const char* target, uint32_t relative, uint32_t needsHtm, uint32_t viaBrowser) {
    for (HelpItem& item : g_items) {
        if (item.labelKey != labelKey) continue;
        if (target && target[0] && std::strlen(target) < sizeof item.target) lstrcpyA(item.target, target);
        item.relative = relative;
        item.needsHtm = needsHtm;
        item.viaBrowser = viaBrowser;
        return;
    }
}

void HideHelpItem(UINT id) {
    if (HelpItem* item = RowOfCommand(id)) item->hidden = 1;
}

void SetHelpItemOfCommand(UINT command, const char* target, uint32_t relative, uint32_t needsHtm, uint32_t viaBrowser) {
    if (const HelpItem* item = RowOfCommand(command)) SetHelpItem(item->labelKey, target, relative, needsHtm, viaBrowser);
}

// A lesson's change of a Help item: enabled or grayed where it stands, or left out of the menu,
// which is built again without it at once.
void ChangeHelpItem(UINT command, int action) {
    if (!RowOfCommand(command) || !g_app) return;
    if (action == 0 || action == 1) {
        HMENU bar = g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
        if (!bar) bar = g_app->frame.hmenuFrame;
        if (bar) EnableMenuCommand(bar, command, action == 0);
        return;
    }
    HideHelpItem(command);
    InitHelpMenu();
    if (g_app->hwndFrame) DrawMenuBar(g_app->hwndFrame);
}

void ShowAllHelpItems() {
    for (HelpItem& item : g_items) item.hidden = 0;
}

void EnableMenuCommand(HMENU menu, UINT id, BOOL enable) {
    const UINT state = enable ? MF_ENABLED : MF_GRAYED;
    if (id != IDM_HELP_POPUP) {
        EnableMenuItem(menu, id, MF_BYCOMMAND | state);
        return;
    }
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i)
        if (g_popup && GetSubMenu(menu, i) == g_popup) EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | state);
    if (g_app && g_app->hwndFrame) DrawMenuBar(g_app->hwndFrame);
}
