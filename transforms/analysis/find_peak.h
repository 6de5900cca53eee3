// Find Peak, Find Next and Find All on a graph document: the selection's two cursors move to the
// next peak, valley or interval step of a channel.
#pragma once
#include <cstdint>

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
