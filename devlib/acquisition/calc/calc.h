// Calculation channels during a recording: the check before a run, the preparation of each kind's
// working state, the per-block dispatch the sample read-in calls, the release at the end, and the
// source-channel lists of the calculation dialogs.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/acquisition/channels/calc_settings.h"

struct tagGS;

// The keyed name of a kind ("Integrate" ... "Custom setting"); null for kind 0 and unknown kinds.
const char* CalcKindName(int32_t kind);
// A channel takes a kind: its settings get the kind and the kind's defaults (Filter also the first
// analog channel's units), its record the label "C<n> - <kind>" and the kind's name as preset name,
// under which the channel lists and the graph show it. 0 for a channel or kind out of range.
int32_t SetCalcChannelKind(stAcq* acq, int32_t channel, int32_t kind);

// Every enabled calculation channel of the run copy gets its compute function or is disabled by
// the user in the warning dialog; 0 when the user chose Abort.
int32_t ValidateCalcChannels(stAcq* acq);
// Settings into the run copy, the check, then each channel's working state; 1/0.
int32_t PrepareCalcChannels(stAcq* acq);
// One block of n new samples of every computing channel; the product of their results.
int32_t ComputeCalcChannels(stAcq* acq, tagGS* gs, int32_t newSamples);
// Frees the run's working buffers; the channels compute no more.
void ReleaseCalcChannels(stAcq* acq);

// A start's calculation channels, released on every exit of the start but the one that keeps
// them for the run.
class CCalcChannelsHold {
public:
    explicit CCalcChannelsHold(stAcq* acq) : m_acq(acq) {}
    ~CCalcChannelsHold() { Release(); }
    CCalcChannelsHold(const CCalcChannelsHold&) = delete;
    CCalcChannelsHold& operator=(const CCalcChannelsHold&) = delete;
    // The run goes on with them.
    void Keep() { m_acq = nullptr; }
    // Released now, before a lesson's subroutine that may start another run.
    void Release() {
        if (m_acq) ReleaseCalcChannels(m_acq);
        m_acq = nullptr;
    }

private:
    stAcq* m_acq;
};

// 1 when the identifier is negative (a constant) or names an enabled channel record.
int32_t IsSourceChannelEnabled(const stAcq* acq, int32_t id);
// The combo box rows of the channels a calculation channel may take as sources.
void FillSourceChannelList(const stAcq* acq, int32_t selectedId, int32_t ownChannel, HWND combo, int32_t firstRow);
// The identifier of the selected row; -1 when the selection is not a channel.
int32_t GetSelectedSourceChannel(const stAcq* acq, HWND combo, int32_t ownChannel, int32_t firstRow);

// A 472-byte calculation preset block of one channel: the kind's record from params, then the
// group, number and preset name of its source channel(s); a second group of -1 when the kind has
// one source (and for a source that names no channel: a constant, or Expression's none).
constexpr size_t kCalcPresetSourcesAt = 208;
constexpr size_t kCalcPresetSecondAt = 340;
int32_t MakeCalcPresetBlock(const stAcq* acq, const stCalcSettings& params, int32_t channel, int32_t kind,
                            uint8_t* block);

// The message keys of the run's calculation failures.
constexpr const char* kCalcErrorKey = "KEY An error occured on channel";
