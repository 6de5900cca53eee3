// Printing the script editor's text on the printer the print dialog picks: one line per row, tabs
// expanded, as many pages as it takes, with the graph printing's progress dialog and Cancel.
#include "scripts/editor/script_print.h"

#include <algorithm>
#include <vector>

#include "base/app.h"
#include "graph/graph_ids.h"
#include "base/services.h"
#include "graph/render/printing.h"

namespace {

constexpr int kLineChars = 1023;

// The pane's line without its line end.
int PaneLine(HWND pane, int index, char* buffer) {
    *reinterpret_cast<WORD*>(buffer) = kLineChars;
    int n = static_cast<int>(SendMessageA(pane, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)));
    n = std::max(0, std::min(n, kLineChars));
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n')) --n;
    buffer[n] = 0;
    return n;
}

// The lines onto the pages; false when the spooler refused a page. The page being drawn when the
// user cancels is still ended.
bool PrintLines(HDC dc, HWND pane, HWND progress) {
    const stPrintDevice& device = PrintDevice();
    SIZE cc{};
    GetTextExtentPoint32A(dc, "CC", 2, &cc);
    const int count = std::max(1, static_cast<int>(SendMessageA(pane, EM_GETLINECOUNT, 0, 0)));
    std::vector<stScriptLinePlace> places(static_cast<size_t>(count));
    PlaceScriptLines(count, std::max<int32_t>(1, cc.cy), GetDeviceCaps(dc, VERTRES), places.data());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    int page = -1;
    char text[kLineChars + 2];
    for (int i = 0; i < count && !PrintAbortFlag(); ++i) {
        if (places[i].page != page) {
            if (page >= 0 && device.endPage(dc) <= 0) return false;
            // Cancel is looked at between pages whether or not the driver calls the abort procedure.
            PrintAbortProc(dc, 0);
            if (PrintAbortFlag()) return true;
            if (device.startPage(dc) <= 0) return false;
            page = places[i].page;
            if (progress) SendMessageA(progress, WM_USER, static_cast<WPARAM>(page + 1), 0);
        }
        const int n = PaneLine(pane, i, text);
        TabbedTextOutA(dc, 0, places[i].y, text, n, 0, nullptr, 0);
    }
    return page < 0 || device.endPage(dc) > 0;
}

}  // namespace

void PlaceScriptLines(int32_t count, int32_t lineHeight, int32_t pageHeight, stScriptLinePlace* out) {
    int32_t page = 0, y = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (y > 0 && y + lineHeight > pageHeight) {
            ++page;
            y = 0;
        }
        out[i] = stScriptLinePlace{page, y};
        y += lineHeight;
    }
}

void PrintScriptPane(HWND editor, HWND pane, const char* name) {
    if (!g_app || !pane) return;
    // The plain print dialog: the graph's strip options do not belong to a script. The printer
    // the user picks stays chosen; the rest of the print block comes back as it was.
    HDC dc = DoPlainPrinterSetup();
    if (dc == PrintCancelled()) return;
    const bool ended = RunPrintJob(dc, "Printing Script", [&](HDC printer) {
        const bool printed = PrintLines(printer, pane, OpenPrintProgress(editor));
        ClosePrintProgress();
        return printed;
    });
    if (!ended && !PrintAbortFlag()) MessageBoxFromStringTable(editor, MB_ICONEXCLAMATION, IDS_CANNOT_PRINT, name);
}
