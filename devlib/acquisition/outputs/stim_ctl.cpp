// The pulse and stimulator controllers: their range tables, the model's limits, and the turning
// of a preference set into the stimulator block that a start sends.
#include "devlib/acquisition/outputs/stim_ctl.h"

#include <cmath>
#include <initializer_list>
#include <new>

#include "common/stAcq.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/outputs/out_ctl.h"
#include "devlib/acquisition/outputs/stimulator.h"
#include "devlib/services/library.h"

int32_t g_stimStopAbsolutely = 0;
double g_pulseWidthMin = 0.049, g_pulseWidthMax = 100.0, g_pulsePeriodMin = 0.15, g_pulsePeriodMax = 5000.0,
       g_pulseDelayMin = 0.0, g_pulseDelayMax = 100.0;

namespace {

constexpr double N = COutCtlPref::m_undefined;
constexpr double R = COutSTM::m_resolution;
constexpr double kLevelMax = 4.0959;
constexpr double kLevelStep = 0.000204795;
constexpr int32_t kStimPrefs = 19;
constexpr int32_t kRJ72CPrefs = 28;
constexpr int32_t kRJ72CAPrefs = 22;

// The shape the pulse and stimulator kinds share; the kinds differ in a few entries.
struct stStimShape {
    double widthMin;
    double correctionMin, correctionMax, correctionDefault;
    bool fixedGap;  // entry 11 fixed at the resolution
    double periodMin;
    double periodDefault;  // entries 16 and 17
};

void FillStimTable(const stStimShape& s, COutCtlPref* t) {
    t[0] = {N, N, N, 0};
    t[1] = {1, 254, N, 2};
    t[2] = {N, N, N, 0};
    t[3] = {0, 100, R, 0};
    t[4] = t[5] = {N, N, N, 1};
    t[6] = {s.widthMin, 100, R, s.widthMin};
    t[7] = {s.widthMin, 100, R, 100};
    t[8] = t[9] = {s.widthMin, 100, R, 1};
    t[10] = {s.correctionMin, s.correctionMax, N, s.correctionDefault};
    t[11] = s.fixedGap ? COutCtlPref{R, R, R, R} : COutCtlPref{N, N, N, 0.1};
    t[12] = t[13] = {N, N, N, 0};
    t[14] = {s.periodMin, 5000, R, s.periodMin};
    t[15] = {s.periodMin, 5000, R, 5000};
    t[16] = t[17] = {s.periodMin, 5000, R, s.periodDefault};
    t[18] = {s.periodMin, 5000, N, 1000};
}

struct stTables {
    COutCtlPref pulse[kStimPrefs], stm[kStimPrefs], stma[kStimPrefs], rj72c[kRJ72CPrefs], rj72ca[kRJ72CAPrefs];
    stTables() {
        FillStimTable({0.049, 0, 0, 0, false, 0.15, 500}, pulse);
        FillStimTable({0.05, 0.049, 100, 0.06, true, 0.3, 1000}, stm);
        FillStimTable({0.049, 0, 0.15, 0, true, 0.146, 1000}, stma);
        FillStimTable({0.05, 0.049, 100, 0, true, 0.1, 1000}, rj72c);
        COutCtlPref* t = rj72c;
        t[19] = {N, N, N, 0};
        t[20] = {0, 1, N, 1};
        t[21] = {0, 1, N, 0};
        t[22] = {0, kLevelMax, kLevelStep, 2.04795};
        t[23] = {N, N, N, 1};
        t[24] = {0, kLevelMax, kLevelStep, 1.843155};
        t[25] = {0, kLevelMax, kLevelStep, 2.252745};
        t[26] = {0, kLevelMax, kLevelStep, 2.04795};
        t[27] = {0.001023975, kLevelMax, kLevelStep, 0.0204795};
        for (int32_t i = 0; i <= 4; ++i) rj72ca[i] = pulse[i];
        for (int32_t i = 5; i <= 14; i += 2) {
            rj72ca[i] = {10, 20000, R, 10};
            rj72ca[i + 1] = {0, 4000, N, 0};
        }
        for (int32_t i = 15; i < kRJ72CAPrefs; ++i) rj72ca[i] = COutCtlPref();
    }
};
const stTables& Tables() {
    static const stTables tables;  // built when the library loads its first controller
    return tables;
}

class CtlLock : public AcqLock {
public:
    CtlLock() : AcqLock(g_lib.hAcq) {}
};

COutCtlPref* Pref(COutCtlPrefsSet& set, int32_t i) { return set.GetAt(i); }

// A new controller starts from its type's range table.
void InitRanges(COutCtlPrefsSet& set, int32_t type) {
    int32_t count = 0;
    const COutCtlPref* table = StimulatorRangeTable(type, &count);
    set.Init(table, count);
}

// The step of every time entry becomes the connected model's count, so the panels step by it.
void TimeSteps(COutCtlPrefsSet& set) {
    for (int32_t i : {6, 7, 8, 9, 11, 14, 15, 16, 17})
        if (COutCtlPref* p = Pref(set, i)) p->m_step = StimResolution();
}

void Limits(COutCtlPrefsSet& set, int32_t i, double min, double max) {
    if (COutCtlPref* p = Pref(set, i)) p->m_min = min, p->m_max = max;
}
void Value(COutCtlPrefsSet& set, int32_t i, double value, bool andDefault) {
    if (COutCtlPref* p = Pref(set, i)) {
        p->m_value = value;
        if (andDefault) p->m_default = value;
    }
}

// The block's fields from the set; what an index means is shared by the stimulator kinds.
void ApplyStimPrefs(const COutCtl& ctl, stAcq* acq, bool advanced) {
    stStimSetup& s = acq->stim;
    const COutCtlPrefsSet& set = ctl.Prefs();
    const int32_t n = set.GetSize();
    auto has = [n](int32_t i) { return i < n; };
    auto v = [&ctl](int32_t i) { return ctl.PrefValue(i); };
    if (has(0)) {
        s.continuous = v(0) == 2.0 ? 1 : 0;
        const int32_t mode = static_cast<int32_t>(v(0));
        if (!advanced && mode == 0) s.count = 1;
        if (!advanced && mode == 1 && has(1)) s.count = static_cast<int16_t>(static_cast<uint8_t>(v(1)));
    }
    if (has(1) && v(0) != 0.0) s.count = static_cast<int16_t>(advanced ? v(1) : static_cast<uint8_t>(v(1)));
    if (has(2)) {
        s.withAcquisition = v(2) == 1.0 ? 1 : 0;
        if (!advanced && g_stimStopAbsolutely) s.withAcquisition = 0;
        if (!advanced && s.withAcquisition) SelectPulseOutput(acq);
    }
    if (has(3)) s.delay = v(3);
    if (has(4)) s.markers = static_cast<int16_t>(v(4));
    if (advanced) return;
    if (has(9)) s.width = v(9);
    if (has(10)) s.correction = v(10) * 1000.0;
    if (has(17) && v(17) > 0.0) s.rate = 1000.0 / v(17);  // a period of 0 would be no rate at all
    if (has(19)) s.refChannel = static_cast<int16_t>(v(19));
    if (has(20)) s.refOptions[0] = static_cast<int16_t>(v(20));
    if (has(21)) s.refOptions[1] = static_cast<int16_t>(v(21));
    if (has(22)) s.level = v(22);
}

int32_t StimDoCmd(OUTCTL_CMD cmd, const COutCtl& ctl, bool touchStopAbsolutely) {
    CtlLock acq;
    if (!acq) return 0;
    switch (cmd) {
    case OUTCTL_START: {
        if (!SelectPulseOutput(acq.get())) return 0;
        const int32_t mode = static_cast<int32_t>(ctl.PrefValue(kStimMode));
        if (mode == 0 || mode == 1) acq->stim.startRequested = 1;
        if (touchStopAbsolutely) g_stimStopAbsolutely = 0;
        return StartStimulator(acq.get());
    }
    case OUTCTL_STOPABSOLUTELY:
        if (touchStopAbsolutely) g_stimStopAbsolutely = 1;
        return StopStimulator(acq.get(), 1);
    case OUTCTL_STOP: return StopStimulator(acq.get(), 1);
    case OUTCTL_ISSTARTED: return IsStimulatorStarted(acq.get());
    default: return 0;
    }
}

class COutPulse final : public COutSTM {
public:
    explicit COutPulse(COutCtlView* view) : COutSTM(view) { InitRanges(m_prefs, kOutTypePulse); }
    ~COutPulse() override { COutSTM::OnDeactivate(); }
    void UpdateLimits() override {
        TimeSteps(m_prefs);
        const bool vk40 = IsVK40();
        const double w = vk40 ? 0.049 : 0.05;
        Limits(m_prefs, 6, w, 100);
        Value(m_prefs, 6, w, true);
        Limits(m_prefs, 9, w, 100);
        Value(m_prefs, 9, 1, false);
        Limits(m_prefs, 14, vk40 ? 0.098 : 0.06, 5000);
        Value(m_prefs, 14, vk40 ? 1.049 : 1.01, true);
        if (COutCtlPref* p = Pref(m_prefs, 16)) p->m_min = vk40 ? 0.098 : 0.06;
        Limits(m_prefs, 11, vk40 ? 0.049 : 0.01, 5000);
        Value(m_prefs, 11, vk40 ? 0.049 : 0.01, true);
        Limits(m_prefs, 18, R, 5000);
        Value(m_prefs, 18, vk40 ? 5.245 : 5.05, true);
    }
};

class COutTVXSTM final : public COutSTM {
public:
    explicit COutTVXSTM(COutCtlView* view) : COutSTM(view) { InitRanges(m_prefs, kOutTypeSTM); }
    ~COutTVXSTM() override { COutSTM::OnDeactivate(); }
    void UpdateLimits() override {}
};

class COutTVXSTMA final : public COutSTM {
public:
    explicit COutTVXSTMA(COutCtlView* view) : COutSTM(view) { InitRanges(m_prefs, kOutTypeSTMA); }
    ~COutTVXSTMA() override { COutSTM::OnDeactivate(); }
    void UpdateLimits() override {
        TimeSteps(m_prefs);
        const bool vk40 = IsVK40();
        for (int32_t i = 6; i <= 9; ++i)
            if (COutCtlPref* p = Pref(m_prefs, i)) p->m_min = vk40 ? 0.049 : 0.05;
        Limits(m_prefs, 11, Pref(m_prefs, 11) ? Pref(m_prefs, 11)->m_min : R, 5000);
        Value(m_prefs, 11, vk40 ? 3.0 : 0.45, true);
    }
};

class CRJ72C final : public COutTVXRJ72C {
public:
    explicit CRJ72C(COutCtlView* view) : COutTVXRJ72C(view) { InitRanges(m_prefs, kOutTypeRJ72C); }
    ~CRJ72C() override { CRJ72C::OnDeactivate(); }

    int32_t SetValue(stAcq* acq, double volts) {
        const COutCtlPref* level = Pref(m_prefs, kStimLevel);
        return SendAnalogCode(acq, LevelCodeForVolts(volts, level ? level->m_default : 0.0));
    }
    int32_t OnActivate() override {
        COutSTM::OnActivate();
        CtlLock acq;
        if (!acq) return 1;
        SetValue(acq.get(), PrefValue(kStimLevel));
        if (!IsVK40()) SetStimulatorReference(acq.get());
        return 1;
    }
    void OnDeactivate() override {
        DoCmd(OUTCTL_STOP);
        CtlLock acq;
        if (!acq) return;
        SetValue(acq.get(), 0.0);
        if (!IsVK40()) ClearStimulatorReference(acq.get());
    }
    int32_t DoCmd(OUTCTL_CMD cmd) override {
        if (cmd == OUTCTL_START || cmd == OUTCTL_UPDATE) {
            CtlLock acq;
            if (!acq) return 0;
            if (!SetValue(acq.get(), PrefValue(kStimLevel)) && cmd == OUTCTL_UPDATE) return 0;
        }
        return cmd == OUTCTL_UPDATE ? 0 : COutSTM::DoCmd(cmd);
    }
    void UpdateLimits() override {
        TimeSteps(m_prefs);
        if (IsVK40()) return;
        const double widths[] = {0.05, 100, 1, 1}, periods[] = {1.05, 5000, 1000, 1000};
        for (int32_t i = 0; i < 4; ++i) {
            Limits(m_prefs, 6 + i, 0.05, 100);
            Value(m_prefs, 6 + i, widths[i], true);
            Limits(m_prefs, 14 + i, 0.1, 5000);
            Value(m_prefs, 14 + i, periods[i], true);
        }
        Limits(m_prefs, 11, 0.05, 5000);
        Value(m_prefs, 11, 3.0, true);
        Limits(m_prefs, 18, R, 5000);
        Value(m_prefs, 18, 5.25, true);
    }
};

class CRJ72CA final : public COutTVXRJ72CA {
public:
    explicit CRJ72CA(COutCtlView* view) : COutTVXRJ72CA(view) { InitRanges(m_prefs, kOutTypeRJ72CA); }
    ~CRJ72CA() override { CRJ72CA::OnDeactivate(); }
    int32_t OnActivate() override {
        CtlLock acq;
        if (!acq) return 1;
        acq->stim.active = 1;
        SelectPulseOutput(acq.get());
        return 1;
    }
    void OnDeactivate() override { DoCmd(OUTCTL_STOP); }
    int32_t DoCmd(OUTCTL_CMD cmd) override {
        if (cmd != OUTCTL_START && cmd != OUTCTL_STOP && cmd != OUTCTL_ISSTARTED) return 0;
        return StimDoCmd(cmd, *this, false);
    }
    void ApplyPrefs(stAcq* acq) override {
        if (acq) return ApplyStimPrefs(*this, acq, true);
        CtlLock locked;
        if (locked) ApplyStimPrefs(*this, locked.get(), true);
    }
    void UpdateLimits() override {}
};

}  // namespace

// ---- COutSTM: what the pulse and stimulator kinds share ----

int32_t COutSTM::OnActivate() {
    CtlLock acq;
    if (!acq) return 1;
    acq->stim.active = 1;
    SelectPulseOutput(acq.get());
    return 1;
}

void COutSTM::OnDeactivate() { DoCmd(OUTCTL_STOP); }

int32_t COutSTM::DoCmd(OUTCTL_CMD cmd) { return StimDoCmd(cmd, *this, true); }

void COutSTM::ApplyPrefs(stAcq* acq) {
    if (acq) return ApplyStimPrefs(*this, acq, false);
    CtlLock locked;
    if (locked) ApplyStimPrefs(*this, locked.get(), false);
}

COutCtl* CreateStimulatorController(int32_t type, COutCtlView* view) {
    switch (type) {
    case kOutTypePulse: return new (std::nothrow) COutPulse(view);
    case kOutTypeSTM: return new (std::nothrow) COutTVXSTM(view);
    case kOutTypeSTMA: return new (std::nothrow) COutTVXSTMA(view);
    case kOutTypeRJ72C: return new (std::nothrow) CRJ72C(view);
    case kOutTypeRJ72CA: return new (std::nothrow) CRJ72CA(view);
    default: return nullptr;
    }
}

const COutCtlPref* StimulatorRangeTable(int32_t type, int32_t* count) {
    const stTables& t = Tables();
    switch (type) {
    case kOutTypePulse: *count = kStimPrefs; return t.pulse;
    case kOutTypeSTM: *count = kStimPrefs; return t.stm;
    case kOutTypeSTMA: *count = kStimPrefs; return t.stma;
    case kOutTypeRJ72C: *count = kRJ72CPrefs; return t.rj72c;
    case kOutTypeRJ72CA: *count = kRJ72CAPrefs; return t.rj72ca;
    default: *count = 0; return nullptr;
    }
}
