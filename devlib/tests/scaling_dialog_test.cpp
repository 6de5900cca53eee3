// Dialog 800, "Change Scaling Parameters", as the user meets it: opened through
// VK40SetupUnitsDlg for a graph channel and driven through its controls from inside its own
// message loop, with the record read back afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/stAcq.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/services/dlg_resource.h"
#include "devlib/vk40.h"
#include "devlib/tests/library_fixture.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

constexpr double kCount = 10.0 / 32768.0;

double g_reading = 0.0;  // what the fake unit answers to a calibration reading
int32_t g_readChannel = -1;

int32_t ReadFake(stAcq*, int32_t channel, double* volts) {
    g_readChannel = channel;
    *volts = g_reading;
    return 1;
}

void Type(HWND dlg, int id, const char* text) { SetDlgItemTextA(dlg, id, text); }

bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }

bool Shown(HWND dlg, int id) { return IsWindowVisible(GetDlgItem(dlg, id)) != 0; }

class ScalingDialog : public LibraryOnFrame {
protected:
    void SetUp() override {
        LibraryOnFrame::SetUp();
        if (HasFatalFailure()) return;
        SetAnalogInputReader(nullptr);
    }

    void TearDown() override {
        SetAnalogInputReader(nullptr);
        LibraryOnFrame::TearDown();
    }

    stAcqChan Record(int index) {
        AcqView acq(hAcq);
        return acq->chans[index];
    }

    // Opens the dialog for a graph slot and runs steps on it; false when no dialog came up.
    bool Run(uint32_t slot, std::function<void(HWND)> steps, bool* leftOpen = nullptr) {
        CModalDriver driver(IDC_SCALE_UNITS, std::move(steps));
        EXPECT_EQ(VK40SetupUnitsDlg(frame, hAcq, slot), 1);
        if (leftOpen)
            *leftOpen = driver.leftOpen;
        else
            EXPECT_FALSE(driver.leftOpen) << "the steps end the dialog";
        return driver.ran;
    }
};

TEST_F(ScalingDialog, OkStoresTheTypedPointsAndUnits) {
    const stAcqChan before = Record(1);
    std::string heading, caption, shownInput;
    HWND seenAsModal = nullptr;
    ASSERT_TRUE(Run(2, [&](HWND dlg) {
        char text[128] = "";
        GetWindowTextA(dlg, text, sizeof text);
        caption = text;
        heading = ControlText(dlg, IDC_SCALE_HEADING);
        shownInput = ControlText(dlg, IDC_SCALE_INPUT1) + " " + ControlText(dlg, IDC_SCALE_INPUT1_UNIT) + " " +
                     ControlText(dlg, IDC_SCALE_VALUE1) + " " + ControlText(dlg, IDC_SCALE_UNITS);
        seenAsModal = hwndGetDlg;
        Type(dlg, IDC_SCALE_INPUT1, "-5");
        Type(dlg, IDC_SCALE_VALUE1, "-1");
        Type(dlg, IDC_SCALE_INPUT2, "5");
        Type(dlg, IDC_SCALE_VALUE2, "1");
        Type(dlg, IDC_SCALE_UNITS, "cm");
        Click(dlg, IDOK);
    }));
    EXPECT_EQ(caption, "Change Scaling Parameters");
    EXPECT_EQ(heading, "CH2, ");
    EXPECT_EQ(shownInput, "-10 mV -10 mV") << "a gain of 200 shows millivolts";
    EXPECT_NE(seenAsModal, nullptr) << "the program sees the library's modal dialog and keeps its graph open";

    const stAcqChan rec = Record(1);
    EXPECT_DOUBLE_EQ(rec.inValue1, -0.005);
    EXPECT_EQ(rec.unitValue1, -1.0);
    EXPECT_DOUBLE_EQ(rec.inValue2, 0.005);
    EXPECT_EQ(rec.unitValue2, 1.0);
    EXPECT_STREQ(rec.units, "cm");
    EXPECT_EQ(rec.unitsSetByUser, 1);
    EXPECT_EQ(before.unitsSetByUser, 0);
    AcqView acq(hAcq);
    EXPECT_DOUBLE_EQ(acq->chanMultiplier[1], (2.0 / 0.01) * kCount / 200.0);
    EXPECT_EQ(acq->chanAddend[1], 0.0);
    EXPECT_DOUBLE_EQ(getScalingFactor(2), 0.005) << "the scaling table follows at once";
}

TEST_F(ScalingDialog, InputShowsMillivoltsUpToAGainOf1000AndMicrovoltsAbove) {
    struct Case {
        double gain;
        const char *input, *unit;
    } cases[] = {{1000.0, "-10", "mV"}, {2000.0, "-10000", "microV"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gain);
        {
            AcqView acq(hAcq);
            acq->chans[0].gain = c.gain;
        }
        std::string input, unit;
        ASSERT_TRUE(Run(1, [&](HWND dlg) {
            input = ControlText(dlg, IDC_SCALE_INPUT1);
            unit = ControlText(dlg, IDC_SCALE_INPUT2_UNIT);
            Click(dlg, IDCANCEL);
        }));
        EXPECT_EQ(input, c.input);
        EXPECT_EQ(unit, c.unit);
    }
}

TEST_F(ScalingDialog, EqualPointsKeepTheDialogOpenOnTheFieldToMend) {
    const stAcqChan before = Record(0);
    bool openAfterValues = false, openAfterInputs = false;
    HWND focusAfterValues = nullptr, focusAfterInputs = nullptr, valueField = nullptr, inputField = nullptr;
    int32_t unitsTouched = -1;
    ASSERT_TRUE(Run(1, [&](HWND dlg) {
        valueField = GetDlgItem(dlg, IDC_SCALE_VALUE1);
        inputField = GetDlgItem(dlg, IDC_SCALE_INPUT1);
        Type(dlg, IDC_SCALE_VALUE1, "3");
        Type(dlg, IDC_SCALE_VALUE2, "3");
        Click(dlg, IDOK);
        openAfterValues = IsWindowVisible(dlg) != 0;
        focusAfterValues = GetFocus();
        Type(dlg, IDC_SCALE_VALUE2, "4");
        Type(dlg, IDC_SCALE_INPUT2, "-10");
        Click(dlg, IDOK);
        openAfterInputs = IsWindowVisible(dlg) != 0;
        focusAfterInputs = GetFocus();
        unitsTouched = Record(0).unitsSetByUser;
        Click(dlg, IDCANCEL);
    }));
    EXPECT_TRUE(openAfterValues);
    EXPECT_EQ(focusAfterValues, valueField);
    EXPECT_TRUE(openAfterInputs);
    EXPECT_EQ(focusAfterInputs, inputField);
    EXPECT_EQ(unitsTouched, 0) << "filling the fields is no edit of the units";
    const stAcqChan after = Record(0);
    EXPECT_EQ(memcmp(&after, &before, sizeof after), 0) << "Cancel leaves the record as it was";
}

TEST_F(ScalingDialog, DigitalAndCalculationChannelsTakePlainInputs) {
    {
        AcqView acq(hAcq);
        acq->chans[4].gain = 2000.0;  // no meaning for a calculation channel: still plain inputs
    }
    std::string heading, input;
    bool unitShown = true, calEnabled = true;
    ASSERT_TRUE(Run(40, [&](HWND dlg) {
        heading = ControlText(dlg, IDC_SCALE_HEADING);
        input = ControlText(dlg, IDC_SCALE_INPUT2);
        unitShown = Shown(dlg, IDC_SCALE_INPUT1_UNIT) || Shown(dlg, IDC_SCALE_INPUT2_UNIT);
        calEnabled = Enabled(dlg, IDC_SCALE_CAL1) || Enabled(dlg, IDC_SCALE_CAL2);
        Type(dlg, IDC_SCALE_INPUT1, "0");
        Type(dlg, IDC_SCALE_VALUE1, "0");
        Type(dlg, IDC_SCALE_INPUT2, "2");
        Type(dlg, IDC_SCALE_VALUE2, "1");
        Click(dlg, IDOK);
    }));
    EXPECT_EQ(heading, "C1, Calculation");
    EXPECT_EQ(input, "10");
    EXPECT_FALSE(unitShown);
    EXPECT_FALSE(calEnabled);
    const stAcqChan rec = Record(4);
    EXPECT_EQ(rec.inValue2, 2.0);
    AcqView acq(hAcq);
    EXPECT_EQ(acq->chanMultiplier[4], 0.5);
}

TEST_F(ScalingDialog, FixedChannelIsShownReadOnlyAndKept) {
    {
        AcqView acq(hAcq);
        acq->chans[2].paramsFixed = 1;
    }
    const stAcqChan before = Record(2);
    bool anyEnabled = true, okEnabled = false;
    ASSERT_TRUE(Run(3, [&](HWND dlg) {
        anyEnabled = false;
        for (int id : {IDC_SCALE_INPUT1, IDC_SCALE_VALUE1, IDC_SCALE_INPUT2, IDC_SCALE_VALUE2, IDC_SCALE_UNITS,
                       IDC_SCALE_CAL1, IDC_SCALE_CAL2})
            anyEnabled = anyEnabled || Enabled(dlg, id);
        okEnabled = Enabled(dlg, IDOK);
        Click(dlg, IDOK);
    }));
    EXPECT_FALSE(anyEnabled);
    EXPECT_TRUE(okEnabled);
    const stAcqChan after = Record(2);
    EXPECT_EQ(memcmp(&after, &before, sizeof after), 0);
}

TEST_F(ScalingDialog, CalButtonsReadTheInputUnlessTheGainWouldClip) {
    {
        AcqView acq(hAcq);
        acq->chans[3].gain = 2000.0;
    }
    CBoxCapture boxes;
    std::string withoutUnit, afterRead, afterClip;
    ASSERT_TRUE(Run(4, [&](HWND dlg) {
        Click(dlg, IDC_SCALE_CAL1);
        withoutUnit = ControlText(dlg, IDC_SCALE_INPUT1);
        SetAnalogInputReader(ReadFake);
        g_reading = 0.004;  // 8 V after the gain of 2000
        Click(dlg, IDC_SCALE_CAL2);
        afterRead = ControlText(dlg, IDC_SCALE_INPUT2);
        g_reading = -0.005;  // 10 V after the gain: too large
        Click(dlg, IDC_SCALE_CAL1);
        afterClip = ControlText(dlg, IDC_SCALE_INPUT1);
        Click(dlg, IDOK);
    }));
    EXPECT_EQ(withoutUnit, "-10000");
    EXPECT_EQ(afterRead, "4000") << "microvolts at this gain";
    EXPECT_EQ(g_readChannel, 3);
    EXPECT_EQ(afterClip, "-10000");
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Can NOT get data from the VK40.\nCheck connections and power.");
    EXPECT_EQ(boxes.boxes[1].text, "The input signal is too large for this gain.\nReduce the gain and try again.");
    EXPECT_EQ(boxes.boxes[1].caption, "Warning");
    EXPECT_DOUBLE_EQ(Record(3).inValue2, 0.004);
}

TEST_F(ScalingDialog, TextsComeFromTheKeyedTables) {
    ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(IDD_SCALING, IDC_SCALE_CAL1, "Kal &1"), 1);
    ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(IDD_SCALING, "Cancel", "Abbrechen"), 1);
    ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(IDD_SCALING, 0u, "Skalierung"), 1);
    std::string cal, cancel, title;
    ASSERT_TRUE(Run(1, [&](HWND dlg) {
        cal = ControlText(dlg, IDC_SCALE_CAL1);
        cancel = ControlText(dlg, IDCANCEL);
        char text[128] = "";
        GetWindowTextA(dlg, text, sizeof text);
        title = text;
        Click(dlg, IDCANCEL);
    }));
    EXPECT_EQ(cal, "Kal &1");
    EXPECT_EQ(cancel, "Abbrechen");
    EXPECT_EQ(title, "Skalierung");
}

TEST_F(ScalingDialog, TypingTheUnitsMarksThemAsTheUsers) {
    ASSERT_TRUE(Run(1, [&](HWND dlg) {
        HWND units = GetDlgItem(dlg, IDC_SCALE_UNITS);
        SendMessageA(units, EM_SETSEL, 0, -1);
        for (char c : std::string("bpm")) SendMessageA(units, WM_CHAR, static_cast<WPARAM>(c), 1);
        Click(dlg, IDOK);
    }));
    const stAcqChan rec = Record(0);
    EXPECT_STREQ(rec.units, "bpm");
    EXPECT_EQ(rec.unitsSetByUser, 1);
}

TEST_F(ScalingDialog, SlotsOfNoChannelOpenNothing) {
    for (uint32_t slot : {0u, 5u, 19u, 20u, 39u, 52u, 60u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(slot);
        EXPECT_FALSE(Run(slot, [](HWND dlg) { Click(dlg, IDCANCEL); }));
    }
    CModalDriver driver(IDC_SCALE_UNITS, [](HWND dlg) { Click(dlg, IDCANCEL); });
    EXPECT_EQ(VK40SetupUnitsDlg(frame, nullptr, 1), 1);
    EXPECT_FALSE(driver.ran);
}

}  // namespace
