// LoadDibFile and LoadDibMemory over every depth and header layout, and damaged files.
#include <gtest/gtest.h>

#include <vector>

#include "controls/tests/bmp_builder.h"
#include "controls/tests/controls_test_support.h"
#include "controls/dib_file.h"
#include "controls/tests/dib32.h"

using testsupport::TempFolder;

namespace {

const std::vector<COLORREF> kPalette16 = {RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
                                          RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
                                          RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
                                          RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

std::vector<COLORREF> Palette(int bitCount) {
    std::vector<COLORREF> p;
    if (bitCount == 4) return kPalette16;
    if (bitCount == 1) return {RGB(10, 20, 30), RGB(250, 240, 230)};
    if (bitCount == 8)
        for (int i = 0; i < 256; ++i) p.push_back(RGB(i, 255 - i, (i * 7) & 0xFF));
    return p;
}

BmpLayout TestImage(int bitCount, BmpHeader header, bool fileHeader) {
    BmpLayout s;
    s.width = 7;  // odd widths exercise row padding at every depth
    s.height = 3;
    s.bitCount = bitCount;
    s.header = header;
    s.fileHeader = fileHeader;
    s.palette = Palette(bitCount);
    const int colors = static_cast<int>(s.palette.size());
    s.pixel = [colors](int x, int y) -> uint32_t {
        if (colors) return uint32_t(x + 3 * y) % colors;
        return RGB(x * 30 + 5, y * 80 + 7, (x * y * 11) & 0xFF);
    };
    return s;
}

COLORREF ExpectedColor(const BmpLayout& s, int x, int y) {
    const uint32_t v = s.pixel(x, y);
    return s.palette.empty() ? v : s.palette[v];
}

// Reads the bitmap back as top-down 32-bit pixels.
std::vector<COLORREF> ReadPixels(HBITMAP bmp, int width, int height) {
    BITMAPINFO bi = TopDownInfo32(width, height);
    std::vector<uint32_t> raw(size_t(width) * height, 0xDEADBEEF);
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bmp, 0, height, raw.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(lines, height);
    std::vector<COLORREF> out;
    for (uint32_t px : raw) out.push_back(RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
    return out;
}

void ExpectImage(HBITMAP bmp, const BmpLayout& s) {
    ASSERT_NE(bmp, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bmp, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, s.width);
    EXPECT_EQ(info.bmHeight, s.height);
    const std::vector<COLORREF> px = ReadPixels(bmp, s.width, s.height);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            EXPECT_EQ(px[size_t(y) * s.width + x], ExpectedColor(s, x, y)) << "pixel " << x << "," << y;
}

class Bitmap {
public:
    explicit Bitmap(HBITMAP h) : m_h(h) {}
    ~Bitmap() {
        if (m_h) DeleteObject(m_h);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    HBITMAP get() const { return m_h; }

private:
    HBITMAP m_h;
};

}  // namespace

TEST(ControlsLoadDib, EveryDepthAndHeaderLayoutLoadsItsPixels) {
    struct Row {
        int bits;
        BmpHeader header;
        bool fileHeader;
    };
    const Row rows[] = {
        {24, BmpHeader::Info, true}, {4, BmpHeader::Info, true},  {1, BmpHeader::Info, true},
        {8, BmpHeader::Info, true},  {32, BmpHeader::Info, true}, {24, BmpHeader::Info, false},
        {4, BmpHeader::Info, false}, {4, BmpHeader::Core, true},  {4, BmpHeader::Core, false},
        {8, BmpHeader::Core, true},  {1, BmpHeader::Core, true},  {24, BmpHeader::Core, true},
    };
    TempFolder dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bits << " bits, " << (row.header == BmpHeader::Core ? "core" : "info")
                                        << (row.fileHeader ? " with" : " without") << " file header");
        const BmpLayout image = TestImage(row.bits, row.header, row.fileHeader);
        const std::vector<uint8_t> file = BuildBmp(image);
        ASSERT_TRUE(dir.WriteFile("image.bmp", file));
        Bitmap fromDisk(LoadDibFile(dir.Sub("image.bmp").c_str()));
        ExpectImage(fromDisk.get(), image);
        Bitmap fromMemory(LoadDibMemory(file.data(), file.size()));
        ExpectImage(fromMemory.get(), image);
    }
}

TEST(ControlsLoadDib, CoreHeaderFileMatchesItsInfoHeaderCounterpart) {
    TempFolder dir;
    const BmpLayout info = TestImage(4, BmpHeader::Info, true);
    const BmpLayout core = TestImage(4, BmpHeader::Core, true);
    ASSERT_TRUE(dir.WriteFile("info.bmp", BuildBmp(info)));
    ASSERT_TRUE(dir.WriteFile("core.bmp", BuildBmp(core)));
    Bitmap a(LoadDibFile(dir.Sub("info.bmp").c_str()));
    Bitmap b(LoadDibFile(dir.Sub("core.bmp").c_str()));
    ASSERT_NE(a.get(), nullptr);
    ASSERT_NE(b.get(), nullptr);
    EXPECT_EQ(ReadPixels(a.get(), info.width, info.height), ReadPixels(b.get(), core.width, core.height));

    // And as a user sees it: the same colours through a memory DC.
    HDC screen = GetDC(nullptr);
    HDC dcA = CreateCompatibleDC(screen), dcB = CreateCompatibleDC(screen);
    HGDIOBJ oldA = SelectObject(dcA, a.get()), oldB = SelectObject(dcB, b.get());
    for (int y = 0; y < info.height; ++y)
        for (int x = 0; x < info.width; ++x) {
            EXPECT_EQ(GetPixel(dcA, x, y), ExpectedColor(info, x, y));
            EXPECT_EQ(GetPixel(dcB, x, y), GetPixel(dcA, x, y));
        }
    SelectObject(dcA, oldA);
    SelectObject(dcB, oldB);
    DeleteDC(dcA);
    DeleteDC(dcB);
    ReleaseDC(nullptr, screen);
}

TEST(ControlsLoadDib, BitsOffsetSkipsJunkAfterPalette) {
    for (BmpHeader header : {BmpHeader::Info, BmpHeader::Core}) {
        BmpLayout image = TestImage(4, header, true);
        image.gapBeforeBits = 10;
        const std::vector<uint8_t> file = BuildBmp(image);
        Bitmap bmp(LoadDibMemory(file.data(), file.size()));
        ExpectImage(bmp.get(), image);
    }
}

TEST(ControlsLoadDib, RunLengthImageSmallerThanItsPixelsLoads) {
    // 600 x 2 pixels in 8-bit runs: the file is far smaller than the unpacked image.
    const std::vector<COLORREF> palette = {RGB(0, 0, 0), RGB(200, 30, 60), RGB(20, 220, 90), RGB(0, 0, 255)};
    const std::vector<uint8_t> runs = {255, 1, 255, 1, 90, 2, 0, 0,  // bottom row: 510 of colour 1, 90 of 2
                                       255, 3, 255, 3, 90, 3, 0, 0,  // top row: all colour 3
                                       0,   1};                      // end of bitmap
    std::vector<uint8_t> file = {'B', 'M'};
    const uint32_t bitsAt = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
    PutLe(file, bitsAt + static_cast<uint32_t>(runs.size()), 4);
    PutLe(file, 0, 4);
    PutLe(file, bitsAt, 4);
    for (uint32_t v : {40u, 600u, 2u}) PutLe(file, v, 4);
    PutLe(file, 1, 2);
    PutLe(file, 8, 2);
    for (uint32_t v : {uint32_t(BI_RLE8), uint32_t(runs.size()), 0u, 0u, uint32_t(palette.size()), 0u})
        PutLe(file, v, 4);
    for (COLORREF c : palette)
        for (uint8_t byte : {GetBValue(c), GetGValue(c), GetRValue(c), uint8_t(0)}) file.push_back(byte);
    file.insert(file.end(), runs.begin(), runs.end());
    ASSERT_LT(file.size(), 600u * 2u);

    Bitmap bmp(LoadDibMemory(file.data(), file.size()));
    ASSERT_NE(bmp.get(), nullptr);
    const std::vector<COLORREF> px = ReadPixels(bmp.get(), 600, 2);
    for (int x : {0, 300, 509, 510, 599}) {
        EXPECT_EQ(px[size_t(x)], palette[3]) << "top row, x " << x;
        EXPECT_EQ(px[600 + size_t(x)], palette[x < 510 ? 1 : 2]) << "bottom row, x " << x;
    }
    // A stored run length beyond the file is refused.
    Patch(file, bmpoff::kSizeImage, static_cast<uint32_t>(runs.size()) + 1, 4);
    EXPECT_EQ(LoadDibMemory(file.data(), file.size()), nullptr);
}

TEST(ControlsLoadDib, EveryTruncationFails) {
    for (BmpHeader header : {BmpHeader::Info, BmpHeader::Core})
        for (bool fileHeader : {true, false}) {
            const std::vector<uint8_t> file = BuildBmp(TestImage(4, header, fileHeader));
            for (size_t length = 0; length < file.size(); ++length) {
                HBITMAP bmp = LoadDibMemory(file.data(), length);
                EXPECT_EQ(bmp, nullptr) << "length " << length << " of " << file.size();
                if (bmp) DeleteObject(bmp);
            }
        }
}

TEST(ControlsLoadDib, DamagedHeadersFail) {
    using namespace bmpoff;
    struct Row {
        const char* what;
        size_t offset;
        uint32_t value;
        int bytes;
    };
    const std::vector<uint8_t> good = BuildBmp(TestImage(4, BmpHeader::Info, true));
    const Row rows[] = {
        {"header size 20", kSize, 20, 4},
        {"header size huge", kSize, 0xFFFFFFFF, 4},
        {"width 0", kWidth, 0, 4},
        {"negative width", kWidth, uint32_t(-7), 4},
        {"width beyond the file", kWidth, 0x7FFFFFFF, 4},
        {"height 0", kHeight, 0, 4},
        {"height INT_MIN", kHeight, 0x80000000, 4},
        {"height beyond the file", kHeight, 100000, 4},
        {"two planes", kPlanes, 2, 2},
        {"7 bits per pixel", kBitCount, 7, 2},
        {"0 bits per pixel", kBitCount, 0, 2},
        {"24 bits in a 4-bit file", kBitCount, 24, 2},
        {"bit-field masks", kCompression, BI_BITFIELDS, 4},
        {"RLE8 on 4 bits", kCompression, BI_RLE8, 4},
        {"PNG inside", kCompression, BI_PNG, 4},
        {"image size beyond the file", kSizeImage, 0xFFFFFFF0, 4},
        {"image size smaller than the pixels", kSizeImage, 4, 4},
        {"17 colours for 4 bits", kClrUsed, 17, 4},
        {"colour count huge", kClrUsed, 0x40000000, 4},
        {"bits offset beyond the file", kOffBits, 0xFFFFFFF0, 4},
        {"bits offset near the end", kOffBits, uint32_t(good.size() - 1), 4},
    };
    {
        Bitmap control(LoadDibMemory(good.data(), good.size()));
        ASSERT_NE(control.get(), nullptr);
    }
    TempFolder dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<uint8_t> bad = good;
        Patch(bad, row.offset, row.value, row.bytes);
        HBITMAP bmp = LoadDibMemory(bad.data(), bad.size());
        EXPECT_EQ(bmp, nullptr);
        if (bmp) DeleteObject(bmp);
        ASSERT_TRUE(dir.WriteFile("bad.bmp", bad));
        bmp = LoadDibFile(dir.Sub("bad.bmp").c_str());
        EXPECT_EQ(bmp, nullptr);
        if (bmp) DeleteObject(bmp);
    }
}

TEST(ControlsLoadDib, MissingOrEmptyFilesFail) {
    TempFolder dir;
    ASSERT_TRUE(dir.WriteFile("empty.bmp", {}));
    EXPECT_EQ(LoadDibFile(dir.Sub("empty.bmp").c_str()), nullptr);
    EXPECT_EQ(LoadDibFile(dir.Sub("absent.bmp").c_str()), nullptr);
    EXPECT_EQ(LoadDibFile(dir.path().c_str()), nullptr);  // a folder
    EXPECT_EQ(LoadDibFile(nullptr), nullptr);
    EXPECT_EQ(LoadDibMemory(nullptr, 100), nullptr);
}

TEST(ControlsLoadDib, RandomHeaderDamageNeverYieldsABrokenBitmap) {
    // Fixed seed: the same damage every run. Whatever loads must be a well-formed bitmap.
    const std::vector<uint8_t> good = BuildBmp(TestImage(8, BmpHeader::Info, true));
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bad = good;
        const int flips = 1 + next() % 4;
        for (int i = 0; i < flips; ++i) bad[next() % 54] = static_cast<uint8_t>(next());
        const size_t length = (next() % 8 == 0) ? next() % bad.size() : bad.size();
        HBITMAP bmp = LoadDibMemory(bad.data(), length);
        if (bmp) {
            ++loaded;
            BITMAP info{};
            EXPECT_EQ(GetObjectA(bmp, sizeof info, &info), int(sizeof info));
            EXPECT_GT(info.bmWidth, 0);
            EXPECT_GT(info.bmHeight, 0);
            DeleteObject(bmp);
        }
    }
    // Flips in unchecked fields (resolution, reserved bytes) still load: the loop saw both outcomes.
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, 3000);
}
