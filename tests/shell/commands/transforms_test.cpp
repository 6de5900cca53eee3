// The Transform menu's smoothing, least squares, integral, difference and FFT, run as a user runs
// them: the menu command sent to the frame, its dialog answered, the channel read back, Undo.
#include "commands_fixture.h"
#include "box_capture.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "graph/graph_ids.h"
#include "graph/view/display_modes.h"
#include "transforms/transforms_ids.h"
#include "shell/shell_ids.h"
#include "base/services.h"
#include "controls/popup_button.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "controls/tests/render_test_support.h"
#include "controls/tests/text_fit.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "graph/document/sample_store.h"
#include "shell/commands/status.h"
#include "transforms/filters/filters.h"
#include "transforms/spectral/fft_channel.h"
#include "transforms/transform_conventions.h"
#include "transforms/transforms_api.h"
#include <cmath>
#include <optional>
#include <string>
#include <vector>
#include "common/math_constants.h"

namespace {
constexpr double kInterval = 1.0;  // milliseconds per sample

class Transforms : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        for (UINT id : {IDM_EDIT_UNDO, IDM_TRANSFORM_INTEGRAL, IDM_TRANSFORM_DERIVATIVE, IDM_TRANSFORM_SMOOTHING, IDM_TRANSFORM_DIFFERENCE,
                        IDM_TRANSFORM_FFT, IDM_TRANSFORM_EXP_SMOOTHING, IDM_TRANSFORM_LEAST_SQUARES})
            if (GetStatusHotKeyEx(id) != kHotKeyUnregistered) {
                ASSERT_EQ(SetStatusHotKeyEx(id, 1), 1);
            }
        gs = Graph();
        ASSERT_NE(gs, nullptr);
        FftSettings = FftSettingsRecord{1, kFftMagnitude, kFftApplyWindow, 3, 0};
    }
    void TearDown() override {
        SetTransformEscapeProbe(nullptr);
        CommandsTest::TearDown();
    }

    // Channel 0 holds the values as doubles; the selection is sample a to sample b.
    void Fill(const std::vector<double>& v, double a = 0, double b = 0) {
        FillDoubles(gs, 0, v);
        gs->sampleInterval = kInterval;
        gs->hUnitKind = kHUnitTime;
        gs->selectedChan = 0;
        gs->selStart = a * kInterval;
        gs->selEnd = b * kInterval;
        UpdateGraphLength(gs);
    }
    std::vector<double> Values(tagGS* doc, int slot = 0) const {
        const auto* p = static_cast<const double*>(doc->chanBlock[slot]);
        return p ? std::vector<double>(p, p + doc->chanCount[slot]) : std::vector<double>{};
    }
    static tagGS* GraphTitled(const char* title) {
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            tagGS* doc = GetWindowGraph(w);
            if (doc && std::string(doc->title) == title) return doc;
        }
        return nullptr;
    }
    tagGS* gs = nullptr;
};

void ExpectNear(const std::vector<double>& got, const std::vector<double>& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << what << " at " << i;
}

DialogDriver::Step Number(const char* text, bool entire = false) {
    return [text, entire](HWND dlg) {
        // The prompt's texts show whole, the unit beside the field ("intervals between samples") too.
        EXPECT_EQ(JoinedProblems(TextFitProblems(dlg)), "");
        TypeInto(dlg, IDC_PROMPT_EDIT, text);
        if (entire && IsDlgButtonChecked(dlg, IDC_PROMPT_CHECK) != BST_CHECKED) Click(dlg, IDC_PROMPT_CHECK);
        Click(dlg, IDOK);
    };
}

DialogDriver::Step Smoothing(const char* samples, bool median) {
    return [samples, median](HWND dlg) {
        TypeInto(dlg, IDC_SMOOTHING_VALUE, samples);
        Click(dlg, median ? IDC_SMOOTHING_MEDIAN : IDC_SMOOTHING_MEAN);
        Click(dlg, IDOK);
    };
}
}  // namespace

TEST_F(Transforms, EachChangesItsRangeAsTheUserAskedAndUndoRestoresEverySample) {
    struct Case {
        const char* what;
        UINT command;
        std::vector<DialogDriver::Step> steps;
        UINT boxAnswer;
        std::vector<double> in;
        double selA, selB;
        std::vector<double> want;
        const char* undo;
    } cases[] = {
        {"mean smoothing", IDM_TRANSFORM_SMOOTHING, {Smoothing("3", false)}, IDOK, {1, 2, 3, 4, 5}, 0, 0,
         {1.5, 2, 3, 4, 3}, "Undo Smoothing"},
        {"median smoothing", IDM_TRANSFORM_SMOOTHING, {Smoothing("3", true)}, IDOK, {1, 9, 2, 8, 3}, 0, 0,
         {5, 2, 8, 3, 3}, "Undo Smoothing"},
        {"smoothing of a selection", IDM_TRANSFORM_SMOOTHING, {Smoothing("3", false)}, IDOK, {9, 1, 2, 3, 4, 5, 9}, 1, 5,
         {9, 1.5, 2, 3, 4, 3, 9}, "Undo Smoothing"},
        {"exponential smoothing, a bad factor asked again", IDM_TRANSFORM_EXP_SMOOTHING, {Number("1.5"), Number("0.5")},
         IDOK, {0, 10, 10, 10}, 0, 0, {0, 0, 5, 7.5}, "Undo Exponential Smoothing"},
        {"least squares of the whole wave", IDM_TRANSFORM_LEAST_SQUARES, {}, IDYES, {1, 2, 4}, 0, 0,
         {5.0 / 6, 14.0 / 6, 23.0 / 6}, "Undo Approximation"},
        {"integral", IDM_TRANSFORM_INTEGRAL, {}, IDOK, {1, 1, 1, 1, 1}, 0, 0, {0, 0.001, 0.002, 0.003, 0.004},
         "Undo Integral"},
        {"integral of a selection", IDM_TRANSFORM_INTEGRAL, {}, IDOK, {5, 1, 1, 1, 5}, 1, 3, {5, 0, 0.001, 0.002, 5},
         "Undo Integral"},
        {"difference", IDM_TRANSFORM_DIFFERENCE, {Number("1")}, IDOK, {0, 1, 4, 9}, 0, 0, {0, 1000, 3000, 9},
         "Undo Difference"},
        {"difference over 2 intervals", IDM_TRANSFORM_DIFFERENCE, {Number("2")}, IDOK, {0, 1, 4, 9, 16}, 0, 0,
         {500, 2000, 4000, 6000, 16}, "Undo Difference"},
    };
    for (Case& c : cases) {
        Fill(c.in, c.selA, c.selB);
        std::optional<DialogDriver> driver;
        std::optional<BoxCapture> boxes;
        if (c.steps.empty())
            boxes.emplace().answer = c.boxAnswer;  // a box of its own, not a dialog
        else
            driver.emplace(c.steps);
        Command(c.command);
        if (driver) {
            EXPECT_EQ(driver->Runs(), static_cast<int>(c.steps.size())) << c.what;
        }
        ExpectNear(Values(gs), c.want, c.what);
        EXPECT_EQ(UndoLabel().rfind(c.undo, 0), 0u) << c.what << ": " << UndoLabel();
        EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u) << c.what;
        Command(IDM_EDIT_UNDO);
        ExpectNear(Values(gs), c.in, std::string(c.what) + " after Undo");
    }
}

TEST_F(Transforms, RefusedParametersChangeNothingAndSayWhy) {
    struct Case {
        const char* what;
        UINT command;
        DialogDriver::Step step;
        const char* message;
    } cases[] = {
        {"smoothing over 2 samples", IDM_TRANSFORM_SMOOTHING, Smoothing("2", false), "at least 3 samples"},
        {"difference over 0 intervals", IDM_TRANSFORM_DIFFERENCE, Number("0"), "At least 1 interval"},
    };
    for (Case& c : cases) {
        const std::vector<double> in = {3, 1, 4, 1, 5};
        Fill(in);
        DialogDriver driver({c.step});
        BoxCapture boxes;
        boxes.caption = getMsgBoxText("Norvane Tessaly");
        Command(c.command);
        ExpectNear(Values(gs), in, c.what);
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.what;
        EXPECT_NE(boxes.boxes[0].text.find(c.message), std::string::npos) << c.what << ": " << boxes.boxes[0].text;
    }
}

TEST_F(Transforms, AOneSampleChannelAndAGapAreTakenInStride) {
    Fill({4});
    DialogDriver driver({Smoothing("3", false)});
    Command(IDM_TRANSFORM_SMOOTHING);
    BoxCapture boxes;
    ExpectNear(Values(gs), {2}, "one sample smoothed with the zero after it");
    Command(IDM_TRANSFORM_INTEGRAL);
    ASSERT_EQ(boxes.boxes.size(), 1u) << "the integral needs two samples";
    ExpectNear(Values(gs), {2}, "no integral of one sample");
    Fill({1, 1, NAN, 1, 1});
    Command(IDM_TRANSFORM_INTEGRAL);
    ExpectNear(Values(gs), {0, 0.001, 0.0015, 0.002, 0.003}, "a gap counts as 0");
}

// Escape is held from the third time the run asks: the integral stops there, the samples after
// it keep their values, and Undo brings back every one.
TEST_F(Transforms, EscapeEndsALongIntegralAndUndoRestoresTheRest) {
    std::vector<double> in(100000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = std::sin(i * 0.001);
    Fill(in);
    static int asks;
    static std::vector<std::string> shown;
    asks = 0;
    shown.clear();
    SetTransformEscapeProbe([] {
        shown.push_back(GetStatusTextShown());
        return ++asks >= 3;
    });
    Command(IDM_TRANSFORM_INTEGRAL);
    const std::vector<double> out = Values(gs);
    ASSERT_EQ(asks, 3);
    // Asked at samples 1, 1000 and 2000: the sum reached sample 1999, and 2000 onwards are untouched.
    EXPECT_EQ(out[0], 0.0);
    EXPECT_NE(out[1999], in[1999]);
    for (size_t i = 2000; i < in.size(); ++i) ASSERT_EQ(out[i], in[i]) << i;
    ASSERT_GE(shown.size(), 3u);
    EXPECT_NE(shown[2].find("Integrating:"), std::string::npos) << shown[2];
    EXPECT_NE(shown[2].find("1% completed"), std::string::npos) << shown[2];
    EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u);
    Command(IDM_EDIT_UNDO);
    ExpectNear(Values(gs), in, "after Undo");
}

// The key itself, as the keyboard sends it, read through the program's own keyboard check: the
// press is sent when the FFT asks, so no window activation in between (the dialog's closing) can
// resync the key state and lose it. It stops the FFT, which leaves no result graph and the source
// as it was.
TEST_F(Transforms, EscapeHeldStopsTheFftWithoutAResultGraph) {
    std::vector<double> in(1u << 16);
    for (size_t i = 0; i < in.size(); ++i) in[i] = std::cos(2 * kPi * 5 * i / 1024.0);
    Fill(in);
    const int before = GraphWindowCount();
    static int asks;
    asks = 0;
    // Tests running beside this one share the display, and a window of theirs taking the focus
    // makes Wine read the keyboard's state afresh, which can lose a press on the way: the press
    // is sent again at each ask until the program's check sees it.
    SetTransformEscapeProbe([] {
        ++asks;
        INPUT key{};
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_ESCAPE;
        SendInput(1, &key, sizeof key);
        return IsEscapeKeyDown();
    });
    DialogDriver driver({[&](HWND dlg) {
        Click(dlg, IDC_FFT_LINEAR);
        Click(dlg, IDOK);
    }});
    Command(IDM_TRANSFORM_FFT);
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = VK_ESCAPE;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &up, sizeof up);
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    EXPECT_GE(asks, 1) << "the FFT asks for the key";
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(FftSettings.scale, 0) << "the dialog was answered with OK";
    EXPECT_EQ(GraphWindowCount(), before);
    ExpectNear(Values(gs), in, "the source");
}

TEST_F(Transforms, FftOfAToneMakesAGraphWithItsBin) {
    const uint32_t n = 1000;
    std::vector<double> in(n);
    for (uint32_t i = 0; i < n; ++i) in[i] = std::cos(2 * kPi * 8 * i / 1024.0);
    Fill(in, 0, n - 1);
    std::string points, exactShown;
    bool padEnabled = false;
    DialogDriver driver({[&](HWND dlg) {
        points = ItemText(dlg, IDC_FFT_POINTS);
        exactShown = IsWindowVisible(GetDlgItem(dlg, IDC_FFT_EXACT)) ? "shown" : "hidden";
        padEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_FFT_PAD_ZEROS)) != FALSE;
        Click(dlg, IDC_FFT_WINDOW);
        Click(dlg, IDC_FFT_LINEAR);
        Click(dlg, IDOK);
    }});
    const int before = GraphWindowCount();
    Command(IDM_TRANSFORM_FFT);
    EXPECT_EQ(points, "1024");
    EXPECT_EQ(exactShown, "hidden");
    EXPECT_TRUE(padEnabled);
    ASSERT_EQ(GraphWindowCount(), before + 1);
    tagGS* result = Graph();
    ASSERT_NE(result, gs);
    EXPECT_STREQ(result->title, "FFT");
    const int slot = static_cast<int>(result->selectedChan);
    EXPECT_STREQ(result->chanLabel[slot], "Magnitude");
    const std::vector<double> mag = Values(result, slot);
    ASSERT_EQ(mag.size(), 512u);
    EXPECT_NEAR(result->sampleInterval, 1.0 / 1024, 1e-15);
    EXPECT_NEAR(result->hPerDiv * result->hDivisions, 512 * result->sampleInterval / 0.98, 1e-12)
        << "the whole spectrum in view, and little more";
    // 1000 of 1024 points hold the tone: its bin holds most of the energy, less the zero fill.
    for (uint32_t k = 0; k < 512; ++k) {
        if (k == 8) continue;
        ASSERT_LT(mag[k], mag[8] / 10) << k;
    }
    EXPECT_NEAR(mag[8], 0.5 * 1000 / 1024, 0.01);
    ExpectNear(Values(gs), in, "the source is left as it was");
}

namespace {
// Each graph window coming into view while the FFT runs, and whether it held the finished
// spectrum at that moment (its frequency axis is set once the spectrum is in).
struct Showings {
    HWND source = nullptr;
    double interval = 0.0;
    int shown = 0, shownFilled = 0;
};
Showings* g_showings = nullptr;

LRESULT CALLBACK RecordShowing(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_showings && m->message == WM_SHOWWINDOW && m->wParam &&
        GetParent(m->hwnd) == g_app->hwndClient && m->hwnd != g_showings->source) {
        ++g_showings->shown;
        const tagGS* doc = GetWindowGraph(m->hwnd);
        if (doc && doc->chanCount[doc->selectedChan] == 512 && doc->sampleInterval == g_showings->interval)
            ++g_showings->shownFilled;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool BarEnabled(HWND bar) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!GetScrollBarInfo(bar, OBJID_CLIENT, &info)) return IsWindowEnabled(bar) != FALSE;
    return !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && IsWindowEnabled(bar);
}
}  // namespace

// The result comes into view once, already filled, as the active graph; a maximised source is
// restored as it is for any new graph. The whole spectrum is in view: the time bar is off.
TEST_F(Transforms, FftResultGraphIsShownOnceFilledAndActive) {
    for (const bool maximised : {false, true}) {
        SCOPED_TRACE(maximised ? "from a maximised graph" : "from a graph in its frame");
        std::vector<double> in(1024);
        for (size_t i = 0; i < in.size(); ++i) in[i] = std::sin(0.3 * i);
        Fill(in, 0, 1023);
        if (maximised) SendMessageA(g_app->hwndClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(gs->hwnd), 0);
        ASSERT_EQ(IsZoomed(gs->hwnd) != FALSE, maximised);
        Showings showings;
        showings.source = gs->hwnd;
        showings.interval = 1.0 / 1024;
        g_showings = &showings;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordShowing, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
        DialogDriver driver({[](HWND dlg) { Click(dlg, IDOK); }});
        const int before = GraphWindowCount();
        Command(IDM_TRANSFORM_FFT);
        UnhookWindowsHookEx(hook);
        g_showings = nullptr;
        ASSERT_EQ(GraphWindowCount(), before + 1);
        tagGS* result = Graph();
        ASSERT_NE(result, gs);
        EXPECT_EQ(result->hwnd, g_app->hwndActiveGraph);
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), result->hwnd);
        EXPECT_TRUE(IsWindowVisible(result->hwnd));
        EXPECT_EQ(NewGraphProblems(result->hwnd, gs->hwnd), "");
        EXPECT_EQ(GetFocus(), GetGraphWindowData(result->hwnd)->hwndFocus) << "its channel director has the keys";
        EXPECT_EQ(showings.shown, 1) << "the result graph came into view once";
        EXPECT_EQ(showings.shownFilled, 1) << "with its spectrum already in";
        EXPECT_FALSE(IsZoomed(result->hwnd));
        EXPECT_FALSE(IsZoomed(gs->hwnd));
        EXPECT_FALSE(BarEnabled(result->hScrollBar));
        EXPECT_TRUE(BarEnabled(result->vScrollBar));
        EXPECT_TRUE(IsWindowVisible(result->hScrollBar));
        result->modified = 0;
        SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(result->hwnd), 0);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(gs->hwnd), 0);
        ASSERT_EQ(Graph(), gs);
    }
}

// A long transform runs while its graph is made: the same spectrum, "Ready" in the status strip
// after it, and Escape held while it runs stops it with no result graph left.
TEST_F(Transforms, LongFftGivesItsBinOrStopsOnEscape) {
    const uint32_t n = 1u << 18, bin = 3000;
    std::vector<double> in(n);
    for (uint32_t i = 0; i < n; ++i) in[i] = 2.0 * std::cos(2 * kPi * bin * i / n);
    Fill(in);
    static int asks;
    static bool escape;
    struct Case {
        bool held;
        uint32_t outputs;
    } cases[] = {{false, kFftMagnitude}, {false, kFftMagnitude | kFftPhase}, {true, kFftMagnitude}};
    for (const Case& c : cases) {
        const bool held = c.held;
        SCOPED_TRACE(held ? "Escape held" : c.outputs & kFftPhase ? "magnitude and phase" : "magnitude");
        asks = 0;
        escape = held;
        SetTransformEscapeProbe([] {
            ++asks;
            return escape;
        });
        // Linear magnitude of the input as it is.
        FftSettings = FftSettingsRecord{0, c.outputs, 0, 0, 0};
        DialogDriver driver({[](HWND dlg) { Click(dlg, IDOK); }});
        const int before = GraphWindowCount();
        Command(IDM_TRANSFORM_FFT);
        SetTransformEscapeProbe(nullptr);
        EXPECT_GE(asks, 1);
        EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u) << GetStatusTextShown();
        if (held) {
            EXPECT_EQ(GraphWindowCount(), before);
            EXPECT_EQ(Graph(), gs);
            ExpectNear(Values(gs), in, "the source");
            continue;
        }
        ASSERT_EQ(GraphWindowCount(), before + 1);
        tagGS* result = Graph();
        ASSERT_NE(result, gs);
        const std::vector<double> mag = Values(result, static_cast<int>(result->selectedChan));
        ASSERT_EQ(mag.size(), n / 2);
        for (uint32_t k = 0; k < n / 2; ++k) ASSERT_NEAR(mag[k], k == bin ? 1.0 : 0.0, 1e-9) << k;
        if (c.outputs & kFftPhase) {
            int phase = -1;
            for (int slot = 0; slot < kMaxChannels; ++slot)
                if (result->chanCount[slot] && std::string(result->chanLabel[slot]) == "Phase") phase = slot;
            ASSERT_GE(phase, 0);
            const std::vector<double> degrees = Values(result, phase);
            ASSERT_EQ(degrees.size(), n / 2);
            EXPECT_NEAR(degrees[bin], 0.0, 1e-6) << "a cosine starts at phase 0";
        }
        ExpectNear(Values(gs), in, "the source");
        result->modified = 0;
        SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(result->hwnd), 0);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(gs->hwnd), 0);
        ASSERT_EQ(Graph(), gs);
    }
}

TEST_F(Transforms, FftOfSilenceInDecibelsGetsAFloorNotAHugeLevel) {
    Fill(std::vector<double>(256, 0.0));
    FftSettings = FftSettingsRecord{1, kFftMagnitude, 0, 0, 0};
    const int before = GraphWindowCount();
    ASSERT_EQ(FftChannel(gs, 0, 0), 0);
    ASSERT_EQ(GraphWindowCount(), before + 1);
    tagGS* result = GraphTitled("FFT");
    ASSERT_NE(result, nullptr);
    const std::vector<double> dB = Values(result, static_cast<int>(result->selectedChan));
    ASSERT_EQ(dB.size(), 128u);
    for (double v : dB) ASSERT_LT(v, -300.0);
}

TEST_F(Transforms, FftOfAChannelTooShortIsRefused) {
    Fill({1, 2, 3});
    BoxCapture boxes;
    const int before = GraphWindowCount();
    Command(IDM_TRANSFORM_FFT);
    EXPECT_EQ(GraphWindowCount(), before);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("at least 4 samples"), std::string::npos) << boxes.boxes[0].text;
}

// A selection of two samples is too short for a filter: the whole channel is differentiated.
TEST_F(Transforms, DerivativeOfASineThroughItsDialogAndUndo) {
    std::vector<double> in(4000);
    const double w = 2 * kPi * 20;  // 20 Hz at 1000 samples a second
    for (size_t i = 0; i < in.size(); ++i) in[i] = std::sin(w * i / 1000.0);
    Fill(in, 10, 11);
    std::string caption;
    DialogDriver driver({[&](HWND dlg) {
        char text[64] = "";
        GetWindowTextA(dlg, text, sizeof text);
        caption = text;
        TypeInto(dlg, IDC_FIR_CUTOFF, "125");
        TypeInto(dlg, IDC_FIR_TAPS, "511");
        Click(dlg, IDOK);
    }});
    Command(IDM_TRANSFORM_DERIVATIVE);
    EXPECT_EQ(caption, "Derivative");
    const std::vector<double> out = Values(gs);
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 600; i < 3400; ++i) ASSERT_NEAR(out[i], w * std::cos(w * i / 1000.0), 0.005 * w) << i;
    EXPECT_EQ(UndoLabel().rfind("Undo Derivative", 0), 0u) << UndoLabel();
    Command(IDM_EDIT_UNDO);
    ExpectNear(Values(gs), in, "after Undo");
}

// With the dialog's defaults (39 taps, the -61 dB window, a band of fs/8), a constant has no
// slope and a ramp has its own: the windowed differentiator stays odd about its middle tap. A
// constant has none under any window. Edge samples are repeated, so a ramp is read away from its
// ends.
TEST_F(Transforms, DerivativeOfAConstantIsZeroAndOfARampItsSlope) {
    const struct {
        const char* what;
        double level, slope;  // x = level + slope * seconds
        int window;
    } rows[] = {
        {"a constant", 1.0, 0.0, 5},
        {"a ramp of slope 1", 0.0, 1.0, 5},
        {"a ramp of slope -250", 3.0, -250.0, 5},
        {"a constant, no window", -7.5, 0.0, 0},
        {"a constant, Bartlett", 2.0, 0.0, 1},
        {"a ramp, Hanning", 0.0, 1.0, 2},
        {"a ramp, Blackman -92dB", 0.0, 1.0, 8},
        {"a ramp, KaiserBessel", 0.0, 1.0, 9},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<double> in(400);
        for (size_t i = 0; i < in.size(); ++i) in[i] = row.level + row.slope * i * kInterval / 1000.0;
        Fill(in);
        g_firSettings = FirSettings();
        g_firSettings.window = row.window;
        DialogDriver driver({[&](HWND dlg) { Click(dlg, IDOK); }});
        Command(IDM_TRANSFORM_DERIVATIVE);
        EXPECT_EQ(driver.Runs(), 1);
        const std::vector<double> out = Values(gs);
        ASSERT_EQ(out.size(), in.size());
        const double tolerance = row.slope == 0.0 ? 1e-9 : 0.01 * std::fabs(row.slope);
        for (size_t i = 40; i < in.size() - 40; ++i) ASSERT_NEAR(out[i], row.slope, tolerance) << i;
    }
}

// A channel of 16-bit samples is turned into doubles first, so results beyond the 16-bit range
// are kept whole, and Undo brings back the values it had.
TEST_F(Transforms, ASixteenBitChannelTakesResultsBeyondItsRange) {
    Fill({0});
    FreeLockedBlock(gs->chanBlock[0]);
    const std::vector<int16_t> raw = {32767, 32767, 32767, 32767};
    auto* r = static_cast<int16_t*>(AllocLockedBlock(raw.size() * sizeof(int16_t) + 2));
    for (size_t i = 0; i < raw.size(); ++i) r[i] = raw[i];
    gs->chanBlock[0] = r;
    gs->chanType[0] = 0;
    gs->chanBytes[0] = 2;
    gs->chanScale[0] = 1.0;
    gs->chanOffset[0] = 0.0;
    gs->chanCount[0] = static_cast<uint32_t>(raw.size());
    gs->hUnitKind = kHUnitUser;  // user units: one unit a sample
    std::vector<double> before;
    for (int i = 0; i < 4; ++i) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, i, 0, &v), 1);
        before.push_back(v);
    }
    Command(IDM_TRANSFORM_INTEGRAL);
    ASSERT_EQ(gs->chanType[0], 1);
    ExpectNear(Values(gs), {0, before[0], 2 * before[0], 3 * before[0]}, "the sum past 32767");
    Command(IDM_EDIT_UNDO);
    std::vector<double> after;
    for (int i = 0; i < 4; ++i) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, i, 0, &v), 1);
        after.push_back(v);
    }
    ExpectNear(after, before, "after Undo");
}

namespace {

// The graphs a transform makes open with the measurement boxes that suit them, captioned for
// their frequency axis; the derivative's "Show Filter Response" makes its graph like the filters'.
TEST_F(Transforms, ResultGraphsOpenWithTheirMeasurementBoxes) {
    const std::vector<int> responseTypes = {measure::kValue, measure::kDelta, measure::kHAbs, measure::kNone,
                                            measure::kNone};
    const std::vector<std::string> responseCaptions = {"value", "delta", "x-axis: F", "none", "none"};
    struct Row {
        UINT command;
        bool response, dontModify;
        const char* title;  // of the new graph; none when no graph should open
        std::vector<int> types;
        std::vector<std::string> captions;
    } rows[] = {
        {IDM_FIR_LOW_PASS, true, true, "Low Pass Filter", responseTypes, responseCaptions},
        {IDM_TRANSFORM_DERIVATIVE, true, false, "Derivative", responseTypes, responseCaptions},
        {IDM_TRANSFORM_DERIVATIVE, true, true, "Derivative", responseTypes, responseCaptions},
        {IDM_TRANSFORM_DERIVATIVE, false, false, nullptr, {}, {}},
        {IDM_TRANSFORM_FFT, false, false, "FFT",
         {measure::kHAbs, measure::kDeltaH, measure::kMax, measure::kNone, measure::kNone},
         {"x-axis: F", "delta F", "max", "none", "none"}},
    };
    for (const Row& row : rows) {
        const std::string what = std::to_string(row.command) + (row.response ? " response" : "") +
                                 (row.dontModify ? " unmodified" : "");
        std::vector<double> in(2000);
        for (size_t i = 0; i < in.size(); ++i) in[i] = std::sin(2 * kPi * 20 * i / 1000.0);
        Fill(in);
        g_firSettings = FirSettings();
        DialogDriver driver({[&](HWND dlg) {
            if (row.command != IDM_TRANSFORM_FFT) {
                TypeInto(dlg, IDC_FIR_CUTOFF, "125");
                TypeInto(dlg, IDC_FIR_TAPS, "101");
                if (row.response) Click(dlg, IDC_FIR_RESPONSE);
                if (row.dontModify) Click(dlg, IDC_FIR_DONT_MODIFY);
            }
            Click(dlg, IDOK);
        }});
        const int before = GraphWindowCount();
        Command(row.command);
        ASSERT_EQ(driver.Runs(), 1) << what;
        if (row.command != IDM_TRANSFORM_FFT) {
            const bool unchanged = Values(gs) == in;
            EXPECT_EQ(unchanged, row.dontModify) << what;
        }
        if (!row.title) {
            EXPECT_EQ(GraphWindowCount(), before) << what;
            continue;
        }
        ASSERT_EQ(GraphWindowCount(), before + 1) << what;
        tagGS* made = GraphTitled(row.title);
        ASSERT_TRUE(made && made != gs) << what;
        EXPECT_STREQ(made->title, row.title) << what;
        EXPECT_EQ(made->hUnitKind, kHUnitFrequency) << what;
        const int boxes = GetMeasurementCount(made->measureGrid);
        ASSERT_GT(boxes, 2) << what;
        for (int b = 0; b < 5 && b < boxes; ++b) {
            stMeasure* box = GetMeasurementAt(made->measureGrid, b);
            ASSERT_TRUE(box && box->typeButton) << what << " box " << b;
            EXPECT_EQ(GetMeasurementType(box), row.types[b]) << what << " box " << b;
            // The button shows its chosen item's text, numbered from 1 in its menu.
            char caption[64] = "";
            GetMenuStringA(box->typeButton->GetItemMenu(), GetMeasurementType(box) + kMeasureTypeIdBase + 1, caption,
                           sizeof caption, MF_BYCOMMAND);
            EXPECT_EQ(caption, row.captions[b]) << what << " box " << b;
        }
        if (row.command == IDM_TRANSFORM_DERIVATIVE) {
            // A differentiator's gain grows with frequency: 6 dB an octave inside its band.
            const std::vector<double> db = Values(made, static_cast<int>(made->selectedChan));
            ASSERT_EQ(db.size(), 64u) << what;  // 101 taps: 128 points, half of them
            EXPECT_NEAR(db[8] - db[4], 20 * std::log10(2.0), 0.5) << what;
            EXPECT_NEAR(db[8], 20 * std::log10(2 * kPi * 8 / 128), 0.5) << what;
        }
        made->modified = 0;
        SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(made->hwnd), 0);
        ASSERT_EQ(GraphWindowCount(), before) << what;
        ASSERT_EQ(Graph(), gs) << what;
    }
}

}  // namespace

namespace {

// A pixel of the black text on the white field, its smoothed edges included.
bool IsInk(COLORREF c) { return GetRValue(c) < 0xC0 && GetGValue(c) < 0xC0 && GetBValue(c) < 0xC0; }

// What a shown box of a graph's row shows that it should not: a result field narrower than the
// text drawn in it with the window's font, or text cut at the field's right edge on screen.
std::string ClippedBoxText(tagGS* doc) {
    std::string problems;
    RECT client{};
    GetClientRect(doc->hwnd, &client);
    const int boxes = GetMeasurementCount(doc->measureGrid);
    for (int b = 0; b < boxes; ++b) {
        stMeasure* box = GetMeasurementAt(doc->measureGrid, b);
        if (!box || !IsMeasurementShown(box) || !IsWindowVisible(box->wnd)) continue;
        char text[48] = "";
        GetMeasurementDisplayText(box, text, sizeof text);
        if (!text[0]) continue;
        RECT placed{};
        GetWindowRect(box->wnd, &placed);
        MapWindowPoints(nullptr, doc->hwnd, reinterpret_cast<POINT*>(&placed), 2);
        const std::string name = "box " + std::to_string(b) + " \"" + text + "\"";
        if (placed.right > client.right) problems += name + " reaches past the window; ";
        // The field's text runs from 4 pixels inside its left edge to 2 inside its right one.
        UpdateWindow(box->wnd);
        HDC dc = GetDC(box->wnd);
        HGDIOBJ old = SelectObject(dc, g_app->fonts.hfontText);
        RECT extent{0, 0, 0, 0};
        DrawTextA(dc, text, -1, &extent, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const RECT& f = box->result;
        const int room = (f.right - 2) - (f.left + 4);
        if (extent.right > room)
            problems += name + " is " + std::to_string(extent.right) + " pixels wide in a field of " +
                        std::to_string(room) + "; ";
        // On screen: the last column the text inks when nothing cuts it (drawn alone, as the
        // box draws it, on white) is inked in the field too.
        const int h = f.bottom - f.top;
        CDibSurface alone(extent.right + 16, h);
        SelectObject(alone.Dc(), g_app->fonts.hfontText);
        SetBkMode(alone.Dc(), TRANSPARENT);
        RECT t{4, 2, extent.right + 16, h - 2};
        DrawTextA(alone.Dc(), text, -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        int last = -1;
        for (int x = 0; x < alone.Width(); ++x)
            for (int y = 0; y < h; ++y)
                if (IsInk(alone.At(x, y))) last = x;
        bool inked = false;
        for (int y = f.top; y < f.bottom && last >= 0; ++y) inked = inked || IsInk(GetPixel(dc, f.left + last, y));
        SelectObject(dc, old);
        ReleaseDC(box->wnd, dc);
        if (!inked) problems += name + " is cut on screen before its last column " + std::to_string(f.left + last) + "; ";
    }
    return problems;
}

// Result graphs show numbers of three digits and units longer than a voltage's: the Histogram's
// first bin with 116 hits and the filter response deep in its stop band, where the I-beam places
// the cursor. Each box of their rows shows its whole text.
TEST_F(Transforms, ResultGraphBoxesShowTheirWholeText) {
    std::vector<double> counts(1000, -1.0);
    for (size_t i = 116; i < counts.size(); ++i) counts[i] = -0.5 + 1.5 * static_cast<double>(i - 116) / 883.0;
    Fill(counts);
    DialogDriver histogram({[](HWND dlg) { Click(dlg, IDOK); }});
    Command(IDM_TRANSFORM_HISTOGRAM);
    ASSERT_EQ(histogram.Runs(), 1);
    PumpMessages();
    tagGS* bins = GraphTitled("Histogram");
    ASSERT_TRUE(bins && bins != gs);
    char text[48] = "";
    GetMeasurementDisplayText(GetMeasurementAt(bins->measureGrid, 0), text, sizeof text);
    ASSERT_STREQ(text, "116.000000 hits");
    SaveWindowPicture(bins->hwnd, "histogram_boxes");
    EXPECT_EQ(ClippedBoxText(bins), "");
    bins->modified = 0;
    SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(bins->hwnd), 0);

    std::vector<double> tone(2000);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = std::sin(2 * kPi * 20 * i / 1000.0);
    Fill(tone);
    g_firSettings = FirSettings();
    ASSERT_EQ(LowPassResponseOnly(), 1);
    PumpMessages();
    tagGS* response = GraphTitled("Low Pass Filter");
    ASSERT_TRUE(response && response != gs);
    SendMessageA(response->hwnd, WM_COMMAND, MAKEWPARAM(IDC_TOOL_IBEAM, 0), 0);
    const RECT& plot = response->plotRect;
    const LPARAM at = MAKELPARAM(plot.left + (plot.right - plot.left) * 4 / 5, (plot.top + plot.bottom) / 2);
    SendMessageA(response->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(response->hwnd, WM_LBUTTONUP, 0, at);
    PumpMessages();
    GetMeasurementDisplayText(GetMeasurementAt(response->measureGrid, 0), text, sizeof text);
    const std::string shown = text;
    ASSERT_EQ(shown.size(), std::string("-74.985006 dbV").size()) << shown;
    ASSERT_EQ(shown.substr(shown.size() - 4), " dbV") << shown;
    ASSERT_EQ(shown[0], '-') << shown;
    SaveWindowPicture(response->hwnd, "filter_response_boxes");
    EXPECT_EQ(ClippedBoxText(response), "");
    response->modified = 0;
    SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(response->hwnd), 0);
}

}  // namespace
