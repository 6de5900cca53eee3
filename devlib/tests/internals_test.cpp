// Parts of the library that have no export of their own, built into this program from the
// library's objects: the Start button's decisions, the idle sequence and the math-error hook.
#include <gtest/gtest.h>

#include <math.h>

#include <cmath>
#include <limits>

#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/binding/binding.h"
#include "devlib/services/math_err.h"
#include "devlib/resource.h"
#include "devlib/services/keyed_texts.h"
#include "devlib/vk40.h"
#include "devlib/tests/library_fixture.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

class VK40Internals : public LibraryOnFrame {
protected:
    void SetUp() override {
        LibraryOnFrame::SetUp();
        if (HasFatalFailure()) return;
        g_runTrace = stRunControlTrace{};
        g_runLayer.stoppedByButton = 0;
    }
};

struct stStartCase {
    const char* what;
    int32_t status;
    int32_t running;
    int32_t countdown;
    bool shortAutoRestart;  // the run is read whole at its end
    uint32_t toggles;
    uint32_t aborts;
    int32_t stoppedByButton;
};

TEST_F(VK40Internals, StartButtonChoosesBetweenToggleAndAbort) {
    const stStartCase cases[] = {
        // The status image says nothing of whether a start can record (the unit check may be off):
        // the toggle finds that out, as for "STARTACQ", and a run is stopped whatever it shows.
        {"no unit, idle", 0, 0, 0, false, 1, 0, 0},
        {"no unit, running", 0, 1, 3, false, 0, 1, 1},
        {"ready, idle", 1, 0, 0, false, 1, 0, 0},
        {"recording, idle record", 2, 0, 0, false, 1, 0, 0},  // the button sets it, the start clears it
        {"recording, last run", 2, 1, 0, false, 1, 0, 1},
        {"waiting for data", 3, 1, 5, false, 1, 0, 1},
        {"restarting runs", 2, 1, 2, false, 0, 1, 1},
        {"short restarting runs", 2, 1, 2, true, 0, 0, 1},
        {"ready, restarting runs", 1, 1, 2, false, 0, 1, 0},
    };
    for (const stStartCase& c : cases) {
        SCOPED_TRACE(c.what);
        g_runTrace = stRunControlTrace{};
        g_runLayer.stoppedByButton = 0;
        {
            AcqView acq(hAcq);
            acq->run.statusState = c.status;
            acq->run.running = c.running;
            acq->restartCountdown = c.countdown;
            acq->runAutoRestart = c.shortAutoRestart;
            acq->restartInterval = 0.5;
            acq->dataMode = kDataOverwrite;
            acq->acqLength = 100;
            acq->samplePeriodMs = 5.0;
        }
        EXPECT_EQ(OnDriverCommand(hAcq, frame, IDC_START_BUTTON, nullptr, 0), 1);
        EXPECT_EQ(g_runTrace.toggle, c.toggles);
        EXPECT_EQ(g_runTrace.abort, c.aborts);
        EXPECT_EQ(g_runLayer.stoppedByButton, c.stoppedByButton);
    }
}

struct stSlowPathCase {
    const char* what;
    int32_t autoRestart;
    double intervalSeconds;
    int16_t dataMode;
    int32_t length;
    double periodMs;
    int32_t expected;
};

TEST_F(VK40Internals, ShortAutoRestartingRunsTakeTheSlowPath) {
    const stSlowPathCase cases[] = {
        {"short restarting run", 1, 0.5, 1, 100, 5.0, 1}, {"interval at the limit", 1, 1.0, 3, 200, 5.0, 1},
        {"run at the limit", 1, 0.0, 1, 1000, 1.0, 1},    {"no auto-restart", 0, 0.5, 1, 100, 5.0, 0},
        {"interval too long", 1, 1.5, 1, 100, 5.0, 0},    {"autosave", 1, 0.5, 2, 100, 5.0, 0},
        {"run too long", 1, 0.5, 1, 1001, 1.0, 0},
    };
    for (const stSlowPathCase& c : cases) {
        SCOPED_TRACE(c.what);
        AcqView acq(hAcq);
        acq->runAutoRestart = c.autoRestart;
        acq->restartInterval = c.intervalSeconds;
        acq->dataMode = c.dataMode;
        acq->acqLength = c.length;
        acq->samplePeriodMs = c.periodMs;
        EXPECT_EQ(CalcChannelsNeedSlowPath(acq.get()), c.expected);
    }
}

TEST_F(VK40Internals, IdleTurnRunsEachStepOnce) {
    EXPECT_EQ(OnIdleAcquisition(hAcq, nullptr), 1);
    EXPECT_EQ(g_runTrace.poll, 1u);
    EXPECT_EQ(g_runTrace.sampleCount, 1u);
    EXPECT_EQ(g_runTrace.electrodeUpdate, 1u) << "the first model has the electrode checker";
    EXPECT_EQ(g_runTrace.outputPoll, 1u);

    g_runTrace = stRunControlTrace{};
    EXPECT_EQ(OnIdleAcquisition(nullptr, nullptr), 1);
    EXPECT_EQ(g_runTrace.poll, 0u) << "nothing runs without the record";
}

// ---- Math-error hook ----

TEST_F(VK40Internals, SetDriverValueKeepsTheValueItAnswers) {
    for (const int32_t value : {1234, -7, 0}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(ops.setDriverValue(value), value);
        EXPECT_EQ(g_lib.hostValue, value);
    }
}

// Each colour change replaces the face brush with one of the current face colour, deleting the
// one before.
TEST_F(VK40Internals, SysColorChangeRemakesTheFaceBrush) {
    EXPECT_EQ(ops.onSysColorChange(), 1);
    const HBRUSH first = g_lib.faceBrush;
    ASSERT_NE(first, nullptr);
    LOGBRUSH brush{};
    ASSERT_EQ(GetObjectA(first, sizeof brush, &brush), static_cast<int>(sizeof brush));
    EXPECT_EQ(brush.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(brush.lbColor, GetSysColor(COLOR_BTNFACE));

    EXPECT_EQ(ops.onSysColorChange(), 1);
    ASSERT_NE(g_lib.faceBrush, nullptr);
    if (g_lib.faceBrush != first) {
        EXPECT_EQ(GetObjectA(first, sizeof brush, &brush), 0) << "the old brush is deleted";
    }
}

struct stNumberTextCase {
    const char* translation;
    const char* items;  // the trigger sources after "Off", up to "Trigger"
};

// A translated text with a number in it is filled by the library, never used as a format: what
// a lesson puts into it, conversions included, shows as it is.
TEST_F(VK40Internals, TranslatedNumberTextsAreNeverFormats) {
    const stNumberTextCase cases[] = {
        {"Kanal %d", "Kanal 1|Kanal 2|Kanal 3|Kanal 4"},
        {"%d. Kanal", "1. Kanal|2. Kanal|3. Kanal|4. Kanal"},
        {"%s%s%s%s%n %d", "%s%s%s%s%n 1|%s%s%s%s%n 2|%s%s%s%s%n 3|%s%s%s%s%n 4"},
        {"%d%% %d", "1%% %d|2%% %d|3%% %d|4%% %d"},
        {"Kanal", "Kanal 1|Kanal 2|Kanal 3|Kanal 4"},
    };
    const int32_t savedModel = g_unitModel;
    g_unitModel = kModelVK45;
    Messages().Add("CH %d", "CH %d");
    for (const stNumberTextCase& c : cases) {
        SCOPED_TRACE(c.translation);
        ASSERT_EQ(setMsgBoxText("CH %d", c.translation), 1);
        HWND trigger = MakePanelWithCombos({621, 622});
        AcqView(hAcq)->hwndTrigger = trigger;
        TranslateDLLWindows();
        AcqView(hAcq)->hwndTrigger = nullptr;
        EXPECT_EQ(ComboItems(trigger, 621), std::string("Off|") + c.items + "|Trigger");
        DestroyWindow(trigger);
    }
    g_unitModel = savedModel;
}

struct stMathCase {
    const char* what;
    int type;
    const char* name;
    double arg1;
    int handled;
    double answer;  // NaN: left as the runtime put it
};

TEST(VK40MathErrorHandler, AnswersLogDomainErrorsAndSingularities) {
    const double untouched = std::numeric_limits<double>::quiet_NaN();
    const stMathCase cases[] = {
        {"log of a negative", _DOMAIN, "log", -std::exp(2.0), 1, 2.0},
        {"log10 of a negative", _DOMAIN, "log10", -1000.0, 1, 3.0},
        {"log of zero", _SING, "log", 0.0, 1, 65535.0},
        {"log10 of zero", _SING, "log10", 0.0, 1, 65535.0},
        {"another singularity", _SING, "pow", 0.0, 1, 65535.0},
        {"another domain error", _DOMAIN, "sqrt", -4.0, 0, untouched},
        {"overflow", _OVERFLOW, "exp", 1000.0, 0, untouched},
        {"underflow", _UNDERFLOW, "exp", -1000.0, 0, untouched},
    };
    for (const stMathCase& c : cases) {
        SCOPED_TRACE(c.what);
        _exception e{c.type, c.name, c.arg1, 0.0, untouched};
        EXPECT_EQ(MathErrorHandler(&e), c.handled);
        if (std::isnan(c.answer))
            EXPECT_TRUE(std::isnan(e.retval));
        else
            EXPECT_NEAR(e.retval, c.answer, 1e-12);
    }
    EXPECT_EQ(MathErrorHandler(nullptr), 0);
}

}  // namespace
