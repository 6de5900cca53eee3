// Placeholder of the parts of the documents module that are not built (markers, measurements,
// and graph items): each function answers as a document
// without markers or measurements would.
#include "documents/documents_api.h"
#include <new>
#include "common/tagGS.h"
#include "base/app.h"
#include "base/services.h"
#include <string>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>
#include "documents/stored_blocks.h"
#include "documents/files/graph_layout.h"
#include "base/byte_stream.h"


void SyncChannelDisplayFlags(tagGS*) {}
uint32_t GetSegmentEnd(tagGS* gs, stMarkerNode*) { return gs ? static_cast<uint32_t>(gs->totalSamples) : 0; }
uint32_t MarkerSamplePosition(const stMarkerNode*) { return 0; }
int MarkerIsActive(const stMarkerNode*) { return 0; }
stMarkerNode* InsertMarker(tagGS*, double, int, const char*, int) { return nullptr; }
void RedrawMarkerBar(tagGS*) {}
void DropGraphMarkers(tagGS* gs) {
    gs->markers = nullptr;
    if (g_app->hwndFind && IsWindow(g_app->hwndFind)) SendMessageA(g_app->hwndFind, WM_COMMAND, IDCANCEL, 0);
}


// The graph window's calls into markers and measurements: the graph has no marker manager or
// measurement row, so there is nothing to act on.
void InsertKeyMarker(CMarkerManager*, int) {}
void OnFindMarkerText(GraphWindowData*, FINDREPLACE*) {}
stMarkerNode* CurrentMarkerNeighbour(tagGS*, int) { return nullptr; }
int SetCurrentMarkerLabel(tagGS*, const char*) { return 0; }

// The marker, journal and clipboard commands: no markers, no segments, nothing written.
int IsSegmentViewOn(tagGS*) { return 0; }
void ToggleSegmentView(tagGS*) {}
void EraseLastSegment(tagGS*) {}
void EraseAllData(tagGS*) {}
int GetActiveSegmentSampleRange(tagGS*, uint32_t* first, uint32_t* end) {
    *first = *end = 0;
    return 0;
}
stMarkerNode* GetActiveSegmentMarker(tagGS*) { return nullptr; }
void SelectMarker(tagGS*, stMarkerNode*, int) {}
stMarkerNode* MarkerAtPosition(tagGS*, int) { return nullptr; }
int CountMarkersOfType(tagGS*, int32_t) { return 0; }
void AdjustSegmentsForCut(tagGS*, double, double) {}
void DeleteMarkersPastEnd(tagGS*) {}
void DeleteCurrentMarker(tagGS*) {}
void ClearAllMarkers(tagGS*) {}
void MarkerSummaryToJournal(tagGS*, uint32_t, int) {}
void DoMarkerPreferences(tagGS*) {}
void ShowFindDialog(HWND) {}
void ShowStandardCurveDialog(tagGS*) {}
void UpdateTextEditMenus(HMENU) {}

// Sub-objects of a graph document: objects in place of the graph items, markers and
// standard curves, so that documents make and free them in the right places. Each keeps what a
// graph file gave it (see documents/stored_blocks.h) and gives it back when the file is written.
class CGraphItemList {
public:
    bool hasBlock = false;
    uint32_t shown = 1;
    int32_t lastIndex = -1;
    std::vector<uint8_t> items;  // the item records as stored
};
class CMarkerManager {
public:
    std::vector<stStoredMarker> markers;
    bool hasBlock = false;
    std::vector<uint8_t> head;                                     // counters to settings, as stored
    std::vector<std::array<uint8_t, kMarkerRecordBytes>> records;  // one per marker of the block
};
// The standard-curve settings of a document.
struct stCurveSettings {
    double from, to;
    int32_t samples;
    COLORREF dotColour;
    int32_t dotSize;
};
CGraphItemList* NewGraphItemList(tagGS*) { return new (std::nothrow) CGraphItemList; }
void DeleteGraphItemList(CGraphItemList* list, int flags) {
    if (flags & 1) delete list;
}
CMarkerManager* NewMarkerManager(tagGS*) {
    LoadMarkerAccelerators();
    return new (std::nothrow) CMarkerManager;
}
void DeleteMarkerManager(CMarkerManager* manager, int flags) {
    if (flags & 1) delete manager;
}
void* CopyDefaultCurveSettings() {
    auto* s = static_cast<stCurveSettings*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stCurveSettings)));
    if (s) *s = stCurveSettings{0.0, 1.0, 100, 0x008000, 7};
    return s;
}
void FreeCurveSettings(void* settings) {
    if (settings) HeapFree(GetProcessHeap(), 0, settings);
}
void FreeMarkerList(stMarkerList*) {}
int MarkerListHasNext(const stMarkerList*) { return 0; }

// ---- Stored blocks, kept as the file gave them ----

namespace {

// A document read without its sub-objects gets them here.
CMarkerManager* Markers(tagGS* gs) {
    if (!gs->markerManager) gs->markerManager = NewMarkerManager(gs);
    return gs->markerManager;
}
CGraphItemList* Items(tagGS* gs) {
    if (!gs->graphItems) gs->graphItems = NewGraphItemList(gs);
    return gs->graphItems;
}

// Reads n bytes into a vector; false at the end.
bool ReadBytes(CByteReader& in, std::vector<uint8_t>& out, uint64_t n) {
    if (n > in.Remaining()) return false;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    return in.Read(out.data() + at, static_cast<size_t>(n));
}

// The marker-type settings: three words, then per type two words and a list of 130-byte presets.
bool ReadMarkerTypeSettings(CByteReader& in, std::vector<uint8_t>& out) {
    if (!ReadBytes(in, out, 12)) return false;
    for (int type = 0; type < 4; ++type) {
        if (!ReadBytes(in, out, 12)) return false;
        int32_t last = GetLeI32(out.data() + out.size() - 4);
        if (last < -1) return false;
        uint64_t bytes = (static_cast<uint64_t>(last) + 1) * 130;
        if (!ReadBytes(in, out, bytes)) return false;
    }
    return true;
}

// The head of a marker-manager block of a document that has none: no segment view, default
// marker preferences, and every marker counted as a sequential event marker.
std::vector<uint8_t> DefaultMarkerHead(uint32_t markers) {
    std::vector<uint8_t> head(24 + 12 + 4 * 12, 0);
    PutLeU32(head.data(), markers);
    PutLeU32(head.data() + 24, 1);  // separate summaries
    PutLeU32(head.data() + 28, 1);  // include header
    static const uint32_t timeStamp[4] = {1, 1, 0, 1};
    for (int type = 0; type < 4; ++type) {
        uint8_t* t = head.data() + 36 + 12 * type;
        PutLeU32(t + 4, timeStamp[type]);
        PutLeU32(t + 8, 0xFFFFFFFFu);
    }
    return head;
}

std::array<uint8_t, kMarkerRecordBytes> DefaultMarkerRecord(uint32_t index) {
    std::array<uint8_t, kMarkerRecordBytes> r{};
    PutLeU32(r.data() + 4, index + 1);  // number
    PutLeU32(r.data() + 12, 1);         // stored flag
    return r;
}

}  // namespace

uint32_t StoredMarkerCount(const tagGS* gs) {
    return gs && gs->markerManager ? static_cast<uint32_t>(gs->markerManager->markers.size()) : 0;
}

const stStoredMarker* StoredMarkerAt(const tagGS* gs, uint32_t index) {
    if (index >= StoredMarkerCount(gs)) return nullptr;
    return &gs->markerManager->markers[index];
}

int StoreMarkers(tagGS* gs, const stStoredMarker* markers, uint32_t count) {
    CMarkerManager* m = Markers(gs);
    if (!m) return 0;
    m->markers.clear();
    m->records.clear();
    try {
        m->markers.assign(markers, markers + count);
    } catch (...) {
        m->markers.clear();
        return 0;
    }
    std::stable_sort(m->markers.begin(), m->markers.end(),
                     [](const stStoredMarker& a, const stStoredMarker& b) { return a.position < b.position; });
    return 1;
}

void StoredMarkerIdentity(const tagGS* gs, uint32_t index, int32_t* type, int32_t* number) {
    *type = 0;
    *number = static_cast<int32_t>(index) + 1;
    const CMarkerManager* m = gs ? gs->markerManager : nullptr;
    if (!m || index >= m->records.size()) return;
    *type = GetLeI32(m->records[index].data());
    *number = GetLeI32(m->records[index].data() + 4);
}

int MarkerManagerLoad(tagGS* gs, CByteReader& in, int settingsOnly) {
    const uint64_t start = in.Tell();
    uint32_t tag = 0;
    if (!in.U32(&tag) || tag != acqfile::kMarkerManagerTag) {
        in.Seek(start);
        return kBlockAbsent;
    }
    CMarkerManager* m = Markers(gs);
    std::vector<uint8_t> head;
    bool sound = m && ReadBytes(in, head, 24) && ReadMarkerTypeSettings(in, head);
    std::vector<std::array<uint8_t, kMarkerRecordBytes>> records;
    if (sound && !settingsOnly) {
        uint64_t n = m->markers.size();
        sound = n * kMarkerRecordBytes <= in.Remaining();
        records.resize(sound ? static_cast<size_t>(n) : 0);
        for (auto& r : records) sound = sound && in.Read(r.data(), r.size());
    }
    if (!sound) {
        in.Seek(start);
        return kBlockDamaged;
    }
    m->hasBlock = true;
    m->head = std::move(head);
    m->records = std::move(records);
    return kBlockRead;
}

int MarkerManagerSave(tagGS* gs, CByteWriter& out, MarkerBlockForm form, int32_t selected) {
    const CMarkerManager* m = gs->markerManager;
    const uint32_t count = StoredMarkerCount(gs);
    std::vector<uint8_t> head = m && m->hasBlock ? m->head : DefaultMarkerHead(count);
    const bool kept = selected >= 0 && static_cast<uint32_t>(selected) < count;
    if (form != MarkerBlockForm::Normal) std::fill(head.begin(), head.begin() + 16, 0);
    // The one append marker kept with a selection is number 1 of its type.
    if (form == MarkerBlockForm::SelectionOnly && kept) PutLeU32(head.data() + 12, 1);
    out.U32(acqfile::kMarkerManagerTag);
    out.Write(head.data(), head.size());
    if (form == MarkerBlockForm::Normal) {
        for (uint32_t i = 0; i < count; ++i) {
            auto r = m && i < m->records.size() ? m->records[i] : DefaultMarkerRecord(i);
            out.Write(r.data(), r.size());
        }
    } else if (form == MarkerBlockForm::SelectionOnly && kept) {
        auto r =
            m && static_cast<uint32_t>(selected) < m->records.size() ? m->records[selected] : DefaultMarkerRecord(0);
        PutLeU32(r.data() + 4, 1);   // number 1 of its type
        PutLeU32(r.data() + 16, 1);  // the active segment
        out.Write(r.data(), r.size());
    }
    return out.Ok() ? 1 : 0;
}

int GraphItemsLoad(tagGS* gs, CByteReader& in) {
    const uint64_t start = in.Tell();
    uint32_t tag = 0, shown = 0;
    int32_t last = 0;
    if (!in.U32(&tag) || tag != acqfile::kGraphItemsTag) {
        in.Seek(start);
        return kBlockAbsent;
    }
    CGraphItemList* list = Items(gs);
    if (!list || !in.U32(&shown) || !in.I32(&last) || last < -1) {
        in.Seek(start);
        return kBlockDamaged;
    }
    std::vector<uint8_t> items;
    int32_t read = 0;
    for (; read <= last; ++read) {
        uint8_t kind = 0;
        uint64_t at = in.Tell();
        if (!in.U8(&kind)) break;
        uint32_t size = kind == 'L' ? 41 : kind == 'D' ? 25 : 0;
        in.Seek(at);
        if (size == 0 || !ReadBytes(in, items, size)) {
            in.Seek(at);
            break;
        }
    }
    list->hasBlock = true;
    list->shown = shown;
    list->lastIndex = read - 1;
    list->items = std::move(items);
    return kBlockRead;
}

int GraphItemsSave(tagGS* gs, CByteWriter& out) {
    const CGraphItemList* list = gs->graphItems;
    out.U32(acqfile::kGraphItemsTag);
    out.U32(list ? list->shown : 1);
    out.I32(list ? list->lastIndex : -1);
    if (list && !list->items.empty()) out.Write(list->items.data(), list->items.size());
    return out.Ok() ? 1 : 0;
}

void CurveSettingsToBytes(const tagGS* gs, uint8_t out[28]) {
    std::memset(out, 0, 28);
    const auto* s = static_cast<const stCurveSettings*>(gs->curveSettings);
    if (!s) return;
    PutLeF64(out, s->from);
    PutLeF64(out + 8, s->to);
    PutLeU32(out + 16, static_cast<uint32_t>(s->samples));
    PutLeU32(out + 20, s->dotColour);
    PutLeU32(out + 24, static_cast<uint32_t>(s->dotSize));
}

void CurveSettingsFromBytes(tagGS* gs, const uint8_t in[28]) {
    bool zero = true;
    for (int i = 0; i < 28; ++i) zero = zero && in[i] == 0;
    if (zero) return;
    if (!gs->curveSettings) gs->curveSettings = CopyDefaultCurveSettings();
    auto* s = static_cast<stCurveSettings*>(gs->curveSettings);
    if (!s) return;
    s->from = GetLeF64(in);
    s->to = GetLeF64(in + 8);
    s->samples = GetLeI32(in + 16);
    s->dotColour = GetLeU32(in + 20);
    s->dotSize = GetLeI32(in + 24);
}

void ClearStoredBlocks(tagGS* gs) {
    if (CMarkerManager* m = gs->markerManager) *m = CMarkerManager{};
    JournalClear(gs->journal);
    if (CGraphItemList* list = gs->graphItems) *list = CGraphItemList{};
}
// The marker bar is not built.
int CreateMarkerBarControls(tagGS*, HWND) { return 1; }

// Text import and export are not built: no text file is read or written.
int ReadTextFile(tagGS*, HANDLE*) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}
int WriteTextFile(tagGS*, HANDLE, int) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
}
