// Rounding to a multiple of a step.
#include "devlib/services/step_rounding.h"

#include "devlib/services/library.h"
#include "devlib/vk40.h"

#include <cmath>

namespace {

// The step-of-zero complaint of RoundUp and RoundDown.
void ComplainZeroStep() {
    MessageBoxA(g_lib.hostFrame, Keyed("inc=0.0!"), Keyed("RoundUp"), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

// Up to the next multiple of step (toward zero for negative values).
double RoundUp(double value, double step) {
    if (step == 0) {
        ComplainZeroStep();
        return value;
    }
    const double n = std::trunc(value / step);
    if (n * step == value) return value;
    return value >= 0 ? step * (n + 1) : step * n;
}

// Down to the multiple of step below (away from zero for negative values).
double RoundDown(double value, double step) {
    if (step == 0) {
        ComplainZeroStep();
        return value;
    }
    const double n = std::trunc(value / step);
    if (n * step == value) return value;
    return value >= 0 ? step * n : step * (n - 1);
}

// To the nearest multiple, halves away from zero.
double RoundNearest(double value, double step) {
    if (step == 0) return value;
    const double q = value / step;
    return step * std::trunc(q >= 0 ? q + 0.5 : q - 0.5);
}
