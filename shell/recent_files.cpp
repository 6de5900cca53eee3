// The recent files: the last four graph files opened or saved, listed in the File menu, and the
// folders the file dialogs start in; all kept per user in the registry.
#include "shell/recent_files.h"
#include "base/app.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "common/keyed_format.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_open.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kFilesSubkey[] = "Recent Files";
constexpr char kVanishedKey[] = "KEY Recent file vanished";

char g_key[MAX_PATH] = "Software\\Norvane\\MRU";
CRecentFiles g_recent;

// A text value as the store writes it (with or without its end mark); false for a missing
// value, one of another type, and a text that does not fit a path.
bool ReadText(HKEY key, const char* name, char* out) {
    char buf[MAX_PATH + 1] = "";
    DWORD type = 0, bytes = MAX_PATH;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    buf[bytes] = 0;
    if (std::strlen(buf) >= MAX_PATH) return false;
    lstrcpynA(out, buf, MAX_PATH);
    return true;
}

// The text without its end mark, as the store has always been written.
void WriteText(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text)));
}

std::string SubkeyPath(const char* key) { return std::string(key) + "\\" + kFilesSubkey; }

void ShowMessage(const char* text) {
    MessageBoxA(Owner(), text, g_app && g_app->szAppTitle[0] ? g_app->szAppTitle : "",
                MB_OK | MB_ICONEXCLAMATION);
}

// The File popup of a menu bar: the one that holds Quit.
HMENU FilePopup(HMENU bar, int* quitPosition) {
    for (int i = 0, n = GetMenuItemCount(bar); i < n; ++i) {
        HMENU popup = GetSubMenu(bar, i);
        if (!popup) continue;
        for (int j = 0, m = GetMenuItemCount(popup); j < m; ++j) {
            if (GetMenuItemID(popup, j) != IDM_FILE_QUIT) continue;
            *quitPosition = j;
            return popup;
        }
    }
    return nullptr;
}

void Refresh() {
    g_recent.Save(g_key);
    if (!g_app) return;
    HMENU shown = g_app->hwndFrame ? GetMenu(g_app->hwndFrame) : nullptr;
    UpdateRecentFilesMenu(shown ? shown : g_app->frame.hmenuFrame);
}

}  // namespace

int CRecentFiles::Load(const char* key) {
    *this = CRecentFiles{};
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) == ERROR_SUCCESS) {
        for (int slot = 0; slot < kRecentFolderSlots; ++slot) {
            const char name[2] = {static_cast<char>('0' + slot), 0};
            if (!ReadText(hkey, name, m_folders[slot])) m_folders[slot][0] = 0;
        }
        RegCloseKey(hkey);
    }
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SubkeyPath(key).c_str(), 0, KEY_READ, &hkey) == ERROR_SUCCESS) {
        // The list ends at the first value that cannot be read; the values after it are not ours
        // to list or to clear.
        for (int slot = 0; slot < kRecentFileSlots; ++slot) {
            const char name[2] = {static_cast<char>('0' + slot), 0};
            char path[MAX_PATH];
            if (!ReadText(hkey, name, path) || !path[0]) break;
            bool seen = false;
            for (int i = 0; i < m_count; ++i) seen = seen || lstrcmpiA(m_files[i], path) == 0;
            if (!seen) lstrcpynA(m_files[m_count++], path, MAX_PATH);
        }
        RegCloseKey(hkey);
    }
    m_written = m_count;
    return m_count;
}

// A value this run listed and then took off the list goes, so the file does not come back with
// the next run; values beyond what this run read or listed stay as they are.
void CRecentFiles::Save(const char* key) const {
    HKEY hkey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &hkey, nullptr) == ERROR_SUCCESS) {
        WriteText(hkey, "0", m_folders[0]);
        WriteText(hkey, "1", m_folders[1]);
        RegCloseKey(hkey);
    }
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SubkeyPath(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hkey,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (int slot = 0; slot < kRecentFileSlots; ++slot) {
        const char name[2] = {static_cast<char>('0' + slot), 0};
        if (slot < m_count)
            WriteText(hkey, name, m_files[slot]);
        else if (slot < m_written)
            RegDeleteValueA(hkey, name);
    }
    RegCloseKey(hkey);
}

void CRecentFiles::Add(const char* path) {
    if (!path || !path[0]) return;
    char full[MAX_PATH];
    if (!GetFullPathNameA(path, sizeof full, full, nullptr)) lstrcpynA(full, path, sizeof full);
    int at = m_count < kRecentFileSlots ? m_count : kRecentFileSlots - 1;  // the slot that is given up
    for (int i = 0; i < m_count; ++i)
        if (lstrcmpiA(m_files[i], full) == 0) at = i;
    if (at == m_count) ++m_count;
    if (m_written < m_count) m_written = m_count;
    for (int i = at; i > 0; --i) std::memcpy(m_files[i], m_files[i - 1], MAX_PATH);
    lstrcpynA(m_files[0], full, MAX_PATH);
}

void CRecentFiles::Remove(int slot) {
    if (slot < 0 || slot >= m_count) return;
    for (int i = slot; i + 1 < m_count; ++i) std::memcpy(m_files[i], m_files[i + 1], MAX_PATH);
    std::memset(m_files[--m_count], 0, MAX_PATH);
}

void CRecentFiles::SetFolder(int slot, const char* folder) {
    lstrcpynA(m_folders[slot ? 1 : 0], folder ? folder : "", MAX_PATH);
}

void SetRecentFilesKey(const char* key) { lstrcpynA(g_key, key, sizeof g_key); }

void LoadRecentFiles() {
    g_recent.Load(g_key);
    for (int slot = 0; slot < kRecentFolderSlots; ++slot) SetRememberedFolder(slot, g_recent.Folder(slot));
}

void SaveRecentFiles() {
    for (int slot = 0; slot < kRecentFolderSlots; ++slot) g_recent.SetFolder(slot, RememberedFolderText(slot));
    g_recent.Save(g_key);
}

void AddRecentFile(const char* path) {
    g_recent.Add(path);
    for (int slot = 0; slot < kRecentFolderSlots; ++slot) g_recent.SetFolder(slot, RememberedFolderText(slot));
    Refresh();
}

// Numbered items above Quit, closed by a separator that carries the range's spare id so that
// the next update finds it again.
void UpdateRecentFilesMenu(HMENU frameMenu) {
    int quit = 0;
    HMENU popup = frameMenu ? FilePopup(frameMenu, &quit) : nullptr;
    if (!popup) return;
    for (UINT id = IDM_RECENT_FILE_FIRST; id <= IDM_RECENT_FILE_LAST; ++id) DeleteMenu(popup, id, MF_BYCOMMAND);
    FilePopup(frameMenu, &quit);  // Quit moved up
    if (g_recent.Count() == 0) return;
    for (int slot = 0; slot < g_recent.Count(); ++slot) {
        char label[MAX_PATH + 8];
        std::snprintf(label, sizeof label, "&%d %s", slot + 1, g_recent.File(slot));
        InsertMenuA(popup, static_cast<UINT>(quit + slot), MF_BYPOSITION | MF_STRING, IDM_RECENT_FILE_FIRST + slot,
                    label);
    }
    MENUITEMINFOA separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE | MIIM_ID;
    separator.fType = MFT_SEPARATOR;
    separator.wID = IDM_RECENT_FILE_LAST;
    InsertMenuItemA(popup, static_cast<UINT>(quit + g_recent.Count()), TRUE, &separator);
    if (g_app && g_app->hwndFrame && GetMenu(g_app->hwndFrame) == frameMenu) DrawMenuBar(g_app->hwndFrame);
}

// Slot 4 and empty slots have no file: nothing happens.
void OpenRecentFile(UINT id) {
    const int slot = static_cast<int>(id) - IDM_RECENT_FILE_FIRST;
    if (slot < 0 || slot >= g_recent.Count()) return;
    char path[MAX_PATH];
    lstrcpynA(path, g_recent.File(slot), sizeof path);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        char text[MAX_PATH + 256];
        FormatKeyedText(text, sizeof text, Keyed(kVanishedKey), path);
        ShowMessage(text);
        g_recent.Remove(slot);
        Refresh();
        return;
    }
    OpenGraphFile(path);
}
