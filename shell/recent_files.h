// The recent-files list of the File menu and the folders the file dialogs start in, kept per
// user in the registry from one run to the next.
#pragma once
#include <windows.h>
#include <cstdint>

constexpr int kRecentFileSlots = 4;
constexpr int kRecentFolderSlots = 2;  // 0: last opened from, 1: last saved to

class CRecentFiles {
public:
    // Reads the store, the files up to the first value that cannot be read (missing, of another
    // type, too long for a path); returns how many were listed.
    int Load(const char* key);
    void Save(const char* key) const;
    // Puts a file at the head of the list, once; the fifth drops off.
    void Add(const char* path);
    void Remove(int slot);
    int Count() const { return m_count; }
    const char* File(int slot) const { return slot >= 0 && slot < m_count ? m_files[slot] : ""; }
    const char* Folder(int slot) const { return m_folders[slot ? 1 : 0]; }
    void SetFolder(int slot, const char* folder);

private:
    char m_folders[kRecentFolderSlots][MAX_PATH] = {};
    char m_files[kRecentFileSlots][MAX_PATH] = {};
    uint8_t m_count = 0;
    uint8_t m_written = 0;  // the values this run read or wrote: Save clears those beyond the count
};

// The registry key of the store under HKEY_CURRENT_USER.
constexpr char kRecentFilesKey[] = "Software\\Norvane\\MRU";
// Test seam: a key of the test's own in its place.
void SetRecentFilesKey(const char* key);

// Start-up: loads the store and hands the folders to the file dialogs.
void LoadRecentFiles();
// Shut-down: takes the folders back from the file dialogs and writes the store.
void SaveRecentFiles();
// A graph file was opened or saved: it heads the list, the store and the menu follow.
void AddRecentFile(const char* path);
// Lists the files in the File menu, above Quit.
void UpdateRecentFilesMenu(HMENU frameMenu);
// Opens the graph file of recent-file slot id - 10000; a file that is gone is reported and dropped.
void OpenRecentFile(UINT id);
