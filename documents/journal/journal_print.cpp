// Printing the journal: the line layout, and the print job that draws it page by page.
#include "documents/journal/journal_print.h"
#include "documents/journal/journal.h"
#include "documents/documents_api.h"
#include "base/app.h"
#include "documents/documents_ids.h"
#include "base/services.h"
#include "base/notify.h"
#include <commdlg.h>
#include <algorithm>
#include <cstring>

namespace {

constexpr int kPageNumbersAll = 0xFFFF;

JournalPrintDialogProc g_printDialog = nullptr;
bool g_printAborted = false;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Keeps the program answering while the spooler works; Esc ends the job.
BOOL CALLBACK JournalAbortProc(HDC, int) {
    MSG msg;
    while (!g_printAborted && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (IsEscapeKeyDown()) g_printAborted = true;
    return !g_printAborted;
}

// The control's lines, each without its line end.
std::vector<std::string> ControlLines(HWND edit) {
    std::vector<std::string> lines;
    const int count = static_cast<int>(SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT start = SendMessageA(edit, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
        const LRESULT length = start < 0 ? 0 : SendMessageA(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
        std::vector<char> buffer(static_cast<size_t>(length) + 4, 3);
        const size_t room = std::min<size_t>(buffer.size() - 1, 0xFFFF);
        *reinterpret_cast<WORD*>(buffer.data()) = static_cast<WORD>(room);
        const LRESULT got =
            SendMessageA(edit, EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
        std::string line(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Draws the laid-out pages; false when the job was aborted.
bool Aborted() { return g_printAborted || notify::PrintAborted(); }

// The pages, Esc and the progress dialog's Cancel asked between lines; the dialog is told each
// new page.
bool DrawPages(HDC dc, const std::vector<stJournalPrintOp>& ops, int tabSpacing, HWND progress) {
    int page = 1, y = -1;
    for (const stJournalPrintOp& op : ops) {
        while (op.page > page) {
            EndPage(dc);
            if (Aborted()) return false;
            ++page;
            if (progress) SendMessageA(progress, WM_USER, static_cast<WPARAM>(page), 0);
            StartPage(dc);
        }
        if (op.y != y) {
            y = op.y;
            if (IsEscapeKeyDown()) g_printAborted = true;
            if (Aborted()) return false;
        }
        if (op.tabbed) {
            int stop = std::max(tabSpacing, 1);
            TabbedTextOutA(dc, op.x, op.y, op.text.c_str(), static_cast<int>(op.text.size()), 1, &stop, 0);
        } else {
            TextOutA(dc, op.x, op.y, op.text.c_str(), static_cast<int>(op.text.size()));
        }
    }
    return true;
}

// The graph window the journal belongs to: the progress dialog names it.
HWND GraphWindowOf(HWND edit) {
    HWND w = edit;
    while (w && GetParent(w) && GetParent(w) != g_app->hwndClient) w = GetParent(w);
    return w && GetParent(w) == g_app->hwndClient ? w : g_app->hwndFrame;
}

}  // namespace

void CJournalPrintLayout::NewLine() {
    m_x = 0;
    m_y += m_lineHeight;
}

void CJournalPrintLayout::CheckPageEnd() {
    if (m_y + 2 * m_lineHeight < m_metrics.pageHeight) return;
    m_y = 0;
    ++m_page;
}

void CJournalPrintLayout::AddLine(const std::string& line) {
    size_t at = 0;
    while (at < line.size()) {
        size_t end = at;
        while (end < line.size() && IsBlank(line[end])) ++end;
        if (end > at) {
            const std::string run = line.substr(at, end - at);
            m_ops.push_back({m_page, m_x, m_y, run, true});
            const int tab = std::max(m_metrics.tabSpacing, 1);
            for (char c : run) m_x = c == '\t' ? (m_x / tab + 1) * tab : m_x + m_metrics.spaceWidth;
            at = end;
        }
        while (end < line.size() && !IsBlank(line[end])) ++end;
        if (end == at) break;
        std::string word = line.substr(at, end - at);
        SIZE size = m_metrics.wordSize(word);
        m_lineHeight = size.cy;
        if (m_x + size.cx >= m_metrics.pageWidth) {
            if (size.cx < m_metrics.pageWidth) {
                NewLine();
            } else {
                // Too wide for any line: the part that fits here, the rest goes on.
                while (word.size() > 1 && m_x + size.cx >= m_metrics.pageWidth) {
                    word.pop_back();
                    size = m_metrics.wordSize(word);
                }
                if (m_x > 0 && m_x + size.cx >= m_metrics.pageWidth) {
                    NewLine();
                    CheckPageEnd();
                    continue;  // the whole word again, from the line's start
                }
            }
            CheckPageEnd();
        }
        m_ops.push_back({m_page, m_x, m_y, word, false});
        m_x += size.cx;
        at += word.size();
    }
    NewLine();
    CheckPageEnd();
}

void SetJournalPrintDialogProc(JournalPrintDialogProc proc) { g_printDialog = proc; }

void JournalPrint(CJournal* journal) {
    HWND edit = journal && journal->window ? GetJournalHwnd(journal->window) : nullptr;
    if (!edit || !g_app) return;
    // A block of its own: the journal's dialog neither uses nor changes the graphs' printer set-up.
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = g_app->hwndFrame;
    pd.Flags = PD_NOSELECTION | PD_NOPAGENUMS | PD_RETURNDC;
    pd.nFromPage = pd.nToPage = kPageNumbersAll;
    pd.nMinPage = pd.nMaxPage = 1;
    pd.nCopies = 1;
    const BOOL chosen = g_printDialog ? g_printDialog(&pd) : PrintDlgA(&pd);
    HDC dc = chosen ? pd.hDC : nullptr;
    // The dialog's own blocks go on every path; the names serve the progress dialog first.
    auto freeBlocks = [&] {
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
    };
    if (!dc) {
        freeBlocks();
        return;
    }

    char title[128] = "";
    if (!LoadStringA(g_app->hInstance, IDS_PRINT_TITLE, title, sizeof title - 8)) title[0] = 0;
    lstrcatA(title, "Journal");
    EnableWindow(g_app->hwndFrame, FALSE);
    g_printAborted = false;
    ABORTPROC abortProc = notify::PrintAbortProcedure();
    SetAbortProc(dc, abortProc ? abortProc : JournalAbortProc);
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title;
    if (StartDocA(dc, &doc) > 0) {
        HWND progress = notify::OpenPrintProgress(GraphWindowOf(edit), pd.hDevNames);
        if (progress) SendMessageA(progress, WM_USER, 1, 0);
        LOGFONTA lf = g_app->fonts.lfJournal;
        lf.lfHeight = -MulDiv(g_app->fonts.lfJournal.lfHeight, GetDeviceCaps(dc, LOGPIXELSY), kPointsPerInch);
        HFONT font = CreateFontIndirectA(&lf);
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        const int tabSpacing = static_cast<int>(GetDeviceCaps(dc, LOGPIXELSX) * JournalPrefs().tabSize);
        SIZE space{};
        GetTextExtentPoint32A(dc, " ", 1, &space);
        stJournalPrintMetrics metrics{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), static_cast<int>(space.cx),
                                      tabSpacing, [dc](const std::string& word) {
                                          SIZE size{};
                                          GetTextExtentPoint32A(dc, word.c_str(), static_cast<int>(word.size()), &size);
                                          return size;
                                      }};
        CJournalPrintLayout layout(metrics);
        for (const std::string& line : ControlLines(edit)) layout.AddLine(line);
        StartPage(dc);
        if (DrawPages(dc, layout.Ops(), tabSpacing, progress) && !Aborted()) {
            EndPage(dc);
            EndDoc(dc);
        } else {
            AbortDoc(dc);
        }
        if (oldFont) SelectObject(dc, oldFont);
        if (font) DeleteObject(font);
        notify::ClosePrintProgress();
    }
    freeBlocks();
    EnableWindow(g_app->hwndFrame, TRUE);
    DeleteDC(dc);
}
