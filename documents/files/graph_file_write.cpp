// Writing a graph document as a version 42 ".ACQ" file (whole, as the head of a recording to
// disk, or its selection) or as a version 37 ".GTL" template. Samples come from the document's
// blocks, from its ring while it records into one, or straight from the file a paged document
// keeps its samples in.
#include "documents/files/graph_file.h"
#include "documents/files/graph_header.h"
#include "documents/files/marker_section.h"
#include "documents/files/sample_frames.h"
#include "documents/stored_blocks.h"
#include "outputs/outputs_api.h"
#include "base/device.h"
#include "base/byte_stream.h"
#include "base/safe_file.h"
#include "base/notify.h"
#include "common/scoped_handle.h"
#include "common/tagGS.h"
#include <cmath>
#include <cstring>

namespace {
using namespace acqfile;

// Samples are gathered into runs of whole frames of at most this many bytes, and a file is
// written in pieces of the writer's buffer: few system calls for a long recording.
constexpr size_t kSampleRunBytes = 256 * 1024;
constexpr size_t kFileBufferBytes = 1024 * 1024;
const char* const kKeySaving = "Saving file: %3lu%% completed";

// What one write puts into the file.
struct WritePlan {
    FrameLayout source;   // the channels in use with the document's counts
    FrameLayout written;  // the same channels with the counts the file gets
    uint32_t first = 0, last = 0;
    bool ring = false;
};

bool RingWithData(const tagGS* gs) { return gs->storageKind == kStoreDiskRecording && gs->winLen > 0; }

WritePlan PlanWrite(const tagGS* gs, int mode, bool templ) {
    WritePlan p;
    p.source = FrameLayoutOf(gs);
    p.written = p.source;
    p.ring = RingWithData(gs) && (mode == kWriteWhole || mode == kWriteSelection);
    if (templ) {
        for (int k = 0; k < p.written.slots; ++k) p.written.count[k] = 0;
        return p;
    }
    if (mode == kWriteHead || mode == kWriteHeadAndTail) return p;  // the recording's own samples
    uint32_t first = 0, last = FrameEnd(p.source);
    if (p.ring) {
        first = static_cast<uint32_t>(gs->winFirst);
        last = first + gs->winLen;
    }
    if (mode == kWriteSelection) {
        uint32_t s, e;
        SelectionSampleRange(gs, &s, &e);
        if (s > first) first = s;
        if (e < last) last = e;
        if (last < first) last = first;
    }
    p.first = first;
    p.last = last;
    for (int k = 0; k < p.written.slots; ++k) {
        uint32_t end = p.source.count[k] < last ? p.source.count[k] : last;
        p.written.count[k] = end > first ? end - first : 0;
    }
    return p;
}

// "Saving file" with the whole percentage, shown again only when it changes.
struct Progress {
    uint32_t total;
    uint32_t shown = 101;
    void At(uint32_t index) {
        uint32_t pct = total ? static_cast<uint32_t>(static_cast<uint64_t>(index) * 100 / total) : 0;
        if (pct > 100) pct = 100;
        if (pct == shown) return;
        shown = pct;
        notify::SetStatusTextFmt(kKeySaving, static_cast<int32_t>(pct));
    }
};

// Channel blocks large enough for what the plan reads from them.
bool BlocksHold(const tagGS* gs, const WritePlan& p, const uint8_t** base) {
    for (int k = 0; k < p.source.slots; ++k) {
        const int s = p.source.slot[k];
        base[k] = static_cast<const uint8_t*>(gs->chanBlock[s]);
        uint64_t need = p.ring ? gs->winLen : (p.source.count[k] < p.last ? p.source.count[k] : p.last);
        if (p.written.count[k] == 0) continue;
        HGLOBAL h = base[k] ? GlobalHandle(base[k]) : nullptr;
        if (!h || GlobalSize(h) < need * p.source.width[k]) return false;
    }
    return true;
}

// Samples of a document held in memory, or in its ring while it records into one.
bool WriteBlockSamples(const tagGS* gs, const WritePlan& p, CByteWriter& out, Progress& progress) {
    const uint8_t* base[kMaxChannels] = {};
    if (!BlocksHold(gs, p, base)) {
        out.Fail(ERROR_INVALID_DATA);
        return false;
    }
    for (uint32_t j = p.first; j < p.last && out.Ok();) {
        uint32_t n = p.last - j;
        uint32_t pos = j;
        if (p.ring) {  // a run ends where the ring wraps
            pos = static_cast<uint32_t>(
                WindowPosition(static_cast<int32_t>(j), gs->winFirst, gs->winRingBase, gs->winLen));
            if (n > gs->winLen - pos) n = gs->winLen - pos;
        }
        size_t used = 0;
        n = FramesThatFit(p.source, j, n, kSampleRunBytes, &used);
        uint8_t* dst = out.Space(used);
        if (!dst || n == 0) {
            out.Fail(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        PackFrames(p.source, base, j, pos, n, dst);
        out.Commit(used);
        j += n;
        progress.At(j);
    }
    return out.Ok();
}

// The same file as the writer's: a paged document cannot be written over its own samples.
bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!GetFileInformationByHandle(a, &ia) || !GetFileInformationByHandle(b, &ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

// Samples of a paged document, copied frame run by frame run from the file it pages from.
bool WriteFileSamples(const tagGS* gs, const WritePlan& p, CByteWriter& out, Progress& progress) {
    CScopedHandle file(CreateFileA(gs->filePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        out.Fail(GetLastError());
        return false;
    }
    if (out.IsFile() && SameFile(file.get(), out.File())) {
        out.Fail(ERROR_SHARING_VIOLATION);
        return false;
    }
    {
        CByteReader in(file.get());
        if (!in.Seek(FrameOffset(p.source, gs->dataOffset, p.first))) out.Fail(ERROR_HANDLE_EOF);
        for (uint32_t j = p.first; j < p.last && out.Ok();) {
            size_t used = 0;
            uint32_t n = FramesThatFit(p.source, j, p.last - j, kSampleRunBytes, &used);
            uint8_t* dst = out.Space(used);
            if (!dst || n == 0) {
                out.Fail(ERROR_NOT_ENOUGH_MEMORY);
                break;
            }
            if (!in.Read(dst, used)) {
                out.Fail(in.Error() ? in.Error() : ERROR_HANDLE_EOF);
                break;
            }
            if (gs->byteSwapped == 1) SwapFrameSamples(p.source, dst, j, n);
            out.Commit(used);
            j += n;
            progress.At(j);
        }
    }
    return out.Ok();
}

bool WriteSamples(const tagGS* gs, const WritePlan& p, CByteWriter& out) {
    Progress progress{static_cast<uint32_t>(gs->totalSamples > 0 ? gs->totalSamples : p.last)};
    progress.At(p.first);
    bool written = gs->storageKind == kStoreDiskPaged && !p.ring ? WriteFileSamples(gs, p, out, progress)
                                                                 : WriteBlockSamples(gs, p, out, progress);
    notify::SetStatusText("Ready");
    return written;
}

// The acquisition set-up block (tag 100), refreshed by the device library first; a document
// without one writes the bare head. Returns the block's length in the file.
uint32_t WriteForeignBlock(tagGS* gs, CByteWriter& out) {
    if (gs->setupBlock || gs->foreignData) {
        DeviceWriteFile();
        DeviceStoreSetupInGraph(gs);
    }
    HGLOBAL block = gs->setupBlock ? gs->setupBlock : gs->foreignData;
    const SIZE_T size = block ? GlobalSize(block) : 0;
    // The length word counts the head too and has 16 bits; a larger block cannot be stored.
    if (size + kForeignHeadBytes > 0xFFFF) {
        out.Fail(ERROR_INVALID_DATA);
        return 0;
    }
    const uint32_t length = static_cast<uint32_t>(size) + kForeignHeadBytes;
    out.U16(static_cast<uint16_t>(length));
    out.U16(kForeignTag);
    if (size) {
        const void* p = GlobalLock(block);
        if (p)
            out.Write(p, size);
        else
            out.Fail(ERROR_INVALID_DATA);
        GlobalUnlock(block);
    }
    return length;
}

// Graph header, channel headers, set-up block and type table; returns the data offset.
uint32_t WriteHead(tagGS* gs, const WritePlan& p, const stHeaderOptions& options, CByteWriter& out) {
    uint8_t header[kHeaderBytes];
    EncodeGraphHeader(gs, options, header);
    out.Seek(0);
    out.Write(header, sizeof header);
    for (int k = 0; k < p.written.slots; ++k) {
        uint8_t channel[kChannelHeaderBytes];
        EncodeChannelHeader(gs, p.written.slot[k], p.written.count[k], channel);
        out.Write(channel, sizeof channel);
    }
    const uint32_t foreign = WriteForeignBlock(gs, out);
    for (int k = 0; k < p.written.slots; ++k) {
        const int s = p.written.slot[k];
        out.U16(static_cast<uint16_t>(p.written.width[k]));
        out.U16(gs->chanType[s] == kTypeDouble ? 1 : gs->chanType[s] ? gs->chanType[s] : 2);
    }
    return kHeaderBytes + (kChannelHeaderBytes + kTypeEntryBytes) * p.written.slots + foreign;
}

// After a whole file the file ends where the writing did.
void EndFileHere(CByteWriter& out) {
    if (!out.Flush() || !out.IsFile()) return;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(out.Tell());
    if (!SetFilePointerEx(out.File(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(out.File())) out.Fail(GetLastError());
}

}  // namespace

double RoundUpToIncrement(double value, double increment) {
    if (increment == 0.0 || !std::isfinite(value)) return value;
    const double q = value / increment;
    const double nearest = std::round(q);
    if (std::fabs(q - nearest) <= 1e-5 * std::fabs(q)) return nearest * increment;
    return std::ceil(q) * increment;  // up for positive values, toward zero for negative ones
}

void SelectionSampleRange(const tagGS* gs, uint32_t* first, uint32_t* last) {
    double a = 0.0, b = 0.0;
    if (std::isfinite(gs->sampleInterval) && gs->sampleInterval > 0.0) {
        a = RoundUpToIncrement(gs->selStart / gs->sampleInterval, 1.0);
        b = RoundUpToIncrement(gs->selEnd / gs->sampleInterval, 1.0);
    }
    auto index = [](double v) { return !(v > 0.0) ? 0u : v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v); };
    uint32_t s = index(a), e = index(b);
    *first = s < e ? s : e;
    *last = s < e ? e : s;
}

int32_t SelectionSegmentMarker(const tagGS* gs) {
    uint32_t start, end;
    SelectionSampleRange(gs, &start, &end);
    const uint32_t count = StoredMarkerCount(gs);
    for (uint32_t i = 0; i < count; ++i) {
        int32_t type, number;
        StoredMarkerIdentity(gs, i, &type, &number);
        if (type != kAppendMarker || StoredMarkerAt(gs, i)->position > start) continue;
        uint32_t next = i + 1;
        for (; next < count; ++next) {
            StoredMarkerIdentity(gs, next, &type, &number);
            if (type == kAppendMarker) break;
        }
        if (next == count || start < StoredMarkerAt(gs, next)->position) return static_cast<int32_t>(i);
    }
    return -1;
}

int WriteGraphStream(tagGS* gs, CByteWriter& out, int mode, int keepDataOffset) {
    if (!gs || mode < kWriteWhole || mode > kWriteSelection) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const WritePlan plan = PlanWrite(gs, mode, false);
    stHeaderOptions options{kVersionWritten, static_cast<uint16_t>(plan.written.slots), mode == kWriteSelection,
                            plan.ring && mode == kWriteWhole, false};
    const uint32_t dataOffset = WriteHead(gs, plan, options, out);
    if (out.Ok() && (mode == kWriteWhole || mode == kWriteSelection)) WriteSamples(gs, plan, out);
    const uint32_t earlier = gs->dataOffset;
    gs->dataOffset = dataOffset;
    if (mode != kWriteHead && out.Ok()) {
        out.Seek(FrameOffset(plan.written, dataOffset, FrameEnd(plan.written)));
        const bool selection = mode == kWriteSelection;
        const int32_t kept = selection ? SelectionSegmentMarker(gs) : -1;
        WriteMarkerSection(gs, out, selection, kept);
        JournalSaveBlock(gs, out);
        MarkerManagerSave(gs, out, selection ? MarkerBlockForm::SelectionOnly : MarkerBlockForm::Normal, kept);
        WriteOutputPanels(gs->outPanels, out);
        if (!selection) GraphItemsSave(gs, out);
        EndFileHere(out);
    }
    if (!out.Flush()) {
        gs->dataOffset = earlier;
        SetLastError(out.Error());
        return 0;
    }
    if (!keepDataOffset) gs->dataOffset = earlier;
    // Samples held in memory are in the host's order; a paged document still reads its file.
    if (gs->storageKind == kStoreMemory) gs->byteSwapped = 0;
    if (!gs->acquiring && !RingWithData(gs) && mode != kWriteSelection) {
        gs->winFirst = 0;
        gs->winRingBase = gs->winLen = 0;
    }
    return 1;
}

int WriteAcqFile(tagGS* gs, HANDLE file, int mode, int keepDataOffset) {
    CByteWriter out(file, kFileBufferBytes);
    if (!out.Ok()) {
        SetLastError(out.Error());
        return 0;
    }
    return WriteGraphStream(gs, out, mode, keepDataOffset);
}

int WriteTemplateStream(tagGS* gs, CByteWriter& out) {
    const WritePlan plan = PlanWrite(gs, kWriteWhole, true);
    stHeaderOptions options{kVersionTemplate, static_cast<uint16_t>(plan.written.slots), true, false, true};
    WriteHead(gs, plan, options, out);
    out.Zeros(kMarkerHeadBytes);
    JournalSaveBlock(gs, out);
    MarkerManagerSave(gs, out, MarkerBlockForm::SettingsOnly, -1);
    WriteOutputPanels(gs->outPanels, out);
    GraphItemsSave(gs, out);
    EndFileHere(out);
    if (!out.Flush()) {
        SetLastError(out.Error());
        return 0;
    }
    return 1;
}

namespace {

// The template into the file being saved; 0 or the system's reason.
DWORD WriteTemplateInto(HANDLE file, void* context) {
    CByteWriter out(file);
    if (WriteTemplateStream(static_cast<tagGS*>(context), out) && out.Flush()) return 0;
    return out.Error() ? out.Error() : ERROR_WRITE_FAULT;
}

}  // namespace

int WriteTemplateFile(tagGS* gs, const char* path) {
    const DWORD error = WriteFileThroughTemporary(path, WriteTemplateInto, gs);
    SetLastError(error);
    return error ? 0 : 1;
}
