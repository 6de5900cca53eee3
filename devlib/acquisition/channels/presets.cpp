// The channel presets file: read whole at start-up into the presets store of stAcq, written back
// whole at shut-down. The file is checked completely before the store takes anything from it,
// and it is replaced only by a complete new file, so the user never ends up without presets.
#include "devlib/acquisition/channels/presets.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "common/scoped_handle.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/services/library.h"
#include "devlib/services/safe_write.h"
#include "devlib/vk40.h"

namespace {

constexpr int32_t kMaxRefusedCopies = 999;  // numbered copies of refused files kept beside them
constexpr size_t kPresetValueBytes = 16;  // the two doubles after each record
constexpr uint64_t kMaxPresetsFileBytes = kPresetsHeaderBytes +
                                          uint64_t{2 * kMaxPresets} * (kChanRecordBytes + kPresetValueBytes) +
                                          uint64_t{kMaxPresets} * (4 + kCalcPresetBytes);

HGLOBAL AllocZeroed(size_t bytes) { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1); }

template <typename T>
T* LockAs(HGLOBAL h) {
    return h ? static_cast<T*>(GlobalLock(h)) : nullptr;
}

bool InRange(int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; }

// The header's sizes, checked; the length the file needs follows from them.
struct stPresetsHeader {
    int32_t format, count, calcCount, recordBytes, calcBytes;

    uint64_t FileBytes() const {
        return kPresetsHeaderBytes + uint64_t(count + calcCount) * uint64_t(recordBytes + kPresetValueBytes) +
               uint64_t(calcCount) * uint64_t(4 + calcBytes);
    }
};

int32_t CheckHeader(const uint8_t* data, size_t size, stPresetsHeader* h) {
    if (size < kPresetsHeaderBytes) return kPresetsDamaged;
    CByteReader r(data);
    h->format = r.I32();
    h->count = r.I32();
    h->calcCount = r.I32();
    h->recordBytes = r.I32();
    h->calcBytes = r.I32();
    if (h->format > kPresetsFormat) return kPresetsNewer;
    if (h->format < 1 || !InRange(h->count, 0, kMaxPresets) || !InRange(h->calcCount, 0, kMaxPresets) ||
        !InRange(h->recordBytes, 1, kChanRecordBytes) || !InRange(h->calcBytes, 0, kCalcPresetBytes))
        return kPresetsDamaged;
    // Bytes after what the header asks for are not the presets' and are left unread.
    return h->FileBytes() <= size ? kPresetsRead : kPresetsDamaged;
}

// A shorter stored record or block fills the start of the full one; the rest stays zero.
void DecodeBody(const stPresetsHeader& h, const uint8_t* body, const CPresetStoreLock& to) {
    CByteReader r(body);
    uint8_t record[kChanRecordBytes];
    for (int32_t i = 0; i < h.count + h.calcCount; ++i) {
        memset(record, 0, sizeof(record));
        r.Bytes(record, static_cast<size_t>(h.recordBytes));
        DecodeChanRecord(record, &to.records[i]);
        to.first[i] = r.F64();
        to.second[i] = r.F64();
    }
    for (int32_t i = 0; i < h.calcCount; ++i) {
        to.calcKinds[i] = r.I32();
        r.Bytes(to.calcBlocks + size_t(i) * kCalcPresetBytes, static_cast<size_t>(h.calcBytes));
    }
}

// The key's text with the argument in place of its first "%s" (after the text when it has none).
// A translated text is never used as a format.
std::string KeyedTextWith(const char* key, const std::string& arg) {
    const std::string text = Keyed(key);
    const size_t at = text.find("%s");
    if (at == std::string::npos) return text + " " + arg;
    return text.substr(0, at) + arg + text.substr(at + 2);
}

// The copy of a refused file goes beside it under the first free name of "<file>.bad",
// "<file>.bad2", "<file>.bad3" and on, so no earlier copy is overwritten; empty when none is free.
std::string KeepRefusedCopy(const char* path) {
    for (int32_t n = 1; n <= kMaxRefusedCopies; ++n) {
        const std::string copy = std::string(path) + ".bad" + (n > 1 ? std::to_string(n) : std::string());
        if (CopyFileA(path, copy.c_str(), TRUE)) return copy;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return {};
}

// Keeps a copy of the refused file, since the next save replaces it, and tells the user.
void ReportRefusedFile(const char* path, int32_t result, HWND owner) {
    std::string text =
        KeyedTextWith(result == kPresetsNewer ? "KEY Presets file newer" : "KEY Presets file damaged", path);
    const std::string copy = KeepRefusedCopy(path);
    if (!copy.empty()) text += "\n\n" + KeyedTextWith("KEY Presets file copy kept", copy);
    MessageBoxA(owner, text.c_str(), Keyed("Warning"), MB_OK | MB_ICONEXCLAMATION);
}

DWORD WriteEncoded(HANDLE file, void* context) {
    const auto* bytes = static_cast<const std::vector<uint8_t>*>(context);
    size_t done = 0;
    while (done < bytes->size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 0x40000000));
        if (!WriteFile(file, bytes->data() + done, chunk, &wrote, nullptr)) return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        if (wrote == 0) return ERROR_DISK_FULL;
        done += wrote;
    }
    return 0;
}

bool ReadAll(HANDLE file, std::vector<uint8_t>* bytes) {
    size_t done = 0;
    while (done < bytes->size()) {
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(bytes->size() - done);
        if (!ReadFile(file, bytes->data() + done, chunk, &got, nullptr) || got == 0) return false;
        done += got;
    }
    return true;
}

}  // namespace

CPresetStoreLock::CPresetStoreLock(const stPresetStore& store) : m_store(store) {
    records = LockAs<stAcqChan>(store.hRecords);
    first = LockAs<double>(store.hFirstValues);
    second = LockAs<double>(store.hSecondValues);
    calcKinds = LockAs<int32_t>(store.hCalcKinds);
    calcBlocks = LockAs<uint8_t>(store.hCalcBlocks);
    m_ok = records && first && second && calcKinds && calcBlocks;
}

CPresetStoreLock::~CPresetStoreLock() {
    const std::pair<void*, HGLOBAL> locks[] = {{records, m_store.hRecords},
                                               {first, m_store.hFirstValues},
                                               {second, m_store.hSecondValues},
                                               {calcKinds, m_store.hCalcKinds},
                                               {calcBlocks, m_store.hCalcBlocks}};
    for (const auto& lock : locks) {
        if (lock.first) GlobalUnlock(lock.second);
    }
}

int32_t AllocPresetStore(stPresetStore* store, int32_t count, int32_t calcCount) {
    FreePresetStore(store);
    if (!InRange(count, 0, kMaxPresets) || !InRange(calcCount, 0, kMaxPresets)) return 0;
    const size_t all = size_t(count + calcCount);
    store->hRecords = AllocZeroed(all * sizeof(stAcqChan));
    store->hFirstValues = AllocZeroed(all * sizeof(double));
    store->hSecondValues = AllocZeroed(all * sizeof(double));
    store->hCalcKinds = AllocZeroed(size_t(calcCount) * sizeof(int32_t));
    store->hCalcBlocks = AllocZeroed(size_t(calcCount) * kCalcPresetBytes);
    if (!store->hRecords || !store->hFirstValues || !store->hSecondValues || !store->hCalcKinds ||
        !store->hCalcBlocks) {
        FreePresetStore(store);
        return 0;
    }
    store->count = count;
    store->calcCount = calcCount;
    return 1;
}

// Frees the arrays and clears the counts; the read-only flag stays.
void FreePresetStore(stPresetStore* store) {
    for (HGLOBAL* h :
         {&store->hRecords, &store->hFirstValues, &store->hSecondValues, &store->hCalcKinds, &store->hCalcBlocks}) {
        if (*h) GlobalFree(*h);
        *h = nullptr;
    }
    store->count = 0;
    store->calcCount = 0;
}

bool IsPresetStoreAllocated(const stPresetStore& store) {
    return store.hRecords != nullptr || store.hCalcBlocks != nullptr;
}

int32_t FillBuiltinPresets(stPresetStore* store) {
    if (!AllocPresetStore(store, kBuiltinPresets, 0)) return 0;
    CPresetStoreLock lock(*store);
    if (!lock) return 0;
    for (int32_t i = 0; i < kBuiltinPresets; ++i)
        MakeBuiltinPreset(i, &lock.records[i], &lock.first[i], &lock.second[i]);
    return 1;
}

int32_t AppendPreset(stPresetStore* store, bool calc, const stPresetRow& row) {
    const stPresetStore& old = *store;
    if ((calc ? old.calcCount : old.count) >= kMaxPresets) return -1;
    stPresetStore grown{};
    if (!AllocPresetStore(&grown, old.count + (calc ? 0 : 1), old.calcCount + (calc ? 1 : 0))) return -1;
    // Input presets come first, so a new one moves every calculation preset's record one on.
    const size_t n = size_t(old.count), c = size_t(old.calcCount), shift = calc ? 0 : 1;
    const size_t at = calc ? n + c : n;
    {
        CPresetStoreLock to(grown);
        if (!to) {
            FreePresetStore(&grown);
            return -1;
        }
        if (IsPresetStoreAllocated(old)) {
            CPresetStoreLock from(old);
            if (!from) {
                FreePresetStore(&grown);
                return -1;
            }
            memcpy(to.records, from.records, n * sizeof(stAcqChan));
            memcpy(to.records + n + shift, from.records + n, c * sizeof(stAcqChan));
            memcpy(to.first, from.first, n * sizeof(double));
            memcpy(to.first + n + shift, from.first + n, c * sizeof(double));
            memcpy(to.second, from.second, n * sizeof(double));
            memcpy(to.second + n + shift, from.second + n, c * sizeof(double));
            memcpy(to.calcKinds, from.calcKinds, c * sizeof(int32_t));
            memcpy(to.calcBlocks, from.calcBlocks, c * kCalcPresetBytes);
        }
        to.records[at] = row.record;
        to.first[at] = row.first;
        to.second[at] = row.second;
        if (calc) {
            to.calcKinds[c] = row.calcKind;
            if (row.calcBlock) memcpy(to.calcBlocks + c * kCalcPresetBytes, row.calcBlock, kCalcPresetBytes);
        }
    }
    grown.readOnly = old.readOnly;
    FreePresetStore(store);
    *store = grown;
    return static_cast<int32_t>(at);
}

int32_t ParsePresets(const uint8_t* data, size_t size, stPresetStore* out) {
    stPresetsHeader h{};
    const int32_t checked = data ? CheckHeader(data, size, &h) : kPresetsDamaged;
    if (checked != kPresetsRead) return checked;
    stPresetStore fresh{};
    if (!AllocPresetStore(&fresh, h.count, h.calcCount)) return kPresetsMissing;
    {
        CPresetStoreLock lock(fresh);
        if (!lock) {
            FreePresetStore(&fresh);
            return kPresetsMissing;
        }
        DecodeBody(h, data + kPresetsHeaderBytes, lock);
    }
    fresh.readOnly = out->readOnly;
    FreePresetStore(out);
    *out = fresh;
    return kPresetsRead;
}

// Always the current format, full-size records.
int32_t EncodePresets(const stPresetStore& store, std::vector<uint8_t>* out) {
    if (!IsPresetStoreAllocated(store) || !InRange(store.count, 0, kMaxPresets) ||
        !InRange(store.calcCount, 0, kMaxPresets))
        return 0;
    CPresetStoreLock lock(store);
    if (!lock) return 0;
    const stPresetsHeader h{kPresetsFormat, store.count, store.calcCount, kChanRecordBytes, kCalcPresetBytes};
    out->assign(static_cast<size_t>(h.FileBytes()), 0);
    CByteWriter w(out->data());
    for (int32_t v : {h.format, h.count, h.calcCount, h.recordBytes, h.calcBytes}) w.I32(v);
    for (int32_t i = 0; i < h.count + h.calcCount; ++i) {
        EncodeChanRecord(lock.records[i], w.Position());
        w.Skip(kChanRecordBytes);
        w.F64(lock.first[i]);
        w.F64(lock.second[i]);
    }
    for (int32_t i = 0; i < h.calcCount; ++i) {
        w.I32(lock.calcKinds[i]);
        w.Bytes(lock.calcBlocks + size_t(i) * kCalcPresetBytes, kCalcPresetBytes);
    }
    return 1;
}

// A file that cannot be opened for another reason than its absence counts as damaged: it is
// there, and the user should hear why its presets are missing.
int32_t ReadPresetsFrom(const char* path, stPresetStore* out, int32_t* readOnly) {
    *readOnly = 0;
    if (!path) return kPresetsMissing;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kPresetsMissing : kPresetsDamaged;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kPresetsDamaged;
    *readOnly = (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;

    CScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return kPresetsDamaged;
    // No header asks for more than the largest store: the bytes beyond it stay on the disk.
    if (size.QuadPart < 0) return kPresetsDamaged;
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min<uint64_t>(uint64_t(size.QuadPart), kMaxPresetsFileBytes)));
    if (!ReadAll(file.get(), &bytes)) return kPresetsDamaged;
    return ParsePresets(bytes.data(), bytes.size(), out);
}

DWORD WritePresetsTo(const char* path, const stPresetStore& store) {
    std::vector<uint8_t> bytes;
    if (!path) return ERROR_INVALID_NAME;
    if (!EncodePresets(store, &bytes)) return ERROR_NOT_ENOUGH_MEMORY;
    return SafeWriteFile(path, WriteEncoded, &bytes);
}

int32_t LoadPresetsFrom(stAcq* acq, const char* path, HWND owner) {
    stPresetStore& store = acq->presets;
    FreePresetStore(&store);
    int32_t readOnly = 0;
    const int32_t result = ReadPresetsFrom(path, &store, &readOnly);
    store.readOnly = readOnly;
    if (result == kPresetsRead) return 1;
    FillBuiltinPresets(&store);
    if (result < 0) ReportRefusedFile(path, result, owner);
    return 0;
}

// Presets never loaded leave the file as it is. A file the user made read-only is refused
// quietly: it keeps the presets the user chose to keep.
int32_t SavePresetsTo(stAcq* acq, const char* path, DWORD* error) {
    const bool loaded = IsPresetStoreAllocated(acq->presets);
    const bool keptByUser = acq->presets.readOnly != 0;
    const DWORD failed = loaded ? WritePresetsTo(path, acq->presets) : 0;
    FreePresetStore(&acq->presets);
    if (error) *error = keptByUser && failed == ERROR_ACCESS_DENIED ? 0 : failed;
    return loaded && !failed ? 1 : 0;
}

void PresetsFilePath(char* out, size_t size) {
    const char* name = g_unitModel == kModelVK45 ? "Vk45Presets.dat" : "Vk40Presets.dat";
    char folder[MAX_PATH] = {};
    const DWORD own = GetEnvironmentVariableA(kPresetsFolderEnv, folder, MAX_PATH);
    if (own > 0 && own < MAX_PATH) {
        const char last = folder[own - 1];
        snprintf(out, size, "%s%s%s", folder, last == '\\' || last == '/' ? "" : "\\", name);
        return;
    }
    char module[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) module[0] = '\0';
    char* slash = strrchr(module, '\\');
    if (char* other = strrchr(module, '/'); other && (!slash || other > slash)) slash = other;
    if (slash)
        slash[1] = '\0';
    else
        module[0] = '\0';
    snprintf(out, size, "%s%s", module, name);
}

int32_t LoadPresetsFile(stAcq* acq) {
    if (!acq) return 0;
    char path[MAX_PATH + 32];
    PresetsFilePath(path, sizeof(path));
    return LoadPresetsFrom(acq, path, g_lib.hostFrame);
}

// At shut-down, when the frame is going: a failed write is told on its own, or the session's
// preset changes would be lost without a word.
int32_t SavePresetsFile(stAcq* acq) {
    if (!acq) return 0;
    char path[MAX_PATH + 32];
    PresetsFilePath(path, sizeof(path));
    DWORD error = 0;
    const int32_t written = SavePresetsTo(acq, path, &error);
    if (error) ShowFileNotWritten(nullptr, path, error);
    return written;
}
