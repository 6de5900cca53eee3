// The markers' two places in the graph file: the marker section gives each node its position and
// label, and the marker-manager block after it gives each marker its type, number, flags and
// time stamp together with the counters and the preferences.
#include "documents/markers/markers.h"
#include <algorithm>
#include <memory>
#include <new>
#include <vector>
#include "base/byte_stream.h"
#include "base/locked_block.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "documents/files/graph_layout.h"

namespace {

CMarkerManager* Manager(tagGS* gs) {
    if (!gs->markerManager) gs->markerManager = NewMarkerManager(gs);
    return gs->markerManager;
}

stMarkerNode* First(const tagGS* gs) { return gs && gs->markers ? gs->markers->first : nullptr; }

// The list block and every node freed; the manager keeps its settings.
void FreeNodes(tagGS* gs) {
    if (!gs->markers) return;
    FreeMarkerList(gs->markers);
    void* block = gs->markers;
    FreeLockedBlock(block);
    gs->markers = nullptr;
}

struct stRecord {
    int32_t type, number, fixedLabel, stored, active;
    SYSTEMTIME stamp;
    FILETIME fileStamp;
};

bool ReadRecord(CByteReader& in, stRecord* r) {
    uint8_t b[kMarkerRecordBytes];
    if (!in.Read(b, sizeof b)) return false;
    r->type = GetLeI32(b);
    r->number = GetLeI32(b + 4);
    r->fixedLabel = GetLeI32(b + 8);
    r->stored = GetLeI32(b + 12);
    r->active = GetLeI32(b + 16);
    FILETIME ft{GetLeU32(b + 20), GetLeU32(b + 24)};
    r->stamp = SYSTEMTIME{};
    r->fileStamp = ft;
    if (ft.dwLowDateTime || ft.dwHighDateTime) FileTimeToSystemTime(&ft, &r->stamp);
    return r->type >= kMarkerSequential && r->type <= kMarkerAppend;
}

void WriteRecord(CByteWriter& out, const stMarker& mk, int32_t number, int32_t active) {
    FILETIME ft = mk.fileStamp;
    if (!ft.dwLowDateTime && !ft.dwHighDateTime && mk.stamp.wYear) SystemTimeToFileTime(&mk.stamp, &ft);
    out.I32(mk.type);
    out.I32(number);
    out.I32(mk.fixedLabel);
    out.I32(mk.stored);
    out.I32(active);
    out.U32(ft.dwLowDateTime);
    out.U32(ft.dwHighDateTime);
}

// A preset's text ends inside its field even when the file filled all 128 bytes.
bool ReadSettings(CByteReader& in, MarkerTypeSettings* s) {
    if (!in.U32(&s->separateSummaries) || !in.U32(&s->includeHeader) || !in.U32(&s->sortBy)) return false;
    for (int t = 0; t < 4; ++t) {
        int32_t last = 0;
        if (!in.U32(&s->usePresets[t]) || !in.U32(&s->timeStamp[t]) || !in.I32(&last) || last < -1) return false;
        s->presets[t].Clear();
        if ((static_cast<uint64_t>(last) + 1) * 130 > in.Remaining()) return false;
        for (int32_t i = 0; i <= last; ++i) {
            uint16_t key = 0;
            char text[128];
            if (!in.U16(&key) || !in.Read(text, sizeof text)) return false;
            text[kMarkerLabelMax] = 0;
            if (!s->presets[t].Add(key, text)) return false;
        }
    }
    return true;
}

void WriteSettings(CByteWriter& out, const MarkerTypeSettings& s) {
    out.U32(s.separateSummaries);
    out.U32(s.includeHeader);
    out.U32(s.sortBy);
    for (int t = 0; t < 4; ++t) {
        out.U32(s.usePresets[t]);
        out.U32(s.timeStamp[t]);
        out.I32(s.presets[t].Last());
        for (int32_t i = 0; i <= s.presets[t].Last(); ++i) {
            out.U16(s.presets[t].At(i)->key);
            char text[128] = {};
            lstrcpynA(text, s.presets[t].At(i)->text, sizeof text);
            out.Write(text, sizeof text);
        }
    }
}

}  // namespace

void ForgetStoredMarkers(tagGS* gs) {
    FreeNodes(gs);
    if (CMarkerManager* m = gs->markerManager) {
        tagGS* owner = m->owner;
        m->~CMarkerManager();
        new (m) CMarkerManager(owner);
    }
}

uint32_t StoredMarkerCount(const tagGS* gs) { return GetMarkerCount(gs); }

const stStoredMarker* StoredMarkerAt(const tagGS* gs, uint32_t index) {
    return index < StoredMarkerCount(gs) ? GetMarkerByNumber(First(gs), index + 1) : nullptr;
}

int StoreMarkers(tagGS* gs, const stStoredMarker* markers, uint32_t count) {
    FreeNodes(gs);
    CMarkerManager* m = Manager(gs);
    if (!m) return 0;
    m->counters[kMarkerSequential] = 0;
    if (count == 0) return 1;
    auto* list = static_cast<stMarkerList*>(AllocLockedBlock(sizeof(stMarkerList)));
    if (!list) return 0;
    gs->markers = list;
    for (uint32_t i = 0; i < count; ++i) {
        auto* node = static_cast<stMarkerNode*>(AllocLockedBlock(sizeof(stMarkerNode)));
        auto* mk = node ? new (std::nothrow) stMarker{gs, node, kMarkerSequential, {}, 0, 0, 1, 0, {}} : nullptr;
        if (!mk) {
            void* block = node;
            FreeLockedBlock(block);
            return 0;
        }
        static_cast<stStoredMarker&>(*node) = markers[i];
        node->label[kMarkerLabelMax] = 0;
        node->marker = mk;
        mk->number = static_cast<int32_t>(++m->counters[kMarkerSequential]);
        list->first = LinkMarkerNodeSorted(list->first, node);
        ++list->count;
    }
    return 1;
}

void StoredMarkerIdentity(const tagGS* gs, uint32_t index, int32_t* type, int32_t* number) {
    *type = 0;
    *number = static_cast<int32_t>(index) + 1;
    const stMarkerNode* node = index < StoredMarkerCount(gs) ? GetMarkerByNumber(First(gs), index + 1) : nullptr;
    if (!node || !node->marker) return;
    *type = node->marker->type;
    *number = node->marker->number;
}

namespace {

// The marker-manager block at the reader's position, taken apart without keeping anything:
// kBlockRead with the reader after it, kBlockAbsent or kBlockDamaged with the reader where it was.
int ParseManagerBlock(const tagGS* gs, CByteReader& in, int settingsOnly, const std::vector<uint8_t>* keptInFile,
                      uint32_t head[6], MarkerTypeSettings* settings, std::vector<stRecord>* records) {
    const uint64_t start = in.Tell();
    uint32_t tag = 0;
    if (!in.U32(&tag) || tag != acqfile::kMarkerManagerTag) {
        in.Seek(start);
        return kBlockAbsent;
    }
    bool sound = settings != nullptr;
    for (int i = 0; i < 6; ++i) sound = sound && in.U32(&head[i]);
    sound = sound && ReadSettings(in, settings);
    if (sound && !settingsOnly) {
        const uint64_t n = keptInFile ? keptInFile->size() : GetMarkerCount(gs);
        sound = n * kMarkerRecordBytes <= in.Remaining();
        records->resize(sound ? static_cast<size_t>(n) : 0);
        for (stRecord& r : *records) sound = sound && ReadRecord(in, &r);
        // The records of markers the section left out go with them.
        if (sound && keptInFile) {
            size_t kept = 0;
            for (size_t i = 0; i < records->size(); ++i)
                if ((*keptInFile)[i]) (*records)[kept++] = (*records)[i];
            records->resize(kept);
        }
    }
    if (!sound) {
        in.Seek(start);
        return kBlockDamaged;
    }
    return kBlockRead;
}

}  // namespace

int MarkerManagerCheck(const tagGS* gs, CByteReader& in, int settingsOnly, const std::vector<uint8_t>* keptInFile) {
    std::unique_ptr<MarkerTypeSettings> settings(new (std::nothrow) MarkerTypeSettings);
    uint32_t head[6] = {};
    std::vector<stRecord> records;
    return ParseManagerBlock(gs, in, settingsOnly, keptInFile, head, settings.get(), &records);
}

int MarkerManagerLoad(tagGS* gs, CByteReader& in, int settingsOnly, const std::vector<uint8_t>* keptInFile) {
    const uint64_t blockAt = in.Tell();
    CMarkerManager* m = Manager(gs);
    std::unique_ptr<MarkerTypeSettings> settings(new (std::nothrow) MarkerTypeSettings);
    uint32_t head[6] = {};
    std::vector<stRecord> records;
    const int parsed = ParseManagerBlock(gs, in, settingsOnly, keptInFile, head, settings.get(), &records);
    if (parsed != kBlockRead) return parsed;
    if (!m) {
        in.Seek(blockAt);
        return kBlockDamaged;
    }
    for (int t = 0; t < 4; ++t) m->counters[t] = head[t];
    m->segmentView = head[4];
    m->holdRelative = head[5];
    settings->owner = gs;
    m->settings.CopyFrom(*settings);
    if (settingsOnly) return kBlockRead;
    size_t i = 0;
    for (stMarkerNode* node = First(gs); node && i < records.size(); node = node->next) {
        if (!node->marker) continue;
        const stRecord& r = records[i++];
        *node->marker = stMarker{gs, node, r.type, r.stamp, r.number, r.fixedLabel, r.stored, r.active, r.fileStamp};
    }
    RenumberMarkers(m, kRenumberAll);
    // The active segment's selection offsets; the document's own selection stays as the file
    // gave it, so that a file read and written again is the same file.
    if (stMarkerNode* active = GetActiveSegmentMarker(m)) {
        const double start = active->position * gs->sampleInterval;
        const double end = GetSegmentEnd(m, active) * gs->sampleInterval;
        m->selStartOffset = std::min(std::max(gs->selStart, start), end) - start;
        m->selEndOffset = std::min(std::max(gs->selEnd, start), end) - start;
    }
    return kBlockRead;
}

int MarkerManagerSave(tagGS* gs, CByteWriter& out, MarkerBlockForm form, int32_t selected) {
    CMarkerManager* m = gs->markerManager;
    std::unique_ptr<CMarkerManager> fallback;
    if (!m) {
        fallback.reset(new (std::nothrow) CMarkerManager(gs));
        if (!fallback) return 0;
        m = fallback.get();
    }
    const stMarkerNode* kept =
        form == MarkerBlockForm::SelectionOnly && selected >= 0 ? GetMarkerByNumber(First(gs), selected + 1u) : nullptr;
    out.U32(acqfile::kMarkerManagerTag);
    for (int t = 0; t < 4; ++t) {
        uint32_t c = form == MarkerBlockForm::Normal ? m->counters[t] : 0;
        if (kept && t == kMarkerAppend) c = 1;
        out.U32(c);
    }
    out.U32(m->segmentView);
    out.U32(m->holdRelative);
    WriteSettings(out, m->settings);
    if (form == MarkerBlockForm::Normal) {
        for (const stMarkerNode* n = First(gs); n; n = n->next) {
            const stMarker none{gs, nullptr, 0, {}, 0, 0, 1, 0, {}};
            const stMarker& mk = n->marker ? *n->marker : none;
            WriteRecord(out, mk, mk.number, mk.active);
        }
    } else if (kept && kept->marker) {
        WriteRecord(out, *kept->marker, 1, 1);
    }
    return out.Ok() ? 1 : 0;
}
