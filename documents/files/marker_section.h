// The graph file's marker section: a length, a count and one record per marker.
#pragma once
#include <cstdint>
#include <vector>

struct tagGS;
class CByteReader;
class CByteWriter;

enum class MarkerSectionForm { Standard, Wide35, Swapped };

// Why a marker section could not be read.
enum class MarkerSectionFault { None, PastEnd, Corrupted, NoMemory };

// What a read of a sound section left out or mended.
struct stMarkerSectionRead {
    std::vector<uint8_t> keptInFile;  // with markers left out: one flag per record of the section
    uint32_t leftOut = 0;             // markers placed beyond the end of the data
    uint32_t labelsCut = 0;           // labels whose stored length ran into the next record
    uint32_t countShort = 0;          // records after those the damaged count named, read all the same
    uint64_t recordsEnd = 0;          // where the last record ended: the section's end, unless its length was wrong
};

// Reads the section at the reader's position into the document's markers and leaves the reader
// at the section's end; markers placed after endOfData are left out. Returns None when read
// (also for an empty section).
MarkerSectionFault ReadMarkerSection(tagGS* gs, CByteReader& in, MarkerSectionForm form, uint32_t endOfData,
                                     stMarkerSectionRead* read);
// Writes every marker, or with selectionOnly only the marker `selected` (an index, -1 for none)
// placed at the start of the saved range. 1 written, 0 failed.
int WriteMarkerSection(tagGS* gs, CByteWriter& out, bool selectionOnly, int32_t selected);
