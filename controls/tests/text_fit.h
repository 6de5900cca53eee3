// What a dialog shows of its texts: controls whose text is wider (or, wrapped, taller) than the
// control, report list columns whose header text is cut, controls that reach over the edge of the group box or tab they stand on or out of
// the window. Each problem comes back as one line naming the control and its text; none means
// the dialog shows all it holds. Visible child dialogs (property sheet pages) are looked at too.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

std::vector<std::string> TextFitProblems(HWND dlg);
// The problems of one control only (a group box's contents are not looked at).
std::vector<std::string> ControlTextProblems(HWND control);
// The problems joined one to a line, for a test's message.
std::string JoinedProblems(const std::vector<std::string>& problems);
// Keeps the window as it stands on screen, frame and caption included, as artefacts/<name>.bmp
// for a person to look at.
void SaveWindowPicture(HWND window, const char* name);
