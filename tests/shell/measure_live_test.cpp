// The measurement boxes of the graph a recording runs into, in the running program over a
// simulated unit of the test's own: after every batch of new samples the boxes show the
// measurements of what has arrived so far.
#include <gtest/gtest.h>
#include <algorithm>
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
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "shell/startup.h"

namespace {

class MeasureLive : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("measure", true);
        if (HasFatalFailure()) return;
        ASSERT_TRUE(gs && gs->measureGrid);
    }
    // A memory run of 1 ms frames over analog input 1 (slot 1).
    void SetUpRun(int32_t length) {
        AcqLock acq(g_app->hAcq);
        for (stAcqChan& c : acq->chans) c.flags &= ~2u;
        acq->chans[0].flags |= 2u;
        vk40test::SetUpRun(acq.get(), kStorageMemory, 1.0, length);
        acq->warnOnOverwrite = 0;
    }
    void Box(int i, int type) {
        const uint16_t options[3] = {0, 0, 0};
        SetMeasurementBox(gs->measureGrid, i, static_cast<uint16_t>(type), 1, options, 0.0, "", 0, 1);
    }
    std::string Shown(int i) {
        char text[64];
        GetMeasurementDisplayText(GetMeasurementAt(gs->measureGrid, i), text, sizeof text);
        return text;
    }
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
        const uint32_t n = gs->chanCount[1];
        if (n < 2) continue;
        ++batches;
        EXPECT_EQ(Shown(0), std::to_string(n) + " samples") << "after " << n;
        double top = -1e300, y = 0;
        for (uint32_t i = 0; i < n; ++i)
            if (GetChannelSample(gs, static_cast<int>(i), 1, &y)) top = std::max(top, y);
        char expected[64];
        measure::FormatValue(expected, sizeof expected, top, 3);
        EXPECT_EQ(Shown(1), std::string(expected) + " " + gs->chanUnits[1]) << "after " << n;
    }
    EXPECT_GT(batches, 5);
}
