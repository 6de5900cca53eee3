// Data mode 2's numbered files: the name comes at the start of a run (so the graph carries it
// while it records), the file at the end.
#include "devlib/acquisition/run/auto_save.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "common/binding.h"
#include "common/same_file.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/services/library.h"
#include "devlib/services/safe_write.h"
#include "devlib/vk40.h"

namespace {

constexpr int16_t kAutosaveOn = 1;

// Nothing is there by that name; a name the system only refuses to look at may be a file.
bool IsFreeName(const char* name) {
    if (GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// The host writes the graph; a writer that stops short without a reason counts as a device fault.
DWORD WriteGraphWhole(HANDLE file, void* context) {
    SetLastError(0);
    if (HostWriteAcqFile(&g_lib.host, static_cast<tagGS*>(context), file, kWriteWhole)) return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_WRITE_FAULT;
}

}  // namespace

// The device library sees the program's graphs only through their windows, the MDI client's
// children; any of them (this one too) may show the file under another spelling of its path.
bool AGraphShows(const tagGS* gs, const char* name) {
    HWND client = gs->hwnd ? GetParent(gs->hwnd) : nullptr;
    if (!client) return false;
    for (HWND child = GetWindow(client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const tagGS* other = HostGetWindowGraph(&g_lib.host, child);
        if (other && other->filePath[0] && IsSameFile(other->filePath, name)) return true;
    }
    return false;
}

// The number always has four digits, so the files of a series sort in the order they were made.
bool FormatAutosaveName(const char* base, int32_t number, char* out, size_t size) {
    const int n = snprintf(out, size, "%s%04d.acq", base ? base : "", static_cast<int>(number));
    return n > 0 && static_cast<size_t>(n) < size;
}

// The graph takes the file's name at the start of the run, so its title says where the run goes.
int32_t MakeAcqFileName(stAcq* acq, tagGS* gs) {
    if (!(acq->autosaveEnable & kAutosaveOn)) {
        MessageBoxA(gs->hwnd, Keyed("Unsupported autosave mode"), UnitCaption(), MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    char base[sizeof acq->autosaveName + 1] = "";
    memcpy(base, acq->autosaveName, sizeof acq->autosaveName);
    char name[sizeof gs->title];
    // The number starts again at 0 each session: the run takes the next one free, never a file
    // that exists (an earlier session's) or that an open graph shows.
    for (;;) {
        if (!FormatAutosaveName(base, acq->autosaveNumber, name, sizeof name)) return 0;
        if (acq->autosaveNumber == INT16_MAX) {  // no number left to take
            ShowFileNotWritten(gs->hwnd, name, ERROR_FILE_EXISTS);
            return 0;
        }
        ++acq->autosaveNumber;
        if (IsFreeName(name) && !AGraphShows(gs, name)) break;
    }
    SetNewLogicalName(gs->title, name);
    lstrcpynA(gs->title, name, sizeof gs->title);
    if (!GetFullPathNameA(name, sizeof gs->filePath, gs->filePath, nullptr))
        lstrcpynA(gs->filePath, name, sizeof gs->filePath);
    if (gs->hwnd) SetWindowTextA(gs->hwnd, name);
    return 1;
}

// The whole graph at the run's end, with the set-up it was recorded with. The program's own writer
// fills a temporary file that replaces the old one only when complete; a failed write keeps the
// old file, and the graph keeps the recording, unsaved, for the user to save elsewhere.
int32_t WriteAutosaveFile(stAcq* acq, tagGS* gs) {
    const char* path = gs->filePath[0] ? gs->filePath : gs->title;
    SaveAcquisitionSetup(acq, gs);
    const DWORD error = SafeWriteFile(path, WriteGraphWhole, gs);
    if (!error) return 1;
    gs->modified = 1;
    ShowFileNotWritten(gs->hwnd, path, error);
    return 0;
}
