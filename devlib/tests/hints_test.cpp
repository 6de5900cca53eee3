// The journal's tooltip texts and the shared button bitmaps, on real Lumikey buttons.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "button/lumikey.h"
#include "devlib/services/hints.h"

namespace {

// A visible strip with one Lumikey button per tip text, in order.
class CToolStrip {
public:
    explicit CToolStrip(const std::vector<const char*>& tips) {
        LoadLibraryA("Lumikey.dll");
        strip = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 10, 10, 400, 40, nullptr, nullptr, nullptr,
                                nullptr);
        int x = 0;
        for (const char* tip : tips) {
            HWND b = CreateWindowExA(0, LUMIKEY_CLASSNAME, "B", WS_CHILD | WS_VISIBLE | LKS_TEXTONLY, x, 0, 40, 30,
                                     strip, nullptr, nullptr, const_cast<char*>(tip));
            SendMessageA(b, LKM_SETAUTODELETE, 0, 0);  // the bitmaps belong to the shared object
            buttons.push_back(b);
            x += 45;
        }
        UpdateWindow(strip);
    }
    ~CToolStrip() { DestroyWindow(strip); }
    std::string Tip(size_t i) const { return LumikeyRecord(buttons.at(i))->szTip; }

    HWND strip = nullptr;
    std::vector<HWND> buttons;
};

// Puts an entry back to its untranslated text after a case.
struct TextRestore {
    const char* key;
    ~TextRestore() { m_JnlHintText.SetText(key, key); }
};

TEST(VK40Hints, TranslateAllGivesJournalButtonsTheirTexts) {
    TextRestore restore{"Insert Time"};
    CToolStrip tools({"Insert Time", "Print Journal", "Not a key"});
    ASSERT_NE(LumikeyRecord(tools.buttons[0]), nullptr);

    ASSERT_EQ(m_JnlHintText.SetText("Insert Time", "Zeit einfuegen"), 1);
    m_JnlHintText.TranslateAll(tools.strip);
    EXPECT_EQ(tools.Tip(0), "Zeit einfuegen");
    EXPECT_EQ(tools.Tip(1), "Print Journal");
    EXPECT_EQ(tools.Tip(2), "Not a key");

    m_JnlHintText.TranslateAll(tools.strip);
    EXPECT_EQ(tools.Tip(0), "Zeit einfuegen");
}

TEST(VK40Hints, SetTextReachesAButtonSeenUntranslated) {
    TextRestore restore{"Save Text"};
    CToolStrip tools({"Load Text", "Save Text"});
    m_JnlHintText.TranslateAll(tools.strip);
    EXPECT_EQ(tools.Tip(1), "Save Text");

    std::string longText(80, 'x');
    struct Case {
        const char* key;
        std::string text;
        int expected;
        std::string tip;
    } const cases[] = {
        {"Save Text", "Text sichern", 1, "Text sichern"},
        {"Save Text", longText, 1, std::string(63, 'x')},
        {"Missing key", "ignored", 0, std::string(63, 'x')},
        {"save text", "case differs", 0, std::string(63, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(m_JnlHintText.SetText(c.key, c.text.c_str()), c.expected);
        EXPECT_EQ(tools.Tip(1), c.tip);
        EXPECT_EQ(tools.Tip(0), "Load Text");
    }
}

// A 2 x 2 24-bit bitmap file.
std::string WriteBitmapFile(const char* name) {
    unsigned char bmp[70] = {'B', 'M'};
    auto put32 = [&](int at, uint32_t v) { memcpy(bmp + at, &v, 4); };
    auto put16 = [&](int at, uint16_t v) { memcpy(bmp + at, &v, 2); };
    put32(2, sizeof(bmp));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    put16(26, 1);
    put16(28, 24);
    put32(34, 16);
    for (int i = 54; i < 70; ++i) bmp[i] = static_cast<unsigned char>(i * 7);
    char dir[MAX_PATH];
    GetTempPathA(sizeof(dir), dir);
    std::string path = std::string(dir) + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return "";
    fwrite(bmp, 1, sizeof(bmp), f);
    fclose(f);
    return path;
}

TEST(VK40Hints, LoadNewImageReplacesOnlyOnSuccess) {
    std::string path = WriteBitmapFile("vk40_hints_face.bmp");
    ASSERT_FALSE(path.empty());
    HBITMAP loaded = m_MLBitmap.LoadNewImage(MLBMP_EXTRA, path.c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(m_MLBitmap.Get(MLBMP_EXTRA), loaded);
    BITMAP info = {};
    ASSERT_EQ(GetObjectA(loaded, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, 2);

    EXPECT_EQ(m_MLBitmap.LoadNewImage(MLBMP_EXTRA, "Z:\\no\\such\\face.bmp"), nullptr);
    EXPECT_EQ(m_MLBitmap.Get(MLBMP_EXTRA), loaded);
    EXPECT_EQ(GetObjectA(loaded, sizeof(info), &info), static_cast<int>(sizeof(info)));

    HBITMAP second = m_MLBitmap.LoadNewImage(MLBMP_EXTRA, path.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(m_MLBitmap.Get(MLBMP_EXTRA), second);
    if (second != loaded) {
        EXPECT_EQ(GetObjectA(loaded, sizeof(info), &info), 0);  // the old one was deleted
    }
    DeleteFileA(path.c_str());
}

TEST(VK40Hints, SetBitmapInvalidatesOnlyWhenABitmapWasReplaced) {
    std::string path = WriteBitmapFile("vk40_hints_toggle.bmp");
    ASSERT_FALSE(path.empty());
    ASSERT_NE(m_MLBitmap.LoadNewImage(MLBMP_TOGGLE_ON, path.c_str()), nullptr);
    ASSERT_NE(m_MLBitmap.LoadNewImage(MLBMP_TOGGLE_OFF, path.c_str()), nullptr);
    DeleteFileA(path.c_str());

    CToolStrip tools({"Toggle"});
    HWND button = tools.buttons[0];
    struct Case {
        EMLBITMAP image;
        HBITMAP previous;
        bool invalidated;
    } const cases[] = {
        {MLBMP_TOGGLE_ON, nullptr, false},
        {MLBMP_TOGGLE_OFF, m_MLBitmap.Get(MLBMP_TOGGLE_ON), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        ValidateRect(button, nullptr);
        EXPECT_EQ(m_MLBitmap.SetBitmap(button, c.image, 1), reinterpret_cast<LRESULT>(c.previous));
        EXPECT_EQ(LKGetEnableBitmap(button), m_MLBitmap.Get(c.image));
        EXPECT_EQ(GetUpdateRect(button, nullptr, FALSE) != 0, c.invalidated);
    }

    // As a system button's image.
    HWND push = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_BITMAP, 200, 0, 40, 30, tools.strip,
                                nullptr, nullptr, nullptr);
    ValidateRect(push, nullptr);
    EXPECT_EQ(m_MLBitmap.SetBitmap(push, MLBMP_TOGGLE_ON, 0), 0);
    EXPECT_EQ(reinterpret_cast<HBITMAP>(SendMessageA(push, BM_GETIMAGE, IMAGE_BITMAP, 0)),
              m_MLBitmap.Get(MLBMP_TOGGLE_ON));
    EXPECT_EQ(m_MLBitmap.SetBitmap(push, MLBMP_TOGGLE_OFF, 0),
              reinterpret_cast<LRESULT>(m_MLBitmap.Get(MLBMP_TOGGLE_ON)));
    EXPECT_NE(GetUpdateRect(push, nullptr, FALSE), 0);
}

struct stProbe {
    int x, y;
    COLORREF colour;
};

struct stFaceCase {
    EMLBITMAP image;
    WORD resource;
    int width, height;
    std::vector<stProbe> probes;
};

constexpr COLORREF kFace = RGB(192, 192, 192);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 64, 200);
constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kTrack = RGB(128, 128, 128);
constexpr COLORREF kAmber = RGB(255, 176, 0);

// Start: play and record; running: stop. Play-back: a page with play or stop. Switches: knob
// right on a green track (on), left on grey (off), left with an amber lamp (armed).
const stFaceCase kFaceCases[] = {
    {MLBMP_START_IDLE, 166, 40, 18, {{15, 9, kGreen}, {28, 9, kRed}, {1, 1, kFace}, {38, 16, kFace}}},
    {MLBMP_START_RUNNING, 167, 40, 18, {{20, 9, kRed}, {13, 3, RGB(0, 0, 0)}, {3, 9, kFace}}},
    {MLBMP_PLAYBACK_IDLE, 169, 40, 18, {{7, 4, kPaper}, {23, 9, kBlue}, {36, 1, kFace}}},
    {MLBMP_PLAYBACK_RUNNING, 168, 40, 18, {{7, 4, kPaper}, {25, 9, kBlue}, {36, 1, kFace}}},
    {MLBMP_TOGGLE_ON, 152, 32, 18, {{8, 9, kGreen}, {23, 9, kPaper}, {1, 1, kFace}}},
    {MLBMP_TOGGLE_OFF, 151, 32, 18, {{8, 9, kPaper}, {23, 8, kTrack}, {1, 1, kFace}}},
    {MLBMP_EXTRA, 179, 32, 18, {{8, 9, kPaper}, {23, 9, kAmber}, {27, 6, kTrack}, {1, 1, kFace}}},
};

void ExpectFace(HBITMAP bitmap, const stFaceCase& c) {
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, c.height);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (const stProbe& p : c.probes) EXPECT_EQ(GetPixel(dc, p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
    SelectObject(dc, old);
    DeleteDC(dc);
}

// Every face the shared bitmaps load is in the library's resources, under its own id, and
// reaches its slot.
TEST(VK40Hints, SharedFacesComeFromTheLibrarysResources) {
    HMODULE library = GetModuleHandleA("VK40.dll");
    ASSERT_NE(library, nullptr);
    for (const stFaceCase& c : kFaceCases) {
        SCOPED_TRACE(c.resource);
        auto* bitmap = static_cast<HBITMAP>(
            LoadImageA(library, MAKEINTRESOURCEA(c.resource), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        ExpectFace(bitmap, c);
        if (bitmap) DeleteObject(bitmap);
    }
    // A set of faces of its own: the shared set may hold pictures other cases loaded from files.
    CMLBitmap faces;
    faces.InitFromResource();
    for (const stFaceCase& c : kFaceCases) {
        SCOPED_TRACE(c.image);
        ExpectFace(faces.Get(c.image), c);
    }
}

// A Start button made before anything loaded the shared faces still gets its picture: each slot
// takes its face from the resources when first asked for. A set of faces of its own, nothing
// loaded yet, so the case holds whatever the shared set loaded or replaced before it.
TEST(VK40Hints, EachSharedFaceLoadsWhenFirstAskedFor) {
    CMLBitmap faces;
    for (const stFaceCase& c : kFaceCases) {
        SCOPED_TRACE(c.image);
        ExpectFace(faces.Get(c.image), c);
    }
}

}  // namespace
