// Channel records and the presets file, built from the library's objects: the record's stored
// form, the start-up table of both models, the built-in presets, and the presets file's round
// trip, refusals and safe replacement.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/vk40.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

using Bytes = std::vector<uint8_t>;

std::unique_ptr<stAcq> MakeAcq() {
    auto acq = std::make_unique<stAcq>();
    memset(acq.get(), 0, sizeof(stAcq));
    return acq;
}

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// A record whose every byte differs from its neighbours, reserved bytes included.
stAcqChan PatternRecord(uint8_t seed) {
    stAcqChan rec;
    auto* bytes = reinterpret_cast<uint8_t*>(&rec);
    for (size_t i = 0; i < sizeof(rec); ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return rec;
}

// ---- The record's stored form ----

TEST(ChannelRecord, StoredFieldsSitAtTheirOffsetsLittleEndian) {
    stAcqChan rec = PatternRecord(3);
    rec.flags = 0x0000000E;
    rec.number = -2;
    rec.group = kGroupCalc;
    strcpy(rec.label, "ECG");
    strcpy(rec.units, "mV");
    rec.inValue1 = -0.01;
    rec.gain = 2000.0;
    rec.one = 1.0;
    rec.coupling = 1;
    rec.filterSelected = -3;
    rec.filters[1].type = kFilterBandStop;
    rec.filters[2].q = 0.707;
    strcpy(rec.presetName, "Stimulator (0-10V)");
    rec.unitsSetByUser = 1;
    rec.paramsFixed = 0xA5;

    uint8_t out[kChanRecordBytes];
    EncodeChanRecord(rec, out);
    EXPECT_EQ(GetLeU32(out + 0), 14u);
    EXPECT_EQ(static_cast<int32_t>(GetLeU32(out + 4)), -2);
    EXPECT_EQ(GetLeU32(out + 8), 2u);
    EXPECT_STREQ(reinterpret_cast<const char*>(out + 12), "ECG");
    EXPECT_STREQ(reinterpret_cast<const char*>(out + 52), "mV");
    EXPECT_EQ(GetLeF64(out + 96), -0.01);
    EXPECT_EQ(GetLeF64(out + 128), 2000.0);
    EXPECT_EQ(GetLeF64(out + 144), 1.0);
    EXPECT_EQ(GetLeU16(out + 152), 1u);
    EXPECT_EQ(static_cast<int16_t>(GetLeU16(out + 160)), -3);
    EXPECT_EQ(GetLeU16(out + 192), static_cast<uint16_t>(kFilterBandStop));
    EXPECT_EQ(GetLeF64(out + 216 + 16), 0.707);
    EXPECT_STREQ(reinterpret_cast<const char*>(out + 240), "Stimulator (0-10V)");
    EXPECT_EQ(out[368], 1);
    EXPECT_EQ(out[370], 0xA5);
    EXPECT_EQ(out[495], reinterpret_cast<const uint8_t*>(&rec)[495]) << "reserved bytes travel as they are";

    stAcqChan back;
    memset(&back, 0xCC, sizeof(back));
    DecodeChanRecord(out, &back);
    EXPECT_EQ(memcmp(&back, &rec, sizeof(rec)), 0);
}

// ---- Start-up table ----

TEST(ChannelTable, DefaultsOfBothModels) {
    for (int32_t digital : {0, 8}) {
        SCOPED_TRACE(digital);
        auto acq = MakeAcq();
        SetChannelDefaults(acq.get(), digital, 0);
        const int32_t total = digital + 16;
        EXPECT_EQ(acq->firstAnalogNumber, 1);
        for (int32_t i = 0; i < kMaxChanRecords; ++i) {
            SCOPED_TRACE(i);
            const stAcqChan& rec = acq->chans[i];
            if (i >= total) {
                EXPECT_EQ(rec.group, 0);
                EXPECT_EQ(acq->chanMultiplier[i], 0.0);
                continue;
            }
            EXPECT_EQ(rec.flags, i == 0 ? kChanAllOn : 0u) << "a fresh start has CH1 alone on";
            EXPECT_EQ(rec.one, 1.0);
            EXPECT_EQ(acq->chanAddend[i], 0.0);
            if (i < 4) {
                EXPECT_EQ(rec.group, kGroupAnalog);
                EXPECT_EQ(rec.number, i);
                EXPECT_EQ(Text(rec.units, sizeof rec.units), "mV");
                EXPECT_EQ(rec.inValue1, -0.01);
                EXPECT_EQ(rec.unitValue2, 10.0);
                EXPECT_EQ(rec.gain, 200.0);
                EXPECT_EQ(rec.highPass, 1);
                EXPECT_EQ(rec.lowPass, 0);
                EXPECT_EQ(rec.filters[2].frequencyHz, 100.0);
                EXPECT_EQ(rec.filters[2].q, 0.707);
                // 1000 units per input volt, through the gain of 200, per raw count.
                EXPECT_DOUBLE_EQ(acq->chanMultiplier[i], 1000.0 * (10.0 / 32768.0) / 200.0);
            } else if (i < 4 + digital) {
                EXPECT_EQ(rec.group, kGroupDigital);
                EXPECT_EQ(rec.number, i - 4);
                EXPECT_EQ(Text(rec.units, sizeof rec.units), "Volts");
                EXPECT_EQ(rec.inValue2, 5.0);
                EXPECT_EQ(rec.unitValue2, 5.0);
                EXPECT_EQ(acq->chanMultiplier[i], 10.0 / 32768.0);
            } else {
                const int32_t n = i - 4 - digital;
                EXPECT_EQ(rec.group, kGroupCalc);
                EXPECT_EQ(rec.number, n);
                EXPECT_EQ(Text(rec.label, sizeof rec.label), "Calculation");
                EXPECT_EQ(Text(rec.units, sizeof rec.units), "mV");
                EXPECT_EQ(Text(rec.presetName, sizeof rec.presetName),
                          "C" + std::to_string(n + 1) + " - Custom setting");
                EXPECT_EQ(rec.inValue1, -10.0);
                EXPECT_EQ(acq->chanMultiplier[i], 1.0);
            }
        }
        EXPECT_FALSE(IsPresetStoreAllocated(acq->presets)) << "the start-up table leaves the presets alone";
    }
}

struct stBuiltinCase {
    int32_t index;
    const char* label;
    const char* name;
    const char* units;
    double input1, value1, input2, value2, gain;
    int16_t coupling, highPass, lowPass;
    int16_t types[3];
    double hz[3], q[3];
    double first, second;
};

TEST(ChannelTable, BuiltinPresets) {
    // clang-format off
    const stBuiltinCase cases[] = {
        {0, "ECG", "ECG", "mV", -0.01, -10, 0.01, 10, 2000, 1, 0, 1, {1, 1, 4}, {66.5, 38.5, 60}, {0.5, 1.0, 5.0},
         5.0, 2.5},
        {1, "EEG", "EEG", "microV", -0.00001, -10, 0.00001, 10, 25000, 1, 1, 1, {1, 1, 4}, {66.5, 38.5, 60},
         {0.5, 1.0, 5.0}, 5.0, 500.0},
        {2, "EMG", "EMG", "mV", -0.001, -1, 0.001, 1, 2500, 1, 1, 1, {2, 1, 4}, {30, 250, 60}, {0.707, 0.707, 5.0},
         2.0, 2.5},
        {4, "Temperature", "Temperature", "deg F", 0, 90, 0.001, 95, 2000, 0, 1, 1, {1, 1, 4}, {66.5, 38.5, 60},
         {0.5, 1.0, 5.0}, 10.0, 5.0},
        {8, "Airflow", "Airflow", "Liters/sec", -0.001, -4.687, 0.001, 4.687, 5000, 0, 0, 1, {1, 1, 4},
         {66.5, 38.5, 60}, {0.5, 1.0, 5.0}, 10.0, 5.0},
        {9, "BNC", "BNC", "Volts", -0.001, -1, 0.001, 1, 1000, 0, 0, 1, {0, 0, 0}, {0, 0, 60}, {0, 0, 5.0}, 10.0, 5.0},
        {13, "Hand Dynamometer", "Hand Dynamometer", "mV", -0.001, -1, 0.001, 1, 2000, 0, 0, 1, {1, 1, 4},
         {66.5, 38.5, 60}, {0.5, 1.0, 5.0}, 5.0, 2.5},
        {14, "Stimulator", "Stimulator (0-10V)", "Volts", -0.001, -1, 0.001, 1, 1000, 0, 0, 0, {0, 0, 0},
         {66.5, 38.5, 60}, {0.5, 1.0, 5.0}, 10.0, 5.0},
        {15, "Stimulator", "Stimulator (0-100V)", "Volts", 0, 0, 0.01, 100, 1000, 0, 0, 0, {0, 0, 0},
         {66.5, 38.5, 60}, {0.5, 1.0, 5.0}, 10.0, 5.0},
    };
    // clang-format on
    for (const stBuiltinCase& c : cases) {
        SCOPED_TRACE(c.index);
        stAcqChan rec;
        double first = 0, second = 0;
        ASSERT_EQ(MakeBuiltinPreset(c.index, &rec, &first, &second), 1);
        EXPECT_EQ(Text(rec.label, sizeof rec.label), c.label);
        EXPECT_EQ(Text(rec.presetName, sizeof rec.presetName), c.name);
        EXPECT_EQ(Text(rec.units, sizeof rec.units), c.units);
        EXPECT_EQ(rec.inValue1, c.input1);
        EXPECT_EQ(rec.unitValue1, c.value1);
        EXPECT_EQ(rec.inValue2, c.input2);
        EXPECT_EQ(rec.unitValue2, c.value2);
        EXPECT_EQ(rec.gain, c.gain);
        EXPECT_EQ(rec.coupling, c.coupling);
        EXPECT_EQ(rec.highPass, c.highPass);
        EXPECT_EQ(rec.lowPass, c.lowPass);
        for (int s = 0; s < 3; ++s) {
            EXPECT_EQ(rec.filters[s].type, c.types[s]) << "slot " << s;
            EXPECT_EQ(rec.filters[s].frequencyHz, c.hz[s]) << "slot " << s;
            EXPECT_EQ(rec.filters[s].q, c.q[s]) << "slot " << s;
        }
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(second, c.second);
    }
    // What every built-in record shares.
    for (int32_t i = 0; i < kBuiltinPresets; ++i) {
        SCOPED_TRACE(i);
        stAcqChan rec;
        double first = 0, second = 0;
        ASSERT_EQ(MakeBuiltinPreset(i, &rec, &first, &second), 1);
        EXPECT_EQ(rec.flags, kChanAllOn);
        EXPECT_EQ(rec.group, kGroupAnalog);
        EXPECT_EQ(rec.inputOffset, 0.0);
        EXPECT_EQ(rec.one, 1.0);
        EXPECT_EQ(rec.paramsFixed, 0);
    }
    stAcqChan rec;
    double first = 0, second = 0;
    EXPECT_EQ(MakeBuiltinPreset(16, &rec, &first, &second), 0);
    EXPECT_EQ(MakeBuiltinPreset(-1, &rec, &first, &second), 0);
}

TEST(ChannelTable, HeadingsNameEachGroupItsOwnWay) {
    struct Case {
        int32_t group, number, first;
        const char* expected;
    } cases[] = {
        {kGroupAnalog, 0, 1, "CH1, Label"}, {kGroupAnalog, 3, 0, "CH3, Label"}, {kGroupDigital, 0, 1, "D1, Label"},
        {kGroupDigital, 7, 0, "D8, Label"}, {kGroupCalc, 11, 1, "C12, Label"},
    };
    for (const Case& c : cases) {
        stAcqChan rec{};
        rec.group = c.group;
        rec.number = c.number;
        strcpy(rec.label, "Label");
        char text[80];
        FormatChannelHeading(rec, c.first, text, sizeof text);
        EXPECT_STREQ(text, c.expected);
    }
    // A label that fills its field has no terminator of its own.
    stAcqChan full{};
    memset(full.label, 'x', sizeof full.label);
    char text[80];
    FormatChannelHeading(full, 1, text, sizeof text);
    EXPECT_EQ(std::string(text), "CH1, " + std::string(40, 'x'));
}

// ---- Presets image ----

// A store of count input presets and calc calculation presets with patterned contents.
stPresetStore PatternStore(int32_t count, int32_t calc) {
    stPresetStore store{};
    EXPECT_EQ(AllocPresetStore(&store, count, calc), 1);
    CPresetStoreLock lock(store);
    for (int32_t i = 0; i < count + calc; ++i) {
        lock.records[i] = PatternRecord(static_cast<uint8_t>(11 * i + 1));
        lock.first[i] = 1.5 * i;
        lock.second[i] = -0.25 * i;
    }
    for (int32_t i = 0; i < calc; ++i) {
        lock.calcKinds[i] = 3 + i;
        for (int32_t b = 0; b < kCalcPresetBytes; ++b)
            lock.calcBlocks[i * kCalcPresetBytes + b] = static_cast<uint8_t>(b * 3 + i);
    }
    return store;
}

Bytes Encode(const stPresetStore& store) {
    Bytes bytes;
    EXPECT_EQ(EncodePresets(store, &bytes), 1);
    return bytes;
}

// A presets file put together byte by byte: header, then records of recordBytes with their two
// values, then the calculation entries of calcBytes.
Bytes HandMadeFile(int32_t count, int32_t calc, int32_t recordBytes, int32_t calcBytes, int32_t format = 10) {
    Bytes file(20);
    PutLeU32(&file[0], static_cast<uint32_t>(format));
    PutLeU32(&file[4], static_cast<uint32_t>(count));
    PutLeU32(&file[8], static_cast<uint32_t>(calc));
    PutLeU32(&file[12], static_cast<uint32_t>(recordBytes));
    PutLeU32(&file[16], static_cast<uint32_t>(calcBytes));
    for (int32_t i = 0; i < count + calc; ++i) {
        for (int32_t b = 0; b < recordBytes; ++b) file.push_back(static_cast<uint8_t>(i * 31 + b * 5 + 1));
        memcpy(&file[file.size() - recordBytes + 12], "Preset", 7);  // the label at offset 12
        uint8_t values[16];
        PutLeF64(values, 100.0 + i);
        PutLeF64(values + 8, 0.5 * i);
        file.insert(file.end(), values, values + 16);
    }
    for (int32_t i = 0; i < calc; ++i) {
        uint8_t key[4];
        PutLeU32(key, static_cast<uint32_t>(i + 1));
        file.insert(file.end(), key, key + 4);
        for (int32_t b = 0; b < calcBytes; ++b) file.push_back(static_cast<uint8_t>(b ^ i));
    }
    return file;
}

TEST(PresetsImage, RoundTripsByteForByteWithTheHeaderInPlace) {
    stPresetStore store = PatternStore(3, 2);
    const Bytes bytes = Encode(store);
    ASSERT_EQ(bytes.size(), 20u + 5 * (496 + 16) + 2 * (4 + 472));
    EXPECT_EQ(GetLeU32(&bytes[0]), 10u);
    EXPECT_EQ(GetLeU32(&bytes[4]), 3u);
    EXPECT_EQ(GetLeU32(&bytes[8]), 2u);
    EXPECT_EQ(GetLeU32(&bytes[12]), 496u);
    EXPECT_EQ(GetLeU32(&bytes[16]), 472u);
    EXPECT_EQ(GetLeF64(&bytes[20 + 2 * 512 + 496]), 3.0) << "third preset's first value";
    EXPECT_EQ(GetLeU32(&bytes[20 + 5 * 512 + 476]), 4u) << "second calculation preset's kind";

    stPresetStore back{};
    ASSERT_EQ(ParsePresets(bytes.data(), bytes.size(), &back), kPresetsRead);
    EXPECT_EQ(back.count, 3);
    EXPECT_EQ(back.calcCount, 2);
    {
        CPresetStoreLock a(store), b(back);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(memcmp(a.records, b.records, 5 * sizeof(stAcqChan)), 0);
        EXPECT_EQ(memcmp(a.calcBlocks, b.calcBlocks, 2 * kCalcPresetBytes), 0);
        EXPECT_EQ(b.second[4], -1.0);
        EXPECT_EQ(b.calcKinds[1], 4);
    }
    EXPECT_EQ(Encode(back), bytes);
    FreePresetStore(&store);
    FreePresetStore(&back);
}

TEST(PresetsImage, EmptyStoreIsATwentyByteFileAndReadsBack) {
    stPresetStore store{};
    ASSERT_EQ(AllocPresetStore(&store, 0, 0), 1);
    const Bytes bytes = Encode(store);
    ASSERT_EQ(bytes.size(), 20u);
    EXPECT_EQ(GetLeU32(&bytes[4]), 0u);
    EXPECT_EQ(GetLeU32(&bytes[8]), 0u);
    stPresetStore back{};
    EXPECT_EQ(ParsePresets(bytes.data(), bytes.size(), &back), kPresetsRead);
    EXPECT_TRUE(IsPresetStoreAllocated(back));
    EXPECT_EQ(back.count, 0);
    FreePresetStore(&store);
    FreePresetStore(&back);

    stPresetStore never{};
    Bytes none;
    EXPECT_EQ(EncodePresets(never, &none), 0) << "a store never loaded has nothing to write";
}

TEST(PresetsImage, ShorterRecordsFillTheStartAndLeaveTheRestZero) {
    const Bytes file = HandMadeFile(2, 1, 400, 300);
    stPresetStore store{};
    ASSERT_EQ(ParsePresets(file.data(), file.size(), &store), kPresetsRead);
    CPresetStoreLock lock(store);
    ASSERT_TRUE(lock);
    for (int32_t i = 0; i < 3; ++i) {
        const auto* rec = reinterpret_cast<const uint8_t*>(&lock.records[i]);
        const uint8_t* stored = &file[20 + i * (400 + 16)];
        EXPECT_EQ(memcmp(rec, stored, 400), 0) << i;
        EXPECT_EQ(Bytes(rec + 400, rec + 496), Bytes(96, 0)) << i;
        EXPECT_EQ(lock.first[i], 100.0 + i);
    }
    EXPECT_EQ(Text(lock.records[1].label, 40), "Preset");
    EXPECT_EQ(lock.calcKinds[0], 1);
    EXPECT_EQ(lock.calcBlocks[299], 299 & 0xFF);
    EXPECT_EQ(lock.calcBlocks[300], 0);
    FreePresetStore(&store);
}

// ---- Files ----

// A folder of this test's own under the temporary folder, removed afterwards.
class PresetsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH], name[MAX_PATH];
        ASSERT_TRUE(GetTempPathA(MAX_PATH, temp));
        ASSERT_TRUE(GetTempFileNameA(temp, "vkp", 0, name));
        DeleteFileA(name);
        ASSERT_TRUE(CreateDirectoryA(name, nullptr));
        folder = name;
        path = folder + "\\Vk40Presets.dat";
        acq = MakeAcq();
    }

    void TearDown() override {
        FreePresetStore(&acq->presets);
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string item = folder + "\\" + found.cFileName;
                if (found.cFileName[0] == '.') continue;
                SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileA(item.c_str())) RemoveDirectoryA(item.c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
    }

    void Put(const std::string& file, const Bytes& bytes) {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD wrote = 0;
        ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr));
        CloseHandle(h);
    }

    Bytes Get(const std::string& file) {
        Bytes bytes;
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return bytes;
        bytes.resize(GetFileSize(h, nullptr));
        DWORD got = 0;
        ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        CloseHandle(h);
        return bytes;
    }

    bool Exists(const std::string& file) { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // Names in the folder other than the presets file and its copy: left-over temporary files.
    std::vector<std::string> Strays() {
        std::vector<std::string> strays;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*.tmp").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) strays.push_back(found.cFileName);
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        return strays;
    }

    // The store holds exactly the built-in presets.
    void ExpectBuiltins() {
        const stPresetStore& store = acq->presets;
        ASSERT_EQ(store.count, kBuiltinPresets);
        EXPECT_EQ(store.calcCount, 0);
        CPresetStoreLock lock(store);
        ASSERT_TRUE(lock);
        for (int32_t i = 0; i < kBuiltinPresets; ++i) {
            stAcqChan rec;
            double first = 0, second = 0;
            MakeBuiltinPreset(i, &rec, &first, &second);
            EXPECT_EQ(memcmp(&lock.records[i], &rec, sizeof rec), 0) << i;
            EXPECT_EQ(lock.first[i], first);
        }
    }

    // The file is refused with its keyed message and a copy of it; the built-ins stay.
    void ExpectRefused(const Bytes& file, bool newer) {
        Put(path, file);
        DeleteFileA((path + ".bad").c_str());
        CBoxCapture boxes;
        EXPECT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 0);
        ExpectBuiltins();
        std::string shown;
        for (const auto& box : boxes.boxes) shown += "[" + box.caption + "] " + box.text + "\n";
        ASSERT_EQ(boxes.boxes.size(), 1u) << shown;
        EXPECT_EQ(boxes.boxes[0].caption, "Warning");
        const std::string expected =
            std::string(newer ? "The channel presets file " + path + " was written by a newer version of the program.\n"
                              : "The channel presets file " + path + " is damaged or cannot be read.\n") +
            "The built-in channel presets are used instead.\n\nA copy of the file is kept as " + path + ".bad.";
        EXPECT_EQ(boxes.boxes[0].text, expected);
        EXPECT_EQ(Get(path + ".bad"), file) << "the refused file is kept aside";

        // Parsing the same bytes in memory leaves a store it was given as it was.
        stPresetStore kept = PatternStore(1, 0);
        const HGLOBAL before = kept.hRecords;
        EXPECT_EQ(ParsePresets(file.data(), file.size(), &kept), newer ? kPresetsNewer : kPresetsDamaged);
        EXPECT_EQ(kept.hRecords, before);
        EXPECT_EQ(kept.count, 1);
        FreePresetStore(&kept);
    }

    std::string folder, path;
    std::unique_ptr<stAcq> acq;
};

TEST_F(PresetsFiles, AFileReadAndSavedAgainIsTheSameFile) {
    const Bytes fixture = HandMadeFile(3, 2, 496, 472);
    Put(path, fixture);
    CBoxCapture boxes;
    ASSERT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 1);
    EXPECT_EQ(acq->presets.count, 3);
    EXPECT_EQ(acq->presets.calcCount, 2);
    EXPECT_EQ(acq->presets.readOnly, 0);
    DeleteFileA(path.c_str());
    ASSERT_EQ(SavePresetsTo(acq.get(), path.c_str()), 1);
    EXPECT_EQ(Get(path), fixture);
    EXPECT_FALSE(IsPresetStoreAllocated(acq->presets)) << "saving frees the store";
    EXPECT_TRUE(Strays().empty());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PresetsFiles, MissingFileGivesTheBuiltinsQuietly) {
    CBoxCapture boxes;
    EXPECT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 0);
    ExpectBuiltins();
    EXPECT_TRUE(boxes.boxes.empty());
    // The first shut-down then writes them, so the next start reads them from the file.
    ASSERT_EQ(SavePresetsTo(acq.get(), path.c_str()), 1);
    ASSERT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 1);
    ExpectBuiltins();
}

struct stDamageCase {
    const char* what;
    size_t offset;  // header field to patch, or SIZE_MAX
    int32_t value;
    long sizeChange;  // bytes cut (negative) or added
    bool newer;
};

TEST_F(PresetsFiles, DamagedFilesAreRefusedWithTheirMessageAndTheBuiltinsStay) {
    const stDamageCase cases[] = {
        {"format 11", 0, 11, 0, true},
        {"format 0", 0, 0, 0, false},
        {"count 2 with one record there", 4, 2, 0, false},
        {"second count 3 with two entries there", 8, 3, 0, false},
        {"negative count", 4, -1, 0, false},
        {"count far too large", 4, 0x7FFFFFFF, 0, false},
        {"count 1001", 4, 1001, 0, false},
        {"negative second count", 8, -1, 0, false},
        {"second count 1001", 8, 1001, 0, false},
        {"record size 0", 12, 0, 0, false},
        {"record size 497", 12, 497, 0, false},
        {"negative record size", 12, -496, 0, false},
        {"block size 473", 16, 473, 0, false},
        {"negative block size", 16, -1, 0, false},
        {"truncated inside a record", SIZE_MAX, 0, -2000, false},
        {"last byte missing", SIZE_MAX, 0, -1, false},
        {"header cut short", SIZE_MAX, 0, -(20 + 3 * 512 + 2 * 476 - 12), false},
    };
    const Bytes good = HandMadeFile(1, 2, 496, 472);
    for (const stDamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = good;
        if (c.offset != SIZE_MAX) PutLeU32(&file[c.offset], static_cast<uint32_t>(c.value));
        if (c.sizeChange < 0)
            file.resize(file.size() + c.sizeChange);
        else
            file.resize(file.size() + c.sizeChange, 0x5A);
        ExpectRefused(file, c.newer);
    }

    // Negative counts whose sum the file's length agrees with.
    Bytes negativeFirst = HandMadeFile(-1, 2, 496, 472);
    ASSERT_EQ(negativeFirst.size(), 20u + 512 + 2 * 476);
    Bytes negativeSecond = HandMadeFile(2, 0, 496, 472);
    PutLeU32(&negativeSecond[8], static_cast<uint32_t>(-1));
    negativeSecond.resize(20 + 512 - 476);
    for (const Bytes& file : {negativeFirst, negativeSecond}) {
        SCOPED_TRACE(file.size());
        ExpectRefused(file, false);
    }
}

// Each refused file is kept under a name of its own: a second refusal neither overwrites the
// first copy nor is lost, and the message names the copy it made.
TEST_F(PresetsFiles, EveryRefusedFileKeepsItsOwnNumberedCopy) {
    const Bytes good = HandMadeFile(1, 2, 496, 472);
    std::vector<Bytes> refused;
    for (uint32_t format : {11u, 12u, 0u}) {
        Bytes file = good;
        PutLeU32(&file[0], format);
        refused.push_back(file);
    }
    const std::vector<std::string> names = {path + ".bad", path + ".bad2", path + ".bad3"};
    for (size_t i = 0; i < refused.size(); ++i) {
        SCOPED_TRACE(names[i]);
        Put(path, refused[i]);
        CBoxCapture boxes;
        EXPECT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        const std::string& text = boxes.boxes[0].text;
        EXPECT_EQ(text.substr(text.size() - names[i].size() - 1), names[i] + ".");
        for (size_t k = 0; k <= i; ++k) EXPECT_EQ(Get(names[k]), refused[k]) << "copy " << k << " kept as it was";
    }
    EXPECT_FALSE(Exists(path + ".bad4"));
}

// The header says how much the file must hold; bytes after that belong to no preset and are
// left alone, however many there are.
TEST_F(PresetsFiles, AFileLongerThanItsHeaderAsksForIsReadWithoutAWord) {
    const Bytes good = HandMadeFile(1, 2, 496, 472);
    const struct {
        const char* what;
        size_t extra;
    } cases[] = {{"one byte more", 1}, {"a record more", 512}, {"more than any store", 1600000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = good;
        file.resize(file.size() + c.extra, 0x5A);
        Put(path, file);
        DeleteFileA((path + ".bad").c_str());
        CBoxCapture boxes;
        ASSERT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 1);
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_FALSE(Exists(path + ".bad")) << "nothing was refused";
        const stPresetStore& store = acq->presets;
        ASSERT_EQ(store.count, 1);
        ASSERT_EQ(store.calcCount, 2);
        {
            CPresetStoreLock lock(store);
            ASSERT_TRUE(lock);
            EXPECT_EQ(lock.second[2], 1.0) << "the last preset's second value";
            EXPECT_EQ(lock.calcKinds[1], 2);
            EXPECT_EQ(lock.calcBlocks[kCalcPresetBytes + 471], static_cast<uint8_t>(471 ^ 1));
        }
        // Saved again, the file is what the header described.
        ASSERT_EQ(SavePresetsTo(acq.get(), path.c_str()), 1);
        EXPECT_EQ(Get(path), good);
    }
}

TEST_F(PresetsFiles, SavingReplacesTheFileWhole) {
    Put(path, HandMadeFile(2, 0, 496, 472));
    ASSERT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 1);
    acq->presets = PatternStore(4, 1);
    const Bytes expected = Encode(acq->presets);
    ASSERT_EQ(SavePresetsTo(acq.get(), path.c_str()), 1);
    EXPECT_EQ(Get(path), expected);
    EXPECT_TRUE(Strays().empty());
}

TEST_F(PresetsFiles, FailedSavesKeepTheOldFileAndSayWhy) {
    const Bytes old = HandMadeFile(2, 1, 496, 472);
    struct Case {
        const char* what;
        DWORD injected;  // the write's failure once the file is filled, 0 for none
        bool readOnly;
        DWORD told;
    } cases[] = {
        {"read-only file", 0, true, ERROR_ACCESS_DENIED},
        {"full disk", ERROR_DISK_FULL, false, ERROR_DISK_FULL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        Put(path, old);
        if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        acq->presets = PatternStore(5, 0);
        DWORD error = 0;
        SetFileWriteFailureForTests(c.injected);
        EXPECT_EQ(SavePresetsTo(acq.get(), path.c_str(), &error), 0);
        SetFileWriteFailureForTests(0);
        EXPECT_EQ(error, c.told);
        EXPECT_EQ(Get(path), old);
        EXPECT_TRUE(Strays().empty());
        EXPECT_FALSE(IsPresetStoreAllocated(acq->presets)) << "the store is freed all the same";
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A presets file the user made read-only keeps its presets without a word at every exit.
TEST_F(PresetsFiles, AFileReadOnlyWhenReadIsLeftQuietly) {
    const Bytes old = HandMadeFile(1, 0, 496, 472);
    Put(path, old);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 1);
    DWORD error = 1;
    EXPECT_EQ(SavePresetsTo(acq.get(), path.c_str(), &error), 0);
    EXPECT_EQ(error, 0u);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Get(path), old);
}

TEST_F(PresetsFiles, ReadOnlyFileIsReadAndMarked) {
    Put(path, HandMadeFile(1, 0, 496, 472));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(LoadPresetsFrom(acq.get(), path.c_str(), nullptr), 1);
    EXPECT_EQ(acq->presets.readOnly, 1);
    EXPECT_EQ(acq->presets.count, 1);
}

TEST_F(PresetsFiles, PresetsNeverLoadedLeaveTheFileAlone) {
    const Bytes old = HandMadeFile(2, 0, 496, 472);
    Put(path, old);
    EXPECT_EQ(SavePresetsTo(acq.get(), path.c_str()), 0);
    EXPECT_EQ(Get(path), old);
}

// The model chooses the name; the file lies beside the program unless the environment names a
// folder of the process's own (with or without its closing backslash).
TEST(PresetsFileName, ModelChoosesTheNameBesideTheProgramOrInTheProcesssOwnFolder) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string programFolder = module;
    programFolder.erase(programFolder.find_last_of('\\') + 1);
    char own[MAX_PATH] = "";
    const bool hadOwn = GetEnvironmentVariableA(kPresetsFolderEnv, own, MAX_PATH) > 0;
    const struct {
        const char* env;  // null: not set
        std::string folder;
    } cases[] = {
        {nullptr, programFolder},
        {"C:\\presets\\p42", "C:\\presets\\p42\\"},
        {"C:\\presets\\p42\\", "C:\\presets\\p42\\"},
    };
    const int32_t saved = g_unitModel;
    for (const auto& c : cases) {
        SetEnvironmentVariableA(kPresetsFolderEnv, c.env);
        for (int32_t model : {kModelVK40, kModelVK45}) {
            g_unitModel = model;
            char path[MAX_PATH + 32];
            PresetsFilePath(path, sizeof path);
            EXPECT_EQ(std::string(path), c.folder + (model == kModelVK45 ? "Vk45Presets.dat" : "Vk40Presets.dat"))
                << (c.env ? c.env : "(not set)");
        }
    }
    g_unitModel = saved;
    SetEnvironmentVariableA(kPresetsFolderEnv, hadOwn ? own : nullptr);
}

}  // namespace
