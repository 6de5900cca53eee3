// Test helper: writes small .bmp images byte by byte, in every header layout the loader reads.
#pragma once
#include <windows.h>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

enum class BmpHeader { Info, Core };

struct BmpLayout {
    int width = 0;
    int height = 0;
    int bitCount = 24;
    BmpHeader header = BmpHeader::Info;
    bool fileHeader = true;
    std::vector<COLORREF> palette;            // written for 1-, 4- and 8-bit images
    std::function<uint32_t(int, int)> pixel;  // palette index, or a COLORREF for 24/32 bits
    uint32_t gapBeforeBits = 0;               // junk bytes between palette and bits (bfOffBits skips them)
};

inline void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline uint32_t BmpStride(int width, int bitCount) { return (uint32_t(width) * bitCount + 31) / 32 * 4; }

// Rows bottom-up, each padded to 4 bytes, as the format stores them.
inline std::vector<uint8_t> BmpBits(const BmpLayout& s) {
    const uint32_t stride = BmpStride(s.width, s.bitCount);
    std::vector<uint8_t> bits(stride * s.height, 0);
    for (int y = 0; y < s.height; ++y) {
        uint8_t* row = bits.data() + stride * (s.height - 1 - y);
        for (int x = 0; x < s.width; ++x) {
            const uint32_t v = s.pixel(x, y);
            switch (s.bitCount) {
            case 1: row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = static_cast<uint8_t>(v); break;
            case 24:
                row[3 * x] = GetBValue(v);
                row[3 * x + 1] = GetGValue(v);
                row[3 * x + 2] = GetRValue(v);
                break;
            case 32:
                row[4 * x] = GetBValue(v);
                row[4 * x + 1] = GetGValue(v);
                row[4 * x + 2] = GetRValue(v);
                row[4 * x + 3] = 0;
                break;
            }
        }
    }
    return bits;
}

inline std::vector<uint8_t> BuildBmp(const BmpLayout& s) {
    const bool core = s.header == BmpHeader::Core;
    const uint32_t headerSize = core ? 12 : 40;
    const uint32_t entryBytes = core ? 3 : 4;
    const uint32_t paletteBytes = static_cast<uint32_t>(s.palette.size()) * entryBytes;
    const std::vector<uint8_t> bits = BmpBits(s);
    const uint32_t bitsOffset = (s.fileHeader ? 14 : 0) + headerSize + paletteBytes + s.gapBeforeBits;

    std::vector<uint8_t> out;
    if (s.fileHeader) {
        out.push_back('B');
        out.push_back('M');
        PutLe(out, bitsOffset + static_cast<uint32_t>(bits.size()), 4);
        PutLe(out, 0, 4);
        PutLe(out, bitsOffset, 4);
    }
    PutLe(out, headerSize, 4);
    if (core) {
        PutLe(out, s.width, 2);
        PutLe(out, s.height, 2);
        PutLe(out, 1, 2);
        PutLe(out, s.bitCount, 2);
    } else {
        PutLe(out, s.width, 4);
        PutLe(out, s.height, 4);
        PutLe(out, 1, 2);
        PutLe(out, s.bitCount, 2);
        PutLe(out, BI_RGB, 4);
        PutLe(out, 0, 4);  // image size: the loader computes it
        PutLe(out, 2835, 4);
        PutLe(out, 2835, 4);
        PutLe(out, 0, 4);  // colours used: the loader takes the bit count's full palette
        PutLe(out, 0, 4);
    }
    for (COLORREF c : s.palette) {
        out.push_back(GetBValue(c));
        out.push_back(GetGValue(c));
        out.push_back(GetRValue(c));
        if (!core) out.push_back(0);
    }
    out.insert(out.end(), s.gapBeforeBits, 0xEE);
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

// Offsets of header fields in a file that has the 14-byte file header and a 40-byte header.
namespace bmpoff {
constexpr size_t kOffBits = 10, kSize = 14, kWidth = 18, kHeight = 22, kPlanes = 26, kBitCount = 28, kCompression = 30,
                 kSizeImage = 34, kClrUsed = 46;
}

inline void Patch(std::vector<uint8_t>& file, size_t offset, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
