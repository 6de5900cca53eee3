// The script editor: a pop-up window of class "acqScript" in which a lesson author opens a
// lesson's graph and script, edits and saves the script, and runs or single-steps a subroutine
// while a Watch window shows its variables.
#pragma once
#include <windows.h>

// Opens an editor window over the frame; null when it cannot be made.
HWND OpenScriptEditor();

// The text pane's own requests beyond the edit messages: a pane that keeps a current-line mark
// and breakpoints per line.
constexpr UINT kPaneMarkLine = WM_USER + 1001;          // wParam 1: mark the caret's line; 0: remove mark lParam
constexpr UINT kPaneClearMarks = WM_USER + 1002;
constexpr UINT kPaneBreakpointAt = WM_USER + 1003;      // lParam position: non-zero when its line has one
constexpr UINT kPaneCaretLineAt = WM_USER + 1004;       // lParam position: non-zero when it is on the caret's line
constexpr UINT kPaneDeleteBreakpoints = WM_USER + 1005;
// The hint request the tools send their editor: wParam is the tool's window.
constexpr UINT kEditorShowHint = WM_USER + 1;
// The pane's gutter left of the text: breakpoints are red dots there, and the line whose
// statement runs next carries a yellow arrow while a subroutine is stepped or run.
constexpr int kPaneGutter = 14;
constexpr COLORREF kPaneMarkColour = RGB(255, 224, 0);
constexpr COLORREF kPaneBreakpointColour = RGB(224, 0, 0);
