// The splash screen and the processor description behind the system dialogs.
#pragma once
#include <windows.h>

// Starts the splash on a thread of its own and returns at once; its window comes once the frame
// is up with its menu (FrameReadyForSplash), so that making it costs start-up nothing, and goes
// by itself after its hold time.
void ShowSplash(HWND frame);
// The frame has its menu: a splash started and waiting may come now.
void FrameReadyForSplash();
// Takes the splash down now if it still shows and waits for its thread; shut-down calls it.
void EndSplash();
// Test seam: the splash window while it shows, else null.
HWND SplashWindow();
// How long the splash stays, in milliseconds (INFINITE: until EndSplash; 0: no splash at all).
constexpr DWORD kSplashHoldMs = 2000;
// Test seam: another hold time.
void SetSplashHoldMs(DWORD ms);
// Test seam: a later splash thread waits until `gate` is set before it makes its window (null: none).
void SetSplashGate(HANDLE gate);
// Asks for the processor description (g_cpu) afresh, at start-up; it is measured when first read.
void IdentifyProcessor();
// Fills the processor description when it was asked for and not measured yet; read g_cpu only
// after it.
void AwaitProcessorInfo();

struct tagGS;
// Resize Window: the active graph window's restored size; 1 after OK, 0 after Cancel or without
// an active graph window.
INT_PTR ResizeWindowDlg(HWND parent);
// Waveform Statistics of a document's channels; 0 at once without a document.
INT_PTR WaveformStatisticsDlg(HWND parent, tagGS* doc);
