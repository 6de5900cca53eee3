// The processor identification against processors of a table, the clock arithmetic, and the
// disk and memory figures.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstring>
#include <map>
#include <string>

#include "base/system_queries.h"

namespace {

// A processor made of its identification leaves.
std::map<uint32_t, std::array<uint32_t, 4>> g_leaves;

void FakeCpuid(uint32_t leaf, uint32_t regs[4]) {
    auto it = g_leaves.find(leaf);
    for (int i = 0; i < 4; ++i) regs[i] = it == g_leaves.end() ? 0 : it->second[i];
}

// Leaf 0 of a vendor text and a highest leaf.
std::array<uint32_t, 4> VendorLeaf(uint32_t highest, const char* vendor) {
    std::array<uint32_t, 4> r{highest, 0, 0, 0};
    std::memcpy(&r[1], vendor, 4);
    std::memcpy(&r[3], vendor + 4, 4);
    std::memcpy(&r[2], vendor + 8, 4);
    return r;
}

void PutBrand(const char* brand48) {
    for (uint32_t i = 0; i < 3; ++i) {
        std::array<uint32_t, 4> r{};
        std::memcpy(r.data(), brand48 + 16 * i, 16);
        g_leaves[0x80000002u + i] = r;
    }
}

class ProcessorTable : public ::testing::Test {
protected:
    void SetUp() override { SetCpuidReader(FakeCpuid); }
    void TearDown() override {
        SetCpuidReader(nullptr);
        g_leaves.clear();
    }
};

TEST_F(ProcessorTable, VendorFamilyAndModelFollowTheLeaves) {
    struct Case {
        const char* what;
        const char* vendor;
        uint32_t highest, eax1, ebx1;
        std::array<uint32_t, 4> leaf2;
        uint32_t vendorCode;
        uint16_t type, model;
    } cases[] = {
        {"Intel family 6 model 7", "GenuineIntel", 2, 0x0672, 0, {}, kCpuVendorIntel, 6, 7},
        {"family 6 model 5 without second-level cache", "GenuineIntel", 2, 0x0652, 0, {0x01, 0x40, 0, 0}, 0, 6, 6},
        {"family 6 model 5 with a cache", "GenuineIntel", 2, 0x0652, 0, {0x01, 0x43, 0, 0}, 0, 6, 5},
        {"descriptor in the last register", "GenuineIntel", 2, 0x0652, 0, {0x01, 0, 0, 0x40000000}, 0, 6, 6},
        {"two rounds of descriptors are not read", "GenuineIntel", 2, 0x0652, 0, {0x02, 0x40, 0, 0}, 0, 6, 5},
        {"leaf 2 missing", "GenuineIntel", 1, 0x0652, 0, {0x01, 0x40, 0, 0}, 0, 6, 5},
        {"family 5 model 4", "GenuineIntel", 1, 0x0543, 0, {}, 0, 5, 4},
        {"family 15: the brand index", "GenuineIntel", 1, 0x0F29, 0x0B, {}, 0, 15, 11},
        {"another vendor keeps its family's model", "CyrixInstead", 1, 0x0543, 0, {}, kCpuVendorOther, 5, 4},
        {"family 4 has no model", "CyrixInstead", 1, 0x0480, 0, {}, kCpuVendorOther, 4, 0},
        {"no leaf 1: the family is unread", "GenuineIntel", 0, 0x0652, 0, {}, 0, kCpuFamilyUnread, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_leaves.clear();
        g_leaves[0] = VendorLeaf(c.highest, c.vendor);
        g_leaves[1] = {c.eax1, c.ebx1, 0, 0x10};
        g_leaves[2] = c.leaf2;
        uint32_t vendor = 99;
        uint16_t type = 0, model = 99;
        char brand[52] = "x";
        GetProcessorModel(&vendor, &type, &model, brand);
        EXPECT_EQ(vendor, c.vendorCode);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(model, c.model);
        EXPECT_STREQ(brand, "") << "only the one vendor's processors are named by their brand";
    }
}

TEST_F(ProcessorTable, TheOtherVendorGetsItsBrandTextAndNoModel) {
    g_leaves[0] = VendorLeaf(1, "AuthenticAMD");
    g_leaves[1] = {0x0F4A, 0, 0, 0x10};
    char text[49] = "AMD Athlon(tm) 64 Processor 3200+";
    PutBrand(text);
    uint32_t vendor = 99;
    uint16_t type = 0, model = 77;
    char brand[52] = "";
    GetProcessorModel(&vendor, &type, &model, brand);
    EXPECT_EQ(vendor, kCpuVendorAmd);
    EXPECT_EQ(type, 15);
    EXPECT_EQ(model, 77) << "the model is left as it was";
    EXPECT_STREQ(brand, "AMD Athlon(tm) 64 Processor 3200+");

    char vendorText[13] = "";
    EXPECT_EQ(GetCpuFeatures(vendorText), 0x10u);
    EXPECT_STREQ(vendorText, "AuthenticAMD");
}

// The arithmetic of the measurement, with the figures a 10 MHz performance counter gives.
TEST(ClockArithmetic, MicrosRoundingAndTotals) {
    EXPECT_EQ(MicrosFromTicks(20000, 10000000), 2000u);
    EXPECT_EQ(MicrosFromTicks(20000, 3579545), 5587u);
    EXPECT_EQ(MicrosFromTicks(20000, 5), 0u) << "a counter slower than 10 Hz has no tenth";

    struct {
        uint64_t cycles, micros, mhz;
    } rounding[] = {{6000000, 2000, 3000}, {6001001, 2000, 3001}, {6001000, 2000, 3000}, {10, 0, 0}};
    for (const auto& r : rounding) EXPECT_EQ(RoundedMHz(r.cycles, r.micros), r.mhz) << r.cycles;

    struct {
        uint64_t f1, f2, f3;
        bool differ;
    } settle[] = {{3000, 3000, 3000, false}, {3001, 3000, 2999, false}, {3002, 3000, 2998, true}, {3000, 0, 0, true}};
    for (const auto& s : settle) EXPECT_EQ(SpeedTriesDiffer(s.f1, s.f2, s.f3), s.differ) << s.f1 << " " << s.f3;

    struct {
        uint64_t cycles, micros;
        uint32_t raw, norm;
    } totals[] = {
        {6000000, 2000, 3000, 3000},
        {6001300, 2000, 3000, 3001},  // 3000.65: six tenths above the raw figure
        {6001100, 2000, 3000, 3000},  // 3000.55: five tenths
        // 20 tries at 5 GHz: the hundredths exceed 32 bits; wrapped, they would round 5000.55 up
        {200022000ull, 40000, 5000, 5000},
        {200025000ull, 40000, 5000, 5001},
    };
    for (const auto& t : totals) {
        const FREQ_INFO info = SpeedFromTotals(t.cycles, t.micros);
        EXPECT_EQ(info.rawMHz, t.raw) << t.cycles;
        EXPECT_EQ(info.normMHz, t.norm) << t.cycles;
    }
    const FREQ_INFO none = SpeedFromTotals(0, 0);
    EXPECT_EQ(none.cycles + none.micros + none.rawMHz + none.normMHz, 0u);

    const FREQ_INFO loop = SpeedFromLoop(38 * 4000, 51);
    EXPECT_EQ(loop.cycles, 152000u);
    EXPECT_EQ(loop.rawMHz, 2980u);
    EXPECT_EQ(loop.normMHz, 2980u);
    EXPECT_EQ(LoopCyclesPerIteration(3), 115u);
    EXPECT_EQ(LoopCyclesPerIteration(6), 38u);
    EXPECT_EQ(LoopCyclesPerIteration(2), 0u);
}

TEST(ProcessorName, FamiliesAndModels) {
    struct {
        uint16_t family, model;
        const char* name;
    } cases[] = {
        {0, 9, "Intel 8086/88"}, {2, 0, "Intel 286"},       {3, 0, "Intel 386"},         {4, 0, "Intel 486"},
        {5, 2, "Pentium "},      {5, 3, "Pentium(486ODrive)"}, {5, 4, "Pentium MMX"},   {5, 9, "Pentium"},
        {6, 1, "Pentium Pro"},   {6, 2, "Pentium Pro"},     {6, 5, "Pentium II, model 5"}, {6, 6, "Celeron"},
        {6, 7, "Pentium III"},   {15, 10, "Intel Celeron"}, {15, 4, "Intel Pentium III"},
        {15, 3, "Intel Pentium III Xeon"}, {15, 6, "Mobile Intel Pentium III - M"}, {15, 15, "Mobile Intel Celeron"},
        {15, 9, "Intel Pentium IV"}, {15, 12, "Intel Xeon MP"}, {15, 14, "Mobile Intel Pentium IV - M"},
        {15, 13, "Pentium IV"},  {15, 200, "Pentium IV"},   {1, 0, "Unknown"},          {9, 0, "Unknown"},
        {16, 0, "Unknown"},
    };
    for (const auto& c : cases) {
        char name[64] = "";
        GetProcessorName(name, sizeof name, c.family, c.model, 0, "Brand");
        EXPECT_STREQ(name, c.name) << c.family << "/" << c.model;
    }
    char name[64] = "";
    GetProcessorName(name, sizeof name, 6, 7, 1, "AMD Athlon");
    EXPECT_STREQ(name, "AMD Athlon");
}

// This machine's own processor: a 64-bit processor has the instruction and the stamp counter.
TEST(ProcessorOfThisMachine, IsIdentifiedAndClocked) {
    uint32_t vendor = 99;
    uint16_t type = 0, model = 0;
    char text[13] = "x", brand[52] = "";
    const uint32_t mhz = GetProcessorInfo(&vendor, text, &model, &type, brand);
    EXPECT_GT(mhz, 0u);
    EXPECT_EQ(std::strlen(text), 12u);
    EXPECT_NE(std::string(text), "------------");
    EXPECT_GE(type, 4);
    EXPECT_LE(type, 15);
    EXPECT_TRUE(vendor == kCpuVendorIntel || vendor == kCpuVendorAmd || vendor == kCpuVendorOther);
    if (vendor == kCpuVendorAmd) {
        EXPECT_GT(std::strlen(brand), 0u);
    }
}

TEST(FreeSpaceAndMemory, FiguresOfTheMachine) {
    EXPECT_GT(GetFreeDiskSpace("C:\\"), 0.0);
    EXPECT_EQ(GetFreeDiskSpace("Q:\\no\\such\\folder\\"), 0.0);

    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    EXPECT_EQ(GetFreeMemory(), FreeMemoryFromTotal(status.ullTotalPhys));
    // Above 4 GB the figure goes on growing instead of wrapping.
    EXPECT_EQ(FreeMemoryFromTotal(8589934592ull), 858993450.0);
    EXPECT_EQ(FreeMemoryFromTotal(1000), 100.0);
}

}  // namespace
