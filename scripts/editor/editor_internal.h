// The script editor's parts shared by its files: the window's record, the text pane's and the
// Watch window's functions the window calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CScriptSubroutine;
struct tagGS;

namespace editor_internal {

constexpr int kBandHeight = 25;
constexpr int kEditorChars = 100;
constexpr int kToolCount = 14;
constexpr char kPaneProp[] = "KymoraScriptPane";  // the pane's and the subroutine list's own record

// The per-window editor record; the window keeps it in its first window word.
struct CScriptEditor {
    HWND window = nullptr;
    HWND textPane = nullptr;
    HWND graphWindow = nullptr;
    int32_t bandHeight = kBandHeight;
    int32_t toolState = 1;
    HWND tools[kToolCount] = {};
    HWND watchWindow = nullptr;
    tagGS* document = nullptr;
    char currentName[kEditorChars] = "";
    char watchName[kEditorChars] = "";
    char runStartName[kEditorChars] = "";
    char scriptPath[kEditorChars] = "";
    LPARAM lineMark = 0;
    int32_t atSubroutineStart = 1;
    char hintText[kEditorChars] = "";
    int32_t busy = 0;
};

inline CScriptEditor* EditorOf(HWND hwnd) { return reinterpret_cast<CScriptEditor*>(GetWindowLongPtrA(hwnd, 0)); }

// The text pane (editor_pane.cpp).
HWND CreateTextPane(HWND editor);
void SetPaneCaret(HWND pane, LONG position);
// The pane's whole text, with its line ends as CR LF.
std::string PaneText(HWND pane);
// The offset of the subroutine's body in the loaded script text (which has CR line ends only),
// and of its name line; false when the text does not hold it.
bool FindSubroutineInText(const CScriptSubroutine* sub, uint32_t* body, uint32_t* nameLine);
// A position of the loaded text as a position of the pane: its line and column there.
LONG PanePositionOf(HWND pane, uint32_t offset);

// The Watch window (editor_watch.cpp).
void FillSubroutineNames(HWND list, int keep);
void FillWatchValues(CScriptEditor& ed);
void RefillWatch(CScriptEditor& ed);
void ShowWatchWindow(CScriptEditor& ed);

}  // namespace editor_internal
