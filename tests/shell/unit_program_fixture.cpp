#include "tests/shell/unit_program_fixture.h"

#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "shell/startup.h"
#include "tests/shell/shell_fixture.h"

void ProgramWithUnit::Boot(const char* name, bool counting, const std::function<void()>& signals,
                           const char* driverName) {
    const std::string id = std::to_string(GetCurrentProcessId());
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    GetCurrentDirectoryA(sizeof previousFolder, previousFolder);
    folder = std::string(temp) + "kymora_" + name + "_" + id;
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    DeleteIni();
    ASSERT_TRUE(unit.Install(name, counting, driverName));
    if (signals) signals();
    ASSERT_TRUE(BootShell());
    first = g_app->hwndActiveGraph;
    ASSERT_TRUE(first);
    gs = GetWindowGraph(first);
    SetStartupFlag(1);
    SetReadStatusEnable(1);
    RunIdleStep();
    AcqLock acq(g_app->hAcq);
    ASSERT_TRUE(acq);
    ASSERT_EQ(acq->run.statusState, 1) << "the simulated unit answers ready";
}

// A run still going is dropped, not ended: ending it would ask about saving.
void ProgramWithUnit::ShutProgram() {
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
}

void ProgramWithUnit::LeaveFolder() {
    if (previousFolder[0]) SetCurrentDirectoryA(previousFolder);
    if (!folder.empty()) RemoveDirectoryA(folder.c_str());
}

void ProgramWithUnit::TearDown() {
    ShutProgram();
    LeaveFolder();
}

int32_t ProgramWithUnit::Running() {
    AcqLock acq(g_app->hAcq);
    return acq ? acq->run.running : -1;
}

void ProgramWithUnit::Press() {
    HWND button = GetDlgItem(first, IDC_START_BUTTON);
    ASSERT_TRUE(button);
    ClickMiddle(button);
}

void ProgramWithUnit::Advance(uint32_t ms) {
    unit.AdvanceClock(ms);
    RunIdleStep();
}

void ProgramWithUnit::RunToEnd(uint32_t stepMs) {
    for (int i = 0; i < 4000 && Running() == 1; ++i) Advance(stepMs);
    ASSERT_EQ(Running(), 0);
}
