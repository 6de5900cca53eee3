// Signal shapes of the simulated inputs.
#include "devlib/simulated/simsignal.h"

#include "devlib/simulated/simcontrol.h"

#include <cmath>
#include "common/math_constants.h"

namespace {

constexpr double kWordsPerVolt = 3276.8;

struct stSignalDefault {
    double amplitude;
    double frequency;
};

// Indexed by signal code.
constexpr stSignalDefault kDefaults[kSimSignalCount] = {
    {0.0, 0.0},     // none
    {1e-3, 1.2},    // ECG: R wave height, 72 beats a minute
    {2e-3, 0.25},   // respiration: peak to peak, 15 breaths a minute
    {0.5e-3, 0.5},  // EMG: rms at the height of a burst, a burst every 2 s
    {2e-3, 1.2},    // pulse wave
    {1e-3, 10.0},   // sine
    {1e-3, 0.0},    // DC
    {20e-6, 0.0},   // noise, rms
    {0.0, 0.0},     // counting
    {0.0, 0.0},     // loopback
    {1e-3, 1.0},    // square
};

double Phase(double t, double f) {
    const double cycles = t * f;
    return cycles - std::floor(cycles);
}

double Bump(double phase, double centre, double width) {
    const double d = (phase - centre) / width;
    return std::exp(-d * d);
}

// P, Q, R, S and T waves over one beat, R = 1.
double EcgShape(double phase) {
    return 0.12 * Bump(phase, 0.20, 0.025) - 0.12 * Bump(phase, 0.355, 0.008) + Bump(phase, 0.375, 0.01) -
           0.25 * Bump(phase, 0.395, 0.01) + 0.30 * Bump(phase, 0.62, 0.045);
}

// Inspiration over the first 40% of a breath, expiration over the rest; -0.5 to 0.5.
double RespirationShape(double phase) {
    const double rise = 0.4;
    if (phase < rise) return 0.5 - 0.5 * std::cos(kPi * phase / rise) - 0.5;
    return 0.5 + 0.5 * std::cos(kPi * (phase - rise) / (1.0 - rise)) - 0.5;
}

// The systolic wave and the smaller dicrotic wave after the notch.
double PulseShape(double phase) { return Bump(phase, 0.15, 0.06) + 0.35 * Bump(phase, 0.42, 0.07); }

// A burst over the first half of each cycle, smooth at both ends, over a faint baseline.
double EmgEnvelope(double phase) {
    const double burst = phase < 0.5 ? std::sin(kPi * phase / 0.5) : 0.0;
    return 0.05 + burst * burst;
}

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

stSimSignal SimSignalWithDefaults(uint32_t kind, double amplitudeVolts, double frequencyHz, uint32_t seed) {
    stSimSignal s;
    s.kind = kind < kSimSignalCount ? kind : kSimSignalNone;
    s.amplitude = amplitudeVolts != 0.0 ? amplitudeVolts : kDefaults[s.kind].amplitude;
    s.frequency = frequencyHz > 0.0 ? frequencyHz : kDefaults[s.kind].frequency;
    s.seed = seed;
    return s;
}

double SimSignalVolts(const stSimSignal& s, double t, uint64_t n, uint32_t input) {
    const uint32_t stream = s.seed * 8u + input;
    switch (s.kind) {
    case kSimSignalEcg: return s.amplitude * EcgShape(Phase(t, s.frequency));
    case kSimSignalRespiration: return s.amplitude * RespirationShape(Phase(t, s.frequency));
    case kSimSignalEmg: return s.amplitude * EmgEnvelope(Phase(t, s.frequency)) * SimNoise(n, stream);
    case kSimSignalPulse: return s.amplitude * PulseShape(Phase(t, s.frequency));
    case kSimSignalSine: return s.amplitude * std::sin(2.0 * kPi * s.frequency * t);
    case kSimSignalDc: return s.amplitude;
    case kSimSignalNoise: return s.amplitude * SimNoise(n, stream);
    case kSimSignalSquare: return Phase(t, s.frequency) < 0.5 ? s.amplitude : -s.amplitude;
    default: return 0.0;
    }
}

int16_t SimVoltsToWord(double volts, double gain) {
    const double w = std::floor(volts * gain * kWordsPerVolt + 0.5);
    if (!(w > -32768.0)) return -32768;
    if (w > 32767.0) return 32767;
    return static_cast<int16_t>(w);
}

// Four uniform values summed: near enough to normal, bounded, and cheap.
double SimNoise(uint64_t n, uint32_t stream) {
    const uint64_t h =
        SplitMix(n ^ (static_cast<uint64_t>(stream) << 48) ^ (static_cast<uint64_t>(stream) * 0x5851F42D4C957F2Dull));
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) sum += static_cast<double>((h >> (16 * i)) & 0xFFFF) / 65535.0 - 0.5;
    return sum * std::sqrt(3.0);
}

uint32_t SimDigitalSquare(double t, double f) {
    if (!(f > 0.0) || t < 0.0) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(std::floor(t * f * 2.0)) & 0xFFFFu);
}
