// The channel presets file beside the program, and the presets store in stAcq that it fills.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/stAcq.h"

constexpr int32_t kPresetsFormat = 10;
constexpr int32_t kMaxPresets = 1000;      // of each kind
constexpr int32_t kCalcPresetBytes = 472;  // a calculation preset's block
constexpr size_t kPresetsHeaderBytes = 20;

// What reading a presets image or file found.
constexpr int32_t kPresetsRead = 1;
constexpr int32_t kPresetsMissing = 0;   // no file: nothing to refuse
constexpr int32_t kPresetsDamaged = -1;  // header out of range, or shorter than the header asks
constexpr int32_t kPresetsNewer = -2;    // a format number above ours

// The store's five arrays, locked together for one operation and unlocked on every path.
class CPresetStoreLock {
public:
    explicit CPresetStoreLock(const stPresetStore& store);
    ~CPresetStoreLock();
    CPresetStoreLock(const CPresetStoreLock&) = delete;
    CPresetStoreLock& operator=(const CPresetStoreLock&) = delete;
    explicit operator bool() const { return m_ok; }

    stAcqChan* records = nullptr;
    double* first = nullptr;
    double* second = nullptr;
    int32_t* calcKinds = nullptr;
    uint8_t* calcBlocks = nullptr;

private:
    const stPresetStore& m_store;
    bool m_ok = false;
};

// Zero-filled arrays for the counts (each count 0 to kMaxPresets); 0 when memory is short, with
// the store left empty and unallocated.
int32_t AllocPresetStore(stPresetStore* store, int32_t count, int32_t calcCount);
void FreePresetStore(stPresetStore* store);
bool IsPresetStoreAllocated(const stPresetStore& store);
// The store holds the built-in presets and nothing else; 0 when memory is short.
int32_t FillBuiltinPresets(stPresetStore* store);

// One preset's entries across the store's arrays; the kind and block belong to calculation presets.
struct stPresetRow {
    stAcqChan record;
    double first;
    double second;
    int32_t calcKind;
    const uint8_t* calcBlock;  // kCalcPresetBytes, or null for a zero block
};
// The store one preset longer: an input preset goes after the input presets, a calculation preset
// (calc) after the calculation presets, and every other preset keeps its entries and place. The
// new preset's record index, or -1 with the store untouched when its part is full or memory is
// short.
int32_t AppendPreset(stPresetStore* store, bool calc, const stPresetRow& row);

// A whole presets file in memory. Parsing checks the header and that the size holds what it asks
// for (bytes after that are ignored) before anything is taken, and fills out (freed first) only
// for kPresetsRead.
int32_t ParsePresets(const uint8_t* data, size_t size, stPresetStore* out);
int32_t EncodePresets(const stPresetStore& store, std::vector<uint8_t>* out);

// The file at path into out (as ParsePresets); readOnly receives the file's read-only attribute.
int32_t ReadPresetsFrom(const char* path, stPresetStore* out, int32_t* readOnly);
// Writes the store through a temporary file (SafeWriteFile), so a failure leaves path as it was
// and a read-only path alone. 0 when path now holds the store, else why not.
DWORD WritePresetsTo(const char* path, const stPresetStore& store);

// Start-up: the store becomes the file's presets, or the built-in ones when the file is missing
// or refused; a refused file is copied aside and reported to the user (owner may be null).
int32_t LoadPresetsFrom(stAcq* acq, const char* path, HWND owner);
// Shut-down: writes the store to path when it was loaded from a file that may be written, then
// frees it in every case. 1 when written; error (may be null) receives why a write failed.
int32_t SavePresetsTo(stAcq* acq, const char* path, DWORD* error = nullptr);

// "Vk40Presets.dat", or "Vk45Presets.dat" for the second model, in the program's folder.
void PresetsFilePath(char* out, size_t size);
// Test programs run side by side from one folder: this environment variable names a folder of
// the process's own that takes the presets file in place of the program's folder.
constexpr char kPresetsFolderEnv[] = "VK40_PRESETS_FOLDER";

int32_t LoadPresetsFile(stAcq* acq);
// The presets file beside the program; a failed write is told to the user.
int32_t SavePresetsFile(stAcq* acq);
