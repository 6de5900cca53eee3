// The device library's output controller as a panel uses it: its preference set, the commands
// it sends the unit and its activation. Every panel reaches its controller only through this
// header, so the panels do not depend on how the library lays its classes out.
#pragma once
#include "outputs/framework/out_prefs.h"

class COutCtlView;

// The controller commands.
enum OutCmd : int {
    kOutStart = 0,
    kOutStop = 1,
    kOutIsStarted = 2,  // non-zero while the stimulator runs
    kOutSelect = 3,     // route the input channel to the output
    kOutGround = 4,
    kOutIsSelected = 5,
    kOutUpdate = 6,        // send the analog value (or the pulse level)
    kOutWriteDigital = 7,  // write the digital byte
    kOutStopAbsolutely = 8,
};

class OutController {
public:
    virtual ~OutController() = default;
    virtual int Count() const = 0;
    // Null outside the set.
    virtual OutPref* At(int i) = 0;
    // Replaces the whole set; 0 when it could not.
    virtual int Assign(const OutPref* prefs, int count) = 0;
    virtual int OnActivate() = 0;
    virtual void OnDeactivate() = 0;
    virtual int DoCmd(OutCmd cmd) = 0;
    virtual void ApplyPrefs() = 0;
    virtual void UpdateLimits() = 0;
    // Stimulators: the timing resolution in ms, and the period range a pulse width allows
    // (the set's limits, or the controller's own set when set is null).
    virtual double Resolution() = 0;
    virtual void PeriodRange(double width, double* lo, double* hi, const PrefList* set) = 0;
};

// The controller of an output type, made for the panel that owns it; null when it cannot be made.
OutController* MakeOutController(int type, COutCtlView* view);

// Test seam: a maker of the test's own in place of the device library's; null restores it.
using OutControllerMaker = OutController* (*)(int type, COutCtlView* view);
// Test seam: only tests call it.
void SetOutControllerMaker(OutControllerMaker maker);

// A copy of the controller's whole set.
PrefList CopyPrefs(OutController& c);
