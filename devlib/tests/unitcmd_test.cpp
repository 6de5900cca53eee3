// The unit's commands over the scripted unit: the inputs' hardware set-up, one-shot readings,
// the calibration, the firmware download in 120-byte blocks, the memory dump, the unit
// information text and the About box that shows them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/tests/fake_unit.h"
#include "devlib/vk40.h"
#include "common/math_constants.h"

using namespace vk40test;

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<uint32_t> g_waits;
void RecordWait(uint32_t ms) { g_waits.push_back(ms); }

// The bytes between a packet's command and its checksum.
Bytes DataOf(const Bytes& packet) { return packet.size() >= 3 ? Bytes(packet.begin() + 2, packet.end() - 1) : Bytes{}; }

// g_unitLink on the scripted unit, opened as the model's USB unit, with a zeroed record whose
// analog channels have the start-up defaults.
class UnitCommands : public ::testing::Test {
protected:
    void Open(const char* path) {
        table = unit.Table();
        g_unitLink.SetTransport(&table);
        g_unitLink.SetWait(RecordWait);
        ASSERT_EQ(g_unitLink.Open(path, kTransportUsb), 1);
        unit.Clear();
        g_waits.clear();
    }
    void SetUp() override {
        g_lib.instance = GetModuleHandleA(nullptr);
        hAcq = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
        g_lib.hAcq = hAcq;
        acq = static_cast<stAcq*>(GlobalLock(hAcq));
        for (int i = 0; i < kAnalogChannels; ++i) {
            stAcqChan& c = acq->chans[i];
            c.number = i;
            c.group = kGroupAnalog;
            c.inValue1 = -0.01;
            c.unitValue1 = -10;
            c.inValue2 = 0.01;
            c.unitValue2 = 10;
            c.gain = 200;
            c.one = 1.0;
            c.highPass = 1;
            for (stFilterSlot& f : c.filters) {
                f.frequencyHz = 100;
                f.q = 0.707;
            }
        }
        Open("\\\\.\\VKUSB");
    }
    void TearDown() override {
        g_unitLink.SetTransport(&g_driverTransport);
        g_unitLink.SetWait(nullptr);
        GlobalUnlock(hAcq);
        GlobalFree(hAcq);
        g_lib.hAcq = nullptr;
    }

    CFakeUnit unit{kTransportUsb};
    stTransportOps table{};
    HGLOBAL hAcq = nullptr;
    stAcq* acq = nullptr;
};

// ---- Pure parts ----

TEST(UnitCommandData, InputFlagsFollowTheModel) {
    struct {
        bool vk45;
        int16_t coupling, highPass, option4, lowPass;
        uint8_t flags;
    } cases[] = {
        {false, 0, 0, 1, 0, 0x00}, {false, 1, 0, 1, 0, 0x01}, {false, 0, 1, 1, 0, 0x02}, {false, 0, 2, 1, 0, 0x02},
        {false, 0, 0, 0, 0, 0x04}, {false, 0, 0, 1, 1, 0x08}, {false, 1, 1, 0, 1, 0x0F}, {true, 0, 1, 1, 0, 0x02},
        {true, 0, 2, 1, 0, 0x10},  {true, 0, 3, 1, 0, 0x00},  {true, 0, -1, 1, 0, 0x00}, {true, 1, 2, 0, 1, 0x1D},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.vk45 << " " << c.coupling << c.highPass << c.option4 << c.lowPass);
        EXPECT_EQ(InputModeFlags(c.vk45, c.coupling, c.highPass, c.option4, c.lowPass), c.flags);
    }
}

TEST(UnitCommandData, OffsetCountsAreLimitedTo16Bits) {
    EXPECT_EQ(OffsetCounts(0.005, 1.0, 3.125e-7), 16000);
    EXPECT_EQ(OffsetCounts(-0.005, 1.0, 3.125e-7), -16000);
    EXPECT_EQ(OffsetCounts(0.0102, 1.0, 3.125e-7), 32640);
    EXPECT_EQ(OffsetCounts(0.02, 1.0, 3.125e-7), 32767) << "more than 32,767 counts is sent as 32,767";
    EXPECT_EQ(OffsetCounts(-0.02, 1.0, 3.125e-7), -32768);
    EXPECT_EQ(OffsetCounts(0.005, 0.0, 3.125e-7), 0) << "a zero scale sends 0";
    EXPECT_EQ(OffsetCounts(0.005, 2.0, 3.125e-7), 8000);
}

TEST(UnitCommandData, FilterSectionsFollowTheirFormulas) {
    stBiquad f{};
    ASSERT_EQ(DesignFilter(0, 100, 0.707, 0.5, &f), 1);
    EXPECT_EQ(f.b0, 1);
    EXPECT_EQ(f.b1 + f.b2 + f.a1 + f.a2, 0);

    const double k = std::tan(kPi * 100 * 0.5 / 1000);
    const double n = 1 / (1 + k / 0.707 + k * k);
    ASSERT_EQ(DesignFilter(1, 100, 0.707, 0.5, &f), 1);
    EXPECT_DOUBLE_EQ(f.b0, k * k * n);
    EXPECT_DOUBLE_EQ(f.b1, 2 * k * k * n);
    EXPECT_DOUBLE_EQ(f.a1, 2 * (1 - k * k) * n);
    EXPECT_DOUBLE_EQ(f.a2, -(1 - k / 0.707 + k * k) * n);
    stBiquad stop5{};
    stBiquad stop4{};
    ASSERT_EQ(DesignFilter(5, 60, 5, 0.5, &stop5), 1);
    ASSERT_EQ(DesignFilter(4, 60, 5, 0.5, &stop4), 1);
    EXPECT_EQ(memcmp(&stop4, &stop5, sizeof(stop4)), 0) << "type 5 is type 4";
    EXPECT_EQ(DesignFilter(2, 100, -1, 0.5, &f), 0) << "a negative Q makes no filter";
}

// Q -> 0 takes N to 0 and K/Q x N to 1 (at 0 Hz, where K is 0, N stays 1 and K/Q x N 0): the
// formulas' limits are the section.
TEST(UnitCommandData, AQOfZeroIsTheLimitOfTheFormulas) {
    const struct {
        int16_t type;
        double hz;
        stBiquad want;  // b0 b1 b2 a1 a2
    } cases[] = {
        {1, 100, {0, 0, 0, 0, 1}},  {2, 100, {0, 0, 0, 0, 1}}, {3, 100, {1, 0, -1, 0, 1}},
        {4, 100, {0, 0, 0, 0, 1}},  {5, 60, {0, 0, 0, 0, 1}},  {3, 0, {0, 0, 0, 2, -1}},
        {4, 0, {1, -2, 1, 2, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " at " << c.hz << " Hz");
        stBiquad f{};
        ASSERT_EQ(DesignFilter(c.type, c.hz, 0, 0.5, &f), 1);
        EXPECT_EQ(f.b0, c.want.b0);
        EXPECT_EQ(f.b1, c.want.b1);
        EXPECT_EQ(f.b2, c.want.b2);
        EXPECT_EQ(f.a1, c.want.a1);
        EXPECT_EQ(f.a2, c.want.a2);
        // Approached from above, the section tends to the same values.
        stBiquad approached{};
        ASSERT_EQ(DesignFilter(c.type, c.hz, 1e-9, 0.5, &approached), 1);
        for (double stBiquad::*m : {&stBiquad::b0, &stBiquad::b1, &stBiquad::b2, &stBiquad::a1, &stBiquad::a2})
            EXPECT_NEAR(approached.*m, c.want.*m, 1e-6);
    }
}

TEST(UnitCommandData, FilterDataOrderAndWidthFollowTheModel) {
    const stBiquad none{1, 0, 0, 0, 0};
    uint8_t out[22];
    ASSERT_EQ(FilterCommandData(false, 2, 1, none, out), 12);
    EXPECT_EQ(Bytes(out, out + 12), (Bytes{2, 1, 0, 0, 0, 0, 0x40, 0x00, 0, 0, 0, 0})) << "b2 b1 b0 a2 a1, x 16384";
    ASSERT_EQ(FilterCommandData(true, 2, 1, none, out), 22);
    EXPECT_EQ(Bytes(out, out + 22), (Bytes{2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}))
        << "x 2^30, 32-bit";
    const stBiquad big{4, -4, 0.5, -0.25, 1.75};
    ASSERT_EQ(FilterCommandData(false, 0, 0, big, out), 12);
    EXPECT_EQ(Bytes(out + 2, out + 12), (Bytes{0x20, 0x00, 0x80, 0x00, 0x7F, 0xFF, 0x70, 0x00, 0xF0, 0x00}))
        << "b2 0.5, b1 -4 and b0 4 saturated, a2 1.75, a1 -0.25";
}

TEST(UnitCommandData, RingAddressesAndSamples) {
    const uint8_t w[3] = {0x01, 0x02, 0x01};
    EXPECT_EQ(RingWriteAddress(w), 0x0102u + 32768u);
    const uint8_t samples[6] = {0x00, 0x10, 0xFF, 0xF0, 0x01, 0x00};
    EXPECT_DOUBLE_EQ(MeanOfSamples(samples, 3), (16 - 16 + 256) / 3.0) << "signed big-endian words";
}

// ---- The inputs' hardware set-up ----

TEST_F(UnitCommands, SetupCommandsSendTheirBytesAndStoreTheValues) {
    ASSERT_EQ(SetInputMode(acq, 2, 1, 1, 0, 1), 1);
    ASSERT_EQ(SetInputGain(acq, 2, 1000), 1);
    ASSERT_EQ(SetInputOffset(acq, 2, 0.02), 1);
    ASSERT_EQ(SetInputGain(acq, 3, 20000), 1);
    const auto packets = unit.Packets();
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[0], (Bytes{0x01, 50, 0x0F, 0x02, CFakeUnit::Checksum(Bytes{0x01, 50, 0x0F, 0x02}.data(), 4)}));
    EXPECT_EQ(DataOf(packets[1]), (Bytes{3, 2})) << "gain 1000 is code 3; the unit numbers its inputs 1-4";
    EXPECT_EQ(DataOf(packets[2]), (Bytes{0x7F, 0xFF, 2}));
    EXPECT_EQ(DataOf(packets[3]), (Bytes{1, 3})) << "a gain the first model lacks is looked up as 200";
    const stAcqChan& c = acq->chans[1];
    EXPECT_EQ(c.coupling, 1);
    EXPECT_EQ(c.highPass, 1);
    EXPECT_EQ(c.inputOption4, 0);
    EXPECT_EQ(c.lowPass, 1);
    EXPECT_EQ(c.gain, 1000);
    EXPECT_EQ(c.inputOffset, 0.02);
    EXPECT_EQ(SetInputGain(acq, 5, 1000), 0) << "analog inputs 1-4 only";
}

TEST_F(UnitCommands, AFailedCommandLeavesTheRecordAsItWas) {
    unit.otherwise = eReply::Nak;
    EXPECT_EQ(SetInputGain(acq, 1, 5000), 0);
    EXPECT_EQ(SetInputFilter(acq, 1, 0, 1, 50, 0.5), 0);
    EXPECT_EQ(acq->chans[0].gain, 200);
    EXPECT_EQ(acq->chans[0].filters[0].type, 0);
    EXPECT_EQ(acq->chans[0].filters[0].frequencyHz, 100);
}

TEST_F(UnitCommands, FilterCommandsFollowTheModel) {
    ASSERT_EQ(SetInputFilter(acq, 1, 2, 0, 60, 5), 1);
    ASSERT_EQ(unit.Packets().size(), 1u);
    EXPECT_EQ(unit.Packets()[0][1], kCmdFilterVK40);
    EXPECT_EQ(DataOf(unit.Packets()[0]), (Bytes{1, 2, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0}))
        << "filter type 0 sends b0 = 16384 and zeros";
    unit.Clear();
    EXPECT_EQ(SetInputFilter(acq, 1, 0, 1, 100, -1), 0);
    EXPECT_TRUE(unit.calls.empty()) << "nothing is sent for a filter that cannot be made";

    Open("\\\\.\\VKUSB45");
    acq->runSamplePeriod = 1.0;
    ASSERT_EQ(SetInputFilter(acq, 4, 1, 2, 1000, 0.707), 1);
    const Bytes packet = unit.Packets().at(0);
    EXPECT_EQ(packet[1], kCmdFilterVK45);
    EXPECT_EQ(packet.size(), 25u) << "22 data bytes";
    // The second model filters at 0.05 ms at most: a high pass at 1 kHz has b0 = N.
    const double k = std::tan(kPi * 1000 * 0.05 / 1000);
    const double n = 1 / (1 + k / 0.707 + k * k);
    const int32_t b0 = static_cast<int32_t>(GetBeU32(packet.data() + 2 + 2 + 8));
    EXPECT_EQ(b0, std::lround(n * 1073741824.0));
}

TEST_F(UnitCommands, ApplyChannelHardwareStopsAtTheFirstFailure) {
    ASSERT_EQ(ApplyChannelHardware(&acq->chans[2], acq), 1);
    EXPECT_EQ(unit.CommandsSent(), (Bytes{50, 48, 49, 53, 53, 53}));
    const auto packets = unit.Packets();
    for (size_t i = 0; i < packets.size(); ++i) {
        const Bytes data = DataOf(packets[i]);
        EXPECT_EQ(i < 3 ? data.back() : data.front(), 3) << "channel 3 is the unit's input 3";
    }

    unit.Clear();
    unit.replies = {eReply::Good, eReply::Nak};
    EXPECT_EQ(ApplyChannelHardware(&acq->chans[0], acq), 0);
    EXPECT_EQ(unit.CommandsSent(), (Bytes{50, 48}));

    unit.Clear();
    stAcqChan digital{};
    digital.group = kGroupDigital;
    EXPECT_EQ(ApplyChannelHardware(&digital, acq), 1);
    EXPECT_TRUE(unit.calls.empty());
}

// ---- One-shot readings ----

Bytes Words(std::initializer_list<std::pair<int, int16_t>> runs) {
    Bytes out;
    for (const auto& run : runs) {
        for (int i = 0; i < run.first; ++i) {
            out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(run.second) >> 8));
            out.push_back(static_cast<uint8_t>(run.second));
        }
    }
    return out;
}

TEST_F(UnitCommands, AOneShotReadingRunsTheInputBrieflyAndAveragesItsLastTenSamples) {
    unit.answers[kCmdWriteAddress] = {0x01, 0x00, 0x00};
    unit.answers[kCmdReadRing] = Words({{10, 1000}, {10, 2000}});
    double value = 0;
    ASSERT_EQ(ReadAnalogInputNow(acq, 2, &value), 1);
    EXPECT_EQ(unit.CommandsSent(), (Bytes{54, 2, 64, 64, 17, 19, 18}));
    const auto packets = unit.Packets();
    EXPECT_EQ(DataOf(packets[0]), (Bytes{0, 1})) << "0.5 ms";
    EXPECT_EQ(DataOf(packets[1]), (Bytes{1, 0, 0, 0x02, 0, 0})) << "mode 1, input 2's bit";
    EXPECT_EQ(DataOf(packets[2]), (Bytes{10}));
    EXPECT_EQ(DataOf(packets[3]), (Bytes{0}));
    EXPECT_EQ(DataOf(packets[5]), (Bytes{0x00, 0xD8, 0x00, 0x28})) << "the 40 bytes ending at 256";
    EXPECT_EQ(g_waits, (std::vector<uint32_t>{40, 20}));
    // 2000 counts at gain 200 are 3.0518 mV at the input, and the points map 0.01 V to 10 units.
    EXPECT_NEAR(value, 2000 * (10.0 / 32768) / 200 * 1000, 1e-12);
}

TEST_F(UnitCommands, AOneShotReadThatWouldStartBeforeTheRingIsRefused) {
    unit.answers[kCmdWriteAddress] = {0x00, 0x14, 0x00};  // 20
    double value = 123;
    EXPECT_EQ(ReadAnalogInputNow(acq, 1, &value), 0);
    EXPECT_EQ(unit.CommandsSent(), (Bytes{54, 2, 64, 64, 17, 18})) << "no read, but the unit is stopped";
    EXPECT_EQ(value, 123);
    unit.Clear();
    unit.answers[kCmdWriteAddress] = {0x00, 0x28, 0x00};  // exactly 40
    EXPECT_EQ(ReadAnalogInputNow(acq, 1, &value), 1);
    EXPECT_EQ(DataOf(unit.Packets()[5]), (Bytes{0, 0, 0, 0x28}));
}

TEST_F(UnitCommands, TheSecondModelsReadingAsksTheStimulatorFirstAndAnswersVolts) {
    Open("\\\\.\\VKUSB45");
    unit.answers[kCmdWriteAddress] = {0x01, 0x00, 0x00};
    unit.answers[kCmdReadRing] = Words({{20, 3277}});
    double value = 0;
    ASSERT_EQ(ReadAnalogInputNowVK45(acq, 1, &value), 1);
    EXPECT_EQ(unit.CommandsSent(), (Bytes{69, 54, 2, 64, 64, 17, 19, 18}));
    EXPECT_EQ(DataOf(unit.Packets()[3]), (Bytes{1})) << "a started run, not a one-shot";
    EXPECT_EQ(g_waits, (std::vector<uint32_t>{10, 20}));
    EXPECT_NEAR(value, 3277 * 0.00030518043793392844 / 200, 1e-12);
    acq->chans[0].gain = 0;
    EXPECT_EQ(ReadAnalogInputNowVK45(acq, 1, &value), 0) << "a gain below 1 does not divide";
}

int32_t WINAPI NewestSample(tagGS*, int32_t index, int32_t slot, double* out) {
    *out = index * 100.0 + slot;
    return 1;
}

TEST_F(UnitCommands, DuringARecordingTheReadingIsTheNewestSampleOfTheGraph) {
    auto gs = std::make_unique<tagGS>();
    memset(gs.get(), 0, sizeof(tagGS));
    gs->chanFlags[2] = 2;
    gs->chanCount[2] = 7;
    const stHostCallbacks saved = g_lib.host;
    g_lib.host.getChannelSample = NewestSample;
    acq->run.running = 1;
    acq->run.attachedGraph = gs.get();
    double value = 0;
    EXPECT_EQ(ReadAnalogInputNow(acq, 2, &value), 1);
    EXPECT_EQ(value, 602) << "sample 6 of slot 2";
    EXPECT_EQ(ReadAnalogInputNow(acq, 3, &value), 0) << "a channel the graph does not show";
    EXPECT_TRUE(unit.calls.empty());
    g_lib.host = saved;
}

TEST_F(UnitCommands, TheAveragedReadingUsesTheChannelsSetUpAndFourHundredBytes) {
    unit.answers[kCmdWriteAddress] = {0x02, 0x00, 0x00};  // 512
    unit.answers[kCmdReadRing] = Words({{50, 100}});
    double value = 0;
    ASSERT_EQ(ReadAnalogInputAveraged(acq, 1, &value), 1);
    EXPECT_EQ(unit.CommandsSent(), (Bytes{50, 48, 49, 53, 53, 53, 54, 2, 64, 64, 17, 19, 19, 19, 19, 18}));
    const auto packets = unit.Packets();
    EXPECT_EQ(DataOf(packets[11]), (Bytes{0x00, 0x70, 0x00, 100})) << "512 - 400";
    EXPECT_EQ(DataOf(packets[14]), (Bytes{0x01, 0x9C, 0x00, 100}));
    EXPECT_EQ(g_waits, (std::vector<uint32_t>{10, 120}));
    EXPECT_NEAR(value, 100 * (10.0 / 32768) / 200 * 1000, 1e-12);
}

// ---- Calibration ----

TEST_F(UnitCommands, CalibrationStoresTheOffsetResponseAndPutsTheRecordsBack) {
    stAcqChan before[kAnalogChannels];
    memcpy(before, acq->chans, sizeof(before));
    unit.answers[kCmdWriteAddress] = {0x01, 0x00, 0x00};
    for (int i = 0; i < 4; ++i) unit.answerQueue[kCmdReadRing].push_back(Words({{20, 100}}));
    for (int i = 0; i < 4; ++i) unit.answerQueue[kCmdReadRing].push_back(Words({{20, static_cast<int16_t>(300 + i)}}));
    ASSERT_EQ(CalibrateInputs(acq), 1);
    for (int i = 0; i < kAnalogChannels; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(g_offsetCorrection[i], (200 + i) * (10.0 / 32768) / 1000 * 100, 1e-12);
    }
    EXPECT_EQ(memcmp(before, acq->chans, sizeof(before)), 0);
    const auto packets = unit.Packets();
    // After each channel's set-up: input 1 in its calibration mode, then gain 1000 on all four.
    EXPECT_EQ(DataOf(packets[24]), (Bytes{0x00, 1}));
    EXPECT_EQ(DataOf(packets[25]), (Bytes{3, 1}));
    EXPECT_EQ(DataOf(packets.back()).size(), 12u) << "the set-up applied again last";
}

TEST_F(UnitCommands, ACalibrationThatFailsLeavesTheRecordsAsTheyWere) {
    stAcqChan before[kAnalogChannels];
    memcpy(before, acq->chans, sizeof(before));
    unit.answers[kCmdWriteAddress] = {0x01, 0x00, 0x00};
    unit.replies.assign(30, eReply::Good);
    unit.otherwise = eReply::Nak;  // fails after the calibration settings went out
    EXPECT_EQ(CalibrateInputs(acq), 0);
    EXPECT_EQ(memcmp(before, acq->chans, sizeof(before)), 0);
}

// ---- Firmware ----

TEST_F(UnitCommands, FirmwareGoesInBlocksOf120AndTheLastIsFilledWithZeros) {
    // The image is followed by other bytes: the last block must not carry them.
    Bytes memory(250 + 64, 0xAA);
    for (size_t i = 0; i < 250; ++i) memory[i] = static_cast<uint8_t>(i + 1);
    ASSERT_EQ(DownloadFirmwareImage(memory.data(), 250), 1);
    const auto packets = unit.Packets();
    ASSERT_EQ(packets.size(), 3u);
    for (size_t b = 0; b < packets.size(); ++b) {
        SCOPED_TRACE(b);
        ASSERT_EQ(packets[b].size(), 125u) << "122 data bytes, also in the last block";
        EXPECT_EQ(packets[b][1], kCmdFirmwareBlock);
        EXPECT_EQ(GetBeU16(packets[b].data() + 2), b * 120);
    }
    const Bytes last = DataOf(packets[2]);
    EXPECT_EQ(Bytes(last.begin() + 2, last.begin() + 12), Bytes(memory.begin() + 240, memory.begin() + 250));
    EXPECT_EQ(Bytes(last.begin() + 12, last.end()), Bytes(110, 0));
}

TEST_F(UnitCommands, TheLibrarysImageGoesIn100BlocksWhateverItHolds) {
    HRSRC found = FindResourceA(g_lib.instance, MAKEINTRESOURCEA(IDR_VK40_FIRMWARE), "VK40Firmware");
    ASSERT_NE(found, nullptr);
    const DWORD size = SizeofResource(g_lib.instance, found);
    EXPECT_EQ(size, 11950u);
    const auto* image = static_cast<const uint8_t*>(LockResource(LoadResource(g_lib.instance, found)));
    ASSERT_EQ(DownloadFirmware(acq), 1);
    const auto packets = unit.Packets();
    ASSERT_EQ(packets.size(), 100u);
    EXPECT_EQ(GetBeU16(packets.back().data() + 2), 11880u);
    Bytes sent;
    for (const Bytes& p : packets) {
        const Bytes data = DataOf(p);
        sent.insert(sent.end(), data.begin() + 2, data.end());
    }
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + size), Bytes(image, image + size)) << "carried unchanged";
    EXPECT_EQ(Bytes(sent.begin() + size, sent.end()), Bytes(50, 0));
}

TEST_F(UnitCommands, AnUnacknowledgedBlockEndsTheDownload) {
    const Bytes image(500, 0x5A);
    unit.replies = {eReply::Good, eReply::Nak};
    EXPECT_EQ(DownloadFirmwareImage(image.data(), image.size()), 0);
    EXPECT_EQ(unit.Packets().size(), 2u);
    EXPECT_EQ(DownloadFirmwareImage(image.data(), 0), 0);
    EXPECT_EQ(DownloadFirmwareImage(nullptr, 10), 0);
}

TEST_F(UnitCommands, TheSecondModelTakesNoFirmware) {
    Open("\\\\.\\VKUSB45");
    EXPECT_EQ(DownloadFirmware(acq), 1);
    EXPECT_TRUE(unit.calls.empty());
}

// ---- Memory dump ----

class TempFolder {
public:
    TempFolder() {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        GetCurrentDirectoryA(sizeof(m_previous), m_previous);
        m_folder = std::string(temp) + "vk40_dump_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        SetCurrentDirectoryA(m_folder.c_str());
    }
    ~TempFolder() {
        DeleteFileA("VK40.BIN");
        SetCurrentDirectoryA(m_previous);
        RemoveDirectoryA(m_folder.c_str());
    }
    static Bytes Read(const char* name) {
        Bytes out;
        HANDLE f = CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return out;
        uint8_t buffer[4096];
        DWORD got = 0;
        while (ReadFile(f, buffer, sizeof(buffer), &got, nullptr) && got) out.insert(out.end(), buffer, buffer + got);
        CloseHandle(f);
        return out;
    }

private:
    char m_previous[MAX_PATH] = "";
    std::string m_folder;
};

Bytes Pattern(uint8_t first) {
    Bytes out(120);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(first + i);
    return out;
}

TEST_F(UnitCommands, TheMemoryDumpWritesTheCountAskedFor) {
    TempFolder folder;
    unit.answerQueue[kCmdReadMemory] = {Pattern(0), Pattern(120), Pattern(240)};
    ASSERT_EQ(DumpUnitMemory(acq, 250), 1);
    const auto packets = unit.Packets();
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(DataOf(packets[0]), (Bytes{0, 0, 0, 120}));
    EXPECT_EQ(DataOf(packets[1]), (Bytes{0, 120, 0, 120}));
    EXPECT_EQ(DataOf(packets[2]), (Bytes{0, 240, 0, 120}));
    Bytes expected;
    for (int i = 0; i < 250; ++i) expected.push_back(static_cast<uint8_t>(i));
    EXPECT_EQ(TempFolder::Read("VK40.BIN"), expected);
}

TEST_F(UnitCommands, AFailedReadEndsTheDumpAndKeepsWhatWasRead) {
    TempFolder folder;
    unit.answers[kCmdReadMemory] = Pattern(7);
    unit.replies = {eReply::Good, eReply::BadChecksum};
    EXPECT_EQ(DumpUnitMemory(acq, 1000), 0);
    EXPECT_EQ(TempFolder::Read("VK40.BIN"), Pattern(7));
}

TEST_F(UnitCommands, ADumpOfNoBytesOrMoreThanTheAddressesReachIsRefused) {
    TempFolder folder;
    for (int32_t bytes : {0, -120, kMaxDumpBytes + 1}) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(DumpUnitMemory(acq, bytes), 0);
        EXPECT_EQ(GetFileAttributesA("VK40.BIN"), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_TRUE(unit.calls.empty());
}

// ---- Unit information ----

void Answer(CFakeUnit& unit, uint8_t command, const std::string& text) {
    unit.answers[command] = Bytes(text.begin(), text.end());
}

TEST_F(UnitCommands, TheInformationTextOfAUnitThatDescribesItself) {
    Answer(unit, kCmdDescription, "Model VK40 Rev 2");
    Answer(unit, kCmdDescription2, "Serial 1234");
    unit.answers[kCmdMemorySize] = {0x01, 0x00, 0x00};
    char text[kVK40InfoChars];
    ASSERT_EQ(GetVK40Info(text), 1);
    EXPECT_STREQ(text,
                 "Model VK40 Rev 2\r\nSerial 1234\r\nVK40 Internal Buffer size: 65536 bytes\rUSB Driver Rev.: "
                 "0.0.REV.7");
    EXPECT_EQ(g_unitMemorySize, 65536u);
    EXPECT_EQ(unit.CommandsSent(), (Bytes{57, 67, 70}));
    EXPECT_EQ(unit.calls.back().code, 0x950020C8u);
}

TEST_F(UnitCommands, TheInformationTextOfAUnitThatDoesNot) {
    unit.answers[kCmdMemorySize] = {0x00, 0x80, 0x00};
    unit.replies = {eReply::Good, eReply::BadChecksum, eReply::Good};
    unit.failing[0x950020C8] = 0;
    char text[kVK40InfoChars];
    ASSERT_EQ(GetVK40Info(text), 1);
    EXPECT_STREQ(text,
                 "VK40 Information not available\r\nVK40 Internal Buffer size: 32768 bytes\rUSB Driver Rev.: 0.0");
}

TEST_F(UnitCommands, TheSecondModelsInformationCarriesItsNumber) {
    Open("\\\\.\\VKUSB45");
    unit.answers[kCmdMemorySize] = {0x00, 0x80, 0x00};
    char text[kVK40InfoChars];
    ASSERT_EQ(GetVK40Info(text), 1);
    EXPECT_STREQ(text,
                 "VK45 Information not available\r\n\r\nVK45 Internal Buffer size: 32768 bytes\rUSB Driver Rev.: 0.0");
    EXPECT_EQ(unit.Count(0x950020C8), 0) << "the revision code is the first model's";
}

TEST_F(UnitCommands, WithoutAUnitTheInformationIsDisconnected) {
    g_unitLink.Close();
    char text[kVK40InfoChars] = "junk";
    EXPECT_EQ(GetVK40Info(text), 0);
    EXPECT_STREQ(text, "Disconnected");
    EXPECT_TRUE(unit.calls.empty() || unit.Count(0x9500200C) == 0);
}

TEST_F(UnitCommands, ALongDescriptionIsCutAt120Characters) {
    std::string longText = "Model " + std::string(200, 'x');
    unit.answers[kCmdDescription] = Bytes(longText.begin(), longText.begin() + 120);
    unit.replies = {eReply::Good, eReply::BadChecksum};
    char text[kVK40InfoChars];
    ASSERT_EQ(FormatUnitInfo(text, sizeof(text)), 1);
    EXPECT_EQ(std::string(text).find("\r\n"), 120u);
    char small[16];
    ASSERT_EQ(FormatUnitInfo(small, sizeof(small)), 1);
    EXPECT_EQ(strlen(small), 15u) << "the caller's size holds";
}

// ---- The About box and the length prompt ----

TEST_F(UnitCommands, TheAboutBoxShowsTheUnitAndDrivesItsModes) {
    TempFolder folder;
    unit.answers[kCmdStatus] = {0, 5, 1, 2};
    Answer(unit, kCmdDescription, "Model VK40 Rev 2");
    unit.answers[kCmdReadMemory] = Pattern(1);
    g_lastProgramMode = 0;
    g_firmwareAtConnect = 0;
    std::vector<std::string> seen;
    int32_t result = -1;
    WithDialogs(
        [&](HWND dlg) {
            const std::string caption = WindowText(dlg);
            if (caption.find("Input the length") != std::string::npos) {
                seen.push_back("prompt " + ItemText(dlg, IDC_FIRMWARE_LENGTH));
                SetDlgItemTextA(dlg, IDC_FIRMWARE_LENGTH, "130");
                SendClick(dlg, IDOK);
                return;
            }
            seen.push_back(ItemText(dlg, IDC_ABOUT_STATUS));
            seen.push_back(ItemText(dlg, IDC_ABOUT_INFO).substr(0, 16));
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_ABOUT_SPARE)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_ABOUT_FIRMWARE_MODE))) << "no firmware sent yet";
            EXPECT_EQ(hwndGetDlg, dlg);
            SendClick(dlg, IDC_ABOUT_DOWNLOAD);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_ABOUT_FIRMWARE_MODE)));
            SendClick(dlg, IDC_ABOUT_FIRMWARE_MODE);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_ABOUT_DUMP)));
            SendClick(dlg, IDC_ABOUT_NORMAL_MODE);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_ABOUT_DUMP)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_ABOUT_FIRMWARE_MODE)));
            CheckDlgButton(dlg, IDC_ABOUT_AT_CONNECT, BST_CHECKED);
            SendClick(dlg, IDC_ABOUT_AT_CONNECT);
            SendClick(dlg, IDOK);
            seen.push_back(ItemText(dlg, IDC_ABOUT_STATUS));
            SendClick(dlg, IDC_ABOUT_DUMP);
            // The prompt runs inside the click above; once it is done the box closes.
            SendClick(dlg, IDCANCEL);
        },
        [&] { result = ShowDriverAbout(g_lib.instance, nullptr, acq); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"Status = 5 Error code = 258", "Model VK40 Rev 2",
                                              "Status = 5   Error code = 258", "prompt 9000"}));
    EXPECT_EQ(g_firmwareAtConnect, 1);
    EXPECT_EQ(g_lastProgramMode, kProgramModeNormal);
    EXPECT_EQ(TempFolder::Read("VK40.BIN").size(), 130u);
    Bytes modes;
    for (const Bytes& p : unit.Packets()) {
        if (p[1] == kCmdProgramMode) modes.push_back(p[2]);
    }
    EXPECT_EQ(modes, (Bytes{2, 1}));
    EXPECT_EQ(hwndGetDlg, nullptr);
}

TEST(FirmwareLengthPrompt, RemembersTheLastLengthAndCancelLeavesTheBuffer) {
    g_lib.instance = GetModuleHandleA(nullptr);
    char text[40] = "";
    std::vector<std::string> shown;
    int32_t result = -1;
    WithDialogs(
        [&](HWND dlg) {
            shown.push_back(ItemText(dlg, IDC_FIRMWARE_LENGTH));
            SetDlgItemTextA(dlg, IDC_FIRMWARE_LENGTH, "250");
            SendClick(dlg, IDOK);
        },
        [&] { result = AskFirmwareLength(text, sizeof(text)); });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(text, "250");
    char untouched[40] = "keep";
    WithDialogs(
        [&](HWND dlg) {
            shown.push_back(ItemText(dlg, IDC_FIRMWARE_LENGTH));
            SendClick(dlg, IDCANCEL);
        },
        [&] { result = AskFirmwareLength(untouched, sizeof(untouched)); });
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(untouched, "keep");
    EXPECT_EQ(shown, (std::vector<std::string>{"9000", "250"}));
}

}  // namespace
