// Transforms that only read a recording leave it fit to record on behind: in the running program
// over a simulated unit, a graph is recorded, a transform runs through its menu command and
// dialog, and a press on the graph's Start button continues the recording without the warning
// about modified data. A transform that changes the recording's samples still brings the warning.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>
#include "shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"
#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "devlib/tests/run_settings.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/graph_ids.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "transforms/transforms_ids.h"

namespace {

constexpr uint32_t kFrames = 4000;  // 4 s at 1 ms: a few heart beats of the ECG
constexpr int kSlots[] = {kFirstAnalogSlot, kFirstAnalogSlot + 1};  // inputs 1 and 2
constexpr char kEditedWarning[] =
    "You have modified or edited data in a way which prevents appending acquisitions. You can replace the existing "
    "data or abort.";

// The program over a simulated model-40 unit with its own signals (an ECG on input 1).
class TransformThenAppend : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("transform_append", false);
        // The menu commands the start-up lesson allows (the boot here stops before it runs).
        for (UINT id : {IDM_FIR_LOW_PASS, IDM_TRANSFORM_DERIVATIVE, IDM_TRANSFORM_FFT, IDM_TRANSFORM_HISTOGRAM,
                        IDM_TRANSFORM_FIND_RATE, IDM_TRANSFORM_FIND_PEAK})
            if (GetStatusHotKeyEx(id) != kHotKeyUnregistered) {
                ASSERT_EQ(SetStatusHotKeyEx(id, 1), kHotKeyStatusSet);
            }
    }

    // Inputs 1 and 2 into memory, 1 ms a frame, kFrames long, with the data mode given.
    static void SetUpRun(int16_t dataMode) {
        AcqLock acq(g_app->hAcq);
        for (stAcqChan& c : acq->chans) c.flags &= ~kChanEnabled;
        for (int i = 0; i < kAnalogChannels; ++i)
            if (acq->chans[i].group == kGroupAnalog && (acq->chans[i].number == 0 || acq->chans[i].number == 1))
                acq->chans[i].flags |= kChanEnabled;
        vk40test::SetUpRun(acq.get(), kStorageMemory, 1.0, kFrames, dataMode);
        acq->warnOnOverwrite = 0;
    }
    // A new recording of kFrames frames from the Start button; then append mode, as a user
    // who means to record on behind it sets it.
    void FreshRecording() {
        SetUpRun(kDataOverwrite);
        Press();
        ASSERT_EQ(Running(), 1);
        RunToEnd(250);
        for (int s : kSlots) ASSERT_EQ(gs->chanCount[s], kFrames) << s;
        AcqLock acq(g_app->hAcq);
        acq->dataMode = kDataAppend;
    }
    static void Command(UINT id) { SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0); }
    static std::vector<HWND> GraphWindows() {
        std::vector<HWND> windows;
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (GetWindowGraph(w)) windows.push_back(w);
        return windows;
    }
    // Closes every graph window but the recording's, as the user closes a result unsaved.
    void CloseOtherGraphs() {
        for (HWND w : GraphWindows()) {
            if (w == first) continue;
            GetWindowGraph(w)->modified = 0;
            SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(w), 0);
        }
        PumpMessages();
    }
    // The level three fifths up from the lowest to the highest sample of the ECG.
    std::string PeakLevel() const {
        double lo = 0.0, hi = 0.0, v = 0.0;
        for (uint32_t i = 0; i < gs->chanCount[kSlots[0]]; ++i) {
            if (!GetChannelSample(gs, static_cast<int>(i), kSlots[0], &v)) break;
            if (i == 0 || v < lo) lo = v;
            if (i == 0 || v > hi) hi = v;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.6f", lo + 0.6 * (hi - lo));
        return text;
    }
};

struct Case {
    const char* name;
    UINT command;
    const char* made;  // the title of the graph the transform opens; null for none
    bool changesSamples;
    std::function<void(HWND dlg, const std::string& level)> answer;
};

// A check box clicked until it shows the state wanted (the dialogs keep their last settings).
void SetCheck(HWND dlg, int id, bool on) {
    if ((IsDlgButtonChecked(dlg, id) == BST_CHECKED) != on) Click(dlg, id);
}

void ResponseOnly(HWND dlg, const std::string&) {
    SetCheck(dlg, IDC_FIR_RESPONSE, true);
    SetCheck(dlg, IDC_FIR_DONT_MODIFY, true);
    Click(dlg, IDOK);
}

// "Don't modify" is cleared while "Show Filter Response" still lets it be clicked.
void FilterSamples(HWND dlg, const std::string&) {
    SetCheck(dlg, IDC_FIR_DONT_MODIFY, false);
    SetCheck(dlg, IDC_FIR_RESPONSE, false);
    Click(dlg, IDOK);
}

// Off-line averaging through the Find Peak dialog: passes of 100 samples either side of each
// R wave, found above the level.
void AverageAroundPeaks(HWND dlg, const std::string& level) {
    Click(dlg, IDC_FP_POSITIVE);
    SetCheck(dlg, IDC_FP_AVERAGING, true);
    TypeInto(dlg, IDC_FP_LEVEL, level);
    const double sample = std::atof(ItemText(dlg, IDC_FP_MIN_INTERVAL).c_str());  // in the dialog's unit
    char text[32];
    std::snprintf(text, sizeof text, "%g", 100 * sample);
    TypeInto(dlg, IDC_FP_OFFSET1, text);
    std::snprintf(text, sizeof text, "%g", -100 * sample);
    TypeInto(dlg, IDC_FP_OFFSET2, text);
    Click(dlg, IDOK);
}

TEST_F(TransformThenAppend, OnlyAChangeOfTheRecordingsSamplesStopsTheNextRunFromAppending) {
    const Case cases[] = {
        {"FIR low pass, response only", IDM_FIR_LOW_PASS, "Low Pass Filter", false, ResponseOnly},
        {"Derivative, response only", IDM_TRANSFORM_DERIVATIVE, "Derivative", false, ResponseOnly},
        {"FFT", IDM_TRANSFORM_FFT, "FFT", false, [](HWND dlg, const std::string&) { Click(dlg, IDOK); }},
        {"Histogram", IDM_TRANSFORM_HISTOGRAM, "Histogram", false,
         [](HWND dlg, const std::string&) { Click(dlg, IDOK); }},
        {"Rate Detector into a new graph", IDM_TRANSFORM_FIND_RATE, "Rate", false,
         [](HWND dlg, const std::string&) {
             SetCheck(dlg, IDC_RD_NEW_GRAPH, true);
             Click(dlg, IDOK);
         }},
        {"Off-line averaging", IDM_TRANSFORM_FIND_PEAK, "Averaging", false, AverageAroundPeaks},
        {"FIR low pass on the samples", IDM_FIR_LOW_PASS, nullptr, true, FilterSamples},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshRecording();
        gs->selectedChan = kSlots[0];
        gs->selStart = gs->selEnd = 0.0;
        const std::string level = PeakLevel();
        const size_t graphs = GraphWindows().size();
        {
            DialogDriver dialog({[&](HWND dlg) { c.answer(dlg, level); }});
            Command(c.command);
            PumpMessages();
            ASSERT_EQ(dialog.Runs(), 1);
            EXPECT_EQ(dialog.LeftOpen(), 0);
        }
        if (c.made) {
            ASSERT_EQ(GraphWindows().size(), graphs + 1);
            EXPECT_STREQ(GetWindowGraph(g_app->hwndActiveGraph)->title, c.made);
        }
        // The recording's channels keep their samples' form unless the transform changed them.
        for (int s : kSlots) {
            EXPECT_EQ(gs->chanCount[s], kFrames) << s;
            if (!c.changesSamples) {
                EXPECT_NE(gs->chanType[s], kTypeDouble) << "slot " << s << " was converted";
            }
        }
        CloseOtherGraphs();
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
        PumpMessages();
        ASSERT_EQ(g_app->hwndActiveGraph, first);

        std::vector<std::string> warnings;
        {
            DialogDriver warning({[&](HWND dlg) {
                                     warnings.push_back(ItemText(dlg, IDC_APPEND_TEXT));
                                     Click(dlg, IDCANCEL);  // "Abort"
                                 }},
                                 "Acquisition Warning");
            Press();
        }
        if (c.changesSamples) {
            EXPECT_EQ(warnings, std::vector<std::string>{kEditedWarning});
            EXPECT_EQ(Running(), 0);
            continue;
        }
        EXPECT_EQ(warnings, std::vector<std::string>{});
        if (Running() != 1) {
            ADD_FAILURE() << "the Start button did not record on behind the data";
            continue;
        }
        RunToEnd(250);
        for (int s : kSlots) EXPECT_EQ(gs->chanCount[s], 2 * kFrames) << "slot " << s << " took the next run behind";
    }
}

}  // namespace
