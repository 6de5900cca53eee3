// Printing and picture export of a graph.
#pragma once
#include <windows.h>

#include <functional>
#include <commdlg.h>
#include <cstddef>
#include <cstdint>

struct tagGS;

// Draws the graph into a disk metafile at path (colour 0: black and white); the metafile's
// handle and the picture rectangle come back. 1 done, 0 when no metafile was made.
int DrawGraphToMetafile(tagGS* gs, int colour, const char* path, HMETAFILE* metafile, RECT* picture, int selectionOnly);

// Puts the graph's picture on the clipboard as an enhanced metafile; 1.
int CopyGraphToClipboard(tagGS* gs);

// Marker labels stand on at most this many rows above the plot.
constexpr int32_t kMaxMarkerRows = 15;

// Rows of marker labels spanning lefts[i] .. rights[i], in marker order: the first row whose
// last label ends left of the label, else the row whose last label ends furthest left. rows[i]
// gets each label's row (0 nearest the plot); the number of rows used comes back.
int32_t PlaceMarkerLabelRows(const int32_t* lefts, const int32_t* rights, int32_t count, int32_t* rows);

// Packed device-independent bitmap (header, colour table, bits) of a bitmap in a moveable
// global block; bitsPerPixel 0 keeps the bitmap's own, palette 0 takes the default palette.
// 0 on failure.
// Entry point kept for a later caller; only tests call it now.
HGLOBAL BitmapToDIB(HBITMAP bitmap, DWORD compression, WORD bitsPerPixel, HPALETTE palette);

// ---- Printing ----

// Prints the graph in strips, with a header line on every page, through the print dialog, the
// progress dialog and the spooler; a job that fails says so itself.
void PrintGraph(HWND parent, tagGS* gs);

// The printer set-up the graph's and the scripts' jobs share. Made at start-up as the graph's
// print dialog with its strip options, freed at exit.
void InitPrintSetup();
void FreePrintSetup();
// Printer Setup on the shared block, whose own flags stay as they were; the printer chosen is
// the one the next print job uses. Without a printer a message says there is none.
void ShowPrinterSetup();
// The plain print dialog (without the graph's strip options) on the shared block: the printer
// the user picks stays chosen, the rest of the block comes back as it was. The printer context;
// 0 when none was obtained; PrintCancelled() (all bits set) when the user cancelled.
HDC DoPlainPrinterSetup();
inline HDC PrintCancelled() { return reinterpret_cast<HDC>(static_cast<intptr_t>(-1)); }
// 1 while a graph is being printed: graph windows do not paint meanwhile.
int IsPrintingGraph();
// Test seam: the shared block as it stands, for tests to look at.
const PRINTDLGA& PrintSetupForTests();

// Hook of the print dialog ("PRINTDLG"): shows and keeps the plots per page and the pages to fit.
UINT_PTR CALLBACK PrintGraphDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
// Abort procedure of every print job: pumps the queue; 0 once the user pressed Cancel.
BOOL CALLBACK PrintAbortProc(HDC dc, int error);
// The modeless progress dialog of a print job; WM_USER carries the page and the total.
INT_PTR CALLBACK PrintProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// One page's strips into the area (moved down strip by strip): plots per page strips, the
// visible span spread over pagesToFit pages.
void PrintPageBody(HDC dc, tagGS* gs, int32_t page, RECT* area, int32_t plotsPerPage, int32_t pagesToFit);
// Makes the text fonts 8 points high on the device and lays the graph out with them (on 1), or
// gives the screen fonts back (on 0).
void PrepareFontsForDevice(HDC dc, int on);

// Printed waveforms in black (1, for a printer of one colour bit) or in the channel colours.
void SetPrintBlack(int black);

// The process-wide print options, never below 1 (the getters are test seams).
int32_t PrintPlotsPerPage();
// Entry point kept for a later caller; only tests call it now.
int32_t PrintPagesToFit();
void SetPrintOptions(int32_t plotsPerPage, int32_t pagesToFit);
// 1 once the user pressed Cancel in the progress dialog of the running job.
int PrintAbortFlag();
// Test seam: the progress dialog of the running job, or null.
HWND PrintProgressWindow();
// The progress dialog of a job over the owner, whose title it names; the abort procedure hands
// it its messages until it is closed.
HWND OpenPrintProgress(HWND owner);
// A job of another part (the journal's): the printer's names for the dialog, a clear abort flag,
// and the dialog shown over owner.
HWND BeginPrintProgress(HWND owner, HGLOBAL devNames);
void ClosePrintProgress();
// A new job starts without the last one's Cancel.
void ClearPrintAbort();
// One spooler job on a printer context that a print dialog gave (null: none): a clear abort
// flag, the frame disabled, the abort procedure set and `pages` drawing the pages between
// StartDoc and EndDoc; a job that fails or is cancelled is aborted, and the context is deleted.
// True when the job was ended.
bool RunPrintJob(HDC dc, const char* docName, const std::function<bool(HDC)>& pages);

// What a print job asks of the system. Tests put their own in place to print into memory or to
// make a step fail; a null entry is the system's.
struct stPrintDevice {
    // FALSE with *error 0 when the user cancelled, with the dialog's error code otherwise.
    BOOL (*printDialog)(PRINTDLGA* pd, DWORD* error);
    HDC (*createDC)(const char* driver, const char* device, const char* port, const DEVMODEA* mode);
    int (*startDoc)(HDC dc, const DOCINFOA* doc);
    int (*startPage)(HDC dc);
    int (*endPage)(HDC dc);
    int (*endDoc)(HDC dc);
    int (*abortDoc)(HDC dc);
    BOOL (*deleteDC)(HDC dc);
    // TRUE when there is a printer to print on. A device with a print dialog of its own and no
    // answer here has one: its dialog stands for the system's printers.
    BOOL (*hasPrinter)();
};
// Test seam: a device in place of the system's; null puts the system's back.
void SetPrintDevice(const stPrintDevice* device);
const stPrintDevice& PrintDevice();

// ---- Page layout, as plain values ----

// Strip k of n equal strips (height / n, integer division) of the area, top to bottom.
RECT PrintStripRect(const RECT& area, int32_t plotsPerPage, int32_t strip);
// Time one strip shows: the span over plots per page x pages to fit.
double PrintStripSpan(double span, int32_t plotsPerPage, int32_t pagesToFit);
// The plot inside a strip: shrunk by one pixel, lowered by the label room, the vertical-text
// column at the left, the scale at the right and two axis lines below.
RECT PrintPlotRect(const RECT& strip, int32_t labelRoom, int32_t cyVertical, int32_t cxScaleStrip, int32_t cyAxisLine);
// The header line of a page one line below the top: the right-hand text ends at the page's
// right edge, the title ends 20 pixels before it; the body starts two lines below the top.
struct stPrintHeader {
    RECT title;
    RECT right;
    RECT body;
};
stPrintHeader PlanPrintHeader(const RECT& page, int32_t lineHeight, int32_t rightTextWidth);
// "Page %d of %d     <date>", at most 59 characters; date is "%B %d, %Y %X" of the moment.
void FormatPrintHeader(char* buffer, size_t size, int32_t page, int32_t pages, const SYSTEMTIME& when);
// The progress line: "Now printing Page %d of %d", or without the total when it is below 1.
void FormatPrintProgress(char* buffer, size_t size, int32_t page, int32_t total);
// The options as the print dialog reads them: a number below 1 (or none) keeps 1.
int32_t ClampPrintOption(int32_t value);
