#include "commands_fixture.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/window/graph_window.h"
#include "shell/commands/menus.h"
#include "graph/document/graph_doc.h"

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
