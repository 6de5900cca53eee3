// The acquisition's state between runs: the unit's presence, the status image, the idle step
// and the Start button's toggle.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"

struct tagGS;

// Sent to the graph window when the user chose to work without the unit.
constexpr UINT kMsgWorkWithoutUnit = 0x8001;

// 1 when the unit (or a play-back source) can record.
int32_t CheckUnitPresent(stAcq* acq);
// 1 when the unit answered and, with setUp, was set up.
int32_t ConnectUnit(stAcq* acq, int32_t setUp);
// A user's Start and a lesson's "CHECKACQ": after the user chose to work without the unit, the
// unit is looked for again (the "not found" question says so when it is still missing).
void ResumeUnitChecks();
// Before a start: a unit that is not set up (unplugged and back while a modal loop held the idle
// turns) is checked and set up now, as the idle step would. False when it still cannot record.
bool UnitReadyForStart(stAcq* acq);
void DrawFillGauge(stAcq* acq, uint32_t bytes);
// Whether the graph shows the status strip: not the averaging and rate views, and only in
// horizontal modes 0 and 2.
bool ShowsAcquisitionStatus(const tagGS* gs);
// The strip right of the Start button with the state's image (none: the bare strip).
void PaintStatusImage(HDC dc, RECT statusBox, HBITMAP image);
// The ring's fill gauge in the status box: one black pixel per 2 KB, from the bottom up.
void PaintFillGauge(HDC dc, RECT statusBox, uint32_t bytes);
