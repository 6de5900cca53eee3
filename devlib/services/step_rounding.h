// Rounding to a multiple of a step.
#pragma once

// Rounding to a multiple of step. A step of 0 returns the value (RoundUp and RoundDown also tell
// the user).
double RoundUp(double value, double step);
double RoundDown(double value, double step);
double RoundNearest(double value, double step);
