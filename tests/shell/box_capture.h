// Records every message box the code under test shows on this thread (and answers it with OK,
// or with the button the capture is told).
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct BoxCapture {
    struct Box {
        std::string caption, text;
    };
    BoxCapture();
    ~BoxCapture();
    std::vector<Box> boxes;
    std::vector<HWND> seen;  // a box that loses and regains activation is still one box
    UINT answer = IDOK;      // the button the boxes are answered with
    // when set, the button for each box by its text (a user who answers each question differently)
    std::function<UINT(const Box&)> choose;
    std::string caption;     // when set, only boxes of this caption (other dialogs are left alone)
    std::string leaveAlone;  // when set, dialogs of this caption are left alone (a progress dialog)
};
