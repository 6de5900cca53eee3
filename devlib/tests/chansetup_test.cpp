// The Setup Channels window, its rows, Input Channel Parameters and the presets organiser as the
// user meets them: created by the library at start-up, driven through their controls, and the
// channel records and the presets store read back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/binding.h"
#include "common/stAcq.h"
#include "devlib/acquisition/calc/calc_dialogs.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/setup/chan_setup_rows.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/channels/preset_organiser.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/run/setup_block.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/vk40.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/tests/library_fixture.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }
#define FIELD(f) Text(f, sizeof(f))

std::string PresetName(const stPresetStore& store, int index) {
    CPresetStoreLock lock(store);
    return lock ? FIELD(lock.records[index].presetName) : std::string();
}

// The whole list of preset names, input presets first.
std::vector<std::string> PresetNames(const stPresetStore& store) {
    std::vector<std::string> names;
    for (int i = 0; i < store.count + store.calcCount; ++i) names.push_back(PresetName(store, i));
    return names;
}

// Leaves focus: what the edit sends its dialog when the user tabs away.
void LeaveField(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

void Type(HWND dlg, int id, const char* text) { SetDlgItemTextA(dlg, id, text); }

void Choose(HWND dlg, int id, int row) {
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, row, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// Runs once, from the message loop that is up after the current handler returned.
std::function<void()> g_afterAnswer;

void CALLBACK AfterAnswer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (g_afterAnswer) g_afterAnswer();
    g_afterAnswer = nullptr;
}

bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }

bool BoxChecked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

class ChannelSetup : public LibraryOnFrame {
protected:
    void SetUp() override {
        g_lib.instance = GetModuleHandleA(nullptr);  // the library's resources are linked into the test
        LibraryOnFrame::SetUp();
        if (HasFatalFailure()) return;
        AcqView acq(hAcq);
        // The presets file beside the program is shared with other tests: start from the built-in
        // presets alone, and leave nothing to be written back at shut-down.
        ASSERT_EQ(FillBuiltinPresets(&acq->presets), 1);
        acq->samplePeriodMs = 1.0;
        acq->storageKind = 0;
        for (int i = 0; i < kAnalogChannels; ++i) acq->chans[i].flags = i == 0 ? kChanAllOn : 0;
        ASSERT_TRUE(IsWindow(ChannelSetupWindow(hAcq)));  // made hidden when first asked for
    }

    void TearDown() override {
        {
            AcqView acq(hAcq);
            FreePresetStore(&acq->presets);
        }
        LibraryOnFrame::TearDown();
    }

    HWND Row(int kind, int number) { return ChannelRowWindow(kind, number); }

    stAcqChan Record(int index) {
        AcqView acq(hAcq);
        return acq->chans[index];
    }

    uint32_t Flags(int index) { return Record(index).flags; }

    void SetPeriod(double ms) {
        AcqView acq(hAcq);
        acq->samplePeriodMs = ms;
    }

    // Opens Input Channel Parameters from CH(channel + 1)'s set-up button and runs steps on it;
    // message boxes it shows are answered with OK and kept.
    void EditParams(int channel, const std::function<void(HWND)>& steps) {
        HWND row = Row(kGroupAnalog, channel);
        ASSERT_NE(row, nullptr);
        bool ran = false;
        WithDialogs(
            [&](HWND dlg) {
                if (GetDlgItem(dlg, IDC_ICP_GAIN)) {
                    ran = true;
                    steps(dlg);
                    if (IsWindow(dlg)) SendClick(dlg, IDCANCEL);
                } else if (!GetDlgItem(dlg, IDC_ROW_ACQUIRE)) {
                    boxes.push_back(MessageBoxText(dlg));
                    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
                }
            },
            [&] { Click(row, IDC_ROW_SETUP); });
        EXPECT_TRUE(ran) << "the dialog came up";
    }

    std::vector<std::string> boxes;
};

// ---- The window and its rows ----

TEST_F(ChannelSetup, TheMenuShowsTheWindowWithOneNamedRowPerChannelAndClosingHidesIt) {
    ASSERT_TRUE(IsVK40()) << "without a unit the library stands for the model-40 unit";
    DrvCommand(&ops, hAcq, frame, IDM_CHANNELS, nullptr, 0);
    HWND wnd = nullptr;
    {
        AcqView acq(hAcq);
        wnd = acq->hwndChannelSetup;
        EXPECT_EQ(acq->channelSetupShown, 1);
    }
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(WindowText(wnd), "Setup Channels");
    EXPECT_TRUE(KillTimer(wnd, 257)) << "the shown window's timer keeps the idle loop turning";
    ShowChannelSetup(hAcq);
    for (int n = 0; n < kAnalogChannels; ++n)
        EXPECT_EQ(ItemText(Row(kGroupAnalog, n), IDC_ROW_NAME), "CH" + std::to_string(n + 1));
    for (int n = 0; n < kCalcChannels; ++n) {
        HWND row = Row(kGroupCalc, n);
        EXPECT_EQ(ItemText(row, IDC_ROW_NAME), "C" + std::to_string(n + 1));
        EXPECT_TRUE(IsWindowVisible(row)) << "the model-40 window shows all twelve calculation rows";
    }
    EXPECT_EQ(Row(kGroupDigital, 0), nullptr) << "the model-40 unit has no digital inputs";
    for (HWND row : {Row(kGroupAnalog, 0), Row(kGroupCalc, 11)}) {
        for (int id : {IDC_ROW_PRESETS, IDC_ROW_SETUP}) {
            HBITMAP face = reinterpret_cast<HBITMAP>(SendDlgItemMessageA(row, id, BM_GETIMAGE, IMAGE_BITMAP, 0));
            BITMAP info{};
            EXPECT_EQ(GetObjectA(face, sizeof info, &info), int(sizeof info)) << "button " << id << " shows its face";
            EXPECT_EQ(info.bmWidth, 12);
        }
    }
    EXPECT_TRUE(BoxChecked(Row(kGroupAnalog, 0), IDC_ROW_ACQUIRE));
    EXPECT_FALSE(BoxChecked(Row(kGroupAnalog, 1), IDC_ROW_ACQUIRE));

    SendMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(wnd));
    EXPECT_FALSE(KillTimer(wnd, 257)) << "a hidden window keeps no timer running";
    AcqView acq(hAcq);
    EXPECT_EQ(acq->channelSetupShown, 0);
    EXPECT_EQ(acq->hwndChannelSetup, wnd) << "hidden, never destroyed";
}

TEST_F(ChannelSetup, ResizingKeepsTheWidthAndEndsTheWindowAtARowsBottom) {
    ShowChannelSetup(hAcq);
    HWND wnd = nullptr;
    {
        AcqView acq(hAcq);
        wnd = acq->hwndChannelSetup;
    }
    RECT made{};
    GetWindowRect(wnd, &made);
    MINMAXINFO limits{};
    SendMessageA(wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    RECT first{}, c2{};
    GetWindowRect(Row(kGroupAnalog, 0), &first);
    EXPECT_EQ(limits.ptMinTrackSize.x, made.right - made.left);
    EXPECT_EQ(limits.ptMaxTrackSize.x, made.right - made.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, first.bottom - made.top) << "down to the first row's bottom";
    EXPECT_EQ(limits.ptMaxTrackSize.y, made.bottom - made.top);

    // An edge through C2's row ends the window at C2's bottom.
    GetWindowRect(Row(kGroupCalc, 1), &c2);
    SetWindowPos(wnd, nullptr, 0, 0, made.right - made.left, (c2.top + c2.bottom) / 2 - made.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT now{};
    GetWindowRect(wnd, &now);
    EXPECT_EQ(now.bottom, c2.bottom - (made.top - now.top));
    AcqView acq(hAcq);
    EXPECT_EQ(acq->channelSetupPlacement.bottom, now.bottom) << "the placement is kept";
}

TEST_F(ChannelSetup, TranslatingNamesTheInputsInTheLanguageAndTheRowsFollow) {
    ASSERT_EQ(setMsgBoxText("Input", "Entrada"), 1);
    {
        AcqView acq(hAcq);
        strcpy(acq->chans[1].label, "Biceps");
        strcpy(acq->chans[kAnalogChannels + NDChan + 2].label, "C3 - Math");
        strcpy(acq->chans[kAnalogChannels + NDChan + 2].presetName, "Math");
    }
    TranslateDLLWindows();
    setMsgBoxText("Input", "Input");
    const stAcqChan ch2 = Record(1), c3 = Record(kAnalogChannels + NDChan + 2);
    EXPECT_EQ(FIELD(ch2.label), "CH2 Entrada");
    EXPECT_EQ(FIELD(ch2.presetName), "CH2 Entrada");
    EXPECT_EQ(FIELD(c3.label), "C3 - Math") << "calculation channels keep their names";
    EXPECT_EQ(FIELD(c3.presetName), "C3 - Math");
    EXPECT_EQ(ItemText(Row(kGroupAnalog, 1), IDC_ROW_LABEL), "CH2 Entrada");
}

TEST_F(ChannelSetup, RowBoxesSetTheStateBitsAndPlotOrValuesNeedTheChannelOn) {
    HWND ch2 = Row(kGroupAnalog, 1);
    Click(ch2, IDC_ROW_PLOT);
    EXPECT_EQ(Flags(1), 0u) << "plot on a channel that is off leaves its bit clear";
    EXPECT_FALSE(Enabled(ch2, IDC_ROW_PLOT));
    Click(ch2, IDC_ROW_ACQUIRE);
    EXPECT_EQ(Flags(1), kChanEnabled);
    EXPECT_TRUE(Enabled(ch2, IDC_ROW_PLOT));
    Click(ch2, IDC_ROW_PLOT);
    Click(ch2, IDC_ROW_VALUES);
    EXPECT_EQ(Flags(1), kChanAllOn);
    Click(ch2, IDC_ROW_ACQUIRE);
    EXPECT_EQ(Flags(1), 0u) << "off takes plot and values with it";
    AcqView acq(hAcq);
    EXPECT_EQ(acq->enabledAnalog, 1);
}

TEST_F(ChannelSetup, ALabelTypedIntoARowIsStoredWhenTheFieldLosesTheFocus) {
    HWND ch3 = Row(kGroupAnalog, 2);
    Type(ch3, IDC_ROW_LABEL, "Left forearm");
    SendDlgItemMessageA(ch3, IDC_ROW_LABEL, EM_SETMODIFY, TRUE, 0);  // as typing marks it
    LeaveField(ch3, IDC_ROW_LABEL);
    EXPECT_EQ(FIELD(Record(2).label), "Left forearm");
    EXPECT_EQ(SendDlgItemMessageA(ch3, IDC_ROW_LABEL, EM_GETLIMITTEXT, 0, 0), 40) << "a label holds 40 characters";
    Type(ch3, IDC_ROW_LABEL, "not typed");  // set by the program: no edit mark, nothing stored
    LeaveField(ch3, IDC_ROW_LABEL);
    EXPECT_EQ(FIELD(Record(2).label), "Left forearm");
}

TEST_F(ChannelSetup, TheFastestRatesRefuseAnalogChannelsBeyondTheirLimitWithTheMessage) {
    struct Case {
        double periodMs;
        int channel;
        const char* message;  // null: no message
        bool staysOff;
    } cases[] = {
        {kFastestPeriodMs, 1, "Only one channel can be active at this sample rate (100Ksamples/sec).", true},
        {kPeriod40k, 2, "Only channels 1 and 2 can be active at this sample rate (40Ksamples/sec).", true},
        {kPeriod40k, 3, "Only channels 1 and 2 can be active at this sample rate (40Ksamples/sec).", true},
        {kPeriod40k, 1, nullptr, false},
        {1.0, 3, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.periodMs) + " ms, CH" + std::to_string(c.channel + 1));
        {
            AcqView acq(hAcq);
            acq->samplePeriodMs = c.periodMs;
            for (int i = 0; i < kAnalogChannels; ++i) acq->chans[i].flags = i == 0 ? kChanAllOn : 0;
            RefreshChannelSetup(acq->hwndChannelSetup, acq.get());
        }
        CBoxCapture capture;
        Click(Row(kGroupAnalog, c.channel), IDC_ROW_ACQUIRE);
        if (c.message) {
            ASSERT_EQ(capture.boxes.size(), 1u);
            EXPECT_EQ(capture.boxes[0].text, c.message);
            EXPECT_EQ(capture.boxes[0].caption, "Input Channels Setup");
        } else {
            EXPECT_TRUE(capture.boxes.empty());
        }
        EXPECT_EQ((Flags(c.channel) & kChanEnabled) == 0, c.staysOff);
        EXPECT_EQ(BoxChecked(Row(kGroupAnalog, c.channel), IDC_ROW_ACQUIRE), !c.staysOff);
    }
}

// The window of the model with digital inputs: four rows of each spun group at a time.
class ChannelSetupWithDigital : public ChannelSetup {
protected:
    void SetUp() override {
        ChannelSetup::SetUp();
        ProbeUnitDriver("\\\\.\\VKUSB45");
        ASSERT_EQ(NDChan, 8);
        ASSERT_NE(CreateChannelSetup(frame, hAcq, 0), nullptr);
        AcqView acq(hAcq);
        ASSERT_EQ(FillBuiltinPresets(&acq->presets), 1);
    }
    void TearDown() override {
        ProbeUnitDriver("\\\\.\\VKUSB");
        ChannelSetup::TearDown();
    }

    // The rows of a group that are shown, by number, top to bottom.
    std::vector<int> ShownRows(int kind, int count) {
        std::vector<std::pair<int, int>> shown;  // top, number
        for (int n = 0; n < count; ++n) {
            HWND row = Row(kind, n);
            if (!IsWindowVisible(row)) continue;
            RECT r{};
            GetWindowRect(row, &r);
            shown.push_back({r.top, n});
        }
        std::sort(shown.begin(), shown.end());
        std::vector<int> numbers;
        for (const auto& p : shown) numbers.push_back(p.second);
        return numbers;
    }

    int RowTop(int kind, int number) {
        RECT r{};
        GetWindowRect(Row(kind, number), &r);
        return r.top;
    }
};

TEST_F(ChannelSetupWithDigital, TheSpinsShowFourRowsOfTheirGroupAndDigitalRowsHaveNoButtons) {
    HWND wnd = nullptr;
    {
        AcqView acq(hAcq);
        wnd = acq->hwndChannelSetup;
    }
    ShowChannelSetup(hAcq);
    EXPECT_EQ(ItemText(Row(kGroupDigital, 7), IDC_ROW_NAME), "D8");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(Row(kGroupDigital, 0), IDC_ROW_PRESETS)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(Row(kGroupDigital, 0), IDC_ROW_SETUP)));
    EXPECT_EQ(ShownRows(kGroupDigital, 8), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(ShownRows(kGroupCalc, kCalcChannels), (std::vector<int>{0, 1, 2, 3}));
    const int firstTop = RowTop(kGroupCalc, 0);

    HWND spin = GetDlgItem(wnd, IDC_CHSET_CALC_SPIN);
    ASSERT_NE(spin, nullptr);
    for (int step = 0; step < 2; ++step)
        SendMessageA(wnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, step + 1), reinterpret_cast<LPARAM>(spin));
    EXPECT_EQ(ShownRows(kGroupCalc, kCalcChannels), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(RowTop(kGroupCalc, 2), firstTop) << "C3 moved up into C1's place";
    EXPECT_EQ(ShownRows(kGroupDigital, 8), (std::vector<int>{0, 1, 2, 3})) << "the other group stays";

    EXPECT_EQ(GetDigitalChannelParams(1, 0), 1);
    const stAcqChan d2 = Record(kAnalogChannels + 1);
    EXPECT_EQ(FIELD(d2.label), "D2 - Digital Input");
    EXPECT_EQ(d2.paramsFixed, 1);
    EXPECT_EQ(d2.flags, kChanAllOn);
    EXPECT_EQ(d2.filters[2].frequencyHz, 100.0);
    EXPECT_TRUE(BoxChecked(Row(kGroupDigital, 1), IDC_ROW_ACQUIRE)) << "the row shows it";
    EXPECT_FALSE(Enabled(Row(kGroupDigital, 1), IDC_ROW_PRESETS)) << "a fixed record takes no preset";
    EXPECT_EQ(GetDigitalChannelParams(1, 3), 0) << "digital channels take no presets";
}

TEST(PresetMenuFit, ColumnsThatOutgrowTheScreenBecomeOneAndLongTextsAreCut) {
    EXPECT_EQ(MenuItemsPerColumn(768, 19), 39);
    EXPECT_EQ(MenuItemsPerColumn(10, 19), 1);
    auto width = [](const std::string& t) { return int32_t(t.size()) * 10; };
    struct Case {
        const char* name;
        std::vector<std::string> texts;
        std::vector<bool> breaks;
        int32_t screen;
        std::vector<std::string> textsAfter;
        std::vector<bool> breaksAfter;
    } cases[] = {
        {"two columns that fit", {"ab", "cd", "ef"}, {false, false, true}, 40, {"ab", "cd", "ef"}, {false, false, true}},
        {"two columns too wide", {"abc", "de", "fgh"}, {false, false, true}, 50, {"abc", "de", "fgh"},
         {false, false, false}},
        {"one text too long", {"abcdefghij", "xy"}, {false, false}, 80, {"abcde...", "xy"}, {false, false}},
        {"cut until it fits", {"abcdefghijkl", "abcdefghij"}, {false, false}, 70, {"abcd...", "abcd..."},
         {false, false}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        FitMenuTexts(&c.texts, &c.breaks, c.screen, width);
        EXPECT_EQ(c.texts, c.textsAfter);
        EXPECT_EQ(c.breaks, c.breaksAfter);
    }
}

// ---- The group switches ----

TEST_F(ChannelSetup, GroupSwitchesFollowTheRateLimitsAndTheCalculationKinds) {
    struct Case {
        const char* name;
        double periodMs;
        int group, switchId, on;
        std::vector<uint32_t> before, after;  // analog CH1-4, or calculation C1-C3
    } cases[] = {
        {"all analog on", 1.0, kGroupAnalog, IDC_ROW_ACQUIRE, 1, {kChanAllOn, 0, 0, 0}, {kChanAllOn, 2, 2, 2}},
        {"nothing at 100,000/s", kFastestPeriodMs, kGroupAnalog, IDC_ROW_ACQUIRE, 1, {kChanAllOn, 0, 0, 0},
         {kChanAllOn, 0, 0, 0}},
        {"two at 40,000/s", kPeriod40k, kGroupAnalog, IDC_ROW_ACQUIRE, 1, {0, 0, 0, 0}, {2, 2, 0, 0}},
        {"off clears plot", 1.0, kGroupAnalog, IDC_ROW_ACQUIRE, 0, {kChanAllOn, 6, 0, 10}, {8, 0, 0, 8}},
        {"plot for the enabled", 1.0, kGroupAnalog, IDC_ROW_PLOT, 1, {2, 0, 10, 0}, {6, 0, 14, 0}},
        {"values off", 1.0, kGroupAnalog, IDC_ROW_VALUES, 0, {kChanAllOn, 8, 0, 0}, {6, 0, 0, 0}},
        {"calculation needs a kind", 1.0, kGroupCalc, IDC_ROW_ACQUIRE, 1, {0, 0, 0}, {2, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AcqView acq(hAcq);
        acq->samplePeriodMs = c.periodMs;
        stCalcSettings* calc = CalcSettings(acq.get());
        calc->kind[0] = kCalcMath;
        calc->kind[1] = 0;
        calc->kind[2] = kCalcSmoothing;
        const int first = c.group == kGroupAnalog ? 0 : kAnalogChannels + NDChan;
        for (size_t i = 0; i < c.before.size(); ++i) acq->chans[first + i].flags = c.before[i];
        SetChannelFlagForAll(acq.get(), c.group, c.switchId, c.on, c.on, c.on);
        std::vector<uint32_t> after;
        for (size_t i = 0; i < c.before.size(); ++i) after.push_back(acq->chans[first + i].flags);
        EXPECT_EQ(after, c.after);
    }
}

TEST_F(ChannelSetup, CtrlClickGivesTheSameBitsToTheWholeGroup) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    Click(Row(kGroupAnalog, 2), IDC_ROW_ACQUIRE);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    for (int i = 0; i < kAnalogChannels; ++i) EXPECT_NE(Flags(i) & kChanEnabled, 0u) << "CH" << i + 1;
    EXPECT_TRUE(BoxChecked(Row(kGroupAnalog, 3), IDC_ROW_ACQUIRE)) << "the rows show it";
}

// ---- Presets from a row ----

TEST_F(ChannelSetup, AnInputPresetFromTheRowMenuSetsTheChannelAndSwitchesItOn) {
    HWND ch2 = Row(kGroupAnalog, 1);
    AcqView acq(hAcq);
    HMENU menu = BuildRowPresetMenu(ch2, acq.get());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1 + kBuiltinPresets);
    char text[64] = "";
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Default");
    GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "ECG");
    const UINT ecg = GetMenuItemID(menu, 1);
    DestroyMenu(menu);

    ApplyRowPresetChoice(ch2, acq.get(), ecg);
    const stAcqChan& rec = acq->chans[1];
    EXPECT_EQ(FIELD(rec.label), "ECG");
    EXPECT_EQ(FIELD(rec.units), "mV");
    EXPECT_EQ(rec.gain, 2000.0);
    EXPECT_EQ(rec.coupling, 1);
    EXPECT_EQ(rec.flags, kChanAllOn) << "a channel that was off is switched on";
    EXPECT_EQ(rec.number, 1);
    EXPECT_EQ(acq->chanPresetIndex[1], 1);
    EXPECT_EQ(acq->analogPresetValue[1], 2.5);
    EXPECT_DOUBLE_EQ(acq->chanMultiplier[1], (10.0 / 0.01) * (10.0 / 32768.0) / 2000.0);
    EXPECT_EQ(ItemText(ch2, IDC_ROW_LABEL), "ECG") << "the row shows it";

    ApplyRowPresetChoice(ch2, acq.get(), kMenuDefault);
    EXPECT_EQ(FIELD(acq->chans[1].label), "CH2 Input");
    EXPECT_EQ(acq->chans[1].gain, 200.0);
    EXPECT_EQ(acq->chanPresetIndex[1], 0);
}

TEST_F(ChannelSetup, ThePresetsButtonOpensTheMenuAndTheChosenPresetIsApplied) {
    HWND ch4 = Row(kGroupAnalog, 3);
    // Keys waiting in the queue reach the menu's own loop: down twice to "ECG", then Enter.
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
        PostMessageA(ch4, WM_KEYDOWN, key, 0);
        PostMessageA(ch4, WM_KEYUP, key, 0xC0000000);
    }
    Click(ch4, IDC_ROW_PRESETS);
    const stAcqChan rec = Record(3);
    EXPECT_EQ(FIELD(rec.label), "ECG");
    EXPECT_EQ(rec.flags, kChanAllOn);
    EXPECT_TRUE(BoxChecked(ch4, IDC_ROW_ACQUIRE));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
}

TEST_F(ChannelSetup, ACalculationRowIsSwitchedOffGivenAKindOrAPreset) {
    HWND c3 = Row(kGroupCalc, 2);
    AcqView acq(hAcq);
    stAcqChan& rec = acq->chans[kAnalogChannels + NDChan + 2];
    ApplyRowPresetChoice(c3, acq.get(), kMenuFirstKind + kCalcMath - 1);
    EXPECT_EQ(CalcSettings(acq.get())->kind[2], kCalcMath);
    EXPECT_EQ(FIELD(rec.label), "C3 - Math");
    EXPECT_EQ(FIELD(rec.presetName), "Math");
    EXPECT_EQ(rec.flags, kChanAllOn);
    EXPECT_TRUE(Enabled(c3, IDC_ROW_SETUP));

    ApplyRowPresetChoice(c3, acq.get(), kMenuDefault);
    EXPECT_EQ(CalcSettings(acq.get())->kind[2], 0);
    EXPECT_EQ(FIELD(rec.label), "C3 - calculation - OFF");
    EXPECT_EQ(rec.flags, 0u);
    EXPECT_FALSE(Enabled(c3, IDC_ROW_ACQUIRE)) << "an off calculation cannot be switched on";
    EXPECT_FALSE(Enabled(c3, IDC_ROW_SETUP));
}

TEST_F(ChannelSetup, ACalculationPresetFromTheRowMenuBringsItsKindParametersAndTexts) {
    AcqView acq(hAcq);
    {
        // One calculation preset after the built-in input presets: Smoothing of CH3 over 7 samples.
        auto settings = std::make_unique<stCalcSettings>();
        ResetCalcSettings(settings.get(), 1);
        settings->kind[0] = kCalcSmoothing;
        settings->smoothing[0].source = 3;
        settings->smoothing[0].factor = 7;
        settings->smoothing[0].median = 1;
        uint8_t block[kCalcPresetBytes] = {};
        ASSERT_EQ(EncodeCalcParams(*settings, 0, kCalcSmoothing, block), 1);
        stPresetStore grown{};
        ASSERT_EQ(AllocPresetStore(&grown, kBuiltinPresets, 1), 1);
        {
            CPresetStoreLock from(acq->presets), to(grown);
            memcpy(to.records, from.records, kBuiltinPresets * sizeof(stAcqChan));
            stAcqChan& rec = to.records[kBuiltinPresets];
            rec.group = kGroupCalc;
            strcpy(rec.label, "Smooth CH3");
            strcpy(rec.presetName, "Smooth CH3");
            strcpy(rec.units, "cm");
            to.calcKinds[0] = kCalcSmoothing;
            memcpy(to.calcBlocks, block, sizeof block);
        }
        FreePresetStore(&acq->presets);
        acq->presets = grown;
    }
    HWND c2 = Row(kGroupCalc, 1);
    HMENU menu = BuildRowPresetMenu(c2, acq.get());
    const int items = GetMenuItemCount(menu);
    ASSERT_EQ(items, 3) << "Off, New and the one calculation preset";
    char text[64] = "";
    GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "New");
    HMENU kinds = GetSubMenu(menu, 1);
    EXPECT_EQ(GetMenuItemCount(kinds), kCalcKinds);
    GetMenuStringA(menu, 2, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Smooth CH3");
    const UINT preset = GetMenuItemID(menu, 2);
    DestroyMenu(menu);

    ApplyRowPresetChoice(c2, acq.get(), preset);
    const stAcqChan& rec = acq->chans[kAnalogChannels + NDChan + 1];
    const stCalcSettings* s = CalcSettings(acq.get());
    EXPECT_EQ(s->kind[1], kCalcSmoothing);
    EXPECT_EQ(s->smoothing[1].source, 3);
    EXPECT_EQ(s->smoothing[1].factor, 7);
    EXPECT_EQ(s->smoothing[1].median, 1);
    EXPECT_EQ(FIELD(rec.label), "Smooth CH3");
    EXPECT_EQ(rec.number, 1) << "the channel keeps its own number and group";
    EXPECT_EQ(rec.group, kGroupCalc);
    EXPECT_EQ(rec.flags, kChanAllOn);
    EXPECT_EQ(FIELD(rec.units), FIELD(acq->chans[2].units)) << "the units follow the source channel";
}

TEST_F(ChannelSetup, CalculationChannelsTakeTheUnitsOfTheirSourceOrOfTheFirstAnalogChannel) {
    AcqView acq(hAcq);
    strcpy(acq->chans[0].units, "mV");
    strcpy(acq->chans[1].units, "cm");
    stCalcSettings* s = CalcSettings(acq.get());
    // A Rate channel's units follow its result function: a rate, an interval or a count keeps
    // units of its own; the peak, mean and area functions are in their source's units.
    struct Case {
        int16_t kind, rateFunction;
        const char* units;
    } cases[] = {{kCalcIntegrate, 0, "cm"},        {kCalcSmoothing, 0, "cm"},        {kCalcDifference, 0, "cm"},
                 {kCalcFunction, 0, "cm"},         {kCalcFilter, 0, "cm"},           {kCalcDelay, 0, "cm"},
                 {kCalcControl, 0, "cm"},          {kCalcRate, kRateBpm, "BPM"},     {kCalcRate, kRateHz, "Hertz"},
                 {kCalcRate, kRateInterval, "Seconds"}, {kCalcRate, kRateCountPeaks, "none"},
                 {kCalcRate, kRatePeakMaximum, "cm"},   {kCalcRate, kRateArea, "cm"},
                 {kCalcMath, 0, "mV"},             {kCalcExpression, 0, "mV"},       {0, 0, "mV"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.rateFunction));
        s->kind[4] = c.kind;
        s->integrate[4].source = s->smoothing[4].source = s->difference[4].source = 2;
        s->function[4].source = 2;
        s->filter[4].source = s->delay[4].source = s->control[4].source = 2;
        s->rate[4].source = s->math[4].first = 2;
        s->rate[4].function = c.rateFunction;
        strcpy(acq->chans[kAnalogChannels + NDChan + 4].units, "none");
        CopyAllCalcChannelUnits(acq.get());
        EXPECT_EQ(FIELD(acq->chans[kAnalogChannels + NDChan + 4].units), c.units);
    }
    // Units the user set in the scaling dialog stay.
    s->kind[4] = kCalcRate;
    s->rate[4].function = kRateBpm;
    strcpy(acq->chans[kAnalogChannels + NDChan + 4].units, "beats");
    acq->chans[kAnalogChannels + NDChan + 4].unitsSetByUser = 1;
    CopyAllCalcChannelUnits(acq.get());
    EXPECT_EQ(FIELD(acq->chans[kAnalogChannels + NDChan + 4].units), "beats");
    acq->chans[kAnalogChannels + NDChan + 4].unitsSetByUser = 0;
}

// The path: an input preset applied to the source of a Rate channel. The Rate channel's
// axis and stored set-up keep "BPM"; a Smoothing channel of the same source follows the preset.
TEST_F(ChannelSetup, AnInputPresetOnARatesSourceLeavesTheRatesOwnUnits) {
    const int c1 = kAnalogChannels + NDChan, c2 = c1 + 1;
    int32_t temperature = 0;
    {
        AcqView acq(hAcq);
        SetCalcChannelKind(acq.get(), &acq->chans[c1], kCalcRate);
        SetCalcChannelKind(acq.get(), &acq->chans[c2], kCalcSmoothing);
        stCalcSettings* s = CalcSettings(acq.get());
        s->rate[0].source = 1;
        s->rate[0].function = kRateBpm;
        s->smoothing[1].source = 1;
        CopyAllCalcChannelUnits(acq.get());
        EXPECT_EQ(FIELD(acq->chans[c1].units), "BPM");
        CPresetStoreLock lock(acq->presets);
        ASSERT_TRUE(lock);
        for (int32_t i = 0; i < acq->presets.count && !temperature; ++i)
            if (FIELD(lock.records[i].presetName) == "Temperature") temperature = i + 1;
    }
    ASSERT_GT(temperature, 0) << "the built-in Temperature preset";
    ASSERT_EQ(GetAnalogChannelParams(0, temperature), 1);
    const stAcqChan ch1 = Record(0);
    EXPECT_NE(FIELD(ch1.units), "mV");
    EXPECT_EQ(FIELD(Record(c1).units), "BPM") << "beats per minute, whatever the source measures";
    EXPECT_EQ(FIELD(Record(c2).units), FIELD(ch1.units)) << "a smoothed temperature is a temperature";
}

TEST_F(ChannelSetup, ACalculationRowsSetUpButtonOpensItsKindsDialog) {
    {
        AcqView acq(hAcq);
        SetCalcChannelKind(acq.get(), &acq->chans[kAnalogChannels + NDChan + 0], kCalcSmoothing);
        acq->chans[kAnalogChannels + NDChan + 0].flags = kChanAllOn;
        RefreshChannelSetup(acq->hwndChannelSetup, acq.get());
    }
    HWND c1 = Row(kGroupCalc, 0);
    EXPECT_EQ(ItemText(c1, IDC_ROW_LABEL), "C1 - Smoothing");
    bool opened = false;
    WithDialogs(
        [&](HWND dlg) {
            if (!GetDlgItem(dlg, IDC_SMOOTH_FACTOR)) return;
            opened = true;
            Type(dlg, IDC_CALC_LABEL, "Smoothed CH1");
            SendClick(dlg, IDOK);
        },
        [&] { Click(c1, IDC_ROW_SETUP); });
    EXPECT_TRUE(opened);
    EXPECT_EQ(FIELD(Record(kAnalogChannels + NDChan).label), "Smoothed CH1");
    EXPECT_EQ(ItemText(c1, IDC_ROW_LABEL), "Smoothed CH1") << "the window follows";
}

// The Rate dialog gives the channel the units of its result; the row's set-up button keeps
// them, and the graph's stored set-up carries them.
TEST_F(ChannelSetup, ARateRowKeepsTheUnitsItsDialogGaveIntoTheStoredSetUp) {
    const int c1 = kAnalogChannels + NDChan;
    const struct {
        const char* function;
        const char* units;
    } cases[] = {{"Rate (BPM)", "BPM"}, {"Rate (Hz)", "Hertz"}, {"Interval (sec)", "Seconds"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        {
            AcqView acq(hAcq);
            strcpy(acq->chans[0].units, "mV");
            SetCalcChannelKind(acq.get(), &acq->chans[c1], kCalcRate);
            acq->chans[c1].flags = kChanAllOn;
            RefreshChannelSetup(acq->hwndChannelSetup, acq.get());
        }
        bool opened = false;
        WithDialogs(
            [&](HWND dlg) {
                if (!GetDlgItem(dlg, IDC_RATE_FUNCTION)) return;
                opened = true;
                const LRESULT at = SendDlgItemMessageA(dlg, IDC_RATE_FUNCTION, CB_FINDSTRINGEXACT, WPARAM(-1),
                                                       reinterpret_cast<LPARAM>(c.function));
                ASSERT_NE(at, CB_ERR);
                Choose(dlg, IDC_RATE_FUNCTION, static_cast<int>(at));
                SendClick(dlg, IDOK);
            },
            [&] { Click(Row(kGroupCalc, 0), IDC_ROW_SETUP); });
        ASSERT_TRUE(opened);
        EXPECT_EQ(FIELD(Record(c1).units), c.units);
        std::unique_ptr<tagGS> graph = MakeGraph();
        {
            AcqView acq(hAcq);
            ASSERT_EQ(SaveAcquisitionSetup(acq.get(), graph.get()), 1);
        }
        const auto* block = static_cast<const char*>(GlobalLock(graph->setupBlock));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(std::string(block + kSetupHeaderBytes + c1 * kSetupRecordBytes + 50), c.units);
        GlobalUnlock(graph->setupBlock);
        GlobalFree(graph->setupBlock);
    }
}

TEST_F(ChannelSetup, TheExportsSetDefaultsAndTheStimulatorReference) {
    EXPECT_EQ(GetAnalogChannelParams(2, kParamsStimulatorReference), 1);
    stAcqChan rec = Record(2);
    EXPECT_EQ(FIELD(rec.label), "Stimulator - RJ72C Reference Out");
    EXPECT_EQ(FIELD(rec.units), "Volts");
    EXPECT_EQ(rec.gain, 10.0);
    EXPECT_EQ(rec.flags, kChanAllOn);
    EXPECT_EQ(rec.unitValue2, 10.0);
    EXPECT_EQ(GetAnalogChannelParams(3, 3), 1) << "preset 3 is EMG";
    rec = Record(3);
    EXPECT_EQ(FIELD(rec.label), "EMG");
    EXPECT_EQ(rec.gain, 2500.0);
    EXPECT_EQ(GetAnalogChannelParams(4, 0), 0) << "no fifth analog channel";
    EXPECT_EQ(GetAnalogChannelParams(1, kBuiltinPresets + 1), 0) << "no such preset";
    EXPECT_EQ(GetDigitalChannelParams(0, 0), 0) << "the model-40 unit has no digital channels";
}

// ---- Input Channel Parameters ----

TEST_F(ChannelSetup, OkStoresGainCouplingFiltersAndLabelIntoTheRecord) {
    std::string heading;
    EditParams(1, [&](HWND dlg) {
        heading = ItemText(dlg, IDC_ICP_HEADING);
        EXPECT_EQ(ItemText(dlg, IDC_ICP_UNITS), "mV");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_ICP_HP2))) << "the model-40 unit has no 5 Hz high pass";
        Type(dlg, IDC_ICP_LABEL, "Biceps");
        Type(dlg, IDC_ICP_PRESET_NAME, "Biceps EMG");
        Choose(dlg, IDC_ICP_GAIN, 3);  // x1000
        Click(dlg, IDC_ICP_AC);
        EXPECT_TRUE(Enabled(dlg, IDC_ICP_HP1)) << "high pass only with AC";
        Click(dlg, IDC_ICP_HP1);
        Click(dlg, IDC_ICP_LP1K);
        Choose(dlg, IDC_ICP_SLOT, 1);
        Choose(dlg, IDC_ICP_TYPE, kFilterHighPass);
        Type(dlg, IDC_ICP_FREQ, "45");
        LeaveField(dlg, IDC_ICP_FREQ);
        Type(dlg, IDC_ICP_Q, "0.9");
        LeaveField(dlg, IDC_ICP_Q);
        SendClick(dlg, IDOK);
    });
    EXPECT_EQ(heading, "CH2");
    EXPECT_TRUE(boxes.empty());
    const stAcqChan rec = Record(1);
    EXPECT_EQ(FIELD(rec.label), "Biceps");
    EXPECT_EQ(FIELD(rec.presetName), "Biceps EMG");
    EXPECT_EQ(rec.gain, 1000.0);
    EXPECT_EQ(rec.coupling, 1);
    EXPECT_EQ(rec.highPass, 1);
    EXPECT_EQ(rec.lowPass, 1);
    EXPECT_EQ(rec.filterSelected, 1);
    EXPECT_EQ(rec.filters[1].type, kFilterHighPass);
    EXPECT_EQ(rec.filters[1].frequencyHz, 45.0);
    EXPECT_EQ(rec.filters[1].q, 0.9);
    AcqView acq(hAcq);
    EXPECT_DOUBLE_EQ(acq->chanMultiplier[1], (10.0 / 0.01) * (10.0 / 32768.0) / 1000.0) << "the new gain converts";
}

TEST_F(ChannelSetup, CancelLeavesTheRecordAsItWas) {
    const stAcqChan before = Record(2);
    EditParams(2, [&](HWND dlg) {
        Type(dlg, IDC_ICP_LABEL, "changed");
        Choose(dlg, IDC_ICP_GAIN, 0);
        Click(dlg, IDC_ICP_AC);
        Choose(dlg, IDC_ICP_TYPE, kFilterLowPass);
        Type(dlg, IDC_ICP_FREQ, "300");
        LeaveField(dlg, IDC_ICP_FREQ);
        SendClick(dlg, IDCANCEL);
    });
    const stAcqChan after = Record(2);
    EXPECT_EQ(memcmp(&before, &after, sizeof before), 0);
}

TEST_F(ChannelSetup, FrequenciesOutsideTheFilterRangeAreMovedToItsEdgeWithTheMessage) {
    struct Case {
        const char *typed, *shown;
        double stored;
        bool message;
    } cases[] = {{"25", "30.000000", 30.0, true}, {"2000", "1000.00000", 1000.0, true},
                 {"abc", "30.000000", 30.0, true}, {"500", nullptr, 500.0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        std::string shown;
        EditParams(0, [&](HWND dlg) {
            Choose(dlg, IDC_ICP_TYPE, kFilterLowPass);
            Type(dlg, IDC_ICP_FREQ, c.typed);
            LeaveField(dlg, IDC_ICP_FREQ);
            shown = ItemText(dlg, IDC_ICP_FREQ);
            SendClick(dlg, IDOK);
        });
        if (c.message) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0], "The frequency must be between 30 Hz and 1000 Hz.");
            EXPECT_EQ(shown, c.shown);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        EXPECT_EQ(Record(0).filters[0].frequencyHz, c.stored);
    }
}

TEST_F(ChannelSetup, AnotherFilterSlotOnlyOnceTheCurrentOneHoldsAUsableFrequency) {
    {
        AcqView acq(hAcq);
        acq->chans[0].filters[0].frequencyHz = 0.0;  // as the BNC preset leaves it
        acq->chans[0].filters[1].frequencyHz = 250.0;
        acq->chans[0].filterSelected = 0;
    }
    int firstTry = -1, secondTry = -1;
    std::string shownAfterRefusal, shownAfterMove;
    EditParams(0, [&](HWND dlg) {
        Choose(dlg, IDC_ICP_SLOT, 1);
        firstTry = static_cast<int>(SendDlgItemMessageA(dlg, IDC_ICP_SLOT, CB_GETCURSEL, 0, 0));
        shownAfterRefusal = ItemText(dlg, IDC_ICP_FREQ);
        Choose(dlg, IDC_ICP_SLOT, 1);
        secondTry = static_cast<int>(SendDlgItemMessageA(dlg, IDC_ICP_SLOT, CB_GETCURSEL, 0, 0));
        shownAfterMove = ItemText(dlg, IDC_ICP_FREQ);
        SendClick(dlg, IDOK);
    });
    EXPECT_EQ(firstTry, 0) << "the selection stays";
    EXPECT_EQ(shownAfterRefusal, "30.000000");
    EXPECT_EQ(secondTry, 1);
    EXPECT_EQ(shownAfterMove, "250.000000");
    const stAcqChan rec = Record(0);
    EXPECT_EQ(rec.filters[0].frequencyHz, 30.0);
    EXPECT_EQ(rec.filterSelected, 1);
}

TEST_F(ChannelSetup, BandStopLineFrequencyTakesTheMainsFrequencyAndLocksTheSlot) {
    RegValue line(HKEY_CURRENT_USER, "Software\\NORVANE\\Localization", "LineFrequencyHz");
    line.SetDword(50);
    bool readOnly = false;
    EditParams(0, [&](HWND dlg) {
        Choose(dlg, IDC_ICP_TYPE, kFilterBandStopLine);
        readOnly = (GetWindowLongA(GetDlgItem(dlg, IDC_ICP_FREQ), GWL_STYLE) & ES_READONLY) != 0;
        Type(dlg, IDC_ICP_FREQ, "70");
        LeaveField(dlg, IDC_ICP_FREQ);
        SendClick(dlg, IDOK);
    });
    EXPECT_TRUE(readOnly);
    const stFilterSlot slot = Record(0).filters[0];
    EXPECT_EQ(slot.type, kFilterBandStopLine);
    EXPECT_EQ(slot.frequencyHz, double(GetLineFrequencyHz()));
    EXPECT_EQ(slot.q, 5.0);
}

TEST_F(ChannelSetup, ANewPresetNeedsANameNoPresetHasAndGoesBeforeTheCalculationPresets) {
    {
        AcqView acq(hAcq);
        uint8_t block[kCalcPresetBytes] = {};
        FreePresetStore(&acq->presets);
        ASSERT_EQ(AllocPresetStore(&acq->presets, 2, 1), 1);
        CPresetStoreLock lock(acq->presets);
        strcpy(lock.records[0].presetName, "ECG");
        strcpy(lock.records[1].presetName, "EEG");
        strcpy(lock.records[2].presetName, "My rate");
        lock.calcKinds[0] = kCalcRate;
        memcpy(lock.calcBlocks, block, sizeof block);
    }
    struct Case {
        const char* name;
        bool allowed;
    } cases[] = {{"Default", false}, {"ecg", false}, {"My rate", false}, {"CH2 - Input", false}, {"Grip", true}};
    std::vector<bool> allowed;
    EditParams(3, [&](HWND dlg) {
        for (const Case& c : cases) {
            Type(dlg, IDC_ICP_PRESET_NAME, c.name);
            allowed.push_back(Enabled(dlg, IDC_ICP_NEW_PRESET));
        }
        Click(dlg, IDC_ICP_NEW_PRESET);
        EXPECT_FALSE(Enabled(dlg, IDC_ICP_NEW_PRESET)) << "the name is taken now";
        SendClick(dlg, IDCANCEL);
    });
    for (size_t i = 0; i < allowed.size(); ++i) EXPECT_EQ(allowed[i], cases[i].allowed) << cases[i].name;
    ASSERT_EQ(boxes, std::vector<std::string>{"Preset has been added successfully"});
    AcqView acq(hAcq);
    EXPECT_EQ(acq->presets.count, 3);
    EXPECT_EQ(acq->presets.calcCount, 1);
    EXPECT_EQ(PresetNames(acq->presets), (std::vector<std::string>{"ECG", "EEG", "Grip", "My rate"}));
    CPresetStoreLock lock(acq->presets);
    EXPECT_EQ(lock.calcKinds[0], kCalcRate) << "the calculation preset keeps its kind";
    EXPECT_EQ(lock.first[2], acq->samplePeriodMs) << "a channel of no preset carries the sample period";
}

TEST_F(ChannelSetup, OffsetsAreShownInUnitsAndHeldWithinTheOffsetReach) {
    std::string shownBig;
    EditParams(0, [&](HWND dlg) {
        Type(dlg, IDC_ICP_OFFSET, "1");  // 1 mV in the default scaling (1 mV per mV)
        LeaveField(dlg, IDC_ICP_OFFSET);
        SendClick(dlg, IDOK);
    });
    EXPECT_DOUBLE_EQ(Record(0).inputOffset, 0.001);
    EditParams(0, [&](HWND dlg) {
        Type(dlg, IDC_ICP_OFFSET, "-100000");
        LeaveField(dlg, IDC_ICP_OFFSET);
        shownBig = ItemText(dlg, IDC_ICP_OFFSET);
        SendClick(dlg, IDOK);
    });
    const double reach = FindGainRow(200.0)->offsetStep * 32767;
    EXPECT_DOUBLE_EQ(Record(0).inputOffset, -reach);
    EXPECT_NEAR(std::stod(shownBig), -reach * 1000.0, 1e-3);
}

TEST_F(ChannelSetup, UnitMemoryStorageAndAFixedRecordLockWhatTheyMust) {
    struct Case {
        const char* name;
        int32_t storage;
        uint8_t fixed;
        bool filtersOn, fieldsOn, presetOn;
    } cases[] = {
        {"memory storage", 2, 0, true, true, true},
        {"the unit's memory", 3, 0, false, true, true},
        {"fixed record", 2, 1, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            AcqView acq(hAcq);
            acq->storageKind = c.storage;
            acq->chans[0].paramsFixed = c.fixed;
        }
        bool filtersOn = false, fieldsOn = false, presetOn = false, freqReadOnly = false;
        EditParams(0, [&](HWND dlg) {
            Type(dlg, IDC_ICP_PRESET_NAME, "Unused name");
            filtersOn = Enabled(dlg, IDC_ICP_FREQ) && Enabled(dlg, IDC_ICP_Q);
            fieldsOn = Enabled(dlg, IDC_ICP_LABEL) && Enabled(dlg, IDC_ICP_GAIN) && Enabled(dlg, IDC_ICP_UPDATE_HW);
            presetOn = Enabled(dlg, IDC_ICP_NEW_PRESET);
            freqReadOnly = (GetWindowLongA(GetDlgItem(dlg, IDC_ICP_FREQ), GWL_STYLE) & ES_READONLY) != 0;
            SendClick(dlg, IDCANCEL);
        });
        EXPECT_EQ(filtersOn, c.filtersOn);
        EXPECT_EQ(fieldsOn, c.fieldsOn);
        EXPECT_EQ(presetOn, c.presetOn);
        EXPECT_EQ(freqReadOnly, c.fixed != 0) << "a fixed record's slot takes the mains frequency";
    }
}

TEST_F(ChannelSetup, ScalingFromTheDialogChangesUnitsAndKeepsTheTypedTexts) {
    std::string unitsShown, labelKept;
    WithDialogs(
        [&](HWND dlg) {
            if (GetDlgItem(dlg, IDC_SCALE_UNITS)) {
                Type(dlg, IDC_SCALE_VALUE1, "-1");
                Type(dlg, IDC_SCALE_VALUE2, "1");
                Type(dlg, IDC_SCALE_UNITS, "cm");
                SendClick(dlg, IDOK);
                HWND params = FindThreadDialog(IDC_ICP_GAIN);
                g_afterAnswer = [&, params] {
                    unitsShown = ItemText(params, IDC_ICP_UNITS);
                    labelKept = ItemText(params, IDC_ICP_LABEL);
                    PostMessageA(params, WM_COMMAND, IDOK, 0);
                };
                SetTimer(nullptr, 0, 10, AfterAnswer);
            } else if (GetDlgItem(dlg, IDC_ICP_GAIN)) {
                Type(dlg, IDC_ICP_LABEL, "Typed first");
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_ICP_SCALING, BN_CLICKED), 0);
            }
        },
        [&] { Click(Row(kGroupAnalog, 1), IDC_ROW_SETUP); });
    EXPECT_EQ(unitsShown, "cm");
    EXPECT_EQ(labelKept, "Typed first");
    const stAcqChan rec = Record(1);
    EXPECT_EQ(FIELD(rec.units), "cm");
    EXPECT_EQ(FIELD(rec.label), "Typed first");
    EXPECT_EQ(rec.unitValue2, 1.0);
    AcqView acq(hAcq);
    EXPECT_DOUBLE_EQ(acq->chanMultiplier[1], (2.0 / 0.02) * (10.0 / 32768.0) / 200.0);
}

// ---- The presets organiser ----

class PresetStore : public ::testing::Test {
protected:
    // Input presets A0-A3, then calculation presets C0-C2; each entry's values name their preset.
    void SetUp() override {
        ASSERT_EQ(AllocPresetStore(&store, 4, 3), 1);
        CPresetStoreLock lock(store);
        for (int i = 0; i < 7; ++i) {
            const bool calc = i >= 4;
            snprintf(lock.records[i].presetName, sizeof lock.records[i].presetName, "%c%d", calc ? 'C' : 'A',
                     calc ? i - 4 : i);
            lock.first[i] = i;
            lock.second[i] = 100 + i;
            if (calc) {
                lock.calcKinds[i - 4] = 10 + i;
                memset(lock.calcBlocks + (i - 4) * kCalcPresetBytes, 'a' + i, kCalcPresetBytes);
            }
        }
    }
    void TearDown() override { FreePresetStore(&store); }

    // Every preset with its parallel entries: "name:first:second[:kind:block byte]".
    std::vector<std::string> Entries() {
        std::vector<std::string> out;
        CPresetStoreLock lock(store);
        for (int i = 0; i < store.count + store.calcCount; ++i) {
            std::string e = FIELD(lock.records[i].presetName) + ":" + std::to_string(int(lock.first[i])) + ":" +
                             std::to_string(int(lock.second[i]));
            if (i >= store.count) {
                const int c = i - store.count;
                e += ":" + std::to_string(lock.calcKinds[c]) + ":" + char(lock.calcBlocks[c * kCalcPresetBytes]) +
                     char(lock.calcBlocks[(c + 1) * kCalcPresetBytes - 1]);
            }
            out.push_back(e);
        }
        return out;
    }

    stPresetStore store{};
};

TEST_F(PresetStore, MovesStayInTheirGroupAndCarryEveryParallelEntry) {
    struct Case {
        int group, from, to;
        int moved;
        std::vector<std::string> names;
    } cases[] = {
        {kPresetGroupInput, 3, 0, 1, {"A3", "A0", "A1", "A2", "C0", "C1", "C2"}},
        {kPresetGroupInput, 0, 99, 1, {"A1", "A2", "A3", "A0", "C0", "C1", "C2"}},
        {kPresetGroupInput, 0, -1, 0, {"A0", "A1", "A2", "A3", "C0", "C1", "C2"}},  // Top on the first
        {kPresetGroupCalc, 2, 5, 0, {"A0", "A1", "A2", "A3", "C0", "C1", "C2"}},    // Bottom on the last
        {kPresetGroupCalc, 0, 2, 1, {"A0", "A1", "A2", "A3", "C1", "C2", "C0"}},
        {kPresetGroupCalc, 3, 0, 0, {"A0", "A1", "A2", "A3", "C0", "C1", "C2"}},  // outside the group
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.group) + ": " + std::to_string(c.from) + " -> " + std::to_string(c.to));
        TearDown();
        SetUp();
        EXPECT_EQ(MovePreset(&store, c.group, c.from, c.to), c.moved);
        EXPECT_EQ(PresetNames(store), c.names);
    }
    TearDown();
    SetUp();
    MovePreset(&store, kPresetGroupCalc, 0, 2);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A0:0:100", "A1:1:101", "A2:2:102", "A3:3:103", "C1:5:105:15:ff",
                                                   "C2:6:106:16:gg", "C0:4:104:14:ee"}));
}

TEST_F(PresetStore, DeleteRemovesThePresetWithItsEntriesOnlyWhenTheDescriptionMatches) {
    EXPECT_EQ(DeletePreset(&store, 5, "C0", kPresetGroupCalc), 0) << "the record there is C1";
    EXPECT_EQ(DeletePreset(&store, 1, "A1", kPresetGroupCalc), 0) << "an input preset is not in the calculation group";
    EXPECT_EQ(store.count + store.calcCount, 7);
    EXPECT_EQ(DeletePreset(&store, 5, "c1", kPresetGroupCalc), 1) << "any case";
    EXPECT_EQ(DeletePreset(&store, 1, "A1", kPresetGroupInput), 1);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A0:0:100", "A2:2:102", "A3:3:103", "C0:4:104:14:ee",
                                                   "C2:6:106:16:gg"}));
    EXPECT_EQ(IsUnusedPresetName(store, "a2"), 0);
    EXPECT_EQ(IsUnusedPresetName(store, "A1"), 1);
    EXPECT_EQ(ClearPresets(&store), 1);
    EXPECT_EQ(store.count + store.calcCount, 0);
    EXPECT_FALSE(IsPresetStoreAllocated(store));
}

TEST_F(PresetStore, AppendingAddsOneRowToItsKindAndLeavesEveryOtherRowOrNothingAtAll) {
    uint8_t block[kCalcPresetBytes];
    memset(block, 'x', sizeof block);
    stPresetRow input{};
    strcpy(input.record.presetName, "A4");
    input.first = 40;
    input.second = 140;
    stPresetRow calc = input;
    strcpy(calc.record.presetName, "C3");
    calc.calcKind = 30;
    calc.calcBlock = block;
    const std::vector<std::string> old = Entries();
    auto with = [&](size_t at, const std::string& entry) {
        std::vector<std::string> e = old;
        e.insert(e.begin() + at, entry);
        return e;
    };
    enum Before { kAsMade, kPartFull, kOldRowsGone };
    struct Case {
        const char* what;
        bool calc;
        Before before;
        int32_t index;  // of the new row, -1 refused
        std::vector<std::string> entries;
    } cases[] = {
        {"input", false, kAsMade, 4, with(4, "A4:40:140")},
        {"calculation", true, kAsMade, 7, with(7, "C3:40:140:30:xx")},
        {"input part full", false, kPartFull, -1, {}},
        {"calculation part full", true, kPartFull, -1, {}},
        {"old rows unreadable", false, kOldRowsGone, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.before == kPartFull) {
            // Zeroed rows up to the limit, as a loaded file could have them.
            FreePresetStore(&store);
            ASSERT_EQ(AllocPresetStore(&store, c.calc ? 1 : kMaxPresets, c.calc ? kMaxPresets : 1), 1);
        } else if (c.before == kOldRowsGone) {
            ASSERT_NE(GlobalDiscard(store.hRecords), nullptr);  // the copy cannot be made
        }
        store.readOnly = 1;
        const stPresetStore before = store;
        const std::vector<std::string> entriesBefore = c.before == kOldRowsGone ? c.entries : Entries();
        EXPECT_EQ(AppendPreset(&store, c.calc, c.calc ? calc : input), c.index);
        EXPECT_EQ(store.readOnly, 1) << "the file's read-only mark stays";
        if (c.index < 0) {
            EXPECT_EQ(memcmp(&store, &before, sizeof before), 0) << "the same arrays and counts";
            if (c.before != kOldRowsGone) {
                EXPECT_EQ(Entries(), entriesBefore);
            }
            continue;
        }
        EXPECT_EQ(store.count, before.count + (c.calc ? 0 : 1));
        EXPECT_EQ(store.calcCount, before.calcCount + (c.calc ? 1 : 0));
        EXPECT_EQ(Entries(), c.entries);
    }
}

TEST_F(ChannelSetup, TheOrganiserReordersRenamesAndDeletesThroughItsControls) {
    std::vector<std::string> listed, afterTop, boxTexts;
    int images = 0;
    bool renameRefusedSameName = false;
    WithDialogs(
        [&](HWND dlg) {
            if (GetDlgItem(dlg, IDC_OCP_LIST)) {
                HWND list = GetDlgItem(dlg, IDC_OCP_LIST);
                images = ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_SMALL));
                char text[128];
                for (int i = 0; i < ListView_GetItemCount(list); ++i) {
                    ListView_GetItemText(list, i, 0, text, sizeof text);
                    std::string item = text;
                    ListView_GetItemText(list, i, 1, text, sizeof text);
                    listed.push_back(item + "|" + text);
                }
                // EEG (second) to the top, then rename it, then delete it.
                ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
                SendClick(dlg, IDC_OCP_TOP);
                for (int i = 0; i < 2; ++i) {
                    ListView_GetItemText(list, i, 0, text, sizeof text);
                    afterTop.push_back(text);
                }
                SendClick(dlg, IDC_OCP_RENAME);  // the rename dialog comes up next
            } else if (GetDlgItem(dlg, IDC_RENAME_NEW)) {
                Type(dlg, IDC_RENAME_NEW, "emg");
                renameRefusedSameName = !Enabled(dlg, IDOK);
                Type(dlg, IDC_RENAME_NEW, "Brain waves");
                EXPECT_TRUE(Enabled(dlg, IDOK));
                SendClick(dlg, IDOK);
                HWND organiser = FindThreadDialog(IDC_OCP_LIST);
                PostMessageA(organiser, WM_COMMAND, MAKEWPARAM(IDC_OCP_DELETE, BN_CLICKED), 0);
            } else {
                boxTexts.push_back(MessageBoxText(dlg));
                SendMessageA(dlg, WM_COMMAND, boxTexts.size() == 1 ? IDYES : IDOK, 0);
                if (boxTexts.size() == 1) {
                    HWND organiser = FindThreadDialog(IDC_OCP_LIST);
                    PostMessageA(organiser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                }
            }
        },
        [&] {
            AcqView acq(hAcq);
            EXPECT_EQ(ShowPresetOrganizer(frame, acq.get()), 1);
        });
    EXPECT_EQ(images, 2) << "one image for each kind of preset";
    ASSERT_EQ(listed.size(), size_t(kBuiltinPresets));
    EXPECT_EQ(listed[0], "ECG|Analog channel settings");
    ASSERT_GE(afterTop.size(), 2u);
    EXPECT_EQ(afterTop[0], "EEG");
    EXPECT_EQ(afterTop[1], "ECG");
    EXPECT_TRUE(renameRefusedSameName) << "another preset's name in other case";
    ASSERT_EQ(boxTexts.size(), 1u);
    EXPECT_EQ(boxTexts[0], "Are you sure you want to remove preset \"Brain waves\"?");
    AcqView acq(hAcq);
    const std::vector<std::string> names = PresetNames(acq->presets);
    EXPECT_EQ(acq->presets.count, kBuiltinPresets - 1);
    EXPECT_EQ(names[0], "ECG");
    for (const std::string& n : names) EXPECT_NE(n, "Brain waves");
}

TEST_F(ChannelSetup, TheOrganisersEditsReachTheStoreOnlyThroughClose) {
    struct Case {
        const char* name;
        int answer, closeWith, count;
    } cases[] = {
        {"Delete All, Yes, Close", IDYES, IDOK, 0},
        {"Delete All, Yes, Cancel", IDYES, IDCANCEL, kBuiltinPresets},
        {"Delete All, No, Close", IDNO, IDOK, kBuiltinPresets},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            AcqView acq(hAcq);
            FreePresetStore(&acq->presets);
            ASSERT_EQ(FillBuiltinPresets(&acq->presets), 1);
        }
        int asked = 0, listedAfter = -1;
        WithDialogs(
            [&](HWND dlg) {
                if (GetDlgItem(dlg, IDC_OCP_LIST)) {
                    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_OCP_DELETE_ALL, BN_CLICKED), 0);
                } else {
                    ++asked;
                    EXPECT_EQ(MessageBoxText(dlg), "Are you sure you want to clear preset file?");
                    SendMessageA(dlg, WM_COMMAND, c.answer, 0);
                    // Once the answer has been acted on, read the list and close the organiser.
                    g_afterAnswer = [&] {
                        HWND organiser = FindThreadDialog(IDC_OCP_LIST);
                        listedAfter = ListView_GetItemCount(GetDlgItem(organiser, IDC_OCP_LIST));
                        PostMessageA(organiser, WM_COMMAND, c.closeWith, 0);
                    };
                    SetTimer(nullptr, 0, 10, AfterAnswer);
                }
            },
            [&] {
                AcqView acq(hAcq);
                EXPECT_EQ(ShowPresetOrganizer(frame, acq.get()), c.closeWith == IDOK ? 1 : 0);
            });
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(listedAfter, c.answer == IDYES ? 0 : kBuiltinPresets);
        AcqView acq(hAcq);
        EXPECT_EQ(acq->presets.count + acq->presets.calcCount, c.count);
        if (c.count) {
            EXPECT_EQ(PresetName(acq->presets, 0), "ECG");
        }
    }
}

TEST_F(ChannelSetup, TheOrganisersScrollBarBottomAndInPlaceEditWorkOnTheSelectedPreset) {
    std::vector<std::string> seen;
    WithDialogs(
        [&](HWND dlg) {
            if (!GetDlgItem(dlg, IDC_OCP_LIST)) return;
            HWND list = GetDlgItem(dlg, IDC_OCP_LIST);
            HWND bar = GetDlgItem(dlg, IDC_OCP_MOVE);
            auto order = [&] {
                std::string names;
                char text[128];
                for (int i = 0; i < 4; ++i) {
                    ListView_GetItemText(list, i, 0, text, sizeof text);
                    names += std::string(i ? "," : "") + text;
                }
                return names;
            };
            ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // EMG
            SendMessageA(dlg, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(bar));
            seen.push_back(order());
            SendMessageA(dlg, WM_VSCROLL, SB_PAGEDOWN, reinterpret_cast<LPARAM>(bar));
            SendMessageA(dlg, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar));
            seen.push_back(order());
            SendClick(dlg, IDC_OCP_BOTTOM);
            char text[128];
            ListView_GetItemText(list, kBuiltinPresets - 1, 0, text, sizeof text);
            seen.push_back(text);
            // Edit the label of the first item in place: a taken name is refused, a new one taken.
            for (const char* typed : {"eeg", "Heart"}) {
                HWND edit = ListView_EditLabel(list, 0);
                SetWindowTextA(edit, typed);
                SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
                ListView_GetItemText(list, 0, 0, text, sizeof text);
                seen.push_back(text);
            }
            SendClick(dlg, IDOK);
        },
        [&] {
            AcqView acq(hAcq);
            ShowPresetOrganizer(frame, acq.get());
        });
    EXPECT_EQ(seen, (std::vector<std::string>{"ECG,EMG,EEG,EOG", "ECG,EEG,EOG,EMG", "EMG", "ECG", "Heart"}));
    AcqView acq(hAcq);
    const std::vector<std::string> names = PresetNames(acq->presets);
    EXPECT_EQ(names.front(), "Heart");
    EXPECT_EQ(names.back(), "EMG");
}

}  // namespace
