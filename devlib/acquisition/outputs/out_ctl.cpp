// The output controllers that need no stimulator: an input channel routed to the output, a fixed
// voltage and the digital port; the selector and analog output commands every controller and the
// Manual Control panel share; the factory the program makes its controllers with.
#include "devlib/acquisition/outputs/out_ctl.h"

#include <cmath>
#include <new>

#include "common/byte_order.h"
#include "common/stAcq.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/outputs/stim_ctl.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/run_state.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {

constexpr double N = COutCtlPref::m_undefined;

// The record for the length of one controller operation.
class CtlLock : public AcqLock {
public:
    CtlLock() : AcqLock(g_lib.hAcq) {}
};

OutputPanelFinder g_panelFinder = nullptr;

// Input channel 1-4 to route to the output.
class COutCH3 final : public COutCtl {
public:
    explicit COutCH3(COutCtlView* view) : COutCtl(view) {
        static const COutCtlPref ranges[] = {{N, N, N, 3}};
        m_prefs.Init(ranges, 1);
    }
    ~COutCH3() override { COutCH3::OnDeactivate(); }

    // The selector value of the channel preference: 1, 2, 3, 4 give 5, 6, 3, 7.
    int32_t GetOutputChannel() const {
        switch (static_cast<int32_t>(PrefValue(0))) {
        case 1: return kOutSelChannel1;
        case 2: return kOutSelChannel2;
        case 3: return kOutSelChannel3;
        case 4: return kOutSelChannel4;
        default: return -1;
        }
    }
    int32_t DoCmd(OUTCTL_CMD cmd) override {
        CtlLock acq;
        if (!acq) return 0;
        switch (cmd) {
        case OUTCTL_SELECT: return SetOutputParameter(acq.get(), GetOutputChannel());
        case OUTCTL_GROUND: return SetOutputParameter(acq.get(), kOutSelDigital);
        case OUTCTL_ISSELECTED: return GetOutputChannel() == acq->outputMode ? 1 : 0;
        default: return 0;
        }
    }
    // Grounds the output only while this controller's channel is the one routed.
    void OnDeactivate() override {
        if (DoCmd(OUTCTL_ISSELECTED)) DoCmd(OUTCTL_GROUND);
    }
    void UpdateLimits() override {}
};

// A fixed voltage on the analog output.
class COutAnalog final : public COutCtl {
public:
    explicit COutAnalog(COutCtlView* view) : COutCtl(view) {
        static const COutCtlPref ranges30[] = {{0.0, 4.9987, 0.0195, 0.0}};
        static const COutCtlPref ranges35[] = {{0.0, 4.0959, 0.001, 0.0}};
        m_prefs.Init(g_unitModel == kModelVK40 ? ranges30 : ranges35, 1);
    }
    ~COutAnalog() override { COutAnalog::OnDeactivate(); }

    int32_t SetValue(stAcq* acq, double volts) { return SendAnalogCode(acq, AnalogCodeForVolts(volts, g_unitModel)); }

    int32_t OnActivate() override {
        CtlLock acq;
        if (!acq) return 0;
        if (!SetOutputParameter(acq.get(), kOutSelRawDA)) return 0;
        return SetValue(acq.get(), PrefValue(0));
    }
    // A selected analog output goes back to its default; a failure changes nothing here.
    void OnDeactivate() override {
        CtlLock acq;
        if (!acq || acq->outputMode != kOutSelRawDA) return;
        const COutCtlPref* p = m_prefs.GetAt(0);
        if (p) SetValue(acq.get(), p->m_default);
    }
    int32_t DoCmd(OUTCTL_CMD cmd) override {
        if (cmd != OUTCTL_UPDATE) return 0;
        CtlLock acq;
        return acq ? SetValue(acq.get(), PrefValue(0)) : 0;
    }
    void UpdateLimits() override {}
};

// A byte on digital port 0.
class COutDigital final : public COutCtl {
public:
    explicit COutDigital(COutCtlView* view) : COutCtl(view) {
        static const COutCtlPref ranges[] = {{N, N, N, 1}, {N, N, N, 0}};
        m_prefs.Init(ranges, 2);
    }
    static int32_t SetByte(uint8_t port, uint8_t value) {
        const uint8_t data[2] = {port, value};
        return g_unitLink.SetCommand(kCmdDigitalOut, sizeof(data), data) ? 1 : 0;
    }
    int32_t DoCmd(OUTCTL_CMD cmd) override {
        if (cmd != OUTCTL_WRITEDIGITAL) return 0;
        CtlLock acq;
        if (!acq) return 0;
        return SetByte(0, static_cast<uint8_t>(static_cast<int32_t>(PrefValue(1))));
    }
    int32_t OnActivate() override { return static_cast<int32_t>(PrefValue(0)) ? DoCmd(OUTCTL_WRITEDIGITAL) : 1; }
};

}  // namespace

int32_t UnitPresent(const stAcq* acq) { return acq && acq->run.statusState != kStatusNoUnit ? 1 : 0; }

int32_t SetOutputParameter(stAcq* acq, int32_t value) {
    if (!UnitPresent(acq)) return 1;
    const uint8_t data = static_cast<uint8_t>(value);
    if (!g_unitLink.SetCommand(kCmdOutputSelect, 1, &data)) return 0;
    acq->outputMode = static_cast<int16_t>(value);
    return 1;
}

int32_t SelectPulseOutput(stAcq* acq) {
    return acq->outputMode == kOutSelDigital ? 1 : SetOutputParameter(acq, kOutSelDigital);
}

// Model 40 centres 2.5 V at code 0, model 45 2.04795 V; the code is truncated toward zero.
int32_t AnalogCodeForVolts(double volts, int32_t model) {
    double code = 0.0;
    if (model == kModelVK40)
        code = (volts - 2.5) * 13107.0 - 0.5;
    else if (model == kModelVK45)
        code = (volts - 2.04795) * 16000.390634536974 - 0.5;
    code = std::trunc(code);
    if (code < -32767.0) return -32768;
    if (code > 32767.0) return 32767;
    return static_cast<int32_t>(code);
}

int32_t LevelCodeForVolts(double volts, double middle) {
    double code = middle != 0.0 ? std::trunc((volts - middle) * 65536.0 / (2.0 * middle) - 0.5) : 0.0;
    if (code < -32767.0) return -32768;
    if (code > 32767.0) return 32767;
    return static_cast<int32_t>(code);
}

int32_t SendAnalogCode(stAcq* acq, int32_t code) {
    const uint16_t word = static_cast<uint16_t>(static_cast<int16_t>(code));
    uint8_t data[3] = {};
    PutBeU16(data, word);
    if (!g_unitLink.SetCommand(kCmdAnalogOut, sizeof(data), data)) return 0;
    acq->manualValue = code;
    return 1;
}

int32_t FindActiveOutputPanel(tagGS* graph, stOutputPanelInfo* info) {
    if (!graph || !g_panelFinder) return 0;
    *info = stOutputPanelInfo{};
    return g_panelFinder(graph, info) ? 1 : 0;
}

int32_t IsStimulatorViewActive(const stAcq* acq) {
    stOutputPanelInfo info{};
    return FindActiveOutputPanel(acq->run.attachedGraph, &info) && IsStimulatorOutputType(info.type) ? 1 : 0;
}

VK40_API void SetOutputPanelFinder(OutputPanelFinder finder) { g_panelFinder = finder; }

// Each kind's controller, its limits moved to the connected model where the kind has them.
VK40_API COutCtl* CreateOutputController(int32_t type, COutCtlView* view) {
    COutCtl* ctl = nullptr;
    switch (type) {
    case kOutTypeCH3: ctl = new (std::nothrow) COutCH3(view); break;
    case kOutTypeDigital: ctl = new (std::nothrow) COutDigital(view); break;
    case kOutTypeAnalog: ctl = new (std::nothrow) COutAnalog(view); break;
    default: ctl = CreateStimulatorController(type, view); break;
    }
    if (ctl && ctl->Prefs().GetSize() != kOutCtlPrefCounts[type]) {
        delete ctl;  // a range table that did not fit in memory
        return nullptr;
    }
    if (ctl) ctl->UpdateLimits();
    return ctl;
}
