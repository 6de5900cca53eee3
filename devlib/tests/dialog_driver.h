// Drives the modal dialogs and message boxes a call opens on this thread, as a user would: a
// thread timer finds each new one and hands it to the test, which reads it and presses its buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace vk40test {

// Runs `run`; every dialog box (message boxes included) this thread shows meanwhile goes to
// `onDialog` once. A dialog the handler opens in turn is handed over the same way.
void WithDialogs(const std::function<void(HWND)>& onDialog, const std::function<void()>& run);

// The window text of a dialog's control, and the text of a message box.
std::string ItemText(HWND dlg, int id);
std::string MessageBoxText(HWND box);
std::string WindowText(HWND window);

// A click on a dialog's button, sent as the button would.
void SendClick(HWND dlg, int id);

}  // namespace vk40test
