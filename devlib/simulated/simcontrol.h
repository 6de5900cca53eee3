// The simulated unit's test controls and fixed answers: what a test (or a curious user) may set
// in the simulator's own registry key, and the constants its answers are built from. The
// simulated unit (VKSim.dll) reads the key at every driver call, so a value written between two
// calls takes effect at the next one.
//
// The unit answers on one byte stream, as over a wire: the command code (0x9500200C) sends its
// packet and then reads as many bytes as the caller's buffer holds (on the PC card as many as the
// packet's prefix asks for); bytes it leaves, or that a written packet's answer put there, wait
// for the next read of either kind. A call that gets no byte at all times out.
//
// The key is HKEY_CURRENT_USER "Software\NORVANE\TVX3x\Simulator". A test program that must not
// share it with others running at the same time puts another path under HKEY_CURRENT_USER into
// the environment variable VKSIM_CONTROL_KEY before its first driver call; the helpers at the
// end of this header follow the same choice.
//
// Packet log: with "LogFile" set, every driver call appends one line, ending in "\r\n", to that
// file (bytes as upper-case two-digit hex separated by single spaces):
//   open <path>                 an open that succeeded ("open <path> failed" otherwise)
//   close <path>
//   > <bytes>                   a packet sent with the command code (0x9500200C)
//   < <bytes>                   its reply as returned; "< none" when the call failed
//   w <bytes>                   bytes written (0x95002054, 0x9500A004); " -> fail" appended on failure
//   r <bytes>                   bytes read from the data stream (0x95006008); "r" alone for none,
//                               "r fail" on failure
//   ioctl <code> <in> -> <out>  any other control code (code as eight hex digits, "-" for no
//                               bytes), "-> fail" on failure
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

// --- The library and its one export ---
// VKSim.dll lies beside VK40.dll; its export hands out the transport table of
// devlib/acquisition/unit/transport.h that answers for the driver and the unit.
struct stTransportOps;
constexpr char kSimLibrary[] = "VKSim.dll";
constexpr char kSimTransportExport[] = "VKSimTransport";
using SimTransportFn = const stTransportOps* (*)(void);
// Beside "DriverName" and "DriverType" under the machine's driver settings (HKEY_LOCAL_MACHINE
// "Software\NORVANE\TVX3x\DriverSettings\0000", 64-bit view), the DWORD "Simulated" = 1 has the
// unit link load this library in place of the driver; the device path keeps its meaning.
constexpr char kSimDriverSetting[] = "Simulated";

// Device names: "\\.\VKUSB" and "\\.\VKUSB45" open the USB adapter of a model-40 or model-45
// unit, which counts one unit and names it (kSimUsbUnitName40, kSimUsbUnitName45, opened with
// "\\.\" before it); "\\.\VKISA.VXD" (ISA framing) and "\\.\VKPCM.VXD" (PC-card framing) open a
// model-40 unit directly. Each name opens once at a time (no sharing).

// --- Where the controls live ---
constexpr char kSimControlKey[] = "Software\\NORVANE\\TVX3x\\Simulator";
constexpr char kSimControlKeyEnv[] = "VKSIM_CONTROL_KEY";

// --- Control values (DWORD unless noted) ---
// 1: no unit answers: opens fail and every call on an open handle fails (unplugged). The unit
// loses its power meanwhile: once the value is 0 again it comes back freshly powered on.
constexpr char kSimAbsent[] = "Absent";
// Per analog input n = 1-4: "Signal<n>" (one of the kSimSignal codes), "Amplitude<n>" (signed
// microvolts at the input; absent or 0: the signal's own default), "Frequency<n>" (millihertz;
// absent or 0: the signal's default). Absent signals take the defaults ECG, respiration, EMG,
// pulse wave on inputs 1 to 4.
constexpr char kSimSignalPrefix[] = "Signal";
constexpr char kSimAmplitudePrefix[] = "Amplitude";
constexpr char kSimFrequencyPrefix[] = "Frequency";
// The digital input word: kSimSignalNone, kSimSignalSquare (bit 0 a square wave at
// "FrequencyDigital", 1 Hz by default, each higher bit half the one below), kSimSignalCounting
// (the counting word of input 4) or kSimSignalLoopback (the digital output port 0; the default).
constexpr char kSimSignalDigital[] = "SignalDigital";
constexpr char kSimFrequencyDigital[] = "FrequencyDigital";
// 1: the unit's clock is "ClockUs" (REG_QWORD or REG_DWORD, microseconds) instead of the
// high-resolution counter, so time advances only when a test writes a larger value. The
// transport's clock answers the same time, so the library's run timing follows it too.
constexpr char kSimVirtualClock[] = "VirtualClock";
constexpr char kSimClockUs[] = "ClockUs";
// With the virtual clock: every driver control call first moves "ClockUs" on by this many
// microseconds (and writes it back), as a real unit's time runs while the host talks to it, so
// the unit can finish in the middle of any exchange. 0 or absent: time stands between writes.
constexpr char kSimClockStepUs[] = "ClockStepUs";
// Fault injection: "Fault" (a kSimFault code) for the command "FaultCommand" (0-255; absent or
// kSimAnyCommand: every command), firing "FaultCount" more times (absent or kSimForever: every
// time). The unit counts "FaultCount" down in the registry as the fault fires; at 0 it is off.
constexpr char kSimFault[] = "Fault";
constexpr char kSimFaultCommand[] = "FaultCommand";
constexpr char kSimFaultCount[] = "FaultCount";
// The error code in bytes 2-3 of the status reply (command 51).
constexpr char kSimStatusError[] = "StatusError";
// 1: the status reply lacks the ready bit (bit 7 of byte 1).
constexpr char kSimStatusNotReady[] = "StatusNotReady";
// Non-zero: every stimulator start (command 69, modes 1 and 4) is refused with this code.
constexpr char kSimStimulatorError[] = "StimulatorError";
// 1: the unit stops writing its sample ring; frames that fall due meanwhile are lost (the
// counting pattern shows the gap when writing resumes).
constexpr char kSimRingStalled[] = "RingStalled";
// A unit that overstates its recording: command 73 answers this many bytes more than the run
// recorded (a lying count; 0 or absent: the true count).
constexpr char kSimRecordedBytesExtra[] = "RecordedBytesExtra";
// An external start signal arrives this many frames after sampling starts (0 or absent: at once).
constexpr char kSimExternalTriggerFrame[] = "ExternalTriggerFrame";
// Electrode impedance per input, ohms (5,000 when absent).
constexpr char kSimImpedance1[] = "Impedance1";
constexpr char kSimImpedance2[] = "Impedance2";
// Seed of the noise in the noise and EMG signals.
constexpr char kSimNoiseSeed[] = "NoiseSeed";
// REG_SZ: the unit description a unit gets at power-on (commands 57 and 61), at most 128 bytes.
constexpr char kSimDescription[] = "Description";
// REG_SZ: the packet log's file; absent or empty: no log.
constexpr char kSimLogFile[] = "LogFile";

// --- Signal codes ---
constexpr uint32_t kSimSignalNone = 0;         // a grounded input: 0 V
constexpr uint32_t kSimSignalEcg = 1;          // 1 mV R wave, 1.2 Hz (72 beats a minute)
constexpr uint32_t kSimSignalRespiration = 2;  // 2 mV, 0.25 Hz, short inspiration, longer expiration
constexpr uint32_t kSimSignalEmg = 3;          // 0.5 mV noise bursts, a 1 s burst every 2 s (0.5 Hz)
constexpr uint32_t kSimSignalPulse = 4;        // 2 mV pulse wave with a dicrotic notch, 1.2 Hz
constexpr uint32_t kSimSignalSine = 5;         // 1 mV, 10 Hz
constexpr uint32_t kSimSignalDc = 6;           // 1 mV
constexpr uint32_t kSimSignalNoise = 7;        // 20 microvolts rms, white
constexpr uint32_t kSimSignalCounting = 8;     // SimCountingWord, raw words that ignore gain and offset
constexpr uint32_t kSimSignalLoopback = 9;     // the unit's analog output (command 62 chooses), 1000:1
constexpr uint32_t kSimSignalSquare = 10;      // +-1 mV square wave, 1 Hz
constexpr uint32_t kSimSignalCount = 11;

// The analog output reaches a loopback input through a 1000:1 divider, so 1 V out reads as 1 mV in.
constexpr double kSimLoopbackDivider = 1000.0;

// --- Fault codes ---
constexpr uint32_t kSimFaultNone = 0;
constexpr uint32_t kSimFaultNoReply = 1;      // the packet is lost: nothing answers (USB: the pipe stalls)
constexpr uint32_t kSimFaultBadChecksum = 2;  // the reply's checksum is one too high
constexpr uint32_t kSimFaultWrongLength = 3;  // the reply is one data byte short (checksum still right)
constexpr uint32_t kSimAnyCommand = 0xFFFFFFFFu;
constexpr uint32_t kSimForever = 0xFFFFFFFFu;

// --- Driver error codes (control code 0x95002074) ---
constexpr uint32_t kSimErrNone = 0;
constexpr uint32_t kSimErrTimeout = 1;       // no reply came
constexpr uint32_t kSimErrStalled = 2;       // the USB pipe is stalled until it is reset
constexpr uint32_t kSimErrNotConnected = 3;  // the unit is absent
constexpr uint32_t kSimErrBadRequest = 4;    // a control code or buffer the device does not take

// --- The unit's fixed answers ---
constexpr char kSimUsbUnitName40[] = "VKUSB-0";    // unit 0 behind "\\.\VKUSB"
constexpr char kSimUsbUnitName45[] = "VKUSB45-0";  // unit 0 behind "\\.\VKUSB45"
constexpr uint32_t kSimRingBytes = 32768;          // the ring of host-paced runs
constexpr uint32_t kSimMemoryBytes40 = 1048576;    // sample memory (command 70), model 40
constexpr uint32_t kSimMemoryBytes45 = 4194304;    // model 45
constexpr uint32_t kSimProgramBytes = 65536;       // firmware memory (commands 55 and 56)
constexpr uint32_t kSimOneShotFrames = 32;         // frames written at once by command 64 with 10
constexpr uint32_t kSimDescriptionBytes = 128;

// The counting pattern: the word of input 0-3 (4: the digital word) in frame f, counted from the
// first frame of the run (the start signal's frame when the run waits for one). The top four
// bits name the input, the low twelve the frame, so a dropped frame shows as a step of two and
// a misaligned one as a wrong input number.
constexpr uint16_t SimCountingWord(uint64_t frame, uint32_t input) {
    return static_cast<uint16_t>(((input & 0xFu) << 12) | (frame & 0x0FFFu));
}

// --- Helpers for tests: set and clear control values where the simulated unit reads them ---

// The control key's path under HKEY_CURRENT_USER, honouring the environment override.
inline void SimControlKeyPath(char* path, DWORD size) {
    const DWORD n = GetEnvironmentVariableA(kSimControlKeyEnv, path, size);
    if (n == 0 || n >= size) lstrcpynA(path, kSimControlKey, static_cast<int>(size));
}

inline bool SimControlSet(const char* name, DWORD type, const void* data, DWORD size) {
    char path[MAX_PATH];
    SimControlKeyPath(path, sizeof(path));
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

inline bool SimControlSetDword(const char* name, uint32_t value) {
    const DWORD v = value;
    return SimControlSet(name, REG_DWORD, &v, sizeof(v));
}

inline bool SimControlSetQword(const char* name, uint64_t value) {
    return SimControlSet(name, REG_QWORD, &value, sizeof(value));
}

inline bool SimControlSetString(const char* name, const char* text) {
    return SimControlSet(name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

// Removes every control value: the unit's defaults apply again.
inline bool SimControlClear() {
    char path[MAX_PATH];
    SimControlKeyPath(path, sizeof(path));
    const LONG rc = RegDeleteTreeA(HKEY_CURRENT_USER, path);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}
