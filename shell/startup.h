// Process start-up, the message loop and shut-down.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

int KymoraMain(HINSTANCE instance, const char* cmdLine, int show);
// The show command the frame is first shown with at start-up, given the one the program got.
int FirstFrameShow(int show);

void InstallFaultHandlers();
void InitClassNames();
// Fills the notification tables through which the lower parts reach the shell (base/notify.h).
void InitNotifications();
int RegisterAppClasses();
int CreateFrameAndBind(const char* cmdLine, int show);
void RunMessageLoop();
void ReleaseAppResources();

void LoadWindowPlacement();
void SaveWindowPlacement();
// The INI file's "Window" value: five whole numbers, the position and size held within reach of
// every sum of them, a show state outside the known ones read as SW_SHOWNORMAL. False when it
// is not five numbers.
bool ParseWindowValue(const char* text, long* left, long* top, long* width, long* height, long* show);
// A stored frame rectangle whose caption would lie outside the work area (a hand-edited INI file,
// a screen that is gone) moved back into it, its size capped at the area's; others unchanged.
RECT FitPlacementToWorkArea(const RECT& placement, const RECT& workArea);
HBITMAP MakeCheckBitmap();
void CreateAppBrushes();
void DeleteAppBrushes();

// The idle call of the loop, guarded by bInIdle; also used for the library's timer windows.
void RunIdleStep();
// One turn for a lesson statement that waits; 0 once the quit message came.
int RunLoopTurn();
// The turn a long run of lesson statements is offered: the same, looked at only when the tick
// has moved on since the last look, the idle step only as often as the loop's own wait has it.
int RunStatementTurn();
constexpr int kMessagesPerTurn = 64;
// One filtered turn of the loop for a message already removed from the queue; false for WM_QUIT.
bool DispatchLoopMessage(MSG& msg);
// The loop's wait on an empty queue, in milliseconds, from the acquisition's live state.
constexpr DWORD kRecordingPollMs = 1, kReadoutPollMs = 20, kQuietPollMs = 100;
DWORD IdleWaitMs();
