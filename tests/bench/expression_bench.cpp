// The Expression transform as the user runs it, over a document of two channels of 10 million
// samples: the program brought up in this process, the Transform menu's command sent to the
// frame, its dialog given the expression and a new destination, and the time from OK until the
// command has stored the results in the document (the text checked and compiled, every sample
// evaluated). Each figure is the best of a few runs; the sum of the results goes beside it so
// that the same sums worked out by numpy (tests/bench/expression_bench.py) can be compared.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "base/app.h"
#include "base/locked_block.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "transforms/transforms_ids.h"
#include "shell/shell_ids.h"
#include "common/tagGS.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "tests/shell/shell_fixture.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr uint32_t kSamples = 10000000;
constexpr int kRuns = 3;
constexpr double kIntervalMs = 0.1;

bool SetChannel(tagGS* gs, int slot, double (*value)(uint32_t)) {
    FreeLockedBlock(gs->chanBlock[slot]);
    auto* p = static_cast<double*>(AllocLockedBlock(static_cast<size_t>(kSamples) * sizeof(double) + 8));
    if (!p) return false;
    for (uint32_t i = 0; i < kSamples; ++i) p[i] = value(i);
    gs->chanFlags[slot] = (gs->chanFlags[slot] & ~kChanSlotMask) | 2;
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = 8;
    gs->chanCount[slot] = kSamples;
    gs->chanBlock[slot] = p;
    return true;
}

// The destination list's "New" entry.
int NewEntry(HWND dlg) {
    HWND combo = GetDlgItem(dlg, IDC_XF_DEST);
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[128] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        if (std::string(text) == "New") return i;
    }
    return -1;
}

// One run from the menu into a new channel: the seconds from OK to the command's return and the
// slot written (-1 when none).
double RunFromMenu(tagGS* gs, const char* text, int* slot) {
    double start = 0.0;
    bool used[kMaxChannels];
    for (int s = 0; s < kMaxChannels; ++s) used[s] = gs->chanCount[s] > 0;
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_XF_EDIT, text);
        ChooseEntry(dlg, IDC_XF_DEST, NewEntry(dlg));
        start = BenchNow();
        Click(dlg, IDOK);
    }});
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_TRANSFORM_EXPRESSION, 0), 0);
    const double seconds = BenchNow() - start;
    *slot = -1;
    for (int s = 0; s < kMaxChannels; ++s)
        if (!used[s] && gs->chanCount[s] == kSamples) *slot = s;
    return seconds;
}

}  // namespace

int main() {
    DeleteIni();
    if (!BootShell()) return 1;
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    if (!gs) return 1;
    gs->sampleInterval = kIntervalMs;
    if (!SetChannel(gs, 1, [](uint32_t i) { return std::sin(i * 0.01) + 2.0; }) ||
        !SetChannel(gs, 2, [](uint32_t i) { return std::cos(i * 0.013) + 2.0; }))
        return 1;
    gs->selectedChan = 1;
    gs->selStart = gs->selEnd = 0.0;
    UpdateGraphLength(gs);
    const char* texts[] = {"CH1*2+1", "SQRT(SQR(CH1)+SQR(CH2))", "(CH1-CH2)/(CH1+CH2)*100", "LOG10(ABS(CH1))*20-TIME"};
    std::printf("%u samples in each of CH1 and CH2, the Transform menu's Expression into a new channel:\n", kSamples);
    int failures = 0;
    for (int e = 0; e < 4; ++e) {
        double best = 1e30, sum = 0.0;
        for (int r = 0; r < kRuns; ++r) {
            int slot = -1;
            const double t = RunFromMenu(gs, texts[e], &slot);
            if (slot < 0) {
                ++failures;
                break;
            }
            best = t < best ? t : best;
            const auto* out = static_cast<const double*>(gs->chanBlock[slot]);
            sum = 0.0;
            for (uint32_t i = 0; i < kSamples; ++i) sum += out[i];
            DeleteChannelData(gs, slot);
        }
        std::printf("%-26s %8.4f s   (sum %.9g)\n", texts[e], best, sum);
        std::printf("kymora_expression%d_s %.5f\n", e + 1, best);
    }
    ShutShell();
    DeleteIni();
    if (failures) std::printf("%d runs stored no results\n", failures);
    return failures ? 1 : 0;
}
