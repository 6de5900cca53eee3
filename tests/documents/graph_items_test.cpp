// Graph items and the standard curve: the graph-item block both ways, colours, positions and dot
// sizes, the least-squares fit against sums taken here, Plot Curve into a document (and the
// question before it replaces channels that hold samples), and the dialogs driven as a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "tests/shell/box_capture.h"
#include "documents/items/graph_items.h"
#include "documents/items/std_curve.h"
#include "documents/stored_blocks.h"
#include "base/app.h"
#include "base/byte_stream.h"
#include "documents/documents_ids.h"

namespace {

// A document with its item list and curve settings, as a new graph has them.
struct ItemDoc : TestDoc {
    ItemDoc() {
        gs->graphItems = NewGraphItemList(gs);
        gs->curveSettings = CopyDefaultCurveSettings();
        gs->xyXChan = 0;
        gs->selectedChan = 0;
    }
    CGraphItemList& Items() { return *gs->graphItems; }
};

Bytes Saved(tagGS* gs) {
    CByteWriter out;
    EXPECT_EQ(GraphItemsSave(gs, out), 1);
    return out.Bytes();
}

// ---- The block ----

TEST(GraphItemBlock, AnEmptyListIsTwelveBytes) {
    ItemDoc d;
    const Bytes expected = {0x22, 0x33, 0x33, 0x22, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Saved(d.gs), expected);
    d.Items().shown = 0;
    EXPECT_EQ(Saved(d.gs)[4], 0);
}

TEST(GraphItemBlock, LinesAndDotsAreWrittenInTheirRecordsAndReadBackAlike) {
    ItemDoc d;
    ASSERT_EQ(d.Items().AddLine(3, "Red", 0.5, -1.0, 2.5, 4.0), 1);
    ASSERT_EQ(d.Items().AddPoint(7, "burgundy", 10.0, 0.25), 1);
    const Bytes b = Saved(d.gs);
    ASSERT_EQ(b.size(), 12u + 41u + 25u);
    EXPECT_EQ(GetLeI32(&b[8]), 1);
    EXPECT_EQ(b[12], 'L');
    EXPECT_EQ(GetLeI32(&b[13]), 3);
    EXPECT_EQ(GetLeU32(&b[17]), 0x0000FFu);
    EXPECT_EQ(GetLeF64(&b[21]), 0.5);
    EXPECT_EQ(GetLeF64(&b[45]), 4.0);
    EXPECT_EQ(b[53], 'D');
    EXPECT_EQ(GetLeI32(&b[54]), 7);
    EXPECT_EQ(GetLeU32(&b[58]), 0x800080u);
    EXPECT_EQ(GetLeF64(&b[62]), 10.0);
    EXPECT_EQ(GetLeF64(&b[70]), 0.25);

    ItemDoc e;
    e.Items().AddPoint(1, "WHITE", 0, 0);  // replaced by what the block holds
    CByteReader in(b.data(), b.size());
    ASSERT_EQ(GraphItemsLoad(e.gs, in), kBlockRead);
    EXPECT_EQ(in.Tell(), b.size());
    ASSERT_EQ(e.Items().Count(), 2);
    EXPECT_EQ(e.Items().At(0)->list, &e.Items());
    EXPECT_EQ(Saved(e.gs), b);
}

// Damage is reported as such (kBlockCut), so that the file's reader can tell the user.
TEST(GraphItemBlock, DamagedBlocksKeepTheItemsBeforeTheDamage) {
    const Bytes sound = GraphItemsBlock();  // a line, then a dot
    struct Case {
        const char* what;
        Bytes block;
        int result;
        int items;
        size_t at;  // where the reader stands after
    };
    Bytes unknown = sound;
    unknown[12 + 41] = 'Q';
    Bytes cut = sound;
    cut.resize(12 + 41 + 10);
    Bytes fewer = sound;
    PutLeU32(&fewer[8], 0);
    Bytes more = sound;
    PutLeU32(&more[8], 5);
    Bytes badCount = sound;
    PutLeU32(&badCount[8], 0xFFFFFFFEu);
    Bytes other = sound;
    other[0] = 0x23;
    const Case cases[] = {
        {"sound", sound, kBlockRead, 2, sound.size()},
        {"an unknown kind", unknown, kBlockCut, 1, 12 + 41},
        {"a record cut short", cut, kBlockCut, 1, 12 + 41},
        {"a count of one", fewer, kBlockRead, 1, 12 + 41},
        {"a count past the records", more, kBlockCut, 2, sound.size()},
        {"a count below -1", badCount, kBlockDamaged, 0, 0},
        {"another tag", other, kBlockAbsent, 0, 0},
        {"nothing", Bytes{}, kBlockAbsent, 0, 0},
    };
    for (const Case& c : cases) {
        ItemDoc d;
        CByteReader in(c.block.data(), c.block.size());
        EXPECT_EQ(GraphItemsLoad(d.gs, in), c.result) << c.what;
        EXPECT_EQ(d.Items().Count(), c.items) << c.what;
        EXPECT_EQ(in.Tell(), c.at) << c.what;
    }
}

TEST(GraphItemBlock, AGraphFileCarriesItsItemsThroughAReadAndAWrite) {
    TestDoc d;
    const Bytes file = BuildAcq(RichRecipe());
    ASSERT_EQ(ReadGraphBuffer(d.gs, file.data(), file.size(), nullptr), 1);
    ASSERT_TRUE(d.gs->graphItems);
    ASSERT_EQ(d.gs->graphItems->Count(), 2);
    const auto* dot = dynamic_cast<const CGraphPoint*>(d.gs->graphItems->At(1));
    ASSERT_TRUE(dot);
    EXPECT_EQ(dot->x, 4.0);
    EXPECT_EQ(dot->pen.lopnWidth.x, 7);
    d.gs->graphItems->AddPoint(5, "CYAN", -1.0, 2.0);
    CByteWriter out;
    ASSERT_EQ(WriteGraphStream(d.gs, out, kWriteWhole, 0), 1);
    TestDoc e;
    ASSERT_EQ(ReadGraphBuffer(e.gs, out.Bytes().data(), out.Bytes().size(), nullptr), 1);
    ASSERT_EQ(e.gs->graphItems->Count(), 3);
    const auto* added = dynamic_cast<const CGraphPoint*>(e.gs->graphItems->At(2));
    ASSERT_TRUE(added);
    EXPECT_EQ(added->pen.lopnColor, 0xFFFF00u);
    EXPECT_EQ(added->y, 2.0);
}

// ---- Colours, positions, sizes ----

TEST(GraphItemLook, ColourNamesAnyCaseAndUnknownNamesAreBlack) {
    const struct {
        const char* name;
        COLORREF colour;
    } cases[] = {{"BLACK", 0x000000}, {"red", 0x0000FF},   {"Green", 0x008000},    {"BLUE", 0xFF0000},
                 {"cyan", 0xFFFF00},  {"MaGeNtA", 0xFF00FF}, {"BURGUNDY", 0x800080}, {"white", 0xFFFFFF},
                 {"ORANGE", 0x000000}, {"", 0x000000},     {"REDD", 0x000000},      {nullptr, 0x000000}};
    for (const auto& c : cases) EXPECT_EQ(ItemColourOf(c.name), c.colour) << (c.name ? c.name : "null");
}

TEST(GraphItemLook, PositionsFollowTheDisplayMappingAndPrintingsShiftAndFactors) {
    const stItemMapping m{40.0, 10.0, 80.0, 110.0, 400};
    const struct {
        double x, y;
        int shift;
        double f1, f2;
        LONG px, py;
    } cases[] = {
        {5.0, 0.5, 0, 1, 1, 210, 70},  {0.0, 0.0, 0, 1, 1, 10, 110},    {-0.1, -0.01, 0, 1, 1, 6, 110},
        {5.0, 0.5, 1, 1, 1, -190, 70}, {5.0, 0.5, 0, 2.0, 1.5, 610, 70}, {2.99, 1.0, 0, 1, 1, 129, 30},
    };
    for (const auto& c : cases) {
        const POINT p = ItemPixel(m, c.x, c.y, c.shift, c.f1, c.f2);
        EXPECT_EQ(p.x, c.px) << c.x << "," << c.y;
        EXPECT_EQ(p.y, c.py) << c.x << "," << c.y;
    }
}

TEST(GraphItemLook, DotsScaleWithThePrintersDensityAndRoundToTheNearestPixel) {
    EXPECT_DOUBLE_EQ(DpiScaleOf(600, 96), 6.25);
    EXPECT_DOUBLE_EQ(DpiScaleOf(96, 96), 1.0);
    EXPECT_DOUBLE_EQ(DpiScaleOf(0, 96), 1.0);
    EXPECT_DOUBLE_EQ(DpiScaleOf(300, 0), 1.0);
    const struct {
        int size;
        double scale;
        int radius;
    } cases[] = {{7, 6.25, 22}, {7, 1.0, 4}, {1, 1.0, 1}, {2, 1.0, 1}, {6, 1.0, 3}, {21, 3.125, 33}};
    for (const auto& c : cases) EXPECT_EQ(DotRadius(c.size, c.scale), c.radius) << c.size << " x " << c.scale;
}

// ---- The fit ----

// Slope and intercept from deviations about the means, a different route from the sums.
void Regression(const std::vector<double>& x, const std::vector<double>& y, double* m, double* b) {
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i) mx += x[i] / x.size(), my += y[i] / y.size();
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < x.size(); ++i) sxy += (x[i] - mx) * (y[i] - my), sxx += (x[i] - mx) * (x[i] - mx);
    *m = sxy / sxx;
    *b = my - *m * mx;
}

TEST(StandardCurveFit, LeastSquaresAgreesWithTheRegressionAboutTheMeans) {
    const std::vector<std::vector<double>> xs = {{1, 2, 3}, {0, 10, 20, 30, 40}, {0.5, 0.7, 2.0, 3.3, 8.1, 9.0}};
    const std::vector<std::vector<double>> ys = {
        {3, 5, 7}, {0.02, 0.19, 0.41, 0.58, 0.83}, {-1.0, -1.3, -4.2, -6.4, -16.5, -17.9}};
    for (size_t k = 0; k < xs.size(); ++k) {
        double m = 0, b = 0, wantM = 0, wantB = 0;
        Regression(xs[k], ys[k], &wantM, &wantB);
        ASSERT_EQ(FitStraightLine(xs[k].data(), ys[k].data(), static_cast<int>(xs[k].size()), &m, &b), 1) << k;
        EXPECT_NEAR(m, wantM, 1e-9 * std::fabs(wantM)) << k;
        EXPECT_NEAR(b, wantB, 1e-9 + 1e-9 * std::fabs(wantB)) << k;
    }
}

TEST(StandardCurveFit, AFlatOrUndefinedLineIsRefused) {
    const struct {
        const char* what;
        std::vector<double> x, y;
    } cases[] = {
        {"two standards with the same X", {2, 2}, {0.1, 0.5}},
        {"every Y the same", {1, 2, 3}, {0.4, 0.4, 0.4}},
        {"one standard", {1}, {1}},
        {"none", {}, {}},
    };
    for (const auto& c : cases) {
        double m = 7, b = 7;
        EXPECT_EQ(FitStraightLine(c.x.data(), c.y.data(), static_cast<int>(c.x.size()), &m, &b), 0) << c.what;
        EXPECT_EQ(m, 7) << c.what;
    }
}

// ---- Plot Curve into a document ----

double At(const tagGS* gs, int slot, int i) { return static_cast<const double*>(gs->chanBlock[slot])[i]; }

// The program record the dialogs and message boxes need: this test program's resources.
class StandardCurve : public ::testing::Test {
protected:
    void Standards(ItemDoc& d, const std::vector<std::pair<double, double>>& xy) {
        for (const auto& p : xy) ASSERT_EQ(d.Items().AddPoint(7, "GREEN", p.first, p.second), 1);
    }
    // Channels 1 and 2 holding a recording of n samples.
    void Recording(ItemDoc& d, uint32_t n) {
        for (int s : {1, 2}) {
            auto* p = static_cast<double*>(GlobalLock(GlobalAlloc(GMEM_MOVEABLE, n * 8)));
            for (uint32_t i = 0; i < n; ++i) p[i] = 100.0 * s + i;
            d.gs->chanBlock[s] = p;
            d.gs->chanCount[s] = n;
            d.gs->chanType[s] = 1;
            d.gs->chanFlags[s] = 2;
        }
        d.gs->totalSamples = static_cast<int32_t>(n);
    }
    TestApp app_;
};

TEST_F(StandardCurve, DefaultSettingsWriteOneHundredAndOneInvertedPointsIntoChannelsOneAndTwo) {
    ItemDoc d;
    Standards(d, {{0, 0.05}, {10, 0.25}, {20, 0.45}});  // y = 0.02 x + 0.05
    BoxCapture boxes;
    ASSERT_EQ(PlotStandardCurve(d.gs, nullptr), 1);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(d.gs->xyXChan, 1u);
    EXPECT_EQ(d.gs->selectedChan, 2u);
    ASSERT_EQ(d.gs->chanCount[1], 101u);
    ASSERT_EQ(d.gs->chanCount[2], 101u);
    EXPECT_EQ(d.gs->chanFlags[1] & kChanSlotMask, 2u);
    EXPECT_EQ(d.gs->totalSamples, 101);
    for (int i = 0; i <= 100; ++i) {
        const double y = i / 100.0;
        EXPECT_NEAR(At(d.gs, 2, i), y, 1e-12) << i;
        EXPECT_NEAR(At(d.gs, 1, i), (y - 0.05) / 0.02, 1e-9) << i;
    }
}

TEST_F(StandardCurve, TheSettingsRangeAndStepsShapeTheCurve) {
    ItemDoc d;
    Standards(d, {{1, 2}, {2, 4}});  // y = 2 x
    *static_cast<stCurveSettings*>(d.gs->curveSettings) = stCurveSettings{2.0, -2.0, 4, 0x008000, 7};
    d.gs->xyXChan = 5;
    d.gs->selectedChan = 7;
    ASSERT_EQ(PlotStandardCurve(d.gs, nullptr), 1);
    const double ys[5] = {2, 1, 0, -1, -2};
    ASSERT_EQ(d.gs->chanCount[7], 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_DOUBLE_EQ(At(d.gs, 7, i), ys[i]);
        EXPECT_DOUBLE_EQ(At(d.gs, 5, i), ys[i] / 2);
    }
    EXPECT_EQ(d.gs->chanCount[1], 0u);
}

TEST_F(StandardCurve, ReplacingChannelsThatHoldSamplesAsksFirst) {
    const struct {
        uint16_t warning;
        UINT answer;
        size_t boxes;
        int plotted;
    } cases[] = {{1, IDCANCEL, 1, 0}, {1, IDOK, 1, 1}, {0, IDOK, 0, 1}};
    for (const auto& c : cases) {
        ItemDoc d;
        Recording(d, 500);
        Standards(d, {{1, 1}, {3, 2}});
        d.Items().curveWarning = c.warning;
        BoxCapture boxes;
        boxes.answer = c.answer;
        EXPECT_EQ(PlotStandardCurve(d.gs, nullptr), c.plotted) << c.warning << c.answer;
        ASSERT_EQ(boxes.boxes.size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(boxes.boxes[0].text, "Warning: Previous Standard Curve will be deleted.");
        }
        if (c.plotted) {
            EXPECT_EQ(d.gs->chanCount[1], 101u);
            EXPECT_EQ(d.gs->chanCount[2], 101u);
        } else {
            EXPECT_EQ(d.gs->chanCount[1], 500u);
            EXPECT_EQ(At(d.gs, 2, 499), 699.0);
        }
    }
}

TEST_F(StandardCurve, AFlatLineShowsTheSlopeMessageAndWritesNothing) {
    ItemDoc d;
    Standards(d, {{2, 0.1}, {2, 0.5}});
    BoxCapture boxes;
    EXPECT_EQ(PlotStandardCurve(d.gs, nullptr), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("Error: Using the current data, the Standard Curve would have a slope of 0", 0),
              0u)
        << boxes.boxes[0].text;
    EXPECT_EQ(d.gs->chanCount[1], 0u);
    EXPECT_EQ(d.gs->chanCount[2], 0u);
}

TEST_F(StandardCurve, AddingOrDeletingAStandardWhileACurveExistsAsksAndCancelChangesNothing) {
    ItemDoc d;
    Standards(d, {{1, 1}, {3, 2}});
    ASSERT_EQ(PlotStandardCurve(d.gs, nullptr), 1);
    {
        BoxCapture boxes;
        boxes.answer = IDCANCEL;
        EXPECT_EQ(AddStandard(d.gs, 5, 3, nullptr), 0);
        EXPECT_EQ(DeleteStandard(d.gs, 0, nullptr), 0);
        EXPECT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(d.Items().Count(), 2);
        EXPECT_EQ(d.gs->chanCount[1], 101u);
    }
    BoxCapture boxes;
    ASSERT_EQ(AddStandard(d.gs, 5, 3, nullptr), 1);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(d.gs->chanCount[1], 0u) << "the curve went";
    ASSERT_EQ(d.Items().Count(), 3);
    const CGraphItem* dot = d.Items().At(2);
    EXPECT_EQ(dot->pen.lopnWidth.x, 7);
    EXPECT_EQ(dot->pen.lopnColor, 0x008000u);
    ASSERT_EQ(DeleteStandard(d.gs, 0, nullptr), 1);
    EXPECT_EQ(boxes.boxes.size(), 1u) << "no curve left to ask about";
    ASSERT_EQ(d.Items().Count(), 2);
}

TEST_F(StandardCurve, NewDotSettingsRestyleEveryItemAndANewRangeReplots) {
    ItemDoc d;
    Standards(d, {{1, 1}, {3, 2}});
    ASSERT_EQ(PlotStandardCurve(d.gs, nullptr), 1);
    BoxCapture boxes;
    boxes.answer = IDCANCEL;
    EXPECT_EQ(ApplyCurveSettings(d.gs, stCurveSettings{0, 1, 10, 0xFF0000, 3}, nullptr), 0);
    EXPECT_EQ(static_cast<stCurveSettings*>(d.gs->curveSettings)->samples, 100);
    EXPECT_EQ(d.Items().At(0)->pen.lopnWidth.x, 7);
    boxes.answer = IDOK;
    EXPECT_EQ(ApplyCurveSettings(d.gs, stCurveSettings{0, 1, 10, 0xFF0000, 3}, nullptr), 1);
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(d.gs->chanCount[2], 11u);
    for (int i = 0; i < d.Items().Count(); ++i) {
        EXPECT_EQ(d.Items().At(i)->pen.lopnWidth.x, 3);
        EXPECT_EQ(d.Items().At(i)->pen.lopnColor, 0xFF0000u);
    }
}

// ---- The dialog, as the user drives it ----

void Click(HWND dlg, int id) { SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id))); }

int Rows(HWND dlg) { return static_cast<int>(SendDlgItemMessageA(dlg, IDC_CURVE_LIST, LVM_GETITEMCOUNT, 0, 0)); }

std::string Cell(HWND dlg, int row, int column) {
    char text[64] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendDlgItemMessageA(dlg, IDC_CURVE_LIST, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void Type(HWND dlg, int id, const char* text) {
    SetDlgItemTextA(dlg, id, text);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }

TEST_F(StandardCurve, TheDialogListsStandardsAddsThemAndPlotsTheCurve) {
    ItemDoc d;
    lstrcpyA(d.gs->chanLabel[1], "Glucose");
    lstrcpyA(d.gs->chanLabel[2], "Absorbance");
    lstrcpyA(d.gs->chanUnits[2], "AU");
    d.gs->xyXChan = 1;
    d.gs->selectedChan = 2;
    Standards(d, {{1.5, 0.25}});
    ShowStandardCurveDialog(d.gs);
    HWND dlg = StandardCurveDialogWindow(d.gs);
    ASSERT_TRUE(dlg);
    ShowStandardCurveDialog(d.gs);
    EXPECT_EQ(StandardCurveDialogWindow(d.gs), dlg) << "a second command shows the same dialog";
    char text[64] = "";
    GetDlgItemTextA(dlg, IDC_CURVE_Y_LABEL, text, sizeof text);
    EXPECT_STREQ(text, "Absorbance");
    GetDlgItemTextA(dlg, IDC_CURVE_Y_UNITS, text, sizeof text);
    EXPECT_STREQ(text, "AU");
    GetDlgItemTextA(dlg, IDC_CURVE_X_LABEL, text, sizeof text);
    EXPECT_STREQ(text, "Glucose");
    ASSERT_EQ(Rows(dlg), 1);
    EXPECT_EQ(Cell(dlg, 0, 0), "1.500000");
    EXPECT_EQ(Cell(dlg, 0, 1), "0.250000");
    EXPECT_FALSE(Enabled(dlg, IDC_CURVE_ADD));
    EXPECT_TRUE(Enabled(dlg, IDC_CURVE_DELETE));
    EXPECT_FALSE(Enabled(dlg, IDC_CURVE_PLOT)) << "one standard";

    Type(dlg, IDC_CURVE_Y_EDIT, "0.75");
    EXPECT_FALSE(Enabled(dlg, IDC_CURVE_ADD));
    Type(dlg, IDC_CURVE_X_EDIT, "4.5");
    EXPECT_TRUE(Enabled(dlg, IDC_CURVE_ADD));
    EXPECT_FALSE(Enabled(dlg, IDC_CURVE_PLOT)) << "text in the edits";
    Click(dlg, IDC_CURVE_ADD);
    ASSERT_EQ(Rows(dlg), 2);
    EXPECT_EQ(Cell(dlg, 1, 0), "4.500000");
    EXPECT_EQ(d.Items().Count(), 2);
    EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(dlg, IDC_CURVE_X_EDIT)), 0);
    EXPECT_TRUE(Enabled(dlg, IDC_CURVE_PLOT));

    Click(dlg, IDC_CURVE_PLOT);  // y = x / 6
    ASSERT_EQ(d.gs->chanCount[2], 101u);
    EXPECT_NEAR(At(d.gs, 1, 100), 6.0, 1e-9);

    // Deleting the selected standard asks about the curve; OK deletes both. The capture takes only
    // the program's boxes, not the dialog when it is active again.
    BoxCapture boxes;
    boxes.caption = "Kymora test";
    SendDlgItemMessageA(dlg, IDC_CURVE_LIST, LVM_SETSELECTIONMARK, 0, 0);
    Click(dlg, IDC_CURVE_DELETE);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Warning: Previous Standard Curve will be deleted.");
    ASSERT_EQ(Rows(dlg), 1);
    EXPECT_EQ(Cell(dlg, 0, 0), "4.500000");
    EXPECT_EQ(d.gs->chanCount[2], 0u);

    Click(dlg, IDOK);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(StandardCurveDialogWindow(d.gs), nullptr);
}

TEST_F(StandardCurve, ClosingTheDocumentTakesItsOpenDialogAlong) {
    HWND dlg = nullptr;
    {
        ItemDoc d;
        ShowStandardCurveDialog(d.gs);
        dlg = StandardCurveDialogWindow(d.gs);
        ASSERT_TRUE(IsWindow(dlg));
    }
    EXPECT_FALSE(IsWindow(dlg));
}

}  // namespace
