// The simulated inputs' signals as functions of time: physiological shapes, test shapes and the
// conversion of an input voltage to the unit's 16-bit word at a gain. Noise is a hash of the
// frame index, so every signal is reproducible frame for frame.
#pragma once

#include <cstdint>

struct stSimSignal {
    uint32_t kind = 0;       // a kSimSignal code
    double amplitude = 0.0;  // volts at the input (rms for noise and EMG)
    double frequency = 0.0;  // hertz
    uint32_t seed = 0;
};

// The signal of a kind with its default amplitude and frequency where the given ones are 0.
stSimSignal SimSignalWithDefaults(uint32_t kind, double amplitudeVolts, double frequencyHz, uint32_t seed);

// The voltage on input 0-3 at t seconds of the unit's clock; n indexes the noise. Counting and
// loopback are the unit's own business and read 0 V here.
double SimSignalVolts(const stSimSignal& signal, double t, uint64_t n, uint32_t input);

// The unit's word for an input voltage at a gain: volts × gain × 3276.8 (so that the host's
// word × (10 / 32768) / gain gives the volts back), rounded, held to 16 bits.
int16_t SimVoltsToWord(double volts, double gain);

// Reproducible noise of unit variance and zero mean for index n of a stream.
double SimNoise(uint64_t n, uint32_t stream);

// The digital square wave: bit 0 at f hertz, each higher bit half the frequency of the one below.
uint32_t SimDigitalSquare(double t, double f);
