// What a button looks like, read back pixel by pixel.
#include "button/tests/lumikey_test_util.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

using namespace lktest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDarkGrey = RGB(0x40, 0x40, 0x40);

struct Colors {
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF text = GetSysColor(COLOR_BTNTEXT);
    COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
};

class LumikeyPaint : public testing::Test {
protected:
    void SetUp() override {
        // The checks below tell the colours apart.
        const std::set<COLORREF> distinct{c.face, c.shadow, c.highlight, c.frame, kRed, kBlue, kUnpainted};
        ASSERT_EQ(distinct.size(), 7u);
        ASSERT_NE(c.text, kDarkGrey);
        ASSERT_NE(c.text, kWhite);
    }

    Window Button(ButtonLook look) { return CreateButton(parent.Get(), look); }

    const Colors c;
    TestParent parent;
};

struct PixelCheck {
    int x;
    int y;
    COLORREF clr;
};

void ExpectPixels(const Image& image, const std::vector<PixelCheck>& checks) {
    for (const PixelCheck& p : checks) EXPECT_EQ(image.At(p.x, p.y), p.clr) << "at (" << p.x << ", " << p.y << ")";
}

// True when every pixel of the rectangle has the colour.
bool Filled(const Image& image, const RECT& rc, COLORREF clr) {
    return image.CountColor(clr, rc) == (rc.right - rc.left) * (rc.bottom - rc.top);
}

RECT Whole(const Image& image) { return RECT{0, 0, image.cx, image.cy}; }

// The pixels a button paints: all but the corners, which show whatever lay there before.
std::vector<std::uint32_t> Painted(const Image& image) {
    std::vector<std::uint32_t> bits = image.bits;
    const size_t last = bits.size() - 1;
    const size_t width = static_cast<size_t>(image.cx);
    for (size_t i : {size_t{0}, width - 1, last - (width - 1), last}) bits[i] = 0;
    return bits;
}

}  // namespace

TEST_F(LumikeyPaint, RaisedButtonHasFrameFaceAndDoubleShadow) {
    Window button = Button({"", nullptr, 0, 40, 30});
    const Image image = Render(button.Get());
    ASSERT_EQ(image.cx, 40);
    ExpectPixels(image, {
                            // corners stay unpainted
                            {0, 0, kUnpainted},
                            {39, 0, kUnpainted},
                            {0, 29, kUnpainted},
                            {39, 29, kUnpainted},
                            // frame
                            {1, 0, c.frame},
                            {38, 0, c.frame},
                            {1, 29, c.frame},
                            {38, 29, c.frame},
                            {0, 1, c.frame},
                            {0, 28, c.frame},
                            {39, 1, c.frame},
                            {39, 28, c.frame},
                            // highlight left and top, stopping short of the shadows
                            {1, 1, c.highlight},
                            {1, 27, c.highlight},
                            {37, 1, c.highlight},
                            // outer shadow right and bottom
                            {38, 1, c.shadow},
                            {38, 28, c.shadow},
                            {1, 28, c.shadow},
                            // inner shadow right and bottom
                            {37, 2, c.shadow},
                            {37, 27, c.shadow},
                            {2, 27, c.shadow},
                            {36, 27, c.shadow},
                            // face
                            {2, 2, c.face},
                            {36, 2, c.face},
                            {2, 26, c.face},
                            {20, 15, c.face},
                            {36, 26, c.face},
                        });
}

TEST_F(LumikeyPaint, SunkenWhenPressedInsideOrChecked) {
    struct Case {
        const char* name;
        std::vector<std::pair<UINT, LPARAM>> messages;
        bool fSunken;
    };
    const Case cases[] = {
        {"idle", {}, false},
        {"pressed inside", {{WM_LBUTTONDOWN, Point(5, 5)}}, true},
        {"pressed and dragged out", {{WM_LBUTTONDOWN, Point(5, 5)}, {WM_MOUSEMOVE, Point(50, 5)}}, false},
        {"space bar down", {{WM_KEYDOWN, 0}}, true},
        {"checked", {{BM_SETCHECK, 0}}, true},
        {"checked and dragged out",
         {{BM_SETCHECK, 0}, {WM_LBUTTONDOWN, Point(5, 5)}, {WM_MOUSEMOVE, Point(50, 5)}},
         true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Window button = Button({"", nullptr, 0, 40, 30});
        for (const auto& [msg, lParam] : k.messages)
            SendMessageA(button.Get(), msg,
                         msg == WM_KEYDOWN    ? VK_SPACE
                         : msg == BM_SETCHECK ? BST_CHECKED
                                              : 0,
                         lParam);
        SetFocus(parent.Get());  // keep the focus rectangle off the edges under test
        const Image image = Render(button.Get());
        if (k.fSunken) {
            ExpectPixels(image, {{1, 1, c.shadow},
                                 {1, 28, c.shadow},
                                 {38, 1, c.shadow},
                                 {2, 2, c.face},
                                 {38, 5, c.face},
                                 {37, 5, c.face},
                                 {20, 28, c.face},
                                 {20, 27, c.face}});
        } else {
            ExpectPixels(image, {{1, 5, c.highlight},
                                 {5, 1, c.highlight},
                                 {38, 5, c.shadow},
                                 {37, 5, c.shadow},
                                 {20, 28, c.shadow},
                                 {20, 27, c.shadow}});
        }
        ExpectPixels(image, {{0, 0, kUnpainted}, {1, 0, c.frame}, {0, 1, c.frame}, {39, 28, c.frame}});
        SendMessageA(button.Get(), WM_CANCELMODE, 0, 0);
    }
}

TEST_F(LumikeyPaint, BitmapIsCentredAndShiftsWhenSunken) {
    struct Case {
        int cx, cy, cxBitmap, cyBitmap;
        bool fSunken;
        int xExpected, yExpected;
    };
    const Case cases[] = {
        {41, 31, 10, 6, false, 15, 12}, {41, 31, 10, 6, true, 16, 13}, {40, 40, 16, 15, false, 11, 12},
        {40, 40, 7, 7, false, 16, 16},  {40, 40, 7, 7, true, 17, 17},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.cx << "x" << k.cy << " bitmap " << k.cxBitmap << "x" << k.cyBitmap
                                        << (k.fSunken ? " sunken" : " raised"));
        Window button = Button({"", nullptr, 0, k.cx, k.cy});
        Bitmap bitmap = MakeSolidBitmap(k.cxBitmap, k.cyBitmap, kRed);
        LKSetEnableBitmap(button.Get(), bitmap.Get());
        if (k.fSunken) SendMessageA(button.Get(), BM_SETCHECK, BST_CHECKED, 0);
        const Image image = Render(button.Get());
        const RECT rcBitmap{k.xExpected, k.yExpected, k.xExpected + k.cxBitmap, k.yExpected + k.cyBitmap};
        EXPECT_TRUE(Filled(image, rcBitmap, kRed));
        EXPECT_EQ(image.CountColor(kRed, Whole(image)), k.cxBitmap * k.cyBitmap);
    }
}

TEST_F(LumikeyPaint, StyleBitsChooseBitmapAndCaption) {
    struct Case {
        const char* name;
        DWORD style;
        bool fBitmap;
        bool fCaption;
    };
    const Case cases[] = {
        {"both", 0, true, true},
        {"caption only", LKS_TEXTONLY, false, true},
        {"bitmap only", LKS_BITMAPONLY, true, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Window button = Button({"HH", nullptr, k.style, 60, 40});
        Bitmap bitmap = MakeSolidBitmap(6, 6, kRed);
        LKSetEnableBitmap(button.Get(), bitmap.Get());
        const Image image = Render(button.Get());
        EXPECT_EQ(image.CountColor(kRed, Whole(image)) == 36, k.fBitmap);
        // The caption sits in the bottom strip, or across the whole face for caption-only buttons.
        const RECT rcStrip{1, 40 - 15, 58, 38};
        const RECT rcTop{1, 1, 58, 40 - 15};
        EXPECT_EQ(image.CountColor(c.text, rcStrip) > 0, k.fCaption && !(k.style & LKS_TEXTONLY));
        EXPECT_EQ(image.CountColor(c.text, rcTop) > 0, (k.style & LKS_TEXTONLY) != 0);
    }
}

TEST_F(LumikeyPaint, DisabledButtonShowsItsDisabledBitmap) {
    Window button = Button({"", nullptr, 0, 40, 40});
    Bitmap enabled = MakeSolidBitmap(8, 8, kRed);
    Bitmap disabled = MakeSolidBitmap(8, 8, kBlue);
    LKSetBitmaps(button.Get(), enabled.Get(), disabled.Get());
    EnableWindow(button.Get(), FALSE);
    const Image image = Render(button.Get());
    EXPECT_TRUE(Filled(image, RECT{15, 15, 23, 23}, kBlue));
    EXPECT_EQ(image.CountColor(kRed, Whole(image)), 0);
}

TEST_F(LumikeyPaint, DisabledButtonWithoutDisabledBitmapEmbossesTheGlyph) {
    // 16 x 15 glyphs: the left half background (face or highlight colour), the right half red ink.
    for (const COLORREF clrBackground : {c.face, c.highlight}) {
        SCOPED_TRACE(testing::Message() << "background " << std::hex << clrBackground);
        Window button = Button({"", nullptr, 0, 40, 40});
        Bitmap glyph = MakeSplitBitmap(16, 15, clrBackground, kRed);
        LKSetEnableBitmap(button.Get(), glyph.Get());
        const Image enabledImage = Render(button.Get());
        EnableWindow(button.Get(), FALSE);
        const Image image = Render(button.Get());

        EXPECT_NE(image.bits, enabledImage.bits);
        EXPECT_EQ(image.CountColor(kRed, Whole(image)), 0);
        // Ink at glyph (8..15, 0..14) lands in the mask at (10..17, 2..16): shadow at +1, highlight at +2.
        EXPECT_TRUE(Filled(image, RECT{11, 3, 19, 18}, c.shadow));
        EXPECT_TRUE(Filled(image, RECT{19, 4, 20, 19}, c.highlight));
        EXPECT_TRUE(Filled(image, RECT{12, 18, 20, 19}, c.highlight));
        // The background half leaves the face untouched, as does everything past the glyph.
        EXPECT_TRUE(Filled(image, RECT{2, 2, 11, 18}, c.face));
        EXPECT_TRUE(Filled(image, RECT{20, 3, 36, 36}, c.face));
        EXPECT_EQ(image.At(11, 2), c.face);
    }
}

TEST_F(LumikeyPaint, EmbossTakesOnlyTheTopLeftOfALargeGlyph) {
    Window button = Button({"", nullptr, 0, 50, 50});
    Bitmap glyph = MakeSolidBitmap(30, 30, kRed);
    LKSetEnableBitmap(button.Get(), glyph.Get());
    EnableWindow(button.Get(), FALSE);
    const Image image = Render(button.Get());
    EXPECT_TRUE(Filled(image, RECT{3, 3, 19, 18}, c.shadow));
    EXPECT_TRUE(Filled(image, RECT{20, 5, 46, 46}, c.face));
    EXPECT_EQ(image.CountColor(kRed, Whole(image)), 0);
}

TEST_F(LumikeyPaint, DisabledCaptionIsEtched) {
    Window button = Button({"HHHH", nullptr, 0, 60, 40});
    const RECT rcStrip{2, 40 - 15, 57, 37};  // inside the frame and the edges
    const Image enabledImage = Render(button.Get());
    EXPECT_GT(enabledImage.CountColor(c.text, rcStrip), 0);
    EXPECT_EQ(enabledImage.CountColor(kDarkGrey, rcStrip), 0);

    EnableWindow(button.Get(), FALSE);
    const Image image = Render(button.Get());
    EXPECT_EQ(image.CountColor(c.text, rcStrip), 0);
    EXPECT_GT(image.CountColor(kDarkGrey, rcStrip), 0);
    // The white copy sits one pixel right of the grey one.
    int nEtched = 0;
    for (int y = rcStrip.top; y < rcStrip.bottom; ++y)
        for (int x = rcStrip.left; x < rcStrip.right; ++x)
            nEtched += image.At(x, y) == kDarkGrey && image.At(x + 1, y) == kWhite ? 1 : 0;
    EXPECT_GT(nEtched, 0);
}

TEST_F(LumikeyPaint, FocusRectangleOutlinesTheContent) {
    struct Case {
        const char* name;
        DWORD style;
        bool fChecked;
        RECT rcFocus;
    };
    // 40 x 30 buttons; the rectangle is inside the frame, above the caption strip's bottom line.
    const Case cases[] = {
        {"with caption", 0, false, {2, 1, 37, 27}},
        {"bitmap only", LKS_BITMAPONLY, false, {2, 2, 37, 27}},
        {"with caption, sunken", 0, true, {3, 2, 38, 28}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Window button = Button({"", nullptr, k.style, 40, 30});
        SendMessageA(button.Get(), BM_SETCHECK, k.fChecked ? BST_CHECKED : BST_UNCHECKED, 0);
        SetFocus(button.Get());
        const Image focused = Render(button.Get());
        SetFocus(parent.Get());
        const Image unfocused = Render(button.Get());

        const RECT& r = k.rcFocus;
        int nLeft = 0, nRight = 0, nTop = 0, nBottom = 0, nStray = 0;
        for (int y = 0; y < focused.cy; ++y) {
            for (int x = 0; x < focused.cx; ++x) {
                if (focused.At(x, y) == unfocused.At(x, y)) continue;
                const bool fInside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                nLeft += fInside && x == r.left;
                nRight += fInside && x == r.right - 1;
                nTop += fInside && y == r.top;
                nBottom += fInside && y == r.bottom - 1;
                nStray += !fInside || (x != r.left && x != r.right - 1 && y != r.top && y != r.bottom - 1);
            }
        }
        EXPECT_GT(nLeft, 0);
        EXPECT_GT(nRight, 0);
        EXPECT_GT(nTop, 0);
        EXPECT_GT(nBottom, 0);
        EXPECT_EQ(nStray, 0);
    }
}

TEST_F(LumikeyPaint, ColorChangeKeepsDrawingInTheSystemColours) {
    Window button = Button({"", nullptr, 0, 40, 30});
    EXPECT_EQ(LKColorChange(), TRUE);
    EXPECT_EQ(LKColorChange(), TRUE);
    const Image image = Render(button.Get());
    ExpectPixels(image, {{1, 0, c.frame}, {1, 1, c.highlight}, {38, 5, c.shadow}, {20, 15, c.face}});
}

// On screen: every state change shows at once, drawn exactly as WM_PRINTCLIENT draws it.
TEST_F(LumikeyPaint, StateChangesRepaintAtOnce) {
    struct Case {
        const char* name;
        std::function<void(HWND)> act;
    };
    const Case cases[] = {
        {"press", [](HWND b) { SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5)); }},
        {"drag out",
         [](HWND b) {
             SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
             UpdateWindow(GetParent(b));
             SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, Point(80, 5));
         }},
        {"space bar", [](HWND b) { SendMessageA(b, WM_KEYDOWN, VK_SPACE, 1); }},
        {"check", [](HWND b) { SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0); }},
        {"disable", [](HWND b) { EnableWindow(b, FALSE); }},
        {"focus", [](HWND b) { SetFocus(b); }},
        {"caption", [](HWND b) { SetWindowTextA(b, "Go"); }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Window button = Button({"Stop", nullptr, 0, 60, 40});
        Bitmap bitmap = MakeSplitBitmap(16, 15, kRed, kBlue);
        LKSetEnableBitmap(button.Get(), bitmap.Get());
        UpdateWindow(parent.Get());
        UpdateWindow(button.Get());
        const Image before = Capture(button.Get());
        ASSERT_EQ(Painted(before), Painted(Render(button.Get())));

        k.act(button.Get());
        EXPECT_FALSE(GetUpdateRect(button.Get(), nullptr, FALSE));
        const Image after = Capture(button.Get());
        EXPECT_NE(Painted(after), Painted(before));
        EXPECT_EQ(Painted(after), Painted(Render(button.Get())));
        SendMessageA(button.Get(), WM_CANCELMODE, 0, 0);
    }
}
