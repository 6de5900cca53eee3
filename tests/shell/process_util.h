// Starting the program as a user does and finding its frame window.
#pragma once
#include <windows.h>
#include <string>

namespace kymora_test {

// The first words of the question a start-up without a unit asks.
constexpr char kNoUnitQuestion[] = "The Program cannot find the VK40 hardware.";

inline std::string ProgramPath() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\') + 1) + "Kymora.exe";
}

struct Process {
    PROCESS_INFORMATION pi{};
    bool started = false;
    // The program with the arguments; another copy of it, started in its own folder, when given.
    explicit Process(const std::string& args = "", const std::string& program = ProgramPath(),
                     const char* folder = nullptr) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = "\"" + program + "\"" + (args.empty() ? "" : " " + args);
        started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi) != 0;
    }
    ~Process() {
        if (!started) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    // Exit code, or -1 when it did not end in time.
    long Wait(DWORD ms) {
        if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return static_cast<long>(code);
    }
    // The process's first top-level window of the class that is visible, waiting for it to appear.
    HWND Window(const char* cls, DWORD ms = 60000) {
        for (DWORD waited = 0; waited < ms; waited += 50) {
            struct Search {
                DWORD pid;
                const char* cls;
                HWND found;
            } s{pi.dwProcessId, cls, nullptr};
            EnumWindows(
                [](HWND h, LPARAM lp) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(lp);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(h, &pid);
                    char name[32] = "";
                    GetClassNameA(h, name, sizeof name);
                    if (pid == s->pid && lstrcmpA(name, s->cls) == 0 && IsWindowVisible(h)) {
                        s->found = h;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&s));
            if (s.found) return s.found;
            if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }
    // The message box of the process whose text begins with the given words, waiting for it to
    // appear; null when none came in time.
    HWND Box(const char* textStart, DWORD ms = 60000) {
        for (DWORD waited = 0; waited < ms; waited += 50) {
            struct Search {
                DWORD pid;
                const char* start;
                HWND found;
            } s{pi.dwProcessId, textStart, nullptr};
            EnumWindows(
                [](HWND h, LPARAM lp) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(lp);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(h, &pid);
                    char cls[16] = "", text[512] = "";
                    GetClassNameA(h, cls, sizeof cls);
                    if (pid != s->pid || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(h)) return TRUE;
                    GetDlgItemTextA(h, 0xFFFF, text, sizeof text);
                    if (std::string(text).rfind(s->start, 0) != 0) return TRUE;
                    s->found = h;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&s));
            if (s.found) return s.found;
            if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }
    // Answers the question that start-up asks when no unit answers (Retry or Cancel); true when
    // it came and went.
    bool AnswerNoUnit(int button = IDCANCEL) {
        HWND box = Box(kNoUnitQuestion);
        if (!box) return false;
        PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
        for (int tries = 0; tries < 600 && IsWindow(box); ++tries) Sleep(50);
        return !IsWindow(box);
    }
    // The process's own top-level "acqframe", waiting for it to appear.
    HWND Frame(DWORD ms = 60000) {
        for (DWORD waited = 0; waited < ms; waited += 50) {
            struct Search {
                DWORD pid;
                HWND found;
            } s{pi.dwProcessId, nullptr};
            EnumWindows(
                [](HWND h, LPARAM lp) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(lp);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(h, &pid);
                    char cls[32] = "";
                    GetClassNameA(h, cls, sizeof cls);
                    if (pid == s->pid && lstrcmpA(cls, "acqframe") == 0 && IsWindowVisible(h) && GetMenu(h)) {
                        s->found = h;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&s));
            if (s.found) return s.found;
            if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }
};

}  // namespace kymora_test
