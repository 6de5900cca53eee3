// Recordings to disk. The file is the graph file the program reads: its head (written by the
// program through host slot 14) with the run's channels, then one record per frame, each
// channel's sample in slot order (16-bit little-endian, or an 8-byte double), then at the end
// the markers and blocks behind the samples. While the run goes on, the graph holds only a ring
// of the newest frames, which the program draws from.
#include "devlib/acquisition/run/disk_run.h"

#include "common/binding.h"
#include "common/scoped_handle.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/run/auto_save.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/run/run_common.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/acquisition/run/unit_memory.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The keyed text may be replaced by a lesson: only its "%s" is filled in, never read as a format.
void RefuseShownFile(HWND owner, const char* path) {
    std::string text = Keyed("KEY Same document");
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path);
    MessageBoxA(owner, text.c_str(), Keyed("Norvane Tessaly"), MB_OK | MB_ICONEXCLAMATION);
}

// The recording file, shared for reading while it is open.
HANDLE OpenRecordingFile(const char* path, DWORD access, DWORD disposition) {
    return CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Bytes appended to a file through the conversion buffer: few writes for many small chunks.
class CFileAppender {
public:
    CFileAppender(HANDLE file, std::vector<uint8_t>& buffer) : file_(file), buffer_(buffer) {}
    bool Append(const uint8_t* bytes, size_t n) {
        if (used_ + n > buffer_.size() && !Flush()) return false;
        if (n > buffer_.size()) return WriteAll(bytes, n);
        std::memcpy(buffer_.data() + used_, bytes, n);
        used_ += n;
        return true;
    }
    bool Flush() {
        const bool ok = WriteAll(buffer_.data(), used_);
        used_ = 0;
        return ok;
    }
    // Room for n bytes at the buffer's end, flushed first when short; null when n exceeds the
    // buffer or the flush failed. Took counts what was put there.
    uint8_t* Room(size_t n) {
        if (n > buffer_.size() || (used_ + n > buffer_.size() && !Flush())) return nullptr;
        return buffer_.data() + used_;
    }
    void Took(size_t n) { used_ += n; }

private:
    bool WriteAll(const uint8_t* bytes, size_t n) {
        DWORD written = 0;
        return n == 0 || (WriteFile(file_, bytes, static_cast<DWORD>(n), &written, nullptr) && written == n);
    }
    HANDLE file_;
    std::vector<uint8_t>& buffer_;
    size_t used_ = 0;
};

// A locked moveable block of exactly bytes, zero-filled; an earlier one is replaced.
bool MakeRingBlock(void** block, size_t bytes) {
    if (HGLOBAL old = *block ? GlobalHandle(*block) : nullptr) {
        GlobalUnlock(old);
        GlobalFree(old);
    }
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
    *block = h ? GlobalLock(h) : nullptr;
    return *block != nullptr;
}

void FreeRingBlock(void** block) {
    if (HGLOBAL h = *block ? GlobalHandle(*block) : nullptr) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
    *block = nullptr;
}

void FreeRunBlocks(const stAcqRun& run, tagGS* gs) {
    for (int32_t i = 0; i < RunChannels(run); ++i) FreeRingBlock(&gs->chanBlock[RunChannelSlot(run, i)]);
}

// The folder of the most recent file, or of the graph's own file; empty when neither is known.
void StartingFolder(const tagGS* gs, char* folder, DWORD size) {
    folder[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\NORVANE\\MRU", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD type = 0, bytes = size;
        if (RegQueryValueExA(key, "1", nullptr, &type, reinterpret_cast<BYTE*>(folder), &bytes) != ERROR_SUCCESS ||
            type != REG_SZ)
            folder[0] = '\0';
        folder[size - 1] = '\0';
        RegCloseKey(key);
    }
    if (!folder[0]) lstrcpynA(folder, gs->filePath, static_cast<int>(size));
    char* slash = std::strrchr(folder, '\\');
    if (slash)
        slash[1] = '\0';
    else
        folder[0] = '\0';
}

// The file records of frames in pieces that fit the conversion buffer; false when a write failed.
bool AppendFileRecords(CFileAppender& out, size_t capacity, const stAcqRun& run, void* const* blocks,
                       const uint16_t* widths, uint32_t at, uint32_t wrap, int32_t frames) {
    size_t recordBytes = 0;
    for (int32_t i = 0; i < RunChannels(run); ++i) recordBytes += widths[i] == 8 ? 8 : 2;
    if (recordBytes == 0) return true;
    const int32_t perPiece = static_cast<int32_t>(std::max<size_t>(1, capacity / recordBytes));
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(frames - done, perPiece);
        uint8_t* to = out.Room(static_cast<size_t>(n) * recordBytes);
        if (!to) return false;
        out.Took(PackFileRecords(run, blocks, widths, at + static_cast<uint32_t>(done), wrap, n, to));
        done += n;
    }
    return true;
}

}  // namespace

void SwapFrameWords(uint8_t* bytes, size_t count) {
    for (size_t i = 0; i + 1 < count; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

size_t PackFileRecords(const stAcqRun& run, void* const* blocks, const uint16_t* widths, uint32_t at, uint32_t wrap,
                       int32_t frames, uint8_t* out) {
    const int32_t channels = RunChannels(run);
    uint8_t* to = out;
    for (int32_t f = 0; f < frames; ++f) {
        uint32_t index = at + static_cast<uint32_t>(f);
        if (wrap) index %= wrap;
        for (int32_t i = 0; i < channels; ++i) {
            const auto* block = static_cast<const uint8_t*>(blocks[i]);
            const size_t width = widths[i] == 8 ? 8 : 2;
            if (block)
                std::memcpy(to, block + index * width, width);  // the host's order is the file's
            else
                std::memset(to, 0, width);
            to += width;
        }
    }
    return static_cast<size_t>(to - out);
}

void DiskRecordingName(const char* title, char* out, size_t size) {
    if (!out || size == 0) return;
    lstrcpynA(out, title && *title ? title : "Untitled", static_cast<int>(size));
    // The name's own part starts after its last separator; a dot before it is a folder's.
    const char* name = out;
    for (const char* p = out; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    if (!std::strchr(name, '.') && std::strlen(out) + 4 < size) lstrcatA(out, ".ACQ");
}

// "TVX PRO files (*.ACQ)" in the MRU folder, proposing the graph's name; asks before overwriting,
// and refuses a file an open graph shows.
int32_t SaveAcqAs(tagGS* gs) {
    if (!gs) return 0;
    const char* description = Keyed("TVX PRO files");
    char filter[128];
    const int n = std::snprintf(filter, sizeof filter - 8, "%s (*.ACQ)", description);
    std::memcpy(filter + n + 1, "*.acq\0", 7);
    char file[MAX_PATH];
    DiskRecordingName(gs->title, file, sizeof file);
    char folder[MAX_PATH];
    StartingFolder(gs, folder, sizeof folder);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = gs->hwnd;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.lpstrDefExt = "ACQ";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    // The run would write over the samples another window reads from the file: asked again.
    for (;;) {
        if (!GetSaveFileNameA(&ofn)) return 0;
        if (!AGraphShows(gs, file)) break;
        RefuseShownFile(gs->hwnd, file);
    }
    lstrcpynA(gs->filePath, file, sizeof gs->filePath);
    lstrcpynA(gs->title, file + ofn.nFileOffset, sizeof gs->title);
    if (gs->hwnd) SetWindowTextA(gs->hwnd, gs->title);
    return 1;
}

// Step 3 of the buffers at the first data: the run channels' rings, the file and its head.
int32_t PrepareDiskRecording(tagGS* gs, stAcq* acq) {
    const stAcqRun& run = acq->run;
    const int32_t n = RunChannels(run);
    g_runLayer.diskConversion.assign(g_runLayer.highSpeedRun ? kDiskConversionBytesFast : kDiskConversionBytes, 0);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t s = RunChannelSlot(acq->run, i);
        if (!MakeRingBlock(&gs->chanBlock[s], static_cast<size_t>(kDiskRingSamples) * gs->chanBytes[s])) {
            FreeRunBlocks(acq->run, gs);
            g_runLayer.diskConversion = std::vector<uint8_t>();
            ShowRunMessage(gs, "KEY Not enough memory");
            g_unitLink.SetCommand(kCmdStop, 0, nullptr);
            return 0;
        }
    }
    // While it records the graph is a ring of the newest frames; its samples go to the file.
    gs->storageKind = kStoreDiskRecording;
    gs->winFirst = 0;
    gs->winRingBase = 0;
    gs->winLen = 0;
    gs->winSize = kDiskRingSamples;
    gs->totalSamples = 0;
    gs->dataOffset = 0;
    gs->byteSwapped = 0;
    // The set-up block is in the head from the start, so that the head written again at the end
    // has the same length and the samples stay where they are.
    SaveAcquisitionSetup(acq, gs);
    bool written = false;
    {
        CScopedHandle file(OpenRecordingFile(gs->filePath, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS));
        written = file && HostWriteAcqFile(Host(), gs, file.get(), kWriteHead) && gs->dataOffset > 0;
    }
    if (!written) {
        FreeRunBlocks(acq->run, gs);
        g_runLayer.diskConversion = std::vector<uint8_t>();
        gs->storageKind = kStoreMemory;
        gs->winSize = 0;
        ShowRunMessage(gs, "KEY The recording file cannot be written");
        g_unitLink.SetCommand(kCmdStop, 0, nullptr);
        return 0;
    }
    gs->hStart = 0;
    HostOnGraphViewChanged(Host(), gs, static_cast<int32_t>(gs->storageKind));
    if (gs->hwnd) UpdateWindow(gs->hwnd);
    return 1;
}

// A batch: each chunk goes into the ring, then into the file as the unit's frames (analog only,
// swapped) or as one record per frame (with digital or calculation channels).
int32_t ReadDiskSamples(stAcq* acq, int32_t* count, uint32_t address) {
    stAcqRun& run = acq->run;
    tagGS* gs = run.attachedGraph;
    const int32_t frameSize = run.frameSize;
    CScopedHandle file(OpenRecordingFile(gs ? gs->filePath : "", GENERIC_WRITE, OPEN_EXISTING));
    if (!gs || frameSize <= 0 || *count < 0 || g_runLayer.diskConversion.empty() || !file ||
        SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        *count = 0;
        return 0;
    }
    const int32_t bytes = *count / frameSize * frameSize;
    const int32_t secondModel = g_unitModel == kModelVK45;
    const int32_t chunk = ReadChunkBytes(frameSize, g_runLayer.highSpeedRun, secondModel);
    const int32_t channels = RunChannels(run);
    const bool analogOnly = run.digitalCount == 0 && run.calcCount == 0;
    void* blocks[kMaxChanRecords] = {};
    uint16_t widths[kMaxChanRecords] = {};
    for (int32_t i = 0; i < channels && i < kMaxChanRecords; ++i) {
        blocks[i] = gs->chanBlock[RunChannelSlot(run, i)];
        widths[i] = gs->chanBytes[RunChannelSlot(run, i)];
    }
    if (!analogOnly && static_cast<int64_t>(gs->winFirst) + gs->winLen != gs->totalSamples) {
        gs->winLen = 0;
        gs->winRingBase = 0;
        gs->winFirst = gs->totalSamples;
    }
    CFileAppender out(file.get(), g_runLayer.diskConversion);
    // A high-speed request is long: the buffer is the library's, not the stack's.
    static uint8_t buffer[kReadChunkBytesFast];
    bool ok = true;
    int32_t done = 0;
    while (ok && done < bytes) {
        const int32_t length = TrimLastChunk(std::min(chunk, bytes - done), frameSize, secondModel);
        if (!RequestRingChunk(acq, address, length, buffer)) {
            ok = false;
            break;
        }
        const int32_t got = length / frameSize;
        const uint32_t at = AdvanceSampleRing(gs, static_cast<uint32_t>(got));
        StoreFrames(buffer, got, run, blocks, at, gs->winSize);
        for (int32_t i = 0; i < channels; ++i) gs->chanCount[RunChannelSlot(run, i)] += static_cast<uint32_t>(got);
        gs->totalSamples = static_cast<int32_t>(gs->chanCount[FirstRunSlot(run)]);
        if (run.calcCount) ComputeCalcChannels(acq, gs, got);
        if (analogOnly) {
            SwapFrameWords(buffer, static_cast<size_t>(length));
            ok = out.Append(buffer, static_cast<size_t>(length));
        } else {
            ok = AppendFileRecords(out, g_runLayer.diskConversion.size(), run, blocks, widths, at, gs->winSize, got);
        }
        address = NextRingAddress(address, static_cast<uint32_t>(length), g_runLayer.unitRingBytes);
        done += length;
    }
    // What was counted is in the file even when the batch fails part-way.
    if (!out.Flush()) ok = false;
    *count = ok ? bytes : 0;
    return ok ? 1 : 0;
}

// Step 6 of the end. The head is written again after a failed exchange too: the frames the file
// holds are only readable once the head counts them.
void EndDiskRecording(stAcq* acq, tagGS* gs, int32_t failed) {
    (void)failed;
    g_runLayer.diskConversion = std::vector<uint8_t>();
    gs->storageKind = kStoreDiskPaged;
    gs->winSize = kDiskRingSamples;
    CScopedHandle file(OpenRecordingFile(gs->filePath, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    if (file) {
        SaveAcquisitionSetup(acq, gs);
        if (HostWriteAcqFile(Host(), gs, file.get(), kWriteHeadAndTail)) return;
    }
    ShowRunMessage(gs, "KEY The recording file cannot be written");
}
