// The device library's acquisition record: one moveable global block, locked for each use.
// Shared with the main program, which reads the running flag and the two timer windows.
#pragma once
#include <windows.h>
#include <cstdint>
#include <type_traits>

struct tagGS;

constexpr int kAnalogChannels = 4;
constexpr int kCalcChannels = 12;
constexpr int kMaxDigitalChannels = 8;
constexpr int kMaxChanRecords = kAnalogChannels + kMaxDigitalChannels + kCalcChannels;  // 24
constexpr int kStatusBitmaps = 11;
constexpr int kCalcSettingsBytes = 10584;  // the calculation settings block (devlib's stCalcSettings)

// stAcqChan::flags bits.
constexpr uint32_t kChanEnabled = 2;
constexpr uint32_t kChanPlot = 4;
constexpr uint32_t kChanValues = 8;
constexpr uint32_t kChanAllOn = kChanEnabled | kChanPlot | kChanValues;

// stAcqChan::group
enum ChanGroup : int32_t { kGroupAnalog = 0, kGroupDigital = 1, kGroupCalc = 2 };

// stAcqRun::timingKind: the host paces the run, the run has finished, or the unit paces it.
enum TimingKind : int32_t { kTimingHostPaced = 0, kTimingFinished = 1, kTimingUnitPaced = 2 };

// storageKind and runStorageKind; the fast unit memory is the model 45's high-speed ring, and
// the last kind keeps the samples as doubles.
enum StorageKind : int32_t {
    kStorageDisk = 1,
    kStorageMemory = 2,
    kStorageUnitMemory = 3,
    kStorageFastUnitMemory = 4,
    kStorageDoubles = 5,
};

// repeatMode and runRepeatMode: one pass, or round a ring until stopped.
enum RepeatMode : int16_t { kRepeatOnce = 1, kRepeatRing = 2 };

// dataMode and runDataMode: what a new recording does with the graph's data.
enum DataMode : int16_t { kDataOverwrite = 1, kDataAutosave = 2, kDataAppend = 3 };

// A digital filter slot of a channel record (24 bytes on disk).
struct stFilterSlot {
    int16_t type;
    uint8_t reserved[6];
    double frequencyHz;
    double q;
};
static_assert(sizeof(stFilterSlot) == 24, "filter slot is 24 bytes in the presets file");

// The channel record; the presets file stores the same bytes (little-endian).
struct stAcqChan {
    uint32_t flags;  // 2 enabled, 4 plot, 8 values
    int32_t number;
    int32_t group;  // 0 analog, 1 digital, 2 calculation
    char label[40];
    char units[44];
    double inValue1, unitValue1, inValue2, unitValue2;
    double gain;
    double inputOffset;
    double one;
    int16_t coupling;
    int16_t highPass;
    int16_t lowPass;
    int16_t inputOption4;
    int16_t filterSelected;
    uint8_t reserved1[6];
    stFilterSlot filters[3];
    char presetName[128];
    uint8_t unitsSetByUser;
    uint8_t reserved2;
    uint8_t paramsFixed;
    uint8_t reserved3[125];
};
static_assert(sizeof(stAcqChan) == 496, "channel record is 496 bytes");
static_assert(offsetof(stAcqChan, label) == 12 && offsetof(stAcqChan, units) == 52, "channel record text offsets");
static_assert(offsetof(stAcqChan, coupling) == 152 && offsetof(stAcqChan, filters) == 168,
              "channel record option offsets");
static_assert(offsetof(stAcqChan, presetName) == 240 && offsetof(stAcqChan, unitsSetByUser) == 368,
              "channel record tail offsets");

// stAcqRun::statusState, which also picks the status area's bitmap.
enum StatusState : int32_t {
    kStatusNoUnit = 0,
    kStatusReady = 1,
    kStatusDataFlowing = 2,     // recording or playing back
    kStatusWaitingForData = 3,  // started, no data yet
    kStatusUnitBusy = 4,
    kStatusRestartPending = 6,
    kStatusFinishing = 9,       // the unit's memory is read back
    kStatusNotReporting = 10,
};

// The run state the status area and the main loop read.
struct stAcqRun {
    HBITMAP statusBitmaps[kStatusBitmaps];
    HWND hwndStartButton;
    int32_t statusState;  // 0..10
    int32_t unitInitialised;
    int32_t running;     // 1 while a recording runs
    int32_t timingKind;  // 0 host-paced, 1 finished, 2 unit-paced
    int32_t dataStarted;
    int32_t spareRunWord;
    uint32_t readPosition;
    uint32_t nextAddress;
    void* chanBlocks[kMaxChanRecords];
    int32_t analogCount, digitalCount, calcCount;
    int32_t frameSize;
    int32_t chanOrder[kMaxChanRecords];
    int32_t frameCounter;
    tagGS* attachedGraph;
    int32_t furtherWords[2];
    HWND hwndInputValues;
    int32_t inputValuesShown;
};

// The channel presets held in memory between loading and saving the presets file: input-channel
// presets first, then calculation presets, whose kind and calculation block go in two more arrays.
// Each array is a moveable block; all null until the presets were loaded.
struct stPresetStore {
    int32_t count;          // input-channel presets
    int32_t calcCount;      // calculation presets, after them
    HGLOBAL hRecords;       // count + calcCount channel records
    HGLOBAL hFirstValues;   // count + calcCount doubles, carried with their preset
    HGLOBAL hSecondValues;  // count + calcCount doubles
    HGLOBAL hCalcKinds;     // calcCount int32
    HGLOBAL hCalcBlocks;    // calcCount calculation blocks of 472 bytes
    int32_t readOnly;       // the file was read-only when it was loaded
};

// The stimulator's set-up: what the Stimulator panel, its preferences, the output controllers and
// the lesson scripts' stimulator statements change, and what a start sends to the unit.
struct stStimSetup {
    double width;       // pulse width, ms
    double rate;        // Hz
    double increment;   // step of the rate, Hz
    double lowerLimit;  // the rate scroll bar's range, Hz
    double upperLimit;
    double correction;  // subtracted from the width, microseconds
    int16_t continuous;  // 1 continuous pulses, 0 a number of pulses
    int16_t count;       // 1-254
    int16_t on;          // the continuous stimulator is switched on
    int16_t withAcquisition;  // 1 starts and stops with the recording, 0 with the panel's button
    int16_t markers;          // a marker for each start
    int16_t lockLimits;       // the rate limits locked to their widest
    int16_t widthLimitOn;
    double widthLimit;  // ms
    double delay;       // before the first pulse, ms
    int32_t active;     // a stimulator controller or the panel is in use
    int32_t startRequested;  // a start was asked for and the unit has not finished it
    int32_t panelCreated[2];  // the panel is made; the second lets it take commands
    double level;             // the RJ72C's output level, volts
    int16_t refChannel;       // the RJ72C's reference channel
    int16_t refOptions[2];
};

struct stAcq {
    // Library windows and presets
    HWND hwndChannelSetup;
    HWND hwndInputValuesWnd;
    stPresetStore presets;
    // Per channel record: a raw sample times the multiplier plus the addend is the value in units.
    double chanMultiplier[kMaxChanRecords];
    double chanAddend[kMaxChanRecords];
    RECT channelSetupPlacement;
    int32_t channelSetupShown;
    // The Setup Channels window's focus group (0 analog, 1 digital, 2 calculation), its counts of
    // enabled channels per group, each record's preset (0 none) and the analog presets' values.
    int32_t channelSetupFocusGroup;
    int32_t enabledAnalog, enabledDigital, enabledCalc;
    uint16_t chanPresetIndex[kMaxChanRecords];
    double analogPresetValue[kAnalogChannels];

    stAcqRun run;

    // Status and set-up windows
    RECT statusRect;
    int32_t inputValuesRelayout;
    HWND hwndAcqSetup;

    // Acquisition settings
    int32_t maxLength;
    uint32_t nextSizeRefresh;
    double samplePeriodMs;
    int32_t acqLength;
    int16_t repeatMode;
    int16_t dataMode;
    int32_t storageKind;
    double restartInterval;
    double settingOne;
    int32_t autoRestart;
    int32_t restartCount;
    int32_t endlessRestart;
    int16_t settingTwo;
    int16_t autosaveEnable;
    char autosaveName[16];
    int16_t autosaveNumber;
    int16_t settingOneShort;
    RECT acqSetupPlacement;
    int32_t acqSetupShown;
    RECT manualControlPlacement;
    RECT triggerPlacement;
    int32_t preStartDelay;
    int16_t unitMode;

    // Stimulator and outputs
    int32_t stimMarkerFlag;
    int16_t outputChannel;
    int16_t outputMode;
    double manualValue;
    RECT stimulatorPlacement;
    HWND hwndElectrodeReadout;
    HWND hwndManualControl;
    HWND hwndTrigger;
    HWND hwndStimulator;
    HWND hwndElectrodeCheck;
    stStimSetup stim;
    // The Manual Control panel's scratch fields, cleared when it is made.
    int32_t manualScratch[2];
    int16_t manualScratchShort;
    int32_t manualControlShown;

    // Run copies
    int16_t drawColorMode;  // host slot 9's colour mode for live drawing; 8 at start-up (see DrawGraphWaveforms)
    double refVoltage;
    uint8_t refCommand;
    int32_t runDelay;
    double runSamplePeriod;
    int32_t runStartCount;
    int32_t runLength;
    int32_t runStorageKind;
    uint8_t runModeByte;
    int16_t runRepeatMode;
    int16_t runDataMode;
    uint32_t runDoubleMask;
    int32_t warnOnOverwrite;
    int16_t runAutosaveEnable;
    int32_t runAutoRestart;
    int32_t restartCountdown;
    uint32_t startTick;

    // Calculation channels: the settings copy that dialogs, presets and stored set-ups change, the
    // run copy a recording works on, the run's working buffers and the channel number + 1 of a
    // calculation that failed during the run (0 none).
    alignas(8) uint8_t calcSettings[kCalcSettingsBytes];
    alignas(8) uint8_t calcRun[kCalcSettingsBytes];
    HGLOBAL calcBuffers[kCalcChannels];
    int32_t calcFailedChannel;

    int32_t forcedNew;
    // Erasing recording segments asks first while set; a device script word switches it.
    int32_t confirmErase;

    int32_t firstAnalogNumber;  // the identifier of the first analog channel: 1, or 0 by preference
    stAcqChan chans[kMaxChanRecords];
};
// A zero-filled moveable block that the program reads through its handle: it stays a plain record.
static_assert(std::is_standard_layout_v<stAcq> && std::is_trivially_copyable_v<stAcq>, "stAcq is a plain record");

// Locks the record for one operation and unlocks it on every path.
class AcqLock {
public:
    explicit AcqLock(HGLOBAL h) : h_(h), p_(h ? static_cast<stAcq*>(GlobalLock(h)) : nullptr) {}
    ~AcqLock() {
        if (p_) GlobalUnlock(h_);
    }
    AcqLock(const AcqLock&) = delete;
    AcqLock& operator=(const AcqLock&) = delete;
    stAcq* get() const { return p_; }
    stAcq* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    HGLOBAL h_;
    stAcq* p_;
};
