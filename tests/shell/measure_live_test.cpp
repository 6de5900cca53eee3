// The measurement boxes of the graph a recording runs into, in the running program over a
// simulated unit of the test's own: after every batch of new samples the boxes show the
// measurements of what has arrived so far.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "shell_fixture.h"
#include "tests/shell/test_unit.h"
#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "shell/startup.h"

namespace {

class MeasureLive : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string id = std::to_string(GetCurrentProcessId());
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        GetCurrentDirectoryA(sizeof previousFolder, previousFolder);
        folder = std::string(temp) + "kymora_measure_" + id;
        CreateDirectoryA(folder.c_str(), nullptr);
        SetCurrentDirectoryA(folder.c_str());
        DeleteIni();
        ASSERT_TRUE(unit.Install("MeasureLive", true));
        ASSERT_TRUE(BootShell());
        first = g_app->hwndActiveGraph;
        ASSERT_TRUE(first);
        gs = GetWindowGraph(first);
        ASSERT_TRUE(gs && gs->measureGrid);
        SetStartupFlag(1);
        SetReadStatusEnable(1);
        RunIdleStep();
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        ASSERT_EQ(acq->run.statusState, 1) << "the simulated unit answers ready";
    }
    void TearDown() override {
        {
            AcqLock acq(g_app->hAcq);
            if (acq && acq->run.running) {
                acq->run.running = 0;
                if (acq->run.attachedGraph) acq->run.attachedGraph->acquiring = 0;
            }
        }
        if (gs) gs->modified = 0;
        ShutShell();
        SetReadStatusEnable(0);
        SetStartupFlag(0);
        unit.Remove();
        SetCurrentDirectoryA(previousFolder);
        RemoveDirectoryA(folder.c_str());
    }
    // A memory run of 1 ms frames over analog input 1 (slot 0).
    void SetUpRun(int32_t length) {
        AcqLock acq(g_app->hAcq);
        for (stAcqChan& c : acq->chans) c.flags &= ~2u;
        acq->chans[0].flags |= 2u;
        acq->storageKind = 2;
        acq->samplePeriodMs = 1.0;
        acq->acqLength = length;
        acq->repeatMode = 1;
        acq->dataMode = 1;
        acq->unitMode = 0;
        acq->warnOnOverwrite = 0;
    }
    static int32_t Running() {
        AcqLock acq(g_app->hAcq);
        return acq ? acq->run.running : -1;
    }
    void Press() {
        HWND button = GetDlgItem(first, IDC_START_BUTTON);
        ASSERT_TRUE(button);
        RECT rc;
        GetClientRect(button, &rc);
        const LPARAM at = MAKELPARAM(rc.right / 2, rc.bottom / 2);
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(button, WM_LBUTTONUP, 0, at);
        PumpMessages();
    }
    void Box(int i, int type) {
        const uint16_t options[3] = {0, 0, 0};
        SetMeasurementBox(gs->measureGrid, i, static_cast<uint16_t>(type), 0, options, 0.0, "", 0, 1);
    }
    std::string Shown(int i) {
        char text[64];
        GetMeasurementDisplayText(GetMeasurementAt(gs->measureGrid, i), text, sizeof text);
        return text;
    }

    char previousFolder[MAX_PATH] = "";
    std::string folder;
    CTestUnit unit;
    HWND first = nullptr;
    tagGS* gs = nullptr;
};

}  // namespace

TEST_F(MeasureLive, BoxesFollowTheSamplesAsTheyArrive) {
    SetUpRun(3000);
    gs->measureShown = 1;
    gs->precisionDigits = 3;
    Box(0, measure::kDeltaSamples);
    Box(1, measure::kMax);
    Press();
    ASSERT_EQ(Running(), 1);
    gs->selStart = 0;
    gs->selEnd = 1e9;
    int batches = 0;
    for (int step = 0; step < 40 && Running() == 1; ++step) {
        unit.AdvanceClock(97);
        RunIdleStep();
        const uint32_t n = gs->chanCount[0];
        if (n < 2) continue;
        ++batches;
        EXPECT_EQ(Shown(0), std::to_string(n) + " samples") << "after " << n;
        double top = -1e300, y = 0;
        for (uint32_t i = 0; i < n; ++i)
            if (GetChannelSample(gs, static_cast<int>(i), 0, &y)) top = std::max(top, y);
        char expected[64];
        measure::FormatValue(expected, sizeof expected, top, 3);
        EXPECT_EQ(Shown(1), std::string(expected) + " " + gs->chanUnits[0]) << "after " << n;
    }
    EXPECT_GT(batches, 5);
}
