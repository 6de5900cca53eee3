// The simulated unit: command handling, sampling into its rings, its outputs and stimulator.
#include "devlib/simulated/simunit.h"

#include "devlib/simulated/simpacket.h"
#include "devlib/simulated/simring.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

struct stGainRow {
    uint32_t code;
    uint32_t gain;
};

constexpr stGainRow kGains40[] = {{0, 100},  {1, 200},  {2, 500},   {3, 1000},  {4, 2000},
                                  {5, 2500}, {6, 5000}, {7, 10000}, {8, 25000}, {9, 50000}};
constexpr stGainRow kGains45[] = {{10, 10},  {11, 20},  {12, 50},  {0, 100},   {1, 200},   {2, 500},
                                  {3, 1000}, {4, 2000}, {6, 5000}, {7, 10000}, {8, 20000}, {9, 50000}};
constexpr uint8_t kPowerOnGainCode = 3;  // x1000 on both models

// The commands the unit takes, with their data length and the part of the unit that runs them;
// a model of 0 takes it on both.
enum class Group { Sampling, Input, Memory, Output, Reading };

struct stCommandShape {
    uint8_t command;
    int16_t length;  // -1: none or one byte
    int16_t model;
    Group group;
};

constexpr stCommandShape kShapes[] = {
    {kSimCmdArm, 6, 0, Group::Sampling},
    {kSimCmdAnalogOut, 3, 0, Group::Output},
    {kSimCmdDigitalOut, 2, 0, Group::Output},
    {kSimCmdWriteAddress, 0, 0, Group::Sampling},
    {kSimCmdStop, -1, 0, Group::Sampling},
    {kSimCmdReadRing, 4, 0, Group::Sampling},
    {kSimCmdReference, 3, 0, Group::Input},
    {kSimCmdGain, 2, 0, Group::Input},
    {kSimCmdOffset, 3, 0, Group::Input},
    {kSimCmdInputMode, 2, 0, Group::Input},
    {kSimCmdStatus, 0, 0, Group::Sampling},
    {kSimCmdConvert, 0, 0, Group::Input},
    {kSimCmdFilter40, 12, 40, Group::Input},
    {kSimCmdPeriod, 2, 0, Group::Sampling},
    {kSimCmdReadMemory, 4, 0, Group::Memory},
    {kSimCmdFirmwareBlock, 122, 0, Group::Memory},
    {kSimCmdDescription, 0, 0, Group::Memory},
    {kSimCmdProgramMode, 1, 0, Group::Memory},
    {kSimCmdElectrode40, 0, 40, Group::Reading},
    {kSimCmdConversion, 0, 0, Group::Reading},
    {kSimCmdStoreDescription, 128, 0, Group::Memory},
    {kSimCmdOutputSelect, 1, 0, Group::Output},
    {kSimCmdSampling, 1, 0, Group::Sampling},
    {kSimCmdReadInput, 1, 0, Group::Reading},
    {kSimCmdSetting, 1, 0, Group::Memory},
    {kSimCmdSecondLine, 0, 0, Group::Memory},
    {kSimCmdStimulator, 10, 0, Group::Output},
    {kSimCmdMemorySize, 0, 0, Group::Sampling},
    {kSimCmdRunSetup, 4, 0, Group::Sampling},
    {kSimCmdGo, 1, 0, Group::Sampling},
    {kSimCmdRecorded, 0, 0, Group::Sampling},
    {kSimCmdReadMemoryFast, 5, 0, Group::Sampling},
    {kSimCmdProgress, 0, 45, Group::Sampling},
    {kSimCmdFilter45, 22, 45, Group::Input},
    {kSimCmdElectrode45, 2, 45, Group::Reading},
    {kSimCmdStimReference, 2, 45, Group::Output},
};

constexpr uint64_t kHalfMsNs = 500000;
constexpr uint64_t kNoiseStepNs = 10000;
constexpr uint64_t kRateStepNs = 400000;  // one step of the high-speed rate code: 2,500 Hz
constexpr uint32_t kMaxRateCode = 40;     // 100 kHz
constexpr uint64_t kMaxTriggerScan = 1000000;
constexpr uint32_t kStreamLimit = 65536;

// Mode byte bits of command 2.
constexpr uint8_t kModeWaitForStart = 0x80;
constexpr uint8_t kModeRisingSlope = 0x40;
constexpr uint8_t kModeChannelTrigger = 0x10;
constexpr uint32_t kTriggerInput40 = 3;  // the first model's trigger input: its fourth

// Status byte 1 of command 51.
constexpr uint8_t kStatusReady = 0x80;
constexpr uint8_t kStatusConverting = 0x08;
constexpr uint8_t kStatusSampling = 0x04;
constexpr uint8_t kStatusDataFlowing = 0x02;
constexpr uint8_t kStatusArmed = 0x01;

// Bytes the unit sends unasked on the data stream.
constexpr uint8_t kStreamRunComplete = 6;
constexpr uint8_t kStreamStartSignal = 7;

// Command 71's refusals.
constexpr uint8_t kSetupBadRate = 1;
constexpr uint8_t kSetupBadSize = 2;
constexpr uint8_t kSetupNotArmed = 3;

// The stimulator: its count resolution and the limits of its off count, per model.
constexpr uint64_t kStimResolution40Ps = 1953125;   // 1/512 ms
constexpr uint64_t kStimResolution45Ps = 10000000;  // 0.01 ms
constexpr uint32_t kOffMin40 = 26;
constexpr uint32_t kOffMax40 = 51308;
constexpr uint32_t kOffMin45 = 1;
constexpr uint32_t kOffMax45 = 10000;
constexpr uint64_t kHundredMsPs = 100000000000ull;
constexpr uint8_t kStimContinuous = 255;
constexpr uint8_t kStimStop = 0;
constexpr uint8_t kStimStart = 1;
constexpr uint8_t kStimWithSampling = 4;
constexpr uint8_t kStimQuery = 10;
// Start refusals, as the library's stimulator error table names them.
constexpr uint8_t kStimErrNoPulses = 1;
constexpr uint8_t kStimErrOffZero = 2;
constexpr uint8_t kStimErrOffLarge = 3;
constexpr uint8_t kStimErrOffSmall = 5;
constexpr uint8_t kStimErrWidthSmall = 7;
constexpr uint8_t kStimErrWidthLarge = 8;
constexpr uint8_t kStimErrDelay = 9;

// Output levels.
constexpr double kPulseHigh40 = 5.0;
constexpr double kPulseHigh45 = 4.0959;
constexpr double kDacMid40 = 2.5;
constexpr double kDacCodesPerVolt40 = 13107.0;
constexpr double kDacMid45 = 2.04795;
constexpr double kDacCodesPerVolt45 = 16000.390634536974;
constexpr double kAmplifierLimit = 10.0;

// Output selector values of command 62.
constexpr uint8_t kOutAmplifierInput = 0;
constexpr uint8_t kOutFilteredDac = 1;
constexpr uint8_t kOutRawDac = 2;
constexpr uint8_t kOutChannel3 = 3;
constexpr uint8_t kOutPulses = 4;
constexpr uint8_t kOutChannel1 = 5;
constexpr uint8_t kOutChannel2 = 6;
constexpr uint8_t kOutChannel4 = 7;

// The electrode checks: model 40 answers a voltage over a 100 kilohm reference with a 3.85 V
// ceiling; model 45 answers a reading under a reference value per input.
constexpr double kElectrodeCeiling = 3.85;
constexpr double kElectrodeMid = 2.5;
constexpr double kElectrodeReferenceKOhm = 100.0;
constexpr uint16_t kElectrodeReference45 = 28000;

constexpr char kSecondLine40[] = "Firmware 2.10, hardware rev. C";
constexpr char kSecondLine45[] = "Firmware 4.02, hardware rev. A";
constexpr uint32_t kSecondLineBytes = 30;
constexpr uint32_t kDescriptionReply = 120;
constexpr uint32_t kFirmwareBlock = 120;

uint32_t Ack(uint8_t* reply) {
    reply[0] = kSimAck;
    return 1;
}

uint32_t BitCount(uint32_t v) {
    uint32_t n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

const stCommandShape* FindShape(uint8_t command) {
    for (const stCommandShape& s : kShapes) {
        if (s.command == command) return &s;
    }
    return nullptr;
}

// Inputs are numbered 1-4 in the unit's commands.
bool InputIndex(uint8_t channel, uint32_t* index) {
    if (channel < 1 || channel > kSimInputs) return false;
    *index = channel - 1u;
    return true;
}

int16_t Signed16(const uint8_t* in) { return static_cast<int16_t>(GetBeU16(in)); }

}  // namespace

uint32_t SimGainForCode(int32_t model, uint32_t code) {
    const stGainRow* rows = model == 45 ? kGains45 : kGains40;
    const size_t count = model == 45 ? std::size(kGains45) : std::size(kGains40);
    for (size_t i = 0; i < count; ++i) {
        if (rows[i].code == code) return rows[i].gain;
    }
    return 0;
}

double SimOffsetStep(int32_t model, uint32_t gain) {
    if (model != 45) return 3.125e-7;
    if (gain < 100) return 8.2372323e-6;
    return gain < 1000 ? 8.2372323e-7 : 3.2076985e-7;
}

// Power-on: empty memories, the inputs at x1000, the description from the controls or the model's.
CSimUnit::CSimUnit(int32_t model, const stSimControls& controls, uint64_t nowNs)
    : m_model(model == 45 ? 45 : 40),
      m_ring(kSimRingBytes),
      m_memory(m_model == 45 ? kSimMemoryBytes45 : kSimMemoryBytes40),
      m_program(kSimProgramBytes),
      m_powerOnNs(nowNs) {
    std::fill(std::begin(m_gainCode), std::end(m_gainCode), kPowerOnGainCode);
    const char* text = controls.hasDescription ? controls.description
                       : m_model == 45         ? "Model VK45 acquisition unit, serial 45-000212"
                                               : "Model VK40 acquisition unit, serial 40-000417";
    memcpy(m_description, text, std::min<size_t>(strlen(text), sizeof(m_description)));
}

// Frames fall due at whole periods after the start; each is written as the unit would have.
void CSimUnit::Advance(uint64_t nowNs, const stSimControls& c) {
    if (m_run == Run::Idle || nowNs < m_startNs) return;
    const uint64_t due = SimFramesDue(nowNs - m_startNs, m_periodNs);
    if (due <= m_framesDone) return;
    const uint64_t first = m_framesDone;
    m_framesDone = due;
    WriteFrames(first, due, c);
}

// The command's shape decides whether the unit takes it at all; a refusal answers 0x15.
uint32_t CSimUnit::Execute(uint8_t command, const uint8_t* data, uint32_t length, uint64_t nowNs,
                           const stSimControls& c, uint8_t* reply, uint32_t capacity) {
    if (!reply || capacity == 0) return 0;
    Advance(nowNs, c);
    const stCommandShape* shape = FindShape(command);
    const bool fits = shape && (shape->length < 0 ? length <= 1 : length == static_cast<uint32_t>(shape->length)) &&
                      (shape->model == 0 || shape->model == m_model);
    uint32_t r = 0;
    if (fits) {
        switch (shape->group) {
        case Group::Sampling: r = SamplingCommand(command, data, nowNs, c, reply, capacity); break;
        case Group::Input: r = InputCommand(command, data, reply); break;
        case Group::Memory: r = MemoryCommand(command, data, reply, capacity); break;
        case Group::Output: r = OutputCommand(command, data, nowNs, c, reply); break;
        case Group::Reading: r = ReadingCommand(command, data, nowNs, c, reply); break;
        }
    }
    if (r == 0) {  // refused
        reply[0] = kSimNak;
        r = 1;
    }
    return r;
}

// Sampling, the rings and the run set-up.
uint32_t CSimUnit::SamplingCommand(uint8_t command, const uint8_t* data, uint64_t nowNs, const stSimControls& c,
                                   uint8_t* reply, uint32_t capacity) {
    const uint32_t fastRing = m_runBytes ? m_runBytes : MemoryBytes();
    switch (command) {
    case kSimCmdArm: return Arm(data) ? Ack(reply) : 0;
    case kSimCmdWriteAddress: SimWriteAddress(m_ringTotal, reply); return 3;
    case kSimCmdStop: return Stop(reply);
    case kSimCmdReadRing: {
        const uint32_t count = GetBeU16(data + 2);
        if (count == 0 || count > capacity || count > kSimMaxReply) return 0;
        SimRingRead(m_ring.data(), kSimRingBytes, GetBeU16(data), reply, count);
        return count;
    }
    case kSimCmdStatus: return Status(c, reply);
    case kSimCmdPeriod:
        if (GetBeU16(data) == 0) return 0;
        m_periodSteps = GetBeU16(data);
        return Ack(reply);
    case kSimCmdSampling: return Sample(data[0], nowNs, c, reply);
    case kSimCmdMemorySize: PutBeU24(reply, MemoryBytes()); return 3;
    case kSimCmdRunSetup: return HighSpeedSetup(data, reply);
    case kSimCmdGo: return Go(data[0], nowNs, reply);
    case kSimCmdRecorded:
        PutBeU24(reply, static_cast<uint32_t>(std::min<uint64_t>(m_memoryTotal, m_runBytes) + c.recordedBytesExtra));
        return 3;
    case kSimCmdReadMemoryFast: {
        const uint32_t count = GetBeU16(data + 3);
        if (count == 0 || count > capacity || count > kSimMaxReply) return 0;
        SimRingRead(m_memory.data(), fastRing, GetBeU24(data), reply, count);
        return count;
    }
    case kSimCmdProgress:
        PutBeU32(reply, static_cast<uint32_t>(m_memoryTotal % fastRing));
        PutBeU32(reply + 4, static_cast<uint32_t>(m_memoryTotal / fastRing));
        return 8;
    default: return 0;
    }
}

// Gains, offsets, input modes, filters and the reference: stored per input as the unit keeps them.
uint32_t CSimUnit::InputCommand(uint8_t command, const uint8_t* data, uint8_t* reply) {
    uint32_t input = 0;
    switch (command) {
    case kSimCmdGain:
        if (!InputIndex(data[1], &input) || SimGainForCode(m_model, data[0]) == 0) return 0;
        m_gainCode[input] = data[0];
        return Ack(reply);
    case kSimCmdOffset:
        if (!InputIndex(data[2], &input)) return 0;
        m_offsetCounts[input] = Signed16(data);
        return Ack(reply);
    case kSimCmdInputMode:
        if (!InputIndex(data[1], &input)) return 0;
        m_inputFlags[input] = data[0];
        return Ack(reply);
    case kSimCmdFilter40:
    case kSimCmdFilter45: {
        if (!InputIndex(data[0], &input) || data[1] > 2) return 0;
        const bool wide = command == kSimCmdFilter45;
        for (uint32_t k = 0; k < 5; ++k) {
            const uint8_t* at = data + 2 + k * (wide ? 4 : 2);
            m_filter[input][data[1]][k] =
                wide ? static_cast<int32_t>(GetBeU32(at)) : Signed16(at);
        }
        return Ack(reply);
    }
    case kSimCmdReference:
        m_referenceCounts = Signed16(data);
        m_referenceByte = data[2];
        return Ack(reply);
    case kSimCmdConvert: m_converting = true; return Ack(reply);
    default: return 0;
    }
}

// Identity, the description memory and the firmware memory.
uint32_t CSimUnit::MemoryCommand(uint8_t command, const uint8_t* data, uint8_t* reply, uint32_t capacity) {
    switch (command) {
    case kSimCmdReadMemory: {
        const uint32_t address = GetBeU16(data);
        const uint32_t count = GetBeU16(data + 2);
        if (count == 0 || count > capacity || address + count > m_program.size()) return 0;
        memcpy(reply, m_program.data() + address, count);
        return count;
    }
    case kSimCmdFirmwareBlock: {
        const uint32_t offset = GetBeU16(data);
        if (offset + kFirmwareBlock > m_program.size()) return 0;
        memcpy(m_program.data() + offset, data + 2, kFirmwareBlock);
        return Ack(reply);
    }
    case kSimCmdDescription:
        if (capacity < kDescriptionReply) return 0;
        memcpy(reply, m_description, kDescriptionReply);
        return kDescriptionReply;
    case kSimCmdStoreDescription: memcpy(m_description, data, sizeof(m_description)); return Ack(reply);
    case kSimCmdSecondLine: {
        if (capacity < kSecondLineBytes) return 0;
        const char* text = m_model == 45 ? kSecondLine45 : kSecondLine40;
        memset(reply, 0, kSecondLineBytes);
        memcpy(reply, text, std::min<size_t>(strlen(text), kSecondLineBytes));
        return kSecondLineBytes;
    }
    case kSimCmdProgramMode:
        if (data[0] != 1 && data[0] != 2) return 0;
        m_programMode = data[0];
        return Ack(reply);
    case kSimCmdSetting: m_settingByte = data[0]; return Ack(reply);
    default: return 0;
    }
}

// The analog and digital outputs, the output selector and the stimulator.
uint32_t CSimUnit::OutputCommand(uint8_t command, const uint8_t* data, uint64_t nowNs, const stSimControls& c,
                                 uint8_t* reply) {
    switch (command) {
    case kSimCmdAnalogOut: m_outputCode = Signed16(data); return Ack(reply);
    case kSimCmdDigitalOut:
        if (data[0] >= std::size(m_digitalOut)) return 0;
        m_digitalOut[data[0]] = data[1];
        return Ack(reply);
    case kSimCmdOutputSelect:
        if (data[0] > kOutChannel4) return 0;
        m_outputSelector = data[0];
        return Ack(reply);
    case kSimCmdStimulator: return Stimulator(data, nowNs, c, reply);
    case kSimCmdStimReference:
        m_stimReference[0] = data[0];
        m_stimReference[1] = data[1];
        return Ack(reply);
    default: return 0;
    }
}

// Readings outside a run: the electrode checks and the direct input readouts.
uint32_t CSimUnit::ReadingCommand(uint8_t command, const uint8_t* data, uint64_t nowNs, const stSimControls& c,
                                  uint8_t* reply) {
    const stInstant now = NowInstant(nowNs);
    uint32_t input = 0;
    switch (command) {
    case kSimCmdElectrode40: {
        const double z = c.impedanceOhms[0] / 1000.0;
        const double v = kElectrodeCeiling * z / (kElectrodeReferenceKOhm + z);
        PutBeU16(reply, static_cast<uint16_t>(
                              static_cast<int16_t>(std::lround((v - kElectrodeMid) * 32767.0 / kElectrodeMid))));
        return 2;
    }
    case kSimCmdElectrode45:
        if (data[0] != 0 || data[1] > 1) return 0;
        for (uint32_t i = 0; i < 2; ++i) {
            const double z = c.impedanceOhms[i] / 1000.0;
            const double reading =
                data[1] ? kElectrodeReference45 * z / (kElectrodeReferenceKOhm + z) : kElectrodeReference45;
            PutBeU16(reply + 2 * i, static_cast<uint32_t>(std::lround(reading)));
        }
        return 4;
    case kSimCmdConversion:
        m_converting = false;
        for (uint32_t i = 0; i < kSimInputs; ++i)
            PutBeU16(reply + 2 * i, static_cast<uint16_t>(InputWord(i, now, c)));
        return 8;
    case kSimCmdReadInput:
        if (!InputIndex(data[0], &input)) return 0;
        PutBeU16(reply, static_cast<uint16_t>(InputWord(input, now, c)));
        return 2;
    default: return 0;
    }
}

// Command 2: mode byte, 0, the analog mask (inputs 1-4 as bits 0-3), the digital byte, 0.
uint32_t CSimUnit::Arm(const uint8_t* data) {
    const uint32_t mask = GetBeU16(data + 2);
    if (mask & ~0xFu) return 0;
    m_mode = data[0];
    m_analogMask = static_cast<uint16_t>(mask);
    m_digitalMask = data[4];
    m_armed = true;
    return 1;
}

// Command 64: 1 starts sampling at the period set (the high-speed rate after command 72 with 2),
// 10 writes one shot of frames at once, 0 stops.
uint32_t CSimUnit::Sample(uint8_t what, uint64_t nowNs, const stSimControls& c, uint8_t* reply) {
    if (what == 0) {
        m_run = Run::Idle;
        return Ack(reply);
    }
    if ((what != 1 && what != 10) || !m_armed || FrameBytes() == 0) return 0;
    if (what == 1 && m_highSpeedGo)
        StartRun(Run::HighSpeed, nowNs, kRateStepNs / m_rateCode);
    else
        StartRun(Run::HostPaced, nowNs, m_periodSteps * kHalfMsNs);
    if (what == 10) {
        m_waiting = false;
        m_framesDone = kSimOneShotFrames;
        StoreFrames(0, kSimOneShotFrames, c);
        m_run = Run::Idle;
    }
    return Ack(reply);
}

// Command 18: sampling stops and the unit is no longer armed; what a run recorded stays readable.
uint32_t CSimUnit::Stop(uint8_t* reply) {
    m_run = Run::Idle;
    m_armed = false;
    m_highSpeedGo = false;
    return Ack(reply);
}

// Command 51: byte 0 bit 0 while sampling; byte 1 the state bits; bytes 2-3 the error code.
uint32_t CSimUnit::Status(const stSimControls& c, uint8_t* reply) {
    const bool sampling = m_run != Run::Idle;
    uint8_t bits = c.statusNotReady ? 0 : kStatusReady;
    if (m_armed) bits |= kStatusArmed;
    if (sampling) bits |= kStatusSampling;
    if (sampling && !m_waiting) bits |= kStatusDataFlowing;
    if (m_converting) bits |= kStatusConverting;
    m_converting = false;  // a conversion is done by the time anyone asks twice
    reply[0] = sampling ? 1 : 0;
    reply[1] = bits;
    PutBeU16(reply + 2, c.statusError);
    return 4;
}

// Command 71: the rate in steps of 2,500 Hz and the bytes of the run (the ring of a high-speed
// run, the whole recording of a unit-paced one). The 1-byte answer is 0 when accepted.
uint32_t CSimUnit::HighSpeedSetup(const uint8_t* data, uint8_t* reply) {
    const uint8_t rate = data[0];
    const uint32_t bytes = GetBeU24(data + 1);
    uint8_t code = 0;
    if (rate == 0 || rate > kMaxRateCode)
        code = kSetupBadRate;
    else if (bytes == 0 || bytes > MemoryBytes())
        code = kSetupBadSize;
    else if (!m_armed || FrameBytes() == 0)
        code = kSetupNotArmed;
    if (code == 0) {
        m_rateCode = rate;
        m_runBytes = bytes;
    }
    reply[0] = code;
    return 1;
}

// Command 72: 2 readies a host-paced high-speed run (model 45), 1 starts a unit-paced one now.
uint32_t CSimUnit::Go(uint8_t what, uint64_t nowNs, uint8_t* reply) {
    if (what != 1 && what != 2) return 0;
    reply[0] = m_rateCode == 0 || !m_armed ? 1 : 0;
    if (what == 2 && m_model != 45) reply[0] = 1;
    if (reply[0] != 0) return 1;
    if (what == 2)
        m_highSpeedGo = true;
    else
        StartRun(Run::UnitPaced, nowNs, kRateStepNs / m_rateCode);
    return 1;
}

// A run's clock starts now; a stimulator set to start with sampling starts with it.
void CSimUnit::StartRun(Run run, uint64_t nowNs, uint64_t periodNs) {
    m_run = run;
    m_startNs = nowNs;
    m_periodNs = periodNs;
    m_framesDone = 0;
    m_waiting = (m_mode & kModeWaitForStart) != 0;
    m_dataStart = 0;
    m_haveTriggerWord = false;
    if (run == Run::HostPaced)
        m_ringTotal = 0;
    else
        m_memoryTotal = 0;
    if (m_stim.mode == kStimWithSampling) {
        m_stim.mode = kStimStart;
        m_stim.startNs = nowNs;
    }
}

// Frames first..end-1 fell due: before the start signal they only look for it; a stalled ring
// loses them; otherwise they are written.
void CSimUnit::WriteFrames(uint64_t first, uint64_t end, const stSimControls& c) {
    if (m_waiting) {
        if (end - first > kMaxTriggerScan) first = end - kMaxTriggerScan;
        while (first < end && !Triggered(first, c)) ++first;
        if (first == end) return;
        m_waiting = false;
        m_dataStart = first;
        if (m_run == Run::UnitPaced) QueueStream(&kStreamStartSignal, 1);
    }
    if (c.ringStalled) return;
    StoreFrames(first, end, c);
}

// The start signal: a crossing of the reference level by the reference input in the slope's
// direction, or the external signal at its frame. The first model has one trigger input, its
// fourth; the second takes the input the reference byte names.
bool CSimUnit::Triggered(uint64_t frame, const stSimControls& c) {
    if (!(m_mode & kModeChannelTrigger)) return frame >= c.externalTriggerFrame;
    uint32_t input = kTriggerInput40;
    if (m_model == 45) InputIndex(m_referenceByte, &input);
    const int16_t word = InputWord(input, FrameInstant(frame), c);
    const int16_t last = m_haveTriggerWord ? m_lastTriggerWord : word;
    m_lastTriggerWord = word;
    m_haveTriggerWord = true;
    if (m_mode & kModeRisingSlope) return last < m_referenceCounts && word >= m_referenceCounts;
    return last > m_referenceCounts && word <= m_referenceCounts;
}

// Writes frames into the run's ring. A backlog larger than the ring writes only the frames that
// survive in it; a unit-paced run ends when its bytes are recorded.
void CSimUnit::StoreFrames(uint64_t first, uint64_t end, const stSimControls& c) {
    const uint32_t size = FrameBytes();
    if (size == 0 || first >= end) return;
    const bool hostPaced = m_run == Run::HostPaced;
    uint8_t* ring = hostPaced ? m_ring.data() : m_memory.data();
    const uint32_t ringSize = hostPaced ? kSimRingBytes : (m_runBytes ? m_runBytes : MemoryBytes());
    uint64_t& total = hostPaced ? m_ringTotal : m_memoryTotal;
    if (m_run == Run::UnitPaced) {
        const uint64_t left = (m_runBytes - std::min<uint64_t>(m_memoryTotal, m_runBytes) + size - 1) / size;
        end = std::min(end, first + left);
    } else if (end - first > ringSize / size + 1) {
        const uint64_t skip = end - first - (ringSize / size + 1);
        total += skip * size;
        first += skip;
    }
    uint8_t frame[2 * (kSimInputs + 1)];
    for (uint64_t f = first; f < end; ++f) {
        BuildFrame(FrameInstant(f), c, frame);
        const uint32_t room =
            m_run == Run::UnitPaced ? static_cast<uint32_t>(std::min<uint64_t>(size, m_runBytes - total)) : size;
        SimRingWrite(ring, ringSize, &total, frame, room);
    }
    if (m_run == Run::UnitPaced && m_memoryTotal >= m_runBytes) {
        m_run = Run::Idle;
        m_armed = false;
        QueueStream(&kStreamRunComplete, 1);
    }
}

// Signals run on the unit's clock from power-on, so they go on across runs and one-shot readings
// rather than starting again with each; noise is indexed in 10-microsecond steps, the shortest
// period. The counting pattern alone counts the run's frames.
CSimUnit::stInstant CSimUnit::FrameInstant(uint64_t frame) const {
    stInstant at = NowInstant(m_startNs + frame * m_periodNs);
    at.counting = frame - m_dataStart;
    return at;
}

CSimUnit::stInstant CSimUnit::NowInstant(uint64_t nowNs) const {
    const uint64_t since = nowNs > m_powerOnNs ? nowNs - m_powerOnNs : 0;
    return {nowNs, since / 1e9, since / kNoiseStepNs, since / kHalfMsNs};
}

// Two bytes per armed input, two for the digital word.
uint32_t CSimUnit::FrameBytes() const { return 2 * BitCount(m_analogMask & 0xFu) + (m_digitalMask ? 2 : 0); }

// The armed inputs' words in input order, then the digital word, all big-endian.
void CSimUnit::BuildFrame(const stInstant& at, const stSimControls& c, uint8_t* out) const {
    for (uint32_t i = 0; i < kSimInputs; ++i) {
        if (m_analogMask & (1u << i)) {
            PutBeU16(out, static_cast<uint16_t>(InputWord(i, at, c)));
            out += 2;
        }
    }
    if (m_digitalMask) PutBeU16(out, DigitalWord(at, c));
}

stSimSignal CSimUnit::SignalOf(uint32_t input, const stSimControls& c) const {
    return SimSignalWithDefaults(c.signal[input], c.amplitudeUv[input] * 1e-6, c.frequencyMilliHz[input] / 1000.0,
                                 c.noiseSeed);
}

// The counting pattern as it is; everything else as volts through the input's offset and gain.
int16_t CSimUnit::InputWord(uint32_t input, const stInstant& at, const stSimControls& c) const {
    if (c.signal[input] == kSimSignalCounting) return static_cast<int16_t>(SimCountingWord(at.counting, input));
    double volts = c.signal[input] == kSimSignalLoopback ? OutputVolts(at, c) / kSimLoopbackDivider
                                                         : SimSignalVolts(SignalOf(input, c), at.t, at.n, input);
    volts += OffsetVolts(input);
    return SimVoltsToWord(volts, SimGainForCode(m_model, m_gainCode[input]));
}

double CSimUnit::OffsetVolts(uint32_t input) const {
    return m_offsetCounts[input] * SimOffsetStep(m_model, SimGainForCode(m_model, m_gainCode[input]));
}

// An input after its amplifier, as the output selector can route it; a loopback or counting
// input routes nothing (no loop through the output back to itself).
double CSimUnit::AmplifiedVolts(uint32_t input, const stInstant& at, const stSimControls& c) const {
    if (c.signal[input] == kSimSignalLoopback || c.signal[input] == kSimSignalCounting) return 0.0;
    const double v = (SimSignalVolts(SignalOf(input, c), at.t, at.n, input) + OffsetVolts(input)) *
                     SimGainForCode(m_model, m_gainCode[input]);
    return std::clamp(v, -kAmplifierLimit, kAmplifierLimit);
}

// The analog output as the selector chooses it.
double CSimUnit::OutputVolts(const stInstant& at, const stSimControls& c) const {
    switch (m_outputSelector) {
    case kOutFilteredDac:
    case kOutRawDac:
        return m_model == 45 ? m_outputCode / kDacCodesPerVolt45 + kDacMid45
                             : m_outputCode / kDacCodesPerVolt40 + kDacMid40;
    case kOutPulses: return StimulatorHigh(at.unitNs) ? (m_model == 45 ? kPulseHigh45 : kPulseHigh40) : 0.0;
    case kOutAmplifierInput:
    case kOutChannel1: return AmplifiedVolts(0, at, c);
    case kOutChannel2: return AmplifiedVolts(1, at, c);
    case kOutChannel3: return AmplifiedVolts(2, at, c);
    case kOutChannel4: return AmplifiedVolts(3, at, c);
    default: return 0.0;
    }
}

uint32_t CSimUnit::DigitalWord(const stInstant& at, const stSimControls& c) const {
    switch (c.digitalSignal) {
    case kSimSignalSquare:
        return SimDigitalSquare(at.t, c.digitalFrequencyMilliHz ? c.digitalFrequencyMilliHz / 1000.0 : 1.0);
    case kSimSignalCounting: return SimCountingWord(at.counting, kSimInputs);
    case kSimSignalLoopback: return m_digitalOut[0] | (m_digitalOut[1] << 8);
    default: return 0;
    }
}

uint64_t CSimUnit::StimulatorResolutionPs() const { return m_model == 45 ? kStimResolution45Ps : kStimResolution40Ps; }

// One pulse and the gap after it.
uint64_t CSimUnit::StimulatorPeriodPs() const {
    const uint64_t r = StimulatorResolutionPs();
    return m_stim.widthCount * r + m_stim.hundreds * kHundredMsPs + m_stim.offCount * r;
}

bool CSimUnit::StimulatorHigh(uint64_t unitNs) const {
    if (m_stim.mode != kStimStart || unitNs < m_stim.startNs) return false;
    const uint64_t delay = m_stim.delayCount * StimulatorResolutionPs();
    const uint64_t ps = (unitNs - m_stim.startNs) * 1000;
    const uint64_t period = StimulatorPeriodPs();
    if (ps < delay || period == 0) return false;
    const uint64_t k = (ps - delay) / period;
    if (m_stim.count != kStimContinuous && k >= m_stim.count) return false;
    return (ps - delay) % period < m_stim.widthCount * StimulatorResolutionPs();
}

bool CSimUnit::StimulatorRunning(uint64_t unitNs) const {
    if (m_stim.mode == kStimWithSampling) return true;
    if (m_stim.mode != kStimStart) return false;
    if (m_stim.count == kStimContinuous) return true;
    const uint64_t ps = unitNs > m_stim.startNs ? (unitNs - m_stim.startNs) * 1000 : 0;
    return ps < m_stim.delayCount * StimulatorResolutionPs() + m_stim.count * StimulatorPeriodPs();
}

// Pulses begun so far.
uint32_t CSimUnit::StimulatorPulses(uint64_t unitNs) const {
    if (m_stim.mode != kStimStart || unitNs < m_stim.startNs) return 0;
    const uint64_t delay = m_stim.delayCount * StimulatorResolutionPs();
    const uint64_t ps = (unitNs - m_stim.startNs) * 1000;
    const uint64_t period = StimulatorPeriodPs();
    if (ps < delay || period == 0) return 0;
    uint64_t begun = (ps - delay) / period + 1;
    if (m_stim.count != kStimContinuous) begun = std::min<uint64_t>(begun, m_stim.count);
    return static_cast<uint32_t>(std::min<uint64_t>(begun, 0xFFFF));
}

// A start's settings against the model's limits: 0 or the refusal code.
uint8_t CSimUnit::StimulatorCheck(const uint8_t* data) const {
    const uint64_t r = StimulatorResolutionPs();
    const uint32_t off = GetBeU16(data + 4);
    const uint32_t width = GetBeU16(data + 6);
    const uint32_t delay = GetBeU16(data + 8);
    const uint32_t offMin = m_model == 45 ? kOffMin45 : kOffMin40;
    const uint32_t offMax = m_model == 45 ? kOffMax45 : kOffMax40;
    if (data[2] == 0) return kStimErrNoPulses;
    if (width == 0) return kStimErrWidthSmall;
    if (width * r > kHundredMsPs) return kStimErrWidthLarge;
    if (off == 0) return kStimErrOffZero;
    if (off > offMax) return kStimErrOffLarge;
    if (off < offMin) return kStimErrOffSmall;
    if (delay * r > kHundredMsPs) return kStimErrDelay;
    return 0;
}

// Command 69: mode, 0, pulse count (255 continuous), 100-ms count, off count, width count and
// delay count (16-bit each). Answer: the result (a start's refusal code, the running state for a
// query), the running state, the pulses begun (16-bit), four zero bytes.
uint32_t CSimUnit::Stimulator(const uint8_t* data, uint64_t nowNs, const stSimControls& c, uint8_t* reply) {
    const uint8_t mode = data[0];
    memset(reply, 0, 8);
    if (mode == kStimStop) {
        m_stim.mode = kStimStop;
    } else if (mode == kStimStart || mode == kStimWithSampling) {
        const uint8_t code = c.stimulatorError ? static_cast<uint8_t>(c.stimulatorError) : StimulatorCheck(data);
        reply[0] = code;
        if (code == 0) {
            m_stim.count = data[2];
            m_stim.hundreds = data[3];
            m_stim.offCount = GetBeU16(data + 4);
            m_stim.widthCount = GetBeU16(data + 6);
            m_stim.delayCount = GetBeU16(data + 8);
            m_stim.startNs = nowNs;
            m_stim.mode = (mode == kStimStart || m_run != Run::Idle) ? kStimStart : kStimWithSampling;
        }
    } else if (mode == kStimQuery) {
        reply[0] = StimulatorRunning(nowNs) ? 1 : 0;
    } else {
        return 0;
    }
    reply[1] = StimulatorRunning(nowNs) ? 1 : 0;
    PutBeU16(reply + 2, StimulatorPulses(nowNs));
    return 8;
}

void CSimUnit::QueueStream(const uint8_t* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count && m_stream.size() < kStreamLimit; ++i) m_stream.push_back(bytes[i]);
}

uint32_t CSimUnit::ReadStream(uint8_t* out, uint32_t capacity) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(capacity, m_stream.size()));
    std::copy_n(m_stream.begin(), n, out);
    m_stream.erase(m_stream.begin(), m_stream.begin() + n);
    return n;
}
