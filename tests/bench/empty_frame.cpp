// The yardstick of the start-up benchmark: the least a Win32 program does to show a frame
// window with a menu. It closes when asked, like the program it is compared with.
#include <windows.h>

namespace {

LRESULT CALLBACK EmptyFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HMENU MakeMenu() {
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, 1, "E&xit");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    return bar;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = EmptyFrameProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = "emptyframe";
    if (!RegisterClassA(&wc)) return 1;
    HWND frame = CreateWindowExA(0, wc.lpszClassName, "Empty frame", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, MakeMenu(), instance, nullptr);
    if (!frame) return 1;
    ShowWindow(frame, show);
    UpdateWindow(frame);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
