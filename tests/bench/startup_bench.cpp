// Times start-up from process creation to a visible frame with its menu: the program beside an
// empty frame window with a menu, started alternately, medians compared.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/bench/bench_clock.h"

namespace {

double NowMs() { return 1000.0 * BenchNow(); }

std::string BesideThisProgram(const char* name) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\') + 1) + name;
}

// The process's frame of class `cls` once it is visible with a menu, else null. Each question is
// a request to the wineserver that the starting program also waits on: the cheapest comes first.
HWND ReadyFrame(DWORD pid, const char* cls) {
    for (HWND h = FindWindowExA(nullptr, nullptr, cls, nullptr); h; h = FindWindowExA(nullptr, h, cls, nullptr)) {
        if (!GetMenu(h)) continue;
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner == pid && IsWindowVisible(h)) return h;
    }
    return nullptr;
}

// Starts the program and answers the milliseconds until its frame of class `cls` is visible with
// a menu (-1 on failure); then closes it and waits for its end.
double TimeOneStart(const char* exe, const char* cls) {
    std::string cmd = "\"" + BesideThisProgram(exe) + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = NowMs();
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    HWND frame = nullptr;
    double ms = -1;
    // Polled every millisecond (one cheap look while no frame of the class exists): a coarser
    // poll would hide the difference being measured.
    for (int tries = 0; tries < 60000; ++tries) {
        frame = ReadyFrame(pi.dwProcessId, cls);
        if (frame) {
            ms = NowMs() - t0;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    if (runs < 1) return 1;
    std::vector<double> program, empty;
    for (int i = 0; i < runs; ++i) {  // alternated, so a busy moment costs both alike
        const double e = TimeOneStart("empty_frame.exe", "emptyframe");
        const double p = TimeOneStart("Kymora.exe", "acqframe");
        if (e < 0 || p < 0) {
            std::printf("start-up: a frame did not appear\n");
            return 1;
        }
        empty.push_back(e);
        program.push_back(p);
    }
    const double mp = Median(program), me = Median(empty);
    std::printf("start-up to a visible frame with its menu, medians of %d starts:\n", runs);
    std::printf("  Kymora      %6.0f ms (min %.0f, max %.0f)\n", mp, *std::min_element(program.begin(), program.end()),
                *std::max_element(program.begin(), program.end()));
    std::printf("  empty frame %6.0f ms (min %.0f, max %.0f)\n", me, *std::min_element(empty.begin(), empty.end()),
                *std::max_element(empty.begin(), empty.end()));
    std::printf("  ratio %.2f\n", mp / me);
    return 0;
}
