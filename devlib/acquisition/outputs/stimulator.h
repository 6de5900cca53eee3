// The unit's pulse generator driven as a stimulator: the set-up block's defaults, the start, stop
// and status commands, the reference channel, the events that panels and recordings raise, the
// idle poll that tells the output panels, and the stimulus markers.
#pragma once

#include <windows.h>

#include <cstdint>

struct stAcq;
struct stStimSetup;

// Replies of the stimulator command: its first byte is the unit's code.
constexpr uint16_t kStimDataBytes = 10;
constexpr uint16_t kStimReplyBytes = 8;
constexpr uint8_t kStimModeStop = 0;
constexpr uint8_t kStimModeStart = 1;
constexpr uint8_t kStimModeWithSampling = 4;
constexpr uint8_t kStimModeQuery = 10;
constexpr uint8_t kStimContinuousCount = 255;
constexpr int32_t kStimMaxCount = 254;

// The limits the panel holds its fields to and a lesson's stimulator settings are checked against.
constexpr double kStimWidthMax = 100.0;  // ms, also the width limit's
constexpr double kStimDelayMax = 100.0;  // ms
constexpr double kStimCorrectionMax = 150.0;

// Stimulator events.
enum StimEvent : int32_t {
    kStimEvSettingsChanged = 0,
    kStimEvRecordingStarts = 1,
    kStimEvRecordingEnds = 2,
    kStimEvToContinuous = 3,
    kStimEvToCount = 4,
    kStimEvButtonStop = 5,
    kStimEvToButton = 6,
    kStimEvButtonStart = 7,
};

// The start-up values of the block.
void SetStimulatorDefaults(stStimSetup* stim);

// The ten data bytes of a start from the block; 0 when the block has no period to count (a rate
// of 0 or below for repeating pulses).
int32_t StimulatorStartData(const stStimSetup& stim, uint8_t out[kStimDataBytes]);

// The key of a unit's error code (null for 0 and for codes without a key of their own).
const char* StimulatorErrorKey(uint8_t code);
// The text shown for a code (empty for 0), at most size bytes with its end.
void StimulatorErrorText(uint8_t code, char* text, int32_t size);

// Start: 1 sent (or not needed), 0 when the unit command failed or the settings cannot be sent.
// The unit's own code in *unitCode (0 accepted; -1 nothing was sent) when given; a non-zero code
// is shown.
int32_t StartStimulator(stAcq* acq, int32_t* unitCode = nullptr);
int32_t StopStimulator(stAcq* acq, int32_t onlyWithUnit);
int32_t ResetStimulatorState(stAcq* acq);
int32_t RestartStimulatorIfRunning(stAcq* acq);
// 1 when the unit answers its status query with the stimulator running.
int32_t IsStimulatorStarted(stAcq* acq);
int32_t SetStimulatorReference(stAcq* acq);
int32_t ClearStimulatorReference(stAcq* acq);
// The reference command's two bytes for the block.
void StimulatorReferenceData(const stStimSetup& stim, uint8_t out[2]);
int32_t StimulatorEvent(HWND panel, stAcq* acq, int32_t event);
// A run's start or end, told to the stimulator while one is in use (a stimulator controller or
// the panel is active); a new run also lifts an absolute stop.
void RaiseRunStimulatorEvent(stAcq* acq, int32_t event);
int32_t PollOutputControlState(stAcq* acq);
// The running state the poll last reported to a panel (-1 none yet).
extern int32_t g_stimReportedRunning;

// A marker for the start at time ms (-1: the graph's newest sample); showPeriod names the period.
void InsertStimulusMarker(stAcq* acq, double timeMs, int32_t showPeriod);
// The marker's label for the block; showPeriod names the period instead of the rate.
void StimulusMarkerLabel(const stStimSetup& stim, int32_t showPeriod, char* text, int32_t size);

// The start button's picture for the continuous flag and the on flag: 5 when both agree, else 4.
int32_t StimulatorButtonPicture(int32_t continuous, int32_t on);
void SetToggleButtonImage(HWND button, int32_t continuous, int32_t on);
