// The simulated acquisition unit behind the driver: it runs the unit commands, samples its
// inputs as time passes, keeps its sample ring, memories and outputs, and queues what it sends
// on the data stream. Time comes in from outside (nanoseconds of the unit's clock) and the
// test controls come in as a record, so the unit is a plain object that tests drive directly.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "devlib/simulated/simcontrol.h"
#include "devlib/simulated/simsignal.h"

constexpr uint32_t kSimInputs = 4;

// Unit commands.
constexpr uint8_t kSimCmdArm = 2;
constexpr uint8_t kSimCmdAnalogOut = 11;
constexpr uint8_t kSimCmdDigitalOut = 13;
constexpr uint8_t kSimCmdWriteAddress = 17;
constexpr uint8_t kSimCmdStop = 18;
constexpr uint8_t kSimCmdReadRing = 19;
constexpr uint8_t kSimCmdReference = 28;
constexpr uint8_t kSimCmdGain = 48;
constexpr uint8_t kSimCmdOffset = 49;
constexpr uint8_t kSimCmdInputMode = 50;
constexpr uint8_t kSimCmdStatus = 51;
constexpr uint8_t kSimCmdConvert = 52;
constexpr uint8_t kSimCmdFilter40 = 53;
constexpr uint8_t kSimCmdPeriod = 54;
constexpr uint8_t kSimCmdReadMemory = 55;
constexpr uint8_t kSimCmdFirmwareBlock = 56;
constexpr uint8_t kSimCmdDescription = 57;
constexpr uint8_t kSimCmdProgramMode = 58;
constexpr uint8_t kSimCmdElectrode40 = 59;
constexpr uint8_t kSimCmdConversion = 60;
constexpr uint8_t kSimCmdStoreDescription = 61;
constexpr uint8_t kSimCmdOutputSelect = 62;
constexpr uint8_t kSimCmdSampling = 64;
constexpr uint8_t kSimCmdReadInput = 65;
constexpr uint8_t kSimCmdSetting = 66;
constexpr uint8_t kSimCmdSecondLine = 67;
constexpr uint8_t kSimCmdStimulator = 69;
constexpr uint8_t kSimCmdMemorySize = 70;
constexpr uint8_t kSimCmdRunSetup = 71;
constexpr uint8_t kSimCmdGo = 72;
constexpr uint8_t kSimCmdRecorded = 73;
constexpr uint8_t kSimCmdReadMemoryFast = 74;
constexpr uint8_t kSimCmdProgress = 145;
constexpr uint8_t kSimCmdFilter45 = 181;
constexpr uint8_t kSimCmdElectrode45 = 187;
constexpr uint8_t kSimCmdStimReference = 197;
constexpr uint32_t kSimMaxReply = 16398;  // the host's 16,400-byte packet buffer less start and checksum

// The test controls of simcontrol.h, read from the registry by the driver.
struct stSimControls {
    bool absent = false;
    uint32_t signal[kSimInputs] = {kSimSignalEcg, kSimSignalRespiration, kSimSignalEmg, kSimSignalPulse};
    int32_t amplitudeUv[kSimInputs] = {};
    uint32_t frequencyMilliHz[kSimInputs] = {};
    uint32_t digitalSignal = kSimSignalLoopback;
    uint32_t digitalFrequencyMilliHz = 0;
    bool virtualClock = false;
    uint64_t clockUs = 0;
    uint32_t clockStepUs = 0;
    uint32_t fault = 0;
    uint32_t faultCommand = kSimAnyCommand;
    uint32_t faultCount = kSimForever;
    uint32_t statusError = 0;
    bool statusNotReady = false;
    uint32_t stimulatorError = 0;
    bool ringStalled = false;
    uint32_t externalTriggerFrame = 0;
    uint32_t recordedBytesExtra = 0;
    uint32_t impedanceOhms[2] = {5000, 5000};
    uint32_t noiseSeed = 0;
    bool hasDescription = false;
    char description[kSimDescriptionBytes + 1] = {};
    char logFile[MAX_PATH] = {};
};

// Gain code to gain for a model (40 or 45); 0 when the model has no such code.
uint32_t SimGainForCode(int32_t model, uint32_t code);
// Volts at the input per offset count (command 49) for a model at a gain.
double SimOffsetStep(int32_t model, uint32_t gain);

class CSimUnit {
public:
    // A unit of model 40 or 45, just powered on.
    CSimUnit(int32_t model, const stSimControls& controls, uint64_t nowNs);

    int32_t Model() const { return m_model; }
    uint32_t MemoryBytes() const { return static_cast<uint32_t>(m_memory.size()); }

    // Brings sampling and the stimulator up to the unit's clock.
    void Advance(uint64_t nowNs, const stSimControls& controls);

    // Runs one command; the reply's data bytes (r, the acknowledgement 0x06 for a set command,
    // the refusal 0x15 for one the unit does not take) go to reply. Returns r.
    uint32_t Execute(uint8_t command, const uint8_t* data, uint32_t length, uint64_t nowNs,
                     const stSimControls& controls, uint8_t* reply, uint32_t capacity);

    // What the unit sends: its replies and its unasked status bytes, in order.
    void QueueStream(const uint8_t* bytes, uint32_t count);
    uint32_t ReadStream(uint8_t* out, uint32_t capacity);
    uint32_t StreamPending() const { return static_cast<uint32_t>(m_stream.size()); }

    // For tests: the memories as the unit holds them.
    const std::vector<uint8_t>& Ring() const { return m_ring; }
    const std::vector<uint8_t>& Program() const { return m_program; }
    uint64_t RingTotal() const { return m_ringTotal; }
    bool Sampling() const { return m_run != Run::Idle; }

private:
    enum class Run { Idle, HostPaced, HighSpeed, UnitPaced };

    struct stStimulator {
        uint8_t mode = 0;  // 0 off, 1 running, 4 waiting for the sampling start
        uint8_t count = 0;
        uint8_t hundreds = 0;
        uint32_t offCount = 0;
        uint32_t widthCount = 0;
        uint32_t delayCount = 0;
        uint64_t startNs = 0;
    };

    // Commands, grouped as the unit's firmware would group them; 0 refuses the command.
    uint32_t SamplingCommand(uint8_t command, const uint8_t* data, uint64_t nowNs, const stSimControls& c,
                             uint8_t* reply, uint32_t capacity);
    uint32_t InputCommand(uint8_t command, const uint8_t* data, uint8_t* reply);
    uint32_t MemoryCommand(uint8_t command, const uint8_t* data, uint8_t* reply, uint32_t capacity);
    uint32_t OutputCommand(uint8_t command, const uint8_t* data, uint64_t nowNs, const stSimControls& c,
                           uint8_t* reply);
    uint32_t ReadingCommand(uint8_t command, const uint8_t* data, uint64_t nowNs, const stSimControls& c,
                            uint8_t* reply);

    uint32_t Arm(const uint8_t* data);
    uint32_t Sample(uint8_t what, uint64_t nowNs, const stSimControls& c, uint8_t* reply);
    uint32_t Stop(uint8_t* reply);
    uint32_t Status(const stSimControls& c, uint8_t* reply);
    uint32_t HighSpeedSetup(const uint8_t* data, uint8_t* reply);
    uint32_t Go(uint8_t what, uint64_t nowNs, uint8_t* reply);
    uint32_t Stimulator(const uint8_t* data, uint64_t nowNs, const stSimControls& c, uint8_t* reply);

    void StartRun(Run run, uint64_t nowNs, uint64_t periodNs);
    void WriteFrames(uint64_t first, uint64_t end, const stSimControls& c);
    bool Triggered(uint64_t frame, const stSimControls& c);
    void StoreFrames(uint64_t first, uint64_t end, const stSimControls& c);

    // What the inputs see at one instant.
    struct stInstant {
        uint64_t unitNs;    // the unit's clock
        double t;           // seconds since power-on
        uint64_t n;         // noise index
        uint64_t counting;  // frame for the counting pattern
    };
    stInstant FrameInstant(uint64_t frame) const;
    stInstant NowInstant(uint64_t nowNs) const;
    uint32_t FrameBytes() const;
    void BuildFrame(const stInstant& at, const stSimControls& c, uint8_t* out) const;
    stSimSignal SignalOf(uint32_t input, const stSimControls& c) const;
    int16_t InputWord(uint32_t input, const stInstant& at, const stSimControls& c) const;
    double OffsetVolts(uint32_t input) const;
    double AmplifiedVolts(uint32_t input, const stInstant& at, const stSimControls& c) const;
    double OutputVolts(const stInstant& at, const stSimControls& c) const;
    uint32_t DigitalWord(const stInstant& at, const stSimControls& c) const;
    uint64_t StimulatorResolutionPs() const;
    uint64_t StimulatorPeriodPs() const;
    bool StimulatorHigh(uint64_t unitNs) const;
    bool StimulatorRunning(uint64_t unitNs) const;
    uint32_t StimulatorPulses(uint64_t unitNs) const;
    uint8_t StimulatorCheck(const uint8_t* data) const;

    int32_t m_model;
    std::vector<uint8_t> m_ring;     // host-paced runs
    std::vector<uint8_t> m_memory;   // unit-paced and high-speed runs
    std::vector<uint8_t> m_program;  // firmware
    uint8_t m_description[128] = {};
    uint64_t m_powerOnNs;

    // Inputs.
    uint8_t m_gainCode[kSimInputs] = {3, 3, 3, 3};
    int16_t m_offsetCounts[kSimInputs] = {};
    uint8_t m_inputFlags[kSimInputs] = {};
    int32_t m_filter[kSimInputs][3][5] = {};
    int16_t m_referenceCounts = 0;
    uint8_t m_referenceByte = 0;
    bool m_converting = false;

    // Sampling set-up and state.
    uint32_t m_periodSteps = 10;  // half milliseconds
    bool m_armed = false;
    uint8_t m_mode = 0;
    uint16_t m_analogMask = 0;
    uint8_t m_digitalMask = 0;
    uint8_t m_rateCode = 0;   // command 71: rate / 2,500 Hz
    uint32_t m_runBytes = 0;  // command 71: ring (high speed) or recording (unit-paced) bytes
    bool m_highSpeedGo = false;
    Run m_run = Run::Idle;
    uint64_t m_startNs = 0;
    uint64_t m_periodNs = 0;
    uint64_t m_framesDone = 0;  // frames since the start that have fallen due
    bool m_waiting = false;     // for the start signal
    uint64_t m_dataStart = 0;   // the frame of the start signal
    int16_t m_lastTriggerWord = 0;
    bool m_haveTriggerWord = false;
    uint64_t m_ringTotal = 0;    // bytes written into the ring since the start
    uint64_t m_memoryTotal = 0;  // bytes written into the sample memory since the start

    // Outputs.
    int16_t m_outputCode = 0;
    uint8_t m_outputSelector = 0;
    uint8_t m_digitalOut[4] = {};
    uint8_t m_settingByte = 0;
    uint8_t m_programMode = 0;
    stStimulator m_stim;
    uint8_t m_stimReference[2] = {};

    std::deque<uint8_t> m_stream;
};
