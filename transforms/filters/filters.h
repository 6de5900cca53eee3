// The Transform menu's FIR and IIR filters over the selected channel: their settings kept between
// runs (the menu and the lesson scripts share them) and their entry points.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

struct FirSettings {
    int32_t type = 0;            // 1 low pass, 2 high pass, 3 band pass, 4 band stop, 5 derivative
    int32_t reserved = 0;
    double lowCutoff = 0;        // Hz: the low pass's cut-off, the band's lower edge
    double highCutoff = 0;       // Hz: the high pass's cut-off, the band's upper edge
    int32_t coefficientCount = 39;
    int32_t window = 5;          // window number 0..9
    uint32_t flags = 0;          // kFirShowResponse, kFirDontModify
    int32_t rangeSampleCount = 0;
};
constexpr uint32_t kFirShowResponse = 1;
constexpr uint32_t kFirDontModify = 2;
extern FirSettings g_firSettings;

struct IirSettings {
    int16_t channel = 0;
    int16_t type = 1;            // 1 low pass .. 5 band stop
    double q = 0.707;            // Q of the low pass, high pass and low+high band pass
    double bandQ = 5.0;          // Q of the band pass and band stop
    double frequency = 50.0;     // Hz: corner, centre, or the low+high band's lower edge
    double highFrequency = 500.0;
    double section1[5] = {}, state1[4] = {};  // a1 a2 c0 c1 c2; y[n-2] y[n-1] x[n-2] x[n-1]
    double section2[5] = {}, state2[4] = {};
    int32_t count = 0, first = 0, last = 0;
};
extern IirSettings g_iirSettings;

// The FIR filter of type 1..4 on the selected channel; withDialog 0 runs on the stored settings
// as the lesson scripts do. 0 done (or given up with Escape), 1 cancelled, 30 no memory,
// 36 no valid selection, or a refused parameter (BadParameterCode).
int FirFilterChannel(tagGS* gs, int type, int withDialog);

// The gain of the m coefficients h in a new graph: channel "Magnitude" in dB over frequency,
// named for the filter type (1..4, 5 the derivative), on the frequency axis of doc's sampling
// rate. 1 when the graph was made, 0 when it could not be (nothing is left open).
int ShowFilterResponse(tagGS* doc, const double* h, int32_t m, int type);

// The FIR dialog (its band form for types 3 and 4) over a working record whose type and
// rangeSampleCount are set; entire is the in-out "Filter entire wave" flag, derivative gives the
// caption "Derivative". 0 after OK, 1 after Cancel, 30 when the dialog cannot be made.
int RunFirDialog(tagGS* gs, FirSettings* settings, int* entire, int selectionEmpty, int derivative);
