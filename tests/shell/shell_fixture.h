// Brings the program up to its message loop inside the test process, and down again.
#pragma once
#include <windows.h>
#include <string>
#include "tests/shell/box_capture.h"

std::string IniPath();
void DeleteIni();
// Start-up as the program does it, stopping before the loop; false when a step failed. The
// splash stays off unless given a hold time.
bool BootShell(DWORD splashHoldMs = 0, int show = SW_SHOWNORMAL);
// Closes the frame if it is still there and releases everything start-up made.
void ShutShell();
// The recent files' store of this test process (under HKEY_CURRENT_USER), removed at ShutShell.
std::string RecentFilesTestKey();
// Dispatches what is queued without waiting.
void PumpMessages();
// A press and release of the left button in the middle of the window, as the mouse sends them;
// then what they queued is dispatched.
void ClickMiddle(HWND window);
// Makes the temporary folder "<prefix><process id>", keeps the current folder in previous and
// enters the new one; its path comes back.
std::string EnterOwnFolder(const char* prefix, char* previous, size_t previousSize);
