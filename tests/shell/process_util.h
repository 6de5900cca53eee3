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

// The process's first visible top-level window that match accepts, or null.
template <class Match>
HWND ShownWindow(DWORD pid, Match match) {
    struct Search {
        DWORD pid;
        Match* match;
        HWND found;
    } s{pid, &match, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != s->pid || !IsWindowVisible(h) || !(*s->match)(h)) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

inline bool HasClass(HWND h, const char* cls) {
    char name[32] = "";
    GetClassNameA(h, name, sizeof name);
    return lstrcmpA(name, cls) == 0;
}

// A visible dialog or message box of the process now, or null.
inline HWND DialogShown(DWORD pid) {
    return ShownWindow(pid, [](HWND h) { return HasClass(h, "#32770"); });
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
    // The process's first visible top-level window that match accepts, waiting for it to appear;
    // null when none came in time or the process ended.
    template <class Match>
    HWND Await(Match match, DWORD ms = 60000) {
        for (DWORD waited = 0; waited < ms; waited += 50) {
            if (HWND found = ShownWindow(pi.dwProcessId, match)) return found;
            if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
        }
        return nullptr;
    }
    // The process's first top-level window of the class that is visible.
    HWND Window(const char* cls, DWORD ms = 60000) {
        return Await([cls](HWND h) { return HasClass(h, cls); }, ms);
    }
    // The message box of the process whose text begins with the given words.
    HWND Box(const char* textStart, DWORD ms = 60000) {
        const std::string start = textStart;
        return Await(
            [&start](HWND h) {
                char text[512] = "";
                if (!HasClass(h, "#32770")) return false;
                GetDlgItemTextA(h, 0xFFFF, text, sizeof text);
                return std::string(text).rfind(start, 0) == 0;
            },
            ms);
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
    // The process's own top-level "acqframe" with its menu.
    HWND Frame(DWORD ms = 60000) {
        return Await([](HWND h) { return HasClass(h, "acqframe") && GetMenu(h) != nullptr; }, ms);
    }
};

}  // namespace kymora_test
