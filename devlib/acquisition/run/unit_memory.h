// Runs the unit paces itself into its own memory (read back at their end, under a progress
// dialog), and the model-45 high-speed runs whose ring the host reads as they go.
#pragma once

#include <cstddef>
#include <cstdint>

struct stAcq;

constexpr int32_t kBatchLimitBytesFast = 80000;  // high-speed batches larger than this are not drawn

// Storage kinds 3 and 4: the unit records into its own memory.
bool IsUnitMemoryStorage(int32_t kind);

// ---- Pure parts ----

// The rate byte of command 71: the rate in steps of 2,500 Hz.
uint8_t HighSpeedRateCode(double periodMs);
// The frame period a high-speed run gets from that byte.
double HighSpeedFramePeriodMs(double periodMs);
// The high-speed ring in the unit's memory: whole frames of E words, E = analog count (+ 1 for
// the digital word).
uint32_t HighSpeedRingBytes(uint32_t memoryBytes, int32_t analogCount, int32_t digitalCount);
// New bytes in a high-speed ring from command 145's position and passes, against what the host
// read; two or more passes behind gives 2R (an overflow).
uint32_t HighSpeedNewBytes(uint32_t position, uint32_t wraps, uint32_t readPosition, uint32_t lastWraps,
                           uint32_t ringBytes);
// What the fill gauge shows of count new bytes in a high-speed ring: count x 32 / (R / 1024),
// so that a full ring rises 16 pixels.
uint32_t HighSpeedGaugeBytes(uint32_t count, uint32_t ringBytes);
// The frames a unit-paced run surely recorded at its frame period when elapsedUs passed on the
// unit's clock between a reading taken once its frames had begun and one taken before its stop:
// each reading is a whole microsecond, so the run lasted more than elapsedUs - 1.
int32_t FramesSurelyRecorded(uint64_t elapsedUs, double framePeriodMs);
// The most it can have recorded when elapsedUs passed between a reading taken before its go and
// one taken after its stop; one frame more for a unit that takes a frame at its go.
int32_t FramesPossiblyRecorded(uint64_t elapsedUs, double framePeriodMs);
// The bytes to read back after a unit-paced run: the unit's count, but never more than the whole
// frames of the run's blocks hold.
int32_t ReadBackBytes(uint32_t reported, int32_t runLength, int32_t frameSize);
// The progress line of the read-back from its format: bytes done, total, percent.
void FormatReadBackProgress(char* out, size_t size, const char* format, int32_t done, int32_t total);

// ---- On the link ----

// The unit's side of a unit-paced start (reference, arming, size, go); 1 when the unit took all.
int32_t StartUnitPacedRun(stAcq* acq, uint16_t analogMask);
// The ring of a high-speed host-paced run (commands 70, 71 and 72); 1 when the unit took it.
int32_t StartHighSpeedRing(stAcq* acq);
// One idle poll of a unit-paced run: the unit's start and end bytes; false on a failed read.
bool PollUnitPacedRun(stAcq* acq);
// New bytes of a high-speed run (command 145); false on a failed exchange.
bool QueryHighSpeedBytes(const stAcq* acq, uint32_t* count);
// The read position after bytes were taken from the high-speed ring.
void AdvanceHighSpeedPosition(stAcq* acq, uint32_t bytes);
// One request of the unit's memory (command 74) from address; true when the unit answered.
bool RequestUnitMemory(uint32_t address, int32_t length, uint8_t* buffer);
// The end of a unit-paced run before the graph is released: the blocks, the unit's count and the
// read-back. 0 when the graph went away meanwhile (the run state is then cleared and the caller
// must not touch the graph), else 1.
int32_t FinishUnitMemoryRun(stAcq* acq, int32_t failed);
// Whether a read-back runs; a second end meanwhile only asks it to stop.
bool UnitMemoryReadBackActive();
void RequestReadBackStop();
// The Start button's stop of a unit-paced run: the unit stops and what it recorded is read back.
void AbortUnitPacedRun(stAcq* acq);
// Stops a unit-paced run on the unit, once, noting the unit's clock around the stop; false when
// the unit did not take it.
bool StopUnitPacedRecording();
