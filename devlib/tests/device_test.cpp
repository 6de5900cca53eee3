// Unit identity and what follows from it: the model and counts from the driver's path, the rate
// and gain tables, CVKDevice, the conversion of a graph's stored set-up (with the question it
// asks), and the shared utilities: number texts, rounding, version blocks, popup placement.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/model/setup_layout.h"
#include "devlib/services/free_room.h"
#include "devlib/services/popup_place.h"
#include "devlib/services/step_rounding.h"
#include "devlib/services/value_text.h"
#include "devlib/binding/binding.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

// ---- Identity ----

TEST(UnitIdentity, TheDriversPathChoosesTheModelAndEverythingWithIt) {
    struct {
        const char* path;
        int32_t model, printed, digital;
        const char* presets;
        const char* driver;
        const char* title;
        int32_t rates, gains;
    } cases[] = {
        {"\\\\.\\VKUSB", kModelVK40, 40, 0, "Vk40Presets.dat", "\\System32\\Drivers\\vkusb.sys", "&VK40", 19, 10},
        {"\\\\.\\VKUSB45", kModelVK45, 45, 8, "Vk45Presets.dat", "\\System32\\Drivers\\vk45usb.sys", "&VK45", 17, 12},
        {"\\\\.\\vkusb45", kModelVK45, 45, 8, "Vk45Presets.dat", "\\System32\\Drivers\\vk45usb.sys", "&VK45", 17, 12},
        {"\\\\.\\VKISA.VXD", kModelVK40, 40, 0, "Vk40Presets.dat", "\\System32\\Drivers\\vkusb.sys", "&VK40", 19, 10},
        {nullptr, kModelVK40, 40, 0, "Vk40Presets.dat", "\\System32\\Drivers\\vkusb.sys", "&VK40", 19, 10},
    };
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof(windows));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "null");
        ProbeUnitDriver(c.path);
        EXPECT_EQ(g_unitModel, c.model);
        EXPECT_EQ(CVKDevice::GetDeviceNum(), c.printed);
        EXPECT_EQ(NDChan, c.digital);
        EXPECT_EQ(NChanTotal, c.digital + 16);
        EXPECT_STREQ(g_unit.presetsFile, c.presets);
        EXPECT_EQ(std::string(g_unit.driverFile), std::string(windows) + c.driver);
        EXPECT_STREQ(CVKDevice::GetMenuTitle(), c.title);
        EXPECT_EQ(g_unit.rateCount, c.rates);
        EXPECT_EQ(g_unit.gainCount, c.gains);
        EXPECT_EQ(CVKDevice::IsVK40(), c.printed == 40 ? 1 : 0);
        EXPECT_EQ(CVKDevice::IsNotVK40(), c.printed == 40 ? 0 : 1);
    }
}

TEST(UnitIdentity, RateTablesOfBothModels) {
    ProbeUnitDriver("\\\\.\\VKUSB");
    const char* labels40[] = {"100K",  "40K",  "25K",  "10K",  "5000.0", "2000.0", "1000.0", "500.0", "250.0", "200.0",
                              "100.0", "50.0", "25.0", "20.0", "10.0",   "5.0",    "2.5",    "2.0",   "1.0"};
    const double periods40[] = {0.01, 0.025, 0.04, 0.1, 0.2, 0.5, 1, 2, 4, 5, 10, 20, 40, 50, 100, 200, 400, 500, 1000};
    for (int i = 0; i < 19; ++i) {
        SCOPED_TRACE(labels40[i]);
        EXPECT_STREQ(g_unit.rates[i].label, labels40[i]);
        EXPECT_EQ(g_unit.rates[i].periodMs, periods40[i]);
        EXPECT_EQ(g_unit.rates[i].allowance, i == 0 ? 1 : i == 1 ? 2 : 4);
    }
    ProbeUnitDriver("\\\\.\\VKUSB45");
    const char* labels45[] = {"100K",  "50K",   "25K",  "20K",  "10K",  "5000.0", "2000.0", "1000.0", "500.0",
                              "200.0", "100.0", "50.0", "20.0", "10.0", "5.0",    "2.0",    "1.0"};
    const double periods45[] = {0.01, 0.02, 0.04, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(labels45[i]);
        EXPECT_STREQ(g_unit.rates[i].label, labels45[i]);
        EXPECT_EQ(g_unit.rates[i].periodMs, periods45[i]);
        EXPECT_EQ(g_unit.rates[i].allowance, 4);
    }
}

TEST(UnitIdentity, GainTablesAndTheLookupOfAGainTheModelLacks) {
    struct {
        const char* path;
        double gain;
        int32_t code;
        const char* label;
        double range;
        double step;
    } cases[] = {
        {"\\\\.\\VKUSB", 100, 0, "x100", 10, 3.125e-07},
        {"\\\\.\\VKUSB", 2500, 5, "x2500", 10, 3.125e-07},
        {"\\\\.\\VKUSB", 25000, 8, "x25000", 10, 3.125e-07},
        {"\\\\.\\VKUSB", 50000, 9, "x50000", 10, 3.125e-07},
        {"\\\\.\\VKUSB", 20000, 1, "x200", 10, 3.125e-07},
        {"\\\\.\\VKUSB", 0, 1, "x200", 10, 3.125e-07},
        {"\\\\.\\VKUSB45", 10, 10, "x10", 100, 8.2372323e-06},
        {"\\\\.\\VKUSB45", 50, 12, "x50", 100, 8.2372323e-06},
        {"\\\\.\\VKUSB45", 500, 2, "x500", 10, 8.2372323e-07},
        {"\\\\.\\VKUSB45", 1000, 3, "x1000", 4, 3.2076985e-07},
        {"\\\\.\\VKUSB45", 5000, 6, "x5000", 4, 3.2076985e-07},
        {"\\\\.\\VKUSB45", 20000, 8, "x20000", 4, 3.2076985e-07},
        {"\\\\.\\VKUSB45", 2500, 1, "x200", 10, 8.2372323e-07},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " " << c.gain);
        ProbeUnitDriver(c.path);
        const stGainRow* row = FindGainRow(c.gain);
        EXPECT_EQ(row->code, c.code);
        EXPECT_STREQ(row->label, c.label);
        EXPECT_EQ(row->rangeVolts, c.range);
        EXPECT_EQ(row->offsetStep, c.step);
    }
}

TEST(UnitIdentity, AGraphIsDifferentOnlyWhenItRecordsAnotherModel) {
    auto gs = std::make_unique<tagGS>();
    ProbeUnitDriver("\\\\.\\VKUSB");
    gs->unitModel = 0;
    EXPECT_EQ(CVKDevice::IsDeviceDifferent(gs.get()), 0) << "no model recorded";
    gs->unitModel = kModelVK40;
    EXPECT_EQ(CVKDevice::IsDeviceDifferent(gs.get()), 0);
    gs->unitModel = kModelVK45;
    EXPECT_EQ(CVKDevice::IsDeviceDifferent(gs.get()), 1);
    EXPECT_EQ(CVKDevice::IsDeviceDifferent(nullptr), 0);
}

TEST(UnitIdentity, GainStoreTakesTheCodesOfTheRecordsGains) {
    ProbeUnitDriver("\\\\.\\VKUSB");
    HGLOBAL hAcq = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
    g_lib.hAcq = hAcq;
    {
        AcqLock acq(hAcq);
        const double gains[4] = {1000, 25000, 7, 50000};
        for (int i = 0; i < 4; ++i) acq->chans[i].gain = gains[i];
    }
    CVKDevice::GainStore(nullptr);
    EXPECT_EQ(std::vector<uint8_t>(g_storedGainCodes, g_storedGainCodes + 4), (std::vector<uint8_t>{3, 8, 1, 9}));
    g_lib.hAcq = nullptr;
    GlobalFree(hAcq);
}

TEST(UnitIdentity, AMismatchMarkKeepsTheFirstUntilCleared) {
    auto gs = std::make_unique<tagGS>();
    SetModelMismatch(gs.get(), 2);
    SetModelMismatch(gs.get(), 1);
    EXPECT_EQ(gs->modelMismatch, 2u);
    SetModelMismatch(gs.get(), 0);
    EXPECT_EQ(gs->modelMismatch, 0u);
    SetModelMismatch(gs.get(), 3);
    EXPECT_EQ(gs->modelMismatch, 3u);
}

// ---- A graph's stored set-up ----

// A set-up block as graphs store it: header, then 474-byte channel records (4 analog first).
class SetupBlock {
public:
    static constexpr size_t kFirst = kSetupHeaderBytes;
    static constexpr size_t kRecord = kSetupRecordBytes;

    explicit SetupBlock(int records = 16) : bytes(kFirst + records * kRecord) {
        Put(0, int16_t{0x0A02});
        Put(2, static_cast<int32_t>(bytes.size()));
        Put(6, static_cast<int32_t>(kFirst));
        Put(10, static_cast<int16_t>(records));
        Put(16, 1.0);
        Put(24, int32_t{6000});
        Put(28, int16_t{2});
        for (int i = 0; i < records; ++i) {
            const size_t r = Rec(i);
            Put(r, static_cast<int32_t>(kRecord));
            Put(r + 6, static_cast<int16_t>(i < 4 ? i : i - 4));
            Put(r + 8, static_cast<int16_t>(i < 4 ? 0 : 2));
            Put(r + 138, 200.0);
            Put(r + 156, int16_t{1});
            for (int f = 0; f < 3; ++f) Put(r + 170 + 8 * f, 100.0);
        }
    }
    static size_t Rec(int i) { return kFirst + i * kRecord; }
    template <typename T>
    void Put(size_t at, T v) {
        memcpy(bytes.data() + at, &v, sizeof(v));  // the host is little-endian, as the block is
    }
    template <typename T>
    T Get(size_t at) const {
        T v;
        memcpy(&v, bytes.data() + at, sizeof(v));
        return v;
    }
    void Enable(int ch) { Put(Rec(ch) + 4, int16_t{2}); }
    bool Enabled(int ch) const { return Get<int16_t>(Rec(ch) + 4) & 2; }
    double Gain(int ch) const { return Get<double>(Rec(ch) + 138); }
    double Offset(int ch) const { return Get<double>(Rec(ch) + 146); }
    double Period() const { return Get<double>(16); }
    int16_t Storage() const { return Get<int16_t>(28); }

    stSetupConversion Convert(int32_t unit, int32_t graph) {
        return ConvertSetupForUnit(bytes.data(), bytes.size(), unit, graph);
    }

    std::vector<uint8_t> bytes;
};

TEST(SetupConversion, TheFirstModelRecordsOneChannelAt100kHzAndTwoAt50kHz) {
    SetupBlock b;
    b.Put(16, 0.01);
    b.Put(24, int32_t{200000});
    b.Enable(1);
    b.Enable(2);
    b.Enable(3);
    b.Put(SetupBlock::Rec(1) + 164, int16_t{1});
    const stSetupConversion c = b.Convert(kModelVK40, kModelVK45);
    EXPECT_EQ(c.changed, 1);
    EXPECT_EQ(c.mismatch, 1);
    EXPECT_TRUE(b.Enabled(1));
    EXPECT_FALSE(b.Enabled(2));
    EXPECT_FALSE(b.Enabled(3));
    EXPECT_EQ(b.Storage(), 4);
    EXPECT_EQ(b.Get<int32_t>(24), 100000) << "a fast run is 100,000 frames at most";
    EXPECT_EQ(b.Get<int16_t>(SetupBlock::Rec(1) + 164), 0) << "no digital filters above 2 kHz";

    SetupBlock two;
    two.Put(16, 0.02);
    two.Enable(0);
    two.Enable(2);
    EXPECT_EQ(two.Convert(kModelVK40, kModelVK45).mismatch, 1);
    EXPECT_TRUE(two.Enabled(0));
    EXPECT_FALSE(two.Enabled(2)) << "channels 3 and 4 go";
    EXPECT_DOUBLE_EQ(two.Period(), 0.025) << "and 50 kHz becomes 40 kHz";

    SetupBlock single;
    single.Put(16, 0.02);
    single.Enable(2);
    EXPECT_EQ(single.Convert(kModelVK40, kModelVK45).mismatch, 3) << "one channel at 50 kHz stays; the rate changes";
    EXPECT_TRUE(single.Enabled(2));
}

TEST(SetupConversion, GainsOffsetsAndFiltersTheFirstModelLacks) {
    SetupBlock b;
    b.Put(SetupBlock::Rec(0) + 138, 20.0);
    b.Put(SetupBlock::Rec(1) + 138, 20000.0);
    b.Put(SetupBlock::Rec(1) + 146, 0.02);
    b.Put(SetupBlock::Rec(2) + 146, -0.03);
    b.Put(SetupBlock::Rec(2) + 156, int16_t{2});
    b.Put(SetupBlock::Rec(3) + 170, 10.0);
    b.Put(SetupBlock::Rec(3) + 178, 2000.0);
    const stSetupConversion c = b.Convert(kModelVK40, kModelVK45);
    EXPECT_EQ(c.mismatch, 2);
    EXPECT_EQ(b.Gain(0), 100);
    EXPECT_EQ(b.Gain(1), 25000);
    EXPECT_EQ(b.Offset(1), 0.01);
    EXPECT_EQ(b.Offset(2), -0.01);
    EXPECT_EQ(b.Get<int16_t>(SetupBlock::Rec(2) + 156), 1) << "5 Hz high-pass becomes 0.5 Hz";
    EXPECT_EQ(b.Get<double>(SetupBlock::Rec(3) + 170), 30);
    EXPECT_EQ(b.Get<double>(SetupBlock::Rec(3) + 178), 1000);
    EXPECT_EQ(b.Get<double>(SetupBlock::Rec(3) + 186), 100);
    EXPECT_EQ(b.Storage(), 2) << "1 kHz keeps its storage";
}

TEST(SetupConversion, GainsOffsetsFiltersAndRatesTheSecondModelLacks) {
    SetupBlock b(24);
    b.Put(16, 0.025);
    b.Put(SetupBlock::Rec(0) + 138, 2500.0);
    b.Put(SetupBlock::Rec(0) + 158, int16_t{1});
    b.Put(SetupBlock::Rec(1) + 138, 1000.0);
    b.Put(SetupBlock::Rec(1) + 146, 0.01);
    b.Put(SetupBlock::Rec(2) + 138, 500.0);
    b.Put(SetupBlock::Rec(2) + 146, 0.01);
    b.Put(SetupBlock::Rec(3) + 156, int16_t{2});
    b.Put(SetupBlock::Rec(3) + 170, 10.0);
    const stSetupConversion c = b.Convert(kModelVK45, kModelVK40);
    EXPECT_EQ(c.mismatch, 2);
    EXPECT_EQ(b.Gain(0), 2000);
    EXPECT_EQ(b.Get<int16_t>(SetupBlock::Rec(0) + 158), 0) << "no 1 kHz low-pass";
    EXPECT_EQ(b.Offset(1), 0.005) << "gain 1000 and up: 5 mV";
    EXPECT_EQ(b.Offset(2), 0.01) << "below 1000 the offset stays";
    EXPECT_EQ(b.Get<int16_t>(SetupBlock::Rec(3) + 156), 2);
    EXPECT_EQ(b.Get<double>(SetupBlock::Rec(3) + 170), 10);
    EXPECT_DOUBLE_EQ(b.Period(), 0.02) << "40 kHz becomes 50 kHz";
    EXPECT_EQ(b.Storage(), 2);
}

TEST(SetupConversion, NothingToConvertChangesNothing) {
    SetupBlock b(16);
    const std::vector<uint8_t> before = b.bytes;
    const stSetupConversion c = b.Convert(kModelVK45, kModelVK40);
    EXPECT_EQ(c.changed, 0);
    EXPECT_EQ(c.mismatch, 0);
    EXPECT_EQ(b.bytes, before);
}

TEST(SetupConversion, StartSignalModesOfOneModelRecordedWithTheOther) {
    struct {
        const char* what;
        int32_t unit, graph;
        int16_t mode, modeAfter, refAfter;
        int32_t delay, delayAfter;
    } cases[] = {
        {"0x90 on the first model", kModelVK40, kModelVK45, 0x93, 0x93, 3, -5, 0},
        {"0xA0 on the first model", kModelVK40, kModelVK45, 0xA1, 0xB1, 3, 9000000, 8388608},
        {"0x80 alone", kModelVK40, kModelVK45, 0x81, 0x81, 7, -5, -5},
        {"0x90 of a first-model graph", kModelVK40, kModelVK40, 0x90, 0x90, 7, -5, -5},
        {"0x90 on the second model", kModelVK45, kModelVK40, 0x90, 0x90, 4, -5, -5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetupBlock b;
        b.Put(30, c.mode);
        b.Put(32, int16_t{7});
        b.Put(12, c.delay);
        b.Convert(c.unit, c.graph);
        EXPECT_EQ(b.Get<int16_t>(30), c.modeAfter);
        EXPECT_EQ(b.Get<int16_t>(32), c.refAfter);
        EXPECT_EQ(b.Get<int32_t>(12), c.delayAfter);
    }
}

TEST(SetupConversion, BlocksThatCannotBeReadAreLeftAlone) {
    SetupBlock old;
    old.Put(0, int16_t{1535});
    old.Put(16, 0.01);
    EXPECT_EQ(old.Convert(kModelVK40, kModelVK45).changed, 0);

    SetupBlock cut;
    cut.Put(16, 0.01);
    EXPECT_EQ(ConvertSetupForUnit(cut.bytes.data(), 7000, kModelVK40, kModelVK45).changed, 0);

    SetupBlock lost;
    lost.Put(6, int32_t{0x7FFFFFF0});
    lost.Put(16, 0.02);
    const stSetupConversion c = lost.Convert(kModelVK40, kModelVK45);
    EXPECT_EQ(c.mismatch, 3) << "records out of reach are skipped; the header still converts";

    SetupBlock tiny;
    tiny.Put(SetupBlock::Rec(0), int32_t{4});  // a record length that would loop on the spot
    tiny.Put(16, 0.5);
    EXPECT_EQ(tiny.Convert(kModelVK40, kModelVK45).changed, 0);
    EXPECT_EQ(ConvertSetupForUnit(nullptr, 10000, kModelVK40, kModelVK45).changed, 0);
}

// ---- The question before converting ----

class Compatibility : public ::testing::Test {
protected:
    void SetUp() override {
        g_lib.instance = GetModuleHandleA(nullptr);
        ProbeUnitDriver("\\\\.\\VKUSB");
        gs = std::make_unique<tagGS>();
        gs->unitModel = kModelVK45;
        SetupBlock b;
        b.Put(SetupBlock::Rec(0) + 138, 20.0);
        gs->setupBlock = GlobalAlloc(GMEM_MOVEABLE, b.bytes.size());
        memcpy(GlobalLock(gs->setupBlock), b.bytes.data(), b.bytes.size());
        GlobalUnlock(gs->setupBlock);
        CVKDevice::m_hardwarewarning = 1;
    }
    void TearDown() override { GlobalFree(gs->setupBlock); }
    double StoredGain() {
        SetupBlock b;
        memcpy(b.bytes.data(), GlobalLock(gs->setupBlock), b.bytes.size());
        GlobalUnlock(gs->setupBlock);
        return b.Gain(0);
    }
    // Runs the check, answering its question with the button given.
    int32_t CheckAnswering(int button) {
        int32_t result = -1;
        WithDialogs(
            [&](HWND box) {
                questions.push_back(WindowText(box) + "|" + MessageBoxText(box));
                SendClick(box, button);
            },
            [&] { result = CVKDevice::CheckCompatibility(gs.get()); });
        return result;
    }

    std::unique_ptr<tagGS> gs;
    std::vector<std::string> questions;
};

TEST_F(Compatibility, CancelKeepsTheGraphAsItWas) {
    EXPECT_EQ(CheckAnswering(IDCANCEL), 0);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0],
              "Warning|This file was created for an VK45. You are using an VK40, so some parameters must be converted "
              "in order to record data. Data viewing and analysis functions will not be affected. Is this what you "
              "wish to do?");
    EXPECT_EQ(StoredGain(), 20);
    EXPECT_EQ(gs->modelMismatch, 0u);
}

TEST_F(Compatibility, OkConvertsAndMarksTheGraph) {
    EXPECT_EQ(CheckAnswering(IDOK), 1);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(StoredGain(), 100);
    EXPECT_EQ(gs->modelMismatch, 2u);
}

TEST_F(Compatibility, WithoutTheWarningItConvertsWithoutAsking) {
    CVKDevice::m_hardwarewarning = 0;
    EXPECT_EQ(CheckAnswering(IDCANCEL), 1);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(StoredGain(), 100);
}

TEST_F(Compatibility, NothingToConvertAsksNothing) {
    ProbeUnitDriver("\\\\.\\VKUSB45");
    gs->unitModel = kModelVK40;
    SetupBlock plain;
    memcpy(GlobalLock(gs->setupBlock), plain.bytes.data(), plain.bytes.size());
    GlobalUnlock(gs->setupBlock);
    EXPECT_EQ(CheckAnswering(IDCANCEL), 1);
    EXPECT_TRUE(questions.empty());
    GlobalFree(gs->setupBlock);
    gs->setupBlock = nullptr;
    EXPECT_EQ(CheckAnswering(IDCANCEL), 1) << "a graph without a set-up has nothing to convert";
    gs->setupBlock = GlobalAlloc(GMEM_MOVEABLE, 16);
    EXPECT_EQ(CVKDevice::CheckCompatibility(nullptr), 0);
}

// ---- Number texts ----

TEST(ValueText, FormatsByWidthDigitsAndFlags) {
    struct {
        int32_t width, digits;
        uint32_t flags;
        double value;
        const char* text;
    } cases[] = {
        {10, 3, 0, 0.0, "0"},
        {10, 3, 0x10, -1.5, "-1.5"},
        {10, 3, 0x10, 1.5, "+1.5"},
        {10, 4, 0, 3.14159, "3.142"},
        {10, 2, 0x01, 3.14159, "3.14"},
        {10, 2, 0x01, 2.0, "2.00"},
        {10, 2, 0x01, 0.001, "0.00"},
        {10, 1, 0x01, -0.001, "0.0"},
        {10, 3, 0x01, 1234.5678, "1234.568"},
        {10, 3, 0x01, 0.0456, "0.046"},
        {10, 6, 0, 1000000, "1E6"},
        {10, 6, 0x02, 1000000, "1000000"},
        {10, 6, 0, 120, "120"},
        {10, 3, 0, 0.0005, "5E-4"},
        {10, 3, 0, 0.05, "0.05"},
        {10, 4, 0x04, 12340, "1.234E4"},
        {10, 4, 0x14, 0.01234, "+1.234E-2"},
        {6, 6, 0, 12345678, "1.23E7"},
        {4, 3, 0, 1e200, "BIG"},
        {5, 3, 0, 1e-200, "SMALL"},
        {8, 3, 0x20, 1.5, "     1.5"},
        {6, 3, 0x80, 1.5, "1.5  "},
        {10, 3, 0x40, 12.5, "   12.5"},
        {3, 5, 0x02, 0.123456, "0.1"},
        {10, 3, 0, 9.9996, "10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " " << c.digits << " " << c.flags << " " << c.value);
        char text[64];
        memset(text, '#', sizeof(text));
        const int32_t length = FormatValueText(c.width, c.digits, c.flags, c.value, text);
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(length, static_cast<int32_t>(strlen(c.text)));
        EXPECT_LE(length, c.width);
    }
    char text[8] = "x";
    EXPECT_EQ(FormatValueText(0, 3, 0, 1.0, text), 0);
    EXPECT_STREQ(text, "");
}

// ---- Rounding ----

TEST(Rounding, ToAStepUpDownAndNearest) {
    struct {
        double value, step, up, down, nearest;
    } cases[] = {
        {-2.5, 1, -2, -3, -3}, {2.0, 1, 2, 2, 2}, {2.5, 1, 3, 2, 3},        {7, 5, 10, 5, 5},
        {-7, 5, -5, -10, -5},  {0, 0.5, 0, 0, 0}, {0.74, 0.5, 1, 0.5, 0.5}, {-0.74, 0.5, -0.5, -1, -0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " by " << c.step);
        EXPECT_EQ(RoundUp(c.value, c.step), c.up);
        EXPECT_EQ(RoundDown(c.value, c.step), c.down);
        EXPECT_EQ(RoundNearest(c.value, c.step), c.nearest);
    }
}

TEST(Rounding, AStepOfZeroTellsTheUserAndKeepsTheValue) {
    std::vector<std::string> boxes;
    double up = 0;
    double down = 0;
    double nearest = 0;
    WithDialogs(
        [&](HWND box) {
            boxes.push_back(WindowText(box) + "|" + MessageBoxText(box));
            SendClick(box, IDOK);
        },
        [&] {
            up = RoundUp(2.5, 0);
            down = RoundDown(2.5, 0);
            nearest = RoundNearest(2.5, 0);
        });
    EXPECT_EQ(up, 2.5);
    EXPECT_EQ(down, 2.5);
    EXPECT_EQ(nearest, 2.5);
    EXPECT_EQ(boxes, (std::vector<std::string>{"RoundUp|inc=0.0!", "RoundUp|inc=0.0!"})) << "nearest asks nothing";
}

// ---- Version blocks ----

TEST(VersionInfo, ReadsTheStringsOfTheFirstTranslation) {
    CVersionInfo info;
    ASSERT_EQ(info.Query(nullptr), 1) << "this program's own block";
    EXPECT_STREQ(info.Get(VI_FILEVERSION), "3.7.1.12");
    EXPECT_STREQ(info.Get(VI_COMPANYNAME), "Test Maker");
    EXPECT_STREQ(info.Get(VI_PRODUCTNAME), "Device Test");
    EXPECT_STREQ(info.Get(VI_COMMENTS), "Unlicensed version");
    EXPECT_STREQ(info.Get(VI_SPECIALBUILD), "Unlicensed version");
    EXPECT_EQ(info.m_major, 3);
    EXPECT_EQ(info.m_minor, 7);
    EXPECT_EQ(info.m_release, 1);
    EXPECT_EQ(info.m_build, 12);

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    const std::string plain = std::string(temp) + "vk40_version_plain.txt";
    HANDLE f = CreateFileA(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "text", 4, &written, nullptr);
    CloseHandle(f);
    EXPECT_EQ(info.Query(plain.c_str()), 0);
    EXPECT_STREQ(info.Get(VI_FILEVERSION), "") << "a file without a block empties every field";
    EXPECT_EQ(info.m_major, 0);
    EXPECT_EQ(info.Query("C:\\no\\such\\driver.sys"), 0);
    DeleteFileA(plain.c_str());
    EXPECT_STREQ(info.Get(static_cast<VERINFO>(12)), "");
}

// ---- Popup placement ----

RECT g_recorded;
LRESULT CALLBACK RecordingPopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOVE)
        PlaceChildWindow(window, &g_recorded, static_cast<int16_t>(LOWORD(lParam)),
                         static_cast<int16_t>(HIWORD(lParam)));
    return DefWindowProcA(window, message, wParam, lParam);
}

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingPopupProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VK40PlacementTest";
        RegisterClassA(&wc);
        owner = CreateWindowExA(0, "VK40PlacementTest", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500, 400,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        popup = CreateWindowExA(WS_EX_TOOLWINDOW, "VK40PlacementTest", "popup", WS_POPUP | WS_CAPTION | WS_THICKFRAME,
                                0, 0, 200, 100, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
        GetWindowRect(GetDesktopWindow(), &desktop);
    }
    void TearDown() override {
        DestroyWindow(popup);
        DestroyWindow(owner);
    }
    POINT OwnerOrigin() const {
        POINT p = {0, 0};
        ClientToScreen(owner, &p);
        return p;
    }
    RECT Where() const {
        RECT r;
        GetWindowRect(popup, &r);
        return r;
    }

    HWND owner = nullptr;
    HWND popup = nullptr;
    RECT desktop{};
};

TEST_F(Placement, APopupGoesToItsPlaceInTheOwnersClientArea) {
    RECT place = {10, 20, 250, 140};
    g_recorded = {-1, -1, -1, -1};
    PositionPopup(popup, &place, 1, SW_SHOWNA);
    const POINT o = OwnerOrigin();
    const RECT r = Where();
    EXPECT_EQ(r.left, o.x + 10);
    EXPECT_EQ(r.top, o.y + 20);
    EXPECT_EQ(r.right - r.left, 240);
    EXPECT_EQ(r.bottom - r.top, 120);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_EQ(g_recorded.left, -1) << "its own moves are not recorded";

    RECT empty = {30, 40, 30, 40};
    PositionPopup(popup, &empty, 0, 0);
    EXPECT_EQ(Where().left, o.x + 30);
    EXPECT_EQ(Where().right - Where().left, 240) << "an empty rectangle keeps the size";
    EXPECT_TRUE(IsWindowVisible(popup)) << "as visible as before";
}

TEST_F(Placement, APopupFarOffTheDesktopIsBroughtBackAndOneSlightlyOffStays) {
    const POINT o = OwnerOrigin();
    RECT farOut = {desktop.left - o.x - 190, 20, desktop.left - o.x + 10, 120};  // 95% out on the left
    PositionPopup(popup, &farOut, 1, SW_SHOWNA);
    EXPECT_EQ(Where().left, desktop.left);
    RECT slight = {desktop.left - o.x - 100, 20, desktop.left - o.x + 100, 120};  // half out
    PositionPopup(popup, &slight, 1, SW_SHOWNA);
    EXPECT_EQ(Where().left, desktop.left - 100);
    RECT below = {20, desktop.bottom - o.y - 5, 220, desktop.bottom - o.y + 95};  // 95% out below
    PositionPopup(popup, &below, 1, SW_SHOWNA);
    EXPECT_EQ(Where().bottom, desktop.bottom);
}

TEST_F(Placement, MovesAndSizesAreRecordedInTheOwnersClientCoordinates) {
    ShowWindow(popup, SW_SHOWNA);
    g_recorded = {};
    SetWindowPos(popup, nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const POINT o = OwnerOrigin();
    EXPECT_EQ(g_recorded.left, 300 - o.x);
    EXPECT_EQ(g_recorded.top, 250 - o.y);
    EXPECT_EQ(g_recorded.right - g_recorded.left, Where().right - Where().left);

    RECT client;
    GetClientRect(popup, &client);
    RECT stored = {5, 6, 0, 0};
    ClampWindowToScreen(popup, &stored, client.right, client.bottom);
    EXPECT_EQ(stored.right - stored.left, Where().right - Where().left);
    EXPECT_EQ(stored.bottom - stored.top, Where().bottom - Where().top);
}

TEST_F(Placement, MoveWShiftsAChildAcrossOrDown) {
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, owner, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    CVK40Fix::MoveW(child, 5, CVK40Fix::MOVE_HORZ);
    CVK40Fix::MoveW(child, -3, CVK40Fix::MOVE_VERT);
    RECT r;
    GetWindowRect(child, &r);
    POINT p = {r.left, r.top};
    ScreenToClient(owner, &p);
    EXPECT_EQ(p.x, 15);
    EXPECT_EQ(p.y, 7);
    EXPECT_EQ(r.right - r.left, 50);
    DestroyWindow(child);
}

// ---- Disk and memory ----

TEST(Resources, FreeDiskSpaceAndTheMemoryForARecording) {
    EXPECT_GT(GetFreeDiskSpace("C:\\"), 0.0);
    EXPECT_EQ(GetFreeDiskSpace("Q:\\no\\such\\"), 0.0);
    MEMORYSTATUS status{};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    EXPECT_DOUBLE_EQ(GetFreeMemoryForRecording(), 0.1 * static_cast<double>(status.dwTotalPhys));
}

}  // namespace
