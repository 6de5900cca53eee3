// The command permission table: which restricted commands the lesson scripts allow now.
#include "devlib/vk40.h"

namespace {

constexpr int kHotKeys = 128;
constexpr uint32_t kAllowed = 1;
constexpr uint32_t kRestricted = 0;

struct stHotKey {
    uint32_t id;  // 0: free
    uint32_t status;
    int32_t fixed;  // 0: EnableAllHotKeys allows the command again
};

stHotKey g_hotKeys[kHotKeys];

// Lookups and new entries both start from the top of the table.
stHotKey* FindHotKey(uint32_t id) {
    if (id == 0) return nullptr;
    for (int i = kHotKeys - 1; i >= 0; --i) {
        if (g_hotKeys[i].id == id) return &g_hotKeys[i];
    }
    return nullptr;
}

stHotKey* FreeHotKey() {
    for (int i = kHotKeys - 1; i >= 0; --i) {
        if (g_hotKeys[i].id == 0) return &g_hotKeys[i];
    }
    return nullptr;
}

}  // namespace

// 1 registered; 2 already registered (its status kept); 3 no room. Id 0 marks a free entry and
// never finds room.
int32_t RegHotKeyEx(uint32_t id, uint32_t status, int32_t fixed) {
    if (FindHotKey(id)) return kHotKeyAlreadyRegistered;
    stHotKey* entry = id != 0 ? FreeHotKey() : nullptr;
    if (!entry) return kHotKeyTableFull;
    *entry = stHotKey{id, status, fixed};
    return kHotKeyRegistered;
}

// A command never registered is always allowed: 2.
uint32_t GetStatusHotKeyEx(uint32_t id) {
    const stHotKey* entry = FindHotKey(id);
    return entry ? entry->status : kHotKeyUnregistered;
}

int32_t SetStatusHotKeyEx(uint32_t id, uint32_t status) {
    stHotKey* entry = FindHotKey(id);
    if (!entry) return kHotKeyNotRegistered;
    entry->status = status;
    return kHotKeyStatusSet;
}

// Allows again every restricted command registered as re-enabled.
void EnableAllHotKeys() {
    for (stHotKey& entry : g_hotKeys) {
        if (entry.id != 0 && entry.fixed == 0) entry.status = kAllowed;
    }
}
