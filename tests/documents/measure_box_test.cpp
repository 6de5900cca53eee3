// The measurement boxes of a graph window and their texts: a grid made in a window of the test's
// own over a document in memory, driven through the pop-ups' messages as clicks send them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include "base/app.h"
#include "documents/documents_ids.h"
#include "controls/popup_button.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "documents/measurements/measure_text.h"
#include "devlib/vk40.h"
#include "documents/markers/markers.h"
#include "tests/documents/test_doc.h"
#include "tests/shell/box_capture.h"
#include "common/math_constants.h"

namespace {


LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

// The window's own visible flag (the test's host window itself is never shown).
bool Visible(HWND h) { return (GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) != 0; }

// Dispatches what the pop-ups posted; returns when the queue is empty.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class MeasureBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_app;
        app_ = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
        g_app = app_;
        g_app->hInstance = GetModuleHandleA(nullptr);
        g_app->fonts.cxText = 7;
        g_app->fonts.cyText = 14;
        g_app->fonts.hfontText = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterPopupButtonClass(g_app->hInstance);
        ASSERT_TRUE(RegisterMeasureClass(g_app->hInstance));
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = g_app->hInstance;
        wc.lpszClassName = "MeasureBoxHost";
        RegisterClassA(&wc);
        host_ = CreateWindowExA(0, "MeasureBoxHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 900, 200, nullptr, nullptr,
                                g_app->hInstance, nullptr);
        ASSERT_NE(host_, nullptr);
        gs()->hwnd = host_;
        gs()->sampleInterval = 1.0;
        gs()->precisionDigits = 2;
        gs()->hPerDiv = 1000.0;
        gs()->measureShown = 1;
        // Slot 1: a ramp 2 + 0.5 i in mV; slot 2: a sine of amplitude 3 V, period 20 samples.
        std::vector<double> ramp, sine;
        for (int i = 0; i < 100; ++i) {
            ramp.push_back(2.0 + 0.5 * i);
            sine.push_back(3.0 * std::sin(2 * kPi * i / 20.0));
        }
        SetChannel(1, ramp, "mV", "Ramp");
        SetChannel(2, sine, "V", "Sine");
        gs()->selectedChan = 1;
        gs()->selStart = 5;
        gs()->selEnd = 25;
        int16_t height = 0;
        gs()->measureGrid = CreateMeasurementRow(host_, 1, 5, &height);
        ASSERT_NE(gs()->measureGrid, nullptr);
        EXPECT_GT(height, 0);
        SetMeasurementGridDocument(gs()->measureGrid, gs());
    }
    void TearDown() override {
        DeleteMeasurementRow(gs()->measureGrid);
        gs()->measureGrid = nullptr;
        for (int s = 0; s < kMaxChannels; ++s) gs()->chanBlock[s] = nullptr;
        if (host_) DestroyWindow(host_);
        g_app = saved_;
        HeapFree(GetProcessHeap(), 0, app_);
    }
    tagGS* gs() { return doc_.gs; }
    void SetChannel(int slot, const std::vector<double>& v, const char* unit, const char* label) {
        data_[slot] = v;
        gs()->chanFlags[slot] = 2;
        gs()->chanType[slot] = 1;
        gs()->chanBytes[slot] = 8;
        gs()->chanCount[slot] = static_cast<uint32_t>(v.size());
        gs()->chanBlock[slot] = data_[slot].data();
        std::strcpy(gs()->chanUnits[slot], unit);
        std::strcpy(gs()->chanLabel[slot], label);
    }
    stMeasure* Box(int i) { return GetMeasurementAt(gs()->measureGrid, i); }
    void Set(int i, int type, int chan, uint16_t s1 = 0, uint16_t s2 = 0, uint16_t op = 0, double k = 0,
             const char* unit = "") {
        const uint16_t options[3] = {s1, s2, op};
        SetMeasurementBox(gs()->measureGrid, i, static_cast<uint16_t>(type), static_cast<int16_t>(chan), options, k,
                          unit, 0, 1);
    }
    // A choice in a box's type pop-up, as the pop-up's menu reports it.
    void ChooseType(int i, int type) {
        HWND popup = Box(i)->typeButton->GetWindow();
        SendMessageA(popup, WM_COMMAND, type + kMeasureTypeIdBase + 1, 0);
        Pump();
    }
    std::string Shown(int i) {
        char text[64];
        GetMeasurementDisplayText(Box(i), text, sizeof text);
        return text;
    }

    TestDoc doc_;
    std::vector<double> data_[kMaxChannels];
    stApp* app_ = nullptr;
    stApp* saved_ = nullptr;
    HWND host_ = nullptr;
};

}  // namespace

TEST_F(MeasureBoxes, ResultsWithTheirUnits) {
    struct Case {
        int type, chan;
        const char* shown;
    };
    // Samples 5 .. 25: the ramp runs 4.5 .. 14.5, the sine one period from peak to peak.
    const Case cases[] = {
        {measure::kValue, 1, "4.50 mV"},
        {measure::kDelta, 1, "-10.00 mV"},
        {measure::kMax, 2, "3.00 V"},
        {measure::kMean, 1, "9.50 mV"},
        {measure::kSlope, 1, "500.00 mV/sec"},
        {measure::kIntegral, 1, "0.19 mV-sec"},
        {measure::kFrequency, 2, "50.00 Hz"},
        {measure::kBpm, 2, "3000.00 BPM"},
        {measure::kDeltaSamples, 1, "21 samples"},
        {measure::kSampleNumber, 1, "6 samples"},
        {measure::kHAbs, 1, "0.01 sec"},
        {measure::kMedian, 1, "9.50 mV"},
        {measure::kNone, 1, ""},
    };
    for (const Case& c : cases) {
        Set(0, c.type, c.chan);
        UpdateAllMeasurements(gs());
        EXPECT_EQ(Shown(0), c.shown) << "type " << c.type;
    }
    // Past the data every measured type shows "****" and no unit.
    gs()->selStart = 200;
    gs()->selEnd = 300;
    Set(0, measure::kMean, 1);
    UpdateAllMeasurements(gs());
    EXPECT_EQ(Shown(0), "****");
    EXPECT_EQ(GetMeasurementValue(Box(0)), measure::kNoValue);
}

TEST_F(MeasureBoxes, SelectedChannelIsFollowedAndSelectionChangesRecompute) {
    Set(0, measure::kMax, -1);
    UpdateAllMeasurements(gs());
    EXPECT_EQ(Shown(0), "14.50 mV");
    gs()->selectedChan = 2;
    UpdateAllMeasurements(gs());
    EXPECT_EQ(Shown(0), "3.00 V");
    gs()->selEnd = 6;  // samples 5 .. 6 of the sine
    UpdateAllMeasurements(gs());
    EXPECT_EQ(Shown(0), "3.00 V");
    gs()->selStart = 10;
    gs()->selEnd = 12;
    UpdateAllMeasurements(gs());
    EXPECT_EQ(Shown(0), "0.00 V");  // sin(pi) is a hair above 0: 3 * sin(10 * 2pi / 20)
    // Growing data (a recording) is measured as it comes.
    gs()->selectedChan = 1;
    gs()->selStart = 98;
    gs()->selEnd = 120;
    UpdateAllMeasurements(gs());
    EXPECT_EQ(Shown(0), "51.50 mV");
    data_[1].push_back(80.0);
    gs()->chanBlock[1] = data_[1].data();
    gs()->chanCount[1] = static_cast<uint32_t>(data_[1].size());
    UpdateAllMeasurements(gs());
    EXPECT_EQ(Shown(0), "80.00 mV");
}

TEST_F(MeasureBoxes, ChoosingATypeRecomputesStoresAndMarksTheGraph) {
    Set(1, measure::kNone, 2);
    gs()->modified = 0;
    ChooseType(1, measure::kPeakToPeak);
    EXPECT_EQ(GetMeasurementType(Box(1)), measure::kPeakToPeak);
    EXPECT_EQ(Shown(1), "6.00 V");
    EXPECT_EQ(gs()->measureType[1], measure::kPeakToPeak);
    EXPECT_EQ(gs()->measureChan[1], 2);
    EXPECT_EQ(gs()->modified, 1u);
    // The channel pop-up's "SC, Selected Channel" item is stored as -1.
    SendMessageA(Box(1)->channelButton->GetWindow(), WM_COMMAND, kMeasureSelectedChannelItem + 1, 0);
    Pump();
    EXPECT_EQ(GetMeasurementChannel(Box(1)), -1);
    EXPECT_EQ(gs()->measureChan[1], -1);
    EXPECT_EQ(Shown(1), "10.00 mV");
}

TEST_F(MeasureBoxes, CalculateCombinesOtherBoxes) {
    // Boxes 0 and 1: the sine's frequency over one period (50 Hz); box 3: a mean of 9.5 mV.
    Set(0, measure::kFrequency, 2);
    Set(1, measure::kFrequency, 2);
    Set(3, measure::kMean, 1);
    struct Case {
        const char* name;
        uint16_t s1, s2, op;
        double k;
        const char* shown;
    };
    const Case cases[] = {
        {"a first frequency in Hz over a second as stored", 2, 3, 3, 0, "1000.00 x"},
        {"a constant over a second frequency as stored", 1, 3, 3, 100, "2000.00 x"},
        {"frequency in Hz minus frequency as stored", 2, 3, 1, 0, "49.95 x"},
        {"frequency times a constant", 2, 1, 2, 3, "150.00 x"},
        {"mean plus a constant", 5, 1, 0, 0.5, "10.00 x"},
        {"division by a zero constant gives 0", 2, 1, 3, 0, "0.00 x"},
        {"a source not chosen", 2, 0, 0, 0, "****"},
    };
    for (const Case& c : cases) {
        Set(4, measure::kCalculate, -1, c.s1, c.s2, c.op, c.k, "x");
        UpdateAllMeasurements(gs());
        EXPECT_EQ(Shown(4), c.shown) << c.name;
    }
    EXPECT_FALSE(Visible(Box(4)->channelButton->GetWindow()));
    EXPECT_TRUE(Visible(Box(3)->channelButton->GetWindow()));
}

namespace {
// Fills the Waveform Arithmetic dialog as a user would and presses OK.
HHOOK g_hook;
LRESULT CALLBACK AnswerCalculation(int code, WPARAM w, LPARAM l) {
    auto* msg = reinterpret_cast<CWPRETSTRUCT*>(l);
    if (code == HC_ACTION && msg->message == WM_INITDIALOG) {
        HWND dlg = msg->hwnd;
        // Sources: the list shows None, K, then the measuring boxes: position 2 is box 0.
        SendDlgItemMessageA(dlg, IDC_CALC_SOURCE1, CB_SETCURSEL, 2, 0);
        SendDlgItemMessageA(dlg, IDC_CALC_SOURCE2, CB_SETCURSEL, 1, 0);
        SendDlgItemMessageA(dlg, IDC_CALC_OPERATOR, CB_SETCURSEL, 2, 0);
        SetDlgItemTextA(dlg, IDC_CALC_CONSTANT, "4");
        SetDlgItemTextA(dlg, IDC_CALC_UNITS, "mV x 4");
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(g_hook, code, w, l);
}
}  // namespace

TEST_F(MeasureBoxes, ChoosingCalculateOpensTheArithmeticDialog) {
    Set(0, measure::kMax, 1);
    Set(1, measure::kNone, 1);
    UpdateAllMeasurements(gs());
    g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, AnswerCalculation, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    ChooseType(2, measure::kCalculate);
    UnhookWindowsHookEx(g_hook);
    const stMeasure* b = Box(2);
    EXPECT_EQ(b->source1, 2);
    EXPECT_EQ(b->source2, 1);
    EXPECT_EQ(b->op, 2);
    EXPECT_EQ(b->k, 4.0);
    EXPECT_STREQ(GetMeasurementLabel(b), "mV x 4");
    EXPECT_EQ(Shown(0), "14.50 mV");
    EXPECT_EQ(Shown(2), "58.00 mV x 4");  // max 14.5 x 4
    EXPECT_EQ(gs()->measureCalc[0][2], 2);
    EXPECT_EQ(gs()->measureConstant[2], 4.0);
    EXPECT_STREQ(gs()->measureLabel[2], "mV x 4");
}

TEST_F(MeasureBoxes, CaptionsFollowTheHorizontalUnit) {
    struct Case {
        uint32_t mode;
        const char* habs;
        UINT freqState;
    };
    for (Case c : {Case{kHUnitTime, "x-axis: T", 0u}, Case{kHUnitFrequency, "x-axis: F", MF_GRAYED},
                   Case{kHUnitUser, "x-axis: X", MF_GRAYED}}) {
        gs()->hUnitKind = c.mode;
        SetMeasurementCaptions(gs());
        HMENU menu = Box(4)->typeButton->GetItemMenu();
        char text[32] = "";
        GetMenuStringA(menu, measure::kHAbs + kMeasureTypeIdBase + 1, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, c.habs) << c.mode;
        UINT state = GetMenuState(menu, measure::kFrequency + kMeasureTypeIdBase + 1, MF_BYCOMMAND);
        EXPECT_EQ(state & MF_GRAYED, c.freqState) << c.mode;
    }
}

TEST_F(MeasureBoxes, ResultFieldIsDrawnWhiteWithItsText) {
    Set(0, measure::kMax, 1);
    UpdateAllMeasurements(gs());
    const RECT r = Box(0)->result;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, r.right + 4, r.bottom + 4);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, r.right + 4, r.bottom + 4};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    PaintMeasurementBox(Box(0), dc);
    int white = 0, dark = 0;
    for (int x = r.left + 4; x < r.right - 4; ++x)
        for (int y = r.top + 4; y < r.bottom - 4; ++y) {
            COLORREF c = GetPixel(dc, x, y);
            white += c == RGB(255, 255, 255);
            dark += GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
        }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    EXPECT_GT(white, 0);
    EXPECT_GT(dark, 0);  // the text
}

// ---- Texts ----

TEST_F(MeasureBoxes, MeasurementTextByOptions) {
    Set(0, measure::kMax, 1);
    Set(1, measure::kFrequency, 2);
    Set(2, measure::kNone, 1);
    UpdateAllMeasurements(gs());
    struct Case {
        int names, units, perLine, numbers;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 0, 0, "14.50\t50.00\t\r\n"},
        {1, 0, 0, 0, "Max = 14.50\tFreq = 50.00\t\r\n"},
        {1, 1, 0, 1, "Max(1) = 14.50 mV\tFreq(2) = 50.00 Hz\t\r\n"},
        {0, 0, 1, 1, "(1)14.50\r\n(2)50.00\r\n\r\n\r\n"},
        {0, 1, 1, 0, "14.50 mV\r\n50.00 Hz\r\n\r\n\r\n"},
    };
    for (const Case& c : cases) {
        char text[4100];
        FormatMeasurementsText(gs(), text, sizeof text, c.names, c.units, c.perLine, c.numbers);
        EXPECT_STREQ(text, c.text) << c.names << c.units << c.perLine << c.numbers;
    }
    // A box without a value contributes its "****".
    gs()->selStart = gs()->selEnd = 5;
    UpdateAllMeasurements(gs());
    char text[4100];
    FormatMeasurementsText(gs(), text, sizeof text, 0, 1, 0, 0);
    EXPECT_STREQ(text, "****\t****\t\r\n");
}

TEST_F(MeasureBoxes, WaveTextColumns) {
    // Slot 3 is shorter than the others: its column runs empty.
    SetChannel(3, {7.5, -1}, "V", "Short");
    gs()->selStart = 0;
    gs()->selEnd = 3;
    struct Case {
        int separator, time, header;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, 1, "Ramp\tSine\tShort\r\n2\t0\t7.5\r\n2.5\t0.927051\t-1\r\n3\t1.76336\t\r\n3.5\t2.42705\t\r\n\r\n"},
        {1, 1, 1, "ms,Ramp,Sine,Short\r\n0,2,0,7.5\r\n1,2.5,0.927051,-1\r\n2,3,1.76336,\r\n3,3.5,2.42705,\r\n\r\n"},
        {2, 0, 0, "\r\n2 0 7.5\r\n2.5 0.927051 -1\r\n3 1.76336 \r\n3.5 2.42705 \r\n\r\n"},
    };
    for (const Case& c : cases) {
        TextSeparatorSetting() = c.separator;
        JournalPrefs().waveTimeValues = c.time;
        HGLOBAL h = nullptr;
        const char* text = WriteSelectionAsText(gs(), c.header, &h);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, c.text) << c.separator;
        GlobalUnlock(h);
        GlobalFree(h);
    }
    TextSeparatorSetting() = 0;
    JournalPrefs().waveTimeValues = 0;
    // A sample that cannot be read spoils the whole text.
    data_[3][1] = std::nan("");
    EXPECT_EQ(WriteSelectionAsText(gs(), 1, nullptr), nullptr);
}

TEST_F(MeasureBoxes, ClipboardHoldsExactlyTheText) {
    Set(0, measure::kMean, 1);
    UpdateAllMeasurements(gs());
    stJournalPrefs saved = JournalPrefs();
    JournalPrefs() = stJournalPrefs{1, 1, 0, 0, 0, 3.0f};
    CopyMeasurementsToClipboard(gs());
    JournalPrefs() = saved;
    ASSERT_TRUE(OpenClipboard(host_));
    HANDLE h = GetClipboardData(CF_TEXT);
    ASSERT_NE(h, nullptr);
    std::string got(static_cast<const char*>(GlobalLock(h)));
    GlobalUnlock(h);
    CloseClipboard();
    EXPECT_EQ(got, "Mean = 9.50 mV\t\r\n");

    gs()->selStart = 0;
    gs()->selEnd = 1;
    JournalPrefs().waveTimeValues = 0;
    TextSeparatorSetting() = 0;
    CopySelectionTextToClipboard(gs());
    ASSERT_TRUE(OpenClipboard(host_));
    h = GetClipboardData(CF_TEXT);
    ASSERT_NE(h, nullptr);
    got = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
    CloseClipboard();
    EXPECT_EQ(got, "Ramp\tSine\r\n2\t0\r\n2.5\t0.927051\r\n\r\n");
}

TEST_F(MeasureBoxes, BoxesLieInARowFromTheGridsOrigin) {
    auto place = [&](int i) {
        RECT r;
        GetWindowRect(Box(i)->wnd, &r);
        MapWindowPoints(nullptr, host_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT b0 = place(0), b1 = place(1), b4 = place(4);
    EXPECT_EQ(b0.left, 5);
    EXPECT_EQ(b0.top, 4 + 3);
    EXPECT_EQ(b1.top, b0.top);
    EXPECT_GT(b1.left, b0.right - 1);  // cells do not overlap
    EXPECT_EQ(b4.left - b0.left, 4 * (b1.left - b0.left));
    SetMeasurementRowOrigin(gs()->measureGrid, 20, 50);
    const RECT m0 = place(0), m4 = place(4);
    EXPECT_EQ(m0.left, 20);
    EXPECT_EQ(m0.top, 50 + 3);
    EXPECT_EQ(m4.left - m0.left, b4.left - b0.left);
}

// A result too wide for its field widens the row's boxes alike, so that it shows whole; a box
// that the wider row pushes past the window's right edge is no longer shown. The row keeps its
// width when the results grow short again.
TEST_F(MeasureBoxes, AResultTooWideForItsFieldWidensTheRow) {
    MoveWindow(host_, 0, 0, 1200, 200, FALSE);
    SetChannel(3, std::vector<double>(100, -123456.25), "counts/min", "Counts");
    for (int i = 0; i < 5; ++i) Set(i, measure::kMean, 2);
    UpdateAllMeasurements(gs());
    RECT client{};
    GetClientRect(host_, &client);
    auto width = [&](int i) { return Box(i)->box.right - Box(i)->box.left; };
    const int narrow = width(0);
    for (int i = 0; i < 5; ++i) ASSERT_LT(Box(i)->box.right, client.right) << "all five fit at first";
    Set(0, measure::kMean, 3);
    UpdateAllMeasurements(gs());
    ASSERT_EQ(Shown(0), "-123456.25 counts/min");
    HDC dc = GetDC(Box(0)->wnd);
    HGDIOBJ old = SelectObject(dc, g_app->fonts.hfontText);
    SIZE extent{};
    GetTextExtentPoint32A(dc, Shown(0).c_str(), static_cast<int>(Shown(0).size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(Box(0)->wnd, dc);
    const RECT& f = Box(0)->result;
    EXPECT_LE(extent.cx, (f.right - 2) - (f.left + 4)) << "the text runs from 4 inside the field to 2 before its end";
    EXPECT_GT(width(0), narrow);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(width(i), width(0)) << i;
    for (int i = 0; i < 5; ++i) {
        RECT placed{};
        GetWindowRect(Box(i)->wnd, &placed);
        EXPECT_EQ(placed.right - placed.left, width(i)) << i;
        const bool fits = Box(i)->box.right < client.right;
        EXPECT_EQ(IsMeasurementShown(Box(i)) != 0, fits) << i;
        EXPECT_EQ(Visible(Box(i)->wnd), fits) << i;
    }
    EXPECT_FALSE(IsMeasurementShown(Box(4))) << "the last box no longer fits";
    const int wide = width(0);
    Set(0, measure::kMean, 2);
    UpdateAllMeasurements(gs());
    EXPECT_EQ(width(0), wide);
}

// The channel button is as narrow as "SC" or a channel number needs: 3 + 4 average character
// widths; the box is the two buttons and the result.
TEST_F(MeasureBoxes, TheChannelButtonKeepsItsNarrowWidth) {
    Set(1, measure::kMean, 2);
    UpdateAllMeasurements(gs());
    for (int i = 0; i < 5; ++i) {
        RECT channel{}, type{}, box{};
        GetWindowRect(Box(i)->channelButton->GetWindow(), &channel);
        GetWindowRect(Box(i)->typeButton->GetWindow(), &type);
        GetWindowRect(Box(i)->wnd, &box);
        EXPECT_EQ(channel.right - channel.left, 3 + 4 * g_app->fonts.cxText) << i;
        EXPECT_EQ(box.right - box.left,
                  (channel.right - channel.left + 3) + (type.right - type.left + 3) + 14 * g_app->fonts.cxText)
            << i;
    }
}

// The Waveform Arithmetic dialog lists the boxes that measure, naming them 5 to a row.
// Tooltips of this thread owned by the window.
std::vector<HWND> TipsOf(HWND owner) {
    struct Search {
        HWND owner;
        std::vector<HWND> found;
    } s{owner, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            char cls[32] = "";
            GetClassNameA(h, cls, sizeof cls);
            if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(h, GW_OWNER) == s->owner) s->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The row's tooltip is made when the pointer first moves over a box, with a tool for every box
// that shows what the box shows, and it follows the results from then on.
TEST_F(MeasureBoxes, TheTooltipIsMadeWhenThePointerFirstComesOverABox) {
    Set(0, measure::kMean, 1);
    Set(3, measure::kMax, 2);
    UpdateAllMeasurements(gs());
    EXPECT_TRUE(TipsOf(host_).empty()) << "no tooltip before the pointer comes";
    SendMessageA(Box(3)->wnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    std::vector<HWND> tips = TipsOf(host_);
    ASSERT_EQ(tips.size(), 1u);
    HWND tip = tips[0];
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 5);
    auto toolText = [&](int i) {
        char text[80] = "";
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = Box(i)->wnd;
        ti.uId = 1;
        ti.lpszText = text;
        SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
        return std::string(text);
    };
    EXPECT_EQ(toolText(0), "9.50 mV");
    EXPECT_EQ(toolText(3), "3.00 V");
    gs()->selEnd = 15;
    UpdateAllMeasurements(gs());
    EXPECT_EQ(toolText(0), Shown(0)) << "a new result reaches the tooltip";
    EXPECT_NE(Shown(0), "9.50 mV");
    SendMessageA(Box(0)->wnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(TipsOf(host_), tips) << "one tooltip for the row";
}

TEST(MeasureCalculationSources, SkipBoxesThatDoNotMeasure) {
    const int types[] = {measure::kMax, measure::kNone, measure::kCalculate, measure::kMean, measure::kNone,
                         measure::kFrequency, measure::kValue};
    const std::vector<uint16_t> expected = {2, 5, 7, 8};
    EXPECT_EQ(CalculationSources(types, 7), expected);
    EXPECT_TRUE(CalculationSources(types, 0).empty());
}

TEST_F(MeasureBoxes, ChannelListsFollowTheSlotsInUse) {
    auto items = [&](int i) {
        std::vector<std::string> texts;
        HMENU menu = Box(i)->channelButton->GetItemMenu();
        for (int k = 0; k < GetMenuItemCount(menu); ++k) {
            char text[64] = "";
            GetMenuStringA(menu, k, text, sizeof text, MF_BYPOSITION);
            texts.push_back(text);
        }
        return texts;
    };
    Set(0, measure::kMax, 2);
    const std::vector<std::string> before = {"SC, Selected Channel", "Ch1, Ramp", "Ch2, Sine"};
    EXPECT_EQ(items(0), before);
    SetChannel(7, {1, 2, 3}, "g", "Grip");
    UpdateAllMeasurements(gs());
    const std::vector<std::string> after = {"SC, Selected Channel", "Ch1, Ramp", "Ch2, Sine", "Ch7, Grip"};
    EXPECT_EQ(items(0), after);
    EXPECT_EQ(items(4), after);
    EXPECT_EQ(GetMeasurementChannel(Box(0)), 2);  // each box keeps its channel
    EXPECT_EQ(Shown(0), "3.00 V");
}

namespace {
int g_linesBeforeEscape = 0;
bool EscapeAfterSomeLines() { return --g_linesBeforeEscape < 0; }
}  // namespace

// Esc held while the wave data is written discards it all: the clipboard keeps what it had.
TEST_F(MeasureBoxes, EscapeWhileCopyingWaveDataLeavesTheClipboard) {
    ASSERT_EQ(CopyTextToClipboard("kept"), 1);
    gs()->selStart = 0;
    gs()->selEnd = 99;
    g_linesBeforeEscape = 10;
    SetWaveTextEscapeProbe(EscapeAfterSomeLines);
    CopySelectionTextToClipboard(gs());
    EXPECT_EQ(WriteSelectionAsText(gs(), 1, nullptr), nullptr);
    SetWaveTextEscapeProbe(nullptr);
    ASSERT_TRUE(OpenClipboard(host_));
    HANDLE h = GetClipboardData(CF_TEXT);
    ASSERT_NE(h, nullptr);
    std::string got(static_cast<const char*>(GlobalLock(h)));
    GlobalUnlock(h);
    CloseClipboard();
    EXPECT_EQ(got, "kept");
    // Without Esc the same selection is copied whole: 100 lines, the header and the end.
    CopySelectionTextToClipboard(gs());
    ASSERT_TRUE(OpenClipboard(host_));
    h = GetClipboardData(CF_TEXT);
    got = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
    CloseClipboard();
    EXPECT_EQ(std::count(got.begin(), got.end(), '\n'), 102);
}

namespace {
POINT g_pointer;
BOOL WINAPI PointerAt(POINT* p) {
    *p = g_pointer;
    return TRUE;
}
}  // namespace

// In XY mode the measurement text holds the values of both channels under the pointer.
TEST_F(MeasureBoxes, XYModeWritesTheValuesUnderThePointer) {
    gs()->displayMode = kModeXY;
    gs()->xyXChan = 2;
    gs()->selectedChan = 1;
    gs()->plotRect = RECT{100, 20, 300, 120};
    // Horizontal channel: column 200 is 0 V, 20 columns a volt; vertical: row 70 is 0 mV, 10 rows a mV.
    gs()->chanPixelMap[0][2] = 20.0;
    gs()->chanPixelMap[1][2] = 200.0;
    gs()->chanPixelMap[2][1] = 10.0;
    gs()->chanPixelMap[3][1] = 70.0;
    SetXYPointerProbe(PointerAt);
    POINT at{250, 45};  // 2.5 V, 2.5 mV
    ClientToScreen(host_, &at);
    g_pointer = at;
    double x = 0, y = 0;
    ASSERT_EQ(GetXYCursorValues(gs(), &x, &y), 1);
    EXPECT_DOUBLE_EQ(x, 2.5);
    EXPECT_DOUBLE_EQ(y, 2.5);
    struct Case {
        int names, units, perLine, numbers;
        const char* text;
    };
    const Case cases[] = {
        {1, 1, 0, 1, "Sine(2) = 2.50 V\tRamp(1) = 2.50 mV\r\n"},
        {0, 0, 1, 0, "2.50\r\n2.50\r\n"},
    };
    for (const Case& c : cases) {
        char text[4100];
        FormatMeasurementsText(gs(), text, sizeof text, c.names, c.units, c.perLine, c.numbers);
        EXPECT_STREQ(text, c.text);
    }
    // Outside the plot there is nothing to write.
    at = POINT{50, 45};
    ClientToScreen(host_, &at);
    g_pointer = at;
    char text[4100] = "x";
    FormatMeasurementsText(gs(), text, sizeof text, 1, 1, 0, 0);
    EXPECT_STREQ(text, "");
    SetXYPointerProbe(nullptr);
}

// In segment view a box measures only inside the active segment: a selection wholly on one side
// of it has no value, and an end past the segment's end is pulled back to it.
TEST_F(MeasureBoxes, SegmentViewLimitsTheSelectionToTheActiveSegment) {
    gs()->markerManager = NewMarkerManager(gs());
    ASSERT_TRUE(gs()->markerManager);
    gs()->totalSamples = 100;
    stMarkerNode* first = InsertMarker(gs(), 0.0, 0, "", kMarkerAppend);
    stMarkerNode* second = InsertMarker(gs(), 50.0, 0, "", kMarkerAppend);
    ASSERT_TRUE(first && second);
    struct Case {
        const char* name;
        bool segmentView;
        stMarkerNode* active;
        double start, end;
        int type;
        const char* shown;
    };
    // The ramp is 2 + 0.5 i mV; segment 1 covers samples 0-49, segment 2 from 50 on.
    const Case cases[] = {
        {"inside the first segment", true, first, 5, 25, measure::kValue, "4.50 mV"},
        {"the end pulled back to 49", true, first, 30, 80, measure::kMax, "26.50 mV"},
        {"wholly after the first segment", true, first, 60, 80, measure::kMean, "****"},
        {"wholly before the second segment", true, second, 5, 25, measure::kMean, "****"},
        {"a start before the segment stays", true, second, 40, 60, measure::kValue, "22.00 mV"},
        {"without segment view the whole selection", false, first, 30, 80, measure::kMax, "42.00 mV"},
    };
    for (const Case& c : cases) {
        SetActiveSegmentMarker(gs()->markerManager, c.active);
        gs()->markerManager->segmentView = c.segmentView ? 1 : 0;
        gs()->selStart = c.start;
        gs()->selEnd = c.end;
        Set(0, c.type, 1);
        UpdateAllMeasurements(gs());
        EXPECT_EQ(Shown(0), c.shown) << c.name;
        EXPECT_EQ(gs()->selStart, c.start) << c.name << ": the selection is put back";
        EXPECT_EQ(gs()->selEnd, c.end) << c.name;
    }
    FreeMarkerList(gs()->markers);
    if (gs()->markers) {
        HGLOBAL h = GlobalHandle(gs()->markers);
        GlobalUnlock(h);
        GlobalFree(h);
        gs()->markers = nullptr;
    }
}

// The median's buffer holds one entry per selected sample; when it cannot be had the user is
// told to select fewer points and the box shows 0.
TEST_F(MeasureBoxes, AMedianWithoutItsBufferAsksForFewerPoints) {
    struct Case {
        size_t limit;
        double start, end;
        size_t boxes;
        const char* shown;
    } cases[] = {
        {10, 5, 25, 1, "0.00 mV"},
        {21, 5, 25, 0, "9.50 mV"},
        {10, 5, 14, 0, "7.00 mV"},
        {SIZE_MAX, 5, 25, 0, "9.50 mV"},
    };
    for (const Case& c : cases) {
        measure::SetMedianBufferLimit(c.limit);
        BoxCapture boxes;
        gs()->selStart = c.start;
        gs()->selEnd = c.end;
        Set(0, measure::kMedian, 1);
        UpdateAllMeasurements(gs());
        ASSERT_EQ(boxes.boxes.size(), c.boxes) << c.limit;
        if (c.boxes) {
            EXPECT_EQ(boxes.boxes[0].caption, "Calculate MEDIAN value");
            EXPECT_EQ(boxes.boxes[0].text, "Please select fewer data points.");
        }
        EXPECT_EQ(Shown(0), c.shown) << c.limit;
    }
    measure::SetMedianBufferLimit(SIZE_MAX);
}

namespace {
std::vector<std::string> g_sourceTexts;
HHOOK g_sourceHook;
// Reads the first source list of the Waveform Arithmetic dialog, then cancels it.
LRESULT CALLBACK ReadSources(int code, WPARAM w, LPARAM l) {
    auto* msg = reinterpret_cast<CWPRETSTRUCT*>(l);
    if (code == HC_ACTION && msg->message == WM_INITDIALOG) {
        HWND list = GetDlgItem(msg->hwnd, IDC_CALC_SOURCE1);
        const LRESULT n = SendMessageA(list, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[64] = "";
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            g_sourceTexts.push_back(text);
        }
        PostMessageA(msg->hwnd, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(g_sourceHook, code, w, l);
}
}  // namespace

// The box names in the channel list and the arithmetic dialog are keyed texts a lesson may change.
TEST_F(MeasureBoxes, BoxNamesAreKeyedTexts) {
    ASSERT_EQ(setMsgBoxText("SC, Selected Channel", "SK, Aktueller Kanal"), 1);
    ASSERT_EQ(setMsgBoxText("Row %c : Col %1d", "Zeile %c, Spalte %1d"), 1);
    Set(0, measure::kMax, 1);
    Set(3, measure::kMean, 2);
    SetChannel(7, {1, 2, 3}, "g", "Grip");  // a new channel fills the lists again
    UpdateAllMeasurements(gs());
    char first[64] = "";
    GetMenuStringA(Box(0)->channelButton->GetItemMenu(), 0, first, sizeof first, MF_BYPOSITION);
    EXPECT_STREQ(first, "SK, Aktueller Kanal");
    g_sourceTexts.clear();
    g_sourceHook = SetWindowsHookExA(WH_CALLWNDPROCRET, ReadSources, nullptr, GetCurrentThreadId());
    ChooseType(2, measure::kCalculate);
    UnhookWindowsHookEx(g_sourceHook);
    ASSERT_EQ(g_sourceTexts.size(), 4u);
    EXPECT_EQ(g_sourceTexts[2], "Zeile A, Spalte 1");
    EXPECT_EQ(g_sourceTexts[3], "Zeile A, Spalte 4");
    setMsgBoxText("SC, Selected Channel", "SC, Selected Channel");
    setMsgBoxText("Row %c : Col %1d", "Row %c : Col %1d");
}
