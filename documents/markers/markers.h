// A graph document's markers: a list sorted by sample position, one record per marker, and the
// per-document manager with its counters, segment view state and per-type preferences. Append
// markers (type 3) divide a document into recording segments; types 0-2 are event markers.
#pragma once
#include <windows.h>
#include <cstdint>
#include "documents/stored_blocks.h"

struct tagGS;
struct stMarker;

// stMarker::type: the three event kinds, then the append marker that starts a recording segment.
enum MarkerKind : int32_t { kMarkerSequential = 0, kMarkerFixed = 1, kMarkerPlaced = 2, kMarkerAppend = 3 };
constexpr int32_t kRenumberAll = 5;
constexpr int32_t kRenumberEvents = 6;
constexpr uint32_t kMarkerLabelMax = 127;

// The stored fields come first (position, label open, the two stored words, the label), as the
// marker section keeps them; the links follow.
struct stMarkerNode : stStoredMarker {
    stMarkerNode* previous;
    stMarkerNode* next;
    stMarker* marker;
};

struct stMarkerList {
    uint32_t count;
    stMarkerNode* first;
    stMarkerNode* current;
};

struct stMarker {
    tagGS* owner;
    stMarkerNode* node;
    int32_t type;
    SYSTEMTIME stamp;
    int32_t number;
    int32_t fixedLabel;
    int32_t stored;
    int32_t active;
    // The stamp as a file gave it, written back as it was (the stamp above keeps only milliseconds).
    FILETIME fileStamp;
};

// One preset label: for fixed markers the command id of its function key, else 0.
struct stMarkerPreset {
    uint16_t key;
    char text[128];
};

// A growing array of preset pointers; last is -1 when empty.
class CPresetList {
public:
    CPresetList() = default;
    CPresetList(const CPresetList&) = delete;
    CPresetList& operator=(const CPresetList&) = delete;
    ~CPresetList() { Clear(); }
    int32_t Last() const { return m_last; }
    const stMarkerPreset* At(int32_t i) const { return i >= 0 && i <= m_last ? m_items[i] : nullptr; }
    // Appends (at -1) or inserts before index; false when the entry cannot be made or the list is full.
    bool Add(uint16_t key, const char* text, int32_t before = -1);
    void Remove(int32_t i);
    // Moves the entry at from to the place to, the ones between shifting by one.
    void Move(int32_t from, int32_t to);
    void Clear();

private:
    stMarkerPreset** m_items = nullptr;
    int32_t m_capacity = 0;
    int32_t m_last = -1;
};

struct MarkerTypeSettings {
    tagGS* owner = nullptr;
    uint32_t usePresets[4] = {0, 0, 0, 0};
    uint32_t timeStamp[4] = {1, 1, 0, 1};
    uint32_t separateSummaries = 1;
    uint32_t includeHeader = 1;
    uint32_t sortBy = 0;
    CPresetList presets[4];
    void CopyFrom(const MarkerTypeSettings& other);
};

class CMarkerManager {
public:
    explicit CMarkerManager(tagGS* gs) : owner(gs) { settings.owner = gs; }
    tagGS* owner;
    uint32_t counters[4] = {0, 0, 0, 0};
    uint32_t segmentView = 0;
    uint32_t holdRelative = 0;
    double selStartOffset = 0.0;
    double selEndOffset = 0.0;
    MarkerTypeSettings settings;
    // The marker menu: 1 full, 2 none, anything else without summaries and preferences.
    uint32_t menuMode = 1;
};

// ---- The model ----
stMarkerNode* InsertMarker(tagGS* gs, stMarkerList* list, double timeMs, int updateButtons, const char* label,
                           int type);
stMarkerNode* LinkMarkerNodeSorted(stMarkerNode* first, stMarkerNode* node);
// Copies a label of at most 127 characters; a longer one is refused with a message (0).
int SetMarkerLabel(stMarkerNode* node, const char* text);
char* BuildDefaultMarkerLabel(CMarkerManager* m, stMarkerNode* node, char* buffer);
void RenumberMarkers(CMarkerManager* m, int32_t type);
void RemoveMarker(CMarkerManager* m, stMarkerNode* node);
int DeleteMarker(CMarkerManager* m, stMarkerNode* node);
void ClearAllMarkers(CMarkerManager* m);
stMarkerNode* UnlinkMarkerNode(stMarkerNode* node);
uint32_t GetMarkerCount(const tagGS* gs);
stMarkerNode* GetMarkerByNumber(stMarkerNode* first, uint32_t n);
int32_t GetCurrentMarkerNumber(const stMarkerList* list);
// Every marker's sample position multiplied by factor (the document was resampled).
void ScaleMarkerPositions(tagGS* gs, double factor);
int IsEventMarker(const stMarkerNode* node);
uint32_t CountMarkersOfType(CMarkerManager* m, int32_t type);
stMarkerNode* LastSegmentMarker(CMarkerManager* m);
// The label and, when its type's time stamp is on, ", " and the insertion time.
void BuildMarkerLabelText(CMarkerManager* m, const stMarkerNode* node, char* buffer, size_t size);
int AddMarkerLabelPreset(CMarkerManager* m, int32_t type, const char* text, uint16_t key);
int32_t MarkerType(const stMarkerNode* node);

// ---- Segments ----
uint32_t GetSegmentEnd(CMarkerManager* m, const stMarkerNode* append);
int GetActiveSegmentRange(CMarkerManager* m, uint32_t* first, uint32_t* last);
int GetActiveSegmentTimes(CMarkerManager* m, double* start, double* end);
// Entry point kept for a later caller; only tests call it now.
uint32_t GetActiveSegmentLength(CMarkerManager* m);
void SelectSegmentByMarker(CMarkerManager* m, const stMarkerNode* node);
void StoreSegmentSelection(CMarkerManager* m, const stMarkerNode* append);
// Every marker follows a cut of [t0, t1] (milliseconds): those inside go, those after move left.
void AdjustMarkersForCut(CMarkerManager* m, double t0, double t1);
// Every marker at or after the insertion point moves right by the inserted samples.
void AdjustMarkersForInsert(CMarkerManager* m, double atMs, uint32_t samples);
void DeleteMarkersPastEnd(CMarkerManager* m);
void InsertKeyMarker(CMarkerManager* m, int id);
stMarkerNode* GetActiveSegmentMarker(CMarkerManager* m);
void SetActiveSegmentMarker(CMarkerManager* m, stMarkerNode* node);
stMarkerNode* FindMarkerAtOrBefore(stMarkerNode* start, uint32_t pos, int32_t type);

// ---- The summary into the journal (commands 4612 all, 4613 events, 4614 appends) ----
void WriteMarkerSummary(CMarkerManager* m, uint32_t id);
void MarkerSummaryToJournal(CMarkerManager* m, uint32_t id, int title);

// ---- Preferences: the property sheet over a working copy; its result ----
int ShowMarkerPreferences();

// ---- Search ----
stMarkerNode* SearchMarkerLabels(stMarkerNode* start, const char* text);
void HighlightFoundText(HWND box, const char* text);

// ---- The marker bar (the label box, the step buttons and the two rows) ----
void ShowMarkerLabel(CMarkerManager* m, stMarkerNode* node);
int CommitMarkerLabel(tagGS* gs, stMarkerNode* node, int keepFocus, int updateButtons, int flag);
int SelectMarker(tagGS* gs, stMarkerNode* node, int flag);
void PaintMarkerBar(HDC dc, tagGS* gs);
void DrawMarkerSearchButton(HDC dc, tagGS* gs);
// A segment marker on a picture or a printed page: a diamond of half width `width` and half
// height `height` whose lower tip is one pixel above the plot's top (moved by yOffset), and its
// text `row` lines above the diamond, cut to the whole characters that fit left of the plot's
// right edge. Drawn with the context's pen, font and text colour.
void DrawMarkerWithLabel(CMarkerManager* m, HDC dc, const char* text, int x, int width, int height, int yOffset,
                         int row);

// ---- The mouse in the bar and the marker menu ----
constexpr int kMarkerRowUpper = 3;
constexpr int kMarkerRowLower = 6;
// The nearest marker of the row within 20 pixels becomes current; a lower-row click beside every
// event marker starts placing one.
stMarkerNode* PickMarkerAt(CMarkerManager* m, int32_t x, int32_t y, int row);
HMENU BuildMarkerMenu(CMarkerManager* m);
void ShowMarkerMenu(CMarkerManager* m, int32_t x, int32_t y);

// The process-wide key table: the command ids 392-398, 400, 401 and their key names.
const char* MarkerKeyName(uint16_t id);
