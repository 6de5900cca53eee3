// Printing the journal: its lines laid out word by word on pages of the printer's size.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// One piece of text at its place: a run of blanks and tabs (drawn with tab stops) or a word.
struct stJournalPrintOp {
    int page;  // from 1
    int x, y;
    std::string text;
    bool tabbed;
};

struct stJournalPrintMetrics {
    int pageWidth, pageHeight;
    int spaceWidth;
    int tabSpacing;  // tab stops at its multiples from the page's left edge
    // The width and height of a word.
    std::function<SIZE(const std::string& word)> wordSize;
};

// Lays out the lines in order: words wrap at the page's right edge, pages end two lines before
// the bottom. A word wider than the page is broken where it reaches the edge.
class CJournalPrintLayout {
public:
    explicit CJournalPrintLayout(stJournalPrintMetrics metrics) : m_metrics(std::move(metrics)) {}
    void AddLine(const std::string& line);
    const std::vector<stJournalPrintOp>& Ops() const { return m_ops; }
    int Pages() const { return m_page; }

private:
    void NewLine();
    void CheckPageEnd();

    stJournalPrintMetrics m_metrics;
    std::vector<stJournalPrintOp> m_ops;
    int m_x = 0, m_y = 0, m_lineHeight = 0, m_page = 1;
};

// Test seam: the print dialog of the journal's Print; null restores the system's.
using JournalPrintDialogProc = BOOL (*)(PRINTDLGA* pd);
// Test seam: only tests call it.
void SetJournalPrintDialogProc(JournalPrintDialogProc proc);
