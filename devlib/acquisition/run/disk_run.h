// Recordings to disk: the graph's file is created with its head at the first data of the run,
// every batch of frames is appended to it as it arrives (the graph keeps the newest frames in
// an in-memory ring for drawing), and the head is written again at the end with the counts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/tagGS.h"

struct stAcq;
struct stAcqRun;

constexpr uint32_t kDiskConversionBytes = 16384;       // the file is written in pieces of this size
constexpr uint32_t kDiskConversionBytesFast = 819100;  // in a high-speed run
constexpr uint32_t kDiskRingSamples = kPagingWindow;   // the graph's ring, and its paging window afterwards

// The save dialog for a graph that records to disk before it was ever saved: OK names the graph
// after the chosen file (1); Cancel leaves it as it was (0).
int32_t SaveAcqAs(tagGS* gs);
// The graph's ring blocks and its file (named by Save As before the start) created with its head:
// at the first data of a disk run. 1 when the file is ready; 0 after saying why.
int32_t PrepareDiskRecording(tagGS* gs, stAcq* acq);
// One batch of *count bytes from the unit's ring at address: into the graph's ring and appended
// to its file. 1 on success; 0 with *count = 0 when a request or a write failed.
int32_t ReadDiskSamples(stAcq* acq, int32_t* count, uint32_t address);
// The end of a disk run: the head written again with every frame the file holds, so that the
// file reads back whole even after a failed exchange, and the graph pages from its file.
void EndDiskRecording(stAcq* acq, tagGS* gs, int32_t failed);

// ---- Pure parts ----

// The unit's big-endian 16-bit words become the file's little-endian ones, in place.
void SwapFrameWords(uint8_t* bytes, size_t count);
// File records of frames at .. at + frames - 1 (modulo wrap) of the run channels, taken from their
// ring blocks: per frame each channel's sample in order, 2 bytes or 8 by widths[i]. Returns the
// bytes written to out.
size_t PackFileRecords(const stAcqRun& run, void* const* blocks, const uint16_t* widths, uint32_t at, uint32_t wrap,
                       int32_t frames, uint8_t* out);
// The file name Save As proposes for a graph: its title, with ".ACQ" when the title has no
// extension. out holds size bytes.
void DiskRecordingName(const char* title, char* out, size_t size);
