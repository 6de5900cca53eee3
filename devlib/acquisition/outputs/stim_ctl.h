// The pulse and stimulator controllers, made by CreateOutputController.
#pragma once

#include <cstdint>

#include "devlib/outputs.h"

struct stAcq;

// The controller of a pulse or stimulator output type; null for any other type.
COutCtl* CreateStimulatorController(int32_t type, COutCtlView* view);

// The range tables as a new controller of the type gets them (before the model's limits); the
// entries, and their count in *count. Null for a type without one.
const COutCtlPref* StimulatorRangeTable(int32_t type, int32_t* count);

// The pulse controller's writable limits (ms).
extern double g_pulseWidthMin, g_pulseWidthMax, g_pulsePeriodMin, g_pulsePeriodMax, g_pulseDelayMin,
    g_pulseDelayMax;
