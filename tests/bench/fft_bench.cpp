// The FFT of the Transform menu over a channel of 2^20 points, as the user runs it: the program
// brought up in this process, the menu command sent to the frame, its dialog answered with OK,
// and the time from that click until the command has made its result graph. The first run makes
// the transform's tables (cold); the best of the later runs finds them kept (warm). The input and
// the first magnitude spectrum are written beside it so that tools/bench.sh can time
// numpy.fft.rfft on the same data and check both agree.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "base/app.h"
#include "base/locked_block.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "common/tagGS.h"
#include "graph/document/graph_doc.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "tests/shell/shell_fixture.h"
#include "transforms/filters/window_functions.h"
#include "transforms/spectral/fft_channel.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr uint32_t kPoints = 1u << 20;
constexpr int kWarmRuns = 10;

bool WriteDoubles(const char* path, const double* v, size_t n) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(v, sizeof(double), n, f) == n;
    return std::fclose(f) == 0 && ok;
}

// One FFT from the menu; the seconds from OK to the command's return, the result graph in *result.
double RunFromMenu(tagGS** result) {
    double start = 0.0;
    DialogDriver driver({[&](HWND dlg) {
        start = BenchNow();
        Click(dlg, IDOK);
    }});
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_TRANSFORM_FFT, 0), 0);
    const double seconds = BenchNow() - start;
    *result = driver.Runs() == 1 ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr;
    return seconds;
}

void CloseGraphWindow(tagGS* doc) {
    doc->modified = 0;
    SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(doc->hwnd), 0);
    PumpMessages();
}

}  // namespace

int main() {
    DeleteIni();
    if (!BootShell()) return 1;
    HWND sourceWindow = g_app->hwndActiveGraph;
    tagGS* gs = GetWindowGraph(sourceWindow);
    if (!gs) return 1;
    std::mt19937 gen(20);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> input(kPoints);
    for (uint32_t i = 0; i < kPoints; ++i) input[i] = std::sin(0.01 * i) + noise(gen);
    FreeLockedBlock(gs->chanBlock[0]);
    gs->chanFlags[0] = (gs->chanFlags[0] & ~kChanSlotMask) | 2;
    gs->chanType[0] = 1;
    gs->chanBytes[0] = 8;
    gs->chanCount[0] = kPoints;
    auto* samples = static_cast<double*>(AllocLockedBlock(kPoints * sizeof(double) + 8));
    if (!samples) return 1;
    std::copy(input.begin(), input.end(), samples);
    gs->chanBlock[0] = samples;
    gs->selectedChan = 0;
    gs->sampleInterval = 1.0;
    gs->selStart = 0.0;
    gs->selEnd = (kPoints - 1) * gs->sampleInterval;
    UpdateGraphLength(gs);
    // The program's own settings: magnitude in dB of the Hamming-weighted input.
    FftSettings = FftSettingsRecord{1, kFftMagnitude, kFftApplyWindow, kWindowHamming, 0};

    double cold = 0.0, warm = 1e9;
    int failures = 0;
    for (int r = 0; r <= kWarmRuns; ++r) {
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(sourceWindow), 0);
        tagGS* result = nullptr;
        const double s = RunFromMenu(&result);
        if (!result || result == gs || result->chanCount[result->selectedChan] != kPoints / 2) {
            ++failures;
            break;
        }
        if (r == 0) {
            cold = s;
            const auto* magnitude = static_cast<const double*>(result->chanBlock[result->selectedChan]);
            if (!WriteDoubles("fft_bench_input.bin", input.data(), kPoints) ||
                !WriteDoubles("fft_bench_output.bin", magnitude, kPoints / 2))
                ++failures;
        } else {
            warm = std::min(warm, s);
        }
        CloseGraphWindow(result);
    }
    std::printf("points: %u (one channel, Transform menu FFT: magnitude in dB, Hamming window)\n", kPoints);
    std::printf("kymora_fft_cold_ms %.3f\n", cold * 1e3);
    std::printf("kymora_fft_ms %.3f\n", warm * 1e3);
    ShutShell();
    DeleteIni();
    if (failures) std::printf("the FFT command made no result graph\n");
    return failures ? 1 : 0;
}
