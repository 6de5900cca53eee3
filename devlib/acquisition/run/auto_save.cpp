// Data mode 2's numbered files: the name comes at the start of a run (so the graph carries it
// while it records), the file at the end.
#include "devlib/acquisition/run/auto_save.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/services/library.h"
#include "devlib/services/safe_write.h"
#include "devlib/vk40.h"

namespace {

constexpr int16_t kAutosaveOn = 1;


// With the warning on, an existing file is overwritten only when the user says so.
bool MayOverwrite(const stAcq* acq, const tagGS* gs, const char* name) {
    if (!acq->warnOnOverwrite || GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) return true;
    // The keyed text may have been replaced: only its "%s" is filled, nothing else is a format.
    std::string text = Keyed("The file %s already exists.  Press OK to overwrite.");
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name);
    return MessageBoxA(gs->hwnd, text.c_str(), "VK40", MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

// The host writes the graph; a writer that stops short without a reason counts as a device fault.
DWORD WriteGraphWhole(HANDLE file, void* context) {
    SetLastError(0);
    if (HostWriteAcqFile(&g_lib.host, static_cast<tagGS*>(context), file, kWriteWhole)) return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_WRITE_FAULT;
}

}  // namespace

// The number always has four digits, so the files of a series sort in the order they were made.
bool FormatAutosaveName(const char* base, int32_t number, char* out, size_t size) {
    const int n = snprintf(out, size, "%s%04d.acq", base ? base : "", static_cast<int>(number));
    return n > 0 && static_cast<size_t>(n) < size;
}

// The graph takes the file's name at the start of the run, so its title says where the run goes.
int32_t MakeAcqFileName(stAcq* acq, tagGS* gs) {
    if (!(acq->autosaveEnable & kAutosaveOn)) {
        MessageBoxA(gs->hwnd, Keyed("Unsupported autosave mode"), "VK40", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    char base[sizeof acq->autosaveName + 1] = "";
    memcpy(base, acq->autosaveName, sizeof acq->autosaveName);
    char name[sizeof gs->title];
    if (!FormatAutosaveName(base, acq->autosaveNumber, name, sizeof name)) return 0;
    ++acq->autosaveNumber;
    if (!MayOverwrite(acq, gs, name)) return 0;
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
