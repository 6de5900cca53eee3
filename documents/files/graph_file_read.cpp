// Reading a graph document from a ".ACQ" file or template, little-endian or byte-swapped, from a
// file or a memory buffer. Every length and count the file gives is checked against the file
// before it is used: a damaged file is refused with the key of its fault, or read as far as it
// is sound, and a refused read leaves the document without samples or file blocks.
#include "documents/files/graph_file.h"
#include "documents/files/graph_header.h"
#include "documents/files/marker_section.h"
#include "documents/files/sample_frames.h"
#include "documents/stored_blocks.h"
#include "outputs/outputs_api.h"
#include "base/byte_stream.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

const char* const kKeyFileTooShort = "KEY Graph file too short";
const char* const kKeyFileEmpty = "KEY Graph file empty";
const char* const kKeyHeaderCut = "KEY Graph file ends in its header";
const char* const kKeyHeaderDamaged = "KEY Graph header damaged";
const char* const kKeyTooManyChannels = "Too many data channels in file";
const char* const kKeyChannelHeaderDamaged = "KEY Channel header damaged";
const char* const kKeyChannelSlotBad = "KEY Channel slot out of range";
const char* const kKeyForeignBlockDamaged = "KEY Setup block damaged";
const char* const kKeySampleSizeBad = "KEY Sample size damaged";
const char* const kKeySwappedVersion = "Can't read in this file";
const char* const kKeySamplesNoMemory = "KEY Not enough memory for the samples";
const char* const kKeyMarkersCorrupted = "Marker information was corrupted";
const char* const kKeyRepaired = "Repairing file...";
const char* const kKeyBlockDamaged = "KEY Graph file block damaged";
const char* const kKeySwappedFile = "Mac file detected...";

namespace {
using namespace acqfile;

constexpr size_t kSampleChunkBytes = 1 << 20;

struct ReadState {
    tagGS* gs;
    CByteReader& in;
    stGraphReadReport* report;
    uint16_t firstWord = 0;
    uint32_t version = 0;
    bool swapped = false;
    uint16_t channels = 0;
};

int Refuse(ReadState& st, const char* key) {
    st.report->refusal = key;
    ClearDocumentData(st.gs);
    return 0;
}

void Notice(ReadState& st, const char* key) {
    if (!st.report->notice) st.report->notice = key;
}

// The first word and the version; a version whose low half is zero marks a byte-swapped file.
bool ReadHead(ReadState& st) {
    uint8_t head[6];
    if (!st.in.Read(head, sizeof head)) return false;
    st.firstWord = GetLeU16(head);
    st.version = GetLeU32(head + 2);
    st.swapped = (st.version & 0xFFFF) == 0;
    if (st.swapped) st.version = GetBeU32(head + 2);
    st.report->version = st.version;
    st.report->swapped = st.swapped ? 1 : 0;
    return true;
}

// The graph header: at most 2,976 bytes of its stored length; where it is shorter, the words
// that keep the document's value read 0xFFFF and the rest 0. Returns the header's stored length.
const char* ReadGraphHeader(ReadState& st, uint32_t* length) {
    uint8_t buf[kHeaderBytes] = {};
    std::memset(buf + gh::PerChanWord2, 0xFF, kMaxChannels * 2);
    std::memset(buf + gh::DocWord9, 0xFF, 2);
    uint8_t lengthBytes[4];
    if (!st.in.Read(lengthBytes, 4)) return kKeyHeaderCut;
    *length = st.swapped ? GetBeU32(lengthBytes) : GetLeU32(lengthBytes);
    if (*length < gh::ChannelsInUse) return kKeyHeaderDamaged;
    const uint32_t take = (*length < kHeaderBytes ? *length : kHeaderBytes) - gh::ChannelsInUse;
    if (!st.in.Read(buf + gh::ChannelsInUse, take)) return kKeyHeaderCut;
    PutLeU32(buf + gh::Version, st.version);
    PutLeU32(buf + gh::HeaderLength, *length);
    // A header that ends before the channel count has no channels.
    const uint8_t* count = buf + gh::ChannelsInUse;
    st.channels = *length >= gh::HUnit ? (st.swapped ? GetBeU16(count) : GetLeU16(count)) : 0;
    if (st.channels > kMaxChannels) return kKeyTooManyChannels;
    if (st.swapped) {
        DecodeSwappedHeader(buf, st.version, st.gs);
    } else {
        DecodeGraphHeader(buf, st.version, st.gs, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
    const double interval = st.gs->sampleInterval;
    if (!std::isfinite(interval) || interval <= 0.0) return kKeyHeaderDamaged;
    return nullptr;
}

// One header per channel in use, each found at the previous one's start + its stored length.
const char* ReadChannelHeaders(ReadState& st, uint64_t pos, uint64_t* end) {
    bool taken[kMaxChannels] = {};
    for (uint16_t i = 0; i < st.channels; ++i) {
        uint8_t buf[kChannelHeaderBytes] = {};
        if (!st.in.Seek(pos) || !st.in.Read(buf, 4)) return kKeyChannelHeaderDamaged;
        const uint32_t length = st.swapped ? GetBeU32(buf) : GetLeU32(buf);
        if (length < ch::MinLength) return kKeyChannelHeaderDamaged;
        const uint32_t take = (length < kChannelHeaderBytes ? length : kChannelHeaderBytes) - 4;
        if (!st.in.Read(buf + 4, take)) return kKeyChannelHeaderDamaged;
        const int slot = st.swapped ? static_cast<int16_t>(GetBeU16(buf + ch::Slot)) : GetLeI16(buf + ch::Slot);
        if (slot < 0 || slot >= kMaxChannels || taken[slot]) return kKeyChannelSlotBad;
        taken[slot] = true;
        if (st.swapped)
            DecodeSwappedChannelHeader(buf, st.version, st.gs, slot);
        else
            DecodeChannelHeader(buf, st.version, st.gs, slot);
        pos += length;
    }
    *end = pos;
    return nullptr;
}

bool NumberTaken(const tagGS* gs, int32_t number) {
    for (int s = 0; s < kMaxChannels; ++s)
        if (ChannelInUse(gs, s) && gs->chanNumber[s] == number) return true;
    return false;
}

// Free slots get channel numbers that no slot in use has, counting from 0.
void NumberFreeSlots(tagGS* gs) {
    int32_t next = 0;
    for (int s = 0; s < kMaxChannels; ++s) {
        if (ChannelInUse(gs, s)) continue;
        while (NumberTaken(gs, next)) ++next;
        gs->chanNumber[s] = next++;
    }
}

// The acquisition set-up block (tag 100) is kept; any other block is passed over. Its length
// word counts itself and the tag, so less than 4 cannot be.
const char* ReadForeignBlock(ReadState& st) {
    const uint64_t start = st.in.Tell();
    uint8_t head[kForeignHeadBytes];
    if (!st.in.Read(head, sizeof head)) return kKeyHeaderCut;
    const uint32_t length = st.swapped ? GetBeU16(head) : GetLeU16(head);
    const uint16_t tag = st.swapped ? GetBeU16(head + 2) : GetLeU16(head + 2);
    if (length < kForeignHeadBytes || start + length > st.in.Size()) return kKeyForeignBlockDamaged;
    const uint32_t size = length - kForeignHeadBytes;
    if (tag == kForeignTag && size > 0) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        void* p = block ? GlobalLock(block) : nullptr;
        if (!p) {
            if (block) GlobalFree(block);
            return kKeySamplesNoMemory;
        }
        bool read = st.in.Read(p, size);
        GlobalUnlock(block);
        if (!read) {
            GlobalFree(block);
            return kKeyHeaderCut;
        }
        if (st.gs->foreignData) GlobalFree(st.gs->foreignData);
        st.gs->foreignData = block;
    }
    st.in.Seek(start + length);
    return nullptr;
}

// Size and type of each channel in use, in slot order. A 16-bit channel's samples take 2 bytes.
const char* ReadTypeTable(ReadState& st) {
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!ChannelInUse(st.gs, s)) continue;
        uint8_t entry[kTypeEntryBytes];
        if (!st.in.Read(entry, sizeof entry)) return kKeyHeaderCut;
        const uint16_t size = st.swapped ? GetBeU16(entry) : GetLeU16(entry);
        const uint16_t type = st.swapped ? GetBeU16(entry + 2) : GetLeU16(entry + 2);
        if (type != 1 && size != 2) return kKeySampleSizeBad;
        st.gs->chanType[s] = type;
        st.gs->chanBytes[s] = static_cast<uint16_t>(SampleWidth(type));
    }
    return nullptr;
}

void SetSampleCount(tagGS* gs) {
    uint32_t total = FrameEnd(FrameLayoutOf(gs));
    gs->totalSamples = total > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(total);
}

// A file that ends inside its samples (or whose marker section is unsound) keeps what it holds:
// every channel is cut to the largest whole number of frames the file has room for.
void RepairCounts(tagGS* gs, uint64_t fileSize) {
    FrameLayout layout = FrameLayoutOf(gs);
    const uint64_t room = fileSize > gs->dataOffset ? fileSize - gs->dataOffset : 0;
    uint64_t low = 0, high = FrameEnd(layout);
    while (low < high) {
        const uint64_t mid = low + (high - low + 1) / 2;
        if (FrameOffset(layout, 0, static_cast<uint32_t>(mid)) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    for (int k = 0; k < layout.slots; ++k) {
        uint32_t& count = gs->chanCount[layout.slot[k]];
        if (count > low) count = static_cast<uint32_t>(low);
    }
    SetSampleCount(gs);
}

// Every sample into memory, through one buffer of whole frames.
const char* LoadSamples(ReadState& st) {
    tagGS* gs = st.gs;
    const FrameLayout layout = FrameLayoutOf(gs);
    void* blocks[kMaxChannels] = {};
    for (int k = 0; k < layout.slots; ++k) {
        const int s = layout.slot[k];
        if (layout.count[k] == 0) continue;
        gs->chanBlock[s] = AllocLockedBlock(static_cast<size_t>(layout.count[k]) * layout.width[k]);
        if (!gs->chanBlock[s]) return kKeySamplesNoMemory;
        blocks[k] = gs->chanBlock[s];
    }
    const uint32_t frames = FrameEnd(layout);
    if (frames == 0) return nullptr;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kSampleChunkBytes]);
    if (!buffer || !st.in.Seek(gs->dataOffset)) return buffer ? kKeyFileTooShort : kKeySamplesNoMemory;
    for (uint32_t done = 0; done < frames;) {
        size_t used = 0;
        FramesThatFit(layout, done, frames - done, kSampleChunkBytes, &used);
        if (!st.in.Read(buffer.get(), used)) return kKeyFileTooShort;
        uint32_t taken = UnpackFrames(layout, buffer.get(), used, 0, done, frames, st.swapped ? 1 : 0, blocks);
        if (taken == 0) return kKeyFileTooShort;
        done += taken;
    }
    return nullptr;
}

// The output-panel block has no length: after a damaged one the graph items are found by their
// tag, so that they are not lost with it.
void SkipToGraphItems(CByteReader& in) {
    const uint64_t start = in.Tell();
    for (uint64_t at = start + 4; at + 4 <= in.Size(); ++at) {
        uint32_t tag = 0;
        if (in.Seek(at) && in.U32(&tag) && tag == kGraphItemsTag) {
            in.Seek(at);
            return;
        }
    }
    in.Seek(start);
}

// The journal, marker-manager, output-panel and graph-item blocks, each found by its tag.
void ReadTaggedBlocks(ReadState& st, bool settingsOnly, int wideJournal) {
    tagGS* gs = st.gs;
    if (JournalLoadBlock(gs, st.in, wideJournal) == kBlockDamaged) Notice(st, kKeyBlockDamaged);
    if (MarkerManagerLoad(gs, st.in, settingsOnly ? 1 : 0) == kBlockDamaged) Notice(st, kKeyBlockDamaged);
    if (!gs->outPanels) gs->outPanels = NewOutCtlViewSet(gs);
    if (gs->outPanels && ReadOutputPanels(gs->outPanels, st.in) < 0) {
        Notice(st, kKeyBlockDamaged);
        SkipToGraphItems(st.in);
    }
    if (GraphItemsLoad(gs, st.in) == kBlockDamaged) Notice(st, kKeyBlockDamaged);
}

// Head, graph header, channel headers, set-up block and type table: everything before the
// samples. Sets the data offset.
const char* ReadFileHead(ReadState& st) {
    if (!st.in.Ok()) return kKeyFileTooShort;
    if (st.in.Size() == 0) return kKeyFileEmpty;
    if (!ReadHead(st)) return kKeyHeaderCut;
    // A version word of 0 names no version, in either byte order.
    if (st.version == 0) return kKeySwappedVersion;
    if (st.swapped) {
        notify::SetStatusText(kKeySwappedFile);
        if (st.version > kMaxSwappedVersion) return kKeySwappedVersion;
    }
    uint32_t headerLength = 0;
    uint64_t end = 0;
    if (const char* fault = ReadGraphHeader(st, &headerLength)) return fault;
    if (const char* fault = ReadChannelHeaders(st, headerLength, &end)) return fault;
    NumberFreeSlots(st.gs);
    if (!st.in.Seek(end)) return kKeyHeaderCut;
    if (const char* fault = ReadForeignBlock(st)) return fault;
    if (const char* fault = ReadTypeTable(st)) return fault;
    if (st.in.Tell() > 0xFFFFFFFFu) return kKeyHeaderDamaged;
    st.gs->dataOffset = static_cast<uint32_t>(st.in.Tell());
    st.gs->byteSwapped = st.swapped ? 1 : 0;
    SetSampleCount(st.gs);
    return nullptr;
}

}  // namespace

void ClearDocumentData(tagGS* gs) {
    for (int s = 0; s < kMaxChannels; ++s) {
        FreeLockedBlock(gs->chanBlock[s]);
        gs->chanFlags[s] = 0;
        gs->chanCount[s] = 0;
    }
    if (gs->foreignData) {
        GlobalFree(gs->foreignData);
        gs->foreignData = nullptr;
    }
    ClearStoredBlocks(gs);
    gs->storageKind = kStoreMemory;
    gs->byteSwapped = 0;
    gs->dataOffset = 0;
    gs->totalSamples = 0;
    gs->winFirst = 0;
    gs->winRingBase = gs->winLen = 0;
    if (!gs->acquiring) gs->winSize = kPagingWindow;
}

uint64_t LocateMarkerSection(const tagGS* gs) {
    const FrameLayout layout = FrameLayoutOf(gs);
    return FrameOffset(layout, gs->dataOffset, FrameEnd(layout));
}

int ReadGraphStream(tagGS* gs, CByteReader& in, int flags, stGraphReadReport* report) {
    stGraphReadReport local{};
    if (!report) report = &local;
    *report = stGraphReadReport{};
    ClearDocumentData(gs);
    ReadState st{gs, in, report};
    if (const char* fault = ReadFileHead(st)) return Refuse(st, fault);

    // The marker section lies behind the samples; where it cannot be read the file is repaired.
    MarkerSectionFault fault = MarkerSectionFault::PastEnd;
    if (in.Seek(LocateMarkerSection(gs))) {
        MarkerSectionForm form = st.swapped                              ? MarkerSectionForm::Swapped
                                 : st.version == 35 && st.firstWord == 1 ? MarkerSectionForm::Wide35
                                                                         : MarkerSectionForm::Standard;
        fault = ReadMarkerSection(gs, in, form);
    }
    if (fault == MarkerSectionFault::None) {
        if (!st.swapped && st.version >= 34) ReadTaggedBlocks(st, false, st.version == 35 && st.firstWord == 1);
    } else {
        const char* why = fault == MarkerSectionFault::Corrupted  ? kKeyMarkersCorrupted
                          : fault == MarkerSectionFault::NoMemory ? kKeySamplesNoMemory
                                                                  : kKeyRepaired;
        // Without channels there is nothing to repair from.
        if (FrameLayoutOf(gs).slots == 0) return Refuse(st, why == kKeyRepaired ? kKeyFileTooShort : why);
        Notice(st, why);
        notify::SetStatusText(kKeyRepaired);
        StoreMarkers(gs, nullptr, 0);
        RepairCounts(gs, in.Size());
        report->repaired = 1;
        setDirtyGraphFlag(gs, 1);
    }

    // A long file stays on disk and is paged in; everything else is read now.
    const bool page = (flags & kReadPageLong) && in.IsFile() && gs->filePath[0] &&
                      gs->totalSamples > static_cast<int32_t>(kPagingWindow);
    if (page) {
        gs->storageKind = kStoreDiskPaged;
        report->paged = 1;
    } else if (const char* loadFault = LoadSamples(st)) {
        return Refuse(st, loadFault);
    }
    return 1;
}

int ReadGraphFileReport(tagGS* gs, HANDLE* file, stGraphReadReport* report) {
    int result;
    {
        CByteReader in(*file);
        result = ReadGraphStream(gs, in, kReadPageLong, report);
    }
    if (*file != INVALID_HANDLE_VALUE) CloseHandle(*file);
    *file = INVALID_HANDLE_VALUE;
    return result;
}


int ReadGraphBuffer(tagGS* gs, const void* data, size_t size, stGraphReadReport* report) {
    CByteReader in(data, size);
    return ReadGraphStream(gs, in, 0, report);
}

int ReadGraphTemplateStream(tagGS* gs, CByteReader& in, stGraphReadReport* report) {
    stGraphReadReport local{};
    if (!report) report = &local;
    *report = stGraphReadReport{};
    ClearDocumentData(gs);
    ReadState st{gs, in, report};
    // A template is read as little-endian whatever its version word says.
    uint8_t version[4];
    if (in.Ok() && in.Size() == 0) return Refuse(st, kKeyFileEmpty);
    if (!in.Ok() || !ReadHead(st) || !in.Seek(2) || !in.Read(version, 4)) return Refuse(st, kKeyHeaderCut);
    st.swapped = false;
    st.version = GetLeU32(version);
    report->version = st.version;
    report->swapped = 0;
    uint32_t headerLength = 0;
    uint64_t end = 0;
    const char* fault = ReadGraphHeader(st, &headerLength);
    if (!fault) fault = ReadChannelHeaders(st, headerLength, &end);
    if (fault) return Refuse(st, fault);
    NumberFreeSlots(gs);
    if (!in.Seek(end)) return Refuse(st, kKeyHeaderCut);
    if ((fault = ReadForeignBlock(st)) != nullptr || (fault = ReadTypeTable(st)) != nullptr) return Refuse(st, fault);
    gs->dataOffset = static_cast<uint32_t>(in.Tell() > 0xFFFFFFFFu ? 0 : in.Tell());
    gs->byteSwapped = 0;
    // A template holds no samples, whatever its channel headers say.
    for (int s = 0; s < kMaxChannels; ++s) gs->chanCount[s] = 0;
    gs->totalSamples = 0;
    if (in.Skip(kMarkerHeadBytes) && st.version > 33) ReadTaggedBlocks(st, true, 0);
    return 1;
}

