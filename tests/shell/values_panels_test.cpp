// The Input Values pane and the electrode checker as a user meets them in the running program:
// the device menu shows them, the idle loop keeps them current from the simulated unit, and the
// pane's level bars follow the newest samples of the recording graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/vk40.h"
#include "devlib/tests/run_settings.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/window/graph_window.h"
#include "shell/startup.h"
#include "shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "shell/shell_ids.h"

namespace {


// The program over a simulated model-40 unit of the test's own, under a virtual clock.
class ValuesPanels : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("values", false);
        graph = first;
    }
    static void Menu(int id) {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0);
        PumpMessages();
    }
    static HWND Window(HWND stAcq::*field) {
        AcqLock acq(g_app->hAcq);
        return acq ? acq.get()->*field : nullptr;
    }
    static HWND Pane() {
        AcqLock acq(g_app->hAcq);
        return acq ? acq->run.hwndInputValues : nullptr;
    }

    HWND graph = nullptr;
};

std::string Text(HWND dlg, int id) {
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

// The client area rendered through the window's own painting.
std::vector<COLORREF> Render(HWND window, int* width, int* height) {
    RECT client{};
    GetClientRect(window, &client);
    *width = client.right;
    *height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, *width, *height);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    std::vector<COLORREF> px;
    for (int y = 0; y < *height; ++y)
        for (int x = 0; x < *width; ++x) px.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return px;
}

// The About box over a unit: each line of the unit's information on a line of its own (the
// driver's revision ends a line with a lone carriage return), and nothing of it highlighted.
TEST_F(ValuesPanels, TheAboutBoxShowsTheUnitsInformationLineByLine) {
    char unit[kVK40InfoChars] = "";
    ASSERT_EQ(GetVK40Info(unit), 1);
    std::vector<std::string> lines;
    for (const char* p = unit; *p;) {
        const size_t n = std::strcspn(p, "\r\n");
        lines.emplace_back(p, n);
        p += n;
        if (*p == '\r') ++p;
        if (*p == '\n') ++p;
    }
    ASSERT_GE(lines.size(), 3u) << unit;
    std::vector<std::string> shown;
    DWORD from = 1, to = 2;
    DialogDriver driver({[&](HWND dlg) {
        HWND edit = GetDlgItem(dlg, IDC_PA_UNIT_INFO);
        char text[kVK40InfoChars + 64] = "";
        GetWindowTextA(edit, text, sizeof text);
        const std::string all = text;
        for (const std::string& line : lines) {
            const size_t at = all.find(line);
            const LRESULT row = SendMessageA(edit, EM_LINEFROMCHAR, at, 0);
            const bool starts = at != std::string::npos && SendMessageA(edit, EM_LINEINDEX, row, 0) == LRESULT(at);
            const bool ends = at != std::string::npos && (at + line.size() == all.size() ||
                                                          all.compare(at + line.size(), 2, "\r\n") == 0);
            if (starts && ends) shown.push_back(line);
        }
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        Click(dlg, IDOK);
    }});
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_HELP_ABOUT, 0);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(shown, lines) << "every line of the unit's information stands on a line of its own";
    EXPECT_EQ(from, to) << "nothing is highlighted";
}

// What is queued, through the program's own loop (its dialog-key routing included).
void LoopTurns() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!DispatchLoopMessage(msg)) break;
}

// Device > Setup Channels opens the panel with the keys going to it: Esc, pressed at once as the
// keyboard sends it to the window with the focus, hides it, and Esc in the panel opened again
// hides it again.
TEST_F(ValuesPanels, EscHidesTheSetupChannelsPanelOpenedFromTheMenu) {
    // The user works in the program's frame, in front: other test programs on the same desktop
    // may hold the foreground until it is asked for.
    for (int tries = 0; tries < 200 && GetActiveWindow() != g_app->hwndFrame; ++tries) {
        SetForegroundWindow(g_app->hwndFrame);
        LoopTurns();
        if (GetActiveWindow() != g_app->hwndFrame) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    ASSERT_EQ(GetActiveWindow(), g_app->hwndFrame);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first opening" : "opened again");
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_CHANNELS, 0);
        LoopTurns();
        HWND panel = Window(&stAcq::hwndChannelSetup);
        ASSERT_TRUE(IsWindow(panel));
        ASSERT_TRUE(IsWindowVisible(panel));
        HWND focus = GetFocus();
        EXPECT_TRUE(focus && (focus == panel || IsChild(panel, focus))) << "the keys go to the panel";
        HWND target = focus ? focus : GetActiveWindow();
        ASSERT_TRUE(target);
        PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
        LoopTurns();
        EXPECT_FALSE(IsWindowVisible(panel)) << "Esc hides the panel";
    }
}

TEST_F(ValuesPanels, TheElectrodeCheckerShowsTheUnitsImpedanceFromTheIdleLoop) {
    SimControlSetDword(kSimImpedance1, 12000);
    EXPECT_EQ(Window(&stAcq::hwndElectrodeCheck), nullptr) << "made when the menu first asks for it";
    Menu(IDM_ELECTRODE);
    HWND checker = Window(&stAcq::hwndElectrodeCheck);
    ASSERT_TRUE(IsWindow(checker));
    EXPECT_TRUE(IsWindowVisible(checker));
    EXPECT_EQ(Text(checker, IDC_ELECTRODE_VALUE), "12.00");
    SimControlSetDword(kSimImpedance1, 33000);
    RunIdleStep();
    EXPECT_EQ(Text(checker, IDC_ELECTRODE_VALUE), "33.00");
    Menu(IDM_ELECTRODE);
    EXPECT_FALSE(IsWindowVisible(checker));
}

TEST_F(ValuesPanels, WhileRecordingTheBarsFollowTheNewestSamplesInTheGraphsColours) {
    for (int i = 1; i <= 4; ++i) {
        SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(), kSimSignalSine);
        SimControlSetDword((std::string(kSimAmplitudePrefix) + std::to_string(i)).c_str(), 2000u * i);
    }
    {
        AcqLock acq(g_app->hAcq);
        for (int i = 0; i < 4; ++i) acq->chans[i].flags = i < 2 ? (2 | 4 | 8) : 0;
        vk40test::SetUpRun(acq.get(), kStorageMemory, 1.0, 1000000);
    }
    Menu(IDM_INPUTVALUES);
    HWND pane = Pane();
    ASSERT_TRUE(IsWindowVisible(pane));
    SendMessageA(graph, WM_COMMAND, MAKEWPARAM(IDC_START_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(graph, IDC_START_BUTTON)));
    tagGS* gs = GetWindowGraph(graph);
    ASSERT_EQ(gs->acquiring, 1u);
    gs->chanColor[1] = RGB(200, 0, 0);  // colours apart from the frame's black and from each other
    gs->chanColor[2] = RGB(0, 170, 0);
    SendMessageA(pane, WM_COMMAND, IDC_VALUES_RELAYOUT, 0);  // the recorded channels' ranges
    for (uint32_t step : {130u, 270u}) {
        Advance(step);
        int w = 0, h = 0;
        const std::vector<COLORREF> px = Render(pane, &w, &h);
        for (int slot : {1, 2}) {
            SCOPED_TRACE("slot " + std::to_string(slot));
            double newest = 0;
            ASSERT_TRUE(GetChannelSample(gs, int(gs->chanCount[slot]) - 1, slot, &newest));
            const double half = gs->chanVDivisions[slot] * 0.25 * gs->chanVPerDiv[slot] * 2;
            const double lo = gs->chanVCenter[slot] - half, hi = gs->chanVCenter[slot] + half;
            const double expected = std::clamp((newest - lo) / (hi - lo), 0.0, 1.0);
            // The bar's filled rows in the channel's colour against its whole height inside the frame.
            const COLORREF colour = gs->chanColor[slot];
            int minX = w, maxX = -1, maxY = -1;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (px[size_t(y) * w + x] == colour) minX = std::min(minX, x), maxX = std::max(maxX, x), maxY = std::max(maxY, y);
            if (expected == 0) {
                EXPECT_LT(maxX, 0);
                continue;
            }
            ASSERT_GE(maxX, 0) << "no bar in the channel's colour";
            const int x = (minX + maxX) / 2;
            int y = maxY, filled = 0, empty = 0;
            for (; y >= 0 && px[size_t(y) * w + x] == colour; --y) ++filled;
            for (; y >= 0 && px[size_t(y) * w + x] != RGB(0, 0, 0); --y) ++empty;
            EXPECT_NEAR(double(filled) / (filled + empty), expected, 0.02) << "newest " << newest;
        }
    }
}

}  // namespace
