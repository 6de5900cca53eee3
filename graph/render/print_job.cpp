// The print job of a graph: the print dialog with the strip options, the printer context, the
// progress dialog and its abort procedure, the printer's fonts, and the pages with their header.
#include <windows.h>
#include <dlgs.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include "base/app.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/render/printing.h"
#include "graph/view/layout.h"

namespace {

constexpr int kHeaderPoints = 10;
constexpr int kDeviceFontPoints = 8;
constexpr size_t kDocNameMax = 31;
constexpr size_t kHeaderTextMax = 59;
constexpr int32_t kTitleGap = 20;
constexpr WORD kAllPages = 0xFFFF;
// The print dialog's texts in the keyed dialog table.
constexpr uint32_t kPrintDialogTexts = static_cast<uint32_t>(-100);

int32_t g_plotsPerPage = 1;
int32_t g_pagesToFit = 1;
volatile LONG g_abort = 0;
HWND g_progress = nullptr;
// The printer set-up the graph's and the scripts' jobs share: the print dialog's block, whose
// printer stays chosen from job to job, and whether a graph is being printed.
struct stPrintSetup {
    PRINTDLGA pd;
    uint32_t bPrinting;  // a graph's window does not paint meanwhile
};
stPrintSetup g_setup{};
char g_printerDevice[64] = "";
char g_printerPort[64] = "";

// The system's side of a job.
BOOL SystemPrintDialog(PRINTDLGA* pd, DWORD* error) {
    const BOOL ok = PrintDlgA(pd);
    *error = ok ? 0 : CommDlgExtendedError();
    return ok;
}
HDC SystemCreateDC(const char* driver, const char* device, const char* port, const DEVMODEA* mode) {
    return CreateDCA(driver, device, port, mode);
}
int SystemStartDoc(HDC dc, const DOCINFOA* doc) { return StartDocA(dc, doc); }
int SystemEndDoc(HDC dc) { return EndDoc(dc); }
// Asked of the dialog library without showing anything: it names a default printer whenever
// there is any printer.
BOOL SystemHasPrinter() {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT;
    const BOOL found = PrintDlgA(&pd);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    return found;
}
BOOL DialogsOwnPrinter() { return TRUE; }

const stPrintDevice kSystemDevice{SystemPrintDialog, SystemCreateDC, SystemStartDoc, StartPage,       EndPage,
                                  SystemEndDoc,      AbortDoc,       DeleteDC,       SystemHasPrinter};
stPrintDevice g_device = kSystemDevice;

// The printer's name and port out of a device-names block.
void CopyPrinterNames(HGLOBAL names) {
    g_printerDevice[0] = g_printerPort[0] = 0;
    auto* dn = names ? static_cast<DEVNAMES*>(GlobalLock(names)) : nullptr;
    if (!dn) return;
    const char* base = reinterpret_cast<const char*>(dn);
    lstrcpynA(g_printerDevice, base + dn->wDeviceOffset, sizeof g_printerDevice);
    lstrcpynA(g_printerPort, base + dn->wOutputOffset, sizeof g_printerPort);
    GlobalUnlock(names);
}

// A context for the printer the device-names block names, with its device mode when there is one.
HDC CreatePrinterContext(HGLOBAL names, HGLOBAL mode) {
    auto* dn = static_cast<DEVNAMES*>(GlobalLock(names));
    if (!dn) return nullptr;
    const char* base = reinterpret_cast<const char*>(dn);
    auto* dm = mode ? static_cast<DEVMODEA*>(GlobalLock(mode)) : nullptr;
    HDC dc = g_device.createDC(base + dn->wDriverOffset, base + dn->wDeviceOffset, base + dn->wOutputOffset, dm);
    if (dm) GlobalUnlock(mode);
    GlobalUnlock(names);
    if (dc) CopyPrinterNames(names);
    return dc;
}

// The graph's own title, or the window's text when the record has none.
void GraphTitle(const tagGS* gs, char* out, size_t size) {
    lstrcpynA(out, gs->title, static_cast<int>(size));
    if (!out[0] && gs->hwnd) GetWindowTextA(gs->hwnd, out, static_cast<int>(size));
}

// The screen's text fonts and measures while a printer's stand in for them.
struct stScreenFonts {
    bool held;
    HBRUSH toolbar;
    HFONT text, vertical, axis;
    int32_t cyText, cxText, cyVertical, cxVertical;
    int32_t cxScaleStrip, cyAxisStrip, cyAxisLine;
};
stScreenFonts g_screen{};

// A font of the description at the given point size on the device, measured there.
HFONT DeviceFont(HDC dc, const LOGFONTA& description, int points, int32_t* cx, int32_t* cy) {
    LOGFONTA lf = description;
    lf.lfHeight = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), kPointsPerInch);
    lf.lfWidth = 0;
    return CreateMeasuredFont(dc, &lf, cy, cx);
}

// The header line of a page: the page number and the moment at the right, the graph's title
// at the left (its middle given up for an ellipsis when it is long); the area below it comes back.
RECT DrawPageHeader(HDC dc, const RECT& page, const char* title, int32_t pageNumber, int32_t pages) {
    LOGFONTA lf{};
    lf.lfWeight = FW_NORMAL;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpyA(lf.lfFaceName, "Arial");
    int32_t cx = 0, line = 0;
    HFONT font = DeviceFont(dc, lf, kHeaderPoints, &cx, &line);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char right[kHeaderTextMax + 1];
    FormatPrintHeader(right, sizeof right, pageNumber, pages, now);
    SIZE size{};
    GetTextExtentPoint32A(dc, right, static_cast<int>(std::strlen(right)), &size);
    stPrintHeader plan = PlanPrintHeader(page, line, size.cx);
    DrawTextA(dc, right, -1, &plan.right, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    DrawTextA(dc, title, -1, &plan.title, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    if (old) SelectObject(dc, old);
    if (font) DeleteObject(font);
    return plan.body;
}

// Everything the pages of a job change, put back when it goes: the wait cursor, the progress
// dialog, the view, the printing flag, the fonts and the colour flag.
class CPrintSession {
public:
    CPrintSession(HWND parent, tagGS* gs, HDC dc, int32_t total) : m_gs(gs) {
        m_hStart = gs->hStart;
        m_hPerDiv = gs->hPerDiv;
        m_hDivisions = gs->hDivisions;
        m_plot = gs->plotRect;
        if (HWND progress = OpenPrintProgress(parent)) SendMessageA(progress, WM_USER, 0, total);
        SetWaitCursor(1);
        g_setup.bPrinting = 1;
        PrepareFontsForDevice(dc, 1);
        SetBkMode(dc, TRANSPARENT);
        SetPrintBlack(GetDeviceCaps(dc, COLORRES) == 1);
    }
    ~CPrintSession() {
        PrepareFontsForDevice(nullptr, 0);
        g_setup.bPrinting = 0;
        SetPrintBlack(0);
        if (g_app->hwndClient) EnumChildWindows(g_app->hwndClient, GiveScreenFont, 0);
        m_gs->hStart = m_hStart;
        m_gs->hPerDiv = m_hPerDiv;
        m_gs->hDivisions = m_hDivisions;
        m_gs->plotRect = m_plot;
        ComputeChannelRects(m_gs, 1);
        ComputeChannelTransforms(m_gs);
        if (m_gs->hwnd && IsWindow(m_gs->hwnd)) {
            InvalidateRect(m_gs->hwnd, nullptr, TRUE);
            LayoutGraphWindow(m_gs);
        }
        ClosePrintProgress();
        SetWaitCursor(0);
    }
    CPrintSession(const CPrintSession&) = delete;
    CPrintSession& operator=(const CPrintSession&) = delete;
    double ViewStart() const { return m_hStart; }

private:
    static BOOL CALLBACK GiveScreenFont(HWND child, LPARAM) {
        if (GetParent(child) == g_app->hwndClient) ApplyFontToGraphWindow(child, g_app->fonts.hfontText);
        return TRUE;
    }
    tagGS* m_gs;
    double m_hStart, m_hPerDiv, m_hDivisions;
    RECT m_plot;
};

// The pages of every copy; false when the spooler refused a page.
bool PrintPages(HDC dc, tagGS* gs, const CPrintSession& session, int32_t copies) {
    const int32_t n = g_plotsPerPage, m = g_pagesToFit;
    char title[MAX_PATH];
    GraphTitle(gs, title, sizeof title);
    for (int32_t copy = 1; copy <= copies && !g_abort; ++copy) {
        // Every copy shows the same strips from the view's start.
        gs->hStart = session.ViewStart();
        for (int32_t page = 0; page < m && !g_abort; ++page) {
            if (g_device.startPage(dc) <= 0) return false;
            if (g_progress) SendMessageA(g_progress, WM_USER, (copy - 1) * m + page + 1, m * copies);
            RECT area{0, 0, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
            area = DrawPageHeader(dc, area, title, page + 1, m);
            PrintPageBody(dc, gs, page, &area, n, m);
            if (g_device.endPage(dc) <= 0) return false;
            // Not every driver calls the abort procedure: the progress dialog's Cancel is
            // looked at between pages in any case.
            PrintAbortProc(dc, 0);
        }
    }
    return true;
}

// The print dialog on the shared block; its context, or one made from the printer it names; 0
// when none was obtained; PrintCancelled() when the user cancelled.
HDC DoPrinterSetup() {
    if (!g_app) return nullptr;
    // Without any printer the dialog has nothing to offer, and under Wine it ends as if
    // cancelled: the job is a failure to report, not a choice of the user's.
    if (!g_device.hasPrinter()) return nullptr;
    PRINTDLGA& pd = g_setup.pd;
    DWORD error = 0;
    if (!g_device.printDialog(&pd, &error)) return error ? nullptr : PrintCancelled();
    if (pd.hDC) {
        HDC dc = pd.hDC;
        pd.hDC = nullptr;
        CopyPrinterNames(pd.hDevNames);
        return dc;
    }
    if (!pd.hDevNames) return nullptr;
    return CreatePrinterContext(pd.hDevNames, pd.hDevMode);
}

}  // namespace

void SetPrintDevice(const stPrintDevice* device) {
    g_device = kSystemDevice;
    if (!device) return;
    if (device->printDialog) {
        g_device.printDialog = device->printDialog;
        g_device.hasPrinter = DialogsOwnPrinter;
    }
    if (device->hasPrinter) g_device.hasPrinter = device->hasPrinter;
    if (device->createDC) g_device.createDC = device->createDC;
    if (device->startDoc) g_device.startDoc = device->startDoc;
    if (device->startPage) g_device.startPage = device->startPage;
    if (device->endPage) g_device.endPage = device->endPage;
    if (device->endDoc) g_device.endDoc = device->endDoc;
    if (device->abortDoc) g_device.abortDoc = device->abortDoc;
    if (device->deleteDC) g_device.deleteDC = device->deleteDC;
}

const stPrintDevice& PrintDevice() { return g_device; }

int32_t PrintPlotsPerPage() { return g_plotsPerPage; }
int32_t PrintPagesToFit() { return g_pagesToFit; }
void SetPrintOptions(int32_t plotsPerPage, int32_t pagesToFit) {
    g_plotsPerPage = ClampPrintOption(plotsPerPage);
    g_pagesToFit = ClampPrintOption(pagesToFit);
}
int PrintAbortFlag() { return g_abort ? 1 : 0; }

HWND OpenPrintProgress(HWND owner) {
    ClosePrintProgress();
    if (!g_app) return nullptr;
    g_progress = CreateDialogParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_PRINT_PROGRESS), owner, PrintProgressDlgProc,
                                    reinterpret_cast<LPARAM>(owner));
    if (g_progress) ShowWindow(g_progress, SW_SHOW);
    return g_progress;
}

HWND BeginPrintProgress(HWND owner, HGLOBAL devNames) {
    CopyPrinterNames(devNames);
    ClearPrintAbort();
    return OpenPrintProgress(owner);
}

void ClosePrintProgress() {
    if (g_progress && IsWindow(g_progress)) DestroyWindow(g_progress);
    g_progress = nullptr;
}

void ClearPrintAbort() { InterlockedExchange(&g_abort, 0); }
HWND PrintProgressWindow() { return g_progress; }

stPrintHeader PlanPrintHeader(const RECT& page, int32_t lineHeight, int32_t rightTextWidth) {
    stPrintHeader h{};
    const int32_t top = page.top + lineHeight, bottom = page.top + 2 * lineHeight;
    h.right = RECT{std::max<int32_t>(page.left, page.right - rightTextWidth), top, page.right, bottom};
    h.title = RECT{page.left, top, std::max<int32_t>(page.left, h.right.left - kTitleGap), bottom};
    h.body = RECT{page.left, bottom, page.right, std::max<int32_t>(bottom, page.bottom)};
    return h;
}

void FormatPrintHeader(char* buffer, size_t size, int32_t page, int32_t pages, const SYSTEMTIME& when) {
    if (!buffer || size == 0) return;
    std::tm t{};
    t.tm_year = when.wYear - 1900;
    t.tm_mon = when.wMonth - 1;
    t.tm_mday = when.wDay;
    t.tm_hour = when.wHour;
    t.tm_min = when.wMinute;
    t.tm_sec = when.wSecond;
    t.tm_wday = when.wDayOfWeek;
    char date[64] = "";
    std::strftime(date, sizeof date, "%B %d, %Y %X", &t);
    std::snprintf(buffer, std::min(size, kHeaderTextMax + 1), "Page %d of %d     %s", static_cast<int>(page),
                  static_cast<int>(pages), date);
}

void FormatPrintProgress(char* buffer, size_t size, int32_t page, int32_t total) {
    if (!buffer || size == 0) return;
    if (total < 1) std::snprintf(buffer, size, "Now printing Page %d", static_cast<int>(page));
    else std::snprintf(buffer, size, "Now printing Page %d of %d", static_cast<int>(page), static_cast<int>(total));
}

UINT_PTR CALLBACK PrintGraphDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        // The graph prints whole: no page range, no selection.
        static const int kRange[] = {rad1, rad2, rad3, stc2, stc3, edt1, edt2};
        for (int id : kRange)
            if (HWND item = GetDlgItem(dlg, id)) ShowWindow(item, SW_HIDE);
        HandleTheDialog(dlg, kPrintDialogTexts);
        SetDlgItemInt(dlg, IDC_PRINT_PLOTS, static_cast<UINT>(g_plotsPerPage), TRUE);
        SetDlgItemInt(dlg, IDC_PRINT_FIT, static_cast<UINT>(g_pagesToFit), TRUE);
        if (HWND first = GetDlgItem(dlg, IDC_PRINT_PLOTS)) SetFocus(first);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            BOOL ok = FALSE;
            const int plots = static_cast<int>(GetDlgItemInt(dlg, IDC_PRINT_PLOTS, &ok, TRUE));
            BOOL ok2 = FALSE;
            const int fit = static_cast<int>(GetDlgItemInt(dlg, IDC_PRINT_FIT, &ok2, TRUE));
            SetPrintOptions(ok ? plots : 1, ok2 ? fit : 1);
        }
        return FALSE;
    default: return FALSE;
    }
}

BOOL CALLBACK PrintAbortProc(HDC, int) {
    MSG msg;
    while (!g_abort && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The program is ending: the job stops and the loop gets its quit again.
            PostQuitMessage(static_cast<int>(msg.wParam));
            InterlockedExchange(&g_abort, 1);
            break;
        }
        if (!g_progress || !IsDialogMessageA(g_progress, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return g_abort ? FALSE : TRUE;
}

INT_PTR CALLBACK PrintProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        HandleTheDialog(dlg, IDD_PRINT_PROGRESS);
        char title[MAX_PATH] = "", text[MAX_PATH + 64];
        if (auto parent = reinterpret_cast<HWND>(lParam)) GetWindowTextA(parent, title, sizeof title);
        std::snprintf(text, sizeof text, "'%s' on the", title);
        SetDlgItemTextA(dlg, IDC_PRINT_GRAPH_NAME, text);
        std::snprintf(text, sizeof text, "%s on %s", g_printerDevice, g_printerPort);
        SetDlgItemTextA(dlg, IDC_PRINT_PRINTER, text);
        return TRUE;
    }
    case WM_USER: {
        char text[64];
        FormatPrintProgress(text, sizeof text, static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
        SetDlgItemTextA(dlg, IDC_PRINT_PAGE, text);
        return TRUE;
    }
    case WM_COMMAND:
        InterlockedExchange(&g_abort, 1);
        return TRUE;
    default: return FALSE;
    }
}

void PrepareFontsForDevice(HDC dc, int on) {
    if (!g_app) return;
    if (on) {
        if (g_screen.held || !dc) return;
        g_screen = stScreenFonts{true,
                                 g_app->brushes.hbrToolbar,
                                 g_app->fonts.hfontText,
                                 g_app->fonts.hfontVertical,
                                 g_app->fonts.hfontAxis,
                                 g_app->fonts.cyText,
                                 g_app->fonts.cxText,
                                 g_app->fonts.cyVertical,
                                 g_app->fonts.cxVertical,
                                 g_app->strips.cxScaleStrip,
                                 g_app->strips.cyAxisStrip,
                                 g_app->strips.cyAxisLine};
        g_app->brushes.hbrToolbar = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        HFONT text = DeviceFont(dc, g_app->fonts.lfText, kDeviceFontPoints, &g_app->fonts.cxText, &g_app->fonts.cyText);
        HFONT vertical = DeviceFont(dc, g_app->fonts.lfVertical, kDeviceFontPoints, &g_app->fonts.cxVertical,
                                    &g_app->fonts.cyVertical);
        if (text) g_app->fonts.hfontText = g_app->fonts.hfontAxis = text;
        if (vertical) g_app->fonts.hfontVertical = vertical;
        MeasureAxisText(dc, g_app->fonts.hfontText);
        return;
    }
    if (!g_screen.held) return;
    if (g_app->fonts.hfontText != g_screen.text) DeleteObject(g_app->fonts.hfontText);
    if (g_app->fonts.hfontVertical != g_screen.vertical) DeleteObject(g_app->fonts.hfontVertical);
    g_app->brushes.hbrToolbar = g_screen.toolbar;
    g_app->fonts.hfontText = g_screen.text;
    g_app->fonts.hfontVertical = g_screen.vertical;
    g_app->fonts.hfontAxis = g_screen.axis;
    g_app->fonts.cyText = g_screen.cyText;
    g_app->fonts.cxText = g_screen.cxText;
    g_app->fonts.cyVertical = g_screen.cyVertical;
    g_app->fonts.cxVertical = g_screen.cxVertical;
    g_app->strips.cxScaleStrip = g_screen.cxScaleStrip;
    g_app->strips.cyAxisStrip = g_screen.cyAxisStrip;
    g_app->strips.cyAxisLine = g_screen.cyAxisLine;
    g_screen = stScreenFonts{};
}

// Print dialog, job, pages, end; a job that could not print says so unless the user cancelled it.
void PrintGraph(HWND parent, tagGS* gs) {
    if (!g_app || !gs) return;
    char docName[kDocNameMax + 1] = "", title[MAX_PATH];
    GraphTitle(gs, title, sizeof title);
    char full[MAX_PATH + 64] = "";
    if (!LoadStringA(g_app->hInstance, IDS_PRINT_TITLE, full, sizeof full)) full[0] = 0;
    lstrcatA(full, title);
    lstrcpynA(docName, full, sizeof docName);

    PRINTDLGA& pd = g_setup.pd;
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = g_app->hwndFrame;
    pd.Flags = (pd.Flags & ~(PD_PRINTSETUP | PD_RETURNDC)) | PD_ENABLEPRINTHOOK | PD_ENABLEPRINTTEMPLATE;
    pd.nFromPage = pd.nToPage = kAllPages;
    pd.nMinPage = pd.nMaxPage = 1;
    pd.nCopies = 1;
    pd.hInstance = g_app->hInstance;
    pd.lpfnPrintHook = PrintGraphDlgProc;
    pd.lpPrintTemplateName = "PRINTDLG";

    HDC dc = DoPrinterSetup();
    if (dc == PrintCancelled()) return;
    const int32_t copies = std::max<int32_t>(1, pd.nCopies);
    const bool ended = RunPrintJob(dc, docName, [&](HDC printer) {
        CPrintSession session(parent, gs, printer, g_pagesToFit * copies);
        return PrintPages(printer, gs, session, copies);
    });
    if (!ended && !g_abort) MessageBoxFromStringTable(parent, MB_ICONEXCLAMATION, IDS_CANNOT_PRINT, title);
}

bool RunPrintJob(HDC dc, const char* docName, const std::function<bool(HDC)>& pages) {
    ClearPrintAbort();
    if (!dc) return false;
    bool ended = false;
    EnableWindow(g_app->hwndFrame, FALSE);
    SetAbortProc(dc, PrintAbortProc);
    DOCINFOA doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = docName;
    if (g_device.startDoc(dc, &doc) > 0) {
        if (pages(dc) && !g_abort && g_device.endDoc(dc) > 0)
            ended = true;
        else
            g_device.abortDoc(dc);
    }
    EnableWindow(g_app->hwndFrame, TRUE);
    g_device.deleteDC(dc);
    return ended;
}

void InitPrintSetup() {
    if (!g_app) return;
    PRINTDLGA& pd = g_setup.pd;
    std::memset(&pd, 0, sizeof pd);
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = g_app->hwndFrame;
    pd.Flags = PD_NOSELECTION | PD_NOPAGENUMS | PD_ENABLEPRINTHOOK | PD_ENABLEPRINTTEMPLATE;
    pd.lpfnPrintHook = PrintGraphDlgProc;
    pd.lpPrintTemplateName = "PRINTDLG";
    pd.nFromPage = kAllPages;
    pd.nToPage = kAllPages;
    pd.nMinPage = 1;
    pd.nMaxPage = 1;
    pd.nCopies = 1;
    pd.hInstance = g_app->hInstance;
    g_setup.bPrinting = 0;
}

void FreePrintSetup() {
    if (g_setup.pd.hDevMode) GlobalFree(g_setup.pd.hDevMode);
    if (g_setup.pd.hDevNames) GlobalFree(g_setup.pd.hDevNames);
    g_setup = stPrintSetup{};
}

void ShowPrinterSetup() {
    // Without a printer the dialog has nothing to set up and under Wine ends as if cancelled:
    // the user is told instead.
    DWORD error = 0;
    if (g_device.hasPrinter()) {
        PRINTDLGA& pd = g_setup.pd;
        const DWORD flags = pd.Flags;
        pd.Flags |= PD_PRINTSETUP;
        g_device.printDialog(&pd, &error);
        pd.Flags = flags;
        if (error != PDERR_NODEFAULTPRN && error != PDERR_NODEVICES) return;
    }
    HWND frame = Owner();
    const char* title = ProgramTitle();
    MessageBoxA(frame, Keyed("KEY No printer"), title, MB_OK | MB_ICONEXCLAMATION);
}

HDC DoPlainPrinterSetup() {
    PRINTDLGA& pd = g_setup.pd;
    const PRINTDLGA kept = pd;
    pd.Flags &= ~static_cast<DWORD>(PD_ENABLEPRINTHOOK | PD_ENABLEPRINTTEMPLATE);
    HDC dc = DoPrinterSetup();
    const HGLOBAL mode = pd.hDevMode, names = pd.hDevNames;
    pd = kept;
    pd.hDevMode = mode;
    pd.hDevNames = names;
    return dc;
}

int IsPrintingGraph() { return g_setup.bPrinting ? 1 : 0; }

const PRINTDLGA& PrintSetupForTests() { return g_setup.pd; }
