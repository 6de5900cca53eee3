// Off-line averaging's parts: one pass read from the selected channel where the peak search
// left the second cursor, the running sum of accepted passes, and the graph of their mean.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

struct tagGS;

struct AveragingSettings {
    int32_t rangeMode;          // 0 entire waveform, 1 selected area, 2 a number of passes, 3 to the end
    int32_t numAverages;        // passes to average in range mode 2; at least 2
    int32_t artifactRejection;  // passes with a sample outside the limits are left out
    double rejectHigh;
    double rejectLow;
};
extern AveragingSettings g_averagingSettings;

namespace averaging {

// Reads n samples from first on into pass. With reject, the first sample above high or below
// low (equal values pass) marks the pass rejected and ends the reading. False at a failed read.
template <class Read>
bool ReadPass(Read& read, int32_t first, int32_t n, bool reject, double low, double high, double* pass,
              bool* rejected) {
    *rejected = false;
    for (int32_t i = 0; i < n; ++i) {
        if (!read(first + i, &pass[i])) return false;
        if (reject && (pass[i] > high || pass[i] < low)) {
            *rejected = true;
            return true;
        }
    }
    return true;
}

// The sum of the accepted passes, sample by sample, and their count.
class PassSum {
public:
    // False when the buffer of n doubles cannot be had.
    bool Start(int32_t n);
    void Add(const double* pass);
    int32_t Count() const { return m_count; }
    // The mean pass (the sums divided by the count) into out; the count must not be 0.
    void Mean(double* out) const;

private:
    std::vector<double> m_sum;
    int32_t m_count = 0;
};

}  // namespace averaging

// One pass of n samples from the sample nearest the second cursor (the selection's end). 1, or
// 0 when a sample cannot be read (Escape held too); *rejected for a pass outside the limits.
int ExtractAveragingPass(tagGS* gs, double* pass, int32_t n, int* rejected);
// A new graph "Averaging" with the channel "Waveform" holding the n averaged samples at the
// source's sample interval and in its selected channel's units. 1 when made.
int MakeAverageGraph(tagGS* source, const double* samples, int32_t n);

// The averaging run: passes read where the peak search in the control channel leaves the second
// cursor, summed and shown as a new graph "Averaging". 1 when the graph was made.
int RunOfflineAveraging(tagGS* gs);

// The options dialog over the document, owned by the Find Peak dialog; the reject limits are in
// the units of the control channel. 1 when its choices were stored.
int OpenAveragingOptions(HWND owner, tagGS* gs, int control);

// The Find Peak dialog's control-channel list: one entry per channel in use, the given one chosen.
void FillControlChannelList(HWND dlg, tagGS* gs, int control);
// The slot of the n-th channel in use, counting from 0 in slot order; -1 when there is none.
int ChannelSlotFromListIndex(const tagGS* gs, int index);
// The level edit from the channel's selection (three quarters up for a positive search, a
// quarter up otherwise) and its units beside it.
void PrefillPeakLevel(HWND dlg, int levelId, int unitsId, tagGS* gs, int slot);
