// Numbers in fixed byte order: each width and order puts its bytes where the files and the
// unit's packets have them, reads them back, and ignores what lies beyond its width.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/byte_order.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct stIntCase {
    int width;  // bytes
    uint64_t value;
    Bytes little;
    Bytes big;
};

const stIntCase kIntCases[] = {
    {2, 0x1234, {0x34, 0x12}, {0x12, 0x34}},
    {2, 0x8000, {0x00, 0x80}, {0x80, 0x00}},
    {2, 0xFFFF, {0xFF, 0xFF}, {0xFF, 0xFF}},
    {3, 0xABCDEF, {}, {0xAB, 0xCD, 0xEF}},
    {4, 0x12345678, {0x78, 0x56, 0x34, 0x12}, {0x12, 0x34, 0x56, 0x78}},
    {4, 0x80000001, {0x01, 0x00, 0x00, 0x80}, {0x80, 0x00, 0x00, 0x01}},
    {8, 0x0102030405060708, {8, 7, 6, 5, 4, 3, 2, 1}, {1, 2, 3, 4, 5, 6, 7, 8}},
    {8, 0xFF00000000000001, {1, 0, 0, 0, 0, 0, 0, 0xFF}, {0xFF, 0, 0, 0, 0, 0, 0, 1}},
};

// Writes one case's value in both orders; the byte after the field must stay as it was.
Bytes PutLittle(int width, uint64_t v) {
    Bytes b(width + 1, 0xEE);
    switch (width) {
    case 2: PutLeU16(b.data(), static_cast<uint16_t>(v)); break;
    case 4: PutLeU32(b.data(), static_cast<uint32_t>(v)); break;
    case 8: PutLeU64(b.data(), v); break;
    default: return {};
    }
    return b;
}

Bytes PutBig(int width, uint64_t v) {
    Bytes b(width + 1, 0xEE);
    switch (width) {
    case 2: PutBeU16(b.data(), static_cast<uint16_t>(v)); break;
    case 3: PutBeU24(b.data(), static_cast<uint32_t>(v)); break;
    case 4: PutBeU32(b.data(), static_cast<uint32_t>(v)); break;
    case 8: PutBeU64(b.data(), v); break;
    default: return {};
    }
    return b;
}

uint64_t GetLittle(int width, const uint8_t* p) {
    switch (width) {
    case 2: return GetLeU16(p);
    case 4: return GetLeU32(p);
    case 8: return GetLeU64(p);
    default: return 0;
    }
}

uint64_t GetBig(int width, const uint8_t* p) {
    switch (width) {
    case 2: return GetBeU16(p);
    case 3: return GetBeU24(p);
    case 4: return GetBeU32(p);
    case 8: return GetBeU64(p);
    default: return 0;
    }
}

TEST(ByteOrder, IntegersTakeTheirBytesInEachOrder) {
    for (const stIntCase& c : kIntCases) {
        SCOPED_TRACE(testing::Message() << c.width << " bytes, value 0x" << std::hex << c.value);
        Bytes big = c.big;
        big.push_back(0xEE);
        EXPECT_EQ(PutBig(c.width, c.value), big);
        EXPECT_EQ(GetBig(c.width, c.big.data()), c.value);
        if (c.little.empty()) continue;  // no little-endian field of three bytes
        Bytes little = c.little;
        little.push_back(0xEE);
        EXPECT_EQ(PutLittle(c.width, c.value), little);
        EXPECT_EQ(GetLittle(c.width, c.little.data()), c.value);
    }
}

TEST(ByteOrder, NarrowFieldsKeepTheLowBitsAndSignedReadsKeepTheSign) {
    uint8_t b[4] = {};
    PutBeU24(b, 0x12ABCDEF);
    EXPECT_EQ(GetBeU24(b), 0xABCDEFu) << "the top byte is not written";
    EXPECT_EQ(b[3], 0) << "nor anything past the field";
    const uint8_t minus[4] = {0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(GetLeI16(minus), -2);
    EXPECT_EQ(GetLeI32(minus), -2);
}

TEST(ByteOrder, DoublesTakeTheBytesOfTheirBitPattern) {
    for (double v : {0.0, -0.0, 1.0, -2.5, 1e-300, 123456.789}) {
        SCOPED_TRACE(v);
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        uint8_t little[8], big[8];
        PutLeF64(little, v);
        PutBeF64(big, v);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(little[i], static_cast<uint8_t>(bits >> (8 * i)));
            EXPECT_EQ(big[7 - i], static_cast<uint8_t>(bits >> (8 * i)));
        }
        EXPECT_EQ(std::memcmp(&v, little, 8), 0) << "the host stores doubles little-endian";
        const double le = GetLeF64(little), be = GetBeF64(big);
        EXPECT_EQ(std::memcmp(&le, &v, 8), 0);
        EXPECT_EQ(std::memcmp(&be, &v, 8), 0);
    }
}

}  // namespace
