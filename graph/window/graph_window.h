// The graph child window ("acqchild"): its per-window data and the handlers that live in it.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// One per graph window, in window-extra slot 0; zeroed at WM_NCCREATE, freed at WM_NCDESTROY.
struct GraphWindowData {
    HWND hwnd;
    HWND hwndFocus;  // the channel director; takes the keyboard focus for the window
    uint32_t created;
    uint32_t reserved;
    tagGS* doc;  // null until the window set-up stores it, and again after the close
};

// Graph windows created and not yet closed.
extern uint32_t g_graphWindowCount;

// Private messages of the device library.
constexpr UINT kMsgOutputNotify = 0x8001;
constexpr UINT kMsgRecordingStarted = 0x8002;
constexpr UINT kMsgRecordingEnded = 0x8003;
constexpr UINT kMsgRecordingStopped = 0x8004;

LRESULT CALLBACK AcqChildWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DirectorWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The channel director's class, "acqdirector"; 0 when it cannot be registered.
int RegisterDirectorClass(HINSTANCE inst);
// Every scroll bar of the program goes through it while SubclassScrollBarClass(1) holds.
LRESULT CALLBACK ScrollBarSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

GraphWindowData* GetGraphWindowData(HWND hwnd);
// The document shown in a graph window; null for any other window.
tagGS* GetWindowGraph(HWND hwnd);
// Stores (or with null clears) the document of a graph window; 0 when it is not one.
int SetWindowGraph(HWND hwnd, tagGS* gs);
// The Start button pressed, from the graph's own button or as the frame's command (a key, a
// lesson): only while the button on that graph can be clicked. The device library starts or
// stops the recording (sender is the window the command came to); then the output panels forget
// a stimulator the user stopped, and the cursor tools go back to the arrow unless they stay
// usable while recording.
void PressStartButton(HWND graphWnd, HWND sender, HWND control, UINT code);

int CloseGraphWindow(GraphWindowData* data);
void OnChildMdiActivate(GraphWindowData* data, HWND deactivated, HWND activated);
void OnChildCommand(GraphWindowData* data, int id, HWND control, UINT code);
void OnChildSize(GraphWindowData* data, UINT type, int width, int height);
void OnChildHScroll(GraphWindowData* data, HWND bar, int code, int position);
void OnChildVScroll(GraphWindowData* data, HWND bar, int code, int position);
void OnChildGetMinMaxInfo(MINMAXINFO* mmi);

// Journal pane helpers.
void OnJournalEditNotify(HWND frame, HWND edit, UINT code);
void ShowJournalContextMenu(HWND hwnd, POINT pt);
void JournalPaste(HWND edit);
void EnsureEditCapacity(HWND edit);
// Shows (1) or hides (0) the graph's journal pane, lays the window out again and marks the
// document modified.
void SetJournalShown(tagGS* gs, int on);
