// The drawing port: lazy pens and fonts, dots, colours and the Escape check.
#include "graph/render/drawing_port.h"

#include <gtest/gtest.h>

#include <string>

#include "controls/tests/render_test_support.h"
#include "common/color.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);

stColor16 Color16(COLORREF c) { return stColor16{GetRValue(c), GetGValue(c), GetBValue(c)}; }

size_t PolylineCount(const std::vector<stMetaRecord>& recs) {
    return RecordsOf(recs, EMR_POLYLINE).size() + RecordsOf(recs, EMR_POLYLINE16).size();
}

// The pens the port created, in order.
std::vector<LOGPEN> CreatedPens(const std::vector<stMetaRecord>& recs) {
    std::vector<LOGPEN> pens;
    for (const stMetaRecord* r : RecordsOf(recs, EMR_CREATEPEN)) pens.push_back(r->As<EMRCREATEPEN>()->lopn);
    return pens;
}

// Counts pen-coloured and white pixels along a row segment [x0, x1).
void CountRow(const CDibSurface& s, int y, int x0, int x1, COLORREF ink, int* inked, int* white) {
    *inked = *white = 0;
    for (int x = x0; x < x1; ++x) {
        COLORREF c = s.At(x, y);
        *inked += c == ink;
        *white += c == kWhite;
    }
}

TEST(DrawingPortPen, UntouchedPortDrawsWithTheContextsPenAndDeletesNothing) {
    CDibSurface s(64, 32);
    ASSERT_TRUE(s.Ok());
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ before = SelectObject(s.Dc(), red);
    {
        CPortDC holder(s.Dc());
        EXPECT_EQ(holder.GetDC(), s.Dc());
        CDrawPort port(&holder);
        port.MoveTo(2, 5);
        port.LineTo(40, 5, 1);
        EXPECT_EQ(port.CurrentX(), 40);
        EXPECT_EQ(GetCurrentObject(s.Dc(), OBJ_PEN), red);
        port.ReleaseObjects();
        EXPECT_EQ(GetCurrentObject(s.Dc(), OBJ_PEN), red);
    }
    int inked, white;
    CountRow(s, 5, 2, 40, kRed, &inked, &white);
    EXPECT_EQ(inked, 38);
    EXPECT_EQ(s.At(40, 5), kWhite);  // the end point is not drawn
    EXPECT_EQ(GetObjectType(red), static_cast<DWORD>(OBJ_PEN));
    SelectObject(s.Dc(), before);
    DeleteObject(red);

    CMetaRecorder m;
    ASSERT_NE(m.Dc(), nullptr);
    {
        CPortDC holder(m.Dc());
        CDrawPort port(&holder);
        port.MoveTo(0, 0);
        port.LineTo(10, 10, 1);
        port.ReleaseObjects();
    }
    auto recs = m.Finish();
    EXPECT_EQ(PolylineCount(recs), 1u);
    EXPECT_TRUE(RecordsOf(recs, EMR_CREATEPEN).empty());
    EXPECT_TRUE(RecordsOf(recs, EMR_SELECTOBJECT).empty());
    EXPECT_TRUE(RecordsOf(recs, EMR_DELETEOBJECT).empty());
}

TEST(DrawingPortPen, SettersMakeOnePenAndEachNewPenDeletesThePortsLast) {
    CDibSurface s(64, 32);
    ASSERT_TRUE(s.Ok());
    HPEN own = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ before = SelectObject(s.Dc(), own);
    stColor16 blue = Color16(kBlue), green = Color16(kGreen);
    {
        CPortDC holder(s.Dc());
        CDrawPort port(&holder);
        port.SetPenColor(&blue);
        port.SetPenSize(3, 99);
        port.MoveTo(4, 8);
        port.LineTo(30, 8, 1);
        HGDIOBJ first = GetCurrentObject(s.Dc(), OBJ_PEN);
        EXPECT_NE(first, own);
        port.SetPenColor(&green);
        port.MoveTo(4, 20);
        port.LineTo(30, 20, 1);
        HGDIOBJ second = GetCurrentObject(s.Dc(), OBJ_PEN);
        EXPECT_NE(second, first);
        EXPECT_EQ(GetObjectType(first), 0u);
        port.ReleaseObjects();
        EXPECT_EQ(GetCurrentObject(s.Dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
        EXPECT_EQ(GetObjectType(second), 0u);
    }
    // The context's own pen was replaced, never deleted.
    EXPECT_EQ(GetObjectType(own), static_cast<DWORD>(OBJ_PEN));
    for (int y : {7, 8, 9}) EXPECT_EQ(s.At(15, y), kBlue) << y;
    for (int y : {19, 20, 21}) EXPECT_EQ(s.At(15, y), kGreen) << y;
    EXPECT_EQ(s.At(15, 11), kWhite);
    SelectObject(s.Dc(), before);
    DeleteObject(own);

    CMetaRecorder m;
    {
        CPortDC holder(m.Dc());
        CDrawPort port(&holder);
        port.SetPenColor(&blue);
        port.SetPenSize(3, 0);
        port.LineTo(10, 0, 1);
        port.SetPenColor(&green);
        port.LineTo(20, 0, 1);
        port.ReleaseObjects();
    }
    auto recs = m.Finish();
    auto pens = CreatedPens(recs);
    ASSERT_EQ(pens.size(), 2u);
    EXPECT_EQ(pens[0].lopnColor, kBlue);
    EXPECT_EQ(pens[0].lopnWidth.x, 3);
    EXPECT_EQ(pens[1].lopnColor, kGreen);
    auto selects = RecordsOf(recs, EMR_SELECTOBJECT);
    ASSERT_EQ(selects.size(), 3u);
    EXPECT_EQ(selects[2]->As<EMRSELECTOBJECT>()->ihObject, 0x80000000u | BLACK_PEN);
    auto deletes = RecordsOf(recs, EMR_DELETEOBJECT);
    ASSERT_EQ(deletes.size(), 2u);
    EXPECT_EQ(deletes[0]->As<EMRDELETEOBJECT>()->ihObject,
              RecordsOf(recs, EMR_CREATEPEN)[0]->As<EMRCREATEPEN>()->ihPen);
}

TEST(DrawingPortPen, StyleTakesEffectOnlyWhenAPenIsMadeAndOnlyWhenStyled) {
    stColor16 red = Color16(kRed);
    CMetaRecorder m;
    {
        CPortDC holder(m.Dc());
        CDrawPort port(&holder);
        port.SetPenStyle(PS_DOT);
        port.SetPenColor(&red);
        port.LineTo(10, 0, 1);  // dotted
        port.SetPenStyle(PS_DASH);
        port.LineTo(20, 0, 1);  // no new pen: the style alone is not a change
        port.SetPenSize(1, 0);
        port.LineTo(30, 0, 0);  // unstyled: solid although dashes are stored
        port.SetPenColor(&red);
        port.LineTo(40, 0, 1);  // dashed
        port.SetPenColor(&red);
        port.Line(5, 0);  // relative lines are always solid
    }
    auto pens = CreatedPens(m.Finish());
    ASSERT_EQ(pens.size(), 4u);
    const UINT styles[] = {PS_DOT, PS_SOLID, PS_DASH, PS_SOLID};
    for (size_t i = 0; i < pens.size(); ++i) EXPECT_EQ(pens[i].lopnStyle, styles[i]) << i;

    // On a bitmap, a dotted line leaves gaps where a solid one leaves none.
    CDibSurface s(120, 16);
    ASSERT_TRUE(s.Ok());
    SetBkMode(s.Dc(), TRANSPARENT);
    {
        CPortDC holder(s.Dc());
        CDrawPort port(&holder);
        port.SetPenStyle(PS_DOT);
        port.SetPenColor(&red);
        port.MoveTo(0, 3);
        port.LineTo(100, 3, 1);
        port.SetPenColor(&red);
        port.MoveTo(0, 10);
        port.LineTo(100, 10, 0);
    }
    int inked, white;
    CountRow(s, 3, 0, 100, kRed, &inked, &white);
    EXPECT_GT(inked, 20);
    EXPECT_GT(white, 20);
    EXPECT_EQ(inked + white, 100);
    CountRow(s, 10, 0, 100, kRed, &inked, &white);
    EXPECT_EQ(inked, 100);
}

TEST(DrawingPortDots, AZeroStepIsOnePixelOnlyWithAOnePixelPen) {
    struct Row {
        int32_t width;
        size_t setPixels;
        size_t polylines;
    } const rows[] = {{1, 1, 0}, {2, 0, 1}};
    stColor16 blue = Color16(kBlue);
    for (const Row& r : rows) {
        CMetaRecorder m;
        {
            CPortDC holder(m.Dc());
            CDrawPort port(&holder);
            port.SetPenColor(&blue);
            port.SetPenSize(r.width, 0);
            port.MoveTo(7, 9);
            port.Line(0, 0);
            EXPECT_EQ(port.CurrentX(), 7);
            EXPECT_EQ(port.CurrentY(), 9);
        }
        auto recs = m.Finish();
        auto dots = RecordsOf(recs, EMR_SETPIXELV);
        EXPECT_EQ(dots.size(), r.setPixels) << "width " << r.width;
        EXPECT_EQ(PolylineCount(recs), r.polylines) << "width " << r.width;
        if (!dots.empty()) {
            const EMRSETPIXELV* px = dots[0]->As<EMRSETPIXELV>();
            EXPECT_EQ(px->ptlPixel.x, 7);
            EXPECT_EQ(px->ptlPixel.y, 9);
            EXPECT_EQ(px->crColor, kBlue);
        }
    }

    // Exactly one pixel changes, in the pen colour, even though the context holds another pen.
    CDibSurface s(16, 16);
    ASSERT_TRUE(s.Ok());
    {
        CPortDC holder(s.Dc());
        CDrawPort port(&holder);
        port.SetPenColor(&blue);
        port.MoveTo(5, 6);
        port.Line(0, 0);
        // A non-zero step moves the current point.
        port.Line(3, -2);
        EXPECT_EQ(port.CurrentX(), 8);
        EXPECT_EQ(port.CurrentY(), 4);
    }
    EXPECT_EQ(s.At(5, 6), kBlue);
    EXPECT_EQ(s.At(8, 4), kWhite);
}

TEST(DrawingPortColors, ColoursRoundTripThroughThePackedForm) {
    CDibSurface s(4, 4);
    CPortDC holder(s.Dc());
    CDrawPort port(&holder);
    stColor16 c{};
    port.GetPenColor(&c);
    EXPECT_EQ(c.red + c.green + c.blue, 0);
    port.GetFillColor(&c);
    EXPECT_EQ(c.red, 255);
    EXPECT_EQ(c.green, 255);
    EXPECT_EQ(c.blue, 255);

    struct Row {
        stColor16 in, out;
    } const rows[] = {
        {{255, 128, 1}, {255, 128, 1}},
        {{0, 0, 0}, {0, 0, 0}},
        {{0x1FF, 0x280, 0xFF00}, {0xFF, 0x80, 0x00}},  // only the low byte counts
    };
    for (const Row& r : rows) {
        stColor16 got{};
        port.SetPenColor(&r.in);
        port.GetPenColor(&got);
        EXPECT_EQ(got.red, r.out.red);
        EXPECT_EQ(got.green, r.out.green);
        EXPECT_EQ(got.blue, r.out.blue);
        port.SetFillColor(&r.in);
        port.GetFillColor(&got);
        EXPECT_EQ(got.red, r.out.red);
        EXPECT_EQ(got.green, r.out.green);
        EXPECT_EQ(got.blue, r.out.blue);
    }
    // Patterns are accepted and change nothing.
    const uint8_t pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    port.SetPenPattern(pattern);
    port.SetFillPattern(pattern);
    port.GetPenColor(&c);
    EXPECT_EQ(c.blue, 0);
}

TEST(DrawingPortText, FontIsMadeFromTheStoredAttributesAndTextHonoursItsLength) {
    const stCountedText hello{3, "Hello"};
    CMetaRecorder m;
    {
        CPortDC holder(m.Dc());
        CDrawPort port(&holder);
        port.SetFont("Arial", -16, kFontBold | kFontItalic | kFontUnderline);
        port.MoveTo(10, 12);
        port.DrawString(&hello);
        EXPECT_EQ(port.CurrentX(), 10);
        EXPECT_EQ(port.CurrentY(), 12);
        port.ReleaseObjects();
    }
    auto recs = m.Finish();
    auto fonts = RecordsOf(recs, EMR_EXTCREATEFONTINDIRECTW);
    ASSERT_EQ(fonts.size(), 1u);
    const LOGFONTW& lf = fonts[0]->As<EMREXTCREATEFONTINDIRECTW>()->elfw.elfLogFont;
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfStrikeOut, 0);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfOutPrecision, OUT_TT_PRECIS);
    EXPECT_EQ(lf.lfQuality, DRAFT_QUALITY);
    EXPECT_EQ(lf.lfPitchAndFamily, 4);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"Arial");
    auto texts = RecordsOf(recs, EMR_EXTTEXTOUTW);
    auto textsA = RecordsOf(recs, EMR_EXTTEXTOUTA);
    texts.insert(texts.end(), textsA.begin(), textsA.end());
    ASSERT_EQ(texts.size(), 1u);
    const EMREXTTEXTOUTW* t = texts[0]->As<EMREXTTEXTOUTW>();
    EXPECT_EQ(t->emrtext.nChars, 3u);
    EXPECT_EQ(t->emrtext.ptlReference.x, 10);
    EXPECT_EQ(t->emrtext.ptlReference.y, 12);
    auto deletes = RecordsOf(recs, EMR_DELETEOBJECT);
    EXPECT_EQ(deletes.size(), 1u);

    // The width is measured with the port's font over the counted characters only.
    CDibSurface s(200, 40);
    ASSERT_TRUE(s.Ok());
    CPortDC holder(s.Dc());
    CDrawPort port(&holder);
    port.SetFont("Arial", -24, 0);
    int16_t width = port.StringWidth(&hello);
    SIZE expect{};
    GetTextExtentPoint32A(s.Dc(), "Hel", 3, &expect);
    EXPECT_EQ(width, expect.cx);
    EXPECT_GT(width, 0);
    LOGFONTA used{};
    GetObjectA(GetCurrentObject(s.Dc(), OBJ_FONT), sizeof used, &used);
    EXPECT_EQ(used.lfHeight, -24);
    EXPECT_EQ(used.lfWeight, 400);
    port.ReleaseObjects();
    EXPECT_EQ(GetCurrentObject(s.Dc(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
}

TEST(DrawingPortEscape, TheSecondWordCarriesTheKeyState) {
    struct Row {
        int keyDown;
        uint32_t before;
        int result;
        uint32_t after;
    } const rows[] = {
        {1, 0, 1, kEscapePressed},
        {1, kEscapePressed, 1, kEscapePressed},
        {0, kEscapePressed, 0, 0},
        {0, 0x12345678, 0, 0},
    };
    for (const Row& r : rows) {
        stEscapeCheck st{0xCAFE, r.before};
        EXPECT_EQ(SetEscapeState(&st, r.keyDown), r.result);
        EXPECT_EQ(st.state, r.after);
        EXPECT_EQ(st.reserved, 0xCAFEu);  // the first word is the caller's
    }
    // Nobody holds Escape on the test display: a stale mark is cleared.
    stEscapeCheck st{0, kEscapePressed};
    EXPECT_EQ(CheckEscape(&st), 0);
    EXPECT_EQ(st.state, 0u);
}

}  // namespace
