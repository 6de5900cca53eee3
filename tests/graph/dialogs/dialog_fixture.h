// A maximised graph window of the running program with its channel slots emptied, and the
// device library's command and values-pane entries replaced by recorders.
#pragma once
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "graph/window/graph_window.h"
#include "tests/shell/shell_fixture.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/document/graph_doc.h"
#include "graph/view/layout.h"

struct DriverCall {
    int32_t id;
    std::string text;
    int32_t index;
};
inline std::vector<DriverCall> g_driverCalls;

inline int32_t WINAPI FakeDriverCommand(HGLOBAL, HWND, int32_t id, const char* text, int32_t index) {
    g_driverCalls.push_back({id, text ? text : "", index});
    return 1;
}
inline int g_refreshes = 0;
inline int32_t WINAPI FakeRefresh(HGLOBAL, int32_t) {
    ++g_refreshes;
    return 1;
}

inline void* NewBlock(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    return h ? GlobalLock(h) : nullptr;
}

class GraphDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        saved_ = DeviceBindingForTests().driverOps;
        DeviceBindingForTests().driverOps.onDriverCommand = FakeDriverCommand;
        DeviceBindingForTests().driverOps.refreshInputValues = FakeRefresh;
        g_driverCalls.clear();
        g_refreshes = 0;
        graph_ = g_app->hwndActiveGraph;
        ASSERT_TRUE(graph_);
        gs_ = GetWindowGraph(graph_);
        ASSERT_TRUE(gs_);
        SendMessageA(g_app->hwndClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(graph_), 0);
        for (uint32_t& f : gs_->chanFlags) f = 0;
    }
    void TearDown() override {
        DeviceBindingForTests().driverOps = saved_;
        ShutShell();
    }
    // A channel of a ramp of count samples in the slot, shown.
    void Channel(int slot, uint32_t count = 200) {
        auto* p = static_cast<double*>(NewBlock(count * 8 + 8));
        ASSERT_TRUE(p);
        for (uint32_t i = 0; i < count; ++i) p[i] = std::sin(i / 10.0);
        gs_->chanBlock[slot] = p;
        gs_->chanFlags[slot] = 2;
        gs_->chanType[slot] = 1;
        gs_->chanBytes[slot] = 8;
        gs_->chanCount[slot] = count;
    }
    void Relayout() {
        LayoutGraphWindow(gs_);
        InvalidateRect(graph_, nullptr, TRUE);
        UpdateWindow(graph_);
        PumpMessages();
    }
    // A press and release of the left button at a point of the graph window, as the mouse sends
    // them; a dialog the press opens runs (and is answered) inside the press.
    void ClickAt(int x, int y, UINT keys = 0) {
        SendMessageA(graph_, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
        SendMessageA(graph_, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
        PumpMessages();
    }
    // The time axis under the plot, in the middle of its first text line.
    void ClickAxis(UINT keys = 0) {
        const RECT& plot = gs_->plotRect;
        ClickAt((plot.left + plot.right) / 2, plot.bottom + g_app->fonts.cyText / 2, keys);
    }
    // A slot's vertical scale strip, beside its numbers and away from its units column.
    void ClickScaleStrip(int slot, UINT keys = 0) {
        const RECT& r = gs_->chanScaleRects[slot];
        const RECT& plot = gs_->plotRect;
        const int top = r.top > plot.top ? r.top : plot.top, bottom = r.bottom < plot.bottom ? r.bottom : plot.bottom;
        ClickAt(r.left + 2, (top + bottom) / 2, keys);
    }
    // Whether the point of the rectangle's middle waits to be painted.
    bool Pending(const RECT& r) const {
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(graph_, rgn, FALSE);
        const bool in = PtInRegion(rgn, (r.left + r.right) / 2, (r.top + r.bottom) / 2) != FALSE;
        DeleteObject(rgn);
        return in;
    }

    stDriverOps saved_{};
    HWND graph_ = nullptr;
    tagGS* gs_ = nullptr;
};
