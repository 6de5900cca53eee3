// Channel edits with the channel clipboard, and the one-level undo store. Times are in the
// document's unit (milliseconds); each returns 1 on success and 0 on failure.
#pragma once
#include <cstdint>

struct tagGS;

int CopyChannelRange(tagGS* doc, int slot, double t0, double t1, tagGS* clip);
int DeleteChannelRange(tagGS* doc, int slot, double t0, double t1);
int PasteChannelRange(tagGS* clip, tagGS* doc, int slot, double t);
int DuplicateChannelRange(tagGS* doc, int src, double t0, double t1, int dst);
int NewChannelSlot(tagGS* doc, int* slot);
int DeleteChannelData(tagGS* doc, int slot);
// Resampling of the whole document: 0 on success, else an error code (1: nothing done).
int PromptForSampleRate(tagGS* doc, int ask, double rate);
int SaveUndo(tagGS* doc, int slot, int kind, const char* text);
int ExecuteUndo();
// Empties the undo store and grays the Undo item.
void ClearUndo();
