// File > Open of a graph file saved with its journal shown, the journal holding 1 MB in 256,000
// lines, as the user runs it: the program brought up in this process, the menu command sent to
// the frame, its file dialog answered with the file. Prints the seconds from the command until
// it returns (the graph window open, its journal showing the start of the text), then until the
// journal holds the whole text while the program waits for input. The same file with its journal
// hidden is opened first, for the ratio.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/app.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_open.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "tests/bench/bench_clock.h"
#include "tests/documents/acq_builder.h"
#include "tests/shell/shell_fixture.h"

namespace {

constexpr int kLines = 256000;
std::string g_name;

BOOL OpenAnswer(OPENFILENAMEA* ofn) {
    lstrcpynA(ofn->lpstrFile, g_name.c_str(), ofn->nMaxFile);
    if (ofn->lpstrFileTitle) ofn->lpstrFileTitle[0] = 0;
    ofn->nFilterIndex = 1;
    return TRUE;
}

std::string Journal() {
    std::string text;
    for (int i = 0; i < kLines; ++i) text += "ab\r\n";
    return text;
}

bool WriteFile(const std::string& path, uint16_t shown, const std::string& text) {
    return WriteWholeFile(path, BuildAcq(JournalFileRecipe(text, shown)));
}

// The seconds File > Open takes; *whole the seconds until the shown journal holds all its text.
tagGS* OpenFromMenu(const std::string& path, double* seconds, double* whole, size_t length) {
    g_name = path;
    const double start = BenchNow();
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_OPEN, 0);
    *seconds = BenchNow() - start;
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    *whole = *seconds;
    if (!gs || !gs->journalShown) return gs;
    (void)length;
    while (JournalFilling(gs->journalWnd)) {
        MSG msg;
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    *whole = BenchNow() - start;
    return gs;
}

}  // namespace

int main() {
    DeleteIni();
    if (!BootShell()) return 1;
    SetFileDialogProcs(OpenAnswer, nullptr);
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string hidden = std::string(folder) + "kymora-bench-journal-hidden.acq";
    const std::string shown = std::string(folder) + "kymora-bench-journal-shown.acq";
    const std::string text = Journal();
    if (!WriteFile(hidden, 0, text) || !WriteFile(shown, 1, text)) return 1;
    double hiddenOpen = 0, hiddenWhole = 0, shownOpen = 0, shownWhole = 0;
    tagGS* a = OpenFromMenu(hidden, &hiddenOpen, &hiddenWhole, text.size());
    tagGS* b = OpenFromMenu(shown, &shownOpen, &shownWhole, text.size());
    HWND edit = b ? JournalHwndIfMade(b->journalWnd) : nullptr;
    const bool ok = a && b && a != b && b->journalShown && edit &&
                    static_cast<size_t>(GetWindowTextLengthA(edit)) == text.size();
    std::printf("journal: %d lines, %zu bytes\n", kLines, text.size());
    std::printf("kymora_open_journal_hidden_s %.3f\n", hiddenOpen);
    std::printf("kymora_open_journal_shown_s %.3f\n", shownOpen);
    std::printf("kymora_journal_whole_s %.3f\n", shownWhole);
    SetFileDialogProcs(nullptr, nullptr);
    ShutShell();
    DeleteIni();
    DeleteFileA(hidden.c_str());
    DeleteFileA(shown.c_str());
    if (!ok) std::printf("the shown journal was not opened whole\n");
    return ok ? 0 : 1;
}
