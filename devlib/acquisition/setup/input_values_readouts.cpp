// Direct readouts of the analog inputs that the device's script words use: one conversion of
// all four inputs, read back as raw words.
#include "devlib/acquisition/setup/input_values.h"

#include "common/byte_order.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"

namespace {

constexpr uint8_t kStatusConverting = 0x08;  // byte 1 of the status reply while converting
constexpr uint8_t kPlainInputMode = 32;
constexpr uint16_t kDigitalPeriod = 1;  // 0.5 ms, sent as the period x 2
constexpr uint8_t kArmDigitalOnly[6] = {1, 0, 0, 0, 255, 0};
constexpr DWORD kArmSettleMs = 10, kSamplingMs = 20;

bool IsInput(int32_t input) { return input >= 1 && input <= kAnalogChannels; }

// Command 52, then the status until the conversion is done or the wait runs out.
bool ConvertInputs() {
    if (!g_unitLink.SetCommand(kCmdConvertInputs, 0, nullptr)) return false;
    const DWORD start = GetTickCount();
    do {
        uint8_t status[kCmdStatusBytes] = {};
        if (!g_unitLink.QueryCommand(kCmdStatus, 0, nullptr, kCmdStatusBytes, status)) return false;
        if (!(status[1] & kStatusConverting)) break;
    } while (GetTickCount() - start < kConversionWaitMs);
    return true;
}

}  // namespace

int32_t ReadAnalogInputWord(stAcq* acq, int32_t input, uint16_t* word) {
    if (!acq || !IsInput(input) || !word || !ConvertInputs()) return 0;
    uint8_t words[2 * kAnalogChannels] = {};
    if (!g_unitLink.QueryCommand(kCmdConversionWords, 0, nullptr, sizeof(words), words)) return 0;
    *word = GetBeU16(words + 2 * (input - 1));
    return 1;
}

int32_t ReadAnalogInputValue(stAcq* acq, int32_t input, uint16_t* word) {
    if (!acq || !IsInput(input) || !word || !ConvertInputs()) return 0;
    const uint8_t which = static_cast<uint8_t>(input);
    uint8_t reply[2] = {};
    if (!g_unitLink.QueryCommand(kCmdReadInputWord, 1, &which, sizeof(reply), reply)) return 0;
    *word = GetBeU16(reply);
    return 1;
}

// Period, arming of the digital word alone, a short burst of sampling and the ring's newest word.
int32_t ReadDigitalInputsNow(uint16_t* bits) {
    uint8_t period[2];
    PutBeU16(period, kDigitalPeriod);
    if (!bits || !g_unitLink.SetCommand(kCmdSamplePeriod, sizeof(period), period) ||
        !g_unitLink.SetCommand(kCmdArm, sizeof(kArmDigitalOnly), kArmDigitalOnly))
        return 0;
    g_unitLink.Wait(kArmSettleMs);
    if (!g_unitLink.SetCommand(kCmdSampling, 1, &kSamplingOneShot)) return 0;
    g_unitLink.Wait(kSamplingMs);
    if (!g_unitLink.SetCommand(kCmdSampling, 1, &kSamplingStop)) return 0;
    uint8_t word[2] = {};
    if (!ReadUnitRingTail(word, sizeof(word), sizeof(word))) return 0;
    *bits = GetBeU16(word);
    return 1;
}

int32_t ResetAnalogInput(const stAcqChan* chan, stAcq* acq) {
    if (!chan || !acq || IsVK40() || chan->number < 0 || chan->number >= kAnalogChannels) return 1;
    const uint8_t data[2] = {kPlainInputMode, static_cast<uint8_t>(chan->number + 1)};
    return g_unitLink.SetCommand(kCmdInputMode, sizeof(data), data) ? 1 : 0;
}
