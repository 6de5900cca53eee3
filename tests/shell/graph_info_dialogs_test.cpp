// Resize Window and Waveform Statistics from the Display menu, worked as the user does.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/app.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "common/tagGS.h"
#include "graph/document/graph_doc.h"
#include "shell/system_dialogs.h"
#include "tests/documents/acq_builder.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "tests/shell/shell_fixture.h"

namespace {

constexpr double kScale = 10.0 / 32768.0;

class GraphInfoDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
    }
    void TearDown() override {
        if (tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph)) gs->modified = 0;
        ShutShell();
    }
    static void Command(UINT id) { SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0); }
    // A file of two channels, opened as the active graph.
    tagGS* OpenTwoChannels() {
        AcqRecipe recipe;
        AcqChannel pulse, flow;
        pulse.slot = 1;
        pulse.label = "Pulse";
        pulse.raw = {10, -20, 30, 40};
        flow.slot = 3;
        flow.label = "Flow";
        flow.units = "litres/s";
        flow.raw = {100, 200, 600, 100};
        recipe.channels = {pulse, flow};
        const std::string path = folder.File("two.acq");
        if (!WriteWholeFile(path, BuildAcq(recipe)) || !OpenGraphFile(path.c_str())) return nullptr;
        return GetWindowGraph(g_app->hwndActiveGraph);
    }
    static std::string Physical(double stored, const char* units) {
        char text[64];
        std::snprintf(text, sizeof text, "%.6g %s", stored * kScale, units);
        return text;
    }
    TempFolder folder{"kymora_graphinfo_"};
};

TEST_F(GraphInfoDialogs, StatisticsOfTheChosenChannelOverItsWholeLength) {
    tagGS* gs = OpenTwoChannels();
    ASSERT_TRUE(gs);
    gs->selStart = 0.5;
    gs->selEnd = 1.0;
    struct Seen {
        std::string items, interval, length, min, max, mean;
    } first, second;
    auto read = [](HWND dlg, Seen& s) {
        HWND list = GetDlgItem(dlg, IDC_STATS_CHANNEL);
        for (int i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
            char text[64] = "";
            SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            s.items += std::string(text) + "|";
        }
        s.interval = ItemText(dlg, IDC_STATS_INTERVAL);
        s.length = ItemText(dlg, IDC_STATS_LENGTH);
        s.min = ItemText(dlg, IDC_STATS_MIN);
        s.max = ItemText(dlg, IDC_STATS_MAX);
        s.mean = ItemText(dlg, IDC_STATS_MEAN);
    };
    DialogDriver driver({[&](HWND dlg) {
        ChooseEntry(dlg, IDC_STATS_CHANNEL, 0);
        read(dlg, first);
        ChooseEntry(dlg, IDC_STATS_CHANNEL, 1);
        read(dlg, second);
        Click(dlg, IDOK);
    }});
    Command(IDM_DISPLAY_STATISTICS);
    ASSERT_EQ(driver.Runs(), 1);
    EXPECT_EQ(driver.LeftOpen(), 0);
    EXPECT_EQ(first.items, "1, Pulse|3, Flow|");
    EXPECT_EQ(first.interval, "2000.000000 samples/sec");
    EXPECT_EQ(first.length.rfind("4 samples, ", 0), 0u) << first.length;
    EXPECT_EQ(first.min, Physical(-20, "volts")) << "the whole channel, not the selection";
    EXPECT_EQ(first.max, Physical(40, "volts"));
    EXPECT_EQ(first.mean, Physical(15, "volts"));
    EXPECT_EQ(second.min, Physical(100, "litres/s"));
    EXPECT_EQ(second.max, Physical(600, "litres/s"));
    EXPECT_EQ(second.mean, Physical(250, "litres/s"));
    EXPECT_EQ(gs->selStart, 0.5) << "the selection is put back";
    EXPECT_EQ(gs->selEnd, 1.0);
}

TEST_F(GraphInfoDialogs, AGraphWithoutChannelsShowsAnEmptyList) {
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(gs);
    LRESULT count = -1;
    std::string min = "x";
    DialogDriver driver({[&](HWND dlg) {
        count = SendDlgItemMessageA(dlg, IDC_STATS_CHANNEL, CB_GETCOUNT, 0, 0);
        min = ItemText(dlg, IDC_STATS_MIN);
        Click(dlg, IDOK);
    }});
    EXPECT_EQ(WaveformStatisticsDlg(g_app->hwndFrame, gs), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(min, "");
    EXPECT_EQ(WaveformStatisticsDlg(g_app->hwndFrame, nullptr), 0);
    EXPECT_EQ(driver.Runs(), 1) << "no dialog without a document";
}

TEST_F(GraphInfoDialogs, ResizeWindowSetsTheRestoredSize) {
    tagGS* gs = OpenTwoChannels();
    ASSERT_TRUE(gs);
    HWND graph = g_app->hwndActiveGraph;
    WINDOWPLACEMENT before{};
    before.length = sizeof before;
    GetWindowPlacement(graph, &before);
    struct {
        const char* width;
        const char* height;
        bool resetChart;
        LONG expectWidth, expectHeight;
    } cases[] = {
        {"520", "440", true, 520, 440},
        {"0", "250", false, 520, 440},  // a 0 keeps the size
        {"350", "0", false, 520, 440},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.width) + "x" + c.height);
        ShowWindow(graph, SW_MAXIMIZE);
        gs->chanViewWord[1] = 500;
        std::string shownWidth;
        DialogDriver driver({[&](HWND dlg) {
            shownWidth = ItemText(dlg, IDC_RESIZE_WIDTH);
            TypeInto(dlg, IDC_RESIZE_WIDTH, c.width);
            TypeInto(dlg, IDC_RESIZE_HEIGHT, c.height);
            if (c.resetChart) Click(dlg, IDC_RESIZE_RESET_CHART);
            Click(dlg, IDOK);
        }});
        Command(IDM_DISPLAY_SIZE_WINDOW);
        ASSERT_EQ(driver.Runs(), 1);
        WINDOWPLACEMENT after{};
        after.length = sizeof after;
        GetWindowPlacement(graph, &after);
        EXPECT_FALSE(IsZoomed(graph)) << "restored to its normal state";
        EXPECT_EQ(after.rcNormalPosition.right - after.rcNormalPosition.left, c.expectWidth);
        EXPECT_EQ(after.rcNormalPosition.bottom - after.rcNormalPosition.top, c.expectHeight);
        EXPECT_EQ(after.rcNormalPosition.left, before.rcNormalPosition.left) << "the corner stays";
        EXPECT_EQ(gs->chanViewWord[1], c.resetChart ? 1092u : 500u);
        if (&c != &cases[0]) {
            EXPECT_EQ(shownWidth, "520");
        }
    }
}

TEST_F(GraphInfoDialogs, ResizeWindowWithoutAGraphClosesAtOnce) {
    HWND saved = g_app->hwndActiveGraph;
    g_app->hwndActiveGraph = nullptr;
    DialogDriver driver({[](HWND dlg) { Click(dlg, IDOK); }});
    EXPECT_EQ(ResizeWindowDlg(g_app->hwndFrame), 0);
    g_app->hwndActiveGraph = saved;
    EXPECT_EQ(driver.Runs(), 0);
}

}  // namespace
