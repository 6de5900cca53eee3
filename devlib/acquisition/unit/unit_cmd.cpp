// The unit's commands as the library uses them: the analog inputs' hardware set-up, their
// calibration and one-shot readings.
#include "devlib/acquisition/unit/unit_cmd.h"

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

#include <cmath>
#include <cstring>
#include "common/math_constants.h"

uint32_t g_unitMemorySize = 0;
int32_t g_firmwareAtConnect = 0;
int32_t g_lastProgramMode = 0;
double g_offsetCorrection[4] = {};

namespace {

constexpr double kFilterPeriodVK40 = 0.5;      // ms: the first model filters at 2 kHz
constexpr double kMaxFilterPeriodVK45 = 0.05;  // ms
constexpr double kScaleVK40 = 16384.0;         // coefficients as 16-bit, 2^14
constexpr double kScaleVK45 = 1073741824.0;    // coefficients as 32-bit, 2^30
constexpr double kVoltsPerCountVK45 = 0.00030518043793392844;
constexpr uint16_t kOneShotPeriod = 1;  // 0.5 ms, sent as the period × 2
constexpr uint8_t kModeSingle = 1;
constexpr int32_t kOneShotBytes = 40;  // 20 samples, the last 10 averaged
constexpr int32_t kOneShotAveraged = 10;
constexpr int32_t kAveragedRequests = 4;
constexpr int32_t kAveragedRequestBytes = 100;
constexpr double kCalibrationGain = 1000;
constexpr double kCalibrationLimit = 2.5625;
constexpr double kCalibrationOffset = 0.005;
constexpr double kCalibrationScale = 100;
constexpr int16_t kTypeBandStopLine = 5;
constexpr int16_t kTypeBandStop = 4;

CUnitLink& Link() { return g_unitLink; }

int32_t Set(uint8_t command, uint16_t length, const uint8_t* data) { return Link().SetCommand(command, length, data); }

int32_t SetByte(uint8_t command, uint8_t value) { return Set(command, 1, &value); }

// The input commands name an analog input by its number, 1-4, as the unit's other input
// commands (mode reset, direct readout) do; only the arm command's mask counts from bit 0.
uint8_t UnitInput(int32_t channel) { return static_cast<uint8_t>(channel); }

uint16_t InputMaskBit(int32_t channel) { return static_cast<uint16_t>(1u << (channel - 1)); }

bool IsAnalogChannel(int32_t channel) { return channel >= 1 && channel <= kAnalogChannels; }

// The value at offset 144 of a record scales its hardware offset.
double OffsetScaleOf(const stAcqChan& rec) { return rec.one; }

int32_t Saturate(double v, double low, double high) {
    if (!(v >= low)) return static_cast<int32_t>(low);
    if (v > high) return static_cast<int32_t>(high);
    return static_cast<int32_t>(std::lround(v));
}

}  // namespace

// ---- Pure parts ----

// Bit 0 AC, bit 1 high-pass (second model: 1 -> bit 1, 2 -> 16), bit 2 fourth option off, bit 3 low-pass.
uint8_t InputModeFlags(bool vk45, int16_t coupling, int16_t highPass, int16_t option4, int16_t lowPass) {
    uint8_t flags = 0;
    if (coupling) flags |= 0x01;
    if (!vk45 && highPass != 0)
        flags |= 0x02;
    else if (vk45 && highPass == 1)
        flags |= 0x02;
    else if (vk45 && highPass == 2)
        flags |= 0x10;
    if (option4 == 0) flags |= 0x04;
    if (lowPass != 0) flags |= 0x08;
    return flags;
}

// Counts of the unit's offset step, saturating rather than wrapping.
int16_t OffsetCounts(double volts, double scale, double step) {
    if (scale == 0 || step == 0) return 0;
    return static_cast<int16_t>(Saturate(volts / scale / step, -32768, 32767));
}

// One bilinear second-order section; the unit adds a1 y[n-1] + a2 y[n-2].
int32_t DesignFilter(int16_t type, double hz, double q, double periodMs, stBiquad* out) {
    if (!out) return 0;
    *out = stBiquad{1, 0, 0, 0, 0};
    if (type == kTypeBandStopLine) type = kTypeBandStop;
    if (type <= 0 || type > kTypeBandStop) return 1;
    if (q < 0 || std::isnan(q)) return 0;
    const double k = std::tan(kPi * hz * periodMs / 1000.0);
    // N and K/Q x N; a Q of 0 is their limit as Q falls to 0 (N 0 and K/Q x N 1, unless K is 0).
    double n = k == 0 ? 1.0 : 0.0, kqn = k == 0 ? 0.0 : 1.0;
    if (q > 0) {
        n = 1.0 / (1.0 + k / q + k * k);
        kqn = k / q * n;
    }
    if (!std::isfinite(k) || !std::isfinite(n) || !std::isfinite(kqn)) return 0;
    switch (type) {
    case 1: *out = {k * k * n, 2 * k * k * n, k * k * n, 0, 0}; break;
    case 2: *out = {n, -2 * n, n, 0, 0}; break;
    case 3: *out = {kqn, 0, -kqn, 0, 0}; break;
    default: *out = {(1 + k * k) * n, 2 * (k * k - 1) * n, (1 + k * k) * n, 0, 0}; break;
    }
    out->a1 = 2 * (1 - k * k) * n;
    out->a2 = -(n - kqn + k * k * n);
    return 1;
}

// Channel, slot, then b2 b1 b0 a2 a1 scaled and saturated to the model's width.
uint16_t FilterCommandData(bool vk45, uint8_t channel, uint8_t index, const stBiquad& f, uint8_t* out) {
    const double order[5] = {f.b2, f.b1, f.b0, f.a2, f.a1};
    out[0] = channel;
    out[1] = index;
    uint8_t* at = out + 2;
    for (double c : order) {
        if (vk45) {
            PutBeU32(at, static_cast<uint32_t>(Saturate(c * kScaleVK45, -2147483648.0, 2147483647.0)));
            at += 4;
        } else {
            PutBeU16(at, static_cast<uint32_t>(Saturate(c * kScaleVK40, -32768, 32767)));
            at += 2;
        }
    }
    return static_cast<uint16_t>(at - out);
}

uint32_t RingWriteAddress(const uint8_t reply[3]) { return reply[0] * 256u + reply[1] + reply[2] * 32768u; }

double MeanOfSamples(const uint8_t* bytes, int32_t count) {
    if (count <= 0) return 0;
    double sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += static_cast<int16_t>(GetBeU16(bytes + 2 * i));
    return sum / count;
}

// ---- The inputs' hardware set-up ----

int32_t SetInputMode(stAcq* acq, int32_t channel, int16_t coupling, int16_t highPass, int16_t option4,
                     int16_t lowPass) {
    if (!acq || !IsAnalogChannel(channel)) return 0;
    const uint8_t data[2] = {InputModeFlags(!IsVK40(), coupling, highPass, option4, lowPass), UnitInput(channel)};
    if (!Set(kCmdInputMode, sizeof(data), data)) return 0;
    stAcqChan& rec = acq->chans[channel - 1];
    rec.coupling = coupling;
    rec.highPass = highPass;
    rec.inputOption4 = option4;
    rec.lowPass = lowPass;
    return 1;
}

// The gain code of the model's table (a gain it lacks goes as 200).
int32_t SetInputGain(stAcq* acq, int32_t channel, double gain) {
    if (!acq || !IsAnalogChannel(channel)) return 0;
    const uint8_t data[2] = {static_cast<uint8_t>(GainCodeOf(gain)), UnitInput(channel)};
    if (!Set(kCmdInputGain, sizeof(data), data)) return 0;
    acq->chans[channel - 1].gain = gain;
    return 1;
}

// The offset in counts of the gain's offset step.
int32_t SetInputOffset(stAcq* acq, int32_t channel, double volts) {
    if (!acq || !IsAnalogChannel(channel)) return 0;
    stAcqChan& rec = acq->chans[channel - 1];
    uint8_t data[3];
    PutBeU16(data, static_cast<uint16_t>(OffsetCounts(volts, OffsetScaleOf(rec), FindGainRow(rec.gain)->offsetStep)));
    data[2] = UnitInput(channel);
    if (!Set(kCmdInputOffset, sizeof(data), data)) return 0;
    rec.inputOffset = volts;
    return 1;
}

// The first model filters at its fixed 0.5 ms; the second at the run's period, 0.05 ms at most.
int32_t SetInputFilter(stAcq* acq, int32_t channel, int32_t index, int16_t type, double hz, double q) {
    if (!acq || !IsAnalogChannel(channel) || index < 0 || index > 2) return 0;
    const bool vk45 = !IsVK40();
    double period = kFilterPeriodVK40;
    if (vk45) {
        // Before the first run there is no run period: the set-up's period stands in for it.
        period = acq->runSamplePeriod > 0 ? acq->runSamplePeriod : acq->samplePeriodMs;
        if (!(period > 0) || period > kMaxFilterPeriodVK45) period = kMaxFilterPeriodVK45;
    }
    stBiquad section;
    if (!DesignFilter(type, hz, q, period, &section)) return 0;
    uint8_t data[22];
    const uint16_t length = FilterCommandData(vk45, UnitInput(channel), static_cast<uint8_t>(index), section, data);
    if (!Set(vk45 ? kCmdFilterVK45 : kCmdFilterVK40, length, data)) return 0;
    stFilterSlot& slot = acq->chans[channel - 1].filters[index];
    slot.type = type;
    slot.frequencyHz = hz;
    slot.q = q;
    return 1;
}

// Mode, gain, offset and the three filters of an analog channel, stopping at the first failure.
int32_t ApplyChannelHardware(const stAcqChan* record, stAcq* acq) {
    if (!record || !acq) return 0;
    if (record->group != kGroupAnalog || record->number < 0 || record->number >= kAnalogChannels) return 1;
    const stAcqChan rec = *record;  // the commands store into the record it may be
    const int32_t channel = rec.number + 1;
    if (!SetInputMode(acq, channel, rec.coupling, rec.highPass, rec.inputOption4, rec.lowPass) ||
        !SetInputGain(acq, channel, rec.gain) || !SetInputOffset(acq, channel, rec.inputOffset))
        return 0;
    for (int32_t f = 0; f < 3; ++f) {
        if (!SetInputFilter(acq, channel, f, rec.filters[f].type, rec.filters[f].frequencyHz, rec.filters[f].q))
            return 0;
    }
    return 1;
}

// ---- One-shot readings ----

namespace {

// Raw 16-bit counts to the channel's units through its two scaling points; false when the points
// or the gain give no conversion.
bool CountsToUnits(const stAcqChan& rec, double counts, double* value) {
    const double inputSpan = rec.inValue2 - rec.inValue1;
    if (inputSpan == 0 || !(rec.gain >= 1)) return false;
    const double m = (rec.unitValue2 - rec.unitValue1) / inputSpan;
    const double addend = rec.unitValue2 - m * rec.inValue2;
    *value = addend + m * kInputVoltsPerCount / rec.gain * counts;
    return true;
}

// The newest recorded sample of a displayed channel, while a recording runs.
int32_t NewestRecordedSample(stAcq* acq, int32_t channel, double* value) {
    tagGS* gs = acq->run.attachedGraph;
    const int32_t slot = kFirstAnalogSlot + channel - 1;
    if (!gs || !ChannelInUse(gs, slot) || gs->chanCount[slot] == 0) return 0;
    return HostGetChannelSample(&g_lib.host, gs, static_cast<int32_t>(gs->chanCount[slot] - 1), slot, value) ? 1 : 0;
}

// Period 0.5 ms and the one channel armed.
int32_t ArmSingleChannel(int32_t channel) {
    uint8_t period[2];
    PutBeU16(period, kOneShotPeriod);
    const uint16_t mask = InputMaskBit(channel);
    uint8_t arm[6] = {kModeSingle, 0, 0, 0, 0, 0};
    PutBeU16(arm + 2, mask);
    return Set(kCmdSamplePeriod, sizeof(period), period) && Set(kCmdArm, sizeof(arm), arm);
}

// The bytes that end at the unit's write address, in requests of `chunk` bytes; a read that
// would start before the ring's first byte is refused, and the unit is stopped either way.
int32_t ReadRingTail(uint8_t* out, int32_t bytes, int32_t chunk) {
    uint8_t where[3];
    int32_t ok = Link().QueryCommand(kCmdWriteAddress, 0, nullptr, sizeof(where), where);
    const uint32_t end = ok ? RingWriteAddress(where) : 0;
    ok = ok && end >= static_cast<uint32_t>(bytes) && end - static_cast<uint32_t>(bytes) + bytes - chunk <= 0xFFFF;
    for (int32_t at = 0; ok && at < bytes; at += chunk) {
        uint8_t request[kRingRequestBytes];
        PutBeU16(request, end - static_cast<uint32_t>(bytes) + static_cast<uint32_t>(at));
        PutBeU16(request + 2, static_cast<uint32_t>(chunk));
        ok = Link().QueryCommand(kCmdReadRing, sizeof(request), request, static_cast<uint16_t>(chunk), out + at);
    }
    const int32_t stopped = Set(kCmdStop, 0, nullptr);
    return ok && stopped;
}

// First model: period 0.5 ms, the one channel armed and one shot of frames; the mean of its last
// ten samples in raw counts.
int32_t OneShotMeanVK40(int32_t channel, double* mean) {
    if (!ArmSingleChannel(channel)) return 0;
    Link().Wait(40);
    if (!SetByte(kCmdSampling, kSamplingOneShot)) return 0;
    Link().Wait(20);
    if (!SetByte(kCmdSampling, kSamplingStop)) return 0;
    uint8_t samples[kOneShotBytes];
    if (!ReadRingTail(samples, kOneShotBytes, kOneShotBytes)) return 0;
    *mean = MeanOfSamples(samples + kOneShotBytes - 2 * kOneShotAveraged, kOneShotAveraged);
    return 1;
}

// Second model: the stimulator status first, then a short started run instead of the one-shot.
int32_t OneShotMeanVK45(int32_t channel, double* mean) {
    const uint8_t zeros[10] = {};
    uint8_t status[8];
    if (!Link().QueryCommand(kCmdStimulatorStatus, sizeof(zeros), zeros, sizeof(status), status) ||
        !ArmSingleChannel(channel))
        return 0;
    Link().Wait(10);
    if (!SetByte(kCmdSampling, kSamplingStart)) return 0;
    Link().Wait(20);
    if (!SetByte(kCmdSampling, kSamplingStop)) return 0;
    uint8_t samples[kOneShotBytes];
    if (!ReadRingTail(samples, kOneShotBytes, kOneShotBytes)) return 0;
    *mean = MeanOfSamples(samples + kOneShotBytes - 2 * kOneShotAveraged, kOneShotAveraged);
    return 1;
}

// A value in the channel's units back to volts at the input through its two scaling points.
bool UnitsToInputVolts(const stAcqChan& rec, double units, double* volts) {
    const double valueSpan = rec.unitValue2 - rec.unitValue1;
    if (valueSpan == 0 || !std::isfinite(valueSpan)) return false;
    *volts = rec.inValue1 + (units - rec.unitValue1) * (rec.inValue2 - rec.inValue1) / valueSpan;
    return std::isfinite(*volts);
}

}  // namespace

// First model: a short one-channel run; the value is the mean of its last ten samples in the
// channel's units.
int32_t ReadAnalogInputNow(stAcq* acq, int32_t channel, double* value) {
    if (!acq || !IsAnalogChannel(channel) || !value) return 0;
    if (acq->run.running) return NewestRecordedSample(acq, channel, value);
    double mean = 0;
    if (!OneShotMeanVK40(channel, &mean)) return 0;
    return CountsToUnits(acq->chans[channel - 1], mean, value) ? 1 : 0;
}

// Second model: the stimulator status first, a started run instead of the one-shot, and the value
// in volts at the input.
int32_t ReadAnalogInputNowVK45(stAcq* acq, int32_t channel, double* value) {
    if (!acq || !IsAnalogChannel(channel) || !value) return 0;
    if (acq->run.running) return NewestRecordedSample(acq, channel, value);
    const double gain = acq->chans[channel - 1].gain;
    double mean = 0;
    if (!(gain >= 1) || !OneShotMeanVK45(channel, &mean)) return 0;
    *value = mean * kVoltsPerCountVK45 / gain;
    return 1;
}

// Volts at the input on either model. The unit first takes the channel's own set-up, so the gain
// that turns its counts into volts is the one it amplified with; the counts become volts as a
// recorded sample's do on both models, so that a scaling point read here is where a recording
// puts that input. During a recording the newest sample is turned back from the channel's units.
int32_t ReadAnalogInputVolts(stAcq* acq, int32_t channel, double* volts) {
    if (!acq || !IsAnalogChannel(channel) || !volts) return 0;
    const stAcqChan& rec = acq->chans[channel - 1];
    if (acq->run.running) {
        double units = 0;
        return NewestRecordedSample(acq, channel, &units) && UnitsToInputVolts(rec, units, volts) ? 1 : 0;
    }
    if (!(rec.gain >= 1) || !ApplyChannelHardware(&rec, acq)) return 0;
    double mean = 0;
    if (!(IsVK40() ? OneShotMeanVK40(channel, &mean) : OneShotMeanVK45(channel, &mean))) return 0;
    *volts = mean * kInputVoltsPerCount / rec.gain;
    return 1;
}

// The scaling dialog's "Cal" buttons name the analog input 0-3.
int32_t ReadInputVoltsForScaling(stAcq* acq, int32_t input, double* volts) {
    return ReadAnalogInputVolts(acq, input + 1, volts);
}

// The channel's own set-up, a longer run and 200 samples averaged.
int32_t ReadAnalogInputAveraged(stAcq* acq, int32_t channel, double* value) {
    if (!acq || !IsAnalogChannel(channel) || !value) return 0;
    if (!ApplyChannelHardware(&acq->chans[channel - 1], acq) || !ArmSingleChannel(channel)) return 0;
    Link().Wait(10);
    if (!SetByte(kCmdSampling, kSamplingStart)) return 0;
    Link().Wait(120);
    if (!SetByte(kCmdSampling, kSamplingStop)) return 0;
    constexpr int32_t bytes = kAveragedRequests * kAveragedRequestBytes;
    uint8_t samples[bytes];
    if (!ReadRingTail(samples, bytes, kAveragedRequestBytes)) return 0;
    const double mean = MeanOfSamples(samples, bytes / 2);
    const stAcqChan& rec = acq->chans[channel - 1];
    if (IsVK40()) return CountsToUnits(rec, mean, value) ? 1 : 0;
    if (!(rec.gain >= 1)) return 0;
    *value = mean * kVoltsPerCountVK45 / rec.gain;
    return 1;
}

// The model's own one-shot reading.
int32_t ReadAnalogInput(stAcq* acq, int32_t channel, double* value) {
    return IsVK40() ? ReadAnalogInputNow(acq, channel, value) : ReadAnalogInputNowVK45(acq, channel, value);
}

// The ring's newest bytes, for the one-shot readings of other files.
int32_t ReadUnitRingTail(uint8_t* out, int32_t bytes, int32_t chunk) { return ReadRingTail(out, bytes, chunk); }

// One reading of an analog input for the program, over the locked record.
int32_t CVK40Fix::GetAnalogData(int channel, double* value) {
    AcqLock acq(g_lib.hAcq);
    return acq ? ReadAnalogInput(acq.get(), channel, value) : 0;
}

// ---- Calibration ----

namespace {

// Each input read once, by model.
int32_t ReadAllInputs(stAcq* acq, double readings[kAnalogChannels]) {
    for (int32_t i = 0; i < kAnalogChannels; ++i) {
        if (!ReadAnalogInput(acq, i + 1, &readings[i])) return 0;
    }
    return 1;
}

int32_t SetAllOffsets(stAcq* acq, double volts) {
    for (int32_t i = 0; i < kAnalogChannels; ++i) {
        if (!SetInputOffset(acq, i + 1, volts)) return 0;
    }
    return 1;
}

// Gain 1000 and unit scaling over the calibration's input limits.
int32_t PrepareForCalibration(stAcq* acq) {
    for (int32_t i = 0; i < kAnalogChannels; ++i) {
        if (!SetInputGain(acq, i + 1, kCalibrationGain)) return 0;
        stAcqChan& rec = acq->chans[i];
        rec.inValue1 = rec.unitValue1 = -kCalibrationLimit;
        rec.inValue2 = rec.unitValue2 = kCalibrationLimit;
    }
    return 1;
}

int32_t MeasureOffsets(stAcq* acq, double low[kAnalogChannels], double high[kAnalogChannels]) {
    if (!SetInputMode(acq, 1, 0, 0, 1, 0) || !PrepareForCalibration(acq) || !SetAllOffsets(acq, -kCalibrationOffset))
        return 0;
    Link().Wait(5);
    if (!ReadAllInputs(acq, low) || !SetAllOffsets(acq, kCalibrationOffset)) return 0;
    Link().Wait(10);
    return ReadAllInputs(acq, high) && SetInputMode(acq, 1, 0, 0, 0, 0);
}

}  // namespace

// Measures each input's response to a known offset step. The channel records are put back as
// they were whatever happens, so a failed calibration leaves no calibration settings behind.
int32_t CalibrateInputs(stAcq* acq) {
    if (!acq) return 0;
    stAcqChan saved[kAnalogChannels];
    for (int32_t i = 0; i < kAnalogChannels; ++i) {
        if (!ApplyChannelHardware(&acq->chans[i], acq)) return 0;
        saved[i] = acq->chans[i];
    }
    double low[kAnalogChannels] = {};
    double high[kAnalogChannels] = {};
    const int32_t measured = MeasureOffsets(acq, low, high);
    for (int32_t i = 0; i < kAnalogChannels; ++i) acq->chans[i] = saved[i];
    if (!measured) return 0;
    for (int32_t i = 0; i < kAnalogChannels; ++i) {
        g_offsetCorrection[i] = (high[i] - low[i]) * kCalibrationScale;
        if (!ApplyChannelHardware(&acq->chans[i], acq)) return 0;
    }
    g_scaling.Refresh(acq);
    return 1;
}
