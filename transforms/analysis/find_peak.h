// Find Peak, Find Next and Find All on a graph document: the selection's two cursors move to the
// next peak, valley or interval step of a channel.
#pragma once
#include <cstdint>
#include <vector>

struct tagGS;

// The search settings, kept for the whole process between uses.
struct stFindPeakSettings {
    int32_t mode;               // kPeakPositive, kPeakNegative or kPeakInterval
    int32_t tracking;           // 1: the levels follow each peak found
    double positiveLevel;
    double negativeLevel;
    double percent;             // of the previous peak, for tracking
    double interval;            // in the dialog's time unit
    int32_t startFromStartTime; // interval mode: 1 starts at startTime, 0 at the cursor
    double startTime;
    int16_t placement;          // kPlacePreviousPeak .. kPlaceThreshold
    double firstOffset;         // in the document's horizontal unit
    double secondOffset;
    int32_t pasteToJournal;
    int32_t offlineAveraging;
    int16_t controlChannel;
    double unitFactor;          // the dialog's time unit in the document's horizontal unit
};
extern stFindPeakSettings g_findPeak;

// A channel's samples 0 .. end - 1 as values, read once for any number of searches: the block
// itself when it holds doubles in memory, otherwise a copy read sample by sample (the channel
// is not converted), which stops where a read fails (Escape, the file).
class CPeakChannelValues {
public:
    CPeakChannelValues(tagGS* gs, int slot, int32_t end);
    // The data may point into the copy: the values stay where they were read.
    CPeakChannelValues(const CPeakChannelValues&) = delete;
    CPeakChannelValues& operator=(const CPeakChannelValues&) = delete;
    const double* data() const { return m_data; }
    // Where the readable samples end: a search reaching it has met a sample it cannot read.
    int32_t end() const { return m_end; }

private:
    std::vector<double> m_copy;
    const double* m_data = nullptr;
    int32_t m_end = 0;
};

// The channel's values as FindPeakInChannel reads them for a search before sample limit.
CPeakChannelValues PeakSearchValues(tagGS* gs, int32_t limit, int32_t channel);
// FindPeakInChannel over values read before: off-line averaging searches pass after pass.
int FindPeakInValuesOf(tagGS* gs, int32_t limit, int32_t channel, const CPeakChannelValues& values);
