// The simulated inputs' signals: their shapes, the word conversion at a gain, reproducible noise.
#include <gtest/gtest.h>

#include <cmath>

#include "devlib/simulated/simcontrol.h"
#include "devlib/simulated/simsignal.h"

namespace {

double Volts(uint32_t kind, double t, uint64_t n = 0, double amplitude = 0.0, double frequency = 0.0) {
    return SimSignalVolts(SimSignalWithDefaults(kind, amplitude, frequency, 0), t, n, 0);
}

// Largest and smallest value over one period, sampled finely.
void Range(uint32_t kind, double period, double* lo, double* hi, double* tAtHi) {
    *lo = 1e9;
    *hi = -1e9;
    for (int i = 0; i < 20000; ++i) {
        const double t = period * i / 20000.0;
        const double v = Volts(kind, t, static_cast<uint64_t>(i));
        *lo = std::min(*lo, v);
        if (v > *hi) {
            *hi = v;
            *tAtHi = t;
        }
    }
}

TEST(SimSignal, WordsAreVoltsTimesGainAndBackWithinHalfAStep) {
    EXPECT_EQ(SimVoltsToWord(1e-3, 1000), 3277);
    EXPECT_EQ(SimVoltsToWord(1e-3, 100), 328);
    EXPECT_EQ(SimVoltsToWord(-1e-3, 2000), -6554);
    EXPECT_EQ(SimVoltsToWord(0.02, 1000), 32767) << "held at the top";
    EXPECT_EQ(SimVoltsToWord(-0.02, 1000), -32768) << "held at the bottom";
    EXPECT_EQ(SimVoltsToWord(NAN, 1000), -32768);
    for (double v : {-9.9e-3, -1.234e-3, 0.0, 4.56e-4, 7.77e-3}) {
        const int16_t w = SimVoltsToWord(v, 1000);
        EXPECT_NEAR(w * (10.0 / 32768.0) / 1000.0, v, 0.5 * 10.0 / 32768.0 / 1000.0) << v;
    }
}

TEST(SimSignal, DefaultsFillWhatIsNotGiven) {
    const stSimSignal ecg = SimSignalWithDefaults(kSimSignalEcg, 0.0, 0.0, 0);
    EXPECT_DOUBLE_EQ(ecg.amplitude, 1e-3);
    EXPECT_DOUBLE_EQ(ecg.frequency, 1.2);
    const stSimSignal sine = SimSignalWithDefaults(kSimSignalSine, 5e-3, 50.0, 0);
    EXPECT_DOUBLE_EQ(sine.amplitude, 5e-3);
    EXPECT_DOUBLE_EQ(sine.frequency, 50.0);
    EXPECT_EQ(SimSignalWithDefaults(999, 1.0, 1.0, 0).kind, kSimSignalNone) << "an unknown code grounds the input";
    EXPECT_EQ(Volts(999, 0.3), 0.0);
}

TEST(SimSignal, ShapesHaveTheirAmplitudeAndPeriod) {
    double lo = 0, hi = 0, at = 0;
    Range(kSimSignalEcg, 1 / 1.2, &lo, &hi, &at);
    EXPECT_NEAR(hi, 1e-3, 0.05e-3) << "R wave";
    EXPECT_NEAR(at * 1.2, 0.375, 0.01) << "R wave position in the beat";
    EXPECT_LT(lo, -0.15e-3) << "S wave below the baseline";
    EXPECT_NEAR(Volts(kSimSignalEcg, 0.3), Volts(kSimSignalEcg, 0.3 + 1 / 1.2), 1e-12) << "one beat later";

    Range(kSimSignalRespiration, 4.0, &lo, &hi, &at);
    EXPECT_NEAR(hi - lo, 2e-3, 1e-6) << "peak to peak";
    EXPECT_NEAR(at, 0.4 * 4.0, 0.01) << "inspiration takes 40% of the breath";

    Range(kSimSignalPulse, 1 / 1.2, &lo, &hi, &at);
    EXPECT_NEAR(hi, 2e-3, 0.05e-3);
    EXPECT_NEAR(at * 1.2, 0.15, 0.01) << "systolic peak";

    EXPECT_NEAR(Volts(kSimSignalSine, 0.025), 1e-3, 1e-12) << "a quarter period of 10 Hz";
    EXPECT_NEAR(Volts(kSimSignalSine, 0.05), 0.0, 1e-12);
    EXPECT_EQ(Volts(kSimSignalDc, 123.4), 1e-3);
    EXPECT_EQ(Volts(kSimSignalDc, 0.0, 0, -2.5e-3), -2.5e-3) << "a negative DC level";
    EXPECT_EQ(Volts(kSimSignalSquare, 0.2), 1e-3);
    EXPECT_EQ(Volts(kSimSignalSquare, 0.7), -1e-3);
    EXPECT_EQ(Volts(kSimSignalCounting, 0.7), 0.0) << "the unit makes the counting words itself";
}

TEST(SimSignal, EmgComesInBursts) {
    double burst = 0, quiet = 0;
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        const double inBurst = Volts(kSimSignalEmg, 0.4 + 0.2 * i / n, static_cast<uint64_t>(i));
        const double inQuiet = Volts(kSimSignalEmg, 1.4 + 0.2 * i / n, static_cast<uint64_t>(i + n));
        burst += inBurst * inBurst;
        quiet += inQuiet * inQuiet;
    }
    EXPECT_NEAR(std::sqrt(burst / n), 0.5e-3, 0.1e-3) << "rms near the middle of a burst";
    EXPECT_LT(std::sqrt(quiet / n), 0.05e-3) << "between bursts only a faint baseline";
}

TEST(SimSignal, NoiseIsReproducibleWithZeroMeanAndUnitVariance) {
    double sum = 0, squares = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        const double v = SimNoise(static_cast<uint64_t>(i), 3);
        sum += v;
        squares += v * v;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.03);
    EXPECT_NEAR(squares / n, 1.0, 0.05);
    EXPECT_EQ(SimNoise(12345, 3), SimNoise(12345, 3));
    EXPECT_NE(SimNoise(12345, 3), SimNoise(12345, 4)) << "each input its own stream";
    EXPECT_NE(SimNoise(12345, 3), SimNoise(12346, 3));
    const stSimSignal a = SimSignalWithDefaults(kSimSignalNoise, 0, 0, 1);
    const stSimSignal b = SimSignalWithDefaults(kSimSignalNoise, 0, 0, 2);
    EXPECT_NE(SimSignalVolts(a, 0, 77, 0), SimSignalVolts(b, 0, 77, 0)) << "the seed changes the noise";
}

TEST(SimSignal, DigitalSquareAndCountingWords) {
    EXPECT_EQ(SimDigitalSquare(0.0, 1.0), 0u);
    EXPECT_EQ(SimDigitalSquare(0.49, 1.0), 0u);
    EXPECT_EQ(SimDigitalSquare(0.5, 1.0), 1u) << "bit 0 is a 1 Hz square wave";
    EXPECT_EQ(SimDigitalSquare(1.0, 1.0), 2u) << "bit 1 half as fast";
    EXPECT_EQ(SimDigitalSquare(1.6, 1.0), 3u);
    EXPECT_EQ(SimCountingWord(0, 0), 0x0000);
    EXPECT_EQ(SimCountingWord(5, 2), 0x2005);
    EXPECT_EQ(SimCountingWord(4097, 3), 0x3001) << "twelve bits of frame";
    EXPECT_EQ(SimCountingWord(7, 4), 0x4007) << "the digital word counts as input 4";
}

}  // namespace
