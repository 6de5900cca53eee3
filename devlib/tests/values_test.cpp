// The Input Values pane and the model-40 electrode checker: their arithmetic over plain records,
// then the windows the library creates at start-up over the simulated unit, driven by the device
// menu's commands and the idle step, read back from their controls and rendered into bitmaps.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/setup/electrode.h"
#include "devlib/acquisition/setup/electrode_check.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/acquisition/setup/prefs.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/acquisition/run/unit_memory.h"
#include "devlib/acquisition/setup/values_options.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/services/dlg_resource.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

std::vector<HWND> g_activeDialogs;

// ---- The pane's arithmetic ----

stAcqChan Chan(int32_t group, int32_t number, uint32_t flags) {
    stAcqChan c{};
    c.group = group;
    c.number = number;
    c.flags = flags;
    return c;
}

TEST(InputValuesPane, ShownChannelsFollowTheValuesBitAndWhileRecordingTheOnBitInRecordOrder) {
    auto acq = std::make_unique<stAcq>();
    memset(acq.get(), 0, sizeof(stAcq));
    for (stAcqChan& c : acq->chans) c.number = -1;
    acq->chans[0] = Chan(0, 2, 8);       // values only
    acq->chans[1] = Chan(0, 0, 2 | 8);   // on and values
    acq->chans[2] = Chan(0, 1, 2 | 4);   // on, plotted, no values
    acq->chans[3] = Chan(1, 3, 2 | 8);   // digital 4
    acq->chans[4] = Chan(2, 5, 2 | 8);   // calculation 5
    acq->chans[5] = Chan(0, 9, 2 | 8);   // no such input
    const struct {
        int32_t running;
        std::vector<int32_t> ids, records;
    } cases[] = {
        {0, {3, 1, 23, 45}, {0, 1, 3, 4}},
        {1, {1, 23, 45}, {1, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.running);
        stShownChannel shown[kMaxChanRecords];
        const int32_t n = CollectShownChannels(acq.get(), c.running, shown);
        std::vector<int32_t> ids, records;
        for (int32_t i = 0; i < n; ++i) {
            ids.push_back(shown[i].id);
            records.push_back(shown[i].record);
        }
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(records, c.records);
    }
    stAcqRun run{};
    run.analogCount = 2;
    run.digitalCount = 1;
    run.calcCount = 1;
    const int32_t order[] = {1, 3, 23, 45};
    memcpy(run.chanOrder, order, sizeof(order));
    // Each channel the run records sits in the slot of its number.
    EXPECT_EQ(RunSlotOfChannel(run, 3), 3);
    EXPECT_EQ(RunSlotOfChannel(run, 23), 23);
    EXPECT_EQ(RunSlotOfChannel(run, 45), 45);
    EXPECT_EQ(RunSlotOfChannel(run, 2), -1);
}

TEST(InputValuesPane, NamesAndValueTextsFollowTheirFormats) {
    const struct {
        int32_t id;
        const char *list, *bar;
    } names[] = {{1, "A1 = ", "CH1 "}, {4, "A4 = ", "CH4 "}, {20, "D1 = ", "D1 "}, {27, "D8 = ", "D8 "},
                 {40, "C0 = ", "C0 "}, {51, "C11= ", "C11"}};
    for (const auto& n : names) {
        char list[16], bar[16];
        ListChannelName(n.id, list, sizeof(list));
        BarChannelName(n.id, bar, sizeof(bar));
        EXPECT_STREQ(list, n.list);
        EXPECT_STREQ(bar, n.bar);
    }
    const struct {
        double value;
        int32_t decimals;
        const char* text;
    } values[] = {{1.23456, 2, "1.23"}, {-0.5, 1, "-0.5"}, {2.0, 3, "2.000"}, {12.3456789, 8, "12.34567890"}};
    for (const auto& v : values) {
        char text[32];
        FormatPaneValue(v.value, v.decimals, text, sizeof(text));
        EXPECT_STREQ(text, v.text) << v.value;
    }
    EXPECT_FALSE(DigitalSampleSet(1.0)) << "only samples above 1 set a digital bit";
    EXPECT_TRUE(DigitalSampleSet(1.0001));
}

TEST(InputValuesPane, DisplayRangesComeFromTheGraphOrTheChannelKind) {
    auto gs = MakeGraph();
    gs->chanVDivisions[2] = 8;
    gs->chanVPerDiv[2] = 0.5;
    gs->chanVCenter[2] = 1.0;
    double lo = 0, hi = 0;
    ChannelDisplayRange(gs.get(), 2, 1, &lo, &hi);  // half-range 8 x 0.25 x 0.5 x 2 = 2
    EXPECT_DOUBLE_EQ(lo, -1.0);
    EXPECT_DOUBLE_EQ(hi, 3.0);
    const struct {
        int32_t id;
        double lo, hi;
    } defaults[] = {{1, -10, 10}, {21, 0, 5}, {44, -10, 10}};
    for (const auto& d : defaults) {
        ChannelDisplayRange(gs.get(), -1, d.id, &lo, &hi);
        EXPECT_DOUBLE_EQ(lo, d.lo);
        EXPECT_DOUBLE_EQ(hi, d.hi);
        ChannelDisplayRange(nullptr, 2, d.id, &lo, &hi);
        EXPECT_DOUBLE_EQ(hi, d.hi);
    }
    const struct {
        double value, lo, hi, fraction;
    } fractions[] = {{0, -10, 10, 0.5},  {5, -10, 10, 0.75}, {-20, -10, 10, 0}, {20, -10, 10, 1},
                     {1, 1, 1, 0},       {NAN, 0, 1, 0},     {3, 5, 0, 0}};
    for (const auto& f : fractions) EXPECT_DOUBLE_EQ(LevelFraction(f.value, f.lo, f.hi), f.fraction) << f.value;
}

TEST(InputValuesPane, BarsShareThePaneOnePixelApartAndNeverShrinkBelowThreePixels) {
    const RECT client{0, 0, 205, 200};
    RECT bars[4];
    // Side by side: (205 - 2 x 5 - 3) / 4 = 48 wide, one pixel apart, under two text lines.
    LayoutLevelBars(client, 5, 5, 4, 30, 2, 16, 0, bars);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bars[i].left, 5 + i * 49);
        EXPECT_EQ(bars[i].right - bars[i].left, 48);
        EXPECT_EQ(bars[i].top, 37);
        EXPECT_EQ(bars[i].bottom, 195);
    }
    // A text need wider than the share widens every column.
    LayoutLevelBars(client, 5, 5, 4, 60, 1, 16, 0, bars);
    EXPECT_EQ(bars[1].left - bars[0].right, 1);
    EXPECT_EQ(bars[0].right - bars[0].left, 60);
    // Stacked: rows from the header, texts to the left.
    LayoutLevelBars(client, 5, 5, 3, 40, 1, 16, 1, bars);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(bars[i].left, 45);
        EXPECT_EQ(bars[i].right, 200);
        EXPECT_EQ(bars[i].top, 5 + i * 63);  // (200 - 5 - 5 - 2) / 3 = 62 high
        EXPECT_EQ(bars[i].bottom - bars[i].top, 62);
    }
    // A pane too small for its bars still gives each three pixels each way.
    const RECT tiny{0, 0, 8, 20};
    LayoutLevelBars(tiny, 5, 5, 2, 0, 2, 16, 0, bars);
    for (int i = 0; i < 2; ++i) {
        EXPECT_GE(bars[i].right - bars[i].left, kMinBarPixels);
        EXPECT_GE(bars[i].bottom - bars[i].top, kMinBarPixels);
    }
    // Bar colours: the graph's, black ones too; the pane's own without a slot; black on few colours.
    auto gs = MakeGraph();
    gs->chanColor[0] = RGB(0, 0, 0);
    gs->chanColor[1] = RGB(10, 20, 30);
    EXPECT_EQ(LevelBarColour(gs.get(), 0, 1, 1 << 24), RGB(0, 0, 0));
    EXPECT_EQ(LevelBarColour(gs.get(), 1, 2, 16), RGB(10, 20, 30));
    EXPECT_EQ(LevelBarColour(gs.get(), 1, 2, 2), RGB(0, 0, 0));
    EXPECT_NE(LevelBarColour(nullptr, 0, 1, 16), LevelBarColour(nullptr, 1, 2, 16)) << "channels without a slot differ";
    const RECT bar{10, 20, 30, 120};
    const RECT up = FilledPartOfBar(bar, 0.25, 0);
    EXPECT_EQ(up.top, 95);
    EXPECT_EQ(up.bottom, 120);
    const RECT right = FilledPartOfBar(bar, 0.5, 1);
    EXPECT_EQ(right.right, 20);
    EXPECT_EQ(FilledPartOfBar(bar, 7, 0).top, 20);
}

// ---- The electrode checker's arithmetic ----

TEST(ElectrodeReadout, RepliesConvertToKiloOhmsLimitedToTheMetersScale) {
    const double kVolts = 5.0 / 65535;  // the unit's volts per count
    const struct {
        int16_t reply;
        double kiloOhms;
    } cases[] = {
        {0, 99.9},           // 2.5 V: 185.2 kilo-ohms, shown as 99.9
        {-32767, 0.00099085539555},  // 38 microvolts: shown as 0.00
        {-32768, 0.0},       // below 0 V: limited
        {32767, 99.9},       // 5 V: past the ceiling, limited below it so nothing divides by 0
        {-19660, (-19660 * kVolts + 2.5) * 100 / (3.85 - (-19660 * kVolts + 2.5))},
        {-26000, (-26000 * kVolts + 2.5) * 100 / (3.85 - (-26000 * kVolts + 2.5))},
    };
    for (const auto& c : cases) {
        const double z = ElectrodeImpedanceFromReply(c.reply);
        EXPECT_TRUE(std::isfinite(z)) << c.reply;
        EXPECT_NEAR(z, c.kiloOhms, 1e-11) << c.reply;
    }
    // Every reply gives a finite value inside the scale.
    for (int32_t n = -32768; n <= 32767; n += 7) {
        const double z = ElectrodeImpedanceFromReply(static_cast<int16_t>(n));
        ASSERT_TRUE(z >= 0 && z <= 99.9) << n;
    }
    EXPECT_NEAR(ElectrodeMeterFraction(99.9), 1.0, 1e-6);
    EXPECT_NEAR(ElectrodeMeterFraction(50), 0.5005005, 1e-9);
    EXPECT_EQ(ElectrodeMeterFraction(-1), 0.0);
    const RECT meter = ElectrodeMeterRect(RECT{0, 0, 200, 100});
    EXPECT_EQ(meter.top, 2);
    EXPECT_EQ(meter.bottom, 70);
}

// The model-45 measurement over readings of 0: references of 0 and readings of 0 give open
// inputs, not a division by the zero reading.
int32_t ZeroReadings(void*, uint8_t, int32_t readings[2]) {
    readings[0] = readings[1] = 0;
    return 1;
}

TEST(ElectrodeReadout, ZeroReadingsSettleAndMeasureWithoutDividingByThem) {
    stElectrodeMeasure m;
    ASSERT_EQ(SettleElectrodeReferences(&m, ZeroReadings, nullptr), 1);
    ASSERT_EQ(MeasureElectrodes(&m, ZeroReadings, nullptr, 0), 1);
    for (double z : m.impedance) {
        EXPECT_TRUE(std::isfinite(z));
        EXPECT_DOUBLE_EQ(z, 100.0);
    }
}

// ---- The windows over the simulated unit ----


void* WINAPI RecordActiveDialog(HWND dlg) {
    g_activeDialogs.push_back(dlg);
    return nullptr;
}

// The program's sample reader over a graph's slots, memory runs and rings alike.
int32_t WINAPI SlotSample(tagGS* gs, int32_t index, int32_t slot, double* out) {
    if (slot < 0 || slot >= kMaxChannels || !gs->chanBlock[slot] || index < 0) return 0;
    int64_t pos = index;
    if (gs->winSize == 0) {
        if (uint32_t(index) >= gs->chanCount[slot]) return 0;
    } else {
        if (index < gs->winFirst || int64_t(index) >= int64_t(gs->winFirst) + gs->winLen) return 0;
        pos = (int64_t(gs->winRingBase) + index - gs->winFirst) % gs->winSize;
    }
    *out = static_cast<const int16_t*>(gs->chanBlock[slot])[pos] * gs->chanScale[slot] + gs->chanOffset[slot];
    return 1;
}

// A rendered client area, 32 bits a pixel, top row first.
struct stImage {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> px;
    COLORREF At(int32_t x, int32_t y) const {
        const uint32_t v = px[size_t(y) * width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
};

stImage Render(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    stImage image;
    image.width = client.right;
    image.height = client.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = image.width;
    bi.bmiHeader.biHeight = -image.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    image.px.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + size_t(image.width) * image.height);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return image;
}

// The filled share of a bar drawn in colour: along its middle line, the run of the colour against
// the run of the colour and the empty part up to the black frame.
double MeasuredFill(const stImage& image, COLORREF colour, int32_t stacked, int32_t* found) {
    int32_t minX = image.width, maxX = -1, minY = image.height, maxY = -1;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.At(x, y) == colour) {
                minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    *found = maxX >= 0;
    if (maxX < 0) return 0;
    const COLORREF black = RGB(0, 0, 0);
    int32_t filled = 0, empty = 0;
    if (!stacked) {
        const int32_t x = (minX + maxX) / 2;
        int32_t y = maxY;
        for (; y >= 0 && image.At(x, y) == colour; --y) ++filled;
        for (; y >= 0 && image.At(x, y) != black; --y) ++empty;
    } else {
        const int32_t y = (minY + maxY) / 2;
        int32_t x = minX;
        for (; x < image.width && image.At(x, y) == colour; ++x) ++filled;
        for (; x < image.width && image.At(x, y) != black; ++x) ++empty;
    }
    return filled + empty ? double(filled) / (filled + empty) : 0;
}

class ValuesWindows : public SimulatedRunTest {
protected:
    ValuesWindows() : SimulatedRunTest("values") {}

    void SetUp() override {
        SimulatedRunTest::SetUp();
        // The inputs keep the unit's own signals unless a test sets them.
        SimControlClear();
        SimControlSetDword(kSimVirtualClock, 1);
        SimControlSetQword(kSimClockUs, g_simClockUs);
        g_activeDialogs.clear();
    }

    void TearDown() override {
        SetStartupFlag(0);
        g_lib.readStatusEnable = 0;
        SimulatedRunTest::TearDown();
    }

    void AdjustHost(stHostCallbacks& h) override {
        h.getChannelSample = SlotSample;
        h.setActiveModelessDialog = RecordActiveDialog;
    }

    // DC signals of the given microvolts on the four inputs.
    static void SetDc(const int32_t microvolts[kAnalogChannels]) {
        for (int i = 0; i < kAnalogChannels; ++i) {
            const std::string n = std::to_string(i + 1);
            SimControlSetDword((kSimSignalPrefix + n).c_str(), kSimSignalDc);
            SimControlSetDword((kSimAmplitudePrefix + n).c_str(), static_cast<uint32_t>(microvolts[i]));
        }
    }

    // The library started over a simulated model-40 USB unit, a graph attached, the analog
    // channels in millivolts and shown in the pane.
    stAcq* Start(const char* driverName = "VKUSB") {
        stAcq* acq = SimulatedRunTest::Start(driverName);
        g_lib.readStatusEnable = 1;  // as the program's start-up leaves them
        SetStartupFlag(1);
        ops.onIdleAcquisition(hAcq, nullptr);  // the unit's state, as the first idle turn reads it
        for (int i = 0; i < kAnalogChannels; ++i) {
            stAcqChan& c = acq->chans[i];
            c.flags |= 2 | 8;
            c.inValue1 = 0, c.unitValue1 = 0, c.inValue2 = 0.001, c.unitValue2 = 1;
            lstrcpynA(c.units, "mV", sizeof(c.units));
        }
        return acq;
    }

    // The pane as its first need makes it.
    HWND Pane() const { return InputValuesWindow(hAcq); }

    // A timer tick of the shown pane, as its timer sends it.
    void Tick() { SendMessageA(Pane(), WM_TIMER, IDT_INPUT_VALUES, 0); }

};

TEST_F(ValuesWindows, TheMenuShowsThePaneWithTheUnitsLiveInputsAndHidingStopsItsTimer) {
    const int32_t dc[] = {1500, -2500, 4000, 700};
    SetDc(dc);
    stAcq* acq = Start();
    ASSERT_TRUE(IsWindow(Pane()));
    EXPECT_FALSE(IsWindowVisible(Pane())) << "created hidden";
    ASSERT_EQ(acq->run.statusState, 1) << "the simulated unit is ready";
    g_inputValues.style = kValuesStyleList;
    g_inputValues.showNames = 1;
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    EXPECT_TRUE(IsWindowVisible(Pane()));
    EXPECT_EQ(g_inputValues.shown, 1);
    Tick();
    for (int i = 0; i < kAnalogChannels; ++i) EXPECT_NEAR(g_inputValues.analog[i], dc[i] / 1000.0, 0.01) << i;
    // Live: a new input level shows at the next tick.
    const int32_t changed[] = {-6000, -2500, 4000, 700};
    SetDc(changed);
    Tick();
    EXPECT_NEAR(g_inputValues.analog[0], -6.0, 0.01);
    // The list writes one line per shown channel: every line has ink, the line after none.
    const stImage image = Render(Pane());
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto lineHasInk = [&](int32_t line) {
        const int32_t top = line * g_inputValues.lineHeight + g_inputValues.headerHeight + 2;
        for (int32_t y = top; y < top + g_inputValues.lineHeight && y < image.height; ++y)
            for (int32_t x = 0; x < image.width; ++x)
                if (image.At(x, y) != face) return true;
        return false;
    };
    for (int line = 0; line < kAnalogChannels; ++line) EXPECT_TRUE(lineHasInk(line)) << line;
    EXPECT_FALSE(lineHasInk(kAnalogChannels));
    // A blank parts every value, negative ones too, from its units.
    const int32_t listBottom = kAnalogChannels * g_inputValues.lineHeight + g_inputValues.headerHeight + 2;
    for (int32_t y = g_inputValues.headerHeight + 2; y < listBottom; ++y)
        for (int32_t x = g_inputValues.unitsX - 2; x < g_inputValues.unitsX; ++x)
            ASSERT_EQ(image.At(x, y), face) << "ink at " << x << ", " << y;
    // The timer runs while shown and stops with Cancel, which also clears the shown flags.
    EXPECT_TRUE(KillTimer(Pane(), IDT_INPUT_VALUES));
    SetTimer(Pane(), IDT_INPUT_VALUES, kValuesTimerMs, nullptr);
    SendMessageA(Pane(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowVisible(Pane()));
    EXPECT_EQ(g_inputValues.shown, 0);
    EXPECT_EQ(acq->run.inputValuesShown, 0);
    EXPECT_FALSE(KillTimer(Pane(), IDT_INPUT_VALUES)) << "the timer stops while the pane is hidden";
}

TEST_F(ValuesWindows, LevelBarsFillTheValuesShareOfTheGraphsRangeInTheChannelColours) {
    const int32_t dc[] = {-5000, 2500, 5000, 7500};  // a quarter, 0.625, 0.75, 0.875 of -10..10 mV
    const double expected[] = {0.25, 0.625, 0.75, 0.875};
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 170, 0), RGB(0, 0, 210), RGB(190, 0, 190)};
    SetDc(dc);
    stAcq* acq = Start();
    // The graph the last run filled: input n in slot n, -10..10 mV each.
    acq->run.analogCount = 4;
    for (int i = 0; i < 4; ++i) {
        const int s = i + 1;
        acq->run.chanOrder[i] = s;
        gs->chanVDivisions[s] = 8;
        gs->chanVPerDiv[s] = 2.5;
        gs->chanColor[s] = colours[i];
    }
    g_inputValues.style = kValuesStyleBars;
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    SetWindowPos(Pane(), nullptr, 0, 0, 420, 300, SWP_NOMOVE | SWP_NOZORDER);
    for (int32_t stacked : {0, 1}) {
        SCOPED_TRACE(stacked ? "stacked" : "side by side");
        g_inputValues.stackedBars = stacked;
        SendMessageA(Pane(), WM_COMMAND, IDC_VALUES_RELAYOUT, 0);
        Tick();
        const stImage image = Render(Pane());
        for (int s = 0; s < 4; ++s) {
            int32_t found = 0;
            const double share = MeasuredFill(image, colours[s], stacked, &found);
            ASSERT_TRUE(found) << "bar " << s;
            EXPECT_NEAR(share, expected[s], 0.02) << "bar " << s;
        }
    }
    // Above the range the bar is full, below it empty.
    const int32_t outside[] = {-15000, 2500, 15000, 7500};
    SetDc(outside);
    g_inputValues.stackedBars = 0;
    Tick();
    const stImage image = Render(Pane());
    int32_t found = 0;
    MeasuredFill(image, colours[0], 0, &found);
    EXPECT_FALSE(found) << "a value below the range leaves its bar empty";
    EXPECT_NEAR(MeasuredFill(image, colours[2], 0, &found), 1.0, 1e-9);
}

TEST_F(ValuesWindows, WithoutAReadyUnitOrShownChannelsThePaneShowsNoValues) {
    stAcq* acq = Start();
    g_inputValues.style = kValuesStyleBars;
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto inkBelow = [&](const stImage& image, int32_t top) {
        int32_t ink = 0;
        for (int32_t y = top; y < image.height; ++y)
            for (int32_t x = 0; x < image.width; ++x) ink += image.At(x, y) != face;
        return ink;
    };
    for (stAcqChan& c : acq->chans) c.flags &= ~8u;
    SendMessageA(Pane(), WM_COMMAND, IDC_VALUES_RELAYOUT, 0);
    EXPECT_EQ(inkBelow(Render(Pane()), g_inputValues.headerHeight + 2), 0) << "only the header";
    acq->chans[0].flags |= 8;
    EXPECT_GT(inkBelow(Render(Pane()), g_inputValues.headerHeight + 2), 0);
    // A unit that is missing: only the note, centred, and no bar; the ticks ask the unit nothing.
    acq->run.statusState = 0;
    g_inputValues.analog[0] = 123.0;
    SendMessageA(Pane(), WM_TIMER, IDT_INPUT_VALUES, 0);
    EXPECT_EQ(g_inputValues.analog[0], 123.0);
    const stImage image = Render(Pane());
    int32_t top = image.height, bottom = -1;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.At(x, y) != face) top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_GE(bottom, 0) << "the note is written";
    EXPECT_LT(std::abs((top + bottom) / 2 - image.height / 2), g_inputValues.lineHeight);
}

TEST_F(ValuesWindows, WhileRecordingThePaneShowsEachChannelsNewestSample) {
    for (int i = 1; i <= 4; ++i)
        SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(), kSimSignalCounting);
    stAcq* acq = Start();
    for (int i = 0; i < kAnalogChannels; ++i) acq->chans[i].flags = (i == 1 || i == 3) ? (2 | 4 | 8) : 0;
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    SetUpRun(acq, kStorageMemory, 1.0, 4000);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    for (uint32_t stepMs : {300u, 170u, 610u}) {
        AdvanceClock(stepMs);
        CheckAcquisitionStatus(acq);
        ASSERT_EQ(acq->run.running, 1);
        ops.onIdleAcquisition(hAcq, nullptr);  // the idle step repaints the pane while recording
        for (int s : {2, 4}) {
            const uint32_t n = gs->chanCount[s];
            ASSERT_GT(n, 0u);
            const int32_t input = s - 1;
            const auto* block = static_cast<const int16_t*>(gs->chanBlock[s]);
            ASSERT_EQ(uint16_t(block[n - 1]), SimCountingWord(n - 1, uint32_t(input)));
            EXPECT_DOUBLE_EQ(g_inputValues.analog[input], block[n - 1] * gs->chanScale[s] + gs->chanOffset[s])
                << "input " << input + 1 << " after " << n << " frames";
        }
    }
    AbortAcquisition(acq);
}

// ---- The electrode checker ----

TEST_F(ValuesWindows, TheElectrodeCheckerShowsTheSimulatedImpedanceFromTheIdleStep) {
    SimControlSetDword(kSimImpedance1, 20000);
    stAcq* acq = Start();
    HWND checker = ElectrodeCheckerWindow(hAcq);
    ASSERT_TRUE(IsWindow(checker));
    EXPECT_EQ(acq->hwndElectrodeReadout, checker) << "the program routes this window's timer to the idle step";
    EXPECT_FALSE(IsWindowVisible(checker));
    // Before a reading the title is the window's own note, also after its texts are translated.
    TranslateDLLWindows();
    char title[64] = "";
    GetWindowTextA(checker, title, sizeof(title));
    EXPECT_EQ(title, ControlText(checker, IDC_ELECTRODE_IDLE_TITLE));
    ops.onDriverCommand(hAcq, frame, IDM_ELECTRODE, nullptr, 0);
    EXPECT_TRUE(IsWindowVisible(checker));
    EXPECT_TRUE(IsMenuItemChecked(frame, IDM_ELECTRODE));
    EXPECT_EQ(ControlText(checker, IDC_ELECTRODE_VALUE), "20.00");
    GetWindowTextA(checker, title, sizeof(title));
    EXPECT_STREQ(title, "Electrode Checker");
    const struct {
        uint32_t ohms;
        const char* text;
        double meter;
    } cases[] = {{50000, "50.00", 0.5005}, {5000, "5.00", 0.05005}, {1000000, "99.90", 1.0}, {20000, "20.00", 0.2002}};
    SetWindowPos(checker, nullptr, 0, 0, 400, 160, SWP_NOMOVE | SWP_NOZORDER);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SimControlSetDword(kSimImpedance1, c.ohms);
        ops.onIdleAcquisition(hAcq, nullptr);
        EXPECT_EQ(ControlText(checker, IDC_ELECTRODE_VALUE), c.text);
        // The meter's green share along its middle row.
        const stImage image = Render(checker);
        RECT client{};
        GetClientRect(checker, &client);
        const RECT meter = ElectrodeMeterRect(client);
        const int32_t y = (meter.top + meter.bottom) / 2 + 4;
        int32_t green = 0;
        for (int32_t x = meter.left + 2; x < meter.right - 2; ++x) green += image.At(x, y) == RGB(0, 160, 0);
        EXPECT_NEAR(double(green) / (meter.right - meter.left - 4), c.meter, 0.01);
    }
    // A unit that does not answer, or a recording, keeps the value shown.
    SimControlSetDword(kSimImpedance1, 70000);
    SimControlSetDword(kSimFault, kSimFaultNoReply);
    SimControlSetDword(kSimFaultCommand, kCmdElectrodeVK40);
    ops.onIdleAcquisition(hAcq, nullptr);
    EXPECT_EQ(ControlText(checker, IDC_ELECTRODE_VALUE), "20.00");
    SimControlSetDword(kSimFault, kSimFaultNone);
    acq->run.running = 1;
    UpdateElectrodeChecker(nullptr, acq);
    acq->run.running = 0;
    EXPECT_EQ(ControlText(checker, IDC_ELECTRODE_VALUE), "20.00");
    ops.onIdleAcquisition(hAcq, nullptr);
    EXPECT_EQ(ControlText(checker, IDC_ELECTRODE_VALUE), "70.00");
    // Activation reports the window to the host; Cancel hides it and clears the check mark.
    SendMessageA(checker, WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_FALSE(g_activeDialogs.empty());
    EXPECT_EQ(g_activeDialogs.back(), checker);
    SendMessageA(checker, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowVisible(checker));
    EXPECT_EQ(g_lib.electrodeShown, 0);
    EXPECT_FALSE(IsMenuItemChecked(frame, IDM_ELECTRODE));
}

TEST(ElectrodeCheck, ValuesShowAsKiloOhmsOrAsOpenAndBarsTakeTheirWholePart) {
    const struct {
        double kiloOhms;
        int32_t reading;
        const char* text;
        int32_t bar;
    } cases[] = {{20.0, 1, "20.00 kW", 20}, {5.256, 1, " 5.26 kW", 5}, {99.99, 1, "99.99 kW", 99},
                 {100.0, 1, "> 100 kW", 100}, {1000.0, 1, "> 100 kW", 100}, {kElectrodeNoReading, 0, "", 0}};
    for (const auto& c : cases) {
        char text[32] = "";
        EXPECT_EQ(ElectrodeValueText(c.kiloOhms, text, sizeof(text)), c.reading) << c.kiloOhms;
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(ElectrodeBarPosition(c.kiloOhms), c.bar) << c.kiloOhms;
    }
}

TEST_F(ValuesWindows, TheSecondModelsCheckShowsBothSimulatedInputsAsNumbersAndBars) {
    SimControlSetDword(kSimImpedance1, 20000);
    SimControlSetDword(kSimImpedance2, 250000);
    stAcq* acq = Start("VKUSB45");
    HWND check = ElectrodeCheckerWindow(hAcq);
    ASSERT_TRUE(IsWindow(check));
    EXPECT_EQ(acq->hwndElectrodeCheck, check);
    EXPECT_FALSE(IsWindowVisible(check));
    ops.onDriverCommand(hAcq, frame, IDM_ELECTRODE, nullptr, 0);
    EXPECT_TRUE(IsWindowVisible(check));
    EXPECT_EQ(g_lib.electrodeShown, 1);
    EXPECT_TRUE(IsMenuItemChecked(frame, IDM_ELECTRODE));
    EXPECT_EQ(ControlText(check, IDC_ELECTRODE_TEXT1), "20.00 kW");
    EXPECT_EQ(ControlText(check, IDC_ELECTRODE_TEXT2), "> 100 kW");
    EXPECT_EQ(SendDlgItemMessageA(check, IDC_ELECTRODE_BAR1, PBM_GETPOS, 0, 0), 20);
    EXPECT_EQ(SendDlgItemMessageA(check, IDC_ELECTRODE_BAR2, PBM_GETPOS, 0, 0), 100);
    // Each timer tick measures again.
    SimControlSetDword(kSimImpedance2, 7500);
    SendMessageA(check, WM_TIMER, IDT_ELECTRODE_CHECK, 0);
    EXPECT_EQ(ControlText(check, IDC_ELECTRODE_TEXT2), " 7.50 kW");
    EXPECT_EQ(SendDlgItemMessageA(check, IDC_ELECTRODE_BAR2, PBM_GETPOS, 0, 0), 7);
    // A unit that does not answer shows no reading and empty bars.
    SimControlSetDword(kSimFault, kSimFaultNoReply);
    SimControlSetDword(kSimFaultCommand, kCmdElectrodeCheck);
    SendMessageA(check, WM_TIMER, IDT_ELECTRODE_CHECK, 0);
    EXPECT_EQ(ControlText(check, IDC_ELECTRODE_TEXT1), ControlText(check, IDC_ELECTRODE_NO_READING));
    EXPECT_EQ(SendDlgItemMessageA(check, IDC_ELECTRODE_BAR1, PBM_GETPOS, 0, 0), 0);
    SimControlSetDword(kSimFault, kSimFaultNone);
    // The menu item again hides it, stopping the timer.
    ops.onDriverCommand(hAcq, frame, IDM_ELECTRODE, nullptr, 0);
    EXPECT_FALSE(IsWindowVisible(check));
    EXPECT_EQ(g_lib.electrodeShown, 0);
    EXPECT_FALSE(IsMenuItemChecked(frame, IDM_ELECTRODE));
    EXPECT_FALSE(KillTimer(check, IDT_ELECTRODE_CHECK));
}

// ---- Panels made when first needed ----

std::string WindowTitle(HWND window) {
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Start-up makes none of the three panels; each menu command makes its own, owned by the frame,
// over what was set before: the pane's settings, the lesson's output level, texts already loaded.
TEST_F(ValuesWindows, EachPanelIsMadeByItsFirstMenuCommandOverWhatWasSetBefore) {
    stAcq* acq = Start();
    const struct {
        const char* name;
        int command;
        HWND stAcq::*window;
        HWND stAcqRun::*runWindow;
    } panels[] = {{"Input Values", IDM_INPUTVALUES, nullptr, &stAcqRun::hwndInputValues},
                  {"Manual Control", IDM_MANUAL, &stAcq::hwndManualControl, nullptr},
                  {"Electrode Checker", IDM_ELECTRODE, &stAcq::hwndElectrodeCheck, nullptr}};
    auto windowOf = [acq](const auto& p) { return p.window ? acq->*p.window : acq->run.*p.runWindow; };
    for (const auto& p : panels) EXPECT_EQ(windowOf(p), nullptr) << p.name << ": not made at start-up";
    EXPECT_EQ(acq->hwndElectrodeReadout, nullptr);
    // The program's refresh and idle turns need no window.
    ops.refreshInputValues(hAcq, 0);
    ops.onIdleAcquisition(hAcq, nullptr);
    for (const auto& p : panels) EXPECT_EQ(windowOf(p), nullptr) << p.name << ": made by no refresh";

    g_inputValues.decimals = 3;
    g_inputValues.style = kValuesStyleList;
    EXPECT_EQ(SetManualOutputVolts(acq, 0, 3.75, nullptr), 1) << "the unit takes the level without the panel";
    EXPECT_EQ(acq->hwndManualControl, nullptr);
    ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(IDD_INPUT_VALUES, 0u, "Eingangswerte"), 1);
    ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(IDD_MANUAL_CONTROL, 0u, "Handsteuerung"), 1);
    ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(IDD_ELECTRODE_CHECK_VK40, IDC_ELECTRODE_UNITS, "kOhm (de)"), 1);

    for (const auto& p : panels) {
        SCOPED_TRACE(p.name);
        ops.onDriverCommand(hAcq, frame, p.command, nullptr, 0);
        HWND w = windowOf(p);
        ASSERT_TRUE(IsWindow(w));
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_EQ(GetWindow(w, GW_OWNER), frame);
    }
    HWND pane = acq->run.hwndInputValues, manual = acq->hwndManualControl, checker = acq->hwndElectrodeCheck;
    EXPECT_EQ(WindowTitle(pane), "Eingangswerte");
    EXPECT_EQ(g_inputValues.decimals, 3) << "making the pane keeps its settings";
    EXPECT_EQ(g_inputValues.style, kValuesStyleList);
    EXPECT_NE(g_inputValues.font, nullptr) << "the pane's font is made with it";
    EXPECT_EQ(WindowTitle(manual), "Handsteuerung");
    EXPECT_EQ(ControlText(manual, IDC_MANUAL_VOLTS), "3.7500") << "the level the lesson set";
    EXPECT_EQ(ControlText(checker, IDC_ELECTRODE_UNITS), "kOhm (de)");
    EXPECT_EQ(acq->hwndElectrodeReadout, checker) << "the program routes this window's timer to the idle step";

    // Asked again, each is the same window.
    ops.onDriverCommand(hAcq, frame, IDM_ELECTRODE, nullptr, 0);
    EXPECT_FALSE(IsWindowVisible(checker));
    for (const auto& p : panels) ops.onDriverCommand(hAcq, frame, p.command, nullptr, 0);
    EXPECT_EQ(acq->run.hwndInputValues, pane);
    EXPECT_EQ(acq->hwndManualControl, manual);
    EXPECT_EQ(acq->hwndElectrodeCheck, checker);
    EXPECT_TRUE(IsWindowVisible(checker));
    ops.hideDriverPanels(hAcq);
    for (HWND w : {pane, manual, checker}) EXPECT_FALSE(IsWindowVisible(w));
}

// ---- Direct readouts ----

TEST_F(ValuesWindows, DirectReadoutsTakeEachInputsOwnWordOfOneConversion) {
    for (int i = 1; i <= 4; ++i)
        SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(), kSimSignalCounting);
    stAcq* acq = Start();
    for (int32_t input = 1; input <= 4; ++input) {
        SCOPED_TRACE(input);
        uint16_t all = 0xFFFF, one = 0xFFFF;
        ASSERT_EQ(ReadAnalogInputWord(acq, input, &all), 1);
        ASSERT_EQ(ReadAnalogInputValue(acq, input, &one), 1);
        // The counting word names its input in its top four bits, so a wrong word or byte order shows.
        EXPECT_EQ(all >> 12, input - 1);
        EXPECT_EQ(one >> 12, input - 1);
    }
    uint16_t word = 0;
    EXPECT_EQ(ReadAnalogInputWord(acq, 0, &word), 0);
    EXPECT_EQ(ReadAnalogInputValue(acq, 5, &word), 0);
    SimControlSetDword(kSimFault, kSimFaultNoReply);
    SimControlSetDword(kSimFaultCommand, kCmdConversionWords);
    EXPECT_EQ(ReadAnalogInputWord(acq, 1, &word), 0) << "a failed command gives no word";
    SimControlSetDword(kSimFault, kSimFaultNone);
}

TEST_F(ValuesWindows, ResettingAnInputSendsItsModeOnlyOnTheSecondModelForInputsZeroToThree) {
    stAcq* acq = Start("VKUSB45");
    // A unit that does not answer the mode command shows which calls send it.
    SimControlSetDword(kSimFault, kSimFaultNoReply);
    SimControlSetDword(kSimFaultCommand, kCmdInputMode);
    const struct {
        int32_t number, result;
    } cases[] = {{0, 0}, {3, 0}, {4, 1}, {-1, 1}};
    for (const auto& c : cases) {
        stAcqChan chan{};
        chan.number = c.number;
        EXPECT_EQ(ResetAnalogInput(&chan, acq), c.result) << c.number;
    }
    SimControlSetDword(kSimFault, kSimFaultNone);
    stAcqChan first{};
    EXPECT_EQ(ResetAnalogInput(&first, acq), 1);
}

constexpr uint8_t kCmdDigitalOutput = 13;  // port, value

TEST_F(ValuesWindows, OnTheSecondModelTheIdlePaneReadsTheDigitalInputsToo) {
    stAcq* acq = Start("VKUSB45");
    int32_t digitalRecords = 0;
    for (stAcqChan& c : acq->chans)
        if (c.group == kGroupDigital && c.number >= 0) c.flags |= 8, ++digitalRecords;
    ASSERT_GT(digitalRecords, 0);
    // The digital inputs loop back from the digital output port.
    const uint8_t out[2] = {0, 0xA5};
    ASSERT_EQ(g_unitLink.SetCommand(kCmdDigitalOutput, sizeof(out), out), 1);
    g_inputValues.style = kValuesStyleList;
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    Tick();
    EXPECT_EQ(g_inputValues.digitalBits, 0x00A5);
    const uint8_t other[2] = {0, 0x3C};
    ASSERT_EQ(g_unitLink.SetCommand(kCmdDigitalOutput, sizeof(other), other), 1);
    Tick();
    EXPECT_EQ(g_inputValues.digitalBits, 0x003C);
}

TEST_F(ValuesWindows, WhileTheSecondModelRecordsDigitalBitsFollowTheirNewestSamples) {
    stAcq* acq = Start("VKUSB45");
    for (stAcqChan& c : acq->chans) {
        if (c.group == kGroupDigital && c.number >= 0) c.flags = (c.number < 4) ? (2 | 4 | 8) : 0;
        if (c.group == kGroupAnalog) c.flags = c.number == 0 ? (2 | 4 | 8) : 0;
        if (c.group == kGroupCalc) c.flags = 0;
    }
    const uint8_t out[2] = {0, 0x05};  // bits 0 and 2 loop back to the digital inputs
    ASSERT_EQ(g_unitLink.SetCommand(kCmdDigitalOutput, sizeof(out), out), 1);
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    SetUpRun(acq, kStorageMemory, 1.0, 4000);
    g_inputValues.digitalBits = 0xFF;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    ASSERT_EQ(acq->run.digitalCount, 4);
    AdvanceClock(200);
    CheckAcquisitionStatus(acq);
    ASSERT_EQ(acq->run.running, 1);
    ops.onIdleAcquisition(hAcq, nullptr);
    EXPECT_EQ(g_inputValues.digitalBits & 0x0F, 0x05);
    AbortAcquisition(acq);
}

// ---- The pane's options ----

std::string ComboItems(HWND dlg, int id) {
    std::string all;
    const LRESULT n = SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[16] = "";
        SendDlgItemMessageA(dlg, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        all += (i ? "|" : "") + std::string(text);
    }
    return all;
}

// The precision item and the five show boxes a user sets, with the pane field each one drives.
struct stOptionBox {
    int id;
    int32_t stInputValuesPane::*flag;
};
constexpr stOptionBox kOptionBoxes[] = {
    {IDC_VOPT_NAMES, &stInputValuesPane::showNames},   {IDC_VOPT_UNITS, &stInputValuesPane::showUnits},
    {IDC_VOPT_LABELS, &stInputValuesPane::showLabels}, {IDC_VOPT_RANGE, &stInputValuesPane::showRange},
    {IDC_VOPT_VALUES, &stInputValuesPane::showValues},
};

TEST_F(ValuesWindows, ARightClickOnThePaneOpensItsOptionsOkStoresThemAndReLaysOutCancelChangesNothing) {
    Start();
    g_inputValues.style = kValuesStyleList;
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    const stInputValuesPane before = g_inputValues;
    ASSERT_EQ(before.decimals, 2);
    for (int button : {IDCANCEL, IDOK}) {
        std::string items, shownPrecision;
        int32_t boxesMatched = 0;
        CModalDriver driver(IDC_VOPT_PRECISION, [&](HWND box) {
            items = ComboItems(box, IDC_VOPT_PRECISION);
            char text[16] = "";
            GetDlgItemTextA(box, IDC_VOPT_PRECISION, text, sizeof text);
            shownPrecision = text;
            for (const stOptionBox& b : kOptionBoxes) {
                boxesMatched += (IsDlgButtonChecked(box, b.id) == BST_CHECKED) == (before.*b.flag != 0);
                Click(box, b.id);  // every box turned over
            }
            SendDlgItemMessageA(box, IDC_VOPT_PRECISION, CB_SETCURSEL, 5, 0);  // "6"
            SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_VOPT_PRECISION, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_VOPT_PRECISION)));
            Click(box, button);
        });
        SendMessageA(Pane(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Pane()), MAKELPARAM(-1, -1));
        ASSERT_TRUE(driver.ran);
        EXPECT_FALSE(driver.leftOpen);
        EXPECT_EQ(items, "1|2|3|4|5|6|7|8");
        EXPECT_EQ(shownPrecision, "2") << "the dialog starts from the pane's precision";
        EXPECT_EQ(boxesMatched, 5) << "the boxes start from the pane's flags";
        if (button == IDCANCEL) {
            EXPECT_EQ(g_inputValues.decimals, 2);
            for (const stOptionBox& b : kOptionBoxes) EXPECT_EQ(g_inputValues.*b.flag, before.*b.flag) << b.id;
            EXPECT_EQ(g_inputValues.unitsX, before.unitsX);
        }
    }
    EXPECT_EQ(g_inputValues.decimals, 6);
    for (const stOptionBox& b : kOptionBoxes) EXPECT_EQ(g_inputValues.*b.flag, before.*b.flag ? 0 : 1) << b.id;
    // Laid out again: the names now take a column before the values, and four more digits of the
    // fixed-pitch font widen the value column.
    EXPECT_GT(g_inputValues.valueX, before.valueX);
    EXPECT_EQ((g_inputValues.unitsX - g_inputValues.valueX) - (before.unitsX - before.valueX),
              4 * g_inputValues.charWidth);
}

TEST_F(ValuesWindows, AFontChosenInTheOptionsReplacesThePanesFontWhicheverButtonEndsThem) {
    Start();
    const struct {
        int button;
        int32_t answer;
    } cases[] = {{IDOK, kOptionsOkNewFont}, {IDCANCEL, kOptionsCancelNewFont}};
    for (const auto& c : cases) {
        const HFONT oldFont = g_inputValues.font;
        const std::string paneFace = g_inputValues.logFont.lfFaceName;  // "Courier" at first
        std::string startFace, pickedFace;
        bool fontDialogRan = false;
        CModalDriver driver(IDC_VOPT_PRECISION, [&](HWND box) {
            CModalDriver fontDriver(cmb1, [&](HWND fonts) {
                char face[LF_FACESIZE] = "";
                GetDlgItemTextA(fonts, cmb1, face, sizeof face);
                startFace = face;
                // The user picks another face from the list.
                HWND list = GetDlgItem(fonts, cmb1);
                const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
                for (LRESULT i = 0; i < count && pickedFace.empty(); ++i) {
                    char text[LF_FACESIZE] = "";
                    SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                    if (startFace != text && text[0] != '@') {
                        SendMessageA(list, CB_SETCURSEL, i, 0);
                        SendMessageA(fonts, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
                        pickedFace = text;
                    }
                }
                Click(fonts, IDOK);
            });
            Click(box, IDC_VOPT_FONT);
            fontDialogRan = fontDriver.ran;
            Click(box, c.button);
        });
        EXPECT_EQ(ShowInputValuesOptions(Pane()), c.answer) << c.button;
        EXPECT_TRUE(fontDialogRan);
        EXPECT_EQ(startFace.rfind(paneFace, 0), 0u) << startFace << ": the dialog starts from the pane's font";
        ASSERT_FALSE(pickedFace.empty());
        EXPECT_EQ(std::string(g_inputValues.logFont.lfFaceName), pickedFace);
        LOGFONTA made{};
        GetObjectA(g_inputValues.font, sizeof made, &made);
        EXPECT_EQ(std::string(made.lfFaceName), pickedFace) << "the pane draws with the chosen font";
        EXPECT_NE(g_inputValues.font, oldFont);
        EXPECT_NE(GetObjectType(g_inputValues.font), 0u);
        EXPECT_EQ(GetObjectType(oldFont), 0u) << "the old font is deleted";
    }
    // Without a font choice the answers are plain OK and Cancel.
    for (const auto& c : {std::pair<int, int32_t>{IDOK, kOptionsOk}, {IDCANCEL, kOptionsCancel}}) {
        CModalDriver driver(IDC_VOPT_PRECISION, [&](HWND box) { Click(box, c.first); });
        EXPECT_EQ(ShowInputValuesOptions(Pane()), c.second);
    }
}

TEST_F(ValuesWindows, ThePaneDestroyedWhileIdleStopsTheUnitsSampling) {
    Start();
    const std::string logFile = folder + "\\packets.log";
    ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));
    DestroyWindow(Pane());
    SimControlSetString(kSimLogFile, "");
    // "> <length> <command> <data> <check>": command 18 with the one data byte 0.
    bool stopped = false;
    std::string text;
    for (const std::string& line : TakePacketLog(logFile)) {
        text += line + "\n";
        if (line.rfind("> ", 0) == 0 && line.size() >= 11 && line.compare(4, 3, " 12") == 0 &&
            line.substr(8, line.size() - 11) == "00")
            stopped = true;
    }
    EXPECT_TRUE(stopped) << text;
}

TEST_F(ValuesWindows, WhileARunHeldInTheUnitIsOnThePaneShowsOnlyItsNote) {
    stAcq* acq = Start();
    g_inputValues.style = kValuesStyleList;
    ops.onDriverCommand(hAcq, frame, IDM_INPUTVALUES, nullptr, 0);
    // The values are drawn under a white line at the top; the note alone leaves it button face.
    const struct {
        int32_t running, timingKind;
        bool values;
    } cases[] = {
        {0, 0, true},
        {1, 0, true},                  // samples come in at every idle turn
        {1, kTimingUnitPaced, false},  // the unit keeps them until the run ends
        {0, kTimingUnitPaced, true},   // that run is over
    };
    for (const auto& c : cases) {
        acq->run.running = c.running;
        acq->run.timingKind = c.timingKind;
        acq->run.statusState = c.running ? 2 : 1;
        const stImage image = Render(Pane());
        EXPECT_EQ(image.At(image.width / 2, 0) == RGB(255, 255, 255), c.values) << c.running << " " << c.timingKind;
    }
    acq->run.running = 0;
    acq->run.timingKind = 0;
}

}  // namespace
