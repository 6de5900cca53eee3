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
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

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
const char* const kKeyVersionMissing = "KEY Graph file version missing";
const char* const kKeyNotGraphFile = "KEY Not a graph file";
const char* const kKeyPartsLeftOut = "KEY Graph file parts left out";
const char* const kKeyPartsLeftOutStatus = "KEY Graph file parts left out, status";
const char* const kKeyDamagedChannelName = "KEY Damaged channel name";

const char* LeftOutPartKey(int bitNumber) {
    static const char* const keys[kLeftOutParts] = {
        "KEY Left out journal", "KEY Left out marker settings", "KEY Left out output panels",
        "KEY Left out graph items", "KEY Left out setup", "KEY Left out markers", "KEY Left out marker labels",
        "KEY Left out journal length", "KEY Left out journal end", "KEY Left out marker count",
        "KEY Damaged channel scale", "KEY Damaged channel count", "KEY Damaged channel slot",
    };
    return bitNumber >= 0 && bitNumber < kLeftOutParts ? keys[bitNumber] : nullptr;
}

namespace {
using namespace acqfile;

constexpr size_t kSampleChunkBytes = 1 << 20;
constexpr double kNewChannelScale = 10.0 / 32768.0;  // a new channel's, from the unit's range

struct ReadState {
    ReadState(tagGS* doc, CByteReader& reader, stGraphReadReport* out) : gs(doc), in(reader), report(out) {}
    tagGS* gs;
    CByteReader& in;
    stGraphReadReport* report;
    uint16_t firstWord = 0;
    uint32_t version = 0;
    bool swapped = false;
    uint16_t channels = 0;
    std::vector<uint8_t> keptMarkers;  // when the marker section left markers out: a flag per record
    // Each channel header's stored scale and offset (when its length holds them) and the slot's
    // values before it was read, the fallback for values no recording can hold.
    double storedScale[kMaxChannels] = {}, storedOffset[kMaxChannels] = {};
    bool scaleStored[kMaxChannels] = {}, offsetStored[kMaxChannels] = {};
    double priorScale[kMaxChannels] = {}, priorOffset[kMaxChannels] = {};
};

int Refuse(ReadState& st, const char* key) {
    st.report->refusal = key;
    ClearDocumentData(st.gs);
    return 0;
}

void Notice(ReadState& st, const char* key) {
    if (!st.report->notice) st.report->notice = key;
}

// A damaged part of the file that the read went around; the document no longer matches its file.
void LeftOut(ReadState& st, uint32_t part, const char* key) {
    Notice(st, key);
    st.report->leftOut |= part;
    setDirtyGraphFlag(st.gs, 1);
}

// A channel field no recording can hold, read with a fallback; the report names the channel.
void ChannelDamaged(ReadState& st, int slot, uint32_t part) {
    uint64_t* slots = part == kLeftOutChannelScale   ? &st.report->badScale
                      : part == kLeftOutChannelCount ? &st.report->badCount
                                                     : &st.report->badSlot;
    *slots |= uint64_t{1} << slot;
    LeftOut(st, part, kKeyBlockDamaged);
}

// A graph file's first twelve bytes hold a NUL (its first word, the high bytes of its lengths
// and counts); text has none.
bool LooksLikeText(CByteReader& in) {
    uint8_t head[12];
    const size_t n = in.Size() < sizeof head ? static_cast<size_t>(in.Size()) : sizeof head;
    if (n == 0 || !in.Seek(0) || !in.Read(head, n) || !in.Seek(0)) return false;
    for (size_t i = 0; i < n; ++i)
        if (head[i] < 0x20 && head[i] != '\t' && head[i] != '\n' && head[i] != '\r') return false;
    return true;
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
// A slot number out of range or named twice is damage: the channel goes to a free slot between
// those of the headers around it, which keeps the order its samples and type lie in the file.
const char* ReadChannelHeaders(ReadState& st, uint64_t pos, uint64_t* end) {
    struct Header {
        uint8_t buf[kChannelHeaderBytes];
        uint32_t length;
        int slot;  // -1 while damaged
    };
    std::vector<Header> headers(st.channels);
    bool taken[kMaxChannels] = {};
    for (uint16_t i = 0; i < st.channels; ++i) {
        Header& h = headers[i];
        std::memset(h.buf, 0, sizeof h.buf);
        if (!st.in.Seek(pos) || !st.in.Read(h.buf, 4)) return kKeyChannelHeaderDamaged;
        h.length = st.swapped ? GetBeU32(h.buf) : GetLeU32(h.buf);
        if (h.length < ch::MinLength) return kKeyChannelHeaderDamaged;
        const uint32_t take = (h.length < kChannelHeaderBytes ? h.length : kChannelHeaderBytes) - 4;
        if (!st.in.Read(h.buf + 4, take)) return kKeyChannelHeaderDamaged;
        const int slot = st.swapped ? static_cast<int16_t>(GetBeU16(h.buf + ch::Slot)) : GetLeI16(h.buf + ch::Slot);
        h.slot = slot >= 0 && slot < kMaxChannels && !taken[slot] ? slot : -1;
        if (h.slot >= 0) taken[h.slot] = true;
        pos += h.length;
    }
    for (uint16_t i = 0; i < st.channels; ++i) {
        Header& h = headers[i];
        const bool damaged = h.slot < 0;
        if (damaged) {
            int low = -1, high = kMaxChannels;
            for (int k = i - 1; k >= 0 && low < 0; --k) low = headers[k].slot;
            for (int k = i + 1; k < st.channels && high == kMaxChannels; ++k)
                if (headers[k].slot >= 0) high = headers[k].slot;
            for (int s = low + 1; s < high && h.slot < 0; ++s)
                if (!taken[s]) h.slot = s;
            if (h.slot < 0) return kKeyChannelSlotBad;
            taken[h.slot] = true;
        }
        const int s = h.slot;
        st.priorScale[s] = st.gs->chanScale[s];
        st.priorOffset[s] = st.gs->chanOffset[s];
        const uint32_t held = h.length < kChannelHeaderBytes ? h.length : kChannelHeaderBytes;
        const uint32_t scaleAt = st.swapped ? sch::Scale : ch::Scale;
        const uint32_t offsetAt = st.swapped ? sch::Offset : ch::Offset;
        st.scaleStored[s] = held >= scaleAt + 8;
        st.offsetStored[s] = held >= offsetAt + 8;
        st.storedScale[s] = st.swapped ? GetBeF64(h.buf + scaleAt) : GetLeF64(h.buf + scaleAt);
        st.storedOffset[s] = st.swapped ? GetBeF64(h.buf + offsetAt) : GetLeF64(h.buf + offsetAt);
        if (st.swapped)
            DecodeSwappedChannelHeader(h.buf, st.version, st.gs, s);
        else
            DecodeChannelHeader(h.buf, st.version, st.gs, s);
        if (damaged) ChannelDamaged(st, s, kLeftOutChannelSlot);
    }
    *end = pos;
    return nullptr;
}

// A 16-bit channel's values are its samples x scale + offset: a scale that is zero or not a
// number, or an offset that is not a number, leaves its values unknown. The samples are kept
// and shown with the slot's values from before the read (those of a new channel when unsound).
void CheckChannelScales(ReadState& st) {
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!ChannelInUse(st.gs, s) || st.gs->chanType[s] == kTypeDouble) continue;
        const bool badScale = st.scaleStored[s] && (!std::isfinite(st.storedScale[s]) || st.storedScale[s] == 0.0);
        const bool badOffset = st.offsetStored[s] && !std::isfinite(st.storedOffset[s]);
        if (!badScale && !badOffset) continue;
        const double prior = st.priorScale[s];
        st.gs->chanScale[s] = std::isfinite(prior) && prior != 0.0 ? prior : kNewChannelScale;
        st.gs->chanOffset[s] = std::isfinite(st.priorOffset[s]) ? st.priorOffset[s] : 0.0;
        ChannelDamaged(st, s, kLeftOutChannelScale);
    }
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
    // Only the acquisition set-up is stored here: a block of another tag is a damaged one.
    if (tag != kForeignTag && size > 0) LeftOut(st, kLeftOutSetup, kKeyForeignBlockDamaged);
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
        // A set-up whose version or records cannot be sound is not restored, nor written back.
        bool sound = false;
        if (const void* p = GlobalLock(block)) {
            sound = IsSetupBlockSound(p, size) != 0;
            GlobalUnlock(block);
        }
        if (!sound) {
            GlobalFree(block);
            LeftOut(st, kLeftOutSetup, kKeyForeignBlockDamaged);
            block = nullptr;
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

// ---- The tagged blocks behind the marker section ----

// The blocks in the order a file holds them; any of them may be absent.
enum BlockKind : int { kJournalBlock, kManagerBlock, kPanelsBlock, kItemsBlock, kNoMoreBlocks };

int KindOfTag(uint32_t tag) {
    switch (tag) {
    case kJournalTag: return kJournalBlock;
    case kMarkerManagerTag: return kManagerBlock;
    case kOutputPanelsTag: return kPanelsBlock;
    case kGraphItemsTag: return kItemsBlock;
    default: return -1;
    }
}

uint32_t PartOf(int kind) {
    static const uint32_t parts[kNoMoreBlocks] = {kLeftOutJournal, kLeftOutMarkerSettings, kLeftOutOutputPanels,
                                                  kLeftOutGraphItems};
    return kind >= 0 && kind < kNoMoreBlocks ? parts[kind] : 0;
}

// The parts of the kinds from `first` up to, not including, `last`.
uint32_t PartsBetween(int first, int last) {
    uint32_t parts = 0;
    for (int kind = first; kind < last; ++kind) parts |= PartOf(kind);
    return parts;
}

bool ReadsWhole(int result) { return result == kBlockRead || result == kBlockPartly; }

bool HoldsNul(const uint8_t* bytes, size_t n) { return std::memchr(bytes, 0, n) != nullptr; }

// One block as the walk found it: where it starts and ends, how its reading went, and for the
// journal where its text lies.
struct stFoundBlock {
    int kind = -1;
    uint64_t at = 0, end = 0;
    int result = kBlockAbsent;
    stJournalFrame journal;
};

// Walks the blocks in their order. A block is taken when it reads whole and what follows it is
// the end of the file or the tag of a block that may come after it. Where that is not so, the
// next block is found by its tag and checked by reading it whole, and the bytes before it
// belonged either to the block before them, whose end was wrong (a journal keeps its text up to
// the next block; another such block is left out), or to blocks of the kinds between, which are
// left out. Whatever is left out is told and the document marked changed: no bytes are passed
// over in silence.
class CTailWalk {
public:
    // The walk starts at the reader's position; where no block starts there, the first one is
    // looked for from `earliest` on (the marker section's length may have been wrong). After a
    // damaged marker section, which was told already, the bytes before the first block are its own.
    CTailWalk(ReadState& st, bool settingsOnly, int wideJournal, uint64_t earliest, bool afterDamagedMarkers)
        : m_st(st), m_in(st.in), m_settingsOnly(settingsOnly), m_wideJournal(wideJournal),
          m_kept(st.keptMarkers.empty() ? nullptr : &st.keptMarkers), m_earliest(earliest),
          m_afterDamagedMarkers(afterDamagedMarkers) {}
    void Run();
    // Where the first block kept begins; the file's size when none was.
    uint64_t FirstBlockAt() const { return m_firstAt; }

private:
    int TagKindAt(uint64_t at);
    stFoundBlock CheckAt(int kind, uint64_t at);
    bool FindNext(uint64_t from, int first, stFoundBlock* found);
    bool AnyNul(uint64_t from, uint64_t to);
    void Resync(std::vector<stFoundBlock>* taken, uint64_t* pos, int* next);
    void Take(const stFoundBlock& b);

    ReadState& m_st;
    CByteReader& m_in;
    bool m_settingsOnly;
    int m_wideJournal;
    const std::vector<uint8_t>* m_kept;
    uint64_t m_earliest;
    bool m_afterDamagedMarkers;
    uint32_t m_leftOut = 0;
    uint64_t m_firstAt = 0;
};

int CTailWalk::TagKindAt(uint64_t at) {
    uint32_t tag = 0;
    return m_in.Seek(at) && m_in.U32(&tag) ? KindOfTag(tag) : -1;
}

// Reads the block of `kind` at `at` without keeping anything.
stFoundBlock CTailWalk::CheckAt(int kind, uint64_t at) {
    stFoundBlock b;
    b.kind = kind;
    b.at = at;
    if (!m_in.Seek(at)) return b;
    tagGS* gs = m_st.gs;
    switch (kind) {
    case kJournalBlock: b.result = JournalFrameAt(m_in, m_wideJournal, &b.journal); break;
    case kManagerBlock: b.result = MarkerManagerCheck(gs, m_in, m_settingsOnly ? 1 : 0, m_kept); break;
    case kPanelsBlock: {
        const int r = gs->outPanels ? CheckOutputPanels(gs->outPanels, m_in) : -1;
        b.result = r == 1 ? kBlockRead : r == 0 ? kBlockAbsent : kBlockDamaged;
        break;
    }
    default: b.result = GraphItemsCheck(m_in); break;
    }
    b.end = m_in.Tell();
    return b;
}

// The first block of a kind from `first` on whose tag lies at `from` or after it and that reads
// whole: a tag alone, which damage can also make, is not taken for a block.
bool CTailWalk::FindNext(uint64_t from, int first, stFoundBlock* found) {
    for (uint64_t at = from; at + 4 <= m_in.Size(); ++at) {
        const int kind = TagKindAt(at);
        if (kind < first) continue;
        const stFoundBlock b = CheckAt(kind, at);
        const bool whole = kind == kJournalBlock ? b.journal.fits && !b.journal.holdsNul : ReadsWhole(b.result);
        if (whole) {
            *found = b;
            return true;
        }
    }
    return false;
}

bool CTailWalk::AnyNul(uint64_t from, uint64_t to) {
    uint8_t chunk[4096];
    for (uint64_t at = from; at < to;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, to - at));
        if (!m_in.Seek(at) || !m_in.Read(chunk, n)) return true;
        if (HoldsNul(chunk, n)) return true;
        at += n;
    }
    return false;
}

// What follows the last block taken (or the marker section) at *pos is no block that may come
// next: finds the next sound block and settles what the bytes before it were.
void CTailWalk::Resync(std::vector<stFoundBlock>* taken, uint64_t* pos, int* next) {
    stFoundBlock* last = taken->empty() ? nullptr : &taken->back();
    stFoundBlock after;
    const bool found = FindNext(last ? last->at + 4 : std::min(m_earliest, *pos), *next, &after);
    const uint64_t at = found ? after.at : m_in.Size();
    const int resume = found ? after.kind : kNoMoreBlocks;
    if (last && last->kind == kJournalBlock) {
        // Text runs up to the next block: the stored length was wrong unless that block starts
        // right where the length ends, or the bytes before it hold a NUL, which text never does.
        const bool wrong = !last->journal.fits || at < *pos || (at > *pos && (resume == *next || !AnyNul(*pos, at)));
        if (wrong) {
            m_leftOut |= kLeftOutJournalLength;
            last->journal.textEnd = at;
        } else {
            m_leftOut |= PartsBetween(*next, resume);
        }
    } else if (last && (at < *pos || resume == *next)) {
        // The block before ran into the next one, or stopped short of it: its own counts were
        // damaged. Graph items read whole stay; another such block is left out.
        m_leftOut |= PartOf(last->kind);
        if (last->kind != kItemsBlock) taken->pop_back();
    } else if (last || !m_afterDamagedMarkers) {
        uint32_t between = PartsBetween(*next, resume);
        // Two zero words read as a section without markers wherever they lie: bytes before the
        // first block that no block can have held were the marker section, read elsewhere.
        if (!last && !between && at > *pos && StoredMarkerCount(m_st.gs) == 0) between = kLeftOutMarkers;
        m_leftOut |= between;
    }
    *pos = at;
    *next = resume;
}

// A block the walk kept goes into the document.
void CTailWalk::Take(const stFoundBlock& b) {
    tagGS* gs = m_st.gs;
    int result = kBlockDamaged;
    m_in.Seek(b.at);
    switch (b.kind) {
    case kJournalBlock: {
        const uint64_t textEnd = std::max(b.journal.textAt, b.journal.textEnd);
        bool cut = false;
        result = JournalTakeText(gs, m_in, b.journal.autoTime, b.journal.textAt, textEnd, &cut) ? kBlockRead
                                                                                                 : kBlockDamaged;
        // Text never holds a NUL: what follows one is damage.
        if (cut) m_leftOut |= kLeftOutJournalEnd;
        break;
    }
    case kManagerBlock: result = MarkerManagerLoad(gs, m_in, m_settingsOnly ? 1 : 0, m_kept); break;
    case kPanelsBlock: result = ReadOutputPanels(gs->outPanels, m_in) == 1 ? kBlockRead : kBlockDamaged; break;
    default: result = GraphItemsLoad(gs, m_in); break;
    }
    if (result != kBlockRead) m_leftOut |= PartOf(b.kind);
}

void CTailWalk::Run() {
    tagGS* gs = m_st.gs;
    if (!gs->outPanels) gs->outPanels = NewOutCtlViewSet(gs);
    const uint64_t size = m_in.Size();
    std::vector<stFoundBlock> taken;
    uint64_t pos = m_in.Tell();
    int next = kJournalBlock;
    bool doubt = false;  // the journal just taken may end elsewhere than its length says
    while (pos < size || doubt) {
        const int kind = !doubt && next < kNoMoreBlocks ? TagKindAt(pos) : -1;
        if (kind < next) {
            Resync(&taken, &pos, &next);
            doubt = false;
            continue;
        }
        const stFoundBlock b = CheckAt(kind, pos);
        if (ReadsWhole(b.result) || b.result == kBlockCut) {
            taken.push_back(b);
            next = kind + 1;
            pos = b.end;
            doubt = kind == kJournalBlock && (!b.journal.fits || b.journal.holdsNul);
            continue;
        }
        // An unsound block is left out, with the kinds between it and the next sound block.
        stFoundBlock after;
        const bool found = FindNext(pos + 4, kind + 1, &after);
        const int resume = found ? after.kind : kNoMoreBlocks;
        m_leftOut |= PartsBetween(kind, resume);
        pos = found ? after.at : size;
        next = resume;
    }
    m_firstAt = taken.empty() ? size : taken.front().at;
    for (const stFoundBlock& b : taken) Take(b);
    for (uint32_t part = 1; part && part < (1u << kLeftOutParts); part <<= 1)
        if (m_leftOut & part) LeftOut(m_st, part, kKeyBlockDamaged);
}

// The journal, marker-manager, output-panel and graph-item blocks, each found by its tag (see
// CTailWalk).
uint64_t ReadTaggedBlocks(ReadState& st, bool settingsOnly, int wideJournal, uint64_t earliest,
                          bool afterDamagedMarkers = false) {
    CTailWalk walk(st, settingsOnly, wideJournal, earliest, afterDamagedMarkers);
    walk.Run();
    return walk.FirstBlockAt();
}

// Head, graph header, channel headers, set-up block and type table: everything before the
// samples. Sets the data offset.
const char* ReadFileHead(ReadState& st) {
    if (!st.in.Ok()) return kKeyFileTooShort;
    if (st.in.Size() == 0) return kKeyFileEmpty;
    if (LooksLikeText(st.in)) return kKeyNotGraphFile;
    if (!ReadHead(st)) return kKeyHeaderCut;
    // A version word of 0 names no version, in either byte order.
    if (st.version == 0) return kKeyVersionMissing;
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
    CheckChannelScales(st);
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
    const bool tagged = !st.swapped && st.version >= kVersionTaggedBlocks;
    const int wideJournal = st.version == kVersionMeasureRows && st.firstWord == 1;
    const MarkerSectionForm form = st.swapped                              ? MarkerSectionForm::Swapped
                                   : st.version == kVersionMeasureRows && st.firstWord == 1 ? MarkerSectionForm::Wide35
                                                                           : MarkerSectionForm::Standard;
    stMarkerSectionRead read;
    // A section that reads whole and ends where the file or a tagged block does is where the
    // channels' counts say the samples end.
    bool endsSound = false;
    auto readMarkersAt = [&](uint64_t at) {
        endsSound = false;
        if (!in.Seek(at)) return MarkerSectionFault::PastEnd;
        const uint32_t endOfData = gs->totalSamples > 0 ? static_cast<uint32_t>(gs->totalSamples) : 0;
        const MarkerSectionFault f = ReadMarkerSection(gs, in, form, endOfData, &read);
        if (f == MarkerSectionFault::None) {
            const uint64_t after = in.Tell();
            uint32_t tag = 0;
            endsSound = after == in.Size() || (tagged && in.U32(&tag) && KindOfTag(tag) >= 0);
            in.Seek(after);
        }
        return f;
    };
    uint64_t markerSection = LocateMarkerSection(gs);
    MarkerSectionFault fault = readMarkersAt(markerSection);
    if (!endsSound) {
        // One channel's count damaged: the count another channel has puts the section where it
        // reads soundly. The channel keeps the samples the file holds for it, and is told.
        const FrameLayout layout = FrameLayoutOf(gs);
        bool mended = false;
        for (int k = 0; k < layout.slots && !mended; ++k) {
            uint32_t& count = gs->chanCount[layout.slot[k]];
            const uint32_t stored = count;
            for (int j = 0; j < layout.slots && !mended; ++j) {
                if (layout.count[j] == stored) continue;
                count = layout.count[j];
                SetSampleCount(gs);
                const uint64_t at = LocateMarkerSection(gs);
                if (readMarkersAt(at) == MarkerSectionFault::None && endsSound) {
                    mended = true;
                    markerSection = at;
                    fault = MarkerSectionFault::None;
                    ChannelDamaged(st, layout.slot[k], kLeftOutChannelCount);
                }
            }
            if (!mended) {
                count = stored;
                SetSampleCount(gs);
            }
        }
        // Nothing better found: read as the stored counts say.
        if (!mended) fault = readMarkersAt(markerSection);
    }
    if (fault == MarkerSectionFault::None) {
        st.keptMarkers.swap(read.keptInFile);
        if (read.leftOut) LeftOut(st, kLeftOutMarkers, kKeyPartsLeftOut);
        if (read.labelsCut) LeftOut(st, kLeftOutMarkerLabels, kKeyPartsLeftOut);
        if (read.countShort) LeftOut(st, kLeftOutMarkerCount, kKeyPartsLeftOut);
        if (tagged) ReadTaggedBlocks(st, false, wideJournal, read.recordsEnd);
    } else {
        const char* why = fault == MarkerSectionFault::Corrupted  ? kKeyMarkersCorrupted
                          : fault == MarkerSectionFault::NoMemory ? kKeySamplesNoMemory
                                                                  : kKeyRepaired;
        // Without channels there is nothing to repair from.
        if (FrameLayoutOf(gs).slots == 0) return Refuse(st, why == kKeyRepaired ? kKeyFileTooShort : why);
        Notice(st, why);
        notify::SetStatusText(kKeyRepaired);
        StoreMarkers(gs, nullptr, 0);
        st.keptMarkers.clear();
        // The blocks after the damaged section are still found by their tags; a section beyond
        // the end (a count too large) leaves them to be looked for behind the samples' start.
        uint64_t samplesEnd = in.Size();
        if (tagged) {
            const uint64_t from = markerSection + kMarkerHeadBytes <= in.Size() ? markerSection + kMarkerHeadBytes
                                                                               : gs->dataOffset;
            if (in.Seek(from)) {
                const uint64_t first = ReadTaggedBlocks(st, false, wideJournal, in.Tell(), true);
                // The samples end before the marker section's head, which lies before the blocks.
                if (first < in.Size() && first >= gs->dataOffset + kMarkerHeadBytes) samplesEnd = first - kMarkerHeadBytes;
            }
        }
        uint32_t before[kMaxChannels];
        for (int s = 0; s < kMaxChannels; ++s) before[s] = gs->chanCount[s];
        RepairCounts(gs, samplesEnd);
        for (int s = 0; s < kMaxChannels; ++s)
            if (ChannelInUse(gs, s) && gs->chanCount[s] != before[s]) ChannelDamaged(st, s, kLeftOutChannelCount);
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
    if (in.Ok() && LooksLikeText(in)) return Refuse(st, kKeyNotGraphFile);
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
    if (in.Skip(kMarkerHeadBytes) && st.version >= kVersionTaggedBlocks) ReadTaggedBlocks(st, true, 0, in.Tell());
    return 1;
}

