// The stored forms that the graph file carries for a document's parts: the journal block, the
// markers of the marker section with the marker-manager block, the graph-item block and the
// standard-curve settings. The file module frames them; each part reads and writes its own, so
// that a file read and saved again loses nothing.
#pragma once
#include <cstdint>
#include <vector>

struct tagGS;
class CByteReader;
class CByteWriter;

// Results of the tagged-block readers.
constexpr int kBlockRead = 1;
constexpr int kBlockAbsent = 0;    // the tag was not there; the position is where it was
constexpr int kBlockDamaged = -1;  // the block is unsound; the position is back at its tag, nothing kept
constexpr int kBlockCut = 2;       // read as far as it is sound; what follows the damage is left out
constexpr int kBlockPartly = 3;    // read whole, but records whose values cannot be sound are left out

// ---- Markers ----

// One marker as the marker section stores it.
struct stStoredMarker {
    uint32_t position;
    uint16_t labelOpen;
    uint16_t word1, word2;
    uint16_t labelLength;  // 0-127
    char label[128];       // NUL-terminated
};
constexpr uint32_t kMarkerRecordBytes = 28;  // one marker in the marker-manager block
constexpr int32_t kAppendMarker = 3;

// The document's markers in list order (by position; equal positions in the order stored).
uint32_t StoredMarkerCount(const tagGS* gs);
const stStoredMarker* StoredMarkerAt(const tagGS* gs, uint32_t index);
// Replaces the document's markers; 0 when memory runs out (the document then has none).
int StoreMarkers(tagGS* gs, const stStoredMarker* markers, uint32_t count);
// A marker's type and number as the marker-manager block gives them; without the block every
// marker is a sequential event marker (type 0) numbered in list order from 1.
void StoredMarkerIdentity(const tagGS* gs, uint32_t index, int32_t* type, int32_t* number);

enum class MarkerBlockForm { Normal, SettingsOnly, SelectionOnly };
// Reads the marker-manager block at the reader's position; the n-th record belongs to the n-th
// stored marker. With settingsOnly no records are read (templates). When the marker section
// left some of its records out, keptInFile holds one flag per record it held (in the order the
// file holds them): the block has a record for each, and those of the left-out ones are passed over.
int MarkerManagerLoad(tagGS* gs, CByteReader& in, int settingsOnly, const std::vector<uint8_t>* keptInFile = nullptr);
// The same reading without keeping anything: the result, and the reader after what was read.
int MarkerManagerCheck(const tagGS* gs, CByteReader& in, int settingsOnly,
                       const std::vector<uint8_t>* keptInFile = nullptr);
// SelectionOnly writes the counters 0, 0, 0, 1 and one record, that of marker `selected` (an
// index) as the active append marker number 1; with -1 all counters are 0 and no record
// follows. 1 written, 0 failed.
int MarkerManagerSave(tagGS* gs, CByteWriter& out, MarkerBlockForm form, int32_t selected);

// ---- Journal ----

// The version-35 variant may hold the auto-time field in 4 bytes (wideFirstField 1); both widths
// are tried, and a length that runs past the end of the file with both is left to the file's
// reader, which finds where the text ends by the block after it.
// Where a journal block's text lies as its stored length frames it.
struct stJournalFrame {
    uint64_t start = 0;    // the tag
    uint64_t textAt = 0;   // the text's first byte
    uint64_t textEnd = 0;  // after the stored length, or the end of the file when that runs past it
    uint16_t autoTime = 0;
    bool fits = false;      // the stored length lies within the file
    bool holdsNul = false;  // the framed text holds a NUL, which the journal never writes
};
// Reads the journal block's head at the reader's position, keeping nothing: kBlockRead with the
// reader at frame->textEnd, or kBlockAbsent with the reader where it was.
int JournalFrameAt(CByteReader& in, int wideFirstField, stJournalFrame* frame);
// Makes the bytes from `from` to `to` the journal's text, with the auto-time flag; the reader then
// stands at `to`. The text ends at a NUL (*cutAtNul tells whether bytes followed one). 0 when
// memory runs out.
int JournalTakeText(tagGS* gs, CByteReader& in, uint16_t autoTime, uint64_t from, uint64_t to,
                    bool* cutAtNul = nullptr);
int JournalSaveBlock(tagGS* gs, CByteWriter& out);

// ---- Graph items ----

// Items are read until one of an unknown kind; those before it stay (kBlockCut when the block
// named more items than were read). An item whose width or coordinates drawing cannot take is
// left out alone (kBlockPartly).
int GraphItemsLoad(tagGS* gs, CByteReader& in);
// The same reading without keeping anything: the result, and the reader after what was read.
int GraphItemsCheck(CByteReader& in);
int GraphItemsSave(tagGS* gs, CByteWriter& out);

// ---- Standard-curve settings ----

// The document's settings as the graph header holds them: double from, double to, int32 steps,
// colour, int32 dot size. Reading all-zero bytes leaves the settings as they are.
void CurveSettingsToBytes(const tagGS* gs, uint8_t out[28]);
void CurveSettingsFromBytes(tagGS* gs, const uint8_t in[28]);

// Frees the document's markers and puts its marker manager back to a new one's state.
void ForgetStoredMarkers(tagGS* gs);

// Forgets what a file gave the journal, the markers and the graph items (before another read).
void ClearStoredBlocks(tagGS* gs);
// No items, shown.
void ClearGraphItems(tagGS* gs);
