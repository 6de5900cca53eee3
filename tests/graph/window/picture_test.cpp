// Picture export of a graph window in the running program: Copy Graph sent as the Edit menu
// sends it, the clipboard's enhanced metafile and the saved Windows metafile played into bitmaps,
// and their axes, waveform and marker compared with what the window shows. Also the row
// placement of marker labels and the packed bitmaps of BitmapToDIB.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "tests/shell/shell_fixture.h"
#include "tests/graph/window/one_channel_graph.h"
#include "controls/tests/render_test_support.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_save.h"
#include "graph/render/printing.h"
#include "graph/render/waveforms.h"
#include "graph/view/channel_selection.h"
#include "graph/window/graph_window.h"
#include "documents/markers/markers.h"

namespace {

constexpr double kInterval = 5.0;  // ms per sample
constexpr int kSamples = 1000;
constexpr double kMarkerTime = 400 * kInterval;

bool IsDark(COLORREF c) { return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80; }
bool Near(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) < 40 && std::abs(GetGValue(a) - GetGValue(b)) < 40 &&
           std::abs(GetBValue(a) - GetBValue(b)) < 40;
}

class GraphPicture : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        // One channel at a level of 5 on a +-10 band: a flat line a quarter down the plot, in blue
        // so that a black-and-white picture differs.
        ASSERT_TRUE(SetUpOneChannelGraph(&graph_, &gs_, kSamples, kInterval, [](int) { return 5.0; }, RGB(0, 0, 255),
                                         kMarkerTime));
        InvalidateRect(graph_, nullptr, TRUE);
        UpdateWindow(graph_);
        PumpMessages();
    }
    void TearDown() override { ShutShell(); }

    // Row of the waveform in the window's column x: the first pixel of the channel's colour.
    int WindowWaveRow(int x) {
        HDC dc = GetDC(graph_);
        int row = -1;
        for (int y = gs_->plotRect.top + 1; y < gs_->plotRect.bottom && row < 0; ++y)
            if (Near(GetPixel(dc, x, y), gs_->chanColor[0])) row = y;
        ReleaseDC(graph_, dc);
        return row;
    }
    // Dark pixels in column x of a picture between rows top and bottom.
    static int DarkInColumn(const CDibSurface& s, int x, int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y) n += IsDark(s.At(x, y)) ? 1 : 0;
        return n;
    }
    static int DarkInRect(const CDibSurface& s, const RECT& r) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += IsDark(s.At(x, y)) ? 1 : 0;
        return n;
    }
    // The checks every picture of the graph passes; dy is window row minus picture row.
    void ExpectSameLayout(const CDibSurface& pic, int dy, COLORREF wave) {
        const RECT plot = gs_->plotRect;
        const int mid = (plot.left + plot.right) / 2 + 17;
        const int waveRow = WindowWaveRow(mid);
        ASSERT_GT(waveRow, 0) << "the window shows no waveform";
        // The waveform: its colour in the same column and row, and nowhere far from that row.
        bool found = false;
        for (int y = waveRow - dy - 1; y <= waveRow - dy + 1; ++y) found = found || Near(pic.At(mid, y), wave);
        EXPECT_TRUE(found) << "no waveform at row " << waveRow - dy;
        EXPECT_FALSE(Near(pic.At(mid, (plot.bottom + waveRow) / 2 - dy), wave));
        // The plot's frame: the left edge is a dark line over the plot's height.
        const int plotHeight = plot.bottom - plot.top;
        EXPECT_GT(DarkInColumn(pic, plot.left - 1, plot.top - dy, plot.bottom - dy), plotHeight * 9 / 10);
        // The time axis carries its numbers where the window has them.
        RECT axis = gs_->hAxisRect;
        OffsetRect(&axis, 0, -dy);
        EXPECT_GT(DarkInRect(pic, axis), 20) << "no axis labels";
        // And under them the name of its unit, as the printout has it.
        RECT units{plot.left, axis.bottom + 1, plot.right, gs_->hUnitsRect.bottom - dy};
        EXPECT_GT(DarkInRect(pic, units), 10) << "no unit name under the axis";
        // The marker: a dotted line in its column down the plot, a triangle above the plot.
        const int mx = static_cast<int>(GraphTimeToX(gs_, kMarkerTime));
        const int dots = DarkInColumn(pic, mx, plot.top - dy + 2, plot.bottom - dy);
        EXPECT_GT(dots, plotHeight / 4) << "no marker line at column " << mx;
        EXPECT_LT(DarkInColumn(pic, mx + 25, plot.top - dy + 2, plot.bottom - dy), dots / 2);
        EXPECT_TRUE(IsDark(pic.At(mx, plot.top - dy - 2))) << "no marker triangle";
    }

    // Copy Graph as the Edit menu sends it: a copy of the clipboard's enhanced metafile (null when
    // none came) and its size in the window's screen pixels.
    HENHMETAFILE CopyGraph(int* w, int* h) {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_CLIPBOARD_GRAPH, 0), 0);
        PumpMessages();
        if (!OpenClipboard(nullptr)) return nullptr;
        auto meta = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
        HENHMETAFILE copy = meta ? CopyEnhMetaFileA(meta, nullptr) : nullptr;
        CloseClipboard();
        ENHMETAHEADER head{};
        if (!copy || !GetEnhMetaFileHeader(copy, sizeof head, &head)) return copy;
        HDC screen = GetDC(graph_);
        *w = MulDiv(head.rclFrame.right, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, HORZSIZE) * 100);
        *h = MulDiv(head.rclFrame.bottom, GetDeviceCaps(screen, VERTRES), GetDeviceCaps(screen, VERTSIZE) * 100);
        ReleaseDC(graph_, screen);
        return copy;
    }

    HWND graph_ = nullptr;
    tagGS* gs_ = nullptr;
};

// Copy Graph from the Edit menu in colour and in black and white: the enhanced metafile on the
// clipboard replays to the window's layout, the waveform in the channel colour or in black.
TEST_F(GraphPicture, CopyGraphReplaysTheWindowLayout) {
    struct Case {
        uint32_t colour;
        bool black;
    } cases[] = {{1, false}, {0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colour);
        g_app->options.bClipboardColor = c.colour;
        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_CLIPBOARD_GRAPH, 0), 0);
        PumpMessages();
        ASSERT_TRUE(OpenClipboard(nullptr));
        auto meta = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
        ASSERT_TRUE(meta) << "no enhanced metafile on the clipboard";
        HENHMETAFILE copy = CopyEnhMetaFileA(meta, nullptr);
        CloseClipboard();
        ASSERT_TRUE(copy);
        ENHMETAHEADER head{};
        ASSERT_TRUE(GetEnhMetaFileHeader(copy, sizeof head, &head));
        // The frame is the picture in 0.01 mm of the window's screen: back into its pixels.
        HDC screen = GetDC(graph_);
        const int w = MulDiv(head.rclFrame.right, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, HORZSIZE) * 100);
        const int h = MulDiv(head.rclFrame.bottom, GetDeviceCaps(screen, VERTRES), GetDeviceCaps(screen, VERTSIZE) * 100);
        ReleaseDC(graph_, screen);
        RECT client{};
        GetClientRect(graph_, &client);
        EXPECT_NEAR(w, client.right - GetSystemMetrics(SM_CXVSCROLL), 2);
        CDibSurface pic(w, h);
        ASSERT_TRUE(pic.Ok());
        RECT dest{0, 0, w, h};
        ASSERT_TRUE(PlayEnhMetaFile(pic.Dc(), copy, &dest));
        DeleteEnhMetaFile(copy);
        // The picture ends at the scroll bar: its top is the plot's top less the label room.
        const int room = h - (client.bottom - gs_->plotRect.top - GetSystemMetrics(SM_CYHSCROLL));
        EXPECT_GE(room, g_app->fonts.cyText);
        ExpectSameLayout(pic, gs_->plotRect.top - room, c.black ? RGB(0, 0, 0) : gs_->chanColor[0]);
        // The scale's numbers: in the channel's colour in a colour picture, black otherwise.
        RECT scale = gs_->chanScaleRects[0];
        OffsetRect(&scale, 0, -(gs_->plotRect.top - room));
        int coloured = 0;
        for (int y = scale.top; y < scale.bottom; ++y)
            for (int x = scale.left; x < scale.right; ++x) coloured += Near(pic.At(x, y), gs_->chanColor[0]) ? 1 : 0;
        EXPECT_EQ(coloured > 20, !c.black) << coloured << " scale pixels in the channel's colour";
    }
}

// Copy Graph after a drag across the plot: the picture is only as wide as the selected part and
// starts at the selection's start, the marker inside it moved left with it.
TEST_F(GraphPicture, CopyGraphWithASelectionShowsOnlyTheSelectedPart) {
    g_app->options.bClipboardColor = 1;
    const int x1 = static_cast<int>(GraphTimeToX(gs_, 1000.0)), x2 = static_cast<int>(GraphTimeToX(gs_, 3000.0));
    const int y = (gs_->plotRect.top + gs_->plotRect.bottom) / 2;
    SendMessageA(graph_, WM_COMMAND, MAKEWPARAM(IDC_TOOL_IBEAM, 0), 0);
    SendMessageA(graph_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, y));
    SendMessageA(graph_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x2, y));
    SendMessageA(graph_, WM_LBUTTONUP, 0, MAKELPARAM(x2, y));
    PumpMessages();
    ASSERT_NE(gs_->selStart, gs_->selEnd) << "the drag selected nothing";
    const RECT window = gs_->plotRect;
    const int selWidth = gs_->selX2 - gs_->selX1, skipped = gs_->selX1 - window.left;
    const int markerX = static_cast<int>(GraphTimeToX(gs_, kMarkerTime));
    ASSERT_GT(selWidth, 100);
    ASSERT_TRUE(OpenClipboard(nullptr));
    // The frame before Copy Graph: nothing on the clipboard must pass for the new picture.
    EmptyClipboard();
    CloseClipboard();
    int w = 0, h = 0;
    HENHMETAFILE copy = CopyGraph(&w, &h);
    ASSERT_TRUE(copy);
    ASSERT_GT(w, 0);
    RECT client{};
    GetClientRect(graph_, &client);
    EXPECT_NEAR(w, client.right - GetSystemMetrics(SM_CXVSCROLL) - (window.right - window.left - selWidth), 2);
    CDibSurface pic(w, h);
    ASSERT_TRUE(pic.Ok());
    RECT dest{0, 0, w, h};
    ASSERT_TRUE(PlayEnhMetaFile(pic.Dc(), copy, &dest));
    DeleteEnhMetaFile(copy);
    const int dy = window.top - (h - (client.bottom - window.top - GetSystemMetrics(SM_CYHSCROLL)));
    // The marker at the same distance from the selection's start as in the window.
    const int mx = markerX - skipped;
    EXPECT_GT(DarkInColumn(pic, mx, window.top - dy + 2, window.bottom - dy), (window.bottom - window.top) / 4);
    EXPECT_TRUE(IsDark(pic.At(mx, window.top - dy - 2))) << "no marker triangle at " << mx;
    // The plot's right edge closes the picture's plot where the selection ended.
    const int right = window.left + selWidth;
    EXPECT_GT(DarkInColumn(pic, right, window.top - dy, window.bottom - dy), (window.bottom - window.top) * 9 / 10);
    // The view is the window's again.
    EXPECT_EQ(gs_->plotRect.right, window.right);
    EXPECT_EQ(static_cast<int>(GraphTimeToX(gs_, kMarkerTime)), markerX);
}

// Copy Graph with a segment marker in view: the picture shows it as the marker manager draws it on
// other devices, a diamond just above the plot with its label on the row above it.
TEST_F(GraphPicture, CopyGraphShowsASegmentMarkerAsADiamondWithItsLabel) {
    const double segmentTime = 700 * kInterval;
    ASSERT_TRUE(InsertMarker(gs_, gs_->markers, segmentTime, 1, "Seg", kMarkerAppend));
    const int mx = static_cast<int>(GraphTimeToX(gs_, segmentTime));
    g_app->options.bClipboardColor = 1;
    int w = 0, h = 0;
    HENHMETAFILE copy = CopyGraph(&w, &h);
    ASSERT_TRUE(copy) << "no enhanced metafile on the clipboard";
    ASSERT_GT(w, 0);
    CDibSurface pic(w, h);
    ASSERT_TRUE(pic.Ok());
    RECT dest{0, 0, w, h};
    ASSERT_TRUE(PlayEnhMetaFile(pic.Dc(), copy, &dest));
    DeleteEnhMetaFile(copy);
    RECT client{};
    GetClientRect(graph_, &client);
    const int top = h - (client.bottom - gs_->plotRect.top - GetSystemMetrics(SM_CYHSCROLL));  // the plot's
    const int lineHeight = g_app->fonts.cyText;
    const int half = std::max<int>(1, g_app->fonts.cxText / 2), height = std::max<int>(2, lineHeight / 2) / 2;
    // The outline of the diamond above the plot's frame, its inside left clear.
    const RECT diamond{mx - half - 1, top - 1 - 2 * height, mx + half + 2, top - 1};
    EXPECT_GT(DarkInRect(pic, diamond), 2 * height) << "no diamond above the plot at column " << mx;
    EXPECT_FALSE(IsDark(pic.At(mx, top - 1 - height))) << "the diamond is an outline";
    // Its label on the row above it, from the diamond's left tip.
    const RECT label{mx - half, top - 1 - 2 * height - lineHeight, mx + 40, top - 1 - 2 * height};
    EXPECT_GT(DarkInRect(pic, label), 10) << "no label above the diamond";
}

// The picture file's metafile, saved to disk and read back, shows the same layout.
TEST_F(GraphPicture, MetafileOnDiskShowsTheWindowLayout) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "picture_test_%lu.wmf", GetCurrentProcessId());
    HMETAFILE meta = nullptr;
    RECT picture{};
    ASSERT_EQ(DrawGraphToMetafile(gs_, 1, path, &meta, &picture, 0), 1);
    ASSERT_TRUE(meta);
    DeleteMetaFile(meta);
    HMETAFILE read = GetMetaFileA(path);
    ASSERT_TRUE(read) << "the metafile on disk does not read back";
    CDibSurface pic(picture.right, picture.bottom);
    ASSERT_TRUE(pic.Ok());
    ASSERT_TRUE(PlayMetaFile(pic.Dc(), read));
    DeleteMetaFile(read);
    DeleteFileA(path);
    RECT client{};
    GetClientRect(graph_, &client);
    const int room = picture.bottom - (client.bottom - gs_->plotRect.top - GetSystemMetrics(SM_CYHSCROLL));
    ExpectSameLayout(pic, gs_->plotRect.top - room, gs_->chanColor[0]);
}

// The picture file: the placeable header, then a metafile that plays to the window's layout.
TEST_F(GraphPicture, PictureFileHoldsAPlaceableMetafileOfTheGraph) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "picture_file_%lu.wmf", GetCurrentProcessId());
    ASSERT_TRUE(SaveAsMetafile(gs_, path));
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path, "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    DeleteFileA(path);
    ASSERT_GT(bytes.size(), 22u + sizeof(METAHEADER));
    EXPECT_EQ(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24), 0x9AC6CDD7u);
    HMETAFILE meta = SetMetaFileBitsEx(static_cast<UINT>(bytes.size() - 22), bytes.data() + 22);
    ASSERT_TRUE(meta);
    RECT client{};
    GetClientRect(graph_, &client);
    const int w = client.right - GetSystemMetrics(SM_CXVSCROLL);
    CDibSurface pic(w, client.bottom);
    ASSERT_TRUE(pic.Ok());
    ASSERT_TRUE(PlayMetaFile(pic.Dc(), meta));
    DeleteMetaFile(meta);
    HMETAFILE again = nullptr;
    RECT picture{};
    ASSERT_EQ(DrawGraphToMetafile(gs_, 1, "", &again, &picture, 0), 1);
    DeleteMetaFile(again);
    const int room = picture.bottom - (client.bottom - gs_->plotRect.top - GetSystemMetrics(SM_CYHSCROLL));
    ExpectSameLayout(pic, gs_->plotRect.top - room, gs_->chanColor[0]);
}

// A metafile that cannot be made gives 0.
TEST_F(GraphPicture, MetafileInAMissingFolderFails) {
    HMETAFILE meta = nullptr;
    RECT picture{};
    EXPECT_EQ(DrawGraphToMetafile(gs_, 1, "Z:\\no\\such\\folder\\x.wmf", &meta, &picture, 0), 0);
    EXPECT_EQ(meta, nullptr);
}

// Label rows: first free row from the plot up, else the row that frees soonest, 15 at most.
TEST(MarkerLabelRows, PlacesLabelsOnTheFirstFreeRow) {
    struct Case {
        const char* name;
        std::vector<int32_t> lefts, rights, rows;
        int32_t used;
    } cases[] = {
        {"apart", {0, 50, 100}, {40, 90, 140}, {0, 0, 0}, 1},
        {"overlapping", {0, 10, 20}, {40, 50, 60}, {0, 1, 2}, 3},
        {"first row frees", {0, 10, 45}, {40, 50, 60}, {0, 1, 0}, 2},
        {"touching is not free", {0, 40}, {40, 80}, {0, 1}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int32_t> rows(c.lefts.size(), -1);
        EXPECT_EQ(PlaceMarkerLabelRows(c.lefts.data(), c.rights.data(), static_cast<int32_t>(c.lefts.size()), rows.data()),
                  c.used);
        EXPECT_EQ(rows, c.rows);
    }
    // Seventeen labels over each other: 15 rows, then the rows whose labels end furthest left.
    std::vector<int32_t> lefts(17), rights(17), rows(17);
    for (int i = 0; i < 17; ++i) {
        lefts[i] = i;
        rights[i] = i < 15 ? 1000 - i : 2000;
    }
    EXPECT_EQ(PlaceMarkerLabelRows(lefts.data(), rights.data(), 17, rows.data()), kMaxMarkerRows);
    EXPECT_EQ(rows[15], 14);
    EXPECT_EQ(rows[16], 13);
}

// BitmapToDIB: header, colour table and bits of a known bitmap at the depths a caller asks for.
TEST(BitmapToDIB, PacksHeaderTableAndBits) {
    constexpr int kW = 5, kH = 3;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kW, -kH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(bmp);
    auto* px = static_cast<uint32_t*>(bits);
    for (int i = 0; i < kW * kH; ++i) px[i] = 0xFFFFFF;
    px[0] = 0x000000;  // the top left pixel black
    struct Case {
        WORD bpp;
        DWORD tableEntries;
    } cases[] = {{0, 0}, {1, 2}, {4, 16}, {8, 256}, {24, 0}, {32, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bpp);
        HGLOBAL block = BitmapToDIB(bmp, BI_RGB, c.bpp, nullptr);
        ASSERT_TRUE(block);
        auto* info = static_cast<BITMAPINFO*>(GlobalLock(block));
        const BITMAPINFOHEADER& h = info->bmiHeader;
        const WORD bpp = c.bpp ? c.bpp : 32;
        EXPECT_EQ(h.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(h.biWidth, kW);
        EXPECT_EQ(h.biHeight, kH);
        EXPECT_EQ(h.biBitCount, bpp);
        const DWORD entries = h.biClrUsed ? h.biClrUsed : c.tableEntries;
        const DWORD row = (kW * bpp + 31) / 32 * 4;
        EXPECT_GE(GlobalSize(block), h.biSize + entries * 4 + row * kH);
        // Bottom-up rows: the black pixel is the first of the last row; its neighbour is white.
        const BYTE* img = reinterpret_cast<const BYTE*>(info) + h.biSize + entries * 4;
        const BYTE* top = img + row * (kH - 1);
        auto colourAt = [&](int x) -> uint32_t {
            if (bpp >= 24) {
                const BYTE* p = top + x * (bpp / 8);
                return p[0] | (p[1] << 8) | (p[2] << 16);
            }
            int index = bpp == 8 ? top[x] : bpp == 4 ? (top[x / 2] >> (x % 2 ? 0 : 4)) & 15 : (top[0] >> (7 - x)) & 1;
            const RGBQUAD q = info->bmiColors[index];
            return q.rgbBlue | (q.rgbGreen << 8) | (q.rgbRed << 16);
        };
        EXPECT_EQ(colourAt(0), 0x000000u);
        EXPECT_EQ(colourAt(1), 0xFFFFFFu);
        GlobalUnlock(block);
        GlobalFree(block);
    }
    DeleteObject(bmp);
    EXPECT_EQ(BitmapToDIB(nullptr, BI_RGB, 0, nullptr), nullptr);
}

}  // namespace
