// The output-panel block coder and the pointer arrays: bounded counts, old blocks without a
// count, round trips byte for byte.
#include <gtest/gtest.h>
#include "outputs/framework/out_block.h"
#include "outputs/framework/ptr_array.h"
#include "base/byte_stream.h"
#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

void U16(Bytes& b, uint16_t v) { b.push_back(v & 0xFF), b.push_back(v >> 8); }
void U32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void F64(Bytes& b, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

// A panel record with n preferences (values from base) and the given presets.
void Record(Bytes& b, int active, int prefs, double base, int selected, const std::vector<std::string>& presets,
            int32_t presetLast = -2) {
    U32(b, static_cast<uint32_t>(active));
    U32(b, static_cast<uint32_t>(prefs - 1));
    for (int i = 0; i < prefs; ++i)
        for (int k = 0; k < 5; ++k) F64(b, base + i + k * 0.5);
    U32(b, static_cast<uint32_t>(selected));
    U32(b, static_cast<uint32_t>(presetLast == -2 ? static_cast<int32_t>(presets.size()) - 1 : presetLast));
    for (const std::string& name : presets) {
        Bytes field(kPresetNameBytes, 0);
        std::memcpy(field.data(), name.data(), name.size());
        b.insert(b.end(), field.begin(), field.end());
        U32(b, 0);  // one preference
        for (int k = 0; k < 5; ++k) F64(b, 7.0 + k);
    }
}

Bytes CountedBlock(int count, int records) {
    Bytes b;
    U32(b, kOutputPanelsTag);
    U16(b, static_cast<uint16_t>(count));
    for (int t = 0; t < records; ++t)
        if (t != kUnstoredPanelType) Record(b, t == 2 ? 1 : 0, 3, t * 10.0, t == 2 ? 0 : -1, t == 2 ? std::vector<std::string>{"Twitch"} : std::vector<std::string>{});
    return b;
}

TEST(OutputBlock, AFullBlockReadsEightRecordsAndWritesBackTheSameBytes) {
    const Bytes block = CountedBlock(8, 8);
    Bytes file = block;
    U32(file, 0xAABBCCDD);  // the next block's tag
    CByteReader in(file.data(), file.size());
    std::vector<PanelRecord> records;
    ASSERT_EQ(ParseOutputPanelsBlock(in, kOutputTypes, &records), 1);
    EXPECT_EQ(in.Tell(), block.size());
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(records[2].active, 1);
    ASSERT_EQ(records[2].presets.size(), 1u);
    EXPECT_EQ(records[2].presets[0].name, "Twitch");
    EXPECT_EQ(records[2].selected, 0);
    EXPECT_DOUBLE_EQ(records[5].settings[1].m_value, 51.0);
    EXPECT_TRUE(records[7].settings.empty());

    CByteWriter out;
    out.U32(kOutputPanelsTag);
    out.I16(kOutputTypes);
    for (int t = 0; t < kOutputTypes; ++t) {
        if (t == kUnstoredPanelType) continue;
        const PanelRecord& r = records[static_cast<size_t>(t)];
        ASSERT_TRUE(WritePanelRecord(out, r.active, r.settings.data(), static_cast<int>(r.settings.size()), r.selected,
                                     r.presets));
    }
    EXPECT_EQ(out.Bytes(), block);
}

// The shapes a block can take and where the reader must leave the file position.
TEST(OutputBlock, CountsDecideHowManyRecordsAreReadAndDamageLeavesThePositionAlone) {
    struct Case {
        const char* what;
        Bytes block;
        int result;
        size_t records;
    };
    Bytes noCount;  // an old block: six records right after the tag
    U32(noCount, kOutputPanelsTag);
    for (int t = 0; t < kPanelsWithoutCount; ++t) Record(noCount, t == 0 ? 1 : 0, 2, t, -1, {});
    Bytes zeroCount;  // its first record's active flag is 0, so the "count" reads 0
    U32(zeroCount, kOutputPanelsTag);
    for (int t = 0; t < kPanelsWithoutCount; ++t) Record(zeroCount, 0, 2, t, -1, {});
    Bytes hugePresets;  // a preset count far beyond the bytes that follow
    U32(hugePresets, kOutputPanelsTag);
    U16(hugePresets, 8);
    Record(hugePresets, 0, 1, 0, -1, {}, 0x7FFFFFF0);
    Bytes hugePrefs;
    U32(hugePrefs, kOutputPanelsTag);
    U16(hugePrefs, 8);
    U32(hugePrefs, 0);
    U32(hugePrefs, 0x10000000);
    Bytes negativePresets;
    U32(negativePresets, kOutputPanelsTag);
    U16(negativePresets, 8);
    Record(negativePresets, 0, 1, 0, -1, {}, -7);
    Bytes truncated = CountedBlock(8, 8);
    truncated.resize(truncated.size() - 3);
    Bytes badSelection;
    U32(badSelection, kOutputPanelsTag);
    U16(badSelection, 1);
    Record(badSelection, 0, 1, 0, 5, {});
    const Case cases[] = {
        {"full block", CountedBlock(8, 8), 1, 8},
        {"count above the set's size", CountedBlock(12, 8), 1, 8},
        {"count of three", CountedBlock(3, 3), 1, 3},
        {"old block whose first panel was shown", noCount, 1, 6},
        {"old block whose first bytes are 0", zeroCount, 1, 6},
        {"preset count out of range", hugePresets, -1, 0},
        {"preference count out of range", hugePrefs, -1, 0},
        {"negative preset count", negativePresets, -1, 0},
        {"block cut short", truncated, -1, 0},
        {"selection outside the presets", badSelection, 1, 1},
    };
    for (const Case& c : cases) {
        Bytes file(5, 0xEE);  // what came before
        file.insert(file.end(), c.block.begin(), c.block.end());
        CByteReader in(file.data(), file.size());
        ASSERT_TRUE(in.Seek(5));
        std::vector<PanelRecord> records;
        EXPECT_EQ(ParseOutputPanelsBlock(in, kOutputTypes, &records), c.result) << c.what;
        EXPECT_EQ(records.size(), c.records) << c.what;
        if (c.result != 1) {
            EXPECT_EQ(in.Tell(), 5u) << c.what;
        } else if (c.records == 8) {
            EXPECT_EQ(in.Tell(), 5 + CountedBlock(8, 8).size()) << c.what;
        }
        for (const PanelRecord& r : records) {
            EXPECT_GE(r.selected, -1) << c.what;
            EXPECT_LT(r.selected, static_cast<int>(r.presets.size())) << c.what;
        }
    }
}

TEST(OutputBlock, AnotherTagLeavesThePositionWhereItWas) {
    Bytes file;
    U32(file, 0x12042003);
    U16(file, 8);
    CByteReader in(file.data(), file.size());
    std::vector<PanelRecord> records;
    EXPECT_EQ(ParseOutputPanelsBlock(in, kOutputTypes, &records), 0);
    EXPECT_EQ(in.Tell(), 0u);
}

TEST(OutputBlock, PresetNamesAreCutToSixtyFourCharacters) {
    const std::string seventy(70, 'n');
    EXPECT_EQ(CutPresetName(seventy.c_str()), std::string(64, 'n'));
    EXPECT_EQ(CutPresetName("Twitch"), "Twitch");
    EXPECT_EQ(CutPresetName(nullptr), "");
    CByteWriter out;
    ASSERT_TRUE(WritePanelRecord(out, 0, nullptr, 0, -1, {{seventy, {}}}));
    // active, empty set, selection, preset count, then the name field ending in a NUL
    EXPECT_EQ(out.Bytes().size(), 16 + kPresetNameBytes + 4);
    EXPECT_EQ(out.Bytes()[16 + 63], 'n');
    EXPECT_EQ(out.Bytes()[16 + 64], 0);
}

// ---- Pointer arrays ----

struct Counted {
    explicit Counted(int v, int* alive) : value(v), alive(alive) { ++*alive; }
    ~Counted() { --*alive; }
    int value;
    int* alive;
};

std::vector<int> Values(const PtrArray<Counted>& a) {
    std::vector<int> v;
    for (int i = 0; i < a.GetSize(); ++i) v.push_back(a.GetAt(i)->value);
    return v;
}

TEST(PtrArray, AFixedArrayRefusesTheNinthItemAndAGrowingOneTakesIt) {
    int alive = 0;
    {
        PtrArray<Counted> fixed(8, 0), growing(1, 1);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(fixed.Add(new Counted(i, &alive)), 1);
            EXPECT_EQ(growing.Add(new Counted(i, &alive)), 1);
        }
        Counted* ninth = new Counted(8, &alive);
        EXPECT_EQ(fixed.Add(ninth), 0);
        delete ninth;
        EXPECT_EQ(growing.Add(new Counted(8, &alive)), 1);
        EXPECT_EQ(fixed.GetSize(), 8);
        EXPECT_EQ(growing.GetSize(), 9);
        EXPECT_EQ(growing.GetCapacity(), 9u);
        EXPECT_EQ(fixed.Add(nullptr), 0);
    }
    EXPECT_EQ(alive, 0);  // each array deleted what it held
}

TEST(PtrArray, MovesAndRemovalsKeepTheOrderAndRefuseTheEdges) {
    int alive = 0;
    PtrArray<Counted> a(1, 1);
    for (int i = 0; i < 4; ++i) a.Add(new Counted(i, &alive));
    struct Step {
        int index, how, result;
        std::vector<int> after;
    };
    const Step steps[] = {
        {0, 0, 0, {0, 1, 2, 3}}, {3, 1, 0, {0, 1, 2, 3}}, {1, 1, 1, {0, 2, 1, 3}}, {2, 0, 1, {0, 1, 2, 3}},
        {3, 2, 1, {3, 0, 1, 2}}, {0, 3, 1, {0, 1, 2, 3}}, {1, 4, 0, {0, 1, 2, 3}}, {-1, 1, 0, {0, 1, 2, 3}},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(a.Move(s.index, s.how), s.result) << s.index << "," << s.how;
        EXPECT_EQ(Values(a), s.after) << s.index << "," << s.how;
    }
    a.RemoveAt(1);
    EXPECT_EQ(Values(a), (std::vector<int>{0, 2, 3}));
    a.RemoveAt(-1);
    a.RemoveAt(3);
    EXPECT_EQ(alive, 3);
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(alive, 0);
}

}  // namespace
