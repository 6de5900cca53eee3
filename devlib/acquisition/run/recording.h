// Run control of a host-paced recording into the attached graph: the start with its commands to
// the unit, the idle poll that takes the new frames, and the end that finishes the graph's blocks.
#pragma once

#include <cstdint>

struct stAcq;
struct tagGS;

constexpr int32_t kBatchLimitBytes = 8000;  // larger batches are not drawn as they come
constexpr uint32_t kUnitAddressSpan = 0x800000;

int32_t StartAcquisition(stAcq* acq, int32_t wait);
void CheckAcquisitionStatus(stAcq* acq);
// Keeps the running recording read on a timer, so that a modal loop (a menu, a message box, a
// dialog) does not starve it; the timer goes once the run has ended.
void KeepRunPolled();
void EndAcquisition(stAcq* acq, int32_t failed);
int32_t PrepareRecordingBuffers(tagGS* gs, stAcq* acq);
// Lays the graph out for the set-up's channels with no samples; 0 while a run is under way or
// when its blocks could not be made.
int32_t ResetGraphForSetup(tagGS* gs, stAcq* acq);
// The start's steps shared with the play-back start, up to the run copies; 1 to go on, 0 when
// the user declined, no channel is on or no autosave name could be made.
int32_t PrepareRunStart(stAcq* acq, tagGS* gs, uint16_t* analogMask);
// The graph's blocks of a finished run trimmed (or its ring unrolled) to what was recorded.
void FinishRecordedBlocks(stAcq* acq, tagGS* gs);
// What the unit's frames delivered so far, against the frames surely due on its clock, show: a
// new gap (more missing than were known missing), or the end of one (frames came again at a later
// check, framesCame), after which the frames delivered are later than their place.
enum class GapCheck { None, Opened, Closed };
GapCheck CheckForGap(uint64_t due, uint64_t delivered, bool framesCame);

// ---- Pure parts ----

// New bytes in the unit's ring from command 17's write address and the bytes read so far: the
// address counts modulo 0x800000, so a write address below the read position has wrapped.
uint32_t NewRingBytes(uint32_t writeAddress, uint32_t readPosition);
// Frames of this batch to read: the whole frames of bytes, no more than the rest of a run that
// does not repeat.
int32_t FramesToRead(uint32_t bytes, int32_t frameSize, int32_t rest, int32_t repeat);
// The frame period the unit was told: command 54's half milliseconds, or command 71's rate
// steps in a high-speed run.
double UnitFramePeriodMs(double periodMs, bool highSpeed);
// Whether the frames the unit wrote lag the frames due after elapsedMs by more bytes than its ring
// holds.
bool FramesFellBehind(uint32_t elapsedMs, double framePeriodMs, uint64_t framesWritten, int32_t frameSize,
                      uint32_t ringBytes);
// The start of a view of viewMs that shows data of dataMs: startMs kept where it lies within
// them, else the last full view of the data (from 0 when the data is shorter than the view).
double ViewStartWithin(double startMs, double dataMs, double viewMs);
// Turns a ring of capacity samples of width bytes, written up to write and holding fill samples,
// into a plain block oldest first; the samples kept are min(fill, capacity).
void UnrollRing(uint8_t* block, uint32_t width, uint32_t capacity, uint32_t write, uint32_t fill);
