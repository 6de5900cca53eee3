// The Start button as a user meets it in the running program: every graph that becomes active
// carries it, a click on it starts and stops a recording through the device library, and the
// recording graph keeps it (and refuses to close) while it records.
#include <gtest/gtest.h>
#include <vector>
#include "shell_fixture.h"
#include "base/app.h"
#include "button/lumikey.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "graph/document/graph_doc.h"
#include "shell/startup.h"

namespace {

// The pixels of a bitmap as 32-bit rows; empty for no bitmap.
std::vector<uint32_t> Pixels(HBITMAP bmp) {
    BITMAP info{};
    if (!bmp || !GetObjectA(bmp, sizeof info, &info)) return {};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> out(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bmp, 0, info.bmHeight, out.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return out;
}

// The library's own image of that resource id.
std::vector<uint32_t> LibraryImage(int id) {
    HBITMAP bmp = LoadBitmapA(GetModuleHandleA("VK40.dll"), MAKEINTRESOURCEA(id));
    std::vector<uint32_t> out = Pixels(bmp);
    if (bmp) DeleteObject(bmp);
    return out;
}

class StartButton : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        first = g_app->hwndActiveGraph;
        ASSERT_TRUE(first);
    }
    void TearDown() override {
        {
            AcqLock acq(g_app->hAcq);
            if (acq && acq->run.running) {
                acq->run.running = 0;
                if (acq->run.attachedGraph) acq->run.attachedGraph->acquiring = 0;
            }
        }
        ShutShell();
    }

    // The unit answered and was set up: the state the unit check leaves behind.
    static void UnitReady() {
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        acq->run.statusState = 1;
        acq->run.unitInitialised = 1;
    }
    static HWND ButtonOn(HWND graph) { return GetDlgItem(graph, IDC_START_BUTTON); }
    static tagGS* Attached() {
        AcqLock acq(g_app->hAcq);
        return acq ? acq->run.attachedGraph : nullptr;
    }
    static int32_t Running() {
        AcqLock acq(g_app->hAcq);
        return acq ? acq->run.running : -1;
    }
    // A press and release in the middle of the button, as the mouse sends them.
    static void Click(HWND button) {
        RECT rc;
        GetClientRect(button, &rc);
        const LPARAM at = MAKELPARAM(rc.right / 2, rc.bottom / 2);
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(button, WM_LBUTTONUP, 0, at);
        PumpMessages();
    }
    static HWND NewActiveGraph() {
        HWND graph = NewGraph(0);
        if (!graph) return nullptr;
        ShowWindow(graph, SW_SHOW);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(graph), 0);
        PumpMessages();
        return graph;
    }

    HWND first = nullptr;
};

TEST_F(StartButton, TheFirstGraphCarriesItsStartButtonAtTheButtonRectangle) {
    HWND button = ButtonOn(first);
    ASSERT_TRUE(button);
    char cls[32] = "";
    GetClassNameA(button, cls, sizeof cls);
    EXPECT_STREQ(cls, LUMIKEY_CLASSNAME);
    EXPECT_TRUE(IsWindowVisible(button));
    const LONG style = GetWindowLongA(button, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_GROUP | WS_TABSTOP), WS_CHILD | WS_GROUP | WS_TABSTOP);
    EXPECT_EQ(Attached(), GetWindowGraph(first));
    // The idle face of a graph that records from the unit.
    const std::vector<uint32_t> face = Pixels(reinterpret_cast<HBITMAP>(SendMessageA(button, LKM_GETENABLEBITMAP, 0, 0)));
    ASSERT_FALSE(face.empty());
    EXPECT_EQ(face, LibraryImage(IDB_START_IDLE));
    EXPECT_NE(face, LibraryImage(IDB_PLAYBACK_IDLE));
    // Placed by the layout: 50 wide at the graph's button rectangle.
    const tagGS* gs = GetWindowGraph(first);
    RECT rc;
    GetWindowRect(button, &rc);
    MapWindowPoints(nullptr, first, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.right - rc.left, 50);
    EXPECT_EQ(rc.left, gs->startButtonRect.left - 1);
    EXPECT_EQ(rc.top, gs->startButtonRect.top);
    EXPECT_EQ(rc.bottom, gs->startButtonRect.bottom);
}

TEST_F(StartButton, ActivatingAnotherGraphMovesTheAttachmentAndTheButton) {
    HWND second = NewActiveGraph();
    ASSERT_TRUE(second);
    ASSERT_EQ(g_app->hwndActiveGraph, second);
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_FALSE(ButtonOn(first)) << "one Start button, on the attached graph only";
    HWND button = ButtonOn(second);
    ASSERT_TRUE(button);
    EXPECT_TRUE(IsWindowVisible(button));

    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
    PumpMessages();
    EXPECT_EQ(Attached(), GetWindowGraph(first));
    EXPECT_TRUE(ButtonOn(first));
    EXPECT_FALSE(ButtonOn(second));
}

TEST_F(StartButton, WhenARecordingEndsBehindTheActiveGraphThatGraphTakesTheButton) {
    UnitReady();
    Click(ButtonOn(first));
    HWND second = NewActiveGraph();
    ASSERT_EQ(Attached(), GetWindowGraph(first));
    Click(ButtonOn(first));
    ASSERT_EQ(Running(), 0);
    RunIdleStep();
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_TRUE(ButtonOn(second));
    EXPECT_FALSE(ButtonOn(first));
}

// Counts the Start buttons on a graph window.
int ButtonsOn(HWND graph) {
    int count = 0;
    for (HWND child = GetWindow(graph, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == IDC_START_BUTTON) ++count;
    return count;
}

TEST_F(StartButton, ClosingAGraphBehindTheAttachedOneLeavesItOneWorkingButton) {
    HWND second = NewActiveGraph();
    ASSERT_EQ(Attached(), GetWindowGraph(second));
    SendMessageA(first, WM_CLOSE, 0, 0);
    PumpMessages();
    ASSERT_FALSE(IsWindow(first));
    RunIdleStep();
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_EQ(ButtonsOn(second), 1);
    UnitReady();  // the idle step without a unit showed none
    Click(ButtonOn(second));
    EXPECT_EQ(Running(), 1);
    EXPECT_EQ(GetWindowGraph(second)->acquiring, 1u);
}

TEST_F(StartButton, AHiddenButtonStaysHiddenOnTheNextGraph) {
    ShowWindow(ButtonOn(first), SW_HIDE);
    HWND second = NewActiveGraph();
    HWND button = ButtonOn(second);
    ASSERT_TRUE(button);
    EXPECT_FALSE(IsWindowVisible(button));
}

TEST_F(StartButton, ClicksToggleTheRecordingOfTheAttachedGraph) {
    UnitReady();
    tagGS* gs = GetWindowGraph(first);
    Click(ButtonOn(first));
    EXPECT_EQ(Running(), 1);
    EXPECT_EQ(gs->acquiring, 1u);
    // The command a keyboard press of the button sends reaches the library the same way.
    SendMessageA(first, WM_COMMAND, MAKEWPARAM(IDC_START_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(ButtonOn(first)));
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(gs->acquiring, 0u);
}

TEST_F(StartButton, WithoutAUnitTheButtonStartsNothing) {
    Click(ButtonOn(first));
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(GetWindowGraph(first)->acquiring, 0u);
}

TEST_F(StartButton, TheRecordingGraphKeepsItsButtonAndRefusesToCloseWhileItRecords) {
    UnitReady();
    tagGS* recording = GetWindowGraph(first);
    Click(ButtonOn(first));
    ASSERT_EQ(Running(), 1);

    HWND second = NewActiveGraph();
    ASSERT_EQ(g_app->hwndActiveGraph, second);
    EXPECT_EQ(Attached(), recording) << "a recording keeps its graph attached";
    EXPECT_TRUE(ButtonOn(first));
    EXPECT_FALSE(ButtonOn(second));

    // Closing the recording graph is refused before any of it is released.
    void* markers = recording->markerManager;
    SendMessageA(first, WM_CLOSE, 0, 0);
    PumpMessages();
    ASSERT_TRUE(IsWindow(first));
    EXPECT_EQ(GetWindowGraph(first), recording);
    EXPECT_EQ(recording->markerManager, markers);
    EXPECT_EQ(Attached(), recording);
    EXPECT_TRUE(ButtonOn(first));

    // Stopped, it closes; the next idle turn attaches the graph that was active all along.
    Click(ButtonOn(first));
    ASSERT_EQ(Running(), 0);
    SendMessageA(first, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(Attached(), nullptr);
    RunIdleStep();
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_TRUE(ButtonOn(second));
}

}  // namespace
