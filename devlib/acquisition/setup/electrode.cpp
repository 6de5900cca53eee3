// The electrode checker's measurement: settling of the references and the averaged impedances.
#include "devlib/acquisition/setup/electrode.h"

namespace {

constexpr uint8_t kSettleQuery = 0x00;
constexpr uint8_t kReadingQuery = 0x01;
constexpr int32_t kReadingsPerMeasure = 10;
constexpr double kImpedanceScale = 100.0;  // kilo-ohms at a reading of half the reference
constexpr double kOpenInput = 100.0;

// 100 × value / (reference - value) below the reference; an open input at or above it.
double Impedance(int32_t reference, int32_t value) {
    return value < reference ? kImpedanceScale * value / (reference - value) : kOpenInput;
}

}  // namespace

// previous / reading in [0.995, 1.005], in whole numbers (1000 p against 995 r and 1005 r) so
// that nothing divides by the reading, which may be 0, and the limits are exact.
bool ElectrodeReadingsAgree(int32_t previous, int32_t reading) {
    const int64_t p = int64_t(previous) * 1000, r = reading;
    if (r == 0) return previous == 0;
    const int64_t a = 995 * r, b = 1005 * r;
    return r > 0 ? (p >= a && p <= b) : (p >= b && p <= a);
}

// The references settle when two readings in a row agree for both inputs.
int32_t SettleElectrodeReferences(stElectrodeMeasure* m, ElectrodeQueryFn query, void* context) {
    m->reference[0] = m->reference[1] = kElectrodeNoReference;
    for (int32_t round = 0; round < kElectrodeSettleRounds; ++round) {
        int32_t r[2] = {};
        if (!query(context, kSettleQuery, r)) return 0;
        const bool agree = ElectrodeReadingsAgree(m->reference[0], r[0]) && ElectrodeReadingsAgree(m->reference[1], r[1]);
        m->reference[0] = r[0];
        m->reference[1] = r[1];
        if (agree) return 1;
    }
    return 0;
}

// Each input's impedance is the mean of ten readings.
int32_t MeasureElectrodes(stElectrodeMeasure* m, ElectrodeQueryFn query, void* context, int32_t recording) {
    m->impedance[0] = m->impedance[1] = kElectrodeNoReading;
    if (recording) return 0;
    double sum[2] = {0, 0};
    for (int32_t k = 0; k < kReadingsPerMeasure; ++k) {
        int32_t v[2] = {};
        if (!query(context, kReadingQuery, v)) return 0;
        for (int i = 0; i < 2; ++i) sum[i] += Impedance(m->reference[i], v[i]);
    }
    for (int i = 0; i < 2; ++i) m->impedance[i] = sum[i] * 0.1;
    return 1;
}
