// The marker model: insertion in position order, labels, numbering, removal and the presets.
#include "documents/markers/markers.h"
#include <new>
#include <cstdio>
#include <cstring>
#include "base/app.h"
#include "base/locked_block.h"
#include "common/tagGS.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "common/keyed_format.h"

namespace {

struct stKeyEntry {
    uint16_t id;
    const char* name;
};
constexpr stKeyEntry kKeys[] = {{392, "F2"}, {393, "F3"}, {394, "F4"},  {395, "F5"}, {396, "F6"},
                                {397, "F7"}, {398, "F8"}, {400, "F11"}, {401, "F12"}};

// Copies at most kMarkerLabelMax characters and always ends the label.
void PutLabel(stMarkerNode* node, const char* text) {
    size_t n = text ? strnlen(text, kMarkerLabelMax) : 0;
    std::memcpy(node->label, text ? text : "", n);
    node->label[n] = 0;
    node->labelLength = static_cast<uint16_t>(n);
}

void SegmentLabel(char* buffer, uint32_t number) {
    FormatKeyedText(buffer, kMarkerLabelMax + 1, Keyed("Segment %u"), static_cast<unsigned>(number));
}

}  // namespace

const char* MarkerKeyName(uint16_t id) {
    for (const stKeyEntry& k : kKeys)
        if (k.id == id) return k.name;
    return nullptr;
}

bool CPresetList::Add(uint16_t key, const char* text, int32_t before) {
    if (m_last == 0x7FFFFFFF) return false;
    if (m_last + 1 >= m_capacity) {
        const int64_t capacity = static_cast<int64_t>(m_capacity ? m_capacity : 15) + 1;
        if (capacity >= 0x80000000LL) return false;
        auto** items = new (std::nothrow) stMarkerPreset*[static_cast<size_t>(capacity)];
        if (!items) return false;
        for (int32_t i = 0; i <= m_last; ++i) items[i] = m_items[i];
        delete[] m_items;
        m_items = items;
        m_capacity = static_cast<int32_t>(capacity);
    }
    auto* entry = new (std::nothrow) stMarkerPreset{};
    if (!entry) return false;
    entry->key = key;
    const size_t n = text ? strnlen(text, kMarkerLabelMax) : 0;
    if (n) std::memcpy(entry->text, text, n);
    entry->text[n] = 0;
    const int32_t at = before < 0 || before > m_last ? m_last + 1 : before;
    for (int32_t i = m_last + 1; i > at; --i) m_items[i] = m_items[i - 1];
    m_items[at] = entry;
    ++m_last;
    return true;
}

void CPresetList::Remove(int32_t i) {
    if (i < 0 || i > m_last) return;
    delete m_items[i];
    for (int32_t k = i; k < m_last; ++k) m_items[k] = m_items[k + 1];
    --m_last;
}

void CPresetList::Move(int32_t from, int32_t to) {
    if (from < 0 || from > m_last || to < 0 || to > m_last || from == to) return;
    stMarkerPreset* moved = m_items[from];
    for (int32_t i = from; i < to; ++i) m_items[i] = m_items[i + 1];
    for (int32_t i = from; i > to; --i) m_items[i] = m_items[i - 1];
    m_items[to] = moved;
}

void CPresetList::Clear() {
    for (int32_t i = 0; i <= m_last; ++i) delete m_items[i];
    delete[] m_items;
    m_items = nullptr;
    m_capacity = 0;
    m_last = -1;
}

void MarkerTypeSettings::CopyFrom(const MarkerTypeSettings& other) {
    owner = other.owner;
    separateSummaries = other.separateSummaries;
    includeHeader = other.includeHeader;
    sortBy = other.sortBy;
    for (int t = 0; t < 4; ++t) {
        usePresets[t] = other.usePresets[t];
        timeStamp[t] = other.timeStamp[t];
        presets[t].Clear();
        for (int32_t i = 0; i <= other.presets[t].Last(); ++i)
            presets[t].Add(other.presets[t].At(i)->key, other.presets[t].At(i)->text);
    }
}

int32_t MarkerType(const stMarkerNode* node) { return node && node->marker ? node->marker->type : 0; }

int IsEventMarker(const stMarkerNode* node) {
    const int32_t t = MarkerType(node);
    return t >= kMarkerSequential && t <= kMarkerPlaced ? 1 : 0;
}

stMarkerNode* LinkMarkerNodeSorted(stMarkerNode* first, stMarkerNode* node) {
    node->previous = node->next = nullptr;
    if (!first) return node;
    stMarkerNode* at = first;
    stMarkerNode* last = nullptr;
    while (at && at->position <= node->position) {
        last = at;
        at = at->next;
    }
    node->previous = last;
    node->next = at;
    if (at) at->previous = node;
    if (last) {
        last->next = node;
        return first;
    }
    return node;
}

int SetMarkerLabel(stMarkerNode* node, const char* text) {
    if (!node) return 0;
    if (text && std::strlen(text) > kMarkerLabelMax) {
        MessageBoxA(nullptr, Keyed("Marker text too long!"), "", MB_OK);
        return 0;
    }
    PutLabel(node, text);
    return 1;
}

char* BuildDefaultMarkerLabel(CMarkerManager* m, stMarkerNode* node, char* buffer) {
    buffer[0] = 0;
    stMarker* mk = node->marker;
    if (!mk) return buffer;
    const int32_t t = mk->type & 3;
    const stMarkerPreset* preset =
        m->settings.usePresets[t] == 1 ? m->settings.presets[t].At(mk->number - 1) : nullptr;
    if (preset) {
        std::memcpy(buffer, preset->text, kMarkerLabelMax);
        buffer[kMarkerLabelMax] = 0;
        if (t == kMarkerAppend) mk->fixedLabel = 1;
    } else if (t == kMarkerAppend) {
        SegmentLabel(buffer, static_cast<uint32_t>(mk->number));
    }
    return buffer;
}

stMarkerNode* InsertMarker(tagGS* gs, stMarkerList* list, double timeMs, int updateButtons, const char* label,
                           int type) {
    if (!gs || !gs->markerManager || type < 0 || type > 3) return nullptr;
    CMarkerManager* m = gs->markerManager;
    const double at = gs->sampleInterval > 0.0 ? timeMs / gs->sampleInterval : 0.0;
    const uint32_t position = !(at > 0.0) ? 0u : at >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(at);
    if (!list) {
        list = static_cast<stMarkerList*>(AllocLockedBlock(sizeof(stMarkerList)));
        if (!list) return nullptr;
        gs->markers = list;
        if (gs->markerBarShown && gs->markerLabelEdit) ShowWindow(gs->markerLabelEdit, SW_SHOW);
    }
    auto* node = static_cast<stMarkerNode*>(AllocLockedBlock(sizeof(stMarkerNode)));
    if (!node) return nullptr;
    node->position = position;
    auto* mk = new (std::nothrow) stMarker{gs, node, type, {}, 0, 0, 1, 0, {}};
    node->marker = mk;
    if (mk) {
        GetLocalTime(&mk->stamp);
        mk->number = static_cast<int32_t>(++m->counters[type]);
    }
    list->first = LinkMarkerNodeSorted(list->first, node);
    ++list->count;
    if (type == kMarkerAppend) {
        SetActiveSegmentMarker(m, node);
        SelectMarker(gs, node, 1);
    }
    // Labels from the library or a script are cut to the field rather than refused.
    char text[kMarkerLabelMax + 1];
    if (label && label[0])
        PutLabel(node, label);
    else
        PutLabel(node, BuildDefaultMarkerLabel(m, node, text));
    CommitMarkerLabel(gs, node, 1, updateButtons, 1);
    setDirtyGraphFlag(gs, 1);
    return node;
}

stMarkerNode* UnlinkMarkerNode(stMarkerNode* node) {
    stMarkerNode* yielded = node->next ? node->next : node->previous;
    if (node->previous) node->previous->next = node->next;
    if (node->next) node->next->previous = node->previous;
    delete node->marker;
    node->marker = nullptr;
    void* block = node;
    FreeLockedBlock(block);
    return yielded;
}

void RemoveMarker(CMarkerManager* m, stMarkerNode* node) {
    tagGS* gs = m->owner;
    stMarkerList* list = gs->markers;
    if (!list || !node) return;
    const int32_t type = MarkerType(node);
    const bool open = node->labelOpen != 0;
    const bool wasFirst = list->first == node, wasCurrent = list->current == node;
    stMarkerNode* yielded = UnlinkMarkerNode(node);
    if (wasFirst) list->first = yielded;
    if (wasCurrent) {
        list->current = yielded;
        if (open && yielded) CommitMarkerLabel(gs, yielded, 0, 1, 0);
    }
    --list->count;
    RenumberMarkers(m, type);
}

void RenumberMarkers(CMarkerManager* m, int32_t type) {
    if (type == kRenumberAll || type == kRenumberEvents) {
        for (int32_t t = 0; t <= (type == kRenumberAll ? 3 : 2); ++t) RenumberMarkers(m, t);
        return;
    }
    if (type < 0 || type > 3) return;
    stMarkerList* list = m->owner->markers;
    uint32_t n = 0;
    for (stMarkerNode* node = list ? list->first : nullptr; node; node = node->next) {
        if (!node->marker || node->marker->type != type) continue;
        node->marker->number = static_cast<int32_t>(++n);
        if (type == kMarkerAppend && !node->marker->fixedLabel) {
            char text[kMarkerLabelMax + 1];
            SegmentLabel(text, n);
            PutLabel(node, text);
        }
    }
    m->counters[type] = n;
}

void ClearAllMarkers(CMarkerManager* m) {
    tagGS* gs = m->owner;
    stMarkerList* list = gs->markers;
    for (stMarkerNode* node = list ? list->first : nullptr; node;) {
        stMarkerNode* next = node->next;
        if (IsEventMarker(node)) RemoveMarker(m, node);
        node = next;
    }
    RedrawMarkerBar(gs);
    setDirtyGraphFlag(gs, 1);
}

int DeleteMarker(CMarkerManager* m, stMarkerNode* node) {
    tagGS* gs = m->owner;
    stMarkerList* list = gs->markers;
    if (!list || !node || !IsEventMarker(node)) return 0;
    RemoveMarker(m, node);
    if (list->count == 0) CloseFindDialog();
    stMarkerNode* chosen = nullptr;
    for (stMarkerNode* n = list->current; n && !chosen; n = n->next)
        if (IsEventMarker(n)) chosen = n;
    for (stMarkerNode* n = list->current; n && !chosen; n = n->previous)
        if (IsEventMarker(n)) chosen = n;
    SelectMarker(gs, chosen, 0);
    RedrawMarkerBar(gs);
    setDirtyGraphFlag(gs, 1);
    return 1;
}

void FreeMarkerList(stMarkerList* list) {
    if (!list) return;
    for (stMarkerNode* node = list->first; node;) {
        stMarkerNode* next = node->next;
        delete node->marker;
        void* block = node;
        FreeLockedBlock(block);
        node = next;
    }
    list->count = 0;
    list->first = list->current = nullptr;
}

uint32_t GetMarkerCount(const tagGS* gs) { return gs && gs->markers ? gs->markers->count : 0; }

stMarkerNode* GetMarkerByNumber(stMarkerNode* first, uint32_t n) {
    if (!first) return nullptr;
    stMarkerNode* node = first;
    if (n == 0) {
        while (node->next) node = node->next;
        return node;
    }
    for (uint32_t i = 1; node && i < n; ++i) node = node->next;
    return node;
}

int32_t GetCurrentMarkerNumber(const stMarkerList* list) {
    if (!list) return 1;
    int32_t i = 1;
    for (stMarkerNode* node = list->first; node; node = node->next, ++i)
        if (node == list->current) return i;
    return static_cast<int32_t>(list->count) + 1;
}

void ScaleMarkerPositions(tagGS* gs, double factor) {
    for (stMarkerNode* node = gs->markers ? gs->markers->first : nullptr; node; node = node->next) {
        const double p = node->position * factor;
        node->position = !(p > 0.0) ? 0u : p >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(p);
    }
}

uint32_t CountMarkersOfType(CMarkerManager* m, int32_t type) {
    uint32_t n = 0;
    for (stMarkerNode* node = m->owner->markers ? m->owner->markers->first : nullptr; node; node = node->next)
        if (node->marker && node->marker->type == type) ++n;
    return n;
}

stMarkerNode* LastSegmentMarker(CMarkerManager* m) {
    stMarkerNode* last = nullptr;
    for (stMarkerNode* node = m->owner->markers ? m->owner->markers->first : nullptr; node; node = node->next)
        if (MarkerType(node) == kMarkerAppend) last = node;
    return last;
}

void BuildMarkerLabelText(CMarkerManager* m, const stMarkerNode* node, char* buffer, size_t size) {
    if (!size) return;
    std::snprintf(buffer, size, "%s", node->label);
    const stMarker* mk = node->marker;
    if (!mk || !m->settings.timeStamp[mk->type & 3] || mk->stamp.wYear == 0) return;
    char time[64];
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &mk->stamp, nullptr, time, sizeof time)) return;
    const size_t used = std::strlen(buffer);
    std::snprintf(buffer + used, size - used, "%s%s", used ? ", " : "", time);
}

int AddMarkerLabelPreset(CMarkerManager* m, int32_t type, const char* text, uint16_t key) {
    if (type < 0 || type > 3 || !m->settings.presets[type].Add(key, text)) return 0;
    m->settings.usePresets[type] = 1;
    return 1;
}

void InsertKeyMarker(CMarkerManager* m, int id) {
    if (!m) return;
    tagGS* gs = m->owner;
    if (!gs->acquiring || !gs->markerBarShown) return;
    const char* label = nullptr;
    int type = kMarkerSequential;
    if (id != 399) {
        const CPresetList& list = m->settings.presets[kMarkerFixed];
        for (int32_t i = 0; i <= list.Last() && !label; ++i)
            if (list.At(i)->key == id) label = list.At(i)->text;
        if (!label) return;
        type = kMarkerFixed;
    }
    InsertMarker(gs, gs->markers, gs->totalSamples * gs->sampleInterval, 1, label, type);
    if (gs->markerLabelEdit && GetFocus() != gs->markerLabelEdit) SetFocus(gs->markerLabelEdit);
}
