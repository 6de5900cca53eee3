// The script editor's text pane: a rich-edit control that keeps a line mark and breakpoints per
// line in a gutter left of the text, and where subroutines stand in the script text.
#include "scripts/editor/editor_internal.h"

#include <richedit.h>
#include <cstring>
#include <set>
#include <string>

#include "base/app.h"
#include "scripts/editor/script_editor.h"
#include "scripts/engine/script_engine.h"
#include "scripts/scripts_ids.h"

namespace editor_internal {
namespace {

constexpr LPARAM kMarkBase = 0x40000000;  // mark handles: never a character position
constexpr LONG kPaneTextLimit = 16 * 1024 * 1024;
constexpr int kGutterGap = 2;             // between the gutter's marks and the text
constexpr int kFallbackLineHeight = 16;   // a pane of one line has no neighbour to measure by
constexpr COLORREF kBreakpointRim = RGB(0x80, 0, 0);

// ---- The text pane: marks and breakpoints per line ----

// What the pane keeps beside the rich-edit control's own state.
struct stPaneLines {
    WNDPROC base = nullptr;
    std::set<LONG> breakpoints;
    LONG markedLine = -1;
};

stPaneLines* PaneLinesOf(HWND pane) { return static_cast<stPaneLines*>(GetPropA(pane, kPaneProp)); }

LONG PaneLineOf(HWND pane, LONG position) {
    return static_cast<LONG>(SendMessageA(pane, EM_EXLINEFROMCHAR, 0, position));
}

LONG PaneCaret(HWND pane) {
    CHARRANGE range{};
    SendMessageA(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range.cpMin;
}

// The top and height of a line in the pane's client area; false for a line the pane does not hold.
bool PaneLineBand(HWND pane, LONG line, int* top, int* height) {
    const LRESULT start = SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
    if (start < 0) return false;
    POINTL at{}, other{};
    SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), start);
    *top = at.y;
    *height = kFallbackLineHeight;
    const LRESULT next = SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line + 1), 0);
    const LRESULT previous = line > 0 ? SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line - 1), 0) : -1;
    if (next > start) {
        SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&other), next);
        if (other.y > at.y) *height = other.y - at.y;
    } else if (previous >= 0) {
        SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&other), previous);
        if (at.y > other.y) *height = at.y - other.y;
    }
    return true;
}

// A breakpoint: a red dot in the gutter, centred on its line.
void DrawBreakpointDot(HDC dc, int top, int height) {
    const int size = std::min(kPaneGutter - 4, std::max(height - 2, 4));
    const int y = top + (height - size) / 2;
    HBRUSH fill = CreateSolidBrush(kPaneBreakpointColour);
    HPEN rim = CreatePen(PS_SOLID, 1, kBreakpointRim);
    HGDIOBJ oldBrush = SelectObject(dc, fill), oldPen = SelectObject(dc, rim);
    Ellipse(dc, 2, y, 2 + size, y + size);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
    DeleteObject(rim);
}

// The current line: a yellow arrow in the gutter pointing at the statement that runs next.
void DrawLineMarkArrow(HDC dc, int top, int height) {
    const int half = std::min(5, std::max(height / 2 - 1, 2));
    const int middle = top + height / 2;
    const POINT arrow[] = {{1, middle - half / 2}, {6, middle - half / 2}, {6, middle - half},
                           {kPaneGutter - 2, middle}, {6, middle + half}, {6, middle + half / 2},
                           {1, middle + half / 2}};
    HBRUSH fill = CreateSolidBrush(kPaneMarkColour);
    HGDIOBJ oldBrush = SelectObject(dc, fill), oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Polygon(dc, arrow, static_cast<int>(sizeof arrow / sizeof arrow[0]));
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
}

// The gutter left of the text: cleared whole on every paint (scrolling moves its old pixels),
// then the breakpoints and, over them, the current-line mark.
void PaintPaneGutter(HWND pane, const stPaneLines& lines) {
    RECT client;
    GetClientRect(pane, &client);
    HDC dc = GetDC(pane);
    const RECT gutter{0, 0, kPaneGutter, client.bottom};
    FillRect(dc, &gutter, GetSysColorBrush(COLOR_WINDOW));
    int top = 0, height = 0;
    for (LONG line : lines.breakpoints)
        if (PaneLineBand(pane, line, &top, &height)) DrawBreakpointDot(dc, top, height);
    if (lines.markedLine >= 0 && PaneLineBand(pane, lines.markedLine, &top, &height))
        DrawLineMarkArrow(dc, top, height);
    ReleaseDC(pane, dc);
}

// The text is laid out right of the gutter; the control lays it out over its whole client area
// again whenever it is resized.
void KeepTextRightOfGutter(HWND pane) {
    RECT text;
    GetClientRect(pane, &text);
    text.left = kPaneGutter + kGutterGap;
    SendMessageA(pane, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text));
}

void InvalidateGutter(HWND pane) {
    RECT client;
    GetClientRect(pane, &client);
    client.right = kPaneGutter;
    InvalidateRect(pane, &client, FALSE);
}

// The pane's answers to the editor's requests; everything else goes to the rich-edit control.
LRESULT CALLBACK ScriptPaneProc(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    stPaneLines* lines = PaneLinesOf(pane);
    if (!lines) return DefWindowProcA(pane, msg, wParam, lParam);
    const WNDPROC base = lines->base;
    switch (msg) {
    case kPaneMarkLine:
        InvalidateGutter(pane);
        if (wParam) {
            lines->markedLine = PaneLineOf(pane, PaneCaret(pane));
            return kMarkBase + lines->markedLine;
        }
        if (lParam == kMarkBase + lines->markedLine) lines->markedLine = -1;
        return 0;
    case kPaneClearMarks:
        lines->markedLine = -1;
        InvalidateGutter(pane);
        return 0;
    case kPaneBreakpointAt: return lines->breakpoints.count(PaneLineOf(pane, static_cast<LONG>(lParam))) ? 1 : 0;
    case kPaneCaretLineAt: return PaneLineOf(pane, static_cast<LONG>(lParam)) == PaneLineOf(pane, PaneCaret(pane)) ? 1 : 0;
    case kPaneDeleteBreakpoints:
        lines->breakpoints.clear();
        InvalidateGutter(pane);
        return 0;
    case EM_SETSEL:
        // Refreshing the mark names the mark, not a character range: the caret stays.
        if (static_cast<LPARAM>(wParam) >= kMarkBase && lParam == 1) {
            InvalidateRect(pane, nullptr, FALSE);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_F5) {
            const LONG line = PaneLineOf(pane, PaneCaret(pane));
            if (!lines->breakpoints.erase(line)) lines->breakpoints.insert(line);
            InvalidateGutter(pane);
            return 0;
        }
        break;
    case WM_PAINT: {
        const LRESULT result = CallWindowProcA(base, pane, msg, wParam, lParam);
        PaintPaneGutter(pane, *lines);
        return result;
    }
    case WM_SIZE: {
        const LRESULT result = CallWindowProcA(base, pane, msg, wParam, lParam);
        KeepTextRightOfGutter(pane);
        return result;
    }
    case WM_NCDESTROY: {
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
        RemovePropA(pane, kPaneProp);
        delete lines;
        return CallWindowProcA(base, pane, msg, wParam, lParam);
    }
    }
    return CallWindowProcA(base, pane, msg, wParam, lParam);
}

}  // namespace

void SetPaneCaret(HWND pane, LONG position) {
    CHARRANGE range{position, position};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageA(pane, EM_SCROLLCARET, 0, 0);
}

HWND CreateTextPane(HWND editor) {
    static HMODULE richEdit = LoadLibraryA("riched32.dll");
    if (!richEdit) return nullptr;
    HWND pane = CreateWindowExA(0, "RICHEDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                                    ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                                0, kBandHeight, 10, 10, editor, reinterpret_cast<HMENU>(IDC_SCRIPT_PANE),
                                g_app->hInstance, nullptr);
    if (!pane) return nullptr;
    SendMessageA(pane, EM_EXLIMITTEXT, 0, kPaneTextLimit);
    SendMessageA(pane, EM_SETTARGETDEVICE, 0, 1);  // one pane line for each script line: no wrapping
    auto* lines = new stPaneLines;
    SetPropA(pane, kPaneProp, lines);
    lines->base = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScriptPaneProc)));
    return pane;
}

// The pane's whole text, with its line ends as CR LF.
std::string PaneText(HWND pane) {
    const int length = GetWindowTextLengthA(pane);
    std::string raw(static_cast<size_t>(length) + 1, '\0');
    raw.resize(static_cast<size_t>(GetWindowTextA(pane, &raw[0], length + 1)));
    std::string text;
    text.reserve(raw.size() + raw.size() / 16);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) text += '\r';
        text += raw[i];
        if (raw[i] == '\r' && (i + 1 == raw.size() || raw[i + 1] != '\n')) text += '\n';
    }
    return text;
}

// ---- Where subroutines stand in the script text ----

// The offset of the subroutine's body in the loaded script text (which has CR line ends only),
// and of its name line; false when the text does not hold it.
bool FindSubroutineInText(const CScriptSubroutine* sub, uint32_t* body, uint32_t* nameLine) {
    const char* text = g_script.text;
    if (!text || !sub) return false;
    const size_t nameLength = std::strlen(sub->Name());
    for (const char* line = text; *line;) {
        const char* end = std::strchr(line, '\r');
        if (!end) break;
        const char* word = line;
        while (*word == ' ' || *word == '\t') ++word;
        if (std::strncmp(word, sub->Name(), nameLength) == 0 &&
            std::strncmp(end + 1, sub->Text(), sub->TextLength()) == 0) {
            *body = static_cast<uint32_t>(end + 1 - text);
            *nameLine = static_cast<uint32_t>(line - text);
            return true;
        }
        line = end + 1;
    }
    return false;
}

// A position of the loaded text as a position of the pane: its line and column there.
LONG PanePositionOf(HWND pane, uint32_t offset) {
    const char* text = g_script.text ? g_script.text : "";
    LONG line = 0;
    uint32_t lineStart = 0;
    for (uint32_t i = 0; i < offset && text[i]; ++i)
        if (text[i] == '\r') ++line, lineStart = i + 1;
    const LRESULT index = SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
    if (index < 0) return GetWindowTextLengthA(pane);
    return static_cast<LONG>(index) + static_cast<LONG>(offset - lineStart);
}

}  // namespace editor_internal
