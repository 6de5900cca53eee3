// The tracking overlay's values as the shell reaches them.
#pragma once

struct tagGS;

// Writes the values under the cursor line into the graph's journal.
void PasteValuesToJournal(tagGS* gs);
