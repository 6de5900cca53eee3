// The unit's numbered commands and the operations built from them: the hardware set-up of the
// analog inputs, their calibration, one-shot readings, the firmware download, the memory dump and
// the unit information text.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct stAcq;
struct stAcqChan;

// Unit commands (multi-byte data big-endian).
constexpr uint8_t kCmdArm = 2;
constexpr uint8_t kCmdWriteAddress = 17;
constexpr uint8_t kCmdStop = 18;
constexpr uint8_t kCmdReadRing = 19;
constexpr uint8_t kCmdReference = 28;
constexpr uint8_t kCmdInputGain = 48;
constexpr uint8_t kCmdInputOffset = 49;
constexpr uint8_t kCmdInputMode = 50;
constexpr uint8_t kCmdStatus = 51;
constexpr uint32_t kCmdStatusBytes = 4;  // its reply
constexpr uint8_t kCmdFilterVK40 = 53;
constexpr uint8_t kCmdSamplePeriod = 54;
constexpr uint8_t kCmdReadMemory = 55;
constexpr uint8_t kCmdFirmwareBlock = 56;
constexpr uint8_t kCmdDescription = 57;
constexpr uint8_t kCmdProgramMode = 58;
constexpr uint8_t kCmdStoreDescription = 61;
constexpr uint8_t kCmdSampling = 64;
constexpr uint8_t kCmdSettingByte = 66;
constexpr uint8_t kCmdDescription2 = 67;
constexpr uint8_t kCmdStimulatorStatus = 69;
constexpr uint8_t kCmdMemorySize = 70;
constexpr uint8_t kCmdHighSpeedSetup = 71;
constexpr uint8_t kCmdHighSpeedGo = 72;
constexpr uint8_t kCmdRecordedBytes = 73;
constexpr uint8_t kCmdReadRingHighSpeed = 74;
constexpr uint8_t kCmdHighSpeedProgress = 145;
constexpr uint8_t kCmdFilterVK45 = 181;

// Data of command 64.
constexpr uint8_t kSamplingStop = 0;
constexpr uint8_t kSamplingStart = 1;
constexpr uint8_t kSamplingOneShot = 10;

constexpr uint16_t kRingRequestBytes = 4;          // command 19: address, length
constexpr uint16_t kFirmwareBlockBytes = 120;      // image bytes per command 56
constexpr uint16_t kMemoryBlockBytes = 120;        // bytes per command 55
constexpr uint16_t kDescriptionBytes = 120;        // reply of command 57
constexpr uint16_t kDescription2Bytes = 30;        // reply of command 67
constexpr uint16_t kStoredDescriptionBytes = 128;  // data of command 61
constexpr int32_t kMaxDumpBytes = 0x10000;         // command 55 addresses are 16-bit
constexpr uint8_t kProgramModeNormal = 1;
constexpr uint8_t kProgramModeFirmware = 2;  // after a firmware download

// Library-wide unit values.
extern uint32_t g_unitMemorySize;     // from command 70
extern int32_t g_firmwareAtConnect;   // download the firmware at every connect
extern int32_t g_lastProgramMode;     // the last mode sent with command 58 (0 none)
extern double g_offsetCorrection[4];  // per analog channel, from the calibration

// ---- Pure parts, over plain values ----

// The input flags of command 50.
uint8_t InputModeFlags(bool vk45, int16_t coupling, int16_t highPass, int16_t option4, int16_t lowPass);
// Offset counts of command 49: volts / scale / step, limited to 16 bits; 0 for a zero scale.
int16_t OffsetCounts(double volts, double scale, double step);

// One second-order section of the unit's digital filters.
struct stBiquad {
    double b0, b1, b2, a1, a2;
};
// The section for a filter type (0 none, 1 low pass, 2 high pass, 3 band pass, 4 and 5 band
// stop) at a sampling step of periodMs; a Q of 0 is the formulas' limit as Q falls to 0. 0 when
// no section can be made (a negative Q, or values the formulas give no number for).
int32_t DesignFilter(int16_t type, double hz, double q, double periodMs, stBiquad* out);
// The data of command 53 (first model, 12 bytes) or 181 (second model, 22 bytes); its length.
uint16_t FilterCommandData(bool vk45, uint8_t channel, uint8_t index, const stBiquad& f, uint8_t* out);

// The write address of command 17's reply.
uint32_t RingWriteAddress(const uint8_t reply[3]);
// The mean of count signed 16-bit big-endian samples.
double MeanOfSamples(const uint8_t* bytes, int32_t count);

// ---- Commands on the link ----

int32_t SetInputMode(stAcq* acq, int32_t channel, int16_t coupling, int16_t highPass, int16_t option4, int16_t lowPass);
int32_t SetInputGain(stAcq* acq, int32_t channel, double gain);
int32_t SetInputOffset(stAcq* acq, int32_t channel, double volts);
int32_t SetInputFilter(stAcq* acq, int32_t channel, int32_t index, int16_t type, double hz, double q);
int32_t ApplyChannelHardware(const stAcqChan* record, stAcq* acq);
int32_t CalibrateInputs(stAcq* acq);

// One reading of an analog input (1-4) outside a recording, by model.
int32_t ReadAnalogInputNow(stAcq* acq, int32_t channel, double* value);
int32_t ReadAnalogInputNowVK45(stAcq* acq, int32_t channel, double* value);
int32_t ReadAnalogInputAveraged(stAcq* acq, int32_t channel, double* value);
int32_t ReadAnalogInput(stAcq* acq, int32_t channel, double* value);
// The newest bytes of the unit's ring in requests of chunk bytes (command 17 first); the unit is
// stopped afterwards either way. 0 on a failed request.
int32_t ReadUnitRingTail(uint8_t* out, int32_t bytes, int32_t chunk);
// The same reading in volts at the input on either model, after the channel's own hardware
// set-up; and the scaling dialog's reader over it, which names the input 0-3.
int32_t ReadAnalogInputVolts(stAcq* acq, int32_t channel, double* volts);
int32_t ReadInputVoltsForScaling(stAcq* acq, int32_t input, double* volts);

// Sends the library's firmware image (first model only; the second answers 1 at once).
int32_t DownloadFirmware(stAcq* acq);
// Sends an image in 120-byte blocks; the last block is filled up with zeros.
int32_t DownloadFirmwareImage(const uint8_t* image, size_t size);

// Writes the first bytes of the unit's memory to "VK40.BIN" in the current folder.
int32_t DumpUnitMemory(stAcq* acq, int32_t bytes);
int32_t DumpUnitMemoryTo(const char* file, int32_t bytes);

// The unit information text into size bytes; 0 (and "Disconnected") when the unit does not answer.
int32_t FormatUnitInfo(char* text, size_t size);

// The firmware length prompt (dialog 129): 1 OK with the text in the buffer, 0 Cancel.
int32_t AskFirmwareLength(char* text, int32_t size);

// The library's About box (dialog 1200) over the locked record.
int32_t ShowDriverAbout(HINSTANCE instance, HWND owner, stAcq* acq);
