// The ".ACQ" graph file: a document read from a file or from a memory buffer, and written whole,
// as the head of a recording to disk, as its selection, or as a ".GTL" template. The reader
// and writer take field after field; see documents/files/graph_layout.h for the records.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "common/binding.h"

struct tagGS;
class CByteReader;
class CByteWriter;

// Keys of the reasons a file is refused or read only in part (the keyed texts give the words).
extern const char* const kKeyFileTooShort;
extern const char* const kKeyFileEmpty;
extern const char* const kKeyHeaderCut;
extern const char* const kKeyHeaderDamaged;
extern const char* const kKeyTooManyChannels;
extern const char* const kKeyChannelHeaderDamaged;
extern const char* const kKeyChannelSlotBad;
extern const char* const kKeyForeignBlockDamaged;
extern const char* const kKeySampleSizeBad;
extern const char* const kKeySwappedVersion;
extern const char* const kKeySamplesNoMemory;
extern const char* const kKeyMarkersCorrupted;
extern const char* const kKeyRepaired;
extern const char* const kKeyBlockDamaged;
extern const char* const kKeySwappedFile;
extern const char* const kKeyVersionMissing;
extern const char* const kKeyNotGraphFile;

// Parts of a file that a read left out or mended because they were damaged (bits of
// stGraphReadReport::leftOut); the document read is then marked changed.
constexpr uint32_t kLeftOutJournal = 1;
constexpr uint32_t kLeftOutMarkerSettings = 2;
constexpr uint32_t kLeftOutOutputPanels = 4;
constexpr uint32_t kLeftOutGraphItems = 8;
constexpr uint32_t kLeftOutSetup = 16;
constexpr uint32_t kLeftOutMarkers = 32;
constexpr uint32_t kLeftOutMarkerLabels = 64;
constexpr uint32_t kLeftOutJournalLength = 128;
constexpr uint32_t kLeftOutJournalEnd = 256;
constexpr uint32_t kLeftOutMarkerCount = 512;
// Channel fields no recording can hold; the report names the channels (stGraphReadReport).
constexpr uint32_t kLeftOutChannelScale = 1024;
constexpr uint32_t kLeftOutChannelCount = 2048;
constexpr uint32_t kLeftOutChannelSlot = 4096;
constexpr uint32_t kLeftOutChannelParts = kLeftOutChannelScale | kLeftOutChannelCount | kLeftOutChannelSlot;
constexpr int kLeftOutParts = 13;
// The key naming a part, by its bit's number (0 to kLeftOutParts - 1).
const char* LeftOutPartKey(int bitNumber);
extern const char* const kKeyPartsLeftOut;        // a box: "%s" the parts, one a line
extern const char* const kKeyPartsLeftOutStatus;  // the status line: "%s" the parts
// A channel named in a part of kLeftOutChannelParts (whose key takes it for "%s"): its slot
// for the number, then its label for "%s".
extern const char* const kKeyDamagedChannelName;

// What a read found.
struct stGraphReadReport {
    const char* refusal;  // why the file was refused; null when it was read
    const char* notice;   // damage that the read went around (markers, tagged blocks); or null
    uint32_t leftOut;     // kLeftOut... bits: what of the file was left out or mended
    // The channels, by slot (bit s), whose scale or offset, sample count or slot number was
    // damaged: each read with a fallback (kLeftOutChannelScale, ...Count, ...Slot).
    uint64_t badScale, badCount, badSlot;
    uint32_t version;
    int swapped;   // a byte-swapped file
    int repaired;  // the sample counts were cut to what the file holds
    int paged;     // the samples stay in the file and are paged in
};

// Reading flags.
constexpr int kReadPageLong = 1;  // a file longer than the sample window keeps its samples on disk

// Reads the open file from its start into the document, whose filePath names the file (a long
// file is paged from it), and closes the file (the handle becomes INVALID_HANDLE_VALUE).
// 1 read, 0 refused; on refusal the document holds no samples and no file blocks.
int ReadGraphFileReport(tagGS* gs, HANDLE* file, stGraphReadReport* report);
// Test seam: the same from a memory buffer, every sample read into memory, so tests and the
// fuzzer reach the reader without the disk.
int ReadGraphBuffer(tagGS* gs, const void* data, size_t size, stGraphReadReport* report);
int ReadGraphStream(tagGS* gs, CByteReader& in, int flags, stGraphReadReport* report);
// A ".GTL" template: the head and the tagged blocks, without samples or markers.
int ReadGraphTemplateStream(tagGS* gs, CByteReader& in, stGraphReadReport* report);

// Where the marker section of the document's file begins: the data offset and the samples of
// every channel in use.
uint64_t LocateMarkerSection(const tagGS* gs);

// Writes the document from the file's start; 1 written, 0 failed (the system's reason is the
// thread's last error). Without keepDataOffset the document's data offset stays as it was.
int WriteAcqFile(tagGS* gs, HANDLE file, int mode, int keepDataOffset);
int WriteGraphStream(tagGS* gs, CByteWriter& out, int mode, int keepDataOffset);
// A ".GTL" template of the document.
int WriteTemplateStream(tagGS* gs, CByteWriter& out);
// Written whole through a temporary file; 1 written, 0 failed (the reason is the thread's last error).
int WriteTemplateFile(tagGS* gs, const char* path);

// Frees the samples and the blocks a read put into the document and marks every slot free.
void ClearDocumentData(tagGS* gs);

// The value raised to the next multiple of the increment, unless it lies within a relative
// 1e-5 of one; negative values go toward zero. An increment of 0 leaves the value.
double RoundUpToIncrement(double value, double increment);
// The selection as sample indices: first <= last.
void SelectionSampleRange(const tagGS* gs, uint32_t* first, uint32_t* last);
// The first append marker whose segment holds the selection's start, or -1: the marker a
// selection-only save keeps.
int32_t SelectionSegmentMarker(const tagGS* gs);
