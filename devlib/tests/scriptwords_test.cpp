// Lesson statements that begin with "VK40" or "LNX2W", run through the library's script-line
// operation against the simulated unit. The host's script readers are a small fake over the
// statement's text, as the lesson language reads its fields: words, comma-separated numbers,
// quoted texts and string variables.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/acquisition/outputs/manual_control.h"
#include "devlib/acquisition/outputs/out_ctl.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/script/script_words.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

// ---- The fake script readers (host entries 26-30) ----

struct stFakeScript {
    std::map<std::string, std::string> strings;  // "A$", "B@"
    std::map<std::string, double> numbers;
    std::vector<void*> contexts;  // what each numeric assignment was handed
};
stFakeScript g_fake;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\n'; }
bool IsEnd(char c) { return c == '\r' || c == 0; }

int32_t WINAPI FakeToken(const char* pos, char* out) {
    const char* p = pos;
    while (IsBlank(*p)) ++p;
    out[0] = 0;
    if (IsEnd(*p)) return 0;
    if (*p == ';') {
        std::strcpy(out, ";");
        return 0;
    }
    const char* start = p;
    const bool equals = *p == '=';
    while (!IsEnd(*p) && *p != ' ' && *p != '\t' && *p != ',' && (equals || p == start || *p != '=')) ++p;
    const size_t n = static_cast<size_t>(p - start) < 255 ? static_cast<size_t>(p - start) : 255;
    std::memcpy(out, start, n);
    out[n] = 0;
    return static_cast<int32_t>(p - pos);
}

// A comma, blanks and tabs skipped, then the field up to the next comma; "bad" there stands for
// an expression that does not evaluate.
int32_t WINAPI FakeNumber(const char* pos, double* out) {
    const char* p = pos;
    if (*p == ',') ++p;
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    while (!IsEnd(*p) && *p != ',' && *p != ';') ++p;
    std::string field(start, p);
    const size_t first = field.find_first_not_of(" \t");
    *out = 0;
    if (first == std::string::npos) return 0;
    field = field.substr(first, field.find_last_not_of(" \t") - first + 1);
    char* end = nullptr;
    const double v = std::strtod(field.c_str(), &end);
    if (*end) return -1;
    *out = v;
    return static_cast<int32_t>(p - pos) + 1;  // the comma, counted also where the line ends
}

int32_t WINAPI FakeString(const char* pos, char* out) {
    const char* p = pos;
    while (IsBlank(*p)) ++p;
    out[0] = 0;
    if (IsEnd(*p)) return 0;
    if (*p == '"') {
        const char* close = std::strchr(p + 1, '"');
        if (!close) return 0;
        const size_t n = std::min<size_t>(static_cast<size_t>(close - p - 1), 512);
        std::memcpy(out, p + 1, n);
        out[n] = 0;
        return static_cast<int32_t>(close + 1 - pos);
    }
    if (p[1] == '$' || p[1] == '@') {
        std::strcpy(out, g_fake.strings[std::string(p, 2)].c_str());
        return static_cast<int32_t>(p + 2 - pos);
    }
    return 0;
}

void WINAPI FakeAssignString(int32_t letter, const char* text, int32_t macro) {
    g_fake.strings[std::string(1, static_cast<char>('A' + letter)) + (macro ? "@" : "$")] = text;
}

void WINAPI FakeAssignNumber(void* context, const char* name, double value) {
    g_fake.numbers[name] = value;
    g_fake.contexts.push_back(context);
}

int g_context = 0;  // the interpreter context every statement carries

// ---- The fixture ----

class ScriptWords : public SimulatedRunTest {
protected:
    ScriptWords() : SimulatedRunTest("scriptwords") {}

    void AdjustHost(stHostCallbacks& h) override {
        h.getScriptToken = FakeToken;
        h.getScriptNumber = FakeNumber;
        h.evaluateScriptExpression = FakeString;
        h.assignScriptStringVariable = FakeAssignString;
        h.assignScriptNumericVariable = FakeAssignNumber;
    }

    void SetUp() override {
        SimulatedRunTest::SetUp();
        if (HasFatalFailure()) return;
        g_fake = stFakeScript{};
        logFile = folder + "\\packets.log";
        acq = Start();
        ASSERT_NE(acq, nullptr);
        g_lib.readStatusEnable = 0;
    }

    // One statement as the interpreter hands it over: its text ends with a carriage return and
    // the next line follows, which no word may read as its own.
    int32_t Exec(const std::string& statement) {
        const std::string text = statement + "\r\n\"NEXT LINE\" 7, 8, 9\r\n";
        stScriptStatement st{text.c_str(), nullptr, &g_context, gs.get()};
        return DrvExecScriptLine(&ops, hAcq, &st);
    }

    void StartLog() { ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str())); }

    // The packets sent with a command since the log began, as their hex bytes after the command.
    std::vector<std::string> Sent(uint8_t command) const {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "> 01 %02X", command);
        std::vector<std::string> packets;
        for (const std::string& line : ReadPacketLog(logFile))
            if (line.compare(0, std::strlen(prefix), prefix) == 0) packets.push_back(line.substr(std::strlen(prefix)));
        return packets;
    }
    size_t PacketsSent() const { return ReadPacketLog(logFile).size(); }
    // A logged packet's data bytes: those between the command and the checksum.
    static std::vector<int> DataOf(const std::string& packet) {
        std::vector<int> bytes;
        for (size_t at = 0; at + 2 < packet.size(); at += 3)
            bytes.push_back(std::stoi(packet.substr(at + 1, 2), nullptr, 16));
        if (!bytes.empty()) bytes.pop_back();
        return bytes;
    }

    // A short memory run of the given analog inputs, recorded to its end.
    void RecordShortRun(const std::vector<int>& analog, int32_t length) {
        Enable(acq, analog, {});
        SetUpRun(acq, kStorageMemory, 1.0, length);
        ASSERT_EQ(ToggleAcquisition(acq, 1), 1);
        Run(acq, 20);
        ASSERT_EQ(acq->run.running, 0);
    }

    stAcq* acq = nullptr;
    std::string logFile;
};

// ---- Words that set the acquisition record ----

struct stSettingCase {
    const char* statement;
    void (*check)(const stAcq&);
};

TEST_F(ScriptWords, SettingWordsChangeTheRecordingSetUp) {
    const stSettingCase cases[] = {
        {"VK40 SET RATE 500", [](const stAcq& a) { EXPECT_DOUBLE_EQ(a.samplePeriodMs, 2.0); }},
        {"vk40 set rate 250", [](const stAcq& a) { EXPECT_DOUBLE_EQ(a.samplePeriodMs, 4.0); }},
        {"VK40 SET LENGTH 1234.9", [](const stAcq& a) { EXPECT_EQ(a.acqLength, 1234); }},
        {"VK40 SET STORAGE MEMORY ONCE SAVELAST APPEND",
         [](const stAcq& a) {
             EXPECT_EQ(a.storageKind, 2);
             EXPECT_EQ(a.repeatMode, 2);
             EXPECT_EQ(a.autoRestart, 0);
             EXPECT_EQ(a.dataMode, 3);
         }},
        {"VK40 SET STORAGE DISK REPEAT KEEPALL NEW",
         [](const stAcq& a) {
             EXPECT_EQ(a.storageKind, 1);
             EXPECT_EQ(a.autoRestart, 1);
             EXPECT_EQ(a.dataMode, 1);
             EXPECT_EQ(a.forcedNew, 0);
         }},
        {"VK40 SET STORAGE MEMORY ONCE KEEPALL RESET",
         [](const stAcq& a) {
             EXPECT_EQ(a.repeatMode, 1);
             EXPECT_EQ(a.forcedNew, 1);
         }},
        {"VK40 SET CHANNEL 3, ANALOG ENABLE OFF OFF \"Biceps\"",
         [](const stAcq& a) {
             EXPECT_EQ(a.chans[2].flags, 2u);
             EXPECT_STREQ(a.chans[2].label, "Biceps");
         }},
        {"VK40 SET CHANNEL 1, CALC SCALEUNITS \"mmHg\"",
         [](const stAcq& a) { EXPECT_STREQ(a.chans[kAnalogChannels + NDChan].units, "mmHg"); }},
        {"VK40 SET CHANNEL 4, ANALOG OFF", [](const stAcq& a) { EXPECT_EQ(a.chans[3].flags, 0u); }},
        {"VK40 SET OVERWRITEPROMPT ON", [](const stAcq& a) { EXPECT_EQ(a.warnOnOverwrite, 1); }},
        {"VK40 SET TRIGGER 2, 100, POS, 1.5",
         [](const stAcq& a) {
             const uint16_t f = static_cast<uint16_t>(a.unitMode);
             EXPECT_EQ(f & (kTrigOn | kTrigBoth | kTrigChannel | kTrigPositive),
                       kTrigOn | kTrigBoth | kTrigChannel | kTrigPositive);
             EXPECT_EQ(a.refCommand, 2);
             EXPECT_EQ(a.preStartDelay, 100);
             EXPECT_DOUBLE_EQ(a.refVoltage, 1.5);
         }},
        {"VK40 SET TRIGGER EXT, 7, NEG, -2",
         [](const stAcq& a) {
             const uint16_t f = static_cast<uint16_t>(a.unitMode);
             EXPECT_EQ(f & (kTrigOn | kTrigBoth | kTrigChannel | kTrigPositive), kTrigOn | kTrigBoth);
             EXPECT_EQ(a.preStartDelay, 7);
             EXPECT_DOUBLE_EQ(a.refVoltage, -2.0);
         }},
    };
    for (const stSettingCase& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(Exec(c.statement), 1);
        c.check(*acq);
    }
}

TEST_F(ScriptWords, DigitalChannelsExistOnlyOnTheSecondModel) {
    ASSERT_EQ(NDChan, 0);
    EXPECT_EQ(Exec("VK40 SET CHANNEL 1, DIGITAL, ENABLE, PLOT, VALUES"), 0);
    EXPECT_EQ(Exec("VK40 SET SCALING DIGITAL 1, 0, 0, 5, 1"), 0);
    Stop();
    acq = Start("VKUSB45");
    ASSERT_EQ(NDChan, 8);
    EXPECT_EQ(Exec("VK40 SET CHANNEL 2, DIGITAL, ENABLE, PLOT, VALUES"), 1);
    EXPECT_EQ(acq->chans[5].flags, 14u);
    EXPECT_EQ(Exec("VK40 SET SCALING DIGITAL 1, 0, 0, 5, 1, \"V\""), 1);
    EXPECT_DOUBLE_EQ(acq->chans[4].unitValue2, 5.0);
    EXPECT_DOUBLE_EQ(acq->chans[4].inValue2, 1.0);
    EXPECT_STREQ(acq->chans[4].units, "V");
    EXPECT_EQ(Exec("VK40 SET CHANNEL 1, CALC, SCALELABEL \"Rate\""), 1);
    EXPECT_STREQ(acq->chans[12].label, "Rate");
    EXPECT_EQ(Exec("VK40 SET CHANNEL 9, DIGITAL, OFF"), 0);
}

TEST_F(ScriptWords, TriggerOffClearsOnlyTheOnBitAndStillTakesDelayPolarityAndLevel) {
    ASSERT_EQ(Exec("VK40 SET TRIGGER 3, 10, NEG, 0.5"), 1);
    ASSERT_EQ(Exec("VK40 SET TRIGGER OFF, 25, POS, 0.75"), 1);
    const uint16_t f = static_cast<uint16_t>(acq->unitMode);
    EXPECT_EQ(f & kTrigOn, 0);
    EXPECT_EQ(f & (kTrigBoth | kTrigChannel | kTrigPositive), kTrigBoth | kTrigChannel | kTrigPositive);
    EXPECT_EQ(acq->refCommand, 3);
    EXPECT_EQ(acq->preStartDelay, 25);
    EXPECT_DOUBLE_EQ(acq->refVoltage, 0.75);
}

TEST_F(ScriptWords, ChannelAllOffClearsEveryRecordAndOverwritePromptReachesTheGraph) {
    for (int i = 0; i < NChanTotal; ++i) acq->chans[i].flags = 14;
    EXPECT_EQ(Exec("VK40 SET CHANNEL ALLOFF"), 1);
    for (int i = 0; i < NChanTotal; ++i) EXPECT_EQ(acq->chans[i].flags, 0u) << i;
    gs->overwriteWarning = 1;
    EXPECT_EQ(Exec("VK40 SET OVERWRITEPROMPT OFF"), 1);
    EXPECT_EQ(acq->warnOnOverwrite, 0);
    EXPECT_EQ(gs->overwriteWarning, 0u);
    EXPECT_EQ(Exec("VK40 SET OVERWRITEPROMPT MAYBE"), 1);  // unknown: unchanged
    EXPECT_EQ(acq->warnOnOverwrite, 0);
}

TEST_F(ScriptWords, LeadingAndUnknownWords) {
    const stAcq before = *acq;
    EXPECT_EQ(Exec("VK40 NOSUCHWORD 1, 2"), 1);
    EXPECT_EQ(Exec("VK40 SELECT PORT USB"), 1);
    EXPECT_EQ(Exec("VK40 SET OUTPUT"), 1);
    EXPECT_EQ(Exec("PRINT \"hello\""), 0);
    EXPECT_EQ(Exec(""), 0);
    EXPECT_EQ(std::memcmp(&before, acq, sizeof before), 0);
}

// ---- Refused statements: bad fields change nothing and send nothing ----

TEST_F(ScriptWords, BadFieldsAreRefusedAndChangeNothing) {
    const char* const cases[] = {
        // channel indices out of range
        "VK40 SET GAIN 5, 10",
        "VK40 SET GAIN 0, 10",
        "VK40 SET OFFSET -1, 0.5",
        "VK40 SET OFFSET 9, 0.5",
        "VK40 SET HARDWAREFILTER 5, AC, 0.5HZHP, 1KHZLP, GNDALL",
        "VK40 SET DSPFILTER 7, 1, LowPass, 100, 0.7",
        "VK40 SET DSPFILTER 1, 4, LowPass, 100, 0.7",
        "VK40 SET DSPFILTER 1, 0, LowPass, 100, 0.7",
        "VK40 SET CHANNEL 5, ANALOG ENABLE PLOT VALUES",
        "VK40 SET CHANNEL 13, CALC OFF",
        "VK40 SET CHANNEL 0, ANALOG OFF",
        "VK40 SET CHANNEL 1, WIRELESS OFF",
        "VK40 SET CHANNEL 1, ANALOG ENABLE SOMETIMES VALUES",
        "VK40 SET CHANNEL 1, ANALOG ENABLE PLOT NEVER",
        "VK40 SET CHANNEL 1, ANALOG RENAME",
        "VK40 SET SCALING ANALOG 5, 0, 0, 1, 1",
        "VK40 SET SCALING CALC 13, 0, 0, 1, 1",
        "VK40 SET SCALING WIRELESS 1, 0, 0, 1, 1",
        "VK40 SET TRIGGER 9, 10, POS, 1",
        "VK40 SET TRIGGER 2, -5, POS, 1",
        // missing fields and expressions that do not evaluate
        "VK40 SET RATE",
        "VK40 SET RATE 0",
        "VK40 SET RATE bad",
        "VK40 SET LENGTH",
        "VK40 SET GAIN 1",
        "VK40 SET GAIN 1, bad",
        "VK40 SET SCALING ANALOG 1, 0, 0, 1",
        "VK40 SET TRIGGER 2, 10, POS",
        "VK40 SET DSPFILTER 1, 1, LowPass, 100",
        "VK40 SET DSPFILTER 1, 1, HighPass, -5, 0.7",
        "VK40 SET VK40TEST 256",
        "VK40 SET OUT0",
        "VK40 SET OUT0 bad",
        "VK40 SET OUTPUTMODE Sideways",
        // overlong texts
        "VK40 SET CHANNEL 1, ANALOG SCALELABEL \"a label much longer than the forty characters a record holds\"",
        "VK40 SET CHANNEL 1, ANALOG ENABLE PLOT VALUES \"a label much longer than the forty characters a record "
        "holds\"",
        "VK40 SET SCALING ANALOG 1, 0, 0, 1, 1, \"units far longer than forty-four characters can be\"",
        // variables, windows
        "VK40 SET A ANALOG 5",
        "VK40 SET A ANALOG 0",
        "VK40 SET A NOTAKIND 1",
        "VK40 SHOW NOWINDOW",
        "VK40 HIDE NOWINDOW",
        "VK40 CLOSE STARTBUTTON",
        "VK40 CLOSE INPUTVALUESOPTIONS",
        "VK40 SET INPUTVALUES PLACE 1, 2, 3, 4",
        "VK40 SET MANUALCONTROL POSITION 1, 2, 3",
        "VK40 GET EEPROM 1$",
    };
    StartLog();
    const size_t sentBefore = PacketsSent();
    const stAcq before = *acq;
    for (const char* statement : cases) {
        SCOPED_TRACE(statement);
        EXPECT_EQ(Exec(statement), 0);
        EXPECT_EQ(std::memcmp(&before, acq, sizeof before), 0);
    }
    EXPECT_EQ(PacketsSent(), sentBefore);
    EXPECT_TRUE(g_fake.numbers.empty());
    EXPECT_TRUE(g_fake.strings.empty());
    EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(ScriptWords, NoWordReadsTheNextLine) {
    // The optional text is missing; the line after it begins with one, and the number reader
    // counts its comma even where the statement ends.
    acq->samplePeriodMs = 1.0;
    EXPECT_EQ(Exec("VK40 SET RATE"), 0);
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 1.0);
    std::strcpy(acq->chans[0].units, "mV");
    EXPECT_EQ(Exec("VK40 SET SCALING ANALOG 1, 0, 0, 2, 1"), 1);
    EXPECT_STREQ(acq->chans[0].units, "mV");
    EXPECT_DOUBLE_EQ(acq->chans[0].unitValue2, 2.0);
    std::strcpy(acq->chans[1].label, "CH2");
    EXPECT_EQ(Exec("VK40 SET CHANNEL 2, ANALOG ENABLE PLOT VALUES"), 1);
    EXPECT_STREQ(acq->chans[1].label, "CH2");
}

// ---- Words that talk to the unit ----

TEST_F(ScriptWords, UnitWordsSendTheirCommands) {
    const struct {
        const char* statement;
        uint8_t command;
        const char* data;  // the command's data bytes as the packet log shows them
    } cases[] = {
        {"VK40 SET HARDWAREFILTER 2, AC, DC, 1KHZLP, GNDALL", kCmdInputMode, nullptr},
        {"VK40 SET VK40TEST 17", kCmdSettingByte, " 11"},
        {"VK40 SET DSPFILTER 3, 2, LowPass, 100, 0.7", kCmdFilterVK40, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        DeleteFileA(logFile.c_str());
        StartLog();
        EXPECT_EQ(Exec(c.statement), 1);
        const std::vector<std::string> sent = Sent(c.command);
        ASSERT_EQ(sent.size(), 1u);
        if (c.data) {
            EXPECT_NE(sent[0].find(c.data), std::string::npos) << sent[0];
        }
    }
    const stAcqChan& ch2 = acq->chans[1];
    EXPECT_EQ(ch2.coupling, 1);
    EXPECT_EQ(ch2.highPass, 0);
    EXPECT_EQ(ch2.lowPass, 1);
    for (int i = 0; i < kAnalogChannels; ++i) EXPECT_EQ(acq->chans[i].inputOption4, 1) << i;
    EXPECT_EQ(acq->chans[2].filters[1].type, 1);
    EXPECT_DOUBLE_EQ(acq->chans[2].filters[1].frequencyHz, 100.0);
}

// A Q of 0 is the widest section the formulas reach (K/Q x N becomes 1, N becomes 0): the word
// takes it and sends that section, b2 b1 b0 a2 a1 at x 16384.
TEST_F(ScriptWords, DspFilterTakesAQOfZero) {
    const struct {
        const char* statement;
        int channel, index, type;
        std::vector<int> data;
    } cases[] = {
        {"VK40 SET DSPFILTER 2, 1, BandPass, 100, 0", 2, 0, 3, {2, 0, 0xC0, 0x00, 0, 0, 0x40, 0x00, 0x40, 0x00, 0, 0}},
        {"VK40 SET DSPFILTER 4, 3, LowPass, 50, 0", 4, 2, 1, {4, 2, 0, 0, 0, 0, 0, 0, 0x40, 0x00, 0, 0}},
        {"VK40 SET DSPFILTER 1, 2, HighPass, 100, 0", 1, 1, 2, {1, 1, 0, 0, 0, 0, 0, 0, 0x40, 0x00, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        DeleteFileA(logFile.c_str());
        StartLog();
        EXPECT_EQ(Exec(c.statement), 1);
        const std::vector<std::string> sent = Sent(kCmdFilterVK40);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(DataOf(sent[0]), c.data);
        const stFilterSlot& slot = acq->chans[c.channel - 1].filters[c.index];
        EXPECT_EQ(slot.type, c.type);
        EXPECT_EQ(slot.q, 0.0);
    }
    EXPECT_TRUE(boxes->boxes.empty()) << "no failure report";
}

TEST_F(ScriptWords, GainAndOffsetGoToTheNamedInputAndRescaleIt) {
    StartLog();
    acq->chans[2].inValue1 = -1;
    acq->chans[2].inValue2 = 1;
    acq->chans[2].unitValue1 = -10;
    acq->chans[2].unitValue2 = 10;
    EXPECT_EQ(Exec("VK40 SET GAIN 3, 1000"), 1);
    EXPECT_DOUBLE_EQ(acq->chans[2].gain, 1000.0);
    const double scaled = acq->chanMultiplier[2];
    EXPECT_EQ(Exec("VK40 SET GAIN 3, 10"), 1);
    EXPECT_NE(acq->chanMultiplier[2], scaled);  // the scale follows the gain
    EXPECT_EQ(Exec("VK40 SET OFFSET 3, 0.25"), 1);
    EXPECT_DOUBLE_EQ(acq->chans[2].inputOffset, 0.25);
    const std::vector<std::string> gains = Sent(kCmdInputGain), offsets = Sent(kCmdInputOffset);
    ASSERT_EQ(gains.size(), 2u);
    ASSERT_EQ(offsets.size(), 1u);
    EXPECT_NE(gains[0].find(" 03 "), std::string::npos) << gains[0];  // input 3
    for (int other : {0, 1, 3}) EXPECT_DOUBLE_EQ(acq->chans[other].inputOffset, 0.0) << other;
}

TEST_F(ScriptWords, UpdateParametersSendsOneInputOrAllFromTheFourthDown) {
    StartLog();
    EXPECT_EQ(Exec("VK40 UpdateParameters 2"), 1);
    std::vector<std::string> gains = Sent(kCmdInputGain);
    ASSERT_EQ(gains.size(), 1u);
    EXPECT_EQ(DataOf(gains[0]).back(), 2);
    for (const char* all : {"VK40 UpdateParameters 0", "VK40 UpdateParameters 5"}) {
        SCOPED_TRACE(all);
        DeleteFileA(logFile.c_str());
        StartLog();
        EXPECT_EQ(Exec(all), 1);
        gains = Sent(kCmdInputGain);
        ASSERT_EQ(gains.size(), 4u);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(DataOf(gains[i]).back(), 4 - i);
    }
}

TEST_F(ScriptWords, DumpChargeDischargesAnInputOfTheSecondModelOnly) {
    StartLog();
    EXPECT_EQ(Exec("VK40 DUMPCHARGE 2"), 1);
    EXPECT_TRUE(Sent(kCmdInputMode).empty());
    Stop();
    acq = Start("VKUSB45");
    StartLog();
    for (const char* statement : {"VK40 DUMPCHARGE 3", "VK40 DUMPCHARGE 0", "VK40 DUMPCHARGE 5"})
        EXPECT_EQ(Exec(statement), 1);
    const std::vector<std::string> sent = Sent(kCmdInputMode);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(DataOf(sent[0]), (std::vector<int>{32, 3}));
}

TEST_F(ScriptWords, GroundAllSendsEveryInputWithItsOwnFilters) {
    acq->chans[0].coupling = 1;
    acq->chans[3].lowPass = 1;
    StartLog();
    EXPECT_EQ(Exec("VK40 SET GNDALL ON"), 1);
    EXPECT_EQ(Sent(kCmdInputMode).size(), 4u);
    for (int i = 0; i < kAnalogChannels; ++i) EXPECT_EQ(acq->chans[i].inputOption4, 1) << i;
    EXPECT_EQ(acq->chans[0].coupling, 1);
    EXPECT_EQ(acq->chans[3].lowPass, 1);
}

TEST_F(ScriptWords, UnitTextBlockTurnsBackslashRIntoCarriageReturns) {
    uint8_t block[256];
    EXPECT_EQ(BuildUnitTextBlock("ab\\rc", block), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 6), "ab\rc  ");
    EXPECT_EQ(block[255], ' ');
    const std::string longText(300, 'x');
    EXPECT_EQ(BuildUnitTextBlock(longText.c_str(), block), 256);
    StartLog();
    EXPECT_EQ(Exec("VK40 SET EEPROM \"Lab 3\\rBench 2\""), 1);
    const std::vector<std::string> sent = Sent(kCmdStoreDescription);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("4C 61 62 20 33 0D 42"), std::string::npos) << sent[0];
}

TEST_F(ScriptWords, UnitInformationAndAnalogReadingsReachTheVariables) {
    EXPECT_EQ(Exec("VK40 GET EEPROM B@"), 1);
    ASSERT_EQ(g_fake.strings.count("B@"), 1u);
    char info[kVK40InfoChars] = "";
    ASSERT_EQ(FormatUnitInfo(info, sizeof info), 1);
    EXPECT_EQ(g_fake.strings["B@"], info);
    EXPECT_EQ(Exec("VK40 GET SOMETHING C$"), 1);
    EXPECT_EQ(g_fake.strings.count("C$"), 0u);

    EXPECT_EQ(Exec("VK40 SET v ANALOG 1"), 1);
    ASSERT_EQ(g_fake.numbers.count("v"), 1u);
    EXPECT_TRUE(std::isfinite(g_fake.numbers["v"]));
    EXPECT_EQ(Exec("VK40 SET s STATUS 0"), 1);
    EXPECT_EQ(g_fake.numbers["s"], acq->run.statusState);
    for (void* context : g_fake.contexts) EXPECT_EQ(context, &g_context);
    // Three letters are never a variable: the word names a window that has no POSITION here.
    EXPECT_EQ(Exec("VK40 SET ABC ANALOG 1"), 0);
    EXPECT_EQ(g_fake.numbers.count("ABC"), 0u);
}

TEST_F(ScriptWords, AFailedUnitCommandIsReportedAndMarksTheUnitLost) {
    acq->run.unitInitialised = 1;
    g_lib.readStatusEnable = 1;
    g_lib.unitCheckSuppressed = 1;
    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultBadChecksum));
    ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, kCmdInputGain));
    EXPECT_EQ(Exec("VK40 SET GAIN 1, 100"), 2);
    SimControlSetDword(kSimFault, 0);
    ASSERT_EQ(boxes->boxes.size(), 1u);
    EXPECT_EQ(boxes->boxes[0].caption, "VK40 Error");
    EXPECT_NE(boxes->boxes[0].text.find("Check connections and power"), std::string::npos) << boxes->boxes[0].text;
    EXPECT_EQ(acq->run.unitInitialised, 0);
    EXPECT_EQ(g_lib.unitCheckSuppressed, 0);

    // Without the error display the result is the same, without a box.
    g_lib.readStatusEnable = 0;
    acq->run.unitInitialised = 1;
    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultBadChecksum));
    ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, kCmdSettingByte));
    EXPECT_EQ(Exec("VK40 SET VK40TEST 1"), 2);
    SimControlSetDword(kSimFault, 0);
    EXPECT_EQ(boxes->boxes.size(), 1u);
    EXPECT_EQ(acq->run.unitInitialised, 0);
}

// ---- Outputs ----

// The level reaches the unit whether or not the Manual Control panel was ever made.
TEST_F(ScriptWords, ManualOutputIsHeldInThePanelsRange) {
    ASSERT_EQ(acq->hwndManualControl, nullptr) << "the panel is not made at start-up";
    const struct {
        const char* statement;
        int32_t counts;  // trunc(volts x 6553.6) - 16383, the volts held in 0 .. 4.9987
    } cases[] = {
        {"VK40 SET OUT0 2.5", 1},           {"VK40 SET OUT0 1", 6553 - 16383},
        {"VK40 SET OUT0 9", 32759 - 16383}, {"VK40 SET OUT0 1e9", 32759 - 16383},
        {"VK40 SET OUT0 -3", -16383},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        DeleteFileA(logFile.c_str());
        StartLog();
        EXPECT_EQ(Exec(c.statement), 1);
        EXPECT_EQ(acq->manualValue, c.counts);
        uint8_t data[3];
        ManualLevelData(c.counts, data);
        char bytes[16];
        std::snprintf(bytes, sizeof bytes, " %02X %02X %02X", data[0], data[1], data[2]);
        const std::vector<std::string> sent = Sent(kCmdAnalogOut);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_NE(sent[0].find(bytes), std::string::npos) << sent[0] << " for" << bytes;
    }
    EXPECT_EQ(acq->hwndManualControl, nullptr) << "no panel was needed to send the level";
}

// A panel made after the lesson set the level shows it; once made, the panel sends the next one.
TEST_F(ScriptWords, TheManualControlPanelMadeLaterShowsTheLessonsLevel) {
    ASSERT_EQ(Exec("VK40 SET OUT0 3.75"), 1);
    ASSERT_EQ(acq->hwndManualControl, nullptr);
    ASSERT_EQ(Exec("VK40 SET MANUALCONTROL POSITION 60, 40, 460, 400"), 1);
    HWND dlg = acq->hwndManualControl;
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_FALSE(IsWindowVisible(dlg));
    char text[32] = "";
    GetDlgItemTextA(dlg, IDC_MANUAL_VOLTS, text, sizeof text);
    EXPECT_STREQ(text, "3.7500");
    EXPECT_EQ(GetScrollPos(GetDlgItem(dlg, IDC_MANUAL_SCROLL), SB_CTL), ManualScrollPosition(acq->manualValue));
    DeleteFileA(logFile.c_str());
    StartLog();
    ASSERT_EQ(Exec("VK40 SET OUT0 1.25"), 1);
    GetDlgItemTextA(dlg, IDC_MANUAL_VOLTS, text, sizeof text);
    EXPECT_STREQ(text, "1.2500");
    EXPECT_EQ(GetScrollPos(GetDlgItem(dlg, IDC_MANUAL_SCROLL), SB_CTL), ManualScrollPosition(acq->manualValue));
    EXPECT_EQ(Sent(kCmdAnalogOut).size(), 1u);
    EXPECT_EQ(acq->hwndManualControl, dlg) << "made once";
}

TEST_F(ScriptWords, OutputModeSelectsTheUnitsOutput) {
    // The selector goes to a unit that answers: CHECKACQ finds it first.
    acq->run.statusState = 0;
    EXPECT_EQ(Exec("VK40 CHECKACQ"), 1);
    ASSERT_EQ(acq->run.statusState, 1);
    const struct {
        const char* statement;
        int16_t selector;
    } cases[] = {
        {"VK40 SET OUTPUTMODE RawDA", 2}, {"VK40 SET OUTPUTMODE channel3", 3}, {"VK40 SET OUTPUTMODE AmpIN", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        DeleteFileA(logFile.c_str());
        StartLog();
        EXPECT_EQ(Exec(c.statement), 1);
        EXPECT_EQ(acq->outputMode, c.selector);
        ASSERT_EQ(Sent(kCmdOutputSelect).size(), 1u);
    }
}

TEST_F(ScriptWords, StimulatorRecordsAnswerThroughTheirResultVariable) {
    EXPECT_EQ(Exec("VK40 SET StimMode A$, \"Pulse\", 3, 0.5, 40"), 1);
    EXPECT_EQ(acq->stim.count, 3);
    EXPECT_DOUBLE_EQ(acq->stim.width, 0.5);
    EXPECT_DOUBLE_EQ(acq->stim.rate, 40.0);
    EXPECT_EQ(g_fake.strings["A$"], getMsgBoxText("STIM Success Key"));

    const stStimSetup before = acq->stim;
    EXPECT_EQ(Exec("VK40 SET StimMode B@, \"continuous\", 3, 1, 10"), 0);
    EXPECT_EQ(g_fake.strings["B@"], getMsgBoxText("STIM WRONG DURATION MODE Key"));
    EXPECT_EQ(std::memcmp(&before, &acq->stim, sizeof before), 0);

    // A record name matches exactly; another spelling is some other SET word.
    EXPECT_EQ(Exec("VK40 SET stimmode C$, \"Pulse\", 3, 0.5, 40"), 0);
    EXPECT_EQ(g_fake.strings.count("C$"), 0u);
}

// ---- Windows ----

TEST_F(ScriptWords, ShowHideAndPlaceTheLibrarysWindows) {
    EXPECT_EQ(Exec("VK40 SHOW INPUTVALUES"), 1);
    HWND pane = acq->run.hwndInputValues;  // made by the first word that needs it
    ASSERT_TRUE(IsWindow(pane));
    EXPECT_TRUE(IsWindowVisible(pane));
    EXPECT_EQ(Exec("VK40 HIDE INPUTVALUES"), 1);
    EXPECT_FALSE(IsWindowVisible(pane));

    EXPECT_EQ(Exec("VK40 SHOW ACQUISITIONMODE"), 1);
    HWND setup = acq->hwndAcqSetup;  // made by the first word that needs it
    ASSERT_TRUE(IsWindow(setup));
    EXPECT_TRUE(IsWindowVisible(setup));
    EXPECT_EQ(Exec("VK40 SET ACQUISITIONMODE POSITION 100, 50, 500, 450"), 1);
    RECT rc{};
    GetWindowRect(setup, &rc);
    const int m = GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION) + 36;
    EXPECT_EQ(rc.left, 102);
    EXPECT_EQ(rc.top, 50 + m);
    EXPECT_EQ(rc.right - rc.left, 400);
    EXPECT_EQ(rc.bottom - rc.top, 400);
    EXPECT_EQ(Exec("VK40 CLOSE ACQUISITIONMODE"), 1);
    EXPECT_FALSE(IsWindowVisible(setup));

    EXPECT_EQ(Exec("VK40 SET INPUTVALUES POSITION 10, 100, 210, 300"), 1);
    GetWindowRect(pane, &rc);
    EXPECT_EQ(rc.top, 100 + m - 50);
    EXPECT_EQ(rc.bottom - rc.top, 200 + 50 + m);
}

// The set-up windows and panels are made when a word first needs one: hiding or closing one that
// was never made makes nothing, and placing one makes it, hidden, where the lesson put it.
TEST_F(ScriptWords, PlacingAWindowNeverShownMakesItWhereTheLessonSays) {
    const struct {
        const char* name;
        HWND* window;
        int raise;  // the Input Values pane is placed higher and taller
    } panels[] = {{"ACQUISITIONMODE", &acq->hwndAcqSetup, 0},
                  {"TRIGGERMODE", &acq->hwndTrigger, 0},
                  {"SETUPCHANNELS", &acq->hwndChannelSetup, 0},
                  {"INPUTVALUES", &acq->run.hwndInputValues, 50},
                  {"MANUALCONTROL", &acq->hwndManualControl, 0},
                  {"ELECTRODECHECKER", &acq->hwndElectrodeCheck, 0}};
    const int m = GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION) + 36;
    for (const auto& p : panels) {
        ASSERT_EQ(*p.window, nullptr) << p.name << ": not made at start-up";
        EXPECT_EQ(Exec(std::string("VK40 HIDE ") + p.name), 1);
        EXPECT_EQ(Exec(std::string("VK40 CLOSE ") + p.name), 1);
        EXPECT_EQ(*p.window, nullptr) << p.name << ": hiding makes nothing";
        EXPECT_EQ(Exec(std::string("VK40 SET ") + p.name + " POSITION 60, 40, 460, 400"), 1);
        HWND w = *p.window;
        ASSERT_TRUE(IsWindow(w)) << p.name;
        EXPECT_FALSE(IsWindowVisible(w)) << p.name;
        EXPECT_EQ(GetWindow(w, GW_OWNER), frame) << p.name;
        RECT rc{};
        GetWindowRect(w, &rc);
        EXPECT_EQ(rc.left, 62) << p.name;
        EXPECT_EQ(rc.top, 40 + m - p.raise) << p.name;
        EXPECT_EQ(Exec(std::string("VK40 SHOW ") + p.name), 1);
        EXPECT_EQ(*p.window, w) << p.name << ": the same window shows";
        EXPECT_TRUE(IsWindowVisible(w)) << p.name;
        EXPECT_EQ(Exec(std::string("VK40 HIDE ") + p.name), 1);
    }
}

TEST_F(ScriptWords, TheElectrodeCheckerFollowsWithItsMenuItem) {
    EXPECT_EQ(Exec("VK40 SHOW ELECTRODECHECKER"), 1);
    HWND checker = acq->hwndElectrodeCheck;
    ASSERT_TRUE(IsWindow(checker));
    EXPECT_TRUE(IsWindowVisible(checker));
    EXPECT_EQ(g_lib.electrodeShown, 1);
    EXPECT_TRUE(IsMenuItemChecked(frame, IDM_ELECTRODE));
    EXPECT_EQ(Exec("VK40 HIDE ELECTRODECHECKER"), 1);
    EXPECT_FALSE(IsWindowVisible(checker));
    EXPECT_EQ(g_lib.electrodeShown, 0);
    EXPECT_FALSE(IsMenuItemChecked(frame, IDM_ELECTRODE));
    EXPECT_EQ(Exec("VK40 SHOW ELECTRODECHECKER"), 1);
    EXPECT_EQ(Exec("VK40 CLOSE ELECTRODECHECKER"), 1);
    EXPECT_FALSE(IsWindowVisible(checker));
    EXPECT_FALSE(IsMenuItemChecked(frame, IDM_ELECTRODE));
}

TEST_F(ScriptWords, HardwareWarningSwitchesTheConversionQuestion) {
    const int32_t saved = CVKDevice::m_hardwarewarning;
    EXPECT_EQ(Exec("VK40 SET HARDWAREWARNING OFF"), 1);
    EXPECT_EQ(CVKDevice::m_hardwarewarning, 0);
    EXPECT_EQ(Exec("VK40 SET HARDWAREWARNING SOMETIMES"), 1);
    EXPECT_EQ(CVKDevice::m_hardwarewarning, 0);
    EXPECT_EQ(Exec("VK40 SET HARDWAREWARNING on"), 1);
    EXPECT_EQ(CVKDevice::m_hardwarewarning, 1);
    CVKDevice::m_hardwarewarning = saved;
}

TEST_F(ScriptWords, HideStartButtonHidesItWhileCloseRefusesIt) {
    HWND button =
        CreateWindowA("BUTTON", "Start", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, frame, nullptr, nullptr, nullptr);
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    acq->run.hwndStartButton = button;
    EXPECT_EQ(Exec("VK40 CLOSE STARTBUTTON"), 0);
    EXPECT_TRUE(IsWindowVisible(button));
    EXPECT_EQ(Exec("VK40 HIDE STARTBUTTON"), 1);
    EXPECT_FALSE(IsWindowVisible(button));
    EXPECT_EQ(Exec("VK40 SHOW STARTBUTTON"), 1);
    EXPECT_TRUE(IsWindowVisible(button));
    acq->run.hwndStartButton = nullptr;
    DestroyWindow(button);
}

// ---- Recording ----

TEST_F(ScriptWords, StartAcqRecordsAndStopAcqEndsTheRun) {
    Enable(acq, {0}, {});
    acq->samplePeriodMs = 1.0;
    acq->storageKind = kStorageMemory;
    acq->repeatMode = kRepeatOnce;
    acq->dataMode = kDataOverwrite;
    ASSERT_EQ(Exec("VK40 SET LENGTH 100000"), 1);
    // A stop between runs stops nothing, not even the next run.
    EXPECT_EQ(Exec("VK40 STOPACQ"), 1);
    ASSERT_EQ(Exec("VK40 STARTACQ"), 1);
    ASSERT_EQ(acq->run.running, 1);
    EXPECT_EQ(Exec("VK40 STARTACQ"), 1);  // while one runs: nothing
    EXPECT_EQ(acq->run.running, 1);
    for (int i = 0; i < 5; ++i) {
        AdvanceClock(20);
        EXPECT_EQ(Exec("VK40 CHECKACQ"), 1);
    }
    EXPECT_EQ(acq->run.running, 1);
    EXPECT_EQ(Exec("VK40 STOPACQ"), 1);
    EXPECT_EQ(acq->run.running, 1);  // it ends at the next status check
    Run(acq, 20, 10);
    EXPECT_EQ(acq->run.running, 0);
    EXPECT_GT(gs->chanCount[1], 0u);
    EXPECT_LT(gs->chanCount[1], 100000u);
}

// ---- Resetting the graph between runs ----

TEST_F(ScriptWords, ResetGraphTakesTheSetUpsChannelsAndTheNextRunRecordsWithoutAsking) {
    RecordShortRun({0, 1}, 60);
    ASSERT_EQ(gs->chanCount[1], 60u);
    ASSERT_EQ(gs->chanNumber[2], 2);

    Enable(acq, {2}, {});
    acq->samplePeriodMs = 2.0;
    acq->acqLength = 40;
    acq->warnOnOverwrite = 1;
    boxes->answer = IDNO;
    ASSERT_EQ(Exec("VK40 RESETGRAPH"), 1);
    EXPECT_EQ(gs->chanFlags[3] & kChanSlotMask, 2u);
    EXPECT_EQ(gs->chanNumber[3], 3);
    for (int s : {1, 2}) EXPECT_EQ(gs->chanFlags[s] & kChanSlotMask, 0u) << s;
    for (int s : {1, 2, 3}) EXPECT_EQ(gs->chanCount[s], 0u) << s;
    EXPECT_EQ(gs->totalSamples, 0);
    EXPECT_DOUBLE_EQ(gs->sampleInterval, 2.0);
    EXPECT_EQ(gs->storageKind, kStoreMemory);
    EXPECT_NE(gs->chanBlock[3], nullptr);
    // The last run's fields stay what that run recorded with.
    EXPECT_DOUBLE_EQ(acq->runSamplePeriod, 1.0);
    EXPECT_EQ(acq->runLength, 60);

    // The graph holds no data now: the run starts without the overwrite question.
    ASSERT_EQ(Exec("VK40 STARTACQ"), 1);
    EXPECT_TRUE(boxes->boxes.empty());
    ASSERT_EQ(acq->run.running, 1);
    Run(acq, 20);
    EXPECT_EQ(acq->run.running, 0);
    EXPECT_EQ(gs->chanNumber[3], 3);
    EXPECT_EQ(gs->chanCount[3], 40u);
}

// The layout follows the set-up as it is now, whatever the last run did; a disk set-up gets no
// file until its run starts.
TEST_F(ScriptWords, ResetGraphFollowsTheCurrentStorageAndMakesNoFile) {
    struct stCase {
        const char* name;
        int32_t storage, repeat, lastRunStorage;
        uint32_t graphStorage, window;
    };
    const stCase cases[] = {
        {"memory after a disk run", 2, 1, 1, kStoreMemory, 0},
        {"ring", 2, 2, 2, kStoreDiskRecording, 500},
        {"disk set-up", 1, 2, 2, kStoreMemory, 0},
    };
    Enable(acq, {0, 3}, {});
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 500;
    const std::string file = folder + "\\reset_" + std::to_string(GetCurrentProcessId()) + ".acq";
    for (const stCase& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(file.c_str());
        lstrcpynA(gs->filePath, file.c_str(), sizeof gs->filePath);
        gs->chanCount[1] = gs->chanCount[4] = 7;
        acq->storageKind = c.storage;
        acq->repeatMode = static_cast<int16_t>(c.repeat);
        acq->dataMode = kDataAppend;  // append: a reset still leaves no samples
        acq->runStorageKind = c.lastRunStorage;
        ASSERT_EQ(Exec("VK40 RESETGRAPH"), 1);
        EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(gs->storageKind, c.graphStorage);
        EXPECT_EQ(gs->winSize, c.window);
        EXPECT_EQ(gs->chanNumber[1], 1);
        EXPECT_EQ(gs->chanNumber[4], 4);
        EXPECT_EQ(gs->chanCount[1], 0u);
        EXPECT_EQ(gs->chanCount[4], 0u);
        EXPECT_EQ(acq->runStorageKind, c.lastRunStorage);
    }
    EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(ScriptWords, ResetGraphLeavesARunningRecordingAndNeedsAGraph) {
    Enable(acq, {0}, {});
    SetUpRun(acq, kStorageMemory, 1.0, 100000);
    ASSERT_EQ(Exec("VK40 STARTACQ"), 1);
    for (int i = 0; i < 3; ++i) {
        AdvanceClock(20);
        CheckAcquisitionStatus(acq);
    }
    const uint32_t recorded = gs->chanCount[1];
    ASSERT_GT(recorded, 0u);
    EXPECT_EQ(Exec("VK40 RESETGRAPH"), 1);
    EXPECT_EQ(gs->chanCount[1], recorded);
    EXPECT_EQ(acq->run.running, 1);
    EXPECT_EQ(Exec("VK40 STOPACQ"), 1);
    Run(acq, 20, 10);
    ASSERT_EQ(acq->run.running, 0);

    // A statement without a graph document changes nothing.
    const uint32_t kept = gs->chanCount[1];
    const std::string text = "VK40 RESETGRAPH\r\n";
    stScriptStatement st{text.c_str(), nullptr, &g_context, nullptr};
    EXPECT_EQ(DrvExecScriptLine(&ops, hAcq, &st), 1);
    EXPECT_EQ(gs->chanCount[1], kept);
}

// ---- The Input Values pane ----

TEST_F(ScriptWords, UnholdInputValuesLetsThePaneTakeNewValues) {
    ASSERT_EQ(Exec("VK40 CHECKACQ"), 1);
    ASSERT_EQ(acq->run.statusState, 1) << "the simulated unit is ready";
    ASSERT_EQ(Exec("VK40 SHOW INPUTVALUES"), 1);
    HWND pane = acq->run.hwndInputValues;
    ASSERT_TRUE(IsWindow(pane));
    auto tick = [pane] { SendMessageA(pane, WM_TIMER, IDT_INPUT_VALUES, 0); };
    constexpr double kStale = 12345.0;
    g_inputValues.analog[0] = kStale;
    g_inputValues.busy = 1;
    tick();  // held: the pane keeps what it showed
    EXPECT_EQ(g_inputValues.analog[0], kStale);

    EXPECT_EQ(Exec("VK40 UNHOLDINPUTVALUES"), 1);
    EXPECT_EQ(g_inputValues.busy, 0);
    tick();
    EXPECT_NE(g_inputValues.analog[0], kStale);
    EXPECT_EQ(Exec("VK40 HIDE INPUTVALUES"), 1);
}

// ---- The USB adapter ----

TEST_F(ScriptWords, AdapterDataRoundTripsThroughTheVariables) {
    EXPECT_EQ(Exec("LNX2W SETDATA \"0a1B2c\", R$"), 1);
    EXPECT_EQ(g_fake.strings["R$"], "3");
    EXPECT_EQ(Exec("LNX2W GETDATA D$, E@"), 1);
    EXPECT_EQ(g_fake.strings["D$"], "0A1B2C" + std::string(26, '0'));
    EXPECT_EQ(g_fake.strings["E@"], "16");
    // Past 32 digits the text is cut.
    g_fake.strings["H$"] = std::string(32, 'F') + "0102";
    EXPECT_EQ(Exec("LNX2W SETDATA H$, R@"), 1);
    EXPECT_EQ(g_fake.strings["R@"], "16");
    EXPECT_EQ(Exec("lnx2w getdata D$, E$"), 1);
    EXPECT_EQ(g_fake.strings["D$"], std::string(32, 'F'));
    EXPECT_EQ(Exec("LNX2W GETSTATUS S$"), 1);
    EXPECT_EQ(g_fake.strings["S$"], "2");
}

TEST_F(ScriptWords, AdapterDataIsCheckedBeforeAnythingIsWritten) {
    const struct {
        const char* statement;
        int32_t result;
    } cases[] = {
        {"LNX2W SETDATA \"ABC\", R$", 0}, {"LNX2W SETDATA \"0G\", R$", 0}, {"LNX2W SETDATA \"00\", 1$", 0},
        {"LNX2W NOSUCH R$", 0},           {"LNX2W GETSTATUS R", 0},
    };
    StartLog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statement);
        EXPECT_EQ(Exec(c.statement), c.result);
    }
    EXPECT_TRUE(g_fake.strings.empty());
    for (const std::string& line : ReadPacketLog(logFile)) EXPECT_NE(line.compare(0, 2, "w "), 0) << line;

    uint8_t bytes[16];
    EXPECT_EQ(ParseHexBytes("0aFf10", bytes, 16), 3);
    EXPECT_EQ(ParseHexBytes("1x", bytes, 16), -1);
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0x10);
    EXPECT_EQ(ParseHexBytes(std::string(34, '1').c_str(), bytes, 16), 16);
    EXPECT_EQ(ParseHexBytes("123", bytes, 16), -1);
}

}  // namespace

// The smart-sensor reads: the identity from the input's own read (command 65 with its number),
// the count from the conversion of all four (command 60); both land in the named variable.
TEST_F(ScriptWords, SmartSensorReadsReachTheVariables) {
    ASSERT_TRUE(SimControlSetDword("Signal2", kSimSignalDc));
    ASSERT_TRUE(SimControlSetDword("Amplitude2", 2000));
    ASSERT_TRUE(SimControlSetDword("Signal3", kSimSignalNone));
    StartLog();
    EXPECT_EQ(Exec("VK40 SET i SMARTSENSOR 2"), 1);
    EXPECT_EQ(Exec("VK40 SET n SMARTSENSORCOUNT 2"), 1);
    EXPECT_EQ(Exec("VK40 SET g SMARTSENSOR 3"), 1);
    const std::vector<std::string> identity = Sent(kCmdReadInputWord);
    ASSERT_EQ(identity.size(), 2u);
    EXPECT_EQ(identity[0].substr(0, 3), " 02") << "input 2";
    EXPECT_EQ(identity[1].substr(0, 3), " 03");
    EXPECT_EQ(Sent(kCmdConversionWords).size(), 1u);
    ASSERT_EQ(g_fake.numbers.count("i"), 1u);
    ASSERT_EQ(g_fake.numbers.count("n"), 1u);
    EXPECT_NE(g_fake.numbers["i"], 0) << "a steady 2 mV input reads as a word of its own";
    EXPECT_EQ(g_fake.numbers["n"], g_fake.numbers["i"]) << "both reads see the same steady input";
    EXPECT_EQ(g_fake.numbers["g"], 0) << "a grounded input";
    for (void* context : g_fake.contexts) EXPECT_EQ(context, &g_context);

    // Inputs outside 1-4 are refused before the unit is asked.
    const size_t before = PacketsSent();
    for (const char* line : {"VK40 SET x SMARTSENSOR 0", "VK40 SET x SMARTSENSOR 5", "VK40 SET x SMARTSENSORCOUNT -1",
                             "VK40 SET x SMARTSENSORCOUNT"})
        EXPECT_EQ(Exec(line), 0) << line;
    EXPECT_EQ(PacketsSent(), before);
    EXPECT_EQ(g_fake.numbers.count("x"), 0u);

    // A unit that does not answer: the failure report, no variable.
    acq->run.unitInitialised = 1;
    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultBadChecksum));
    ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, kCmdReadInputWord));
    EXPECT_EQ(Exec("VK40 SET y SMARTSENSOR 1"), 2);
    SimControlSetDword(kSimFault, 0);
    EXPECT_EQ(g_fake.numbers.count("y"), 0u);
}
