// The lesson scripts' stimulator settings records "StimMode", "StimPref" and "Stim": each parses
// its arguments, checks them against a copy of the stimulator block, changes the copy, and once
// all went well puts the copy in place and tells the unit.
#pragma once

#include <cstdint>

struct stAcq;
struct stStimSetup;

// Result kinds.
constexpr int32_t kStimResultSuccess = 1;
constexpr int32_t kStimResultSyntax = 2;
constexpr int32_t kStimResultIgnored = 3;
constexpr int32_t kStimResultMaxRate = 1000;
constexpr int32_t kStimResultDurationMode = 1001;
constexpr int32_t kStimResultWidthByLimit = 1002;
constexpr int32_t kStimResultMaxWidth = 1003;
constexpr int32_t kStimResultPulseNumber = 1005;
constexpr int32_t kStimResultCritical = 1006;
constexpr int32_t kStimResultStop = 1007;
constexpr int32_t kStimResultPulse = 1008;
constexpr int32_t kStimResultStartMode = 1009;
constexpr int32_t kStimResultDelay = 1010;
constexpr int32_t kStimResultFactor = 1011;
constexpr int32_t kStimResultIncrement = 1012;
constexpr int32_t kStimResultRateLock = 1013;
constexpr int32_t kStimResultWidthLimitMode = 1014;
constexpr int32_t kStimResultWidthLimit = 1015;
constexpr int32_t kStimResultMarkerMode = 1016;
constexpr int32_t kStimResultOperation = 1017;

constexpr int32_t kStimNameChars = 256;

// What a statement left: its result kind, the result variable ("NOT_DEFINED" when none) and the
// text assigned to it.
struct stStimResult {
    int32_t kind;
    char variable[kStimNameChars];
    const char* text;
};

// The key of a result kind.
const char* StimResultKey(int32_t kind);

// Runs the record named name with the statement's words after it; 0 when no record has the name
// (the statement is some other SET), 1 when a record ran (its outcome in *result).
int32_t ExecuteStimCommand(stAcq* acq, const char* name, const char* const* words, int32_t count,
                           stStimResult* result);
