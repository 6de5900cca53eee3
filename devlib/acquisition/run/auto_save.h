// Data mode 2: every run is saved to a new numbered file, named at the start and written whole
// at the end.
#pragma once

#include <cstddef>
#include <cstdint>

struct stAcq;
struct tagGS;

// Whether an open graph window (gs's own too) shows the file, under any spelling of its path.
bool AGraphShows(const tagGS* gs, const char* name);

// "<base><number as four digits>.acq" into out (size bytes); false when it does not fit.
bool FormatAutosaveName(const char* base, int32_t number, char* out, size_t size);

// Names the run's file, takes the next number and renames the graph (and its play-back source)
// after it. 1 when the name was set; 0 when autosaving is off or the user kept an existing file.
int32_t MakeAcqFileName(stAcq* acq, tagGS* gs);
// Writes the graph whole to its autosave file, its set-up block with it; 1 when written.
int32_t WriteAutosaveFile(stAcq* acq, tagGS* gs);
