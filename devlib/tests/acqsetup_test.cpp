// Acquisition Setup (600), Setup Triggering (1213), the autosave name (2112) and the device
// preferences (1000) as a user meets them: opened from the device menu over the simulated unit,
// driven with the messages choices, typing and clicks send, the record read back, and the next
// recording checked against the settings (the unit's packet log and the samples recorded).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/setup/acq_setup.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/acq_setup_rules.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/setup/chan_setup_rows.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/setup/prefs.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

// ---- The arithmetic, over plain values ----

TEST(AcqSetupRules, MaximumAndSizeTextsSwitchUnitsAtTheirLimits) {
    const struct {
        int32_t frames;
        const char* text;
    } maxima[] = {{150000, "150 kSamples"}, {99999, "99999 Samples"}, {100000, "100 kSamples"}, {0, "0 Samples"}};
    char text[64];
    for (const auto& c : maxima) {
        FormatMaxLengthText(c.frames, text, sizeof text);
        EXPECT_STREQ(text, c.text);
    }
    const struct {
        double bytes;
        const char* text;
    } sizes[] = {{1048577, "1 Mbytes"},
                 {1048576, "1024 Kbytes"},
                 {1024, "1024 bytes"},
                 {1025, "1 Kbytes"},
                 {3 * 1048576.0 + 600000, "4 Mbytes"}};
    for (const auto& c : sizes) {
        FormatSizeText(c.bytes, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.bytes;
    }
}

TEST(AcqSetupRules, MaximumLengthFollowsStorageRepeatAndChannels) {
    stMaxLengthInputs base{};
    base.repeatMode = kRepeatOnce;
    base.analog = 2;
    base.freeDiskBytes = 40000 + 4 * 1000;
    base.memoryBytes = 4000;
    base.unitMemoryBytes = 1048576;
    base.periodMs = 1;
    const struct {
        const char* what;
        int32_t storage, repeat, analog, digital, calc;
        double disk, unitMemory, period;
        int32_t frames;
    } cases[] = {
        {"disk: the reserve is kept", kStorageDisk, 1, 2, 0, 0, 44000, 1048576, 1, 999},
        {"disk at the reserve", kStorageDisk, 1, 2, 0, 0, 40000, 1048576, 1, 0},
        {"memory", kStorageMemory, 1, 2, 0, 0, 0, 1048576, 1, 999},
        {"a ring takes half", kStorageMemory, 2, 2, 0, 0, 0, 1048576, 1, 499},
        {"a calculation channel counts four", kStorageMemory, 1, 1, 0, 1, 0, 1048576, 1, 399},
        {"unit memory: the smaller", kStorageUnitMemory, 1, 2, 0, 0, 0, 2000, 1, 500},
        {"unit memory at 100K, one channel", kStorageUnitMemory, 1, 1, 0, 0, 0, 1048576, 0.01, 1992},
        {"no channel still takes two bytes", kStorageMemory, 1, 0, 0, 0, 0, 1048576, 1, 1999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        stMaxLengthInputs in = base;
        in.storage = c.storage;
        in.repeatMode = c.repeat;
        in.analog = c.analog;
        in.digital = c.digital;
        in.calc = c.calc;
        in.freeDiskBytes = c.disk;
        in.unitMemoryBytes = c.unitMemory;
        in.periodMs = c.period;
        EXPECT_EQ(ComputeMaxLength(in), c.frames);
    }
    stMaxLengthInputs huge = base;
    huge.storage = kStorageDisk;
    huge.freeDiskBytes = 1e15;
    EXPECT_EQ(ComputeMaxLength(huge), 2147483647) << "held at the largest 32-bit length";
}

TEST(AcqSetupRules, LengthsConvertBetweenFramesAndEachUnit) {
    const struct {
        double value;
        int32_t unit;
        double period;
        double frames;
    } cases[] = {
        {1.5, kLenSeconds, 1.0, 1500}, {250, kLenMs, 0.5, 500},  {2, kLenMinutes, 5.0, 24000},
        {1, kLenHours, 1000, 3600},    {77, kLenSamples, 9, 77}, {0.1, kLenSeconds, 0.1, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " in unit " + std::to_string(c.unit));
        EXPECT_DOUBLE_EQ(LengthFromValue(c.value, c.unit, c.period), c.frames);
        char text[64];
        FormatLengthText(static_cast<int32_t>(c.frames), c.unit, c.period, text, sizeof text);
        EXPECT_NEAR(std::atof(text), c.value, 1e-6) << text;
    }
}

TEST(AcqSetupRules, ModesExcludeWhatTheStorageCannotDo) {
    const struct {
        int16_t repeat, data;
        int32_t storage, autoRestart;
        int16_t wantRepeat, wantData;
    } cases[] = {
        {2, 1, kStorageMemory, 0, 2, 1}, {2, 3, kStorageMemory, 0, 1, 3}, {2, 1, kStorageDisk, 0, 1, 1},
        {2, 1, kStorageUnitMemory, 0, 1, 1},   {2, 1, kStorageDoubles, 1, 1, 1},  {2, 2, kStorageDoubles, 0, 2, 2},
        {1, 3, kStorageDisk, 0, 1, 1},   {1, 3, kStorageDoubles, 0, 1, 1},  {1, 3, kStorageUnitMemory, 0, 1, 3},
    };
    for (const auto& c : cases) {
        const int16_t data = AllowedDataMode(c.data, c.storage);
        EXPECT_EQ(data, c.wantData) << c.storage;
        EXPECT_EQ(AllowedRepeatMode(c.repeat, c.storage, data, c.autoRestart), c.wantRepeat) << c.storage;
    }
}

TEST(AcqSetupRules, TheFirstModelsChannelsSetTheShortestPeriod) {
    EXPECT_NEAR(ChannelMinimumPeriod(kStorageMemory, 4, 1), 5 * 0.0545 + 0.0364, 1e-12);
    EXPECT_NEAR(ChannelMinimumPeriod(kStorageDisk, 1, 0), 0.0909, 1e-12);
    EXPECT_EQ(ChannelMinimumPeriod(kStorageMemory, 0, 0), 0);
    EXPECT_EQ(ChannelMinimumPeriod(kStorageUnitMemory, 1, 0), 0);
    EXPECT_EQ(ChannelMinimumPeriod(kStorageUnitMemory, 3, 0), 0.02);
    EXPECT_EQ(ChannelMinimumPeriod(kStorageFastUnitMemory, 4, 0), 0.04);
}

TEST(AcqSetupRules, NamesAndLevelsAreNormalised) {
    const struct {
        const char* typed;
        const char* name;
    } names[] = {{"c:\\data\\ab.acq", "AB__"}, {"rat12345", "RAT1"}, {"", "____"}, {"d:/x/frog.2.dat", "FROG"}};
    for (const auto& c : names) {
        char out[16] = "";
        NormaliseAutosaveName(c.typed, out, sizeof out);
        EXPECT_STREQ(out, c.name) << c.typed;
    }
    const double s = 1 / 3276.8;
    EXPECT_DOUBLE_EQ(TriggerLevelShown(2.5, s, 0), 2.5);
    EXPECT_DOUBLE_EQ(TriggerLevelFromShown(12, s, 0), 12);
    EXPECT_DOUBLE_EQ(TriggerLevelFromShown(7, 2 * s, 1), 3);
    EXPECT_EQ(TriggerLevelFromShown(7, 0, 1), 0) << "a channel without a scale gives no division by 0";
}

TEST(AcqSetupRules, ManualOutputVoltsBecomeCountsAndOnlyASetStoresThem) {
    const struct {
        double volts;
        int32_t counts;
    } cases[] = {{2.5, 1}, {0, -16383}, {5.0, 16385}, {2.4999, 0}, {-1.0, -22936}};
    stAcq* acq = new stAcq{};
    for (const auto& c : cases) {
        int32_t counts = 12345;
        acq->manualValue = 99;
        EXPECT_EQ(SetManualOutputVolts(acq, 1, c.volts, &counts), 0);
        EXPECT_EQ(counts, c.counts) << c.volts;
        EXPECT_EQ(acq->manualValue, 99) << "a query stores nothing";
        EXPECT_EQ(SetManualOutputVolts(acq, 0, c.volts, nullptr), 0) << "no unit: the level was not taken";
        EXPECT_EQ(acq->manualValue, c.counts);
    }
    delete acq;
}

// ---- The windows over the simulated unit ----


void Choose(HWND dlg, int id, int index) {
    HWND combo = GetDlgItem(dlg, id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

bool ChooseText(HWND dlg, int id, const char* text) {
    const LRESULT index =
        SendDlgItemMessageA(dlg, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (index == CB_ERR) return false;
    Choose(dlg, id, static_cast<int>(index));
    return true;
}

// Typed over the field's text, then the focus leaves it.
void Type(HWND dlg, int id, const char* text) {
    HWND edit = GetDlgItem(dlg, id);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (const char* p = text; *p; ++p) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(*p), 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
}

void ClickCheck(HWND dlg, int id) {
    HWND box = GetDlgItem(dlg, id);
    SendMessageA(box, BM_CLICK, 0, 0);
}

std::string SelectedText(HWND dlg, int id) {
    const LRESULT at = SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return "";
    char text[128] = "";
    SendDlgItemMessageA(dlg, id, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text));
    return text;
}

class AcqSetupWindows : public SimulatedRunTest {
protected:
    AcqSetupWindows() : SimulatedRunTest("acqsetup") {}

    void SetUp() override {
        SimulatedRunTest::SetUp();
        logFile = folder + "\\packets.log";
    }

    // The device menu's command, as the program passes it on.
    HWND Open(int command) {
        ops.onDriverCommand(hAcq, frame, command, nullptr, 0);
        stAcq* acq = lock->get();
        return command == IDM_TRIGGERING ? acq->hwndTrigger : acq->hwndAcqSetup;
    }

    static void Enable(stAcq* acq, std::vector<int> analog) {
        for (int i = 0; i < kAnalogChannels; ++i) {
            stAcqChan& c = acq->chans[i];
            c.flags &= ~2u;
            for (int n : analog)
                if (c.group == kGroupAnalog && c.number == n) c.flags |= 2u;
        }
    }

    std::vector<std::string> Log() const { return ReadPacketLog(logFile); }

    // The data bytes of the first packet the library sent with a command ("" when it never sent it).
    std::string Sent(uint8_t command) const {
        char head[8];
        std::snprintf(head, sizeof head, " %02X", command);
        for (const std::string& line : Log()) {
            if (line.rfind("> ", 0) != 0 || line.size() < 8) continue;
            if (line.compare(4, 3, head) != 0) continue;
            return line.substr(8, line.size() > 11 ? line.size() - 11 : 0);
        }
        return "";
    }

    // Starts a recording and polls it to its end as the idle loop would.
    void Record(stAcq* acq) {
        DeleteFileA(logFile.c_str());
        ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int polls = 0; acq->run.running && polls < 4000; ++polls) {
            AdvanceClock(50);
            CheckAcquisitionStatus(acq);
        }
        EXPECT_EQ(acq->run.running, 0);
        SimControlSetString(kSimLogFile, "");
    }

    std::string logFile;
};

std::string Items(HWND dlg, int id) {
    std::string all;
    const LRESULT n = SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[128] = "";
        SendDlgItemMessageA(dlg, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        all += (i ? "|" : "") + std::string(text);
    }
    return all;
}

TEST_F(AcqSetupWindows, TheMenuShowsTheDialogWithOnlyTheConnectedModelsRates) {
    const struct {
        const char* driver;
        const char* rates;
    } models[] = {
        {"VKUSB", "100K|40K|25K|10K|5000.0|2000.0|1000.0|500.0|250.0|200.0|100.0|50.0|25.0|20.0|10.0|5.0|2.5|2.0|1.0"},
        {"VKUSB45", "100K|50K|25K|20K|10K|5000.0|2000.0|1000.0|500.0|200.0|100.0|50.0|20.0|10.0|5.0|2.0|1.0"},
    };
    for (const auto& m : models) {
        SCOPED_TRACE(m.driver);
        stAcq* acq = Start(m.driver);
        HWND dlg = Open(IDM_ACQUISITION);
        ASSERT_TRUE(IsWindow(dlg));
        EXPECT_TRUE(IsWindowVisible(dlg));
        EXPECT_EQ(acq->acqSetupShown, 1);
        EXPECT_EQ(Items(dlg, IDC_SAMPLE_RATE), m.rates);
        EXPECT_EQ(SelectedText(dlg, IDC_SAMPLE_RATE), "200.0") << "5 ms a frame at start";
        EXPECT_EQ(SelectedText(dlg, IDC_STORAGE), "PC Memory");
        EXPECT_EQ(Items(dlg, IDC_STORAGE), "Hard Disk|PC Memory");
        EXPECT_EQ(SelectedText(dlg, IDC_DATA_MODE), "Append");
        EXPECT_EQ(ControlText(dlg, IDC_LENGTH), "30.000000") << "6,000 frames of 5 ms, in seconds";
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_ACQ_RESET)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_ACQ_FILE)));
        char max[64];
        FormatMaxLengthText(acq->maxLength, max, sizeof max);
        EXPECT_GT(acq->maxLength, 0);
        EXPECT_EQ(ControlText(dlg, IDC_MAX_LENGTH), max);
        SendMessageA(dlg, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindowVisible(dlg));
        EXPECT_EQ(acq->acqSetupShown, 0);
        Stop();
    }
}

// Rate 1000 (1 ms), 1.5 seconds into memory once: the unit is told the period and the graph
// holds exactly 1,500 frames of the counting pattern.
TEST_F(AcqSetupWindows, TheNextRecordingFollowsRateLengthAndModes) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 2});
    HWND dlg = Open(IDM_ACQUISITION);
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "1000.0"));
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 1.0);
    EXPECT_EQ(acq->acqLength, 30000) << "the 30 s of the old length stay 30 s";
    Choose(dlg, IDC_DATA_MODE, 0);
    EXPECT_EQ(acq->dataMode, 1);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_ACQ_RESET)));
    Choose(dlg, IDC_LENGTH_UNIT, kLenSeconds);
    Type(dlg, IDC_LENGTH, "1.5");
    EXPECT_EQ(acq->acqLength, 1500);
    EXPECT_EQ(ControlText(dlg, IDC_LENGTH), "1.500000");
    EXPECT_EQ(ControlText(dlg, IDC_SIZE_NEEDED), "6 Kbytes") << "1,500 frames of two channels";
    EXPECT_TRUE(boxes->boxes.empty());

    Record(acq);
    EXPECT_EQ(Sent(54), "00 02") << "the period in half milliseconds";
    EXPECT_EQ(gs->chanCount[1], 1500u);
    EXPECT_EQ(gs->chanCount[3], 1500u);
    EXPECT_DOUBLE_EQ(gs->sampleInterval, 1.0);
    const auto* first = static_cast<const uint16_t*>(gs->chanBlock[1]);
    ASSERT_NE(first, nullptr);
    for (uint32_t i : {0u, 749u, 1499u}) EXPECT_EQ(first[i], SimCountingWord(i, 0)) << i;
}

// "Record Last" chosen in the dialog: the run goes on past its length and keeps the newest
// frames, oldest first.
TEST_F(AcqSetupWindows, ARingChosenInTheDialogKeepsTheLastLength) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0});
    HWND dlg = Open(IDM_ACQUISITION);
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "1000.0"));
    Choose(dlg, IDC_DATA_MODE, 0);
    Choose(dlg, IDC_REPEAT_MODE, 1);
    EXPECT_EQ(acq->repeatMode, 2);
    Choose(dlg, IDC_LENGTH_UNIT, kLenSamples);
    Type(dlg, IDC_LENGTH, "700");
    ASSERT_EQ(acq->acqLength, 700);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    for (int i = 0; i < 25; ++i) {  // 2,500 frames
        AdvanceClock(100);
        CheckAcquisitionStatus(acq);
    }
    ASSERT_EQ(acq->run.running, 1) << "a ring is not ended by its length";
    g_runLayer.scriptStopRequest = 1;
    CheckAcquisitionStatus(acq);
    g_runLayer.scriptStopRequest = 0;
    ASSERT_EQ(acq->run.running, 0);
    const uint32_t recorded = acq->run.readPosition / 2;
    ASSERT_GT(recorded, 2400u);
    ASSERT_EQ(gs->chanCount[1], 700u);
    const auto* samples = static_cast<const uint16_t*>(gs->chanBlock[1]);
    for (uint32_t i : {0u, 350u, 699u}) EXPECT_EQ(samples[i], SimCountingWord(recorded - 700 + i, 0)) << i;
}

TEST_F(AcqSetupWindows, OutOfRangeLengthsAreHeldBetweenOneAndTheMaximum) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0});
    HWND dlg = Open(IDM_ACQUISITION);
    Choose(dlg, IDC_LENGTH_UNIT, kLenSamples);
    const int32_t longest = acq->maxLength;
    ASSERT_GT(longest, 1000);
    const struct {
        const char* typed;
        int32_t length;
    } cases[] = {{"99999999999", longest}, {"-5", 1}, {"0", 1}, {"abc", 1}, {"1234", 1234}};
    for (const auto& c : cases) {
        Type(dlg, IDC_LENGTH, c.typed);
        EXPECT_EQ(acq->acqLength, c.length) << c.typed;
        EXPECT_EQ(ControlText(dlg, IDC_LENGTH), std::to_string(c.length)) << c.typed;
    }
    // The scroll bar moves by a frame, a hundredth of the maximum, or to its thumb.
    SendMessageA(dlg, WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_LENGTH_SCROLL)));
    EXPECT_EQ(acq->acqLength, 1235);
    SendMessageA(dlg, WM_HSCROLL, SB_PAGEDOWN, reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_LENGTH_SCROLL)));
    EXPECT_EQ(acq->acqLength, 1235 + longest / 100);
    SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 500),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_LENGTH_SCROLL)));
    EXPECT_LE(acq->acqLength, longest);
    EXPECT_EQ(acq->acqLength, 500 * (longest / 500));
    EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(AcqSetupWindows, FastRatesOnTheFirstModelFollowItsChannelAndStorageRules) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 1});
    HWND dlg = Open(IDM_ACQUISITION);
    // 100K with two channels: refused, the old rate stays.
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "100K"));
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 5.0);
    EXPECT_EQ(SelectedText(dlg, IDC_SAMPLE_RATE), "200.0");
    ASSERT_EQ(boxes->boxes.size(), 1u);
    EXPECT_EQ(boxes->boxes[0].caption, "Acquisition Setup");
    EXPECT_NE(boxes->boxes[0].text.find("Only one channel can be active"), std::string::npos);
    // 40K with the third input on: refused likewise.
    Enable(acq, {2});
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "40K"));
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 5.0);
    ASSERT_EQ(boxes->boxes.size(), 2u);
    EXPECT_EQ(boxes->boxes[1].text.rfind("This sample rate (40Ksamples/sec) has special requirements.", 0), 0u);
    // 10K: the unit's own memory, said once, and the list shows and locks it.
    Enable(acq, {0});
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "10K"));
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 0.1);
    EXPECT_EQ(acq->storageKind, kStorageUnitMemory);
    ASSERT_EQ(boxes->boxes.size(), 3u);
    EXPECT_NE(boxes->boxes[2].text.find("High Speed"), std::string::npos);
    EXPECT_EQ(Items(dlg, IDC_STORAGE), "Hard Disk|PC Memory|VK40 Memory");
    EXPECT_EQ(SelectedText(dlg, IDC_STORAGE), "VK40 Memory");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_STORAGE)));
    // 2K: back to memory, said once.
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "2000.0"));
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 0.5);
    EXPECT_EQ(acq->storageKind, kStorageMemory);
    ASSERT_EQ(boxes->boxes.size(), 4u);
    EXPECT_NE(boxes->boxes[3].text.find("Low Speed"), std::string::npos);
    EXPECT_EQ(Items(dlg, IDC_STORAGE), "Hard Disk|PC Memory");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_STORAGE)));
}

TEST_F(AcqSetupWindows, AFastRateTurnsOffTheChannelsBeyondItsLimitAndRaisesThePeriodForTheRest) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 1, 2, 3});
    HWND dlg = Open(IDM_ACQUISITION);
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "25K"));
    EXPECT_EQ(acq->storageKind, kStorageUnitMemory);
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 0.04) << "four channels in unit memory need 0.04 ms";
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "10K"));
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 0.1);
    int enabled = 0;
    for (int i = 0; i < kAnalogChannels; ++i) enabled += (acq->chans[i].flags & 2u) ? 1 : 0;
    EXPECT_EQ(enabled, 4) << "10K keeps four channels";
    // A model-45-only rate row never shows on the first model, so 50K cannot be chosen.
    EXPECT_FALSE(ChooseText(dlg, IDC_SAMPLE_RATE, "50K"));
    // Storage 3 cannot be chosen by hand (the list is locked, but a message may still come).
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "1000.0"));
    const size_t before = boxes->boxes.size();
    SendDlgItemMessageA(dlg, IDC_STORAGE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("VK40 Memory"));
    Choose(dlg, IDC_STORAGE, 2);
    EXPECT_EQ(acq->storageKind, kStorageMemory);
    ASSERT_EQ(boxes->boxes.size(), before + 1);
    EXPECT_EQ(boxes->boxes.back().text, "User can not select VK40 mode. Change sample rate to higher value.");
    EXPECT_EQ(SelectedText(dlg, IDC_STORAGE), "PC Memory");
}

TEST_F(AcqSetupWindows, TheOneChannelRateIsTakenWithOneChannelAndItsLengthKeepsItsDuration) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {3});
    HWND dlg = Open(IDM_ACQUISITION);
    Choose(dlg, IDC_LENGTH_UNIT, kLenMs);
    Type(dlg, IDC_LENGTH, "20");
    EXPECT_EQ(acq->acqLength, 4);
    ASSERT_TRUE(ChooseText(dlg, IDC_SAMPLE_RATE, "100K"));
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 0.01);
    EXPECT_EQ(acq->storageKind, kStorageUnitMemory);
    EXPECT_EQ(acq->acqLength, 2000) << "20 ms at 0.01 ms a frame";
    EXPECT_EQ(ControlText(dlg, IDC_LENGTH), "20.000");
    ASSERT_EQ(boxes->boxes.size(), 1u) << "only the storage change is told";
    EXPECT_NE(boxes->boxes[0].text.find("High Speed"), std::string::npos);
    EXPECT_EQ(acq->chans[3].flags & 2u, 2u);
}

TEST_F(AcqSetupWindows, ModesDependOnStorageAndTheButtonsFollowTheDataMode) {
    stAcq* acq = Start("VKUSB");
    HWND dlg = Open(IDM_ACQUISITION);
    acq->forcedNew = 0;
    Click(dlg, IDC_ACQ_RESET);
    EXPECT_EQ(acq->forcedNew, 1) << "Reset: the next appending run starts anew";
    Choose(dlg, IDC_REPEAT_MODE, 1);
    EXPECT_EQ(acq->repeatMode, 1) << "a ring cannot append";
    Choose(dlg, IDC_DATA_MODE, 1);
    EXPECT_EQ(acq->dataMode, 2);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_ACQ_FILE)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_ACQ_RESET)));
    Choose(dlg, IDC_REPEAT_MODE, 1);
    EXPECT_EQ(acq->repeatMode, 2);
    const int32_t memoryMax = acq->maxLength;
    EXPECT_EQ(memoryMax, UpdateMaxLength(acq));
    Choose(dlg, IDC_STORAGE, 0);
    EXPECT_EQ(acq->storageKind, kStorageDisk);
    EXPECT_EQ(acq->repeatMode, 1) << "disk runs go once";
    EXPECT_EQ(acq->unitMode & 0xFF00, 0x200) << "512 on the mode word, its low byte kept";
    EXPECT_EQ(acq->unitMode & 0xFF, kTrigStartFlags & 0xFF);
    Choose(dlg, IDC_DATA_MODE, 2);
    EXPECT_EQ(acq->dataMode, 1) << "disk runs cannot append";
    EXPECT_EQ(SelectedText(dlg, IDC_DATA_MODE), "Save Once");
    // Automatic restart: the check box enables its fields; typed values are stored.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_RESTART_INTERVAL)));
    ClickCheck(dlg, IDC_AUTO_RESTART);
    EXPECT_EQ(acq->autoRestart, 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_RESTART_INTERVAL)));
    Choose(dlg, IDC_RESTART_INTERVAL_UNIT, 1);
    Type(dlg, IDC_RESTART_INTERVAL, "2");
    EXPECT_DOUBLE_EQ(acq->restartInterval, 120.0);
    EXPECT_DOUBLE_EQ(acq->settingOne, 60.0);
    Type(dlg, IDC_RESTART_COUNT, "7");
    EXPECT_EQ(acq->restartCount, 7);
    Type(dlg, IDC_RESTART_INTERVAL, "-3");
    EXPECT_DOUBLE_EQ(acq->restartInterval, 0.0);
    Choose(dlg, IDC_RESTART_COUNT_KIND, 1);
    EXPECT_EQ(acq->endlessRestart, 1);
}

TEST_F(AcqSetupWindows, TheAutosaveNameIsNormalisedOnOkAndCancelChangesNothing) {
    stAcq* acq = Start("VKUSB");
    HWND dlg = Open(IDM_ACQUISITION);
    Choose(dlg, IDC_DATA_MODE, 1);
    acq->autosaveNumber = 12;
    {
        CModalDriver driver(IDC_AUTOSAVE_HINT, [](HWND box) {
            EXPECT_EQ(ControlText(box, IDC_AUTOSAVE_NAME), "UNTI");
            SetDlgItemTextA(box, IDC_AUTOSAVE_NAME, "c:\\data\\ab.acq");
            Click(box, IDCANCEL);
        });
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ACQ_FILE, BN_CLICKED), 0);
        EXPECT_TRUE(driver.ran);
    }
    EXPECT_STREQ(acq->autosaveName, "UNTI");
    EXPECT_EQ(acq->autosaveNumber, 12);
    {
        CModalDriver driver(IDC_AUTOSAVE_HINT, [](HWND box) {
            SetDlgItemTextA(box, IDC_AUTOSAVE_NAME, "c:\\data\\ab.acq");
            Click(box, IDOK);
        });
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ACQ_FILE, BN_CLICKED), 0);
        EXPECT_TRUE(driver.ran);
    }
    EXPECT_STREQ(acq->autosaveName, "AB__");
    EXPECT_EQ(acq->autosaveNumber, 0);
}

TEST_F(AcqSetupWindows, PreferencesStoreOnOkOnly) {
    stAcq* acq = Start("VKUSB");
    acq->firstAnalogNumber = 1;
    acq->warnOnOverwrite = 1;
    for (int button : {IDCANCEL, IDOK}) {
        std::string caption;
        CModalDriver driver(IDC_PREF_FROM_ZERO, [&](HWND box) {
            char text[64] = "";
            GetWindowTextA(box, text, sizeof text);
            caption = text;
            EXPECT_EQ(IsDlgButtonChecked(box, IDC_PREF_FROM_ZERO), BST_UNCHECKED);
            EXPECT_EQ(IsDlgButtonChecked(box, IDC_PREF_WARN_OVERWRITE), BST_CHECKED);
            ClickCheck(box, IDC_PREF_FROM_ZERO);
            ClickCheck(box, IDC_PREF_WARN_OVERWRITE);
            Click(box, button);
        });
        EXPECT_EQ(ShowDevicePreferences(frame, hAcq), button == IDOK ? 1 : 0);
        EXPECT_TRUE(driver.ran);
        EXPECT_EQ(caption, "VK40 Preferences");
        if (button == IDCANCEL) {
            EXPECT_EQ(acq->firstAnalogNumber, 1);
            EXPECT_EQ(acq->warnOnOverwrite, 1);
        }
    }
    EXPECT_EQ(acq->firstAnalogNumber, 0);
    EXPECT_EQ(acq->warnOnOverwrite, 0);
}

// ---- Setup Triggering ----

TEST_F(AcqSetupWindows, TriggerSourcesOfEachModelSetTheFlagsAndChannel) {
    const struct {
        const char* driver;
        const char* sources;
        int item;
        uint16_t flags;  // the low byte after the choice
        int channel;
        const char* level;
    } cases[] = {
        {"VKUSB", "Off|CH 4", 1, 0x43 | kTrigOn | kTrigBoth | kTrigChannel, 3, "0.000"},
        {"VKUSB45", "Off|CH 1|CH 2|CH 3|CH 4|Trigger", 2, 0x43 | kTrigOn | kTrigBoth | kTrigChannel, 2, "0.000"},
        {"VKUSB45", "Off|CH 1|CH 2|CH 3|CH 4|Trigger", 5, 0x03 | kTrigOn | kTrigBoth | kTrigPositive, 255, "2.0"},
        {"VKUSB45", "Off|CH 1|CH 2|CH 3|CH 4|Trigger", 0, 0x43, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.driver) + " item " + std::to_string(c.item));
        stAcq* acq = Start(c.driver);
        HWND dlg = Open(IDM_TRIGGERING);
        ASSERT_TRUE(IsWindowVisible(dlg));
        EXPECT_EQ(acq->unitMode, static_cast<int16_t>(kTrigStartFlags)) << "off at start";
        EXPECT_EQ(Items(dlg, IDC_TRIGGER_SOURCE), c.sources);
        EXPECT_EQ(SelectedText(dlg, IDC_TRIGGER_SOURCE), "Off");
        Choose(dlg, IDC_TRIGGER_SOURCE, c.item);
        EXPECT_EQ(acq->unitMode & 0xFF, c.flags);
        EXPECT_EQ(acq->refCommand, c.channel);
        EXPECT_EQ(ControlText(dlg, IDC_TRIGGER_LEVEL), c.level);
        const bool channel = (c.flags & kTrigChannel) && (c.flags & kTrigOn);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_TRIGGER_LEVEL)) != 0, channel);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_TRIGGER_SLOPE)) != 0, channel);
        Stop();
    }
}

TEST_F(AcqSetupWindows, TriggerLevelsAreHeldWithinTenVolts) {
    stAcq* acq = Start("VKUSB45");
    HWND dlg = Open(IDM_TRIGGERING);
    Choose(dlg, IDC_TRIGGER_SOURCE, 1);
    // A channel whose units are its volts: the level reads as typed.
    stAcqChan& ch = acq->chans[0];
    ch.inValue1 = 0;
    ch.unitValue1 = 0;
    ch.inValue2 = 1;
    ch.unitValue2 = 1;
    ch.gain = 1;
    FillTriggerSetup(dlg, acq);
    const struct {
        const char* typed;
        double level;
    } cases[] = {{"1e6", 10}, {"-1e6", -10}, {"junk", 0}};
    for (const auto& c : cases) {
        Type(dlg, IDC_TRIGGER_LEVEL, c.typed);
        EXPECT_DOUBLE_EQ(acq->refVoltage, c.level) << c.typed;
    }
    HWND bar = GetDlgItem(dlg, IDC_TRIGGER_SCROLL);
    SendMessageA(dlg, WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(bar));
    EXPECT_DOUBLE_EQ(acq->refVoltage, 1.0);
    SendMessageA(dlg, WM_HSCROLL, SB_LINELEFT, reinterpret_cast<LPARAM>(bar));
    EXPECT_DOUBLE_EQ(acq->refVoltage, 1.0 - 0.00030517578125);
    SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 16383), reinterpret_cast<LPARAM>(bar));
    EXPECT_DOUBLE_EQ(acq->refVoltage, 10.0);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 16383) << "10 V is the end of the bar";
    for (int i = 0; i < 3; ++i) SendMessageA(dlg, WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(bar));
    EXPECT_DOUBLE_EQ(acq->refVoltage, 10.0);
    Choose(dlg, IDC_TRIGGER_SLOPE, 0);
    EXPECT_EQ(acq->unitMode & kTrigPositive, 0);
    Choose(dlg, IDC_TRIGGER_SLOPE, 1);
    EXPECT_EQ(acq->unitMode & kTrigPositive, kTrigPositive);
}

TEST_F(AcqSetupWindows, TheDelayIsBoundByTheLengthWhenTheFlagsSaySo) {
    stAcq* acq = Start("VKUSB");
    const struct {
        int16_t flags;
        int32_t storage, length, asked, delay;
    } cases[] = {
        {0x143, 2, 1000, 5000, 1000}, {0x043, 2, 1000, 5000, 5000}, {0x043, 2, 1000, 9000000, 8388608},
        {0x143, 4, 1000, 500, 0},     {0x143, 2, 1000, -7, 0},
    };
    for (const auto& c : cases) {
        acq->unitMode = c.flags;
        acq->storageKind = c.storage;
        acq->acqLength = c.length;
        EXPECT_EQ(ClampTriggerDelay(acq, c.asked), c.delay);
        EXPECT_EQ(acq->preStartDelay, c.delay);
    }
}

// The external start signal chosen in the window: the unit is armed to wait for it and the
// graph holds the frames from the signal on.
TEST_F(AcqSetupWindows, TheNextRecordingWaitsForTheChosenTrigger) {
    stAcq* acq = Start("VKUSB45");
    Enable(acq, {1});
    SimControlSetDword(kSimExternalTriggerFrame, 700);
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 1000;
    acq->dataMode = kDataOverwrite;
    HWND dlg = Open(IDM_TRIGGERING);
    Choose(dlg, IDC_TRIGGER_SOURCE, 5);
    Record(acq);
    const std::string arm = Sent(2);
    ASSERT_GE(arm.size(), 2u);
    EXPECT_EQ(arm.substr(0, 2), "E3") << "wait, positive slope, both sources";
    EXPECT_EQ(acq->run.dataStarted, 1);
    EXPECT_EQ(gs->chanCount[2], 1000u);
    EXPECT_EQ(Sent(28).substr(6), "FF") << "the external source's channel";

    // Off again: the next run starts at once.
    Choose(dlg, IDC_TRIGGER_SOURCE, 0);
    EXPECT_EQ(acq->unitMode & kTrigOn, 0);
    Record(acq);
    EXPECT_EQ(Sent(2).substr(0, 2), "63");
}

// A channel trigger: the unit is armed for a crossing of the chosen input at the level set with
// the scroll bar, and the run records once the counting input crosses it.
TEST_F(AcqSetupWindows, AChannelTriggerSendsItsInputAndLevel) {
    stAcq* acq = Start("VKUSB45");
    Enable(acq, {1});
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 400;
    acq->dataMode = kDataOverwrite;
    HWND dlg = Open(IDM_TRIGGERING);
    Choose(dlg, IDC_TRIGGER_SOURCE, 2);
    Choose(dlg, IDC_TRIGGER_SLOPE, 1);
    HWND bar = GetDlgItem(dlg, IDC_TRIGGER_SCROLL);
    SendMessageA(dlg, WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(bar));
    SendMessageA(dlg, WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(bar));
    EXPECT_DOUBLE_EQ(acq->refVoltage, 2.0);
    Record(acq);
    EXPECT_EQ(Sent(28), "19 99 02") << "2 V in counts, then the input";
    EXPECT_EQ(Sent(2).substr(0, 2), "F3") << "wait, positive slope, a channel";
    EXPECT_EQ(acq->run.dataStarted, 1);
    EXPECT_EQ(gs->chanCount[2], 400u);
}

// The first model has one trigger input, its fourth: the one the window offers as "CH 4" and
// scales the level with. With input 3 flat and input 4 counting up through the level, the run
// starts on input 4's crossing.
TEST_F(AcqSetupWindows, TheFirstModelStartsOnTheCrossingOfTheInputTheWindowOffers) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {1});
    SimControlSetDword((std::string(kSimSignalPrefix) + "3").c_str(), kSimSignalNone);
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 400;
    acq->dataMode = kDataOverwrite;
    HWND dlg = Open(IDM_TRIGGERING);
    ASSERT_EQ(Items(dlg, IDC_TRIGGER_SOURCE), "Off|CH 4");
    Choose(dlg, IDC_TRIGGER_SOURCE, 1);
    Choose(dlg, IDC_TRIGGER_SLOPE, 1);
    HWND bar = GetDlgItem(dlg, IDC_TRIGGER_SCROLL);
    for (int i = 0; i < 4; ++i) SendMessageA(dlg, WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(bar));
    EXPECT_DOUBLE_EQ(acq->refVoltage, 4.0);
    DeleteFileA(logFile.c_str());
    ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 50, 400);  // input 4 (counting from 0x3000) reaches 4 V in its 820th frame
    SimControlSetString(kSimLogFile, "");
    EXPECT_EQ(Sent(28), "33 33 03") << "4 V in counts, then the channel the window stores";
    EXPECT_EQ(Sent(2).substr(0, 2), "F3") << "wait, positive slope, a channel";
    EXPECT_EQ(acq->run.running, 0) << "the start signal came";
    EXPECT_EQ(acq->run.dataStarted, 1);
    EXPECT_EQ(gs->totalSamples, 400);
}

// The set-up windows show the set-up of the graph attached: the one activated, or one opened
// from a file. Closing Setup Channels writes back what the user changed in it, never rows it
// showed of another set-up, nor over a change a lesson made meanwhile.
TEST_F(AcqSetupWindows, EveryAttachShowsTheGraphsSetUpAndClosingWritesNothingStale) {
    stAcq* acq = Start("VKUSB");
    const int c1 = kAnalogChannels + NDChan, c2 = c1 + 1;
    struct SetUp {
        std::vector<int> analog;
        int16_t c1Kind, c2Kind;
        double periodMs;
        int32_t length;
        bool trigger;
        const char* rate;
        const char* lengthText;
        const char* source;
    };
    const SetUp first{{0, 1}, kCalcRate, 0, 1.0, 1500, true, "1000.0", "1500", "CH 4"};
    const SetUp second{{0, 2}, 0, kCalcMath, 5.0, 6000, false, "200.0", "6000", "Off"};
    auto take = [&](const SetUp& u) {
        for (int i = 0; i < kAnalogChannels; ++i)
            acq->chans[i].flags = std::count(u.analog.begin(), u.analog.end(), i) ? kChanAllOn : 0;
        CalcSettings(acq)->kind[0] = u.c1Kind;
        CalcSettings(acq)->kind[1] = u.c2Kind;
        acq->chans[c1].flags = u.c1Kind ? kChanAllOn : 0;
        acq->chans[c2].flags = u.c2Kind ? kChanAllOn : 0;
        acq->samplePeriodMs = u.periodMs;
        acq->acqLength = u.length;
        acq->settingTwo = kLenSamples;
        acq->unitMode = static_cast<int16_t>(u.trigger ? kTrigStartFlags | kTrigOn | kTrigBoth | kTrigChannel
                                                       : kTrigStartFlags);
        acq->refCommand = 3;
    };
    auto flags = [&] {
        std::vector<uint32_t> f;
        for (int i : {0, 1, 2, 3, c1, c2}) f.push_back(acq->chans[i].flags);
        return f;
    };
    take(second);
    const std::vector<uint32_t> secondFlags = flags();
    std::unique_ptr<tagGS> other = MakeGraph();
    ASSERT_EQ(SaveAcquisitionSetup(acq, other.get()), 1);
    take(first);
    const std::vector<uint32_t> firstFlags = flags();
    std::unique_ptr<tagGS> opened = MakeGraph();
    ASSERT_EQ(SaveAcquisitionSetup(acq, opened.get()), 1);
    strcpy(opened->filePath, "C:\\Stored.acq");

    HWND setup = Open(IDM_ACQUISITION);
    HWND trigger = Open(IDM_TRIGGERING);
    ops.onDriverCommand(hAcq, frame, IDM_CHANNELS, nullptr, 0);
    HWND channels = acq->hwndChannelSetup;
    ASSERT_TRUE(IsWindowVisible(setup) && IsWindowVisible(trigger) && IsWindowVisible(channels));
    auto boxOn = [](int kind, int number) {
        return IsDlgButtonChecked(ChannelRowWindow(kind, number), IDC_ROW_ACQUIRE) == BST_CHECKED;
    };
    auto expectShown = [&](const SetUp& u, const char* when) {
        SCOPED_TRACE(when);
        for (int n = 0; n < kAnalogChannels; ++n)
            EXPECT_EQ(boxOn(kGroupAnalog, n), std::count(u.analog.begin(), u.analog.end(), n) == 1) << "CH" << n + 1;
        EXPECT_EQ(boxOn(kGroupCalc, 0), u.c1Kind != 0);
        EXPECT_EQ(boxOn(kGroupCalc, 1), u.c2Kind != 0);
        if (!u.c1Kind) {
            EXPECT_EQ(ControlText(ChannelRowWindow(kGroupCalc, 0), IDC_ROW_LABEL), "C1 - calculation - OFF");
        }
        EXPECT_EQ(SelectedText(setup, IDC_SAMPLE_RATE), u.rate);
        EXPECT_EQ(ControlText(setup, IDC_LENGTH), u.lengthText);
        EXPECT_EQ(SelectedText(trigger, IDC_TRIGGER_SOURCE), u.source);
    };
    expectShown(first, "the first graph's set-up, as the windows opened");

    // Activating the other graph: the windows follow, and closing keeps its set-up as it is.
    ASSERT_EQ(ops.onGraphActivated(hAcq, other.get(), 0), 1);
    expectShown(second, "after the other graph was activated");
    SendMessageA(channels, WM_CLOSE, 0, 0);
    EXPECT_EQ(flags(), secondFlags);
    EXPECT_EQ(CalcSettings(acq)->kind[0], 0);

    // A lesson switches CH2 on while the window shows it off: closing leaves it on.
    ops.onDriverCommand(hAcq, frame, IDM_CHANNELS, nullptr, 0);
    acq->chans[1].flags = kChanAllOn;
    SendMessageA(channels, WM_CLOSE, 0, 0);
    EXPECT_EQ(acq->chans[1].flags, kChanAllOn);
    acq->chans[1].flags = 0;

    // Back to the first graph, and on to the other again: each kept its own set-up.
    ops.onDriverCommand(hAcq, frame, IDM_CHANNELS, nullptr, 0);
    ASSERT_EQ(ops.onGraphActivated(hAcq, gs.get(), 0), 1);
    expectShown(first, "after the first graph was activated again");
    SendMessageA(channels, WM_CLOSE, 0, 0);
    EXPECT_EQ(flags(), firstFlags);
    ASSERT_EQ(ops.onGraphActivated(hAcq, other.get(), 0), 1);
    EXPECT_EQ(flags(), secondFlags);

    // A stored graph opened: its set-up is taken up and shown.
    ops.onDriverCommand(hAcq, frame, IDM_CHANNELS, nullptr, 0);
    ASSERT_EQ(ops.onGraphCreated(hAcq, frame, opened.get(), 1, 0), 1);
    expectShown(first, "after a stored graph was opened");
    SendMessageA(channels, WM_CLOSE, 0, 0);
    EXPECT_EQ(flags(), firstFlags);

    acq->run.attachedGraph = gs.get();
    for (tagGS* graph : {gs.get(), other.get(), opened.get()})
        if (graph->setupBlock) GlobalFree(graph->setupBlock), graph->setupBlock = nullptr;
}

HWND g_activeDialog = reinterpret_cast<HWND>(1);

void* WINAPI RecordActiveDialog(HWND dlg) {
    g_activeDialog = dlg;
    return nullptr;
}

TEST_F(AcqSetupWindows, ActivationTellsTheHostAndAClickRefreshes) {
    stAcq* acq = Start("VKUSB");
    g_lib.host.setActiveModelessDialog = RecordActiveDialog;
    for (int command : {IDM_ACQUISITION, IDM_TRIGGERING}) {
        HWND dlg = Open(command);
        SendMessageA(dlg, WM_ACTIVATE, WA_CLICKACTIVE, 0);
        EXPECT_EQ(g_activeDialog, dlg);
        SendMessageA(dlg, WM_ACTIVATE, WA_INACTIVE, 0);
        EXPECT_EQ(g_activeDialog, nullptr);
    }
    HWND setup = acq->hwndAcqSetup;
    acq->acqLength = 321;
    acq->settingTwo = kLenSamples;
    SendMessageA(setup, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(ControlText(setup, IDC_LENGTH), "321");
    EXPECT_EQ(SelectedText(setup, IDC_LENGTH_UNIT), "samples");
}

std::vector<WPARAM> g_graphCommands;

LRESULT CALLBACK GraphProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) g_graphCommands.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// The graph hears of each data mode: segment view off for data that replaces shown segments.
TEST_F(AcqSetupWindows, TheGraphIsToldTheDataModeAndMovesAreKept) {
    stAcq* acq = Start("VKUSB");
    WNDCLASSA wc{};
    wc.lpfnWndProc = GraphProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "AcqSetupTestGraph";
    RegisterClassA(&wc);
    gs->hwnd =
        CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(gs->hwnd, nullptr);
    HWND dlg = Open(IDM_ACQUISITION);
    g_graphCommands.clear();
    gs->segmentsShown = 1;
    Choose(dlg, IDC_DATA_MODE, 0);
    Choose(dlg, IDC_DATA_MODE, 2);
    gs->segmentsShown = 0;
    Choose(dlg, IDC_DATA_MODE, 1);
    EXPECT_EQ(g_graphCommands,
              (std::vector<WPARAM>{MAKEWPARAM(IDM_GRAPH_SEGMENT_VIEW, 0), MAKEWPARAM(IDM_GRAPH_SEGMENT_VIEW, 1),
                                   MAKEWPARAM(IDM_GRAPH_SEGMENT_VIEW, 1)}));
    DestroyWindow(gs->hwnd);
    gs->hwnd = nullptr;

    // The placement follows a move, in the frame's coordinates, with the window's size.
    SetWindowPos(dlg, nullptr, 100, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const RECT first = acq->acqSetupPlacement;
    SetWindowPos(dlg, nullptr, 137, 103, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(acq->acqSetupPlacement.left - first.left, 37);
    EXPECT_EQ(acq->acqSetupPlacement.top - first.top, 23);
    RECT outer;
    GetWindowRect(dlg, &outer);
    EXPECT_EQ(acq->acqSetupPlacement.right - acq->acqSetupPlacement.left, outer.right - outer.left);
}

// Each graph keeps where the set-up panels stood while it was active; activating it again puts
// them back there.
TEST_F(AcqSetupWindows, ActivatingAGraphPutsThePanelsWhereThatGraphLeftThem) {
    stAcq* acq = Start("VKUSB");
    HWND setup = Open(IDM_ACQUISITION);
    HWND trigger = Open(IDM_TRIGGERING);
    ops.onDriverCommand(hAcq, frame, IDM_CHANNELS, nullptr, 0);
    HWND channels = acq->hwndChannelSetup;
    ASSERT_TRUE(IsWindowVisible(setup) && IsWindowVisible(trigger) && IsWindowVisible(channels));
    const HWND panels[] = {setup, trigger, channels};
    // Places inside the frame's client area, where the panels' placements are kept.
    SetWindowPos(frame, nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    POINT client{0, 0};
    ClientToScreen(frame, &client);
    auto moveAll = [&](int x, int y) {
        for (int k = 0; k < 3; ++k)
            SetWindowPos(panels[k], nullptr, client.x + x + 40 * k, client.y + y + 30 * k, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    auto where = [&](int k) {
        RECT r{};
        GetWindowRect(panels[k], &r);
        return std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    moveAll(20, 10);
    std::vector<LONG> atFirst[3], atSecond[3];
    for (int k = 0; k < 3; ++k) atFirst[k] = where(k);
    std::unique_ptr<tagGS> second = MakeGraph();
    ASSERT_EQ(ops.onGraphActivated(hAcq, second.get(), 0), 1);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(where(k), atFirst[k]) << k << ": a graph without a set-up moves nothing";
    moveAll(90, 50);
    for (int k = 0; k < 3; ++k) atSecond[k] = where(k);
    ASSERT_NE(atFirst[0], atSecond[0]);
    for (tagGS* graph : {gs.get(), second.get(), gs.get(), second.get()}) {
        ASSERT_EQ(ops.onGraphActivated(hAcq, graph, 0), 1);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(where(k), graph == gs.get() ? atFirst[k] : atSecond[k]) << k << (graph == gs.get() ? " first" : " second");
        for (HWND panel : panels) EXPECT_TRUE(IsWindowVisible(panel)) << "shown panels stay shown";
    }
    acq->run.attachedGraph = gs.get();
    for (tagGS* graph : {gs.get(), second.get()})
        if (graph->setupBlock) GlobalFree(graph->setupBlock), graph->setupBlock = nullptr;
}

// Start-up readies the three set-up windows' records but makes none of them: each is made, hidden,
// the first time it is asked for, where a placement loaded before then puts it, and stays.
TEST_F(AcqSetupWindows, TheSetUpWindowsAreMadeWhenFirstAskedForWhereTheirPlacementsSay) {
    stAcq* acq = Start("VKUSB");
    SetWindowPos(frame, nullptr, 20, 30, 900, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    POINT setupAt{40, 50}, triggerAt{60, 70};
    ClientToScreen(frame, &setupAt);
    ClientToScreen(frame, &triggerAt);
    const POINT channelsAt{300, 200};
    {
        EXPECT_EQ(acq->hwndAcqSetup, nullptr);
        EXPECT_EQ(acq->hwndTrigger, nullptr);
        EXPECT_EQ(acq->hwndChannelSetup, nullptr);
        EXPECT_EQ(acq->hwndStimulator, nullptr);
        EXPECT_EQ(acq->stim.panelCreated[0], 1) << "the stimulator's record is ready as if its panel were made";
        for (HWND notYet : {acq->run.hwndInputValues, acq->hwndManualControl, acq->hwndElectrodeCheck})
            EXPECT_EQ(notYet, nullptr) << "no panel is made at start-up";
        EXPECT_EQ(acq->unitMode, static_cast<int16_t>(kTrigStartFlags)) << "the trigger's values are set";
        EXPECT_GT(acq->maxLength, 0) << "the longest recording is known before the dialog is made";
        EXPECT_GE(acq->enabledAnalog, 1) << "the channel counts are kept before the window is made";
        // Placements as a graph's set-up brings them (owner client coordinates; the channels'
        // window on the screen); an empty size keeps the window's own.
        acq->acqSetupPlacement = RECT{40, 50, 40, 50};
        acq->triggerPlacement = RECT{60, 70, 60, 70};
        acq->channelSetupPlacement = RECT{channelsAt.x, channelsAt.y, channelsAt.x + 500, channelsAt.y + 400};
    }
    const struct {
        const char* name;
        HWND (*get)(HGLOBAL);
        HWND stAcq::*window;
        POINT at;
    } cases[] = {{"Acquisition Setup", AcquisitionSetupWindow, &stAcq::hwndAcqSetup, setupAt},
                 {"Setup Triggering", TriggerSetupWindow, &stAcq::hwndTrigger, triggerAt},
                 {"Setup Channels", ChannelSetupWindow, &stAcq::hwndChannelSetup, channelsAt}};
    for (const auto& c : cases) {
        HWND w = c.get(hAcq);
        ASSERT_TRUE(IsWindow(w)) << c.name;
        EXPECT_EQ(acq->*c.window, w) << c.name;
        EXPECT_FALSE(IsWindowVisible(w)) << c.name;
        RECT rc{};
        GetWindowRect(w, &rc);
        EXPECT_EQ(rc.left, c.at.x) << c.name;
        EXPECT_EQ(rc.top, c.at.y) << c.name;
        EXPECT_EQ(c.get(hAcq), w) << c.name << ": made once";
    }
}

TEST_F(AcqSetupWindows, TheIdleStepRefreshesTheMaximumOnlyWhileTheDialogIsShown) {
    stAcq* acq = Start("VKUSB");
    HWND dlg = AcquisitionSetupWindow(hAcq);  // made hidden when first asked for
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_EQ(acq->hwndAcqSetup, dlg);
    SetDlgItemTextA(dlg, IDC_MAX_LENGTH, "stale");
    acq->nextSizeRefresh = 0;
    RefreshSampleCount(acq);
    EXPECT_EQ(ControlText(dlg, IDC_MAX_LENGTH), "stale") << "hidden: nothing to show";
    Open(IDM_ACQUISITION);
    SetDlgItemTextA(dlg, IDC_MAX_LENGTH, "stale");
    acq->nextSizeRefresh = 0;
    Enable(acq, {0, 1, 2, 3});
    RefreshSampleCount(acq);
    char max[64];
    FormatMaxLengthText(acq->maxLength, max, sizeof max);
    EXPECT_EQ(ControlText(dlg, IDC_MAX_LENGTH), max);
    EXPECT_EQ(acq->maxLength, ComputeMaxLength(MaxLengthInputsOf(acq)));
}

}  // namespace
