// The journal pane of a graph window: six tool buttons over a rich edit control (a plain edit
// control when the rich edit library does not load), its layout, font, tab stops and typing.
#include "documents/journal/journal.h"
#include "documents/documents_api.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "documents/documents_ids.h"
#include "button/lumikey.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include "controls/popup_button.h"
#include <richedit.h>
#include <shellapi.h>
#include <cstring>
#include <new>
#include <string>
#include <vector>
#include <algorithm>

namespace {

constexpr DWORD kShownButtonStyle = 0x50030600;
constexpr DWORD kHiddenButtonStyle = 0x40010600;
constexpr DWORD kEditStyle = 0x513310C4;
constexpr DWORD kSelectionBar = 0x01000000;  // rich edit only; a plain edit would read it as maximised
constexpr int kButtonWidth = 24, kButtonHeight = 22, kButtonTop = 5, kEditTop = 30;
constexpr int kMinPaneHeight = 28;
constexpr size_t kLimitReserve = 4096;
constexpr int kStampChars = 63;
// A long text goes in this much at first, then parts of it for this long at a time while the
// program waits for input: the control is usable at once and the program answers meanwhile.
constexpr size_t kFirstPartBytes = 16384, kLaterPartBytes = 4096;
constexpr ULONGLONG kPartMilliseconds = 40;
constexpr UINT_PTR kFillTimer = 0x4A46;

struct ButtonDef {
    int id;
    const char* text;
    DWORD style;
    int bitmap;
    const char* hint;
    int x;
};
constexpr ButtonDef kButtons[6] = {
    {IDC_JOURNAL_INSERT_TIME, "", kShownButtonStyle, IDB_JOURNAL_TIME, "Insert Time", 4},
    {IDC_JOURNAL_INSERT_DATE, "", kShownButtonStyle, IDB_JOURNAL_DATE, "Insert Date", 30},
    {IDC_JOURNAL_AUTO_TIME, "", kShownButtonStyle, IDB_JOURNAL_AUTO_TIME, "Autotime", 58},
    {IDC_JOURNAL_LOAD, "Import", kHiddenButtonStyle, IDB_JOURNAL_LOAD, "Load Text", 186},
    {IDC_JOURNAL_SAVE, "Export", kHiddenButtonStyle, IDB_JOURNAL_SAVE, "Save Text", 212},
    {IDC_JOURNAL_PRINT, "Print", kHiddenButtonStyle, IDB_JOURNAL_PRINT, "Print Journal", 238},
};

// All journal controls share one class, so one saved procedure serves each of the two classes.
WNDPROC g_richEditProc = nullptr;
WNDPROC g_plainEditProc = nullptr;

JournalClockProc g_clock = nullptr;
std::vector<CJournalWindow*> g_panes;
const char* g_richEditLibrary = nullptr;

CJournalWindow* Pane(void* pane) { return static_cast<CJournalWindow*>(pane); }

HWND* ButtonSlot(CJournalWindow* w, int index) {
    HWND* slots[6] = {&w->insertTimeButton, &w->insertDateButton, &w->autoTimeButton,
                      &w->loadTextButton,   &w->saveTextButton,   &w->printButton};
    return slots[index];
}

WNDPROC OwnProc(HWND edit) { return IsRichJournalEdit(edit) ? g_richEditProc : g_plainEditProc; }

// While the pane itself sends its control messages (the fill, the font, the tab stops), they
// need no whole text. The flag is put back on every path out of the scope.
class CPaneOwnMessages {
public:
    explicit CPaneOwnMessages(CJournalWindow* pane) : m_pane(pane), m_outer(pane->filling) { pane->filling = true; }
    ~CPaneOwnMessages() { m_pane->filling = m_outer; }
    CPaneOwnMessages(const CPaneOwnMessages&) = delete;
    CPaneOwnMessages& operator=(const CPaneOwnMessages&) = delete;

private:
    CJournalWindow* m_pane;
    bool m_outer;
};

CJournalWindow* PaneOfEdit(HWND edit) {
    for (CJournalWindow* pane : g_panes)
        if (pane->edit == edit) return pane;
    return nullptr;
}

// Where a part of the pending text ends: after the first line end at or past `from`, so that a
// CR LF pair is never split, or at the end of the text.
size_t PartEnd(const std::string& text, size_t from) {
    if (from >= text.size()) return text.size();
    const size_t lf = text.find('\n', from);
    return lf == std::string::npos ? text.size() : lf + 1;
}

// Puts the next part of the pending text (of about `bytes`) at the end of the text,
// leaving the caret, the selection, the lines shown and the modified flag as they were.
void AppendPendingPart(CJournalWindow* w, size_t bytes) {
    HWND edit = w->edit;
    const std::string& text = w->pendingText;
    const size_t end = PartEnd(text, w->pendingAt + bytes);
    const std::string part = text.substr(w->pendingAt, end - w->pendingAt);
    w->pendingAt = end;
    if (w->pendingAt >= text.size()) {
        KillTimer(edit, kFillTimer);
        std::string().swap(w->pendingText);
        w->pendingAt = 0;
    }
    const CPaneOwnMessages own(w);
    const bool rich = IsRichJournalEdit(edit);
    const LRESULT mask = rich ? SendMessageA(edit, EM_SETEVENTMASK, 0, 0) : 0;
    const LRESULT modified = SendMessageA(edit, EM_GETMODIFY, 0, 0);
    DWORD start = 0, stop = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&stop));
    const LRESULT top = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageA(edit, WM_SETREDRAW, FALSE, 0);
    // Past the end of the text on both sides: the caret at its end.
    SendMessageA(edit, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(part.c_str()));
    SendMessageA(edit, EM_SETSEL, start, stop);
    const LRESULT moved = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0) - top;
    if (moved) SendMessageA(edit, EM_LINESCROLL, 0, -moved);
    SendMessageA(edit, EM_SETMODIFY, modified, 0);
    SendMessageA(edit, WM_SETREDRAW, TRUE, 0);
    if (rich) SendMessageA(edit, EM_SETEVENTMASK, 0, mask);
    InvalidateRect(edit, nullptr, TRUE);
}

// Parts of the pending text for a while, at each tick of the fill timer.
void FillForAWhile(CJournalWindow* w) {
    const ULONGLONG until = GetTickCount64() + kPartMilliseconds;
    while (!w->pendingText.empty() && GetTickCount64() < until) AppendPendingPart(w, kLaterPartBytes);
}

// The messages that need no more of the text than the control holds: painting, placing,
// scrolling, focus, and the questions of the menus. Any other (typing, clicks, reading or
// changing the text) finishes the fill first.
bool NeedsNoWholeText(UINT msg) {
    switch (msg) {
    case WM_PAINT: case WM_ERASEBKGND: case WM_NCPAINT: case WM_SYNCPAINT: case WM_NCCALCSIZE:
    case WM_NCHITTEST: case WM_SETCURSOR: case WM_MOUSEMOVE: case WM_NCMOUSEMOVE: case WM_MOUSEWHEEL:
    case WM_WINDOWPOSCHANGING: case WM_WINDOWPOSCHANGED: case WM_MOVE: case WM_SIZE: case WM_SHOWWINDOW:
    case WM_GETDLGCODE: case WM_VSCROLL: case WM_HSCROLL: case WM_ENABLE: case WM_SETFOCUS: case WM_KILLFOCUS:
    case WM_STYLECHANGING: case WM_STYLECHANGED: case WM_SETREDRAW: case WM_GETFONT: case WM_SETFONT:
    case WM_CAPTURECHANGED: case WM_GETOBJECT: case WM_DESTROY: case WM_NCDESTROY: case WM_TIMER:
    case EM_GETMODIFY: case EM_SETMODIFY: case EM_CANUNDO: case EM_CANPASTE: case EM_EXGETSEL: case EM_GETSEL:
    case EM_SCROLL: case EM_GETFIRSTVISIBLELINE: case EM_GETRECT: case EM_SETTARGETDEVICE:
    case EM_GETEVENTMASK: case EM_SETEVENTMASK:
        return true;
    default:
        return false;
    }
}

// Enter with Autotime on: the time stamp goes to the start of the line that Enter ends.
LRESULT JournalOnChar(HWND edit, WPARAM ch, LPARAM flags) {
    WNDPROC own = OwnProc(edit);
    if (ch == VK_RETURN && GetPropA(edit, "AutoTime")) {
        CallWindowProcA(own, edit, WM_KEYDOWN, VK_HOME, 0);
        CallWindowProcA(own, edit, WM_KEYUP, VK_HOME, 0xC0000001);
        char stamp[kStampChars + 1] = "";
        JournalFormatClock("%X", stamp, sizeof stamp);
        CallWindowProcA(own, edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(stamp));
        CallWindowProcA(own, edit, WM_KEYDOWN, VK_END, 0);
        CallWindowProcA(own, edit, WM_KEYUP, VK_END, 0xC0000001);
        return CallWindowProcA(own, edit, WM_CHAR, ch, 1);
    }
    return CallWindowProcA(own, edit, WM_CHAR, ch, flags);
}

// The whole content of a file; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::string* out) {
    CScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    DWORD size = GetFileSize(file.get(), nullptr), got = 0;
    bool ok = size != INVALID_FILE_SIZE;
    try {
        if (ok) out->resize(size);
    } catch (...) {
        ok = false;
    }
    ok = ok && (size == 0 || ReadFile(file.get(), &(*out)[0], size, &got, nullptr));
    file.Close();
    if (!ok) return false;
    out->resize(got);
    out->resize(std::strlen(out->c_str()));
    return true;
}

// Dropped ".TXT" files go in at the caret, the last dropped first; anything else is passed over.
void JournalOnDropFiles(HWND edit, HDROP drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = count; i-- > 0;) {
        char path[MAX_PATH] = "";
        if (!DragQueryFileA(drop, i, path, sizeof path)) continue;
        const char* dot = std::strrchr(path, '.');
        const char* slash = std::strrchr(path, '\\');
        if (!dot || (slash && dot < slash) || lstrcmpiA(dot, ".TXT") != 0) continue;
        std::string text;
        if (!ReadWholeFile(path, &text) || text.empty()) continue;
        // Deselected at the caret: a selection is not replaced (-1 would move some controls' caret).
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        SendMessageA(edit, EM_SETSEL, end, end);
        SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
        JournalEnsureCapacity(edit);
    }
    DragFinish(drop);
}

// The frame's menu follows the journal's focus: its Edit popup is enabled.
void EnableEditPopup(HWND edit) {
    HWND frame = Owner();
    HMENU menu = frame ? GetMenu(frame) : nullptr;
    if (!menu) return;
    HWND graph = GetParent(edit);
    EnableMenuItem(menu, graph && IsZoomed(graph) ? 2 : 1, MF_BYPOSITION | MF_ENABLED);
    DrawMenuBar(frame);
}

// The keys with which the control pastes by itself: Shift+Insert, and Ctrl+V, which the rich
// edit control takes as the key and the plain one as the character it gives.
bool IsPasteKey(HWND edit, UINT msg, WPARAM key) {
    const bool rich = IsRichJournalEdit(edit);
    if (msg == WM_CHAR) return !rich && key == 0x16;
    if (msg != WM_KEYDOWN) return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    return (rich && key == 'V' && ctrl && !shift) || (key == VK_INSERT && shift && !ctrl);
}

LRESULT CALLBACK JournalEditProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (CJournalWindow* w = PaneOfEdit(edit); w && !w->filling && !w->pendingText.empty()) {
        if (msg == WM_TIMER && wParam == kFillTimer) {
            FillForAWhile(w);
            return 0;
        }
        if (!NeedsNoWholeText(msg)) JournalFinishFill(w);
    }
    if (msg == WM_PASTE || IsPasteKey(edit, msg, wParam)) JournalMakeRoomForPaste(edit);
    switch (msg) {
    case WM_CHAR: JournalOnChar(edit, wParam, lParam); return 0;
    case WM_SETFOCUS: EnableEditPopup(edit); break;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTTAB;
    case WM_DROPFILES: JournalOnDropFiles(edit, reinterpret_cast<HDROP>(wParam)); return 0;
    default: break;
    }
    return CallWindowProcA(OwnProc(edit), edit, msg, wParam, lParam);
}

HWND CreateJournalButton(HWND graph, const ButtonDef& b) {
    HWND button = CreateWindowExA(0, LUMIKEY_CLASSNAME, b.text, b.style, 0, 0, 0, 0, graph,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), g_app->hInstance,
                                  const_cast<char*>(b.hint));
    if (!button) return nullptr;
    // The program reaches the button library by messages only: the face is loaded here and
    // deleted with the button.
    HANDLE face = LoadImageA(g_app->hInstance, MAKEINTRESOURCEA(b.bitmap), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
    if (face) SendMessageA(button, LKM_SETENABLEBITMAP, reinterpret_cast<WPARAM>(face), 0);
    SendMessageA(button, LKM_SETAUTODELETE, 1, 0);
    return button;
}

HWND CreateJournalEdit(CJournalWindow* w, HWND graph) {
    const bool rich = w->richEditLibrary != nullptr;
    // The rich pane takes dropped files by its style, as DragAcceptFiles would set it: the shell
    // library is then loaded only when a file is dropped. It is made hidden and shown once it is
    // set up and in its place.
    const DWORD style = (rich ? kEditStyle : kEditStyle & ~kSelectionBar) & ~WS_VISIBLE;
    HWND edit = CreateWindowExA(rich ? WS_EX_ACCEPTFILES : 0, rich ? "RICHEDIT" : "EDIT", "", style, 0, 0, 100, 100,
                                graph, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_JOURNAL_EDIT)),
                                g_app->hInstance, nullptr);
    if (!edit) return nullptr;
    if (rich) SendMessageA(edit, EM_SETTARGETDEVICE, 0, w->wordWrap ? 0 : 1);
    WNDPROC previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(JournalEditProc)));
    WNDPROC& saved = rich ? g_richEditProc : g_plainEditProc;
    if (!saved) saved = previous;
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), 0);
    return edit;
}

// Tab stops every `inches` across the whole text.
void ApplyTabStops(HWND edit, float inches) {
    if (IsRichJournalEdit(edit)) {
        PARAFORMAT pf{};
        pf.cbSize = sizeof pf;
        pf.dwMask = PFM_TABSTOPS;
        pf.cTabCount = MAX_TAB_STOPS;
        const float step = inches * 1440.0f;
        for (int i = 1; i <= MAX_TAB_STOPS; ++i) pf.rgxTabs[i - 1] = static_cast<LONG>(i * step);
        // The whole text takes them through a selection of it; the user's caret and selection
        // come back afterwards, so that text written next goes where it would have gone.
        CHARRANGE kept{0, 0}, all{0, -1};
        SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
        SendMessageA(edit, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
        SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    } else {
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        // The font's stored width is 0 unless the settings give one: the average width stands in.
        int width = g_app ? static_cast<int>(g_app->fonts.lfJournal.lfWidth) : 0;
        if (width <= 0) width = LOWORD(GetDialogBaseUnits());
        int stop = static_cast<int>(4.0f * (static_cast<float>(dpi) * inches) / static_cast<float>(width));
        SendMessageA(edit, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
    }
    UpdateWindow(edit);
}

// The text control's place in the pane: under the button row, a pixel past either side.
void PlaceEdit(CJournalWindow* w, HWND insertAfter, UINT flags) {
    SetWindowPos(w->edit, insertAfter, -1, w->paneTop + kEditTop, w->paneWidth + 2, w->paneHeight - kEditTop, flags);
}

// The pane's text control, made the first time something needs it: a new graph's journal is
// hidden and empty, so the rich edit library and the control are not worth their cost before.
// The control then takes everything the pane was told meanwhile, as if made with the buttons.
HWND MakeJournalEdit(CJournalWindow* w) {
    if (w->edit) return w->edit;
    if (!g_app || !w->parent || !IsWindow(w->parent)) return nullptr;
    if (!w->richEditLibrary) w->richEditLibrary = LoadLibraryA(w->richEditName.c_str());
    HWND edit = CreateJournalEdit(w, w->parent);
    if (!edit) return nullptr;
    w->edit = edit;
    JournalApplyFont(w);
    if (w->journal && w->journal->window == w) {
        JournalSyncText(w->journal);
        w->journal->FreeStoredText();
    }
    if (w->tabStopsSet) JournalSetPaneTabStops(w, w->tabSize);
    SendMessageA(edit, EM_SETMODIFY, 0, 0);
    EnableWindow(edit, w->shown);
    // Next after the last button among the graph's children, so in the tab order too.
    UINT flags = SWP_NOACTIVATE | (w->showCommand == SW_HIDE ? 0 : SWP_SHOWWINDOW);
    if (!w->laidOut) flags |= SWP_NOMOVE | SWP_NOSIZE;
    if (!w->printButton) flags |= SWP_NOZORDER;
    PlaceEdit(w, w->printButton, flags);
    return edit;
}

}  // namespace

// ---- Shared helpers ----

bool IsRichJournalEdit(HWND edit) {
    char cls[32] = "";
    GetClassNameA(edit, cls, sizeof cls);
    return lstrcmpiA(cls, "richedit") == 0;
}

void JournalSetLimit(HWND edit, size_t limit) {
    if (IsRichJournalEdit(edit))
        SendMessageA(edit, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(limit));
    else
        SendMessageA(edit, EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
}

void JournalMakeRoomForPaste(HWND edit) {
    size_t clip = 0;
    if (OpenClipboard(edit)) {
        if (HANDLE text = GetClipboardData(CF_TEXT)) clip = GlobalSize(text);
        CloseClipboard();
    }
    JournalSetLimit(edit, static_cast<size_t>(GetWindowTextLengthA(edit)) + clip + kJournalLimitSlack);
}

void JournalEnsureCapacity(HWND edit) {
    const size_t length = static_cast<size_t>(GetWindowTextLengthA(edit));
    const size_t limit = static_cast<size_t>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    if (length + kLimitReserve > limit) JournalSetLimit(edit, length + kJournalLimitSlack);
}

void SetJournalClock(JournalClockProc clock) { g_clock = clock; }

void JournalFormatClock(const char* format, char* out, size_t size) {
    if (!out || size == 0) return;
    out[0] = 0;
    std::time_t now = g_clock ? g_clock() : std::time(nullptr);
    std::tm* local = std::localtime(&now);
    if (local && std::strftime(out, size - 1, format, local) == 0) out[0] = 0;
}


// ---- The pane object ----

CJournalWindow::CJournalWindow() {
    // The library is chosen now and loaded when the text control is made.
    richEditName = g_richEditLibrary ? g_richEditLibrary : "RICHED32.DLL";
    g_panes.push_back(this);
}

void ForEachJournalPane(void (*action)(CJournalWindow* pane)) {
    const std::vector<CJournalWindow*> panes = g_panes;  // an action may make or free panes
    for (CJournalWindow* pane : panes)
        if (std::find(g_panes.begin(), g_panes.end(), pane) != g_panes.end()) action(pane);
}

void SetJournalRichEditLibrary(const char* name) { g_richEditLibrary = name; }

CJournalWindow::~CJournalWindow() {
    g_panes.erase(std::remove(g_panes.begin(), g_panes.end(), this), g_panes.end());
    if (journal && journal->window == this) journal->window = nullptr;
    if (richEditLibrary) FreeLibrary(richEditLibrary);
}

void* NewJournalWindow() { return new (std::nothrow) CJournalWindow; }

void DeleteJournalWindow(void* pane, int flags) {
    if (!pane) return;
    if (flags & 1)
        delete Pane(pane);
    else
        Pane(pane)->~CJournalWindow();
}

int CreateJournalWindow(void* pane, HWND graph) {
    CJournalWindow* w = Pane(pane);
    if (!w || !graph) return 0;
    w->parent = w->controlParent = graph;
    for (int i = 0; i < 6; ++i) {
        *ButtonSlot(w, i) = CreateJournalButton(graph, kButtons[i]);
        if (!*ButtonSlot(w, i)) return 0;
    }
    TranslateJournalHints(graph);
    w->paneWidth = 60;
    w->paneHeight = 128;
    return 1;
}

void JournalDestroy(void* pane) {
    CJournalWindow* w = Pane(pane);
    if (!w) return;
    for (int i = 0; i < 6; ++i) {
        HWND* slot = ButtonSlot(w, i);
        if (*slot && IsWindow(*slot)) DestroyWindow(*slot);
        *slot = nullptr;
    }
    if (w->newButton && IsWindow(w->newButton)) DestroyWindow(w->newButton);
    w->newButton = nullptr;
    if (w->edit && IsWindow(w->edit)) {
        RemovePropA(w->edit, "AutoTime");
        DestroyWindow(w->edit);
    }
    w->edit = nullptr;
    if (w->journal && w->journal->window == w) w->journal->window = nullptr;
    w->journal = nullptr;
}

HWND GetJournalHwnd(void* pane) {
    if (!pane) return nullptr;
    HWND edit = MakeJournalEdit(Pane(pane));
    JournalFinishFill(Pane(pane));
    return edit;
}
HWND JournalHwndIfMade(void* pane) { return pane ? Pane(pane)->edit : nullptr; }
HWND JournalMakeEdit(CJournalWindow* pane) { return pane ? MakeJournalEdit(pane) : nullptr; }
int JournalFilling(void* pane) { return pane && Pane(pane)->edit && !Pane(pane)->pendingText.empty() ? 1 : 0; }
int GetJournalWordWrap(void* pane) { return pane ? Pane(pane)->wordWrap : 0; }
HWND GetJournalWindow(tagGS* gs) { return gs ? GetJournalHwnd(gs->journalWnd) : nullptr; }

// ---- Layout ----

void JournalLayoutButtons(void* pane, int left, int top) {
    CJournalWindow* w = Pane(pane);
    if (!w) return;
    w->paneLeft = static_cast<int16_t>(left);
    w->paneTop = static_cast<int16_t>(top);
    w->laidOut = true;
    for (int i = 0; i < 6; ++i)
        if (HWND b = *ButtonSlot(w, i))
            PlaceChildWindow(b, kButtons[i].x, top + kButtonTop, kButtonWidth, kButtonHeight,
                             SWP_NOZORDER | SWP_NOACTIVATE);
    if (w->edit) PlaceEdit(w, nullptr, SWP_NOZORDER | SWP_NOACTIVATE);
}

void JournalSetHeightRatio(void* pane, int total, int paneHeight) {
    if (CJournalWindow* w = Pane(pane))
        w->heightRatio = total && paneHeight ? static_cast<double>(total) / static_cast<double>(paneHeight) : 3.0;
}

void JournalResize(void* pane, int width, int height) {
    CJournalWindow* w = Pane(pane);
    if (!w) return;
    w->paneWidth = static_cast<int16_t>(width);
    w->paneHeight = static_cast<int16_t>(height);
    JournalLayoutButtons(pane, w->paneLeft, w->paneTop);
    RECT outer{};
    if (w->parent) GetWindowRect(w->parent, &outer);
    JournalSetHeightRatio(pane, outer.bottom - outer.top, w->paneHeight);
}

uint16_t JournalPaneHeight(void* pane) {
    CJournalWindow* w = Pane(pane);
    RECT outer{};
    if (!w || !w->parent || !GetWindowRect(w->parent, &outer) || IsRectEmpty(&outer)) return kMinPaneHeight;
    double h = (outer.bottom - outer.top) / w->heightRatio;
    if (h < kMinPaneHeight) h = kMinPaneHeight;
    return static_cast<uint16_t>(h);
}

uint16_t JournalSavePlacement(void* pane) { return JournalPaneHeight(pane); }

void JournalButtonBarLayout(void* pane, RECT* out) {
    CJournalWindow* w = Pane(pane);
    if (!w || !out) return;
    const int bottom = w->shown ? w->paneTop + w->paneHeight : w->paneTop + 3;
    SetRect(out, w->paneLeft, w->paneTop, w->paneLeft + w->paneWidth, bottom);
}

int JournalEnableButtons(void* pane, int enable) {
    CJournalWindow* w = Pane(pane);
    if (!w) return 0;
    const int previous = w->shown;
    w->shown = enable ? 1 : 0;
    for (int i = 0; i < 6; ++i)
        if (HWND b = *ButtonSlot(w, i)) EnableWindow(b, w->shown);
    // A shown journal needs its text control; a hidden one does without until it is used.
    if (w->shown) MakeJournalEdit(w);
    if (w->edit) EnableWindow(w->edit, w->shown);
    return previous;
}

void JournalDrawSeparator(void* pane, HDC dc) {
    CJournalWindow* w = Pane(pane);
    if (!w || !w->shown || !dc) return;
    HGDIOBJ old = SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, w->paneLeft, w->paneTop + 1, nullptr);
    LineTo(dc, w->paneLeft + w->paneWidth, w->paneTop + 1);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, w->paneLeft, w->paneTop + 2, nullptr);
    LineTo(dc, w->paneLeft + w->paneWidth, w->paneTop + 2);
    SelectObject(dc, old);
}

void JournalSetWordWrap(void* pane, int wrap) {
    CJournalWindow* w = Pane(pane);
    if (!w) return;
    w->wordWrap = wrap ? 1 : 0;
    if (w->edit && IsRichJournalEdit(w->edit)) SendMessageA(w->edit, EM_SETTARGETDEVICE, 0, w->wordWrap ? 0 : 1);
}

// ---- Font and tab stops ----

void JournalApplyFont(void* pane) {
    CJournalWindow* w = Pane(pane);
    if (!w || !w->edit || !g_app) return;
    HWND edit = w->edit;
    // Text put in later takes the font of the text it follows.
    const CPaneOwnMessages own(w);
    const LOGFONTA& lf = g_app->fonts.lfJournal;
    if (IsRichJournalEdit(edit)) {
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(g_app->fonts.hfontJournal), 0);
        CHARFORMATA cf{};
        cf.cbSize = sizeof cf;
        cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_SIZE | CFM_FACE | CFM_CHARSET;
        cf.dwEffects = CFE_AUTOCOLOR | (lf.lfWeight >= FW_BOLD ? CFE_BOLD : 0) | (lf.lfItalic ? CFE_ITALIC : 0);
        cf.yHeight = lf.lfHeight;
        cf.bCharSet = lf.lfCharSet;
        cf.bPitchAndFamily = lf.lfPitchAndFamily;
        lstrcpynA(cf.szFaceName, lf.lfFaceName, 32);
        SendMessageA(edit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    } else {
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(g_app->fonts.hfontJournal), 0);
        SendMessageA(edit, EM_SETSEL, start, end);
    }
    InvalidateRect(edit, nullptr, TRUE);
    UpdateWindow(edit);
}

void JournalSetTabStops(tagGS* gs, float tabSize) {
    if (gs) JournalSetPaneTabStops(Pane(gs->journalWnd), tabSize);
}

void JournalSetPaneTabStops(CJournalWindow* pane, float tabSize) {
    if (!pane) return;
    if (tabSize == kJournalTabSizePreference) tabSize = JournalPrefs().tabSize;
    pane->tabStopsSet = true;
    pane->tabSize = tabSize;
    // Text put in later takes the tab stops of the paragraph it follows.
    const CPaneOwnMessages own(pane);
    if (pane->edit) ApplyTabStops(pane->edit, tabSize);
}

void JournalFillText(CJournalWindow* pane, const char* text) {
    if (!pane || !pane->edit || !text) return;
    KillTimer(pane->edit, kFillTimer);
    std::string().swap(pane->pendingText);
    pane->pendingAt = 0;
    const size_t length = std::strlen(text);
    const size_t first = length > kFirstPartBytes ? PartEnd(text, kFirstPartBytes) : length;
    const CPaneOwnMessages own(pane);
    // The limit first: a control with a smaller one would cut the text.
    JournalSetLimit(pane->edit, length + kJournalLimitSlack);
    if (first < length) {
        try {
            pane->pendingText.assign(text + first, length - first);
        } catch (const std::bad_alloc&) {
            pane->pendingText.clear();
        }
    }
    if (pane->pendingText.empty()) {
        SetWindowTextA(pane->edit, text);
    } else {
        SetWindowTextA(pane->edit, std::string(text, first).c_str());
        SetTimer(pane->edit, kFillTimer, USER_TIMER_MINIMUM, nullptr);
    }
}

void JournalFinishFill(CJournalWindow* pane) {
    if (!pane || !pane->edit) return;
    // In parts still: the control takes one long insertion far more slowly than many short ones.
    while (!pane->pendingText.empty()) AppendPendingPart(pane, kLaterPartBytes);
}

void JournalAppendText(tagGS* gs, const char* text) {
    HWND edit = GetJournalWindow(gs);
    if (!edit || !text) return;
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    JournalEnsureCapacity(edit);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}
