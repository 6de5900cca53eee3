// The analog scaling table, recomputed from the channel records' two calibration points.
#include "devlib/acquisition/scaling.h"

#include "devlib/services/binding.h"
#include "devlib/vk40.h"

#include <cmath>

CScalingTable g_scaling;

namespace {

constexpr double kFullScaleMillivolts = 10000.0;

}  // namespace

void CScalingTable::Reset()
{
    for (Entry& e : m_entries)
        e = Entry{};
}

// A channel whose two points give no slope, or whose gain is below 1, scales by 0.
void CScalingTable::Refresh(const stAcq* acq)
{
    for (int i = 0; i < kAnalogChannels; ++i) {
        const stAcqChan& ch = acq->chans[i];
        const double inputSpan = ch.inValue1 - ch.inValue2;
        const double unitSpan = ch.unitValue1 - ch.unitValue2;
        const double inputMid = (ch.inValue1 + ch.inValue2) / 2;
        const double unitMid = (ch.unitValue1 + ch.unitValue2) / 2;
        Entry& e = m_entries[i];
        e.factor = unitSpan != 0.0 ? inputSpan / unitSpan : 0.0;
        e.offset = e.factor != 0.0 ? inputMid / e.factor - unitMid : inputMid - unitMid;
        // The gain is taken as a whole number, as the unit's gain codes are.
        const uint32_t gain = ch.gain >= 1.0 ? static_cast<uint32_t>(ch.gain) : 0;
        e.range = (gain != 0 && e.factor != 0.0) ? std::fabs((kFullScaleMillivolts / gain) / e.factor) : 0.0;
    }
}

double CScalingTable::Range(uint32_t index) const
{
    return index < kAnalogChannels ? m_entries[index].range : 0.0;
}

double CScalingTable::Factor(uint32_t index) const
{
    return index < kAnalogChannels ? m_entries[index].factor : 0.0;
}

double CScalingTable::Offset(uint32_t index) const
{
    return index < kAnalogChannels ? m_entries[index].offset : 0.0;
}

// The exports count channels from 1; 0 wraps to an index past the table and answers 0.0.
double getRangeOfAllowedValues(uint32_t channel)
{
    return g_scaling.Range(channel - 1);
}

double getScalingFactor(uint32_t channel)
{
    return g_scaling.Factor(channel - 1);
}

double getOffsetByScalingInUnits(uint32_t channel)
{
    return g_scaling.Offset(channel - 1);
}

// Recomputes the table from the current channel records; nothing without the record.
void ApplyChannelParams()
{
    AcqLock acq(g_lib.hAcq);
    if (acq)
        g_scaling.Refresh(acq.get());
}

// Opens the units set-up of a graph channel. The scaling dialog is not built yet: the record is
// locked and released and nothing changes. Always 1.
int32_t WINAPI VK40SetupUnitsDlg(HWND, HGLOBAL hAcq, uint32_t)
{
    AcqLock acq(hAcq);
    return 1;
}
