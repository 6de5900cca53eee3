// Process start-up, the message loop and shut-down.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

int KymoraMain(HINSTANCE instance, const char* cmdLine, int show);

void InitClassNames();
int RegisterAppClasses();
int CreateFrameAndBind(const char* cmdLine, int show);
void RunMessageLoop();
void ReleaseAppResources();

void LoadWindowPlacement();
void SaveWindowPlacement();
void FreePrintSetup();
HBITMAP MakeCheckBitmap();
void CreateAppBrushes();
void DeleteAppBrushes();

// Shared routines.
void SetWaitCursor(int on);
int MessageBoxFromStringTable(HWND ignored, UINT style, UINT id, ...);
void ShowSelectionError(HWND hwnd, uint32_t code, const char* arg);

// Process-wide values beside the application record.
extern tagGS* g_channelClipboard;
extern HMENU g_frameMenu;
extern int g_frameMenuAttached;
extern HACCEL g_markerAccel;
extern HBITMAP g_lessonPrompt;
extern HWND g_varsBrowser;
extern UINT_PTR g_frameTimer;

// The idle call of the loop, guarded by bInIdle; also used for the library's timer windows.
void RunIdleStep();
// One filtered turn of the loop for a message already removed from the queue; false for WM_QUIT.
bool DispatchLoopMessage(MSG& msg);
// The loop's wait on an empty queue, in milliseconds, from the acquisition's live state.
constexpr DWORD kRecordingPollMs = 1, kReadoutPollMs = 20, kQuietPollMs = 100;
DWORD IdleWaitMs();
