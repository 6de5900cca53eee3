// Small operations shared by the graph window, the scale and grid commands, the markers and the
// file reader: slot predicates, the saved selection, scale rounding, file tags and time stamps.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
struct stAcq;
struct stAcqChan;

// Channel slots.
int IsChannelShown(const tagGS* gs, int slot);
int CountShownSlots(const tagGS* gs);
int IsChannelAutoScalable(const tagGS* gs, int slot);
// The slot's channel set-up entry in the locked acquisition record; null for slots without one.
stAcqChan* GetChannelSetupEntry(stAcq* acq, int slot);

// One saved selection (times and channel) for the whole program.
void SaveSelection(const tagGS* gs);
void RestoreSelection(tagGS* gs);
// Selects the slot and the part of its data inside the visible range.
void SelectChannelVisibleRange(tagGS* gs, int slot);

void Swap64(void* a, void* b);
// Keeps the slot's visible middle and makes its range whole divisions of a whole-number size.
void RoundChannelScale(tagGS* gs, int slot);
// Whole divisions for the grid options: the selected and X channels only (xyOnly), or every shown
// channel and then the time axis, whose divisions start at the plot's left edge.
void RoundScalesForGrid(tagGS* gs, int xyOnly);

// A time in the user's default format, in a new buffer of exactly the size it needs (free it
// with delete[]); null when it cannot be formatted or there is no memory.
char* AllocTimeText(const SYSTEMTIME* st);

// 1 when the next 4 bytes of the file are the tag (the position stays after them); otherwise the
// position goes back, except after a failed read.
int MatchFileTag(HANDLE file, uint32_t tag);

// Time stamps as 100-nanosecond counts since 1601.
uint64_t SystemTimeToInt64(const SYSTEMTIME* st);
SYSTEMTIME Int64ToSystemTime(uint64_t value);
void AddMillisecondsToSystemTime(SYSTEMTIME* out, const SYSTEMTIME* in, uint32_t ms);
