// Units and scaling: a channel's two calibration points turned into its conversion pair, the
// offset conversions, and the analog scaling table behind the exported scaling queries.
#include "devlib/acquisition/channels/scaling.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "devlib/acquisition/channels/channels.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

CScalingTable g_scaling;

namespace {

constexpr double kFullScaleMillivolts = 10000.0;
constexpr double kMillivoltsPerVolt = 1000.0;
constexpr double kMicrovoltsPerVolt = 1000000.0;
constexpr double kMillivoltGainLimit = 1000.0;  // above it the input shows in microvolts
constexpr size_t kParseChars = 100;

bool AllFinite(std::initializer_list<double> values) {
    for (double v : values) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

// The offset conversions' slope; 0 when either span is empty.
double OffsetSlope(const stAcqChan* rec) {
    if (!rec) return 0.0;
    const double unitSpan = rec->unitValue1 - rec->unitValue2;
    const double inputSpan = rec->inValue1 - rec->inValue2;
    if (unitSpan == 0.0 || inputSpan == 0.0) return 0.0;
    return unitSpan / (inputSpan * kMillivoltsPerVolt);
}

}  // namespace

int32_t ConversionFromTwoPoints(double input1, double value1, double input2, double value2, int32_t group, double gain,
                                stConversion* out) {
    if (!out || input1 == input2 || !AllFinite({input1, value1, input2, value2})) return 0;
    double m = (value2 - value1) / (input2 - input1);
    const double addend = value2 - m * input2;
    if (group == kGroupAnalog) {
        // A zero, negative or undefined gain would divide by zero or flip the sign: unity instead.
        const double g = (std::isfinite(gain) && gain > 0.0) ? gain : 1.0;
        m = m * kInputVoltsPerCount / g;
    }
    if (!AllFinite({m, addend})) return 0;
    out->multiplier = m;
    out->addend = addend;
    return 1;
}

int32_t SetScaleFromTwoPoints(const stAcqChan* rec, stAcq* acq) {
    if (!rec || !acq) return 0;
    const int32_t index = ChannelTableIndex(*rec, NDChan);
    stConversion c{};
    if (index < 0 || !ConversionFromTwoPoints(rec->inValue1, rec->unitValue1, rec->inValue2, rec->unitValue2,
                                              rec->group, rec->gain, &c))
        return 0;
    acq->chanMultiplier[index] = c.multiplier;
    acq->chanAddend[index] = c.addend;
    return 1;
}

double OffsetToUnits(double offsetMillivolts, const stAcqChan* rec) { return OffsetSlope(rec) * offsetMillivolts; }

double UnitsToOffset(double units, const stAcqChan* rec) {
    const double s = OffsetSlope(rec);
    return s != 0.0 ? units / s : 0.0;
}

double ParseDouble(const char* text) {
    if (!text) return 0.0;
    char copy[kParseChars + 1] = {};
    strncpy(copy, text, kParseChars);
    return strtod(copy, nullptr);
}

// The gain is taken as a whole number, as the unit's gain codes are; a gain between 0 and 1 is
// taken as it is, since truncating it would divide by zero, and no positive gain gives no range.
stScalingEntry ComputeScalingEntry(double input1, double value1, double input2, double value2, double gain) {
    stScalingEntry e{};
    const double inputSpan = input1 - input2;
    const double unitSpan = value1 - value2;
    const double inputMid = (input1 + input2) / 2;
    const double unitMid = (value1 + value2) / 2;
    e.factor = unitSpan != 0.0 ? inputSpan / unitSpan : 0.0;
    e.offset = e.factor != 0.0 ? inputMid / e.factor - unitMid : inputMid - unitMid;
    double g = 0.0;
    if (std::isfinite(gain) && gain >= 1.0)
        g = gain < 4294967296.0 ? static_cast<double>(static_cast<uint32_t>(gain)) : gain;
    else if (std::isfinite(gain) && gain > 0.0)
        g = gain;
    e.range = (g > 0.0 && e.factor != 0.0) ? std::fabs((kFullScaleMillivolts / g) / e.factor) : 0.0;
    return e;
}

double ScalingInputFactor(const stAcqChan& rec) {
    if (rec.group != kGroupAnalog) return 1.0;
    return rec.gain <= kMillivoltGainLimit ? kMillivoltsPerVolt : kMicrovoltsPerVolt;
}

void CScalingTable::Reset() {
    for (stScalingEntry& e : m_entries) e = stScalingEntry{};
}

void CScalingTable::Refresh(const stAcq* acq) {
    for (int i = 0; i < kAnalogChannels; ++i) {
        const stAcqChan& ch = acq->chans[i];
        m_entries[i] = ComputeScalingEntry(ch.inValue1, ch.unitValue1, ch.inValue2, ch.unitValue2, ch.gain);
    }
}

double CScalingTable::Range(uint32_t index) const { return index < kAnalogChannels ? m_entries[index].range : 0.0; }

double CScalingTable::Factor(uint32_t index) const { return index < kAnalogChannels ? m_entries[index].factor : 0.0; }

double CScalingTable::Offset(uint32_t index) const { return index < kAnalogChannels ? m_entries[index].offset : 0.0; }

// The exports count channels from 1; 0 wraps to an index past the table and answers 0.0.
double getRangeOfAllowedValues(uint32_t channel) { return g_scaling.Range(channel - 1); }

double getScalingFactor(uint32_t channel) { return g_scaling.Factor(channel - 1); }

double getOffsetByScalingInUnits(uint32_t channel) { return g_scaling.Offset(channel - 1); }

// Recomputes the table from the current channel records; nothing without the record.
void ApplyChannelParams() {
    AcqLock acq(g_lib.hAcq);
    if (acq) g_scaling.Refresh(acq.get());
}
