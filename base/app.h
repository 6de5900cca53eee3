// The application record: one zero-filled heap block for the whole process, and the
// process-wide values beside it. Every part of the program reads them; the shell fills them.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <cstdint>
#include "common/binding.h"
#include "common/tagGS.h"

constexpr int kClassFrame = 0, kClassChild = 1, kClassButton = 2, kClassToolbar = 3, kClassMeasure = 4;
constexpr int kToolbarHeight = 26;
constexpr UINT_PTR kFrameTimerId = 100;

// The one-level undo store of the channel edits; only graph/document/channel_edits reaches it.
struct stUndoStore {
    tagGS gs;          // the snapshot: its samples in slot 0, the document and selection they came from
    uint32_t nKind;    // what the snapshot was taken before; 0 when there is nothing to undo
    char szText[64];   // the Undo item's text ("Undo Cut\tCtrl+Z")
    uint32_t bEnabled;
};

// The modeless find dialog over marker labels (at most one for the process); only the marker
// search reaches it.
struct stFindDialog {
    UINT uMsg;  // the registered message the dialog sends its owner
    HWND hwnd;  // null while closed
};

// The fonts start-up makes from the INI file and the system, with their measures; the font
// commands replace them. Everything that draws text reads them.
struct stAppFonts {
    HFONT hfontText;  // dialogs, boxes and labels
    LOGFONTA lfText;
    int32_t cyText, cxText;
    HFONT hfontStatus;  // the status line
    LOGFONTA lfStatus;
    int32_t cyStatus, cxStatus;
    HFONT hfontAxis;      // axis numbers
    HFONT hfontVertical;  // channel labels, turned a quarter
    LOGFONTA lfVertical;
    int32_t cyVertical, cxVertical;
    HFONT hfontJournal;
    LOGFONTA lfJournal;  // description of hfontJournal
    LOGFONTA lfGraph;
};

// The cursors of the graph tools, loaded at start-up.
struct stAppCursors {
    HCURSOR hcurArrow, hcurIBeam, hcurZoom, hcurDrag;
};

// The bitmaps start-up loads (the lesson prompt's is a lesson's own, loaded when it asks).
struct stAppBitmaps {
    HBITMAP hbmMark, hbmMark0;  // the marker bar's marks
    HBITMAP hbmCheck;
    HBITMAP hbmButtons[12];   // the graph toolbar's faces
    HBITMAP hbmLessonPrompt;  // the lesson prompt picture, or null
};

// The brushes of the system colours, made again when they change.
struct stAppBrushes {
    HBRUSH hbrFace, hbrShadow, hbrHighlight;
    HBRUSH hbrToolbar;
};

// The graph window's strips as measured from the fonts; the device library writes its status
// box's width at its initialisation.
struct stGraphStrips {
    int32_t cxScaleStrip, cyAxisStrip, cyAxisLine;
    int32_t cxStatusStrip;
};

// The frame window's own state: its placement, menu, accelerators, timer and toolbar; the shell
// keeps it.
struct stFrameState {
    HACCEL hAccelFrame;
    RECT rcFrame;
    uint32_t nFrameShow;          // 1 normal, 2 minimised, 3 maximised
    UINT_PTR uFrameTimer;         // timer kFrameTimerId of the frame, 0 when stopped
    HMENU hmenuFrame;             // the frame menu (resource 1)
    uint32_t bFrameMenuAttached;  // the frame owns hmenuFrame; until then exit destroys it
    uint32_t bToolbarVisible;
    uint32_t bMenusUnlocked;
};

// The user's choices kept in the INI file that the edit commands follow.
struct stUserOptions {
    uint32_t bClipboardColor, bMetafileColor;
    uint32_t bInterpolatePaste;
};

// The wait cursor's nesting; only SetWaitCursor reaches it.
struct stWaitCursor {
    uint16_t nWaitCount;
    HCURSOR hcurBeforeWait;  // the cursor the wait cursor replaced
};

struct stApp {
    // The process: its module, title, folder and window classes.
    HINSTANCE hInstance;
    char szAppTitle[128];
    char szAppFolder[260];
    char szClassNames[5][20];
    // The windows every part reaches.
    HWND hwndFrame;
    HWND hwndClient;
    HWND hwndToolbar;
    HWND hwndActiveGraph;
    HWND hwndActiveDlg;    // the modeless dialog that gets the keyboard's dialog messages
    HWND hwndVarsBrowser;  // the modeless variables browser, null until first shown
    // The libraries bound at start-up.
    HGLOBAL hAcq;  // the device library's acquisition record; null without a unit library (base/device.h)
    HMODULE hButtonLib;
    // Records of their own, each described above.
    stFrameState frame;
    stAppFonts fonts;
    stAppCursors cursors;
    stAppBitmaps bitmaps;
    stAppBrushes brushes;
    stGraphStrips strips;
    stUserOptions options;
    stWaitCursor wait;
    stUndoStore undo;
    stFindDialog find;
    // The rest of the shared routines' state.
    tagGS* gsClipboard;       // the channel clipboard: what Copy put there
    uint32_t bInIdle;         // the message loop is in its idle turn
    HACCEL hAccelMarker;      // the marker accelerators (resource 270), or null
    char szSavedFolder[260];  // the folder a lesson kept with SAVECURRENTFOLDER
};

extern stApp* g_app;

// What the program's boxes and dialogs are owned by: the frame, null before there is one.
inline HWND Owner() { return g_app ? g_app->hwndFrame : nullptr; }
// A graph's boxes: its own window, the frame while it has none.
inline HWND Owner(const tagGS* gs) { return gs->hwnd ? gs->hwnd : Owner(); }
// The caption of the program's boxes: the frame's title, the keyed title before there is one.
const char* ProgramTitle();
