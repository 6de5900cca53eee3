// Integrate: the selected channel replaced, in place, by a running integral of itself over a
// moving window, or by a trapezoid integral that restarts where a control channel crosses two
// thresholds.
#pragma once
#include <cstdint>

struct tagGS;

// The dialog's settings, kept for the whole process between uses.
struct stIntegrateSettings {
    tagGS* document;
    int32_t averageMode;     // 1 moving window, 0 reset via a control channel
    int32_t samples;         // the window's length N
    int32_t parameters;
    int32_t rectify;         // 1 rectified sum, 0 root mean square
    int32_t removeBaseline;
    int32_t controlChannel;
    double low;
    double high;
    int32_t positive;
    int32_t meanSubtraction;
    int32_t entire;
    int32_t entireForced;    // the selection is a point: the whole channel, box checked and disabled
};
extern stIntegrateSettings g_integrate;

// The moving window over samples first .. last of the selected channel (already doubles).
void IntegrateChannel(tagGS* gs, int32_t first, int32_t last, int32_t samples, int32_t parameters, int32_t rectify,
                      int32_t removeBaseline);
// The reset mode over samples first .. last of the selected channel (already doubles).
void IntegrateWithReset(tagGS* gs, int32_t first, int32_t last, int32_t control, double low, double high,
                        int32_t meanSubtraction, int32_t positive);
