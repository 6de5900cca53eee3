// ShortString, LoadDibFile, the HLS conversions and CenterWindowOnScreen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "controls/tests/bmp_builder.h"
#include "controls/tests/controls_test_support.h"
#include "controls/utilities.h"

using testsupport::TempFolder;

// ---------------------------------------------------------------------------------------------
// ShortString

TEST(ControlsShortString, EmptyIsTwoZeroBytes) {
    ShortString s;
    ASSERT_NE(s.Block(), nullptr);
    EXPECT_EQ(s.Block()[0], 0);
    EXPECT_EQ(s.Block()[1], 0);
    EXPECT_STREQ(s.Text(), "");
    EXPECT_EQ(s.Length(), 0u);
}

TEST(ControlsShortString, KeepsWholeTextAndCapsLengthByte) {
    struct Row {
        size_t length;
        uint8_t lengthByte;
    };
    const Row rows[] = {{0, 0}, {1, 1}, {254, 254}, {255, 255}, {256, 255}, {300, 255}, {1000, 255}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.length);
        std::string text(row.length, ' ');
        for (size_t i = 0; i < row.length; ++i) text[i] = static_cast<char>('a' + i % 26);
        ShortString s;
        ASSERT_EQ(s.Assign(text.c_str()), 1);
        EXPECT_EQ(s.LengthByte(), row.lengthByte);
        EXPECT_EQ(s.Block()[0], row.lengthByte);
        EXPECT_EQ(s.Length(), row.length);
        EXPECT_EQ(std::string(s.Text()), text);
        EXPECT_EQ(s.Block()[row.length + 1], 0);

        // CopyTo writes the whole text and its terminator, and nothing beyond.
        std::string buffer(row.length + 8, '#');
        s.CopyTo(&buffer[0]);
        EXPECT_EQ(std::memcmp(buffer.data(), text.data(), row.length), 0);
        EXPECT_EQ(buffer[row.length], '\0');
        EXPECT_EQ(buffer.substr(row.length + 1), std::string(7, '#'));
    }
}

TEST(ControlsShortString, SelfAssignKeepsBlockAndText) {
    ShortString s;
    const std::string text(300, 'q');
    s.Assign(text.c_str());
    const uint8_t* block = s.Block();
    EXPECT_EQ(s.Assign(s.Text()), 1);
    EXPECT_EQ(s.Block(), block);
    EXPECT_EQ(s.Assign(reinterpret_cast<const char*>(s.Block())), 1);
    EXPECT_EQ(s.Block(), block);
    EXPECT_EQ(std::string(s.Text()), text);
    EXPECT_EQ(s.LengthByte(), 255);
}

TEST(ControlsShortString, ReassignReplacesAndNullEmpties) {
    ShortString s;
    s.Assign("Lesson 12 - Heart Sounds");
    s.Assign(s.Text() + 12);  // a tail of its own text
    EXPECT_STREQ(s.Text(), "Heart Sounds");
    EXPECT_EQ(s.LengthByte(), 12);
    s.Assign("EMG");
    EXPECT_STREQ(s.Text(), "EMG");
    EXPECT_EQ(s.LengthByte(), 3);
    s.Assign(nullptr);
    EXPECT_STREQ(s.Text(), "");
    EXPECT_EQ(s.Block()[0], 0);
    EXPECT_EQ(s.Block()[1], 0);
}

// ---------------------------------------------------------------------------------------------
// HLS colours

TEST(ControlsHls, ConversionTable) {
    struct Row {
        COLORREF rgb;
        int h, l, s;
        COLORREF back;
    };
    const Row rows[] = {
        {RGB(255, 255, 255), 160, 240, 0, RGB(255, 255, 255)},
        {RGB(0, 0, 0), 160, 0, 0, RGB(0, 0, 0)},
        {RGB(255, 0, 0), 0, 120, 240, RGB(255, 0, 0)},
        {RGB(0, 255, 0), 80, 120, 240, RGB(0, 255, 0)},
        {RGB(0, 0, 255), 160, 120, 240, RGB(0, 0, 255)},
        {RGB(128, 128, 128), 160, 120, 0, RGB(127, 127, 127)},
        {RGB(0, 128, 0), 80, 60, 240, RGB(0, 128, 0)},
        {RGB(255, 255, 0), 40, 120, 240, RGB(255, 255, 0)},
        {RGB(0, 255, 255), 120, 120, 240, RGB(0, 255, 255)},
        {RGB(255, 0, 255), 200, 120, 240, RGB(255, 0, 255)},  // hue wraps from -40
        {RGB(200, 100, 50), 13, 118, 144, RGB(201, 99, 50)},
        {RGB(10, 20, 30), 140, 19, 120, RGB(10, 20, 31)},
        {RGB(250, 240, 230), 20, 226, 160, RGB(250, 240, 231)},  // lightness above 120
        {RGB(64, 0, 128), 180, 60, 240, RGB(64, 0, 128)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "rgb 0x" << row.rgb);
        const uint32_t hls = RgbToHls(row.rgb);
        EXPECT_EQ((hls >> 16) & 0xFF, uint32_t(row.h)) << "hue";
        EXPECT_EQ((hls >> 8) & 0xFF, uint32_t(row.l)) << "lightness";
        EXPECT_EQ(hls & 0xFF, uint32_t(row.s)) << "saturation";
        EXPECT_EQ(hls >> 24, 0u);
        EXPECT_EQ(hls, PackHls(row.h, row.l, row.s));
        EXPECT_EQ(HlsToRgb(hls), row.back);
    }
}

TEST(ControlsHls, RoundTripStaysWithinOneHueStep) {
    // One hue unit of 240 moves a saturated component by 6.4 of 255.
    int worst = 0;
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) {
                const COLORREF back = HlsToRgb(RgbToHls(RGB(r, g, b)));
                worst = std::max({worst, std::abs(GetRValue(back) - r), std::abs(GetGValue(back) - g),
                                  std::abs(GetBValue(back) - b)});
            }
    EXPECT_LE(worst, 7);
    // Greys come back within one lightness step.
    for (int v = 0; v < 256; ++v) {
        const COLORREF back = HlsToRgb(RgbToHls(RGB(v, v, v)));
        EXPECT_LE(std::abs(GetRValue(back) - v), 2) << v;
        EXPECT_EQ(GetRValue(back), GetGValue(back));
        EXPECT_EQ(GetGValue(back), GetBValue(back));
    }
}

TEST(ControlsHls, OutOfScaleInputSaturatesInsteadOfWrapping) {
    // Lightness and saturation 255 exceed the 240 scale; the green component must not wrap to a dark value.
    const COLORREF c = HlsToRgb(PackHls(0, 255, 255));
    EXPECT_EQ(GetGValue(c), 255);
    EXPECT_EQ(HlsToRgb(PackHls(0, 240, 0)), RGB(255, 255, 255));
}

// ---------------------------------------------------------------------------------------------
// LoadDibFile

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

BmpSpec TestImage(int bitCount, BmpHeader header, bool fileHeader) {
    BmpSpec s;
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

COLORREF ExpectedColor(const BmpSpec& s, int x, int y) {
    const uint32_t v = s.pixel(x, y);
    return s.palette.empty() ? v : s.palette[v];
}

// Reads the bitmap back as top-down 32-bit pixels.
std::vector<COLORREF> ReadPixels(HBITMAP bmp, int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> raw(size_t(width) * height, 0xDEADBEEF);
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bmp, 0, height, raw.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(lines, height);
    std::vector<COLORREF> out;
    for (uint32_t px : raw) out.push_back(RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF));
    return out;
}

void ExpectImage(HBITMAP bmp, const BmpSpec& s) {
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
        const BmpSpec spec = TestImage(row.bits, row.header, row.fileHeader);
        const std::vector<uint8_t> file = BuildBmp(spec);
        ASSERT_TRUE(dir.WriteFile("image.bmp", file));
        Bitmap fromDisk(LoadDibFile(dir.Sub("image.bmp").c_str()));
        ExpectImage(fromDisk.get(), spec);
        Bitmap fromMemory(LoadDibMemory(file.data(), file.size()));
        ExpectImage(fromMemory.get(), spec);
    }
}

TEST(ControlsLoadDib, CoreHeaderFileMatchesItsInfoHeaderCounterpart) {
    TempFolder dir;
    const BmpSpec info = TestImage(4, BmpHeader::Info, true);
    const BmpSpec core = TestImage(4, BmpHeader::Core, true);
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
        BmpSpec spec = TestImage(4, header, true);
        spec.gapBeforeBits = 10;
        const std::vector<uint8_t> file = BuildBmp(spec);
        Bitmap bmp(LoadDibMemory(file.data(), file.size()));
        ExpectImage(bmp.get(), spec);
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

// ---------------------------------------------------------------------------------------------
// CenterWindowOnScreen

namespace {
// Keeps the flags of every position change the window is asked for.
std::vector<UINT> g_posFlags;
WNDPROC g_staticProc;
LRESULT CALLBACK RecordPosChanges(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_WINDOWPOSCHANGING) g_posFlags.push_back(reinterpret_cast<WINDOWPOS*>(lParam)->flags);
    return CallWindowProcA(g_staticProc, hwnd, msg, wParam, lParam);
}
}  // namespace

TEST(ControlsCenterWindow, CentresOrPinsToTopLeft) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Row {
        int width, height, left, top;
    };
    const Row rows[] = {
        {300, 200, (sw - 300) / 2, (sh - 200) / 2},
        {301, 199, (sw - 301) / 2, (sh - 199) / 2},
        {sw + 500, sh + 400, 0, 0},
        {sw + 500, 100, 0, (sh - 100) / 2},
        {200, sh + 1, (sw - 200) / 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        HWND hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 7, 9, row.width, row.height, nullptr,
                                    nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        RECT before;
        GetWindowRect(hwnd, &before);
        ASSERT_EQ(before.right - before.left, row.width);
        ASSERT_EQ(before.bottom - before.top, row.height);
        g_staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordPosChanges)));
        g_posFlags.clear();
        CenterWindowOnScreen(hwnd);
        RECT after;
        GetWindowRect(hwnd, &after);
        EXPECT_EQ(after.left, row.left);
        EXPECT_EQ(after.top, row.top);
        EXPECT_EQ(after.right - after.left, row.width);
        EXPECT_EQ(after.bottom - after.top, row.height);
        // Size, z-order and activation are left alone.
        ASSERT_FALSE(g_posFlags.empty());
        for (UINT flags : g_posFlags)
            EXPECT_EQ(flags & (SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE),
                      UINT(SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_staticProc));
        DestroyWindow(hwnd);
    }
}

// ---------------------------------------------------------------------------------------------
// FormatKeyedText

TEST(ControlsKeyedText, ANumberFillsTheFirstNumericConversionOnly) {
    struct Row {
        const char* text;
        long number;
        const char* out;
    } rows[] = {
        {"Saving file: %3lu%% completed", 42, "Saving file:  42% completed"},
        {"%s%s%n", 7, "%s%s%n"},
        {"%d of %d", 3, "3 of %d"},
        {"%n%d", 9, "%n9"},
        {"%*d|%d", 5, "%*d|5"},
        {"%.*d", 5, "%.*d"},
        {"%05d", -12, "-0012"},
        {"%-4i|", 8, "8   |"},
        {"%x %X %o", 255, "ff %X %o"},
        {"%u", -1, "4294967295"},
        {"%lld and %hd", 6, "6 and %hd"},
        {"%1234d", 1, "%1234d"},
        {"%p %f %c %e", 1, "%p %f %c %e"},
        {"100%", 1, "100%"},
        {"", 1, ""},
    };
    for (const Row& row : rows) {
        char out[256];
        const size_t n = FormatKeyedText(out, sizeof out, row.text, row.number);
        EXPECT_STREQ(out, row.out) << row.text;
        EXPECT_EQ(n, std::strlen(out)) << row.text;
    }
    char wide[256];
    FormatKeyedText(wide, sizeof wide, "%123d", 1);  // three digits of width are a width
    EXPECT_EQ(std::string(wide), std::string(122, ' ') + "1");
}

TEST(ControlsKeyedText, AStringFillsTheFirstStringConversionOnly) {
    struct Row {
        const char* text;
        const char* string;
        const char* out;
    } rows[] = {
        {"The graph %s has changed.", "A.acq", "The graph A.acq has changed."},
        {"%s%s%n", "X", "X%s%n"},
        {"%d %s %%", "X", "%d X %"},
        {"[%-6s]", "ab", "[ab    ]"},
        {"[%6s]", "ab", "[    ab]"},
        {"[%.2s]", "abcdef", "[ab]"},
        {"[%ls]", "w", "[w]"},
        {"[%s]", nullptr, "[]"},
        {"%S and %s", "x", "%S and x"},
    };
    for (const Row& row : rows) {
        char out[256];
        FormatKeyedText(out, sizeof out, row.text, row.string);
        EXPECT_STREQ(out, row.out) << row.text;
    }
}

TEST(ControlsKeyedText, OutputStopsAtTheBufferEnd) {
    char out[8];
    std::memset(out, 'Z', sizeof out);
    EXPECT_EQ(FormatKeyedText(out, sizeof out, "abc%sdef", "123456"), 7u);
    EXPECT_STREQ(out, "abc1234");
    EXPECT_EQ(FormatKeyedText(out, sizeof out, "%20d", 5), 7u);
    EXPECT_STREQ(out, "       ");
    EXPECT_EQ(FormatKeyedText(out, 1, "abc", 5), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(FormatKeyedText(nullptr, 0, "abc", 5), 0u);
}
