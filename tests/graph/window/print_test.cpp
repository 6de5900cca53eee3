// Printing a graph in the running program: the page layout as plain values, the print dialog's
// strip options, and whole jobs printed into a memory page through a replaced device, whose pages
// are read back pixel by pixel: header, plot frame, waveform, time axis and marker where the
// layout puts them; a spooler that fails at each step and a job cancelled from its progress
// dialog leave the program as it was.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include "tests/shell/shell_fixture.h"
#include "tests/graph/window/one_channel_graph.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "controls/tests/render_test_support.h"
#include "base/app.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "graph/document/graph_doc.h"
#include "graph/render/printing.h"
#include "graph/render/waveforms.h"
#include "graph/view/channel_selection.h"
#include "graph/window/graph_window.h"
#include "graph/view/layout.h"
#include "graph/view/display_modes.h"
#include "documents/markers/markers.h"
#include "documents/journal/journal.h"
#include "documents/documents_api.h"
#include <winspool.h>

namespace {

// ---- The page layout as plain values ----

TEST(PrintLayout, StripsShareTheAreaTopToBottom) {
    struct Case {
        RECT area;
        int32_t n, k;
        RECT want;
    } cases[] = {
        {{0, 100, 500, 700}, 1, 0, {0, 100, 500, 700}},
        {{0, 100, 500, 700}, 2, 0, {0, 100, 500, 400}},
        {{0, 100, 500, 700}, 2, 1, {0, 400, 500, 700}},
        {{10, 0, 500, 100}, 3, 2, {10, 66, 500, 99}},  // height / n, integer division
        {{0, 0, 500, 600}, 0, 0, {0, 0, 500, 600}},    // below 1 counts as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " k=" << c.k);
        RECT r = PrintStripRect(c.area, c.n, c.k);
        EXPECT_EQ(r.left, c.want.left);
        EXPECT_EQ(r.top, c.want.top);
        EXPECT_EQ(r.right, c.want.right);
        EXPECT_EQ(r.bottom, c.want.bottom);
    }
}

// Plots per page 2 and fit to 3 pages: six strips of a sixth of the span each.
TEST(PrintLayout, StripsShareTheSpanAcrossPages) {
    const double span = 6000.0;
    EXPECT_DOUBLE_EQ(PrintStripSpan(span, 2, 3), 1000.0);
    EXPECT_DOUBLE_EQ(PrintStripSpan(span, 0, -2), span);
}

TEST(PrintLayout, PlotSitsInsideItsStrip) {
    struct Case {
        RECT strip;
        int32_t room, cyVertical, cxScale, cyAxis;
        RECT want;
    } cases[] = {
        {{0, 0, 1000, 500}, 0, 12, 60, 15, {14, 1, 939, 469}},
        {{0, 500, 1000, 1000}, 18, 12, 60, 15, {14, 519, 939, 969}},
        {{0, 0, 50, 40}, 30, 12, 60, 15, {14, 31, 14, 31}},  // too small: an empty plot, never inverted
    };
    for (const Case& c : cases) {
        RECT r = PrintPlotRect(c.strip, c.room, c.cyVertical, c.cxScale, c.cyAxis);
        EXPECT_EQ(r.left, c.want.left);
        EXPECT_EQ(r.top, c.want.top);
        EXPECT_EQ(r.right, c.want.right);
        EXPECT_EQ(r.bottom, c.want.bottom);
    }
}

TEST(PrintLayout, HeaderStandsOneLineDownAndTheBodyStartsTwoLinesDown) {
    struct Case {
        RECT page;
        int32_t line, rightWidth;
        RECT title, right, body;
    } cases[] = {
        {{0, 0, 2400, 3500}, 40, 700, {0, 40, 1680, 80}, {1700, 40, 2400, 80}, {0, 80, 2400, 3500}},
        {{0, 0, 600, 800}, 15, 300, {0, 15, 280, 30}, {300, 15, 600, 30}, {0, 30, 600, 800}},
        // A right-hand text wider than the page leaves the title no room, not a negative one.
        {{0, 0, 200, 800}, 15, 300, {0, 15, 0, 30}, {0, 15, 200, 30}, {0, 30, 200, 800}},
    };
    for (const Case& c : cases) {
        stPrintHeader h = PlanPrintHeader(c.page, c.line, c.rightWidth);
        const RECT* got[] = {&h.title, &h.right, &h.body};
        const RECT* want[] = {&c.title, &c.right, &c.body};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i]->left, want[i]->left);
            EXPECT_EQ(got[i]->top, want[i]->top);
            EXPECT_EQ(got[i]->right, want[i]->right);
            EXPECT_EQ(got[i]->bottom, want[i]->bottom);
        }
    }
}

TEST(PrintLayout, HeaderAndProgressTexts) {
    SYSTEMTIME when{2026, 3, 0, 5, 14, 7, 9, 0};
    char text[128];
    FormatPrintHeader(text, sizeof text, 3, 3, when);
    EXPECT_STREQ(text, "Page 3 of 3     March 05, 2026 14:07:09");
    // Never more than 59 characters, whatever the numbers.
    when.wMonth = 9;
    FormatPrintHeader(text, sizeof text, 2147483647, 2147483647, when);
    EXPECT_EQ(std::strlen(text), 59u);
    struct Case {
        int32_t page, total;
        const char* want;
    } cases[] = {{0, 3, "Now printing Page 0 of 3"},
                 {2, 6, "Now printing Page 2 of 6"},
                 {4, 0, "Now printing Page 4"},
                 {1, -1, "Now printing Page 1"},
                 {1, 1, "Now printing Page 1 of 1"}};
    for (const Case& c : cases) {
        FormatPrintProgress(text, sizeof text, c.page, c.total);
        EXPECT_STREQ(text, c.want);
    }
}

// ---- Printing into memory ----

constexpr double kInterval = 5.0;  // ms per sample
constexpr int kSamples = 1000;     // 5 s, the whole view
constexpr double kStepTime = 2900.0;
constexpr double kMarkerTime = 2000.0;
constexpr COLORREF kWaveColour = RGB(0, 0, 255);
const char kAppCaption[] = "Norvane Tessaly";


bool IsDark(COLORREF c) { return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80; }
bool IsWave(COLORREF c) { return GetBValue(c) > 180 && GetRValue(c) < 90 && GetGValue(c) < 90; }

// The replaced device: a white memory page; each page the job ends is copied aside. A step can
// be made to fail, and the job can be cancelled from its progress dialog at the end of a page.
struct stMemoryPrinter {
    std::unique_ptr<CDibSurface> surface;
    std::vector<std::unique_ptr<CDibSurface>> pages;
    std::vector<std::string> progress;  // the progress line as each page ended
    std::vector<RECT> plots;            // the last strip's plot as each page ended
    tagGS* graph = nullptr;
    std::string docName;
    DWORD dialogError = 0;
    bool cancelDialog = false;
    bool printerExists = true;  // the system has a printer at all
    int dialogs = 0;            // print dialogs shown
    int copies = 1;
    int failStep = 0;     // 1 StartDoc, 2 StartPage, 3 EndPage, 4 EndDoc
    int cancelAfter = 0;     // the page after which the user presses Cancel
    bool driverAsks = true;  // the page's end calls the abort procedure, as some drivers do
    int startDocs = 0, endDocs = 0, abortDocs = 0, deletes = 0;
    bool frameEnabledDuringJob = true;
    bool printingFlagDuringJob = false;
};
stMemoryPrinter* g_printer = nullptr;

BOOL MemoryDialog(PRINTDLGA* pd, DWORD* error) {
    ++g_printer->dialogs;
    *error = g_printer->dialogError;
    if (g_printer->dialogError || g_printer->cancelDialog) return FALSE;
    pd->hDC = g_printer->surface->Dc();
    pd->nCopies = static_cast<WORD>(g_printer->copies);
    return TRUE;
}
int MemoryStartDoc(HDC, const DOCINFOA* doc) {
    ++g_printer->startDocs;
    g_printer->docName = doc && doc->lpszDocName ? doc->lpszDocName : "";
    return g_printer->failStep == 1 ? SP_ERROR : 1;
}
int MemoryStartPage(HDC dc) {
    PatBlt(dc, 0, 0, g_printer->surface->Width(), g_printer->surface->Height(), WHITENESS);
    g_printer->frameEnabledDuringJob = g_printer->frameEnabledDuringJob && IsWindowEnabled(g_app->hwndFrame);
    g_printer->printingFlagDuringJob = IsPrintingGraph() != 0;
    return g_printer->failStep == 2 ? SP_ERROR : 1;
}
int MemoryEndPage(HDC dc) {
    const int w = g_printer->surface->Width(), h = g_printer->surface->Height();
    auto page = std::make_unique<CDibSurface>(w, h);
    BitBlt(page->Dc(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    g_printer->pages.push_back(std::move(page));
    if (g_printer->graph) g_printer->plots.push_back(g_printer->graph->plotRect);
    char line[64] = "";
    GetDlgItemTextA(PrintProgressWindow(), IDC_PRINT_PAGE, line, sizeof line);
    g_printer->progress.push_back(line);
    if (g_printer->cancelAfter == static_cast<int>(g_printer->pages.size())) {
        // The user's click on Cancel waits in the queue; the spooler's call of the abort
        // procedure hands it to the dialog.
        PostMessageA(GetDlgItem(PrintProgressWindow(), IDCANCEL), BM_CLICK, 0, 0);
        if (g_printer->driverAsks) PrintAbortProc(dc, 0);
    }
    return g_printer->failStep == 3 ? SP_ERROR : 1;
}
int MemoryEndDoc(HDC) {
    ++g_printer->endDocs;
    return g_printer->failStep == 4 ? SP_ERROR : 1;
}
int MemoryAbortDoc(HDC) {
    ++g_printer->abortDocs;
    return 1;
}
BOOL MemoryDelete(HDC) {
    ++g_printer->deletes;
    return TRUE;
}
BOOL MemoryHasPrinter() { return g_printer->printerExists ? TRUE : FALSE; }
const stPrintDevice kMemoryDevice{MemoryDialog,  nullptr,      MemoryStartDoc, MemoryStartPage, MemoryEndPage,
                                  MemoryEndDoc, MemoryAbortDoc, MemoryDelete,  MemoryHasPrinter};

// The plot of one printed strip as the page shows it: the frame found by its lines.
struct stFoundPlot {
    bool found;
    RECT r;
};

class GraphPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        // One channel on a +-10 band: 5 for the first half of the view, -5 after it, so each
        // strip's waveform says which part of the view it shows.
        ASSERT_TRUE(SetUpOneChannelGraph(
            &graph_, &gs_, kSamples, kInterval, [](int i) { return i * kInterval < kStepTime ? 5.0 : -5.0; },
            kWaveColour, kMarkerTime));
        std::snprintf(gs_->title, sizeof gs_->title, "Print test %lu", GetCurrentProcessId());
        SetWindowTextA(graph_, gs_->title);
        InvalidateRect(graph_, nullptr, TRUE);
        UpdateWindow(graph_);
        PumpMessages();

        // A page the size the context reports, as a printer's page would be.
        CDibSurface probe(1, 1);
        pageW_ = GetDeviceCaps(probe.Dc(), HORZRES);
        pageH_ = GetDeviceCaps(probe.Dc(), VERTRES);
        printer_.surface = std::make_unique<CDibSurface>(pageW_, pageH_);
        ASSERT_TRUE(printer_.surface->Ok());
        printer_.graph = gs_;
        g_printer = &printer_;
        SetPrintDevice(&kMemoryDevice);
        SetPrintOptions(1, 1);
    }
    void TearDown() override {
        SetPrintDevice(nullptr);
        SetPrintOptions(1, 1);
        g_printer = nullptr;
        ShutShell();
    }

    // What the document and the program hold, before and after a job.
    struct stState {
        double hStart, hPerDiv, hDivisions;
        RECT plot;
        HFONT text;
        int32_t cyText;
        HBRUSH toolbar;
    };
    stState State() const {
        return {gs_->hStart,
                gs_->hPerDiv,
                gs_->hDivisions,
                gs_->plotRect,
                g_app->fonts.hfontText,
                g_app->fonts.cyText,
                g_app->brushes.hbrToolbar};
    }
    // Prints the graph as File > Print does, with no message box on the way.
    void PrintWithoutMessages() {
        BoxCapture boxes;
        boxes.caption = kAppCaption;
        PrintGraph(graph_, gs_);
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    }
    void ExpectSameState(const stState& before) const {
        EXPECT_DOUBLE_EQ(gs_->hStart, before.hStart);
        EXPECT_DOUBLE_EQ(gs_->hPerDiv, before.hPerDiv);
        EXPECT_DOUBLE_EQ(gs_->hDivisions, before.hDivisions);
        EXPECT_TRUE(EqualRect(&gs_->plotRect, &before.plot)) << "the window's plot is not laid out as before";
        EXPECT_EQ(g_app->fonts.hfontText, before.text) << "the screen font is not back";
        EXPECT_EQ(g_app->fonts.cyText, before.cyText);
        EXPECT_EQ(g_app->brushes.hbrToolbar, before.toolbar);
        EXPECT_TRUE(IsWindowEnabled(g_app->hwndFrame)) << "the frame stays disabled";
        EXPECT_EQ(IsPrintingGraph(), 0);
        EXPECT_EQ(PrintProgressWindow(), nullptr) << "the progress dialog is still there";
        EXPECT_EQ(gs_->chanCount[0], static_cast<uint32_t>(kSamples));
        EXPECT_DOUBLE_EQ(gs_->chanBlock[0] ? static_cast<double*>(gs_->chanBlock[0])[10] : 0.0, 5.0);
    }

    // Dark pixels in a rectangle of a page.
    static int DarkIn(const CDibSurface& s, int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += IsDark(s.At(x, y)) ? 1 : 0;
        return n;
    }
    // The plot frame around row y: its left line is the first dark pixel on that row, its top
    // and bottom the ends of that line, its right line the rightmost column dark from top to
    // bottom (only the plot's frame has lines that long).
    static stFoundPlot FindPlot(const CDibSurface& s, int y) {
        stFoundPlot f{false, {}};
        int left = -1;
        for (int x = 0; x < s.Width() && left < 0; ++x)
            if (IsDark(s.At(x, y))) left = x;
        if (left < 0) return f;
        int top = y, bottom = y;
        while (top > 0 && IsDark(s.At(left, top - 1))) --top;
        while (bottom + 1 < s.Height() && IsDark(s.At(left, bottom + 1))) ++bottom;
        if (bottom - top < 20) return f;
        int right = -1;
        for (int x = s.Width() - 1; x > left && right < 0; --x) {
            int dark = 0;
            for (int row = top; row <= bottom; ++row) dark += IsDark(s.At(x, row)) ? 1 : 0;
            if (dark > (bottom - top) * 9 / 10) right = x;
        }
        if (right < 0) return f;
        f.found = true;
        f.r = RECT{left + 1, top + 1, right, bottom};  // inside the frame lines
        return f;
    }
    // Row of the waveform in column x of a plot, -1 when there is none.
    static int WaveRow(const CDibSurface& s, int x, const RECT& plot) {
        for (int y = plot.top; y < plot.bottom; ++y)
            if (IsWave(s.At(x, y))) return y;
        return -1;
    }

    int pageW_ = 0, pageH_ = 0;
    stMemoryPrinter printer_;
    HWND graph_ = nullptr;
    tagGS* gs_ = nullptr;
};

// One plot on one page: the header line at the top, the plot frame below it, the waveform at a
// quarter of the plot's height before the step and three quarters after it, the time axis under
// the plot, the marker's dotted line and triangle in the marker's column.
TEST_F(GraphPrinting, OnePageShowsHeaderPlotWaveformAxisAndMarker) {
    const stState before = State();
    PrintWithoutMessages();
    ASSERT_EQ(printer_.pages.size(), 1u);
    EXPECT_EQ(printer_.endDocs, 1);
    EXPECT_EQ(printer_.abortDocs, 0);
    EXPECT_EQ(printer_.deletes, 1);
    EXPECT_EQ(printer_.docName, std::string("Norvane Tessaly - ") + std::string(gs_->title).substr(0, 13));
    EXPECT_FALSE(printer_.frameEnabledDuringJob) << "the frame takes commands while the job prints";
    EXPECT_TRUE(printer_.printingFlagDuringJob);
    EXPECT_EQ(printer_.progress.front(), "Now printing Page 1 of 1");
    ExpectSameState(before);

    const CDibSurface& page = *printer_.pages[0];
    SaveArtefact(page, "printed_page");
    const stFoundPlot plot = FindPlot(page, pageH_ / 2);
    ASSERT_TRUE(plot.found) << "no plot frame on the page";
    const RECT& r = plot.r;
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_GT(w, pageW_ * 3 / 4);
    EXPECT_GT(h, pageH_ * 3 / 4);
    // The header: text in the line above the plot, at both ends, nothing in the first line.
    const int line = r.top / 4;
    EXPECT_GT(DarkIn(page, 0, 0, pageW_ / 3, r.top), 20) << "no title in the header";
    EXPECT_GT(DarkIn(page, pageW_ * 2 / 3, 0, pageW_, r.top), 20) << "no page number and date in the header";
    EXPECT_EQ(DarkIn(page, 0, 0, pageW_, line), 0) << "the header is not one line down";
    // The waveform: a quarter down the plot before the step, three quarters after it.
    const int early = r.left + w / 4, late = r.left + w * 4 / 5;
    EXPECT_NEAR(WaveRow(page, early, r), r.top + h / 4, 3);
    EXPECT_NEAR(WaveRow(page, late, r), r.top + h * 3 / 4, 3);
    // The time axis: numbers under the plot.
    EXPECT_GT(DarkIn(page, r.left, r.bottom + 2, r.right, std::min<int>(pageH_, r.bottom + 40)), 30) << "no axis labels";
    // The scale's numbers right of the plot, in the channel's colour on a colour printer.
    int scaleInk = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.right + 2; x < pageW_; ++x) scaleInk += IsWave(page.At(x, y)) ? 1 : 0;
    EXPECT_GT(scaleInk, 30) << "no scale numbers in the channel's colour";
    // The marker two fifths along: its dotted line down the plot, its triangle above it.
    const int mx = r.left + static_cast<int>(w * kMarkerTime / 5000.0);
    int dots = 0, beside = 0;
    for (int dx = -1; dx <= 1; ++dx) dots = std::max(dots, DarkIn(page, mx + dx, r.top + 2, mx + dx + 1, r.bottom));
    beside = DarkIn(page, mx + 30, r.top + 2, mx + 31, r.bottom);
    EXPECT_GT(dots, h / 4) << "no marker line at column " << mx;
    EXPECT_LT(beside, dots / 2);
    EXPECT_GT(DarkIn(page, mx - 3, r.top - 6, mx + 4, r.top - 1), 3) << "no marker triangle";
    EXPECT_GT(DarkIn(page, mx, r.top - 40, mx + 60, r.top - 4), 10) << "no marker label";
}

// Plots per page 2 and fit to 3 pages: three pages of two strips, the six strips showing the
// view in order, and the pages' progress counting up to 3 of 3.
TEST_F(GraphPrinting, TwoPlotsPerPageFitToThreePagesPrintSixConsecutiveStrips) {
    const stState before = State();
    SetPrintOptions(2, 3);
    PrintWithoutMessages();
    ASSERT_EQ(printer_.pages.size(), 3u);
    EXPECT_EQ(printer_.progress[2], "Now printing Page 3 of 3");
    ExpectSameState(before);
    // Each strip shows a sixth of the view, 833 ms: the step at 2900 ms is inside strip 3 (the
    // second page's second strip); strips 0-2 stay high and strips 4-5 low.
    int strip = 0;
    for (size_t p = 0; p < printer_.pages.size(); ++p) {
        const CDibSurface& page = *printer_.pages[p];
        SaveArtefact(page, p == 0 ? "printed_strips_1" : p == 1 ? "printed_strips_2" : "printed_strips_3");
        for (int k = 0; k < 2; ++k, ++strip) {
            SCOPED_TRACE(testing::Message() << "page " << p << " strip " << k);
            const stFoundPlot plot = FindPlot(page, pageH_ / 4 + k * pageH_ / 2);
            ASSERT_TRUE(plot.found);
            const RECT& r = plot.r;
            const int h = r.bottom - r.top, w = r.right - r.left;
            EXPECT_LT(h, pageH_ / 2);
            EXPECT_GT(h, pageH_ / 3);
            const int x = strip == 3 ? r.left + w / 10 : r.left + w / 2;
            const int want = strip <= 3 ? r.top + h / 4 : r.top + h * 3 / 4;
            EXPECT_NEAR(WaveRow(page, x, r), want, 3);
            if (strip == 3) {
                EXPECT_NEAR(WaveRow(page, r.right - w / 10, r), r.top + h * 3 / 4, 3);
            }
        }
    }
}

// Two copies print the same strips twice: the second copy starts again at the view's start.
TEST_F(GraphPrinting, EveryCopyStartsAtTheViewsStart) {
    SetPrintOptions(1, 2);
    printer_.copies = 2;
    PrintGraph(graph_, gs_);
    ASSERT_EQ(printer_.pages.size(), 4u);
    EXPECT_EQ(printer_.progress[3], "Now printing Page 4 of 4");
    for (int p = 0; p < 2; ++p) {
        SCOPED_TRACE(p);
        const stFoundPlot a = FindPlot(*printer_.pages[p], pageH_ / 2), b = FindPlot(*printer_.pages[p + 2], pageH_ / 2);
        ASSERT_TRUE(a.found && b.found);
        const int x = (a.r.left + a.r.right) / 3;
        EXPECT_EQ(WaveRow(*printer_.pages[p], x, a.r), WaveRow(*printer_.pages[p + 2], x, b.r));
    }
    // The first page shows the high part, the second the low part.
    const RECT r0 = FindPlot(*printer_.pages[0], pageH_ / 2).r;
    const RECT r1 = FindPlot(*printer_.pages[1], pageH_ / 2).r;
    EXPECT_LT(WaveRow(*printer_.pages[0], (r0.left + r0.right) / 3, r0), (r0.top + r0.bottom) / 2);
    EXPECT_GT(WaveRow(*printer_.pages[1], (r1.left + r1.right) * 2 / 3, r1), (r1.top + r1.bottom) / 2);
}

// No printer at all, a spooler that fails at any step, and a print dialog that finds no
// printer: "Cannot print" with the graph's title, the job aborted once it had started, and the
// program as it was. Without a printer there is no dialog to choose one in.
TEST_F(GraphPrinting, AFailingPrinterIsReportedAndLeavesTheProgramAsItWas) {
    struct Case {
        const char* name;
        bool printer;
        DWORD dialogError;
        int failStep;
        int dialogs, startDocs, abortDocs, deletes;
    } cases[] = {
        {"no printer at all", false, 0, 0, 0, 0, 0, 0},
        {"no default printer", true, PDERR_NODEFAULTPRN, 0, 1, 0, 0, 0},
        {"StartDoc fails", true, 0, 1, 1, 1, 0, 1},
        {"StartPage fails", true, 0, 2, 1, 1, 1, 1},
        {"EndPage fails", true, 0, 3, 1, 1, 1, 1},
        {"EndDoc fails", true, 0, 4, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        printer_.printerExists = c.printer;
        printer_.dialogError = c.dialogError;
        printer_.failStep = c.failStep;
        printer_.dialogs = printer_.startDocs = printer_.abortDocs = printer_.deletes = printer_.endDocs = 0;
        const stState before = State();
        BoxCapture boxes;
        boxes.caption = kAppCaption;
        PrintGraph(graph_, gs_);
        EXPECT_EQ(printer_.dialogs, c.dialogs);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, std::string("Cannot print ") + gs_->title + "!");
        EXPECT_EQ(printer_.startDocs, c.startDocs);
        EXPECT_EQ(printer_.abortDocs, c.abortDocs);
        EXPECT_EQ(printer_.deletes, c.deletes);
        ExpectSameState(before);
    }
    // The printer works again: the next job prints.
    printer_.printerExists = true;
    printer_.dialogError = 0;
    printer_.failStep = 0;
    printer_.endDocs = 0;
    printer_.pages.clear();
    PrintGraph(graph_, gs_);
    EXPECT_EQ(printer_.pages.size(), 1u);
    EXPECT_EQ(printer_.endDocs, 1);
}

// Cancel in the progress dialog after the first of three pages: that page ended, the job
// aborted, no message; Cancel in the print dialog: no job at all and no message either.
TEST_F(GraphPrinting, CancelEndsTheJobQuietly) {
    SetPrintOptions(1, 3);
    const stState before = State();
    // The driver calls the abort procedure as the page ends, or never does: Cancel counts either way.
    for (bool driverAsks : {true, false}) {
        SCOPED_TRACE(driverAsks);
        printer_ = stMemoryPrinter{};
        printer_.surface = std::make_unique<CDibSurface>(pageW_, pageH_);
        printer_.graph = gs_;
        printer_.cancelAfter = 2;
        printer_.driverAsks = driverAsks;
        PrintWithoutMessages();
        EXPECT_EQ(printer_.pages.size(), 2u);
        EXPECT_EQ(printer_.abortDocs, 1);
        EXPECT_EQ(printer_.endDocs, 0);
        EXPECT_EQ(printer_.deletes, 1);
        EXPECT_EQ(PrintAbortFlag(), 1);
        ExpectSameState(before);
    }

    printer_ = stMemoryPrinter{};
    printer_.surface = std::make_unique<CDibSurface>(pageW_, pageH_);
    printer_.cancelDialog = true;
    PrintWithoutMessages();
    EXPECT_EQ(printer_.startDocs, 0);
    EXPECT_EQ(printer_.deletes, 0);
    ExpectSameState(before);
}

// Printer Setup from the File menu: the set-up form of the dialog, the print block's own flags
// kept; the printer chosen there is the one the next job opens, by its driver, name and port,
// and the progress dialog names it.
std::vector<DWORD> g_askedFlags;
std::string g_openedPrinter;
CDibSurface* g_namedPage = nullptr;
BOOL ChoosePrinterByName(PRINTDLGA* pd, DWORD* error) {
    *error = 0;
    g_askedFlags.push_back(pd->Flags);
    if (pd->Flags & PD_PRINTSETUP) {
        // The dialog hands back the printer's names; the old block is the dialog's to drop.
        const char names[] = "memdrv\0Bench Printer\0MEM7:\0";
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVNAMES) + sizeof names);
        auto* dn = static_cast<DEVNAMES*>(GlobalLock(block));
        std::memcpy(reinterpret_cast<char*>(dn) + sizeof(DEVNAMES), names, sizeof names);
        dn->wDriverOffset = sizeof(DEVNAMES);
        dn->wDeviceOffset = sizeof(DEVNAMES) + 7;
        dn->wOutputOffset = sizeof(DEVNAMES) + 7 + 14;
        GlobalUnlock(block);
        if (pd->hDevNames) GlobalFree(pd->hDevNames);
        pd->hDevNames = block;
    }
    return TRUE;
}
HDC OpenNamedPrinter(const char* driver, const char* device, const char* port, const DEVMODEA*) {
    g_openedPrinter = std::string(driver) + "|" + device + "|" + port;
    return g_namedPage->Dc();
}
std::string g_progressPrinter;
int NamedPrinterEndPage(HDC) {
    char text[128] = "";
    GetDlgItemTextA(PrintProgressWindow(), IDC_PRINT_PRINTER, text, sizeof text);
    g_progressPrinter = text;
    return 1;
}

TEST_F(GraphPrinting, PrinterSetupChoosesThePrinterTheNextJobOpens) {
    g_askedFlags.clear();
    g_openedPrinter.clear();
    g_progressPrinter.clear();
    g_namedPage = printer_.surface.get();
    stPrintDevice device = kMemoryDevice;
    device.printDialog = ChoosePrinterByName;
    device.createDC = OpenNamedPrinter;
    device.endPage = NamedPrinterEndPage;
    SetPrintDevice(&device);
    const DWORD flags = PrintSetupForTests().Flags;
    EXPECT_TRUE(flags & PD_ENABLEPRINTHOOK) << "the print block is the graph's";
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_FILE_PRINTER_SETUP, 0), 0);
    ASSERT_EQ(g_askedFlags.size(), 1u);
    EXPECT_TRUE(g_askedFlags[0] & PD_PRINTSETUP);
    EXPECT_EQ(PrintSetupForTests().Flags, flags);
    ASSERT_TRUE(PrintSetupForTests().hDevNames);
    PrintWithoutMessages();
    ASSERT_EQ(g_askedFlags.size(), 2u);
    EXPECT_FALSE(g_askedFlags[1] & PD_PRINTSETUP);
    EXPECT_TRUE(g_askedFlags[1] & PD_ENABLEPRINTTEMPLATE);
    EXPECT_EQ(g_openedPrinter, "memdrv|Bench Printer|MEM7:");
    EXPECT_EQ(g_progressPrinter, "Bench Printer on MEM7:");
    EXPECT_EQ(printer_.endDocs, 1);
    g_namedPage = nullptr;
}

// Printer Setup with no printer to set up says so, in the program's title, whether the system
// has no printer at all or the dialog finds none; a cancelled dialog says nothing.
TEST_F(GraphPrinting, PrinterSetupWithoutAPrinterSaysThereIsNone) {
    const struct {
        const char* name;
        bool printer;
        DWORD dialogError;
        bool cancel;
        int dialogs;
        bool told;
    } cases[] = {
        {"no printer at all", false, 0, false, 0, true},
        {"no default printer", true, PDERR_NODEFAULTPRN, false, 1, true},
        {"no printer devices", true, PDERR_NODEVICES, false, 1, true},
        {"cancelled", true, 0, true, 1, false},
    };
    const DWORD flags = PrintSetupForTests().Flags;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        printer_.printerExists = c.printer;
        printer_.dialogError = c.dialogError;
        printer_.cancelDialog = c.cancel;
        printer_.dialogs = 0;
        BoxCapture boxes;
        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_FILE_PRINTER_SETUP, 0), 0);
        EXPECT_EQ(printer_.dialogs, c.dialogs);
        ASSERT_EQ(boxes.boxes.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_EQ(boxes.boxes[0].text, "No printer is installed.\nInstall a printer to set up printing.");
            EXPECT_EQ(boxes.boxes[0].caption, g_app->szAppTitle);
        }
        EXPECT_EQ(PrintSetupForTests().Flags, flags);
    }
}

// Printing in black and white (a printer of one colour bit) draws the waveform in black where a
// colour printer draws it in the channel's colour; the layout is the same.
TEST_F(GraphPrinting, BlackAndWhitePrintsTheWaveformInBlack) {
    int rows[2] = {-1, -1};
    for (int black = 0; black < 2; ++black) {
        SCOPED_TRACE(black);
        CDibSurface page(pageW_, pageH_);
        const double start = gs_->hStart;
        PrepareFontsForDevice(page.Dc(), 1);
        SetPrintBlack(black);
        RECT area{0, 0, pageW_, pageH_};
        PrintPageBody(page.Dc(), gs_, 0, &area, 1, 1);
        SetPrintBlack(0);
        PrepareFontsForDevice(nullptr, 0);
        gs_->hStart = start;
        const RECT r = gs_->plotRect;
        LayoutGraphWindow(gs_);
        const int x = r.left + (r.right - r.left) / 4;
        for (int y = r.top + 2; y < r.bottom && rows[black] < 0; ++y) {
            const COLORREF c = page.At(x, y);
            if (black ? c == RGB(0, 0, 0) : IsWave(c)) rows[black] = y;
        }
        EXPECT_NEAR(rows[black], r.top + (r.bottom - r.top) / 4, 3);
        int wave = 0;
        for (int y = r.top; y < r.bottom; ++y) wave += IsWave(page.At(x, y)) ? 1 : 0;
        EXPECT_EQ(wave > 0, black == 0) << "channel colour on the page";
        // The scale's numbers too: in the channel's colour, or black.
        const int colouredScale = [&] {
            int n = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int sx = r.right + 2; sx < pageW_; ++sx) n += IsWave(page.At(sx, y)) ? 1 : 0;
            return n;
        }();
        EXPECT_EQ(colouredScale > 30, black == 0) << colouredScale << " scale pixels in the channel's colour";
        EXPECT_GT(DarkIn(page, r.right + 2, r.top, pageW_, r.bottom), black ? 30 : 0);
    }
    EXPECT_EQ(rows[0], rows[1]);
}

// XY mode: the channel against itself is a line from (-5, -5) to (5, 5). Fit to two pages, each
// page shows half of the horizontal channel's range: the first the left half with (-5, -5) in its
// middle column, the second the right half with (5, 5) in its middle column.
TEST_F(GraphPrinting, XYModeSpreadsTheHorizontalRangeOverThePages) {
    SetDisplayMode(gs_, static_cast<int16_t>(kModeXY));
    ASSERT_EQ(gs_->xyXChan, 0u);
    LayoutGraphWindow(gs_);
    SetPrintOptions(1, 2);
    PrintWithoutMessages();
    ASSERT_EQ(printer_.pages.size(), 2u);
    SaveArtefact(*printer_.pages[0], "printed_xy_1");
    SaveArtefact(*printer_.pages[1], "printed_xy_2");
    const struct {
        int page;
        int quarter;  // the row of the point: 1 a quarter down, 3 three quarters down
    } points[] = {{0, 3}, {1, 1}};
    for (const auto& point : points) {
        SCOPED_TRACE(point.page);
        const CDibSurface& page = *printer_.pages[point.page];
        const RECT r = printer_.plots[static_cast<size_t>(point.page)];
        // The frame one pixel outside the plot.
        EXPECT_GT(DarkIn(page, r.left - 1, r.top, r.left, r.bottom), (r.bottom - r.top) * 9 / 10);
        const int x = (r.left + r.right) / 2, y = r.top + (r.bottom - r.top) * point.quarter / 4;
        EXPECT_GT(DarkIn(page, x - 3, y - 3, x + 4, y + 4), 0) << "no plot at " << x << "," << y;
        // The other end of the line is off this page: nothing at the mirrored row.
        const int other = r.top + (r.bottom - r.top) * (4 - point.quarter) / 4;
        EXPECT_EQ(DarkIn(page, x - 3, other - 3, x + 4, other + 4), 0) << "a plot at " << x << "," << other;
    }
}

// The print dialog's own controls: the page range is hidden, the boxes show the options, and a
// number below 1 (or none) keeps 1.
INT_PTR CALLBACK HostOfHook(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    const UINT_PTR r = PrintGraphDlgProc(dlg, msg, wParam, lParam);
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) EndDialog(dlg, LOWORD(wParam));
    return msg == WM_INITDIALOG ? TRUE : static_cast<INT_PTR>(r);
}

TEST_F(GraphPrinting, PrintDialogKeepsPlotsPerPageAndPagesToFitOfAtLeastOne) {
    struct Case {
        const char *plots, *fit;
        int32_t wantPlots, wantFit;
    } cases[] = {{"2", "3", 2, 3}, {"0", "-4", 1, 1}, {"", "abc", 1, 1}, {"12", "1", 12, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.plots << " / " << c.fit);
        SetPrintOptions(5, 7);
        std::string shownPlots, shownFit;
        bool rangeHidden = false;
        DialogDriver driver({[&](HWND dlg) {
            shownPlots = ItemText(dlg, IDC_PRINT_PLOTS);
            shownFit = ItemText(dlg, IDC_PRINT_FIT);
            rangeHidden = !IsWindowVisible(GetDlgItem(dlg, rad1)) && !IsWindowVisible(GetDlgItem(dlg, edt1)) &&
                          !IsWindowVisible(GetDlgItem(dlg, rad3));
            TypeInto(dlg, IDC_PRINT_PLOTS, c.plots);
            TypeInto(dlg, IDC_PRINT_FIT, c.fit);
            Click(dlg, IDOK);
        }});
        DialogBoxParamA(g_app->hInstance, "PRINTDLG", g_app->hwndFrame, HostOfHook, 0);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(shownPlots, "5");
        EXPECT_EQ(shownFit, "7");
        EXPECT_TRUE(rangeHidden);
        EXPECT_EQ(PrintPlotsPerPage(), c.wantPlots);
        EXPECT_EQ(PrintPagesToFit(), c.wantFit);
    }
}

// ---- The real printer: CUPS with its PDF back-end, read back with pdftoppm ----

constexpr char kPdfPrinter[] = "KymoraPDF";

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// The host's path of a file of this process's view.
std::string UnixPath(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return "";
    char* unix = toUnix(wide);
    std::string out = unix ? unix : "";
    if (unix) HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// What the page's layout was, taken as the real printer's page ends.
struct stPrintedLayout {
    bool seen;
    RECT plot, axis;
    int horzRes, vertRes, physWidth, physHeight, offsetX, offsetY, headerLine;
};
stPrintedLayout g_layout{};
tagGS* g_layoutGraph = nullptr;

int RecordingEndPage(HDC dc) {
    g_layout.seen = true;
    g_layout.plot = g_layoutGraph->plotRect;
    g_layout.axis = g_layoutGraph->hAxisRect;
    g_layout.horzRes = GetDeviceCaps(dc, HORZRES);
    g_layout.vertRes = GetDeviceCaps(dc, VERTRES);
    g_layout.physWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
    g_layout.physHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
    g_layout.offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    g_layout.offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    // The header's line: 10-point Arial on this printer.
    HFONT font = CreateFontA(-MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0,
                             VARIABLE_PITCH | FF_SWISS, "Arial");
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(font);
    g_layout.headerLine = tm.tmHeight + tm.tmExternalLeading;
    return EndPage(dc);
}

// A binary PPM page as pdftoppm writes it.
struct stPpm {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return RGB(255, 255, 255);
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return RGB(p[0], p[1], p[2]);
    }
};
bool ReadPpm(const std::string& path, stPpm* out) {
    std::ifstream f(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    if (!(f >> magic >> out->width >> out->height >> maxval) || magic != "P6" || maxval != 255) return false;
    f.get();
    out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
    f.read(reinterpret_cast<char*>(out->rgb.data()), static_cast<std::streamsize>(out->rgb.size()));
    return static_cast<size_t>(f.gcount()) == out->rgb.size();
}

// Waits for the newest PDF whose name holds the tag (until the printer's queue is empty), turns
// it into the page at the printer's own resolution (mode "page", with a small picture of it) or
// into its text (mode "text"), and drops the PDF; the result appears whole (renamed into place)
// or a .fail file says what went wrong.
const char kRenderScript[] = R"sh(tag=$1; out=$2; mode=$3; f=
for i in $(seq 1 1800); do
  f=$(ls -t "$HOME"/PDF/*"$tag"*.pdf 2>/dev/null | head -n 1)
  if [ -n "$f" ] && [ -z "$(lpstat -o KymoraPDF 2>/dev/null)" ]; then break; fi
  f=; sleep 0.1
done
if [ -z "$f" ]; then echo "no PDF of the job in $HOME/PDF" > "$out.fail"; exit 1; fi
if [ "$mode" = text ]; then
  pdftotext "$f" "$out.part" && mv "$out.part" "$out.txt" || echo "pdftotext failed on $f" > "$out.fail"
else
  pdftoppm -r 300 -aa no -aaVector no -singlefile -f 1 -l 1 "$f" "$out.part" && mv "$out.part.ppm" "$out.ppm" ||
    echo "pdftoppm failed on $f" > "$out.fail"
  pdftoppm -r 100 -png -singlefile -f 1 -l 1 "$f" "$out" 2>/dev/null
fi
rm -f "$f"
)sh";

// Runs a shell script of the host with its arguments and waits (bounded) until it has made the
// file done or the file fail; what went wrong, or nothing.
std::string RunHostScript(const char* body, const std::string& args, const std::string& done, const std::string& fail,
                          int polls) {
    DeleteFileA(done.c_str());
    DeleteFileA(fail.c_str());
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    const std::string script = std::string(cwd) + "\\print_host_" + std::to_string(GetCurrentProcessId()) + ".sh";
    {
        std::ofstream f(script, std::ios::binary);
        f << body;
    }
    std::string command = "Z:\\bin\\sh " + UnixPath(script) + " " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return "cannot run /bin/sh";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // Wine cannot wait for a host process: its files say when it is done.
    bool finished = false;
    for (int i = 0; i < polls && !finished; ++i) {
        finished = FileExists(done.c_str()) || FileExists(fail.c_str());
        if (!finished) Sleep(200);
    }
    DeleteFileA(script.c_str());
    if (!finished) return "the host's script did not finish in time";
    std::ifstream failed(fail);
    std::string reason;
    std::getline(failed, reason);
    return reason;
}

// Renders the job's PDF into out + ".ppm" or ".txt"; what went wrong, or nothing. The script gives
// up on its own after three minutes.
std::string RenderPrintedJob(const std::string& tag, const std::string& out, const char* mode) {
    const std::string done = out + (std::strcmp(mode, "text") == 0 ? ".txt" : ".ppm");
    return RunHostScript(kRenderScript, tag + " " + UnixPath(out) + " " + mode, done, out + ".fail", 1000);
}

// What CUPS says of its scheduler and its default printer.
const char kCupsProbe[] = R"sh(out=$1
{ lpstat -r; lpstat -d; } > "$out.part" 2>&1
mv "$out.part" "$out.txt"
)sh";

std::string FileText(const std::string& path) {
    std::ifstream f(path);
    std::stringstream all;
    all << f.rdbuf();
    return all.str();
}

// Why this machine cannot print to the PDF printer, or nothing when it can.
std::string WhyNoPdfPrinter() {
    if (!FileExists("Z:\\usr\\bin\\pdftoppm") || !FileExists("Z:\\usr\\bin\\pdftotext"))
        return "pdftoppm or pdftotext is missing (package poppler-utils)";
    if (!FileExists("Z:\\bin\\sh")) return "no /bin/sh to run them with";
    if (UnixPath("C:\\").empty()) return "not running under Wine";
    if (!FileExists("Z:\\usr\\bin\\lpstat")) return "CUPS is not installed";
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    const std::string out = std::string(cwd) + "\\cups_probe_" + std::to_string(GetCurrentProcessId());
    const std::string failed = RunHostScript(kCupsProbe, UnixPath(out), out + ".txt", out + ".fail", 150);
    const std::string cups = FileText(out + ".txt");
    DeleteFileA((out + ".txt").c_str());
    if (!failed.empty()) return "lpstat did not answer: " + failed;
    if (cups.find("scheduler is running") == std::string::npos)
        return "the CUPS scheduler is not running (tools/printer.sh starts it when run as root)";
    if (cups.find(std::string(": ") + kPdfPrinter) == std::string::npos)
        return std::string("CUPS's default printer is not the PDF printer ") + kPdfPrinter + " (tools/printer.sh)";
    char name[256] = "";
    DWORD size = sizeof name;
    if (!GetDefaultPrinterA(name, &size))
        return "Wine sees no default printer: a Wine prefix made before the PDF printer existed does not list it";
    if (std::strcmp(name, kPdfPrinter) != 0)
        return std::string("Wine's default printer is ") + name + ", not the PDF printer " + kPdfPrinter;
    return "";
}

// The graph printed on the PDF printer through the print dialog and the spooler: the PDF's page
// shows the header, the plot's frame, the waveform in its colour, the axis numbers and the marker
// where the printed layout put them. Then its journal, whose text the next PDF holds.
TEST_F(GraphPrinting, PdfPrinterPrintsTheGraphWhereTheLayoutPutsIt) {
    const std::string why = WhyNoPdfPrinter();
    if (!why.empty()) GTEST_SKIP() << "cannot print here: " << why;
    SetPrintDevice(nullptr);
    stPrintDevice recording{};
    recording.endPage = RecordingEndPage;
    SetPrintDevice(&recording);
    g_layout = stPrintedLayout{};
    g_layoutGraph = gs_;
    char tag[64];
    std::snprintf(tag, sizeof tag, "P%lux%lu", GetCurrentProcessId(), GetTickCount() % 100000);
    lstrcpynA(gs_->title, tag, sizeof gs_->title);
    SetWindowTextA(graph_, tag);

    const stState before = State();
    {
        // Cancel in the print dialog: no job, no message.
        BoxCapture boxes;
        boxes.caption = kAppCaption;
        DialogDriver driver({[](HWND dlg) { Click(dlg, IDCANCEL); }}, "Print Graph");
        PrintGraph(graph_, gs_);
        EXPECT_EQ(driver.Runs(), 1) << "the print dialog did not open";
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_FALSE(g_layout.seen) << "a page was printed after Cancel";
        ExpectSameState(before);
    }
    std::string printerShown;
    {
        BoxCapture boxes;
        boxes.caption = kAppCaption;
        DialogDriver driver({[&](HWND dlg) {
                                 printerShown = ItemText(dlg, cmb4);
                                 TypeInto(dlg, IDC_PRINT_PLOTS, "1");
                                 TypeInto(dlg, IDC_PRINT_FIT, "1");
                                 Click(dlg, IDOK);
                             }},
                            "Print Graph");
        PrintGraph(graph_, gs_);
        EXPECT_EQ(driver.Runs(), 1) << "the print dialog did not open";
        ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    }
    SetPrintDevice(&kMemoryDevice);
    EXPECT_NE(printerShown.find(kPdfPrinter), std::string::npos) << printerShown;
    ASSERT_TRUE(g_layout.seen) << "no page was printed";
    ExpectSameState(before);

    // The spooler hands the job to CUPS; the PDF comes a few seconds later.
    CreateDirectoryA("artefacts", nullptr);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    const std::string out = std::string(cwd) + "\\artefacts\\printed_pdf_page";
    const std::string failed = RenderPrintedJob(tag, out, "page");
    ASSERT_TRUE(failed.empty()) << failed;
    stPpm page;
    const bool read = ReadPpm(out + ".ppm", &page);
    DeleteFileA((out + ".ppm").c_str());  // the small picture of the page stays
    ASSERT_TRUE(read);
    ASSERT_GT(page.width, 100);

    const stPrintedLayout& L = g_layout;
    auto px = [&](int x) { return static_cast<int>(static_cast<double>(x + L.offsetX) * page.width / L.physWidth); };
    auto py = [&](int y) { return static_cast<int>(static_cast<double>(y + L.offsetY) * page.height / L.physHeight); };
    auto darkIn = [&](int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += IsDark(page.At(x, y)) ? 1 : 0;
        return n;
    };
    const RECT& r = L.plot;
    const int top = py(r.top), bottom = py(r.bottom), left = px(r.left), right = px(r.right);
    const int h = bottom - top;
    ASSERT_GT(h, page.height / 2);
    // The plot's frame: a line down its left edge (at this resolution the grid's first line
    // falls on the same pixels, so it may show grey), a dark line along its bottom.
    auto inkIn = [&](int x, int from, int to) {
        int n = 0;
        for (int y = from; y < to; ++y) {
            const COLORREF c = page.At(x, y);
            n += GetRValue(c) < 200 || GetGValue(c) < 200 || GetBValue(c) < 200 ? 1 : 0;
        }
        return n;
    };
    int frame = 0;
    for (int x = left - 2; x <= left + 1; ++x) frame = std::max(frame, inkIn(x, top, bottom));
    EXPECT_GT(frame, h * 9 / 10) << "no plot frame at column " << left;
    int base = 0;
    for (int y = bottom - 2; y <= bottom + 1; ++y) base = std::max(base, darkIn(left, y, right, y + 1));
    EXPECT_GT(base, (right - left) * 9 / 10) << "no frame along the plot's bottom at row " << bottom;
    // The waveform in the channel's colour: a quarter down before the step, three after it.
    const int w = right - left;
    auto waveRow = [&](int x) {
        for (int y = top; y < bottom; ++y)
            for (int dx = -1; dx <= 1; ++dx)
                if (IsWave(page.At(x + dx, y))) return y;
        return -1;
    };
    EXPECT_NEAR(waveRow(left + w / 4), top + h / 4, 3);
    EXPECT_NEAR(waveRow(left + w * 4 / 5), top + h * 3 / 4, 3);
    // The time axis: numbers under the plot.
    EXPECT_GT(darkIn(left, bottom + 1, right, py(L.axis.bottom) + 2), 20) << "no axis numbers";
    // The marker two fifths along: its line down the plot and its triangle above it.
    const int mx = px(r.left + static_cast<int>((r.right - r.left) * kMarkerTime / 5000.0));
    int line = 0;
    for (int x = mx - 1; x <= mx + 1; ++x) line = std::max(line, darkIn(x, top + 2, x + 1, bottom));
    EXPECT_GT(line, h / 5) << "no marker line at column " << mx;
    EXPECT_LT(darkIn(mx + 15, top + 2, mx + 16, bottom), line / 2);
    EXPECT_GT(darkIn(mx - 3, top - 5, mx + 4, top), 2) << "no marker triangle";
    // The header: text on the second line of the page, at both ends; the first line is empty.
    const int headTop = py(L.headerLine), headBottom = py(2 * L.headerLine) + 1;
    EXPECT_GT(darkIn(0, headTop, page.width / 3, headBottom), 10) << "no title in the header";
    EXPECT_GT(darkIn(page.width * 2 / 3, headTop, page.width, headBottom), 10) << "no page and date in the header";
    EXPECT_EQ(darkIn(0, 0, page.width, py(L.headerLine * 3 / 4)), 0) << "text above the header's line";

    // The graph's journal on the same printer, through the system's print dialog: the PDF's text
    // is the journal's.
    ASSERT_TRUE(gs_->journal && gs_->journal->window);
    HWND journalEdit = GetJournalHwnd(gs_->journal->window);
    ASSERT_TRUE(journalEdit);
    const std::string written = std::string("Journal of ") + tag + " printed";
    SetWindowTextA(journalEdit, written.c_str());
    {
        BoxCapture boxes;
        boxes.caption = kAppCaption;
        DialogDriver driver({[](HWND dlg) { Click(dlg, IDOK); }}, "Print");
        // The journal's job shows the graphs' progress dialog, as the shell wires it; what the
        // dialog said is read as it opens and as it closes.
        static std::vector<std::string> said;
        said.clear();
        const stPrintCalls saved = g_printCalls;
        g_printCalls.openPrintProgress = [](HWND owner, HGLOBAL names) {
            HWND dlg = BeginPrintProgress(owner, names);
            char text[256] = "";
            GetDlgItemTextA(dlg, IDC_PRINT_GRAPH_NAME, text, sizeof text);
            said.push_back(text);
            GetDlgItemTextA(dlg, IDC_PRINT_PRINTER, text, sizeof text);
            said.push_back(text);
            return dlg;
        };
        g_printCalls.closePrintProgress = [] {
            char text[256] = "";
            GetDlgItemTextA(PrintProgressWindow(), IDC_PRINT_PAGE, text, sizeof text);
            said.push_back(text);
            said.push_back(IsWindowEnabled(g_app->hwndFrame) ? "frame enabled" : "frame disabled");
            ClosePrintProgress();
        };
        g_printCalls.printAbortProc = PrintAbortProc;
        g_printCalls.printAborted = PrintAbortFlag;
        JournalPrint(gs_->journal);
        g_printCalls = saved;
        EXPECT_EQ(driver.Runs(), 1) << "the journal's print dialog did not open";
        EXPECT_TRUE(boxes.boxes.empty());
        char title[MAX_PATH] = "";
        GetWindowTextA(gs_->hwnd, title, sizeof title);
        ASSERT_EQ(said.size(), 4u);
        EXPECT_EQ(said[0], "'" + std::string(title) + "' on the");
        EXPECT_EQ(said[1].rfind("KymoraPDF on ", 0), 0u) << said[1];
        EXPECT_EQ(said[2], "Now printing Page 1");
        EXPECT_EQ(said[3], "frame disabled");
        EXPECT_TRUE(IsWindowEnabled(g_app->hwndFrame));
        EXPECT_FALSE(PrintProgressWindow());
    }
    const std::string text = std::string(cwd) + "\\artefacts\\printed_pdf_journal";
    const std::string journalFailed = RenderPrintedJob("Journal", text, "text");
    ASSERT_TRUE(journalFailed.empty()) << journalFailed;
    std::ifstream printed(text + ".txt");
    std::stringstream all;
    all << printed.rdbuf();
    EXPECT_NE(all.str().find(written), std::string::npos) << all.str();
}

}  // namespace
