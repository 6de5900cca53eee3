// The unit's outputs: preference records and sets, every controller's table, limits and commands,
// the stimulator's counts, commands, events and idle poll, the Manual Control and Stimulator
// panels driven as a user drives them, and a looped-back recording of the stimulator's pulses.
// The commands are checked byte for byte in the simulated unit's packet log.
#include <gtest/gtest.h>

#include <windows.h>

#include <cfloat>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/outputs/manual_control.h"
#include "devlib/acquisition/outputs/out_ctl.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/outputs/stim_ctl.h"
#include "devlib/acquisition/outputs/stim_panel.h"
#include "devlib/acquisition/outputs/stim_script.h"
#include "devlib/acquisition/outputs/stimulator.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
constexpr double N = DBL_MAX;

// A file name of this process alone; each call a new one.
std::string TempName(const char* stem) {
    static int serial = 0;
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    return std::string(temp) + stem + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial) + ".bin";
}

// ---- Preferences and sets ----

TEST(OutCtlPref, ValidateHoldsTheValueAtTheLimitItPassed) {
    const struct {
        double value, min, max;
        int32_t result;
        double after;
    } cases[] = {
        {5.2, 0, 4.9987, 0, 4.9987}, {-1, 0, 4.9987, 0, 0},  {2, 0, 4.9987, 1, 2},
        {0, 0, 4.9987, 1, 0},        {4.9987, 0, 4.9987, 1, 4.9987}, {1e300, N, N, 1, 1e300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        double v = c.value;
        EXPECT_EQ(COutCtlPref::Validate(&v, c.min, c.max, 0), c.result);
        EXPECT_EQ(v, c.after);
        COutCtlPref own(c.value, c.min, c.max, N, 0);
        EXPECT_EQ(own.Validate(0), c.result);
        EXPECT_EQ(own.m_value, c.after);
    }
    const COutCtlPref fresh;
    EXPECT_EQ(fresh.m_value, N);
    EXPECT_EQ(fresh.m_default, N);
    const COutCtlPref four(1, 2, 0.5, 1.5);
    EXPECT_EQ(four.m_value, 1.5) << "the four-value form starts at its default";
    EXPECT_EQ(four.IsDefault(), 1);
}

// The set's file form in a temporary file: written, then read from its start.
struct TempFile {
    std::string name = TempName("outctl_set_");
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ~TempFile() {
        CloseHandle(h);
        DeleteFileA(name.c_str());
    }
    void Write(const void* bytes, DWORD n) {
        DWORD done = 0;
        WriteFile(h, bytes, n, &done, nullptr);
    }
    void Rewind() { SetFilePointer(h, 0, nullptr, FILE_BEGIN); }
    DWORD Position() { return SetFilePointer(h, 0, nullptr, FILE_CURRENT); }
};

TEST(OutCtlPrefsSet, SavesAndLoadsBackUnchangedAndAnEmptySetIsFourBytes) {
    COutCtlPrefsSet set;
    EXPECT_EQ(set.IsDefault(), 1) << "an empty set holds only defaults";
    TempFile empty;
    ASSERT_EQ(set.Save(empty.h), 1);
    EXPECT_EQ(empty.Position(), 4u);
    uint8_t bytes[4] = {};
    set.SaveTo(bytes);
    EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    empty.Rewind();
    COutCtlPrefsSet back;
    back.Add(COutCtlPref(0, 1, N, 0));
    ASSERT_EQ(back.Load(empty.h), 1);
    EXPECT_EQ(back.GetSize(), 0);

    int32_t count = 0;
    const COutCtlPref* table = StimulatorRangeTable(kOutTypeRJ72C, &count);
    ASSERT_EQ(set.Init(table, count), 1);
    set.GetAt(22)->m_value = 3.5;
    EXPECT_EQ(set.IsDefault(), 0);
    TempFile file;
    ASSERT_EQ(set.Save(file.h), 1);
    EXPECT_EQ(file.Position(), 4u + 28u * 40u);
    file.Rewind();
    ASSERT_EQ(back.Load(file.h), 1);
    ASSERT_EQ(back.GetSize(), 28);
    for (int32_t i = 0; i < 28; ++i) EXPECT_EQ(memcmp(back.GetAt(i), set.GetAt(i), 40), 0) << i;

    COutCtlPrefsSet copy;
    copy = set;  // a deep copy: changing it leaves the original
    copy.GetAt(22)->m_value = 1.0;
    EXPECT_EQ(set.GetAt(22)->m_value, 3.5);
}

// A damaged count must not send the reader through the rest of the file as preferences.
TEST(OutCtlPrefsSet, ACountOutOfBoundsIsRefusedWithoutReadingOn) {
    const int32_t counts[] = {INT32_MAX, COutCtlPrefsSet::kMaxPrefs, -2, INT32_MIN};
    for (int32_t last : counts) {
        SCOPED_TRACE(last);
        TempFile file;
        file.Write(&last, 4);
        const double after[5] = {1, 2, 3, 4, 5};
        for (int i = 0; i < 3; ++i) file.Write(after, sizeof(after));
        file.Rewind();
        COutCtlPrefsSet set;
        EXPECT_EQ(set.Load(file.h), 0);
        EXPECT_EQ(set.GetSize(), 0);
        EXPECT_EQ(file.Position(), 4u) << "nothing past the count was read";

        std::vector<uint8_t> bytes(4 + 3 * 40);
        memcpy(bytes.data(), &last, 4);
        size_t used = 99;
        EXPECT_EQ(set.LoadFrom(bytes.data(), bytes.size(), &used), 0);
        EXPECT_EQ(used, 0u);
    }
    // A count that the bytes do not hold is refused too.
    const int32_t two = 2;
    uint8_t shortBytes[4 + 40] = {};
    memcpy(shortBytes, &two, 4);
    COutCtlPrefsSet set;
    size_t used = 99;
    EXPECT_EQ(set.LoadFrom(shortBytes, sizeof(shortBytes), &used), 0);
    EXPECT_EQ(used, 0u);
}

// ---- The range tables ----

TEST(OutputControllers, EveryKindFillsItsTableWithBothLimitsOrNeither) {
    const int32_t counts[kOutTypeCount] = {1, 2, 19, 1, 19, 19, 28, 22};
    for (int32_t type = 0; type < kOutTypeCount; ++type) {
        SCOPED_TRACE(type);
        std::unique_ptr<COutCtl> ctl(CreateOutputController(type, nullptr));
        ASSERT_NE(ctl, nullptr);
        ASSERT_EQ(ctl->Prefs().GetSize(), counts[type]);
        EXPECT_EQ(ctl->IsDefaultPrefsSet(), 1);
        for (int32_t i = 0; i < counts[type]; ++i) {
            const COutCtlPref* p = ctl->Prefs().GetAt(i);
            EXPECT_EQ(p->m_min == N, p->m_max == N) << "entry " << i;
            if (p->m_min != N) {
                EXPECT_LE(p->m_min, p->m_max) << "entry " << i;
            }
        }
    }
    EXPECT_EQ(CreateOutputController(8, nullptr), nullptr);
    EXPECT_EQ(CreateOutputController(-1, nullptr), nullptr);
}

TEST(OutputControllers, TablesHoldTheirKindsLimitsAndDefaults) {
    const int32_t saved = g_unitModel;
    g_unitModel = kModelVK40;
    const struct {
        int32_t type, index;
        double min, max, def;
    } cases[] = {
        {kOutTypeCH3, 0, N, N, 3},          {kOutTypeAnalog, 0, 0, 4.9987, 0},
        {kOutTypeDigital, 0, N, N, 1},      {kOutTypeDigital, 1, N, N, 0},
        {kOutTypePulse, 1, 1, 254, 2},      {kOutTypePulse, 3, 0, 100, 0},
        {kOutTypePulse, 6, 0.049, 100, 0.049}, {kOutTypePulse, 14, 0.098, 5000, 1.049},
        {kOutTypePulse, 11, 0.049, 5000, 0.049}, {kOutTypePulse, 18, COutSTM::m_resolution, 5000, 5.245},
        {kOutTypeSTM, 10, 0.049, 100, 0.06}, {kOutTypeSTM, 14, 0.3, 5000, 0.3},
        {kOutTypeSTM, 11, COutSTM::m_resolution, COutSTM::m_resolution, COutSTM::m_resolution},
        {kOutTypeSTMA, 10, 0, 0.15, 0},     {kOutTypeSTMA, 14, 0.146, 5000, 0.146},
        {kOutTypeSTMA, 11, COutSTM::m_resolution, 5000, 3.0},
        {kOutTypeRJ72C, 22, 0, 4.0959, 2.04795}, {kOutTypeRJ72C, 27, 0.001023975, 4.0959, 0.0204795},
        {kOutTypeRJ72C, 16, 0.1, 5000, 1000}, {kOutTypeRJ72CA, 5, 10, 20000, 10},
        {kOutTypeRJ72CA, 6, 0, 4000, 0},    {kOutTypeRJ72CA, 15, N, N, N},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " entry " << c.index);
        std::unique_ptr<COutCtl> ctl(CreateOutputController(c.type, nullptr));
        const COutCtlPref* p = ctl->Prefs().GetAt(c.index);
        ASSERT_NE(p, nullptr);
        EXPECT_DOUBLE_EQ(p->m_min, c.min);
        EXPECT_DOUBLE_EQ(p->m_max, c.max);
        EXPECT_DOUBLE_EQ(p->m_default, c.def);
    }
    g_unitModel = kModelVK45;
    std::unique_ptr<COutCtl> analog(CreateOutputController(kOutTypeAnalog, nullptr));
    EXPECT_DOUBLE_EQ(analog->Prefs().GetAt(0)->m_max, 4.0959);
    EXPECT_DOUBLE_EQ(analog->Prefs().GetAt(0)->m_step, 0.001);
    std::unique_ptr<COutCtl> pulse(CreateOutputController(kOutTypePulse, nullptr));
    EXPECT_DOUBLE_EQ(pulse->Prefs().GetAt(6)->m_min, 0.05);
    EXPECT_DOUBLE_EQ(pulse->Prefs().GetAt(14)->m_min, 0.06);
    EXPECT_DOUBLE_EQ(pulse->Prefs().GetAt(18)->m_default, 5.05);
    g_unitModel = saved;
}

TEST(OutputControllers, RangeHelpersFollowTheirPreferences) {
    std::unique_ptr<COutCtl> ctl(CreateOutputController(kOutTypeSTM, nullptr));
    auto* stm = static_cast<COutSTM*>(ctl.get());
    double low = 0, high = 0;
    // Entry 6 from 0.05 ms, the gap fixed at the resolution, the period up to 5000 ms.
    stm->GetPeriodRangeForPulseWidth(2.0, &low, &high, nullptr);
    EXPECT_DOUBLE_EQ(low, 2.0 + COutSTM::m_resolution);
    EXPECT_DOUBLE_EQ(high, 2.0 + COutSTM::m_resolution);
    COutCtlPrefsSet wide = ctl->Prefs();
    wide.GetAt(11)->m_max = 1000;
    stm->GetPeriodRangeForPulseWidth(0.01, &low, &high, &wide);
    EXPECT_DOUBLE_EQ(low, 0.05 + COutSTM::m_resolution) << "a width below the minimum starts at the minimum";
    EXPECT_DOUBLE_EQ(high, 1000.01);
    stm->GetPeriodRangeForPulseWidth(4500.0, &low, &high, &wide);
    EXPECT_DOUBLE_EQ(low, 4500.0 + COutSTM::m_resolution);
    EXPECT_DOUBLE_EQ(high, 5000.0) << "not beyond the longest period";
    wide.GetAt(14)->m_max = 100;
    stm->GetPeriodRangeForPulseWidth(200.0, &low, &high, &wide);
    EXPECT_DOUBLE_EQ(low, 100.0) << "an upper end below the lower one is exchanged with it";
    EXPECT_DOUBLE_EQ(high, 200.0 + COutSTM::m_resolution);
    wide.GetAt(14)->m_max = 5000;
    stm->GetWidthRangeForPulsePeriod(10.0, &low, &high, &wide);
    EXPECT_DOUBLE_EQ(low, 0.05);
    EXPECT_DOUBLE_EQ(high, 10.0 - COutSTM::m_resolution);

    std::unique_ptr<COutCtl> rj(CreateOutputController(kOutTypeRJ72C, nullptr));
    auto* rj72c = static_cast<COutTVXRJ72C*>(rj.get());
    const struct {
        double mode, low, high;
    } ranges[] = {{0, 0, 4.0959}, {1, 1.843155, 2.252745}, {2, 2.04795, 2.04795}};
    for (const auto& r : ranges) {
        rj->Prefs().GetAt(kStimLevelRange)->m_value = r.mode;
        low = high = -1;
        rj72c->VoltageRange(&low, &high, nullptr);
        EXPECT_DOUBLE_EQ(low, r.low) << r.mode;
        EXPECT_DOUBLE_EQ(high, r.high) << r.mode;
    }
    rj->Prefs().GetAt(kStimLevelRange)->m_value = 7;
    low = high = -1;
    rj72c->VoltageRange(&low, &high, nullptr);
    EXPECT_EQ(low, -1) << "another range value leaves the outputs";
}

// ---- Pure arithmetic ----

TEST(OutputArithmetic, AnalogCodesByModel) {
    const struct {
        double volts;
        int32_t model, code;
    } cases[] = {
        {2.5, kModelVK40, 0},        {5.0, kModelVK40, 32767},  {0.0, kModelVK40, -32768},
        {2.04795, kModelVK45, 0},    {4.0959, kModelVK45, 32767}, {3.0, 0, 0},
        {2.6, kModelVK40, 1310},
    };
    for (const auto& c : cases) EXPECT_EQ(AnalogCodeForVolts(c.volts, c.model), c.code) << c.volts;
    EXPECT_EQ(LevelCodeForVolts(2.04795, 2.04795), 0);
    EXPECT_EQ(LevelCodeForVolts(4.0959, 2.04795), 32767);
    EXPECT_EQ(LevelCodeForVolts(0.0, 2.04795), -32768);
}

TEST(OutputArithmetic, StimulatorCounts) {
    const struct {
        double width, rate, delay;
        bool repeating;
        uint16_t widthCount;
        uint8_t hundreds;
        uint16_t off, delayCount;
    } cases[] = {
        {1, 10, 0, true, 512, 0, 50691, 0},     // 99 ms off
        {0, 4, 0, true, 0, 2, 25601, 0},         // 250 ms off: two whole 100 ms and 50 ms
        {0, 5, 0, true, 0, 1, 51308, 0},         // exactly 200 ms
        {1, 10, 0, false, 512, 0, 512, 0},       // a single pulse: 1 ms off
        {1, 1000, 2, true, 512, 0, 26, 1024},    // no time off: the least count
        {1, 0.001, 0, true, 512, 255, 51308, 0}, // 1000 s off: as far as the byte counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " ms at " << c.rate << " Hz");
        stStimCounts out{};
        ASSERT_EQ(StimCalcCount(c.width, c.rate, c.delay, c.repeating, &out), 1);
        EXPECT_EQ(out.width, c.widthCount);
        EXPECT_EQ(out.hundreds, c.hundreds);
        if (c.rate > 0.01) {
            EXPECT_EQ(out.off, c.off);
        }
        EXPECT_EQ(out.delay, c.delayCount);
    }
}

TEST(OutputArithmetic, TheSecondModelCountsHundredthsOfAMillisecond) {
    const stUnitIdentity saved = g_unit;
    g_unit.stimFirst = 1;
    g_unit.stimSecond = 10000;
    g_unit.stimStep = 0.01;
    const struct {
        double width, rate, delay;
        uint16_t widthCount;
        uint8_t hundreds;
        uint16_t off, delayCount;
    } cases[] = {
        {2, 100, 5, 200, 0, 800, 500},
        {0, 4, 0, 0, 2, 5000, 0},     // 250 ms off
        {0, 5, 0, 0, 1, 10000, 0},    // exactly 200 ms
        {1, 1000, 0, 100, 0, 1, 0},   // no time off: the least count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " ms at " << c.rate << " Hz");
        stStimCounts out{};
        ASSERT_EQ(StimCalcCount(c.width, c.rate, c.delay, true, &out), 1);
        EXPECT_EQ(out.width, c.widthCount);
        EXPECT_EQ(out.hundreds, c.hundreds);
        EXPECT_EQ(out.off, c.off);
        EXPECT_EQ(out.delay, c.delayCount);
    }
    std::unique_ptr<COutCtl> pulse(CreateOutputController(kOutTypePulse, nullptr));
    EXPECT_DOUBLE_EQ(pulse->Prefs().GetAt(kStimPeriod)->m_step, 0.01) << "the panels step by the model's count";
    g_unit = saved;
}

// A rate of 0 or below has no period: nothing may divide by it.
TEST(OutputArithmetic, ARateOfZeroOrBelowGivesNoCountsAndNoStart) {
    for (double rate : {0.0, -5.0}) {
        stStimCounts out{};
        EXPECT_EQ(StimCalcCount(1, rate, 0, true, &out), 0) << rate;
        EXPECT_EQ(StimCalcCount(1, rate, 0, false, &out), 1) << "a single pulse needs no rate";
        stStimSetup s{};
        SetStimulatorDefaults(&s);
        s.rate = rate;
        uint8_t data[kStimDataBytes];
        EXPECT_EQ(StimulatorStartData(s, data), 0);
        s.continuous = 0;
        s.count = 1;
        EXPECT_EQ(StimulatorStartData(s, data), 1);
    }
    EXPECT_EQ(StimPeriodMs(0), 0);
    EXPECT_EQ(StimPeriodMs(-1), 0);
    // A period of 0 in a controller's set leaves the block's rate.
    stAcq* acq = new stAcq{};
    acq->stim.rate = 10;
    std::unique_ptr<COutCtl> ctl(CreateOutputController(kOutTypePulse, nullptr));
    ctl->Prefs().GetAt(kStimPeriod)->m_value = 0;
    ctl->ApplyPrefs(acq);
    EXPECT_EQ(acq->stim.rate, 10);
    ctl->Prefs().GetAt(kStimPeriod)->m_value = 20;
    ctl->ApplyPrefs(acq);
    EXPECT_EQ(acq->stim.rate, 50);
    delete acq;
}

TEST(OutputArithmetic, StartBytesFollowTheBlock) {
    stStimSetup s{};
    SetStimulatorDefaults(&s);
    s.correction = 0;
    uint8_t data[kStimDataBytes];
    ASSERT_EQ(StimulatorStartData(s, data), 1);  // continuous, 1 ms at 10 Hz
    EXPECT_EQ(Bytes(data, data + 10), (Bytes{1, 0, 255, 0, 0xC6, 0x03, 0x02, 0x00, 0, 0}));
    s.withAcquisition = 1;
    s.continuous = 0;
    s.count = 3;
    s.delay = 2;
    s.correction = 110;  // 0.11 ms off the width
    ASSERT_EQ(StimulatorStartData(s, data), 1);
    EXPECT_EQ(Bytes(data, data + 4), (Bytes{4, 0, 3, 0}));
    EXPECT_EQ(data[6] * 256 + data[7], 455) << "(1 - 0.11) / 0.001953";
    EXPECT_EQ(data[8] * 256 + data[9], 1024);
}

TEST(OutputArithmetic, ReferenceBytes) {
    const struct {
        int16_t channel, option1, option2;
        uint8_t first, second;
    } refs[] = {{0, 1, 1, 0, 4}, {3, 0, 1, 3, 6}, {5, 1, 0, 17, 5}, {12, 0, 0, 24, 7}};
    for (const auto& r : refs) {
        stStimSetup s{};
        s.refChannel = r.channel;
        s.refOptions[0] = r.option1;
        s.refOptions[1] = r.option2;
        uint8_t data[2];
        StimulatorReferenceData(s, data);
        EXPECT_EQ(data[0], r.first) << r.channel;
        EXPECT_EQ(data[1], r.second) << r.channel;
    }
}

TEST(OutputArithmetic, ManualControlLevels) {
    const struct {
        double typed, held;
        int32_t counts;
    } typed[] = {{6, 4.9987, 16375}, {-1, 0, -16384}, {2.5, 2.5, 0}, {4.9987, 4.9987, 16375}, {1.0, 1.0, -9830}};
    for (const auto& t : typed) {
        EXPECT_DOUBLE_EQ(ClampManualVolts(t.typed), t.held) << t.typed;
        EXPECT_EQ(ManualCountsFromVolts(ClampManualVolts(t.typed)), t.counts) << t.typed;
    }
    EXPECT_DOUBLE_EQ(ClampManualVolts(std::nan("")), 0.0);
    EXPECT_DOUBLE_EQ(ManualVoltsFromCounts(0), 2.5);
    EXPECT_DOUBLE_EQ(ManualVoltsFromCounts(16375), 2046 * 0.001220703125 + 2.5);
    const struct {
        int32_t counts, code, thumb, after;
    } scrolls[] = {
        {16000, SB_PAGEUP, 0, 16383},   {0, SB_PAGEUP, 0, 1000},       {-16000, SB_PAGEDOWN, 0, -16383},
        {16380, SB_LINEUP, 0, 16383},   {100, SB_LINEDOWN, 0, 84},     {-16370, SB_LINEDOWN, 0, -16383},
        {5, SB_THUMBTRACK, -200, 200},  {5, SB_ENDSCROLL, 0, 5},
    };
    for (const auto& s : scrolls)
        EXPECT_EQ(ManualScrolledCounts(s.counts, s.code, s.thumb), s.after) << s.counts << " " << s.code;
    EXPECT_EQ(ManualScrollPosition(-16384), 16383) << "the bar's top is the highest level";
    EXPECT_EQ(ManualScrollPosition(100), -100);
    uint8_t data[3];
    ManualLevelData(16375, data);
    EXPECT_EQ(Bytes(data, data + 3), (Bytes{127, 0xEE, 0}));
    ManualLevelData(-16384, data);
    EXPECT_EQ(Bytes(data, data + 3), (Bytes{0x80, 0x00, 0}));
}

TEST(OutputArithmetic, StimulatorPanelValuesAreHeldInRange) {
    const struct {
        stStimTyped typed;
        int16_t lock;
        double width, rate, lower, upper;
        int16_t count;
    } cases[] = {
        {{0.01, 10, 1, 20, 0}, 1, 0.049, 10, 1, 1000 / 0.149 - std::fmod(1000 / 0.149, 1.0), 1},
        {{1, 10.2, 1, 20, 300}, 0, 1, 11, 1, 20, 254},   // rate rounded up to the increment
        {{1, 50, 1, 20, 5}, 0, 1, 20, 1, 20, 5},          // held to the upper limit
        {{1, 0.1, 0, 20, 5}, 0, 1, 1, 1, 20, 5},          // lower limit at least the increment
        {{200, 10, 1, 20, 5}, 0, 1, 10, 1, 20, 5},        // width limit 1 ms
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.typed.width << " ms " << c.typed.rate << " Hz");
        stStimSetup s{};
        SetStimulatorDefaults(&s);
        s.lockLimits = c.lock;
        ApplyTypedStimValues(&s, c.typed);
        EXPECT_DOUBLE_EQ(s.width, c.width);
        EXPECT_DOUBLE_EQ(s.rate, c.rate);
        if (!c.lock) {
            EXPECT_DOUBLE_EQ(s.lowerLimit, c.lower);
            EXPECT_DOUBLE_EQ(s.upperLimit, c.upper);
        }
        EXPECT_EQ(s.count, c.count);
    }
    stStimSetup s{};
    SetStimulatorDefaults(&s);
    s.lowerLimit = s.upperLimit = 5;
    EXPECT_EQ(StimScrollPosition(s), 0) << "limits of one value give no division by 0";
    s.lowerLimit = 1;
    s.upperLimit = 21;
    s.rate = 11;
    EXPECT_EQ(StimScrollPosition(s), 8191);
    EXPECT_DOUBLE_EQ(StimScrolledRate(s, SB_LINELEFT, 0), 10);
    EXPECT_DOUBLE_EQ(StimScrolledRate(s, SB_THUMBTRACK, 16383), 21);
    s.rate = 21;
    EXPECT_DOUBLE_EQ(StimScrolledRate(s, SB_LINERIGHT, 0), 21) << "not above the upper limit";
}

// An increment of 0 would make the rate's rounding meaningless: the preferences refuse it.
TEST(OutputArithmetic, PreferencesRefuseAnIncrementOfZeroOrBelow) {
    for (double increment : {0.0, -1.0}) {
        stStimSetup s{};
        SetStimulatorDefaults(&s);
        const stStimSetup before = s;
        stStimPrefsTyped typed{1, 0, 0, 0, 2, 50, increment, 3};
        EXPECT_EQ(ApplyStimPreferences(&s, typed), 0) << increment;
        EXPECT_EQ(memcmp(&s, &before, sizeof(s)), 0) << "nothing stored";
    }
    stStimSetup s{};
    SetStimulatorDefaults(&s);
    stStimPrefsTyped typed{1, 0, 0, 0, 200, 500, 2000, 0.1};
    ASSERT_EQ(ApplyStimPreferences(&s, typed), 1);
    EXPECT_EQ(s.correction, 150) << "held to 150 microseconds";
    EXPECT_DOUBLE_EQ(s.increment, 500) << "no more than the highest rate of a 1 ms pulse, 1000 / 2";
    EXPECT_EQ(s.widthLimit, 100);
    EXPECT_EQ(s.delay, 0.5) << "a non-zero delay is at least 0.5 ms";
    EXPECT_EQ(s.withAcquisition, 1);
}

}  // namespace

// ---- Against the simulated unit ----

namespace {

// The log line of a USB packet.
std::string Sent(uint8_t command, const Bytes& data) {
    Bytes body{0x01, command};
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(Checksum(body));
    return "> " + Hex(body);
}


// The panel the program would report active for the attached graph.
struct stFakePanel {
    bool active = false;
    int32_t type = kOutTypePulse;
    COutCtl* controller = nullptr;
    HWND window = nullptr;
    std::vector<WPARAM> runningMessages;
} g_panel;

int32_t FindFakePanel(tagGS*, stOutputPanelInfo* info) {
    if (!g_panel.active) return 0;
    *info = stOutputPanelInfo{g_panel.window, g_panel.controller, g_panel.type};
    return 1;
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kOutCtlRunningMsg) {
        g_panel.runningMessages.push_back(wParam);
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeFakePanelWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OutputsTestPanel";
    RegisterClassA(&wc);
    return CreateWindowA("OutputsTestPanel", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

class Outputs : public SimulatedRunTest {
protected:
    Outputs() : SimulatedRunTest("Outputs") {}
    void SetUp() override {
        SimulatedRunTest::SetUp();
        logFile = folder + "\\packets.log";
        ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));
        g_panel = stFakePanel{};
        g_panel.window = MakeFakePanelWindow();
        SetOutputPanelFinder(FindFakePanel);
        g_stimReportedRunning = -1;
        g_stimStopAbsolutely = 0;
    }
    void TearDown() override {
        SetOutputPanelFinder(nullptr);
        SetStartupFlag(0);
        g_lib.readStatusEnable = 0;
        g_panel.active = false;
        DestroyWindow(g_panel.window);
        SimulatedRunTest::TearDown();
    }

    // The library over the unit, with what its start-up sent forgotten.
    stAcq* StartQuiet(const char* driver = "VKUSB") {
        stAcq* acq = Start(driver);
        SetStartupFlag(1);
        g_lib.readStatusEnable = 1;
        OnIdleAcquisition(hAcq, nullptr);  // the first idle turn sets the unit up
        EXPECT_NE(acq->run.statusState, kStatusNoUnit);
        TakeLog();
        return acq;
    }

    // The packets and replies logged since the last call.
    Lines TakeLog() {
        Lines lines;
        for (const std::string& line : TakePacketLog(logFile))
            if (line.compare(0, 2, "> ") == 0 || line.compare(0, 2, "< ") == 0) lines.push_back(line);
        return lines;
    }

    // The packets alone.
    Lines TakeSent() {
        Lines sent;
        for (const std::string& line : TakeLog())
            if (line.compare(0, 2, "> ") == 0) sent.push_back(line);
        return sent;
    }

    std::unique_ptr<COutCtl> Make(int32_t type) {
        std::unique_ptr<COutCtl> ctl(CreateOutputController(type, nullptr));
        EXPECT_NE(ctl, nullptr);
        return ctl;
    }

    void ShowAsActive(COutCtl* ctl, int32_t type) {
        g_panel.active = true;
        g_panel.type = type;
        g_panel.controller = ctl;
    }

    std::string logFile;
};

TEST_F(Outputs, TheChannelControllerRoutesItsInputAndGroundsOnlyItsOwn) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> ch3 = Make(kOutTypeCH3);
    const struct {
        double channel;
        uint8_t selector;
    } cases[] = {{3, 3}, {2.7, 6}, {1, 5}, {4, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.channel);
        ch3->Prefs().GetAt(0)->m_value = c.channel;
        ASSERT_EQ(ch3->DoCmd(OUTCTL_SELECT), 1);
        EXPECT_EQ(TakeLog(), (Lines{Sent(62, {c.selector}), kAck}));
        EXPECT_EQ(acq->outputMode, c.selector);
        EXPECT_EQ(ch3->DoCmd(OUTCTL_ISSELECTED), 1);
    }
    ASSERT_EQ(SetOutputParameter(acq, kOutSelRawDA), 1);
    TakeLog();
    EXPECT_EQ(ch3->DoCmd(OUTCTL_ISSELECTED), 0);
    ch3->OnDeactivate();
    EXPECT_EQ(TakeLog(), Lines{}) << "another output stays as it is";
    ASSERT_EQ(ch3->DoCmd(OUTCTL_SELECT), 1);
    TakeLog();
    ch3.reset();
    EXPECT_EQ(TakeLog(), (Lines{Sent(62, {4}), kAck})) << "its own routing is grounded when it goes";
    EXPECT_EQ(acq->outputMode, kOutSelDigital);
}

TEST_F(Outputs, TheVoltageAndDigitalControllersSendTheirBytes) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> analog = Make(kOutTypeAnalog);
    ASSERT_DOUBLE_EQ(analog->Prefs().GetAt(0)->m_max, 4.9987) << "the model-40 range";
    analog->Prefs().GetAt(0)->m_value = 2.5;
    ASSERT_EQ(analog->OnActivate(), 1);
    EXPECT_EQ(TakeLog(), (Lines{Sent(62, {2}), kAck, Sent(11, {0, 0, 0}), kAck}));
    const struct {
        double volts;
        Bytes data;
        int32_t code;
    } cases[] = {{5.0, {0x7F, 0xFF, 0}, 32767}, {0.0, {0x80, 0x00, 0}, -32768}, {2.6, {0x05, 0x1E, 0}, 1310}};
    for (const auto& c : cases) {
        analog->Prefs().GetAt(0)->m_value = c.volts;
        ASSERT_EQ(analog->DoCmd(OUTCTL_UPDATE), 1);
        EXPECT_EQ(TakeLog(), (Lines{Sent(11, c.data), kAck})) << c.volts;
        EXPECT_EQ(acq->manualValue, c.code);
    }
    EXPECT_EQ(analog->DoCmd(OUTCTL_START), 0) << "a voltage has no start";
    analog->OnDeactivate();
    EXPECT_EQ(TakeLog(), (Lines{Sent(11, {0x80, 0x00, 0}), kAck})) << "back to its default, 0 V";
    SetOutputParameter(acq, kOutSelChannel3);
    TakeLog();
    analog->OnDeactivate();
    EXPECT_EQ(TakeLog(), Lines{}) << "another output selected: nothing";

    std::unique_ptr<COutCtl> digital = Make(kOutTypeDigital);
    digital->Prefs().GetAt(1)->m_value = 0xA5;
    ASSERT_EQ(digital->OnActivate(), 1);
    EXPECT_EQ(TakeLog(), (Lines{Sent(13, {0, 0xA5}), kAck}));
    digital->Prefs().GetAt(0)->m_value = 0;
    ASSERT_EQ(digital->OnActivate(), 1);
    EXPECT_EQ(TakeLog(), Lines{}) << "no write on activation";
    digital->Prefs().GetAt(1)->m_value = 300;  // truncated to a byte
    ASSERT_EQ(digital->DoCmd(OUTCTL_WRITEDIGITAL), 1);
    EXPECT_EQ(TakeLog(), (Lines{Sent(13, {0, 300 & 0xFF}), kAck}));
}

TEST_F(Outputs, APulseTrainStartsStopsAndReportsItsRunning) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> pulse = Make(kOutTypePulse);
    ShowAsActive(pulse.get(), kOutTypePulse);
    COutCtlPrefsSet& p = pulse->Prefs();
    p.GetAt(kStimMode)->m_value = 1;
    p.GetAt(kStimCount)->m_value = 3;
    p.GetAt(kStimWidth)->m_value = 2;
    p.GetAt(kStimPeriod)->m_value = 10;
    ASSERT_EQ(pulse->OnActivate(), 1);
    EXPECT_EQ(TakeSent(), Lines{Sent(62, {4})});
    EXPECT_EQ(acq->stim.active, 1);
    pulse->ApplyPrefs();
    EXPECT_EQ(acq->stim.continuous, 0);
    EXPECT_EQ(acq->stim.count, 3);
    EXPECT_DOUBLE_EQ(acq->stim.rate, 100);
    EXPECT_DOUBLE_EQ(acq->stim.correction, 0);

    ASSERT_EQ(pulse->DoCmd(OUTCTL_START), 1);
    // 2 ms is 1024 counts, 8 ms off 4096 counts.
    Lines log = TakeLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], Sent(69, {1, 0, 3, 0, 0x10, 0x00, 0x04, 0x00, 0, 0}));
    EXPECT_EQ(log[1].substr(0, 8), "< 01 00 ") << "accepted";
    EXPECT_EQ(acq->stim.startRequested, 1);

    EXPECT_EQ(PollOutputControlState(acq), 1) << "running: the request stays";
    EXPECT_EQ(g_panel.runningMessages, (std::vector<WPARAM>{1}));
    EXPECT_EQ(TakeSent(), Lines{Sent(69, {10, 0, 0, 0, 0, 0, 0, 0, 0, 0})});
    AdvanceClock(40);
    EXPECT_EQ(PollOutputControlState(acq), 0);
    EXPECT_EQ(acq->stim.startRequested, 0);
    EXPECT_EQ(g_panel.runningMessages, (std::vector<WPARAM>{1, 0}));
    PollOutputControlState(acq);
    EXPECT_EQ(g_panel.runningMessages.size(), 2u) << "told only when the state changes";
    TakeLog();

    ASSERT_EQ(pulse->DoCmd(OUTCTL_STOPABSOLUTELY), 1);
    EXPECT_EQ(TakeSent(), Lines{Sent(69, Bytes(10, 0))});
    EXPECT_EQ(g_stimStopAbsolutely, 1);
    p.GetAt(kStimWithAcq)->m_value = 1;
    pulse->ApplyPrefs();
    EXPECT_EQ(acq->stim.withAcquisition, 0) << "stopped absolutely: no start with the recording";
}

TEST_F(Outputs, NothingStartsWithoutAnActiveStimulatorPanelOrARate) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> pulse = Make(kOutTypePulse);
    EXPECT_EQ(pulse->DoCmd(OUTCTL_START), 1);
    EXPECT_EQ(TakeSent(), Lines{Sent(62, {4})}) << "only the output chosen; no panel is active";
    ShowAsActive(pulse.get(), kOutTypeCH3);
    EXPECT_EQ(StartStimulator(acq), 1);
    EXPECT_EQ(TakeSent(), Lines{}) << "the active panel is no stimulator";
    ShowAsActive(pulse.get(), kOutTypePulse);
    acq->stim.continuous = 1;
    acq->stim.rate = 0;
    EXPECT_EQ(StartStimulator(acq), 0);
    EXPECT_EQ(TakeSent(), Lines{}) << "a rate of 0 has no period to send";
}

TEST_F(Outputs, TheUnitsRefusalIsShownWithItsText) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> pulse = Make(kOutTypePulse);
    ShowAsActive(pulse.get(), kOutTypePulse);
    pulse->ApplyPrefs();
    const struct {
        uint32_t code;
        const char* text;
    } cases[] = {{33, "The stimulator is active."}, {99, "Unknown stimulator error - STIM error 99"}};
    for (const auto& c : cases) {
        boxes->boxes.clear();
        ASSERT_TRUE(SimControlSetDword(kSimStimulatorError, c.code));
        int32_t code = -5;
        EXPECT_EQ(StartStimulator(acq, &code), 1) << "the command went through";
        EXPECT_EQ(code, static_cast<int32_t>(c.code));
        ASSERT_EQ(boxes->boxes.size(), 1u);
        EXPECT_EQ(boxes->boxes[0].text, c.text);
        EXPECT_EQ(boxes->boxes[0].caption, "VK40");
    }
    ASSERT_TRUE(SimControlSetDword(kSimStimulatorError, 0));
    boxes->boxes.clear();
    int32_t code = -5;
    EXPECT_EQ(StartStimulator(acq, &code), 1);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(Outputs, TheErrorTextsComeFromTheKeyedTables) {
    StartQuiet();
    const struct {
        uint8_t code;
        const char* text;
    } cases[] = {
        {0, ""},
        {1, "The number of pulses is zero."},
        {33, "The stimulator is active."},
        {34, "The number of pulses is zero."},
        {99, "Unknown stimulator error - STIM error 99"},
        {10, "Unknown stimulator error - STIM error 10"},
    };
    for (const auto& c : cases) {
        char text[256];
        StimulatorErrorText(c.code, text, sizeof(text));
        EXPECT_STREQ(text, c.text) << int(c.code);
    }
}

TEST_F(Outputs, TheRJ72CSetsItsLevelAndReferenceOnTheSecondModel) {
    stAcq* acq = StartQuiet("VKUSB45");
    std::unique_ptr<COutCtl> rj = Make(kOutTypeRJ72C);
    rj->Prefs().GetAt(kStimRefChannel)->m_value = 3;
    rj->ApplyPrefs();
    ASSERT_EQ(rj->OnActivate(), 1);
    EXPECT_EQ(TakeSent(), (Lines{Sent(62, {4}), Sent(11, {0, 0, 0}), Sent(197, {3, 5})}));
    rj->Prefs().GetAt(kStimLevel)->m_value = 4.0959;
    EXPECT_EQ(rj->DoCmd(OUTCTL_UPDATE), 0) << "the level alone is no stimulator command";
    EXPECT_EQ(TakeSent(), Lines{Sent(11, {0x7F, 0xFF, 0})});
    EXPECT_EQ(acq->manualValue, 32767);
    rj->OnDeactivate();
    EXPECT_EQ(TakeSent(), (Lines{Sent(69, Bytes(10, 0)), Sent(11, {0x80, 0x00, 0}), Sent(197, {0, 0})}));
}

TEST_F(Outputs, EventsSendWhatTheBlockAsks) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> pulse = Make(kOutTypePulse);
    ShowAsActive(pulse.get(), kOutTypePulse);
    SetOutputParameter(acq, kOutSelDigital);
    stStimSetup& s = acq->stim;
    s.correction = 0;
    struct stCase {
        const char* name;
        int16_t continuous, on, withAcq;
        int32_t running;
        int32_t event;
        size_t packets;  // how many went out
        uint8_t firstMode;  // the first packet's stimulator mode byte
    } cases[] = {
        {"button start, continuous switched on", 1, 1, 0, 0, kStimEvButtonStart, 1, 0},
        {"button start, continuous switched off", 1, 0, 0, 0, kStimEvButtonStart, 1, 1},
        {"button start, a train", 0, 1, 0, 0, kStimEvButtonStart, 1, 1},
        {"recording ends with acquisition", 1, 1, 1, 0, kStimEvRecordingEnds, 1, 0},
        {"recording ends with the button", 1, 1, 0, 0, kStimEvRecordingEnds, 0, 0},
        {"to a count while switched off", 1, 0, 0, 0, kStimEvToCount, 1, 0},
        {"to a count while on", 1, 1, 0, 0, kStimEvToCount, 0, 0},
        {"recording starts with acquisition", 1, 1, 1, 0, kStimEvRecordingStarts, 1, 4},
        {"to continuous asks first", 0, 1, 0, 0, kStimEvToContinuous, 1, 10},
        {"settings changed asks first", 1, 1, 0, 0, kStimEvSettingsChanged, 1, 10},
    };
    for (const stCase& c : cases) {
        SCOPED_TRACE(c.name);
        s.continuous = c.continuous;
        s.on = c.on;
        s.withAcquisition = c.withAcq;
        s.active = 1;
        s.count = 2;
        acq->run.running = c.running;
        TakeLog();
        EXPECT_EQ(StimulatorEvent(nullptr, acq, c.event), 1);
        const Lines sent = TakeSent();
        ASSERT_EQ(sent.size(), c.packets);
        if (c.packets) {
            EXPECT_EQ(sent[0].substr(0, 10), "> 01 45 " + Hex({c.firstMode}));
        }
        StopStimulator(acq, 1);
    }
}

// ---- The panels as windows ----

void TypeAndLeave(HWND dlg, int id, const char* text) {
    SetDlgItemTextA(dlg, id, text);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

void Click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

std::string Field(HWND dlg, int id) {
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, sizeof(text));
    return text;
}

TEST_F(Outputs, ManualControlSendsTheTypedAndScrolledLevel) {
    stAcq* acq = StartQuiet();
    HWND dlg = ManualControlWindow(hAcq);
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_EQ(acq->hwndManualControl, dlg);
    ShowManualControl(hAcq);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(acq->manualControlShown, 1);
    EXPECT_EQ(TakeSent(), (Lines{Sent(11, {0, 0, 0}), Sent(62, {2})})) << "showing sends what it shows";
    const struct {
        const char* typed;
        const char* shown;
        int32_t counts;
        Bytes data;
    } cases[] = {{"6", "4.9987", 16375, {0x7F, 0xEE, 0}},
                 {"-1", "0.0000", -16384, {0x80, 0x00, 0}},
                 {"volts", "0.0000", -16384, {0x80, 0x00, 0}},
                 {"3.75", "3.7500", 8192, {0x40, 0x00, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        TypeAndLeave(dlg, IDC_MANUAL_VOLTS, c.typed);
        EXPECT_EQ(Field(dlg, IDC_MANUAL_VOLTS), c.shown);
        EXPECT_EQ(acq->manualValue, c.counts);
        EXPECT_EQ(TakeLog(), (Lines{Sent(11, c.data), kAck}));
        EXPECT_EQ(GetScrollPos(GetDlgItem(dlg, IDC_MANUAL_SCROLL), SB_CTL), std::min(-c.counts, 16383));
    }
    acq->manualValue = 16000;
    HWND scroll = GetDlgItem(dlg, IDC_MANUAL_SCROLL);
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 0), reinterpret_cast<LPARAM>(scroll));
    EXPECT_EQ(acq->manualValue, 16383) << "page up from 16000 stops at the top";
    EXPECT_EQ(TakeSent(), Lines{Sent(11, {0x7F, 0xFE, 0})});
    EXPECT_NEAR(std::atof(Field(dlg, IDC_MANUAL_VOLTS).c_str()), 4.9988, 1e-9);
    EXPECT_EQ(GetScrollPos(scroll, SB_CTL), -16383);

    CheckRadioButton(dlg, IDC_MANUAL_VOLTAGE_OUT, IDC_MANUAL_CH3_OUT, IDC_MANUAL_CH3_OUT);
    Click(dlg, IDC_MANUAL_CH3_OUT);
    EXPECT_EQ(TakeSent(), Lines{Sent(62, {3})});
    for (int id : {IDC_MANUAL_VOLTS, IDC_MANUAL_SCROLL, IDC_MANUAL_VOLTS_LABEL, IDC_MANUAL_OUTPUT_GROUP})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, id))) << id;
    CheckRadioButton(dlg, IDC_MANUAL_VOLTAGE_OUT, IDC_MANUAL_CH3_OUT, IDC_MANUAL_VOLTAGE_OUT);
    Click(dlg, IDC_MANUAL_VOLTAGE_OUT);
    EXPECT_EQ(TakeSent(), Lines{Sent(62, {2})});
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_MANUAL_VOLTS)));
    Click(dlg, IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_EQ(acq->manualControlShown, 0);
}

TEST_F(Outputs, TheStimulatorPanelHoldsTypedValuesAndItsButtonStartsATrain) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> pulse = Make(kOutTypePulse);
    ShowAsActive(pulse.get(), kOutTypePulse);
    // Made with its first showing, over the settings the record already holds.
    EXPECT_EQ(acq->hwndStimulator, nullptr);
    ShowStimulatorPanel(hAcq);
    HWND dlg = acq->hwndStimulator;
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(acq->stim.active, 1);
    EXPECT_EQ(TakeSent(), Lines{Sent(62, {4})}) << "showing chooses the pulse output";
    EXPECT_EQ(Field(dlg, IDC_STIM_WIDTH), " 1.000");
    EXPECT_EQ(Field(dlg, IDC_STIM_RATE), " 10.00");
    EXPECT_EQ(Field(dlg, IDC_STIM_PERIOD), "(Period = 100.00 msec)");

    TypeAndLeave(dlg, IDC_STIM_WIDTH, "0.01");
    EXPECT_EQ(Field(dlg, IDC_STIM_WIDTH), " 0.049");
    EXPECT_DOUBLE_EQ(acq->stim.width, 0.049);
    TakeLog();
    TypeAndLeave(dlg, IDC_STIM_RATE, "12.5");
    EXPECT_EQ(Field(dlg, IDC_STIM_RATE), " 13.00") << "up to the next multiple of the increment";
    EXPECT_EQ(Field(dlg, IDC_STIM_PERIOD), "(Period =  76.92 msec)");

    CheckRadioButton(dlg, IDC_STIM_CONTINUOUS, IDC_STIM_NUMBERED, IDC_STIM_NUMBERED);
    Click(dlg, IDC_STIM_NUMBERED);
    EXPECT_EQ(acq->stim.continuous, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_STIM_COUNT)));
    const struct {
        const char* typed;
        const char* shown;
    } counts[] = {{"0", "  1"}, {"300", "254"}, {"3", "  3"}};
    for (const auto& c : counts) {
        TypeAndLeave(dlg, IDC_STIM_COUNT, c.typed);
        EXPECT_EQ(Field(dlg, IDC_STIM_COUNT), c.shown) << c.typed;
    }
    TakeLog();
    Click(dlg, IDC_STIM_START);
    EXPECT_EQ(acq->stim.startRequested, 1);
    const Lines sent = TakeSent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().substr(0, 17), "> 01 45 01 00 03 ") << "a train of three";
    Click(dlg, IDC_STIM_START);
    EXPECT_EQ(acq->stim.startRequested, 0);

    CheckRadioButton(dlg, IDC_STIM_CONTINUOUS, IDC_STIM_NUMBERED, IDC_STIM_CONTINUOUS);
    Click(dlg, IDC_STIM_CONTINUOUS);
    EXPECT_EQ(acq->stim.continuous, 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_STIM_SCROLL)));
    TakeLog();
    HWND scroll = GetDlgItem(dlg, IDC_STIM_SCROLL);
    SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0), reinterpret_cast<LPARAM>(scroll));
    EXPECT_EQ(Field(dlg, IDC_STIM_RATE), " 14.00");
    EXPECT_EQ(TakeSent(), Lines{Sent(69, {10, 0, 0, 0, 0, 0, 0, 0, 0, 0})}) << "a changed rate asks whether to restart";
    SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), reinterpret_cast<LPARAM>(scroll));
    EXPECT_DOUBLE_EQ(acq->stim.rate, acq->stim.lowerLimit) << "the bar's left end is the lower limit";
    EXPECT_EQ(GetScrollPos(scroll, SB_CTL), 0);

    acq->stim.increment = 0;
    boxes->boxes.clear();
    TypeAndLeave(dlg, IDC_STIM_RATE, "7.3");
    ASSERT_GE(boxes->boxes.size(), 1u);
    EXPECT_EQ(boxes->boxes[0].text, "inc=0.0!");
    EXPECT_EQ(boxes->boxes[0].caption, "RoundUp");
    EXPECT_DOUBLE_EQ(acq->stim.rate, 7.3) << "the typed rate stays";

    TakeLog();
    Click(dlg, IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_EQ(acq->stim.active, 0);
    EXPECT_EQ(TakeSent(), Lines{Sent(69, Bytes(10, 0))}) << "closing stops the stimulator";
}

TEST_F(Outputs, ThePreferencesKeepAskingWhileTheIncrementIsZero) {
    stAcq* acq = StartQuiet();
    acq->storageKind = kStorageMemory;
    bool stayedOpen = false;
    int32_t result = -1;
    WithDialogs(
        [&](HWND dlg) {
            EXPECT_EQ(ItemText(dlg, IDC_STIMPREF_INCREMENT), "1");
            SetDlgItemTextA(dlg, IDC_STIMPREF_INCREMENT, "0");
            SendClick(dlg, IDOK);
            stayedOpen = IsWindow(dlg) && IsWindowVisible(dlg);
            EXPECT_DOUBLE_EQ(acq->stim.increment, 1) << "nothing stored";
            SetDlgItemTextA(dlg, IDC_STIMPREF_INCREMENT, "2");
            SetDlgItemTextA(dlg, IDC_STIMPREF_CORRECTION, "500");
            SendClick(dlg, IDOK);
        },
        [&] { result = ShowStimulatorPreferences(frame, acq); });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, 1);
    EXPECT_DOUBLE_EQ(acq->stim.increment, 2);
    EXPECT_DOUBLE_EQ(acq->stim.correction, 150);
}

// ---- The scripts' stimulator settings ----

TEST_F(Outputs, ScriptSettingsChangeTheBlockOnlyWhenEveryCheckPasses) {
    stAcq* acq = StartQuiet();
    struct stCase {
        const char* name;
        std::vector<const char*> words;
        int32_t kind;
        bool changes;
    } cases[] = {
        {"StimMode", {"A$", "continuous", "3", "1", "10"}, kStimResultDurationMode, false},
        {"StimMode", {"Continuous", "0", "1", "10"}, kStimResultPulseNumber, false},
        {"StimMode", {"Continuous", "3", "2", "10"}, kStimResultWidthByLimit, false},
        {"StimMode", {"Continuous", "3", "1", "0"}, kStimResultMaxRate, false},
        {"StimMode", {"Continuous", "3", "1", "-4"}, kStimResultMaxRate, false},
        {"StimMode", {"Continuous", "3", "1", "2000"}, kStimResultMaxRate, false},
        {"StimMode", {"Continuous", "3", "1"}, kStimResultSyntax, false},
        {"StimMode", {"B@", "Pulse", "3", "0.5", "40"}, kStimResultSuccess, true},
        {"StimPref", {"Button", "0", "110", "0", "LockON", "LimitOFF", "1", "MarkerON"}, kStimResultIncrement, false},
        {"StimPref", {"Button", "0", "110", "-2", "LockON", "LimitOFF", "1", "MarkerON"}, kStimResultIncrement, false},
        {"StimPref", {"Button", "0", "200", "1", "LockON", "LimitOFF", "1", "MarkerON"}, kStimResultFactor, false},
        {"StimPref", {"Start", "0", "110", "1", "LockON", "LimitOFF", "1", "MarkerON"}, kStimResultStartMode, false},
        {"StimPref", {"Button", "0", "110", "1", "LockON", "LimitON", "150", "MarkerON"}, kStimResultWidthLimit, false},
        {"StimPref", {"Button", "2", "90", "0.5", "LockOFF", "LimitON", "50", "MarkerOFF"}, kStimResultSuccess, true},
        {"Stim", {"On"}, kStimResultOperation, false},
    };
    for (const stCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << (c.words.empty() ? "" : c.words[c.words.size() - 1]));
        const stStimSetup before = acq->stim;
        stStimResult result{};
        ASSERT_EQ(ExecuteStimCommand(acq, c.name, c.words.data(), static_cast<int32_t>(c.words.size()), &result), 1);
        EXPECT_EQ(result.kind, c.kind);
        EXPECT_STREQ(result.text, getMsgBoxText(StimResultKey(c.kind)));
        EXPECT_EQ(memcmp(&before, &acq->stim, sizeof(before)) != 0, c.changes);
    }
    EXPECT_EQ(acq->stim.continuous, 0);
    EXPECT_EQ(acq->stim.count, 3);
    EXPECT_DOUBLE_EQ(acq->stim.width, 0.5);
    EXPECT_DOUBLE_EQ(acq->stim.increment, 0.5);
    EXPECT_EQ(acq->stim.markers, 0);
    stStimResult result{};
    const char* words[] = {"A$", "x"};
    EXPECT_EQ(ExecuteStimCommand(acq, "stimmode", words, 2, &result), 0) << "names match exactly";
    EXPECT_STREQ(result.variable, "NOT_DEFINED");
    EXPECT_EQ(ExecuteStimCommand(acq, "StimMode", words, 2, &result), 1);
    EXPECT_STREQ(result.variable, "A$");
}

// "Stim ON" reports success only when a start went out and the unit took it.
TEST_F(Outputs, StimOnSucceedsOnlyWhenTheUnitAcceptsTheStart) {
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> pulse = Make(kOutTypePulse);
    const char* on[] = {"R$", "ON"};
    stStimResult result{};
    ASSERT_EQ(ExecuteStimCommand(acq, "Stim", on, 2, &result), 1);
    EXPECT_EQ(result.kind, kStimResultIgnored) << "no stimulator panel: nothing was started";
    ShowAsActive(pulse.get(), kOutTypePulse);
    ASSERT_TRUE(SimControlSetDword(kSimStimulatorError, 33));
    ASSERT_EQ(ExecuteStimCommand(acq, "Stim", on, 2, &result), 1);
    EXPECT_EQ(result.kind, kStimResultPulse) << "the unit refused the start";
    ASSERT_TRUE(SimControlSetDword(kSimStimulatorError, 0));
    TakeLog();
    ASSERT_EQ(ExecuteStimCommand(acq, "Stim", on, 2, &result), 1);
    EXPECT_EQ(result.kind, kStimResultSuccess);
    const Lines sent = TakeSent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], Sent(69, Bytes(10, 0))) << "stopped first";
    EXPECT_EQ(sent[1].substr(0, 16), "> 01 45 01 00 FF") << "then started, continuous";
    const char* off[] = {"OFF"};
    ASSERT_EQ(ExecuteStimCommand(acq, "Stim", off, 1, &result), 1);
    EXPECT_EQ(result.kind, kStimResultSuccess);
    EXPECT_EQ(TakeSent(), Lines{Sent(69, Bytes(10, 0))});
}

// The output as a recording of input 1 sees it through the loop: the analog voltage, input 3
// routed through, or the grounded output.
TEST_F(Outputs, TheOutputSelectorDecidesWhatALoopedBackInputRecords) {
    ASSERT_TRUE(SimControlSetDword("Signal1", kSimSignalLoopback));
    ASSERT_TRUE(SimControlSetDword("Signal3", kSimSignalDc));
    stAcq* acq = StartQuiet();
    std::unique_ptr<COutCtl> analog = Make(kOutTypeAnalog);
    std::unique_ptr<COutCtl> ch3 = Make(kOutTypeCH3);
    auto record = [&](double* loop, double* third) {
        Enable(acq, {0, 2}, {});
        SetUpRun(acq, kStorageMemory, 1.0, 20);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 97);
        ASSERT_EQ(acq->run.running, 0);
        for (int s : {1, 3}) {
            const auto* words = static_cast<const int16_t*>(gs->chanBlock[s]);
            ASSERT_NE(words, nullptr);
            double sum = 0;
            for (int f = 0; f < 20; ++f) sum += words[f];
            (s == 1 ? *loop : *third) = sum / 20;
        }
    };
    const double gain1 = acq->chans[0].gain;
    double loop = 0, third = 0;

    analog->Prefs().GetAt(0)->m_value = 3.0;
    ASSERT_EQ(analog->OnActivate(), 1);
    record(&loop, &third);
    const double volts = AnalogCodeForVolts(3.0, kModelVK40) / 13107.0 + 2.5;
    EXPECT_NEAR(loop, volts / kSimLoopbackDivider * gain1 * 3276.8, 2.0) << "the voltage, 1000:1";

    ASSERT_EQ(ch3->DoCmd(OUTCTL_SELECT), 1);
    EXPECT_EQ(acq->outputMode, kOutSelChannel3);
    record(&loop, &third);
    ASSERT_GT(third, 50.0);
    EXPECT_NEAR(loop, third * gain1 / kSimLoopbackDivider, 2.0) << "input 3 after its amplifier";

    ASSERT_EQ(ch3->DoCmd(OUTCTL_GROUND), 1);
    record(&loop, &third);
    EXPECT_NEAR(loop, 0.0, 2.0) << "grounded";
}

// ---- A recording of the pulses, looped back into input 1 ----

// Three pulses of 2 ms every 10 ms after a 5 ms delay, recorded at 1 ms from input 1.
void ExpectTrain(const tagGS* gs, double gain) {
    ASSERT_EQ(gs->chanCount[1], 60u);
    const auto* words = static_cast<const int16_t*>(gs->chanBlock[1]);
    // The unit's word: volts x gain x 3276.8; the output's 5 V reach the input as 5 mV.
    const double high = 5.0 / kSimLoopbackDivider * gain * 3276.8;
    ASSERT_GT(high, 100);
    for (int f = 0; f < 60; ++f) {
        const bool on = f >= 5 && f < 35 && (f - 5) % 10 < 2;
        EXPECT_NEAR(words[f], on ? high : 0.0, high / 100 + 2) << "frame " << f;
    }
}

class OutputsLoop : public Outputs {
protected:
    stAcq* StartLooped(const char* driver = "VKUSB") {
        EXPECT_TRUE(SimControlSetDword("Signal1", kSimSignalLoopback));
        stAcq* acq = StartQuiet(driver);
        pulse = Make(kOutTypePulse);
        ShowAsActive(pulse.get(), kOutTypePulse);
        COutCtlPrefsSet& p = pulse->Prefs();
        p.GetAt(kStimMode)->m_value = 1;
        p.GetAt(kStimCount)->m_value = 3;
        p.GetAt(kStimWithAcq)->m_value = 1;
        p.GetAt(kStimDelay)->m_value = 5;
        p.GetAt(kStimWidth)->m_value = 2;
        p.GetAt(kStimPeriod)->m_value = 10;
        EXPECT_EQ(pulse->OnActivate(), 1);
        pulse->ApplyPrefs();
        Enable(acq, {0}, {});
        SetUpRun(acq, kStorageMemory, 1.0, 60);
        TakeLog();
        return acq;
    }
    std::unique_ptr<COutCtl> pulse;
};

const std::string kTrainStart = Sent(69, {4, 0, 3, 0, 0x10, 0x00, 0x04, 0x00, 0x0A, 0x00});

TEST_F(OutputsLoop, ARecordingShowsTheTrainItsControllerArmed) {
    stAcq* acq = StartLooped();
    ASSERT_EQ(pulse->DoCmd(OUTCTL_START), 1);
    EXPECT_EQ(TakeSent(), Lines{kTrainStart}) << "armed to start with the sampling";
    acq->stim.active = 0;  // the run itself leaves the stimulator alone
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 97);
    ASSERT_EQ(acq->run.running, 0);
    ExpectTrain(gs.get(), acq->chans[0].gain);
}

TEST_F(OutputsLoop, ARunStartsAndStopsAStimulatorSetToRunWithIt) {
    stAcq* acq = StartLooped();
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Lines sent = TakeSent();
    const auto start = std::find(sent.begin(), sent.end(), kTrainStart);
    const auto sampling = std::find(sent.begin(), sent.end(), Sent(64, {1}));
    ASSERT_NE(start, sent.end()) << "the run's start sends the train";
    ASSERT_NE(sampling, sent.end());
    EXPECT_LT(start, sampling) << "before the sampling starts";
    Run(acq, 97);
    ASSERT_EQ(acq->run.running, 0);
    ExpectTrain(gs.get(), acq->chans[0].gain);
    sent = TakeSent();
    ASSERT_FALSE(sent.empty());
    EXPECT_NE(std::find(sent.begin(), sent.end(), Sent(69, Bytes(10, 0))), sent.end()) << "the run's end stops it";

    // Behind another output the stimulator takes nothing over.
    ShowAsActive(pulse.get(), kOutTypeAnalog);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 97);
    for (const std::string& line : TakeSent()) {
        EXPECT_NE(line.substr(0, 7), "> 01 45") << line;
        EXPECT_NE(line.substr(0, 10), "> 01 3E 04") << line;
    }
}

// The second model's pulse generator counts 0.01 ms: the same train comes out at the same times.
TEST_F(OutputsLoop, TheSecondModelRecordsTheSameTrain) {
    stAcq* acq = StartLooped("VKUSB45");
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    const Lines sent = TakeSent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), Sent(69, {4, 0, 3, 0, 0x03, 0x20, 0x00, 0xC8, 0x01, 0xF4})),
              sent.end());
    Run(acq, 97);
    ASSERT_EQ(acq->run.running, 0);
    ASSERT_EQ(gs->chanCount[1], 60u);
    const auto* words = static_cast<const int16_t*>(gs->chanBlock[1]);
    int16_t top = 0;
    for (int f = 0; f < 60; ++f) top = std::max(top, words[f]);
    ASSERT_GT(top, 100);
    for (int f = 0; f < 60; ++f) {
        const bool on = f >= 5 && f < 35 && (f - 5) % 10 < 2;
        EXPECT_EQ(words[f] > top / 2, on) << "frame " << f;
    }
}

}  // namespace
