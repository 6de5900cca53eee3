// Holds the test session's desktop from before the first test to the end of the run. Wine starts
// the desktop's process from the first program that needs the desktop, and that process keeps the
// program's error output open; a test that started it would seem never to end while other tests
// keep the desktop busy. Started first, with its output going nowhere, this program is the one
// that starts it, and while it lives the desktop never closes between tests.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!GetDesktopWindow()) return 1;
    // The session script starts the tests once it reads this line.
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "ready\n", 6, &written, nullptr);
    Sleep(INFINITE);  // until the session ends its Wine server
    return 0;
}
