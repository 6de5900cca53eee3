// The acquisition set-up block: its fixed layout, the versions it is read at, the channel counts
// of the two unit models, and the document's block, from the library's objects.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr RECT kDesktop{0, 0, 1280, 1024};

// A zero-filled record with the start-up channel table, like the library's own.
std::unique_ptr<stAcq> MakeAcq(int32_t digital) {
    auto acq = std::make_unique<stAcq>();
    memset(acq.get(), 0, sizeof(stAcq));
    SetChannelDefaults(acq.get(), digital, 0);
    return acq;
}

// A set-up whose every kept field differs from the start-up one.
std::unique_ptr<stAcq> MakeChangedAcq(int32_t digital) {
    auto acq = MakeAcq(digital);
    acq->preStartDelay = 1234;
    acq->samplePeriodMs = 0.25;
    acq->acqLength = 98765;
    acq->storageKind = kStorageDisk;
    acq->unitMode = 0x91;
    acq->refCommand = 7;
    acq->refVoltage = 2.5;
    acq->settingTwo = 2;
    acq->repeatMode = 3;
    acq->autoRestart = 1;
    acq->manualControlPlacement = RECT{10, 20, 110, 220};
    acq->statusRect = RECT{1, 2, 3, 4};
    acq->acqSetupPlacement = RECT{300, 300, 700, 600};
    acq->channelSetupPlacement = RECT{0, 0, 640, 480};
    acq->dataMode = kDataAutosave;
    acq->restartInterval = 12.5;
    acq->settingOne = 1.0;
    acq->restartCount = 9;
    acq->endlessRestart = 1;
    acq->autosaveEnable = 1;
    acq->autosaveNumber = 42;
    acq->triggerPlacement = RECT{5, 5, 50, 50};
    acq->run.inputValuesShown = 1;
    acq->stimulatorPlacement = RECT{100, 100, 200, 150};
    acq->channelSetupShown = 1;
    acq->acqSetupShown = 1;
    acq->inputValuesRelayout = 1;
    for (int i = 0; i < kMaxChanRecords; ++i) {
        stAcqChan& c = acq->chans[i];
        snprintf(c.label, sizeof(c.label), "Label %d", i);
        snprintf(c.units, sizeof(c.units), "u%d", i);
        c.inValue1 = i;
        c.unitValue2 = -i * 0.5;
        c.gain = 100.0 * (i + 1);
        c.inputOffset = 0.125 * i;
        c.highPass = static_cast<int16_t>(i % 3);
        c.filters[2].frequencyHz = 50 + i;
        c.filters[1].q = 0.5 + i;
        snprintf(c.presetName, sizeof(c.presetName), "Preset %d", i);
        c.paramsFixed = static_cast<uint8_t>(i);
        acq->chanMultiplier[i] = 0.001 * (i + 1);
        acq->chanAddend[i] = -0.5 * i;
    }
    return acq;
}

Bytes Encode(const stAcq& acq, int32_t records) {
    Bytes b(SetupBlockSize(records), 0);
    EncodeSetupBlock(acq, records, kDesktop, b.data(), b.size());
    return b;
}

TEST(SetupBlock, AReadAndWrittenBlockIsTheSameByteForByte) {
    for (int32_t digital : {0, 8}) {
        SCOPED_TRACE(digital);
        const int32_t records = 16 + digital;
        const Bytes first = Encode(*MakeChangedAcq(digital), records);
        EXPECT_EQ(first.size(), 7724u + records * 474u);
        EXPECT_EQ(GetLeU16(first.data()), 0x0A02);
        EXPECT_EQ(GetLeU32(first.data() + 2), first.size());
        EXPECT_EQ(GetLeU32(first.data() + 6), 7724u);
        EXPECT_EQ(GetLeU16(first.data() + 10), records);
        EXPECT_EQ(GetLeF64(first.data() + 16), 0.25);
        EXPECT_EQ(static_cast<int16_t>(GetLeU16(first.data() + 34)), 8191);  // 2.5 V x 3276.75
        EXPECT_EQ(GetLeU32(first.data() + 7724 + 474), 474u);                // second record's length
        EXPECT_EQ(GetLeF64(first.data() + 7724 + 474 + 138), 200.0);     // its gain

        auto read = MakeAcq(digital);
        const stSetupRead r =
            DecodeSetupBlock(first.data(), first.size(), records, digital, kDesktop, true, read.get());
        EXPECT_EQ(r.version, 0x0A02);
        EXPECT_EQ(r.storedModel, digital ? kModelVK45 : kModelVK40);
        EXPECT_EQ(read->acqLength, 98765);
        EXPECT_NEAR(read->refVoltage, 2.5, 1e-3);
        EXPECT_STREQ(read->chans[5].presetName, "Preset 5");
        EXPECT_EQ(read->chans[3].paramsFixed, 3);
        EXPECT_EQ(Encode(*read, records), first);
    }
}

// A graph file's block is judged before it is kept: what the library writes is sound, and so are
// old and short blocks; a version that is none or records outside the block are not.
TEST(SetupBlock, ABlockWhoseVersionOrRecordsCannotBeIsNotSound) {
    const Bytes written = Encode(*MakeChangedAcq(0), 16);
    struct Case {
        const char* what;
        void (*patch)(Bytes&);
        bool sound;
    } cases[] = {
        {"as written", [](Bytes&) {}, true},
        {"an old version", [](Bytes& b) { PutLeU16(b.data(), 1200); }, true},
        {"too short for the header", [](Bytes& b) { b.resize(64); }, true},
        {"version 0", [](Bytes& b) { PutLeU16(b.data(), 0); }, false},
        {"a negative version", [](Bytes& b) { PutLeU16(b.data(), 0x8001); }, false},
        {"more records than it holds", [](Bytes& b) { PutLeU16(b.data() + 10, 17); }, false},
        {"a negative record count", [](Bytes& b) { PutLeU16(b.data() + 10, 0xFFFF); }, false},
        {"records inside the header", [](Bytes& b) { PutLeU32(b.data() + 6, 100); }, false},
        {"a negative first record", [](Bytes& b) { PutLeU32(b.data() + 6, 0xFFFFFF00u); }, false},
        {"a record length of 0", [](Bytes& b) { PutLeU32(b.data() + 7724 + 3 * 474, 0); }, false},
        {"cut inside its last record", [](Bytes& b) { b.resize(b.size() - 1); }, false},
    };
    for (const Case& c : cases) {
        Bytes b = written;
        c.patch(b);
        EXPECT_EQ(SetupBlockIsSound(b.data(), b.size()), c.sound) << c.what;
        EXPECT_EQ(IsSetupBlockSound(b.data(), static_cast<uint32_t>(b.size())), c.sound ? 1 : 0) << c.what;
    }
}

struct stVersionCase {
    const char* what;
    int16_t version;
    bool read;
    int16_t repeatMode;  // stored 3
    double gain;         // of record 1: 1000 stored, 200 by default
    int16_t highPass;    // of record 1: 2 stored, 1 by default
};

TEST(SetupBlock, TheVersionDecidesWhatIsRead) {
    const stVersionCase cases[] = {
        {"1535 is discarded", 1535, false, 0, 0, 0},
        {"1791 stores the repeat mode minus 1 and has no input settings", 1791, true, 4, 200, 1},
        {"1792 with another low nibble has no input settings either", 1792, true, 3, 200, 1},
        {"1794 carries the input settings", 1794, true, 3, 1000, 2},
        {"the current version", 0x0A02, true, 3, 1000, 2},
    };
    auto stored = MakeChangedAcq(0);
    stored->chans[1].gain = 1000;
    stored->chans[1].highPass = 2;
    Bytes block = Encode(*stored, 16);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PutLeU16(block.data(), static_cast<uint16_t>(c.version));
        auto acq = MakeAcq(0);
        acq->chans[1].gain = 5;
        acq->chans[1].highPass = 7;
        const stSetupRead r = DecodeSetupBlock(block.data(), block.size(), 16, 0, kDesktop, true, acq.get());
        EXPECT_EQ(r.version != 0, c.read);
        if (!c.read) {
            EXPECT_EQ(acq->acqLength, MakeAcq(0)->acqLength);
            EXPECT_EQ(acq->chans[1].gain, 5);
            continue;
        }
        EXPECT_EQ(acq->repeatMode, c.repeatMode);
        EXPECT_EQ(acq->chans[1].gain, c.gain);
        EXPECT_EQ(acq->chans[1].highPass, c.highPass);
        EXPECT_EQ(acq->chans[1].filters[0].frequencyHz,
                  (c.version & 0xF) == 2 ? stored->chans[1].filters[0].frequencyHz : 100);
    }
}

TEST(SetupBlock, OldBlocksGiveTheDefaultInputSettings) {
    auto stored = MakeChangedAcq(0);
    Bytes block = Encode(*stored, 16);
    PutLeU16(block.data(), 1792);
    auto acq = MakeAcq(0);
    ASSERT_EQ(DecodeSetupBlock(block.data(), block.size(), 16, 0, kDesktop, true, acq.get()).version, 1792);
    const stAcqChan& c = acq->chans[2];
    EXPECT_EQ(c.gain, 200);
    EXPECT_EQ(c.inputOffset, 0);
    EXPECT_EQ(c.highPass, 1);
    EXPECT_EQ(c.inputOption4, 1);
    for (const auto& f : c.filters) {
        EXPECT_EQ(f.type, 0);
        EXPECT_EQ(f.frequencyHz, 100);
        EXPECT_EQ(f.q, 0.707);
    }
    EXPECT_STREQ(c.label, "Label 2");  // the rest of the record is read
    EXPECT_EQ(acq->chanMultiplier[2], 0.003);
}

TEST(SetupBlock, ASecondModelBlockOnTheFirstModelReadsOnlyTheCurrentCount) {
    auto stored = MakeChangedAcq(8);
    stored->chans[4].flags = kChanEnabled;  // D1 on
    const Bytes block = Encode(*stored, 24);
    auto acq = MakeAcq(0);
    const stSetupRead r = DecodeSetupBlock(block.data(), block.size(), 16, 0, kDesktop, true, acq.get());
    EXPECT_EQ(r.storedModel, kModelVK45);
    EXPECT_EQ(r.otherModelDigital, 1);
    // The first 16 stored records: 4 analog, 8 digital (no place here), calculation 1-4.
    EXPECT_STREQ(acq->chans[0].label, "Label 0");
    EXPECT_STREQ(acq->chans[4].label, "Label 12");                  // C1
    EXPECT_STREQ(acq->chans[7].label, "Label 15");                  // C4
    EXPECT_STREQ(acq->chans[8].label, MakeAcq(0)->chans[8].label);  // C5 unchanged
}

TEST(SetupBlock, AFirstModelBlockOnTheSecondModelResetsTheDigitalRecords) {
    auto stored = MakeChangedAcq(0);
    const Bytes block = Encode(*stored, 16);
    auto acq = MakeChangedAcq(8);
    const stSetupRead r = DecodeSetupBlock(block.data(), block.size(), 24, 8, kDesktop, true, acq.get());
    EXPECT_EQ(r.storedModel, kModelVK40);
    EXPECT_EQ(r.otherModelDigital, 0);
    EXPECT_STREQ(acq->chans[12].label, "Label 4");  // C1, read into its own place
    for (int d = 4; d < 12; ++d) {
        EXPECT_EQ(acq->chans[d].flags, 0u) << d;
        EXPECT_STREQ(acq->chans[d].units, "Volts");
        EXPECT_STREQ(acq->chans[d].label, "");
        EXPECT_EQ(acq->chans[d].inValue1, 0);
    }
}

TEST(SetupBlock, WindowsOffTheDesktopAreCentredOnIt) {
    struct stCase {
        RECT in;
        int32_t moved;
        RECT out;
    };
    const stCase cases[] = {
        {{10, 10, 110, 60}, 0, {10, 10, 110, 60}},            // on it: kept
        {{0, 0, 1280, 1024}, 0, {0, 0, 1280, 1024}},          // the whole desktop
        {{-500, 10, -400, 60}, 1, {590, 487, 690, 537}},      // off to the left
        {{-500, -500, -300, -400}, 1, {540, 462, 740, 562}},  // off to the left and above
        {{1200, 1000, 1400, 1100}, 1, {540, 462, 740, 562}},  // partly off
        {{0, 0, 3000, 100}, 1, {0, 462, 1280, 562}},          // wider than the desktop
    };
    for (const auto& c : cases) {
        RECT r = c.in;
        EXPECT_EQ(ClampRectToDesktop(&r, kDesktop), c.moved) << c.in.left << "," << c.in.top;
        EXPECT_TRUE(EqualRect(&r, &c.out)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
    auto acq = MakeChangedAcq(0);
    acq->acqSetupPlacement = RECT{-500, 10, -400, 60};
    const Bytes b = Encode(*acq, 16);
    EXPECT_EQ(static_cast<int16_t>(GetLeU16(b.data() + 122)), 590);
    EXPECT_EQ(static_cast<int16_t>(GetLeU16(b.data() + 124)), 487);
}

// ---- The document's block ----

class SetupDocument : public ::testing::Test {
protected:
    void SetUp() override {
        savedTotal = NChanTotal;
        savedDigital = NDChan;
        savedModel = g_unitModel;
        NChanTotal = 16;
        NDChan = 0;
        g_unitModel = kModelVK40;
        gs = MakeGraph();
    }
    void TearDown() override {
        if (gs->setupBlock) GlobalFree(gs->setupBlock);
        if (gs->foreignData) GlobalFree(gs->foreignData);
        NChanTotal = savedTotal;
        NDChan = savedDigital;
        g_unitModel = savedModel;
    }
    Bytes BlockBytes() const {
        const SIZE_T n = GlobalSize(gs->setupBlock);
        const auto* p = static_cast<const uint8_t*>(GlobalLock(gs->setupBlock));
        Bytes b(p, p + n);
        GlobalUnlock(gs->setupBlock);
        return b;
    }
    static HGLOBAL BlockOf(const Bytes& b) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, b.size());
        memcpy(GlobalLock(h), b.data(), b.size());
        GlobalUnlock(h);
        return h;
    }
    int32_t savedTotal = 0, savedDigital = 0, savedModel = 0;
    std::unique_ptr<tagGS> gs;
};

TEST_F(SetupDocument, AStoredGraphsForeignBlockIsRestoredAndSavedBackWithWhatTheLibraryDoesNotKeep) {
    Bytes stored = Encode(*MakeChangedAcq(0), 16);
    for (size_t i = 5920; i < 5968; ++i) stored[i] = static_cast<uint8_t>(i);  // trigger settings
    gs->foreignData = BlockOf(stored);
    auto acq = MakeAcq(0);
    ASSERT_EQ(RestoreAcquisitionSetup(acq.get(), gs.get()), 1);
    EXPECT_EQ(gs->foreignData, nullptr);
    ASSERT_NE(gs->setupBlock, nullptr);
    EXPECT_EQ(gs->unitModel, static_cast<uint32_t>(kModelVK40));
    EXPECT_EQ(acq->acqLength, 98765);

    acq->acqLength = 500;
    ASSERT_EQ(SaveAcquisitionSetup(acq.get(), gs.get()), 1);
    const Bytes saved = BlockBytes();
    EXPECT_EQ(GetLeU32(saved.data() + 24), 500u);
    for (size_t i = 5920; i < 5968; ++i) ASSERT_EQ(saved[i], static_cast<uint8_t>(i)) << i;
}

// Every byte the writer leaves alone (trigger, stimulator, font and panel words): found as the bytes that differ between writes over blocks of 0 and 255.
std::vector<size_t> CarriedBytes(const stAcq& acq, int32_t records) {
    Bytes zeros(SetupBlockSize(records), 0), ones(SetupBlockSize(records), 0xFF);
    EncodeSetupBlock(acq, records, kDesktop, zeros.data(), zeros.size());
    EncodeSetupBlock(acq, records, kDesktop, ones.data(), ones.size());
    std::vector<size_t> carried;
    for (size_t i = 0; i < kSetupHeaderBytes; ++i)
        if (zeros[i] != ones[i]) carried.push_back(i);
    return carried;
}

TEST_F(SetupDocument, EveryByteTheLibraryDoesNotKeepRoundTripsThroughAGraph) {
    auto changed = MakeChangedAcq(0);
    const std::vector<size_t> carried = CarriedBytes(*changed, 16);
    // The trigger, stimulator and font fields are among them (the calculation settings are the
    // library's own now, written from the record and restored into it).
    for (size_t at : {size_t{5920}, size_t{7622}, size_t{7640}})
        EXPECT_TRUE(std::find(carried.begin(), carried.end(), at) != carried.end()) << at;
    Bytes stored = Encode(*changed, 16);
    for (size_t at : carried) stored[at] = static_cast<uint8_t>(at * 7 + 3);
    gs->foreignData = BlockOf(stored);
    auto acq = MakeAcq(0);
    ASSERT_EQ(RestoreAcquisitionSetup(acq.get(), gs.get()), 1);
    ASSERT_EQ(SaveAcquisitionSetup(acq.get(), gs.get()), 1);
    const Bytes saved = BlockBytes();
    ASSERT_EQ(saved.size(), stored.size());
    for (size_t i = 0; i < stored.size(); ++i) ASSERT_EQ(saved[i], stored[i]) << "byte " << i;
}

// A block with calculation channel C(i + 1) set up through its entry i of each array.
Bytes OldCalcBlock(int16_t version) {
    Bytes b = Encode(*MakeChangedAcq(0), 16);
    PutLeU16(b.data(), static_cast<uint16_t>(version));
    const int16_t kinds[12] = {0, 1, 2, 3, 0x0102, 0x0201, 5, 0, 0, 0, 0, 0};
    for (int i = 0; i < 12; ++i) {
        PutLeU16(b.data() + 142 + 2 * i, static_cast<uint16_t>(kinds[i]));
        PutLeU16(b.data() + 174 + 2 * i, static_cast<uint16_t>(i));  // Integrate source
        for (size_t array : {302, 718, 750, 1230, 1806})
            PutLeU16(b.data() + array + 2 * i, static_cast<uint16_t>(i - 2));  // -2 .. 9
        PutLeU16(b.data() + 6118 + 2 * i, 0x7777);
        PutLeU32(b.data() + 6150 + 4 * i, 0x55555555);
    }
    return b;
}

TEST_F(SetupDocument, AnOldBlockIsWrittenBackConvertedOnceAndThenRoundTrips) {
    gs->foreignData = BlockOf(OldCalcBlock(2047));
    auto acq = MakeAcq(0);
    acq->firstAnalogNumber = 1;
    ASSERT_EQ(RestoreAcquisitionSetup(acq.get(), gs.get()), 1);
    ASSERT_EQ(SaveAcquisitionSetup(acq.get(), gs.get()), 1);
    const Bytes first = BlockBytes();
    EXPECT_EQ(GetLeU16(first.data()), 0x0A02);
    EXPECT_EQ(GetLeU16(first.data() + 142 + 2 * 2), 3);      // C3's kind moved up
    EXPECT_EQ(GetLeU16(first.data() + 302 + 2 * 2), 1);      // its Rate source 0 is channel 1
    EXPECT_EQ(GetLeU16(first.data() + 6118 + 2 * 5), 5);     // C6's Integrate control is its source
    // Read and written again at the current version, nothing moves a second time.
    ASSERT_EQ(RestoreAcquisitionSetup(acq.get(), gs.get()), 1);
    ASSERT_EQ(SaveAcquisitionSetup(acq.get(), gs.get()), 1);
    EXPECT_EQ(BlockBytes(), first);
}

TEST_F(SetupDocument, ABlockOfVersion1535IsFreedAndTheSetUpKept) {
    Bytes stored = Encode(*MakeChangedAcq(0), 16);
    PutLeU16(stored.data(), 1535);
    gs->setupBlock = BlockOf(stored);
    auto acq = MakeAcq(0);
    EXPECT_EQ(RestoreAcquisitionSetup(acq.get(), gs.get()), 0);
    EXPECT_EQ(gs->setupBlock, nullptr);
    EXPECT_EQ(acq->acqLength, MakeAcq(0)->acqLength);
}

TEST_F(SetupDocument, SavingMakesOrGrowsTheBlockToTheUnitsSize) {
    auto acq = MakeChangedAcq(8);
    ASSERT_EQ(SaveAcquisitionSetup(acq.get(), gs.get()), 1);
    EXPECT_EQ(GlobalSize(gs->setupBlock), SetupBlockSize(16));
    NChanTotal = 24;
    NDChan = 8;
    ASSERT_EQ(SaveAcquisitionSetup(acq.get(), gs.get()), 1);
    EXPECT_GE(GlobalSize(gs->setupBlock), SetupBlockSize(24));
    const Bytes b = BlockBytes();
    EXPECT_EQ(GetLeU16(b.data() + 10), 24);
    EXPECT_EQ(b, Encode(*acq, 24));
}

}  // namespace
