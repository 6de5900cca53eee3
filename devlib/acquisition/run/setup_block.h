// The acquisition set-up block a graph document keeps: the library's set-up in a fixed
// little-endian layout, stored in the graph file and read back when the graph is attached.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "devlib/acquisition/model/setup_layout.h"

struct stAcq;
struct tagGS;

// What a read found besides the set-up itself.
struct stSetupRead {
    int32_t version;  // 0 when the block was not read
    int32_t storedRecords;
    int32_t storedModel;        // 30 for 16 records, 35 for 24, 0 otherwise
    int32_t otherModelDigital;  // an enabled digital record the current unit cannot record
};

// A rectangle not wholly on the desktop is centred on it (no larger than the desktop); 1 when it
// was moved. Every stored window rectangle passes it when written and when read.
int32_t ClampRectToDesktop(RECT* rc, const RECT& desktop);

// False when the block cannot be a sound set-up: a version word of 0 or below, or, in a block
// long enough for the header, channel records that do not lie whole inside it. A block of the
// oldest versions (discarded when restored) and one too short for the header (another
// program's) are not judged.
bool SetupBlockIsSound(const uint8_t* block, size_t size);

// Writes the set-up into block (size bytes, at least SetupBlockSize(records)); the listed fields
// the library keeps no copy of are left as the block holds them.
void EncodeSetupBlock(const stAcq& acq, int32_t records, const RECT& desktop, uint8_t* block, size_t size);
// Reads a block into the set-up for a unit with records channel records (digitalCount of them
// digital); neverSaved lets the stored window visibilities through.
stSetupRead DecodeSetupBlock(const uint8_t* block, size_t size, int32_t records, int32_t digitalCount,
                             const RECT& desktop, bool neverSaved, stAcq* acq);

// The document's block from stAcq: (re)allocated to the current size, zero-filled where new.
int32_t SaveAcquisitionSetup(stAcq* acq, tagGS* gs);
// The document's block into stAcq, after the conversion check for a graph of the other model;
// a stored graph's foreign block becomes its set-up block; the set-up panels then show what was
// read. 0 when nothing was read.
int32_t RestoreAcquisitionSetup(stAcq* acq, tagGS* gs);
