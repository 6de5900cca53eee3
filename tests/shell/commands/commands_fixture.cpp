#include "commands_fixture.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/window/graph_window.h"
#include "shell/commands/menus.h"
#include "graph/document/graph_doc.h"
#include "devlib/resource.h"
#include "base/locked_block.h"
#include "graph/document/sample_store.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "transforms/transforms_ids.h"

std::vector<DeviceCall> CommandsTest::s_deviceCalls;

namespace {
int32_t WINAPI RecordDeviceCommand(HGLOBAL, HWND window, int32_t id, const char* text, int32_t code) {
    CommandsTest::s_deviceCalls.push_back({id, window, text, code});
    return 1;
}

BOOL CALLBACK CountGraph(HWND hwnd, LPARAM count) {
    if (GetWindowGraph(hwnd)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}
}  // namespace

void CommandsTest::SetUp() {
    DeleteIni();
    ASSERT_TRUE(BootShell());
    RegisterCommandHotKeys();
    s_deviceCalls.clear();
    m_savedOps = DeviceBindingForTests().driverOps;
    DeviceBindingForTests().driverOps.onDriverCommand = RecordDeviceCommand;
}

void CommandsTest::TearDown() {
    if (g_app) DeviceBindingForTests().driverOps = m_savedOps;
    ShutShell();
}

void CommandsTest::Command(UINT id, UINT code, HWND control) {
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

void CommandsTest::InitMenu() { SendMessageA(g_app->hwndFrame, WM_INITMENU, reinterpret_cast<WPARAM>(Menu()), 0); }

HMENU CommandsTest::Menu() { return GetMenu(g_app->hwndFrame); }

bool CommandsTest::Grayed(UINT id) {
    const UINT state = GetMenuState(Menu(), id, MF_BYCOMMAND);
    EXPECT_NE(state, 0xFFFFFFFFu) << "no item " << id;
    return (state & MF_GRAYED) != 0;
}

bool CommandsTest::Checked(UINT id) { return (GetMenuState(Menu(), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

std::string CommandsTest::Label(UINT id) {
    char text[256] = "";
    GetMenuStringA(Menu(), id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

tagGS* CommandsTest::Graph() { return GetWindowGraph(g_app->hwndActiveGraph); }

int CommandsTest::GraphWindowCount() {
    int count = 0;
    EnumChildWindows(g_app->hwndClient, CountGraph, reinterpret_cast<LPARAM>(&count));
    return count;
}

void CommandsTest::ShowChannel(tagGS* gs, int slot) {
    gs->chanFlags[slot] = (gs->chanFlags[slot] & ~kChanSlotMask) | 2;
}

void CommandsTest::FillDoubles(tagGS* gs, int slot, const std::vector<double>& values) {
    FreeLockedBlock(gs->chanBlock[slot]);
    ShowChannel(gs, slot);
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = 8;
    gs->chanCount[slot] = static_cast<uint32_t>(values.size());
    auto* v = static_cast<double*>(AllocLockedBlock(values.size() * sizeof(double) + 8));
    for (size_t i = 0; i < values.size(); ++i) v[i] = values[i];
    gs->chanBlock[slot] = v;
}

std::vector<double> CommandsTest::Values(tagGS* gs, int slot) {
    std::vector<double> out;
    for (uint32_t i = 0; i < gs->chanCount[slot]; ++i) {
        double v = 0.0;
        EXPECT_EQ(GetChannelSample(gs, static_cast<int>(i), slot, &v), 1) << i;
        out.push_back(v);
    }
    return out;
}

std::string CommandsTest::UndoLabel() {
    InitMenu();
    return Label(IDM_EDIT_UNDO);
}

std::string CommandsTest::NewGraphProblems(HWND made, HWND source) {
    std::string problems;
    auto note = [&](bool ok, const char* what) {
        if (!ok) problems += (problems.empty() ? "" : "; ") + std::string(what);
    };
    note(made && IsWindowVisible(made), "not shown");
    note(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)) == made,
         "not the active MDI child");
    note(g_app->hwndActiveGraph == made, "not the frame's active graph");
    HWND start = made ? GetDlgItem(made, IDC_START_BUTTON) : nullptr;
    note(start && IsWindowVisible(start), "no Start button shown on it");
    note(!source || !GetDlgItem(source, IDC_START_BUTTON), "the Start button still on the source");
    return problems;
}

int CommandsTest::LowPassResponseOnly() {
    DialogDriver driver({[](HWND dlg) {
        TypeInto(dlg, IDC_FIR_CUTOFF, "100");
        TypeInto(dlg, IDC_FIR_TAPS, "101");
        Click(dlg, IDC_FIR_RESPONSE);
        Click(dlg, IDC_FIR_DONT_MODIFY);
        Click(dlg, IDOK);
    }});
    Command(IDM_FIR_LOW_PASS);
    return driver.Runs();
}
