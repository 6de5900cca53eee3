// The simulated unit as an object: commands in, replies out, time given by the test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "devlib/simulated/simcontrol.h"
#include "devlib/simulated/simpacket.h"
#include "devlib/simulated/simring.h"
#include "devlib/simulated/simunit.h"
#include "common/math_constants.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t kMs = 1000000;
constexpr uint64_t kStart = 1000 * kMs;

// A unit with its controls and clock, and the commands as one-liners.
struct Unit {
    explicit Unit(int32_t model = 40, stSimControls controls = {}) : c(controls), unit(model, c, kStart) {}

    Bytes Send(uint8_t command, const Bytes& data = {}) {
        static uint8_t reply[kSimMaxReply];
        const uint32_t n =
            unit.Execute(command, data.data(), static_cast<uint32_t>(data.size()), now, c, reply, sizeof(reply));
        return Bytes(reply, reply + n);
    }
    bool Set(uint8_t command, const Bytes& data = {}) { return Send(command, data) == Bytes{kSimAck}; }
    void Wait(uint64_t ns) {
        now += ns;
        unit.Advance(now, c);
    }
    uint32_t WriteAddress() {
        const Bytes a = Send(kSimCmdWriteAddress);
        return a[0] * 256u + a[1] + a[2] * 32768u;
    }
    Bytes ReadRing(uint32_t address, uint32_t count) {
        return Send(kSimCmdReadRing, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                                      static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)});
    }
    // Arms inputs (mask of bits 0-3) at a period in half milliseconds and starts sampling.
    void Record(uint8_t mask, uint16_t halfMs, uint8_t mode = 0, uint8_t digital = 0) {
        ASSERT_TRUE(Set(kSimCmdPeriod, {static_cast<uint8_t>(halfMs >> 8), static_cast<uint8_t>(halfMs)}));
        ASSERT_TRUE(Set(kSimCmdArm, {mode, 0, 0, mask, digital, 0}));
        ASSERT_TRUE(Set(kSimCmdSampling, {1}));
    }

    stSimControls c;
    uint64_t now = kStart;
    CSimUnit unit;
};

stSimControls Counting() {
    stSimControls c;
    for (uint32_t& s : c.signal) s = kSimSignalCounting;
    c.digitalSignal = kSimSignalCounting;
    return c;
}

stSimControls AllSignals(uint32_t kind, int32_t microvolts = 0, uint32_t milliHz = 0) {
    stSimControls c;
    for (uint32_t i = 0; i < kSimInputs; ++i) {
        c.signal[i] = kind;
        c.amplitudeUv[i] = microvolts;
        c.frequencyMilliHz[i] = milliHz;
    }
    return c;
}

int16_t WordAt(const Bytes& b, size_t at) { return static_cast<int16_t>((b[at] << 8) | b[at + 1]); }

std::string Text(const Bytes& b) { return std::string(b.begin(), std::find(b.begin(), b.end(), 0)); }

TEST(SimUnit, IdentityOfBothModels) {
    struct {
        int32_t model;
        const char* description;
        const char* second;
        uint32_t memory;
    } cases[] = {
        {40, "Model VK40 acquisition unit, serial 40-000417", "Firmware 2.10, hardware rev. C", kSimMemoryBytes40},
        {45, "Model VK45 acquisition unit, serial 45-000212", "Firmware 4.02, hardware rev. A", kSimMemoryBytes45},
    };
    for (const auto& k : cases) {
        Unit u(k.model);
        const Bytes description = u.Send(kSimCmdDescription);
        ASSERT_EQ(description.size(), 120u) << k.model;
        EXPECT_EQ(Text(description), k.description);
        const Bytes second = u.Send(kSimCmdSecondLine);
        ASSERT_EQ(second.size(), 30u);
        EXPECT_EQ(Text(second), k.second);
        EXPECT_EQ(u.Send(kSimCmdMemorySize),
                  (Bytes{static_cast<uint8_t>(k.memory >> 16), static_cast<uint8_t>(k.memory >> 8),
                         static_cast<uint8_t>(k.memory)}));
    }
}

TEST(SimUnit, AStoredDescriptionIsReadBackAndAControlSetsItAtPowerOn) {
    Unit u;
    Bytes text(128, ' ');
    const char line[] = "Model VK40\rBench 3";
    std::copy(line, line + sizeof(line) - 1, text.begin());
    ASSERT_TRUE(u.Set(kSimCmdStoreDescription, text));
    EXPECT_EQ(u.Send(kSimCmdDescription), Bytes(text.begin(), text.begin() + 120));

    stSimControls c;
    c.hasDescription = true;
    strcpy(c.description, "Not a model line");
    Unit custom(40, c);
    EXPECT_EQ(Text(custom.Send(kSimCmdDescription)), "Not a model line");
}

TEST(SimUnit, CommandsOfTheWrongShapeOrModelAreRefused) {
    struct {
        const char* what;
        int32_t model;
        uint8_t command;
        Bytes data;
        bool taken;
    } cases[] = {
        {"stop without data", 40, kSimCmdStop, {}, true},
        {"stop with one byte", 40, kSimCmdStop, {0}, true},
        {"stop with two bytes", 40, kSimCmdStop, {0, 0}, false},
        {"period short a byte", 40, kSimCmdPeriod, {10}, false},
        {"period 0", 40, kSimCmdPeriod, {0, 0}, false},
        {"unknown command", 40, 99, {}, false},
        {"first model's filter on the second", 45, kSimCmdFilter40, Bytes(12, 0), false},
        {"second model's filter on the first", 40, kSimCmdFilter45, Bytes(22, 0), false},
        {"filter 1 on input 2", 40, kSimCmdFilter40, {2, 1, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0}, true},
        {"filter index 3", 40, kSimCmdFilter40, {2, 3, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0}, false},
        {"gain of input 5", 40, kSimCmdGain, {3, 5}, false},
        {"gain code 5 (x2500) on the first model", 40, kSimCmdGain, {5, 1}, true},
        {"gain code 5 on the second", 45, kSimCmdGain, {5, 1}, false},
        {"gain code 10 (x10) on the second", 45, kSimCmdGain, {10, 1}, true},
        {"gain code 10 on the first", 40, kSimCmdGain, {10, 1}, false},
        {"input mode", 45, kSimCmdInputMode, {32, 4}, true},
        {"arming an input that does not exist", 40, kSimCmdArm, {0, 0, 0, 0x10, 0, 0}, false},
        {"sampling without arming", 40, kSimCmdSampling, {1}, false},
        {"sampling code 2", 40, kSimCmdSampling, {2}, false},
        {"program mode 3", 40, kSimCmdProgramMode, {3}, false},
        {"output selector 8", 40, kSimCmdOutputSelect, {8}, false},
        {"second model's electrode check on the first", 40, kSimCmdElectrode45, {0, 0}, false},
        {"first model's electrode check on the second", 45, kSimCmdElectrode40, {}, false},
        {"stimulator reference on the second model", 45, kSimCmdStimReference, {3, 7}, true},
        {"stimulator mode 2", 40, kSimCmdStimulator, {2, 0, 1, 0, 0, 100, 0, 100, 0, 0}, false},
        {"progress outside high speed models", 40, kSimCmdProgress, {}, false},
    };
    for (const auto& k : cases) {
        Unit u(k.model);
        const Bytes reply = u.Send(k.command, k.data);
        if (k.taken)
            EXPECT_NE(reply, Bytes{kSimNak}) << k.what;
        else
            EXPECT_EQ(reply, Bytes{kSimNak}) << k.what;
    }
}

TEST(SimUnit, FramesAppearExactlyAsElapsedTimeOverThePeriod) {
    Unit u(40, Counting());
    u.Record(0x05, 2);  // inputs 1 and 3, 1 ms
    EXPECT_EQ(u.WriteAddress(), 0u);
    u.Wait(10 * kMs - 1);
    EXPECT_EQ(u.WriteAddress(), 9u * 4);
    u.Wait(1);
    EXPECT_EQ(u.WriteAddress(), 10u * 4);
    const Bytes ring = u.ReadRing(0, 40);
    ASSERT_EQ(ring.size(), 40u);
    for (uint32_t f = 0; f < 10; ++f) {
        EXPECT_EQ(static_cast<uint16_t>(WordAt(ring, f * 4)), SimCountingWord(f, 0)) << f;
        EXPECT_EQ(static_cast<uint16_t>(WordAt(ring, f * 4 + 2)), SimCountingWord(f, 2)) << f;
    }
    ASSERT_TRUE(u.Set(kSimCmdSampling, {0}));
    u.Wait(50 * kMs);
    EXPECT_EQ(u.WriteAddress(), 40u) << "no frames after the stop";
}

// Not read for 20 s at 0.5 ms: 80,000 bytes went into the 32,768-byte ring. The write address
// counts them all, so the host sees more than a ring's worth and knows it overflowed.
TEST(SimUnit, ARingNotReadInTimeOverflowsAndKeepsTheNewestFrames) {
    Unit u(40, Counting());
    u.Record(0x01, 1);
    u.Wait(20000 * kMs);
    EXPECT_EQ(u.Send(kSimCmdWriteAddress), (Bytes{0x38, 0x80, 0x02}));
    EXPECT_GT(u.WriteAddress(), kSimRingBytes);
    const Bytes ring = u.ReadRing(0, 16384);
    const Bytes upper = u.ReadRing(16384, 16384);
    Bytes whole = ring;
    whole.insert(whole.end(), upper.begin(), upper.end());
    for (uint64_t offset = 80000 - kSimRingBytes; offset < 80000; offset += 2) {
        const uint64_t frame = offset / 2;
        ASSERT_EQ(static_cast<uint16_t>(WordAt(whole, offset % kSimRingBytes)), SimCountingWord(frame, 0)) << offset;
    }
}

// The unit writes a long backlog in one go and a short one frame by frame; both must leave the
// same ring, also when frames (6 bytes) straddle the ring's end.
TEST(SimUnit, ABacklogWrittenAtOnceEqualsOneWrittenInSteps) {
    Unit once(40, Counting());
    Unit steps(40, Counting());
    once.Record(0x07, 1);
    steps.Record(0x07, 1);
    once.Wait(7001 * kMs);
    for (int i = 0; i < 14002; ++i) steps.Wait(kMs / 2);
    EXPECT_EQ(once.unit.RingTotal(), steps.unit.RingTotal());
    EXPECT_EQ(once.unit.RingTotal(), 14002u * 6);
    EXPECT_EQ(once.unit.Ring(), steps.unit.Ring());
}

TEST(SimUnit, AFrameAcrossTheRingEndIsReadBackWhole) {
    Unit u(40, Counting());
    u.Record(0x07, 1);  // 6-byte frames: frame 5461 starts at 32,766
    u.Wait(5462 * kMs / 2);
    const Bytes frame = u.ReadRing(32766, 6);
    EXPECT_EQ(frame, (Bytes{0x05, 0x55, 0x15, 0x55, 0x25, 0x55}));
}

TEST(SimUnit, GainAndOffsetScaleTheInput) {
    Unit u(40, AllSignals(kSimSignalDc, 1000));
    auto input1 = [&u] { return WordAt(u.Send(kSimCmdReadInput, {1}), 0); };
    EXPECT_EQ(input1(), 3277) << "1 mV at x1000";
    ASSERT_TRUE(u.Set(kSimCmdGain, {0, 1}));
    EXPECT_EQ(input1(), 328) << "x100";
    ASSERT_TRUE(u.Set(kSimCmdGain, {9, 1}));
    EXPECT_EQ(input1(), 32767) << "x50000 runs out of range";
    ASSERT_TRUE(u.Set(kSimCmdGain, {3, 1}));
    ASSERT_TRUE(u.Set(kSimCmdOffset, {0x03, 0xE8, 1}));  // 1000 counts of 0.3125 uV
    EXPECT_EQ(input1(), 4301);
    ASSERT_TRUE(u.Set(kSimCmdOffset, {0xFC, 0x18, 1}));  // -1000
    EXPECT_EQ(input1(), 2253);
    EXPECT_EQ(WordAt(u.Send(kSimCmdReadInput, {2}), 0), 3277) << "other inputs keep their own";

    Unit v(45, AllSignals(kSimSignalDc, 1000));
    ASSERT_TRUE(v.Set(kSimCmdGain, {10, 2}));
    ASSERT_TRUE(v.Set(kSimCmdOffset, {0x00, 0x64, 2}));  // 100 counts of 8.237 uV at x10
    EXPECT_EQ(WordAt(v.Send(kSimCmdReadInput, {2}), 0), 60) << "(1 mV + 0.824 mV) x10";
}

TEST(SimUnit, ConversionAndDirectReadings) {
    Unit u(40, AllSignals(kSimSignalDc, -500));
    ASSERT_TRUE(u.Set(kSimCmdConvert));
    EXPECT_EQ(u.Send(kSimCmdStatus)[1] & 0x08, 0x08) << "converting";
    EXPECT_EQ(u.Send(kSimCmdStatus)[1] & 0x08, 0) << "done when asked again";
    const Bytes words = u.Send(kSimCmdConversion);
    ASSERT_EQ(words.size(), 8u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(WordAt(words, 2 * i), -1638) << i;
}

TEST(SimUnit, StatusReportsArmingSamplingAndTheControls) {
    stSimControls c = Counting();
    Unit u(40, c);
    EXPECT_EQ(u.Send(kSimCmdStatus), (Bytes{0, 0x80, 0, 0}));
    ASSERT_TRUE(u.Set(kSimCmdArm, {3, 0, 0, 1, 0, 0}));
    EXPECT_EQ(u.Send(kSimCmdStatus), (Bytes{0, 0x81, 0, 0})) << "armed";
    ASSERT_TRUE(u.Set(kSimCmdSampling, {1}));
    EXPECT_EQ(u.Send(kSimCmdStatus), (Bytes{1, 0x87, 0, 0})) << "sampling, data flowing";
    ASSERT_TRUE(u.Set(kSimCmdSampling, {0}));
    ASSERT_TRUE(u.Set(kSimCmdStop));
    EXPECT_EQ(u.Send(kSimCmdStatus), (Bytes{0, 0x80, 0, 0})) << "stopped and disarmed";
    u.c.statusError = 0x1234;
    u.c.statusNotReady = true;
    EXPECT_EQ(u.Send(kSimCmdStatus), (Bytes{0, 0x00, 0x12, 0x34}));
}

// Channel trigger: the data starts at the first frame whose word on the trigger input reaches
// the reference level from below; the frames before it are not written. The first model's
// trigger input is its fourth, whatever the reference byte says; the second model's is the input
// the byte names. A sine on another input is not watched: the counting inputs, always above the
// level, never cross it.
TEST(SimUnit, AChannelTriggerStartsTheDataAtTheCrossingOfTheTriggerInput) {
    const struct {
        const char* what;
        int32_t model;
        uint8_t reference;
        uint32_t sineInput;  // 0-3
        bool starts;
    } cases[] = {
        {"model 40, the fourth input", 40, 3, 3, true},
        {"model 40, the third input is not its trigger", 40, 3, 2, false},
        {"model 40, whatever the byte", 40, 1, 3, true},
        {"model 45, input 1", 45, 1, 0, true},
        {"model 45, input 3", 45, 3, 2, true},
        {"model 45, another input than the byte's", 45, 2, 0, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        stSimControls c = Counting();
        c.signal[0] = kSimSignalNone;  // the only counting input that would cross 3000
        c.signal[k.sineInput] = kSimSignalSine;  // 1 mV, 10 Hz: 3277 words at x1000
        Unit u(k.model, c);
        ASSERT_TRUE(u.Set(kSimCmdReference, {0x0B, 0xB8, k.reference}));  // 3000 counts
        const uint32_t counting = k.sineInput == 1 ? 2 : 1;
        const uint8_t mask = static_cast<uint8_t>((1u << k.sineInput) | (1u << counting));
        u.Record(mask, 1, 0x80 | 0x40 | 0x10 | 3);  // rising edge on a channel
        // Sine samples at 0.5 ms: the first at or above 3000 after one below.
        uint32_t trigger = 0;
        for (uint32_t f = 1; f < 200 && !trigger; ++f) {
            const double prev = SimVoltsToWord(1e-3 * std::sin(2 * kPi * 10 * (f - 1) * 0.0005), 1000);
            const double cur = SimVoltsToWord(1e-3 * std::sin(2 * kPi * 10 * f * 0.0005), 1000);
            if (prev < 3000 && cur >= 3000) trigger = f;
        }
        ASSERT_GT(trigger, 0u);
        u.Wait(trigger * kMs / 2);
        EXPECT_EQ(u.WriteAddress(), 0u) << "the crossing frame has not fallen due yet";
        EXPECT_EQ(u.Send(kSimCmdStatus)[1], 0x85) << "waiting for the start signal";
        u.Wait(kMs / 2 * 5);
        if (!k.starts) {
            EXPECT_EQ(u.Send(kSimCmdStatus)[1], 0x85) << "still waiting";
            EXPECT_EQ(u.WriteAddress(), 0u);
            continue;
        }
        EXPECT_EQ(u.Send(kSimCmdStatus)[1], 0x87) << "data flowing";
        EXPECT_EQ(u.WriteAddress(), 5u * 4);
        const Bytes ring = u.ReadRing(0, 20);
        const size_t sineAt = k.sineInput < counting ? 0 : 2, countingAt = 2 - sineAt;
        EXPECT_GE(WordAt(ring, sineAt), 3000) << "the first frame is the crossing";
        for (uint32_t f = 0; f < 5; ++f)
            EXPECT_EQ(static_cast<uint16_t>(WordAt(ring, 4 * f + countingAt)), SimCountingWord(f, counting))
                << "counted from the start signal";
    }
}

TEST(SimUnit, AnExternalStartSignalArrivesAtItsFrame) {
    stSimControls c = Counting();
    c.externalTriggerFrame = 7;
    Unit u(40, c);
    u.Record(0x01, 2, 0x80 | 0x40 | 0x20);
    u.Wait(10 * kMs);
    EXPECT_EQ(u.WriteAddress(), 3u * 2);
    EXPECT_EQ(u.ReadRing(0, 6), (Bytes{0x00, 0x00, 0x00, 0x01, 0x00, 0x02}));
}

TEST(SimUnit, AStalledRingLosesFramesAndTheCountingPatternShowsTheGap) {
    Unit u(40, Counting());
    u.Record(0x01, 2);
    u.Wait(5 * kMs);
    u.c.ringStalled = true;
    u.Wait(5 * kMs);
    EXPECT_EQ(u.WriteAddress(), 10u) << "the write address stands still";
    u.c.ringStalled = false;
    u.Wait(5 * kMs);
    EXPECT_EQ(u.WriteAddress(), 20u);
    EXPECT_EQ(u.ReadRing(8, 4), (Bytes{0x00, 0x04, 0x00, 0x0A})) << "frame 4, then frame 10";
}

TEST(SimUnit, OneShotWritesItsFramesAtOnce) {
    Unit u(40, Counting());
    ASSERT_TRUE(u.Set(kSimCmdPeriod, {0, 1}));
    ASSERT_TRUE(u.Set(kSimCmdArm, {1, 0, 0, 0x04, 0, 0}));
    ASSERT_TRUE(u.Set(kSimCmdSampling, {10}));
    EXPECT_EQ(u.WriteAddress(), kSimOneShotFrames * 2) << "without the clock moving";
    EXPECT_EQ(u.Send(kSimCmdStatus)[0], 0) << "not sampling any more";
    u.Wait(100 * kMs);
    EXPECT_EQ(u.WriteAddress(), kSimOneShotFrames * 2);
    const Bytes last = u.ReadRing(kSimOneShotFrames * 2 - 2, 2);
    EXPECT_EQ(static_cast<uint16_t>(WordAt(last, 0)), SimCountingWord(kSimOneShotFrames - 1, 2));
}

// A reading a quarter period of a 10 Hz sine after power-on finds its top, whichever run it is.
TEST(SimUnit, SignalsRunOnTheUnitsClockAcrossRuns) {
    Unit u(40, AllSignals(kSimSignalSine));
    ASSERT_TRUE(u.Set(kSimCmdPeriod, {0, 1}));
    ASSERT_TRUE(u.Set(kSimCmdArm, {1, 0, 0, 0x01, 0, 0}));
    ASSERT_TRUE(u.Set(kSimCmdSampling, {10}));
    EXPECT_EQ(WordAt(u.ReadRing(0, 2), 0), 0);
    u.Wait(25 * kMs);
    ASSERT_TRUE(u.Set(kSimCmdSampling, {10}));
    EXPECT_EQ(WordAt(u.ReadRing(0, 2), 0), 3277) << "not the start of the sine again";
    u.Wait(25 * kMs);
    EXPECT_EQ(WordAt(u.Send(kSimCmdReadInput, {1}), 0), 0) << "half a period";
}

TEST(SimUnit, DigitalOutputLoopsBackIntoTheDigitalWord) {
    Unit u(45);
    ASSERT_TRUE(u.Set(kSimCmdDigitalOut, {0, 0x5A}));
    u.Record(0x00, 2, 1, 0xFF);
    u.Wait(3 * kMs);
    EXPECT_EQ(u.ReadRing(0, 6), (Bytes{0x00, 0x5A, 0x00, 0x5A, 0x00, 0x5A}));
    EXPECT_EQ(u.Send(kSimCmdDigitalOut, {4, 1}), Bytes{kSimNak}) << "no port 4";
}

// A unit-paced run records into the unit's memory at the rate of command 71, says so on the data
// stream when done, and is read back with commands 73 and 74.
TEST(SimUnit, AUnitPacedRunRecordsItsBytesAndSaysWhenItIsDone) {
    Unit u(40, Counting());
    ASSERT_TRUE(u.Set(kSimCmdArm, {2, 0, 0, 0x01, 0, 0}));
    EXPECT_EQ(u.Send(kSimCmdRunSetup, {40, 0, 0, 200}), Bytes{0});
    EXPECT_EQ(u.Send(kSimCmdGo, {1}), Bytes{0});
    u.Wait(50000);  // 5 frames at 100 kHz
    EXPECT_EQ(u.Send(kSimCmdRecorded), (Bytes{0, 0, 10}));
    EXPECT_EQ(u.unit.StreamPending(), 0u);
    u.Wait(10 * kMs);
    EXPECT_EQ(u.Send(kSimCmdRecorded), (Bytes{0, 0, 200})) << "stops at its bytes";
    uint8_t byte = 0;
    EXPECT_EQ(u.unit.ReadStream(&byte, 1), 1u);
    EXPECT_EQ(byte, 6) << "run complete";
    EXPECT_EQ(u.Send(kSimCmdStatus), (Bytes{0, 0x80, 0, 0}));
    const Bytes data = u.Send(kSimCmdReadMemoryFast, {0, 0, 0, 0, 200});
    ASSERT_EQ(data.size(), 200u);
    for (uint32_t f = 0; f < 100; ++f)
        ASSERT_EQ(static_cast<uint16_t>(WordAt(data, 2 * f)), SimCountingWord(f, 0)) << f;
}

// Armed with the digital word, a unit-paced run keeps it behind the analog words of each frame;
// a lying unit overstates its count by exactly the control's bytes.
TEST(SimUnit, AUnitPacedRunKeepsTheDigitalWordAndALyingUnitOverstatesItsCount) {
    stSimControls c = Counting();
    c.recordedBytesExtra = 4000;
    Unit u(40, c);
    ASSERT_TRUE(u.Set(kSimCmdArm, {2, 0, 0, 0x05, 0xFF, 0}));
    ASSERT_EQ(u.Send(kSimCmdRunSetup, {40, 0, 0, 60}), Bytes{0});  // ten 6-byte frames
    ASSERT_EQ(u.Send(kSimCmdGo, {1}), Bytes{0});
    u.Wait(kMs);
    EXPECT_EQ(u.Send(kSimCmdRecorded), (Bytes{0, 0x0F, 0xDC}));  // 60 + 4,000
    const Bytes data = u.Send(kSimCmdReadMemoryFast, {0, 0, 0, 0, 60});
    ASSERT_EQ(data.size(), 60u);
    for (uint32_t f = 0; f < 10; ++f) {
        EXPECT_EQ(static_cast<uint16_t>(WordAt(data, 6 * f)), SimCountingWord(f, 0));
        EXPECT_EQ(static_cast<uint16_t>(WordAt(data, 6 * f + 2)), SimCountingWord(f, 2));
        EXPECT_EQ(static_cast<uint16_t>(WordAt(data, 6 * f + 4)), SimCountingWord(f, 4));
    }
}

TEST(SimUnit, AUnitPacedRunWaitingForItsStartSendsTheStartSignal) {
    stSimControls c = Counting();
    c.externalTriggerFrame = 3;
    Unit u(40, c);
    ASSERT_TRUE(u.Set(kSimCmdArm, {0x80 | 0x20 | 2, 0, 0, 0x01, 0, 0}));
    ASSERT_EQ(u.Send(kSimCmdRunSetup, {4, 0, 0, 20}), Bytes{0});  // 10 kHz
    ASSERT_EQ(u.Send(kSimCmdGo, {1}), Bytes{0});
    u.Wait(200000);
    uint8_t bytes[4] = {};
    EXPECT_EQ(u.unit.ReadStream(bytes, 4), 0u) << "frame 3 has not fallen due";
    u.Wait(2 * kMs);
    ASSERT_EQ(u.unit.ReadStream(bytes, 4), 2u);
    EXPECT_EQ(bytes[0], 7) << "start signal";
    EXPECT_EQ(bytes[1], 6) << "complete";
}

TEST(SimUnit, RunSetupRefusals) {
    Unit u(40);
    EXPECT_EQ(u.Send(kSimCmdRunSetup, {40, 0, 0, 200}), Bytes{3}) << "not armed";
    ASSERT_TRUE(u.Set(kSimCmdArm, {2, 0, 0, 0x01, 0, 0}));
    EXPECT_EQ(u.Send(kSimCmdRunSetup, {0, 0, 0, 200}), Bytes{1}) << "rate 0";
    EXPECT_EQ(u.Send(kSimCmdRunSetup, {41, 0, 0, 200}), Bytes{1}) << "above 100 kHz";
    EXPECT_EQ(u.Send(kSimCmdRunSetup, {40, 0x10, 0x00, 0x01}), Bytes{2}) << "more than the memory";
    EXPECT_EQ(u.Send(kSimCmdGo, {1}), Bytes{1}) << "no set-up accepted";
    EXPECT_EQ(u.Send(kSimCmdRunSetup, {40, 0x10, 0x00, 0x00}), Bytes{0}) << "the whole memory";
    EXPECT_EQ(u.Send(kSimCmdGo, {2}), Bytes{1}) << "no host-paced high speed on the first model";
}

// Model 45 at high speed: the ring is the run's bytes in unit memory; command 145 reports the
// position in it and the passes, command 74 reads it.
TEST(SimUnit, AHighSpeedRunWrapsInItsRingAndReportsPositionAndPasses) {
    Unit u(45, Counting());
    ASSERT_TRUE(u.Set(kSimCmdArm, {2, 0, 0, 0x03, 0, 0}));
    ASSERT_EQ(u.Send(kSimCmdRunSetup, {40, 0, 0x01, 0x90}), Bytes{0});  // 400-byte ring, 100 kHz
    ASSERT_EQ(u.Send(kSimCmdGo, {2}), Bytes{0});
    ASSERT_TRUE(u.Set(kSimCmdSampling, {1}));
    u.Wait(1500000);  // 150 frames of 4 bytes
    EXPECT_EQ(u.Send(kSimCmdProgress), (Bytes{0, 0, 0, 200, 0, 0, 0, 1}));
    const Bytes newest = u.Send(kSimCmdReadMemoryFast, {0, 0, 196, 0, 4});
    EXPECT_EQ(static_cast<uint16_t>(WordAt(newest, 0)), SimCountingWord(149, 0));
    EXPECT_EQ(static_cast<uint16_t>(WordAt(newest, 2)), SimCountingWord(149, 1));
    EXPECT_EQ(u.WriteAddress(), 0u) << "the host-paced ring is left alone";
}

TEST(SimUnit, FirmwareBlocksGoIntoMemoryAndReadBack) {
    Unit u;
    Bytes image(250);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 3);
    for (uint32_t offset = 0; offset < image.size(); offset += 120) {
        Bytes block = {static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset)};
        for (uint32_t i = 0; i < 120; ++i) block.push_back(offset + i < image.size() ? image[offset + i] : 0xEE);
        ASSERT_TRUE(u.Set(kSimCmdFirmwareBlock, block)) << offset;
    }
    Bytes back;
    for (uint32_t address = 0; address < 360; address += 120) {
        const Bytes part =
            u.Send(kSimCmdReadMemory, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), 0, 120});
        ASSERT_EQ(part.size(), 120u);
        back.insert(back.end(), part.begin(), part.end());
    }
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 250), image);
    EXPECT_EQ(back[250], 0xEE) << "the last block's tail lands too";
    EXPECT_EQ(u.Send(kSimCmdFirmwareBlock,
                     [] {
                         Bytes b = {0xFF, 0x90};
                         b.resize(122);
                         return b;
                     }()),
              Bytes{kSimNak})
        << "a block past the end of memory";
    EXPECT_EQ(u.Send(kSimCmdReadMemory, {0xFF, 0xFF, 0, 2}), Bytes{kSimNak}) << "a read past the end";
    EXPECT_TRUE(u.Set(kSimCmdProgramMode, {2}));
}

// Model 40: a 1 ms pulse every 10 ms, three of them, through the output selector into input 1.
TEST(SimUnit, StimulatorPulsesLoopBackIntoAnInput) {
    Unit u(40, AllSignals(kSimSignalLoopback));
    ASSERT_TRUE(u.Set(kSimCmdOutputSelect, {4}));
    const Bytes start = {1, 0, 3, 0, 0x12, 0x00, 0x02, 0x00, 0, 0};  // off 4608, width 512 (x 1.953 us)
    EXPECT_EQ(u.Send(kSimCmdStimulator, start), (Bytes{0, 1, 0, 1, 0, 0, 0, 0}));
    u.Record(0x01, 1);
    u.Wait(40 * kMs);
    const Bytes ring = u.ReadRing(0, 160);
    for (uint32_t f = 0; f < 80; ++f) {
        const int16_t expected = (f < 60 && f % 20 < 2) ? 16384 : 0;  // 5 V / 1000 at x1000
        ASSERT_EQ(WordAt(ring, 2 * f), expected) << f;
    }
    const Bytes query = {10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(u.Send(kSimCmdStimulator, query), (Bytes{0, 0, 0, 3, 0, 0, 0, 0})) << "done after three";
}

TEST(SimUnit, AStimulatorStartedWithSamplingWaitsForIt) {
    Unit u(40, AllSignals(kSimSignalLoopback));
    ASSERT_TRUE(u.Set(kSimCmdOutputSelect, {4}));
    const Bytes start = {4, 0, 255, 0, 0x12, 0x00, 0x02, 0x00, 0, 0};
    ASSERT_EQ(u.Send(kSimCmdStimulator, start)[0], 0);
    const Bytes query = {10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(u.Send(kSimCmdStimulator, query)[0], 1) << "counts as started";
    u.Wait(3 * kMs);
    u.Record(0x01, 1);
    u.Wait(kMs);
    EXPECT_EQ(u.ReadRing(0, 4), (Bytes{0x40, 0x00, 0x40, 0x00})) << "the first pulse with the first frame";
    ASSERT_EQ(u.Send(kSimCmdStimulator, Bytes(10, 0))[1], 0) << "stopped";
}

TEST(SimUnit, StimulatorStartsAreCheckedAgainstTheModel) {
    struct {
        const char* what;
        int32_t model;
        uint8_t count;
        uint16_t off, width, delay;
        uint8_t code;
    } cases[] = {
        {"a good start", 40, 2, 50691, 512, 0, 0},
        {"no pulses", 40, 0, 50691, 512, 0, 1},
        {"off count 0", 40, 2, 0, 512, 0, 2},
        {"off count above 51,308", 40, 2, 51309, 512, 0, 3},
        {"off count below 26", 40, 2, 25, 512, 0, 5},
        {"width 0", 40, 2, 50691, 0, 0, 7},
        {"width above 100 ms", 40, 2, 50691, 51201, 0, 8},
        {"delay above 100 ms", 40, 2, 50691, 512, 51201, 9},
        {"off count 10,000 on the second model", 45, 2, 10000, 100, 0, 0},
        {"off count 10,001 on the second model", 45, 2, 10001, 100, 0, 3},
    };
    for (const auto& k : cases) {
        Unit u(k.model);
        const Bytes start = {1,
                             0,
                             k.count,
                             0,
                             static_cast<uint8_t>(k.off >> 8),
                             static_cast<uint8_t>(k.off),
                             static_cast<uint8_t>(k.width >> 8),
                             static_cast<uint8_t>(k.width),
                             static_cast<uint8_t>(k.delay >> 8),
                             static_cast<uint8_t>(k.delay)};
        const Bytes reply = u.Send(kSimCmdStimulator, start);
        ASSERT_EQ(reply.size(), 8u) << k.what;
        EXPECT_EQ(reply[0], k.code) << k.what;
        EXPECT_EQ(reply[1], k.code == 0 ? 1 : 0) << k.what;
    }
    stSimControls c;
    c.stimulatorError = 33;
    Unit refusing(40, c);
    EXPECT_EQ(refusing.Send(kSimCmdStimulator, {1, 0, 2, 0, 0xC6, 0x03, 0x02, 0x00, 0, 0})[0], 33)
        << "the control's code wins";
}

TEST(SimUnit, AnalogOutputLoopsBackThroughTheDivider) {
    Unit u(40, AllSignals(kSimSignalLoopback));
    ASSERT_TRUE(u.Set(kSimCmdOutputSelect, {2}));
    ASSERT_TRUE(u.Set(kSimCmdAnalogOut, {0x33, 0x33, 0}));  // (3.5 V - 2.5 V) x 13107
    EXPECT_EQ(WordAt(u.Send(kSimCmdReadInput, {3}), 0), 11469) << "3.5 V out reads 3.5 mV in, at x1000";

    stSimControls c = AllSignals(kSimSignalLoopback);
    c.signal[2] = kSimSignalDc;  // 1 mV on input 3
    Unit v(40, c);
    ASSERT_TRUE(v.Set(kSimCmdOutputSelect, {3}));
    ASSERT_TRUE(v.Set(kSimCmdGain, {0, 3}));
    EXPECT_EQ(WordAt(v.Send(kSimCmdReadInput, {1}), 0), 328) << "1 mV x100 on input 3 is 0.1 V out, 0.1 mV on input 1";
    ASSERT_TRUE(v.Set(kSimCmdOutputSelect, {5}));
    EXPECT_EQ(WordAt(v.Send(kSimCmdReadInput, {1}), 0), 0) << "an input routed to itself reads nothing";
}

TEST(SimUnit, ElectrodeChecksAnswerTheImpedanceSet) {
    stSimControls c;
    c.impedanceOhms[0] = 5000;
    c.impedanceOhms[1] = 20000;
    Unit u40(40, c);
    const int16_t n = WordAt(u40.Send(kSimCmdElectrode40), 0);
    const double v = n * 2.5 / 32767 + 2.5;  // the library's conversion
    EXPECT_NEAR(v * 100 / (3.85 - v), 5.0, 0.01) << "kilohms";

    Unit u45(45, c);
    const Bytes reference = u45.Send(kSimCmdElectrode45, {0, 0});
    const Bytes reading = u45.Send(kSimCmdElectrode45, {0, 1});
    for (int i = 0; i < 2; ++i) {
        const double ref = static_cast<uint16_t>(WordAt(reference, 2 * i));
        const double value = static_cast<uint16_t>(WordAt(reading, 2 * i));
        EXPECT_NEAR(100 * value / (ref - value), i == 0 ? 5.0 : 20.0, 0.01) << i;
    }
    EXPECT_EQ(u45.Send(kSimCmdElectrode45, {1, 0}), Bytes{kSimNak});
}

TEST(SimUnit, PhysiologicalSignalsArriveScaledByTheGain) {
    Unit u(40);  // ECG, respiration, EMG, pulse wave
    u.Record(0x0F, 2);
    u.Wait(2000 * kMs);
    int16_t peak[4] = {};
    for (uint32_t address = 0; address < 16000; address += 800) {
        const Bytes frames = u.ReadRing(address, 800);
        for (uint32_t at = 0; at < 800; at += 8) {
            for (int i = 0; i < 4; ++i) peak[i] = std::max(peak[i], WordAt(frames, at + 2 * i));
        }
    }
    EXPECT_NEAR(peak[0], 3277, 200) << "1 mV R waves at x1000";
    EXPECT_NEAR(peak[1], 3277, 100) << "respiration, half of 2 mV peak to peak";
    EXPECT_GT(peak[2], 1000) << "EMG bursts";
    EXPECT_NEAR(peak[3], 6554, 300) << "pulse wave";
}

}  // namespace
