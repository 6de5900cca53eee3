// The lesson language's menu ids and what a lesson may do to the entries they name: lessons name
// pop-ups and items by ids of their own, which stand for titles and frame commands.
#include "scripts/words/word_fields.h"
#include "base/app.h"
#include "base/notify.h"
#include "devlib/vk40.h"
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr int kMenuTitleChars = 60;  // 59 characters of an entry's text are compared
constexpr uint32_t kDeviceMenuId = 5000;
constexpr uint32_t kScriptPopupId = 1700;
constexpr UINT kScriptHotKeys[] = {2115, 2116};

struct stPopupTitle {
    uint16_t id;
    const char* title;
};
const stPopupTitle kPopupTitles[] = {
    {1001, "&File"},      {1002, "&Edit"},
    {1003, "&Transform"}, {1004, "&Display"},
    {1005, "&Window"},    {1051, "&Help"},
    {1107, "&Preferences"}, {1210, "Cli&pboard"},
    {1211, "&Journal"},   {1300, "&Digital filters"},
    {1301, "&Math functions"}, {1302, "&Template functions"},
    {1320, "&IIR"},       {1407, "&Wave color"},
    {1409, "&Show"},      {1471, "Dot Si&ze"},
    {1510, "&FIR"},       {1700, "Script"},
    {2447, "C&ursor Style"}, {5000, nullptr},  // the device menu's own title
    {5103, "Output choices"}, {10000, "&Lessons"},
};

// Script item ids and the frame commands they stand for: runs of consecutive script ids.
struct stItemRun {
    uint16_t firstId;
    uint16_t count;
    uint16_t commands[14];
};
// The lesson's ids of the Help items; their commands come from the Help menu's table.
constexpr uint32_t kHelpItemFirst = 1052, kHelpItemLast = 1057;

const stItemRun kItemRuns[] = {
    {1006, 5, {4097, 4098, 4099, 4101, 4100}},
    {1100, 7, {257, 258, 268, 259, 260, 263, 261}},
    {1108, 4, {264, 265, 262, 267}},
    {1150, 3, {2135, 535, 4615}},
    {1201, 9, {514, 515, 516, 517, 518, 519, 520, 521, 522}},
    {1250, 3, {524, 525, 526}},
    {1260, 3, {528, 529, 2091}},
    {1303, 14, {1056, 1057, 1059, 1060, 1061, 1062, 1063, 1064, 1065, 1067, 1068, 1069, 1066, 1058}},
    {1350, 9, {1026, 1027, 1028, 1029, 1073, 1074, 1075, 1076, 1077}},
    {1360, 11, {1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041}},
    {1380, 6, {1046, 1047, 1048, 1049, 1050, 1051}},
    {1402, 1, {2051}},
    {1405, 2, {2054, 2055}},
    {1408, 1, {2080}},
    {1410, 2, {2094, 2096}},
    {1450, 8, {2065, 2066, 2067, 2068, 2069, 2070, 2071, 2072}},
    {1460, 11, {2082, 2083, 2084, 2085, 2088, 2089, 2087, 2090, 2092, 2093, 2101}},
    {1472, 2, {2102, 2086}},
    {1480, 1, {2137}},
    {1481, 10, {2105, 2106, 2107, 2108, 2109, 2110, 2111, 2112, 2113, 2114}},
    {1710, 1, {2115}},
    {1720, 1, {2116}},
    {2056, 2, {2057, 2056}},
    {2200, 2, {513, 513}},
    {2400, 3, {2049, 2049, 2049}},
    {2410, 3, {2050, 2050, 2050}},
    {2420, 3, {2052, 2052, 2052}},
    {2423, 1, {2117}},
    {2430, 3, {2053, 2053, 2053}},
    {2440, 7, {2119, 2120, 2121, 2128, 2130, 2131, 2132}},
    {2448, 1, {2138}},
    {4357, 1, {4357}},
    {5100, 3, {5001, 5002, 5013}},
    {5104, 9, {5003, 5004, 5006, 5007, 5010, 5011, 5015, 5008, 5012}},
    {5201, 8, {5032, 5033, 5034, 5035, 5036, 5037, 5038, 5039}},
};

// What a lesson withdrew: commands grayed or removed one by one, and grayed pop-ups, whose
// commands are withdrawn with them. The frame asks before it runs a command.
std::vector<UINT> g_blockedCommands;
std::vector<HMENU> g_blockedPopups;

void Block(UINT command, bool on) {
    auto at = std::find(g_blockedCommands.begin(), g_blockedCommands.end(), command);
    if (on && at == g_blockedCommands.end()) g_blockedCommands.push_back(command);
    if (!on && at != g_blockedCommands.end()) g_blockedCommands.erase(at);
}

void BlockPopup(HMENU popup, bool on) {
    auto at = std::find(g_blockedPopups.begin(), g_blockedPopups.end(), popup);
    if (on && at == g_blockedPopups.end()) g_blockedPopups.push_back(popup);
    if (!on && at != g_blockedPopups.end()) g_blockedPopups.erase(at);
}

// A removed pop-up takes its commands with it: each stays withdrawn.
void BlockAllCommandsOf(HMENU menu) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            BlockAllCommandsOf(sub);
            BlockPopup(sub, false);
        } else {
            const UINT id = GetMenuItemID(menu, i);
            if (id != 0 && id != static_cast<UINT>(-1)) Block(id, true);
        }
    }
}

// The title a pop-up id stands for; null when the id names no pop-up.
bool IsPopupId(uint32_t id, const char** title) {
    for (const stPopupTitle& p : kPopupTitles) {
        if (p.id != id) continue;
        *title = p.id == kDeviceMenuId ? CVKDevice::GetMenuTitle() : p.title;
        return true;
    }
    return false;
}

UINT CommandOfItem(uint32_t id) {
    for (const stItemRun& run : kItemRuns)
        if (id >= run.firstId && id < static_cast<uint32_t>(run.firstId + run.count)) return run.commands[id - run.firstId];
    return 0;
}

// Depth first through the menu: the pop-up whose text is the title or the text the library keeps
// under the id, as its position in its parent.
bool FindMenuTitle(HMENU menu, uint32_t id, const char* title, int* position, HMENU* parent) {
    const char* kept = GetMenuStrKey(id);
    char text[kMenuTitleChars];
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        text[0] = 0;
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        if (text[0] && ((title && lstrcmpiA(text, title) == 0) || (kept && lstrcmpiA(text, kept) == 0))) {
            *position = i;
            *parent = menu;
            return true;
        }
        if (HMENU sub = GetSubMenu(menu, i))
            if (FindMenuTitle(sub, id, title, position, parent)) return true;
    }
    return false;
}

// A new text for an entry, its state and sub-menu kept.
void RenameEntry(HMENU menu, UINT item, BOOL byPosition, const char* text) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(text);
    SetMenuItemInfoA(menu, item, byPosition, &info);
}

void ChangePopup(HMENU menu, uint32_t id, const char* title, const char* text, int action) {
    int position = 0;
    HMENU parent = nullptr;
    if (!FindMenuTitle(menu, id, title, &position, &parent)) return;
    if (id == kScriptPopupId)
        for (UINT key : kScriptHotKeys) SetStatusHotKeyEx(key, action == 1 || action == 3 ? 0 : 1);
    const auto at = static_cast<UINT>(position);
    HMENU popup = GetSubMenu(parent, position);
    if (action == 0) {
        EnableMenuItem(parent, at, MF_BYPOSITION | MF_ENABLED);
        BlockPopup(popup, false);
    } else if (action == 1) {
        EnableMenuItem(parent, at, MF_BYPOSITION | MF_GRAYED | MF_DISABLED);
        if (popup) BlockPopup(popup, true);
    } else if (action == 2) {
        RenameEntry(parent, at, TRUE, text);
    } else {
        if (popup) {
            BlockAllCommandsOf(popup);
            BlockPopup(popup, false);
        }
        DeleteMenu(parent, at, MF_BYPOSITION);
    }
}

void ChangeItem(HMENU menu, uint32_t id, UINT command, const char* text, int action) {
    if (action == 2) {
        mlset(id, 0, text, 1);
        RenameEntry(menu, command, FALSE, text);
    } else if (action == 0) {
        EnableMenuItem(menu, command, MF_BYCOMMAND | MF_ENABLED);
        SetStatusHotKeyEx(command, 1);
        Block(command, false);
    } else if (action == 1) {
        EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
        SetStatusHotKeyEx(command, 0);
        Block(command, true);
    } else {
        DeleteMenu(menu, command, MF_BYCOMMAND);
        SetStatusHotKeyEx(command, 0);
        Block(command, true);
    }
}

}  // namespace

void ApplyScriptMenuChange(uint32_t id, const char* text, int action) {
    HMENU menu = g_app ? g_app->frame.hmenuFrame : nullptr;
    if (!menu) return;
    const char* title = nullptr;
    const int32_t help = id >= kHelpItemFirst && id <= kHelpItemLast ? notify::HelpItemCommand(id) : -1;
    if (help >= 0 && action != 2) {
        // The Help menu is built from its own table: the change goes there.
        notify::ChangeHelpItem(static_cast<UINT>(help), action);
        return;
    }
    if (help >= 0) {
        ChangeItem(menu, id, static_cast<UINT>(help), text, action);
    } else if (IsPopupId(id, &title)) {
        ChangePopup(menu, id, title, text, action);
    } else if (const UINT command = CommandOfItem(id)) {
        ChangeItem(menu, id, command, text, action);
    } else {
        return;
    }
    if (g_app->hwndFrame && GetMenu(g_app->hwndFrame) == menu) DrawMenuBar(g_app->hwndFrame);
}

int ScriptCommandAllowed(UINT command) {
    if (std::find(g_blockedCommands.begin(), g_blockedCommands.end(), command) != g_blockedCommands.end()) return 0;
    for (HMENU popup : g_blockedPopups)
        if (IsMenu(popup) && GetMenuState(popup, command, MF_BYCOMMAND) != static_cast<UINT>(-1)) return 0;
    return 1;
}

void ClearScriptMenuBlocks() {
    g_blockedCommands.clear();
    g_blockedPopups.clear();
}

// A restored entry's command may run again.
void UnblockScriptMenuEntry(uint32_t id) {
    const char* title = nullptr;
    if (IsPopupId(id, &title)) return;
    if (const UINT command = CommandOfItem(id)) Block(command, false);
}
