// The four analog channels' scaling values behind the exported scaling queries.
#pragma once

#include <cstdint>

#include "common/stAcq.h"

class CScalingTable {
public:
    void Reset();
    void Refresh(const stAcq* acq);
    double Range(uint32_t index) const;
    double Factor(uint32_t index) const;
    double Offset(uint32_t index) const;

private:
    struct Entry {
        double range;   // range of allowed values
        double factor;  // input volts per unit
        double offset;  // offset by scaling, in units
    };
    Entry m_entries[kAnalogChannels] = {};
};

extern CScalingTable g_scaling;
