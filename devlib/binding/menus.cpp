// The device menu merged into the frame's menu bar, the menu keys (pop-up titles by id) and the
// menu items (item texts by name, per group) that lesson scripts use to rename menus.
#include "devlib/binding/menus.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/stAcq.h"
#include "common/scoped_handle.h"
#include "devlib/resource.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/binding/binding.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {

constexpr int kMenuKeys = 128;
constexpr int kMenuGroups = 25;
constexpr int kGroupItems = 128;
constexpr int kMenuTextSize = 128;
constexpr int kMaxSubMenuDepth = 16;           // a menu tree deeper than this is not walked further
constexpr LONGLONG kMaxMenuDscSize = 1 << 20;  // the description file is small; more is not read

// Output Control items that only some units have.
constexpr UINT kOutputsMissingOn40[] = {IDM_OUTPUT_DIGITAL, IDM_OUTPUT_RJ72C, IDM_OUTPUT_RJ72C_ADVANCED,
                                        IDM_OUTPUT_TVXSTM_SECOND};
constexpr UINT kOutputsMissingOn45[] = {IDM_OUTPUT_TVXSTM_SECOND, IDM_OUTPUT_RJ72C_ADVANCED};

// The program's wave-colour items keep their texts when a menu is renamed.
constexpr UINT kFirstWaveColour = 2065;
constexpr UINT kLastWaveColour = 2071;

struct stMenuKey {
    uint32_t key;  // 0: free
    char text[kMenuTextSize];
};

struct stMenuItemText {
    char name[kMenuTextSize];  // empty: free
    char text[kMenuTextSize];
};

struct stMenuGroup {
    uint32_t id;  // 0: free
    stMenuItemText items[kGroupItems];
};

struct stMenuDscName {
    const char* name;
    UINT id;
};

// The names are the ids' own, so the description file and the resource header agree.
#define MENU_DSC_NAME(id) \
    { #id, id }
constexpr stMenuDscName kMenuDscNames[] = {
    MENU_DSC_NAME(IDM_CHANNELS),           MENU_DSC_NAME(IDM_ACQUISITION), MENU_DSC_NAME(IDM_TRIGGERING),
    MENU_DSC_NAME(IDM_STIMULATOR),         MENU_DSC_NAME(IDM_INPUTVALUES), MENU_DSC_NAME(IDM_MANUAL),
    MENU_DSC_NAME(IDM_AUTOPLOT),           MENU_DSC_NAME(IDM_AUTOSCROLL),  MENU_DSC_NAME(IDM_ORGTEMPLATE),
    MENU_DSC_NAME(IDM_WARNINGONOVERWRITE), MENU_DSC_NAME(IDM_ABOUT),       MENU_DSC_NAME(IDM_ELECTRODE),
};
#undef MENU_DSC_NAME

struct stDefaultKey {
    uint32_t key;
    const char* text;
};

constexpr stDefaultKey kDefaultMenuKeys[] = {
    {1051, "&Help"},
    {1001, "&File"},
    {1107, "&Preferences"},
    {1002, "&Edit"},
    {1210, "Cli&pboard"},
    {1211, "&Journal"},
    {1003, "&Transform"},
    {1300, "&Digital filters"},
    {1301, "&Math functions"},
    {1302, "&Template functions"},
    {1004, "&Display"},
    {1407, "&Wave color"},
    {1409, "&Show"},
    {1471, "Dot Si&ze"},
    {1005, "&Window"},
    {5000, "&VK40"},
    {10000, "&Lessons"},
    {1510, "&FIR"},
    {1320, "&IIR"},
    {1700, "Script"},
    {2447, "C&ursor Style"},
    {5103, "O&utput Control"},
};

// Copies and always terminates; a longer text is cut.
void CopyText(char* to, size_t size, const char* from) { std::snprintf(to, size, "%s", from ? from : ""); }

// Filled with the defaults when the library loads.
struct CMenuKeys {
    stMenuKey entries[kMenuKeys] = {};
    CMenuKeys() { AddDefaults(); }

    void AddDefaults() {
        for (const stDefaultKey& def : kDefaultMenuKeys) Add(def.key, def.text);
    }
    stMenuKey* Find(uint32_t key) {
        if (key == 0) return nullptr;
        for (int i = kMenuKeys - 1; i >= 0; --i) {
            if (entries[i].key == key) return &entries[i];
        }
        return nullptr;
    }
    // A full table takes nothing more.
    void Add(uint32_t key, const char* text) {
        for (int i = kMenuKeys - 1; i >= 0; --i) {
            if (entries[i].key == 0) {
                entries[i].key = key;
                CopyText(entries[i].text, sizeof entries[i].text, text);
                return;
            }
        }
    }
};

CMenuKeys g_menuKeys;
stMenuGroup g_menuGroups[kMenuGroups];

stMenuGroup* FindGroup(uint32_t id) {
    if (id == 0) return nullptr;
    for (int i = kMenuGroups - 1; i >= 0; --i) {
        if (g_menuGroups[i].id == id) return &g_menuGroups[i];
    }
    return nullptr;
}

stMenuGroup* FreeGroup() {
    for (int i = kMenuGroups - 1; i >= 0; --i) {
        if (g_menuGroups[i].id == 0) return &g_menuGroups[i];
    }
    return nullptr;
}

stMenuItemText* FindItem(stMenuGroup* group, const char* name) {
    for (int i = kGroupItems - 1; i >= 0; --i) {
        stMenuItemText& item = group->items[i];
        if (item.name[0] && _strnicmp(item.name, name, kMenuTextSize - 1) == 0) return &item;
    }
    return nullptr;
}

stMenuItemText* FreeItem(stMenuGroup* group) {
    for (int i = kGroupItems - 1; i >= 0; --i) {
        if (!group->items[i].name[0]) return &group->items[i];
    }
    return nullptr;
}

// Renames the items of one menu and its sub-menus, from the last position to the first.
void RenameMenuItems(stMenuGroup* group, HMENU menu, int depth) {
    if (!menu || depth > kMaxSubMenuDepth) return;
    for (int pos = GetMenuItemCount(menu) - 1; pos >= 0; --pos) {
        char text[kMenuTextSize] = {};
        if (GetMenuStringA(menu, static_cast<UINT>(pos), text, sizeof text, MF_BYPOSITION) <= 0 || !text[0]) continue;
        const stMenuItemText* entry = FindItem(group, text);
        const UINT id = GetMenuItemID(menu, pos);
        if (entry && !(id >= kFirstWaveColour && id <= kLastWaveColour)) {
            // Only the text changes: the id, state and any sub-menu stay.
            char newText[kMenuTextSize];
            CopyText(newText, sizeof newText, entry->text);
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STRING;
            info.dwTypeData = newText;
            SetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &info);
        }
        RenameMenuItems(group, GetSubMenu(menu, pos), depth + 1);
    }
}

// The whole of ".\Menu.Dsc", or nothing when it is missing, unreadable or too large.
std::vector<char> ReadMenuDsc() {
    std::vector<char> text;
    CScopedHandle file(CreateFileA(".\\Menu.Dsc", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return text;
    // The whole 64-bit size: a file past 4 GiB must not pass for its low 32 bits.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart <= kMaxMenuDscSize) {
        const DWORD bytes = static_cast<DWORD>(size.QuadPart);
        text.resize(bytes);
        DWORD got = 0;
        if (bytes && (!ReadFile(file.get(), text.data(), bytes, &got, nullptr) || got != bytes)) text.clear();
    }
    return text;
}

UINT MenuDscId(const char* name, size_t length) {
    for (const stMenuDscName& known : kMenuDscNames) {
        if (std::strlen(known.name) == length && _strnicmp(known.name, name, length) == 0) return known.id;
    }
    return 0;
}

// Every "IDM_<name>" followed by one separator character and "OFF" deletes that item.
void ApplyMenuDsc(HMENU menu) {
    const std::vector<char> text = ReadMenuDsc();
    const size_t size = text.size();
    const char* data = text.data();
    for (size_t at = 0; at + 4 <= size; ++at) {
        if (std::memcmp(data + at, "IDM_", 4) != 0) continue;
        size_t end = at;
        while (end < size && data[end] != ' ' && data[end] != '=') ++end;
        const size_t off = end + 1;
        if (off + 3 <= size && std::memcmp(data + off, "OFF", 3) == 0) {
            const UINT id = MenuDscId(data + at, end - at);
            if (id) DeleteMenu(menu, id, MF_BYCOMMAND);
        }
        at = end > at ? end - 1 : at;
    }
}

// The "VK40" template's one pop-up, detached from the bar it loads into; null on any failure.
HMENU LoadDeviceMenu() {
    HRSRC found = FindResourceA(g_lib.instance, "VK40", reinterpret_cast<LPCSTR>(RT_MENU));
    HGLOBAL loaded = found ? LoadResource(g_lib.instance, found) : nullptr;
    const void* tmpl = loaded ? LockResource(loaded) : nullptr;
    HMENU bar = tmpl ? LoadMenuIndirectA(tmpl) : nullptr;
    if (!bar) return nullptr;
    HMENU popup = GetSubMenu(bar, 0);
    if (popup) RemoveMenu(bar, 0, MF_BYPOSITION);  // the pop-up outlives its bar
    DestroyMenu(bar);
    return popup;
}

}  // namespace

// Loads the device menu, prunes it by ".\Menu.Dsc" and by the unit's outputs, and appends it to
// the frame's menu bar. Always 0; on failure the menu bar stays as it was.
int32_t MergeDriverMenu(HWND frame) {
    HMENU bar = frame ? GetMenu(frame) : nullptr;
    if (!bar) return 0;
    HMENU device = LoadDeviceMenu();
    if (!device) return 0;
    ApplyMenuDsc(device);
    const bool vk45 = g_unitModel == kModelVK45;
    char title[16];
    std::snprintf(title, sizeof title, "&%s", UnitName());
    if (!AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(device), title)) {
        DestroyMenu(device);
        return 0;
    }
    if (vk45) {
        for (UINT id : kOutputsMissingOn45) DeleteMenu(device, id, MF_BYCOMMAND);
    } else {
        for (UINT id : kOutputsMissingOn40) DeleteMenu(device, id, MF_BYCOMMAND);
    }
    DrawMenuBar(frame);
    CheckMenuItem(device, IDM_AUTOPLOT, MF_BYCOMMAND | (g_lib.autoPlotting ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(device, IDM_AUTOSCROLL, MF_BYCOMMAND | (g_lib.scrolling ? MF_CHECKED : MF_UNCHECKED));
    // The mark shows the flag a start asks by, as the active graph's word left it (a reset of the
    // menus comes after the graphs that set it).
    const AcqLock acq(g_lib.hAcq);
    const bool warn = !acq || acq->warnOnOverwrite;
    CheckMenuItem(device, IDM_WARNINGONOVERWRITE, MF_BYCOMMAND | (warn ? MF_CHECKED : MF_UNCHECKED));
    return 0;
}

// Adds the default keys again below the ones there; lookups still find the earlier ones.
int32_t InitMenuStrKeyContainer() {
    g_menuKeys.AddDefaults();
    return 1;
}

int32_t SetMenuStrKey(uint32_t key, const char* text) {
    stMenuKey* entry = g_menuKeys.Find(key);
    if (!entry) return kMenuKeyMissing;
    CopyText(entry->text, sizeof entry->text, text);
    return kMenuKeySet;
}

const char* GetMenuStrKey(uint32_t key) {
    const stMenuKey* entry = g_menuKeys.Find(key);
    return entry ? entry->text : nullptr;
}

// Sets or adds one item text of a group, making the group when it is new. 0 for a null or empty
// name or group 0, which mark free entries.
int32_t SetMenuItem(uint32_t groupId, const char* name, const char* text) {
    if (groupId == 0 || !name || !name[0]) return 0;
    stMenuGroup* group = FindGroup(groupId);
    if (!group) {
        group = FreeGroup();
        if (!group) return kMenuItemNoRoom;
        group->id = groupId;
    }
    stMenuItemText* item = FindItem(group, name);
    if (!item) {
        item = FreeItem(group);
        if (!item) return kMenuItemNoRoom;
        CopyText(item->name, sizeof item->name, name);
    }
    CopyText(item->text, sizeof item->text, text);
    return kMenuItemSet;
}

// Renames a menu's items (and its sub-menus') by the group's entries.
int32_t AdjustMenuByContainerData(uint32_t groupId, HMENU menu) {
    if (!menu) return 0;
    stMenuGroup* group = FindGroup(groupId);
    if (!group) return kMenuGroupMissing;
    RenameMenuItems(group, menu, 0);
    return 1;
}

const char* GetPopupMenuItemName(uint32_t groupId, const char* name) {
    stMenuGroup* group = FindGroup(groupId);
    if (!group || !name || !name[0]) return nullptr;
    const stMenuItemText* item = FindItem(group, name);
    return item ? item->text : nullptr;
}
