// Drives a modal dialog of the test's own thread: once the dialog's loop runs, the driver is
// called with the dialog window and works it with the messages a user's typing and clicks send.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class DialogDriver {
public:
    using Step = std::function<void(HWND dlg)>;
    // Each dialog that opens takes the next step; a dialog beyond the steps, or one that a step
    // leaves open, is cancelled.
    explicit DialogDriver(std::vector<Step> steps);
    // Only dialogs of this caption are answered, so that a driver for a dialog opened from
    // another one leaves the one it was opened from alone.
    DialogDriver(std::vector<Step> steps, std::string caption);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    int Runs() const { return runs_; }
    // Dialogs that a step left open.
    int LeftOpen() const { return leftOpen_; }

private:
    bool Answers(HWND dlg) const;
    static LRESULT CALLBACK Filter(int code, WPARAM wParam, LPARAM lParam);
    std::vector<Step> steps_;
    int runs_ = 0;
    int leftOpen_ = 0;
    bool busy_ = false;
    HWND last_ = nullptr;
    HHOOK hook_ = nullptr;
    std::string caption_;
};

// Types the text into an edit as keys would: the old text selected and replaced.
void TypeInto(HWND dlg, int id, const std::string& text);
// Presses a push button, check box or radio button as a click does.
void Click(HWND dlg, int id);
// Chooses an entry of a drop-down list as the user does, with its selection-change notice.
void ChooseEntry(HWND dlg, int id, int index);
std::string ItemText(HWND dlg, int id);
// Whether the dialog is still open after a command (refused input keeps it open).
bool StillOpen(HWND dlg);
// The window's pixels in the rectangle (client coordinates), after it has painted.
std::vector<uint32_t> Capture(HWND window, const RECT& r);

// A key pressed at a dialog once it has set itself up: posted to the window with the focus, as
// the keyboard sends it. LastKeyPress tells whether it was pressed and whether an enabled
// control of the dialog had the focus; the caller sees from the dialog's result what it did.
// Without a focus nothing can take the key and the dialog is cancelled; one the key leaves
// standing idle is cancelled after some hundred timer turns, so that a fault ends the test.
struct KeyPressSeen {
    bool pressed = false, focusInDialog = false;
};
void PressKeyWhenSetUp(HWND dlg, WPARAM key);
KeyPressSeen LastKeyPress();
