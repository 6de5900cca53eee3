// The pulse and stimulator panels (types 2, 4, 5, 6) and the advanced stimulator panel (type 7).
#pragma once

class COutCtlView;
class COutCtlViewSet;

COutCtlView* NewStimulatorPanel(int type, COutCtlViewSet* set);

// A level in volts on the 5 mV grid, halves away from zero.
double RoundToLevelStep(double volts);
// The grid point origin + n x step at or below (at or above) the value; the value itself for a
// step of 0.
double GridDown(double value, double step, double origin);
double GridUp(double value, double step, double origin);
