// Process start-up, the busy message loop and shut-down.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

int KymoraMain(HINSTANCE instance, const char* cmdLine, int show);

void InstallFaultHandlers();
void InitClassNames();
int RegisterAppClasses();
int CreateFrameAndBind(const char* cmdLine, int show);
void RunMessageLoop();
void ReleaseAppResources();

void LoadWindowPlacement();
void SaveWindowPlacement();
// A stored frame rectangle whose caption would lie outside the work area (a hand-edited INI file,
// a screen that is gone) moved back into it, its size capped at the area's; others unchanged.
RECT FitPlacementToWorkArea(const RECT& placement, const RECT& workArea);
void FreePrintSetup();
HBITMAP MakeCheckBitmap();
void CreateAppBrushes();
void DeleteAppBrushes();

// Shared routines.
void SetWaitCursor(int on);
int MessageBoxFromStringTable(HWND ignored, UINT style, UINT id, ...);
void ShowSelectionError(HWND hwnd, uint32_t code, const char* arg);

// The key-marker accelerators (F2-F9, F11, F12 to commands 392-401), loaded once for the whole
// process by the first marker manager; the loop translates them for the active graph window.
void LoadMarkerAccelerators();

// The idle call of the loop, guarded by bInIdle; also used for the library's timer windows.
void RunIdleStep();
// One filtered turn of the loop for a message already removed from the queue; false for WM_QUIT.
bool DispatchLoopMessage(MSG& msg);
