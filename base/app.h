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

// The printer set-up every print job shares (graphs, the journal, scripts), and whether a graph
// is being printed.
struct stPrintSetup {
    PRINTDLGA pd;
    uint32_t bPrinting;  // a graph is being printed: its window does not paint meanwhile
};

// The modeless find dialog over marker labels (at most one for the process); only the marker
// search reaches it.
struct stFindDialog {
    UINT uMsg;  // the registered message the dialog sends its owner
    HWND hwnd;  // null while closed
};

struct stApp {
    char szAppTitle[128];
    char szAppFolder[260];
    char szClassNames[5][20];
    HBRUSH hbrFace, hbrShadow, hbrHighlight;
    HINSTANCE hInstance;
    HACCEL hAccelFrame;
    HWND hwndFrame;
    HWND hwndClient;
    HWND hwndToolbar;
    HCURSOR hcurArrow, hcurIBeam, hcurZoom, hcurDrag;
    HBITMAP hbmMark, hbmMark0;
    HWND hwndActiveGraph;
    HBRUSH hbrToolbar;
    int32_t cxStatusStrip;  // written by the device library's initialisation
    HFONT hfontText;
    LOGFONTA lfText;
    int32_t cyText, cxText;
    HFONT hfontStatus;
    LOGFONTA lfStatus;
    int32_t cyStatus, cxStatus;
    HFONT hfontAxis;
    HFONT hfontVertical;
    LOGFONTA lfVertical;
    int32_t cyVertical, cxVertical;
    HFONT hfontJournal;
    stFindDialog find;
    HGLOBAL hAcq;  // the device library's unit record; null while no unit is bound (base/device.h)
    uint32_t bInIdle;
    HWND hwndActiveDlg;
    uint32_t bClipboardColor, bMetafileColor;
    uint32_t bInterpolatePaste;
    HBITMAP hbmCheck;
    RECT rcFrame;
    uint32_t nFrameShow;  // 1 normal, 2 minimised, 3 maximised
    HMODULE hButtonLib;
    HBITMAP hbmButtons[12];
    stUndoStore undo;
    LOGFONTA lfGraph;
    int32_t cxScaleStrip, cyAxisStrip, cyAxisLine;
    stPrintSetup print;
    uint32_t bToolbarVisible;
    uint32_t bMenusUnlocked;
    LOGFONTA lfJournal;  // description of hfontJournal
    // What start-up makes for the whole run, and the shared routines' state.
    tagGS* gsClipboard;           // the channel clipboard: what Copy put there
    UINT_PTR uFrameTimer;         // timer kFrameTimerId of the frame, 0 when stopped
    HMENU hmenuFrame;             // the frame menu (resource 1)
    uint32_t bFrameMenuAttached;  // the frame owns hmenuFrame; until then exit destroys it
    HBITMAP hbmLessonPrompt;      // the lesson prompt picture, or null
    HWND hwndVarsBrowser;         // the modeless variables browser, null until first shown
    HACCEL hAccelMarker;          // the marker accelerators (resource 270), or null
    uint16_t nWaitCount;          // nesting of SetWaitCursor
    HCURSOR hcurBeforeWait;       // the cursor the wait cursor replaced
    char szSavedFolder[260];      // the folder a lesson kept with SAVECURRENTFOLDER
};

extern stApp* g_app;
