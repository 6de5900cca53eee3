// Channel edits with the channel clipboard, and the one-level undo store. Times are in the
// document's unit (milliseconds); each returns 1 on success and 0 on failure.
#pragma once
#include <cstdint>

struct tagGS;

// A time range as a sample range: both times rounded up to whole samples, ordered, the end
// limited to the slot's count, the start to the end. The range is the half-open [first, last).
// 1 when that count is not 0.
int ChannelRangeToSamples(tagGS* doc, int slot, double t0, double t1, int* first, int* last);

int CopyChannelRange(tagGS* doc, int slot, double t0, double t1, tagGS* clip);
int DeleteChannelRange(tagGS* doc, int slot, double t0, double t1);
int PasteChannelRange(tagGS* clip, tagGS* doc, int slot, double t);
int DuplicateChannelRange(tagGS* doc, int src, double t0, double t1, int dst);
int NewChannelSlot(tagGS* doc, int* slot);
// Whether a slot other than slot holds a channel. An edit of the only channel moves the
// document's time line, and its markers with it.
int AnyOtherChannel(const tagGS* doc, int slot);
int DeleteChannelData(tagGS* doc, int slot);

// Resampling of the whole document to a new rate (samples per second). With ask the user is
// asked, starting at the current rate. 1 when resampled; 0 when cancelled, unchanged or failed.
int PromptForSampleRate(tagGS* doc, int ask, double rate);
// One slot resampled by factor (new rate / old rate), interpolating linearly in time.
int ResampleChannel(tagGS* doc, int slot, double factor);
// Test seam: the number prompt of the sample rate, 1 with *rate set on OK, 0 on Cancel. Null
// restores the default, the program's number prompt.
using SampleRatePromptProc = int (*)(tagGS* doc, double* rate, double minRate);
void SetSampleRatePrompt(SampleRatePromptProc prompt);

// Undo kinds: what a snapshot was taken before.
constexpr int kUndoCut = 1;          // a cut or a clear
constexpr int kUndoPaste = 2;        // a paste
constexpr int kUndoInPlace = 3;      // a change in place of the selected samples
constexpr int kUndoWholeInPlace = 4; // a change in place of the whole channel
constexpr int kUndoReplace = 5;      // a new whole channel and sample interval
int SaveUndo(tagGS* doc, int slot, int kind, const char* text);
int ExecuteUndo();
// Empties the undo store and grays the Undo item.
void ClearUndo();
// The Undo item's text before anything was saved.
void InitUndoStore();
// What the snapshot was taken before (kUndo...), 0 with nothing to undo; the Undo item's text.
int UndoKind();
const char* UndoText();
// Whether the snapshot came from doc, whose window still shows it.
int UndoHeldFor(const tagGS* doc);
// Drops the snapshot when it was taken of this slot of doc.
void ClearUndoOfSlot(const tagGS* doc, uint32_t slot);
// After a paste that put nothing in: a paste snapshot puts back what the paste took out; any
// other snapshot is dropped.
void UndoFailedPaste();

// ---- Pure parts ----
// x rounded to the nearest multiple of inc (halves away from zero); x itself for inc 0.
double RoundToNearestIncrement(double x, double inc);
// origin + n x inc with n the whole increments from origin to x (toward zero); a quotient less
// than 0.0001 short of the next whole number away from zero counts as that number for x below
// origin (Down) or above it (Up). Increment 0: a message, and x itself.
// Entry point kept for a later caller; only tests call it now.
double RoundDownFromOrigin(double x, double inc, double origin);
// Entry point kept for a later caller; only tests call it now.
double RoundUpFromOrigin(double x, double inc, double origin);
// Samples a channel of count samples has after resampling by factor.
uint32_t ResampledCount(uint32_t count, double factor);
// Linear resampling of values[0..count) into out[0..outCount): sample j lies at source position
// j / factor, between its two neighbours.
void ResampleValues(const double* values, uint32_t count, double factor, double* out, uint32_t outCount);
