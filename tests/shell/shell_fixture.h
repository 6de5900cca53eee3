// Brings the program up to its message loop inside the test process, and down again.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

std::string IniPath();
void DeleteIni();
// Start-up as the program does it, stopping before the loop; false when a step failed.
bool BootShell();
// Closes the frame if it is still there and releases everything start-up made.
void ShutShell();
// Dispatches what is queued without waiting.
void PumpMessages();

// Records every message box the code under test shows (and answers it with OK).
struct BoxCapture {
    struct Box {
        std::string caption, text;
    };
    BoxCapture();
    ~BoxCapture();
    std::vector<Box> boxes;
    std::vector<HWND> seen;  // a box that loses and regains activation is still one box
};
